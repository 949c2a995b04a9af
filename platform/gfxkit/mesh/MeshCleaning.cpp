// Cleaning (bow-ties, back-to-back faces) and welding: vertices are found through sorts and hashes of
// their corners and positions, never by comparing all pairs.

#include "platform/gfxkit/mesh/ElementValues.h"
#include "platform/gfxkit/mesh/MeshGeometry.h"
#include "platform/gfxkit/mesh/MeshPreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <string>

namespace Platform::GfxKit
{

using namespace Gfx;

namespace
{

std::vector<std::uint32_t> AdjacencyOf(const Mesh& mesh, const std::uint32_t* adjacency)
{
    if (adjacency != nullptr)
    {
        return {adjacency, adjacency + std::size_t(mesh.GetNumFaces()) * 3};
    }
    std::vector<std::uint32_t> generated(std::size_t(mesh.GetNumFaces()) * 3);
    mesh.GenerateAdjacency(0.0f, generated.data());
    return generated;
}

// The vertices with `copies` appended (copies[i] names the vertex the i-th new one copies).
std::vector<std::uint8_t> WithCopies(const Mesh& mesh, const std::vector<std::uint32_t>& copies)
{
    const std::uint32_t stride = mesh.GetNumBytesPerVertex();
    std::vector<std::uint8_t> bytes(mesh.Vertex(0), mesh.Vertex(0) + std::size_t(mesh.GetNumVertices()) * stride);
    bytes.reserve(bytes.size() + copies.size() * stride);
    for (std::uint32_t source : copies)
    {
        bytes.insert(bytes.end(), mesh.Vertex(source), mesh.Vertex(source) + stride);
    }
    return bytes;
}

struct FindRoot
{
    std::vector<std::uint32_t>& parent;
    std::uint32_t operator()(std::uint32_t x) const
    {
        while (parent[x] != x)
        {
            parent[x] = parent[parent[x]];
            x = parent[x];
        }
        return x;
    }
};

// Back-facing: a face with the same three vertices as an earlier one in the opposite winding.
void SplitBackFacing(std::vector<std::uint32_t>& indices, std::uint32_t& vertexCount,
                     std::vector<std::uint32_t>& copies, std::uint32_t originalVertices)
{
    std::map<std::array<std::uint32_t, 3>, std::vector<bool>> seen; // sorted corners → windings met
    const std::size_t faces = indices.size() / 3;
    for (std::size_t f = 0; f < faces; ++f)
    {
        std::uint32_t* corner = &indices[f * 3];
        if (corner[0] == corner[1] || corner[1] == corner[2] || corner[0] == corner[2])
        {
            continue; // degenerate faces are valid and stay as they are
        }
        std::array<std::uint32_t, 3> sorted = {corner[0], corner[1], corner[2]};
        std::sort(sorted.begin(), sorted.end());
        // The winding: whether the corners in face order are an even rotation of the sorted ones.
        const std::uint32_t first = static_cast<std::uint32_t>(std::min_element(corner, corner + 3) - corner);
        const bool even = corner[(first + 1) % 3] == sorted[1];
        std::vector<bool>& windings = seen[sorted];
        if (std::find(windings.begin(), windings.end(), !even) != windings.end())
        {
            for (int k = 0; k < 3; ++k)
            {
                const std::uint32_t source = corner[k] < originalVertices ? corner[k] : copies[corner[k] - originalVertices];
                copies.push_back(source);
                corner[k] = vertexCount++;
            }
        }
        else
        {
            windings.push_back(even);
        }
    }
}

// Bow-ties: the faces around a vertex fall into fans joined through the adjacency across edges at the
// vertex; every fan after the first gets its own copy of the vertex.
void SplitBowties(std::vector<std::uint32_t>& indices, const std::vector<std::uint32_t>& adjacency,
                  std::uint32_t& vertexCount, std::vector<std::uint32_t>& copies, std::uint32_t originalVertices)
{
    const std::size_t faces = indices.size() / 3;
    // Corners grouped by vertex through a sort.
    std::vector<std::uint32_t> corners(indices.size());
    std::iota(corners.begin(), corners.end(), 0u);
    std::stable_sort(corners.begin(), corners.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return indices[a] < indices[b]; });
    std::vector<std::uint32_t> parent(indices.size());
    std::iota(parent.begin(), parent.end(), 0u);
    const FindRoot find{parent};
    for (std::size_t f = 0; f < faces; ++f)
    {
        for (std::uint32_t k = 0; k < 3; ++k)
        {
            const std::uint32_t g = adjacency[f * 3 + k];
            if (g >= faces)
            {
                continue;
            }
            // Both ends of the shared edge: the corner of f joins the corner of g with the same vertex.
            for (const std::uint32_t end : {k, (k + 1) % 3})
            {
                const std::uint32_t vertex = indices[f * 3 + end];
                for (std::uint32_t j = 0; j < 3; ++j)
                {
                    if (indices[std::size_t(g) * 3 + j] == vertex)
                    {
                        const std::uint32_t a = find(static_cast<std::uint32_t>(f * 3 + end));
                        const std::uint32_t b = find(g * 3 + j);
                        parent[std::max(a, b)] = std::min(a, b);
                    }
                }
            }
        }
    }
    for (std::size_t i = 0; i < corners.size();)
    {
        std::size_t end = i + 1;
        while (end < corners.size() && indices[corners[end]] == indices[corners[i]])
        {
            ++end;
        }
        // The fan of the lowest corner keeps the vertex; each other fan gets one copy.
        const std::uint32_t vertex = indices[corners[i]];
        const std::uint32_t firstFan = find(corners[i]);
        std::map<std::uint32_t, std::uint32_t> copyOfFan;
        for (std::size_t c = i; c < end; ++c)
        {
            const std::uint32_t fan = find(corners[c]);
            if (fan == firstFan)
            {
                continue;
            }
            auto [slot, added] = copyOfFan.try_emplace(fan, vertexCount);
            if (added)
            {
                copies.push_back(vertex < originalVertices ? vertex : copies[vertex - originalVertices]);
                ++vertexCount;
            }
            indices[corners[c]] = slot->second;
        }
        i = end;
    }
}

} // namespace

Result CleanMesh(std::uint32_t flags, Mesh* mesh, const std::uint32_t* adjacencyIn, Mesh** cleaned,
                 std::uint32_t* adjacencyOut, ByteBuffer** errors)
{
    if (cleaned != nullptr)
    {
        *cleaned = nullptr;
    }
    if (errors != nullptr)
    {
        *errors = nullptr;
    }
    if (mesh == nullptr || cleaned == nullptr)
    {
        return InvalidCall;
    }
    std::vector<std::uint32_t> indices = mesh->Indices();
    const std::uint32_t originalVertices = mesh->GetNumVertices();
    std::string problems;
    for (std::size_t i = 0; i < indices.size(); ++i)
    {
        if (indices[i] >= originalVertices)
        {
            problems += "face " + std::to_string(i / 3) + " uses vertex " + std::to_string(indices[i]) +
                        ", but the mesh has " + std::to_string(originalVertices) + " vertices\n";
        }
    }
    if (!problems.empty())
    {
        if (errors != nullptr && Succeeded(CreateBuffer(static_cast<std::uint32_t>(problems.size() + 1), errors)))
        {
            std::memcpy((*errors)->GetBufferPointer(), problems.c_str(), problems.size() + 1);
        }
        return InvalidMesh;
    }
    const std::vector<std::uint32_t> adjacency = AdjacencyOf(*mesh, adjacencyIn);
    std::uint32_t vertexCount = originalVertices;
    std::vector<std::uint32_t> copies;
    if (flags & CleanFlag::BackFacing)
    {
        SplitBackFacing(indices, vertexCount, copies, originalVertices);
    }
    if (flags & CleanFlag::Bowties)
    {
        SplitBowties(indices, adjacency, vertexCount, copies, originalVertices);
    }
    if (!(mesh->GetOptions() & MeshOption::Use32Bit) && vertexCount > 0xFFFF)
    {
        return InvalidCall;
    }
    VertexElement declaration[MaxDeclarationLength];
    mesh->GetDeclaration(declaration);
    Device* device = nullptr;
    mesh->GetDevice(&device);
    Mesh* made = nullptr;
    Result result = CreateMesh(mesh->GetNumFaces(), vertexCount, mesh->GetOptions(), declaration, device, &made);
    device->Release();
    if (Failed(result))
    {
        return result;
    }
    made->SetVertexBytes(WithCopies(*mesh, copies));
    made->SetIndices(indices);
    made->SetAttributes(mesh->Attributes());
    std::uint32_t entries = 0;
    mesh->GetAttributeTable(nullptr, &entries);
    if (entries > 0)
    {
        made->BuildAttributeTable();
    }
    if (adjacencyOut != nullptr)
    {
        std::copy(adjacency.begin(), adjacency.end(), adjacencyOut);
    }
    *cleaned = made;
    return Ok;
}

namespace
{

// The epsilon of an element's usage, or a negative value for elements compared byte for byte.
float EpsilonOf(const VertexElement& element, const WeldEpsilons& epsilons)
{
    switch (element.Usage)
    {
    case DeclUsage::Position:
        return element.UsageIndex == 0 ? epsilons.Position : -1.0f;
    case DeclUsage::BlendWeight:
        return epsilons.BlendWeights;
    case DeclUsage::Normal:
        return epsilons.Normal;
    case DeclUsage::PointSize:
        return epsilons.PSize;
    case DeclUsage::Color:
        return element.UsageIndex == 0 ? epsilons.Diffuse : element.UsageIndex == 1 ? epsilons.Specular : -1.0f;
    case DeclUsage::TexCoord:
        return element.UsageIndex < 8 ? epsilons.Texcoord[element.UsageIndex] : -1.0f;
    case DeclUsage::Tangent:
        return epsilons.Tangent;
    case DeclUsage::Binormal:
        return epsilons.Binormal;
    case DeclUsage::TessFactor:
        return epsilons.TessFactor;
    default:
        return -1.0f;
    }
}

bool Within(const Vector4& a, const Vector4& b, float epsilon)
{
    return std::fabs(a.x - b.x) <= epsilon && std::fabs(a.y - b.y) <= epsilon && std::fabs(a.z - b.z) <= epsilon &&
           std::fabs(a.w - b.w) <= epsilon;
}

} // namespace

Result WeldVertices(Mesh* mesh, std::uint32_t flags, const WeldEpsilons* epsilons, const std::uint32_t* adjacencyIn,
                    std::uint32_t* adjacencyOut, std::uint32_t* faceRemap, ByteBuffer** vertexRemap)
{
    (void)adjacencyIn; // the welded mesh's adjacency is made anew
    if (vertexRemap != nullptr)
    {
        *vertexRemap = nullptr;
    }
    if (mesh == nullptr || (flags & (WeldFlag::WeldAll | WeldFlag::DoNotRemoveVertices)))
    {
        return InvalidCall;
    }
    const WeldEpsilons tolerances = epsilons != nullptr ? *epsilons : WeldEpsilons{};
    const std::uint32_t stride = mesh->GetNumBytesPerVertex();
    const std::uint32_t vertexCount = mesh->GetNumVertices();
    std::vector<std::uint8_t> bytes(mesh->Vertex(0), mesh->Vertex(0) + std::size_t(vertexCount) * stride);
    std::vector<VertexElement> elements;
    std::vector<float> elementEpsilons;
    for (const VertexElement& element : mesh->Elements())
    {
        if (element.Stream == 0)
        {
            elements.push_back(element);
            elementEpsilons.push_back(EpsilonOf(element, tolerances));
        }
    }
    const auto vertex = [&](std::uint32_t v) { return bytes.data() + std::size_t(v) * stride; };
    const auto matches = [&](std::uint32_t a, std::uint32_t b) {
        for (std::size_t e = 0; e < elements.size(); ++e)
        {
            const VertexElement& element = elements[e];
            const std::uint32_t size = ElementSize(element.Type);
            if (elementEpsilons[e] < 0.0f)
            {
                if (std::memcmp(vertex(a) + element.Offset, vertex(b) + element.Offset, size) != 0)
                {
                    return false;
                }
            }
            else if (!Within(ReadElement(element.Type, vertex(a) + element.Offset),
                             ReadElement(element.Type, vertex(b) + element.Offset), elementEpsilons[e]))
            {
                return false;
            }
        }
        return true;
    };
    const auto takePartial = [&](std::uint32_t kept, std::uint32_t other) {
        for (std::size_t e = 0; e < elements.size(); ++e)
        {
            if (elementEpsilons[e] < 0.0f)
            {
                continue;
            }
            const VertexElement& element = elements[e];
            const Vector4 a = ReadElement(element.Type, vertex(kept) + element.Offset);
            Vector4 b = ReadElement(element.Type, vertex(other) + element.Offset);
            const float eps = elementEpsilons[e];
            float* bc[4] = {&b.x, &b.y, &b.z, &b.w};
            const float ac[4] = {a.x, a.y, a.z, a.w};
            bool changed = false;
            for (int c = 0; c < 4; ++c)
            {
                if (*bc[c] != ac[c] && std::fabs(*bc[c] - ac[c]) <= eps)
                {
                    *bc[c] = ac[c];
                    changed = true;
                }
            }
            if (changed)
            {
                WriteElement(element.Type, b, vertex(other) + element.Offset);
            }
        }
    };

    // Candidates share a position group; within a group each vertex merges into the lowest-numbered
    // surviving vertex it matches.
    const std::vector<Vector3> positions = MeshPositions(*mesh);
    const std::vector<std::uint32_t> groups = PositionGroups(positions, tolerances.Position);
    std::vector<std::uint32_t> order(vertexCount);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return groups[a] < groups[b]; });
    std::vector<std::uint32_t> target(vertexCount);
    std::iota(target.begin(), target.end(), 0u);
    for (std::size_t i = 0; i < order.size();)
    {
        std::size_t end = i + 1;
        while (end < order.size() && groups[order[end]] == groups[order[i]])
        {
            ++end;
        }
        std::vector<std::uint32_t> survivors;
        for (std::size_t j = i; j < end; ++j)
        {
            const std::uint32_t v = order[j];
            bool merged = false;
            for (std::uint32_t s : survivors)
            {
                if (matches(s, v))
                {
                    target[v] = s;
                    merged = true;
                    break;
                }
            }
            if (merged)
            {
                continue;
            }
            if (flags & WeldFlag::WeldPartialMatches)
            {
                for (std::uint32_t s : survivors)
                {
                    const Vector3& p = positions[s];
                    const Vector3& q = positions[v];
                    if (std::fabs(p.x - q.x) <= tolerances.Position && std::fabs(p.y - q.y) <= tolerances.Position &&
                        std::fabs(p.z - q.z) <= tolerances.Position)
                    {
                        takePartial(s, v);
                    }
                }
            }
            survivors.push_back(v);
        }
        i = end;
    }

    std::vector<std::uint32_t> indices = mesh->Indices();
    std::vector<bool> used(vertexCount, false);
    for (std::uint32_t& index : indices)
    {
        index = index < vertexCount ? target[index] : 0;
        used[index] = true;
    }
    std::vector<std::uint32_t> kept;
    std::vector<std::uint32_t> newIndexOf(vertexCount, 0);
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        if (used[v])
        {
            newIndexOf[v] = static_cast<std::uint32_t>(kept.size());
            kept.push_back(v);
        }
    }
    std::vector<std::uint8_t> keptBytes(kept.size() * stride);
    for (std::size_t v = 0; v < kept.size(); ++v)
    {
        std::memcpy(keptBytes.data() + v * stride, vertex(kept[v]), stride);
    }
    for (std::uint32_t& index : indices)
    {
        index = newIndexOf[index];
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
    std::uint32_t entries = 0;
    mesh->GetAttributeTable(nullptr, &entries);
    const Result rebuilt = mesh->Rebuild(mesh->GetNumFaces(), static_cast<std::uint32_t>(kept.size()), keptBytes,
                                         indices, mesh->Attributes());
    if (Failed(rebuilt))
    {
        if (remap != nullptr)
        {
            remap->Release();
        }
        return rebuilt;
    }
    if (entries > 0)
    {
        mesh->BuildAttributeTable();
    }
    if (adjacencyOut != nullptr)
    {
        mesh->GenerateAdjacency(0.0f, adjacencyOut);
    }
    if (faceRemap != nullptr)
    {
        std::iota(faceRemap, faceRemap + mesh->GetNumFaces(), 0u);
    }
    if (vertexRemap != nullptr)
    {
        *vertexRemap = remap;
    }
    return Ok;
}

} // namespace Platform::GfxKit
