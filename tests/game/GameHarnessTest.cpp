// The headless game harness: whole runs of the game, its limits, and real input reaching the game.
#include "tests/game/harness/GameHarness.h"
#include "foundation/Color.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowUIScreen.h"
#include "game/ScreenFader.h"
#include "tests/framework/PictureFile.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"
#include "ui/controls/BasicButton.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;

// A game screen that puts one 120 × 40 button at (300, 200) into layer 0 on its first activation and
// counts the button's clicks.
class ButtonScreen : public CQuarrowUIScreen
{
public:
    explicit ButtonScreen(CQuarrowUI* ui) : CQuarrowUIScreen(ui, nullptr) {}
    void Update() override {}
    void OnActivate() override
    {
        CQuarrowUIScreen::OnActivate();
        if (button != nullptr)
        {
            return;
        }
        button = new UILib::CBasicButton();
        button->SetSize(120, 40);
        button->SetPosition(300, 200);
        button->SetOnClick(UILib::CButtonCallback::Bind(this, &ButtonScreen::OnClick));
        UILib::CWindowManager::GetInstance()->AddToLayer(button, 0);
    }
    void OnClick(UILib::CBasicButton*) { ++clicks; }

    UILib::CBasicButton* button = nullptr;
    int clicks = 0;
};

TEST(GameHarnessTest, TwoRunsInOneProcessEachEndCleanlyInTheirOwnFolder)
{
    std::filesystem::path folders[2];
    for (int run = 0; run < 2; ++run)
    {
        SCOPED_TRACE(run);
        GameHarness game;
        folders[run] = game.Folder();
        ASSERT_TRUE(game.Start());
        EXPECT_EQ(folders[run], std::filesystem::current_path());
        // The first run also fades the window out and back in.
        if (run == 0)
        {
            game.UI().GetFader()->SetTarget(0.0f, 0.5f);
        }
        ASSERT_TRUE(game.RunFrames(run == 0 ? 120 : 30));
        EXPECT_EQ(run == 0 ? 120 : 30, game.Frames());
        game.Finish();
        EXPECT_FALSE(game.IsRunning());
        const std::string trace = game.Trace();
        EXPECT_EQ(std::string::npos, trace.find("still present at shutdown")) << trace;
        EXPECT_TRUE(std::filesystem::is_regular_file(folders[run] / "config.xml"));
        EXPECT_TRUE(game.MessageBoxes().empty());
    }
    EXPECT_NE(folders[0], folders[1]);
    EXPECT_FALSE(std::filesystem::exists(folders[0]));
}

TEST(GameHarnessTest, TheConfigurationCarriesTheSettingsAndTheTestsAliasesFollowTheGames)
{
    GameSettings settings;
    settings.width = 640;
    settings.height = 480;
    settings.renderer = "2d";
    settings.config = {{"graphic/shadows", "off"}};
    settings.aliases = {{"interface", "/tmp/fixture-interface"}};
    GameHarness game(settings);
    ASSERT_TRUE(game.Start());
    EXPECT_EQ("ingame2d", game.UI().GetPuzzleScreenName());
    EXPECT_EQ("/tmp/fixture-interface/a.xml", game.Game().GetPathAliases().ResolvePath("interface>a.xml"));
    const UILib::CWindow* root = UILib::CWindowManager::GetInstance()->GetLayerRoot(0);
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(640, root->GetSize().cx);
    EXPECT_EQ(480, root->GetSize().cy);
}

// A run that waits for what never comes stops at its limit, says where the game stood, and the game can
// still run on.
TEST(GameHarnessTest, AWaitThatNeverEndsFailsAtItsLimitNamingTheScreenAndTheGameState)
{
    GameHarness game;
    ASSERT_TRUE(game.Start());
    game.AddScreen("waiting", new ButtonScreen(&game.UI()));
    ASSERT_TRUE(game.SwitchTo("waiting"));
    game.SetScreenStateReader([](GameLib::CUIScreen&) { return std::string("Dawdling"); });
    // Posted after each frame, so one is pending when the wait gives up.
    game.SetFrameHook([&] { game.PostWorldCommand("SetPause", "0"); });

    const struct
    {
        int frames;
        double seconds;
        const char* limit;
    } limits[] = {{25, 60.0, "within 25 frames"}, {1000000, 0.5, "within 0.500000 s"}};
    for (const auto& row : limits)
    {
        const int before = game.Frames();
        const ::testing::AssertionResult result =
            game.RunUntil([] { return false; }, "the impossible", row.frames, row.seconds);
        ASSERT_FALSE(result);
        const std::string message = result.message();
        EXPECT_NE(std::string::npos, message.find("the impossible did not hold " + std::string(row.limit)))
            << message;
        EXPECT_NE(std::string::npos, message.find("screen \"waiting\" in state Dawdling")) << message;
        EXPECT_NE(std::string::npos, message.find("game state 0 (NoGame)")) << message;
        EXPECT_NE(std::string::npos, message.find("pending world commands: SetPause(\"0\")")) << message;
        if (row.frames == 25)
        {
            EXPECT_EQ(before + 25, game.Frames());
        }
    }
    EXPECT_TRUE(game.RunUntil([&] { return game.Frames() >= 3; }, "three frames"));
    EXPECT_TRUE(game.RunFrames(2));
}

// The engine's own screenshot of the next frame lands in the folder the test names, as the frame shows.
TEST(GameHarnessTest, AScreenshotIsCopiedWhereTheTestSays)
{
    GameHarness game;
    ASSERT_TRUE(game.Start());
    auto* box = new UILib::CPanel();
    box->SetSize(120, 40);
    box->SetPosition(300, 200);
    box->SetColor(BaseLib::CColor(200, 40, 40, 255));
    UILib::CWindowManager::GetInstance()->AddToLayer(box, 0);
    ASSERT_TRUE(game.RunFrames(1));
    const std::string folder = std::string(QUARROW_TEST_OUTPUT_DIR) + "/harness";
    std::filesystem::remove(folder + "/screenshot.png");
    ASSERT_TRUE(game.Screenshot(folder, "screenshot"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels frame = game.ReadFrame(width, height);
    std::uint32_t pictureWidth = 0;
    std::uint32_t pictureHeight = 0;
    const GameTesting::Pixels picture =
        FrameworkTesting::ReadPicture(folder + "/screenshot.png", pictureWidth, pictureHeight);
    ASSERT_EQ(1024u, pictureWidth);
    ASSERT_EQ(768u, pictureHeight);
    ASSERT_EQ(frame.size(), picture.size());
    // The button's colour on it, the layer's white beside it; the same as the frame read back.
    EXPECT_EQ(0xC82828u, picture[220u * 1024u + 360u] & 0xFFFFFFu);
    EXPECT_EQ(0xFFFFFFu, picture[100u * 1024u + 100u] & 0xFFFFFFu);
    for (std::size_t i = 0; i < picture.size(); ++i)
    {
        ASSERT_EQ(frame[i] & 0xFFFFFFu, picture[i] & 0xFFFFFFu) << "pixel " << i;
    }
}

// Injected input needs the display's focus to itself: these run alone.
class GameInputTest : public ::testing::Test
{
};

TEST_F(GameInputTest, AClickAtAButtonsWindowPixelsReachesItsHandler)
{
    GameHarness game;
    ASSERT_TRUE(game.Start());
    auto* screen = new ButtonScreen(&game.UI());
    game.AddScreen("buttons", screen);
    ASSERT_TRUE(game.SwitchTo("buttons"));
    game.FocusWindow();
    ASSERT_TRUE(game.RunFrames(2));
    ASSERT_NE(nullptr, screen->button);
    const BaseLib::CRect pixels = game.WindowPixels(*screen->button);
    EXPECT_EQ(BaseLib::CRect(300, 200, 420, 240), pixels);
    // Beside the button nothing happens; on it one click arrives.
    ASSERT_TRUE(game.Click(BaseLib::CPoint(pixels.right + 5, pixels.top + 5)));
    EXPECT_EQ(0, screen->clicks);
    ASSERT_TRUE(game.Click(game.CentreOf(*screen->button)));
    EXPECT_EQ(1, screen->clicks);
}

// The camera keys work in both modes; Ctrl+X is "cheat" only in developer mode.
TEST_F(GameInputTest, TheCameraAndDeveloperKeysThroughRealKeyEvents)
{
    for (const bool developer : {false, true})
    {
        SCOPED_TRACE(developer ? "developer mode" : "player mode");
        GameSettings settings;
        settings.developer = developer;
        GameHarness game(settings);
        ASSERT_TRUE(game.Start());
        GameLib::CInputManager& input = *game.UI().GetInputManager();
        game.FocusWindow();
        ASSERT_TRUE(game.RunFrames(2));

        const struct
        {
            const char* key;
            const char* action;
            float value;
        } cameraKeys[] = {{"Up", "camera_vertical", 1.0f},
                          {"Down", "camera_vertical", -1.0f},
                          {"Left", "camera_horizontal", -1.0f},
                          {"Right", "camera_horizontal", 1.0f}};
        for (const auto& row : cameraKeys)
        {
            ASSERT_TRUE(game.KeyDown(row.key));
            ASSERT_TRUE(game.RunFrames(2));
            EXPECT_TRUE(input.IsActionActive(row.action, "gui")) << row.key;
            EXPECT_EQ(row.value, input.GetActionValue(row.action, "gui")) << row.key;
            ASSERT_TRUE(game.KeyUp(row.key));
            ASSERT_TRUE(game.RunFrames(2));
            EXPECT_FALSE(input.IsActionActive(row.action, "gui")) << row.key;
        }

        ASSERT_TRUE(game.KeyDown("Left Ctrl"));
        ASSERT_TRUE(game.KeyDown("X"));
        ASSERT_TRUE(game.RunFrames(2));
        EXPECT_EQ(developer, input.IsActionActive("cheat", "game"));
        if (!developer)
        {
            EXPECT_EQ(0.0f, input.GetActionValue("cheat", "game"));
        }
        // Ctrl+S is "solve", not "cheat".
        ASSERT_TRUE(game.KeyUp("X"));
        ASSERT_TRUE(game.KeyDown("S"));
        ASSERT_TRUE(game.RunFrames(2));
        EXPECT_FALSE(input.IsActionActive("cheat", "game"));
        EXPECT_EQ(developer, input.IsActionActive("solve", "game"));
        ASSERT_TRUE(game.KeyUp("S"));
        ASSERT_TRUE(game.KeyUp("Left Ctrl"));
        ASSERT_TRUE(game.RunFrames(1));
    }
}

} // namespace
