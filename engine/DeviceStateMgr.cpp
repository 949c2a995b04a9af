#include "engine/DeviceStateMgr.h"

#include "engine/EngineController.h"
#include "platform/gfx/Device.h"

#include <cstring>

namespace Qen
{

using namespace Platform::Gfx;

namespace
{

constexpr unsigned char kPattern = 0x8B;

// Store first, then send: a device call that re-enters sees the new value.
template <typename T, typename Send> Result Filter(T& entry, T value, Send send)
{
    if (entry == value)
    {
        return Ok;
    }
    entry = value;
    return send();
}

} // namespace

CDeviceStateMgr::CDeviceStateMgr(CEngineController* owner, Device* device) : m_owner(owner), m_device(device)
{
    InvalidateCache();
}

VertexDeclaration* CDeviceStateMgr::UnknownDeclaration()
{
    return reinterpret_cast<Platform::Gfx::VertexDeclaration*>(static_cast<std::intptr_t>(-1));
}

void CDeviceStateMgr::InvalidateCache()
{
    std::memset(static_cast<void*>(&m_cache), kPattern, sizeof(m_cache));
}

void CDeviceStateMgr::InvalidateBindings()
{
    std::memset(static_cast<void*>(m_cache.streams), kPattern, sizeof(m_cache.streams));
    std::memset(static_cast<void*>(&m_cache.indexBuffer), kPattern, sizeof(m_cache.indexBuffer));
    std::memset(static_cast<void*>(&m_cache.vertexDeclaration), kPattern, sizeof(m_cache.vertexDeclaration));
    std::memset(static_cast<void*>(&m_cache.fvf), kPattern, sizeof(m_cache.fvf));
}

Result CDeviceStateMgr::QueryInterface(const Platform::GfxKit::InterfaceId& id, void** out)
{
    if (id == Platform::GfxKit::EffectStateManagerId && out != nullptr)
    {
        *out = static_cast<Platform::GfxKit::EffectStateManager*>(this);
        return Ok;
    }
    return NoInterface;
}

std::uint32_t CDeviceStateMgr::AddRef()
{
    return ++m_refCount;
}

std::uint32_t CDeviceStateMgr::Release()
{
    const std::uint32_t count = --m_refCount;
    if (count == 0)
    {
        delete this;
    }
    return count;
}

Result CDeviceStateMgr::SetTransform(std::uint32_t state, const Matrix* matrix)
{
    return m_device->SetTransform(state, matrix);
}

Result CDeviceStateMgr::SetMaterial(const Material* material)
{
    return m_device->SetMaterial(material);
}

Result CDeviceStateMgr::SetLight(std::uint32_t index, const Light* light)
{
    return m_device->SetLight(index, light);
}

Result CDeviceStateMgr::LightEnable(std::uint32_t index, bool enable)
{
    return m_device->LightEnable(index, enable);
}

Result CDeviceStateMgr::SetNPatchMode(float segments)
{
    return m_device->SetNPatchMode(segments);
}

Result CDeviceStateMgr::SetVertexShaderConstantI(std::uint32_t start, const std::int32_t* data, std::uint32_t count)
{
    return m_device->SetVertexShaderConstantI(start, data, count);
}

Result CDeviceStateMgr::SetVertexShaderConstantB(std::uint32_t start, const std::int32_t* data, std::uint32_t count)
{
    return m_device->SetVertexShaderConstantB(start, data, count);
}

Result CDeviceStateMgr::SetPixelShaderConstantI(std::uint32_t start, const std::int32_t* data, std::uint32_t count)
{
    return m_device->SetPixelShaderConstantI(start, data, count);
}

Result CDeviceStateMgr::SetPixelShaderConstantB(std::uint32_t start, const std::int32_t* data, std::uint32_t count)
{
    return m_device->SetPixelShaderConstantB(start, data, count);
}

Result CDeviceStateMgr::SetRenderState(std::uint32_t state, std::uint32_t value)
{
    if (state >= RenderStateCount)
    {
        return m_device->SetRenderState(state, value);
    }
    return Filter(m_cache.renderStates[state], value, [&] { return m_device->SetRenderState(state, value); });
}

Result CDeviceStateMgr::SetTexture(std::uint32_t stage, BaseTexture* texture)
{
    if (stage >= StageCount)
    {
        return m_device->SetTexture(stage, texture);
    }
    return Filter(m_cache.textures[stage], texture, [&] {
        if (m_owner != nullptr)
        {
            ++m_owner->GetStatistics().counters[CEngineStatistics::TextureChanges];
        }
        return m_device->SetTexture(stage, texture);
    });
}

Result CDeviceStateMgr::SetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value)
{
    if (stage >= StageCount || type >= TextureStageStateCount)
    {
        return m_device->SetTextureStageState(stage, type, value);
    }
    return Filter(m_cache.textureStageStates[stage][type], value,
                  [&] { return m_device->SetTextureStageState(stage, type, value); });
}

Result CDeviceStateMgr::SetSamplerState(std::uint32_t sampler, std::uint32_t type, std::uint32_t value)
{
    if (sampler >= StageCount || type >= SamplerStateCount)
    {
        return m_device->SetSamplerState(sampler, type, value);
    }
    return Filter(m_cache.samplerStates[sampler][type], value,
                  [&] { return m_device->SetSamplerState(sampler, type, value); });
}

Result CDeviceStateMgr::SetFVF(std::uint32_t fvf)
{
    return Filter(m_cache.fvf, fvf, [&] {
        m_cache.vertexDeclaration = UnknownDeclaration();
        return m_device->SetFVF(fvf);
    });
}

Result CDeviceStateMgr::SetVertexShader(Shader* shader)
{
    return Filter(m_cache.vertexShader, shader, [&] { return m_device->SetVertexShader(shader); });
}

Result CDeviceStateMgr::SetPixelShader(Shader* shader)
{
    return Filter(m_cache.pixelShader, shader, [&] { return m_device->SetPixelShader(shader); });
}

template <std::uint32_t Registers>
Result CDeviceStateMgr::FilterConstants(float (&cache)[Registers][4], std::uint32_t start, const float* data,
                                        std::uint32_t count, bool pixel)
{
    auto send = [&] {
        return pixel ? m_device->SetPixelShaderConstantF(start, data, count)
                     : m_device->SetVertexShaderConstantF(start, data, count);
    };
    if (start >= Registers || data == nullptr)
    {
        return send();
    }
    const std::uint32_t cached = count < Registers - start ? count : Registers - start;
    const std::size_t bytes = std::size_t{16} * cached;
    if (cached == count && std::memcmp(cache[start], data, bytes) == 0)
    {
        return Ok;
    }
    // A block running past the cache is always sent: the registers beyond it are not remembered.
    std::memcpy(cache[start], data, bytes);
    return send();
}

Result CDeviceStateMgr::SetVertexShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count)
{
    return FilterConstants(m_cache.vertexConstants, start, data, count, false);
}

Result CDeviceStateMgr::SetPixelShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count)
{
    return FilterConstants(m_cache.pixelConstants, start, data, count, true);
}

Result CDeviceStateMgr::SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t offset,
                                        std::uint32_t stride)
{
    if (stream >= StreamCount)
    {
        return m_device->SetStreamSource(stream, buffer, offset, stride);
    }
    StreamEntry& entry = m_cache.streams[stream];
    if (entry.buffer == buffer && entry.offset == offset && entry.stride == stride)
    {
        return Ok;
    }
    entry = StreamEntry{buffer, offset, stride};
    return m_device->SetStreamSource(stream, buffer, offset, stride);
}

} // namespace Qen
