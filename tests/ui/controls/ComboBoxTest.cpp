#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/KeyState.h"
#include "ui/StandardVisualization.h"
#include "ui/controls/Button.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/ScrollBar.h"

#include <functional>
#include <string>
#include <vector>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CSize;
using UILib::CComboBox;

namespace
{

const CColor White(255, 255, 255, 255);
const CColor Face = StandardPalette(0);
const CColor Highlight = StandardPalette(3);
const CColor Black(0, 0, 0, 255);

class ComboBoxTest : public ControlTest
{
protected:
    // A 200 × 24 combo box at (x, y) in a recording parent covering the root, holding the entries.
    void MakeCombo(const std::vector<std::string>& entries, std::int32_t x = 40, std::int32_t y = 40,
                   UILib::CWindow* owner = nullptr)
    {
        if (owner == nullptr)
        {
            parent = Make<CRecordingWindow>(0, 0, RootWidth, RootHeight);
            owner = parent;
        }
        combo = Make<CComboBox>(x, y, 200, 24, owner);
        for (const std::string& entry : entries)
        {
            combo->AddItem(entry.c_str());
        }
        list = combo->GetList();
        Frame();
        if (parent != nullptr)
        {
            parent->log.clear();
        }
    }
    std::size_t Changes() const { return parent->Of("CombChng").size(); }
    void FocusField() { Manager()->ActivateWindow(combo->GetEdit()->GetHandle(), true); }
    // The middle of an open list's row, in screen coordinates (the list unscrolled).
    CPoint ListRow(std::int32_t row) const
    {
        const CPoint at = list->GetScreenPosition();
        return CPoint(at.x + 50, at.y + list->GetBorderWidths().top + row * list->GetRowHeight() +
                                     list->GetRowHeight() / 2);
    }
    CPoint ButtonCentre() const
    {
        const UILib::CWindow* button = combo->GetButton();
        const CPoint at = button->GetScreenPosition();
        return CPoint(at.x + button->GetSize().cx / 2, at.y + button->GetSize().cy / 2);
    }

    CRecordingWindow* parent = nullptr;
    CComboBox* combo = nullptr;
    CComboBox::CComboBoxList* list = nullptr;
};

TEST_F(ComboBoxTest, PartsIdentityAndProperties)
{
    MakeCombo({});
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(combo->FindChildByName("__editcontrol", false, "CEditControl"), combo->GetEdit());
    EXPECT_EQ(combo->FindChildByName("__button", false, "CBasicButton"), combo->GetButton());
    EXPECT_EQ(combo->GetChildCount(), 2) << "the list is no child";
    EXPECT_EQ(list->GetName(), "__list");
    EXPECT_EQ(list->GetParent(), nullptr);
    EXPECT_TRUE(list->IsExemptFromModal());
    EXPECT_TRUE(list->HasOwnCanvas());
    EXPECT_FALSE(combo->GetEdit()->GetFrame());
    EXPECT_TRUE(combo->GetEdit()->GetReadOnly());
    EXPECT_EQ(combo->GetText(), "");

    struct Identity
    {
        UILib::CWindow* window;
        const char* className;
        const char* description;
        std::size_t properties;
    };
    combo->AddItem("alpha");
    // The list adds nothing to a window's list (one with its own canvas, as the list has).
    auto* plain = Make(0, 0, 10, 10);
    plain->CreateOwnCanvas();
    UILib::CPropertyList ownCanvasWindow;
    plain->GetProperties(ownCanvasWindow);
    for (const Identity& c : {Identity{combo, "CComboBox", "CComboBox Content = alpha", 15},
                              Identity{list, "CListBox", "CListBox", ownCanvasWindow.size()},
                              Identity{combo->GetEdit(), "CEditControl", "CEditControl Content = alpha", 23},
                              Identity{combo->GetButton(), "CBasicButton", "CBasicButton", 11}})
    {
        EXPECT_STREQ(c.window->GetClassName(), c.className);
        EXPECT_EQ(c.window->GetDebugDescription(), c.description);
        UILib::CPropertyList properties;
        c.window->GetProperties(properties);
        EXPECT_EQ(properties.size(), c.properties) << c.className;
    }
    EXPECT_EQ(Property(*combo, "Allow Any Text"), "false") << "a new combo box refuses other texts";
    EXPECT_EQ(Property(*combo, "Max List Height"), "200");
    SetProperty(*combo, "Max List Height", "abc");
    EXPECT_EQ(combo->GetMaxListHeight(), 0);
    SetProperty(*combo, "Max List Height", "20000");
    EXPECT_EQ(combo->GetMaxListHeight(), 10000);
    UILib::CPropertyList properties;
    combo->GetProperties(properties);
    const char* const own[] = {"Text", "Allow Any Text", "Frame", "Max List Height"};
    for (std::size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(properties[11 + i].GetDescription()->GetName(), own[i]);
    }
    EXPECT_EQ(properties[11].GetDescription()->GetDescription(), "Text shown in the box");
}

TEST_F(ComboBoxTest, TextAndSelectionStayInStep)
{
    MakeCombo({"alpha", "beta"});
    EXPECT_EQ(combo->GetText(), "alpha") << "the first entry is shown";
    EXPECT_EQ(combo->GetSelection(), 0);

    combo->SetText("zeta");
    EXPECT_EQ(combo->GetText(), "alpha") << "no entry, no other texts: nothing changes";
    EXPECT_EQ(combo->GetSelection(), 0);
    combo->SetText("beta");
    EXPECT_EQ(combo->GetText(), "beta");
    EXPECT_EQ(combo->GetSelection(), 1);

    combo->SetAllowAnyText(true);
    EXPECT_FALSE(combo->GetEdit()->GetReadOnly());
    combo->SetText("zeta");
    EXPECT_EQ(combo->GetText(), "zeta");
    EXPECT_EQ(combo->GetSelection(), -1);
    combo->SetAllowAnyText(false);
    EXPECT_TRUE(combo->GetEdit()->GetReadOnly());
    EXPECT_EQ(combo->GetSelection(), 0) << "switched off without a selection: the first entry";
    EXPECT_EQ(combo->GetText(), "alpha");

    combo->SetSelection(-1);
    EXPECT_EQ(combo->GetText(), "");
}

TEST_F(ComboBoxTest, OneChangeNoticePerTextChange)
{
    MakeCombo({"red", "green", "blue"});
    CCallbackRecorder<CComboBox*> callback;
    combo->SetOnChange(callback.Record());
    struct Case
    {
        const char* name;
        std::function<void()> act;
        std::size_t changes;
    };
    const Case cases[] = {
        {"another entry", [&] { combo->SetSelection(1); }, 1},
        {"the same entry", [&] { combo->SetSelection(1); }, 0},
        {"an entry by text", [&] { combo->SetText("red"); }, 1},
        {"a refused text is set back", [&] { combo->GetEdit()->SetText("purple"); }, 2},
        {"while suppressed",
         [&] {
             combo->SuppressEvents();
             combo->SetSelection(2);
             combo->ResumeEvents();
         },
         0},
        {"typed characters with any text allowed",
         [&] {
             combo->SetAllowAnyText(true);
             FocusField();
             Char('x');
             Char('y');
         },
         2},
    };
    for (const Case& c : cases)
    {
        parent->log.clear();
        callback.calls.clear();
        c.act();
        EXPECT_EQ(Changes(), c.changes) << c.name;
        EXPECT_EQ(callback.calls.size(), c.changes) << c.name;
        for (const RecordedMessage& m : parent->Of("CombChng"))
        {
            EXPECT_EQ(m.second, combo->GetHandle()) << c.name;
        }
    }
    EXPECT_EQ(combo->GetSelection(), -1) << "a typed text that is no entry";
    combo->SetOnChange({});
}

TEST_F(ComboBoxTest, TheListOpensHoversAndTakesOverOnEnterOnly)
{
    MakeCombo({"one", "two", "three", "four", "five"});
    FocusField();
    KeyPress(Platform::VK_DOWN);
    ASSERT_TRUE(combo->IsListOpen());
    EXPECT_EQ(list->GetParent(), RootWindow());
    EXPECT_EQ(list->GetPosition(), CPoint(40, 40 + 2 + 20)) << "below the text";
    EXPECT_EQ(list->GetSize(), CSize(200, 5 * 15 + 4));
    EXPECT_EQ(Manager()->GetFocus(), list->GetHandle());
    EXPECT_TRUE(combo->HasFocus());

    MouseMove(ListRow(2).x, ListRow(2).y);
    EXPECT_EQ(list->GetSelectedIndex(), 2);
    EXPECT_EQ(combo->GetText(), "one") << "hovering leaves the text";
    KeyPress(Platform::VK_DOWN);
    EXPECT_EQ(list->GetSelectedIndex(), 3) << "Down moves the open list's selection";
    KeyPress(Platform::VK_RETURN);
    EXPECT_FALSE(combo->IsListOpen());
    EXPECT_EQ(combo->GetText(), "four");
    EXPECT_EQ(Changes(), 1u);
    EXPECT_EQ(Manager()->GetFocus(), combo->GetEdit()->GetHandle());

    // Escape: the text stays and the list's selection names the shown entry again.
    KeyPress(Platform::VK_DOWN);
    ASSERT_TRUE(combo->IsListOpen());
    MouseMove(ListRow(1).x, ListRow(1).y);
    EXPECT_EQ(list->GetSelectedIndex(), 1);
    KeyPress(Platform::VK_ESCAPE);
    EXPECT_FALSE(combo->IsListOpen());
    EXPECT_EQ(combo->GetText(), "four");
    EXPECT_EQ(list->GetSelectedIndex(), 3);
    EXPECT_EQ(Changes(), 1u);
    EXPECT_TRUE(parent->Of("sKeyDown").empty()) << "the open list's Escape stays with the combo box";
    EXPECT_EQ(Manager()->GetFocus(), combo->GetEdit()->GetHandle());

    // With the list closed, Escape goes on to the parent.
    KeyPress(Platform::VK_ESCAPE);
    ASSERT_EQ(parent->Of("sKeyDown").size(), 1u);
    EXPECT_EQ(parent->Of("sKeyDown")[0].first, 266u);
}

TEST_F(ComboBoxTest, MouseOpensChoosesAndCloses)
{
    MakeCombo({"one", "two", "three"});
    UILib::CWindow* edit = combo->GetEdit();
    const CPoint field(edit->GetScreenPosition().x + 20, edit->GetScreenPosition().y + 10);

    struct Step
    {
        const char* name;
        std::function<void()> act;
        bool open;
    };
    const Step steps[] = {
        {"the button opens", [&] { Click(ButtonCentre().x, ButtonCentre().y); }, true},
        {"the button again closes", [&] { Click(ButtonCentre().x, ButtonCentre().y); }, false},
        {"a click on the read-only field opens", [&] { Click(field.x, field.y); }, true},
        {"a click on the field again closes", [&] { Click(field.x, field.y); }, false},
        {"a click on an entry takes it over",
         [&] {
             Click(field.x, field.y);
             Click(ListRow(2).x, ListRow(2).y);
             EXPECT_EQ(combo->GetText(), "three");
             EXPECT_EQ(Changes(), 1u);
         },
         false},
        {"a drag above the first entry keeps it",
         [&] {
             Click(field.x, field.y);
             MouseMove(ListRow(0).x, ListRow(0).y);
             MouseDown(Button::Left, ListRow(0).x, ListRow(0).y);
             MouseMove(ListRow(0).x, list->GetScreenPosition().y - 10);
             EXPECT_EQ(list->GetSelectedIndex(), 0);
             MouseUp(Button::Left, ListRow(0).x, list->GetScreenPosition().y - 10);
             EXPECT_EQ(combo->GetText(), "one");
         },
         false},
        {"a click elsewhere closes",
         [&] {
             Click(field.x, field.y);
             MouseMove(ListRow(1).x, ListRow(1).y);
             EXPECT_EQ(list->GetSelectedIndex(), 1);
             Click(500, 400);
             EXPECT_EQ(combo->GetText(), "one");
             EXPECT_EQ(list->GetSelectedIndex(), 0) << "the shown entry again";
         },
         false},
    };
    for (const Step& step : steps)
    {
        parent->log.clear();
        step.act();
        Frame(); // the button's click arrives posted
        EXPECT_EQ(combo->IsListOpen(), step.open) << step.name;
        EXPECT_EQ(list->GetParent() != nullptr, step.open) << step.name;
    }
}

TEST_F(ComboBoxTest, ListHeightAndPlacement)
{
    std::vector<std::string> twenty;
    for (int i = 0; i < 20; ++i)
    {
        twenty.push_back("Entry " + std::to_string(i));
    }
    struct Case
    {
        const char* name;
        std::int32_t y;
        std::int32_t maxHeight;
        std::int32_t listY;
        std::int32_t listHeight;
    };
    const Case cases[] = {
        {"20 entries are cut to the default 200", 40, 200, 40 + 22, 200},
        {"near the root's bottom it opens above", 400, 200, 402 - 200, 200},
        {"no room above: it stays below", 180, 300, 180 + 22, 300},
        {"a larger limit takes every row", 40, 1000, 40 + 22, 20 * 15 + 4},
    };
    for (const Case& c : cases)
    {
        MakeCombo(twenty, 40, c.y);
        combo->SetMaxListHeight(c.maxHeight);
        combo->OpenList();
        EXPECT_EQ(list->GetPosition(), CPoint(40, c.listY)) << c.name;
        EXPECT_EQ(list->GetSize(), CSize(200, c.listHeight)) << c.name;
        const UILib::CScrollBar* bar = list->GetScrollBar();
        EXPECT_EQ(bar != nullptr, c.listHeight < 20 * 15 + 4) << c.name;
        if (bar != nullptr)
        {
            EXPECT_TRUE(bar->IsExemptFromModal()) << c.name;
        }
        combo->CloseList();
        UILib::CWindow::Delete(parent);
        parent = nullptr;
    }
}

TEST_F(ComboBoxTest, TheOpenListsOwnBarScrollsWithoutClosingIt)
{
    std::vector<std::string> twenty;
    for (int i = 0; i < 20; ++i)
    {
        twenty.push_back("Entry " + std::to_string(i));
    }
    MakeCombo(twenty);
    combo->SetAllowAnyText(true); // a click outside the list would close it
    FocusField();
    KeyPress(Platform::VK_DOWN);
    ASSERT_TRUE(combo->IsListOpen());
    const UILib::CScrollBar* bar = list->GetScrollBar();
    ASSERT_NE(bar, nullptr);
    const UILib::CWindow* down = bar->GetButton(1);
    const CPoint at = down->GetScreenPosition();
    Click(at.x + down->GetSize().cx / 2, at.y + down->GetSize().cy / 2);
    Frame();
    EXPECT_TRUE(combo->IsListOpen()) << "a click inside the list keeps it open";
    EXPECT_EQ(Manager()->GetFocus(), list->GetHandle()) << "and the list takes the focus back";
    EXPECT_EQ(list->GetTopIndex(), 1);
    EXPECT_EQ(combo->GetText(), "Entry 0");
}

TEST_F(ComboBoxTest, ResizingKeepsFieldAndButtonSideBySide)
{
    MakeCombo({"one"});
    for (std::int32_t width : {200, 100, 300, 3})
    {
        combo->SetSize(width, 24);
        const UILib::CWindow* edit = combo->GetEdit();
        const UILib::CWindow* button = combo->GetButton();
        EXPECT_EQ(button->GetSize(), CSize(15, 20)) << width;
        EXPECT_EQ(edit->GetPosition(), CPoint(2, 2)) << width;
        EXPECT_EQ(edit->GetSize(), CSize(std::max(width - 4 - 15, 0), 20)) << width;
        EXPECT_EQ(button->GetPosition(), CPoint(2 + edit->GetSize().cx, 2)) << width;
    }
    combo->SetSize(200, 24);
    combo->SetFrame(false);
    EXPECT_EQ(combo->GetEdit()->GetPosition(), CPoint(0, 0));
    EXPECT_EQ(combo->GetButton()->GetSize(), CSize(18, 24));
    EXPECT_EQ(combo->GetEdit()->GetSize(), CSize(200 - 18, 24));
}

TEST_F(ComboBoxTest, InsideAModalDialog)
{
    auto* dialog = Make<CRecordingWindow>(100, 100, 300, 80);
    MakeCombo({"one", "two", "three", "four", "five", "six"}, 20, 20, dialog);
    dialog->log.clear();
    Manager()->PushModalWindow(dialog);
    FocusField();
    KeyPress(Platform::VK_DOWN);
    ASSERT_TRUE(combo->IsListOpen());
    EXPECT_EQ(list->GetParent(), RootWindow()) << "the list floats in the layer root, outside the dialog";
    EXPECT_EQ(Manager()->GetFocus(), list->GetHandle());
    EXPECT_GT(ListRow(5).y, 100 + 80) << "the last entry lies outside the dialog";

    Click(ListRow(5).x, ListRow(5).y);
    EXPECT_FALSE(combo->IsListOpen());
    EXPECT_EQ(combo->GetText(), "six");
    EXPECT_EQ(dialog->Of("CombChng").size(), 1u);

    KeyPress(Platform::VK_ESCAPE);
    ASSERT_EQ(dialog->Of("sKeyDown").size(), 1u) << "Escape reaches the dialog";
    EXPECT_EQ(dialog->Of("sKeyDown")[0].first, 266u);
    Manager()->RemoveModalWindow(dialog);
}

TEST_F(ComboBoxTest, PaintsTheButtonAndTheOpenListAboveOtherWindows)
{
    MakeCombo({"Red", "Green", "Blue", "Cyan"});
    auto* below = Make<UILib::CButton>(40, 70, 200, 120, parent);
    below->SetText("Below");
    Frame();
    Compose();
    const UILib::CWindow* button = combo->GetButton();
    const CPoint at = button->GetScreenPosition();
    EXPECT_EQ(Pixel(at.x + 3, at.y + 3), Face) << "the button's face";
    const UILib::CBitmap arrow(UILib::CStandardVisualization::GetImageFileName(
        UILib::CStandardVisualization::ImageScrollArrowDown));
    ASSERT_TRUE(arrow.IsValid());
    const CPoint arrowAt(at.x + (button->GetSize().cx - arrow.GetWidth()) / 2,
                         at.y + (button->GetSize().cy - arrow.GetHeight()) / 2);
    int opaque = 0;
    for (std::int32_t y = 0; y < arrow.GetHeight(); ++y)
    {
        for (std::int32_t x = 0; x < arrow.GetWidth(); ++x)
        {
            const CColor pixel = arrow.GetPixels()[y * arrow.GetWidth() + x];
            if (pixel.GetAlpha() == 255)
            {
                ++opaque;
                EXPECT_EQ(Pixel(arrowAt.x + x, arrowAt.y + y), pixel) << x << "," << y;
            }
        }
    }
    EXPECT_GT(opaque, 0);
    EXPECT_EQ(Pixel(40, 40), CColor(150, 150, 150, 255)) << "the combo box's sunken frame";

    MouseMove(ButtonCentre().x, ButtonCentre().y);
    MouseDown(Button::Left, ButtonCentre().x, ButtonCentre().y);
    Compose();
    EXPECT_EQ(Pixel(at.x, at.y), Black) << "pushed while held";
    MouseUp(Button::Left, ButtonCentre().x, ButtonCentre().y);
    Frame();
    ASSERT_TRUE(combo->IsListOpen());
    MouseMove(ListRow(1).x, ListRow(1).y);
    Advance(500); // the list fades in
    Compose();
    EXPECT_FALSE(SavePicture("combobox_open").empty());
    EXPECT_EQ(Pixel(200, ListRow(0).y), White) << "the list's inside over the button below";
    EXPECT_EQ(Pixel(200, ListRow(1).y), Highlight) << "the hovered entry";
    EXPECT_EQ(Pixel(200, ListRow(3).y + 20), Face) << "the button below, past the list";
}

} // namespace
