#include "tools/DeveloperTools.h"

#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "platform/os/DebugOutput.h"
#include "puzzle/EditablePuzzle.h"
#include "tests/game/WorldFixture.h"
#include "tools/StressTester.h"
#include "tools/batch/BatchProcessor.h"
#include "tools/batch/PuzzleGenerator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace
{

class DeveloperToolCommandsTest : public GameTesting::WorldFixture
{
protected:
    void SetUp() override
    {
        RegisterDeveloperTools();
        GameTesting::WorldFixture::SetUp();
        // The argument's folder is one word; the test folder's name has a blank, so it goes by aliases.
        controller.GetPathAliases().RegisterPathAlias("work", PathOf("work"));
        controller.GetPathAliases().RegisterPathAlias("generated", PathOf("generated"));
    }

    void TearDown() override
    {
        GameTesting::WorldFixture::TearDown();
        CQuarrowWorld::SetToolCreators(nullptr, nullptr);
    }

    std::string SavePuzzle(const std::string& relative)
    {
        fs::create_directories((Root() / relative).parent_path());
        CEditablePuzzle puzzle;
        EXPECT_TRUE(puzzle.BuildFromCharGrid(PathOf("grid.txt")));
        EXPECT_TRUE(puzzle.SaveXml(PathOf(relative)));
        return PathOf(relative);
    }
};

TEST_F(DeveloperToolCommandsTest, BatchProcessingStartsAnEditorLevelAndWorksTheFolderInTheNextStep)
{
    const std::string a = SavePuzzle("work/a.xml");
    const std::string b = SavePuzzle("work/sub/b.xml");
    Frame({{"StartBatchProcessing", "0 0 0 0 1 0 0 30 work>"}});
    EXPECT_EQ(context->GetState(), GameContext::LevelRunning);
    EXPECT_TRUE(world.IsEditorMode());
    auto* processor = dynamic_cast<CBatchProcessor*>(world.GetBatchProcessor());
    ASSERT_NE(processor, nullptr);
    EXPECT_EQ(processor->GetWorkList().size(), 2u);
    EXPECT_EQ(processor->GetSolverTimeout(), 30.0);

    world.Update(0.02);
    EXPECT_TRUE(fs::exists(Root() / "work/a.blvl"));
    EXPECT_TRUE(fs::exists(Root() / "work/sub/b.blvl"));
    // The list's last file goes first, so the other one stays in the puzzle (last saved as the twin).
    EXPECT_EQ(world.GetPuzzle()->GetFileName(), fs::path(a).replace_extension(".blvl").string());

    // Fewer values keep the earlier ones; the same processor takes the new folder.
    fs::remove(Root() / "work/a.blvl");
    Frame({{"StartBatchProcessing", "0 0 0 0"}});
    EXPECT_EQ(world.GetBatchProcessor(), processor);
    EXPECT_TRUE(processor->GetWorkList().empty()) << "no folder given: nothing to walk";
    Frame({{"StartBatchProcessing", "0 0 0 0 1 0 0 9 work>"}});
    world.Update(0.02);
    EXPECT_TRUE(fs::exists(Root() / "work/a.blvl"));
    EXPECT_EQ(processor->GetSolverTimeout(), 9.0);
    (void)b;
}

TEST_F(DeveloperToolCommandsTest, StressTestModeKeepsOneTesterAndStepsItWhileALevelRuns)
{
    Frame({{"SetStressTestMode", "true"}});
    StressTesterInterface* tester = world.GetStressTester();
    ASSERT_NE(tester, nullptr);
    Frame({{"SetStressTestMode", "true"}});
    EXPECT_EQ(world.GetStressTester(), tester);

    world.LoadLevel(PathOf("grid.txt"));
    world.GetGameInputChannel()->SetUserControlEnabled(true);
    world.Update(0.02);
    EXPECT_EQ(static_cast<CStressTester*>(tester)->GetPlan().size(), 4u * 40u * 3u - 1u)
        << "three grabbable blocks, one move played";

    Frame({{"SetStressTestMode", "false"}});
    EXPECT_EQ(world.GetStressTester(), nullptr);
    Frame({{"SetStressTestMode", "false"}});
    EXPECT_EQ(world.GetStressTester(), nullptr);
    // Shut down with both tools alive: the world deletes them (the sanitizer build checks for leaks).
    Frame({{"SetStressTestMode", "true"}, {"StartBatchProcessing", "1 0 0 0 0 0 0 5 " + PathOf("none")}});
    EXPECT_NE(world.GetStressTester(), nullptr);
    EXPECT_NE(world.GetBatchProcessor(), nullptr);
}

TEST_F(DeveloperToolCommandsTest, WithoutMakersTheCommandsAreDroppedWithATrace)
{
    CQuarrowWorld::SetToolCreators(nullptr, nullptr);
    Platform::DebugOutputCapture capture;
    Frame({{"SetStressTestMode", "true"}, {"StartBatchProcessing", "1 0 0 0 0 0 0 5 work>"}});
    EXPECT_EQ(world.GetStressTester(), nullptr);
    EXPECT_EQ(world.GetBatchProcessor(), nullptr);
    EXPECT_NE(capture.Text().find("\"StartBatchProcessing\" dropped"), std::string::npos);
    EXPECT_NE(capture.Text().find("\"SetStressTestMode\" dropped"), std::string::npos);
}

// Puzzles from the generator, converted by the batch processor, one of them then played out by the
// stress tester through the world's steps.
TEST_F(DeveloperToolCommandsTest, GeneratedPuzzlesAreConvertedAndOneIsStressTestedToItsEnd)
{
    fs::create_directories(Root() / "generated");
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("level", PathOf("generated"));
    {
        PuzzleGenerator generator(5, 4, 4, 1, 1, 1, false);
        generator.SetPathAliases(&aliases);
        int seed = 11;
        generator.SetSeedSource([&] { return seed++; });
        std::thread worker([&] { generator.Run(); });
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            size_t files = 0;
            for (const auto& entry : fs::directory_iterator(Root() / "generated"))
            {
                files += entry.path().extension() == ".xml";
            }
            if (files >= 3)
            {
                break;
            }
        }
        generator.Stop();
        worker.join();
    }
    std::vector<fs::path> puzzles;
    for (const auto& entry : fs::directory_iterator(Root() / "generated"))
    {
        if (entry.path().extension() == ".xml")
        {
            puzzles.push_back(entry.path());
        }
    }
    ASSERT_FALSE(puzzles.empty()) << "the generator made no puzzle";

    Frame({{"StartBatchProcessing", "0 0 0 0 1 0 0 30 generated>"}});
    world.Update(0.02);
    for (const fs::path& puzzle : puzzles)
    {
        EXPECT_TRUE(fs::exists(fs::path(puzzle).replace_extension(".blvl"))) << puzzle;
    }

    Frame({{"SetEditorMode", "false"}});
    world.LoadLevel(puzzles.front().string());
    world.GetGameInputChannel()->SetUserControlEnabled(true);
    Frame({{"SetStressTestMode", "true"}});
    int steps = 0;
    while (context->GetState() == GameContext::LevelRunning && steps < 20000)
    {
        world.Update(0.02);
        ++steps;
    }
    EXPECT_EQ(context->GetState(), GameContext::LevelSolved) << "after " << steps << " steps";
}

} // namespace
