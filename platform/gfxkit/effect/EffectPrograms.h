#pragma once

#include "platform/gfxkit/effect/EffectSyntax.h"

#include <cstdint>
#include <string>
#include <vector>

// How an effect's declarations become GLSL for the device: the numeric parameters as one std140 block
// of constant registers with row-major matrices, samplers on texture stages, and each program's text.
namespace Platform::GfxKit
{

// One run of bytes copied from a parameter's packed value into the register image.
struct ConstantCopy
{
    std::uint32_t source = 0; // offset in the packed value
    std::uint32_t target = 0; // offset in the image
    std::uint32_t bytes = 0;
};

// Where one GLSL block member lands, named as the GLSL compiler names it inside the block
// ("w[0]", "lights[1].mShadow"), for comparison with a linked program's own figures.
struct ConstantPlace
{
    std::string name;
    std::uint32_t offset = 0;
    std::uint32_t arrayStride = 0;  // 0 when not an array
    std::uint32_t matrixStride = 0; // 0 when not a matrix
};

struct ConstantLayout
{
    // Per top-level parameter (empty for strings, textures and samplers).
    std::vector<std::vector<ConstantCopy>> copies;
    std::vector<ConstantPlace> places;
    std::uint32_t bytes = 0;     // the block's size
    std::uint32_t registers = 0; // 16 bytes each, rounded up
};

ConstantLayout LayOutConstants(const EffectSource& source);

// The texture stage of each parameter: sampler i in declaration order takes stage i; -1 for others.
std::vector<int> SamplerStages(const EffectSource& source);

// The text handed to the device for one program (the device adds its version line, prologue and
// epilogue). `#line L S` markers map every line back to file S of source.files.
std::string GenerateProgramText(const EffectSource& source, const ConstantLayout& layout,
                                const std::vector<int>& stages, const ProgramDecl& program);

// Line numbers in the `#line` markers carry the file as well (file × LinesPerFile + line), since the
// GLSL compiler does not always report the source-string number of a message; DecodedLine takes a
// reported file and line back to the place. Beyond MaxEncodedFiles files lines are given plainly.
constexpr std::uint32_t LinesPerFile = 1u << 20;
constexpr std::uint32_t MaxEncodedFiles = 2047;
std::uint32_t EncodedLine(const SourcePlace& place);
SourcePlace DecodedLine(std::uint32_t file, std::uint32_t line);

// Whether the text contains the name as a whole identifier.
bool MentionsName(const std::string& text, const std::string& name);

} // namespace Platform::GfxKit
