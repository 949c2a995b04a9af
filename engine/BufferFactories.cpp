#include "engine/BufferFactories.h"

#include "engine/EngineController.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Results.h"

#include <cstring>

namespace Qen
{

using namespace Platform::Gfx;
using BaseLib::CResourcePtr;

namespace
{

std::uint32_t DescribedPool(const Buffer* buffer)
{
    return buffer->GetPool();
}

std::uint32_t LockFlagsFor(std::uint32_t usage)
{
    return (usage & Usage::Dynamic) != 0 ? LockFlag::Discard : 0;
}

// Copies the source's whole contents into a new buffer of its description.
void CopyContents(Buffer* source, Buffer* destination, std::uint32_t size, std::uint32_t usage)
{
    void* from = nullptr;
    void* to = nullptr;
    if (Succeeded(source->Lock(0, size, &from, LockFlag::ReadOnly)))
    {
        if (Succeeded(destination->Lock(0, size, &to, LockFlagsFor(usage))))
        {
            std::memcpy(to, from, size);
            destination->Unlock();
        }
        source->Unlock();
    }
}

} // namespace

CBufferResource::~CBufferResource()
{
    CBufferResource::ReleaseDeviceObject();
}

void CBufferResource::Hold(Buffer* buffer)
{
    if (m_buffer != nullptr)
    {
        m_buffer->Release();
    }
    m_buffer = buffer;
}

void CBufferResource::ReleaseDeviceObject()
{
    Hold(nullptr);
}

std::uint32_t CBufferResource::GetSize() const
{
    return m_buffer == nullptr ? 0 : m_buffer->Size();
}

void CBufferResource::HandleEvent(std::string event)
{
    if (event == "precache")
    {
        if (m_buffer != nullptr && DescribedPool(m_buffer) == Pool::Managed)
        {
            m_buffer->PreLoad();
        }
    }
    else if (event == "devicelost")
    {
        DropOnLoss(m_buffer != nullptr && DescribedPool(m_buffer) == Pool::Default);
    }
    else if (event == "devicereset")
    {
        RestoreAfterReset();
    }
}

std::int32_t CBufferResource::SetData(const void* data)
{
    // Without a buffer there is nothing to describe or to copy into.
    if (m_buffer == nullptr)
    {
        return InvalidCall;
    }
    const std::uint32_t size = m_buffer->Size();
    void* locked = nullptr;
    const Result lock = m_buffer->Lock(0, size, &locked, LockFlagsFor(m_buffer->GetUsage()));
    if (Failed(lock))
    {
        return lock;
    }
    std::memcpy(locked, data, size);
    return m_buffer->Unlock();
}

IndexBuffer* CIndexBuffer::GetBuffer() const
{
    return static_cast<IndexBuffer*>(m_buffer);
}

VertexBuffer* CVertexBuffer::GetBuffer() const
{
    return static_cast<VertexBuffer*>(m_buffer);
}

CIndexBufferFactory::CIndexBufferFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry)
    : CResourceFactory(registry, nullptr), m_engine(engine)
{}

CIndexBufferFactory::~CIndexBufferFactory()
{
    GetRegistry()->DestroyResourcesOf(this);
}

CResourcePtr<CIndexBuffer>& CIndexBufferFactory::GetIndexBuffer(CResourcePtr<CIndexBuffer>& out,
                                                                std::uint32_t length, const TFill&,
                                                                const std::string& name)
{
    TIndexBufferParameters parameters;
    parameters.length = length;
    return AssignTypedResource(out, GetResource(name, parameters, false, false));
}

BaseLib::CResource* CIndexBufferFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    auto* buffer = new CIndexBuffer(this, m_engine);
    buffer->SetParameters(
        std::make_unique<TIndexBufferParameters>(static_cast<const TIndexBufferParameters&>(parameters)));
    return buffer;
}

void CIndexBufferFactory::Destroy(BaseLib::CResource* resource)
{
    DestroyEngineResource(this, resource);
}

void CIndexBufferFactory::Unload(BaseLib::CResource* resource)
{
    UnloadEngineResource(resource);
}

bool CIndexBufferFactory::Load(BaseLib::CResource* resource)
{
    auto* holder = static_cast<CIndexBuffer*>(resource);
    auto& parameters = static_cast<TIndexBufferParameters&>(*resource->GetParameters());
    Device* device = m_engine->GetDevice();
    IndexBuffer* made = nullptr;
    if (parameters.source)
    {
        parameters.source->WaitUntilLoaded();
        IndexBuffer* source = static_cast<CIndexBuffer&>(*parameters.source).GetBuffer();
        IndexBufferDesc desc;
        if (source != nullptr && Succeeded(source->GetDesc(&desc)) &&
            Succeeded(
                device->CreateIndexBuffer(desc.Size, desc.Usage, desc.Format, desc.Pool, &made, nullptr)))
        {
            CopyContents(source, made, desc.Size, desc.Usage);
        }
    }
    else if (Succeeded(device->CreateIndexBuffer(parameters.length, parameters.usage, parameters.format,
                                                 parameters.pool, &made, nullptr)) &&
             parameters.fill.function != nullptr)
    {
        parameters.fill.function(&parameters.fill, made);
    }
    if (made != nullptr)
    {
        IndexBufferDesc desc;
        made->GetDesc(&desc);
        parameters.length = desc.Size;
        parameters.usage = desc.Usage;
        parameters.pool = desc.Pool;
        parameters.format = desc.Format;
        holder->Hold(made);
    }
    return holder->GetBuffer() != nullptr;
}

CVertexBufferFactory::CVertexBufferFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry)
    : CResourceFactory(registry, nullptr), m_engine(engine)
{}

CVertexBufferFactory::~CVertexBufferFactory()
{
    GetRegistry()->DestroyResourcesOf(this);
}

CResourcePtr<CVertexBuffer>& CVertexBufferFactory::GetVertexBuffer(CResourcePtr<CVertexBuffer>& out,
                                                                   std::uint32_t length, std::uint32_t usage,
                                                                   const TFill&, const std::string& name)
{
    TVertexBufferParameters parameters;
    parameters.length = length;
    parameters.usage = usage;
    return AssignTypedResource(out, GetResource(name, parameters, false, false));
}

BaseLib::CResource* CVertexBufferFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    auto* buffer = new CVertexBuffer(this, m_engine);
    buffer->SetParameters(
        std::make_unique<TVertexBufferParameters>(static_cast<const TVertexBufferParameters&>(parameters)));
    return buffer;
}

void CVertexBufferFactory::Destroy(BaseLib::CResource* resource)
{
    DestroyEngineResource(this, resource);
}

void CVertexBufferFactory::Unload(BaseLib::CResource* resource)
{
    UnloadEngineResource(resource);
}

bool CVertexBufferFactory::Load(BaseLib::CResource* resource)
{
    auto* holder = static_cast<CVertexBuffer*>(resource);
    auto& parameters = static_cast<TVertexBufferParameters&>(*resource->GetParameters());
    Device* device = m_engine->GetDevice();
    VertexBuffer* made = nullptr;
    if (parameters.source)
    {
        parameters.source->WaitUntilLoaded();
        VertexBuffer* source = static_cast<CVertexBuffer&>(*parameters.source).GetBuffer();
        VertexBufferDesc desc;
        if (source != nullptr && Succeeded(source->GetDesc(&desc)) &&
            Succeeded(device->CreateVertexBuffer(desc.Size, desc.Usage, 0, desc.Pool, &made, nullptr)))
        {
            CopyContents(source, made, desc.Size, desc.Usage);
        }
    }
    else if (Succeeded(device->CreateVertexBuffer(parameters.length, parameters.usage, 0, parameters.pool,
                                                  &made, nullptr)) &&
             parameters.fill.function != nullptr)
    {
        parameters.fill.function(&parameters.fill, made);
    }
    if (made != nullptr)
    {
        VertexBufferDesc desc;
        made->GetDesc(&desc);
        parameters.length = desc.Size;
        parameters.usage = desc.Usage;
        parameters.pool = desc.Pool;
        holder->Hold(made);
    }
    return holder->GetBuffer() != nullptr;
}

} // namespace Qen
