#pragma once

#include "foundation/String.h"
#include "ui/Callback.h"
#include "ui/Panel.h"

#include <cstdint>

namespace UILib
{

class CButton;
class CEditControl;
class CFileEditCombo;
class CFilePicker;
using CFileEditComboCallback = CCallback<CFileEditCombo*>;

// A file-name field ("__editbutton") with a "..." button ("__browsebutton") at its right that opens a
// file picker ("__picker", owned, outside the window tree while closed). The control keeps the chosen
// file's name and its folder apart; the field shows the full path or only the name. Every change of the
// shown file, by typing or by picking, calls the file-changed callback.
class CFileEditCombo : public CTransparentWindow
{
public:
    static constexpr std::int32_t ShowOnlyFilename = 0;
    static constexpr std::int32_t ShowFullPath = 1;

    CFileEditCombo();
    ~CFileEditCombo() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CFileEditCombo"; }
    // The window's list, then "Display Mode".
    void GetProperties(CPropertyList& list) override;
    // The button opens the picker; typing takes the field's text as the file name.
    bool OnMessage(const CWindowMessage& message) override;
    // The button, 3h / 2 wide, at the right; the field left of it, 10 pixels apart.
    bool OnSize() override;

    // Calls the file-changed callback unless events are suppressed.
    virtual void OnFileChanged();

    BaseLib::CString GetFileName() const { return m_fileName; }
    BaseLib::CString GetDirectory() const { return m_folder; }
    BaseLib::CString GetFullPath() const { return m_folder + m_fileName; }
    // Points the picker at the path and takes name and folder from there: an empty name part gives no
    // name, a name no entry matches is taken as given, a matched entry gives its name. The same path
    // (exactly) changes nothing.
    void SetFileName(const BaseLib::CString& path);
    // Moves the picker's list when the folder differs from the stored one.
    void SetDirectory(const BaseLib::CString& folder);
    void SetDisplayMode(std::int32_t mode);
    std::int32_t GetDisplayMode() const { return m_displayMode; }
    void AddFilter(const BaseLib::CString& description, const BaseLib::CString& pattern);
    void SetConfirmOverwrite(bool confirm);
    // The picker's pickable kinds: 1 files, 2 folders, 4 drives.
    void SetSelectableEntries(std::uint32_t kinds);
    void SetOnFileChanged(const CFileEditComboCallback& callback) { m_onFileChanged = callback; }

    // The picker closed: a confirmed choice is taken; the picker leaves the modal stack and its parent.
    void OnPickerClosed(CFilePicker* picker, bool cancelled);

    CEditControl* GetEdit() const;
    CButton* GetButton() const;
    CFilePicker* GetPicker() const { return m_picker; }

private:
    // Name (after the last "/") and folder from the picker's choice.
    void TakePickerResult();
    // Shows the full path or the name; a changed text calls OnFileChanged.
    void UpdateDisplayedText();

    Handle m_edit = 0;
    Handle m_button = 0;
    CFilePicker* m_picker = nullptr;
    BaseLib::CString m_fileName;
    BaseLib::CString m_folder;
    std::int32_t m_displayMode = ShowFullPath;
    CFileEditComboCallback m_onFileChanged;
};

} // namespace UILib
