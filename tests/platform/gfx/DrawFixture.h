#pragma once

#include "tests/platform/gfx/GfxFixture.h"

#include "platform/gfx/Buffer.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Shader.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/VertexDeclaration.h"

#include <cstring>

namespace GfxTesting
{

// A vertex as the drawing tests lay it out: clip-space position, a colour, one coordinate pair.
struct TestVertex
{
    float x, y, z, w;
    std::uint32_t color; // 0xAARRGGBB
    float u, v;
};

constexpr const char* kPassThroughVertexProgram = R"(
layout(location = 0) in vec4 Position;
layout(location = 6) in vec4 Color0;
layout(location = 8) in vec2 TexCoord0;
out vec4 vColor;
out vec2 vTexCoord;
void main()
{
    gl_Position = Position;
    vColor = Color0;
    vTexCoord = TexCoord0;
}
)";

constexpr const char* kColourPixelProgram = R"(
in vec4 vColor;
in vec2 vTexCoord;
void main()
{
    FragmentColor = vColor;
}
)";

constexpr const char* kTexturePixelProgram = R"(
in vec4 vColor;
in vec2 vTexCoord;
uniform sampler2D Sampler0;
void main()
{
    FragmentColor = texture(Sampler0, vTexCoord);
}
)";

// A device, its programs and a target to draw into; quads are given in the engine's screen pixels.
class DrawFixture : public GfxFixture
{
protected:
    void SetUp() override
    {
        MakeDevice(64, 64);
        ASSERT_FALSE(HasFatalFailure());
        std::string log;
        ASSERT_EQ(Ok, device->CreateVertexShader(kPassThroughVertexProgram, &vertexProgram, &log)) << log;
        ASSERT_EQ(Ok, device->CreatePixelShader(kColourPixelProgram, &colourProgram, &log)) << log;
        ASSERT_EQ(Ok, device->CreatePixelShader(kTexturePixelProgram, &textureProgram, &log)) << log;
        const VertexElement elements[] = {
            {0, 0, DeclType::Float4, 0, DeclUsage::Position, 0},
            {0, 16, DeclType::Color, 0, DeclUsage::Color, 0},
            {0, 20, DeclType::Float2, 0, DeclUsage::TexCoord, 0},
            DeclarationEnd,
        };
        ASSERT_EQ(Ok, device->CreateVertexDeclaration(elements, &declaration));
    }

    void TearDown() override
    {
        for (CountedObject* object : std::initializer_list<CountedObject*>{
                 target, vertexProgram, colourProgram, textureProgram, declaration})
        {
            if (object)
            {
                object->Release();
            }
        }
        GfxFixture::TearDown();
    }

    // A render target of that size becomes the device's target, cleared to the colour; no depth.
    void UseTarget(std::uint32_t width, std::uint32_t height, std::uint32_t clearColor)
    {
        if (target)
        {
            target->Release();
        }
        ASSERT_EQ(Ok,
                  device->CreateRenderTarget(width, height, Format::A8R8G8B8, 0, 0, false, &target, nullptr));
        ASSERT_EQ(Ok, device->SetRenderTarget(0, target));
        ASSERT_EQ(Ok, device->SetDepthStencilSurface(nullptr));
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, clearColor, 1.0f, 0));
    }

    // Draws a screen-space quad (pixels, top left first, the engine's pixel centres) in the current
    // target with the given pixel program; corners run clockwise on the screen.
    Result DrawQuad(float left, float top, float right, float bottom, float z, std::uint32_t color,
                    Shader* pixelProgram, float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1)
    {
        Viewport viewport;
        device->GetViewport(&viewport);
        auto clipX = [&](float x) { return x / static_cast<float>(viewport.Width) * 2.0f - 1.0f; };
        auto clipY = [&](float y) { return 1.0f - y / static_cast<float>(viewport.Height) * 2.0f; };
        const TestVertex vertices[] = {
            {clipX(left), clipY(top), z, 1, color, u0, v0},
            {clipX(right), clipY(top), z, 1, color, u1, v0},
            {clipX(left), clipY(bottom), z, 1, color, u0, v1},
            {clipX(right), clipY(bottom), z, 1, color, u1, v1},
        };
        return DrawVertices(vertices, 4, PrimitiveType::TriangleStrip, 2, pixelProgram);
    }

    Result DrawVertices(const TestVertex* vertices, std::uint32_t count, std::uint32_t type,
                        std::uint32_t primitives, Shader* pixelProgram)
    {
        VertexBuffer* buffer = nullptr;
        EXPECT_EQ(Ok, device->CreateVertexBuffer(count * sizeof(TestVertex), Usage::WriteOnly, 0,
                                                 Pool::Managed, &buffer, nullptr));
        void* data = nullptr;
        EXPECT_EQ(Ok, buffer->Lock(0, 0, &data, 0));
        std::memcpy(data, vertices, count * sizeof(TestVertex));
        EXPECT_EQ(Ok, buffer->Unlock());
        device->SetStreamSource(0, buffer, 0, sizeof(TestVertex));
        buffer->Release();
        device->SetVertexDeclaration(declaration);
        device->SetVertexShader(vertexProgram);
        device->SetPixelShader(pixelProgram);
        EXPECT_EQ(Ok, device->BeginScene());
        const Result drawn = device->DrawPrimitive(type, 0, primitives);
        EXPECT_EQ(Ok, device->EndScene());
        return drawn;
    }

    // A managed texture filled from 0xAARRGGBB pixels.
    Texture* MakeTexture(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& pixels,
                         std::uint32_t format = Format::A8R8G8B8, std::uint32_t pool = Pool::Managed,
                         std::uint32_t usage = 0)
    {
        Texture* texture = nullptr;
        EXPECT_EQ(Ok, device->CreateTexture(width, height, 1, usage, format, pool, &texture, nullptr));
        if (!texture)
        {
            return nullptr;
        }
        LockedRect locked;
        if (Succeeded(texture->LockRect(0, &locked, nullptr, 0)))
        {
            for (std::uint32_t y = 0; y < height; ++y)
            {
                for (std::uint32_t x = 0; x < width; ++x)
                {
                    ArgbToPixel(format, pixels[y * width + x],
                                static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch +
                                    x * BytesPerPixel(format));
                }
            }
            texture->UnlockRect(0);
        }
        return texture;
    }

    // Draws the texture pixel for pixel (point sampling) into a fresh target of its size and reads it.
    std::vector<std::uint32_t> Sample(BaseTexture* texture, std::uint32_t width, std::uint32_t height)
    {
        UseTarget(width, height, 0);
        device->SetTexture(0, texture);
        device->SetSamplerState(0, SamplerState::MinFilter, TextureFilter::Point);
        device->SetSamplerState(0, SamplerState::MagFilter, TextureFilter::Point);
        EXPECT_EQ(Ok, DrawQuad(-0.5f, -0.5f, static_cast<float>(width) - 0.5f,
                               static_cast<float>(height) - 0.5f, 0.5f, 0, textureProgram));
        device->SetTexture(0, nullptr);
        return Pixels(target);
    }

    Surface* target = nullptr;
    Shader* vertexProgram = nullptr;
    Shader* colourProgram = nullptr;
    Shader* textureProgram = nullptr;
    VertexDeclaration* declaration = nullptr;
};

// Channels within one step of each other (quantisation and rounding differ by one at most).
inline bool NearColor(std::uint32_t a, std::uint32_t b, int tolerance = 1)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        const int ca = static_cast<int>((a >> shift) & 0xFF);
        const int cb = static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance)
        {
            return false;
        }
    }
    return true;
}

} // namespace GfxTesting
