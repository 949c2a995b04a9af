// The interface layouts of the puzzle screens: every window the screens look up is there with its class,
// the in-game menu slides in and out of sight, the boards fit the 2D screen, the translated copies are
// found, a damaged layout is refused, and each layout drawn over a grey screen is written for a person
// to look at.
#include "game/FileTranslator.h"
#include "platform/os/DebugOutput.h"
#include "tests/media/WindowSystemFixture.h"
#include "ui/WindowFactory.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

namespace
{

namespace fs = std::filesystem;
using BaseLib::CColor;
using BaseLib::CRect;

const fs::path kInterface = fs::path(QUARROW_MEDIA_DIR) / "interface";
constexpr int kScreenWidth = MediaTesting::ScreenWidth;
constexpr int kScreenHeight = MediaTesting::ScreenHeight;
const CColor kGrey = MediaTesting::ScreenGrey;

struct Expected
{
    const char* name;
    const char* className; // "" for a plain window, looked up without a class check
};

struct LayoutCase
{
    const char* file; // below media/interface
    std::vector<Expected> windows;
    int topLevelWindows; // 0: any number
};

const std::vector<Expected> kHud = {{"playingfield", ""},      {"levelnumberlabel", "CLabel"},
                                    {"moveslabel", "CLabel"},  {"timelabel", "CLabel"},
                                    {"menubutton", "CButton"}, {"undobutton", "CButton"},
                                    {"redobutton", "CButton"}};
const std::vector<Expected> kMenu = {{"ingamemenu", ""},
                                     {"resetbutton", "CButton"},
                                     {"closemenubutton", "CButton"},
                                     {"quitbutton", "CButton"}};

const std::vector<LayoutCase>& Layouts()
{
    static const std::vector<LayoutCase> layouts = {
        {"ingamescreen.xml", kHud, 0},
        {"ingamescreen3d.xml", kHud, 0},
        {"german/ingamescreen3d.xml", kHud, 0},
        {"ingamescreen_menu.xml", kMenu, 0},
        {"german/ingamescreen_menu.xml", kMenu, 0},
        {"ingamescreen_cutscenewindow.xml",
         {{"cutscenewindow", ""},
          {"cutscenecanvas", ""},
          {"continuebutton", "CButton"},
          {"skipbutton", "CButton"}},
         0},
        {"solver.xml",
         {{"movelabel", "CLabel"},
          {"openlabel", "CLabel"},
          {"closedlabel", "CLabel"},
          {"totallabel", "CLabel"},
          {"statesleftuntilnextmove", "CLabel"},
          {"timelabel", "CLabel"},
          {"resultlabel", "CLabel"},
          {"statesleftprogressbar", "CProgressBar"},
          {"okbutton", "CButton"}},
         1},
        {"refiner.xml",
         {{"openlabel", "CLabel"},
          {"closedlabel", "CLabel"},
          {"originallabel", "CLabel"},
          {"highestlabel", "CLabel"},
          {"resultlabel", "CLabel"},
          {"okbutton", "CButton"}},
         1},
    };
    return layouts;
}

// The window system with the layouts read into its grey screen-sized root.
class InterfaceLayoutsTest : public MediaTesting::WindowSystemFixture
{
protected:
    // Reads the layout into the root; false (with the trace) when it does not load or traces anything.
    ::testing::AssertionResult Load(const std::string& file, std::vector<UILib::CWindow*>* windows = nullptr)
    {
        Platform::DebugOutputCapture capture;
        const bool loaded = system->GetWindowFactory()->LoadLayoutWindows("interface>" + file, root, windows);
        if (!loaded || !capture.Text().empty())
        {
            return ::testing::AssertionFailure()
                   << file << (loaded ? " traces: " : " does not load: ") << capture.Text();
        }
        return ::testing::AssertionSuccess();
    }

    // Every window below `window`, depth first.
    void Visit(UILib::CWindow* window, const std::function<void(UILib::CWindow&)>& visit)
    {
        for (std::int32_t i = 0; i < window->GetChildCount(); ++i)
        {
            if (UILib::CWindow* child = manager->Resolve(window->GetChildHandle(i)))
            {
                visit(*child);
                Visit(child, visit);
            }
        }
    }

    UILib::CWindow* Find(const char* name, const char* className = nullptr)
    {
        return root->FindChildByName(name, true, className);
    }

    // Runs the window-system clock on by `seconds` in frames of a sixtieth; the clock never goes back.
    void RunFrames(double seconds)
    {
        const double end = clock + seconds;
        while (clock + 1.0 / 60.0 < end)
        {
            clock += 1.0 / 60.0;
            UILib::SetTimeOverride(clock);
            manager->Update();
        }
        clock = end;
        UILib::SetTimeOverride(clock);
        manager->Update();
    }

    static CRect ScreenRect(const UILib::CWindow& window)
    {
        const BaseLib::CPoint at = window.GetScreenPosition();
        const BaseLib::CSize size = window.GetSize();
        return CRect(at.x, at.y, at.x + size.cx, at.y + size.cy);
    }

    // Within the screen, the root's current size.
    bool InsideScreen(const CRect& rect) const
    {
        const BaseLib::CSize screen = root->GetSize();
        return rect.left >= 0 && rect.top >= 0 && rect.right <= screen.cx && rect.bottom <= screen.cy;
    }

    bool OutOfSight(const UILib::CWindow& window) const
    {
        const BaseLib::CSize screen = root->GetSize();
        const CRect rect = ScreenRect(window);
        return !window.IsVisible() || rect.right <= 0 || rect.bottom <= 0 || rect.left >= screen.cx ||
               rect.top >= screen.cy;
    }

    double clock = 0.0;
};

TEST_F(InterfaceLayoutsTest, EveryLayoutLoadsWithTheWindowsTheScreensLookUp)
{
    for (const LayoutCase& layout : Layouts())
    {
        SCOPED_TRACE(layout.file);
        std::vector<UILib::CWindow*> windows;
        ASSERT_TRUE(Load(layout.file, &windows));
        if (layout.topLevelWindows != 0)
        {
            EXPECT_EQ(layout.topLevelWindows, static_cast<int>(windows.size()));
        }
        for (const Expected& expected : layout.windows)
        {
            Platform::DebugOutputCapture capture;
            EXPECT_NE(nullptr,
                      Find(expected.name, expected.className[0] != '\0' ? expected.className : nullptr))
                << expected.name << " as " << expected.className << " " << capture.Text();
        }
        // Every picture a label or a button face shows is a real image, not the factory's placeholder.
        Visit(root, [](UILib::CWindow& window) {
            const std::string className = window.GetClassName();
            if (className == "CLabel")
            {
                const UILib::CBitmap& bitmap = static_cast<UILib::CLabel&>(window).GetBitmap();
                EXPECT_FALSE(bitmap.IsValid() && bitmap.IsPlaceholder())
                    << static_cast<const char*>(bitmap.GetFileName());
            }
        });
        for (UILib::CWindow* window : windows)
        {
            window->Delete();
        }
    }
}

// The screens centre and push the window LoadLayout answers: it must be the one holding "okbutton".
TEST_F(InterfaceLayoutsTest, EachDialogIsOneWindowHoldingItsOkButton)
{
    for (const char* file : {"solver.xml", "refiner.xml"})
    {
        SCOPED_TRACE(file);
        UILib::CWindow* dialog =
            system->GetWindowFactory()->LoadLayout(std::string("interface>") + file, root);
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(root->GetHandle(), dialog->GetParentHandle());
        auto* ok = static_cast<UILib::CButton*>(dialog->FindChildByName("okbutton", true, "CButton"));
        ASSERT_NE(nullptr, ok);
        // The screen writes "OK" on it when the search ends: the text must be the button's own.
        EXPECT_EQ(std::string("Stop"), static_cast<const char*>(ok->GetText()));
        dialog->CenterInParent();
        EXPECT_TRUE(InsideScreen(ScreenRect(*dialog)));
        dialog->Delete();
    }
}

// The screens the game may run at: the default and others the configuration allows.
const BaseLib::CSize kScreens[] = {{1024, 768}, {1280, 1024}, {800, 600}};

TEST_F(InterfaceLayoutsTest, TheMenuSlidesIntoTheScreenAndBackOutOfSight)
{
    for (const auto& [file, screen] :
         {std::pair{"ingamescreen_menu.xml", kScreens[0]},
          std::pair{"german/ingamescreen_menu.xml", kScreens[0]},
          std::pair{"ingamescreen_menu.xml", kScreens[1]}, std::pair{"ingamescreen_menu.xml", kScreens[2]}})
    {
        SCOPED_TRACE(std::string(file) + " at " + std::to_string(screen.cx) + " x " +
                     std::to_string(screen.cy));
        root->SetSize(screen.cx, screen.cy);
        std::vector<UILib::CWindow*> windows;
        ASSERT_TRUE(Load(file, &windows));
        UILib::CWindow* menu = Find("ingamemenu");
        ASSERT_NE(nullptr, menu);
        EXPECT_TRUE(OutOfSight(*menu)) << "right after loading";

        manager->Update();
        root->PlayAnimation("menu", true, 1.0f, false);
        EXPECT_TRUE(root->IsAnyAnimationPlaying(true));
        RunFrames(2.0);
        EXPECT_FALSE(root->IsAnyAnimationPlaying(true));
        EXPECT_TRUE(menu->IsVisible());
        EXPECT_TRUE(InsideScreen(ScreenRect(*menu))) << "at the end of \"menu\"";
        const CRect shown = ScreenRect(*menu);
        EXPECT_NEAR((shown.left + shown.right) / 2, screen.cx / 2, 1) << "the menu stops in the middle";
        EXPECT_NEAR((shown.top + shown.bottom) / 2, screen.cy / 2, 1) << "the menu stops in the middle";
        for (const char* button : {"resetbutton", "closemenubutton", "quitbutton"})
        {
            EXPECT_TRUE(InsideScreen(ScreenRect(*Find(button)))) << button;
        }

        root->PlayAnimation("menu_out", true, 1.0f, false);
        EXPECT_TRUE(root->IsAnyAnimationPlaying(true));
        RunFrames(2.0);
        EXPECT_TRUE(OutOfSight(*menu)) << "at the end of \"menu_out\"";

        // Closing without animation rewinds "menu" to its start.
        root->PlayAnimation("menu", true, 1.0f, false);
        RunFrames(2.0);
        ASSERT_TRUE(InsideScreen(ScreenRect(*menu)));
        root->SetAnimationTime("menu", 0.0f, true);
        EXPECT_TRUE(OutOfSight(*menu)) << "at time 0 of \"menu\"";

        for (UILib::CWindow* window : windows)
        {
            window->Delete();
        }
    }
}

TEST_F(InterfaceLayoutsTest, TheCutsceneWindowIsHiddenAfterLoadingAndCoversTheScreenWhenShown)
{
    ASSERT_TRUE(Load("ingamescreen_cutscenewindow.xml"));
    UILib::CWindow* window = Find("cutscenewindow");
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(window->IsVisible());
    UILib::CWindow* canvas = Find("cutscenecanvas");
    ASSERT_NE(nullptr, canvas);
    EXPECT_TRUE(canvas->IsDescendantOf(window->GetHandle()));
    // A hidden window takes no clicks anywhere on the screen.
    for (const auto& [x, y] : {std::pair{10, 10}, std::pair{512, 384}, std::pair{1000, 740}})
    {
        EXPECT_EQ(root, root->WindowFromPoint(BaseLib::CPoint(x, y), true)) << x << ", " << y;
    }
    // Shown, it and its canvas cover the screen at any size, with the buttons inside it.
    window->SetVisible(true);
    for (const BaseLib::CSize& screen : kScreens)
    {
        SCOPED_TRACE(std::to_string(screen.cx) + " x " + std::to_string(screen.cy));
        root->SetSize(screen.cx, screen.cy);
        EXPECT_EQ(CRect(0, 0, screen.cx, screen.cy), ScreenRect(*window));
        EXPECT_EQ(CRect(0, 0, screen.cx, screen.cy), ScreenRect(*canvas));
        for (const char* button : {"continuebutton", "skipbutton"})
        {
            EXPECT_TRUE(InsideScreen(ScreenRect(*Find(button)))) << button;
        }
    }
}

// In 3D the playing field lies under the whole screen, so clicks reach the scene wherever the HUD leaves
// room; the HUD lies above it.
TEST_F(InterfaceLayoutsTest, TheThreeDPlayingFieldCoversTheScreenUnderTheHud)
{
    for (const auto& [file, screen] :
         {std::pair{"ingamescreen3d.xml", kScreens[0]}, std::pair{"german/ingamescreen3d.xml", kScreens[0]},
          std::pair{"ingamescreen3d.xml", kScreens[1]}, std::pair{"ingamescreen3d.xml", kScreens[2]}})
    {
        SCOPED_TRACE(std::string(file) + " at " + std::to_string(screen.cx) + " x " +
                     std::to_string(screen.cy));
        root->SetSize(screen.cx, screen.cy);
        std::vector<UILib::CWindow*> windows;
        ASSERT_TRUE(Load(file, &windows));
        UILib::CWindow* field = Find("playingfield");
        ASSERT_NE(nullptr, field);
        EXPECT_EQ(root->GetHandle(), field->GetParentHandle());
        EXPECT_EQ(BaseLib::CPoint(0, 0), field->GetPosition());
        EXPECT_EQ(root->GetSize(), field->GetSize());
        for (const auto& [x, y] : {std::pair{1, 1}, std::pair{screen.cx / 2, screen.cy / 2},
                                   std::pair{screen.cx - 2, screen.cy - 2}, std::pair{40, screen.cy - 60},
                                   std::pair{screen.cx - 2, 1}})
        {
            EXPECT_EQ(field, root->WindowFromPoint(BaseLib::CPoint(x, y), true)) << x << ", " << y;
        }
        // The HUD lies whole on the screen, against its right edge.
        const CRect hud = ScreenRect(*Find("hud"));
        EXPECT_TRUE(InsideScreen(hud));
        EXPECT_GE(hud.right, screen.cx - 20);
        UILib::CWindow* undo = Find("undobutton");
        const CRect button = ScreenRect(*undo);
        UILib::CWindow* hit = root->WindowFromPoint(
            BaseLib::CPoint((button.left + button.right) / 2, (button.top + button.bottom) / 2), true);
        ASSERT_NE(nullptr, hit);
        EXPECT_TRUE(hit == undo || hit->IsDescendantOf(undo->GetHandle()));
        for (UILib::CWindow* window : windows)
        {
            window->Delete();
        }
    }
}

// The 2D board view puts cell (0, 0) at (90, 90) of the playing field, makes cells min(600 / w, 600 / h)
// pixels and keeps the right 200 pixels of the field for the HUD.
TEST_F(InterfaceLayoutsTest, TheTwoDBoardsFitBesideTheHudWithTheirExitsAtLeastHalfShown)
{
    ASSERT_TRUE(Load("ingamescreen.xml"));
    UILib::CWindow* field = Find("playingfield");
    ASSERT_NE(nullptr, field);
    const CRect area = ScreenRect(*field);
    const int boardRight = area.right - 200; // the board window's right edge
    const int top = area.top + 90;
    const int left = area.left + 90;
    // The 600-pixel board square is centred vertically.
    EXPECT_NEAR(top + 300, kScreenHeight / 2, 2);
    EXPECT_EQ(kScreenWidth, area.right) << "the HUD column ends at the screen's edge";

    for (const Expected& hud : kHud)
    {
        if (std::string(hud.name) != "playingfield")
        {
            const CRect rect = ScreenRect(*Find(hud.name));
            EXPECT_GE(rect.left, boardRight) << hud.name;
            EXPECT_TRUE(InsideScreen(rect)) << hud.name;
        }
    }

    auto shown = [](int from, int to, int limitFrom, int limitTo) {
        return std::max(0, std::min(to, limitTo) - std::max(from, limitFrom));
    };
    for (int w = 4; w <= 8; ++w)
    {
        for (int h = 4; h <= 8; ++h)
        {
            SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
            const int cell = std::min(600 / w, 600 / h);
            // The board itself shows whole.
            EXPECT_GE(top, 0);
            EXPECT_LE(top + h * cell, kScreenHeight);
            EXPECT_LE(left + w * cell, boardRight);
            // Exit cells one cell outside each edge show at least half.
            EXPECT_GE(2 * shown(top - cell, top, 0, kScreenHeight), cell) << "north";
            EXPECT_GE(2 * shown(top + h * cell, top + (h + 1) * cell, 0, kScreenHeight), cell) << "south";
            EXPECT_GE(2 * shown(left - cell, left, 0, boardRight), cell) << "west";
            EXPECT_GE(2 * shown(left + w * cell, left + (w + 1) * cell, 0, boardRight), cell) << "east";
        }
    }
}

TEST_F(InterfaceLayoutsTest, TheTranslatorFindsTheGermanCopies)
{
    CFileTranslator translator(aliases);
    translator.SetLanguageFolder("german/");
    for (const char* file : {"ingamescreen3d.xml", "ingamescreen_menu.xml"})
    {
        EXPECT_EQ(std::string("interface>german/") + file,
                  translator.Translate(std::string("interface>") + file));
    }
}

// What a player who edits a layout and cuts it short gets: a refusal naming the file, no crash.
TEST_F(InterfaceLayoutsTest, ADamagedLayoutIsRefusedWithATraceNamingIt)
{
    std::ifstream in(kInterface / "ingamescreen.xml", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const fs::path damaged =
        fs::temp_directory_path() / ("damaged_ingamescreen_" + std::to_string(::getpid()) + ".xml");
    std::ofstream(damaged, std::ios::binary) << text.substr(0, text.size() / 2);

    Platform::DebugOutputCapture capture;
    std::vector<UILib::CWindow*> windows;
    EXPECT_FALSE(system->GetWindowFactory()->LoadLayoutWindows(damaged.string(), root, &windows));
    EXPECT_EQ(nullptr, system->GetWindowFactory()->LoadLayout(damaged.string(), root));
    EXPECT_NE(std::string::npos, capture.Text().find(damaged.string())) << capture.Text();
    EXPECT_TRUE(windows.empty());
    EXPECT_EQ(0, root->GetChildCount());
    fs::remove(damaged);
}

// Each layout drawn over the grey screen, written as layout_<name>.png; the menu after "menu" has played
// to its end, the cut-scene window once hidden (nothing drawn) and then shown for the picture.
TEST_F(InterfaceLayoutsTest, EachLayoutDrawnOverAGreyScreen)
{
    const fs::path output = QUARROW_TEST_OUTPUT_DIR;
    fs::create_directories(output);
    UiTestSupport::CSoftwarePresenter presenter(kScreenWidth, kScreenHeight, kGrey);
    auto draw = [&] {
        manager->Update();
        manager->PaintLayers();
        presenter.Clear();
        manager->CompositeLayers(-1);
    };
    auto colourOf = [&](const char* name) {
        return static_cast<UILib::CPanel*>(Find(name, "CPanel"))->GetColor();
    };
    // The pixel in the middle of the window's part on the screen.
    auto centre = [&](const char* name) {
        const CRect rect = ScreenRect(*Find(name));
        const int left = std::max(0, rect.left);
        const int top = std::max(0, rect.top);
        const int right = std::min(kScreenWidth, rect.right);
        const int bottom = std::min(kScreenHeight, rect.bottom);
        return presenter.GetPixel((left + right) / 2, (top + bottom) / 2);
    };
    // The panel's colour over the grey screen.
    auto over = [](const CColor& colour) {
        const int alpha = colour.GetAlpha();
        auto mix = [&](int c, int g) { return (c * alpha + g * (255 - alpha)) / 255; };
        return CColor(mix(colour.GetRed(), kGrey.GetRed()), mix(colour.GetGreen(), kGrey.GetGreen()),
                      mix(colour.GetBlue(), kGrey.GetBlue()), 255);
    };
    auto near = [](const CColor& a, const CColor& b) {
        return std::abs(a.GetRed() - b.GetRed()) <= 3 && std::abs(a.GetGreen() - b.GetGreen()) <= 3 &&
               std::abs(a.GetBlue() - b.GetBlue()) <= 3;
    };

    struct Picture
    {
        const char* file;
        const char* probe; // a panel whose colour shows at its centre
        const char* empty; // a point that shows the screen grey
        int x, y;
    };
    for (const Picture& picture : {Picture{"ingamescreen.xml", "background", nullptr, 0, 0},
                                   Picture{"ingamescreen3d.xml", nullptr, "grey", 400, 400},
                                   Picture{"ingamescreen_menu.xml", "menupanel", "grey", 100, 100},
                                   Picture{"ingamescreen_cutscenewindow.xml", nullptr, "grey", 512, 200},
                                   Picture{"solver.xml", "solverdialog", "grey", 20, 20},
                                   Picture{"refiner.xml", "refinerdialog", "grey", 20, 20}})
    {
        const std::string name = fs::path(picture.file).stem().string();
        SCOPED_TRACE(name);
        std::vector<UILib::CWindow*> windows;
        ASSERT_TRUE(Load(picture.file, &windows));
        if (name == "ingamescreen_menu")
        {
            manager->Update();
            root->PlayAnimation("menu", true, 1.0f, false);
            RunFrames(1.0);
        }
        if (name == "ingamescreen_cutscenewindow")
        {
            draw();
            for (int y = 0; y < kScreenHeight; y += 7)
            {
                for (int x = 0; x < kScreenWidth; x += 7)
                {
                    ASSERT_TRUE(near(kGrey, presenter.GetPixel(x, y)))
                        << "the hidden window draws at " << x << ", " << y;
                }
            }
            Find("cutscenewindow")->SetVisible(true);
        }
        draw();
        EXPECT_TRUE(presenter.WritePng((output / ("layout_" + name + ".png")).string()));
        if (picture.probe != nullptr)
        {
            EXPECT_TRUE(near(over(colourOf(picture.probe)), centre(picture.probe))) << picture.probe;
        }
        if (picture.empty != nullptr)
        {
            EXPECT_TRUE(near(kGrey, presenter.GetPixel(picture.x, picture.y)));
        }
        if (Find("hud") != nullptr)
        {
            const CRect hud = ScreenRect(*Find("hud"));
            EXPECT_TRUE(near(over(colourOf("hud")), presenter.GetPixel(hud.left + 4, hud.top + 4)));
        }
        // Buttons draw their face: the middle of every button differs from the screen grey.
        for (const char* button : {"menubutton", "closemenubutton", "skipbutton", "okbutton"})
        {
            if (Find(button) != nullptr)
            {
                EXPECT_FALSE(near(kGrey, centre(button))) << button;
            }
        }
        for (UILib::CWindow* window : windows)
        {
            window->Delete();
        }
    }
}

} // namespace
