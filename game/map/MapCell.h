#pragma once

#include <cstdint>
#include <string>

// One cell of a world map. The map file stores the puzzle, the texts, the gold requirement, the walk bits
// and the flags; the search mark, the fog mask and the state belong to a running game and are never
// written.
struct MapCell
{
    // Walk bits: a passage from this cell to its northern or eastern neighbour, and no barrier image on
    // that edge. The southern and western edges are the neighbours' northern and eastern ones.
    static constexpr std::uint8_t CanWalkNorth = 0x1;
    static constexpr std::uint8_t CanWalkEast = 0x2;
    static constexpr std::uint8_t HideObstacleNorth = 0x4;
    static constexpr std::uint8_t HideObstacleEast = 0x8;

    // Flags: the cell's content.
    static constexpr std::uint32_t ProvidesKeyA = 0x1;
    static constexpr std::uint32_t ProvidesKeyB = 0x2;
    static constexpr std::uint32_t ProvidesKeyC = 0x4;
    static constexpr std::uint32_t NeedsKeyA = 0x8;
    static constexpr std::uint32_t NeedsKeyB = 0x10;
    static constexpr std::uint32_t NeedsKeyC = 0x20;
    static constexpr std::uint32_t NeedsAnyKey = NeedsKeyA | NeedsKeyB | NeedsKeyC;
    static constexpr std::uint32_t Exit = 0x40;
    static constexpr unsigned ExitIdShift = 7;          // 4 bits, 0 to 15
    static constexpr std::uint32_t Pylon = 0x800;
    static constexpr unsigned TreasureShift = 12;       // 8 bits: the treasure's gold, 0 = none
    static constexpr unsigned Sequence1TriggerShift = 20; // 3 bits
    static constexpr unsigned Sequence2TriggerShift = 23; // 3 bits
    static constexpr unsigned ActionShift = 26;         // 4 bits
    static constexpr std::uint32_t FogRemover = 1u << 30;

    // State bits of a running game.
    static constexpr std::uint32_t StateSolved = 0x1;
    static constexpr std::uint32_t StateRevealed = 0x2;
    static constexpr std::uint32_t StateKeysTaken = 0x4;
    static constexpr std::uint32_t StateOpened = 0x8;
    static constexpr std::uint32_t StateTreasureTaken = 0x10;
    static constexpr std::uint32_t StatePylonTaken = 0x20;
    static constexpr std::uint32_t StateSequence1Played = 0x40;
    static constexpr std::uint32_t StateSequence2Played = 0x80;
    static constexpr std::uint32_t StateActionDone = 0x100;
    // The state bits a saved game keeps (as its bits 0 to 6); solved and revealed are derived.
    static constexpr unsigned SavedStateShift = 2;
    static constexpr std::uint32_t SavedStateBits = 0x1FC;

    // Sequence triggers ("seq1trigger", "seq2trigger").
    static constexpr int TriggerEntered = 0;
    static constexpr int TriggerPuzzleSolved = 1;
    static constexpr int TriggerLockOpened = 2;
    static constexpr int TriggerKeyMissing = 3;
    static constexpr int TriggerAlwaysEntered = 4;

    // Cell actions.
    static constexpr int ActionWalkNorth = 1;
    static constexpr int ActionWalkSouth = 2;
    static constexpr int ActionStartPuzzle = 3;
    static constexpr int ActionWalkNorth2 = 4;
    static constexpr int ActionRemoveFog = 5;
    static constexpr int ActionWalkEast = 6;
    static constexpr int ActionWalkWest = 7;

    // Index into the map's level list; any negative value means no puzzle (the reader stores -1).
    std::int32_t puzzle = -1;
    std::string cutscene;
    std::string cutscene2;
    std::string tile = "empty";
    std::string moodimg;
    // Scratch value of the cell route search: -1 not yet found, else the steps from the start. Wide
    // enough for any distance the grid allows; never stored.
    std::int32_t searchMark = -1;
    // Gold the player must own to pass; 0 = none.
    std::int32_t goldreq = 0;
    // Four fog corners, a set bit under fog.
    std::uint8_t fogMask = 15;
    std::uint8_t walkBits = 0;
    std::uint32_t flags = 0;
    std::uint32_t state = 0;

    bool HasPuzzle() const { return puzzle >= 0; }
    bool IsExit() const { return (flags & Exit) != 0; }
    int GetExitId() const { return static_cast<int>((flags >> ExitIdShift) & 0xFu); }
    // The treasure's gold, 0 when the cell has none.
    int GetTreasure() const { return static_cast<int>((flags >> TreasureShift) & 0xFFu); }
    int GetSequence1Trigger() const { return static_cast<int>((flags >> Sequence1TriggerShift) & 0x7u); }
    int GetSequence2Trigger() const { return static_cast<int>((flags >> Sequence2TriggerShift) & 0x7u); }
    int GetAction() const { return static_cast<int>((flags >> ActionShift) & 0xFu); }
    bool IsSolved() const { return (state & StateSolved) != 0; }
    bool IsRevealed() const { return (state & StateRevealed) != 0; }
    bool IsOpened() const { return (state & StateOpened) != 0; }

    bool operator==(const MapCell&) const = default;
};
