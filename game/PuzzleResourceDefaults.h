#pragma once

#include <string>
#include <vector>

namespace BaseLib
{
class CPathAliases;
}

class CEditablePuzzle;
class CQuarrowWorld;

// Puts names of media that exist in place of the puzzle's missing ones, in this order: a gfx set not in
// gfxSets (sorted) becomes its first entry, or the second when the first is "gs_plastic" and there are
// more (an empty list leaves it); a missing board model becomes "field_6x6"; a missing environment file
// "jungle1"; every missing block model (non-empty names only) "blk_default". Files are tested on their
// resolved paths; a name is set only when it changes.
void ApplyPuzzleResourceDefaults(CEditablePuzzle& puzzle, const std::vector<std::string>& gfxSets,
                                 const BaseLib::CPathAliases& aliases);
// The same for the world's puzzle, gfx-set list and aliases; nothing without a puzzle.
void ApplyPuzzleResourceDefaults(CQuarrowWorld& world);
