#pragma once

#include "platform/gfx/Constants.h"
#include "platform/gfx/Resource.h"

#include <cstdint>
#include <vector>

namespace Platform::Gfx
{

struct VertexBufferDesc
{
    std::uint32_t Format = 100; // vertex data
    std::uint32_t Type = ResourceType::VertexBuffer;
    std::uint32_t Usage = 0;
    std::uint32_t Pool = Pool::Default;
    std::uint32_t Size = 0; // bytes
    std::uint32_t FVF = 0;
};

struct IndexBufferDesc
{
    std::uint32_t Format = Format::Index16;
    std::uint32_t Type = ResourceType::IndexBuffer;
    std::uint32_t Usage = 0;
    std::uint32_t Pool = Pool::Default;
    std::uint32_t Size = 0; // bytes
};

// A vertex or index buffer: a copy in memory (locks read and write it, and buffers of every pool can
// be drawn) and an OpenGL buffer that receives what was written when the buffer is unlocked.
class Buffer : public Resource
{
public:
    // Locks size bytes from offset (size 0: to the end). InvalidCall for a range past the end or a
    // buffer already locked. The read-only flag skips the upload; discard keeps the contents (the
    // memory copy is the caller's to overwrite).
    Result Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t flags);
    Result Unlock();
    void PreLoad() override;
    std::string Describe() const override;
    void FreeGlObjects() override;

    std::uint32_t Size() const { return static_cast<std::uint32_t>(memory_.size()); }
    const std::vector<std::uint8_t>& Memory() const { return memory_; }
    // The OpenGL buffer, brought up to date first.
    std::uint32_t GlBuffer();

protected:
    Buffer(Device& device, std::uint32_t type, std::uint32_t size, std::uint32_t usage, std::uint32_t pool);
    ~Buffer() override;

private:
    void Upload();

    std::vector<std::uint8_t> memory_;
    std::uint32_t buffer_ = 0;
    bool locked_ = false;
    bool readOnly_ = false;
    std::uint32_t dirtyBegin_ = 0;
    std::uint32_t dirtyEnd_ = 0;
    std::uint32_t lockBegin_ = 0;
    std::uint32_t lockEnd_ = 0;
};

class VertexBuffer : public Buffer
{
public:
    Result GetDesc(VertexBufferDesc* desc) const;
    std::uint32_t Fvf() const { return fvf_; }

    static VertexBuffer* Make(Device& device, std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                              std::uint32_t pool);

private:
    VertexBuffer(Device& device, std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                 std::uint32_t pool);

    std::uint32_t fvf_;
};

class IndexBuffer : public Buffer
{
public:
    Result GetDesc(IndexBufferDesc* desc) const;
    // Format::Index16 or Format::Index32.
    std::uint32_t IndexFormat() const { return format_; }

    static IndexBuffer* Make(Device& device, std::uint32_t length, std::uint32_t usage, std::uint32_t format,
                             std::uint32_t pool);

private:
    IndexBuffer(Device& device, std::uint32_t length, std::uint32_t usage, std::uint32_t format,
                std::uint32_t pool);

    std::uint32_t format_;
};

} // namespace Platform::Gfx
