#pragma once

#include <string>

class CBlock;
class CPuzzle;

// Creates the block kind that a type name stands for (exact, case-sensitive names, including the older
// "magnet", "magnet_northpole" and "magnet_southpole"). The block is made for the puzzle but not added
// to it; the caller owns it. Returns null for a name that is not a block type.
CBlock* CreateBlockByType(CPuzzle* puzzle, const std::string& type);

// True when CreateBlockByType knows the type name.
bool IsBlockType(const std::string& type);
