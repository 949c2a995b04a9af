#pragma once

#include "puzzle/BlockGrid.h"
#include "puzzle/BlockState.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class CBlock;

// Every listed block's place, in order, and the move count that goes with it.
struct PuzzleSnapshot
{
    std::vector<BlockState> states;
    int32_t moveCount = 0;

    // Same entries, in order, with the same blocks and exactly the same four floats.
    bool Equals(const PuzzleSnapshot& other) const;
    // Same entries, in order, with the same blocks (rectangles ignored).
    bool HasSameBlocks(const PuzzleSnapshot& other) const;
};

// One puzzle in memory: the board size in cells, the blocks standing on it (owned, in insertion order),
// the occupancy grid, the player's selection, the move count and the undo and redo histories.
//
// The game drives it only through its six commands (select, drag, release, restart, undo, redo) and
// Update once per fixed world step (0.02 s); every per-step amount is fixed, so Update(0.0) is a full
// step. A move counts when the board comes to rest with no block held. A puzzle is used by one thread
// at a time and takes no lock.
class CPuzzle
{
public:
    // The most entries each history keeps; the oldest go first.
    static constexpr size_t MaxHistory = 1000;
    // Steps in motion with nothing held after which the uncommitted moves are reverted, every step.
    static constexpr int32_t MaxStuckSteps = 150;

    CPuzzle();
    virtual ~CPuzzle();
    CPuzzle(const CPuzzle&) = delete;
    CPuzzle& operator=(const CPuzzle&) = delete;

    // One world step: every block's own update, then the commit of a move once the board is at rest.
    virtual void Update(double dt);

    int32_t GetWidth() const { return m_width; }
    int32_t GetHeight() const { return m_height; }
    // Sets the board size in cells and enters every block into the grid again; negative sizes count as 0.
    void ResizeBoard(int32_t width, int32_t height);

    // The first block of the list with the id, or null.
    CBlock* FindBlockById(int32_t id) const;
    // Appends the block (the puzzle takes ownership) and enters it into the grid.
    void AddBlock(CBlock* block);
    // Deletes every block, empties the grid and both histories.
    void DeleteAllBlocks();
    const std::vector<CBlock*>& GetBlocks() const { return m_blocks; }

    BlockGrid& GetGrid() { return m_grid; }
    const BlockGrid& GetGrid() const { return m_grid; }

    // ---- the game commands ----

    // Holds the block with the id when nothing is held and nothing moved in the last step.
    void SelectBlock(int32_t id);
    // Moves the held block so that its top-left corner goes toward (x, y): along x first, then along y
    // by the difference measured before the x move, each pushing with limit 1000. Other ids are ignored.
    void DragBlock(int32_t id, float x, float y);
    // Lets go of the block when it is the held one.
    void ReleaseBlock(int32_t id);
    // Puts every block back at the start; the move count becomes 0 and the redo history is emptied.
    // Without keep-undo the undo history is emptied too; with it the way back is recorded as a move.
    void Restart(bool keepUndo);
    // Take back the last move, or make the last undone move again; ignored unless CanUndo / CanRedo.
    void Undo();
    void Redo();
    // True while recording, with history to use, nothing moving and no block held.
    bool CanUndo() const;
    bool CanRedo() const;

    // ---- state ----

    int32_t GetSelectedBlockId() const { return m_selectedBlockId; }
    int32_t GetMoveCount() const { return m_moveCount; }
    // Replaces the move count (a developer command marks a level solved with a count of its own).
    void SetMoveCount(int32_t moves) { m_moveCount = moves; }
    bool IsSolved() const { return m_solved; }
    // Set by the exits from their update; cleared by every step in which a block moves.
    void SetSolved() { m_solved = true; }
    void ClearSolved() { m_solved = false; }
    // Some block moved in the last step.
    bool IsMoving() const { return m_moving; }
    bool IsRecording() const { return m_recording; }
    // Sets the recording flag and empties both histories.
    void SetRecording(bool recording);
    bool IsTimeFrozen() const { return m_timeFrozen; }
    int32_t GetMinSolveMoves() const { return m_minSolveMoves; }
    int32_t GetParSolveMoves() const { return m_parSolveMoves; }
    const std::deque<PuzzleSnapshot>& GetUndoHistory() const { return m_undo; }
    const std::deque<PuzzleSnapshot>& GetRedoHistory() const { return m_redo; }
    const PuzzleSnapshot& GetStartSnapshot() const { return m_start; }

    const std::string& GetFileName() const { return m_fileName; }
    const std::string& GetGfxSetName() const { return m_gfxSetName; }
    const std::string& GetEnvironmentName() const { return m_environmentName; }
    const std::string& GetBoardName() const { return m_boardName; }
    // Changes whenever the puzzle is set up anew; views compare it with the number they last drew.
    uint32_t GetChangeNumber() const { return m_changeNumber; }

    // ---- rect changes, for searches ----

    // The most changes noted between two clears; past it the notes overflow.
    static constexpr size_t MaxNotedRectChanges = 1024;
    // From now on every change of a block's rect notes the block (once per change) until the next clear;
    // a search that knows where the board stood at the clear then puts back only the noted blocks.
    // Clearing also starts a new round, so a search tells whether someone cleared the notes since it did,
    // and a new journal of the grid, which takes the grid's cells back to where they stood at the clear.
    void ClearRectChanges()
    {
        m_noteRectChanges = true;
        m_rectChanges.clear();
        m_rectChangesOverflowed = false;
        ++m_rectChangeRound;
        m_grid.StartJournal();
    }
    // Called by a block right after its rect changed.
    void NoteRectChange(CBlock* block)
    {
        if (!m_noteRectChanges)
        {
            return;
        }
        if (m_rectChanges.size() < MaxNotedRectChanges)
        {
            m_rectChanges.push_back(block);
        }
        else
        {
            m_rectChangesOverflowed = true;
        }
    }
    // The blocks noted since the last clear; incomplete when overflowed.
    const std::vector<CBlock*>& GetRectChanges() const { return m_rectChanges; }
    bool RectChangesOverflowed() const { return m_rectChangesOverflowed; }
    uint64_t GetRectChangeRound() const { return m_rectChangeRound; }

    // ---- start and history ----

    // Every block's current place becomes the start and the last commit; both histories are emptied.
    // The move count and the solved flag stay.
    void ResetHistory();
    // ResetHistory, then every block rebuilds its links and partner lists; a new change number.
    void TakeStartSnapshot();

    // ---- files ----

    // The largest board side a file may give: a damaged or hostile size is refused before anything is
    // built.
    static constexpr int32_t MaxBoardSide = 1000;

    // Loads an XML puzzle (root "puzzle"). False, with the puzzle unchanged, when the file cannot be read
    // or parsed; false, keeping the blocks, for another root or a board side above MaxBoardSide (traced).
    // Blocks of an unknown type are skipped with a trace. False, with the puzzle left empty, when the
    // blocks stack over the board eight times or more (traced). The start snapshot is taken.
    bool LoadXml(const std::string& fileName);
    // Loads a ".blvl" puzzle. False when the file cannot be opened or its board side is above
    // MaxBoardSide (the puzzle unchanged), and false with the puzzle left empty when the file is short,
    // damaged, names an unknown block type or stacks its blocks over the board eight times (traced).
    bool LoadBinary(const std::string& fileName);

    // ---- stars ----

    // The most moves that still earn k stars (0-3); 0 for any other k. Measured against the par when it
    // is above 0, else against the shortest solution.
    int32_t GetMoveLimitForStars(int32_t stars) const;
    // 0 when not solved; else the most stars whose move limit the move count keeps.
    int32_t GetStars() const;

protected:
    static uint32_t NextChangeNumber();
    void PushUndo(int32_t moveCount);
    void CaptureMoved(PuzzleSnapshot& snapshot) const;
    void Restore(const PuzzleSnapshot& snapshot);
    void StoreAllPrevious();
    bool AnyMoved() const;

    std::vector<CBlock*> m_blocks;
    BlockGrid m_grid;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_selectedBlockId = -1;
    int32_t m_moveCount = 0;
    bool m_solved = false;
    bool m_moving = false;
    int32_t m_stuckCounter = 0;
    bool m_recording = true;
    bool m_timeFrozen = false;
    int32_t m_minSolveMoves = -1;
    int32_t m_parSolveMoves = -1;
    PuzzleSnapshot m_start;
    std::deque<PuzzleSnapshot> m_undo;
    std::deque<PuzzleSnapshot> m_redo;
    std::string m_fileName;
    std::string m_gfxSetName = "jungle";
    std::string m_environmentName = "jungle1";
    std::string m_boardName = "field_6x6";
    uint32_t m_changeNumber;

private:
    std::vector<CBlock*> m_rectChanges;
    bool m_noteRectChanges = false;
    bool m_rectChangesOverflowed = false;
    uint64_t m_rectChangeRound = 0;
    // The moved blocks' places while a commit compares them with the last undo entry; kept to spare an
    // allocation per commit.
    PuzzleSnapshot m_scratch;
};
