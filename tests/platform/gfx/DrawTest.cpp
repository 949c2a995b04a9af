#include "tests/platform/gfx/DrawFixture.h"

#include <limits>

namespace GfxTesting
{
namespace
{

using DrawTest = DrawFixture;

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;
constexpr std::uint32_t kYellow = 0xFFFFFF00u;

// One picture that goes wrong when any of the engine's conventions is not kept: pixel centres and
// texel alignment, which side is culled, depth 0..1 and the order of rows in drawn-into textures.
TEST_F(DrawTest, ConventionsPicture)
{
    ASSERT_EQ(Ok, device->CreateRenderTarget(64, 64, Format::A8R8G8B8, 0, 0, false, &target, nullptr));
    Surface* depth = nullptr;
    ASSERT_EQ(Ok, device->CreateDepthStencilSurface(64, 64, Format::D24S8, 0, 0, false, &depth, nullptr));
    ASSERT_EQ(Ok, device->SetRenderTarget(0, target));
    ASSERT_EQ(Ok, device->SetDepthStencilSurface(depth));
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF404040u, 1.0f, 0));

    // A 16 × 16 checkerboard of single texels, drawn with linear filtering at the half-texel offset:
    // any misalignment would blend neighbours into grey.
    std::vector<std::uint32_t> checker(16 * 16);
    for (std::uint32_t y = 0; y < 16; ++y)
    {
        for (std::uint32_t x = 0; x < 16; ++x)
        {
            checker[y * 16 + x] = ((x + y) & 1) ? kWhite : kBlack;
        }
    }
    Texture* board = MakeTexture(16, 16, checker);
    ASSERT_NE(nullptr, board);
    device->SetTexture(0, board);
    device->SetSamplerState(0, SamplerState::MinFilter, TextureFilter::Linear);
    device->SetSamplerState(0, SamplerState::MagFilter, TextureFilter::Linear);
    ASSERT_EQ(Ok, DrawQuad(3.5f, 3.5f, 19.5f, 19.5f, 0.5f, 0, textureProgram));
    device->SetTexture(0, nullptr);
    board->Release();

    // Clockwise on the screen is drawn with the default culling, counter-clockwise is not.
    auto clipX = [](float x) { return x / 64.0f * 2.0f - 1.0f; };
    auto clipY = [](float y) { return 1.0f - y / 64.0f * 2.0f; };
    const TestVertex clockwise[] = {{clipX(24), clipY(4), 0.5f, 1, kGreen, 0, 0},
                                    {clipX(40), clipY(4), 0.5f, 1, kGreen, 0, 0},
                                    {clipX(24), clipY(20), 0.5f, 1, kGreen, 0, 0}};
    const TestVertex counterClockwise[] = {{clipX(44), clipY(4), 0.5f, 1, kRed, 0, 0},
                                           {clipX(44), clipY(20), 0.5f, 1, kRed, 0, 0},
                                           {clipX(60), clipY(4), 0.5f, 1, kRed, 0, 0}};
    ASSERT_EQ(Ok, DrawVertices(clockwise, 3, PrimitiveType::TriangleList, 1, colourProgram));
    ASSERT_EQ(Ok, DrawVertices(counterClockwise, 3, PrimitiveType::TriangleList, 1, colourProgram));

    // The nearer quad (depth 0.2) is drawn first and stays in front of the farther one (0.8).
    ASSERT_EQ(Ok, DrawQuad(3.5f, 27.5f, 27.5f, 43.5f, 0.2f, kBlue, colourProgram));
    ASSERT_EQ(Ok, DrawQuad(11.5f, 35.5f, 35.5f, 59.5f, 0.8f, kYellow, colourProgram));

    // Drawn into a texture (red above, green below) and sampled again: still red above.
    Texture* picture = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(16, 16, 1, Usage::RenderTarget, Format::A8R8G8B8, Pool::Default,
                                        &picture, nullptr));
    Surface* pictureSurface = nullptr;
    ASSERT_EQ(Ok, picture->GetSurfaceLevel(0, &pictureSurface));
    ASSERT_EQ(Ok, device->SetRenderTarget(0, pictureSurface));
    ASSERT_EQ(Ok, device->SetDepthStencilSurface(nullptr));
    ASSERT_EQ(Ok, DrawQuad(-0.5f, -0.5f, 15.5f, 7.5f, 0.5f, kRed, colourProgram));
    ASSERT_EQ(Ok, DrawQuad(-0.5f, 7.5f, 15.5f, 15.5f, 0.5f, kGreen, colourProgram));
    pictureSurface->Release();
    ASSERT_EQ(Ok, device->SetRenderTarget(0, target));
    ASSERT_EQ(Ok, device->SetDepthStencilSurface(depth));
    device->SetTexture(0, picture);
    device->SetSamplerState(0, SamplerState::MinFilter, TextureFilter::Point);
    device->SetSamplerState(0, SamplerState::MagFilter, TextureFilter::Point);
    ASSERT_EQ(Ok, DrawQuad(43.5f, 27.5f, 59.5f, 43.5f, 0.5f, 0, textureProgram));
    device->SetTexture(0, nullptr);
    picture->Release();

    const std::vector<std::uint32_t> pixels = Pixels(target);
    auto at = [&](int x, int y) {
        return pixels[static_cast<std::size_t>(y) * 64 + static_cast<std::size_t>(x)];
    };
    EXPECT_EQ(Ok, SaveSurfaceToPng(target, OutputPath("conventions.png")));
    for (int y = 0; y < 16; ++y)
    {
        for (int x = 0; x < 16; ++x)
        {
            ASSERT_EQ(((x + y) & 1) ? kWhite : kBlack, at(4 + x, 4 + y))
                << "checkerboard texel " << x << "," << y;
        }
    }
    EXPECT_EQ(0xFF404040u, at(3, 3));
    EXPECT_EQ(0xFF404040u, at(20, 20));
    EXPECT_EQ(kGreen, at(26, 6));
    EXPECT_EQ(0xFF404040u, at(46, 6)) << "the counter-clockwise triangle was drawn";
    EXPECT_EQ(kBlue, at(20, 40)) << "the farther quad covered the nearer one";
    EXPECT_EQ(kYellow, at(30, 55));
    EXPECT_EQ(kRed, at(50, 30)) << "a texture drawn into came out upside down";
    EXPECT_EQ(kGreen, at(50, 41));
    depth->Release();
}

TEST_F(DrawTest, CullModesAndPixelCentres)
{
    struct Case
    {
        std::uint32_t cull;
        bool clockwiseDrawn;
        bool counterClockwiseDrawn;
    };
    const Case cases[] = {
        {Cull::CounterClockwise, true, false}, {Cull::Clockwise, false, true}, {Cull::None, true, true}};
    for (const Case& c : cases)
    {
        UseTarget(8, 8, kBlack);
        device->SetRenderState(RenderState::CullMode, c.cull);
        // Two triangles over the whole target, one of each winding, each covering one half.
        const TestVertex clockwise[] = {
            {-1, 1, 0.5f, 1, kGreen, 0, 0}, {1, 1, 0.5f, 1, kGreen, 0, 0}, {-1, -1, 0.5f, 1, kGreen, 0, 0}};
        const TestVertex counterClockwise[] = {
            {1, 1, 0.5f, 1, kRed, 0, 0}, {-1, -1, 0.5f, 1, kRed, 0, 0}, {1, -1, 0.5f, 1, kRed, 0, 0}};
        ASSERT_EQ(Ok, DrawVertices(clockwise, 3, PrimitiveType::TriangleList, 1, colourProgram));
        ASSERT_EQ(Ok, DrawVertices(counterClockwise, 3, PrimitiveType::TriangleList, 1, colourProgram));
        const std::vector<std::uint32_t> pixels = Pixels(target);
        EXPECT_EQ(c.clockwiseDrawn ? kGreen : kBlack, pixels[1 * 8 + 1]) << "cull " << c.cull;
        EXPECT_EQ(c.counterClockwiseDrawn ? kRed : kBlack, pixels[6 * 8 + 6]) << "cull " << c.cull;
    }
}

TEST_F(DrawTest, TextureFormatsSampleAsTheirLayoutSays)
{
    const std::uint32_t colour = 0x80C04020u;
    const std::uint32_t formats[] = {Format::A8R8G8B8, Format::X8R8G8B8, Format::R5G6B5,
                                     Format::X1R5G5B5, Format::A1R5G5B5, Format::A4R4G4B4,
                                     Format::L8,       Format::A8L8,     Format::A8};
    for (std::uint32_t format : formats)
    {
        Texture* texture = MakeTexture(1, 1, {colour}, format);
        ASSERT_NE(nullptr, texture) << format;
        std::uint8_t bytes[4] = {};
        ArgbToPixel(format, colour, bytes);
        const std::uint32_t expected = PixelToArgb(format, bytes);
        const std::vector<std::uint32_t> pixels = Sample(texture, 2, 2);
        EXPECT_TRUE(NearColor(expected, pixels[0]))
            << "format " << format << ": expected " << std::hex << expected << ", sampled " << pixels[0];
        texture->Release();
    }
    // X8R8G8B8 samples alpha 1 whatever its fourth byte holds.
    Texture* x8 = MakeTexture(1, 1, {0x00102030u}, Format::A8R8G8B8);
    Texture* asX8 = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(1, 1, 1, 0, Format::X8R8G8B8, Pool::Managed, &asX8, nullptr));
    LockedRect locked;
    ASSERT_EQ(Ok, asX8->LockRect(0, &locked, nullptr, 0));
    const std::uint8_t raw[4] = {0x30, 0x20, 0x10, 0x00};
    std::memcpy(locked.pBits, raw, 4);
    asX8->UnlockRect(0);
    EXPECT_EQ(0xFF102030u, Sample(asX8, 1, 1)[0]);
    x8->Release();
    asX8->Release();
}

TEST_F(DrawTest, VertexElementTypesReachProgramsAsTheEngineReadsThem)
{
    constexpr const char* program = R"(
layout(location = 0) in vec4 Position;
layout(location = 6) in vec4 Color0;
layout(location = 8) in vec4 TexCoord0;
layout(location = 9) in vec2 TexCoord1;
layout(std140) uniform VertexConstants { vec4 c[256]; };
out vec4 vColor;
void main()
{
    gl_Position = Position;
    if (c[3].x == 0.0)
        vColor = Color0;
    else if (c[3].x == 1.0)
        vColor = TexCoord0 / 255.0;
    else
        vColor = vec4(TexCoord1 * 0.5 + 0.5, 0.0, 1.0);
}
)";
    constexpr const char* pixelProgram = "in vec4 vColor; void main() { FragmentColor = vColor; }";
    Shader* vertexShader = nullptr;
    Shader* pixelShader = nullptr;
    std::string log;
    ASSERT_EQ(Ok, device->CreateVertexShader(program, &vertexShader, &log)) << log;
    ASSERT_EQ(Ok, device->CreatePixelShader(pixelProgram, &pixelShader, &log)) << log;
    ASSERT_EQ(Ok, device->CheckProgramLink(vertexShader, pixelShader, &log)) << log;
    const VertexElement elements[] = {
        {0, 0, DeclType::Float4, 0, DeclUsage::Position, 0},
        {0, 16, DeclType::Color, 0, DeclUsage::Color, 0},
        {0, 20, DeclType::UByte4, 0, DeclUsage::TexCoord, 0},
        {0, 24, DeclType::Short2N, 0, DeclUsage::TexCoord, 1},
        DeclarationEnd,
    };
    VertexDeclaration* layout = nullptr;
    ASSERT_EQ(Ok, device->CreateVertexDeclaration(elements, &layout));
    struct Vertex
    {
        float x, y, z, w;
        std::uint8_t color[4];
        std::uint8_t ubyte4[4];
        std::int16_t short2n[2];
    };
    const Vertex corner{0, 0, 0.5f, 1, {0x10, 0x20, 0x30, 0xFF}, {10, 20, 30, 255}, {16384, -32767}};
    Vertex vertices[4] = {corner, corner, corner, corner};
    const float positions[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};
    for (int i = 0; i < 4; ++i)
    {
        vertices[i].x = positions[i][0];
        vertices[i].y = positions[i][1];
    }
    VertexBuffer* buffer = nullptr;
    ASSERT_EQ(Ok, device->CreateVertexBuffer(sizeof(vertices), 0, 0, Pool::Default, &buffer, nullptr));
    void* data = nullptr;
    ASSERT_EQ(Ok, buffer->Lock(0, 0, &data, 0));
    std::memcpy(data, vertices, sizeof(vertices));
    ASSERT_EQ(Ok, buffer->Unlock());

    const std::uint32_t expected[] = {0xFF302010u, 0xFF0A141Eu, 0xFFBF0000u};
    for (int selector = 0; selector < 3; ++selector)
    {
        UseTarget(2, 2, kBlack);
        const float constant[4] = {static_cast<float>(selector), 0, 0, 0};
        ASSERT_EQ(Ok, device->SetVertexShaderConstantF(3, constant, 1));
        device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
        device->SetVertexDeclaration(layout);
        device->SetVertexShader(vertexShader);
        device->SetPixelShader(pixelShader);
        ASSERT_EQ(Ok, device->BeginScene());
        ASSERT_EQ(Ok, device->DrawPrimitive(PrimitiveType::TriangleStrip, 0, 2));
        ASSERT_EQ(Ok, device->EndScene());
        const std::uint32_t got = Pixels(target)[0];
        EXPECT_TRUE(NearColor(expected[selector], got)) << "selector " << selector << std::hex << ": " << got;
    }
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetStreamSource(0, nullptr, 0, 0);
    buffer->Release();
    layout->Release();
    vertexShader->Release();
    pixelShader->Release();
}

TEST_F(DrawTest, BlendingAlphaTestScissorAndColourMaskChangeTheExpectedPixels)
{
    // Source alpha over inverse source alpha.
    UseTarget(4, 4, kBlue);
    device->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    device->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    ASSERT_EQ(Ok, DrawQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0x80FF0000u, colourProgram));
    EXPECT_TRUE(NearColor(0xFF80007Fu, Pixels(target)[5] | 0xFF000000u)) << std::hex << Pixels(target)[5];
    device->SetRenderState(RenderState::AlphaBlendEnable, 0);

    // Alpha test greater than 0x80: alpha 0x80 fails, 0x81 passes.
    UseTarget(4, 4, kBlack);
    device->SetRenderState(RenderState::AlphaTestEnable, 1);
    device->SetRenderState(RenderState::AlphaFunc, Compare::Greater);
    device->SetRenderState(RenderState::AlphaRef, 0x80);
    ASSERT_EQ(Ok, DrawQuad(-0.5f, -0.5f, 3.5f, 1.5f, 0.5f, 0x80FFFFFFu, colourProgram));
    ASSERT_EQ(Ok, DrawQuad(-0.5f, 1.5f, 3.5f, 3.5f, 0.5f, 0x81FFFFFFu, colourProgram));
    std::vector<std::uint32_t> pixels = Pixels(target);
    EXPECT_EQ(kBlack, pixels[0]);
    EXPECT_EQ(0x81FFFFFFu, pixels[3 * 4]);
    device->SetRenderState(RenderState::AlphaTestEnable, 0);

    // Scissor rectangle in target pixels, top-left origin.
    UseTarget(4, 4, kBlack);
    const Rect scissor{1, 2, 2, 3};
    device->SetScissorRect(&scissor);
    device->SetRenderState(RenderState::ScissorTestEnable, 1);
    ASSERT_EQ(Ok, DrawQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, kWhite, colourProgram));
    pixels = Pixels(target);
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(i == 2 * 4 + 1 ? kWhite : kBlack, pixels[static_cast<std::size_t>(i)]) << i;
    }
    // A rectangle reaching far past the target on every side lets the whole target be drawn.
    const Rect everything{std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min(),
                          std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()};
    device->SetScissorRect(&everything);
    ASSERT_EQ(Ok, DrawQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, kWhite, colourProgram));
    EXPECT_EQ(std::vector<std::uint32_t>(16, kWhite), Pixels(target));
    device->SetRenderState(RenderState::ScissorTestEnable, 0);

    // Colour write mask: red only.
    UseTarget(4, 4, kBlack);
    device->SetRenderState(RenderState::ColorWriteEnable, 1);
    ASSERT_EQ(Ok, DrawQuad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0x00FFFFFFu, colourProgram));
    EXPECT_EQ(kRed, Pixels(target)[0]);
    device->SetRenderState(RenderState::ColorWriteEnable, 0xF);
}

TEST_F(DrawTest, IndexedDrawsUseTheBaseVertexAndStartIndex)
{
    UseTarget(4, 4, kBlack);
    const TestVertex vertices[] = {
        {0, 0, 0, 1, 0, 0, 0}, // never drawn
        {-1, 1, 0.5f, 1, kGreen, 0, 0},  {1, 1, 0.5f, 1, kGreen, 0, 0},
        {-1, -1, 0.5f, 1, kGreen, 0, 0}, {1, -1, 0.5f, 1, kGreen, 0, 0},
    };
    VertexBuffer* buffer = nullptr;
    ASSERT_EQ(Ok, device->CreateVertexBuffer(sizeof(vertices), 0, 0, Pool::SystemMemory, &buffer, nullptr));
    void* data = nullptr;
    ASSERT_EQ(Ok, buffer->Lock(0, 0, &data, 0));
    std::memcpy(data, vertices, sizeof(vertices));
    buffer->Unlock();
    const std::uint16_t indices[] = {9, 9, 0, 1, 2, 1, 3, 2};
    IndexBuffer* indexBuffer = nullptr;
    ASSERT_EQ(Ok, device->CreateIndexBuffer(sizeof(indices), 0, Format::Index16, Pool::Managed, &indexBuffer,
                                            nullptr));
    ASSERT_EQ(Ok, indexBuffer->Lock(0, 0, &data, 0));
    std::memcpy(data, indices, sizeof(indices));
    indexBuffer->Unlock();
    device->SetStreamSource(0, buffer, 0, sizeof(TestVertex));
    device->SetIndices(indexBuffer);
    device->SetVertexDeclaration(declaration);
    device->SetVertexShader(vertexProgram);
    device->SetPixelShader(colourProgram);
    ASSERT_EQ(Ok, device->BeginScene());
    EXPECT_EQ(Ok, device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 1, 0, 4, 2, 2));
    EXPECT_EQ(InvalidCall, device->DrawIndexedPrimitive(PrimitiveType::TriangleList, 1, 0, 4, 2, 3));
    ASSERT_EQ(Ok, device->EndScene());
    for (std::uint32_t pixel : Pixels(target))
    {
        EXPECT_EQ(kGreen, pixel);
    }
    IndexBufferDesc desc;
    ASSERT_EQ(Ok, indexBuffer->GetDesc(&desc));
    EXPECT_EQ(Format::Index16, desc.Format);
    EXPECT_EQ(sizeof(indices), desc.Size);
    device->SetIndices(nullptr);
    indexBuffer->Release();
    buffer->Release();
}

TEST_F(DrawTest, DrawsAreRefusedWithoutASceneOrADeclaration)
{
    UseTarget(4, 4, kBlack);
    Platform::DebugOutputCapture traces;
    const TestVertex vertex{0, 0, 0, 1, 0, 0, 0};
    VertexBuffer* buffer = nullptr;
    ASSERT_EQ(Ok, device->CreateVertexBuffer(sizeof(vertex) * 3, 0, 0, Pool::Managed, &buffer, nullptr));
    device->SetStreamSource(0, buffer, 0, sizeof(TestVertex));
    buffer->Release();
    device->SetVertexShader(vertexProgram);
    device->SetPixelShader(colourProgram);
    device->SetVertexDeclaration(declaration);
    EXPECT_EQ(InvalidCall, device->DrawPrimitive(PrimitiveType::TriangleList, 0, 1)) << "outside a scene";
    ASSERT_EQ(Ok, device->BeginScene());
    device->SetVertexDeclaration(nullptr);
    EXPECT_EQ(InvalidCall, device->DrawPrimitive(PrimitiveType::TriangleList, 0, 1)) << "no declaration";
    device->SetVertexDeclaration(declaration);
    device->SimulateDeviceLoss(1);
    EXPECT_EQ(Ok, device->DrawPrimitive(PrimitiveType::TriangleList, 0, 1)) << "lost devices draw nothing";
    ASSERT_EQ(Ok, device->EndScene());
}

TEST_F(DrawTest, ProgramsThatDoNotCompileOrLinkReportTheirLog)
{
    Shader* broken = nullptr;
    std::string log;
    EXPECT_EQ(InvalidCall,
              device->CreatePixelShader("void main() { FragmentColor = undefinedThing; }", &broken, &log));
    EXPECT_EQ(nullptr, broken);
    EXPECT_NE(std::string::npos, log.find("undefinedThing")) << log;

    Shader* mismatched = nullptr;
    ASSERT_EQ(Ok, device->CreatePixelShader(
                      "in vec3 vColor; void main() { FragmentColor = vec4(vColor, 1); }", &mismatched, &log));
    log.clear();
    EXPECT_EQ(InvalidCall, device->CheckProgramLink(vertexProgram, mismatched, &log));
    EXPECT_FALSE(log.empty());
    mismatched->Release();
}

TEST_F(DrawTest, FlexibleVertexFormatsDescribeTheirElementsInOrder)
{
    const std::uint32_t fvf = (Fvf::XyzB1 + 2) /* two betas */ | Fvf::LastBetaUByte4 | Fvf::Normal |
                              Fvf::Diffuse | Fvf::Specular | (2u << Fvf::TexCountShift) |
                              (1u << 18) /* second set: three */;
    const std::vector<VertexElement> elements = ElementsOfFvf(fvf);
    struct Expected
    {
        std::uint16_t offset;
        std::uint8_t type;
        std::uint8_t usage;
        std::uint8_t index;
    };
    const Expected expected[] = {
        {0, DeclType::Float3, DeclUsage::Position, 0},      {12, DeclType::Float1, DeclUsage::BlendWeight, 0},
        {16, DeclType::UByte4, DeclUsage::BlendIndices, 0}, {20, DeclType::Float3, DeclUsage::Normal, 0},
        {32, DeclType::Color, DeclUsage::Color, 0},         {36, DeclType::Color, DeclUsage::Color, 1},
        {40, DeclType::Float2, DeclUsage::TexCoord, 0},     {48, DeclType::Float3, DeclUsage::TexCoord, 1},
    };
    ASSERT_EQ(std::size(expected), elements.size());
    for (std::size_t i = 0; i < elements.size(); ++i)
    {
        EXPECT_EQ(expected[i].offset, elements[i].Offset) << i;
        EXPECT_EQ(expected[i].type, elements[i].Type) << i;
        EXPECT_EQ(expected[i].usage, elements[i].Usage) << i;
        EXPECT_EQ(expected[i].index, elements[i].UsageIndex) << i;
    }
    EXPECT_EQ(60u, FvfVertexSize(fvf));
    EXPECT_EQ(Ok, device->SetFVF(fvf));
    std::uint32_t read = 0;
    device->GetFVF(&read);
    EXPECT_EQ(fvf, read);
    EXPECT_EQ(Ok, device->SetVertexDeclaration(declaration));
    device->GetFVF(&read);
    EXPECT_EQ(0u, read);
    EXPECT_EQ(InvalidCall, device->SetFVF(Fvf::Normal));
}

} // namespace
} // namespace GfxTesting
