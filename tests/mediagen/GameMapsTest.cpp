// The map step of the generator: the committed map and path files are what it makes of the map sources,
// and a source or route that breaks a rule stops that map with its file and line, writing nothing of it.
#include "mediagen/GameLevels.h"
#include "mediagen/MapFiles.h"
#include "mediagen/MapSource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

// tests/mediagen/data lies two folders below the repository.
const fs::path kRepository = fs::path(QUARROW_TEST_DATA_DIR).parent_path().parent_path().parent_path();

std::string Bytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class GameMapsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("mediagen_maps_" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "maps");
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Runs the map step over the committed level sources and the given map sources into m_folder/media;
    // answers what it printed on the error stream.
    std::string RunMapStep(const fs::path& mapSources, bool& written)
    {
        testing::internal::CaptureStderr();
        written = MediaGen::WriteMaps(MediaGen::LevelSourceFolder(), mapSources.string(), (m_folder / "media").string());
        return testing::internal::GetCapturedStderr();
    }

    fs::path m_folder;
};

TEST_F(GameMapsTest, RegeneratingTheMapsGivesTheCommittedMapAndPathFiles)
{
    bool written = false;
    const std::string errors = RunMapStep(MediaGen::MapSourceFolder(), written);
    ASSERT_TRUE(written) << errors;
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(m_folder / "media"))
    {
        if (entry.is_regular_file())
        {
            ++files;
            const fs::path relative = fs::relative(entry.path(), m_folder / "media");
            EXPECT_TRUE(Bytes(entry.path()) == Bytes(kRepository / "media" / relative)) << relative;
        }
    }
    // Four map files and four path files: the basic map has no layout, so the map step leaves it to the
    // level step.
    EXPECT_EQ(8, files);
}

// The level step writes the map files through the same writer: its map files keep their layouts.
TEST_F(GameMapsTest, TheMapFileOfTheLevelListCarriesTheLayoutOfItsSource)
{
    std::vector<std::string> levels;
    ASSERT_TRUE(MediaGen::ListRegionLevels(MediaGen::LevelSourceFolder(), "jungle", levels));
    ASSERT_EQ(36u, levels.size());
    EXPECT_EQ("jungle/36.xml", levels.back());
    const auto map = MediaGen::BuildMapFile("jungle", levels, MediaGen::MapSourceFolder());
    ASSERT_NE(nullptr, map);
    fs::create_directories(m_folder / "media" / "levels");
    ASSERT_TRUE(MediaGen::SaveMapFile((m_folder / "media").string(), "jungle", *map));
    EXPECT_TRUE(Bytes(m_folder / "media" / "levels" / "jungle.map.xml") ==
                Bytes(kRepository / "media" / "levels" / "jungle.map.xml"));
    // Without a source the map file has its list only.
    const auto bare = MediaGen::BuildMapFile("basic", {"basic/01.xml"}, MediaGen::MapSourceFolder());
    ASSERT_NE(nullptr, bare);
    EXPECT_EQ(0, bare->GetSize().cx);
    EXPECT_EQ(1, bare->GetLevelCount());
}

TEST_F(GameMapsTest, ABrokenSourceOrRouteStopsItsMapWithFileAndLineAndWritesNothingOfIt)
{
    const std::string goodMap = Bytes(MediaGen::MapSourceFolder() + "/jungle.txt");
    const std::string goodRoute = Bytes(MediaGen::MapSourceFolder() + "/jungle.route");
    // A map of three cells whose grid starts on line 3.
    const std::string head = "setting jungle\ngrid\n. . . . .\n\n";
    const std::string tail = "\n\n. . . . .\nlegend\n+ path\na puzzle level 1\n";
    const struct
    {
        const char* name;
        std::string map;
        std::string route;
        std::string message;
    } cases[] = {
        {"a passage into the border", head + "+-a-+-+ ." + tail, goodRoute,
         "jungle.txt:5: cell (0, 1): a passage leads into the border ring"},
        {"a level on two cells", head + ". a-+-a ." + tail, goodRoute,
         "jungle.txt:5: cell (3, 1): level 1 is on a cell of line 5 already"},
        {"an unknown legend character", head + ". a-Q-+ ." + tail, goodRoute, "jungle.txt:5: cell (2, 1): \"Q\" has no legend line"},
        {"a level missing", head + ". a-+-+ ." + tail, goodRoute, "jungle.txt:3: level 2 of 36 is on no cell"},
        {"a key short", Replaced(goodMap, "K key key A", "K key"), goodRoute,
         "jungle.txt:0: 2 locks take key A but only 1 cells give one"},
        {"a second start", Replaced(goodMap, "G exit exit 1", "G exit exit 0"), goodRoute,
         "jungle.txt:0: 2 exits have the id 0; the start is exactly one"},
        {"a third pylon", Replaced(goodMap, "J treasure treasure 25", "J treasure treasure 25 pylon"), goodRoute,
         "jungle.txt:0: 3 pylons; a map has two"},
        {"an unknown act in the route", goodMap, "# route\nwalk 2 8\n\njump 3 4\n",
         "jungle.route:4: unknown act \"jump\" (walk, play, open or leave)"},
        {"a route step off the map", goodMap, "walk 2 8\nplay 40 8\n",
         "jungle.route:2: the cell (40, 8) lies outside the map's interior"},
    };
    for (const auto& broken : cases)
    {
        SCOPED_TRACE(broken.name);
        fs::remove_all(m_folder / "media");
        std::ofstream(m_folder / "maps" / "jungle.txt", std::ios::binary) << broken.map;
        std::ofstream(m_folder / "maps" / "jungle.route", std::ios::binary) << broken.route;
        bool written = true;
        const std::string errors = RunMapStep(m_folder / "maps", written);
        EXPECT_FALSE(written);
        EXPECT_NE(std::string::npos, errors.find((m_folder / "maps").string() + "/" + broken.message)) << errors;
        EXPECT_FALSE(fs::exists(m_folder / "media" / "levels" / "jungle.map.xml"));
        EXPECT_FALSE(fs::exists(m_folder / "media" / "interface" / "map" / "jungle" / "junglepaths.raw"));
    }
}

// Rules of a cell's content that the map could not act on are refused where the legend states them.
TEST(MapSourceTest, RefusesTriggersTheCellCannotFireAndReadsTheCellsItCan)
{
    const std::string grid = "setting cave\ngrid\n. . . .\n\n. a-b .\n\n. . . .\nlegend\n";
    const struct
    {
        std::string legend;
        std::string message; // empty: accepted
    } cases[] = {
        {"a start exit 0 cutscene cave/arrival.xml entered\nb puzzle level 1 key C cutscene2 cave/x.xml solved\n",
         ""},
        {"a start exit 0\nb lock cutscene cave/x.xml solved\n", "t.txt:10: \"solved\" is a trigger of a cell with a level"},
        {"a start exit 0\nb lock lock A cutscene cave/x.xml opened\n", ""},
        {"a start exit 0\nb goldgate gold 5 cutscene cave/x.xml keymissing\n",
         "t.txt:10: \"keymissing\" is a trigger of a cell with a key lock"},
        {"a start exit 0\nb path cutscene cave/x.xml opened\n",
         "t.txt:10: \"opened\" is a trigger of a cell with a lock or a gold requirement"},
        {"a start exit 0\nb path treasure 256\n", "t.txt:10: \"treasure\" needs a number from 1 to 255"},
        {"a start exit 16\nb path\n", "t.txt:9: \"exit\" needs a number from 0 to 15"},
        {"a start exit 0\nb path action fly\n", "t.txt:10: \"action\" needs one of"},
    };
    for (const auto& entry : cases)
    {
        CEditableMap map;
        std::string error;
        const bool read = MediaGen::ParseMapSource("t.txt", grid + entry.legend, entry.legend.find("level") != std::string::npos ? 1 : 0, map, error);
        EXPECT_EQ(entry.message.empty(), read) << entry.legend << error;
        EXPECT_EQ(0u, error.find(entry.message)) << error;
    }
    CEditableMap map;
    std::string error;
    ASSERT_TRUE(MediaGen::ParseMapSource("t.txt", grid + cases[0].legend, 1, map, error)) << error;
    EXPECT_EQ(4, map.GetSize().cx);
    EXPECT_EQ("cave", map.GetSetting());
    const MapCell& start = map.GetCell(1, 1);
    const MapCell& level = map.GetCell(2, 1);
    EXPECT_EQ(MapCell::CanWalkEast, start.walkBits);
    EXPECT_EQ(0, level.walkBits);
    EXPECT_EQ(0, start.GetExitId());
    EXPECT_TRUE(start.IsExit());
    EXPECT_EQ(0, level.puzzle);
    EXPECT_EQ(MapCell::ProvidesKeyC | (1u << MapCell::Sequence2TriggerShift), level.flags);
    EXPECT_EQ("cave/x.xml", level.cutscene2);
    EXPECT_EQ(BaseLib::CPoint(1, 1), map.GetStartCell());
}

TEST(MapSourceTest, ARouteReadsActsAndCellsAndRefusesALineThatDoesNotParse)
{
    std::vector<MediaGen::RouteStep> steps;
    std::string error;
    ASSERT_TRUE(MediaGen::ParseMapRoute("r.route", "# start\nwalk 2 8\n\nplay 4 8\nopen 14 8\nleave 27 8\n", steps, error));
    ASSERT_EQ(4u, steps.size());
    EXPECT_EQ(MediaGen::RouteStep::Play, steps[1].act);
    EXPECT_EQ(4, steps[1].x);
    EXPECT_EQ(8, steps[1].y);
    EXPECT_EQ(4, steps[1].line);
    EXPECT_EQ(MediaGen::RouteStep::Leave, steps[3].act);
    const struct
    {
        const char* text;
        const char* message;
    } bad[] = {
        {"walk 2\n", "r.route:1: expected \"walk <x> <y>\" with the cell's grid coordinates"},
        {"walk 2 8\nopen 3 x\n", "r.route:2: expected \"open <x> <y>\""},
        {"play 1 2 3\n", "r.route:1: expected \"play <x> <y>\""},
        {"leave -1 2\n", "r.route:1: expected \"leave <x> <y>\""},
    };
    for (const auto& line : bad)
    {
        EXPECT_FALSE(MediaGen::ParseMapRoute("r.route", line.text, steps, error));
        EXPECT_EQ(0u, error.find(line.message)) << error;
    }
}

} // namespace
