#include "SceneRecorder.h"

#include "engine/Camera.h"
#include "framework/CameraNode.h"
#include "framework/GameEntityNode.h"
#include "framework/LightSourceNode.h"
#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace SceneTest;
using BaseLib::CMatrix;
using BaseLib::CVector3;
using BaseLib::CVector4;
using GameLib::CSceneGraphNode;
using GameLib::CTransformNode;
using Strings = std::vector<std::string>;

namespace
{

// Every node of the tree in pre-order as "name<parent name", with its manager marked.
std::string Describe(GameLib::CSceneManager& manager, CSceneGraphNode* top)
{
    std::string text;
    GameLib::CSceneGraphIterator walk(typeid(CSceneGraphNode), top);
    while (CSceneGraphNode* node = walk.Next())
    {
        text += node->GetName() + "<" + (node->GetParent() ? node->GetParent()->GetName() : "-");
        text += node->GetSceneManager() == &manager ? "* " : " ";
    }
    return text;
}

class TestEntity : public GameLib::CGameEntityNode
{
public:
    using CGameEntityNode::CGameEntityNode;
    void Update(float) override {}
};

} // namespace

TEST(SceneNodeChanges, SettingAnEqualValueAgainNotifiesNobody)
{
    struct Case
    {
        const char* what;
        std::function<void(CTransformNode*, int)> set; // sets value number 0 or 1
    };
    const Case cases[] = {
        {"local matrix", [](CTransformNode* n, int v) { n->SetLocalTransform(Translation(float(v + 1), 0, 0)); }},
        {"position", [](CTransformNode* n, int v) { n->SetPosition(CVector3(0, float(v + 1), 0)); }},
        {"bounds", [](CTransformNode* n, int v) { n->SetBounds(CVector3(0, 0, float(v + 1)), 2.0f); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        RecordingManager manager;
        CTransformNode* node = Named("N");
        manager.GetRootNode()->AddChild(node);
        node->GetWorldBounds();
        manager.calls.clear();

        c.set(node, 0);
        node->GetWorldBounds();
        c.set(node, 0);
        node->GetWorldBounds();
        EXPECT_EQ(manager.Hooks(), (Strings{"invalidated N", "bounds N"}));

        c.set(node, 1);
        EXPECT_EQ(manager.Hooks().size(), 3u) << "a different value notifies again";
    }
}

TEST(SceneNodeChanges, InvalidatingADirtyNodeNeitherNotifiesNorDescends)
{
    std::vector<std::string> log; // outlives the nodes the manager deletes
    RecordingManager manager;
    auto* parent = new LoggingNode("P", log);
    auto* child = new LoggingNode("C", log);
    parent->AddChild(child);
    manager.GetRootNode()->AddChild(parent);
    child->GetWorldTransform();
    manager.calls.clear();
    log.clear();

    parent->Invalidate();
    EXPECT_EQ(manager.Hooks(), (Strings{"invalidated P", "invalidated C"}));
    EXPECT_TRUE(child->IsWorldTransformDirty());
    EXPECT_TRUE(child->IsBoundsDirty());

    parent->Invalidate();
    EXPECT_EQ(manager.Hooks().size(), 2u);
    EXPECT_EQ(log, (Strings{"invalidate P", "invalidate C", "invalidate P"}));
}

TEST(SceneNodeChanges, OneReadAtTheLeafRefreshesADirtyChainTopDown)
{
    std::vector<std::string> log;
    auto* top = new LoggingNode("top", log);
    auto* middle = new LoggingNode("middle", log);
    auto* leaf = new LoggingNode("leaf", log);
    top->AddChild(middle);
    middle->AddChild(leaf);
    top->SetLocalTransform(Translation(1, 0, 0));
    middle->SetLocalTransform(Scaling(2));
    leaf->SetLocalTransform(Translation(0, 3, 0));
    ASSERT_TRUE(top->IsWorldTransformDirty() && middle->IsWorldTransformDirty() && leaf->IsWorldTransformDirty());
    log.clear();

    const CMatrix& world = leaf->GetWorldTransform();
    EXPECT_EQ(log, (Strings{"refreshed top", "refreshed middle", "refreshed leaf"}));
    EXPECT_FALSE(top->IsWorldTransformDirty() || middle->IsWorldTransformDirty() || leaf->IsWorldTransformDirty());
    EXPECT_EQ(world, Translation(0, 3, 0) * Scaling(2) * Translation(1, 0, 0));
    EXPECT_EQ(world.m[3][0], 1.0f);
    EXPECT_EQ(world.m[3][1], 6.0f);

    log.clear();
    leaf->GetWorldTransform();
    EXPECT_TRUE(log.empty()) << "a clean chain is not computed again";
    top->Release(true);
}

TEST(SceneNodeWorldValues, MatrixAndSphereFollowTheParent)
{
    struct Case
    {
        const char* what;
        std::function<CSceneGraphNode*(std::vector<CSceneGraphNode*>& owned)> build;
        CMatrix world;
        CVector4 sphere;
    };
    const CMatrix parentWorld = Scaling(2) * Translation(1, 2, 3);
    const Case cases[] = {
        {"transform node without parent: world = local",
         [](std::vector<CSceneGraphNode*>& owned) {
             CTransformNode* node = CTransformNode::Create();
             node->SetLocalTransform(Translation(4, 5, 6));
             node->SetBounds(CVector3(1, 0, 0), 0.5f);
             owned.push_back(node);
             return node;
         },
         Translation(4, 5, 6), CVector4(5, 5, 6, 0.5f)},
        {"light node without parent: identity",
         [](std::vector<CSceneGraphNode*>& owned) {
             GameLib::CLightSourceNode* light = GameLib::CLightSourceNode::Create();
             light->SetBounds(CVector3(1, 2, 3), 4.0f);
             owned.push_back(light);
             return light;
         },
         CMatrix::Identity, CVector4(1, 2, 3, 4)},
        {"child of a parent moved by (1, 2, 3) and scaled by 2: centre moved, radius unchanged",
         [parentWorld](std::vector<CSceneGraphNode*>& owned) {
             CTransformNode* parent = CTransformNode::Create();
             parent->SetLocalTransform(parentWorld);
             CTransformNode* child = CTransformNode::Create();
             child->SetLocalTransform(Translation(1, 0, 0));
             child->SetBounds(CVector3(0, 1, 0), 0.5f);
             parent->AddChild(child);
             owned.push_back(parent);
             parent->GetWorldTransform(); // the child's refresh must not depend on a dirty parent
             parent->Invalidate();
             return child;
         },
         Translation(1, 0, 0) * parentWorld, CVector4(3, 4, 3, 0.5f)},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        std::vector<CSceneGraphNode*> owned;
        CSceneGraphNode* node = c.build(owned);
        EXPECT_EQ(node->GetWorldTransform(), c.world);
        EXPECT_EQ(node->GetWorldBounds(), c.sphere);
        EXPECT_FALSE(node->IsBoundsDirty());
        for (CSceneGraphNode* each : owned)
        {
            each->Release(true);
        }
    }
}

TEST(SceneNodeParents, ADetachedSubtreeTakesTheManagerInPreOrderAndGivesItUpOnRemoval)
{
    RecordingManager manager;
    CTransformNode* a = Named("A");
    CTransformNode* b = Named("B");
    CTransformNode* c = Named("C");
    CTransformNode* d = Named("D");
    b->AddChild(c);
    a->AddChild(b);
    a->AddChild(d);
    a->SetBounds(CVector3(7, 0, 0), 1.0f);
    const CVector4 stored = a->GetWorldBounds();
    EXPECT_TRUE(manager.calls.empty()) << "a detached tree has no manager";
    c->SetBounds(CVector3(0, 9, 0), 3.0f); // a stale sphere below must not be refreshed by the move

    manager.GetRootNode()->AddChild(a);
    EXPECT_EQ(manager.calls, (std::vector<HookCall>{{"added", "A", stored},
                                                    {"added", "B", stored},
                                                    {"added", "C", stored},
                                                    {"added", "D", stored},
                                                    {"invalidated", "A", {}}}));
    EXPECT_EQ(Describe(manager, manager.GetRootNode()), "<-* A<* B<A* C<B* D<A* ");
    EXPECT_TRUE(c->IsBoundsDirty());

    // Moving it under a parent outside the managed tree.
    CTransformNode* elsewhere = Named("X");
    manager.calls.clear();
    manager.GetRootNode()->RemoveChild(a);
    elsewhere->AddChild(a);
    EXPECT_EQ(manager.Hooks(), (Strings{"removed A", "removed B", "removed C", "removed D"}));
    EXPECT_EQ(Describe(manager, elsewhere), "X<- A<X B<A C<B D<A ");
    EXPECT_EQ(manager.GetRootNode()->GetChildCount(), 0u);
    elsewhere->Release(true);
}

TEST(SceneNodeParents, CallsThatWouldBreakTheTreeAreRefusedWithATrace)
{
    RecordingManager manager;
    CTransformNode* a = Named("A");
    CTransformNode* b = Named("B");
    a->AddChild(b);
    manager.GetRootNode()->AddChild(a);
    CTransformNode* x = Named("X");
    CTransformNode* y = Named("Y");
    x->AddChild(y);
    CTransformNode* loose = Named("L");

    struct Case
    {
        const char* what;
        std::function<void()> call;
        const char* trace;
    };
    const Case cases[] = {
        {"adding a node that has a parent", [&] { manager.GetRootNode()->AddChild(b); },
         "Error: CTransformNode::AddChild: the node already has a parent\n"},
        {"adding an ancestor", [&] { y->AddChild(x); },
         "Error: CTransformNode::AddChild: the node is an ancestor of this node\n"},
        {"adding the node itself", [&] { loose->AddChild(loose); },
         "Error: CTransformNode::AddChild: a node cannot be its own child\n"},
        {"adding null", [&] { a->AddChild(nullptr); }, "Error: CTransformNode::AddChild: the node is null\n"},
        {"adding the root", [&] { loose->AddChild(manager.GetRootNode()); },
         "Error: CTransformNode::AddChild: the root of a scene cannot be a child\n"},
        {"removing a node that is not a child", [&] { a->RemoveChild(loose); },
         "Error: CTransformNode::RemoveChild: the node is not a child of this node\n"},
        {"a child index out of range", [&] { EXPECT_EQ(a->GetChild(1), nullptr); },
         "Error: CTransformNode::GetChild: index 1 is out of range (1 children)\n"},
    };
    const std::string managed = Describe(manager, manager.GetRootNode());
    const std::string detached = Describe(manager, x);
    const std::string lone = Describe(manager, loose);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        manager.calls.clear();
        Platform::DebugOutputCapture capture;
        c.call();
        EXPECT_EQ(capture.Text(), c.trace);
        EXPECT_TRUE(manager.calls.empty());
        EXPECT_EQ(Describe(manager, manager.GetRootNode()), managed);
        EXPECT_EQ(Describe(manager, x), detached);
        EXPECT_EQ(Describe(manager, loose), lone);
    }
    x->Release(true);
    loose->Release(true);
}

TEST(SceneNodeDeletion, DeleteChildrenGoesLastFirstWithEachSubtree)
{
    std::vector<std::string> log;
    RecordingManager manager;
    auto* parent = new LoggingNode("P", log);
    manager.GetRootNode()->AddChild(parent);
    auto* first = new LoggingNode("1", log);
    first->AddChild(new LoggingNode("1a", log));
    parent->AddChild(first);
    parent->AddChild(new LoggingNode("2", log));
    parent->AddChild(new LoggingNode("3", log));
    log.clear();
    manager.calls.clear();

    parent->DeleteChildren();
    Strings deletions;
    for (const std::string& line : log)
    {
        if (line.rfind("deleted", 0) == 0)
        {
            deletions.push_back(line);
        }
    }
    EXPECT_EQ(deletions, (Strings{"deleted 3", "deleted 2", "deleted 1a", "deleted 1"}));
    EXPECT_EQ(parent->GetChildCount(), 0u);
    EXPECT_EQ(manager.Hooks(), (Strings{"removed 3", "removed 2", "removed 1a", "removed 1"}));
}

TEST(SceneNodeDeletion, DeletingACameraNodeLeavesItsChildDetachedAndUsable)
{
    RecordingManager manager;
    auto* camera = new GameLib::CCameraNode();
    camera->SetName("cam");
    CTransformNode* child = Named("K");
    camera->AddChild(child);
    manager.GetRootNode()->AddChild(camera);
    manager.calls.clear();

    camera->Release(true);
    EXPECT_EQ(manager.Hooks(), (Strings{"removed K", "removed cam"}));
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_EQ(child->GetSceneManager(), nullptr);
    EXPECT_EQ(manager.GetRootNode()->GetChildCount(), 0u);
    child->SetPosition(CVector3(1, 2, 3));
    EXPECT_EQ(child->GetWorldTransform(), Translation(1, 2, 3));
    manager.GetRootNode()->AddChild(child); // the manager's destructor deletes it with the root
    EXPECT_EQ(child->GetSceneManager(), &manager);
}

TEST(SceneNodeKinds, ACameraNodeIsACameraATransformAndANode)
{
    GameLib::CCameraNode* camera = new GameLib::CCameraNode();
    const struct
    {
        const std::type_info& type;
        bool expected;
    } cases[] = {
        {typeid(GameLib::CCameraNode), true},         {typeid(CTransformNode), true},
        {typeid(CSceneGraphNode), true},              {typeid(GameLib::CSceneGraphRootNode), false},
        {typeid(GameLib::CGameEntityNode), false},    {typeid(GameLib::CLightSourceNode), false},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(camera->IsKindOf(c.type), c.expected) << c.type.name();
    }
    camera->Release(true);

    int entity = 0;
    TestEntity* node = new TestEntity(&entity);
    EXPECT_EQ(node->GetEntity(), &entity);
    EXPECT_TRUE(node->IsKindOf(typeid(GameLib::CGameEntityNode)) && node->IsKindOf(typeid(CTransformNode)));
    node->Release(true);
}

TEST(SceneCameraAndLight, TheyFollowTheWorldMatrix)
{
    // Scaled by 3, turned 90 degrees about Y (its Z axis along +X), moved to (5, 0, 0).
    const CMatrix placement = Scaling(3) * QuarterTurnAboutY() * Translation(5, 0, 0);
    RecordingManager manager;
    auto* camera = new GameLib::CCameraNode();
    manager.GetRootNode()->AddChild(camera);
    camera->SetLocalTransform(placement);

    camera->GetCamera()->SetUpVector(CVector3(0, 0, 2));
    Qen::CCamera* view = camera->GetCamera();
    EXPECT_EQ(view->forward, CVector3(1, 0, 0));
    EXPECT_EQ(view->position, CVector3(5, 0, 0));
    EXPECT_EQ(view->up, CVector3(0, 0, 1)) << "the node's up vector is not used by default";
    EXPECT_EQ(view->nearDistance, 0.1f) << "the camera keeps its own defaults";

    camera->SetUseNodeUpVector(true);
    EXPECT_EQ(camera->GetCamera()->up, CVector3(0, 1, 0));

    GameLib::CLightSourceNode* light = GameLib::CLightSourceNode::Create();
    camera->AddChild(light);
    const Qen::CLightDescription* record = light->GetLight();
    EXPECT_EQ(record->direction, CVector3(3, 0, 0)) << "not normalised";
    EXPECT_EQ(record->position, CVector3(5, 0, 0));
    EXPECT_EQ(record->type, 1);
    EXPECT_EQ(record->colour, CVector3(1, 1, 1));
    EXPECT_EQ(record->range, 3.4028235e38f);
    EXPECT_EQ(record->attenuation[2], 1.0f);
    EXPECT_EQ(record->cone[0], 0.3926991f);
    EXPECT_EQ(record->cone[1], 0.4926991f);
    EXPECT_EQ(record->falloff, 1.0f);
    EXPECT_FALSE(record->castsShadows);

    camera->SetPosition(CVector3(0, 0, -2));
    EXPECT_EQ(light->GetLight()->position, CVector3(0, 0, -2)) << "moving the parent moves the light";
    light->Release(true); // a camera node's Release leaves its children to their owner
}
