#include "ui/controls/EditText.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using UILib::CEditText;

namespace
{

struct ModelCase
{
    const char* name;
    std::function<void(CEditText&)> steps;
    std::string text;
    std::int32_t cursor;
    std::int32_t selectionStart;
    std::int32_t selectionLength;
};

CEditText WithText(const char* text, std::int32_t cursor)
{
    CEditText model;
    model.SetText(text);
    model.SetCursorToCharIndex(cursor);
    model.SelectRange(0, 0);
    return model;
}

TEST(EditText, EditsFollowTheCursorSelectionAndLimitRules)
{
    const ModelCase cases[] = {
        {"limit 3, typing at the end is cut", [](CEditText& m) {
             m.SetTextLimit(3);
             m.SetCursorToCharIndex(3);
             m.InsertChar(u'd');
         }, "abc", 3, 0, 0},
        {"limit 3, typing at 0 cuts the last character", [](CEditText& m) {
             m.SetTextLimit(3);
             m.SetCursorToCharIndex(0);
             m.InsertChar(u'd');
         }, "dab", 1, 0, 0},
        {"backspace after a two-byte character", [](CEditText& m) {
             m.SetText("a\xC3\xA9");
             m.SetCursorToCharIndex(2);
             m.DeleteBackward();
         }, "a", 1, 0, 0},
        {"extend right twice from 1", [](CEditText& m) {
             m.SetCursorToCharIndex(1);
             m.MoveCursor(1, true);
             m.MoveCursor(1, true);
         }, "abc", 3, 1, 2},
        {"then left three times", [](CEditText& m) {
             m.SetCursorToCharIndex(1);
             m.MoveCursor(2, true);
             for (int i = 0; i < 3; ++i)
             {
                 m.MoveCursor(-1, true);
             }
         }, "abc", 0, 0, 1},
        {"paste drops tab and line feed", [](CEditText& m) {
             m.SetCursorToCharIndex(3);
             m.InsertText("x\ty\nz");
         }, "abcxyz", 6, 0, 0},
        {"overwrite x over abc", [](CEditText& m) {
             m.SetInsertMode(false);
             m.SetCursorToCharIndex(0);
             m.InsertChar(u'x');
         }, "xbc", 1, 0, 0},
        {"typing replaces the selection", [](CEditText& m) {
             m.SelectRange(1, 2);
             m.InsertChar(u'Z');
         }, "aZ", 2, 0, 0},
        {"select word in the middle", [](CEditText& m) {
             m.SetText("one two three");
             m.SetCursorToCharIndex(5);
             m.SelectWord();
         }, "one two three", 7, 4, 3},
        {"word moves", [](CEditText& m) {
             m.SetText("one  two three");
             m.SetCursorToCharIndex(1);
             m.MoveToNextWord(false);
             m.MoveToNextWord(true);
         }, "one  two three", 9, 5, 4},
        {"previous word stops at the start", [](CEditText& m) {
             m.SetText("  one");
             m.SetCursorToCharIndex(2);
             m.MoveToPreviousWord(false);
         }, "  one", 0, 0, 0},
    };
    for (const ModelCase& c : cases)
    {
        CEditText model = WithText("abc", 0);
        c.steps(model);
        EXPECT_EQ(std::string(static_cast<const char*>(model.GetText())), c.text) << c.name;
        EXPECT_EQ(model.GetCursor(), c.cursor) << c.name;
        if (c.selectionLength > 0)
        {
            EXPECT_EQ(model.GetSelectionStart(), c.selectionStart) << c.name;
        }
        EXPECT_EQ(model.GetSelectionLength(), c.selectionLength) << c.name;
    }
}

TEST(EditText, NewlinesOnlyBelowTheLimitInBytes)
{
    CEditText model = WithText("ab", 2);
    model.SetTextLimit(3);
    model.InsertNewline();
    EXPECT_STREQ(model.GetText(), "ab\n");
    model.InsertNewline();
    EXPECT_STREQ(model.GetText(), "ab\n");
}

TEST(EditText, PermittedCharactersCompareWholeCharacters)
{
    CEditText model = WithText("", 0);
    model.SetPermittedChars("0123456789");
    model.InsertChar(u'a');
    model.InsertChar(u'\u0431'); // low byte '1'
    model.InsertChar(u'\u0130'); // low byte '0'
    EXPECT_STREQ(model.GetText(), "");
    model.InsertText("12a3\xD0\xB1");
    EXPECT_STREQ(model.GetText(), "123");

    // A non-ASCII list permits its own characters.
    model.SetPermittedChars("\xC3\xA9x");
    model.InsertChar(u'\u00E9');
    model.InsertChar(u'y');
    EXPECT_STREQ(model.GetText(), "123\xC3\xA9");

    // Control characters and lone surrogate halves are never allowed.
    EXPECT_FALSE(CEditText::IsCharAllowed(u'\t', ""));
    EXPECT_FALSE(CEditText::IsCharAllowed(char16_t{0xD83D}, ""));
    EXPECT_TRUE(CEditText::IsCharAllowed(u' ', ""));
}

TEST(EditText, TheLimitCountsCharactersNotBytes)
{
    CEditText model = WithText("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 4);
    model.SetTextLimit(3);
    EXPECT_STREQ(model.GetText(), "\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_EQ(model.GetCursor(), 6);
    EXPECT_EQ(model.GetCharCount(), 3);
}

TEST(EditText, SetTextKeepsTheCursorAndSelectsTheWholeText)
{
    CEditText model = WithText("abcdef", 2);
    model.SetText("hello");
    EXPECT_EQ(model.GetCursor(), 2);
    EXPECT_EQ(model.GetSelectionStart(), 0);
    EXPECT_EQ(model.GetSelectionLength(), 5);
    model.InsertChar(u'x');
    EXPECT_STREQ(model.GetText(), "x") << "the next character replaces the text";

    // A cursor beyond the new text is clamped to its end; the text stays selected.
    model = WithText("abcdef", 6);
    model.SetText("ab");
    EXPECT_EQ(model.GetCursor(), 2);
    EXPECT_EQ(model.GetSelectionLength(), 2);
}

TEST(EditText, PastedTextKeepsOnlyWellFormedCharacters)
{
    CEditText model = WithText("", 0);
    // U+1F600 (4 bytes), Latin-1 0xE9 before 'A', a stray continuation, an overlong '/', a surrogate half.
    model.InsertText("a\xF0\x9F\x98\x80" "b\xE9" "A\x80" "c\xC0\xAF" "d\xED\xA0\x80" "e\xE2\x82\xAC");
    EXPECT_STREQ(model.GetText(), "abAcde\xE2\x82\xAC");
    EXPECT_EQ(model.GetCursor(), model.GetLength());
}

TEST(EditText, ATextEndingInACutSequenceIsSteppedWithinItsEnd)
{
    // The program's own text is kept as given; every step stops at the end.
    CEditText model = WithText("ab\xE2\x82", 0);
    EXPECT_EQ(model.GetCharCount(), 3);
    model.MoveCursor(10, false);
    EXPECT_EQ(model.GetCursor(), 4);
    model.DeleteBackward();
    EXPECT_STREQ(model.GetText(), "ab");
    model.SetText("x\xE2");
    model.SetCursorToCharIndex(1);
    model.DeleteForward();
    EXPECT_STREQ(model.GetText(), "x");
    model.SetText("\xC3");
    model.SelectWord();
    EXPECT_EQ(model.GetSelectionLength(), 1);
}

TEST(EditText, LinePiecesAroundTheSelection)
{
    CEditText model = WithText("abcdef\nghij", 0);
    model.SelectRange(4, 5); // "ef\ngh"
    EXPECT_STREQ(model.GetTextBeforeSelection(0, 7), "abcd");
    EXPECT_STREQ(model.GetSelectedText(0, 7), "ef\n");
    EXPECT_STREQ(model.GetTextAfterSelection(0, 7), "");
    EXPECT_STREQ(model.GetTextBeforeSelection(7, 11), "");
    EXPECT_STREQ(model.GetSelectedText(7, 11), "gh");
    EXPECT_STREQ(model.GetTextAfterSelection(7, 11), "ij");
    model.SelectRange(0, 0);
    EXPECT_STREQ(model.GetTextBeforeSelection(7, 11), "ghij");
    EXPECT_STREQ(model.GetSelectedText(7, 11), "");
}

} // namespace
