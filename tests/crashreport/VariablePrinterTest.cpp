#include "crashreport/CrashReport.h"
#include "crashreport/TextBuffer.h"
#include "crashreport/VariableRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using namespace CrashReport;

VariableRecord Make(int kind, const char* type, const char* name, std::uint64_t value = 0)
{
    VariableRecord record;
    record.kind = kind;
    record.typeName = SmallString::Copy(type);
    record.name = SmallString::Copy(name);
    record.value = value;
    return record;
}

std::string Print(const VariableRecord& record, std::uint32_t flags = FrameMask, const char* indent = "")
{
    TextBuffer text;
    PrintVariable(record, text, flags, indent);
    return text.Data();
}

VariableRecord CharPointer(const char* name, std::uint64_t address, const char* text)
{
    VariableRecord record = Make(KindCharPointer, "char*", name, address);
    record.stringValid = text != nullptr;
    record.text = text != nullptr ? text : "";
    return record;
}

VariableRecord PairStructure(const char* name)
{
    VariableRecord pair = Make(KindStructure, "Pair", name);
    pair.children.push_back(Make(KindInt, "int", "first", 1));
    pair.children.push_back(Make(KindInt, "int", "second", 2));
    return pair;
}

} // namespace

TEST(VariablePrinter, ScalarsByKind)
{
    struct Case
    {
        VariableRecord record;
        const char* expected;
    };
    const Case cases[] = {
        {Make(KindInt, "int", "i", static_cast<std::uint32_t>(-5)), "int i = -5"},
        {Make(KindByte, "char", "c", 65), "char c = 'A' (65)"},
        {Make(KindByte, "char", "c", 0), "char c = '.' (0)"},
        {Make(KindByte, "char", "c", 127), "char c = '.' (127)"},
        {Make(KindByte, "byte", "b", 0xFF), "byte b = -1"},
        {Make(KindShort, "short", "s", 0xFFFE), "short s = -2"},
        {Make(KindBool, "bool", "flag", 1), "bool flag = 1"},
        {Make(KindInt64, "int64", "n", 5000000000ull), "int64 n = 5000000000"},
        {Make(KindInt64, "int64", "n", static_cast<std::uint64_t>(-5000000000ll)), "int64 n = -5000000000"},
        {Make(KindDouble, "double", "d", 0), "double d = <Unhandled data type>: 9"},
        {Make(KindFloat, "float", "f", 0), "float f = <Unhandled data type>: 8"},
        {Make(KindVoid, "void", "v"), "void v = <void>"},
        {Make(KindNone, "int", "gone"), "int gone"},
        {CharPointer("p", 0, nullptr), "char* p = (0x0000000000000000) <invalid character pointer>"},
        {CharPointer("p", 0x1234, nullptr), "char* p = (0x0000000000001234) <invalid character pointer>"},
        {CharPointer("p", 0x7F0000001000, "he\x01lo"), "char* p = (0x00007F0000001000) \"he\\x01lo\""},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Print(c.record), c.expected);
    }
    // Without bit 19 only the type and the name are printed; bit 29 drops the indent.
    EXPECT_EQ(Print(Make(KindInt, "int", "i", 3), FrameMask & ~OptionPrintValues, "  "), "  int i");
    EXPECT_EQ(Print(Make(KindInt, "int", "i", 3), FrameMask | PrintNoIndent, "  "), "int i = 3");
}

TEST(VariablePrinter, StructuresArraysAndPointers)
{
    EXPECT_EQ(Print(PairStructure("pair"), FrameMask, "  "),
              "  Pair pair = {\r\n    int first = 1\r\n    int second = 2\r\n  }");

    VariableRecord pointer = Make(KindPointer, "", "p", 0x7F0000002000);
    pointer.validPointer = true;
    pointer.children.push_back(PairStructure(""));
    EXPECT_EQ(Print(pointer), "Pair* p(0x00007F0000002000)  *= {\r\n    int first = 1\r\n    int second = 2\r\n  }");

    VariableRecord deeper = Make(KindPointer, "", "next", 0x7F0000003000);
    deeper.overLimit = true;
    VariableRecord node = Make(KindStructure, "Node", "");
    node.children.push_back(deeper);
    VariableRecord head = Make(KindPointer, "", "head", 0x7F0000002000);
    head.validPointer = true;
    head.children.push_back(node);
    EXPECT_NE(Print(head).find("<Unknown>* next(0x00007F0000003000) <max pointer recursion reached>"), std::string::npos)
        << Print(head);
    EXPECT_EQ(Print(Make(KindPointer, "", "bad", 16)), "<Unknown>* bad(0x0000000000000010) <invalid pointer>");

    VariableRecord array = Make(KindArray, "int[]", "values");
    for (int i = 0; i < 3; ++i)
    {
        array.children.push_back(Make(KindInt, "int", "", static_cast<std::uint64_t>(10 + i)));
    }
    EXPECT_EQ(Print(array), "int[] values = {\r\n  [0] 10\r\n  [1] 11\r\n  [2] 12\r\n}");

    // A large array stops after 64 elements and a "..." line.
    VariableRecord large = Make(KindArray, "int[]", "buffer");
    large.children.assign(64, Make(KindInt, "int", "", 0));
    large.moreChildren = true;
    const std::string text = Print(large);
    EXPECT_NE(text.find("[63] 0\r\n  ...\r\n}"), std::string::npos);
    EXPECT_EQ(text.find("[64]"), std::string::npos);
}

TEST(VariablePrinter, FiltersRunInOrderUntilOneMatches)
{
    static int calls = 0;
    AddSymbolFilter([](const VariableRecord* record, bool* matched) {
        ++calls;
        *matched = std::string(record->name.Text()).rfind("__", 0) == 0;
        return *matched;
    });
    AddSymbolFilter([](const VariableRecord* record, bool* matched) {
        ++calls;
        *matched = std::string(record->typeName.Text()).rfind("DbgType", 0) == 0;
        return *matched;
    });
    calls = 0;
    EXPECT_TRUE(IsFilteredOut(Make(KindInt, "int", "__guard")));
    EXPECT_EQ(calls, 1) << "the first match ends the run";
    calls = 0;
    EXPECT_TRUE(IsFilteredOut(Make(KindInt, "DbgTypeInfo", "info")));
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(IsFilteredOut(Make(KindInt, "int", "kept")));
}
