#include "tests/platform/gfx/GfxFixture.h"
#include "tests/platform/gfxkit/EffectTestSupport.h"

#include "platform/gfx/Buffer.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Shader.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/EffectStateManager.h"
#include "platform/gfxkit/effect/LinkedLayout.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace EffectTesting
{
namespace
{

using namespace Platform::Gfx;

// A vertex with every input the test effects read.
struct Vertex
{
    float x, y, z;
    std::uint32_t indices; // D3DCOLOR: bytes blue, green, red, alpha = indices 0, 1, 2, 3
    float weight;
    float u, v;
};

constexpr const char* kPositionProgram = R"(
vertexprogram vsPosition
{
    in vec3 aPosition : POSITION;
    in vec2 aUv : TEXCOORD0;
    out vec2 vUv;
    void main()
    {
        gl_Position = vec4(aPosition, 1.0);
        vUv = aUv;
    }
}
)";

// Channels within `tolerance` steps of each other.
bool Near(std::uint32_t a, std::uint32_t b, int tolerance = 2)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) >
            tolerance)
        {
            return false;
        }
    }
    return true;
}

// Serves one text for every include.
class RecordingIncludeForDraw : public Include
{
public:
    Result Open(std::uint32_t, const char*, const void*, const void** data, std::uint32_t* bytes) override
    {
        *data = text.data();
        *bytes = static_cast<std::uint32_t>(text.size());
        return Ok;
    }
    Result Close(const void*) override { return Ok; }

    std::string text;
};

// Writes down every call an effect makes, and passes it on to the device.
class RecordingStateManager : public EffectStateManager
{
public:
    explicit RecordingStateManager(Device* device) : device_(device) {}

    Result QueryInterface(const InterfaceId&, void**) override { return NoInterface; }
    std::uint32_t AddRef() override { return ++refs; }
    std::uint32_t Release() override { return --refs; }
    Result SetTransform(std::uint32_t, const Matrix*) override { return Note("transform"); }
    Result SetMaterial(const Platform::Gfx::Material*) override { return Note("material"); }
    Result SetLight(std::uint32_t, const Light*) override { return Note("light"); }
    Result LightEnable(std::uint32_t, bool) override { return Note("light enable"); }
    Result SetRenderState(std::uint32_t state, std::uint32_t value) override
    {
        Note("state " + std::to_string(state) + " " + std::to_string(value));
        return device_->SetRenderState(state, value);
    }
    Result SetTexture(std::uint32_t stage, BaseTexture* texture) override
    {
        Note("texture " + std::to_string(stage) + (texture ? " set" : " none"));
        return device_->SetTexture(stage, texture);
    }
    Result SetTextureStageState(std::uint32_t, std::uint32_t, std::uint32_t) override
    {
        return Note("stage state");
    }
    Result SetSamplerState(std::uint32_t sampler, std::uint32_t type, std::uint32_t value) override
    {
        Note("sampler " + std::to_string(sampler) + " " + std::to_string(type) + " " + std::to_string(value));
        return device_->SetSamplerState(sampler, type, value);
    }
    Result SetNPatchMode(float) override { return Note("npatch"); }
    Result SetFVF(std::uint32_t) override { return Note("fvf"); }
    Result SetVertexShader(Shader* shader) override
    {
        Note(shader ? "vertex program" : "vertex program none");
        return device_->SetVertexShader(shader);
    }
    Result SetVertexShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count) override
    {
        Note("vertex constants " + std::to_string(start) + " " + std::to_string(count));
        return device_->SetVertexShaderConstantF(start, data, count);
    }
    Result SetVertexShaderConstantI(std::uint32_t, const std::int32_t*, std::uint32_t) override
    {
        return Note("int");
    }
    Result SetVertexShaderConstantB(std::uint32_t, const std::int32_t*, std::uint32_t) override
    {
        return Note("bool");
    }
    Result SetPixelShader(Shader* shader) override
    {
        Note(shader ? "pixel program" : "pixel program none");
        return device_->SetPixelShader(shader);
    }
    Result SetPixelShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count) override
    {
        Note("pixel constants " + std::to_string(start) + " " + std::to_string(count));
        return device_->SetPixelShaderConstantF(start, data, count);
    }
    Result SetPixelShaderConstantI(std::uint32_t, const std::int32_t*, std::uint32_t) override
    {
        return Note("int");
    }
    Result SetPixelShaderConstantB(std::uint32_t, const std::int32_t*, std::uint32_t) override
    {
        return Note("bool");
    }

    std::vector<std::string> calls;
    std::uint32_t refs = 1;

private:
    Result Note(const std::string& call)
    {
        calls.push_back(call);
        return Ok;
    }

    Device* device_;
};

class EffectDrawTest : public GfxTesting::GfxFixture
{
protected:
    void SetUp() override
    {
        MakeDevice(64, 64);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_EQ(Ok, device->CreateRenderTarget(64, 64, Format::A8R8G8B8, 0, 0, false, &target, nullptr));
        ASSERT_EQ(Ok, device->SetRenderTarget(0, target));
        ASSERT_EQ(Ok, device->SetDepthStencilSurface(nullptr));
        const VertexElement elements[] = {
            {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
            {0, 12, DeclType::Color, 0, DeclUsage::BlendIndices, 0},
            {0, 16, DeclType::Float1, 0, DeclUsage::BlendWeight, 0},
            {0, 20, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
            DeclarationEnd,
        };
        ASSERT_EQ(Ok, device->CreateVertexDeclaration(elements, &declaration));
        ASSERT_EQ(Ok, device->SetVertexDeclaration(declaration));
        ASSERT_EQ(Ok, CreateEffectPool(&pool));
    }

    void TearDown() override
    {
        for (Effect* effect : effects)
        {
            EXPECT_EQ(0u, effect->Release());
        }
        if (pool)
        {
            EXPECT_EQ(0u, pool->Release());
        }
        for (CountedObject* object :
             {static_cast<CountedObject*>(target), static_cast<CountedObject*>(declaration)})
        {
            if (object)
            {
                object->Release();
            }
        }
        GfxFixture::TearDown();
    }

    // An effect on the device in the fixture's pool; released by the fixture.
    Effect* Make(const std::string& text, Include* include = nullptr)
    {
        Made made = MakeEffect(text, pool, kEngineMacros, include, device);
        EXPECT_EQ(Ok, made.result) << made.messages;
        EXPECT_EQ("", made.messages);
        if (made.effect)
        {
            effects.push_back(made.effect);
        }
        return made.effect;
    }

    void Clear(std::uint32_t colour)
    {
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, colour, 1.0f, 0));
    }

    // A quad in clip space, corners clockwise on the screen; uv 0,0 at the top left.
    void DrawQuad(float left, float top, float right, float bottom, std::uint32_t indices = 0,
                  float weight = 1.0f)
    {
        const Vertex vertices[] = {
            {left, top, 0.5f, indices, weight, 0, 0},
            {right, top, 0.5f, indices, weight, 1, 0},
            {left, bottom, 0.5f, indices, weight, 0, 1},
            {right, bottom, 0.5f, indices, weight, 1, 1},
        };
        VertexBuffer* buffer = nullptr;
        ASSERT_EQ(Ok, device->CreateVertexBuffer(sizeof vertices, Usage::WriteOnly, 0, Pool::Managed, &buffer,
                                                 nullptr));
        void* data = nullptr;
        ASSERT_EQ(Ok, buffer->Lock(0, 0, &data, 0));
        std::memcpy(data, vertices, sizeof vertices);
        buffer->Unlock();
        device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
        buffer->Release();
        ASSERT_EQ(Ok, device->BeginScene());
        EXPECT_EQ(Ok, device->DrawPrimitive(PrimitiveType::TriangleStrip, 0, 2));
        ASSERT_EQ(Ok, device->EndScene());
    }

    // Runs every pass of the current technique around one quad.
    void DrawWith(Effect* effect, float left = -1, float top = 1, float right = 1, float bottom = -1,
                  std::uint32_t indices = 0, float weight = 1.0f)
    {
        std::uint32_t passes = 0;
        ASSERT_EQ(Ok, effect->Begin(&passes, DoNotSaveState));
        for (std::uint32_t p = 0; p < passes; ++p)
        {
            ASSERT_EQ(Ok, effect->BeginPass(p));
            DrawQuad(left, top, right, bottom, indices, weight);
            ASSERT_EQ(Ok, effect->EndPass());
        }
        ASSERT_EQ(Ok, effect->End());
    }

    std::uint32_t Pixel(int x, int y) { return Pixels(target)[static_cast<std::size_t>(y * 64 + x)]; }

    Surface* target = nullptr;
    VertexDeclaration* declaration = nullptr;
    EffectPool* pool = nullptr;
    std::vector<Effect*> effects;
};

TEST_F(EffectDrawTest, TechniquesChosenByNameDrawTheirOwnPixels)
{
    Effect* effect = Make(std::string(R"(
float4 c_vTint = { 1, 1, 1, 1 };
texture2D c_tDiffuseMap;
sampler2D sDiffuse = sampler_state { Texture = <c_tDiffuseMap>; MinFilter = Point; MagFilter = Point; };
fragmentprogram fsTextured { in vec2 vUv; void main() { FragmentColor = texture(sDiffuse, vUv) * c_vTint; } }
fragmentprogram fsFlat { in vec2 vUv; void main() { FragmentColor = vec4(1.0, 1.0, 0.0, 1.0); } }
technique _staticmesh { pass p0 { VertexProgram = vsPosition; FragmentProgram = fsTextured; CullMode = None; } }
technique flat { pass p0 { VertexProgram = vsPosition; FragmentProgram = fsFlat; CullMode = None; } }
)") + kPositionProgram);
    ASSERT_NE(nullptr, effect);
    // Red and green above, blue and white below: v = 0 is the top row.
    Texture* texture = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(2, 2, 1, 0, Format::A8R8G8B8, Pool::Managed, &texture, nullptr));
    LockedRect locked;
    ASSERT_EQ(Ok, texture->LockRect(0, &locked, nullptr, 0));
    const std::uint32_t texels[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
    for (int y = 0; y < 2; ++y)
    {
        std::memcpy(static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch, texels + 2 * y, 8);
    }
    texture->UnlockRect(0);
    ASSERT_EQ(Ok, effect->SetTexture("c_tDiffuseMap", texture));
    texture->Release();
    const float tint[4] = {0.5f, 1, 1, 1};
    ASSERT_EQ(Ok, effect->SetVector("c_vTint", tint));

    Clear(0xFF000000u);
    DrawWith(effect, -1, 1, 0, -1);
    ASSERT_EQ(Ok, effect->SetTechnique("flat"));
    DrawWith(effect, 0, 1, 1, -1);
    EXPECT_EQ(Ok, SaveSurfaceToPng(target, OutputPath("effect_quad.png")));
    EXPECT_TRUE(Near(0xFF800000u, Pixel(8, 8))) << std::hex << Pixel(8, 8);
    EXPECT_TRUE(Near(0xFF00FF00u, Pixel(24, 8))) << std::hex << Pixel(24, 8);
    EXPECT_TRUE(Near(0xFF0000FFu, Pixel(8, 56))) << std::hex << Pixel(8, 56);
    EXPECT_TRUE(Near(0xFF80FFFFu, Pixel(24, 56))) << std::hex << Pixel(24, 56);
    EXPECT_EQ(0xFFFFFF00u, Pixel(48, 32));
}

TEST_F(EffectDrawTest, ConstantLayoutIsTheCompilersAndValuesSetByPathReachTheProgram)
{
    Effect* effect = Make(std::string(R"(
struct Light { float4x4 mShadow; float3 dir; };
float a; float3 b; float c; float2 d; float w[4]; int i; bool flag; float4x4 m; Light single; Light lights[2];
fragmentprogram fsRead
{
    in vec2 vUv;
    void main()
    {
        float keep = a + b.x + c + d.x + float(i) + (flag ? 1.0 : 0.0) + m[0][0] + single.dir.x + lights[0].dir.x;
        FragmentColor = vec4(lights[1].mShadow[3].xyz, w[2]) + 0.0 * keep;
    }
}
technique t { pass { VertexProgram = vsPosition; FragmentProgram = fsRead; CullMode = None; } }
)") + kPositionProgram);
    ASSERT_NE(nullptr, effect);
    const ConstantLayout& layout = effect->Constants();
    std::vector<std::string> names;
    for (const ConstantPlace& place : layout.places)
    {
        names.push_back(place.name);
    }
    const std::vector<ConstantPlace> linked =
        LinkedLayout(*device, effect->Program("vsPosition", true), effect->Program("fsRead", false),
                     "PixelConstants", names);
    ASSERT_EQ(layout.places.size(), linked.size());
    for (std::size_t k = 0; k < linked.size(); ++k)
    {
        SCOPED_TRACE(names[k]);
        EXPECT_EQ(linked[k].offset, layout.places[k].offset);
        EXPECT_EQ(linked[k].arrayStride, layout.places[k].arrayStride);
        EXPECT_EQ(linked[k].matrixStride, layout.places[k].matrixStride);
    }

    // GLSL's mShadow[3] is the matrix's fourth column.
    Matrix shadow;
    shadow.m[0][3] = 0.25f;
    shadow.m[1][3] = 0.5f;
    shadow.m[2][3] = 0.75f;
    ASSERT_EQ(Ok, effect->SetMatrix("lights[1].mShadow", &shadow));
    ASSERT_EQ(Ok, effect->SetFloat("w[2]", 1.0f));
    Clear(0xFF000000u);
    DrawWith(effect);
    EXPECT_TRUE(Near(0xFF4080BFu, Pixel(32, 32))) << std::hex << Pixel(32, 32);
}

TEST_F(EffectDrawTest, GlslMessagesPointAtTheEffectsLines)
{
    RecordingIncludeForDraw include;
    include.text = "// helpers\nvec4 Broken()\n{\n    return undefined_name;\n}\n";
    struct Row
    {
        std::string text;
        const char* expected;
    };
    const Row rows[] = {
        {std::string(
             "fragmentprogram fs\n{\n    void main()\n    {\n        FragmentColor = nothing;\n    }\n}\n"
             "technique t { pass { VertexProgram = vsPosition; FragmentProgram = fs; } }\n") +
             kPositionProgram,
         "memory(5): error:"},
        {std::string("glsl {\n#include \"lib.glsl\"\n}\n"
                     "fragmentprogram fs { void main() { FragmentColor = Broken(); } }\n"
                     "technique t { pass { VertexProgram = vsPosition; FragmentProgram = fs; } }\n") +
             kPositionProgram,
         "lib.glsl(4): error:"},
        {std::string(
             "fragmentprogram fs { in vec3 vUv; void main() { FragmentColor = vec4(vUv, 1.0); } }\n"
             "technique t {\n pass p0\n {\n  VertexProgram = vsPosition; FragmentProgram = fs;\n }\n}\n") +
             kPositionProgram,
         "memory(3): error: the programs of pass p0 do not link"},
        {"float4 big[257];\n", "memory(1): error: the parameters need 257 constant registers"},
        {"sampler2D s0;\nsampler2D s1;\nsampler2D s2;\nsampler2D s3;\nsampler2D s4;\nsampler2D "
         "s5;\nsampler2D s6;\nsampler2D s7;\nsampler2D s8;\nsampler2D s9;\nsampler2D s10;\nsampler2D "
         "s11;\nsampler2D s12;\nsampler2D s13;\nsampler2D s14;\nsampler2D s15;\nsampler2D s16;\n",
         "memory(1): error: the effect has 17 samplers, more than 16"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.text);
        Made made = MakeEffect(row.text, pool, kEngineMacros, &include, device);
        EXPECT_EQ(Fail, made.result);
        EXPECT_EQ(nullptr, made.effect);
        EXPECT_EQ(0u, FirstLine(made.messages).rfind(row.expected, 0)) << made.messages;
    }
}

TEST_F(EffectDrawTest, PassesGoThroughTheStateManagerInOrder)
{
    Effect* effect = Make(std::string(R"(
float4 c_vColour = { 0, 1, 0, 1 };
texture2D c_tMap;
sampler2D sMap = sampler_state { Texture = <c_tMap>; MinFilter = Point; AddressU = Clamp; };
fragmentprogram fs { in vec2 vUv; void main() { FragmentColor = texture(sMap, vUv) * c_vColour; } }
technique t
{
    pass p0 { VertexProgram = vsPosition; FragmentProgram = fs; ZEnable = false; CullMode = None; AlphaBlendEnable = true; }
    pass restore { CullMode = CW; AlphaBlendEnable = false; }
}
)") + kPositionProgram);
    ASSERT_NE(nullptr, effect);
    RecordingStateManager manager(device);
    ASSERT_EQ(Ok, effect->SetStateManager(&manager));
    EXPECT_EQ(2u, manager.refs);

    std::uint32_t passes = 0;
    ASSERT_EQ(Ok, effect->Begin(&passes, DoNotSaveState));
    EXPECT_EQ(2u, passes);
    ASSERT_EQ(Ok, effect->BeginPass(0));
    EXPECT_EQ(InvalidCall, effect->BeginPass(1));
    const std::vector<std::string> first = {
        "vertex program", "pixel program", "state 7 0",     "state 22 1",           "state 27 1",
        "texture 0 none", "sampler 0 6 1", "sampler 0 1 3", "vertex constants 0 1", "pixel constants 0 1"};
    EXPECT_EQ(first, manager.calls);
    ASSERT_EQ(Ok, effect->EndPass());
    manager.calls.clear();
    ASSERT_EQ(Ok, effect->BeginPass(1));
    EXPECT_EQ((std::vector<std::string>{"state 22 2", "state 27 0"}), manager.calls);
    ASSERT_EQ(Ok, effect->EndPass());
    ASSERT_EQ(Ok, effect->End());
    EXPECT_EQ(InvalidCall, effect->BeginPass(0));

    // Saving: End puts the device's earlier values back through the manager; with flag 1 it does not.
    ASSERT_EQ(Ok, device->SetRenderState(RenderState::CullMode, Cull::CounterClockwise));
    ASSERT_EQ(Ok, effect->Begin(&passes, 0));
    ASSERT_EQ(Ok, effect->BeginPass(0));
    ASSERT_EQ(Ok, effect->EndPass());
    manager.calls.clear();
    ASSERT_EQ(Ok, effect->End());
    EXPECT_NE(manager.calls.end(), std::find(manager.calls.begin(), manager.calls.end(), "state 22 3"));
    std::uint32_t cull = 0;
    device->GetRenderState(RenderState::CullMode, &cull);
    EXPECT_EQ(Cull::CounterClockwise, cull);
    ASSERT_EQ(Ok, effect->Begin(&passes, DoNotSaveState));
    ASSERT_EQ(Ok, effect->BeginPass(0));
    ASSERT_EQ(Ok, effect->EndPass());
    manager.calls.clear();
    ASSERT_EQ(Ok, effect->End());
    EXPECT_TRUE(manager.calls.empty());

    ASSERT_EQ(Ok, effect->SetStateManager(nullptr));
    EXPECT_EQ(1u, manager.refs);
}

TEST_F(EffectDrawTest, SharedValuesSetThroughOneEffectReachAnothersProgram)
{
    const std::string shared = "struct Light { float4 vLightColor; float3 vDirectionWS; };\n"
                               "shared float4 c_vTint = { 1, 1, 1, 1 };\nshared Light c_axLights[2];\n";
    Effect* a = Make(shared + "technique shared_fx_dummy_technique {}");
    Effect* b = Make(shared + std::string(R"(
fragmentprogram fs { in vec2 vUv; void main() { FragmentColor = c_vTint * c_axLights[1].vLightColor; } }
technique t { pass { VertexProgram = vsPosition; FragmentProgram = fs; CullMode = None; } }
)") + kPositionProgram);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    const float white[4] = {1, 1, 1, 1};
    ASSERT_EQ(Ok, a->SetVector("c_axLights[1].vLightColor", white));
    Clear(0xFF000000u);
    DrawWith(b);
    EXPECT_EQ(0xFFFFFFFFu, Pixel(32, 32));
    const float green[4] = {0, 1, 0, 1};
    ASSERT_EQ(Ok, a->SetVector("c_vTint", green));
    DrawWith(b);
    EXPECT_EQ(0xFF00FF00u, Pixel(32, 32));
}

TEST_F(EffectDrawTest, SkinnedQuadLandsWhereThePaletteMatricesPutIt)
{
    Effect* effect = Make(R"(
float4x4 palette[26] : BONEMATRIXPALETTE;
vertexprogram vsSkinned
{
    in vec3 aPosition : POSITION;
    in vec4 aIndices : BLENDINDICES;
    in float aWeight : BLENDWEIGHT;
    void main()
    {
        ivec4 bones = IndicesFromColor(aIndices);
        vec4 p = vec4(aPosition, 1.0);
        gl_Position = aWeight * (p * palette[bones.x]) + (1.0 - aWeight) * (p * palette[bones.y]);
    }
}
fragmentprogram fsWhite { void main() { FragmentColor = vec4(1.0); } }
technique _skinnedmesh { pass { VertexProgram = vsSkinned; FragmentProgram = fsWhite; CullMode = None; } }
)");
    ASSERT_NE(nullptr, effect);
    // Bone 0 moves right by 1, bone 1 stays: half of each moves the quad right by 0.5.
    Matrix bones[2];
    bones[0].m[3][0] = 1.0f;
    ASSERT_EQ(Ok, effect->SetMatrixArray("palette", bones, 2));
    Clear(0xFF000000u);
    DrawWith(effect, -0.25f, 0.25f, 0.25f, -0.25f, 0x00000100u, 0.5f);
    EXPECT_EQ(Ok, SaveSurfaceToPng(target, OutputPath("effect_skinned.png")));
    EXPECT_EQ(0xFFFFFFFFu, Pixel(48, 32));
    EXPECT_EQ(0xFF000000u, Pixel(32, 32));
    EXPECT_EQ(0xFF000000u, Pixel(60, 32));
}

TEST_F(EffectDrawTest, InnerEffectDrawsInsideAnOuterPassThatHoldsBlending)
{
    Effect* outer =
        Make("technique t { pass { AlphaBlendEnable = true; SrcBlend = One; DestBlend = One; } }");
    Effect* inner = Make(std::string(R"(
fragmentprogram fsGrey { void main() { FragmentColor = vec4(0.25, 0.25, 0.25, 1.0); } }
technique t { pass { VertexProgram = vsPosition; FragmentProgram = fsGrey; CullMode = None; } }
)") + kPositionProgram);
    ASSERT_NE(nullptr, outer);
    ASSERT_NE(nullptr, inner);
    Clear(0xFF404040u);
    std::uint32_t passes = 0;
    ASSERT_EQ(Ok, outer->Begin(&passes, DoNotSaveState));
    ASSERT_EQ(Ok, outer->BeginPass(0));
    DrawWith(inner);
    EXPECT_EQ(Ok, outer->EndPass());
    EXPECT_EQ(Ok, outer->End());
    EXPECT_TRUE(Near(0xFF808080u, Pixel(32, 32))) << std::hex << Pixel(32, 32);
}

TEST_F(EffectDrawTest, LostAndResetAreCountedAndABeginBetweenStillDraws)
{
    Effect* effect = Make(std::string(R"(
fragmentprogram fsBlue { void main() { FragmentColor = vec4(0.0, 0.0, 1.0, 1.0); } }
technique t { pass { VertexProgram = vsPosition; FragmentProgram = fsBlue; CullMode = None; } }
)") + kPositionProgram);
    ASSERT_NE(nullptr, effect);
    ASSERT_EQ(Ok, effect->OnLostDevice());
    EXPECT_EQ(1u, effect->LostDeviceCalls());
    EXPECT_EQ(0u, effect->ResetDeviceCalls());
    Clear(0xFF000000u);
    DrawWith(effect);
    EXPECT_EQ(0xFF0000FFu, Pixel(32, 32));
    ASSERT_EQ(Ok, effect->OnResetDevice());
    EXPECT_EQ(1u, effect->ResetDeviceCalls());

    // Without a device nothing can begin.
    Made plain = MakeEffect("technique t { pass {} }");
    std::uint32_t passes = 7;
    EXPECT_EQ(InvalidCall, plain.effect->Begin(&passes, 0));
    EXPECT_EQ(0u, passes);
    plain.effect->Release();
}

TEST_F(EffectDrawTest, ATextureOfAnotherKindIsBoundAsNoneAndTracedOnce)
{
    Effect* effect = Make(std::string(R"(
texture c_tAny;
sampler2D sFlat = sampler_state { Texture = <c_tAny>; };
fragmentprogram fs { in vec2 vUv; void main() { FragmentColor = texture(sFlat, vUv); } }
technique t { pass { VertexProgram = vsPosition; FragmentProgram = fs; } }
)") + kPositionProgram);
    ASSERT_NE(nullptr, effect);
    CubeTexture* cube = nullptr;
    ASSERT_EQ(Ok, device->CreateCubeTexture(4, 1, 0, Format::A8R8G8B8, Pool::Managed, &cube, nullptr));
    ASSERT_EQ(Ok, effect->SetTexture("c_tAny", cube));
    cube->Release();
    RecordingStateManager manager(device);
    ASSERT_EQ(Ok, effect->SetStateManager(&manager));
    Platform::DebugOutputCapture trace;
    for (int run = 0; run < 2; ++run)
    {
        std::uint32_t passes = 0;
        ASSERT_EQ(Ok, effect->Begin(&passes, DoNotSaveState));
        ASSERT_EQ(Ok, effect->BeginPass(0));
        ASSERT_EQ(Ok, effect->EndPass());
        ASSERT_EQ(Ok, effect->End());
    }
    EXPECT_EQ(2, std::count(manager.calls.begin(), manager.calls.end(), "texture 0 none"));
    const std::string traced = trace.Text();
    EXPECT_NE(std::string::npos, traced.find("\"sFlat\""));
    EXPECT_EQ(traced.find("sFlat"), traced.rfind("sFlat"));
    ASSERT_EQ(Ok, effect->SetStateManager(nullptr));
}

TEST_F(EffectDrawTest, TheDocumentedExampleCompilesOnTheDeviceWithoutAMessage)
{
    Effect* effect = nullptr;
    ByteBuffer* messages = nullptr;
    const std::string path = std::string(QUARROW_TEST_DATA_DIR) + "/effect/example.fx";
    EXPECT_EQ(Ok, CreateEffectFromFile(device, path.c_str(), kEngineMacros, nullptr, 0x820, pool, &effect,
                                       &messages));
    EXPECT_EQ("", TakeText(messages));
    ASSERT_NE(nullptr, effect);
    effects.push_back(effect);
    EXPECT_NE(nullptr, effect->Program("vsPlain", true));
    EXPECT_NE(nullptr, effect->Program("fsPlain", false));
}

} // namespace
} // namespace EffectTesting
