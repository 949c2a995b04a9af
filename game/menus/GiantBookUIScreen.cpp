#include "game/menus/GiantBookUIScreen.h"

#include "foundation/Debug.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace
{

constexpr const char* kBookLayout = "interface>bigbook.xml";

constexpr const char* kBookScreens[] = {"mainmenu", "gamemenu",          "gameresult", "levelselection",
                                        "options",  "languageselection", "freeplay"};

// What every book screen of one run of the window system shares. Windows are kept by handle: a window
// the window system has destroyed resolves to none.
struct BookState
{
    bool made = false; // the book was asked for in this run (loaded or not)
    UILib::Handle book = 0;
    UILib::Handle frames[CGiantBookUIScreen::PageCount] = {};
    std::string shown[CGiantBookUIScreen::PageCount];
    std::int32_t currentPage = 0;
    std::int32_t screens = 0; // book screens alive
};

BookState& Book()
{
    static BookState state;
    return state;
}

UILib::CWindow* Resolve(UILib::Handle handle)
{
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    return handle != 0 && windows != nullptr ? windows->Resolve(handle) : nullptr;
}

bool IsPage(std::int32_t page)
{
    return page >= 0 && page < CGiantBookUIScreen::PageCount;
}

} // namespace

CGiantBookUIScreen::CGiantBookUIScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CQuarrowUIScreen(userInterface, world)
{
    ++Book().screens;
    CreateBook();
}

CGiantBookUIScreen::~CGiantBookUIScreen()
{
    if (--Book().screens == 0)
    {
        // The window system that holds the book shuts down after the screens: the next run builds its own.
        Book() = BookState{};
    }
}

void CGiantBookUIScreen::CreateBook()
{
    BookState& state = Book();
    if (state.made)
    {
        return;
    }
    state.made = true;
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    UILib::CWindow* book = nullptr;
    if (system != nullptr && system->GetWindowFactory() != nullptr && root != nullptr)
    {
        const CFileTranslator* translator = CFileTranslator::GetInstance();
        book = system->GetWindowFactory()->LoadLayout(
            translator != nullptr ? translator->Translate(kBookLayout) : std::string(kBookLayout), root);
    }
    if (book == nullptr)
    {
        BaseLib::DebugOutput(
            "GiantBook: the book \"%s\" could not be loaded; the book screens show no book\n", kBookLayout);
        return;
    }
    state.book = book->GetHandle();
    book->SetVisible(false);
    for (std::int32_t page = 0; page < PageCount; ++page)
    {
        char name[16];
        std::snprintf(name, sizeof name, "frame%d", page + 1);
        UILib::CWindow* frame = book->FindChildByName(BaseLib::CString(name), true);
        if (frame == nullptr)
        {
            BaseLib::DebugOutput("GiantBook: the book \"%s\" has no window \"%s\"; page %d stays empty\n",
                                 kBookLayout, name, page);
            continue;
        }
        state.frames[page] = frame->GetHandle();
    }
}

void CGiantBookUIScreen::OnActivate()
{
    CQuarrowUIScreen::OnActivate();
    SetBookVisible(true);
}

void CGiantBookUIScreen::OnDeactivate()
{
    if (!IsGiantBookScreen(GetOwner() != nullptr ? GetOwner()->GetNextScreenName() : std::string()))
    {
        SetBookVisible(false);
    }
    CQuarrowUIScreen::OnDeactivate();
}

std::int32_t CGiantBookUIScreen::ShowOnPage(std::int32_t page, UILib::CWindow* panel,
                                            const std::string& screenName)
{
    if (!IsPage(page) || panel == nullptr)
    {
        return page;
    }
    BookState& state = Book();
    UILib::CWindow* frame = Resolve(state.frames[page]);
    // A screen that rebuilt its panel shows the new one, though the page still records its name.
    if (frame == nullptr ||
        (state.shown[page] == screenName && panel->GetParentHandle() == frame->GetHandle()))
    {
        return page;
    }
    panel->RemoveFromParent();
    while (frame->GetChildCount() > 0)
    {
        frame->RemoveChild(frame->GetChildHandle(0));
    }
    frame->AddChild(panel->GetHandle());
    state.shown[page] = screenName;
    return page;
}

void CGiantBookUIScreen::TurnToPage(std::int32_t page, bool animate)
{
    BookState& state = Book();
    if (!IsPage(page))
    {
        BaseLib::DebugOutput("GiantBook: there is no page %d; the book stays at page %d\n", page,
                             state.currentPage);
        return;
    }
    if (page == state.currentPage)
    {
        return;
    }
    const std::int32_t lower = std::min(state.currentPage, page);
    const std::int32_t higher = std::max(state.currentPage, page);
    const bool backward = state.currentPage > page;
    state.currentPage = page;
    UILib::CWindow* book = Resolve(state.book);
    if (book == nullptr)
    {
        return;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%dto%d", lower + 1, higher + 1);
    if (animate)
    {
        book->PlayAnimation(name, true, 1.0f, backward);
    }
    else
    {
        // The animation clamps the largest time to its length.
        book->SetAnimationTime(name, backward ? 0.0f : std::numeric_limits<float>::max(), true);
    }
}

bool CGiantBookUIScreen::IsGiantBookScreen(const std::string& name)
{
    return std::find(std::begin(kBookScreens), std::end(kBookScreens), name) != std::end(kBookScreens);
}

UILib::CWindow* CGiantBookUIScreen::GetBook()
{
    return Resolve(Book().book);
}

UILib::CWindow* CGiantBookUIScreen::GetPageFrame(std::int32_t page)
{
    return IsPage(page) ? Resolve(Book().frames[page]) : nullptr;
}

const std::string& CGiantBookUIScreen::GetShownLayout(std::int32_t page)
{
    static const std::string none;
    return IsPage(page) ? Book().shown[page] : none;
}

std::int32_t CGiantBookUIScreen::GetCurrentPage()
{
    return Book().currentPage;
}

void CGiantBookUIScreen::SetBookVisible(bool visible)
{
    if (UILib::CWindow* book = GetBook())
    {
        book->SetVisible(visible);
    }
}
