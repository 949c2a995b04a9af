#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/Drives.h"
#include "platform/os/KeyState.h"
#include "ui/controls/Button.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/FileEditCombo.h"
#include "ui/controls/FilePicker.h"

#include <filesystem>
#include <string>
#include <vector>

using namespace ControlBench;
using BaseLib::CPoint;
using BaseLib::CSize;
using UILib::CFileBrowserList;
using UILib::CFileEditCombo;
using UILib::CFilePicker;

namespace
{

namespace fs = std::filesystem;

class FileEditComboTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        m_previousDrives = CFileBrowserList::SetDriveSource(
            [] { return std::vector<Platform::DriveInfo>{{"/", Platform::DriveKind::Fixed, ""}}; });
        fs::create_directories(Root() / "levels");
        WriteFile("a.xml", "a");
        WriteFile("b.xml", "b");
        parent = Make<CRecordingWindow>(0, 0, RootWidth, RootHeight);
        combo = Make<CFileEditCombo>(20, 20, 200, 20, parent);
        combo->SetDirectory(Root().string().c_str());
        combo->SetOnFileChanged(changes.Record());
    }
    void TearDown() override
    {
        CFileBrowserList::SetDriveSource(m_previousDrives);
        ControlTest::TearDown();
    }

    std::string Folder() const { return Root().string() + "/"; }
    std::string Text(const BaseLib::CString& text) const { return static_cast<const char*>(text); }
    std::string Shown() const { return Text(combo->GetEdit()->GetText()); }
    CFilePicker* Picker() const { return combo->GetPicker(); }
    void ClickOn(UILib::CWindow* window)
    {
        const CPoint origin = window->GetScreenPosition();
        Click(origin.x + window->GetSize().cx / 2, origin.y + window->GetSize().cy / 2);
    }
    void OpenPicker()
    {
        ClickOn(combo->GetButton());
        Frame();
    }
    void PickEntry(const char* text)
    {
        CFileBrowserList* list = Picker()->GetBrowserList();
        const std::int32_t index = list->FindItem(text);
        ASSERT_GE(index, 0) << text;
        const std::int32_t rh = list->GetRowHeight();
        const CPoint origin = list->GetScreenPosition();
        Click(origin.x + 80, origin.y + list->GetBorderWidths().top + (index - list->GetTopIndex()) * rh + rh / 2);
        ClickOn(Picker()->GetOkButton());
        Frames(2);
    }
    bool PickerIsOpen() const
    {
        return Picker()->IsVisible() && Picker()->GetParentHandle() != 0 && Manager()->GetTopModalWindow() == Picker();
    }
    bool PickerIsClosed() const
    {
        return !Picker()->IsVisible() && Picker()->GetParentHandle() == 0 && Manager()->GetTopModalWindow() == nullptr;
    }

    CRecordingWindow* parent = nullptr;
    CFileEditCombo* combo = nullptr;
    CCallbackRecorder<CFileEditCombo*> changes;

private:
    CFileBrowserList::DriveSource m_previousDrives;
};

TEST_F(FileEditComboTest, TheButtonTakesThreeHalvesOfTheHeightAndTheFieldTheRestLessTen)
{
    struct Case
    {
        CSize size;
        CPoint buttonAt;
        CSize button;
        CSize edit;
    };
    const std::vector<Case> cases = {
        {CSize(200, 20), CPoint(170, 0), CSize(30, 20), CSize(160, 20)},
        {CSize(100, 15), CPoint(78, 0), CSize(22, 15), CSize(68, 15)}, // 22.5 truncated
        {CSize(300, 30), CPoint(255, 0), CSize(45, 30), CSize(245, 30)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.size.cx);
        combo->SetSize(c.size.cx, c.size.cy);
        EXPECT_EQ(combo->GetButton()->GetPosition(), c.buttonAt);
        EXPECT_EQ(combo->GetButton()->GetSize(), c.button);
        EXPECT_EQ(combo->GetEdit()->GetPosition(), CPoint(0, 0));
        EXPECT_EQ(combo->GetEdit()->GetSize(), c.edit);
    }
    EXPECT_EQ(Text(combo->GetButton()->GetText()), "...");
    EXPECT_EQ(Text(combo->GetClassName()), "CFileEditCombo");
    EXPECT_EQ(Text(combo->GetDebugDescription()), "CWindow");
    EXPECT_EQ(Picker()->GetParentHandle(), 0u) << "the picker is no child while closed";
    EXPECT_FALSE(Picker()->IsVisible());
    EXPECT_EQ(Text(Picker()->GetName()), "__picker");
    EXPECT_TRUE(Picker()->GetConfirmOverwrite());
}

TEST_F(FileEditComboTest, PickingAFileShowsItByModeAndTellsOnce)
{
    OpenPicker();
    ASSERT_TRUE(PickerIsOpen());
    EXPECT_EQ(Picker()->GetPosition(), CPoint((RootWidth - 350) / 2, (RootHeight - 400) / 2));
    PickEntry("a.xml");
    EXPECT_TRUE(PickerIsClosed());
    EXPECT_EQ(Text(combo->GetFileName()), "a.xml");
    EXPECT_EQ(Text(combo->GetDirectory()), Folder());
    EXPECT_EQ(Shown(), Folder() + "a.xml");
    EXPECT_EQ(changes.calls.size(), 1u);

    combo->SetDisplayMode(CFileEditCombo::ShowOnlyFilename);
    EXPECT_EQ(Shown(), "a.xml");
    EXPECT_EQ(changes.calls.size(), 2u);
    EXPECT_TRUE(parent->Codes({"EditChng"}).empty()) << "the field's own change is not told";

    // The same name in another letter case is the same file when only one exists.
    for (const std::string& same : {std::string("A.XML"), Folder() + "A.xml", std::string("a.xml")})
    {
        combo->SetFileName(same.c_str());
        EXPECT_EQ(Text(combo->GetFileName()), "a.xml") << same;
    }
    EXPECT_EQ(changes.calls.size(), 2u);

    // Cancel keeps everything.
    OpenPicker();
    PickEntry("b.xml");
    EXPECT_EQ(Text(combo->GetFileName()), "b.xml");
    OpenPicker();
    ClickOn(Picker()->GetCancelButton());
    Frames(2);
    EXPECT_TRUE(PickerIsClosed());
    EXPECT_EQ(Text(combo->GetFileName()), "b.xml");
    EXPECT_EQ(changes.calls.size(), 3u);
}

TEST_F(FileEditComboTest, TypingTellsEveryChange)
{
    ClickOn(combo->GetEdit());
    for (const char c : std::string("map"))
    {
        Char(static_cast<unsigned char>(c));
    }
    EXPECT_EQ(changes.calls.size(), 3u);
    EXPECT_EQ(Text(combo->GetFileName()), "map");
}

TEST_F(FileEditComboTest, ATypedFolderPartIsTheFolderSoTheFullPathHoldsItOnce)
{
    // The field shows the full path by default: editing it must not put the folder in front again.
    combo->SetFileName((Folder() + "a.xml").c_str());
    struct Case
    {
        std::string typed;
        std::string name;
        std::string folder;
    };
    const std::vector<Case> cases = {
        {Folder() + "levels/new.xml", "new.xml", Folder() + "levels/"},
        {Folder() + "b.xml", "b.xml", Folder()},
        {"map", "map", Folder()},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.typed);
        ClickOn(combo->GetEdit());
        combo->GetEdit()->GetModel().SelectRange(0, combo->GetEdit()->GetText().GetLength());
        for (const char ch : c.typed)
        {
            Char(static_cast<unsigned char>(ch));
        }
        EXPECT_EQ(Text(combo->GetFileName()), c.name);
        EXPECT_EQ(Text(combo->GetDirectory()), c.folder);
        EXPECT_EQ(Text(combo->GetFullPath()), c.folder + c.name);
        EXPECT_EQ(Shown(), c.typed) << "the typed text stays as typed";
    }
}

TEST_F(FileEditComboTest, APickerLeftInSaveModeOpensForOpeningWithTheFocus)
{
    Picker()->SetMode(CFilePicker::SaveMode);
    OpenPicker();
    EXPECT_EQ(Picker()->GetMode(), CFilePicker::OpenMode);
    EXPECT_EQ(Text(Picker()->GetOkButton()->GetText()), "Open");
    EXPECT_EQ(Text(Picker()->GetCaption()), "Open File");
    UILib::CWindow* focus = Manager()->Resolve(Manager()->GetFocus());
    ASSERT_NE(focus, nullptr);
    EXPECT_TRUE(focus == Picker() || focus->IsDescendantOf(Picker()->GetHandle())) << "the keys go to the picker";

    // So Escape reaches it.
    KeyPress(Platform::VK_ESCAPE);
    Frames(2);
    EXPECT_TRUE(PickerIsClosed());
    EXPECT_TRUE(changes.calls.empty());
}

TEST_F(FileEditComboTest, SetFileNameTakesMatchedNamesNewNamesAndFolders)
{
    WriteFile("A.xml", "A");
    struct Case
    {
        std::string path;
        std::string name;
        std::string folder;
    };
    const std::vector<Case> cases = {
        {Folder() + "A.xml", "A.xml", Folder()},
        {Folder() + "a.xml", "a.xml", Folder()},
        {Folder() + "new.xml", "new.xml", Folder()},
        {Folder() + "levels/", "", Folder() + "levels/"},
        {"other.xml", "other.xml", Folder() + "levels/"},
        {Folder() + "b", "b.xml", Folder()},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        combo->SetFileName(c.path.c_str());
        EXPECT_EQ(Text(combo->GetFileName()), c.name);
        EXPECT_EQ(Text(combo->GetDirectory()), c.folder);
        EXPECT_EQ(Shown(), c.folder + c.name);
    }
    combo->SetFileName((Folder() + "levels/").c_str());
    EXPECT_EQ(Text(combo->GetFullPath()), Folder() + "levels/");
}

TEST_F(FileEditComboTest, SelectableEntriesLetTheUserPickAFolder)
{
    combo->SetSelectableEntries(2);
    OpenPicker();
    PickEntry("levels");
    EXPECT_EQ(Text(combo->GetFileName()), "levels");
    EXPECT_EQ(Text(combo->GetFullPath()), Folder() + "levels");

    // Filters and the overwrite question are the picker's.
    combo->AddFilter("Levels", "*.xml");
    EXPECT_EQ(Picker()->GetFilters().size(), 2u);
    combo->SetConfirmOverwrite(false);
    EXPECT_FALSE(Picker()->GetConfirmOverwrite());
}

TEST_F(FileEditComboTest, DisplayModeIsAPropertyAndTheControlTakesItsPickerAlong)
{
    EXPECT_EQ(Property(*combo, "Display Mode"), "ShowFullPath");
    SetProperty(*combo, "Display Mode", "ShowOnlyFilename");
    EXPECT_EQ(combo->GetDisplayMode(), CFileEditCombo::ShowOnlyFilename);
    SetProperty(*combo, "Display Mode", "ShowFullPath");
    EXPECT_EQ(combo->GetDisplayMode(), CFileEditCombo::ShowFullPath);
    SetProperty(*combo, "Display Mode", "ShowFilename");
    EXPECT_EQ(combo->GetDisplayMode(), CFileEditCombo::ShowOnlyFilename);
    UILib::CPropertyList list;
    combo->GetProperties(list);
    EXPECT_EQ(list.size(), 12u);

    OpenPicker();
    const UILib::Handle picker = Picker()->GetHandle();
    combo->Destroy();
    Frames(3);
    EXPECT_EQ(Manager()->Resolve(picker), nullptr);
    EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr);
}

} // namespace
