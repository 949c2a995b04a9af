#include "ui/controls/FileEditCombo.h"

#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/PropertyTable.h"

namespace UILib
{

using BaseLib::CString;

namespace
{

const CPropertyTable<CFileEditCombo>& FileEditComboProperties()
{
    static const CPropertyTable<CFileEditCombo> table = [] {
        CPropertyTable<CFileEditCombo> t;
        t.Enum("Display Mode", "How to display the file name.", "ShowFullPath", "ShowOnlyFilename ShowFullPath",
               &CFileEditCombo::SetDisplayMode, &CFileEditCombo::GetDisplayMode);
        return t;
    }();
    return table;
}

CWindow* Resolve(Handle handle)
{
    CWindowManager* manager = CWindowManager::GetInstance();
    return manager != nullptr && handle != 0 ? manager->Resolve(handle) : nullptr;
}

// The text after the last "/" (backslashes counting as "/").
CString NamePart(const CString& path)
{
    CString text = path;
    text.ForwardSlashes();
    const int slash = text.ReverseFindSlash();
    return slash < 0 ? text : text.MidFrom(slash + 1);
}

} // namespace

CFileEditCombo::CFileEditCombo()
{
    auto* edit = new CEditControl();
    edit->SetName("__editbutton");
    edit->SetReadOnly(false);
    // The field starts empty, as no file is chosen yet.
    edit->SetText(CString());
    m_edit = edit->GetHandle();
    AddChild(m_edit);
    auto* button = new CButton();
    button->SetName("__browsebutton");
    button->SetText("...");
    m_button = button->GetHandle();
    AddChild(m_button);
    m_picker = new CFilePicker();
    m_picker->SetName("__picker");
    m_picker->SetVisible(false);
    m_picker->SetConfirmOverwrite(true);
    OnSize();
}

CFileEditCombo::~CFileEditCombo()
{
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->RemoveModalWindow(m_picker);
    }
    m_picker->SetCallback(CFilePickerCallback());
    m_picker->Destroy();
}

CWindow* CFileEditCombo::Create()
{
    return new CFileEditCombo();
}

void CFileEditCombo::GetProperties(CPropertyList& list)
{
    CTransparentWindow::GetProperties(list);
    FileEditComboProperties().AppendTo(list, this);
}

CEditControl* CFileEditCombo::GetEdit() const
{
    return static_cast<CEditControl*>(Resolve(m_edit));
}

CButton* CFileEditCombo::GetButton() const
{
    return static_cast<CButton*>(Resolve(m_button));
}

bool CFileEditCombo::OnSize()
{
    const std::int32_t w = GetSize().cx;
    const std::int32_t h = GetSize().cy;
    const std::int32_t b = 3 * h / 2;
    if (CButton* button = GetButton())
    {
        button->SetPosition(w - b, 0);
        button->SetSize(b, h);
    }
    if (CEditControl* edit = GetEdit())
    {
        edit->SetPosition(0, 0);
        edit->SetSize(w - b - 10, h);
    }
    return true;
}

bool CFileEditCombo::OnMessage(const CWindowMessage& message)
{
    if (message.Is("BtnClick") && message.second == m_button)
    {
        CWindowManager* manager = CWindowManager::GetInstance();
        if (manager != nullptr)
        {
            manager->AddToLayer(m_picker, GetLayerIndex());
        }
        m_picker->SetVisible(true);
        m_picker->CenterInParent();
        m_picker->SetMode(CFilePicker::OpenMode);
        if (const CEditControl* edit = GetEdit())
        {
            m_picker->GetBrowserList()->SelectPath(edit->GetText());
        }
        if (manager != nullptr)
        {
            manager->PushModalWindow(m_picker);
            // The keys go to the picker, not to the button behind it.
            manager->ActivateWindow(m_picker->GetHandle(), true);
        }
        m_picker->SetCallback(CFilePickerCallback::Bind(this, &CFileEditCombo::OnPickerClosed));
        return true;
    }
    if (message.Is("EditChng") && message.second == m_edit)
    {
        if (const CEditControl* edit = GetEdit())
        {
            // The field shows the full path by default: a typed folder part becomes the folder, so
            // GetFullPath holds it once and GetFileName stays a bare name.
            const CString text = edit->GetText();
            const int slash = text.ReverseFindSlash();
            if (slash < 0)
            {
                m_fileName = text;
            }
            else
            {
                m_folder = text.Left(slash + 1);
                m_fileName = text.MidFrom(slash + 1);
            }
        }
        OnFileChanged();
        return true;
    }
    return CTransparentWindow::OnMessage(message);
}

void CFileEditCombo::OnFileChanged()
{
    if (!AreEventsSuppressed() && m_onFileChanged.IsSet())
    {
        m_onFileChanged(this);
    }
}

void CFileEditCombo::OnPickerClosed(CFilePicker* picker, bool cancelled)
{
    if (!cancelled)
    {
        TakePickerResult();
        UpdateDisplayedText();
    }
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->RemoveModalWindow(picker);
    }
    picker->RemoveFromParent();
    picker->SetVisible(false);
}

void CFileEditCombo::TakePickerResult()
{
    m_fileName = NamePart(m_picker->GetFileName());
    m_folder = m_picker->GetDirectory();
}

void CFileEditCombo::UpdateDisplayedText()
{
    CEditControl* edit = GetEdit();
    if (edit == nullptr)
    {
        return;
    }
    const CString text = m_displayMode == ShowFullPath ? GetFullPath() : GetFileName();
    if (text == edit->GetText())
    {
        return;
    }
    edit->SuppressEvents();
    edit->SetText(text);
    edit->ResumeEvents();
    OnFileChanged();
}

void CFileEditCombo::SetFileName(const CString& path)
{
    // Exact: on this file system a.xml and A.xml are two files.
    if (path == m_fileName || path == GetFullPath())
    {
        return;
    }
    CFileBrowserList* list = m_picker->GetBrowserList();
    const bool matched = list->SelectPath(path);
    const CString name = NamePart(path);
    if (name.GetLength() == 0)
    {
        m_fileName = CString();
    }
    else if (matched)
    {
        m_fileName = NamePart(list->GetSelectedText());
    }
    else
    {
        m_fileName = name;
    }
    m_folder = list->GetDirectory();
    UpdateDisplayedText();
}

void CFileEditCombo::SetDirectory(const CString& folder)
{
    if (folder != m_folder)
    {
        m_picker->SetDirectory(folder);
    }
}

void CFileEditCombo::SetDisplayMode(std::int32_t mode)
{
    if (mode != m_displayMode)
    {
        m_displayMode = mode;
        UpdateDisplayedText();
    }
}

void CFileEditCombo::AddFilter(const CString& description, const CString& pattern)
{
    m_picker->AddFilter(description, pattern);
}

void CFileEditCombo::SetConfirmOverwrite(bool confirm)
{
    m_picker->SetConfirmOverwrite(confirm);
}

void CFileEditCombo::SetSelectableEntries(std::uint32_t kinds)
{
    m_picker->SetPickableKinds(kinds);
}

} // namespace UILib
