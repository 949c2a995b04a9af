#pragma once

#include "game/puzzle/PuzzleScreen.h"

#include <memory>

class CPuzzleRenderer2D;

// The puzzle screen without the 3D scene: the level is played on a flat board of cell images with one
// draggable window per block (CPuzzleRenderer2D). The board view exists from leaving "WaitForPuzzle"
// until the screen is left, and is not updated while the solver or refiner owns the puzzle.
class CPuzzleScreen2D : public CPuzzleScreen
{
public:
    CPuzzleScreen2D(CQuarrowUI* userInterface, CQuarrowWorld* world);
    static GameLib::CUIScreen* Create(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The puzzle screen's update, then the board view's unless a search runs (game states 4 and 5).
    void Update() override;
    // The board view deleted, then the puzzle screen's.
    void OnDeactivate() override;
    // The 3D scene is not drawn while this screen is current.
    bool HidesScene() const override { return true; }

    // Null outside a level.
    CPuzzleRenderer2D* GetBoardView() const { return m_boardView.get(); }

protected:
    ~CPuzzleScreen2D() override;

    // A clear full-size panel on layer 0 with "interface>ingamescreen.xml", then the base's windows.
    void CreateWindows() override;
    // The board view made for the loaded level (replacing one that exists). The 2D editor replaces it.
    virtual void LeaveWaitForPuzzle() override;

    void SetBoardView(std::unique_ptr<CPuzzleRenderer2D> boardView);

private:
    std::unique_ptr<CPuzzleRenderer2D> m_boardView;
};
