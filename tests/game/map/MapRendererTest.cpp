// The map renderer in the window system over memory canvases: the window tree, barriers, markers, fog
// and its fade, the figure, scrolling and the pointer, and the composed picture.
//
// The fixture's images (tests/game/map/data) are flat colours: the map picture, the tiles "grass" and
// "grass_solved", the barriers, the figure and highlight (a 32 x 32 square in the middle of each 64 x 64
// frame), the lock, key and coin strips, a digit strip and the sixteen fog images, whose fogged quarters
// are a see-through grey-blue.

#include "tests/game/map/MapTestSupport.h"

#include "foundation/PathAliases.h"
#include "game/map/MapRenderer2D.h"
#include "platform/os/Messages.h"
#include "platform/os/PngDecode.h"
#include "tests/ui/support/MemoryCanvas.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapFont.h"
#include "ui/Clock.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"
#include "ui/WindowMessage.h"
#include "ui/controls/Label.h"
#include "ui/controls/ScrollWindow.h"
#include "ui/controls/SimpleAnimatedLabel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <tuple>

namespace
{

using BaseLib::CColor;
using BaseLib::CPoint;

constexpr int ScreenWidth = 384; // the fixture map: 6 x 5 cells
constexpr int ScreenHeight = 320;
const CColor Background(0, 0, 0, 255);
const CColor MapPicture(30, 90, 30, 255);
const CColor Grass(120, 180, 60, 255);
const CColor GrassSolved(60, 180, 180, 255);
const CColor WesternBarrier(200, 30, 120, 255);
const CColor Figure(250, 220, 0, 255);
const CColor Highlight(250, 0, 250, 255);
const CColor FogColour(220, 220, 235, 255);
constexpr int FogAlpha = 200;

// The fog's colour over another at the share of the fog's alpha.
CColor Fogged(CColor under, double share = 1.0)
{
    const double a = FogAlpha / 255.0 * share;
    const auto mix = [a](int fog, int below) { return static_cast<int>(fog * a + below * (1.0 - a) + 0.5); };
    return CColor(mix(FogColour.GetRed(), under.GetRed()), mix(FogColour.GetGreen(), under.GetGreen()),
                  mix(FogColour.GetBlue(), under.GetBlue()), 255);
}

bool Near(CColor a, CColor b, int tolerance = 3)
{
    return std::abs(a.GetRed() - b.GetRed()) <= tolerance && std::abs(a.GetGreen() - b.GetGreen()) <= tolerance &&
           std::abs(a.GetBlue() - b.GetBlue()) <= tolerance;
}

std::string Describe(CColor c)
{
    return "(" + std::to_string(c.GetRed()) + ", " + std::to_string(c.GetGreen()) + ", " +
           std::to_string(c.GetBlue()) + ", " + std::to_string(c.GetAlpha()) + ")";
}

class RecordingOwner : public CMapRendererOwner
{
public:
    void OnPointerCell(int x, int y) override { cells.emplace_back(x, y); }
    void OnPointerPosition(int x, int y, float px, float py) override { positions.emplace_back(x, y, px, py); }

    std::vector<std::pair<int, int>> cells;
    std::vector<std::tuple<int, int, float, float>> positions;
};

class MapRendererTest : public testing::Test
{
protected:
    void SetUp() override
    {
        UILib::SetTimeOverride(0.0);
        UILib::CWindowManager::SetModifierReader(&NoModifiers);
        UILib::CUILibSystem::CreateInstance();
        UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
        ASSERT_NE(system, nullptr);
        m_Aliases.RegisterPathAlias("interface", QUARROW_TEST_DATA_DIR "/interface");
        system->SetPathAliases(&m_Aliases);
        ASSERT_NE(system->GetBitmapFactory(), nullptr);
        system->GetBitmapFactory()->AddSearchPath(QUARROW_TEST_DATA_DIR);
        // The scroll window's theme.
        system->GetBitmapFactory()->AddSearchPath(QUARROW_MEDIA_DIR "/interface/standard");
        manager = system->GetWindowManager();
        manager->SetCanvasFactory(&UiTestSupport::CMemoryTextureCanvas::Make);
        presenter = std::make_unique<UiTestSupport::CSoftwarePresenter>(ScreenWidth, ScreenHeight, Background);
        root = UILib::CWindow::Create();
        root->SetSize(ScreenWidth, ScreenHeight);
        manager->AddLayer(root);
        root->SetOwnCanvas(true);
        scroll = new UILib::CScrollWindow();
        scroll->SetSize(ScreenWidth, ScreenHeight);
        root->AddChild(scroll->GetHandle());
        BuildFixtureMap();
    }

    void TearDown() override
    {
        renderer.reset();
        UILib::CUILibSystem::DestroyInstance();
        UILib::CWindowManager::SetModifierReader(nullptr);
        UILib::SetTimeOverride(-1.0);
    }

    static std::uint8_t NoModifiers() { return 0; }

    // Interior 4 x 3 (cells 1 .. 4, 1 .. 3):
    //   (1, 1) grass, start      - (2, 1) "empty", gives key A - (3, 1) grass, needs keys A and C - (4, 1) grass
    //     |                          |
    //   (1, 2) solved puzzle       (2, 2) grass, needs 30 gold    (3, 2) grass
    //     |  (obstacle hidden)
    //   (1, 3) grass
    // Revealed: the start's region up to the lock and the gold cell, and (3, 2); (4, 1) and (1, 3) are
    // not. The fog follows the revealed cells.
    void BuildFixtureMap()
    {
        map.Build(4, 3);
        const auto grass = [this](int x, int y) { map.GetCell(x, y).tile = "grass"; };
        for (const auto& [x, y] : {std::pair{1, 1}, {3, 1}, {4, 1}, {1, 2}, {2, 2}, {3, 2}, {1, 3}})
        {
            grass(x, y);
        }
        map.GetCell(1, 1).walkBits |= MapCell::CanWalkEast;
        map.GetCell(2, 1).walkBits |= MapCell::CanWalkEast;
        map.GetCell(3, 1).walkBits |= MapCell::CanWalkEast;
        map.GetCell(1, 2).walkBits |= MapCell::CanWalkNorth;
        map.GetCell(2, 2).walkBits |= MapCell::CanWalkNorth;
        map.GetCell(1, 3).walkBits |= MapCell::CanWalkNorth | MapCell::HideObstacleNorth;
        map.GetCell(2, 1).flags |= MapCell::ProvidesKeyA;
        map.GetCell(3, 1).flags |= MapCell::NeedsKeyA | MapCell::NeedsKeyC;
        map.GetCell(2, 2).goldreq = 30;
        map.GetCell(1, 2).puzzle = 0;
        map.GetCell(1, 2).state |= MapCell::StateSolved;
        for (const auto& [x, y] : {std::pair{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}})
        {
            map.GetCell(x, y).state |= MapCell::StateRevealed;
        }
        map.UpdateFog();
        map.SetPlayerPosition(3.5f, 2.5f);
    }

    void Start()
    {
        renderer = std::make_unique<CMapRenderer2D>(&owner, &map);
        renderer->LoadResources(scroll);
        renderer->Update(0.02);
    }

    // The window system's per-frame passes after the clock moved on by ms.
    void Frame(std::int64_t ms)
    {
        nowMs += ms;
        UILib::SetTimeOverride(static_cast<double>(nowMs) / 1000.0);
        manager->Update();
    }

    void Compose()
    {
        manager->PaintLayers();
        presenter->Clear();
        manager->CompositeLayers(-1);
    }

    CColor Pixel(int x, int y) const { return presenter->GetPixel(x, y); }

    void Translate(std::uint32_t message, std::uint32_t keys, int x, int y)
    {
        manager->TranslateInput(nullptr, message, keys, UILib::CWindowMessage::PackPoint(x, y));
    }

    // The markers that are children of the window.
    std::vector<UILib::CWindow*> MarkersIn(const UILib::CWindow* parent) const
    {
        std::vector<UILib::CWindow*> found;
        for (UILib::CWindow* marker : renderer->GetMarkers())
        {
            if (marker->GetParent() == parent)
            {
                found.push_back(marker);
            }
        }
        return found;
    }

    const CMapRenderer2D::CellWindows& CellAt(int x, int y) const
    {
        return renderer->GetCellWindows()[static_cast<std::size_t>(y * map.GetSize().cx + x)];
    }

    // The barrier labels of the last refresh by position.
    std::vector<CPoint> BarrierPositions() const
    {
        std::vector<CPoint> found;
        for (UILib::CWindow* marker : MarkersIn(renderer->GetMapWindow()))
        {
            found.push_back(marker->GetPosition());
        }
        return found;
    }

    BaseLib::CPathAliases m_Aliases;
    UILib::CWindowManager* manager = nullptr;
    std::unique_ptr<UiTestSupport::CSoftwarePresenter> presenter;
    UILib::CWindow* root = nullptr;
    UILib::CScrollWindow* scroll = nullptr;
    TestMap map;
    RecordingOwner owner;
    std::unique_ptr<CMapRenderer2D> renderer;
    std::int64_t nowMs = 0;
};

TEST(MapRendererFog, ImageNamesSpellTheMaskMostSignificantBitFirst)
{
    const std::pair<int, const char*> cases[] = {{0, "map/fog/fog0000.png"},
                                                 {1, "map/fog/fog0001.png"},
                                                 {6, "map/fog/fog0110.png"},
                                                 {8, "map/fog/fog1000.png"},
                                                 {15, "map/fog/fog1111.png"}};
    for (const auto& [mask, name] : cases)
    {
        EXPECT_STREQ(CMapRenderer2D::FogImage(mask), name) << mask;
    }
}

TEST_F(MapRendererTest, BuildsTheWindowTree)
{
    Start();
    UILib::CLabel* mapWindow = renderer->GetMapWindow();
    ASSERT_NE(mapWindow, nullptr);
    EXPECT_EQ(mapWindow->GetParent(), scroll->GetView()->GetClientArea());
    EXPECT_EQ(mapWindow->GetSize(), BaseLib::CSize(384, 320));
    EXPECT_EQ(scroll->GetClientAreaSize(), BaseLib::CSize(384, 320));
    EXPECT_FALSE(mapWindow->GetBitmap().IsPlaceholder());

    ASSERT_NE(renderer->GetLayer(0), nullptr);
    EXPECT_FALSE(renderer->GetLayer(0)->HasOwnCanvas());
    ASSERT_TRUE(renderer->GetLayer(1)->HasOwnCanvas());
    EXPECT_EQ(static_cast<UILib::CTextureCanvas*>(renderer->GetLayer(1)->GetCanvas(false))->GetFilterMode(), 1);
    // The first refresh shows the fog in the fade labels; the fog layer has nothing to fade yet.
    EXPECT_FALSE(renderer->GetLayer(1)->GetVisible());

    UILib::CSimpleAnimatedLabel* figure = renderer->GetFigure();
    EXPECT_EQ(figure->GetSize(), BaseLib::CSize(64, 64));
    EXPECT_EQ(figure->GetFrameCount(), 3);
    EXPECT_EQ(figure->GetSpeed(), 300);
    EXPECT_TRUE(figure->IsPlaying());
    EXPECT_TRUE(figure->IsAlwaysOnTop());
    // The figure at (3.5, 2.5) stands at pixel (192, 128).
    EXPECT_EQ(figure->GetPosition(), CPoint(192, 128));
    EXPECT_EQ(renderer->GetHighlight()->GetSpeed(), 150);
    EXPECT_FALSE(renderer->GetHighlight()->GetVisible());

    ASSERT_EQ(renderer->GetCellWindows().size(), 30u);
    const CMapRenderer2D::CellWindows& cell = CellAt(4, 2);
    EXPECT_EQ(cell.tile->GetParent(), renderer->GetLayer(0));
    EXPECT_EQ(cell.fog->GetParent(), renderer->GetLayer(1));
    EXPECT_EQ(cell.fade->GetParent(), mapWindow);
    EXPECT_TRUE(cell.fog->GetWriteAlpha());
    for (UILib::CLabel* label : {cell.tile, cell.fog, cell.fade})
    {
        EXPECT_EQ(label->GetPosition(), CPoint(256, 128));
        EXPECT_EQ(label->GetSize(), BaseLib::CSize(64, 64));
    }

    renderer->Release();
    EXPECT_EQ(renderer->GetMapWindow(), nullptr);
    EXPECT_TRUE(renderer->GetCellWindows().empty());
    EXPECT_TRUE(renderer->GetMarkers().empty());
    EXPECT_EQ(scroll->GetView()->GetClientArea()->GetChildCount(), 0);
}

TEST_F(MapRendererTest, TilesFogAndTheirImages)
{
    map.GetCell(3, 2).tile = "missing";
    Start();
    // The solved puzzle's tile, "empty" shows no picture but its label stays for its markers.
    EXPECT_STREQ(CellAt(1, 2).tile->GetBitmapFile(),
                 m_Aliases.ResolvePath("interface>map/jungle/grass_solved.png").c_str());
    EXPECT_TRUE(CellAt(1, 2).tile->GetVisible());
    EXPECT_FALSE(CellAt(2, 1).tile->GetBitmap().IsValid());
    EXPECT_TRUE(CellAt(2, 1).tile->GetVisible());
    // A missing image: the placeholder, cut to the cell.
    EXPECT_TRUE(CellAt(3, 2).tile->GetBitmap().IsPlaceholder());
    EXPECT_EQ(CellAt(3, 2).tile->GetSize(), BaseLib::CSize(64, 64));

    // The fog image follows the mask at the next refresh.
    for (const int mask : {6, 8, 0, 15})
    {
        map.GetCell(4, 2).fogMask = static_cast<std::uint8_t>(mask);
        map.MarkChanged();
        renderer->Update(0.02);
        EXPECT_STREQ(CellAt(4, 2).fade->GetBitmapFile(), CMapRenderer2D::FogImage(mask)) << mask;
    }
}

TEST_F(MapRendererTest, BarriersLocksKeysAndGold)
{
    Start();
    // The passage from the lock into (4, 1), not revealed: a western barrier; the one into (1, 3) hides its
    // obstacle.
    EXPECT_EQ(BarrierPositions(), std::vector<CPoint>{CPoint(240, 80)});

    const std::vector<UILib::CWindow*> locks = MarkersIn(CellAt(3, 1).tile);
    ASSERT_EQ(locks.size(), 2u);
    const auto* lockA = static_cast<UILib::CSimpleAnimatedLabel*>(locks[0]);
    const auto* lockC = static_cast<UILib::CSimpleAnimatedLabel*>(locks[1]);
    EXPECT_STREQ(lockA->GetBitmapFile(), "map/lockA.png");
    EXPECT_STREQ(lockC->GetBitmapFile(), "map/lockC.png");
    // Each 12 x 12 (one frame of six), the second one frame's width and a pixel further.
    EXPECT_EQ(lockA->GetPosition(), CPoint(24, 24));
    EXPECT_EQ(lockA->GetSize(), BaseLib::CSize(12, 12));
    EXPECT_EQ(lockC->GetPosition(), CPoint(37, 24));
    EXPECT_EQ(lockA->GetFrameCount(), 6);
    EXPECT_EQ(lockA->GetSpeed(), 100);
    EXPECT_EQ(lockA->GetLoopDelay(), 3000);
    EXPECT_TRUE(lockA->IsPlaying());

    const std::vector<UILib::CWindow*> keys = MarkersIn(CellAt(2, 1).tile);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_STREQ(static_cast<UILib::CSimpleAnimatedLabel*>(keys[0])->GetBitmapFile(), "map/keyA.png");
    EXPECT_EQ(keys[0]->GetPosition(), CPoint(19, 24));

    const std::vector<UILib::CWindow*> gold = MarkersIn(CellAt(2, 2).tile);
    ASSERT_EQ(gold.size(), 2u);
    auto* amount = dynamic_cast<UILib::CLabel*>(gold[0]);
    ASSERT_NE(amount, nullptr);
    EXPECT_STREQ(amount->GetText(), "30");
    EXPECT_EQ(amount->GetPosition(), CPoint(20, 45));
    EXPECT_TRUE(amount->IsAlwaysOnTop());
    // The inline font's strip is found: digits "3" and "0" are 5 and 12 pixels wide, kerned by 1.
    auto* font = dynamic_cast<UILib::CBitmapFont*>(amount->GetFont().Get());
    ASSERT_NE(font, nullptr);
    ASSERT_NE(font->FindGlyph(u'3'), nullptr);
    EXPECT_EQ(font->FindGlyph(u'3')->GetWidth(), 5);
    ASSERT_NE(font->FindGlyph(u'0'), nullptr);
    EXPECT_EQ(font->FindGlyph(u'0')->GetWidth(), 12);
    EXPECT_EQ(amount->GetSize().cx, 5 + 1 + 12);
    auto* coin = static_cast<UILib::CSimpleAnimatedLabel*>(gold[1]);
    EXPECT_STREQ(coin->GetBitmapFile(), "map/gold_coin.png");
    EXPECT_EQ(coin->GetPosition(), CPoint(0, 45));
    EXPECT_EQ(coin->GetSpeed(), 200);
    EXPECT_EQ(coin->GetLoopDelay(), 0);
    EXPECT_EQ(coin->GetAnimMode(), UILib::CSimpleAnimatedLabel::PingPong);

    // Without a change nothing is rebuilt.
    const std::vector<UILib::CWindow*> before = renderer->GetMarkers();
    renderer->Update(0.02);
    EXPECT_EQ(renderer->GetMarkers(), before);

    // With keys A and C the lock opens, (4, 1) is revealed: locks and barrier go at the next refresh.
    map.SetKeys(1, 0, 1);
    ASSERT_TRUE(map.EnterCell(3, 1));
    renderer->Update(0.02);
    EXPECT_TRUE(MarkersIn(CellAt(3, 1).tile).empty());
    EXPECT_TRUE(BarrierPositions().empty());
    // The key is taken at the visit; the gold opens its cell.
    map.VisitCell(2, 1);
    map.SetGold(30);
    ASSERT_TRUE(map.EnterCell(2, 2));
    renderer->Update(0.02);
    EXPECT_TRUE(renderer->GetMarkers().empty());
}

TEST_F(MapRendererTest, BarrierNeedsAnUnrevealedNeighbourAndAShownObstacle)
{
    map.GetCell(1, 3).walkBits &= static_cast<std::uint8_t>(~MapCell::HideObstacleNorth);
    Start();
    // A northern barrier now on (1, 3) besides the western one on (4, 1).
    EXPECT_EQ(BarrierPositions(), (std::vector<CPoint>{CPoint(240, 80), CPoint(80, 176)}));
    map.GetCell(1, 3).state |= MapCell::StateRevealed;
    map.MarkChanged();
    renderer->Update(0.02);
    EXPECT_EQ(BarrierPositions(), std::vector<CPoint>{CPoint(240, 80)});
}

TEST_F(MapRendererTest, FigureHighlightAndScrolling)
{
    Start();
    map.SetHighlight(true, 2.5f, 1.5f);
    renderer->Update(0.02);
    EXPECT_TRUE(renderer->GetHighlight()->GetVisible());
    EXPECT_EQ(renderer->GetHighlight()->GetPosition(), CPoint(128, 64));
    map.SetHighlight(false, 0.0f, 0.0f);
    renderer->Update(0.02);
    EXPECT_FALSE(renderer->GetHighlight()->GetVisible());

    // A view smaller than the map: the figure is kept in its middle, inside the scroll range.
    scroll->SetSize(200, 150);
    renderer->Update(0.02);
    const BaseLib::CSize view = scroll->GetView()->GetSize();
    const int maxX = 384 - view.cx;
    const int maxY = 320 - view.cy;
    struct Case
    {
        float fx, fy;
        CPoint figure;
    };
    const Case cases[] = {{3.5f, 2.5f, CPoint(192, 128)},
                          {1.2f, 1.7f, CPoint(44, 76)},
                          {0.5f, 0.5f, CPoint(0, 0)},
                          {5.5f, 4.5f, CPoint(320, 256)}};
    for (const Case& c : cases)
    {
        map.SetPlayerPosition(c.fx, c.fy);
        renderer->Update(0.02);
        EXPECT_EQ(renderer->GetFigure()->GetPosition(), c.figure);
        EXPECT_EQ(scroll->GetHScrollPos(), std::clamp(c.figure.x - (view.cx - 64) / 2, 0, maxX)) << c.fx;
        EXPECT_EQ(scroll->GetVScrollPos(), std::clamp(c.figure.y - (view.cy - 64) / 2, 0, maxY)) << c.fy;
    }
}

TEST_F(MapRendererTest, PointerReachesTheOwnerInCells)
{
    Start();
    Frame(10);
    Translate(Platform::WM_MOUSEMOVE, 0, 130, 70);
    Translate(Platform::WM_LBUTTONDOWN, Platform::MK_LBUTTON, 130, 70);
    Translate(Platform::WM_LBUTTONUP, 0, 130, 70);
    ASSERT_EQ(owner.cells.size(), 1u);
    EXPECT_EQ(owner.cells[0], std::make_pair(2, 1));
    EXPECT_TRUE(owner.positions.empty());
    Translate(Platform::WM_LBUTTONDBLCLK, Platform::MK_LBUTTON, 130, 70);
    Translate(Platform::WM_LBUTTONUP, 0, 130, 70);
    ASSERT_EQ(owner.positions.size(), 1u);
    EXPECT_EQ(owner.positions[0], std::make_tuple(2, 1, 2.03125f, 1.09375f));
    EXPECT_EQ(owner.cells.size(), 1u);

    // A scrolled view: the point is still in map pixels.
    scroll->SetSize(200, 150);
    map.SetPlayerPosition(5.5f, 4.5f);
    renderer->Update(0.02);
    const CPoint scrolled(scroll->GetHScrollPos(), scroll->GetVScrollPos());
    ASSERT_GT(scrolled.x, 0);
    Translate(Platform::WM_MOUSEMOVE, 0, 10, 10);
    Translate(Platform::WM_LBUTTONDOWN, Platform::MK_LBUTTON, 10, 10);
    ASSERT_EQ(owner.cells.size(), 2u);
    EXPECT_EQ(owner.cells[1], std::make_pair((10 + scrolled.x) / 64, (10 + scrolled.y) / 64));
}

TEST_F(MapRendererTest, ComposedPictureShowsTilesFogBarrierMarkersAndFigure)
{
    Start();
    Compose();
    const std::filesystem::path output = std::filesystem::path(QUARROW_TEST_OUTPUT_DIR) / "map_renderer.png";
    std::filesystem::create_directories(output.parent_path());
    ASSERT_TRUE(presenter->WritePng(output.string()));

    std::ifstream file(output, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    std::string error;
    ASSERT_TRUE(Platform::DecodePng(bytes.data(), bytes.size(), width, height, rgba, error)) << error;
    ASSERT_EQ(width, ScreenWidth);
    ASSERT_EQ(height, ScreenHeight);
    const auto at = [&](int x, int y) {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
        return CColor(rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]);
    };
    struct Probe
    {
        const char* what;
        int x, y;
        CColor colour;
    };
    const Probe probes[] = {
        {"figure in the middle of (3, 2)", 224, 160, Figure},
        {"a revealed grass cell, no fog", 74, 74, Grass},
        {"the solved puzzle's tile", 74, 138, GrassSolved},
        {"an empty tile shows the map picture", 128 + 40, 64 + 50, MapPicture},
        {"(4, 1): fog on its eastern half", 256 + 48, 64 + 40, Fogged(Grass)},
        {"(4, 1): none on its western half, by the lock", 256 + 20, 64 + 50, Grass},
        {"the western barrier on the closed edge", 250, 85, WesternBarrier},
        {"lock A on (3, 1)", 192 + 28, 64 + 28, CColor(0, 0, 220, 255)},
        {"key A on (2, 1)", 128 + 22, 64 + 28, CColor(255, 140, 0, 255)},
        {"the coin on (2, 2)", 128 + 4, 128 + 50, CColor(230, 190, 40, 255)},
        {"the border: fog over the map picture", 10, 10, Fogged(MapPicture)},
    };
    for (const Probe& probe : probes)
    {
        EXPECT_TRUE(Near(at(probe.x, probe.y), probe.colour))
            << probe.what << ": " << Describe(at(probe.x, probe.y)) << " instead of " << Describe(probe.colour);
        EXPECT_EQ(at(probe.x, probe.y), Pixel(probe.x, probe.y)) << probe.what;
    }
    // The "empty" tile's label draws nothing at all (no picture, no text) right of its key marker.
    for (int y = 64; y < 128; ++y)
    {
        for (int x = 160; x < 192; ++x)
        {
            ASSERT_EQ(at(x, y), MapPicture) << x << "," << y;
        }
    }
}

TEST_F(MapRendererTest, LiftedFogFadesOutAndUnchangedFogStays)
{
    Start();
    Frame(10);
    Compose();
    const CPoint lifting(256 + 48, 64 + 40); // the fogged half of (4, 1)
    const CPoint staying(64 + 48, 192 + 48); // the fogged south-east quarter of (1, 3)
    const CColor stayingBefore = Pixel(staying.x, staying.y);
    ASSERT_TRUE(Near(Pixel(lifting.x, lifting.y), Fogged(Grass)));
    ASSERT_TRUE(Near(stayingBefore, Fogged(Grass)));

    // The lock opens: (4, 1) is revealed and loses its fog.
    map.SetKeys(1, 0, 1);
    ASSERT_TRUE(map.EnterCell(3, 1));
    ASSERT_EQ(map.GetCell(4, 1).fogMask, 0);
    ASSERT_EQ(map.GetCell(1, 3).fogMask, 3);
    renderer->Update(0.02);
    Compose();
    EXPECT_TRUE(Near(Pixel(lifting.x, lifting.y), Fogged(Grass))) << Describe(Pixel(lifting.x, lifting.y));
    EXPECT_EQ(Pixel(staying.x, staying.y), stayingBefore);

    Frame(500);
    Compose();
    EXPECT_TRUE(Near(Pixel(lifting.x, lifting.y), Fogged(Grass, 0.5), 6)) << Describe(Pixel(lifting.x, lifting.y));
    EXPECT_EQ(Pixel(staying.x, staying.y), stayingBefore);

    Frame(600);
    Compose();
    EXPECT_EQ(Pixel(lifting.x, lifting.y), Grass) << Describe(Pixel(lifting.x, lifting.y));
    EXPECT_EQ(Pixel(staying.x, staying.y), stayingBefore);
    EXPECT_FALSE(renderer->GetLayer(1)->GetVisible());
}

TEST_F(MapRendererTest, MapWithoutCellsBuildsTheMapWindowAlone)
{
    TestMap empty;
    renderer = std::make_unique<CMapRenderer2D>(&owner, &empty);
    renderer->LoadResources(scroll);
    ASSERT_NE(renderer->GetMapWindow(), nullptr);
    EXPECT_EQ(renderer->GetMapWindow()->GetChildCount(), 0);
    EXPECT_EQ(renderer->GetFigure(), nullptr);
    renderer->Draw();
    renderer->Update(0.02);
    EXPECT_TRUE(renderer->GetMarkers().empty());
}

// A map read anew with another size: the old windows are not indexed past their end; a new tree fits.
TEST_F(MapRendererTest, MapOfAnotherSizeWaitsForNewWindows)
{
    Start();
    map.Build(6, 6);
    map.MarkChanged();
    renderer->Update(0.02);
    EXPECT_EQ(renderer->GetCellWindows().size(), 30u);
    renderer->LoadResources(scroll);
    renderer->Update(0.02);
    ASSERT_EQ(renderer->GetCellWindows().size(), 64u);
    EXPECT_TRUE(renderer->GetCellWindows()[9].tile->GetVisible()); // drawn at once
    EXPECT_EQ(scroll->GetClientAreaSize(), BaseLib::CSize(512, 512));
    EXPECT_EQ(scroll->GetView()->GetClientArea()->GetChildCount(), 1);
}

// The map screen deletes its renderer; the windows and their callbacks go with it, also when the scroll
// window went first.
TEST_F(MapRendererTest, DeletingTheRendererTakesItsWindows)
{
    Start();
    UILib::CWindow* clientArea = scroll->GetView()->GetClientArea();
    renderer.reset();
    EXPECT_EQ(clientArea->GetChildCount(), 0);

    Start();
    UILib::CWindow::Delete(scroll);
    scroll = nullptr;
    renderer.reset();
}

} // namespace
