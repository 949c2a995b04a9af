#pragma once

#include "foundation/Point.h"
#include "ui/Window.h"
#include "ui/controls/ClientAreaWindow.h"

#include <cstdint>

namespace UILib
{

class CScrollBar;

// A view onto a larger client area window ("__clientarea", its only direct child): scrolling moves the
// client area to negative offsets. Windows added to it become children of the client area. A size
// change of the client area grows it to at least the view and is told to the parent ("BScrWChn", sent).
class CBasicScrollWindow : public CClientAreaWindow
{
public:
    CBasicScrollWindow();
    static CWindow* Create();

    const char* GetClassName() const override { return "CBasicScrollWindow"; }
    BaseLib::CString GetDebugDescription() const override { return "CBasicScrollWindow"; }

    void SetClientAreaSize(const BaseLib::CSize& size);
    // Replaces the client area by the window (the old one is destroyed); the window takes its size.
    void SetClientArea(CWindow* window);
    // Clamps to [0, client − view] per axis and moves the client area to (−x, −y).
    void SetScrollPosition(std::int32_t x, std::int32_t y);
    BaseLib::CPoint GetScrollPosition() const;

    bool OnSize() override;
    bool OnMessage(const CWindowMessage& message) override;
};

// A basic scroll window (itself named "__clientarea") with a horizontal and a vertical scroll bar
// ("__hscrollbar", "__vscrollbar"), each shown automatically, always or never. The bars follow the client
// area's size; moving a bar or turning the wheel scrolls the view.
class CScrollWindow : public CClientAreaWindow
{
public:
    enum Mode : std::int32_t
    {
        ModeAuto = 0,
        ModeAlways = 1,
        ModeNever = 2,
    };

    CScrollWindow();
    static CWindow* Create();

    const char* GetClassName() const override { return "CScrollWindow"; }
    BaseLib::CString GetDebugDescription() const override { return "CScrollWindow"; }
    void GetProperties(CPropertyList& list) override;

    // The client area: windows added to the scroll window land in the view's own client area.
    CBasicScrollWindow* GetView() const;
    CScrollBar* GetHorizontalBar() const;
    CScrollBar* GetVerticalBar() const;

    void SetClientAreaSize(const BaseLib::CSize& size);
    BaseLib::CSize GetClientAreaSize() const;
    void SetHScrollPos(std::int32_t x);
    std::int32_t GetHScrollPos() const;
    void SetVScrollPos(std::int32_t y);
    std::int32_t GetVScrollPos() const;
    void SetHScrollSpeed(std::int32_t speed);
    std::int32_t GetHScrollSpeed() const;
    void SetVScrollSpeed(std::int32_t speed);
    std::int32_t GetVScrollSpeed() const;
    // Below 0 becomes 0, above 3 becomes 3; 3 shows no bar, like Never.
    void SetHScrollMode(int mode);
    int GetHScrollMode() const { return m_horizontalMode; }
    void SetVScrollMode(int mode);
    int GetVScrollMode() const { return m_verticalMode; }

    // Places the bars and the view for the current sizes and modes.
    void UpdateLayout();

    bool OnSize() override;
    bool ApplyVisualization() override;
    bool OnMessage(const CWindowMessage& message) override;
    void Paint(CDrawContext& context) override;

private:
    bool IsNeeded(std::int32_t mode, std::int32_t clientLength, std::int32_t viewLength) const;
    bool BothBarsShown() const;

    Handle m_horizontalBar = 0;
    Handle m_verticalBar = 0;
    std::int32_t m_horizontalMode = ModeAuto;
    std::int32_t m_verticalMode = ModeAuto;
};

} // namespace UILib
