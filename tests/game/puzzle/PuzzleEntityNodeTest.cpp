// The puzzle node's tree and place, and the wobble of strained groups, without a device.
#include "game/puzzle/PuzzleEntityNode.h"

#include "NodeTesting.h"
#include "engine/EngineController.h"
#include "foundation/Random.h"
#include "framework/ModelNode.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/ArrowMarkerEntityNode.h"
#include "game/puzzle/BlockEntityNode.h"
#include "game/puzzle/MetaBlockEntityNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace
{

using namespace NodeTesting;

class PuzzleEntityNodeTest : public ::testing::Test
{
protected:
    static GameLib::CTransformNode& Pieces(CPuzzleEntityNode& node)
    {
        return *static_cast<GameLib::CTransformNode*>(node.GetChild(1));
    }
    static CMetaBlockEntityNode& Group(CPuzzleEntityNode& node, std::size_t i)
    {
        return *static_cast<CMetaBlockEntityNode*>(Pieces(node).GetChild(i));
    }
    static CBlock* Part(CMetaBlockEntityNode& group, std::size_t i)
    {
        return static_cast<CBlockEntityNode*>(group.GetChild(i))->GetBlock();
    }

    NodePtr<CPuzzleEntityNode> Build()
    {
        NodePtr<CPuzzleEntityNode> node(CreatePuzzleEntityNode(&world));
        node->SetPuzzle(&puzzle);
        return node;
    }

    Qen::CEngineController controller;
    CQuarrowWorld world{&controller};
    CEditablePuzzle puzzle;
};

TEST_F(PuzzleEntityNodeTest, EveryShownBlockAndEveryExitGetsANodeGroupedByPiece)
{
    // Single cells (1, 2, 3), a two-cell piece "AA" and a vertical one "DD"; the border's walls and its
    // two exits.
    BuildBoard(puzzle, {"1AA-D-", "----D2", "3-----"}, {{DirectionEast, 0}, {DirectionSouth, 1}});
    auto node = Build();
    ASSERT_EQ(3u, node->GetChildCount());
    EXPECT_TRUE(node->GetChild(0)->IsKindOf(typeid(GameLib::CModelNode)));

    // In block order: each block joins the first group whose first part is linked to it.
    std::vector<std::vector<CBlock*>> expected;
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (block->GetKind() == KindWall)
        {
            continue;
        }
        bool joined = false;
        for (auto& group : expected)
        {
            if (group.front()->LinkSetContains(block))
            {
                group.push_back(block);
                joined = true;
                break;
            }
        }
        if (!joined)
        {
            expected.push_back({block});
        }
    }
    // Three single cells, two pieces, two exits.
    ASSERT_EQ(7u, expected.size());
    ASSERT_EQ(expected.size(), Pieces(*node).GetChildCount());
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        SCOPED_TRACE(i);
        CMetaBlockEntityNode& group = Group(*node, i);
        EXPECT_EQ(static_cast<int>(i), group.GetIndex());
        ASSERT_EQ(expected[i].size(), group.GetChildCount());
        for (std::size_t j = 0; j < expected[i].size(); ++j)
        {
            EXPECT_EQ(expected[i][j], Part(group, j));
        }
    }
    int exits = 0;
    for (std::size_t i = 0; i < Pieces(*node).GetChildCount(); ++i)
    {
        exits += Part(Group(*node, i), 0)->GetKind() == KindLevelSolvedTrigger;
    }
    EXPECT_EQ(2, exits);
}

TEST_F(PuzzleEntityNodeTest, EveryBoardSizeIsCentredOnTheSamePoint)
{
    struct Case
    {
        int width, height;
        BaseLib::CVector3 node, particles;
    };
    const Case cases[] = {
        {6, 6, {0, 0, 0}, {2.5f, -2.5f, 1.5f}},
        {8, 4, {-1, -1, 0}, {3.5f, -1.5f, 1.5f}},
        {8, 6, {-1, 0, 0}, {3.5f, -2.5f, 1.5f}},
        {5, 5, {0.5f, -0.5f, 0}, {2, -2, 1.5f}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        BuildBoard(puzzle, std::vector<std::string>(static_cast<std::size_t>(c.height),
                                                    std::string(static_cast<std::size_t>(c.width), '-')));
        auto node = Build();
        EXPECT_EQ(c.node, node->GetPosition());
        EXPECT_EQ(c.particles, static_cast<GameLib::CTransformNode*>(node->GetChild(2))->GetPosition());
        // The particle place stands above world (2.5, -2.5) on every board.
        const BaseLib::CVector3 centre = WorldPosition(*node->GetChild(2));
        EXPECT_EQ(2.5f, centre.x);
        EXPECT_EQ(-2.5f, centre.y);
    }
}

TEST_F(PuzzleEntityNodeTest, RebuildFollowsTheBlocksAndReplacesEveryChild)
{
    BuildBoard(puzzle, {"AA----", "------"}, {{DirectionEast, 1}});
    auto node = Build();
    ASSERT_EQ(2u, Pieces(*node).GetChildCount()); // the piece and the exit
    puzzle.DeleteBlock(BlockAt(puzzle, 0, 0)->GetId());
    node->Rebuild();
    ASSERT_EQ(3u, node->GetChildCount());
    EXPECT_TRUE(node->GetChild(0)->IsKindOf(typeid(GameLib::CModelNode)));
    ASSERT_EQ(1u, Pieces(*node).GetChildCount());
    EXPECT_EQ(KindLevelSolvedTrigger, Part(Group(*node, 0), 0)->GetKind());
}

// A flex part squeezed in a piece of two; the group's shake over fourteen seconds of 0.02 s steps.
struct Shake
{
    int firstShakeStep = -1;
    float largest[3] = {0, 0, 0}; // per axis
    bool beyondAmplitude = false;
    int shakeSteps = 0; // of the first shake
    int restSteps = 0;  // after it
};

class MetaBlockEntityNodeTest : public PuzzleEntityNodeTest
{
protected:
    Shake Run(bool vertical, bool holdPart)
    {
        // A flex part and a normal one in one piece.
        BuildBoard(puzzle, vertical ? std::vector<std::string>{"F-----", "f-----", "------"}
                                    : std::vector<std::string>{"Ff----", "------", "------"});
        CBlock* flex = BlockAt(puzzle, 0, 0);
        // The flex part has give left: its extent along the chain is below one.
        vertical ? PlaceBlock(*flex, 0, 0.5f, 1, 0.5f) : PlaceBlock(*flex, 0.5f, 0, 0.5f, 1);
        if (holdPart)
        {
            puzzle.SelectBlock(BlockAt(puzzle, vertical ? 0.0f : 1.0f, vertical ? 1.0f : 0.0f)->GetId());
        }
        BaseLib::SeedRandom(12345);
        auto node = Build();
        // The border's exit comes first in block order; the piece is the second group.
        CMetaBlockEntityNode& group = Group(*node, 1);
        EXPECT_EQ(2u, group.GetChildCount());
        EXPECT_TRUE(static_cast<CBlockEntityNode*>(group.GetChild(0))->IsFlexStrained());
        Shake shake;
        bool resting = false;
        for (int step = 0; step < 700; ++step)
        {
            group.Update(0.02f);
            const BaseLib::CVector3 p = group.GetPosition();
            const bool moved = p.x != 0 || p.y != 0 || p.z != 0;
            for (int axis = 0; axis < 3; ++axis)
            {
                const float v = std::fabs(axis == 0 ? p.x : axis == 1 ? p.y : p.z);
                shake.largest[axis] = std::max(shake.largest[axis], v);
                shake.beyondAmplitude = shake.beyondAmplitude || v > 1.0f / 128.0f;
            }
            if (moved && shake.firstShakeStep < 0)
            {
                shake.firstShakeStep = step;
            }
            if (shake.firstShakeStep >= 0 && !resting)
            {
                resting = !moved && group.GetTimer() > 0;
                shake.shakeSteps += !resting;
            }
            if (resting)
            {
                if (moved)
                {
                    break;
                }
                ++shake.restSteps;
            }
            EXPECT_EQ(vertical ? CMetaBlockEntityNode::AxisVertical : CMetaBlockEntityNode::AxisHorizontal,
                      group.GetAxis());
        }
        return shake;
    }
};

TEST_F(MetaBlockEntityNodeTest, AStrainedGroupShakesForOneSecondAlongItsAxisThenRests)
{
    for (bool vertical : {false, true})
    {
        SCOPED_TRACE(vertical ? "vertical" : "horizontal");
        const Shake shake = Run(vertical, false);
        // The first rest is at most 6.93 s.
        ASSERT_GE(shake.firstShakeStep, 0);
        EXPECT_LE(shake.firstShakeStep, 347);
        EXPECT_FALSE(shake.beyondAmplitude);
        const int along = vertical ? 2 : 0;
        EXPECT_GT(shake.largest[along], 0.99f / 128.0f);
        for (int axis = 0; axis < 3; ++axis)
        {
            if (axis != along)
            {
                EXPECT_EQ(0.0f, shake.largest[axis]);
            }
        }
        // One second of 0.02 s steps (the step that passes one second ends it), then two to three
        // seconds of rest.
        EXPECT_NEAR(51, shake.shakeSteps, 1);
        EXPECT_GE(shake.restSteps, 99);
        EXPECT_LE(shake.restSteps, 150);
    }
}

TEST_F(MetaBlockEntityNodeTest, HoldingAPartKeepsTheGroupStill)
{
    const Shake shake = Run(false, true);
    EXPECT_EQ(-1, shake.firstShakeStep);
}

TEST_F(MetaBlockEntityNodeTest, ASeededRunRepeats)
{
    const Shake first = Run(false, false);
    const Shake second = Run(false, false);
    EXPECT_EQ(first.firstShakeStep, second.firstShakeStep);
    EXPECT_EQ(first.restSteps, second.restSteps);
}

// Without a model (here: no device to load one) the marker has no animation and still steps and turns.
TEST_F(PuzzleEntityNodeTest, AMarkerWithoutItsModelStandsStill)
{
    NodePtr<CArrowMarkerEntityNode> marker(CreateArrowMarkerEntityNode(&world, true));
    ASSERT_NE(nullptr, marker->GetModelNode());
    EXPECT_FALSE(marker->GetModelNode()->GetModel());
    EXPECT_EQ(0.0f, marker->GetAnimationController().GetLength());
    EXPECT_TRUE(marker->GetAnimationController().GetTargets().empty());
    marker->Update(0.5f);
    marker->SetDirection(3);
    EXPECT_TRUE(Near(RotationAboutZ(std::numbers::pi_v<float> / 2), marker->GetLocalTransform()));
}

} // namespace
