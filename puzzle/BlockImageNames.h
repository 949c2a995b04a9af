#pragma once

#include <string>

class CBlock;

// The image file of a block in the 2D view, "Puzzle2D/" followed by the file for the type name. Pieces of
// a meta-block get a suffix naming the free end: "_ns" / "_we" for a middle piece, "_s" for a block
// linked only to the north, "_n" south, "_w" east, "_e" west. Bridges and flexible blocks only tell the
// axis ("_ns" or "_we"); player and obstacle blocks have one image. A type name without an image gives
// "Puzzle2D/" alone.
std::string Block2DImageName(const std::string& typeName, bool linkedNorth, bool linkedSouth, bool linkedEast,
                             bool linkedWest);

// The same for a block by its type name and its linked neighbours.
std::string Block2DImageNameForBlock(const CBlock& block);
