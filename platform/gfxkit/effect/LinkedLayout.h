#pragma once

#include "platform/gfxkit/effect/EffectPrograms.h"

#include <string>
#include <vector>

namespace Platform::Gfx
{
class Device;
class Shader;
} // namespace Platform::Gfx

namespace Platform::GfxKit
{

// The places the GLSL compiler gives the members of a program pair's uniform block, as its linked
// program reports them, for checking the layer's own layout. Names are those of ConstantPlace
// ("w[0]", "lights[1].mShadow"); a name the program does not have gets offset 0xFFFFFFFF. Empty when
// the pair does not link.
std::vector<ConstantPlace> LinkedLayout(Gfx::Device& device, Gfx::Shader* vertex, Gfx::Shader* pixel,
                                        const std::string& block, const std::vector<std::string>& names);

} // namespace Platform::GfxKit
