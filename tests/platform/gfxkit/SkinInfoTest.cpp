#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/SkinInfo.h"

#include "tests/platform/gfx/GfxFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace GfxTesting
{
namespace
{

using namespace Platform::GfxKit;
using Platform::GfxKit::Vector3;

template <typename T>
struct ReleaseOf
{
    void operator()(T* object) const { object->Release(); }
};
template <typename T>
using Held = std::unique_ptr<T, ReleaseOf<T>>;

constexpr VertexElement kStripElements[] = {
    {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
    {0, 12, DeclType::Float3, 0, DeclUsage::Normal, 0},
    {0, 24, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
    DeclarationEnd,
};

struct StripVertex
{
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

// Vertex (column c, row r) of a strip is number 2c + r.
std::uint32_t At(std::uint32_t column, std::uint32_t row)
{
    return column * 2 + row;
}

// Influences of one bone: (column, weight) for both rows of each column.
struct BoneColumns
{
    const char* name;
    std::vector<std::pair<std::uint32_t, float>> columns;
};

class SkinInfoTest : public GfxFixture
{
protected:
    void SetUp() override { MakeDevice(); }

    // A strip of `quads` quads along x, two triangles each, with the attributes given per quad.
    Held<Mesh> Strip(std::uint32_t quads, const std::vector<std::uint32_t>& quadAttributes = {})
    {
        Mesh* mesh = nullptr;
        EXPECT_EQ(Ok, CreateMesh(quads * 2, (quads + 1) * 2, MeshOption::Managed, kStripElements, device, &mesh));
        std::vector<std::uint8_t> bytes((quads + 1) * 2 * sizeof(StripVertex));
        auto* vertices = reinterpret_cast<StripVertex*>(bytes.data());
        for (std::uint32_t c = 0; c <= quads; ++c)
        {
            for (std::uint32_t r = 0; r < 2; ++r)
            {
                vertices[At(c, r)] = {float(c), float(r), 0, 0, 0, -1, float(c) / quads, float(r)};
            }
        }
        std::vector<std::uint32_t> indices;
        std::vector<std::uint32_t> attributes;
        for (std::uint32_t c = 0; c < quads; ++c)
        {
            indices.insert(indices.end(), {At(c, 0), At(c, 1), At(c + 1, 0), At(c + 1, 0), At(c, 1), At(c + 1, 1)});
            const std::uint32_t attribute = quadAttributes.empty() ? 0 : quadAttributes[c];
            attributes.insert(attributes.end(), {attribute, attribute});
        }
        mesh->SetVertexBytes(bytes);
        mesh->SetIndices(indices);
        mesh->SetAttributes(attributes);
        return Held<Mesh>(mesh);
    }

    Held<SkinInfo> Skin(std::uint32_t quads, const std::vector<BoneColumns>& bones)
    {
        SkinInfo* skin = nullptr;
        EXPECT_EQ(Ok, CreateSkinInfo((quads + 1) * 2, kStripElements, static_cast<std::uint32_t>(bones.size()), &skin));
        for (std::uint32_t b = 0; b < bones.size(); ++b)
        {
            std::vector<std::uint32_t> vertices;
            std::vector<float> weights;
            for (auto [column, weight] : bones[b].columns)
            {
                vertices.insert(vertices.end(), {At(column, 0), At(column, 1)});
                weights.insert(weights.end(), {weight, weight});
            }
            EXPECT_EQ(Ok, skin->SetBoneName(b, bones[b].name));
            EXPECT_EQ(Ok, skin->SetBoneInfluence(b, static_cast<std::uint32_t>(vertices.size()), vertices.data(),
                                                 weights.data()));
        }
        return Held<SkinInfo>(skin);
    }

    struct Converted
    {
        Result result = Ok;
        Held<Mesh> mesh;
        std::uint32_t maxInfluences = 0;
        std::uint32_t count = 0;
        Held<ByteBuffer> combinations;
        std::vector<std::uint32_t> faceRemap;
        std::vector<std::uint32_t> vertexRemap;

        const BoneCombination& operator[](std::uint32_t b) const
        {
            return static_cast<const BoneCombination*>(combinations->GetBufferPointer())[b];
        }
    };

    static Converted Convert(const SkinInfo& skin, Mesh* mesh, std::uint32_t palette, std::uint32_t* adjacency = nullptr)
    {
        Converted out;
        out.faceRemap.assign(mesh->GetNumFaces(), 0xDEADu);
        Mesh* blended = nullptr;
        ByteBuffer* combinations = nullptr;
        ByteBuffer* vertexRemap = nullptr;
        out.result = skin.ConvertToIndexedBlendedMesh(mesh, MeshOption::Managed, palette, adjacency, adjacency,
                                                      out.faceRemap.data(), &vertexRemap, &out.maxInfluences,
                                                      &out.count, &combinations, &blended);
        out.mesh.reset(blended);
        out.combinations.reset(combinations);
        if (vertexRemap != nullptr)
        {
            const auto* remap = static_cast<const std::uint32_t*>(vertexRemap->GetBufferPointer());
            out.vertexRemap.assign(remap, remap + vertexRemap->GetBufferSize() / 4);
            vertexRemap->Release();
        }
        return out;
    }
};

// The two-bone strip: A on the first two quads, B on the last two, the middle column shared half and half.
const std::vector<BoneColumns> kTwoBones = {
    {"A", {{0, 1.0f}, {1, 1.0f}, {2, 0.5f}}},
    {"B", {{2, 0.5f}, {3, 1.0f}, {4, 1.0f}}},
};

TEST_F(SkinInfoTest, BonesKeepTheirNamesOffsetsAndInfluences)
{
    Held<SkinInfo> skin = Skin(4, kTwoBones);
    EXPECT_EQ(2u, skin->GetNumBones());
    EXPECT_STREQ("B", skin->GetBoneName(1));
    EXPECT_EQ(nullptr, skin->GetBoneName(2));

    std::string name = "Upper";
    ASSERT_EQ(Ok, skin->SetBoneName(0, name.c_str()));
    name = "Other";
    EXPECT_STREQ("Upper", skin->GetBoneName(0)); // copied

    Matrix offset;
    MatrixTranslation(&offset, 1.5f, -2, 3);
    ASSERT_EQ(Ok, skin->SetBoneOffsetMatrix(1, &offset));
    EXPECT_EQ(0, std::memcmp(&offset, skin->GetBoneOffsetMatrix(1), sizeof offset));

    ASSERT_EQ(6u, skin->GetNumBoneInfluences(1));
    std::uint32_t vertices[6];
    float weights[6];
    ASSERT_EQ(Ok, skin->GetBoneInfluence(1, vertices, weights));
    EXPECT_EQ(At(2, 1), vertices[1]);
    EXPECT_EQ(0.5f, weights[1]);
    EXPECT_EQ(At(4, 1), vertices[5]);

    std::uint32_t most = 0;
    ASSERT_EQ(Ok, skin->GetMaxVertexInfluences(&most));
    EXPECT_EQ(2u, most);

    const std::uint32_t outside = 10;
    const float one = 1;
    EXPECT_EQ(InvalidCall, skin->SetBoneInfluence(0, 1, &outside, &one));
    EXPECT_EQ(InvalidCall, skin->SetBoneName(2, "C"));
}

TEST_F(SkinInfoTest, StripFitsOnePaletteOfTwoBones)
{
    Held<Mesh> mesh = Strip(4);
    Held<SkinInfo> skin = Skin(4, kTwoBones);
    const Converted out = Convert(*skin, mesh.get(), 2);
    ASSERT_EQ(Ok, out.result);
    EXPECT_EQ(2u, out.maxInfluences);
    ASSERT_EQ(1u, out.count);
    EXPECT_EQ(0u, out[0].AttribId);
    EXPECT_EQ(8u, out[0].FaceCount);
    EXPECT_EQ(10u, out[0].VertexCount);
    EXPECT_EQ(0u, out[0].BoneId[0]);
    EXPECT_EQ(1u, out[0].BoneId[1]);

    VertexElement declaration[MaxDeclarationLength];
    ASSERT_EQ(Ok, out.mesh->GetDeclaration(declaration));
    const VertexElement expected[] = {
        {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
        {0, 12, DeclType::Float1, 0, DeclUsage::BlendWeight, 0},
        {0, 16, DeclType::UByte4, 0, DeclUsage::BlendIndices, 0},
        {0, 20, DeclType::Float3, 0, DeclUsage::Normal, 0},
        {0, 32, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
        DeclarationEnd,
    };
    for (std::size_t e = 0; e < std::size(expected); ++e)
    {
        EXPECT_EQ(0, std::memcmp(&expected[e], &declaration[e], sizeof(VertexElement))) << "element " << e;
    }

    // Each vertex: its own position and texture coordinates, its first weight and palette slots.
    EXPECT_EQ(40u, out.mesh->GetNumBytesPerVertex());
    for (std::uint32_t v = 0; v < out.mesh->GetNumVertices(); ++v)
    {
        const std::uint32_t old = out.vertexRemap[v];
        const std::uint8_t* vertex = out.mesh->Vertex(v);
        float x, weight, u;
        std::memcpy(&x, vertex, 4);
        std::memcpy(&weight, vertex + 12, 4);
        std::memcpy(&u, vertex + 32, 4);
        const std::uint32_t column = old / 2;
        EXPECT_EQ(float(column), x);
        EXPECT_EQ(float(column) / 4, u);
        EXPECT_EQ(column == 2 ? 0.5f : 1.0f, weight) << "vertex " << v;
        EXPECT_EQ(column <= 2 ? 0 : 1, vertex[16]) << "first slot of vertex " << v;
        if (column == 2)
        {
            EXPECT_EQ(1, vertex[17]);
        }
    }

    const Converted tooSmall = Convert(*skin, mesh.get(), 1);
    EXPECT_EQ(Platform::Gfx::TooManyInfluences, tooSmall.result);
    EXPECT_EQ(nullptr, tooSmall.mesh);
    EXPECT_EQ(nullptr, tooSmall.combinations);
}

TEST_F(SkinInfoTest, ThreeBonesSplitIntoTwoCombinationsWithTheSharedColumnDuplicated)
{
    Held<Mesh> mesh = Strip(6);
    Held<SkinInfo> skin = Skin(6, {
                                      {"A", {{0, 1.0f}, {1, 1.0f}, {2, 0.5f}}},
                                      {"B", {{2, 0.5f}, {3, 1.0f}, {4, 0.5f}}},
                                      {"C", {{4, 0.5f}, {5, 1.0f}, {6, 1.0f}}},
                                  });
    const Converted out = Convert(*skin, mesh.get(), 2);
    ASSERT_EQ(Ok, out.result);
    ASSERT_EQ(2u, out.count);
    EXPECT_EQ((std::vector<std::uint32_t>{out[0].BoneId[0], out[0].BoneId[1]}), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ((std::vector<std::uint32_t>{out[1].BoneId[0], out[1].BoneId[1]}), (std::vector<std::uint32_t>{1, 2}));

    // Column 3 lies on quads 2 and 3, which fall into different combinations: 14 vertices + 2 copies.
    EXPECT_EQ(16u, out.mesh->GetNumVertices());
    std::vector<AttributeRange> table(2);
    std::uint32_t size = 2;
    ASSERT_EQ(Ok, out.mesh->GetAttributeTable(table.data(), &size));
    std::set<std::uint32_t> seen;
    for (std::uint32_t b = 0; b < 2; ++b)
    {
        const AttributeRange* range = &table[b];
        EXPECT_EQ(b, range->AttribId);
        EXPECT_EQ(out[b].FaceStart, range->FaceStart);
        EXPECT_EQ(out[b].FaceCount, range->FaceCount);
        EXPECT_EQ(out[b].VertexStart, range->VertexStart);
        EXPECT_EQ(out[b].VertexCount, range->VertexCount);
        const std::vector<std::uint32_t> indices = out.mesh->Indices();
        for (std::uint32_t f = out[b].FaceStart; f < out[b].FaceStart + out[b].FaceCount; ++f)
        {
            EXPECT_TRUE(seen.insert(out.faceRemap[f]).second) << "old face " << out.faceRemap[f] << " twice";
            for (int k = 0; k < 3; ++k)
            {
                const std::uint32_t v = indices[f * 3 + k];
                EXPECT_GE(v, out[b].VertexStart);
                EXPECT_LT(v, out[b].VertexStart + out[b].VertexCount);
                EXPECT_EQ(mesh->Indices()[out.faceRemap[f] * 3 + k], out.vertexRemap[v]);
            }
        }
    }
    EXPECT_EQ(12u, seen.size());
    EXPECT_EQ(2, std::count(out.vertexRemap.begin(), out.vertexRemap.end(), At(3, 0)));
}

TEST_F(SkinInfoTest, CombinationsKeepAttributesApartAndCarryTheAdjacency)
{
    Held<Mesh> mesh = Strip(4, {1, 1, 0, 0});
    Held<SkinInfo> skin = Skin(4, kTwoBones);
    std::vector<std::uint32_t> adjacency(mesh->GetNumFaces() * 3);
    ASSERT_EQ(Ok, mesh->GenerateAdjacency(0.0f, adjacency.data()));
    const Converted out = Convert(*skin, mesh.get(), 2, adjacency.data());
    ASSERT_EQ(Ok, out.result);
    ASSERT_EQ(2u, out.count);
    EXPECT_EQ(0u, out[0].AttribId);
    EXPECT_EQ(1u, out[1].AttribId);
    for (std::uint32_t b = 0; b < 2; ++b)
    {
        for (std::uint32_t f = out[b].FaceStart; f < out[b].FaceStart + out[b].FaceCount; ++f)
        {
            EXPECT_EQ(out[b].AttribId, mesh->Attributes()[out.faceRemap[f]]);
            EXPECT_EQ(b, out.mesh->Attributes()[f]);
        }
    }
    EXPECT_EQ(8u, out.mesh->GetNumFaces());
    // The shared array now describes the new face order, split vertices joining by position.
    std::vector<std::uint32_t> regenerated(8 * 3);
    ASSERT_EQ(Ok, out.mesh->GenerateAdjacency(0.0f, regenerated.data()));
    EXPECT_EQ(regenerated, adjacency);
}

TEST_F(SkinInfoTest, AVertexKeepsItsFourHeaviestInfluencesRenormalised)
{
    Held<Mesh> mesh = Strip(1);
    SkinInfo* raw = nullptr;
    ASSERT_EQ(Ok, CreateSkinInfo(4, kStripElements, 5, &raw));
    Held<SkinInfo> skin(raw);
    const float weights[5] = {0.1f, 0.2f, 0.3f, 0.15f, 0.25f};
    for (std::uint32_t b = 0; b < 5; ++b)
    {
        const std::uint32_t vertex = 0;
        ASSERT_EQ(Ok, skin->SetBoneInfluence(b, 1, &vertex, &weights[b]));
    }
    std::uint32_t most = 0;
    ASSERT_EQ(Ok, skin->GetMaxVertexInfluences(&most));
    EXPECT_EQ(5u, most);

    const Converted out = Convert(*skin, mesh.get(), 4);
    ASSERT_EQ(Ok, out.result);
    EXPECT_EQ(4u, out.maxInfluences);
    VertexElement declaration[MaxDeclarationLength];
    ASSERT_EQ(Ok, out.mesh->GetDeclaration(declaration));
    EXPECT_EQ(DeclType::Float3, declaration[1].Type);
    // Bones 2, 4, 1, 3 by weight; bone 0 (0.1) is dropped. The palette takes bones in first use.
    const std::uint32_t* palette = out[0].BoneId;
    const std::uint8_t* vertex = out.mesh->Vertex(0);
    float stored[3];
    std::memcpy(stored, vertex + 12, sizeof stored);
    EXPECT_NEAR(0.3f / 0.9f, stored[0], 1e-6);
    EXPECT_NEAR(0.25f / 0.9f, stored[1], 1e-6);
    EXPECT_NEAR(0.2f / 0.9f, stored[2], 1e-6);
    EXPECT_EQ(2u, palette[vertex[24]]);
    EXPECT_EQ(4u, palette[vertex[25]]);
    EXPECT_EQ(1u, palette[vertex[26]]);
    EXPECT_EQ(3u, palette[vertex[27]]);
    // A vertex without influences takes the combination's first bone whole.
    const std::uint8_t* free = out.mesh->Vertex(1);
    float first;
    std::memcpy(&first, free + 12, 4);
    EXPECT_EQ(1.0f, first);
    EXPECT_EQ(0, free[24]);
}

} // namespace
} // namespace GfxTesting
