#pragma once

#include "foundation/Vector.h"
#include "framework/AnimationController.h"
#include "game/puzzle/FocusCameraNode.h"

#include <cstdint>
#include <string>

namespace GameLib
{
class CInputManager;
}

namespace Qen
{
class CEngineController;
}

// The 3D view's camera. Mode 0 is idle. Mode 1 flies the level's camera path (the frame "CameraNode" of
// an animation file, turned half-way about its up direction), then glides the focus onto the board's
// middle at 3 units per second while the pitch turns onto the target pitch at 2 radians per second, and
// switches to mode 2 once both have arrived. Mode 2 orbits the board under the "gui" actions
// "camera_vertical" (pitch, one radian per second) and "camera_horizontal" (yaw: continuously, or in
// steps of a quarter turn on square boards and a half turn on others, at 4 radians per second).
//
// World space is Z-up; a board of W x H cells has its middle at (2.5, -2.5, 0) (the puzzle node centres
// every board there). The camera is right-handed (screen right = forward x up), so the board is seen as
// the 2D board shows it, not mirrored. Main thread only.
class CGameCameraNode : public CFocusCameraNode
{
public:
    enum Mode : std::int32_t
    {
        Idle = 0,
        IntroFlight = 1,
        Orbit = 2,
    };

    // engine: loads the camera flights; input: polled in orbit mode. Neither is owned; either may be null
    // (no flight, no player control).
    CGameCameraNode(Qen::CEngineController* engine, GameLib::CInputManager* input);
    static CGameCameraNode* Create(Qen::CEngineController* engine, GameLib::CInputManager* input);

    bool IsKindOf(const std::type_info& type) const override;

    // One frame of dt seconds in the current mode; true when the camera moved (its matrices are then
    // recomputed). Idle does nothing.
    bool Update(float dt);

    std::int32_t GetMode() const { return m_mode; }
    // Mode 1: identity pose, intro speed 1, far plane 200, the flight played from its start. Mode 2:
    // pitch limits 0.67 and 1.5, the focus put on the board's middle, far plane 100, no step pending.
    // The far plane is pushed out as far as the board needs to stay whole in view.
    void SetMode(std::int32_t mode);
    // Factor on the flight's playback (a click during the intro sets 5).
    void SetIntroSpeed(float speed) { m_introSpeed = speed; }
    float GetIntroSpeed() const { return m_introSpeed; }
    void SetStepRotation(bool step) { m_stepRotation = step; }
    bool GetStepRotation() const { return m_stepRotation; }
    // Held within the orbit's pitch limits [0.67, 1.5]; a value that is not finite gives 1.1 (the value
    // comes from the player's saved game).
    void SetTargetPitch(float pitch);
    float GetTargetPitch() const { return m_targetPitch; }

    // The flight file ("animation>..."); its frame "CameraNode" is the animated camera. A file that does
    // not load, lacks the frame or has an empty animation leaves no flight: mode 1 then glides at once.
    void LoadCameraAnimation(const std::string& fileName);
    // Up (0, 0, 1) for camera and orbit, vertical field of view pi/4, far plane 200, pitch limits 0.1
    // and 1.5, distance = board distance, no step pending.
    void ResetForIntro();
    // Cells; a side of 0 counts as 1. Sets the focus target (the board's middle), the yaw step (a
    // quarter turn when square, else a half) and the board distance (1.5 per cell of the shorter side).
    void SetBoardSize(std::int32_t width, std::int32_t height);

    const BaseLib::CVector3& GetFocusTarget() const { return m_focusTarget; }
    float GetBoardDistance() const { return m_boardDistance; }
    float GetYawStep() const { return m_yawStep; }
    float GetPendingYaw() const { return m_pendingYaw; }
    float GetYawSpeed() const { return m_yawSpeed; }
    // Whether a flight is loaded and still playing.
    bool IsFlightPlaying() const;

protected:
    ~CGameCameraNode() override = default;

private:
    bool UpdateIntro(float dt);
    bool UpdateOrbit(float dt);
    // The far plane for a mode's own value: at least the orbit distance plus half the diagonal of the
    // board with its ring of exit cells, plus 2.
    float FarPlaneFor(float modeValue) const;

    GameLib::CInputManager* m_input;
    std::int32_t m_mode = Idle;
    bool m_stepRotation = true;
    float m_introSpeed = 1.0f;
    float m_targetPitch = 1.0f;
    GameLib::CTransformAnimator m_animator;
    GameLib::CAnimationController m_controller;
    bool m_hasFlight = false;
    float m_yawStep;
    float m_pendingYaw = 0.0f;
    float m_yawSpeed = 4.0f;
    std::int32_t m_boardWidth = 0;
    std::int32_t m_boardHeight = 0;
    float m_boardDistance = 9.0f;
    BaseLib::CVector3 m_focusTarget{0.0f, 0.0f, 0.0f};
};
