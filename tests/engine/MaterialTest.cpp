#include "tests/engine/ResourceFixture.h"

#include "engine/BufferFactories.h"
#include "engine/DeviceStateMgr.h"
#include "engine/EffectShader.h"
#include "engine/MaterialFactory.h"
#include "foundation/Helpers.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/gfxkit/effect/Effect.h"

#include <unistd.h>

#include <cstring>

namespace EngineTesting
{
namespace
{

using BaseLib::CResourcePtr;
using Platform::GfxKit::Macro;
using Qen::CMaterial;
using Qen::CMaterialFactory;

std::vector<std::string> MacroTexts(const std::vector<Macro>& macros)
{
    std::vector<std::string> texts;
    for (const Macro& macro : macros)
    {
        texts.push_back(macro.Name == nullptr ? "<end>" : std::string(macro.Name) + "=" + macro.Definition);
        BaseLib::StrFree(const_cast<char*>(macro.Name));
        BaseLib::StrFree(const_cast<char*>(macro.Definition));
    }
    return texts;
}

TEST(MaterialMacroTest, MacrosDescribeTheDevice)
{
    Caps caps;
    caps.VertexShaderVersion = 0xFFFE0300;
    caps.PixelShaderVersion = 0xFFFF0300;
    caps.StencilCaps = 0x100 | 0x7;
    caps.MaxVertexShaderConst = 256;
    const std::vector<std::string> full = {"VERTEXSHADERVERSION=0x0300",
                                           "PIXELSHADERVERSION=0x0300",
                                           "D3DSTENCILCAPS_TWOSIDED=1",
                                           "MAXVERTEXSHADERCONST=256",
                                           "Qen=1",
                                           "<end>"};
    EXPECT_EQ(full, MacroTexts(CMaterialFactory::MacrosFor(caps, false)));
    caps.MaxVertexShaderConst = 8192;
    EXPECT_EQ(full, MacroTexts(CMaterialFactory::MacrosFor(caps, false)));
    caps.MaxVertexShaderConst = 0x80000000u; // negative as a signed count
    EXPECT_EQ("MAXVERTEXSHADERCONST=-2147483648", MacroTexts(CMaterialFactory::MacrosFor(caps, false))[3]);
    caps.StencilCaps = 0x7;
    caps.MaxVertexShaderConst = 96;
    caps.VertexShaderVersion = 0xFFFE0101;
    EXPECT_EQ((std::vector<std::string>{"VERTEXSHADERVERSION=0x0200", "PIXELSHADERVERSION=0x0300",
                                        "MAXVERTEXSHADERCONST=256", "Qen=1", "<end>"}),
              MacroTexts(CMaterialFactory::MacrosFor(caps, true)));
    EXPECT_EQ("MAXVERTEXSHADERCONST=96", MacroTexts(CMaterialFactory::MacrosFor(caps, false))[2]);
}

class SoftwareDeviceMaterialTest : public ResourceFixture
{
protected:
    SoftwareDeviceMaterialTest()
    {
        SimulatedAdapter adapter;
        adapter.hardwareTransformAndLight = false;
        adapter.maxVertexShaderConst = 8192;
        simulated.push_back(adapter);
    }
};

TEST_F(SoftwareDeviceMaterialTest, SoftwareVertexProcessingGivesVersionTwoAndTheFullConstantCount)
{
    const CMaterialFactory& factory = *controller.GetMaterialFactory();
    ASSERT_EQ(6u, factory.GetShaderMacroCount());
    EXPECT_STREQ("0x0200", factory.GetShaderMacros()[0].Definition);
    EXPECT_STREQ("PIXELSHADERVERSION", factory.GetShaderMacros()[1].Name);
    EXPECT_STREQ("256", factory.GetShaderMacros()[3].Definition);
    EXPECT_EQ(nullptr, factory.GetShaderMacros()[5].Name);
}

// A small effect: a coloured quad drawn with c_vMaterialDiffuse, a string, textures with and without an
// address annotation.
constexpr const char* kWaterEffect = R"(
float4 c_vMaterialDiffuse = {1, 1, 1, 1};
float4 c_vExtra = {0, 0, 0, 0};
string label = "water";
texture2D c_tDiffuseMap;
texture2D tAddressed < string SasResourceAddress = "white.tga"; >;
shared texture2D tSharedAddressed < string SasResourceAddress = "white.tga"; >;
float4x4 mWorld : WORLD;

vertexprogram vsQuad
{
    in vec4 aPosition : POSITION;
    void main() { gl_Position = aPosition; }
}
fragmentprogram fsQuad
{
    void main() { FragmentColor = c_vMaterialDiffuse; }
}
technique _staticmesh
{
    pass p0 { VertexProgram = vsQuad; FragmentProgram = fsQuad; ZEnable = false; CullMode = None; }
}
)";

class MaterialTest : public ResourceFixture
{
protected:
    void SetUp() override
    {
        ResourceFixture::SetUp();
        controller.GetPathAliases().RegisterPathAlias("shader", folder.string());
        controller.GetPathAliases().RegisterPathAlias("fx-texture", folder.string());
        WriteFile("water.fx", kWaterEffect);
        WriteFile("white.tga", GfxTesting::ImageBytes::Tga(2, 2, std::vector<std::uint32_t>(4, 0xFFFFFFFF)));
    }

    CMaterialFactory& Factory() { return *controller.GetMaterialFactory(); }

    static int Row(const CMaterial& material, const char* name) { return material.FindParameter(name); }
};

TEST_F(MaterialTest, OneMaterialPerBaseNameWithTheEnginesStateManager)
{
    CResourcePtr<CMaterial> upper;
    CResourcePtr<CMaterial> lower;
    Factory().GetMaterial("shader>Water.FX", upper, false);
    Factory().GetMaterial("shader>water.fx", lower, false);
    EXPECT_EQ(upper.Get(), lower.Get());
    EXPECT_EQ("water", upper->GetId());
    ASSERT_NE(nullptr, upper->GetEffectShader());
    EXPECT_TRUE(boxes.empty());
    Platform::GfxKit::EffectStateManager* manager = nullptr;
    ASSERT_EQ(Ok, upper->GetEffectShader()->GetEffect()->GetStateManager(&manager));
    EXPECT_EQ(controller.GetStateManager(), manager);
    manager->Release();
    EXPECT_EQ(1u, upper->GetSize());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(upper->GetEffectShader()), upper->GetSortValue());

    // The engine's WORLD parameter and the shared texture have no rows; the others have, in file order.
    std::vector<std::string> names;
    for (std::size_t i = 0; i < upper->GetParameterCount(); ++i)
    {
        names.push_back(upper->GetParameterRow(i).name);
    }
    EXPECT_EQ(
        (std::vector<std::string>{"c_vMaterialDiffuse", "c_vExtra", "label", "c_tDiffuseMap", "tAddressed"}),
        names);
    // The addressed texture came from the "fx-texture" alias; the default map has no texture.
    Qen::CTexture* addressed = upper->GetParameterRow(4).value.Texture();
    ASSERT_NE(nullptr, addressed);
    EXPECT_EQ("white", addressed->GetId());
    EXPECT_NE(nullptr, addressed->GetTexture());
    EXPECT_EQ(nullptr, upper->GetParameterRow(3).value.Texture());
    EXPECT_EQ(5u, upper->GetParameterRow(3).type);

    // A copy of the registered material shares its effect shader, so the copied rows' handles are its
    // effect's and its values reach the effect; the file is not compiled again.
    CResourcePtr<CMaterial> copy;
    Qen::AssignTypedResource(copy, upper->Clone());
    ASSERT_NE(upper.Get(), copy.Get());
    EXPECT_EQ(upper->GetEffectShader(), copy->GetEffectShader());
    EXPECT_EQ(upper->GetParameterCount(), copy->GetParameterCount());
    const float green[4] = {0, 1, 0, 1};
    char diffuseName[] = "c_vMaterialDiffuse";
    const Qen::EffectDefault value{diffuseName, Platform::GfxKit::EffectDefaultType::Floats, 16,
                                   const_cast<float*>(green)};
    copy->SetParameters(&value, 1, false);
    copy->Apply();
    float applied[4] = {};
    copy->GetEffectShader()->GetEffect()->GetVector("c_vMaterialDiffuse", applied);
    EXPECT_EQ(0, std::memcmp(green, applied, sizeof green));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MaterialTest, CompilationBoxesFollowTheAnswers)
{
    WriteFile("warned.fx",
              "#warning only a warning\nfloat4 c_vMaterialDiffuse;\ntechnique t { pass p {} }\n");
    answers = {Platform::MessageBoxAnswerRetry};
    CResourcePtr<CMaterial> warned;
    Factory().GetMaterial("shader>warned.fx", warned, false);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].find("failed to load effect file|shader = shader>warned.fx\nfile = "));
    EXPECT_NE(std::string::npos, boxes[0].find("compiler messages:\n"));
    EXPECT_NE(std::string::npos, boxes[0].find("only a warning"));
    EXPECT_NE(nullptr, warned->GetEffectShader());

    boxes.clear();
    WriteFile("broken.fx", "float4 x = ;\n");
    answers = {Platform::MessageBoxAnswerRetry, Platform::MessageBoxAnswerIgnore};
    CResourcePtr<CMaterial> broken;
    Factory().GetMaterial("shader>broken.fx", broken, false);
    EXPECT_EQ(2u, boxes.size());
    ASSERT_TRUE(broken);
    EXPECT_EQ(BaseLib::ResourceLoaded, broken->GetState());
    EXPECT_EQ(nullptr, broken->GetEffectShader());
    EXPECT_EQ(0u, broken->GetSortValue());
    broken->Apply();
    broken->HandleEvent("devicelost");
    broken->HandleEvent("devicereset");
    const Qen::EffectDefault value{const_cast<char*>("x"), 2, 0, nullptr};
    broken->SetParameters(&value, 1, true);
    EXPECT_EQ(0u, broken->GetParameterCount());
    CResourcePtr<CMaterial> brokenClone;
    Factory().GetMaterial("shader>broken.fx", brokenClone, true);
    EXPECT_NE(broken.Get(), brokenClone.Get());
    EXPECT_EQ(nullptr, brokenClone->GetEffectShader());

    boxes.clear();
    CResourcePtr<CMaterial> missing;
    Factory().GetMaterial("shader>missing.fx", missing, false);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].find("HRESULT = 0x88760866\nerror string = D3DERR_NOTFOUND\n"));
    const std::string ending = "no compiler messages.\n";
    EXPECT_EQ(ending, boxes[0].substr(boxes[0].size() - ending.size()));
}

TEST_F(MaterialTest, AbortEndsTheProcessWithMinusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    WriteFile("broken.fx", "float4 x = ;\n");
    answers = {Platform::MessageBoxAnswerAbort};
    EXPECT_EXIT(
        {
            CResourcePtr<CMaterial> broken;
            Factory().GetMaterial("shader>broken.fx", broken, false);
        },
        testing::ExitedWithCode(255), "");
}

// Runs the test body inside the temporary folder (nested includes of the pool file are relative to it).
class WorkingFolder
{
public:
    explicit WorkingFolder(const std::filesystem::path& folder) : m_previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(m_previous); }

private:
    std::filesystem::path m_previous;
};

TEST_F(MaterialTest, TheSharedPoolGivesOneValueToEveryEffect)
{
    const WorkingFolder inside(folder);
    WriteFile("_shared.fx", "#include \"nested.fxh\"\nshared float4 c_vTint;\n");
    WriteFile("nested.fxh", "shared float c_fNested;\n");
    WriteFile("tinted.fx",
              "#include \"_shared.fx\"\nfloat4 c_vMaterialDiffuse;\ntechnique t { pass p {} }\n");
    EXPECT_EQ(nullptr, Factory().GetSharedEffect());
    Factory().CreateSharedEffectPool("shader>_shared.fx");
    ASSERT_NE(nullptr, Factory().GetSharedEffect()) << (boxes.empty() ? "" : boxes[0]);
    EXPECT_TRUE(boxes.empty());
    CResourcePtr<CMaterial> tinted;
    Factory().GetMaterial("shader>tinted.fx", tinted, false);
    ASSERT_NE(nullptr, tinted->GetEffectShader());
    const float tint[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    ASSERT_EQ(Ok, Factory().GetSharedEffect()->GetEffect()->SetVector("c_vTint", tint));
    float seen[4] = {};
    ASSERT_EQ(Ok, tinted->GetEffectShader()->GetEffect()->GetVector("c_vTint", seen));
    EXPECT_EQ(0, std::memcmp(tint, seen, sizeof tint));
    EXPECT_EQ(-1, tinted->FindParameter("c_vTint"));

    // A broken pool file and a missing one show the box (unattended: Ignore), and leave no shared effect.
    for (const char* text : {"shared float4 c_vTint = ;\n", static_cast<const char*>(nullptr)})
    {
        boxes.clear();
        if (text != nullptr)
        {
            WriteFile("_shared.fx", text);
        }
        else
        {
            std::filesystem::remove(folder / "_shared.fx");
        }
        Factory().CreateSharedEffectPool("shader>_shared.fx");
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(0u, boxes[0].find("failed to load effect file|shader = \nfile = "));
        EXPECT_NE(std::string::npos, boxes[0].find("compiler messages:\n")) << boxes[0];
        EXPECT_EQ(nullptr, Factory().GetSharedEffect());
    }
}

TEST(D3DXIncludeTest, OpensByTheNameAsGivenAndFreesWhatItGave)
{
    Qen::CD3DXInclude include;
    const void* data = nullptr;
    std::uint32_t bytes = 0;
    EXPECT_EQ(NotFound, include.Open(0, "/nonexistent/quarrow-include.fxh", nullptr, &data, &bytes));
    const std::string path =
        std::filesystem::temp_directory_path() / ("quarrow-include-" + std::to_string(getpid()));
    std::ofstream(path, std::ios::binary) << "abc";
    const void* first = nullptr;
    const void* second = nullptr;
    ASSERT_EQ(Ok, include.Open(0, path.c_str(), nullptr, &first, &bytes));
    EXPECT_EQ(3u, bytes);
    EXPECT_EQ(0, std::memcmp("abc", first, 3));
    ASSERT_EQ(Ok, include.Open(0, path.c_str(), first, &second, &bytes));
    EXPECT_EQ(Ok, include.Close(second));
    EXPECT_EQ(Ok, include.Close(first));
    // A folder opens but cannot be read whole.
    EXPECT_NE(Ok, include.Open(0, std::filesystem::temp_directory_path().c_str(), nullptr, &data, &bytes));
    std::filesystem::remove(path);
}

TEST_F(MaterialTest, ParameterTablesTakeDefaultsOnceAndGrowInBlocksOfEight)
{
    CResourcePtr<CMaterial> water;
    Factory().GetMaterial("shader>water.fx", water, false);
    ASSERT_NE(nullptr, water->GetEffectShader());
    EXPECT_EQ(8u, water->GetParameterCapacity());

    char labelName[] = "label";
    char hello[] = "hello";
    char mapName[] = "c_tDiffuseMap";
    char diffuseName[] = "c_vMaterialDiffuse";
    const float red[4] = {1, 0, 0, 1};
    Qen::EffectDefault defaults[] = {
        {labelName, Platform::GfxKit::EffectDefaultType::String, 6, hello},
        {mapName, Platform::GfxKit::EffectDefaultType::String, 0, nullptr},
        {diffuseName, Platform::GfxKit::EffectDefaultType::Floats, 16, const_cast<float*>(red)},
        {diffuseName, Platform::GfxKit::EffectDefaultType::Floats, 16, const_cast<float*>(red)},
    };
    water->Apply();
    EXPECT_NE(nullptr, water->GetParameterBlock());
    water->SetParameters(defaults, 4, true);
    EXPECT_EQ(nullptr, water->GetParameterBlock());
    EXPECT_EQ(5u, water->GetParameterCount());
    const Qen::CMaterialParameter& label =
        water->GetParameterRow(static_cast<std::size_t>(Row(*water, "label")));
    EXPECT_EQ(4u, label.type);
    EXPECT_STREQ("hello", static_cast<const char*>(label.value.Bytes()));
    const Qen::CMaterialParameter& map =
        water->GetParameterRow(static_cast<std::size_t>(Row(*water, "c_tDiffuseMap")));
    EXPECT_EQ(5u, map.type);
    EXPECT_EQ(nullptr, map.value.Texture());
    water->Apply();
    const char* text = nullptr;
    ASSERT_EQ(Ok, water->GetEffectShader()->GetEffect()->GetString("label", &text));
    EXPECT_STREQ("water", text);
    float diffuse[4] = {};
    water->GetEffectShader()->GetEffect()->GetVector("c_vMaterialDiffuse", diffuse);
    EXPECT_EQ(0, std::memcmp(red, diffuse, sizeof red));

    // Rows of names the effect lacks are never made; 8 → 9 rows takes a second block.
    char unknown[] = "c_vNotThere";
    Qen::EffectDefault missing{unknown, Platform::GfxKit::EffectDefaultType::Floats, 4,
                               const_cast<float*>(red)};
    water->SetParameters(&missing, 1, true);
    EXPECT_EQ(5u, water->GetParameterCount());
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_GE(water->AddParameter("c_vExtra"), 0);
    }
    EXPECT_EQ(8u, water->GetParameterCount());
    EXPECT_EQ(8u, water->GetParameterCapacity());
    EXPECT_EQ(1, Row(*water, "c_vExtra"));
    EXPECT_EQ(8, water->AddParameter("label"));
    EXPECT_EQ(16u, water->GetParameterCapacity());
    EXPECT_EQ(-1, water->AddParameter("c_vNotThere"));
}

TEST_F(MaterialTest, ClonesKeepTheirValuesThroughAResetAndDrawInTheirOwnColours)
{
    CResourcePtr<CMaterial> first;
    CResourcePtr<CMaterial> second;
    Factory().GetMaterial("shader>water.fx", first, true);
    Factory().GetMaterial("shader>water.fx", second, true);
    ASSERT_NE(first.Get(), second.Get());
    ASSERT_NE(nullptr, first->GetEffectShader());
    EXPECT_EQ(first->GetEffectShader(), second->GetEffectShader());
    EXPECT_EQ(first->GetSortValue(), second->GetSortValue());

    const float orange[4] = {1.0f, 0.5f, 0.0f, 1.0f};
    const float blue[4] = {0.0f, 0.25f, 1.0f, 1.0f};
    char diffuseName[] = "c_vMaterialDiffuse";
    Qen::EffectDefault value{diffuseName, Platform::GfxKit::EffectDefaultType::Floats, 16,
                             const_cast<float*>(orange)};
    first->SetParameters(&value, 1, false);
    value.pValue = const_cast<float*>(blue);
    second->SetParameters(&value, 1, false);

    Platform::GfxKit::Effect* effect = first->GetEffectShader()->GetEffect();
    first->Apply();
    EXPECT_NE(nullptr, first->GetParameterBlock());
    const std::uint32_t resets = effect->ResetDeviceCalls();
    controller.GetRegistry(Qen::MaterialRegistry)->SendEvent("devicelost");
    controller.GetRegistry(Qen::MaterialRegistry)->SendEvent("devicereset");
    // Only the shared source tells the effect; every block is gone.
    EXPECT_EQ(resets + 1, effect->ResetDeviceCalls());
    EXPECT_EQ(nullptr, first->GetParameterBlock());

    const VertexElement elements[] = {{0, 0, DeclType::Float4, 0, DeclUsage::Position, 0}, DeclarationEnd};
    Platform::Gfx::VertexDeclaration* declaration = nullptr;
    ASSERT_EQ(Ok, device->CreateVertexDeclaration(elements, &declaration));
    controller.GetHeads()[0]->BeginFrame();
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF000000, 1.0f, 0));
    ASSERT_EQ(Ok, device->BeginScene());
    const float quads[2][16] = {
        {-1, 1, 0.5f, 1, 0, 1, 0.5f, 1, -1, -1, 0.5f, 1, 0, -1, 0.5f, 1},
        {0, 1, 0.5f, 1, 1, 1, 0.5f, 1, 0, -1, 0.5f, 1, 1, -1, 0.5f, 1},
    };
    CMaterial* materials[2] = {first.Get(), second.Get()};
    for (int i = 0; i < 2; ++i)
    {
        CResourcePtr<Qen::CVertexBuffer> vertices;
        controller.GetVertexBufferFactory()->GetVertexBuffer(vertices, sizeof quads[i], 0, {}, "");
        ASSERT_EQ(Ok, vertices->SetData(quads[i]));
        device->SetStreamSource(0, vertices->GetBuffer(), 0, 16);
        device->SetVertexDeclaration(declaration);
        materials[i]->Apply();
        std::uint32_t passes = 0;
        ASSERT_EQ(Ok, materials[i]->GetEffectShader()->Begin(&passes, 0));
        ASSERT_EQ(1u, passes);
        effect->BeginPass(0);
        EXPECT_EQ(Ok, device->DrawPrimitive(PrimitiveType::TriangleStrip, 0, 2));
        effect->EndPass();
        materials[i]->GetEffectShader()->End();
        device->SetStreamSource(0, nullptr, 0, 0);
    }
    ASSERT_EQ(Ok, device->EndScene());
    declaration->Release();
    EXPECT_NE(nullptr, second->GetParameterBlock());

    Surface* backBuffer = nullptr;
    ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, 0, &backBuffer));
    std::vector<std::uint32_t> pixels;
    ASSERT_EQ(Ok, device->ReadPixels(backBuffer, pixels));
    EXPECT_EQ(Ok, Platform::GfxKit::SaveSurfaceToFile(OutputPath("material_clones.png").c_str(),
                                                      Platform::GfxKit::ImageFileFormat::Png, backBuffer,
                                                      nullptr, nullptr));
    backBuffer->Release();
    ASSERT_EQ(64u * 48u, pixels.size());
    EXPECT_TRUE(GfxTesting::NearColor(0xFFFF8000, pixels[24 * 64 + 10], 2))
        << std::hex << pixels[24 * 64 + 10];
    EXPECT_TRUE(GfxTesting::NearColor(0xFF0040FF, pixels[24 * 64 + 50], 2))
        << std::hex << pixels[24 * 64 + 50];
}

TEST_F(MaterialTest, EffectInstancesGetClonesWithTheirValues)
{
    Qen::EffectInstance instance;
    Qen::InitEffectInstance(instance);
    CResourcePtr<CMaterial> none;
    Factory().GetMaterialForEffectInstance(instance, none);
    EXPECT_FALSE(none);

    instance.pEffectFilename = BaseLib::StrDup("shader>water.fx");
    Qen::EffectDefault* diffuse = Qen::AppendEffectDefault(instance, "c_vMaterialDiffuse");
    diffuse->Type = Platform::GfxKit::EffectDefaultType::Floats;
    const float green[4] = {0, 1, 0, 1};
    Qen::SetEffectDefaultValue(*diffuse, green, 16);
    Qen::AppendEffectDefault(instance, "c_vUnknown")->Type = Platform::GfxKit::EffectDefaultType::Floats;
    CResourcePtr<CMaterial> first;
    CResourcePtr<CMaterial> second;
    Factory().GetMaterialForEffectInstance(instance, first);
    Factory().GetMaterialForEffectInstance(instance, second);
    Qen::FreeEffectInstance(instance);
    ASSERT_TRUE(first);
    EXPECT_NE(first.Get(), second.Get());
    EXPECT_EQ(-1, first->FindParameter("c_vUnknown"));
    const Qen::CMaterialParameter& row =
        first->GetParameterRow(static_cast<std::size_t>(first->FindParameter("c_vMaterialDiffuse")));
    EXPECT_EQ(0, std::memcmp(green, row.value.Bytes(), 16));
}

} // namespace
} // namespace EngineTesting
