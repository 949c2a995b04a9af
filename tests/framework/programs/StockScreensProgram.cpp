// Runs a bare framework program through the program entry with "-devmode true -fullscreen false": the
// framework's own screen list, on the layouts and levels of tests/framework/data. It walks the real
// screen flow by the keys a developer would press: the developer menu (screenshot, then Return), the
// loading screen (screenshot), the menu (screenshot, then Escape), which ends the program by its own
// way to "shutdown". Afterwards it checks the three pictures, copies them to the framework's test
// output and exits 0 (1 with a line naming each failed check).
#include "engine/DisplayHead.h"
#include "engine/ProgramEntry.h"
#include "framework/DevMenuScreen.h"
#include "framework/GameLibApplication.h"
#include "framework/ScreenWindows.h"
#include "framework/StockScreens.h"
#include "framework/UIScreen.h"
#include "framework/UserInterface.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/EventInjection.h"
#include "tests/framework/PictureFile.h"
#include "tests/support/ProgramRun.h"
#include "ui/TextureCanvas.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

constexpr int kWidth = 640;
constexpr int kHeight = 480;
// A guard against a hang: the flow gives up once both have passed. The screens fade by measured time, so on
// a fast machine many frames pass before the flow is through.
constexpr int kFrameLimit = 900;
constexpr auto kTimeLimit = std::chrono::seconds(30);

bool s_failed = false;

void Check(bool condition, const std::string& what)
{
    if (!condition)
    {
        std::fprintf(stderr, "framework stock screens: %s\n", what.c_str());
        s_failed = true;
    }
}

// A key pressed in one frame and released in the next.
struct KeyPress
{
    const char* key = nullptr;
    int frame = -1;
};

class StockScreensApplication : public GameLib::CGameLibApplication
{
public:
    explicit StockScreensApplication(Platform::InstanceHandle instance) : CGameLibApplication(instance, false) {}

    // The framework registers no alias: the program's media are the test fixtures.
    void RegisterPathAliases() override
    {
        const std::string data = QUARROW_TEST_DATA_DIR;
        GetPathAliases().RegisterPathAlias("interface", data + "/interface");
        GetPathAliases().RegisterPathAlias("level", data + "/level");
        GetPathAliases().RegisterPathAlias("sound", data + "/sound");
    }

    void Tick() override
    {
        CGameLibApplication::Tick();
        ++frames;
        Platform::WindowHandle window = m_heads.empty() ? nullptr : m_heads[0]->window;
        if (frames == 1 && Platform::GetActiveWindow() != window)
        {
            Platform::InjectFocus(window, true);
        }
        if (m_press.key != nullptr && frames == m_press.frame + 1)
        {
            Platform::InjectKey(window, m_press.key, false);
            m_press = {};
        }
        Watch(window);
        if (!m_closing && frames >= kFrameLimit && std::chrono::steady_clock::now() - m_started >= kTimeLimit)
        {
            gaveUp = true;
            Check(false, std::to_string(kFrameLimit) + " frames passed; the flow stopped at '" + m_lastScreen + "'");
            m_closing = Platform::InjectClose(window);
        }
    }

    int frames = 0;
    bool gaveUp = false;
    std::vector<std::string> screens; // every screen that was current, in order

private:
    const std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
    // The states the program waits for, each handled once.
    void Watch(Platform::WindowHandle window)
    {
        GameLib::CUserInterface* ui = GetUserInterface();
        GameLib::CUIScreenStateMachine* machine = ui != nullptr ? ui->GetScreenStateMachine() : nullptr;
        const UILib::CTextureCanvas* canvas = GameLib::GetFirstLayerTextureCanvas();
        if (machine == nullptr || canvas == nullptr)
        {
            return;
        }
        const std::string screen = machine->GetCurrentScreenName();
        if (screen != m_lastScreen)
        {
            screens.push_back(screen);
            m_lastScreen = screen;
        }
        const bool bright = canvas->GetBrightness() == 1.0f;
        if (screen == "devmenu" && bright && !m_devmenuShot)
        {
            m_heads[0]->RequestScreenshot("stock_devmenu", true);
            m_devmenuShot = true;
        }
        if (m_devmenuShot && !m_devmenuLeft && std::filesystem::exists("stock_devmenu.png"))
        {
            Press(window, "Return");
            m_devmenuLeft = true;
        }
        if (screen == "loading" && bright && !m_loadingShot)
        {
            m_heads[0]->RequestScreenshot("stock_loading", true);
            m_loadingShot = true;
        }
        const auto* menu = dynamic_cast<const GameLib::CMenuScreen*>(machine->GetCurrentScreen());
        if (menu != nullptr && menu->GetStateName() == "MainMenu" && !m_menuShot)
        {
            m_heads[0]->RequestScreenshot("stock_menu", true);
            m_menuShot = true;
        }
        if (m_menuShot && !m_menuLeft && std::filesystem::exists("stock_menu.png"))
        {
            Press(window, "Escape");
            m_menuLeft = true;
        }
    }

    void Press(Platform::WindowHandle window, const char* key)
    {
        Platform::InjectKey(window, key, true);
        m_press = {key, frames};
    }

    KeyPress m_press;
    std::string m_lastScreen;
    bool m_devmenuShot = false;
    bool m_devmenuLeft = false;
    bool m_loadingShot = false;
    bool m_menuShot = false;
    bool m_menuLeft = false;
    bool m_closing = false;
};

StockScreensApplication* s_application = nullptr;

std::vector<std::uint32_t> ReadShot(const char* file)
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint32_t> pixels = FrameworkTesting::ReadPicture(file, width, height);
    Check(!pixels.empty(), std::string(file) + " was not written or cannot be read");
    if (!pixels.empty() && (width != static_cast<std::uint32_t>(kWidth) || height != static_cast<std::uint32_t>(kHeight)))
    {
        Check(false, std::string(file) + " is " + std::to_string(width) + " x " + std::to_string(height));
        pixels.clear();
    }
    return pixels;
}

std::uint32_t At(const std::vector<std::uint32_t>& pixels, int x, int y)
{
    return pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] & 0xFFFFFFu;
}

bool Near(std::uint32_t actual, std::uint32_t expected)
{
    for (int shift : {0, 8, 16})
    {
        if (std::abs(static_cast<int>((actual >> shift) & 0xFF) - static_cast<int>((expected >> shift) & 0xFF)) > 2)
        {
            return false;
        }
    }
    return true;
}

// Every point of the list near the colour; the first one that is not, named.
void CheckPoints(const std::vector<std::uint32_t>& pixels, const char* picture,
                 std::initializer_list<std::pair<int, int>> points, std::uint32_t colour, const char* what)
{
    for (const auto& [x, y] : points)
    {
        const std::uint32_t actual = At(pixels, x, y);
        char text[160];
        std::snprintf(text, sizeof text, "%s: (%d, %d) is %06X, not %s %06X", picture, x, y, actual, what, colour);
        Check(Near(actual, colour), text);
    }
}

void CheckPictures()
{
    const std::vector<std::uint32_t> devmenu = ReadShot("stock_devmenu.png");
    if (!devmenu.empty())
    {
        // The panel away from its children; the level list (10, 40)–(190, 190) drawn over it.
        CheckPoints(devmenu, "stock_devmenu.png", {{400, 300}, {600, 20}, {5, 470}, {630, 470}}, 0x307090,
                    "the panel's");
        int differing = 0;
        for (int y = 45; y < 185; ++y)
        {
            for (int x = 15; x < 185; ++x)
            {
                differing += !Near(At(devmenu, x, y), 0x307090);
            }
        }
        Check(differing > 170 * 140 / 2,
              "stock_devmenu.png: only " + std::to_string(differing) + " pixels of the level list differ from the panel");
    }
    const std::vector<std::uint32_t> loading = ReadShot("stock_loading.png");
    if (!loading.empty())
    {
        CheckPoints(loading, "stock_loading.png", {{320, 240}, {600, 400}, {5, 470}, {630, 10}}, 0x000000,
                    "the panel's");
    }
    const std::vector<std::uint32_t> menu = ReadShot("stock_menu.png");
    if (!menu.empty())
    {
        CheckPoints(menu, "stock_menu.png", {{400, 300}, {600, 50}, {5, 470}, {320, 100}}, 0x105040, "the world's");
    }
}

} // namespace

Qen::CQenApplication* CreateApplication(Platform::InstanceHandle instance)
{
    s_application = new StockScreensApplication(instance);
    return s_application;
}

void DestroyApplication(Qen::CQenApplication* application)
{
    if (application == s_application)
    {
        std::string flow;
        for (const std::string& screen : s_application->screens)
        {
            flow += (flow.empty() ? "" : " ") + screen;
        }
        Check(flow == "devmenu loading menu shutdown", "the screens were '" + flow + "'");
        Check(!s_application->gaveUp, "the program did not end by the menu");
    }
    delete application;
    s_application = nullptr;
}

int main(int argc, char** argv)
{
    TestProgram::PrepareDisplay();
    const std::filesystem::path outputFolder = QUARROW_TEST_OUTPUT_DIR;
    const std::filesystem::path previousFolder = std::filesystem::current_path();
    const std::filesystem::path folder = TestProgram::EnterFreshFolder("quarrow-stock-screens-");
    if (FILE* config = std::fopen("config.xml", "wb"))
    {
        std::fprintf(config,
                     "<configuration><application><windowsize><cx>%d</cx><cy>%d</cy></windowsize></application>"
                     "<sound><soundenabled>false</soundenabled></sound></configuration>\n",
                     kWidth, kHeight);
        std::fclose(config);
    }

    std::string trace;
    const int result = TestProgram::RunProgramEntry(argc, argv, trace);
    Check(result == 0, "the entry answered " + std::to_string(result));
    CheckPictures();
    Check(trace.find("layout ") == std::string::npos, "a layout did not load: " + trace);
    Check(trace.find("WindowMgr: Error") == std::string::npos, "the window manager traced an error: " + trace);

    std::error_code error;
    std::filesystem::create_directories(outputFolder, error);
    for (const char* picture : {"stock_devmenu.png", "stock_loading.png", "stock_menu.png"})
    {
        std::filesystem::copy_file(picture, outputFolder / picture, std::filesystem::copy_options::overwrite_existing,
                                   error);
        Check(!error, std::string(picture) + " could not be copied to " + outputFolder.string());
    }
    std::filesystem::current_path(previousFolder);
    std::filesystem::remove_all(folder, error);
    return s_failed ? 1 : 0;
}
