#pragma once

#include "foundation/Vector.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace MediaGen
{

// A picture being painted: 0xAARRGGBB pixels, top row first.
struct Picture
{
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    Picture(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, 0) {}
    std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// One sample of a picture being painted: a colour and how much of it covers the point (0 to 1).
struct Sample
{
    BaseLib::CVector3 colour = {0.0f, 0.0f, 0.0f};
    float alpha = 0.0f;
};

// A width × height picture whose every pixel averages 4 × 4 samples of the painter (colours weighted by
// their coverage), so edges are smooth while areas of one colour stay exactly that colour.
Picture PaintSamples(int width, int height, const std::function<Sample(float x, float y)>& painter);

// The pixel of a colour with components 0 to 1 (clamped) and an alpha 0 to 255.
std::uint32_t PixelOf(const BaseLib::CVector3& colour, std::uint32_t alpha = 255);

// The picture as a TGA file: the 18-byte header, no identification, no colour map, uncompressed 32-bit
// BGRA, top row first (descriptor 0x28: origin at the top left, 8 alpha bits).
std::string TgaBytes(const Picture& picture);

// Writes the picture as the PNG file media/relativePath (8-bit RGBA), whole or not at all: the encoder
// writes a temporary file beside it, whose bytes then replace the target. On failure prints a line naming
// the file and answers false.
bool WritePngMediaFile(const std::string& media, const std::string& relativePath, const Picture& picture);
// As WritePngMediaFile, as a baseline JPEG of the given quality (1 to 100).
bool WriteJpegMediaFile(const std::string& media, const std::string& relativePath, const Picture& picture,
                        int quality);

// Smooth value noise 0 to 1 that repeats every `period` pixels in both directions (a divisor of the
// picture's size keeps a texture seamless): `cells` random values per period, bilinear with a smooth
// step between them. The values come from the project's random source seeded with `seed`.
class TilingNoise
{
public:
    TilingNoise(int period, int cells, std::uint32_t seed);
    float At(float x, float y) const;

private:
    int m_period;
    int m_cells;
    std::vector<float> m_values;
};

// The sum of `octaves` noises, each with twice the cells and half the weight of the last, scaled back to
// 0..1.
class LayeredNoise
{
public:
    LayeredNoise(int period, int cells, int octaves, std::uint32_t seed);
    float At(float x, float y) const;

private:
    std::vector<TilingNoise> m_layers;
};

} // namespace MediaGen
