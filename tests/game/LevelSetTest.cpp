// The committed level set as the game reads it: the map files' level lists, and every level played
// through the world from the recording of its shortest solution.
#include "engine/EngineController.h"
#include "foundation/PathAliases.h"
#include "game/GameContext.h"
#include "game/LevelList.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowWorld.h"
#include "game/map/Map.h"
#include "puzzle/EditablePuzzle.h"
#include "tests/engine/ResourceFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// The committed media, and the test folder whose replays/ holds the recorded solutions.
const fs::path kMedia = QUARROW_MEDIA_DIR;
const fs::path kTests = fs::path(QUARROW_TEST_DATA_DIR).parent_path();

// The aliases the game registers for its levels.
BaseLib::CPathAliases LevelAliases()
{
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("media", kMedia.string());
    aliases.RegisterPathAlias("level", "media>levels");
    return aliases;
}

TEST(LevelSetTest, EachMapFileGivesItsLevelsInOrderAndEveryOneExistsAsTheMapModelReadsThem)
{
    const BaseLib::CPathAliases aliases = LevelAliases();
    const struct
    {
        const char* region;
        size_t levels;
    } maps[] = {{"basic", 200}, {"jungle", 36}, {"swamp", 36}, {"cave", 36}, {"temple", 36}};
    for (int32_t index = 0; index < 5; ++index)
    {
        const std::vector<std::string> files = LoadLevelList(GetMapFileName(index), aliases);
        ASSERT_EQ(maps[index].levels, files.size()) << maps[index].region;
        for (size_t i = 0; i < files.size(); ++i)
        {
            const fs::path file = files[i];
            EXPECT_TRUE(fs::is_regular_file(file)) << file;
            EXPECT_EQ(maps[index].region, file.parent_path().filename()) << file;
            EXPECT_EQ((i < 9 ? "0" : "") + std::to_string(i + 1), file.stem()) << file;
        }
        // The map model reads the same list from the file, which has no cells of its own yet.
        CMap map;
        const std::string path = aliases.ResolvePath(GetMapFileName(index));
        ASSERT_TRUE(map.LoadXml(index, path)) << path;
        ASSERT_EQ(static_cast<int>(files.size()), map.GetLevelCount()) << path;
        for (int i = 0; i < map.GetLevelCount(); ++i)
        {
            EXPECT_EQ(aliases.ResolvePath("level>" + map.GetLevelFile(i)), files[static_cast<size_t>(i)]);
        }
    }
}

// The first levels of each list loaded by the world and played from their replays through the game input channel with user
// control on, a move at a time as a player makes it: the grab and the drag, world steps until nothing
// moves, the release, steps until rest. It ends solved (game state 3) with three stars, in no more moves
// than its shortest solution. The world runs on an engine device with the committed media behind the
// game's aliases, so the level's scene loads the real board, block and environment models.
class LevelReplayTest : public EngineTesting::ResourceFixture
{
protected:
    void SetUp() override
    {
        EngineTesting::ResourceFixture::SetUp();
        BaseLib::CPathAliases& aliases = controller.GetPathAliases();
        aliases.RegisterPathAlias("media", kMedia.string());
        for (const auto& [alias, folder] :
             {std::pair{"texture", "textures"}, std::pair{"xfl-texture", "textures"},
              std::pair{"shader", "shader"}, std::pair{"xfl-shader", "shader"}, std::pair{"model", "models"},
              std::pair{"animation", "animations"}, std::pair{"sound", "sounds"},
              std::pair{"level", "levels"}, std::pair{"environment", "environments"}})
        {
            aliases.RegisterPathAlias(alias, "media>" + std::string(folder));
        }
    }
};

TEST_F(LevelReplayTest, TheFirstReplaysOfEachListPlayedThroughTheWorldSolveTheirLevelsWithThreeStars)
{
    CQuarrowWorld world{&controller};
    world.Initialize();
    GameContext* context = world.GetGameContext();
    CQuarrowInputChannel* channel = world.GetGameInputChannel();
    ASSERT_NE(nullptr, channel);
    channel->SetUserControlEnabled(true);
    const BaseLib::CPathAliases& aliases = controller.GetPathAliases();
    int played = 0;
    for (int32_t index = 0; index < 5; ++index)
    {
        // The first three of each list: every level's replay is also played on the puzzle model alone
        // by the media checks, so the time here does not grow with the lists.
        std::vector<std::string> files = LoadLevelList(GetMapFileName(index), aliases);
        files.resize(std::min<size_t>(files.size(), 3));
        for (const std::string& file : files)
        {
            SCOPED_TRACE(file);
            const fs::path replay = kTests / "replays" / fs::path(file).parent_path().filename() /
                                    fs::path(file).filename().replace_extension(".replay");
            std::ifstream lines(replay);
            ASSERT_TRUE(lines.is_open()) << replay;
            context->SetState(GameContext::GameOpen);
            world.LoadLevel(file);
            CEditablePuzzle* puzzle = world.GetPuzzle();
            ASSERT_NE(nullptr, puzzle);
            ASSERT_GT(puzzle->GetMinSolveMoves(), 0);
            const auto settle = [&] {
                int steps = 0;
                do
                {
                    world.Step(0.02);
                } while (puzzle->IsMoving() && ++steps < 10000);
            };
            for (std::string line; std::getline(lines, line);)
            {
                int kind = -1;
                int id = -1;
                float x = 0.0f;
                float y = 0.0f;
                ASSERT_TRUE(std::istringstream(line) >> kind >> id >> x >> y) << line;
                ASSERT_EQ(GameContext::LevelRunning, context->GetState()) << "solved before " << line;
                if (kind == 0)
                {
                    channel->PushGrabBlock(id);
                    continue;
                }
                if (kind == 1)
                {
                    channel->PushMoveBlock(id, x, y);
                }
                else
                {
                    ASSERT_EQ(2, kind) << line;
                    channel->PushReleaseBlock(id);
                }
                settle();
            }
            EXPECT_EQ(GameContext::LevelSolved, context->GetState());
            EXPECT_EQ(3, puzzle->GetStars());
            EXPECT_LE(puzzle->GetMoveCount(), puzzle->GetMinSolveMoves());
            ++played;
        }
    }
    EXPECT_EQ(15, played);
    world.Shutdown();
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

} // namespace
