// The main menu and the game menu in the running game, with the small test book (data/book/bigbook.xml)
// and test layouts of bare buttons over coloured panels. Stand-in screens take the places the menus lead
// to. Clicks and Escape are real input events, so these tests run alone.
#include "game/menus/GameMenuScreen.h"
#include "game/menus/MainMenuScreen.h"
#include "framework/CommandQueue.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/savegame/QuarrowSaveGame.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;
using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;

// A screen the menus lead to; on a book page it turns the book there as the book screens do, without a
// page it shows no book.
class StandInScreen : public CGiantBookUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world, std::int32_t page) : CGiantBookUIScreen(ui, world), m_page(page) {}
    void Update() override {}
    void OnActivate() override
    {
        if (m_page < 0)
        {
            CQuarrowUIScreen::OnActivate();
            return;
        }
        CGiantBookUIScreen::OnActivate();
        TurnToPage(m_page, IsGiantBookScreen(GetOwner()->GetPreviousScreenName()));
    }

private:
    std::int32_t m_page;
};

// One frame as the frame hook saw it.
struct FrameRecord
{
    std::string screen;
    float fader;
    bool commandsPending;
    std::int32_t gameState;
};

class BookMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GameSettings settings;
        settings.aliases = {{"interface", std::string(QUARROW_TEST_DATA_DIR) + "/book"}};
        game = std::make_unique<GameHarness>(settings);
        ASSERT_TRUE(game->Start());
        sound = &RecordingSoundDevice::Install();
        const struct
        {
            const char* name;
            std::int32_t page;
        } standIns[] = {{"options", CGiantBookUIScreen::PageOptions}, {"filemenu", -1}, {"map", -1},
                        {"freeplay", CGiantBookUIScreen::PageFreePlay}, {"treasury", -1}};
        for (const auto& row : standIns)
        {
            game->AddScreen(row.name, new StandInScreen(&game->UI(), &game->World(), row.page));
        }
        game->SetFrameHook([this] {
            if (!game->IsRunning())
            {
                return;
            }
            frames.push_back({game->Screens().GetCurrentScreenName(), game->UI().GetFader()->GetValue(),
                              !game->World().GetCommandQueue()->IsEmpty(),
                              game->World().GetGameContext()->GetState()});
        });
        game->FocusWindow();
    }
    void TearDown() override
    {
        game.reset();
        RecordingSoundDevice::Uninstall();
    }

    CBookMenuScreen& Menu(const char* name) { return *static_cast<CBookMenuScreen*>(game->Screens().FindScreen(name)); }
    // Switches to a menu and waits until it takes the player's input.
    ::testing::AssertionResult Open(const char* name)
    {
        if (!game->SwitchTo(name))
        {
            return ::testing::AssertionFailure() << "no screen " << name;
        }
        return WaitFor(name);
    }
    ::testing::AssertionResult WaitFor(const char* name)
    {
        return game->RunUntil(
            [&] {
                return game->Screens().GetCurrentScreenName() == name &&
                       (game->Screens().FindScreen(name) == nullptr ||
                        dynamic_cast<CBookMenuScreen*>(game->Screens().FindScreen(name)) == nullptr ||
                        Menu(name).GetStates().GetCurrentStateName() == "MainMenu");
            },
            std::string("the screen ") + name);
    }
    UILib::CWindow& Button(const char* menu, const char* name)
    {
        UILib::CWindow* button = Menu(menu).GetPanel()->FindChildByName(BaseLib::CString(name), true);
        EXPECT_NE(nullptr, button) << name;
        return *button;
    }
    ::testing::AssertionResult ClickOn(const char* menu, const char* name)
    {
        return game->Click(game->CentreOf(Button(menu, name)));
    }
    // The first frame that shows the screen, or -1.
    int FirstFrameOf(const std::string& screen, std::size_t from = 0) const
    {
        for (std::size_t i = from; i < frames.size(); ++i)
        {
            if (frames[i].screen == screen)
            {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    ProgressRecord& ContextProgress() { return game->World().GetGameContext()->GetProgress(); }

    std::unique_ptr<GameHarness> game;
    RecordingSoundDevice* sound = nullptr;
    std::vector<FrameRecord> frames;
};

const UILib::CWindowAnimation* Turn(const char* name)
{
    UILib::CWindow* book = CGiantBookUIScreen::GetBook();
    UILib::CWindow* marker = book != nullptr ? book->FindChildByName(BaseLib::CString("turner"), true) : nullptr;
    return marker != nullptr && marker->GetAnimations() != nullptr ? marker->GetAnimations()->FindAnimation(name)
                                                                   : nullptr;
}

TEST_F(BookMenuTest, TheGameMenusAreRegisteredByTheGame)
{
    EXPECT_NE(nullptr, dynamic_cast<CMainMenuScreen*>(game->Screens().FindScreen("mainmenu")));
    EXPECT_NE(nullptr, dynamic_cast<CGameMenuScreen*>(game->Screens().FindScreen("gamemenu")));
    EXPECT_EQ("mainmenu", Menu("mainmenu").GetOwnName());
    EXPECT_EQ(0, Menu("mainmenu").GetPage());
    EXPECT_EQ(2, Menu("gamemenu").GetPage());
    // Nothing is built before the first visit.
    EXPECT_EQ(nullptr, Menu("mainmenu").GetPanel());
    EXPECT_EQ("", Menu("mainmenu").GetStates().GetCurrentStateName());
}

// Play with no game running: the profile's progress reaches the game, "StartGame" is taken before the
// game menu comes; with a game running nothing is posted and the progress stays; without a profile the
// game starts on what it holds.
TEST_F(BookMenuTest, PlayStartsTheGameWithTheProfilesProgressBeforeTheGameMenuComes)
{
    game->AddProfile("Ann").GetProgress().SetTreasureGold(77);
    ContextProgress().SetTreasureGold(55);
    ASSERT_TRUE(Open("mainmenu"));
    frames.clear();
    ASSERT_TRUE(ClickOn("mainmenu", "playbutton"));
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
    ASSERT_TRUE(WaitFor("gamemenu"));
    EXPECT_EQ(77, ContextProgress().GetTreasureGold());
    const int arrival = FirstFrameOf("gamemenu");
    ASSERT_GT(arrival, 0);
    EXPECT_EQ(1, frames[static_cast<std::size_t>(arrival)].gameState);
    EXPECT_FALSE(frames[static_cast<std::size_t>(arrival)].commandsPending);
    for (int i = 0; i < arrival; ++i)
    {
        EXPECT_EQ("mainmenu", frames[static_cast<std::size_t>(i)].screen);
    }

    // The game runs: back to the main menu without shutting it, then play again.
    ContextProgress().SetTreasureGold(55);
    ASSERT_TRUE(Open("mainmenu"));
    ASSERT_EQ(1, game->World().GetGameContext()->GetState());
    frames.clear();
    ASSERT_TRUE(ClickOn("mainmenu", "playbutton"));
    ASSERT_TRUE(WaitFor("gamemenu"));
    EXPECT_EQ(55, ContextProgress().GetTreasureGold());
    for (const FrameRecord& frame : frames)
    {
        EXPECT_FALSE(frame.commandsPending);
    }

    // No profile, no game: traced, started all the same.
    game->PostWorldCommand("ShutGame");
    game->UI().GetSaveGameManager()->GetSaveGameList().Clear();
    ASSERT_TRUE(Open("mainmenu"));
    ASSERT_EQ(0, game->World().GetGameContext()->GetState());
    ASSERT_TRUE(ClickOn("mainmenu", "playbutton"));
    ASSERT_TRUE(WaitFor("gamemenu"));
    EXPECT_EQ(1, game->World().GetGameContext()->GetState());
    EXPECT_EQ(55, ContextProgress().GetTreasureGold());
    EXPECT_NE(std::string::npos, game->Trace().find("MainMenu: no current profile"));
}

// Back and Escape shut the game before the main menu comes; the other buttons reach their screens, one of
// them missing from a layout without its button.
TEST_F(BookMenuTest, TheGameMenuShutsTheGameOnTheWayBackAndReachesItsScreens)
{
    game->AddProfile("Ann");
    for (const bool escape : {false, true})
    {
        SCOPED_TRACE(escape ? "Escape" : "backbutton");
        game->PostWorldCommand("StartGame");
        ASSERT_TRUE(Open("gamemenu"));
        ASSERT_EQ(1, game->World().GetGameContext()->GetState());
        sound->ClearLog();
        frames.clear();
        ASSERT_TRUE(escape ? game->PressKey("Escape") : ClickOn("gamemenu", "backbutton"));
        ASSERT_TRUE(WaitFor("mainmenu"));
        EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
        EXPECT_EQ(0u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
        const int arrival = FirstFrameOf("mainmenu");
        ASSERT_GT(arrival, 0);
        EXPECT_EQ(0, frames[static_cast<std::size_t>(arrival)].gameState);
        for (int i = 0; i < arrival; ++i)
        {
            EXPECT_EQ("gamemenu", frames[static_cast<std::size_t>(i)].screen);
        }
        // The book turned back from page 3 to page 1.
        EXPECT_TRUE(Turn("1to3")->IsReverse());
    }

    for (const char* target : {"adventurebutton:map", "freeplaybutton:freeplay", "treasurebutton:treasury"})
    {
        const std::string row = target;
        const std::string button = row.substr(0, row.find(':'));
        const std::string screen = row.substr(row.find(':') + 1);
        SCOPED_TRACE(button);
        ASSERT_TRUE(Open("gamemenu"));
        sound->ClearLog();
        ASSERT_TRUE(ClickOn("gamemenu", button.c_str()));
        ASSERT_TRUE(WaitFor(screen.c_str()));
        EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
    }
}

TEST_F(BookMenuTest, ALayoutWithoutTheTreasuryButtonStillWorks)
{
    // The translated copy lacks the treasury button.
    game->UI().GetFileTranslator()->SetLanguageFolder("notreasure/");
    ASSERT_TRUE(Open("gamemenu"));
    EXPECT_EQ(nullptr, Menu("gamemenu").GetPanel()->FindChildByName(BaseLib::CString("treasurebutton"), true));
    ASSERT_TRUE(ClickOn("gamemenu", "freeplaybutton"));
    ASSERT_TRUE(WaitFor("freeplay"));
}

// Which way each button leaves: a page turn between book screens with the picture kept, a fade to black
// with the book hidden for the others.
TEST_F(BookMenuTest, BookScreensTurnThePageAndOtherScreensFadeToBlack)
{
    game->AddProfile("Ann");
    const struct
    {
        const char* button;
        const char* screen;
        const char* turn; // played forward; null: a fade instead
    } rows[] = {{"optionsbutton", "options", "1to2"}, {"playbutton", "gamemenu", "1to3"},
                {"savegamebutton", "filemenu", nullptr}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.button);
        game->PostWorldCommand("ShutGame");
        ASSERT_TRUE(Open("mainmenu"));
        ASSERT_TRUE(game->RunUntil([&] { return !Turn("1to3")->IsPlaying() && !Turn("1to2")->IsPlaying(); },
                                   "the book to stand"));
        frames.clear();
        ASSERT_TRUE(ClickOn("mainmenu", row.button));
        ASSERT_TRUE(WaitFor(row.screen));
        float lowest = 1.0f;
        for (const FrameRecord& frame : frames)
        {
            lowest = std::min(lowest, frame.fader);
        }
        if (row.turn != nullptr)
        {
            EXPECT_EQ(1.0f, lowest);
            EXPECT_TRUE(Turn(row.turn)->IsPlaying());
            EXPECT_FALSE(Turn(row.turn)->IsReverse());
            EXPECT_TRUE(CGiantBookUIScreen::GetBook()->IsVisible());
        }
        else
        {
            EXPECT_EQ(0.0f, lowest);
            EXPECT_EQ(0.0f, game->UI().GetFader()->GetValue());
            EXPECT_FALSE(CGiantBookUIScreen::GetBook()->IsVisible());
            // 0.5 s in frames of 20 ms from the click to black.
            const int arrival = FirstFrameOf(row.screen);
            int firstFading = -1;
            for (int i = 0; i < arrival && firstFading < 0; ++i)
            {
                firstFading = frames[static_cast<std::size_t>(i)].fader < 1.0f ? i : -1;
            }
            ASSERT_GE(firstFading, 0);
            EXPECT_NEAR(25, arrival - firstFading + 1, 2);
        }
    }
}

TEST_F(BookMenuTest, QuitAndEscapeFadeOutAndEndTheProgram)
{
    for (const bool escape : {false, true})
    {
        SCOPED_TRACE(escape ? "Escape" : "quitbutton");
        BookMenuTest::TearDown();
        frames.clear();
        BookMenuTest::SetUp();
        ASSERT_TRUE(Open("mainmenu"));
        sound->ClearLog();
        if (escape)
        {
            ASSERT_TRUE(game->KeyDown("Escape"));
        }
        else
        {
            ASSERT_TRUE(game->MouseMove(game->CentreOf(Button("mainmenu", "quitbutton"))));
            ASSERT_TRUE(game->RunFrames(1));
            ASSERT_TRUE(game->MouseButton(game->CentreOf(Button("mainmenu", "quitbutton")), true));
            ASSERT_TRUE(game->RunFrames(1));
            ASSERT_TRUE(game->MouseButton(game->CentreOf(Button("mainmenu", "quitbutton")), false));
        }
        EXPECT_FALSE(game->RunFrames(100));
        EXPECT_FALSE(game->IsRunning());
        EXPECT_EQ(escape ? 0u : 1u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(0.0f, frames.back().fader);
        EXPECT_GE(frames.size(), 25u);
    }
}

// Clicks while the page fades in reach nothing; the same click afterwards does.
TEST_F(BookMenuTest, ClicksDuringTheFadeInAreIgnored)
{
    game->AddProfile("Ann");
    game->UI().GetFader()->SetTarget(0.0f, 0.0f);
    ASSERT_TRUE(game->SwitchTo("mainmenu"));
    ASSERT_TRUE(game->RunFrames(2));
    ASSERT_EQ("FadeIn", Menu("mainmenu").GetStates().GetCurrentStateName());
    sound->ClearLog();
    ASSERT_TRUE(ClickOn("mainmenu", "playbutton"));
    ASSERT_EQ("FadeIn", Menu("mainmenu").GetStates().GetCurrentStateName());
    EXPECT_EQ(0u, sound->Count(SoundEvent::Play));
    EXPECT_TRUE(game->World().GetCommandQueue()->IsEmpty());
    EXPECT_EQ("", Menu("mainmenu").GetNextScreen());
    ASSERT_TRUE(WaitFor("mainmenu"));
    ASSERT_TRUE(ClickOn("mainmenu", "playbutton"));
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
    ASSERT_TRUE(WaitFor("gamemenu"));
}

// The main menu's picture: each button's colour inside its rectangle on the book's first page; and the
// frame in which the fade to the profiles reaches black is black.
TEST_F(BookMenuTest, TheMainMenuShowsItsButtonsOnTheFirstPageAndFadesToBlack)
{
    ASSERT_TRUE(Open("mainmenu"));
    ASSERT_TRUE(game->RunFrames(2));
    const std::string folder = QUARROW_TEST_OUTPUT_DIR;
    ASSERT_TRUE(game->Screenshot(folder, "main_menu"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_EQ(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), picture.size());
    ASSERT_FALSE(picture.empty());
    const auto at = [&](const BaseLib::CPoint& p) {
        return picture[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(p.x)] &
               0xFFFFFFu;
    };
    // The other pages show the book's empty page.
    EXPECT_EQ(0xF0E6C8u, at(game->CentreOf(*CGiantBookUIScreen::GetPageFrame(1))));
    const UILib::CWindow* frame1 = CGiantBookUIScreen::GetPageFrame(0);
    ASSERT_NE(nullptr, frame1);
    const BaseLib::CRect page = game->WindowPixels(*frame1);
    const struct
    {
        const char* name;
        std::uint32_t colour;
    } buttons[] = {{"playbutton", 0xC81E1Eu}, {"optionsbutton", 0x1EA028u}, {"savegamebutton", 0x1E3CC8u},
                   {"quitbutton", 0xC8B414u}};
    for (const auto& button : buttons)
    {
        SCOPED_TRACE(button.name);
        const BaseLib::CRect r = game->WindowPixels(Button("mainmenu", button.name));
        EXPECT_TRUE(r.left >= page.left && r.right <= page.right && r.top >= page.top && r.bottom <= page.bottom);
        for (const BaseLib::CPoint& p : {BaseLib::CPoint(r.left + 2, r.top + 2),
                                         BaseLib::CPoint(r.left + 5, (r.top + r.bottom) / 2),
                                         BaseLib::CPoint(r.right - 3, r.bottom - 3)})
        {
            EXPECT_EQ(button.colour, at(p)) << p.x << "," << p.y;
        }
        // Beside it the button's colour ends.
        EXPECT_NE(button.colour, at(BaseLib::CPoint(r.right + 4, r.top + 5)));
    }
    EXPECT_TRUE(GameHarness::WritePicture(folder, "main_menu_read_back", width, height, picture));

    ASSERT_TRUE(ClickOn("mainmenu", "savegamebutton"));
    ASSERT_TRUE(game->RunUntil([&] { return game->UI().GetFader()->GetValue() == 0.0f; }, "black"));
    const GameTesting::Pixels black = game->ReadFrame(width, height);
    ASSERT_FALSE(black.empty());
    EXPECT_TRUE(GameHarness::WritePicture(folder, "main_menu_faded", width, height, black));
    std::size_t lit = 0;
    for (const std::uint32_t pixel : black)
    {
        lit += (pixel & 0xFFFFFFu) != 0u;
    }
    EXPECT_EQ(0u, lit);
}

} // namespace
