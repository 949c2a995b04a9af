#pragma once

#include "foundation/Color.h"
#include "ui/Bitmap.h"
#include "ui/Font.h"
#include "ui/Visualization.h"

#include <array>
#include <cstdint>

namespace UILib
{

// The system's one theme (tag "STND"): a flat grey look with 3D frames drawn from lines, 18 palette
// colours, eight default fonts of the default face and 17 small images found by file name through the
// bitmap factory's search folders. Made once, on the first lookup of its tag; constant afterwards.
class CStandardVisualization : public CVisualization
{
public:
    static constexpr std::int32_t PaletteSize = 18;
    static constexpr std::int32_t FontCount = 8;
    static constexpr std::int32_t ImageCount = 17;

    // Images by index, as the operations use them.
    enum : std::int32_t
    {
        ImageCheck,
        ImageCheckDefault,
        ImageScrollArrowUp,
        ImageScrollArrowDown,
        ImageScrollArrowRight,
        ImageScrollArrowLeft,
        ImageRadioSelected,
        ImageRadioClear,
        ImageRadioSelectedAndDown,
        ImageRadioClearAndDown,
        ImageSpinUp,
        ImageSpinDown,
        ImageSpinRight,
        ImageSpinLeft,
        ImageClose,
        ImageTreePlus,
        ImageTreeMinus,
    };

    // The creator the visualization registry keeps under "STND".
    static CVisualization* Create();
    // The bare file name of an image ("std_check.png" …); null outside 0 … 16.
    static const char* GetImageFileName(std::int32_t index);

    // Fonts from the current font factory (none without one), images from the current bitmap factory
    // (empty without one, the factory's placeholder for a file it cannot load).
    CStandardVisualization();
    ~CStandardVisualization() override;

    void Destroy() override;
    std::uint32_t GetTypeTag() const override;
    CVisualizationFontMetrics GetFontMetrics(std::int32_t fontIndex) override;
    std::int32_t GetTextWidth(std::int32_t fontIndex, const BaseLib::CString& text) override;
    BaseLib::CResourcePtr<CFont> GetFont(std::int32_t fontIndex) override;
    BaseLib::CRect GetBorderWidths(std::int32_t frameStyle) override;
    void DrawText(CDrawContext& context, const BaseLib::CResourcePtr<CFont>& font, const BaseLib::CRect& rect,
                  std::int32_t horizontalAlignment, std::int32_t verticalAlignment, const BaseLib::CString& text,
                  std::uint32_t textFlags) override;
    void DrawTextAt(CDrawContext& context, const BaseLib::CResourcePtr<CFont>& font, const BaseLib::CPoint& point,
                    const BaseLib::CString& text, std::uint32_t textFlags) override;
    void DrawIndexedText(CDrawContext& context, std::int32_t fontIndex, const BaseLib::CRect& rect,
                         std::int32_t horizontalAlignment, std::int32_t verticalAlignment,
                         const BaseLib::CString& text, std::uint32_t textFlags) override;
    void DrawIndexedTextAt(CDrawContext& context, std::int32_t fontIndex, const BaseLib::CPoint& point,
                           const BaseLib::CString& text, std::uint32_t textFlags) override;
    void FillBackground(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t fillStyle) override;
    void DrawGroupFrame(CDrawContext& context, const BaseLib::CRect& rect, const BaseLib::CString& caption) override;
    void DrawFrame(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t frameStyle,
                   std::int32_t extra) override;
    void DrawCheckBox(CDrawContext& context, const BaseLib::CPoint& point, std::int32_t checkState,
                      bool pushed) override;
    void DrawRadioButton(CDrawContext& context, const BaseLib::CPoint& point, bool selected, bool pressed) override;
    void DrawTreeButton(CDrawContext& context, const BaseLib::CPoint& point, bool collapsed) override;
    void DrawScrollBarButton(CDrawContext& context, const BaseLib::CPoint& point, std::int32_t direction,
                             std::int32_t frameStyle) override;
    void DrawScrollBarThumb(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t extra) override;
    void DrawSliderThumb(CDrawContext& context, const BaseLib::CPoint& point, bool vertical, std::int32_t extra,
                         bool disabled) override;
    void DrawSliderTrack(CDrawContext& context, const BaseLib::CRect& rect, bool vertical) override;
    void DrawCaret(CDrawContext& context, std::int32_t fontIndex, const BaseLib::CPoint& point) override;
    void DrawSpinButton(CDrawContext& context, const BaseLib::CPoint& point, std::int32_t direction,
                        std::int32_t frameStyle) override;
    void DrawComboButton(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t frameStyle) override;
    void DrawCloseButton(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t frameStyle) override;
    void DrawCaptionBar(CDrawContext& context, const BaseLib::CPoint& point, std::int32_t width,
                        const BaseLib::CString& caption, bool active) override;

private:
    // The font of the index; an index outside 0 … 7 answers font 0. Waits while the font is scheduled.
    const BaseLib::CResourcePtr<CFont>& FontAt(std::int32_t fontIndex) const;
    BaseLib::CColor TextColour(std::uint32_t textFlags) const;
    BaseLib::CColor FillColour(std::int32_t fillStyle) const;
    // A line between two points, both ends drawn.
    void Line(CDrawContext& context, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              std::int32_t paletteIndex) const;
    // The given frame, the interior filled with the fill style and, when there is one, the image at the
    // interior's top-left corner.
    void DrawImageButton(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t frameStyle,
                         std::int32_t fillStyle, const CBitmap* image);
    // A button whose image stands at ((R − width) / 2, (B − height) / 2).
    void DrawCentredImageButton(CDrawContext& context, const BaseLib::CRect& rect, std::int32_t frameStyle,
                                const CBitmap& image);

    std::array<BaseLib::CColor, PaletteSize> m_palette;
    std::array<BaseLib::CResourcePtr<CFont>, FontCount> m_fonts;
    std::array<CBitmap, ImageCount> m_images;
};

} // namespace UILib
