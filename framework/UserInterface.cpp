#include "framework/UserInterface.h"

#include "engine/DeviceStateMgr.h"
#include "engine/DisplayHead.h"
#include "foundation/ConfigFile.h"
#include "foundation/Debug.h"
#include "framework/CommandQueue.h"
#include "framework/DebugOverlay.h"
#include "framework/DebugStatistics.h"
#include "framework/DevMenuScreen.h"
#include "framework/FramerateGraph.h"
#include "framework/GameLibApplication.h"
#include "framework/InputChannel.h"
#include "framework/InputManager.h"
#include "framework/QenUILibCanvas.h"
#include "framework/StockScreens.h"
#include "framework/UIScreen.h"
#include "framework/World.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/os/Cursor.h"
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "ui/BitmapFactory.h"
#include "ui/Clock.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace GameLib
{

CUserInterface::CUserInterface(CGameLibApplication* application) : m_application(application)
{
}

namespace
{

// One binding per condition, in this order, for each action of a context.
struct TDefaultBinding
{
    const char* action;
    const char* condition;
};

constexpr TDefaultBinding kGuiBindings[] = {
    {"quit", "keyboard:escape.down"},
    {"menu", "keyboard:escape.down"},
    {"enter", "keyboard:return.down"},
    {"enter", "keyboard:space.down"},
    {"enter", "gamepad0:button0.down"},
    {"right", "keyboard:right.held"},
    {"right", "gamepad0:axis0.value > +0.5"},
    {"left", "keyboard:left.held"},
    {"left", "gamepad0:axis0.value < -0.5"},
    {"up", "keyboard:up.held"},
    {"up", "gamepad0:axis1.value < -0.5"},
    {"down", "keyboard:down.held"},
    {"down", "gamepad0:axis1.value > +0.5"},
    {"anybutton", "gamepad0:anybutton"},
    {"anybutton", "keyboard:anykey"},
    {"showdebuggui", "keyboard:scrolllock"},
    {"screenshot", "keyboard:print.down"},
    {"recordvideo", "keyboard:capslock"},
    {"editor", "keyboard:f1.down"},
};

constexpr TDefaultBinding kGameBindings[] = {
    {"right", "keyboard:d.held"},
    {"right", "keyboard:right.held"},
    {"right", "gamepad0:axis0.value > +0.5"},
    {"left", "keyboard:a.held"},
    {"left", "keyboard:left.held"},
    {"left", "gamepad0:axis0.value < -0.5"},
    {"forward", "keyboard:w.held"},
    {"forward", "keyboard:up.held"},
    {"forward", "gamepad0:axis1.value < -0.5"},
    {"backward", "keyboard:s.held"},
    {"backward", "keyboard:down.held"},
    {"backward", "gamepad0:axis1.value > +0.5"},
    {"action", "keyboard:space.held"},
    {"action", "gamepad0:button0.held"},
};

// Developer keys and the world command each posts.
struct TDeveloperKey
{
    std::uint32_t virtualKey;
    const char* command;
    const char* argument;
};

constexpr TDeveloperKey kDeveloperKeys[] = {
    {33, "SetSimTimeFactor", "5.0"},  // Page Up
    {34, "SetSimTimeFactor", "0.2"},  // Page Down
    {36, "SetSimTimeFactor", "1.0"},  // Home
    {113, "ToggleWireframe", ""},     // F2
};

constexpr std::uint32_t kRenderStateZEnable = 7;
constexpr std::uint32_t kRenderStateClipPlaneEnable = 152;

constexpr char kVideoBaseName[] = "video/image";

// The statistics lines are keyed by these text objects; the values they show are copies taken in
// DrawStatistics, so no line ever points into a controller that is gone.
constexpr char kFpsLine[] = "f fps: %.1f";
constexpr char kPolygonLine[] = "i polycount = %d";
constexpr char kMeshLine[] = "i meshcount = %d";
constexpr char kVertexGroupLine[] = "i vertexgroups = %d";
float s_shownFrameRate = 0.0f;
std::int32_t s_shownPolygons = 0;
std::int32_t s_shownMeshes = 0;
std::int32_t s_shownVertexGroups = 0;

} // namespace

CUserInterface::~CUserInterface() = default;

void CUserInterface::Initialize()
{
    RegisterConfigKeys();
    CreateInputManager();
    CreateDefaultBindings();
    CWorld* world = m_application->GetWorld();
    if (world != nullptr && world->GetInputChannel() != nullptr)
    {
        world->GetInputChannel()->SetInputManager(m_inputManager, m_gameContextName);
    }
    const std::vector<Qen::CDisplayHead*>& heads = m_application->GetHeads();
    const int width = heads.empty() ? 0 : static_cast<int>(heads[0]->backBufferWidth);
    const int height = heads.empty() ? 0 : static_cast<int>(heads[0]->backBufferHeight);
    InitializeUILib(m_layerCount, width, height);
    if (m_application->IsDeveloperMode())
    {
        CreateDebugGui();
    }
    SetCursorVisible(false);
    CreateScreens();
}

void CUserInterface::Shutdown()
{
    if (m_application->IsDeveloperMode())
    {
        DestroyDebugGui();
    }
    DestroyScreens();
    DestroyInputManager();
}

void CUserInterface::OnDeviceLost()
{
    if (m_framerateGraph != nullptr)
    {
        m_framerateGraph->ReleaseDeviceObjects();
    }
}

void CUserInterface::OnDeviceReset()
{
    if (m_framerateGraph != nullptr)
    {
        m_framerateGraph->CreateDeviceObjects(m_framerateGraph->GetWidth(), m_framerateGraph->GetHeight());
    }
}

void CUserInterface::Update()
{
    m_timeStep = m_frameTimer.GetElapsedSeconds();
    if (m_resetTimeStep)
    {
        m_timeStep = 0.0;
        m_resetTimeStep = false;
    }
    if (m_timeStep > 0.5)
    {
        m_timeStep = 0.5;
    }
    // A recorded video advances 50 steps per second of game time whatever the drawing speed.
    if (m_application->IsDeveloperMode() && m_inputManager != nullptr &&
        m_inputManager->IsActionActive("recordvideo", m_guiContextName))
    {
        m_timeStep = 0.02;
    }
    if (m_inputManager != nullptr)
    {
        if (!m_gameContextName.empty())
        {
            m_inputManager->ClearPendingEvents(m_gameContextName);
        }
        m_inputManager->Update(static_cast<float>(m_timeStep));
    }
}

void CUserInterface::Frame()
{
    // Without a real device no thread updates the sounds: they advance once per frame here.
    SoundLib::CSoundDeviceRegistry* sound = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
    if (sound != nullptr && !sound->HasUpdateThread())
    {
        sound->Tick();
    }
    UpdateScreens();
    if (!m_drawingSuspended)
    {
        Render();
    }
}

bool CUserInterface::OnKeyDown(std::uint32_t virtualKey)
{
    if (!m_application->IsDeveloperMode())
    {
        return true;
    }
    CWorld* world = m_application->GetWorld();
    for (const TDeveloperKey& key : kDeveloperKeys)
    {
        if (key.virtualKey == virtualKey)
        {
            if (world != nullptr && world->GetCommandQueue() != nullptr)
            {
                world->GetCommandQueue()->PostCommand(key.command, key.argument);
            }
            return false;
        }
    }
    return true;
}

bool CUserInterface::HandleMessage(Platform::WindowHandle window, std::uint32_t message, Platform::MessageFirst first,
                                   Platform::MessageSecond second)
{
    if (m_screenStateMachine != nullptr)
    {
        ForwardWindowMessage(window, message, first, second);
    }
    return true;
}

void CUserInterface::SetCursorVisible(bool show)
{
    // The display count nests: repeat until it is on the asked side of 0.
    if (show)
    {
        while (Platform::ShowCursor(true) < 0)
        {
        }
    }
    else
    {
        while (Platform::ShowCursor(false) >= 0)
        {
        }
    }
    m_cursorShown = show;
}

bool CUserInterface::IsCursorShown() const
{
    return m_cursorShown;
}

void CUserInterface::RegisterConfigKeys()
{
    BaseLib::CConfigFile* config = m_application->GetConfiguration();
    if (config == nullptr)
    {
        return;
    }
    config->AddStringEntry("startup/level", "", "level>start.level.xml", "");
    config->AddStringEntry("startup/mode", "", "game", "game single_level");
    // The application wrote its file before these keys existed. Read them from it and write it back
    // with every key, then apply the command line again: its switches change values in memory only.
    const std::string fileName = m_application->GetConfigFileName();
    if (config->Load(fileName))
    {
        config->Save(fileName, true, true);
        m_application->ParseCommandLine();
    }
}

void CUserInterface::CreateInputManager()
{
    m_inputManager = new CInputManager();
    m_inputManager->CreateKeyboard(m_application->GetKeyboard());
    m_inputManager->CreateMouse(m_application->GetMouse());
    for (Platform::Input::Device* controller : m_application->GetControllers())
    {
        m_inputManager->AddJoystick(controller);
    }
}

void CUserInterface::DestroyInputManager()
{
    // The world outlives this controller: its channel must not keep reading a deleted manager.
    CWorld* world = m_application->GetWorld();
    CInputChannel* channel = world != nullptr ? world->GetInputChannel() : nullptr;
    if (channel != nullptr && m_inputManager != nullptr && channel->GetInputManager() == m_inputManager)
    {
        channel->SetInputManager(nullptr, m_gameContextName);
    }
    delete std::exchange(m_inputManager, nullptr);
}

void CUserInterface::CreateDefaultBindings()
{
    for (const TDefaultBinding& binding : kGuiBindings)
    {
        m_inputManager->AddBinding(binding.condition, binding.action, m_guiContextName);
    }
    for (const TDefaultBinding& binding : kGameBindings)
    {
        m_inputManager->AddBinding(binding.condition, binding.action, m_gameContextName);
    }
}

void CUserInterface::InitializeUILib(int layerCount, int width, int height)
{
    const std::vector<Qen::CDisplayHead*>& heads = m_application->GetHeads();
    if ((width <= 0 || height <= 0) && !heads.empty())
    {
        width = static_cast<int>(heads[0]->backBufferWidth);
        height = static_cast<int>(heads[0]->backBufferHeight);
    }
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    if (system != nullptr && system->GetBitmapFactory() != nullptr)
    {
        system->GetBitmapFactory()->AddSearchPath(
            BaseLib::CString(m_application->GetPathAliases().ResolvePath("interface>").c_str()));
    }
    UILib::CWindowManager* windows = system != nullptr ? system->GetWindowManager() : nullptr;
    if (windows != nullptr)
    {
        windows->SetCanvasFactory([this](std::int32_t w, std::int32_t h) { return CreateCanvas(w, h); });
        for (int i = 0; i < layerCount; ++i)
        {
            auto* layer = new UILib::CPanel();
            layer->SetSize(width, height);
            layer->SetOwnCanvas(true);
            windows->AddLayer(layer);
        }
    }
    m_screenStateMachine = new CUIScreenStateMachine(m_inputManager);
}

CQenUILibCanvas* CUserInterface::CreateCanvas(int width, int height)
{
    return CQenUILibCanvas::Make(m_application, width, height);
}

void CUserInterface::ResumeDrawing()
{
    if (m_drawingSuspended)
    {
        OnDeviceReset();
        m_drawingSuspended = false;
    }
}

void CUserInterface::DestroyScreens()
{
    delete std::exchange(m_screenStateMachine, nullptr);
}

void CUserInterface::CreateScreens()
{
    CWorld* world = m_application->GetWorld();
    const bool developer = m_application->IsDeveloperMode();
    if (developer)
    {
        m_screenStateMachine->AddScreen("devmenu", CDevMenuScreen::Create(this));
    }
    m_screenStateMachine->AddScreen("loading", CLoadingScreen::Create(this, world));
    m_screenStateMachine->AddScreen("menu", CMenuScreen::Create(this, world));
    m_screenStateMachine->AddScreen("ingame", CIngameScreen::Create(this, world));
    m_screenStateMachine->SwitchTo(developer ? "devmenu" : "loading");
}

void CUserInterface::CreateDebugGui()
{
    // Before the engine has a device nothing could be drawn or measured.
    const std::vector<Qen::CDisplayHead*>& heads = m_application->GetHeads();
    if (m_application->GetDevice() == nullptr || heads.empty())
    {
        return;
    }
    m_debugOverlay = new CDebugOverlay(m_application, BaseLib::CSize(static_cast<std::int32_t>(heads[0]->backBufferWidth),
                                                                     static_cast<std::int32_t>(heads[0]->backBufferHeight)));
    m_framerateGraph = new CFramerateGraph(m_application);
    m_framerateGraph->CreateDeviceObjects(512, 128);
}

void CUserInterface::DestroyDebugGui()
{
    delete std::exchange(m_framerateGraph, nullptr);
    delete std::exchange(m_debugOverlay, nullptr);
}

void CUserInterface::UpdateFrameRate()
{
    // An exponential average of the frame duration, the newest frame weighted 1/60.
    m_frameRate = static_cast<float>(1.0 / ((1.0 / m_frameRate) * 0.98333335f + m_timeStep * 0.016666666666666666));
}

void CUserInterface::DrawStatistics()
{
    // The engine's counters still hold the previous frame's figures.
    s_shownFrameRate = m_frameRate;
    if (m_application->GetDevice() != nullptr)
    {
        const Qen::CEngineStatistics& statistics = m_application->GetStatistics();
        s_shownPolygons = static_cast<std::int32_t>(statistics.counters[0]);
        s_shownMeshes = static_cast<std::int32_t>(statistics.counters[1]);
        s_shownVertexGroups = static_cast<std::int32_t>(statistics.counters[2]);
    }
    DebugStatistics::GetSlot(kFpsLine) = &s_shownFrameRate;
    DebugStatistics::GetSlot(kPolygonLine) = &s_shownPolygons;
    DebugStatistics::GetSlot(kMeshLine) = &s_shownMeshes;
    DebugStatistics::GetSlot(kVertexGroupLine) = &s_shownVertexGroups;
}

void CUserInterface::UpdateScreens()
{
    // Window timers and animations advance by the game's step.
    UILib::SetTimeOverride(UILib::GetTime() + m_timeStep);
    TakeScreenshot();
    UpdateFrameRate();
    if (m_framerateGraph != nullptr)
    {
        m_framerateGraph->AddFrame(static_cast<float>(m_timeStep));
    }
    if (m_screenStateMachine != nullptr)
    {
        m_screenStateMachine->UpdateCurrentScreen();
        if (m_screenStateMachine->GetCurrentScreenName() == "shutdown")
        {
            m_application->Quit();
        }
    }
    if (m_inputManager != nullptr)
    {
        m_inputManager->ClearPendingEvents(m_guiContextName);
    }
}

void CUserInterface::Render()
{
    Platform::Gfx::Device* device = m_application->GetDevice();
    if (device == nullptr)
    {
        return;
    }
    DrawStatistics();
    Qen::CEngineStatistics& statistics = m_application->GetStatistics();
    for (std::uint32_t& counter : statistics.counters)
    {
        counter = 0;
    }
    if (Platform::Gfx::Failed(device->BeginScene()))
    {
        return;
    }
    const std::vector<Qen::CDisplayHead*>& heads = m_application->GetHeads();
    for (std::size_t i = 0; i < heads.size(); ++i)
    {
        const int head = static_cast<int>(i);
        heads[i]->BeginFrame();
        ClearBackground();
        RenderScene(head);
        RenderWindows(head);
        RenderDebugGui(head);
    }
    device->EndScene();
    for (Qen::CDisplayHead* head : heads)
    {
        head->Present();
    }
}

void CUserInterface::ClearBackground()
{
    if (m_screenStateMachine == nullptr || m_screenStateMachine->GetCurrentScreenName() != "editor")
    {
        return;
    }
    if (Platform::Gfx::Device* device = m_application->GetDevice())
    {
        device->Clear(0, nullptr, Platform::Gfx::ClearFlag::Target, m_clearColor, 0.0f, 0);
    }
}

void CUserInterface::RenderScene(int head)
{
    if (m_screenStateMachine != nullptr)
    {
        const CUIScreen* screen = m_screenStateMachine->GetCurrentScreen();
        if ((screen != nullptr && screen->HidesScene()) || m_screenStateMachine->GetCurrentScreenName() == "shutdown")
        {
            return;
        }
    }
    if (CWorld* world = m_application->GetWorld())
    {
        world->RenderForHead(head);
    }
}

void CUserInterface::RenderWindows(int head)
{
    Qen::CDeviceStateMgr* states = m_application->GetStateManager();
    if (states != nullptr)
    {
        states->SetRenderState(kRenderStateClipPlaneEnable, 0);
    }
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    if (UILib::CWindowManager* windows = system != nullptr ? system->GetWindowManager() : nullptr)
    {
        windows->PaintLayers();
        windows->CompositeLayers(head);
    }
    if (m_screenStateMachine != nullptr)
    {
        m_screenStateMachine->DrawCurrentOverlay(head);
    }
    // The canvases and overlays set device states directly.
    if (states != nullptr)
    {
        states->InvalidateCache();
    }
}

void CUserInterface::RenderDebugGui(int)
{
    if (!m_application->IsDeveloperMode() || m_inputManager == nullptr ||
        !m_inputManager->IsActionActive("showdebuggui", m_guiContextName))
    {
        return;
    }
    if (Qen::CDeviceStateMgr* states = m_application->GetStateManager())
    {
        states->SetRenderState(kRenderStateZEnable, 0);
    }
    if (CDebugOverlay* overlay = CDebugOverlay::GetCurrent())
    {
        overlay->Draw();
    }
    if (m_framerateGraph != nullptr)
    {
        m_framerateGraph->Draw();
    }
}

void CUserInterface::TakeScreenshot()
{
    const std::vector<Qen::CDisplayHead*>& heads = m_application->GetHeads();
    if (!m_application->IsDeveloperMode() || m_inputManager == nullptr || heads.empty())
    {
        return;
    }
    if (m_inputManager->ConsumeActionEvent("screenshot", m_guiContextName))
    {
        heads[0]->RequestScreenshot(ScreenshotPath("screenshot"), false);
        SoundLib::CSoundDeviceRegistry* sound = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
        if (SoundLib::CSoundDevice* device = sound != nullptr ? sound->GetDevice(0) : nullptr)
        {
            device->PlayOneShot("sound>std_screenshot.wav", 100, 0, false);
        }
    }
    const bool recording = m_inputManager->IsActionActive("recordvideo", m_guiContextName);
    if (recording && !m_recordingVideo)
    {
        // Every frame of a recording would fail to save into a missing folder.
        m_videoBaseName = ScreenshotPath(kVideoBaseName);
        const std::filesystem::path folder = std::filesystem::path(m_videoBaseName).parent_path();
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        m_videoFolderReady = std::filesystem::is_directory(folder, error);
        if (!m_videoFolderReady)
        {
            BaseLib::DebugOutput("Error: could not create folder %s for the video frames\n", folder.c_str());
        }
    }
    m_recordingVideo = recording;
    if (recording && m_videoFolderReady)
    {
        heads[0]->RequestScreenshot(m_videoBaseName, false);
    }
}

std::string CUserInterface::ScreenshotPath(const char* name) const
{
    return name;
}

} // namespace GameLib
