#pragma once

// The map editor's tests run the real game in the game harness on a small test map (data/levels/
// testland.map.xml, 4 x 3 cells inside the border, setting "testland", three levels):
//
//   (1, 1) exit 0, "grass", mood "clearing" - (2, 1) level 0, "path"  (3, 1) level 1   (4, 1) level 1, "nosuchtile"
//     |                                          |                      |
//   (1, 2) "grass", mood "river"            - (2, 2) pylon, treasure 3 - (3, 2) level 50, cut-scene
//                                               |
//                                             (2, 3) needs key A, action 3, triggers 2 and 4, 25 gold
//
// (2, 2) has passages on all four sides. The "interface" alias points at a folder that holds the game's
// own interface media with the test setting's tiles (grass, path, the map picture and "broken.png",
// which is no picture) and mood pictures (clearing, river: PNG data under ".jpg" names) added.

#include "game/QuarrowWorld.h"
#include "game/map/EditableMap.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/platform/TempFolder.h"

#include <filesystem>
#include <memory>
#include <string>

namespace MapEditorTesting
{

namespace fs = std::filesystem;

inline const fs::path& DataFolder()
{
    static const fs::path folder = QUARROW_TEST_DATA_DIR;
    return folder;
}

// target holds links to every entry of media, and of data where media has none; a folder both have is
// made and filled the same way.
inline void Overlay(const fs::path& media, const fs::path& data, const fs::path& target)
{
    fs::create_directories(target);
    if (fs::is_directory(media))
    {
        for (const fs::directory_entry& entry : fs::directory_iterator(media))
        {
            const fs::path name = entry.path().filename();
            if (entry.is_directory() && fs::is_directory(data / name))
            {
                Overlay(entry.path(), data / name, target / name);
            }
            else
            {
                fs::create_symlink(entry.path(), target / name);
            }
        }
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(data))
    {
        if (!fs::exists(fs::symlink_status(target / entry.path().filename())))
        {
            fs::create_symlink(entry.path(), target / entry.path().filename());
        }
    }
}

class MapEditorGameTest : public TempFolderTest
{
protected:
    void TearDown() override
    {
        game.reset();
        TempFolderTest::TearDown();
    }

    // The game (developer mode when asked) with the overlaid interface folder, the test's sequences
    // and the test map (or the given one of data/levels) under every map's name.
    void StartGame(bool developer = false, const std::string& mapFile = "testland.map.xml")
    {
        Overlay(QUARROW_MEDIA_DIR "/interface", DataFolder() / "interface", Root() / "interface");
        fs::create_directories(Root() / "levels");
        for (const char* name : {"basic", "jungle", "swamp", "cave", "temple"})
        {
            fs::copy_file(DataFolder() / "levels" / mapFile,
                          Root() / "levels" / (std::string(name) + ".map.xml"));
        }
        fs::copy_file(DataFolder() / "levels" / "wide.map.xml", Root() / "levels" / "wide.map.xml");
        fs::copy_file(DataFolder() / "levels" / "testland.map.xml", Root() / "levels" / "testland.map.xml");
        GameTesting::GameSettings settings;
        settings.renderer = "2d";
        settings.developer = developer;
        settings.aliases = {{"interface", (Root() / "interface").string()},
                            {"level", (Root() / "levels").string()},
                            {"sequence", (DataFolder() / "sequences").string()}};
        game = std::make_unique<GameTesting::GameHarness>(settings);
        ASSERT_TRUE(game->Start());
    }

    // The test map started in the world as map index 0, as the map screen's activation would.
    CEditableMap& StartTestMap()
    {
        game->World().StartMap((Root() / "levels" / "jungle.map.xml").string(), 0);
        CEditableMap* map = game->World().GetMap();
        EXPECT_NE(map, nullptr);
        return *map;
    }

    std::unique_ptr<GameTesting::GameHarness> game;
};

} // namespace MapEditorTesting
