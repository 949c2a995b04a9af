#include "crashreport/VariableRecord.h"

#include "crashreport/CrashReport.h"

#include <string>

namespace CrashReport
{

namespace
{

void PrintChildren(const VariableRecord& record, TextOut& text, std::uint32_t flags, const char* indent)
{
    // Members and elements have their own lines: their indent and their names come back.
    flags &= ~(PrintNoIndent | PrintNoTypeAndName);
    const std::string inner = std::string(indent) + "  ";
    for (std::size_t i = 0; i < record.children.size() && i < MaxPrintedChildren; ++i)
    {
        if (record.kind == KindArray)
        {
            text.Append(inner.c_str());
            text.Append("[");
            text.AppendUnsigned(i);
            text.Append("] ");
            PrintVariable(record.children[i], text, flags | PrintNoIndent | PrintNoTypeAndName, inner.c_str());
        }
        else
        {
            PrintVariable(record.children[i], text, flags, inner.c_str());
        }
        text.Append("\r\n");
    }
    if (record.moreChildren || record.children.size() > MaxPrintedChildren)
    {
        text.Append(inner.c_str());
        text.Append("...\r\n");
    }
    text.Append(indent);
    text.Append("}");
}

void PrintString(const std::string& value, TextOut& text)
{
    text.Append("\"");
    for (const char c : value)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127)
        {
            text.Append("\\x");
            text.AppendHex(byte, 2);
        }
        else
        {
            text.AppendChar(c);
        }
    }
    text.Append("\"");
}

} // namespace

void PrintVariable(const VariableRecord& record, TextOut& text, std::uint32_t flags, const char* indent)
{
    const bool values = (flags & OptionPrintValues) != 0;
    if ((flags & PrintNoIndent) == 0)
    {
        text.Append(indent);
    }
    if ((flags & PrintNoTypeAndName) == 0 && record.kind != KindStructure && record.kind != KindPointer)
    {
        text.Append(record.typeName.Text());
        text.Append(" ");
        text.Append(record.name.Text());
        if (record.kind != KindNone && values)
        {
            text.Append(" = ");
        }
    }
    // Values only with bit 19 (the record's type and name stand alone without it).
    switch (values || record.kind == KindPointer ? record.kind : KindNone)
    {
    case KindNone: break;
    case KindVoid: text.Append("<void>"); break;
    case KindBool: text.AppendDecimal(static_cast<std::int64_t>(record.value & 0xFF)); break;
    case KindByte:
    {
        const auto number = static_cast<std::int8_t>(record.value & 0xFF);
        if (std::string(record.typeName.Text()) == "char")
        {
            // Control bytes would make the report binary: they show as '.', their number follows.
            const auto byte = static_cast<unsigned char>(number);
            text.Append("'");
            text.AppendChar(byte < 32 || byte == 127 ? '.' : static_cast<char>(byte));
            text.Append("' (");
            text.AppendDecimal(number);
            text.Append(")");
        }
        else
        {
            text.AppendDecimal(number);
        }
        break;
    }
    case KindShort: text.AppendDecimal(static_cast<std::int16_t>(record.value & 0xFFFF)); break;
    case KindInt: text.AppendDecimal(static_cast<std::int32_t>(record.value & 0xFFFFFFFF)); break;
    case KindInt64: text.AppendDecimal(static_cast<std::int64_t>(record.value)); break;
    case KindFloat:
    case KindDouble:
        text.Append("<Unhandled data type>: ");
        text.AppendDecimal(record.kind);
        break;
    case KindCharPointer:
        if (values)
        {
            text.Append("(0x");
            text.AppendHex(record.value, 16);
            text.Append(") ");
            if (record.stringValid)
            {
                PrintString(record.text, text);
            }
            else
            {
                text.Append("<invalid character pointer>");
            }
        }
        break;
    case KindPointer:
        if (!record.children.empty())
        {
            text.Append(record.children.front().typeName.Text());
            text.Append("* ");
        }
        else
        {
            text.Append("<Unknown>* ");
        }
        text.Append(record.name.Text());
        if (values)
        {
            text.Append("(0x");
            text.AppendHex(record.value, 16);
            text.Append(") ");
            if (record.overLimit)
            {
                text.Append("<max pointer recursion reached>");
            }
            else if (!record.validPointer)
            {
                text.Append("<invalid pointer>");
            }
            else if (record.children.size() != 1)
            {
                text.Append("<unset pointer>");
            }
            else
            {
                text.Append(" *= ");
                const std::string inner = std::string(indent) + "  ";
                PrintVariable(record.children.front(), text, flags | PrintNoIndent | PrintNoTypeAndName,
                              inner.c_str());
            }
        }
        break;
    case KindStructure:
        if (values)
        {
            if (!record.children.empty() && (flags & PrintNoTypeAndName) == 0)
            {
                text.Append(record.typeName.Text());
                text.Append(" ");
                text.Append(record.name.Text());
                text.Append(" = {\r\n");
            }
            else
            {
                text.Append("{\r\n");
            }
            PrintChildren(record, text, flags, indent);
        }
        break;
    case KindArray:
        if (values)
        {
            text.Append("{\r\n");
            PrintChildren(record, text, flags, indent);
        }
        break;
    default:
        text.Append("<Unhandled data type>: ");
        text.AppendDecimal(record.kind);
        break;
    }
}

bool IsFilteredOut(const VariableRecord& record)
{
    for (int i = 0; i < SymbolFilterCount(); ++i)
    {
        bool matched = false;
        if (GetSymbolFilter(i)(&record, &matched))
        {
            return matched;
        }
    }
    return false;
}

} // namespace CrashReport
