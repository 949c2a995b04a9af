// The committed levels as the game reads them: the five map files' level lists, every listed puzzle
// with its stored shortest solution, the names it uses, and the blocks library.
#include "foundation/Xml.h"
#include "puzzle/Block.h"
#include "puzzle/BlocksLibrary.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleSolver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

const fs::path kMedia = QUARROW_MEDIA_DIR;
const fs::path kLevels = kMedia / "levels";

struct ListedLevel
{
    std::string region;
    std::string file;
};

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

std::vector<ListedLevel> AllListedLevels()
{
    std::vector<ListedLevel> levels;
    for (const char* region : {"basic", "jungle", "swamp", "cave", "temple"})
    {
        for (const std::string& file : LevelList(region))
        {
            levels.push_back({region, file});
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

TEST(LevelFilesTest, TheMapFilesListTheLevelsOfEachRegionInRisingDifficulty)
{
    const std::map<std::string, size_t> counts = {
        {"basic", 10}, {"jungle", 6}, {"swamp", 6}, {"cave", 6}, {"temple", 6}};
    int binary = 0;
    for (const auto& [region, count] : counts)
    {
        const std::vector<std::string> files = LevelList(region);
        EXPECT_EQ(count, files.size()) << region;
        int previous = 0;
        for (const std::string& file : files)
        {
            EXPECT_EQ(region + "/", file.substr(0, region.size() + 1))
                << file << " lies outside its region's folder";
            ASSERT_TRUE(fs::is_regular_file(kLevels / file)) << file;
            binary += fs::path(file).extension() == ".blvl";
            const std::unique_ptr<CEditablePuzzle> puzzle = Load(file);
            ASSERT_NE(nullptr, puzzle);
            EXPECT_GE(puzzle->GetMinSolveMoves(), 2) << file;
            EXPECT_GE(puzzle->GetMinSolveMoves(), previous) << file << " is easier than the level before it";
            previous = puzzle->GetMinSolveMoves();
        }
    }
    EXPECT_GE(binary, 1) << "no level is listed in the binary form";
}

// Every name resolves as the world's resource defaults look for it, so loading a level changes none.
TEST(LevelFilesTest, EveryNameALevelUsesIsAMediaFileAndEveryShownBlockHasAModel)
{
    for (const ListedLevel& level : AllListedLevels())
    {
        const std::unique_ptr<CEditablePuzzle> puzzle = Load(level.file);
        ASSERT_NE(nullptr, puzzle);
        const fs::path set = kMedia / "models" / puzzle->GetGfxSetName();
        EXPECT_TRUE(fs::is_directory(set)) << level.file << ": gfx set " << puzzle->GetGfxSetName();
        EXPECT_TRUE(fs::is_regular_file(set / (puzzle->GetBoardName() + ".x")))
            << level.file << ": board " << puzzle->GetBoardName();
        EXPECT_EQ("field_" + std::to_string(puzzle->GetWidth()) + "x" + std::to_string(puzzle->GetHeight()),
                  puzzle->GetBoardName())
            << level.file;
        EXPECT_EQ(level.region + "1", puzzle->GetEnvironmentName()) << level.file;
        EXPECT_TRUE(fs::is_regular_file(kMedia / "environments" / (puzzle->GetEnvironmentName() + ".xml")))
            << level.file << ": environment " << puzzle->GetEnvironmentName();
        for (const CBlock* block : puzzle->GetBlocks())
        {
            if (block->IsShown())
            {
                EXPECT_FALSE(block->GetModelName().empty()) << level.file << ": block " << block->GetId();
                EXPECT_TRUE(fs::is_regular_file(set / (block->GetModelName() + ".x")))
                    << level.file << ": block " << block->GetId() << " model " << block->GetModelName();
            }
        }
    }
}

// The stored move counts are the solver's: the shortest solution, and the par equal to it so that an
// optimal solution earns three stars. The levels are small: solving all of them takes well under half a
// minute even in a sanitizer build.
TEST(LevelFilesTest, TheSolverSolvesEveryListedLevelInItsStoredNumberOfMoves)
{
    const auto start = std::chrono::steady_clock::now();
    double slowest = 0.0;
    std::string slowestFile;
    for (const ListedLevel& level : AllListedLevels())
    {
        const std::unique_ptr<CEditablePuzzle> puzzle = Load(level.file);
        ASSERT_NE(nullptr, puzzle);
        const int32_t stored = puzzle->GetMinSolveMoves();
        EXPECT_EQ(stored, puzzle->GetParSolveMoves()) << level.file;
        PuzzleSolver solver;
        solver.SetPuzzle(puzzle.get());
        EXPECT_EQ(PuzzleSolver::StatusSolved, solver.Solve()) << level.file;
        EXPECT_EQ(stored, solver.GetCurrentMove()) << level.file;
        if (solver.GetElapsedSeconds() > slowest)
        {
            slowest = solver.GetElapsedSeconds();
            slowestFile = level.file;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("solved every listed level in %.2f s, the slowest %s in %.3f s\n", seconds,
                slowestFile.c_str(), slowest);
    EXPECT_LT(seconds, 30.0);
}

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
