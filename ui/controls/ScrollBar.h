#pragma once

#include "foundation/Rect.h"
#include "ui/Callback.h"
#include "ui/controls/BasicButton.h"

#include <cstdint>

namespace UILib
{

class CScrollBar;
using CScrollBarCallback = CCallback<CScrollBar*>;

// A horizontal or vertical bar that keeps a position within a range and a page: two arrow buttons step
// by the scroll speed (repeating while held), a click on the track steps by a page, and the thumb can be
// dragged. Every change of the position is posted to the parent as "BtnClick" with the bar as sender
// and given to the change callback; receivers read the position. The largest position is
// range − page + 1, and page ≤ range + 1 always holds, so it is never negative.
class CScrollBar : public CWindow
{
public:
    // An arrow button: a basic button that paints an arrow in its direction (0 up, 1 down, 2 left, 3 right).
    class CScrollBarButton : public CBasicButton
    {
    public:
        void SetDirection(std::int32_t direction);
        std::int32_t GetDirection() const { return m_direction; }
        void Paint(CDrawContext& context) override;

    private:
        std::int32_t m_direction = 0;
    };

    CScrollBar();
    static CWindow* Create();

    const char* GetClassName() const override { return "CScrollBar"; }
    BaseLib::CString GetDebugDescription() const override { return "CScrollBar"; }
    void GetProperties(CPropertyList& list) override;

    void SetScrollPos(std::int32_t position);
    std::int32_t GetScrollPos() const { return m_position; }
    void SetRange(std::int32_t range);
    std::int32_t GetRange() const { return m_range; }
    void SetPageSize(std::int32_t page);
    std::int32_t GetPageSize() const { return m_page; }
    // Values below 2 become 1.
    void SetScrollSpeed(std::int32_t speed);
    std::int32_t GetScrollSpeed() const { return m_speed; }
    void SetButtons(bool on);
    bool GetButtons() const { return m_buttons; }
    // 0 horizontal, 1 vertical (the property's order).
    void SetStyle(int style);
    int GetStyle() const { return m_vertical ? 1 : 0; }
    bool IsVertical() const { return m_vertical; }
    void SetFreeThumb(bool on) { m_freeThumb = on; }
    void SetOnChange(const CScrollBarCallback& callback) { m_onChange = callback; }

    // The thumb in client coordinates; all zero when it does not fit the track.
    const BaseLib::CRect& GetThumbRect() const { return m_thumb; }
    CScrollBarButton* GetButton(int index) const;
    // The arrow length along the bar (also the minimum thumb length).
    std::int32_t GetArrowLength() const { return m_vertical ? m_verticalArrowLength : m_horizontalArrowLength; }

    // Posts "BtnClick" to the parent and fires the change callback, both unless events are suppressed.
    virtual void NotifyChange();

    // The thickness across the bar is the theme's.
    void SetSize(std::int32_t width, std::int32_t height) override;
    bool OnSize() override;
    bool ApplyVisualization() override;
    bool OnMessage(const CWindowMessage& message) override;
    bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    void Paint(CDrawContext& context) override;

private:
    void UpdateThumb();
    void UpdateButtonDirections();
    std::int64_t LargestPosition() const { return static_cast<std::int64_t>(m_range) - m_page + 1; }

    std::int32_t m_position = 0;
    std::int32_t m_range = 0;
    std::int32_t m_page = 1;
    std::int32_t m_speed = 1;
    bool m_vertical = true;
    bool m_buttons = false;
    bool m_freeThumb = true;
    std::int32_t m_verticalThickness = 0;   // width of a vertical bar
    std::int32_t m_horizontalThickness = 0; // height of a horizontal bar
    std::int32_t m_horizontalArrowLength = 0;
    std::int32_t m_verticalArrowLength = 0;
    bool m_dragging = false;
    BaseLib::CRect m_thumb;
    BaseLib::CPoint m_grab;
    Handle m_button1 = 0;
    Handle m_button2 = 0;
    CScrollBarCallback m_onChange;
};

} // namespace UILib
