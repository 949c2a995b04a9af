// The blocks library file, loaded as the block designer loads it, then applied to a small board and
// saved once.

#include "fuzz/FuzzSupport.h"
#include "puzzle/BlocksLibrary.h"
#include "puzzle/EditablePuzzle.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".xml");
    BlocksLibrary library;
    if (library.Load(input.Path()))
    {
        // A board with a piece of each length the designer's shapes usually have.
        const std::vector<PuzzleCell> cells = {{'P', 0}, {'P', 0}, {'-', -1}, {'#', 1}, {'#', 1},  {'#', 1},
                                               {'N', 2}, {'#', 2}, {'N', 2},  {'O', 3}, {'-', -1}, {'S', 4}};
        CEditablePuzzle puzzle;
        if (puzzle.CreateFromCellGrid(cells, 3, 4, {{0, 0}}))
        {
            library.BuildFromPuzzle(nullptr, puzzle);
        }
        for (int32_t i = 0; i < library.GetCount(); ++i)
        {
            (void)library.GetEntry(i);
        }
        library.Save(Fuzz::ScratchPath("library.xml"));
    }
    return 0;
}
