#pragma once

#include "platform/fonts/Fonts.h"
#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"

#include <array>
#include <cstdint>
#include <vector>

namespace Platform::Gfx
{
class Device;
class Texture;
class VertexBuffer;
} // namespace Platform::Gfx

namespace Platform::GfxKit
{

// DrawTextA format bits the font understands; text is always left- and top-aligned.
constexpr std::uint32_t DT_NOCLIP = 0x100;
constexpr std::uint32_t DT_CALCRECT = 0x400;

// A screen font: text drawn as pre-transformed textured quads (XYZRHW | DIFFUSE | TEX1) from a glyph
// atlas. Each character (a Windows-1252 byte) is rasterised once, at its first use, into a managed
// A8R8G8B8 texture, white with the coverage as alpha; atlas and quad buffer are managed, so a device
// reset keeps them. Once the characters of a text are in the atlas, drawing it allocates nothing.
// Draws set device states directly. Main thread (the device's) only.
class Font : public Gfx::CountedObject
{
public:
    // Lines break at '\n' and stand one cell height apart; characters advance by their cell increment;
    // a character the face lacks draws nothing and does not advance. count −1: up to the terminator.
    // DT_CALCRECT sets the rectangle's right and bottom to the widest line and the total height and
    // draws nothing. Colour 0xAARRGGBB: texel colour = the colour, alpha = coverage × its alpha.
    // Answers the text's height; 0 for a null text or rectangle. The sprite is not supported (null).
    std::int32_t DrawTextA(void* sprite, const char* text, std::int32_t count, Gfx::Rect* rect, std::uint32_t format,
                           std::uint32_t color);

    const TextMetrics& GetMetrics() const { return metrics_; }
    // Characters rasterised into the atlas so far.
    std::uint32_t GlyphsCached() const { return glyphsCached_; }

    static Gfx::Result Make(Gfx::Device* device, const FontRecord& record, Font** font);

private:
    struct Glyph
    {
        bool cached = false;
        bool visible = false; // has pixels in the atlas
        std::int16_t left = 0; // black box from the pen
        std::int16_t top = 0;  // black box top from the line's top
        std::int16_t width = 0;
        std::int16_t height = 0;
        std::int16_t advance = 0;
    };

    Font() = default;
    ~Font() override;

    // Rasterises the character into its atlas cell the first time.
    const Glyph& GlyphOf(std::uint8_t character);
    void Flush(std::uint32_t quads);

    Gfx::Device* device_ = nullptr;
    FontHandle font_ = nullptr;
    DeviceContext context_ = nullptr;
    TextMetrics metrics_;
    Gfx::Texture* atlas_ = nullptr;
    Gfx::VertexBuffer* quads_ = nullptr;
    std::int32_t cellWidth_ = 0;
    std::int32_t cellHeight_ = 0;
    std::int32_t atlasWidth_ = 0;
    std::int32_t atlasHeight_ = 0;
    std::array<Glyph, 256> glyphs_{};
    std::uint32_t glyphsCached_ = 0;
    std::vector<std::uint8_t> scratch_; // one glyph's coverage
};

// A font from the utility library's arguments. Width: 0 keeps the face's proportions, else the average
// character width; weight 0 means normal; the precisions and quality are kept by the font layer but do
// not change the glyphs. A face that is not installed gets the font layer's substitute.
Gfx::Result CreateFontA(Gfx::Device* device, std::int32_t height, std::uint32_t width, std::uint32_t weight,
                        std::uint32_t mipLevels, bool italic, std::uint32_t charSet, std::uint32_t outputPrecision,
                        std::uint32_t quality, std::uint32_t pitchAndFamily, const char* faceName, Font** font);

} // namespace Platform::GfxKit
