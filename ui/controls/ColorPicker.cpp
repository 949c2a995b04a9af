#include "ui/controls/ColorPicker.h"

#include "ui/Panel.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/HsvColor.h"
#include "ui/controls/Label.h"
#include "ui/controls/ResolveAs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace UILib
{

using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CString;

namespace
{

constexpr std::int32_t SquareSide = 256;
constexpr std::int32_t StripWidth = 20;
constexpr std::int32_t CrossCursor = 7;

// Places a new child of the picker (its client area).
template <typename W>
W* AddChildWindow(CColorPicker& picker, W* window, const char* name, std::int32_t x, std::int32_t y,
                  std::int32_t width, std::int32_t height)
{
    window->SetName(name);
    window->SetSize(width, height);
    window->SetPosition(x, y);
    picker.AddChild(window->GetHandle());
    return window;
}

// Channel 3 red, 4 green, 5 blue of the word set to value.
CColor WithChannel(CColor colour, std::int32_t component, std::uint32_t value)
{
    const std::uint32_t shift = component == CColorPicker::Red     ? 16u
                                : component == CColorPicker::Green ? 8u
                                                                   : 0u;
    return CColor::FromArgb((colour.argb & ~(0xFFu << shift)) | (value & 0xFFu) << shift);
}

// The colour's hue, saturation and value as 0 … 1, in component order.
std::array<float, 3> UnitHsv(CColor colour)
{
    const CHsvColor hsv = ColorToHsv(colour);
    return {hsv.hue / 360.0f, static_cast<float>(hsv.saturation) / 100.0f,
            static_cast<float>(hsv.value) / 100.0f};
}

CColor FromUnitHsv(const std::array<float, 3>& hsv)
{
    return HsvToColor(UnitHsvaToHsv(hsv[0], hsv[1], hsv[2], 1.0f));
}

bool IsRgb(std::int32_t component)
{
    return component >= CColorPicker::Red;
}

} // namespace

CColorPicker::CColorPicker()
{
    SetCaption("Color Picker");
    SetSize(475, 305);
    m_square = CBitmap(SquareSide, SquareSide, true);
    m_strip = CBitmap(StripWidth, SquareSide, true);
    m_alpha = CBitmap(StripWidth, SquareSide, true);

    auto* ok = AddChildWindow(*this, new CButton(), "__okbutton", 395, 10, 70, 20);
    ok->SetText("OK");
    m_okButton = ok->GetHandle();
    auto* cancel = AddChildWindow(*this, new CButton(), "__cancelbutton", 395, 40, 70, 20);
    cancel->SetText("Cancel");
    m_cancelButton = cancel->GetHandle();
    m_swatch = AddChildWindow(*this, new CPanel(), "__colorpanel", 335, 10, 50, 50)->GetHandle();
    m_squareArea = AddPickArea("__bigpicker", m_square, 10, 10, &CColorPicker::OnSquarePicked)->GetHandle();
    m_stripArea = AddPickArea("__smallpicker", m_strip, 275, 10, &CColorPicker::OnStripPicked)->GetHandle();
    m_alphaArea = AddPickArea("__alphapicker", m_alpha, 305, 10, &CColorPicker::OnAlphaPicked)->GetHandle();

    char name[32];
    for (std::int32_t i = 0; i < RowCount; ++i)
    {
        const std::int32_t y = 70 + 25 * i;
        std::snprintf(name, sizeof(name), "__radio%d", i);
        auto* radio = AddChildWindow(*this, new CRadioButton(), name, 335, y, 50, 20);
        radio->SetOnChange(CRadioButtonCallback::Bind(this, &CColorPicker::OnModeChanged));
        m_rows[i].radio = radio->GetHandle();

        std::snprintf(name, sizeof(name), "__edit%d", i);
        auto* edit = AddChildWindow(*this, new CEditControl(), name, 385, y, 40, 20);
        edit->SetMaximumSize(BaseLib::CSize(40, 20));
        edit->SetPermittedChars("0123456789");
        edit->SetTextLimit(3);
        void (CColorPicker::*onEdited)(CEditControl*) = i < Red        ? &CColorPicker::OnHsvEdited
                                                        : i < AlphaRow ? &CColorPicker::OnRgbEdited
                                                                       : &CColorPicker::OnAlphaEdited;
        edit->SetChangeCallback(CEditControl::CEditCallback::Bind(this, onEdited));
        m_rows[i].edit = edit->GetHandle();

        std::snprintf(name, sizeof(name), "__unitlabel%d", i);
        auto* unit = AddChildWindow(*this, new CLabel(), name, 425, y, 20, 20);
        unit->SetText(CString());
        m_rows[i].unitLabel = unit->GetHandle();
    }

    // Its change callback sets the mode and builds the square and the strip.
    ResolveAs<CRadioButton>(m_rows[0].radio)->SetSelected(true);

    static const char* const radioTexts[RowCount] = {"H:", "S:", "B:", "R:", "G:", "B:", "A:"};
    for (std::int32_t i = 0; i < RowCount; ++i)
    {
        ResolveAs<CRadioButton>(m_rows[i].radio)->SetText(radioTexts[i]);
    }
    // The degree sign, U+00B0 in UTF-8.
    ResolveAs<CLabel>(m_rows[0].unitLabel)->SetText("\xC2\xB0");
    ResolveAs<CLabel>(m_rows[1].unitLabel)->SetText("%");
    ResolveAs<CLabel>(m_rows[2].unitLabel)->SetText("%");

    // Alpha has no strip mode: a plain label stands in for its radio button.
    CRadioButton* alphaRadio = ResolveAs<CRadioButton>(m_rows[AlphaRow].radio);
    alphaRadio->SetDisabled(true);
    alphaRadio->SetVisible(false);
    auto* alphaLabel = AddChildWindow(*this, new CLabel(), "__label", 358, 70 + 25 * AlphaRow, 20, 20);
    alphaLabel->SetText("A:");

    RefreshFields();
    BuildAlphaBitmap();
    CreateOwnCanvas();
}

CColorPicker::~CColorPicker() = default;

CWindow* CColorPicker::Create()
{
    return new CColorPicker();
}

CColorPicker::CPickArea* CColorPicker::AddPickArea(const char* name, const CBitmap& bitmap, std::int32_t x,
                                                   std::int32_t y,
                                                   void (CColorPicker::*handler)(CPickArea*, const CPoint&))
{
    CPickArea* area = CPickArea::Create();
    area->SetName(name);
    area->SetBitmap(bitmap);
    area->SetSize(bitmap.GetWidth(), bitmap.GetHeight());
    // The area grows by its frame so that the bitmap lies inside it, where picks are measured from.
    area->ApplyVisualization();
    area->SetPosition(x, y);
    area->SetCursorType(CrossCursor);
    area->SetCallback(CPickCallback::Bind(this, handler));
    AddChild(area->GetHandle());
    return area;
}

bool CColorPicker::OnMessage(const CWindowMessage& message)
{
    if (message.Is("BtnClick"))
    {
        if (message.second == m_okButton)
        {
            EndDialog(false);
            return true;
        }
        if (message.second == m_cancelButton)
        {
            EndDialog(true);
            return true;
        }
    }
    return CDialogWindow::OnMessage(message);
}

void CColorPicker::EndDialog(bool cancelled)
{
    if (AreEventsSuppressed())
    {
        return;
    }
    PostDialogResult(*this, m_notificationTarget, cancelled ? "ColrCncl" : "ColrPick");
    if (m_onClosed.IsSet())
    {
        m_onClosed(this, cancelled);
    }
}

void CColorPicker::NotifyChanged()
{
    if (!AreEventsSuppressed() && m_onChanged.IsSet())
    {
        m_onChanged(this);
    }
}

void CColorPicker::SetColor(CColor colour)
{
    m_colour = colour;
    BuildSquareBitmap();
    BuildStripBitmap();
    RefreshFields();
}

CEditControl* CColorPicker::Edit(std::int32_t row) const
{
    return ResolveAs<CEditControl>(m_rows[row].edit);
}

std::uint8_t CColorPicker::FieldValue(std::int32_t row) const
{
    const CEditControl* edit = Edit(row);
    if (edit == nullptr)
    {
        return 0;
    }
    const CString text = edit->GetText();
    return static_cast<std::uint8_t>(std::strtol(text, nullptr, 10) & 0xFF);
}

void CColorPicker::RefreshFields()
{
    if (CPanel* swatch = ResolveAs<CPanel>(m_swatch); swatch != nullptr && swatch->GetColor() != m_colour)
    {
        swatch->SetColor(m_colour);
    }
    const CHsvColor hsv = ColorToHsv(m_colour);
    const std::int32_t values[RowCount] = {static_cast<std::int32_t>(hsv.hue),
                                           hsv.saturation,
                                           hsv.value,
                                           m_colour.GetRed(),
                                           m_colour.GetGreen(),
                                           m_colour.GetBlue(),
                                           m_colour.GetAlpha()};
    char text[16];
    for (std::int32_t i = 0; i < RowCount; ++i)
    {
        // A changed text fires the field's callback, which may refresh again; that ends once every text
        // already holds its value.
        if (CEditControl* edit = Edit(i))
        {
            std::snprintf(text, sizeof(text), "%d", values[i]);
            edit->SetText(text);
        }
    }
    NotifyChanged();
}

void CColorPicker::BuildSquareBitmap()
{
    CColor* pixels = m_square.GetWritablePixels();
    if (pixels == nullptr)
    {
        return;
    }
    if (IsRgb(m_mode))
    {
        for (std::int32_t row = 0; row < SquareSide; ++row)
        {
            const CColor rowColour = WithChannel(m_colour, m_squareY, static_cast<std::uint32_t>(255 - row));
            for (std::int32_t column = 0; column < SquareSide; ++column)
            {
                *pixels++ = WithChannel(rowColour, m_squareX, static_cast<std::uint32_t>(column));
            }
        }
    }
    else
    {
        std::array<float, 3> hsv = UnitHsv(m_colour);
        for (std::int32_t row = 0; row < SquareSide; ++row)
        {
            hsv[m_squareY] = static_cast<float>(255 - row) / 255.0f;
            for (std::int32_t column = 0; column < SquareSide; ++column)
            {
                hsv[m_squareX] = static_cast<float>(column) / 255.0f;
                *pixels++ = FromUnitHsv(hsv);
            }
        }
    }
    if (CPickArea* area = ResolveAs<CPickArea>(m_squareArea))
    {
        area->SetBitmap(m_square);
    }
}

void CColorPicker::BuildStripBitmap()
{
    CColor* pixels = m_strip.GetWritablePixels();
    if (pixels == nullptr)
    {
        return;
    }
    std::array<float, 3> hsv = UnitHsv(m_colour);
    if (m_mode == Hue)
    {
        hsv[Saturation] = 1.0f;
        hsv[Value] = 1.0f;
    }
    for (std::int32_t row = 0; row < SquareSide; ++row)
    {
        const std::int32_t k = 255 - row;
        CColor colour;
        if (IsRgb(m_mode))
        {
            colour = WithChannel(m_colour, m_mode, static_cast<std::uint32_t>(k));
        }
        else
        {
            hsv[m_mode] = static_cast<float>(k) / 255.0f;
            colour = FromUnitHsv(hsv);
        }
        std::fill(pixels, pixels + StripWidth, colour);
        pixels += StripWidth;
    }
    if (CPickArea* area = ResolveAs<CPickArea>(m_stripArea))
    {
        area->SetBitmap(m_strip);
    }
}

void CColorPicker::BuildAlphaBitmap()
{
    CColor* pixels = m_alpha.GetWritablePixels();
    if (pixels == nullptr)
    {
        return;
    }
    for (std::int32_t row = 0; row < SquareSide; ++row)
    {
        std::fill(pixels, pixels + StripWidth, CColor(row, row, row, 255));
        pixels += StripWidth;
    }
    if (CPickArea* area = ResolveAs<CPickArea>(m_alphaArea))
    {
        area->SetBitmap(m_alpha);
    }
}

void CColorPicker::OnSquarePicked(CPickArea*, const CPoint& point)
{
    m_colour = m_square.GetPixels()[point.y * SquareSide + point.x];
    RefreshFields();
    BuildStripBitmap();
}

void CColorPicker::OnStripPicked(CPickArea*, const CPoint& point)
{
    m_colour = m_strip.GetPixels()[point.y * StripWidth + point.x];
    RefreshFields();
    BuildSquareBitmap();
}

void CColorPicker::OnAlphaPicked(CPickArea*, const CPoint& point)
{
    m_colour.SetAlpha(m_alpha.GetPixels()[point.y * StripWidth].GetRed());
    RefreshFields();
}

void CColorPicker::OnModeChanged(CRadioButton* radio)
{
    if (radio == nullptr || !radio->GetSelected())
    {
        return;
    }
    // The strip's component, then the square's horizontal and vertical ones, by row.
    static const std::int32_t axes[6][3] = {{Hue, Saturation, Value}, {Saturation, Hue, Value},
                                            {Value, Hue, Saturation}, {Red, Green, Blue},
                                            {Green, Red, Blue},       {Blue, Red, Green}};
    for (std::int32_t row = 0; row < 6; ++row)
    {
        if (m_rows[row].radio == radio->GetHandle())
        {
            m_mode = axes[row][0];
            m_squareX = axes[row][1];
            m_squareY = axes[row][2];
        }
    }
    BuildSquareBitmap();
    BuildStripBitmap();
}

void CColorPicker::OnRgbEdited(CEditControl* edit)
{
    const std::uint8_t red = FieldValue(Red);
    const std::uint8_t green = FieldValue(Green);
    const std::uint8_t blue = FieldValue(Blue);
    const Handle sender = edit != nullptr ? edit->GetHandle() : 0;
    const bool changed = (sender == m_rows[Red].edit && red != m_colour.GetRed()) ||
                         (sender == m_rows[Green].edit && green != m_colour.GetGreen()) ||
                         (sender == m_rows[Blue].edit && blue != m_colour.GetBlue());
    if (!changed)
    {
        return;
    }
    m_colour = CColor(red, green, blue, m_colour.GetAlpha());
    BuildSquareBitmap();
    BuildStripBitmap();
    RefreshFields();
}

void CColorPicker::OnAlphaEdited(CEditControl*)
{
    m_colour.SetAlpha(FieldValue(AlphaRow));
    RefreshFields();
}

void CColorPicker::OnHsvEdited(CEditControl*)
{
    RefreshFields();
}

} // namespace UILib
