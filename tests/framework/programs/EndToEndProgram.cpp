// Runs the whole framework application through the program entry, as a game would start it with
// "-devmode true -fullscreen false": it draws frames, survives a forced device loss, writes a screenshot
// through the Print Screen key and ends on a window close. Afterwards it checks the screenshot pixel by
// pixel, the configuration file and the trace, copies the screenshot to the framework's test output and
// exits 0 (1 with a line naming each failed check).
//
// It also prints the frames per second of the frames after the reset and how much of a frame the
// controller's own work takes there (Update, UpdateScreens, and Render up to the present). For those
// figures QUARROW_END_TO_END_SIZE ("1024x768") sets another window size and QUARROW_END_TO_END_FRAMES
// the frames drawn after the reset before the screenshot (10).
#include "engine/DisplayHead.h"
#include "engine/ProgramEntry.h"
#include "framework/GameLibApplication.h"
#include "framework/UIScreen.h"
#include "framework/UserInterface.h"
#include "framework/World.h"
#include "platform/gfx/Device.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/EventInjection.h"
#include "tests/framework/PictureFile.h"
#include "tests/support/ProgramRun.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

bool s_failed = false;
int s_width = 640;
int s_height = 480;
int s_framesBeforeScreenshot = 10;

void Check(bool condition, const std::string& what)
{
    if (!condition)
    {
        std::fprintf(stderr, "framework end to end: %s\n", what.c_str());
        s_failed = true;
    }
}

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// The one screen: it does not hide the scene; a full-size panel of white with alpha 0 lets the scene
// show through layer 0, with a 100 × 60 panel of (200, 40, 40) at (20, 20) inside it.
class PlainScreen : public GameLib::CUIScreen
{
public:
    void Update() override {}
    void OnActivate() override
    {
        UILib::CWindowManager* windows = UILib::CUILibSystem::GetInstance()->GetWindowManager();
        const BaseLib::CRect area = windows->GetLayerRoot(0)->GetClientRect();
        auto* panel = new UILib::CPanel();
        panel->SetSize(area.right - area.left, area.bottom - area.top);
        panel->SetColor(BaseLib::CColor(255, 255, 255, 0));
        windows->AddToLayer(panel, 0);
        auto* box = new UILib::CPanel();
        box->SetSize(100, 60);
        box->SetPosition(20, 20);
        box->SetColor(BaseLib::CColor(200, 40, 40, 255));
        panel->AddChild(box->GetHandle());
    }
    void Release() override { delete this; }
};

// The game's own controller as a game makes it: every framework slot kept, its own screen list, and
// stopwatches around the controller's own work.
class EndToEndInterface : public GameLib::CUserInterface
{
public:
    using CUserInterface::CUserInterface;

    void CreateScreens() override
    {
        m_screenStateMachine->AddScreen("plain", new PlainScreen());
        m_screenStateMachine->SwitchTo("plain");
    }
    void Update() override
    {
        const Clock::time_point begin = Clock::now();
        CUserInterface::Update();
        work[0] += Clock::now() - begin;
    }
    void UpdateScreens() override
    {
        const Clock::time_point begin = Clock::now();
        CUserInterface::UpdateScreens();
        work[1] += Clock::now() - begin;
    }
    void Render() override
    {
        m_renderBegin = Clock::now();
        m_renderEnd = m_renderBegin;
        CUserInterface::Render();
        work[2] += m_renderEnd - m_renderBegin;
    }
    // The last drawing before the scene ends and the heads present.
    void RenderDebugGui(int head) override
    {
        CUserInterface::RenderDebugGui(head);
        m_renderEnd = Clock::now();
    }

    // Update, UpdateScreens, Render up to the present.
    Clock::duration work[3]{};

private:
    Clock::time_point m_renderBegin;
    Clock::time_point m_renderEnd;
};

class EndToEndApplication : public GameLib::CGameLibApplication
{
public:
    explicit EndToEndApplication(Platform::InstanceHandle instance) : CGameLibApplication(instance, false) {}

    void CreateGameObjects() override
    {
        RegisterPathAliases();
        m_world = new GameLib::CWorld(this);
        m_world->Initialize();
        m_interface = new EndToEndInterface(this);
        m_userInterface = m_interface;
        m_userInterface->Initialize();
    }

    void OnDeviceReset() override
    {
        CGameLibApplication::OnDeviceReset();
        ++resets;
        m_framesSinceReset = 0;
        if (m_interface != nullptr)
        {
            std::fill(std::begin(m_interface->work), std::end(m_interface->work), Clock::duration{});
        }
    }

    void Tick() override
    {
        if (m_framesSinceReset == 0)
        {
            m_start = Clock::now();
        }
        CGameLibApplication::Tick();
        ++frames;
        ++m_framesSinceReset;
        m_end = Clock::now();
        Platform::WindowHandle window = m_heads.empty() ? nullptr : m_heads[0]->window;
        if (frames == 1 && Platform::GetActiveWindow() != window)
        {
            Platform::InjectFocus(window, true);
        }
        if (frames == 10)
        {
            m_device->SimulateDeviceLoss(2);
        }
        if (resets == 1 && m_framesSinceReset == s_framesBeforeScreenshot)
        {
            Platform::InjectKey(window, "PrintScreen", true);
        }
        if (resets == 1 && m_framesSinceReset == s_framesBeforeScreenshot + 1)
        {
            Platform::InjectKey(window, "PrintScreen", false);
        }
        if (!m_closing && std::filesystem::exists("screenshot.png"))
        {
            m_closing = Platform::InjectClose(window);
        }
        if (!m_closing && frames >= 600 + s_framesBeforeScreenshot)
        {
            Check(false, resets != 1 ? "600 frames passed without a device reset"
                                     : "600 frames passed without a screenshot");
            m_closing = Platform::InjectClose(window);
        }
    }

    void PrintFigures() const
    {
        const int measured = m_framesSinceReset;
        if (resets != 1 || measured < 2)
        {
            return;
        }
        const double total = Seconds(m_end - m_start);
        const double update = Seconds(work[0]);
        const double screens = Seconds(work[1]);
        const double render = Seconds(work[2]);
        const double own = update + screens + render;
        std::printf("%d x %d: %d frames after the reset, %.1f frames per second; the controller's own work "
                    "%.3f ms of %.3f ms per frame (%.1f%%: Update %.3f ms, UpdateScreens %.3f ms, Render up to "
                    "the present %.3f ms)\n",
                    s_width, s_height, measured, measured / total, 1000.0 * own / measured,
                    1000.0 * total / measured, 100.0 * own / total, 1000.0 * update / measured,
                    1000.0 * screens / measured, 1000.0 * render / measured);
    }

    // Kept from the controller before the game objects go.
    void DestroyGameObjects() override
    {
        if (m_interface != nullptr)
        {
            std::copy(std::begin(m_interface->work), std::end(m_interface->work), std::begin(work));
        }
        PrintFigures();
        m_interface = nullptr;
        CGameLibApplication::DestroyGameObjects();
    }

    int frames = 0;
    int resets = 0;
    Clock::duration work[3]{};

private:
    EndToEndInterface* m_interface = nullptr;
    int m_framesSinceReset = 0;
    bool m_closing = false;
    Clock::time_point m_start;
    Clock::time_point m_end;
};

EndToEndApplication* s_application = nullptr;

void CheckScreenshot()
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const std::vector<std::uint32_t> pixels = FrameworkTesting::ReadPicture("screenshot.png", width, height);
    Check(!pixels.empty(), "screenshot.png was not written or cannot be read");
    if (pixels.empty())
    {
        return;
    }
    Check(width == static_cast<std::uint32_t>(s_width) && height == static_cast<std::uint32_t>(s_height),
          "the screenshot is " + std::to_string(width) + " x " + std::to_string(height));
    int wrong = 0;
    std::string first;
    for (std::uint32_t y = 0; y < height; ++y)
    {
        for (std::uint32_t x = 0; x < width; ++x)
        {
            const bool inBox = x >= 20 && x < 120 && y >= 20 && y < 80;
            const std::uint32_t expected = inBox ? 0xC82828u : 0x105040u;
            const std::uint32_t actual = pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFFu;
            if (actual != expected && ++wrong == 1)
            {
                char text[96];
                std::snprintf(text, sizeof text, "(%u, %u) is %06X, not %06X", x, y, actual, expected);
                first = text;
            }
        }
    }
    Check(wrong == 0, "screenshot: " + std::to_string(wrong) + " pixels differ, the first " + first);
}

void CheckConfiguration()
{
    const char* const keys[] = {"application/mediadir", "application/windowsize", "application/fullscreen",
                                "application/tripplebuffering", "application/monitoraspect",
                                "graphic/antialiasing", "sound/soundenabled", "sound/eaxenabled",
                                "startup/level", "startup/mode"};
    std::string text;
    if (FILE* file = std::fopen("config.xml", "rb"))
    {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        {
            text.append(buffer, n);
        }
        std::fclose(file);
    }
    for (const char* key : keys)
    {
        const std::string name(key);
        const std::string group = "<" + name.substr(0, name.find('/')) + ">";
        const std::string leaf = "<" + name.substr(name.find('/') + 1) + ">";
        const std::size_t at = text.find(group);
        Check(at != std::string::npos && text.find(leaf, at) != std::string::npos,
              std::string("config.xml does not list ") + key);
    }
    Check(text.find("<cx>" + std::to_string(s_width) + "</cx>") != std::string::npos &&
              text.find("<cy>" + std::to_string(s_height) + "</cy>") != std::string::npos,
          "config.xml lost the window size");
}

} // namespace

Qen::CQenApplication* CreateApplication(Platform::InstanceHandle instance)
{
    s_application = new EndToEndApplication(instance);
    return s_application;
}

void DestroyApplication(Qen::CQenApplication* application)
{
    delete application;
    s_application = nullptr;
}

int main(int argc, char** argv)
{
    TestProgram::PrepareDisplay();
    if (const char* size = std::getenv("QUARROW_END_TO_END_SIZE"))
    {
        std::sscanf(size, "%dx%d", &s_width, &s_height);
    }
    if (const char* frames = std::getenv("QUARROW_END_TO_END_FRAMES"))
    {
        s_framesBeforeScreenshot = std::max(1, std::atoi(frames));
    }
    const std::filesystem::path outputFolder = QUARROW_TEST_OUTPUT_DIR;
    const std::filesystem::path previousFolder = std::filesystem::current_path();
    const std::filesystem::path folder = TestProgram::EnterFreshFolder("quarrow-end-to-end-");
    if (FILE* config = std::fopen("config.xml", "wb"))
    {
        std::fprintf(config,
                     "<configuration><application><windowsize><cx>%d</cx><cy>%d</cy></windowsize></application>"
                     "</configuration>\n",
                     s_width, s_height);
        std::fclose(config);
    }

    std::string trace;
    const int result = TestProgram::RunProgramEntry(argc, argv, trace);
    Check(result == 0, "the entry answered " + std::to_string(result));
    CheckScreenshot();
    CheckConfiguration();
    Check(trace.find("WindowMgr: Error") == std::string::npos, "the window manager traced an error: " + trace);
    Check(trace.find("reset failed") == std::string::npos, "a device reset failed: " + trace);

    std::error_code error;
    std::filesystem::create_directories(outputFolder, error);
    std::filesystem::copy_file("screenshot.png", outputFolder / "end_to_end.png",
                               std::filesystem::copy_options::overwrite_existing, error);
    Check(!error, "the screenshot could not be copied to " + outputFolder.string());
    std::filesystem::current_path(previousFolder);
    std::filesystem::remove_all(folder, error);
    return s_failed ? 1 : 0;
}
