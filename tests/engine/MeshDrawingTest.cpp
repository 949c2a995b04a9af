#include "tests/engine/MeshFixture.h"

#include "engine/Camera.h"
#include "engine/DeviceStateMgr.h"
#include "engine/EffectShader.h"
#include "engine/MeshDrawing.h"
#include "engine/ModelLoadOptions.h"
#include "engine/VertexElements.h"
#include "engine/XFileLoader.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/mesh/SkinInfo.h"
#include "platform/os/DebugOutput.h"

#include <cmath>
#include <cstring>
#include <set>

namespace EngineTesting
{
namespace
{

using BaseLib::CSmartPointer;
using Platform::GfxKit::BoneCombination;
using Platform::GfxKit::Mesh;
using Platform::GfxKit::SkinInfo;
using Qen::CFrame;
using Qen::CMeshContainer;
using Qen::CRenderContext;
using Qen::Matrix;

// A flat colour with the engine's matrices; "shadow_staticmesh" draws blue.
constexpr const char* kSolidEffect = R"(
float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
float4 c_vMaterialDiffuse = {1, 0, 0, 1};
vertexprogram vsPlain
{
    in vec3 aPosition : POSITION;
    void main() { gl_Position = vec4(aPosition, 1.0) * mWorldViewProj; }
}
fragmentprogram fsMaterial { void main() { FragmentColor = c_vMaterialDiffuse; } }
fragmentprogram fsBlue { void main() { FragmentColor = vec4(0.0, 0.0, 1.0, 1.0); } }
technique _staticmesh
{
    pass p0 { VertexProgram = vsPlain; FragmentProgram = fsMaterial; ZEnable = false; CullMode = None; }
}
technique shadow_staticmesh
{
    pass p0 { VertexProgram = vsPlain; FragmentProgram = fsBlue; ZEnable = false; CullMode = None; }
}
)";

// Skinned drawing with two passes that only set the stencil reference, and optionally a restore pass.
std::string SkinnedEffect(bool restore)
{
    return std::string(R"(
float4x4 mPalette[26] : BONEMATRIXPALETTE;
float4x4 mViewProj : VIEWPROJECTION;
int c_iNumBonesPerVertex = 1;
vertexprogram vsSkin
{
    in vec3 aPosition : POSITION;
    void main() { gl_Position = vec4(aPosition, 1.0) * mPalette[0] * mViewProj; }
}
fragmentprogram fsWhite { void main() { FragmentColor = vec4(1.0); } }
technique _skinnedmesh
{
    pass p0 { VertexProgram = vsSkin; FragmentProgram = fsWhite; StencilRef = 1; }
    pass p1 { VertexProgram = vsSkin; FragmentProgram = fsWhite; StencilRef = 2; }
)") + (restore ? "    pass restore { StencilRef = 3; }\n" : "") + "}\n";
}

class MeshDrawingTest : public MeshFixture
{
protected:
    void SetUp() override
    {
        MeshFixture::SetUp();
        context = CRenderContext::Create();
        context->engine = &controller;
    }

    void TearDown() override
    {
        context = nullptr;
        MeshFixture::TearDown();
    }

    std::uint32_t Counter(int which) { return controller.GetStatistics().counters[which]; }
    std::uint64_t Draws() { return device->Counters().drawCalls; }

    void BeginDrawing(std::uint32_t background)
    {
        controller.GetHeads()[0]->BeginFrame();
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, background, 1.0f, 0));
        ASSERT_EQ(Ok, device->BeginScene());
    }

    std::uint32_t Pixel(const std::vector<std::uint32_t>& pixels, int x, int y) const
    {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(headWidth) + static_cast<std::size_t>(x)];
    }

    // A square of half size 0.5 around the origin in the xy plane.
    Mesh* Square() { return MakeMesh({-0.5f, -0.5f, 0, -0.5f, 0.5f, 0, 0.5f, 0.5f, 0, 0.5f, -0.5f, 0}, {0, 1, 2, 0, 2, 3}); }

    // The square in a container of one slot on a new root, its material the solid effect; the context's
    // view-projection the identity.
    CMeshContainer* SolidSquare()
    {
        CFrame* root = AddFrame("root");
        Mesh* square = Square();
        CMeshContainer* container = AddContainer(root, square, 1);
        square->Release();
        container->materials[0] = Material("solid.fx", kSolidEffect);
        std::memcpy(context->viewProjection.m, Matrix{}.m, sizeof(Matrix));
        return container;
    }

    // Three triangles; triangle t moved by bones 2t and 2t + 1 half and half (bone 5 left out with
    // withoutBone5, its share going to bone 4). Each bone's offset moves by its number along x.
    Mesh* SkinnedTriangles(bool withoutBone5, SkinInfo** skin)
    {
        Mesh* mesh = MakeMesh({0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 0, 0, 2, 1, 0, 3, 0, 0, 4, 0, 0, 4, 1, 0, 5, 0, 0},
                              {0, 1, 2, 3, 4, 5, 6, 7, 8});
        VertexElement declaration[Qen::kVertexDeclarationRoom];
        mesh->GetDeclaration(declaration);
        EXPECT_EQ(Ok, Platform::GfxKit::CreateSkinInfo(9, declaration, 6, skin));
        for (std::uint32_t bone = 0; bone < 6; ++bone)
        {
            const std::uint32_t t = bone / 2;
            const std::uint32_t vertices[3] = {3 * t, 3 * t + 1, 3 * t + 2};
            const bool alone = withoutBone5 && t == 2;
            const float weight = alone ? (bone == 4 ? 1.0f : 0.0f) : 0.5f;
            const float weights[3] = {weight, weight, weight};
            (*skin)->SetBoneInfluence(bone, weight > 0 ? 3 : 0, vertices, weights);
            const std::string name = "bone" + std::to_string(bone);
            (*skin)->SetBoneName(bone, name.c_str());
            Matrix offset;
            Platform::GfxKit::MatrixTranslation(&offset, static_cast<float>(bone), 0, 0);
            (*skin)->SetBoneOffsetMatrix(bone, &offset);
        }
        return mesh;
    }

    // A container of the skinned triangles split with that palette size, its one slot filled, its bones
    // bound to frames bone0 … bone5 under the root.
    CMeshContainer* AddSkinned(CFrame* root, std::uint32_t paletteSize, bool withoutBone5,
                               const BaseLib::CResourcePtr<Qen::CMaterial>& material)
    {
        SkinInfo* skin = nullptr;
        Mesh* mesh = SkinnedTriangles(withoutBone5, &skin);
        Mesh* blended = nullptr;
        CMeshContainer* container = AddContainer(root, nullptr, 1, "skinned");
        EXPECT_EQ(Ok, skin->ConvertToIndexedBlendedMesh(mesh, Platform::GfxKit::MeshOption::Managed, paletteSize,
                                                         nullptr, nullptr, nullptr, nullptr,
                                                         &container->maxVertexInfluences,
                                                         &container->numBoneCombinations,
                                                         &container->boneCombinations, &blended));
        mesh->Release();
        Qen::SetMeshContainerMesh(*container, blended);
        blended->Release();
        container->pSkinInfo = skin;
        container->paletteSize = paletteSize;
        container->materials[0] = material;
        Qen::BindBoneMatrices(*container, root, "skinned.x");
        return container;
    }

    CSmartPointer<CRenderContext> context;
};

TEST_F(MeshDrawingTest, SkinnedContainersRunEveryPassPerCombinationAndHideTheRestorePass)
{
    CFrame* root = AddFrame("root");
    for (int bone = 0; bone < 6; ++bone)
    {
        AddFrame(("bone" + std::to_string(bone)).c_str(), root);
    }
    for (const bool restore : {false, true})
    {
        const auto material = Material(restore ? "restore.fx" : "skinned.fx", SkinnedEffect(restore));
        CMeshContainer* container = AddSkinned(root, 2, false, material);
        ASSERT_EQ(3u, container->numBoneCombinations);
        const std::uint32_t faces = Counter(0);
        const std::uint32_t containers = Counter(1);
        const std::uint32_t runs = Counter(2);
        BeginDrawing(0xFF000000);
        const std::uint64_t draws = Draws();
        const std::uint64_t states = device->Counters().renderStates;
        Qen::DrawMeshContainer(*container, Matrix{}, context.Get());
        EndDrawing();
        EXPECT_EQ(6u, Draws() - draws) << restore;
        EXPECT_EQ(3u, Counter(0) - faces);
        EXPECT_EQ(1u, Counter(1) - containers);
        EXPECT_EQ(3u, Counter(2) - runs);
        // Stencil references 1, 2 (and 3 from the restore pass) per subset reach the device.
        EXPECT_EQ(restore ? 9u : 6u, device->Counters().renderStates - states) << restore;
        std::uint32_t reference = 0;
        device->GetRenderState(RenderState::StencilRef, &reference);
        EXPECT_EQ(restore ? 3u : 2u, reference);
    }

    // A container skinned in software switches software vertex processing on for its draw only.
    const auto material = Material("skinned.fx", SkinnedEffect(false));
    CMeshContainer* software = AddSkinned(root, 2, false, material);
    software->softwareSkinning = true;
    Qen::CDeviceStateMgr& states = *controller.GetStateManager();
    states.CachedSoftwareProcessing() = Qen::CDeviceStateMgr::SoftwareProcessingUnknown;
    Qen::DrawMeshContainer(*software, Matrix{}, context.Get());
    EXPECT_EQ(Qen::CDeviceStateMgr::SoftwareProcessingOff, states.CachedSoftwareProcessing());
    EXPECT_FALSE(device->GetSoftwareVertexProcessing());
}

TEST_F(MeshDrawingTest, PaletteEntriesWithoutABoneKeepTheirLastValue)
{
    CFrame* root = AddFrame("root");
    std::vector<CFrame*> bones;
    for (int bone = 0; bone < 6; ++bone)
    {
        bones.push_back(AddFrame(("bone" + std::to_string(bone)).c_str(), root));
    }
    const auto material = Material("skinned.fx", SkinnedEffect(false));
    CMeshContainer* full = AddSkinned(root, 6, false, material);
    CMeshContainer* partial = AddSkinned(root, 6, true, material);
    ASSERT_EQ(1u, full->numBoneCombinations);
    ASSERT_EQ(1u, partial->numBoneCombinations);
    const BoneCombination& combination = partial->BoneCombinations()[0];
    ASSERT_EQ(Platform::GfxKit::NoBone, combination.BoneId[5]);

    for (std::uint32_t i = 0; i < 6; ++i)
    {
        Platform::GfxKit::MatrixTranslation(&bones[i]->combinedMatrix, 0, static_cast<float>(10 * i), 0);
    }
    Qen::DrawMeshContainer(*full, Matrix{}, context.Get());
    const Matrix before = Qen::GetBonePalette()[5];
    const std::uint32_t fullBone5 = full->BoneCombinations()[0].BoneId[5];
    EXPECT_EQ(static_cast<float>(fullBone5), before.m[3][0]);
    EXPECT_EQ(static_cast<float>(10 * fullBone5), before.m[3][1]);

    for (CFrame* bone : bones)
    {
        bone->combinedMatrix.m[3][2] = 7.0f;
    }
    Qen::DrawMeshContainer(*partial, Matrix{}, context.Get());
    EXPECT_EQ(0, std::memcmp(&before, &Qen::GetBonePalette()[5], sizeof(Matrix)));
    // Entry 0 follows the moved frames: offset × combined matrix of its bone.
    const std::uint32_t bone0 = combination.BoneId[0];
    EXPECT_EQ(static_cast<float>(bone0), Qen::GetBonePalette()[0].m[3][0]);
    EXPECT_EQ(7.0f, Qen::GetBonePalette()[0].m[3][2]);
    Matrix fromEffect;
    material->GetEffectShader()->GetEffect()->GetMatrix("mPalette[5]", &fromEffect);
    EXPECT_EQ(0, std::memcmp(&before, &fromEffect, sizeof(Matrix)));
}

TEST_F(MeshDrawingTest, StaticMeshesDrawAtTheirFramesMatrixTimesTheWorld)
{
    CFrame* root = AddFrame("root");
    CFrame* frame = AddFrame("moved", root);
    Platform::GfxKit::MatrixTranslation(&frame->TransformationMatrix, 2, 0, 0);
    Mesh* square = Square();
    CMeshContainer* container = AddContainer(frame, square, 1);
    square->Release();
    container->materials[0] = Material("solid.fx", kSolidEffect);
    Qen::BindBoneMatrices(*container, root, "solid.x");
    Matrix world;
    Platform::GfxKit::MatrixTranslation(&world, 0, 1, 0);
    Qen::UpdateFrameMatrices(root, Matrix{});
    Matrix ortho;
    Platform::GfxKit::MatrixOrthoLH(&ortho, 8, 8, -1, 1);
    std::memcpy(context->viewProjection.m, ortho.m, sizeof ortho.m);

    BeginDrawing(0xFF000000);
    Qen::DrawMeshContainer(*container, world, context.Get());
    const std::vector<std::uint32_t> pixels = EndDrawing("mesh_frame_world.png");
    // (2, 1) lies at column 48 and row 18 of the 64 × 48 target.
    EXPECT_TRUE(GfxTesting::NearColor(0xFFFF0000, Pixel(pixels, 48, 18), 2)) << std::hex << Pixel(pixels, 48, 18);
    EXPECT_EQ(0xFF000000u, Pixel(pixels, 48, 24));
    EXPECT_EQ(0xFF000000u, Pixel(pixels, 32, 18));
    EXPECT_EQ(0xFF000000u, Pixel(pixels, 32, 24));
}

TEST_F(MeshDrawingTest, TheContextsNameChoosesTheTechniqueAndAMissingOneIsTracedOnce)
{
    CMeshContainer* container = SolidSquare();
    Platform::GfxKit::Effect* effect = container->materials[0]->GetEffectShader()->GetEffect();
    const auto currentTechnique = [effect]() {
        Platform::GfxKit::TechniqueDesc desc;
        effect->GetTechniqueDesc(effect->GetCurrentTechnique(), &desc);
        return std::string(desc.Name);
    };

    Platform::DebugOutputCapture trace;
    context->name = "other";
    BeginDrawing(0xFF000000);
    const std::uint64_t draws = Draws();
    Qen::DrawMeshContainer(*container, Matrix{}, context.Get());
    Qen::DrawMeshContainer(*container, Matrix{}, context.Get());
    std::vector<std::uint32_t> pixels = EndDrawing();
    EXPECT_EQ(2u, Draws() - draws);
    EXPECT_EQ("_staticmesh", currentTechnique());
    EXPECT_TRUE(GfxTesting::NearColor(0xFFFF0000, Pixel(pixels, 32, 24), 2));
    EXPECT_EQ("effect has no technique other_staticmesh, drawn with its current technique\n", trace.Text());

    context->name = "shadow";
    BeginDrawing(0xFF000000);
    Qen::DrawMeshContainer(*container, Matrix{}, context.Get());
    pixels = EndDrawing();
    EXPECT_EQ("shadow_staticmesh", currentTechnique());
    EXPECT_TRUE(GfxTesting::NearColor(0xFF0000FF, Pixel(pixels, 32, 24), 2));

    // No name: the effect's own static technique again.
    context->name.clear();
    Qen::DrawMeshContainer(*container, Matrix{}, context.Get());
    EXPECT_EQ("_staticmesh", currentTechnique());
}

TEST_F(MeshDrawingTest, ADrawThroughTheStateCacheAfterAMeshDrawBindsItsOwnBuffersAgain)
{
    CMeshContainer* container = SolidSquare();
    CachedQuad strip(device, *controller.GetStateManager(), 0, 0, 8, 48, 0xFF00FF00);

    // The strip's buffers and format go into the cache, then the square binds its own past it.
    BeginDrawing(0xFF000000);
    strip.Draw();
    Qen::DrawMeshContainer(*container, Matrix{}, context.Get());
    std::vector<std::uint32_t> pixels = EndDrawing();
    ASSERT_EQ(0xFF00FF00u, Pixel(pixels, 4, 24));
    ASSERT_TRUE(GfxTesting::NearColor(0xFFFF0000, Pixel(pixels, 32, 24), 2));

    BeginDrawing(0xFF000000);
    strip.Draw();
    pixels = EndDrawing("cached_draw_after_mesh.png");
    EXPECT_EQ(0xFF00FF00u, Pixel(pixels, 4, 24)) << "the strip's own buffers";
    EXPECT_EQ(0xFF000000u, Pixel(pixels, 32, 24)) << "not the square's";
}

TEST_F(MeshDrawingTest, EmptySlotsAndCombinationsPastTheMaterialsAreSkippedWithOneTrace)
{
    CFrame* root = AddFrame("root");
    Mesh* mesh = MakeMesh({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0}, {0, 1, 2, 1, 3, 2}, {0, 1});
    CMeshContainer* container = AddContainer(root, mesh, 2, "lid");
    mesh->Release();
    container->materials[1] = Material("solid.fx", kSolidEffect);

    Platform::DebugOutputCapture trace;
    const std::uint64_t draws = Draws();
    const std::uint32_t runs = Counter(2);
    Qen::DrawMeshContainer(*container, Matrix{}, context.Get());
    Qen::DrawMeshContainer(*container, Matrix{}, context.Get());
    EXPECT_EQ(2u, Draws() - draws);
    EXPECT_EQ(2u, Counter(2) - runs);
    EXPECT_EQ("mesh lid: material slot 0 has no effect, its faces are not drawn\n", trace.Text());

    // A skinned container whose combination names slot 1 of a container with one slot.
    for (int bone = 0; bone < 6; ++bone)
    {
        AddFrame(("bone" + std::to_string(bone)).c_str(), root);
    }
    CMeshContainer* skinned = AddSkinned(root, 2, false, Material("skinned.fx", SkinnedEffect(false)));
    skinned->BoneCombinations()[1].AttribId = 1;
    trace.Clear();
    const std::uint64_t skinnedDraws = Draws();
    Qen::DrawMeshContainer(*skinned, Matrix{}, context.Get());
    EXPECT_EQ(4u, Draws() - skinnedDraws);
    EXPECT_EQ("mesh skinned: material slot 1 has no effect, its faces are not drawn\n", trace.Text());
}

TEST_F(MeshDrawingTest, CullingAndVisibilityFramesSkipWholeSubtrees)
{
    CFrame* root = AddFrame("root");
    CFrame* door = AddFrame("door", root);
    CFrame* visibility = AddFrame("door_visibility", door);
    CFrame* knob = AddFrame("knob", door);
    door->visibilityFrame = visibility;
    Mesh* square = Square();
    const auto material = Material("solid.fx", kSolidEffect);
    for (CFrame* frame : {root, door, knob})
    {
        AddContainer(frame, square, 1)->materials[0] = material;
    }
    CMeshContainer* disabled = AddContainer(knob, square, 1);
    disabled->materials[0] = material;
    disabled->enabled = false;
    square->Release();
    Qen::UpdateFrameMatrices(root, Matrix{});

    const auto drawn = [this, root](bool cull, const Matrix& world) {
        const std::uint32_t before = Counter(1);
        Qen::RenderFrameHierarchy(context.Get(), world, cull, root);
        return Counter(1) - before;
    };
    const Matrix identity;
    // Fresh frames have empty spheres: drawn without culling, skipped with it.
    EXPECT_EQ(3u, drawn(false, identity));
    EXPECT_EQ(0u, drawn(true, identity));
    for (CFrame* frame : {root, door, knob})
    {
        frame->sphereCentre = {0, 0, 0};
        frame->sphereRadius = 1;
    }
    EXPECT_EQ(3u, drawn(true, identity));

    // The sphere is tested at centre × combined × world against each plane, its radius unscaled.
    Platform::GfxKit::MatrixTranslation(&door->combinedMatrix, 2, 0, 0);
    context->frustum.planes[Qen::CFrustum::Right] = {BaseLib::CVector3(1, 0, 0), 5};
    Matrix far;
    Platform::GfxKit::MatrixTranslation(&far, 10, 0, 0);
    Matrix scaled;
    Platform::GfxKit::MatrixScaling(&scaled, 3.5f, 1, 1);
    EXPECT_EQ(3u, drawn(true, identity));
    EXPECT_EQ(0u, drawn(true, far));
    EXPECT_EQ(1u, drawn(true, scaled)) << "the door at x = 7 with radius 1, not 3.5, lies outside";
    context->frustum = Qen::CFrustum();

    Platform::GfxKit::MatrixScaling(&visibility->TransformationMatrix, 0.5f, 1, 1);
    EXPECT_EQ(3u, drawn(false, identity));
    Platform::GfxKit::MatrixScaling(&visibility->TransformationMatrix, 0.49f, 1, 1);
    EXPECT_EQ(1u, drawn(false, identity));
    Platform::GfxKit::MatrixScaling(&visibility->TransformationMatrix, 1, 1, 1);
    knob->visible = false;
    EXPECT_EQ(2u, drawn(false, identity));
}

// A lit, textured effect like the material converter names for textured materials.
constexpr const char* kLitTexturedEffect = R"(
float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
float4x4 mWorld : WORLD;
float3 c_vLightDir = {0, -1, 0};
float4 c_vMaterialDiffuse = {1, 1, 1, 1};
texture2D c_tDiffuseMap;
sampler2D sDiffuse = sampler_state { Texture = <c_tDiffuseMap>; MinFilter = Point; MagFilter = Point; };
vertexprogram vsLit
{
    in vec3 aPosition : POSITION;
    in vec3 aNormal : NORMAL;
    in vec2 aUv : TEXCOORD0;
    out vec2 vUv;
    out float vLight;
    void main()
    {
        gl_Position = vec4(aPosition, 1.0) * mWorldViewProj;
        vUv = aUv;
        vLight = 0.3 + 0.7 * max(dot(normalize((vec4(aNormal, 0.0) * mWorld).xyz), -c_vLightDir), 0.0);
    }
}
fragmentprogram fsLit
{
    in vec2 vUv;
    in float vLight;
    void main() { FragmentColor = vec4(texture(sDiffuse, vUv).rgb * c_vMaterialDiffuse.rgb * vLight, 1.0); }
}
technique _staticmesh
{
    pass p0 { VertexProgram = vsLit; FragmentProgram = fsLit; ZEnable = true; ZWriteEnable = true; CullMode = None; }
}
)";

class XFilePictureTest : public MeshDrawingTest
{
protected:
    XFilePictureTest()
    {
        headWidth = 128;
        headHeight = 128;
    }
};

TEST_F(XFilePictureTest, ATexturedCubeFromAnXFile)
{
    WriteFile("std_default.fx", kLitTexturedEffect);
    std::vector<std::uint32_t> checker(64);
    for (std::uint32_t i = 0; i < 64; ++i)
    {
        checker[i] = ((i % 8) / 2 + (i / 8) / 2) % 2 == 0 ? 0xFFE0C040 : 0xFF802010;
    }
    WriteFile("oak.tga", GfxTesting::ImageBytes::Tga(8, 8, checker));

    Qen::CFrameHierarchyAllocator allocator(&controller, nullptr);
    Qen::CModelLoadOptions options;
    ASSERT_TRUE(controller.GetXFileLoader()->LoadMeshHierarchy(allocator, std::string(QUARROW_TEST_DATA_DIR) + "/cube.x",
                                                               options));
    auto* root = controller.GetXFileLoader()->GetFrameRoot();
    roots.push_back(root);
    Qen::LinkFrames(root);
    Qen::UpdateFrameMatrices(root, Matrix{});
    Qen::ForEachMeshContainer(root, [this, root](CMeshContainer& c) {
        for (std::uint32_t i = 0; i < c.NumMaterials; ++i)
        {
            controller.GetMaterialFactory()->GetMaterialForEffectInstance(c.pEffects[i], c.materials[i]);
        }
        Qen::BindBoneMatrices(c, root, "cube.x");
    });
    ASSERT_TRUE(root->FirstContainer()->materials[0]);
    EXPECT_TRUE(boxes.empty()) << boxes[0];

    Qen::CCamera camera;
    camera.position = {3.0f, 3.5f, -4.5f};
    const float length = std::sqrt(3.0f * 3.0f + 3.5f * 3.5f + 4.5f * 4.5f);
    camera.forward = {-3.0f / length, -3.5f / length, 4.5f / length};
    camera.aspectRatio = 1.0f;
    camera.fieldOfView = 0.7f;
    camera.Update();
    context->view = camera.view;
    context->inverseView = camera.cameraToWorld;
    context->projection = camera.projection;
    context->viewProjection = camera.viewProjection;
    context->lightDirection = {-0.3f, -0.8f, 0.52f};

    BeginDrawing(0xFF203050);
    Qen::RenderFrameHierarchy(context.Get(), Matrix{}, false, root);
    const std::vector<std::uint32_t> pixels = EndDrawing("xfile_cube.png");
    EXPECT_EQ(0xFF203050u, Pixel(pixels, 2, 2));
    EXPECT_EQ(0xFF203050u, Pixel(pixels, 125, 125));
    EXPECT_NE(0xFF203050u, Pixel(pixels, 64, 64));
    // Both checker colours show, each lit to more than one brightness.
    std::set<std::uint32_t> light;
    std::set<std::uint32_t> dark;
    for (std::uint32_t p : pixels)
    {
        const std::uint32_t r = (p >> 16) & 0xFF;
        const std::uint32_t g = (p >> 8) & 0xFF;
        if (p != 0xFF203050u && r > 0)
        {
            (g * 2 > r ? light : dark).insert(r / 16);
        }
    }
    EXPECT_GE(light.size(), 2u);
    EXPECT_GE(dark.size(), 2u);
}

} // namespace
} // namespace EngineTesting
