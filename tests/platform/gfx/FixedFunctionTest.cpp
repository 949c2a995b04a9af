#include "tests/platform/gfx/DrawFixture.h"

#include "platform/gfxkit/Math.h"

#include <array>
#include <cmath>

namespace GfxTesting
{
namespace
{

constexpr std::uint32_t kBlue = 0xFF0000FF;

// Pre-transformed vertex with texture coordinates: XYZRHW | TEX1.
struct ScreenVertex
{
    float x, y, z, rhw;
    float u, v;
};

// Pre-transformed vertex with a colour and texture coordinates: XYZRHW | DIFFUSE | TEX1.
struct ColouredScreenVertex
{
    float x, y, z, rhw;
    std::uint32_t color;
    float u, v;
};

// Untransformed vertex: XYZ | DIFFUSE, and XYZ | TEX1.
struct WorldVertex
{
    float x, y, z;
    std::uint32_t color;
};
struct GraphVertex
{
    float x, y, z;
    float u, v;
};

constexpr std::uint32_t kScreenTextured = 0x104;
constexpr std::uint32_t kScreenColouredTextured = 0x144;
constexpr std::uint32_t kWorldColoured = 0x042;
constexpr std::uint32_t kWorldTextured = 0x102;

// The canvas's vertex program (shader path): positions in screen pixels through c1, the diffuse
// colour from c0 = (opacity, brightness, 0, 1), the texture coordinates passed on to the stages.
constexpr const char* kCanvasVertexProgram = R"(
layout(location = 0) in vec4 Position;
layout(location = 8) in vec4 TexCoord0;
layout(std140) uniform VertexConstants { vec4 c[256]; };
void main()
{
    gl_Position = vec4(Position.x * c[1].x - 1.0, Position.y * c[1].y + 1.0, 0.0, 1.0);
    StageTexCoord0 = TexCoord0;
    StageDiffuse = c[0].y * c[0].xxxw;
}
)";

// The frame-rate graph's vertex program: back-buffer pixels (c0 = 2 / width, -2 / height) to clip space.
constexpr const char* kGraphVertexProgram = R"(
layout(location = 0) in vec4 Position;
layout(location = 8) in vec4 TexCoord0;
layout(std140) uniform VertexConstants { vec4 c[256]; };
void main()
{
    gl_Position = vec4(Position.x * c[0].x - 1.0, Position.y * c[0].y + 1.0, Position.z, 1.0);
    StageTexCoord0 = TexCoord0;
}
)";

// A vertex program doing what the fixed path does with untransformed positions and colours, the
// product world × view × projection in c0..c3 (rows).
constexpr const char* kTransformVertexProgram = R"(
layout(location = 0) in vec4 Position;
layout(location = 6) in vec4 Color0;
layout(std140) uniform VertexConstants { vec4 c[256]; };
out vec4 vColor;
out vec2 vTexCoord;
void main()
{
    vec4 p = vec4(Position.xyz, 1.0);
    gl_Position = p.x * c[0] + p.y * c[1] + p.z * c[2] + p.w * c[3];
    vColor = Color0;
    vTexCoord = vec2(0.0);
}
)";

class FixedFunctionTest : public DrawFixture
{
protected:
    template <typename Vertex>
    Result DrawUp(const Vertex* vertices, std::uint32_t count, std::uint32_t fvf, std::uint32_t type,
                  std::uint32_t primitives, std::uint32_t bufferVertices = 0)
    {
        VertexBuffer* buffer = nullptr;
        const std::uint32_t stored = bufferVertices ? bufferVertices : count;
        EXPECT_EQ(Ok, device->CreateVertexBuffer(stored * sizeof(Vertex), Usage::WriteOnly, fvf,
                                                 Pool::Managed, &buffer, nullptr));
        void* data = nullptr;
        EXPECT_EQ(Ok, buffer->Lock(0, 0, &data, 0));
        std::memcpy(data, vertices, std::min(count, stored) * sizeof(Vertex));
        EXPECT_EQ(Ok, buffer->Unlock());
        device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
        buffer->Release();
        device->SetFVF(fvf);
        EXPECT_EQ(Ok, device->BeginScene());
        const Result drawn = device->DrawPrimitive(type, 0, primitives);
        EXPECT_EQ(Ok, device->EndScene());
        return drawn;
    }

    void Stage(std::uint32_t stage, std::uint32_t state, std::uint32_t value)
    {
        ASSERT_EQ(Ok, device->SetTextureStageState(stage, state, value));
    }

    // A pixel-space quad from (left, top) to (right, bottom) with the canvas's half-texel offset for a
    // texture of size × size.
    static std::array<ScreenVertex, 4> CanvasQuad(float left, float top, float right, float bottom,
                                                  float size)
    {
        const float u0 = 0.5f / size;
        const float u1 = u0 + (right - left) / size;
        const float v1 = u0 + (bottom - top) / size;
        return {{{left, top, 0, 1, u0, u0},
                 {right, top, 0, 1, u1, u0},
                 {left, bottom, 0, 1, u0, v1},
                 {right, bottom, 0, 1, u1, v1}}};
    }

    void PointSampling()
    {
        device->SetSamplerState(0, SamplerState::MinFilter, TextureFilter::Point);
        device->SetSamplerState(0, SamplerState::MagFilter, TextureFilter::Point);
        device->SetSamplerState(0, SamplerState::AddressU, TextureAddress::Clamp);
        device->SetSamplerState(0, SamplerState::AddressV, TextureAddress::Clamp);
    }

    // SetFixedFunctionStates of the canvas.
    void CanvasFixedStates(std::uint32_t transparency)
    {
        device->SetVertexShader(nullptr);
        device->SetPixelShader(nullptr);
        device->SetRenderState(RenderState::AlphaTestEnable, 1);
        device->SetRenderState(RenderState::AlphaFunc, Compare::Greater);
        device->SetRenderState(RenderState::AlphaRef, 0);
        device->SetRenderState(RenderState::AlphaBlendEnable, 1);
        device->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
        device->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
        Stage(0, TextureStageState::AlphaArg1, TextureArg::Texture);
        Stage(0, TextureStageState::AlphaArg2, TextureArg::Factor);
        Stage(0, TextureStageState::AlphaOp, TextureOp::Modulate);
        Stage(1, TextureStageState::AlphaOp, TextureOp::Disable);
        Stage(0, TextureStageState::ColorArg1, TextureArg::Texture);
        Stage(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
        Stage(1, TextureStageState::ColorOp, TextureOp::Disable);
        device->SetRenderState(RenderState::TextureFactor, transparency << 24);
    }
};

int Channel(std::uint32_t colour, int shift)
{
    return static_cast<int>((colour >> shift) & 0xFF);
}

TEST_F(FixedFunctionTest, CanvasTilesDrawWithoutPrograms)
{
    UseTarget(64, 64, kBlue);
    std::vector<std::uint32_t> halves(32 * 32);
    for (std::size_t i = 0; i < halves.size(); ++i)
    {
        halves[i] = (i % 32) < 16 ? 0xFFFF0000 : 0x0000FF00;
    }
    Texture* texture = MakeTexture(32, 32, halves);
    device->SetTexture(0, texture);
    PointSampling();
    CanvasFixedStates(0x80);
    const auto quad = CanvasQuad(16, 16, 48, 48, 32);
    ASSERT_EQ(Ok, DrawUp(quad.data(), 4, kScreenTextured, PrimitiveType::TriangleStrip, 2));
    const std::vector<std::uint32_t> pixels = Pixels(target);
    WritePng(OutputPath("fixed_function.png"), 64, 64, pixels, false);
    auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * 64 + x]; };
    EXPECT_TRUE(NearColor(kBlue, at(4, 4), 0)) << std::hex << at(4, 4);
    EXPECT_TRUE(NearColor(kBlue, at(40, 30), 0))
        << std::hex << at(40, 30) << ": transparent texels fail the alpha test";
    // The target's own alpha is blended too: only its colour is looked at.
    auto rgb = [&](int x, int y) { return at(x, y) & 0xFFFFFFu; };
    EXPECT_TRUE(NearColor(0x80007F, rgb(20, 30), 2)) << std::hex << at(20, 30);
    // The quad covers exactly pixels 16 .. 47.
    EXPECT_TRUE(NearColor(0x80007F, rgb(16, 16), 2)) << std::hex << at(16, 16);
    EXPECT_EQ(kBlue, at(15, 20));
    EXPECT_EQ(kBlue, at(20, 15));
    EXPECT_TRUE(NearColor(0x80007F, rgb(31, 47), 2)) << std::hex << at(31, 47);
    EXPECT_EQ(kBlue, at(20, 48));
    texture->Release();

    // A one-texel checkerboard lands texel for texel.
    std::vector<std::uint32_t> checks(32 * 32);
    for (std::size_t i = 0; i < checks.size(); ++i)
    {
        checks[i] = ((i % 32) + (i / 32)) % 2 ? 0xFFFFFFFF : 0xFF000000 | static_cast<std::uint32_t>(i);
    }
    Texture* board = MakeTexture(32, 32, checks);
    device->SetTexture(0, board);
    CanvasFixedStates(0xFF);
    UseTarget(64, 64, kBlue);
    ASSERT_EQ(Ok, DrawUp(quad.data(), 4, kScreenTextured, PrimitiveType::TriangleStrip, 2));
    const std::vector<std::uint32_t> landed = Pixels(target);
    int wrong = 0;
    for (int y = 0; y < 32; ++y)
    {
        for (int x = 0; x < 32; ++x)
        {
            wrong += landed[static_cast<std::size_t>(y + 16) * 64 + x + 16] == checks[y * 32 + x] ? 0 : 1;
        }
    }
    EXPECT_EQ(0, wrong);
    device->SetTexture(0, nullptr);
    board->Release();
}

TEST_F(FixedFunctionTest, CanvasShaderPathFeedsTheStages)
{
    constexpr std::uint32_t kBackground = 0xFF6080A0;
    // Texels: opaque, half transparent, fully transparent, opaque.
    const std::vector<std::uint32_t> texels = {0xFF40C080, 0x80FF8040, 0x0020FF60, 0xFFFFFFFF};
    Texture* texture = MakeTexture(4, 1, texels);
    Shader* program = nullptr;
    std::string log;
    ASSERT_EQ(Ok, device->CreateVertexShader(kCanvasVertexProgram, &program, &log)) << log;
    const float brightness = 200.0f / 255.0f;
    const float opacity = 150.0f / 255.0f;
    const float constants[8] = {opacity, brightness, 0, 1, 2.0f / 16.0f, -2.0f / 16.0f, 0, 0};
    device->SetVertexShaderConstantF(0, constants, 2);
    UseTarget(16, 16, kBackground);
    device->SetTexture(0, texture);
    PointSampling();
    // SetShaderStates of the canvas.
    device->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device->SetRenderState(RenderState::SrcBlend, Blend::One);
    device->SetRenderState(RenderState::DestBlend, Blend::SrcAlpha);
    device->SetRenderState(RenderState::AlphaTestEnable, 0);
    Stage(0, TextureStageState::AlphaArg1, TextureArg::Texture);
    Stage(0, TextureStageState::AlphaArg2, TextureArg::Factor);
    Stage(0, TextureStageState::AlphaOp, TextureOp::Modulate);
    Stage(1, TextureStageState::AlphaArg1, TextureArg::Current | TextureArg::Complement);
    Stage(1, TextureStageState::AlphaArg2, TextureArg::Diffuse);
    Stage(1, TextureStageState::AlphaOp, TextureOp::Modulate);
    Stage(2, TextureStageState::AlphaOp, TextureOp::Disable);
    Stage(0, TextureStageState::ColorArg1, TextureArg::Texture);
    Stage(0, TextureStageState::ColorArg2, TextureArg::Factor);
    Stage(0, TextureStageState::ColorOp, TextureOp::BlendTextureAlpha);
    Stage(1, TextureStageState::ColorArg1, TextureArg::Diffuse);
    Stage(1, TextureStageState::ColorArg2, TextureArg::Current);
    Stage(1, TextureStageState::ColorOp, TextureOp::Modulate);
    Stage(2, TextureStageState::ColorOp, TextureOp::Disable);
    device->SetRenderState(RenderState::TextureFactor, 150u << 24);
    device->SetVertexShader(program);
    device->SetPixelShader(nullptr);
    const ScreenVertex quad[] = {{-0.5f, -0.5f, 0, 1, 0, 0},
                                 {15.5f, -0.5f, 0, 1, 1, 0},
                                 {-0.5f, 15.5f, 0, 1, 0, 1},
                                 {15.5f, 15.5f, 0, 1, 1, 1}};
    ASSERT_EQ(Ok, DrawUp(quad, 4, kScreenTextured, PrimitiveType::TriangleStrip, 2));
    const std::vector<std::uint32_t> pixels = Pixels(target);
    for (int column = 0; column < 4; ++column)
    {
        const std::uint32_t texel = texels[column];
        const std::uint32_t pixel = pixels[8 * 16 + column * 4 + 1];
        const float a = static_cast<float>(texel >> 24) / 255.0f;
        for (int shift : {16, 8, 0})
        {
            const float rgb = static_cast<float>(Channel(texel, shift)) / 255.0f;
            const float destination = static_cast<float>(Channel(kBackground, shift)) / 255.0f;
            const float expected =
                brightness * opacity * a * rgb + destination * brightness * (1.0f - opacity * a);
            EXPECT_NEAR(expected * 255.0f, static_cast<float>(Channel(pixel, shift)), 2.0f)
                << "texel " << column << " channel " << shift << " pixel " << std::hex << pixel;
        }
    }
    device->SetTexture(0, nullptr);
    device->SetVertexShader(nullptr);
    program->Release();
    texture->Release();
}

TEST_F(FixedFunctionTest, EveryOperationAndModifier)
{
    // One texel T, one diffuse colour D, one texture factor F (channels a, r, g, b in bytes).
    constexpr std::uint32_t T = 0x99CC6633; // a 0.6, r 0.8, g 0.4, b 0.2
    constexpr std::uint32_t D = 0x804040FF; // a 0.5, r 0.25, g 0.25, b 1.0
    constexpr std::uint32_t F = 0x40339966; // a 0.25, r 0.2, g 0.6, b 0.4
    using Colour = std::array<float, 4>;    // r, g, b, a
    auto colour = [](std::uint32_t c) {
        return Colour{Channel(c, 16) / 255.0f, Channel(c, 8) / 255.0f, Channel(c, 0) / 255.0f,
                      Channel(c, 24) / 255.0f};
    };
    const Colour t = colour(T), d = colour(D), f = colour(F);
    auto each = [](const Colour& a, const Colour& b, auto op) {
        Colour out;
        for (int i = 0; i < 4; ++i)
        {
            out[i] = std::clamp(op(a[i], b[i]), 0.0f, 1.0f);
        }
        return out;
    };
    auto blend = [&](const Colour& a, const Colour& b, float alpha) {
        return each(a, b, [alpha](float x, float y) { return x * alpha + y * (1.0f - alpha); });
    };
    auto complement = [](const Colour& c) { return Colour{1 - c[0], 1 - c[1], 1 - c[2], 1 - c[3]}; };
    auto replicate = [](const Colour& c) { return Colour{c[3], c[3], c[3], c[3]}; };
    const struct
    {
        const char* name;
        std::uint32_t op, arg1, arg2;
        Colour expected; // the colour operation's result; the alpha operation gets the same op and args
    } cases[] = {
        {"select arg1", TextureOp::SelectArg1, TextureArg::Texture, TextureArg::Diffuse, t},
        {"select arg2", TextureOp::SelectArg2, TextureArg::Texture, TextureArg::Diffuse, d},
        {"modulate", TextureOp::Modulate, TextureArg::Texture, TextureArg::Diffuse,
         each(t, d, std::multiplies<>())},
        {"modulate 2x", TextureOp::Modulate2x, TextureArg::Texture, TextureArg::Factor,
         each(t, f, [](float a, float b) { return a * b * 2; })},
        {"modulate 4x", TextureOp::Modulate4x, TextureArg::Texture, TextureArg::Factor,
         each(t, f, [](float a, float b) { return a * b * 4; })},
        {"add", TextureOp::Add, TextureArg::Texture, TextureArg::Factor, each(t, f, std::plus<>())},
        {"add signed", TextureOp::AddSigned, TextureArg::Texture, TextureArg::Factor,
         each(t, f, [](float a, float b) { return a + b - 0.5f; })},
        {"subtract", TextureOp::Subtract, TextureArg::Texture, TextureArg::Factor,
         each(t, f, std::minus<>())},
        {"blend diffuse alpha", TextureOp::BlendDiffuseAlpha, TextureArg::Texture, TextureArg::Factor,
         blend(t, f, d[3])},
        {"blend texture alpha", TextureOp::BlendTextureAlpha, TextureArg::Factor, TextureArg::Diffuse,
         blend(f, d, t[3])},
        {"blend factor alpha", TextureOp::BlendFactorAlpha, TextureArg::Texture, TextureArg::Diffuse,
         blend(t, d, f[3])},
        {"blend current alpha", TextureOp::BlendCurrentAlpha, TextureArg::Texture, TextureArg::Factor,
         blend(t, f, d[3])},
        {"current at stage 0 is diffuse", TextureOp::SelectArg1, TextureArg::Current, TextureArg::Texture, d},
        {"specular", TextureOp::SelectArg1, TextureArg::Specular, TextureArg::Texture, Colour{0, 0, 0, 1}},
        {"complement", TextureOp::SelectArg1, TextureArg::Texture | TextureArg::Complement, 0, complement(t)},
        {"alpha replicate", TextureOp::SelectArg1, TextureArg::Factor | TextureArg::AlphaReplicate, 0,
         replicate(f)},
        {"both modifiers", TextureOp::SelectArg1,
         TextureArg::Texture | TextureArg::AlphaReplicate | TextureArg::Complement, 0,
         complement(replicate(t))},
    };
    Texture* texture = MakeTexture(1, 1, {T});
    device->SetTexture(0, texture);
    device->SetRenderState(RenderState::TextureFactor, F);
    for (const auto& c : cases)
    {
        UseTarget(4, 4, 0);
        Stage(0, TextureStageState::ColorOp, c.op);
        Stage(0, TextureStageState::ColorArg1, c.arg1);
        Stage(0, TextureStageState::ColorArg2, c.arg2);
        Stage(0, TextureStageState::AlphaOp, c.op);
        Stage(0, TextureStageState::AlphaArg1, c.arg1);
        Stage(0, TextureStageState::AlphaArg2, c.arg2);
        const ColouredScreenVertex quad[] = {{-0.5f, -0.5f, 0, 1, D, 0, 0},
                                             {3.5f, -0.5f, 0, 1, D, 1, 0},
                                             {-0.5f, 3.5f, 0, 1, D, 0, 1},
                                             {3.5f, 3.5f, 0, 1, D, 1, 1}};
        ASSERT_EQ(Ok, DrawUp(quad, 4, kScreenColouredTextured, PrimitiveType::TriangleStrip, 2)) << c.name;
        const std::uint32_t pixel = Pixels(target)[5];
        const int expected[4] = {static_cast<int>(std::lround(c.expected[0] * 255)),
                                 static_cast<int>(std::lround(c.expected[1] * 255)),
                                 static_cast<int>(std::lround(c.expected[2] * 255)),
                                 static_cast<int>(std::lround(c.expected[3] * 255))};
        const int shifts[4] = {16, 8, 0, 24};
        for (int i = 0; i < 4; ++i)
        {
            EXPECT_NEAR(expected[i], Channel(pixel, shifts[i]), 2)
                << c.name << " channel " << i << " pixel " << std::hex << pixel;
        }
    }

    // An alpha operation of disable keeps the current alpha; a disabled stage 0 gives the diffuse colour.
    UseTarget(4, 4, 0);
    Stage(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
    Stage(0, TextureStageState::ColorArg1, TextureArg::Texture);
    Stage(0, TextureStageState::AlphaOp, TextureOp::Disable);
    const ColouredScreenVertex quad[] = {{-0.5f, -0.5f, 0, 1, D, 0, 0},
                                         {3.5f, -0.5f, 0, 1, D, 1, 0},
                                         {-0.5f, 3.5f, 0, 1, D, 0, 1},
                                         {3.5f, 3.5f, 0, 1, D, 1, 1}};
    ASSERT_EQ(Ok, DrawUp(quad, 4, kScreenColouredTextured, PrimitiveType::TriangleStrip, 2));
    EXPECT_TRUE(NearColor((D & 0xFF000000) | (T & 0xFFFFFF), Pixels(target)[5], 1))
        << std::hex << Pixels(target)[5];
    UseTarget(4, 4, 0);
    Stage(0, TextureStageState::ColorOp, TextureOp::Disable);
    ASSERT_EQ(Ok, DrawUp(quad, 4, kScreenColouredTextured, PrimitiveType::TriangleStrip, 2));
    EXPECT_TRUE(NearColor(D, Pixels(target)[5], 1)) << std::hex << Pixels(target)[5];
    device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(FixedFunctionTest, GraphStripFromAVertexProgramAndAFourBitTexture)
{
    constexpr std::uint32_t kBackground = 0xFF204060;
    Texture* texture = MakeTexture(1, 1, {0x88FF0000}, Format::A4R4G4B4);
    LockedRect locked;
    ASSERT_EQ(Ok, texture->LockRect(0, &locked, nullptr, 0));
    *static_cast<std::uint16_t*>(locked.pBits) = 0x8F00;
    texture->UnlockRect(0);
    Shader* program = nullptr;
    std::string log;
    ASSERT_EQ(Ok, device->CreateVertexShader(kGraphVertexProgram, &program, &log)) << log;
    UseTarget(16, 16, kBackground);
    const float constants[4] = {2.0f / 16.0f, -2.0f / 16.0f, 0, 0};
    device->SetVertexShaderConstantF(0, constants, 1);
    device->SetTexture(0, texture);
    Stage(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
    Stage(0, TextureStageState::ColorArg1, TextureArg::Texture);
    Stage(1, TextureStageState::ColorOp, TextureOp::Disable);
    Stage(0, TextureStageState::AlphaOp, TextureOp::SelectArg1);
    Stage(0, TextureStageState::AlphaArg1, TextureArg::Texture);
    Stage(1, TextureStageState::AlphaOp, TextureOp::Disable);
    device->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    device->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    device->SetRenderState(RenderState::CullMode, Cull::None);
    device->SetVertexShader(program);
    device->SetPixelShader(nullptr);
    const GraphVertex strip[] = {
        {0, 16, 0.5f, 0, 0}, {16, 16, 0.5f, 1, 0}, {0, 0, 0.5f, 0, 1}, {16, 0, 0.5f, 1, 1}};
    ASSERT_EQ(Ok, DrawUp(strip, 4, kWorldTextured, PrimitiveType::TriangleStrip, 2));
    const std::uint32_t pixel = Pixels(target)[8 * 16 + 8];
    const float alpha = 8.0f / 15.0f;
    EXPECT_NEAR(255.0f * alpha + 0x20 * (1 - alpha), Channel(pixel, 16), 2.0f) << std::hex << pixel;
    EXPECT_NEAR(0x40 * (1 - alpha), Channel(pixel, 8), 2.0f) << std::hex << pixel;
    EXPECT_NEAR(0x60 * (1 - alpha), Channel(pixel, 0), 2.0f) << std::hex << pixel;
    device->SetTexture(0, nullptr);
    device->SetVertexShader(nullptr);
    program->Release();
    texture->Release();
}

TEST_F(FixedFunctionTest, UntransformedVerticesGoThroughWorldViewAndProjection)
{
    using namespace Platform::GfxKit;
    Matrix world, view, projection, spin, move, worldView, all;
    MatrixMultiply(&world, MatrixRotationZ(&spin, 0.4f), MatrixTranslation(&move, 3, -2, 5));
    const Vector3 eye{0, 0, -10}, at{0, 0, 0}, up{0, 1, 0};
    MatrixLookAtLH(&view, &eye, &at, &up);
    MatrixOrthoLH(&projection, 40, 30, 1, 100);
    MatrixMultiply(&all, MatrixMultiply(&worldView, &world, &view), &projection);
    const WorldVertex triangle[] = {{-8, -6, 0, 0xFFFF8000}, {0, 9, 0, 0xFFFF8000}, {9, -4, 0, 0xFFFF8000}};

    // Reference: the same product in a vertex program.
    UseTarget(48, 48, 0xFF000000);
    const VertexElement elements[] = {{0, 0, DeclType::Float3, 0, DeclUsage::Position, 0},
                                      {0, 12, DeclType::Color, 0, DeclUsage::Color, 0},
                                      DeclarationEnd};
    VertexDeclaration* worldDeclaration = nullptr;
    ASSERT_EQ(Ok, device->CreateVertexDeclaration(elements, &worldDeclaration));
    Shader* program = nullptr;
    std::string log;
    ASSERT_EQ(Ok, device->CreateVertexShader(kTransformVertexProgram, &program, &log)) << log;
    device->SetVertexShaderConstantF(0, &all.m[0][0], 4);
    device->SetVertexShader(program);
    device->SetPixelShader(colourProgram);
    ASSERT_EQ(Ok, DrawUp(triangle, 3, kWorldColoured, PrimitiveType::TriangleList, 1));
    const std::vector<std::uint32_t> expected = Pixels(target);

    UseTarget(48, 48, 0xFF000000);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetTexture(0, nullptr);
    device->SetTransform(TransformState::World, &world);
    device->SetTransform(TransformState::View, &view);
    device->SetTransform(TransformState::Projection, &projection);
    Stage(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
    Stage(0, TextureStageState::ColorArg1, TextureArg::Diffuse);
    Stage(0, TextureStageState::AlphaOp, TextureOp::SelectArg1);
    Stage(0, TextureStageState::AlphaArg1, TextureArg::Diffuse);
    ASSERT_EQ(Ok, DrawUp(triangle, 3, kWorldColoured, PrimitiveType::TriangleList, 1));
    const std::vector<std::uint32_t> fixed = Pixels(target);
    int covered = 0;
    for (std::uint32_t pixel : expected)
    {
        covered += pixel == 0xFFFF8000 ? 1 : 0;
    }
    EXPECT_GT(covered, 100) << "the reference triangle is on the target";
    EXPECT_EQ(expected, fixed);
    program->Release();
    worldDeclaration->Release();
}

TEST_F(FixedFunctionTest, ProgramsAreCachedByWhatShapesThem)
{
    UseTarget(16, 16, kBlue);
    Texture* first = MakeTexture(1, 1, {0xFFFF0000});
    Texture* second = MakeTexture(1, 1, {0xFF00FF00});
    CanvasFixedStates(0xFF);
    const auto quad = CanvasQuad(0, 0, 16, 16, 1);
    device->SetTexture(0, first);
    ASSERT_EQ(Ok, DrawUp(quad.data(), 4, kScreenTextured, PrimitiveType::TriangleStrip, 2));
    const std::uint64_t compiled = device->Counters().generatedPrograms;
    EXPECT_GE(compiled, 2u);
    device->SetTexture(0, second);
    ASSERT_EQ(Ok, DrawUp(quad.data(), 4, kScreenTextured, PrimitiveType::TriangleStrip, 2));
    EXPECT_EQ(compiled, device->Counters().generatedPrograms) << "another texture of the same kind";
    EXPECT_EQ(0xFF00FF00u, Pixels(target)[0]);
    Stage(0, TextureStageState::ColorOp, TextureOp::Modulate);
    Stage(0, TextureStageState::ColorArg2, TextureArg::Factor);
    ASSERT_EQ(Ok, DrawUp(quad.data(), 4, kScreenTextured, PrimitiveType::TriangleStrip, 2));
    EXPECT_EQ(compiled + 1, device->Counters().generatedPrograms) << "one stage operation changed";

    // A cube texture on a stage the cascade reads is refused.
    CubeTexture* cube = nullptr;
    ASSERT_EQ(Ok, device->CreateCubeTexture(4, 1, 0, Format::A8R8G8B8, Pool::Managed, &cube, nullptr));
    device->SetTexture(0, cube);
    EXPECT_EQ(InvalidCall, DrawUp(quad.data(), 4, kScreenTextured, PrimitiveType::TriangleStrip, 2));
    device->SetTexture(0, nullptr);
    cube->Release();
    first->Release();
    second->Release();
}

TEST_F(FixedFunctionTest, DrawsPastTheirBuffersAreRefused)
{
    UseTarget(16, 16, kBlue);
    Texture* texture = MakeTexture(1, 1, {0xFFFF0000});
    device->SetTexture(0, texture);
    CanvasFixedStates(0xFF);
    Platform::DebugOutputCapture traces;
    const auto quad = CanvasQuad(0, 0, 16, 16, 1);
    // Four vertices asked of a buffer of three.
    EXPECT_EQ(InvalidCall, DrawUp(quad.data(), 4, kScreenTextured, PrimitiveType::TriangleStrip, 2, 3));
    EXPECT_EQ(std::vector<std::uint32_t>(256, kBlue), Pixels(target));
    EXPECT_NE(std::string::npos, traces.Text().find("past the end")) << traces.Text();

    // Six indices asked of an index buffer of five.
    VertexBuffer* vertices = nullptr;
    ASSERT_EQ(
        Ok, device->CreateVertexBuffer(sizeof(quad), 0, kScreenTextured, Pool::Managed, &vertices, nullptr));
    void* data = nullptr;
    vertices->Lock(0, 0, &data, 0);
    std::memcpy(data, quad.data(), sizeof(quad));
    vertices->Unlock();
    IndexBuffer* indices = nullptr;
    ASSERT_EQ(Ok, device->CreateIndexBuffer(5 * 2, 0, Format::Index16, Pool::Managed, &indices, nullptr));
    indices->Lock(0, 0, &data, 0);
    const std::uint16_t list[5] = {0, 1, 2, 2, 1};
    std::memcpy(data, list, sizeof(list));
    indices->Unlock();
    device->SetStreamSource(0, vertices, 0, sizeof(ScreenVertex));
    device->SetIndices(indices);
    ASSERT_EQ(Ok, device->BeginScene());
    EXPECT_EQ(InvalidCall, device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 4, 0, 2));
    EXPECT_EQ(InvalidCall, device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 1, 0, 4, 0, 1))
        << "vertices 1 .. 4 of a buffer of four";
    EXPECT_EQ(Ok, device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 3, 0, 1));
    ASSERT_EQ(Ok, device->EndScene());
    const std::vector<std::uint32_t> pixels = Pixels(target);
    EXPECT_EQ(kBlue, pixels[255]) << "only the one triangle that fits was drawn";
    EXPECT_EQ(0xFFFF0000u, pixels[0]);
    device->SetIndices(nullptr);
    device->SetTexture(0, nullptr);
    indices->Release();
    vertices->Release();
    texture->Release();
}

} // namespace
} // namespace GfxTesting
