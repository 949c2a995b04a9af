#pragma once

#include "foundation/Rect.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CPuzzle;

// The replays of the levels' solutions as game commands, for the tests that play them through the game.
namespace MediaGen
{

// "replays <media folder> <replay folder>": for every level the map files list, the solver's solution
// played back as game commands, one per line "kind param x y" (0 select, 1 drag to the target in board
// units, 2 release), written to <replay folder>/<region>/NN.replay. Answers the exit code (1 when a
// level cannot be read, solved or replayed, or a file cannot be written; 2 for bad arguments).
int RunReplaysCommand(const std::vector<std::string>& arguments);
const char* ReplaysUsage();

// Every block's rectangle, in block list order.
using BoardRects = std::vector<BaseLib::CRectF>;

// One game move: grab the block, drag its top-left corner to the target, let go.
struct GameMove
{
    int32_t blockId;
    float x;
    float y;
};

// The game moves that take the puzzle's board, as it stands, through each board of the solution in
// turn: for each, the first candidate drag (each grabbable block, each direction 0 to 3, the solver's
// trial distances) whose board, played and settled as the game plays it, equals it; else the first
// such pair of drags, since the game counts two moves of the same blocks in a row as one. None when a
// board cannot be reached so. Switches the puzzle's recording off and leaves it at the last board.
std::optional<std::vector<GameMove>> ReconstructGameMoves(CPuzzle& play,
                                                          const std::vector<BoardRects>& solution);

} // namespace MediaGen
