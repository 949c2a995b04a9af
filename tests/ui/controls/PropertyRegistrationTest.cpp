#include "ControlBench.h"

#include "platform/os/DebugOutput.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/controls/PropertyTable.h"

#include <sstream>

using namespace ControlBench;
using BaseLib::CGenericProperty;

namespace
{

// The binding of a display name in the window's list; fails the test when there is none.
CGenericProperty Binding(UILib::CWindow& window, const std::string& name)
{
    UILib::CPropertyList list;
    window.GetProperties(list);
    for (const CGenericProperty& property : list)
    {
        if (property.GetDescription()->GetName() == name)
        {
            return property;
        }
    }
    ADD_FAILURE() << window.GetClassName() << " lists no \"" << name << "\"";
    return CGenericProperty(nullptr, nullptr);
}

std::string Get(UILib::CWindow& window, const std::string& name)
{
    std::string text;
    const CGenericProperty property = Binding(window, name);
    if (property.GetDescription() != nullptr)
    {
        property.GetAsString(text);
    }
    return text;
}

void Set(UILib::CWindow& window, const std::string& name, const std::string& text)
{
    const CGenericProperty property = Binding(window, name);
    if (property.GetDescription() != nullptr)
    {
        property.SetFromString(text);
    }
}

class PropertyRegistrations : public ControlTest
{
};

TEST_F(PropertyRegistrations, LimitsApplyThroughRealWindows)
{
    auto* window = Make<UILib::CWindow>(10, 10, 50, 50);
    window->SetOwnCanvas(true);
    ASSERT_TRUE(window->HasOwnCanvas());
    struct Case
    {
        const char* property;
        const char* text;
        const char* reads;
    };
    // In order: each case starts from the state the one before left.
    const Case cases[] = {
        {"Size", "(0, 20000)", "(1, 10000)"},
        {"Size", "(40, 30)", "(40, 30)"},
        {"Position", "(-20000, 7)", "(-10000, 7)"},
        {"Position", "(10, 10)", "(10, 10)"},
        {"Visible", "TRUE", "false"},
        {"Visible", "true", "true"},
        {"Visible", "true ", "false"},
        {"Visible", "true", "true"},
        {"Filter Mode", "Linear", "Linear"},
        {"Filter Mode", "linear", "Point"},
        {"Rotation", "4", "3.14159"},
        {"Rotation", "-4", "-3.14159"},
        {"Scaling", "(0, 2)", "(0.001, 2)"},
        {"Transparency", "-1", "0"},
        {"Brightness", "2", "1"},
    };
    for (const Case& c : cases)
    {
        Set(*window, c.property, c.text);
        EXPECT_EQ(Get(*window, c.property), c.reads) << c.property << " from \"" << c.text << "\"";
    }
    EXPECT_EQ(window->GetSize(), BaseLib::CSize(40, 30));
    EXPECT_TRUE(window->GetVisible());
    const auto* canvas = static_cast<UILib::CTextureCanvas*>(window->GetCanvas(false));
    EXPECT_EQ(canvas->GetFilterMode(), 0);
    EXPECT_FLOAT_EQ(canvas->GetRotation(), -3.14159f);
    EXPECT_FLOAT_EQ(canvas->GetScaling().x, 0.001f);
}

TEST_F(PropertyRegistrations, TheOwnCanvasAddsSixPropertiesBoundToTheCanvas)
{
    auto* window = Make<UILib::CWindow>(10, 10, 50, 50);
    UILib::CPropertyList list;
    window->GetProperties(list);
    EXPECT_EQ(list.size(), 11u);
    Set(*window, "Own Canvas", "true");
    ASSERT_TRUE(window->HasOwnCanvas());
    list.clear();
    window->GetProperties(list);
    ASSERT_EQ(list.size(), 17u);
    auto* canvas = static_cast<UILib::CTextureCanvas*>(window->GetCanvas(false));
    const char* const canvasProperties[] = {"Transparency", "Brightness", "Pivot", "Rotation", "Scaling", "Filter Mode"};
    for (std::size_t i = 0; i < 6; ++i)
    {
        EXPECT_EQ(list[11 + i].GetDescription()->GetName(), canvasProperties[i]);
        EXPECT_EQ(list[11 + i].GetObject(), static_cast<void*>(canvas));
    }
    for (std::size_t i = 0; i < 11; ++i)
    {
        EXPECT_EQ(list[i].GetObject(), static_cast<void*>(window));
    }
    list[11].SetFromString("0.2");
    EXPECT_EQ(canvas->GetTransparencyLevel(), 51);
    EXPECT_EQ(Get(*window, "Transparency"), "0.2");

    // The list is built afresh: without the canvas the six are gone again.
    Set(*window, "Own Canvas", "false");
    list.clear();
    window->GetProperties(list);
    EXPECT_EQ(list.size(), 11u);
}

TEST_F(PropertyRegistrations, InstancesShareRegistrationsButNotValues)
{
    auto* first = Make<UILib::CPanel>(0, 0, 20, 20);
    auto* second = Make<UILib::CPanel>(30, 0, 20, 20);
    UILib::CPropertyList a;
    UILib::CPropertyList b;
    first->GetProperties(a);
    second->GetProperties(b);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        EXPECT_EQ(a[i].GetDescription(), b[i].GetDescription());
        EXPECT_NE(a[i].GetObject(), b[i].GetObject());
        EXPECT_FALSE(a[i].GetDescription()->IsReadOnly());
        EXPECT_EQ(a[i].GetDescription()->GetExtraText(), "");
    }
    Set(*first, "Color", "(1, 2, 3, 4)");
    Set(*first, "Name", "first");
    EXPECT_EQ(Get(*first, "Color"), "(1, 2, 3, 4)");
    EXPECT_EQ(Get(*second, "Color"), "(255, 255, 255, 255)");
    EXPECT_EQ(Get(*second, "Name"), "");
}

// Layout values that are not in their kind's written form are applied as read, with one warning naming
// the file, the line, the window and the property.
TEST_F(PropertyRegistrations, LayoutValuesNotReadWholeAreAppliedWithOneWarning)
{
    struct Case
    {
        const char* type;
        bool ownCanvas;
        const char* property;
        const char* value;
        const char* taken;
        bool warns;
    };
    const Case cases[] = {
        {"CWindow", false, "Size", "(30)", "(30, 1)", true},
        {"CWindow", false, "Visible", "yes", "false", true},
        {"CWindow", true, "Filter Mode", "linear", "Point", true},
        {"CPanel", false, "Color", "(255, 0, 0)", "(255, 0, 0, 0)", true},
        {"CWindow", true, "Transparency", "0.5x", "0.498039", true},
        {"CWindow", false, "Size", "(30, 40)", "(30, 40)", false},
        {"CWindow", false, "Visible", "false", "false", false},
        {"CWindow", true, "Filter Mode", "Linear", "Linear", false},
    };
    int index = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.property) + " \"" + c.value + "\"");
        const std::string file = "case" + std::to_string(index++) + ".xml";
        // The property of the case stands on line 6.
        std::ostringstream xml;
        xml << "  <window type=\"" << c.type << "\">\n"
            << "    <property name=\"Name\" value=\"probe\"/>\n"
            << "    <property name=\"Own Canvas\" value=\"" << (c.ownCanvas ? "true" : "false") << "\"/>\n"
            << "    <property name=\"" << c.property << "\" value=\"" << c.value << "\"/>\n"
            << "  </window>\n";
        const std::string path = WriteLayout(file, xml.str());
        Platform::DebugOutputCapture trace;
        UILib::CWindow* window = Factory()->LoadLayout(path, RootWindow());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(Get(*window, c.property), c.taken);
        const std::string text = trace.Text();
        if (!c.warns)
        {
            EXPECT_EQ(text, "");
            continue;
        }
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        for (const std::string& part :
             {std::string("Warning"), path, std::string("line 6"), std::string(c.type) + " 'probe'",
              "\"" + std::string(c.property) + "\"", "\"" + std::string(c.value) + "\"",
              "\"" + std::string(c.taken) + "\" taken"})
        {
            EXPECT_NE(text.find(part), std::string::npos) << part << " not in: " << text;
        }
    }

    // A property the class does not list has its own trace, and only that one.
    const std::string path = WriteLayout("unknown.xml", "<window type=\"CWindow\"><property name=\"Colour\" "
                                                        "value=\"(1)\"/></window>\n");
    Platform::DebugOutputCapture trace;
    ASSERT_NE(Factory()->LoadLayout(path, RootWindow()), nullptr);
    const std::string text = trace.Text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_EQ(text.find("Warning:"), std::string::npos) << text;
}

// A widget class with one property of every kind, registered the way every control registers its own.
class Gadget : public UILib::CWindow
{
public:
    void GetProperties(UILib::CPropertyList& list) override
    {
        CWindow::GetProperties(list);
        Table().AppendTo(list, this);
    }
    static const UILib::CPropertyTable<Gadget>& Table()
    {
        static const UILib::CPropertyTable<Gadget> table = [] {
            UILib::CPropertyTable<Gadget> t;
            t.Bool("Flag", "A flag", true, &Gadget::SetFlag, &Gadget::GetFlag);
            t.Scalar("Count", "A count", 3, 1, 2147483647, &Gadget::SetCount, &Gadget::GetCount);
            t.Scalar("Ratio", "A ratio", 0.0, -1.0, 1.0, &Gadget::SetRatio, &Gadget::GetRatio);
            t.Scalar("Offset", "An offset", BaseLib::CPoint(), BaseLib::CPoint(-5, -5), BaseLib::CPoint(5, 5),
                     &Gadget::SetOffset, &Gadget::GetOffset);
            t.String("Font", "A font", "", &Gadget::SetFont, &Gadget::GetFont, "font");
            t.Filename("Bitmap", "A bitmap", UILib::ImageFileFilter, &Gadget::SetFont, &Gadget::GetFont);
            t.Color("Tint", "A tint", BaseLib::CColor(0, 0, 0, 255), &Gadget::SetTint, &Gadget::GetTint);
            t.Enum("Mode", "A mode", "Right", "Center Left Right", &Gadget::SetMode, &Gadget::GetMode);
            return t;
        }();
        return table;
    }

    void SetFlag(bool flag) { m_flag = flag; }
    bool GetFlag() const { return m_flag; }
    void SetCount(int count) { m_count = count; }
    int GetCount() const { return m_count; }
    void SetRatio(double ratio) { m_ratio = ratio; }
    double GetRatio() const { return m_ratio; }
    void SetOffset(BaseLib::CPoint offset) { m_offset = offset; }
    BaseLib::CPoint GetOffset() const { return m_offset; }
    void SetFont(const BaseLib::CString& font) { m_font = font; }
    BaseLib::CString GetFont() const { return m_font; }
    void SetTint(BaseLib::CColor tint) { m_tint = tint; }
    BaseLib::CColor GetTint() const { return m_tint; }
    void SetMode(int mode) { m_mode = mode; }
    int GetMode() const { return m_mode; }

private:
    bool m_flag = false;
    int m_count = 40;
    double m_ratio = 0.0;
    BaseLib::CPoint m_offset;
    BaseLib::CString m_font;
    BaseLib::CColor m_tint;
    int m_mode = 0;
};

TEST_F(PropertyRegistrations, AClassTableRegistersEachKindInOrder)
{
    const UILib::CPropertyTable<Gadget>& table = Gadget::Table();
    EXPECT_EQ(&table, &Gadget::Table()) << "one table per class";
    ASSERT_EQ(table.GetCount(), 8u);
    const auto& bitmap =
        dynamic_cast<const BaseLib::CPropertyDescriptionGenericFilename<BaseLib::CString>&>(table[5]);
    EXPECT_EQ(std::string(bitmap.GetFilter()), "*.png; *.gif; *.tga; *.jpg; *.jpeg; *.dds; *.bmp; *.tif; *.tiff");
    EXPECT_EQ(std::string(bitmap.GetDefault()), "");
    EXPECT_EQ(std::string(bitmap.GetSecondText()), "");
    EXPECT_FALSE(bitmap.GetFlag());
    EXPECT_EQ(table[4].GetExtraText(), "font");
    EXPECT_EQ(table[6].GetExtraText(), "");
    EXPECT_EQ(dynamic_cast<const BaseLib::CPropertyDescriptionGenericEnum&>(table[7]).GetDefaultIndex(), 2);

    auto* gadget = Make<Gadget>(0, 0, 10, 10);
    UILib::CPropertyList list;
    gadget->GetProperties(list);
    ASSERT_EQ(list.size(), 19u);
    EXPECT_EQ(list[11].GetDescription(), &table[0]);
    EXPECT_EQ(list[18].GetDescription(), &table[7]);
    struct Case
    {
        const char* property;
        const char* text;
        const char* reads;
    };
    const Case cases[] = {
        {"Flag", "true", "true"},     {"Count", "0", "1"},          {"Count", " -3x", "1"},
        {"Ratio", "0.1", "0.1"},      {"Ratio", "nonsense", "0"},   {"Ratio", "7", "1"},
        {"Offset", "(9, -9)", "(5, -5)"}, {"Font", "<font/>", "<font/>"}, {"Tint", "(1, 2, 3, 4)", "(1, 2, 3, 4)"},
        {"Mode", "Left", "Left"},     {"Mode", "left", "Center"},
    };
    for (const Case& c : cases)
    {
        Set(*gadget, c.property, c.text);
        EXPECT_EQ(Get(*gadget, c.property), c.reads) << c.property << " from \"" << c.text << "\"";
    }
    // An enum index outside the names: negative gives the first, beyond the last the last.
    const auto& mode = static_cast<const BaseLib::CPropertyDescription<int>&>(table[7]);
    mode.SetValue(gadget, -2);
    EXPECT_EQ(gadget->GetMode(), 0);
    mode.SetValue(gadget, 7);
    EXPECT_EQ(gadget->GetMode(), 2);
}

} // namespace
