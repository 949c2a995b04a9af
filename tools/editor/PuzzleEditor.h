#pragma once

#include "puzzle/EditablePuzzle.h"
#include "puzzle/MetaBlockDescription.h"
#include "puzzle/PuzzleEditorInterface.h"

#include <cstdint>
#include <string>
#include <vector>

class CBlock;
class CQuarrowWorld;

// The editing facade of the puzzle editor over the world's current puzzle: it adds only the selected
// block and the change tracking the editor's windows share. Structural edits stamp the puzzle with a new
// change number, and the next Update then clears the selection; drags do not. Without a puzzle the
// getters answer 0, -1 or "" and the edits do nothing. Main thread only. The puzzle library reaches it
// as its PuzzleEditorInterface (the blocks library marks the puzzle changed through it).
class CPuzzleEditor : public PuzzleEditorInterface
{
public:
    explicit CPuzzleEditor(CQuarrowWorld* world);
    ~CPuzzleEditor() override = default;

    // Per frame: without a puzzle nothing is seen or selected; a change number other than the one seen
    // is remembered and clears the selection.
    virtual void Update();

    void SetSelectedBlock(std::int32_t id) { m_selectedBlock = id; }
    std::int32_t GetSelectedBlock() const { return m_selectedBlock; }

    void ClearPuzzle();
    // The selected block's whole piece; nothing without a selection.
    void DeleteSelectedBlock();
    void PlaceMetaBlock(float x, float y, bool vertical, const CMetaBlockDescription& description);
    void SetTimeFrozen(bool frozen);
    std::int32_t GetGridSizeX() const;
    std::int32_t GetGridSizeY() const;
    void SetGridSize(std::int32_t x, std::int32_t y);
    // The puzzle's change number (as 32 bits); -1 without a puzzle.
    std::int32_t GetChangeNumber() const;
    std::int32_t GetNumExits() const;
    PuzzleExit GetExit(std::int32_t index) const;
    void SetExits(const std::vector<PuzzleExit>& exits);
    std::int32_t GetParSolveMoves() const;
    void SetParSolveMoves(std::int32_t moves);
    // A new start snapshot (and change number); with forgetMinimum the shortest solution is forgotten.
    void MarkPuzzleChanged(bool forgetMinimum) override;
    std::string GetBoardName() const;
    std::string GetEnvironmentName() const;
    std::string GetGfxSetName() const;
    std::string GetFileName() const;
    void SetBoardName(const std::string& name);
    void SetEnvironmentName(const std::string& name);
    void SetGfxSetName(const std::string& name);
    // The world's model sets.
    std::vector<std::string> GetGfxSetList() const;

    // By the name's ending, compared byte for byte: ".xml" puzzle XML, ".blvl" binary, anything else a
    // character grid; then the world's resource defaults. A file the reader refuses leaves what it left.
    void LoadPuzzle(const std::string& fileName);
    // ".xml" as puzzle XML, any other name in the binary form.
    void SavePuzzle(const std::string& fileName);
    // Posts "Solve" to the world.
    void Solve();

    // The selected block's chain: its head is reached by going north while a block has a north
    // neighbour, else west. The origin is the head's left and top; the chain is vertical when the head
    // has no east neighbour (a single block is vertical); the description lists the chain from the head
    // (south while there is a south neighbour, else east), type and model per part, with an empty name.
    // A chain that loops ends at the first block seen twice. Without a selected block: (0, 0), vertical,
    // no parts.
    void GetSelectionOrigin(double& x, double& y) const;
    bool IsSelectionVertical() const;
    CMetaBlockDescription GetSelectionDescription() const;

private:
    CEditablePuzzle* Puzzle() const;
    const CBlock* SelectionHead() const;

    CQuarrowWorld* m_world;
    std::int32_t m_seenChangeNumber = -1;
    std::int32_t m_selectedBlock = -1;
};
