#pragma once

#include "foundation/Vector.h"
#include "platform/gfxkit/xfile/XFileModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace MediaGen
{

using BaseLib::CVector3;

// The unit vector of v; v itself when it has no length.
CVector3 Normalized(const CVector3& v);

// One corner of a triangle: where it is, the way its surface faces and its texture coordinates.
struct MeshVertex
{
    CVector3 position;
    CVector3 normal;
    float u = 0.0f;
    float v = 0.0f;
};

// A place and a turn applied to every vertex added: position = origin + x·axisX + y·axisY + z·axisZ.
// The axes must be orthonormal, so normals turn with the same matrix.
struct Placement
{
    CVector3 origin;
    CVector3 axisX = CVector3::UnitX;
    CVector3 axisY = CVector3::UnitY;
    CVector3 axisZ = CVector3::UnitZ;

    CVector3 Point(const CVector3& p) const;
    CVector3 Direction(const CVector3& d) const;
    // Turned by `angle` radians about the vertical axis (counter-clockwise seen from above), then moved.
    static Placement TurnedAbout(float angle, const CVector3& origin);
    // The vertical axis of the shape laid along `direction` (which must have a length).
    static Placement Along(const CVector3& direction, const CVector3& origin);
};

// Collects triangles of one mesh, each with the material current when it was added, and turns them
// into an X-file mesh with normals and one set of texture coordinates for every vertex. Coordinates
// are rounded to binary steps (1/1024 unless set), so the written text is short and the same on every
// run; a triangle that rounding (or the caller) leaves without area is dropped, so the mesh has no
// degenerate face.
// Front faces wind so that (b − a) × (c − a) points out of the surface.
class MeshBuilder
{
public:
    // Adds a plain material (a texture file name, bare, or none) and makes it current; answers its index.
    std::uint32_t AddMaterial(const CVector3& colour, float specularPower = 0.0f,
                              const CVector3& specular = CVector3::Zero, const std::string& texture = "",
                              const CVector3& emissive = CVector3::Zero);
    void UseMaterial(std::uint32_t index) { m_material = index; }

    // Rounding of every coordinate to 1/stepsPerUnit (a power of two keeps the text short).
    void SetPrecision(float stepsPerUnit) { m_steps = stepsPerUnit; }
    void SetPlacement(const Placement& placement) { m_placement = placement; }
    const Placement& GetPlacement() const { return m_placement; }

    void AddTriangle(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c);
    // Two triangles a b c and a c d.
    void AddQuad(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c, const MeshVertex& d);
    // A flat quad: one normal, (b − a) × (d − a) direction; texture coordinates given per corner.
    void AddFlatQuad(const CVector3& a, const CVector3& b, const CVector3& c, const CVector3& d,
                     float u0 = 0.0f, float v0 = 0.0f, float u1 = 1.0f, float v1 = 1.0f);

    std::size_t TriangleCount() const { return m_triangles.size(); }

    // The mesh with every vertex that is the same in every part (after rounding) shared.
    Platform::GfxKit::XMesh Build(const std::string& name) const;

private:
    struct Triangle
    {
        MeshVertex corners[3];
        std::uint32_t material;
    };

    std::vector<Platform::GfxKit::XMaterial> m_materials;
    std::vector<Triangle> m_triangles;
    std::uint32_t m_material = 0;
    float m_steps = 1024.0f;
    Placement m_placement;
};

// Shapes, each closed unless said otherwise, added with the builder's placement and current material.

// An axis-aligned box.
void AddBox(MeshBuilder& builder, const CVector3& low, const CVector3& high);

// A solid of revolution about the placement's z axis: the profile's points (radius, height), `sides`
// around, starting at angle `turn`. Each stretch of the profile faces where (Δheight, −Δradius)
// points: a profile that climbs faces away from the axis, one that runs back down faces the axis. A point of radius 0 closes the shape there. Normals follow the profile's slope, smooth
// around the axis; a point marked `crease` ends one smooth run and starts the next. With
// `planarScale` above 0 the texture coordinates are the placed x and y times it, else u runs around
// and v along the profile.
struct ProfilePoint
{
    float radius;
    float height;
    bool crease = false;
};
void AddLathe(MeshBuilder& builder, const std::vector<ProfilePoint>& profile, int sides, float turn = 0.0f,
              float planarScale = 0.0f);

// A rounded tile standing on z = 0: the rectangle low..high in x and y, `height` tall, its upright
// corners rounded with `cornerRadius`, its top edges rounded with `bevel` (smaller than the corner
// radius). A side listed in `flatSides` (bit 0 −Y, 1 +Y, 2 −X, 3 +X) is cut straight: no bevel, square
// corners, so the tile joins a neighbour there without a seam. Closed at top and bottom.
namespace TileSide
{
constexpr unsigned SouthY = 1;
constexpr unsigned NorthY = 2;
constexpr unsigned WestX = 4;
constexpr unsigned EastX = 8;
} // namespace TileSide
void AddRoundedTile(MeshBuilder& builder, float lowX, float lowY, float highX, float highY, float height,
                    float cornerRadius, float bevel, unsigned flatSides);

// A tube of radius `radius` along the points of a path (at least two, no two in a row equal), `sides`
// around. An open path leaves its ends open; a closed one joins its last point to its first.
void AddTube(MeshBuilder& builder, const std::vector<CVector3>& path, float radius, int sides, bool closed);

} // namespace MediaGen
