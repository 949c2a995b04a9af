#include "mediagen/MeshBuilder.h"

#include <array>
#include <cmath>
#include <map>
#include <numbers>

namespace MediaGen
{

using Platform::GfxKit::XMaterial;
using Platform::GfxKit::XMesh;

namespace
{

float Rounded(float value, float steps)
{
    const float rounded = std::round(value * steps) / steps;
    return rounded == 0.0f ? 0.0f : rounded; // no "-0" in the text
}

CVector3 Rounded(const CVector3& v, float steps)
{
    return {Rounded(v.x, steps), Rounded(v.y, steps), Rounded(v.z, steps)};
}

} // namespace

CVector3 Normalized(const CVector3& v)
{
    const float length = v.Length();
    return length > 0.0f ? v * (1.0f / length) : v;
}

CVector3 Placement::Point(const CVector3& p) const
{
    return origin + axisX * p.x + axisY * p.y + axisZ * p.z;
}

CVector3 Placement::Direction(const CVector3& d) const
{
    return axisX * d.x + axisY * d.y + axisZ * d.z;
}

Placement Placement::TurnedAbout(float angle, const CVector3& origin)
{
    Placement placement;
    placement.origin = origin;
    placement.axisX = {std::cos(angle), std::sin(angle), 0.0f};
    placement.axisY = {-std::sin(angle), std::cos(angle), 0.0f};
    return placement;
}

Placement Placement::Along(const CVector3& direction, const CVector3& origin)
{
    Placement placement;
    placement.origin = origin;
    placement.axisZ = Normalized(direction);
    const CVector3 helper = std::fabs(placement.axisZ.z) < 0.9f ? CVector3::UnitZ : CVector3::UnitX;
    placement.axisX = Normalized(helper.Cross(placement.axisZ));
    placement.axisY = placement.axisZ.Cross(placement.axisX);
    return placement;
}

std::uint32_t MeshBuilder::AddMaterial(const CVector3& colour, float specularPower, const CVector3& specular,
                                       const std::string& texture, const CVector3& emissive)
{
    XMaterial material;
    material.faceColor = {colour.x, colour.y, colour.z, 1.0f};
    material.power = specularPower;
    material.specular = {specular.x, specular.y, specular.z};
    material.emissive = {emissive.x, emissive.y, emissive.z};
    if (!texture.empty())
    {
        material.textureFile = texture;
    }
    m_materials.push_back(material);
    m_material = static_cast<std::uint32_t>(m_materials.size() - 1);
    return m_material;
}

void MeshBuilder::AddTriangle(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c)
{
    Triangle triangle{{a, b, c}, m_material};
    for (MeshVertex& corner : triangle.corners)
    {
        corner.position = m_placement.Point(corner.position);
        corner.normal = Normalized(m_placement.Direction(corner.normal));
    }
    m_triangles.push_back(triangle);
}

void MeshBuilder::AddQuad(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c, const MeshVertex& d)
{
    AddTriangle(a, b, c);
    AddTriangle(a, c, d);
}

void MeshBuilder::AddFlatQuad(const CVector3& a, const CVector3& b, const CVector3& c, const CVector3& d, float u0,
                              float v0, float u1, float v1)
{
    const CVector3 normal = Normalized((b - a).Cross(d - a));
    AddQuad({a, normal, u0, v0}, {b, normal, u1, v0}, {c, normal, u1, v1}, {d, normal, u0, v1});
}

XMesh MeshBuilder::Build(const std::string& name) const
{
    XMesh mesh;
    mesh.name = name;
    mesh.materials = m_materials;
    if (mesh.materials.empty())
    {
        mesh.materials.emplace_back();
    }
    mesh.normals.emplace();
    std::map<std::array<float, 8>, std::uint32_t> shared;
    for (const Triangle& triangle : m_triangles)
    {
        std::array<MeshVertex, 3> corners;
        for (int i = 0; i < 3; ++i)
        {
            const MeshVertex& source = triangle.corners[i];
            corners[i] = {Rounded(source.position, m_steps), Rounded(source.normal, m_steps), Rounded(source.u, m_steps),
                          Rounded(source.v, m_steps)};
        }
        const CVector3 area = (corners[1].position - corners[0].position).Cross(corners[2].position - corners[0].position);
        if (!(area.Length() > 1e-7f) || corners[0].position == corners[1].position ||
            corners[1].position == corners[2].position || corners[0].position == corners[2].position)
        {
            continue;
        }
        mesh.faces.faceSizes.push_back(3);
        mesh.normals->faces.faceSizes.push_back(3);
        for (const MeshVertex& corner : corners)
        {
            const std::array<float, 8> key = {corner.position.x, corner.position.y, corner.position.z,
                                              corner.normal.x,   corner.normal.y,   corner.normal.z,
                                              corner.u,          corner.v};
            const auto [at, added] = shared.emplace(key, static_cast<std::uint32_t>(mesh.positions.size()));
            if (added)
            {
                mesh.positions.push_back({corner.position.x, corner.position.y, corner.position.z});
                mesh.normals->normals.push_back({corner.normal.x, corner.normal.y, corner.normal.z});
                mesh.texCoords.push_back({corner.u, corner.v});
            }
            mesh.faces.indices.push_back(at->second);
            mesh.normals->faces.indices.push_back(at->second);
        }
        mesh.faceMaterials.push_back(triangle.material < mesh.materials.size() ? triangle.material : 0);
    }
    return mesh;
}

void AddBox(MeshBuilder& builder, const CVector3& low, const CVector3& high)
{
    const float dx = high.x - low.x;
    const float dy = high.y - low.y;
    const float dz = high.z - low.z;
    const CVector3& l = low;
    const CVector3& h = high;
    builder.AddFlatQuad({l.x, l.y, l.z}, {l.x, h.y, l.z}, {h.x, h.y, l.z}, {h.x, l.y, l.z}, 0, 0, dy, dx);
    builder.AddFlatQuad({l.x, l.y, h.z}, {h.x, l.y, h.z}, {h.x, h.y, h.z}, {l.x, h.y, h.z}, 0, 0, dx, dy);
    builder.AddFlatQuad({l.x, l.y, l.z}, {h.x, l.y, l.z}, {h.x, l.y, h.z}, {l.x, l.y, h.z}, 0, 0, dx, dz);
    builder.AddFlatQuad({h.x, h.y, l.z}, {l.x, h.y, l.z}, {l.x, h.y, h.z}, {h.x, h.y, h.z}, 0, 0, dx, dz);
    builder.AddFlatQuad({l.x, h.y, l.z}, {l.x, l.y, l.z}, {l.x, l.y, h.z}, {l.x, h.y, h.z}, 0, 0, dy, dz);
    builder.AddFlatQuad({h.x, l.y, l.z}, {h.x, h.y, l.z}, {h.x, h.y, h.z}, {h.x, l.y, h.z}, 0, 0, dy, dz);
}

void AddLathe(MeshBuilder& builder, const std::vector<ProfilePoint>& profile, int sides, float turn, float planarScale)
{
    const std::size_t count = profile.size();
    if (count < 2 || sides < 3)
    {
        return;
    }
    // The facing of each stretch in the (radius, height) plane.
    std::vector<std::pair<float, float>> facing(count - 1);
    for (std::size_t i = 0; i + 1 < count; ++i)
    {
        const float dr = profile[i + 1].radius - profile[i].radius;
        const float dh = profile[i + 1].height - profile[i].height;
        const float length = std::sqrt(dr * dr + dh * dh);
        facing[i] = length > 0.0f ? std::pair{dh / length, -dr / length} : std::pair{0.0f, 0.0f};
    }
    auto smooth = [&](std::size_t point, std::size_t stretch) {
        // The normal at a profile point as seen from one stretch: its own facing at a crease or an end,
        // else the mean with the neighbouring stretch on that point's other side.
        const std::pair<float, float> own = facing[stretch];
        std::size_t other = stretch;
        if (point == stretch && point > 0)
        {
            other = stretch - 1;
        }
        else if (point == stretch + 1 && point + 1 < count)
        {
            other = stretch + 1;
        }
        if (other == stretch || profile[point].crease)
        {
            return own;
        }
        const float r = own.first + facing[other].first;
        const float h = own.second + facing[other].second;
        const float length = std::sqrt(r * r + h * h);
        return length > 0.0f ? std::pair{r / length, h / length} : own;
    };
    std::vector<float> along(count, 0.0f);
    for (std::size_t i = 1; i < count; ++i)
    {
        along[i] = along[i - 1] + std::hypot(profile[i].radius - profile[i - 1].radius,
                                             profile[i].height - profile[i - 1].height);
    }
    auto vertex = [&](std::size_t point, std::size_t stretch, int side) {
        const float angle = turn + 2.0f * std::numbers::pi_v<float> * static_cast<float>(side) / static_cast<float>(sides);
        const float c = std::cos(angle);
        const float s = std::sin(angle);
        const auto [nr, nh] = smooth(point, stretch);
        MeshVertex v;
        v.position = {profile[point].radius * c, profile[point].radius * s, profile[point].height};
        v.normal = {nr * c, nr * s, nh};
        if (planarScale > 0.0f)
        {
            const CVector3 placed = builder.GetPlacement().Point(v.position);
            v.u = placed.x * planarScale;
            v.v = placed.y * planarScale;
        }
        else
        {
            v.u = static_cast<float>(side) / static_cast<float>(sides);
            v.v = along[point];
        }
        return v;
    };
    for (std::size_t i = 0; i + 1 < count; ++i)
    {
        if (facing[i].first == 0.0f && facing[i].second == 0.0f)
        {
            continue;
        }
        for (int side = 0; side < sides; ++side)
        {
            const MeshVertex a = vertex(i, i, side);
            const MeshVertex b = vertex(i, i, side + 1);
            const MeshVertex c = vertex(i + 1, i, side + 1);
            const MeshVertex d = vertex(i + 1, i, side);
            // A stretch ending on the axis is a fan of triangles, one starting there too.
            if (profile[i].radius == 0.0f)
            {
                builder.AddTriangle(a, c, d);
            }
            else if (profile[i + 1].radius == 0.0f)
            {
                builder.AddTriangle(a, b, c);
            }
            else
            {
                builder.AddQuad(a, b, c, d);
            }
        }
    }
}

void AddRoundedTile(MeshBuilder& builder, float lowX, float lowY, float highX, float highY, float height,
                    float cornerRadius, float bevel, unsigned flatSides)
{
    const bool freeS = (flatSides & TileSide::SouthY) == 0;
    const bool freeN = (flatSides & TileSide::NorthY) == 0;
    const bool freeW = (flatSides & TileSide::WestX) == 0;
    const bool freeE = (flatSides & TileSide::EastX) == 0;
    constexpr int kArcSteps = 4;
    constexpr int kBevelSteps = 4;
    const float pi = std::numbers::pi_v<float>;

    // The levels of the upright walls and the bevel: inset, height and the slope angle of the surface.
    struct Level
    {
        float inset, z, slope;
    };
    std::vector<Level> levels = {{0.0f, 0.0f, 0.0f}, {0.0f, height - bevel, 0.0f}};
    for (int k = 1; k <= kBevelSteps; ++k)
    {
        const float phi = 0.5f * pi * static_cast<float>(k) / kBevelSteps;
        levels.push_back({bevel * (1.0f - std::cos(phi)), height - bevel + bevel * std::sin(phi), phi});
    }

    // One entry of the outline: where it lies at an inset, the side's outward direction, whether the
    // side is bevelled. Square corners give two entries at one place, one for each side.
    struct Entry
    {
        int corner;   // 0 south-east, 1 north-east, 2 north-west, 3 south-west
        float angle;  // outward direction
        bool rounded; // on a corner arc
        bool free;
    };
    const bool cornerRounded[4] = {freeS && freeE, freeE && freeN, freeN && freeW, freeW && freeS};
    const bool sideFree[4] = {freeS, freeE, freeN, freeW}; // the side after each corner's start: S, E, N, W
    std::vector<Entry> entries;
    for (int corner = 0; corner < 4; ++corner)
    {
        const float start = -0.5f * pi + 0.5f * pi * static_cast<float>(corner);
        if (cornerRounded[corner])
        {
            for (int step = 0; step <= kArcSteps; ++step)
            {
                entries.push_back({corner, start + 0.5f * pi * static_cast<float>(step) / kArcSteps, true, true});
            }
        }
        else
        {
            entries.push_back({corner, start, false, sideFree[corner]});
            entries.push_back({corner, start + 0.5f * pi, false, sideFree[(corner + 1) % 4]});
        }
    }
    auto place = [&](const Entry& entry, float inset) {
        const float x0 = lowX + (freeW ? inset : 0.0f);
        const float x1 = highX - (freeE ? inset : 0.0f);
        const float y0 = lowY + (freeS ? inset : 0.0f);
        const float y1 = highY - (freeN ? inset : 0.0f);
        const float cornerX[4] = {x1, x1, x0, x0};
        const float cornerY[4] = {y0, y1, y1, y0};
        if (!entry.rounded)
        {
            return std::pair{cornerX[entry.corner], cornerY[entry.corner]};
        }
        const float radius = cornerRadius - inset;
        const float inX[4] = {-1, -1, 1, 1};
        const float inY[4] = {1, -1, -1, 1};
        const float cx = cornerX[entry.corner] + inX[entry.corner] * cornerRadius;
        const float cy = cornerY[entry.corner] + inY[entry.corner] * cornerRadius;
        return std::pair{cx + radius * std::cos(entry.angle), cy + radius * std::sin(entry.angle)};
    };
    // Texture u runs along the outline at the foot, in world units.
    std::vector<float> along(entries.size() + 1, 0.0f);
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        const auto [ax, ay] = place(entries[i], 0.0f);
        const auto [bx, by] = place(entries[(i + 1) % entries.size()], 0.0f);
        along[i + 1] = along[i] + std::hypot(bx - ax, by - ay);
    }
    auto vertex = [&](std::size_t index, const Level& level, float u) {
        const Entry& entry = entries[index % entries.size()];
        // A flat side keeps its place but ends where the bevels of its free neighbours end; both entries
        // of a square corner lie at one point, so the strip between them has no area and is dropped.
        const auto [x, y] = place(entry, level.inset);
        const float slope = entry.free ? level.slope : 0.0f;
        MeshVertex v;
        v.position = {x, y, level.z};
        v.normal = {std::cos(entry.angle) * std::cos(slope), std::sin(entry.angle) * std::cos(slope), std::sin(slope)};
        v.u = u;
        v.v = level.z;
        return v;
    };
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        for (std::size_t k = 0; k + 1 < levels.size(); ++k)
        {
            builder.AddQuad(vertex(i, levels[k], along[i]), vertex(i + 1, levels[k], along[i + 1]),
                            vertex(i + 1, levels[k + 1], along[i + 1]), vertex(i, levels[k + 1], along[i]));
        }
    }
    // The caps: fans from the middle of the top and of the foot.
    const Level& top = levels.back();
    const CVector3 middleTop = {0.5f * (lowX + highX), 0.5f * (lowY + highY), height};
    const CVector3 middleFoot = {middleTop.x, middleTop.y, 0.0f};
    auto capVertex = [&](const CVector3& p, float nz) {
        return MeshVertex{p, {0.0f, 0.0f, nz}, p.x - lowX, p.y - lowY};
    };
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        const MeshVertex a = vertex(i, top, 0.0f);
        const MeshVertex b = vertex(i + 1, top, 0.0f);
        builder.AddTriangle(capVertex(middleTop, 1.0f), capVertex(a.position, 1.0f), capVertex(b.position, 1.0f));
        const MeshVertex c = vertex(i, levels[0], 0.0f);
        const MeshVertex d = vertex(i + 1, levels[0], 0.0f);
        builder.AddTriangle(capVertex(middleFoot, -1.0f), capVertex(d.position, -1.0f), capVertex(c.position, -1.0f));
    }
}

void AddTube(MeshBuilder& builder, const std::vector<CVector3>& path, float radius, int sides, bool closed)
{
    const std::size_t count = path.size();
    if (count < 2 || sides < 3)
    {
        return;
    }
    std::vector<CVector3> tangent(count), across(count), third(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::size_t next = closed ? (i + 1) % count : std::min(i + 1, count - 1);
        const std::size_t previous = closed ? (i + count - 1) % count : (i > 0 ? i - 1 : 0);
        tangent[i] = Normalized(path[next] - path[previous]);
    }
    // Frames carried along the path, each the last one's side direction made square to the tangent.
    const CVector3 helper = std::fabs(tangent[0].z) < 0.9f ? CVector3::UnitZ : CVector3::UnitX;
    across[0] = Normalized(helper.Cross(tangent[0]));
    for (std::size_t i = 0; i < count; ++i)
    {
        if (i > 0)
        {
            across[i] = Normalized(across[i - 1] - tangent[i] * across[i - 1].Dot(tangent[i]));
        }
        third[i] = tangent[i].Cross(across[i]);
    }
    auto vertex = [&](std::size_t i, int side, float v) {
        const float angle = 2.0f * std::numbers::pi_v<float> * static_cast<float>(side) / static_cast<float>(sides);
        const CVector3 out = across[i] * std::cos(angle) + third[i] * std::sin(angle);
        return MeshVertex{path[i] + out * radius, out, static_cast<float>(side) / static_cast<float>(sides), v};
    };
    const std::size_t segments = closed ? count : count - 1;
    for (std::size_t i = 0; i < segments; ++i)
    {
        const std::size_t j = (i + 1) % count;
        const float v0 = static_cast<float>(i) / static_cast<float>(segments);
        const float v1 = static_cast<float>(i + 1) / static_cast<float>(segments);
        for (int side = 0; side < sides; ++side)
        {
            builder.AddQuad(vertex(i, side, v0), vertex(i, side + 1, v0), vertex(j, side + 1, v1), vertex(j, side, v1));
        }
    }
}

} // namespace MediaGen
