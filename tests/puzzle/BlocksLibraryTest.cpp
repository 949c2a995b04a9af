#include "puzzle/BlocksLibrary.h"
#include "puzzle/Block.h"
#include "puzzle/BlockImageNames.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleEditorInterface.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

CMetaBlockDescription Description(const std::string& name, std::vector<MetaBlockPart> parts)
{
    CMetaBlockDescription description;
    description.SetName(name);
    description.GetParts() = std::move(parts);
    return description;
}

std::vector<std::string> Names(const BlocksLibrary& library)
{
    std::vector<std::string> names;
    for (int32_t i = 0; i < library.GetCount(); ++i)
    {
        names.push_back(library.GetEntry(i).GetName());
    }
    return names;
}

// The shown blocks' model names in list order.
std::vector<std::string> Models(const CPuzzle& puzzle)
{
    std::vector<std::string> models;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        if (block->IsShown())
        {
            models.push_back(block->GetModelName());
        }
    }
    return models;
}

// A cleared 8 by 8 board.
void EmptyBoard(CEditablePuzzle& puzzle)
{
    puzzle.ResizeBoard(8, 8);
    puzzle.Clear();
}

class CountingEditor : public PuzzleEditorInterface
{
public:
    void MarkPuzzleChanged(bool forgetMinMoves) override { calls.push_back(forgetMinMoves); }
    std::vector<bool> calls;
};

using BlocksLibraryFiles = TempFolderTest;

} // namespace

TEST(BlockImageNames, SuffixRulesByType)
{
    struct Case
    {
        const char* type;
        bool n, s, e, w;
        const char* expected;
    } cases[] = {
        // the full rule names the free end
        {"normal", false, false, true, true, "Puzzle2D/normalblock_we.png"},
        {"normal", false, false, false, true, "Puzzle2D/normalblock_e.png"},
        {"normal", false, false, true, false, "Puzzle2D/normalblock_w.png"},
        {"normal", true, false, false, false, "Puzzle2D/normalblock_s.png"},
        {"normal", false, true, false, false, "Puzzle2D/normalblock_n.png"},
        {"normal", true, true, false, false, "Puzzle2D/normalblock_ns.png"},
        {"normal", true, true, true, true, "Puzzle2D/normalblock_ns.png"},
        {"normal", true, false, true, false, "Puzzle2D/normalblock_s.png"},
        {"normal", false, false, false, false, "Puzzle2D/normalblock.png"},
        {"linked", false, true, false, false, "Puzzle2D/linkedblock_n.png"},
        {"magnet_pulling", false, false, true, true, "Puzzle2D/magnetblock_we.png"},
        {"magnet_pushing", false, false, false, true, "Puzzle2D/bluemagnetblock_e.png"},
        {"colored_orange", false, false, false, true, "Puzzle2D/normalblock_e_orange.png"},
        {"colored_black", false, false, false, false, "Puzzle2D/normalblock_black.png"},
        // the axis rule
        {"flex", true, false, false, false, "Puzzle2D/flexblock_ns.png"},
        {"weakflex", false, false, false, true, "Puzzle2D/weakflexblock_we.png"},
        {"bridge", true, false, true, false, "Puzzle2D/bridgeblock_ns.png"},
        {"bridge", false, false, false, false, "Puzzle2D/bridgeblock.png"},
        // one image
        {"player", true, false, false, true, "Puzzle2D/playerblock.png"},
        {"obstacle", false, false, true, false, "Puzzle2D/obstacleblock.png"},
        // no image
        {"wall", false, false, false, false, "Puzzle2D/"},
        {"levelsolvedtrigger", false, false, false, false, "Puzzle2D/"},
        {"Normal", false, false, false, false, "Puzzle2D/"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Block2DImageName(c.type, c.n, c.s, c.e, c.w), c.expected)
            << c.type << " " << c.n << c.s << c.e << c.w;
    }
}

TEST(BlockImageNames, ForBlocksOfAMetaBlock)
{
    CEditablePuzzle puzzle;
    EmptyBoard(puzzle);
    const CMetaBlockDescription row = Description("row", {{"normal", ""}, {"normal", ""}, {"normal", ""}});
    ASSERT_TRUE(puzzle.PlaceMetaBlock(row, 0, 0, false));
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description("one", {{"normal", ""}}), 0, 2, false));
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description("spring", {{"normal", ""}, {"flex", ""}}), 5, 2, true));
    std::vector<std::string> images;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        if (block->IsShown())
        {
            images.push_back(Block2DImageNameForBlock(*block));
        }
    }
    EXPECT_EQ(images, (std::vector<std::string>{"Puzzle2D/normalblock_w.png", "Puzzle2D/normalblock_we.png",
                                                "Puzzle2D/normalblock_e.png", "Puzzle2D/normalblock.png",
                                                "Puzzle2D/normalblock_n.png", "Puzzle2D/flexblock_ns.png"}));
}

TEST(MetaBlockPartNames, NamesByKindAndPlace)
{
    struct Case
    {
        std::vector<MetaBlockPart> parts;
        bool vertical;
        std::vector<std::string> expected;
    } cases[] = {
        {{{"normal", "x"}, {"normal", "x"}, {"normal", "x"}}, false, {"blk1_endb", "blk1_mid", "blk1_endb"}},
        {{{"normal", "x"}, {"flex", "x"}, {"normal", "x"}}, true, {"blk1_endb", "blkspr", "blk1_endb"}},
        // a middle piece next to a flexible one, or next to a bridge (not solid)
        {{{"linked", "x"}, {"linked", "x"}, {"flex", "x"}, {"linked", "x"}},
         false,
         {"blktwin_endb", "blktwin_midb", "blkspr", "blktwin_endb"}},
        {{{"player", "x"}, {"player", "x"}, {"bridge", "x"}}, true, {"blkplay_end", "blkplay_mid", "blkbri"}},
        {{{"magnet_pushing", "x"}, {"magnet_pushing", "x"}, {"magnet_pushing", "x"}},
         false,
         {"blkmagp_end", "blkmagp_mid", "blkmagp_end"}},
        {{{"magnet_pulling", "x"}, {"magnet_pulling", "x"}, {"normal", "x"}, {"magnet_pulling", "x"}},
         true,
         {"blkmagn_end", "blkmagn_mid", "blk1_mid", "blkmagn_end"}},
        {{{"colored_red", "x"}, {"colored_red", "x"}}, false, {"x", "x"}},
        {{{"obstacle", "x"}}, false, {"blkwall"}},
        {{{"player", "x"}}, true, {"blkplay_end"}},
    };
    for (const Case& c : cases)
    {
        CEditablePuzzle puzzle;
        EmptyBoard(puzzle);
        ASSERT_TRUE(puzzle.PlaceMetaBlock(Description("piece", c.parts), 1, 1, c.vertical));
        MetaBlockPartNames(puzzle.GetBlocks()[puzzle.GetBlocks().size() - c.parts.size()]);
        EXPECT_EQ(Models(puzzle), c.expected) << c.parts[0].type << " " << c.parts.size();
    }

    // Walls and exits get empty names.
    CEditablePuzzle puzzle;
    EmptyBoard(puzzle);
    MetaBlockPartNames(puzzle.GetBlocks()[0]);
    EXPECT_EQ(puzzle.GetBlocks()[0]->GetModelName(), "");
}

TEST(MetaBlockPartNames, ARingOfLinksEnds)
{
    CEditablePuzzle puzzle;
    EmptyBoard(puzzle);
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description("top", {{"normal", ""}, {"normal", ""}}), 1, 1, false));
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description("bottom", {{"normal", ""}, {"normal", ""}}), 1, 2, false));
    const std::vector<CBlock*>& blocks = puzzle.GetBlocks();
    CBlock* a = blocks[blocks.size() - 4];
    CBlock* b = blocks[blocks.size() - 3];
    CBlock* c = blocks[blocks.size() - 2];
    CBlock* d = blocks[blocks.size() - 1];
    // A damaged file's links: a east b, b south d, d east a again (and west c), c north a.
    b->SetNeighbour(DirectionSouth, d);
    c->SetNeighbour(DirectionNorth, a);
    d->SetNeighbour(DirectionEast, a);
    puzzle.MarkChanged(false);
    MetaBlockPartNames(a); // walks a, b, d and stops at a
    EXPECT_EQ(Models(puzzle), (std::vector<std::string>{"blk1_mid", "blk1_endb", "", "blk1_mid"}));

    BlocksLibrary library;
    library.BuildFromPuzzle(nullptr, puzzle);
    EXPECT_EQ(Models(puzzle).size(), 4u);
}

TEST(BlocksLibrary, KeptSortedWithEmptyNamesAsNoname)
{
    BlocksLibrary library;
    library.Add(Description("tower", {{"normal", "a"}}));
    library.Add(Description("Zed", {}));
    library.Add(Description("", {{"flex", "b"}}));
    library.Add(Description("bar", {}));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"Zed", "bar", "noname", "tower"}));
    EXPECT_EQ(library.GetEntry(2).GetParts().size(), 1u);
    EXPECT_EQ(library.GetEntry(2).GetParts()[0].model, "b");

    library.Replace(0, Description("", {{"player", "p"}, {"player", "q"}}));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"bar", "noname", "noname", "tower"}));
    library.Replace(3, Description("aaa", {}));
    EXPECT_EQ(Names(library), (std::vector<std::string>{"aaa", "bar", "noname", "noname"}));
    EXPECT_TRUE(library.GetEntry(0).GetParts().empty());
    library.Replace(4, Description("ignored", {}));
    library.Remove(1);
    library.Remove(-1);
    library.Remove(3);
    EXPECT_EQ(Names(library), (std::vector<std::string>{"aaa", "noname", "noname"}));
}

TEST_F(BlocksLibraryFiles, SavedAndLoadedAgainAndRefusedFiles)
{
    BlocksLibrary library;
    library.Add(Description("row3", {{"normal", "blk_l"}, {"normal", "blk_m"}, {"normal", "blk_r"}}));
    library.Add(Description("pair", {{"player", "blk_p1"}, {"flex", ""}}));
    ASSERT_TRUE(library.Save(PathOf("library.xml")));
    EXPECT_EQ(ReadFile("library.xml"), "<blockslibrary>\n"
                                       "\t<metablockdescription name=\"pair\">\n"
                                       "\t\t<block type=\"player\" model=\"blk_p1\"/>\n"
                                       "\t\t<block type=\"flex\" model=\"\"/>\n"
                                       "\t</metablockdescription>\n"
                                       "\t<metablockdescription name=\"row3\">\n"
                                       "\t\t<block type=\"normal\" model=\"blk_l\"/>\n"
                                       "\t\t<block type=\"normal\" model=\"blk_m\"/>\n"
                                       "\t\t<block type=\"normal\" model=\"blk_r\"/>\n"
                                       "\t</metablockdescription>\n"
                                       "</blockslibrary>\n");

    // Entries out of order in the file are sorted on loading.
    WriteFile("unsorted.xml", "<blockslibrary><metablockdescription name=\"b\"><block type=\"normal\" "
                              "model=\"m\"/></metablockdescription><metablockdescription name=\"a\"/>"
                              "</blockslibrary>");
    BlocksLibrary loaded;
    ASSERT_TRUE(loaded.Load(PathOf("unsorted.xml")));
    EXPECT_EQ(Names(loaded), (std::vector<std::string>{"a", "b"}));
    ASSERT_TRUE(loaded.Load(PathOf("library.xml")));
    ASSERT_EQ(Names(loaded), Names(library));
    for (int32_t i = 0; i < loaded.GetCount(); ++i)
    {
        ASSERT_EQ(loaded.GetEntry(i).GetParts().size(), library.GetEntry(i).GetParts().size());
        for (size_t k = 0; k < loaded.GetEntry(i).GetParts().size(); ++k)
        {
            EXPECT_EQ(loaded.GetEntry(i).GetParts()[k].type, library.GetEntry(i).GetParts()[k].type);
            EXPECT_EQ(loaded.GetEntry(i).GetParts()[k].model, library.GetEntry(i).GetParts()[k].model);
        }
    }

    WriteFile("other_root.xml", "<puzzle><metablockdescription name=\"x\"/></puzzle>");
    WriteFile("broken.xml", "<blockslibrary><metablockdescription name=\"x\">");
    // Nested deeper than the parser's stack would take.
    std::string deep = "<blockslibrary>";
    for (int i = 0; i < 50000; ++i)
    {
        deep += "<a>";
    }
    WriteFile("deep.xml", deep + "</blockslibrary>");
    for (const char* name : {"other_root.xml", "broken.xml", "deep.xml", "missing.xml"})
    {
        EXPECT_FALSE(loaded.Load(PathOf(name))) << name;
        EXPECT_EQ(Names(loaded), (std::vector<std::string>{"pair", "row3"})) << name;
    }

    // A folder cannot be written as a file: false, and nothing is left behind.
    EXPECT_FALSE(library.Save(PathOf("")));
}

TEST(BlocksLibrary, BuildFromPuzzleAssignsMatchingModelsElseDefaultNames)
{
    BlocksLibrary library;
    library.Add(Description("a_two", {{"normal", "wrong"}, {"normal", "wrong"}}));
    library.Add(Description("b_row3", {{"normal", "blk_l"}, {"normal", "blk_m"}, {"normal", "blk_r"}}));
    library.Add(Description("c_row3", {{"normal", "later"}, {"normal", "later"}, {"normal", "later"}}));
    library.Add(Description("d_col", {{"player", "blk_top"}, {"linked", "blk_bottom"}}));

    CEditablePuzzle puzzle;
    EmptyBoard(puzzle);
    const MetaBlockPart normal{"normal", ""};
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description("", {normal, normal, normal}), 0, 0, false));
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description("", {{"player", ""}, {"linked", ""}}), 0, 2, true));
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description("", {{"player", ""}, {"player", ""}}), 3, 2, true));
    ASSERT_TRUE(puzzle.PlaceMetaBlock(Description("", {{"linked", ""}, {"player", ""}}), 5, 2, true));
    const int32_t minMoves = 7;
    puzzle.SetMinSolveMoves(minMoves);

    CountingEditor editor;
    library.BuildFromPuzzle(&editor, puzzle);
    EXPECT_EQ(Models(puzzle),
              (std::vector<std::string>{"blk_l", "blk_m", "blk_r", "blk_top", "blk_bottom", "blkplay_end",
                                        "blkplay_end", "blktwin_endb", "blkplay_end"}));
    EXPECT_EQ(editor.calls, std::vector<bool>{false});
    EXPECT_EQ(library.GetCount(), 4);

    // Without an editor: the same names; a wall keeps its (empty) name.
    library.BuildFromPuzzle(nullptr, puzzle);
    EXPECT_EQ(Models(puzzle)[0], "blk_l");
    EXPECT_EQ(editor.calls.size(), 1u);
}
