#pragma once

#include "foundation/Point.h"
#include "ui/controls/Label.h"

#include <cstdint>

class CBlock;
class CPuzzleRenderer2D;

// One block of the 2D board: a label showing the block's image, moved and sized with the block each
// frame, that turns a drag with the left mouse button into the select, drag and release game commands.
//
// The control keeps its block's id from its making; the block itself is the puzzle's and is read only
// while the board view says the puzzle is the one the control was made for and no search owns it. A
// control detached from its view (destroyed, waiting for its deletion) answers every message and does
// nothing.
class CBlock2DControl : public UILib::CLabel
{
public:
    // A new control for the block, with its image; not yet added to a parent.
    static CBlock2DControl* Create(CPuzzleRenderer2D* boardView, CBlock* block);

    const char* GetClassName() const override { return "CBlock2DControl"; }

    // Left button down on a grabbable block: mouse captured, press point kept, select pushed.
    bool OnLButtonDown(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    // While dragging: the block's place plus the mouse's way since the press, in cells, pushed as drag.
    bool OnMouseMove(BaseLib::CPoint& point, std::uint8_t modifiers) override;
    // While dragging: capture released, release pushed (later, when a search holds the puzzle now).
    bool OnLButtonUp(BaseLib::CPoint& point, std::uint8_t modifiers) override;

    // The image of the block at one cell, no background, bridges always on top.
    void SetupImage();
    // Window at the view's pixels of the block's top-left corner, sized to its extent; each only when it
    // differs. Sends a release owed since a search held the puzzle at the button's release.
    void SyncToBlock();
    // The view forgets the control: capture released, and a drag in progress ends with a release.
    void Detach();

    std::int32_t GetBlockId() const { return m_blockId; }
    bool IsDragging() const { return m_dragging; }
    const BaseLib::CPoint& GetPressPoint() const { return m_pressPoint; }

    ~CBlock2DControl() override = default;

protected:
    CBlock2DControl(CPuzzleRenderer2D* boardView, CBlock* block);

private:
    // The view exists and lets its controls act (see CPuzzleRenderer2D::AcceptsInput).
    bool MayAct() const;
    void PushRelease();

    BaseLib::CPoint m_pressPoint;
    CPuzzleRenderer2D* m_boardView;
    CBlock* m_block;
    std::int32_t m_blockId;
    bool m_dragging = false;
    bool m_releaseOwed = false;
};
