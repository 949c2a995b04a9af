#include "game/QuarrowUI.h"
#include "foundation/ResourceRegistry.h"
#include "framework/CommandQueue.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowUIScreen.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/savegame/SaveGameManager.h"
#include "platform/os/DebugOutput.h"
#include "sound/Sound.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/support/ApplicationTest.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace
{

using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;

// The game with its user interface; `onTick` runs after each frame, the run ends after `quitAfter`.
class TestGame : public CQuarrowApplication
{
public:
    explicit TestGame(bool developer) : CQuarrowApplication(Platform::GetModuleHandleA(nullptr))
    {
        m_commandLine = developer ? "-devmode true" : "";
    }

    void Tick() override
    {
        CQuarrowApplication::Tick();
        if (onTick)
        {
            onTick(*this);
        }
        if (++ticks >= quitAfter)
        {
            Quit();
        }
    }

    CQuarrowUI& UI() const { return *static_cast<CQuarrowUI*>(GetUserInterface()); }
    GameLib::CUIScreenStateMachine& Screens() const { return *UI().GetScreenStateMachine(); }

    int ticks = 0;
    int quitAfter = 2;
    std::function<void(TestGame&)> onTick;
};

// A game screen that does nothing of its own; it counts the live ones.
class StandInScreen : public CQuarrowUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world) : CQuarrowUIScreen(ui, world) { ++s_live; }
    ~StandInScreen() override { --s_live; }
    void Update() override {}
    static GameLib::CUIScreen* Create(CQuarrowUI* ui, CQuarrowWorld* world)
    {
        return new StandInScreen(ui, world);
    }
    static inline int s_live = 0;
};

class QuarrowUITest : public TestSupport::ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        if (const char* home = std::getenv("HOME"))
        {
            m_home = home;
        }
        std::filesystem::create_directories(Folder() / "home");
        setenv("HOME", (Folder() / "home").c_str(), 1);
        std::ofstream("config.xml")
            << "<configuration><application><windowsize><cx>1024</cx><cy>768</cy></windowsize>"
               "<fullscreen>false</fullscreen><mediadir>" QUARROW_MEDIA_DIR "</mediadir>"
               "<language>english</language></application>"
               "<sound><soundenabled>false</soundenabled></sound></configuration>\n";
    }
    void TearDown() override
    {
        for (const char* name : {"devmenu", "editor2d", "editor3d", "mapeditor"})
        {
            CQuarrowUI::SetScreenCreator(name, nullptr);
        }
        if (m_home)
        {
            setenv("HOME", m_home->c_str(), 1);
        }
        UILib::SetSystemCursorsEnabled(true);
        ApplicationTest::TearDown();
    }

private:
    std::optional<std::string> m_home;
};

TEST_F(QuarrowUITest, TheGameRunsOnItsUserInterfaceWithItsKeyBitmapsFaderAndViewport)
{
    TestGame game(false);
    game.quitAfter = 3;
    bool seen = false;
    game.onTick = [&](TestGame& g) {
        if (g.ticks != 0)
        {
            return;
        }
        seen = true;
        CQuarrowUI& ui = g.UI();
        ASSERT_NE(nullptr, ui.GetFader());
        ASSERT_NE(nullptr, ui.GetSaveGameManager());
        ASSERT_NE(nullptr, ui.GetFileTranslator());
        EXPECT_EQ(ui.GetFileTranslator(), CFileTranslator::GetInstance());
        EXPECT_EQ("english/", ui.GetFileTranslator()->GetLanguageFolder());
        EXPECT_EQ(134217728u, UILib::CUILibSystem::GetInstance()->GetBitmapCache()->GetMemoryLimit());
        EXPECT_EQ("ingame3d", ui.GetPuzzleScreenName());
        // No developer screens in a normal run; the first screen's class is not there yet.
        EXPECT_FALSE(g.Screens().SwitchTo("devmenu"));
        EXPECT_EQ("", g.Screens().GetCurrentScreenName());
        // The camera keys are bound in "gui", the developer keys not at all.
        GameLib::CInputManager& input = *ui.GetInputManager();
        EXPECT_EQ(0.0f, input.GetActionValue("camera_vertical", "gui"));
        EXPECT_FALSE(input.IsActionActive("cheat", "game"));

        const struct
        {
            float x, y, vx, vy;
        } corners[] = {
            {0, 0, -1, 1}, {1024, 0, 1, 1}, {0, 768, -1, -1}, {1024, 768, 1, -1}, {512, 384, 0, 0}};
        for (const auto& c : corners)
        {
            const BaseLib::CVector2 v = ui.PixelToViewport(c.x, c.y);
            EXPECT_FLOAT_EQ(c.vx, v.x) << c.x << "," << c.y;
            EXPECT_FLOAT_EQ(c.vy, v.y) << c.x << "," << c.y;
        }
    };
    Platform::DebugOutputCapture trace;
    ASSERT_EQ(0, Qen::RunApplication(&game));
    EXPECT_TRUE(seen);
    EXPECT_EQ(nullptr, CFileTranslator::GetInstance());
    EXPECT_EQ(nullptr, CQuarrowUIScreen::GetTitleMusic());
    EXPECT_EQ(std::string::npos, trace.Text().find("still present at shutdown"));
    const std::string written = ReadFile("config.xml");
    EXPECT_NE(std::string::npos, written.find("<renderer>3d</renderer>"));
    EXPECT_EQ(std::string::npos, written.find("<level>"));
    EXPECT_EQ(std::string::npos, written.find("<mode>"));
}

TEST_F(QuarrowUITest, DeveloperScreensComeFromTheirMakersOnlyInDeveloperMode)
{
    CQuarrowUI::SetScreenCreator("devmenu", &StandInScreen::Create);
    CQuarrowUI::SetScreenCreator("editor2d", &StandInScreen::Create);
    CQuarrowUI::SetScreenCreator("editor3d", &StandInScreen::Create);
    {
        TestGame game(true);
        game.onTick = [&](TestGame& g) {
            if (g.ticks != 0)
            {
                return;
            }
            EXPECT_EQ("devmenu", g.Screens().GetCurrentScreenName());
            EXPECT_EQ(3, StandInScreen::s_live);
            EXPECT_NE(nullptr, g.Screens().FindScreen("editor3d"));
            EXPECT_FALSE(g.Screens().SwitchTo("mapeditor"));
            EXPECT_TRUE(g.Screens().SwitchTo("editor2d"));
            EXPECT_EQ("editor2d", g.Screens().GetCurrentScreenName());
            EXPECT_TRUE(g.UI().GetInputManager()->FindAction("cheat", "game") != nullptr);
        };
        Platform::DebugOutputCapture trace;
        ASSERT_EQ(0, Qen::RunApplication(&game));
        const std::string text = trace.Text();
        const std::size_t at = text.find("\"mapeditor\"");
        EXPECT_NE(std::string::npos, at);
        EXPECT_EQ(std::string::npos, text.find("\"mapeditor\"", at + 1));
        EXPECT_EQ(std::string::npos, text.find("\"editor2d\"; it is left out"));
        EXPECT_EQ(0, StandInScreen::s_live);
    }
    {
        TestGame game(false);
        game.onTick = [&](TestGame& g) {
            EXPECT_EQ(nullptr, g.Screens().FindScreen("editor2d"));
            EXPECT_FALSE(g.Screens().SwitchTo("editor2d"));
            EXPECT_EQ(0, StandInScreen::s_live);
        };
        ASSERT_EQ(0, Qen::RunApplication(&game));
    }
}

// The fader's arithmetic over the game's own overlay and its canvas.
TEST_F(QuarrowUITest, TheFaderStepsToItsTargetAndDrivesItsOverlay)
{
    TestGame game(false);
    game.quitAfter = 1;
    game.onTick = [&](TestGame& g) {
        ScreenFader& fader = *g.UI().GetFader();
        UILib::CPanel& overlay = *fader.GetOverlay();
        auto* canvas = dynamic_cast<UILib::CTextureCanvas*>(overlay.GetCanvas(false));
        if (g.ticks == 0)
        {
            ASSERT_NE(nullptr, canvas);
            // As large as the window and unscaled (its pixels are checked in ScreenFaderTest).
            EXPECT_EQ(BaseLib::CSize(1024, 768), overlay.GetSize());
            EXPECT_EQ(BaseLib::CPoint(0, 0), overlay.GetPosition());
            EXPECT_EQ(1.0f, canvas->GetScaling().x);
            EXPECT_EQ(1.0f, canvas->GetScaling().y);
            EXPECT_FALSE(overlay.IsVisible());

            const struct
            {
                float dt;
                int steps;
                float expected;
                float tolerance;
            } table[] = {{1.0f / 64, 16, 0.5f, 0.0f}, {1.0f / 64, 32, 0.0f, 0.0f}, {0.01f, 25, 0.5f, 1e-5f},
                         {0.01f, 50, 0.0f, 1e-6f},    {0.01f, 51, 0.0f, 0.0f},     {0.0f, 10, 1.0f, 0.0f}};
            for (const auto& row : table)
            {
                fader.SetTarget(1.0f, 0.0f);
                fader.SetTarget(0.0f, 0.5f);
                EXPECT_EQ(2.0f, fader.GetSpeed());
                for (int i = 0; i < row.steps; ++i)
                {
                    fader.Step(row.dt);
                }
                EXPECT_NEAR(row.expected, fader.GetValue(), row.tolerance) << row.dt << " × " << row.steps;
                if (row.dt == 0.01f && row.steps == 50)
                {
                    EXPECT_NE(0.0f, fader.GetValue()); // 0.01 is not exact: one more step snaps
                }
            }
            // Duration 0: at once, speed kept; the overlay follows on the next step.
            fader.SetTarget(0.25f, 1.0f);
            fader.SetTarget(1.0f, 0.0f);
            EXPECT_FALSE(fader.IsFading());
            EXPECT_EQ(1.0f, fader.GetValue());
            EXPECT_FLOAT_EQ(0.75f, fader.GetSpeed());
            fader.Step(0.0f);
            EXPECT_FALSE(overlay.IsVisible());
            fader.SetTarget(0.9999f, 0.0f);
            fader.Step(0.0f);
            EXPECT_TRUE(overlay.IsVisible());
            EXPECT_EQ(0, canvas->GetTransparencyLevel());
            fader.SetTarget(0.4f, 0.0f);
            fader.Step(0.0f);
            EXPECT_NEAR(0.6f * 255.0f, static_cast<float>(canvas->GetTransparencyLevel()), 1.0f);
        }
    };
    ASSERT_EQ(0, Qen::RunApplication(&game));
}

// The title music across stand-in menu screens, with the recording device as device 0.
TEST_F(QuarrowUITest, TheTitleMusicPlaysOnBetweenMenuScreensAndFadesOutElsewhere)
{
    TestGame game(false);
    game.quitAfter = 1;
    game.onTick = [&](TestGame& g) {
        RecordingSoundDevice& device = RecordingSoundDevice::Install();
        GameLib::CUIScreenStateMachine& screens = g.Screens();
        for (const char* name : {"mainmenu", "options", "filemenu"})
        {
            screens.AddScreen(name, StandInScreen::Create(&g.UI(), nullptr));
        }
        const std::string music = "sound>music/titel01_var01.wav";
        const auto fadeOuts = [&] {
            int count = 0;
            for (const GameTesting::SoundRecord& record : device.Records(SoundEvent::Fade, music))
            {
                count += record.value == 0.0f;
            }
            return count;
        };
        ASSERT_NE(nullptr, CQuarrowUIScreen::GetTitleMusic());
        EXPECT_EQ(music, CQuarrowUIScreen::GetTitleMusic()->GetFile());
        EXPECT_TRUE(CQuarrowUIScreen::GetTitleMusic()->GetLooping());

        // No profile: the default options, music on.
        ASSERT_TRUE(screens.SwitchTo("mainmenu"));
        EXPECT_EQ(1u, device.Count(SoundEvent::Play, music));
        ASSERT_TRUE(screens.SwitchTo("options"));
        EXPECT_EQ(1u, device.Count(SoundEvent::Play, music));
        EXPECT_EQ(0, fadeOuts());
        ASSERT_TRUE(screens.SwitchTo("filemenu"));
        EXPECT_EQ(1, fadeOuts());
        EXPECT_FALSE(CQuarrowUIScreen::GetTitleMusic()->IsPlaying());

        // Music off in the current profile: no start, a fade-out still asked for on leaving.
        CSaveGameList& list = g.UI().GetSaveGameManager()->GetSaveGameList();
        list.Add();
        g.UI().GetSaveGameManager()->GetCurrentOptions().music = 0;
        device.ClearLog();
        ASSERT_TRUE(screens.SwitchTo("mainmenu"));
        EXPECT_EQ(0u, device.Count(SoundEvent::Play, music));
        ASSERT_TRUE(screens.SwitchTo("filemenu"));
        EXPECT_EQ(1, fadeOuts());

        auto* screen = static_cast<CQuarrowUIScreen*>(screens.FindScreen("options"));
        screen->PlayMenuSound(true);
        screen->PlayMenuSound(false);
        EXPECT_EQ(1u, device.Count(SoundEvent::Play, "sound>menucancel.wav"));
        EXPECT_EQ(1u, device.Count(SoundEvent::Play, "sound>menuactivate.wav"));

        // Without sound nothing plays and nothing fails.
        RecordingSoundDevice::Uninstall();
        list.Clear();
        ASSERT_TRUE(screens.SwitchTo("mainmenu"));
        ASSERT_TRUE(screens.SwitchTo("filemenu"));
        screen->PlayMenuSound(true);
        screens.SwitchTo("shutdown");
    };
    ASSERT_EQ(0, Qen::RunApplication(&game));
    EXPECT_EQ(0, StandInScreen::s_live);
    EXPECT_EQ(nullptr, CQuarrowUIScreen::GetTitleMusic());
}

} // namespace

namespace
{

TEST_F(QuarrowUITest, TheSceneBoxFollowsThePuzzleAndStaysAfterTheLevelEnds)
{
    std::ofstream("six.txt") << "------\n------\n------\n------\n------\n------\n";
    std::ofstream("seven.txt") << "-------\n-------\n-------\n-------\n-------\n";
    TestGame game(false);
    game.quitAfter = 7;
    std::vector<std::optional<QuarrowSceneBox>> boxes;
    std::vector<bool> puzzles;
    game.onTick = [&](TestGame& g) {
        // A command posted after a frame is taken by the next frame's world; the frame after that shows
        // the puzzle to the user interface's update.
        boxes.push_back(g.UI().GetSceneBox());
        puzzles.push_back(g.GetWorld()->GetPuzzle() != nullptr);
        const char* const commands[] = {"six.txt", nullptr, "seven.txt", nullptr, "", nullptr, nullptr};
        if (const char* level = commands[g.ticks])
        {
            g.GetWorld()->GetCommandQueue()->PostCommand(*level != 0 ? "StartLevel" : "ShutLevel", level);
        }
    };
    ASSERT_EQ(0, Qen::RunApplication(&game));
    ASSERT_EQ(7u, boxes.size());
    EXPECT_FALSE(boxes[0].has_value());
    const auto expectBox = [](const std::optional<QuarrowSceneBox>& box, BaseLib::CVector3 min,
                              BaseLib::CVector3 max) {
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(min.x, box->min.x);
        EXPECT_EQ(min.y, box->min.y);
        EXPECT_EQ(min.z, box->min.z);
        EXPECT_EQ(max.x, box->max.x);
        EXPECT_EQ(max.y, box->max.y);
        EXPECT_FLOAT_EQ(max.z, box->max.z);
    };
    expectBox(boxes[2], {-1.5f, -6.5f, 0.0f}, {6.5f, 1.5f, 2.7f});
    expectBox(boxes[4], {-2.0f, -6.0f, 0.0f}, {7.0f, 1.0f, 2.7f});
    // The level is shut: no puzzle, the last box kept.
    EXPECT_FALSE(puzzles[6]);
    expectBox(boxes[6], {-2.0f, -6.0f, 0.0f}, {7.0f, 1.0f, 2.7f});
}

} // namespace
