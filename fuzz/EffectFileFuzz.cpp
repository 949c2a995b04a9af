// Effect files, made from memory with the engine's macros into a pool, then walked through reflection
// and value calls.

#include "fuzz/FuzzSupport.h"
#include "platform/gfxkit/ByteBuffer.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/effect/EffectCreation.h"
#include "platform/gfxkit/effect/EffectPool.h"

#include <cstring>
#include <vector>

namespace
{

using namespace Platform::GfxKit;

// Every include names the input itself, so nesting and its limits are exercised too.
class SelfInclude : public Include
{
public:
    SelfInclude(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    Platform::Gfx::Result Open(std::uint32_t, const char*, const void*, const void** data,
                               std::uint32_t* bytes) override
    {
        *data = data_;
        *bytes = static_cast<std::uint32_t>(size_);
        return Platform::Gfx::Ok;
    }
    Platform::Gfx::Result Close(const void*) override { return Platform::Gfx::Ok; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    static const Macro macros[] = {{"VERTEXSHADERVERSION", "0x0300"},
                                   {"PIXELSHADERVERSION", "0x0300"},
                                   {"MAXVERTEXSHADERCONST", "256"},
                                   {"Qen", "1"},
                                   {nullptr, nullptr}};
    SelfInclude include(data, size);
    EffectPool* pool = nullptr;
    CreateEffectPool(&pool);
    Effect* effect = nullptr;
    ByteBuffer* messages = nullptr;
    CreateEffect(nullptr, data, static_cast<std::uint32_t>(size), macros, &include, 0, pool, &effect,
                 &messages);
    if (messages)
    {
        messages->Release();
    }
    if (effect)
    {
        EffectDesc desc;
        effect->GetDesc(&desc);
        std::vector<std::uint8_t> bytes;
        for (std::uint32_t i = 0; i < desc.Parameters; ++i)
        {
            EffectHandle parameter = effect->GetParameter(nullptr, i);
            ParameterDesc parameterDesc;
            effect->GetParameterDesc(parameter, &parameterDesc);
            bytes.assign(parameterDesc.Bytes + 1, 0x5A);
            effect->GetValue(parameter, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
            effect->SetValue(parameter, bytes.data(), parameterDesc.Bytes);
            effect->GetParameterElement(parameter, 0);
            effect->GetParameter(parameter, 0);
            effect->GetAnnotation(parameter, 0);
        }
        for (std::uint32_t t = 0; t < desc.Techniques; ++t)
        {
            TechniqueDesc technique;
            effect->GetTechniqueDesc(effect->GetTechnique(t), &technique);
            effect->SetTechnique(effect->GetTechnique(t));
            for (std::uint32_t p = 0; p < technique.Passes; ++p)
            {
                PassDesc pass;
                effect->GetPassDesc(effect->GetPass(effect->GetTechnique(t), p), &pass);
            }
        }
        effect->Release();
    }
    pool->Release();
    return 0;
}
