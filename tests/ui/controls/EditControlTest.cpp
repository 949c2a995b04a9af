#include "ControlBench.h"
#include "platform/os/KeyState.h"
#include "ui/Panel.h"
#include "ui/controls/EditControl.h"

#include <string>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using BaseLib::CRect;
using UILib::CEditControl;
using UILib::CWindowMessage;

namespace
{

std::string TextOf(const CEditControl* edit)
{
    return std::string(static_cast<const char*>(edit->GetText()));
}

class EditControlTest : public ControlTest
{
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        parent = Make<CRecordingWindow>(0, 0, RootWidth, RootHeight);
    }

    // A one-line control with the focus, emptied, and the parent's log cleared.
    CEditControl* Focused(std::int32_t x, std::int32_t y, std::int32_t width, const char* text = "")
    {
        auto* edit = Make<CEditControl>(x, y, width, 0, parent);
        edit->FitToContent(true);
        edit->SetSize(width, edit->GetSize().cy);
        edit->Activate();
        edit->SetText(text);
        edit->SetCursorPosition(1000);
        parent->log.clear();
        return edit;
    }

    void Type(const char* ascii)
    {
        for (const char* c = ascii; *c != '\0'; ++c)
        {
            Char(static_cast<unsigned char>(*c));
        }
    }

    void Chord(std::uint8_t modifiers, std::uint32_t key)
    {
        HoldModifiers(modifiers);
        KeyPress(key);
        HoldModifiers(0);
    }

    // The screen x of the caret and the screen rows of its line.
    CPoint CaretOnScreen(const CEditControl* edit) const
    {
        const CPoint caret = edit->GetCaretPoint();
        return CPoint(edit->GetPosition().x + caret.x, edit->GetPosition().y + caret.y);
    }

    // Black caret pixels in the caret's column, in the middle of a one-line control.
    bool CaretDrawn(const CEditControl* edit) const
    {
        const std::int32_t x = CaretOnScreen(edit).x;
        const std::int32_t y = edit->GetPosition().y + edit->GetSize().cy / 2;
        return Pixel(x, y) == StandardPalette(7);
    }

    CRecordingWindow* parent = nullptr;
};

TEST_F(EditControlTest, ANewControlHasItsDefaults)
{
    auto* edit = Make<CEditControl>(10, 10, 50, 5, parent);
    edit->FitToContent(true);
    const std::int32_t lineHeight = edit->GetLineHeight();
    ASSERT_GT(lineHeight, 0);
    const CRect area = edit->GetTextArea();
    const std::int32_t borders = edit->GetSize().cy - (area.bottom - area.top);
    EXPECT_EQ(TextOf(edit), "MultiLineEdit");
    EXPECT_EQ(edit->GetSize(), BaseLib::CSize(100, lineHeight + borders));
    EXPECT_EQ(edit->GetTextLimit(), CEditControl::DefaultTextLimit);
    EXPECT_EQ(edit->GetCursorType(), 9) << "CT_IBeam";
    EXPECT_TRUE(edit->GetFrame() && edit->GetBackground() && edit->GetWordWrap() && edit->GetHideNonPrintable() &&
                edit->GetAllowSelecting());
    EXPECT_FALSE(edit->GetForceFixedFont());
    edit->SetMultiline(true);
    EXPECT_EQ(edit->GetSize().cy, 6 * lineHeight + borders);
    EXPECT_EQ(edit->GetModel().GetCursor(), 0);
    EXPECT_EQ(std::string(edit->GetDebugDescription()), "CEditControl Content = MultiLineEdit");
}

TEST_F(EditControlTest, TypingChangesTheTextWithOneNotificationPerKey)
{
    auto* edit = Focused(20, 20, 200);
    CCallbackRecorder<CEditControl*> changes;
    CCallbackRecorder<CEditControl*> updates;
    edit->SetChangeCallback(changes.Record());
    edit->SetUpdateCallback(updates.Record());
    Type("Hi!");
    Char(0x0431);
    Char(9); // Tab as a character: ignored, the key acts through "sKeyDown"
    EXPECT_EQ(TextOf(edit), "Hi!\xD0\xB1");
    const auto changed = parent->Of("EditChng");
    ASSERT_EQ(changed.size(), 4u);
    EXPECT_EQ(changed[0].second, edit->GetHandle()) << "the sender";
    EXPECT_EQ(changed[0].flags, CWindowMessage::Input);
    EXPECT_EQ(changes.calls.size(), 4u);
    KeyPress(Platform::VK_BACK);
    EXPECT_EQ(TextOf(edit), "Hi!");
    EXPECT_EQ(parent->Of("EditChng").size(), 5u);

    // Enter finishes the edit, also without a change since the last Enter.
    KeyPress(Platform::VK_RETURN);
    KeyPress(Platform::VK_RETURN);
    EXPECT_EQ(parent->Of("EditUpdt").size(), 2u);
    EXPECT_EQ(updates.calls.size(), 2u);

    // Losing activation sends it only after a change; suppressed events send nothing.
    auto* other = Make<CEditControl>(20, 100, 200, 30, parent);
    other->Activate();
    EXPECT_EQ(parent->Of("EditUpdt").size(), 2u);
    edit->Activate();
    Type("x");
    other->Activate();
    EXPECT_EQ(parent->Of("EditUpdt").size(), 3u);
    edit->Activate();
    edit->SuppressEvents();
    Type("y");
    EXPECT_EQ(parent->Of("EditChng").size(), 6u);
    edit->ResumeEvents();
    EXPECT_EQ(TextOf(edit), "Hi!xy");
}

TEST_F(EditControlTest, ReadOnlyAllCapsAndTheLimitShapeWhatIsTyped)
{
    auto* edit = Focused(20, 20, 200, "abc");
    edit->SetReadOnly(true);
    Type("d");
    KeyPress(Platform::VK_BACK);
    KeyPress(Platform::VK_DELETE);
    edit->InsertText("pasted");
    EXPECT_EQ(TextOf(edit), "abc");

    edit->SetReadOnly(false);
    edit->SetAllCaps(true);
    EXPECT_EQ(TextOf(edit), "ABC") << "switching it on upper-cases the text";
    Type("d");
    edit->InsertText("e\xC3\xA9");
    EXPECT_EQ(TextOf(edit), "ABCDE\xC3\xA9");
    edit->SetAllCaps(false);
    Type("f");
    EXPECT_EQ(TextOf(edit), "ABCDE\xC3\xA9" "f") << "switching it off keeps the text";

    // "Text limit" is clamped to 0 … 10000 and counts characters.
    UILib::CPropertyList properties;
    edit->GetProperties(properties);
    for (auto& property : properties)
    {
        if (property.GetDescription()->GetName() == "Text limit")
        {
            property.SetFromString("4");
        }
    }
    EXPECT_EQ(edit->GetTextLimit(), 4);
    EXPECT_EQ(TextOf(edit), "ABCD");
    Type("x");
    EXPECT_EQ(TextOf(edit), "ABCD");
}

TEST_F(EditControlTest, KeysMoveSelectAndBubble)
{
    auto* edit = Focused(20, 20, 200, "abc def");
    edit->SetCursorPosition(2);
    Chord(CWindowMessage::Control, 'A');
    EXPECT_EQ(edit->GetModel().GetSelectionLength(), 7);
    EXPECT_EQ(edit->GetModel().GetCursor(), 2) << "Ctrl+A leaves the cursor";
    KeyPress(Platform::VK_RIGHT);
    EXPECT_EQ(edit->GetModel().GetSelectionLength(), 0);
    EXPECT_EQ(edit->GetModel().GetCursor(), 3);

    Chord(CWindowMessage::Shift, Platform::VK_HOME);
    EXPECT_EQ(edit->GetModel().GetSelectionStart(), 0);
    EXPECT_EQ(edit->GetModel().GetSelectionLength(), 3);
    Chord(CWindowMessage::Control, Platform::VK_RIGHT);
    EXPECT_EQ(edit->GetModel().GetCursor(), 4);
    Chord(CWindowMessage::Control, Platform::VK_LEFT);
    EXPECT_EQ(edit->GetModel().GetCursor(), 0);
    KeyPress(Platform::VK_END);
    EXPECT_EQ(edit->GetModel().GetCursor(), 7);
    KeyPress(Platform::VK_INSERT);
    KeyPress(Platform::VK_HOME);
    Type("X");
    EXPECT_EQ(TextOf(edit), "Xbc def") << "Insert switches to overwriting";

    // Shift extends only while selecting is allowed; switching it off clears a selection.
    Chord(CWindowMessage::Shift, Platform::VK_RIGHT);
    EXPECT_EQ(edit->GetModel().GetSelectionLength(), 1);
    edit->SetAllowSelecting(false);
    EXPECT_EQ(edit->GetModel().GetSelectionLength(), 0);
    Chord(CWindowMessage::Shift, Platform::VK_RIGHT);
    EXPECT_EQ(edit->GetModel().GetSelectionLength(), 0);

    // Up, Down, Tab, Escape, Page Up and Page Down reach the parent.
    parent->log.clear();
    for (std::uint32_t key : {Platform::VK_UP, Platform::VK_DOWN, Platform::VK_TAB, Platform::VK_ESCAPE,
                              Platform::VK_PRIOR, Platform::VK_NEXT})
    {
        KeyDown(key);
        KeyUp(key);
    }
    Frame();
    const auto keys = parent->Of("sKeyDown");
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[0].first, 273u);
    EXPECT_EQ(keys[1].first, 275u);
}

TEST_F(EditControlTest, ClipboardCutCopyAndPaste)
{
    ASSERT_TRUE(Manager()->OpenClipboard());
    ASSERT_TRUE(Manager()->SetClipboardText("kept"));
    auto* edit = Focused(20, 20, 200, "hello world");
    edit->SetCursorPosition(3);
    // Without a selection neither key changes the text or the clipboard.
    Chord(CWindowMessage::Control, 'X');
    Chord(CWindowMessage::Control, 'C');
    EXPECT_EQ(TextOf(edit), "hello world");
    EXPECT_STREQ(Manager()->GetClipboardText(), "kept");
    EXPECT_TRUE(parent->Of("EditChng").empty());

    edit->GetModel().SelectRange(0, 5);
    Chord(CWindowMessage::Control, 'X');
    EXPECT_EQ(TextOf(edit), " world");
    EXPECT_STREQ(Manager()->GetClipboardText(), "hello");
    KeyPress(Platform::VK_END);
    Chord(CWindowMessage::Control, 'V');
    EXPECT_EQ(TextOf(edit), " worldhello");
    EXPECT_EQ(parent->Of("EditChng").size(), 2u) << "one for the cut, one for the paste";

    // Paste goes through the permitted list and drops control characters.
    ASSERT_TRUE(Manager()->OpenClipboard());
    ASSERT_TRUE(Manager()->SetClipboardText("4\t2x\n7"));
    edit->SetText("");
    edit->SetPermittedChars("0123456789");
    Chord(CWindowMessage::Control, 'V');
    EXPECT_EQ(TextOf(edit), "427");
    edit->SetReadOnly(true);
    Chord(CWindowMessage::Control, 'V');
    edit->GetModel().SelectRange(0, 1);
    Chord(CWindowMessage::Control, 'X');
    EXPECT_EQ(TextOf(edit), "427");
}

TEST_F(EditControlTest, TypingCopyingAndPastingThroughARealPlatformWindow)
{
    auto* edit = Focused(20, 20, 300);
    const Platform::WindowHandle host = OpenPlatformWindow();
    ASSERT_NE(host, nullptr);
    edit->Activate();
    ASSERT_TRUE(Platform::InjectText(host, "Gr\xC3\xBC\xC3\x9F" "e"));
    Pump();
    EXPECT_EQ(TextOf(edit), "Gr\xC3\xBC\xC3\x9F" "e");

    const auto chord = [&](const char* key) {
        Platform::InjectKey(host, "Left Ctrl", true);
        Platform::InjectKey(host, key, true);
        Platform::InjectKey(host, key, false);
        Platform::InjectKey(host, "Left Ctrl", false);
        Pump();
    };
    chord("A");
    chord("C");
    Platform::InjectKey(host, "End", true);
    Platform::InjectKey(host, "End", false);
    Pump();
    parent->log.clear();
    chord("V");
    EXPECT_EQ(TextOf(edit), "Gr\xC3\xBC\xC3\x9F" "eGr\xC3\xBC\xC3\x9F" "e");
    EXPECT_EQ(parent->Of("EditChng").size(), 1u);
    chord("A");
    chord("X");
    EXPECT_EQ(TextOf(edit), "");
    EXPECT_STREQ(Manager()->GetClipboardText(), "Gr\xC3\xBC\xC3\x9F" "eGr\xC3\xBC\xC3\x9F" "e");
}

TEST_F(EditControlTest, TheMousePlacesSelectsAndSelectsWords)
{
    auto* edit = Focused(20, 20, 300, "alpha beta");
    const std::int32_t y = 20 + edit->GetSize().cy / 2;
    Click(310, y);
    EXPECT_EQ(edit->GetModel().GetCursor(), 10) << "past the end: the line's end";
    const CPoint caretB = CaretOnScreen(edit);
    edit->SetCursorPosition(6);
    const std::int32_t betaX = CaretOnScreen(edit).x;
    ASSERT_LT(betaX, caretB.x);

    // Inside a character the cursor lands before it.
    Click(betaX + 2, y);
    EXPECT_EQ(edit->GetModel().GetCursor(), 6);
    MouseDown(Button::Left, betaX + 1, y);
    MouseMove(caretB.x + 20, y);
    MouseUp(Button::Left, caretB.x + 20, y);
    EXPECT_EQ(edit->GetModel().GetSelectionStart(), 6);
    EXPECT_EQ(edit->GetModel().GetSelectionLength(), 4);

    Click(30, y);
    DoubleClick(Button::Left, 30, y);
    EXPECT_EQ(edit->GetModel().GetSelectionStart(), 0);
    EXPECT_EQ(edit->GetModel().GetSelectionLength(), 5);

    edit->SetAllowSelecting(false);
    MouseDown(Button::Left, 30, y);
    MouseMove(caretB.x, y);
    MouseUp(Button::Left, caretB.x, y);
    DoubleClick(Button::Left, 30, y);
    EXPECT_EQ(edit->GetModel().GetSelectionLength(), 0);
}

TEST_F(EditControlTest, MultiLineMovementScrollingAndWrapping)
{
    auto* edit = Focused(20, 20, 200);
    edit->SetMultiline(true);
    edit->SetText("first line\nsecond\nthird line here");
    const std::int32_t lineHeight = edit->GetLineHeight();
    edit->SetCursorPosition(0);
    edit->GetModel().SelectRange(0, 0);
    KeyPress(Platform::VK_END);
    EXPECT_EQ(edit->GetModel().GetCursor(), 10) << "before the line feed";
    edit->SetCursorPosition(21); // "thi|rd"
    const std::int32_t x = edit->GetCaretPoint().x;
    KeyPress(Platform::VK_UP);
    EXPECT_EQ(edit->GetCursorLine(), 1);
    EXPECT_LE(edit->GetCaretPoint().x, x);
    KeyPress(Platform::VK_UP);
    EXPECT_EQ(edit->GetCursorLine(), 0);
    KeyPress(Platform::VK_DOWN);
    KeyPress(Platform::VK_DOWN);
    EXPECT_EQ(edit->GetCursorLine(), 2);
    // The x position is kept: the cursor lands before the character under it, so it may move left by
    // less than one character.
    EXPECT_LE(edit->GetCaretPoint().x, x);
    EXPECT_GT(edit->GetCaretPoint().x, x - lineHeight);
    KeyPress(Platform::VK_DOWN);
    EXPECT_EQ(edit->GetCursorLine(), 2) << "the last line keeps the cursor";
    KeyPress(Platform::VK_RETURN);
    EXPECT_EQ(edit->GetLines().GetLineCount(), 4);

    // A long line without wrap scrolls so the caret stays inside.
    edit->SetWordWrap(false);
    edit->SetText("x");
    edit->SetCursorPosition(1);
    Type("a very long line that is much wider than the control itself");
    Compose();
    const std::int32_t caretX = edit->GetCaretPoint().x;
    EXPECT_LT(edit->GetScrollX(), 0);
    EXPECT_GE(caretX, 5);
    EXPECT_LT(caretX, edit->GetSize().cx - 5);

    // Word wrap re-breaks on resize; many lines scroll vertically to the caret.
    edit->SetWordWrap(true);
    edit->SetText("one two three four five six seven eight nine ten");
    const std::int32_t wideLines = edit->GetLines().GetLineCount();
    edit->SetSize(110, edit->GetSize().cy);
    EXPECT_GT(edit->GetLines().GetLineCount(), wideLines);
    edit->SetSize(110, 2 * lineHeight + 4);
    edit->SetCursorPosition(1000);
    Compose();
    EXPECT_EQ(edit->GetFirstLine(), edit->GetLines().GetLineCount() - edit->GetVisibleLines());
    // A point above the control moves to the line before the first visible one.
    const std::int32_t first = edit->GetFirstLine();
    ASSERT_GT(first, 0);
    edit->PlaceCursorAtPoint(CPoint(10, -5), false);
    EXPECT_EQ(edit->GetCursorLine(), first - 1);
}

TEST_F(EditControlTest, ALineHeightOfZeroTakesTheFirstVisibleLine)
{
    auto* edit = Focused(20, 20, 200, "ab\ncd");
    edit->SetMultiline(true);
    edit->SetFont(BaseLib::CResourcePtr<UILib::CFont>());
    struct ZeroHeight : CEditControl
    {
        static void Zero(CEditControl& control) { control.*(&ZeroHeight::m_lineHeight) = 0; }
    };
    ZeroHeight::Zero(*edit);
    edit->PlaceCursorAtPoint(CPoint(10, 500), false);
    EXPECT_EQ(edit->GetCursorLine(), 0);
}

TEST_F(EditControlTest, CaretSelectionAndPicture)
{
    auto* selected = Focused(20, 20, 200, "selected text");
    selected->GetModel().SelectRange(0, 8);
    auto* multi = Make<CEditControl>(20, 70, 200, 100, parent);
    multi->SetMultiline(true);
    multi->SetText("A multi-line control wraps its long lines at the border.\nSecond paragraph.");
    auto* disabled = Make<CEditControl>(20, 190, 200, 30, parent);
    disabled->SetText("disabled");
    disabled->SetDisabled(true);
    auto* readOnly = Make<CEditControl>(20, 240, 200, 30, parent);
    readOnly->SetText("read-only");
    readOnly->SetReadOnly(true);
    auto* withBitmap = Make<CEditControl>(20, 290, 200, 30, parent);
    withBitmap->SetText("bitmap caret");
    withBitmap->SetBitmapFile(WriteBitmap("caret.png", 4, 10, CColor(255, 0, 0, 255)).c_str());

    // The selected part's box is the theme's highlight; the caret blinks in the focused control only.
    selected->SetCursorPosition(13);
    selected->GetModel().SelectRange(0, 8);
    Compose();
    const std::int32_t middle = 20 + selected->GetSize().cy / 2;
    EXPECT_EQ(Pixel(20 + selected->GetTextArea().left + 6, middle - 4), StandardPalette(3));
    EXPECT_TRUE(CaretDrawn(selected));
    EXPECT_FALSE(CaretDrawn(readOnly));
    Advance(500);
    Compose();
    EXPECT_FALSE(CaretDrawn(selected)) << "hidden half a second later";
    KeyPress(Platform::VK_LEFT);
    Compose();
    EXPECT_TRUE(CaretDrawn(selected)) << "back after the next key";

    // Disabled: no caret even with the focus.
    disabled->Activate();
    Compose();
    EXPECT_FALSE(CaretDrawn(disabled));

    // A caret bitmap's colour appears centred on the caret x.
    withBitmap->Activate();
    withBitmap->SetCursorPosition(6);
    Compose();
    const CPoint caret = CaretOnScreen(withBitmap);
    const std::int32_t bitmapY = 290 + withBitmap->GetSize().cy / 2;
    EXPECT_EQ(Pixel(caret.x - 2, bitmapY), CColor(255, 0, 0, 255));
    EXPECT_EQ(Pixel(caret.x + 1, bitmapY), CColor(255, 0, 0, 255));
    EXPECT_NE(Pixel(caret.x - 3, bitmapY), CColor(255, 0, 0, 255));
    EXPECT_NE(Pixel(caret.x + 2, bitmapY), CColor(255, 0, 0, 255));

    EXPECT_FALSE(SavePicture("edit_controls_caret_bitmap").empty());

    // The picture: the multi-line control focused with its caret, the one-line selection kept.
    multi->Activate();
    multi->SetCursorPosition(30);
    selected->GetModel().SelectRange(0, 8);
    selected->Invalidate(false);
    Compose();
    EXPECT_EQ(Pixel(20 + selected->GetTextArea().left + 6, middle - 4), StandardPalette(3));
    EXPECT_FALSE(SavePicture("edit_controls").empty());
}

} // namespace
