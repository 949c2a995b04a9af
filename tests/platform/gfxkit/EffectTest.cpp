#include "tests/platform/TempFolder.h"
#include "tests/platform/gfxkit/EffectTestSupport.h"

#include "platform/gfx/Results.h"
#include "platform/os/DebugOutput.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace EffectTesting
{
namespace
{

using Platform::Gfx::Fail;
using Platform::Gfx::InvalidCall;
using Platform::Gfx::Matrix;
using Platform::Gfx::NotFound;
using Platform::Gfx::Ok;

constexpr const char* kReflectionEffect = R"(struct Light { float3 dir; float4 colour; float4x4 mShadow; };
struct Streams { float2 uv : TEXCOORD0; float3 t : TANGENT; float3 n : NORMAL; };
Streams Qen_REQUIRE_INPUTSTREAMS;
Light lights[2];
float4x4 palette[MAXVERTEXSHADERCONST / 8 - 6] : BONEMATRIXPALETTE;
float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
texture2D c_tDiffuseMap < string SasResourceAddress = "wall.tga"; >;
sampler2D sDiffuse = sampler_state { Texture = <c_tDiffuseMap>; MinFilter = Linear; };
string sName = "plain";
shared float4 c_vTint = { 1, 0, 0, 1 };
float3 c_vLightDir;
bool bFlag = true;
int iCount = -3;
technique _staticmesh { pass p0 { CullMode = CCW; } }
technique _skinnedmesh < int Order = 2; > { pass p0 {} pass { ZEnable = false; } pass restore { ZWriteEnable = true; } }
)";

class EffectReflectionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Made made = MakeEffect(kReflectionEffect);
        ASSERT_EQ(Ok, made.result) << made.messages;
        EXPECT_EQ("", made.messages);
        effect = made.effect;
    }
    void TearDown() override
    {
        if (effect)
        {
            EXPECT_EQ(0u, effect->Release());
        }
    }

    ParameterDesc Desc(EffectHandle handle)
    {
        ParameterDesc desc;
        EXPECT_EQ(Ok, effect->GetParameterDesc(handle, &desc));
        return desc;
    }

    Effect* effect = nullptr;
};

TEST_F(EffectReflectionTest, DescribesEveryParameterInFileOrder)
{
    struct Row
    {
        const char* name;
        const char* semantic;
        std::uint32_t cls, type, rows, columns, elements, members, bytes, flags, annotations;
    };
    const Row rows[] = {
        {"Qen_REQUIRE_INPUTSTREAMS", "", 5, 0, 0, 0, 0, 3, 32, 0, 0},
        {"lights", "", 5, 0, 0, 0, 2, 3, 184, 0, 0},
        {"palette", "BONEMATRIXPALETTE", 2, 3, 4, 4, 26, 0, 26 * 64, 0, 0},
        {"mWorldViewProj", "WORLDVIEWPROJECTION", 2, 3, 4, 4, 0, 0, 64, 0, 0},
        {"c_tDiffuseMap", "", 4, 7, 0, 0, 0, 0, 0, 0, 1},
        {"sDiffuse", "", 4, 12, 0, 0, 0, 0, 0, 0, 0},
        {"sName", "", 4, 4, 0, 0, 0, 0, 6, 0, 0},
        {"c_vTint", "", 1, 3, 1, 4, 0, 0, 16, 1, 0},
        {"c_vLightDir", "", 1, 3, 1, 3, 0, 0, 12, 0, 0},
        {"bFlag", "", 0, 1, 1, 1, 0, 0, 4, 0, 0},
        {"iCount", "", 0, 2, 1, 1, 0, 0, 4, 0, 0},
    };
    EffectDesc desc;
    ASSERT_EQ(Ok, effect->GetDesc(&desc));
    ASSERT_EQ(std::size(rows), desc.Parameters);
    EXPECT_EQ(2u, desc.Techniques);
    for (std::uint32_t i = 0; i < desc.Parameters; ++i)
    {
        const Row& row = rows[i];
        const ParameterDesc p = Desc(effect->GetParameter(nullptr, i));
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(row.name, p.Name);
        EXPECT_STREQ(row.semantic, p.Semantic);
        EXPECT_EQ(row.cls, p.Class);
        EXPECT_EQ(row.type, p.Type);
        EXPECT_EQ(row.rows, p.Rows);
        EXPECT_EQ(row.columns, p.Columns);
        EXPECT_EQ(row.elements, p.Elements);
        EXPECT_EQ(row.members, p.StructMembers);
        EXPECT_EQ(row.bytes, p.Bytes);
        EXPECT_EQ(row.flags, p.Flags);
        EXPECT_EQ(row.annotations, p.Annotations);
    }
    EXPECT_EQ(nullptr, effect->GetParameter(nullptr, desc.Parameters));

    const char* text = nullptr;
    ASSERT_EQ(Ok,
              effect->GetString(effect->GetAnnotationByName("c_tDiffuseMap", "SasResourceAddress"), &text));
    EXPECT_STREQ("wall.tga", text);
    ASSERT_EQ(Ok, effect->GetString("sName", &text));
    EXPECT_STREQ("plain", text);
    EXPECT_EQ(InvalidCall, effect->GetString("c_vTint", &text));
}

TEST_F(EffectReflectionTest, PathsMembersElementsAndSemantics)
{
    EffectHandle streams = effect->GetParameterByName(nullptr, "Qen_REQUIRE_INPUTSTREAMS");
    const char* semantics[] = {"TEXCOORD0", "TANGENT", "NORMAL"};
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        EXPECT_STREQ(semantics[i], Desc(effect->GetParameter(streams, i)).Semantic);
    }
    EXPECT_EQ(nullptr, effect->GetParameter(streams, 3));

    EffectHandle colour = effect->GetParameterByName(nullptr, "lights[1].colour");
    ASSERT_NE(nullptr, colour);
    EXPECT_EQ(16u, Desc(colour).Bytes);
    EXPECT_EQ(colour, effect->GetParameterByName(effect->GetParameterElement("lights", 1), "colour"));
    EXPECT_EQ(64u, Desc(effect->GetParameterByName(nullptr, "lights[1].mShadow")).Bytes);
    for (const char* missing : {"lights[2].colour", "lights.colour", "lights[1].color", "lights[1]colour",
                                "lights[]", "absent", ""})
    {
        EXPECT_EQ(nullptr, effect->GetParameterByName(nullptr, missing)) << missing;
    }

    const ParameterDesc element = Desc(effect->GetParameterElement("palette", 25));
    EXPECT_STREQ("palette", element.Name);
    EXPECT_STREQ("BONEMATRIXPALETTE", element.Semantic);
    EXPECT_EQ(0u, element.Elements);
    EXPECT_EQ(64u, element.Bytes);
    EXPECT_EQ(nullptr, effect->GetParameterElement("palette", 26));

    EXPECT_STREQ("mWorldViewProj", Desc(effect->GetParameterBySemantic(nullptr, "worldviewprojection")).Name);
    EXPECT_STREQ("n", Desc(effect->GetParameterBySemantic(streams, "normal")).Name);
    EXPECT_EQ(nullptr, effect->GetParameterBySemantic(nullptr, "WORLD"));
}

TEST_F(EffectReflectionTest, TechniquesPassesAndAnnotations)
{
    EffectHandle skinned = effect->GetTechniqueByName("_skinnedmesh");
    ASSERT_NE(nullptr, skinned);
    EXPECT_EQ(nullptr, effect->GetTechniqueByName("_skinnedMesh"));
    EXPECT_EQ(effect->GetTechnique(0), effect->GetCurrentTechnique());
    TechniqueDesc technique;
    ASSERT_EQ(Ok, effect->GetTechniqueDesc(skinned, &technique));
    EXPECT_STREQ("_skinnedmesh", technique.Name);
    EXPECT_EQ(3u, technique.Passes);
    std::int32_t order = 0;
    ASSERT_EQ(Ok, effect->GetInt(effect->GetAnnotationByName(skinned, "Order"), &order));
    EXPECT_EQ(2, order);
    const char* names[] = {"p0", "", "restore"};
    for (std::uint32_t i = 0; i < 3; ++i)
    {
        PassDesc pass;
        ASSERT_EQ(Ok, effect->GetPassDesc(effect->GetPass(skinned, i), &pass));
        ASSERT_NE(nullptr, pass.Name);
        EXPECT_STREQ(names[i], pass.Name);
    }
    EXPECT_EQ(nullptr, effect->GetPass(skinned, 3));

    EXPECT_EQ(Ok, effect->SetTechnique("_skinnedmesh"));
    EXPECT_EQ(skinned, effect->GetCurrentTechnique());
    EXPECT_EQ(InvalidCall, effect->SetTechnique("absent"));
    EXPECT_EQ(skinned, effect->GetCurrentTechnique());
    EXPECT_EQ(InvalidCall, effect->SetTechnique(effect->GetParameter(nullptr, 0)));
    EXPECT_EQ(skinned, effect->GetCurrentTechnique());
}

TEST_F(EffectReflectionTest, ValuesRoundTripPackedAndRefuseWhatDoesNotFit)
{
    // lights[2] of {float3, float4, float4x4}: 46 floats, packed without padding.
    std::vector<float> packed(46);
    for (std::size_t i = 0; i < packed.size(); ++i)
    {
        packed[i] = static_cast<float>(i) + 0.5f;
    }
    ASSERT_EQ(Ok, effect->SetValue("lights", packed.data(), 184));
    std::vector<float> back(46, -1.0f);
    ASSERT_EQ(Ok, effect->GetValue("lights", back.data(), 184));
    EXPECT_EQ(packed, back);
    float colour[4] = {};
    ASSERT_EQ(Ok, effect->GetVector("lights[1].colour", colour));
    EXPECT_EQ(23 + 3 + 0.5f, colour[0]); // element 1 starts at float 23, its colour 3 floats in

    Platform::DebugOutputCapture trace;
    EXPECT_EQ(InvalidCall, effect->SetValue("lights", packed.data(), 183));
    EXPECT_EQ(InvalidCall, effect->SetValue("lights", packed.data(), 188));
    EXPECT_EQ(InvalidCall, effect->SetFloat("c_vLightDir", 1.0f));
    EXPECT_EQ(InvalidCall, effect->SetValue("sName", "x", 2));
    EXPECT_EQ(InvalidCall, effect->SetValue("_staticmesh", packed.data(), 4));
    EXPECT_EQ(InvalidCall,
              effect->SetMatrix("lights[0].dir", reinterpret_cast<const Matrix*>(packed.data())));
    EXPECT_EQ(InvalidCall, effect->SetFloat("absent", 1.0f));
    ASSERT_EQ(Ok, effect->GetValue("lights", back.data(), 184));
    EXPECT_EQ(packed, back);
    // One trace per parameter, naming it.
    const std::string traced = trace.Text();
    EXPECT_NE(std::string::npos, traced.find("\"lights\""));
    EXPECT_EQ(traced.find("\"lights\""), traced.rfind("\"lights\""));
    EXPECT_NE(std::string::npos, traced.find("\"c_vLightDir\""));

    // SetVector writes a float3 member's three components and leaves the colour after it alone.
    const float vector[4] = {7, 8, 9, 10};
    ASSERT_EQ(Ok, effect->SetVector("lights[0].dir", vector));
    ASSERT_EQ(Ok, effect->GetValue("lights", back.data(), 184));
    EXPECT_EQ((std::vector<float>{7, 8, 9, 3.5f}), std::vector<float>(back.begin(), back.begin() + 4));

    // Set by path, read through the element's handle.
    ASSERT_EQ(Ok, effect->SetVector("lights[1].colour", vector));
    ASSERT_EQ(Ok,
              effect->GetVector(effect->GetParameter(effect->GetParameterElement("lights", 1), 1), colour));
    EXPECT_EQ(10.0f, colour[3]);

    // Conversions: toward zero for int, non-zero for bool, stored as 0 or 1.
    std::int32_t integer = 0;
    ASSERT_EQ(Ok, effect->SetFloat("iCount", -2.75f));
    ASSERT_EQ(Ok, effect->GetInt("iCount", &integer));
    EXPECT_EQ(-2, integer);
    const std::int32_t five = 5;
    ASSERT_EQ(Ok, effect->SetValue("bFlag", &five, 4));
    ASSERT_EQ(Ok, effect->GetValue("bFlag", &integer, 4));
    EXPECT_EQ(1, integer);

    // A matrix array: count at most Elements, elements 0 .. count - 1 written.
    Matrix matrices[2];
    matrices[1].m[3][0] = 5.0f;
    ASSERT_EQ(Ok, effect->SetMatrixArray("palette", matrices, 2));
    Matrix read;
    ASSERT_EQ(Ok, effect->GetMatrix(effect->GetParameterElement("palette", 1), &read));
    EXPECT_EQ(5.0f, read.m[3][0]);
    std::vector<Matrix> tooMany(27);
    EXPECT_EQ(InvalidCall, effect->SetMatrixArray("palette", tooMany.data(), 27));
}

// Each snippet leaves `int v` with the value beside it.
TEST(EffectPreprocessorTest, ConditionsMacrosAndExpressions)
{
    struct Row
    {
        const char* text;
        const Macro* macros;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"#if MAXVERTEXSHADERCONST >= 256\nint v = 1;\n#else\nint v = 2;\n#endif\n", kEngineMacros, 1},
        {"#ifdef D3DSTENCILCAPS_TWOSIDED\nint v = 1;\n#else\nint v = 2;\n#endif\n", kEngineMacrosOneSided, 2},
        {"#define A\n#if defined(A) && !defined B && defined Qen\nint v = 3;\n#endif\n", kEngineMacros, 3},
        {"#if 0x10 == 16 && (0xff & 0x0F) == 15 && (1 << 4 | 2) == 18 && -7 / 2 == -3 && 7 % 4 == 3\nint v = "
         "4;\n"
         "#endif\n",
         nullptr, 4},
        {"#define TWICE(x) ((x) * 2)\n#if TWICE(3 + 1) == 8\nint v = 8;\n#endif\n", nullptr, 8},
        {"#if 1 ? 0 : 1\nint v = 1;\n#elif UNKNOWN_NAME == 0 && !(2 > 3) && ~0 == -1\nint v = 7;\n#endif\n",
         nullptr, 7},
        {"#define LOOP LOOP + 1\n#if LOOP == 1\nint v = 9;\n#endif\n", nullptr, 9},
        {"#define A B\n#define B A\n#define A_B_DONE 10\nint v = A_B_DONE;\n#undef A_B_DONE\n", nullptr, 10},
        {"#define LONG 1\\\n1\nint v = LONG;\n", nullptr, 11},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.text);
        Made made = MakeEffect(row.text, nullptr, row.macros);
        ASSERT_EQ(Ok, made.result) << made.messages;
        std::int32_t value = 0;
        EXPECT_EQ(Ok, made.effect->GetInt("v", &value));
        EXPECT_EQ(row.expected, value);
        made.effect->Release();
    }
    // Names that expand into each other stop: A becomes B becomes A, which stays.
    Made mutual = MakeEffect("#define A B\n#define B A\nfloat A;\n");
    ASSERT_EQ(Ok, mutual.result) << mutual.messages;
    EXPECT_NE(nullptr, mutual.effect->GetParameterByName(nullptr, "A"));
    mutual.effect->Release();
}

// Serves files from a table and records every call.
class RecordingInclude : public Include
{
public:
    struct Call
    {
        std::uint32_t type;
        std::string name;
        const void* parent;
    };

    Result Open(std::uint32_t type, const char* name, const void* parent, const void** data,
                std::uint32_t* bytes) override
    {
        opens.push_back({type, name, parent});
        for (const auto& file : files)
        {
            if (file.first == name)
            {
                *data = file.second.data();
                *bytes = static_cast<std::uint32_t>(file.second.size());
                return Ok;
            }
        }
        return NotFound;
    }

    Result Close(const void* data) override
    {
        closes.push_back(data);
        return Ok;
    }

    std::vector<std::pair<std::string, std::string>> files;
    std::vector<Call> opens;
    std::vector<const void*> closes;
};

TEST(EffectIncludeTest, HandlerSeesNamesAsWrittenTypesParentsAndOneClosePerOpen)
{
    RecordingInclude include;
    include.files = {{"Lib/a.fx", "#include \"c.fx\"\nfloat a = C_VALUE;\n"},
                     {"c.fx", "#define C_VALUE 3"},
                     {"b.fx", "float b = 2;"}};
    Made made = MakeEffect("#include \"Lib/a.fx\"\n#include <b.fx>\n", nullptr, nullptr, &include);
    ASSERT_EQ(Ok, made.result) << made.messages;
    ASSERT_EQ(3u, include.opens.size());
    EXPECT_EQ("Lib/a.fx", include.opens[0].name);
    EXPECT_EQ(0u, include.opens[0].type);
    EXPECT_EQ(nullptr, include.opens[0].parent);
    EXPECT_EQ("c.fx", include.opens[1].name);
    EXPECT_EQ(include.files[0].second.data(), include.opens[1].parent);
    EXPECT_EQ("b.fx", include.opens[2].name);
    EXPECT_EQ(1u, include.opens[2].type);
    EXPECT_EQ(3u, include.closes.size());
    float a = 0;
    EXPECT_EQ(Ok, made.effect->GetFloat("a", &a));
    EXPECT_EQ(3.0f, a);
    made.effect->Release();

    // A file that includes itself ends at the depth limit, every open closed again.
    RecordingInclude loop;
    loop.files = {{"self.fx", "#include \"self.fx\"\n"}};
    Made deep = MakeEffect("#include \"self.fx\"\n", nullptr, nullptr, &loop);
    EXPECT_EQ(Fail, deep.result);
    EXPECT_EQ(32u, loop.opens.size());
    EXPECT_EQ(loop.opens.size(), loop.closes.size());
    EXPECT_EQ("self.fx(1): error: includes are nested more than 32 deep", FirstLine(deep.messages));
}

using EffectFileTest = TempFolderTest;

TEST_F(EffectFileTest, IncludesBesideTheIncludingFileAndMissingOnes)
{
    WriteFile("Shaders/main.fx", "#include \"Common/one.fx\"\nfloat total = ONE_AND_TWO;\n");
    WriteFile("Shaders/Common/one.fx", "#include \"two.fx\"\n");
    WriteFile("Shaders/Common/two.fx", "#define ONE_AND_TWO 3\n");
    Effect* effect = nullptr;
    ByteBuffer* messages = nullptr;
    ASSERT_EQ(Ok, CreateEffectFromFile(nullptr, PathOf("Shaders/main.fx").c_str(), nullptr, nullptr, 0,
                                       nullptr, &effect, &messages))
        << TakeText(messages);
    EXPECT_EQ(nullptr, messages);
    float total = 0;
    EXPECT_EQ(Ok, effect->GetFloat("total", &total));
    EXPECT_EQ(3.0f, total);
    effect->Release();

    const std::string broken = PathOf("Shaders/broken.fx");
    WriteFile("Shaders/broken.fx", "float a;\n\n#include \"absent.fx\"\n");
    EXPECT_EQ(Fail, CreateEffectFromFile(nullptr, broken.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                                         &messages));
    EXPECT_EQ(nullptr, effect);
    EXPECT_EQ(broken + "(3): error: cannot open include file \"absent.fx\"", FirstLine(TakeText(messages)));

    EXPECT_EQ(NotFound, CreateEffectFromFile(nullptr, PathOf("absent.fx").c_str(), nullptr, nullptr, 0,
                                             nullptr, &effect, &messages));
    EXPECT_EQ(nullptr, messages);
}

TEST(EffectMessagesTest, FirstErrorNamesFileAndLine)
{
    struct Row
    {
        const char* text;
        const char* expected; // the start of the first line
    };
    const Row rows[] = {
        {"float a;\nfloat b;\n\n\nfloat c;\n\nfloat d = 1 2;\n", "memory(7): error: expected ';'"},
        {"half h;\n", "memory(1): error: unsupported type 'half'"},
        {"float3x3 m;\n", "memory(1): error: unsupported type 'float3x3'"},
        {"float a;\nint a;\n", "memory(2): error: parameter a is declared twice"},
        {"technique t {\n pass { ZEnabel = true; }\n}\n", "memory(2): error: unknown state ZEnabel"},
        {"technique t { pass { CullMode = Less; } }\n",
         "memory(1): error: 'Less' is not a value of CullMode"},
        {"technique t { pass { AlphaRef = 0.5; } }\n", "memory(1): error: AlphaRef takes an integer"},
        {"technique t {\n pass {\n  VertexProgram = vsMissing;\n }\n}\n",
         "memory(3): error: no vertexprogram vsMissing"},
        {"float4 c;\nsampler2D s = sampler_state { Texture = <c>; };\n",
         "memory(2): error: the Texture of sampler s must be a texture parameter"},
        {"float a[0];\n", "memory(1): error: array size 0 is not between 1 and 4096"},
        {"float a[5000];\n", "memory(1): error: array size 5000 is not between 1 and 4096"},
        {"float4 c = { 1, 2, 3 };\n", "memory(1): error: float4 needs 4 values, 3 given"},
        {"float a;\nvertexprogram vs {\n void main() {\n",
         "memory(2): error: the body of vertexprogram vs is not closed"},
        {"vertexprogram vs {\n in vec4 p : PSIZE;\n void main() {}\n}\n",
         "memory(2): error: unknown vertex input semantic PSIZE"},
        {"vertexprogram vs {\n in vec2 t : TEXCOORD8;\n void main() {}\n}\n",
         "memory(2): error: vertex input semantic TEXCOORD8 has no attribute location"},
        {"\n#error stop here\n", "memory(2): error: stop here"},
        {"float a;\n#endif\n", "memory(2): error: #endif without #if"},
        {"#if 1\nfloat a;\n", "memory(1): error: #if without #endif"},
        {"#if 1 / 0\n#endif\n", "memory(1): error: division by zero"},
        {"#pragma once\n", "memory(1): error: unknown directive #pragma"},
        {"float4 gl_Tint;\n", "memory(1): error: 'gl_Tint' is a reserved name"},
        {"struct S { float a; };\nS Sampler3;\n", "memory(2): error: 'Sampler3' is a reserved name"},
        {"float c;\nstruct S { float c; };\n",
         "memory(2): error: member c of struct S has the name of a parameter"},
        {"float a = 1;\n@\n", "memory(2): error: unexpected character '@'"},
        {"technique t {}\ntechnique t {}\n", "memory(2): error: technique t is declared twice"},
        {"shared sampler2D s;\n", "memory(1): error: samplers cannot be shared"},
        {"fragmentprogram fs { in vec2 uv : TEXCOORD0; void main() {} }\n",
         "memory(1): error: fragment program inputs take no semantic"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.text);
        Made made = MakeEffect(row.text);
        EXPECT_EQ(Fail, made.result);
        EXPECT_EQ(nullptr, made.effect);
        EXPECT_EQ(0u, FirstLine(made.messages).rfind(row.expected, 0)) << made.messages;
    }
    Made nul = MakeEffect(std::string("float a;\nfloat\0b;\n", 17));
    EXPECT_EQ("memory(2): error: NUL byte in the text", FirstLine(nul.messages));
}

TEST(EffectMessagesTest, WarningsKeepTheEffectAndACleanFileSaysNothing)
{
    Made warned = MakeEffect("float a;\n#warning check the values\n");
    ASSERT_EQ(Ok, warned.result);
    ASSERT_NE(nullptr, warned.effect);
    EXPECT_EQ("memory(2): warning: check the values\n", warned.messages);
    warned.effect->Release();

    ByteBuffer* messages = reinterpret_cast<ByteBuffer*>(1);
    Effect* effect = nullptr;
    const char clean[] = "float a;";
    ASSERT_EQ(
        Ok, CreateEffect(nullptr, clean, sizeof clean - 1, nullptr, nullptr, 0, nullptr, &effect, &messages));
    EXPECT_EQ(nullptr, messages);
    EXPECT_EQ(1u, effect->AddRef() - 1);
    EXPECT_EQ(1u, effect->Release());
    EXPECT_EQ(0u, effect->Release());
}

TEST_F(EffectFileTest, PoolSharesValuesBetweenEffectsAndRefusesAnotherType)
{
    const std::string structs = "struct Light { float4 vLightColor; float3 vDirectionWS; };\n";
    WriteFile("a.fx",
              "shared float4 c_vTint = { 1, 0, 0, 1 };\n" + structs + "shared Light c_axLights[2];\n");
    WriteFile("_shared.fx",
              "shared float4 c_vTint = { 0, 1, 0, 1 };\n" + structs + "shared Light c_axLights[2];\n");
    EffectPool* pool = nullptr;
    ASSERT_EQ(Ok, CreateEffectPool(&pool));

    Effect* a = nullptr;
    ByteBuffer* messages = nullptr;
    ASSERT_EQ(Ok, CreateEffectFromFile(nullptr, PathOf("a.fx").c_str(), kEngineMacros, nullptr, 0x820, pool,
                                       &a, &messages));
    // The shared effect the engine makes from memory after others have declared the values.
    const std::string sharedText =
        "#include \"" + PathOf("_shared.fx") + "\"\n\ntechnique shared_fx_dummy_technique {}";
    Made shared = MakeEffect(sharedText, pool);
    ASSERT_EQ(Ok, shared.result) << shared.messages;
    float tint[4] = {};
    ASSERT_EQ(Ok, shared.effect->GetVector("c_vTint", tint));
    EXPECT_EQ((std::vector<float>{1, 0, 0, 1}), std::vector<float>(tint, tint + 4));

    const float blue[4] = {0, 0, 1, 1};
    ASSERT_EQ(Ok, shared.effect->SetVector("c_vTint", blue));
    ASSERT_EQ(Ok, a->GetVector(a->GetParameterByName(nullptr, "c_vTint"), tint));
    EXPECT_EQ(1.0f, tint[2]);
    const float colour[4] = {0.25f, 0.5f, 0.75f, 1};
    ASSERT_EQ(Ok, a->SetVector("c_axLights[1].vLightColor", colour));
    ASSERT_EQ(Ok,
              shared.effect->GetVector(
                  shared.effect->GetParameter(shared.effect->GetParameterElement("c_axLights", 1), 0), tint));
    EXPECT_EQ(0.75f, tint[2]);

    Made other = MakeEffect("\nshared float3 c_vTint;\n", pool);
    EXPECT_EQ(Fail, other.result);
    EXPECT_EQ("memory(2): error: shared parameter c_vTint is float3 here but float4 in " + PathOf("a.fx") +
                  "(1)",
              FirstLine(other.messages));

    // Each effect holds the pool; the values live until the pool goes.
    EXPECT_EQ(4u, pool->AddRef());
    EXPECT_EQ(3u, pool->Release());
    a->Release();
    shared.effect->Release();
    EXPECT_EQ(0u, pool->Release());
}

TEST(EffectFormatTest, TheDocumentsExampleIsTheTestedFileAndCompilesCleanly)
{
    const std::string data = QUARROW_TEST_DATA_DIR;
    std::ifstream formatFile(data + "/../../../platform/gfxkit/effect/FORMAT.md");
    const std::string format((std::istreambuf_iterator<char>(formatFile)), std::istreambuf_iterator<char>());
    const std::string marker = "```fx\n";
    const std::size_t start = format.find(marker);
    ASSERT_NE(std::string::npos, start);
    const std::size_t end = format.find("```", start + marker.size());
    std::ifstream exampleFile(data + "/effect/example.fx");
    const std::string example((std::istreambuf_iterator<char>(exampleFile)),
                              std::istreambuf_iterator<char>());
    EXPECT_EQ(example, format.substr(start + marker.size(), end - start - marker.size()));

    EffectPool* pool = nullptr;
    ASSERT_EQ(Ok, CreateEffectPool(&pool));
    Effect* effect = nullptr;
    ByteBuffer* messages = nullptr;
    EXPECT_EQ(Ok, CreateEffectFromFile(nullptr, (data + "/effect/example.fx").c_str(), kEngineMacros, nullptr,
                                       0x820, pool, &effect, &messages));
    EXPECT_EQ("", TakeText(messages));
    ASSERT_NE(nullptr, effect);
    EXPECT_NE(nullptr, effect->GetTechniqueByName("_staticmesh"));
    effect->Release();
    pool->Release();
}

} // namespace
} // namespace EffectTesting
