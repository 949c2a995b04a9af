#pragma once

// What the puzzle library asks of the editor that edits a puzzle. The editors implement it; the puzzle
// library cannot depend on them.
class PuzzleEditorInterface
{
public:
    virtual ~PuzzleEditorInterface() = default;

    // The edited puzzle changed: takes its blocks as the new start position (CEditablePuzzle::MarkChanged)
    // and, with forgetMinMoves, forgets its shortest solution.
    virtual void MarkPuzzleChanged(bool forgetMinMoves) = 0;
};
