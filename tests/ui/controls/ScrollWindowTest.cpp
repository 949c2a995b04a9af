#include "ControlBench.h"
#include "PropertyAccess.h"
#include "ui/Panel.h"
#include "ui/controls/AnchorWindow.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"
#include "ui/controls/ScrollBar.h"
#include "ui/controls/ScrollWindow.h"

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;
using UILib::CAnchorWindow;
using UILib::CScrollBar;
using UILib::CScrollWindow;

namespace
{

class ScrollWindowTest : public ControlTest
{
protected:
    // A 400 × 300 scroll window at (20, 20) in a recording parent at the origin.
    void MakeScrollWindow()
    {
        parent = Make<CRecordingWindow>(0, 0, 640, 480);
        scroll = Make<CScrollWindow>(20, 20, 400, 300, parent);
        t = scroll->GetHorizontalBar()->GetSize().cy;
    }
    UILib::CWindow* ClientArea() const { return scroll->GetView()->GetClientArea(); }

    CRecordingWindow* parent = nullptr;
    CScrollWindow* scroll = nullptr;
    std::int32_t t = 0;
};

TEST_F(ScrollWindowTest, InternalChildrenAndForwarding)
{
    MakeScrollWindow();
    EXPECT_EQ(t, scroll->GetVerticalBar()->GetSize().cx);
    EXPECT_GT(t, 0);
    EXPECT_EQ(scroll->FindChildByName("__hscrollbar", false, "CScrollBar"), scroll->GetHorizontalBar());
    EXPECT_EQ(scroll->FindChildByName("__vscrollbar", false, "CScrollBar"), scroll->GetVerticalBar());
    EXPECT_EQ(scroll->FindChildByName("__clientarea", false, "CBasicScrollWindow"), scroll->GetView());
    EXPECT_EQ(scroll->GetVScrollSpeed(), 8);
    EXPECT_EQ(scroll->GetChildCount(), 0);
    UILib::CWindow* child = Make(0, 0, 10, 10, scroll);
    EXPECT_EQ(child->GetParent(), ClientArea()) << "added children land in the client area";
    EXPECT_EQ(scroll->GetChildCount(), 1);
    EXPECT_EQ(scroll->GetChildHandle(0), child->GetHandle());
    scroll->RemoveChild(child->GetHandle());
    EXPECT_EQ(scroll->GetChildCount(), 0);
    delete child;
}

TEST_F(ScrollWindowTest, LayoutTable)
{
    MakeScrollWindow();
    struct Case
    {
        const char* name;
        CSize client;
        int hMode, vMode;
        CSize clientAfter;
        bool hShown, vShown;
        CSize view;
    };
    const Case cases[] = {
        {"small client grows to the view", {100, 100}, 0, 0, {400, 300}, false, false, {400, 300}},
        {"wide client needs both bars", {1000, 300}, 0, 0, {1000, 300}, true, true, {400 - t, 300 - t}},
        {"tall client: the vertical bar narrows the view below the client", {390, 1000}, 0, 0, {400, 1000}, true, true,
         {400 - t, 300 - t}},
        {"horizontal never: vertical only", {200, 1000}, 2, 0, {400, 1000}, false, true, {400 - t, 300}},
        {"always shows disabled bars", {400, 300}, 1, 1, {400, 300}, true, true, {400 - t, 300 - t}},
        {"never shows nothing", {1000, 1000}, 2, 2, {1000, 1000}, false, false, {400, 300}},
        {"stored 3 acts as never", {1000, 1000}, 3, 3, {1000, 1000}, false, false, {400, 300}},
    };
    for (const Case& c : cases)
    {
        scroll->SetHScrollMode(c.hMode);
        scroll->SetVScrollMode(c.vMode);
        scroll->SetClientAreaSize(CSize(1, 1));
        scroll->SetClientAreaSize(c.client);
        EXPECT_EQ(scroll->GetClientAreaSize(), c.clientAfter) << c.name;
        EXPECT_EQ(scroll->GetHorizontalBar()->GetVisible(), c.hShown) << c.name;
        EXPECT_EQ(scroll->GetVerticalBar()->GetVisible(), c.vShown) << c.name;
        EXPECT_EQ(scroll->GetView()->GetSize(), c.view) << c.name;
    }
    scroll->SetHScrollMode(0);
    scroll->SetVScrollMode(0);
    scroll->SetClientAreaSize(CSize(1000, 300));
    CScrollBar* h = scroll->GetHorizontalBar();
    EXPECT_EQ(h->GetSize(), CSize(400 - t, t)) << "shortened by the vertical bar";
    EXPECT_EQ(h->GetPosition(), CPoint(0, 300 - t));
    EXPECT_EQ(h->GetRange(), 999);
    EXPECT_EQ(h->GetPageSize(), 400 - t);
    EXPECT_FALSE(h->GetDisabled());
    EXPECT_EQ(scroll->GetVerticalBar()->GetPosition(), CPoint(400 - t, 0));

    scroll->SetHScrollMode(-4);
    EXPECT_EQ(scroll->GetHScrollMode(), 0);
    scroll->SetHScrollMode(9);
    EXPECT_EQ(scroll->GetHScrollMode(), 3);
}

TEST_F(ScrollWindowTest, ScrollingByPropertyBarAndWheel)
{
    MakeScrollWindow();
    SetProperty(*scroll, "V Scroll Mode", "Never");
    scroll->SetClientAreaSize(CSize(1000, 300));
    SetProperty(*scroll, "H Scroll Pos", "5000");
    EXPECT_EQ(ClientArea()->GetPosition(), CPoint(-600, 0));
    EXPECT_EQ(scroll->GetHorizontalBar()->GetScrollPos(), 600);
    EXPECT_EQ(Property(*scroll, "H Scroll Pos"), "600");
    Frame();
    EXPECT_TRUE(parent->Of("BtnClick").empty()) << "the bars' notifications stop at the scroll window";

    // Mode Never on both axes: no bars, the properties still scroll.
    SetProperty(*scroll, "H Scroll Mode", "Never");
    scroll->SetClientAreaSize(CSize(1000, 1000));
    SetProperty(*scroll, "V Scroll Pos", "50");
    EXPECT_EQ(ClientArea()->GetPosition(), CPoint(-600, -50));
    Frame();

    // Bars on again: a click on the vertical bar's track scrolls by a page.
    SetProperty(*scroll, "H Scroll Mode", "Auto");
    SetProperty(*scroll, "V Scroll Mode", "Auto");
    SetProperty(*scroll, "V Scroll Pos", "0");
    Frame();
    Click(20 + 400 - t / 2, 20 + 300 - t - t - 5);
    Frame();
    EXPECT_EQ(scroll->GetVScrollPos(), 300 - t) << "one page";
    EXPECT_EQ(scroll->GetHScrollPos(), 600 + t - t) << "the other axis keeps its offset";

    // The wheel reaches the scroll window through the focused window inside it.
    UILib::CWindow* inside = Make(0, 0, 50, 50, scroll);
    Manager()->ActivateWindow(inside->GetHandle(), true);
    SetProperty(*scroll, "V Scroll Pos", "100");
    Wheel(120, 100, 100);
    EXPECT_EQ(scroll->GetVScrollPos(), 92);
    Wheel(60, 100, 100);
    EXPECT_EQ(scroll->GetVScrollPos(), 92);
    Wheel(-240, 100, 100);
    EXPECT_EQ(scroll->GetVScrollPos(), 108);
    EXPECT_EQ(scroll->GetVerticalBar()->GetScrollPos(), 108);
}

TEST_F(ScrollWindowTest, AHiddenBarKeepsThePropertyOffsetOfItsAxis)
{
    MakeScrollWindow();
    SetProperty(*scroll, "V Scroll Mode", "Never");
    scroll->SetClientAreaSize(CSize(1000, 1000));
    SetProperty(*scroll, "V Scroll Pos", "100");
    Click(20 + 200, 20 + 300 - t / 2); // the horizontal bar's track, after its thumb
    Frame();
    EXPECT_EQ(scroll->GetHScrollPos(), 400);
    EXPECT_EQ(scroll->GetVScrollPos(), 100);
    scroll->SetClientAreaSize(CSize(1000, 900));
    EXPECT_EQ(scroll->GetVScrollPos(), 100) << "a relayout keeps it too";
}

TEST_F(ScrollWindowTest, AButtonInsideReachesTheOwnerAbove)
{
    MakeScrollWindow();
    scroll->SetClientAreaSize(CSize(1000, 1000));
    auto* button = Make<UILib::CButton>(10, 10, 80, 30, scroll);
    Frame();
    parent->log.clear();
    Click(20 + 30, 20 + 20);
    Frame();
    const auto clicks = parent->Of("BtnClick");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].second, button->GetHandle());
    EXPECT_EQ(scroll->GetHScrollPos(), 0);
    EXPECT_EQ(scroll->GetVScrollPos(), 0);
}

TEST_F(ScrollWindowTest, ALayoutAddressesTheInternalChildren)
{
    const std::string path =
        WriteLayout("scroll.xml", "<window type=\"CScrollWindow\">\n"
                                  "  <property name=\"Size\" value=\"(300, 200)\"/>\n"
                                  "  <property name=\"Client Area Size\" value=\"(800, 600)\"/>\n"
                                  "  <window name=\"__vscrollbar\">\n"
                                  "    <property name=\"Scroll Speed\" value=\"17\"/>\n"
                                  "  </window>\n"
                                  "  <window type=\"CLabel\">\n"
                                  "    <property name=\"Name\" value=\"big\"/>\n"
                                  "    <property name=\"Size\" value=\"(800, 600)\"/>\n"
                                  "    <property name=\"Text\" value=\"Large\"/>\n"
                                  "  </window>\n"
                                  "</window>\n");
    UILib::CWindow* window = Factory()->LoadLayout(path, RootWindow());
    auto* loaded = dynamic_cast<CScrollWindow*>(window);
    ASSERT_NE(loaded, nullptr);
    UILib::CWindow* label = loaded->GetView()->GetClientArea()->FindChildByName("big", false, "CLabel");
    ASSERT_NE(label, nullptr) << "the label lands in the client area";
    EXPECT_EQ(loaded->GetVerticalBar()->GetScrollSpeed(), 17);
    EXPECT_EQ(Property(*loaded, "V Scroll Speed"), "17");
    EXPECT_TRUE(loaded->GetHorizontalBar()->GetVisible());
    EXPECT_TRUE(loaded->GetVerticalBar()->GetVisible());
    UILib::CPropertyList list;
    loaded->GetProperties(list);
    EXPECT_EQ(list.size(), 18u);
}

TEST_F(ScrollWindowTest, PictureWithBothBarsAndTheCorner)
{
    // On a white panel, so that the corner square stands out.
    auto* panel = Make<UILib::CPanel>(0, 0, 640, 480);
    panel->SetColor(CColor(255, 255, 255, 255));
    scroll = Make<CScrollWindow>(20, 20, 400, 300, panel);
    t = scroll->GetHorizontalBar()->GetSize().cy;
    scroll->SetClientAreaSize(CSize(1000, 800));
    auto* label = Make<UILib::CLabel>(0, 0, 1000, 800, scroll);
    label->SetText("Scrolled content");
    scroll->SetHScrollPos(100);
    scroll->SetVScrollPos(200);
    Compose();
    const CColor corner = StandardPalette(0);
    EXPECT_TRUE(AreaIs(CRect(20 + 400 - t, 20 + 300 - t, 20 + 400, 20 + 300), corner));
    EXPECT_EQ(Pixel(20 + 400 + 2, 20 + 300 + 2), CColor(255, 255, 255, 255));
    EXPECT_FALSE(SavePicture("scrollwindow").empty());
}

// Anchor window

class AnchorWindowTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        host = Make(0, 0, 800, 600);
    }
    CAnchorWindow* MakeAnchor(std::int32_t width, std::int32_t height)
    {
        return Make<CAnchorWindow>(0, 0, width, height, host);
    }
    UILib::CWindow* host = nullptr;
};

TEST_F(AnchorWindowTest, AnchorsOffsetsAndSizes)
{
    CAnchorWindow* anchor = MakeAnchor(100, 50);
    EXPECT_EQ(Property(*anchor, "Width %"), Property(*anchor, "Height %"));
    EXPECT_EQ(anchor->GetWidthPercent(), 100.0f);
    SetProperty(*anchor, "Anchor Point", "SouthEast");
    EXPECT_EQ(anchor->GetAnchorPoint(), 7);
    SetProperty(*anchor, "Rel X Pos", "-10");
    SetProperty(*anchor, "Rel Y Pos", "-10");
    EXPECT_EQ(anchor->GetPosition(), CPoint(690, 540));
    host->SetSize(1024, 768);
    EXPECT_EQ(anchor->GetPosition(), CPoint(914, 708));
    anchor->SetPosition(3, 3);
    EXPECT_EQ(anchor->GetPosition(), CPoint(914, 708)) << "the anchor decides the position";

    struct Case
    {
        const char* anchor;
        CPoint expected; // in a 1024 × 768 parent with a 100 × 50 window, no offset
    };
    const Case cases[] = {{"Center", {462, 359}}, {"North", {462, 0}},   {"East", {924, 359}},
                          {"South", {462, 718}},  {"West", {0, 359}},    {"NorthEast", {924, 0}},
                          {"SouthWest", {0, 718}}, {"NorthWest", {0, 0}}};
    SetProperty(*anchor, "Rel X Pos", "0");
    SetProperty(*anchor, "Rel Y Pos", "0");
    for (const Case& c : cases)
    {
        SetProperty(*anchor, "Anchor Point", c.anchor);
        EXPECT_EQ(anchor->GetPosition(), c.expected) << c.anchor;
    }

    host->SetSize(800, 600);
    SetProperty(*anchor, "Anchor Point", "Center");
    SetProperty(*anchor, "Positioning Unit", "percent");
    SetProperty(*anchor, "Rel X Pos", "10");
    EXPECT_EQ(anchor->GetPosition().x + 50, 400 + 80) << "the centre lies 80 px right of the parent's";

    SetProperty(*anchor, "Rel X Pos", "1e30");
    SetProperty(*anchor, "Rel Y Pos", "-1e30");
    const CPoint far = anchor->GetPosition();
    EXPECT_GT(far.x, 0);
    EXPECT_LT(far.y, 0);
}

TEST_F(AnchorWindowTest, RelativeSizeAndSameSizeChildren)
{
    CAnchorWindow* anchor = MakeAnchor(100, 50);
    UILib::CWindow* a = Make(5, 5, 10, 10, anchor);
    UILib::CWindow* b = Make(7, 9, 20, 20, anchor);
    SetProperty(*anchor, "Resize Childen", "SameSize");
    SetProperty(*anchor, "Width %", "50");
    SetProperty(*anchor, "Height %", "25");
    SetProperty(*anchor, "Resize Mode", "RelativeSize");
    EXPECT_EQ(anchor->GetSize(), CSize(400, 150));
    SetProperty(*anchor, "Size", "(10, 10)");
    EXPECT_EQ(anchor->GetSize(), CSize(400, 150)) << "a layout size is ignored";
    for (UILib::CWindow* child : {a, b})
    {
        EXPECT_EQ(child->GetSize(), CSize(400, 150));
        EXPECT_EQ(child->GetPosition(), CPoint(0, 0));
    }
    host->SetSize(1000, 400);
    EXPECT_EQ(anchor->GetSize(), CSize(500, 100));
    EXPECT_EQ(b->GetSize(), CSize(500, 100));

    SetProperty(*anchor, "Width %", "1e30");
    EXPECT_GT(anchor->GetSize().cx, 0) << "a huge per cent leaves a valid size";

    // Re-parenting runs the size update.
    CAnchorWindow* orphan = new CAnchorWindow();
    orphan->SetResizeMode(CAnchorWindow::RelativeWidth);
    orphan->SetWidthPercent(10);
    host->AddChild(orphan->GetHandle());
    EXPECT_EQ(orphan->GetSize().cx, 100);

    UILib::CPropertyList list;
    anchor->GetProperties(list);
    EXPECT_EQ(list.size(), 19u);
}

} // namespace
