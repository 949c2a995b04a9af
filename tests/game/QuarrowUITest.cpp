#include "game/QuarrowUI.h"
#include "engine/Camera.h"
#include "foundation/ResourceRegistry.h"
#include "framework/CommandQueue.h"
#include "framework/InputManager.h"
#include "framework/SceneManager.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowUIScreen.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/puzzle/3DCursor.h"
#include "game/puzzle/GameCameraNode.h"
#include "game/puzzle/QuarrowRenderer.h"
#include "game/savegame/QuarrowSaveGame.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"
#include "sound/Sound.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;
using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;

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

// The game in the harness at 1024 × 768; the developer screens' makers are taken back afterwards.
class QuarrowUITest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (const char* name : {"devmenu", "editor2d", "editor3d", "mapeditor"})
        {
            CQuarrowUI::SetScreenCreator(name, nullptr);
        }
    }

    static GameSettings Mode(bool developer)
    {
        GameSettings settings;
        settings.developer = developer;
        return settings;
    }
};

TEST_F(QuarrowUITest, TheGameRunsOnItsUserInterfaceWithItsKeyBitmapsFaderAndViewport)
{
    GameHarness game;
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(game.RunFrames(1));
    CQuarrowUI& ui = game.UI();
    ASSERT_NE(nullptr, ui.GetFader());
    ASSERT_NE(nullptr, ui.GetSaveGameManager());
    ASSERT_NE(nullptr, ui.GetFileTranslator());
    EXPECT_EQ(ui.GetFileTranslator(), CFileTranslator::GetInstance());
    EXPECT_EQ("english/", ui.GetFileTranslator()->GetLanguageFolder());
    EXPECT_EQ(134217728u, UILib::CUILibSystem::GetInstance()->GetBitmapCache()->GetMemoryLimit());
    EXPECT_EQ("ingame3d", ui.GetPuzzleScreenName());
    // No developer screens in a normal run; the first screen is the language selection, which goes on
    // at once with the configured language.
    EXPECT_FALSE(game.SwitchTo("devmenu"));
    EXPECT_TRUE(game.Screens().GetCurrentScreenName() == "languageselection" ||
                game.Screens().GetPreviousScreenName() == "languageselection");
    // The camera keys are bound in "gui", the developer keys not at all (their keys: GameInputTest).
    GameLib::CInputManager& input = *ui.GetInputManager();
    EXPECT_NE(nullptr, input.FindAction("camera_vertical", "gui"));
    EXPECT_EQ(nullptr, input.FindAction("cheat", "game"));

    const struct
    {
        float x, y, vx, vy;
    } corners[] = {{0, 0, -1, 1}, {1024, 0, 1, 1}, {0, 768, -1, -1}, {1024, 768, 1, -1}, {512, 384, 0, 0}};
    for (const auto& c : corners)
    {
        const BaseLib::CVector2 v = ui.PixelToViewport(c.x, c.y);
        EXPECT_FLOAT_EQ(c.vx, v.x) << c.x << "," << c.y;
        EXPECT_FLOAT_EQ(c.vy, v.y) << c.x << "," << c.y;
    }

    // The 3D view's camera hangs below the scene's root and keeps the scene's up vector; the cursor reads
    // that camera.
    CGameCameraNode* camera = ui.GetCamera();
    ASSERT_NE(nullptr, camera);
    EXPECT_EQ(game.World().GetSceneManager()->GetRootNode(), camera->GetParent());
    EXPECT_FALSE(camera->GetUseNodeUpVector());
    EXPECT_FLOAT_EQ(1024.0f / 768.0f, camera->GetCamera()->aspectRatio);
    EXPECT_EQ(1.0f, camera->GetCamera()->up.z);
    EXPECT_NE(nullptr, ui.Get3DCursor());

    game.Finish();
    EXPECT_EQ(nullptr, CFileTranslator::GetInstance());
    EXPECT_EQ(nullptr, CQuarrowUIScreen::GetTitleMusic());
    EXPECT_EQ(std::string::npos, game.Trace().find("still present at shutdown"));
    std::ifstream file(game.Folder() / "config.xml");
    const std::string written((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
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
        GameHarness game(Mode(true));
        ASSERT_TRUE(game.Start());
        ASSERT_TRUE(game.RunFrames(1));
        EXPECT_EQ("devmenu", game.Screens().GetCurrentScreenName());
        EXPECT_EQ(3, StandInScreen::s_live);
        EXPECT_NE(nullptr, game.Screens().FindScreen("editor3d"));
        EXPECT_FALSE(game.SwitchTo("mapeditor"));
        EXPECT_TRUE(game.SwitchTo("editor2d"));
        EXPECT_EQ("editor2d", game.Screens().GetCurrentScreenName());
        EXPECT_TRUE(game.UI().GetInputManager()->FindAction("cheat", "game") != nullptr);
        game.Finish();
        const std::string text = game.Trace();
        const std::size_t at = text.find("\"mapeditor\"");
        EXPECT_NE(std::string::npos, at);
        EXPECT_EQ(std::string::npos, text.find("\"mapeditor\"", at + 1));
        EXPECT_EQ(std::string::npos, text.find("\"editor2d\"; it is left out"));
        EXPECT_EQ(0, StandInScreen::s_live);
    }
    {
        GameHarness game(Mode(false));
        ASSERT_TRUE(game.Start());
        ASSERT_TRUE(game.RunFrames(1));
        EXPECT_EQ(nullptr, game.Screens().FindScreen("editor2d"));
        EXPECT_FALSE(game.SwitchTo("editor2d"));
        EXPECT_EQ(0, StandInScreen::s_live);
    }
}

// The fader's arithmetic over the game's own overlay and its canvas.
TEST_F(QuarrowUITest, TheFaderStepsToItsTargetAndDrivesItsOverlay)
{
    GameHarness game;
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(game.RunFrames(1));
    ScreenFader& fader = *game.UI().GetFader();
    UILib::CPanel& overlay = *fader.GetOverlay();
    auto* canvas = dynamic_cast<UILib::CTextureCanvas*>(overlay.GetCanvas(false));
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

// The title music across stand-in menu screens, with the recording device as device 0.
TEST_F(QuarrowUITest, TheTitleMusicPlaysOnBetweenMenuScreensAndFadesOutElsewhere)
{
    GameHarness game;
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(game.RunFrames(1));
    RecordingSoundDevice& device = RecordingSoundDevice::Install();
    GameLib::CUIScreenStateMachine& screens = game.Screens();
    for (const char* name : {"mainmenu", "options", "filemenu"})
    {
        game.AddScreen(name, StandInScreen::Create(&game.UI(), nullptr));
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
    game.AddProfile("Player").GetOptions().music = 0;
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
    game.UI().GetSaveGameManager()->GetSaveGameList().Clear();
    ASSERT_TRUE(screens.SwitchTo("mainmenu"));
    ASSERT_TRUE(screens.SwitchTo("filemenu"));
    screen->PlayMenuSound(true);
    ASSERT_TRUE(game.RunFrames(1));
    game.Finish();
    EXPECT_EQ(0, StandInScreen::s_live);
    EXPECT_EQ(nullptr, CQuarrowUIScreen::GetTitleMusic());
}

TEST_F(QuarrowUITest, TheSceneBoxFollowsThePuzzleAndStaysAfterTheLevelEnds)
{
    GameHarness game;
    std::ofstream(game.Folder() / "six.txt") << "------\n------\n------\n------\n------\n------\n";
    std::ofstream(game.Folder() / "seven.txt") << "-------\n-------\n-------\n-------\n-------\n";
    ASSERT_TRUE(game.Start());
    ASSERT_TRUE(game.RunFrames(1));
    EXPECT_FALSE(game.UI().GetSceneBox().has_value());
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
    // The next frame's world takes the command; the frame after that shows the puzzle to the user
    // interface's update.
    game.PostWorldCommand("StartLevel", "six.txt");
    ASSERT_TRUE(game.RunFrames(2));
    expectBox(game.UI().GetSceneBox(), {-1.5f, -6.5f, 0.0f}, {6.5f, 1.5f, 2.7f});
    game.PostWorldCommand("StartLevel", "seven.txt");
    ASSERT_TRUE(game.RunFrames(2));
    expectBox(game.UI().GetSceneBox(), {-2.0f, -6.0f, 0.0f}, {7.0f, 1.0f, 2.7f});
    // The renderer draws from the game camera and its shadow maps cover the same box.
    const CQuarrowRenderer* renderer = game.UI().GetRenderer();
    ASSERT_NE(nullptr, renderer);
    EXPECT_EQ(game.UI().GetCamera(), renderer->GetCamera());
    expectBox(QuarrowSceneBox{renderer->GetSceneMin(), renderer->GetSceneMax()}, {-2.0f, -6.0f, 0.0f},
              {7.0f, 1.0f, 2.7f});
    // The level is shut: no puzzle, the last box kept.
    game.PostWorldCommand("ShutLevel");
    ASSERT_TRUE(game.RunFrames(2));
    EXPECT_EQ(nullptr, game.World().GetPuzzle());
    expectBox(game.UI().GetSceneBox(), {-2.0f, -6.0f, 0.0f}, {7.0f, 1.0f, 2.7f});
}

} // namespace
