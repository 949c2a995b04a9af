// The committed levels as the game reads them: the five map files' level lists, every listed puzzle
// with its stored shortest solution, the names it uses, its replay, and the blocks library.
#include "foundation/PathAliases.h"
#include "foundation/Xml.h"
#include "game/LevelList.h"
#include "puzzle/Block.h"
#include "puzzle/BlocksLibrary.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleSolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

const fs::path kMedia = QUARROW_MEDIA_DIR;
const fs::path kLevels = kMedia / "levels";
const fs::path kReplays = kMedia.parent_path() / "tests" / "game" / "replays";
const char* const kRegions[] = {"basic", "jungle", "swamp", "cave", "temple"};

struct ListedLevel
{
    std::string region;
    std::string file;
};

// How a case names its level in test output.
void PrintTo(const ListedLevel& level, std::ostream* out)
{
    *out << level.file;
}

// The "level" entries of the map file's "levellist", in order; their ids must count 1, 2, 3, ...
std::vector<std::string> LevelList(const std::string& region)
{
    std::vector<std::string> files;
    const fs::path path = kLevels / (region + ".map.xml");
    TiXmlDocument document;
    EXPECT_TRUE(BaseLib::XmlLoadFile(document, path.string())) << path;
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr)
    {
        ADD_FAILURE() << path << " has no root";
        return files;
    }
    EXPECT_STREQ("map", root->Value()) << path;
    const TiXmlElement* list = root->FirstChildElement("levellist");
    EXPECT_NE(nullptr, list) << path;
    for (const TiXmlElement* level = list != nullptr ? list->FirstChildElement("level") : nullptr;
         level != nullptr; level = level->NextSiblingElement("level"))
    {
        EXPECT_EQ(static_cast<int>(files.size()) + 1, BaseLib::XmlGetIntAttribute(level, "id", -1)) << path;
        files.push_back(BaseLib::XmlGetStringAttribute(level, "file", ""));
    }
    return files;
}

// The listed levels as the game reads the map files; read before the tests run, so it asserts nothing
// (the list checks do).
std::vector<ListedLevel> AllListedLevels()
{
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("level", kLevels.string());
    std::vector<ListedLevel> levels;
    for (int32_t index = 0; index < 5; ++index)
    {
        for (const std::string& file : LoadLevelList(GetMapFileName(index), aliases))
        {
            levels.push_back({kRegions[index], fs::relative(file, kLevels).generic_string()});
        }
    }
    return levels;
}

std::unique_ptr<CEditablePuzzle> Load(const std::string& file)
{
    auto puzzle = std::make_unique<CEditablePuzzle>();
    const std::string path = (kLevels / file).string();
    const bool loaded =
        fs::path(file).extension() == ".blvl" ? puzzle->LoadBinary(path) : puzzle->LoadXml(path);
    EXPECT_TRUE(loaded) << file;
    return loaded ? std::move(puzzle) : nullptr;
}

// The kinds of block a level places on its board (its border's walls and exits left out): the behaviours
// a player meets, so all colours are one kind, as are both magnets and both springs.
std::set<int32_t> Kinds(const CPuzzle& puzzle)
{
    std::set<int32_t> kinds;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        if (block->IsShown())
        {
            kinds.insert(block->GetKind());
        }
    }
    return kinds;
}

// The start position as text: board size, exits, and every block's kind (with its colour), place, size
// and the places of its linked neighbours, in a fixed order.
std::string StartPosition(const CEditablePuzzle& puzzle)
{
    std::vector<std::string> parts;
    for (int32_t i = 0; i < puzzle.GetNumExits(); ++i)
    {
        parts.push_back("exit " + std::to_string(puzzle.GetExit(i).side) + " " +
                        std::to_string(puzzle.GetExit(i).offset));
    }
    const auto place = [](const CBlock* block) {
        const BaseLib::CRectF rect = block->GetRect();
        std::ostringstream text;
        text << rect.left << "," << rect.top << " " << rect.right - rect.left << "x" << rect.bottom - rect.top;
        return text.str();
    };
    for (const CBlock* block : puzzle.GetBlocks())
    {
        std::string part = std::string(block->GetTypeName()) + " " + place(block);
        for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
        {
            const CBlock* next = block->GetNeighbour(d);
            part += next != nullptr ? " [" + place(next) + "]" : " -";
        }
        parts.push_back(part);
    }
    std::sort(parts.begin(), parts.end());
    std::string position = std::to_string(puzzle.GetWidth()) + "x" + std::to_string(puzzle.GetHeight());
    for (const std::string& part : parts)
    {
        position += "\n" + part;
    }
    return position;
}

// The game sets 200 basic levels and 36 per region, no two alike at their start; each list rises in
// difficulty: every run of 20 (6) levels is on average no shorter than the run before, a level brings at
// most one kind of block the list has not shown, and the first four basic and jungle levels are short
// lessons of one idea.
TEST(LevelFilesTest, TheMapFilesListEveryLevelOnceInRisingDifficulty)
{
    const std::map<std::string, size_t> counts = {
        {"basic", 200}, {"jungle", 36}, {"swamp", 36}, {"cave", 36}, {"temple", 36}};
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("level", kLevels.string());
    std::set<std::string> listed;
    std::map<std::string, std::string> positions;
    int binary = 0;
    for (int32_t index = 0; index < 5; ++index)
    {
        const std::string region = kRegions[index];
        const std::vector<std::string> files = LoadLevelList(GetMapFileName(index), aliases);
        EXPECT_EQ(counts.at(region), files.size()) << region;
        EXPECT_EQ(files.size(), LevelList(region).size()) << region << ": the ids do not count 1, 2, 3, ...";
        const size_t run = region == "basic" ? 20 : 6;
        std::vector<int> moves;
        std::set<int32_t> kindsSoFar;
        std::set<std::string> types;
        for (size_t i = 0; i < files.size(); ++i)
        {
            const std::string file = fs::relative(files[i], kLevels).generic_string();
            char name[32];
            std::snprintf(name, sizeof name, "%02zu", i + 1);
            EXPECT_EQ(region + "/" + name, fs::path(file).replace_extension().generic_string()) << file;
            EXPECT_TRUE(listed.insert(file).second) << file << " is listed twice";
            binary += fs::path(file).extension() == ".blvl";
            const std::unique_ptr<CEditablePuzzle> puzzle = Load(file);
            ASSERT_NE(nullptr, puzzle);
            const auto [other, unique] = positions.emplace(StartPosition(*puzzle), file);
            EXPECT_TRUE(unique) << file << " starts as " << other->second << " does";
            moves.push_back(puzzle->GetMinSolveMoves());
            if (i < 4 && (region == "basic" || region == "jungle"))
            {
                EXPECT_LE(puzzle->GetMinSolveMoves(), 6) << file << " is one of the first lessons";
            }
            int newKinds = 0;
            for (const int32_t kind : Kinds(*puzzle))
            {
                newKinds += kindsSoFar.insert(kind).second ? 1 : 0;
            }
            // The first level brings the player, the plain block and at most one kind more.
            EXPECT_LE(newKinds, i == 0 ? 3 : 1) << file << " brings more than one new kind of block";
            for (const CBlock* block : puzzle->GetBlocks())
            {
                types.insert(block->GetTypeName());
            }
        }
        // Over the lists every kind is met in free play, and each region shows at least three.
        if (region == "basic")
        {
            for (const char* type :
                 {"normal", "player", "obstacle", "flex", "weakflex", "magnet_pulling", "magnet_pushing", "linked",
                  "bridge", "colored_yellow", "colored_red", "colored_green", "colored_blue", "colored_orange",
                  "colored_white", "colored_black"})
            {
                EXPECT_EQ(1u, types.count(type)) << "no basic level has a " << type << " block";
            }
        }
        EXPECT_GE(kindsSoFar.size(), 3u) << region;
        for (size_t first = run; first + run <= moves.size(); first += run)
        {
            const auto sum = [&](size_t from) {
                int total = 0;
                for (size_t i = from; i < from + run; ++i)
                {
                    total += moves[i];
                }
                return total;
            };
            EXPECT_GE(sum(first), sum(first - run))
                << region << ": the levels from " << first + 1 << " are easier than the run before";
        }
    }
    EXPECT_GE(binary, 1) << "no level is listed in the binary form";
}

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

// Plays the level's replay on the puzzle model a move at a time as the world hands a player's commands
// over: grab, drag and steps until nothing moves, let go and steps until rest.
void PlayReplay(CPuzzle& puzzle, const fs::path& replay)
{
    std::ifstream lines(replay);
    ASSERT_TRUE(lines.is_open()) << replay;
    int grabs = 0;
    for (std::string line; std::getline(lines, line);)
    {
        Command command{};
        std::istringstream fields(line);
        ASSERT_TRUE(fields >> command.kind >> command.param >> command.x >> command.y) << line;
        ASSERT_NE(nullptr, puzzle.FindBlockById(command.param)) << line;
        switch (command.kind)
        {
        case 0:
            ++grabs;
            puzzle.SelectBlock(command.param);
            EXPECT_EQ(command.param, puzzle.GetSelectedBlockId()) << line;
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
            FAIL() << line;
        }
    }
    EXPECT_TRUE(puzzle.IsSolved());
    EXPECT_EQ(3, puzzle.GetStars());
    EXPECT_LE(puzzle.GetMoveCount(), puzzle.GetMinSolveMoves());
    // One drag per move of the solver's solution, or fewer; the count falls short of the shortest
    // solution only where two drags in a row made one move.
    EXPECT_LE(grabs, puzzle.GetMinSolveMoves());
    EXPECT_LE(puzzle.GetMoveCount(), grabs);
    EXPECT_TRUE(puzzle.GetMoveCount() < grabs || puzzle.GetMoveCount() == puzzle.GetMinSolveMoves());
}

// One case per listed level, so that the cases spread over the cores.
class ListedLevelTest : public testing::TestWithParam<ListedLevel>
{
};

// The level loads, every name it uses resolves as the world's resource defaults look for it (so loading
// changes none), the solver finds its stored shortest solution, which is also its par, within the
// content's budget, and its replay solves it with three stars.
TEST_P(ListedLevelTest, LoadsResolvesSolvesAtParWithinBudgetAndReplays)
{
    const ListedLevel& level = GetParam();
    const std::unique_ptr<CEditablePuzzle> puzzle = Load(level.file);
    ASSERT_NE(nullptr, puzzle);

    const fs::path set = kMedia / "models" / puzzle->GetGfxSetName();
    EXPECT_TRUE(fs::is_directory(set)) << "gfx set " << puzzle->GetGfxSetName();
    EXPECT_TRUE(fs::is_regular_file(set / (puzzle->GetBoardName() + ".x"))) << "board " << puzzle->GetBoardName();
    EXPECT_EQ("field_" + std::to_string(puzzle->GetWidth()) + "x" + std::to_string(puzzle->GetHeight()),
              puzzle->GetBoardName());
    // The first four levels of the basic and jungle maps are the tutorials, each in its own environment
    // of the region's scene.
    const std::string stem = fs::path(level.file).stem().string();
    const bool tutorial = (level.region == "basic" || level.region == "jungle") && stem.size() == 2 && stem >= "01" &&
                          stem <= "04";
    EXPECT_EQ(tutorial ? "tutorial_" + level.region + stem : level.region + "1", puzzle->GetEnvironmentName());
    EXPECT_TRUE(fs::is_regular_file(kMedia / "environments" / (puzzle->GetEnvironmentName() + ".xml")))
        << "environment " << puzzle->GetEnvironmentName();
    for (const CBlock* block : puzzle->GetBlocks())
    {
        if (block->IsShown())
        {
            EXPECT_FALSE(block->GetModelName().empty()) << "block " << block->GetId();
            EXPECT_TRUE(fs::is_regular_file(set / (block->GetModelName() + ".x")))
                << "block " << block->GetId() << " model " << block->GetModelName();
        }
    }

    const int32_t stored = puzzle->GetMinSolveMoves();
    EXPECT_GE(stored, 2);
    EXPECT_EQ(stored, puzzle->GetParSolveMoves());
    PuzzleSolver solver;
    solver.SetMemoryBudget(size_t{512} << 20);
    solver.SetPuzzle(puzzle.get());
    EXPECT_EQ(PuzzleSolver::StatusSolved, solver.Solve()) << (solver.RanOutOfMemory() ? "out of memory" : "");
    EXPECT_EQ(stored, solver.GetCurrentMove());
    EXPECT_LE(solver.GetExpandedCount(), 200000);
    solver.SetPuzzle(nullptr);

    const std::unique_ptr<CEditablePuzzle> play = Load(level.file);
    ASSERT_NE(nullptr, play);
    PlayReplay(*play, kReplays / fs::path(level.file).replace_extension(".replay"));
}

INSTANTIATE_TEST_SUITE_P(Listed, ListedLevelTest, testing::ValuesIn(AllListedLevels()),
                         [](const testing::TestParamInfo<ListedLevel>& info) {
                             return info.param.region + "_" + fs::path(info.param.file).stem().string();
                         });

TEST(LevelFilesTest, TheBlocksLibraryGivesEveryLevelTheModelsItsFileHolds)
{
    BlocksLibrary library;
    ASSERT_TRUE(library.Load((kLevels / "blockslibrary.xml").string()));
    EXPECT_GT(library.GetCount(), 0);
    std::set<std::string> shapes;
    for (int32_t i = 0; i < library.GetCount(); ++i)
    {
        EXPECT_TRUE(shapes.insert(library.GetEntry(i).GetName()).second)
            << "two entries " << library.GetEntry(i).GetName();
    }
    for (const ListedLevel& level : AllListedLevels())
    {
        const std::unique_ptr<CEditablePuzzle> puzzle = Load(level.file);
        ASSERT_NE(nullptr, puzzle);
        std::vector<std::string> stored;
        for (CBlock* block : puzzle->GetBlocks())
        {
            stored.push_back(block->GetModelName());
            block->SetModelName("");
        }
        library.BuildFromPuzzle(nullptr, *puzzle);
        for (size_t i = 0; i < stored.size(); ++i)
        {
            EXPECT_EQ(stored[i], puzzle->GetBlocks()[i]->GetModelName())
                << level.file << ": block " << puzzle->GetBlocks()[i]->GetId();
        }
    }
}

// Together the levels show every kind of block a level file holds, exits on every side, a level with two
// exits, every board, both gfx sets and every region's environment.
TEST(LevelFilesTest, TheLevelsTogetherUseEveryBlockKindBoardAndSet)
{
    std::set<std::string> types;
    std::set<std::string> linkedShapes;
    std::set<int32_t> exitSides;
    std::set<std::string> boards;
    std::set<std::string> sets;
    int mostExits = 0;
    for (const ListedLevel& level : AllListedLevels())
    {
        const std::unique_ptr<CEditablePuzzle> puzzle = Load(level.file);
        ASSERT_NE(nullptr, puzzle);
        boards.insert(puzzle->GetBoardName());
        sets.insert(puzzle->GetGfxSetName());
        mostExits = std::max(mostExits, puzzle->GetNumExits());
        for (int32_t i = 0; i < puzzle->GetNumExits(); ++i)
        {
            exitSides.insert(puzzle->GetExit(i).side);
        }
        for (const CBlock* block : puzzle->GetBlocks())
        {
            types.insert(block->GetTypeName());
            if (block->GetLinkSet().size() > 1)
            {
                linkedShapes.insert(std::string(block->GetTypeName()) + " in a piece of " +
                                    std::to_string(block->GetLinkSet().size()));
            }
        }
    }
    for (const char* type :
         {"normal", "player", "obstacle", "flex", "weakflex", "magnet_pulling", "magnet_pushing", "linked",
          "bridge", "colored_yellow", "colored_red", "colored_green", "colored_blue", "colored_orange",
          "colored_white", "colored_black", "levelsolvedtrigger", "wall"})
    {
        EXPECT_EQ(1u, types.count(type)) << type;
    }
    EXPECT_EQ(1u, linkedShapes.count("normal in a piece of 2"));
    EXPECT_EQ(1u, linkedShapes.count("normal in a piece of 3"));
    EXPECT_EQ((std::set<int32_t>{0, 1, 2, 3}), exitSides);
    EXPECT_GE(mostExits, 2);
    EXPECT_EQ((std::set<std::string>{"field_4x4", "field_5x5", "field_6x6", "field_7x7", "field_8x6"}),
              boards);
    EXPECT_EQ((std::set<std::string>{"gs_plastic", "jungle"}), sets);
}

} // namespace
