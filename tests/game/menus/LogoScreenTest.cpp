// The logo screen in the running game with its four small test logos (data/profile/logo_*.png: red,
// green, blue, then yellow for English and purple for German), at a fixed frame step of 1/50 s. Keys are
// real input events, so these tests run alone.
#include "game/menus/LogoScreen.h"
#include "framework/UIScreen.h"
#include "game/QuarrowUI.h"
#include "game/ScreenFader.h"
#include "game/savegame/SaveGameManager.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/TextureCanvas.h"
#include "ui/Window.h"
#include "ui/WindowAnimation.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;

class StandInScreen : public CQuarrowUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world) : CQuarrowUIScreen(ui, world) {}
    void Update() override {}
};

constexpr double kFrameSeconds = 0.02;

// One frame as the frame hook saw it.
struct LogoFrame
{
    std::string screen;
    std::string state;
    int index = 0;
    // The logo a player sees: label B's when it is fully shown, label A's when label B is gone, empty
    // while the two blend.
    std::string shown;
};

class LogoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GameSettings settings;
        settings.frameSeconds = kFrameSeconds;
        // Small, so the hundreds of frames a visit lasts draw fast; the logos lie in the middle.
        settings.width = 320;
        settings.height = 240;
        settings.aliases = {{"interface", std::string(QUARROW_TEST_DATA_DIR) + "/profile"}};
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        game->AddScreen("mainmenu", new StandInScreen(&game->UI(), &game->World()));
        game->SetFrameHook([this] {
            if (game->IsRunning())
            {
                frames.push_back(Observe());
            }
        });
        game->FocusWindow();
    }
    void TearDown() override { game.reset(); }

    CLogoScreen& Logo() { return *static_cast<CLogoScreen*>(game->Screens().FindScreen("logo")); }
    LogoFrame Observe()
    {
        LogoFrame frame;
        frame.screen = game->Screens().GetCurrentScreenName();
        if (frame.screen != "logo")
        {
            return frame;
        }
        frame.state = Logo().GetStates().GetCurrentStateName();
        frame.index = Logo().GetIndex();
        const UILib::CLabel* a = Logo().GetLabelA();
        const UILib::CLabel* b = Logo().GetLabelB();
        const auto* canvas = dynamic_cast<const UILib::CTextureCanvas*>(b->GetCanvas(false));
        const float shownB = b->IsVisible() && canvas != nullptr ? canvas->GetTransparency() : 0.0f;
        if (shownB >= 0.999f)
        {
            frame.shown = static_cast<const char*>(b->GetBitmapFile());
        }
        else if (shownB <= 0.001f)
        {
            frame.shown = static_cast<const char*>(a->GetBitmapFile());
        }
        return frame;
    }
    // Black, as the screen before leaves it, then the logo.
    void Enter()
    {
        frames.clear();
        game->UI().GetFader()->SetTarget(0.0f, 0.0f);
        ASSERT_TRUE(game->SwitchTo("logo"));
    }
    ::testing::AssertionResult RunToMainMenu()
    {
        return game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "mainmenu"; },
                              "the main menu", 1200, 240.0);
    }
    // The logos as they were shown, one entry per logo.
    std::vector<std::string> ShownLogos() const
    {
        std::vector<std::string> shown;
        for (const LogoFrame& frame : frames)
        {
            if (!frame.shown.empty() && (shown.empty() || shown.back() != frame.shown))
            {
                shown.push_back(frame.shown);
            }
        }
        return shown;
    }
    // Frames spent in a state at one logo index.
    int FramesIn(const std::string& state, int index) const
    {
        int count = 0;
        for (const LogoFrame& frame : frames)
        {
            count += frame.state == state && frame.index == index;
        }
        return count;
    }
    int FramesOnLogo() const
    {
        int count = 0;
        for (const LogoFrame& frame : frames)
        {
            count += frame.screen == "logo";
        }
        return count;
    }

    std::unique_ptr<GameHarness> game;
    std::vector<LogoFrame> frames;
};

const std::vector<std::string> kEnglishLogos = {"logo_harwen.png", "logo_brimmel.png", "logo_tolvey.png",
                                                "logo_ombrel_english.png"};

// Without input: 0.5 s in, each logo 3 s, three cross-fades of the window system's fade length, 0.5 s
// out, each state within a frame; the windows go when the screen is left. Halfway through the first
// cross-fade the picture blends the first two logos.
TEST_F(LogoTest, WithoutInputEachLogoStaysThreeSecondsBetweenCrossFades)
{
    Enter();
    EXPECT_FALSE(game->UI().IsCursorShown());
    ASSERT_NE(nullptr, Logo().GetPanel());
    const UILib::CWindowAnimation* fade = Logo().GetLabelB()->GetAnimations()->FindAnimation("fadein");
    ASSERT_NE(nullptr, fade);
    const double crossFade = fade->GetLength();
    EXPECT_GT(crossFade, 0.0);

    ASSERT_TRUE(game->RunUntil([&] { return Logo().GetStates().GetCurrentStateName() == "CrossFade"; },
                               "the first cross-fade", 400));
    const int halfway = static_cast<int>(std::lround(crossFade / 2.0 / kFrameSeconds));
    ASSERT_TRUE(game->RunFrames(halfway - 1));
    const std::string folder = QUARROW_TEST_OUTPUT_DIR;
    ASSERT_TRUE(game->Screenshot(folder, "logo_crossfade"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_FALSE(picture.empty());
    // The middle of the red logo's white bar and the green logo's white disc: white in both. Beside the
    // bar, inside the disc: red below green, about half of each.
    const auto at = [&](int x, int y) {
        return picture[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)];
    };
    const int cx = width / 2;
    const int cy = height / 2;
    EXPECT_EQ(0xFFFFFFu, at(cx, cy) & 0xFFFFFFu);
    const std::uint32_t blend = at(cx, cy - 20);
    const auto channel = [](std::uint32_t pixel, int shift) {
        return static_cast<int>((pixel >> shift) & 0xFFu);
    };
    // Red: 200 in the first logo, 255 (white disc) in the second; green 40 and 255.
    EXPECT_NEAR((200 + 255) / 2, channel(blend, 16), 20);
    EXPECT_NEAR((40 + 255) / 2, channel(blend, 8), 20);
    // A corner: red (200, 40, 40) into green (40, 180, 60).
    const std::uint32_t corner = at(cx - 75, cy - 55);
    EXPECT_NEAR(120, channel(corner, 16), 20);
    EXPECT_NEAR(110, channel(corner, 8), 20);
    EXPECT_NEAR(50, channel(corner, 0), 20);
    EXPECT_TRUE(GameHarness::WritePicture(folder, "logo_crossfade_read_back", width, height, picture));

    ASSERT_TRUE(RunToMainMenu());
    EXPECT_EQ(kEnglishLogos, ShownLogos());
    const double expected = 0.5 + 4 * CLogoScreen::WaitSeconds + 3 * crossFade + 0.5;
    // Start, FadeIn, four Waits, three CrossFades, FadeOut: a frame each at most.
    EXPECT_NEAR(expected / kFrameSeconds, FramesOnLogo(), 10);
    for (int index = 0; index < 4; ++index)
    {
        SCOPED_TRACE(index);
        EXPECT_NEAR(CLogoScreen::WaitSeconds / kFrameSeconds, FramesIn("Wait", index), 1);
        if (index < 3)
        {
            EXPECT_NEAR(crossFade / kFrameSeconds, FramesIn("CrossFade", index), 1);
        }
    }
    EXPECT_EQ(0, FramesIn("CrossFade", 3));
    EXPECT_NEAR(0.5 / kFrameSeconds, FramesIn("FadeIn", 0), 1);
    EXPECT_NEAR(0.5 / kFrameSeconds, FramesIn("FadeOut", 3), 1);
    EXPECT_EQ(0.0f, game->UI().GetFader()->GetValue());
    EXPECT_EQ(nullptr, Logo().GetPanel());
    EXPECT_EQ(nullptr, Logo().GetLabelA());
}

// A key held in the first logo hurries it and every later one to just over 0.75 s; a second visit shows
// the four logos once again, with the German one last for language 1.
TEST_F(LogoTest, AKeyInTheFirstLogoHurriesEveryLogo)
{
    game->UI().GetSaveGameManager()->SetLanguageIndex(1);
    for (int visit = 1; visit <= 2; ++visit)
    {
        SCOPED_TRACE(visit);
        Enter();
        ASSERT_TRUE(game->RunUntil([&] { return Logo().GetStates().GetCurrentStateName() == "Wait"; },
                                   "the first logo"));
        ASSERT_TRUE(game->RunFrames(10));
        ASSERT_TRUE(game->PressKey("A", 2));
        ASSERT_TRUE(RunToMainMenu());
        EXPECT_TRUE(frames.back().screen == "mainmenu");
        const std::vector<std::string> german = {"logo_harwen.png", "logo_brimmel.png", "logo_tolvey.png",
                                                 "logo_ombrel_german.png"};
        EXPECT_EQ(german, Logo().GetLogoNames());
        EXPECT_EQ(german, ShownLogos());
        const int hurried = static_cast<int>(std::ceil(CLogoScreen::MinimumSeconds / kFrameSeconds));
        for (int index = 0; index < 4; ++index)
        {
            SCOPED_TRACE(index);
            EXPECT_NEAR(hurried, FramesIn("Wait", index), 1);
        }
    }
}

// "anybutton" is read only while a logo waits: a key pressed and let go while fading in or cross-fading
// changes nothing.
TEST_F(LogoTest, KeysWhileFadingAreNotSeen)
{
    Enter();
    ASSERT_TRUE(game->RunFrames(5));
    ASSERT_EQ("FadeIn", Logo().GetStates().GetCurrentStateName());
    ASSERT_TRUE(game->PressKey("A", 2));
    ASSERT_EQ("FadeIn", Logo().GetStates().GetCurrentStateName());
    ASSERT_TRUE(game->RunUntil([&] { return Logo().GetStates().GetCurrentStateName() == "CrossFade"; },
                               "the first cross-fade", 400));
    ASSERT_TRUE(game->RunFrames(5));
    ASSERT_TRUE(game->PressKey("Space", 2));
    ASSERT_EQ("CrossFade", Logo().GetStates().GetCurrentStateName());
    ASSERT_TRUE(game->RunUntil([&] { return Logo().GetIndex() == 2; }, "the third logo", 400));
    EXPECT_FALSE(Logo().IsSkipping());
    EXPECT_NEAR(CLogoScreen::WaitSeconds / kFrameSeconds, FramesIn("Wait", 0), 1);
    EXPECT_NEAR(CLogoScreen::WaitSeconds / kFrameSeconds, FramesIn("Wait", 1), 1);
}

TEST_F(LogoTest, TheLastLogoIsGermanOnlyForLanguageOne)
{
    const std::pair<std::int32_t, const char*> rows[] = {
        {0, "logo_ombrel_english.png"}, {1, "logo_ombrel_german.png"}, {3, "logo_ombrel_english.png"}};
    for (const auto& [language, last] : rows)
    {
        SCOPED_TRACE(language);
        game->UI().GetSaveGameManager()->SetLanguageIndex(language);
        Enter();
        ASSERT_TRUE(game->RunFrames(1));
        ASSERT_EQ(4u, Logo().GetLogoNames().size());
        EXPECT_EQ(last, Logo().GetLogoNames().back());
        EXPECT_STREQ("logo_harwen.png", Logo().GetLabelA()->GetBitmapFile());
        ASSERT_TRUE(game->SwitchTo("mainmenu"));
    }
}

} // namespace
