// Adjacency and point representatives: positions are grouped through a sort (exact equality) or a
// grid hash (within epsilon), and edges are matched through a sort of their end groups, so the work
// grows as n log n in faces and vertices.

#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/MeshGeometry.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <unordered_map>

namespace Platform::GfxKit
{

using namespace Gfx;

namespace
{

// -0 and +0 are one position.
float Canonical(float value)
{
    return value == 0.0f ? 0.0f : value;
}

std::vector<std::uint32_t> ExactGroups(const std::vector<Vector3>& positions)
{
    std::vector<std::uint32_t> order(positions.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto key = [&](std::uint32_t i) {
        const Vector3& p = positions[i];
        return std::make_tuple(Canonical(p.x), Canonical(p.y), Canonical(p.z));
    };
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const auto ka = key(a);
        const auto kb = key(b);
        return ka < kb || (!(kb < ka) && a < b);
    });
    std::vector<std::uint32_t> groups(positions.size());
    for (std::size_t i = 0; i < order.size();)
    {
        std::size_t end = i + 1;
        while (end < order.size() && key(order[end]) == key(order[i]))
        {
            ++end;
        }
        for (std::size_t j = i; j < end; ++j)
        {
            groups[order[j]] = order[i]; // the lowest-numbered of the group sorts first
        }
        i = end;
    }
    return groups;
}

std::vector<std::uint32_t> NearGroups(const std::vector<Vector3>& positions, float epsilon)
{
    const auto cell = [epsilon](float value) {
        const double scaled = std::floor(static_cast<double>(value) / epsilon);
        return static_cast<std::int64_t>(std::clamp(scaled, -1e15, 1e15));
    };
    const auto cellKey = [](std::int64_t x, std::int64_t y, std::int64_t z) {
        std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
        h ^= static_cast<std::uint64_t>(z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
        return h;
    };
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> cells;
    cells.reserve(positions.size());
    std::vector<std::uint32_t> groups(positions.size());
    for (std::uint32_t i = 0; i < positions.size(); ++i)
    {
        const Vector3& p = positions[i];
        const std::int64_t cx = cell(p.x);
        const std::int64_t cy = cell(p.y);
        const std::int64_t cz = cell(p.z);
        std::uint32_t best = i;
        for (std::int64_t dx = -1; dx <= 1; ++dx)
        {
            for (std::int64_t dy = -1; dy <= 1; ++dy)
            {
                for (std::int64_t dz = -1; dz <= 1; ++dz)
                {
                    const auto found = cells.find(cellKey(cx + dx, cy + dy, cz + dz));
                    if (found == cells.end())
                    {
                        continue;
                    }
                    for (std::uint32_t j : found->second)
                    {
                        const Vector3& q = positions[j];
                        if (j < best && std::fabs(p.x - q.x) <= epsilon && std::fabs(p.y - q.y) <= epsilon &&
                            std::fabs(p.z - q.z) <= epsilon)
                        {
                            best = j;
                        }
                    }
                }
            }
        }
        groups[i] = best == i ? i : groups[best];
        cells[cellKey(cx, cy, cz)].push_back(i);
    }
    return groups;
}

struct Edge
{
    std::uint64_t key; // (group of the start) << 32 | group of the end
    std::uint32_t face;
    std::uint32_t corner;
};

} // namespace

std::vector<Vector3> MeshPositions(const Mesh& mesh)
{
    std::vector<Vector3> positions(mesh.GetNumVertices());
    for (std::uint32_t v = 0; v < positions.size(); ++v)
    {
        positions[v] = mesh.Position(v);
    }
    return positions;
}

std::vector<std::uint32_t> PositionGroups(const std::vector<Vector3>& positions, float epsilon)
{
    return epsilon > 0.0f ? NearGroups(positions, epsilon) : ExactGroups(positions);
}

void FaceAdjacency(const std::vector<std::uint32_t>& indices, const std::vector<std::uint32_t>& groups,
                   std::uint32_t* adjacency)
{
    const std::size_t faces = indices.size() / 3;
    // An index past the vertices is a group of its own, different from every vertex's.
    const auto group = [&](std::size_t face, std::uint32_t corner) {
        const std::uint32_t index = indices[face * 3 + corner % 3];
        return index < groups.size() ? groups[index] : index;
    };
    std::vector<Edge> edges;
    edges.reserve(indices.size());
    for (std::uint32_t f = 0; f < faces; ++f)
    {
        for (std::uint32_t k = 0; k < 3; ++k)
        {
            const std::uint32_t from = group(f, k);
            const std::uint32_t to = group(f, k + 1);
            if (from != to)
            {
                edges.push_back({std::uint64_t(from) << 32 | to, f, k});
            }
        }
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
        return a.key < b.key || (a.key == b.key && (a.face < b.face || (a.face == b.face && a.corner < b.corner)));
    });
    std::fill(adjacency, adjacency + indices.size(), NoNeighbour);
    for (std::uint32_t f = 0; f < faces; ++f)
    {
        for (std::uint32_t k = 0; k < 3; ++k)
        {
            const std::uint32_t from = group(f, k);
            const std::uint32_t to = group(f, k + 1);
            if (adjacency[f * 3 + k] != NoNeighbour || from == to)
            {
                continue;
            }
            const std::uint64_t twin = std::uint64_t(to) << 32 | from;
            auto candidate = std::lower_bound(edges.begin(), edges.end(), twin,
                                              [](const Edge& e, std::uint64_t key) { return e.key < key; });
            for (; candidate != edges.end() && candidate->key == twin; ++candidate)
            {
                const std::uint32_t g = candidate->face;
                std::uint32_t* own = adjacency + std::size_t(f) * 3;
                if (g == f || adjacency[std::size_t(g) * 3 + candidate->corner] != NoNeighbour || own[0] == g ||
                    own[1] == g || own[2] == g)
                {
                    continue;
                }
                own[k] = g;
                adjacency[std::size_t(g) * 3 + candidate->corner] = f;
                break;
            }
        }
    }
}

Result Mesh::GenerateAdjacency(float epsilon, std::uint32_t* adjacency) const
{
    if (adjacency == nullptr || !(epsilon >= 0.0f))
    {
        return InvalidCall;
    }
    FaceAdjacency(Indices(), PositionGroups(MeshPositions(*this), epsilon), adjacency);
    return Ok;
}

Result Mesh::ConvertAdjacencyToPointReps(const std::uint32_t* adjacency, std::uint32_t* pointReps) const
{
    if (pointReps == nullptr)
    {
        return InvalidCall;
    }
    const std::vector<std::uint32_t> indices = Indices();
    std::vector<std::uint32_t> generated;
    if (adjacency == nullptr)
    {
        generated.resize(indices.size());
        GenerateAdjacency(0.0f, generated.data());
        adjacency = generated.data();
    }
    // Union-find whose root is always the lowest-numbered vertex of its group.
    std::vector<std::uint32_t> parent(vertexCount_);
    std::iota(parent.begin(), parent.end(), 0u);
    const auto find = [&](std::uint32_t v) {
        while (parent[v] != v)
        {
            parent[v] = parent[parent[v]];
            v = parent[v];
        }
        return v;
    };
    const auto join = [&](std::uint32_t a, std::uint32_t b) {
        if (a >= vertexCount_ || b >= vertexCount_)
        {
            return;
        }
        const Vector3 pa = Position(a);
        const Vector3 pb = Position(b);
        if (pa.x != pb.x || pa.y != pb.y || pa.z != pb.z)
        {
            return;
        }
        a = find(a);
        b = find(b);
        parent[std::max(a, b)] = std::min(a, b);
    };
    for (std::uint32_t f = 0; f < faceCount_; ++f)
    {
        for (std::uint32_t k = 0; k < 3; ++k)
        {
            const std::uint32_t g = adjacency[std::size_t(f) * 3 + k];
            if (g >= faceCount_)
            {
                continue;
            }
            for (std::uint32_t j = 0; j < 3; ++j)
            {
                if (adjacency[std::size_t(g) * 3 + j] != f)
                {
                    continue;
                }
                // f's edge runs p → q, g's matching edge q' → p'.
                join(indices[std::size_t(f) * 3 + k], indices[std::size_t(g) * 3 + (j + 1) % 3]);
                join(indices[std::size_t(f) * 3 + (k + 1) % 3], indices[std::size_t(g) * 3 + j]);
                break;
            }
        }
    }
    for (std::uint32_t v = 0; v < vertexCount_; ++v)
    {
        pointReps[v] = find(v);
    }
    return Ok;
}

} // namespace Platform::GfxKit
