// Cloning, optimising and joining meshes.

#include "platform/gfxkit/mesh/ElementValues.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/MeshGeometry.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace Platform::GfxKit
{

using namespace Gfx;

namespace
{

const VertexElement* FindElement(const std::vector<VertexElement>& elements, std::uint8_t usage,
                                 std::uint8_t usageIndex)
{
    for (const VertexElement& element : elements)
    {
        if (element.Stream == 0 && element.Usage == usage && element.UsageIndex == usageIndex)
        {
            return &element;
        }
    }
    return nullptr;
}

// Copies one vertex's elements into another layout: by usage and usage index, bytes when the types
// match, else through four floats; elements without a source stay as they are (zero).
void CopyVertex(const std::vector<VertexElement>& from, const std::uint8_t* source,
                const std::vector<VertexElement>& to, std::uint8_t* target)
{
    for (const VertexElement& out : to)
    {
        if (out.Stream != 0)
        {
            continue;
        }
        const VertexElement* in = FindElement(from, out.Usage, out.UsageIndex);
        if (in == nullptr)
        {
            continue;
        }
        if (in->Type == out.Type)
        {
            std::memcpy(target + out.Offset, source + in->Offset, ElementSize(out.Type));
        }
        else
        {
            WriteElement(out.Type, ReadElement(in->Type, source + in->Offset), target + out.Offset);
        }
    }
}

std::vector<VertexElement> WithEnd(std::vector<VertexElement> elements)
{
    elements.push_back(DeclarationEnd);
    return elements;
}

} // namespace

Result Mesh::CloneMesh(std::uint32_t options, const VertexElement* declaration, Device* device, Mesh** clone) const
{
    Mesh* made = nullptr;
    const Result result = Make(device, faceCount_, vertexCount_, options, declaration, 0, &made);
    if (clone != nullptr)
    {
        *clone = nullptr;
    }
    if (Failed(result))
    {
        return result;
    }
    std::vector<std::uint8_t> bytes(std::size_t(vertexCount_) * made->stride_, 0);
    for (std::uint32_t v = 0; v < vertexCount_; ++v)
    {
        CopyVertex(elements_, Vertex(v), made->elements_, bytes.data() + std::size_t(v) * made->stride_);
    }
    made->SetVertexBytes(bytes);
    made->SetIndices(Indices());
    made->attributes_ = attributes_;
    made->table_ = table_;
    *clone = made;
    return Ok;
}

Result Mesh::CloneMeshFVF(std::uint32_t options, std::uint32_t fvf, Device* device, Mesh** clone) const
{
    const std::vector<VertexElement> elements = ElementsOfFvf(fvf);
    if (elements.empty())
    {
        if (clone != nullptr)
        {
            *clone = nullptr;
        }
        return InvalidCall;
    }
    const Result result = CloneMesh(options, WithEnd(elements).data(), device, clone);
    if (Succeeded(result))
    {
        (*clone)->fvf_ = fvf;
    }
    return result;
}

Result Mesh::OptimizeInplace(std::uint32_t flags, const std::uint32_t* adjacencyIn, std::uint32_t* adjacencyOut,
                             std::uint32_t* faceRemap, ByteBuffer** vertexRemap)
{
    if (vertexRemap != nullptr)
    {
        *vertexRemap = nullptr;
    }
    const std::vector<std::uint32_t> indices = Indices();

    // Faces: grouped by rising attribute, in their old order within a group. The vertex-cache order is
    // the old order: any order within a group is allowed.
    std::vector<std::uint32_t> order(faceCount_);
    std::iota(order.begin(), order.end(), 0u);
    if (flags & MeshOptimize::AttributeSort)
    {
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return attributes_[a] < attributes_[b]; });
    }

    // Vertices: those no face uses go, the rest keep their order.
    std::vector<std::uint32_t> kept;
    std::vector<std::uint32_t> newIndexOf(vertexCount_, NoNeighbour);
    if (flags & MeshOptimize::Compact)
    {
        std::vector<bool> used(vertexCount_, false);
        for (std::uint32_t index : indices)
        {
            if (index < vertexCount_)
            {
                used[index] = true;
            }
        }
        for (std::uint32_t v = 0; v < vertexCount_; ++v)
        {
            if (used[v])
            {
                newIndexOf[v] = static_cast<std::uint32_t>(kept.size());
                kept.push_back(v);
            }
        }
    }
    else
    {
        kept.resize(vertexCount_);
        std::iota(kept.begin(), kept.end(), 0u);
        std::iota(newIndexOf.begin(), newIndexOf.end(), 0u);
    }
    if (kept.empty())
    {
        return InvalidCall; // a mesh keeps at least one vertex
    }

    std::vector<std::uint32_t> newAdjacency;
    if (adjacencyOut != nullptr)
    {
        std::vector<std::uint32_t> generated;
        if (adjacencyIn == nullptr)
        {
            generated.resize(indices.size());
            GenerateAdjacency(0.0f, generated.data());
            adjacencyIn = generated.data();
        }
        std::vector<std::uint32_t> newFaceOf(faceCount_);
        for (std::uint32_t f = 0; f < faceCount_; ++f)
        {
            newFaceOf[order[f]] = f;
        }
        newAdjacency.resize(indices.size());
        for (std::uint32_t f = 0; f < faceCount_; ++f)
        {
            for (std::uint32_t k = 0; k < 3; ++k)
            {
                const std::uint32_t neighbour = adjacencyIn[std::size_t(order[f]) * 3 + k];
                newAdjacency[std::size_t(f) * 3 + k] = neighbour < faceCount_ ? newFaceOf[neighbour] : NoNeighbour;
            }
        }
    }

    std::vector<std::uint32_t> newIndices(indices.size());
    std::vector<std::uint32_t> newAttributes(faceCount_);
    for (std::uint32_t f = 0; f < faceCount_; ++f)
    {
        newAttributes[f] = attributes_[order[f]];
        for (std::uint32_t k = 0; k < 3; ++k)
        {
            const std::uint32_t old = indices[std::size_t(order[f]) * 3 + k];
            newIndices[std::size_t(f) * 3 + k] = old < vertexCount_ ? newIndexOf[old] : 0;
        }
    }
    ByteBuffer* remap = nullptr;
    if (vertexRemap != nullptr)
    {
        const Result made = CreateBuffer(static_cast<std::uint32_t>(kept.size() * 4), &remap);
        if (Failed(made))
        {
            return made;
        }
        std::memcpy(remap->GetBufferPointer(), kept.data(), kept.size() * 4);
    }

    const bool hadTable = !table_.empty();
    if (kept.size() != vertexCount_)
    {
        std::vector<std::uint8_t> bytes(kept.size() * stride_);
        for (std::size_t v = 0; v < kept.size(); ++v)
        {
            std::memcpy(bytes.data() + v * stride_, Vertex(kept[v]), stride_);
        }
        const Result rebuilt =
            Rebuild(faceCount_, static_cast<std::uint32_t>(kept.size()), bytes, newIndices, newAttributes);
        if (Failed(rebuilt))
        {
            if (remap != nullptr)
            {
                remap->Release();
            }
            return rebuilt;
        }
    }
    else
    {
        SetIndices(newIndices);
        attributes_ = newAttributes;
    }
    if ((flags & MeshOptimize::AttributeSort) || hadTable)
    {
        BuildAttributeTable();
    }
    if (adjacencyOut != nullptr)
    {
        std::copy(newAdjacency.begin(), newAdjacency.end(), adjacencyOut);
    }
    if (faceRemap != nullptr)
    {
        std::copy(order.begin(), order.end(), faceRemap);
    }
    if (vertexRemap != nullptr)
    {
        *vertexRemap = remap;
    }
    return Ok;
}

namespace
{

// The output layout of a join without a declaration: the first input's when all inputs have the same
// one, else every (usage, usage index) once in first-seen order, packed in stream 0.
std::vector<VertexElement> JoinedElements(Mesh* const* meshes, std::uint32_t count)
{
    const std::vector<VertexElement>& first = meshes[0]->Elements();
    const auto same = [&](const std::vector<VertexElement>& other) {
        return other.size() == first.size() &&
               std::equal(other.begin(), other.end(), first.begin(), [](const VertexElement& a, const VertexElement& b) {
                   return a.Stream == b.Stream && a.Offset == b.Offset && a.Type == b.Type && a.Method == b.Method &&
                          a.Usage == b.Usage && a.UsageIndex == b.UsageIndex;
               });
    };
    if (std::all_of(meshes, meshes + count, [&](Mesh* mesh) { return same(mesh->Elements()); }))
    {
        return first;
    }
    std::vector<VertexElement> joined;
    std::uint16_t offset = 0;
    for (std::uint32_t m = 0; m < count; ++m)
    {
        for (const VertexElement& element : meshes[m]->Elements())
        {
            if (element.Stream != 0 || FindElement(joined, element.Usage, element.UsageIndex) != nullptr)
            {
                continue;
            }
            VertexElement packed = element;
            packed.Offset = offset;
            offset = static_cast<std::uint16_t>(offset + ElementSize(element.Type));
            joined.push_back(packed);
        }
    }
    return joined;
}

bool IsDirection(std::uint8_t usage)
{
    return usage == DeclUsage::Normal || usage == DeclUsage::Tangent || usage == DeclUsage::Binormal;
}

} // namespace

Result ConcatenateMeshes(Mesh* const* meshes, std::uint32_t count, std::uint32_t options,
                         const Matrix* geometryTransforms, const Matrix* textureTransforms,
                         const VertexElement* declaration, Device* device, Mesh** mesh)
{
    if (mesh != nullptr)
    {
        *mesh = nullptr;
    }
    if (meshes == nullptr || count == 0 || textureTransforms != nullptr || device == nullptr || mesh == nullptr ||
        std::any_of(meshes, meshes + count, [](Mesh* m) { return m == nullptr; }))
    {
        return InvalidCall;
    }
    std::uint64_t vertices = 0;
    std::uint64_t faces = 0;
    for (std::uint32_t m = 0; m < count; ++m)
    {
        vertices += meshes[m]->GetNumVertices();
        faces += meshes[m]->GetNumFaces();
    }
    if (vertices > 0xFFFFFFFFu || faces > 0xFFFFFFFFu)
    {
        return InvalidCall;
    }
    std::vector<VertexElement> elements;
    if (declaration != nullptr)
    {
        elements.assign(declaration, declaration + GetDeclLength(declaration));
    }
    else
    {
        elements = JoinedElements(meshes, count);
    }
    Mesh* made = nullptr;
    const Result result = Mesh::Make(device, static_cast<std::uint32_t>(faces), static_cast<std::uint32_t>(vertices),
                                     options, WithEnd(elements).data(), 0, &made);
    if (Failed(result))
    {
        return result;
    }
    const std::uint32_t stride = made->GetNumBytesPerVertex();
    std::vector<std::uint8_t> bytes(vertices * stride, 0);
    std::vector<std::uint32_t> indices;
    std::vector<std::uint32_t> attributes;
    indices.reserve(faces * 3);
    attributes.reserve(faces);
    std::uint32_t base = 0;
    for (std::uint32_t m = 0; m < count; ++m)
    {
        const Mesh& input = *meshes[m];
        Matrix normalMatrix;
        if (geometryTransforms != nullptr)
        {
            Matrix inverse;
            MatrixInverse(&inverse, nullptr, &geometryTransforms[m]);
            MatrixTranspose(&normalMatrix, &inverse);
        }
        for (std::uint32_t v = 0; v < input.GetNumVertices(); ++v)
        {
            std::uint8_t* target = bytes.data() + std::size_t(base + v) * stride;
            CopyVertex(input.Elements(), input.Vertex(v), elements, target);
            if (geometryTransforms == nullptr)
            {
                continue;
            }
            for (const VertexElement& out : elements)
            {
                if (out.Stream != 0 || FindElement(input.Elements(), out.Usage, out.UsageIndex) == nullptr ||
                    (out.Usage != DeclUsage::Position && !IsDirection(out.Usage)))
                {
                    continue;
                }
                const Vector4 value = ReadElement(out.Type, target + out.Offset);
                Vector3 vector{value.x, value.y, value.z};
                if (out.Usage == DeclUsage::Position)
                {
                    Vec3TransformCoord(&vector, &vector, &geometryTransforms[m]);
                }
                else
                {
                    Vec3TransformNormal(&vector, &vector, &normalMatrix);
                    Vec3Normalize(&vector, &vector);
                }
                WriteElement(out.Type, {vector.x, vector.y, vector.z, value.w}, target + out.Offset);
            }
        }
        for (std::uint32_t index : input.Indices())
        {
            indices.push_back(base + index);
        }
        attributes.insert(attributes.end(), input.Attributes().begin(), input.Attributes().end());
        base += input.GetNumVertices();
    }
    made->SetVertexBytes(bytes);
    made->SetIndices(indices);
    made->SetAttributes(attributes);
    *mesh = made;
    return Ok;
}

} // namespace Platform::GfxKit
