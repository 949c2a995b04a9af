#pragma once

#include "puzzle/EndlessPlayPuzzle.h"

#include <string>

// A puzzle that the editors, the generator and the batch tools change and save.
class CEditablePuzzle : public CEndlessPlayPuzzle
{
public:
    // One world step, then a consistency check of the occupancy grid (for the debugger; its answer is
    // not used).
    void Update(double dt) override;

    // Writes the puzzle as XML (root "puzzle", no declaration) and remembers the file name. True only
    // when the whole file was written; a failure is traced with the file name.
    bool SaveXml(const std::string& fileName);
    // Writes the puzzle as ".blvl" and remembers the file name. True only when the whole file was
    // written; a failure is traced with the file name.
    bool SaveBinary(const std::string& fileName);
};
