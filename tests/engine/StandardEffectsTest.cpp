#include "tests/engine/ResourceFixture.h"

#include "engine/Camera.h"
#include "engine/DeviceStateMgr.h"
#include "engine/EffectShader.h"
#include "engine/MaterialFactory.h"
#include "engine/Model.h"
#include "engine/ModelFactory.h"
#include "engine/ModelLoadOptions.h"
#include "engine/VertexElements.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/gfxkit/effect/Effect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

// The engine's standard effects in media/shader/ and the test models drawn with them through the whole
// model chain: X file, model factory, preparation, finishing, animation, drawing.
namespace EngineTesting
{
namespace
{

using BaseLib::CResourcePtr;
using Qen::CEffectShader;
using Qen::CMaterial;
using Qen::CModel;
using Qen::Matrix;

struct Colour
{
    int r = 0;
    int g = 0;
    int b = 0;
};

Colour ColourOf(std::uint32_t pixel)
{
    return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
            static_cast<int>(pixel & 0xFF)};
}

int Brightness(const Colour& c)
{
    return c.r + c.g + c.b;
}

// The standard effects behind "shader" and "xfl-shader", the test models and their textures behind
// "models" and "xfl-texture", a render context, and a head of 320 × 240.
class StandardEffectsTest : public ResourceFixture
{
protected:
    StandardEffectsTest()
    {
        headWidth = 320;
        headHeight = 240;
    }

    void SetUp() override
    {
        ResourceFixture::SetUp();
        BaseLib::CPathAliases& aliases = controller.GetPathAliases();
        aliases.RegisterPathAlias("shader", QUARROW_MEDIA_DIR "/shader");
        aliases.RegisterPathAlias("xfl-shader", QUARROW_MEDIA_DIR "/shader");
        aliases.RegisterPathAlias("xfl-texture", QUARROW_TEST_DATA_DIR);
        aliases.RegisterPathAlias("models", QUARROW_TEST_DATA_DIR);
        context = Qen::CRenderContext::Create();
        context->engine = &controller;
    }

    void TearDown() override
    {
        context = nullptr;
        ResourceFixture::TearDown();
    }

    CResourcePtr<CModel> Model(const char* file)
    {
        options = Qen::CModelLoadOptions();
        CResourcePtr<CModel> model = controller.GetModelFactory()->GetModel(&options, std::string("models>") + file, false);
        EXPECT_TRUE(model && model->GetState() == BaseLib::ResourceLoaded) << file;
        EXPECT_TRUE(boxes.empty()) << boxes.front();
        return model;
    }

    // A camera at `eye` looking at `target`; its matrices go into the context.
    void LookAt(const BaseLib::CVector3& eye, const BaseLib::CVector3& target)
    {
        Qen::CCamera camera;
        camera.position = eye;
        const BaseLib::CVector3 d{target.x - eye.x, target.y - eye.y, target.z - eye.z};
        const float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        camera.forward = {d.x / length, d.y / length, d.z / length};
        camera.aspectRatio = static_cast<float>(headWidth) / static_cast<float>(headHeight);
        camera.fieldOfView = 0.8f;
        camera.Update();
        context->view = camera.view;
        context->inverseView = camera.view.GetRigidInverse();
        context->projection = camera.projection;
        context->viewProjection = camera.viewProjection;
    }

    void SetLight(float x, float y, float z)
    {
        const float length = std::sqrt(x * x + y * y + z * z);
        context->lightDirection = {x / length, y / length, z / length};
    }

    // Where a point of the world lands on the back buffer (pixel column and row).
    std::pair<int, int> Project(float x, float y, float z) const
    {
        const BaseLib::CMatrix& m = context->viewProjection;
        float clip[4];
        for (int c = 0; c < 4; ++c)
        {
            clip[c] = x * m.m[0][c] + y * m.m[1][c] + z * m.m[2][c] + m.m[3][c];
        }
        const float column = (clip[0] / clip[3] + 1.0f) * 0.5f * static_cast<float>(headWidth);
        const float row = (1.0f - clip[1] / clip[3]) * 0.5f * static_cast<float>(headHeight);
        return {static_cast<int>(std::lround(column)), static_cast<int>(std::lround(row))};
    }

    // One frame with the model at the identity; the back buffer's pixels, written as a picture when a
    // name is given.
    std::vector<std::uint32_t> Draw(CModel& model, const char* picture = nullptr)
    {
        controller.GetHeads()[0]->BeginFrame();
        EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF202020, 1.0f, 0));
        EXPECT_EQ(Ok, device->BeginScene());
        model.Render(context.Get(), Matrix{});
        return EndDrawing(picture);
    }

    Colour At(const std::vector<std::uint32_t>& pixels, std::pair<int, int> place) const
    {
        const int x = std::clamp(place.first, 0, headWidth - 1);
        const int y = std::clamp(place.second, 0, headHeight - 1);
        return ColourOf(pixels[static_cast<std::size_t>(y * headWidth + x)]);
    }

    // Whether a pixel within `reach` of the place passes the test.
    template <typename Test>
    bool FoundNear(const std::vector<std::uint32_t>& pixels, std::pair<int, int> place, int reach, Test test) const
    {
        for (int dy = -reach; dy <= reach; ++dy)
        {
            for (int dx = -reach; dx <= reach; ++dx)
            {
                if (test(At(pixels, {place.first + dx, place.second + dy})))
                {
                    return true;
                }
            }
        }
        return false;
    }

    // The device lost and reset between frames, with the events in the run loop's orders.
    void LoseAndResetEverything()
    {
        device->SimulateDeviceLoss(0);
        ASSERT_EQ(DeviceNotReset, device->TestCooperativeLevel());
        for (Qen::CDisplayHead* head : controller.GetHeads())
        {
            head->AttachSwapChain(nullptr);
        }
        for (int registry = 0; registry < Qen::EngineRegistryCount; ++registry)
        {
            if (BaseLib::CResourceRegistry* r = controller.GetRegistry(static_cast<Qen::EngineRegistry>(registry)))
            {
                r->SendEvent("devicelost");
            }
        }
        controller.GetStateManager()->InvalidateCache();
        ASSERT_EQ(Ok, device->Reset(settings.records));
        SwapChain* swapChain = nullptr;
        ASSERT_EQ(Ok, device->GetSwapChain(0, &swapChain));
        controller.GetHeads()[0]->AttachSwapChain(swapChain);
        swapChain->Release();
        for (int registry = 0; registry < Qen::EngineRegistryCount; ++registry)
        {
            if (BaseLib::CResourceRegistry* r = controller.GetRegistry(static_cast<Qen::EngineRegistry>(registry)))
            {
                r->SendEvent("devicereset");
            }
        }
        ASSERT_EQ(Ok, device->TestCooperativeLevel());
    }

    // Both standard effects compile without a message, declare every engine parameter and both
    // techniques, give materials exactly the colour parameters (and the diffuse map when textured), and
    // keep the register image and the palette within the device's vertex constants.
    void CheckStandardEffects(std::uint32_t constants, std::uint32_t paletteSize)
    {
        const char* macro = nullptr;
        for (std::size_t i = 0; i + 1 < controller.GetMaterialFactory()->GetShaderMacroCount(); ++i)
        {
            if (std::string(controller.GetMaterialFactory()->GetShaderMacros()[i].Name) == "MAXVERTEXSHADERCONST")
            {
                macro = controller.GetMaterialFactory()->GetShaderMacros()[i].Definition;
            }
        }
        ASSERT_NE(nullptr, macro);
        ASSERT_EQ(std::to_string(constants), macro);

        const struct
        {
            const char* file;
            std::vector<std::string> rows;
        } effects[] = {{"std_default.fx",
                        {"c_vMaterialAmbient", "c_vMaterialDiffuse", "c_vMaterialSpecular", "c_vMaterialEmissive",
                         "c_fSpecularPower", "c_tDiffuseMap"}},
                       {"std_untextured.fx",
                        {"c_vMaterialAmbient", "c_vMaterialDiffuse", "c_vMaterialSpecular", "c_vMaterialEmissive",
                         "c_fSpecularPower"}}};
        for (const auto& e : effects)
        {
            CResourcePtr<CMaterial> material;
            controller.GetMaterialFactory()->GetMaterial(std::string("shader>") + e.file, material, false);
            ASSERT_TRUE(material && material->GetEffectShader() != nullptr) << e.file;
            EXPECT_TRUE(boxes.empty()) << boxes.front();
            const CEffectShader& shader = *material->GetEffectShader();
            for (int h = 0; h < CEffectShader::SemanticHandleCount; ++h)
            {
                if (h != CEffectShader::WorldView)
                {
                    EXPECT_NE(nullptr, shader.GetSemanticHandle(static_cast<CEffectShader::SemanticHandle>(h)))
                        << e.file << " semantic " << h;
                }
            }
            for (CEffectShader::NamedHandle h : {CEffectShader::NumBonesPerVertex, CEffectShader::LightDir,
                                                 CEffectShader::Time})
            {
                EXPECT_NE(nullptr, shader.GetNamedHandle(h)) << e.file << " name " << h;
            }
            EXPECT_NE(nullptr, shader.GetStaticMeshTechnique()) << e.file;
            EXPECT_NE(nullptr, shader.GetSkinnedMeshTechnique()) << e.file;

            std::vector<std::string> rows;
            for (std::size_t i = 0; i < material->GetParameterCount(); ++i)
            {
                rows.push_back(material->GetParameterRow(i).name);
            }
            EXPECT_EQ(e.rows, rows) << e.file;
            const int diffuse = material->FindParameter("c_vMaterialDiffuse");
            ASSERT_GE(diffuse, 0);
            const auto* white = static_cast<const float*>(material->GetParameterRow(diffuse).value.Bytes());
            EXPECT_EQ((std::vector<float>{1, 1, 1, 1}), std::vector<float>(white, white + 4)) << e.file;

            Platform::GfxKit::Effect& effect = *shader.GetEffect();
            Platform::GfxKit::ParameterDesc palette;
            ASSERT_EQ(Ok, effect.GetParameterDesc(shader.GetSemanticHandle(CEffectShader::BoneMatrixPalette), &palette));
            EXPECT_EQ(paletteSize, palette.Elements) << e.file;
            EXPECT_LE(effect.Constants().registers, constants) << e.file;
        }
    }

    Qen::CModelLoadOptions options;
    BaseLib::CSmartPointer<Qen::CRenderContext> context;
};

TEST_F(StandardEffectsTest, BothEffectsCompileCleanlyAndDeclareWhatTheEngineSets)
{
    CheckStandardEffects(256, 26);
}

class FewConstantsTest : public StandardEffectsTest
{
protected:
    FewConstantsTest()
    {
        SimulatedAdapter adapter;
        adapter.maxVertexShaderConst = 128;
        simulated.push_back(adapter);
    }
};

TEST_F(FewConstantsTest, TheBonePaletteShrinksToFitTheVertexConstants)
{
    CheckStandardEffects(128, 18);
}

TEST_F(StandardEffectsTest, CrateIsTexturedLitAndShadedWithARedSide)
{
    const CResourcePtr<CModel> crate = Model("crate.x");
    ASSERT_TRUE(crate);
    const Qen::CMeshContainer* container = crate->GetFrameRoot()->FirstContainer();
    ASSERT_NE(nullptr, container);
    ASSERT_EQ(2u, container->NumMaterials);
    EXPECT_STREQ("xfl-shader>std_default.fx", container->pEffects[0].pEffectFilename);
    EXPECT_STREQ("xfl-shader>std_untextured.fx", container->pEffects[1].pEffectFilename);
    const int map = container->materials[0]->FindParameter("c_tDiffuseMap");
    ASSERT_GE(map, 0);
    EXPECT_NE(nullptr, container->materials[0]->GetParameterRow(map).value.Texture()) << "crate.tga loaded";

    // Seen from the front, above and to the left; the light comes from above-left and from behind the
    // crate: the top and the red left side are lit, the front gets only the ambient floor.
    LookAt({-3.0f, 3.2f, -4.5f}, {0.0f, 0.0f, 0.0f});
    SetLight(1.0f, -1.6f, -0.4f);
    const std::vector<std::uint32_t> pixels = Draw(*crate, "crate.png");

    // The texture's two tones show on the lit top: bright and dark squares near the middle, where
    // four squares of the 16-texel checker meet.
    const auto tones = [&](float cx, float cy, float cz, float ux, float uy, float uz, float vx, float vy,
                           float vz) {
        int brightest = 0;
        int darkest = 3 * 255;
        for (float s = -0.3f; s <= 0.3f; s += 0.05f)
        {
            for (float t = -0.3f; t <= 0.3f; t += 0.05f)
            {
                const int b = Brightness(
                    At(pixels, Project(cx + s * ux + t * vx, cy + s * uy + t * vy, cz + s * uz + t * vz)));
                brightest = std::max(brightest, b);
                darkest = std::min(darkest, b);
            }
        }
        return std::pair<int, int>{brightest, darkest};
    };
    const auto [topBright, topDark] = tones(0, 1, 0, 1, 0, 0, 0, 0, 1);
    EXPECT_GT(topBright, 2 * topDark) << "the checker shows on the lit top";
    const auto [frontBright, frontDark] = tones(0, 0, -1, 1, 0, 0, 0, 1, 0);
    EXPECT_GT(frontBright, frontDark + 20) << "and, darker, in the shade";
    EXPECT_LT(frontBright, topBright * 4 / 10) << "the shaded front is darker than the lit top";
    EXPECT_LT(frontDark, topDark * 4 / 10);
    EXPECT_NEAR(static_cast<float>(224 + 196 + 120) * 0.3f, static_cast<float>(frontBright), 12.0f)
        << "the ambient floor";

    // A light square of the top, lit: (224, 196, 120) × the Lambert term over the floor.
    const float lambert = 1.6f / std::sqrt(1.0f + 1.6f * 1.6f + 0.4f * 0.4f);
    const float light = 0.3f + 0.7f * lambert;
    EXPECT_NEAR(static_cast<float>(224 + 196 + 120) * light, static_cast<float>(topBright), 24.0f);

    // The left side: red, lit.
    const Colour red = At(pixels, Project(-1.0f, 0.0f, 0.0f));
    const float leftLight = 0.3f + 0.7f * (1.0f / std::sqrt(1.0f + 1.6f * 1.6f + 0.4f * 0.4f));
    EXPECT_NEAR(0.9f * 255.0f * leftLight, static_cast<float>(red.r), 6.0f);
    EXPECT_NEAR(0.1f * 255.0f * leftLight, static_cast<float>(red.g), 6.0f);
    EXPECT_NEAR(red.g, red.b, 2);

    // Around the crate: the background.
    const Colour outside = At(pixels, Project(0.0f, -2.5f, 0.0f));
    EXPECT_EQ(0x20, outside.r);
}

// A square facing -z, textured, without normals in the file.
constexpr const char* kSquareWithoutNormals = R"(xof 0303txt 0032
Mesh Square {
 4;
 -1;-1;0;, -1;1;0;, 1;1;0;, 1;-1;0;;
 1;
 4;0,1,2,3;;
 MeshTextureCoords { 4; 0;1;, 0;0;, 1;0;, 1;1;; }
 MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "crate.tga"; } } }
}
)";

TEST_F(StandardEffectsTest, MeshesWithoutNormalsGetThemComputedAndLit)
{
    WriteFile("square.x", kSquareWithoutNormals);
    const struct
    {
        std::string file;
        const char* effect;
        bool texCoords; // in the file; only the textured effect asks for them
    } cases[] = {{"models>walker.x", "xfl-shader>std_untextured.fx", false},
                 {(folder / "square.x").string(), "xfl-shader>std_default.fx", true}};
    for (const auto& c : cases)
    {
        options = Qen::CModelLoadOptions();
        const CResourcePtr<CModel> model = controller.GetModelFactory()->GetModel(&options, c.file, false);
        ASSERT_TRUE(model && model->GetFrameRoot() != nullptr) << c.file;
        int containers = 0;
        Qen::ForEachMeshContainer(model->GetFrameRoot(), [&](Qen::CMeshContainer& container) {
            ++containers;
            EXPECT_STREQ(c.effect, container.pEffects[0].pEffectFilename);
            VertexElement declaration[Qen::kVertexDeclarationRoom];
            Qen::ReadMeshDeclaration(*container.mesh, declaration);
            EXPECT_GE(Qen::FindVertexElement(declaration, DeclUsage::Normal, 0), 0) << c.file;
            EXPECT_EQ(c.texCoords, Qen::FindVertexElement(declaration, DeclUsage::TexCoord, 0) >= 0) << c.file;
        });
        EXPECT_GT(containers, 0) << c.file;
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front();

    // Lit head-on through the computed normals: a light square of the texture at its full colour.
    options = Qen::CModelLoadOptions();
    const CResourcePtr<CModel> square =
        controller.GetModelFactory()->GetModel(&options, (folder / "square.x").string(), false);
    LookAt({0.0f, 0.0f, -4.0f}, {0.0f, 0.0f, 0.0f});
    SetLight(0.0f, 0.0f, 1.0f);
    const Colour lit = At(Draw(*square), Project(-0.25f, 0.25f, 0.0f));
    EXPECT_NEAR(224, lit.r, 8);
    EXPECT_NEAR(196, lit.g, 8);
    EXPECT_NEAR(120, lit.b, 8);
}

TEST_F(StandardEffectsTest, ArmBendsAtTheElbowAndTheUpperArmStays)
{
    const CResourcePtr<CModel> arm = Model("arm.x");
    ASSERT_TRUE(arm);
    ASSERT_TRUE(arm->FindAnimation(".default"));
    EXPECT_FLOAT_EQ(1.0f, arm->GetAnimationLength(".default"));
    LookAt({2.0f, 1.0f, -9.0f}, {2.0f, 1.0f, 0.0f});
    SetLight(0.3f, -0.4f, 1.0f);

    arm->ApplyAnimation(".default", 0.0f);
    const std::vector<std::uint32_t> rest = Draw(*arm, "arm_rest.png");
    arm->ApplyAnimation(".default", 1.0f);
    const std::vector<std::uint32_t> bent = Draw(*arm, "arm_bent.png");
    EXPECT_NE(rest, bent);

    const auto yellow = [](const Colour& c) { return c.r > 120 && c.g > 100 && c.b < c.r / 3; };
    const auto blue = [](const Colour& c) { return c.b > 120 && c.r < c.b / 2; };
    // The hand segment's middle: 3.8 along the arm at rest; bent by 90° about z at the elbow (2, 0, 0),
    // it stands 1.8 above the elbow.
    EXPECT_TRUE(FoundNear(rest, Project(3.8f, 0.0f, -0.25f), 3, yellow)) << "the hand at rest";
    EXPECT_FALSE(FoundNear(rest, Project(2.0f, 1.8f, -0.25f), 3, yellow));
    EXPECT_TRUE(FoundNear(bent, Project(2.0f, 1.8f, -0.25f), 3, yellow)) << "the hand after the bend";
    EXPECT_FALSE(FoundNear(bent, Project(3.8f, 0.0f, -0.25f), 3, yellow));
    // The forearm's middle moved up too; the upper arm did not move.
    EXPECT_TRUE(FoundNear(bent, Project(2.0f, 1.0f, -0.25f), 1, blue));
    for (const float x : {0.2f, 0.8f, 1.4f})
    {
        EXPECT_TRUE(blue(At(rest, Project(x, 0.0f, -0.25f)))) << x;
        EXPECT_EQ(Brightness(At(rest, Project(x, 0.0f, -0.25f))), Brightness(At(bent, Project(x, 0.0f, -0.25f))))
            << x;
        EXPECT_FALSE(blue(At(bent, Project(x, 0.6f, -0.25f)))) << "nothing above the upper arm " << x;
    }
}

TEST_F(StandardEffectsTest, ADeviceLossAndResetLeaveThePictureAsItWas)
{
    const CResourcePtr<CModel> crate = Model("crate.x");
    const CResourcePtr<CModel> arm = Model("arm.x");
    ASSERT_TRUE(crate && arm);
    LookAt({-3.0f, 3.2f, -4.5f}, {0.0f, 0.0f, 0.0f});
    SetLight(1.0f, -1.6f, -0.4f);
    arm->ApplyAnimation(".default", 0.5f);
    const std::vector<std::uint32_t> before = Draw(*crate);
    const std::vector<std::uint32_t> armBefore = Draw(*arm);
    LoseAndResetEverything();
    EXPECT_EQ(before, Draw(*crate));
    EXPECT_EQ(armBefore, Draw(*arm));
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

} // namespace
} // namespace EngineTesting
