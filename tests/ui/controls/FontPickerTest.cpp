#include "ControlBench.h"

#include "platform/os/DebugOutput.h"
#include "ui/FontFactory.h"
#include "ui/controls/Button.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/FontPicker.h"
#include "ui/controls/Label.h"
#include "ui/controls/SpinControlNumber.h"

#include <tinyxml.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using BaseLib::CSize;
using UILib::CCheckBox;
using UILib::CComboBox;
using UILib::CEditControl;
using UILib::CFontPicker;
using UILib::CLabel;
using UILib::CSpinControlNumber;

namespace
{

using Attributes = std::vector<std::pair<std::string, std::string>>;

// The element name and the attributes, in order, of a description.
std::pair<std::string, Attributes> Parse(const BaseLib::CString& description)
{
    TiXmlDocument document;
    document.Parse(description);
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr)
    {
        ADD_FAILURE() << "not XML: " << static_cast<const char*>(description);
        return {};
    }
    Attributes attributes;
    for (const TiXmlAttribute* a = root->FirstAttribute(); a != nullptr; a = a->Next())
    {
        attributes.emplace_back(a->Name(), a->Value());
    }
    return {root->Value(), attributes};
}

std::string Attribute(const BaseLib::CString& description, const std::string& name)
{
    for (const auto& [key, value] : Parse(description).second)
    {
        if (key == name)
        {
            return value;
        }
    }
    ADD_FAILURE() << "no attribute " << name << " in " << static_cast<const char*>(description);
    return {};
}

std::vector<std::string> Items(const CComboBox& combo)
{
    std::vector<std::string> items;
    const auto* list = combo.GetList();
    for (std::int32_t i = 0; list != nullptr && i < list->GetItemCount(); ++i)
    {
        items.emplace_back(static_cast<const char*>(list->GetItemText(i)));
    }
    return items;
}

class FontPickerTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        parent = Make<CRecordingWindow>(0, 0, RootWidth, RootHeight);
        picker = Make<CFontPicker>(20, 20, 475, 380, parent);
    }

    template <typename W = UILib::CWindow> W* Child(const char* name) const
    {
        UILib::CWindow* child = picker->FindChildByName(name, true);
        EXPECT_NE(child, nullptr) << name;
        return dynamic_cast<W*>(child);
    }
    // Page 0 holds the face name list, page 1 the bitmap file field.
    UILib::CWindow* Page(int index) const
    {
        return Child(index == CFontPicker::SystemFont ? "__facename" : "__bitmap")->GetParent();
    }
    std::string Text(const char* label) const
    {
        return static_cast<const char*>(Child<CLabel>(label)->GetText());
    }
    void ChooseFontType(int index) { Child<CComboBox>("__fonttype")->SetSelection(index); }

    CRecordingWindow* parent = nullptr;
    CFontPicker* picker = nullptr;
};

TEST_F(FontPickerTest, ConstructionLaysOutBothPagesAndShowsTheBitmapPage)
{
    EXPECT_EQ(picker->GetCaption(), "Font Picker");
    EXPECT_EQ(picker->GetSize(), CSize(475, 380));
    EXPECT_STREQ(picker->GetClassName(), "CFontPicker");
    EXPECT_EQ(picker->GetDebugDescription(), "CDialogWindow");
    EXPECT_TRUE(picker->HasOwnCanvas());
    EXPECT_EQ(picker->GetFontType(), CFontPicker::BitmapFont);

    UILib::CWindow* clientArea = picker->GetClientArea();
    UILib::CWindow* systemPage = Page(CFontPicker::SystemFont);
    UILib::CWindow* bitmapPage = Page(CFontPicker::BitmapFont);
    ASSERT_NE(systemPage, bitmapPage);
    // Created in table order: the system page is the client area's first "__container".
    std::vector<UILib::CWindow*> containers;
    for (std::int32_t i = 0; i < clientArea->GetChildCount(); ++i)
    {
        UILib::CWindow* child = Manager()->Resolve(clientArea->GetChildHandle(i));
        if (child->GetName() == "__container")
        {
            containers.push_back(child);
        }
    }
    EXPECT_EQ(containers, (std::vector<UILib::CWindow*>{systemPage, bitmapPage}));
    EXPECT_FALSE(systemPage->GetVisible());
    EXPECT_TRUE(bitmapPage->GetVisible());

    struct Expected
    {
        const char* name;
        const char* className;
        UILib::CWindow* parent;
        CPoint position;
        CSize size;
    };
    const Expected layout[] = {
        {"__fonttype", "CComboBox", clientArea, {80, 10}, {200, 20}},
        {"__bitmap", "CEditControl", bitmapPage, {80, 10}, {260, 20}},
        {"__browse", "CButton", bitmapPage, {350, 10}, {30, 20}},
        {"__characters", "CEditControl", bitmapPage, {80, 40}, {300, 20}},
        // A spin control's height comes from its buttons.
        {"__spacewidth", "CSpinControlNumber", bitmapPage, {80, 70}, {60, 22}},
        {"__baseline", "CSpinControlNumber", bitmapPage, {80, 100}, {60, 22}},
        {"__kerningbias", "CSpinControlNumber", bitmapPage, {80, 130}, {60, 22}},
        {"__cursivity", "CSpinControlNumber", bitmapPage, {80, 160}, {60, 22}},
        {"__scaling", "CSpinControlNumber", bitmapPage, {280, 70}, {60, 22}},
        {"__facename", "CComboBox", systemPage, {80, 10}, {260, 20}},
        {"__locale", "CComboBox", systemPage, {80, 40}, {260, 20}},
        {"__heigth", "CSpinControlNumber", systemPage, {80, 70}, {60, 22}},
        {"__weight", "CComboBox", systemPage, {80, 100}, {260, 20}},
        {"__fixedwidth", "CCheckBox", systemPage, {10, 130}, {140, 20}},
        {"__underline", "CCheckBox", systemPage, {160, 130}, {140, 20}},
        {"__italics", "CCheckBox", systemPage, {10, 160}, {140, 20}},
        {"__strikeout", "CCheckBox", systemPage, {160, 160}, {140, 20}},
        {"__preview", "CLabel", clientArea, {10, 240}, {455, 80}},
        {"__okbutton", "CButton", clientArea, {315, 330}, {70, 20}},
        {"__cancelbutton", "CButton", clientArea, {395, 330}, {70, 20}},
    };
    for (const Expected& e : layout)
    {
        SCOPED_TRACE(e.name);
        UILib::CWindow* child = Child(e.name);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->GetParent(), e.parent);
        EXPECT_STREQ(child->GetClassName(), e.className);
        EXPECT_EQ(child->GetPosition(), e.position);
        EXPECT_EQ(child->GetSize(), e.size);
    }
    EXPECT_EQ(systemPage->GetPosition(), CPoint(10, 35));
    EXPECT_EQ(systemPage->GetSize(), CSize(455, 190));
    EXPECT_EQ(bitmapPage->GetPosition(), CPoint(10, 35));

    // The captions: at least 70 × 20 (labels only grow to their text), left aligned but for the type's.
    struct Caption
    {
        UILib::CWindow* parent;
        CPoint position;
        const char* text;
    };
    const Caption captions[] = {
        {clientArea, {10, 10}, "Font Type:"},  {bitmapPage, {10, 10}, "Bitmap File:"},
        {bitmapPage, {10, 40}, "Characters:"}, {bitmapPage, {10, 70}, "Space Width:"},
        {bitmapPage, {10, 100}, "Baseline:"},  {bitmapPage, {10, 130}, "Kerning Bias:"},
        {bitmapPage, {10, 160}, "Cursivity:"}, {bitmapPage, {210, 70}, "Scaling:"},
        {systemPage, {10, 10}, "Face Name:"},  {systemPage, {10, 40}, "Locale:"},
        {systemPage, {10, 70}, "Height:"},     {systemPage, {10, 100}, "Weight:"},
    };
    for (const Caption& c : captions)
    {
        SCOPED_TRACE(c.text);
        CLabel* found = nullptr;
        for (std::int32_t i = 0; i < c.parent->GetChildCount(); ++i)
        {
            auto* label = dynamic_cast<CLabel*>(Manager()->Resolve(c.parent->GetChildHandle(i)));
            if (label != nullptr && label->GetText() == c.text)
            {
                found = label;
            }
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->GetName(), "__label");
        EXPECT_EQ(found->GetPosition(), c.position);
        EXPECT_GE(found->GetSize().cx, 70);
        EXPECT_EQ(found->GetSize().cy, 20);
        EXPECT_EQ(found->GetHorizontalAlignment(), std::string(c.text) == "Font Type:" ? 0 : 1);
        EXPECT_EQ(found->GetVerticalAlignment(), 0);
    }

    auto* fontType = Child<CComboBox>("__fonttype");
    EXPECT_EQ(Items(*fontType), (std::vector<std::string>{"Bitmap Font", "System Font"}));
    EXPECT_EQ(fontType->GetText(), "Bitmap Font");
    const std::vector<std::string> locales{"STANDARD", "JAPANESE", "KOREAN", "CHINESE",   "RUSSIAN",
                                           "THAI",     "ARABIC",   "HEBREW", "VIETNAMESE"};
    EXPECT_EQ(Items(*Child<CComboBox>("__locale")), locales);
    const std::vector<std::string> weights{"DONTCARE", "THIN",      "EXTRALIGHT", "ULTRALIGHT", "LIGHT",
                                           "NORMAL",   "REGULAR",   "MEDIUM",     "SEMIBOLD",   "DEMIBOLD",
                                           "BOLD",     "EXTRABOLD", "ULTRABOLD",  "HEAVY",      "BLACK"};
    EXPECT_EQ(Items(*Child<CComboBox>("__weight")), weights);
    for (const char* name : {"__fonttype", "__facename", "__locale", "__weight"})
    {
        EXPECT_FALSE(Child<CComboBox>(name)->GetAllowAnyText()) << name;
        EXPECT_EQ(Child<CComboBox>(name)->GetSelection(), 0) << name;
    }
    EXPECT_EQ(Child<CEditControl>("__bitmap")->GetText(), "");
    EXPECT_EQ(Child<CEditControl>("__characters")->GetText(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(Child<UILib::CButton>("__browse")->GetText(), "...");
    EXPECT_EQ(Child<UILib::CButton>("__okbutton")->GetText(), "OK");
    EXPECT_EQ(Child<UILib::CButton>("__cancelbutton")->GetText(), "Cancel");
    for (const char* name : {"__fixedwidth", "__underline", "__italics", "__strikeout"})
    {
        EXPECT_EQ(Child<CCheckBox>(name)->GetState(), 0) << name;
    }
    EXPECT_EQ(Child<CCheckBox>("__strikeout")->GetText(), "Strike Out");

    struct Spin
    {
        const char* name;
        double minimum, maximum, step;
        std::int32_t decimals;
        double value;
    };
    const Spin spins[] = {
        {"__spacewidth", 0, 100, 1, 0, 0},      {"__baseline", 0, 100, 1, 0, 0},
        {"__kerningbias", -100, 100, 1, 0, 0},  {"__cursivity", -100, 100, 1, 0, 0},
        {"__scaling", 0.01f, 1000, 0.1f, 3, 1}, {"__heigth", 5, 128, 1, 0, 5},
    };
    for (const Spin& s : spins)
    {
        SCOPED_TRACE(s.name);
        auto* spin = Child<CSpinControlNumber>(s.name);
        EXPECT_EQ(spin->GetMinValue(), s.minimum);
        EXPECT_EQ(spin->GetMaxValue(), s.maximum);
        EXPECT_EQ(spin->GetStep(), s.step);
        EXPECT_EQ(spin->GetDecimals(), s.decimals);
        EXPECT_EQ(spin->GetValue(), s.value);
    }

    auto* preview = Child<CLabel>("__preview");
    EXPECT_EQ(preview->GetMaximumSize(), CSize(455, 80));
    EXPECT_EQ(preview->GetHorizontalAlignment(), 0);
    EXPECT_EQ(preview->GetVerticalAlignment(), 1);
    EXPECT_TRUE(preview->GetWordWrap());
    // An empty file has no glyphs: no width for 'e'.
    EXPECT_EQ(preview->GetText(), CFontPicker::UpperCaseSentence);

    const auto [element, attributes] = Parse(picker->GetDescription());
    EXPECT_EQ(element, "font");
    EXPECT_EQ(attributes, (Attributes{{"type", "bitmapfont"},
                                      {"file", ""},
                                      {"characters", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
                                      {"spacewidth", "0"},
                                      {"baseline", "0"},
                                      {"kerningbias", "0"},
                                      {"cursivity", "0"},
                                      {"scaling", "1"}}));
}

TEST_F(FontPickerTest, SystemFontSwapsThePagesAndDescribesTheSystemFields)
{
    CCallbackRecorder<CFontPicker*> changes;
    picker->SetOnChanged(changes.Record());
    ChooseFontType(1);
    EXPECT_EQ(picker->GetFontType(), CFontPicker::SystemFont);
    EXPECT_TRUE(Page(CFontPicker::SystemFont)->GetVisible());
    EXPECT_FALSE(Page(CFontPicker::BitmapFont)->GetVisible());
    EXPECT_EQ(changes.calls.size(), 1u);
    const auto [element, attributes] = Parse(picker->GetDescription());
    EXPECT_EQ(element, "font");
    EXPECT_EQ(attributes, (Attributes{{"type", "alphabitmapfont"},
                                      {"facename", "Don't care"},
                                      {"locale", "0"},
                                      {"height", "5"},
                                      {"weight", "0"},
                                      {"underline", "0"},
                                      {"strikeout", "0"},
                                      {"italic", "0"},
                                      {"fixedwidth", "0"}}));
    EXPECT_EQ(Text("__preview"), CFontPicker::LowerCaseSentence);

    // The same type again: nothing happens.
    const BaseLib::CString before = picker->GetDescription();
    ChooseFontType(1);
    picker->SetFontType(CFontPicker::SystemFont);
    EXPECT_EQ(changes.calls.size(), 1u);

    // Each field writes its attribute; each change makes one new description.
    const auto pick = [this](const char* list, const char* item) { Child<CComboBox>(list)->SetText(item); };
    const auto tick = [this](const char* name) {
        const CPoint origin = Child(name)->GetScreenPosition();
        Click(origin.x + 6, origin.y + 10);
    };
    struct Edit
    {
        const char* what;
        std::function<void()> apply;
        const char* attribute;
        const char* expected;
    };
    const Edit edits[] = {
        {"weight BOLD", [&] { pick("__weight", "BOLD"); }, "weight", "10"},
        {"locale VIETNAMESE", [&] { pick("__locale", "VIETNAMESE"); }, "locale", "8"},
        {"height 20.9 truncated", [&] { Child<CSpinControlNumber>("__heigth")->SetValue(20.9); }, "height",
         "20"},
        {"face DejaVu Sans", [&] { pick("__facename", "DejaVu Sans"); }, "facename", "DejaVu Sans"},
        {"underline", [&] { tick("__underline"); }, "underline", "1"},
        {"strike out", [&] { tick("__strikeout"); }, "strikeout", "1"},
        {"italics", [&] { tick("__italics"); }, "italic", "1"},
        {"fixed width", [&] { tick("__fixedwidth"); }, "fixedwidth", "1"},
        {"underline off", [&] { tick("__underline"); }, "underline", "0"},
    };
    for (const Edit& edit : edits)
    {
        SCOPED_TRACE(edit.what);
        const std::size_t calls = changes.calls.size();
        edit.apply();
        EXPECT_EQ(Attribute(picker->GetDescription(), edit.attribute), edit.expected);
        EXPECT_EQ(changes.calls.size(), calls + 1);
    }
    EXPECT_EQ(Parse(picker->GetDescription()).second.size(), 9u);

    // Back to the bitmap font: the bitmap page's fields are described again.
    ChooseFontType(0);
    EXPECT_EQ(picker->GetFontType(), CFontPicker::BitmapFont);
    EXPECT_FALSE(Page(CFontPicker::SystemFont)->GetVisible());
    EXPECT_TRUE(Page(CFontPicker::BitmapFont)->GetVisible());
    EXPECT_EQ(Parse(picker->GetDescription()).first, "font");
    EXPECT_EQ(Attribute(picker->GetDescription(), "type"), "bitmapfont");

    // Set from code, the type list follows.
    picker->SetFontType(CFontPicker::SystemFont);
    EXPECT_EQ(Child<CComboBox>("__fonttype")->GetText(), "System Font");
    EXPECT_TRUE(Page(CFontPicker::SystemFont)->GetVisible());
    EXPECT_FALSE(Page(CFontPicker::BitmapFont)->GetVisible());
}

TEST_F(FontPickerTest, BitmapMetricsAreTruncatedAndScalingWrittenInSinglePrecision)
{
    struct Case
    {
        const char* spin;
        double value;
        bool stepUp;
        const char* attribute;
        const char* expected;
    };
    const Case cases[] = {
        {"__scaling", 2.5, false, "scaling", "2.5"},
        {"__scaling", 0.1, false, "scaling", "0.1"},
        {"__scaling", 1.0, true, "scaling", "1.1"}, // 1.0 + 0.100000001…
        {"__scaling", 1000.0, true, "scaling", "1000"},
        {"__spacewidth", 7.9, false, "spacewidth", "7"},
        {"__baseline", 12.0, false, "baseline", "12"},
        {"__kerningbias", -3.7, false, "kerningbias", "-3"},
        {"__cursivity", -100.0, false, "cursivity", "-100"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.spin << " " << c.value << (c.stepUp ? " stepped up" : ""));
        auto* spin = Child<CSpinControlNumber>(c.spin);
        spin->SetValue(c.value);
        if (c.stepUp)
        {
            spin->StepUp();
        }
        EXPECT_EQ(Attribute(picker->GetDescription(), c.attribute), c.expected);
    }

    // Every keystroke in the characters field makes a new description.
    auto* characters = Child<CEditControl>("__characters");
    Click(characters->GetScreenPosition().x + 5, characters->GetScreenPosition().y + 5);
    characters->SetCursorPosition(characters->GetText().GetLength());
    Char('a');
    EXPECT_EQ(Attribute(picker->GetDescription(), "characters"), "ABCDEFGHIJKLMNOPQRSTUVWXYZa");
    Char('&');
    EXPECT_EQ(Attribute(picker->GetDescription(), "characters"), "ABCDEFGHIJKLMNOPQRSTUVWXYZa&");
}

TEST_F(FontPickerTest, ThePreviewSentenceIsInCapitalsWhenTheFontHasNoWidthForE)
{
    // Three solid glyphs, two columns wide, each followed by an empty column.
    std::vector<CColor> pixels;
    for (int y = 0; y < 8; ++y)
    {
        for (int x = 0; x < 9; ++x)
        {
            pixels.push_back(x % 3 == 2 ? CColor(0, 0, 0, 0) : CColor(0, 0, 0, 255));
        }
    }
    const std::string strip = WriteBitmap("strip.png", 9, 8, pixels);

    struct Case
    {
        const char* what;
        const char* characters;
        bool systemFont;
        const char* sentence;
    };
    const Case cases[] = {
        {"no E in the strip", "ABC", false, CFontPicker::UpperCaseSentence},
        {"E found for e by its upper-case form", "DEF", false, CFontPicker::LowerCaseSentence},
        {"a system font", "ABC", true, CFontPicker::LowerCaseSentence},
    };
    Child<CEditControl>("__bitmap")->SetText(strip.c_str());
    EXPECT_EQ(Attribute(picker->GetDescription(), "file"), strip);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        picker->SetFontType(CFontPicker::BitmapFont);
        Child<CEditControl>("__characters")->SetText(c.characters);
        picker->SetFontType(c.systemFont ? CFontPicker::SystemFont : CFontPicker::BitmapFont);
        EXPECT_EQ(Text("__preview"), c.sentence);
        const BaseLib::CResourcePtr<UILib::CFont> font = Child<CLabel>("__preview")->GetFont();
        ASSERT_TRUE(font);
        EXPECT_EQ(font->GetTypeTag(), c.systemFont ? UILib::AlphaBitmapFontTag : UILib::BitmapFontTag)
            << "the preview draws in the described font";
    }
}

TEST_F(FontPickerTest, FaceNamesAreListedOnceInFirstSeenOrderAfterDontCare)
{
    auto* list = Make<CComboBox>(10, 10, 200, 20);
    UILib::AddFontFaceItems(
        *list, {"Zeta Sans", "Alpha Serif", "Zeta Sans", "Beta Mono", "Zeta Sans", "alpha serif"});
    EXPECT_EQ(Items(*list), (std::vector<std::string>{"Don't care", "Zeta Sans", "Alpha Serif", "Beta Mono",
                                                      "alpha serif"}));

    const std::vector<std::string> faces = Items(*Child<CComboBox>("__facename"));
    ASSERT_FALSE(faces.empty());
    EXPECT_EQ(faces[0], "Don't care");
    EXPECT_EQ(std::count(faces.begin(), faces.end(), "DejaVu Sans"), 1);
    EXPECT_EQ(std::count(faces.begin(), faces.end(), "Don't care"), 1);
}

TEST_F(FontPickerTest, BrowsingWritesThePickedImageInAliasFormElseAsAnAbsolutePath)
{
    const std::string inMedia = std::string(QUARROW_MEDIA_DIR) + "/interface/standard/std_check.png";
    const std::string outside = WriteBitmap("outside.png", 4, 4, CColor(0, 0, 0, 255));
    struct Case
    {
        const char* what;
        std::string pick; // empty: Cancel
        std::string expected;
        int traces;
    };
    const Case cases[] = {
        {"cancelled", "", "", 0},
        {"inside an alias folder", inMedia, "media>interface/standard/std_check.png", 0},
        {"outside every alias folder", outside, outside, 1},
        {"cancelled after a pick", "", outside, 0},
    };
    const auto clickOn = [this](UILib::CWindow* window) {
        const CPoint origin = window->GetScreenPosition();
        Click(origin.x + window->GetSize().cx / 2, origin.y + window->GetSize().cy / 2);
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        const BaseLib::CString before = picker->GetDescription();
        clickOn(Child("__browse"));
        UILib::CFilePicker* filePicker = picker->GetFilePicker();
        ASSERT_NE(filePicker, nullptr);
        EXPECT_EQ(filePicker->GetMode(), UILib::CFilePicker::OpenMode);
        EXPECT_EQ(filePicker->GetCaption(), "Open File");
        ASSERT_EQ(filePicker->GetFilters().size(), 2u);
        EXPECT_EQ(filePicker->GetFilters()[0].first, "Image Files");
        EXPECT_EQ(filePicker->GetFilters()[0].second,
                  "*.png; *.gif; *.tga; *.jpg; *.jpeg; *.dds; *.bmp; *.tif; *.tiff");
        EXPECT_EQ(filePicker->GetFilters()[1].first, "All Files");
        EXPECT_EQ(filePicker->GetFilters()[1].second, "*.*");
        EXPECT_EQ(filePicker->GetParent(), RootWindow()) << "in the font picker's layer";
        EXPECT_EQ(Manager()->GetTopModalWindow(), filePicker);
        EXPECT_TRUE(filePicker->HasFocus());
        const UILib::Handle handle = filePicker->GetHandle();

        // The modal file picker keeps clicks from the font picker.
        clickOn(Child("__okbutton"));
        Frame();
        EXPECT_TRUE(parent->Of("FontPick").empty());

        Platform::DebugOutputCapture trace;
        if (c.pick.empty())
        {
            clickOn(filePicker->GetCancelButton());
            Frame();
            EXPECT_EQ(picker->GetDescription(), before);
        }
        else
        {
            filePicker->SetFileName(c.pick.c_str());
            clickOn(filePicker->GetOkButton());
            Frame();
            EXPECT_EQ(Attribute(picker->GetDescription(), "file"), c.expected);
        }
        EXPECT_EQ(std::string(static_cast<const char*>(Child<CEditControl>("__bitmap")->GetText())),
                  c.expected);
        const std::string text = trace.Text();
        int ours = 0;
        for (std::size_t at = text.find("no alias folder"); at != std::string::npos;
             at = text.find("no alias folder", at + 1))
        {
            ++ours;
        }
        EXPECT_EQ(ours, c.traces) << text;
        EXPECT_EQ(picker->GetFilePicker(), nullptr);
        Frame();
        EXPECT_EQ(Manager()->Resolve(handle), nullptr) << "destroyed";
        EXPECT_NE(Manager()->GetTopModalWindow(), filePicker);
    }
}

TEST_F(FontPickerTest, DestroyingTheFontPickerTakesItsOpenFilePickerAlong)
{
    const CPoint browse = Child("__browse")->GetScreenPosition();
    Click(browse.x + 5, browse.y + 5);
    ASSERT_NE(picker->GetFilePicker(), nullptr);
    const UILib::Handle filePicker = picker->GetFilePicker()->GetHandle();
    picker->Destroy();
    Frames(2);
    EXPECT_EQ(Manager()->Resolve(filePicker), nullptr);
    EXPECT_EQ(Manager()->GetTopModalWindow(), nullptr);
    // Later frames and input run clean, and nothing modal is left blocking the rest.
    auto* button = Make<UILib::CButton>(520, 420, 60, 20, parent);
    parent->log.clear();
    Click(540, 430);
    Frames(3);
    ASSERT_EQ(parent->Of("BtnClick").size(), 1u);
    EXPECT_EQ(parent->Of("BtnClick")[0].second, button->GetHandle());
}

TEST_F(FontPickerTest, OkAndCancelNotifyAndLeaveThePickerOpen)
{
    CCallbackRecorder<CFontPicker*, bool> closed;
    picker->SetOnClosed(closed.Record());
    const auto clickOn = [this](const char* name) {
        UILib::CWindow* button = Child(name);
        const CPoint origin = button->GetScreenPosition();
        Click(origin.x + 10, origin.y + 10);
        Frames(2);
    };
    clickOn("__okbutton");
    clickOn("__cancelbutton");
    EXPECT_EQ(parent->Codes({"FontPick", "FontCncl", "BtnClick"}),
              (std::vector<std::string>{"FontPick", "FontCncl"}));
    ASSERT_EQ(parent->Of("FontPick").size(), 1u);
    EXPECT_EQ(parent->Of("FontPick")[0].second, picker->GetHandle());
    EXPECT_EQ(parent->Of("FontPick")[0].flags, UILib::CWindowMessage::Input);
    EXPECT_EQ(parent->Of("FontCncl")[0].second, picker->GetHandle());
    ASSERT_EQ(closed.calls.size(), 2u);
    EXPECT_EQ(closed.calls[0], std::make_tuple(picker, false));
    EXPECT_EQ(closed.calls[1], std::make_tuple(picker, true));
    EXPECT_TRUE(picker->IsVisible());

    // A live target receives them in place of the parent; once it is gone the parent again.
    auto* target = Make<CRecordingWindow>(0, 0, 10, 10);
    picker->SetNotificationTarget(target->GetHandle());
    picker->EndDialog(false);
    Frames(2);
    EXPECT_EQ(target->Codes({"FontPick"}).size(), 1u);
    EXPECT_EQ(parent->Of("FontPick").size(), 1u);
    target->Destroy();
    Frame();
    picker->EndDialog(true);
    Frame();
    EXPECT_EQ(parent->Of("FontCncl").size(), 2u);

    // Suppressed: nothing goes out, but the description still follows the fields.
    CCallbackRecorder<CFontPicker*> changes;
    picker->SetOnChanged(changes.Record());
    picker->SuppressEvents();
    picker->EndDialog(false);
    Child<CSpinControlNumber>("__baseline")->SetValue(3);
    Frame();
    picker->ResumeEvents();
    EXPECT_EQ(parent->Of("FontPick").size(), 1u);
    EXPECT_EQ(closed.calls.size(), 4u);
    EXPECT_TRUE(changes.calls.empty());
    EXPECT_EQ(Attribute(picker->GetDescription(), "baseline"), "3");
}

TEST_F(FontPickerTest, TheComposedPictureShowsThePagesAndTheTopAlignedPreview)
{
    Compose();
    UILib::CWindow* browse = Child("__browse");
    const CPoint corner = browse->GetScreenPosition();
    EXPECT_EQ(Pixel(corner.x, corner.y), CColor(240, 240, 240, 255)) << "the raised frame's light edge";

    ChooseFontType(1);
    Child<CComboBox>("__facename")->SetText("DejaVu Sans");
    Child<CSpinControlNumber>("__heigth")->SetValue(20);
    Child<CComboBox>("__weight")->SetText("BOLD");
    ASSERT_EQ(Attribute(picker->GetDescription(), "facename"), "DejaVu Sans");
    Compose();
    EXPECT_EQ(Pixel(corner.x, corner.y), CColor(200, 200, 200, 255)) << "the hidden page's button is gone";

    // Text pixels at full coverage in the preview's top rows, background alone in its bottom rows.
    auto* preview = Child<CLabel>("__preview");
    const CPoint origin = preview->GetScreenPosition();
    const CColor background = Pixel(origin.x + 2, origin.y + 79);
    int textPixels = 0;
    for (int y = origin.y; y < origin.y + 30; ++y)
    {
        for (int x = origin.x; x < origin.x + 455; ++x)
        {
            textPixels += Pixel(x, y) == StandardPalette(8) ? 1 : 0;
        }
    }
    EXPECT_GT(textPixels, 100);
    EXPECT_EQ(background, StandardPalette(0));
    EXPECT_TRUE(AreaIs(CRect(origin.x, origin.y + 50, origin.x + 455, origin.y + 80), background));
    EXPECT_FALSE(SavePicture("fontpicker").empty());
}

} // namespace
