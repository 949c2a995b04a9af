#pragma once

#include "foundation/Point.h"
#include "foundation/Rect.h"
#include "platform/os/EventInjection.h"
#include "platform/os/Window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CQuarrowApplication;
class CQuarrowInputChannel;
class CQuarrowSaveGame;
class CQuarrowUI;
class CQuarrowWorld;

namespace GameLib
{
class CUIScreen;
class CUIScreenStateMachine;
} // namespace GameLib

namespace Platform
{
class CounterOverrideScope;
class DebugOutputCapture;
} // namespace Platform

namespace UILib
{
class CWindow;
} // namespace UILib

// Runs the real game headless for the game's tests and drives it with real input events.
//
// A harness makes a fresh temporary working folder (which also holds the single-instance lock and the
// player's home folder), writes "config.xml" there from its settings and runs the game's own application
// class in it: Start is the game's start-up and the creation of its world and user interface,
// RunFrames and RunUntil run the game's own message and frame loop for a number of frames, Finish takes
// the game down as the program does (also done by the destructor). Between runs of frames the test posts
// world commands, pushes game commands, switches screens, injects keys and mouse events into the game's
// window (the game's message loop takes them in the next frame), and reads pictures back.
//
// While the harness exists every piece of debug output goes into its trace, message boxes are recorded
// and answered as an unattended run answers them, and with a fixed frame time the counter is the test's:
// every frame lasts exactly that long, so runs repeat exactly. Several harnesses may run one after the
// other in one process; one at a time. Main thread only.
namespace GameTesting
{

// Pixels as 0xAARRGGBB, top row first.
using Pixels = std::vector<std::uint32_t>;

struct GameSettings
{
    // The window's client size ("application/windowsize"); windowed, sound off.
    int width = 1024;
    int height = 768;
    std::string renderer = "3d";      // "startup/renderer"
    std::string language = "english"; // "application/language"
    // "-devmode true" on the game's command line.
    bool developer = false;
    // Further command-line switches.
    std::string commandLine;
    // Further keys of "config.xml" as ("section/key", value); a key given here replaces the harness's.
    std::vector<std::pair<std::string, std::string>> config;
    // Path aliases registered after the game's own (so they replace them), e.g. {"interface", folder}.
    std::vector<std::pair<std::string, std::string>> aliases;
    // Seconds every frame lasts on the counter's test override; 0 leaves the real clock running.
    double frameSeconds = 0.02;
    // Off, the start stops where the language page goes on: "loadsavedgames" is an idle screen, so a
    // test begins on a quiet game with no profile read or made and no logo playing. On, the start runs
    // on as a player's does (the saved games read, the logos, the main menu).
    bool startFlow = false;
};

class GameHarness
{
public:
    explicit GameHarness(GameSettings settings = {});
    // Finishes a run still going, then restores the working folder, the home folder, the message-box
    // answerer and the counter, and removes the temporary folder.
    ~GameHarness();
    GameHarness(const GameHarness&) = delete;
    GameHarness& operator=(const GameHarness&) = delete;

    // The game's start-up, then its world and user interface (the first screen chosen). Fails, with the
    // trace's last lines, when the start-up failed or the game asked to quit during it.
    ::testing::AssertionResult Start();
    // Runs exactly count frames of the game's loop. Fails when the game is not running or quits on its own
    // before the count.
    ::testing::AssertionResult RunFrames(int count);
    // Runs frames until the condition holds after a frame (none when it holds already). Fails after
    // frameLimit frames or wallSeconds of real time, naming what was waited for and Describe().
    ::testing::AssertionResult RunUntil(const std::function<bool()>& condition, const std::string& what,
                                        int frameLimit = 600, double wallSeconds = 60.0);
    // The game's take-down: the world and user interface destroyed, then the engine, sound and window
    // system shut. Nothing when no run is going.
    void Finish();

    bool IsRunning() const;
    // Frames run since Start.
    int Frames() const;
    // The game's objects; only while running.
    CQuarrowApplication& Game() const;
    CQuarrowUI& UI() const;
    CQuarrowWorld& World() const;
    GameLib::CUIScreenStateMachine& Screens() const;
    // Head 0's window.
    Platform::WindowHandle Window() const;

    // The current screen, its state (SetScreenStateReader), the game state and the pending world commands.
    std::string Describe() const;
    // Tells Describe how to name the state of a screen (null: none told).
    void SetScreenStateReader(std::function<std::string(GameLib::CUIScreen& screen)> reader);
    // Called after every frame the harness runs.
    void SetFrameHook(std::function<void()> hook);

    // A world command, taken by the world in the next frame.
    std::int32_t PostWorldCommand(const std::string& name, const std::string& argument = "");
    // The world's game input channel (push game commands there).
    CQuarrowInputChannel& GameCommands() const;
    // Registers a screen (the state machine owns it from then on); a screen it replaces under that name
    // is released unless it is the current one.
    void AddScreen(const std::string& name, GameLib::CUIScreen* screen);
    bool SwitchTo(const std::string& name);
    // Appends a profile with defaults under the name and makes it current.
    CQuarrowSaveGame& AddProfile(const std::string& name);

    // Input focus for the game's window, with every lock toggle off.
    void FocusWindow();
    // A key by the platform's key name ("A", "Left Ctrl", "Return", "Up"); false when refused.
    bool KeyDown(const std::string& key);
    bool KeyUp(const std::string& key);
    // Down, heldFrames frames, up, one frame.
    ::testing::AssertionResult PressKey(const std::string& key, int heldFrames = 1);
    // Mouse events at window pixels.
    bool MouseMove(const BaseLib::CPoint& at);
    bool MouseButton(const BaseLib::CPoint& at, bool down,
                     Platform::InjectedButton button = Platform::InjectedButton::Left);
    // A move there, one frame, the button down, one frame, up, one frame.
    ::testing::AssertionResult Click(const BaseLib::CPoint& at,
                                     Platform::InjectedButton button = Platform::InjectedButton::Left);

    // Window pixels of a point of the window system's layout (layer coordinates), scaled by the window's
    // client size over the picture size when they differ: the window pixel whose event lands on that point.
    BaseLib::CPoint WindowPoint(const BaseLib::CPoint& layoutPoint) const;
    // The window's visible layout rectangle in window pixels.
    BaseLib::CRect WindowPixels(const UILib::CWindow& window) const;
    // The window pixel at the middle of its visible rectangle.
    BaseLib::CPoint CentreOf(const UILib::CWindow& window) const;

    // Head 0's back buffer as the last frame left it; empty (a failure added) when it cannot be read.
    Pixels ReadFrame(int& width, int& height) const;
    // Head 0's next presented frame saved by the engine's screenshot and copied to "<folder>/<name>.png"
    // (the folder is made); runs one frame.
    ::testing::AssertionResult Screenshot(const std::string& folder, const std::string& name);
    // Writes pixels as "<folder>/<name>.png" (the folder is made).
    static bool WritePicture(const std::string& folder, const std::string& name, int width, int height,
                             const Pixels& pixels);

    const std::filesystem::path& Folder() const { return m_folder; }
    // Everything written to the debug output since the harness was made.
    std::string Trace() const;
    // Message boxes asked for, as "caption|text".
    const std::vector<std::string>& MessageBoxes() const { return m_boxes; }

private:
    class HarnessGame;
    friend class HarnessGame;

    void WriteConfig() const;
    void AfterFrame();
    // Runs the game's loop until the harness stops it; false when the game quit on its own.
    bool RunLoop();

    GameSettings m_settings;
    std::filesystem::path m_folder;
    std::filesystem::path m_previousFolder;
    std::optional<std::string> m_previousHome;
    std::function<int(const char*, const char*, std::uint32_t)> m_previousAnswerer;
    std::vector<std::string> m_boxes;
    std::unique_ptr<Platform::DebugOutputCapture> m_trace;
    std::unique_ptr<Platform::CounterOverrideScope> m_counter;
    std::unique_ptr<HarnessGame> m_game;
    std::function<std::string(GameLib::CUIScreen&)> m_screenStateReader;
    std::function<void()> m_frameHook;
    std::function<bool()> m_stopCondition;
    int m_frames = 0;
    bool m_started = false;
    bool m_quitByGame = false;
};

} // namespace GameTesting
