#include "tests/engine/ResourceFixture.h"
#include "tests/platform/gfxkit/EffectTestSupport.h"

#include "engine/EffectShader.h"
#include "engine/MaterialConverter.h"
#include "engine/ModelLoadOptions.h"
#include "foundation/Helpers.h"

#include <cstring>

namespace EngineTesting
{
namespace
{

using EffectTesting::MakeEffect;
using Qen::CEffectShader;
using Qen::EffectDefault;
using Qen::EffectInstance;

std::vector<std::string> DefaultNames(const CEffectShader& shader)
{
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < shader.GetNumDefaults(); ++i)
    {
        names.emplace_back(shader.GetDefaultsArray()[i].pParamName);
    }
    return names;
}

TEST(EffectShaderTest, DefaultsCoverEveryParameterButTheEnginesAndTheShared)
{
    const auto made = MakeEffect(R"(
        struct Light { float3 dir; float4 colour; };
        float4 colours[3] = { {1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1} };
        Light lights[2];
        shared float4 c_vTint;
        float4x4 mWorld : WORLD;
        float4x4 mWorldLower : World;
        float4 c_vEyePosition = {1, 2, 3, 1};
        float c_fTime;
        int count = 7;
        string label = "abc";
        texture2D c_tDiffuseMap;
        sampler2D sDiffuse = sampler_state { Texture = <c_tDiffuseMap>; };
        technique _staticmesh { pass p0 {} }
    )");
    ASSERT_NE(nullptr, made.effect) << made.messages;
    CEffectShader* shader = Qen::CreateEffectShader(made.effect);
    made.effect->Release(); // the wrapper's reference keeps it
    EXPECT_EQ((std::vector<std::string>{"colours", "lights[0].dir", "lights[0].colour", "lights[1].dir",
                                        "lights[1].colour", "mWorldLower", "c_vEyePosition", "count", "label",
                                        "c_tDiffuseMap"}),
              DefaultNames(*shader));
    const EffectDefault* defaults = shader->GetDefaultsArray();
    EXPECT_EQ(48u, defaults[0].NumBytes);
    EXPECT_EQ(Platform::GfxKit::EffectDefaultType::Floats, defaults[0].Type);
    EXPECT_EQ(1.0f, static_cast<const float*>(defaults[0].pValue)[4 * 2 + 2]);
    EXPECT_EQ(12u, defaults[1].NumBytes);
    EXPECT_EQ(3.0f, static_cast<const float*>(defaults[6].pValue)[2]);
    EXPECT_EQ(Platform::GfxKit::EffectDefaultType::Dword, defaults[7].Type);
    EXPECT_EQ(7, *static_cast<const std::int32_t*>(defaults[7].pValue));
    EXPECT_EQ(Platform::GfxKit::EffectDefaultType::String, defaults[8].Type);
    EXPECT_STREQ("abc", static_cast<const char*>(defaults[8].pValue));
    EXPECT_EQ(Platform::GfxKit::EffectDefaultType::String, defaults[9].Type);
    EXPECT_EQ(nullptr, defaults[9].pValue);

    // The semantic lookup ignores case: "World" answers WORLD, which the first such parameter holds.
    EXPECT_NE(nullptr, shader->GetSemanticHandle(CEffectShader::World));
    EXPECT_EQ(nullptr, shader->GetSemanticHandle(CEffectShader::BoneMatrixPalette));
    EXPECT_NE(nullptr, shader->GetNamedHandle(CEffectShader::EyePosition));
    EXPECT_NE(nullptr, shader->GetNamedHandle(CEffectShader::Time));
    EXPECT_EQ(nullptr, shader->GetNamedHandle(CEffectShader::LightDir));
    EXPECT_NE(nullptr, shader->GetStaticMeshTechnique());
    EXPECT_EQ(nullptr, shader->GetSkinnedMeshTechnique());

    EXPECT_EQ(2u, shader->AddRef());
    EXPECT_EQ(1u, shader->Release());
    EXPECT_EQ(0u, shader->Release()); // the effect and the wrapper go (the sanitizers see a double free)
}

// Counts the destructions of its wrappers.
int s_wrappersDestroyed = 0;
struct CountedShader : CEffectShader
{
    using CEffectShader::CEffectShader;
    ~CountedShader() override { ++s_wrappersDestroyed; }
};

TEST(EffectShaderTest, ASemanticOfAnyCaseGivesTheHandleAndTheWrapperGoesWithItsEffect)
{
    // "World" alone: the lookup ignores case, the skip list does not.
    const auto made = MakeEffect("float4x4 mLower : World;\ntechnique t { pass p {} }\n");
    ASSERT_NE(nullptr, made.effect) << made.messages;
    s_wrappersDestroyed = 0;
    CEffectShader* shader = new CountedShader(made.effect);
    made.effect->Release();
    EXPECT_EQ(shader->GetEffect()->GetParameterByName(nullptr, "mLower"),
              shader->GetSemanticHandle(CEffectShader::World));
    EXPECT_NE(nullptr, shader->GetSemanticHandle(CEffectShader::World));
    EXPECT_EQ(std::vector<std::string>{"mLower"}, DefaultNames(*shader));
    shader->AddRef();
    EXPECT_EQ(1u, shader->Release());
    EXPECT_EQ(0, s_wrappersDestroyed);
    EXPECT_EQ(0u, shader->Release());
    EXPECT_EQ(1, s_wrappersDestroyed);
}

class RestorePassTest : public ResourceFixture
{
protected:
    // Passes set the cull mode and run without saving state, so the last pass's value stays.
    std::uint32_t CullModeAfter(const char* passes, std::uint32_t& reported)
    {
        const std::string text = std::string("technique t {") + passes + "}";
        const auto made = MakeEffect(text, nullptr, EffectTesting::kEngineMacros, nullptr, device);
        EXPECT_NE(nullptr, made.effect) << made.messages;
        if (made.effect == nullptr)
        {
            return 0;
        }
        CEffectShader* shader = Qen::CreateEffectShader(made.effect);
        made.effect->Release();
        device->SetRenderState(RenderState::CullMode, 1);
        EXPECT_EQ(Ok, shader->Begin(&reported, Platform::GfxKit::DoNotSaveState));
        for (std::uint32_t pass = 0; pass < reported; ++pass)
        {
            shader->GetEffect()->BeginPass(pass);
            shader->GetEffect()->EndPass();
        }
        std::uint32_t beforeEnd = 0;
        device->GetRenderState(RenderState::CullMode, &beforeEnd);
        EXPECT_EQ(Ok, shader->End());
        std::uint32_t cull = 0;
        device->GetRenderState(RenderState::CullMode, &cull);
        shader->Release();
        return beforeEnd * 10 + cull;
    }
};

TEST_F(RestorePassTest, ALastPassNamedRestoreIsHiddenAndRunByEnd)
{
    struct Case
    {
        const char* passes;
        std::uint32_t reported;
        std::uint32_t cullBeforeAndAfterEnd;
    };
    const Case cases[] = {
        {"pass p0 { CullMode = CW; } pass p1 { CullMode = CW; } pass restore { CullMode = CCW; }", 2, 23},
        {"pass restore { CullMode = CCW; }", 0, 13},
        {"pass p0 { CullMode = CW; } pass Restore { CullMode = CCW; }", 2, 33},
        {"pass p0 { CullMode = CCW; } pass restore2 { CullMode = CW; }", 2, 22},
    };
    for (const Case& c : cases)
    {
        std::uint32_t reported = 99;
        EXPECT_EQ(c.cullBeforeAndAfterEnd, CullModeAfter(c.passes, reported)) << c.passes;
        EXPECT_EQ(c.reported, reported) << c.passes;
    }
}

// An instance with the given file name and defaults of type FLOATS holding one byte each.
struct OwnedInstance
{
    OwnedInstance() { Qen::InitEffectInstance(instance); }
    ~OwnedInstance() { Qen::FreeEffectInstance(instance); }
    EffectDefault& Add(const char* name, std::uint8_t value)
    {
        EffectDefault* added = Qen::AppendEffectDefault(instance, name);
        added->Type = 2;
        Qen::SetEffectDefaultValue(*added, &value, 1);
        return *added;
    }
    EffectInstance instance{};
};

TEST(EffectInstanceTest, StorageGrowsInBlocksOf32AndValuesFollowTheirCount)
{
    OwnedInstance owned;
    EffectInstance& instance = owned.instance;
    Qen::ResizeEffectDefaults(instance, 33);
    EXPECT_EQ(0x7FFFFFFFu, instance.pDefaults[32].Type);
    EXPECT_EQ(nullptr, instance.pDefaults[32].pParamName);
    instance.pDefaults[32].pParamName = BaseLib::StrDup("last");
    const std::uint8_t bytes[3] = {1, 2, 3};
    Qen::SetEffectDefaultValue(instance.pDefaults[32], bytes, 3);
    Qen::ResizeEffectDefaults(instance, 32); // frees the dropped default's name and value
    EXPECT_EQ(32u, instance.NumDefaults);
    Qen::ResizeEffectDefaults(instance, 33);
    EXPECT_EQ(nullptr, instance.pDefaults[32].pParamName);
    EXPECT_EQ(nullptr, instance.pDefaults[32].pValue);
    // Within one block of 32 the storage stays where it is.
    EffectDefault* storage = instance.pDefaults;
    Qen::ResizeEffectDefaults(instance, 40);
    EXPECT_EQ(storage, instance.pDefaults);
    Qen::ResizeEffectDefaults(instance, 0);
    EXPECT_EQ(nullptr, instance.pDefaults);

    EffectDefault value;
    Qen::SetEffectDefaultValue(value, bytes, 3);
    void* kept = value.pValue;
    const std::uint8_t other[3] = {7, 8, 9};
    Qen::SetEffectDefaultValue(value, other, 3);
    EXPECT_EQ(kept, value.pValue);
    EXPECT_EQ(0, std::memcmp(other, value.pValue, 3));
    Qen::SetEffectDefaultValue(value, nullptr, 5);
    EXPECT_EQ(0, std::memcmp(other, value.pValue, 3));
    EXPECT_EQ(0, static_cast<std::uint8_t*>(value.pValue)[4]);
    Qen::SetEffectDefaultValue(value, other, 0);
    EXPECT_EQ(nullptr, value.pValue);
    EXPECT_EQ(0u, value.NumBytes);

    // A fresh instance frees nothing.
    OwnedInstance fresh;
    Qen::FreeEffectInstance(fresh.instance);
    EXPECT_EQ(nullptr, fresh.instance.pDefaults);
}

TEST(EffectInstanceTest, PrefixingKeepsOnlyTheFileNamePart)
{
    const struct
    {
        const char* name;
        const char* prefixed;
    } cases[] = {
        {"models/crate.fx", "xfl-shader>crate.fx"},
        {"a>b>c.fx", "xfl-shader>c.fx"},
        {"plain.fx", "xfl-shader>plain.fx"},
        {"xfl-shader>crate.fx", "xfl-shader>crate.fx"},
    };
    for (const auto& c : cases)
    {
        OwnedInstance owned;
        owned.instance.pEffectFilename = BaseLib::StrDup(c.name);
        EffectDefault* texture = Qen::AppendEffectDefault(owned.instance, "c_tDiffuseMap");
        texture->Type = 1;
        Qen::SetEffectDefaultValue(*texture, "maps/wall.tga", 14);
        EffectDefault* empty = Qen::AppendEffectDefault(owned.instance, "c_tNormalMap");
        empty->Type = 1;
        owned.Add("c_fSpecularPower", 5);
        Qen::PrefixXFileReferences(owned.instance, "xfl-texture>");
        EXPECT_STREQ(c.prefixed, owned.instance.pEffectFilename);
        EXPECT_STREQ("xfl-texture>wall.tga", static_cast<const char*>(texture->pValue));
        EXPECT_EQ(std::strlen("xfl-texture>wall.tga") + 1, texture->NumBytes);
        EXPECT_EQ(nullptr, empty->pValue);
        EXPECT_EQ(5, *static_cast<std::uint8_t*>(owned.instance.pDefaults[2].pValue));
    }
    OwnedInstance longName;
    longName.instance.pEffectFilename = BaseLib::StrDup(std::string(600, 'x').c_str());
    Qen::PrefixXFileReferences(longName.instance, nullptr);
    EXPECT_EQ(511u, std::strlen(longName.instance.pEffectFilename));
}

TEST(EffectInstanceTest, EqualityIgnoresOrderButNotExtrasOrMissingNames)
{
    OwnedInstance a;
    OwnedInstance b;
    a.instance.pEffectFilename = BaseLib::StrDup("std_default.fx");
    b.instance.pEffectFilename = BaseLib::StrDup("std_default.fx");
    a.Add("first", 1);
    a.Add("second", 2);
    b.Add("second", 2);
    b.Add("first", 1);
    EXPECT_TRUE(Qen::EffectInstancesEqual(a.instance, b.instance));
    b.Add("third", 3);
    EXPECT_FALSE(Qen::EffectInstancesEqual(a.instance, b.instance));

    OwnedInstance named;
    OwnedInstance unnamed;
    named.Add("first", 1);
    unnamed.Add(nullptr, 1);
    EXPECT_FALSE(Qen::EffectInstancesEqual(named.instance, unnamed.instance));
    EXPECT_FALSE(Qen::EffectInstancesEqual(unnamed.instance, named.instance));
    EXPECT_FALSE(Qen::EffectDefaultsEqual(named.instance.pDefaults[0], unnamed.instance.pDefaults[0]));
    EXPECT_EQ(nullptr, Qen::FindEffectDefault(named.instance, nullptr, false));
    EXPECT_EQ(&unnamed.instance.pDefaults[0], Qen::FindEffectDefault(unnamed.instance, nullptr, false));

    // Byte count 0: values are not looked at.
    EffectDefault x{nullptr, 2, 0, nullptr};
    EffectDefault y{nullptr, 2, 0, reinterpret_cast<void*>(0x10)};
    EXPECT_TRUE(Qen::EffectDefaultsEqual(x, y));

    // A deep copy compares equal and owns its own strings.
    OwnedInstance copy;
    Qen::ResizeEffectDefaults(copy.instance, a.instance.NumDefaults);
    Qen::CopyEffectDefaults(copy.instance, a.instance.pDefaults, a.instance.NumDefaults);
    copy.instance.pEffectFilename = BaseLib::StrDup(a.instance.pEffectFilename);
    EXPECT_TRUE(Qen::EffectInstancesEqual(a.instance, copy.instance));
    EXPECT_NE(a.instance.pDefaults[0].pParamName, copy.instance.pDefaults[0].pParamName);
}

using MaterialConverterTest = ResourceFixture;

std::vector<std::string> Names(const EffectInstance& instance)
{
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < instance.NumDefaults; ++i)
    {
        names.emplace_back(instance.pDefaults[i].pParamName);
    }
    return names;
}

std::string StringValue(EffectInstance& instance, const char* name)
{
    const EffectDefault* found = Qen::FindEffectDefault(instance, name, false);
    return found == nullptr ? "<none>" : static_cast<const char*>(found->pValue);
}

TEST_F(MaterialConverterTest, MaterialsBecomeTheStandardEffectsWithTheirMapsAndColours)
{
    Qen::CMaterialConverter converter(&controller);
    std::filesystem::create_directories(folder / "old.set");
    for (const char* file : {"wall.tga", "wall_normal.tga", "bare_specular", "old.set/wall_bump"})
    {
        WriteFile(file, "x");
    }
    const std::vector<std::string> colours = {"c_vMaterialAmbient", "c_vMaterialDiffuse",
                                              "c_vMaterialSpecular", "c_vMaterialEmissive",
                                              "c_fSpecularPower"};
    Platform::GfxKit::XFileMaterial material;
    material.MatD3D.Diffuse = {1.0f, 0.5f, 0.25f, 1.0f};
    material.MatD3D.Power = 12.0f;

    OwnedInstance out;
    out.Add("leftover", 1);
    converter.ConvertMaterial(material, out.instance);
    EXPECT_STREQ("std_untextured.fx", out.instance.pEffectFilename);
    EXPECT_EQ(colours, Names(out.instance));
    const float diffuse[4] = {1.0f, 0.5f, 0.25f, 1.0f};
    ASSERT_EQ(16u, out.instance.pDefaults[1].NumBytes);
    EXPECT_EQ(0, std::memcmp(diffuse, out.instance.pDefaults[1].pValue, 16));
    EXPECT_EQ(2u, out.instance.pDefaults[1].Type);
    EXPECT_EQ(12.0f, *static_cast<const float*>(out.instance.pDefaults[4].pValue));

    const struct
    {
        const char* texture;
        std::vector<std::string> maps;
        const char* mapValue;
    } cases[] = {
        {"xfl-texture>wall.tga", {"c_tDiffuseMap", "c_tNormalMap"}, "xfl-texture>wall_normal.tga"},
        {"xfl-texture>bare", {"c_tDiffuseMap", "c_tSpecularMap"}, "xfl-texture>bare_specular"},
        {"xfl-texture>old.set/wall", {"c_tDiffuseMap", "c_tBumpMap"}, "xfl-texture>old.set/wall_bump"},
        {"xfl-texture>missing.tga", {"c_tDiffuseMap"}, nullptr},
    };
    for (const auto& c : cases)
    {
        std::string texture = c.texture;
        material.pTextureFilename = texture.data();
        converter.ConvertMaterial(material, out.instance);
        EXPECT_STREQ("std_default.fx", out.instance.pEffectFilename);
        std::vector<std::string> expected = c.maps;
        expected.insert(expected.end(), colours.begin(), colours.end());
        EXPECT_EQ(expected, Names(out.instance)) << c.texture;
        EXPECT_EQ(c.texture, StringValue(out.instance, "c_tDiffuseMap"));
        if (c.mapValue != nullptr)
        {
            EXPECT_EQ(c.mapValue, StringValue(out.instance, c.maps[1].c_str()));
            EXPECT_EQ(1u, out.instance.pDefaults[1].Type);
        }
    }
}

TEST(ModelLoadOptionsTest, DefaultsAndCopies)
{
    const Qen::CModelLoadOptions& options = Qen::CModelLoadOptions::GetDefault();
    EXPECT_EQ("", options.name);
    EXPECT_EQ("xfl-shader>", options.shaderAlias);
    EXPECT_EQ("xfl-texture>", options.textureAlias);
    EXPECT_FALSE(options.buildShadowVolume);
    EXPECT_EQ(BaseLib::CVector3(0, 0, 0), options.shadowVolumeLightDirection);
    EXPECT_EQ(3.4028235e38f, options.shadowVolumeLightPosition.x);
    EXPECT_EQ(0.0f, options.shadowVolumeExtrusion);
    EXPECT_EQ(0.001f, options.shadowVolumePullIn);
    EXPECT_EQ(1.0f, options.simplificationFactor);
    const bool flags[13] = {options.generateNormals,
                            options.generateTangents,
                            options.generateBinormals,
                            options.readStreamsFromEffects,
                            options.pruneEmptyLeafFrames,
                            options.pruneUnnamedEmptyLeafFrames,
                            options.meshesOnlyForAnimation,
                            options.stripNormals,
                            options.loadMaterials,
                            options.finishModel,
                            options.mergeMeshes,
                            options.mergeSkinnedMeshes,
                            options.weldVertices};
    const bool expected[13] = {false, false, false, true,  false, true, false,
                               false, true,  true,  false, true,  false};
    EXPECT_EQ(0, std::memcmp(expected, flags, sizeof flags));
    EXPECT_EQ(0.0f, options.weldEpsilons.Position);
    EXPECT_EQ(0.0f, options.weldEpsilons.Texcoord[7]);
    EXPECT_EQ(0x660u, options.finalMeshOptions);
    EXPECT_EQ(1u, options.lastValue);
    EXPECT_EQ(&options, &Qen::CModelLoadOptions::GetDefault());

    Qen::CModelLoadOptions changed;
    changed.name = "crate.x";
    changed.textureAlias = "other>";
    changed.simplificationFactor = 0.5f;
    changed.weldVertices = true;
    changed.weldEpsilons.Normal = 0.25f;
    changed.lastValue = 3;
    const Qen::CModelLoadOptions copy = changed;
    EXPECT_EQ("crate.x", copy.name);
    EXPECT_EQ("other>", copy.textureAlias);
    EXPECT_EQ(0.5f, copy.simplificationFactor);
    EXPECT_TRUE(copy.weldVertices);
    EXPECT_EQ(0.25f, copy.weldEpsilons.Normal);
    EXPECT_EQ(3u, copy.lastValue);
}

} // namespace
} // namespace EngineTesting
