// The committed replays played on the committed levels with the puzzle's own commands, a move at a time
// as a player makes it: grab and drag, world steps until nothing moves, let go, steps until rest.
#include "foundation/Xml.h"
#include "puzzle/EditablePuzzle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace
{

namespace fs = std::filesystem;

const fs::path kMedia = QUARROW_MEDIA_DIR;
const fs::path kReplays = kMedia.parent_path() / "tests" / "game" / "replays";

struct Command
{
    int kind;
    int param;
    float x;
    float y;
};

void Settle(CPuzzle& puzzle, const std::string& where)
{
    for (int step = 0; step < 10000; ++step)
    {
        puzzle.Update(0.02);
        if (!puzzle.IsMoving())
        {
            return;
        }
    }
    ADD_FAILURE() << where << ": the board never comes to rest";
}

TEST(ReplayFilesTest, EveryReplaySolvesItsLevelWithThreeStarsInAtMostItsShortestSolution)
{
    int replays = 0;
    for (const char* region : {"basic", "jungle", "swamp", "cave", "temple"})
    {
        TiXmlDocument map;
        ASSERT_TRUE(
            BaseLib::XmlLoadFile(map, (kMedia / "levels" / (std::string(region) + ".map.xml")).string()));
        for (const TiXmlElement* level =
                 map.RootElement()->FirstChildElement("levellist")->FirstChildElement("level");
             level != nullptr; level = level->NextSiblingElement("level"))
        {
            const std::string file = BaseLib::XmlGetStringAttribute(level, "file", "");
            CEditablePuzzle puzzle;
            const std::string path = (kMedia / "levels" / file).string();
            ASSERT_TRUE(fs::path(file).extension() == ".blvl" ? puzzle.LoadBinary(path)
                                                              : puzzle.LoadXml(path))
                << file;
            const fs::path replay = kReplays / fs::path(file).replace_extension(".replay");
            std::ifstream lines(replay);
            ASSERT_TRUE(lines.is_open()) << replay;
            ++replays;
            int grabs = 0;
            for (std::string line; std::getline(lines, line);)
            {
                Command command{};
                std::istringstream fields(line);
                ASSERT_TRUE(fields >> command.kind >> command.param >> command.x >> command.y)
                    << replay << ": " << line;
                ASSERT_NE(nullptr, puzzle.FindBlockById(command.param)) << replay << ": " << line;
                switch (command.kind)
                {
                case 0:
                    ++grabs;
                    puzzle.SelectBlock(command.param);
                    EXPECT_EQ(command.param, puzzle.GetSelectedBlockId()) << replay << ": " << line;
                    break;
                case 1:
                    puzzle.DragBlock(command.param, command.x, command.y);
                    Settle(puzzle, replay.string());
                    break;
                case 2:
                    puzzle.ReleaseBlock(command.param);
                    Settle(puzzle, replay.string());
                    break;
                default:
                    FAIL() << replay << ": " << line;
                }
            }
            EXPECT_TRUE(puzzle.IsSolved()) << replay;
            EXPECT_EQ(3, puzzle.GetStars()) << replay;
            EXPECT_LE(puzzle.GetMoveCount(), puzzle.GetMinSolveMoves()) << replay;
            // One drag per move of the solver's solution, or fewer.
            EXPECT_LE(grabs, puzzle.GetMinSolveMoves()) << replay;
            EXPECT_LE(puzzle.GetMoveCount(), grabs) << replay;
            // The count falls short of the shortest solution only where two drags in a row made one move.
            EXPECT_TRUE(puzzle.GetMoveCount() < grabs || puzzle.GetMoveCount() == puzzle.GetMinSolveMoves())
                << replay;
        }
    }
    EXPECT_EQ(34, replays);
}

} // namespace
