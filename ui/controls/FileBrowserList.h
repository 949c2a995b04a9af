#pragma once

#include "foundation/String.h"
#include "platform/os/Drives.h"
#include "ui/Bitmap.h"
#include "ui/Callback.h"
#include "ui/controls/ListBox.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace UILib
{

class CFileBrowserList;
using CFileBrowserCallback = CCallback<CFileBrowserList*>;

// A list box showing one folder of the file system: its sub-folders (".." included, hidden ones left
// out), then the files matching the wildcard patterns, then, when the folder is the root of a drive,
// the drives. Each entry carries its icon. Opening an entry (Return or a double click) moves into a
// folder, up for "..", to a drive's root, or reports a file with a posted "FBLChFil" and the
// file-chosen callback. Entry texts are the names' bytes as the file system gives them.
//
// A folder that cannot be read still lists ".." (except at "/") and, at a drive root, the drives, so
// there is always a way back; the failure is traced once.
class CFileBrowserList : public CListBox
{
public:
    // The machine's drives; replaceable so that tests can give their own.
    using DriveSource = std::function<std::vector<Platform::DriveInfo>()>;
    // An empty source restores the system's drive list. Returns the previous one.
    static DriveSource SetDriveSource(DriveSource source);

    CFileBrowserList();
    ~CFileBrowserList() override;
    static CWindow* Create();

    const char* GetClassName() const override { return "CFileBrowserList"; }
    BaseLib::CString GetDebugDescription() const override { return "CFileBrowserList"; }

    // The absolute form of the path, with "/" separators and a trailing "/", becomes the current folder
    // and the list is filled again. A path with no absolute form leaves the folder as it was.
    void SetDirectory(const BaseLib::CString& path);
    BaseLib::CString GetDirectory() const { return m_folder; }
    // Backslashes become "/"; a folder part (up to the last "/") moves there; a name part selects the
    // entry with exactly that name, else the first entry beginning with it in any letter case. True
    // when the name part selected an entry.
    bool SelectPath(const BaseLib::CString& path);
    // Blanks and tabs are removed and the text is split at ";" into the patterns; empty gives "*.*".
    void SetFilter(const BaseLib::CString& patterns);
    const std::vector<BaseLib::CString>& GetPatterns() const { return m_patterns; }
    // Empty with nothing selected; a drive's root for a drive entry; else folder + entry text.
    BaseLib::CString GetSelectedPath() const;

    // A folder entry other than "." and "..".
    bool IsFolderEntry(std::int32_t index) const;
    bool IsFileEntry(std::int32_t index) const;
    bool IsDriveEntry(std::int32_t index) const;
    std::int32_t GetFolderCount() const { return m_folderCount; }
    std::int32_t GetFileCount() const { return m_fileCount; }
    std::int32_t GetDriveCount() const { return m_driveCount; }

    // Fills the list from the file system; every refill with entries ends with entry 0 selected.
    void Refresh();
    // Acts on the selected entry; nothing with no selection.
    void OpenSelected();
    // Unless events are suppressed: posts "FBLChFil" to the parent and fires the callback. True.
    virtual bool NotifyFileChosen();
    void SetOnFileChosen(const CFileBrowserCallback& callback) { m_onFileChosen = callback; }

    // The icons, as loaded by file name.
    const CBitmap& GetFolderIcon() const { return m_folderIcon; }
    const CBitmap& GetFileIcon() const { return m_fileIcon; }
    const CBitmap& GetDriveIcon(Platform::DriveKind kind) const;
    // The icon of the entry; an empty bitmap out of range.
    CBitmap GetEntryIcon(std::int32_t index) const;

    bool OnKeyDown(std::uint32_t key, std::uint8_t modifiers) override;
    bool OnLButtonDblClk(BaseLib::CPoint& point, std::uint8_t modifiers) override;

private:
    // True when the folder is "/" or the root of a listed drive.
    bool IsDriveRoot(const std::vector<Platform::DriveInfo>& drives) const;

    CBitmap m_folderIcon;
    CBitmap m_driveIcon;
    CBitmap m_cdDriveIcon;
    CBitmap m_removableDriveIcon;
    CBitmap m_networkDriveIcon;
    CBitmap m_fileIcon;
    std::int32_t m_driveCount = 0;
    std::int32_t m_folderCount = 0;
    std::int32_t m_fileCount = 0;
    BaseLib::CString m_folder;
    std::vector<BaseLib::CString> m_patterns;
    // The root of each drive entry, in list order.
    std::vector<std::string> m_driveRoots;
    CFileBrowserCallback m_onFileChosen;
};

} // namespace UILib
