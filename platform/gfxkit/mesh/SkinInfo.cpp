#include "platform/gfxkit/mesh/SkinInfo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace Platform::GfxKit
{

using Gfx::InvalidCall;
using Gfx::Ok;
using Gfx::Result;
using Gfx::VertexElement;
namespace DeclType = Gfx::DeclType;
namespace DeclUsage = Gfx::DeclUsage;

SkinInfo* SkinInfo::Make(std::uint32_t vertices, const VertexElement* declaration, std::uint32_t bones)
{
    auto* skin = new SkinInfo();
    skin->vertexCount_ = vertices;
    if (declaration != nullptr)
    {
        skin->elements_.assign(declaration, declaration + GetDeclLength(declaration));
    }
    skin->bones_.resize(bones);
    return skin;
}

Result CreateSkinInfo(std::uint32_t vertices, const VertexElement* declaration, std::uint32_t bones, SkinInfo** skin)
{
    if (skin == nullptr)
    {
        return InvalidCall;
    }
    *skin = nullptr;
    try
    {
        *skin = SkinInfo::Make(vertices, declaration, bones);
    }
    catch (const std::bad_alloc&)
    {
        return Gfx::OutOfMemory;
    }
    return Ok;
}

const char* SkinInfo::GetBoneName(std::uint32_t bone) const
{
    if (bone >= bones_.size() || !bones_[bone].name)
    {
        return nullptr;
    }
    return bones_[bone].name->c_str();
}

Result SkinInfo::SetBoneName(std::uint32_t bone, const char* name)
{
    if (bone >= bones_.size() || name == nullptr)
    {
        return InvalidCall;
    }
    bones_[bone].name = name;
    return Ok;
}

const Matrix* SkinInfo::GetBoneOffsetMatrix(std::uint32_t bone) const
{
    return bone < bones_.size() ? &bones_[bone].offset : nullptr;
}

Result SkinInfo::SetBoneOffsetMatrix(std::uint32_t bone, const Matrix* offset)
{
    if (bone >= bones_.size() || offset == nullptr)
    {
        return InvalidCall;
    }
    bones_[bone].offset = *offset;
    return Ok;
}

std::uint32_t SkinInfo::GetNumBoneInfluences(std::uint32_t bone) const
{
    return bone < bones_.size() ? static_cast<std::uint32_t>(bones_[bone].vertices.size()) : 0;
}

Result SkinInfo::GetBoneInfluence(std::uint32_t bone, std::uint32_t* vertices, float* weights) const
{
    if (bone >= bones_.size())
    {
        return InvalidCall;
    }
    const Bone& b = bones_[bone];
    if (vertices != nullptr)
    {
        std::copy(b.vertices.begin(), b.vertices.end(), vertices);
    }
    if (weights != nullptr)
    {
        std::copy(b.weights.begin(), b.weights.end(), weights);
    }
    return Ok;
}

Result SkinInfo::SetBoneInfluence(std::uint32_t bone, std::uint32_t count, const std::uint32_t* vertices,
                                  const float* weights)
{
    if (bone >= bones_.size() || (count > 0 && (vertices == nullptr || weights == nullptr)))
    {
        return InvalidCall;
    }
    for (std::uint32_t i = 0; i < count; ++i)
    {
        if (vertices[i] >= vertexCount_ || !std::isfinite(weights[i]))
        {
            return InvalidCall;
        }
    }
    Bone& b = bones_[bone];
    b.vertices.assign(vertices, vertices + count);
    b.weights.assign(weights, weights + count);
    return Ok;
}

std::vector<std::vector<SkinInfo::Influence>> SkinInfo::VertexInfluences(std::uint32_t limit) const
{
    std::vector<std::vector<Influence>> perVertex(vertexCount_);
    for (std::uint32_t bone = 0; bone < bones_.size(); ++bone)
    {
        const Bone& b = bones_[bone];
        for (std::size_t i = 0; i < b.vertices.size(); ++i)
        {
            if (b.weights[i] > 0)
            {
                perVertex[b.vertices[i]].push_back({bone, b.weights[i]});
            }
        }
    }
    for (std::vector<Influence>& influences : perVertex)
    {
        if (influences.size() <= limit)
        {
            continue;
        }
        std::stable_sort(influences.begin(), influences.end(),
                         [](const Influence& a, const Influence& b) { return a.weight > b.weight; });
        influences.resize(limit);
        double sum = 0;
        for (const Influence& influence : influences)
        {
            sum += influence.weight;
        }
        for (Influence& influence : influences)
        {
            influence.weight = static_cast<float>(influence.weight / sum);
        }
    }
    return perVertex;
}

Result SkinInfo::GetMaxVertexInfluences(std::uint32_t* maxInfluences) const
{
    if (maxInfluences == nullptr)
    {
        return InvalidCall;
    }
    std::vector<std::uint32_t> counts(vertexCount_, 0);
    std::uint32_t most = 0;
    for (const Bone& b : bones_)
    {
        for (std::size_t i = 0; i < b.vertices.size(); ++i)
        {
            if (b.weights[i] > 0)
            {
                most = std::max(most, ++counts[b.vertices[i]]);
            }
        }
    }
    *maxInfluences = most;
    return Ok;
}

namespace
{

// The declaration of the blended mesh: POSITION 0, the blend weights (when more than one influence),
// the blend indices, then the input's other elements in their order, packed in stream 0.
std::vector<VertexElement> BlendedElements(const std::vector<VertexElement>& input, std::uint32_t influences)
{
    std::vector<VertexElement> output;
    const auto isPosition = [](const VertexElement& e) { return e.Usage == DeclUsage::Position && e.UsageIndex == 0; };
    const auto isBlend = [](const VertexElement& e) {
        return (e.Usage == DeclUsage::BlendWeight || e.Usage == DeclUsage::BlendIndices) && e.UsageIndex == 0;
    };
    std::uint16_t offset = 0;
    const auto add = [&](VertexElement element) {
        element.Stream = 0;
        element.Offset = offset;
        offset = static_cast<std::uint16_t>(offset + Gfx::ElementSize(element.Type));
        output.push_back(element);
    };
    for (const VertexElement& element : input)
    {
        if (isPosition(element))
        {
            add(element);
            break;
        }
    }
    if (influences > 1)
    {
        add({0, 0, static_cast<std::uint8_t>(DeclType::Float1 + (influences - 2)), 0, DeclUsage::BlendWeight, 0});
    }
    add({0, 0, DeclType::UByte4, 0, DeclUsage::BlendIndices, 0});
    for (const VertexElement& element : input)
    {
        if (!isPosition(element) && !isBlend(element) && element.Stream == 0)
        {
            add(element);
        }
    }
    return output;
}

struct Combination
{
    std::uint32_t attribute = 0;
    std::vector<std::uint32_t> bones; // in palette order
    std::vector<std::uint32_t> faces; // old face numbers, in order
};

} // namespace

Result SkinInfo::ConvertToIndexedBlendedMesh(Mesh* mesh, std::uint32_t options, std::uint32_t paletteSize,
                                             const std::uint32_t* adjacencyIn, std::uint32_t* adjacencyOut,
                                             std::uint32_t* faceRemap, ByteBuffer** vertexRemap,
                                             std::uint32_t* maxVertexInfluences, std::uint32_t* combinationCount,
                                             ByteBuffer** combinations, Mesh** blended) const
{
    if (blended == nullptr)
    {
        return InvalidCall;
    }
    *blended = nullptr;
    if (vertexRemap != nullptr)
    {
        *vertexRemap = nullptr;
    }
    if (combinations != nullptr)
    {
        *combinations = nullptr;
    }
    if (mesh == nullptr || paletteSize == 0 || mesh->GetNumVertices() != vertexCount_)
    {
        return InvalidCall;
    }

    const std::vector<std::vector<Influence>> influences = VertexInfluences(MaxBlendInfluences);
    std::uint32_t most = 1;
    for (const std::vector<Influence>& vertex : influences)
    {
        most = std::max(most, static_cast<std::uint32_t>(vertex.size()));
    }

    // Faces grouped greedily, attribute by rising attribute, in their order within each.
    const std::uint32_t faceCount = mesh->GetNumFaces();
    const std::vector<std::uint32_t> indices = mesh->Indices();
    const std::vector<std::uint32_t>& attributes = mesh->Attributes();
    std::vector<std::uint32_t> byAttribute(faceCount);
    for (std::uint32_t f = 0; f < faceCount; ++f)
    {
        byAttribute[f] = f;
    }
    std::stable_sort(byAttribute.begin(), byAttribute.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return attributes[a] < attributes[b]; });
    std::vector<Combination> groups;
    std::vector<std::uint32_t> faceBones;
    for (std::uint32_t face : byAttribute)
    {
        faceBones.clear();
        for (int k = 0; k < 3; ++k)
        {
            for (const Influence& influence : influences[indices[std::size_t(face) * 3 + k]])
            {
                if (std::find(faceBones.begin(), faceBones.end(), influence.bone) == faceBones.end())
                {
                    faceBones.push_back(influence.bone);
                }
            }
        }
        if (faceBones.size() > paletteSize)
        {
            return Gfx::TooManyInfluences;
        }
        const auto fits = [&](const Combination& group) {
            std::size_t added = 0;
            for (std::uint32_t bone : faceBones)
            {
                added += std::find(group.bones.begin(), group.bones.end(), bone) == group.bones.end() ? 1 : 0;
            }
            return group.bones.size() + added <= paletteSize;
        };
        if (groups.empty() || groups.back().attribute != attributes[face] || !fits(groups.back()))
        {
            groups.push_back({attributes[face], {}, {}});
        }
        Combination& group = groups.back();
        for (std::uint32_t bone : faceBones)
        {
            if (std::find(group.bones.begin(), group.bones.end(), bone) == group.bones.end())
            {
                group.bones.push_back(bone);
            }
        }
        group.faces.push_back(face);
    }
    for (Combination& group : groups)
    {
        if (group.bones.empty() && !bones_.empty())
        {
            group.bones.push_back(0); // faces that no bone moves still need a palette slot to name
        }
    }

    // Vertices: each combination's own copies, in rising old order.
    std::vector<std::uint32_t> oldVertexOf;
    std::vector<std::uint32_t> newIndices(indices.size());
    std::vector<std::uint32_t> newAttributes(faceCount);
    std::vector<std::uint32_t> combinationOf;
    std::vector<std::uint32_t> slotOf(vertexCount_, NoBone);
    for (std::uint32_t b = 0; b < groups.size(); ++b)
    {
        const Combination& group = groups[b];
        std::vector<std::uint32_t> used;
        for (std::uint32_t face : group.faces)
        {
            for (int k = 0; k < 3; ++k)
            {
                used.push_back(indices[std::size_t(face) * 3 + k]);
            }
        }
        std::sort(used.begin(), used.end());
        used.erase(std::unique(used.begin(), used.end()), used.end());
        for (std::uint32_t vertex : used)
        {
            slotOf[vertex] = static_cast<std::uint32_t>(oldVertexOf.size());
            oldVertexOf.push_back(vertex);
            combinationOf.push_back(b);
        }
        for (std::uint32_t face : group.faces)
        {
            newAttributes[face] = b;
            for (int k = 0; k < 3; ++k)
            {
                newIndices[std::size_t(face) * 3 + k] = slotOf[indices[std::size_t(face) * 3 + k]];
            }
        }
    }
    const auto newVertexCount = static_cast<std::uint32_t>(oldVertexOf.size());

    std::vector<VertexElement> elements = BlendedElements(mesh->Elements(), most);
    const std::uint32_t stride = StreamVertexSize(elements.data(), elements.size(), 0);
    elements.push_back(Gfx::DeclarationEnd);
    std::uint32_t meshOptions = options | (mesh->GetOptions() & MeshOption::Use32Bit);
    if (newVertexCount > 0xFFFF)
    {
        meshOptions |= MeshOption::Use32Bit;
    }
    Gfx::Device* device = nullptr;
    mesh->GetDevice(&device);
    Mesh* result = nullptr;
    const Result made = CreateMesh(faceCount, newVertexCount, meshOptions, elements.data(), device, &result);
    device->Release();
    if (Gfx::Failed(made))
    {
        return made;
    }

    std::vector<std::uint8_t> bytes(std::size_t(newVertexCount) * stride, 0);
    const std::vector<VertexElement>& inputElements = mesh->Elements();
    for (std::uint32_t v = 0; v < newVertexCount; ++v)
    {
        std::uint8_t* out = bytes.data() + std::size_t(v) * stride;
        const std::uint8_t* in = mesh->Vertex(oldVertexOf[v]);
        const std::vector<std::uint32_t>& palette = groups[combinationOf[v]].bones;
        for (std::size_t e = 0; e + 1 < elements.size(); ++e)
        {
            const VertexElement& element = elements[e];
            if (element.Usage == DeclUsage::BlendWeight && element.UsageIndex == 0)
            {
                const std::vector<Influence>& vertex = influences[oldVertexOf[v]];
                float weights[MaxBlendInfluences] = {};
                if (vertex.empty())
                {
                    weights[0] = 1;
                }
                for (std::size_t i = 0; i < vertex.size() && i + 1 < most; ++i)
                {
                    weights[i] = vertex[i].weight;
                }
                std::memcpy(out + element.Offset, weights, (most - 1) * sizeof(float));
            }
            else if (element.Usage == DeclUsage::BlendIndices && element.UsageIndex == 0)
            {
                const std::vector<Influence>& vertex = influences[oldVertexOf[v]];
                for (std::size_t i = 0; i < vertex.size(); ++i)
                {
                    const auto slot = std::find(palette.begin(), palette.end(), vertex[i].bone) - palette.begin();
                    out[element.Offset + i] = static_cast<std::uint8_t>(slot);
                }
            }
            else
            {
                for (const VertexElement& source : inputElements)
                {
                    if (source.Usage == element.Usage && source.UsageIndex == element.UsageIndex)
                    {
                        std::memcpy(out + element.Offset, in + source.Offset, Gfx::ElementSize(element.Type));
                        break;
                    }
                }
            }
        }
    }
    result->SetVertexBytes(bytes);
    result->SetIndices(newIndices);
    result->SetAttributes(newAttributes);

    // The faces sorted by combination through the attribute sort, which also carries the adjacency.
    std::vector<std::uint32_t> adjacency;
    if (adjacencyIn != nullptr)
    {
        adjacency.assign(adjacencyIn, adjacencyIn + std::size_t(faceCount) * 3);
    }
    else
    {
        adjacency.resize(std::size_t(faceCount) * 3);
        mesh->GenerateAdjacency(0.0f, adjacency.data());
    }
    std::vector<std::uint32_t> order(faceCount);
    const Result sorted = result->OptimizeInplace(MeshOptimize::AttributeSort, adjacency.data(), adjacency.data(),
                                                  order.data(), nullptr);
    if (Gfx::Failed(sorted))
    {
        result->Release();
        return sorted;
    }

    ByteBuffer* remap = nullptr;
    ByteBuffer* records = nullptr;
    try
    {
        if (vertexRemap != nullptr)
        {
            remap = ByteBuffer::Make(newVertexCount * 4);
            std::memcpy(remap->GetBufferPointer(), oldVertexOf.data(), oldVertexOf.size() * 4);
        }
        if (combinations != nullptr)
        {
            // The records first, then each record's palette of bone ids, which its BoneId points at.
            const std::size_t recordBytes = groups.size() * sizeof(BoneCombination);
            const std::size_t total = recordBytes + groups.size() * std::size_t(paletteSize) * 4;
            if (total > 0xFFFFFFFFu)
            {
                throw std::bad_alloc();
            }
            records = ByteBuffer::Make(static_cast<std::uint32_t>(total));
            auto* base = static_cast<std::uint8_t*>(records->GetBufferPointer());
            auto* ids = reinterpret_cast<std::uint32_t*>(base + recordBytes);
            std::uint32_t faceStart = 0;
            std::uint32_t vertexStart = 0;
            for (std::size_t b = 0; b < groups.size(); ++b)
            {
                BoneCombination record;
                record.AttribId = groups[b].attribute;
                record.FaceStart = faceStart;
                record.FaceCount = static_cast<std::uint32_t>(groups[b].faces.size());
                record.VertexStart = vertexStart;
                record.VertexCount = static_cast<std::uint32_t>(
                    std::count(combinationOf.begin(), combinationOf.end(), static_cast<std::uint32_t>(b)));
                record.BoneId = ids + b * paletteSize;
                for (std::uint32_t k = 0; k < paletteSize; ++k)
                {
                    record.BoneId[k] = k < groups[b].bones.size() ? groups[b].bones[k] : NoBone;
                }
                faceStart += record.FaceCount;
                vertexStart += record.VertexCount;
                std::memcpy(base + b * sizeof(BoneCombination), &record, sizeof record);
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        if (remap != nullptr)
        {
            remap->Release();
        }
        result->Release();
        return Gfx::OutOfMemory;
    }

    if (adjacencyOut != nullptr)
    {
        std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
    }
    if (faceRemap != nullptr)
    {
        // order holds each new face's number before the sort, which is its old number too.
        std::copy(order.begin(), order.end(), faceRemap);
    }
    if (vertexRemap != nullptr)
    {
        *vertexRemap = remap;
    }
    if (maxVertexInfluences != nullptr)
    {
        *maxVertexInfluences = most;
    }
    if (combinationCount != nullptr)
    {
        *combinationCount = static_cast<std::uint32_t>(groups.size());
    }
    if (combinations != nullptr)
    {
        *combinations = records;
    }
    *blended = result;
    return Ok;
}

} // namespace Platform::GfxKit
