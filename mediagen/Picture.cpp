#include "mediagen/Picture.h"

#include "mediagen/GameMedia.h"

#include "foundation/Random.h"
#include "platform/gfx/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <system_error>
#include <unistd.h>

namespace MediaGen
{

std::uint32_t PixelOf(const BaseLib::CVector3& colour, std::uint32_t alpha)
{
    auto byte = [](float value) {
        return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
    };
    return (alpha << 24) | (byte(colour.x) << 16) | (byte(colour.y) << 8) | byte(colour.z);
}

Picture PaintSamples(int width, int height, const std::function<Sample(float x, float y)>& painter)
{
    Picture picture(width, height);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            BaseLib::CVector3 sum = {0.0f, 0.0f, 0.0f};
            float coverage = 0.0f;
            for (int sy = 0; sy < 4; ++sy)
            {
                for (int sx = 0; sx < 4; ++sx)
                {
                    const Sample sample =
                        painter(static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / 4.0f,
                                static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / 4.0f);
                    sum = sum + sample.colour * sample.alpha;
                    coverage += sample.alpha;
                }
            }
            const BaseLib::CVector3 colour =
                coverage > 0.0f ? sum * (1.0f / coverage) : BaseLib::CVector3{0.0f, 0.0f, 0.0f};
            picture.At(x, y) =
                PixelOf(colour, static_cast<std::uint32_t>(std::lround(coverage / 16.0f * 255.0f)));
        }
    }
    return picture;
}

std::string TgaBytes(const Picture& picture)
{
    std::string bytes(18, '\0');
    bytes[2] = 2; // uncompressed true colour
    bytes[12] = static_cast<char>(picture.width & 0xFF);
    bytes[13] = static_cast<char>(picture.width >> 8);
    bytes[14] = static_cast<char>(picture.height & 0xFF);
    bytes[15] = static_cast<char>(picture.height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28;
    bytes.reserve(bytes.size() + picture.pixels.size() * 4);
    for (const std::uint32_t pixel : picture.pixels)
    {
        bytes.push_back(static_cast<char>(pixel & 0xFF));
        bytes.push_back(static_cast<char>((pixel >> 8) & 0xFF));
        bytes.push_back(static_cast<char>((pixel >> 16) & 0xFF));
        bytes.push_back(static_cast<char>(pixel >> 24));
    }
    return bytes;
}

namespace
{

// Encodes the picture into a temporary file beside the target with `encode`, then writes its bytes as the
// media file (whole or not at all); the temporary file never stays behind.
bool WriteEncodedMediaFile(const std::string& media, const std::string& relativePath, const char* extension,
                           const std::function<bool(const std::string& path)>& encode)
{
    const std::filesystem::path target = std::filesystem::path(media) / relativePath;
    const std::filesystem::path temporary = target.parent_path() / ("." + target.filename().string() + "." +
                                                                    std::to_string(::getpid()) + extension);
    bool written = encode(temporary.string());
    std::string bytes;
    if (written)
    {
        std::ifstream file(temporary, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        written = !file.bad() && !bytes.empty();
    }
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    if (!written)
    {
        std::fprintf(stderr, "cannot write %s\n", target.c_str());
        return false;
    }
    return WriteMediaFile(media, relativePath, bytes);
}

} // namespace

bool WritePngMediaFile(const std::string& media, const std::string& relativePath, const Picture& picture)
{
    return WriteEncodedMediaFile(media, relativePath, ".png", [&](const std::string& path) {
        return Platform::Gfx::WritePng(path, static_cast<std::uint32_t>(picture.width),
                                       static_cast<std::uint32_t>(picture.height), picture.pixels, true);
    });
}

bool WriteJpegMediaFile(const std::string& media, const std::string& relativePath, const Picture& picture,
                        int quality)
{
    return WriteEncodedMediaFile(media, relativePath, ".jpg", [&](const std::string& path) {
        return Platform::Gfx::WriteJpeg(path, static_cast<std::uint32_t>(picture.width),
                                        static_cast<std::uint32_t>(picture.height), picture.pixels, quality);
    });
}

TilingNoise::TilingNoise(int period, int cells, std::uint32_t seed) : m_period(period), m_cells(cells)
{
    BaseLib::SeedRandom(seed);
    m_values.resize(static_cast<std::size_t>(cells) * cells);
    for (float& value : m_values)
    {
        value = static_cast<float>(BaseLib::Random()) / static_cast<float>(BaseLib::RandomMax);
    }
}

float TilingNoise::At(float x, float y) const
{
    const float scale = static_cast<float>(m_cells) / static_cast<float>(m_period);
    const float fx = x * scale;
    const float fy = y * scale;
    const float cx = std::floor(fx);
    const float cy = std::floor(fy);
    auto wrap = [this](float cell) {
        const int i = static_cast<int>(cell) % m_cells;
        return i < 0 ? i + m_cells : i;
    };
    auto ease = [](float t) { return t * t * (3.0f - 2.0f * t); };
    const int x0 = wrap(cx);
    const int x1 = wrap(cx + 1.0f);
    const int y0 = wrap(cy);
    const int y1 = wrap(cy + 1.0f);
    const float tx = ease(fx - cx);
    const float ty = ease(fy - cy);
    auto value = [this](int i, int j) { return m_values[static_cast<std::size_t>(j) * m_cells + i]; };
    const float top = value(x0, y0) + (value(x1, y0) - value(x0, y0)) * tx;
    const float bottom = value(x0, y1) + (value(x1, y1) - value(x0, y1)) * tx;
    return top + (bottom - top) * ty;
}

LayeredNoise::LayeredNoise(int period, int cells, int octaves, std::uint32_t seed)
{
    for (int octave = 0; octave < octaves; ++octave)
    {
        m_layers.emplace_back(period, cells << octave, seed + static_cast<std::uint32_t>(octave) * 7919u);
    }
}

float LayeredNoise::At(float x, float y) const
{
    float sum = 0.0f;
    float weight = 1.0f;
    float total = 0.0f;
    for (const TilingNoise& layer : m_layers)
    {
        sum += layer.At(x, y) * weight;
        total += weight;
        weight *= 0.5f;
    }
    return total > 0.0f ? sum / total : 0.0f;
}

} // namespace MediaGen
