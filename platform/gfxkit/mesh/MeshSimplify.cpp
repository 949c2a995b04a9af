// Simplification by half-edge collapses chosen by least quadric error: a vertex moves onto a neighbour
// (which keeps its data), the faces across their edge go. Collapses come from a heap whose stale entries
// are dropped or re-costed when they come up, so the work grows as n log n.

#include "platform/gfxkit/mesh/MeshGeometry.h"
#include "platform/gfxkit/mesh/MeshPreparation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <queue>

namespace Platform::GfxKit
{

using namespace Gfx;

namespace
{

// The symmetric 4 × 4 error quadric of a set of planes: the sum of squared distances to them.
struct Quadric
{
    std::array<double, 10> q{};

    void AddPlane(double a, double b, double c, double d)
    {
        const double plane[4] = {a, b, c, d};
        int i = 0;
        for (int r = 0; r < 4; ++r)
        {
            for (int col = r; col < 4; ++col)
            {
                q[i++] += plane[r] * plane[col];
            }
        }
    }

    void Add(const Quadric& other)
    {
        for (int i = 0; i < 10; ++i)
        {
            q[i] += other.q[i];
        }
    }

    double Error(const Vector3& p) const
    {
        const double v[4] = {p.x, p.y, p.z, 1.0};
        double sum = 0;
        int i = 0;
        for (int r = 0; r < 4; ++r)
        {
            for (int col = r; col < 4; ++col)
            {
                sum += (r == col ? 1.0 : 2.0) * q[i++] * v[r] * v[col];
            }
        }
        return std::max(sum, 0.0);
    }
};

Vector3 Minus(const Vector3& a, const Vector3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

struct Collapse
{
    double cost;
    std::uint32_t from; // the vertex that goes
    std::uint32_t to;   // the vertex that stays
    bool operator>(const Collapse& other) const
    {
        return cost > other.cost || (cost == other.cost && (from > other.from || (from == other.from && to > other.to)));
    }
};

class Simplifier
{
public:
    Simplifier(const Mesh& mesh, const std::vector<std::uint32_t>& adjacency)
        : positions_(MeshPositions(mesh)), indices_(mesh.Indices()), attributes_(mesh.Attributes()),
          faceAlive_(mesh.GetNumFaces(), true), locked_(mesh.GetNumVertices(), false),
          removed_(mesh.GetNumVertices(), false), quadrics_(mesh.GetNumVertices()), facesOf_(mesh.GetNumVertices())
    {
        const std::size_t faces = indices_.size() / 3;
        for (std::uint32_t f = 0; f < faces; ++f)
        {
            for (std::uint32_t k = 0; k < 3; ++k)
            {
                const std::uint32_t g = adjacency[std::size_t(f) * 3 + k];
                // Outlines and material borders keep their vertices.
                if (g >= faces || attributes_[g] != attributes_[f])
                {
                    locked_[indices_[f * 3 + k]] = true;
                    locked_[indices_[f * 3 + (k + 1) % 3]] = true;
                }
                facesOf_[indices_[f * 3 + k]].push_back(f);
            }
            const Vector3 n = Normal(f);
            const double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
            if (length > 0)
            {
                const Vector3& p = positions_[indices_[f * 3]];
                const double a = n.x / length;
                const double b = n.y / length;
                const double c = n.z / length;
                Quadric plane;
                plane.AddPlane(a, b, c, -(a * p.x + b * p.y + c * p.z));
                for (int k = 0; k < 3; ++k)
                {
                    quadrics_[indices_[f * 3 + k]].Add(plane);
                }
            }
        }
        // Seams: vertices sharing a position with another vertex stay, so no crack opens.
        const std::vector<std::uint32_t> groups = PositionGroups(positions_, 0.0f);
        std::vector<std::uint32_t> groupSize(groups.size(), 0);
        for (std::uint32_t group : groups)
        {
            ++groupSize[group];
        }
        for (std::uint32_t v = 0; v < groups.size(); ++v)
        {
            locked_[v] = locked_[v] || groupSize[groups[v]] > 1;
        }
        for (std::uint32_t v = 0; v < facesOf_.size(); ++v)
        {
            usedVertices_ += facesOf_[v].empty() ? 0 : 1;
        }
        faceCount_ = static_cast<std::uint32_t>(faces);
    }

    void Run(std::uint32_t target, bool countFaces)
    {
        for (std::uint32_t f = 0; f < faceCount_; ++f)
        {
            for (std::uint32_t k = 0; k < 3; ++k)
            {
                Push(indices_[f * 3 + k], indices_[f * 3 + (k + 1) % 3]);
                Push(indices_[f * 3 + (k + 1) % 3], indices_[f * 3 + k]);
            }
        }
        std::uint32_t faces = faceCount_;
        while (!heap_.empty() && (countFaces ? faces : usedVertices_) > target)
        {
            const Collapse top = heap_.top();
            heap_.pop();
            if (removed_[top.from] || removed_[top.to])
            {
                continue;
            }
            const double cost = Cost(top.from, top.to);
            if (cost > top.cost * (1 + 1e-9) + 1e-30)
            {
                heap_.push({cost, top.from, top.to});
                continue;
            }
            const std::uint32_t vanishing = TryCollapse(top.from, top.to, countFaces ? faces - target : 1);
            if (vanishing == NoNeighbour)
            {
                continue;
            }
            faces -= vanishing;
            --usedVertices_;
        }
    }

    std::vector<bool>& FaceAlive() { return faceAlive_; }
    const std::vector<std::uint32_t>& Indices() const { return indices_; }

private:
    Vector3 Normal(std::uint32_t f) const
    {
        const Vector3& p0 = positions_[indices_[f * 3]];
        return Vec3Cross(Minus(positions_[indices_[f * 3 + 1]], p0), Minus(positions_[indices_[f * 3 + 2]], p0));
    }

    double Cost(std::uint32_t from, std::uint32_t to) const
    {
        const Vector3 d = Minus(positions_[from], positions_[to]);
        // The edge's length breaks ties between collapses of equal error (on flat parts all are 0).
        return quadrics_[from].Error(positions_[to]) + 1e-9 * (double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
    }

    void Push(std::uint32_t from, std::uint32_t to)
    {
        if (!locked_[from] && from != to)
        {
            heap_.push({Cost(from, to), from, to});
        }
    }

    bool Uses(std::uint32_t f, std::uint32_t v) const
    {
        return indices_[f * 3] == v || indices_[f * 3 + 1] == v || indices_[f * 3 + 2] == v;
    }

    void Neighbours(std::uint32_t v, std::vector<std::uint32_t>& out) const
    {
        out.clear();
        for (std::uint32_t f : facesOf_[v])
        {
            if (!faceAlive_[f])
            {
                continue;
            }
            for (int k = 0; k < 3; ++k)
            {
                if (indices_[f * 3 + k] != v)
                {
                    out.push_back(indices_[f * 3 + k]);
                }
            }
        }
        std::sort(out.begin(), out.end());
        out.erase(std::unique(out.begin(), out.end()), out.end());
    }

    // Moves `from` onto `to` when allowed; the faces that vanish, or NoNeighbour when refused.
    std::uint32_t TryCollapse(std::uint32_t from, std::uint32_t to, std::uint32_t mayVanish)
    {
        std::uint32_t vanishing = 0;
        for (std::uint32_t f : facesOf_[from])
        {
            if (!faceAlive_[f])
            {
                continue;
            }
            if (Uses(f, to))
            {
                ++vanishing;
                continue;
            }
            // The face with `to` in place of `from` must keep its facing and some area.
            const Vector3 before = Normal(f);
            std::array<Vector3, 3> p;
            for (int k = 0; k < 3; ++k)
            {
                const std::uint32_t v = indices_[f * 3 + k];
                p[k] = positions_[v == from ? to : v];
            }
            const Vector3 after = Vec3Cross(Minus(p[1], p[0]), Minus(p[2], p[0]));
            const double dot = double(before.x) * after.x + double(before.y) * after.y + double(before.z) * after.z;
            const double beforeLength = Vec3Length(before);
            const double afterLength = Vec3Length(after);
            if (dot <= 0 || afterLength <= 1e-6 * beforeLength)
            {
                return NoNeighbour;
            }
        }
        if (vanishing == 0 || vanishing > mayVanish)
        {
            return NoNeighbour;
        }
        // The edge's ends may share no neighbour beyond the faces across the edge, or the surface would fold.
        Neighbours(from, scratchA_);
        Neighbours(to, scratchB_);
        std::size_t shared = 0;
        for (std::uint32_t v : scratchA_)
        {
            shared += std::binary_search(scratchB_.begin(), scratchB_.end(), v) ? 1 : 0;
        }
        if (shared != vanishing)
        {
            return NoNeighbour;
        }
        for (std::uint32_t f : facesOf_[from])
        {
            if (!faceAlive_[f])
            {
                continue;
            }
            if (Uses(f, to))
            {
                faceAlive_[f] = false;
                continue;
            }
            for (int k = 0; k < 3; ++k)
            {
                if (indices_[f * 3 + k] == from)
                {
                    indices_[f * 3 + k] = to;
                }
            }
            facesOf_[to].push_back(f);
        }
        facesOf_[from].clear();
        removed_[from] = true;
        quadrics_[to].Add(quadrics_[from]);
        Neighbours(to, scratchA_);
        for (std::uint32_t w : scratchA_)
        {
            Push(w, to);
            Push(to, w);
        }
        return vanishing;
    }

    std::vector<Vector3> positions_;
    std::vector<std::uint32_t> indices_;
    std::vector<std::uint32_t> attributes_;
    std::vector<bool> faceAlive_;
    std::vector<bool> locked_;
    std::vector<bool> removed_;
    std::vector<Quadric> quadrics_;
    std::vector<std::vector<std::uint32_t>> facesOf_;
    std::priority_queue<Collapse, std::vector<Collapse>, std::greater<Collapse>> heap_;
    std::vector<std::uint32_t> scratchA_;
    std::vector<std::uint32_t> scratchB_;
    std::uint32_t usedVertices_ = 0;
    std::uint32_t faceCount_ = 0;
};

} // namespace

Result SimplifyMesh(Mesh* mesh, const std::uint32_t* adjacency, const void* attributeWeights,
                    const float* vertexWeights, std::uint32_t target, std::uint32_t options, Mesh** simplified)
{
    if (simplified != nullptr)
    {
        *simplified = nullptr;
    }
    const bool countFaces = options == SimplifyFlag::Face;
    if (mesh == nullptr || simplified == nullptr || attributeWeights != nullptr || vertexWeights != nullptr ||
        (options != SimplifyFlag::Face && options != SimplifyFlag::Vertex))
    {
        return InvalidCall;
    }
    const std::vector<std::uint32_t> indices = mesh->Indices();
    const std::uint32_t vertexCount = mesh->GetNumVertices();
    if (std::any_of(indices.begin(), indices.end(), [&](std::uint32_t index) { return index >= vertexCount; }))
    {
        return InvalidMesh;
    }
    VertexElement declaration[MaxDeclarationLength];
    mesh->GetDeclaration(declaration);
    Device* device = nullptr;
    mesh->GetDevice(&device);
    if (target >= (countFaces ? mesh->GetNumFaces() : vertexCount))
    {
        const Result result = mesh->CloneMesh(mesh->GetOptions(), declaration, device, simplified);
        device->Release();
        return result;
    }
    std::vector<std::uint32_t> generated;
    if (adjacency == nullptr)
    {
        generated.resize(indices.size());
        mesh->GenerateAdjacency(0.0f, generated.data());
        adjacency = generated.data();
    }
    Simplifier simplifier(*mesh, std::vector<std::uint32_t>(adjacency, adjacency + indices.size()));
    simplifier.Run(target, countFaces);

    // The faces left, in their order, over the vertices they use, in theirs.
    const std::vector<std::uint32_t>& collapsed = simplifier.Indices();
    const std::vector<bool>& alive = simplifier.FaceAlive();
    std::vector<std::uint32_t> newIndexOf(vertexCount, NoNeighbour);
    std::vector<std::uint32_t> kept;
    std::vector<std::uint32_t> newIndices;
    std::vector<std::uint32_t> newAttributes;
    for (std::uint32_t f = 0; f < mesh->GetNumFaces(); ++f)
    {
        if (!alive[f])
        {
            continue;
        }
        for (int k = 0; k < 3; ++k)
        {
            const std::uint32_t v = collapsed[std::size_t(f) * 3 + k];
            if (newIndexOf[v] == NoNeighbour)
            {
                newIndexOf[v] = 0; // numbered below, in vertex order
            }
        }
        newAttributes.push_back(mesh->Attributes()[f]);
    }
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        if (newIndexOf[v] != NoNeighbour)
        {
            newIndexOf[v] = static_cast<std::uint32_t>(kept.size());
            kept.push_back(v);
        }
    }
    for (std::uint32_t f = 0; f < mesh->GetNumFaces(); ++f)
    {
        if (alive[f])
        {
            for (int k = 0; k < 3; ++k)
            {
                newIndices.push_back(newIndexOf[collapsed[std::size_t(f) * 3 + k]]);
            }
        }
    }
    Mesh* made = nullptr;
    const Result result = CreateMesh(static_cast<std::uint32_t>(newAttributes.size()),
                                     static_cast<std::uint32_t>(kept.size()), mesh->GetOptions(), declaration, device,
                                     &made);
    device->Release();
    if (Failed(result))
    {
        return result;
    }
    const std::uint32_t stride = mesh->GetNumBytesPerVertex();
    std::vector<std::uint8_t> bytes(kept.size() * stride);
    for (std::size_t v = 0; v < kept.size(); ++v)
    {
        std::memcpy(bytes.data() + v * stride, mesh->Vertex(kept[v]), stride);
    }
    made->SetVertexBytes(bytes);
    made->SetIndices(newIndices);
    made->SetAttributes(newAttributes);
    std::uint32_t entries = 0;
    mesh->GetAttributeTable(nullptr, &entries);
    if (entries > 0)
    {
        made->BuildAttributeTable();
    }
    *simplified = made;
    return Ok;
}

} // namespace Platform::GfxKit
