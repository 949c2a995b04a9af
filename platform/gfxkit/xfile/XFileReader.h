#pragma once

#include "platform/gfx/Results.h"
#include "platform/gfxkit/xfile/XFileModel.h"

#include <string>
#include <string_view>

// The reader of X files in their text form. A damaged, truncated or hostile file is refused, never
// trusted: every count is checked against the text that remains before anything is allocated for it,
// nesting is limited to 256 levels, and reading takes time and memory in proportion to the file.
namespace Platform::GfxKit
{

// Reads the file at `path` (opened through Platform::OpenFile) into `model`.
// Ok on success. NotFound when the file cannot be opened ("<file>: cannot open"); InvalidData for a file
// that is not an X file, a binary or compressed one, or one whose text is damaged
// ("<file>(<line>): <problem>"). Each refusal writes exactly one such line to the debug output and
// leaves `model` empty. Objects the reader does not know are skipped with one trace line per name.
Gfx::Result ReadXFile(const std::string& path, XFileModel& model);

// The same for file content already in memory; `name` stands for the file in trace lines.
Gfx::Result ReadXFileText(std::string_view name, std::string_view text, XFileModel& model);

// Whether `c` may stand in a name: anything but white space and the characters that separate tokens.
// The writer refuses names the reader would split.
bool IsXFileNameChar(char c);

} // namespace Platform::GfxKit
