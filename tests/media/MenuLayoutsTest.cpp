// The book and the layouts of the menu pages and the profile page: every window the screens look up is
// there with its class, each page turn shows exactly one page at any time, every picture and font they
// name loads, their texts are shown as written, a page's pictures stay within its memory budget, the
// logos are the screen's size, and each page drawn on the book is written for a person to look at.
#include "platform/os/DebugOutput.h"
#include "tests/media/WindowSystemFixture.h"
#include "ui/Bitmap.h"
#include "ui/FontFactory.h"
#include "ui/WindowFactory.h"
#include "ui/controls/Label.h"
#include "ui/controls/ToggleButton.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UILib::CBitmap;
using UILib::CWindow;

constexpr int kScreenWidth = MediaTesting::ScreenWidth;
constexpr int kScreenHeight = MediaTesting::ScreenHeight;

struct Expected
{
    std::string name;
    const char* className; // "" for any class
};

struct PageLayout
{
    const char* file;  // below media/interface
    const char* shot;  // the picture's name
    int page;          // the book page (0 to 3) the screen puts it on; -1 for a screen of its own
    std::vector<Expected> windows;
};

std::vector<Expected> Numbered(const char* format, int count, const char* className)
{
    std::vector<Expected> names;
    for (int i = 1; i <= count; ++i)
    {
        char name[64];
        std::snprintf(name, sizeof name, format, i);
        names.push_back({name, className});
    }
    return names;
}

std::vector<Expected> Joined(std::initializer_list<std::vector<Expected>> lists)
{
    std::vector<Expected> all;
    for (const auto& list : lists)
    {
        all.insert(all.end(), list.begin(), list.end());
    }
    return all;
}

const std::vector<PageLayout>& Pages()
{
    static const std::vector<PageLayout> pages = {
        {"mainmenuscreen.xml",
         "mainmenu",
         0,
         {{"playbutton", "CButton"}, {"optionsbutton", "CButton"}, {"savegamebutton", "CButton"},
          {"quitbutton", "CButton"}}},
        {"gamemenuscreen.xml",
         "gamemenu",
         2,
         {{"adventurebutton", "CButton"}, {"freeplaybutton", "CButton"}, {"treasurebutton", "CButton"},
          {"backbutton", "CButton"}}},
        {"freeplaymenuscreen.xml",
         "freeplay",
         3,
         {{"basicbutton", "CButton"}, {"junglebutton", "CButton"}, {"swampbutton", "CButton"},
          {"cavebutton", "CButton"}, {"templebutton", "CButton"}, {"backbutton", "CButton"},
          {"jungle_hidden", ""}, {"swamp_hidden", ""}, {"cave_hidden", ""}, {"temple_hidden", ""}}},
        {"levelselectscreen.xml",
         "levelselection",
         1,
         Joined({{{"backbutton", "CButton"}, {"upbutton", "CButton"}, {"downbutton", "CButton"},
                  {"levelrangelabel", "CLabel"}, {"bestmoveslabel", "CLabel"}, {"besttimelabel", "CLabel"}},
                 Numbered("levelnumberbutton%d", 20, "CButton"), Numbered("starslabel%d", 20, "CLabel")})},
        {"gameresultscreen.xml",
         "gameresult",
         3,
         Joined({{{"continuebutton", "CButton"}, {"retrybutton", "CButton"}, {"backtomenubutton", "CButton"},
                  {"nextbutton", "CButton"}, {"levellabel", "CLabel"}, {"moveslabel", "CLabel"},
                  {"bestmoveslabel", "CLabel"}, {"timelabel", "CLabel"}, {"besttimelabel", "CLabel"},
                  {"3goldmoveslabel", "CLabel"}, {"2goldmoveslabel", "CLabel"}, {"1goldmoveslabel", "CLabel"}},
                 Numbered("goldlabel%d", 3, "CLabel")})},
        {"optionsscreen.xml",
         "options",
         1,
         {{"backbutton", "CButton"}, {"musicbutton", "CButton"}, {"freecamerabutton", "CButton"},
          {"musiccheck", ""}, {"freecameracheck", ""}}},
        {"languageselectionscreen.xml",
         "languageselection",
         1,
         {{"englishbutton", "CButton"}, {"germanbutton", "CButton"}, {"frenchbutton", "CButton"},
          {"spanishbutton", "CButton"}, {"italianbutton", "CButton"}}},
        {"filemenuscreen.xml",
         "filemenuscreen",
         -1,
         Joined({Numbered("profile%d", 7, "CToggleButton"), Numbered("profile%d_flag", 7, "CLabel"),
                 Numbered("profile%d_coin", 7, "CLabel"), Numbered("profile%d_goldlabel", 7, "CLabel"),
                 {{"newbutton", "CButton"}, {"copybutton", "CButton"}, {"deletebutton", "CButton"},
                  {"renamebutton", "CButton"}, {"backbutton", "CButton"}, {"confirmdialog", ""},
                  {"darkeningpanel", ""}, {"yesbutton", "CButton"}, {"nobutton", "CButton"}}})},
    };
    return pages;
}

const char* const kTurns[] = {"1to2", "1to3", "1to4", "2to3", "2to4", "3to4"};

class MenuLayoutsTest : public MediaTesting::WindowSystemFixture
{
protected:
    // The game looks pictures up in the interface folder after the theme's, as here.
    void SetUp() override
    {
        MediaTesting::WindowSystemFixture::SetUp();
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>").c_str());
    }

    // Reads the layout into the parent (the root when none); fails with the trace when it does not
    // load or traces anything.
    ::testing::AssertionResult Load(const std::string& file, CWindow* parent = nullptr,
                                    std::vector<CWindow*>* windows = nullptr)
    {
        Platform::DebugOutputCapture capture;
        std::vector<CWindow*> built;
        const bool loaded =
            system->GetWindowFactory()->LoadLayoutWindows("interface>" + file, parent != nullptr ? parent : root, &built);
        if (windows != nullptr)
        {
            *windows = built;
        }
        if (!loaded || built.empty() || !capture.Text().empty())
        {
            return ::testing::AssertionFailure() << file << (loaded ? " traces: " : " does not load: ")
                                                 << capture.Text();
        }
        return ::testing::AssertionSuccess();
    }

    CWindow* Find(const std::string& name, const char* className = nullptr, CWindow* within = nullptr)
    {
        Platform::DebugOutputCapture quiet; // a miss traces; the caller reports it
        return (within != nullptr ? within : root)
            ->FindChildByName(name.c_str(), true, className != nullptr && className[0] != '\0' ? className : nullptr);
    }

    // The window and every window below it, depth first.
    void Visit(CWindow* window, const std::function<void(CWindow&)>& visit)
    {
        visit(*window);
        for (std::int32_t i = 0; i < window->GetChildCount(); ++i)
        {
            if (CWindow* child = manager->Resolve(window->GetChildHandle(i)))
            {
                Visit(child, visit);
            }
        }
    }

    // Each property of the window: display name and text form.
    static std::vector<std::pair<std::string, std::string>> Properties(CWindow& window)
    {
        UILib::CPropertyList list;
        window.GetProperties(list);
        std::vector<std::pair<std::string, std::string>> properties;
        for (const BaseLib::CGenericProperty& property : list)
        {
            std::string text;
            property.GetAsString(text);
            properties.emplace_back(property.GetDescription()->GetName(), text);
        }
        return properties;
    }

    static bool IsBitmapProperty(const std::string& name)
    {
        return name.rfind("Bitmap", 0) == 0 && name != "Bitmap-based hit testing";
    }

    // The frames that show now.
    std::vector<int> VisibleFrames()
    {
        std::vector<int> shown;
        for (int frame = 1; frame <= 4; ++frame)
        {
            CWindow* window = Find("frame" + std::to_string(frame));
            if (window != nullptr && window->IsVisible())
            {
                shown.push_back(frame);
            }
        }
        return shown;
    }

    static CRect ScreenRect(const CWindow& window)
    {
        const CPoint at = window.GetScreenPosition();
        return CRect(at.x, at.y, at.x + window.GetSize().cx, at.y + window.GetSize().cy);
    }

    // The page layout in a clear panel the size of the screen, as the book screens build it, put into
    // its page's frame of the loaded book.
    CWindow* PutOnPage(const PageLayout& layout)
    {
        auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
        panel->SetColor(CColor(0, 0, 0, 0));
        panel->SetPosition(0, 0);
        panel->SetSize(kScreenWidth, kScreenHeight);
        EXPECT_TRUE(Load(layout.file, panel));
        CWindow* frame = Find("frame" + std::to_string(layout.page + 1));
        EXPECT_NE(nullptr, frame);
        if (frame != nullptr)
        {
            while (frame->GetChildCount() > 0)
            {
                manager->Resolve(frame->GetChildHandle(0))->Delete();
            }
            frame->AddChild(panel->GetHandle());
        }
        return panel;
    }
};

TEST_F(MenuLayoutsTest, EveryLayoutHoldsTheWindowsTheScreensLookUpWithTheirClasses)
{
    for (const PageLayout& layout : Pages())
    {
        SCOPED_TRACE(layout.file);
        std::vector<CWindow*> windows;
        ASSERT_TRUE(Load(layout.file, nullptr, &windows));
        EXPECT_EQ(1u, windows.size()) << "the screens take the first window";
        // A page panel is the size of the screen, at the top left of its frame.
        EXPECT_EQ(CRect(0, 0, kScreenWidth, kScreenHeight), ScreenRect(*windows[0]));
        for (const Expected& expected : layout.windows)
        {
            CWindow* window = Find(expected.name, expected.className);
            ASSERT_NE(nullptr, window) << expected.name << " as " << expected.className;
            const CRect rect = ScreenRect(*window);
            EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= kScreenWidth && rect.bottom <= kScreenHeight)
                << expected.name << " lies off the screen";
        }
        for (CWindow* window : windows)
        {
            window->Delete();
        }
    }
}

// What the screens rely on beyond names: where windows lie relative to each other.
TEST_F(MenuLayoutsTest, WindowsThatStandInForEachOtherShareTheirPlace)
{
    ASSERT_TRUE(Load("freeplaymenuscreen.xml"));
    for (const char* region : {"jungle", "swamp", "cave", "temple"})
    {
        EXPECT_EQ(ScreenRect(*Find(std::string(region) + "button")), ScreenRect(*Find(std::string(region) + "_hidden")))
            << region;
        EXPECT_FALSE(Find(std::string(region) + "_hidden")->IsVisible()) << "until the screen finds the region shut";
    }

    ASSERT_TRUE(Load("levelselectscreen.xml"));
    std::set<int> rows;
    std::set<int> columns;
    const CBitmap gold("menu_levelselect_gold3.png");
    for (int slot = 1; slot <= 20; ++slot)
    {
        CWindow* button = Find("levelnumberbutton" + std::to_string(slot), "CButton");
        ASSERT_NE(nullptr, button);
        rows.insert(ScreenRect(*button).top);
        columns.insert(ScreenRect(*button).left);
        EXPECT_NE(nullptr, button->FindChildByName("numberlabel", false, "CLabel")) << slot;
        EXPECT_EQ(gold.GetSize(), Find("starslabel" + std::to_string(slot))->GetSize()) << slot;
    }
    EXPECT_EQ(4u, rows.size());
    EXPECT_EQ(5u, columns.size());
    for (int rating = 1; rating <= 3; ++rating)
    {
        EXPECT_EQ(gold.GetSize(), CBitmap(("menu_levelselect_gold" + std::to_string(rating) + ".png").c_str()).GetSize());
    }

    ASSERT_TRUE(Load("gameresultscreen.xml"));
    EXPECT_EQ(ScreenRect(*Find("continuebutton")), ScreenRect(*Find("nextbutton")));

    ASSERT_TRUE(Load("optionsscreen.xml"));
    for (const char* option : {"music", "freecamera"})
    {
        const CRect button = ScreenRect(*Find(std::string(option) + "button"));
        const CRect check = ScreenRect(*Find(std::string(option) + "check"));
        EXPECT_TRUE(check.top >= button.top && check.bottom <= button.bottom && check.left >= button.right) << option;
    }

    ASSERT_TRUE(Load("filemenuscreen.xml"));
    for (int slot = 1; slot <= 7; ++slot)
    {
        CWindow* toggle = Find("profile" + std::to_string(slot), "CToggleButton");
        ASSERT_NE(nullptr, toggle);
        EXPECT_NE(nullptr, toggle->FindChildByName("label", false, "CLabel")) << slot;
    }
    CWindow* dialog = Find("confirmdialog");
    EXPECT_NE(nullptr, Find("yesbutton", "CButton", dialog));
    EXPECT_NE(nullptr, Find("nobutton", "CButton", dialog));
}

TEST_F(MenuLayoutsTest, TheConfirmationAndItsDarkeningAreHiddenAfterLoading)
{
    ASSERT_TRUE(Load("filemenuscreen.xml"));
    EXPECT_FALSE(Find("confirmdialog")->IsVisible());
    CWindow* darkening = Find("darkeningpanel", "CPanel");
    ASSERT_NE(nullptr, darkening);
    EXPECT_FALSE(darkening->IsVisible());
    const CColor colour = static_cast<UILib::CPanel*>(darkening)->GetColor();
    EXPECT_GT(colour.GetAlpha(), 60) << "it darkens";
    EXPECT_LT(colour.GetAlpha(), 230) << "the page stays seen through it";
    EXPECT_LT(colour.GetRed() + colour.GetGreen() + colour.GetBlue(), 120);
}

TEST_F(MenuLayoutsTest, TheBookHoldsFourRootSizedFramesAndStartsOnTheFirst)
{
    std::vector<CWindow*> windows;
    ASSERT_TRUE(Load("bigbook.xml", nullptr, &windows));
    ASSERT_EQ(1u, windows.size());
    for (int frame = 1; frame <= 4; ++frame)
    {
        CWindow* window = Find("frame" + std::to_string(frame));
        ASSERT_NE(nullptr, window);
        EXPECT_TRUE(window->IsDescendantOf(windows[0]->GetHandle()));
        EXPECT_EQ(CRect(0, 0, kScreenWidth, kScreenHeight), ScreenRect(*window));
    }
    EXPECT_EQ(std::vector<int>{1}, VisibleFrames()) << "the book opens at the main menu's page without a turn";
}

// TurnToPage jumps to any page by setting one turn's time: the turn's start must show its first page,
// its end its second, and no time between may show two pages or none.
TEST_F(MenuLayoutsTest, EachPageTurnShowsExactlyOnePageAtEveryTime)
{
    std::vector<CWindow*> windows;
    ASSERT_TRUE(Load("bigbook.xml", nullptr, &windows));
    CWindow* book = windows[0];
    double clock = 0.0;
    CWindow* leaf = Find("leaf");
    ASSERT_NE(nullptr, leaf);
    for (const char* turn : kTurns)
    {
        SCOPED_TRACE(turn);
        const int from = turn[0] - '0';
        const int to = turn[3] - '0';
        const UILib::CWindowAnimationSet* animations = leaf->GetAnimations();
        ASSERT_NE(nullptr, animations);
        ASSERT_NE(nullptr, animations->FindAnimation(turn));
        const float length = animations->FindAnimation(turn)->GetLength();
        EXPECT_GE(length, 0.5f);
        EXPECT_LE(length, 1.0f);

        book->SetAnimationTime(turn, 0.0f, true);
        EXPECT_EQ(std::vector<int>{from}, VisibleFrames()) << "at the start";
        EXPECT_FALSE(leaf->IsVisible()) << "the start shows the page untouched";
        book->SetAnimationTime(turn, std::numeric_limits<float>::max(), true);
        EXPECT_EQ(std::vector<int>{to}, VisibleFrames()) << "at the end";
        EXPECT_FALSE(leaf->IsVisible()) << "the end shows the page untouched";
        bool leafSeen = false;
        for (float time = 0.0f; time <= length; time += 0.01f)
        {
            book->SetAnimationTime(turn, time, true);
            const std::vector<int> shown = VisibleFrames();
            ASSERT_EQ(1u, shown.size()) << "at " << time;
            EXPECT_TRUE(shown[0] == from || shown[0] == to) << "at " << time;
            leafSeen = leafSeen || leaf->IsVisible();
        }
        EXPECT_TRUE(leafSeen) << "a leaf turns";
        // Played in reverse, the turn ends on its first page.
        book->PlayAnimation(turn, true, 1.0f, true);
        for (int frame = 0; frame < 60; ++frame)
        {
            clock += 1.0 / 30.0;
            UILib::SetTimeOverride(clock);
            manager->Update();
            ASSERT_EQ(1u, VisibleFrames().size());
        }
        EXPECT_FALSE(book->IsAnyAnimationPlaying(true));
        EXPECT_EQ(std::vector<int>{from}, VisibleFrames()) << "after playing backwards";
    }
}

// Every picture a property names loads (no placeholder), every font description makes a font, no text
// is a localizer key, the book and the profile page hold no words, and each page with the book stays
// within 8 MiB of 32-bit pixels (own canvases included).
TEST_F(MenuLayoutsTest, PicturesFontsAndTextsLoadAndEachPageStaysWithinItsMemory)
{
    std::map<std::string, std::set<std::string>> bitmapsOf; // file -> the picture files it names
    std::map<std::string, std::int64_t> canvasBytesOf;      // file -> bytes of its own canvases
    std::vector<std::string> files = {"bigbook.xml"};
    for (const PageLayout& layout : Pages())
    {
        files.push_back(layout.file);
    }
    for (const std::string& file : files)
    {
        SCOPED_TRACE(file);
        std::vector<CWindow*> windows;
        ASSERT_TRUE(Load(file, nullptr, &windows));
        const bool wordless = file == "bigbook.xml" || file == "filemenuscreen.xml";
        for (CWindow* top : windows)
        {
            Visit(top, [&](CWindow& window) {
                if (window.HasOwnCanvas())
                {
                    canvasBytesOf[file] += std::int64_t{4} * window.GetSize().cx * window.GetSize().cy;
                }
                for (const auto& [name, value] : Properties(window))
                {
                    if (IsBitmapProperty(name) && !value.empty())
                    {
                        bitmapsOf[file].insert(value);
                    }
                    if (name == "Font" && !value.empty())
                    {
                        Platform::DebugOutputCapture capture;
                        EXPECT_TRUE(UILib::LoadFontDescription(system->GetFontFactory(), value.c_str()))
                            << value << " " << capture.Text();
                    }
                }
                if (std::string(window.GetClassName()) == "CLabel")
                {
                    const std::string text = static_cast<const char*>(static_cast<UILib::CLabel&>(window).GetText());
                    EXPECT_FALSE(!text.empty() && text[0] == '@') << text << " would show as a key";
                    if (wordless)
                    {
                        EXPECT_TRUE(std::none_of(text.begin(), text.end(), [](char c) {
                            return std::isalpha(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80;
                        })) << "\"" << text << "\" in " << static_cast<const char*>(window.GetName());
                    }
                }
            });
        }
        for (CWindow* window : windows)
        {
            window->Delete();
        }
    }

    std::map<std::string, std::int64_t> bytesOfPicture;
    for (const auto& [file, bitmaps] : bitmapsOf)
    {
        for (const std::string& bitmap : bitmaps)
        {
            const UILib::CBitmap loaded(bitmap.c_str());
            ASSERT_TRUE(loaded.IsValid()) << bitmap << " in " << file;
            EXPECT_FALSE(loaded.IsPlaceholder()) << bitmap << " in " << file << " does not load";
            bytesOfPicture[bitmap] = std::int64_t{4} * loaded.GetPixelCount();
        }
    }
    for (const PageLayout& layout : Pages())
    {
        // A shared picture (the book) counts once: the factory keeps one bitmap per file.
        std::set<std::string> shared = bitmapsOf[layout.file];
        std::int64_t bytes = canvasBytesOf[layout.file];
        if (layout.page >= 0)
        {
            shared.insert(bitmapsOf["bigbook.xml"].begin(), bitmapsOf["bigbook.xml"].end());
            bytes += canvasBytesOf["bigbook.xml"];
        }
        for (const std::string& bitmap : shared)
        {
            bytes += bytesOfPicture[bitmap];
        }
        EXPECT_LT(bytes, 8 * 1024 * 1024) << layout.file << " with the book";
    }
}

TEST_F(MenuLayoutsTest, TheLogosFillTheScreenAndTheGermanOneSaysItsOwnWord)
{
    for (const char* logo : {"logo_harwen.png", "logo_brimmel.png", "logo_tolvey.png", "logo_ombrel_english.png",
                             "logo_ombrel_german.png"})
    {
        const UILib::CBitmap bitmap(logo);
        ASSERT_TRUE(bitmap.IsValid()) << logo;
        EXPECT_FALSE(bitmap.IsPlaceholder()) << logo;
        EXPECT_EQ(BaseLib::CSize(kScreenWidth, kScreenHeight), bitmap.GetSize()) << logo;
    }
    const UILib::CBitmap english("logo_ombrel_english.png");
    const UILib::CBitmap german("logo_ombrel_german.png");
    int different = 0;
    int differentAboveTheWord = 0;
    for (int y = 0; y < kScreenHeight; ++y)
    {
        for (int x = 0; x < kScreenWidth; ++x)
        {
            const std::size_t at = static_cast<std::size_t>(y) * kScreenWidth + x;
            if (english.GetPixels()[at] != german.GetPixels()[at])
            {
                ++different;
                differentAboveTheWord += y < 540 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(different, 1000) << "the word differs";
    EXPECT_EQ(0, differentAboveTheWord) << "the mark and the name are the same";
}

// Each page drawn on the book as the book screens show it (through a clear panel in its frame), written
// as menu_<screen>.png; the profile page with three profiles, alone and with its confirmation; the book
// half-way through the turn from the main menu to the game menu.
TEST_F(MenuLayoutsTest, EachPageDrawnOnTheBook)
{
    const fs::path output = QUARROW_TEST_OUTPUT_DIR;
    fs::create_directories(output);
    UiTestSupport::CSoftwarePresenter presenter(kScreenWidth, kScreenHeight, MediaTesting::ScreenGrey);
    const auto draw = [&] {
        manager->Update();
        root->Invalidate(true);
        manager->PaintLayers();
        presenter.Clear();
        manager->CompositeLayers(-1);
    };
    const UILib::CBitmap book("menu_book.png");
    ASSERT_EQ(BaseLib::CSize(kScreenWidth, kScreenHeight), book.GetSize());
    const auto bookPixel = [&](int x, int y) { return book.GetPixels()[static_cast<std::size_t>(y) * kScreenWidth + x]; };
    const auto near = [](const CColor& a, const CColor& b) {
        return std::abs(a.GetRed() - b.GetRed()) <= 3 && std::abs(a.GetGreen() - b.GetGreen()) <= 3 &&
               std::abs(a.GetBlue() - b.GetBlue()) <= 3;
    };
    // Where a window of the page lies on the screen, the book's picture is covered somewhere.
    const auto drawsOverTheBook = [&](const CWindow& window) {
        const CRect rect = ScreenRect(window);
        for (int y = rect.top; y < rect.bottom; y += 2)
        {
            for (int x = rect.left; x < rect.right; x += 2)
            {
                if (!near(presenter.GetPixel(x, y), bookPixel(x, y)))
                {
                    return true;
                }
            }
        }
        return false;
    };
    // Points no page uses: the cover, the spine and the bottom corners of both pages.
    const CPoint bare[] = {{30, 384}, {512, 400}, {110, 700}, {900, 700}, {512, 30}};

    std::vector<CWindow*> bookWindows;
    ASSERT_TRUE(Load("bigbook.xml", nullptr, &bookWindows));
    CWindow* bookWindow = bookWindows[0];
    for (const PageLayout& layout : Pages())
    {
        if (layout.page < 0)
        {
            continue;
        }
        SCOPED_TRACE(layout.file);
        CWindow* panel = PutOnPage(layout);
        // The book turned to the page as TurnToPage does without animation.
        if (layout.page > 0)
        {
            bookWindow->SetAnimationTime("1to" + std::to_string(layout.page + 1), std::numeric_limits<float>::max(),
                                         true);
        }
        else
        {
            bookWindow->SetAnimationTime("1to2", 0.0f, true);
        }
        draw();
        EXPECT_TRUE(presenter.WritePng((output / ("menu_" + std::string(layout.shot) + ".png")).string()));
        for (const CPoint& point : bare)
        {
            EXPECT_TRUE(near(bookPixel(point.x, point.y), presenter.GetPixel(point.x, point.y)))
                << "the book shows at " << point.x << ", " << point.y;
        }
        for (const Expected& expected : layout.windows)
        {
            CWindow* window = Find(expected.name, expected.className, panel);
            ASSERT_NE(nullptr, window);
            if (window->IsVisible() && std::string(window->GetClassName()) == "CButton")
            {
                EXPECT_TRUE(drawsOverTheBook(*window)) << expected.name << " is not drawn";
            }
        }
    }

    // The book half-way into the first half of the turn from the main menu (frame 1) to the game menu
    // (frame 3): the main menu's left page still shows, the right page is hidden under the leaf.
    {
        PutOnPage(Pages()[0]);
        PutOnPage(Pages()[1]);
        bookWindow->SetAnimationTime("1to3", 0.2f, true);
        draw();
        EXPECT_TRUE(presenter.WritePng((output / "menu_turn_1to3.png").string()));
        EXPECT_EQ(std::vector<int>{1}, VisibleFrames());
        CWindow* leaf = Find("leaf");
        ASSERT_TRUE(leaf->IsVisible());
        const CRect rect = ScreenRect(*leaf);
        EXPECT_GT(rect.right - rect.left, 10);
        EXPECT_LT(rect.right - rect.left, 430);
        // The leaf and the blank page under it cover the main menu's buttons on the right page.
        const CColor leafColour = static_cast<UILib::CPanel*>(leaf)->GetColor();
        const CColor blankColour = static_cast<UILib::CPanel*>(Find("blankpage"))->GetColor();
        EXPECT_TRUE(near(leafColour, presenter.GetPixel((rect.left + rect.right) / 2, 400)));
        for (const char* button : {"playbutton", "quitbutton"})
        {
            const CRect covered = ScreenRect(*Find(button));
            const CColor middle = presenter.GetPixel((covered.left + covered.right) / 2, (covered.top + covered.bottom) / 2);
            EXPECT_TRUE(near(middle, leafColour) || near(middle, blankColour)) << button;
        }
        bookWindow->SetAnimationTime("1to3", 0.0f, true);
    }
    bookWindow->Delete();

    // The profile page with three profiles, the first of them current, as the screen shows it.
    std::vector<CWindow*> windows;
    ASSERT_TRUE(Load("filemenuscreen.xml", nullptr, &windows));
    const char* names[] = {"Ada", "Brökke", "Çelik"};
    for (int slot = 1; slot <= 7; ++slot)
    {
        const std::string profile = "profile" + std::to_string(slot);
        const bool used = slot <= 3;
        auto* toggle = static_cast<UILib::CToggleButton*>(Find(profile, "CToggleButton"));
        toggle->SetVisible(used);
        toggle->SetState(slot == 1);
        if (used)
        {
            static_cast<UILib::CLabel*>(toggle->FindChildByName("label", false, "CLabel"))->SetText(names[slot - 1]);
            static_cast<UILib::CLabel*>(Find(profile + "_goldlabel", "CLabel"))
                ->SetText(std::to_string(slot * 17).c_str());
        }
        Find(profile + "_coin")->SetVisible(used);
        Find(profile + "_goldlabel")->SetVisible(used);
        Find(profile + "_flag")->SetVisible(slot == 1);
    }
    draw();
    EXPECT_TRUE(presenter.WritePng((output / "menu_filemenuscreen.png").string()));
    for (const char* button : {"profile1", "profile3", "newbutton", "backbutton"})
    {
        EXPECT_TRUE(drawsOverTheBook(*Find(button))) << button;
    }
    EXPECT_FALSE(drawsOverTheBook(*Find("profile5"))) << "a free slot shows nothing";
    const CPoint page(700, 500);
    const CColor before = presenter.GetPixel(page.x, page.y);
    EXPECT_TRUE(near(bookPixel(page.x, page.y), before));

    Find("darkeningpanel")->SetVisible(true);
    Find("confirmdialog")->SetVisible(true);
    draw();
    EXPECT_TRUE(presenter.WritePng((output / "menu_filemenuscreen_confirm.png").string()));
    const CColor darkened = presenter.GetPixel(page.x, page.y);
    EXPECT_LT(darkened.GetRed(), before.GetRed() * 3 / 4) << "the page darkens behind the confirmation";
    EXPECT_GT(darkened.GetRed(), 10) << "and stays seen";
    EXPECT_TRUE(drawsOverTheBook(*Find("yesbutton")));
}

} // namespace
