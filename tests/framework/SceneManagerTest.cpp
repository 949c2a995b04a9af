#include "SceneRecorder.h"

#include "framework/CameraNode.h"
#include "framework/LightSourceNode.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace SceneTest;
using BaseLib::CVector3;
using BaseLib::CVector4;
using GameLib::CSceneGraphNode;
using GameLib::CSceneManager;
using GameLib::CTransformNode;
using Strings = std::vector<std::string>;

namespace
{

Strings Names(const CSceneManager::NodeArray& nodes)
{
    Strings names;
    for (const CSceneGraphNode* node : nodes)
    {
        names.push_back(node ? node->GetName() : "(null)");
    }
    return names;
}

// The root "R" with A {A1, A2 {A2a}} and B {B1}; every node a unit sphere at its own place on the X axis
// (R at 0, A at 10, A1 at 11, A2 at 12, A2a at 13, B at 20, B1 at 21), B1 a light.
class QueryScene : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = manager.GetRootNode();
        root->SetName("R");
        root->SetBounds(CVector3(0, 0, 0), 1.0f);
        CTransformNode* a = Place(root, "A", 10);
        Place(a, "A1", 1);
        Place(Place(a, "A2", 2), "A2a", 1);
        CTransformNode* b = Place(root, "B", 20);
        light = GameLib::CLightSourceNode::Create();
        light->SetName("B1");
        light->SetBounds(CVector3(1, 0, 0), 1.0f);
        b->AddChild(light);
    }

    CTransformNode* Place(CTransformNode* parent, const char* name, float x)
    {
        CTransformNode* node = Named(name);
        node->SetPosition(CVector3(x, 0, 0));
        node->SetBounds(CVector3(0, 0, 0), 1.0f);
        parent->AddChild(node);
        return node;
    }

    RecordingManager manager;
    GameLib::CSceneGraphRootNode* root = nullptr;
    GameLib::CLightSourceNode* light = nullptr;
    CSceneManager::NodeArray found;
};

const Strings everyNode{"R", "A", "A1", "A2", "A2a", "B", "B1"};

} // namespace

TEST(SceneManagerAlone, OnlyTheRootIsThere)
{
    CSceneManager manager;
    CSceneManager::NodeArray found;
    EXPECT_EQ(manager.GetAllNodes(found), 1u);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], manager.GetRootNode());
    EXPECT_EQ(manager.GetRootNode()->GetSceneManager(), &manager);
    EXPECT_EQ(manager.GetNodesOfType(typeid(GameLib::CCameraNode), found), 1u);
    manager.GetRootNode()->Release(true);
    EXPECT_EQ(manager.GetAllNodes(found), 2u) << "the root's Release does nothing";
}

TEST(SceneManagerAlone, ADeepChainIsWalkedWholeAndInOrder)
{
    CSceneManager manager;
    Strings expected{""};
    CTransformNode* tip = manager.GetRootNode();
    for (int level = 0; level < 100; ++level)
    {
        CTransformNode* next = Named("n" + std::to_string(level));
        tip->AddChild(next);
        tip = next;
        expected.push_back(tip->GetName());
    }
    manager.GetRootNode()->AddChild(Named("last"));
    expected.push_back("last");
    CSceneManager::NodeArray found;
    manager.GetAllNodes(found);
    EXPECT_EQ(Names(found), expected);
}

TEST_F(QueryScene, EveryQueryWalksInPreOrderAndAppends)
{
    found.push_back(nullptr);
    EXPECT_EQ(manager.GetAllNodes(found), 8u);
    Strings expected{"(null)"};
    expected.insert(expected.end(), everyNode.begin(), everyNode.end());
    EXPECT_EQ(Names(found), expected);

    found.clear();
    EXPECT_EQ(manager.GetNodesInVolume({}, typeid(CSceneGraphNode), found), 7u);
    EXPECT_EQ(Names(found), everyNode) << "an empty plane list passes every node";

    found.clear();
    EXPECT_EQ(manager.GetNodesOfType(typeid(CTransformNode), found), 6u);
    EXPECT_EQ(manager.GetNodesOfType(typeid(GameLib::CLightSourceNode), found), 7u);
    EXPECT_EQ(found.back(), light);
}

TEST_F(QueryScene, ShapeQueriesTestTheRefreshedWorldSpheres)
{
    struct Case
    {
        const char* what;
        std::function<std::size_t(CSceneManager&, CSceneManager::NodeArray&)> query;
        Strings expected;
    };
    const CSceneManager::Box touchesA2a{14, -5, -5, 30, 5, 5}; // A2a's sphere reaches x = 14
    const Case cases[] = {
        {"box touching A2a's sphere takes it",
         [&](CSceneManager& m, CSceneManager::NodeArray& out) {
             return m.GetNodesInBox(touchesA2a, typeid(CSceneGraphNode), out);
         },
         {"A2a", "B", "B1"}},
        {"box corner: the distance is summed over the axes (A1 is 0.8 off in x and in y)",
         [](CSceneManager& m, CSceneManager::NodeArray& out) {
             return m.GetNodesInBox({11.8f, 0.8f, 0, 12, 2, 1}, typeid(CSceneGraphNode), out);
         },
         {"A2"}},
        {"sphere touching A2 does not take it",
         [](CSceneManager& m, CSceneManager::NodeArray& out) {
             return m.GetNodesInSphere({12, 2, 0, 1}, typeid(CSceneGraphNode), out);
         },
         {}},
        {"sphere overlapping A2 by a little takes it",
         [](CSceneManager& m, CSceneManager::NodeArray& out) {
             return m.GetNodesInSphere({12, 2, 0, 1.01f}, typeid(CSceneGraphNode), out);
         },
         {"A2"}},
        {"volume x <= 12.5, -x <= -10.5: spheres reaching into the slab",
         [](CSceneManager& m, CSceneManager::NodeArray& out) {
             return m.GetNodesInVolume({{1, 0, 0, 12.5f}, {-1, 0, 0, -10.5f}}, typeid(CSceneGraphNode), out);
         },
         {"A", "A1", "A2", "A2a"}},
        {"volume with a plane no sphere reaches",
         [](CSceneManager& m, CSceneManager::NodeArray& out) {
             return m.GetNodesInVolume({{0, 1, 0, -2}}, typeid(CSceneGraphNode), out);
         },
         {}},
        {"type filter on a shape query",
         [](CSceneManager& m, CSceneManager::NodeArray& out) {
             return m.GetNodesInBox({-100, -100, -100, 100, 100, 100}, typeid(GameLib::CLightSourceNode), out);
         },
         {"B1"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        found.clear();
        EXPECT_EQ(c.query(manager, found), c.expected.size());
        EXPECT_EQ(Names(found), c.expected);
    }
}

TEST_F(QueryScene, NodesFilteredOutByTypeAreNotRefreshed)
{
    manager.calls.clear();
    manager.GetNodesInSphere({21, 0, 0, 1}, typeid(GameLib::CLightSourceNode), found);
    EXPECT_EQ(Names(found), Strings{"B1"});
    EXPECT_EQ(manager.calls, (std::vector<HookCall>{{"bounds", "B1", CVector4(21, 0, 0, 1)}}));
    found.clear();
    manager.GetAllNodes(found);
    for (CSceneGraphNode* node : found)
    {
        EXPECT_EQ(node->IsBoundsDirty(), node != light) << node->GetName();
    }

    // A moved parent: the next query sees its children where they are now.
    found.clear();
    static_cast<CTransformNode*>(root->GetChild(1))->SetPosition(CVector3(40, 0, 0));
    manager.GetNodesInSphere({41, 0, 0, 0.5f}, typeid(CSceneGraphNode), found);
    EXPECT_EQ(Names(found), (Strings{"B", "B1"}));
}
