#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the parser reads from an effect file: the declarations in file order, each with the place it
// came from. The effect object is built from it, and the device side makes its programs from it.
namespace Platform::GfxKit
{

struct SourcePlace
{
    std::uint32_t file = 0; // index into EffectSource::files
    std::uint32_t line = 0;
};

// A type as declared: class, type and size per element; structs name their declaration.
struct TypeInfo
{
    std::uint32_t cls = 0;
    std::uint32_t type = 0;
    std::uint32_t rows = 0;
    std::uint32_t columns = 0;
    std::uint32_t bytes = 0; // one element
    int structIndex = -1;    // into EffectSource::structs for a struct
    std::string keyword;     // "float3", "float4x4", a struct's name, ...

    bool IsNumeric() const { return cls <= 3; }
};

struct MemberDecl
{
    std::string name;
    std::string semantic;
    TypeInfo type;
    std::uint32_t elements = 0;
    SourcePlace place;
};

struct StructDecl
{
    std::string name;
    std::vector<MemberDecl> members;
    std::uint32_t bytes = 0;
    SourcePlace place;
};

struct AnnotationDecl
{
    std::string name;
    TypeInfo type;
    std::vector<std::uint8_t> value; // numeric annotations, packed
    std::string text;                // string annotations
};

struct SamplerStateDecl
{
    std::uint32_t state = 0;
    std::uint32_t value = 0;
};

struct ParameterDecl
{
    std::string name;
    std::string semantic;
    TypeInfo type;
    std::uint32_t elements = 0;
    bool shared = false;
    std::vector<AnnotationDecl> annotations;
    std::vector<std::uint8_t> initial; // numeric parameters: all their bytes (zero without initialiser)
    std::string text;                  // strings
    int samplerTexture = -1;           // samplers: the texture parameter, or -1
    std::vector<SamplerStateDecl> samplerStates;
    SourcePlace place;

    std::uint32_t Bytes() const { return type.bytes * (elements ? elements : 1); }
};

// A render state a pass sets: a constant, or the 4 bytes of a scalar parameter read when it begins.
struct StateAssignment
{
    std::uint32_t state = 0;
    std::uint32_t value = 0;
    int parameter = -1;
    SourcePlace place;
};

struct PassDecl
{
    std::string name;
    std::vector<AnnotationDecl> annotations;
    bool setsVertexProgram = false;
    bool setsFragmentProgram = false;
    int vertexProgram = -1; // into EffectSource::programs; -1 with setsVertexProgram: null
    int fragmentProgram = -1;
    std::vector<StateAssignment> states;
    SourcePlace place;
};

struct TechniqueDecl
{
    std::string name;
    std::vector<AnnotationDecl> annotations;
    std::vector<PassDecl> passes;
    SourcePlace place;
};

// A `glsl { }` block or a program's body, as the text between its braces with the place of each of its
// lines (line 0 is the line of the opening brace).
struct ProgramText
{
    std::string text;
    std::vector<SourcePlace> lines;
};

struct VertexInput
{
    std::string type;
    std::string name;
    int location = -1;
};

struct ProgramDecl
{
    bool vertex = true;
    std::string name;
    // Vertex programs: each input declaration `in type name : SEMANTIC;` already rewritten as
    // `layout(location = L) in type name;` on its own lines.
    ProgramText body;
    std::vector<VertexInput> inputs;
    SourcePlace place;
};

struct EffectSource
{
    std::vector<std::string> files; // 0: the main file; then includes as written
    std::vector<StructDecl> structs;
    std::vector<ParameterDecl> parameters;
    std::vector<TechniqueDecl> techniques;
    std::vector<ProgramDecl> programs;
    std::vector<ProgramText> glslBlocks;
};

} // namespace Platform::GfxKit
