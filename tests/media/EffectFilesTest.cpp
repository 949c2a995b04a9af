#include "tests/media/SceneEffectsFixture.h"

#include "engine/Camera.h"
#include "engine/Model.h"
#include "engine/ModelFactory.h"
#include "engine/ModelLoadOptions.h"
#include "engine/TextureFactory.h"
#include "framework/ParticleSourceNode.h"
#include "platform/gfx/Texture.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/MessageBox.h"

#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

// The committed effect files: they compile on the device without a message, carry the techniques the
// renderer and the nodes select, keep the light table in the shared pool, and draw the particles.
namespace MediaTesting
{
namespace
{

using BaseLib::CResourcePtr;
using Platform::GfxKit::Effect;

class EffectFilesTest : public SceneEffectsFixture
{
protected:
    EffectFilesTest()
    {
        headWidth = 160;
        headHeight = 120;
    }

    std::string Macro(const char* name) const
    {
        const Qen::CMaterialFactory& factory = *controller.GetMaterialFactory();
        for (std::size_t i = 0; i + 1 < factory.GetShaderMacroCount(); ++i)
        {
            if (std::string(factory.GetShaderMacros()[i].Name) == name)
            {
                return factory.GetShaderMacros()[i].Definition;
            }
        }
        return "";
    }

    // Every effect file compiles through the material factory without a box, within the vertex
    // constants, with exactly the techniques of its row; a state-only technique's passes set no program.
    void CheckEveryEffectFile(const std::string& constants)
    {
        ASSERT_EQ(constants, Macro("MAXVERTEXSHADERCONST"));
        const std::vector<std::string> mesh = {"_staticmesh",           "_skinnedmesh",
                                               "ambientpass_staticmesh", "ambientpass_skinnedmesh",
                                               "lightpass_staticmesh",   "lightpass_skinnedmesh",
                                               "shadowmap_staticmesh",   "shadowmap_skinnedmesh"};
        const struct
        {
            std::vector<std::string> techniques;
            bool drawsItself; // its passes set both programs, else none
        } expected[] = {{{}, false},
                        {{"ambientpass_particlemesh", "lightpass_particlemesh"}, true},
                        {{"ambientpass", "lightpass", "shadowmap"}, false},
                        {mesh, true},
                        {mesh, true}};
        const std::vector<std::string> files = {"_shared.fx", "particles.fx", "scene.fx", "std_default.fx",
                                                "std_untextured.fx"};
        ASSERT_EQ(files, EffectFiles()) << "a new effect file gets its row here";
        for (std::size_t f = 0; f < files.size(); ++f)
        {
            const CResourcePtr<Qen::CMaterial> material = Material(files[f]);
            Effect* effect = EffectOf(material);
            ASSERT_NE(nullptr, effect) << files[f];
            EXPECT_EQ("", Boxes()) << files[f];
            EXPECT_LE(effect->Constants().registers, std::stoul(constants)) << files[f];

            std::vector<std::string> techniques;
            Platform::GfxKit::EffectDesc desc;
            ASSERT_EQ(Ok, effect->GetDesc(&desc));
            for (std::uint32_t t = 0; t < desc.Techniques; ++t)
            {
                Platform::GfxKit::TechniqueDesc technique;
                ASSERT_EQ(Ok, effect->GetTechniqueDesc(effect->GetTechnique(t), &technique));
                techniques.push_back(technique.Name);
                const auto& passes = effect->Source().techniques[t].passes;
                EXPECT_EQ(technique.Name == std::string("lightpass_particlemesh") ? 0u : 1u, passes.size())
                    << files[f] << " " << technique.Name;
                for (const auto& pass : passes)
                {
                    EXPECT_EQ(expected[f].drawsItself, pass.vertexProgram >= 0) << files[f] << " " << technique.Name;
                    EXPECT_EQ(expected[f].drawsItself, pass.fragmentProgram >= 0) << files[f] << " " << technique.Name;
                }
            }
            EXPECT_EQ(expected[f].techniques, techniques) << files[f];

            // The light table is the pool's: no material of any file carries a row of it.
            for (std::size_t i = 0; i < material->GetParameterCount(); ++i)
            {
                const std::string row = material->GetParameterRow(i).name;
                EXPECT_TRUE(row.rfind("c_axLights", 0) != 0 && row != "c_iLightIndex" && row != "c_iNumLights" &&
                            row != "c_tShadowMap")
                    << files[f] << " has the row " << row;
            }
        }
        // What the particle node's material is made with.
        const CResourcePtr<Qen::CMaterial> particles = Material("particles.fx");
        ASSERT_EQ(1u, particles->GetParameterCount());
        EXPECT_EQ("g_tTexture", particles->GetParameterRow(0).name);
    }
};

TEST_F(EffectFilesTest, EveryFileCompilesCleanlyWithItsTechniquesOnTheDevicesConstants)
{
    CheckEveryEffectFile("256");
}

class FewConstantsEffectFilesTest : public EffectFilesTest
{
protected:
    FewConstantsEffectFilesTest()
    {
        EngineTesting::SimulatedAdapter adapter;
        adapter.maxVertexShaderConst = 128;
        simulated.push_back(adapter);
    }
};

TEST_F(FewConstantsEffectFilesTest, EveryFileStillFitsWithHalfTheConstants)
{
    CheckEveryEffectFile("128");
}

TEST_F(EffectFilesTest, TheSharedPoolHoldsTheLightTableThatEveryMaterialSeesAfterItsApply)
{
    // A mesh material made before the pool (models may load first) and one made after it.
    const CResourcePtr<Qen::CMaterial> before = Material("std_default.fx", true);
    controller.GetMaterialFactory()->CreateSharedEffectPool("shader>_shared.fx");
    const CResourcePtr<Qen::CMaterial> after = Material("std_untextured.fx", true);
    EXPECT_EQ("", Boxes());
    Qen::CEffectShader* shared = controller.GetMaterialFactory()->GetSharedEffect();
    ASSERT_NE(nullptr, shared);
    Effect& pool = *shared->GetEffect();

    Platform::GfxKit::ParameterDesc desc;
    ASSERT_EQ(Ok, pool.GetParameterDesc("c_axLights", &desc));
    EXPECT_EQ(3u, desc.Elements) << "the renderer's batch size";
    EXPECT_EQ(Platform::GfxKit::ParameterFlag::Shared, desc.Flags & Platform::GfxKit::ParameterFlag::Shared);
    const struct
    {
        const char* name;
        std::uint32_t bytes;
    } members[] = {{"c_axLights[2].vDirectionWS", 16}, {"c_axLights[2].vLightColor", 16},
                   {"c_axLights[2].mShadowTransform", 64}, {"c_iLightIndex", 4}, {"c_iNumLights", 4}};
    for (const auto& m : members)
    {
        ASSERT_EQ(Ok, pool.GetParameterDesc(m.name, &desc)) << m.name;
        EXPECT_EQ(m.bytes, desc.Bytes) << m.name;
    }
    ASSERT_EQ(Ok, pool.GetParameterDesc("c_tShadowMap", &desc));
    EXPECT_EQ(Platform::GfxKit::ParameterFlag::Shared, desc.Flags & Platform::GfxKit::ParameterFlag::Shared);
    EXPECT_EQ(Platform::GfxKit::ParameterType::Texture, desc.Type);
    Platform::GfxKit::EffectDesc poolDesc;
    ASSERT_EQ(Ok, pool.GetDesc(&poolDesc));
    EXPECT_EQ(4u, poolDesc.Parameters) << "the light table and nothing else";

    const float red[4] = {1.0f, 0.0f, 0.0f, 0.0f};
    ASSERT_EQ(Ok, pool.SetInt("c_iNumLights", 2));
    ASSERT_EQ(Ok, pool.SetVector("c_axLights[1].vLightColor", red));
    for (const CResourcePtr<Qen::CMaterial>* material : {&before, &after})
    {
        (*material)->Apply();
        (*material)->Apply(); // the recorded block replayed
        Effect* effect = EffectOf(*material);
        ASSERT_NE(nullptr, effect);
        std::int32_t lights = 0;
        EXPECT_EQ(Ok, effect->GetInt("c_iNumLights", &lights));
        EXPECT_EQ(2, lights);
        float colour[4] = {};
        EXPECT_EQ(Ok, effect->GetVector("c_axLights[1].vLightColor", colour));
        EXPECT_EQ(1.0f, colour[0]);
    }
}

TEST_F(EffectFilesTest, AHandDamagedEffectGivesOneBoxNamingFileAndLineAndTheModelDrawsWithoutIt)
{
    // The shader folder copied, with one line of the untextured effect spoilt as a player's edit would.
    const std::filesystem::path shaders = folder / "shader";
    std::filesystem::create_directories(shaders);
    for (const auto& entry : std::filesystem::directory_iterator(QUARROW_MEDIA_DIR "/shader"))
    {
        std::filesystem::copy_file(entry.path(), shaders / entry.path().filename());
    }
    std::ifstream in(shaders / "std_untextured.fx");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
    {
        lines.push_back(line);
    }
    in.close();
    ASSERT_GT(lines.size(), 10u);
    lines[8] = "float4 c_vBroken = { 1, 2 };";
    std::ofstream out(shaders / "std_untextured.fx");
    for (const std::string& line : lines)
    {
        out << line << "\n";
    }
    out.close();
    controller.GetPathAliases().RegisterPathAlias("xfl-shader", shaders.string());
    const float lo[3] = {-1, -1, -1};
    const float hi[3] = {1, 1, 1};
    const float grey[3] = {0.5f, 0.5f, 0.5f};
    WriteFile("box.x", BoxModel(lo, hi, grey));

    Qen::CModelLoadOptions options;
    const CResourcePtr<Qen::CModel> model =
        controller.GetModelFactory()->GetModel(&options, (folder / "box.x").string(), false);
    ASSERT_TRUE(model && model->GetFrameRoot() != nullptr);
    ASSERT_EQ(1u, boxes.size()) << Boxes();
    EXPECT_EQ(0u, boxes[0].rfind("failed to load effect file|", 0)) << boxes[0];
    EXPECT_NE(std::string::npos, boxes[0].find("std_untextured.fx(9): error")) << boxes[0];

    BaseLib::CSmartPointer<Qen::CRenderContext> context(Qen::CRenderContext::Create());
    context->engine = &controller;
    context->name = "ambientpass";
    controller.GetHeads()[0]->BeginFrame();
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF102030, 1.0f, 0));
    ASSERT_EQ(Ok, device->BeginScene());
    model->Render(context.Get(), Qen::Matrix{});
    const std::vector<std::uint32_t> pixels = EndDrawing();
    EXPECT_EQ(std::vector<std::uint32_t>(pixels.size(), 0xFF102030u), pixels) << "nothing drawn without the effect";
    EXPECT_EQ(1u, boxes.size()) << "the material is not compiled again";
    // The platform keeps the last box's caption for the whole process; later checks in this process
    // read it as "no box was shown".
    Platform::MessageBoxA(nullptr, "", "", Platform::MessageBoxOk);
}

// A particle source whose particles the test places.
class PlacedParticles : public GameLib::CParticleSourceNode
{
public:
    using CParticleSourceNode::CParticleSourceNode;
    void Place(const std::vector<BaseLib::CVector3>& positions)
    {
        m_liveCount = static_cast<int>(positions.size());
        for (std::size_t i = 0; i < positions.size(); ++i)
        {
            m_particles[i] = GameLib::CParticle{};
            m_particles[i].position = positions[i];
        }
    }
};

TEST_F(EffectFilesTest, TheSoftDotGlowsInTheAmbientPassAndTheLightPassDrawsNothing)
{
    // The texture: 64 × 64, white, its alpha falling from the centre to nothing at the rim.
    CResourcePtr<Qen::CTexture> dot;
    controller.GetTextureFactory()->LoadTexture("texture>floating.tga", dot, Pool::Managed);
    ASSERT_TRUE(dot && dot->GetTexture() != nullptr);
    auto* texture = static_cast<Texture*>(dot->GetTexture());
    SurfaceDesc level;
    ASSERT_EQ(Ok, texture->GetLevelDesc(0, &level));
    ASSERT_EQ(64u, level.Width);
    ASSERT_EQ(64u, level.Height);
    ASSERT_EQ(Format::A8R8G8B8, level.Format);
    LockedRect locked;
    ASSERT_EQ(Ok, texture->LockRect(0, &locked, nullptr, LockFlag::ReadOnly));
    const auto texel = [&](int x, int y) {
        return static_cast<const std::uint32_t*>(locked.pBits)[y * locked.Pitch / 4 + x];
    };
    EXPECT_GE(texel(32, 32) >> 24, 250u) << "opaque at the centre";
    for (const auto& corner : {std::pair{0, 0}, std::pair{63, 0}, std::pair{0, 63}, std::pair{63, 63}, std::pair{0, 32}})
    {
        EXPECT_EQ(0u, texel(corner.first, corner.second) >> 24) << "clear at the rim";
    }
    std::uint32_t previous = 256;
    for (int x = 32; x < 64; x += 4)
    {
        EXPECT_LT(texel(x, 32) >> 24, previous) << "falling at " << x;
        EXPECT_EQ(texel(x, 32) >> 24, texel(63 - x, 32) >> 24) << "round at " << x;
        EXPECT_EQ(texel(x, 32) >> 24, texel(32, x) >> 24) << "round at " << x;
        EXPECT_EQ(0xFFFFFFu, texel(x, 32) & 0xFFFFFFu);
        previous = texel(x, 32) >> 24;
    }
    texture->UnlockRect(0);

    // The material as the floating particles make it; two particles side by side, facing a camera.
    CResourcePtr<Qen::CMaterial> material = Material("particles.fx", true);
    material->SetParameter("g_tTexture", dot);
    PlacedParticles particles(&controller);
    particles.SetMaxParticles(2);
    particles.SetMaterial(material.Get());
    particles.SetBaseSize(1.0f);
    particles.Place({{-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}});
    Qen::CCamera camera;
    camera.position = {0.0f, 0.0f, -4.0f};
    camera.aspectRatio = static_cast<float>(headWidth) / static_cast<float>(headHeight);
    camera.fieldOfView = 1.2f;
    camera.Update();
    BaseLib::CSmartPointer<Qen::CRenderContext> context(Qen::CRenderContext::Create());
    context->engine = &controller;
    context->view = camera.view;
    context->inverseView = camera.cameraToWorld;
    context->projection = camera.projection;
    context->viewProjection = camera.viewProjection;
    const auto pixelOf = [&](const std::vector<std::uint32_t>& pixels, float x, float y) {
        BaseLib::CVector4 clip;
        BaseLib::TransformVector4(clip, BaseLib::CVector4(x, y, 0.0f, 1.0f), camera.viewProjection);
        const auto px = static_cast<int>((clip.x / clip.w * 0.5f + 0.5f) * static_cast<float>(headWidth));
        const auto py = static_cast<int>((0.5f - clip.y / clip.w * 0.5f) * static_cast<float>(headHeight));
        return pixels[static_cast<std::size_t>(py * headWidth + px)] & 0xFFu;
    };
    const auto draw = [&](const char* pass, const char* picture) {
        context->name = pass;
        controller.GetHeads()[0]->BeginFrame();
        EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF000000, 1.0f, 0));
        EXPECT_EQ(Ok, device->BeginScene());
        particles.Render(context);
        return EndDrawing(picture);
    };

    Platform::DebugOutputCapture traces;
    const std::uint64_t calls = device->Counters().drawCalls;
    const std::vector<std::uint32_t> ambient = draw("ambientpass", "particles_ambient.png");
    EXPECT_EQ(calls + 1, device->Counters().drawCalls) << "one draw for both particles";
    for (const float x : {-1.0f, 1.0f})
    {
        const std::uint32_t centre = pixelOf(ambient, x, 0.0f);
        const std::uint32_t halfway = pixelOf(ambient, x + 0.5f, 0.0f);
        EXPECT_GE(centre, 240u) << x;
        EXPECT_GT(halfway, 40u) << x;
        EXPECT_LT(halfway, centre - 60) << "soft towards the rim " << x;
        EXPECT_LT(pixelOf(ambient, x + 0.95f, 0.0f), 8u) << "no square edge " << x;
        EXPECT_LT(pixelOf(ambient, x + 0.9f, 0.9f), 4u) << "nothing in the corner " << x;
    }
    EXPECT_EQ(0u, pixelOf(ambient, 0.0f, 1.5f)) << "the background";

    const std::vector<std::uint32_t> light = draw("lightpass", nullptr);
    EXPECT_EQ(calls + 1, device->Counters().drawCalls) << "the light pass runs no pass";
    EXPECT_EQ(std::vector<std::uint32_t>(light.size(), 0xFF000000u), light);
    EXPECT_EQ(std::string::npos, traces.Text().find("particlemesh")) << traces.Text();
}

} // namespace
} // namespace MediaTesting
