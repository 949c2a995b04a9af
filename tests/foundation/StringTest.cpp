#include "foundation/String.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using BaseLib::CString;
using BaseLib::CStringArray;

namespace
{

std::string Text(const CString& s)
{
    return std::string(static_cast<const char*>(s));
}

std::string Pieces(const CStringArray& array)
{
    std::string joined;
    for (const CString& piece : array)
    {
        joined += "[" + Text(piece) + "]";
    }
    return joined;
}

} // namespace

static_assert(sizeof(CString) == sizeof(void*));

TEST(CString, EmptyTextGivesTheNullString)
{
    const CString empty("");
    const CString none(static_cast<const char*>(nullptr));
    for (const CString* s : {&empty, &none})
    {
        EXPECT_EQ(s->GetLength(), 0);
        EXPECT_EQ(s->GetCapacity(), 0);
        EXPECT_STREQ(*s, "");
    }
    EXPECT_EQ(CString().GetCapacity(), 0);
}

TEST(CString, CopiesShareUntilOneChanges)
{
    CString a("abc");
    CString b(a);
    EXPECT_EQ(static_cast<const char*>(a), static_cast<const char*>(b));
    b.SetAt(1, 'X');
    EXPECT_EQ(Text(a), "abc");
    EXPECT_EQ(Text(b), "aXc");
    EXPECT_EQ(b.GetCapacity(), a.GetCapacity()); // a copy made for writing keeps the capacity

    CString c(a);
    c.ForwardSlashes(); // nothing to change: still shared
    EXPECT_EQ(static_cast<const char*>(a), static_cast<const char*>(c));
    c.MakeUpper();
    EXPECT_EQ(Text(a), "abc");
    EXPECT_EQ(Text(c), "ABC");

    CString d(a);
    d += CString("d");
    d.Delete(0, 1);
    d.Replace("b", "B");
    EXPECT_EQ(Text(a), "abc");
    EXPECT_EQ(Text(d), "Bcd");
}

TEST(CString, AssignmentBetweenSharersChangesNothing)
{
    CString a("text");
    const char* before = a;
    a = *&a; // self-assignment, through a pointer so that compilers do not flag it
    CString b(a);
    a = b;
    b = a;
    EXPECT_EQ(static_cast<const char*>(a), before);
    EXPECT_EQ(static_cast<const char*>(b), before);
    a = CString("other");
    EXPECT_EQ(Text(b), "text");
    b.AssignStdString(std::string("std"));
    EXPECT_EQ(Text(b), "std");
    b.AssignStdString(std::string());
    EXPECT_EQ(b.GetCapacity(), 0);
}

TEST(CString, CapacityRules)
{
    const std::function<CString()> builders[] = {
        [] { return CString("abcd"); }, // from a C string: length + 2
        [] {                            // single character: old length + 2
            CString s("abc");
            s.AppendChar('d');
            return s;
        },
        [] { // concatenation: length + 1
            CString s("ab");
            s += CString("cd");
            return s;
        },
        [] { // deletion: length + 1
            CString s("abcdef");
            s.Delete(4, 2);
            return s;
        },
        [] { // character removal: length + 1
            CString s("a-b-c-d");
            s.RemoveChar('-');
            return s;
        },
        [] { // formatting in place: length + 1
            CString s;
            s.Format("%s%d", "abc", 4);
            return s;
        },
        [] { return CString::FromFormat("%d", 1234); }, // a new string: as from a C string
    };
    const int expected[] = {6, 5, 5, 5, 5, 5, 6};
    for (std::size_t i = 0; i < std::size(builders); ++i)
    {
        const CString s = builders[i]();
        EXPECT_EQ(s.GetLength(), 4) << i;
        EXPECT_EQ(s.GetCapacity(), expected[i]) << i;
    }
}

TEST(CString, CompareAsUnsignedBytes)
{
    const struct
    {
        const char* left;
        const char* right;
        int expected;
    } cases[] = {
        {"", nullptr, 0}, {"", "", 0},      {"", "a", -1},     {"a", nullptr, 1},
        {"a", "", 1},     {"a", "a", 0},    {"a", "b", -1},    {"ab", "a", 1},
        {"a", "ab", -1},  {"\xE9", "a", 1}, {"a", "\x80", -1},
    };
    for (const auto& c : cases)
    {
        const CString left(c.left);
        EXPECT_EQ(left.Compare(c.right), c.expected) << c.left << " vs " << (c.right ? c.right : "null");
        EXPECT_EQ(left == c.right, c.expected == 0);
        EXPECT_EQ(left != c.right, c.expected != 0);
        if (c.right != nullptr)
        {
            EXPECT_EQ(left == CString(c.right), c.expected == 0);
            EXPECT_EQ(CString(c.right) != left, c.expected != 0);
        }
    }
}

TEST(CString, Searches)
{
    const CString s("a/b/cab");
    EXPECT_EQ(s.Find("b"), 2);
    EXPECT_EQ(s.Find("b", 3), 6);
    EXPECT_EQ(s.Find("b", -4), 2);
    EXPECT_EQ(s.Find("cab", 0), 4);
    EXPECT_EQ(s.Find("cabx", 0), -1);
    EXPECT_EQ(s.Find("", 0), -1);
    EXPECT_EQ(CString().Find("a", 0), -1);
    EXPECT_EQ(s.FindChar('c'), 4);
    EXPECT_EQ(s.FindChar('z'), -1);
    EXPECT_EQ(CString().FindChar('a'), -1);
    EXPECT_EQ(s.FindOneOf(2, "/c"), 3);
    EXPECT_EQ(s.FindOneOf(0, "xyz"), -1);
    EXPECT_EQ(s.ReverseFindSlash(), 3);
    EXPECT_EQ(CString("abc").ReverseFindSlash(), -1);
    EXPECT_TRUE(s.EndsWith("cab"));
    EXPECT_TRUE(s.EndsWith(""));
    EXPECT_FALSE(s.EndsWith("xa/b/cab"));
    EXPECT_FALSE(CString().EndsWith("a"));
    EXPECT_TRUE(CString().EndsWith(""));
}

TEST(CString, NumbersFromText)
{
    EXPECT_EQ(CString("42abc").ToInt(), 42);
    EXPECT_EQ(CString("-7").ToInt(), -7);
    EXPECT_EQ(CString("x1").ToInt(), 0);
    EXPECT_EQ(CString().ToInt(), 0);
    EXPECT_EQ(CString("2.5e1x").ToDouble(), 25.0);
    EXPECT_EQ(CString().ToDouble(), 0.0);
}

TEST(CString, BuildingOperationsClampTheirArguments)
{
    using Edit = std::function<void(CString&)>;
    const struct
    {
        const char* text;
        Edit edit;
        const char* expected;
    } cases[] = {
        {"abc", [](CString& s) { s.Delete(10, 5); }, "ab"},
        {"abc", [](CString& s) { s.Delete(-3, 1); }, "bc"},
        {"abc", [](CString& s) { s.Delete(0, 3); }, ""},
        {"abc", [](CString& s) { s.Delete(1, -1); }, "abc"},
        {"", [](CString& s) { s.Delete(0, 1); }, ""},
        {"abcdef", [](CString& s) { s = s.Mid(-5, 2); }, "ab"},
        {"abcdef", [](CString& s) { s = s.Mid(4, 10); }, "ef"},
        {"abcdef", [](CString& s) { s = s.Mid(6, 1); }, ""},
        {"abcdef", [](CString& s) { s = s.MidFrom(-1); }, "abcdef"},
        {"abcdef", [](CString& s) { s = s.MidFrom(3); }, "def"},
        {"abcdef", [](CString& s) { s = s.MidFrom(9); }, ""},
        {"abc", [](CString& s) { s = s.Left(2); }, "ab"},
        {"abc", [](CString& s) { s = s.Left(0); }, ""},
        {"abc", [](CString& s) { s = s.Right(10); }, "abc"},
        {"abc", [](CString& s) { s = s.Right(1); }, "c"},
        {"abc", [](CString& s) { s = s.Right(0); }, ""},
        {"abc", [](CString& s) { s.Insert(3, "de"); }, "abcde"},
        {"abc", [](CString& s) { s.Insert(0, "_"); }, "_abc"},
        {"abc", [](CString& s) { s.Insert(4, "x"); }, "abc"},
        {"abc", [](CString& s) { s.Insert(-1, "x"); }, "abc"},
        {"", [](CString& s) { s.Insert(0, "x"); }, "x"},
        {"ab", [](CString& s) { s.InsertNewline(1); }, "a\nb"},
        {"ab", [](CString& s) { s.AppendChar('c'); }, "abc"},
        {"a-b--", [](CString& s) { s.RemoveChar('-'); }, "ab"},
        {"---", [](CString& s) { s.RemoveChar('-'); }, ""},
        {" \t\r\nab c\n ", [](CString& s) { s.Trim(); }, "ab c"},
        {" \t\r\n", [](CString& s) { s.Trim(); }, ""},
        {"x\vy\v", [](CString& s) { s.Trim(); }, "x\vy\v"},
        {"path///", [](CString& s) { s.TrimRightChar('/'); }, "path"},
        {"///", [](CString& s) { s.TrimRightChar('/'); }, ""},
        {"aba", [](CString& s) { s.Replace("a", "aa"); }, "aabaa"},
        {"aaa", [](CString& s) { s.Replace("aa", "b"); }, "ba"},
        {"abcabc", [](CString& s) { s.Replace("bc", ""); }, "aa"},
        {"abc", [](CString& s) { s.Replace("", "x"); }, "abc"},
        {"abc", [](CString& s) { s.Replace("abc", ""); }, ""},
        {"a\\b\\c", [](CString& s) { s.ForwardSlashes(); }, "a/b/c"},
        {"AbC\xC4\xE9", [](CString& s) { s = s.ToLower(); }, "abc\xC4\xE9"},
        {"aBc\xE4\xC9", [](CString& s) { s = s.ToUpper(); }, "ABC\xE4\xC9"},
        {"Ab", [](CString& s) { s.MakeLower(); }, "ab"},
        {"abc", [](CString& s) { s.SetAt(3, 'x'); }, "abc"},
        {"abc", [](CString& s) { s.SetAt(-1, 'x'); }, "abc"},
        {"ab", [](CString& s) { s = s + CString("cd"); }, "abcd"},
        {"ab", [](CString& s) { s += CString(); }, "ab"},
        {"", [](CString& s) { s += CString("cd"); }, "cd"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        CString s(cases[i].text);
        cases[i].edit(s);
        EXPECT_EQ(Text(s), cases[i].expected) << "case " << i << " on \"" << cases[i].text << "\"";
        if (cases[i].expected[0] == '\0')
        {
            EXPECT_EQ(s.GetCapacity(), 0) << "an empty result is the null string, case " << i;
        }
    }
}

TEST(CString, FormatIntoA4096ByteBuffer)
{
    const std::string fits(4095, 'x');
    const std::string tooLong(4096, 'x');
    EXPECT_EQ(Text(CString::FromFormat("%s", fits.c_str())), fits);
    EXPECT_EQ(CString::FromFormat("%s", tooLong.c_str()).GetLength(), 0);
    EXPECT_EQ(CString::FromFormat("%s", std::string(5000, 'y').c_str()).GetLength(), 0);

    CString s("old");
    s.Format("%s_%d_%d", "name", 3, -4);
    EXPECT_EQ(Text(s), "name_3_-4");
    s.Format("%s", tooLong.c_str());
    EXPECT_EQ(s.GetCapacity(), 0);
    s.Format("%s", "");
    EXPECT_EQ(s.GetCapacity(), 0);
    EXPECT_EQ(Text(CString::FromFormat("%s_%g", "scale", 1.5)), "scale_1.5");
}

TEST(CString, SplitSkipsRunsOfSeparators)
{
    const struct
    {
        const char* text;
        const char* separators;
        const char* expected;
    } cases[] = {
        {"a,,b,", ",", "[a][b]"}, {",a", ",", "[][a]"}, {",,a", ",", "[][a]"},
        {"a", ",", "[a]"},        {"", ",", ""},        {"*.png;*.jpg *.bmp", "; ", "[*.png][*.jpg][*.bmp]"},
    };
    for (const auto& c : cases)
    {
        CStringArray pieces;
        CString(c.text).Split(c.separators, pieces);
        EXPECT_EQ(Pieces(pieces), c.expected) << c.text;
    }
    CStringArray pieces;
    pieces.Add(CString("kept"));
    CString("x y").Split(" ", pieces);
    EXPECT_EQ(Pieces(pieces), "[kept][x][y]");
}

TEST(CString, AssignsUtf16AsUtf8)
{
    const char16_t text[] = {u'A', 0x00E9, 0x20AC, 0};
    const CString s(text);
    EXPECT_EQ(Text(s), "A\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(s.GetLength(), 6);
    CString copy(s);
    copy.AssignWide(u"z");
    EXPECT_EQ(Text(copy), "z");
    EXPECT_EQ(Text(s), "A\xC3\xA9\xE2\x82\xAC");
    copy.AssignWide(u"");
    EXPECT_EQ(copy.GetLength(), 0);
    EXPECT_STREQ(copy, "");
}

TEST(CString, SetCapacityKeepsThePrefixForTheCallerToFill)
{
    CString s("abcdef");
    CString shared(s);
    s.SetCapacity(4);
    EXPECT_EQ(s.GetCapacity(), 4);
    EXPECT_EQ(s.GetLength(), 3);
    char* buffer = s.GetBuffer();
    buffer[3] = '\0';
    EXPECT_EQ(Text(s), "abc");
    buffer[1] = '\0';
    s.UpdateLength();
    EXPECT_EQ(s.GetLength(), 1);
    EXPECT_EQ(Text(shared), "abcdef");
    s.SetCapacity(0);
    EXPECT_EQ(s.GetBuffer(), nullptr);
}

TEST(CStringArray, GrowsInStepsOf32AndClosesGaps)
{
    CStringArray array;
    for (std::uint32_t i = 0; i < 70; ++i)
    {
        EXPECT_EQ(array.Add(CString::FromFormat("%u", i)), i);
    }
    EXPECT_EQ(array.GetCount(), 70u);
    EXPECT_EQ(Text(array[69]), "69");

    array.RemoveAt(0);
    array.RemoveAt(31);
    array.RemoveAt(500);
    EXPECT_EQ(array.GetCount(), 68u);
    EXPECT_EQ(Text(array[0]), "1");
    EXPECT_EQ(Text(array[30]), "31");
    EXPECT_EQ(Text(array[31]), "33");
    EXPECT_EQ(Text(array[67]), "69");

    // An entry added to its own array survives the growth that moves it.
    while (array.GetCount() % 32 != 0)
    {
        array.RemoveAt(array.GetCount() - 1);
    }
    const std::uint32_t index = array.Add(array[0]);
    EXPECT_EQ(Text(array[index]), "1");

    const CStringArray copy(array);
    array.RemoveAll();
    EXPECT_EQ(array.GetCount(), 0u);
    array.RemoveAll();
    EXPECT_EQ(copy.GetCount(), 65u);
    EXPECT_EQ(Text(copy[64]), "1");

    CStringArray single;
    single.Add(CString("only"));
    single.RemoveAt(0);
    EXPECT_EQ(single.GetCount(), 0u);
    EXPECT_EQ(single.Add(CString("again")), 0u);
}
