// The 2D puzzle screen in the running game: the board of a level, drags by real mouse events with the
// commands they send, the board's picture before and after a move, a level played to its end by drags,
// restarts, new levels and searches, and boards a level file can leave (none, or a very large one).
#include "tests/game/puzzle/PuzzleScreenTesting.h"

#include "game/ScreenFader.h"
#include "game/puzzle/Block2DControl.h"
#include "game/puzzle/PuzzleRenderer2D.h"
#include "game/puzzle/PuzzleScreen2D.h"
#include "platform/gfxkit/ImageFile.h"
#include "puzzle/Block.h"
#include "puzzle/BlockImageNames.h"
#include "ui/Panel.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{

using BaseLib::CPoint;
using GameTesting::GameHarness;
using GameTesting::GameSettings;
using GameTesting::Pixels;
using namespace PuzzleScreenTesting;

// A 6 × 6 board (100-pixel cells): a normal block "A" with free cells east, the player one cell short of
// the exit east of the second row, a bridge, an obstacle and a flexible block.
const char* const kBoard = "A-----\n-----PE\n--B---\n--O---\n--F---\n------\n";
// A committed level of five moves, with its replay.
constexpr const char* kReplayLevel = "basic/06.xml";
constexpr int kReplayMap = 0;
constexpr int kReplayLevelIndex = 5;

// The centre colour (0xRRGGBB) of an interface image ("Puzzle2D/grid_cell.png"), read from the media.
std::uint32_t CentreColourOfImage(const std::string& name)
{
    std::string file = name;
    std::transform(file.begin(), file.end(), file.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::string path = std::string(QUARROW_MEDIA_DIR) + "/interface/standard/" + file;
    Platform::GfxKit::ImageInfo info;
    Platform::GfxKit::ImageLevels levels;
    std::string error;
    if (!Platform::GfxKit::LoadImageFile(path, info, &levels, error))
    {
        ADD_FAILURE() << path << ": " << error;
        return 0;
    }
    const std::size_t row = static_cast<std::size_t>(info.Width) * 4;
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, levels.Level(0, 0) + (info.Height / 2) * row + (info.Width / 2) * 4, 4);
    return pixel & 0xFFFFFFu;
}

::testing::AssertionResult SameColour(std::uint32_t drawn, std::uint32_t expected, int tolerance = 12)
{
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int a = static_cast<int>((drawn >> shift) & 0xFFu);
        const int b = static_cast<int>((expected >> shift) & 0xFFu);
        if (std::abs(a - b) > tolerance)
        {
            char text[64];
            std::snprintf(text, sizeof(text), "drawn %06X, expected %06X", drawn & 0xFFFFFFu, expected & 0xFFFFFFu);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

class PuzzleScreen2DTest : public ::testing::Test
{
protected:
    void Start(GameSettings settings = {})
    {
        settings.renderer = "2d";
        WithoutTutorials(settings);
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        NameStates(*game);
        for (const char* name : {"levelselection", "map", "gameresult"})
        {
            standIns[name] = new StandInScreen(&game->UI());
            game->AddScreen(name, standIns[name]);
        }
        ASSERT_EQ(game->UI().GetPuzzleScreenName(), "ingame2d");
    }
    void TearDown() override { game.reset(); }

    CPuzzleScreen2D& Screen() { return *dynamic_cast<CPuzzleScreen2D*>(game->Screens().FindScreen("ingame2d")); }
    CPuzzleRenderer2D& View()
    {
        CPuzzleRenderer2D* view = Screen().GetBoardView();
        if (view == nullptr)
        {
            throw std::runtime_error("no board view");
        }
        return *view;
    }
    const CEditablePuzzle& Puzzle() { return *game->World().GetPuzzle(); }
    UILib::CWindow* Capture() const { return UILib::CWindowManager::GetInstance()->GetMouseCapture(); }

    // A fixture level (a character grid written into the game's folder) loaded into the running screen;
    // the view rebuilds on its change number in the next frame.
    ::testing::AssertionResult LoadFixture(const std::string& name, const std::string& grid)
    {
        const std::string path = (game->Folder() / name).string();
        std::ofstream(path) << grid;
        game->PostWorldCommand("StartLevel", path);
        return game->RunFrames(2);
    }

    const CBlock* BlockOfType(const char* type)
    {
        for (const CBlock* block : Puzzle().GetBlocks())
        {
            if (std::string(block->GetTypeName()) == type)
            {
                return block;
            }
        }
        ADD_FAILURE() << "no block of type " << type;
        return nullptr;
    }
    const CBlock& BlockById(std::int32_t id)
    {
        for (const CBlock* block : Puzzle().GetBlocks())
        {
            if (block->GetId() == id)
            {
                return *block;
            }
        }
        throw std::runtime_error("no block " + std::to_string(id));
    }

    // The window pixel showing a point of the board (in cells).
    CPoint PixelOfCell(float x, float y)
    {
        const CPoint field = Screen().GetPlayingField()->GetScreenPosition();
        const CPoint at = View().CellToScreen(x, y);
        return game->WindowPoint(CPoint(field.x + at.x, field.y + at.y));
    }
    CPoint CentreOf(const CBlock& block)
    {
        const BaseLib::CRectF& r = block.GetRect();
        return PixelOfCell((r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f);
    }

    // A press on the block's middle, a move carrying it (dx, dy) cells, the button left down.
    ::testing::AssertionResult PressAndDrag(const CBlock& block, float dx, float dy)
    {
        const CPoint from = CentreOf(block);
        const std::int32_t cell = View().GetCellSize();
        dragTo = CPoint(from.x + static_cast<std::int32_t>(dx * static_cast<float>(cell)),
                        from.y + static_cast<std::int32_t>(dy * static_cast<float>(cell)));
        if (!game->MouseMove(from) || !game->RunFrames(1) || !game->MouseButton(from, true) || !game->RunFrames(1) ||
            !game->MouseMove(dragTo) || !game->RunFrames(1))
        {
            return ::testing::AssertionFailure() << "the drag of block " << block.GetId() << " was refused";
        }
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult Release()
    {
        if (!game->MouseButton(dragTo, false))
        {
            return ::testing::AssertionFailure() << "the release was refused";
        }
        return game->RunFrames(1);
    }

    // Every block window stands where its block is.
    void ExpectWindowsOnTheirBlocks()
    {
        for (const CBlock2DControl* control : View().GetBlockControls())
        {
            const BaseLib::CRectF& r = BlockById(control->GetBlockId()).GetRect();
            const CPoint at = View().CellToScreen(r.left, r.top);
            const BaseLib::CSize size = View().ScaleToScreen(r.right - r.left, r.bottom - r.top);
            EXPECT_EQ(control->GetPosition().x, at.x) << control->GetBlockId();
            EXPECT_EQ(control->GetPosition().y, at.y) << control->GetBlockId();
            EXPECT_EQ(control->GetSize().cx, size.cx) << control->GetBlockId();
            EXPECT_EQ(control->GetSize().cy, size.cy) << control->GetBlockId();
        }
    }

    std::vector<CPoint> WindowPositions()
    {
        std::vector<CPoint> positions;
        for (const CBlock2DControl* control : View().GetBlockControls())
        {
            positions.push_back(control->GetPosition());
        }
        return positions;
    }

    std::unique_ptr<GameHarness> game;
    std::map<std::string, StandInScreen*> standIns;
    CPoint dragTo;
};

TEST_F(PuzzleScreen2DTest, ShowsALevelAsGridCellsUnderTheBoardAndExitsAndOneWindowPerShownBlock)
{
    Start();
    EXPECT_TRUE(Screen().HidesScene());
    ASSERT_TRUE(EnterLevel(*game, "ingame2d", kReplayMap, kReplayLevelIndex));
    CPuzzleRenderer2D& view = View();
    const CEditablePuzzle& puzzle = Puzzle();
    ASSERT_EQ(puzzle.GetWidth(), 5);
    EXPECT_EQ(view.GetCellSize(), 120);
    EXPECT_EQ(view.GetBoardWindow()->GetParent(), Screen().GetPlayingField());

    std::size_t exits = 0;
    std::vector<const CBlock*> shown;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        exits += block->GetKind() == KindLevelSolvedTrigger;
        if (block->IsShown())
        {
            shown.push_back(block);
        }
    }
    ASSERT_GT(exits, 0u);
    EXPECT_EQ(view.GetGridLabels().size(), 25u + exits);
    for (const UILib::CLabel* label : view.GetGridLabels())
    {
        EXPECT_EQ(label->GetParent(), Screen().GetPlayingField());
    }
    ASSERT_EQ(view.GetBlockControls().size(), shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
    {
        const CBlock2DControl& control = *view.GetBlockControls()[i];
        SCOPED_TRACE(shown[i]->GetTypeName());
        EXPECT_EQ(control.GetBlockId(), shown[i]->GetId());
        EXPECT_EQ(control.GetParent(), view.GetBoardWindow());
        EXPECT_EQ(std::string(control.GetBitmapFile()), Block2DImageNameForBlock(*shown[i]) + "_120_120");
        EXPECT_EQ(control.GetBitmap().GetWidth(), 120);
        EXPECT_EQ(control.IsAlwaysOnTop(), shown[i]->GetKind() == KindBridge);
    }
    ExpectWindowsOnTheirBlocks();
}

// A level file that cannot be read leaves an empty puzzle; a huge board gets no grid cells.
TEST_F(PuzzleScreen2DTest, AnUnreadableLevelShowsAnEmptyBoardAndAHugeOneNoGridCells)
{
    Start();
    ASSERT_TRUE(EnterLevel(*game, "ingame2d"));
    game->PostWorldCommand("StartLevel", (game->Folder() / "missing.xml").string());
    ASSERT_TRUE(game->RunFrames(3));
    ASSERT_EQ(Puzzle().GetWidth(), 0);
    EXPECT_EQ(View().GetCellSize(), 600);
    EXPECT_TRUE(View().GetGridLabels().empty());
    EXPECT_TRUE(View().GetBlockControls().empty());
    const CPoint middle = PixelOfCell(0.5f, 0.5f);
    ASSERT_TRUE(game->Click(middle));
    EXPECT_EQ(TakeGameCommands(*game), "");

    std::string rows;
    for (int y = 0; y < 200; ++y)
    {
        rows += std::string(y % 2 == 0 ? "A" : "-") + std::string(199, '-') + "\n";
    }
    ASSERT_TRUE(LoadFixture("huge.txt", rows));
    ASSERT_EQ(Puzzle().GetWidth(), 200);
    EXPECT_EQ(View().GetCellSize(), 3);
    EXPECT_TRUE(View().GetGridLabels().empty());
    EXPECT_EQ(View().GetBlockControls().size(), 100u);
    ASSERT_TRUE(game->RunFrames(2));
    const std::string trace = game->Trace();
    const std::size_t first = trace.find("shown without grid cells");
    EXPECT_NE(first, std::string::npos);
    EXPECT_EQ(trace.find("shown without grid cells", first + 1), std::string::npos) << "traced more than once";
}

// Real mouse events through the game's own message loop; these need the display's focus alone.
class PuzzleScreen2DInputTest : public PuzzleScreen2DTest
{
protected:
    void Start()
    {
        PuzzleScreen2DTest::Start();
        game->FocusWindow();
        // The first click on the window only activates it.
        ASSERT_TRUE(game->Click(CPoint(4, 4)));
    }

    // A click on the finished search's OK, which stops the solver.
    ::testing::AssertionResult CloseSolverDialog()
    {
        if (auto result = game->RunFrames(1); !result)
        {
            return result;
        }
        UILib::CWindow* dialog = Screen().GetSolverDialog();
        UILib::CWindow* ok = dialog != nullptr ? dialog->FindChildByName("okbutton", true) : nullptr;
        if (ok == nullptr)
        {
            return ::testing::AssertionFailure() << "no solver dialog with its OK";
        }
        if (auto result = game->Click(game->CentreOf(*ok)); !result)
        {
            return result;
        }
        return game->RunFrames(1);
    }

    // The picture of the last frame, written for a person to look at.
    Pixels Picture(const char* name)
    {
        Pixels pixels = game->ReadFrame(width, height);
        EXPECT_EQ(pixels.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, name, width, height, pixels));
        return pixels;
    }
    std::uint32_t At(const Pixels& pixels, CPoint at) const
    {
        return pixels[static_cast<std::size_t>(at.y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(at.x)];
    }

    // Each shown block's middle shows its image's centre colour.
    void ExpectBlocksDrawn(const Pixels& pixels)
    {
        for (const CBlock* block : Puzzle().GetBlocks())
        {
            if (block->IsShown())
            {
                EXPECT_TRUE(SameColour(At(pixels, CentreOf(*block)), CentreColourOfImage(Block2DImageNameForBlock(*block))))
                    << block->GetTypeName() << " " << block->GetId();
            }
        }
    }

    int width = 0;
    int height = 0;
};

TEST_F(PuzzleScreen2DInputTest, ADragSendsSelectDragsAndReleaseAndMovesTheBlockOneCell)
{
    Start();
    ASSERT_TRUE(EnterLevel(*game, "ingame2d"));
    ASSERT_TRUE(LoadFixture("board.txt", kBoard));
    ASSERT_EQ(View().GetCellSize(), 100);
    // Paused, the world leaves the commands in the channel.
    game->PostWorldCommand("SetPause", "true");
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_EQ(TakeGameCommands(*game), "");

    const CBlock& block = *BlockOfType("normal");
    const std::int32_t id = block.GetId();
    const float left = block.GetRect().left;
    const float top = block.GetRect().top;
    const Pixels before = Picture("ingame2d");
    ExpectBlocksDrawn(before);
    const std::uint32_t gridColour = CentreColourOfImage("Puzzle2D/grid_cell.png");
    EXPECT_TRUE(SameColour(At(before, PixelOfCell(left + 1.5f, top + 0.5f)), gridColour)) << "an empty cell";

    // A release without a press; presses on a wall cell, the exit cell, an obstacle, a bridge and a
    // flexible block.
    const CPoint from = CentreOf(block);
    ASSERT_TRUE(game->MouseMove(from));
    ASSERT_TRUE(game->MouseButton(from, false));
    ASSERT_TRUE(game->RunFrames(1));
    const std::vector<std::pair<const char*, CPoint>> refused = {
        {"wall", PixelOfCell(-0.5f, 3.5f)},
        {"exit", PixelOfCell(6.5f, 1.5f)},
        {"obstacle", CentreOf(*BlockOfType("obstacle"))},
        {"bridge", CentreOf(*BlockOfType("bridge"))},
        {"flex", CentreOf(*BlockOfType("flex"))},
    };
    for (const auto& [what, at] : refused)
    {
        SCOPED_TRACE(what);
        ASSERT_TRUE(game->MouseMove(at));
        ASSERT_TRUE(game->MouseButton(at, true));
        ASSERT_TRUE(game->RunFrames(1));
        EXPECT_EQ(Capture(), nullptr);
        ASSERT_TRUE(game->MouseMove(CPoint(at.x + 50, at.y)));
        ASSERT_TRUE(game->MouseButton(CPoint(at.x + 50, at.y), false));
        ASSERT_TRUE(game->RunFrames(1));
    }
    EXPECT_EQ(TakeGameCommands(*game), "");

    // The press at the middle, four moves of a quarter cell east, the release.
    ASSERT_TRUE(game->MouseMove(from));
    ASSERT_TRUE(game->MouseButton(from, true));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_NE(Capture(), nullptr);
    for (int k = 1; k <= 4; ++k)
    {
        ASSERT_TRUE(game->MouseMove(CPoint(from.x + 25 * k, from.y)));
        ASSERT_TRUE(game->RunFrames(1));
    }
    ASSERT_TRUE(game->MouseButton(CPoint(from.x + 100, from.y), false));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(Capture(), nullptr);
    std::string expected = "{0, " + std::to_string(id) + ", 0, 0} ";
    for (int k = 1; k <= 4; ++k)
    {
        std::ostringstream drag;
        drag << "{1, " << id << ", " << left + 0.25f * static_cast<float>(k) << ", " << top << "} ";
        expected += drag.str();
    }
    expected += "{2, " + std::to_string(id) + ", 0, 0} ";
    const std::string sent = TakeGameCommands(*game);
    EXPECT_EQ(sent, expected);

    // The same commands again, unpaused: the world moves the block one cell.
    CQuarrowInputChannel& channel = game->GameCommands();
    channel.PushGrabBlock(id);
    channel.PushMoveBlock(id, left + 1.0f, top);
    channel.PushReleaseBlock(id);
    game->PostWorldCommand("SetPause", "false");
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(SettleBlocks(*game));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_FLOAT_EQ(block.GetRect().left, left + 1.0f);
    EXPECT_EQ(Puzzle().GetMoveCount(), 1);
    ExpectWindowsOnTheirBlocks();

    const Pixels after = Picture("ingame2d_moved");
    ExpectBlocksDrawn(after);
    EXPECT_TRUE(SameColour(At(after, PixelOfCell(left + 0.5f, top + 0.5f)), gridColour)) << "the block's old cell";
    EXPECT_TRUE(SameColour(At(after, PixelOfCell(left + 1.5f, top + 0.5f)),
                           CentreColourOfImage(Block2DImageNameForBlock(block))))
        << "the block's new cell";
}

TEST_F(PuzzleScreen2DInputTest, ALevelPlayedByDragsFromItsReplayIsSolvedInItsMoves)
{
    Start();
    ASSERT_TRUE(EnterLevel(*game, "ingame2d", kReplayMap, kReplayLevelIndex));
    ASSERT_EQ(game->World().GetGameContext()->GetCurrentLevelFile().find(kReplayLevel) != std::string::npos, true)
        << game->World().GetGameContext()->GetCurrentLevelFile();
    const std::vector<ReplayMove> moves = ReadReplay(kReplayLevel);
    ASSERT_FALSE(moves.empty());
    for (std::size_t i = 0; i < moves.size(); ++i)
    {
        SCOPED_TRACE(i);
        const CBlock& block = BlockById(moves[i].id);
        ASSERT_TRUE(PressAndDrag(block, moves[i].x - block.GetRect().left, moves[i].y - block.GetRect().top));
        ASSERT_TRUE(SettleBlocks(*game));
        ASSERT_TRUE(Release());
        if (i + 1 < moves.size())
        {
            ASSERT_TRUE(SettleBlocks(*game));
            EXPECT_EQ(Puzzle().GetMoveCount(), static_cast<std::int32_t>(i + 1));
        }
    }
    ASSERT_TRUE(game->RunUntil(
        [&] { return game->World().GetGameContext()->GetState() == GameContext::LevelSolved; }, "the level solved"));
    EXPECT_EQ(Puzzle().GetMoveCount(), static_cast<std::int32_t>(moves.size()));
    EXPECT_EQ(Capture(), nullptr);
}

TEST_F(PuzzleScreen2DInputTest, ARestartKeepsTheWindowsANewLevelRebuildsThemAndASearchHoldsThemStill)
{
    Start();
    ASSERT_TRUE(EnterLevel(*game, "ingame2d"));
    ASSERT_TRUE(LoadFixture("board.txt", kBoard));
    const CBlock& block = *BlockOfType("normal");
    const float left = block.GetRect().left;
    ASSERT_TRUE(PressAndDrag(block, 2.0f, 0.0f));
    ASSERT_TRUE(Release());
    ASSERT_TRUE(SettleBlocks(*game));
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_EQ(Puzzle().GetMoveCount(), 1);
    ASSERT_FLOAT_EQ(block.GetRect().left, left + 2.0f);

    std::vector<UILib::Handle> handles;
    for (const CBlock2DControl* control : View().GetBlockControls())
    {
        handles.push_back(control->GetHandle());
    }
    const std::int64_t changeNumber = View().GetChangeNumber();
    game->GameCommands().PushRestart();
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(SettleBlocks(*game));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(View().GetChangeNumber(), changeNumber);
    ASSERT_EQ(View().GetBlockControls().size(), handles.size());
    for (std::size_t i = 0; i < handles.size(); ++i)
    {
        EXPECT_EQ(View().GetBlockControls()[i]->GetHandle(), handles[i]) << i;
    }
    EXPECT_FLOAT_EQ(block.GetRect().left, left);
    ExpectWindowsOnTheirBlocks();

    // A new level: new windows for its blocks.
    const std::string medium =
        (std::filesystem::path(QUARROW_TEST_DATA_DIR).parent_path().parent_path() / "puzzle/data/solver_large.xml")
            .string();
    game->PostWorldCommand("StartLevel", medium);
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_EQ(View().GetChangeNumber(), static_cast<std::int64_t>(Puzzle().GetChangeNumber()));
    ASSERT_FALSE(View().GetBlockControls().empty());
    for (const CBlock2DControl* control : View().GetBlockControls())
    {
        EXPECT_EQ(std::find(handles.begin(), handles.end(), control->GetHandle()), handles.end());
    }
    ExpectWindowsOnTheirBlocks();

    // While the solver tries moves on the puzzle, the windows stay where the blocks were.
    const std::vector<CPoint> still = WindowPositions();
    int searchedFrames = 0;
    game->SetFrameHook([&] {
        if (game->World().IsSolverRunning())
        {
            ++searchedFrames;
            const std::vector<CPoint> now = WindowPositions();
            for (std::size_t i = 0; i < now.size() && i < still.size(); ++i)
            {
                EXPECT_TRUE(now[i].x == still[i].x && now[i].y == still[i].y) << "window " << i << " moved";
            }
        }
    });
    game->PostWorldCommand("Solve");
    ASSERT_TRUE(game->RunUntil([&] { return game->World().GetSolver() != nullptr && !game->World().IsSolverRunning(); },
                               "the search's end", 3000, 120.0));
    game->SetFrameHook(nullptr);
    EXPECT_GT(searchedFrames, 0);
    ASSERT_TRUE(CloseSolverDialog());
    EXPECT_EQ(game->World().GetGameContext()->GetState(), GameContext::LevelRunning);
    ExpectWindowsOnTheirBlocks();
}

// A drag held while a search starts, or while the level is reloaded, must not read blocks the search or
// the reload owns, and must leave no capture behind.
TEST_F(PuzzleScreen2DInputTest, ADragHeldWhileASearchStartsOrTheLevelReloadsSendsNothingAndLeavesNoCapture)
{
    Start();
    ASSERT_TRUE(EnterLevel(*game, "ingame2d"));
    ASSERT_TRUE(LoadFixture("board.txt", kBoard));
    game->PostWorldCommand("SetPause", "true");
    ASSERT_TRUE(game->RunFrames(1));
    const std::int32_t id = BlockOfType("normal")->GetId();

    ASSERT_TRUE(PressAndDrag(*BlockOfType("normal"), 0.25f, 0.0f));
    ASSERT_NE(Capture(), nullptr);
    TakeGameCommands(*game);
    game->PostWorldCommand("Solve");
    ASSERT_TRUE(game->RunUntil(
        [&] { return game->World().GetGameContext()->GetState() == GameContext::SolverRunning; }, "the search"));
    ASSERT_TRUE(game->MouseMove(CPoint(dragTo.x + 30, dragTo.y)));
    ASSERT_TRUE(game->RunFrames(1));
    dragTo.x += 30;
    ASSERT_TRUE(Release());
    EXPECT_EQ(Capture(), nullptr);
    EXPECT_EQ(TakeGameCommands(*game), "");
    ASSERT_TRUE(game->RunUntil([&] { return !game->World().IsSolverRunning(); }, "the search's end", 3000, 120.0));
    ASSERT_TRUE(CloseSolverDialog());
    ASSERT_EQ(game->World().GetGameContext()->GetState(), GameContext::LevelRunning);
    // The release the held block is owed follows once the search is over.
    EXPECT_EQ(TakeGameCommands(*game), "{2, " + std::to_string(id) + ", 0, 0} ");

    // A reload during a drag: the capture goes with the old windows, the block gets its release.
    ASSERT_TRUE(PressAndDrag(*BlockOfType("normal"), 0.25f, 0.0f));
    ASSERT_NE(Capture(), nullptr);
    TakeGameCommands(*game);
    game->PostWorldCommand("Reload");
    ASSERT_TRUE(game->RunFrames(1));
    ASSERT_TRUE(game->MouseMove(CPoint(dragTo.x + 30, dragTo.y)));
    ASSERT_TRUE(game->RunFrames(2));
    EXPECT_EQ(Capture(), nullptr);
    EXPECT_EQ(TakeGameCommands(*game), "{2, " + std::to_string(id) + ", 0, 0} ");
    dragTo.x += 30;
    ASSERT_TRUE(Release());
    EXPECT_EQ(TakeGameCommands(*game), "");
    EXPECT_EQ(View().GetChangeNumber(), static_cast<std::int64_t>(Puzzle().GetChangeNumber()));
}

} // namespace
