#pragma once

#include "platform/gfxkit/effect/EffectRecords.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform::GfxKit
{

class EffectMessages;

// Where an output line of the preprocessor came from.
struct SourceLine
{
    std::uint32_t file = 0; // index into PreprocessedText::files
    std::uint32_t line = 0; // 1-based
};

// An effect file after preprocessing: comments gone, directives done, macros expanded. Output line i
// (lines end with '\n') comes from lines[i]; a directive or an inactive line leaves an empty line, so
// the text of one file keeps its line numbers.
struct PreprocessedText
{
    std::string text;
    std::vector<SourceLine> lines;
    std::vector<std::string> files; // names for messages: 0 the main file, then includes as written
};

struct PreprocessInput
{
    std::string name; // the main file's name in messages ("memory" for text from memory)
    std::string path; // the main file's path, for includes beside it; empty for text from memory
    const char* text = nullptr;
    std::size_t length = 0;
    const Macro* macros = nullptr; // ends with a null name; may be null
    Include* include = nullptr;    // null: includes are files relative to the including file
};

// Limits that keep a bad or hostile file from hanging or exhausting memory.
constexpr std::uint32_t MaxIncludeDepth = 32;
constexpr std::size_t MaxPreprocessedBytes = 16u << 20;

// False after reporting the first error to messages; #warning adds warnings and goes on.
bool Preprocess(const PreprocessInput& input, PreprocessedText& output, EffectMessages& messages);

} // namespace Platform::GfxKit
