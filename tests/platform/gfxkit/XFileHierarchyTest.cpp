#include "platform/gfxkit/xfile/XFileHierarchy.h"
#include "platform/gfxkit/xfile/XFileWriter.h"

#include "platform/os/DebugOutput.h"
#include "tests/platform/gfx/GfxFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace GfxTesting
{
namespace
{

using namespace Platform::GfxKit;
using Platform::GfxKit::Vector3;

std::string DataFile(const char* name)
{
    return std::string(QUARROW_TEST_DATA_DIR) + "/" + name;
}

char* Copy(const char* text)
{
    if (text == nullptr)
    {
        return nullptr;
    }
    char* copy = new char[std::strlen(text) + 1];
    std::strcpy(copy, text);
    return copy;
}

// An allocator as an engine writes one: it copies everything it keeps, records every call, checks that
// each record is destroyed once, and can fail a chosen call.
class RecordingAllocator : public AllocateHierarchy
{
public:
    std::vector<std::string> calls;
    std::set<void*> live;
    int failOnCall = 0; // 1-based; 0: never
    int creates = 0;
    int frameDestroys = 0;
    int containerDestroys = 0;

    Result CreateFrame(const char* name, Frame** frame) override
    {
        calls.push_back(std::string("frame ") + (name ? name : "(null)"));
        if (++creates == failOnCall)
        {
            *frame = nullptr;
            return OutOfMemory;
        }
        *frame = new Frame();
        (*frame)->Name = Copy(name);
        live.insert(*frame);
        return Ok;
    }

    Result CreateMeshContainer(const char* name, const MeshData* meshData, const XFileMaterial* materials,
                               const EffectInstance* effects, std::uint32_t materialCount,
                               const std::uint32_t* adjacency, SkinInfo* skin, MeshContainer** out) override
    {
        calls.push_back(std::string("container ") + (name ? name : "(null)"));
        if (++creates == failOnCall)
        {
            *out = nullptr;
            return OutOfMemory;
        }
        auto* container = new MeshContainer();
        container->Name = Copy(name);
        container->MeshData = *meshData;
        meshData->pMesh->AddRef();
        container->NumMaterials = materialCount;
        container->pMaterials = new XFileMaterial[materialCount];
        container->pEffects = new EffectInstance[materialCount];
        for (std::uint32_t i = 0; i < materialCount; ++i)
        {
            container->pMaterials[i].MatD3D = materials[i].MatD3D;
            container->pMaterials[i].pTextureFilename = Copy(materials[i].pTextureFilename);
            EffectInstance& effect = container->pEffects[i];
            effect.pEffectFilename = Copy(effects[i].pEffectFilename);
            effect.NumDefaults = effects[i].NumDefaults;
            effect.pDefaults = new EffectDefault[effect.NumDefaults];
            for (std::uint32_t d = 0; d < effect.NumDefaults; ++d)
            {
                const EffectDefault& from = effects[i].pDefaults[d];
                effect.pDefaults[d] = from;
                effect.pDefaults[d].pParamName = Copy(from.pParamName);
                auto* value = new std::uint8_t[from.NumBytes];
                std::memcpy(value, from.pValue, from.NumBytes);
                effect.pDefaults[d].pValue = value;
            }
        }
        const std::uint32_t faces = meshData->pMesh->GetNumFaces();
        container->pAdjacency = new std::uint32_t[faces * 3];
        std::memcpy(container->pAdjacency, adjacency, faces * 12);
        container->pSkinInfo = skin;
        if (skin != nullptr)
        {
            skin->AddRef();
        }
        live.insert(container);
        *out = container;
        return Ok;
    }

    Result DestroyFrame(Frame* frame) override
    {
        ++frameDestroys;
        EXPECT_EQ(1u, live.erase(frame)) << "frame destroyed twice or never made";
        delete[] frame->Name;
        delete frame;
        return Ok;
    }

    Result DestroyMeshContainer(MeshContainer* container) override
    {
        ++containerDestroys;
        EXPECT_EQ(1u, live.erase(container)) << "container destroyed twice or never made";
        delete[] container->Name;
        container->MeshData.pMesh->Release();
        if (container->pSkinInfo != nullptr)
        {
            container->pSkinInfo->Release();
        }
        for (std::uint32_t i = 0; i < container->NumMaterials; ++i)
        {
            delete[] container->pMaterials[i].pTextureFilename;
            EffectInstance& effect = container->pEffects[i];
            delete[] effect.pEffectFilename;
            for (std::uint32_t d = 0; d < effect.NumDefaults; ++d)
            {
                delete[] effect.pDefaults[d].pParamName;
                delete[] static_cast<std::uint8_t*>(effect.pDefaults[d].pValue);
            }
            delete[] effect.pDefaults;
        }
        delete[] container->pMaterials;
        delete[] container->pEffects;
        delete[] container->pAdjacency;
        delete container;
        return Ok;
    }
};

class XFileHierarchyTest : public GfxFixture
{
protected:
    void SetUp() override
    {
        MakeDevice();
        folder = std::filesystem::temp_directory_path() /
                 ("quarrow-xhierarchy-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }

    void TearDown() override
    {
        if (root != nullptr)
        {
            EXPECT_EQ(Ok, FrameDestroy(root, &allocator));
        }
        if (controller != nullptr)
        {
            controller->Release();
        }
        EXPECT_TRUE(allocator.live.empty()) << allocator.live.size() << " records left";
        std::error_code error;
        std::filesystem::remove_all(folder, error);
        GfxFixture::TearDown();
    }

    std::string Write(const std::string& name, const std::string& text)
    {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << "xof 0303txt 0032\n" << text;
        return path;
    }

    Result Load(const std::string& path, std::uint32_t options = 0x990)
    {
        return LoadMeshHierarchyFromX(path.c_str(), options, device, &allocator, nullptr, &root, &controller);
    }

    static void ExpectNear(const Matrix& expected, const Matrix& actual, float tolerance)
    {
        for (int r = 0; r < 4; ++r)
        {
            for (int c = 0; c < 4; ++c)
            {
                EXPECT_NEAR(expected.m[r][c], actual.m[r][c], tolerance) << "row " << r << " column " << c;
            }
        }
    }

    std::filesystem::path folder;
    RecordingAllocator allocator;
    Frame* root = nullptr;
    AnimationController* controller = nullptr;
};

TEST_F(XFileHierarchyTest, CubeBecomesOneContainerWithSplitVerticesMaterialsAndAdjacency)
{
    ASSERT_EQ(Ok, Load(DataFile("xfile-cube.x")));
    EXPECT_EQ(nullptr, controller); // no animation set
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ("Box", root->Name); // the only top-level frame is the root
    EXPECT_EQ(2.0f, root->TransformationMatrix.m[1][1]);
    EXPECT_EQ(10.5f, root->TransformationMatrix.m[3][0]);
    EXPECT_EQ((std::vector<std::string>{"frame Box", "container BoxMesh"}), allocator.calls);

    MeshContainer* container = root->pMeshContainer;
    ASSERT_NE(nullptr, container);
    EXPECT_EQ(nullptr, container->pNextMeshContainer);
    EXPECT_EQ(MeshDataType::Mesh, container->MeshData.Type);
    Mesh* mesh = container->MeshData.pMesh;
    EXPECT_EQ(24u, mesh->GetNumVertices());
    EXPECT_EQ(12u, mesh->GetNumFaces());
    EXPECT_EQ(0x990u, mesh->GetOptions());
    EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0}), mesh->Attributes());

    VertexElement declaration[MaxDeclarationLength];
    ASSERT_EQ(Ok, mesh->GetDeclaration(declaration));
    EXPECT_EQ(DeclUsage::Position, declaration[0].Usage);
    EXPECT_EQ(DeclUsage::Normal, declaration[1].Usage);
    EXPECT_EQ(DeclUsage::TexCoord, declaration[2].Usage);
    EXPECT_EQ(24u, declaration[2].Offset);
    EXPECT_EQ(0xFF, declaration[3].Stream);

    // Every triangle's corners carry the normal of the face it came from, and the face's texture
    // coordinates follow their position.
    const float faceNormals[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    const std::vector<std::uint32_t> indices = mesh->Indices();
    for (std::uint32_t f = 0; f < 12; ++f)
    {
        for (int k = 0; k < 3; ++k)
        {
            float normal[3];
            std::memcpy(normal, mesh->Vertex(indices[f * 3 + k]) + 12, 12);
            EXPECT_EQ(0, std::memcmp(normal, faceNormals[f / 2], 12)) << "face " << f;
        }
    }
    float uv[2];
    std::memcpy(uv, mesh->Vertex(6) + 24, 8); // position 6 is vertex 6: (0.75, 0.25)
    EXPECT_EQ(0.75f, uv[0]);
    EXPECT_EQ(0.25f, uv[1]);

    for (std::uint32_t e = 0; e < 36; ++e)
    {
        const std::uint32_t neighbour = container->pAdjacency[e];
        ASSERT_LT(neighbour, 12u) << "open edge " << e;
        const std::uint32_t* back = container->pAdjacency + neighbour * 3;
        EXPECT_EQ(1, std::count(back, back + 3, e / 3));
    }

    ASSERT_EQ(2u, container->NumMaterials);
    const XFileMaterial& wall = container->pMaterials[0];
    EXPECT_EQ(0.7f, wall.MatD3D.Diffuse.g);
    EXPECT_EQ(1.0f, wall.MatD3D.Diffuse.a);
    EXPECT_EQ(0.0f, wall.MatD3D.Ambient.r);
    EXPECT_EQ(0.0f, wall.MatD3D.Ambient.a);
    EXPECT_EQ(0.3f, wall.MatD3D.Specular.b);
    EXPECT_EQ(1.0f, wall.MatD3D.Specular.a);
    EXPECT_EQ(12.5f, wall.MatD3D.Power);
    EXPECT_STREQ("textures\\\\wall.tga", wall.pTextureFilename);
    EXPECT_EQ(nullptr, container->pMaterials[1].pTextureFilename);
    EXPECT_EQ(nullptr, container->pEffects[0].pEffectFilename);
    EXPECT_EQ(0u, container->pEffects[0].NumDefaults);

    const EffectInstance& crate = container->pEffects[1];
    EXPECT_STREQ("crate.fx", crate.pEffectFilename);
    ASSERT_EQ(3u, crate.NumDefaults);
    EXPECT_STREQ("DiffuseTexture", crate.pDefaults[0].pParamName);
    EXPECT_EQ(EffectDefaultType::String, crate.pDefaults[0].Type);
    ASSERT_EQ(10u, crate.pDefaults[0].NumBytes);
    EXPECT_EQ(0, std::memcmp("crate.tga", crate.pDefaults[0].pValue, 10));
    EXPECT_EQ(EffectDefaultType::Floats, crate.pDefaults[1].Type);
    const float tint[4] = {0.5f, 0.25f, 1.0f, 1.5e-3f};
    ASSERT_EQ(16u, crate.pDefaults[1].NumBytes);
    EXPECT_EQ(0, std::memcmp(tint, crate.pDefaults[1].pValue, 16));
    EXPECT_EQ(EffectDefaultType::Dword, crate.pDefaults[2].Type);
    const std::uint32_t passes = 3;
    ASSERT_EQ(4u, crate.pDefaults[2].NumBytes);
    EXPECT_EQ(0, std::memcmp(&passes, crate.pDefaults[2].pValue, 4));
}

TEST_F(XFileHierarchyTest, SkinnedArmWeightsEveryCopyOfAPosition)
{
    ASSERT_EQ(Ok, Load(DataFile("xfile-arm.x")));
    ASSERT_NE(nullptr, root);
    EXPECT_EQ((std::vector<std::string>{"frame root", "container ArmMesh", "frame upper", "frame lower"}),
              allocator.calls);
    MeshContainer* container = root->pMeshContainer;
    ASSERT_NE(nullptr, container);
    Mesh* mesh = container->MeshData.pMesh;
    ASSERT_EQ(8u, mesh->GetNumVertices()); // positions 2 and 3 lie on both faces, with two normals
    EXPECT_EQ(1u, container->NumMaterials);
    EXPECT_EQ(1.0f, container->pMaterials[0].MatD3D.Diffuse.r);
    EXPECT_EQ(nullptr, container->pMaterials[0].pTextureFilename);

    SkinInfo* skin = container->pSkinInfo;
    ASSERT_NE(nullptr, skin);
    ASSERT_EQ(2u, skin->GetNumBones());
    EXPECT_STREQ("upper", skin->GetBoneName(0));
    EXPECT_STREQ("lower", skin->GetBoneName(1));
    Matrix lowerOffset;
    MatrixTranslation(&lowerOffset, 0.25f, -2.0f, 0.5f);
    EXPECT_EQ(0, std::memcmp(&lowerOffset, skin->GetBoneOffsetMatrix(1), sizeof(Matrix)));

    // Per vertex: the weight of each bone, found through the vertex's position.
    for (std::uint32_t bone = 0; bone < 2; ++bone)
    {
        const std::uint32_t count = skin->GetNumBoneInfluences(bone);
        std::vector<std::uint32_t> vertices(count);
        std::vector<float> weights(count);
        ASSERT_EQ(Ok, skin->GetBoneInfluence(bone, vertices.data(), weights.data()));
        EXPECT_EQ(6u, count) << "bone " << bone; // four positions, two of them copied
        for (std::uint32_t i = 0; i < count; ++i)
        {
            const Vector3 p = mesh->Position(vertices[i]);
            const bool middle = p.y == 1.0f && p.z == 0.0f;
            EXPECT_EQ(middle ? 0.5f : 1.0f, weights[i]) << "bone " << bone << " vertex " << vertices[i];
        }
    }
    std::uint32_t most = 0;
    ASSERT_EQ(Ok, skin->GetMaxVertexInfluences(&most));
    EXPECT_EQ(2u, most);
}

TEST_F(XFileHierarchyTest, AnimationSetsDriveTheNamedFrames)
{
    ASSERT_EQ(Ok, Load(DataFile("xfile-arm.x")));
    ASSERT_NE(nullptr, controller);
    EXPECT_EQ(3u, controller->GetMaxNumAnimationOutputs()); // root, upper, lower
    EXPECT_EQ(2u, controller->GetMaxNumAnimationSets());
    EXPECT_EQ(2u, controller->GetMaxNumTracks());
    EXPECT_EQ(30u, controller->GetMaxNumEvents());
    ASSERT_EQ(2u, controller->GetNumAnimationSets());
    AnimationSet* bend = nullptr;
    AnimationSet* wave = nullptr;
    ASSERT_EQ(Ok, controller->GetAnimationSet(0, &bend));
    ASSERT_EQ(Ok, controller->GetAnimationSet(1, &wave));
    EXPECT_STREQ("Bend", bend->GetName());
    EXPECT_STREQ("Wave", wave->GetName());
    EXPECT_EQ(PlaybackType::Once, bend->GetPlaybackType()); // its first options say open
    EXPECT_EQ(PlaybackType::Loop, wave->GetPlaybackType());
    EXPECT_EQ(4800.0, bend->GetSourceTicksPerSecond());
    EXPECT_DOUBLE_EQ(1.0, bend->GetPeriod());
    void* keyframed = nullptr;
    EXPECT_EQ(Ok, bend->QueryInterface(KeyframedAnimationSetId, &keyframed));
    static_cast<AnimationSet*>(keyframed)->Release();
    bend->Release();
    wave->Release();

    ASSERT_EQ(Ok, controller->SetTrackPosition(0, 0.5));
    ASSERT_EQ(Ok, controller->AdvanceTime(0, nullptr));
    Frame* lower = FrameFind(root, "lower");
    Frame* upper = FrameFind(root, "upper");
    ASSERT_NE(nullptr, lower);
    ASSERT_NE(nullptr, upper);
    // Half way: scale 2, a quarter turn halved about z, translation (0, 2, 0).
    const Vector3 scale{2, 2, 2};
    const Vector3 move{0, 2, 0};
    const Quaternion turn{0, 0, std::sin(3.14159265f / 8), std::cos(3.14159265f / 8)};
    Matrix expected;
    MatrixTransformation(&expected, &scale, &turn, &move);
    ExpectNear(expected, lower->TransformationMatrix, 1e-5f);
    // Matrix keys from (1, 0, 0) to (3, 0, 0).
    MatrixTranslation(&expected, 2, 0, 0);
    ExpectNear(expected, upper->TransformationMatrix, 1e-5f);
    Matrix identity;
    ExpectNear(identity, root->TransformationMatrix, 0); // not animated
}

TEST_F(XFileHierarchyTest, ColoursTextureCoordinatesAndVertexDataFollowTheirPosition)
{
    const std::string path = Write("data.x", R"(
Frame F {
 Mesh Data {
  4; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;;
  2; 3;0,2,1;, 3;1,2,3;;
  MeshNormals { 2; 0;0;-1;, 0;0;1;; 2; 3;0,0,0;, 3;1,1,1;; }
  MeshVertexColors { 2; 0;1.0;0.0;0.0;1.0;;, 2;0.0;0.0;1.0;0.5;;; }
  MeshTextureCoords { 4; 0;0;, 1;0;, 0;1;, 1;1;; }
  DeclData { 1; 1;0;5;1;; 8; 1,2,3,4,5,6,7,8; }
 }
}
Frame G {
 Mesh Empty { 3; 0;0;0;, 1;0;0;, 0;1;0;; 0;; }
}
)");
    ASSERT_EQ(Ok, Load(path));
    EXPECT_EQ(nullptr, FrameFind(root, "G")->pMeshContainer); // a mesh without faces is left out
    Mesh* mesh = FrameFind(root, "F")->pMeshContainer->MeshData.pMesh;
    VertexElement declaration[MaxDeclarationLength];
    ASSERT_EQ(Ok, mesh->GetDeclaration(declaration));
    const VertexElement expected[] = {
        {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0}, {0, 12, DeclType::Float3, 0, DeclUsage::Normal, 0},
        {0, 24, DeclType::Color, 0, DeclUsage::Color, 0},    {0, 28, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
        {0, 36, DeclType::Float2, 0, DeclUsage::TexCoord, 1}, DeclarationEnd,
    };
    for (std::size_t e = 0; e < std::size(expected); ++e)
    {
        EXPECT_EQ(0, std::memcmp(&expected[e], &declaration[e], sizeof(VertexElement))) << "element " << e;
    }
    // Positions 1 and 2 are used with both normals: their second pairs are appended as vertices 4 and 5.
    ASSERT_EQ(6u, mesh->GetNumVertices());
    EXPECT_EQ((std::vector<std::uint32_t>{0, 2, 1, 4, 5, 3}), mesh->Indices());
    struct Row
    {
        std::uint32_t vertex;
        float x, y, nz;
        std::uint8_t bgra[4];
        float u, v;
        std::uint32_t data[2];
    };
    const Row rows[] = {
        {0, 0, 0, -1, {0, 0, 255, 255}, 0, 0, {1, 2}},     {3, 1, 1, 1, {255, 255, 255, 255}, 1, 1, {7, 8}},
        {4, 1, 0, 1, {255, 255, 255, 255}, 1, 0, {3, 4}}, {5, 0, 1, 1, {255, 0, 0, 128}, 0, 1, {5, 6}},
    };
    for (const Row& row : rows)
    {
        const std::uint8_t* vertex = mesh->Vertex(row.vertex);
        float position[3], normal[3], uv[2];
        std::uint32_t data[2];
        std::memcpy(position, vertex, 12);
        std::memcpy(normal, vertex + 12, 12);
        std::memcpy(uv, vertex + 28, 8);
        std::memcpy(data, vertex + 36, 8);
        EXPECT_EQ(row.x, position[0]) << "vertex " << row.vertex;
        EXPECT_EQ(row.y, position[1]) << "vertex " << row.vertex;
        EXPECT_EQ(row.nz, normal[2]) << "vertex " << row.vertex;
        EXPECT_EQ(0, std::memcmp(row.bgra, vertex + 24, 4)) << "vertex " << row.vertex;
        EXPECT_EQ(row.u, uv[0]) << "vertex " << row.vertex;
        EXPECT_EQ(row.v, uv[1]) << "vertex " << row.vertex;
        EXPECT_EQ(row.data[0], data[0]) << "vertex " << row.vertex;
        EXPECT_EQ(row.data[1], data[1]) << "vertex " << row.vertex;
    }
}

TEST_F(XFileHierarchyTest, RootIsTheOnlyFrameOrAnUnnamedFrameAboveSeveral)
{
    const std::string triangle = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;";
    ASSERT_EQ(Ok, Load(Write("two.x", "Frame A { Mesh { " + triangle + " } }\nFrame B { Frame C { } }\n")));
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(nullptr, root->Name);
    EXPECT_EQ(nullptr, root->pFrameSibling);
    EXPECT_EQ(FrameFind(root, "A"), root->pFrameFirstChild);
    ASSERT_NE(nullptr, FrameFind(root, "B"));
    EXPECT_EQ(FrameFind(root, "B"), root->pFrameFirstChild->pFrameSibling);
    EXPECT_EQ(FrameFind(root, "C"), FrameFind(root, "B")->pFrameFirstChild);
    EXPECT_EQ(nullptr, FrameFind(root, "c")); // exact comparison
    EXPECT_EQ(nullptr, FrameFind(root, nullptr));
    ASSERT_EQ(Ok, FrameDestroy(root, &allocator));
    root = nullptr;
    EXPECT_EQ(4, allocator.frameDestroys);
    EXPECT_EQ(1, allocator.containerDestroys);

    // A top-level mesh that the frame references belongs to it; materials do not count.
    ASSERT_EQ(Ok, Load(Write("one.x", "Material Red { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }\nMesh Shared { " + triangle +
                                          " }\nFrame Only { { Shared } }\n")));
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ("Only", root->Name);
    ASSERT_NE(nullptr, root->pMeshContainer);
    EXPECT_STREQ("Shared", root->pMeshContainer->Name);
    ASSERT_EQ(Ok, FrameDestroy(root, &allocator));
    root = nullptr;

    // A top-level mesh no frame takes goes to an unnamed root, with the frame as its child.
    ASSERT_EQ(Ok, Load(Write("loose.x", "Mesh Loose { " + triangle + " }\nFrame Only { }\n")));
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(nullptr, root->Name);
    ASSERT_NE(nullptr, root->pMeshContainer);
    EXPECT_STREQ("Loose", root->pMeshContainer->Name);
    EXPECT_STREQ("Only", root->pFrameFirstChild->Name);
}

TEST_F(XFileHierarchyTest, FailuresLeaveNothingBehind)
{
    allocator.failOnCall = 3; // frame root, container ArmMesh, then frame upper fails
    EXPECT_EQ(OutOfMemory, Load(DataFile("xfile-arm.x")));
    EXPECT_EQ(nullptr, root);
    EXPECT_EQ(nullptr, controller);
    EXPECT_EQ(3u, allocator.calls.size());
    EXPECT_TRUE(allocator.live.empty());
    EXPECT_EQ(1, allocator.frameDestroys);
    EXPECT_EQ(1, allocator.containerDestroys);

    allocator = RecordingAllocator();
    EXPECT_EQ(InvalidData, Load(Write("bad.x", "Frame A { Mesh { 3; 0;0;0;, 1;0;")));
    EXPECT_EQ(NotFound, Load((folder / "missing.x").string()));
    EXPECT_TRUE(allocator.calls.empty());
    EXPECT_EQ(nullptr, root);

    // A mesh whose layout has more elements than a declaration holds: the load fails with a trace naming the mesh.
    allocator = RecordingAllocator();
    std::string elements;
    std::string words;
    for (int i = 0; i < 64; ++i)
    {
        elements += " 0;0;5;" + std::to_string(i) + ";" + (i < 63 ? "," : ";");
        words += std::string(i > 0 ? "," : "") + "1,2,3";
    }
    Platform::DebugOutputCapture trace;
    EXPECT_EQ(InvalidData, Load(Write("wide.x", "Frame A { Mesh Wide { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
                                                " DeclData { 64;" + elements + " 192; " + words + "; } } }\n")));
    EXPECT_NE(std::string::npos, trace.Text().find("mesh 'Wide'")) << trace.Text();
    EXPECT_EQ(nullptr, root);
    EXPECT_EQ((std::vector<std::string>{"frame A"}), allocator.calls);
    EXPECT_EQ(1, allocator.frameDestroys);

    // Animation sets whose ticks cannot become seconds.
    allocator = RecordingAllocator();
    trace.Clear();
    EXPECT_EQ(InvalidData, Load(Write("still.x", "AnimTicksPerSecond { 0; }\nFrame A { }\n"
                                                 "AnimationSet S { Animation { { A } AnimationKey { 2; 1; 0;3;1,2,3;;; } } }\n")));
    EXPECT_NE(std::string::npos, trace.Text().find("0 ticks per second")) << trace.Text();
    EXPECT_EQ(nullptr, root);
    EXPECT_EQ(nullptr, controller);
    EXPECT_EQ(1, allocator.frameDestroys);

    Frame* out = nullptr;
    auto* userData = reinterpret_cast<LoadUserData*>(&allocator);
    EXPECT_EQ(InvalidCall, LoadMeshHierarchyFromX(DataFile("xfile-cube.x").c_str(), 0x990, device, &allocator,
                                                  userData, &out, nullptr));
    EXPECT_EQ(nullptr, out);
}

TEST_F(XFileHierarchyTest, LargeMeshGets32BitIndices)
{
    XFileModel model;
    XMesh mesh;
    mesh.name = "Big";
    const std::uint32_t count = 70000;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        mesh.positions.push_back({float(i / 2), float(i % 2), 0});
    }
    for (std::uint32_t i = 0; i + 2 < count; ++i)
    {
        mesh.faces.faceSizes.push_back(3);
        mesh.faces.indices.insert(mesh.faces.indices.end(), {i, i + 1, i + 2});
    }
    model.meshes.push_back(std::move(mesh));
    XFrame frame;
    frame.name = "Holder";
    frame.meshes = {0};
    model.frames.push_back(frame);
    const std::string path = (folder / "big.x").string();
    ASSERT_EQ(Ok, WriteXFile(path, model));

    ASSERT_EQ(Ok, Load(path, MeshOption::Managed));
    ASSERT_NE(nullptr, root->pMeshContainer);
    Mesh* loaded = root->pMeshContainer->MeshData.pMesh;
    EXPECT_EQ(count, loaded->GetNumVertices());
    EXPECT_EQ(MeshOption::Managed | MeshOption::Use32Bit, loaded->GetOptions());
    EXPECT_EQ(count - 1, loaded->Indices().back());
}

} // namespace
} // namespace GfxTesting
