// Reading and writing map files.

#include "tests/game/map/MapTestSupport.h"

#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace
{

struct ReaderCase
{
    const char* name;
    std::optional<std::string> text; // no file at all when empty
    bool result;
    BaseLib::CSize size;
    BaseLib::CPoint start;
    const char* trace; // expected in the trace; nullptr: nothing traced
};

void PrintTo(const ReaderCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string EmptyCells(int count)
{
    std::string cells;
    for (int i = 0; i < count; ++i)
    {
        cells += "<cell/>";
    }
    return cells;
}

const ReaderCase ReaderCases[] = {
    {"missing file", std::nullopt, false, {0, 0}, {0, 0}, "cannot be read"},
    {"not XML", std::string("<map>\n<levellist>\n<level id=\"1 file=\"a\"/>\n"), false, {0, 0}, {0, 0},
     "not XML"},
    {"root mapp", std::string("<mapp><levellist/></mapp>"), false, {0, 0}, {0, 0}, "\"mapp\", not \"map\""},
    {"no levellist", std::string("<map><layout sizex=\"2\" sizey=\"2\"/></map>"), false, {0, 0}, {0, 0},
     "has no \"levellist\""},
    {"no layout", MapFileText(nullptr, ""), true, {0, 0}, {0, 0}, nullptr},
    {"size 10 x 8", MapFileText("sizex=\"10\" sizey=\"8\"", EmptyCells(80)), true, {12, 10}, {0, 0}, nullptr},
    {"size 0", MapFileText("sizex=\"0\" sizey=\"0\"", ""), true, {2, 2}, {0, 0}, nullptr},
    {"largest size", MapFileText("sizex=\"126\" sizey=\"1\"", ""), true, {128, 3}, {0, 0}, nullptr},
    {"size -3", MapFileText("sizex=\"-3\" sizey=\"2\"", ""), false, {0, 0}, {0, 0}, "lies outside 0 .. 126"},
    {"size 100000", MapFileText("sizex=\"2\" sizey=\"100000\"", ""), false, {0, 0}, {0, 0},
     "lies outside 0 .. 126"},
    {"size 127", MapFileText("sizex=\"127\" sizey=\"1\"", ""), false, {0, 0}, {0, 0}, "lies outside 0 .. 126"},
    {"exit with id 3 starts", MapFileText("sizex=\"2\" sizey=\"2\"", "<cell/><cell/><cell/><cell flags=\"0x1c0\"/>"),
     true, {4, 4}, {2, 2}, nullptr},
    {"wb not a number", MapFileText("sizex=\"1\" sizey=\"1\"", "<cell\n wb=\"x\"/>"), true, {3, 3}, {0, 0},
     "line 7: the attribute \"wb\" of \"cell\" is not a number: \"x\""},
};

class MapReader : public MapFileTest, public testing::WithParamInterface<ReaderCase>
{
};

TEST_P(MapReader, GivesResultSizeStartAndTrace)
{
    const ReaderCase& c = GetParam();
    CMap map;
    Platform::DebugOutputCapture trace;
    const bool result = c.text ? Load(map, *c.text) : map.LoadXml(0, PathOf("missing.map.xml"));
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(map.GetSize(), c.size);
    EXPECT_EQ(map.GetStartCell(), c.start);
    const std::string traced = trace.Text();
    if (c.trace == nullptr)
    {
        EXPECT_EQ(traced, "");
    }
    else
    {
        EXPECT_NE(traced.find(c.trace), std::string::npos) << traced;
        // One line, naming the file.
        EXPECT_EQ(std::count(traced.begin(), traced.end(), '\n'), 1) << traced;
        EXPECT_NE(traced.find(c.text ? "test.map.xml" : "missing.map.xml"), std::string::npos) << traced;
    }
    // Whatever the file, the map answers its queries.
    for (int y = -1; y <= c.size.cy; ++y)
    {
        for (int x = -1; x <= c.size.cx; ++x)
        {
            (void)map.HasAnyPassage(x, y);
            (void)map.GetTileImageName(x, y);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, MapReader, testing::ValuesIn(ReaderCases),
                         [](const testing::TestParamInfo<ReaderCase>& info)
                         {
                             std::string name;
                             for (const char* p = info.param.name; *p != '\0'; ++p)
                             {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

TEST_F(MapFileTest, ParseErrorNamesItsLine)
{
    CMap map;
    Platform::DebugOutputCapture trace;
    EXPECT_FALSE(Load(map, "<map>\n<levellist>\n<level id=\"1 file=\"a\"/>\n"));
    EXPECT_NE(trace.Text().find("at line 3"), std::string::npos) << trace.Text();
}

TEST_F(MapFileTest, CellsFillTheInteriorRowByRowWithDefaultsAndBorder)
{
    // 3 x 2 interior; the first cell has no attributes, the third a bad "wb", the sixth is the last read,
    // the seventh is surplus.
    const std::string cells = "<cell/>\n"
                              "<cell wb=\"0x10f\" flags=\"64\" puzzle=\"0\" goldreq=\"7\" tile=\"t\" moodimg=\"m\" "
                              "cutscene=\"a.seq\" cutscene2=\"b.seq\"/>\n"
                              "<cell wb=\"x\" flags=\"2\"/>\n"
                              "<cell puzzle=\"-5\" tile=\"\"/>\n"
                              "<cell puzzle=\"010\"/>\n"
                              "<cell tile=\"last\"/>\n"
                              "<cell tile=\"surplus\"/>\n";
    CMap map;
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"3\" sizey=\"2\"", cells, "swamp")));
    ASSERT_EQ(map.GetSize(), BaseLib::CSize(5, 4));
    EXPECT_EQ(map.GetSetting(), "swamp");

    const MapCell defaults;
    EXPECT_EQ(map.GetCell(1, 1), defaults);
    EXPECT_EQ(defaults.puzzle, -1);
    EXPECT_EQ(defaults.tile, "empty");
    EXPECT_EQ(defaults.fogMask, 15);
    EXPECT_EQ(defaults.searchMark, -1);
    EXPECT_EQ(defaults.walkBits, 0);
    EXPECT_EQ(defaults.flags, 0u);

    const MapCell& full = map.GetCell(2, 1);
    EXPECT_EQ(full.walkBits, 0x0f); // low 8 bits
    EXPECT_EQ(full.flags, 64u);
    EXPECT_EQ(full.puzzle, 0);
    EXPECT_TRUE(full.HasPuzzle());
    EXPECT_EQ(full.goldreq, 7);
    EXPECT_EQ(full.tile, "t");
    EXPECT_EQ(full.moodimg, "m");
    EXPECT_EQ(full.cutscene, "a.seq");
    EXPECT_EQ(full.cutscene2, "b.seq");

    EXPECT_EQ(map.GetCell(3, 1).walkBits, 0);
    EXPECT_EQ(map.GetCell(3, 1).flags, 2u);
    EXPECT_EQ(map.GetCell(1, 2).puzzle, -1);
    EXPECT_FALSE(map.GetCell(1, 2).HasPuzzle());
    EXPECT_EQ(map.GetCell(1, 2).tile, "");
    EXPECT_EQ(map.GetCell(2, 2).puzzle, 8); // "%i" reads a leading zero as octal
    EXPECT_EQ(map.GetCell(3, 2).tile, "last");
    for (int y = 0; y < 4; ++y)
    {
        for (int x = 0; x < 5; ++x)
        {
            if (x == 0 || y == 0 || x == 4 || y == 3)
            {
                EXPECT_EQ(map.GetCell(x, y), defaults) << x << ", " << y;
            }
        }
    }
}

TEST_F(MapFileTest, LevelsAreIndexedByPlaceNotId)
{
    CMap map;
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"1\" sizey=\"1\"", "",  "basic",
                                      "<level id=\"5\" file=\"e.xml\"/><level id=\"2\" file=\"b.xml\"/>"
                                      "<level id=\"9\"/>")));
    ASSERT_EQ(map.GetLevelCount(), 3);
    EXPECT_EQ(map.GetLevelFile(0), "e.xml");
    EXPECT_EQ(map.GetLevelFile(1), "b.xml");
    EXPECT_EQ(map.GetLevelFile(2), "");
    EXPECT_EQ(map.GetLevelFile(3), "");
    EXPECT_EQ(map.GetLevelFile(-1), "");
}

TEST_F(MapFileTest, LoadStoresNameAndIndexAndPutsFigureOnStart)
{
    CMap map;
    EXPECT_EQ(map.GetMapIndex(), -1);
    EXPECT_EQ(map.GetPlayerPosition(), BaseLib::CVector2(0.5f, 0.5f));
    WriteFile("jungle.map.xml", MapFileText("sizex=\"2\" sizey=\"1\"", "<cell/><cell flags=\"0x40\"/>"));
    ASSERT_TRUE(map.LoadXml(3, PathOf("jungle.map.xml")));
    EXPECT_EQ(map.GetMapIndex(), 3);
    EXPECT_EQ(map.GetName(), PathOf("jungle.map.xml"));
    EXPECT_EQ(map.GetStartCell(), BaseLib::CPoint(2, 1));
    EXPECT_EQ(map.GetPlayerPosition(), BaseLib::CVector2(2.5f, 1.5f));
    EXPECT_EQ(map.GetPlayerCell(), BaseLib::CPoint(2, 1));
}

TEST_F(MapFileTest, RefusedFileAfterGoodOneLeavesNoStaleCells)
{
    CMap map;
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"4\" sizey=\"4\"", "<cell wb=\"3\"/>")));
    EXPECT_FALSE(Load(map, MapFileText("sizex=\"4\" sizey=\"-1\"", ""), "second.map.xml"));
    EXPECT_EQ(map.GetSize(), BaseLib::CSize(0, 0));
    EXPECT_EQ(map.GetLevelCount(), 0);
    EXPECT_FALSE(map.HasAnyPassage(1, 1));
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"1\" sizey=\"1\"", "")));
    EXPECT_FALSE(Load(map, "<map/>", "second.map.xml"));
    EXPECT_EQ(map.GetSize(), BaseLib::CSize(0, 0));
}

// Every walk bit and flag bit, puzzles, gold, texts: written and read back equal.
TEST_F(MapFileTest, SavedMapReadsBackEqual)
{
    TestMap map;
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"4\" sizey=\"3\"", "", "jungle",
                                      "<level id=\"5\" file=\"jungle/01.xml\"/><level id=\"2\" file=\"jungle/02.blvl\"/>"
                                      "<level id=\"9\" file=\"jungle/03.xml\"/>")));
    int bit = 0;
    for (int y = 1; y <= 3; ++y)
    {
        for (int x = 1; x <= 4; ++x, ++bit)
        {
            MapCell& cell = map.GetCell(x, y);
            cell.walkBits = static_cast<std::uint8_t>(1u << (bit % 8));
            cell.flags = (1u << (bit % 31)) | (bit + 12 < 31 ? 1u << (bit + 12) : 0u);
            cell.puzzle = bit % 4 == 0 ? bit / 4 : -1;
            cell.goldreq = bit % 3 == 0 ? 0 : bit * 10;
            cell.tile = bit % 5 == 0 ? "empty" : "tile" + std::to_string(bit);
            cell.moodimg = bit % 2 == 0 ? "" : "mood" + std::to_string(bit);
            cell.cutscene = bit % 3 == 1 ? "seq" + std::to_string(bit) : "";
            cell.cutscene2 = bit % 4 == 2 ? "seq2_" + std::to_string(bit) : "";
        }
    }
    map.GetCell(2, 2).flags = 0x7FFFFFFFu;
    map.GetCell(3, 2).walkBits = 0xFF;
    // The running game's fields are never written.
    map.GetCell(1, 1).state = 0x1FF;
    map.GetCell(1, 1).fogMask = 3;
    map.GetCell(1, 1).searchMark = 4;

    ASSERT_TRUE(map.SaveXml(PathOf("saved.map.xml")));
    EXPECT_EQ(map.GetName(), PathOf("saved.map.xml"));
    CMap back;
    ASSERT_TRUE(back.LoadXml(1, PathOf("saved.map.xml")));
    ASSERT_EQ(back.GetSize(), BaseLib::CSize(6, 5));
    EXPECT_EQ(back.GetSetting(), "jungle");
    ASSERT_EQ(back.GetLevelCount(), 3);
    EXPECT_EQ(back.GetLevelFile(0), "jungle/01.xml");
    EXPECT_EQ(back.GetLevelFile(1), "jungle/02.blvl");
    EXPECT_EQ(back.GetLevelFile(2), "jungle/03.xml");
    // Bit 6 of the cell (3, 2) is the exit with the lowest id, 0.
    EXPECT_EQ(back.GetStartCell(), BaseLib::CPoint(3, 2));
    MapCell& original = map.GetCell(1, 1);
    original.state = 0;
    original.fogMask = 15;
    original.searchMark = -1;
    for (int y = 0; y < 5; ++y)
    {
        for (int x = 0; x < 6; ++x)
        {
            EXPECT_EQ(back.GetCell(x, y), map.GetCell(x, y)) << x << ", " << y;
        }
    }

    const std::string text = ReadFile("saved.map.xml");
    EXPECT_EQ(text.rfind("<map>\n\t<levellist>\n"
                         "\t\t<level id=\"1\" file=\"jungle/01.xml\"/>\n"
                         "\t\t<level id=\"2\" file=\"jungle/02.blvl\"/>\n"
                         "\t\t<level id=\"3\" file=\"jungle/03.xml\"/>\n"
                         "\t</levellist>\n"
                         "\t<layout sizex=\"4\" sizey=\"3\">\n"
                         "\t\t<setting name=\"jungle\"/>\n"
                         "\t\t<cell wb=\"1\" flags=\"4097\" puzzle=\"0\" goldreq=\"0\" tile=\"empty\" moodimg=\"\" "
                         "cutscene=\"\" cutscene2=\"\"/>\n"
                         "\t\t<cell wb=\"2\" flags=\"8194\" puzzle=\"-1\" goldreq=\"10\" tile=\"tile1\" moodimg=\"mood1\" "
                         "cutscene=\"seq1\" cutscene2=\"\"/>\n",
                         0),
              0u)
        << text;
}

TEST_F(MapFileTest, CellTextsAreEscapedAndReadBack)
{
    CEditableMap map;
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"1\" sizey=\"1\"", "")));
    map.GetCell(1, 1).cutscene = "a&b \"c\" <d>";
    ASSERT_TRUE(map.SaveXml(PathOf("saved.map.xml")));
    CMap back;
    ASSERT_TRUE(back.LoadXml(0, PathOf("saved.map.xml")));
    EXPECT_EQ(back.GetCell(1, 1).cutscene, "a&b \"c\" <d>");
}

TEST_F(MapFileTest, MapWithoutCellsSavesWithoutLayoutAndReadsBackEmpty)
{
    CEditableMap map;
    ASSERT_TRUE(Load(map, MapFileText(nullptr, "")));
    ASSERT_TRUE(map.SaveXml(PathOf("saved.map.xml")));
    EXPECT_EQ(ReadFile("saved.map.xml").find("layout"), std::string::npos);
    CMap back;
    EXPECT_TRUE(back.LoadXml(0, PathOf("saved.map.xml")));
    EXPECT_EQ(back.GetSize(), BaseLib::CSize(0, 0));
    EXPECT_EQ(back.GetLevelCount(), 1);
}

TEST_F(MapFileTest, SaveIntoMissingFolderFailsWithTrace)
{
    CEditableMap map;
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"1\" sizey=\"1\"", "")));
    Platform::DebugOutputCapture trace;
    const std::string path = PathOf("nowhere/saved.map.xml");
    EXPECT_FALSE(map.SaveXml(path));
    EXPECT_NE(trace.Text().find(path), std::string::npos) << trace.Text();
}

TEST_F(MapFileTest, ClearCellsKeepsSizeAndPutsFigureOnStart)
{
    CEditableMap map;
    ASSERT_TRUE(Load(map, MapFileText("sizex=\"2\" sizey=\"1\"", "<cell wb=\"3\" tile=\"x\"/><cell flags=\"64\"/>")));
    map.GetCell(1, 1).state = MapCell::StateRevealed;
    map.ClearCells();
    EXPECT_EQ(map.GetSize(), BaseLib::CSize(4, 3));
    for (int y = 0; y < 3; ++y)
    {
        for (int x = 0; x < 4; ++x)
        {
            EXPECT_EQ(map.GetCell(x, y), MapCell());
        }
    }
    EXPECT_EQ(map.GetPlayerPosition(), BaseLib::CVector2(2.5f, 1.5f));
}

} // namespace
