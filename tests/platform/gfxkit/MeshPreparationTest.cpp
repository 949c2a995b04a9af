#include "platform/gfxkit/mesh/MeshPreparation.h"
#include "platform/gfxkit/mesh/Shapes.h"

#include "tests/platform/gfx/GfxFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace GfxTesting
{
namespace
{

using namespace Platform::GfxKit;
using Platform::GfxKit::Vector3;

struct MeshRelease
{
    void operator()(Mesh* mesh) const { mesh->Release(); }
};

constexpr VertexElement kGridElements[] = {
    {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
    {0, 12, DeclType::Float3, 0, DeclUsage::Normal, 0},
    {0, 24, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
    DeclarationEnd,
};

struct GridVertex
{
    float x, y, z, nx, ny, nz, u, v;
};

class MeshPreparationTest : public GfxFixture
{
protected:
    void SetUp() override { MakeDevice(16, 16); }
    void TearDown() override
    {
        meshes.clear();
        GfxFixture::TearDown();
    }

    Mesh* Keep(Mesh* mesh)
    {
        if (mesh != nullptr)
        {
            meshes.emplace_back(mesh);
        }
        return mesh;
    }

    Mesh* Make(const std::vector<VertexElement>& elements, const void* vertices, std::uint32_t vertexCount,
               const std::vector<std::uint32_t>& indices, const std::vector<std::uint32_t>& attributes = {})
    {
        std::vector<VertexElement> declaration = elements;
        declaration.push_back(DeclarationEnd);
        Mesh* mesh = nullptr;
        EXPECT_EQ(Ok, CreateMesh(static_cast<std::uint32_t>(indices.size() / 3), vertexCount, MeshOption::Managed,
                                 declaration.data(), device, &mesh));
        mesh->SetVertexBytes(std::vector<std::uint8_t>(static_cast<const std::uint8_t*>(vertices),
                                                       static_cast<const std::uint8_t*>(vertices) +
                                                           vertexCount * mesh->GetNumBytesPerVertex()));
        mesh->SetIndices(indices);
        if (!attributes.empty())
        {
            mesh->SetAttributes(attributes);
        }
        return Keep(mesh);
    }

    // A flat grid of n × n quads in the xy plane from (0, 0) to (n, n), facing +z. With `seam`, the
    // middle column of vertices is doubled: the quads right of it use copies with u + 1. With
    // `twoAttributes`, the quads right of the middle have attribute 1.
    Mesh* Grid(int n, bool seam, bool twoAttributes)
    {
        std::vector<GridVertex> vertices;
        const auto at = [&](int x, int y) { return static_cast<std::uint32_t>(y * (n + 1) + x); };
        for (int y = 0; y <= n; ++y)
        {
            for (int x = 0; x <= n; ++x)
            {
                vertices.push_back({float(x), float(y), 0, 0, 0, 1, float(x) / n, float(y) / n});
            }
        }
        std::vector<std::uint32_t> seamCopy(n + 1);
        if (seam)
        {
            for (int y = 0; y <= n; ++y)
            {
                GridVertex copy = vertices[at(n / 2, y)];
                copy.u += 1;
                seamCopy[y] = static_cast<std::uint32_t>(vertices.size());
                vertices.push_back(copy);
            }
        }
        std::vector<std::uint32_t> indices;
        std::vector<std::uint32_t> attributes;
        for (int y = 0; y < n; ++y)
        {
            for (int x = 0; x < n; ++x)
            {
                const auto corner = [&](int cx, int cy) {
                    return seam && x >= n / 2 && cx == n / 2 ? seamCopy[cy] : at(cx, cy);
                };
                indices.insert(indices.end(), {corner(x, y), corner(x + 1, y), corner(x, y + 1), corner(x + 1, y),
                                               corner(x + 1, y + 1), corner(x, y + 1)});
                const std::uint32_t attribute = twoAttributes && x >= n / 2 ? 1 : 0;
                attributes.insert(attributes.end(), {attribute, attribute});
            }
        }
        return Make({std::begin(kGridElements), std::end(kGridElements) - 1}, vertices.data(),
                    static_cast<std::uint32_t>(vertices.size()), indices, attributes);
    }

    std::vector<std::unique_ptr<Mesh, MeshRelease>> meshes;
};

bool SameContents(const Mesh& a, const Mesh& b)
{
    return a.GetNumVertices() == b.GetNumVertices() && a.Indices() == b.Indices() &&
           a.Attributes() == b.Attributes() &&
           std::memcmp(a.Vertex(0), b.Vertex(0), a.GetNumVertices() * a.GetNumBytesPerVertex()) == 0;
}

TEST_F(MeshPreparationTest, CleanSplitsBowtiesAndBackToBackFacesAndRefusesBadIndices)
{
    const float triangleFan[5][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
    const std::vector<VertexElement> positionOnly = {{0, 0, DeclType::Float3, 0, DeclUsage::Position, 0}};
    Mesh* bowtie = Make(positionOnly, triangleFan, 5, {0, 1, 2, 0, 3, 4});
    Mesh* backToBack = Make(positionOnly, triangleFan, 3, {0, 1, 2, 0, 2, 1});
    Mesh* broken = Make(positionOnly, triangleFan, 3, {0, 1, 2, 0, 2, 1});
    std::vector<std::uint32_t> badIndices = broken->Indices();
    badIndices[4] = 12;
    broken->SetIndices(badIndices);
    Mesh* box = nullptr;
    ASSERT_EQ(Ok, CreateBox(device, 1, 1, 1, &box, nullptr));
    Keep(box);

    for (const bool nullAdjacency : {false, true})
    {
        const auto clean = [&](Mesh* mesh, Mesh** out, ByteBuffer** errors) {
            std::vector<std::uint32_t> adjacency(mesh->GetNumFaces() * 3);
            mesh->GenerateAdjacency(0.0f, adjacency.data());
            std::vector<std::uint32_t> adjacencyOut(adjacency.size(), 7);
            const Result result = CleanMesh(CleanFlag::BackFacing | CleanFlag::Bowties, mesh,
                                            nullAdjacency ? nullptr : adjacency.data(), out, adjacencyOut.data(), errors);
            if (Succeeded(result))
            {
                EXPECT_EQ(adjacency, adjacencyOut);
            }
            Keep(*out);
            return result;
        };
        Mesh* out = nullptr;
        ByteBuffer* errors = nullptr;
        ASSERT_EQ(Ok, clean(bowtie, &out, &errors));
        EXPECT_EQ(nullptr, errors);
        EXPECT_EQ(6u, out->GetNumVertices());
        EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 2, 5, 3, 4}), out->Indices());
        EXPECT_EQ(0, std::memcmp(out->Vertex(5), out->Vertex(0), 12));

        ASSERT_EQ(Ok, clean(backToBack, &out, &errors));
        EXPECT_EQ(6u, out->GetNumVertices());
        EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}), out->Indices());

        EXPECT_EQ(InvalidMesh, clean(broken, &out, &errors));
        EXPECT_EQ(nullptr, out);
        ASSERT_NE(nullptr, errors);
        EXPECT_EQ("face 1 uses vertex 12, but the mesh has 3 vertices\n",
                  std::string(static_cast<const char*>(errors->GetBufferPointer())));
        errors->Release();

        ASSERT_EQ(Ok, clean(box, &out, &errors));
        EXPECT_EQ(nullptr, errors);
        EXPECT_TRUE(SameContents(*box, *out));
    }
}

TEST_F(MeshPreparationTest, WeldMergesWithinEpsilonsAndTakesPartialMatches)
{
    // The general shadow volume of a closed cube: a vertex per face corner with the face normal.
    Mesh* box = nullptr;
    ASSERT_EQ(Ok, CreateBox(device, 2, 2, 2, &box, nullptr));
    Keep(box);
    struct Corner
    {
        float x, y, z, nx, ny, nz;
        bool operator==(const Corner&) const = default; // -0 and +0 alike, as the weld compares them
    };
    std::vector<Corner> corners;
    const std::vector<std::uint32_t> boxIndices = box->Indices();
    std::vector<std::uint32_t> volumeIndices;
    for (std::size_t i = 0; i < boxIndices.size(); i += 3)
    {
        const Vector3 p[3] = {box->Position(boxIndices[i]), box->Position(boxIndices[i + 1]),
                              box->Position(boxIndices[i + 2])};
        Vector3 n = Vec3Cross({p[0].x - p[1].x, p[0].y - p[1].y, p[0].z - p[1].z},
                              {p[0].x - p[2].x, p[0].y - p[2].y, p[0].z - p[2].z});
        Vec3Normalize(&n, &n);
        for (int k = 0; k < 3; ++k)
        {
            volumeIndices.push_back(static_cast<std::uint32_t>(corners.size()));
            corners.push_back({p[k].x, p[k].y, p[k].z, n.x, n.y, n.z});
        }
    }
    Mesh* volume = Make({kGridElements[0], kGridElements[1]}, corners.data(), 36, volumeIndices);
    std::vector<std::uint32_t> adjacency(36);
    volume->GenerateAdjacency(0.0f, adjacency.data());
    ByteBuffer* remap = nullptr;
    const WeldEpsilons zero{};
    ASSERT_EQ(Ok, WeldVertices(volume, WeldFlag::WeldPartialMatches | WeldFlag::DoNotSplit, &zero, adjacency.data(),
                               adjacency.data(), nullptr, &remap));
    EXPECT_EQ(24u, volume->GetNumVertices());
    EXPECT_EQ(12u, volume->GetNumFaces());
    std::vector<std::uint32_t> expected(36);
    volume->GenerateAdjacency(0.0f, expected.data());
    EXPECT_EQ(expected, adjacency);
    // Each new vertex is the old one named by the remap; the faces still run over the same corners.
    const auto* oldOf = static_cast<const std::uint32_t*>(remap->GetBufferPointer());
    const std::vector<std::uint32_t> welded = volume->Indices();
    const auto corner = [&](std::uint32_t v) {
        Corner value;
        std::memcpy(&value, volume->Vertex(v), sizeof value);
        return value;
    };
    for (std::uint32_t v = 0; v < 24; ++v)
    {
        EXPECT_TRUE(corner(v) == corners[oldOf[v]]) << v;
    }
    for (std::size_t i = 0; i < welded.size(); ++i)
    {
        EXPECT_TRUE(corner(welded[i]) == corners[volumeIndices[i]]) << i;
    }
    remap->Release();

    // Two triangles over the same four vertex slots; vertices 3 and 4 duplicate 1 and 2 but differ.
    struct SkinVertex
    {
        float x, y, z, nx, ny, nz, u, v;
        std::uint8_t bones[4];
    };
    const std::vector<VertexElement> skinned = {kGridElements[0], kGridElements[1], kGridElements[2],
                                                {0, 32, DeclType::UByte4, 0, DeclUsage::BlendIndices, 0}};
    const auto weld = [&](const SkinVertex& copy, float texEpsilon, float normalEpsilon, std::uint32_t flags) {
        const SkinVertex vertices[4] = {{0, 0, 0, 0, 0, 1, 0, 0, {1, 0, 0, 0}},
                                        {1, 0, 0, 0, 0, 1, 0.5f, 0, {1, 0, 0, 0}},
                                        {0, 1, 0, 0, 0, 1, 0, 0.5f, {1, 0, 0, 0}},
                                        copy};
        Mesh* mesh = Make(skinned, vertices, 4, {0, 1, 2, 3, 2, 0});
        WeldEpsilons epsilons{};
        epsilons.Texcoord[0] = texEpsilon;
        epsilons.Normal = normalEpsilon;
        EXPECT_EQ(Ok, WeldVertices(mesh, flags, &epsilons, nullptr, nullptr, nullptr, nullptr));
        return mesh;
    };
    const SkinVertex nearU = {1, 0, 0, 0, 0, 1, 0.501f, 0, {1, 0, 0, 0}};
    EXPECT_EQ(3u, weld(nearU, 0.01f, 0, 0)->GetNumVertices());
    EXPECT_EQ(4u, weld(nearU, 0.0f, 0, 0)->GetNumVertices());
    const SkinVertex otherBone = {1, 0, 0, 0, 0, 1, 0.5f, 0, {2, 0, 0, 0}};
    EXPECT_EQ(4u, weld(otherBone, 1.0f, 1.0f, 0)->GetNumVertices());
    // Partial matches: the normal within its epsilon is made vertex 1's; the texture keeps them apart.
    const SkinVertex tilted = {1, 0, 0, 0, 0.001f, 0.999f, 0.9f, 0, {1, 0, 0, 0}};
    Mesh* partial = weld(tilted, 0.0f, 0.01f, WeldFlag::WeldPartialMatches);
    ASSERT_EQ(4u, partial->GetNumVertices());
    EXPECT_EQ(0, std::memcmp(partial->Vertex(3) + 12, partial->Vertex(1) + 12, 12));
    float u = 0;
    std::memcpy(&u, partial->Vertex(3) + 24, 4);
    EXPECT_EQ(0.9f, u);
    Mesh* untouched = weld(tilted, 0.0f, 0.01f, 0);
    EXPECT_NE(0, std::memcmp(untouched->Vertex(3) + 12, untouched->Vertex(1) + 12, 12));

    EXPECT_EQ(InvalidCall, WeldVertices(volume, WeldFlag::WeldAll, &zero, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(InvalidCall,
              WeldVertices(volume, WeldFlag::DoNotRemoveVertices, &zero, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(MeshPreparationTest, SimplifyKeepsOutlinesSeamsAndMaterialBorders)
{
    Mesh* grid = Grid(32, false, false);
    ASSERT_EQ(2048u, grid->GetNumFaces());
    Mesh* half = nullptr;
    ASSERT_EQ(Ok, SimplifyMesh(grid, nullptr, nullptr, nullptr, 1024, SimplifyFlag::Face, &half));
    Keep(half);
    EXPECT_EQ(1024u, half->GetNumFaces());
    float low[2] = {1e9f, 1e9f};
    float high[2] = {-1e9f, -1e9f};
    for (std::uint32_t v = 0; v < half->GetNumVertices(); ++v)
    {
        const Vector3 p = half->Position(v);
        low[0] = std::min(low[0], p.x);
        low[1] = std::min(low[1], p.y);
        high[0] = std::max(high[0], p.x);
        high[1] = std::max(high[1], p.y);
    }
    EXPECT_EQ(0.0f, low[0]);
    EXPECT_EQ(0.0f, low[1]);
    EXPECT_EQ(32.0f, high[0]);
    EXPECT_EQ(32.0f, high[1]);
    const std::vector<std::uint32_t> indices = half->Indices();
    for (std::size_t i = 0; i < indices.size(); i += 3)
    {
        const Vector3 p0 = half->Position(indices[i]);
        const Vector3 p1 = half->Position(indices[i + 1]);
        const Vector3 p2 = half->Position(indices[i + 2]);
        const Vector3 n = Vec3Cross({p1.x - p0.x, p1.y - p0.y, 0}, {p2.x - p0.x, p2.y - p0.y, 0});
        ASSERT_GT(n.z, 0.0f) << i / 3;
    }

    // Vertices of the middle column: both copies of the seam, or the border between the attributes.
    const auto middleColumn = [](const Mesh& mesh) {
        int count = 0;
        for (std::uint32_t v = 0; v < mesh.GetNumVertices(); ++v)
        {
            count += mesh.Position(v).x == 16.0f ? 1 : 0;
        }
        return count;
    };
    Mesh* seamed = Grid(32, true, false);
    Mesh* seamedHalf = nullptr;
    ASSERT_EQ(Ok, SimplifyMesh(seamed, nullptr, nullptr, nullptr, 1024, SimplifyFlag::Face, &seamedHalf));
    Keep(seamedHalf);
    EXPECT_EQ(66, middleColumn(*seamedHalf));
    Mesh* bordered = Grid(32, false, true);
    Mesh* borderedHalf = nullptr;
    ASSERT_EQ(Ok, SimplifyMesh(bordered, nullptr, nullptr, nullptr, 1024, SimplifyFlag::Face, &borderedHalf));
    Keep(borderedHalf);
    EXPECT_EQ(33, middleColumn(*borderedHalf));
    EXPECT_LE(borderedHalf->GetNumFaces(), 1100u);

    Mesh* copy = nullptr;
    ASSERT_EQ(Ok, SimplifyMesh(grid, nullptr, nullptr, nullptr, 10000, SimplifyFlag::Face, &copy));
    Keep(copy);
    EXPECT_TRUE(SameContents(*grid, *copy));
}

TEST_F(MeshPreparationTest, TangentFramesFollowTheTextureMapping)
{
    const std::vector<VertexElement> framed = {kGridElements[0], kGridElements[1], kGridElements[2],
                                               {0, 32, DeclType::Float3, 0, DeclUsage::Tangent, 0},
                                               {0, 44, DeclType::Float3, 0, DeclUsage::Binormal, 0}};
    std::vector<VertexElement> declaration = framed;
    declaration.push_back(DeclarationEnd);
    Mesh* box = nullptr;
    ASSERT_EQ(Ok, CreateBox(device, 2, 2, 2, &box, nullptr));
    Keep(box);
    Mesh* cube = nullptr;
    ASSERT_EQ(Ok, box->CloneMesh(MeshOption::Managed, declaration.data(), device, &cube));
    Keep(cube);
    // Every face maps u and v from its two other axes; the front face (towards -z) has u along +x and
    // v along -y.
    std::vector<std::uint8_t> bytes(cube->Vertex(0), cube->Vertex(0) + 24 * 56);
    for (std::uint32_t v = 0; v < 24; ++v)
    {
        const Vector3 p = cube->Position(v);
        Vector3 n;
        std::memcpy(&n, cube->Vertex(v) + 12, 12);
        const float uv[2] = {std::fabs(n.x) > 0.5f ? (p.y + 1) / 2 : (p.x + 1) / 2,
                             std::fabs(n.y) > 0.5f ? (p.z + 1) / 2 : (1 - p.y) / 2};
        std::memcpy(bytes.data() + v * 56 + 24, uv, 8);
    }
    cube->SetVertexBytes(bytes);
    Mesh* result = nullptr;
    ASSERT_EQ(Ok, ComputeTangentFrameEx(cube, DeclUsage::TexCoord, 0, DeclUsage::Tangent, 0, DeclUsage::Binormal, 0,
                                        NoUsage, 0, 0, nullptr, 0.01f, 0.25f, 0.01f, &result, nullptr));
    Keep(result);
    int frontCorners = 0;
    for (std::uint32_t v = 0; v < 24; ++v)
    {
        Vector3 n;
        Vector3 t;
        Vector3 b;
        std::memcpy(&n, result->Vertex(v) + 12, 12);
        std::memcpy(&t, result->Vertex(v) + 32, 12);
        std::memcpy(&b, result->Vertex(v) + 44, 12);
        if (n.z < -0.5f)
        {
            ++frontCorners;
            EXPECT_NEAR(1, t.x, 1e-5f);
            EXPECT_NEAR(0, t.y, 1e-5f);
            EXPECT_NEAR(-1, b.y, 1e-5f);
        }
    }
    EXPECT_EQ(4, frontCorners);

    // Eight shared corners without normals: each gets the diagonal through it.
    Mesh* corners = nullptr;
    ASSERT_EQ(Ok, CreateMeshFVF(12, 8, MeshOption::Managed, Fvf::Xyz | Fvf::Normal, device, &corners));
    Keep(corners);
    std::vector<float> positions(8 * 6, 0);
    for (int c = 0; c < 8; ++c)
    {
        positions[c * 6] = c & 1 ? 1 : -1;
        positions[c * 6 + 1] = c & 2 ? 1 : -1;
        positions[c * 6 + 2] = c & 4 ? 1 : -1;
    }
    corners->SetVertexBytes(std::vector<std::uint8_t>(reinterpret_cast<std::uint8_t*>(positions.data()),
                                                      reinterpret_cast<std::uint8_t*>(positions.data()) + 8 * 24));
    std::vector<std::uint32_t> cornerIndices;
    for (std::uint32_t index : box->Indices())
    {
        const Vector3 p = box->Position(index);
        cornerIndices.push_back((p.x > 0 ? 1 : 0) | (p.y > 0 ? 2 : 0) | (p.z > 0 ? 4 : 0));
    }
    corners->SetIndices(cornerIndices);
    Mesh* normals = nullptr;
    ASSERT_EQ(Ok, ComputeTangentFrameEx(corners, DeclUsage::TexCoord, 0, NoUsage, 0, NoUsage, 0, DeclUsage::Normal, 0,
                                        0, nullptr, 0, 0, 0, &normals, nullptr));
    Keep(normals);
    const float third = 1 / std::sqrt(3.0f);
    for (std::uint32_t v = 0; v < 8; ++v)
    {
        Vector3 n;
        std::memcpy(&n, normals->Vertex(v) + 12, 12);
        const Vector3 p = normals->Position(v);
        EXPECT_NEAR(p.x * third, n.x, 1e-5f) << v;
        EXPECT_NEAR(p.y * third, n.y, 1e-5f) << v;
        EXPECT_NEAR(p.z * third, n.z, 1e-5f) << v;
    }
    EXPECT_EQ(InvalidCall, ComputeTangentFrameEx(corners, DeclUsage::TexCoord, 0, DeclUsage::Tangent, 0, NoUsage, 0,
                                                 NoUsage, 0, 0, nullptr, 0, 0, 0, &normals, nullptr));
    EXPECT_EQ(nullptr, normals);

    // A tilted stored normal: the tangent stays along +x with option 8 and is made orthogonal without.
    const GridVertex tilted[3] = {{0, 0, 0, 0.6f, 0, 0.8f, 0, 0}, {1, 0, 0, 0.6f, 0, 0.8f, 1, 0},
                                  {0, 1, 0, 0.6f, 0, 0.8f, 0.5f, 1}};
    std::vector<std::uint8_t> tiltedBytes(3 * 56, 0);
    for (int v = 0; v < 3; ++v)
    {
        std::memcpy(tiltedBytes.data() + v * 56, &tilted[v], sizeof(GridVertex));
    }
    Mesh* skewed = Make(framed, tiltedBytes.data(), 3, {0, 1, 2});
    for (const std::uint32_t option : {TangentOption::DontOrthogonalize, 0u})
    {
        Mesh* out = nullptr;
        ASSERT_EQ(Ok, ComputeTangentFrameEx(skewed, DeclUsage::TexCoord, 0, DeclUsage::Tangent, 0, NoUsage, 0, NoUsage,
                                            0, option, nullptr, 0, 0, 0, &out, nullptr));
        Keep(out);
        Vector3 t;
        std::memcpy(&t, out->Vertex(0) + 32, 12);
        const float dot = Vec3Dot(t, {0.6f, 0, 0.8f});
        if (option != 0)
        {
            EXPECT_NEAR(0.6f, dot, 1e-5f);
        }
        else
        {
            EXPECT_NEAR(0.0f, dot, 1e-5f);
            EXPECT_NEAR(1.0f, Vec3Length(t), 1e-5f);
        }
    }
}

} // namespace
} // namespace GfxTesting
