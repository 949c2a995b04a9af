#pragma once

#include "platform/gfxkit/xfile/XFileModel.h"

#include <algorithm>
#include <string>
#include <vector>

// Skin weights for generated benchmark models.
namespace BenchSupport
{

// A chain of bones "Bone0", "Bone1", … along x, `spacing` apart (bone b's offset moves by −b × spacing):
// vertex i hangs on the two bones nearest to its place along the chain, along[i] counted in bones
// (0 … bones − 1), shared by distance.
inline std::vector<Platform::GfxKit::XSkinWeights> ChainSkinWeights(const std::vector<float>& along, int bones,
                                                                    float spacing)
{
    std::vector<Platform::GfxKit::XSkinWeights> weights(static_cast<std::size_t>(bones));
    for (int bone = 0; bone < bones; ++bone)
    {
        weights[bone].frameName = "Bone" + std::to_string(bone);
        weights[bone].offset[12] = -static_cast<float>(bone) * spacing;
    }
    for (std::uint32_t i = 0; i < along.size(); ++i)
    {
        const float place = std::clamp(along[i], 0.0f, static_cast<float>(bones - 1));
        const int first = std::min(static_cast<int>(place), bones - 1);
        const float share = place - static_cast<float>(first);
        weights[first].vertices.push_back(i);
        weights[first].weights.push_back(1.0f - share);
        if (first + 1 < bones)
        {
            weights[first + 1].vertices.push_back(i);
            weights[first + 1].weights.push_back(share);
        }
    }
    return weights;
}

} // namespace BenchSupport
