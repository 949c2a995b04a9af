#pragma once

#include "platform/gfxkit/mesh/Mesh.h"

// Primitive shapes: each a mesh of position and normal (FVF 0x012) with options MANAGED (0x220),
// centred on the origin, closed, and wound so that (p1 - p0) x (p2 - p0) points outward. The adjacency,
// when asked for, comes in a new counted buffer as GenerateAdjacency(0.0) gives it. Negative sizes and
// too few slices, stacks, sides or rings answer InvalidCall and make nothing.
namespace Platform::GfxKit
{

// Width along x, height along y, depth along z: 24 vertices, 12 faces, flat normals.
Gfx::Result CreateBox(Gfx::Device* device, float width, float height, float depth, Mesh** mesh,
                      ByteBuffer** adjacency);

// Slices around the z axis (at least 3), stacks along it (at least 2); normal = position / radius.
Gfx::Result CreateSphere(Gfx::Device* device, float radius, std::uint32_t slices, std::uint32_t stacks, Mesh** mesh,
                         ByteBuffer** adjacency);

// Radius at -z and at +z, length along z, with both caps; slices at least 3, stacks at least 1.
Gfx::Result CreateCylinder(Gfx::Device* device, float radius1, float radius2, float length, std::uint32_t slices,
                           std::uint32_t stacks, Mesh** mesh, ByteBuffer** adjacency);

// innerRadius is the tube's radius, outerRadius the distance of the tube's centre from the z axis;
// sides around the tube and rings around the axis, at least 3 each.
Gfx::Result CreateTorus(Gfx::Device* device, float innerRadius, float outerRadius, std::uint32_t sides,
                        std::uint32_t rings, Mesh** mesh, ByteBuffer** adjacency);

// The layer's own teapot, standing along +y, about 2 units across: body and lid turned from a profile,
// spout and handle swept as tubes with closed ends; each part a closed shell (parts overlap).
Gfx::Result CreateTeapot(Gfx::Device* device, Mesh** mesh, ByteBuffer** adjacency);

} // namespace Platform::GfxKit
