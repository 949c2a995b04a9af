// The framework's own screens run by the controller on a 320 × 240 head, 20 ms per frame, with the
// layouts, levels and sounds of tests/framework/data. The runs driven by injected keys and mouse input
// read the window's focus: they run as one test alone on the display (StockScreenInputTest).
#include "framework/CommandQueue.h"
#include "framework/DevMenuScreen.h"
#include "framework/InputChannel.h"
#include "framework/ScreenWindows.h"
#include "framework/StockScreens.h"
#include "platform/os/Cursor.h"
#include "platform/os/EventInjection.h"
#include "tests/framework/ControllerRunFixture.h"
#include "ui/TextureCanvas.h"
#include "ui/controls/ListBox.h"

#include <algorithm>

namespace FrameworkTesting
{
namespace
{

std::string Data(const char* folder)
{
    return std::string(QUARROW_TEST_DATA_DIR) + "/" + folder;
}

// What the screens showed at the end of one frame.
struct FrameRecord
{
    std::string screen;
    // The screen's named state, or "phase N" for the loading screen and the developer menu.
    std::string state;
    int brightness = -1;
    int queued = 0;
    bool userControl = false;
    bool cursorShown = false;
    std::string level; // "startup/level"
    std::string mode;  // "startup/mode"
    std::vector<std::string> loadedLevels;

    std::string Name() const { return screen + "/" + state; }
};

FrameRecord Record(ControllerApplication& application)
{
    FrameRecord record;
    GameLib::CUIScreenStateMachine* machine = application.ui->GetScreenStateMachine();
    record.screen = machine->GetCurrentScreenName();
    GameLib::CUIScreen* screen = machine->GetCurrentScreen();
    if (auto* ingame = dynamic_cast<GameLib::CIngameScreen*>(screen))
    {
        record.state = ingame->GetStateName();
    }
    else if (auto* menu = dynamic_cast<GameLib::CMenuScreen*>(screen))
    {
        record.state = menu->GetStateName();
    }
    else if (auto* loading = dynamic_cast<GameLib::CLoadingScreen*>(screen))
    {
        record.state = "phase " + std::to_string(loading->GetPhase());
    }
    else if (auto* devmenu = dynamic_cast<GameLib::CDevMenuScreen*>(screen))
    {
        record.state = "phase " + std::to_string(devmenu->GetPhase());
    }
    if (const UILib::CTextureCanvas* canvas = GameLib::GetFirstLayerTextureCanvas())
    {
        record.brightness = canvas->GetBrightnessLevel();
    }
    record.queued = application.world->GetCommandQueue()->GetCount();
    record.userControl = application.world->GetInputChannel()->IsUserControlEnabled();
    record.cursorShown = Platform::CursorDisplayCount() >= 0;
    record.level = application.GetConfiguration()->GetString("startup/level");
    record.mode = application.GetConfiguration()->GetString("startup/mode");
    record.loadedLevels = application.world->loadedLevels;
    return record;
}

// The screen/state names with repeats in a row folded into one.
std::vector<std::string> Flow(const std::vector<FrameRecord>& frames)
{
    std::vector<std::string> flow;
    for (const FrameRecord& frame : frames)
    {
        if (flow.empty() || flow.back() != frame.Name())
        {
            flow.push_back(frame.Name());
        }
    }
    return flow;
}

// The first frame index at or after `from` whose name is `name`; -1 when none.
int FirstFrame(const std::vector<FrameRecord>& frames, const std::string& name, int from = 0)
{
    for (int i = std::max(from, 0); i < static_cast<int>(frames.size()); ++i)
    {
        if (frames[static_cast<std::size_t>(i)].Name() == name)
        {
            return i;
        }
    }
    return -1;
}

class StockScreenTest : public ControllerRunTest
{
protected:
    void TearDown() override
    {
        // The menu shows the cursor: leave it hidden as the next test's start expects.
        while (Platform::CursorDisplayCount() >= 0)
        {
            Platform::ShowCursor(false);
        }
        ControllerRunTest::TearDown();
    }

    // The framework's screens on the fixture folders (folders given in `aliases` replace them), starting
    // on `first` when given; every frame lasts 20 ms and is recorded after its tick, then `eachFrame` runs.
    void Prepare(ControllerApplication& application, const std::string& first,
                 const std::map<std::string, std::string>& aliases = {})
    {
        application.aliases = {{"interface", Data("interface")}, {"level", Data("level")}, {"sound", Data("sound")}};
        for (const auto& [alias, folder] : aliases)
        {
            application.aliases[alias] = folder;
        }
        application.prepare = [first](TestInterface& ui) {
            ui.stockScreens = true;
            ui.firstScreen = first;
        };
        application.onTick = [this, &application](TestApplication&) {
            Platform::AdvanceCounterOverride(second / 50);
            frames.push_back(Record(application));
            if (eachFrame)
            {
                eachFrame(application, static_cast<int>(frames.size()) - 1);
            }
        };
    }

    // A folder of its own below the test's working folder.
    std::string MakeFolder(const char* name)
    {
        const std::filesystem::path folder = Folder() / name;
        std::filesystem::create_directories(folder);
        return folder.string();
    }

    std::vector<FrameRecord> frames;
    // (application, index of the frame just recorded)
    std::function<void(ControllerApplication&, int)> eachFrame;
};

// White-ish pixels (every channel above 200) in the rectangle.
int WhitePixels(const Pixels& pixels, int left, int top, int right, int bottom)
{
    int white = 0;
    for (int y = top; y < bottom; ++y)
    {
        for (int x = left; x < right; ++x)
        {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * 320 + static_cast<std::size_t>(x)];
            white += (p & 0xFF) > 200 && ((p >> 8) & 0xFF) > 200 && ((p >> 16) & 0xFF) > 200;
        }
    }
    return white;
}

TEST_F(StockScreenTest, PlayerStartRegistersThreeScreensAndBeginsLoading)
{
    ControllerApplication application;
    application.quitAfter = 1;
    Prepare(application, "");
    std::vector<std::string> registered;
    eachFrame = [&](ControllerApplication& a, int) {
        GameLib::CUIScreenStateMachine* machine = a.ui->GetScreenStateMachine();
        for (const char* name : {"devmenu", "loading", "menu", "ingame"})
        {
            if (machine->FindScreen(name) != nullptr)
            {
                registered.push_back(name);
            }
        }
    };
    Qen::RunApplication(&application);
    EXPECT_EQ((std::vector<std::string>{"loading", "menu", "ingame"}), registered);
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ("loading/phase 1", frames[0].Name());
}

TEST_F(StockScreenTest, LoadingRequestsTheLevelAndEndsOnTheModesScreen)
{
    const std::pair<const char*, const char*> cases[] = {{"", "menu"}, {"single_level", "ingame"}};
    for (const auto& [mode, expected] : cases)
    {
        SCOPED_TRACE(std::string("mode '") + mode + "'");
        frames.clear();
        WriteConfig(false, *mode != '\0' ? std::string("<startup><mode>") + mode + "</mode></startup>" : "");
        ControllerApplication application;
        application.quitAfter = 90;
        Prepare(application, "");
        std::vector<double> steps;
        eachFrame = [&](ControllerApplication& a, int) { steps.push_back(a.ui->GetTimeStep()); };
        Qen::RunApplication(&application);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ((std::vector<std::string>{"level>start.level.xml"}), frames.back().loadedLevels);
        const std::vector<std::string> flow = Flow(frames);
        ASSERT_GE(flow.size(), 4u);
        EXPECT_EQ((std::vector<std::string>{"loading/phase 1", "loading/phase 2", "loading/phase 3"}),
                  std::vector<std::string>(flow.begin(), flow.begin() + 3));
        EXPECT_EQ(std::string(expected) + "/FadeIn", flow[3]);
        // The request is posted in the frame that enters phase 3; the world takes it in the next frame,
        // whose step is 0.
        const int request = FirstFrame(frames, "loading/phase 3");
        ASSERT_GT(request, 0);
        ASSERT_LT(request + 2, static_cast<int>(steps.size()));
        EXPECT_DOUBLE_EQ(0.02, steps[request]);
        EXPECT_EQ(0.0, steps[request + 1]);
        EXPECT_DOUBLE_EQ(0.02, steps[request + 2]);
        EXPECT_EQ(0u, frames[request].loadedLevels.size());
        EXPECT_EQ(1u, frames[request + 1].loadedLevels.size());
        // Half a second each way at 20 ms per frame.
        const int leave = FirstFrame(frames, std::string(expected) + "/FadeIn");
        EXPECT_GE(leave - request, 25);
        EXPECT_EQ(0, frames[leave - 1].brightness);
    }
}

TEST_F(StockScreenTest, WithoutLayoutsLoadingAndMenuShowWhiteFallbackText)
{
    ControllerApplication application;
    application.quitAfter = 120;
    Prepare(application, "", {{"interface", MakeFolder("empty")}});
    Pixels loading;
    Pixels menu;
    eachFrame = [&](ControllerApplication& a, int index) {
        const FrameRecord& frame = frames[static_cast<std::size_t>(index)];
        if (loading.empty() && frame.screen == "loading" && frame.brightness == 255)
        {
            loading = a.ReadBackBuffer();
        }
        if (menu.empty() && frame.Name() == "menu/MainMenu")
        {
            menu = a.ReadBackBuffer();
            a.Quit();
        }
    };
    Qen::RunApplication(&application);
    ASSERT_FALSE(loading.empty());
    ASSERT_FALSE(menu.empty());
    WritePicture(loading, "stock_loading_fallback.png");
    WritePicture(menu, "stock_menu_fallback.png");
    // The label's text in the middle band, nothing white elsewhere.
    EXPECT_GT(WhitePixels(loading, 110, 105, 210, 135), 20);
    EXPECT_EQ(0, WhitePixels(loading, 0, 0, 320, 100));
    EXPECT_TRUE(Near(At(loading, 20, 20), 0x000000));
    EXPECT_TRUE(Near(At(loading, 300, 220), 0x000000));
    EXPECT_GT(WhitePixels(menu, 110, 105, 210, 135), 20);
    EXPECT_EQ(0, WhitePixels(menu, 0, 0, 320, 100));
    EXPECT_TRUE(Near(At(menu, 20, 20), 0x105040)) << "the world shows through the menu";
    EXPECT_TRUE(Near(At(menu, 300, 220), 0x105040));
}

TEST_F(StockScreenTest, DevMenuListsLevelFilesAndSelectsTheLastStarted)
{
    WriteConfig(false, "<startup><level>level&gt;tutorial.level.xml</level></startup>");
    ControllerApplication application(true, "-devmode true -fullscreen false");
    application.quitAfter = 2;
    Prepare(application, "");
    std::vector<std::string> items;
    std::string selected;
    eachFrame = [&](ControllerApplication& a, int) {
        auto* devmenu = dynamic_cast<GameLib::CDevMenuScreen*>(a.ui->GetScreenStateMachine()->FindScreen("devmenu"));
        ASSERT_NE(nullptr, devmenu);
        ASSERT_NE(nullptr, devmenu->GetLevelList());
        items.clear();
        for (std::int32_t i = 0; i < devmenu->GetLevelList()->GetItemCount(); ++i)
        {
            items.emplace_back(devmenu->GetLevelList()->GetItemText(i));
        }
        selected = devmenu->GetLevelList()->GetSelectedText();
    };
    Qen::RunApplication(&application);
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ("devmenu/phase 1", frames[0].Name());
    EXPECT_EQ((std::vector<std::string>{"bonus.level.xml", "start.level.xml", "tutorial.level.xml"}), items);
    // The list would otherwise keep its first item selected.
    EXPECT_EQ("tutorial.level.xml", selected);
    EXPECT_EQ(0, frames[0].brightness) << "the developer menu fades in from black";
}

// Injected input, alone on the display.
class StockScreenInputTest : public StockScreenTest
{
protected:
    static void Focus(TestApplication& application)
    {
        Platform::InjectLockState(false, false, false);
        Platform::InjectFocus(application.Window(0), false);
        Platform::InjectFocus(application.Window(0), true);
    }
    static void Key(TestApplication& application, const char* name, bool down)
    {
        ASSERT_TRUE(Platform::InjectKey(application.Window(0), name, down)) << name;
    }
    static void Click(TestApplication& application, int x, int y, std::uint8_t clicks = 1)
    {
        Platform::InjectMouseMove(application.Window(0), x, y);
        Platform::InjectMouseButton(application.Window(0), Platform::InjectedButton::Left, true, x, y, 1);
        Platform::InjectMouseButton(application.Window(0), Platform::InjectedButton::Left, false, x, y, 1);
        if (clicks == 2)
        {
            Platform::InjectMouseButton(application.Window(0), Platform::InjectedButton::Left, true, x, y, 2);
            Platform::InjectMouseButton(application.Window(0), Platform::InjectedButton::Left, false, x, y, 2);
        }
    }
};

TEST_F(StockScreenInputTest, InGameQuitWaitsForFadeInAndLeavesOnceTheWorldIsIdle)
{
    // Developer mode, so that F2 posts "ToggleWireframe" too.
    ControllerApplication application(true, "-devmode true -fullscreen false");
    application.quitAfter = 150;
    Prepare(application, "ingame");
    int escapeFrame = -1;
    eachFrame = [&](ControllerApplication& a, int index) {
        const FrameRecord& frame = frames[static_cast<std::size_t>(index)];
        if (index == 0)
        {
            Focus(a);
        }
        // "quit" while fading in.
        if (index == 3)
        {
            Key(a, "Escape", true);
        }
        if (index == 4)
        {
            Key(a, "Escape", false);
        }
        if (escapeFrame < 0 && frame.Name() == "ingame/Game" && FirstFrame(frames, "ingame/Game") + 3 == index)
        {
            Key(a, "F2", true);
            Key(a, "Escape", true);
            escapeFrame = index;
        }
        if (escapeFrame >= 0 && index == escapeFrame + 1)
        {
            Key(a, "F2", false);
            Key(a, "Escape", false);
            // The world takes one command of a name per frame: these outlast the half-second fade.
            for (int i = 0; i < 30; ++i)
            {
                a.world->GetCommandQueue()->PostCommand("SetSimTimeFactor", "1.0");
            }
        }
        if (frame.screen == "menu" && frame.state == "MainMenu")
        {
            a.Quit();
        }
    };
    Qen::RunApplication(&application);
    const std::vector<std::string> flow = Flow(frames);
    ASSERT_GE(flow.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{"ingame/FadeIn", "ingame/Game", "ingame/FadeOut", "menu/FadeIn"}),
              std::vector<std::string>(flow.begin(), flow.begin() + 4));
    // The Escape of the fade-in was not taken: the game state lasted until the second one.
    const int game = FirstFrame(frames, "ingame/Game");
    ASSERT_GE(game, 20);
    EXPECT_EQ(255, frames[static_cast<std::size_t>(game)].brightness);
    // Activation posted user control before the first update: on from the first frame's world update,
    // while the screen fades in.
    EXPECT_EQ("ingame/FadeIn", frames[0].Name());
    EXPECT_TRUE(frames[0].userControl);
    const int fadeOut = FirstFrame(frames, "ingame/FadeOut");
    const int menu = FirstFrame(frames, "menu/FadeIn");
    ASSERT_GT(fadeOut, 0);
    ASSERT_GT(menu, fadeOut);
    // The fade ended long before the queue emptied; the switch came in the frame the last command went.
    int faded = fadeOut;
    while (frames[static_cast<std::size_t>(faded)].brightness != 0)
    {
        ++faded;
    }
    EXPECT_EQ(25, faded - fadeOut);
    EXPECT_GT(menu - faded, 2);
    for (int i = faded; i < menu; ++i)
    {
        EXPECT_GT(frames[static_cast<std::size_t>(i)].queued, 0) << i;
    }
    EXPECT_EQ(1, frames[static_cast<std::size_t>(menu - 1)].queued);
    // Leaving posted "false", which the world took in the next frame.
    EXPECT_TRUE(frames[static_cast<std::size_t>(menu)].userControl);
    ASSERT_LT(menu + 1, static_cast<int>(frames.size()));
    EXPECT_FALSE(frames[static_cast<std::size_t>(menu + 1)].userControl);
    EXPECT_EQ(0, frames[static_cast<std::size_t>(menu + 1)].queued);
}

TEST_F(StockScreenInputTest, EscapeInTheMenuEndsTheProgramCursorOnlyInTheMenu)
{
    const std::string noQuitButton = MakeFolder("noquit");
    std::ofstream(noQuitButton + "/mainmenuscreen.xml")
        << "<layout><window type=\"CButton\"><property name=\"Name\" value=\"startbutton\"/>"
           "<property name=\"Position\" value=\"(20, 140)\"/><property name=\"Size\" value=\"(120, 30)\"/>"
           "</window></layout>\n";
    for (const std::string& interface : {Data("interface"), noQuitButton})
    {
        SCOPED_TRACE(interface);
        frames.clear();
        ControllerApplication application;
        application.quitAfter = 150;
        Prepare(application, "menu", {{"interface", interface}});
        int escapeFrame = -1;
        eachFrame = [&](ControllerApplication& a, int index) {
            if (index == 0)
            {
                Focus(a);
            }
            if (escapeFrame < 0 && frames[static_cast<std::size_t>(index)].Name() == "menu/MainMenu")
            {
                Key(a, "Escape", true);
                escapeFrame = index;
            }
            if (escapeFrame >= 0 && index == escapeFrame + 1)
            {
                Key(a, "Escape", false);
            }
        };
        Qen::RunApplication(&application);
        EXPECT_EQ((std::vector<std::string>{"menu/FadeIn", "menu/MainMenu", "menu/FadeOut", "shutdown/"}), Flow(frames));
        EXPECT_LT(application.ticks, 150) << "the program ended by the menu's way";
        for (const FrameRecord& frame : frames)
        {
            EXPECT_EQ(frame.screen == "menu", frame.cursorShown) << frame.Name();
        }
    }
}

TEST_F(StockScreenInputTest, AHeldKeyOrTheStartButtonLeadsFromTheMenuToTheGame)
{
    for (const bool click : {false, true})
    {
        SCOPED_TRACE(click ? "click on startbutton" : "key held");
        frames.clear();
        ControllerApplication application;
        application.quitAfter = 150;
        Prepare(application, "menu");
        int mainMenu = -1;
        eachFrame = [&](ControllerApplication& a, int index) {
            const FrameRecord& frame = frames[static_cast<std::size_t>(index)];
            if (index == 0)
            {
                Focus(a);
            }
            if (!click && index == 3)
            {
                Key(a, "A", true);
            }
            if (mainMenu < 0 && frame.Name() == "menu/MainMenu")
            {
                mainMenu = index;
                if (click)
                {
                    Click(a, 80, 155);
                }
            }
            if (frame.Name() == "ingame/Game")
            {
                a.Quit();
            }
        };
        Qen::RunApplication(&application);
        const std::vector<std::string> flow = Flow(frames);
        EXPECT_EQ((std::vector<std::string>{"menu/FadeIn", "menu/MainMenu", "menu/FadeOut", "ingame/FadeIn", "ingame/Game"}),
                  flow);
        if (!click)
        {
            // Taken in the first update of the main menu.
            EXPECT_EQ(mainMenu + 1, FirstFrame(frames, "menu/FadeOut"));
        }
        for (const FrameRecord& frame : frames)
        {
            EXPECT_EQ(frame.screen == "menu", frame.cursorShown) << frame.Name();
        }
    }
}

TEST_F(StockScreenInputTest, DevMenuStartsTheGameOnEnterAndWritesNothingOnQuit)
{
    struct Case
    {
        const char* name;
        bool emptyFolder;
        const char* key;
        const char* screenAfter;
        std::vector<std::string> items;
    };
    const Case cases[] = {
        {"enter, no levels", true, "Return", "loading", {}},
        {"enter with a level selected", false, "Return", "loading",
         {"bonus.level.xml", "start.level.xml", "tutorial.level.xml"}},
        {"quit", false, "Escape", "shutdown", {"bonus.level.xml", "start.level.xml", "tutorial.level.xml"}},
    };
    for (const Case& test : cases)
    {
        SCOPED_TRACE(test.name);
        frames.clear();
        ControllerApplication application(true, "-devmode true -fullscreen false");
        application.quitAfter = 150;
        std::map<std::string, std::string> aliases;
        if (test.emptyFolder)
        {
            aliases["level"] = MakeFolder("nolevels");
        }
        Prepare(application, "", aliases);
        int pressed = -1;
        std::vector<std::string> items;
        std::string selected;
        eachFrame = [&](ControllerApplication& a, int index) {
            const FrameRecord& frame = frames[static_cast<std::size_t>(index)];
            if (index == 0)
            {
                Focus(a);
                auto* devmenu = dynamic_cast<GameLib::CDevMenuScreen*>(a.ui->GetScreenStateMachine()->GetCurrentScreen());
                ASSERT_NE(nullptr, devmenu);
                for (std::int32_t i = 0; i < devmenu->GetLevelList()->GetItemCount(); ++i)
                {
                    items.emplace_back(devmenu->GetLevelList()->GetItemText(i));
                }
                selected = devmenu->GetLevelList()->GetSelectedText();
                // Values other than the defaults, to see which the screen writes.
                a.GetConfiguration()->SetString("startup/level", "level>bonus.level.xml");
                a.GetConfiguration()->SetString("startup/mode", "single_level");
            }
            if (pressed < 0 && frame.cursorShown && frame.screen == "devmenu")
            {
                Key(a, test.key, true);
                pressed = index;
            }
            if (pressed >= 0 && index == pressed + 1)
            {
                Key(a, test.key, false);
            }
            if (frame.screen == "loading")
            {
                a.Quit();
            }
        };
        Qen::RunApplication(&application);
        EXPECT_EQ(test.items, items);
        EXPECT_EQ(test.emptyFolder ? "" : "start.level.xml", selected);
        const std::vector<std::string> flow = Flow(frames);
        ASSERT_GE(flow.size(), 3u);
        EXPECT_EQ((std::vector<std::string>{"devmenu/phase 1", "devmenu/phase 2"}),
                  std::vector<std::string>(flow.begin(), flow.begin() + 2));
        EXPECT_EQ(test.screenAfter, frames.back().screen);
        // The cursor only while fully faded in: the screen's update sees the brightness that the
        // previous frame's drawing left.
        ASSERT_GT(pressed, 0);
        for (std::size_t i = 1; i < frames.size(); ++i)
        {
            if (frames[i].Name() == "devmenu/phase 1")
            {
                EXPECT_EQ(frames[i - 1].brightness == 255, frames[i].cursorShown) << i;
            }
            if (frames[i].screen != "devmenu")
            {
                EXPECT_FALSE(frames[i].cursorShown) << frames[i].Name();
            }
        }
        EXPECT_EQ("level>bonus.level.xml", frames.back().level);
        EXPECT_EQ(std::string(test.key) == "Return" ? "game" : "single_level", frames.back().mode);
    }
}

// The window class of a game's application, which asks for double clicks.
class DoubleClickApplication : public ControllerApplication
{
public:
    DoubleClickApplication() : ControllerApplication(true, "-devmode true -fullscreen false")
    {
        m_windowClass.style = Platform::CS_CLASSDC | Platform::CS_DBLCLKS;
    }
};

TEST_F(StockScreenInputTest, ADoubleClickedLevelIsStoredAndLoadedAlone)
{
    DoubleClickApplication application;
    application.quitAfter = 150;
    Prepare(application, "");
    bool clicked = false;
    eachFrame = [&](ControllerApplication& a, int index) {
        const FrameRecord& frame = frames[static_cast<std::size_t>(index)];
        if (index == 0)
        {
            Focus(a);
        }
        if (!clicked && frame.brightness == 255 && frame.screen == "devmenu")
        {
            auto* devmenu = dynamic_cast<GameLib::CDevMenuScreen*>(a.ui->GetScreenStateMachine()->GetCurrentScreen());
            ASSERT_NE(nullptr, devmenu);
            UILib::CListBox* list = devmenu->GetLevelList();
            const BaseLib::CPoint origin = list->GetScreenPosition();
            const int row = list->GetRowHeight();
            ASSERT_GT(row, 0);
            // The third row: "tutorial.level.xml".
            Click(a, origin.x + 20, origin.y + list->GetBorderWidths().top + 2 * row + row / 2, 2);
            clicked = true;
        }
        if (frame.Name() == "ingame/FadeIn")
        {
            a.Quit();
        }
    };
    Qen::RunApplication(&application);
    ASSERT_FALSE(frames.empty());
    // Written when the menu was left, before the loading screen's first update.
    const int loading = FirstFrame(frames, "loading/phase 1");
    ASSERT_GT(loading, 0);
    EXPECT_EQ("devmenu", frames[static_cast<std::size_t>(loading - 1)].screen);
    EXPECT_EQ("level>tutorial.level.xml", frames[static_cast<std::size_t>(loading)].level);
    EXPECT_EQ("single_level", frames[static_cast<std::size_t>(loading)].mode);
    // The loading screen read both: it asked for that level and went on to the game.
    EXPECT_EQ((std::vector<std::string>{"level>tutorial.level.xml"}), frames.back().loadedLevels);
    EXPECT_EQ("ingame/FadeIn", frames.back().Name());
}

TEST_F(StockScreenInputTest, TheDevMenuWithoutLayoutIsBuiltInCodeAndStarts)
{
    // The minimal menu reaches down to y = 460: a head of 640 × 480.
    constexpr int width = 640;
    std::ofstream("config.xml") << "<configuration><application><windowsize><cx>640</cx><cy>480</cy></windowsize>"
                                   "<fullscreen>false</fullscreen></application><graphic><antialiasing>off"
                                   "</antialiasing></graphic></configuration>\n";
    // The picture without the layouts.
    const std::string interface = MakeFolder("pictureonly");
    std::filesystem::copy_file(Data("interface") + "/std_harwen.png", interface + "/std_harwen.png");
    ControllerApplication application(true, "-devmode true -fullscreen false");
    application.quitAfter = 150;
    Prepare(application, "", {{"interface", interface}});
    Pixels picture;
    bool noList = false;
    eachFrame = [&](ControllerApplication& a, int index) {
        const FrameRecord& frame = frames[static_cast<std::size_t>(index)];
        if (index == 0)
        {
            Focus(a);
        }
        if (picture.empty() && frame.brightness == 255 && frame.screen == "devmenu")
        {
            picture = a.ReadBackBuffer();
            auto* devmenu = dynamic_cast<GameLib::CDevMenuScreen*>(a.ui->GetScreenStateMachine()->GetCurrentScreen());
            noList = devmenu != nullptr && devmenu->GetLevelList() == nullptr;
            // "start game": 120 × 30 at (10, 300) in the inner panel at (10, 120).
            Click(a, 80, 435);
        }
        if (frame.screen == "loading")
        {
            a.Quit();
        }
    };
    Qen::RunApplication(&application);
    EXPECT_TRUE(noList);
    EXPECT_EQ("loading", frames.empty() ? "" : frames.back().screen);
    EXPECT_EQ("game", frames.empty() ? "" : frames.back().mode);
    ASSERT_EQ(static_cast<std::size_t>(width) * 480, picture.size());
    std::filesystem::create_directories(QUARROW_TEST_OUTPUT_DIR);
    EXPECT_TRUE(Platform::Gfx::WritePng(std::string(QUARROW_TEST_OUTPUT_DIR) + "/stock_devmenu_minimal.png", width,
                                        480, picture, false));
    const auto at = [&](int x, int y) { return picture[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)] & 0xFFFFFF; };
    EXPECT_TRUE(Near(at(400, 200), 0x307090)) << "the main panel";
    EXPECT_TRUE(Near(at(100, 200), 0xB0C0D0)) << "the inner panel";
    EXPECT_TRUE(Near(at(35, 35), 0xE69628)) << "the picture's amber";
    EXPECT_TRUE(Near(at(58, 58), 0xFAE6AA)) << "the picture's cross";
    EXPECT_TRUE(Near(at(5, 5), 0x307090)) << "around the picture";
    // The button's face differs from the inner panel.
    EXPECT_FALSE(Near(at(30, 425), 0xB0C0D0, 8));
}

} // namespace
} // namespace FrameworkTesting
