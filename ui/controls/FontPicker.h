#pragma once

#include "foundation/String.h"
#include "ui/Callback.h"
#include "ui/HandleTable.h"
#include "ui/controls/DialogWindow.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace UILib
{

class CBasicButton;
class CBasicSpinControl;
class CButton;
class CCheckBox;
class CComboBox;
class CEditControl;
class CFilePicker;
class CFontPicker;
class CLabel;
class CSpinControlNumber;
using CFontPickerCallback = CCallback<CFontPicker*>;
using CFontPickerClosedCallback = CCallback<CFontPicker*, bool>;

// Fills a face name list: "Don't care" first, then each name in the given order unless the list already
// holds that exact text. No sorting.
void AddFontFaceItems(CComboBox& list, const std::vector<std::string>& faces);

// A dialog in which the user composes a font description (the XML text LoadFontDescription reads) for a
// bitmap font (strip file, characters and five metrics) or a system font (face, locale, height, weight
// and four style switches), laid out in code on two pages switched by "__fonttype". Every change of a
// field rebuilds the description and draws a sample sentence in the described font below the pages.
// OK and Cancel only notify ("FontPick"/"FontCncl" and the closed callback); the receiver reads
// GetDescription and closes the picker.
class CFontPicker : public CDialogWindow
{
public:
    // The font types: the pages' indices and the values SetFontType takes.
    static constexpr std::int32_t NoType = -1;
    static constexpr std::int32_t SystemFont = 0;
    static constexpr std::int32_t BitmapFont = 1;

    static constexpr const char* LowerCaseSentence = "The quick brown fox jumped over the lazy dogs.";
    static constexpr const char* UpperCaseSentence = "THE QUICK BROWN FOX JUMPED OVER THE LAZY DOGS.";

    CFontPicker();
    // Destroys a file picker still open from "__browse" with this picker.
    ~CFontPicker() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CFontPicker"; }
    // OK's and Cancel's "BtnClick" end the dialog; everything else as a window.
    bool OnMessage(const CWindowMessage& message) override;

    // Posts "FontPick" (OK) or "FontCncl" to the notification target when it still exists, else to the
    // parent, then fires the closed callback; neither while events are suppressed. The picker stays.
    virtual void EndDialog(bool cancelled);
    // Fires the changed callback unless events are suppressed.
    virtual void NotifyChanged();

    // The font description the fields make; empty only while the constructor runs.
    BaseLib::CString GetDescription() const { return m_description; }
    // The window told "FontPick"/"FontCncl" in place of the parent; 0 for the parent.
    void SetNotificationTarget(Handle target) { m_notificationTarget = target; }
    Handle GetNotificationTarget() const { return m_notificationTarget; }
    // Called after every rebuild of the description.
    void SetOnChanged(const CFontPickerCallback& callback) { m_onChanged = callback; }
    // Called with cancelled by OK and Cancel.
    void SetOnClosed(const CFontPickerClosedCallback& callback) { m_onClosed = callback; }

    // BitmapFont or SystemFont: the font type list follows, the page of the type is the one shown, and
    // the preview is rebuilt. The current type does nothing.
    void SetFontType(std::int32_t type);
    std::int32_t GetFontType() const { return m_fontType; }
    // Rebuilds the description from the fields of the current type, gives it to the preview as its font
    // and shows the sample sentence, in capitals when that font has no width for 'e'; then
    // NotifyChanged. Does nothing before the constructor has chosen a type.
    void UpdatePreview();

    // Opens a modal file picker for images in the picker's layer; its result goes to OnBitmapFilePicked.
    // Does nothing while one is open.
    void OnBrowse(CBasicButton* button);
    // A picked file becomes the text of "__bitmap" in alias form, else (outside every alias folder) as
    // the absolute path with a trace; the file picker is destroyed either way.
    void OnBitmapFilePicked(CFilePicker* filePicker, bool cancelled);
    // The file picker opened by "__browse", null when none is open.
    CFilePicker* GetFilePicker() const;

    void OnFontTypeChanged(CComboBox* list);
    void OnEditChanged(CEditControl* edit);
    void OnSpinChanged(CBasicSpinControl* spin);
    void OnListChanged(CComboBox* list);
    void OnCheckBoxChanged(CCheckBox* checkBox);

private:
    CEditControl* AddEdit(CWindow* page, const char* name, std::int32_t x, std::int32_t y, std::int32_t width,
                          const char* text);
    CSpinControlNumber* AddSpin(CWindow* page, const char* name, std::int32_t x, std::int32_t y,
                                float minimum, float maximum, float step, std::int32_t decimals,
                                double value);
    CComboBox* AddList(CWindow* page, const char* name, std::int32_t y,
                       const std::vector<const char*>& items);
    CCheckBox* AddCheckBox(CWindow* page, const char* name, std::int32_t x, std::int32_t y, const char* text);
    CWindow* Page(std::int32_t type) const;

    std::int32_t m_fontType = NoType;
    BaseLib::CString m_description;
    Handle m_fontTypeList = 0;
    std::array<Handle, 2> m_pages{};
    Handle m_bitmap = 0;
    Handle m_characters = 0;
    Handle m_spaceWidth = 0;
    Handle m_baseline = 0;
    Handle m_kerningBias = 0;
    Handle m_cursivity = 0;
    Handle m_scaling = 0;
    Handle m_faceName = 0;
    Handle m_locale = 0;
    Handle m_height = 0;
    Handle m_weight = 0;
    Handle m_fixedWidth = 0;
    Handle m_underline = 0;
    Handle m_italics = 0;
    Handle m_strikeOut = 0;
    Handle m_preview = 0;
    Handle m_okButton = 0;
    Handle m_cancelButton = 0;
    Handle m_notificationTarget = 0;
    Handle m_filePicker = 0;
    CFontPickerCallback m_onChanged;
    CFontPickerClosedCallback m_onClosed;
};

} // namespace UILib
