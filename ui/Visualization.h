#pragma once

#include "foundation/Point.h"
#include "foundation/Rect.h"
#include "foundation/Resource.h"
#include "foundation/String.h"

#include <cstdint>
#include <functional>
#include <map>

namespace UILib
{

class CDrawContext;
class CFont;

// What a theme fills when it is built and widgets read: pairs are width then height.
struct CVisualizationMetrics
{
    std::uint8_t transparentWindows = 0; // copied into every window's transparent-by-visualization flag
    std::int32_t captionHeight = 0;      // a dialog's caption bar and one list row
    std::int32_t dialogMarginX = 0;
    std::int32_t dialogMarginY = 0;
    std::int32_t checkBoxWidth = 0;
    std::int32_t checkBoxHeight = 0;
    std::int32_t radioButtonWidth = 0;
    std::int32_t radioButtonHeight = 0;
    std::int32_t scrollBarButtonWidth = 0;
    std::int32_t scrollBarButtonHeight = 0;
    std::int32_t horizontalSliderThumbWidth = 0;
    std::int32_t horizontalSliderThumbHeight = 0;
    std::int32_t verticalSliderThumbWidth = 0;
    std::int32_t verticalSliderThumbHeight = 0;
    std::int32_t buttonMinimumWidth = 0;
    std::int32_t buttonMinimumHeight = 0;
    std::int32_t buttonMaximumWidth = 0; // negative: no limit on that axis
    std::int32_t buttonMaximumHeight = 0;
    std::int32_t pressedOffsetX = 0;
    std::int32_t pressedOffsetY = 0;
    std::int32_t sliderTrackThickness = 0;
    std::int32_t groupBoxInsetLeft = 0;
    std::int32_t groupBoxInsetTop = 0;
    std::int32_t groupBoxInsetRight = 0;
    std::int32_t groupBoxInsetBottom = 0;
    std::int32_t messageBoxButtonWidth = 0;
    std::int32_t messageBoxButtonHeight = 0;
    std::int32_t verticalSpinButtonWidth = 0; // the up and down buttons
    std::int32_t verticalSpinButtonHeight = 0;
    std::int32_t horizontalSpinButtonWidth = 0; // the left and right buttons
    std::int32_t horizontalSpinButtonHeight = 0;
    std::int32_t treeButtonWidth = 0;
    std::int32_t treeButtonHeight = 0;
};

// A font's height, ascent and descent.
struct CVisualizationFontMetrics
{
    std::int32_t height = 0;
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
};

// Text flags of the text operations.
enum : std::uint32_t
{
    TextDisabled = 1,
    TextHighlighted = 2,
};

// Directions of scroll bar and spin buttons.
enum : std::int32_t
{
    DirectionUp = 0,
    DirectionDown = 1,
    DirectionLeft = 2,
    DirectionRight = 3,
};

// A theme: widgets measure and draw every standard element through it and never choose colours,
// frames, images or default fonts themselves. Alignment: 0 centre, 1 left/top, 2 right/bottom. Font
// indexes select one of the theme's fonts (0 … 7); frame and fill styles are the theme's own numbers.
class CVisualization
{
public:
    CVisualization() = default;
    CVisualization(const CVisualization&) = delete;
    CVisualization& operator=(const CVisualization&) = delete;

    virtual void Destroy() = 0;
    virtual std::uint32_t GetTypeTag() const = 0;
    virtual CVisualizationFontMetrics GetFontMetrics(std::int32_t fontIndex) = 0;
    virtual std::int32_t GetTextWidth(std::int32_t fontIndex, const BaseLib::CString& text) = 0;
    // A new reference to the font.
    virtual BaseLib::CResourcePtr<CFont> GetFont(std::int32_t fontIndex) = 0;
    virtual const CVisualizationMetrics& GetMetrics() const { return m_metrics; }
    // The frame's widths at left, top, right and bottom.
    virtual BaseLib::CRect GetBorderWidths(std::int32_t frameStyle) = 0;
    virtual void DrawText(CDrawContext& context, const BaseLib::CResourcePtr<CFont>& font, const BaseLib::CRect& rect,
                          std::int32_t horizontalAlignment, std::int32_t verticalAlignment,
                          const BaseLib::CString& text, std::uint32_t textFlags) = 0;
    // The baseline starts at the point.
    virtual void DrawTextAt(CDrawContext& context, const BaseLib::CResourcePtr<CFont>& font,
                            const BaseLib::CPoint& point, const BaseLib::CString& text, std::uint32_t textFlags) = 0;
    virtual void DrawIndexedText(CDrawContext& context, std::int32_t fontIndex, const BaseLib::CRect& rect,
                                 std::int32_t horizontalAlignment, std::int32_t verticalAlignment,
                                 const BaseLib::CString& text, std::uint32_t textFlags) = 0;
    virtual void DrawIndexedTextAt(CDrawContext& context, std::int32_t fontIndex, const BaseLib::CPoint& point,
                                   const BaseLib::CString& text, std::uint32_t textFlags) = 0;
    virtual void FillBackground(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t fillStyle) = 0;
    virtual void DrawGroupFrame(CDrawContext& context, const BaseLib::CRect& rect, const BaseLib::CString& caption) = 0;
    // The fourth value is ignored by the standard theme; the theme's own calls pass 0.
    virtual void DrawFrame(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t frameStyle,
                           std::int32_t extra) = 0;
    // Check state 0 empty, 1 checked, 2 indeterminate.
    virtual void DrawCheckBox(CDrawContext& context, const BaseLib::CPoint& point, std::int32_t checkState,
                              bool pushed) = 0;
    virtual void DrawRadioButton(CDrawContext& context, const BaseLib::CPoint& point, bool selected,
                                 bool pressed) = 0;
    virtual void DrawTreeButton(CDrawContext& context, const BaseLib::CPoint& point, bool collapsed) = 0;
    virtual void DrawScrollBarButton(CDrawContext& context, const BaseLib::CPoint& point, std::int32_t direction,
                                     std::int32_t frameStyle) = 0;
    virtual void DrawScrollBarThumb(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t extra) = 0;
    virtual void DrawSliderThumb(CDrawContext& context, const BaseLib::CPoint& point, bool vertical,
                                 std::int32_t extra, bool disabled) = 0;
    virtual void DrawSliderTrack(CDrawContext& context, const BaseLib::CRect& rect, bool vertical) = 0;
    // The text cursor whose foot stands at the point.
    virtual void DrawCaret(CDrawContext& context, std::int32_t fontIndex, const BaseLib::CPoint& point) = 0;
    virtual void DrawSpinButton(CDrawContext& context, const BaseLib::CPoint& point, std::int32_t direction,
                                std::int32_t frameStyle) = 0;
    virtual void DrawComboButton(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t frameStyle) = 0;
    virtual void DrawCloseButton(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t frameStyle) = 0;
    virtual void DrawCaptionBar(CDrawContext& context, const BaseLib::CPoint& point, std::int32_t width,
                                const BaseLib::CString& caption, bool active) = 0;
    virtual ~CVisualization() = default;

protected:
    CVisualizationMetrics m_metrics;
};

// Maps four-character tags to theme objects, made on first lookup and kept until the registry goes.
// One per process (made by the window system's start-up); main thread only.
class CVisualizationRegistry
{
public:
    using Creator = std::function<CVisualization*()>;

    // Becomes the process's instance, with the standard theme's creator registered under "STND".
    CVisualizationRegistry();
    // Destroys every theme object once through its Destroy; the instance is null afterwards.
    ~CVisualizationRegistry();
    CVisualizationRegistry(const CVisualizationRegistry&) = delete;
    CVisualizationRegistry& operator=(const CVisualizationRegistry&) = delete;

    // Null before start-up and after shut-down.
    static CVisualizationRegistry* GetInstance();

    // A later creator of the same tag replaces the earlier one (for tags not made yet).
    void Register(std::uint32_t tag, Creator creator);
    // The object made earlier; else one from the tag's creator, kept (a null answer is not kept).
    // Null without a creator.
    CVisualization* GetVisualization(std::uint32_t tag);

private:
    std::map<std::uint32_t, Creator> m_creators;
    std::map<std::uint32_t, CVisualization*> m_objects;
};

} // namespace UILib
