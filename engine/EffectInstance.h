#pragma once

#include "platform/gfxkit/effect/EffectRecords.h"

#include <cstdint>

// Operations on effect instances (an effect file name and starting values of its parameters). The
// engine owns every string and value in the instances it keeps: names and file names are BaseLib::StrDup
// copies, values blocks of the C heap. The defaults array always takes a whole number of blocks of 32
// records.
namespace Qen
{

using EffectInstance = Platform::GfxKit::EffectInstance;
using EffectDefault = Platform::GfxKit::EffectDefault;

// File name null, no defaults, no storage.
void InitEffectInstance(EffectInstance& instance);
// Every default emptied, the storage and the file name freed: the instance is as InitEffectInstance
// left it.
void FreeEffectInstance(EffectInstance& instance);
// Shrinking empties the dropped defaults; growing adds defaults without name (type 0x7FFFFFFF, no
// value). The storage changes only when the number of 32-record blocks does (freed at 0).
void ResizeEffectDefaults(EffectInstance& instance, std::uint32_t count);
// The value storage resized to count bytes (allocated, reallocated, kept or freed); count bytes copied
// from data when both are not zero. Storage made without data is zero-filled.
void SetEffectDefaultValue(EffectDefault& effectDefault, const void* data, std::uint32_t count);
// The first default named `name` (a null name matches only a null name); with create, a new last
// default with a copy of the name when there is none; else null.
EffectDefault* FindEffectDefault(EffectInstance& instance, const char* name, bool create);
// A new last default with a copy of the name; no search.
EffectDefault* AppendEffectDefault(EffectInstance& instance, const char* name);
// Type, name and value of source[i] into destination default i, for i < count; the destination already
// has count defaults.
void CopyEffectDefaults(EffectInstance& destination, const EffectDefault* source, std::uint32_t count);
// Same type, byte count, bytes and name (both null, or equal).
bool EffectDefaultsEqual(const EffectDefault& a, const EffectDefault& b);
// Same count, equal file names (or both null), and every default of a equal to the first default of its
// name in b.
bool EffectInstancesEqual(const EffectInstance& a, const EffectInstance& b);
// The file name becomes "xfl-shader>" + its file-name part; with a texture prefix, every string default
// becomes prefix + the file-name part of its value (a null value stays null). Each result is cut at 511
// characters.
void PrefixXFileReferences(EffectInstance& instance, const char* texturePrefix);

} // namespace Qen
