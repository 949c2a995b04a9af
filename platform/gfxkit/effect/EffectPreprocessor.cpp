#include "platform/gfxkit/effect/EffectPreprocessor.h"

#include "platform/gfxkit/effect/EffectExpression.h"
#include "platform/gfxkit/effect/EffectMessages.h"
#include "platform/os/Files.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <unordered_map>

namespace Platform::GfxKit
{
namespace
{

// Expansions within expansions, so that a long chain of macros cannot exhaust the stack.
constexpr std::size_t MaxMacroNesting = 256;

bool IsIdentifierStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::size_t SkipSpaces(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' ||
                                 text[pos] == '\v' || text[pos] == '\f'))
    {
        ++pos;
    }
    return pos;
}

std::string_view Trim(std::string_view text)
{
    const std::size_t start = SkipSpaces(text, 0);
    std::size_t end = text.size();
    while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1])))
    {
        --end;
    }
    return text.substr(start, end - start);
}

// Reads a whole file through the platform's case-blind opening; false when it cannot be opened or
// is larger than the limit (tooLarge set).
bool ReadWholeFile(const std::string& path, std::string& text, bool& tooLarge)
{
    tooLarge = false;
    std::FILE* file = Platform::OpenFile(path, "rb");
    if (!file)
    {
        return false;
    }
    text.clear();
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    {
        text.append(chunk, got);
        if (text.size() > MaxPreprocessedBytes)
        {
            tooLarge = true;
            break;
        }
    }
    std::fclose(file);
    return !tooLarge;
}

struct MacroDefinition
{
    bool function = false;
    std::vector<std::string> parameters;
    std::string body;
};

// One physical or continued line of a file, after its comments are gone.
struct LogicalLine
{
    std::string text;
    std::uint32_t line = 0;  // first physical line
    std::uint32_t spans = 1; // physical lines it covers
};

class Preprocessor
{
public:
    Preprocessor(const PreprocessInput& input, PreprocessedText& output, EffectMessages& messages)
        : input_(input), output_(output), messages_(messages)
    {}

    bool Run()
    {
        for (const Macro* macro = input_.macros; macro && macro->Name; ++macro)
        {
            MacroDefinition definition;
            definition.body = macro->Definition ? macro->Definition : "";
            macros_[macro->Name] = std::move(definition);
        }
        output_.files.push_back(input_.name);
        return ProcessFile(0, std::string(input_.text ? input_.text : "", input_.length), input_.path,
                           nullptr, 0);
    }

private:
    bool Error(std::uint32_t file, std::uint32_t line, const std::string& text)
    {
        messages_.Error(output_.files[file], line, text);
        return false;
    }

    std::uint32_t FileIndex(const std::string& name)
    {
        for (std::uint32_t i = 0; i < output_.files.size(); ++i)
        {
            if (output_.files[i] == name)
            {
                return i;
            }
        }
        output_.files.push_back(name);
        return static_cast<std::uint32_t>(output_.files.size() - 1);
    }

    // Comments become spaces, their line breaks stay; strings are skipped whole so that "//" inside
    // them is text.
    bool RemoveComments(std::uint32_t file, const std::string& text, std::string& result)
    {
        result.clear();
        result.reserve(text.size());
        std::uint32_t line = 1;
        for (std::size_t i = 0; i < text.size();)
        {
            const char c = text[i];
            if (c == '\0')
            {
                return Error(file, line, "NUL byte in the text");
            }
            if (c == '"')
            {
                result += c;
                ++i;
                while (i < text.size() && text[i] != '"' && text[i] != '\n')
                {
                    if (text[i] == '\0')
                    {
                        return Error(file, line, "NUL byte in the text");
                    }
                    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n')
                    {
                        result += text[i++];
                    }
                    result += text[i++];
                }
                if (i >= text.size() || text[i] == '\n')
                {
                    return Error(file, line, "string not closed on its line");
                }
                result += text[i++];
            }
            else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/')
            {
                while (i < text.size() && text[i] != '\n')
                {
                    ++i;
                }
            }
            else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*')
            {
                const std::uint32_t start = line;
                i += 2;
                result += ' ';
                while (i < text.size() && !(text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/'))
                {
                    if (text[i] == '\n')
                    {
                        result += '\n';
                        ++line;
                    }
                    ++i;
                }
                if (i >= text.size())
                {
                    return Error(file, start, "comment not closed");
                }
                i += 2;
            }
            else
            {
                if (c == '\n')
                {
                    ++line;
                }
                result += c;
                ++i;
            }
        }
        return true;
    }

    static std::vector<LogicalLine> SplitLines(const std::string& text)
    {
        std::vector<LogicalLine> lines;
        std::uint32_t number = 1;
        std::size_t start = 0;
        LogicalLine pending;
        bool continuing = false;
        while (start <= text.size())
        {
            std::size_t end = text.find('\n', start);
            const bool last = end == std::string::npos;
            if (last)
            {
                end = text.size();
            }
            std::string piece = text.substr(start, end - start);
            if (!piece.empty() && piece.back() == '\r')
            {
                piece.pop_back();
            }
            if (!continuing)
            {
                pending = LogicalLine{"", number, 0};
            }
            ++pending.spans;
            if (!piece.empty() && piece.back() == '\\' && !last)
            {
                piece.pop_back();
                pending.text += piece;
                continuing = true;
            }
            else
            {
                pending.text += piece;
                lines.push_back(pending);
                continuing = false;
            }
            ++number;
            if (last)
            {
                break;
            }
            start = end + 1;
        }
        return lines;
    }

    bool Emit(std::uint32_t file, std::uint32_t line, const std::string& text)
    {
        output_.text += text;
        output_.text += '\n';
        output_.lines.push_back({file, line});
        if (output_.text.size() > MaxPreprocessedBytes)
        {
            return Error(file, line, "the preprocessed text is larger than 16 MiB");
        }
        return true;
    }

    struct Conditional
    {
        bool parentActive = true;
        bool active = false;
        bool taken = false;
        bool elseSeen = false;
        std::uint32_t line = 0;
    };

    bool ProcessFile(std::uint32_t file, const std::string& raw, const std::string& path, const void* data,
                     std::uint32_t depth)
    {
        // Included text counts toward the limit as it is read, so a file that includes itself many times
        // over ends long before its output would.
        textRead_ += raw.size();
        if (textRead_ > MaxPreprocessedBytes)
        {
            return Error(file, 1, "the included files are larger than 16 MiB together");
        }
        std::string text;
        if (!RemoveComments(file, raw, text))
        {
            return false;
        }
        std::vector<Conditional> conditionals;
        for (const LogicalLine& logical : SplitLines(text))
        {
            const bool active = conditionals.empty() || conditionals.back().active;
            const std::size_t first = SkipSpaces(logical.text, 0);
            bool emitted = false;
            if (first < logical.text.size() && logical.text[first] == '#')
            {
                if (!Directive(file, logical, first + 1, path, data, depth, conditionals))
                {
                    return false;
                }
            }
            else if (active)
            {
                std::string expanded;
                if (!Expand(file, logical.line, logical.text, expanded, {}))
                {
                    return false;
                }
                if (!Emit(file, logical.line, expanded))
                {
                    return false;
                }
                emitted = true;
            }
            for (std::uint32_t i = emitted ? 1 : 0; i < logical.spans; ++i)
            {
                if (!Emit(file, logical.line + i, ""))
                {
                    return false;
                }
            }
        }
        if (!conditionals.empty())
        {
            return Error(file, conditionals.back().line, "#if without #endif");
        }
        return true;
    }

    bool Directive(std::uint32_t file, const LogicalLine& logical, std::size_t pos, const std::string& path,
                   const void* data, std::uint32_t depth, std::vector<Conditional>& conditionals)
    {
        const std::string_view line = logical.text;
        pos = SkipSpaces(line, pos);
        std::size_t end = pos;
        while (end < line.size() && IsIdentifierChar(line[end]))
        {
            ++end;
        }
        const std::string name(line.substr(pos, end - pos));
        const std::string_view rest = Trim(line.substr(end));
        const bool active = conditionals.empty() || conditionals.back().active;
        const std::uint32_t number = logical.line;

        if (name == "if" || name == "ifdef" || name == "ifndef")
        {
            Conditional conditional;
            conditional.parentActive = active;
            conditional.line = number;
            if (active)
            {
                bool value = false;
                if (name == "if")
                {
                    if (!Condition(file, number, rest, value))
                    {
                        return false;
                    }
                }
                else
                {
                    std::string macro;
                    if (!SingleName(file, number, name, rest, macro))
                    {
                        return false;
                    }
                    value = (macros_.count(macro) != 0) == (name == "ifdef");
                }
                conditional.active = value;
                conditional.taken = value;
            }
            conditionals.push_back(conditional);
            return true;
        }
        if (name == "elif" || name == "else" || name == "endif")
        {
            if (conditionals.empty())
            {
                return Error(file, number, "#" + name + " without #if");
            }
            Conditional& conditional = conditionals.back();
            if (name == "endif")
            {
                conditionals.pop_back();
                return true;
            }
            if (conditional.elseSeen)
            {
                return Error(file, number, "#" + name + " after #else");
            }
            if (name == "else")
            {
                conditional.elseSeen = true;
                conditional.active = conditional.parentActive && !conditional.taken;
                conditional.taken = conditional.taken || conditional.active;
                return true;
            }
            conditional.active = false;
            if (conditional.parentActive && !conditional.taken)
            {
                bool value = false;
                if (!Condition(file, number, rest, value))
                {
                    return false;
                }
                conditional.active = value;
                conditional.taken = value;
            }
            return true;
        }
        if (!active || name.empty())
        {
            return true; // directives of skipped lines are not looked at; a lone '#' does nothing
        }
        if (name == "define")
        {
            return Define(file, number, rest);
        }
        if (name == "undef")
        {
            std::string macro;
            if (!SingleName(file, number, name, rest, macro))
            {
                return false;
            }
            macros_.erase(macro);
            return true;
        }
        if (name == "error")
        {
            return Error(file, number, rest.empty() ? "#error" : std::string(rest));
        }
        if (name == "warning")
        {
            messages_.Warning(output_.files[file], number, rest.empty() ? "#warning" : std::string(rest));
            return true;
        }
        if (name == "include")
        {
            return IncludeFile(file, number, rest, path, data, depth);
        }
        return Error(file, number, "unknown directive #" + name);
    }

    bool SingleName(std::uint32_t file, std::uint32_t line, const std::string& directive,
                    std::string_view rest, std::string& name)
    {
        std::size_t end = 0;
        while (end < rest.size() && IsIdentifierChar(rest[end]))
        {
            ++end;
        }
        if (end == 0 || !IsIdentifierStart(rest[0]) || !Trim(rest.substr(end)).empty())
        {
            return Error(file, line, "#" + directive + " needs one name");
        }
        name = std::string(rest.substr(0, end));
        return true;
    }

    bool Define(std::uint32_t file, std::uint32_t line, std::string_view rest)
    {
        std::size_t end = 0;
        while (end < rest.size() && IsIdentifierChar(rest[end]))
        {
            ++end;
        }
        if (end == 0 || !IsIdentifierStart(rest[0]))
        {
            return Error(file, line, "#define needs a name");
        }
        const std::string name(rest.substr(0, end));
        MacroDefinition definition;
        std::size_t pos = end;
        if (pos < rest.size() && rest[pos] == '(')
        {
            definition.function = true;
            ++pos;
            for (;;)
            {
                pos = SkipSpaces(rest, pos);
                if (pos < rest.size() && rest[pos] == ')' && definition.parameters.empty())
                {
                    ++pos;
                    break;
                }
                std::size_t start = pos;
                while (pos < rest.size() && IsIdentifierChar(rest[pos]))
                {
                    ++pos;
                }
                if (pos == start || !IsIdentifierStart(rest[start]))
                {
                    return Error(file, line, "malformed parameter list of macro " + name);
                }
                definition.parameters.emplace_back(rest.substr(start, pos - start));
                pos = SkipSpaces(rest, pos);
                if (pos < rest.size() && rest[pos] == ',')
                {
                    ++pos;
                    continue;
                }
                if (pos < rest.size() && rest[pos] == ')')
                {
                    ++pos;
                    break;
                }
                return Error(file, line, "malformed parameter list of macro " + name);
            }
        }
        definition.body = std::string(Trim(rest.substr(pos)));
        macros_[name] = std::move(definition);
        return true;
    }

    // `defined NAME` and `defined(NAME)` become 1 or 0, then macros are expanded and the expression is
    // evaluated with unknown names as 0.
    bool Condition(std::uint32_t file, std::uint32_t line, std::string_view text, bool& value)
    {
        std::string replaced;
        for (std::size_t i = 0; i < text.size();)
        {
            if (IsIdentifierStart(text[i]))
            {
                std::size_t end = i;
                while (end < text.size() && IsIdentifierChar(text[end]))
                {
                    ++end;
                }
                const std::string_view word = text.substr(i, end - i);
                if (word != "defined")
                {
                    replaced += word;
                    i = end;
                    continue;
                }
                std::size_t pos = SkipSpaces(text, end);
                const bool parenthesised = pos < text.size() && text[pos] == '(';
                if (parenthesised)
                {
                    pos = SkipSpaces(text, pos + 1);
                }
                std::size_t nameEnd = pos;
                while (nameEnd < text.size() && IsIdentifierChar(text[nameEnd]))
                {
                    ++nameEnd;
                }
                if (nameEnd == pos)
                {
                    return Error(file, line, "defined needs a name");
                }
                const std::string name(text.substr(pos, nameEnd - pos));
                pos = nameEnd;
                if (parenthesised)
                {
                    pos = SkipSpaces(text, pos);
                    if (pos >= text.size() || text[pos] != ')')
                    {
                        return Error(file, line, "missing ')' after defined");
                    }
                    ++pos;
                }
                replaced += macros_.count(name) ? " 1 " : " 0 ";
                i = pos;
            }
            else if (std::isdigit(static_cast<unsigned char>(text[i])))
            {
                while (i < text.size() && IsIdentifierChar(text[i]))
                {
                    replaced += text[i++];
                }
            }
            else
            {
                replaced += text[i++];
            }
        }
        std::string expanded;
        if (!Expand(file, line, replaced, expanded, {}))
        {
            return false;
        }
        if (Trim(expanded).empty())
        {
            return Error(file, line, "#if needs an expression");
        }
        std::int64_t result = 0;
        std::string error;
        if (!EvaluateExpression(expanded, true, result, error))
        {
            return Error(file, line, error);
        }
        value = result != 0;
        return true;
    }

    // Expands macros in text; names in `disabled` are being expanded and stay as they are.
    bool Expand(std::uint32_t file, std::uint32_t line, std::string_view text, std::string& out,
                const std::vector<std::string_view>& disabled)
    {
        for (std::size_t i = 0; i < text.size();)
        {
            if (out.size() + output_.text.size() > MaxPreprocessedBytes)
            {
                return Error(file, line, "the preprocessed text is larger than 16 MiB");
            }
            const char c = text[i];
            if (c == '"')
            {
                std::size_t end = i + 1;
                while (end < text.size() && text[end] != '"')
                {
                    end += text[end] == '\\' ? 2 : 1;
                }
                end = std::min(end + 1, text.size());
                out.append(text.substr(i, end - i));
                i = end;
                continue;
            }
            if (std::isdigit(static_cast<unsigned char>(c)) ||
                (c == '.' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1]))))
            {
                // A number with its suffixes and exponent: nothing inside it is a name.
                std::size_t end = i + 1;
                while (end < text.size() && (IsIdentifierChar(text[end]) || text[end] == '.' ||
                                             ((text[end] == '+' || text[end] == '-') &&
                                              (text[end - 1] == 'e' || text[end - 1] == 'E'))))
                {
                    ++end;
                }
                out.append(text.substr(i, end - i));
                i = end;
                continue;
            }
            if (!IsIdentifierStart(c))
            {
                out += c;
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < text.size() && IsIdentifierChar(text[end]))
            {
                ++end;
            }
            const std::string_view name = text.substr(i, end - i);
            const auto found = macros_.find(std::string(name));
            bool isDisabled = false;
            for (std::string_view d : disabled)
            {
                isDisabled = isDisabled || d == name;
            }
            if (found == macros_.end() || isDisabled)
            {
                out.append(name);
                i = end;
                continue;
            }
            const MacroDefinition& macro = found->second;
            if (disabled.size() >= MaxMacroNesting)
            {
                return Error(file, line, "macros are nested more than 256 deep");
            }
            std::vector<std::string_view> inner = disabled;
            inner.push_back(found->first);
            if (!macro.function)
            {
                if (!Expand(file, line, macro.body, out, inner))
                {
                    return false;
                }
                i = end;
                continue;
            }
            std::size_t pos = SkipSpaces(text, end);
            if (pos >= text.size() || text[pos] != '(')
            {
                out.append(name);
                i = end;
                continue;
            }
            std::vector<std::string_view> arguments;
            int nesting = 0;
            std::size_t start = pos + 1;
            ++pos;
            bool closed = false;
            for (; pos < text.size(); ++pos)
            {
                const char a = text[pos];
                if (a == '(')
                {
                    ++nesting;
                }
                else if (a == ')' && nesting > 0)
                {
                    --nesting;
                }
                else if (a == ')' || (a == ',' && nesting == 0))
                {
                    arguments.push_back(Trim(text.substr(start, pos - start)));
                    start = pos + 1;
                    if (a == ')')
                    {
                        closed = true;
                        break;
                    }
                }
            }
            if (!closed)
            {
                return Error(file, line,
                             "the arguments of macro " + std::string(name) + " are not closed on the line");
            }
            if (arguments.size() == 1 && arguments[0].empty() && macro.parameters.empty())
            {
                arguments.clear();
            }
            if (arguments.size() != macro.parameters.size())
            {
                return Error(file, line,
                             "macro " + std::string(name) + " takes " +
                                 std::to_string(macro.parameters.size()) + " arguments, " +
                                 std::to_string(arguments.size()) + " given");
            }
            std::vector<std::string> expandedArguments(arguments.size());
            for (std::size_t a = 0; a < arguments.size(); ++a)
            {
                if (!Expand(file, line, arguments[a], expandedArguments[a], disabled))
                {
                    return false;
                }
            }
            std::string substituted;
            const std::string& body = macro.body;
            for (std::size_t b = 0; b < body.size();)
            {
                if (!IsIdentifierStart(body[b]))
                {
                    substituted += body[b++];
                    continue;
                }
                std::size_t wordEnd = b;
                while (wordEnd < body.size() && IsIdentifierChar(body[wordEnd]))
                {
                    ++wordEnd;
                }
                const std::string_view word = std::string_view(body).substr(b, wordEnd - b);
                bool replacedWord = false;
                for (std::size_t p = 0; p < macro.parameters.size() && !replacedWord; ++p)
                {
                    if (macro.parameters[p] == word)
                    {
                        substituted += expandedArguments[p];
                        replacedWord = true;
                    }
                }
                if (!replacedWord)
                {
                    substituted.append(word);
                }
                b = wordEnd;
            }
            if (!Expand(file, line, substituted, out, inner))
            {
                return false;
            }
            i = pos + 1;
        }
        return true;
    }

    bool IncludeFile(std::uint32_t file, std::uint32_t line, std::string_view rest, const std::string& path,
                     const void* data, std::uint32_t depth)
    {
        if (rest.size() < 2 ||
            !((rest.front() == '"' && rest.back() == '"') || (rest.front() == '<' && rest.back() == '>')))
        {
            return Error(file, line, "#include needs a file name in \"\" or <>");
        }
        const std::uint32_t type = rest.front() == '"' ? IncludeType::Local : IncludeType::System;
        const std::string name(rest.substr(1, rest.size() - 2));
        if (name.empty())
        {
            return Error(file, line, "#include needs a file name in \"\" or <>");
        }
        if (depth + 1 > MaxIncludeDepth)
        {
            return Error(file, line, "includes are nested more than 32 deep");
        }
        const std::uint32_t included = FileIndex(name);
        if (input_.include)
        {
            const void* includedData = nullptr;
            std::uint32_t bytes = 0;
            if (Gfx::Failed(input_.include->Open(type, name.c_str(), data, &includedData, &bytes)))
            {
                return Error(file, line, "cannot open include file \"" + name + "\"");
            }
            // Close follows whatever happens inside the included text.
            struct Closer
            {
                Include* include;
                const void* data;
                ~Closer() { include->Close(data); }
            } closer{input_.include, includedData};
            if (bytes > MaxPreprocessedBytes)
            {
                return Error(file, line, "include file \"" + name + "\" is larger than 16 MiB");
            }
            const std::string text(static_cast<const char*>(includedData), includedData ? bytes : 0);
            return ProcessFile(included, text, name, includedData, depth + 1);
        }
        std::string located = name;
        if (name.front() != '/' && !path.empty())
        {
            const std::size_t slash = path.rfind('/');
            if (slash != std::string::npos)
            {
                located = path.substr(0, slash + 1) + name;
            }
        }
        std::string text;
        bool tooLarge = false;
        if (!ReadWholeFile(located, text, tooLarge))
        {
            return Error(file, line,
                         tooLarge ? "include file \"" + name + "\" is larger than 16 MiB"
                                  : "cannot open include file \"" + name + "\"");
        }
        return ProcessFile(included, text, located, nullptr, depth + 1);
    }

    const PreprocessInput& input_;
    PreprocessedText& output_;
    EffectMessages& messages_;
    std::unordered_map<std::string, MacroDefinition> macros_;
    std::size_t textRead_ = 0;
};

} // namespace

bool Preprocess(const PreprocessInput& input, PreprocessedText& output, EffectMessages& messages)
{
    Preprocessor preprocessor(input, output, messages);
    return preprocessor.Run();
}

} // namespace Platform::GfxKit
