#include "platform/gfxkit/effect/EffectStates.h"

#include "platform/gfx/Constants.h"

#include <algorithm>
#include <cctype>

namespace Platform::GfxKit
{
namespace
{

using namespace Platform::Gfx;

struct NamedValue
{
    const char* name;
    std::uint32_t value;
};

bool SameLetters(std::string_view a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
    {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
        {
            return false;
        }
    }
    return i == a.size() && !b[i];
}

template <std::size_t N> bool Find(const NamedValue (&table)[N], std::string_view name, std::uint32_t& value)
{
    const auto found = std::find_if(std::begin(table), std::end(table),
                                    [&](const NamedValue& entry) { return SameLetters(name, entry.name); });
    if (found == std::end(table))
    {
        return false;
    }
    value = found->value;
    return true;
}

const NamedValue kRenderStates[] = {
    {"ZEnable", RenderState::ZEnable},
    {"FillMode", RenderState::FillMode},
    {"ShadeMode", RenderState::ShadeMode},
    {"ZWriteEnable", RenderState::ZWriteEnable},
    {"AlphaTestEnable", RenderState::AlphaTestEnable},
    {"LastPixel", RenderState::LastPixel},
    {"SrcBlend", RenderState::SrcBlend},
    {"DestBlend", RenderState::DestBlend},
    {"CullMode", RenderState::CullMode},
    {"ZFunc", RenderState::ZFunc},
    {"AlphaRef", RenderState::AlphaRef},
    {"AlphaFunc", RenderState::AlphaFunc},
    {"DitherEnable", RenderState::DitherEnable},
    {"AlphaBlendEnable", RenderState::AlphaBlendEnable},
    {"FogEnable", RenderState::FogEnable},
    {"SpecularEnable", RenderState::SpecularEnable},
    {"FogColor", RenderState::FogColor},
    {"FogTableMode", RenderState::FogTableMode},
    {"FogStart", RenderState::FogStart},
    {"FogEnd", RenderState::FogEnd},
    {"FogDensity", RenderState::FogDensity},
    {"RangeFogEnable", RenderState::RangeFogEnable},
    {"StencilEnable", RenderState::StencilEnable},
    {"StencilFail", RenderState::StencilFail},
    {"StencilZFail", RenderState::StencilZFail},
    {"StencilPass", RenderState::StencilPass},
    {"StencilFunc", RenderState::StencilFunc},
    {"StencilRef", RenderState::StencilRef},
    {"StencilMask", RenderState::StencilMask},
    {"StencilWriteMask", RenderState::StencilWriteMask},
    {"TextureFactor", RenderState::TextureFactor},
    {"Wrap0", RenderState::Wrap0},
    {"Clipping", RenderState::Clipping},
    {"Lighting", RenderState::Lighting},
    {"Ambient", RenderState::Ambient},
    {"FogVertexMode", RenderState::FogVertexMode},
    {"ColorVertex", RenderState::ColorVertex},
    {"LocalViewer", RenderState::LocalViewer},
    {"NormalizeNormals", RenderState::NormalizeNormals},
    {"DiffuseMaterialSource", RenderState::DiffuseMaterialSource},
    {"SpecularMaterialSource", RenderState::SpecularMaterialSource},
    {"AmbientMaterialSource", RenderState::AmbientMaterialSource},
    {"EmissiveMaterialSource", RenderState::EmissiveMaterialSource},
    {"VertexBlend", RenderState::VertexBlend},
    {"ClipPlaneEnable", RenderState::ClipPlaneEnable},
    {"PointSize", RenderState::PointSize},
    {"PointSizeMin", RenderState::PointSizeMin},
    {"PointSpriteEnable", RenderState::PointSpriteEnable},
    {"PointScaleEnable", RenderState::PointScaleEnable},
    {"PointScaleA", RenderState::PointScaleA},
    {"PointScaleB", RenderState::PointScaleB},
    {"PointScaleC", RenderState::PointScaleC},
    {"MultiSampleAntialias", RenderState::MultiSampleAntialias},
    {"MultiSampleMask", RenderState::MultiSampleMask},
    {"PatchEdgeStyle", RenderState::PatchEdgeStyle},
    {"DebugMonitorToken", RenderState::DebugMonitorToken},
    {"PointSizeMax", RenderState::PointSizeMax},
    {"IndexedVertexBlendEnable", RenderState::IndexedVertexBlendEnable},
    {"ColorWriteEnable", RenderState::ColorWriteEnable},
    {"TweenFactor", RenderState::TweenFactor},
    {"BlendOp", RenderState::BlendOp},
    {"PositionDegree", RenderState::PositionDegree},
    {"NormalDegree", RenderState::NormalDegree},
    {"ScissorTestEnable", RenderState::ScissorTestEnable},
    {"SlopeScaleDepthBias", RenderState::SlopeScaleDepthBias},
    {"AntialiasedLineEnable", RenderState::AntialiasedLineEnable},
    {"MinTessellationLevel", RenderState::MinTessellationLevel},
    {"MaxTessellationLevel", RenderState::MaxTessellationLevel},
    {"AdaptiveTessX", RenderState::AdaptiveTessX},
    {"AdaptiveTessY", RenderState::AdaptiveTessY},
    {"AdaptiveTessZ", RenderState::AdaptiveTessZ},
    {"AdaptiveTessW", RenderState::AdaptiveTessW},
    {"EnableAdaptiveTessellation", RenderState::EnableAdaptiveTessellation},
    {"TwoSidedStencilMode", RenderState::TwoSidedStencilMode},
    {"CcwStencilFail", RenderState::CcwStencilFail},
    {"CcwStencilZFail", RenderState::CcwStencilZFail},
    {"CcwStencilPass", RenderState::CcwStencilPass},
    {"CcwStencilFunc", RenderState::CcwStencilFunc},
    {"ColorWriteEnable1", RenderState::ColorWriteEnable1},
    {"ColorWriteEnable2", RenderState::ColorWriteEnable2},
    {"ColorWriteEnable3", RenderState::ColorWriteEnable3},
    {"BlendFactor", RenderState::BlendFactor},
    {"SrgbWriteEnable", RenderState::SrgbWriteEnable},
    {"DepthBias", RenderState::DepthBias},
    {"Wrap8", RenderState::Wrap8},
    {"SeparateAlphaBlendEnable", RenderState::SeparateAlphaBlendEnable},
    {"SrcBlendAlpha", RenderState::SrcBlendAlpha},
    {"DestBlendAlpha", RenderState::DestBlendAlpha},
    {"BlendOpAlpha", RenderState::BlendOpAlpha},
};

const NamedValue kSamplerStates[] = {
    {"AddressU", SamplerState::AddressU},       {"AddressV", SamplerState::AddressV},
    {"AddressW", SamplerState::AddressW},       {"BorderColor", SamplerState::BorderColor},
    {"MagFilter", SamplerState::MagFilter},     {"MinFilter", SamplerState::MinFilter},
    {"MipFilter", SamplerState::MipFilter},     {"MipMapLodBias", SamplerState::MipMapLodBias},
    {"MaxMipLevel", SamplerState::MaxMipLevel}, {"MaxAnisotropy", SamplerState::MaxAnisotropy},
    {"SrgbTexture", SamplerState::SrgbTexture},
};

const NamedValue kCullValues[] = {
    {"None", Cull::None}, {"CW", Cull::Clockwise}, {"CCW", Cull::CounterClockwise}};
const NamedValue kFillValues[] = {
    {"Point", Fill::Point}, {"Wireframe", Fill::Wireframe}, {"Solid", Fill::Solid}};
const NamedValue kBlendValues[] = {
    {"Zero", Blend::Zero},
    {"One", Blend::One},
    {"SrcColor", Blend::SrcColor},
    {"InvSrcColor", Blend::InvSrcColor},
    {"SrcAlpha", Blend::SrcAlpha},
    {"InvSrcAlpha", Blend::InvSrcAlpha},
    {"DestAlpha", Blend::DestAlpha},
    {"InvDestAlpha", Blend::InvDestAlpha},
    {"DestColor", Blend::DestColor},
    {"InvDestColor", Blend::InvDestColor},
    {"SrcAlphaSat", Blend::SrcAlphaSat},
    {"BlendFactor", Blend::BlendFactor},
    {"InvBlendFactor", Blend::InvBlendFactor},
};
const NamedValue kBlendOpValues[] = {{"Add", BlendOperation::Add},
                                     {"Subtract", BlendOperation::Subtract},
                                     {"RevSubtract", BlendOperation::RevSubtract},
                                     {"Min", BlendOperation::Min},
                                     {"Max", BlendOperation::Max}};
const NamedValue kCompareValues[] = {
    {"Never", Compare::Never},
    {"Less", Compare::Less},
    {"Equal", Compare::Equal},
    {"LessEqual", Compare::LessEqual},
    {"Greater", Compare::Greater},
    {"NotEqual", Compare::NotEqual},
    {"GreaterEqual", Compare::GreaterEqual},
    {"Always", Compare::Always},
};
const NamedValue kStencilOpValues[] = {
    {"Keep", StencilOperation::Keep},
    {"Zero", StencilOperation::Zero},
    {"Replace", StencilOperation::Replace},
    {"IncrSat", StencilOperation::IncrementSaturate},
    {"DecrSat", StencilOperation::DecrementSaturate},
    {"Invert", StencilOperation::Invert},
    {"Incr", StencilOperation::Increment},
    {"Decr", StencilOperation::Decrement},
};
const NamedValue kAddressValues[] = {{"Wrap", TextureAddress::Wrap},
                                     {"Mirror", TextureAddress::Mirror},
                                     {"Clamp", TextureAddress::Clamp},
                                     {"Border", TextureAddress::Border},
                                     {"MirrorOnce", TextureAddress::MirrorOnce}};
const NamedValue kFilterValues[] = {{"None", TextureFilter::None},
                                    {"Point", TextureFilter::Point},
                                    {"Linear", TextureFilter::Linear},
                                    {"Anisotropic", TextureFilter::Anisotropic}};

} // namespace

bool FindRenderState(std::string_view name, std::uint32_t& state)
{
    return Find(kRenderStates, name, state);
}

bool FindSamplerState(std::string_view name, std::uint32_t& state)
{
    return Find(kSamplerStates, name, state);
}

StateValueKind RenderStateKind(std::uint32_t state)
{
    switch (state)
    {
    case RenderState::CullMode:
        return StateValueKind::Cull;
    case RenderState::FillMode:
        return StateValueKind::Fill;
    case RenderState::SrcBlend:
    case RenderState::DestBlend:
    case RenderState::SrcBlendAlpha:
    case RenderState::DestBlendAlpha:
        return StateValueKind::Blend;
    case RenderState::BlendOp:
    case RenderState::BlendOpAlpha:
        return StateValueKind::BlendOp;
    case RenderState::ZFunc:
    case RenderState::AlphaFunc:
    case RenderState::StencilFunc:
    case RenderState::CcwStencilFunc:
        return StateValueKind::Compare;
    case RenderState::StencilFail:
    case RenderState::StencilZFail:
    case RenderState::StencilPass:
    case RenderState::CcwStencilFail:
    case RenderState::CcwStencilZFail:
    case RenderState::CcwStencilPass:
        return StateValueKind::StencilOp;
    case RenderState::DepthBias:
    case RenderState::SlopeScaleDepthBias:
        return StateValueKind::Float;
    default:
        return StateValueKind::Integer;
    }
}

StateValueKind SamplerStateKind(std::uint32_t state)
{
    switch (state)
    {
    case SamplerState::AddressU:
    case SamplerState::AddressV:
    case SamplerState::AddressW:
        return StateValueKind::Address;
    case SamplerState::MagFilter:
    case SamplerState::MinFilter:
    case SamplerState::MipFilter:
        return StateValueKind::Filter;
    case SamplerState::MipMapLodBias:
        return StateValueKind::Float;
    default:
        return StateValueKind::Integer;
    }
}

bool FindStateValue(StateValueKind kind, std::string_view name, std::uint32_t& value)
{
    switch (kind)
    {
    case StateValueKind::Cull:
        return Find(kCullValues, name, value);
    case StateValueKind::Fill:
        return Find(kFillValues, name, value);
    case StateValueKind::Blend:
        return Find(kBlendValues, name, value);
    case StateValueKind::BlendOp:
        return Find(kBlendOpValues, name, value);
    case StateValueKind::Compare:
        return Find(kCompareValues, name, value);
    case StateValueKind::StencilOp:
        return Find(kStencilOpValues, name, value);
    case StateValueKind::Address:
        return Find(kAddressValues, name, value);
    case StateValueKind::Filter:
        return Find(kFilterValues, name, value);
    case StateValueKind::Integer:
    case StateValueKind::Float:
        return false;
    }
    return false;
}

} // namespace Platform::GfxKit
