#include "ui/controls/FilePicker.h"

#include "foundation/Paths.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/MessageBox.h"

namespace UILib
{

using BaseLib::CString;

namespace
{

constexpr std::uint32_t KeyEscape = 266;

template <typename W> W* WindowOf(Handle handle)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && handle != 0 ? static_cast<W*>(manager->Resolve(handle)) : nullptr;
}

template <typename W> Handle AddPart(CFilePicker& picker, W* window, const char* name)
{
    window->SetName(name);
    picker.AddChild(window->GetHandle());
    return window->GetHandle();
}

} // namespace

CFilePicker::CFilePicker()
{
    m_list = AddPart(*this, new CFileBrowserList(), "__list");
    auto* combo = new CComboBox();
    combo->SetAllowAnyText(false);
    m_typeCombo = AddPart(*this, combo, "__extensioncombobox");
    auto* edit = new CEditControl();
    edit->SetText(CString());
    m_fileNameEdit = AddPart(*this, edit, "__filenameedit");
    auto* ok = new CButton();
    ok->SetText("OK");
    m_okButton = AddPart(*this, ok, "__okbutton");
    auto* cancel = new CButton();
    cancel->SetText("Cancel");
    m_cancelButton = AddPart(*this, cancel, "__cancelbutton");
    AddFilter("All Files", "*.*");
    // The open mode's texts from the start: SetMode changes them only on a change of mode.
    ok->SetText("Open");
    SetCaption("Open File");
    SetSize(350, 400);
    if (!GetCloseButton())
    {
        SetCloseButton(true);
    }
    OnSize();
    CreateOwnCanvas();
    SetDirectory("");
    UpdateOkButton();
    ApplyVisualization();
}

CFilePicker::~CFilePicker()
{
    // The question's answer would reach back into this picker: it goes first, unanswered.
    if (CMessageBox* question = WindowOf<CMessageBox>(m_question))
    {
        question->SuppressEvents();
        question->Destroy();
    }
}

CWindow* CFilePicker::Create()
{
    return new CFilePicker();
}

CFileBrowserList* CFilePicker::GetBrowserList() const
{
    return WindowOf<CFileBrowserList>(m_list);
}

CComboBox* CFilePicker::GetTypeComboBox() const
{
    return WindowOf<CComboBox>(m_typeCombo);
}

CEditControl* CFilePicker::GetFileNameEdit() const
{
    return WindowOf<CEditControl>(m_fileNameEdit);
}

CButton* CFilePicker::GetOkButton() const
{
    return WindowOf<CButton>(m_okButton);
}

CButton* CFilePicker::GetCancelButton() const
{
    return WindowOf<CButton>(m_cancelButton);
}

bool CFilePicker::OnSize()
{
    CDialogWindow::OnSize();
    const CWindow* client = GetClientArea();
    if (client == nullptr)
    {
        return true;
    }
    const std::int32_t cw = client->GetSize().cx;
    const std::int32_t ch = client->GetSize().cy;
    const auto place = [](CWindow* window, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
        if (window != nullptr)
        {
            window->SetPosition(x, y);
            window->SetSize(w, h);
        }
    };
    place(GetBrowserList(), 10, 10, cw - 20, ch - 80);
    place(GetTypeComboBox(), 10, ch - 60, GetSize().cx - 90, 20);
    place(GetFileNameEdit(), 10, ch - 30, GetSize().cx - 90, 20);
    place(GetOkButton(), cw - 70, ch - 60, 60, 20);
    place(GetCancelButton(), cw - 70, ch - 30, 60, 20);
    return true;
}

bool CFilePicker::ApplyVisualization()
{
    if (const CWindow* parent = WindowOf<CWindow>(GetParentHandle()))
    {
        SetPosition((parent->GetSize().cx - GetSize().cx) / 2, (parent->GetSize().cy - GetSize().cy) / 2);
    }
    return CDialogWindow::ApplyVisualization();
}

void CFilePicker::SetMode(std::int32_t mode)
{
    if (mode == m_mode)
    {
        return;
    }
    m_mode = mode;
    if (CButton* ok = GetOkButton())
    {
        ok->SetText(mode == OpenMode ? "Open" : "Save");
    }
    SetCaption(mode == OpenMode ? "Open File" : "Save File As");
    UpdateOkButton();
}

void CFilePicker::AddFilter(const CString& description, const CString& pattern)
{
    m_filters.emplace_back(description, pattern);
    if (CFileBrowserList* list = GetBrowserList())
    {
        list->SetFilter(pattern);
    }
    if (CComboBox* combo = GetTypeComboBox())
    {
        const CString entry = CString::FromFormat("%s (%s)", static_cast<const char*>(description),
                                                  static_cast<const char*>(pattern));
        combo->AddItem(entry);
        combo->SetText(entry);
    }
}

void CFilePicker::ClearFilters()
{
    if (CComboBox* combo = GetTypeComboBox())
    {
        if (CComboBox::CComboBoxList* entries = combo->GetList())
        {
            entries->RemoveAllItems();
        }
        // The emptied text reaches this picker as "CombChng": the list shows all files.
        if (CEditControl* edit = combo->GetEdit())
        {
            edit->SetText(CString());
        }
    }
    m_filters.clear();
}

void CFilePicker::SetDirectory(const CString& path)
{
    if (CFileBrowserList* list = GetBrowserList())
    {
        list->SetDirectory(path);
    }
}

CString CFilePicker::GetDirectory() const
{
    const CFileBrowserList* list = GetBrowserList();
    return list != nullptr ? list->GetDirectory() : CString();
}

void CFilePicker::SetFileName(const CString& path)
{
    if (CFileBrowserList* list = GetBrowserList())
    {
        list->SelectPath(path);
    }
}

void CFilePicker::SetPickableKinds(std::uint32_t kinds)
{
    m_pickableKinds = kinds;
    UpdateOkButton();
}

void CFilePicker::UpdateOkButton()
{
    CButton* ok = GetOkButton();
    const CFileBrowserList* list = GetBrowserList();
    if (ok == nullptr || list == nullptr)
    {
        return;
    }
    const std::int32_t selected = list->GetSelectedIndex();
    bool enabled = false;
    if (m_mode == OpenMode)
    {
        // Nothing selected gives nothing to open.
        if (list->IsFileEntry(selected))
        {
            enabled = (m_pickableKinds & PickFiles) != 0;
        }
        else if (list->IsFolderEntry(selected))
        {
            enabled = (m_pickableKinds & PickFolders) != 0;
        }
        else if (list->IsDriveEntry(selected))
        {
            enabled = (m_pickableKinds & PickDrives) != 0;
        }
    }
    else if (selected < 0 || list->IsFileEntry(selected))
    {
        const CEditControl* edit = GetFileNameEdit();
        enabled = edit != nullptr && edit->GetText().GetLength() > 0;
    }
    ok->SetDisabled(!enabled);
}

void CFilePicker::Accept()
{
    CFileBrowserList* list = GetBrowserList();
    if (list == nullptr)
    {
        return;
    }
    if (m_mode == OpenMode)
    {
        m_fileName = list->GetSelectedPath();
        EndDialog(false);
        return;
    }
    const CEditControl* edit = GetFileNameEdit();
    const CString typed = edit != nullptr ? edit->GetText() : CString();
    CString path = list->GetDirectory();
    if (!path.EndsWith("/"))
    {
        path += "/";
    }
    m_fileName = path + typed;
    // A file hidden by the filter (another type, a hidden name) is as much overwritten as a listed one.
    const bool exists = list->FindItem(typed) >= 0 || BaseLib::FileExists(static_cast<const char*>(m_fileName));
    if (m_confirmOverwrite && exists)
    {
        if (WindowOf<CMessageBox>(m_question) != nullptr)
        {
            return;
        }
        const CString text = CString::FromFormat(
            "File '%s' already exists. Are you sure you want to overwrite this file?",
            static_cast<const char*>(m_fileName));
        CMessageBox* question =
            CMessageBox::Create("Confirm Overwrite", text, CMessageBox::ButtonsYesNo | CMessageBox::IconWarning,
                                CMessageBoxCallback::Bind(this, &CFilePicker::OnOverwriteAnswer));
        m_question = question != nullptr ? question->GetHandle() : 0;
        return;
    }
    EndDialog(false);
}

void CFilePicker::OnOverwriteAnswer(std::int32_t result)
{
    m_question = 0;
    if (result == CMessageBox::ResultYes)
    {
        EndDialog(false);
    }
}

void CFilePicker::EndDialog(bool cancelled)
{
    if (AreEventsSuppressed())
    {
        return;
    }
    const Handle receiver = WindowOf<CWindow>(m_notifyWindow) != nullptr ? m_notifyWindow : GetParentHandle();
    if (CWindowManager* manager = CWindowManager::GetInstance(); manager != nullptr && receiver != 0)
    {
        manager->PostMessage(receiver, CWindowMessage(cancelled ? "PickCncl" : "FilePick", CWindowMessage::Input, 0,
                                                      GetHandle()));
    }
    if (m_callback.IsSet())
    {
        m_callback(this, cancelled);
    }
}

bool CFilePicker::OnClose()
{
    EndDialog(true);
    return true;
}

bool CFilePicker::OnKeyDown(std::uint32_t key, std::uint8_t modifiers)
{
    if (key == KeyEscape)
    {
        EndDialog(true);
        return true;
    }
    return CDialogWindow::OnKeyDown(key, modifiers);
}

bool CFilePicker::OnMessage(const CWindowMessage& message)
{
    CFileBrowserList* list = GetBrowserList();
    CEditControl* edit = GetFileNameEdit();
    if (message.Is("BtnClick") && message.second == m_okButton)
    {
        Accept();
        return true;
    }
    if (message.Is("BtnClick") && message.second == m_cancelButton)
    {
        EndDialog(true);
        return true;
    }
    if (message.Is("LBoxChng") && message.second == m_list && list != nullptr)
    {
        if (list->GetSelectedIndex() >= 0)
        {
            m_fileName = list->GetSelectedPath();
            if (edit != nullptr)
            {
                edit->SetText(list->GetSelectedText());
            }
        }
        UpdateOkButton();
        return true;
    }
    if (message.Is("LBoxDClk"))
    {
        const CButton* ok = GetOkButton();
        if (ok != nullptr && !ok->IsDisabled())
        {
            Accept();
        }
    }
    else if (message.Is("CombChng") && list != nullptr)
    {
        const CComboBox* combo = GetTypeComboBox();
        const std::int32_t selected = combo != nullptr ? combo->GetSelection() : -1;
        list->SetFilter(selected >= 0 && selected < static_cast<std::int32_t>(m_filters.size())
                            ? m_filters[static_cast<std::size_t>(selected)].second
                            : CString());
    }
    else if (message.Is("EditChng") && list != nullptr && edit != nullptr)
    {
        const CString text = edit->GetText();
        if (text != list->GetSelectedText())
        {
            // Only an entry of exactly that name is selected; any other text leaves no selection.
            const std::int32_t exact = list->FindItem(text);
            if (exact >= 0)
            {
                list->Select(exact);
            }
            else
            {
                list->Select(-1);
            }
        }
        UpdateOkButton();
    }
    else if (message.Is("EditUpdt") && m_mode == OpenMode && list != nullptr && edit != nullptr &&
             edit->GetText() != list->GetSelectedText())
    {
        list->SelectByPrefix(edit->GetText(), false);
    }
    return CDialogWindow::OnMessage(message);
}

} // namespace UILib
