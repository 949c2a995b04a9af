// The puzzle editor's screens in the running game (developer mode, the committed layouts, the "level"
// alias on a folder of the test): the 2D work area's selection frames, placing and the drags it lets
// through, the tool window's exits, refresh, save names and gfx set, the screen's pause while world
// commands are pending, Escape in its dialogs, F1, the batch processor's screenshot hand-shake, and the
// 3D work area's cell under the view ray.
#include "tools/editor/PuzzleEditorScreen.h"

#include "foundation/ConfigFile.h"
#include "foundation/PathAliases.h"
#include "framework/CommandQueue.h"
#include "game/DeveloperTools.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/PuzzleRenderer2D.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/puzzle/PuzzleScreenTesting.h"
#include "tools/DeveloperTools.h"
#include "tools/batch/BatchProcessor.h"
#include "tools/editor/BlockDesignerWindow.h"
#include "tools/editor/BlocksLibraryWindow.h"
#include "tools/editor/PuzzleEditor.h"
#include "tools/editor/PuzzleEditorMenuWindow.h"
#include "tools/editor/PuzzleEditorWorkArea2D.h"
#include "tools/editor/PuzzleEditorWorkArea3D.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FileEditCombo.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/SpinControlNumber.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace
{

namespace fs = std::filesystem;
using BaseLib::CPoint;
using GameTesting::GameHarness;
using GameTesting::GameSettings;
using GameTesting::Pixels;

// A 6 × 6 board: a linked pair "AA" at the top left, the player one cell short of the east exit, an
// obstacle.
const char* const kBoard = "AA----\n-----PE\n------\n--O---\n------\n------\n";

// A stress tester that, while armed, posts a world command in every world step: the command is then
// still pending when the screens update in that frame.
bool g_postCommands = false;
class CommandPoster : public StressTesterInterface
{
public:
    explicit CommandPoster(CQuarrowWorld* world) : m_world(world) {}
    void Update(double) override
    {
        if (g_postCommands)
        {
            m_world->GetCommandQueue()->PostCommand("SetPause", "false");
        }
    }

private:
    CQuarrowWorld* m_world;
};

StressTesterInterface* CreateCommandPoster(CQuarrowWorld* world)
{
    return new CommandPoster(world);
}

BatchProcessorInterface* CreateBatch(CQuarrowWorld* world)
{
    return new CBatchProcessor(world);
}

// A batch processor that waits for a screenshot from the start and does nothing else.
bool g_screenshotWait = false;
class WaitingBatch : public BatchProcessorInterface
{
public:
    void SetCalcSolveMoves(bool) override {}
    void SetRefine(bool) override {}
    void SetDeleteOriginals(bool) override {}
    void SetForceRecalculation(bool) override {}
    void SetConvertToBinary(bool) override {}
    void SetScreenshots(bool) override {}
    void SetAssignModels(bool) override {}
    void SetSolverTimeout(double) override {}
    void ProcessFolder(const std::string&) override { g_screenshotWait = true; }
    void Update(double) override {}
    void ClearScreenshotWait() override { g_screenshotWait = false; }
};

BatchProcessorInterface* CreateWaitingBatch(CQuarrowWorld*)
{
    return new WaitingBatch();
}

bool IsRed(std::uint32_t pixel)
{
    return ((pixel >> 16) & 0xFF) > 220 && ((pixel >> 8) & 0xFF) < 40 && (pixel & 0xFF) < 40;
}

class PuzzleEditorScreenTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegisterDeveloperTools();
        m_levels =
            fs::temp_directory_path() / ("quarrow-editor-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_levels);
        fs::create_directories(m_levels);
    }

    void TearDown() override
    {
        game.reset();
        g_postCommands = false;
        CQuarrowUI::SetScreenCreator("devmenu", nullptr);
        CQuarrowUI::SetScreenCreator("editor2d", nullptr);
        CQuarrowUI::SetScreenCreator("editor3d", nullptr);
        CQuarrowWorld::SetToolCreators(nullptr, nullptr);
        std::error_code error;
        fs::remove_all(m_levels, error);
    }

    // The game in developer mode on "editor2d" with the board playing.
    void Start(const std::string& grid = kBoard, const std::string& screen = "editor2d")
    {
        GameSettings settings;
        settings.developer = true;
        settings.renderer = screen == "editor3d" ? "3d" : "2d";
        settings.aliases = {{"level", m_levels.string() + "/"}};
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        PuzzleScreenTesting::NameStates(*game);
        game->AddProfile("editor");
        game->FocusWindow();
        const std::string board = (m_levels / "board.txt").string();
        std::ofstream(board) << grid;
        game->PostWorldCommand("StartGame");
        ASSERT_TRUE(game->RunFrames(1));
        game->PostWorldCommand("StartLevel", board);
        ASSERT_TRUE(game->RunFrames(1));
        ASSERT_TRUE(game->SwitchTo(screen));
        // The developer menu, left, keeps its own renderer choice: the test's is put back.
        game->Game().GetConfiguration()->SetString("startup/renderer", settings.renderer);
        ASSERT_TRUE(game->RunUntil([&] { return PuzzleScreenTesting::PuzzleStateOf(*game) == "Playing"; },
                                   "the level playing", 2000, 300.0));
        ASSERT_TRUE(game->World().IsEditorMode());
    }

    CPuzzleEditorScreen2D& Screen() const
    {
        return *dynamic_cast<CPuzzleEditorScreen2D*>(game->Screens().FindScreen("editor2d"));
    }
    CPuzzleEditor& Editor() const { return *Screen().Parts().GetEditor(); }
    CPuzzleEditorMenuWindow& Tool() const { return *Screen().Parts().GetToolWindow(); }
    CEditablePuzzle& Puzzle() const { return *game->World().GetPuzzle(); }
    CPuzzleRenderer2D& View() const { return *Screen().GetBoardView(); }

    const CBlock* BlockAtCell(float x, float y) const
    {
        for (const CBlock* block : Puzzle().GetBlocks())
        {
            if (block->GetRect().left == x && block->GetRect().top == y)
            {
                return block;
            }
        }
        return nullptr;
    }

    // The window pixel showing a point of the board (in cells).
    CPoint PixelOfCell(float x, float y) const
    {
        const CPoint field = Screen().GetPlayingField()->GetScreenPosition();
        const CPoint at = View().CellToScreen(x, y);
        return game->WindowPoint(CPoint(field.x + at.x, field.y + at.y));
    }

    // Whether the frame's pixel at the top edge of the block's rectangle, a quarter in, is red.
    bool FramedInRed(const CBlock& block)
    {
        int width = 0;
        int height = 0;
        const Pixels pixels = game->ReadFrame(width, height);
        const BaseLib::CRectF& r = block.GetRect();
        const CPoint at = PixelOfCell(r.left + (r.right - r.left) / 4.0f, r.top);
        if (pixels.empty() || at.x < 0 || at.y < 0 || at.x >= width || at.y >= height)
        {
            return false;
        }
        return IsRed(pixels[static_cast<std::size_t>(at.y) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(at.x)]);
    }

    std::string Resolve(const std::string& path) const
    {
        return UILib::CUILibSystem::GetInstance()->GetPathAliases()->ResolvePath(path);
    }

    // The folder a file field's picker shows, without a closing "/".
    static std::string Folder(const UILib::CFileEditCombo* file)
    {
        return Folder(std::string(file->GetPicker()->GetDirectory()));
    }
    static std::string Folder(std::string path)
    {
        while (path.size() > 1 && path.back() == '/')
        {
            path.pop_back();
        }
        return path;
    }

    std::unique_ptr<GameHarness> game;
    fs::path m_levels;
};

// The tool window's controls, in a suite of its own.
class PuzzleEditorToolWindowTest : public PuzzleEditorScreenTest
{
};

TEST_F(PuzzleEditorScreenTest, AClickSelectsAndFramesTheWholeChainAndEmptyGroundClearsIt)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    const CBlock* left = BlockAtCell(0, 0);
    const CBlock* right = BlockAtCell(1, 0);
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    ASSERT_TRUE(left->LinkSetContains(right));
    EXPECT_FALSE(FramedInRed(*left));

    ASSERT_TRUE(game->Click(PixelOfCell(0.5f, 0.5f)));
    EXPECT_EQ(Editor().GetSelectedBlock(), left->GetId());
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_TRUE(FramedInRed(*left));
    EXPECT_TRUE(FramedInRed(*right));
    EXPECT_FALSE(Tool().GetDeleteButton()->IsDisabled());
    EXPECT_FALSE(Tool().GetEditButton()->IsDisabled());

    // The picture: the pair framed, the tool window at the top right.
    UILib::CWindow* root = Screen().GetRootPanel();
    EXPECT_EQ(Tool().GetPosition().x, root->GetSize().cx - Tool().GetSize().cx);
    EXPECT_EQ(Tool().GetPosition().y, 0);
    EXPECT_EQ(std::string(Tool().GetCaption()), "Puzzle");
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "editor2d"));

    ASSERT_TRUE(game->Click(PixelOfCell(3.5f, 4.5f)));
    EXPECT_EQ(Editor().GetSelectedBlock(), -1);
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_FALSE(FramedInRed(*left));
    EXPECT_FALSE(FramedInRed(*right));
    EXPECT_TRUE(Tool().GetDeleteButton()->IsDisabled());
    EXPECT_TRUE(Tool().GetEditButton()->IsDisabled());
}

TEST_F(PuzzleEditorScreenTest, APlacingClickLaysTheBlockWithoutSelectingAndDragsStillReachTheBlocks)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CPuzzleEditorWorkArea2D* workArea = Screen().GetWorkArea2D();
    ASSERT_NE(workArea, nullptr);
    CMetaBlockDescription pair;
    pair.GetParts() = {MetaBlockPart{"normal", "blk_default"}, MetaBlockPart{"normal", "blk_default"}};

    // On a block: the click places nothing there (overlap), selects nothing and grabs nothing.
    workArea->SetPendingMetaBlock(pair, true);
    const std::size_t before = Puzzle().GetBlocks().size();
    ASSERT_TRUE(game->Click(PixelOfCell(5.5f, 1.5f)));
    EXPECT_FALSE(workArea->IsPlacing());
    EXPECT_EQ(Editor().GetSelectedBlock(), -1);
    EXPECT_EQ(Puzzle().GetBlocks().size(), before);
    EXPECT_EQ(PuzzleScreenTesting::TakeGameCommands(*game), "");

    // On empty ground, below the middle of cell (4, 3): a vertical pair from (4, 3) down.
    workArea->SetPendingMetaBlock(pair, true);
    ASSERT_TRUE(game->Click(PixelOfCell(4.9f, 3.9f)));
    ASSERT_TRUE(game->RunFrames(1));
    const CBlock* top = BlockAtCell(4, 3);
    const CBlock* bottom = BlockAtCell(4, 4);
    ASSERT_NE(top, nullptr);
    ASSERT_NE(bottom, nullptr);
    EXPECT_TRUE(top->LinkSetContains(bottom));
    EXPECT_EQ(Editor().GetSelectedBlock(), -1);

    // A drag under the work area still carries the player west.
    const CBlock* player = BlockAtCell(5, 1);
    ASSERT_NE(player, nullptr);
    const std::int32_t id = player->GetId();
    const CPoint from = PixelOfCell(5.5f, 1.5f);
    const CPoint to = PixelOfCell(2.5f, 1.5f);
    ASSERT_TRUE(game->MouseMove(from));
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(game->MouseButton(from, true));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(Editor().GetSelectedBlock(), id);
    ASSERT_TRUE(game->MouseMove(to));
    ASSERT_TRUE(game->RunFrames(5));
    ASSERT_TRUE(game->MouseButton(to, false));
    ASSERT_TRUE(PuzzleScreenTesting::SettleBlocks(*game));
    EXPECT_LT(Puzzle().FindBlockById(id)->GetRect().left, 5.0f);
}

TEST_F(PuzzleEditorToolWindowTest, ExitRowsBuildTheExitListAndARefreshWritesNothingBack)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    CPuzzleEditorMenuWindow& tool = Tool();
    Editor().SetExits({PuzzleExit{3, 1}, PuzzleExit{0, 2}});
    ASSERT_TRUE(game->RunFrames(1));
    const std::int32_t change = Editor().GetChangeNumber();
    EXPECT_EQ(tool.GetSeenChangeNumber(), change);
    EXPECT_EQ(tool.GetNumExits()->GetValue(), 2.0);
    EXPECT_EQ(std::string(tool.GetExitRow(0).direction->GetText()), "East");
    EXPECT_EQ(std::string(tool.GetExitRow(1).direction->GetText()), "North");
    EXPECT_FALSE(tool.GetExitRow(1).row->IsDisabled());
    EXPECT_TRUE(tool.GetExitRow(2).row->IsDisabled());
    // North offsets run along the width, east ones along the height.
    float low = 0;
    float high = 0;
    float step = 0;
    tool.GetExitRow(1).offset->GetRange(low, high, step);
    EXPECT_EQ(high, static_cast<float>(Editor().GetGridSizeX() - 1));
    // The refresh called no handler: no second change number.
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_EQ(Editor().GetChangeNumber(), change);

    // "numexits" 2 → 1 keeps only row 0's exit; row 1 is disabled after the refresh.
    tool.GetNumExits()->SetValue(1);
    ASSERT_EQ(Editor().GetNumExits(), 1);
    EXPECT_EQ(Editor().GetExit(0).side, 3);
    EXPECT_EQ(Editor().GetExit(0).offset, 1);
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_TRUE(tool.GetExitRow(1).row->IsDisabled());

    // The side follows the name, not the list order; a text that is no side keeps the row before's.
    tool.GetNumExits()->SetValue(3);
    tool.GetExitRow(0).direction->SetText("West");
    tool.GetExitRow(1).direction->SetText("East");
    tool.GetExitRow(1).offset->SetValue(3);
    tool.GetExitRow(2).direction->SetAllowAnyText(true);
    tool.GetExitRow(2).direction->SetText("Up");
    tool.GetExitRow(2).offset->SetValue(4);
    struct
    {
        std::int32_t side;
        std::int32_t offset;
    } const expected[] = {{2, 1}, {3, 3}, {3, 4}};
    std::vector<PuzzleExit> exits;
    for (std::int32_t i = 0; i < Editor().GetNumExits(); ++i)
    {
        exits.push_back(Editor().GetExit(i));
    }
    ASSERT_EQ(exits.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
    {
        // The puzzle lists west and east exits first, in row order.
        EXPECT_EQ(exits[i].side, expected[i].side) << i;
        EXPECT_EQ(exits[i].offset, expected[i].offset) << i;
    }
    tool.GetNumExits()->SetValue(0);
    EXPECT_EQ(Editor().GetNumExits(), 0);
}

TEST_F(PuzzleEditorToolWindowTest, StructuralEditsClearTheSelectionAndGreyDeleteAndEdit)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    const CBlock* left = BlockAtCell(0, 0);
    ASSERT_NE(left, nullptr);
    Editor().SetSelectedBlock(left->GetId());
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_FALSE(Tool().GetDeleteButton()->IsDisabled());

    Tool().GetGridSizeX()->SetValue(8);
    EXPECT_EQ(Editor().GetGridSizeX(), 8);
    const std::int32_t change = Editor().GetChangeNumber();
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(Editor().GetSelectedBlock(), -1);
    EXPECT_TRUE(Tool().GetDeleteButton()->IsDisabled());
    EXPECT_TRUE(Tool().GetEditButton()->IsDisabled());
    EXPECT_EQ(Tool().GetGridSizeX()->GetValue(), 8.0);
    EXPECT_EQ(Editor().GetChangeNumber(), change);

    // The delete button takes the whole chain.
    const CBlock* pair = BlockAtCell(0, 0);
    ASSERT_NE(pair, nullptr);
    Editor().SetSelectedBlock(pair->GetId());
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(game->Click(game->CentreOf(*Tool().GetDeleteButton())));
    EXPECT_EQ(BlockAtCell(0, 0), nullptr);
    EXPECT_EQ(BlockAtCell(1, 0), nullptr);
    EXPECT_TRUE(Tool().GetDeleteButton()->IsDisabled());
}

TEST_F(PuzzleEditorToolWindowTest, ReDesigningReplacesTheChainWhereItStood)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    // Nothing selected: the designer stays closed.
    Tool().OnEdit(nullptr);
    CBlockDesignerWindow* designer = Screen().Parts().GetDesigner();
    ASSERT_NE(designer, nullptr);
    EXPECT_FALSE(designer->IsVisible());

    const CBlock* left = BlockAtCell(0, 0);
    ASSERT_NE(left, nullptr);
    Editor().SetSelectedBlock(left->GetId());
    ASSERT_TRUE(game->RunFrames(1));
    Tool().OnEdit(nullptr);
    ASSERT_TRUE(designer->IsVisible());
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), designer);
    EXPECT_EQ(designer->GetBlockSize(), 2);
    EXPECT_TRUE(designer->GetNameEdit()->IsDisabled());
    designer->GetBlockSizeSpin()->SetValue(3);
    ASSERT_TRUE(game->RunFrames(1));
    auto* ok = static_cast<UILib::CButton*>(designer->FindChildByName("okbutton", true, "CButton"));
    ASSERT_NE(ok, nullptr);
    ASSERT_TRUE(game->Click(game->CentreOf(*ok)));
    EXPECT_FALSE(designer->IsVisible());
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), nullptr);
    // Laid left to right from the old chain's origin, all three linked.
    const CBlock* first = BlockAtCell(0, 0);
    const CBlock* third = BlockAtCell(2, 0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(third, nullptr);
    EXPECT_TRUE(first->LinkSetContains(third));
    EXPECT_EQ(first->GetLinkSet().size(), 3u);
}

TEST_F(PuzzleEditorToolWindowTest, SavedNamesGetTheirFormFromTheEnding)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    struct
    {
        const char* typed;
        const char* written;
        bool xml;
    } const cases[] = {
        {"lvl", "lvl.xml", true}, {"lvl.blvl", "lvl.blvl", false}, {"kept.xml", "kept.xml", true}};
    for (const auto& c : cases)
    {
        Tool().OnSave(nullptr);
        UILib::CFilePicker* picker = Tool().GetPicker();
        ASSERT_NE(picker, nullptr) << c.typed;
        EXPECT_EQ(picker->GetMode(), UILib::CFilePicker::SaveMode);
        ASSERT_EQ(picker->GetFilters().size(), 1u);
        EXPECT_EQ(std::string(picker->GetFilters()[0].second), "*.xml; *.blvl");
        EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), picker);
        picker->GetFileNameEdit()->SetText(c.typed);
        picker->Accept();
        ASSERT_TRUE(game->RunFrames(1));
        EXPECT_EQ(Tool().GetPicker(), nullptr) << c.typed;
        EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetTopModalWindow(), nullptr) << c.typed;
        const fs::path written = m_levels / c.written;
        ASSERT_TRUE(fs::exists(written)) << c.typed;
        std::ifstream in(written, std::ios::binary);
        const char first = static_cast<char>(in.get());
        EXPECT_EQ(first == '<', c.xml) << c.typed;
        CEditablePuzzle read;
        EXPECT_TRUE(c.xml ? read.LoadXml(written.string()) : read.LoadBinary(written.string())) << c.typed;
        EXPECT_EQ(read.GetBlocks().size(), Puzzle().GetBlocks().size()) << c.typed;
    }
    EXPECT_EQ(CPuzzleEditorMenuWindow::SaveFileName("a.XML"), "a.XML.xml");
}

TEST_F(PuzzleEditorToolWindowTest, AnotherGfxSetPointsTheBoardPickerAtItsModelsAndLeavesTheEnvironments)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    UILib::CComboBox* sets = Tool().GetGfxSet();
    ASSERT_NE(sets, nullptr);
    const std::vector<std::string>& names = game->World().GetGfxSets();
    ASSERT_FALSE(names.empty());
    // A set the puzzle does not use yet.
    std::string chosen = names.back();
    if (chosen == Editor().GetGfxSetName())
    {
        chosen = names.front() == chosen ? "" : names.front();
    }
    if (chosen.empty())
    {
        GTEST_SKIP() << "one gfx set only";
    }
    sets->SetText(chosen.c_str());
    EXPECT_EQ(Editor().GetGfxSetName(), chosen);
    EXPECT_EQ(Folder(Tool().GetBoardFile()), Folder(Resolve("model>" + chosen)));
    EXPECT_EQ(Folder(Tool().GetEnvironmentFile()), Folder(Resolve("environment>")));
}

TEST_F(PuzzleEditorScreenTest, WhileWorldCommandsArePendingTheScreenStandsStillAndIgnoresF1)
{
    CQuarrowWorld::SetToolCreators(&CreateBatch, &CreateCommandPoster);
    ASSERT_NO_FATAL_FAILURE(Start());
    game->PostWorldCommand("SetStressTestMode", "true");
    ASSERT_TRUE(game->RunFrames(1));
    g_postCommands = true;
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_FALSE(game->World().GetCommandQueue()->IsEmpty());

    Editor().SetGridSize(7, 6);
    const std::int32_t change = Editor().GetChangeNumber();
    ASSERT_TRUE(game->PressKey("F1"));
    ASSERT_TRUE(game->RunFrames(3));
    EXPECT_EQ(game->Screens().GetCurrentScreenName(), "editor2d");
    EXPECT_NE(Tool().GetSeenChangeNumber(), change);

    g_postCommands = false;
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(Tool().GetSeenChangeNumber(), change);
    EXPECT_EQ(Tool().GetGridSizeX()->GetValue(), 7.0);
}

TEST_F(PuzzleEditorScreenTest, F1GoesToPlayAndBackOnTheSameLevel)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    const CEditablePuzzle* puzzle = &Puzzle();
    ASSERT_TRUE(game->PressKey("F1"));
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "ingame2d"; }, "play"));
    ASSERT_TRUE(game->RunUntil(
        [&] { return !game->World().GetCommandQueue() || game->World().GetCommandQueue()->IsEmpty(); },
        "no commands"));
    EXPECT_FALSE(game->World().IsEditorMode());
    ASSERT_TRUE(
        game->RunUntil([&] { return PuzzleScreenTesting::PuzzleStateOf(*game) == "Playing"; }, "playing"));
    ASSERT_TRUE(game->PressKey("F1"));
    ASSERT_TRUE(
        game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "editor2d"; }, "the editor"));
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_TRUE(game->World().IsEditorMode());
    EXPECT_EQ(game->World().GetPuzzle(), puzzle);
    EXPECT_NE(BlockAtCell(0, 0), nullptr);
}

TEST_F(PuzzleEditorToolWindowTest, EscapeClosesTheLoadPickerAndStaysInTheEditor)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    Tool().OnLoad(nullptr);
    UILib::CFilePicker* picker = Tool().GetPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->GetMode(), UILib::CFilePicker::OpenMode);
    EXPECT_EQ(picker->GetPickableKinds(), UILib::CFilePicker::PickFiles);
    EXPECT_EQ(std::string(picker->GetFilters().at(0).first), "Level Files");
    EXPECT_EQ(std::string(picker->GetFilters().at(0).second), "*.xml; *.txt; *.blvl");
    ASSERT_TRUE(game->RunFrames(1));

    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(game->RunFrames(30));
    EXPECT_EQ(Tool().GetPicker(), nullptr);
    EXPECT_EQ(game->Screens().GetCurrentScreenName(), "editor2d");
    EXPECT_EQ(PuzzleScreenTesting::PuzzleStateOf(*game), "Playing");

    // Without a dialog Escape leaves the level as in play.
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(PuzzleScreenTesting::PuzzleStateOf(*game), "Outro");
}

TEST_F(PuzzleEditorToolWindowTest, LoadingAFileThroughThePickerShowsIt)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    std::ofstream(m_levels / "other.txt") << "P-----E\n------\n";
    Tool().OnLoad(nullptr);
    UILib::CFilePicker* picker = Tool().GetPicker();
    ASSERT_NE(picker, nullptr);
    picker->SetFileName((m_levels / "other.txt").string().c_str());
    picker->Accept();
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_EQ(Tool().GetPicker(), nullptr);
    EXPECT_EQ(Puzzle().GetHeight(), 2);
    EXPECT_EQ(Tool().GetGridSizeY()->GetValue(), 2.0);
}

TEST_F(PuzzleEditorScreenTest, OneDrawnFrameOfTheEditorClearsASetScreenshotWait)
{
    CQuarrowWorld::SetToolCreators(&CreateWaitingBatch, nullptr);
    ASSERT_NO_FATAL_FAILURE(Start());
    game->PostWorldCommand("StartBatchProcessing", "");
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_NE(game->World().GetBatchProcessor(), nullptr);
    // The world made it and set the wait in its commands, before this frame was drawn.
    EXPECT_FALSE(g_screenshotWait);
    game->World().GetBatchProcessor()->ProcessFolder("");
    ASSERT_TRUE(g_screenshotWait);
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_FALSE(g_screenshotWait);
}

TEST_F(PuzzleEditorScreenTest, EachDrawnFrameReleasesTheBatchScreenshotSoEveryFileGetsItsPicture)
{
    ASSERT_NO_FATAL_FAILURE(Start());
    const fs::path batch = m_levels / "batch";
    fs::create_directories(batch);
    const char* const grids[] = {"A-----\n-----PE\n", "-B----\n----P-E\n", "--C---\n---P--E\nO-----\n"};
    for (int i = 0; i < 3; ++i)
    {
        const fs::path grid = m_levels / "grid.txt";
        std::ofstream(grid) << grids[i];
        CEditablePuzzle puzzle;
        ASSERT_TRUE(puzzle.BuildFromCharGrid(grid.string()));
        ASSERT_TRUE(puzzle.SaveXml((batch / ("p" + std::to_string(i) + ".xml")).string()));
    }
    game->PostWorldCommand("StartBatchProcessing", "0 0 0 0 0 1 0 10 " + batch.string());
    ASSERT_TRUE(game->RunFrames(1));
    auto* processor = dynamic_cast<CBatchProcessor*>(game->World().GetBatchProcessor());
    ASSERT_NE(processor, nullptr);
    EXPECT_EQ(game->Screens().GetCurrentScreenName(), "editor2d");

    ASSERT_TRUE(game->RunUntil(
        [&] {
            return fs::exists(batch / "p0.xml.png") && fs::exists(batch / "p1.xml.png") &&
                   fs::exists(batch / "p2.xml.png");
        },
        "three pictures", 400));
    EXPECT_GT(fs::file_size(batch / "p0.xml.png"), 0u);
}

TEST_F(PuzzleEditorScreenTest, TheViewRayPlacesOnTheCellThe3DBoardShowsThere)
{
    ASSERT_NO_FATAL_FAILURE(Start("--------\n--------\n--------\n--------\n--------\n--------\n"));
    // 6 × 6: the cell centred on the hit.
    struct
    {
        float x, y;
        std::int32_t width, height;
        CPoint cell;
    } const cells[] = {
        {2.4f, -0.6f, 6, 6, CPoint(2, 1)},   {2.6f, -0.4f, 6, 6, CPoint(3, 0)},
        {-0.49f, 0.49f, 6, 6, CPoint(0, 0)}, {2.0f, -2.0f, 8, 6, CPoint(3, 2)},
        {0.0f, 0.0f, 6, 10, CPoint(0, 2)},
    };
    for (const auto& c : cells)
    {
        const CPoint cell = CPuzzleEditorWorkArea3D::CellAt(c.x, c.y, c.width, c.height);
        EXPECT_EQ(cell.x, c.cell.x) << c.x << ", " << c.y << " on " << c.width << " x " << c.height;
        EXPECT_EQ(cell.y, c.cell.y) << c.x << ", " << c.y << " on " << c.width << " x " << c.height;
    }

    ASSERT_EQ(Puzzle().GetWidth(), 8);
    auto* workArea = CreatePuzzleEditorWorkArea3D(&game->World(), &game->UI(), &Editor());
    CMetaBlockDescription single;
    single.GetParts() = {MetaBlockPart{"normal", "blk_default"}};
    // Straight down onto where the scene shows cell (3, 2) of the 8 × 6 board.
    workArea->SetPendingMetaBlock(single, false);
    workArea->PlaceAlongRay(
        GameLib::TCollisionRay{BaseLib::CVector3(2.0f, -2.0f, 10.0f), BaseLib::CVector3(0, 0, -1)});
    EXPECT_FALSE(workArea->IsPlacing());
    EXPECT_NE(BlockAtCell(3, 2), nullptr);
    // Parallel to the board: nothing, and placing ends.
    const std::size_t count = Puzzle().GetBlocks().size();
    workArea->SetPendingMetaBlock(single, false);
    workArea->PlaceAlongRay(
        GameLib::TCollisionRay{BaseLib::CVector3(0, 0, 1.0f), BaseLib::CVector3(1.0f, 0, 0)});
    EXPECT_FALSE(workArea->IsPlacing());
    EXPECT_EQ(Puzzle().GetBlocks().size(), count);
    workArea->Delete();
}

TEST_F(PuzzleEditorScreenTest, The3DEditorRunsTheLevelAndF1GoesBackToPlay)
{
    ASSERT_NO_FATAL_FAILURE(Start(kBoard, "editor3d"));
    auto* screen = dynamic_cast<CPuzzleEditorScreen3D*>(game->Screens().GetCurrentScreen());
    ASSERT_NE(screen, nullptr);
    ASSERT_NE(screen->Parts().GetToolWindow(), nullptr);
    EXPECT_EQ(screen->Parts().GetToolWindow()->GetSeenChangeNumber(),
              screen->Parts().GetEditor()->GetChangeNumber());
    ASSERT_NE(screen->Parts().GetWorkArea(), nullptr);
    EXPECT_EQ(std::string(screen->Parts().GetWorkArea()->GetClassName()), "CPuzzleEditorWorkArea3D");
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "editor3d"));
    ASSERT_TRUE(game->PressKey("F1"));
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "ingame3d"; }, "play"));
}

} // namespace
