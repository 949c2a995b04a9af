#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The programs the device layer writes for draws that come without a vertex program, without a pixel
// program, or without both. They are ordinary programs of the layer (Shader.h), so pixel centres,
// row order, depth and the alpha test work as for programs callers give; the two sides meet through
// the stage outputs that Shader.h documents.
namespace Platform::Gfx
{

// At most this many texture stages take part in the cascade.
constexpr std::uint32_t FixedStageCount = 8;

// How one stage of the cascade combines; texture is the kind bound on a stage that reads its texture
// (0 none, 1 2D, 2 cube, 3 volume), 0 on a stage that does not.
struct FixedStageKey
{
    std::uint8_t colorOp = 0;
    std::uint8_t colorArg1 = 0;
    std::uint8_t colorArg2 = 0;
    std::uint8_t alphaOp = 0;
    std::uint8_t alphaArg1 = 0;
    std::uint8_t alphaArg2 = 0;
    std::uint8_t texCoordIndex = 0;
    std::uint8_t texture = 0;

    bool operator==(const FixedStageKey&) const = default;
};

// Everything that shapes one generated program; two programs with equal keys are the same program.
// A key is a plain value: building and comparing it allocates nothing.
struct FixedProgramKey
{
    std::uint8_t pixel = 0;          // 0: a vertex program, 1: a pixel program
    std::uint8_t pretransformed = 0; // vertex: positions are pixels of the target (x, y, z, rhw)
    std::uint8_t hasColor0 = 0;      // vertex: the vertices carry COLOR0 / COLOR1
    std::uint8_t hasColor1 = 0;
    std::uint8_t stageCount = 0; // pixel: stages before the first disabled one
    FixedStageKey stages[FixedStageCount];

    bool operator==(const FixedProgramKey&) const = default;
};

// The GLSL body of a generated program (the layer's prologue and epilogue are added by Shader::Make).
// Features the programs do not reproduce are appended to notes as (trace key, text) once per program;
// the device traces each key once.
std::string FixedProgramSource(const FixedProgramKey& key,
                               std::vector<std::pair<std::uint32_t, std::string>>& notes);

// Whether a stage of the key reads its texture.
bool StageReadsTexture(const FixedStageKey& stage);

} // namespace Platform::Gfx
