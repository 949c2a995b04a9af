#pragma once

#include "platform/gfx/Results.h"
#include "platform/gfxkit/effect/EffectRecords.h"

#include <cstdint>

namespace Platform::Gfx
{
class Device;
}

namespace Platform::GfxKit
{

class ByteBuffer;
class Effect;
class EffectPool;

// Makes an effect from effect-file text (the format of FORMAT.md beside this header). The device may
// be null: such an effect answers every question and holds values, and draws nothing. macros: a list
// ended by a null name, or null. include: opens the files the text includes, or null for files
// relative to the including file (the working folder for text from memory). flags are ignored. With a
// pool, `shared` parameters are the pool's values.
//
// Messages ("file(line): error: text" or "...: warning: text", one line each; "memory" names text
// from memory) come in a new buffer when there is something to say, else null; messages may be null.
// Any error: Fail and no effect. Warnings alone: the effect and the messages.
Gfx::Result CreateEffect(Gfx::Device* device, const void* text, std::uint32_t length, const Macro* macros,
                         Include* include, std::uint32_t flags, EffectPool* pool, Effect** effect,
                         ByteBuffer** messages);

// As CreateEffect for the file at path (opened with the platform's case-blind fallback); NotFound
// without messages when it cannot be opened.
Gfx::Result CreateEffectFromFile(Gfx::Device* device, const char* path, const Macro* macros, Include* include,
                                 std::uint32_t flags, EffectPool* pool, Effect** effect,
                                 ByteBuffer** messages);

} // namespace Platform::GfxKit
