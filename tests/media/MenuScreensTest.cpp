// The book menus of the running game with the committed book and pages: each page after its page turn
// (from the language page through the main menu, the options and back by real clicks, the game menu, free
// play, level selection and a result), and a frame of the turn from the main menu to the game menu,
// written as screen_<page>.png: the book shows around the page and the page's buttons are drawn on it.
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/menus/BookMenuScreen.h"
#include "game/savegame/SaveGameManager.h"
#include "framework/UIScreen.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/Bitmap.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace
{

using GameTesting::GameHarness;
using GameTesting::Pixels;

class MenuScreensTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GameTesting::GameSettings settings;
        settings.language = "ask"; // the game opens on the language page
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
    }

    UILib::CWindow* Book()
    {
        UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
        return windows != nullptr ? windows->GetLayerRoot(0)->FindChildByName("book", true) : nullptr;
    }

    CBookMenuScreen* Page(const std::string& name)
    {
        return dynamic_cast<CBookMenuScreen*>(game->Screens().FindScreen(name));
    }

    // Until the page takes the player's input with the fade and the page turn over.
    ::testing::AssertionResult WaitFor(const std::string& name)
    {
        return game->RunUntil(
            [&] {
                CBookMenuScreen* page = Page(name);
                UILib::CWindow* book = Book();
                return game->Screens().GetCurrentScreenName() == name && page != nullptr &&
                       page->GetStates().GetCurrentStateName() == "MainMenu" && !game->UI().GetFader()->IsFading() &&
                       book != nullptr && !book->IsAnyAnimationPlaying(true);
            },
            "the page " + name);
    }

    // The frame written as screen_<name>.png, checked: the book's cover shows as its picture has it,
    // and every shown button of the page is drawn over the book.
    void TakePicture(const std::string& name, bool buttonsShown = true)
    {
        int width = 0;
        int height = 0;
        const Pixels frame = game->ReadFrame(width, height);
        ASSERT_EQ(1024, width);
        ASSERT_EQ(768, height);
        EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "screen_" + name, width, height, frame));
        const UILib::CBitmap book("menu_book.png");
        ASSERT_EQ(BaseLib::CSize(1024, 768), book.GetSize());
        const auto near = [&](int x, int y) {
            const std::uint32_t shown = frame[static_cast<std::size_t>(y) * width + x];
            const BaseLib::CColor drawn = book.GetPixels()[static_cast<std::size_t>(y) * width + x];
            return std::abs(static_cast<int>((shown >> 16) & 0xFF) - drawn.GetRed()) <= 4 &&
                   std::abs(static_cast<int>((shown >> 8) & 0xFF) - drawn.GetGreen()) <= 4 &&
                   std::abs(static_cast<int>(shown & 0xFF) - drawn.GetBlue()) <= 4;
        };
        for (const auto& [x, y] : {std::pair{30, 384}, std::pair{512, 30}, std::pair{990, 700}})
        {
            EXPECT_TRUE(near(x, y)) << name << ": the book shows at " << x << ", " << y;
        }
        if (!buttonsShown)
        {
            return;
        }
        UILib::CWindow* panel = Page(name) != nullptr ? Page(name)->GetPanel() : nullptr;
        ASSERT_NE(nullptr, panel) << name;
        int buttons = 0;
        const std::function<void(UILib::CWindow&)> visit = [&](UILib::CWindow& window) {
            for (std::int32_t i = 0; i < window.GetChildCount(); ++i)
            {
                UILib::CWindow* child = UILib::CWindowManager::GetInstance()->Resolve(window.GetChildHandle(i));
                if (child == nullptr || !child->IsVisible())
                {
                    continue;
                }
                if (std::string(child->GetClassName()) == "CButton")
                {
                    ++buttons;
                    const BaseLib::CPoint centre = game->CentreOf(*child);
                    EXPECT_FALSE(near(centre.x, centre.y))
                        << name << ": " << static_cast<const char*>(child->GetName()) << " is not drawn";
                }
                visit(*child);
            }
        };
        visit(*panel);
        EXPECT_GT(buttons, 0) << name;
    }

    std::unique_ptr<GameHarness> game;
};

TEST_F(MenuScreensTest, EachPageAfterItsTurnAndAFrameOfATurn)
{
    ASSERT_TRUE(WaitFor("languageselection"));
    TakePicture("languageselection");

    ASSERT_TRUE(game->SwitchTo("mainmenu"));
    ASSERT_TRUE(WaitFor("mainmenu"));
    TakePicture("mainmenu");

    // Real clicks reach the buttons through their words and the book's pages: to the options and back.
    game->FocusWindow();
    const auto click = [&](const std::string& page, const char* button) {
        UILib::CWindow* window = Page(page)->GetPanel()->FindChildByName(button, true, "CButton");
        return window != nullptr ? game->Click(game->CentreOf(*window))
                                 : ::testing::AssertionFailure() << "no " << button;
    };
    ASSERT_TRUE(click("mainmenu", "optionsbutton"));
    ASSERT_TRUE(WaitFor("options"));
    TakePicture("options");
    ASSERT_TRUE(click("options", "backbutton"));
    ASSERT_TRUE(WaitFor("mainmenu"));

    game->PostWorldCommand("StartGame");
    ASSERT_TRUE(game->SwitchTo("gamemenu"));
    // A quarter of the way through "1to3": the main menu's left page, a leaf over its right page.
    ASSERT_TRUE(game->RunUntil([&] { return Book() != nullptr && Book()->IsAnyAnimationPlaying(true); }, "the turn"));
    ASSERT_TRUE(game->RunFrames(8));
    TakePicture("turn_1to3", false);
    UILib::CWindow* leaf = Book()->FindChildByName("leaf", true);
    ASSERT_NE(nullptr, leaf);
    EXPECT_TRUE(leaf->IsVisible());
    EXPECT_TRUE(Book()->FindChildByName("frame1", true)->IsVisible());
    ASSERT_TRUE(WaitFor("gamemenu"));
    TakePicture("gamemenu");

    ASSERT_TRUE(game->SwitchTo("freeplay"));
    ASSERT_TRUE(WaitFor("freeplay"));
    TakePicture("freeplay");

    // The basic region, its first page.
    game->PostWorldCommand("SetMap", "0");
    game->UI().GetSaveGameManager()->SetPlayMode(2);
    ASSERT_TRUE(game->SwitchTo("levelselection"));
    ASSERT_TRUE(WaitFor("levelselection"));
    TakePicture("levelselection");

    // Level 5 of the basic region solved in free play with three gold, all three shown.
    GameContext& context = *game->World().GetGameContext();
    context.SetLevelIndex(4);
    context.SetStarMoveLimits(30, 20, 10);
    context.RecordLevelResult(true, 9, 42.0, 3);
    game->UI().GetSaveGameManager()->SetSelectedLevel(4);
    ASSERT_TRUE(game->SwitchTo("gameresult"));
    ASSERT_TRUE(WaitFor("gameresult"));
    ASSERT_TRUE(game->RunFrames(50));
    EXPECT_TRUE(Page("gameresult")->GetPanel()->FindChildByName("goldlabel3", true)->IsVisible());
    TakePicture("gameresult");
}

} // namespace
