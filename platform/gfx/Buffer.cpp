#include "platform/gfx/Buffer.h"

#include "platform/gfx/Device.h"
#include "platform/gfx/GlContext.h"

#include <algorithm>

namespace Platform::Gfx
{

Buffer::Buffer(Device& device, std::uint32_t type, std::uint32_t size, std::uint32_t usage,
               std::uint32_t pool)
    : Resource(device, type, usage, pool), memory_(size, 0)
{
    device.MakeCurrent();
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(size), memory_.data(),
                 (usage & Usage::Dynamic) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

Buffer::~Buffer()
{
    OwnerDevice().MakeCurrent();
    FreeGlObjects();
}

void Buffer::FreeGlObjects()
{
    if (buffer_)
    {
        glDeleteBuffers(1, &buffer_);
        buffer_ = 0;
    }
}

Result Buffer::Lock(std::uint32_t offset, std::uint32_t size, void** data, std::uint32_t flags)
{
    OwnerDevice().AssertThread();
    const auto total = static_cast<std::uint32_t>(memory_.size());
    if (!data || locked_ || offset > total || (size != 0 && size > total - offset))
    {
        return InvalidCall;
    }
    lockBegin_ = offset;
    lockEnd_ = size == 0 ? total : offset + size;
    readOnly_ = (flags & LockFlag::ReadOnly) != 0;
    locked_ = true;
    *data = memory_.data() + offset;
    return Ok;
}

Result Buffer::Unlock()
{
    if (!locked_)
    {
        return InvalidCall;
    }
    locked_ = false;
    if (!readOnly_ && lockEnd_ > lockBegin_)
    {
        dirtyBegin_ = dirtyEnd_ > dirtyBegin_ ? std::min(dirtyBegin_, lockBegin_) : lockBegin_;
        dirtyEnd_ = std::max(dirtyEnd_, lockEnd_);
        Upload();
    }
    return Ok;
}

void Buffer::Upload()
{
    if (dirtyEnd_ <= dirtyBegin_ || !buffer_)
    {
        return;
    }
    OwnerDevice().MakeCurrent();
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferSubData(GL_ARRAY_BUFFER, dirtyBegin_, dirtyEnd_ - dirtyBegin_, memory_.data() + dirtyBegin_);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    dirtyBegin_ = 0;
    dirtyEnd_ = 0;
}

void Buffer::PreLoad()
{
    Upload();
}

std::uint32_t Buffer::GlBuffer()
{
    Upload();
    return buffer_;
}

std::string Buffer::Describe() const
{
    return std::string(GetType() == ResourceType::VertexBuffer ? "vertex buffer " : "index buffer ") +
           std::to_string(memory_.size()) + " bytes pool " + std::to_string(GetPool());
}

VertexBuffer::VertexBuffer(Device& device, std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                           std::uint32_t pool)
    : Buffer(device, ResourceType::VertexBuffer, length, usage, pool), fvf_(fvf)
{}

VertexBuffer* VertexBuffer::Make(Device& device, std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                                 std::uint32_t pool)
{
    return new VertexBuffer(device, length, usage, fvf, pool);
}

Result VertexBuffer::GetDesc(VertexBufferDesc* desc) const
{
    if (!desc)
    {
        return InvalidCall;
    }
    *desc = {};
    desc->Usage = GetUsage();
    desc->Pool = GetPool();
    desc->Size = Size();
    desc->FVF = fvf_;
    return Ok;
}

IndexBuffer::IndexBuffer(Device& device, std::uint32_t length, std::uint32_t usage, std::uint32_t format,
                         std::uint32_t pool)
    : Buffer(device, ResourceType::IndexBuffer, length, usage, pool), format_(format)
{}

IndexBuffer* IndexBuffer::Make(Device& device, std::uint32_t length, std::uint32_t usage,
                               std::uint32_t format, std::uint32_t pool)
{
    return new IndexBuffer(device, length, usage, format, pool);
}

Result IndexBuffer::GetDesc(IndexBufferDesc* desc) const
{
    if (!desc)
    {
        return InvalidCall;
    }
    *desc = {};
    desc->Format = format_;
    desc->Usage = GetUsage();
    desc->Pool = GetPool();
    desc->Size = Size();
    return Ok;
}

} // namespace Platform::Gfx
