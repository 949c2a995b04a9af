// The 3D cursor on a committed level seen by the orbit camera: presses select grabbable blocks, moves
// drag the grabbed point across its horizontal plane, and a pick the scene no longer shows lets its
// block go.
#include "game/puzzle/3DCursor.h"

#include "NodeTesting.h"
#include "engine/Camera.h"
#include "engine/DisplayHead.h"
#include "engine/MaterialFactory.h"
#include "game/GameCommand.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/BlockEntityNode.h"
#include "game/puzzle/GameCameraNode.h"
#include "game/puzzle/QuarrowRenderer.h"
#include "puzzle/MetaBlockDescription.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/media/MediaFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace
{

using BaseLib::CVector2;
using BaseLib::CVector3;
using NodeTesting::BlockAt;
using NodeTesting::NodePtr;

// The top of a block part (and of its pick mesh) above the board.
constexpr float kBlockTop = 0.7f;

class CursorTest : public MediaTesting::MediaFixture
{
protected:
    void SetUp() override
    {
        MediaTesting::MediaFixture::SetUp();
        GameTesting::RecordingSoundDevice::Install();
        world.Initialize();
        // basic/02, 6 x 6: normal blocks at (2, 0)-(2, 1) and (4, 1)-(4, 3), the player at (0, 2)-(1, 2),
        // an obstacle at (3, 4).
        world.LoadLevel(Level("basic", "02.xml"));
        channel().SetUserControlEnabled(true);
        channel().Clear();

        camera.reset(CGameCameraNode::Create(&controller, nullptr));
        camera->ResetForIntro();
        camera->SetBoardSize(6, 6);
        camera->SetMode(CGameCameraNode::Orbit);
        camera->SetPitch(1.1f);
        camera->SetYaw(0.3f);
        Sync();
        cursor.emplace(&world, &channel());
        cursor->SetSceneManager(world.GetSceneManager());
        cursor->SetCamera(camera->GetCamera());
    }
    void TearDown() override
    {
        camera.reset();
        world.Shutdown();
        GameTesting::RecordingSoundDevice::Uninstall();
        MediaTesting::MediaFixture::TearDown();
    }

    static std::string Level(const char* region, const char* file)
    {
        return (MediaTesting::MediaFolder() / "levels" / region / file).string();
    }

    // What the renderer does every frame: the camera follows its node.
    void Sync() { camera->GetCamera()->Update(); }

    CQuarrowInputChannel& channel() { return *world.GetGameInputChannel(); }

    // The channel's commands, taken out.
    std::vector<GameCommand> Commands()
    {
        std::vector<GameCommand> commands;
        while (channel().HasCommands())
        {
            commands.push_back(channel().Front());
            channel().Pop();
        }
        return commands;
    }

    // The viewport point where the camera shows a world point.
    CVector2 Project(const CVector3& point) const
    {
        BaseLib::CVector4 clip;
        BaseLib::TransformVector4(clip, BaseLib::CVector4(point, 1.0f), camera->GetCamera()->viewProjection);
        return {clip.x / clip.w, clip.y / clip.w};
    }

    CBlockEntityNode* NodeOf(const CBlock* block)
    {
        GameLib::CSceneManager::NodeArray nodes;
        world.GetSceneManager()->GetNodesOfType(typeid(CBlockEntityNode), nodes);
        for (GameLib::CSceneGraphNode* node : nodes)
        {
            if (static_cast<CBlockEntityNode*>(node)->GetBlock() == block)
            {
                return static_cast<CBlockEntityNode*>(node);
            }
        }
        return nullptr;
    }

    // The middle of the top of the board cell's block (as the scene places it), or of the bare cell at
    // block height.
    CVector3 CellTop(int x, int y)
    {
        if (const CBlock* block = BlockAt(*world.GetPuzzle(), static_cast<float>(x), static_cast<float>(y)))
        {
            if (CBlockEntityNode* node = NodeOf(block))
            {
                return NodeTesting::WorldPosition(*node) + CVector3(0.0f, 0.0f, kBlockTop);
            }
        }
        // The puzzle node places a 6 x 6 board's cell (x, y) at (x, -y).
        return CVector3(static_cast<float>(x), -static_cast<float>(y), kBlockTop);
    }

    static void ExpectCommand(GameCommandKind kind, std::int32_t id, const GameCommand& command)
    {
        EXPECT_EQ(kind, command.kind);
        EXPECT_EQ(id, command.param);
    }

    CQuarrowWorld world{&controller};
    NodePtr<CGameCameraNode> camera;
    std::optional<C3DCursor> cursor; // made once the world has its channel
};

TEST_F(CursorTest, APressSelectsOnlyGrabbableBlocks)
{
    struct Case
    {
        int x, y;
        bool selects;
    };
    const Case cases[] = {
        {4, 2, true},  // the middle of a three-cell normal block
        {2, 0, true},  // a normal block's end
        {1, 2, true},  // the player
        {3, 4, false}, // an obstacle
        {0, 5, false}, // bare board
        {5, 0, false},
    };
    for (const Case& k : cases)
    {
        SCOPED_TRACE(testing::Message() << "cell " << k.x << ", " << k.y);
        C3DCursor fresh(&world, &channel());
        fresh.SetSceneManager(world.GetSceneManager());
        fresh.SetCamera(camera->GetCamera());
        fresh.QueueButtonDown(Project(CellTop(k.x, k.y)));
        fresh.Update();
        const std::vector<GameCommand> commands = Commands();
        const CBlock* block = BlockAt(*world.GetPuzzle(), static_cast<float>(k.x), static_cast<float>(k.y));
        if (k.selects)
        {
            ASSERT_EQ(1u, commands.size());
            ExpectCommand(GameCommandKind::GrabBlock, block->GetId(), commands[0]);
            EXPECT_TRUE(fresh.IsDragging());
            ASSERT_NE(nullptr, fresh.GetPickedNode());
            EXPECT_EQ(block, fresh.GetPickedNode()->GetBlock());
            EXPECT_NEAR(kBlockTop, fresh.GetHitPoint().z, 1e-4f);
        }
        else
        {
            EXPECT_TRUE(commands.empty());
            EXPECT_FALSE(fresh.IsDragging());
            EXPECT_EQ(nullptr, fresh.GetPickedNode());
            fresh.QueueButtonUp(Project(CellTop(k.x, k.y)));
            fresh.Update();
            EXPECT_TRUE(Commands().empty()) << "the release of a press that grabbed nothing sends nothing";
        }
    }
}

TEST_F(CursorTest, HoveringPicksWhatIsUnderTheMouse)
{
    cursor->QueueMouseMove(Project(CellTop(2, 1)));
    cursor->Update();
    ASSERT_NE(nullptr, cursor->GetPickedNode());
    EXPECT_EQ(BlockAt(*world.GetPuzzle(), 2, 1), cursor->GetPickedNode()->GetBlock());
    cursor->QueueMouseMove(Project(CellTop(0, 5)));
    cursor->Update();
    EXPECT_EQ(nullptr, cursor->GetPickedNode());
    EXPECT_TRUE(Commands().empty());
}

// The grabbed point follows the mouse across its plane: +1 along world X is one cell east, +1 along world
// Y one cell north (board y - 1).
TEST_F(CursorTest, DraggingMovesTheBlockAsFarAsTheGrabbedPointMoves)
{
    const CBlock& block = *BlockAt(*world.GetPuzzle(), 4, 2);
    const CVector3 grab = CellTop(4, 2) + CVector3(0.2f, 0.1f, 0.0f);
    cursor->QueueButtonDown(Project(grab));
    cursor->Update();
    ASSERT_TRUE(cursor->IsDragging());
    Commands();
    struct Case
    {
        CVector3 by;
        float dx, dy;
    };
    const Case cases[] = {{{1.0f, 0.0f, 0.0f}, 1.0f, 0.0f},
                          {{0.0f, 1.0f, 0.0f}, 0.0f, -1.0f},
                          {{-1.5f, -0.5f, 0.0f}, -1.5f, 0.5f},
                          {{0.0f, 0.0f, 0.0f}, 0.0f, 0.0f}};
    for (const Case& k : cases)
    {
        cursor->QueueMouseMove(Project(grab + k.by));
        cursor->Update();
        const std::vector<GameCommand> commands = Commands();
        ASSERT_EQ(1u, commands.size());
        ExpectCommand(GameCommandKind::MoveBlock, block.GetId(), commands[0]);
        EXPECT_NEAR(block.GetRect().left + k.dx, commands[0].x, 1.0f / 64.0f);
        EXPECT_NEAR(block.GetRect().top + k.dy, commands[0].y, 1.0f / 64.0f);
    }
    // Far above the window (the playing field keeps the mouse while a button is down) the ray meets the
    // plane behind the camera: there is nowhere to drag to.
    cursor->QueueMouseMove(CVector2(0.0f, 8.0f));
    cursor->Update();
    EXPECT_TRUE(Commands().empty());
    EXPECT_TRUE(cursor->IsDragging());
    cursor->QueueButtonUp(Project(grab));
    cursor->Update();
    const std::vector<GameCommand> commands = Commands();
    ASSERT_EQ(1u, commands.size());
    ExpectCommand(GameCommandKind::ReleaseBlock, block.GetId(), commands[0]);
    EXPECT_FALSE(cursor->IsDragging());
    EXPECT_EQ(&block, cursor->GetPickedNode()->GetBlock()) << "hovering again";
}

TEST_F(CursorTest, EventsOfOneFrameAreHandledInTheirOrder)
{
    const CBlock& block = *BlockAt(*world.GetPuzzle(), 2, 0);
    const CVector3 grab = CellTop(2, 0);
    cursor->QueueButtonDown(Project(grab));
    cursor->QueueMouseMove(Project(grab + CVector3(1.0f, 0.0f, 0.0f)));
    cursor->QueueButtonUp(Project(grab + CVector3(1.0f, 0.0f, 0.0f)));
    EXPECT_EQ(3u, cursor->GetQueuedEventCount());
    cursor->Update();
    EXPECT_EQ(0u, cursor->GetQueuedEventCount());
    const std::vector<GameCommand> commands = Commands();
    ASSERT_EQ(3u, commands.size());
    ExpectCommand(GameCommandKind::GrabBlock, block.GetId(), commands[0]);
    ExpectCommand(GameCommandKind::MoveBlock, block.GetId(), commands[1]);
    EXPECT_NEAR(3.0f, commands[1].x, 1.0f / 64.0f);
    EXPECT_NEAR(0.0f, commands[1].y, 1.0f / 64.0f);
    ExpectCommand(GameCommandKind::ReleaseBlock, block.GetId(), commands[2]);
}

// A block grabbed with no hover before it, then the level changes under it: the cursor lets it go with a
// release for the block it grabbed, so the select is never left open.
TEST_F(CursorTest, ANewLevelUnderAHeldBlockSendsItsRelease)
{
    const std::int32_t id = BlockAt(*world.GetPuzzle(), 4, 2)->GetId();
    cursor->QueueButtonDown(Project(CellTop(4, 2)));
    cursor->Update();
    ASSERT_EQ(1u, Commands().size());
    cursor->Update();
    EXPECT_TRUE(cursor->IsDragging()) << "the scene still shows the puzzle: the grab holds";
    EXPECT_TRUE(Commands().empty());

    world.LoadLevel(Level("basic", "06.xml"));
    cursor->Update();
    const std::vector<GameCommand> commands = Commands();
    ASSERT_EQ(1u, commands.size());
    ExpectCommand(GameCommandKind::ReleaseBlock, id, commands[0]);
    EXPECT_FALSE(cursor->IsDragging());
    EXPECT_EQ(nullptr, cursor->GetPickedNode());
    cursor->Update();
    EXPECT_TRUE(Commands().empty()) << "one release only";
}

// In the editor the world rebuilds the block nodes in its next step after an edit; until then the nodes
// may stand for deleted blocks and nothing is picked.
TEST_F(CursorTest, AfterAnEditNothingIsPickedUntilTheSceneIsRebuilt)
{
    world.SetEditorMode(true);
    world.Step(0.02);
    CEditablePuzzle& puzzle = *world.GetPuzzle();
    const CBlock* held = BlockAt(puzzle, 4, 2);
    cursor->QueueMouseMove(Project(CellTop(4, 2)));
    cursor->Update();
    ASSERT_NE(nullptr, cursor->GetPickedNode());

    CMetaBlockDescription piece;
    piece.GetParts() = {{"normal", "blk1_endb"}, {"normal", "blk1_endb"}};
    ASSERT_TRUE(puzzle.PlaceMetaBlock(piece, 0, 5, false));
    EXPECT_EQ(nullptr, cursor->GetPickedNode()) << "the hovered node is about to go";
    cursor->QueueButtonDown(Project(CellTop(4, 2)));
    cursor->Update();
    EXPECT_TRUE(Commands().empty());
    EXPECT_FALSE(cursor->IsDragging());
    EXPECT_EQ(nullptr, cursor->GetPickedNode());

    world.Step(0.02);
    cursor->QueueButtonDown(Project(CellTop(4, 2)));
    cursor->Update();
    ASSERT_NE(nullptr, cursor->GetPickedNode());
    EXPECT_EQ(held, cursor->GetPickedNode()->GetBlock());
    EXPECT_EQ(NodeOf(held), cursor->GetPickedNode()) << "the rebuilt node";
    const std::vector<GameCommand> commands = Commands();
    ASSERT_EQ(1u, commands.size());
    ExpectCommand(GameCommandKind::GrabBlock, held->GetId(), commands[0]);
}

// A press while a block is still held (its release never came) lets that block go first.
TEST_F(CursorTest, APressWhileHoldingReleasesTheHeldBlockFirst)
{
    const std::int32_t first = BlockAt(*world.GetPuzzle(), 4, 2)->GetId();
    const std::int32_t second = BlockAt(*world.GetPuzzle(), 2, 0)->GetId();
    cursor->QueueButtonDown(Project(CellTop(4, 2)));
    cursor->QueueButtonDown(Project(CellTop(2, 0)));
    cursor->Update();
    const std::vector<GameCommand> commands = Commands();
    ASSERT_EQ(3u, commands.size());
    ExpectCommand(GameCommandKind::GrabBlock, first, commands[0]);
    ExpectCommand(GameCommandKind::ReleaseBlock, first, commands[1]);
    ExpectCommand(GameCommandKind::GrabBlock, second, commands[2]);
}

// The picture the orbit camera gives: the board as the 2D board shows it, turned but never mirrored, with
// the blocks' faces drawn (the renderer's culling follows the camera's handedness).
class CameraPictureTest : public CursorTest
{
protected:
    CameraPictureTest()
    {
        headWidth = 320;
        headHeight = 240;
    }

    std::vector<std::uint32_t> Draw(float yaw, const char* picture)
    {
        camera->SetPitch(1.5f);
        camera->SetYaw(yaw);
        camera->GetCamera()->aspectRatio = static_cast<float>(headWidth) / static_cast<float>(headHeight);
        Sync();
        controller.GetHeads()[0]->BeginFrame();
        EXPECT_EQ(Platform::Gfx::Ok, device->BeginScene());
        renderer->Render();
        return EndDrawing(picture);
    }

    // The pixel where the camera shows a world point.
    std::uint32_t At(const std::vector<std::uint32_t>& pixels, const CVector3& point) const
    {
        const CVector2 v = Project(point);
        const auto x = static_cast<int>((v.x * 0.5f + 0.5f) * static_cast<float>(headWidth));
        const auto y = static_cast<int>((0.5f - v.y * 0.5f) * static_cast<float>(headHeight));
        return pixels[static_cast<std::size_t>(y * headWidth + x)] & 0xFFFFFFu;
    }

    // Pixels within a small distance of the colour, in the left and in the right half of the picture.
    std::pair<int, int> CountByHalf(const std::vector<std::uint32_t>& pixels, std::uint32_t colour) const
    {
        std::pair<int, int> counts{0, 0};
        for (int y = 0; y < headHeight; ++y)
        {
            for (int x = 0; x < headWidth; ++x)
            {
                const std::uint32_t p = pixels[static_cast<std::size_t>(y * headWidth + x)];
                int distance = 0;
                for (int channel = 0; channel < 24; channel += 8)
                {
                    distance += std::abs(static_cast<int>((p >> channel) & 0xFF) -
                                         static_cast<int>((colour >> channel) & 0xFF));
                }
                if (distance <= 6)
                {
                    (x < headWidth / 2 ? counts.first : counts.second) += 1;
                }
            }
        }
        return counts;
    }

    void TearDown() override
    {
        // Its shadow resources belong to the engine's factories: it goes first.
        if (renderer.has_value())
        {
            renderer->ReleaseShadowResources();
            renderer.reset();
        }
        CursorTest::TearDown();
    }

    std::optional<CQuarrowRenderer> renderer;
};

TEST_F(CameraPictureTest, TheBoardIsSeenAsTheTwoDimensionalBoardShowsItTurnedButNotMirrored)
{
    controller.GetMaterialFactory()->CreateSharedEffectPool("shader>_shared.fx");
    renderer.emplace();
    renderer->Init(&controller, world.GetSceneManager());
    renderer->SetCamera(camera.get());
    renderer->SetSceneBounds(-1.5f, -6.5f, 0.0f, 6.5f, 1.5f, 2.7f);

    // From the south (looking north), as the 2D board is seen: the player (columns 0 and 1 of row 2)
    // stands left, the long block of column 4 right; row 0 lies at the top.
    const std::vector<std::uint32_t> north = Draw(std::numbers::pi_v<float>, "camera_from_south.png");
    const CVector2 player = Project(CellTop(0, 2));
    const CVector2 block = Project(CellTop(4, 2));
    EXPECT_LT(player.x, block.x);
    EXPECT_GT(Project(CellTop(2, 0)).y, Project(CellTop(3, 4)).y) << "row 0 above row 4";
    const std::uint32_t playerColour = At(north, CellTop(0, 2));
    const std::uint32_t boardColour = At(north, CVector3(5.0f, -5.0f, 0.0f));
    EXPECT_NE(boardColour, playerColour) << "the player's top is drawn";
    EXPECT_NE(boardColour, At(north, CellTop(4, 2))) << "the block's top is drawn";
    const auto [left, right] = CountByHalf(north, playerColour);
    EXPECT_GT(left, 20);
    EXPECT_GT(left, 4 * right) << "the player's colour lies in the left half";

    // From the north the picture is the same board turned half-way: the player now stands right.
    const std::vector<std::uint32_t> south = Draw(0.0f, "camera_from_north.png");
    EXPECT_GT(Project(CellTop(0, 2)).x, Project(CellTop(4, 2)).x);
    EXPECT_LT(Project(CellTop(2, 0)).y, Project(CellTop(3, 4)).y) << "row 0 below row 4";
    const std::uint32_t turnedColour = At(south, CellTop(0, 2));
    EXPECT_NE(boardColour, turnedColour);
    const auto [turnedLeft, turnedRight] = CountByHalf(south, turnedColour);
    EXPECT_GT(turnedRight, 4 * turnedLeft);
    EXPECT_EQ(std::vector<std::string>{}, boxes);
}

} // namespace
