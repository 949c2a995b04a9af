#include "ui/StandardVisualization.h"

#include "foundation/TypeTag.h"
#include "ui/DrawContext.h"
#include "ui/FontFactory.h"

#include <algorithm>

namespace UILib
{

using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CResourcePtr;

namespace
{

constexpr std::uint32_t kTag = BaseLib::MakeTypeTag("STND");

constexpr const char* kImageFiles[CStandardVisualization::ImageCount] = {
    "std_check.png",
    "std_checkdefault.png",
    "std_scrollarrowup.png",
    "std_scrollarrowdown.png",
    "std_scrollarrowright.png",
    "std_scrollarrowleft.png",
    "std_radiobuttonselected.png",
    "std_radiobuttonclear.png",
    "std_radiobuttonselectedanddown.png",
    "std_radiobuttonclearanddown.png",
    "std_spinbuttonup.png",
    "std_spinbuttondown.png",
    "std_spinbuttonright.png",
    "std_spinbuttonleft.png",
    "std_close.png",
    "std_treebuttonplus.png",
    "std_treebuttonminus.png",
};

// Palette roles.
enum : std::int32_t
{
    PaletteOutline = 7,
    PaletteNormalText = 8,
    PaletteDisabledText = 9,
    PaletteHighlightedText = 10,
    PaletteActiveCaption = 11,
    PaletteInactiveCaption = 12,
    PaletteCaptionText = 13,
    PaletteOuterLight = 14,
    PaletteInnerLight = 15,
    PaletteInnerShadow = 16,
    PaletteOuterShadow = 17,
};

// Fill styles the operations use.
enum : std::int32_t
{
    FillFace = 0,
    FillCheckBox = 2,
    FillCheckBoxPushed = 3,
    FillHighlight = 4,
    FillDisabledThumb = 5,
};

// Font indexes with roles of their own.
enum : std::int32_t
{
    FontDefault = 0,
    FontFixed = 1,
    FontGroupCaption = 6,
    FontCaptionBar = 7,
};

constexpr std::int32_t kBorder = 2;
constexpr std::int32_t kCaptionHeight = 16;
// Where the caption text of a group frame and of a caption bar begins.
constexpr std::int32_t kCaptionX = 10;

CRect Inner(const CRect& rect)
{
    return CRect(rect.left + kBorder, rect.top + kBorder, rect.right - kBorder, rect.bottom - kBorder);
}

} // namespace

CVisualization* CStandardVisualization::Create()
{
    return new CStandardVisualization();
}

const char* CStandardVisualization::GetImageFileName(std::int32_t index)
{
    return index >= 0 && index < ImageCount ? kImageFiles[index] : nullptr;
}

CStandardVisualization::CStandardVisualization()
{
    m_metrics = CVisualizationMetrics{};
    m_palette.fill(CColor(0, 0, 0, 255));

    CFontFactory* fonts = CFontFactory::GetCurrent();
    m_fonts[FontDefault] = CreateAlphaBitmapFont(fonts, 14, "", 0, 0, 5, 0);
    m_fonts[FontFixed] = CreateAlphaBitmapFont(fonts, 14, "", 0, 1, 5, 0);
    for (std::int32_t i = 2; i <= 6; ++i)
    {
        m_fonts[i] = m_fonts[FontDefault];
    }
    m_fonts[FontCaptionBar] = CreateAlphaBitmapFont(fonts, 14, "", 0, 0, 11, 0);

    m_palette = {
        CColor(200, 200, 200, 255), CColor(255, 255, 255, 255), CColor(200, 200, 200, 255),
        CColor(50, 50, 160, 255),   CColor(230, 230, 230, 255), CColor(0, 0, 0, 255),
        CColor(255, 255, 225, 255), CColor(0, 0, 0, 255),       CColor(0, 0, 0, 255),
        CColor(140, 140, 140, 255), CColor(255, 255, 255, 255), CColor(50, 50, 160, 255),
        CColor(50, 50, 50, 255),    CColor(255, 255, 255, 255), CColor(240, 240, 240, 255),
        CColor(210, 210, 200, 255), CColor(150, 150, 150, 255), CColor(70, 70, 70, 255),
    };

    for (std::int32_t i = 0; i < ImageCount; ++i)
    {
        m_images[i] = CBitmap(kImageFiles[i]);
    }

    // Image sizes wait for the data; "plus borders" adds the border widths, 2 on each side.
    const auto imageSize = [this](std::int32_t index, std::int32_t borders, std::int32_t& width,
                                  std::int32_t& height) {
        width = m_images[index].GetWidth() + 2 * borders;
        height = m_images[index].GetHeight() + 2 * borders;
    };
    CVisualizationMetrics& m = m_metrics;
    m.transparentWindows = 0;
    m.captionHeight = kCaptionHeight;
    m.dialogMarginX = 2;
    m.dialogMarginY = 2;
    imageSize(ImageCheck, kBorder, m.checkBoxWidth, m.checkBoxHeight);
    imageSize(ImageRadioSelected, 0, m.radioButtonWidth, m.radioButtonHeight);
    imageSize(ImageScrollArrowUp, kBorder, m.scrollBarButtonWidth, m.scrollBarButtonHeight);
    m.horizontalSliderThumbWidth = 10;
    m.horizontalSliderThumbHeight = 17;
    m.verticalSliderThumbWidth = 17;
    m.verticalSliderThumbHeight = 10;
    m.buttonMinimumWidth = 0;
    m.buttonMinimumHeight = 0;
    m.buttonMaximumWidth = -1;
    m.buttonMaximumHeight = -1;
    m.pressedOffsetX = 1;
    m.pressedOffsetY = 1;
    m.sliderTrackThickness = 4;
    m.groupBoxInsetLeft = 5;
    m.groupBoxInsetTop = 20;
    m.groupBoxInsetRight = 5;
    m.groupBoxInsetBottom = 5;
    m.messageBoxButtonWidth = 90;
    m.messageBoxButtonHeight = 21;
    imageSize(ImageSpinUp, kBorder, m.verticalSpinButtonWidth, m.verticalSpinButtonHeight);
    imageSize(ImageSpinLeft, kBorder, m.horizontalSpinButtonWidth, m.horizontalSpinButtonHeight);
    imageSize(ImageTreePlus, 0, m.treeButtonWidth, m.treeButtonHeight);
}

CStandardVisualization::~CStandardVisualization()
{
    for (CBitmap& image : m_images)
    {
        image.Release();
    }
    for (CResourcePtr<CFont>& font : m_fonts)
    {
        font.Clear();
    }
}

void CStandardVisualization::Destroy()
{
    delete this;
}

std::uint32_t CStandardVisualization::GetTypeTag() const
{
    return kTag;
}

const CResourcePtr<CFont>& CStandardVisualization::FontAt(std::int32_t fontIndex) const
{
    const CResourcePtr<CFont>& font = m_fonts[fontIndex >= 0 && fontIndex < FontCount ? fontIndex : FontDefault];
    if (font)
    {
        font->WaitUntilLoaded();
    }
    return font;
}

CVisualizationFontMetrics CStandardVisualization::GetFontMetrics(std::int32_t fontIndex)
{
    const CResourcePtr<CFont>& font = FontAt(fontIndex);
    if (!font)
    {
        return {};
    }
    return CVisualizationFontMetrics{font->GetHeight(), font->GetAscent(), font->GetDescent()};
}

std::int32_t CStandardVisualization::GetTextWidth(std::int32_t fontIndex, const BaseLib::CString& text)
{
    const CResourcePtr<CFont>& font = FontAt(fontIndex);
    return font ? font->GetTextWidth(text) : 0;
}

CResourcePtr<CFont> CStandardVisualization::GetFont(std::int32_t fontIndex)
{
    return FontAt(fontIndex);
}

CRect CStandardVisualization::GetBorderWidths(std::int32_t)
{
    return CRect(kBorder, kBorder, kBorder, kBorder);
}

CColor CStandardVisualization::TextColour(std::uint32_t textFlags) const
{
    if ((textFlags & TextDisabled) != 0)
    {
        return m_palette[PaletteDisabledText];
    }
    return m_palette[(textFlags & TextHighlighted) != 0 ? PaletteHighlightedText : PaletteNormalText];
}

CColor CStandardVisualization::FillColour(std::int32_t fillStyle) const
{
    // Fill styles 2 … 7 use palette 1 … 6; every other style the face colour.
    return m_palette[fillStyle >= 2 && fillStyle <= 7 ? fillStyle - 1 : 0];
}

void CStandardVisualization::Line(CDrawContext& context, std::int32_t x1, std::int32_t y1, std::int32_t x2,
                                  std::int32_t y2, std::int32_t paletteIndex) const
{
    context.DrawLine(CPoint(x1, y1), CPoint(x2, y2), m_palette[paletteIndex]);
}

void CStandardVisualization::DrawText(CDrawContext& context, const CResourcePtr<CFont>& font, const CRect& rect,
                                      std::int32_t horizontalAlignment, std::int32_t verticalAlignment,
                                      const BaseLib::CString& text, std::uint32_t textFlags)
{
    if ((textFlags & TextHighlighted) != 0)
    {
        FillBackground(context, rect, FillHighlight);
    }
    context.DrawText(font, rect, horizontalAlignment, verticalAlignment, text, TextColour(textFlags), 0);
}

void CStandardVisualization::DrawTextAt(CDrawContext& context, const CResourcePtr<CFont>& font,
                                        const CPoint& point, const BaseLib::CString& text, std::uint32_t textFlags)
{
    if ((textFlags & TextHighlighted) != 0 && font)
    {
        font->WaitUntilLoaded();
        FillBackground(context,
                       CRect(point.x, point.y - font->GetAscent(), point.x + font->GetTextWidth(text),
                             point.y + font->GetDescent()),
                       FillHighlight);
    }
    context.DrawTextAt(font, point.x, point.y, text, TextColour(textFlags), 0);
}

void CStandardVisualization::DrawIndexedText(CDrawContext& context, std::int32_t fontIndex, const CRect& rect,
                                             std::int32_t horizontalAlignment, std::int32_t verticalAlignment,
                                             const BaseLib::CString& text, std::uint32_t textFlags)
{
    DrawText(context, FontAt(fontIndex), rect, horizontalAlignment, verticalAlignment, text, textFlags);
}

void CStandardVisualization::DrawIndexedTextAt(CDrawContext& context, std::int32_t fontIndex, const CPoint& point,
                                               const BaseLib::CString& text, std::uint32_t textFlags)
{
    DrawTextAt(context, FontAt(fontIndex), point, text, textFlags);
}

void CStandardVisualization::FillBackground(CDrawContext& context, const CRect& rect, std::int32_t fillStyle)
{
    context.FillRect(rect, FillColour(fillStyle));
}

void CStandardVisualization::DrawGroupFrame(CDrawContext& context, const CRect& rect,
                                            const BaseLib::CString& caption)
{
    const CResourcePtr<CFont>& font = FontAt(FontGroupCaption);
    const std::int32_t h = font ? font->GetHeight() : 0;
    const std::int32_t captionWidth = font ? font->GetTextWidth(caption) : 0;
    // The caption's right end; the top lines leave the gap from 9 to it open for the caption.
    const std::int32_t c = std::min(rect.right - 10, captionWidth + kCaptionX);
    if (h > 0 && c - kCaptionX > 0)
    {
        // Cut to its rectangle: a long caption ends at c instead of running over the frame's lines.
        const CRect captionRect(kCaptionX, 0, c, h);
        const CRect clip = context.GetClipRect();
        const CPoint& origin = context.GetOrigin();
        const CRect cut = clip.Intersection(CRect(captionRect.left + origin.x, captionRect.top + origin.y,
                                                  captionRect.right + origin.x, captionRect.bottom + origin.y));
        context.SetClipRect(cut.left, cut.top, cut.right, cut.bottom);
        DrawText(context, font, captionRect, 1, 0, caption, 0);
        context.SetClipRect(clip.left, clip.top, clip.right, clip.bottom);
    }
    const std::int32_t l = rect.left;
    const std::int32_t r = rect.right;
    const std::int32_t b = rect.bottom;
    const std::int32_t y = rect.top + h / 2;
    const std::int32_t gapLeft = kCaptionX - 1;
    Line(context, l, y, gapLeft, y, PaletteOuterShadow);
    Line(context, c, y, r - 2, y, PaletteOuterShadow);
    Line(context, l, y, l, b - 2, PaletteOuterShadow);
    Line(context, r - 2, y, r - 2, b - 2, PaletteOuterShadow);
    Line(context, l, b - 2, r - 2, b - 2, PaletteOuterShadow);
    Line(context, l + 1, y + 1, gapLeft, y + 1, PaletteOuterLight);
    Line(context, c, y + 1, r - 3, y + 1, PaletteOuterLight);
    Line(context, l + 1, y + 1, l + 1, b - 3, PaletteOuterLight);
    Line(context, r - 1, y + 1, r - 1, b - 1, PaletteOuterLight);
    Line(context, l + 1, b - 1, r - 1, b - 1, PaletteOuterLight);
}

void CStandardVisualization::DrawFrame(CDrawContext& context, const CRect& rect, std::int32_t frameStyle,
                                       std::int32_t)
{
    const std::int32_t l = rect.left;
    const std::int32_t t = rect.top;
    const std::int32_t r = rect.right;
    const std::int32_t b = rect.bottom;
    // The two nested rings of the 3D styles: outer top-left, inner top-left, inner bottom-right, outer
    // bottom-right.
    const auto rings = [&](std::int32_t outerTopLeft, std::int32_t innerTopLeft, std::int32_t innerBottomRight,
                           std::int32_t outerBottomRight) {
        Line(context, l, t, l, b - 1, outerTopLeft);
        Line(context, l, t, r - 1, t, outerTopLeft);
        Line(context, l + 1, t + 1, l + 1, b - 2, innerTopLeft);
        Line(context, l + 1, t + 1, r - 2, t + 1, innerTopLeft);
        Line(context, r - 2, t + 1, r - 2, b - 2, innerBottomRight);
        Line(context, l + 1, b - 2, r - 2, b - 2, innerBottomRight);
        Line(context, r - 1, t, r - 1, b - 1, outerBottomRight);
        Line(context, l, b - 1, r - 1, b - 1, outerBottomRight);
    };
    switch (frameStyle)
    {
    case 0:
        context.DrawRectFrame(rect, m_palette[PaletteOutline]);
        break;
    case 1: // sunken
        rings(PaletteInnerShadow, PaletteOuterShadow, PaletteInnerLight, PaletteOuterLight);
        break;
    case 2: // raised
    case 6:
    case 7:
        rings(PaletteOuterLight, PaletteInnerLight, PaletteInnerShadow, PaletteOuterShadow);
        break;
    case 3:
        context.DrawRectFrame(rect, m_palette[PaletteOutline]);
        Line(context, l + 1, t + 1, l + 1, b - 2, PaletteOuterLight);
        Line(context, l + 1, t + 1, r - 2, t + 1, PaletteOuterLight);
        Line(context, r - 2, t + 1, r - 2, b - 2, PaletteInnerShadow);
        Line(context, l + 1, b - 2, r - 2, b - 2, PaletteInnerShadow);
        break;
    case 5:
        context.DrawRectFrame(rect, m_palette[PaletteOutline]);
        context.DrawRectFrame(CRect(l + 1, t + 1, r - 1, b - 1), m_palette[PaletteInnerShadow]);
        break;
    case 8: // etched
        context.DrawRectFrame(CRect(l, t, r - 1, b - 1), m_palette[PaletteOuterShadow]);
        Line(context, l + 1, t + 1, r - 3, t + 1, PaletteOuterLight);
        Line(context, l + 1, t + 1, l + 1, b - 3, PaletteOuterLight);
        Line(context, r - 1, t, r - 1, b - 1, PaletteOuterLight);
        Line(context, l, b - 1, r - 1, b - 1, PaletteOuterLight);
        break;
    default: // 4 and unknown styles: no frame
        break;
    }
}

void CStandardVisualization::DrawImageButton(CDrawContext& context, const CRect& rect, std::int32_t frameStyle,
                                             std::int32_t fillStyle, const CBitmap* image)
{
    DrawFrame(context, rect, frameStyle, 0);
    const CRect inner = Inner(rect);
    FillBackground(context, inner, fillStyle);
    if (image != nullptr)
    {
        context.DrawBitmap(CPoint(inner.left, inner.top), *image, true);
    }
}

void CStandardVisualization::DrawCentredImageButton(CDrawContext& context, const CRect& rect,
                                                    std::int32_t frameStyle, const CBitmap& image)
{
    DrawImageButton(context, rect, frameStyle, FillFace, nullptr);
    // Centred in (0, 0, R, B): the controls draw these at their own origin.
    context.DrawBitmap(CPoint((rect.right - image.GetWidth()) / 2, (rect.bottom - image.GetHeight()) / 2), image,
                       true);
}

void CStandardVisualization::DrawCheckBox(CDrawContext& context, const CPoint& point, std::int32_t checkState,
                                          bool pushed)
{
    const CRect rect(point.x, point.y, point.x + m_metrics.checkBoxWidth, point.y + m_metrics.checkBoxHeight);
    const CBitmap* mark = checkState == 1 ? &m_images[ImageCheck]
                          : checkState == 2 ? &m_images[ImageCheckDefault]
                                            : nullptr;
    DrawImageButton(context, rect, 1, pushed ? FillCheckBoxPushed : FillCheckBox, mark);
}

void CStandardVisualization::DrawRadioButton(CDrawContext& context, const CPoint& point, bool selected,
                                             bool pressed)
{
    const std::int32_t image = selected ? (pressed ? ImageRadioSelectedAndDown : ImageRadioSelected)
                                        : (pressed ? ImageRadioClearAndDown : ImageRadioClear);
    context.DrawBitmap(point, m_images[image], true);
}

void CStandardVisualization::DrawTreeButton(CDrawContext& context, const CPoint& point, bool collapsed)
{
    context.DrawBitmap(point, m_images[collapsed ? ImageTreePlus : ImageTreeMinus], true);
}

void CStandardVisualization::DrawScrollBarButton(CDrawContext& context, const CPoint& point, std::int32_t direction,
                                                 std::int32_t frameStyle)
{
    static constexpr std::int32_t arrows[4] = {ImageScrollArrowUp, ImageScrollArrowDown, ImageScrollArrowLeft,
                                               ImageScrollArrowRight};
    const CRect rect(point.x, point.y, point.x + m_metrics.scrollBarButtonWidth,
                     point.y + m_metrics.scrollBarButtonHeight);
    DrawImageButton(context, rect, frameStyle, FillFace,
                    direction >= 0 && direction < 4 ? &m_images[arrows[direction]] : nullptr);
}

void CStandardVisualization::DrawScrollBarThumb(CDrawContext& context, const CRect& rect, std::int32_t)
{
    DrawImageButton(context, rect, 2, FillFace, nullptr);
}

void CStandardVisualization::DrawSliderThumb(CDrawContext& context, const CPoint& point, bool vertical,
                                             std::int32_t, bool disabled)
{
    const std::int32_t width =
        vertical ? m_metrics.verticalSliderThumbWidth : m_metrics.horizontalSliderThumbWidth;
    const std::int32_t height =
        vertical ? m_metrics.verticalSliderThumbHeight : m_metrics.horizontalSliderThumbHeight;
    DrawImageButton(context, CRect(point.x, point.y, point.x + width, point.y + height), 2,
                    disabled ? FillDisabledThumb : FillFace, nullptr);
}

void CStandardVisualization::DrawSliderTrack(CDrawContext& context, const CRect& rect, bool vertical)
{
    // A groove of the track thickness centred across the rectangle (divisions truncate toward zero).
    const std::int32_t thickness = m_metrics.sliderTrackThickness;
    if (vertical)
    {
        const std::int32_t left = rect.left + (rect.right - thickness - rect.left) / 2;
        DrawFrame(context, CRect(left, rect.top, left + thickness, rect.bottom), 1, 0);
    }
    else
    {
        const std::int32_t top = rect.top + (rect.bottom - rect.top - thickness) / 2;
        DrawFrame(context, CRect(rect.left, top, rect.right, top + thickness), 1, 0);
    }
}

void CStandardVisualization::DrawCaret(CDrawContext& context, std::int32_t fontIndex, const CPoint& point)
{
    const CResourcePtr<CFont>& font = FontAt(fontIndex);
    const std::int32_t height = font ? font->GetHeight() : 0;
    Line(context, point.x, point.y, point.x, point.y - height, PaletteOutline);
}

void CStandardVisualization::DrawSpinButton(CDrawContext& context, const CPoint& point, std::int32_t direction,
                                            std::int32_t frameStyle)
{
    static constexpr std::int32_t arrows[4] = {ImageSpinUp, ImageSpinDown, ImageSpinLeft, ImageSpinRight};
    const bool across = direction == DirectionLeft || direction == DirectionRight;
    const std::int32_t width = across ? m_metrics.horizontalSpinButtonWidth : m_metrics.verticalSpinButtonWidth;
    const std::int32_t height = across ? m_metrics.horizontalSpinButtonHeight : m_metrics.verticalSpinButtonHeight;
    DrawImageButton(context, CRect(point.x, point.y, point.x + width, point.y + height), frameStyle, FillFace,
                    direction >= 0 && direction < 4 ? &m_images[arrows[direction]] : nullptr);
}

void CStandardVisualization::DrawComboButton(CDrawContext& context, const CRect& rect, std::int32_t frameStyle)
{
    DrawCentredImageButton(context, rect, frameStyle, m_images[ImageScrollArrowDown]);
}

void CStandardVisualization::DrawCloseButton(CDrawContext& context, const CRect& rect, std::int32_t frameStyle)
{
    DrawCentredImageButton(context, rect, frameStyle, m_images[ImageClose]);
}

void CStandardVisualization::DrawCaptionBar(CDrawContext& context, const CPoint& point, std::int32_t width,
                                            const BaseLib::CString& caption, bool active)
{
    context.FillRect(CRect(point.x, point.y, point.x + width, point.y + m_metrics.captionHeight),
                     m_palette[active ? PaletteActiveCaption : PaletteInactiveCaption]);
    // The baseline centres a line of font 0 in the bar, at the bar's own origin.
    const CResourcePtr<CFont>& metricsFont = FontAt(FontDefault);
    const std::int32_t h = metricsFont ? metricsFont->GetHeight() : 0;
    const std::int32_t a = metricsFont ? metricsFont->GetAscent() : 0;
    context.DrawTextAt(FontAt(FontCaptionBar), kCaptionX, (kCaptionHeight - h) / 2 + a + 1, caption,
                       m_palette[PaletteCaptionText], 0);
}

} // namespace UILib
