#include "ControlBench.h"
#include "PropertyAccess.h"

#include "ui/Panel.h"
#include "ui/StandardVisualization.h"
#include "ui/Visualization.h"
#include "ui/controls/Button.h"
#include "ui/controls/GroupBox.h"

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CSize;
using UILib::CGroupBox;
using UILib::CWindow;

namespace
{

// The standard theme's group box insets: left 5, top 20, right 5, bottom 5.
constexpr std::int32_t InsetLeft = 5;
constexpr std::int32_t InsetTop = 20;

// The standard theme with wider group box insets: left 12, top 30, right 8, bottom 6.
class CWideInsetTheme : public UILib::CStandardVisualization
{
public:
    CWideInsetTheme()
    {
        m_metrics.groupBoxInsetLeft = 12;
        m_metrics.groupBoxInsetTop = 30;
        m_metrics.groupBoxInsetRight = 8;
        m_metrics.groupBoxInsetBottom = 6;
    }
};
constexpr std::uint32_t WideInsetTag = 0x57494445; // "WIDE"

class GroupBoxTest : public ControlTest
{
};

TEST_F(GroupBoxTest, LayoutChildrenSitInTheClientAreaAtTheInsets)
{
    const std::string path = WriteLayout("group.xml", R"xml(
<window type="CGroupBox">
  <property name="Text" value="Options"/>
  <property name="Size" value="(200, 120)"/>
  <property name="Position" value="(40, 30)"/>
  <window type="CButton">
    <property name="Name" value="apply"/>
    <property name="Position" value="(10, 8)"/>
  </window>
  <window type="CCheckBox"><property name="Name" value="again"/></window>
</window>
)xml");
    auto* group = dynamic_cast<CGroupBox*>(Factory()->LoadLayout(path, RootWindow()));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetDebugDescription(), BaseLib::CString("CGroupBox Label = Options"));
    CWindow* clientArea = group->GetClientArea();
    ASSERT_NE(clientArea, nullptr);
    EXPECT_EQ(group->FindChildByName("__clientarea", false, "CTransparentWindow"), clientArea);
    EXPECT_TRUE(clientArea->IsTransparent());
    EXPECT_EQ(clientArea->GetPosition(), CPoint(InsetLeft, InsetTop));
    EXPECT_EQ(clientArea->GetSize(), CSize(200 - 5 - 5, 120 - 20 - 5));

    ASSERT_EQ(group->GetChildCount(), 2) << "the client area's children, not the client area";
    CWindow* apply = clientArea->FindChildByName("apply", false);
    ASSERT_NE(apply, nullptr);
    EXPECT_EQ(group->GetChildHandle(0), apply->GetHandle());
    EXPECT_EQ(apply->GetScreenPosition(), CPoint(40 + InsetLeft + 10, 30 + InsetTop + 8));

    // Another theme moves and resizes the client area; the children stay where they are in it.
    UILib::CVisualizationRegistry::GetInstance()->Register(WideInsetTag, [] { return new CWideInsetTheme(); });
    group->SetVisualization(WideInsetTag);
    EXPECT_EQ(clientArea->GetPosition(), CPoint(12, 30));
    EXPECT_EQ(clientArea->GetSize(), CSize(200 - 12 - 8, 120 - 30 - 6));
    EXPECT_EQ(apply->GetPosition(), CPoint(10, 8));
    EXPECT_EQ(apply->GetScreenPosition(), CPoint(40 + 12 + 10, 30 + 30 + 8));
    group->SetSize(150, 100);
    EXPECT_EQ(clientArea->GetSize(), CSize(150 - 12 - 8, 100 - 30 - 6));
}

TEST_F(GroupBoxTest, TheFrameIsDrawnAndTheBackgroundCanBeLeftOut)
{
    // Red panels behind both boxes show where a box lets them through.
    for (const std::int32_t x : {20, 260})
    {
        Make<UILib::CPanel>(x, 20, 200, 140)->SetColor(CColor(255, 0, 0, 255));
    }
    auto* filled = Make<CGroupBox>(20, 20, 200, 140);
    filled->SetText("Filled");
    auto* open = Make<CGroupBox>(260, 20, 200, 140);
    open->SetText("Without background");
    Make<UILib::CButton>(10, 10, 80, 24, filled)->SetText("Inside");
    SetProperty(*open, "Background", "false");
    EXPECT_TRUE(open->IsTransparent());
    Compose();

    EXPECT_EQ(Pixel(20 + 100, 20 + 100), StandardPalette(0)) << "the background hides the panel";
    EXPECT_EQ(Pixel(260 + 100, 20 + 100), CColor(255, 0, 0, 255)) << "without it the panel shows";
    // The frame's left edge: the outer shadow line, then the light one inside it.
    for (const std::int32_t x : {20, 260})
    {
        EXPECT_EQ(Pixel(x, 20 + 60), StandardPalette(17));
        EXPECT_EQ(Pixel(x + 1, 20 + 60), StandardPalette(14));
    }
    EXPECT_FALSE(SavePicture("groupbox").empty());
}

} // namespace
