#include "game/QuarrowUI.h"

#include "engine/Camera.h"
#include "engine/DisplayHead.h"
#include "foundation/ConfigFile.h"
#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/ResourceRegistry.h"
#include "framework/InputManager.h"
#include "framework/SceneManager.h"
#include "framework/SimulationClock.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowUIScreen.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/map/MapScreen.h"
#include "game/menus/FileMenuScreen.h"
#include "game/menus/FreePlayMenuScreen.h"
#include "game/menus/GameMenuScreen.h"
#include "game/menus/GameResultScreen.h"
#include "game/menus/LanguageSelectionScreen.h"
#include "game/menus/LevelSelectionScreen.h"
#include "game/menus/LoadSavedGamesScreen.h"
#include "game/menus/LogoScreen.h"
#include "game/menus/MainMenuScreen.h"
#include "game/menus/OptionsScreen.h"
#include "game/menus/TreasuryScreen.h"
#include "game/puzzle/3DCursor.h"
#include "game/puzzle/GameCameraNode.h"
#include "game/puzzle/PuzzleScreen2D.h"
#include "game/puzzle/PuzzleScreen3D.h"
#include "game/puzzle/QuarrowRenderer.h"
#include "game/savegame/SaveGameManager.h"
#include "platform/os/UserFiles.h"
#include "puzzle/EditablePuzzle.h"
#include "ui/BitmapFactory.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <map>
#include <system_error>
#include <utility>

namespace
{

constexpr std::uint32_t kBitmapCacheLimit = 134217728; // 128 MiB

struct TValueBinding
{
    const char* action;
    const char* condition;
    float value;
};

constexpr TValueBinding kCameraBindings[] = {
    {"camera_vertical", "keyboard:up.held", +1.0f},
    {"camera_vertical", "keyboard:down.held", -1.0f},
    {"camera_horizontal", "keyboard:left.held", -1.0f},
    {"camera_horizontal", "keyboard:right.held", +1.0f},
};

constexpr const char* kDeveloperBindings[][2] = {
    {"cheat", "keyboard:x.held  &&  keyboard:control.held"},
    {"solve", "keyboard:s.held  &&  keyboard:control.held"},
    {"skiplevel", "keyboard:n.held  &&  keyboard:control.held"},
    {"reload", "keyboard:r.held  &&  keyboard:control.held"},
    {"refine", "keyboard:f.held  &&  keyboard:control.held"},
};

// The developer screens, in their registration order; each comes from its maker.
constexpr const char* kDeveloperScreens[] = {"devmenu", "editor2d", "editor3d", "mapeditor"};

std::map<std::string, CQuarrowUI::ScreenCreator>& ScreenCreators()
{
    static std::map<std::string, CQuarrowUI::ScreenCreator> creators;
    return creators;
}

} // namespace

CQuarrowUI::CQuarrowUI(CQuarrowApplication* application) : CUserInterface(application) {}

CQuarrowUI::~CQuarrowUI()
{
    // Shutdown deletes these; a controller that never shut down still leaves nothing behind.
    delete std::exchange(m_renderer, nullptr);
    delete std::exchange(m_cursor, nullptr);
    delete std::exchange(m_fader, nullptr);
    delete std::exchange(m_saveGames, nullptr);
    delete std::exchange(m_translator, nullptr);
}

void CQuarrowUI::SetScreenCreator(const std::string& name, ScreenCreator creator)
{
    if (creator == nullptr)
    {
        ScreenCreators().erase(name);
    }
    else
    {
        ScreenCreators()[name] = creator;
    }
}

void CQuarrowUI::Initialize()
{
    m_translator = new CFileTranslator(m_application->GetPathAliases());
    m_translator->SetLanguageFolder("english/");
    CUserInterface::Initialize();
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    if (system != nullptr && system->GetBitmapCache() != nullptr)
    {
        system->GetBitmapCache()->SetMemoryLimit(kBitmapCacheLimit);
    }
    CreateCamera();
    m_saveGames = new SaveGameManager();
    UILib::CWindowManager* windows = system != nullptr ? system->GetWindowManager() : nullptr;
    m_fader = new ScreenFader(windows != nullptr ? windows->GetLayerRoot(0) : nullptr);
    CQuarrowWorld* world = GetWorld();
    m_cursor = new C3DCursor(world, world != nullptr ? world->GetGameInputChannel() : nullptr);
    m_cursor->SetSceneManager(world != nullptr ? world->GetSceneManager() : nullptr);
    m_cursor->SetCamera(m_camera->GetCamera());
    m_renderer = new CQuarrowRenderer();
    m_renderer->Init(m_application, GetWorld() != nullptr ? GetWorld()->GetSceneManager() : nullptr);
    m_renderer->SetCamera(m_camera);
}

void CQuarrowUI::Shutdown()
{
    // Before the engine's factories go: the renderer's resources belong to them.
    if (m_renderer != nullptr)
    {
        m_renderer->ReleaseShadowResources();
        delete std::exchange(m_renderer, nullptr);
    }
    delete std::exchange(m_cursor, nullptr);
    delete std::exchange(m_fader, nullptr);
    delete std::exchange(m_translator, nullptr);
    delete std::exchange(m_saveGames, nullptr);
    // The scene owns the camera; one that never joined a scene is this controller's.
    if (CGameCameraNode* camera = std::exchange(m_camera, nullptr);
        camera != nullptr && camera->GetParent() == nullptr)
    {
        camera->Release(true);
    }
    CUserInterface::Shutdown();
    // After the screens: the next run of the game finds no title music and sets it up again.
    CQuarrowUIScreen::ReleaseTitleMusic();
}

void CQuarrowUI::Update()
{
    const CEditablePuzzle* puzzle = GetWorld() != nullptr ? GetWorld()->GetPuzzle() : nullptr;
    const std::int64_t changeNumber =
        puzzle != nullptr ? static_cast<std::int64_t>(puzzle->GetChangeNumber()) : -1;
    if (changeNumber != m_changeNumberSeen)
    {
        m_changeNumberSeen = changeNumber;
        if (puzzle != nullptr)
        {
            const float w = static_cast<float>(puzzle->GetWidth());
            const float h = static_cast<float>(puzzle->GetHeight());
            m_sceneBox = QuarrowSceneBox{BaseLib::CVector3(1.5f - w / 2.0f, -3.5f - h / 2.0f, 0.0f),
                                         BaseLib::CVector3(w / 2.0f + 3.5f, h / 2.0f - 1.5f, 2.7f)};
            if (m_renderer != nullptr)
            {
                m_renderer->SetSceneBounds(m_sceneBox->min.x, m_sceneBox->min.y, m_sceneBox->min.z,
                                           m_sceneBox->max.x, m_sceneBox->max.y, m_sceneBox->max.z);
            }
        }
    }
    CUserInterface::Update();
    if (m_cursor != nullptr)
    {
        m_cursor->Update();
    }
}

void CQuarrowUI::CreateCamera()
{
    m_camera = CGameCameraNode::Create(m_application, m_inputManager);
    Qen::CCamera* camera = m_camera->GetCamera();
    const std::vector<Qen::CDisplayHead*>& heads = m_application->GetHeads();
    if (!heads.empty() && heads.front()->backBufferWidth > 0 && heads.front()->backBufferHeight > 0)
    {
        const Qen::CDisplayHead& head = *heads.front();
        camera->aspectRatio =
            static_cast<float>(head.backBufferWidth) / static_cast<float>(head.backBufferHeight);
    }
    // The scene is Z-up; the camera keeps that up vector instead of the node's Y axis.
    camera->SetUpVector(BaseLib::CVector3(0.0f, 0.0f, 1.0f));
    m_camera->SetUseNodeUpVector(false);
    GameLib::CSceneManager* scene = GetWorld() != nullptr ? GetWorld()->GetSceneManager() : nullptr;
    if (scene != nullptr && scene->GetRootNode() != nullptr)
    {
        scene->GetRootNode()->AddChild(m_camera);
    }
}

void CQuarrowUI::RegisterConfigKeys()
{
    BaseLib::CConfigFile* config = m_application->GetConfiguration();
    if (config == nullptr)
    {
        return;
    }
    config->AddStringEntry("startup/renderer", "", "3d", "2d 3d");
    // The application wrote its file before this key existed: read it again, write it back with every
    // key, and apply the command line again, whose switches change values in memory only.
    const std::string fileName = m_application->GetConfigFileName();
    if (config->Load(fileName))
    {
        config->Save(fileName, true, true);
        m_application->ParseCommandLine();
    }
}

void CQuarrowUI::CreateDefaultBindings()
{
    CUserInterface::CreateDefaultBindings();
    for (const TValueBinding& binding : kCameraBindings)
    {
        m_inputManager->ParseBinding(binding.condition, binding.action, binding.value, m_guiContextName);
    }
    if (m_application->IsDeveloperMode())
    {
        for (const auto& [action, condition] : kDeveloperBindings)
        {
            m_inputManager->AddBinding(condition, action, m_gameContextName);
        }
    }
}

void CQuarrowUI::InitializeUILib(int layerCount, int width, int height)
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    if (system != nullptr && system->GetBitmapFactory() != nullptr)
    {
        system->GetBitmapFactory()->AddSearchPath(
            BaseLib::CString(m_application->GetPathAliases().ResolvePath("interface>standard").c_str()));
    }
    CUserInterface::InitializeUILib(layerCount, width, height);
}

void CQuarrowUI::CreateScreens()
{
    CQuarrowWorld* world = GetWorld();
    const bool developer = m_application->IsDeveloperMode();
    m_screenNames.clear();
    const auto add = [this](const char* name, GameLib::CUIScreen* screen) {
        m_screenStateMachine->AddScreen(name, screen);
        m_screenNames.emplace_back(name);
    };
    if (developer)
    {
        for (const char* name : kDeveloperScreens)
        {
            const auto found = ScreenCreators().find(name);
            if (found == ScreenCreators().end())
            {
                BaseLib::DebugOutput("Quarrow: no maker for the developer screen \"%s\"; it is left out\n",
                                     name);
                continue;
            }
            add(name, found->second(this, world));
        }
    }
    add("mainmenu", new CMainMenuScreen(this, world));
    add("filemenu", new CFileMenuScreen(this, world));
    add("ingame3d", new CPuzzleScreen3D(this, world));
    add("ingame2d", new CPuzzleScreen2D(this, world));
    add("map", CreateMapScreen(this, world));
    add("gamemenu", new CGameMenuScreen(this, world));
    add("gameresult", new CGameResultScreen(this, world));
    add("levelselection", new CLevelSelectionScreen(this, world));
    add("freeplay", new CFreePlayMenuScreen(this, world));
    add("options", new COptionsScreen(this, world));
    add("treasury", new CTreasuryScreen(this, world));
    add("languageselection", new CLanguageSelectionScreen(this, world));
    add("loadsavedgames", new CLoadSavedGamesScreen(this, world));
    add("logo", new CLogoScreen(this, world));
    m_screenStateMachine->SwitchTo(developer ? "devmenu" : "languageselection");
}

void CQuarrowUI::UpdateScreens()
{
    CUserInterface::UpdateScreens();
    if (m_fader != nullptr)
    {
        m_fader->Step(static_cast<float>(m_timeStep));
    }
}

void CQuarrowUI::RenderScene(int)
{
    if (CQuarrowWorld* world = GetWorld(); world != nullptr && world->GetSimulationClock() != nullptr)
    {
        m_application->SetEngineTime(world->GetSimulationClock()->GetTime());
    }
    if (m_screenStateMachine != nullptr)
    {
        const GameLib::CUIScreen* screen = m_screenStateMachine->GetCurrentScreen();
        if ((screen != nullptr && screen->HidesScene()) ||
            m_screenStateMachine->GetCurrentScreenName() == "shutdown")
        {
            return;
        }
    }
    if (m_renderer != nullptr)
    {
        m_renderer->Render();
    }
}

std::string CQuarrowUI::ScreenshotPath(const char* name) const
{
    return Platform::UserFilePath(Platform::UserFileKind::Data, name);
}

BaseLib::CVector2 CQuarrowUI::PixelToViewport(float x, float y) const
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowManager* windows = system != nullptr ? system->GetWindowManager() : nullptr;
    const UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    if (root == nullptr || root->GetSize().cx <= 0 || root->GetSize().cy <= 0)
    {
        return BaseLib::CVector2(0.0f, 0.0f);
    }
    const float w = static_cast<float>(root->GetSize().cx);
    const float h = static_cast<float>(root->GetSize().cy);
    return BaseLib::CVector2(2.0f * x / w - 1.0f, 1.0f - 2.0f * y / h);
}

CQuarrowApplication* CQuarrowUI::GetQuarrowApplication() const
{
    // Constructed with the game's application only.
    return static_cast<CQuarrowApplication*>(m_application);
}

CQuarrowWorld* CQuarrowUI::GetWorld() const
{
    return GetQuarrowApplication()->GetWorld();
}

std::string CQuarrowUI::GetPuzzleScreenName() const
{
    BaseLib::CConfigFile* config = m_application->GetConfiguration();
    return config != nullptr && config->GetString("startup/renderer") == "3d" ? "ingame3d" : "ingame2d";
}
