#include "framework/CollisionNode.h"
#include "framework/SceneManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using GameLib::CCollisionMeshNode;
using GameLib::TCollisionRay;
using Vertices = std::vector<CVector3>;
using Indices = std::vector<std::uint32_t>;

const CVector3 kSentinel(-7.0f, -7.0f, -7.0f);

// A unit quad at depth z whose normal (p1 - p0) x (p2 - p0) points to -z; facing +z when flipped.
void AddQuad(Vertices& vertices, Indices& indices, float z, bool flipped = false)
{
    const auto base = static_cast<std::uint32_t>(vertices.size());
    vertices.insert(vertices.end(), {{0, 0, z}, {1, 0, z}, {1, 1, z}, {0, 1, z}});
    const Indices quad = flipped ? Indices{0, 1, 2, 0, 2, 3} : Indices{0, 2, 1, 0, 3, 2};
    for (std::uint32_t index : quad)
    {
        indices.push_back(base + index);
    }
}

CMatrix Translation(float x, float y, float z)
{
    CMatrix matrix = CMatrix::Identity;
    matrix.m[3][0] = x;
    matrix.m[3][1] = y;
    matrix.m[3][2] = z;
    return matrix;
}

CMatrix Scaling(float s)
{
    CMatrix matrix = CMatrix::Identity;
    matrix.m[0][0] = matrix.m[1][1] = matrix.m[2][2] = s;
    return matrix;
}

void ExpectNear(const CVector3& expected, const CVector3& actual)
{
    EXPECT_NEAR(expected.x, actual.x, 1e-4f);
    EXPECT_NEAR(expected.y, actual.y, 1e-4f);
    EXPECT_NEAR(expected.z, actual.z, 1e-4f);
}

// A collision node under a transform node of the scene, so that its world matrix can be moved.
class CollisionNodeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        holder = GameLib::CTransformNode::Create();
        manager.GetRootNode()->AddChild(holder);
        node = CCollisionMeshNode::Create();
        ASSERT_NE(nullptr, node);
        holder->AddChild(node);
    }

    GameLib::CSceneManager manager;
    GameLib::CTransformNode* holder = nullptr;
    CCollisionMeshNode* node = nullptr;
};

TEST_F(CollisionNodeTest, TypesAndANodeWithoutModel)
{
    EXPECT_TRUE(node->IsKindOf(typeid(CCollisionMeshNode)));
    EXPECT_TRUE(node->IsKindOf(typeid(GameLib::CCollisionNode)));
    EXPECT_TRUE(node->IsKindOf(typeid(GameLib::CSceneGraphNode)));
    EXPECT_FALSE(node->IsKindOf(typeid(GameLib::CTransformNode)));
    EXPECT_TRUE(node->GetCulling());
    EXPECT_FALSE(node->Intersect(holder));
    CVector3 point = kSentinel;
    EXPECT_FALSE(node->IntersectRay({{0.5f, 0.5f, 0}, {0, 0, 1}}, &point, nullptr));
    EXPECT_EQ(kSentinel, point);
    // Lists without a whole triangle make an empty model.
    node->SetTriangles({{0, 0, 0}, {1, 0, 0}}, {0, 1});
    EXPECT_FALSE(node->IntersectRay({{0.5f, 0.5f, 0}, {0, 0, 1}}, &point, nullptr));
}

TEST_F(CollisionNodeTest, RaysAgainstAQuadPlacedByTheNode)
{
    Vertices vertices;
    Indices indices;
    AddQuad(vertices, indices, 5.0f);
    node->SetTriangles(vertices, indices);
    struct Placement
    {
        const char* name;
        CMatrix matrix;
        float offsetX; // where the quad's x = 0.5 lands
        float z;       // where the quad lands in depth
    };
    const Placement placements[] = {
        {"identity", CMatrix::Identity, 0.5f, 5.0f},
        {"translated", Translation(10, 0, 0), 10.5f, 5.0f},
        {"scaled by 2", Scaling(2), 1.0f, 10.0f},
    };
    for (const Placement& placement : placements)
    {
        SCOPED_TRACE(placement.name);
        holder->SetLocalTransform(placement.matrix);
        const float x = placement.offsetX;
        const float y = placement.matrix.m[1][1] * 0.25f;
        struct Case
        {
            const char* name;
            TCollisionRay ray;
            bool cull;
            bool hit;
        };
        const Case cases[] = {
            {"miss", {{x + 50, y, 0}, {0, 0, 1}}, true, false},
            {"front", {{x, y, 0}, {0, 0, 1}}, true, true},
            {"front, longer direction", {{x, y, 0}, {0, 0, 2}}, true, true},
            {"behind, culled", {{x, y, 20}, {0, 0, -1}}, true, false},
            {"behind, not culled", {{x, y, 20}, {0, 0, -1}}, false, true},
            {"shared diagonal", {{x, x - placement.matrix.m[3][0], 0}, {0, 0, 1}}, true, true},
        };
        for (const Case& c : cases)
        {
            SCOPED_TRACE(c.name);
            node->SetCulling(c.cull);
            CVector3 point = kSentinel;
            CVector3 normal = kSentinel;
            ASSERT_EQ(c.hit, node->IntersectRay(c.ray, &point, &normal));
            if (!c.hit)
            {
                EXPECT_EQ(kSentinel, point);
                EXPECT_EQ(kSentinel, normal);
                continue;
            }
            ExpectNear(CVector3(c.ray.origin.x, c.ray.origin.y, placement.z), point);
            ExpectNear(CVector3(0, 0, -1), normal);
            // Either output may be left out.
            CVector3 onlyNormal = kSentinel;
            EXPECT_TRUE(node->IntersectRay(c.ray, nullptr, &onlyNormal));
            ExpectNear(CVector3(0, 0, -1), onlyNormal);
            EXPECT_TRUE(node->IntersectRay(c.ray, nullptr, nullptr));
        }
    }
}

TEST_F(CollisionNodeTest, TheClosestTriangleThatFacesTheRayIsReported)
{
    Vertices vertices;
    Indices indices;
    AddQuad(vertices, indices, 5.0f);
    AddQuad(vertices, indices, 3.0f);
    node->SetTriangles(vertices, indices);
    CVector3 point;
    ASSERT_TRUE(node->IntersectRay({{0.3f, 0.6f, 0}, {0, 0, 1}}, &point, nullptr));
    ExpectNear(CVector3(0.3f, 0.6f, 3.0f), point);

    // The nearer quad turned away: culling lets the query go on to the farther one.
    vertices.clear();
    indices.clear();
    AddQuad(vertices, indices, 5.0f);
    AddQuad(vertices, indices, 3.0f, true);
    node->SetTriangles(vertices, indices);
    CVector3 normal;
    ASSERT_TRUE(node->IntersectRay({{0.3f, 0.6f, 0}, {0, 0, 1}}, &point, &normal));
    ExpectNear(CVector3(0.3f, 0.6f, 5.0f), point);
    ExpectNear(CVector3(0, 0, -1), normal);
    node->SetCulling(false);
    ASSERT_TRUE(node->IntersectRay({{0.3f, 0.6f, 0}, {0, 0, 1}}, &point, &normal));
    ExpectNear(CVector3(0.3f, 0.6f, 3.0f), point);
    ExpectNear(CVector3(0, 0, 1), normal);
}

TEST_F(CollisionNodeTest, MovingTheNodeMovesTheHitWithoutRebuilding)
{
    Vertices vertices;
    Indices indices;
    AddQuad(vertices, indices, 5.0f);
    node->SetTriangles(vertices, indices);
    const TCollisionRay ray{{3.5f, 0.5f, 0}, {0, 0, 1}};
    CVector3 point;
    EXPECT_FALSE(node->IntersectRay(ray, &point, nullptr));
    holder->SetLocalTransform(Translation(3, 0, 1));
    ASSERT_TRUE(node->IntersectRay(ray, &point, nullptr));
    ExpectNear(CVector3(3.5f, 0.5f, 6.0f), point);
    // A matrix without inverse answers false.
    holder->SetLocalTransform(Scaling(0));
    point = kSentinel;
    EXPECT_FALSE(node->IntersectRay(ray, &point, nullptr));
    EXPECT_EQ(kSentinel, point);
}

// A node queried before every move keeps its inverse world matrix from query to query; a node made
// after the move starts without one. Both must answer each ray bit for bit alike, whichever of the
// holder or its parent moved, and neither hits while the world matrix has no inverse.
TEST_F(CollisionNodeTest, AKeptInverseFollowsEveryMoveOfTheNodeAndItsParent)
{
    GameLib::CTransformNode* outer = GameLib::CTransformNode::Create();
    manager.GetRootNode()->AddChild(outer);
    GameLib::CTransformNode* inner = GameLib::CTransformNode::Create();
    outer->AddChild(inner);
    CCollisionMeshNode* kept = CCollisionMeshNode::Create();
    inner->AddChild(kept);
    Vertices vertices;
    Indices indices;
    AddQuad(vertices, indices, 5.0f);
    AddQuad(vertices, indices, 7.0f, true);
    kept->SetTriangles(vertices, indices);

    std::vector<TCollisionRay> rays;
    for (int i = 0; i < 36; ++i)
    {
        const float x = -1.0f + 0.6f * static_cast<float>(i % 6);
        const float y = -1.0f + 0.6f * static_cast<float>(i / 6);
        rays.push_back({{x, y, 0}, {0.01f, 0.02f, 1}});
        rays.push_back({{x, y, 12}, {0, 0, -1}});
    }
    CMatrix turned = Translation(0.5f, -0.25f, 1);
    turned.m[0][0] = turned.m[1][1] = std::cos(0.3f);
    turned.m[0][1] = std::sin(0.3f);
    turned.m[1][0] = -std::sin(0.3f);
    struct Move
    {
        GameLib::CTransformNode* which;
        CMatrix to;
        bool invertible;
    };
    const Move moves[] = {
        {inner, Translation(0.3f, 0.2f, 0), true},  {outer, turned, true},
        {inner, Scaling(1.5f), true},               {outer, Scaling(0), false},
        {outer, Translation(-0.4f, 0.1f, 2), true}, {inner, Scaling(0), false},
        {inner, Translation(0, 0, -1), true},
    };
    for (const Move& move : moves)
    {
        for (bool cull : {true, false})
        {
            kept->SetCulling(cull);
            kept->IntersectRay(rays[0], nullptr, nullptr); // the inverse is kept before the move
        }
        move.which->SetLocalTransform(move.to);
        CCollisionMeshNode* fresh = CCollisionMeshNode::Create();
        inner->AddChild(fresh);
        fresh->SetTriangles(vertices, indices);
        int hits = 0;
        for (bool cull : {true, false})
        {
            kept->SetCulling(cull);
            fresh->SetCulling(cull);
            for (const TCollisionRay& ray : rays)
            {
                CVector3 keptPoint = kSentinel;
                CVector3 keptNormal = kSentinel;
                CVector3 freshPoint = kSentinel;
                CVector3 freshNormal = kSentinel;
                const bool keptHit = kept->IntersectRay(ray, &keptPoint, &keptNormal);
                ASSERT_EQ(fresh->IntersectRay(ray, &freshPoint, &freshNormal), keptHit);
                EXPECT_EQ(0, std::memcmp(&freshPoint, &keptPoint, sizeof(CVector3)));
                EXPECT_EQ(0, std::memcmp(&freshNormal, &keptNormal, sizeof(CVector3)));
                hits += keptHit ? 1 : 0;
            }
        }
        if (move.invertible)
        {
            EXPECT_GT(hits, 0);
        }
        else
        {
            EXPECT_EQ(0, hits);
        }
        fresh->Release(false);
    }
}

TEST_F(CollisionNodeTest, IndicesOutsideTheVertexListAreLeftOut)
{
    Vertices vertices;
    Indices indices;
    AddQuad(vertices, indices, 5.0f);
    indices[2] = 1000; // the first triangle (below the diagonal) reads past the list
    node->SetTriangles(vertices, indices);
    EXPECT_FALSE(node->IntersectRay({{0.8f, 0.2f, 0}, {0, 0, 1}}, nullptr, nullptr));
    CVector3 point;
    ASSERT_TRUE(node->IntersectRay({{0.2f, 0.8f, 0}, {0, 0, 1}}, &point, nullptr));
    ExpectNear(CVector3(0.2f, 0.8f, 5.0f), point);
}

TEST_F(CollisionNodeTest, ModelsAndTheDeviceGoWithTheirLastNode)
{
    const std::size_t before = CCollisionMeshNode::GetModelCount();
    Vertices vertices;
    Indices indices;
    AddQuad(vertices, indices, 5.0f);
    node->SetTriangles(vertices, indices);
    EXPECT_EQ(before + 1, CCollisionMeshNode::GetModelCount());
    EXPECT_GT(CCollisionMeshNode::GetModelMemory(), 0u);
    node->SetTriangles(vertices, indices);
    EXPECT_EQ(before + 1, CCollisionMeshNode::GetModelCount());
    node->Release(false);
    node = nullptr;
    EXPECT_EQ(before, CCollisionMeshNode::GetModelCount());
    EXPECT_EQ(0u, CCollisionMeshNode::GetModelMemory());
}

} // namespace
