#include "puzzle/EditablePuzzle.h"

#include "puzzle/Block.h"
#include "puzzle/FlexBlock.h"
#include "puzzle/LevelSolvedTriggerBlock.h"
#include "puzzle/MagnetBlock.h"
#include "puzzle/MetaBlockDescription.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

using BaseLib::CRectF;

namespace
{

using Cell = std::pair<int32_t, int32_t>;

std::string DataFile(const char* name)
{
    return std::string(QUARROW_TEST_DATA_DIR) + "/" + name;
}

// The blocks of a kind whose rect covers the middle of cell (x, y).
int32_t CountCovering(const CPuzzle& puzzle, int32_t kind, int32_t x, int32_t y)
{
    const float cx = static_cast<float>(x) + 0.5f;
    const float cy = static_cast<float>(y) + 0.5f;
    return static_cast<int32_t>(
        std::count_if(puzzle.GetBlocks().begin(), puzzle.GetBlocks().end(), [&](const CBlock* block) {
            const CRectF& r = block->GetRect();
            return block->GetKind() == kind && r.left < cx && cx < r.right && r.top < cy && cy < r.bottom;
        }));
}

// Cell by cell over the board and its two-cell ring: each ring cell has exactly one wall, or exactly one
// exit trigger when it is an exit cell; the board has neither; no wall reaches outside the ring.
void ExpectBorder(const CPuzzle& puzzle, const std::set<Cell>& exitCells)
{
    const int32_t w = puzzle.GetWidth();
    const int32_t h = puzzle.GetHeight();
    for (int32_t y = -2; y < h + 2; ++y)
    {
        for (int32_t x = -2; x < w + 2; ++x)
        {
            const bool board = x >= 0 && x < w && y >= 0 && y < h;
            const bool exit = exitCells.count({x, y}) != 0;
            EXPECT_EQ(CountCovering(puzzle, KindWall, x, y), board || exit ? 0 : 1) << x << "," << y;
            EXPECT_EQ(CountCovering(puzzle, KindLevelSolvedTrigger, x, y), exit ? 1 : 0) << x << "," << y;
        }
    }
    const CRectF ring(-2.0f, -2.0f, static_cast<float>(w + 2), static_cast<float>(h + 2));
    for (const CBlock* block : puzzle.GetBlocks())
    {
        if (block->GetKind() == KindWall)
        {
            const CRectF& r = block->GetRect();
            EXPECT_TRUE(r.left >= ring.left && r.top >= ring.top && r.right <= ring.right &&
                        r.bottom <= ring.bottom);
        }
    }
    EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
}

const CBlock* BlockAt(const CPuzzle& puzzle, float x, float y)
{
    for (const CBlock* block : puzzle.GetBlocks())
    {
        if (block->GetRect().left == x && block->GetRect().top == y && block->IsShown())
        {
            return block;
        }
    }
    return nullptr;
}

std::vector<const CBlock*> ShownBlocks(const CPuzzle& puzzle)
{
    std::vector<const CBlock*> shown;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        if (block->IsShown())
        {
            shown.push_back(block);
        }
    }
    return shown;
}

CMetaBlockDescription Description(std::vector<MetaBlockPart> parts)
{
    CMetaBlockDescription description;
    description.SetName("piece");
    description.GetParts() = std::move(parts);
    return description;
}

// A cleared board of the size with one normal block at (2, 2).
void BoardWithOneBlock(CEditablePuzzle& puzzle, int32_t w, int32_t h)
{
    std::vector<PuzzleCell> cells(static_cast<size_t>(w * h));
    cells[static_cast<size_t>(2 * w + 2)] = {'A', 1};
    ASSERT_TRUE(puzzle.CreateFromCellGrid(cells, w, h, {{DirectionEast, 2}}));
}

using EditablePuzzleFiles = TempFolderTest;

} // namespace

TEST(EditablePuzzle, ClearBuildsTheTwoCellBorderWithOneEastExit)
{
    CEditablePuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    puzzle.SetMinSolveMoves(9);
    puzzle.Clear();
    ExpectBorder(puzzle, {{6, 2}});
    ASSERT_EQ(puzzle.GetNumExits(), 1);
    EXPECT_EQ(puzzle.GetExit(0), (PuzzleExit{DirectionEast, 2}));
    EXPECT_EQ(puzzle.GetMinSolveMoves(), -1);
    EXPECT_EQ(puzzle.GetStartSnapshot().states.size(), puzzle.GetBlocks().size());
    EXPECT_TRUE(ShownBlocks(puzzle).empty());
}

TEST(EditablePuzzle, SetExitsPlacesClampedTriggersThatGetExitReadsBack)
{
    CEditablePuzzle puzzle;
    puzzle.ResizeBoard(6, 5);
    puzzle.Clear();
    struct Case
    {
        PuzzleExit given;
        Cell cell;
        PuzzleExit read;
    } cases[] = {
        {{DirectionNorth, 9}, {5, -1}, {DirectionNorth, 5}}, // clamped to the width
        {{DirectionSouth, 1}, {1, 5}, {DirectionSouth, 1}},
        {{DirectionWest, -3}, {-1, 0}, {DirectionWest, 0}},
        {{DirectionEast, 4}, {6, 4}, {DirectionEast, 4}},
        {{7, 3}, {0, 0}, {DirectionNone, -1}}, // no side: a trigger inside the board is no exit
    };
    std::vector<PuzzleExit> exits;
    std::set<Cell> ringCells;
    for (const Case& c : cases)
    {
        exits.push_back(c.given);
        if (c.given.side <= DirectionEast)
        {
            ringCells.insert(c.cell);
        }
    }
    puzzle.SetExits(exits);
    ASSERT_EQ(puzzle.GetNumExits(), 5);
    for (int32_t i = 0; i < 5; ++i)
    {
        EXPECT_EQ(puzzle.GetExit(i), cases[i].read) << i;
        EXPECT_EQ(CountCovering(puzzle, KindLevelSolvedTrigger, cases[i].cell.first, cases[i].cell.second), 1)
            << i;
    }
    EXPECT_EQ(puzzle.GetExit(5), (PuzzleExit{DirectionNone, -1}));
    // The old east exit at (6, 2) is gone and walled again.
    EXPECT_EQ(CountCovering(puzzle, KindWall, 6, 2), 1);
    EXPECT_EQ(CountCovering(puzzle, KindLevelSolvedTrigger, 6, 2), 0);
    for (const Cell& cell : ringCells)
    {
        EXPECT_EQ(CountCovering(puzzle, KindWall, cell.first, cell.second), 0);
    }
}

TEST(EditablePuzzle, SetExitsKeepsThePlayingBlocks)
{
    CEditablePuzzle puzzle;
    BoardWithOneBlock(puzzle, 6, 6);
    puzzle.SetExits({{DirectionWest, 1}, {DirectionSouth, 3}});
    ExpectBorder(puzzle, {{-1, 1}, {3, 6}});
    ASSERT_EQ(ShownBlocks(puzzle).size(), 1u);
    EXPECT_EQ(BlockAt(puzzle, 2, 2)->GetKind(), KindNormal);
}

TEST(EditablePuzzle, BlockFromCharMapsEveryLetter)
{
    CEditablePuzzle puzzle;
    const std::pair<char, const char*> cases[] = {
        {'B', "bridge"},         {'C', "bridge"},         {'F', "flex"},     {'G', "flex"},
        {'W', "weakflex"},       {'X', "weakflex"},       {'L', "linked"},   {'M', "magnet_pulling"},
        {'N', "magnet_pulling"}, {'S', "magnet_pushing"}, {'O', "obstacle"}, {'P', "player"},
        {'A', "normal"},         {'p', "normal"},         {'E', "normal"},
    };
    for (const auto& [c, type] : cases)
    {
        std::unique_ptr<CBlock> block(puzzle.BlockFromChar(c));
        EXPECT_STREQ(block->GetTypeName(), type) << c;
    }
}

TEST(EditablePuzzle, CreateFromCellGridLinksNeighboursOfOneGroup)
{
    CEditablePuzzle puzzle;
    puzzle.SetMinSolveMoves(4);
    // P P A
    // A - A   groups: 1 1 2 / 3 - 2
    const std::vector<PuzzleCell> cells = {{'P', 1}, {'P', 1}, {'A', 2}, {'A', 3}, {'-', 0}, {'L', 2}};
    ASSERT_TRUE(puzzle.CreateFromCellGrid(cells, 3, 2, {{DirectionEast, 1}}));
    EXPECT_EQ(puzzle.GetWidth(), 3);
    EXPECT_EQ(puzzle.GetHeight(), 2);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), -1);
    ExpectBorder(puzzle, {{3, 1}});
    ASSERT_EQ(ShownBlocks(puzzle).size(), 5u);
    const CBlock* p0 = BlockAt(puzzle, 0, 0);
    const CBlock* p1 = BlockAt(puzzle, 1, 0);
    const CBlock* a2 = BlockAt(puzzle, 2, 0);
    const CBlock* a3 = BlockAt(puzzle, 0, 1);
    const CBlock* l2 = BlockAt(puzzle, 2, 1);
    EXPECT_EQ(p0->GetKind(), KindPlayer);
    EXPECT_EQ(l2->GetKind(), KindLinked);
    EXPECT_EQ(p1->GetNeighbour(DirectionWest), p0);
    EXPECT_EQ(a2->GetNeighbour(DirectionWest), nullptr); // other group
    EXPECT_EQ(a3->GetNeighbour(DirectionNorth), nullptr);
    EXPECT_EQ(l2->GetNeighbour(DirectionNorth), a2); // same group, other letter
    EXPECT_EQ(p0->GetLinkSet().size(), 2u);          // the start snapshot rebuilt the pieces
    EXPECT_EQ(l2->GetLinkSet().size(), 2u);

    const size_t before = puzzle.GetBlocks().size();
    EXPECT_FALSE(puzzle.CreateFromCellGrid(cells, 3, 3, {})); // too few cells
    EXPECT_FALSE(puzzle.CreateFromCellGrid({}, 0, 2, {}));
    EXPECT_FALSE(puzzle.CreateFromCellGrid(cells, 1001, 1, {}));
    EXPECT_EQ(puzzle.GetBlocks().size(), before);
    EXPECT_EQ(puzzle.GetWidth(), 3);
}

TEST(EditablePuzzle, CharGridWithNorthExitLinksEqualLettersAndMagnets)
{
    CEditablePuzzle puzzle;
    const std::string file = DataFile("chargrid_north.txt");
    ASSERT_TRUE(puzzle.BuildFromCharGrid(file));
    EXPECT_EQ(puzzle.GetFileName(), file);
    EXPECT_EQ(puzzle.GetWidth(), 5);
    EXPECT_EQ(puzzle.GetHeight(), 4);
    ASSERT_EQ(puzzle.GetNumExits(), 1);
    EXPECT_EQ(puzzle.GetExit(0), (PuzzleExit{DirectionNorth, 3}));
    ExpectBorder(puzzle, {{3, -1}});

    // PP--L / -Aa-L / NS--- / BB (short row: the rest is empty)
    EXPECT_EQ(ShownBlocks(puzzle).size(), 10u);
    EXPECT_EQ(BlockAt(puzzle, 0, 0)->GetKind(), KindPlayer);
    EXPECT_EQ(BlockAt(puzzle, 1, 0)->GetNeighbour(DirectionWest), BlockAt(puzzle, 0, 0));
    EXPECT_EQ(BlockAt(puzzle, 1, 1)->GetNeighbour(DirectionNorth), nullptr); // A under P
    EXPECT_EQ(BlockAt(puzzle, 4, 1)->GetNeighbour(DirectionNorth), BlockAt(puzzle, 4, 0));
    EXPECT_EQ(BlockAt(puzzle, 2, 1)->GetNeighbour(DirectionWest), BlockAt(puzzle, 1, 1)); // "a" after "A"
    const CBlock* north = BlockAt(puzzle, 0, 2);
    const CBlock* south = BlockAt(puzzle, 1, 2);
    ASSERT_EQ(north->GetKind(), KindMagnet);
    ASSERT_EQ(south->GetKind(), KindMagnet);
    EXPECT_EQ(static_cast<const CMagnetBlock*>(north)->GetMode(), CMagnetBlock::ModePulling);
    EXPECT_EQ(static_cast<const CMagnetBlock*>(south)->GetMode(), CMagnetBlock::ModePushing);
    EXPECT_EQ(south->GetNeighbour(DirectionWest), north);
    EXPECT_EQ(north->GetNeighbour(DirectionNorth), nullptr);
    EXPECT_EQ(BlockAt(puzzle, 1, 3)->GetNeighbour(DirectionWest), BlockAt(puzzle, 0, 3));
    EXPECT_EQ(BlockAt(puzzle, 0, 3)->GetKind(), KindBridge);
    for (int32_t x = 2; x < 5; ++x)
    {
        EXPECT_EQ(BlockAt(puzzle, static_cast<float>(x), 3), nullptr) << x;
    }
}

TEST(EditablePuzzle, CharGridRowWithEGivesAnEastExitAndEndsTheRow)
{
    CEditablePuzzle puzzle;
    ASSERT_TRUE(puzzle.BuildFromCharGrid(DataFile("chargrid_east.txt")));
    EXPECT_EQ(puzzle.GetWidth(), 6);
    EXPECT_EQ(puzzle.GetHeight(), 3);
    EXPECT_EQ(puzzle.GetExit(0), (PuzzleExit{DirectionEast, 1}));
    ExpectBorder(puzzle, {{6, 1}});
    ASSERT_EQ(ShownBlocks(puzzle).size(), 2u);
    EXPECT_EQ(BlockAt(puzzle, 3, 1)->GetNeighbour(DirectionWest), BlockAt(puzzle, 2, 1));
}

TEST_F(EditablePuzzleFiles, CharGridSouthExitAndRefusedFiles)
{
    CEditablePuzzle puzzle;
    WriteFile("south.txt", "P--\n-P-\nEE\n");
    ASSERT_TRUE(puzzle.BuildFromCharGrid(PathOf("south.txt")));
    EXPECT_EQ(puzzle.GetExit(0), (PuzzleExit{DirectionSouth, 1}));
    ExpectBorder(puzzle, {{1, 2}});

    // A row starting with "E" counts as a row, but gives no cell: the board has no width.
    WriteFile("empty.txt", " \n\t\n");
    WriteFile("only_exits.txt", "EEE\nEE\n");
    WriteFile("no_width.txt", "E-P\n");
    const size_t before = puzzle.GetBlocks().size();
    for (const char* name : {"empty.txt", "only_exits.txt", "no_width.txt", "missing.txt"})
    {
        EXPECT_FALSE(puzzle.BuildFromCharGrid(PathOf(name))) << name;
        EXPECT_EQ(puzzle.GetBlocks().size(), before) << name;
        EXPECT_EQ(puzzle.GetWidth(), 3) << name;
    }
}

TEST(EditablePuzzle, PlaceMetaBlockOverAnOccupiedCellAddsNothing)
{
    CEditablePuzzle puzzle;
    BoardWithOneBlock(puzzle, 6, 6);
    const size_t before = puzzle.GetBlocks().size();
    const int32_t idCounter = CBlock::GetIdCounter();
    const CMetaBlockDescription pair = Description({{"normal", ""}, {"player", ""}});

    EXPECT_FALSE(puzzle.PlaceMetaBlock(pair, 1, 2, false));
    EXPECT_EQ(puzzle.GetBlocks().size(), before);
    EXPECT_EQ(puzzle.GetGrid().GetCellCount(1, 2), 0);
    EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());

    // A type the factory does not know places nothing and creates nothing.
    EXPECT_FALSE(puzzle.PlaceMetaBlock(Description({{"normal", ""}, {"sticky", ""}}), 0, 0, false));
    EXPECT_FALSE(puzzle.PlaceMetaBlock(Description({}), 0, 0, false));
    EXPECT_EQ(CBlock::GetIdCounter(), idCounter + 2); // only the two blocks of the refused pair
    EXPECT_EQ(puzzle.GetBlocks().size(), before);

    // Touching the block is no overlap; a bridge over it is not solid.
    EXPECT_TRUE(puzzle.PlaceMetaBlock(pair, 3, 2, false));
    EXPECT_TRUE(puzzle.PlaceMetaBlock(Description({{"bridge", ""}}), 2, 2, false));
    EXPECT_EQ(puzzle.GetBlocks().size(), before + 3);
    EXPECT_EQ(BlockAt(puzzle, 4, 2)->GetNeighbour(DirectionWest), BlockAt(puzzle, 3, 2));
    EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
}

TEST(EditablePuzzle, PlaceMetaBlockVerticalWithFlexPartSqueezesItAndLinksNorth)
{
    CEditablePuzzle puzzle;
    puzzle.ResizeBoard(6, 6);
    puzzle.Clear();
    puzzle.SetMinSolveMoves(3);
    ASSERT_TRUE(puzzle.PlaceMetaBlock(
        Description({{"normal", "blk_top"}, {"flex", ""}, {"normal", "blk_bottom"}}), 1, 1, true));
    EXPECT_EQ(puzzle.GetMinSolveMoves(), -1);
    const std::vector<const CBlock*> shown = ShownBlocks(puzzle);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0]->GetRect(), CRectF(1, 1, 2, 2));
    EXPECT_EQ(shown[1]->GetRect(), CRectF(1, 2, 2, 2));
    EXPECT_EQ(shown[2]->GetRect(), CRectF(1, 2, 2, 3));
    EXPECT_EQ(shown[1]->GetNeighbour(DirectionNorth), shown[0]);
    EXPECT_EQ(shown[2]->GetNeighbour(DirectionNorth), shown[1]);
    EXPECT_EQ(shown[0]->GetModelName(), "blk_top");
    EXPECT_EQ(shown[2]->GetModelName(), "blk_bottom");
    EXPECT_EQ(shown[0]->GetLinkSet().size(), 3u);

    // Horizontal: the flex part is 0 by 1 and the chain advances by widths.
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description({{"weakflex", ""}, {"normal", ""}}), 3, 4, false));
    const CBlock* flex = BlockAt(puzzle, 3, 4);
    EXPECT_EQ(flex->GetRect(), CRectF(3, 4, 3, 5));
    EXPECT_EQ(puzzle.GetBlocks().back()->GetRect(), CRectF(3, 4, 4, 5));
    EXPECT_EQ(puzzle.GetBlocks().back()->GetNeighbour(DirectionWest), flex);
}

TEST(EditablePuzzle, DeleteBlockTakesItsWholePiece)
{
    CEditablePuzzle puzzle;
    const std::vector<PuzzleCell> cells = {{'A', 1}, {'A', 1}, {'A', 1}, {'P', 2}, {'-', 0}, {'A', 1}};
    ASSERT_TRUE(puzzle.CreateFromCellGrid(cells, 3, 2, {{DirectionEast, 1}}));
    puzzle.SetMinSolveMoves(6);
    const int32_t middle = BlockAt(puzzle, 1, 0)->GetId();
    puzzle.DeleteBlock(middle);
    ASSERT_EQ(ShownBlocks(puzzle).size(), 1u);
    EXPECT_EQ(ShownBlocks(puzzle)[0]->GetKind(), KindPlayer);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), -1);
    EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
    EXPECT_EQ(puzzle.GetGrid().GetCellCount(2, 1), 0);

    puzzle.SetMinSolveMoves(6);
    const size_t before = puzzle.GetBlocks().size();
    puzzle.DeleteBlock(middle);
    EXPECT_EQ(puzzle.GetBlocks().size(), before);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), -1);
}

TEST(EditablePuzzle, ShrinkingDeletesAPieceThatSticksOutAndRebuildsTheBorder)
{
    CEditablePuzzle puzzle;
    std::vector<PuzzleCell> cells(8 * 6);
    // A piece of three on row 0 from x = 5 to 7, and a player at (0, 5).
    cells[5] = cells[6] = cells[7] = {'A', 1};
    cells[5 * 8] = {'P', 2};
    ASSERT_TRUE(puzzle.CreateFromCellGrid(cells, 8, 6, {{DirectionEast, 2}, {DirectionNorth, 6}}));

    puzzle.SetGridSize(6, 6);
    EXPECT_EQ(puzzle.GetWidth(), 6);
    ASSERT_EQ(ShownBlocks(puzzle).size(), 1u); // (5, 0) fits but goes with its piece
    EXPECT_EQ(ShownBlocks(puzzle)[0]->GetKind(), KindPlayer);
    ASSERT_EQ(puzzle.GetNumExits(), 1); // the north exit at 6 no longer fits
    ExpectBorder(puzzle, {{6, 2}});

    puzzle.SetGridSize(9, 7);
    EXPECT_EQ(puzzle.GetExit(0), (PuzzleExit{DirectionEast, 2}));
    ExpectBorder(puzzle, {{9, 2}});
    EXPECT_EQ(BlockAt(puzzle, 0, 5)->GetKind(), KindPlayer);
    EXPECT_TRUE(puzzle.GetGrid().CellContains(0, 5, BlockAt(puzzle, 0, 5)));

    const size_t before = puzzle.GetBlocks().size();
    for (const Cell& size : {Cell{0, 5}, Cell{5, -1}, Cell{1001, 6}})
    {
        puzzle.SetGridSize(size.first, size.second);
        EXPECT_EQ(puzzle.GetWidth(), 9);
        EXPECT_EQ(puzzle.GetHeight(), 7);
        EXPECT_EQ(puzzle.GetBlocks().size(), before);
    }
}

TEST(EditablePuzzle, NamesAndMoveCounts)
{
    CEditablePuzzle puzzle;
    uint32_t change = puzzle.GetChangeNumber();
    puzzle.SetEnvironmentName("desert2");
    EXPECT_NE(puzzle.GetChangeNumber(), change);
    change = puzzle.GetChangeNumber();
    puzzle.SetBoardName("field_9x7");
    EXPECT_NE(puzzle.GetChangeNumber(), change);
    change = puzzle.GetChangeNumber();
    puzzle.SetGfxSetName("desert");
    EXPECT_NE(puzzle.GetChangeNumber(), change);
    EXPECT_EQ(puzzle.GetEnvironmentName(), "desert2");
    EXPECT_EQ(puzzle.GetBoardName(), "field_9x7");
    EXPECT_EQ(puzzle.GetGfxSetName(), "desert");

    struct Case
    {
        int32_t par, min, parAfter;
    } cases[] = {{3, 5, 5}, {7, 5, 7}, {-1, 0, -1}, {-1, -1, -1}, {2, 2, 2}};
    for (const Case& c : cases)
    {
        puzzle.SetParSolveMoves(c.par);
        puzzle.SetMinSolveMoves(c.min);
        EXPECT_EQ(puzzle.GetMinSolveMoves(), c.min);
        EXPECT_EQ(puzzle.GetParSolveMoves(), c.parAfter) << c.par << " " << c.min;
    }

    puzzle.SetMinSolveMoves(4);
    puzzle.MarkChanged(false);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), 4);
    puzzle.MarkChanged(true);
    EXPECT_EQ(puzzle.GetMinSolveMoves(), -1);
}

TEST(EditablePuzzle, TimeFrozenBoardMovesNoBlock)
{
    CEditablePuzzle puzzle;
    puzzle.ResizeBoard(4, 4);
    puzzle.Clear();
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description({{"normal", ""}}), 1.5f, 1, false));
    puzzle.SetTimeFrozen(true);
    puzzle.Update(0.02);
    EXPECT_EQ(BlockAt(puzzle, 1.5f, 1)->GetRect().left, 1.5f);
    puzzle.SetTimeFrozen(false);
    puzzle.Update(0.02);
    EXPECT_EQ(BlockAt(puzzle, 1.5f, 1), nullptr); // gliding toward a whole cell
}

TEST_F(EditablePuzzleFiles, EditedPuzzleSavedAndLoadedIsTheSame)
{
    CEditablePuzzle puzzle;
    ASSERT_TRUE(puzzle.BuildFromCharGrid(DataFile("chargrid_north.txt")));
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description({{"linked", "blk_a"}, {"flex", ""}, {"normal", "blk_b"}}),
                                      2, 2, false));
    puzzle.SetExits({{DirectionNorth, 3}, {DirectionWest, 2}});
    puzzle.SetGridSize(6, 5);
    puzzle.SetMinSolveMoves(11);
    puzzle.SetBoardName("field_6x5");

    for (const bool binary : {false, true})
    {
        const std::string first = PathOf(binary ? "first.blvl" : "first.xml");
        const std::string second = PathOf(binary ? "second.blvl" : "second.xml");
        ASSERT_TRUE(binary ? puzzle.SaveBinary(first) : puzzle.SaveXml(first));
        CEditablePuzzle loaded;
        ASSERT_TRUE(binary ? loaded.LoadBinary(first) : loaded.LoadXml(first));
        ASSERT_TRUE(binary ? loaded.SaveBinary(second) : loaded.SaveXml(second));
        EXPECT_EQ(ReadFile(binary ? "first.blvl" : "first.xml"),
                  ReadFile(binary ? "second.blvl" : "second.xml"));
        EXPECT_EQ(loaded.GetNumExits(), 2);
        EXPECT_EQ(loaded.GetExit(1), (PuzzleExit{DirectionWest, 2}));
        EXPECT_EQ(loaded.GetBlocks().size(), puzzle.GetBlocks().size());
        EXPECT_TRUE(loaded.GetGrid().CheckConsistency());
    }
}
