// Effects on the device: one Begin/BeginPass/EndPass/End cycle through a filtering state manager like
// the engine's, and the making of an effect with four programs. Runs on a real device: start it under
// a display (xvfb-run -a).

#include "bench/HeapCounter.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Texture.h"
#include "platform/gfxkit/ByteBuffer.h"
#include "platform/gfxkit/EffectStateManager.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/effect/EffectCreation.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <string>

namespace
{

using namespace Platform::Gfx;
using namespace Platform::GfxKit;

// Drops calls that set what the device already has, as the engine's manager does.
class FilteringStateManager : public EffectStateManager
{
public:
    explicit FilteringStateManager(Device* device) : device_(device)
    {
        states_.fill(0x8B8B8B8Bu);
        for (auto& stage : samplers_)
        {
            stage.fill(0x8B8B8B8Bu);
        }
        std::memset(vertexConstants_, 0x8B, sizeof vertexConstants_);
        std::memset(pixelConstants_, 0x8B, sizeof pixelConstants_);
    }

    Result QueryInterface(const InterfaceId&, void**) override { return NoInterface; }
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override { return --refs_; }
    Result SetTransform(std::uint32_t state, const Matrix* matrix) override
    {
        return device_->SetTransform(state, matrix);
    }
    Result SetMaterial(const Material* material) override { return device_->SetMaterial(material); }
    Result SetLight(std::uint32_t index, const Light* light) override
    {
        return device_->SetLight(index, light);
    }
    Result LightEnable(std::uint32_t index, bool enable) override
    {
        return device_->LightEnable(index, enable);
    }
    Result SetRenderState(std::uint32_t state, std::uint32_t value) override
    {
        if (states_[state] == value)
        {
            return Ok;
        }
        states_[state] = value;
        return device_->SetRenderState(state, value);
    }
    Result SetTexture(std::uint32_t stage, BaseTexture* texture) override
    {
        if (textures_[stage] == texture)
        {
            return Ok;
        }
        textures_[stage] = texture;
        return device_->SetTexture(stage, texture);
    }
    Result SetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value) override
    {
        return device_->SetTextureStageState(stage, type, value);
    }
    Result SetSamplerState(std::uint32_t sampler, std::uint32_t type, std::uint32_t value) override
    {
        if (samplers_[sampler][type] == value)
        {
            return Ok;
        }
        samplers_[sampler][type] = value;
        return device_->SetSamplerState(sampler, type, value);
    }
    Result SetNPatchMode(float segments) override { return device_->SetNPatchMode(segments); }
    Result SetFVF(std::uint32_t fvf) override { return device_->SetFVF(fvf); }
    Result SetVertexShader(Shader* shader) override
    {
        if (vertex_ == shader)
        {
            return Ok;
        }
        vertex_ = shader;
        return device_->SetVertexShader(shader);
    }
    Result SetVertexShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count) override
    {
        return Changed(vertexConstants_, start, data, count) ? device_->SetVertexShaderConstantF(start, data, count)
                                                            : Ok;
    }
    Result SetVertexShaderConstantI(std::uint32_t start, const std::int32_t* data,
                                    std::uint32_t count) override
    {
        return device_->SetVertexShaderConstantI(start, data, count);
    }
    Result SetVertexShaderConstantB(std::uint32_t start, const std::int32_t* data,
                                    std::uint32_t count) override
    {
        return device_->SetVertexShaderConstantB(start, data, count);
    }
    Result SetPixelShader(Shader* shader) override
    {
        if (pixel_ == shader)
        {
            return Ok;
        }
        pixel_ = shader;
        return device_->SetPixelShader(shader);
    }
    Result SetPixelShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count) override
    {
        return Changed(pixelConstants_, start, data, count) ? device_->SetPixelShaderConstantF(start, data, count)
                                                           : Ok;
    }
    Result SetPixelShaderConstantI(std::uint32_t start, const std::int32_t* data,
                                   std::uint32_t count) override
    {
        return device_->SetPixelShaderConstantI(start, data, count);
    }
    Result SetPixelShaderConstantB(std::uint32_t start, const std::int32_t* data,
                                   std::uint32_t count) override
    {
        return device_->SetPixelShaderConstantB(start, data, count);
    }

private:
    // Stores the registers and answers whether they differed from the cache.
    static bool Changed(float* cache, std::uint32_t start, const float* data, std::uint32_t count)
    {
        if (std::memcmp(cache + start * 4, data, count * 16) == 0)
        {
            return false;
        }
        std::memcpy(cache + start * 4, data, count * 16);
        return true;
    }

    Device* device_;
    std::uint32_t refs_ = 1;
    std::array<std::uint32_t, RenderStateCount> states_{};
    std::array<BaseTexture*, StageCount> textures_{};
    std::array<std::array<std::uint32_t, SamplerStateCount>, StageCount> samplers_{};
    Shader* vertex_ = nullptr;
    Shader* pixel_ = nullptr;
    float vertexConstants_[256 * 4];
    float pixelConstants_[256 * 4];
};

// 40 registers of constants and two samplers, both read by the pass's programs.
constexpr const char* kEffect = R"(
float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
float4 c_avValues[36];
texture2D c_tDiffuseMap;
texture2D c_tDetailMap;
sampler2D sDiffuse = sampler_state { Texture = <c_tDiffuseMap>; MinFilter = Linear; MagFilter = Linear; };
sampler2D sDetail = sampler_state { Texture = <c_tDetailMap>; AddressU = Wrap; AddressV = Wrap; };
vertexprogram vsMain
{
    in vec3 aPosition : POSITION;
    in vec2 aUv : TEXCOORD0;
    out vec2 vUv;
    void main() { gl_Position = vec4(aPosition, 1.0) * mWorldViewProj + c_avValues[35]; vUv = aUv; }
}
vertexprogram vsOther
{
    in vec3 aPosition : POSITION;
    void main() { gl_Position = vec4(aPosition, 1.0) * mWorldViewProj; }
}
fragmentprogram fsMain
{
    in vec2 vUv;
    void main() { FragmentColor = texture(sDiffuse, vUv) * texture(sDetail, vUv * 4.0) * c_avValues[0]; }
}
fragmentprogram fsOther
{
    void main() { FragmentColor = c_avValues[1]; }
}
technique _staticmesh
{
    pass p0 { VertexProgram = vsMain; FragmentProgram = fsMain; ZEnable = true; CullMode = CCW; }
}
technique other
{
    pass p0 { VertexProgram = vsOther; FragmentProgram = fsOther; }
}
)";

// A hidden window and a device over it for the whole run.
struct DeviceHolder
{
    DeviceHolder()
    {
        graphics = CreateGraphics(32);
        Platform::WindowClass record;
        record.procedure = &Platform::DefWindowProcA;
        record.className = "EffectBench";
        Platform::RegisterClassExA(&record);
        window =
            Platform::CreateWindowExA(0, "EffectBench", "EffectBench", Platform::WS_OVERLAPPEDWINDOW, 0, 0,
                                      64, 64, Platform::GetDesktopWindow(), nullptr, nullptr, nullptr);
        PresentParameters present;
        present.BackBufferWidth = 64;
        present.BackBufferHeight = 64;
        present.BackBufferFormat = Format::X8R8G8B8;
        present.hDeviceWindow = window;
        graphics->CreateDevice(0, DeviceType::Hal, window, CreateFlag::HardwareVertexProcessing, &present,
                               &device);
    }

    Graphics* graphics = nullptr;
    WindowHandle window = nullptr;
    Device* device = nullptr;
};

DeviceHolder& Holder()
{
    static DeviceHolder holder;
    return holder;
}

Effect* MakeEffect(Device* device)
{
    Effect* effect = nullptr;
    ByteBuffer* messages = nullptr;
    CreateEffect(device, kEffect, static_cast<std::uint32_t>(std::strlen(kEffect)), nullptr, nullptr, 0,
                 nullptr, &effect, &messages);
    if (messages)
    {
        messages->Release();
    }
    return effect;
}

void PassCycle(benchmark::State& state)
{
    Device* device = Holder().device;
    Effect* effect = device ? MakeEffect(device) : nullptr;
    if (!effect)
    {
        state.SkipWithError("no device or the effect did not compile");
        return;
    }
    Texture* textures[2] = {};
    for (Texture*& texture : textures)
    {
        device->CreateTexture(4, 4, 1, 0, Format::A8R8G8B8, Pool::Managed, &texture, nullptr);
    }
    effect->SetTexture("c_tDiffuseMap", textures[0]);
    effect->SetTexture("c_tDetailMap", textures[1]);
    FilteringStateManager manager(device);
    effect->SetStateManager(&manager);
    EffectHandle tint = effect->GetParameterByName(nullptr, "c_avValues[0]");
    float value[4] = {1, 1, 1, 1};
    const std::int64_t allocations = BenchHeap::Allocations();
    for (auto _ : state)
    {
        // A changed value each time, so the constants reach the device as they do between draws.
        value[0] += 1.0f;
        effect->SetVector(tint, value);
        std::uint32_t passes = 0;
        effect->Begin(&passes, DoNotSaveState);
        effect->BeginPass(0);
        effect->EndPass();
        effect->End();
    }
    state.counters["allocations"] = static_cast<double>(BenchHeap::Allocations() - allocations);
    effect->SetStateManager(nullptr);
    effect->Release();
    for (Texture* texture : textures)
    {
        texture->Release();
    }
}
BENCHMARK(PassCycle);

void MakeFourProgramEffect(benchmark::State& state)
{
    Device* device = Holder().device;
    if (!device)
    {
        state.SkipWithError("no device");
        return;
    }
    for (auto _ : state)
    {
        Effect* effect = MakeEffect(device);
        if (!effect)
        {
            state.SkipWithError("the effect did not compile");
            return;
        }
        effect->Release();
    }
}
BENCHMARK(MakeFourProgramEffect)->Unit(benchmark::kMillisecond);

} // namespace
