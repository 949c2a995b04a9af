#pragma once

#include "foundation/String.h"
#include "ui/Callback.h"
#include "ui/controls/DialogWindow.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace UILib
{

class CButton;
class CComboBox;
class CEditControl;
class CFileBrowserList;
class CFilePicker;
// Called with the picker and whether it was cancelled.
using CFilePickerCallback = CCallback<CFilePicker*, bool>;

// The window system's own open and save dialog: a file browser list ("__list"), a combo box of file
// types ("__extensioncombobox", entries "description (pattern)"), a file-name field ("__filenameedit"),
// OK ("__okbutton": "Open" or "Save") and Cancel ("__cancelbutton"). OK, a double click on a file,
// Cancel, Escape and the close button end it: "FilePick" or "PickCncl" is posted to the notify window
// (the parent when there is none) and the result callback runs. The picker stays as it is; its owner
// hides or destroys it. In save mode a name of an existing file is confirmed first.
class CFilePicker : public CDialogWindow
{
public:
    static constexpr std::int32_t OpenMode = 0;
    static constexpr std::int32_t SaveMode = 1;
    // Kinds of entries OK accepts in open mode.
    static constexpr std::uint32_t PickFiles = 1;
    static constexpr std::uint32_t PickFolders = 2;
    static constexpr std::uint32_t PickDrives = 4;

    CFilePicker();
    ~CFilePicker() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CFilePicker"; }
    bool OnMessage(const CWindowMessage& message) override;
    // Escape cancels.
    bool OnKeyDown(std::uint32_t key, std::uint8_t modifiers) override;
    bool OnSize() override;
    // Centres the picker in its parent.
    bool ApplyVisualization() override;
    // The close button cancels.
    bool OnClose() override;

    // Unless events are suppressed: posts "PickCncl" or "FilePick", then calls the result callback.
    virtual void EndDialog(bool cancelled);

    // 0 open ("Open", "Open File"), any other save ("Save", "Save File As").
    void SetMode(std::int32_t mode);
    std::int32_t GetMode() const { return m_mode; }
    // The newest filter becomes the current one.
    void AddFilter(const BaseLib::CString& description, const BaseLib::CString& pattern);
    void ClearFilters();
    const std::vector<std::pair<BaseLib::CString, BaseLib::CString>>& GetFilters() const { return m_filters; }
    void SetDirectory(const BaseLib::CString& path);
    BaseLib::CString GetDirectory() const;
    // Points the list at the path: its folder part, then the entry of its name part.
    void SetFileName(const BaseLib::CString& path);
    // The chosen path.
    BaseLib::CString GetFileName() const { return m_fileName; }
    void SetPickableKinds(std::uint32_t kinds);
    std::uint32_t GetPickableKinds() const { return m_pickableKinds; }
    void SetConfirmOverwrite(bool confirm) { m_confirmOverwrite = confirm; }
    bool GetConfirmOverwrite() const { return m_confirmOverwrite; }
    // The window told the result in place of the parent; 0 for the parent.
    void SetNotifyWindow(Handle window) { m_notifyWindow = window; }
    Handle GetNotifyWindow() const { return m_notifyWindow; }
    void SetCallback(const CFilePickerCallback& callback) { m_callback = callback; }

    // Enables OK by the mode, the selected entry, the pickable kinds and the file-name field.
    void UpdateOkButton();
    // OK: takes the selected path (open) or folder and typed name (save, asking first about an
    // existing file), then ends the dialog.
    void Accept();

    // The parts; null when gone.
    CFileBrowserList* GetBrowserList() const;
    CComboBox* GetTypeComboBox() const;
    CEditControl* GetFileNameEdit() const;
    CButton* GetOkButton() const;
    CButton* GetCancelButton() const;
    // The open overwrite question, 0 when none.
    Handle GetOverwriteQuestion() const { return m_question; }

private:
    void OnOverwriteAnswer(std::int32_t result);

    std::vector<std::pair<BaseLib::CString, BaseLib::CString>> m_filters;
    Handle m_okButton = 0;
    Handle m_cancelButton = 0;
    Handle m_list = 0;
    Handle m_typeCombo = 0;
    Handle m_fileNameEdit = 0;
    BaseLib::CString m_fileName;
    Handle m_notifyWindow = 0;
    std::int32_t m_mode = OpenMode;
    std::uint32_t m_pickableKinds = PickFiles;
    bool m_confirmOverwrite = true;
    CFilePickerCallback m_callback;
    Handle m_question = 0;
};

} // namespace UILib
