#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "game/puzzle/Block2DControl.h"
#include "game/puzzle/PuzzleRenderer2D.h"
#include "platform/os/DebugOutput.h"
#include "puzzle/BlockImageNames.h"
#include "tests/game/WorldFixture.h"
#include "foundation/ResourceRegistry.h"
#include "ui/BitmapFactory.h"
#include "ui/Panel.h"
#include "ui/WindowManager.h"
#include "ui/WindowMessage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace
{

using GameTesting::WorldFixture;

// Where the playing field stands in the root: window points differ from playing-field points.
constexpr int kFieldX = 30;
constexpr int kFieldY = 20;

// A 6 x 6 board (100-pixel cells): a normal block "A" with free cells east, a bridge, an obstacle, a
// flexible block, the player and an exit east of the second row.
const char* const kBoard = "A-----\n-----PE\n--B---\n--O---\n--F---\n------\n";

bool SameCommand(const GameCommand& a, const GameCommand& b)
{
    return a.kind == b.kind && a.param == b.param && a.x == b.x && a.y == b.y;
}

std::string Describe(const std::vector<GameCommand>& commands)
{
    std::string text;
    for (const GameCommand& c : commands)
    {
        text += "{" + std::to_string(static_cast<int>(c.kind)) + ", " + std::to_string(c.param) + ", " +
                std::to_string(c.x) + ", " + std::to_string(c.y) + "} ";
    }
    return text;
}

class PuzzleRenderer2DTest : public WorldFixture
{
protected:
    void SetUp() override
    {
        WorldFixture::SetUp();
        bitmaps.AddSearchPath(QUARROW_MEDIA_DIR "/interface/standard");
        m_root = new UILib::CPanel();
        m_root->SetSize(1024, 768);
        windows->AddLayer(m_root);
        m_field = new UILib::CPanel();
        m_field->Move(kFieldX, kFieldY);
        m_field->SetSize(1000, 740);
        m_root->AddChild(m_field->GetHandle());
        WriteFile("board.txt", kBoard);
    }
    void TearDown() override
    {
        view.reset();
        windows.reset();
        WorldFixture::TearDown();
    }

    // The level from a character grid, user control on, and a fresh board view on it.
    void Start(const std::string& file)
    {
        Frame({{"StartLevel", PathOf(file)}, {"SetUserControlEnabled", "true"}});
        view = std::make_unique<CPuzzleRenderer2D>(&world, m_field);
    }

    CQuarrowInputChannel& Channel() { return *world.GetGameInputChannel(); }

    // Every queued game command, taken out.
    std::vector<GameCommand> TakeCommands()
    {
        std::vector<GameCommand> commands;
        while (Channel().HasCommands())
        {
            commands.push_back(Channel().Front());
            Channel().Pop();
        }
        return commands;
    }

    // A mouse message at a point of the playing field, routed as the window system's translation does.
    void Mouse(const char* code, int x, int y)
    {
        const UILib::CWindowMessage message(code, UILib::CWindowMessage::Positional | UILib::CWindowMessage::Input,
                                            UILib::CWindowMessage::PackPoint(kFieldX + x, kFieldY + y), 0);
        windows->SendMessage(message, windows->FindTarget(message));
    }

    CBlock* BlockOfType(const char* type) const
    {
        for (CBlock* block : world.GetPuzzle()->GetBlocks())
        {
            if (std::string(block->GetTypeName()) == type)
            {
                return block;
            }
        }
        return nullptr;
    }

    // The playing-field pixel at the middle of the block.
    BaseLib::CPoint CentreOf(const CBlock& block) const
    {
        const BaseLib::CRectF& r = block.GetRect();
        return view->CellToScreen((r.left + r.right) / 2.0f, (r.top + r.bottom) / 2.0f);
    }

    CBlock2DControl* ControlOf(const CBlock& block) const
    {
        for (CBlock2DControl* control : view->GetBlockControls())
        {
            if (control->GetBlockId() == block.GetId())
            {
                return control;
            }
        }
        return nullptr;
    }

    BaseLib::CResourceRegistry registry;
    UILib::CBitmapFactory bitmaps{&registry, nullptr};
    std::unique_ptr<UILib::CWindowManager> windows = std::make_unique<UILib::CWindowManager>();
    std::unique_ptr<CPuzzleRenderer2D> view;
    UILib::CPanel* m_root = nullptr;
    UILib::CPanel* m_field = nullptr;
};

TEST(PuzzleRenderer2DCellSize, IsTheLargerSidesShareOfSixHundredPixelsAndNeverZero)
{
    const struct
    {
        int width, height, cell;
    } cases[] = {
        {6, 6, 100}, {7, 5, 85}, {5, 7, 85}, {1, 1, 600}, {8, 6, 75},
        // An empty board (a level that failed to load) and boards beyond 600 cells.
        {0, 0, 600}, {0, 3, 200}, {1000, 1, 1}, {1, 1000, 1}, {601, 601, 1},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(CPuzzleRenderer2D::CellSizeFor(c.width, c.height), c.cell) << c.width << " x " << c.height;
    }
}

TEST_F(PuzzleRenderer2DTest, ConvertsBetweenBoardUnitsAndPixelsAndFindsBlocks)
{
    Start("board.txt");
    ASSERT_EQ(view->GetCellSize(), 100);
    EXPECT_EQ(view->CellToScreen(2.5f, 0.0f).x, 340);
    EXPECT_EQ(view->CellToScreen(2.5f, 0.0f).y, 90);
    // Truncation toward zero: a quarter pixel left of the board's origin stays at the origin.
    EXPECT_EQ(view->CellToScreen(-0.0025f, 1.999f).x, 90);
    EXPECT_EQ(view->CellToScreen(-0.0025f, 1.999f).y, 289);
    EXPECT_EQ(view->ScaleToScreen(1.5f, 2.0f).cx, 150);
    EXPECT_EQ(view->ScaleToScreen(1.5f, 2.0f).cy, 200);
    EXPECT_FLOAT_EQ(view->PixelsToCells(25, -50).x, 0.25f);
    EXPECT_FLOAT_EQ(view->PixelsToCells(25, -50).y, -0.5f);

    for (int y = 0; y < 6; ++y)
    {
        for (int x = 0; x < 6; ++x)
        {
            const BaseLib::CPoint p = view->CellToScreen(static_cast<float>(x), static_cast<float>(y));
            const BaseLib::CVector2 back = view->ScreenToCell(p.x + 50, p.y + 50);
            EXPECT_FLOAT_EQ(back.x, x + 0.5f);
            EXPECT_FLOAT_EQ(back.y, y + 0.5f);
        }
    }

    view->Update();
    for (const CBlock* block : world.GetPuzzle()->GetBlocks())
    {
        if (!block->IsShown())
        {
            continue;
        }
        const BaseLib::CPoint corner = view->CellToScreen(block->GetRect().left, block->GetRect().top);
        const BaseLib::CSize size =
            view->ScaleToScreen(block->GetRect().right - block->GetRect().left, block->GetRect().bottom - block->GetRect().top);
        EXPECT_EQ(view->FindBlockAt(corner.x, corner.y), block->GetId()) << block->GetTypeName();
        EXPECT_EQ(view->FindBlockAt(CentreOf(*block).x, CentreOf(*block).y), block->GetId());
        // The right and bottom edges belong to the next cell.
        EXPECT_NE(view->FindBlockAt(corner.x + size.cx, corner.y), block->GetId());
        EXPECT_NE(view->FindBlockAt(corner.x, corner.y + size.cy), block->GetId());
    }
    const BaseLib::CPoint empty = view->CellToScreen(5.5f, 5.5f);
    EXPECT_EQ(view->FindBlockAt(empty.x, empty.y), -1);
}

TEST_F(PuzzleRenderer2DTest, BuildsGridCellsUnderTheBoardAndExitsAndOneWindowPerShownBlock)
{
    Start("board.txt");
    const CPuzzle& puzzle = *world.GetPuzzle();
    int exits = 0;
    std::vector<const CBlock*> shown;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        exits += block->GetKind() == KindLevelSolvedTrigger;
        if (block->IsShown())
        {
            shown.push_back(block);
        }
    }
    ASSERT_EQ(exits, 1);
    ASSERT_EQ(shown.size(), 5u);

    const auto& grid = view->GetGridLabels();
    ASSERT_EQ(grid.size(), 6u * 6u + 1u);
    for (std::size_t i = 0; i < grid.size(); ++i)
    {
        EXPECT_EQ(grid[i]->GetParent(), m_field) << "grid label " << i;
        // The bitmap's resource name: the file at one cell by one cell.
        EXPECT_EQ(std::string(grid[i]->GetBitmapFile()), "Puzzle2D/grid_cell.png_100_100");
        EXPECT_EQ(grid[i]->GetSize().cx, 100);
    }
    // Row by row, then the exit at its own place east of row 1.
    EXPECT_EQ(grid[7]->GetPosition().x, 190);
    EXPECT_EQ(grid[7]->GetPosition().y, 190);
    EXPECT_EQ(grid[36]->GetPosition().x, 690);
    EXPECT_EQ(grid[36]->GetPosition().y, 190);

    ASSERT_NE(view->GetBoardWindow(), nullptr);
    EXPECT_EQ(view->GetBoardWindow()->GetParent(), m_field);
    EXPECT_TRUE(view->GetBoardWindow()->IsAlwaysOnTop());
    EXPECT_EQ(view->GetBoardWindow()->GetSize().cx, 800);
    EXPECT_EQ(view->GetBoardWindow()->GetSize().cy, 740);

    const auto& controls = view->GetBlockControls();
    ASSERT_EQ(controls.size(), shown.size());
    EXPECT_EQ(view->GetChangeNumber(), static_cast<std::int64_t>(puzzle.GetChangeNumber()));
    for (std::size_t i = 0; i < controls.size(); ++i)
    {
        const CBlock2DControl& control = *controls[i];
        EXPECT_EQ(control.GetBlockId(), shown[i]->GetId());
        EXPECT_STREQ(control.GetClassName(), "CBlock2DControl");
        EXPECT_EQ(control.GetParent(), view->GetBoardWindow());
        EXPECT_EQ(std::string(control.GetBitmapFile()), Block2DImageNameForBlock(*shown[i]) + "_100_100");
        EXPECT_EQ(control.GetBitmap().GetWidth(), 100);
        EXPECT_EQ(control.GetBitmap().GetHeight(), 100);
        EXPECT_FALSE(control.GetBackground());
        EXPECT_EQ(control.IsAlwaysOnTop(), shown[i]->GetKind() == KindBridge) << shown[i]->GetTypeName();
    }
}

TEST_F(PuzzleRenderer2DTest, ADragOnAGrabbableBlockSendsSelectDragsAndReleaseAndOthersSendNothing)
{
    Start("board.txt");
    view->Update();
    const CBlock& block = *BlockOfType("normal");
    const float left = block.GetRect().left;
    const float top = block.GetRect().top;
    const BaseLib::CPoint press = CentreOf(block);

    // A release without a press, and presses on blocks the player may not grab.
    Mouse("MLBUp", press.x, press.y);
    for (const char* type : {"bridge", "obstacle", "flex"})
    {
        const CBlock* other = BlockOfType(type);
        ASSERT_NE(other, nullptr) << type;
        EXPECT_FALSE(other->IsGrabbable());
        Mouse("MLBDwn", CentreOf(*other).x, CentreOf(*other).y);
        Mouse("MMove", CentreOf(*other).x + 50, CentreOf(*other).y);
        Mouse("MLBUp", CentreOf(*other).x + 50, CentreOf(*other).y);
        EXPECT_EQ(windows->GetMouseCapture(), nullptr) << type;
    }
    // The exit cell east of row 1 and an empty cell.
    const BaseLib::CPoint exitCell = view->CellToScreen(6.5f, 1.5f);
    Mouse("MLBDwn", exitCell.x, exitCell.y);
    Mouse("MLBUp", exitCell.x, exitCell.y);
    EXPECT_EQ(Describe(TakeCommands()), "");

    Mouse("MLBDwn", press.x, press.y);
    EXPECT_EQ(windows->GetMouseCapture(), ControlOf(block));
    for (int k = 1; k <= 4; ++k)
    {
        Mouse("MMove", press.x + 25 * k, press.y);
    }
    Mouse("MLBUp", press.x + 100, press.y);
    EXPECT_EQ(windows->GetMouseCapture(), nullptr);

    const int id = block.GetId();
    std::vector<GameCommand> expected = {{GameCommandKind::GrabBlock, id, 0.0f, 0.0f}};
    for (int k = 1; k <= 4; ++k)
    {
        expected.push_back({GameCommandKind::MoveBlock, id, left + 0.25f * static_cast<float>(k), top});
    }
    expected.push_back({GameCommandKind::ReleaseBlock, id, 0.0f, 0.0f});
    const std::vector<GameCommand> sent = TakeCommands();
    ASSERT_EQ(sent.size(), expected.size()) << Describe(sent);
    for (std::size_t i = 0; i < sent.size(); ++i)
    {
        EXPECT_TRUE(SameCommand(sent[i], expected[i])) << i << ": " << Describe(sent);
    }
}

TEST_F(PuzzleRenderer2DTest, WindowsFollowTheirBlocksAndAreRebuiltOnlyForANewChangeNumber)
{
    Start("board.txt");
    view->Update();
    const CBlock& block = *BlockOfType("normal");
    const BaseLib::CPoint press = CentreOf(block);
    Mouse("MLBDwn", press.x, press.y);
    Mouse("MMove", press.x + 100, press.y);
    Mouse("MLBUp", press.x + 100, press.y);
    for (int i = 0; i < 50; ++i)
    {
        Frame({}, 0.02);
    }
    ASSERT_EQ(world.GetPuzzle()->GetMoveCount(), 1);
    ASSERT_FLOAT_EQ(block.GetRect().left, 1.0f);

    std::vector<UILib::Handle> handles;
    for (const CBlock2DControl* control : view->GetBlockControls())
    {
        handles.push_back(control->GetHandle());
    }
    view->Update();
    EXPECT_EQ(ControlOf(block)->GetPosition().x, 190);
    for (const CBlock* b : world.GetPuzzle()->GetBlocks())
    {
        if (const CBlock2DControl* control = b->IsShown() ? ControlOf(*b) : nullptr)
        {
            const BaseLib::CRectF& r = b->GetRect();
            EXPECT_EQ(control->GetPosition().x, view->CellToScreen(r.left, r.top).x);
            EXPECT_EQ(control->GetPosition().y, view->CellToScreen(r.left, r.top).y);
            EXPECT_EQ(control->GetSize().cx, view->ScaleToScreen(r.right - r.left, r.bottom - r.top).cx);
            EXPECT_EQ(control->GetSize().cy, view->ScaleToScreen(r.right - r.left, r.bottom - r.top).cy);
        }
    }

    // A restart keeps the change number: the same windows glide back.
    Channel().PushRestart();
    for (int i = 0; i < 50; ++i)
    {
        Frame({}, 0.02);
    }
    view->Update();
    ASSERT_EQ(view->GetBlockControls().size(), handles.size());
    for (std::size_t i = 0; i < handles.size(); ++i)
    {
        EXPECT_EQ(view->GetBlockControls()[i]->GetHandle(), handles[i]);
    }
    EXPECT_EQ(ControlOf(block)->GetPosition().x, 90);

    // A new level gives new windows; no level leaves none.
    Frame({{"StartLevel", PathOf("board.txt")}});
    view->Update();
    ASSERT_EQ(view->GetBlockControls().size(), handles.size());
    EXPECT_NE(view->GetBlockControls()[0]->GetHandle(), handles[0]);
    EXPECT_EQ(view->GetChangeNumber(), static_cast<std::int64_t>(world.GetPuzzle()->GetChangeNumber()));
    Frame({{"ShutLevel", ""}});
    view->Update();
    EXPECT_TRUE(view->GetBlockControls().empty());
    EXPECT_EQ(view->GetChangeNumber(), -1);
}

TEST_F(PuzzleRenderer2DTest, AnEmptyBoardAndAHugeBoardBuildWithoutFaults)
{
    // A level file that fails to load leaves an empty puzzle.
    Start("missing.txt");
    ASSERT_EQ(world.GetPuzzle()->GetWidth(), 0);
    EXPECT_EQ(view->GetCellSize(), 600);
    EXPECT_TRUE(view->GetGridLabels().empty());
    EXPECT_TRUE(view->GetBlockControls().empty());
    EXPECT_TRUE(std::isfinite(view->ScreenToCell(500, 500).x));
    view->Update();

    // 1000 x 1: one-pixel cells.
    WriteFile("wide.txt", "A" + std::string(999, '-') + "\n");
    Frame({{"StartLevel", PathOf("wide.txt")}});
    view->Update();
    EXPECT_EQ(view->GetCellSize(), 1);
    EXPECT_FLOAT_EQ(view->PixelsToCells(3, 0).x, 3.0f);

    // 200 x 200: no grid cells, traced once; every block still has its window.
    std::string rows;
    for (int y = 0; y < 200; ++y)
    {
        rows += std::string(y % 2 == 0 ? "A" : "-") + std::string(199, '-') + "\n";
    }
    WriteFile("huge.txt", rows);
    Platform::DebugOutputCapture trace;
    Frame({{"StartLevel", PathOf("huge.txt")}});
    view->Update();
    EXPECT_TRUE(view->GetGridLabels().empty());
    EXPECT_EQ(view->GetBlockControls().size(), 100u);
    const std::string text = trace.Text();
    const std::size_t first = text.find("without grid cells");
    EXPECT_NE(first, std::string::npos) << text;
    EXPECT_EQ(text.find("without grid cells", first + 1), std::string::npos) << text;
}

TEST_F(PuzzleRenderer2DTest, WindowsOfAReplacedPuzzleOrASearchedOneSendNothingAndLeaveNoCapture)
{
    Start("board.txt");
    view->Update();
    const int id = BlockOfType("normal")->GetId();
    BaseLib::CPoint press = CentreOf(*BlockOfType("normal"));

    // A reload replaces the puzzle during a drag: the held window must not touch the old block.
    Mouse("MLBDwn", press.x, press.y);
    CBlock2DControl* held = ControlOf(*BlockOfType("normal"));
    ASSERT_EQ(windows->GetMouseCapture(), held);
    TakeCommands();
    Frame({{"Reload", ""}});
    Mouse("MMove", press.x + 30, press.y);
    EXPECT_EQ(Describe(TakeCommands()), "");
    view->Update();
    EXPECT_EQ(windows->GetMouseCapture(), nullptr);
    const std::vector<GameCommand> release = TakeCommands();
    ASSERT_EQ(release.size(), 1u) << Describe(release);
    EXPECT_TRUE(SameCommand(release[0], {GameCommandKind::ReleaseBlock, id, 0.0f, 0.0f}));
    // The old window still waits for its deletion and takes what reaches it, doing nothing.
    BaseLib::CPoint point(5, 5);
    EXPECT_TRUE(held->OnMouseMove(point, 0));
    EXPECT_TRUE(held->OnLButtonDown(point, 0));
    EXPECT_TRUE(held->OnLButtonUp(point, 0));
    EXPECT_EQ(Describe(TakeCommands()), "");
    windows->Update();

    // A search starts while a drag is held: nothing is sent until it is stopped.
    press = CentreOf(*BlockOfType("normal"));
    Mouse("MLBDwn", press.x, press.y);
    TakeCommands();
    world.GetGameContext()->SetState(GameContext::SolverRunning);
    Mouse("MMove", press.x + 30, press.y);
    Mouse("MLBUp", press.x + 30, press.y);
    Mouse("MLBDwn", press.x, press.y);
    EXPECT_EQ(Describe(TakeCommands()), "");
    EXPECT_EQ(windows->GetMouseCapture(), nullptr);
    world.GetGameContext()->SetState(GameContext::LevelRunning);
    view->Update();
    const std::vector<GameCommand> owed = TakeCommands();
    ASSERT_EQ(owed.size(), 1u) << Describe(owed);
    EXPECT_EQ(owed[0].kind, GameCommandKind::ReleaseBlock);
}

} // namespace
