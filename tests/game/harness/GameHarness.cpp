#include "tests/game/harness/GameHarness.h"

#include "engine/DisplayHead.h"
#include "foundation/PathAliases.h"
#include "framework/CommandQueue.h"
#include "framework/UIScreen.h"
#include "game/GameContext.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/savegame/QuarrowSaveGame.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"
#include "platform/Counter.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/SwapChain.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/MessageBox.h"
#include "tests/support/ProgramRun.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace GameTesting
{

// The game's own application with the harness's hooks: each frame lasts the settings' frame time on the
// counter, the harness looks after each frame whether to stop the loop, and the test's path aliases
// follow the game's.
class GameHarness::HarnessGame : public CQuarrowApplication
{
public:
    explicit HarnessGame(GameHarness& harness)
        : CQuarrowApplication(Platform::GetModuleHandleA(nullptr)), m_harness(harness)
    {
        m_commandLine = harness.m_settings.developer ? "-devmode true" : "";
        if (!harness.m_settings.commandLine.empty())
        {
            m_commandLine += (m_commandLine.empty() ? "" : " ") + harness.m_settings.commandLine;
        }
        if (harness.m_settings.frameSeconds > 0.0)
        {
            m_frameTicks = static_cast<std::uint64_t>(harness.m_settings.frameSeconds *
                                                      static_cast<double>(Platform::CounterFrequency()));
        }
    }

    void Tick() override
    {
        Platform::AdvanceCounterOverride(m_frameTicks);
        CQuarrowApplication::Tick();
        if (IsQuitting())
        {
            m_harness.m_quitByGame = true;
        }
        m_harness.AfterFrame();
        if (!IsQuitting() && m_harness.m_stopCondition && m_harness.m_stopCondition())
        {
            m_pausing = true;
            Quit();
        }
    }

    void RegisterPathAliases() override
    {
        CQuarrowApplication::RegisterPathAliases();
        for (const auto& [alias, folder] : m_harness.m_settings.aliases)
        {
            GetPathAliases().RegisterPathAlias(alias, folder, false, false);
        }
    }

    // The engine's loop, entered once per run of frames: it ends when the harness stops it (true, and
    // the loop may be entered again) or when the game quits (false).
    bool RunUntilStopped()
    {
        m_pausing = false;
        Run();
        if (m_pausing && !m_harness.m_quitByGame)
        {
            m_quit = false;
            return true;
        }
        return false;
    }

    Platform::WindowHandle Window() const { return m_displaySettings.records[0].hDeviceWindow; }

    bool initialised = false;
    bool objectsCreated = false;

private:
    GameHarness& m_harness;
    std::uint64_t m_frameTicks = 0;
    bool m_pausing = false;
};

namespace
{

// A screen that does nothing: where the harness holds the start.
class IdleScreen : public GameLib::CUIScreen
{
public:
    void Update() override {}
    void Release() override { delete this; }
};

const char* GameStateName(std::int32_t state)
{
    static const char* const names[] = {"NoGame",         "GameOpen",       "LevelRunning", "LevelSolved",
                                        "SolverRunning",  "RefinerRunning", "MapRunning",   "MapExitTaken",
                                        "MapLevelChosen", "SequencePending"};
    return state >= 0 && state < static_cast<std::int32_t>(std::size(names)) ? names[state] : "unknown";
}

std::string LastLines(const std::string& text, int count)
{
    std::size_t at = text.size();
    for (int i = 0; i <= count && at != std::string::npos && at > 0; ++i)
    {
        at = text.rfind('\n', at - 1);
    }
    return at == std::string::npos ? text : text.substr(at + 1);
}

// "config.xml" from "section/key" paths: each path's elements nested, siblings in name order.
struct ConfigNode
{
    std::map<std::string, ConfigNode> children;
    std::string value;
};

void WriteNode(std::ostream& out, const std::string& name, const ConfigNode& node)
{
    out << "<" << name << ">";
    if (node.children.empty())
    {
        out << node.value;
    }
    for (const auto& [childName, child] : node.children)
    {
        WriteNode(out, childName, child);
    }
    out << "</" << name << ">";
}

} // namespace

GameHarness::GameHarness(GameSettings settings) : m_settings(std::move(settings))
{
    TestProgram::PrepareDisplay();
    m_trace = std::make_unique<Platform::DebugOutputCapture>();
    std::string name = "Quarrow Harness-" + std::to_string(::getpid());
    if (const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info())
    {
        name += std::string("-") + test->test_suite_name() + "-" + test->name();
    }
    static int s_runs = 0;
    name += "-" + std::to_string(++s_runs);
    m_previousFolder = std::filesystem::current_path();
    m_folder = std::filesystem::temp_directory_path() / name;
    TestProgram::EnterEmptyFolder(m_folder);
    if (const char* home = std::getenv("HOME"))
    {
        m_previousHome = home;
    }
    std::filesystem::create_directories(m_folder / "home");
    setenv("HOME", (m_folder / "home").c_str(), 1);
    m_previousAnswerer =
        Platform::SetMessageBoxAnswerer([this](const char* text, const char* caption, std::uint32_t style) {
            m_boxes.push_back(std::string(caption) + "|" + text);
            return Platform::UnattendedAnswer(style);
        });
    WriteConfig();
}

GameHarness::~GameHarness()
{
    Finish();
    if (testing::Test::HasFailure())
    {
        std::cerr << "The game's trace ended with:\n" << LastLines(Trace(), 40) << std::endl;
    }
    m_counter.reset();
    Platform::SetMessageBoxAnswerer(m_previousAnswerer);
    if (m_previousHome)
    {
        setenv("HOME", m_previousHome->c_str(), 1);
    }
    std::error_code error;
    std::filesystem::current_path(m_previousFolder, error);
    std::filesystem::remove_all(m_folder, error);
    m_trace.reset();
}

void GameHarness::WriteConfig() const
{
    std::vector<std::pair<std::string, std::string>> keys = {
        {"application/windowsize/cx", std::to_string(m_settings.width)},
        {"application/windowsize/cy", std::to_string(m_settings.height)},
        {"application/fullscreen", "false"},
        {"application/mediadir", QUARROW_MEDIA_DIR},
        {"application/language", m_settings.language},
        {"startup/renderer", m_settings.renderer},
        {"graphic/antialiasing", "off"},
        {"sound/soundenabled", "false"}};
    keys.insert(keys.end(), m_settings.config.begin(), m_settings.config.end());
    ConfigNode root;
    for (const auto& [path, value] : keys)
    {
        ConfigNode* node = &root;
        std::stringstream parts(path);
        for (std::string part; std::getline(parts, part, '/');)
        {
            node = &node->children[part];
        }
        node->children.clear();
        node->value = value;
    }
    std::ofstream file(m_folder / "config.xml");
    WriteNode(file, "configuration", root);
    file << "\n";
}

::testing::AssertionResult GameHarness::Start()
{
    if (m_started)
    {
        return ::testing::AssertionFailure() << "the harness runs the game once";
    }
    m_started = true;
    if (m_settings.frameSeconds > 0.0)
    {
        m_counter = std::make_unique<Platform::CounterOverrideScope>(Platform::ReadCounter());
    }
    m_game = std::make_unique<HarnessGame>(*this);
    m_game->initialised = true;
    if (!m_game->Init() || m_game->IsQuitting())
    {
        Finish();
        return ::testing::AssertionFailure() << "the game's start-up failed; its trace ended with:\n"
                                             << LastLines(Trace(), 20);
    }
    m_game->CreateGameObjects();
    m_game->objectsCreated = true;
    if (m_game->IsQuitting())
    {
        Finish();
        return ::testing::AssertionFailure()
               << "the game quit while it created its objects; its trace ended with:\n"
               << LastLines(Trace(), 20);
    }
    if (!m_settings.startFlow)
    {
        // The language page goes on in the first frame; the step after it waits here instead.
        AddScreen("loadsavedgames", new IdleScreen());
    }
    return ::testing::AssertionSuccess();
}

void GameHarness::Finish()
{
    if (m_game == nullptr)
    {
        return;
    }
    if (m_game->objectsCreated)
    {
        m_game->DestroyGameObjects();
    }
    m_game->Shutdown();
    m_game.reset();
    // The application switched the window system's own cursors off for the process.
    UILib::SetSystemCursorsEnabled(true);
}

bool GameHarness::IsRunning() const
{
    return m_game != nullptr && m_game->objectsCreated && !m_quitByGame;
}

int GameHarness::Frames() const
{
    return m_frames;
}

void GameHarness::AfterFrame()
{
    ++m_frames;
    if (m_frameHook)
    {
        m_frameHook();
    }
}

bool GameHarness::RunLoop()
{
    const bool kept = m_game->RunUntilStopped();
    m_stopCondition = nullptr;
    return kept;
}

::testing::AssertionResult GameHarness::RunFrames(int count)
{
    if (!IsRunning())
    {
        return ::testing::AssertionFailure() << "the game is not running";
    }
    if (count <= 0)
    {
        return ::testing::AssertionSuccess();
    }
    const int end = m_frames + count;
    m_stopCondition = [this, end] { return m_frames >= end; };
    if (!RunLoop())
    {
        return ::testing::AssertionFailure()
               << "the game quit after frame " << m_frames << " of " << end << "; " << Describe();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameHarness::RunUntil(const std::function<bool()>& condition,
                                                 const std::string& what, int frameLimit, double wallSeconds)
{
    if (!IsRunning())
    {
        return ::testing::AssertionFailure() << "the game is not running";
    }
    if (condition())
    {
        return ::testing::AssertionSuccess();
    }
    const int start = m_frames;
    const auto began = std::chrono::steady_clock::now();
    bool held = false;
    bool timedOut = false;
    m_stopCondition = [&] {
        held = condition();
        timedOut =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() >= wallSeconds;
        return held || timedOut || m_frames - start >= frameLimit;
    };
    if (!RunLoop())
    {
        return ::testing::AssertionFailure() << "the game quit after " << m_frames - start
                                             << " frames waiting for " << what << "; " << Describe();
    }
    if (held)
    {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << what << " did not hold within " << (timedOut ? std::to_string(wallSeconds) + " s (" : "")
           << m_frames - start << " frames" << (timedOut ? ")" : "") << "; " << Describe();
}

CQuarrowApplication& GameHarness::Game() const
{
    return *m_game;
}

CQuarrowUI& GameHarness::UI() const
{
    return *static_cast<CQuarrowUI*>(m_game->GetUserInterface());
}

CQuarrowWorld& GameHarness::World() const
{
    return *m_game->GetWorld();
}

GameLib::CUIScreenStateMachine& GameHarness::Screens() const
{
    return *UI().GetScreenStateMachine();
}

Platform::WindowHandle GameHarness::Window() const
{
    return m_game != nullptr ? m_game->Window() : nullptr;
}

std::string GameHarness::Describe() const
{
    if (m_game == nullptr || m_game->GetUserInterface() == nullptr || m_game->GetWorld() == nullptr)
    {
        return "the game is not running";
    }
    std::ostringstream text;
    const std::string screen = Screens().GetCurrentScreenName();
    text << "screen \"" << screen << "\"";
    GameLib::CUIScreen* current = screen.empty() ? nullptr : Screens().FindScreen(screen);
    if (current != nullptr && m_screenStateReader)
    {
        text << " in state " << m_screenStateReader(*current);
    }
    if (const GameContext* context = World().GetGameContext())
    {
        text << ", game state " << context->GetState() << " (" << GameStateName(context->GetState()) << ")";
    }
    text << ", pending world commands:";
    const GameLib::CCommandQueue* queue = World().GetCommandQueue();
    if (queue == nullptr || queue->IsEmpty())
    {
        text << " none";
    }
    else
    {
        for (const GameLib::TCommand& command : queue->GetPending())
        {
            text << " " << command.name << "(\"" << command.argument << "\")";
        }
    }
    return text.str();
}

void GameHarness::SetScreenStateReader(std::function<std::string(GameLib::CUIScreen& screen)> reader)
{
    m_screenStateReader = std::move(reader);
}

void GameHarness::SetFrameHook(std::function<void()> hook)
{
    m_frameHook = std::move(hook);
}

std::int32_t GameHarness::PostWorldCommand(const std::string& name, const std::string& argument)
{
    return World().GetCommandQueue()->PostCommand(name, argument);
}

CQuarrowInputChannel& GameHarness::GameCommands() const
{
    return *World().GetGameInputChannel();
}

void GameHarness::AddScreen(const std::string& name, GameLib::CUIScreen* screen)
{
    GameLib::CUIScreen* replaced = Screens().FindScreen(name);
    Screens().AddScreen(name, screen);
    // The game's own screen under the name is the harness's to end (the machine keeps no replaced one).
    if (replaced != nullptr && replaced != screen && replaced != Screens().GetCurrentScreen())
    {
        replaced->Release();
    }
}

bool GameHarness::SwitchTo(const std::string& name)
{
    return Screens().SwitchTo(name);
}

CQuarrowSaveGame& GameHarness::AddProfile(const std::string& name)
{
    CSaveGameList& list = UI().GetSaveGameManager()->GetSaveGameList();
    CQuarrowSaveGame* profile = list.Get(list.Add());
    profile->SetName(name);
    return *profile;
}

void GameHarness::FocusWindow()
{
    Platform::InjectLockState(false, false, false);
    Platform::InjectFocus(Window(), false);
    Platform::InjectFocus(Window(), true);
}

bool GameHarness::KeyDown(const std::string& key)
{
    return Platform::InjectKey(Window(), key.c_str(), true);
}

bool GameHarness::KeyUp(const std::string& key)
{
    return Platform::InjectKey(Window(), key.c_str(), false);
}

::testing::AssertionResult GameHarness::PressKey(const std::string& key, int heldFrames)
{
    if (!KeyDown(key))
    {
        return ::testing::AssertionFailure() << "the key \"" << key << "\" was refused";
    }
    if (::testing::AssertionResult run = RunFrames(heldFrames); !run)
    {
        return run;
    }
    if (!KeyUp(key))
    {
        return ::testing::AssertionFailure() << "the key \"" << key << "\" was refused on release";
    }
    return RunFrames(1);
}

bool GameHarness::MouseMove(const BaseLib::CPoint& at)
{
    return Platform::InjectMouseMove(Window(), at.x, at.y);
}

bool GameHarness::MouseButton(const BaseLib::CPoint& at, bool down, Platform::InjectedButton button)
{
    return Platform::InjectMouseButton(Window(), button, down, at.x, at.y);
}

::testing::AssertionResult GameHarness::Click(const BaseLib::CPoint& at, Platform::InjectedButton button)
{
    for (int step = 0; step < 3; ++step)
    {
        const bool injected = step == 0 ? MouseMove(at) : MouseButton(at, step == 1, button);
        if (!injected)
        {
            return ::testing::AssertionFailure()
                   << "the mouse event at (" << at.x << ", " << at.y << ") was refused";
        }
        if (::testing::AssertionResult run = RunFrames(1); !run)
        {
            return run;
        }
    }
    return ::testing::AssertionSuccess();
}

BaseLib::CPoint GameHarness::WindowPoint(const BaseLib::CPoint& layoutPoint) const
{
    // The platform scales a window pixel to the picture by picture / client, truncating; the smallest
    // window pixel that lands on the point is its ceiling of point × client / picture.
    Platform::WindowRect client{};
    const UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    const UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    if (root == nullptr || !Platform::GetClientRect(Window(), &client))
    {
        return layoutPoint;
    }
    const std::int64_t pictureWidth = root->GetSize().cx;
    const std::int64_t pictureHeight = root->GetSize().cy;
    const std::int64_t clientWidth = client.right - client.left;
    const std::int64_t clientHeight = client.bottom - client.top;
    if (pictureWidth <= 0 || pictureHeight <= 0 ||
        (clientWidth == pictureWidth && clientHeight == pictureHeight))
    {
        return layoutPoint;
    }
    const auto scale = [](std::int64_t value, std::int64_t to, std::int64_t from) {
        return static_cast<std::int32_t>((value * to + from - 1) / from);
    };
    return BaseLib::CPoint(scale(layoutPoint.x, clientWidth, pictureWidth),
                           scale(layoutPoint.y, clientHeight, pictureHeight));
}

BaseLib::CRect GameHarness::WindowPixels(const UILib::CWindow& window) const
{
    const BaseLib::CRect layout = window.GetVisibleScreenRect();
    const BaseLib::CPoint topLeft = WindowPoint(BaseLib::CPoint(layout.left, layout.top));
    const BaseLib::CPoint bottomRight = WindowPoint(BaseLib::CPoint(layout.right, layout.bottom));
    return BaseLib::CRect(topLeft.x, topLeft.y, bottomRight.x, bottomRight.y);
}

BaseLib::CPoint GameHarness::CentreOf(const UILib::CWindow& window) const
{
    const BaseLib::CRect layout = window.GetVisibleScreenRect();
    return WindowPoint(BaseLib::CPoint((layout.left + layout.right) / 2, (layout.top + layout.bottom) / 2));
}

Pixels GameHarness::ReadFrame(int& width, int& height) const
{
    Pixels pixels;
    width = 0;
    height = 0;
    Platform::Gfx::Surface* backBuffer = nullptr;
    auto& heads = m_game->GetHeads();
    if (heads.empty() || heads[0]->swapChain == nullptr ||
        Platform::Gfx::Failed(heads[0]->swapChain->GetBackBuffer(0, 0, &backBuffer)))
    {
        ADD_FAILURE() << "head 0 has no back buffer";
        return pixels;
    }
    if (Platform::Gfx::Failed(Platform::Gfx::ReadSurfacePixels(backBuffer, pixels)))
    {
        ADD_FAILURE() << "head 0's back buffer could not be read";
        pixels.clear();
    }
    else
    {
        width = static_cast<int>(heads[0]->backBufferWidth);
        height = static_cast<int>(heads[0]->backBufferHeight);
    }
    backBuffer->Release();
    return pixels;
}

::testing::AssertionResult GameHarness::Screenshot(const std::string& folder, const std::string& name)
{
    if (!IsRunning())
    {
        return ::testing::AssertionFailure() << "the game is not running";
    }
    const std::string base = (m_folder / "harness-screenshot").string();
    std::error_code error;
    std::filesystem::remove(base + ".png", error);
    m_game->GetHeads()[0]->RequestScreenshot(base, true);
    if (::testing::AssertionResult run = RunFrames(1); !run)
    {
        return run;
    }
    std::filesystem::create_directories(folder, error);
    std::filesystem::copy_file(base + ".png", std::filesystem::path(folder) / (name + ".png"),
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
    {
        return ::testing::AssertionFailure()
               << "the screenshot could not be copied to " << folder << ": " << error.message();
    }
    return ::testing::AssertionSuccess();
}

bool GameHarness::WritePicture(const std::string& folder, const std::string& name, int width, int height,
                               const Pixels& pixels)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return Platform::Gfx::WritePng(folder + "/" + name + ".png", static_cast<std::uint32_t>(width),
                                   static_cast<std::uint32_t>(height), pixels, false);
}

std::string GameHarness::Trace() const
{
    return m_trace != nullptr ? m_trace->Text() : std::string();
}

} // namespace GameTesting
