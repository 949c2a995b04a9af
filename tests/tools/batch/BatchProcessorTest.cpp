#include "tools/batch/BatchProcessor.h"

#include "platform/os/DebugOutput.h"
#include "puzzle/Block.h"
#include "puzzle/BlocksLibrary.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/MetaBlockDescription.h"
#include "puzzle/PuzzleRefiner.h"
#include "tests/game/WorldFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

// A board the solver does in one move (the player one cell short of the exit).
const char* const kOneMove = "AA----\n-----PE\nB-----\n";
// A board the refiner makes longer: the player must go round the blocks.
const char* const kRefinable = "A-B---\n--P--E\n--C---\n";

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class BatchProcessorTest : public GameTesting::WorldFixture
{
protected:
    void SetUp() override
    {
        GameTesting::WorldFixture::SetUp();
        world.LoadLevel("");
        // A library (in a hidden folder, which no walk enters) naming the models of a linked pair.
        fs::create_directories(Root() / ".lib");
        CMetaBlockDescription pair;
        pair.SetName("pair");
        pair.GetParts().push_back({"normal", "libmodel"});
        pair.GetParts().push_back({"normal", "libmodel"});
        BlocksLibrary library;
        library.Add(pair);
        ASSERT_TRUE(library.Save(PathOf(".lib/blockslibrary.xml")));
        controller.GetPathAliases().RegisterPathAlias("level", PathOf(".lib"));
        processor = std::make_unique<CBatchProcessor>(&world);
        ASSERT_EQ(processor->GetLibrary().GetCount(), 1);
    }

    // A puzzle file built from a character grid, saved as XML at the relative path.
    std::string MakePuzzle(const std::string& relative, const char* grid = kOneMove, int minMoves = -1)
    {
        fs::create_directories((Root() / relative).parent_path());
        WriteFile("board.txt", grid);
        CEditablePuzzle puzzle;
        EXPECT_TRUE(puzzle.BuildFromCharGrid(PathOf("board.txt")));
        puzzle.SetMinSolveMoves(minMoves);
        EXPECT_TRUE(puzzle.SaveXml(PathOf(relative)));
        return PathOf(relative);
    }

    static int LoadedMinimum(const std::string& path)
    {
        CEditablePuzzle puzzle;
        EXPECT_TRUE(puzzle.LoadXml(path));
        return puzzle.GetMinSolveMoves();
    }

    // The processor with every switch off: each test turns on what it checks.
    CBatchProcessor& Quiet()
    {
        processor->SetCalcSolveMoves(false);
        processor->SetAssignModels(false);
        return *processor;
    }

    std::unique_ptr<CBatchProcessor> processor;
};

TEST_F(BatchProcessorTest, WalksDeepestLastFolderFirstSkippingHiddenEntriesAndLinks)
{
    const std::string ax = MakePuzzle("a/b/x.xml");
    const std::string ay = MakePuzzle("a/y.xml");
    const std::string z = MakePuzzle("z.xml");
    const std::string plain = MakePuzzle("plain/w.xml");
    MakePuzzle(".hidden/h.xml");
    MakePuzzle("a/.h.xml");
    WriteFile("a/readme.txt", "not a puzzle");
    fs::create_directory_symlink(Root(), Root() / "a/loop");

    processor->ProcessFolder(Root().string());
    // The root's files, then "plain" (pushed last, so walked first), then "a" and its "b".
    const std::vector<std::string> expected = {z, plain, ay, ax};
    EXPECT_EQ(processor->GetWorkList(), expected);

    Platform::DebugOutputCapture capture;
    Quiet().Update(0.02);
    EXPECT_TRUE(processor->GetWorkList().empty());
    std::string order;
    for (const std::string& path : {ax, ay, plain, z})
    {
        order += "processing file " + path + "... \n";
    }
    EXPECT_EQ(capture.Text(), order);
}

TEST_F(BatchProcessorTest, AnEmptyOrMissingFolderGivesNothingToDo)
{
    const std::string puzzle = MakePuzzle("z.xml");
    const std::string before = ReadAll(puzzle);
    for (const std::string& folder : {std::string(), PathOf("missing"), puzzle})
    {
        SCOPED_TRACE(folder);
        processor->ProcessFolder(folder);
        EXPECT_TRUE(processor->GetWorkList().empty());
    }
    processor->SetForceRecalculation(true);
    processor->Update(0.02);
    EXPECT_EQ(ReadAll(puzzle), before);
}

TEST_F(BatchProcessorTest, EachStepOfAFileFollowsItsSwitches)
{
    const struct
    {
        const char* name;
        int minMoves;
        bool calc, force, models, binary;
        int expectedMinimum;
        bool rewritten, twin;
    } cases[] = {
        {"solve an unknown minimum", -1, true, false, false, false, 1, true, false},
        {"a known minimum stays", 7, true, false, false, false, 7, false, false},
        {"forced recalculation", 7, true, true, false, false, 1, true, false},
        {"models only", 7, false, false, true, false, 7, true, false},
        {"binary twin only", 7, false, false, false, true, 7, false, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = MakePuzzle(std::string(c.name) + "/p.xml", kOneMove, c.minMoves);
        const std::string before = ReadAll(path);
        processor->SetCalcSolveMoves(c.calc);
        processor->SetForceRecalculation(c.force);
        processor->SetAssignModels(c.models);
        processor->SetConvertToBinary(c.binary);

        processor->ProcessFile(path);

        EXPECT_EQ(ReadAll(path) != before, c.rewritten);
        EXPECT_EQ(LoadedMinimum(path), c.expectedMinimum);
        const fs::path twin = fs::path(path).replace_extension(".blvl");
        EXPECT_EQ(fs::exists(twin), c.twin);
        if (c.twin)
        {
            CEditablePuzzle binary;
            EXPECT_TRUE(binary.LoadBinary(twin.string()));
            EXPECT_EQ(binary.GetBlocks().size(), world.GetPuzzle()->GetBlocks().size());
        }
        // The linked pair "AA" takes the library's models only when models are assigned.
        CEditablePuzzle saved;
        ASSERT_TRUE(saved.LoadXml(path));
        int fromLibrary = 0;
        for (const CBlock* block : saved.GetBlocks())
        {
            fromLibrary += block->GetModelName() == "libmodel";
        }
        EXPECT_EQ(fromLibrary, c.models ? 2 : 0);
    }
}

TEST_F(BatchProcessorTest, AFileThatDoesNotLoadIsSkippedAndNothingIsWritten)
{
    WriteFile("broken.xml", "<puzzle");
    processor->SetConvertToBinary(true);
    processor->SetForceRecalculation(true);
    Platform::DebugOutputCapture capture;
    processor->ProcessFile(PathOf("broken.xml"));
    // The loader says why between the two lines.
    EXPECT_TRUE(capture.Text().starts_with("processing file " + PathOf("broken.xml") + "... \n"));
    EXPECT_TRUE(capture.Text().ends_with("failed to load.\n"));
    EXPECT_EQ(ReadAll(PathOf("broken.xml")), "<puzzle");
    EXPECT_FALSE(fs::exists(Root() / "broken.blvl"));
}

class BatchRefineTest : public BatchProcessorTest
{
protected:
    void SetUp() override
    {
        BatchProcessorTest::SetUp();
        // The board's own lengths, from the refiner itself.
        WriteFile("board.txt", kRefinable);
        CEditablePuzzle puzzle;
        ASSERT_TRUE(puzzle.BuildFromCharGrid(PathOf("board.txt")));
        PuzzleRefiner refiner;
        refiner.SetPuzzle(&puzzle);
        ASSERT_EQ(refiner.Refine(), 2) << "the fixture board must be one the refiner lengthens";
        original = refiner.GetOriginalMoves();
        highest = refiner.GetHighestMoves();
        ASSERT_LT(original, highest);
        folder = "set_" + std::to_string(original) + "m_";
        name = "_" + std::to_string(original) + "m_board.xml";
        path = MakePuzzle(folder + "/" + name, kRefinable);
        refined = PathOf(folder + "/_" + std::to_string(highest) + "m_board.xml");
        processor->SetRefine(true);
        processor->SetCalcSolveMoves(false);
        processor->SetAssignModels(false);
    }

    int original = 0;
    int highest = 0;
    std::string folder, name, path, refined;
};

TEST_F(BatchRefineTest, AnImprovedPuzzleIsSavedUnderTheNewCountInItsNameOnly)
{
    const std::string before = ReadAll(path);
    processor->SetConvertToBinary(true);
    Platform::DebugOutputCapture capture;
    processor->ProcessFile(path);

    EXPECT_NE(capture.Text().find("Refiner: saving file " + refined + ", improved from " +
                                  std::to_string(original) + " to " + std::to_string(highest) + " moves\n"),
              std::string::npos);
    ASSERT_TRUE(fs::exists(refined)) << "the folder's own tag stays";
    EXPECT_EQ(ReadAll(path), before) << "the original is kept whole";
    EXPECT_TRUE(fs::exists(fs::path(refined).replace_extension(".blvl")));
    EXPECT_FALSE(fs::exists(fs::path(path).replace_extension(".blvl")));
    EXPECT_EQ(RefinedFileName("a_3m_/_3m_x_3m_.xml", 3, 15), "a_3m_/_15m_x_15m_.xml");
    EXPECT_EQ(RefinedFileName("plain.xml", 3, 15), "plain.xml");
}

TEST_F(BatchRefineTest, DeletingOriginalsRemovesItOnlyAfterTheNewFileIsWritten)
{
    processor->SetDeleteOriginals(true);
    processor->ProcessFile(path);
    EXPECT_TRUE(fs::exists(refined));
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(BatchRefineTest, AFailedSaveKeepsTheOriginal)
{
    // A folder where the refined file would go makes its save fail.
    fs::create_directory(refined);
    const std::string before = ReadAll(path);
    processor->SetDeleteOriginals(true);
    processor->SetConvertToBinary(true);
    processor->SetAssignModels(true);
    processor->ProcessFile(path);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_TRUE(fs::is_directory(refined));
    EXPECT_FALSE(fs::exists(fs::path(path).replace_extension(".blvl")))
        << "the file's other steps are skipped";
}

TEST_F(BatchRefineTest, OnlyNamesBeginningWithAnUnderscoreAreRefined)
{
    const std::string plain = MakePuzzle("plain/board.xml", kRefinable);
    const std::string before = ReadAll(plain);
    Platform::DebugOutputCapture capture;
    processor->ProcessFile(plain);
    EXPECT_EQ(capture.Text().find("Refiner:"), std::string::npos);
    EXPECT_EQ(ReadAll(plain), before);
}

TEST_F(BatchProcessorTest, ScreenshotsHoldEachFileUntilTheWaitIsCleared)
{
    MakePuzzle("a.xml");
    MakePuzzle("b.xml");
    MakePuzzle("c.xml");
    processor->SetScreenshots(true);
    Quiet().ProcessFolder(Root().string());
    Platform::DebugOutputCapture capture;
    auto processed = [&] {
        size_t count = 0;
        for (size_t at = 0; (at = capture.Text().find("processing file", at)) != std::string::npos; ++at)
        {
            ++count;
        }
        return count;
    };
    // 2 s of 0.02 s steps: nothing yet.
    for (int step = 0; step < 99; ++step)
    {
        processor->Update(0.02);
    }
    EXPECT_EQ(processed(), 0u);
    processor->Update(0.02);
    processor->Update(0.02);
    EXPECT_EQ(processed(), 1u);
    EXPECT_TRUE(processor->IsWaitingForScreenshot());
    for (size_t file = 2; file <= 3; ++file)
    {
        processor->Update(0.02);
        EXPECT_EQ(processed(), file - 1);
        processor->ClearScreenshotWait();
        processor->Update(0.02);
        EXPECT_EQ(processed(), file);
    }
    EXPECT_TRUE(processor->GetWorkList().empty());
}

} // namespace
