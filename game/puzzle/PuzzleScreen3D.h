#pragma once

#include "foundation/Point.h"
#include "foundation/Vector.h"
#include "game/puzzle/PuzzleScreen.h"

// The puzzle screen over the lit 3D scene: the HUD lies over the scene the game renderer draws, the game
// camera flies the level's intro path (a click makes it five times faster) and then orbits, and the
// playing field's mouse events go to the 3D cursor while "Playing". The camera's pitch is kept in the
// current profile's options and is where the next level's flight settles.
//
// A press in "Playing" captures the mouse for the playing field until its release; leaving "Playing" or
// the screen with the button still held gives the capture back and lets the held block go, so the next
// screen gets the mouse.
class CPuzzleScreen3D : public CPuzzleScreen
{
public:
    CPuzzleScreen3D(CQuarrowUI* userInterface, CQuarrowWorld* world);
    static GameLib::CUIScreen* Create(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The game camera's step (unless it is idle), then the puzzle screen's update.
    void Update() override;
    // The camera's pitch into the current profile's options (none without a profile), a held press let
    // go, then the puzzle screen's.
    void OnDeactivate() override;
    // The scene is drawn under this screen.
    bool HidesScene() const override { return false; }

    // Whether the playing field holds the mouse for a press that began in "Playing".
    bool IsDragging() const { return m_dragging; }

protected:
    ~CPuzzleScreen3D() override = default;

    // A clear full-size panel on layer 0 with "interface>ingamescreen3d.xml" (a language's copy when
    // there is one), the base's windows, the playing field's mouse hooked; the panel stays hidden until
    // "WaitForPuzzle" shows it.
    void CreateWindows() override;
    // The base's intro, then the camera set up for the level's flight from the current options, the
    // camera sound with music on.
    void EnterIntro() override;
    // "Playing" once the fade has ended and the camera orbits.
    void UpdateIntro() override;
    // The base's, then a held press let go.
    void LeavePlaying() override;

    // The playing field's mouse; the point is in its client coordinates.
    void OnPlayingFieldButtonDown(UILib::CWindow* window, BaseLib::CPoint& point);
    void OnPlayingFieldButtonUp(UILib::CWindow* window, BaseLib::CPoint& point);
    void OnPlayingFieldMouseMove(UILib::CWindow* window, BaseLib::CPoint& point);

private:
    // The playing field's point as a viewport point over layer 0's root.
    BaseLib::CVector2 ToViewport(const BaseLib::CPoint& point) const;
    // When dragging: the capture given back, the flag cleared and a release queued in the cursor.
    void EndDrag();

    bool m_dragging = false;
    // The last point the cursor was given, where a forced release happens.
    BaseLib::CVector2 m_lastPoint{0.0f, 0.0f};
};
