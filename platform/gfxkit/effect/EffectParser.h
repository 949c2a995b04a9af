#pragma once

#include "platform/gfxkit/effect/EffectSyntax.h"

namespace Platform::GfxKit
{

class EffectMessages;
struct PreprocessedText;

// Parses preprocessed effect text into declarations. False after reporting the first error.
bool ParseEffect(const PreprocessedText& text, EffectSource& source, EffectMessages& messages);

// True for the names that effect files may not give parameters, struct types, members or programs.
bool IsReservedName(const std::string& name);

} // namespace Platform::GfxKit
