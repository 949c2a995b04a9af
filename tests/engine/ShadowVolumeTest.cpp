#include "tests/engine/MeshFixture.h"

#include "engine/ModelLoadOptions.h"
#include "engine/ModelPreparation.h"
#include "engine/ShadowVolume.h"
#include "engine/VertexElements.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

namespace EngineTesting
{
namespace
{

using Platform::GfxKit::Mesh;
using Qen::CFrame;
using Qen::CMeshContainer;

// The 12 triangles of the cube [-1, 1]³ over its 8 corners (corner i at x = bit 0, y = bit 1, z = bit
// 2), each wound so that (p1 - p0) × (p2 - p0) points out; `skip` triangles left out at the end.
std::vector<std::uint32_t> CubeTriangles(std::size_t skip = 0)
{
    const auto corner = [](std::uint32_t i) {
        return Qen::Vector3{i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f};
    };
    std::vector<std::uint32_t> triangles;
    for (std::uint32_t axis = 0; axis < 3; ++axis)
    {
        for (std::uint32_t side = 0; side < 2; ++side)
        {
            // The face's corners in order around it: the two other axes' bits 00, 01, 11, 10.
            const std::uint32_t u = 1u << ((axis + 1) % 3);
            const std::uint32_t v = 1u << ((axis + 2) % 3);
            const std::uint32_t base = side != 0 ? 1u << axis : 0u;
            const std::uint32_t quad[4] = {base, base | u, base | u | v, base | v};
            for (const auto& t : {std::array<std::uint32_t, 3>{quad[0], quad[1], quad[2]},
                                  std::array<std::uint32_t, 3>{quad[0], quad[2], quad[3]}})
            {
                const Qen::Vector3 p0 = corner(t[0]);
                const Qen::Vector3 p1 = corner(t[1]);
                const Qen::Vector3 p2 = corner(t[2]);
                const Qen::Vector3 n = Platform::GfxKit::Vec3Cross({p1.x - p0.x, p1.y - p0.y, p1.z - p0.z},
                                                                   {p2.x - p0.x, p2.y - p0.y, p2.z - p0.z});
                const float outward = (axis == 0 ? n.x : axis == 1 ? n.y : n.z) * (side != 0 ? 1.0f : -1.0f);
                triangles.insert(triangles.end(), {t[0], outward > 0 ? t[1] : t[2], outward > 0 ? t[2] : t[1]});
            }
        }
    }
    triangles.resize(triangles.size() - 3 * skip);
    return triangles;
}

std::vector<float> CubeCorners()
{
    std::vector<float> corners;
    for (std::uint32_t i = 0; i < 8; ++i)
    {
        corners.insert(corners.end(), {i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f});
    }
    return corners;
}

Qen::Vector3 PositionOf(Mesh* mesh, std::uint32_t vertex)
{
    Qen::Vector3 p;
    std::memcpy(&p, mesh->Vertex(vertex), sizeof p);
    return p;
}

class ShadowVolumeTest : public MeshFixture
{
protected:
    CMeshContainer* Cube(std::size_t skip = 0)
    {
        CFrame* frame = AddFrame("cube");
        Mesh* mesh = MakeMesh(CubeCorners(), CubeTriangles(skip));
        CMeshContainer* container = AddContainer(frame, mesh, 0, "Box");
        mesh->Release();
        return container;
    }
};

TEST_F(ShadowVolumeTest, AClosedCubeGetsAQuadOnEveryEdgeBetweenItsSides)
{
    CMeshContainer* container = Cube();
    Qen::BuildShadowVolume(*container, 0.001f, "cube.x");
    Mesh* volume = container->mesh;
    EXPECT_EQ(24u, volume->GetNumVertices());
    EXPECT_EQ(36u, volume->GetNumFaces());
    EXPECT_EQ(24u, volume->GetNumBytesPerVertex());
    // Without source normals nothing is pulled in; each vertex carries its side's normal.
    for (std::uint32_t v = 0; v < volume->GetNumVertices(); ++v)
    {
        const Qen::Vector3 p = PositionOf(volume, v);
        EXPECT_EQ(1.0f, std::fabs(p.x));
        EXPECT_EQ(1.0f, std::fabs(p.y));
        Qen::Vector3 n;
        std::memcpy(&n, volume->Vertex(v) + 12, sizeof n);
        EXPECT_EQ(1.0f, std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z));
    }
    ASSERT_NE(nullptr, container->pAdjacency);
}

TEST_F(ShadowVolumeTest, SkinnedSourcesKeepTheirWeightsWhole)
{
    const VertexElement elements[] = {{0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
                                      {0, 12, DeclType::Float2, 0, DeclUsage::BlendWeight, 0},
                                      {0, 20, DeclType::Color, 0, DeclUsage::BlendIndices, 0},
                                      DeclarationEnd};
    const std::vector<std::uint32_t> triangles = CubeTriangles();
    Mesh* mesh = nullptr;
    ASSERT_EQ(Ok, Platform::GfxKit::CreateMesh(12, 8, Platform::GfxKit::MeshOption::Managed, elements, device, &mesh));
    std::vector<std::uint8_t> bytes(8 * 24);
    const std::vector<float> corners = CubeCorners();
    for (std::uint32_t v = 0; v < 8; ++v)
    {
        const float weights[2] = {0.1f * static_cast<float>(v) + 0.0123456789f, 1.0f / static_cast<float>(v + 3)};
        const std::uint8_t indices[4] = {static_cast<std::uint8_t>(v), 9, 8, 7};
        std::memcpy(bytes.data() + v * 24, corners.data() + 3 * v, 12);
        std::memcpy(bytes.data() + v * 24 + 12, weights, 8);
        std::memcpy(bytes.data() + v * 24 + 20, indices, 4);
    }
    mesh->SetVertexBytes(bytes);
    mesh->SetIndices(triangles);
    CMeshContainer* container = AddContainer(AddFrame("skinned"), mesh, 0);
    mesh->Release();

    Qen::BuildShadowVolume(*container, 0.001f, "skinned.x");
    Mesh* volume = container->mesh;
    VertexElement layout[Qen::kVertexDeclarationRoom];
    volume->GetDeclaration(layout);
    EXPECT_EQ(DeclType::Color, layout[2].Type);
    EXPECT_EQ(DeclUsage::BlendIndices, layout[2].Usage);
    EXPECT_EQ(24, layout[2].Offset);
    EXPECT_EQ(DeclType::Float2, layout[3].Type);
    EXPECT_EQ(DeclUsage::BlendWeight, layout[3].Usage);
    EXPECT_EQ(28, layout[3].Offset);
    ASSERT_EQ(36u, volume->GetNumBytesPerVertex());
    for (std::uint32_t v = 0; v < volume->GetNumVertices(); ++v)
    {
        const std::uint8_t* out = volume->Vertex(v);
        const std::uint32_t corner = out[24];
        ASSERT_LT(corner, 8u);
        EXPECT_EQ(0, std::memcmp(out, bytes.data() + corner * 24, 12));
        EXPECT_EQ(0, std::memcmp(out + 24, bytes.data() + corner * 24 + 20, 4));
        EXPECT_EQ(0, std::memcmp(out + 28, bytes.data() + corner * 24 + 12, 8)) << "vertex " << v;
    }
}

TEST_F(ShadowVolumeTest, AnOpenMeshEndsTheProgramWithTheBox)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CMeshContainer* container = Cube(1);
    EXPECT_EXIT(Qen::BuildShadowVolume(*container, 0.001f, "open.x"), testing::ExitedWithCode(255),
                "geometry is not closed!\n  model = open.x\n  mesh = Box");
}

TEST_F(ShadowVolumeTest, TheLightBoundVolumeExtrudesTheFacesTurnedAwayFromTheLight)
{
    for (const float pullIn : {0.0f, 0.001f})
    {
        CMeshContainer* container = Cube();
        Qen::BuildShrunkShadowVolume(*container, {0, 0, -1}, {FLT_MAX, FLT_MAX, FLT_MAX}, 2.0f, pullIn, "cube.x");
        Mesh* volume = container->mesh;
        EXPECT_EQ(20u, volume->GetNumFaces()) << pullIn;
        EXPECT_EQ(12u, volume->GetNumVertices());
        EXPECT_EQ(Platform::Gfx::Fvf::Xyz, volume->Fvf());
        std::multiset<float> heights;
        for (std::uint32_t v = 0; v < volume->GetNumVertices(); ++v)
        {
            const Qen::Vector3 p = PositionOf(volume, v);
            EXPECT_EQ(1.0f, std::fabs(p.x));
            heights.insert(p.z);
        }
        // The top and the sides in place, the bottom's four corners two units further down.
        EXPECT_EQ(4u, heights.count(1.0f));
        EXPECT_EQ(4u, heights.count(-1.0f));
        EXPECT_EQ(4u, heights.count(-3.0f));
    }

    // A point light above the cube turns only the bottom away too; the light follows the frame.
    CMeshContainer* moved = Cube();
    Platform::GfxKit::MatrixTranslation(&moved->owner->combinedMatrix, 0, 0, 10);
    Qen::BuildShrunkShadowVolume(*moved, {0, 0, 0}, {0, 0, 15}, 1.0f, 0.0f, "cube.x");
    EXPECT_EQ(20u, moved->mesh->GetNumFaces());
}

TEST_F(ShadowVolumeTest, MoreThan65535CornersGetLongIndices)
{
    // The cube's surface cut into 43 × 43 squares a side: 22,188 faces, so 66,564 corners.
    constexpr std::uint32_t n = 43;
    std::vector<float> positions;
    std::vector<std::uint32_t> triangles;
    std::map<std::array<std::int32_t, 3>, std::uint32_t> index;
    const auto vertex = [&](std::array<std::int32_t, 3> at) {
        const auto [found, added] = index.emplace(at, static_cast<std::uint32_t>(index.size()));
        if (added)
        {
            for (std::int32_t c : at)
            {
                positions.push_back(static_cast<float>(c) / n);
            }
        }
        return found->second;
    };
    for (int axis = 0; axis < 3; ++axis)
    {
        for (const std::int32_t side : {0, static_cast<std::int32_t>(n)})
        {
            const int u = (axis + 1) % 3;
            const int v = (axis + 2) % 3;
            for (std::int32_t i = 0; i < static_cast<std::int32_t>(n); ++i)
            {
                for (std::int32_t j = 0; j < static_cast<std::int32_t>(n); ++j)
                {
                    std::array<std::uint32_t, 4> quad;
                    const std::int32_t corners[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
                    for (int c = 0; c < 4; ++c)
                    {
                        std::array<std::int32_t, 3> at{};
                        at[axis] = side;
                        at[u] = corners[c][0];
                        at[v] = corners[c][1];
                        quad[c] = vertex(at);
                    }
                    if (side != 0)
                    {
                        triangles.insert(triangles.end(), {quad[0], quad[1], quad[2], quad[0], quad[2], quad[3]});
                    }
                    else
                    {
                        triangles.insert(triangles.end(), {quad[0], quad[2], quad[1], quad[0], quad[3], quad[2]});
                    }
                }
            }
        }
    }
    Mesh* mesh = MakeMesh(positions, triangles);
    CMeshContainer* container = AddContainer(AddFrame("fine"), mesh, 0, "Fine");
    mesh->Release();
    Qen::BuildShadowVolume(*container, 0.0f, "fine.x");
    // Quads only along the 12 edges of the cube, 43 segments each.
    EXPECT_EQ(22188u + 2 * 12 * 43, container->mesh->GetNumFaces());
    EXPECT_NE(0u, container->mesh->GetOptions() & Platform::GfxKit::MeshOption::Use32Bit);
}

TEST_F(ShadowVolumeTest, PreparationBuildsTheVolumesTheOptionsAskFor)
{
    Qen::CModelLoadOptions options;
    options.loadMaterials = false;
    options.buildShadowVolume = true;
    CMeshContainer* container = Cube();
    Qen::PrepareModel(&controller, options, container->owner);
    EXPECT_EQ(36u, container->mesh->GetNumFaces());

    options.buildShadowVolume = false;
    options.shadowVolumeExtrusion = 2.0f;
    options.shadowVolumeLightDirection = {0, 0, -1};
    options.shadowVolumePullIn = 0.0f;
    CMeshContainer* baked = Cube();
    Qen::PrepareModel(&controller, options, baked->owner);
    EXPECT_EQ(20u, baked->mesh->GetNumFaces());
}

} // namespace
} // namespace EngineTesting
