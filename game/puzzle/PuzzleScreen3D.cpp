#include "game/puzzle/PuzzleScreen3D.h"

#include "framework/ScreenWindows.h"
#include "game/FileTranslator.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/puzzle/3DCursor.h"
#include "game/puzzle/GameCameraNode.h"
#include "game/savegame/SaveGameManager.h"
#include "puzzle/EditablePuzzle.h"
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <string>

namespace
{

constexpr const char* kScreenLayout = "interface>ingamescreen3d.xml";
constexpr const char* kCameraSound = "sound>camera.wav";
constexpr float kFastIntroSpeed = 5.0f;

UILib::CWindowManager* WindowManager()
{
    const UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    return system != nullptr ? system->GetWindowManager() : nullptr;
}

} // namespace

CPuzzleScreen3D::CPuzzleScreen3D(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CPuzzleScreen(userInterface, world)
{
}

GameLib::CUIScreen* CPuzzleScreen3D::Create(CQuarrowUI* userInterface, CQuarrowWorld* world)
{
    return new CPuzzleScreen3D(userInterface, world);
}

void CPuzzleScreen3D::CreateWindows()
{
    UILib::CPanel* root = GameLib::CreateScreenPanel(BaseLib::CColor(255, 255, 255, 0));
    if (root != nullptr)
    {
        GameLib::AddToFirstLayer(root);
        const CFileTranslator* translator =
            GetUserInterface() != nullptr ? GetUserInterface()->GetFileTranslator() : nullptr;
        const std::string layout = translator != nullptr ? translator->Translate(kScreenLayout) : kScreenLayout;
        GameLib::LoadLayoutInto(layout.c_str(), root);
    }
    SetRootPanel(root, kScreenLayout);
    CPuzzleScreen::CreateWindows();
    if (UILib::CWindow* field = GetPlayingField())
    {
        field->SetOnLButtonDown(UILib::CMouseCallback::Bind(this, &CPuzzleScreen3D::OnPlayingFieldButtonDown));
        field->SetOnLButtonUp(UILib::CMouseCallback::Bind(this, &CPuzzleScreen3D::OnPlayingFieldButtonUp));
        field->SetOnMouseMove(UILib::CMouseCallback::Bind(this, &CPuzzleScreen3D::OnPlayingFieldMouseMove));
    }
    if (root != nullptr)
    {
        root->SetVisible(false);
    }
}

void CPuzzleScreen3D::Update()
{
    CGameCameraNode* camera = GetUserInterface() != nullptr ? GetUserInterface()->GetCamera() : nullptr;
    if (camera != nullptr && camera->GetMode() != CGameCameraNode::Idle)
    {
        camera->Update(static_cast<float>(GetUserInterface()->GetTimeStep()));
    }
    CPuzzleScreen::Update();
}

void CPuzzleScreen3D::OnDeactivate()
{
    CQuarrowUI* ui = GetUserInterface();
    const CGameCameraNode* camera = ui != nullptr ? ui->GetCamera() : nullptr;
    SaveGameManager* saves = ui != nullptr ? ui->GetSaveGameManager() : nullptr;
    if (camera != nullptr && saves != nullptr)
    {
        // Without a current profile this is a scratch copy of the defaults: nothing is kept.
        saves->GetCurrentOptions().cameraValue = camera->GetPitch();
    }
    EndDrag();
    CPuzzleScreen::OnDeactivate();
}

void CPuzzleScreen3D::EnterIntro()
{
    CPuzzleScreen::EnterIntro();
    CQuarrowUI* ui = GetUserInterface();
    CQuarrowWorld* world = GetWorld();
    const CEditablePuzzle* puzzle = world != nullptr ? world->GetPuzzle() : nullptr;
    CGameCameraNode* camera = ui != nullptr ? ui->GetCamera() : nullptr;
    if (camera == nullptr)
    {
        return;
    }
    SaveGameOptions options;
    if (SaveGameManager* saves = ui->GetSaveGameManager())
    {
        options = saves->GetCurrentOptions();
    }
    camera->ResetForIntro();
    camera->SetBoardSize(puzzle != nullptr ? puzzle->GetWidth() : 0, puzzle != nullptr ? puzzle->GetHeight() : 0);
    camera->LoadCameraAnimation(world != nullptr ? world->GetCameraAnimationName() : std::string());
    camera->SetStepRotation(options.cameraFlag != 0);
    camera->SetTargetPitch(options.cameraValue);
    camera->SetMode(CGameCameraNode::IntroFlight);
    if (options.music != 0)
    {
        SoundLib::CSoundDeviceRegistry* sound = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
        if (SoundLib::CSoundDevice* device = sound != nullptr ? sound->GetDevice(0) : nullptr)
        {
            device->PlayOneShot(kCameraSound, 100, 0.0f, false);
        }
    }
}

void CPuzzleScreen3D::UpdateIntro()
{
    const CQuarrowUI* ui = GetUserInterface();
    const ScreenFader* fader = ui != nullptr ? ui->GetFader() : nullptr;
    const CGameCameraNode* camera = ui != nullptr ? ui->GetCamera() : nullptr;
    const bool faded = fader == nullptr || !fader->IsFading();
    const bool orbiting = camera == nullptr || camera->GetMode() == CGameCameraNode::Orbit;
    if (faded && orbiting)
    {
        SetState("Playing");
    }
}

void CPuzzleScreen3D::LeavePlaying()
{
    CPuzzleScreen::LeavePlaying();
    EndDrag();
}

BaseLib::CVector2 CPuzzleScreen3D::ToViewport(const BaseLib::CPoint& point) const
{
    BaseLib::CPoint screen = point;
    if (const UILib::CWindow* field = GetPlayingField())
    {
        const BaseLib::CPoint origin = field->GetScreenPosition();
        screen.x += origin.x;
        screen.y += origin.y;
    }
    const CQuarrowUI* ui = GetUserInterface();
    return ui != nullptr ? ui->PixelToViewport(static_cast<float>(screen.x), static_cast<float>(screen.y))
                         : BaseLib::CVector2(0.0f, 0.0f);
}

void CPuzzleScreen3D::OnPlayingFieldButtonDown(UILib::CWindow* window, BaseLib::CPoint& point)
{
    CQuarrowUI* ui = GetUserInterface();
    if (ui == nullptr)
    {
        return;
    }
    const std::string& state = GetStateName();
    if (state == "Intro")
    {
        if (CGameCameraNode* camera = ui->GetCamera())
        {
            camera->SetIntroSpeed(kFastIntroSpeed);
        }
    }
    else if (state == "Playing")
    {
        if (UILib::CWindowManager* windows = WindowManager())
        {
            windows->SetMouseCapture(window);
        }
        m_dragging = true;
        m_lastPoint = ToViewport(point);
        if (C3DCursor* cursor = ui->Get3DCursor())
        {
            cursor->QueueButtonDown(m_lastPoint);
        }
    }
}

void CPuzzleScreen3D::OnPlayingFieldButtonUp(UILib::CWindow*, BaseLib::CPoint& point)
{
    if (GetStateName() == "Playing" && m_dragging)
    {
        m_lastPoint = ToViewport(point);
        EndDrag();
    }
}

void CPuzzleScreen3D::OnPlayingFieldMouseMove(UILib::CWindow*, BaseLib::CPoint& point)
{
    C3DCursor* cursor = GetUserInterface() != nullptr ? GetUserInterface()->Get3DCursor() : nullptr;
    if (GetStateName() == "Playing" && cursor != nullptr)
    {
        m_lastPoint = ToViewport(point);
        cursor->QueueMouseMove(m_lastPoint);
    }
}

void CPuzzleScreen3D::EndDrag()
{
    if (!m_dragging)
    {
        return;
    }
    m_dragging = false;
    if (C3DCursor* cursor = GetUserInterface() != nullptr ? GetUserInterface()->Get3DCursor() : nullptr)
    {
        cursor->QueueButtonUp(m_lastPoint);
    }
    if (UILib::CWindowManager* windows = WindowManager())
    {
        windows->ReleaseMouseCapture(GetPlayingField());
    }
}
