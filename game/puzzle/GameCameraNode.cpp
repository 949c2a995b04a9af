#include "game/puzzle/GameCameraNode.h"

#include "engine/Camera.h"
#include "framework/InputManager.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

using BaseLib::CMatrix;
using BaseLib::CVector3;

constexpr float kPi = std::numbers::pi_v<float>;
constexpr const char* kFlightFrame = "CameraNode";
constexpr const char* kFlightAnimation = ".default";
constexpr const char* kContext = "gui";
constexpr const char* kVerticalAction = "camera_vertical";
constexpr const char* kHorizontalAction = "camera_horizontal";

constexpr float kIntroMinPitch = 0.1f;
constexpr float kOrbitMinPitch = 0.67f;
constexpr float kMaxPitch = 1.5f;
// The pitch a saved game's value stands for when it is not a number.
constexpr float kDefaultTargetPitch = 1.1f;
constexpr float kGlideSpeed = 3.0f;     // units per second
constexpr float kPitchTurnSpeed = 2.0f; // radians per second
constexpr float kIntroFarPlane = 200.0f;
constexpr float kOrbitFarPlane = 100.0f;
constexpr float kCellsToDistance = 9.0f * (1.0f / 6.0f);

} // namespace

CGameCameraNode::CGameCameraNode(Qen::CEngineController* engine, GameLib::CInputManager* input)
    : m_input(input), m_animator(engine), m_yawStep(kPi / 2.0f)
{
    // The board lies in the world as on the screen of the 2D board seen from above: x east along +X,
    // y south along -Y, Z up. That frame is right-handed; a left-handed camera would show it mirrored.
    GetCamera()->leftHanded = false;
    m_controller.AddTarget(GameLib::CAnimationController::ApplyDelegate(
                               &m_animator, &GameLib::CTransformAnimator::ApplyAnimation),
                           GameLib::CAnimationController::LengthDelegate(
                               &m_animator, &GameLib::CTransformAnimator::GetAnimationLength));
}

CGameCameraNode* CGameCameraNode::Create(Qen::CEngineController* engine, GameLib::CInputManager* input)
{
    return new CGameCameraNode(engine, input);
}

bool CGameCameraNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CGameCameraNode) || CFocusCameraNode::IsKindOf(type);
}

void CGameCameraNode::SetTargetPitch(float pitch)
{
    m_targetPitch = std::isfinite(pitch) ? std::clamp(pitch, kOrbitMinPitch, kMaxPitch) : kDefaultTargetPitch;
}

void CGameCameraNode::LoadCameraAnimation(const std::string& fileName)
{
    // Without a level there is no file to name: no flight, and no error box for a model without a name.
    if (fileName.empty())
    {
        m_hasFlight = false;
        return;
    }
    m_animator.LoadAnimation(fileName);
    // Asked for an animation it does not declare, a model opens a message box: look it up first.
    const bool hasFrame = m_animator.AttachToFrame(kFlightFrame) != nullptr;
    const BaseLib::CResourcePtr<Qen::CModel> model = m_animator.GetModel();
    m_hasFlight = hasFrame && model && model->FindAnimation(kFlightAnimation);
}

void CGameCameraNode::ResetForIntro()
{
    Qen::CCamera* camera = GetCamera();
    camera->SetUpVector(CVector3(0.0f, 0.0f, 1.0f));
    camera->fieldOfView = kPi / 4.0f;
    camera->farDistance = kIntroFarPlane;
    SetUpAxis(CVector3(0.0f, 0.0f, 1.0f));
    SetPitchLimits(kIntroMinPitch, kMaxPitch);
    SetDistance(m_boardDistance);
    m_pendingYaw = 0.0f;
}

void CGameCameraNode::SetBoardSize(std::int32_t width, std::int32_t height)
{
    // The empty level a failed load leaves has no cells; a distance of 0 would put the camera on its
    // focus point.
    m_boardWidth = std::max(width, 1);
    m_boardHeight = std::max(height, 1);
    const std::int32_t w = m_boardWidth;
    const std::int32_t h = m_boardHeight;
    // Arithmetic shifts (integer halving toward minus infinity): the middle of every board is (2.5, -2.5).
    m_focusTarget = CVector3(static_cast<float>(w >> 1) - 0.5f - static_cast<float>((w - 6) >> 1),
                             -(static_cast<float>(h >> 1) - 0.5f - static_cast<float>((h - 6) >> 1)), 0.0f);
    m_yawStep = w == h ? kPi / 2.0f : kPi;
    m_boardDistance = static_cast<float>(std::min(w, h)) * kCellsToDistance;
}

float CGameCameraNode::FarPlaneFor(float modeValue) const
{
    const float w = static_cast<float>(std::max(m_boardWidth, 1) + 2);
    const float h = static_cast<float>(std::max(m_boardHeight, 1) + 2);
    return std::max(modeValue, m_boardDistance + 0.5f * std::sqrt(w * w + h * h) + 2.0f);
}

void CGameCameraNode::SetMode(std::int32_t mode)
{
    m_mode = mode;
    if (mode == IntroFlight)
    {
        SetLocalTransform(CMatrix::Identity);
        m_introSpeed = 1.0f;
        GetCamera()->farDistance = FarPlaneFor(kIntroFarPlane);
        if (m_hasFlight)
        {
            m_controller.Play(kFlightAnimation, 0.0, false);
        }
    }
    else if (mode == Orbit)
    {
        SetPitchLimits(kOrbitMinPitch, kMaxPitch);
        SetFocusPoint(m_focusTarget);
        GetCamera()->farDistance = FarPlaneFor(kOrbitFarPlane);
        m_pendingYaw = 0.0f;
    }
}

bool CGameCameraNode::IsFlightPlaying() const
{
    // The controller never finishes an animation of length 0, so an empty flight counts as none.
    return m_hasFlight && m_controller.GetLength() > 0.0f && !m_controller.IsFinished();
}

bool CGameCameraNode::Update(float dt)
{
    bool moved = false;
    if (m_mode == IntroFlight)
    {
        moved = UpdateIntro(dt);
    }
    else if (m_mode == Orbit)
    {
        moved = UpdateOrbit(dt);
    }
    if (moved)
    {
        GetCamera()->Update();
    }
    return moved;
}

bool CGameCameraNode::UpdateIntro(float dt)
{
    if (IsFlightPlaying())
    {
        m_controller.Advance(static_cast<double>(dt) * m_introSpeed);
        // The file's frame looks backwards: turn it half-way about its up direction.
        CMatrix pose = m_animator.GetTransform();
        for (int row : {0, 2})
        {
            for (int column = 0; column < 3; ++column)
            {
                pose.m[row][column] = -pose.m[row][column];
            }
        }
        SetLocalTransform(pose);
        return true;
    }

    SetDistance(m_boardDistance);
    const CVector3 focus = GetFocusPoint();
    const CVector3 toTarget = m_focusTarget - focus;
    const float remaining = toTarget.Length();
    const float step = kGlideSpeed * dt;
    bool arrived = false;
    if (remaining > step)
    {
        SetFocusPoint(focus + toTarget * (step / remaining));
    }
    else
    {
        SetFocusPoint(m_focusTarget);
        arrived = true;
    }

    const float diff = m_targetPitch - GetPitch();
    const float limit = kPitchTurnSpeed * dt;
    if (std::fabs(diff) <= limit)
    {
        RotatePitch(diff);
        if (arrived)
        {
            SetMode(Orbit);
        }
    }
    else
    {
        RotatePitch(std::copysign(limit, diff));
    }
    return true;
}

bool CGameCameraNode::UpdateOrbit(float dt)
{
    if (m_input == nullptr)
    {
        return false;
    }
    bool turned = false;
    const float vertical = m_input->GetActionValue(kVerticalAction, kContext) * dt;
    if (m_input->IsActionActive(kVerticalAction, kContext) && vertical != 0.0f)
    {
        RotatePitch(vertical);
        turned = true;
    }
    const bool horizontalActive = m_input->IsActionActive(kHorizontalAction, kContext);
    const float horizontal = m_input->GetActionValue(kHorizontalAction, kContext);
    if (!m_stepRotation)
    {
        if (horizontalActive && horizontal * dt != 0.0f)
        {
            RotateYaw(horizontal * dt);
            turned = true;
        }
        return turned;
    }
    if (m_pendingYaw == 0.0f && horizontalActive)
    {
        if (horizontal < 0.0f)
        {
            m_pendingYaw -= m_yawStep;
        }
        else if (horizontal > 0.0f)
        {
            m_pendingYaw += m_yawStep;
        }
    }
    float turn = 0.0f;
    if (m_pendingYaw > 0.0f)
    {
        turn = std::min(m_pendingYaw, m_yawSpeed * dt);
    }
    else if (m_pendingYaw < 0.0f)
    {
        turn = std::max(m_pendingYaw, -m_yawSpeed * dt);
    }
    if (turn != 0.0f)
    {
        RotateYaw(turn);
        m_pendingYaw -= turn;
        turned = true;
    }
    return turned;
}
