#include "ui/controls/FileBrowserList.h"

#include "foundation/Debug.h"
#include "platform/os/Files.h"
#include "ui/WindowManager.h"

#include <algorithm>
#include <utility>

namespace UILib
{

using BaseLib::CPoint;
using BaseLib::CString;

namespace
{

// The window system's key codes of "sKeyDown" used here.
enum : std::uint32_t
{
    KeyReturn = 260,
    KeyEscape = 266,
};

CFileBrowserList::DriveSource& CurrentDriveSource()
{
    static CFileBrowserList::DriveSource source;
    return source;
}

std::vector<Platform::DriveInfo> ListCurrentDrives()
{
    const CFileBrowserList::DriveSource& source = CurrentDriveSource();
    return source ? source() : Platform::ListDrives();
}

std::string ToStd(const CString& text)
{
    return std::string(static_cast<const char*>(text), static_cast<std::size_t>(text.GetLength()));
}

CString ToCString(const std::string& text)
{
    return CString(text.c_str());
}

std::string WithSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// Names beginning with "." are hidden, except "..".
bool IsHidden(const std::string& name)
{
    return !name.empty() && name[0] == '.' && name != "..";
}

// Every entry of the folder ("." and ".." included). False when the folder cannot be read: the
// pattern "*.*" always matches ".", so no answer means exactly that.
bool ScanFolder(const std::string& folder, std::vector<Platform::FoundEntry>& entries)
{
    Platform::FoundEntry entry;
    Platform::FindHandle listing = Platform::FindFirst(folder + "*.*", entry);
    if (listing == nullptr)
    {
        return false;
    }
    do
    {
        entries.push_back(std::move(entry));
    } while (Platform::FindNext(listing, entry));
    Platform::FindClose(listing);
    return true;
}

} // namespace

CFileBrowserList::DriveSource CFileBrowserList::SetDriveSource(DriveSource source)
{
    return std::exchange(CurrentDriveSource(), std::move(source));
}

CFileBrowserList::CFileBrowserList()
    : m_folderIcon("std_folder.png"), m_driveIcon("std_drive.png"), m_cdDriveIcon("std_drivecd.png"),
      m_removableDriveIcon("std_drivefloppy.png"), m_networkDriveIcon("std_drivenetwork.png"),
      m_fileIcon("std_file.png"), m_folder("/")
{
    m_patterns.push_back("*.*");
    SetDirectory(".");
}

CFileBrowserList::~CFileBrowserList() = default;

CWindow* CFileBrowserList::Create()
{
    return new CFileBrowserList();
}

const CBitmap& CFileBrowserList::GetDriveIcon(Platform::DriveKind kind) const
{
    switch (kind)
    {
    case Platform::DriveKind::Removable: return m_removableDriveIcon;
    case Platform::DriveKind::Remote: return m_networkDriveIcon;
    case Platform::DriveKind::CdRom: return m_cdDriveIcon;
    default: return m_driveIcon;
    }
}

CBitmap CFileBrowserList::GetEntryIcon(std::int32_t index) const
{
    return IsValidIndex(index) ? m_items[static_cast<std::size_t>(index)].bitmap : CBitmap();
}

void CFileBrowserList::SetDirectory(const CString& path)
{
    std::string full = WithSlashes(Platform::GetFullPath(ToStd(path)));
    if (full.empty())
    {
        BaseLib::DebugOutput("File browser: no absolute path for '%s'; the folder stays '%s'\n",
                             static_cast<const char*>(path), static_cast<const char*>(m_folder));
        return;
    }
    if (full.back() != '/')
    {
        full.push_back('/');
    }
    m_folder = ToCString(full);
    Refresh();
}

bool CFileBrowserList::SelectPath(const CString& path)
{
    const std::string text = WithSlashes(ToStd(path));
    const std::size_t slash = text.rfind('/');
    const std::string folderPart = slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
    const std::string namePart = slash == std::string::npos ? text : text.substr(slash + 1);
    if (!folderPart.empty())
    {
        SetDirectory(ToCString(folderPart));
    }
    if (namePart.empty())
    {
        return false;
    }
    // Two names may differ only in letter case: the exact one wins over the case-blind prefix.
    const CString name = ToCString(namePart);
    const std::int32_t exact = FindItem(name);
    if (exact >= 0)
    {
        Select(exact);
        return true;
    }
    return SelectByPrefix(name, true);
}

void CFileBrowserList::SetFilter(const CString& patterns)
{
    m_patterns.clear();
    std::string text = ToStd(patterns);
    std::erase_if(text, [](char c) { return c == ' ' || c == '\t'; });
    if (text.empty())
    {
        m_patterns.push_back("*.*");
    }
    else
    {
        std::size_t start = 0;
        for (;;)
        {
            const std::size_t cut = text.find(';', start);
            m_patterns.push_back(ToCString(text.substr(start, cut == std::string::npos ? cut : cut - start)));
            if (cut == std::string::npos)
            {
                break;
            }
            start = cut + 1;
        }
    }
    Refresh();
}

CString CFileBrowserList::GetSelectedPath() const
{
    const std::int32_t selected = GetSelectedIndex();
    if (selected < 0)
    {
        return CString();
    }
    if (IsDriveEntry(selected))
    {
        const std::size_t drive = static_cast<std::size_t>(selected - m_folderCount - m_fileCount);
        return drive < m_driveRoots.size() ? ToCString(m_driveRoots[drive]) : CString();
    }
    return m_folder + GetItemText(selected);
}

bool CFileBrowserList::IsFolderEntry(std::int32_t index) const
{
    if (index < 0 || index >= m_folderCount)
    {
        return false;
    }
    const CString text = GetItemText(index);
    return text != ".." && text != ".";
}

bool CFileBrowserList::IsFileEntry(std::int32_t index) const
{
    return index >= m_folderCount && index < m_folderCount + m_fileCount;
}

bool CFileBrowserList::IsDriveEntry(std::int32_t index) const
{
    return index >= m_folderCount + m_fileCount && index < GetItemCount();
}

bool CFileBrowserList::IsDriveRoot(const std::vector<Platform::DriveInfo>& drives) const
{
    if (m_folder == "/")
    {
        return true;
    }
    return std::any_of(drives.begin(), drives.end(),
                       [this](const Platform::DriveInfo& drive) { return m_folder == ToCString(drive.root + "/"); });
}

void CFileBrowserList::Refresh()
{
    // The refill tells its listeners once, with entry 0 selected (or the selection gone when nothing is
    // listed).
    const bool hadSelection = GetSelectedIndex() >= 0;
    ResetSelection();
    RemoveAllItems();
    m_folderCount = 0;
    m_fileCount = 0;
    m_driveCount = 0;
    m_driveRoots.clear();

    const std::string folder = ToStd(m_folder);
    const bool atRoot = folder == "/";
    std::vector<std::string> folders;
    std::vector<std::string> files;
    // One listing serves every pattern: a pattern's scan of the folder gives the names of the listing
    // that match it.
    std::vector<Platform::FoundEntry> entries;
    const bool readable = ScanFolder(folder, entries);
    if (readable)
    {
        for (const Platform::FoundEntry& entry : entries)
        {
            if (entry.folder && entry.name != "." && !IsHidden(entry.name) && !(atRoot && entry.name == ".."))
            {
                folders.push_back(entry.name);
            }
        }
        for (const CString& pattern : m_patterns)
        {
            const std::string wildcard = ToStd(pattern);
            for (const Platform::FoundEntry& entry : entries)
            {
                if (!entry.folder && !IsHidden(entry.name) && Platform::MatchesWildcard(entry.name, wildcard))
                {
                    files.push_back(entry.name);
                }
            }
        }
    }
    else
    {
        // No entries would leave no way out: ".." still leads up.
        BaseLib::DebugOutput("File browser: cannot read the folder '%s'\n", folder.c_str());
        if (!atRoot)
        {
            folders.push_back("..");
        }
    }
    std::sort(folders.begin(), folders.end());
    std::sort(files.begin(), files.end());

    for (const std::string& name : folders)
    {
        AddItem(ToCString(name), m_folderIcon);
    }
    m_folderCount = static_cast<std::int32_t>(folders.size());
    for (const std::string& name : files)
    {
        AddItem(ToCString(name), m_fileIcon);
    }
    m_fileCount = static_cast<std::int32_t>(files.size());

    const std::vector<Platform::DriveInfo> drives = ListCurrentDrives();
    if (IsDriveRoot(drives))
    {
        for (const Platform::DriveInfo& drive : drives)
        {
            m_driveRoots.push_back(drive.root);
            AddItem(ToCString(drive.root + ": " + drive.label), GetDriveIcon(drive.kind));
            ++m_driveCount;
        }
    }
    if (IsEmpty() && hadSelection)
    {
        NotifyChange();
    }
}

void CFileBrowserList::OpenSelected()
{
    const std::int32_t selected = GetSelectedIndex();
    if (selected < 0)
    {
        return;
    }
    const CString text = GetItemText(selected);
    if (text == ".." && IsValidIndex(selected) && selected < m_folderCount)
    {
        std::string folder = ToStd(m_folder);
        while (!folder.empty() && folder.back() == '/')
        {
            folder.pop_back();
        }
        const std::size_t slash = folder.rfind('/');
        folder = slash == std::string::npos ? std::string("/") : folder.substr(0, slash + 1);
        m_folder = ToCString(folder);
        Refresh();
    }
    else if (text == "." && selected < m_folderCount)
    {
        Refresh();
    }
    else if (IsDriveEntry(selected))
    {
        std::string root = m_driveRoots[static_cast<std::size_t>(selected - m_folderCount - m_fileCount)];
        if (root.back() != '/')
        {
            root.push_back('/');
        }
        m_folder = ToCString(root);
        Refresh();
    }
    else if (IsFolderEntry(selected))
    {
        m_folder = m_folder + text + "/";
        Refresh();
    }
    else if (IsFileEntry(selected))
    {
        NotifyFileChosen();
    }
}

bool CFileBrowserList::NotifyFileChosen()
{
    if (AreEventsSuppressed())
    {
        return true;
    }
    if (CWindowManager* manager = CWindowManager::GetInstance(); manager != nullptr && GetParentHandle() != 0)
    {
        manager->PostMessage(GetParentHandle(), CWindowMessage("FBLChFil", CWindowMessage::Input, 0, GetHandle()));
    }
    if (m_onFileChosen.IsSet())
    {
        m_onFileChosen(this);
    }
    return true;
}

bool CFileBrowserList::OnKeyDown(std::uint32_t key, std::uint8_t modifiers)
{
    if (key == KeyEscape)
    {
        // Escape stays the list box's: it passes on to a dialog holding the list.
        return CListBox::OnKeyDown(key, modifiers);
    }
    if (IsDisabled())
    {
        return true;
    }
    if (key == KeyReturn)
    {
        OpenSelected();
        return true;
    }
    return CListBox::OnKeyDown(key, modifiers);
}

bool CFileBrowserList::OnLButtonDblClk(CPoint& point, std::uint8_t)
{
    if (IsDisabled())
    {
        return true;
    }
    SelectItemAtPoint(point);
    // Only a file keeps the list as it is; a folder or drive opened refills it.
    const bool file = IsFileEntry(GetSelectedIndex());
    OpenSelected();
    if (file && GetSelectedIndex() >= 0)
    {
        NotifyDoubleClick();
    }
    return true;
}

} // namespace UILib
