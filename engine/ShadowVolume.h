#pragma once

#include "engine/FrameHierarchy.h"

namespace Qen
{

// Replaces the container's mesh by one with a vertex per face corner that carries the face normal
// (pulled in along the source normal when the source has normals) and a degenerate quad on every edge
// between faces of different normals, for a vertex program to extrude at draw time. Layout: POSITION
// (0) and NORMAL (12) as FLOAT3, then BLENDINDICES as D3DCOLOR and BLENDWEIGHT in the source's type when
// the source has them. An open edge shows the box "geometry is not closed!" (caption "shadow volume
// error") and ends the program with -1. Beyond 65,535 vertices the indices are 32-bit.
void BuildShadowVolume(CMeshContainer& container, float pullIn, const char* modelName);

// Replaces the container's mesh by a position-only shadow volume of one fixed light, in the mesh's own
// space: faces turned away from the light extruded by `extrusion` along it, silhouette edges closed with
// quads. A directional light when lightPosition.x is 3.4028235e38. Positions are pulled in along the
// normals first when the mesh has normals and pullIn is not 0; corners that shared a position must
// still share it, else the box "ShadowVolumeShrink doesn't work with HardEdges…" ends the program with
// -1. With a non-zero extrusion an open edge ends it after the box "shadow geometry is not closed!".
void BuildShrunkShadowVolume(CMeshContainer& container, const Vector3& lightDirection, const Vector3& lightPosition,
                             float extrusion, float pullIn, const char* modelName);

} // namespace Qen
