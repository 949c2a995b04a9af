#pragma once

#include "engine/EngineResource.h"

#include <cstdint>
#include <string>

namespace Platform::Gfx
{
class Buffer;
class IndexBuffer;
class VertexBuffer;
} // namespace Platform::Gfx

namespace Qen
{

class CEngineController;

// A resource holding one device buffer (one reference), none while unloaded. Default-pool buffers are
// dropped on "devicelost" and come back empty on "devicereset": their owners fill them again.
class CBufferResource : public CEngineResource
{
public:
    using CEngineResource::CEngineResource;
    ~CBufferResource() override;

    // The description's size in bytes; 0 without a buffer.
    std::uint32_t GetSize() const override;
    void HandleEvent(std::string event) override;
    // Copies the buffer's whole size from data (locked with discard when the buffer is dynamic) and
    // returns the unlock's result. Without a buffer: D3DERR_INVALIDCALL; a failed lock: its result. Both
    // copy nothing.
    virtual std::int32_t SetData(const void* data);

    void ReleaseDeviceObject() override;

protected:
    void Hold(Platform::Gfx::Buffer* buffer); // takes over the caller's reference

    Platform::Gfx::Buffer* m_buffer = nullptr;
};

class CIndexBuffer : public CBufferResource
{
public:
    using CBufferResource::CBufferResource;
    Platform::Gfx::IndexBuffer* GetBuffer() const;

private:
    friend class CIndexBufferFactory;
};

class CVertexBuffer : public CBufferResource
{
public:
    using CBufferResource::CBufferResource;
    Platform::Gfx::VertexBuffer* GetBuffer() const;

private:
    friend class CVertexBufferFactory;
};

// Named, shared index buffers; the name alone is the key. Main thread only.
class CIndexBufferFactory : public BaseLib::CResourceFactory
{
public:
    using TFill = TFillRecord<Platform::Gfx::IndexBuffer>;

    struct TIndexBufferParameters : BaseLib::CResourceParameters
    {
        std::uint32_t length = 0; // bytes
        std::uint32_t usage = 0;
        std::uint32_t format = 101; // 101 16-bit indices, 102 32-bit
        std::uint32_t pool = 1;
        TFill fill; // no factory operation sets a function
    };

    CIndexBufferFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry);
    ~CIndexBufferFactory() override;

    // A managed 16-bit index buffer of `length` bytes under `name`. The fill record is not used: callers
    // fill the buffer with SetData.
    BaseLib::CResourcePtr<CIndexBuffer>& GetIndexBuffer(BaseLib::CResourcePtr<CIndexBuffer>& out,
                                                        std::uint32_t length, const TFill& fill,
                                                        const std::string& name);

    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;

private:
    CEngineController* m_engine;
};

// Named, shared vertex buffers in the default pool (FVF 0); the name alone is the key. Main thread only.
class CVertexBufferFactory : public BaseLib::CResourceFactory
{
public:
    using TFill = TFillRecord<Platform::Gfx::VertexBuffer>;

    struct TVertexBufferParameters : BaseLib::CResourceParameters
    {
        std::uint32_t length = 0; // bytes
        std::uint32_t usage = 0;
        std::uint32_t pool = 0;
        TFill fill; // no factory operation sets a function
    };

    CVertexBufferFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry);
    ~CVertexBufferFactory() override;

    // A default-pool vertex buffer of `length` bytes under `name`. The fill record is not used: callers
    // fill the buffer with SetData after getting it and after every device reset.
    BaseLib::CResourcePtr<CVertexBuffer>& GetVertexBuffer(BaseLib::CResourcePtr<CVertexBuffer>& out,
                                                          std::uint32_t length, std::uint32_t usage,
                                                          const TFill& fill, const std::string& name);

    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;

private:
    CEngineController* m_engine;
};

} // namespace Qen
