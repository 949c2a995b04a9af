#include "tools/batch/PuzzleGenerator.h"

#include "foundation/PathAliases.h"
#include "platform/os/DebugOutput.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleRefiner.h"
#include "puzzle/PuzzleSolver.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

// Hands out the given draws in order and counts how many were taken; 0 once they run out.
struct ScriptedDraws
{
    std::vector<int32_t> values;
    size_t taken = 0;

    PuzzleGenerator::RandomSource Source()
    {
        return [this] { return taken < values.size() ? values[taken++] : (++taken, 0); };
    }
    void Then(std::vector<int32_t> next)
    {
        values = std::move(next);
        taken = 0;
    }
};

// The grid's cell characters, rows joined by '/'.
std::string Rows(const PuzzleGenerator& generator)
{
    std::string text;
    for (int32_t y = 0; y < generator.GetHeight(); ++y)
    {
        text += y > 0 ? "/" : "";
        for (int32_t x = 0; x < generator.GetWidth(); ++x)
        {
            text += generator.GetCells()[static_cast<size_t>(y * generator.GetWidth() + x)].type;
        }
    }
    return text;
}

struct Placement
{
    const char* pattern;
    bool vertical;
    int32_t position;
    std::vector<int32_t> draws;
};

} // namespace

TEST(PuzzleGenerator, PlaceShapeTable)
{
    const struct
    {
        const char* name;
        int32_t width;
        int32_t height;
        std::vector<Placement> before;
        Placement shape;
        bool placed;
        size_t drawsTaken;
        const char* rows;
    } cases[] = {
        {"fixed column, free run only at the top, start below it: wraps",
         3,
         4,
         {{"ab", true, 1, {2}}},
         {"xy", true, 1, {2}},
         true,
         1,
         "-x-/-y-/-a-/-b-"},
        {"fixed column, free run at the bottom, start at the top",
         3,
         4,
         {{"ab", true, 1, {0}}},
         {"xy", true, 1, {0}},
         true,
         1,
         "-a-/-b-/-x-/-y-"},
        {"fixed row, free run only at the left, start right of it: wraps",
         4,
         2,
         {{"ab", false, 0, {2}}},
         {"xy", false, 0, {1}},
         true,
         1,
         "xyab/----"},
        {"free position moves on to the next column",
         2,
         2,
         {{"ab", true, 0, {0}}},
         {"xy", true, -1, {0, 0}},
         true,
         2,
         "ax/by"},
        {"free position moves on to the next row and wraps to the first",
         2,
         2,
         {{"ab", false, 1, {0}}},
         {"xy", false, -1, {0, 1}},
         true,
         2,
         "xy/ab"},
        {"a full column fails and changes nothing",
         2,
         2,
         {{"ab", true, 0, {0}}},
         {"xy", true, 0, {0}},
         false,
         1,
         "a-/b-"},
        {"a full grid fails", 2, 1, {{"ab", false, 0, {0}}}, {"x", false, -1, {1, 0}}, false, 2, "ab"},
        {"one longer than the column: no draw", 3, 2, {}, {"xyz", true, -1, {}}, false, 0, "---/---"},
        {"three longer than the column: no draw", 3, 2, {}, {"xyzuv", true, 1, {}}, false, 0, "---/---"},
        {"one longer than the row: no draw", 3, 2, {}, {"xyzu", false, -1, {}}, false, 0, "---/---"},
        {"an empty pattern: no draw", 3, 2, {}, {"", false, -1, {}}, false, 0, "---/---"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        PuzzleGenerator generator(c.width, c.height, 30, 1, 1, 1, false);
        ScriptedDraws draws;
        generator.SetRandomSource(draws.Source());
        for (const Placement& p : c.before)
        {
            draws.Then(p.draws);
            ASSERT_TRUE(generator.PlaceShape(p.pattern, p.vertical, p.position));
        }
        const int32_t blocks = generator.GetBlockCount();
        const int32_t group = generator.GetNextGroup();
        draws.Then(c.shape.draws);
        EXPECT_EQ(generator.PlaceShape(c.shape.pattern, c.shape.vertical, c.shape.position), c.placed);
        EXPECT_EQ(draws.taken, c.drawsTaken);
        EXPECT_EQ(Rows(generator), c.rows);
        const int32_t grown = c.placed ? 1 : 0;
        EXPECT_EQ(generator.GetBlockCount(), blocks + grown);
        EXPECT_EQ(generator.GetNextGroup(), group + grown);
        if (c.placed)
        {
            EXPECT_EQ(generator.GetLastGroup(), group);
        }
    }
}

TEST(PuzzleGenerator, ConstructionGivesEmptyCellsAndOrderedPlayerRange)
{
    PuzzleGenerator generator(3, 2, 30, 7, 2, 1, true);
    ASSERT_EQ(generator.GetCells().size(), 6u);
    for (const PuzzleCell& cell : generator.GetCells())
    {
        EXPECT_EQ(cell.type, '-');
        EXPECT_EQ(cell.group, -1);
    }
    EXPECT_EQ(generator.GetMinPlayers(), 1);
    EXPECT_EQ(generator.GetMaxPlayers(), 2);
    EXPECT_EQ(generator.GetTotalWeight(), 20);
    EXPECT_EQ(generator.GetLastGroup(), -1);
    // A size that Run refuses makes no grid, and nothing can be placed on it.
    PuzzleGenerator tooWide(1001, 2, 30, 7, 1, 1, true);
    EXPECT_TRUE(tooWide.GetCells().empty());
    EXPECT_FALSE(tooWide.PlaceShape("##", false, -1));
}

TEST(PuzzleGenerator, RemovalSparesPlayersAndCountsGroupsOnce)
{
    PuzzleGenerator generator(4, 2, 30, 1, 1, 1, false);
    ScriptedDraws draws;
    generator.SetRandomSource(draws.Source());
    draws.Then({0});
    ASSERT_TRUE(generator.PlaceShape("PP", false, 0)); // cells 0, 1
    draws.Then({0});
    ASSERT_TRUE(generator.PlaceShape("PP", true, 3)); // cells 3, 7
    // Only players: no start cell removes anything.
    for (int32_t start = 0; start < 8; ++start)
    {
        draws.Then({start});
        generator.RemoveRandomShape();
        EXPECT_EQ(Rows(generator), "PP-P/---P");
        EXPECT_EQ(generator.GetBlockCount(), 2);
    }
    // A shape behind the start cell is found by wrapping round to cell 0.
    draws.Then({0});
    ASSERT_TRUE(generator.PlaceShape("##", false, 1)); // cells 4, 5
    draws.Then({6});
    generator.RemoveRandomShape();
    EXPECT_EQ(Rows(generator), "PP-P/---P");
    EXPECT_EQ(generator.GetBlockCount(), 2);

    draws.Then({0});
    ASSERT_TRUE(generator.PlaceShape("##", false, 1));
    const int32_t group = generator.GetLastGroup();
    generator.RemoveGroup(group);
    generator.RemoveGroup(group);
    generator.RemoveGroup(-1);
    EXPECT_EQ(generator.GetBlockCount(), 2);
    EXPECT_EQ(Rows(generator), "PP-P/---P");
}

TEST(PuzzleGenerator, AddRandomShapePicksByRunningWeight)
{
    const struct
    {
        int32_t r;
        const char* rows;
    } cases[] = {{0, "a--/---"}, {9, "a--/---"}, {10, "c--/---"}, {19, "c--/---"}, {20, "a--/---"}};
    for (const auto& c : cases)
    {
        PuzzleGenerator generator(3, 2, 30, 1, 1, 1, false);
        generator.UpdateTotalWeight({{"a", 10}, {"b", 0}, {"c", 10}});
        ScriptedDraws draws;
        // r, then vertical (odd: horizontal), then the start cell x and y.
        draws.Then({c.r, 1, 0, 0});
        generator.SetRandomSource(draws.Source());
        EXPECT_TRUE(generator.AddRandomShape());
        EXPECT_EQ(Rows(generator), c.rows) << c.r;
        EXPECT_EQ(draws.taken, 4u);
    }

    PuzzleGenerator weightless(3, 2, 30, 1, 1, 1, false);
    ScriptedDraws draws;
    weightless.SetRandomSource(draws.Source());
    for (const std::vector<GeneratorEntry>& entries :
         {std::vector<GeneratorEntry>{}, {{"a", 0}}, {{"a", 5}, {"b", -5}}, {{"a", -1}}})
    {
        weightless.UpdateTotalWeight(entries);
        draws.Then({4, 1});
        EXPECT_FALSE(weightless.AddRandomShape());
        EXPECT_EQ(draws.taken, 0u);
        EXPECT_EQ(Rows(weightless), "---/---");
    }
}

TEST(PuzzleGenerator, SwapAfterPlayersOnlyKeepsThePlayer)
{
    PuzzleGenerator generator(4, 3, 30, 1, 1, 1, false);
    ScriptedDraws draws;
    generator.SetRandomSource(draws.Source());
    draws.Then({0});
    ASSERT_TRUE(generator.PlaceShape("PP", true, 0));
    // The last group is the player's: the new shape is added and the player stays.
    draws.Then({0, 1, 1, 2}); // "###" horizontal from (1, 2)
    generator.SwapLastShape();
    EXPECT_EQ(Rows(generator), "P---/P---/-###");
    EXPECT_EQ(generator.GetBlockCount(), 2);
    // Now the last group is the shape: it is swapped for the next one.
    draws.Then({10, 1, 1, 0}); // "##" horizontal from (1, 0)
    generator.SwapLastShape();
    EXPECT_EQ(Rows(generator), "P##-/P---/----");
    EXPECT_EQ(generator.GetBlockCount(), 2);
}

class PuzzleGeneratorFiles : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        m_aliases.RegisterPathAlias("level", Root().string());
    }

    // Runs the generator on a worker for the time given, then stops it; answers the seconds from the
    // stop until Run returned.
    double RunFor(PuzzleGenerator& generator, std::chrono::milliseconds time)
    {
        generator.SetPathAliases(&m_aliases);
        std::thread worker([&] { generator.Run(); });
        std::this_thread::sleep_for(time);
        const auto stop = std::chrono::steady_clock::now();
        generator.Stop();
        worker.join();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - stop).count();
    }

    std::vector<std::string> SavedNames() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Root()))
        {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    BaseLib::CPathAliases m_aliases;
};

TEST_F(PuzzleGeneratorFiles, SaveNamesCountUpWhenTaken)
{
    PuzzleGenerator generator(6, 6, 30, 7, 1, 1, false);
    generator.SetPathAliases(&m_aliases);
    CEditablePuzzle puzzle;
    ASSERT_TRUE(puzzle.CreateFromCellGrid(std::vector<PuzzleCell>(36, {'-', -1}), 6, 6, {{0, 1}}));
    Platform::DebugOutputCapture capture;
    for (int i = 0; i < 3; ++i)
    {
        generator.SavePuzzle(puzzle, 5, 3, 1234);
    }
    EXPECT_EQ(SavedNames(), (std::vector<std::string>{"_6x6_05m_03b_1234.xml", "_6x6_05m_03b_1234_2.xml",
                                                      "_6x6_05m_03b_1234_3.xml"}));
    EXPECT_EQ(capture.Text().find("Generator: Saving puzzle " + PathOf("_6x6_05m_03b_1234.xml") + "\n"), 0u);
    // Values above two digits are written whole.
    generator.SavePuzzle(puzzle, 123, 45, -7);
    EXPECT_TRUE(std::filesystem::exists(PathOf("_6x6_123m_45b_-7.xml")));
}

TEST_F(PuzzleGeneratorFiles, ShortRunSavesSolvablePuzzlesOfTheirNamedLength)
{
    for (const bool refine : {false, true})
    {
        SCOPED_TRACE(refine ? "with the refiner" : "without the refiner");
        std::filesystem::remove_all(Root());
        std::filesystem::create_directories(Root());
        PuzzleGenerator generator(4, 4, 30, 1, 1, 1, refine);
        int32_t seed = 1000;
        generator.SetSeedSource([&] { return seed++; });
        Platform::DebugOutputCapture capture;
        RunFor(generator, std::chrono::milliseconds(1500));
        EXPECT_NE(capture.Text().find("Generator: success, moves 1, blocks 1\n"), std::string::npos);

        const std::vector<std::string> names = SavedNames();
        ASSERT_FALSE(names.empty());
        EXPECT_TRUE(std::find(names.begin(), names.end(), "_4x4_01m_01b_1000.xml") != names.end());
        EXPECT_EQ(generator.GetPuzzlesSaved(), static_cast<int64_t>(names.size()));
        // Every file is checked again: loading and solving are cheap on 4 x 4.
        PuzzleSolver solver;
        for (const std::string& name : names)
        {
            SCOPED_TRACE(name);
            int width = 0, height = 0, moves = 0, blocks = 0, fileSeed = 0;
            ASSERT_EQ(
                std::sscanf(name.c_str(), "_%dx%d_%dm_%db_%d", &width, &height, &moves, &blocks, &fileSeed),
                5);
            EXPECT_GE(moves, 1);
            EXPECT_GE(fileSeed, 1000);
            CEditablePuzzle puzzle;
            ASSERT_TRUE(puzzle.LoadXml(PathOf(name)));
            // Each file's par is its own length, not that of a longer layout judged before it.
            EXPECT_EQ(puzzle.GetParSolveMoves(), moves);
            bool hasPlayer = false;
            for (CBlock* block : puzzle.GetBlocks())
            {
                hasPlayer = hasPlayer || block->GetKind() == KindPlayer;
            }
            EXPECT_TRUE(hasPlayer);
            solver.SetPuzzle(&puzzle);
            ASSERT_EQ(solver.Solve(), PuzzleSolver::StatusSolved);
            EXPECT_EQ(solver.GetCurrentMove(), moves);
        }
    }
}

TEST_F(PuzzleGeneratorFiles, SameSeedsSaveTheSameFiles)
{
    // Block ids come from one counter of the process, and they are written into the files: each run
    // goes in a child process forked from this same state, so both start with the same counter.
    const auto runInChild = [this](const std::filesystem::path& folder) {
        std::filesystem::create_directories(folder);
        const pid_t child = ::fork();
        if (child == 0)
        {
            Platform::SetDebugOutputSink([](const char*) {});
            BaseLib::CPathAliases aliases;
            aliases.RegisterPathAlias("level", folder.string());
            PuzzleGenerator generator(4, 4, 30, 3, 1, 1, true);
            generator.SetPathAliases(&aliases);
            int32_t cycle = 0;
            generator.SetSeedSource([&] {
                if (++cycle > 3)
                {
                    generator.Stop();
                }
                return 2000 + cycle;
            });
            generator.Run();
            ::_exit(0);
        }
        int status = -1;
        ::waitpid(child, &status, 0);
        return status;
    };
    ASSERT_EQ(runInChild(Root() / "a"), 0);
    ASSERT_EQ(runInChild(Root() / "b"), 0);

    std::map<std::string, std::string> first;
    for (const auto& entry : std::filesystem::directory_iterator(Root() / "a"))
    {
        first[entry.path().filename().string()] = ReadBytes(entry.path());
    }
    std::map<std::string, std::string> second;
    for (const auto& entry : std::filesystem::directory_iterator(Root() / "b"))
    {
        second[entry.path().filename().string()] = ReadBytes(entry.path());
    }
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == second);
}

TEST_F(PuzzleGeneratorFiles, StopEndsTheRunSoon)
{
    const struct
    {
        const char* name;
        int32_t width;
        int32_t height;
        int32_t minMoves;
        bool refine;
        std::vector<GeneratorEntry> entries;
        std::chrono::milliseconds runFor;
    } cases[] = {
        {"stop in a solve", 8, 8, 99, false, {{"###", 10}, {"##", 10}}, std::chrono::milliseconds(1000)},
        {"stop in a refine", 8, 8, 1, true, {{"###", 10}, {"##", 10}}, std::chrono::milliseconds(1000)},
        {"one cell wide", 1, 5, 1, false, {{"###", 10}}, std::chrono::milliseconds(300)},
        {"two cells high", 5, 2, 1, false, {{"###", 10}}, std::chrono::milliseconds(300)},
        {"no room for a player", 1, 1, 1, false, {{"###", 10}}, std::chrono::milliseconds(100)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        PuzzleGenerator generator(c.width, c.height, 30, c.minMoves, 1, 1, c.refine);
        generator.UpdateTotalWeight(c.entries);
        int32_t seed = 7;
        generator.SetSeedSource([&] { return seed++; });
        Platform::DebugOutputCapture capture;
        EXPECT_LT(RunFor(generator, c.runFor), 2.0);
        if (c.refine)
        {
            EXPECT_GT(generator.GetRefineSeconds(), 0.0);
        }
    }
}

TEST_F(PuzzleGeneratorFiles, RunRefusesBadSetUpAtOnce)
{
    const struct
    {
        int32_t width;
        int32_t height;
        bool aliases;
        const char* trace;
    } cases[] = {{0, 6, true, "Generator: bad grid size 0x6\n"},
                 {1001, 6, true, "Generator: bad grid size 1001x6\n"},
                 {6, -3, true, "Generator: bad grid size 6x-3\n"},
                 {6, 6, false, "Generator: no path aliases\n"}};
    for (const auto& c : cases)
    {
        PuzzleGenerator generator(c.width, c.height, 30, 1, 1, 1, false);
        generator.SetPathAliases(c.aliases ? &m_aliases : nullptr);
        Platform::DebugOutputCapture capture;
        generator.Run();
        EXPECT_EQ(capture.Text(), c.trace);
        EXPECT_EQ(generator.GetCycles(), 0);
    }
}
