// A level's surroundings: environment files, the defaults that replace missing media names, the lights
// built from the environment, and the whole level scene that "StartLevel" builds and "ShutLevel" takes
// down, with the arrow markers the cut-scenes show through the input channel.
#include "WorldFixture.h"
#include "engine/Camera.h"
#include "engine/ModelFactory.h"
#include "framework/LightSourceNode.h"
#include "framework/ModelNode.h"
#include "framework/SceneManager.h"
#include "game/EnvironmentDescription.h"
#include "game/LevelList.h"
#include "game/PuzzleResourceDefaults.h"
#include "game/QuarrowInputChannel.h"
#include "game/puzzle/ArrowMarkerEntityNode.h"
#include "game/puzzle/PuzzleEntityNode.h"
#include "platform/os/DebugOutput.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/media/MediaFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using BaseLib::CVector3;

bool Near(const CVector3& a, const CVector3& b, float tolerance = 1e-5f)
{
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
           std::fabs(a.z - b.z) <= tolerance;
}

int CountLines(const std::string& text, const std::string& part)
{
    int lines = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
    {
        lines += line.find(part) != std::string::npos;
    }
    return lines;
}

class EnvironmentFileTest : public TempFolderTest
{
};

TEST_F(EnvironmentFileTest, FilesReadAsTheirElementsSayWithDefaultsForWhatIsMissingOrUnusable)
{
    const LightDescription kept{{0.0f, 0.0f, 1.0f}, {0.5f, 0.5f, 0.5f}, false};
    const std::vector<LightDescription> before{kept};
    const LightDescription plain; // (0, 1, 0), white, shadow
    struct Case
    {
        const char* name;
        const char* text;
        bool loads;
        const char* model;
        const char* sequence;
        std::vector<LightDescription> lights;
        int traces; // lines naming the file
    };
    const Case cases[] = {
        {"full",
         "<environment><model name=\"env_basic.x\"/><sequence name=\"intro\"/><lights>"
         "<light dir=\"0 0 -2\" color=\"1 0.5 0.25\" shadow=\"false\"/><light/></lights></environment>",
         true,
         "env_basic.x",
         "intro",
         {{{0.0f, 0.0f, -1.0f}, {1.0f, 0.5f, 0.25f}, false}, plain},
         0},
        {"nolights", "<environment><model name=\"m\"/></environment>", true, "m", "", {}, 0},
        {"emptylights", "<environment><lights/></environment>", true, "", "", {}, 0},
        {"wrongroot", "<environmnt><model name=\"m\"/><lights><light/></lights></environmnt>", false, "", "",
         before, 0},
        {"notxml", "<environment><model", false, "", "", before, 0},
        {"shadows",
         "<environment><lights><light shadow=\"YES\"/><light shadow=\"0\"/><light shadow=\"On\"/><light/>"
         "</lights></environment>",
         true,
         "",
         "",
         {plain, {plain.direction, plain.colour, false}, {plain.direction, plain.colour, false}, plain},
         0},
        {"baddirs",
         "<environment><lights><light dir=\"0 0 0\"/><light dir=\"nan nan nan\"/><light dir=\"inf 0 0\"/>"
         "<light dir=\"1 2\" color=\"0 1\"/><light dir=\"3 0 4\"/></lights></environment>",
         true,
         "",
         "",
         {plain, plain, plain, plain, {{0.6f, 0.0f, 0.8f}, plain.colour, true}},
         3},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string file = std::string(c.name) + ".xml";
        WriteFile(file, c.text);
        EnvironmentDescription description;
        description.modelName = "old";
        description.sequenceName = "old";
        description.lights = before;
        Platform::DebugOutputCapture capture;
        EXPECT_EQ(c.loads, LoadEnvironmentDescription(description, PathOf(file)));
        EXPECT_EQ(PathOf(file), description.fileName);
        EXPECT_EQ(c.model, description.modelName);
        EXPECT_EQ(c.sequence, description.sequenceName);
        ASSERT_EQ(c.lights.size(), description.lights.size());
        for (std::size_t i = 0; i < c.lights.size(); ++i)
        {
            SCOPED_TRACE(i);
            EXPECT_TRUE(Near(c.lights[i].direction, description.lights[i].direction))
                << description.lights[i].direction.ToString();
            EXPECT_TRUE(Near(c.lights[i].colour, description.lights[i].colour));
            EXPECT_EQ(c.lights[i].shadow, description.lights[i].shadow);
        }
        EXPECT_EQ(c.traces, CountLines(capture.Text(), PathOf(file))) << capture.Text();
    }
    // A file that is not there fails the same way.
    EnvironmentDescription description;
    description.lights = before;
    EXPECT_FALSE(LoadEnvironmentDescription(description, PathOf("absent.xml")));
    EXPECT_EQ(1u, description.lights.size());
}

TEST(EnvironmentModelFileTest, EmptyNamesLoadNothingAndBareNamesGetTheModelExtension)
{
    EXPECT_EQ("", EnvironmentModelFile(""));
    EXPECT_EQ("model>jungle_env.x", EnvironmentModelFile("jungle_env"));
    EXPECT_EQ("model>jungle_env.x", EnvironmentModelFile("jungle_env.x"));
    EXPECT_EQ("model>env.v2/jungle.x", EnvironmentModelFile("env.v2/jungle"));
}

// A media folder of the test's own: gfx sets "gs_plastic" and "jungle" with a board and one block model
// each, and the environment "jungle1".
class ResourceDefaultsTest : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        aliases.RegisterPathAlias("model", PathOf("models"));
        aliases.RegisterPathAlias("environment", PathOf("environments"));
        for (const char* file :
             {"models/gs_plastic/field_6x6.x", "models/jungle/field_6x6.x", "models/jungle/field_8x6.x",
              "models/jungle/blk_red.x", "models/jungle/blk_default.x", "environments/jungle1.xml",
              "environments/swamp1.xml"})
        {
            WriteFile(file, "x");
        }
    }

    void Name(const char* gfx, const char* board, const char* environment, std::vector<std::string> blocks)
    {
        puzzle.SetGfxSetName(gfx);
        puzzle.SetBoardName(board);
        puzzle.SetEnvironmentName(environment);
        blocks.resize(puzzle.GetBlocks().size());
        for (std::size_t i = 0; i < blocks.size(); ++i)
        {
            puzzle.GetBlocks()[i]->SetModelName(blocks[i]);
        }
    }

    std::vector<std::string> BlockModels() const
    {
        std::vector<std::string> names;
        for (const CBlock* block : puzzle.GetBlocks())
        {
            names.push_back(block->GetModelName());
        }
        return names;
    }

    BaseLib::CPathAliases aliases;
    CEditablePuzzle puzzle;
};

TEST_F(ResourceDefaultsTest, MissingNamesGetDefaultsThatExistAndPresentOnesStay)
{
    WriteFile("grid.txt", GameTesting::kGrid);
    ASSERT_TRUE(puzzle.BuildFromCharGrid(PathOf("grid.txt")));
    ASSERT_GE(puzzle.GetBlocks().size(), 3u);
    const std::vector<std::string> both{"gs_plastic", "jungle"};
    struct Case
    {
        const char* name;
        std::vector<std::string> gfxSets;
        const char* gfx;
        const char* board;
        const char* environment;
        std::vector<std::string> blocks;
        const char* gfxAfter;
        const char* boardAfter;
        const char* environmentAfter;
        std::vector<std::string> blocksAfter;
    };
    const Case cases[] = {
        {"unknown gfx, gs_plastic first",
         both,
         "cave",
         "field_8x6",
         "swamp1",
         {"blk_red"},
         "jungle",
         "field_8x6",
         "swamp1",
         {"blk_red"}},
        {"unknown gfx, gs_plastic alone",
         {"gs_plastic"},
         "cave",
         "field_8x6",
         "swamp1",
         {"blk_red"},
         "gs_plastic",
         "field_6x6",
         "swamp1",
         {"blk_default"}},
        {"unknown gfx, another first",
         {"jungle", "gs_plastic"},
         "",
         "field_6x6",
         "swamp1",
         {},
         "jungle",
         "field_6x6",
         "swamp1",
         {}},
        {"no gfx sets",
         {},
         "cave",
         "field_8x6",
         "swamp1",
         {"blk_red"},
         "cave",
         "field_6x6",
         "swamp1",
         {"blk_default"}},
        {"missing board", both, "jungle", "field_9x9", "swamp1", {}, "jungle", "field_6x6", "swamp1", {}},
        {"missing environment",
         both,
         "jungle",
         "field_6x6",
         "lava3",
         {},
         "jungle",
         "field_6x6",
         "jungle1",
         {}},
        {"missing block models",
         both,
         "jungle",
         "field_6x6",
         "swamp1",
         {"blk_gone", "", "blk_red"},
         "jungle",
         "field_6x6",
         "swamp1",
         {"blk_default", "", "blk_red"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Name(c.gfx, c.board, c.environment, c.blocks);
        std::vector<std::string> expected = c.blocksAfter;
        expected.resize(puzzle.GetBlocks().size());
        ApplyPuzzleResourceDefaults(puzzle, c.gfxSets, aliases);
        EXPECT_EQ(c.gfxAfter, puzzle.GetGfxSetName());
        EXPECT_EQ(c.boardAfter, puzzle.GetBoardName());
        EXPECT_EQ(c.environmentAfter, puzzle.GetEnvironmentName());
        EXPECT_EQ(expected, BlockModels());
    }
    // Everything present: no setter runs, so the change number stays.
    Name("jungle", "field_8x6", "swamp1", {"blk_red", "", "blk_default"});
    const auto change = puzzle.GetChangeNumber();
    ApplyPuzzleResourceDefaults(puzzle, both, aliases);
    EXPECT_EQ(change, puzzle.GetChangeNumber());
    EXPECT_EQ("field_8x6", puzzle.GetBoardName());
    // A default that is missing itself is kept, and not replaced by anything else.
    fs::remove(PathOf("models/jungle/field_6x6.x"));
    fs::remove(PathOf("environments/jungle1.xml"));
    Name("jungle", "field_6x6", "jungle1", {});
    const auto change2 = puzzle.GetChangeNumber();
    ApplyPuzzleResourceDefaults(puzzle, both, aliases);
    EXPECT_EQ(change2, puzzle.GetChangeNumber());
}

// The lights of the environment "jungle1" of the test's own folder, built by a level start.
class LevelLightsTest : public GameTesting::WorldFixture
{
};

TEST_F(LevelLightsTest, EachLightHangsInAnOrthonormalFrameWhoseThirdRowIsItsDirection)
{
    controller.GetPathAliases().RegisterPathAlias("environment", PathOf("environments"));
    const float s = 1.0f / std::sqrt(3.0f);
    const std::vector<CVector3> directions{{1, 0, 0}, {-1, 0, 0}, {0, 0, -1}, {s, -s, s}, {0, 1, 0}};
    std::string text = "<environment><lights>";
    for (std::size_t i = 0; i < directions.size(); ++i)
    {
        const CVector3& d = directions[i];
        text += "<light dir=\"" + std::to_string(d.x * 2) + " " + std::to_string(d.y * 2) + " " +
                std::to_string(d.z * 2) + "\" color=\"0.25 0.5 " +
                std::to_string(0.1 * static_cast<double>(i)) + "\" shadow=\"" +
                (i % 2 == 0 ? "true" : "false") + "\"/>";
    }
    WriteFile("environments/jungle1.xml", text + "</lights></environment>");
    world.LoadLevel(PathOf("grid.txt"));
    ASSERT_NE(nullptr, world.GetPuzzle());
    ASSERT_EQ("jungle1", world.GetPuzzle()->GetEnvironmentName());
    GameLib::CTransformNode* lights = world.GetLightsNode();
    ASSERT_NE(nullptr, lights);
    EXPECT_EQ(world.GetSceneManager()->GetRootNode(), lights->GetParent());
    ASSERT_EQ(directions.size(), lights->GetChildCount());
    for (std::size_t i = 0; i < directions.size(); ++i)
    {
        SCOPED_TRACE(directions[i].ToString());
        auto* frame = static_cast<GameLib::CTransformNode*>(lights->GetChild(i));
        ASSERT_TRUE(frame->IsKindOf(typeid(GameLib::CTransformNode)));
        const BaseLib::CMatrix& m = frame->GetLocalTransform();
        CVector3 rows[3];
        for (int r = 0; r < 3; ++r)
        {
            rows[r] = {m.m[r][0], m.m[r][1], m.m[r][2]};
            EXPECT_EQ(0.0f, m.m[r][3]);
            EXPECT_NEAR(1.0f, rows[r].Length(), 1e-5f);
        }
        EXPECT_NEAR(0.0f, rows[0].Dot(rows[1]), 1e-5f);
        EXPECT_NEAR(0.0f, rows[0].Dot(rows[2]), 1e-5f);
        EXPECT_NEAR(0.0f, rows[1].Dot(rows[2]), 1e-5f);
        EXPECT_TRUE(Near(directions[i], rows[2])) << rows[2].ToString();
        EXPECT_EQ(1.0f, m.m[3][3]);
        EXPECT_TRUE(Near(CVector3(0, 0, 0), {m.m[3][0], m.m[3][1], m.m[3][2]}));
        ASSERT_EQ(1u, frame->GetChildCount());
        auto* source = static_cast<GameLib::CLightSourceNode*>(frame->GetChild(0));
        ASSERT_TRUE(source->IsKindOf(typeid(GameLib::CLightSourceNode)));
        const Qen::CLightDescription& light = *source->GetLight();
        EXPECT_EQ(0, light.type);
        EXPECT_TRUE(Near(CVector3(0.25f, 0.5f, 0.1f * static_cast<float>(i)), light.colour));
        EXPECT_EQ(i % 2 == 0, light.castsShadows);
        // The renderer reads the direction from the world matrix.
        EXPECT_TRUE(Near(directions[i], light.direction)) << light.direction.ToString();
    }
    EXPECT_EQ("animation>camera_" + world.GetPuzzle()->GetGfxSetName() + "_" +
                  world.GetPuzzle()->GetBoardName() + ".x",
              world.GetCameraAnimationName());
    world.ShutLevel();
    EXPECT_EQ(nullptr, world.GetLightsNode());
    EXPECT_EQ(0u, world.GetSceneManager()->GetRootNode()->GetChildCount());
    EXPECT_EQ("", world.GetCameraAnimationName());
}

// The file a model node's model was loaded from; empty without a model.
std::string ModelFile(const GameLib::CModelNode& node)
{
    const BaseLib::CResourcePtr<Qen::CModel> model = node.GetModel();
    if (!model || model->GetParameters() == nullptr)
    {
        return "";
    }
    return static_cast<const Qen::CModelFactory::TModelParameters*>(model->GetParameters())->fileName;
}

// The committed levels in a world on a real device with the game's aliases.
class LevelSceneTest : public MediaTesting::MediaFixture
{
protected:
    void SetUp() override
    {
        MediaTesting::MediaFixture::SetUp();
        controller.GetPathAliases().RegisterPathAlias("level",
                                                      MediaTesting::MediaFolder().string() + "/levels");
        GameTesting::RecordingSoundDevice::Install();
        world.Initialize();
        context = world.GetGameContext();
        root = world.GetSceneManager()->GetRootNode();
    }
    void TearDown() override
    {
        world.Shutdown();
        GameTesting::RecordingSoundDevice::Uninstall();
        MediaTesting::MediaFixture::TearDown();
    }

    void Command(const char* name, const std::string& argument = "")
    {
        world.GetCommandQueue()->PostCommand(name, argument);
        world.ProcessCommands();
    }

    std::vector<GameLib::CSceneGraphNode*> RootChildren() const
    {
        std::vector<GameLib::CSceneGraphNode*> children;
        for (std::size_t i = 0; i < root->GetChildCount(); ++i)
        {
            children.push_back(root->GetChild(i));
        }
        return children;
    }

    // The level's nodes as the root holds them: environment model, lights, puzzle, markers detached.
    void ExpectLevelScene(const std::vector<GameLib::CSceneGraphNode*>& before)
    {
        std::vector<GameLib::CSceneGraphNode*> expected = before;
        expected.push_back(world.GetEnvironmentNode());
        expected.push_back(world.GetLightsNode());
        expected.push_back(world.GetPuzzleNode());
        EXPECT_EQ(expected, RootChildren());
        EXPECT_NE(nullptr, world.GetEnvironmentNode());
        EXPECT_NE(nullptr, world.GetLightsNode());
        EXPECT_NE(nullptr, world.GetPuzzleNode());
        for (int marker : {0, 1})
        {
            ASSERT_NE(nullptr, world.GetArrowMarker(marker));
            EXPECT_EQ(nullptr, world.GetArrowMarker(marker)->GetParent());
        }
        EXPECT_EQ(world.GetEnvironment().lights.size(), world.GetLightsNode()->GetChildCount());
        EXPECT_EQ(GameContext::LevelRunning, context->GetState());
    }

    CQuarrowWorld world{&controller};
    GameContext* context = nullptr;
    GameLib::CTransformNode* root = nullptr;
};

TEST_F(LevelSceneTest, EveryLevelStartsWithItsWholeSceneAndShutsBackToTheRootItHadWithoutAMissingFile)
{
    // A node of another owner stays through every level.
    GameLib::CTransformNode* other = GameLib::CTransformNode::Create();
    root->AddChild(other);
    const std::vector<GameLib::CSceneGraphNode*> before = RootChildren();
    Platform::DebugOutputCapture capture;
    int levels = 0;
    for (int32_t index = 0; index < 5; ++index)
    {
        for (const std::string& file : LoadLevelList(GetMapFileName(index), controller.GetPathAliases()))
        {
            SCOPED_TRACE(file);
            context->SetState(GameContext::GameOpen);
            Command("StartLevel", file);
            ASSERT_NE(nullptr, world.GetPuzzle());
            ExpectLevelScene(before);
            const EnvironmentDescription& environment = world.GetEnvironment();
            EXPECT_EQ(controller.GetPathAliases().ResolvePath(
                          "environment>" + world.GetPuzzle()->GetEnvironmentName() + ".xml"),
                      environment.fileName);
            EXPECT_FALSE(environment.lights.empty());
            EXPECT_EQ(EnvironmentModelFile(environment.modelName), ModelFile(*world.GetEnvironmentNode()));
            EXPECT_NE("", ModelFile(*world.GetEnvironmentNode()));
            world.Step(0.02);
            Command("ShutLevel");
            EXPECT_EQ(before, RootChildren());
            EXPECT_EQ(GameContext::GameOpen, context->GetState());
            EXPECT_EQ(nullptr, world.GetPuzzle());
            EXPECT_EQ(nullptr, world.GetPuzzleNode());
            EXPECT_EQ(nullptr, world.GetEnvironmentNode());
            EXPECT_EQ(nullptr, world.GetLightsNode());
            EXPECT_EQ(nullptr, world.GetArrowMarker(0));
            EXPECT_EQ(nullptr, world.GetArrowMarker(1));
            ++levels;
        }
    }
    EXPECT_EQ(344, levels);
    std::string lowered = capture.Text();
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    for (const char* fault : {"could not", "cannot", "missing", "not found", "no such"})
    {
        EXPECT_EQ(0, CountLines(lowered, fault)) << fault << "\n" << capture.Text();
    }
    EXPECT_EQ(std::vector<std::string>{}, boxes);
}

// A second start (also with a marker shown) replaces the first level's nodes: none stays in the scene.
TEST_F(LevelSceneTest, TwoStartsInARowLeaveExactlyOneLevelsNodes)
{
    const std::string file = (MediaTesting::MediaFolder() / "levels" / "swamp" / "01.xml").string();
    const std::vector<GameLib::CSceneGraphNode*> before = RootChildren();
    const auto countNodes = [this] {
        GameLib::CSceneManager::NodeArray all;
        return world.GetSceneManager()->GetAllNodes(all);
    };
    Command("StartLevel", file);
    const std::size_t nodes = countNodes();
    world.GetGameInputChannel()->PushShowDirectionArrow(1, 2.0f, 3.0f);
    world.Step(0.02);
    Command("StartLevel", file);
    Command("StartLevel", file);
    ExpectLevelScene(before);
    EXPECT_EQ(nodes, countNodes());
    for (int i = 0; i < 3; ++i)
    {
        world.Step(0.02);
    }
    Command("ShutLevel");
    EXPECT_EQ(before, RootChildren());
}

TEST_F(LevelSceneTest, MarkersStandOnTheCellsWorldPointTurnedByTheirDirectionAndLeaveWhenHidden)
{
    constexpr float pi = std::numbers::pi_v<float>;
    struct Level
    {
        const char* file;
        int width;
        int height;
    };
    for (const Level& level : {Level{"basic/02.xml", 6, 6}, Level{"swamp/01.xml", 8, 6}})
    {
        SCOPED_TRACE(level.file);
        Command("StartLevel", (MediaTesting::MediaFolder() / "levels" / level.file).string());
        ASSERT_EQ(level.width, world.GetPuzzle()->GetWidth());
        ASSERT_EQ(level.height, world.GetPuzzle()->GetHeight());
        CQuarrowInputChannel& channel = *world.GetGameInputChannel();
        CArrowMarkerEntityNode* arrow = world.GetArrowMarker(0);
        CArrowMarkerEntityNode* pointer = world.GetArrowMarker(1);
        const float dx = (static_cast<float>(level.width) - 6.0f) * 0.5f;
        const float dy = (static_cast<float>(level.height) - 6.0f) * 0.5f;

        const struct
        {
            int direction;
            float angle;
        } turns[] = {{0, pi}, {1, 0.0f}, {2, -pi / 2}, {3, pi / 2}};
        for (const auto& turn : turns)
        {
            SCOPED_TRACE(turn.direction);
            channel.PushShowDirectionArrow(turn.direction, 7.0f, 2.0f);
            world.Step(0.02);
            EXPECT_EQ(root, arrow->GetParent());
            const BaseLib::CMatrix& m = arrow->GetLocalTransform();
            EXPECT_NEAR(std::cos(turn.angle), m.m[0][0], 1e-5f);
            EXPECT_NEAR(std::sin(turn.angle), m.m[0][1], 1e-5f);
            EXPECT_TRUE(Near(CVector3(7.0f - dx, -2.0f + dy, 0.0f), arrow->GetPosition()))
                << arrow->GetPosition().ToString();
        }
        const std::vector<GameLib::CSceneGraphNode*> children = RootChildren();
        EXPECT_EQ(1, std::count(children.begin(), children.end(), arrow));
        EXPECT_EQ(nullptr, pointer->GetParent());

        channel.PushShowPointer(1.0f, 4.0f);
        world.Step(0.02);
        EXPECT_EQ(root, pointer->GetParent());
        EXPECT_TRUE(Near(CVector3(1.0f - dx, -4.0f + dy, 0.0f), pointer->GetPosition()));
        // The pointer keeps the turn it had (none) under direction -1.
        EXPECT_NEAR(1.0f, pointer->GetLocalTransform().m[0][0], 1e-5f);

        channel.PushHideDirectionArrow();
        world.Step(0.02);
        EXPECT_EQ(nullptr, arrow->GetParent());
        EXPECT_EQ(root, pointer->GetParent());
        channel.PushHidePointer();
        channel.PushHidePointer();
        world.Step(0.02);
        EXPECT_EQ(nullptr, pointer->GetParent());
        Command("ShutLevel");
    }
    EXPECT_EQ(std::vector<std::string>{}, boxes);
}

// Environment model names as files name them: none, bare, with the extension.
TEST_F(LevelSceneTest, TheEnvironmentModelIsLoadedByItsNameWithTheModelExtensionOrNotAtAll)
{
    const fs::path folder = fs::path(testing::TempDir()) / "quarrow_level_scene_environments";
    fs::create_directories(folder);
    controller.GetPathAliases().RegisterPathAlias("environment", folder.string());
    const struct
    {
        const char* name;
        const char* file;
    } cases[] = {{"", ""}, {"env_jungle", "model>env_jungle.x"}, {"env_jungle.x", "model>env_jungle.x"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::ofstream(folder / "jungle1.xml")
            << "<environment><model name=\"" << c.name << "\"/></environment>";
        // A jungle level past the tutorials stands in the region's own environment.
        Command("StartLevel", (MediaTesting::MediaFolder() / "levels" / "jungle" / "05.xml").string());
        ASSERT_EQ("jungle1", world.GetPuzzle()->GetEnvironmentName());
        ASSERT_NE(nullptr, world.GetEnvironmentNode());
        EXPECT_EQ(root, world.GetEnvironmentNode()->GetParent());
        EXPECT_EQ(c.file, ModelFile(*world.GetEnvironmentNode()));
        // No lights element: no lights.
        EXPECT_EQ(0u, world.GetLightsNode()->GetChildCount());
        Command("ShutLevel");
    }
    fs::remove_all(folder);
    EXPECT_EQ(std::vector<std::string>{}, boxes);
}

} // namespace
