#include "ControlBench.h"

#include "platform/os/Drives.h"
#include "platform/os/KeyState.h"
#include "ui/controls/Button.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FileBrowserList.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/Label.h"
#include "ui/controls/MessageBox.h"

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using Platform::DriveKind;
using UILib::CButton;
using UILib::CEditControl;
using UILib::CFileBrowserList;
using UILib::CFilePicker;
using UILib::CMessageBox;

namespace
{

namespace fs = std::filesystem;

const CColor Highlight = StandardPalette(3);

class FilePickerTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        m_previousDrives = CFileBrowserList::SetDriveSource([this] { return drives; });
        fs::create_directories(Root() / "levels");
        fs::create_directories(Root() / "art");
        WriteFile("a.xml", "a");
        WriteFile("b.xml", "b");
        WriteFile("notes.txt", "n");
        WriteFile(".hidden.xml", "h");
        parent = Make<CRecordingWindow>(0, 0, RootWidth, RootHeight);
        picker = Make<CFilePicker>(0, 0, 350, 400, parent);
        picker->ApplyVisualization();
        picker->SetCallback(closed.Record());
        Show(Root().string());
    }
    void TearDown() override
    {
        CFileBrowserList::SetDriveSource(m_previousDrives);
        ControlTest::TearDown();
    }

    void Show(const std::string& folder)
    {
        picker->SetDirectory(folder.c_str());
        Frame();
        parent->log.clear();
    }
    std::string Folder() const { return Root().string() + "/"; }
    CFileBrowserList* List() const { return picker->GetBrowserList(); }
    CEditControl* NameField() const { return picker->GetFileNameEdit(); }
    bool OkEnabled() const { return !picker->GetOkButton()->IsDisabled(); }
    std::string Text(const BaseLib::CString& text) const { return static_cast<const char*>(text); }
    void ClickOn(UILib::CWindow* window)
    {
        const CPoint origin = window->GetScreenPosition();
        Click(origin.x + window->GetSize().cx / 2, origin.y + window->GetSize().cy / 2);
    }
    // The screen point in the middle of the list's entry.
    CPoint EntryPoint(const char* text) const
    {
        const std::int32_t index = List()->FindItem(text);
        EXPECT_GE(index, 0) << text;
        const std::int32_t rh = List()->GetRowHeight();
        const CPoint origin = List()->GetScreenPosition();
        return CPoint(origin.x + 80,
                      origin.y + List()->GetBorderWidths().top + (index - List()->GetTopIndex()) * rh + rh / 2);
    }
    void ClickEntry(const char* text)
    {
        const CPoint at = EntryPoint(text);
        Click(at.x, at.y);
    }
    // Clicks into the name field, clears it and types the text.
    void Type(const std::string& text)
    {
        ClickOn(NameField());
        NameField()->SetText("");
        for (const char c : text)
        {
            Char(static_cast<unsigned char>(c));
        }
    }
    CMessageBox* Question() const
    {
        return static_cast<CMessageBox*>(Manager()->Resolve(picker->GetOverwriteQuestion()));
    }
    std::vector<std::string> Results() const { return parent->Codes({"FilePick", "PickCncl"}); }

    std::vector<Platform::DriveInfo> drives{{"/", DriveKind::Fixed, ""}};
    CRecordingWindow* parent = nullptr;
    CFilePicker* picker = nullptr;
    CCallbackRecorder<CFilePicker*, bool> closed;

private:
    CFileBrowserList::DriveSource m_previousDrives;
};

TEST_F(FilePickerTest, ANewPickerOpensTheCurrentFolderWithAllFilesAndNothingToAcceptYet)
{
    auto* fresh = new CFilePicker();
    parent->AddChild(fresh->GetHandle());
    fresh->ApplyVisualization();
    EXPECT_EQ(fresh->GetSize(), BaseLib::CSize(350, 400));
    EXPECT_EQ(fresh->GetPosition(), CPoint((RootWidth - 350) / 2, (RootHeight - 400) / 2));
    EXPECT_EQ(Text(fresh->GetCaption()), "Open File");
    EXPECT_EQ(Text(fresh->GetOkButton()->GetText()), "Open");
    EXPECT_EQ(Text(fresh->GetCancelButton()->GetText()), "Cancel");
    EXPECT_EQ(Text(fresh->GetTypeComboBox()->GetText()), "All Files (*.*)");
    EXPECT_EQ(fresh->GetTypeComboBox()->GetAllowAnyText(), false);
    EXPECT_EQ(Text(fresh->GetDirectory()), fs::current_path().string() + "/");
    EXPECT_TRUE(fresh->GetOkButton()->IsDisabled()) << "\"..\" is selected";
    EXPECT_EQ(Text(fresh->GetClassName()), "CFilePicker");
    EXPECT_EQ(Text(fresh->GetDebugDescription()), "CDialogWindow");
    for (const char* part : {"__list", "__extensioncombobox", "__filenameedit", "__okbutton", "__cancelbutton",
                             "__closebutton"})
    {
        EXPECT_NE(fresh->FindChildByName(part, true), nullptr) << part;
    }
    fresh->Destroy();
    Frame();

    // Open mode: OK follows the selected entry's kind.
    struct Case
    {
        const char* entry;
        bool enabled;
    };
    for (const Case& c : {Case{"..", false}, Case{"art", false}, Case{"a.xml", true}, Case{"levels", false}})
    {
        SCOPED_TRACE(c.entry);
        ClickEntry(c.entry);
        EXPECT_EQ(Text(NameField()->GetText()), c.entry) << "the field shows the entry";
        EXPECT_EQ(OkEnabled(), c.enabled);
    }
    List()->ClearSelection();
    EXPECT_FALSE(OkEnabled()) << "nothing selected, nothing to open";

    // A double click on a file accepts it.
    const CPoint at = EntryPoint("b.xml");
    DoubleClick(Button::Left, at.x, at.y);
    Frames(2);
    EXPECT_EQ(Results(), (std::vector<std::string>{"FilePick"}));
    EXPECT_EQ(Text(picker->GetFileName()), Folder() + "b.xml");
    ASSERT_EQ(closed.calls.size(), 1u);
    EXPECT_EQ(closed.calls[0], std::make_tuple(picker, false));
}

TEST_F(FilePickerTest, PickableKindsChooseWhatOkAccepts)
{
    drives = {{"/", DriveKind::Fixed, ""}, {Root().string(), DriveKind::Removable, "STICK"}};
    Show(Root().string());
    const std::string drive = Root().string() + ": STICK";
    struct Case
    {
        std::uint32_t kinds;
        const char* entry;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {2, "levels", true},  {2, "..", false},      {2, "a.xml", false},      {2, drive.c_str(), false},
        {4, drive.c_str(), true}, {4, "levels", false}, {3, "a.xml", true},   {1, "levels", false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.kinds) + " " + c.entry);
        picker->SetPickableKinds(c.kinds);
        List()->Select(List()->FindItem(c.entry));
        EXPECT_EQ(OkEnabled(), c.enabled);
    }
    picker->SetPickableKinds(2);
    List()->Select(List()->FindItem("levels"));
    ClickOn(picker->GetOkButton());
    Frames(2);
    EXPECT_EQ(Results(), (std::vector<std::string>{"FilePick"}));
    EXPECT_EQ(Text(picker->GetFileName()), Folder() + "levels");
}

TEST_F(FilePickerTest, SaveModeTakesTheTypedNameInTheShownFolder)
{
    picker->SetMode(CFilePicker::SaveMode);
    EXPECT_EQ(Text(picker->GetCaption()), "Save File As");
    EXPECT_EQ(Text(picker->GetOkButton()->GetText()), "Save");

    Type("new.xml");
    EXPECT_EQ(List()->GetSelectedIndex(), -1) << "no entry of that name";
    EXPECT_TRUE(OkEnabled());
    ClickEntry("levels");
    EXPECT_FALSE(OkEnabled()) << "a folder is no name to save under";
    Type("");
    EXPECT_FALSE(OkEnabled());
    Type("new.xml");
    EXPECT_TRUE(OkEnabled());
    ClickOn(picker->GetOkButton());
    Frames(2);
    EXPECT_EQ(Question(), nullptr);
    EXPECT_EQ(Results(), (std::vector<std::string>{"FilePick"}));
    EXPECT_EQ(Text(picker->GetFileName()), Folder() + "new.xml") << "one slash between folder and name";

    // At the root the folder already ends with its slash.
    Show("/");
    Type("quarrow-none.xml");
    EXPECT_TRUE(OkEnabled());
    ClickOn(picker->GetOkButton());
    Frames(2);
    EXPECT_EQ(Question(), nullptr);
    EXPECT_EQ(Text(picker->GetFileName()), "/quarrow-none.xml");
}

TEST_F(FilePickerTest, AnExistingFileIsConfirmedBeforeItIsChosen)
{
    picker->SetMode(CFilePicker::SaveMode);
    Type("a.xml");
    EXPECT_EQ(Text(List()->GetSelectedText()), "a.xml") << "the listed name is selected";
    ClickOn(picker->GetOkButton());
    Frames(2);
    CMessageBox* question = Question();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(Text(question->GetCaption()), "Confirm Overwrite");
    EXPECT_EQ(Text(question->GetTextLabel()->GetText()),
              "File '" + Folder() + "a.xml' already exists. Are you sure you want to overwrite this file?");
    EXPECT_EQ(question->GetBoxFlags(), CMessageBox::ButtonsYesNo | CMessageBox::IconWarning);

    // "No": the picker stays open and tells nobody.
    ClickOn(question->GetButton(2));
    Frames(2);
    EXPECT_EQ(Question(), nullptr);
    EXPECT_TRUE(Results().empty());
    EXPECT_TRUE(closed.calls.empty());
    EXPECT_TRUE(picker->IsVisible());

    ClickOn(picker->GetOkButton());
    Frames(2);
    ASSERT_NE(Question(), nullptr);
    ClickOn(Question()->GetButton(1));
    Frames(2);
    EXPECT_EQ(Results(), (std::vector<std::string>{"FilePick"}));
    EXPECT_EQ(Text(picker->GetFileName()), Folder() + "a.xml");

    // Files the list does not show are asked about as well: another type, a hidden name, another case.
    picker->AddFilter("Text", "*.txt");
    for (const char* name : {"a.xml", ".hidden.xml", "B.XML"})
    {
        SCOPED_TRACE(name);
        Type(name);
        ClickOn(picker->GetOkButton());
        Frames(2);
        ASSERT_NE(Question(), nullptr);
        ClickOn(Question()->GetButton(2));
        Frames(2);
    }
    // Without confirmation the name is taken at once.
    picker->SetConfirmOverwrite(false);
    Type("a.xml");
    ClickOn(picker->GetOkButton());
    Frames(2);
    EXPECT_EQ(Question(), nullptr);
    EXPECT_EQ(Results(), (std::vector<std::string>{"FilePick", "FilePick"}));
}

TEST_F(FilePickerTest, CancelEscapeAndTheCloseButtonCancelAndThePickerStays)
{
    ClickOn(picker->GetCancelButton());
    Frames(2);
    // Escape with the focus in the list.
    ClickEntry("a.xml");
    KeyPress(Platform::VK_ESCAPE);
    Frames(2);
    ClickOn(picker->GetCloseButtonWindow());
    Frames(2);
    EXPECT_EQ(Results(), (std::vector<std::string>{"PickCncl", "PickCncl", "PickCncl"}));
    EXPECT_EQ(parent->Of("PickCncl")[0].second, picker->GetHandle());
    EXPECT_EQ(parent->Of("PickCncl")[0].flags, UILib::CWindowMessage::Input);
    ASSERT_EQ(closed.calls.size(), 3u);
    EXPECT_EQ(closed.calls[2], std::make_tuple(picker, true));
    EXPECT_TRUE(picker->IsVisible());
    EXPECT_EQ(picker->GetParentHandle(), parent->GetHandle());

    // Escape also from the file-type combo box once its list is closed.
    ClickOn(picker->GetTypeComboBox()->GetEdit());
    if (picker->GetTypeComboBox()->IsListOpen())
    {
        KeyPress(Platform::VK_ESCAPE);
        Frames(2);
        EXPECT_FALSE(picker->GetTypeComboBox()->IsListOpen());
        EXPECT_EQ(Results().size(), 3u) << "the open list's Escape closes only the list";
    }
    KeyPress(Platform::VK_ESCAPE);
    Frames(2);
    EXPECT_EQ(Results().size(), 4u);

    // A notify window that exists hears it in place of the parent; suppressed, nobody does.
    auto* target = Make<CRecordingWindow>(0, 0, 10, 10);
    picker->SetNotifyWindow(target->GetHandle());
    picker->EndDialog(false);
    Frames(2);
    EXPECT_EQ(target->Codes({"FilePick"}).size(), 1u);
    picker->SuppressEvents();
    picker->EndDialog(true);
    picker->ResumeEvents();
    Frames(2);
    EXPECT_EQ(Results().size(), 4u);
    EXPECT_EQ(closed.calls.size(), 5u);
}

TEST_F(FilePickerTest, FiltersChooseTheFilesAndClearingThemShowsAll)
{
    picker->AddFilter("Levels", "*.xml");
    picker->AddFilter("Notes", "*.txt");
    EXPECT_EQ(Text(picker->GetTypeComboBox()->GetText()), "Notes (*.txt)") << "the newest filter is current";
    EXPECT_EQ(List()->GetFileCount(), 1);
    picker->GetTypeComboBox()->SetSelection(1);
    EXPECT_EQ(List()->GetFileCount(), 2) << "the chosen type's files";
    EXPECT_EQ(Text(List()->GetItemText(List()->GetFolderCount())), "a.xml");

    picker->ClearFilters();
    EXPECT_TRUE(picker->GetFilters().empty());
    EXPECT_EQ(picker->GetTypeComboBox()->GetList()->GetItemCount(), 0);
    EXPECT_EQ(Text(picker->GetTypeComboBox()->GetText()), "");
    EXPECT_EQ(List()->GetFileCount(), 3) << "all files";
}

TEST_F(FilePickerTest, DestroyingThePickerTakesItsOpenQuestionAlong)
{
    picker->SetMode(CFilePicker::SaveMode);
    Type("a.xml");
    ClickOn(picker->GetOkButton());
    Frames(2);
    const UILib::Handle question = picker->GetOverwriteQuestion();
    ASSERT_NE(Manager()->Resolve(question), nullptr);
    picker->Destroy();
    Frames(3);
    EXPECT_EQ(Manager()->Resolve(question), nullptr);
    // Input goes on to the remaining windows: no modal window is left behind.
    auto* button = Make<CButton>(10, 10, 60, 20, parent);
    ClickOn(button);
    Frames(2);
    EXPECT_EQ(parent->Codes({"BtnClick"}).size(), 1u);
    EXPECT_TRUE(Results().empty());
}

TEST_F(FilePickerTest, PictureOfFoldersFilesAndEveryDriveKind)
{
    fs::create_directories(Root() / "disc");
    drives = {{"/", DriveKind::Fixed, ""},
              {Root().string() + "/disc", DriveKind::CdRom, "GAME"},
              {"/mnt/share", DriveKind::Remote, "TEAM"},
              {Root().string(), DriveKind::Removable, "STICK"}};
    Show(Root().string());
    ClickEntry("a.xml");
    Compose();
    SavePicture("filepicker");

    const CFileBrowserList* list = List();
    const CPoint origin = list->GetScreenPosition();
    const std::int32_t rh = list->GetRowHeight();
    const std::int32_t top = origin.y + list->GetBorderWidths().top;
    // Rows: "..", "art", "levels", then the files; one opaque pixel of each icon kind at its place.
    const auto iconPixel = [&](std::int32_t row, const UILib::CBitmap& icon, std::int32_t x, std::int32_t y) {
        const std::int32_t left = origin.x + (list->GetIconWidth() - icon.GetWidth()) / 2;
        const std::int32_t rowTop = top + row * rh + (rh - icon.GetHeight()) / 2;
        EXPECT_EQ(Pixel(left + x, rowTop + y), icon.GetPixels()[y * icon.GetWidth() + x]) << row;
    };
    iconPixel(1, list->GetFolderIcon(), 5, 8);
    iconPixel(list->FindItem("b.xml"), list->GetFileIcon(), 6, 8);
    EXPECT_EQ(List()->GetDriveCount(), 4);
    const std::int32_t selected = list->FindItem("a.xml");
    EXPECT_EQ(list->GetSelectedIndex(), selected);
    EXPECT_EQ(Pixel(origin.x + list->GetSize().cx - 10, top + selected * rh + rh / 2), Highlight);
}

} // namespace
