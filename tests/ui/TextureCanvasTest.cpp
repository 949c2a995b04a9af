#include "foundation/TypeTag.h"
#include "ui/Clock.h"
#include "ui/TextureCanvas.h"
#include "ui/Visualization.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{

using BaseLib::CPoint;
using BaseLib::CVector2;
using UILib::CTextureCanvas;

// A texture canvas that owns its pixels.
class CTestTextureCanvas : public CTextureCanvas
{
public:
    CTestTextureCanvas(std::int32_t width, std::int32_t height)
        : CTextureCanvas(width, height), m_block(static_cast<std::size_t>(width) * height)
    {
        SetPixels(m_block.data(), width);
    }
    void Destroy() override { delete this; }
    std::uint32_t GetTypeTag() const override { return BaseLib::MakeTypeTag("TTEX"); }
    void SetPosition(std::int32_t x, std::int32_t y) override { SetOffset(static_cast<float>(x), static_cast<float>(y)); }
    CPoint GetPosition() const override
    {
        return CPoint(static_cast<std::int32_t>(m_offset.x), static_cast<std::int32_t>(m_offset.y));
    }
    void BeginDraw() override {}
    void EndDraw(bool) override {}

private:
    std::vector<BaseLib::CColor> m_block;
};

// The window-system clock held at a time for one test.
class TextureCanvasTest : public ::testing::Test
{
protected:
    void SetUp() override { UILib::SetTimeOverride(10.0); }
    void TearDown() override { UILib::SetTimeOverride(-1.0); }

    static void SetProperty(CTextureCanvas& canvas, const char* name, const std::string& text)
    {
        UILib::CPropertyList properties;
        canvas.GetProperties(properties);
        for (const auto& property : properties)
        {
            if (property.GetDescription()->GetName() == name)
            {
                property.SetFromString(text);
                return;
            }
        }
        ADD_FAILURE() << "no property " << name;
    }
};

TEST_F(TextureCanvasTest, ConstructedDefaults)
{
    CTestTextureCanvas canvas(100, 50);
    EXPECT_EQ(canvas.GetTransparencyLevel(), 255);
    EXPECT_EQ(canvas.GetBrightnessLevel(), 255);
    EXPECT_EQ(canvas.GetFilterMode(), 0);
    EXPECT_EQ(canvas.GetOffset(), CVector2(0, 0));
    EXPECT_EQ(canvas.GetScaling(), CVector2(1, 1));
    EXPECT_EQ(canvas.GetPivot(), CVector2(50, 25));
    EXPECT_EQ(canvas.GetRotation(), 0.0f);
    EXPECT_FALSE(canvas.GetContentChanged());
    EXPECT_FALSE(canvas.IsVertexShaderWanted());
    EXPECT_FALSE(canvas.IsAnimating());
    canvas.SetContentChanged(false);
    EXPECT_TRUE(canvas.GetContentChanged()); // set whatever the argument
    canvas.EnableVertexShader("shader.vsh");
    EXPECT_TRUE(canvas.IsVertexShaderWanted());
}

TEST_F(TextureCanvasTest, RampsTable)
{
    struct Step
    {
        double time;
        std::string action; // "" = UpdateAnimations only
        int transparency;
        bool animatingAfter;
    };
    struct Case
    {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"fade runs out", {{10.25, "", 127, true}, {10.5, "", 0, false}, {11.0, "", 0, false}}},
        {"level set stops the fade", {{10.25, "", 127, true}, {10.3, "level 200", 200, false}, {10.5, "", 200, false}}},
        {"property keeps the fade", {{10.1, "property 0.5", 127, true}, {10.25, "", 127, true}, {10.5, "", 0, false}}},
        {"property clamps", {{10.0, "property 1.5", 255, true}, {10.0, "property -0.1", 0, true}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        UILib::SetTimeOverride(10.0);
        CTestTextureCanvas canvas(8, 8);
        canvas.FadeTransparencyTo(0.0f, 0.5f);
        for (const Step& step : c.steps)
        {
            UILib::SetTimeOverride(step.time);
            if (step.action == "level 200")
            {
                canvas.SetTransparencyLevel(200);
            }
            else if (step.action.rfind("property ", 0) == 0)
            {
                SetProperty(canvas, "Transparency", step.action.substr(9));
                EXPECT_EQ(canvas.GetTransparencyLevel(), step.transparency);
                continue;
            }
            canvas.UpdateAnimations();
            EXPECT_EQ(canvas.GetTransparencyLevel(), step.transparency) << step.time;
            const bool animating = canvas.IsAnimating();
            EXPECT_EQ(animating, step.animatingAfter) << step.time;
        }
    }
}

TEST_F(TextureCanvasTest, IsAnimatingOnTheLastStepAndZeroDurations)
{
    CTestTextureCanvas canvas(8, 8);
    canvas.MoveTo(20.0f, -4.0f, 1.0f);
    canvas.RotateTo(1.0f, 2.0f);
    UILib::SetTimeOverride(10.5);
    EXPECT_TRUE(canvas.IsAnimating());
    EXPECT_EQ(canvas.GetOffset(), CVector2(10.0f, -2.0f));
    EXPECT_FLOAT_EQ(canvas.GetRotation(), 0.25f);
    UILib::SetTimeOverride(12.0);
    EXPECT_TRUE(canvas.IsAnimating()); // the last ramps finish in this call
    EXPECT_FALSE(canvas.IsAnimating());
    EXPECT_EQ(canvas.GetOffset(), CVector2(20.0f, -4.0f));

    canvas.FadeBrightnessTo(0.0f, 0.0f);
    EXPECT_EQ(canvas.GetBrightnessLevel(), 255);
    canvas.UpdateAnimations();
    EXPECT_EQ(canvas.GetBrightnessLevel(), 0);
    EXPECT_FALSE(canvas.IsAnimating());

    // A direct set ends both ramps of the pair.
    canvas.ScaleTo(3.0f, 3.0f, 1.0f);
    canvas.SetScaling(2.0f, 2.0f);
    EXPECT_FALSE(canvas.IsAnimating());
    EXPECT_EQ(canvas.GetScaling(), CVector2(2.0f, 2.0f));
}

TEST_F(TextureCanvasTest, ResizeKeepsThePivotInPlace)
{
    CTestTextureCanvas canvas(100, 50);
    canvas.Resize(200, 100);
    EXPECT_EQ(canvas.GetPivot(), CVector2(100, 50));
    EXPECT_EQ(canvas.GetSize(), BaseLib::CSize(200, 100));
    EXPECT_EQ(canvas.GetBounds(), BaseLib::CRect(0, 0, 200, 100));

    CTestTextureCanvas empty(0, 0);
    empty.Resize(40, 20);
    EXPECT_EQ(empty.GetPivot(), CVector2(20, 10));
    empty.SetRotation(0.5f);
    const CPoint mapped = empty.TransformPoint(20, 10);
    EXPECT_EQ(mapped, CPoint(20, 10)); // the pivot maps onto itself
}

TEST_F(TextureCanvasTest, TransformsMapScreenPointsIntoTheCanvas)
{
    CTestTextureCanvas canvas(100, 100);
    canvas.SetPivot(0.0f, 0.0f);
    canvas.SetOffset(100.0f, 50.0f);
    canvas.SetScaling(2.0f, 2.0f);
    EXPECT_EQ(canvas.TransformPoint(100, 50), CPoint(0, 0));
    EXPECT_EQ(canvas.TransformPoint(102, 52), CPoint(1, 1));

    CTestTextureCanvas rotated(100, 100);
    rotated.SetRotation(static_cast<float>(M_PI / 2));
    EXPECT_EQ(rotated.TransformPoint(100, 0), CPoint(0, 0));
    EXPECT_EQ(rotated.TransformPoint(0, 100), CPoint(100, 100));

    CTestTextureCanvas parent(100, 100);
    CTestTextureCanvas child(10, 10);
    child.SetPivot(0.0f, 0.0f);
    child.SetOffset(5.0f, 5.0f);
    parent.AddChildCanvas(&child);
    EXPECT_EQ(child.TransformPoint(5, 5), CPoint(0, 0));
    parent.SetOffset(30.0f, 40.0f);
    EXPECT_EQ(child.TransformPoint(35, 45), CPoint(0, 0));
    EXPECT_EQ(child.TransformPoint(36, 47), CPoint(1, 2));
}

TEST_F(TextureCanvasTest, SixPropertiesBoundToTheCanvas)
{
    CTestTextureCanvas canvas(10, 10);
    UILib::CPropertyList properties;
    canvas.GetProperties(properties);
    std::vector<std::string> names;
    for (const auto& property : properties)
    {
        names.push_back(property.GetDescription()->GetName());
        EXPECT_EQ(property.GetObject(), &canvas);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Transparency", "Brightness", "Pivot", "Rotation", "Scaling",
                                               "Filter Mode"}));
    SetProperty(canvas, "Filter Mode", "Linear");
    EXPECT_EQ(canvas.GetFilterMode(), 1);
    SetProperty(canvas, "Transparency", "0.25");
    EXPECT_EQ(canvas.GetTransparencyLevel(), 63);
    SetProperty(canvas, "Rotation", "9");
    EXPECT_FLOAT_EQ(canvas.GetRotation(), 3.14159f);
    std::string text;
    properties[0].GetAsString(text);
    EXPECT_NEAR(std::stof(text), 63.0f / 255.0f, 1e-5);
    canvas.SetBrightnessLevel(51);
    properties[1].GetAsString(text);
    EXPECT_NEAR(std::stof(text), 0.2f, 1e-5);
}

// A theme that counts how often it is made and destroyed.
int g_made = 0;
int g_destroyed = 0;

class CCountingTheme : public UILib::CVisualization
{
public:
    explicit CCountingTheme(std::uint32_t tag) : m_tag(tag)
    {
        ++g_made;
        m_metrics.transparentWindows = 1;
        m_metrics.captionHeight = 18;
    }
    void Destroy() override
    {
        ++g_destroyed;
        delete this;
    }
    std::uint32_t GetTypeTag() const override { return m_tag; }
    UILib::CVisualizationFontMetrics GetFontMetrics(std::int32_t) override { return {}; }
    std::int32_t GetTextWidth(std::int32_t, const BaseLib::CString&) override { return 0; }
    // Fonts are not part of this test (and their type is complete only where fonts are built).
    BaseLib::CResourcePtr<UILib::CFont> GetFont(std::int32_t) override { std::abort(); }
    BaseLib::CRect GetBorderWidths(std::int32_t) override { return {}; }
    void DrawText(UILib::CDrawContext&, const BaseLib::CResourcePtr<UILib::CFont>&, const BaseLib::CRect&,
                  std::int32_t, std::int32_t, const BaseLib::CString&, std::uint32_t) override
    {}
    void DrawTextAt(UILib::CDrawContext&, const BaseLib::CResourcePtr<UILib::CFont>&, const CPoint&,
                    const BaseLib::CString&, std::uint32_t) override
    {}
    void DrawIndexedText(UILib::CDrawContext&, std::int32_t, const BaseLib::CRect&, std::int32_t, std::int32_t,
                         const BaseLib::CString&, std::uint32_t) override
    {}
    void DrawIndexedTextAt(UILib::CDrawContext&, std::int32_t, const CPoint&, const BaseLib::CString&,
                           std::uint32_t) override
    {}
    void FillBackground(UILib::CDrawContext&, const BaseLib::CRect&, std::int32_t) override {}
    void DrawGroupFrame(UILib::CDrawContext&, const BaseLib::CRect&, const BaseLib::CString&) override {}
    void DrawFrame(UILib::CDrawContext&, const BaseLib::CRect&, std::int32_t, std::int32_t) override {}
    void DrawCheckBox(UILib::CDrawContext&, const CPoint&, std::int32_t, bool) override {}
    void DrawRadioButton(UILib::CDrawContext&, const CPoint&, bool, bool) override {}
    void DrawTreeButton(UILib::CDrawContext&, const CPoint&, bool) override {}
    void DrawScrollBarButton(UILib::CDrawContext&, const CPoint&, std::int32_t, std::int32_t) override {}
    void DrawScrollBarThumb(UILib::CDrawContext&, const BaseLib::CRect&, std::int32_t) override {}
    void DrawSliderThumb(UILib::CDrawContext&, const CPoint&, bool, std::int32_t, bool) override {}
    void DrawSliderTrack(UILib::CDrawContext&, const BaseLib::CRect&, bool) override {}
    void DrawCaret(UILib::CDrawContext&, std::int32_t, const CPoint&) override {}
    void DrawSpinButton(UILib::CDrawContext&, const CPoint&, std::int32_t, std::int32_t) override {}
    void DrawComboButton(UILib::CDrawContext&, const BaseLib::CRect&, std::int32_t) override {}
    void DrawCloseButton(UILib::CDrawContext&, const BaseLib::CRect&, std::int32_t) override {}
    void DrawCaptionBar(UILib::CDrawContext&, const CPoint&, std::int32_t, const BaseLib::CString&, bool) override {}

private:
    std::uint32_t m_tag;
};

TEST(VisualizationRegistry, MakesOneObjectPerTagAndDestroysEachOnce)
{
    g_made = g_destroyed = 0;
    const std::uint32_t stnd = BaseLib::MakeTypeTag("STND");
    const std::uint32_t other = BaseLib::MakeTypeTag("OTHR");
    EXPECT_EQ(UILib::CVisualizationRegistry::GetInstance(), nullptr);
    {
        UILib::CVisualizationRegistry registry;
        EXPECT_EQ(UILib::CVisualizationRegistry::GetInstance(), &registry);
        registry.Register(stnd, [stnd] { return new CCountingTheme(stnd); });
        EXPECT_EQ(registry.GetVisualization(other), nullptr);
        EXPECT_EQ(g_made, 0);

        UILib::CVisualization* first = registry.GetVisualization(stnd);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(registry.GetVisualization(stnd), first);
        EXPECT_EQ(g_made, 1);
        EXPECT_EQ(first->GetMetrics().captionHeight, 18);
        EXPECT_EQ(first->GetMetrics().transparentWindows, 1);

        // A creator that answers null is asked again; re-registering replaces a creator not yet used.
        int asked = 0;
        registry.Register(other, [&asked]() -> UILib::CVisualization* {
            ++asked;
            return nullptr;
        });
        EXPECT_EQ(registry.GetVisualization(other), nullptr);
        EXPECT_EQ(registry.GetVisualization(other), nullptr);
        EXPECT_EQ(asked, 2);
        registry.Register(other, [other] { return new CCountingTheme(other); });
        EXPECT_EQ(registry.GetVisualization(other)->GetTypeTag(), other);
        EXPECT_EQ(g_made, 2);
    }
    EXPECT_EQ(g_destroyed, 2);
    EXPECT_EQ(UILib::CVisualizationRegistry::GetInstance(), nullptr);
}

} // namespace
