#pragma once

#include "platform/gfxkit/Math.h"

#include <cstdint>

// Vertex element values through four floats, for copying an element into one of another type.
namespace Platform::GfxKit
{

// The element's value: floats as stored (missing components 0, w 1), colours as (red, green, blue,
// alpha) in 0 … 1, UBYTE4 as 0 … 255, normalised types in -1 … 1 or 0 … 1, SHORT types as integers,
// half floats widened. Zero for an unknown type.
Vector4 ReadElement(std::uint8_t type, const std::uint8_t* data);

// Stores the value in the type's form, clamped to its range and rounded; unknown types write nothing.
void WriteElement(std::uint8_t type, const Vector4& value, std::uint8_t* data);

} // namespace Platform::GfxKit
