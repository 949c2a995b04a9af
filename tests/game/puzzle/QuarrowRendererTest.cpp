#include "game/puzzle/QuarrowRenderer.h"

#include "tests/media/SceneEffectsFixture.h"

#include "engine/Camera.h"
#include "engine/DisplayHead.h"
#include "engine/MaterialFactory.h"
#include "engine/SurfaceFactory.h"
#include "engine/TextureFactory.h"
#include "foundation/Geometry.h"
#include "framework/CameraNode.h"
#include "framework/LightSourceNode.h"
#include "framework/ModelNode.h"
#include "framework/SceneManager.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Texture.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using BaseLib::CVector4;
using namespace Platform::Gfx;

// What a node saw each time a pass asked it to draw: the pass, whether the shadow texture was the
// target, the shared light values and how many clears and draws the device had seen by then.
struct PassRecord
{
    std::string technique;
    bool intoShadowMap = false;
    std::int32_t lightIndex = -1;
    std::int32_t numLights = -1;
    bool shadowTextureBound = false;
    BaseTexture* shadowTexture = nullptr;
    std::vector<std::array<float, 4>> colours; // c_axLights[k].vLightColor for every k
    std::uint64_t clears = 0;
    std::uint64_t draws = 0;
};

// A node that draws nothing and records what the renderer had set up when it was asked to draw.
class RecordingNode : public GameLib::CRenderableNode
{
public:
    RecordingNode(Qen::CEngineController* engine, std::uint32_t flags, const Qen::CTexture* const* shadow)
        : CRenderableNode(engine), m_shadow(shadow)
    {
        SetVisible(flags);
    }
    void Release(bool) override { delete this; }

    void Render(BaseLib::CSmartPointer<Qen::CRenderContext> context) override
    {
        Qen::CEngineController* engine = GetRenderObject();
        PassRecord record;
        record.technique = context->name;
        Device* device = engine->GetDevice();
        record.clears = device->Counters().clears;
        record.draws = device->Counters().drawCalls;
        Surface* target = nullptr;
        device->GetRenderTarget(0, &target);
        const Qen::CTexture* shadow = *m_shadow;
        if (shadow != nullptr && target != nullptr && shadow->GetTexture() != nullptr &&
            shadow->GetTexture()->GetType() == ResourceType::Texture)
        {
            Surface* level = nullptr;
            static_cast<Texture*>(shadow->GetTexture())->GetSurfaceLevel(0, &level);
            record.intoShadowMap = level == target;
            level->Release();
        }
        if (target != nullptr)
        {
            target->Release();
        }
        if (Qen::CEffectShader* shared = engine->GetMaterialFactory()->GetSharedEffect())
        {
            Platform::GfxKit::Effect& effect = *shared->GetEffect();
            effect.GetInt("c_iLightIndex", &record.lightIndex);
            effect.GetInt("c_iNumLights", &record.numLights);
            BaseTexture* bound = nullptr;
            effect.GetTexture("c_tShadowMap", &bound);
            record.shadowTexture = bound;
            record.shadowTextureBound = bound != nullptr;
            if (bound != nullptr)
            {
                bound->Release();
            }
            for (int k = 0; k < 4; ++k)
            {
                std::array<float, 4> colour{-1, -1, -1, -1};
                const std::string name = "c_axLights[" + std::to_string(k) + "].vLightColor";
                if (effect.GetParameterByName(nullptr, name.c_str()) != nullptr)
                {
                    effect.GetVector(name.c_str(), colour.data());
                    record.colours.push_back(colour);
                }
            }
        }
        records.push_back(record);
    }

    std::vector<PassRecord> records;

private:
    ~RecordingNode() override = default;
    const Qen::CTexture* const* m_shadow;
};

// A shared light table of four lights, as the effects declare it.
constexpr const char* kFourLights =
    "struct TLight { float4 vDirectionWS; float4 vLightColor; float4x4 mShadowTransform; };\n"
    "shared TLight c_axLights[4];\nshared int c_iLightIndex;\nshared int c_iNumLights;\n"
    "shared texture c_tShadowMap;\n";

CVector3 Normalised(const CVector3& v)
{
    return v / v.Length();
}

int Brightness(std::uint32_t pixel)
{
    return static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF));
}

// An engine over a 256 × 192 head with the committed media, a scene of its own seen by a camera node
// straight above the board, and the renderer bound to both.
class RendererTest : public MediaTesting::MediaFixture
{
protected:
    RendererTest()
    {
        headWidth = 256;
        headHeight = 192;
    }

    void SetUp() override
    {
        MediaTesting::MediaFixture::SetUp();
        if (HasFatalFailure())
        {
            return;
        }
        scene = std::make_unique<GameLib::CSceneManager>();
        camera = new GameLib::CCameraNode();
        scene->GetRootNode()->AddChild(camera);
    }

    void TearDown() override
    {
        renderer.reset();
        scene.reset();
        MediaTesting::MediaFixture::TearDown();
    }

    // The shared pool from the committed "_shared.fx" or, given its text, from a file of the test's own
    // beside a copy of the committed "scene.fx".
    void UseSharedEffect(const char* sharedText = nullptr)
    {
        if (sharedText != nullptr)
        {
            const std::filesystem::path shaders = folder / "shader";
            std::filesystem::create_directories(shaders);
            std::filesystem::copy_file(MediaTesting::MediaFolder() / "shader" / "scene.fx",
                                       shaders / "scene.fx");
            std::ofstream(shaders / "_shared.fx") << sharedText;
            controller.GetPathAliases().RegisterPathAlias("shader", shaders.string());
        }
        controller.GetMaterialFactory()->CreateSharedEffectPool("shader>_shared.fx");
    }

    void StartRenderer(bool shadows = true)
    {
        renderer = std::make_unique<CQuarrowRenderer>();
        renderer->SetShadowsEnabled(shadows);
        renderer->Init(&controller, scene.get());
        renderer->SetCamera(camera);
        ASSERT_NE(nullptr, renderer->GetSceneEffect());
    }

    RecordingNode* Recorder(std::uint32_t flags)
    {
        auto* node = new RecordingNode(&controller, flags, &shadowSeen);
        scene->GetRootNode()->AddChild(node);
        return node;
    }

    // A light as the world makes them: a frame whose third row is the direction, the light node under it.
    GameLib::CLightSourceNode* Light(const CVector3& direction, const CVector3& colour, bool castsShadows)
    {
        const CVector3 d = direction;
        const CVector3 reference =
            std::fabs(Normalised(d).Dot(CVector3::UnitX)) < 0.7f ? CVector3::UnitX : CVector3::UnitY;
        const CVector3 c =
            d.Cross(reference).Length() > 0.0f ? Normalised(d.Cross(reference)) : CVector3::UnitX;
        const CVector3 b = c.Cross(d);
        GameLib::CTransformNode* frame = GameLib::CTransformNode::Create();
        frame->SetLocalTransform(
            CMatrix(CVector4(c, 0.0f), CVector4(b, 0.0f), CVector4(d, 0.0f), CVector4(0, 0, 0, 1)));
        GameLib::CLightSourceNode* light = GameLib::CLightSourceNode::Create();
        frame->AddChild(light);
        scene->GetRootNode()->AddChild(frame);
        light->GetLight()->colour = colour;
        light->GetLight()->castsShadows = castsShadows;
        return light;
    }

    // A box model (an X file of the test's own) on a model node with those render flags.
    GameLib::CModelNode* Box(const std::string& name, const float lo[3], const float hi[3],
                             const float rgb[3], std::uint32_t flags, const CVector3& at = CVector3(0, 0, 0))
    {
        WriteFile(name, MediaTesting::BoxModel(lo, hi, rgb));
        GameLib::CModelNode* node = GameLib::CModelNode::Create(&controller);
        node->LoadModel((folder / name).string(), nullptr);
        EXPECT_TRUE(node->GetModel()) << name;
        node->SetVisible(flags);
        GameLib::CTransformNode* place = GameLib::CTransformNode::Create();
        place->SetLocalTransform(
            CMatrix(CVector4(1, 0, 0, 0), CVector4(0, 1, 0, 0), CVector4(0, 0, 1, 0), CVector4(at, 1)));
        place->AddChild(node);
        scene->GetRootNode()->AddChild(place);
        return node;
    }

    // The camera straight above (x, y), looking down with world +y at the top of the picture.
    void LookDownAt(float x, float y, float height)
    {
        camera->SetLocalTransform(CMatrix(CVector4(1, 0, 0, 0), CVector4(0, 0, 1, 0), CVector4(0, 0, -1, 0),
                                          CVector4(x, y, height, 1)));
        Qen::CCamera* view = camera->GetCamera();
        view->SetUpVector(CVector3(0, 1, 0));
        view->aspectRatio = static_cast<float>(headWidth) / static_cast<float>(headHeight);
        view->fieldOfView = 0.9f;
    }

    // One frame of the renderer into the head's back buffer; its pixels, written as a picture when named.
    std::vector<std::uint32_t> Frame(const char* picture = nullptr)
    {
        controller.GetHeads()[0]->BeginFrame();
        EXPECT_EQ(Ok, device->BeginScene());
        shadowSeen = renderer->GetShadowTexture();
        renderer->Render();
        return EndDrawing(picture);
    }

    // Where a world point lands in the frame.
    std::uint32_t At(const std::vector<std::uint32_t>& pixels, float x, float y, float z) const
    {
        CVector4 clip;
        BaseLib::TransformVector4(clip, CVector4(x, y, z, 1.0f), camera->GetCamera()->viewProjection);
        const auto px = static_cast<int>((clip.x / clip.w * 0.5f + 0.5f) * static_cast<float>(headWidth));
        const auto py = static_cast<int>((0.5f - clip.y / clip.w * 0.5f) * static_cast<float>(headHeight));
        EXPECT_TRUE(px >= 0 && py >= 0 && px < headWidth && py < headHeight) << x << ", " << y;
        return pixels[static_cast<std::size_t>(py * headWidth + px)];
    }

    std::unique_ptr<GameLib::CSceneManager> scene;
    GameLib::CCameraNode* camera = nullptr;
    std::unique_ptr<CQuarrowRenderer> renderer;
    const Qen::CTexture* shadowSeen = nullptr;
};

std::vector<std::string> Techniques(const std::vector<PassRecord>& records)
{
    std::vector<std::string> names;
    for (const PassRecord& record : records)
    {
        names.push_back(record.technique);
    }
    return names;
}

// --- Batches, on a light table of four ------------------------------------------------------------

TEST_F(RendererTest, TwoLightsDrawTheirShadowMapsIntoTheOneTextureAndOneLightPass)
{
    UseSharedEffect(kFourLights);
    StartRenderer();
    Light(CVector3(1, 0, -2), CVector3(0.5f, 0.25f, 0.125f), true);
    Light(CVector3(-1, 0, -2), CVector3(0.25f, 0.5f, 1.0f), true);
    RecordingNode* node = Recorder(3);
    LookDownAt(2.5f, -2.5f, 12.0f);
    Frame();

    const std::vector<PassRecord>& r = node->records;
    ASSERT_EQ((std::vector<std::string>{"ambientpass", "shadowmap", "shadowmap", "lightpass"}),
              Techniques(r));
    EXPECT_FALSE(r[0].intoShadowMap);
    EXPECT_TRUE(r[1].intoShadowMap);
    EXPECT_TRUE(r[2].intoShadowMap);
    EXPECT_FALSE(r[3].intoShadowMap) << "the head's target is bound again for the light pass";
    EXPECT_EQ(0, r[1].lightIndex);
    EXPECT_EQ(1, r[2].lightIndex);
    // The frame's clear, then the shadow colour once and the depth once per light.
    EXPECT_EQ(r[0].clears + 2, r[1].clears);
    EXPECT_EQ(r[1].clears + 1, r[2].clears);
    EXPECT_EQ(r[2].clears, r[3].clears);
    EXPECT_EQ(2, r[3].numLights);
    EXPECT_TRUE(r[3].shadowTextureBound);
    EXPECT_EQ(renderer->GetShadowTexture()->GetTexture(), r[3].shadowTexture);
    EXPECT_EQ((std::array<float, 4>{0.5f, 0.25f, 0.125f, 0.0f}), r[3].colours[0]);
    EXPECT_EQ((std::array<float, 4>{0.25f, 0.5f, 1.0f, 0.0f}), r[3].colours[1]);

    // Between frames the pool holds no shadow texture, and the renderer no target or depth surface.
    BaseTexture* bound = nullptr;
    controller.GetMaterialFactory()->GetSharedEffect()->GetEffect()->GetTexture("c_tShadowMap", &bound);
    EXPECT_EQ(nullptr, bound);
    Surface* backBuffer = nullptr;
    Surface* depth = nullptr;
    ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, 0, &backBuffer));
    ASSERT_EQ(Ok, device->GetDepthStencilSurface(&depth));
    const std::uint32_t backCount = backBuffer->AddRef() - 1;
    backBuffer->Release();
    const std::uint32_t depthCount = depth->AddRef() - 1;
    depth->Release();
    Frame();
    EXPECT_EQ(backCount, backBuffer->AddRef() - 1);
    backBuffer->Release();
    EXPECT_EQ(depthCount, depth->AddRef() - 1);
    depth->Release();
    backBuffer->Release();
    depth->Release();
    Surface* shadowDepth = renderer->GetShadowDepthSurface()->GetSurface();
    EXPECT_EQ(2u, shadowDepth->AddRef()) << "the surface resource's reference and this one";
    shadowDepth->Release();
}

TEST_F(RendererTest, LightsGoInBatchesOfTheTablesSizeAndALightWithoutShadowKeepsItsIndex)
{
    UseSharedEffect(kFourLights);
    StartRenderer();
    const bool shadowFlags[5] = {true, false, true, true, true};
    for (int i = 0; i < 5; ++i)
    {
        Light(CVector3(0.1f * static_cast<float>(i), 0.2f, -1),
              CVector3(0.1f * static_cast<float>(i + 1), 0, 0), shadowFlags[i]);
    }
    RecordingNode* node = Recorder(3);
    LookDownAt(2.5f, -2.5f, 12.0f);
    Frame();

    const std::vector<PassRecord>& r = node->records;
    ASSERT_EQ((std::vector<std::string>{"ambientpass", "shadowmap", "shadowmap", "shadowmap", "lightpass",
                                        "shadowmap", "lightpass"}),
              Techniques(r));
    // The second light casts no shadow but keeps index 1: the lights after it are 2 and 3.
    EXPECT_EQ(0, r[1].lightIndex);
    EXPECT_EQ(2, r[2].lightIndex);
    EXPECT_EQ(3, r[3].lightIndex);
    EXPECT_EQ(4, r[4].numLights);
    for (int k = 0; k < 4; ++k)
    {
        EXPECT_FLOAT_EQ(0.1f * static_cast<float>(k + 1), r[4].colours[static_cast<std::size_t>(k)][0]) << k;
    }
    // The second batch: the fifth light alone, at index 0.
    EXPECT_EQ(0, r[5].lightIndex);
    EXPECT_EQ(r[4].clears + 2, r[5].clears) << "its batch clears the colour once and the depth once";
    EXPECT_EQ(1, r[6].numLights);
    EXPECT_FLOAT_EQ(0.5f, r[6].colours[0][0]);
}

TEST_F(RendererTest, PassesDrawOnlyTheNodesWhoseFlagsMeetTheirMask)
{
    UseSharedEffect(kFourLights);
    StartRenderer();
    Light(CVector3(0, 0, -1), CVector3(1, 1, 1), true);
    RecordingNode* shadowOnly = Recorder(2);
    RecordingNode* litOnly = Recorder(1);
    RecordingNode* both = Recorder(3);
    RecordingNode* hidden = Recorder(0);
    LookDownAt(2.5f, -2.5f, 12.0f);
    Frame();
    EXPECT_EQ((std::vector<std::string>{"shadowmap"}), Techniques(shadowOnly->records));
    EXPECT_EQ((std::vector<std::string>{"ambientpass", "lightpass"}), Techniques(litOnly->records));
    EXPECT_EQ((std::vector<std::string>{"ambientpass", "shadowmap", "lightpass"}), Techniques(both->records));
    EXPECT_TRUE(hidden->records.empty());
}

struct LightTableCase
{
    const char* what;
    const char* shared; // null: no shared effect at all
    int lights;
    const char* trace; // empty: nothing traced
};

void PrintTo(const LightTableCase& c, std::ostream* out)
{
    *out << c.what;
}

class RendererLightTableTest : public RendererTest, public testing::WithParamInterface<LightTableCase>
{
};

TEST_P(RendererLightTableTest, WithoutALightTableOrWithoutLightsOnlyTheAmbientPassIsDrawn)
{
    const LightTableCase& c = GetParam();
    if (c.shared != nullptr)
    {
        UseSharedEffect(c.shared);
    }
    StartRenderer();
    for (int i = 0; i < c.lights; ++i)
    {
        Light(CVector3(0, 0, -1), CVector3(1, 1, 1), true);
    }
    RecordingNode* node = Recorder(3);
    LookDownAt(2.5f, -2.5f, 12.0f);
    Platform::DebugOutputCapture capture;
    Frame();
    Frame();
    EXPECT_EQ((std::vector<std::string>{"ambientpass", "ambientpass"}), Techniques(node->records));
    const std::string text = capture.Text();
    if (*c.trace == '\0')
    {
        EXPECT_EQ("", text);
    }
    else
    {
        EXPECT_NE(std::string::npos, text.find(c.trace)) << text;
        EXPECT_EQ(1, std::count(text.begin(), text.end(), '\n')) << "traced once: " << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RendererLightTableTest,
    testing::Values(LightTableCase{"NoLights", kFourLights, 0, ""},
                    LightTableCase{"NoSharedEffect", nullptr, 2, "no shared effect"},
                    LightTableCase{"TableIsNoArray", "shared float4 c_axLights;\n", 2, "is no array"},
                    LightTableCase{"NoTable", "shared float4 c_vOther;\n", 2, "has no \"c_axLights\""}),
    [](const testing::TestParamInfo<LightTableCase>& info) { return std::string(info.param.what); });

TEST_F(RendererTest, WithShadowsOffNoTargetIsSwitchedAndTheLightPassSamplesOneWhiteTexel)
{
    UseSharedEffect(kFourLights);
    StartRenderer(false);
    ASSERT_EQ(nullptr, renderer->GetShadowDepthSurface());
    Texture* white = static_cast<Texture*>(renderer->GetShadowTexture()->GetTexture());
    SurfaceDesc desc;
    ASSERT_EQ(Ok, white->GetLevelDesc(0, &desc));
    EXPECT_EQ(1u, desc.Width);
    EXPECT_EQ(1u, desc.Height);
    Surface* texel = nullptr;
    ASSERT_EQ(Ok, white->GetSurfaceLevel(0, &texel));
    std::vector<std::uint32_t> pixels;
    ASSERT_EQ(Ok, device->ReadPixels(texel, pixels));
    texel->Release();
    EXPECT_EQ((std::vector<std::uint32_t>{0xFFFFFFFFu}), pixels);

    Light(CVector3(1, 0, -2), CVector3(1, 1, 1), true);
    RecordingNode* node = Recorder(3);
    LookDownAt(2.5f, -2.5f, 12.0f);
    Frame();
    ASSERT_EQ((std::vector<std::string>{"ambientpass", "lightpass"}), Techniques(node->records));
    EXPECT_EQ(node->records[0].clears, node->records[1].clears) << "no shadow clears";
    EXPECT_EQ(white, node->records[1].shadowTexture);

    // Switched on again: the render-target texture and its depth surface.
    renderer->SetShadowsEnabled(true);
    ASSERT_NE(nullptr, renderer->GetShadowDepthSurface());
    ASSERT_EQ(Ok, static_cast<Texture*>(renderer->GetShadowTexture()->GetTexture())->GetLevelDesc(0, &desc));
    EXPECT_EQ(CQuarrowRenderer::kShadowMapSize, desc.Width);
    EXPECT_EQ(Usage::RenderTarget, desc.Usage & Usage::RenderTarget);
    EXPECT_EQ(1u, renderer->GetShadowTexture()->GetTexture()->GetLevelCount());
}

TEST_F(RendererTest, AStaticModelIsDrawnInEveryPassWhileInViewAndInNoneOutside)
{
    UseSharedEffect();
    StartRenderer();
    Light(CVector3(1, 0, -2), CVector3(1, 1, 1), true);
    constexpr float lo[3] = {-0.5f, -0.5f, 0.0f};
    constexpr float hi[3] = {0.5f, 0.5f, 1.0f};
    constexpr float red[3] = {0.9f, 0.2f, 0.2f};
    GameLib::CModelNode* box = Box("box.x", lo, hi, red, 3, CVector3(2.5f, -2.5f, 0.0f));
    RecordingNode* node = Recorder(3); // after the box: it sees the draws the box made in its pass
    LookDownAt(2.5f, -2.5f, 12.0f);
    Frame();
    ASSERT_EQ((std::vector<std::string>{"ambientpass", "shadowmap", "lightpass"}), Techniques(node->records));
    std::uint64_t before = 0;
    for (const PassRecord& r : node->records)
    {
        EXPECT_GT(r.draws, before) << r.technique << ": the box in view is drawn";
        before = r.draws;
    }

    // Moved far outside the camera's view and the scene box: culled in every pass.
    static_cast<GameLib::CTransformNode*>(box->GetParent())
        ->SetLocalTransform(CMatrix(CVector4(1, 0, 0, 0), CVector4(0, 1, 0, 0), CVector4(0, 0, 1, 0),
                                    CVector4(300.0f, 300.0f, 0.0f, 1.0f)));
    node->records.clear();
    Frame();
    ASSERT_EQ(3u, node->records.size());
    EXPECT_EQ(node->records[0].draws, node->records[2].draws) << "nothing drawn in any pass";
}

// --- The light's volume ---------------------------------------------------------------------------

TEST(RendererLightMatrices, ALightStraightDownLooksFromTheTopFaceAlongTheBoardsAxes)
{
    CQuarrowRenderer renderer;
    CMatrix view;
    CMatrix projection;
    ASSERT_TRUE(renderer.ComputeLightMatrices(CVector3(0, 0, -1), view, projection));
    CMatrix light;
    view.GetInverse(light);
    // Rows of the light's frame: X, u, d, then the point on the top face above the box's centre.
    const float expected[4][3] = {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}, {3.0f, -2.5f, 1.6f}};
    for (int row = 0; row < 4; ++row)
    {
        for (int column = 0; column < 3; ++column)
        {
            EXPECT_NEAR(expected[row][column], light.m[row][column], 1e-5f) << row << ", " << column;
        }
    }
}

TEST(RendererLightMatrices, TheGrownSceneBoxFillsTheLightsVolumeExactlyForEveryBoxAndDirection)
{
    const struct
    {
        const char* box;
        CVector3 lo;
        CVector3 hi;
    } boxes[] = {{"starting box", {-0.5f, -5.5f, 0.0f}, {6.5f, 0.5f, 1.5f}},
                 {"6 x 6", {-1.5f, -6.5f, 0.0f}, {6.5f, 1.5f, 2.7f}},
                 {"8 x 6", {-2.5f, -6.5f, 0.0f}, {7.5f, 1.5f, 2.7f}},
                 {"8 x 4", {-2.5f, -5.5f, 0.0f}, {7.5f, 0.5f, 2.7f}}};
    const CVector3 directions[] = {
        {0, 0, -1}, {1, 0, 0}, {0.3f, 0.2f, -1}, {-0.5f, 0.4f, -0.7f}, {0, 1, -0.2f}};
    for (const auto& b : boxes)
    {
        CQuarrowRenderer renderer;
        renderer.SetSceneBounds(b.lo.x, b.lo.y, b.lo.z, b.hi.x, b.hi.y, b.hi.z);
        for (const CVector3& d : directions)
        {
            SCOPED_TRACE(std::string(b.box) + ", direction " + std::to_string(d.x) + " " +
                         std::to_string(d.y) + " " + std::to_string(d.z));
            CMatrix view;
            CMatrix projection;
            ASSERT_TRUE(renderer.ComputeLightMatrices(d, view, projection));
            const CMatrix toClip = view * projection;
            float reachX = 0.0f;
            float reachY = 0.0f;
            for (int corner = 0; corner < 8; ++corner)
            {
                const CVector3 p((corner & 1) != 0 ? b.hi.x + 0.1f : b.lo.x - 0.1f,
                                 (corner & 2) != 0 ? b.hi.y + 0.1f : b.lo.y - 0.1f,
                                 (corner & 4) != 0 ? b.hi.z + 0.1f : b.lo.z - 0.1f);
                CVector4 clip;
                BaseLib::TransformVector4(clip, CVector4(p, 1.0f), toClip);
                EXPECT_LE(std::fabs(clip.x), 1.0f + 1e-4f) << "corner " << corner;
                EXPECT_LE(std::fabs(clip.y), 1.0f + 1e-4f) << "corner " << corner;
                EXPECT_GE(clip.z, -1e-4f) << "corner " << corner;
                EXPECT_LE(clip.z, 1.0f + 1e-4f) << "corner " << corner;
                reachX = std::max(reachX, std::fabs(clip.x));
                reachY = std::max(reachY, std::fabs(clip.y));
            }
            EXPECT_NEAR(1.0f, reachX, 1e-4f) << "the volume is tight across";
            EXPECT_NEAR(1.0f, reachY, 1e-4f) << "the volume is tight up";
        }
    }
}

TEST(RendererLightMatrices, AZeroOrNonFiniteDirectionHasNoVolume)
{
    CQuarrowRenderer renderer;
    CMatrix view;
    CMatrix projection;
    for (const CVector3& d : {CVector3(0, 0, 0), CVector3(NAN, 0, -1), CVector3(INFINITY, 0, -1)})
    {
        EXPECT_FALSE(renderer.ComputeLightMatrices(d, view, projection)) << d.x << " " << d.y << " " << d.z;
    }
}

TEST_F(RendererTest, ALightWithoutADirectionKeepsItsPlaceAddsNothingAndIsTracedOnce)
{
    UseSharedEffect(kFourLights);
    StartRenderer();
    Light(CVector3(1, 0, -2), CVector3(0.5f, 0.5f, 0.5f), true);
    Light(CVector3(0, 0, 0), CVector3(1, 1, 1), true);
    Light(CVector3(-1, 0, -2), CVector3(0.25f, 0.25f, 0.25f), true);
    RecordingNode* node = Recorder(3);
    LookDownAt(2.5f, -2.5f, 12.0f);
    Platform::DebugOutputCapture capture;
    Frame();
    Frame();
    const std::vector<PassRecord>& r = node->records;
    ASSERT_EQ((std::vector<std::string>{"ambientpass", "shadowmap", "shadowmap", "lightpass", "ambientpass",
                                        "shadowmap", "shadowmap", "lightpass"}),
              Techniques(r));
    EXPECT_EQ(0, r[1].lightIndex);
    EXPECT_EQ(2, r[2].lightIndex);
    EXPECT_EQ(3, r[3].numLights);
    EXPECT_EQ((std::array<float, 4>{0, 0, 0, 0}), r[3].colours[1]);
    EXPECT_EQ((std::array<float, 4>{0.25f, 0.25f, 0.25f, 0}), r[3].colours[2]);
    const std::string text = capture.Text();
    EXPECT_EQ(1, std::count(text.begin(), text.end(), '\n')) << text;
}

// --- Pictures with the committed effects ------------------------------------------------------------

// A 6 × 6 board of light grey, its top at z = 0, that casts no shadow, and one block of one cell, one
// unit high, on the cell (2, −2) that does.
constexpr float kBoardGrey[3] = {0.8f, 0.8f, 0.8f};
constexpr float kBlockLo[3] = {-0.5f, -0.5f, 0.0f};
constexpr float kBlockHi[3] = {0.5f, 0.5f, 1.0f};
constexpr float kBlockRed[3] = {0.9f, 0.25f, 0.2f};

class RendererPictureTest : public RendererTest
{
protected:
    void SetUp() override
    {
        RendererTest::SetUp();
        if (HasFatalFailure())
        {
            return;
        }
        UseSharedEffect();
    }

    void Board(int width, int height)
    {
        const float lo[3] = {-0.5f, 0.5f - static_cast<float>(height), -0.3f};
        const float hi[3] = {static_cast<float>(width) - 0.5f, 0.5f, 0.0f};
        Box("board.x", lo, hi, kBoardGrey, 1);
        const auto w = static_cast<float>(width);
        const auto h = static_cast<float>(height);
        renderer->SetSceneBounds(1.5f - w / 2.0f, -3.5f - h / 2.0f, 0.0f, w / 2.0f + 3.5f, h / 2.0f - 1.5f,
                                 2.7f);
    }

    void Block(float x, float y) { Box("block.x", kBlockLo, kBlockHi, kBlockRed, 3, CVector3(x, y, 0.0f)); }

    // The board point that the shadow of the block's top edge falls nearest to, along the light (a unit
    // block's shadow reaches height × slope past its face), and its mirror on the other side.
    static CVector3 ShadowPoint(const CVector3& block, const CVector3& d)
    {
        const float along =
            0.5f + 0.5f * std::fabs(d.x / d.z); // half the block, then half the shadow's length
        return CVector3(block.x + (d.x > 0 ? along : -along), block.y, 0.0f);
    }
};

TEST_F(RendererPictureTest, ABlockCastsItsShadowWhereItsLightFallsAndNotWithoutIt)
{
    StartRenderer();
    Board(6, 6);
    Block(2.0f, -2.0f);
    const CVector3 d(1, 0, -2);
    GameLib::CLightSourceNode* light = Light(d, CVector3(1, 1, 1), true);
    LookDownAt(2.5f, -2.5f, 9.0f);
    const CVector3 shadow = ShadowPoint(CVector3(2, -2, 0), d);
    const CVector3 mirror(4.0f - shadow.x, shadow.y, 0.0f);

    const std::vector<std::uint32_t> lit = Frame("renderer_shadow.png");
    EXPECT_LE(Brightness(At(lit, shadow.x, shadow.y, 0)) * 5, Brightness(At(lit, mirror.x, mirror.y, 0)) * 4)
        << "the shadow is darker by at least a fifth";
    EXPECT_EQ(0x7F7F7Fu, lit[0] & 0xFFFFFFu) << "a corner without geometry keeps the clear colour";

    const auto same = [&](const std::vector<std::uint32_t>& frame, const char* what) {
        const std::uint32_t a = At(frame, shadow.x, shadow.y, 0);
        const std::uint32_t b = At(frame, mirror.x, mirror.y, 0);
        for (int channel = 0; channel < 24; channel += 8)
        {
            EXPECT_NEAR((a >> channel) & 0xFF, (b >> channel) & 0xFF, 3) << what;
        }
    };
    light->GetLight()->castsShadows = false;
    same(Frame("renderer_no_shadow_flag.png"), "the light's shadow flag off");
    light->GetLight()->castsShadows = true;
    renderer->SetShadowsEnabled(false);
    same(Frame("renderer_shadows_off.png"), "shadows disabled");
}

TEST_F(RendererPictureTest, TwoLightsFromOppositeSidesCastTwoShadows)
{
    StartRenderer();
    Board(6, 6);
    Block(2.0f, -2.0f);
    const CVector3 east(1, 0, -2);
    const CVector3 west(-1, 0, -2);
    Light(east, CVector3(0.4f, 0.4f, 0.4f), true);
    Light(west, CVector3(0.4f, 0.4f, 0.4f), true);
    LookDownAt(2.5f, -2.5f, 9.0f);
    const std::vector<std::uint32_t> frame = Frame("renderer_two_lights.png");
    const int open = Brightness(At(frame, 2.0f, -3.25f, 0)); // south of the block, lit by both
    for (const CVector3& d : {east, west})
    {
        const CVector3 p = ShadowPoint(CVector3(2, -2, 0), d);
        EXPECT_LE(Brightness(At(frame, p.x, p.y, 0)) * 5, open * 4) << "shadow at x = " << p.x;
    }
}

TEST_F(RendererPictureTest, AFourthLightInTheSecondBatchStillCastsItsShadow)
{
    StartRenderer();
    Board(6, 6);
    Block(2.0f, -2.0f);
    for (int i = 0; i < 3; ++i)
    {
        Light(CVector3(0, 0, -1), CVector3(0.1f, 0.1f, 0.1f), false);
    }
    const CVector3 d(-1, 0, -2);
    Light(d, CVector3(0.8f, 0.8f, 0.8f), true);
    LookDownAt(2.5f, -2.5f, 9.0f);
    const std::vector<std::uint32_t> frame = Frame("renderer_second_batch.png");
    const CVector3 shadow = ShadowPoint(CVector3(2, -2, 0), d);
    const CVector3 mirror(4.0f - shadow.x, shadow.y, 0.0f);
    EXPECT_LE(Brightness(At(frame, shadow.x, shadow.y, 0)) * 5,
              Brightness(At(frame, mirror.x, mirror.y, 0)) * 4);
}

TEST_F(RendererPictureTest, ABlockInTheLastColumnOfAnEightByFourBoardKeepsItsShadow)
{
    StartRenderer();
    Board(8, 4);
    Block(7.0f, -1.0f);
    const CVector3 d(-1, 0, -2);
    Light(d, CVector3(1, 1, 1), true);
    LookDownAt(3.5f, -1.5f, 9.0f);
    const std::vector<std::uint32_t> frame = Frame("renderer_long_board.png");
    const CVector3 shadow = ShadowPoint(CVector3(7, -1, 0), d);
    // Beside the shadow in the same column, lit.
    EXPECT_LE(Brightness(At(frame, shadow.x, shadow.y, 0)) * 5,
              Brightness(At(frame, shadow.x, -2.25f, 0)) * 4);
}

TEST_F(RendererPictureTest, AfterADeviceResetTheFrameIsTheSameWithANewShadowTexture)
{
    StartRenderer();
    Board(6, 6);
    Block(2.0f, -2.0f);
    Light(CVector3(1, 0, -2), CVector3(1, 1, 1), true);
    LookDownAt(2.5f, -2.5f, 9.0f);
    const std::vector<std::uint32_t> before = Frame();
    device->SimulateDeviceLoss(1);
    EXPECT_NE(Ok, device->TestCooperativeLevel());
    // The factories drop the device objects at the loss and make new ones at the reset.
    LoseAndResetDevice([&] {
        EXPECT_EQ(nullptr, renderer->GetShadowTexture()->GetTexture());
        EXPECT_EQ(nullptr, renderer->GetShadowDepthSurface()->GetSurface());
    });
    ASSERT_FALSE(HasFatalFailure()) << "the reset found no reference held outside the device";
    ASSERT_NE(nullptr, renderer->GetShadowTexture()->GetTexture());
    const std::vector<std::uint32_t> after = Frame("renderer_after_reset.png");
    ASSERT_EQ(before.size(), after.size());
    int worst = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
    {
        for (int channel = 0; channel < 24; channel += 8)
        {
            worst = std::max(worst, std::abs(static_cast<int>((before[i] >> channel) & 0xFF) -
                                             static_cast<int>((after[i] >> channel) & 0xFF)));
        }
    }
    EXPECT_LE(worst, 3);
}

} // namespace
