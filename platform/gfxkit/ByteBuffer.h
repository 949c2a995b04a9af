#pragma once

#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Results.h"

#include <cstdint>
#include <memory>

namespace Platform::GfxKit
{

// A counted block of bytes that the utility layer hands out: compiler messages (text with its
// terminating zero), a mesh's adjacency. One reference at creation; AddRef and Release return the new
// count and the block goes with the last reference.
class ByteBuffer : public Gfx::CountedObject
{
public:
    // The block's first byte; null for an empty block. Valid while the buffer lives.
    void* GetBufferPointer() { return bytes_.get(); }
    // In bytes.
    std::uint32_t GetBufferSize() const { return size_; }

    // A block of `bytes` zero bytes.
    static ByteBuffer* Make(std::uint32_t bytes);

private:
    explicit ByteBuffer(std::uint32_t bytes);
    ~ByteBuffer() override = default;

    std::unique_ptr<std::uint8_t[]> bytes_;
    std::uint32_t size_;
};

// Makes a buffer of `bytes` zero bytes; InvalidCall when buffer is null, OutOfMemory when the block
// cannot be had.
Gfx::Result CreateBuffer(std::uint32_t bytes, ByteBuffer** buffer);

} // namespace Platform::GfxKit
