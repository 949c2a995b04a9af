#pragma once

#include "puzzle/EditablePuzzle.h"

#include <string>
#include <vector>

// The generator's own text form of a level. Lines, "#" starting a comment line:
//
//   gfxset jungle              the graphics set (a sub-folder of models/)
//   environment basic1         the environment file (environments/<name>.xml)
//   board field_6x6            the board model; it must be the one of the grid's size
//   exit east 2                one line per exit: north, south, west or east and the cell along that edge
//   binary                     optional: the level is written as ".blvl" instead of XML
//   grid                       then one line per board row, one character per cell, "." empty
//   legend                     then one line per character: the character, a block type name and,
//                              optionally, a link group number
//
// Every cell holds one block. Cells of characters that share a link group are linked to their
// neighbouring cells of that group into one piece, which must be one straight line of cells; a character
// without a group gives an unlinked block in each of its cells.
namespace MediaGen
{

struct LevelCell
{
    char character = '.';
    std::string type;
    // The link group, or -1 for a block of its own.
    int group = -1;
};

struct LevelSource
{
    std::string file;
    std::string gfxSet;
    std::string environment;
    std::string board;
    std::vector<PuzzleExit> exits;
    bool binary = false;
    int width = 0;
    int height = 0;
    // The line of "grid", named when the level as a whole is refused.
    int gridLine = 0;
    // Row by row, width × height cells.
    std::vector<LevelCell> cells;

    const LevelCell& At(int x, int y) const { return cells[static_cast<size_t>(y * width + x)]; }
};

// Reads a level source. On a fault answers false with error set to "<file>:<line>: <what is wrong>"
// (line 0 when the fault belongs to the whole file, such as a missing grid).
bool ParseLevelSource(const std::string& file, const std::string& text, LevelSource& source,
                      std::string& error);

// Builds the puzzle of a parsed source through the puzzle's editing operations: board size, exits and
// names, then one block per cell in row order, linked within their groups. Every block (walls and exits
// too) is numbered 1, 2, 3, ... in list order, so a level's file never depends on the blocks made
// before it. The start position is taken.
void BuildLevelPuzzle(const LevelSource& source, CEditablePuzzle& puzzle);

} // namespace MediaGen
