#pragma once

#include <cstdint>
#include <string_view>

// The names of render states, sampler states and their values as effect files write them (letter
// case ignored), mapped to the device layer's numbers.
namespace Platform::GfxKit
{

// What values a state takes besides integers: one family of value names, or any number kept as the
// bits of its float.
enum class StateValueKind
{
    Integer,
    Float,
    Cull,
    Fill,
    Blend,
    BlendOp,
    Compare,
    StencilOp,
    Address,
    Filter,
};

bool FindRenderState(std::string_view name, std::uint32_t& state);
bool FindSamplerState(std::string_view name, std::uint32_t& state);
StateValueKind RenderStateKind(std::uint32_t state);
StateValueKind SamplerStateKind(std::uint32_t state);
// A value name of that kind; false for names of other kinds and for Integer and Float.
bool FindStateValue(StateValueKind kind, std::string_view name, std::uint32_t& value);

} // namespace Platform::GfxKit
