#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "ui/Bitmap.h"
#include "ui/Callback.h"
#include "ui/HandleTable.h"
#include "ui/controls/ColorPickArea.h"
#include "ui/controls/DialogWindow.h"

#include <array>
#include <cstdint>

namespace UILib
{

class CButton;
class CColorPicker;
class CEditControl;
class CLabel;
class CPanel;
class CRadioButton;
using CColorPickerCallback = CCallback<CColorPicker*>;
using CColorPickerClosedCallback = CCallback<CColorPicker*, bool>;

// A dialog for choosing one 32-bit colour with alpha, laid out in code: a 256 × 256 square of two
// components, a strip for the third, a grey alpha strip, six radio buttons choosing which of hue,
// saturation, brightness, red, green or blue the strip controls, seven number fields (H, S, B, R, G, B,
// A) and a swatch of the current colour. OK and Cancel only notify ("ColrPick"/"ColrCncl" and the closed
// callback); the receiver closes the picker. Hue, saturation and brightness typed into their fields do
// not change the colour: the fields show the colour's own values again.
class CColorPicker : public CDialogWindow
{
public:
    using CPickArea = CColorPickArea;

    // The components, numbered as the axes and the strip modes use them; value shows as "B:".
    enum Component
    {
        Hue,
        Saturation,
        Value,
        Red,
        Green,
        Blue
    };
    static constexpr std::int32_t RowCount = 7;
    static constexpr std::int32_t AlphaRow = 6;

    CColorPicker();
    ~CColorPicker() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CColorPicker"; }
    // OK's and Cancel's "BtnClick" end the dialog; everything else as a window.
    bool OnMessage(const CWindowMessage& message) override;

    // Posts "ColrPick" (OK) or "ColrCncl" to the notification target when it still exists, else to the
    // parent, then fires the closed callback; neither while events are suppressed. The picker stays.
    virtual void EndDialog(bool cancelled);
    // Fires the changed callback unless events are suppressed.
    virtual void NotifyChanged();

    // The colour; setting it rebuilds the square and the strip and refreshes the fields.
    void SetColor(BaseLib::CColor colour);
    BaseLib::CColor GetColor() const { return m_colour; }
    // The window told "ColrPick"/"ColrCncl" in place of the parent; 0 for the parent.
    void SetNotificationTarget(Handle target) { m_notificationTarget = target; }
    Handle GetNotificationTarget() const { return m_notificationTarget; }
    // Called after every refresh of the fields.
    void SetOnChanged(const CColorPickerCallback& callback) { m_onChanged = callback; }
    // Called with cancelled by OK and Cancel.
    void SetOnClosed(const CColorPickerClosedCallback& callback) { m_onClosed = callback; }

    // The strip's component (0 … 5) and the square's horizontal and vertical ones.
    std::int32_t GetMode() const { return m_mode; }
    std::int32_t GetSquareX() const { return m_squareX; }
    std::int32_t GetSquareY() const { return m_squareY; }

    // The swatch set to the colour, the seven fields written with the colour's values, then NotifyChanged.
    void RefreshFields();
    // Rows from the top 255 … 0 along the square's vertical component, columns 0 … 255 along the
    // horizontal one; the rest from the colour (RGB modes keep its alpha, HSV modes are opaque).
    void BuildSquareBitmap();
    // The mode's component from 255 (1.0) at the top to 0 at the bottom; the hue strip at full
    // saturation and value.
    void BuildStripBitmap();
    // Opaque grey from black at the top to white at the bottom: row y is (y, y, y, 255).
    void BuildAlphaBitmap();

    void OnSquarePicked(CPickArea* area, const BaseLib::CPoint& point);
    void OnStripPicked(CPickArea* area, const BaseLib::CPoint& point);
    void OnAlphaPicked(CPickArea* area, const BaseLib::CPoint& point);
    // Only a radio button that is now selected changes the mode and the axes.
    void OnModeChanged(CRadioButton* radio);
    // A red, green or blue field whose value (low 8 bits, empty = 0) differs from the colour's channel
    // sets red, green and blue from the three fields.
    void OnRgbEdited(CEditControl* edit);
    void OnAlphaEdited(CEditControl* edit);
    void OnHsvEdited(CEditControl* edit);

private:
    struct Row
    {
        Handle radio = 0;
        Handle edit = 0;
        Handle unitLabel = 0;
    };

    CPickArea* AddPickArea(const char* name, const CBitmap& bitmap, std::int32_t x, std::int32_t y,
                           void (CColorPicker::*handler)(CPickArea*, const BaseLib::CPoint&));
    CEditControl* Edit(std::int32_t row) const;
    // The field's number: decimal, empty or unreadable as 0, the low 8 bits kept.
    std::uint8_t FieldValue(std::int32_t row) const;

    std::int32_t m_mode = Hue;
    std::int32_t m_squareX = Saturation;
    std::int32_t m_squareY = Value;
    BaseLib::CColor m_colour{255, 255, 255, 255};
    Handle m_okButton = 0;
    Handle m_cancelButton = 0;
    Handle m_swatch = 0;
    Handle m_squareArea = 0;
    Handle m_stripArea = 0;
    Handle m_alphaArea = 0;
    CBitmap m_square;
    CBitmap m_strip;
    CBitmap m_alpha;
    std::array<Row, RowCount> m_rows;
    Handle m_notificationTarget = 0;
    CColorPickerCallback m_onChanged;
    CColorPickerClosedCallback m_onClosed;
};

} // namespace UILib
