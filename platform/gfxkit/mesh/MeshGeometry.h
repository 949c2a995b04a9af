#pragma once

#include "platform/gfxkit/Math.h"

#include <cstdint>
#include <vector>

// Geometry helpers shared by the mesh operations.
namespace Platform::GfxKit
{

class Mesh;

// Every vertex's first position.
std::vector<Vector3> MeshPositions(const Mesh& mesh);

// For each position, the lowest-numbered position of its group: exactly equal positions (epsilon 0,
// -0 equal to +0), or positions within epsilon on every axis of an earlier one. Found through a sort
// or a grid hash, never by comparing all pairs.
std::vector<std::uint32_t> PositionGroups(const std::vector<Vector3>& positions, float epsilon);

// Fills three entries per face of a triangle list: the face across each edge whose ends' groups match
// in the opposite direction, the lowest-numbered candidate, each face named at most once; edges whose
// ends share a group join nothing. Indices outside `groups` join nothing either.
void FaceAdjacency(const std::vector<std::uint32_t>& indices, const std::vector<std::uint32_t>& groups,
                   std::uint32_t* adjacency);

} // namespace Platform::GfxKit
