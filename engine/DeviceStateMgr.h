#pragma once

#include "platform/gfx/Constants.h"
#include "platform/gfxkit/EffectStateManager.h"

#include <cstdint>

namespace Platform::Gfx
{
class Device;
class IndexBuffer;
class Surface;
class VertexBuffer;
class VertexDeclaration;
} // namespace Platform::Gfx

namespace Qen
{

class CEngineController;

// The engine's effect state manager: it remembers the last value set for each filtered state and drops
// a call that would set the value the device already has. The whole cache starts filled with the byte
// 0x8B and is refilled so on a device loss (InvalidateCache), so the first call of each kind reaches
// the device unless its value happens to be that pattern. Main thread only; no call allocates.
//
// Filtered: render states 0-209, textures, texture-stage and sampler states of stages 0-15, the FVF,
// both programs, vertex float registers 0-255 and pixel float registers 0-63. An index outside those
// ranges passes through uncached. A constant block that starts inside the cache and runs past it is
// always sent, and its cached part updated.
class CDeviceStateMgr final : public Platform::GfxKit::EffectStateManager
{
public:
    // Neither the owner nor the device is referenced; both must outlive the manager. Count 1.
    CDeviceStateMgr(CEngineController* owner, Platform::Gfx::Device* device);

    // Only EffectStateManagerId gives out this, WITHOUT adding a count: callers must not release what
    // it gives. Every other identifier (the base interface's too) answers NoInterface.
    Platform::Gfx::Result QueryInterface(const Platform::GfxKit::InterfaceId& id, void** out) override;
    std::uint32_t AddRef() override;
    // At 0 the manager deletes itself.
    std::uint32_t Release() override;

    // Passed to the device unchanged.
    Platform::Gfx::Result SetTransform(std::uint32_t state, const Platform::Gfx::Matrix* matrix) override;
    Platform::Gfx::Result SetMaterial(const Platform::Gfx::Material* material) override;
    Platform::Gfx::Result SetLight(std::uint32_t index, const Platform::Gfx::Light* light) override;
    Platform::Gfx::Result LightEnable(std::uint32_t index, bool enable) override;
    Platform::Gfx::Result SetNPatchMode(float segments) override;
    Platform::Gfx::Result SetVertexShaderConstantI(std::uint32_t start, const std::int32_t* data,
                                                   std::uint32_t count) override;
    Platform::Gfx::Result SetVertexShaderConstantB(std::uint32_t start, const std::int32_t* data,
                                                   std::uint32_t count) override;
    Platform::Gfx::Result SetPixelShaderConstantI(std::uint32_t start, const std::int32_t* data,
                                                  std::uint32_t count) override;
    Platform::Gfx::Result SetPixelShaderConstantB(std::uint32_t start, const std::int32_t* data,
                                                  std::uint32_t count) override;

    // Filtered: the same value again answers Ok without a device call; a new one is stored, then sent,
    // and the device's result returned.
    Platform::Gfx::Result SetRenderState(std::uint32_t state, std::uint32_t value) override;
    // A real change also counts one texture change in the owner's statistics.
    Platform::Gfx::Result SetTexture(std::uint32_t stage, Platform::Gfx::BaseTexture* texture) override;
    Platform::Gfx::Result SetTextureStageState(std::uint32_t stage, std::uint32_t type,
                                               std::uint32_t value) override;
    Platform::Gfx::Result SetSamplerState(std::uint32_t sampler, std::uint32_t type,
                                          std::uint32_t value) override;
    // A real change also marks the cached vertex declaration unknown.
    Platform::Gfx::Result SetFVF(std::uint32_t fvf) override;
    Platform::Gfx::Result SetVertexShader(Platform::Gfx::Shader* shader) override;
    Platform::Gfx::Result SetPixelShader(Platform::Gfx::Shader* shader) override;
    // Compares the 16 × count bytes; any difference sends the whole block.
    Platform::Gfx::Result SetVertexShaderConstantF(std::uint32_t start, const float* data,
                                                   std::uint32_t count) override;
    Platform::Gfx::Result SetPixelShaderConstantF(std::uint32_t start, const float* data,
                                                  std::uint32_t count) override;

    // The renderers' stream-source setter: the (buffer, offset, stride) triple compared with the cached
    // one, stored first and sent only on a difference. Streams beyond 15 pass through.
    Platform::Gfx::Result SetStreamSource(std::uint32_t stream, Platform::Gfx::VertexBuffer* buffer,
                                          std::uint32_t offset, std::uint32_t stride);

    // Fills the whole cache with 0x8B (device loss, or after someone set states on the device directly).
    void InvalidateCache();
    // Fills the stream sources, index buffer, vertex declaration and FVF with 0x8B: for code that bound
    // buffers or a declaration on the device directly (a mesh binds its own to draw a subset). A
    // declaration replaces the device's FVF, so a bare declaration entry cannot be kept in step alone.
    void InvalidateBindings();

    // Cache entries that other engine code compares and updates itself. A pointer entry filled with the
    // pattern matches no real object. None of them holds a reference.
    Platform::Gfx::Surface*& CachedRenderTarget() { return m_cache.renderTarget0; }
    Platform::Gfx::VertexDeclaration*& CachedDeclaration() { return m_cache.vertexDeclaration; }
    Platform::Gfx::IndexBuffer*& CachedIndexBuffer() { return m_cache.indexBuffer; }

    // Software vertex processing as last switched through the cache; Unknown after an invalidation.
    enum SoftwareProcessing : std::uint8_t
    {
        SoftwareProcessingOff = 0,
        SoftwareProcessingOn = 1,
        SoftwareProcessingUnknown = 0x8B,
    };
    SoftwareProcessing& CachedSoftwareProcessing() { return m_cache.softwareVertexProcessing; }

    // The value a cached vertex declaration has after an FVF change.
    static Platform::Gfx::VertexDeclaration* UnknownDeclaration();

    std::uint32_t RefCount() const { return m_refCount; }
    Platform::Gfx::Device* GetDevice() const { return m_device; }

private:
    ~CDeviceStateMgr() = default;

    template <std::uint32_t Registers>
    Platform::Gfx::Result FilterConstants(float (&cache)[Registers][4], std::uint32_t start, const float* data,
                                          std::uint32_t count, bool pixel);

    struct StreamEntry
    {
        Platform::Gfx::VertexBuffer* buffer;
        std::uint32_t offset;
        std::uint32_t stride;
    };

    // Plain data: every byte is set to the pattern at once.
    struct Cache
    {
        std::uint32_t renderStates[Platform::Gfx::RenderStateCount];
        std::uint32_t fvf;
        Platform::Gfx::Shader* vertexShader;
        Platform::Gfx::Shader* pixelShader;
        Platform::Gfx::BaseTexture* textures[Platform::Gfx::StageCount];
        std::uint32_t textureStageStates[Platform::Gfx::StageCount][Platform::Gfx::TextureStageStateCount];
        std::uint32_t samplerStates[Platform::Gfx::StageCount][Platform::Gfx::SamplerStateCount];
        float vertexConstants[256][4];
        float pixelConstants[64][4];
        Platform::Gfx::Surface* renderTarget0;
        Platform::Gfx::VertexDeclaration* vertexDeclaration;
        StreamEntry streams[Platform::Gfx::StreamCount];
        Platform::Gfx::IndexBuffer* indexBuffer;
        SoftwareProcessing softwareVertexProcessing;
    };

    std::uint32_t m_refCount = 1;
    Cache m_cache;
    CEngineController* m_owner;
    Platform::Gfx::Device* m_device;
};

} // namespace Qen
