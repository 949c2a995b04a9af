#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/Shapes.h"
#include "platform/gfxkit/UtilityTrace.h"

#include "tests/platform/gfx/DrawFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

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
using MeshPtr = std::unique_ptr<Mesh, MeshRelease>;

constexpr VertexElement kCubeElements[] = {
    {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
    {0, 12, DeclType::Float3, 0, DeclUsage::Normal, 0},
    {0, 24, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
    DeclarationEnd,
};

template <typename T>
T Read(const Mesh& mesh, std::uint32_t vertex, std::uint32_t offset)
{
    T value;
    std::memcpy(&value, mesh.Vertex(vertex) + offset, sizeof(T));
    return value;
}

std::vector<std::uint32_t> Adjacency(const Mesh& mesh)
{
    std::vector<std::uint32_t> adjacency(mesh.GetNumFaces() * 3);
    EXPECT_EQ(Ok, mesh.GenerateAdjacency(0.0f, adjacency.data()));
    return adjacency;
}

// Closed: no open edge; symmetric: when f names g, g names f across exactly one edge.
void ExpectClosedAndSymmetric(const std::vector<std::uint32_t>& adjacency, const char* what)
{
    const std::size_t faces = adjacency.size() / 3;
    for (std::size_t f = 0; f < faces; ++f)
    {
        for (int k = 0; k < 3; ++k)
        {
            const std::uint32_t g = adjacency[f * 3 + k];
            ASSERT_LT(g, faces) << what << " face " << f << " edge " << k;
            EXPECT_EQ(1, std::count(adjacency.begin() + g * 3, adjacency.begin() + g * 3 + 3, f)) << what << " " << f;
        }
    }
}

class MeshTest : public DrawFixture
{
protected:
    void TearDown() override
    {
        meshes.clear();
        DrawFixture::TearDown();
    }

    Mesh* Keep(Mesh* mesh)
    {
        meshes.emplace_back(mesh);
        return mesh;
    }

    // A 24-vertex cube of side 2 with a normal per face and texture coordinates (u, v) per corner.
    Mesh* Cube(std::uint32_t options = MeshOption::Managed)
    {
        Mesh* box = nullptr;
        EXPECT_EQ(Ok, CreateBox(device, 2, 2, 2, &box, nullptr));
        Mesh* cube = nullptr;
        EXPECT_EQ(Ok, box->CloneMesh(options, kCubeElements, device, &cube));
        box->Release();
        void* data = nullptr;
        EXPECT_EQ(Ok, cube->LockVertexBuffer(0, &data));
        for (std::uint32_t v = 0; v < 24; ++v)
        {
            const float uv[2] = {static_cast<float>(v % 4 == 1 || v % 4 == 2), static_cast<float>(v % 4 >= 2)};
            std::memcpy(static_cast<std::uint8_t*>(data) + v * 32 + 24, uv, 8);
        }
        cube->UnlockVertexBuffer();
        return Keep(cube);
    }

    std::vector<MeshPtr> meshes;
};

TEST_F(MeshTest, CubeAdjacencyPointRepsClonesAndSemantics)
{
    Mesh* cube = Cube();
    ASSERT_EQ(24u, cube->GetNumVertices());
    ASSERT_EQ(12u, cube->GetNumFaces());
    EXPECT_EQ(32u, cube->GetNumBytesPerVertex());
    const std::vector<std::uint32_t> adjacency = Adjacency(*cube);
    ExpectClosedAndSymmetric(adjacency, "cube");

    std::vector<std::uint32_t> reps(24);
    ASSERT_EQ(Ok, cube->ConvertAdjacencyToPointReps(adjacency.data(), reps.data()));
    std::map<std::uint32_t, int> groups;
    for (std::uint32_t v = 0; v < 24; ++v)
    {
        EXPECT_LE(reps[v], v);
        ++groups[reps[v]];
        const Vector3 a = cube->Position(v);
        const Vector3 b = cube->Position(reps[v]);
        EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z);
    }
    EXPECT_EQ(8u, groups.size());
    for (const auto& [rep, size] : groups)
    {
        EXPECT_EQ(3, size) << rep;
    }

    // An added tangent comes out zero; positions and texture coordinates stay.
    const VertexElement withTangent[] = {
        {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
        {0, 12, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
        {0, 20, DeclType::Float3, 0, DeclUsage::Tangent, 0},
        DeclarationEnd,
    };
    Mesh* tangent = nullptr;
    ASSERT_EQ(Ok, cube->CloneMesh(MeshOption::Managed, withTangent, device, &tangent));
    Keep(tangent);
    for (std::uint32_t v = 0; v < 24; ++v)
    {
        EXPECT_EQ(0, std::memcmp(tangent->Vertex(v), cube->Vertex(v), 12));
        EXPECT_EQ(0, std::memcmp(tangent->Vertex(v) + 12, cube->Vertex(v) + 24, 8));
        EXPECT_EQ((std::array<float, 3>{0, 0, 0}), (Read<std::array<float, 3>>(*tangent, v, 20)));
    }

    // 32-bit indices and back keep every face.
    Mesh* wide = nullptr;
    ASSERT_EQ(Ok, cube->CloneMesh(MeshOption::Managed | MeshOption::Use32Bit, kCubeElements, device, &wide));
    Keep(wide);
    IndexBuffer* indexBuffer = nullptr;
    ASSERT_EQ(Ok, wide->GetIndexBuffer(&indexBuffer));
    IndexBufferDesc desc;
    indexBuffer->GetDesc(&desc);
    EXPECT_EQ(Format::Index32, desc.Format);
    indexBuffer->Release();
    Mesh* narrow = nullptr;
    ASSERT_EQ(Ok, wide->CloneMeshFVF(MeshOption::Managed, Fvf::Xyz | Fvf::Normal | (1 << Fvf::TexCountShift), device,
                                     &narrow));
    Keep(narrow);
    EXPECT_EQ(cube->Indices(), wide->Indices());
    EXPECT_EQ(cube->Indices(), narrow->Indices());

    // Retyping BLENDINDICES from UBYTE4 to D3DCOLOR keeps the vertex size; growing an element does not.
    const VertexElement skinned[] = {
        {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
        {0, 12, DeclType::UByte4, 0, DeclUsage::BlendIndices, 0},
        DeclarationEnd,
    };
    Mesh* skin = nullptr;
    ASSERT_EQ(Ok, CreateMesh(1, 3, MeshOption::Managed, skinned, device, &skin));
    Keep(skin);
    VertexElement retyped[MaxDeclarationLength];
    skin->GetDeclaration(retyped);
    EXPECT_EQ(2u, GetDeclLength(retyped));
    retyped[1].Type = DeclType::Color;
    EXPECT_EQ(Ok, skin->UpdateSemantics(retyped));
    VertexElement read[MaxDeclarationLength];
    skin->GetDeclaration(read);
    EXPECT_EQ(DeclType::Color, read[1].Type);
    retyped[1].Type = DeclType::Float4;
    EXPECT_EQ(InvalidCall, skin->UpdateSemantics(retyped));
    skin->GetDeclaration(read);
    EXPECT_EQ(DeclType::Color, read[1].Type);
}

// Two triangles along one edge whose second copy is off by 0.001: joined within an epsilon of 0.01
// only; a zero-length edge joins nothing.
TEST_F(MeshTest, AdjacencyJoinsEdgesWithinEpsilon)
{
    Mesh* pair = nullptr;
    ASSERT_EQ(Ok, CreateMeshFVF(3, 9, MeshOption::Managed, Fvf::Xyz, device, &pair));
    Keep(pair);
    const float positions[9][3] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0},          {1.001f, 0, 0}, {0, 1.001f, 0},
                                   {1, 1, 0}, {5, 5, 5}, {5, 5, 5},          {6, 5, 5}};
    void* data = nullptr;
    pair->LockVertexBuffer(0, &data);
    std::memcpy(data, positions, sizeof positions);
    pair->UnlockVertexBuffer();
    pair->SetIndices({0, 1, 2, 3, 4, 5, 6, 7, 8});
    std::vector<std::uint32_t> adjacency(9);
    ASSERT_EQ(Ok, pair->GenerateAdjacency(0.0f, adjacency.data()));
    EXPECT_EQ(std::vector<std::uint32_t>(9, NoNeighbour), adjacency);
    ASSERT_EQ(Ok, pair->GenerateAdjacency(0.01f, adjacency.data()));
    EXPECT_EQ((std::vector<std::uint32_t>{NoNeighbour, 1, NoNeighbour, 0, NoNeighbour, NoNeighbour, NoNeighbour,
                                          NoNeighbour, NoNeighbour}),
              adjacency);
    EXPECT_EQ(InvalidCall, pair->GenerateAdjacency(-1.0f, adjacency.data()));

    VertexElement declaration[MaxDeclarationLength];
    pair->GetDeclaration(declaration);
    EXPECT_EQ(12u, GetDeclVertexSize(declaration, 0));
    EXPECT_EQ(0u, GetDeclVertexSize(declaration, 1));
}

TEST(UtilityTrace, MuteSilencesTheLayersLinesAndReturnsThePreviousState)
{
    Platform::DebugOutputCapture capture;
    EXPECT_FALSE(DebugMute(true));
    UtilityTrace("hidden");
    EXPECT_TRUE(DebugMute(false));
    UtilityTrace("shown");
    EXPECT_EQ("shown\n", capture.Text());
}

// A square of four triangles around its centre in clip space: face f covers the top, right, bottom
// and left quarter in turn; vertex 5 is used by no face.
Mesh* Fan(Device* device, std::uint32_t color)
{
    const VertexElement elements[] = {
        {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
        {0, 12, DeclType::Color, 0, DeclUsage::Color, 0},
        DeclarationEnd,
    };
    Mesh* mesh = nullptr;
    EXPECT_EQ(Ok, CreateMesh(4, 6, MeshOption::Managed, elements, device, &mesh));
    struct Vertex
    {
        float x, y, z;
        std::uint32_t color;
    };
    const Vertex vertices[] = {{0, 0, 0.5f, color},       {-0.8f, 0.8f, 0.5f, color}, {0.8f, 0.8f, 0.5f, color},
                               {0.8f, -0.8f, 0.5f, color}, {-0.8f, -0.8f, 0.5f, color}, {5, 5, 5, color}};
    void* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    std::memcpy(data, vertices, sizeof vertices);
    mesh->UnlockVertexBuffer();
    mesh->SetIndices({0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 1});
    std::uint32_t* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    std::copy_n(std::begin({1u, 0u, 1u, 0u}), 4, attributes);
    mesh->UnlockAttributeBuffer();
    return mesh;
}

TEST_F(MeshTest, OptimizeSortsByAttributeCompactsAndDrawSubsetDrawsOnlyItsFaces)
{
    Mesh* fan = Keep(Fan(device, 0xFFFF0000u));
    std::vector<std::uint32_t> adjacency = Adjacency(*fan);
    std::vector<std::uint32_t> faceRemap(4);
    ByteBuffer* vertexRemap = nullptr;
    ASSERT_EQ(Ok, fan->OptimizeInplace(MeshOptimize::AttributeSort | MeshOptimize::Compact, adjacency.data(),
                                       adjacency.data(), faceRemap.data(), &vertexRemap));
    EXPECT_EQ((std::vector<std::uint32_t>{1, 3, 0, 2}), faceRemap);
    EXPECT_EQ(Adjacency(*fan), adjacency);
    EXPECT_EQ(5u, fan->GetNumVertices());
    ASSERT_NE(nullptr, vertexRemap);
    const auto* remap = static_cast<const std::uint32_t*>(vertexRemap->GetBufferPointer());
    EXPECT_EQ((std::vector<std::uint32_t>{0, 1, 2, 3, 4}), std::vector<std::uint32_t>(remap, remap + 5));
    vertexRemap->Release();
    std::uint32_t entries = 0;
    fan->GetAttributeTable(nullptr, &entries);
    ASSERT_EQ(2u, entries);
    AttributeRange table[2];
    fan->GetAttributeTable(table, &entries);
    EXPECT_EQ(0u, table[0].AttribId);
    EXPECT_EQ(0u, table[0].FaceStart);
    EXPECT_EQ(2u, table[0].FaceCount);
    EXPECT_EQ(1u, table[1].AttribId);
    EXPECT_EQ(2u, table[1].FaceStart);
    EXPECT_EQ(2u, table[1].FaceCount);
    EXPECT_EQ(0u, table[1].VertexStart);
    EXPECT_EQ(5u, table[1].VertexCount);

    device->SetVertexShader(vertexProgram);
    device->SetPixelShader(colourProgram);
    device->SetRenderState(RenderState::CullMode, Cull::None);
    const auto drawSubset = [&](std::uint32_t id, std::uint64_t& draws) {
        UseTarget(64, 64, 0xFF000000u);
        const std::uint64_t before = device->Counters().drawCalls;
        EXPECT_EQ(Ok, device->BeginScene());
        EXPECT_EQ(Ok, fan->DrawSubset(id));
        EXPECT_EQ(Ok, device->EndScene());
        draws = device->Counters().drawCalls - before;
        const std::vector<std::uint32_t> pixels = Pixels(target);
        // Top, right, bottom, left quarters: lit or not.
        std::string lit;
        for (const auto& [x, y] : {std::pair{32, 10}, {54, 32}, {32, 54}, {10, 32}})
        {
            lit += pixels[y * 64 + x] == 0xFFFF0000u ? '#' : '.';
        }
        return lit;
    };
    std::uint64_t draws = 0;
    EXPECT_EQ("#.#.", drawSubset(1, draws)); // the old faces 0 and 2
    EXPECT_EQ(1u, draws);
    EXPECT_EQ("", std::string(drawSubset(7, draws) == "...." ? "" : "drew"));
    EXPECT_EQ(0u, draws);

    // Rewriting the attributes drops the table; the draw follows the new attributes in runs.
    std::uint32_t* attributes = nullptr;
    ASSERT_EQ(Ok, fan->LockAttributeBuffer(0, &attributes));
    std::copy_n(std::begin({1u, 0u, 0u, 1u}), 4, attributes); // new faces 0 and 3: old faces 1 and 2
    fan->UnlockAttributeBuffer();
    fan->GetAttributeTable(nullptr, &entries);
    EXPECT_EQ(0u, entries);
    EXPECT_EQ(".##.", drawSubset(1, draws));
    EXPECT_EQ(2u, draws);
}

// Two boxes joined: the second's positions moved and its normals unchanged by a translation, turned by a
// rotation; a part without normals gets zero normals.
TEST_F(MeshTest, ConcatenationOffsetsTransformsAndFillsMissingElements)
{
    Mesh* boxes[2] = {};
    ASSERT_EQ(Ok, CreateBox(device, 1, 1, 1, &boxes[0], nullptr));
    ASSERT_EQ(Ok, CreateBox(device, 1, 1, 1, &boxes[1], nullptr));
    Keep(boxes[0]);
    Keep(boxes[1]);
    Matrix transforms[2];
    MatrixTranslation(&transforms[1], 3, 0, 0);
    Mesh* joined = nullptr;
    ASSERT_EQ(Ok, ConcatenateMeshes(boxes, 2, MeshOption::Managed, transforms, nullptr, nullptr, device, &joined));
    Keep(joined);
    EXPECT_EQ(48u, joined->GetNumVertices());
    EXPECT_EQ(24u, joined->GetNumFaces());
    const std::vector<std::uint32_t> indices = joined->Indices();
    EXPECT_EQ(boxes[0]->Indices()[0] + 24, indices[36]);
    for (std::uint32_t v = 0; v < 24; ++v)
    {
        const Vector3 p = boxes[0]->Position(v);
        const Vector3 q = joined->Position(24 + v);
        EXPECT_FLOAT_EQ(p.x + 3, q.x);
        EXPECT_EQ(0, std::memcmp(joined->Vertex(24 + v) + 12, boxes[0]->Vertex(v) + 12, 12));
    }
    std::uint32_t entries = 1;
    joined->GetAttributeTable(nullptr, &entries);
    EXPECT_EQ(0u, entries);

    // A quarter turn about z turns (1, 0, 0) into (0, 1, 0).
    MatrixRotationZ(&transforms[1], std::numbers::pi_v<float> / 2);
    Mesh* turned = nullptr;
    ASSERT_EQ(Ok, ConcatenateMeshes(boxes, 2, MeshOption::Managed, transforms, nullptr, nullptr, device, &turned));
    Keep(turned);
    for (std::uint32_t v = 0; v < 24; ++v)
    {
        const auto n = Read<Vector3>(*boxes[0], v, 12);
        if (n.x == 1)
        {
            const auto m = Read<Vector3>(*turned, 24 + v, 12);
            EXPECT_NEAR(0, m.x, 1e-6);
            EXPECT_NEAR(1, m.y, 1e-6);
        }
    }

    // Position-only part first: the joined layout is position then normal, the first part's normals zero.
    Mesh* bare = nullptr;
    ASSERT_EQ(Ok, CreateMeshFVF(1, 3, MeshOption::Managed, Fvf::Xyz, device, &bare));
    Keep(bare);
    Mesh* mixed[2] = {bare, boxes[0]};
    Mesh* both = nullptr;
    ASSERT_EQ(Ok, ConcatenateMeshes(mixed, 2, MeshOption::Managed, nullptr, nullptr, nullptr, device, &both));
    Keep(both);
    VertexElement layout[MaxDeclarationLength];
    both->GetDeclaration(layout);
    ASSERT_EQ(2u, GetDeclLength(layout));
    EXPECT_EQ(DeclUsage::Normal, layout[1].Usage);
    EXPECT_EQ(12u, layout[1].Offset);
    for (std::uint32_t v = 0; v < 3; ++v)
    {
        EXPECT_EQ((std::array<float, 3>{0, 0, 0}), (Read<std::array<float, 3>>(*both, v, 12)));
    }

    // 70,000 vertices need 32-bit indices.
    Mesh* large[2] = {};
    ASSERT_EQ(Ok, CreateMeshFVF(1, 40000, MeshOption::SystemMem, Fvf::Xyz, device, &large[0]));
    ASSERT_EQ(Ok, CreateMeshFVF(1, 30000, MeshOption::SystemMem, Fvf::Xyz, device, &large[1]));
    Keep(large[0]);
    Keep(large[1]);
    Mesh* big = nullptr;
    EXPECT_EQ(InvalidCall, ConcatenateMeshes(large, 2, MeshOption::SystemMem, nullptr, nullptr, nullptr, device, &big));
    EXPECT_EQ(nullptr, big);
    ASSERT_EQ(Ok, ConcatenateMeshes(large, 2, MeshOption::SystemMem | MeshOption::Use32Bit, nullptr, nullptr, nullptr,
                                    device, &big));
    Keep(big);
    EXPECT_EQ(70000u, big->GetNumVertices());
}

// Every face's (p1 - p0) x (p2 - p0) points away from the centre (or the centre line) it is given.
void ExpectOutward(const Mesh& mesh, Vector3 (*centreOf)(Vector3), const char* what)
{
    const std::vector<std::uint32_t> indices = mesh.Indices();
    for (std::size_t i = 0; i < indices.size(); i += 3)
    {
        const Vector3 p0 = mesh.Position(indices[i]);
        const Vector3 p1 = mesh.Position(indices[i + 1]);
        const Vector3 p2 = mesh.Position(indices[i + 2]);
        const Vector3 cross = Vec3Cross({p1.x - p0.x, p1.y - p0.y, p1.z - p0.z}, {p2.x - p0.x, p2.y - p0.y, p2.z - p0.z});
        const Vector3 middle{(p0.x + p1.x + p2.x) / 3, (p0.y + p1.y + p2.y) / 3, (p0.z + p1.z + p2.z) / 3};
        const Vector3 centre = centreOf(middle);
        const Vector3 away{middle.x - centre.x, middle.y - centre.y, middle.z - centre.z};
        ASSERT_GT(Vec3Dot(cross, away), 0.0f) << what << " face " << i / 3;
    }
}

TEST_F(MeshTest, PrimitivesAreClosedAndWoundOutward)
{
    Mesh* box = nullptr;
    ByteBuffer* boxAdjacency = nullptr;
    ASSERT_EQ(Ok, CreateBox(device, 1, 2, 3, &box, &boxAdjacency));
    Keep(box);
    EXPECT_EQ(24u, box->GetNumVertices());
    EXPECT_EQ(12u, box->GetNumFaces());
    EXPECT_EQ(MeshOption::Managed, box->GetOptions());
    const auto* adjacency = static_cast<const std::uint32_t*>(boxAdjacency->GetBufferPointer());
    EXPECT_EQ(Adjacency(*box), std::vector<std::uint32_t>(adjacency, adjacency + 36));
    boxAdjacency->Release();

    Mesh* sphere = nullptr;
    ASSERT_EQ(Ok, CreateSphere(device, 1, 8, 4, &sphere, nullptr));
    Keep(sphere);
    for (std::uint32_t v = 0; v < sphere->GetNumVertices(); ++v)
    {
        const Vector3 p = sphere->Position(v);
        const auto n = Read<Vector3>(*sphere, v, 12);
        EXPECT_NEAR(1.0f, Vec3Length(p), 1e-6f);
        EXPECT_NEAR(p.x, n.x, 1e-6f);
        EXPECT_NEAR(p.y, n.y, 1e-6f);
        EXPECT_NEAR(p.z, n.z, 1e-6f);
    }
    Mesh* cylinder = nullptr;
    Mesh* cone = nullptr;
    Mesh* torus = nullptr;
    Mesh* teapot = nullptr;
    ASSERT_EQ(Ok, CreateCylinder(device, 0.5f, 0.5f, 2, 12, 3, &cylinder, nullptr));
    ASSERT_EQ(Ok, CreateCylinder(device, 0.8f, 0.3f, 1, 10, 2, &cone, nullptr));
    ASSERT_EQ(Ok, CreateTorus(device, 0.25f, 1, 8, 16, &torus, nullptr));
    ASSERT_EQ(Ok, CreateTeapot(device, &teapot, nullptr));
    for (Mesh* mesh : {cylinder, cone, torus, teapot})
    {
        Keep(mesh);
    }
    const std::pair<Mesh*, const char*> closed[] = {
        {box, "box"}, {sphere, "sphere"}, {cylinder, "cylinder"}, {cone, "cone"}, {torus, "torus"}, {teapot, "teapot"}};
    for (const auto& [mesh, what] : closed)
    {
        ExpectClosedAndSymmetric(Adjacency(*mesh), what);
    }
    const auto origin = [](Vector3) { return Vector3{}; };
    ExpectOutward(*box, origin, "box");
    ExpectOutward(*sphere, origin, "sphere");
    ExpectOutward(*cylinder, [](Vector3 p) { return std::fabs(p.z) == 1.0f ? Vector3{} : Vector3{0, 0, p.z}; }, "cylinder");
    ExpectOutward(*torus, [](Vector3 p) {
        const float length = std::hypot(p.x, p.y);
        return Vector3{p.x / length, p.y / length, 0};
    }, "torus");

    const struct
    {
        const char* what;
        Result result;
    } refusals[] = {
        {"negative box", CreateBox(device, -1, 1, 1, &box, nullptr)},
        {"sphere of 2 slices", CreateSphere(device, 1, 2, 4, &sphere, nullptr)},
        {"sphere of 1 stack", CreateSphere(device, 1, 8, 1, &sphere, nullptr)},
        {"negative cylinder", CreateCylinder(device, 1, 1, -1, 8, 1, &cylinder, nullptr)},
        {"torus of 2 rings", CreateTorus(device, 0.2f, 1, 8, 2, &torus, nullptr)},
    };
    for (const auto& refusal : refusals)
    {
        EXPECT_EQ(InvalidCall, refusal.result) << refusal.what;
    }
}

TEST_F(MeshTest, PoolsFollowTheOptionsAndDefaultPoolMeshesBlockReset)
{
    Mesh* system = nullptr;
    ASSERT_EQ(Ok, CreateMeshFVF(2, 4, MeshOption::SystemMem | MeshOption::WriteOnly, Fvf::Xyz, device, &system));
    Keep(system);
    VertexBuffer* vertexBuffer = nullptr;
    IndexBuffer* indexBuffer = nullptr;
    ASSERT_EQ(Ok, system->GetVertexBuffer(&vertexBuffer));
    ASSERT_EQ(Ok, system->GetIndexBuffer(&indexBuffer));
    VertexBufferDesc vertexDesc;
    IndexBufferDesc indexDesc;
    vertexBuffer->GetDesc(&vertexDesc);
    indexBuffer->GetDesc(&indexDesc);
    EXPECT_EQ(Pool::SystemMemory, vertexDesc.Pool);
    EXPECT_EQ(Pool::SystemMemory, indexDesc.Pool);
    EXPECT_EQ(Usage::WriteOnly, vertexDesc.Usage);
    EXPECT_EQ(Usage::WriteOnly, indexDesc.Usage);
    vertexBuffer->Release();
    indexBuffer->Release();

    Mesh* tooLarge = nullptr;
    EXPECT_EQ(InvalidCall, CreateMeshFVF(1, 70000, MeshOption::Managed, Fvf::Xyz, device, &tooLarge));
    EXPECT_EQ(nullptr, tooLarge);
    EXPECT_EQ(InvalidCall, CreateMeshFVF(0, 3, MeshOption::Managed, Fvf::Xyz, device, &tooLarge));

    Mesh* inDefaultPool = nullptr;
    ASSERT_EQ(Ok, CreateMeshFVF(2, 4, 0, Fvf::Xyz, device, &inDefaultPool));
    Device* held = nullptr;
    ASSERT_EQ(Ok, inDefaultPool->GetDevice(&held));
    EXPECT_EQ(device, held);
    held->Release();
    PresentParameters record = Record(windows[0], 64, 64);
    {
        Platform::DebugOutputCapture traces;
        EXPECT_EQ(InvalidCall, device->Reset(&record));
    }
    EXPECT_EQ(0u, inDefaultPool->Release());
    EXPECT_EQ(Ok, device->Reset(&record));
}

// The five primitives side by side, coloured by their normals, turned a little towards the viewer.
TEST_F(MeshTest, DrawsTheFivePrimitives)
{
    constexpr const char* kLitProgram = R"(
layout(location = 0) in vec3 Position;
layout(location = 3) in vec3 Normal;
layout(std140) uniform VertexConstants { vec4 c[256]; };
out vec4 vColor;
out vec2 vTexCoord;
void main()
{
    mat3 turn = mat3(1, 0, 0, 0, 0.8776, -0.4794, 0, 0.4794, 0.8776) *
                mat3(0.8253, 0, 0.5646, 0, 1, 0, -0.5646, 0, 0.8253);
    vec3 p = turn * Position;
    vec3 n = turn * Normal;
    gl_Position = vec4(p.x * c[0].z + c[0].x, p.y * c[0].z * c[0].w + c[0].y, 0.5 + p.z * 0.1, 1);
    vColor = vec4(n * 0.5 + 0.5, 1);
    vTexCoord = vec2(0);
}
)";
    Shader* lit = nullptr;
    std::string log;
    ASSERT_EQ(Ok, device->CreateVertexShader(kLitProgram, &lit, &log)) << log;
    UseTarget(320, 64, 0xFF000000u);
    Mesh* shapes[5] = {};
    ASSERT_EQ(Ok, CreateBox(device, 1.2f, 1.2f, 1.2f, &shapes[0], nullptr));
    ASSERT_EQ(Ok, CreateSphere(device, 0.8f, 24, 12, &shapes[1], nullptr));
    ASSERT_EQ(Ok, CreateCylinder(device, 0.6f, 0.4f, 1.4f, 20, 2, &shapes[2], nullptr));
    ASSERT_EQ(Ok, CreateTorus(device, 0.22f, 0.6f, 12, 24, &shapes[3], nullptr));
    ASSERT_EQ(Ok, CreateTeapot(device, &shapes[4], nullptr));
    device->SetVertexShader(lit);
    device->SetPixelShader(colourProgram);
    ASSERT_EQ(Ok, device->BeginScene());
    for (int i = 0; i < 5; ++i)
    {
        Keep(shapes[i]);
        const float place[4] = {-0.8f + 0.4f * static_cast<float>(i), 0, 0.17f, 5.0f};
        device->SetVertexShaderConstantF(0, place, 1);
        EXPECT_EQ(Ok, shapes[i]->DrawSubset(0)) << i;
    }
    ASSERT_EQ(Ok, device->EndScene());
    lit->Release();
    const std::vector<std::uint32_t> pixels = Pixels(target);
    ASSERT_EQ(Ok, SaveSurfaceToPng(target, OutputPath("primitives.png")));
    // Every slot is covered in its middle but for the torus, whose hole shows the background.
    for (int i = 0; i < 5; ++i)
    {
        int covered = 0;
        for (int y = 0; y < 64; ++y)
        {
            for (int x = 64 * i; x < 64 * i + 64; ++x)
            {
                covered += pixels[y * 320 + x] != 0xFF000000u;
            }
        }
        EXPECT_GT(covered, 400) << i;
        EXPECT_EQ(i == 3, pixels[32 * 320 + 32 + 64 * i] == 0xFF000000u) << i;
    }
    // The sphere's middle shows the side facing the viewer (normal towards -z: little blue); a wrong
    // winding would cull it and show the far side.
    EXPECT_LT(pixels[32 * 320 + 96] & 0xFF, 0x60u);
}

} // namespace
} // namespace GfxTesting
