#pragma once

#include "platform/gfxkit/ByteBuffer.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/effect/EffectCreation.h"
#include "platform/gfxkit/effect/EffectPool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace EffectTesting
{

using namespace Platform::GfxKit;
using Platform::Gfx::Result;

// The list the engine passes on a device with two-sided stencil.
inline const Macro kEngineMacros[] = {
    {"VERTEXSHADERVERSION", "0x0300"},
    {"PIXELSHADERVERSION", "0x0300"},
    {"D3DSTENCILCAPS_TWOSIDED", "1"},
    {"MAXVERTEXSHADERCONST", "256"},
    {"Qen", "1"},
    {nullptr, nullptr},
};

// The list without two-sided stencil.
inline const Macro kEngineMacrosOneSided[] = {
    {"VERTEXSHADERVERSION", "0x0300"},
    {"PIXELSHADERVERSION", "0x0300"},
    {"MAXVERTEXSHADERCONST", "256"},
    {"Qen", "1"},
    {nullptr, nullptr},
};

// The text of a messages buffer; "" for none. Releases the buffer.
inline std::string TakeText(ByteBuffer* buffer)
{
    if (!buffer)
    {
        return "";
    }
    std::string text(static_cast<const char*>(buffer->GetBufferPointer()));
    EXPECT_EQ(text.size() + 1, buffer->GetBufferSize());
    buffer->Release();
    return text;
}

// An effect made from text with the engine's macros; null with the messages when it fails.
struct Made
{
    Effect* effect = nullptr;
    Result result = 0;
    std::string messages;
};

inline Made MakeEffect(const std::string& text, EffectPool* pool = nullptr,
                       const Macro* macros = kEngineMacros, Include* include = nullptr,
                       Platform::Gfx::Device* device = nullptr)
{
    Made made;
    ByteBuffer* messages = nullptr;
    made.result = CreateEffect(device, text.data(), static_cast<std::uint32_t>(text.size()), macros, include,
                               0x820, pool, &made.effect, &messages);
    made.messages = TakeText(messages);
    return made;
}

inline std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

} // namespace EffectTesting
