#pragma once

#include "platform/gfx/Results.h"
#include "platform/gfx/VertexDeclaration.h"

#include <cstdint>

namespace Platform::Gfx
{
class Device;
}
namespace Platform::GfxKit
{
class Mesh;
}

// Small routines on a vertex declaration held in a work array of kVertexDeclarationRoom elements
// (mesh preparation, shadow volumes and particle sources build their layouts with them).
namespace Qen
{

using VertexElement = Platform::Gfx::VertexElement;

// Room of a work array: 64 elements and the end marker.
constexpr std::uint32_t kVertexDeclarationRoom = 65;

// Every element of the work array set to the end marker {0xFF, 0, 17, 0, 0, 0}.
void InitVertexDeclaration(VertexElement (&declaration)[kVertexDeclarationRoom]);

// The mesh's declaration in a fresh work array.
void ReadMeshDeclaration(const Platform::GfxKit::Mesh& mesh, VertexElement (&declaration)[kVertexDeclarationRoom]);

// Bytes an element of that type takes (FLOAT1 4 … FLOAT16_4 8, types 0–16); 0 for any other type.
std::uint32_t GetDeclTypeSize(std::uint32_t type);

// Index of the first element with that usage and usage index before the end marker; -1 when none.
int FindVertexElement(const VertexElement* declaration, std::uint32_t usage, std::uint32_t usageIndex);

// Appends the element at the declaration's end with its offset replaced by the current vertex size of
// its stream, and a new end marker after it. Returns its index; -1 (declaration unchanged) when the
// declaration already holds 64 elements, so the end marker always stays inside the work array.
int AddVertexElement(VertexElement* declaration, const VertexElement& element);

// Removes NORMAL 0: every later element moves down one place and, unless it is the end marker, its
// offset drops by the removed element's size. False (unchanged) when there is none.
bool RemoveNormalElement(VertexElement* declaration);

// Clears *out, then asks the device for a declaration object (one reference for the caller).
Platform::Gfx::Result CreateVertexDeclaration(Platform::Gfx::Device* device, const VertexElement* declaration,
                                              Platform::Gfx::VertexDeclaration** out);

} // namespace Qen
