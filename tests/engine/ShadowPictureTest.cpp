#include "tests/engine/MeshFixture.h"

#include "engine/Camera.h"
#include "engine/MeshDrawing.h"
#include "engine/ShadowVolume.h"
#include "platform/gfxkit/TextureFiles.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace EngineTesting
{
namespace
{

using Platform::GfxKit::Mesh;
using Qen::CFrame;
using Qen::CMeshContainer;
using Qen::Matrix;
using Qen::Vector3;

constexpr const char* kLitEffect = R"(
float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
float4x4 mWorld : WORLD;
float3 c_vLightDir = {0, 0, -1};
float4 c_vMaterialDiffuse = {COLOUR};
vertexprogram vsLit
{
    in vec3 aPosition : POSITION;
    in vec3 aNormal : NORMAL;
    out float vLight;
    void main()
    {
        gl_Position = vec4(aPosition, 1.0) * mWorldViewProj;
        vLight = 0.3 + 0.7 * max(dot(normalize((vec4(aNormal, 0.0) * mWorld).xyz), -normalize(c_vLightDir)), 0.0);
    }
}
fragmentprogram fsLit
{
    in float vLight;
    void main() { FragmentColor = vec4(c_vMaterialDiffuse.rgb * vLight, 1.0); }
}
technique _staticmesh
{
    pass p0
    {
        VertexProgram = vsLit; FragmentProgram = fsLit;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = None;
        StencilEnable = false; ColorWriteEnable = 15; AlphaBlendEnable = false;
    }
}
)";

// Shared by both volume effects: colour and depth writes off, depth test "less", z-fail counting with
// back faces (counter-clockwise) incrementing and front faces decrementing.
constexpr const char* kVolumeStates = R"(
        ColorWriteEnable = 0; ZEnable = true; ZWriteEnable = false; ZFunc = Less; CullMode = None;
        AlphaBlendEnable = false; StencilEnable = true; TwoSidedStencilMode = true;
        StencilFunc = Always; StencilFail = Keep; StencilZFail = Decr; StencilPass = Keep;
        CcwStencilFunc = Always; CcwStencilFail = Keep; CcwStencilZFail = Incr; CcwStencilPass = Keep;
)";

// The general volume: vertices whose normal faces away from the light go 10 units along it.
std::string ExtrudingEffect()
{
    return std::string(R"(
float4x4 mWorld : WORLD;
float4x4 mViewProj : VIEWPROJECTION;
float3 c_vLightDir = {0, 0, -1};
vertexprogram vsExtrude
{
    in vec3 aPosition : POSITION;
    in vec3 aNormal : NORMAL;
    void main()
    {
        vec3 p = (vec4(aPosition, 1.0) * mWorld).xyz;
        vec3 n = (vec4(aNormal, 0.0) * mWorld).xyz;
        vec3 l = normalize(c_vLightDir);
        if (dot(n, l) > 0.0) { p += l * 10.0; }
        gl_Position = vec4(p, 1.0) * mViewProj;
    }
}
fragmentprogram fsNone { void main() { FragmentColor = vec4(0.0); } }
technique _staticmesh { pass p0 { VertexProgram = vsExtrude; FragmentProgram = fsNone;)") +
           kVolumeStates + "} }\n";
}

std::string BakedEffect()
{
    return std::string(R"(
float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
vertexprogram vsBaked
{
    in vec3 aPosition : POSITION;
    void main() { gl_Position = vec4(aPosition, 1.0) * mWorldViewProj; }
}
fragmentprogram fsNone { void main() { FragmentColor = vec4(0.0); } }
technique _staticmesh { pass p0 { VertexProgram = vsBaked; FragmentProgram = fsNone;)") +
           kVolumeStates + "} }\n";
}

constexpr const char* kDarkenEffect = R"(
vertexprogram vsScreen
{
    in vec3 aPosition : POSITION;
    void main() { gl_Position = vec4(aPosition.xy, 0.5, 1.0); }
}
fragmentprogram fsShade { void main() { FragmentColor = vec4(0.0, 0.0, 0.0, 0.6); } }
technique _staticmesh
{
    pass p0
    {
        VertexProgram = vsScreen; FragmentProgram = fsShade;
        ZEnable = false; ZWriteEnable = false; CullMode = None; ColorWriteEnable = 15;
        StencilEnable = true; TwoSidedStencilMode = false; StencilFunc = NotEqual; StencilRef = 0;
        StencilFail = Keep; StencilZFail = Keep; StencilPass = Keep;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha;
    }
}
)";

std::string Coloured(const char* colour)
{
    std::string text = kLitEffect;
    text.replace(text.find("COLOUR"), 6, colour);
    return text;
}

class ShadowPictureTest : public MeshFixture
{
protected:
    // A mesh of float3 positions and float3 normals.
    Mesh* WithNormals(const std::vector<float>& values, const std::vector<std::uint32_t>& indices)
    {
        const VertexElement elements[] = {{0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
                                          {0, 12, DeclType::Float3, 0, DeclUsage::Normal, 0},
                                          DeclarationEnd};
        Mesh* mesh = nullptr;
        EXPECT_EQ(Ok, Platform::GfxKit::CreateMesh(static_cast<std::uint32_t>(indices.size() / 3),
                                                   static_cast<std::uint32_t>(values.size() / 6),
                                                   Platform::GfxKit::MeshOption::Managed, elements, device, &mesh));
        std::vector<std::uint8_t> bytes(values.size() * 4);
        std::memcpy(bytes.data(), values.data(), bytes.size());
        mesh->SetVertexBytes(bytes);
        mesh->SetIndices(indices);
        return mesh;
    }

    // The cube [-0.5, 0.5]³ with four corners and a normal per side, wound (p1 - p0) × (p2 - p0) out.
    Mesh* SidedCube()
    {
        std::vector<float> values;
        std::vector<std::uint32_t> indices;
        for (int axis = 0; axis < 3; ++axis)
        {
            for (const float side : {-0.5f, 0.5f})
            {
                const int u = (axis + 1) % 3;
                const int v = (axis + 2) % 3;
                const auto base = static_cast<std::uint32_t>(values.size() / 6);
                const float corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
                for (const auto& c : corners)
                {
                    float p[3];
                    p[axis] = side;
                    p[u] = c[0];
                    p[v] = c[1];
                    float n[3] = {0, 0, 0};
                    n[axis] = side > 0 ? 1.0f : -1.0f;
                    values.insert(values.end(), {p[0], p[1], p[2], n[0], n[1], n[2]});
                }
                // (u, v) order gives a cross product along +axis: flip for the negative side.
                if (side > 0)
                {
                    indices.insert(indices.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
                }
                else
                {
                    indices.insert(indices.end(), {base, base + 2, base + 1, base, base + 3, base + 2});
                }
            }
        }
        return WithNormals(values, indices);
    }

    // The same cube over its 8 corners without normals.
    Mesh* CornerCube()
    {
        Mesh* sided = SidedCube();
        std::vector<float> corners;
        std::vector<std::uint32_t> indices;
        for (std::uint32_t v = 0; v < sided->GetNumVertices(); ++v)
        {
            Vector3 p;
            std::memcpy(&p, sided->Vertex(v), sizeof p);
            std::uint32_t found = 0;
            while (found < corners.size() / 3 &&
                   !(corners[3 * found] == p.x && corners[3 * found + 1] == p.y && corners[3 * found + 2] == p.z))
            {
                ++found;
            }
            if (found == corners.size() / 3)
            {
                corners.insert(corners.end(), {p.x, p.y, p.z});
            }
            indices.push_back(found);
        }
        std::vector<std::uint32_t> triangles;
        for (std::uint32_t i : sided->Indices())
        {
            triangles.push_back(indices[i]);
        }
        sided->Release();
        return MakeMesh(corners, triangles);
    }

    // The scene: a lit ground quad at z = 0, the lit cube under a frame turned 90° about z and raised to
    // z = 1.5, the volume (a container on the same frame) and the darkening quad; the target's pixels.
    std::vector<std::uint32_t> Draw(CFrame* root, CMeshContainer& volume, const char* picture)
    {
        Surface* target = nullptr;
        Surface* depth = nullptr;
        Surface* oldTarget = nullptr;
        Surface* oldDepth = nullptr;
        EXPECT_EQ(Ok, device->CreateRenderTarget(128, 128, Format::A8R8G8B8, 0, 0, true, &target, nullptr));
        EXPECT_EQ(Ok, device->CreateDepthStencilSurface(128, 128, Format::D24S8, 0, 0, false, &depth, nullptr));
        device->GetRenderTarget(0, &oldTarget);
        device->GetDepthStencilSurface(&oldDepth);
        device->SetRenderTarget(0, target);
        device->SetDepthStencilSurface(depth);
        EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer | ClearFlag::Stencil,
                                    0xFF102030, 1.0f, 0));
        EXPECT_EQ(Ok, device->BeginScene());
        volume.enabled = false;
        screen->enabled = false;
        Qen::RenderFrameHierarchy(context.Get(), Matrix{}, false, root);
        volume.enabled = true;
        Qen::DrawMeshContainer(volume, Matrix{}, context.Get());
        screen->enabled = true;
        Qen::DrawMeshContainer(*screen, Matrix{}, context.Get());
        EXPECT_EQ(Ok, device->EndScene());
        std::vector<std::uint32_t> pixels;
        EXPECT_EQ(Ok, device->ReadPixels(target, pixels));
        EXPECT_EQ(Ok, Platform::GfxKit::SaveSurfaceToFile(OutputPath(picture).c_str(),
                                                          Platform::GfxKit::ImageFileFormat::Png, target, nullptr,
                                                          nullptr));
        device->SetRenderTarget(0, oldTarget);
        device->SetDepthStencilSurface(oldDepth);
        for (Surface* surface : {target, depth, oldTarget, oldDepth})
        {
            if (surface != nullptr)
            {
                surface->Release();
            }
        }
        return pixels;
    }

    // The pixel a world point falls on.
    std::uint32_t At(const std::vector<std::uint32_t>& pixels, float x, float y, float z) const
    {
        const Vector3 p{x, y, z};
        Matrix viewProjection;
        std::memcpy(viewProjection.m, context->viewProjection.m, sizeof viewProjection.m);
        Vector3 ndc;
        Platform::GfxKit::Vec3TransformCoord(&ndc, &p, &viewProjection);
        const auto column = static_cast<int>((ndc.x + 1.0f) * 0.5f * 128.0f);
        const auto row = static_cast<int>((1.0f - ndc.y) * 0.5f * 128.0f);
        return pixels[static_cast<std::size_t>(row) * 128 + static_cast<std::size_t>(column)];
    }

    static int Brightness(std::uint32_t pixel) { return static_cast<int>((pixel >> 8) & 0xFF); }

    void SetUpScene()
    {
        context = Qen::CRenderContext::Create();
        context->engine = &controller;
        Qen::CCamera camera;
        camera.position = {0.0f, 0.0f, 20.0f};
        camera.forward = {0.0f, 0.0f, -1.0f};
        camera.SetUpVector({0.0f, 1.0f, 0.0f});
        camera.projectionType = Qen::CCamera::Orthographic;
        camera.fieldOfView = 4.0f;
        camera.aspectRatio = 1.0f;
        camera.nearDistance = 0.1f;
        camera.farDistance = 40.0f;
        camera.Update();
        context->view = camera.view;
        context->inverseView = camera.cameraToWorld;
        context->projection = camera.projection;
        context->viewProjection = camera.viewProjection;
        const float s = 1.0f / std::sqrt(2.0f);
        context->lightDirection = {s, 0.0f, -s};
        light = {s, 0.0f, -s};

        root = AddFrame("scene");
        Mesh* ground = WithNormals({-5, -5, 0, 0, 0, 1, -5, 5, 0, 0, 0, 1, 5, 5, 0, 0, 0, 1, 5, -5, 0, 0, 0, 1},
                                   {0, 1, 2, 0, 2, 3});
        AddContainer(root, ground, 1)->materials[0] = Material("ground.fx", Coloured("0.9, 0.9, 0.8, 1"));
        ground->Release();
        block = AddFrame("block", root);
        Matrix turn;
        Matrix raise;
        Platform::GfxKit::MatrixRotationZ(&turn, 1.5707964f);
        Platform::GfxKit::MatrixTranslation(&raise, 0, 0, 1.5f);
        Platform::GfxKit::MatrixMultiply(&block->TransformationMatrix, &turn, &raise);
        Mesh* cube = SidedCube();
        AddContainer(block, cube, 1)->materials[0] = Material("block.fx", Coloured("0.3, 0.6, 1.0, 1"));
        cube->Release();
        Qen::UpdateFrameMatrices(root, Matrix{});
        Qen::ForEachMeshContainer(root, [this](CMeshContainer& c) { Qen::BindBoneMatrices(c, root, "scene"); });

        Mesh* quad = MakeMesh({-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0}, {0, 1, 2, 0, 2, 3});
        screen = AddContainer(AddFrame("screen"), quad, 1);
        quad->Release();
        screen->materials[0] = Material("darken.fx", kDarkenEffect);
    }

    // A volume container on the cube's frame with the effect, its bones bound.
    CMeshContainer* Volume(Mesh* mesh, const char* file, const std::string& effect)
    {
        CMeshContainer* volume = AddContainer(block, mesh, 1, "Volume");
        mesh->Release();
        volume->materials[0] = Material(file, effect);
        Qen::BindBoneMatrices(*volume, root, "scene");
        return volume;
    }

    void ExpectShadowBesideTheCube(const std::vector<std::uint32_t>& pixels)
    {
        const int lit = Brightness(At(pixels, -2.0f, 0.0f, 0.0f));
        EXPECT_GT(lit, 150);
        EXPECT_LT(Brightness(At(pixels, 1.5f, 0.0f, 0.0f)), lit / 2) << "the ground in the shadow";
        EXPECT_EQ(lit, Brightness(At(pixels, 1.5f, 1.5f, 0.0f)));
        EXPECT_EQ(lit, Brightness(At(pixels, 3.0f, 0.0f, 0.0f)));
        // The cube's top is lit: blue at the brightness its lighting gives, not darkened.
        const std::uint32_t top = At(pixels, 0.0f, 0.0f, 2.0f);
        EXPECT_GT(static_cast<int>(top & 0xFF), 150) << std::hex << top;
        // Nothing dark anywhere else on the ground row through the cube's middle, beyond the shadow.
        for (float x = -4.5f; x < -0.6f; x += 0.1f)
        {
            EXPECT_EQ(lit, Brightness(At(pixels, x, 0.0f, 0.0f))) << x;
        }
    }

    BaseLib::CSmartPointer<Qen::CRenderContext> context;
    CFrame* root = nullptr;
    CFrame* block = nullptr;
    CMeshContainer* screen = nullptr;
    Vector3 light;
};

TEST_F(ShadowPictureTest, TheGeneralVolumeExtrudedByItsProgramShadowsTheGround)
{
    SetUpScene();
    Mesh* source = SidedCube();
    CMeshContainer* volume = Volume(source, "extrude.fx", ExtrudingEffect());
    Qen::BuildShadowVolume(*volume, 0.001f, "scene");
    ExpectShadowBesideTheCube(Draw(root, *volume, "shadow_volume.png"));
}

TEST_F(ShadowPictureTest, TheBakedVolumeShadowsTheGround)
{
    SetUpScene();
    CMeshContainer* volume = Volume(CornerCube(), "baked.fx", BakedEffect());
    Qen::BuildShrunkShadowVolume(*volume, light, {FLT_MAX, FLT_MAX, FLT_MAX}, 10.0f, 0.0f, "scene");
    ExpectShadowBesideTheCube(Draw(root, *volume, "shadow_volume_baked.png"));
}

} // namespace
} // namespace EngineTesting
