#include "platform/gfxkit/Font.h"

#include "platform/gfx/Buffer.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/VertexDeclaration.h"

#include <algorithm>
#include <cstring>

namespace Platform::GfxKit
{

using namespace Gfx;

namespace
{

// One corner of a glyph quad: a pixel position of the target, the colour and the atlas coordinates.
struct TextVertex
{
    float x, y, z, rhw;
    std::uint32_t color;
    float u, v;
};
static_assert(sizeof(TextVertex) == 28);

constexpr std::uint32_t kTextFvf = Fvf::XyzRhw | Fvf::Diffuse | (1u << Fvf::TexCountShift);
constexpr std::uint32_t kQuadsPerBatch = 256;
constexpr std::int32_t kCellsPerRow = 16; // 16 × 16 cells: one per byte value

std::int32_t NextPowerOfTwo(std::int32_t value)
{
    std::int32_t power = 1;
    while (power < value)
    {
        power <<= 1;
    }
    return power;
}

} // namespace

Gfx::Result Font::Make(Gfx::Device* device, const FontRecord& record, Font** font)
{
    if (device == nullptr || font == nullptr)
    {
        return InvalidCall;
    }
    *font = nullptr;
    auto* made = new Font();
    made->device_ = device;
    device->AddRef();
    made->font_ = CreateFontIndirect(record);
    made->context_ = CreateCompatibleDC(nullptr);
    SelectFont(made->context_, made->font_);
    GetTextMetrics(made->context_, &made->metrics_);
    made->cellWidth_ = std::max(made->metrics_.maxCharWidth, 1) + 2;
    made->cellHeight_ = std::max(made->metrics_.height, 1) + 2;
    made->atlasWidth_ = NextPowerOfTwo(made->cellWidth_ * kCellsPerRow);
    made->atlasHeight_ = NextPowerOfTwo(made->cellHeight_ * kCellsPerRow);
    made->scratch_.resize(static_cast<std::size_t>(made->cellWidth_ + 4) * static_cast<std::size_t>(made->cellHeight_));
    Result result = device->CreateTexture(static_cast<std::uint32_t>(made->atlasWidth_),
                                          static_cast<std::uint32_t>(made->atlasHeight_), 1, 0, Format::A8R8G8B8,
                                          Pool::Managed, &made->atlas_, nullptr);
    if (Succeeded(result))
    {
        LockedRect locked;
        result = made->atlas_->LockRect(0, &locked, nullptr, 0);
        if (Succeeded(result))
        {
            std::memset(locked.pBits, 0, static_cast<std::size_t>(locked.Pitch) * static_cast<std::size_t>(made->atlasHeight_));
            made->atlas_->UnlockRect(0);
        }
    }
    if (Succeeded(result))
    {
        result = device->CreateVertexBuffer(kQuadsPerBatch * 6 * sizeof(TextVertex), Usage::WriteOnly, kTextFvf,
                                            Pool::Managed, &made->quads_, nullptr);
    }
    if (Failed(result))
    {
        made->Release();
        return result;
    }
    *font = made;
    return Ok;
}

Font::~Font()
{
    if (quads_ != nullptr)
    {
        quads_->Release();
    }
    if (atlas_ != nullptr)
    {
        atlas_->Release();
    }
    SelectFont(context_, nullptr);
    DeleteDC(context_);
    DeleteFont(font_);
    device_->Release();
}

const Font::Glyph& Font::GlyphOf(std::uint8_t character)
{
    Glyph& glyph = glyphs_[character];
    if (glyph.cached)
    {
        return glyph;
    }
    glyph.cached = true;
    ++glyphsCached_;
    GlyphMetrics metrics;
    const std::uint32_t size = GetGlyphOutlineA(context_, character, GGO_GRAY8_BITMAP, &metrics, 0, nullptr, nullptr);
    if (size == GDI_ERROR)
    {
        return glyph;
    }
    glyph.advance = metrics.cellIncX;
    glyph.left = static_cast<std::int16_t>(metrics.originX);
    glyph.top = static_cast<std::int16_t>(metrics_.ascent - metrics.originY);
    if (size == 0 || metrics.blackBoxX == 0 || metrics.blackBoxY == 0)
    {
        return glyph;
    }
    if (scratch_.size() < size)
    {
        scratch_.resize(size);
    }
    if (GetGlyphOutlineA(context_, character, GGO_GRAY8_BITMAP, &metrics, size, scratch_.data(), nullptr) == GDI_ERROR)
    {
        return glyph;
    }
    // The cell keeps one blank texel on each side, so neighbours never bleed in.
    const std::int32_t width = std::min(static_cast<std::int32_t>(metrics.blackBoxX), cellWidth_ - 2);
    const std::int32_t height = std::min(static_cast<std::int32_t>(metrics.blackBoxY), cellHeight_ - 2);
    const std::int32_t cellX = (character % kCellsPerRow) * cellWidth_ + 1;
    const std::int32_t cellY = (character / kCellsPerRow) * cellHeight_ + 1;
    const Rect area{cellX, cellY, cellX + width, cellY + height};
    LockedRect locked;
    if (Failed(atlas_->LockRect(0, &locked, &area, 0)))
    {
        return glyph;
    }
    const std::uint32_t sourcePitch = (metrics.blackBoxX + 3) & ~3u;
    for (std::int32_t y = 0; y < height; ++y)
    {
        const std::uint8_t* from = scratch_.data() + static_cast<std::size_t>(y) * sourcePitch;
        auto* to = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + static_cast<std::ptrdiff_t>(y) * locked.Pitch);
        for (std::int32_t x = 0; x < width; ++x)
        {
            const std::uint32_t alpha = std::min<std::uint32_t>(255u, from[x] * 255u / 64u);
            to[x] = alpha << 24 | 0x00FFFFFFu;
        }
    }
    atlas_->UnlockRect(0);
    glyph.visible = true;
    glyph.width = static_cast<std::int16_t>(width);
    glyph.height = static_cast<std::int16_t>(height);
    return glyph;
}

void Font::Flush(std::uint32_t quads)
{
    quads_->Unlock();
    if (quads > 0)
    {
        device_->DrawPrimitive(PrimitiveType::TriangleList, 0, quads * 2);
    }
}

std::int32_t Font::DrawTextA(void*, const char* text, std::int32_t count, Gfx::Rect* rect, std::uint32_t format,
                             std::uint32_t color)
{
    if (text == nullptr || rect == nullptr)
    {
        return 0;
    }
    const std::size_t length = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
    const std::int32_t lineHeight = metrics_.height;

    if ((format & DT_CALCRECT) != 0)
    {
        std::int32_t widest = 0;
        std::int32_t line = 0;
        std::int32_t lines = 1;
        for (std::size_t i = 0; i < length; ++i)
        {
            const auto character = static_cast<std::uint8_t>(text[i]);
            if (character == '\n')
            {
                widest = std::max(widest, line);
                line = 0;
                ++lines;
                continue;
            }
            line += GlyphOf(character).advance;
        }
        widest = std::max(widest, line);
        rect->right = rect->left + widest;
        rect->bottom = rect->top + lines * lineHeight;
        return lines * lineHeight;
    }

    device_->SetVertexShader(nullptr);
    device_->SetPixelShader(nullptr);
    device_->SetFVF(kTextFvf);
    device_->SetStreamSource(0, quads_, 0, sizeof(TextVertex));
    device_->SetTexture(0, atlas_);
    device_->SetRenderState(RenderState::ZEnable, 0);
    device_->SetRenderState(RenderState::StencilEnable, 0);
    device_->SetRenderState(RenderState::FogEnable, 0);
    device_->SetRenderState(RenderState::CullMode, Cull::None);
    device_->SetRenderState(RenderState::FillMode, Fill::Solid);
    device_->SetRenderState(RenderState::AlphaTestEnable, 0);
    device_->SetRenderState(RenderState::AlphaBlendEnable, 1);
    device_->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    device_->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    device_->SetRenderState(RenderState::BlendOp, BlendOperation::Add);
    device_->SetRenderState(RenderState::ColorWriteEnable, 0xF);
    device_->SetTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
    device_->SetTextureStageState(0, TextureStageState::ColorArg1, TextureArg::Diffuse);
    device_->SetTextureStageState(0, TextureStageState::AlphaOp, TextureOp::Modulate);
    device_->SetTextureStageState(0, TextureStageState::AlphaArg1, TextureArg::Texture);
    device_->SetTextureStageState(0, TextureStageState::AlphaArg2, TextureArg::Diffuse);
    device_->SetTextureStageState(0, TextureStageState::TexCoordIndex, 0);
    device_->SetTextureStageState(0, TextureStageState::TextureTransformFlags, 0);
    device_->SetTextureStageState(1, TextureStageState::ColorOp, TextureOp::Disable);
    device_->SetTextureStageState(1, TextureStageState::AlphaOp, TextureOp::Disable);
    device_->SetSamplerState(0, SamplerState::MinFilter, TextureFilter::Point);
    device_->SetSamplerState(0, SamplerState::MagFilter, TextureFilter::Point);
    device_->SetSamplerState(0, SamplerState::MipFilter, TextureFilter::None);
    device_->SetSamplerState(0, SamplerState::AddressU, TextureAddress::Clamp);
    device_->SetSamplerState(0, SamplerState::AddressV, TextureAddress::Clamp);

    const bool clip = (format & DT_NOCLIP) == 0;
    const float atlasWidth = static_cast<float>(atlasWidth_);
    const float atlasHeight = static_cast<float>(atlasHeight_);
    // Rasterise every glyph before the quad buffer is locked: rasterising locks the atlas.
    for (std::size_t i = 0; i < length; ++i)
    {
        GlyphOf(static_cast<std::uint8_t>(text[i]));
    }
    void* data = nullptr;
    if (Failed(quads_->Lock(0, 0, &data, 0)))
    {
        return 0;
    }
    auto* vertices = static_cast<TextVertex*>(data);
    std::uint32_t quads = 0;
    std::int32_t penX = rect->left;
    std::int32_t lineTop = rect->top;
    std::int32_t lines = 1;
    for (std::size_t i = 0; i < length; ++i)
    {
        const auto character = static_cast<std::uint8_t>(text[i]);
        if (character == '\n')
        {
            penX = rect->left;
            lineTop += lineHeight;
            ++lines;
            continue;
        }
        const Glyph& glyph = glyphs_[character];
        if (glyph.visible)
        {
            float left = static_cast<float>(penX + glyph.left);
            float top = static_cast<float>(lineTop + glyph.top);
            float right = left + static_cast<float>(glyph.width);
            float bottom = top + static_cast<float>(glyph.height);
            const float cellX = static_cast<float>((character % kCellsPerRow) * cellWidth_ + 1);
            const float cellY = static_cast<float>((character / kCellsPerRow) * cellHeight_ + 1);
            float u0 = cellX;
            float v0 = cellY;
            float u1 = cellX + static_cast<float>(glyph.width);
            float v1 = cellY + static_cast<float>(glyph.height);
            if (clip)
            {
                // Cut the quad to the rectangle, texels with it (one texel per pixel).
                const float cutLeft = std::max(0.0f, static_cast<float>(rect->left) - left);
                const float cutTop = std::max(0.0f, static_cast<float>(rect->top) - top);
                const float cutRight = std::max(0.0f, right - static_cast<float>(rect->right));
                const float cutBottom = std::max(0.0f, bottom - static_cast<float>(rect->bottom));
                left += cutLeft;
                u0 += cutLeft;
                top += cutTop;
                v0 += cutTop;
                right -= cutRight;
                u1 -= cutRight;
                bottom -= cutBottom;
                v1 -= cutBottom;
            }
            if (right > left && bottom > top)
            {
                // Pixel centres fall on texel centres: the quad's edges lie half a pixel up and left.
                left -= 0.5f;
                right -= 0.5f;
                top -= 0.5f;
                bottom -= 0.5f;
                u0 /= atlasWidth;
                u1 /= atlasWidth;
                v0 /= atlasHeight;
                v1 /= atlasHeight;
                TextVertex* out = vertices + static_cast<std::size_t>(quads) * 6;
                out[0] = {left, top, 0.0f, 1.0f, color, u0, v0};
                out[1] = {right, top, 0.0f, 1.0f, color, u1, v0};
                out[2] = {left, bottom, 0.0f, 1.0f, color, u0, v1};
                out[3] = out[2];
                out[4] = out[1];
                out[5] = {right, bottom, 0.0f, 1.0f, color, u1, v1};
                if (++quads == kQuadsPerBatch)
                {
                    Flush(quads);
                    quads = 0;
                    if (Failed(quads_->Lock(0, 0, &data, 0)))
                    {
                        return lines * lineHeight;
                    }
                    vertices = static_cast<TextVertex*>(data);
                }
            }
        }
        penX += glyph.advance;
    }
    Flush(quads);
    return lines * lineHeight;
}

Gfx::Result CreateFontA(Gfx::Device* device, std::int32_t height, std::uint32_t width, std::uint32_t weight,
                        std::uint32_t, bool italic, std::uint32_t charSet, std::uint32_t outputPrecision,
                        std::uint32_t quality, std::uint32_t pitchAndFamily, const char* faceName, Font** font)
{
    FontRecord record;
    record.height = height;
    record.width = static_cast<std::int32_t>(width);
    record.weight = static_cast<std::int32_t>(weight);
    record.italic = italic ? 1 : 0;
    record.charSet = static_cast<std::uint8_t>(charSet);
    record.outPrecision = static_cast<std::uint8_t>(outputPrecision);
    record.quality = static_cast<std::uint8_t>(quality);
    record.pitchAndFamily = static_cast<std::uint8_t>(pitchAndFamily);
    if (faceName != nullptr)
    {
        std::strncpy(record.faceName, faceName, FontFaceNameSize - 1);
    }
    return Font::Make(device, record, font);
}

} // namespace Platform::GfxKit
