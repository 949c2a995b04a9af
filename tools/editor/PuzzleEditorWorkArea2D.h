#pragma once

#include "tools/editor/PuzzleEditorWorkArea.h"

class CPuzzleRenderer2D;

// The 2D editor's work area: a left press selects the block under it (then the block is grabbed as in
// play) or lays down the pending block at the pressed cell; the selected block's whole chain is framed
// in red. Pixels are the playing field's (the work area lies at its origin).
class CPuzzleEditorWorkArea2D : public CPuzzleEditorWorkArea
{
public:
    CPuzzleEditorWorkArea2D(CQuarrowWorld* world, CPuzzleEditor* editor);

    const char* GetClassName() const override { return "CPuzzleEditorWorkArea2D"; }

    // "MLBDwn": without a board view passed on untouched; when placing, the pending block is laid at the
    // cell under the point and the press is consumed; else the block under it (-1 on empty ground) is
    // selected and the press passed on.
    bool OnMessage(const UILib::CWindowMessage& message) override;
    // A red frame round every block of the selected block's piece; nothing while the block is gone.
    void Paint(UILib::CDrawContext& context) override;

    // The screen's board view, not owned; null while the screen has none.
    void SetBoardControl(CPuzzleRenderer2D* boardView) { m_boardView = boardView; }
    CPuzzleRenderer2D* GetBoardControl() const { return m_boardView; }

private:
    CPuzzleRenderer2D* m_boardView = nullptr;
};

CPuzzleEditorWorkArea2D* CreatePuzzleEditorWorkArea2D(CQuarrowWorld* world, CPuzzleEditor* editor);
