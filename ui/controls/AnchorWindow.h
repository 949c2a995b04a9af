#pragma once

#include "ui/Panel.h"

#include <cstdint>

namespace UILib
{

// An invisible container that pins one of nine points of itself to the same point of its parent, offset
// in pixels or per cent of the parent, and can take its width and height as per cent of the parent's.
// With "Resize Childen" SameSize every child fills it.
class CAnchorWindow : public CTransparentWindow
{
public:
    enum Anchor : std::int32_t
    {
        AnchorNone = 0,
        AnchorCenter,
        AnchorNorth,
        AnchorEast,
        AnchorSouth,
        AnchorWest,
        AnchorNorthEast,
        AnchorSouthEast,
        AnchorSouthWest,
        AnchorNorthWest,
    };
    enum ResizeMode : std::int32_t
    {
        FixedSize = 0,
        RelativeWidth,
        RelativeHeight,
        RelativeSize,
    };

    CAnchorWindow() = default;
    static CWindow* Create();

    const char* GetClassName() const override { return "CAnchorWindow"; }
    void GetProperties(CPropertyList& list) override;

    void SetAnchorPoint(int anchor);
    int GetAnchorPoint() const { return m_anchor; }
    // 0 pixels, 1 percent.
    void SetPositioningUnit(int unit);
    int GetPositioningUnit() const { return m_unit; }
    void SetRelativeX(float x);
    float GetRelativeX() const { return m_relativeX; }
    void SetRelativeY(float y);
    float GetRelativeY() const { return m_relativeY; }
    void SetResizeMode(int mode);
    int GetResizeMode() const { return m_resizeMode; }
    void SetWidthPercent(float percent);
    float GetWidthPercent() const { return m_widthPercent; }
    void SetHeightPercent(float percent);
    float GetHeightPercent() const { return m_heightPercent; }
    // 0 No, 1 SameSize.
    void SetResizeChildren(int mode);
    int GetResizeChildren() const { return m_resizeChildren; }

    void UpdatePosition();
    void UpdateSize();
    void ResizeChildren();

    // Ignored unless the anchor is None.
    void SetPosition(std::int32_t x, std::int32_t y) override;
    // Ignored unless the resize mode is FixedSize.
    void SetSize(std::int32_t width, std::int32_t height) override;
    bool OnSize() override;
    void OnParentChanged() override;
    bool OnMessage(const CWindowMessage& message) override;

private:
    std::int32_t m_anchor = AnchorNone;
    std::int32_t m_unit = 0;
    float m_relativeX = 0.0f;
    float m_relativeY = 0.0f;
    std::int32_t m_resizeMode = FixedSize;
    float m_widthPercent = 100.0f;
    float m_heightPercent = 100.0f;
    std::int32_t m_resizeChildren = 0;
};

} // namespace UILib
