#pragma once

#include "puzzle/EndlessPlayPuzzle.h"

#include <cstdint>
#include <string>
#include <vector>

class CMetaBlockDescription;

// An exit of the board: the edge it lies on and its cell along that edge, counted from 0.
struct PuzzleExit
{
    // 0 north edge, 1 south, 2 west, 3 east (the BlockDirection numbers); 4 means no exit.
    int32_t side = 4;
    int32_t offset = -1;

    bool operator==(const PuzzleExit&) const = default;
};

// One cell of a board built from a grid: the block character ('-' for an empty cell) and the piece the
// block belongs to. Neighbouring cells of one group are linked into one piece.
struct PuzzleCell
{
    char type = '-';
    int32_t group = 0;
};

// A puzzle that the editors, the generator and the batch tools change and save.
//
// The board is framed by a border two cells thick outside it: walls everywhere except at the exit
// cells, each of which holds one 1 by 1 exit trigger. Every editing operation ends by taking a new start
// position (so the undo history is emptied and a new change number taken); those that change the
// blocks also forget the shortest solution (min solve moves -1).
class CEditablePuzzle : public CEndlessPlayPuzzle
{
public:
    // One world step, then a consistency check of the occupancy grid (for the debugger; its answer is
    // not used).
    void Update(double dt) override;

    // Deletes every block and builds the border with one exit on the east side at offset 2. The board
    // size stays.
    virtual void Clear();

    // Replaces the border: every wall and exit trigger is deleted and the border built again with these
    // exits, in order.
    void SetExits(const std::vector<PuzzleExit>& exits);
    // The number of exit triggers.
    int32_t GetNumExits() const;
    // Exit i is the i-th exit trigger in block order; its side is taken from where it stands (west and
    // east first, then north and south); a trigger inside the board, or an index not below
    // GetNumExits, gives {4, -1}.
    PuzzleExit GetExit(int32_t index) const;

    // Places one block per part of the description from the cell (x, y) on, downwards when vertical
    // else rightwards, each linked to the one before; flexible parts are squeezed flat along the chain.
    // Answers false, changing nothing, when the description has no part, names a type that is not a
    // block type (traced), or when a new solid block would overlap an existing solid block.
    bool PlaceMetaBlock(const CMetaBlockDescription& description, float x, float y, bool vertical);

    // Builds the puzzle from a text file of whitespace-separated row tokens, one character per cell
    // (see BlockFromChar; "-" is empty, equal letters next to each other are linked). A token of only
    // "E"s before the first row sets a north exit, after it a south exit, at the index of its last "E";
    // an "E" in a row sets an east exit at that row and ends the row. Cells a short row lacks are empty.
    // Answers false, before anything is deleted, when the file cannot be read, holds no row or gives a
    // side above MaxBoardSide (traced). The file name is stored once the file was opened.
    bool BuildFromCharGrid(const std::string& fileName);

    // Builds the puzzle from width x height cells in row order and the border with the exits: every
    // cell other than '-' gives one block (BlockFromChar), linked west and north to neighbouring cells of
    // its group. Answers false, changing nothing, when a side is outside 1 to MaxBoardSide or there are
    // fewer cells than width x height (traced).
    bool CreateFromCellGrid(const std::vector<PuzzleCell>& cells, int32_t width, int32_t height,
                            const std::vector<PuzzleExit>& exits);

    // Resizes the board: the exits that still fit stay, every block reaching past the new size is
    // deleted with its whole piece, and the border is built again. Sides outside 1 to MaxBoardSide are
    // refused (traced) and change nothing.
    void SetGridSize(int32_t width, int32_t height);

    // Deletes the block with the id together with every block linked to it. An unknown id deletes
    // nothing (the start position is still taken anew).
    void DeleteBlock(int32_t id);

    // Each takes a new change number.
    void SetEnvironmentName(const std::string& name);
    void SetBoardName(const std::string& name);
    void SetGfxSetName(const std::string& name);

    // The shortest solution's length (-1 unknown, 0 no solution). A positive n above the par raises the
    // par to n.
    void SetMinSolveMoves(int32_t moves);
    void SetParSolveMoves(int32_t moves) { m_parSolveMoves = moves; }
    // While frozen the world step moves no block.
    void SetTimeFrozen(bool frozen) { m_timeFrozen = frozen; }
    // Takes the current blocks as the new start position; with forgetMinMoves the shortest solution is
    // forgotten as well.
    void MarkChanged(bool forgetMinMoves);

    // The block a grid character stands for, made for this puzzle and not yet added (the caller owns
    // it): "B"/"C" bridge, "F"/"G" flex, "W"/"X" weak flex, "L" linked, "M"/"N" pulling magnet, "S"
    // pushing magnet, "O" obstacle, "P" player, any other a normal block.
    CBlock* BlockFromChar(char c);

    // Writes the puzzle as XML (root "puzzle", no declaration) and remembers the file name. True only
    // when the whole file was written; a failure is traced with the file name.
    bool SaveXml(const std::string& fileName);
    // Writes the puzzle as ".blvl" and remembers the file name. True only when the whole file was
    // written; a failure is traced with the file name.
    bool SaveBinary(const std::string& fileName);

private:
    // Adds the exit triggers and the walls of the border around the current board size.
    void BuildBorder(const std::vector<PuzzleExit>& exits);
    // Takes every block for which the test answers true, with its whole piece, out of the list and the
    // grid and deletes it.
    template <class Test> void DeletePiecesWhere(const Test& test);
    // The exit a trigger stands for, by where it stands; {4, -1} inside the board.
    PuzzleExit ExitOf(const CBlock* trigger) const;
    // A new start position; min solve moves -1.
    void FinishEdit();
    static bool IsValidSize(int32_t width, int32_t height);
};
