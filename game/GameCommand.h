#pragma once

#include <cstdint>

// The kinds of game command, by number. Kinds up to SelectMap pass only while user control is on.
enum class GameCommandKind : std::int32_t
{
    GrabBlock = 0,
    MoveBlock = 1,
    ReleaseBlock = 2,
    RestartPuzzle = 3,
    UndoMove = 4,
    RedoMove = 5,
    MapWalkTo = 6,
    MapEnterCell = 7,
    MapStartLevel = 8,
    MapExit = 9,
    SelectMap = 10,
    LeaveMap = 11,
    ShowMapHighlight = 12,
    HideMapHighlight = 13,
    ShowDirectionArrow = 14,
    HideDirectionArrow = 15,
    ShowPointer = 16,
    HidePointer = 17,
    CutsceneDone = 18,
    Cheat = 19
};

// One thing a screen, a cut-scene or a tool asks of the game: a block id, map index or direction code
// in param (-1 for none), a position in board units or map cells in x and y (0 for none).
struct GameCommand
{
    GameCommandKind kind = GameCommandKind::GrabBlock;
    std::int32_t param = -1;
    float x = 0.0f;
    float y = 0.0f;
};

static_assert(sizeof(GameCommand) == 16, "a game command is four 32-bit fields");
