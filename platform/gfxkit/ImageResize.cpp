#include "platform/gfxkit/ImageResize.h"

#include <algorithm>
#include <cmath>

namespace Platform::GfxKit
{
namespace
{

// The source texels an output texel of one axis takes, with their weights (summing to 1).
struct Tap
{
    std::uint32_t index;
    float weight;
};

struct AxisTaps
{
    std::vector<std::uint32_t> first; // [output] index into taps; first[n] = taps.size()
    std::vector<Tap> taps;
};

AxisTaps SmoothTaps(std::uint32_t from, std::uint32_t to)
{
    AxisTaps axis;
    axis.first.reserve(to + 1);
    const double scale = static_cast<double>(from) / to;
    for (std::uint32_t out = 0; out < to; ++out)
    {
        axis.first.push_back(static_cast<std::uint32_t>(axis.taps.size()));
        if (scale >= 1.0)
        {
            // Box: every source texel the output texel covers, weighted by how much of it is covered.
            const double begin = out * scale;
            const double end = (out + 1) * scale;
            for (auto i = static_cast<std::uint32_t>(begin); i < from && i < end; ++i)
            {
                const double covered = std::min<double>(end, i + 1) - std::max<double>(begin, i);
                if (covered > 0.0)
                {
                    axis.taps.push_back({i, static_cast<float>(covered / scale)});
                }
            }
        }
        else
        {
            const double centre = std::clamp((out + 0.5) * scale - 0.5, 0.0, static_cast<double>(from - 1));
            const auto low = static_cast<std::uint32_t>(centre);
            const double fraction = centre - low;
            axis.taps.push_back({low, static_cast<float>(1.0 - fraction)});
            if (fraction > 0.0 && low + 1 < from)
            {
                axis.taps.push_back({low + 1, static_cast<float>(fraction)});
            }
        }
    }
    axis.first.push_back(static_cast<std::uint32_t>(axis.taps.size()));
    return axis;
}

// One pass along an axis of a float image (four channels a texel): count outputs along the axis,
// `stride` texels between neighbours on it, `outer` and `inner` texels across it.
std::vector<float> Pass(const std::vector<float>& in, const AxisTaps& axis, std::uint32_t outer,
                        std::uint32_t inner, std::uint32_t fromCount, std::uint32_t toCount)
{
    std::vector<float> out(static_cast<std::size_t>(outer) * toCount * inner * 4, 0.0f);
    for (std::uint32_t o = 0; o < outer; ++o)
    {
        for (std::uint32_t t = 0; t < toCount; ++t)
        {
            float* target = &out[((static_cast<std::size_t>(o) * toCount + t) * inner) * 4];
            for (std::uint32_t k = axis.first[t]; k < axis.first[t + 1]; ++k)
            {
                const Tap tap = axis.taps[k];
                const float* source =
                    &in[((static_cast<std::size_t>(o) * fromCount + tap.index) * inner) * 4];
                for (std::size_t c = 0; c < static_cast<std::size_t>(inner) * 4; ++c)
                {
                    target[c] += source[c] * tap.weight;
                }
            }
        }
    }
    return out;
}

std::uint32_t NearestIndex(std::uint32_t out, std::uint32_t from, std::uint32_t to)
{
    return std::min(from - 1,
                    static_cast<std::uint32_t>((static_cast<std::uint64_t>(out) * 2 + 1) * from / (2 * to)));
}

} // namespace

ArgbImage ResizeImage(const ArgbImage& image, std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                      ResizeFilter filter)
{
    if (width == image.width && height == image.height && depth == image.depth)
    {
        return image;
    }
    ArgbImage result;
    result.width = width;
    result.height = height;
    result.depth = depth;
    result.pixels.assign(static_cast<std::size_t>(width) * height * depth, 0u);
    const std::size_t sourceSlice = static_cast<std::size_t>(image.width) * image.height;
    const std::size_t slice = static_cast<std::size_t>(width) * height;
    if (filter == ResizeFilter::None || filter == ResizeFilter::Point)
    {
        for (std::uint32_t z = 0; z < depth; ++z)
        {
            for (std::uint32_t y = 0; y < height; ++y)
            {
                for (std::uint32_t x = 0; x < width; ++x)
                {
                    std::uint32_t sx = x, sy = y, sz = z;
                    if (filter == ResizeFilter::Point)
                    {
                        sx = NearestIndex(x, image.width, width);
                        sy = NearestIndex(y, image.height, height);
                        sz = NearestIndex(z, image.depth, depth);
                    }
                    else if (x >= image.width || y >= image.height || z >= image.depth)
                    {
                        continue;
                    }
                    result.pixels[z * slice + static_cast<std::size_t>(y) * width + x] =
                        image.pixels[sz * sourceSlice + static_cast<std::size_t>(sy) * image.width + sx];
                }
            }
        }
        return result;
    }

    // Separable passes in float, x then y then z, each skipped when its size stays.
    std::vector<float> texels(image.pixels.size() * 4);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
    {
        const std::uint32_t p = image.pixels[i];
        texels[i * 4 + 0] = static_cast<float>(p >> 24);
        texels[i * 4 + 1] = static_cast<float>((p >> 16) & 0xFF);
        texels[i * 4 + 2] = static_cast<float>((p >> 8) & 0xFF);
        texels[i * 4 + 3] = static_cast<float>(p & 0xFF);
    }
    if (width != image.width)
    {
        texels =
            Pass(texels, SmoothTaps(image.width, width), image.height * image.depth, 1, image.width, width);
    }
    if (height != image.height)
    {
        texels = Pass(texels, SmoothTaps(image.height, height), image.depth, width, image.height, height);
    }
    if (depth != image.depth)
    {
        texels = Pass(texels, SmoothTaps(image.depth, depth), 1, width * height, image.depth, depth);
    }
    auto channel = [](float value) {
        return static_cast<std::uint32_t>(std::clamp(std::lround(value), 0L, 255L));
    };
    for (std::size_t i = 0; i < result.pixels.size(); ++i)
    {
        result.pixels[i] = channel(texels[i * 4]) << 24 | channel(texels[i * 4 + 1]) << 16 |
                           channel(texels[i * 4 + 2]) << 8 | channel(texels[i * 4 + 3]);
    }
    return result;
}

} // namespace Platform::GfxKit
