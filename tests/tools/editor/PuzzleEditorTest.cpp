#include "tools/editor/PuzzleEditor.h"

#include "framework/CommandQueue.h"
#include "puzzle/Block.h"
#include "tests/game/WorldFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace
{

// A vertical chain "A" in the first column, a horizontal chain "D" in the top row, a lone "H" and the
// player next to the east exit of the bottom row.
const char* const kChains = "A-DDD-\nA-----\nA--H-PE\n";

class PuzzleEditorTest : public GameTesting::WorldFixture
{
protected:
    void SetUp() override
    {
        GameTesting::WorldFixture::SetUp();
        WriteFile("chains.txt", kChains);
        world.LoadLevel(PathOf("chains.txt"));
        editor.Update();
    }

    std::int32_t IdAt(float x, float y) const
    {
        for (const CBlock* block : world.GetPuzzle()->GetBlocks())
        {
            if (block->GetRect().left == x && block->GetRect().top == y)
            {
                return block->GetId();
            }
        }
        ADD_FAILURE() << "no block at " << x << ", " << y;
        return -1;
    }

    static std::string FirstByte(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(1, static_cast<char>(in.get()));
    }

    CPuzzleEditor editor{&world};
};

TEST_F(PuzzleEditorTest, TheSelectionDescribesItsChainFromTheHead)
{
    const struct
    {
        const char* name;
        float x, y;
        size_t parts;
        bool vertical;
        double originX, originY;
    } cases[] = {
        {"vertical chain from its middle", 0, 1, 3, true, 0, 0},
        {"horizontal chain from its east end", 4, 0, 3, false, 2, 0},
        {"lone block", 3, 2, 1, true, 3, 2},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        editor.SetSelectedBlock(IdAt(c.x, c.y));
        const CMetaBlockDescription description = editor.GetSelectionDescription();
        ASSERT_EQ(description.GetParts().size(), c.parts);
        EXPECT_EQ(description.GetName(), "");
        EXPECT_EQ(editor.IsSelectionVertical(), c.vertical);
        double x = -1.0, y = -1.0;
        editor.GetSelectionOrigin(x, y);
        EXPECT_EQ(x, c.originX);
        EXPECT_EQ(y, c.originY);
        for (const MetaBlockPart& part : description.GetParts())
        {
            EXPECT_EQ(part.type, "normal");
        }
    }
    // The parts follow the chain from the head: the models show the order.
    CEditablePuzzle& puzzle = *world.GetPuzzle();
    for (float x : {2.0f, 3.0f, 4.0f})
    {
        puzzle.FindBlockById(IdAt(x, 0))->SetModelName("d" + std::to_string(static_cast<int>(x)));
    }
    editor.SetSelectedBlock(IdAt(3, 0));
    const CMetaBlockDescription row = editor.GetSelectionDescription();
    ASSERT_EQ(row.GetParts().size(), 3u);
    EXPECT_EQ(row.GetParts()[0].model, "d2");
    EXPECT_EQ(row.GetParts()[2].model, "d4");
}

TEST_F(PuzzleEditorTest, StructuralEditsClearTheSelectionInTheNextUpdateDragsDoNot)
{
    const std::int32_t middle = IdAt(0, 1);
    editor.SetSelectedBlock(middle);
    const size_t before = world.GetPuzzle()->GetBlocks().size();
    editor.DeleteSelectedBlock();
    EXPECT_EQ(world.GetPuzzle()->GetBlocks().size(), before - 3) << "the whole chain goes";
    EXPECT_EQ(editor.GetSelectedBlock(), middle);
    editor.Update();
    EXPECT_EQ(editor.GetSelectedBlock(), -1);

    const std::int32_t lone = IdAt(3, 2);
    editor.SetSelectedBlock(lone);
    CBlock* block = world.GetPuzzle()->FindBlockById(lone);
    Drag(*world.GetPuzzle(), *block, 3.0f, 0.0f);
    for (int step = 0; step < 50; ++step)
    {
        world.Step(0.02);
    }
    editor.Update();
    EXPECT_EQ(editor.GetSelectedBlock(), lone) << "a drag keeps the selection";

    for (auto rename :
         {&CPuzzleEditor::SetBoardName, &CPuzzleEditor::SetEnvironmentName, &CPuzzleEditor::SetGfxSetName})
    {
        editor.SetSelectedBlock(lone);
        (editor.*rename)("renamed");
        editor.Update();
        EXPECT_EQ(editor.GetSelectedBlock(), -1);
    }
    EXPECT_EQ(editor.GetBoardName(), "renamed");
}

TEST_F(PuzzleEditorTest, TheFileNameEndingChoosesTheReaderAndTheWriter)
{
    // Every file is written in the form its ending asks for; a grid under a capital ".XML" is a grid.
    WriteFile("wide.txt", "------A\n------PE\n");
    WriteFile("tall.XML", "A-\n--\n--\nPE\n");
    editor.LoadPuzzle(PathOf("wide.txt"));
    editor.SavePuzzle(PathOf("wide.xml"));
    editor.SavePuzzle(PathOf("wide.blvl"));
    editor.SavePuzzle(PathOf("x"));
    EXPECT_EQ(FirstByte(PathOf("wide.xml")), "<");
    EXPECT_NE(FirstByte(PathOf("x")), "<") << "no .xml: the binary form";
    EXPECT_EQ(std::filesystem::file_size(PathOf("x")), std::filesystem::file_size(PathOf("wide.blvl")));

    // A file that cannot be read leaves the board as the reader left it.
    const struct
    {
        const char* file;
        int width, height;
    } cases[] = {{"wide.txt", 7, 2},
                 {"tall.XML", 2, 4},
                 {"wide.xml", 7, 2},
                 {"wide.blvl", 7, 2},
                 {"missing.txt", 6, 3}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.file);
        world.LoadLevel(PathOf("chains.txt"));
        editor.LoadPuzzle(PathOf(c.file));
        EXPECT_EQ(editor.GetGridSizeX(), c.width);
        EXPECT_EQ(editor.GetGridSizeY(), c.height);
    }
}

TEST_F(PuzzleEditorTest, WithoutAPuzzleGettersAnswerNoneAndEditsDoNothing)
{
    editor.SetSelectedBlock(IdAt(3, 2));
    world.ShutLevel();
    ASSERT_EQ(world.GetPuzzle(), nullptr);
    editor.Update();
    EXPECT_EQ(editor.GetSelectedBlock(), -1);
    EXPECT_EQ(editor.GetGridSizeX(), 0);
    EXPECT_EQ(editor.GetGridSizeY(), 0);
    EXPECT_EQ(editor.GetChangeNumber(), -1);
    EXPECT_EQ(editor.GetNumExits(), 0);
    EXPECT_EQ(editor.GetParSolveMoves(), -1);
    EXPECT_EQ(editor.GetBoardName(), "");
    EXPECT_EQ(editor.GetFileName(), "");
    EXPECT_TRUE(editor.GetSelectionDescription().GetParts().empty());
    editor.ClearPuzzle();
    editor.SetGridSize(3, 3);
    editor.DeleteSelectedBlock();
    editor.LoadPuzzle(PathOf("chains.txt"));
    editor.SavePuzzle(PathOf("none.xml"));
    EXPECT_FALSE(std::filesystem::exists(PathOf("none.xml")));
}

TEST_F(PuzzleEditorTest, BoardEditsGoToThePuzzleAndSolvePostsTheCommand)
{
    editor.SetGridSize(8, 5);
    EXPECT_EQ(editor.GetGridSizeX(), 8);
    EXPECT_EQ(editor.GetGridSizeY(), 5);
    editor.SetExits({{0, 1}, {3, 2}});
    ASSERT_EQ(editor.GetNumExits(), 2);
    editor.SetParSolveMoves(9);
    EXPECT_EQ(editor.GetParSolveMoves(), 9);
    CMetaBlockDescription pair;
    pair.GetParts() = {{"normal", "m"}, {"normal", "m"}};
    const size_t before = world.GetPuzzle()->GetBlocks().size();
    editor.PlaceMetaBlock(6, 3, false, pair);
    EXPECT_EQ(world.GetPuzzle()->GetBlocks().size(), before + 2);
    editor.ClearPuzzle();
    EXPECT_EQ(editor.GetNumExits(), 1);
    EXPECT_EQ(editor.GetExit(0).side, 3);
    EXPECT_EQ(editor.GetExit(0).offset, 2);
    editor.Solve();
    EXPECT_FALSE(Queue().IsEmpty());
}

} // namespace
