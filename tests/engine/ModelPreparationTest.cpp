#include "tests/engine/MeshFixture.h"

#include "engine/EffectShader.h"
#include "engine/IndexPairList.h"
#include "engine/ModelLoadOptions.h"
#include "engine/ModelPreparation.h"
#include "engine/VertexElements.h"
#include "foundation/Helpers.h"
#include "platform/gfxkit/mesh/SkinInfo.h"
#include "platform/os/DebugOutput.h"

#include <cmath>
#include <cstring>

namespace EngineTesting
{
namespace
{

using Platform::GfxKit::Mesh;
using Platform::GfxKit::SkinInfo;
using Qen::CFrame;
using Qen::CMeshContainer;

constexpr const char* kStreamsEffect = R"(
struct Streams { float2 uv : TEXCOORD0; float3 t : TANGENT; float3 n : NORMAL; };
Streams Qen_REQUIRE_INPUTSTREAMS;
technique _staticmesh { pass p0 { ZEnable = false; } }
)";

constexpr const char* kNormalEffect = R"(
struct Streams { float3 n : NORMAL; float4 extra : BLENDWEIGHT; };
Streams input : Qen_REQUIRE_INPUTSTREAMS;
technique _staticmesh { pass p0 { ZEnable = false; } }
)";

constexpr const char* kPaletteEffect = R"(
float4x4 mWorld : WORLD;
float4x4 mPalette[26] : BONEMATRIXPALETTE;
technique _skinnedmesh { pass p0 { ZEnable = false; } }
)";

std::vector<std::string> Layout(Mesh* mesh)
{
    VertexElement declaration[Qen::kVertexDeclarationRoom];
    mesh->GetDeclaration(declaration);
    std::vector<std::string> layout;
    for (std::uint32_t i = 0; declaration[i].Stream != 0xFF; ++i)
    {
        const VertexElement& e = declaration[i];
        layout.push_back(std::to_string(e.Usage) + "." + std::to_string(e.UsageIndex) + "@" + std::to_string(e.Offset) +
                         ":" + std::to_string(e.Type));
    }
    return layout;
}

class ModelPreparationTest : public MeshFixture
{
protected:
    // Two triangles of a unit square in the xy plane with the given elements (position always; normal
    // (0, 0, -1) and texture coordinates (x, y) when asked).
    Mesh* Square(bool normals, bool texture)
    {
        std::vector<VertexElement> elements = {{0, 0, DeclType::Float3, 0, DeclUsage::Position, 0}};
        std::uint16_t offset = 12;
        if (normals)
        {
            elements.push_back({0, offset, DeclType::Float3, 0, DeclUsage::Normal, 0});
            offset += 12;
        }
        if (texture)
        {
            elements.push_back({0, offset, DeclType::Float2, 0, DeclUsage::TexCoord, 0});
            offset += 8;
        }
        elements.push_back(DeclarationEnd);
        Mesh* mesh = nullptr;
        EXPECT_EQ(Ok, Platform::GfxKit::CreateMesh(2, 4, Platform::GfxKit::MeshOption::Managed, elements.data(), device,
                                                   &mesh));
        const float corners[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        std::vector<float> values;
        for (const auto& c : corners)
        {
            values.insert(values.end(), {c[0], c[1], 0.0f});
            if (normals)
            {
                values.insert(values.end(), {0.0f, 0.0f, -1.0f});
            }
            if (texture)
            {
                values.insert(values.end(), {c[0], c[1]});
            }
        }
        std::vector<std::uint8_t> bytes(values.size() * 4);
        std::memcpy(bytes.data(), values.data(), bytes.size());
        mesh->SetVertexBytes(bytes);
        mesh->SetIndices({0, 1, 2, 0, 2, 3});
        return mesh;
    }

    // A container whose one effect instance names the file (written from text first).
    CMeshContainer* WithEffect(CFrame* frame, Mesh* mesh, const std::string& file, const std::string& text)
    {
        WriteFile(file, text);
        CMeshContainer* container = AddContainer(frame, mesh, 1, "Box");
        mesh->Release();
        container->pEffects[0].pEffectFilename = BaseLib::StrDup(("xfl-shader>" + file).c_str());
        return container;
    }

    std::vector<float> Floats(Mesh* mesh, std::uint32_t vertex, std::uint32_t usage)
    {
        VertexElement declaration[Qen::kVertexDeclarationRoom];
        mesh->GetDeclaration(declaration);
        const int at = Qen::FindVertexElement(declaration, usage, 0);
        if (at < 0)
        {
            return {};
        }
        std::vector<float> values(3);
        std::memcpy(values.data(), mesh->Vertex(vertex) + declaration[at].Offset, 12);
        return values;
    }

    Qen::CModelLoadOptions options;
};

TEST_F(ModelPreparationTest, EffectsRequiringStreamsGetTangentsAppendedAndComputed)
{
    options.name = "crate.x";
    CFrame* root = AddFrame(nullptr);
    CFrame* lid = AddFrame("Lid", root);
    CMeshContainer* container = WithEffect(lid, Square(true, true), "streams.fx", kStreamsEffect);
    Qen::PrepareModel(&controller, options, root);
    EXPECT_TRUE(boxes.empty());
    ASSERT_TRUE(container->materials[0]);
    EXPECT_EQ((std::vector<std::string>{"0.0@0:2", "3.0@12:2", "5.0@24:1", "6.0@32:2", "7.0@44:2"}),
              Layout(container->mesh));
    EXPECT_EQ((std::vector<float>{0, 0, -1}), Floats(container->mesh, 2, DeclUsage::Normal));
    EXPECT_EQ((std::vector<float>{1, 0, 0}), Floats(container->mesh, 2, DeclUsage::Tangent));
    EXPECT_EQ((std::vector<float>{0, 0, 0}), Floats(container->mesh, 2, DeclUsage::Binormal)) << "not asked for";
    EXPECT_EQ(" / Lid / Box", Qen::DescribeMesh(*container));

    // Without texture coordinates: the box, and the mesh as cleaning left it.
    CFrame* other = AddFrame("crate");
    CMeshContainer* bare = WithEffect(other, Square(true, false), "streams.fx", kStreamsEffect);
    Qen::PrepareModel(&controller, options, other);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("error|missing texture coordinates in mesh!\n  model = crate.x\n  mesh = crate / Box\n", boxes[0]);
    EXPECT_EQ((std::vector<std::string>{"0.0@0:2", "3.0@12:2"}), Layout(bare->mesh));
}

TEST_F(ModelPreparationTest, MissingNormalsAreComputedForTheEffectThatAsks)
{
    CFrame* root = AddFrame("root");
    CMeshContainer* container = WithEffect(root, Square(false, false), "normal.fx", kNormalEffect);
    Qen::PrepareModel(&controller, options, root);
    EXPECT_TRUE(boxes.empty());
    // BLENDWEIGHT is no stream semantic: ignored. Normal, tangent and binormal appended in that order.
    EXPECT_EQ((std::vector<std::string>{"0.0@0:2", "3.0@12:2", "6.0@24:2", "7.0@36:2"}), Layout(container->mesh));
    const std::vector<float> normal = Floats(container->mesh, 1, DeclUsage::Normal);
    ASSERT_EQ(3u, normal.size());
    EXPECT_FLOAT_EQ(1.0f, std::fabs(normal[2]));

    // The generate flags ask for the same without any effect.
    CFrame* plain = AddFrame("plain");
    Mesh* mesh = Square(false, false);
    CMeshContainer* generated = AddContainer(plain, mesh, 0);
    mesh->Release();
    options.generateNormals = true;
    Qen::PrepareModel(&controller, options, plain);
    EXPECT_EQ(3u, Layout(generated->mesh).size() - 1);
}

TEST_F(ModelPreparationTest, SemanticsIndexPairsAndSimplificationTargets)
{
    const struct
    {
        const char* semantic;
        bool accepted;
        std::uint32_t usage;
        std::uint32_t index;
    } cases[] = {{"NORMAL", true, 3, 0},    {"TEXCOORD1", true, 5, 1}, {"BINORMAL", true, 7, 0},
                 {"COLOR12", true, 10, 12}, {"POSITION", true, 0, 0},  {"TANGENT0", true, 6, 0},
                 {"NORMALS", false, 0, 0},  {"normal", false, 0, 0},   {"TEXCOORD-1", false, 0, 0},
                 {"BLENDWEIGHT", false, 0, 0}, {"", false, 0, 0}};
    for (const auto& c : cases)
    {
        std::uint32_t usage = 99;
        std::uint32_t index = 99;
        EXPECT_EQ(c.accepted, Qen::ParseStreamSemantic(c.semantic, usage, index)) << c.semantic;
        if (c.accepted)
        {
            EXPECT_EQ(c.usage, usage) << c.semantic;
            EXPECT_EQ(c.index, index) << c.semantic;
        }
    }

    Qen::CIndexPairList list;
    EXPECT_EQ(0u, list.Capacity());
    for (std::uint32_t i = 0; i < 33; ++i)
    {
        list.Append(i % 3, 0);
    }
    EXPECT_EQ(64u, list.Capacity());
    list.RemoveAt(32);
    EXPECT_EQ(32u, list.Capacity());
    list.RemoveDuplicates();
    ASSERT_EQ(3u, list.Count());
    EXPECT_EQ(0u, list[0].first);
    EXPECT_EQ(2u, list[2].first);
    EXPECT_EQ(32u, list.Capacity());
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        list.RemoveAt(0);
    }
    EXPECT_EQ(0u, list.Capacity());

    EXPECT_EQ(4u, Qen::SimplificationTarget(7, 0.5f));
    EXPECT_EQ(2u, Qen::SimplificationTarget(10, 0.1f));
    EXPECT_EQ(2u, Qen::SimplificationTarget(1, 0.5f));
    EXPECT_EQ(10u, Qen::SimplificationTarget(10, 1.0f));
}

TEST_F(ModelPreparationTest, VisibilityFramesBoundsAndSimplification)
{
    CFrame* root = AddFrame("root");
    CFrame* door = AddFrame("door", root);
    AddFrame("door_visibility", door);
    CFrame* knob = AddFrame("knob", door);
    AddFrame("Visibility", knob); // letter case counts
    knob->visibilityFrame = root;
    // Two single points (radius 0) at x = 0 and x = 2 on the knob; a flat 4 × 4 grid of 18 faces on the root.
    for (const float x : {0.0f, 2.0f})
    {
        Mesh* point = MakeMesh({x, 0, 0, x, 0, 0, x, 0, 0}, {0, 1, 2});
        AddContainer(knob, point, 0);
        point->Release();
    }
    std::vector<float> grid;
    std::vector<std::uint32_t> faces;
    for (std::uint32_t y = 0; y < 4; ++y)
    {
        for (std::uint32_t x = 0; x < 4; ++x)
        {
            grid.insert(grid.end(), {static_cast<float>(x) / 3.0f, static_cast<float>(y) / 3.0f, 0.0f});
            if (x < 3 && y < 3)
            {
                const std::uint32_t v = 4 * y + x;
                faces.insert(faces.end(), {v, v + 4, v + 5, v, v + 5, v + 1});
            }
        }
    }
    Mesh* mesh = MakeMesh(grid, faces);
    CMeshContainer* gridContainer = AddContainer(root, mesh, 0);
    mesh->Release();
    Platform::GfxKit::MatrixTranslation(&knob->TransformationMatrix, 0, 5, 0);
    options.simplificationFactor = 0.5f;
    Qen::PrepareModel(&controller, options, root);

    EXPECT_STREQ("door_visibility", door->visibilityFrame->Name);
    EXPECT_EQ(nullptr, knob->visibilityFrame);
    EXPECT_EQ(knob, knob->FirstContainer()->owner);
    EXPECT_EQ(5.0f, knob->combinedMatrix.m[3][1]);
    // Radii all 0: the plain average of the centres.
    EXPECT_FLOAT_EQ(1.0f, knob->sphereCentre.x);
    EXPECT_FLOAT_EQ(1.0f, knob->sphereRadius);
    EXPECT_FLOAT_EQ(5.0f, door->sphereCentre.y) << "the knob's centre moved by its own transformation";
    EXPECT_FLOAT_EQ(1.0f, door->sphereRadius);
    EXPECT_GT(root->sphereRadius, 3.0f);
    EXPECT_EQ(-3.4028235e38f, door->FirstChild()->sphereRadius);
    // Simplification asks for 9 of 18 faces: only the interior vertices can go.
    EXPECT_GE(gridContainer->mesh->GetNumFaces(), 9u);
    EXPECT_LT(gridContainer->mesh->GetNumFaces(), 18u);
    ASSERT_NE(nullptr, gridContainer->pAdjacency);
    std::vector<std::uint32_t> fresh(std::size_t(gridContainer->mesh->GetNumFaces()) * 3);
    gridContainer->mesh->GenerateAdjacency(0.0f, fresh.data());
    EXPECT_EQ(0, std::memcmp(fresh.data(), gridContainer->pAdjacency, fresh.size() * 4));
}

// Triangle b (of `bones`) is moved by bone b alone; the first vertex's weights sum to `firstSum`.
SkinInfo* SkinPerTriangle(Mesh* mesh, std::uint32_t bones, float firstSum = 1.0f)
{
    VertexElement declaration[Qen::kVertexDeclarationRoom];
    mesh->GetDeclaration(declaration);
    SkinInfo* skin = nullptr;
    EXPECT_EQ(Ok, Platform::GfxKit::CreateSkinInfo(mesh->GetNumVertices(), declaration, bones, &skin));
    for (std::uint32_t b = 0; b < bones; ++b)
    {
        const std::uint32_t vertices[3] = {3 * b, 3 * b + 1, 3 * b + 2};
        const float weights[3] = {b == 0 ? firstSum : 1.0f, 1.0f, 1.0f};
        skin->SetBoneInfluence(b, 3, vertices, weights);
        skin->SetBoneName(b, ("bone" + std::to_string(b)).c_str());
    }
    return skin;
}

TEST_F(ModelPreparationTest, SkinnedMeshesTakeTheSmallestPaletteAndColourIndices)
{
    for (const std::uint32_t bones : {40u, 12u})
    {
        CFrame* root = AddFrame("root");
        std::vector<float> positions;
        std::vector<std::uint32_t> indices;
        for (std::uint32_t b = 0; b < bones; ++b)
        {
            const auto x = static_cast<float>(b);
            positions.insert(positions.end(), {x, 0, 0, x, 1, 0, x + 0.5f, 0, 0});
            indices.insert(indices.end(), {3 * b, 3 * b + 1, 3 * b + 2});
        }
        Mesh* mesh = MakeMesh(positions, indices);
        CMeshContainer* container = WithEffect(root, mesh, "palette.fx", kPaletteEffect);
        container->pSkinInfo = SkinPerTriangle(container->mesh, bones, bones == 12 ? 0.7f : 1.0f);
        Platform::DebugOutputCapture trace;
        options.name = "palette.x";
        Qen::PrepareModel(&controller, options, root);
        EXPECT_EQ(bones == 40 ? 26u : 12u, container->paletteSize);
        EXPECT_EQ(bones == 40 ? 2u : 1u, container->numBoneCombinations);
        EXPECT_FALSE(container->softwareSkinning);
        VertexElement declaration[Qen::kVertexDeclarationRoom];
        container->mesh->GetDeclaration(declaration);
        const int blendIndices = Qen::FindVertexElement(declaration, DeclUsage::BlendIndices, 0);
        ASSERT_GE(blendIndices, 0);
        EXPECT_EQ(DeclType::Color, declaration[blendIndices].Type);
        EXPECT_EQ(bones == 12 ? 1u : 0u,
                  trace.Text().find("WARNING: detected 1 invalid vertices in the SkinInfo of palette.x\n") !=
                      std::string::npos)
            << trace.Text();
        // Every bone found its frame? None exists here: each is traced and follows the identity.
        EXPECT_NE(nullptr, container->boneMatrices[bones - 1]);
    }
}

TEST_F(ModelPreparationTest, EmptySlotsAndSlotsWithoutEffectCountAsPaletteSixteenAndAddNoStreams)
{
    WriteFile("broken.fx", "float4 oops = ;");
    answers = {Platform::MessageBoxAnswerIgnore};
    BaseLib::CResourcePtr<Qen::CMaterial> broken;
    controller.GetMaterialFactory()->GetMaterial("xfl-shader>broken.fx", broken, true);
    ASSERT_TRUE(broken);
    ASSERT_EQ(nullptr, broken->GetEffectShader());

    CFrame* root = AddFrame("root");
    Mesh* mesh = MakeMesh({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    CMeshContainer* container = AddContainer(root, mesh, 2);
    mesh->Release();
    container->materials[1] = broken;
    EXPECT_EQ(16u, Qen::GetEffectPaletteSize(*container));
    Qen::CIndexPairList streams;
    Qen::CollectRequiredStreams(*container, streams);
    EXPECT_EQ(0u, streams.Count());

    CMeshContainer* none = AddContainer(root, nullptr, 0);
    EXPECT_EQ(2147483647u, Qen::GetEffectPaletteSize(*none));
    container->materials[0] = Material("palette.fx", kPaletteEffect);
    EXPECT_EQ(16u, Qen::GetEffectPaletteSize(*container)) << "the slot without effect gives 16";
    container->materials[1] = nullptr;
    EXPECT_EQ(16u, Qen::GetEffectPaletteSize(*container)) << "an empty slot gives 16 too";
    Qen::ResizeMaterialArrays(*container, 1);
    container->materials[0] = Material("palette.fx", kPaletteEffect);
    EXPECT_EQ(26u, Qen::GetEffectPaletteSize(*container));
}

class OldVertexShaderPreparationTest : public ModelPreparationTest
{
protected:
    OldVertexShaderPreparationTest()
    {
        SimulatedAdapter adapter;
        adapter.vertexShaderVersion = 0xFFFE0100;
        simulated.push_back(adapter);
    }
};

TEST_F(OldVertexShaderPreparationTest, VertexShadersBelowOnePointOneSkinInSoftware)
{
    CFrame* root = AddFrame("root");
    Mesh* mesh = MakeMesh({0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    CMeshContainer* container = AddContainer(root, mesh, 0);
    mesh->Release();
    container->pSkinInfo = SkinPerTriangle(container->mesh, 1);
    Qen::PrepareModel(&controller, options, root);
    EXPECT_TRUE(container->softwareSkinning);
    EXPECT_EQ(1u, container->paletteSize);
}

} // namespace
} // namespace EngineTesting
