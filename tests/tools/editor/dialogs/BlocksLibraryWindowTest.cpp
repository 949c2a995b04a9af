#include "tools/editor/BlocksLibraryWindow.h"

#include "engine/EngineController.h"
#include "game/QuarrowWorld.h"
#include "puzzle/Block.h"
#include "puzzle/BlockImageNames.h"
#include "tests/ui/controls/ControlBench.h"
#include "tools/editor/BlockDesignerWindow.h"
#include "tools/editor/PuzzleEditor.h"
#include "tools/editor/PuzzleEditorWorkArea.h"
#include "ui/controls/Button.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/Label.h"
#include "ui/controls/SpinControlNumber.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/MessageBox.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>
#include <vector>

using namespace ControlBench;

namespace
{

std::string Text(const BaseLib::CString& text)
{
    return static_cast<const char*>(text);
}

// Stands in for the editor screens' work areas: records what it is handed.
class RecordingWorkArea : public CPuzzleEditorWorkArea
{
public:
    void SetPendingMetaBlock(const CMetaBlockDescription& description, bool vertical) override
    {
        CPuzzleEditorWorkArea::SetPendingMetaBlock(description, vertical);
        calls.emplace_back(description.GetName(), vertical);
    }
    std::vector<std::pair<std::string, bool>> calls;
};

const char* const kLibrary = R"(<?xml version="1.0"?>
<blockslibrary>
  <metablockdescription name="tee">
    <block type="normal" model="t_top"/><block type="linked" model="t_mid"/><block type="normal" model="t_end"/>
  </metablockdescription>
  <metablockdescription name="bar">
    <block type="normal" model="bar_a"/><block type="normal" model="bar_b"/>
  </metablockdescription>
  <metablockdescription name="single">
    <block type="player" model="hero"/>
  </metablockdescription>
</blockslibrary>
)";

class BlocksLibraryWindowTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        controller.GetPathAliases().RegisterPathAlias("model", PathOf("models"));
        controller.GetPathAliases().RegisterPathAlias("level", PathOf("level"));
        world.Initialize();
        workArea = Make<RecordingWorkArea>(0, 0, 10, 10);
        designer = CreateBlockDesignerWindow();
        RootWindow()->AddChild(designer->GetHandle());
        designer->SetVisible(false);
    }
    void TearDown() override
    {
        while (Manager()->GetTopModalWindow() != nullptr)
        {
            Manager()->RemoveModalWindow(Manager()->GetTopModalWindow());
        }
        ControlTest::TearDown();
        world.Shutdown();
    }

    CBlocksLibraryWindow* Open()
    {
        CBlocksLibraryWindow* window = CreateBlocksLibraryWindow(&world, &editor, workArea, designer);
        RootWindow()->AddChild(window->GetHandle());
        window->SetPosition(RootWidth - window->GetSize().cx, 0);
        return window;
    }
    static std::vector<std::string> Names(const CBlocksLibraryWindow& window)
    {
        std::vector<std::string> names;
        for (std::int32_t i = 0; i < window.GetList()->GetItemCount(); ++i)
        {
            names.push_back(Text(window.GetList()->GetItemText(i)));
        }
        return names;
    }
    static std::string Selected(const CBlocksLibraryWindow& window)
    {
        return Text(window.GetList()->GetSelectedText());
    }
    UILib::CButton* Button(CBlocksLibraryWindow& window, const char* name)
    {
        auto* button = static_cast<UILib::CButton*>(window.FindChildByName(name, true, "CButton"));
        EXPECT_NE(button, nullptr) << name;
        return button;
    }
    void ClickCentre(UILib::CWindow* window)
    {
        const BaseLib::CPoint at = window->GetScreenPosition();
        Click(at.x + window->GetSize().cx / 2, at.y + window->GetSize().cy / 2);
        Frame();
    }
    void Press(CBlocksLibraryWindow& window, const char* name) { ClickCentre(Button(window, name)); }
    UILib::CButton* DesignerButton(const char* name)
    {
        return static_cast<UILib::CButton*>(designer->FindChildByName(name, true, "CButton"));
    }
    // The library file's entry names in the order the file lists them.
    std::vector<std::string> FileNames()
    {
        TiXmlDocument document;
        EXPECT_TRUE(document.LoadFile(PathOf("level/blockslibrary.xml").c_str()));
        std::vector<std::string> names;
        const TiXmlElement* root = document.RootElement();
        for (const TiXmlElement* entry = root != nullptr ? root->FirstChildElement("metablockdescription") : nullptr;
             entry != nullptr; entry = entry->NextSiblingElement("metablockdescription"))
        {
            names.push_back(entry->Attribute("name") != nullptr ? entry->Attribute("name") : "");
        }
        return names;
    }

    Qen::CEngineController controller;
    CQuarrowWorld world{&controller};
    CPuzzleEditor editor{&world};
    RecordingWorkArea* workArea = nullptr;
    CBlockDesignerWindow* designer = nullptr;
};

TEST_F(BlocksLibraryWindowTest, ListsTheLibrarySortedWithAHorizontalChainIconPerEntry)
{
    WriteFile("level/blockslibrary.xml", kLibrary);
    CBlocksLibraryWindow* window = Open();
    EXPECT_EQ(Text(window->GetCaption()), "Blocks Library");
    EXPECT_EQ(window->GetSize(), BaseLib::CSize(240, 480));
    EXPECT_TRUE(window->IsAlwaysOnTop());
    ASSERT_NE(window->GetList(), nullptr);
    EXPECT_EQ(Names(*window), std::vector<std::string>({"bar", "single", "tee"}));

    // "tee": three parts, each its type's image as a piece of a horizontal chain, 15 pixels square.
    const UILib::CBitmap icon = CBlocksLibraryWindow::DrawEntryIcon(window->GetLibrary().GetEntry(2));
    ASSERT_EQ(icon.GetSize(), BaseLib::CSize(45, 15));
    const std::string images[] = {Block2DImageName("normal", false, false, true, false),
                                  Block2DImageName("linked", false, false, true, true),
                                  Block2DImageName("normal", false, false, false, true)};
    for (std::int32_t i = 0; i < 3; ++i)
    {
        const UILib::CBitmap part(images[i].c_str(), 15, 15);
        ASSERT_FALSE(part.IsPlaceholder()) << images[i];
        for (const BaseLib::CPoint at : {BaseLib::CPoint(7, 7), BaseLib::CPoint(2, 12)})
        {
            EXPECT_EQ(icon.GetPixels()[at.y * 45 + 15 * i + at.x], part.GetPixels()[at.y * 15 + at.x])
                << "part " << i << " at " << at.x << ", " << at.y;
        }
    }
    EXPECT_GE(window->GetList()->GetIconWidth(), 15);
}

TEST_F(BlocksLibraryWindowTest, AMissingFileGivesAnEmptyListAndIsCreatedWhenTheWindowGoes)
{
    CBlocksLibraryWindow* window = Open();
    EXPECT_TRUE(Names(*window).empty());
    Press(*window, "newbutton");
    ClickCentre(DesignerButton("okbutton"));
    window->Delete();
    EXPECT_EQ(FileNames(), std::vector<std::string>({"noname"}));
}

TEST_F(BlocksLibraryWindowTest, ANewEntryAcceptedUnchangedIsANonameOfTwoNormalParts)
{
    WriteFile("level/blockslibrary.xml", kLibrary);
    CBlocksLibraryWindow* window = Open();
    Press(*window, "newbutton");
    EXPECT_TRUE(designer->GetVisible());
    EXPECT_EQ(Manager()->GetTopModalWindow(), designer);
    EXPECT_EQ(window->GetDesignerMode(), CBlocksLibraryWindow::DesignNewEntry);
    EXPECT_FALSE(designer->GetNameEdit()->GetDisabled());
    ClickCentre(DesignerButton("okbutton"));

    EXPECT_FALSE(designer->GetVisible());
    EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr);
    EXPECT_EQ(Names(*window), std::vector<std::string>({"bar", "noname", "single", "tee"}));
    EXPECT_EQ(Selected(*window), "noname");
    const CMetaBlockDescription& added = window->GetLibrary().GetEntry(1);
    ASSERT_EQ(added.GetParts().size(), 2u);
    for (const MetaBlockPart& part : added.GetParts())
    {
        EXPECT_EQ(part.type, "normal");
        EXPECT_EQ(part.model, "blk_default");
    }

    // Cancelled, nothing changes.
    Press(*window, "newbutton");
    ClickCentre(DesignerButton("cancelbutton"));
    EXPECT_FALSE(designer->GetVisible());
    EXPECT_EQ(Names(*window).size(), 4u);
}

TEST_F(BlocksLibraryWindowTest, EditingAnEntryUnderANewNameResortsAndSelectsIt)
{
    WriteFile("level/blockslibrary.xml", kLibrary);
    CBlocksLibraryWindow* window = Open();
    window->GetList()->Select(0); // "bar"
    Press(*window, "editbutton");
    EXPECT_EQ(window->GetDesignerMode(), CBlocksLibraryWindow::DesignSelectedEntry);
    EXPECT_EQ(Text(designer->GetNameEdit()->GetText()), "bar");
    EXPECT_EQ(Text(designer->GetRow(1).model->GetText()), "bar_b");
    designer->GetNameEdit()->SetText("zed");
    designer->GetRow(1).type->SetText("linked");
    ClickCentre(DesignerButton("okbutton"));

    EXPECT_EQ(Names(*window), std::vector<std::string>({"single", "tee", "zed"}));
    EXPECT_EQ(Selected(*window), "zed");
    const CMetaBlockDescription& edited = window->GetLibrary().GetEntry(2);
    ASSERT_EQ(edited.GetParts().size(), 2u);
    EXPECT_EQ(edited.GetParts()[1].type, "linked");
    EXPECT_EQ(edited.GetParts()[1].model, "bar_b");
}

TEST_F(BlocksLibraryWindowTest, DeletingAsksFirstAndOnlyYesRemoves)
{
    WriteFile("level/blockslibrary.xml", kLibrary);
    CBlocksLibraryWindow* window = Open();
    window->GetList()->Select(2); // "tee"
    for (const bool yes : {false, true})
    {
        Press(*window, "deletebutton");
        auto* box = dynamic_cast<UILib::CMessageBox*>(Manager()->GetTopModalWindow());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(Text(box->GetCaption()), "Confirm Delete");
        EXPECT_EQ(Text(box->GetTextLabel()->GetText()), "Are you sure you want to delete block 'tee'?");
        EXPECT_EQ(box->GetBoxFlags(), UILib::CMessageBox::ButtonsYesNo | UILib::CMessageBox::IconWarning);
        ASSERT_EQ(Text(box->GetButton(1)->GetText()), "Yes");
        ASSERT_EQ(Text(box->GetButton(2)->GetText()), "No");
        ClickCentre(box->GetButton(yes ? 1 : 2));
        EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr);
        EXPECT_EQ(Names(*window), yes ? std::vector<std::string>({"bar", "single"})
                                      : std::vector<std::string>({"bar", "single", "tee"}));
    }
}

TEST_F(BlocksLibraryWindowTest, AWindowThatGoesWhileAskingOrDesigningLeavesNothingOpen)
{
    WriteFile("level/blockslibrary.xml", kLibrary);
    CBlocksLibraryWindow* window = Open();
    window->GetList()->Select(1);
    Press(*window, "deletebutton");
    const UILib::CWindow* box = Manager()->GetTopModalWindow();
    ASSERT_NE(box, nullptr);
    const UILib::Handle question = box->GetHandle();
    window->Delete();
    Frame();
    EXPECT_EQ(Manager()->Resolve(question), nullptr);
    EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr);
    EXPECT_EQ(FileNames(), std::vector<std::string>({"bar", "single", "tee"})) << "nothing deleted";

    window = Open();
    Press(*window, "newbutton");
    window->Delete();
    EXPECT_FALSE(designer->GetVisible());
    EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr);
    ClickCentre(DesignerButton("okbutton")); // no callback into the window that is gone
}

TEST_F(BlocksLibraryWindowTest, PlaceEditAndDeleteNeedASelection)
{
    WriteFile("level/blockslibrary.xml", kLibrary);
    CBlocksLibraryWindow* window = Open();
    window->GetList()->Select(-1);
    for (const char* button : {"placehbutton", "placevbutton", "editbutton", "deletebutton"})
    {
        Press(*window, button);
        EXPECT_FALSE(designer->GetVisible()) << button;
        EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr) << button;
    }
    EXPECT_TRUE(workArea->calls.empty());
    EXPECT_FALSE(workArea->IsPlacing());

    window->GetList()->Select(2);
    Press(*window, "placevbutton");
    Press(*window, "placehbutton");
    ASSERT_EQ(workArea->calls.size(), 2u);
    EXPECT_EQ(workArea->calls[0], std::make_pair(std::string("tee"), true));
    EXPECT_EQ(workArea->calls[1], std::make_pair(std::string("tee"), false));
    EXPECT_TRUE(workArea->IsPlacing());
    EXPECT_EQ(workArea->GetPendingDescription().GetParts().size(), 3u);
    EXPECT_FALSE(workArea->IsPendingVertical());
}

TEST_F(BlocksLibraryWindowTest, TheWindowGoingWritesTheLibrarySorted)
{
    WriteFile("level/blockslibrary.xml", kLibrary);
    CBlocksLibraryWindow* window = Open();
    Press(*window, "newbutton");
    designer->GetNameEdit()->SetText("arch");
    ClickCentre(DesignerButton("okbutton"));
    Press(*window, "newbutton");
    designer->GetNameEdit()->SetText("post");
    designer->GetBlockSizeSpin()->SetValue(1);
    ClickCentre(DesignerButton("okbutton"));

    window->SetPosition(RootWidth - 240, 0);
    Compose();
    EXPECT_FALSE(SavePicture("blockslibrary").empty());
    // The first row shows the "arch" icon, centred in the icon column.
    const UILib::CBitmap archIcon = CBlocksLibraryWindow::DrawEntryIcon(window->GetLibrary().GetEntry(0));
    const BaseLib::CPoint list = window->GetList()->GetScreenPosition();
    // Somewhere near the list's top left, every opaque pixel of the icon is on screen as it is drawn.
    const auto iconAt = [&](std::int32_t left, std::int32_t top) {
        for (std::int32_t y = 0; y < archIcon.GetHeight(); ++y)
        {
            for (std::int32_t x = 0; x < archIcon.GetWidth(); ++x)
            {
                const BaseLib::CColor colour = archIcon.GetPixels()[y * archIcon.GetWidth() + x];
                if (colour.argb >> 24 == 255 && Pixel(left + x, top + y) != colour)
                {
                    return false;
                }
            }
        }
        return true;
    };
    bool found = false;
    for (std::int32_t x = list.x; x < list.x + 60 && !found; ++x)
    {
        for (std::int32_t y = list.y; y < list.y + 10 && !found; ++y)
        {
            found = iconAt(x, y);
        }
    }
    EXPECT_TRUE(found) << "the first row shows the icon of \"arch\"";

    EXPECT_EQ(FileNames(), std::vector<std::string>({"tee", "bar", "single"})) << "not written before it goes";
    window->Delete();
    EXPECT_EQ(FileNames(), std::vector<std::string>({"arch", "bar", "post", "single", "tee"}));
    BlocksLibrary written;
    ASSERT_TRUE(written.Load(PathOf("level/blockslibrary.xml")));
    EXPECT_EQ(written.GetEntry(2).GetParts().size(), 1u);
    EXPECT_EQ(written.GetEntry(2).GetParts()[0].type, "obstacle");
}

TEST_F(BlocksLibraryWindowTest, BothEditorScreensWindowsShareOneCopyWrittenByTheLastToGo)
{
    WriteFile("level/blockslibrary.xml", kLibrary);
    CBlocksLibraryWindow* first = Open();
    CBlocksLibraryWindow* second = Open();
    Press(*first, "newbutton");
    designer->GetNameEdit()->SetText("from2d");
    ClickCentre(DesignerButton("okbutton"));
    second->RefreshList();
    Press(*second, "newbutton");
    designer->GetNameEdit()->SetText("from3d");
    ClickCentre(DesignerButton("okbutton"));

    EXPECT_EQ(&first->GetLibrary(), &second->GetLibrary());
    second->Delete();
    EXPECT_EQ(FileNames(), std::vector<std::string>({"tee", "bar", "single"})) << "written only by the last";
    first->Delete();
    EXPECT_EQ(FileNames(), std::vector<std::string>({"bar", "from2d", "from3d", "single", "tee"}));
}

TEST_F(BlocksLibraryWindowTest, AutoGivesThePuzzlesBlocksTheLibrarysModels)
{
    WriteFile("level/blockslibrary.xml", kLibrary);
    // Two linked normal blocks side by side, matching "bar".
    WriteFile("pair.txt", "AA----\n-----PE\n------\n");
    world.LoadLevel(PathOf("pair.txt"));
    ASSERT_NE(world.GetPuzzle(), nullptr);
    const std::int32_t before = editor.GetChangeNumber();
    CBlocksLibraryWindow* window = Open();
    Press(*window, "autobutton");
    std::vector<std::string> models;
    for (const CBlock* block : world.GetPuzzle()->GetBlocks())
    {
        if (std::string(block->GetTypeName()) == "normal")
        {
            models.push_back(block->GetModelName());
        }
    }
    EXPECT_EQ(models, std::vector<std::string>({"bar_a", "bar_b"}));
    EXPECT_NE(editor.GetChangeNumber(), before) << "the puzzle is marked changed through the editor";
}

} // namespace
