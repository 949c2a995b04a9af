#include "foundation/Property.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace BaseLib;

namespace
{

// What SetFromString stores, read back through GetAsString.
template <typename T>
std::string SetAndFormat(const CPropertyDescription<T>& description, T& variable, const std::string& text)
{
    description.SetFromString(&variable, text);
    std::string formatted;
    description.GetAsString(&variable, formatted);
    return formatted;
}

class Widget
{
public:
    void SetWidth(int width)
    {
        m_width = width;
        ++m_setCalls;
    }
    int GetWidth() const { return m_width; }
    void SetSize(const CSize& size) { m_size = size; }
    CSize GetSize() const { return m_size; }
    void SetVisible(bool visible) { m_visible = visible; }
    bool IsVisible() const { return m_visible; }
    void SetAlign(int align) { m_align = align; }
    int GetAlign() const { return m_align; }
    void SetText(const CString& text) { m_text = text; }
    CString GetText() const { return m_text; }
    void SetTint(CColor tint) { m_tint = tint; }
    CColor GetTint() const { return m_tint; }
    void SetImage(const CString& image) { m_image = image; }
    const CString& GetImage() const { return m_image; }

    int m_setCalls = 0;

private:
    int m_width = 0;
    CSize m_size;
    bool m_visible = false;
    int m_align = 0;
    CString m_text;
    CColor m_tint;
    CString m_image;
};

} // namespace

TEST(PropertyDescription, TextIsReadAndLimitedPerType)
{
    const CPropertyDescriptionGenericBool boolean("Visible", "", true);
    const CPropertyDescriptionGenericScalar<int> integer("Count", "", 5, 0, 10);
    const CPropertyDescriptionGenericScalar<float> real("Alpha", "", 1.0f, 0.0f, 1.0f);
    const CPropertyDescriptionGenericScalar<double> wide("Time", "", 0.0, -100.0, 100.0);
    const CPropertyDescriptionGenericScalar<CSize> size("Size", "", {10, 10}, {1, 1}, {100, 100});
    const CPropertyDescriptionGenericScalar<CPoint> point("Position", "", {}, {-50, -50}, {50, 50});
    const CPropertyDescriptionGenericScalar<CVector2> vector2("Scale", "", {}, {-1.0f, -1.0f}, {1.0f, 1.0f});

    struct Case
    {
        std::string text;
        std::string expected;
    };
    const auto check = [](const auto& description, auto variable, const std::vector<Case>& cases) {
        for (const Case& c : cases)
        {
            EXPECT_EQ(SetAndFormat(description, variable, c.text), c.expected)
                << description.GetName() << " given " << c.text;
        }
    };
    check(boolean, false,
          {{"true", "true"}, {"True", "false"}, {"TRUE", "false"}, {"1", "false"}, {"true ", "false"}});
    check(integer, 5, {{"15", "10"}, {"-3", "0"}, {"abc", "0"}, {"7 apples", "7"}, {"99999999999", "10"}});
    check(real, 0.0f, {{"0.25", "0.25"}, {"2", "1"}, {"-1e9", "0"}, {"x", "0"}});
    check(wide, 0.0, {{"12.5e1", "100"}, {"-3.75", "-3.75"}});
    check(size, CSize(), {{"(0, 500)", "(1, 100)"}, {"(7", "(7, 1)"}, {"(50, 60)", "(50, 60)"}});
    check(point, CPoint(), {{"(-80, 3)", "(-50, 3)"}, {"junk", "(0, 0)"}});
    check(vector2, CVector2(), {{"(0.5, 2)", "(0.5, 1)"}, {"(-3", "(-1, 0)"}});
}

TEST(PropertyDescription, VectorsColoursAndStringsKeepEveryComponent)
{
    const CPropertyDescriptionGenericScalar<CVector3> vector3("Offset", "", {}, {-10, -10, -10},
                                                              {10, 10, 10});
    const CPropertyDescriptionGenericScalar<CVector4> vector4("Plane", "", {}, {-10, -10, -10, -10},
                                                              {10, 10, 10, 10});
    CVector3 v3;
    EXPECT_EQ(SetAndFormat(vector3, v3, "(1.5, -2, 3)"), "(1.5, -2, 3)");
    EXPECT_EQ(v3, CVector3(1.5f, -2.0f, 3.0f));
    EXPECT_EQ(SetAndFormat(vector3, v3, "(1, 20"), "(1, 10, 0)");
    CVector4 v4;
    EXPECT_EQ(SetAndFormat(vector4, v4, "(1, 2, 3, 4)"), "(1, 2, 3, 4)");
    EXPECT_EQ(v4, CVector4(1.0f, 2.0f, 3.0f, 4.0f));

    const CPropertyDescriptionGenericColor color("Color", "", CColor(0, 0, 0, 255));
    CColor red(255, 0, 0, 255);
    std::string text;
    color.GetAsString(&red, text);
    EXPECT_EQ(text, "(255, 0, 0, 255)");
    EXPECT_EQ(SetAndFormat(color, red, "(300, -2, 7, 128)"), "(255, 0, 7, 128)");

    const CPropertyDescriptionGenericString<CString> string("Name", "", "default");
    CString name;
    EXPECT_EQ(SetAndFormat(string, name, "  two words "), "  two words ");
    EXPECT_EQ(SetAndFormat(string, name, ""), "");
    const CPropertyDescriptionGenericString<std::string> standard("Tooltip Text", "", "");
    std::string tooltip;
    EXPECT_EQ(SetAndFormat(standard, tooltip, "hello"), "hello");
    EXPECT_EQ(tooltip, "hello");

    const CPropertyDescriptionGenericFilename<CString> file("Image", "", "", "*.png; *.tga", "Images", true);
    CString image;
    EXPECT_EQ(SetAndFormat(file, image, "interface>logo.png"), "interface>logo.png");
    EXPECT_EQ(file.GetFilter(), "*.png; *.tga");
}

TEST(PropertyDescription, EnumReadsNamesAndClampsIndices)
{
    const CPropertyDescriptionGenericEnum align("Align", "", "center", "left, center right");
    EXPECT_EQ(align.GetValueNames(), (std::vector<std::string>{"left", "center", "right"}));
    EXPECT_EQ(align.GetDefaultIndex(), 1);
    int value = 2;
    EXPECT_EQ(SetAndFormat(align, value, "center"), "center");
    EXPECT_EQ(value, 1);
    EXPECT_EQ(SetAndFormat(align, value, "middle"), "left");
    EXPECT_EQ(value, 0);
    EXPECT_EQ(SetAndFormat(align, value, "Right"), "left"); // byte-wise, case counts
    value = 7;
    std::string text;
    align.GetAsString(&value, text);
    EXPECT_EQ(text, "right");
    align.SetValue(&value, -4);
    EXPECT_EQ(value, 0);
    align.SetValue(&value, 9);
    EXPECT_EQ(value, 2);
    align.SetValueByName(&value, "left");
    EXPECT_EQ(value, 0);

    const CPropertyDescriptionGenericEnum runs("Mode", "", "missing", "a,\t\n b  c");
    EXPECT_EQ(runs.GetValueNames(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(runs.GetDefaultIndex(), 0);

    const CPropertyDescriptionGenericEnum empty("Empty", "", "", "");
    value = 5;
    EXPECT_EQ(SetAndFormat(empty, value, "anything"), "");
    EXPECT_EQ(value, -1); // no names: no index
}

TEST(PropertyDescription, ReadOnlyIgnoresSetsButFormats)
{
    CPropertyDescriptionGenericScalar<int> integer("Count", "", 5, 0, 10);
    CPropertyDescriptionGenericEnum align("Align", "", "left", "left center right");
    CPropertyDescriptionGenericBool boolean("Visible", "", true);
    EXPECT_FALSE(integer.IsReadOnly());
    integer.SetReadOnly(true);
    align.SetReadOnly(true);
    boolean.SetReadOnly(true);
    int count = 4;
    EXPECT_EQ(SetAndFormat(integer, count, "8"), "4");
    integer.SetValue(&count, 9);
    EXPECT_EQ(count, 4);
    int index = 2;
    align.SetValueByName(&index, "left");
    EXPECT_EQ(SetAndFormat(align, index, "center"), "right");
    bool visible = false;
    EXPECT_EQ(SetAndFormat(boolean, visible, "true"), "false");
}

TEST(PropertyDescription, ValueTypeNamesTheGenericKind)
{
    const CPropertyDescriptionGenericScalar<int> integer("A", "", 0, 0, 1);
    const CPropertyDescriptionScalar<Widget, int> width("Width", "", 0, 0, 100, &Widget::SetWidth,
                                                        &Widget::GetWidth);
    const CPropertyDescriptionGenericEnum anEnum("B", "", "", "x y");
    const CPropertyDescriptionEnum<Widget> align("Align", "", "x", "x y", &Widget::SetAlign,
                                                 &Widget::GetAlign);
    EXPECT_EQ(integer.GetValueType(), width.GetValueType());
    EXPECT_EQ(anEnum.GetValueType(), align.GetValueType());
    EXPECT_NE(integer.GetValueType(), anEnum.GetValueType());
    EXPECT_EQ(width.GetValueType(), std::type_index(typeid(CPropertyDescriptionGenericScalar<int>)));
    EXPECT_EQ(width.GetName(), "Width");
    EXPECT_EQ(width.GetExtraText(), "");
}

TEST(PropertyDescription, BoundKindsCallTheWidgetWithLimitedValues)
{
    static const CPropertyDescriptionScalar<Widget, int> width("Width", "pixels", 10, 0, 100,
                                                               &Widget::SetWidth, &Widget::GetWidth);
    static const CPropertyDescriptionScalar<Widget, CSize> size("Size", "", {}, {1, 1}, {100, 100},
                                                                &Widget::SetSize, &Widget::GetSize);
    static const CPropertyDescriptionBool<Widget> visible("Visible", "", true, &Widget::SetVisible,
                                                          &Widget::IsVisible);
    static const CPropertyDescriptionEnum<Widget> align("Align", "", "left", "left, center right",
                                                        &Widget::SetAlign, &Widget::GetAlign);
    static const CPropertyDescriptionString<Widget, CString> text("Text", "", "", &Widget::SetText,
                                                                  &Widget::GetText);
    static const CPropertyDescriptionColor<Widget> tint("Color", "", CColor(255, 255, 255, 255),
                                                        &Widget::SetTint, &Widget::GetTint);
    static const CPropertyDescriptionFilename<Widget, CString> image("Image", "", "", "*.png", "", false,
                                                                     &Widget::SetImage, &Widget::GetImage);

    Widget widget;
    const CGenericProperty properties[] = {
        CProperty<int>(&widget, &width),     CProperty<CSize>(&widget, &size),
        CProperty<bool>(&widget, &visible),  CProperty<int>(&widget, &align),
        CProperty<CString>(&widget, &text),  CProperty<CColor>(&widget, &tint),
        CProperty<CString>(&widget, &image),
    };
    const char* const inputs[] = {"250", "(0, 500)", "true", "right", "Hello", "(1, 2, 3, 4)", "a.png"};
    const char* const expected[] = {"100", "(1, 100)", "true", "right", "Hello", "(1, 2, 3, 4)", "a.png"};
    for (std::size_t i = 0; i < std::size(properties); ++i)
    {
        properties[i].SetFromString(inputs[i]);
        std::string formatted;
        properties[i].GetAsString(formatted);
        EXPECT_EQ(formatted, expected[i]) << properties[i].GetDescription()->GetName();
    }
    EXPECT_EQ(widget.GetWidth(), 100);
    EXPECT_EQ(widget.GetSize(), CSize(1, 100));
    EXPECT_EQ(widget.GetAlign(), 2);
    EXPECT_EQ(widget.GetTint(), CColor(1, 2, 3, 4));

    const CProperty<int> widthProperty(&widget, &width);
    widthProperty.SetValue(-5);
    EXPECT_EQ(widget.GetWidth(), 0);
    EXPECT_EQ(widget.m_setCalls, 2);
    const CProperty<int> alignProperty(&widget, &align);
    alignProperty.SetValue(12);
    EXPECT_EQ(widget.GetAlign(), 2);
}

TEST(PropertyDescription, TextsReadWholeOnlyInTheirExactForm)
{
    const CPropertyDescriptionGenericBool boolean("B", "", false);
    const CPropertyDescriptionGenericScalar<int> integer("I", "", 0, -100, 100);
    const CPropertyDescriptionGenericScalar<float> real("F", "", 0.0f, -1.0f, 1.0f);
    const CPropertyDescriptionGenericScalar<CSize> size("S", "", {}, {1, 1}, {100, 100});
    const CPropertyDescriptionGenericScalar<CVector2> vector("V", "", {}, {0, 0}, {9, 9});
    const CPropertyDescriptionGenericColor colour("C", "", CColor());
    const CPropertyDescriptionGenericEnum mode("M", "", "Point", "Point Linear");
    const CPropertyDescriptionGenericString<CString> text("T", "", "");
    struct Case
    {
        const CGenericPropertyDescription& description;
        const char* text;
        bool whole;
    };
    const Case cases[] = {
        {boolean, "true", true},     {boolean, "false", true},          {boolean, "TRUE", false},
        {boolean, "true ", false},   {boolean, "yes", false},           {integer, " -12", true},
        {integer, "+7", true},       {integer, "12 ", false},           {integer, "3x", false},
        {integer, "", false},        {integer, "x", false},             {real, "0.5", true},
        {real, "-1e-3", true},       {real, "0.5x", false},             {real, ".", false},
        {size, "(30, 40)", true},    {size, "(30)", false},             {size, "(30, 40", false},
        {size, "(30, 40) ", false},  {size, "30, 40", false},           {vector, "(0.5, 2)", true},
        {vector, "(0.5)", false},    {colour, "(1, 2, 3, 4)", true},    {colour, "(255, 0, 0)", false},
        {mode, "Linear", true},      {mode, "linear", false},           {text, "", true},
        {text, "any text (1, 2", true},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.description.ReadsWhole(c.text), c.whole) << c.description.GetName() << " \"" << c.text << "\"";
    }
    // The value stays as read: a colour without alpha reads alpha 0.
    CColor read(9, 9, 9, 9);
    EXPECT_FALSE(ReadPropertyText("(255, 0, 0)", read));
    EXPECT_EQ(read, CColor(255, 0, 0, 0));
}

TEST(PropertyDescription, BoundKindsCarryAnOptionalExtraText)
{
    static const CPropertyDescriptionString<Widget, CString> font("Font", "Label font", "", &Widget::SetText,
                                                                  &Widget::GetText, "font");
    static const CPropertyDescriptionBool<Widget> visible("Visible", "", true, &Widget::SetVisible,
                                                          &Widget::IsVisible);
    EXPECT_EQ(font.GetExtraText(), "font");
    EXPECT_EQ(visible.GetExtraText(), "");
}
