// The map editor's renderer on the test map in the running game: the overlays per cell (walkability,
// level numbers), the selection marker, the right click handed on as a cell, the release, and a picture.
#include "tools/mapeditor/MapEditorRenderer2D.h"

#include "tests/tools/mapeditor/MapEditorTestSupport.h"
#include "tools/mapeditor/MapWalkabilityDisplay.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"
#include "ui/controls/ScrollWindow.h"
#include "ui/controls/SimpleAnimatedLabel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace
{

using BaseLib::CPoint;
using MapEditorTesting::MapEditorGameTest;

class StubOwner : public CMapRendererOwner, public CMapEditorRendererOwner
{
public:
    void OnPointerCell(int, int) override {}
    void OnPointerPosition(int, int, float, float) override {}
    void OnCellRightClicked(int x, int y) override { rightClicks.emplace_back(x, y); }
    CPoint GetSelectedCell() const override { return selected; }

    CPoint selected{1, 1};
    std::vector<std::pair<int, int>> rightClicks;
};

std::uint32_t Rgb(std::uint32_t pixel)
{
    return pixel & 0xFFFFFFu;
}

class MapEditorRendererTest : public MapEditorGameTest
{
protected:
    void SetUp() override
    {
        MapEditorGameTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(StartGame());
        map = &StartTestMap();
        field = new UILib::CScrollWindow();
        field->SetSize(640, 480);
        UILib::CWindowManager::GetInstance()->GetLayerRoot(0)->AddChild(field->GetHandle());
        renderer = std::make_unique<CMapEditorRenderer2D>(&owner, &owner, map);
        renderer->LoadResources(field);
        renderer->Draw();
        ASSERT_TRUE(game->RunFrames(2));
    }
    void TearDown() override
    {
        renderer.reset();
        MapEditorGameTest::TearDown();
    }

    const CMapEditorRenderer2D::Overlay& At(int x, int y) const
    {
        return renderer->GetOverlays()[static_cast<std::size_t>(y * map->GetSize().cx + x)];
    }
    // The frame's pixel at (x, y) of the window.
    std::uint32_t Pixel(const UILib::CWindow& window, int x, int y)
    {
        int width = 0;
        int height = 0;
        const GameTesting::Pixels pixels = game->ReadFrame(width, height);
        const BaseLib::CRect rect = game->WindowPixels(window);
        const int px = rect.left + x;
        const int py = rect.top + y;
        EXPECT_TRUE(px >= 0 && py >= 0 && px < width && py < height);
        return pixels.empty() ? 0 : pixels[static_cast<std::size_t>(py * width + px)];
    }

    StubOwner owner;
    CEditableMap* map = nullptr;
    UILib::CScrollWindow* field = nullptr;
    std::unique_ptr<CMapEditorRenderer2D> renderer;
};

TEST_F(MapEditorRendererTest, LaysADisplayAndALabelOverEveryCellAndNumbersTheLevels)
{
    ASSERT_EQ(renderer->GetOverlays().size(), 30u);
    EXPECT_NE(game->Trace().find("map renderer init; map says it's testland (0)\n"), std::string::npos);
    EXPECT_EQ(renderer->GetMapWindow()->GetSize(), BaseLib::CSize(384, 320));
    for (int y = 0; y < 5; ++y)
    {
        for (int x = 0; x < 6; ++x)
        {
            const auto& overlay = At(x, y);
            EXPECT_EQ(overlay.display->GetPosition(), CPoint(64 * x, 64 * y));
            EXPECT_EQ(overlay.label->GetPosition(), CPoint(64 * x, 64 * y));
            EXPECT_TRUE(overlay.display->IsAlwaysOnTop());
            EXPECT_TRUE(overlay.label->IsAlwaysOnTop());
        }
    }
    // No puzzle: no number; level 0 reads "1"; level 50 (outside the list) still reads its number.
    EXPECT_FALSE(At(1, 1).label->IsVisible());
    EXPECT_TRUE(At(2, 1).label->IsVisible());
    EXPECT_EQ(std::string(static_cast<const char*>(At(2, 1).label->GetText())), "1");
    EXPECT_EQ(std::string(static_cast<const char*>(At(3, 2).label->GetText())), "51");
    EXPECT_EQ(At(2, 1).label->GetHorizontalAlignment(), 2);
    EXPECT_EQ(At(2, 1).label->GetVerticalAlignment(), 2);
    // The fog, the tiles and the figure stay hidden; the marker stands on the selected cell.
    EXPECT_FALSE(renderer->GetLayer(0)->IsVisible());
    EXPECT_FALSE(renderer->GetLayer(1)->IsVisible());
    EXPECT_FALSE(renderer->GetFigure()->IsVisible());
    ASSERT_NE(renderer->GetSelectionMarker(), nullptr);
    EXPECT_EQ(renderer->GetSelectionMarker()->GetPosition(), CPoint(64, 64));
    owner.selected = CPoint(3, 2);
    renderer->Draw();
    EXPECT_EQ(renderer->GetSelectionMarker()->GetPosition(), CPoint(192, 128));
}

TEST_F(MapEditorRendererTest, ShowsPassagesExitPylonAndTreasureOnTheirCells)
{
    const CMapWalkabilityDisplay& cross = *At(2, 2).display;
    for (int direction = 0; direction < 4; ++direction)
    {
        EXPECT_TRUE(cross.HasConnection(direction)) << direction;
    }
    EXPECT_EQ(cross.GetCaption(), "Pylon\n3 stars");
    EXPECT_TRUE(At(1, 1).display->IsExit());
    EXPECT_EQ(At(1, 1).display->GetCaption(), "");
    // The border cell beside the exit has no passage: the map's edge leads nowhere.
    EXPECT_FALSE(At(0, 1).display->HasConnection(CMapWalkabilityDisplay::Right));

    // The green cross through the whole cell, read back from the frame.
    const std::uint32_t green = 0x00FF00;
    for (const auto& [x, y] : {std::pair{32, 2}, {32, 61}, {2, 32}, {61, 32}, {32, 12}, {52, 32}})
    {
        EXPECT_EQ(Rgb(Pixel(cross, x, y)), green) << x << ", " << y;
    }
    EXPECT_NE(Rgb(Pixel(cross, 8, 8)), green);
    // The exit's square outline.
    const CMapWalkabilityDisplay& exit = *At(1, 1).display;
    EXPECT_EQ(Rgb(Pixel(exit, 22, 30)), 0xFF8080u);
    EXPECT_EQ(Rgb(Pixel(exit, 30, 42)), 0xFF8080u);
    EXPECT_NE(Rgb(Pixel(exit, 27, 27)), 0xFF8080u);

    // Taking a passage away repaints only that cell's lines.
    map->GetCell(2, 3).walkBits = 0;
    renderer->Draw();
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_FALSE(cross.HasConnection(CMapWalkabilityDisplay::Down));
    EXPECT_NE(Rgb(Pixel(cross, 32, 61)), green);
    EXPECT_EQ(Rgb(Pixel(cross, 32, 2)), green);
}

TEST_F(MapEditorRendererTest, ARightClickReachesTheOwnerAsTheCellUnderIt)
{
    BaseLib::CPoint point(130, 70);
    renderer->GetMapWindow()->OnRButtonDown(point, 0);
    EXPECT_EQ(owner.rightClicks, (std::vector<std::pair<int, int>>{{2, 1}}));
}

TEST_F(MapEditorRendererTest, ReleaseLeavesNoOverlayOrMarkerAndASecondReleaseDoesNothing)
{
    std::vector<UILib::Handle> handles;
    for (const auto& overlay : renderer->GetOverlays())
    {
        handles.push_back(overlay.display->GetHandle());
        handles.push_back(overlay.label->GetHandle());
    }
    handles.push_back(renderer->GetSelectionMarker()->GetHandle());
    renderer->Release();
    renderer->Release();
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_TRUE(renderer->GetOverlays().empty());
    EXPECT_EQ(renderer->GetSelectionMarker(), nullptr);
    for (const UILib::Handle handle : handles)
    {
        EXPECT_EQ(UILib::CWindowManager::GetInstance()->Resolve(handle), nullptr);
    }
    // Started again on a map of another size: one pair per new cell.
    ASSERT_TRUE(map->LoadXml(0, (Root() / "levels" / "wide.map.xml").string()));
    renderer->LoadResources(field);
    renderer->Draw();
    EXPECT_EQ(renderer->GetOverlays().size(), 80u);
}

TEST_F(MapEditorRendererTest, OverlaysStopWhereTheWindowTableRunsOut)
{
    // The table filled by windows of no parent until 21 slots are left once the map window's own tree
    // is made: room for the marker and ten overlay pairs of the thirty cells.
    renderer->Release();
    renderer->CMapRenderer2D::LoadResources(field);
    const UILib::CHandleTable& table = UILib::CWindowManager::GetInstance()->GetWindowTable();
    const std::size_t live = table.GetEntryCount() - table.GetFreeCount();
    renderer->CMapRenderer2D::Release();
    std::vector<UILib::CWindow*> fillers;
    for (std::size_t i = live; i + 21 < UILib::CHandleTable::MaxEntries; ++i)
    {
        fillers.push_back(UILib::CWindow::Create());
    }
    renderer->LoadResources(field);
    EXPECT_EQ(renderer->GetOverlays().size(), 10u);
    EXPECT_NE(game->Trace().find("the map has 30 cells; only the first 10 get overlays"), std::string::npos);
    for (const auto& overlay : renderer->GetOverlays())
    {
        EXPECT_NE(overlay.display->GetHandle(), 0u);
        EXPECT_NE(overlay.label->GetHandle(), 0u);
    }
    ASSERT_NE(renderer->GetSelectionMarker(), nullptr);
    EXPECT_NE(renderer->GetSelectionMarker()->GetHandle(), 0u);
    renderer->Release();
    for (UILib::CWindow* filler : fillers)
    {
        filler->Delete();
    }
}

TEST_F(MapEditorRendererTest, Picture)
{
    owner.selected = CPoint(2, 2);
    renderer->Draw();
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "map_editor_renderer"));
}

} // namespace
