#include "tests/engine/ResourceFixture.h"

#include "engine/ModelFactory.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "framework/CollisionNode.h"
#include "framework/SceneManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{

using BaseLib::CVector3;
using GameLib::CCollisionMeshNode;
using GameLib::TCollisionRay;

// A frame holding a unit quad in the plane z = depth at x in [x0, x0 + 1], translated by (0, 0, shift).
std::string QuadFrame(const std::string& name, float x0, float depth, float shift = 0.0f,
                      const std::string& children = "")
{
    const std::string a = std::to_string(x0);
    const std::string b = std::to_string(x0 + 1.0f);
    const std::string z = std::to_string(depth);
    return "Frame " + name + " {\n FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0," + std::to_string(shift) +
           ",1;; }\n Mesh {\n  4;\n  " + a + ";0;" + z + ";,\n  " + b + ";0;" + z + ";,\n  " + b + ";1;" + z +
           ";,\n  " + a + ";1;" + z + ";;\n  1;\n  4;0,1,2,3;;\n }\n" + children + "}\n";
}

Qen::CFrame* FindFrame(Qen::CFrame* frame, const std::string& name)
{
    for (; frame != nullptr; frame = frame->Sibling())
    {
        if (frame->Name != nullptr && name == frame->Name)
        {
            return frame;
        }
        if (Qen::CFrame* found = FindFrame(frame->FirstChild(), name))
        {
            return found;
        }
    }
    return nullptr;
}

// A collision node in a scene, on an engine that loads the X files written into the test's folder.
class CollisionMeshFileTest : public EngineTesting::ResourceFixture
{
protected:
    void SetUp() override
    {
        ResourceFixture::SetUp();
        node = CCollisionMeshNode::Create();
        ASSERT_NE(nullptr, node);
        node->SetCulling(false);
        manager.GetRootNode()->AddChild(node);
    }

    void TearDown() override
    {
        manager.GetRootNode()->DeleteChildren();
        ResourceFixture::TearDown();
    }

    std::string Write(const std::string& name, const std::string& frames)
    {
        WriteFile(name, "xof 0303txt 0032\n" + frames);
        return (folder / name).string();
    }

    // The depth hit by a ray along +z through (x, 0.5), or NAN on a miss.
    float DepthAt(float x, CCollisionMeshNode* which = nullptr)
    {
        CVector3 point;
        const TCollisionRay ray{{x, 0.5f, -10.0f}, {0, 0, 1}};
        return (which != nullptr ? which : node)->IntersectRay(ray, &point, nullptr) ? point.z : NAN;
    }

    // The model the node loads for the file (the same options share one registered model).
    BaseLib::CResourcePtr<Qen::CModel> LoadLikeTheNode(const std::string& file)
    {
        Qen::CModelLoadOptions options;
        options.readStreamsFromEffects = false;
        options.loadMaterials = false;
        options.mergeSkinnedMeshes = false;
        options.finalMeshOptions = 0x990;
        return controller.GetModelFactory()->GetModel(&options, file, false);
    }

    GameLib::CSceneManager manager;
    CCollisionMeshNode* node = nullptr;
};

TEST_F(CollisionMeshFileTest, EveryMeshCountsInThePoseOfItsFrames)
{
    // The second mesh's indices must be offset by the first mesh's vertices; B's frame lifts it by 2.
    node->SetMesh(Write("two.x", QuadFrame("A", 0, 1) + QuadFrame("B", 5, 1, 2.0f, QuadFrame("BChild", 8, 4))));
    EXPECT_FLOAT_EQ(1.0f, DepthAt(0.5f));
    EXPECT_FLOAT_EQ(3.0f, DepthAt(5.5f));
    EXPECT_FLOAT_EQ(6.0f, DepthAt(8.5f)) << "a child combines its parent's matrix";
    EXPECT_TRUE(std::isnan(DepthAt(3.0f)));
}

TEST_F(CollisionMeshFileTest, ADisabledFrameHidesItsMeshesAndChildrenButNotItsSiblings)
{
    const std::string file =
        Write("hidden.x", QuadFrame("A", 0, 1, 0.0f, QuadFrame("AChild", 3, 1)) + QuadFrame("B", 5, 1));
    // The model the node will load (the same options share one registered model): A switched off.
    BaseLib::CResourcePtr<Qen::CModel> model = LoadLikeTheNode(file);
    ASSERT_TRUE(model.Get() != nullptr);
    Qen::CFrame* a = FindFrame(model->GetFrameRoot(), "A");
    ASSERT_NE(nullptr, a);
    a->visible = false;
    node->SetMesh(file);
    EXPECT_TRUE(std::isnan(DepthAt(0.5f)));
    EXPECT_TRUE(std::isnan(DepthAt(3.5f)));
    EXPECT_FLOAT_EQ(1.0f, DepthAt(5.5f));
}

TEST_F(CollisionMeshFileTest, AMeshWith32BitIndicesReachesItsLastVertices)
{
    // 16,385 unit quads side by side, 2 apart along x: 65,540 corners need 32-bit indices; read as 16-bit
    // the last quad's indices would wrap round to the first quad's corners.
    constexpr int Quads = 16385;
    std::string text = "Frame Wide {\n FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n Mesh {\n" +
                       std::to_string(4 * Quads) + ";\n";
    for (int q = 0; q < Quads; ++q)
    {
        const std::string a = std::to_string(2 * q);
        const std::string b = std::to_string(2 * q + 1);
        text += a + ";0;1;," + b + ";0;1;," + b + ";1;1;," + a + ";1;1;" + (q + 1 < Quads ? ",\n" : ";\n");
    }
    text += std::to_string(Quads) + ";\n";
    for (int q = 0; q < Quads; ++q)
    {
        const int v = 4 * q;
        text += "4;" + std::to_string(v) + "," + std::to_string(v + 1) + "," + std::to_string(v + 2) + "," +
                std::to_string(v + 3) + (q + 1 < Quads ? ";,\n" : ";;\n");
    }
    text += " }\n}\n";
    const std::string file = Write("wide.x", text);
    BaseLib::CResourcePtr<Qen::CModel> model = LoadLikeTheNode(file);
    ASSERT_TRUE(model.Get() != nullptr && model->GetFrameRoot() != nullptr);
    const Qen::CFrame* frame = model->GetFrameRoot();
    while (frame->FirstContainer() == nullptr && frame->FirstChild() != nullptr)
    {
        frame = frame->FirstChild();
    }
    ASSERT_NE(nullptr, frame->FirstContainer());
    EXPECT_NE(0u, frame->FirstContainer()->mesh->GetOptions() & Platform::GfxKit::MeshOption::Use32Bit);
    node->SetMesh(file);
    EXPECT_FLOAT_EQ(1.0f, DepthAt(2.0f * (Quads - 1) + 0.5f));
    EXPECT_TRUE(std::isnan(DepthAt(2.0f * Quads + 0.5f)));
}

TEST_F(CollisionMeshFileTest, FilesWithoutTrianglesMissAndANewFileReplacesTheOld)
{
    node->SetMesh(Write("empty.x", "Frame Empty {\n FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }\n}\n"));
    EXPECT_TRUE(std::isnan(DepthAt(0.5f)));
    node->SetMesh((folder / "missing.x").string());
    EXPECT_TRUE(std::isnan(DepthAt(0.5f)));
    node->SetMesh(Write("first.x", QuadFrame("A", 0, 1)));
    EXPECT_FLOAT_EQ(1.0f, DepthAt(0.5f));
    node->SetMesh(Write("second.x", QuadFrame("A", 5, 2)));
    EXPECT_TRUE(std::isnan(DepthAt(0.5f)));
    EXPECT_FLOAT_EQ(2.0f, DepthAt(5.5f));
}

TEST_F(CollisionMeshFileTest, APickLoopOverNodesSharingOneFileFindsTheNearestCube)
{
    // A cube of side 1 around the origin: the quad at z = -0.5 and its five companions.
    const std::string cube = Write("cube.x", R"(Frame Cube {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; }
 Mesh {
  8;
  -0.5;-0.5;-0.5;, 0.5;-0.5;-0.5;, 0.5;0.5;-0.5;, -0.5;0.5;-0.5;,
  -0.5;-0.5;0.5;, 0.5;-0.5;0.5;, 0.5;0.5;0.5;, -0.5;0.5;0.5;;
  6;
  4;0,3,2,1;, 4;4,5,6,7;, 4;0,1,5,4;, 4;3,7,6,2;, 4;0,4,7,3;, 4;1,2,6,5;;
 }
}
)");
    const std::size_t modelsBefore = CCollisionMeshNode::GetModelCount();
    // 16 cubes on a 4 x 4 grid in x and z, 2 units apart.
    for (int i = 0; i < 16; ++i)
    {
        GameLib::CTransformNode* place = GameLib::CTransformNode::Create();
        place->SetPosition(CVector3(2.0f * static_cast<float>(i % 4), 0.0f, 2.0f * static_cast<float>(i / 4)));
        place->SetName("cube " + std::to_string(i));
        manager.GetRootNode()->AddChild(place);
        CCollisionMeshNode* cubeNode = CCollisionMeshNode::Create();
        place->AddChild(cubeNode);
        cubeNode->SetMesh(cube);
    }
    EXPECT_EQ(modelsBefore + 1, CCollisionMeshNode::GetModelCount()) << "one model shared by the 16 nodes";

    auto pick = [this](const TCollisionRay& ray) {
        GameLib::CSceneManager::NodeArray nodes;
        manager.GetNodesOfType(typeid(GameLib::CCollisionNode), nodes);
        std::string nearest = "none";
        float best = 3.4028235e38f;
        for (GameLib::CSceneGraphNode* found : nodes)
        {
            CVector3 point;
            if (static_cast<GameLib::CCollisionNode*>(found)->IntersectRay(ray, &point, nullptr) &&
                (point - ray.origin).LengthSquared() < best)
            {
                best = (point - ray.origin).LengthSquared();
                nearest = found->GetParent()->GetName();
            }
        }
        return nearest;
    };
    // Straight down onto the cube at (2, 0, 4); along +z through the column x = 6 (cubes 3, 7, 11, 15).
    EXPECT_EQ("cube 9", pick({{2.1f, 10.0f, 4.2f}, {0, -1, 0}}));
    EXPECT_EQ("cube 3", pick({{6.2f, 0.1f, -10.0f}, {0, 0, 1}}));
    EXPECT_EQ("cube 15", pick({{6.2f, 0.1f, 20.0f}, {0, 0, -1}}));
    EXPECT_EQ("none", pick({{1.0f, 10.0f, 1.0f}, {0, -1, 0}}));
}

} // namespace
