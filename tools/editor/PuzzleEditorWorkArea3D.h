#pragma once

#include "foundation/Point.h"
#include "framework/CollisionNode.h"
#include "tools/editor/PuzzleEditorWorkArea.h"

class CQuarrowUI;

// The 3D editor's work area: a left press lays the pending block down on the board cell the view ray
// meets, or selects the block the 3D cursor points at (then the press goes on to the playing field,
// which grabs it as in play). It draws no frame.
class CPuzzleEditorWorkArea3D : public CPuzzleEditorWorkArea
{
public:
    CPuzzleEditorWorkArea3D(CQuarrowWorld* world, CQuarrowUI* userInterface, CPuzzleEditor* editor);

    const char* GetClassName() const override { return "CPuzzleEditorWorkArea3D"; }

    // "MLBDwn": when placing, PlaceAlongRay with the view ray through the point, consumed; else the
    // cursor's valid pick becomes the selection and the press is passed on.
    bool OnMessage(const UILib::CWindowMessage& message) override;

    // Ends placing mode; where the ray meets the board plane z = 0 the pending block is laid on the cell
    // there. A ray parallel to the plane places nothing.
    void PlaceAlongRay(const GameLib::TCollisionRay& ray);

    // The board cell under a point of the plane z = 0 of a width × height board: the puzzle's scene
    // centres the board on a 6 × 6 one, so board point (x, y) lies at (x − (width − 6) / 2,
    // (height − 6) / 2 − y) and cell (x, y) is centred on that point.
    static BaseLib::CPoint CellAt(float hitX, float hitY, std::int32_t width, std::int32_t height);

private:
    CQuarrowUI* m_userInterface;
};

CPuzzleEditorWorkArea3D* CreatePuzzleEditorWorkArea3D(CQuarrowWorld* world, CQuarrowUI* userInterface,
                                                      CPuzzleEditor* editor);
