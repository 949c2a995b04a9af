// Block nodes without a device: how parts are turned, which nodes and sounds a block gets, how flex
// chains are laid out, and the sounds a scripted move plays on the recording device.
#include "game/puzzle/BlockEntityNode.h"

#include "NodeTesting.h"
#include "engine/EngineController.h"
#include "framework/CollisionNode.h"
#include "framework/ModelNode.h"
#include "game/QuarrowWorld.h"
#include "platform/os/DebugOutput.h"
#include "puzzle/ColoredBlock.h"
#include "tests/game/harness/RecordingSoundDevice.h"

#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace
{

using namespace NodeTesting;
using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;

constexpr float kPi = std::numbers::pi_v<float>;

class BlockEntityNodeTest : public ::testing::Test
{
protected:
    void SetUp() override { sound = &RecordingSoundDevice::Install(); }
    void TearDown() override
    {
        nodes.clear();
        RecordingSoundDevice::Uninstall();
    }

    CBlockEntityNode& NodeFor(CBlock* block)
    {
        EXPECT_NE(nullptr, block);
        nodes.emplace_back(CreateBlockEntityNode(&world));
        nodes.back()->SetBlock(block);
        return *nodes.back();
    }

    // The child that carries the part model.
    static GameLib::CTransformNode& Turned(CBlockEntityNode& node)
    {
        return *static_cast<GameLib::CTransformNode*>(node.GetChild(0));
    }

    static int PickMeshes(CBlockEntityNode& node)
    {
        int count = 0;
        for (std::size_t i = 0; i < node.GetChildCount(); ++i)
        {
            count += node.GetChild(i)->IsKindOf(typeid(GameLib::CCollisionMeshNode));
        }
        return count;
    }

    // The volume the file's voice was last given.
    float LastVolume(const std::string& file) const
    {
        const auto volumes = sound->Records(SoundEvent::Volume, file);
        return volumes.empty() ? -1.0f : volumes.back().value;
    }

    Qen::CEngineController controller;
    CQuarrowWorld world{&controller};
    CEditablePuzzle puzzle;
    RecordingSoundDevice* sound = nullptr;
    std::vector<NodePtr<CBlockEntityNode>> nodes;
};

TEST_F(BlockEntityNodeTest, ExitsTurnByTheirSideOfTheBoardAndPartsByTheirLinks)
{
    BuildBoard(puzzle, {"AA-D--", "---D--", "--H---", "------", "------", "------"},
               {{DirectionWest, 1}, {DirectionNorth, 2}, {DirectionEast, 2}, {DirectionSouth, 2}});
    struct Case
    {
        float left, top;
        float angle;
    };
    const Case cases[] = {
        {-1, 1, kPi / 2},  // exit west of the board
        {2, -1, 0},        // exit north of it
        {6, 2, -kPi / 2},  // exit east
        {2, 6, kPi},       // exit south
        {0, 0, kPi / 2},   // east neighbour
        {1, 0, -kPi / 2},  // west neighbour
        {3, 0, 0},         // south neighbour
        {3, 1, kPi},       // north neighbour only
        {2, 2, kPi},       // none
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "block at " << c.left << ", " << c.top);
        CBlockEntityNode& node = NodeFor(BlockAt(puzzle, c.left, c.top));
        EXPECT_TRUE(Near(RotationAboutZ(c.angle), Turned(node).GetLocalTransform()));
        // The node itself stands where the block does.
        EXPECT_EQ(c.left, node.GetPosition().x);
        EXPECT_EQ(-c.top, node.GetPosition().y);
        EXPECT_EQ(0.0f, node.GetPosition().z);
    }
}

TEST_F(BlockEntityNodeTest, ModelsPickMeshesAndSoundFilesFollowTheKind)
{
    BuildBoard(puzzle, {"APFMLBO", "-------"}, {{DirectionEast, 1}});
    auto* coloured = new CColoredBlock(&puzzle, 1);
    coloured->SetPosition(0, 1);
    puzzle.AddBlock(coloured);
    for (CBlock* block : puzzle.GetBlocks())
    {
        block->SetModelName("blk1_endb");
    }
    BlockAt(puzzle, 0, 0)->SetModelName("");

    const std::string start = "sound>blockstarttomove.wav", collide = "sound>blockcollide.wav";
    const std::string magnetStart = "sound>magnetblockstarttomove.wav", magnetCollide = "sound>magnetblockcollide.wav";
    struct Case
    {
        const char* what;
        float left, top;
        bool model;
        bool pickMesh;
        std::string start, collide, heldLoop, spring;
    };
    const Case cases[] = {
        {"normal without a model name", 0, 0, false, true, start, collide, "", ""},
        {"player", 1, 0, true, true, start, collide, "", ""},
        {"flex", 2, 0, true, false, start, collide, "", "sound>spring.wav"},
        {"magnet", 3, 0, true, true, magnetStart, magnetCollide, "sound>magnet_loop.wav", ""},
        {"linked", 4, 0, true, true, start, collide, "", ""},
        {"bridge", 5, 0, true, false, "", "", "", ""},
        {"obstacle", 6, 0, true, false, start, collide, "", ""},
        {"coloured", 0, 1, true, true, start, collide, "", ""},
        {"exit", 7, 1, true, false, "", "", "", ""},
        {"wall", -2, -2, true, false, start, collide, "", ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        CBlockEntityNode& node = NodeFor(BlockAt(puzzle, c.left, c.top));
        ASSERT_GE(node.GetChildCount(), 1u);
        EXPECT_EQ(c.model ? 1u : 0u, Turned(node).GetChildCount());
        EXPECT_EQ(c.model, node.GetModelNode() != nullptr);
        if (node.GetModelNode() != nullptr)
        {
            EXPECT_EQ(Turned(node).GetChild(0), node.GetModelNode());
            EXPECT_EQ(3u, node.GetModelNode()->IsVisible());
        }
        EXPECT_EQ(c.pickMesh ? 1 : 0, PickMeshes(node));
        EXPECT_EQ(c.start, node.GetStartSound().GetFile());
        EXPECT_EQ(c.collide, node.GetCollideSound().GetFile());
        EXPECT_EQ(c.heldLoop, node.GetHeldLoopSound().GetFile());
        EXPECT_EQ(c.spring, node.GetSpringSound().GetFile());
    }
    // Setting files plays nothing.
    EXPECT_EQ(0u, sound->Count(SoundEvent::Play));
}

// Three flex blocks linked in a row share their chain's extent; the node's matrix is its scale along
// the chain and its place.
TEST_F(BlockEntityNodeTest, FlexChainsShareTheirExtentEvenly)
{
    struct Case
    {
        const char* what;
        bool vertical;
        float widths[3]; // along the chain
        float scale;
        float firstAt; // the first member's coordinate along the chain, in world form
        float spacing;
    };
    const Case cases[] = {
        {"three uncompressed", false, {1, 1, 1}, 1.0f, 0.0f, 1.0f},
        {"squeezed to 2.4", false, {0.8f, 0.8f, 0.8f}, 0.8f, -0.1f, 0.8f},
        {"squeezed unevenly to 2.4", false, {1.0f, 0.4f, 1.0f}, 0.8f, -0.1f, 0.8f},
        {"flattened", false, {0, 0, 0}, 0.0f, -0.5f, 0.0f},
        {"vertical", true, {1, 1, 1}, 1.0f, 0.0f, -1.0f},
        {"vertical squeezed to 2.4", true, {0.8f, 0.8f, 0.8f}, 0.8f, 0.1f, -0.8f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        nodes.clear();
        BuildBoard(puzzle, c.vertical ? std::vector<std::string>{"F--", "F--", "F--"}
                                      : std::vector<std::string>{"FFF", "---", "---"});
        std::vector<CBlock*> chain;
        float at = 0.0f;
        for (int i = 0; i < 3; ++i)
        {
            chain.push_back(c.vertical ? BlockAt(puzzle, 0, static_cast<float>(i))
                                       : BlockAt(puzzle, static_cast<float>(i), 0));
        }
        for (int i = 0; i < 3; ++i)
        {
            c.vertical ? PlaceBlock(*chain[i], 0, at, 1, c.widths[i]) : PlaceBlock(*chain[i], at, 0, c.widths[i], 1);
            at += c.widths[i];
        }
        for (int i = 0; i < 3; ++i)
        {
            SCOPED_TRACE(i);
            const BaseLib::CMatrix& m = NodeFor(chain[i]).GetLocalTransform();
            const float along = c.vertical ? m.m[3][1] : m.m[3][0];
            const float across = c.vertical ? m.m[3][0] : m.m[3][1];
            EXPECT_NEAR(c.scale, c.vertical ? m.m[1][1] : m.m[0][0], 1e-6f);
            EXPECT_EQ(1.0f, c.vertical ? m.m[0][0] : m.m[1][1]);
            EXPECT_EQ(1.0f, m.m[2][2]);
            EXPECT_NEAR(c.firstAt + c.spacing * static_cast<float>(i), along, 1e-5f);
            EXPECT_EQ(0.0f, across);
            EXPECT_EQ(0.0f, m.m[3][2]);
        }
    }
}

// One scripted case of the sound table: the board, the block watched, and the moves made between the
// node's updates (one entry per update).
struct SoundScript
{
    const char* what;
    std::vector<std::string> rows;
    float left, top;
    std::vector<std::function<void(CEditablePuzzle&, CBlock&)>> beforeUpdate;
};

auto MoveBy(float dx, float dy)
{
    return [dx, dy](CEditablePuzzle&, CBlock& block) {
        const BaseLib::CRectF& r = block.GetRect();
        block.MoveTo(BaseLib::CRectF{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy});
    };
}
auto Still()
{
    return [](CEditablePuzzle&, CBlock&) {};
}

TEST_F(BlockEntityNodeTest, ScriptedMovesPlayTheStartAndCollideSoundsAndAnyStepLengthActsAlike)
{
    const std::string start = "sound>blockstarttomove.wav", collide = "sound>blockcollide.wav";
    struct Case
    {
        SoundScript script;
        std::size_t starts;
        float startVolume;
        std::size_t collides;
    };
    // A two-cell piece's west part stands 0.25 east of a block: it is an end piece free to the west.
    const std::vector<std::string> endPieceBoard = {"D-AA--", "------"};
    const Case cases[] = {
        {{"first update after binding", {"A-----"}, 0, 0, {Still()}}, 0, -1, 0},
        {{"0.05 per update", {"A-----"}, 0, 0, {Still(), MoveBy(0.05f, 0), MoveBy(0.05f, 0), MoveBy(0.05f, 0)}},
         0, -1, 0},
        {{"0.6 in one update", {"A-----"}, 0, 0, {Still(), MoveBy(0.6f, 0), MoveBy(0.2f, 0)}}, 1, 100, 0},
        {{"0.3 in one update", {"A-----"}, 0, 0, {Still(), MoveBy(0, 0.3f)}}, 1, 60, 0},
        {{"a single cell runs into a block", {"A-D---"}, 0, 0, {Still(), MoveBy(0.5f, 0), MoveBy(0.5f, 0)}},
         1, 100, 0},
        {{"an end piece runs 0.25 into a block",
          endPieceBoard,
          2,
          0,
          {[](CEditablePuzzle&, CBlock& b) { PlaceBlock(b, 1.25f, 0, 1, 1); }, Still(), MoveBy(-0.25f, 0),
           MoveBy(0.25f, 0), Still()}},
         1, 50, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.script.what);
        std::vector<std::vector<std::string>> logs;
        for (float dt : {0.0f, 1.0f, 0.02f})
        {
            SCOPED_TRACE(dt);
            nodes.clear();
            sound->ClearLog();
            BuildBoard(puzzle, c.script.rows);
            CBlock* block = BlockAt(puzzle, c.script.left, c.script.top);
            ASSERT_NE(nullptr, block);
            // The first step places the block before the node is made.
            c.script.beforeUpdate.front()(puzzle, *block);
            CBlockEntityNode& node = NodeFor(block);
            Platform::DebugOutputCapture trace;
            for (std::size_t i = 1; i < c.script.beforeUpdate.size(); ++i)
            {
                c.script.beforeUpdate[i](puzzle, *block);
                node.Update(dt);
            }
            if (c.script.beforeUpdate.size() == 1)
            {
                node.Update(dt);
            }
            EXPECT_EQ(c.starts, sound->Count(SoundEvent::Play, start));
            if (c.starts > 0)
            {
                EXPECT_EQ(c.startVolume, LastVolume(start));
            }
            EXPECT_EQ(c.collides, sound->Count(SoundEvent::Play, collide));
            if (c.collides > 0)
            {
                EXPECT_EQ(25.0f, LastVolume(collide));
                EXPECT_NE(std::string::npos, trace.Text().find("movement this frame = 0.250, last = 0.000\n"));
                EXPECT_NE(std::string::npos, trace.Text().find("playing hit sound! volume = 25.00\n"));
            }
            else
            {
                EXPECT_EQ(std::string::npos, trace.Text().find("hit sound"));
            }
            std::vector<std::string> log;
            for (const auto& record : sound->Log())
            {
                log.push_back(std::to_string(static_cast<int>(record.event)) + record.file +
                              std::to_string(record.value));
            }
            logs.push_back(log);
        }
        EXPECT_EQ(logs[0], logs[1]);
        EXPECT_EQ(logs[0], logs[2]);
    }
}

TEST_F(BlockEntityNodeTest, AHeldMagnetHumsUntilLetGo)
{
    const std::string loop = "sound>magnet_loop.wav";
    BuildBoard(puzzle, {"M-A---"});
    CBlock* magnet = BlockAt(puzzle, 0, 0);
    CBlockEntityNode& magnetNode = NodeFor(magnet);
    CBlockEntityNode& other = NodeFor(BlockAt(puzzle, 2, 0));
    puzzle.SelectBlock(magnet->GetId());
    ASSERT_EQ(magnet->GetId(), puzzle.GetSelectedBlockId());
    for (int i = 0; i < 3; ++i)
    {
        magnetNode.Update(0.02f);
        other.Update(0.02f);
    }
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, loop));
    EXPECT_TRUE(sound->IsPlaying(loop));
    EXPECT_EQ(0u, sound->Count(SoundEvent::Fade, loop));

    puzzle.ReleaseBlock(magnet->GetId());
    magnetNode.Update(0.02f);
    const auto fades = sound->Records(SoundEvent::Fade, loop);
    ASSERT_EQ(1u, fades.size());
    EXPECT_EQ(0.0f, fades[0].value);
    EXPECT_EQ(100, fades[0].durationMs);
    EXPECT_FALSE(sound->IsPlaying(loop));
    // Held again, it plays again.
    puzzle.SelectBlock(magnet->GetId());
    magnetNode.Update(0.02f);
    EXPECT_EQ(2u, sound->Count(SoundEvent::Play, loop));
}

TEST_F(BlockEntityNodeTest, ASqueezedFlexSpringsAndFadesOnceAtRest)
{
    const std::string spring = "sound>spring.wav";
    BuildBoard(puzzle, {"F-----"});
    CBlock* flex = BlockAt(puzzle, 0, 0);
    CBlockEntityNode& node = NodeFor(flex);
    node.Update(0.02f);
    EXPECT_EQ(0u, sound->Log().size());

    PlaceBlock(*flex, 0, 0, 0.5f, 1);
    node.Update(0.02f);
    auto fades = sound->Records(SoundEvent::Fade, spring);
    ASSERT_EQ(1u, fades.size());
    EXPECT_EQ(100.0f, fades[0].value);
    EXPECT_EQ(50, fades[0].durationMs);
    const auto pitches = sound->Records(SoundEvent::Pitch, spring);
    ASSERT_FALSE(pitches.empty());
    EXPECT_EQ(1.5f, pitches.back().value);
    EXPECT_TRUE(sound->IsPlaying(spring));

    // Back at its full size it rests: after 0.035 s of rest, one fade-out over 0.05 s.
    PlaceBlock(*flex, 0, 0, 1, 1);
    int updates = 0;
    while (sound->Count(SoundEvent::Fade, spring) == 1 && updates < 10)
    {
        node.Update(0.02f);
        ++updates;
    }
    EXPECT_EQ(4, updates);
    fades = sound->Records(SoundEvent::Fade, spring);
    ASSERT_EQ(2u, fades.size());
    EXPECT_EQ(0.0f, fades[1].value);
    EXPECT_EQ(50, fades[1].durationMs);
    EXPECT_FALSE(sound->IsPlaying(spring));
}

TEST_F(BlockEntityNodeTest, ASoundFileThatDoesNotLoadPlaysNothingAndBreaksNothing)
{
    sound->RefuseFile("sound>blockstarttomove.wav");
    BuildBoard(puzzle, {"A-----"});
    CBlock* block = BlockAt(puzzle, 0, 0);
    CBlockEntityNode& node = NodeFor(block);
    PlaceBlock(*block, 1, 0, 1, 1);
    node.Update(0.02f);
    EXPECT_EQ(0u, sound->Count(SoundEvent::Play));
    EXPECT_EQ(1.0f, node.GetPosition().x);
}

} // namespace
