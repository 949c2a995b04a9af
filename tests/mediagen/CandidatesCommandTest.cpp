// The candidates command: the generator's finds for a range of seeds, the same for the same arguments.
#include "mediagen/CandidatesCommand.h"

#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleSolver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

std::map<std::string, std::string> Files(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    {
        std::ifstream file(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] = {std::istreambuf_iterator<char>(file),
                                                   std::istreambuf_iterator<char>()};
    }
    return files;
}

TEST(CandidatesCommandTest, TheSameSeedsGiveTheSameFindsEachSolvedAtItsNamedLength)
{
    const fs::path base = fs::temp_directory_path() / ("mediagen_candidates_" + std::to_string(::getpid()));
    fs::remove_all(base);
    fs::create_directories(base);
    // Block ids come from a counter of the process, so each run gets a process of its own.
    std::string printed[2];
    for (int run = 0; run < 2; ++run)
    {
        const fs::path folder = base / std::to_string(run);
        const fs::path output = base / ("printed" + std::to_string(run) + ".txt");
        const std::string command = std::string("\"") + QUARROW_MEDIAGEN + "\" candidates \"" + folder.string() +
                                    "\" 5 5 6 3 1 1 1 3 > \"" + output.string() + "\" 2> /dev/null";
        ASSERT_EQ(0, std::system(command.c_str())) << command;
        std::ifstream file(output);
        printed[run] = {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    const std::map<std::string, std::string> first = Files(base / "0");
    EXPECT_FALSE(first.empty());
    EXPECT_TRUE(first == Files(base / "1")) << "two runs over the same seeds differ";
    EXPECT_EQ(printed[0], printed[1]);
    for (const auto& [name, bytes] : first)
    {
        int width = 0;
        int height = 0;
        int moves = 0;
        int blocks = 0;
        int seed = 0;
        ASSERT_EQ(5, std::sscanf(name.c_str(), "_%dx%d_%dm_%db_%d", &width, &height, &moves, &blocks, &seed))
            << name;
        EXPECT_EQ(5, width);
        EXPECT_EQ(5, height);
        EXPECT_GE(moves, 3) << name;
        EXPECT_TRUE(seed >= 1 && seed <= 3) << name;
        EXPECT_NE(std::string::npos,
                  printed[0].find(name + " " + std::to_string(moves) + " moves " + std::to_string(blocks) + " blocks\n"))
            << name;
        CEditablePuzzle puzzle;
        ASSERT_TRUE(puzzle.LoadXml((base / "0" / name).string())) << name;
        PuzzleSolver solver;
        solver.SetPuzzle(&puzzle);
        EXPECT_EQ(PuzzleSolver::StatusSolved, solver.Solve()) << name;
        EXPECT_EQ(moves, solver.GetCurrentMove()) << name;
        solver.SetPuzzle(nullptr);
    }
    fs::remove_all(base);
}

TEST(CandidatesCommandTest, BadArgumentsAreRefusedWithTheUsage)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"folder", "5", "5", "6", "3", "1", "1", "1"},
          std::vector<std::string>{"folder", "5", "x", "6", "3", "1", "1", "1", "3"},
          std::vector<std::string>{"folder", "5", "5", "6", "3", "1", "1", "1", "0"},
          std::vector<std::string>{"folder", "5", "5", "6", "3", "1", "1", "1", "3", "--fast"}})
    {
        testing::internal::CaptureStderr();
        EXPECT_EQ(2, MediaGen::RunCandidatesCommand(arguments)) << arguments[2] << " " << arguments.back();
        EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("candidates <folder>"));
    }
}

} // namespace
