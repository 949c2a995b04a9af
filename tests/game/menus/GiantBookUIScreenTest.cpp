// The book of the menu screens in the running game, with a small test book (data/book/bigbook.xml):
// four frames and a marker window that each page turn "AtoB" moves from (AB, 0) at its start to
// (AB, 100) at its end.
#include "game/menus/GiantBookUIScreen.h"
#include "foundation/Color.h"
#include "framework/UIScreen.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;

// A book screen with a panel of its own. Entering does what the menu screens do when they fade in: the
// panel goes on the page and the book turns there, animated when the previous screen was a book screen.
class TestBookScreen : public CGiantBookUIScreen
{
public:
    TestBookScreen(CQuarrowUI* ui, CQuarrowWorld* world, std::string name, std::int32_t page)
        : CGiantBookUIScreen(ui, world), m_name(std::move(name)), m_page(page)
    {
        Rebuild();
    }
    void Update() override {}
    void OnActivate() override
    {
        UILib::CWindow* book = GetBook();
        bookShownOnArrival = book != nullptr && book->IsVisible();
        CGiantBookUIScreen::OnActivate();
        GetUserInterface()->GetFader()->SetTarget(1.0f, 0.5f);
        TurnToPage(ShowOnPage(m_page, panel, m_name), IsGiantBookScreen(GetOwner()->GetPreviousScreenName()));
    }
    // As a screen that builds its layout anew each time it is shown.
    void Rebuild()
    {
        UILib::CWindow::Delete(panel);
        panel = new UILib::CPanel();
        panel->SetSize(100, 50);
        panel->SetColor(BaseLib::CColor(40, static_cast<std::uint8_t>(60 * m_page), 200, 255));
    }
    // Sets up the page alone, without a screen switch.
    void Show() { ShowOnPage(m_page, panel, m_name); }

    UILib::CPanel* panel = nullptr;
    bool bookShownOnArrival = false;

protected:
    ~TestBookScreen() override { UILib::CWindow::Delete(panel); }

private:
    std::string m_name;
    std::int32_t m_page;
};

// A game screen that is no book screen.
class PlainScreen : public CQuarrowUIScreen
{
public:
    using CQuarrowUIScreen::CQuarrowUIScreen;
    void Update() override {}
};

struct Screens
{
    TestBookScreen* mainmenu;
    TestBookScreen* options;
    TestBookScreen* languageselection;
    TestBookScreen* gamemenu;
    TestBookScreen* freeplay;
};

// The book screens under their names, "loadsavedgames" (a book class under a name that is no book
// screen's), and "treasury" (no book class).
Screens AddScreens(GameHarness& game)
{
    const auto add = [&](const char* name, std::int32_t page) {
        auto* screen = new TestBookScreen(&game.UI(), &game.World(), name, page);
        game.AddScreen(name, screen);
        return screen;
    };
    Screens screens{
        add("mainmenu", CGiantBookUIScreen::PageMainMenu), add("options", CGiantBookUIScreen::PageOptions),
        add("languageselection", CGiantBookUIScreen::PageLanguageSelection),
        add("gamemenu", CGiantBookUIScreen::PageGameMenu), add("freeplay", CGiantBookUIScreen::PageFreePlay)};
    add("loadsavedgames", 0);
    game.AddScreen("treasury", new PlainScreen(&game.UI(), &game.World()));
    return screens;
}

// In developer mode the game enters no first screen here (the developer menu lives above the game), so
// each test starts with no screen current and the book as the book screens left it.
GameSettings BookSettings(const std::string& folder)
{
    GameSettings settings;
    settings.developer = true;
    settings.aliases = {{"interface", std::string(QUARROW_TEST_DATA_DIR) + "/" + folder}};
    return settings;
}

UILib::CWindow* Marker()
{
    UILib::CWindow* book = CGiantBookUIScreen::GetBook();
    return book != nullptr ? book->FindChildByName(BaseLib::CString("turner"), true) : nullptr;
}

const UILib::CWindowAnimation* Turn(const char* name)
{
    const UILib::CWindow* marker = Marker();
    return marker != nullptr && marker->GetAnimations() != nullptr
               ? marker->GetAnimations()->FindAnimation(name)
               : nullptr;
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    {
        ++count;
    }
    return count;
}

TEST(GiantBookUIScreenTest, TheBookIsLoadedHiddenIntoLayerZeroWithItsFourFrames)
{
    GameHarness game(BookSettings("book"));
    ASSERT_TRUE(game.Start());
    // The game's own menu screens made it.
    UILib::CWindow* book = CGiantBookUIScreen::GetBook();
    AddScreens(game);
    EXPECT_EQ(book, CGiantBookUIScreen::GetBook());
    ASSERT_NE(nullptr, book);
    EXPECT_EQ("testbook", std::string(book->GetName()));
    EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetLayerRoot(0)->GetHandle(), book->GetParentHandle());
    EXPECT_FALSE(book->IsVisible());
    for (std::int32_t page = 0; page < CGiantBookUIScreen::PageCount; ++page)
    {
        ASSERT_NE(nullptr, CGiantBookUIScreen::GetPageFrame(page));
        EXPECT_EQ("frame" + std::to_string(page + 1),
                  std::string(CGiantBookUIScreen::GetPageFrame(page)->GetName()));
        EXPECT_EQ("", CGiantBookUIScreen::GetShownLayout(page));
    }
    EXPECT_EQ(0, CGiantBookUIScreen::GetCurrentPage());
    // One book for all the screens.
    const UILib::CWindow* root = UILib::CWindowManager::GetInstance()->GetLayerRoot(0);
    int books = 0;
    for (std::int32_t i = 0; i < root->GetChildCount(); ++i)
    {
        const UILib::CWindow* child = UILib::CWindowManager::GetInstance()->Resolve(root->GetChildHandle(i));
        books += child != nullptr && std::string(child->GetName()) == "testbook";
    }
    EXPECT_EQ(1, books);
}

TEST(GiantBookUIScreenTest, TurnsPlayOrStandAtTheirEndsByDirection)
{
    GameHarness game(BookSettings("book"));
    ASSERT_TRUE(game.Start());
    Screens screens = AddScreens(game);
    CGiantBookUIScreen& book = *screens.mainmenu;
    ASSERT_NE(nullptr, Marker());

    // Not animated: a turn back stands at its start, a turn forward at its end (the time clamped).
    book.TurnToPage(3, false);
    EXPECT_EQ(3, CGiantBookUIScreen::GetCurrentPage());
    EXPECT_EQ(0.2f, Turn("1to4")->GetTime());
    EXPECT_EQ(BaseLib::CPoint(14, 100), Marker()->GetPosition());
    book.TurnToPage(1, false);
    EXPECT_EQ(0.0f, Turn("2to4")->GetTime());
    EXPECT_FALSE(Turn("2to4")->IsPlaying());
    EXPECT_EQ(BaseLib::CPoint(24, 0), Marker()->GetPosition());

    // The same page: nothing plays, no time changes.
    book.TurnToPage(1, true);
    EXPECT_EQ(BaseLib::CPoint(24, 0), Marker()->GetPosition());
    for (const auto& turn : Marker()->GetAnimations()->GetAnimations())
    {
        EXPECT_FALSE(turn->IsPlaying()) << turn->GetName();
    }

    // Animated: forward, and back in reverse at speed 1, which ends at the turn's start.
    book.TurnToPage(2, true);
    EXPECT_TRUE(Turn("2to3")->IsPlaying());
    EXPECT_FALSE(Turn("2to3")->IsReverse());
    ASSERT_TRUE(game.RunUntil([] { return !Turn("2to3")->IsPlaying(); }, "the turn 2to3 to end"));
    EXPECT_EQ(BaseLib::CPoint(23, 100), Marker()->GetPosition());
    book.TurnToPage(0, true);
    EXPECT_EQ(0, CGiantBookUIScreen::GetCurrentPage());
    EXPECT_TRUE(Turn("1to3")->IsPlaying());
    EXPECT_TRUE(Turn("1to3")->IsReverse());
    EXPECT_EQ(1.0f, Turn("1to3")->GetSpeed());
    const int start = game.Frames();
    ASSERT_TRUE(game.RunUntil([] { return !Turn("1to3")->IsPlaying(); }, "the turn 1to3 to end"));
    EXPECT_EQ(BaseLib::CPoint(13, 0), Marker()->GetPosition());
    // 0.2 s at speed 1 in frames of 20 ms.
    EXPECT_NEAR(10, game.Frames() - start, 1);

    // No such page: refused, the book stays.
    book.TurnToPage(4, false);
    book.TurnToPage(-1, true);
    EXPECT_EQ(0, CGiantBookUIScreen::GetCurrentPage());
    EXPECT_EQ(2u, Count(game.Trace(), "the book stays at page 0"));
}

TEST(GiantBookUIScreenTest, ScreensThatShareAPageReplaceEachOthersPanel)
{
    GameHarness game(BookSettings("book"));
    ASSERT_TRUE(game.Start());
    Screens screens = AddScreens(game);
    UILib::CWindow* frame2 = CGiantBookUIScreen::GetPageFrame(1);
    ASSERT_NE(nullptr, frame2);

    screens.options->Show();
    ASSERT_EQ(1, frame2->GetChildCount());
    EXPECT_EQ(screens.options->panel->GetHandle(), frame2->GetChildHandle(0));
    EXPECT_EQ("options", CGiantBookUIScreen::GetShownLayout(1));

    // The language selection takes the page; the options' panel is taken off, not destroyed.
    UILib::CPanel* optionsPanel = screens.options->panel;
    screens.languageselection->Show();
    ASSERT_EQ(1, frame2->GetChildCount());
    EXPECT_EQ(screens.languageselection->panel->GetHandle(), frame2->GetChildHandle(0));
    EXPECT_EQ(0u, optionsPanel->GetParentHandle());
    EXPECT_EQ(optionsPanel, UILib::CWindowManager::GetInstance()->Resolve(optionsPanel->GetHandle()));

    // Shown again: its panel stays where it is.
    UILib::CPanel* languagePanel = screens.languageselection->panel;
    screens.languageselection->Show();
    ASSERT_EQ(1, frame2->GetChildCount());
    EXPECT_EQ(languagePanel->GetHandle(), frame2->GetChildHandle(0));
    EXPECT_EQ(frame2->GetHandle(), languagePanel->GetParentHandle());

    // Its panel built anew: the new one is shown, though the page still names the screen.
    screens.languageselection->Rebuild();
    EXPECT_EQ(0, frame2->GetChildCount());
    screens.languageselection->Show();
    ASSERT_EQ(1, frame2->GetChildCount());
    EXPECT_EQ(screens.languageselection->panel->GetHandle(), frame2->GetChildHandle(0));

    // The other pages keep their own.
    screens.mainmenu->Show();
    EXPECT_EQ(screens.mainmenu->panel->GetParentHandle(), CGiantBookUIScreen::GetPageFrame(0)->GetHandle());
    EXPECT_EQ(1, frame2->GetChildCount());
}

TEST(GiantBookUIScreenTest, TheBookStaysBetweenBookScreensAndHidesForOthers)
{
    GameHarness game(BookSettings("book"));
    ASSERT_TRUE(game.Start());
    Screens screens = AddScreens(game);
    UILib::CWindow* book = CGiantBookUIScreen::GetBook();
    ASSERT_NE(nullptr, book);

    // From no screen the book opens at its page at once.
    ASSERT_TRUE(game.SwitchTo("gamemenu"));
    EXPECT_TRUE(book->IsVisible());
    EXPECT_EQ(2, CGiantBookUIScreen::GetCurrentPage());
    EXPECT_FALSE(Turn("1to3")->IsPlaying());
    EXPECT_EQ(0.2f, Turn("1to3")->GetTime());
    ASSERT_TRUE(game.RunFrames(2));
    // From a book screen it turns, never hidden on the way.
    ASSERT_TRUE(game.SwitchTo("mainmenu"));
    EXPECT_TRUE(screens.mainmenu->bookShownOnArrival);
    EXPECT_TRUE(book->IsVisible());
    EXPECT_TRUE(Turn("1to3")->IsPlaying());
    EXPECT_TRUE(Turn("1to3")->IsReverse());
    ASSERT_TRUE(game.RunFrames(2));
    ASSERT_TRUE(game.SwitchTo("treasury"));
    EXPECT_FALSE(book->IsVisible());
    // Back from the treasury: shown again, opened at once.
    ASSERT_TRUE(game.SwitchTo("freeplay"));
    EXPECT_FALSE(screens.freeplay->bookShownOnArrival);
    EXPECT_TRUE(book->IsVisible());
    EXPECT_FALSE(Turn("1to4")->IsPlaying());
    // "loadsavedgames" is a book class but no book screen: leaving for it hides the book, entering it
    // shows it again.
    ASSERT_TRUE(game.SwitchTo("loadsavedgames"));
    EXPECT_TRUE(book->IsVisible());
    ASSERT_TRUE(game.SwitchTo("options"));
    EXPECT_TRUE(screens.options->bookShownOnArrival);
    ASSERT_TRUE(game.RunFrames(2));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels frame = game.ReadFrame(width, height);
    ASSERT_EQ(1024u * 768u, frame.size());
    EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "book_options", width, height, frame));
    // The book's colour around the frames, the frame's where no panel lies, the options' panel in the
    // corner of page 1's frame.
    const auto at = [&](int x, int y) {
        return frame[static_cast<std::size_t>(y) * 1024u + static_cast<std::size_t>(x)] & 0xFFFFFFu;
    };
    EXPECT_EQ(0x785028u, at(120, 100));
    EXPECT_EQ(0xF0E6C8u, at(800, 300));
    EXPECT_EQ(0x283CC8u, at(570, 130));

    const struct
    {
        const char* name;
        bool book;
    } names[] = {{"mainmenu", true},       {"gamemenu", true},  {"gameresult", true},
                 {"levelselection", true}, {"options", true},   {"languageselection", true},
                 {"freeplay", true},       {"treasury", false}, {"loadsavedgames", false},
                 {"map", false},           {"", false},         {"MainMenu", false}};
    for (const auto& row : names)
    {
        EXPECT_EQ(row.book, CGiantBookUIScreen::IsGiantBookScreen(row.name)) << '"' << row.name << '"';
    }
}

// Without the book, or without one frame, the screens come and go, keep their page numbers, and each
// fault is traced once.
TEST(GiantBookUIScreenTest, AMissingBookOrFrameIsTracedOnceAndNothingBreaks)
{
    const struct
    {
        const char* folder;
        const char* line;
    } cases[] = {{"none", "\"interface>bigbook.xml\" could not be loaded"},
                 {"noframe3", "has no window \"frame3\""}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.folder);
        GameHarness game(BookSettings(c.folder));
        ASSERT_TRUE(game.Start());
        Screens screens = AddScreens(game);
        for (const char* name : {"mainmenu", "gamemenu", "freeplay", "treasury", "options", "gamemenu"})
        {
            ASSERT_TRUE(game.SwitchTo(name));
            ASSERT_TRUE(game.RunFrames(1));
        }
        EXPECT_EQ(2, CGiantBookUIScreen::GetCurrentPage());
        EXPECT_EQ(2, screens.gamemenu->ShowOnPage(2, screens.gamemenu->panel, "gamemenu"));
        EXPECT_EQ(1u, Count(game.Trace(), c.line)) << game.Trace();
        EXPECT_EQ(nullptr, CGiantBookUIScreen::GetPageFrame(2));
        EXPECT_EQ(0u, screens.gamemenu->panel->GetParentHandle());
        if (CGiantBookUIScreen::GetBook() != nullptr)
        {
            // The other pages work.
            EXPECT_EQ(CGiantBookUIScreen::GetPageFrame(3)->GetHandle(),
                      screens.freeplay->panel->GetParentHandle());
        }
    }
}

// The book belongs to one run of the window system: a second run of the game builds and turns its own.
TEST(GiantBookUIScreenTest, ASecondRunOfTheGameBuildsItsOwnBook)
{
    for (int run = 0; run < 2; ++run)
    {
        SCOPED_TRACE(run);
        GameHarness game(BookSettings("book"));
        ASSERT_TRUE(game.Start());
        EXPECT_EQ(0, CGiantBookUIScreen::GetCurrentPage());
        AddScreens(game);
        ASSERT_NE(nullptr, CGiantBookUIScreen::GetBook());
        EXPECT_EQ(UILib::CWindowManager::GetInstance()->GetLayerRoot(0)->GetHandle(),
                  CGiantBookUIScreen::GetBook()->GetParentHandle());
        ASSERT_TRUE(game.SwitchTo("mainmenu"));
        ASSERT_TRUE(game.SwitchTo("gamemenu"));
        EXPECT_TRUE(Turn("1to3")->IsPlaying());
        ASSERT_TRUE(game.RunFrames(10));
        game.Finish();
        EXPECT_EQ(nullptr, CGiantBookUIScreen::GetBook());
        EXPECT_EQ(nullptr, CGiantBookUIScreen::GetPageFrame(0));
        EXPECT_EQ("", CGiantBookUIScreen::GetShownLayout(0));
        EXPECT_EQ(0, CGiantBookUIScreen::GetCurrentPage());
        EXPECT_EQ(std::string::npos, game.Trace().find("still present at shutdown"));
    }
}

} // namespace
