#include "platform/gfxkit/ByteBuffer.h"

#include <new>

namespace Platform::GfxKit
{

ByteBuffer::ByteBuffer(std::uint32_t bytes)
    : bytes_(bytes ? new std::uint8_t[bytes]() : nullptr), size_(bytes)
{
}

ByteBuffer* ByteBuffer::Make(std::uint32_t bytes)
{
    return new ByteBuffer(bytes);
}

Gfx::Result CreateBuffer(std::uint32_t bytes, ByteBuffer** buffer)
{
    if (!buffer)
    {
        return Gfx::InvalidCall;
    }
    *buffer = nullptr;
    try
    {
        *buffer = ByteBuffer::Make(bytes);
    }
    catch (const std::bad_alloc&)
    {
        return Gfx::OutOfMemory;
    }
    return Gfx::Ok;
}

} // namespace Platform::GfxKit
