#include "platform/gfxkit/mesh/Mesh.h"

#include "platform/gfx/Constants.h"
#include "platform/gfxkit/mesh/ElementValues.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace Platform::GfxKit
{

using namespace Gfx;

namespace
{

std::uint32_t VertexPool(std::uint32_t options)
{
    if (options & MeshOption::VbSystemMem)
    {
        return Pool::SystemMemory;
    }
    return (options & MeshOption::VbManaged) ? Pool::Managed : Pool::Default;
}

std::uint32_t IndexPool(std::uint32_t options)
{
    if (options & MeshOption::IbSystemMem)
    {
        return Pool::SystemMemory;
    }
    return (options & MeshOption::IbManaged) ? Pool::Managed : Pool::Default;
}

std::uint32_t VertexUsage(std::uint32_t options)
{
    return ((options & MeshOption::VbWriteOnly) ? Usage::WriteOnly : 0) |
           ((options & MeshOption::VbDynamic) ? Usage::Dynamic : 0);
}

std::uint32_t IndexUsage(std::uint32_t options)
{
    return ((options & MeshOption::IbWriteOnly) ? Usage::WriteOnly : 0) |
           ((options & MeshOption::IbDynamic) ? Usage::Dynamic : 0);
}

} // namespace

std::uint32_t GetDeclLength(const VertexElement* declaration)
{
    std::uint32_t length = 0;
    while (declaration != nullptr && declaration[length].Stream != 0xFF && length < MaxDeclarationLength)
    {
        ++length;
    }
    return length;
}

std::uint32_t StreamVertexSize(const VertexElement* elements, std::size_t count, std::uint32_t stream)
{
    std::uint32_t size = 0;
    for (std::size_t i = 0; i < count; ++i)
    {
        if (elements[i].Stream == stream)
        {
            size = std::max(size, elements[i].Offset + ElementSize(elements[i].Type));
        }
    }
    return size;
}

std::uint32_t GetDeclVertexSize(const VertexElement* declaration, std::uint32_t stream)
{
    return StreamVertexSize(declaration, GetDeclLength(declaration), stream);
}

Result Mesh::Make(Device* device, std::uint32_t faces, std::uint32_t vertices, std::uint32_t options,
                  const VertexElement* declaration, std::uint32_t fvf, Mesh** mesh)
{
    if (mesh != nullptr)
    {
        *mesh = nullptr;
    }
    if (device == nullptr || mesh == nullptr || declaration == nullptr || faces == 0 || vertices == 0 ||
        (!(options & MeshOption::Use32Bit) && vertices > 0xFFFF) || std::uint64_t(faces) * 3 > 0xFFFFFFFFu / 4)
    {
        return InvalidCall;
    }
    const std::uint32_t length = GetDeclLength(declaration);
    if (length >= MaxDeclarationLength || GetDeclVertexSize(declaration, 0) == 0)
    {
        return InvalidCall;
    }
    Mesh* made = new Mesh();
    made->device_ = device;
    device->AddRef();
    made->elements_.assign(declaration, declaration + length);
    made->options_ = options;
    made->fvf_ = fvf;
    made->stride_ = GetDeclVertexSize(declaration, 0);
    const Result result = made->UpdateSemantics(declaration);
    if (Failed(result) || Failed(made->MakeBuffers(vertices, faces)))
    {
        made->Release();
        return Failed(result) ? result : OutOfVideoMemory;
    }
    made->attributes_.assign(faces, 0);
    *mesh = made;
    return Ok;
}

Result Mesh::MakeBuffers(std::uint32_t vertices, std::uint32_t faces)
{
    VertexBuffer* vertexBuffer = nullptr;
    IndexBuffer* indexBuffer = nullptr;
    const bool wide = options_ & MeshOption::Use32Bit;
    Result result = device_->CreateVertexBuffer(vertices * stride_, VertexUsage(options_), fvf_, VertexPool(options_),
                                                &vertexBuffer, nullptr);
    if (Succeeded(result))
    {
        result = device_->CreateIndexBuffer(faces * 3 * (wide ? 4 : 2), IndexUsage(options_),
                                            wide ? Format::Index32 : Format::Index16, IndexPool(options_),
                                            &indexBuffer, nullptr);
    }
    if (Failed(result))
    {
        if (vertexBuffer != nullptr)
        {
            vertexBuffer->Release();
        }
        return result;
    }
    if (vertices_ != nullptr)
    {
        vertices_->Release();
    }
    if (indices_ != nullptr)
    {
        indices_->Release();
    }
    vertices_ = vertexBuffer;
    indices_ = indexBuffer;
    vertexCount_ = vertices;
    faceCount_ = faces;
    return Ok;
}

Result Mesh::Rebuild(std::uint32_t faces, std::uint32_t vertices, const std::vector<std::uint8_t>& vertexBytes,
                     const std::vector<std::uint32_t>& indices, const std::vector<std::uint32_t>& attributes)
{
    const Result result = MakeBuffers(vertices, faces);
    if (Failed(result))
    {
        return result;
    }
    SetVertexBytes(vertexBytes);
    SetIndices(indices);
    attributes_ = attributes;
    table_.clear();
    return Ok;
}

Mesh::~Mesh()
{
    for (CountedObject* object : std::initializer_list<CountedObject*>{declaration_, indices_, vertices_, device_})
    {
        if (object != nullptr)
        {
            object->Release();
        }
    }
}

Result CreateMesh(std::uint32_t faces, std::uint32_t vertices, std::uint32_t options,
                  const VertexElement* declaration, Device* device, Mesh** mesh)
{
    return Mesh::Make(device, faces, vertices, options, declaration, 0, mesh);
}

Result CreateMeshFVF(std::uint32_t faces, std::uint32_t vertices, std::uint32_t options, std::uint32_t fvf,
                     Device* device, Mesh** mesh)
{
    std::vector<VertexElement> elements = ElementsOfFvf(fvf);
    if (elements.empty())
    {
        if (mesh != nullptr)
        {
            *mesh = nullptr;
        }
        return InvalidCall;
    }
    elements.push_back(DeclarationEnd);
    return Mesh::Make(device, faces, vertices, options, elements.data(), fvf, mesh);
}

Result Mesh::GetDeclaration(VertexElement* declaration) const
{
    if (declaration == nullptr)
    {
        return InvalidCall;
    }
    std::copy(elements_.begin(), elements_.end(), declaration);
    declaration[elements_.size()] = DeclarationEnd;
    return Ok;
}

Result Mesh::GetDevice(Device** device) const
{
    if (device == nullptr)
    {
        return InvalidCall;
    }
    device_->AddRef();
    *device = device_;
    return Ok;
}

Result Mesh::GetVertexBuffer(VertexBuffer** buffer) const
{
    if (buffer == nullptr)
    {
        return InvalidCall;
    }
    vertices_->AddRef();
    *buffer = vertices_;
    return Ok;
}

Result Mesh::GetIndexBuffer(IndexBuffer** buffer) const
{
    if (buffer == nullptr)
    {
        return InvalidCall;
    }
    indices_->AddRef();
    *buffer = indices_;
    return Ok;
}

Result Mesh::LockVertexBuffer(std::uint32_t flags, void** data)
{
    return vertices_->Lock(0, 0, data, flags);
}

Result Mesh::UnlockVertexBuffer()
{
    return vertices_->Unlock();
}

Result Mesh::LockIndexBuffer(std::uint32_t flags, void** data)
{
    return indices_->Lock(0, 0, data, flags);
}

Result Mesh::UnlockIndexBuffer()
{
    return indices_->Unlock();
}

Result Mesh::LockAttributeBuffer(std::uint32_t flags, std::uint32_t** data)
{
    if (data == nullptr)
    {
        return InvalidCall;
    }
    if (!(flags & LockFlag::ReadOnly))
    {
        table_.clear();
    }
    *data = attributes_.data();
    return Ok;
}

Result Mesh::UnlockAttributeBuffer()
{
    return Ok;
}

Result Mesh::GetAttributeTable(AttributeRange* table, std::uint32_t* size) const
{
    if (size == nullptr)
    {
        return InvalidCall;
    }
    if (table == nullptr)
    {
        *size = static_cast<std::uint32_t>(table_.size());
        return Ok;
    }
    const std::uint32_t count = std::min<std::uint32_t>(*size, static_cast<std::uint32_t>(table_.size()));
    std::copy(table_.begin(), table_.begin() + count, table);
    *size = count;
    return Ok;
}

std::vector<std::uint32_t> Mesh::Indices() const
{
    std::vector<std::uint32_t> indices(std::size_t(faceCount_) * 3);
    const std::uint8_t* bytes = indices_->Memory().data();
    if (options_ & MeshOption::Use32Bit)
    {
        std::memcpy(indices.data(), bytes, indices.size() * 4);
    }
    else
    {
        for (std::size_t i = 0; i < indices.size(); ++i)
        {
            std::uint16_t index;
            std::memcpy(&index, bytes + i * 2, 2);
            indices[i] = index;
        }
    }
    return indices;
}

void Mesh::SetIndices(const std::vector<std::uint32_t>& indices)
{
    void* data = nullptr;
    if (Failed(indices_->Lock(0, 0, &data, 0)))
    {
        return;
    }
    if (options_ & MeshOption::Use32Bit)
    {
        std::memcpy(data, indices.data(), indices.size() * 4);
    }
    else
    {
        for (std::size_t i = 0; i < indices.size(); ++i)
        {
            const auto index = static_cast<std::uint16_t>(indices[i]);
            std::memcpy(static_cast<std::uint8_t*>(data) + i * 2, &index, 2);
        }
    }
    indices_->Unlock();
}

void Mesh::SetVertexBytes(const std::vector<std::uint8_t>& bytes)
{
    void* data = nullptr;
    if (Succeeded(vertices_->Lock(0, 0, &data, 0)))
    {
        std::memcpy(data, bytes.data(), std::min<std::size_t>(bytes.size(), vertices_->Size()));
        vertices_->Unlock();
    }
}

Vector3 Mesh::Position(std::uint32_t vertex) const
{
    for (const VertexElement& element : elements_)
    {
        if (element.Stream == 0 && element.Usage == DeclUsage::Position && element.UsageIndex == 0)
        {
            const Vector4 value = ReadElement(element.Type, Vertex(vertex) + element.Offset);
            return {value.x, value.y, value.z};
        }
    }
    return {};
}

void Mesh::BuildAttributeTable()
{
    table_.clear();
    const std::vector<std::uint32_t> indices = Indices();
    for (std::uint32_t face = 0; face < faceCount_; ++face)
    {
        if (table_.empty() || table_.back().AttribId != attributes_[face])
        {
            table_.push_back({attributes_[face], face, 0, 0xFFFFFFFF, 0});
        }
        AttributeRange& range = table_.back();
        ++range.FaceCount;
        std::uint32_t last = range.VertexCount == 0 ? 0 : range.VertexStart + range.VertexCount - 1;
        for (int k = 0; k < 3; ++k)
        {
            const std::uint32_t index = indices[std::size_t(face) * 3 + k];
            last = std::max(last, index);
            range.VertexStart = std::min(range.VertexStart, index);
        }
        range.VertexCount = last - range.VertexStart + 1;
    }
}

Result Mesh::DrawSubset(std::uint32_t attributeId)
{
    Result result = device_->SetStreamSource(0, vertices_, 0, stride_);
    if (Succeeded(result))
    {
        result = device_->SetIndices(indices_);
    }
    if (Succeeded(result))
    {
        result = device_->SetVertexDeclaration(declaration_);
    }
    if (Failed(result))
    {
        return result;
    }
    const auto draw = [&](std::uint32_t faceStart, std::uint32_t faceCount, std::uint32_t vertexStart,
                          std::uint32_t vertexCount) {
        return device_->DrawIndexedPrimitive(PrimitiveType::TriangleList, 0, vertexStart, vertexCount, faceStart * 3,
                                             faceCount);
    };
    if (!table_.empty())
    {
        for (const AttributeRange& range : table_)
        {
            if (range.AttribId == attributeId && range.FaceCount > 0)
            {
                result = draw(range.FaceStart, range.FaceCount, range.VertexStart, range.VertexCount);
                if (Failed(result))
                {
                    return result;
                }
            }
        }
        return Ok;
    }
    const std::vector<std::uint32_t> indices = Indices();
    for (std::uint32_t face = 0; face < faceCount_;)
    {
        if (attributes_[face] != attributeId)
        {
            ++face;
            continue;
        }
        const std::uint32_t start = face;
        std::uint32_t low = 0xFFFFFFFF;
        std::uint32_t high = 0;
        for (; face < faceCount_ && attributes_[face] == attributeId; ++face)
        {
            for (int k = 0; k < 3; ++k)
            {
                low = std::min(low, indices[std::size_t(face) * 3 + k]);
                high = std::max(high, indices[std::size_t(face) * 3 + k]);
            }
        }
        result = draw(start, face - start, low, high - low + 1);
        if (Failed(result))
        {
            return result;
        }
    }
    return Ok;
}

Result Mesh::UpdateSemantics(const VertexElement* declaration)
{
    const std::uint32_t length = GetDeclLength(declaration);
    if (declaration == nullptr || length >= MaxDeclarationLength)
    {
        return InvalidCall;
    }
    // Every stream either declaration names keeps its vertex size.
    for (std::uint32_t stream = 0; stream < 16; ++stream)
    {
        if (declaration_ != nullptr && GetDeclVertexSize(declaration, stream) !=
                                           StreamVertexSize(elements_.data(), elements_.size(), stream))
        {
            return InvalidCall;
        }
    }
    std::vector<VertexElement> elements(declaration, declaration + length);
    elements.push_back(DeclarationEnd);
    VertexDeclaration* made = nullptr;
    const Result result = device_->CreateVertexDeclaration(elements.data(), &made);
    if (Failed(result))
    {
        return InvalidCall;
    }
    if (declaration_ != nullptr)
    {
        declaration_->Release();
    }
    declaration_ = made;
    elements.pop_back();
    elements_ = std::move(elements);
    return Ok;
}

} // namespace Platform::GfxKit
