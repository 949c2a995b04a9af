// The scene of the committed levels in a world on a real device: every shown block and exit gets its
// node and model, blocks played from a replay through the input channel stay on their nodes, the editor's
// changes reach the scene in the next step, and the arrow marker plays its pointer model.
#include "game/puzzle/ArrowMarkerEntityNode.h"
#include "game/puzzle/BlockEntityNode.h"
#include "game/puzzle/PuzzleEntityNode.h"

#include "NodeTesting.h"
#include "engine/ModelFactory.h"
#include "framework/CollisionNode.h"
#include "framework/CommandQueue.h"
#include "framework/ModelNode.h"
#include "framework/SceneManager.h"
#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowWorld.h"
#include "puzzle/MetaBlockDescription.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/media/MediaFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using namespace NodeTesting;

// Every committed level (XML and binary), sorted by path.
std::vector<fs::path> LevelFiles()
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(MediaTesting::MediaFolder() / "levels"))
    {
        const fs::path extension = entry.path().extension();
        if ((extension == ".xml" || extension == ".blvl") && entry.path().parent_path().filename() != "levels")
        {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
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

class PuzzleSceneTest : public MediaTesting::MediaFixture
{
protected:
    void SetUp() override
    {
        MediaTesting::MediaFixture::SetUp();
        GameTesting::RecordingSoundDevice::Install();
        world.Initialize();
    }
    void TearDown() override
    {
        world.Shutdown();
        GameTesting::RecordingSoundDevice::Uninstall();
        MediaTesting::MediaFixture::TearDown();
    }

    std::vector<CBlockEntityNode*> BlockNodes()
    {
        GameLib::CSceneManager::NodeArray nodes;
        world.GetSceneManager()->GetNodesOfType(typeid(CBlockEntityNode), nodes);
        std::vector<CBlockEntityNode*> blocks;
        for (GameLib::CSceneGraphNode* node : nodes)
        {
            blocks.push_back(static_cast<CBlockEntityNode*>(node));
        }
        return blocks;
    }

    CBlockEntityNode* NodeOf(const CBlock* block)
    {
        for (CBlockEntityNode* node : BlockNodes())
        {
            if (node->GetBlock() == block)
            {
                return node;
            }
        }
        return nullptr;
    }

    CQuarrowWorld world{&controller};
};

TEST_F(PuzzleSceneTest, EveryLevelShowsEachShownBlockAndExitWithItsModel)
{
    int levels = 0;
    for (const fs::path& file : LevelFiles())
    {
        SCOPED_TRACE(file.string());
        ++levels;
        world.LoadLevel(file.string());
        CEditablePuzzle& puzzle = *world.GetPuzzle();
        ASSERT_NE(nullptr, world.GetPuzzleNode());
        const std::string folder = "model>" + puzzle.GetGfxSetName() + "/";

        const auto* field = static_cast<GameLib::CModelNode*>(world.GetPuzzleNode()->GetChild(0));
        EXPECT_EQ(folder + puzzle.GetBoardName() + ".x", ModelFile(*field));
        EXPECT_EQ(1u, field->IsVisible());

        std::multiset<const CBlock*> expected, shown;
        for (const CBlock* block : puzzle.GetBlocks())
        {
            if (block->IsShown() || block->GetKind() == KindLevelSolvedTrigger)
            {
                expected.insert(block);
            }
        }
        for (CBlockEntityNode* node : BlockNodes())
        {
            const CBlock* block = node->GetBlock();
            shown.insert(block);
            const bool exit = block->GetKind() == KindLevelSolvedTrigger;
            if (!exit && block->GetModelName().empty())
            {
                EXPECT_EQ(nullptr, node->GetModelNode());
                continue;
            }
            ASSERT_NE(nullptr, node->GetModelNode());
            EXPECT_EQ(folder + (exit ? std::string("exit") : block->GetModelName()) + ".x",
                      ModelFile(*node->GetModelNode()));
            EXPECT_EQ(BaseLib::ResourceLoaded, node->GetModelNode()->GetModel()->GetState());
            EXPECT_EQ(3u, node->GetModelNode()->IsVisible());
        }
        EXPECT_EQ(expected, shown);
    }
    EXPECT_EQ(344, levels);
    // Every model and the pick cube exist: the factory reported nothing, and the pick meshes share one
    // collision model.
    EXPECT_EQ(std::vector<std::string>{}, boxes);
    EXPECT_EQ(1u, GameLib::CCollisionMeshNode::GetModelCount());
}

// Plays a level's replay through the input channel a command at a time, stepping the world until the
// board rests after each, and checks every non-flex block node after every step.
TEST_F(PuzzleSceneTest, BlockNodesStayOnTheirBlocksThroughAReplayedLevel)
{
    // The first temple level on the 8 x 6 board (one with a spring), taken by its board, not its place.
    fs::path level;
    for (int i = 1; i <= 36 && level.empty(); ++i)
    {
        char name[16];
        std::snprintf(name, sizeof name, "%02d.xml", i);
        CEditablePuzzle candidate;
        const fs::path file = MediaTesting::MediaFolder() / "levels" / "temple" / name;
        if (candidate.LoadXml(file.string()) && candidate.GetWidth() == 8 && candidate.GetHeight() == 6)
        {
            level = file;
        }
    }
    ASSERT_FALSE(level.empty());
    const fs::path replay = MediaTesting::MediaFolder().parent_path() / "tests" / "game" / "replays" / "temple" /
                            level.filename().replace_extension(".replay");
    world.LoadLevel(level.string());
    CEditablePuzzle& puzzle = *world.GetPuzzle();
    ASSERT_EQ(8, puzzle.GetWidth());
    ASSERT_EQ(6, puzzle.GetHeight());
    CQuarrowInputChannel& channel = *world.GetGameInputChannel();
    channel.SetUserControlEnabled(true);
    const float dx = -(8 - 6) * 0.5f, dy = (6 - 6) * 0.5f;
    int steps = 0, commands = 0;
    float worst = 0.0f;
    const auto step = [&] {
        world.Step(0.02);
        ++steps;
        for (CBlockEntityNode* node : BlockNodes())
        {
            const CBlock& block = *node->GetBlock();
            if (block.GetKind() == KindFlex)
            {
                continue;
            }
            const BaseLib::CVector3 p = WorldPosition(*node);
            worst = std::max({worst, std::fabs(p.x - (block.GetRect().left + dx)),
                              std::fabs(p.y - (-block.GetRect().top + dy)), std::fabs(p.z)});
        }
    };
    std::ifstream lines(replay);
    ASSERT_TRUE(lines.is_open()) << replay;
    for (std::string line; std::getline(lines, line);)
    {
        int kind = 0, param = 0;
        float x = 0, y = 0;
        std::istringstream(line) >> kind >> param >> x >> y;
        ++commands;
        kind == 0 ? channel.PushGrabBlock(param)
                  : kind == 1 ? channel.PushMoveBlock(param, x, y) : channel.PushReleaseBlock(param);
        step();
        for (int i = 0; i < 1000 && puzzle.IsMoving(); ++i)
        {
            step();
        }
    }
    EXPECT_TRUE(puzzle.IsSolved());
    EXPECT_EQ(GameContext::LevelSolved, world.GetGameContext()->GetState());
    EXPECT_GE(steps, commands);
    EXPECT_LE(worst, 1.0f / 128.0f + 1e-5f);
}

TEST_F(PuzzleSceneTest, AnEditorChangeReachesTheSceneInTheNextStep)
{
    world.LoadLevel((MediaTesting::MediaFolder() / "levels" / "jungle" / "01.xml").string());
    CEditablePuzzle& puzzle = *world.GetPuzzle();
    EXPECT_EQ("model>env_jungle.x", ModelFile(*world.GetEnvironmentNode()));
    world.SetEditorMode(true);

    CMetaBlockDescription piece;
    piece.GetParts() = {{"normal", "blk1_endb"}, {"normal", "blk1_endb"}};
    ASSERT_EQ(nullptr, BlockAt(puzzle, 0, 5));
    ASSERT_TRUE(puzzle.PlaceMetaBlock(piece, 0, 5, false));
    CBlock* placed = BlockAt(puzzle, 0, 5);
    ASSERT_NE(nullptr, placed);
    EXPECT_EQ(nullptr, NodeOf(placed));
    world.Step(0.02);
    ASSERT_NE(nullptr, NodeOf(placed));
    EXPECT_EQ(NodeOf(placed)->GetParent(), NodeOf(BlockAt(puzzle, 1, 5))->GetParent());
    EXPECT_EQ("model>" + puzzle.GetGfxSetName() + "/environment.x", ModelFile(*world.GetEnvironmentNode()));
    EXPECT_EQ(std::vector<std::string>{}, boxes);
}

// The edit and the switch out of editor mode in one frame: the step that follows must not keep a node
// on the deleted blocks (the sanitizer build catches any read of them).
TEST_F(PuzzleSceneTest, ABlockDeletedAsEditorModeEndsLeavesNoNodeBehind)
{
    world.LoadLevel((MediaTesting::MediaFolder() / "levels" / "jungle" / "01.xml").string());
    CEditablePuzzle& puzzle = *world.GetPuzzle();
    world.SetEditorMode(true);
    world.Step(0.02);
    const std::size_t before = BlockNodes().size();
    const CBlock* victim = nullptr;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        victim = block->IsGrabbable() && block->GetLinkSet().size() == 1 ? block : victim;
    }
    ASSERT_NE(nullptr, victim);
    puzzle.DeleteBlock(victim->GetId());
    world.GetCommandQueue()->PostCommand("SetEditorMode", "false");
    world.ProcessCommands();
    ASSERT_FALSE(world.IsEditorMode());
    for (int i = 0; i < 5; ++i)
    {
        world.Step(0.02);
    }
    EXPECT_EQ(before - 1, BlockNodes().size());
    for (CBlockEntityNode* node : BlockNodes())
    {
        EXPECT_NE(nullptr, puzzle.FindBlockById(node->GetBlock()->GetId()));
    }
    // Outside the editor the environment model stays as the level set it.
    EXPECT_EQ("model>env_jungle.x", ModelFile(*world.GetEnvironmentNode()));
}

TEST_F(PuzzleSceneTest, BuildingAndTakingDownALevelSceneAThousandTimesKeepsTheHeap)
{
    world.LoadLevel((MediaTesting::MediaFolder() / "levels" / "temple" / "02.xml").string());
    CEditablePuzzle& puzzle = *world.GetPuzzle();
    const auto countNodes = [this] {
        GameLib::CSceneManager::NodeArray all;
        return world.GetSceneManager()->GetAllNodes(all);
    };
    const std::size_t nodes = countNodes();
    std::size_t heapWarm = 0; // after ten rounds, once caches are warm
    for (int round = 0; round < 1000; ++round)
    {
        CPuzzleEntityNode* node = CreatePuzzleEntityNode(&world);
        node->SetPuzzle(&puzzle);
        world.GetSceneManager()->GetRootNode()->AddChild(node);
        node->Release(true);
        if (round == 9)
        {
            heapWarm = mallinfo2().uordblks;
        }
    }
    EXPECT_EQ(nodes, countNodes());
    // Less than 64 bytes a round beyond the heap after the first rounds (the driver's threads allocate a
    // little on their own; one node left behind would be far more).
    EXPECT_LE(mallinfo2().uordblks, heapWarm + 64 * 1024);
}

TEST_F(PuzzleSceneTest, TheMarkerPlaysItsPointerAndTurnsByDirection)
{
    constexpr float pi = std::numbers::pi_v<float>;
    for (bool down : {false, true})
    {
        SCOPED_TRACE(down ? "pointing down" : "arrow");
        NodePtr<CArrowMarkerEntityNode> marker(CreateArrowMarkerEntityNode(&world, down));
        EXPECT_EQ(down ? "model>jungle/pointer_down.x" : "model>jungle/pointer.x",
                  ModelFile(*marker->GetModelNode()));
        EXPECT_EQ(3u, marker->GetModelNode()->IsVisible());
        const float length = marker->GetAnimationController().GetLength();
        EXPECT_GT(length, 0.0f);
        marker->Update(0.25f);
        EXPECT_DOUBLE_EQ(0.25, marker->GetAnimationController().GetTime());
        marker->Update(length * 0.25f);
        EXPECT_NEAR(0.25 + length * 0.25, marker->GetAnimationController().GetTime(), 1e-6);

        struct Case
        {
            std::vector<int> directions;
            float angle;
        };
        const Case cases[] = {
            {{0}, pi}, {{2}, -pi / 2}, {{3}, pi / 2}, {{3, 1}, 0}, {{3, -1}, pi / 2}, {{2, 7}, -pi / 2},
        };
        for (const Case& c : cases)
        {
            SCOPED_TRACE(c.directions.back());
            marker->SetLocalTransform(BaseLib::CMatrix::Identity);
            for (int d : c.directions)
            {
                marker->SetDirection(d);
            }
            EXPECT_TRUE(Near(RotationAboutZ(c.angle), marker->GetLocalTransform()));
        }
    }
    EXPECT_EQ(std::vector<std::string>{}, boxes);
}

} // namespace
