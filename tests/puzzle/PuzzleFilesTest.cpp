#include "Boards.h"

#include "puzzle/BlockFactory.h"
#include "puzzle/ColoredBlock.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/FlexBlock.h"
#include "puzzle/MagnetBlock.h"
#include "puzzle/MetaBlockDescription.h"
#include "puzzle/PlayerBlock.h"

#include "foundation/Xml.h"
#include "platform/os/DebugOutput.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <random>
#include <vector>

using BaseLib::CRectF;

namespace
{

// An editable puzzle whose names and counts a test sets, as the editors do.
class TestPuzzle : public CEditablePuzzle
{
public:
    void SetNames(const std::string& gfxSet, const std::string& environment, const std::string& board)
    {
        m_gfxSetName = gfxSet;
        m_environmentName = environment;
        m_boardName = board;
    }
    void SetCounts(int32_t min, int32_t par)
    {
        m_minSolveMoves = min;
        m_parSolveMoves = par;
    }
};

CBlock* AddByType(CPuzzle& puzzle, const char* type, float x, float y, float w = 1.0f, float h = 1.0f)
{
    CBlock* block = CreateBlockByType(&puzzle, type);
    block->MoveTo(CRectF(x, y, x + w, y + h));
    puzzle.AddBlock(block);
    return block;
}

// Every kind and argument, links on all four sides, positions on 1/64 that "%g" would round.
void BuildEveryKind(TestPuzzle& puzzle)
{
    puzzle.ResizeBoard(9, 7);
    puzzle.SetNames("desert", "desert2", "field_9x7");
    puzzle.SetCounts(12, 15);
    const char* types[] = {"normal",
                           "player",
                           "bridge",
                           "flex",
                           "weakflex",
                           "magnet_pulling",
                           "magnet_pushing",
                           "obstacle",
                           "wall",
                           "linked",
                           "levelsolvedtrigger",
                           "colored_red",
                           "colored_yellow",
                           "colored_blue",
                           "colored_green",
                           "colored_black",
                           "colored_white",
                           "colored_orange"};
    float x = 0.0f;
    for (const char* type : types)
    {
        CBlock* block = AddByType(puzzle, type, x, 6.0f);
        block->SetModelName(std::string("blk_") + type);
        x += 1.015625f;
    }
    CBlock* centre = AddByType(puzzle, "normal", 3.015625f, 2.5f);
    CBlock* north = AddByType(puzzle, "normal", 3.015625f, 1.5f);
    CBlock* south = AddByType(puzzle, "flex", 3.015625f, 3.5f, 1.0f, 0.25f);
    CBlock* west = AddByType(puzzle, "normal", 2.015625f, 2.5f);
    CBlock* east = AddByType(puzzle, "linked", 4.015625f, 2.5f);
    centre->SetNeighbour(DirectionNorth, north);
    centre->SetNeighbour(DirectionSouth, south);
    centre->SetNeighbour(DirectionWest, west);
    centre->SetNeighbour(DirectionEast, east);
    centre->SetPriority(1);
    puzzle.TakeStartSnapshot();
}

int32_t NeighbourId(const CBlock* block, BlockDirection d)
{
    const CBlock* neighbour = block->GetNeighbour(d);
    return neighbour != nullptr ? neighbour->GetId() : -1;
}

void ExpectSamePuzzle(const CPuzzle& loaded, const CPuzzle& saved)
{
    EXPECT_EQ(loaded.GetWidth(), saved.GetWidth());
    EXPECT_EQ(loaded.GetHeight(), saved.GetHeight());
    EXPECT_EQ(loaded.GetGfxSetName(), saved.GetGfxSetName());
    EXPECT_EQ(loaded.GetEnvironmentName(), saved.GetEnvironmentName());
    EXPECT_EQ(loaded.GetBoardName(), saved.GetBoardName());
    EXPECT_EQ(loaded.GetMinSolveMoves(), saved.GetMinSolveMoves());
    EXPECT_EQ(loaded.GetParSolveMoves(), saved.GetParSolveMoves());
    ASSERT_EQ(loaded.GetBlocks().size(), saved.GetBlocks().size());
    for (size_t i = 0; i < saved.GetBlocks().size(); ++i)
    {
        const CBlock* a = loaded.GetBlocks()[i];
        const CBlock* b = saved.GetBlocks()[i];
        EXPECT_STREQ(a->GetTypeName(), b->GetTypeName()) << i;
        EXPECT_EQ(a->GetKind(), b->GetKind()) << i;
        EXPECT_EQ(a->GetId(), b->GetId()) << i;
        EXPECT_EQ(a->GetRect(), b->GetRect()) << i << " " << b->GetTypeName();
        EXPECT_EQ(a->GetPriority(), b->GetPriority()) << i;
        EXPECT_EQ(a->GetModelName(), b->GetModelName()) << i;
        EXPECT_EQ(a->CanMoveX(), b->CanMoveX()) << i;
        EXPECT_EQ(a->CanMoveY(), b->CanMoveY()) << i;
        for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
        {
            EXPECT_EQ(NeighbourId(a, d), NeighbourId(b, d)) << i << " side " << d;
        }
    }
    EXPECT_TRUE(loaded.GetGrid().CheckConsistency());
}

std::string ReadGolden(const char* name)
{
    std::ifstream file(std::string(QUARROW_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The two-block puzzle of the golden files.
void BuildTwoBlocks(TestPuzzle& puzzle)
{
    puzzle.ResizeBoard(4, 3);
    puzzle.SetNames("jungle", "jungle1", "field_4x3");
    puzzle.SetCounts(2, 3);
    CBlock* left = AddByType(puzzle, "player", 0, 1);
    CBlock* right = AddByType(puzzle, "normal", 1, 1, 1.0f, 1.5f);
    left->SetIdFromFile(7);
    right->SetIdFromFile(8);
    left->SetNeighbour(DirectionEast, right);
    left->SetModelName("blk_player");
    puzzle.TakeStartSnapshot();
}

using PuzzleFiles = TempFolderTest;

} // namespace

TEST(BlockFactory, CreatesEveryKindByItsExactName)
{
    CPuzzle puzzle;
    struct Case
    {
        const char* type;
        int32_t kind;
        const char* written;
    } cases[] = {
        {"normal", 0, "normal"},
        {"player", 1, "player"},
        {"bridge", 8, "bridge"},
        {"flex", 5, "flex"},
        {"weakflex", 5, "weakflex"},
        {"magnet", 6, "magnet_pulling"},
        {"magnet_northpole", 6, "magnet_pushing"},
        {"magnet_southpole", 6, "magnet_pulling"},
        {"magnet_pulling", 6, "magnet_pulling"},
        {"magnet_pushing", 6, "magnet_pushing"},
        {"obstacle", 4, "obstacle"},
        {"wall", 2, "wall"},
        {"linked", 7, "linked"},
        {"levelsolvedtrigger", 3, "levelsolvedtrigger"},
        {"colored_yellow", 9, "colored_yellow"},
        {"colored_red", 9, "colored_red"},
        {"colored_green", 9, "colored_green"},
        {"colored_blue", 9, "colored_blue"},
        {"colored_orange", 9, "colored_orange"},
        {"colored_white", 9, "colored_white"},
        {"colored_black", 9, "colored_black"},
    };
    for (const Case& c : cases)
    {
        std::unique_ptr<CBlock> block(CreateBlockByType(&puzzle, c.type));
        ASSERT_NE(block, nullptr) << c.type;
        EXPECT_EQ(block->GetKind(), c.kind) << c.type;
        EXPECT_STREQ(block->GetTypeName(), c.written) << c.type;
        EXPECT_EQ(block->GetPuzzle(), &puzzle);
    }
    EXPECT_EQ(static_cast<CMagnetBlock*>(
                  std::unique_ptr<CBlock>(CreateBlockByType(&puzzle, "magnet_northpole")).get())
                  ->GetMode(),
              1);
    for (const char* unknown : {"Normal", "magnet_north", "", "colored_purple", "flex "})
    {
        EXPECT_EQ(CreateBlockByType(&puzzle, unknown), nullptr) << unknown;
    }
    EXPECT_TRUE(puzzle.GetBlocks().empty());
}

TEST_F(PuzzleFiles, XmlRoundTripKeepsEveryBlockExactly)
{
    TestPuzzle saved;
    BuildEveryKind(saved);
    ASSERT_TRUE(saved.SaveXml(PathOf("every.xml")));
    EXPECT_EQ(saved.GetFileName(), PathOf("every.xml"));
    CPuzzle loaded;
    ASSERT_TRUE(loaded.LoadXml(PathOf("every.xml")));
    EXPECT_EQ(loaded.GetFileName(), PathOf("every.xml"));
    ExpectSamePuzzle(loaded, saved);
    EXPECT_NE(ReadFile("every.xml").find("<x>1.015625</x>"), std::string::npos);
}

TEST_F(PuzzleFiles, BinaryRoundTripKeepsEveryBlockExactly)
{
    TestPuzzle saved;
    BuildEveryKind(saved);
    ASSERT_TRUE(saved.SaveBinary(PathOf("every.blvl")));
    CPuzzle loaded;
    ASSERT_TRUE(loaded.LoadBinary(PathOf("every.blvl")));
    ExpectSamePuzzle(loaded, saved);
}

TEST_F(PuzzleFiles, GoldenFilesOfATwoBlockPuzzle)
{
    TestPuzzle puzzle;
    BuildTwoBlocks(puzzle);
    ASSERT_TRUE(puzzle.SaveXml(PathOf("two.xml")));
    ASSERT_TRUE(puzzle.SaveBinary(PathOf("two.blvl")));
    EXPECT_EQ(ReadFile("two.xml"), ReadGolden("two_blocks.xml"));
    EXPECT_EQ(ReadFile("two.blvl"), ReadGolden("two_blocks.blvl"));

    for (const char* golden : {"two_blocks.xml", "two_blocks.blvl"})
    {
        CPuzzle loaded;
        const std::string path = std::string(QUARROW_TEST_DATA_DIR) + "/" + golden;
        ASSERT_TRUE(std::string(golden).ends_with(".xml") ? loaded.LoadXml(path) : loaded.LoadBinary(path));
        ExpectSamePuzzle(loaded, puzzle);
    }
}

TEST_F(PuzzleFiles, BinaryLayoutFollowsTheRecordTable)
{
    TestPuzzle puzzle;
    BuildTwoBlocks(puzzle);
    ASSERT_TRUE(puzzle.SaveBinary(PathOf("two.blvl")));
    const std::string bytes = ReadFile("two.blvl");
    auto int32At = [&](size_t offset) {
        return static_cast<int32_t>(
            static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset])) << 24 |
            static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 16 |
            static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 2])) << 8 |
            static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + 3])));
    };
    EXPECT_EQ(int32At(0), 4);
    EXPECT_EQ(int32At(4), 3);
    EXPECT_EQ(int32At(8), 2);
    EXPECT_EQ(int32At(12), 3);
    // environment, board, gfxset
    EXPECT_EQ(int32At(16), 7);
    EXPECT_EQ(bytes.substr(20, 7), "jungle1");
    EXPECT_EQ(bytes.substr(31, 9), "field_4x3");
    EXPECT_EQ(bytes.substr(44, 6), "jungle");
    EXPECT_EQ(int32At(50), 2);
    // First record: "player", id 7, x 0, y 1 * 4096, 4096 by 4096, priority 0, north, south, west, east.
    EXPECT_EQ(bytes.substr(58, 6), "player");
    const int32_t first[] = {7, 0, 4096, 4096, 4096, 0, -1, -1, -1, 8};
    for (int i = 0; i < 10; ++i)
    {
        EXPECT_EQ(int32At(64 + 4 * i), first[i]) << i;
    }
    EXPECT_EQ(int32At(104), 10);
    EXPECT_EQ(bytes.substr(108, 10), "blk_player");
    // Second record: the west neighbour comes before the east one, height 1.5 cells.
    EXPECT_EQ(bytes.substr(122, 6), "normal");
    const int32_t second[] = {8, 4096, 4096, 4096, 6144, 0, -1, -1, 7, -1};
    for (int i = 0; i < 10; ++i)
    {
        EXPECT_EQ(int32At(128 + 4 * i), second[i]) << i;
    }
    EXPECT_EQ(int32At(168), 0);
    EXPECT_EQ(bytes.size(), 172u);
}

TEST_F(PuzzleFiles, XmlDefaultsAndReadNumbers)
{
    struct Case
    {
        const char* text;
        int32_t width, height, min, par;
    } cases[] = {
        {"<puzzle/>", 6, 6, -1, -1},
        {"<puzzle gridsizex=\"0\" gridsizey=\"-3\"/>", 6, 6, -1, -1},
        {"<puzzle gridsizex=\" 010\" gridsizey=\"7x\" minsolvemoves=\"abc\" parsolvemoves=\"+4\"/>", 10, 7, 0,
         4},
        {"<puzzle gridsizex=\"99999999999\" gridsizey=\"2\"/>", -1, 0, 0, 0}, // refused
    };
    for (const Case& c : cases)
    {
        WriteFile("p.xml", c.text);
        CPuzzle puzzle;
        const bool loaded = puzzle.LoadXml(PathOf("p.xml"));
        EXPECT_EQ(loaded, c.width > 0) << c.text;
        if (!loaded)
        {
            continue;
        }
        EXPECT_EQ(puzzle.GetWidth(), c.width) << c.text;
        EXPECT_EQ(puzzle.GetHeight(), c.height) << c.text;
        EXPECT_EQ(puzzle.GetMinSolveMoves(), c.min) << c.text;
        EXPECT_EQ(puzzle.GetParSolveMoves(), c.par) << c.text;
        EXPECT_EQ(puzzle.GetGfxSetName(), "jungle");
    }
}

TEST_F(PuzzleFiles, ReadingAnIdRaisesTheIdCounter)
{
    WriteFile("p.xml", "<puzzle><block type=\"magnet_southpole\" id=\"41\"><pos><x>1</x><y>2</y></pos>"
                       "<size><x>1</x><y>1</y></size><priority>yes</priority></block></puzzle>");
    TestPuzzle puzzle;
    ASSERT_TRUE(puzzle.LoadXml(PathOf("p.xml")));
    ASSERT_EQ(puzzle.GetBlocks().size(), 1u);
    const CBlock* block = puzzle.GetBlocks()[0];
    EXPECT_EQ(block->GetId(), 41);
    EXPECT_STREQ(block->GetTypeName(), "magnet_pulling");
    EXPECT_EQ(block->GetRect(), CRectF(1, 2, 2, 3));
    EXPECT_EQ(block->GetPriority(), 1);
    CBlock fresh(&puzzle);
    EXPECT_GE(fresh.GetId(), 43);
    ASSERT_TRUE(puzzle.SaveXml(PathOf("back.xml")));
    EXPECT_NE(ReadFile("back.xml").find("type=\"magnet_pulling\""), std::string::npos);
}

TEST_F(PuzzleFiles, IdsThatWouldOverflowTheCounterAreRefused)
{
    // The two-block puzzle with the player's id 7 replaced, in both formats; the other block links to it.
    std::string xml = ReadGolden("two_blocks.xml");
    const std::string binary = ReadGolden("two_blocks.blvl");
    const auto withId = [&](int32_t id, bool asXml) {
        if (asXml)
        {
            std::string text = xml;
            text.replace(text.find("id=\"7\""), 6, "id=\"" + std::to_string(id) + "\"");
            text.replace(text.find("<neighbor_w>7<"), 14, "<neighbor_w>" + std::to_string(id) + "<");
            return text;
        }
        std::string bytes = binary;
        for (size_t offset : {64, 160}) // the player's id, the normal block's west neighbour
        {
            for (int i = 0; i < 4; ++i)
            {
                bytes[offset + i] = static_cast<char>(static_cast<uint32_t>(id) >> (24 - 8 * i));
            }
        }
        return bytes;
    };
    const struct
    {
        int32_t id;
        bool accepted;
    } cases[] = {{INT32_MAX, false}, {INT32_MAX - 1, false}, {CBlock::MaxFileId + 1, false},
                 {-1, false},        {INT32_MIN, false},     {0, true},
                 {1000000, true}};
    // The largest id is checked without loading it, which would raise this process's counter near the top.
    EXPECT_TRUE(CBlock::IsFileId(CBlock::MaxFileId));
    EXPECT_FALSE(CBlock::IsFileId(CBlock::MaxFileId + 1));
    for (const bool asXml : {true, false})
    {
        for (const auto& c : cases)
        {
            SCOPED_TRACE(std::to_string(c.id) + (asXml ? " in XML" : " in .blvl"));
            const std::string name = asXml ? "ids.xml" : "ids.blvl";
            WriteFile(name, withId(c.id, asXml));
            TestPuzzle puzzle;
            BuildTwoBlocks(puzzle);
            const int32_t counter = CBlock::GetIdCounter();
            Platform::DebugOutputCapture capture;
            const bool loaded = asXml ? puzzle.LoadXml(PathOf(name)) : puzzle.LoadBinary(PathOf(name));
            EXPECT_EQ(loaded, c.accepted);
            EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
            if (c.accepted)
            {
                ASSERT_EQ(puzzle.GetBlocks().size(), 2u);
                EXPECT_EQ(puzzle.GetBlocks()[0]->GetId(), c.id);
                EXPECT_EQ(puzzle.GetBlocks()[1]->GetNeighbour(DirectionWest), puzzle.GetBlocks()[0]);
                EXPECT_GT(CBlock::GetIdCounter(), c.id);
            }
            else
            {
                EXPECT_TRUE(puzzle.GetBlocks().empty());
                EXPECT_EQ(CBlock::GetIdCounter(), counter + 1); // the refused block's own construction
                EXPECT_EQ(capture.Text(), "Puzzle: \"" + PathOf(name) + "\": block id " +
                                              std::to_string(c.id) + " is outside 0 to " +
                                              std::to_string(CBlock::MaxFileId) + "\n");
            }
            // The next block still gets a fresh id above every other (the sanitizer build checks the sum).
            CBlock fresh(&puzzle);
            EXPECT_GT(fresh.GetId(), 0);
        }
    }
}

TEST_F(PuzzleFiles, BadXmlFiles)
{
    TestPuzzle puzzle;
    BuildTwoBlocks(puzzle);
    WriteFile("level.xml", "<level gridsizex=\"3\"/>");
    EXPECT_FALSE(puzzle.LoadXml(PathOf("level.xml")));
    EXPECT_EQ(puzzle.GetBlocks().size(), 2u);
    EXPECT_EQ(puzzle.GetFileName(), PathOf("level.xml"));

    WriteFile("broken.xml", "<puzzle><block></puzzle>");
    EXPECT_FALSE(puzzle.LoadXml(PathOf("broken.xml")));
    EXPECT_FALSE(puzzle.LoadXml(PathOf("missing.xml")));
    EXPECT_EQ(puzzle.GetBlocks().size(), 2u);

    // Nested deeper than the parser's stack would take.
    {
        std::string deep = "<puzzle>";
        for (int i = 0; i < 100000; ++i)
        {
            deep += "<a>";
        }
        WriteFile("deep.xml", deep + "</puzzle>");
        Platform::DebugOutputCapture capture;
        EXPECT_FALSE(puzzle.LoadXml(PathOf("deep.xml")));
        EXPECT_NE(capture.Text().find("deep.xml"), std::string::npos);
    }
    EXPECT_EQ(puzzle.GetBlocks().size(), 2u);

    WriteFile("huge.xml",
              "<puzzle gridsizex=\"5\" gridsizey=\"2000000000\"><block type=\"normal\" id=\"1\"/></puzzle>");
    {
        Platform::DebugOutputCapture capture;
        EXPECT_FALSE(puzzle.LoadXml(PathOf("huge.xml")));
        EXPECT_NE(capture.Text().find("huge.xml"), std::string::npos);
        EXPECT_NE(capture.Text().find("2000000000"), std::string::npos);
    }
    EXPECT_EQ(puzzle.GetBlocks().size(), 2u);
    EXPECT_EQ(puzzle.GetWidth(), 4);

    WriteFile("unknown.xml", "<puzzle gridsizex=\"3\" gridsizey=\"3\"><block type=\"teleporter\" id=\"5\"/>"
                             "<block type=\"normal\" id=\"6\"><pos><x>2</x><y>1</y></pos>"
                             "<size><x>1</x><y>1</y></size></block></puzzle>");
    Platform::DebugOutputCapture capture;
    EXPECT_TRUE(puzzle.LoadXml(PathOf("unknown.xml")));
    EXPECT_NE(capture.Text().find("teleporter"), std::string::npos);
    ASSERT_EQ(puzzle.GetBlocks().size(), 1u);
    EXPECT_EQ(puzzle.GetBlocks()[0]->GetRect(), CRectF(2, 1, 3, 2));
}

TEST_F(PuzzleFiles, BadBinaryFilesAnswerFalseWithoutACrash)
{
    TestPuzzle source;
    BuildEveryKind(source);
    ASSERT_TRUE(source.SaveBinary(PathOf("every.blvl")));
    const std::string bytes = ReadFile("every.blvl");

    // Cut at every length: never a crash, false, the puzzle empty and consistent.
    for (size_t length = 0; length < bytes.size(); length += 7)
    {
        WriteFile("short.blvl", bytes.substr(0, length));
        CPuzzle puzzle;
        EXPECT_FALSE(puzzle.LoadBinary(PathOf("short.blvl"))) << length;
        EXPECT_TRUE(puzzle.GetBlocks().empty()) << length;
        EXPECT_TRUE(puzzle.GetGrid().CheckConsistency());
    }

    // A garbage block count.
    std::string huge = bytes;
    const size_t countOffset = 16 + 4 + 7 + 4 + 9 + 4 + 6; // after "desert2", "field_9x7", "desert"
    huge[countOffset] = '\x7f';
    WriteFile("count.blvl", huge);
    CPuzzle puzzle;
    EXPECT_FALSE(puzzle.LoadBinary(PathOf("count.blvl")));
    EXPECT_TRUE(puzzle.GetBlocks().empty());

    // A huge board.
    std::string wide = bytes;
    wide[0] = '\x40';
    WriteFile("wide.blvl", wide);
    Platform::DebugOutputCapture capture;
    EXPECT_FALSE(puzzle.LoadBinary(PathOf("wide.blvl")));
    EXPECT_NE(capture.Text().find("wide.blvl"), std::string::npos);

    // An unknown type: the rest cannot be read.
    std::string unknown = bytes;
    const size_t type = unknown.find("normal");
    unknown.replace(type, 6, "nornal");
    WriteFile("unknown.blvl", unknown);
    EXPECT_FALSE(puzzle.LoadBinary(PathOf("unknown.blvl")));
    EXPECT_TRUE(puzzle.GetBlocks().empty());
    EXPECT_FALSE(puzzle.LoadBinary(PathOf("missing.blvl")));
}

// A few kilobytes of blocks as large as the board, stacked: each is entered in every cell, so without a
// bound a small file takes gigabytes and minutes. Both forms give up early with a trace.
TEST_F(PuzzleFiles, BlocksStackedOverTheWholeBoardAreRefused)
{
    TestPuzzle stacked;
    stacked.ResizeBoard(200, 200);
    for (int i = 0; i < 20; ++i)
    {
        AddByType(stacked, "normal", 0, 0, 200, 200);
    }
    ASSERT_TRUE(stacked.SaveXml(PathOf("stacked.xml")));
    ASSERT_TRUE(stacked.SaveBinary(PathOf("stacked.blvl")));
    for (const char* name : {"stacked.xml", "stacked.blvl"})
    {
        Platform::DebugOutputCapture capture;
        CPuzzle puzzle;
        const bool xml = std::string(name).ends_with(".xml");
        EXPECT_FALSE(xml ? puzzle.LoadXml(PathOf(name)) : puzzle.LoadBinary(PathOf(name))) << name;
        EXPECT_NE(capture.Text().find(name), std::string::npos) << capture.Text();
        EXPECT_TRUE(puzzle.GetBlocks().empty()) << name;
        EXPECT_TRUE(puzzle.GetGrid().CheckConsistency()) << name;
    }

    // A real board covered once, walls and all, loads.
    TestPuzzle full;
    BuildEveryKind(full);
    for (int y = 0; y < 6; ++y)
    {
        for (int x = 0; x < 9; ++x)
        {
            AddByType(full, "normal", static_cast<float>(x), static_cast<float>(y));
        }
    }
    ASSERT_TRUE(full.SaveXml(PathOf("full.xml")));
    CPuzzle loaded;
    EXPECT_TRUE(loaded.LoadXml(PathOf("full.xml")));
}

TEST_F(PuzzleFiles, SavingIntoAMissingFolderAnswersFalse)
{
    TestPuzzle puzzle;
    BuildTwoBlocks(puzzle);
    const CRectF before = puzzle.GetBlocks()[0]->GetRect();
    Platform::DebugOutputCapture capture;
    EXPECT_FALSE(puzzle.SaveXml(PathOf("nowhere/p.xml")));
    EXPECT_FALSE(puzzle.SaveBinary(PathOf("nowhere/p.blvl")));
    EXPECT_NE(capture.Text().find("nowhere/p.blvl"), std::string::npos);
    EXPECT_EQ(puzzle.GetBlocks()[0]->GetRect(), before);
}

TEST(MetaBlockDescription, ReadsAndWritesItsElement)
{
    TiXmlDocument document;
    document.Parse("<metablockdescription name=\"corner\"><block type=\"normal\"/>"
                   "<block type=\"linked\" model=\"m1\" modelhorizontal=\"m1h\"/></metablockdescription>");
    CMetaBlockDescription description;
    description.GetParts().push_back({"flex", "kept"});
    description.Load(document.RootElement());
    EXPECT_EQ(description.GetName(), "corner");
    ASSERT_EQ(description.GetParts().size(), 3u);
    EXPECT_EQ(description.GetParts()[0].model, "kept");
    EXPECT_EQ(description.GetParts()[1].type, "normal");
    EXPECT_EQ(description.GetParts()[1].model, "");
    EXPECT_EQ(description.GetParts()[2].model, "m1h");

    TiXmlElement written("metablockdescription");
    description.SaveXml(&written);
    std::string text;
    BaseLib::XmlNodeToString(text, &written);
    EXPECT_NE(text.find("<block type=\"linked\" model=\"m1h\""), std::string::npos) << text;
    EXPECT_EQ(text.find("modelhorizontal"), std::string::npos);

    CMetaBlockDescription empty;
    empty.SetName("none");
    TiXmlElement bare("metablockdescription");
    empty.SaveXml(&bare);
    EXPECT_EQ(bare.FirstChildElement(), nullptr);
    EXPECT_STREQ(bare.Attribute("name"), "none");
    EXPECT_EQ(bare.FirstAttribute()->Next(), nullptr);

    // Copies keep the parts and the name.
    const CMetaBlockDescription copy = description;
    EXPECT_EQ(copy.GetParts().size(), 3u);
    EXPECT_EQ(copy.GetName(), "corner");
}

namespace
{

// Positions of an XML text that lie in element text or attribute values, where damage leaves the markup
// intact.
std::vector<size_t> ValuePositions(const std::string& text)
{
    std::vector<size_t> positions;
    bool inTag = false;
    bool inQuote = false;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (inQuote)
        {
            if (c == '"')
            {
                inQuote = false;
            }
            else
            {
                positions.push_back(i);
            }
        }
        else if (inTag)
        {
            inTag = c != '>';
            inQuote = c == '"';
        }
        else if (c == '<')
        {
            inTag = true;
        }
        else
        {
            positions.push_back(i);
        }
    }
    return positions;
}

} // namespace

// Seeded random damage to valid files of every kind: loading never crashes; it answers false, or gives a
// consistent puzzle that survives play steps and saves to a file that reads back the same. Most XML damage
// falls on element text and attribute values, so that the damaged numbers and names are read.
TEST_F(PuzzleFiles, DamagedFilesNeverCrashTheLoader)
{
    TestPuzzle source;
    BuildEveryKind(source);
    ASSERT_TRUE(source.SaveXml(PathOf("every.xml")));
    ASSERT_TRUE(source.SaveBinary(PathOf("every.blvl")));
    std::mt19937 random(20261210);
    const std::string noise = "0123456789-+.eExna \x7f\xff";
    for (const std::string name : {"every.xml", "every.blvl"})
    {
        const bool xml = name.ends_with(".xml");
        const std::string original = ReadFile(name);
        for (int round = 0; round < 500; ++round)
        {
            std::string bytes = original;
            for (int i = 1 + static_cast<int>(random() % 3); i > 0 && !bytes.empty(); --i)
            {
                size_t at = random() % bytes.size();
                if (xml && round % 8 != 0)
                {
                    const std::vector<size_t> positions = ValuePositions(bytes);
                    at = positions[random() % positions.size()];
                }
                switch (random() % 5)
                {
                case 0:
                    bytes[at] = static_cast<char>(random());
                    break;
                case 1:
                case 2:
                    bytes[at] = noise[random() % noise.size()];
                    break;
                case 3:
                    bytes.erase(at, 1 + random() % 4);
                    break;
                default:
                    bytes.insert(at, 1 + random() % 4, noise[random() % noise.size()]);
                    break;
                }
            }
            WriteFile("damaged", bytes);
            Platform::DebugOutputCapture quiet;
            TestPuzzle puzzle;
            const bool loaded =
                xml ? puzzle.LoadXml(PathOf("damaged")) : puzzle.LoadBinary(PathOf("damaged"));
            ASSERT_TRUE(puzzle.GetGrid().CheckConsistency()) << name << " round " << round;
            if (!loaded)
            {
                EXPECT_TRUE(xml || puzzle.GetBlocks().empty()) << name << " round " << round;
                continue;
            }
            for (int step = 0; step < 5; ++step)
            {
                puzzle.Update(0.05);
            }
            TestPuzzle reloaded;
            ASSERT_TRUE(xml ? puzzle.SaveXml(PathOf("first")) : puzzle.SaveBinary(PathOf("first")));
            ASSERT_TRUE(xml ? reloaded.LoadXml(PathOf("first")) : reloaded.LoadBinary(PathOf("first")))
                << name << " round " << round;
            ASSERT_TRUE(xml ? reloaded.SaveXml(PathOf("second")) : reloaded.SaveBinary(PathOf("second")));
            EXPECT_EQ(ReadFile("second"), ReadFile("first")) << name << " round " << round;
        }
    }
}
