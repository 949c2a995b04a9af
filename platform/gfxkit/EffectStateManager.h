#pragma once

#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"

#include <cstdint>
#include <cstring>

namespace Platform::Gfx
{
class BaseTexture;
class Shader;
} // namespace Platform::Gfx

namespace Platform::GfxKit
{

// A 16-byte interface identifier, compared byte for byte.
struct InterfaceId
{
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    friend bool operator==(const InterfaceId& a, const InterfaceId& b)
    {
        return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
               std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
    }
};

// {79AAB587-6DBC-4FA7-82DE-37FA1781C5CE}: the effect state manager's identifier.
constexpr InterfaceId EffectStateManagerId = {0x79AAB587u, 0x6DBC, 0x4FA7,
                                              {0x82, 0xDE, 0x37, 0xFA, 0x17, 0x81, 0xC5, 0xCE}};
// {00000000-0000-0000-C000-000000000046}: the identifier of the counted base every interface has.
constexpr InterfaceId UnknownInterfaceId = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Receives every device call an effect makes while it runs its passes, in place of the device, so that
// the owner can filter or record them. The 21 operations keep this slot order; the setters take the
// arguments of the Platform::Gfx::Device methods of the same names and return what the device would.
// An effect holds one reference to its manager (AddRef/Release return the new count) and never asks it
// for anything but these setters.
class EffectStateManager
{
public:
    EffectStateManager(const EffectStateManager&) = delete;
    EffectStateManager& operator=(const EffectStateManager&) = delete;

    virtual Gfx::Result QueryInterface(const InterfaceId& id, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;
    virtual Gfx::Result SetTransform(std::uint32_t state, const Gfx::Matrix* matrix) = 0;
    virtual Gfx::Result SetMaterial(const Gfx::Material* material) = 0;
    virtual Gfx::Result SetLight(std::uint32_t index, const Gfx::Light* light) = 0;
    virtual Gfx::Result LightEnable(std::uint32_t index, bool enable) = 0;
    virtual Gfx::Result SetRenderState(std::uint32_t state, std::uint32_t value) = 0;
    virtual Gfx::Result SetTexture(std::uint32_t stage, Gfx::BaseTexture* texture) = 0;
    virtual Gfx::Result SetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value) = 0;
    virtual Gfx::Result SetSamplerState(std::uint32_t sampler, std::uint32_t type, std::uint32_t value) = 0;
    virtual Gfx::Result SetNPatchMode(float segments) = 0;
    virtual Gfx::Result SetFVF(std::uint32_t fvf) = 0;
    virtual Gfx::Result SetVertexShader(Gfx::Shader* shader) = 0;
    virtual Gfx::Result SetVertexShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count) = 0;
    virtual Gfx::Result SetVertexShaderConstantI(std::uint32_t start, const std::int32_t* data,
                                                 std::uint32_t count) = 0;
    virtual Gfx::Result SetVertexShaderConstantB(std::uint32_t start, const std::int32_t* data,
                                                 std::uint32_t count) = 0;
    virtual Gfx::Result SetPixelShader(Gfx::Shader* shader) = 0;
    virtual Gfx::Result SetPixelShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count) = 0;
    virtual Gfx::Result SetPixelShaderConstantI(std::uint32_t start, const std::int32_t* data,
                                                std::uint32_t count) = 0;
    virtual Gfx::Result SetPixelShaderConstantB(std::uint32_t start, const std::int32_t* data,
                                                std::uint32_t count) = 0;

protected:
    EffectStateManager() = default;
    // Objects go through Release.
    virtual ~EffectStateManager() = default;
};

} // namespace Platform::GfxKit
