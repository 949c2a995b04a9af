#pragma once

#include "game/map/EditableMap.h"

#include <string>
#include <vector>

// The generator's own text form of a world map's layout ("mediagen/maps/<setting>.txt"). Lines, "#"
// starting a comment line:
//
//   setting jungle          the map's image folder, also naming its path file
//   grid                    then the whole grid, border ring included, two text columns and two text
//                           lines per cell: a cell's character stands at column 2x of line 2y; between
//                           two cells of a line "-" is a passage east-west ("=" the same without a
//                           barrier image), below a cell "|" is a passage north-south ("!" without a
//                           barrier image); "." (or a space) is no cell
//   legend                  then one line per cell character: the character, the tile name and the
//                           cell's content, any of
//                             level N              the N-th level of the map's list (1 = the first)
//                             exit N               an exit with id N (0 to 15)
//                             key A|B|C            gives one key of that kind
//                             lock A|B|C           takes one key of that kind to open
//                             gold N               opens for N gold
//                             treasure N           N gold (1 to 255)
//                             pylon, fogremover
//                             action walknorth|walksouth|startpuzzle|walknorth2|removefog|walkeast|walkwest
//                             cutscene NAME WHEN   the cell's first sequence script, WHEN one of
//                             cutscene2 NAME WHEN  entered, solved, opened, keymissing, always
//                           a line "mood NAME" gives the mood picture of the legend lines after it
//
// A cell character that no legend line names, a passage into the border ring, a passage ending where
// there is no cell, a cell without any passage, a level on two cells or on none, a map larger than
// MaxMapInterior cells inside its border or with more than CMap::MaxProgressCells cells that have a
// passage, and a sequence whose trigger the cell cannot fire (solved without a puzzle, opened without a
// lock, keymissing without a key lock) are refused.
namespace MediaGen
{

// The largest interior, in cells, of a world map: its picture of (size + 2) × 64 pixels each way then
// stays within 2048 × 2048.
constexpr int MaxMapInterior = 30;

// Reads a map source into map (size, setting and every cell; the level list is not touched), whose
// levels must be exactly 1 .. levelCount. On a fault answers false with error set to
// "<file>:<line>: <what is wrong>" (line 0 for a fault of the whole file).
bool ParseMapSource(const std::string& file, const std::string& text, int levelCount, CEditableMap& map,
                    std::string& error);

// The rules over a whole map that its cells must meet together: exactly one exit with id 0, which is the
// lowest; for each key kind at least as many cells giving one as locks taking one; a cell with the
// "remove fog" action and a "fogremover" cell it lifts; two pylons. On a fault answers false with error
// set to "<file>:0: <the rule>".
bool CheckMapContent(const std::string& file, const CMap& map, std::string& error);

// One step of a map's play-through route ("mediagen/maps/<setting>.route"): the cell to go to, with
// the grid coordinates CMap counts (border included), and what to do there.
struct RouteStep
{
    enum Act
    {
        Walk,  // walk to the cell
        Play,  // walk to the cell and solve its level
        Open,  // walk to the cell and open its lock
        Leave  // walk to the exit cell and take it
    };
    Act act = Walk;
    int x = 0;
    int y = 0;
    // The source line, for messages.
    int line = 0;
};

// Reads a route: one "<act> <x> <y>" a line, act one of walk, play, open, leave; "#" lines and empty
// lines are comments. On a line that does not parse answers false with error set to
// "<file>:<line>: <reason>".
bool ParseMapRoute(const std::string& file, const std::string& text, std::vector<RouteStep>& steps,
                   std::string& error);

// The act's word in a route file.
const char* RouteActName(RouteStep::Act act);

} // namespace MediaGen
