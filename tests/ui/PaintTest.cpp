#include "tests/ui/UiFixture.h"
#include "tests/ui/support/MemoryCanvas.h"
#include "ui/Clock.h"
#include "ui/DrawContext.h"
#include "ui/Panel.h"
#include "ui/Visualization.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UiTestSupport::CMemoryTextureCanvas;
using Texts = std::vector<std::string>;

std::string RectText(const CRect& r)
{
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

// A window that logs each Paint as "<name> <clip in canvas coordinates>" and fills its clip with its colour.
class CPaintWindow : public UiTest::CTestWindow
{
public:
    CPaintWindow(const char* name, Texts* paints, CColor colour = CColor(0, 0, 0, 255))
        : CTestWindow(name), m_paints(paints), m_colour(colour)
    {}
    void Paint(UILib::CDrawContext& context) override
    {
        m_paints->push_back(std::string(static_cast<const char*>(GetName())) + " " + RectText(context.GetClipRect()));
        context.FillRect(GetClientRect(), m_colour);
    }

private:
    Texts* m_paints;
    CColor m_colour;
};

std::vector<CRect> Dirty(const UILib::CCanvas* canvas)
{
    std::vector<CRect> rects;
    for (std::uint32_t i = 0; i < canvas->GetDirtyRects().GetCount(); ++i)
    {
        rects.push_back(canvas->GetDirtyRects()[i]);
    }
    return rects;
}

CMemoryTextureCanvas* Memory(UILib::CWindow* window)
{
    return static_cast<CMemoryTextureCanvas*>(window->GetCanvas(false));
}

class PaintTest : public UiTest::UiFixture
{
protected:
    void SetUp() override
    {
        manager->SetCanvasFactory(&CMemoryTextureCanvas::Make);
        root = Window("root", nullptr, 0, 0, 100, 100);
        manager->AddLayer(root);
        root->SetOwnCanvas(true);
        Settle();
    }
    void TearDown() override { UILib::SetTimeOverride(-1.0); }

    CPaintWindow* Window(const char* name, UILib::CWindow* parent, int x, int y, int width, int height,
                         CColor colour = CColor(0, 0, 0, 255))
    {
        auto* window = new CPaintWindow(name, &paints, colour);
        window->SetPosition(x, y);
        window->SetSize(width, height);
        if (parent != nullptr)
        {
            EXPECT_TRUE(parent->AddChild(window->GetHandle()));
        }
        return window;
    }
    // Paints away everything invalid and forgets the log.
    void Settle()
    {
        manager->PaintLayers();
        paints.clear();
    }

    Texts paints;
    CPaintWindow* root = nullptr;
};

TEST_F(PaintTest, OpaqueWindowsHideWhatLiesBelow)
{
    CPaintWindow* a = Window("a", root, 10, 10, 40, 40);
    CPaintWindow* b = Window("b", root, 10, 10, 40, 40);
    Settle();

    root->InvalidateRect(CRect(10, 10, 50, 50), false);
    manager->PaintLayers();
    EXPECT_EQ(paints, Texts{"b 10 10 50 50"}); // neither the root nor a draws

    paints.clear();
    b->SetTransparent(true);
    manager->PaintLayers();
    EXPECT_EQ(paints, (Texts{"a 10 10 50 50", "b 10 10 50 50"})); // the opaque one first, then the transparent one

    a->SetVisible(false);
    b->SetVisible(false);
    CPaintWindow* half = Window("half", root, 0, 0, 50, 100);
    Settle();
    root->Invalidate(false);
    manager->PaintLayers();
    std::sort(paints.begin(), paints.end());
    EXPECT_EQ(paints, (Texts{"half 0 0 50 100", "root 50 0 100 100"}));
    EXPECT_EQ(half->GetCanvas(true), root->GetCanvas(false));
}

TEST_F(PaintTest, AnOwnCanvasInsideAnOffsetParentIsClippedInItsOwnCoordinates)
{
    // A group without a canvas of its own at (30, 20) holds a window with one at (10, 5).
    CPaintWindow* group = Window("group", root, 30, 20, 60, 60);
    CPaintWindow* inner = Window("inner", group, 10, 5, 20, 20);
    inner->SetOwnCanvas(true);
    Settle();
    manager->CompositeLayers(-1);
    ASSERT_FALSE(Memory(inner)->renders.empty());
    EXPECT_EQ(Memory(inner)->renders.back().rect, CRect(0, 0, 20, 20));
}

TEST_F(PaintTest, CanvasesWithoutDirtyRectanglesAreNotTouchedAndOwnCanvasesAreComposed)
{
    CPaintWindow* inner = Window("inner", root, 20, 20, 30, 30);
    inner->SetOwnCanvas(true);
    ASSERT_TRUE(inner->HasOwnCanvas());
    Settle();
    const int rootBegins = Memory(root)->beginDraws;
    const int innerBegins = Memory(inner)->beginDraws;

    manager->PaintLayers();
    EXPECT_EQ(Memory(root)->beginDraws, rootBegins);
    EXPECT_TRUE(paints.empty());

    root->Invalidate(false);
    manager->PaintLayers();
    EXPECT_EQ(paints, Texts{"root 0 0 100 100"}); // the inner window is not painted into the root's canvas
    EXPECT_EQ(Memory(inner)->beginDraws, innerBegins);

    manager->CompositeLayers(-1);
    ASSERT_EQ(Memory(root)->renders.size(), 1u);
    EXPECT_FALSE(Memory(root)->renders[0].withRect);
    ASSERT_EQ(Memory(inner)->renders.size(), 1u);
    EXPECT_TRUE(Memory(inner)->renders[0].withRect);
    EXPECT_EQ(Memory(inner)->renders[0].rect, CRect(0, 0, 30, 30));
}

TEST_F(PaintTest, BringingForwardInvalidatesAndReordersTheComposition)
{
    CPaintWindow* first = Window("first", root, 0, 0, 30, 30);
    CPaintWindow* second = Window("second", root, 10, 10, 30, 30);
    first->SetOwnCanvas(true);
    second->SetOwnCanvas(true);
    Settle();
    EXPECT_EQ(manager->GetLayerPaintingOrder(0), (std::vector<UILib::CWindow*>{root, first, second}));

    manager->ActivateWindow(first->GetHandle(), false);
    EXPECT_EQ(Dirty(first->GetCanvas(false)), std::vector<CRect>{CRect(0, 0, 30, 30)});
    EXPECT_EQ(manager->GetLayerPaintingOrder(0), (std::vector<UILib::CWindow*>{root, second, first}));
}

TEST_F(PaintTest, Invalidation)
{
    const UILib::CCanvas* canvas = root->GetCanvas(false);
    CPaintWindow* w = Window("w", root, 10, 20, 5, 5);
    Settle();
    root->GetCanvas(false)->ClearDirtyRects();

    w->SetVisible(false);
    EXPECT_EQ(Dirty(canvas), std::vector<CRect>{CRect(10, 20, 15, 25)}); // hiding clears the old area once
    root->GetCanvas(false)->ClearDirtyRects();
    w->Invalidate(false);
    EXPECT_TRUE(Dirty(canvas).empty());
    w->InvalidateRect(CRect(0, 0, 2, 2), true);
    EXPECT_EQ(Dirty(canvas), std::vector<CRect>{CRect(10, 20, 12, 22)});
    root->GetCanvas(false)->ClearDirtyRects();

    w->SetVisible(true);
    root->GetCanvas(false)->ClearDirtyRects();
    w->SetPosition(50, 60);
    std::vector<CRect> moved = Dirty(canvas);
    EXPECT_EQ(moved, (std::vector<CRect>{CRect(10, 20, 15, 25), CRect(50, 60, 55, 65)}));

    // Grand-children add the positions on the way up.
    CPaintWindow* inner = Window("inner", w, 1, 2, 2, 2);
    root->GetCanvas(false)->ClearDirtyRects();
    inner->Invalidate(false);
    EXPECT_EQ(Dirty(canvas), std::vector<CRect>{CRect(51, 62, 53, 64)});

    auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    ASSERT_TRUE(root->AddChild(panel->GetHandle()));
    root->GetCanvas(false)->ClearDirtyRects();
    panel->SetColor(CColor(255, 255, 255, 255));
    EXPECT_TRUE(Dirty(canvas).empty());
    panel->SetColor(CColor(255, 255, 255, 254));
    EXPECT_EQ(Dirty(canvas).size(), 1u);
}

TEST_F(PaintTest, HitTestingThroughCanvases)
{
    CPaintWindow* a = Window("a", root, 10, 10, 20, 20);
    CPaintWindow* b = Window("b", root, 20, 20, 20, 20);
    EXPECT_EQ(manager->WindowFromPoint(CPoint(25, 25)), b); // the later child wins
    EXPECT_EQ(manager->WindowFromPoint(CPoint(15, 15)), a);
    EXPECT_EQ(root->WindowFromPoint(CPoint(100, 50), false), nullptr); // the column x = width is outside
    EXPECT_EQ(a->WindowFromPoint(CPoint(30, 15), false), nullptr);
    b->SetNotHitable(true);
    CPaintWindow* underB = Window("c", b, 0, 0, 20, 20);
    EXPECT_EQ(manager->WindowFromPoint(CPoint(25, 25)), a); // b and its child are skipped
    (void)underB;

    CPaintWindow* scaled = Window("scaled", root, 30, 40, 20, 20);
    scaled->SetOwnCanvas(true);
    auto* canvas = static_cast<UILib::CTextureCanvas*>(scaled->GetCanvas(false));
    canvas->SetPivot(0.0f, 0.0f);
    canvas->SetScaling(2.0f, 2.0f); // drawn at (30, 40) … (70, 80)
    EXPECT_EQ(scaled->ScreenToClient(CPoint(30, 40)), CPoint(0, 0));
    EXPECT_EQ(scaled->ScreenToClient(CPoint(50, 60)), CPoint(10, 10));
    EXPECT_EQ(manager->WindowFromPoint(CPoint(68, 78)), scaled);

    struct CReceiver
    {
        void OnClick(UILib::CWindow*, CPoint& point) { points.push_back(point); }
        std::vector<CPoint> points;
    } receiver;
    scaled->SetOnLButtonDown(UILib::CMouseCallback::Bind(&receiver, &CReceiver::OnClick));
    Mouse("MLBDwn", 30, 40);
    Mouse("MLBDwn", 68, 78);
    EXPECT_EQ(receiver.points, (std::vector<CPoint>{CPoint(0, 0), CPoint(19, 19)}));
}

TEST_F(PaintTest, OwnCanvasesFollowTheWindowTree)
{
    CPaintWindow* outer = Window("outer", root, 10, 10, 60, 60);
    CPaintWindow* child = Window("child", outer, 5, 6, 20, 20);
    child->SetOwnCanvas(true);
    UILib::CCanvas* rootCanvas = root->GetCanvas(false);
    UILib::CCanvas* childCanvas = child->GetCanvas(false);
    EXPECT_EQ(rootCanvas->GetChildCanvases(), std::vector<UILib::CCanvas*>{childCanvas});
    EXPECT_EQ(childCanvas->GetPosition(), CPoint(15, 16));

    outer->SetOwnCanvas(true);
    UILib::CCanvas* outerCanvas = outer->GetCanvas(false);
    EXPECT_EQ(outerCanvas->GetChildCanvases(), std::vector<UILib::CCanvas*>{childCanvas});
    EXPECT_EQ(childCanvas->GetPosition(), CPoint(5, 6));
    EXPECT_EQ(rootCanvas->GetChildCanvases(), std::vector<UILib::CCanvas*>{outerCanvas});
    EXPECT_EQ(child->ScreenToClient(CPoint(15, 16)), CPoint(0, 0));

    const int destroyedBefore = CMemoryTextureCanvas::destroyed;
    outer->SetOwnCanvas(false);
    EXPECT_EQ(CMemoryTextureCanvas::destroyed, destroyedBefore + 1);
    EXPECT_EQ(rootCanvas->GetChildCanvases(), std::vector<UILib::CCanvas*>{childCanvas});
    EXPECT_EQ(childCanvas->GetPosition(), CPoint(15, 16));

    // Moving a window with an own canvas only re-places its canvas: nothing is invalidated.
    rootCanvas->ClearDirtyRects();
    childCanvas->ClearDirtyRects();
    child->SetPosition(7, 8);
    EXPECT_EQ(childCanvas->GetPosition(), CPoint(17, 18));
    EXPECT_TRUE(Dirty(rootCanvas).empty());
    EXPECT_TRUE(Dirty(childCanvas).empty());
    child->SetPosition(5, 6);

    // Moving a window without an own canvas re-places the own canvases below it.
    outer->SetPosition(20, 30);
    EXPECT_EQ(childCanvas->GetPosition(), CPoint(25, 36));
    EXPECT_EQ(child->ScreenToClient(CPoint(25, 36)), CPoint(0, 0));

    // Properties: six more while the canvas is on.
    UILib::CPropertyList list;
    child->GetProperties(list);
    const std::size_t with = list.size();
    child->SetOwnCanvas(false);
    list.clear();
    child->GetProperties(list);
    EXPECT_EQ(with, list.size() + 6);
    EXPECT_EQ(rootCanvas->GetChildCanvases().size(), 0u);

    // Resizing resizes the own canvas.
    outer->SetOwnCanvas(true);
    outer->SetSize(33, 44);
    EXPECT_EQ(outer->GetCanvas(false)->GetSize(), BaseLib::CSize(33, 44));
}

TEST_F(PaintTest, WithoutAFactoryOwnCanvasStaysOff)
{
    manager->SetCanvasFactory(nullptr);
    CPaintWindow* w = Window("w", root, 0, 0, 10, 10);
    UILib::CPropertyList list;
    w->GetProperties(list);
    for (const auto& property : list)
    {
        if (property.GetDescription()->GetName() == "Own Canvas")
        {
            property.SetFromString("true");
            std::string text;
            property.GetAsString(text);
            EXPECT_EQ(text, "false");
        }
    }
    EXPECT_FALSE(w->HasOwnCanvas());
}

TEST_F(PaintTest, FadesHideAndShowTheWindow)
{
    CPaintWindow* w = Window("w", root, 0, 0, 10, 10);
    w->SetOwnCanvas(true);
    auto* canvas = static_cast<UILib::CTextureCanvas*>(w->GetCanvas(false));
    UILib::SetTimeOverride(100.0);
    manager->UpdateWindowAnimations();
    w->PlayAnimation("fadeout", false, 1.0f, false);
    UILib::SetTimeOverride(100.5);
    manager->UpdateWindowAnimations();
    EXPECT_TRUE(w->GetVisible());
    EXPECT_EQ(canvas->GetTransparencyLevel(), 127);
    UILib::SetTimeOverride(102.0);
    manager->UpdateWindowAnimations();
    EXPECT_FALSE(w->GetVisible());
    EXPECT_EQ(canvas->GetTransparencyLevel(), 0);

    w->PlayAnimation("fadein", false, 1.0f, false);
    UILib::SetTimeOverride(102.0);
    manager->UpdateWindowAnimations();
    EXPECT_TRUE(w->GetVisible()); // at once
    EXPECT_EQ(canvas->GetTransparencyLevel(), 0);
    UILib::SetTimeOverride(103.5);
    manager->UpdateWindowAnimations();
    EXPECT_EQ(canvas->GetTransparencyLevel(), 255);

    // Setting a canvas again keeps one set of keys.
    w->SetOwnCanvas(false);
    w->SetOwnCanvas(true);
    const UILib::CWindowAnimation* fadeOut = w->GetAnimations()->FindAnimation("fadeout");
    ASSERT_NE(fadeOut, nullptr);
    EXPECT_EQ(fadeOut->GetLength(), 1.0f);
    EXPECT_EQ(fadeOut->GetTracks().size(), 2u);
}

TEST_F(PaintTest, DeletingAnOwnCanvasWindowLeavesTheComposition)
{
    CPaintWindow* gone = Window("gone", root, 0, 0, 10, 10);
    CPaintWindow* stays = Window("stays", root, 20, 0, 10, 10);
    gone->SetOwnCanvas(true);
    stays->SetOwnCanvas(true);
    manager->CompositeLayers(0);
    gone->Delete();
    manager->PaintLayers();
    manager->CompositeLayers(0);
    EXPECT_EQ(manager->GetLayerPaintingOrder(0), (std::vector<UILib::CWindow*>{root, stays}));
    EXPECT_EQ(Memory(stays)->renders.size(), 2u);
    EXPECT_EQ(root->GetCanvas(false)->GetChildCanvases(), std::vector<UILib::CCanvas*>{stays->GetCanvas(false)});
}

TEST_F(PaintTest, PanelsAndTransparentWindows)
{
    auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    EXPECT_EQ(panel->GetSize(), BaseLib::CSize(100, 100));
    EXPECT_EQ(panel->GetColor(), CColor(255, 255, 255, 255));
    EXPECT_FALSE(panel->IsTransparent());
    EXPECT_STREQ(panel->GetClassName(), "CPanel");
    ASSERT_TRUE(root->AddChild(panel->GetHandle()));
    UILib::CPropertyList list;
    panel->GetProperties(list);
    ASSERT_EQ(list.back().GetDescription()->GetName(), "Color");
    list.back().SetFromString("(0, 0, 0, 128)");
    EXPECT_EQ(panel->GetColor(), CColor(0, 0, 0, 128));
    EXPECT_STREQ(panel->GetDebugDescription(), "CPanel extends(0, 0, 100, 100), color(0, 0, 0, 128)");
    manager->PaintLayers();
    EXPECT_EQ(Memory(root)->GetPixel(50, 50), CColor(0, 0, 0, 128)); // stored, not blended

    auto* group = static_cast<UILib::CTransparentWindow*>(UILib::CTransparentWindow::Create());
    EXPECT_STREQ(group->GetClassName(), "CTransparentWindow");
    EXPECT_TRUE(group->IsTransparent());
    group->SetSize(50, 50);
    ASSERT_TRUE(root->AddChild(group->GetHandle()));
    CPaintWindow* inside = Window("inside", group, 5, 5, 10, 10);
    (void)inside;
    paints.clear();
    root->Invalidate(false);
    manager->PaintLayers();
    EXPECT_EQ(std::count(paints.begin(), paints.end(), "inside 5 5 15 15"), 1);
}

// A theme that fills backgrounds in one colour and says windows are transparent.
TEST_F(PaintTest, DefaultPaintUsesTheVisualization)
{
    struct CFillTheme : UILib::CVisualization
    {
        CFillTheme() { m_metrics.transparentWindows = 1; }
        void Destroy() override { delete this; }
        std::uint32_t GetTypeTag() const override { return 1; }
        UILib::CVisualizationFontMetrics GetFontMetrics(std::int32_t) override { return {}; }
        std::int32_t GetTextWidth(std::int32_t, const BaseLib::CString&) override { return 0; }
        BaseLib::CResourcePtr<UILib::CFont> GetFont(std::int32_t) override { std::abort(); }
        BaseLib::CRect GetBorderWidths(std::int32_t) override { return {}; }
        void DrawText(UILib::CDrawContext&, const BaseLib::CResourcePtr<UILib::CFont>&, const CRect&, std::int32_t,
                      std::int32_t, const BaseLib::CString&, std::uint32_t) override
        {}
        void DrawTextAt(UILib::CDrawContext&, const BaseLib::CResourcePtr<UILib::CFont>&, const CPoint&,
                        const BaseLib::CString&, std::uint32_t) override
        {}
        void DrawIndexedText(UILib::CDrawContext&, std::int32_t, const CRect&, std::int32_t, std::int32_t,
                             const BaseLib::CString&, std::uint32_t) override
        {}
        void DrawIndexedTextAt(UILib::CDrawContext&, std::int32_t, const CPoint&, const BaseLib::CString&,
                               std::uint32_t) override
        {}
        void FillBackground(UILib::CDrawContext& context, const CRect& rect, std::int32_t style) override
        {
            context.FillRect(rect, CColor(style, 200, 0, 255));
        }
        void DrawGroupFrame(UILib::CDrawContext&, const CRect&, const BaseLib::CString&) override {}
        void DrawFrame(UILib::CDrawContext&, const CRect&, std::int32_t, std::int32_t) override {}
        void DrawCheckBox(UILib::CDrawContext&, const CPoint&, std::int32_t, bool) override {}
        void DrawRadioButton(UILib::CDrawContext&, const CPoint&, bool, bool) override {}
        void DrawTreeButton(UILib::CDrawContext&, const CPoint&, bool) override {}
        void DrawScrollBarButton(UILib::CDrawContext&, const CPoint&, std::int32_t, std::int32_t) override {}
        void DrawScrollBarThumb(UILib::CDrawContext&, const CRect&, std::int32_t) override {}
        void DrawSliderThumb(UILib::CDrawContext&, const CPoint&, bool, std::int32_t, bool) override {}
        void DrawSliderTrack(UILib::CDrawContext&, const CRect&, bool) override {}
        void DrawCaret(UILib::CDrawContext&, std::int32_t, const CPoint&) override {}
        void DrawSpinButton(UILib::CDrawContext&, const CPoint&, std::int32_t, std::int32_t) override {}
        void DrawComboButton(UILib::CDrawContext&, const CRect&, std::int32_t) override {}
        void DrawCloseButton(UILib::CDrawContext&, const CRect&, std::int32_t) override {}
        void DrawCaptionBar(UILib::CDrawContext&, const CPoint&, std::int32_t, const BaseLib::CString&, bool) override
        {}
    };
    auto* plain = new UILib::CWindow();
    plain->SetPosition(10, 10);
    plain->SetSize(5, 5);
    ASSERT_TRUE(root->AddChild(plain->GetHandle()));
    manager->PaintLayers(); // no registry: the plain window draws nothing over the root's black
    EXPECT_EQ(Memory(root)->GetPixel(12, 12), CColor(0, 0, 0, 255));

    UILib::CVisualizationRegistry registry;
    registry.Register(plain->GetVisualizationId(), [] { return new CFillTheme(); });
    EXPECT_FALSE(plain->IsTransparent());
    EXPECT_TRUE(plain->ApplyVisualization());
    EXPECT_TRUE(plain->IsTransparent());
    manager->PaintLayers();
    EXPECT_EQ(Memory(root)->GetPixel(12, 12), CColor(0, 200, 0, 255));
}

TEST_F(PaintTest, PictureOfAComposedLayer)
{
    UiTestSupport::CSoftwarePresenter presenter(100, 100, CColor(40, 40, 40, 255));
    auto* back = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    back->SetColor(CColor(30, 60, 160, 255));
    ASSERT_TRUE(root->AddChild(back->GetHandle()));
    auto* red = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    red->SetColor(CColor(220, 40, 40, 255));
    red->SetSize(40, 30);
    red->SetPosition(5, 5);
    ASSERT_TRUE(root->AddChild(red->GetHandle()));
    auto* group = static_cast<UILib::CTransparentWindow*>(UILib::CTransparentWindow::Create());
    group->SetSize(60, 60);
    group->SetPosition(30, 30);
    ASSERT_TRUE(root->AddChild(group->GetHandle()));
    auto* green = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    green->SetColor(CColor(40, 200, 60, 255));
    green->SetSize(20, 20);
    green->SetPosition(0, 0);
    ASSERT_TRUE(group->AddChild(green->GetHandle()));
    auto* floating = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    floating->SetColor(CColor(255, 255, 0, 255));
    floating->SetSize(20, 20);
    floating->SetPosition(60, 60);
    ASSERT_TRUE(root->AddChild(floating->GetHandle()));
    floating->SetOwnCanvas(true);
    auto* canvas = static_cast<UILib::CTextureCanvas*>(floating->GetCanvas(false));
    canvas->SetTransparencyLevel(128);
    canvas->SetPivot(0.0f, 0.0f);
    canvas->SetScaling(1.5f, 1.5f);

    manager->PaintLayers();
    manager->CompositeLayers(0);
    const std::filesystem::path folder = QUARROW_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(presenter.WritePng((folder / "paint_pass.png").string()));

    EXPECT_EQ(presenter.GetPixel(2, 2), CColor(30, 60, 160, 255));   // back panel
    EXPECT_EQ(presenter.GetPixel(10, 10), CColor(220, 40, 40, 255)); // red panel
    EXPECT_EQ(presenter.GetPixel(35, 35), CColor(40, 200, 60, 255)); // green panel in the group
    // Yellow at half transparency over the blue back panel, scaled 1.5 from (60, 60): to (90, 90).
    const CColor mixed = presenter.GetPixel(85, 85);
    EXPECT_EQ(mixed, CColor((255 * 128 + 30 * 127) >> 8, (255 * 128 + 60 * 127) >> 8, (160 * 127) >> 8, 255));
    EXPECT_EQ(Memory(floating)->renders.back().rect, CRect(0, 0, 20, 20));
    EXPECT_EQ(presenter.GetPixel(95, 95), CColor(30, 60, 160, 255));
}

} // namespace
