#pragma once

class CEditablePuzzle;

namespace Fuzz
{

// Plays a loaded puzzle once through the six player commands (a few blocks grabbed, dragged part of
// the way and let go, the board settled, undo, redo, restart) and saves it in both formats, so a
// consistent-looking but damaged puzzle is exercised beyond its load.
void ExercisePuzzle(CEditablePuzzle& puzzle);

} // namespace Fuzz
