#pragma once

#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"

#include <cstdint>

// The records, descriptions and numbers that effect files, effects and their callers share.
namespace Platform::GfxKit
{

// A parameter, annotation, technique, pass or parameter block of an effect: opaque, stable while the
// effect lives, null for none. Wherever a parameter handle is taken, a parameter name or path
// ("lights[1].colour") may be passed in its place, and a technique name in place of a technique.
using EffectHandle = const char*;

// A preprocessor macro given at creation; a list of them ends with a record whose Name is null. A null
// Definition defines the name as empty.
struct Macro
{
    const char* Name = nullptr;
    const char* Definition = nullptr;
};

namespace IncludeType
{
constexpr std::uint32_t Local = 0;  // #include "file"
constexpr std::uint32_t System = 1; // #include <file>
} // namespace IncludeType

// Opens the files an effect includes. Open receives the name exactly as written and the data of the
// including file (null for the main file) and hands back the text (no terminating zero needed); Close
// follows once for every successful Open, with the data that Open gave.
class Include
{
public:
    virtual Gfx::Result Open(std::uint32_t type, const char* name, const void* parentData, const void** data,
                             std::uint32_t* bytes) = 0;
    virtual Gfx::Result Close(const void* data) = 0;

protected:
    ~Include() = default;
};

// Parameter classes, types and flags as descriptions report them.
namespace ParameterClass
{
constexpr std::uint32_t Scalar = 0;
constexpr std::uint32_t Vector = 1;
constexpr std::uint32_t MatrixRows = 2;
constexpr std::uint32_t MatrixColumns = 3;
constexpr std::uint32_t Object = 4;
constexpr std::uint32_t Struct = 5;
} // namespace ParameterClass

namespace ParameterType
{
constexpr std::uint32_t Void = 0;
constexpr std::uint32_t Bool = 1;
constexpr std::uint32_t Int = 2;
constexpr std::uint32_t Float = 3;
constexpr std::uint32_t String = 4;
constexpr std::uint32_t Texture = 5;
constexpr std::uint32_t Texture1D = 6;
constexpr std::uint32_t Texture2D = 7;
constexpr std::uint32_t Texture3D = 8;
constexpr std::uint32_t TextureCube = 9;
constexpr std::uint32_t Sampler = 10;
constexpr std::uint32_t Sampler1D = 11;
constexpr std::uint32_t Sampler2D = 12;
constexpr std::uint32_t Sampler3D = 13;
constexpr std::uint32_t SamplerCube = 14;
} // namespace ParameterType

namespace ParameterFlag
{
constexpr std::uint32_t Shared = 1;
}

// A parameter, member, element or annotation. Texts stay valid while the effect lives; Semantic is ""
// when there is none, never null.
struct ParameterDesc
{
    const char* Name = "";
    const char* Semantic = "";
    std::uint32_t Class = 0;
    std::uint32_t Type = 0;
    std::uint32_t Rows = 0;
    std::uint32_t Columns = 0;
    std::uint32_t Elements = 0; // 0 when not an array
    std::uint32_t Annotations = 0;
    std::uint32_t StructMembers = 0;
    std::uint32_t Flags = 0;
    std::uint32_t Bytes = 0;
};

struct EffectDesc
{
    std::uint32_t Parameters = 0; // top-level parameters
    std::uint32_t Techniques = 0;
};

struct TechniqueDesc
{
    const char* Name = "";
    std::uint32_t Passes = 0;
    std::uint32_t Annotations = 0;
};

// A pass without a name is named "".
struct PassDesc
{
    const char* Name = "";
    std::uint32_t Annotations = 0;
};

// Begin's flag that leaves the device's state unsaved.
constexpr std::uint32_t DoNotSaveState = 1;

// Starting values of some of an effect's parameters, as the engine and the X-file reader keep them.
// Their users allocate and free every string and value in them.
namespace EffectDefaultType
{
constexpr std::uint32_t String = 1;
constexpr std::uint32_t Floats = 2;
constexpr std::uint32_t Dword = 3;
constexpr std::uint32_t Unfilled = 0x7FFFFFFF;
} // namespace EffectDefaultType

struct EffectDefault
{
    char* pParamName = nullptr;
    std::uint32_t Type = EffectDefaultType::Unfilled;
    std::uint32_t NumBytes = 0;
    void* pValue = nullptr;
};

struct EffectInstance
{
    char* pEffectFilename = nullptr;
    std::uint32_t NumDefaults = 0;
    EffectDefault* pDefaults = nullptr;
};

// A material as X files carry it.
struct XFileMaterial
{
    Gfx::Material MatD3D;
    char* pTextureFilename = nullptr;
};

} // namespace Platform::GfxKit
