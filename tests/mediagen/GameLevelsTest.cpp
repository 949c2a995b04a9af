// The level step of the generator: reading level sources, building their puzzles, refusing sources it
// cannot use, and the replays of the committed levels' solutions.
#include "mediagen/GameLevels.h"
#include "mediagen/LevelReplays.h"
#include "mediagen/LevelSource.h"

#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

// tests/mediagen/data lies two folders below the repository.
const fs::path kRepository = fs::path(QUARROW_TEST_DATA_DIR).parent_path().parent_path().parent_path();

std::string Bytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A source whose grid and legend the cases fill in.
std::string Source(const std::string& grid, const std::string& legend, const std::string& board = "field_4x4")
{
    return "# a test level\ngfxset jungle\nenvironment basic1\nboard " + board + "\nexit east 1\ngrid\n" +
           grid + "legend\n" + legend;
}

TEST(LevelSourceTest, BuildsTheBlocksOfTheGridLinkedWithinTheirGroupsAndNumbered)
{
    MediaGen::LevelSource source;
    std::string error;
    ASSERT_TRUE(
        MediaGen::ParseLevelSource("t.txt",
                                   "gfxset gs_plastic\nenvironment cave1\nboard field_4x4\nexit north 3\n"
                                   "exit west 0\nbinary\ngrid\nP...\n.aab\n..c.\n..c.\nlegend\n"
                                   "P player\na normal 1\nb flex 1\nc colored_red 2\n",
                                   source, error))
        << error;
    EXPECT_TRUE(source.binary);
    CEditablePuzzle puzzle;
    MediaGen::BuildLevelPuzzle(source, puzzle);

    EXPECT_EQ(4, puzzle.GetWidth());
    EXPECT_EQ("gs_plastic", puzzle.GetGfxSetName());
    EXPECT_EQ("cave1", puzzle.GetEnvironmentName());
    EXPECT_EQ("field_4x4", puzzle.GetBoardName());
    ASSERT_EQ(2, puzzle.GetNumExits());
    EXPECT_EQ((PuzzleExit{0, 3}), puzzle.GetExit(0));
    EXPECT_EQ((PuzzleExit{2, 0}), puzzle.GetExit(1));
    for (size_t i = 0; i < puzzle.GetBlocks().size(); ++i)
    {
        EXPECT_EQ(static_cast<int32_t>(i) + 1, puzzle.GetBlocks()[i]->GetId());
    }
    // The cells follow the border, in row order.
    std::vector<const CBlock*> cells;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        if (block->GetKind() != KindWall && block->GetKind() != KindLevelSolvedTrigger)
        {
            cells.push_back(block);
        }
    }
    ASSERT_EQ(6u, cells.size());
    const struct
    {
        const char* type;
        float x, y;
        size_t piece;
    } expected[] = {{"player", 0, 0, 1}, {"normal", 1, 1, 3},      {"normal", 2, 1, 3},
                    {"flex", 3, 1, 3},   {"colored_red", 2, 2, 2}, {"colored_red", 2, 3, 2}};
    for (size_t i = 0; i < cells.size(); ++i)
    {
        EXPECT_STREQ(expected[i].type, cells[i]->GetTypeName()) << i;
        EXPECT_EQ(expected[i].x, cells[i]->GetRect().left) << i;
        EXPECT_EQ(expected[i].y, cells[i]->GetRect().top) << i;
        EXPECT_EQ(expected[i].piece, cells[i]->GetLinkSet().size()) << i;
    }
    EXPECT_EQ(cells[2], cells[1]->GetNeighbour(DirectionEast));
    EXPECT_EQ(cells[4], cells[5]->GetNeighbour(DirectionNorth));
}

// A source the generator cannot use is refused, naming the file, the line and the fault, and the level
// step then writes nothing at all, not even the levels of the other, sound sources.
class LevelRefusalTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("mediagen_levels_" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "sources" / "basic");
        fs::create_directories(m_folder / "sources" / "jungle");
        fs::create_directories(m_folder / "media");
        // The part models the levels name, from the committed media.
        fs::create_directory_symlink(kRepository / "media" / "models", m_folder / "media" / "models");
        Write("jungle/01.txt", Source("....\nP.a.\n....\n....\n", "P player\na normal\n"));
    }
    void TearDown() override { fs::remove_all(m_folder); }

    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(m_folder / "sources" / name) << text;
    }
    // The messages of a level step over the sources.
    std::string Refusal()
    {
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        const bool written =
            MediaGen::WriteLevels((m_folder / "sources").string(), (m_folder / "maps").string(),
                                  (m_folder / "media").string());
        testing::internal::GetCapturedStdout();
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(written);
        EXPECT_FALSE(fs::exists(m_folder / "media" / "levels"));
        return errors;
    }

    fs::path m_folder;
};

TEST_F(LevelRefusalTest, AFaultySourceIsRefusedWithItsFileLineAndFault)
{
    const struct
    {
        std::string source;
        std::string message;
    } cases[] = {
        {Source("P...\n.a..\n....\n....\n", "P player\na stone\n"), ":13: unknown block type \"stone\""},
        {Source("P...\n.ab.\n....\n....\n", "P player\na normal\n"), ":8: \"b\" has no legend entry"},
        {Source("P...\n.a.a\n....\n....\n", "P player\na normal 4\n"),
         ":13: the link group 4 is not one connected shape"},
        {Source("P...\n.aa.\n.a..\n....\n", "P player\na normal 2\n"),
         ":13: the link group 2 is not a straight line"},
        {Source("P.a\n...\n...\n", "P player\na normal\n", "field_3x3"), ":6: no board model for a 3x3 grid"},
        {Source("P...\n....\n....\n....\n", "P player\n", "field_5x5"),
         ":4: the board \"field_5x5\" is not the one of the 4x4 grid"},
    };
    for (const auto& refused : cases)
    {
        Write("basic/01.txt", refused.source);
        const std::string errors = Refusal();
        EXPECT_NE(std::string::npos,
                  errors.find((m_folder / "sources" / "basic" / "01.txt").string() + refused.message))
            << errors;
    }
}

TEST_F(LevelRefusalTest, ALevelWithoutASolutionOfOneMoveOrNotAtRestIsRefusedByName)
{
    // The player is shut in by obstacles; the grid starts on line 6.
    Write("basic/01.txt", Source(".o..\noPo.\n.o..\n...a\n", "P player\no obstacle\na normal\n"));
    EXPECT_NE(std::string::npos,
              Refusal().find("basic/01.txt:6: the solver ended with status 3 (no solution)"));
    // Nothing stands between the player and the exit.
    Write("basic/01.txt", Source("....\n.P..\n....\n...a\n", "P player\na normal\n"));
    EXPECT_NE(std::string::npos, Refusal().find("basic/01.txt:6: solved in 1 moves, a level takes at least 2"));
    // Two pulling magnets apart slide together by themselves.
    Write("basic/01.txt", Source("m...\nP...\n..m.\n....\n", "P player\nm magnet_pulling\n"));
    EXPECT_NE(std::string::npos, Refusal().find("basic/01.txt: blocks move on their own at the start"));
}

// Plays a drag as the game does: grab and drag, steps until nothing moves, let go, steps until rest.
void Drag(CPuzzle& puzzle, int32_t id, float x, float y)
{
    puzzle.SelectBlock(id);
    puzzle.DragBlock(id, x, y);
    do
    {
        puzzle.Update(0.02);
    } while (puzzle.IsMoving());
    puzzle.ReleaseBlock(id);
    do
    {
        puzzle.Update(0.02);
    } while (puzzle.IsMoving());
}

MediaGen::BoardRects Board(const CPuzzle& puzzle)
{
    MediaGen::BoardRects board;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        board.push_back(block->GetRect());
    }
    return board;
}

// Each board of a solution is reached by one drag, or else by a pair of drags (what the game counts as
// one move when both move the same blocks); a board no drags reach has no replay.
TEST(LevelReplaysTest, EachBoardOfASolutionIsReachedByOneDragOrAPair)
{
    MediaGen::LevelSource source;
    std::string error;
    ASSERT_TRUE(MediaGen::ParseLevelSource(
        "t.txt", Source("P...\n....\n..a.\n....\n", "P player\na normal\n"), source, error))
        << error;
    CEditablePuzzle solution;
    MediaGen::BuildLevelPuzzle(source, solution);
    const int32_t player = solution.GetBlocks()[solution.GetBlocks().size() - 2]->GetId();
    const int32_t block = solution.GetBlocks().back()->GetId();
    std::vector<MediaGen::BoardRects> boards;
    Drag(solution, player, 0.0f, 1.0f);
    boards.push_back(Board(solution));
    Drag(solution, block, 0.0f, 2.0f);
    Drag(solution, player, 4.0f, 1.0f);
    boards.push_back(Board(solution));
    ASSERT_TRUE(solution.IsSolved());

    CEditablePuzzle play;
    MediaGen::BuildLevelPuzzle(source, play);
    const auto moves = MediaGen::ReconstructGameMoves(play, boards);
    ASSERT_TRUE(moves.has_value());
    ASSERT_EQ(3u, moves->size());
    EXPECT_EQ(player, (*moves)[0].blockId);
    CEditablePuzzle check;
    MediaGen::BuildLevelPuzzle(source, check);
    for (const MediaGen::GameMove& move : *moves)
    {
        Drag(check, move.blockId, move.x, move.y);
    }
    EXPECT_TRUE(check.IsSolved());
    EXPECT_TRUE(Board(check) == boards.back());

    // Half a cell off: no drag leaves a block there.
    boards.back().back().left += 0.5f;
    CEditablePuzzle again;
    MediaGen::BuildLevelPuzzle(source, again);
    EXPECT_FALSE(MediaGen::ReconstructGameMoves(again, boards).has_value());
}

// The committed replays are what the replays command makes of the committed levels.
TEST(LevelReplaysTest, RegeneratingTheReplaysGivesTheCommittedFiles)
{
    const fs::path folder = fs::temp_directory_path() / ("mediagen_replays_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    testing::internal::CaptureStderr();
    ASSERT_EQ(0, MediaGen::RunReplaysCommand({(kRepository / "media").string(), folder.string()}))
        << testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStderr();
    const fs::path committed = kRepository / "tests" / "game" / "replays";
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
    {
        if (entry.is_regular_file())
        {
            ++files;
            const fs::path relative = fs::relative(entry.path(), folder);
            EXPECT_TRUE(Bytes(entry.path()) == Bytes(committed / relative)) << relative;
        }
    }
    EXPECT_EQ(344, files);
    fs::remove_all(folder);
}

TEST(LevelReplaysTest, BadArgumentsAreRefusedWithTheUsage)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(2, MediaGen::RunReplaysCommand({"media"}));
    EXPECT_NE(std::string::npos,
              testing::internal::GetCapturedStderr().find("replays <media folder> <replay folder>"));
}

} // namespace
