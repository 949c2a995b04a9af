#include "ControlBench.h"

#include "platform/os/DebugOutput.h"
#include "platform/os/Drives.h"
#include "platform/os/KeyState.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/PropertyTable.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using Platform::DriveKind;
using UILib::CFileBrowserList;

namespace
{

namespace fs = std::filesystem;

const CColor Highlight = StandardPalette(3);

class FileBrowserListTest : public ControlTest
{
protected:
    static constexpr std::int32_t X = 20;
    static constexpr std::int32_t Y = 20;

    void SetUp() override
    {
        ControlTest::SetUp();
        m_previousDrives = CFileBrowserList::SetDriveSource([this] { return drives; });
        parent = Make<CRecordingWindow>(0, 0, RootWidth, RootHeight);
        list = Make<CFileBrowserList>(X, Y, 300, 400, parent);
    }
    void TearDown() override
    {
        CFileBrowserList::SetDriveSource(m_previousDrives);
        ControlTest::TearDown();
    }

    // The tree of the first cases: folders b, A and a hidden one, two files and a hidden file.
    void MakeTree()
    {
        fs::create_directories(Root() / "b");
        fs::create_directories(Root() / "A");
        fs::create_directories(Root() / ".cfg");
        WriteFile("z.png", "z");
        WriteFile("B.png", "B");
        WriteFile(".x.png", "x");
    }
    // Moves the list to the folder and forgets the messages so far.
    void Show(const std::string& folder)
    {
        list->SetDirectory(folder.c_str());
        Frame();
        parent->log.clear();
    }
    std::string Folder() const { return Root().string() + "/"; }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (std::int32_t i = 0; i < list->GetItemCount(); ++i)
        {
            texts.emplace_back(static_cast<const char*>(list->GetItemText(i)));
        }
        return texts;
    }
    void SelectText(const std::string& text)
    {
        const std::int32_t index = list->FindItem(text.c_str());
        ASSERT_GE(index, 0) << text;
        list->Select(index);
    }
    void Open(const std::string& text)
    {
        SelectText(text);
        list->OpenSelected();
    }
    // The middle of the entry's row on the screen.
    CPoint RowPoint(std::int32_t index) const
    {
        const std::int32_t rh = list->GetRowHeight();
        return CPoint(X + 60, Y + list->GetBorderWidths().top + (index - list->GetTopIndex()) * rh + rh / 2);
    }
    bool SameIcon(const UILib::CBitmap& a, const UILib::CBitmap& b) const
    {
        return a.IsValid() && b.IsValid() && a.GetPixels() == b.GetPixels();
    }

    std::vector<Platform::DriveInfo> drives{{"/", DriveKind::Fixed, ""}};
    CRecordingWindow* parent = nullptr;
    CFileBrowserList* list = nullptr;

private:
    CFileBrowserList::DriveSource m_previousDrives;
};

TEST_F(FileBrowserListTest, ListsFoldersThenFilesByBytesWithoutHiddenEntries)
{
    MakeTree();
    list->SetDirectory(Root().string().c_str());
    EXPECT_EQ(list->GetDirectory(), Folder().c_str());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"..", "A", "b", "B.png", "z.png"}));
    EXPECT_EQ(list->GetFolderCount(), 3);
    EXPECT_EQ(list->GetFileCount(), 2);
    EXPECT_EQ(list->GetDriveCount(), 0);
    EXPECT_EQ(list->GetSelectedIndex(), 0);
    EXPECT_EQ(parent->Codes({"LBoxChng"}).size(), 1u) << "one refill, one change";
    EXPECT_TRUE(SameIcon(list->GetEntryIcon(1), list->GetFolderIcon()));
    EXPECT_TRUE(SameIcon(list->GetEntryIcon(3), list->GetFileIcon()));

    // Kinds follow from the index and the counts; ".." is no folder to pick.
    EXPECT_FALSE(list->IsFolderEntry(0));
    EXPECT_TRUE(list->IsFolderEntry(2));
    EXPECT_TRUE(list->IsFileEntry(3));
    EXPECT_FALSE(list->IsFileEntry(5));
    EXPECT_FALSE(list->IsDriveEntry(4));

    // "." and ".." of the path are worked out.
    list->SetDirectory((Root().string() + "/A/./..").c_str());
    EXPECT_EQ(list->GetDirectory(), Folder().c_str());
}

TEST_F(FileBrowserListTest, FilterPatternsChooseTheFiles)
{
    MakeTree();
    WriteFile("README", "r");
    WriteFile("notes.txt", "n");
    WriteFile("plan.md", "p");
    Show(Root().string());
    struct Case
    {
        const char* filter;
        std::vector<std::string> files;
        std::size_t patterns;
    };
    const std::vector<Case> cases = {
        {"*.png;*.PNG", {"B.png", "B.png", "z.png", "z.png"}, 2},
        {"*.*", {"B.png", "README", "notes.txt", "plan.md", "z.png"}, 1},
        {"", {"B.png", "README", "notes.txt", "plan.md", "z.png"}, 1},
        {" *.txt ;\t*.MD", {"notes.txt", "plan.md"}, 2},
        {UILib::ImageFileFilter, {"B.png", "z.png"}, 9},
        {"*.none", {}, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.filter);
        list->SetFilter(c.filter);
        EXPECT_EQ(list->GetPatterns().size(), c.patterns);
        std::vector<std::string> files;
        for (std::int32_t i = list->GetFolderCount(); i < list->GetFolderCount() + list->GetFileCount(); ++i)
        {
            files.emplace_back(static_cast<const char*>(list->GetItemText(i)));
        }
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(list->GetFolderCount(), 3) << "folders are listed whatever the filter";
    }
    list->SetFilter(UILib::ImageFileFilter);
    EXPECT_EQ(list->GetPatterns().front(), "*.png");
    EXPECT_EQ(list->GetPatterns().back(), "*.tiff");
}

TEST_F(FileBrowserListTest, OpeningMovesIntoFoldersAndBackAndReportsFiles)
{
    MakeTree();
    WriteFile("A/inner.png", "i");
    Show(Root().string());

    // Return on a folder, then Return on "..".
    Click(RowPoint(1).x, RowPoint(1).y);
    ASSERT_EQ(list->GetSelectedText(), "A");
    KeyPress(Platform::VK_RETURN);
    EXPECT_EQ(list->GetDirectory(), (Folder() + "A/").c_str());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"..", "inner.png"}));
    KeyPress(Platform::VK_RETURN);
    EXPECT_EQ(list->GetDirectory(), Folder().c_str());

    // Return on a file: only "FBLChFil", posted; the list stays.
    CCallbackRecorder<CFileBrowserList*> chosen;
    list->SetOnFileChosen(chosen.Record());
    Click(RowPoint(3).x, RowPoint(3).y);
    parent->log.clear();
    KeyPress(Platform::VK_RETURN);
    EXPECT_TRUE(parent->Of("FBLChFil").empty()) << "posted, not sent";
    Frames(2);
    EXPECT_EQ(parent->Codes({"FBLChFil", "LBoxDClk"}), (std::vector<std::string>{"FBLChFil"}));
    EXPECT_EQ(parent->Of("FBLChFil")[0].second, list->GetHandle());
    EXPECT_EQ(parent->Of("FBLChFil")[0].flags, UILib::CWindowMessage::Input);
    EXPECT_EQ(chosen.calls.size(), 1u);
    EXPECT_EQ(list->GetSelectedPath(), (Folder() + "B.png").c_str());
    EXPECT_EQ(list->GetDirectory(), Folder().c_str());

    // A double click on a file: "LBoxDClk" at once, "FBLChFil" when the queue runs.
    parent->log.clear();
    DoubleClick(Button::Left, RowPoint(4).x, RowPoint(4).y);
    EXPECT_EQ(parent->Codes({"FBLChFil", "LBoxDClk"}), (std::vector<std::string>{"LBoxDClk"}));
    Frames(2);
    EXPECT_EQ(parent->Codes({"FBLChFil", "LBoxDClk"}), (std::vector<std::string>{"LBoxDClk", "FBLChFil"}));
    EXPECT_EQ(list->GetSelectedText(), "z.png");

    // A double click on a folder moves into it and reports nothing.
    parent->log.clear();
    DoubleClick(Button::Left, RowPoint(1).x, RowPoint(1).y);
    Frames(2);
    EXPECT_EQ(list->GetDirectory(), (Folder() + "A/").c_str());
    EXPECT_TRUE(parent->Codes({"FBLChFil", "LBoxDClk"}).empty());

    // A disabled list ignores both.
    Open("..");
    list->SetDisabled(true);
    list->Select(3);
    parent->log.clear();
    KeyPress(Platform::VK_RETURN);
    DoubleClick(Button::Left, RowPoint(1).x, RowPoint(1).y);
    Frames(2);
    EXPECT_TRUE(parent->Codes({"FBLChFil", "LBoxDClk"}).empty());
    EXPECT_EQ(list->GetDirectory(), Folder().c_str());
    EXPECT_EQ(chosen.calls.size(), 2u);
}

TEST_F(FileBrowserListTest, SelectPathPrefersTheExactNameOverTheCaseBlindPrefix)
{
    WriteFile("a.xml", "lower");
    WriteFile("A.xml", "upper");
    WriteFile("sub/Level.xml", "l");
    Show("/");
    struct Case
    {
        std::string path;
        std::string selected;
        bool matched;
    };
    std::string backslashed = Folder() + "sub\\Level.xml";
    const std::vector<Case> cases = {
        {Folder() + "a.xml", "a.xml", true},
        {Folder() + "A.xml", "A.xml", true},
        {"a.X", "A.xml", true},
        {backslashed, "Level.xml", true},
        {Folder() + "sub/lev", "Level.xml", true},
        {Folder() + "missing.xml", "..", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        const bool matched = list->SelectPath(c.path.c_str());
        EXPECT_EQ(list->GetSelectedText(), c.selected.c_str());
        EXPECT_EQ(matched, c.matched);
    }
    // Every name part relative to the folder now shown.
    EXPECT_TRUE(list->SelectPath("a.xml"));
    EXPECT_EQ(list->GetSelectedPath(), (Folder() + "a.xml").c_str());

    // With nothing selected, opening does nothing.
    list->ClearSelection();
    list->OpenSelected();
    EXPECT_EQ(list->GetDirectory(), Folder().c_str());
    EXPECT_EQ(list->GetSelectedPath(), "");
}

TEST_F(FileBrowserListTest, AFolderThatCannotBeReadStillLeadsBack)
{
    fs::create_directories(Root() / "kept");
    WriteFile("kept/a.png", "a");
    Show(Root().string());
    {
        Platform::DebugOutputCapture trace;
        list->SetDirectory((Root().string() + "/missing").c_str());
        EXPECT_EQ(Texts(), (std::vector<std::string>{".."}));
        EXPECT_EQ(list->GetFolderCount(), 1);
        EXPECT_EQ(list->GetSelectedIndex(), 0);
        const std::string text = trace.Text();
        EXPECT_NE(text.find(Folder() + "missing/"), std::string::npos) << text;
        EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line: " << text;
    }
    Open("..");
    EXPECT_EQ(list->GetDirectory(), Folder().c_str());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"..", "kept"}));
}

TEST_F(FileBrowserListTest, AFolderWithoutReadPermissionStillLeadsBack)
{
    fs::create_directories(Root() / "kept");
    WriteFile("kept/a.png", "a");
    Show(Root().string());
    if (::geteuid() == 0)
    {
        GTEST_SKIP() << "root reads every folder";
    }
    ::chmod(PathOf("kept").c_str(), 0);
    Open("kept");
    EXPECT_EQ(Texts(), (std::vector<std::string>{".."}));
    Open("..");
    EXPECT_EQ(list->GetDirectory(), Folder().c_str());
    ::chmod(PathOf("kept").c_str(), 0755);
}

TEST_F(FileBrowserListTest, SymbolicLinkLoopsAndDanglingLinksStayUsable)
{
    fs::create_directory_symlink(".", Root() / "loop");
    fs::create_symlink("nowhere", Root() / "gone.xml");
    Show(Root().string());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"..", "loop", "gone.xml"}));
    EXPECT_TRUE(list->IsFileEntry(2)) << "a dangling link is a file";

    // The loop opens as a folder until the system follows no more links; the path grows as text.
    std::string expected = Folder();
    for (int depth = 0; depth < 40; ++depth)
    {
        SCOPED_TRACE(depth);
        const std::int32_t loop = list->FindItem("loop");
        ASSERT_TRUE(list->IsFolderEntry(loop));
        list->Select(loop);
        list->OpenSelected();
        expected += "loop/";
        ASSERT_EQ(list->GetDirectory(), expected.c_str());
    }
    const std::int32_t loop = list->FindItem("loop");
    ASSERT_GE(loop, 0);
    EXPECT_TRUE(list->IsFileEntry(loop)) << "past the limit of links the loop is a file";
    for (int depth = 40; depth > 0; --depth)
    {
        Open("..");
    }
    EXPECT_EQ(list->GetDirectory(), Folder().c_str());

    // A path through 45 links cannot be read: ".." only, one level back each.
    std::string deep = Root().string();
    for (int i = 0; i < 45; ++i)
    {
        deep += "/loop";
    }
    list->SetDirectory(deep.c_str());
    EXPECT_EQ(Texts(), (std::vector<std::string>{".."}));
    for (int depth = 44; depth >= 40; --depth)
    {
        Open("..");
    }
    EXPECT_EQ(Texts(), (std::vector<std::string>{"..", "gone.xml", "loop"}));
    EXPECT_EQ(list->GetFileCount(), 2);
}

TEST_F(FileBrowserListTest, NamesThatAreNotUtf8AreKeptByteForByte)
{
    const std::string name = "caf\xE9.xml";
    WriteFile(name, "bytes");
    WriteFile("cafe.xml", "plain");
    Show(Root().string());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"..", "cafe.xml", name}));
    Compose();
    SavePicture("filebrowser_bytes");

    ASSERT_TRUE(list->SelectPath((Folder() + name).c_str()));
    EXPECT_EQ(std::string(static_cast<const char*>(list->GetSelectedPath())), Folder() + name);
    EXPECT_EQ(ReadBytes(static_cast<const char*>(list->GetSelectedPath())), "bytes");
}

TEST_F(FileBrowserListTest, DrivesFollowTheEntriesOfTheirRoots)
{
    fs::create_directories(Root() / "usb/photos");
    fs::create_directories(Root() / "cd");
    fs::create_directories(Root() / "net");
    const std::string usb = Root().string() + "/usb";
    drives = {{"/", DriveKind::Fixed, ""},
              {Root().string() + "/cd", DriveKind::CdRom, "DISC"},
              {Root().string() + "/net", DriveKind::Remote, "SHARE"},
              {usb, DriveKind::Removable, ""}};
    Show("/");
    const std::int32_t count = list->GetItemCount();
    ASSERT_EQ(list->GetDriveCount(), 4);
    EXPECT_EQ(list->FindItem(".."), -1) << "the root has no way up";
    EXPECT_EQ(list->GetItemText(count - 4), "/: ");
    EXPECT_EQ(list->GetItemText(count - 3), (Root().string() + "/cd: DISC").c_str());
    EXPECT_EQ(list->GetItemText(count - 1), (usb + ": ").c_str());
    for (std::int32_t i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_TRUE(list->IsDriveEntry(count - 4 + i));
        EXPECT_TRUE(SameIcon(list->GetEntryIcon(count - 4 + i), list->GetDriveIcon(drives[i].kind)));
    }
    EXPECT_FALSE(SameIcon(list->GetDriveIcon(DriveKind::CdRom), list->GetDriveIcon(DriveKind::Remote)));

    list->Select(count - 1);
    EXPECT_EQ(list->GetSelectedPath(), usb.c_str());
    list->OpenSelected();
    EXPECT_EQ(list->GetDirectory(), (usb + "/").c_str());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"..", "photos", "/: ", Root().string() + "/cd: DISC",
                                                 Root().string() + "/net: SHARE", usb + ": "}));
    Open("photos");
    EXPECT_EQ(list->GetDriveCount(), 0) << "below a drive root no drives are listed";
    list->Select(list->GetItemCount() - 1);
}

TEST_F(FileBrowserListTest, RowsShowTheirIconsAndTheSelectionFill)
{
    MakeTree();
    Show(Root().string());
    list->Select(1);
    Compose();
    SavePicture("filebrowserlist");
    const std::int32_t rh = list->GetRowHeight();
    const std::int32_t top = Y + list->GetBorderWidths().top;
    for (std::int32_t index : {1, 3})
    {
        SCOPED_TRACE(index);
        const UILib::CBitmap icon = list->GetEntryIcon(index);
        ASSERT_TRUE(icon.IsValid());
        const std::int32_t left = X + (list->GetIconWidth() - icon.GetWidth()) / 2;
        const std::int32_t rowTop = top + index * rh + (rh - icon.GetHeight()) / 2;
        int compared = 0;
        // The frame covers the first columns; every opaque icon pixel right of it shows as it is.
        for (std::int32_t y = 0; y < icon.GetHeight(); ++y)
        {
            for (std::int32_t x = 3; x < icon.GetWidth(); ++x)
            {
                const CColor pixel = icon.GetPixels()[y * icon.GetWidth() + x];
                if (pixel.GetAlpha() == 255)
                {
                    EXPECT_EQ(Pixel(left + x, rowTop + y), pixel) << x << "," << y;
                    ++compared;
                }
            }
        }
        EXPECT_GT(compared, 40);
    }
    EXPECT_EQ(Pixel(X + 290, top + rh + rh / 2), Highlight);
    EXPECT_NE(Pixel(X + 290, top + 3 * rh + rh / 2), Highlight);
}

} // namespace
