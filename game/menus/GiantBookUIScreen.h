#pragma once

#include "game/QuarrowUIScreen.h"

#include <cstdint>
#include <string>

namespace UILib
{
class CWindow;
}

// The base of the menu screens that are pages of one animated book. The book window, its four page
// frames with the name of the screen each page shows, and the page the book is open at are shared by
// every book screen of one run of the window system: the first book screen constructed loads the book,
// the last one destroyed forgets it (the window itself belongs to the window system). A screen puts its
// own layout panel on its page (ShowOnPage) and turns the book there (TurnToPage), animated when the
// player comes from another book screen. Without a book, or without a page's frame, the page numbers are
// still kept but nothing is shown or turned. Main thread only.
class CGiantBookUIScreen : public CQuarrowUIScreen
{
public:
    // The pages of the book screens.
    static constexpr std::int32_t PageMainMenu = 0;
    static constexpr std::int32_t PageOptions = 1;
    static constexpr std::int32_t PageLanguageSelection = 1;
    static constexpr std::int32_t PageLevelSelection = 1;
    static constexpr std::int32_t PageGameMenu = 2;
    static constexpr std::int32_t PageFreePlay = 3;
    static constexpr std::int32_t PageGameResult = 3;
    static constexpr std::int32_t PageCount = 4;

    // The screen base, then the book when none exists yet.
    CGiantBookUIScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The menu music, then the book shown.
    void OnActivate() override;
    // The book hidden unless the next screen is a book screen, then the menu music's rule.
    void OnDeactivate() override;

    // Puts panel on the page's frame as its only child (the frame's other children are removed, not
    // destroyed) and records screenName for the page; nothing changes when the page already shows
    // screenName with this very panel, or without the page's frame, a panel or a page 0 to 3. Answers page.
    std::int32_t ShowOnPage(std::int32_t page, UILib::CWindow* panel, const std::string& screenName);
    // Opens the book at page: nothing when it is open there; else the turn "<lower + 1>to<higher + 1>"
    // plays on the book and its descendants (backward when turning back), or without animate stands at
    // once at its start (backward) or end. A page outside 0 to 3 is refused with a trace.
    void TurnToPage(std::int32_t page, bool animate);

    // Exactly "mainmenu", "gamemenu", "gameresult", "levelselection", "options", "languageselection" and
    // "freeplay".
    static bool IsGiantBookScreen(const std::string& name);

    // The shared state: the book and page frames (null when missing or gone), the name each page shows,
    // the page the book is open at.
    static UILib::CWindow* GetBook();
    static UILib::CWindow* GetPageFrame(std::int32_t page);
    static const std::string& GetShownLayout(std::int32_t page);
    static std::int32_t GetCurrentPage();

protected:
    // Forgets the shared state when the last book screen goes; the book window stays.
    ~CGiantBookUIScreen() override;

    // Loads "interface>bigbook.xml" into layer 0's root, hidden, and finds "frame1" to "frame4" among
    // its descendants; nothing when the book exists. A missing book or frame is traced once.
    void CreateBook();

private:
    static void SetBookVisible(bool visible);
};
