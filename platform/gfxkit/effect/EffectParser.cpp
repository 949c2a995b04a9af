#include "platform/gfxkit/effect/EffectParser.h"

#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/effect/EffectExpression.h"
#include "platform/gfxkit/effect/EffectMessages.h"
#include "platform/gfxkit/effect/EffectPreprocessor.h"
#include "platform/gfxkit/effect/EffectRecords.h"
#include "platform/gfxkit/effect/EffectStates.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>

namespace Platform::GfxKit
{
namespace
{

constexpr std::uint32_t MaxArrayElements = 4096;

// Ends the parse at the first error; caught where the parse began.
struct ParseError
{
    SourcePlace place;
    std::string text;
};

struct Token
{
    enum Kind
    {
        End,
        Identifier,
        Number,
        String,
        Punct,
    };
    Kind kind = End;
    std::string text;
    bool integer = false;
    std::int64_t intValue = 0;
    double floatValue = 0.0;
    std::uint32_t outLine = 0;

    bool Is(char c) const { return kind == Punct && text.size() == 1 && text[0] == c; }
    bool IsWord(const char* word) const { return kind == Identifier && text == word; }
};

std::string Describe(const Token& token)
{
    switch (token.kind)
    {
    case Token::End:
        return "the end of the file";
    case Token::String:
        return "a string";
    default:
        return "'" + token.text + "'";
    }
}

bool IsIdentifierStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string ToUpper(std::string text)
{
    for (char& c : text)
    {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

std::uint32_t FloatBits(double value)
{
    const float f = static_cast<float>(value);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, 4);
    return bits;
}

class Lexer
{
public:
    explicit Lexer(const PreprocessedText& text) : pp_(text) {}

    SourcePlace PlaceOf(std::uint32_t outLine) const
    {
        if (pp_.lines.empty())
        {
            return {0, 1};
        }
        const SourceLine& line = pp_.lines[std::min<std::size_t>(outLine, pp_.lines.size() - 1)];
        return {line.file, line.line};
    }

    const Token& Peek()
    {
        if (!peeked_)
        {
            peek_ = Lex();
            peeked_ = true;
        }
        return peek_;
    }

    Token Next()
    {
        Peek();
        peeked_ = false;
        return peek_;
    }

    // The text after an opening bracket that was just taken, up to its partner (not included);
    // brackets of the same kind nest.
    ProgramText Raw(char open, char close, const SourcePlace& start, const std::string& what)
    {
        ProgramText result;
        result.lines.push_back(PlaceOf(line_));
        int depth = 1;
        const std::string& text = pp_.text;
        while (pos_ < text.size())
        {
            const char c = text[pos_++];
            if (c == open)
            {
                ++depth;
            }
            else if (c == close && --depth == 0)
            {
                return result;
            }
            if (c == '\n')
            {
                ++line_;
                result.lines.push_back(PlaceOf(line_));
            }
            result.text += c;
        }
        throw ParseError{start, what + " is not closed"};
    }

private:
    Token Lex()
    {
        const std::string& text = pp_.text;
        while (pos_ < text.size() && std::isspace(static_cast<unsigned char>(text[pos_])))
        {
            if (text[pos_] == '\n')
            {
                ++line_;
            }
            ++pos_;
        }
        Token token;
        token.outLine = line_;
        if (pos_ >= text.size())
        {
            return token;
        }
        const char c = text[pos_];
        const char next = pos_ + 1 < text.size() ? text[pos_ + 1] : '\0';
        if (IsIdentifierStart(c))
        {
            const std::size_t start = pos_;
            while (pos_ < text.size() && IsIdentifierChar(text[pos_]))
            {
                ++pos_;
            }
            token.kind = Token::Identifier;
            token.text = text.substr(start, pos_ - start);
            return token;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            ((c == '-' || c == '.') && (std::isdigit(static_cast<unsigned char>(next)) || next == '.')))
        {
            return LexNumber(token);
        }
        if (c == '"')
        {
            return LexString(token);
        }
        if (std::strchr("{}()[]<>;:=,.", c))
        {
            ++pos_;
            token.kind = Token::Punct;
            token.text = std::string(1, c);
            return token;
        }
        char shown[16];
        if (std::isprint(static_cast<unsigned char>(c)))
        {
            std::snprintf(shown, sizeof shown, "'%c'", c);
        }
        else
        {
            std::snprintf(shown, sizeof shown, "0x%02X", static_cast<unsigned char>(c));
        }
        throw ParseError{PlaceOf(line_), std::string("unexpected character ") + shown};
    }

    Token LexNumber(Token& token)
    {
        const std::string& text = pp_.text;
        const std::size_t start = pos_;
        const bool negative = text[pos_] == '-';
        if (negative)
        {
            ++pos_;
        }
        token.kind = Token::Number;
        if (text[pos_] == '0' && pos_ + 1 < text.size() && (text[pos_ + 1] == 'x' || text[pos_ + 1] == 'X'))
        {
            pos_ += 2;
            const std::size_t digits = pos_;
            std::uint64_t value = 0;
            while (pos_ < text.size() && std::isxdigit(static_cast<unsigned char>(text[pos_])))
            {
                const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(text[pos_])));
                value = value * 16 + static_cast<std::uint64_t>(d <= '9' ? d - '0' : d - 'a' + 10);
                if (value > 0xFFFFFFFFull)
                {
                    throw ParseError{PlaceOf(line_), "number too large"};
                }
                ++pos_;
            }
            if (pos_ == digits)
            {
                throw ParseError{PlaceOf(line_), "malformed number"};
            }
            token.integer = true;
            token.intValue = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
            token.floatValue = static_cast<double>(token.intValue);
        }
        else
        {
            bool isFloat = false;
            while (pos_ < text.size() && std::isdigit(static_cast<unsigned char>(text[pos_])))
            {
                ++pos_;
            }
            if (pos_ < text.size() && text[pos_] == '.')
            {
                isFloat = true;
                ++pos_;
                while (pos_ < text.size() && std::isdigit(static_cast<unsigned char>(text[pos_])))
                {
                    ++pos_;
                }
            }
            if (pos_ < text.size() && (text[pos_] == 'e' || text[pos_] == 'E'))
            {
                isFloat = true;
                ++pos_;
                if (pos_ < text.size() && (text[pos_] == '+' || text[pos_] == '-'))
                {
                    ++pos_;
                }
                const std::size_t digits = pos_;
                while (pos_ < text.size() && std::isdigit(static_cast<unsigned char>(text[pos_])))
                {
                    ++pos_;
                }
                if (pos_ == digits)
                {
                    throw ParseError{PlaceOf(line_), "malformed number"};
                }
            }
            const std::string digits = text.substr(start, pos_ - start);
            if (pos_ < text.size() && (text[pos_] == 'f' || text[pos_] == 'F'))
            {
                isFloat = true;
                ++pos_;
            }
            if (digits == "-" || digits == "." || digits == "-.")
            {
                throw ParseError{PlaceOf(line_), "malformed number"};
            }
            token.floatValue = std::strtod(digits.c_str(), nullptr);
            token.integer = !isFloat;
            if (token.integer)
            {
                if (std::fabs(token.floatValue) > 4294967295.0)
                {
                    throw ParseError{PlaceOf(line_), "number too large"};
                }
                token.intValue = std::strtoll(digits.c_str(), nullptr, 10);
            }
        }
        if (pos_ < text.size() && (IsIdentifierChar(text[pos_]) || text[pos_] == '.'))
        {
            throw ParseError{PlaceOf(line_), "malformed number"};
        }
        token.text = text.substr(start, pos_ - start);
        return token;
    }

    Token LexString(Token& token)
    {
        const std::string& text = pp_.text;
        ++pos_;
        token.kind = Token::String;
        while (pos_ < text.size() && text[pos_] != '"' && text[pos_] != '\n')
        {
            char c = text[pos_++];
            if (c == '\\')
            {
                const char escaped = pos_ < text.size() ? text[pos_++] : '\0';
                switch (escaped)
                {
                case '"':
                case '\\':
                    c = escaped;
                    break;
                case 'n':
                    c = '\n';
                    break;
                case 't':
                    c = '\t';
                    break;
                default:
                    throw ParseError{PlaceOf(line_), "unknown escape in string"};
                }
            }
            token.text += c;
        }
        if (pos_ >= text.size() || text[pos_] != '"')
        {
            throw ParseError{PlaceOf(line_), "string not closed on its line"};
        }
        ++pos_;
        return token;
    }

    const PreprocessedText& pp_;
    std::size_t pos_ = 0;
    std::uint32_t line_ = 0;
    bool peeked_ = false;
    Token peek_;
};

struct TypeKeyword
{
    const char* keyword;
    std::uint32_t cls;
    std::uint32_t type;
    std::uint32_t rows;
    std::uint32_t columns;
    std::uint32_t bytes;
};

const TypeKeyword kTypes[] = {
    {"bool", ParameterClass::Scalar, ParameterType::Bool, 1, 1, 4},
    {"bool2", ParameterClass::Vector, ParameterType::Bool, 1, 2, 8},
    {"bool3", ParameterClass::Vector, ParameterType::Bool, 1, 3, 12},
    {"bool4", ParameterClass::Vector, ParameterType::Bool, 1, 4, 16},
    {"int", ParameterClass::Scalar, ParameterType::Int, 1, 1, 4},
    {"int2", ParameterClass::Vector, ParameterType::Int, 1, 2, 8},
    {"int3", ParameterClass::Vector, ParameterType::Int, 1, 3, 12},
    {"int4", ParameterClass::Vector, ParameterType::Int, 1, 4, 16},
    {"float", ParameterClass::Scalar, ParameterType::Float, 1, 1, 4},
    {"float2", ParameterClass::Vector, ParameterType::Float, 1, 2, 8},
    {"float3", ParameterClass::Vector, ParameterType::Float, 1, 3, 12},
    {"float4", ParameterClass::Vector, ParameterType::Float, 1, 4, 16},
    {"float4x4", ParameterClass::MatrixRows, ParameterType::Float, 4, 4, 64},
    {"string", ParameterClass::Object, ParameterType::String, 0, 0, 0},
    {"texture", ParameterClass::Object, ParameterType::Texture, 0, 0, 0},
    {"texture2D", ParameterClass::Object, ParameterType::Texture2D, 0, 0, 0},
    {"texture3D", ParameterClass::Object, ParameterType::Texture3D, 0, 0, 0},
    {"textureCUBE", ParameterClass::Object, ParameterType::TextureCube, 0, 0, 0},
    {"textureCube", ParameterClass::Object, ParameterType::TextureCube, 0, 0, 0},
    {"sampler", ParameterClass::Object, ParameterType::Sampler, 0, 0, 0},
    {"sampler2D", ParameterClass::Object, ParameterType::Sampler2D, 0, 0, 0},
    {"sampler3D", ParameterClass::Object, ParameterType::Sampler3D, 0, 0, 0},
    {"samplerCUBE", ParameterClass::Object, ParameterType::SamplerCube, 0, 0, 0},
    {"samplerCube", ParameterClass::Object, ParameterType::SamplerCube, 0, 0, 0},
};

bool IsTexture(const TypeInfo& type)
{
    return type.type >= ParameterType::Texture && type.type <= ParameterType::TextureCube;
}

bool IsSampler(const TypeInfo& type)
{
    return type.type >= ParameterType::Sampler && type.type <= ParameterType::SamplerCube;
}

// The vertex-input semantics and their declaration usages.
struct InputSemantic
{
    const char* name;
    std::uint8_t usage;
};

const InputSemantic kInputSemantics[] = {
    {"POSITION", Gfx::DeclUsage::Position},
    {"BLENDWEIGHT", Gfx::DeclUsage::BlendWeight},
    {"BLENDINDICES", Gfx::DeclUsage::BlendIndices},
    {"NORMAL", Gfx::DeclUsage::Normal},
    {"TANGENT", Gfx::DeclUsage::Tangent},
    {"BINORMAL", Gfx::DeclUsage::Binormal},
    {"COLOR", Gfx::DeclUsage::Color},
    {"TEXCOORD", Gfx::DeclUsage::TexCoord},
};

class Parser
{
public:
    Parser(const PreprocessedText& text, EffectSource& source) : lexer_(text), source_(source)
    {
        source_.files = text.files;
    }

    void Run()
    {
        for (;;)
        {
            const Token& token = lexer_.Peek();
            if (token.kind == Token::End)
            {
                break;
            }
            if (token.Is(';'))
            {
                lexer_.Next();
            }
            else if (token.IsWord("struct"))
            {
                ParseStruct();
            }
            else if (token.IsWord("technique"))
            {
                ParseTechnique();
            }
            else if (token.IsWord("glsl"))
            {
                const Token keyword = lexer_.Next();
                Expect('{', "after glsl");
                source_.glslBlocks.push_back(lexer_.Raw('{', '}', Place(keyword), "glsl block"));
            }
            else if (token.IsWord("vertexprogram") || token.IsWord("fragmentprogram"))
            {
                ParseProgram();
            }
            else
            {
                ParseParameter();
            }
        }
        ResolvePrograms();
        CheckMemberNames();
    }

private:
    SourcePlace Place(const Token& token) const { return lexer_.PlaceOf(token.outLine); }

    [[noreturn]] void Fail(const Token& token, const std::string& text)
    {
        throw ParseError{Place(token), text};
    }

    Token Expect(char c, const char* where)
    {
        Token token = lexer_.Next();
        if (!token.Is(c))
        {
            Fail(token, std::string("expected '") + c + "' " + where + ", found " + Describe(token));
        }
        return token;
    }

    bool Accept(char c)
    {
        if (lexer_.Peek().Is(c))
        {
            lexer_.Next();
            return true;
        }
        return false;
    }

    Token ExpectIdentifier(const char* what)
    {
        Token token = lexer_.Next();
        if (token.kind != Token::Identifier)
        {
            Fail(token, std::string("expected ") + what + ", found " + Describe(token));
        }
        return token;
    }

    void CheckNotReserved(const Token& name, const char* what)
    {
        if (IsReservedName(name.text))
        {
            Fail(name, std::string("'") + name.text + "' is a reserved name and cannot name a " + what);
        }
    }

    TypeInfo ParseType()
    {
        const Token token = ExpectIdentifier("a type");
        for (const TypeKeyword& keyword : kTypes)
        {
            if (token.text == keyword.keyword)
            {
                return TypeInfo{keyword.cls,   keyword.type, keyword.rows,   keyword.columns,
                                keyword.bytes, -1,           keyword.keyword};
            }
        }
        for (std::size_t i = 0; i < source_.structs.size(); ++i)
        {
            if (source_.structs[i].name == token.text)
            {
                return TypeInfo{ParameterClass::Struct,   ParameterType::Void, 0,         0,
                                source_.structs[i].bytes, static_cast<int>(i), token.text};
            }
        }
        Fail(token, "unsupported type '" + token.text + "'");
    }

    // "[" N "]" with N a constant expression; 0 when there is no bracket.
    std::uint32_t ParseArraySize()
    {
        if (!lexer_.Peek().Is('['))
        {
            return 0;
        }
        const Token open = lexer_.Next();
        const ProgramText text = lexer_.Raw('[', ']', Place(open), "array size");
        std::int64_t value = 0;
        std::string error;
        if (!EvaluateExpression(text.text, false, value, error))
        {
            Fail(open, "array size: " + error);
        }
        if (value <= 0 || value > MaxArrayElements)
        {
            Fail(open, "array size " + std::to_string(value) + " is not between 1 and 4096");
        }
        return static_cast<std::uint32_t>(value);
    }

    std::string ParseSemantic()
    {
        if (!Accept(':'))
        {
            return "";
        }
        return ExpectIdentifier("a semantic").text;
    }

    void ParseStruct()
    {
        lexer_.Next();
        const Token name = ExpectIdentifier("a struct name");
        CheckNotReserved(name, "struct");
        CheckUnusedTypeName(name);
        StructDecl decl;
        decl.name = name.text;
        decl.place = Place(name);
        Expect('{', "after the struct name");
        while (!Accept('}'))
        {
            const Token start = lexer_.Peek();
            if (start.kind == Token::End)
            {
                Fail(start, "struct " + decl.name + " is not closed");
            }
            MemberDecl member;
            member.type = ParseType();
            if (!member.type.IsNumeric() && member.type.cls != ParameterClass::Struct)
            {
                Fail(start, "struct members must be numeric or structs, not " + member.type.keyword);
            }
            const Token memberName = ExpectIdentifier("a member name");
            CheckNotReserved(memberName, "member");
            for (const MemberDecl& other : decl.members)
            {
                if (other.name == memberName.text)
                {
                    Fail(memberName, "struct " + decl.name + " has two members named " + memberName.text);
                }
            }
            member.name = memberName.text;
            member.place = Place(memberName);
            member.elements = ParseArraySize();
            member.semantic = ParseSemantic();
            Expect(';', "after a member");
            decl.bytes += member.type.bytes * (member.elements ? member.elements : 1);
            decl.members.push_back(std::move(member));
        }
        Expect(';', "after a struct");
        if (decl.members.empty())
        {
            Fail(name, "struct " + decl.name + " has no members");
        }
        source_.structs.push_back(std::move(decl));
    }

    void CheckUnusedTypeName(const Token& name)
    {
        for (const TypeKeyword& keyword : kTypes)
        {
            if (name.text == keyword.keyword)
            {
                Fail(name, "'" + name.text + "' is a type");
            }
        }
        for (const StructDecl& other : source_.structs)
        {
            if (other.name == name.text)
            {
                Fail(name, "struct " + name.text + " is declared twice");
            }
        }
    }

    // The scalar types of a value in the order its initialiser lists them.
    void ScalarTypes(const TypeInfo& type, std::uint32_t elements, std::vector<std::uint32_t>& out) const
    {
        for (std::uint32_t e = 0; e < (elements ? elements : 1); ++e)
        {
            if (type.cls == ParameterClass::Struct)
            {
                for (const MemberDecl& member :
                     source_.structs[static_cast<std::size_t>(type.structIndex)].members)
                {
                    ScalarTypes(member.type, member.elements, out);
                }
            }
            else
            {
                out.insert(out.end(), type.rows * type.columns, type.type);
            }
        }
    }

    // One scalar of an initialiser as 4 bytes of its type.
    std::uint32_t ScalarValue(const Token& token, std::uint32_t type)
    {
        if (type == ParameterType::Bool)
        {
            if (token.IsWord("true") || (token.kind == Token::Number && token.integer && token.intValue == 1))
            {
                return 1;
            }
            if (token.IsWord("false") ||
                (token.kind == Token::Number && token.integer && token.intValue == 0))
            {
                return 0;
            }
            Fail(token, "a bool takes true, false, 0 or 1, not " + Describe(token));
        }
        if (token.kind != Token::Number)
        {
            Fail(token, "expected a number, found " + Describe(token));
        }
        if (type == ParameterType::Int)
        {
            if (!token.integer)
            {
                Fail(token, "an int takes an integer, not " + token.text);
            }
            if (token.intValue < std::numeric_limits<std::int32_t>::min() ||
                token.intValue > std::numeric_limits<std::uint32_t>::max())
            {
                Fail(token, "number too large for an int");
            }
            return static_cast<std::uint32_t>(token.intValue);
        }
        return FloatBits(token.floatValue);
    }

    // A brace list (inner braces ignored) or a single value, as flat scalars.
    std::vector<Token> ParseValueList()
    {
        std::vector<Token> values;
        if (!lexer_.Peek().Is('{'))
        {
            values.push_back(lexer_.Next());
            return values;
        }
        int depth = 0;
        do
        {
            Token token = lexer_.Next();
            if (token.Is('{'))
            {
                ++depth;
            }
            else if (token.Is('}'))
            {
                --depth;
            }
            else if (token.Is(','))
            {}
            else if (token.kind == Token::End)
            {
                Fail(token, "value list is not closed");
            }
            else
            {
                values.push_back(token);
            }
        } while (depth > 0);
        return values;
    }

    std::vector<std::uint8_t> ParseNumericValue(const Token& at, const TypeInfo& type, std::uint32_t elements)
    {
        std::vector<std::uint32_t> types;
        ScalarTypes(type, elements, types);
        const std::vector<Token> values = ParseValueList();
        if (values.size() != types.size())
        {
            std::string name = type.keyword;
            if (elements)
            {
                name += "[" + std::to_string(elements) + "]";
            }
            Fail(at, name + " needs " + std::to_string(types.size()) + " values, " +
                         std::to_string(values.size()) + " given");
        }
        std::vector<std::uint8_t> bytes(types.size() * 4);
        for (std::size_t i = 0; i < types.size(); ++i)
        {
            const std::uint32_t value = ScalarValue(values[i], types[i]);
            std::memcpy(bytes.data() + i * 4, &value, 4);
        }
        return bytes;
    }

    std::vector<AnnotationDecl> ParseAnnotations()
    {
        std::vector<AnnotationDecl> annotations;
        if (!Accept('<'))
        {
            return annotations;
        }
        while (!Accept('>'))
        {
            if (Accept(';'))
            {
                continue;
            }
            const Token start = lexer_.Peek();
            AnnotationDecl annotation;
            annotation.type = ParseType();
            const bool allowed =
                annotation.type.type == ParameterType::String ||
                ((annotation.type.cls == ParameterClass::Scalar ||
                  annotation.type.cls == ParameterClass::Vector) &&
                 (annotation.type.type != ParameterType::Bool || annotation.type.columns == 1) &&
                 (annotation.type.type != ParameterType::Int || annotation.type.columns == 1));
            if (!allowed)
            {
                Fail(start, "annotations take bool, int, float, float2 to float4 or string, not " +
                                annotation.type.keyword);
            }
            const Token name = ExpectIdentifier("an annotation name");
            annotation.name = name.text;
            Expect('=', "after an annotation name");
            if (annotation.type.type == ParameterType::String)
            {
                const Token text = lexer_.Next();
                if (text.kind != Token::String)
                {
                    Fail(text, "a string annotation takes a string, not " + Describe(text));
                }
                annotation.text = text.text;
            }
            else
            {
                annotation.value = ParseNumericValue(name, annotation.type, 0);
            }
            for (const AnnotationDecl& other : annotations)
            {
                if (other.name == annotation.name)
                {
                    Fail(name, "two annotations named " + annotation.name);
                }
            }
            annotations.push_back(std::move(annotation));
            if (!lexer_.Peek().Is('>'))
            {
                Expect(';', "after an annotation");
            }
        }
        return annotations;
    }

    int FindParameter(const std::string& name) const
    {
        for (std::size_t i = 0; i < source_.parameters.size(); ++i)
        {
            if (source_.parameters[i].name == name)
            {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    void ParseParameter()
    {
        const Token start = lexer_.Peek();
        ParameterDecl decl;
        if (lexer_.Peek().IsWord("shared"))
        {
            lexer_.Next();
            decl.shared = true;
        }
        if (lexer_.Peek().IsWord("uniform"))
        {
            lexer_.Next();
        }
        decl.type = ParseType();
        const Token name = ExpectIdentifier("a parameter name");
        CheckNotReserved(name, "parameter");
        if (FindParameter(name.text) >= 0)
        {
            Fail(name, "parameter " + name.text + " is declared twice");
        }
        decl.name = name.text;
        decl.place = Place(name);
        decl.elements = ParseArraySize();
        if (decl.elements && !decl.type.IsNumeric() && decl.type.cls != ParameterClass::Struct)
        {
            Fail(name, "arrays of " + decl.type.keyword + " are not supported");
        }
        if (decl.shared && IsSampler(decl.type))
        {
            Fail(start, "samplers cannot be shared");
        }
        decl.semantic = ParseSemantic();
        decl.annotations = ParseAnnotations();
        if (decl.type.IsNumeric() || decl.type.cls == ParameterClass::Struct)
        {
            decl.initial.assign(decl.Bytes(), 0);
        }
        if (Accept('='))
        {
            ParseInitialiser(decl, name);
        }
        Expect(';', "after a parameter");
        source_.parameters.push_back(std::move(decl));
    }

    void ParseInitialiser(ParameterDecl& decl, const Token& name)
    {
        if (decl.type.IsNumeric() || decl.type.cls == ParameterClass::Struct)
        {
            decl.initial = ParseNumericValue(name, decl.type, decl.elements);
            return;
        }
        if (decl.type.type == ParameterType::String)
        {
            const Token text = lexer_.Next();
            if (text.kind != Token::String)
            {
                Fail(text, "a string takes a string, not " + Describe(text));
            }
            decl.text = text.text;
            return;
        }
        if (IsTexture(decl.type))
        {
            Fail(name, "a texture takes no initialiser");
        }
        const Token keyword = lexer_.Next();
        if (!keyword.IsWord("sampler_state"))
        {
            Fail(keyword, "a sampler takes sampler_state { ... }, not " + Describe(keyword));
        }
        Expect('{', "after sampler_state");
        while (!Accept('}'))
        {
            const Token state = ExpectIdentifier("a sampler state");
            Expect('=', "after a sampler state");
            if (state.text == "Texture" || state.text == "texture")
            {
                Expect('<', "before the texture's name");
                const Token texture = ExpectIdentifier("a texture parameter");
                Expect('>', "after the texture's name");
                const int index = FindParameter(texture.text);
                if (index < 0 || !IsTexture(source_.parameters[static_cast<std::size_t>(index)].type))
                {
                    Fail(texture, "the Texture of sampler " + decl.name + " must be a texture parameter, '" +
                                      texture.text + "' is not one");
                }
                decl.samplerTexture = index;
            }
            else
            {
                std::uint32_t number = 0;
                if (!FindSamplerState(state.text, number))
                {
                    Fail(state, "unknown sampler state " + state.text);
                }
                decl.samplerStates.push_back({number, StateValue(state, SamplerStateKind(number), nullptr)});
            }
            Expect(';', "after a sampler state");
        }
    }

    // A state's value of its kind; with `parameter` non-null a `<parameter>` reference is allowed too.
    std::uint32_t StateValue(const Token& state, StateValueKind kind, int* parameter)
    {
        const Token value = lexer_.Next();
        if (value.Is('<') && parameter)
        {
            const Token name = ExpectIdentifier("a parameter");
            Expect('>', "after the parameter");
            const int index = FindParameter(name.text);
            if (index < 0)
            {
                Fail(name, "unknown parameter " + name.text);
            }
            const ParameterDecl& decl = source_.parameters[static_cast<std::size_t>(index)];
            if (decl.type.cls != ParameterClass::Scalar || decl.elements ||
                (decl.type.type != ParameterType::Bool && decl.type.type != ParameterType::Int &&
                 decl.type.type != ParameterType::Float))
            {
                Fail(name, "state " + state.text + " takes a bool, int or float parameter, not " + name.text);
            }
            *parameter = index;
            return 0;
        }
        if (value.IsWord("true") || value.IsWord("false"))
        {
            return value.IsWord("true") ? 1 : 0;
        }
        if (value.kind == Token::Identifier)
        {
            std::uint32_t number = 0;
            if (!FindStateValue(kind, value.text, number))
            {
                Fail(value, "'" + value.text + "' is not a value of " + state.text);
            }
            return number;
        }
        if (value.kind != Token::Number)
        {
            Fail(value, "expected a value for " + state.text + ", found " + Describe(value));
        }
        if (kind == StateValueKind::Float)
        {
            return FloatBits(value.floatValue);
        }
        if (!value.integer)
        {
            Fail(value, state.text + " takes an integer, not " + value.text);
        }
        return static_cast<std::uint32_t>(value.intValue);
    }

    void ParseTechnique()
    {
        lexer_.Next();
        const Token name = ExpectIdentifier("a technique name");
        for (const TechniqueDecl& other : source_.techniques)
        {
            if (other.name == name.text)
            {
                Fail(name, "technique " + name.text + " is declared twice");
            }
        }
        TechniqueDecl technique;
        technique.name = name.text;
        technique.place = Place(name);
        technique.annotations = ParseAnnotations();
        Expect('{', "after the technique's name");
        while (!Accept('}'))
        {
            const Token keyword = lexer_.Next();
            if (!keyword.IsWord("pass"))
            {
                Fail(keyword, "expected pass or '}', found " + Describe(keyword));
            }
            PassDecl pass;
            pass.place = Place(keyword);
            if (lexer_.Peek().kind == Token::Identifier)
            {
                pass.name = lexer_.Next().text;
            }
            pass.annotations = ParseAnnotations();
            Expect('{', "after the pass's name");
            while (!Accept('}'))
            {
                ParseAssignment(pass, technique.passes.size());
            }
            technique.passes.push_back(std::move(pass));
        }
        Accept(';');
        source_.techniques.push_back(std::move(technique));
    }

    void ParseAssignment(PassDecl& pass, std::size_t passIndex)
    {
        const Token state = ExpectIdentifier("a state");
        Expect('=', "after a state");
        if (state.text == "VertexProgram" || state.text == "FragmentProgram")
        {
            const bool vertex = state.text == "VertexProgram";
            const Token value = ExpectIdentifier("a program name or null");
            (vertex ? pass.setsVertexProgram : pass.setsFragmentProgram) = true;
            if (!value.IsWord("null"))
            {
                pendingPrograms_.push_back({source_.techniques.size(), passIndex, vertex, value});
            }
            Expect(';', "after a state");
            return;
        }
        std::uint32_t number = 0;
        if (!FindRenderState(state.text, number))
        {
            Fail(state, "unknown state " + state.text);
        }
        StateAssignment assignment;
        assignment.state = number;
        assignment.place = Place(state);
        assignment.value = StateValue(state, RenderStateKind(number), &assignment.parameter);
        pass.states.push_back(assignment);
        Expect(';', "after a state");
    }

    void ParseProgram()
    {
        const Token keyword = lexer_.Next();
        ProgramDecl program;
        program.vertex = keyword.text == "vertexprogram";
        const Token name = ExpectIdentifier("a program name");
        CheckNotReserved(name, "program");
        for (const ProgramDecl& other : source_.programs)
        {
            if (other.vertex == program.vertex && other.name == name.text)
            {
                Fail(name, keyword.text + " " + name.text + " is declared twice");
            }
        }
        program.name = name.text;
        program.place = Place(name);
        Expect('{', "after the program's name");
        program.body = lexer_.Raw('{', '}', Place(keyword), "the body of " + keyword.text + " " + name.text);
        ReadInputs(program);
        source_.programs.push_back(std::move(program));
    }

    // Finds `in type name [: SEMANTIC];` at the top level of a body. Vertex programs get each one
    // rewritten with its attribute location; fragment inputs may not carry semantics.
    void ReadInputs(ProgramDecl& program)
    {
        std::string& text = program.body.text;
        int depth = 0;
        bool statementStart = true;
        std::size_t lineOfPos = 0;
        std::size_t lineCounted = 0;
        auto placeAt = [&](std::size_t pos) {
            for (; lineCounted < pos; ++lineCounted)
            {
                if (text[lineCounted] == '\n')
                {
                    ++lineOfPos;
                }
            }
            return program.body.lines[std::min(lineOfPos, program.body.lines.size() - 1)];
        };
        for (std::size_t i = 0; i < text.size();)
        {
            const char c = text[i];
            if (c == '{' || c == '(')
            {
                ++depth;
                ++i;
                statementStart = false;
                continue;
            }
            if (c == '}' || c == ')')
            {
                --depth;
                ++i;
                statementStart = depth == 0 && c == '}';
                continue;
            }
            if (c == ';')
            {
                statementStart = depth == 0;
                ++i;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(c)))
            {
                ++i;
                continue;
            }
            if (!IsIdentifierStart(c))
            {
                statementStart = false;
                ++i;
                continue;
            }
            std::size_t end = i;
            while (end < text.size() && IsIdentifierChar(text[end]))
            {
                ++end;
            }
            const bool isInput = statementStart && depth == 0 && text.compare(i, end - i, "in") == 0;
            statementStart = false;
            if (!isInput)
            {
                i = end;
                continue;
            }
            const std::size_t semicolon = text.find(';', end);
            if (semicolon == std::string::npos)
            {
                i = end;
                continue;
            }
            const SourcePlace place = placeAt(i);
            const std::string declaration = text.substr(end, semicolon - end);
            std::string replacement;
            if (!InputDeclaration(program, declaration, place, replacement))
            {
                i = semicolon + 1;
                statementStart = true;
                continue;
            }
            // Keep the line breaks the declaration spanned, so later lines keep their numbers.
            for (std::size_t k = i; k < semicolon; ++k)
            {
                if (text[k] == '\n')
                {
                    replacement += '\n';
                }
            }
            placeAt(semicolon);
            text.replace(i, semicolon + 1 - i, replacement);
            lineCounted = i + replacement.size();
            i += replacement.size();
            statementStart = true;
        }
    }

    // False when the declaration has no semantic and stays as written (fragment inputs).
    bool InputDeclaration(ProgramDecl& program, const std::string& declaration, const SourcePlace& place,
                          std::string& replacement)
    {
        std::vector<std::string> words;
        std::vector<char> separators;
        for (std::size_t i = 0; i < declaration.size();)
        {
            const char c = declaration[i];
            if (std::isspace(static_cast<unsigned char>(c)))
            {
                ++i;
            }
            else if (IsIdentifierChar(c))
            {
                std::size_t end = i;
                while (end < declaration.size() && IsIdentifierChar(declaration[end]))
                {
                    ++end;
                }
                words.push_back(declaration.substr(i, end - i));
                i = end;
            }
            else
            {
                separators.push_back(c);
                words.emplace_back(1, c);
                ++i;
            }
        }
        const bool hasSemantic = words.size() == 4 && words[2] == ":";
        if (!program.vertex)
        {
            if (hasSemantic)
            {
                throw ParseError{place, "fragment program inputs take no semantic"};
            }
            return false;
        }
        if (!hasSemantic)
        {
            throw ParseError{place, "a vertex input is declared as 'in type name : SEMANTIC;'"};
        }
        const std::string& type = words[0];
        if (type != "float" && type != "vec2" && type != "vec3" && type != "vec4")
        {
            throw ParseError{place,
                             "vertex input " + words[1] + " must be float, vec2, vec3 or vec4, not " + type};
        }
        const std::string semantic = ToUpper(words[3]);
        int location = -1;
        bool known = false;
        for (const InputSemantic& candidate : kInputSemantics)
        {
            const std::size_t length = std::strlen(candidate.name);
            if (semantic.compare(0, length, candidate.name) != 0)
            {
                continue;
            }
            const std::string digits = semantic.substr(length);
            if (!digits.empty() && digits.find_first_not_of("0123456789") != std::string::npos)
            {
                continue;
            }
            known = true;
            const unsigned long index = digits.empty() ? 0 : std::strtoul(digits.c_str(), nullptr, 10);
            if (digits.size() <= 3 && index < 256)
            {
                location = Gfx::AttributeLocation(candidate.usage, static_cast<std::uint8_t>(index));
            }
            break;
        }
        if (!known)
        {
            throw ParseError{place, "unknown vertex input semantic " + words[3]};
        }
        if (location < 0)
        {
            throw ParseError{place, "vertex input semantic " + words[3] + " has no attribute location"};
        }
        for (const VertexInput& other : program.inputs)
        {
            if (other.location == location)
            {
                throw ParseError{place, "two vertex inputs of semantic " + words[3]};
            }
        }
        program.inputs.push_back({type, words[1], location});
        replacement = "layout(location = " + std::to_string(location) + ") in " + type + " " + words[1] + ";";
        return true;
    }

    void ResolvePrograms()
    {
        for (const PendingProgram& pending : pendingPrograms_)
        {
            int found = -1;
            for (std::size_t i = 0; i < source_.programs.size(); ++i)
            {
                if (source_.programs[i].vertex == pending.vertex &&
                    source_.programs[i].name == pending.name.text)
                {
                    found = static_cast<int>(i);
                }
            }
            if (found < 0)
            {
                Fail(pending.name, std::string("no ") +
                                       (pending.vertex ? "vertexprogram " : "fragmentprogram ") +
                                       pending.name.text + " is declared");
            }
            PassDecl& pass = source_.techniques[pending.technique].passes[pending.pass];
            (pending.vertex ? pass.vertexProgram : pass.fragmentProgram) = found;
        }
    }

    // Program bodies see parameter names as macros, so a member may not share one.
    void CheckMemberNames()
    {
        for (const StructDecl& decl : source_.structs)
        {
            for (const MemberDecl& member : decl.members)
            {
                if (FindParameter(member.name) >= 0)
                {
                    throw ParseError{member.place, "member " + member.name + " of struct " + decl.name +
                                                       " has the name of a parameter"};
                }
            }
        }
    }

    struct PendingProgram
    {
        std::size_t technique;
        std::size_t pass;
        bool vertex;
        Token name;
    };

    Lexer lexer_;
    EffectSource& source_;
    std::vector<PendingProgram> pendingPrograms_;
};

} // namespace

bool IsReservedName(const std::string& name)
{
    if (name.rfind("gl_", 0) == 0 || name.rfind("quarrow_", 0) == 0 || name == "FragmentColor" ||
        name == "VertexConstants" || name == "PixelConstants")
    {
        return true;
    }
    if (name.rfind("Sampler", 0) == 0 && name.size() > 7 && name.size() <= 9)
    {
        const std::string digits = name.substr(7);
        if (digits.find_first_not_of("0123456789") == std::string::npos &&
            (digits.size() == 1 || digits[0] != '0'))
        {
            return std::stoi(digits) <= 15;
        }
    }
    return false;
}

bool ParseEffect(const PreprocessedText& text, EffectSource& source, EffectMessages& messages)
{
    try
    {
        Parser parser(text, source);
        parser.Run();
        return true;
    }
    catch (const ParseError& error)
    {
        const std::string& file =
            error.place.file < text.files.size() ? text.files[error.place.file] : text.files.front();
        messages.Error(file, error.place.line, error.text);
        return false;
    }
}

} // namespace Platform::GfxKit
