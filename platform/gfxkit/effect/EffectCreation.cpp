#include "platform/gfxkit/effect/EffectCreation.h"

#include "platform/gfxkit/ByteBuffer.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/effect/EffectMessages.h"
#include "platform/gfxkit/effect/EffectParser.h"
#include "platform/gfxkit/effect/EffectPreprocessor.h"
#include "platform/os/Files.h"

#include <cstdio>

namespace Platform::GfxKit
{
namespace
{

Gfx::Result Create(Gfx::Device* device, const PreprocessInput& input, EffectPool* pool, Effect** effect,
                   ByteBuffer** messagesOut)
{
    EffectMessages messages;
    PreprocessedText text;
    EffectSource source;
    Effect* made = nullptr;
    if (Preprocess(input, text, messages) && ParseEffect(text, source, messages))
    {
        made = Effect::Make(std::move(source), pool, device, messages);
    }
    if (messagesOut)
    {
        *messagesOut = messages.MakeBuffer();
    }
    if (!made || messages.HasErrors())
    {
        if (made)
        {
            made->Release();
        }
        return Gfx::Fail;
    }
    *effect = made;
    return Gfx::Ok;
}

} // namespace

Gfx::Result CreateEffect(Gfx::Device* device, const void* text, std::uint32_t length, const Macro* macros,
                         Include* include, std::uint32_t /*flags*/, EffectPool* pool, Effect** effect,
                         ByteBuffer** messages)
{
    if (messages)
    {
        *messages = nullptr;
    }
    if (!effect || (!text && length))
    {
        return Gfx::InvalidCall;
    }
    *effect = nullptr;
    PreprocessInput input;
    input.name = "memory";
    input.text = static_cast<const char*>(text);
    input.length = length;
    input.macros = macros;
    input.include = include;
    return Create(device, input, pool, effect, messages);
}

Gfx::Result CreateEffectFromFile(Gfx::Device* device, const char* path, const Macro* macros, Include* include,
                                 std::uint32_t /*flags*/, EffectPool* pool, Effect** effect,
                                 ByteBuffer** messages)
{
    if (messages)
    {
        *messages = nullptr;
    }
    if (!effect || !path)
    {
        return Gfx::InvalidCall;
    }
    *effect = nullptr;
    std::FILE* file = Platform::OpenFile(path, "rb");
    if (!file)
    {
        return Gfx::NotFound;
    }
    std::string text;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() <= MaxPreprocessedBytes)
    {
        text.append(chunk, got);
    }
    std::fclose(file);
    if (text.size() > MaxPreprocessedBytes)
    {
        EffectMessages tooLarge;
        tooLarge.Error(path, 1, "the file is larger than 16 MiB");
        if (messages)
        {
            *messages = tooLarge.MakeBuffer();
        }
        return Gfx::Fail;
    }
    PreprocessInput input;
    input.name = path;
    input.path = Platform::LocateFile(path);
    input.text = text.data();
    input.length = text.size();
    input.macros = macros;
    input.include = include;
    return Create(device, input, pool, effect, messages);
}

} // namespace Platform::GfxKit
