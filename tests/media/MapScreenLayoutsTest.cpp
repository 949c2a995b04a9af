// The map screen's three layouts and the treasury's: every window the screens look up is there with its
// class, the map selection and the cut-scene window are out of sight and take no clicks until their
// animations bring them in, every picture the layouts name is a real image within the memory budget, the
// eleven hoard pictures grow with the gold, and each page drawn at 1024 x 768 is written for a person to
// look at.
#include "platform/os/DebugOutput.h"
#include "tests/media/WindowSystemFixture.h"
#include "ui/Bitmap.h"
#include "ui/WindowFactory.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;

constexpr int kScreenWidth = MediaTesting::ScreenWidth;
constexpr int kScreenHeight = MediaTesting::ScreenHeight;
const fs::path kInterface = fs::path(QUARROW_MEDIA_DIR) / "interface";

const char* const kMapLayouts[] = {"mapscreen.xml", "mapscreen_cutscenewindow.xml", "mapscreen_mapselection.xml"};

std::string HoardLayout(int step)
{
    return "treasure" + std::to_string(step) + ".xml";
}

struct Expected
{
    std::string name;
    const char* className; // nullptr: any class
};

std::vector<Expected> MapScreenWindows()
{
    std::vector<Expected> windows = {{"playingfield", "CScrollWindow"},
                                     {"menubutton", "CButton"},
                                     {"playbutton", "CButton"},
                                     {"openbutton", "CButton"},
                                     {"leavebutton", "CButton"},
                                     {"junglebutton", "CButton"},
                                     {"swampbutton", "CButton"},
                                     {"cavebutton", "CButton"},
                                     {"templebutton", "CButton"},
                                     {"continuebutton", "CButton"},
                                     {"skipbutton", "CButton"},
                                     {"yellowkeylabel", "CLabel"},
                                     {"redkeylabel", "CLabel"},
                                     {"bluekeylabel", "CLabel"},
                                     {"goldlabel", "CLabel"},
                                     {"mood1", "CLabel"},
                                     {"mood2", "CLabel"},
                                     {"levellabel", "CLabel"},
                                     {"yellowkey", nullptr},
                                     {"redkey", nullptr},
                                     {"bluekey", nullptr},
                                     {"goldicon", nullptr},
                                     {"mapselectiondialog", nullptr},
                                     {"swampplaceholder", nullptr},
                                     {"caveplaceholder", nullptr},
                                     {"templeplaceholder", nullptr},
                                     {"cutscenewindow", nullptr},
                                     {"cutscenecanvas", nullptr}};
    for (int i = 1; i <= 8; ++i)
    {
        windows.push_back({"pylon" + std::to_string(i), nullptr});
    }
    for (int i = 1; i <= 3; ++i)
    {
        windows.push_back({"coin" + std::to_string(i), nullptr});
    }
    return windows;
}

const char* const kTreasuryRows[] = {"basic", "jungle", "swamp", "cave", "temple", "treasure", "total"};

std::vector<Expected> TreasuryWindows()
{
    std::vector<Expected> windows = {{"backbutton", nullptr}, {"picturelabel", "CLabel"}};
    for (const std::string row : kTreasuryRows)
    {
        windows.push_back({row, "CLabel"});
        windows.push_back({row + "all", "CLabel"});
        windows.push_back({row + "label", nullptr});
        if (row != "total")
        {
            windows.push_back({row + "gold", nullptr});
        }
        if (row != "basic" && row != "total")
        {
            windows.push_back({row + "label_hidden", nullptr});
        }
    }
    return windows;
}

// Every "property" element of a layout file, as (name, value), in document order.
std::vector<std::pair<std::string, std::string>> PropertiesOf(const fs::path& file)
{
    std::vector<std::pair<std::string, std::string>> properties;
    TiXmlDocument document;
    if (!document.LoadFile(file.string().c_str()))
    {
        ADD_FAILURE() << file << " does not parse";
        return properties;
    }
    std::function<void(const TiXmlElement*)> walk = [&](const TiXmlElement* element) {
        for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
             child = child->NextSiblingElement())
        {
            if (child->ValueStr() == "property" && child->Attribute("name") != nullptr &&
                child->Attribute("value") != nullptr)
            {
                properties.emplace_back(child->Attribute("name"), child->Attribute("value"));
            }
            walk(child);
        }
    };
    walk(document.RootElement());
    return properties;
}

// The bitmap files a layout names, each once.
std::set<std::string> BitmapsOf(const fs::path& file)
{
    std::set<std::string> bitmaps;
    for (const auto& [name, value] : PropertiesOf(file))
    {
        if (name.rfind("Bitmap", 0) == 0 && !value.empty())
        {
            bitmaps.insert(value);
        }
    }
    return bitmaps;
}

class MapScreenLayoutsTest : public MediaTesting::WindowSystemFixture
{
protected:
    // As the map screen builds it: a transparent panel as large as the root, the three layouts in it.
    UILib::CWindow* LoadMapScreen()
    {
        auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
        panel->SetColor(CColor(255, 255, 255, 0));
        panel->SetPosition(0, 0);
        panel->SetSize(kScreenWidth, kScreenHeight);
        root->AddChild(panel->GetHandle());
        for (const char* file : kMapLayouts)
        {
            EXPECT_TRUE(Load(file, panel));
        }
        return panel;
    }

    ::testing::AssertionResult Load(const std::string& file, UILib::CWindow* parent)
    {
        Platform::DebugOutputCapture capture;
        const bool loaded = system->GetWindowFactory()->LoadLayoutWindows("interface>" + file, parent, nullptr);
        if (!loaded || !capture.Text().empty())
        {
            return ::testing::AssertionFailure()
                   << file << (loaded ? " traces: " : " does not load: ") << capture.Text();
        }
        return ::testing::AssertionSuccess();
    }

    UILib::CWindow* Find(const std::string& name, const char* className = nullptr)
    {
        return root->FindChildByName(name.c_str(), true, className);
    }

    template <typename T>
    T* FindAs(const std::string& name, const char* className)
    {
        return static_cast<T*>(Find(name, className));
    }

    static CRect ScreenRect(const UILib::CWindow& window)
    {
        const CPoint at = window.GetScreenPosition();
        return CRect(at.x, at.y, at.x + window.GetSize().cx, at.y + window.GetSize().cy);
    }

    static bool InsideScreen(const CRect& rect)
    {
        return rect.left >= 0 && rect.top >= 0 && rect.right <= kScreenWidth && rect.bottom <= kScreenHeight;
    }

    static bool OutOfSight(const UILib::CWindow& window)
    {
        const CRect rect = ScreenRect(window);
        return !window.IsVisible() || rect.right <= 0 || rect.bottom <= 0 || rect.left >= kScreenWidth ||
               rect.top >= kScreenHeight;
    }

    // Runs the window-system clock on by `seconds` in frames of a sixtieth.
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

    double clock = 0.0;
};

TEST_F(MapScreenLayoutsTest, EveryWindowTheScreensLookUpIsThereWithItsClass)
{
    UILib::CWindow* panel = LoadMapScreen();
    for (const Expected& expected : MapScreenWindows())
    {
        EXPECT_NE(nullptr, Find(expected.name, expected.className))
            << expected.name << " as " << (expected.className != nullptr ? expected.className : "any class");
    }
    EXPECT_EQ(BaseLib::CSize(512, 384), Find("cutscenecanvas")->GetSize());
    EXPECT_TRUE(Find("cutscenecanvas")->IsDescendantOf(Find("cutscenewindow")->GetHandle()));
    // The mood pictures are the size of a mood image and lie on top of each other.
    EXPECT_EQ(BaseLib::CSize(256, 192), Find("mood1")->GetSize());
    EXPECT_EQ(ScreenRect(*Find("mood1")), ScreenRect(*Find("mood2")));
    EXPECT_EQ(Find("mood1")->GetParentHandle(), Find("mood2")->GetParentHandle());
    // Each has a canvas of its own, which the screen draws at the cross-fade's opacity.
    EXPECT_TRUE(Find("mood1")->HasOwnCanvas());
    EXPECT_TRUE(Find("mood2")->HasOwnCanvas());
    // A locked region's placeholder takes its button's place; the buttons of the figure's cell share one.
    for (const std::string region : {"swamp", "cave", "temple"})
    {
        EXPECT_EQ(ScreenRect(*Find(region + "button")), ScreenRect(*Find(region + "placeholder"))) << region;
    }
    EXPECT_EQ(ScreenRect(*Find("playbutton")), ScreenRect(*Find("openbutton")));
    EXPECT_EQ(ScreenRect(*Find("playbutton")), ScreenRect(*Find("leavebutton")));
    // The HUD and the playing field lie on the screen side by side.
    const CRect field = ScreenRect(*Find("playingfield"));
    EXPECT_TRUE(InsideScreen(field));
    for (const char* hud : {"menubutton", "playbutton", "goldlabel", "levellabel", "mood1", "pylon8", "coin3",
                            "bluekeylabel"})
    {
        const CRect rect = ScreenRect(*Find(hud));
        EXPECT_TRUE(InsideScreen(rect)) << hud;
        EXPECT_GE(rect.left, field.right) << hud;
    }
    panel->Delete();

    auto* page = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    page->SetColor(CColor(0, 0, 0, 0));
    page->SetSize(kScreenWidth, kScreenHeight);
    root->AddChild(page->GetHandle());
    Platform::DebugOutputCapture capture;
    UILib::CWindow* treasury = system->GetWindowFactory()->LoadLayout("interface>treasurescreen.xml", page);
    ASSERT_NE(nullptr, treasury) << capture.Text();
    EXPECT_TRUE(capture.Text().empty()) << capture.Text();
    for (const Expected& expected : TreasuryWindows())
    {
        UILib::CWindow* window = treasury->FindChildByName(expected.name.c_str(), true, expected.className);
        ASSERT_NE(nullptr, window) << expected.name;
        EXPECT_TRUE(InsideScreen(ScreenRect(*window))) << expected.name;
    }
    for (const std::string row : {"jungle", "swamp", "cave", "temple", "treasure"})
    {
        EXPECT_EQ(ScreenRect(*Find(row + "label")), ScreenRect(*Find(row + "label_hidden"))) << row;
    }
}

// The screen sets "mapchange" and "cutscene" to time 0 at start-up and plays them (the cut-scene at
// speed 2) on its panel with the children; closed, neither window may be seen or take a click.
TEST_F(MapScreenLayoutsTest, TheDialogAndTheCutsceneWindowComeInAndGoOutOfSight)
{
    UILib::CWindow* panel = LoadMapScreen();
    UILib::CWindow* dialog = Find("mapselectiondialog");
    UILib::CWindow* cutscene = Find("cutscenewindow");
    ASSERT_NE(nullptr, dialog);
    ASSERT_NE(nullptr, cutscene);
    const CPoint onTheMap(384, 384);
    auto closed = [&](const char* when) {
        EXPECT_TRUE(OutOfSight(*dialog)) << when;
        EXPECT_TRUE(OutOfSight(*cutscene)) << when;
        for (const char* name : {"junglebutton", "continuebutton", "skipbutton", "cutscenecanvas"})
        {
            EXPECT_FALSE(Find(name)->IsVisible()) << name << " " << when;
        }
        UILib::CWindow* hit = root->WindowFromPoint(onTheMap, true);
        ASSERT_NE(nullptr, hit);
        EXPECT_TRUE(hit == Find("playingfield") || hit->IsDescendantOf(Find("playingfield")->GetHandle()))
            << "a click on the map reaches " << static_cast<const char*>(hit->GetName()) << " " << when;
    };
    closed("after loading");
    // As the screen does at start-up: "mapchange" on the dialog, "cutscene" on the panel.
    manager->Update();
    dialog->SetAnimationTime("mapchange", 0.0f, true);
    panel->SetAnimationTime("cutscene", 0.0f, true);
    closed("at time 0");

    for (const auto& [in, out, window, speed] :
         {std::tuple{"mapchange", "mapchange_out", dialog, 1.0f}, std::tuple{"cutscene", "cutscene_out", cutscene, 2.0f}})
    {
        SCOPED_TRACE(in);
        panel->PlayAnimation(in, true, speed, false);
        EXPECT_TRUE(panel->IsAnimationPlaying(in, true));
        RunFrames(0.1);
        EXPECT_TRUE(window->IsVisible()) << "shown as soon as it starts to come in";
        RunFrames(2.0);
        EXPECT_FALSE(panel->IsAnimationPlaying(in, true));
        EXPECT_TRUE(window->IsVisible());
        EXPECT_TRUE(InsideScreen(ScreenRect(*window)));
        // Everything in it is on the screen, and a click on it does not fall through to the map.
        std::function<void(UILib::CWindow*)> inside = [&](UILib::CWindow* parent) {
            for (std::int32_t i = 0; i < parent->GetChildCount(); ++i)
            {
                UILib::CWindow* child = manager->Resolve(parent->GetChildHandle(i));
                if (child != nullptr && child->IsVisible() && child->GetName().GetLength() > 0)
                {
                    EXPECT_TRUE(InsideScreen(ScreenRect(*child))) << static_cast<const char*>(child->GetName());
                    inside(child);
                }
            }
        };
        inside(window);
        UILib::CWindow* hit = root->WindowFromPoint(onTheMap, true);
        ASSERT_NE(nullptr, hit);
        EXPECT_FALSE(hit == Find("playingfield") || hit->IsDescendantOf(Find("playingfield")->GetHandle()));

        panel->PlayAnimation(out, true, speed, false);
        EXPECT_TRUE(panel->IsAnimationPlaying(out, true));
        RunFrames(2.0);
        EXPECT_FALSE(panel->IsAnimationPlaying(out, true));
        closed((std::string("at the end of ") + out).c_str());
    }
    // A screen entered again sets time 0 whatever was open when it left.
    panel->PlayAnimation("mapchange", true, 1.0f, false);
    panel->PlayAnimation("cutscene", true, 2.0f, false);
    RunFrames(2.0);
    ASSERT_TRUE(dialog->IsVisible() && cutscene->IsVisible());
    dialog->SetAnimationTime("mapchange", 0.0f, true);
    panel->SetAnimationTime("cutscene", 0.0f, true);
    closed("at time 0 after being open");
}

// Every picture a layout names loads; no text begins with "@" (the localizer holds no tables, so the key
// would show); the hoard layouts carry no words.
TEST_F(MapScreenLayoutsTest, EveryNamedPictureLoadsAndNoTextIsALocalizerKey)
{
    std::vector<std::string> files(std::begin(kMapLayouts), std::end(kMapLayouts));
    files.push_back("treasurescreen.xml");
    for (int step = 0; step <= 10; ++step)
    {
        files.push_back(HoardLayout(step));
    }
    for (const std::string& file : files)
    {
        SCOPED_TRACE(file);
        const bool hoard = file.rfind("treasure", 0) == 0 && file != "treasurescreen.xml";
        for (const auto& [name, value] : PropertiesOf(kInterface / file))
        {
            if (name == "Text")
            {
                EXPECT_NE('@', value.empty() ? ' ' : value[0]) << value;
                if (hoard)
                {
                    EXPECT_TRUE(std::none_of(value.begin(), value.end(), [](unsigned char c) { return std::isalpha(c); }))
                        << value;
                }
            }
            if (name == "Font")
            {
                EXPECT_NE(std::string::npos, value.find("alphabitmapfont")) << value;
                EXPECT_NE(std::string::npos, value.find("DejaVu")) << value;
            }
        }
        for (const std::string& bitmap : BitmapsOf(kInterface / file))
        {
            const UILib::CBitmap picture(bitmap.c_str());
            EXPECT_TRUE(picture.IsValid() && !picture.IsPlaceholder()) << bitmap;
        }
    }
}

// The HUD, the dialog and the cut-scene window together stay under 8 MiB of 32-bit pixels (the map's own
// picture is not theirs); no hoard picture exceeds the screen.
TEST_F(MapScreenLayoutsTest, ThePicturesStayWithinTheirMemory)
{
    std::set<std::string> bitmaps;
    for (const char* file : kMapLayouts)
    {
        const std::set<std::string> named = BitmapsOf(kInterface / file);
        bitmaps.insert(named.begin(), named.end());
    }
    EXPECT_GE(bitmaps.size(), 15u);
    std::int64_t bytes = 0;
    for (const std::string& bitmap : bitmaps)
    {
        const UILib::CBitmap picture(bitmap.c_str());
        bytes += static_cast<std::int64_t>(picture.GetWidth()) * picture.GetHeight() * 4;
    }
    EXPECT_LT(bytes, 8 * 1024 * 1024);
    for (int step = 0; step <= 10; ++step)
    {
        for (const std::string& bitmap : BitmapsOf(kInterface / HoardLayout(step)))
        {
            const UILib::CBitmap picture(bitmap.c_str());
            EXPECT_LE(picture.GetWidth(), 1024) << bitmap;
            EXPECT_LE(picture.GetHeight(), 768) << bitmap;
        }
    }
}

// Each hoard layout's first window is its picture; from the empty chest to the overflowing hoard every
// picture shows more gold than the one before.
TEST_F(MapScreenLayoutsTest, TheHoardPicturesLoadIntoThePictureLabelAndGrowStepByStep)
{
    auto* label = static_cast<UILib::CLabel*>(UILib::CLabel::Create());
    label->SetSize(440, 330);
    root->AddChild(label->GetHandle());
    std::int64_t lastGold = -1;
    for (int step = 0; step <= 10; ++step)
    {
        SCOPED_TRACE(HoardLayout(step));
        UILib::CWindow* picture = system->GetWindowFactory()->LoadLayout("interface>" + HoardLayout(step), label);
        ASSERT_NE(nullptr, picture);
        ASSERT_EQ(std::string("CLabel"), picture->GetClassName());
        EXPECT_EQ(label->GetHandle(), picture->GetParentHandle());
        const UILib::CBitmap& bitmap = static_cast<UILib::CLabel*>(picture)->GetBitmap();
        ASSERT_TRUE(bitmap.IsValid());
        EXPECT_FALSE(bitmap.IsPlaceholder());
        EXPECT_EQ(BaseLib::CSize(440, 330), bitmap.GetSize());
        EXPECT_EQ(BaseLib::CSize(440, 330), picture->GetSize());
        // Gold: bright, red and green well above blue.
        std::int64_t gold = 0;
        const CColor* pixels = bitmap.GetPixels();
        for (std::int32_t i = 0; i < bitmap.GetWidth() * bitmap.GetHeight(); ++i)
        {
            const CColor& c = pixels[i];
            gold += c.GetRed() > 200 && c.GetGreen() > 150 && c.GetBlue() < 120 ? 1 : 0;
        }
        EXPECT_GT(gold, lastGold);
        lastGold = gold;
        picture->Delete();
    }
    EXPECT_GT(lastGold, 440 * 330 / 20) << "the full hoard shines with gold";
}

// The pages at 1024 x 768, written as layout_mapscreen_*.png and layout_treasury_*.png: the map screen with a full HUD, the
// map selection and the cut-scene window open over it, and the treasury with the hoard of 0, 600 and 1252 gold.
TEST_F(MapScreenLayoutsTest, EachPageDrawnAtTheScreenSize)
{
    const fs::path output = QUARROW_TEST_OUTPUT_DIR;
    fs::create_directories(output);
    UiTestSupport::CSoftwarePresenter presenter(kScreenWidth, kScreenHeight, MediaTesting::ScreenGrey);
    auto draw = [&](const std::string& name) {
        manager->Update();
        manager->PaintLayers();
        presenter.Clear();
        manager->CompositeLayers(-1);
        EXPECT_TRUE(presenter.WritePng((output / (name + ".png")).string()));
    };
    auto pixelAt = [&](const std::string& window, int dx, int dy) {
        const CRect rect = ScreenRect(*Find(window));
        return presenter.GetPixel(rect.left + dx, rect.top + dy);
    };
    auto bitmapPixel = [](const UILib::CBitmap& bitmap, int x, int y) {
        return bitmap.GetPixels()[static_cast<std::size_t>(y) * bitmap.GetWidth() + x];
    };
    auto near = [](const CColor& a, const CColor& b) {
        return std::abs(a.GetRed() - b.GetRed()) <= 3 && std::abs(a.GetGreen() - b.GetGreen()) <= 3 &&
               std::abs(a.GetBlue() - b.GetBlue()) <= 3;
    };

    UILib::CWindow* panel = LoadMapScreen();
    FindAs<UILib::CLabel>("levellabel", "CLabel")->SetText("1-07");
    FindAs<UILib::CLabel>("goldlabel", "CLabel")->SetText("87");
    FindAs<UILib::CLabel>("yellowkeylabel", "CLabel")->SetText("2");
    FindAs<UILib::CLabel>("redkeylabel", "CLabel")->SetText("1");
    FindAs<UILib::CLabel>("bluekeylabel", "CLabel")->SetText("1");
    Find("openbutton")->SetVisible(false);
    Find("leavebutton")->SetVisible(false);
    manager->Update();
    Find("mapselectiondialog")->SetAnimationTime("mapchange", 0.0f, true);
    panel->SetAnimationTime("cutscene", 0.0f, true);
    draw("layout_mapscreen_hud");
    // The pictures of the HUD show as drawn: the middle of a key and of a pylon are their own colours.
    for (const char* icon : {"yellowkey", "pylon1", "coin2", "goldicon"})
    {
        const UILib::CBitmap& bitmap = FindAs<UILib::CLabel>(icon, "CLabel")->GetBitmap();
        const int x = bitmap.GetWidth() / 2;
        const int y = bitmap.GetHeight() / 2;
        EXPECT_TRUE(near(bitmapPixel(bitmap, x, y), pixelAt(icon, x, y))) << icon;
    }

    panel->PlayAnimation("mapchange", true, 1.0f, false);
    RunFrames(1.0);
    Find("swampbutton")->SetVisible(false);
    Find("swampplaceholder")->SetVisible(true);
    draw("layout_mapscreen_mapselection");
    const UILib::CBitmap& jungle = FindAs<UILib::CButton>("junglebutton", "CButton")->GetStateBitmap(UILib::CButton::StateNormal);
    ASSERT_TRUE(jungle.IsValid());
    EXPECT_TRUE(near(bitmapPixel(jungle, 30, 30), pixelAt("junglebutton", 30, 30)));
    const UILib::CBitmap& locked = FindAs<UILib::CLabel>("swampplaceholder", "CLabel")->GetBitmap();
    EXPECT_TRUE(near(bitmapPixel(locked, 120, 80), pixelAt("swampplaceholder", 120, 80)));

    panel->PlayAnimation("mapchange_out", true, 1.0f, false);
    panel->PlayAnimation("cutscene", true, 2.0f, false);
    RunFrames(1.0);
    draw("layout_mapscreen_cutscene");
    // The canvas is black inside its gold line, and the shade darkens the HUD around the frame.
    EXPECT_TRUE(near(CColor(8, 10, 14, 255), pixelAt("cutscenecanvas", 256, 192)));
    panel->Delete();

    struct Treasury
    {
        const char* name;
        int gold;
        int step;
    };
    for (const Treasury& treasury : {Treasury{"layout_treasury_0", 0, 0}, Treasury{"layout_treasury_600", 600, 5},
                                     Treasury{"layout_treasury_1252", 1252, 10}})
    {
        SCOPED_TRACE(treasury.name);
        auto* page = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
        page->SetColor(CColor(0, 0, 0, 0));
        page->SetSize(kScreenWidth, kScreenHeight);
        root->AddChild(page->GetHandle());
        ASSERT_NE(nullptr, system->GetWindowFactory()->LoadLayout("interface>treasurescreen.xml", page));
        // As the treasury fills it for the gold: the open rows and the total.
        const bool rich = treasury.gold > 0;
        for (const std::string row : kTreasuryRows)
        {
            const bool open = row == "basic" || row == "total" || row == "jungle" || rich;
            const int gold = row == "total" ? treasury.gold : rich ? treasury.gold / 6 : 0;
            const int most = row == "total" ? 1252 : row == "basic" ? 600 : row == "treasure" ? 220 : 108;
            FindAs<UILib::CLabel>(row, "CLabel")->SetText(BaseLib::CString::FromFormat("%d/", gold));
            FindAs<UILib::CLabel>(row + "all", "CLabel")->SetText(BaseLib::CString::FromFormat("%d", most));
            if (row != "basic" && row != "total")
            {
                for (const std::string& window : {row, row + "all", row + "label", row + "gold"})
                {
                    Find(window)->SetVisible(open);
                }
                Find(row + "label_hidden")->SetVisible(!open);
            }
        }
        UILib::CWindow* picture = system->GetWindowFactory()->LoadLayout(
            "interface>" + HoardLayout(treasury.step), Find("picturelabel", "CLabel"));
        ASSERT_NE(nullptr, picture);
        draw(treasury.name);
        const UILib::CBitmap& hoard = static_cast<UILib::CLabel*>(picture)->GetBitmap();
        for (const auto& [x, y] : {std::pair{220, 240}, std::pair{60, 300}, std::pair{400, 40}})
        {
            EXPECT_TRUE(near(bitmapPixel(hoard, x, y), pixelAt("picturelabel", x, y))) << x << ", " << y;
        }
        page->Delete();
    }
}

} // namespace
