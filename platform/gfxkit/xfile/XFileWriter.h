#pragma once

#include "platform/gfx/Results.h"
#include "platform/gfxkit/xfile/XFileModel.h"

#include <string>

// The writer of X files in their text form: "xof 0303txt 0032", no template declarations, two-space
// indentation, floats written with "%.9g" so that each reads back bit for bit. The same description
// always gives the same bytes, and the reader reads what it writes back equal.
namespace Platform::GfxKit
{

// Writes `model` into `text`. InvalidCall, with `text` left empty, for a description the text form
// cannot carry or that would not read back equal: a name with a character names may not hold, a string
// with a double quote, a face or index out of range, lists whose lengths do not match, a mesh held by no
// frame and not at top level, or a mesh held in several places without a name of its own.
Gfx::Result WriteXFileText(const XFileModel& model, std::string& text);

// Writes `model` to the file at `path` (through Platform::OpenFile). InvalidCall as above; Fail when
// the file cannot be written.
Gfx::Result WriteXFile(const std::string& path, const XFileModel& model);

} // namespace Platform::GfxKit
