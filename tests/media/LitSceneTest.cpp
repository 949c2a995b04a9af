#include "tests/media/SceneEffectsFixture.h"

#include "engine/Camera.h"
#include "engine/Model.h"
#include "engine/ModelFactory.h"
#include "engine/ModelLoadOptions.h"
#include "platform/gfx/Texture.h"
#include "platform/gfxkit/TextureFiles.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <memory>

// The lit scene drawn with the committed effects in the renderer's order: the ambient pass, the shadow
// maps of a batch of lights, the light pass. A small driver here does what the game's renderer does:
// it sets the light table on the shared effect, computes each light's matrices from the scene box,
// draws the shadow maps into one texture and lets every model draw itself inside the scene effect's
// techniques.
namespace MediaTesting
{
namespace
{

using BaseLib::CMatrix;
using BaseLib::CResourcePtr;
using BaseLib::CVector3;
using BaseLib::CVector4;

CVector3 Normalised(const CVector3& v)
{
    return v / v.Length();
}

Platform::Gfx::Matrix ToDevice(const CMatrix& m)
{
    Platform::Gfx::Matrix out;
    std::memcpy(out.m, m.m, sizeof out.m);
    return out;
}

int Brightness(std::uint32_t pixel)
{
    return static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF));
}

class LitSceneTest : public SceneEffectsFixture
{
protected:
    struct Light
    {
        CVector3 direction; // the way its light travels
        CVector3 colour;
        bool castsShadows = true;
    };

    struct Node
    {
        Qen::CModel* model = nullptr;
        Qen::Matrix world;
        std::uint32_t flags = 3; // drawn in the lit passes (1) and into shadow maps (2)
    };

    static constexpr std::uint32_t kShadowMapSize = 1024;

    void SetUp() override
    {
        SceneEffectsFixture::SetUp();
        if (HasFatalFailure())
        {
            return;
        }
        controller.GetMaterialFactory()->CreateSharedEffectPool("shader>_shared.fx");
        shared = controller.GetMaterialFactory()->GetSharedEffect();
        ASSERT_NE(nullptr, shared);
        sceneMaterial = Material("scene.fx");
        ASSERT_NE(nullptr, EffectOf(sceneMaterial));
        ASSERT_EQ(Ok, device->CreateTexture(kShadowMapSize, kShadowMapSize, 1, Usage::RenderTarget, Format::X8R8G8B8,
                                            Pool::Default, &shadowMap, nullptr));
        ASSERT_EQ(Ok, shadowMap->GetSurfaceLevel(0, &shadowSurface));
        ASSERT_EQ(Ok, device->CreateDepthStencilSurface(kShadowMapSize, kShadowMapSize, Format::D24X8, 0, 0, true,
                                                        &shadowDepth, nullptr));
        // What the renderer binds with shadows off: one white texel, lit everywhere.
        ASSERT_EQ(Ok, device->CreateTexture(1, 1, 1, 0, Format::X8R8G8B8, Pool::Managed, &white, nullptr));
        LockedRect locked;
        ASSERT_EQ(Ok, white->LockRect(0, &locked, nullptr, 0));
        *static_cast<std::uint32_t*>(locked.pBits) = 0xFFFFFFFFu;
        white->UnlockRect(0);
    }

    void TearDown() override
    {
        if (shared != nullptr)
        {
            shared->GetEffect()->SetTexture("c_tShadowMap", nullptr);
        }
        for (Platform::Gfx::CountedObject* object :
             std::initializer_list<Platform::Gfx::CountedObject*>{shadowSurface, shadowMap, shadowDepth, white,
                                                                   target, targetDepth})
        {
            if (object != nullptr)
            {
                object->Release();
            }
        }
        nodes.clear();
        models.clear();
        sceneMaterial = nullptr;
        SceneEffectsFixture::TearDown();
    }

    // An offscreen target of that size with its depth buffer, drawn into by every frame.
    void UseTarget(std::uint32_t width, std::uint32_t height)
    {
        ASSERT_EQ(Ok, device->CreateRenderTarget(width, height, Format::X8R8G8B8, 0, 0, false, &target, nullptr));
        ASSERT_EQ(Ok, device->CreateDepthStencilSurface(width, height, Format::D24X8, 0, 0, true, &targetDepth, nullptr));
        targetWidth = width;
        targetHeight = height;
    }

    // A box model (through the X file, the model factory and the standard untextured effect).
    Qen::CModel* Box(const std::string& name, const float lo[3], const float hi[3], const float rgb[3])
    {
        WriteFile(name, BoxModel(lo, hi, rgb));
        Qen::CModelLoadOptions options;
        models.push_back(controller.GetModelFactory()->GetModel(&options, (folder / name).string(), false));
        EXPECT_TRUE(models.back() && models.back()->GetFrameRoot() != nullptr) << name;
        return models.back().Get();
    }

    // A model of the media folder, by its alias path.
    Qen::CModel* Model(const std::string& name)
    {
        Qen::CModelLoadOptions options;
        models.push_back(controller.GetModelFactory()->GetModel(&options, name, false));
        EXPECT_TRUE(models.back() && models.back()->GetFrameRoot() != nullptr) << name;
        return models.back().Get();
    }

    void Place(Qen::CModel* model, float x, float y, float z)
    {
        Node node;
        node.model = model;
        node.world.m[3][0] = x;
        node.world.m[3][1] = y;
        node.world.m[3][2] = z;
        nodes.push_back(node);
    }

    void LookAt(const CVector3& eye, const CVector3& at)
    {
        camera.position = eye;
        camera.forward = Normalised(at - eye);
        camera.up = CVector3(0.0f, 0.0f, 1.0f);
        camera.aspectRatio = static_cast<float>(targetWidth) / static_cast<float>(targetHeight);
        camera.fieldOfView = 0.9f;
        camera.Update();
    }

    // Where a world point lands on the target.
    std::uint32_t At(const std::vector<std::uint32_t>& pixels, float x, float y, float z) const
    {
        CVector4 clip;
        BaseLib::TransformVector4(clip, CVector4(x, y, z, 1.0f), camera.viewProjection);
        const auto px = static_cast<int>((clip.x / clip.w * 0.5f + 0.5f) * static_cast<float>(targetWidth));
        const auto py = static_cast<int>((0.5f - clip.y / clip.w * 0.5f) * static_cast<float>(targetHeight));
        EXPECT_TRUE(px >= 0 && py >= 0 && px < static_cast<int>(targetWidth) && py < static_cast<int>(targetHeight));
        return pixels[static_cast<std::size_t>(py) * targetWidth + static_cast<std::size_t>(px)];
    }

    // The light's view and projection: it looks along its direction from the face of the scene box it
    // enters through, and its orthographic box covers the scene box.
    void LightMatrices(const CVector3& d, CMatrix& view, CMatrix& projection) const
    {
        const CVector3 lo = sceneMin - CVector3(0.1f, 0.1f, 0.1f);
        const CVector3 hi = sceneMax + CVector3(0.1f, 0.1f, 0.1f);
        const CVector3 c = (lo + hi) * 0.5f;
        const CVector3 e = hi - lo;
        const CVector3 normals[6] = {{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        float nearest = 3.4e38f;
        CVector3 n;
        CVector3 p;
        for (int f = 0; f < 6; ++f)
        {
            const float facing = normals[f].Dot(-d);
            if (facing <= 0.0f)
            {
                continue;
            }
            const CVector3 onFace = f < 3 ? lo : hi;
            const float t = (normals[f].Dot(onFace) - normals[f].Dot(c)) / facing;
            if (t < nearest)
            {
                nearest = t;
                n = normals[f];
                p = c + (-d) * t;
            }
        }
        const CVector3 u = n.x == 0.0f ? CVector3(1, 0, 0) : CVector3(0, 1, 0);
        const CVector3 x = Normalised(n.Cross(u));
        CMatrix light(CVector4(x.x, x.y, x.z, 0), CVector4(u.x, u.y, u.z, 0), CVector4(d.x, d.y, d.z, 0),
                      CVector4(p.x, p.y, p.z, 1));
        light.GetInverse(view);
        const float depth = std::fabs(e.Dot(n) / d.Dot(n));
        // The map's x runs along X and its y along u: each covers the box's extent on that axis plus
        // the slant of the light through the box's depth.
        const float width = std::fabs(x.Dot(e)) + std::fabs(x.Dot(d)) * depth;
        const float height = std::fabs(u.Dot(e)) + std::fabs(u.Dot(d)) * depth;
        projection = CMatrix(CVector4(2.0f / width, 0, 0, 0), CVector4(0, 2.0f / height, 0, 0),
                             CVector4(0, 0, 1.0f / depth, 0), CVector4(0, 0, 0, 1));
    }

    void SetLightParameters(int k, const Light& light)
    {
        CMatrix view;
        CMatrix projection;
        LightMatrices(light.direction, view, projection);
        // From the light's clip space to the map: v = 0 at the top row.
        const CMatrix toMap(CVector4(0.5f, 0, 0, 0), CVector4(0, -0.5f, 0, 0), CVector4(0, 0, 1, 0),
                            CVector4(0.5f, 0.5f, 0, 1));
        const Platform::Gfx::Matrix shadow = ToDevice(view * projection * toMap);
        const float direction[4] = {light.direction.x, light.direction.y, light.direction.z, 0.0f};
        const float colour[4] = {light.colour.x, light.colour.y, light.colour.z, 0.0f};
        Platform::GfxKit::Effect& pool = *shared->GetEffect();
        const std::string entry = "c_axLights[" + std::to_string(k) + "]";
        EXPECT_EQ(Ok, pool.SetVector((entry + ".vDirectionWS").c_str(), direction));
        EXPECT_EQ(Ok, pool.SetVector((entry + ".vLightColor").c_str(), colour));
        EXPECT_EQ(Ok, pool.SetMatrix((entry + ".mShadowTransform").c_str(), &shadow));
    }

    // Every node whose flags meet the mask draws itself inside the scene effect's technique.
    void RenderPass(const char* technique, std::uint32_t mask, const CMatrix& view, const CMatrix& projection)
    {
        BaseLib::CSmartPointer<Qen::CRenderContext> context(Qen::CRenderContext::Create());
        context->engine = &controller;
        context->name = technique;
        context->view = view;
        view.GetInverse(context->inverseView);
        context->projection = projection;
        context->viewProjection = view * projection;
        Qen::CEffectShader& scene = *sceneMaterial->GetEffectShader();
        ASSERT_EQ(Ok, scene.GetEffect()->SetTechnique(technique));
        std::uint32_t passes = 0;
        ASSERT_EQ(Ok, scene.Begin(&passes, Platform::GfxKit::DoNotSaveState));
        for (std::uint32_t pass = 0; pass < passes; ++pass)
        {
            scene.GetEffect()->BeginPass(pass);
            for (const Node& node : nodes)
            {
                if ((node.flags & mask) != 0)
                {
                    node.model->Render(context.Get(), node.world);
                }
            }
            scene.GetEffect()->EndPass();
        }
        scene.End();
    }

    // One frame into the target: the ambient pass, then per batch the shadow maps (when on) and the
    // light pass (when drawn). The target's pixels, written as a picture when named.
    std::vector<std::uint32_t> DrawFrame(bool shadows, bool lightPass, const char* picture = nullptr)
    {
        controller.GetHeads()[0]->BeginFrame();
        EXPECT_EQ(Ok, device->SetRenderTarget(0, target));
        EXPECT_EQ(Ok, device->SetDepthStencilSurface(targetDepth));
        EXPECT_EQ(Ok, device->BeginScene());
        EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF7F7F7F, 1.0f, 0));
        RenderPass("ambientpass", 1, camera.view, camera.projection);
        Platform::GfxKit::ParameterDesc table;
        EXPECT_EQ(Ok, shared->GetEffect()->GetParameterDesc("c_axLights", &table));
        const std::size_t batch = table.Elements;
        for (std::size_t s = 0; lightPass && s < lights.size(); s += batch)
        {
            const std::size_t e = std::min(s + batch, lights.size());
            for (std::size_t i = s; i < e; ++i)
            {
                SetLightParameters(static_cast<int>(i - s), lights[i]);
            }
            if (shadows)
            {
                EXPECT_EQ(Ok, device->SetRenderTarget(0, shadowSurface));
                EXPECT_EQ(Ok, device->SetDepthStencilSurface(shadowDepth));
                EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFFFFFFFF, 1.0f, 0));
                for (std::size_t i = s; i < e; ++i)
                {
                    if (lights[i].castsShadows)
                    {
                        EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::ZBuffer, 0, 1.0f, 0));
                        shared->GetEffect()->SetInt("c_iLightIndex", static_cast<std::int32_t>(i - s));
                        CMatrix view;
                        CMatrix projection;
                        LightMatrices(lights[i].direction, view, projection);
                        RenderPass("shadowmap", 2, view, projection);
                    }
                }
                EXPECT_EQ(Ok, device->SetRenderTarget(0, target));
                EXPECT_EQ(Ok, device->SetDepthStencilSurface(targetDepth));
            }
            shared->GetEffect()->SetTexture("c_tShadowMap", shadows ? static_cast<BaseTexture*>(shadowMap) : white);
            shared->GetEffect()->SetInt("c_iNumLights", static_cast<std::int32_t>(e - s));
            RenderPass("lightpass", 1, camera.view, camera.projection);
            shared->GetEffect()->SetTexture("c_tShadowMap", nullptr);
        }
        EXPECT_EQ(Ok, device->EndScene());
        std::vector<std::uint32_t> pixels;
        EXPECT_EQ(Ok, device->ReadPixels(target, pixels));
        if (picture != nullptr)
        {
            EXPECT_EQ(Ok, Platform::GfxKit::SaveSurfaceToFile(OutputPath(picture).c_str(),
                                                              Platform::GfxKit::ImageFileFormat::Png, target, nullptr,
                                                              nullptr));
        }
        return pixels;
    }

    Qen::CEffectShader* shared = nullptr;
    CResourcePtr<Qen::CMaterial> sceneMaterial;
    Texture* shadowMap = nullptr;
    Surface* shadowSurface = nullptr;
    Surface* shadowDepth = nullptr;
    Texture* white = nullptr;
    Surface* target = nullptr;
    Surface* targetDepth = nullptr;
    std::uint32_t targetWidth = 0;
    std::uint32_t targetHeight = 0;
    std::vector<CResourcePtr<Qen::CModel>> models;
    std::vector<Node> nodes;
    std::vector<Light> lights;
    Qen::CCamera camera;
    // The renderer's scene box of a 6 × 6 board.
    CVector3 sceneMin{-1.5f, -6.5f, 0.0f};
    CVector3 sceneMax{6.5f, 1.5f, 2.7f};
};

// A 6 × 6 board of light grey, its top at z = 0, cells centred on (column, −row).
constexpr float kBoardLo[3] = {-0.5f, -5.5f, -0.3f};
constexpr float kBoardHi[3] = {5.5f, 0.5f, 0.0f};
constexpr float kBoardGrey[3] = {0.8f, 0.8f, 0.8f};
// A block of one cell, one unit high, standing on its origin.
constexpr float kBlockLo[3] = {-0.5f, -0.5f, 0.0f};
constexpr float kBlockHi[3] = {0.5f, 0.5f, 1.0f};
constexpr float kBlockRed[3] = {0.9f, 0.25f, 0.2f};

TEST_F(LitSceneTest, ABlockShadowsTheBoardWhereTheLightIsBlockedAndNowhereElse)
{
    UseTarget(256, 256);
    Place(Box("board.x", kBoardLo, kBoardHi, kBoardGrey), 0.0f, 0.0f, 0.0f);
    Place(Box("block.x", kBlockLo, kBlockHi, kBlockRed), 2.0f, -2.0f, 0.0f);
    ASSERT_EQ("", Boxes());
    // White light travelling down and towards +x: the block's shadow falls on the board east of it,
    // 1 / 1.2 units long at the block's top.
    const CVector3 direction = Normalised(CVector3(1.0f, 0.0f, -1.2f));
    lights.push_back({direction, CVector3(1.0f, 1.0f, 1.0f), true});
    LookAt(CVector3(2.5f, -9.5f, 7.0f), CVector3(2.5f, -2.5f, 0.0f));

    const std::vector<std::uint32_t> lit = DrawFrame(true, true, "lit_block.png");
    const std::vector<std::uint32_t> ambient = DrawFrame(true, false);
    const std::vector<std::uint32_t> unshadowed = DrawFrame(false, true, "lit_block_without_shadows.png");
    std::vector<std::uint32_t> map;
    ASSERT_EQ(Ok, device->ReadPixels(shadowSurface, map));
    EXPECT_EQ(Ok, Platform::GfxKit::SaveSurfaceToFile(OutputPath("lit_block_shadow_map.png").c_str(),
                                                      Platform::GfxKit::ImageFileFormat::Png, shadowSurface, nullptr,
                                                      nullptr));
    EXPECT_EQ("", Boxes());

    // The board: 0.8 × 255 × (the ambient share 0.3, plus the cosine towards the light where lit).
    const float cosine = -direction.z;
    const int ambientBoard = static_cast<int>(3 * 0.8f * 255.0f * 0.3f);
    const int litBoard = static_cast<int>(3 * 0.8f * 255.0f * (0.3f + cosine));
    const struct
    {
        const char* what;
        float x, y;
        bool shadowed;
    } points[] = {{"beside the block, east", 2.8f, -2.0f, true},
                  {"at the shadow's far end", 3.2f, -1.9f, true},
                  {"west of the block", 1.2f, -2.0f, false},
                  {"south of the shadow", 3.0f, -3.0f, false},
                  {"a far corner", 5.0f, -5.0f, false},
                  {"beyond the shadow's end", 3.6f, -2.0f, false}};
    for (const auto& p : points)
    {
        EXPECT_NEAR(ambientBoard, Brightness(At(ambient, p.x, p.y, 0.0f)), 6) << p.what << ": the ambient term";
        EXPECT_NEAR(litBoard, Brightness(At(unshadowed, p.x, p.y, 0.0f)), 12) << p.what << ": lit without shadows";
        EXPECT_NEAR(p.shadowed ? ambientBoard : litBoard, Brightness(At(lit, p.x, p.y, 0.0f)), p.shadowed ? 6 : 12)
            << p.what;
    }
    // The block's top faces the light: red, lit; its west side is turned away: the ambient share only.
    const std::uint32_t top = At(lit, 2.0f, -2.0f, 1.0f);
    EXPECT_NEAR(0.9f * 255.0f * (0.3f + cosine), static_cast<float>((top >> 16) & 0xFF), 8.0f);
    EXPECT_GT((top >> 16) & 0xFF, 3 * ((top >> 8) & 0xFF));
    const std::uint32_t front = At(lit, 2.0f, -2.5f, 0.5f);
    EXPECT_NEAR(0.9f * 255.0f * 0.3f, static_cast<float>((front >> 16) & 0xFF), 6.0f) << "side along the light";

    // The map holds the light's depths in red only; the other channels stay white.
    std::size_t covered = 0;
    for (const std::uint32_t texel : map)
    {
        covered += (texel & 0xFF0000u) != 0xFF0000u ? 1 : 0;
        ASSERT_EQ(0xFFFFu, texel & 0xFFFFu);
    }
    EXPECT_GT(covered, map.size() / 4) << "the board and the block";
}

TEST_F(LitSceneTest, ALightWithoutItsShadowFlagLightsEverythingItFaces)
{
    // Two lights of one batch from opposite sides: the first casts the block's shadow east of it; the
    // second, without its shadow flag, draws no map, so its channel stays white and it lights the
    // board on both sides of the block.
    UseTarget(256, 256);
    Place(Box("board.x", kBoardLo, kBoardHi, kBoardGrey), 0.0f, 0.0f, 0.0f);
    Place(Box("block.x", kBlockLo, kBlockHi, kBlockRed), 2.0f, -2.0f, 0.0f);
    const CVector3 east = Normalised(CVector3(1.0f, 0.0f, -1.2f));
    const CVector3 west = Normalised(CVector3(-1.0f, 0.0f, -1.2f));
    lights.push_back({east, CVector3(0.5f, 0.5f, 0.5f), true});
    lights.push_back({west, CVector3(0.3f, 0.3f, 0.3f), false});
    LookAt(CVector3(2.5f, -9.5f, 7.0f), CVector3(2.5f, -2.5f, 0.0f));
    const std::vector<std::uint32_t> pixels = DrawFrame(true, true, "lit_block_two_lights.png");
    EXPECT_EQ("", Boxes());

    const float cosine = -east.z;
    const auto board = [](float light) { return static_cast<int>(3 * 0.8f * 255.0f * (0.3f + light)); };
    EXPECT_NEAR(board(0.3f * cosine), Brightness(At(pixels, 2.8f, -2.0f, 0.0f)), 10) << "in the first light's shadow";
    EXPECT_NEAR(board(0.8f * cosine), Brightness(At(pixels, 1.2f, -2.0f, 0.0f)), 10) << "where the second would cast";
    EXPECT_NEAR(board(0.8f * cosine), Brightness(At(pixels, 4.5f, -4.5f, 0.0f)), 10) << "in both lights";
}

TEST_F(LitSceneTest, GroundBelowTheSceneBoxIsShadowedOnlyWhereSomethingWasDrawnIntoTheMap)
{
    // The surroundings' ground lies 3 units below the board, beyond the map's far plane. Under the
    // board it is in the board's shadow; where the light passes beside the board, no map texel holds
    // anything (still white) and the ground is lit, however deep it lies.
    UseTarget(256, 256);
    Place(Box("board.x", kBoardLo, kBoardHi, kBoardGrey), 0.0f, 0.0f, 0.0f);
    const float groundLo[3] = {-20.0f, -20.0f, -3.2f};
    const float groundHi[3] = {20.0f, 20.0f, -3.0f};
    Place(Box("ground.x", groundLo, groundHi, kBoardGrey), 0.0f, 0.0f, 0.0f);
    const CVector3 direction = Normalised(CVector3(1.0f, 0.0f, -1.2f));
    lights.push_back({direction, CVector3(1.0f, 1.0f, 1.0f), true});
    // From north of the board, looking under it.
    LookAt(CVector3(2.5f, 6.0f, 2.0f), CVector3(4.25f, -0.65f, -3.0f));
    const std::vector<std::uint32_t> pixels = DrawFrame(true, true, "lit_ground_below.png");
    EXPECT_EQ("", Boxes());
    const int ambient = static_cast<int>(3 * 0.8f * 255.0f * 0.3f);
    const int lit = static_cast<int>(3 * 0.8f * 255.0f * (0.3f - direction.z));
    EXPECT_NEAR(lit, Brightness(At(pixels, 2.5f, 1.2f, -3.0f)), 12) << "the light passes north of the board";
    EXPECT_NEAR(ambient, Brightness(At(pixels, 6.0f, -2.5f, -3.0f)), 6) << "under the board";
}

TEST_F(LitSceneTest, AFullBoardWithThreeShadowingLightsKeepsOneChannelPerLightAndReportsItsFrameTime)
{
    // The game's own 6 × 6 board with twelve of its block parts, under the jungle's three lights, all
    // casting shadows, seen from where the intro flight ends.
    UseTarget(1024, 768);
    Place(Model("model>jungle/field_6x6.x"), 0.0f, 0.0f, 0.0f);
    const char* parts[] = {"blk1_endb.x", "blkplay_end.x", "blkwall.x", "blkmagn_end.x", "blkmagp_end.x", "blkcol_red.x"};
    const int cells[12][2] = {{0, 0}, {2, 0}, {5, 0}, {1, 1}, {4, 1}, {0, 2}, {3, 2}, {5, 3}, {1, 4}, {2, 4}, {4, 5}, {0, 5}};
    for (int i = 0; i < 12; ++i)
    {
        Place(Model(std::string("model>jungle/") + parts[i % 6]), static_cast<float>(cells[i][0]),
              -static_cast<float>(cells[i][1]), 0.0f);
    }
    lights.push_back({Normalised(CVector3(0.3f, 0.5f, -0.81f)), CVector3(0.95f, 1.0f, 0.8f), true});
    lights.push_back({Normalised(CVector3(-0.4f, -0.5f, -0.77f)), CVector3(0.2f, 0.35f, 0.25f), true});
    lights.push_back({Normalised(CVector3(0.8f, -0.2f, -0.55f)), CVector3(0.25f, 0.2f, 0.1f), true});
    LookAt(CVector3(2.5f, -2.5f - 9.0f * std::cos(1.1f), 9.0f * std::sin(1.1f)), CVector3(2.5f, -2.5f, 0.0f));

    const std::vector<std::uint32_t> first = DrawFrame(true, true, "lit_board.png");
    ASSERT_EQ("", Boxes());
    constexpr int kFrames = 20;
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < kFrames; ++frame)
    {
        DrawFrame(true, true);
    }
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kFrames;
    std::cout << "one frame of the three passes, 6 x 6 board, 12 blocks, 3 shadowing lights at 1024 x 768: " << ms
              << " ms\n";
    RecordProperty("frame_ms", std::to_string(ms));

    // Each light drew its own channel: every channel has depths, and they differ where the lights see
    // the scene from different sides.
    std::vector<std::uint32_t> map;
    ASSERT_EQ(Ok, device->ReadPixels(shadowSurface, map));
    std::size_t covered[3] = {};
    std::size_t differing = 0;
    for (const std::uint32_t texel : map)
    {
        const std::uint32_t channel[3] = {(texel >> 16) & 0xFF, (texel >> 8) & 0xFF, texel & 0xFF};
        for (int c = 0; c < 3; ++c)
        {
            covered[c] += channel[c] != 0xFF ? 1 : 0;
        }
        differing += (channel[0] != channel[1] || channel[1] != channel[2]) ? 1 : 0;
    }
    for (int c = 0; c < 3; ++c)
    {
        EXPECT_GT(covered[c], map.size() / 4) << "channel " << c;
    }
    EXPECT_GT(differing, map.size() / 4);
    EXPECT_EQ(first, DrawFrame(true, true)) << "frames repeat exactly";
}

} // namespace
} // namespace MediaTesting
