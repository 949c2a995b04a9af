// Binary puzzle files (".blvl"), loaded as the game loads a level, then played and saved once.

#include "fuzz/FuzzSupport.h"
#include "fuzz/PuzzleExercise.h"
#include "puzzle/EditablePuzzle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".blvl");
    CEditablePuzzle puzzle;
    if (puzzle.LoadBinary(input.Path()))
    {
        Fuzz::ExercisePuzzle(puzzle);
    }
    return 0;
}
