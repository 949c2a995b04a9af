#include "platform/gfxkit/mesh/Shapes.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace Platform::GfxKit
{

using namespace Gfx;

namespace
{

constexpr float TwoPi = 2.0f * std::numbers::pi_v<float>;

Vector3 operator+(Vector3 a, Vector3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vector3 operator-(Vector3 a, Vector3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 operator*(Vector3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}

Vector3 Normalized(Vector3 v)
{
    Vec3Normalize(&v, &v);
    return v;
}

// Vertices and triangles of a shape; each triangle is turned to face the outward direction given.
class ShapeBuilder
{
public:
    std::uint32_t Add(Vector3 position, Vector3 normal)
    {
        positions_.push_back(position);
        normals_.push_back(normal);
        return static_cast<std::uint32_t>(positions_.size() - 1);
    }

    void Triangle(std::uint32_t a, std::uint32_t b, std::uint32_t c, Vector3 outward)
    {
        const Vector3 cross = Vec3Cross(positions_[b] - positions_[a], positions_[c] - positions_[a]);
        if (Vec3Dot(cross, outward) < 0)
        {
            std::swap(b, c);
        }
        indices_.insert(indices_.end(), {a, b, c});
    }

    // A quad a-b-c-d around its edge, split along a-c.
    void Quad(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d, Vector3 outward)
    {
        Triangle(a, b, c, outward);
        Triangle(a, c, d, outward);
    }

    const Vector3& Position(std::uint32_t v) const { return positions_[v]; }

    // Normals as the average of the faces around each vertex (for shapes without analytic normals).
    void SmoothNormals()
    {
        normals_.assign(positions_.size(), Vector3{});
        for (std::size_t i = 0; i < indices_.size(); i += 3)
        {
            const Vector3 n = Vec3Cross(positions_[indices_[i + 1]] - positions_[indices_[i]],
                                        positions_[indices_[i + 2]] - positions_[indices_[i]]);
            for (int k = 0; k < 3; ++k)
            {
                normals_[indices_[i + k]] = normals_[indices_[i + k]] + n;
            }
        }
        for (Vector3& n : normals_)
        {
            n = Normalized(n);
        }
    }

    Result Finish(Device* device, Mesh** mesh, ByteBuffer** adjacency) const
    {
        if (adjacency != nullptr)
        {
            *adjacency = nullptr;
        }
        Mesh* made = nullptr;
        Result result = CreateMeshFVF(static_cast<std::uint32_t>(indices_.size() / 3),
                                      static_cast<std::uint32_t>(positions_.size()), MeshOption::Managed,
                                      Fvf::Xyz | Fvf::Normal, device, &made);
        if (Failed(result))
        {
            return result;
        }
        std::vector<std::uint8_t> bytes(positions_.size() * 24);
        for (std::size_t v = 0; v < positions_.size(); ++v)
        {
            std::memcpy(bytes.data() + v * 24, &positions_[v], 12);
            std::memcpy(bytes.data() + v * 24 + 12, &normals_[v], 12);
        }
        made->SetVertexBytes(bytes);
        made->SetIndices(indices_);
        if (adjacency != nullptr)
        {
            result = CreateBuffer(static_cast<std::uint32_t>(indices_.size() * 4), adjacency);
            if (Failed(result))
            {
                made->Release();
                return result;
            }
            made->GenerateAdjacency(0.0f, static_cast<std::uint32_t*>((*adjacency)->GetBufferPointer()));
        }
        *mesh = made;
        return Ok;
    }

private:
    std::vector<Vector3> positions_;
    std::vector<Vector3> normals_;
    std::vector<std::uint32_t> indices_;
};

bool CanMake(Device* device, Mesh** mesh, ByteBuffer** adjacency)
{
    if (mesh != nullptr)
    {
        *mesh = nullptr;
    }
    if (adjacency != nullptr)
    {
        *adjacency = nullptr;
    }
    return device != nullptr && mesh != nullptr;
}

// A closed surface turned around the y axis from a profile of (radius, height) points that starts and
// ends on the axis.
void Lathe(ShapeBuilder& shape, const std::vector<std::pair<float, float>>& profile, std::uint32_t segments)
{
    const auto point = [&](std::size_t i, std::uint32_t s) {
        const float angle = TwoPi * static_cast<float>(s % segments) / static_cast<float>(segments);
        return Vector3{profile[i].first * std::cos(angle), profile[i].second, profile[i].first * std::sin(angle)};
    };
    const std::uint32_t bottom = shape.Add(point(0, 0), {});
    std::vector<std::uint32_t> previous(segments, bottom);
    for (std::size_t i = 1; i < profile.size(); ++i)
    {
        const bool pole = i + 1 == profile.size();
        std::vector<std::uint32_t> ring(segments);
        const std::uint32_t top = pole ? shape.Add(point(i, 0), {}) : 0;
        for (std::uint32_t s = 0; s < segments; ++s)
        {
            ring[s] = pole ? top : shape.Add(point(i, s), {});
        }
        const float dr = profile[i].first - profile[i - 1].first;
        const float dy = profile[i].second - profile[i - 1].second;
        for (std::uint32_t s = 0; s < segments; ++s)
        {
            const std::uint32_t next = (s + 1) % segments;
            const float angle = TwoPi * (static_cast<float>(s) + 0.5f) / static_cast<float>(segments);
            const Vector3 outward{dy * std::cos(angle), -dr, dy * std::sin(angle)};
            if (i == 1)
            {
                shape.Triangle(bottom, ring[s], ring[next], outward);
            }
            else if (pole)
            {
                shape.Triangle(previous[s], previous[next], top, outward);
            }
            else
            {
                shape.Quad(previous[s], previous[next], ring[next], ring[s], outward);
            }
        }
        previous = std::move(ring);
    }
}

// A tube of that radius swept along a path, closed by a flat cap at each end.
void Tube(ShapeBuilder& shape, const std::vector<Vector3>& path, float radius, std::uint32_t sides)
{
    std::vector<std::vector<std::uint32_t>> rings;
    Vector3 side{0, 0, 1};
    for (std::size_t k = 0; k < path.size(); ++k)
    {
        const Vector3 tangent =
            Normalized(path[std::min(k + 1, path.size() - 1)] - path[k > 0 ? k - 1 : 0]);
        // Keep the ring's frame turning smoothly: the side vector is made perpendicular to the tangent.
        side = Normalized(side - tangent * Vec3Dot(side, tangent));
        const Vector3 up = Vec3Cross(tangent, side);
        std::vector<std::uint32_t> ring(sides);
        for (std::uint32_t s = 0; s < sides; ++s)
        {
            const float angle = TwoPi * static_cast<float>(s) / static_cast<float>(sides);
            ring[s] = shape.Add(path[k] + (side * std::cos(angle) + up * std::sin(angle)) * radius, {});
        }
        rings.push_back(std::move(ring));
    }
    for (std::size_t k = 1; k < rings.size(); ++k)
    {
        for (std::uint32_t s = 0; s < sides; ++s)
        {
            const std::uint32_t next = (s + 1) % sides;
            const Vector3 middle = (path[k] + path[k - 1]) * 0.5f;
            const Vector3 outward = shape.Position(rings[k][s]) - middle;
            shape.Quad(rings[k - 1][s], rings[k - 1][next], rings[k][next], rings[k][s], outward);
        }
    }
    for (const bool start : {true, false})
    {
        const std::size_t k = start ? 0 : path.size() - 1;
        const Vector3 outward =
            start ? path[0] - path[1] : path[path.size() - 1] - path[path.size() - 2];
        const std::uint32_t centre = shape.Add(path[k], {});
        for (std::uint32_t s = 0; s < sides; ++s)
        {
            shape.Triangle(centre, rings[k][s], rings[k][(s + 1) % sides], outward);
        }
    }
}

} // namespace

Result CreateBox(Device* device, float width, float height, float depth, Mesh** mesh, ByteBuffer** adjacency)
{
    if (!CanMake(device, mesh, adjacency) || !(width >= 0) || !(height >= 0) || !(depth >= 0))
    {
        return InvalidCall;
    }
    const Vector3 half{width / 2, height / 2, depth / 2};
    ShapeBuilder shape;
    // Each face: its normal axis and sign, and two axes spanning it.
    for (int axis = 0; axis < 3; ++axis)
    {
        for (const float sign : {-1.0f, 1.0f})
        {
            Vector3 normal{};
            (&normal.x)[axis] = sign;
            const int u = (axis + 1) % 3;
            const int v = (axis + 2) % 3;
            std::uint32_t corners[4];
            const float us[4] = {-1, 1, 1, -1};
            const float vs[4] = {-1, -1, 1, 1};
            for (int c = 0; c < 4; ++c)
            {
                Vector3 p{};
                (&p.x)[axis] = sign * (&half.x)[axis];
                (&p.x)[u] = us[c] * (&half.x)[u];
                (&p.x)[v] = vs[c] * (&half.x)[v];
                corners[c] = shape.Add(p, normal);
            }
            shape.Quad(corners[0], corners[1], corners[2], corners[3], normal);
        }
    }
    return shape.Finish(device, mesh, adjacency);
}

Result CreateSphere(Device* device, float radius, std::uint32_t slices, std::uint32_t stacks, Mesh** mesh,
                    ByteBuffer** adjacency)
{
    if (!CanMake(device, mesh, adjacency) || !(radius >= 0) || slices < 3 || stacks < 2)
    {
        return InvalidCall;
    }
    ShapeBuilder shape;
    const auto direction = [&](std::uint32_t stack, std::uint32_t slice) {
        const float polar = std::numbers::pi_v<float> * static_cast<float>(stack) / static_cast<float>(stacks);
        const float around = TwoPi * static_cast<float>(slice % slices) / static_cast<float>(slices);
        return Vector3{std::sin(polar) * std::cos(around), std::sin(polar) * std::sin(around), std::cos(polar)};
    };
    const std::uint32_t top = shape.Add({0, 0, radius}, {0, 0, 1});
    std::vector<std::uint32_t> previous(slices, top);
    for (std::uint32_t stack = 1; stack <= stacks; ++stack)
    {
        std::vector<std::uint32_t> ring(slices);
        const bool pole = stack == stacks;
        const std::uint32_t bottom = pole ? shape.Add({0, 0, -radius}, {0, 0, -1}) : 0;
        for (std::uint32_t slice = 0; slice < slices; ++slice)
        {
            const Vector3 d = direction(stack, slice);
            ring[slice] = pole ? bottom : shape.Add(d * radius, d);
        }
        for (std::uint32_t slice = 0; slice < slices; ++slice)
        {
            const std::uint32_t next = (slice + 1) % slices;
            const Vector3 centre = (shape.Position(previous[slice]) + shape.Position(previous[next]) +
                                    shape.Position(ring[slice]) + shape.Position(ring[next])) *
                                   0.25f;
            if (stack == 1)
            {
                shape.Triangle(top, ring[slice], ring[next], centre);
            }
            else if (pole)
            {
                shape.Triangle(previous[slice], previous[next], bottom, centre);
            }
            else
            {
                shape.Quad(previous[slice], previous[next], ring[next], ring[slice], centre);
            }
        }
        previous = std::move(ring);
    }
    return shape.Finish(device, mesh, adjacency);
}

Result CreateCylinder(Device* device, float radius1, float radius2, float length, std::uint32_t slices,
                      std::uint32_t stacks, Mesh** mesh, ByteBuffer** adjacency)
{
    if (!CanMake(device, mesh, adjacency) || !(radius1 >= 0) || !(radius2 >= 0) || !(length >= 0) || slices < 3 ||
        stacks < 1)
    {
        return InvalidCall;
    }
    ShapeBuilder shape;
    const auto around = [&](std::uint32_t slice) {
        const float angle = TwoPi * static_cast<float>(slice % slices) / static_cast<float>(slices);
        return Vector3{std::cos(angle), std::sin(angle), 0};
    };
    const float slope = length > 0 ? (radius1 - radius2) / length : 0.0f;
    std::vector<std::vector<std::uint32_t>> rings(stacks + 1, std::vector<std::uint32_t>(slices));
    for (std::uint32_t stack = 0; stack <= stacks; ++stack)
    {
        const float t = static_cast<float>(stack) / static_cast<float>(stacks);
        const float radius = radius1 + (radius2 - radius1) * t;
        const float z = -length / 2 + length * t;
        for (std::uint32_t slice = 0; slice < slices; ++slice)
        {
            const Vector3 d = around(slice);
            rings[stack][slice] = shape.Add({d.x * radius, d.y * radius, z}, Normalized({d.x, d.y, slope}));
        }
    }
    for (std::uint32_t stack = 0; stack < stacks; ++stack)
    {
        for (std::uint32_t slice = 0; slice < slices; ++slice)
        {
            const std::uint32_t next = (slice + 1) % slices;
            const Vector3 middle = around(slice) + around(next);
            shape.Quad(rings[stack][slice], rings[stack][next], rings[stack + 1][next], rings[stack + 1][slice],
                       {middle.x, middle.y, slope * 2});
        }
    }
    for (const bool bottom : {true, false})
    {
        const float z = bottom ? -length / 2 : length / 2;
        const float radius = bottom ? radius1 : radius2;
        const Vector3 normal{0, 0, bottom ? -1.0f : 1.0f};
        const std::uint32_t centre = shape.Add({0, 0, z}, normal);
        std::vector<std::uint32_t> rim(slices);
        for (std::uint32_t slice = 0; slice < slices; ++slice)
        {
            const Vector3 d = around(slice);
            rim[slice] = shape.Add({d.x * radius, d.y * radius, z}, normal);
        }
        for (std::uint32_t slice = 0; slice < slices; ++slice)
        {
            shape.Triangle(centre, rim[slice], rim[(slice + 1) % slices], normal);
        }
    }
    return shape.Finish(device, mesh, adjacency);
}

Result CreateTorus(Device* device, float innerRadius, float outerRadius, std::uint32_t sides, std::uint32_t rings,
                   Mesh** mesh, ByteBuffer** adjacency)
{
    if (!CanMake(device, mesh, adjacency) || !(innerRadius >= 0) || !(outerRadius >= 0) || sides < 3 || rings < 3)
    {
        return InvalidCall;
    }
    ShapeBuilder shape;
    std::vector<std::vector<std::uint32_t>> grid(rings, std::vector<std::uint32_t>(sides));
    for (std::uint32_t ring = 0; ring < rings; ++ring)
    {
        const float theta = TwoPi * static_cast<float>(ring) / static_cast<float>(rings);
        const Vector3 centre{outerRadius * std::cos(theta), outerRadius * std::sin(theta), 0};
        for (std::uint32_t side = 0; side < sides; ++side)
        {
            const float phi = TwoPi * static_cast<float>(side) / static_cast<float>(sides);
            const Vector3 normal{std::cos(phi) * std::cos(theta), std::cos(phi) * std::sin(theta), std::sin(phi)};
            grid[ring][side] = shape.Add(centre + normal * innerRadius, normal);
        }
    }
    for (std::uint32_t ring = 0; ring < rings; ++ring)
    {
        const std::uint32_t nextRing = (ring + 1) % rings;
        const float theta = TwoPi * (static_cast<float>(ring) + 0.5f) / static_cast<float>(rings);
        const Vector3 centre{outerRadius * std::cos(theta), outerRadius * std::sin(theta), 0};
        for (std::uint32_t side = 0; side < sides; ++side)
        {
            const std::uint32_t nextSide = (side + 1) % sides;
            const Vector3 middle = (shape.Position(grid[ring][side]) + shape.Position(grid[nextRing][nextSide])) * 0.5f;
            shape.Quad(grid[ring][side], grid[ring][nextSide], grid[nextRing][nextSide], grid[nextRing][side],
                       middle - centre);
        }
    }
    return shape.Finish(device, mesh, adjacency);
}

Result CreateTeapot(Device* device, Mesh** mesh, ByteBuffer** adjacency)
{
    if (!CanMake(device, mesh, adjacency))
    {
        return InvalidCall;
    }
    ShapeBuilder shape;
    // The body, from the middle of its foot to the rim's middle, and the lid with its knob.
    Lathe(shape,
          {{0.0f, -0.55f}, {0.45f, -0.55f}, {0.52f, -0.5f}, {0.66f, -0.3f}, {0.72f, -0.05f}, {0.68f, 0.2f},
           {0.56f, 0.38f}, {0.48f, 0.42f}, {0.0f, 0.42f}},
          24);
    Lathe(shape,
          {{0.0f, 0.38f}, {0.5f, 0.38f}, {0.5f, 0.44f}, {0.36f, 0.52f}, {0.08f, 0.56f}, {0.1f, 0.62f},
           {0.06f, 0.68f}, {0.0f, 0.69f}},
          24);
    Tube(shape, {{0.55f, -0.2f, 0}, {0.75f, -0.1f, 0}, {0.88f, 0.08f, 0}, {0.98f, 0.28f, 0}, {1.08f, 0.38f, 0}},
         0.08f, 12);
    Tube(shape,
         {{-0.6f, 0.25f, 0}, {-0.8f, 0.27f, 0}, {-0.94f, 0.18f, 0}, {-0.96f, 0.0f, 0}, {-0.88f, -0.16f, 0},
          {-0.66f, -0.28f, 0}},
         0.05f, 10);
    shape.SmoothNormals();
    return shape.Finish(device, mesh, adjacency);
}

} // namespace Platform::GfxKit
