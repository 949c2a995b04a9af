#include "platform/gfxkit/xfile/XFileReader.h"

#include "platform/os/DebugOutput.h"
#include "platform/os/Files.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <new>
#include <numeric>
#include <set>
#include <unordered_map>

namespace Platform::GfxKit
{

namespace
{

constexpr int MaxNesting = 256;

struct ParseError
{
    unsigned line;
    std::string problem;
};

enum class TokenKind : std::uint8_t
{
    End,
    Name, // names, keywords and numbers alike: what a token means depends on where it stands
    String,
    Guid,
    Open,
    Close,
    Comma,
    Semicolon
};

struct Token
{
    TokenKind kind = TokenKind::End;
    std::string_view text; // a string's or GUID's content without its delimiters
    unsigned line = 1;
};

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string Lowered(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
    {
        if (c >= 'A' && c <= 'Z')
        {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

// Shows a token in a message: names as written (cut short), the rest by what they are.
std::string Describe(const Token& token)
{
    switch (token.kind)
    {
    case TokenKind::End:
        return "the end of the file";
    case TokenKind::Name:
        return "'" + std::string(token.text.substr(0, 40)) + "'";
    case TokenKind::String:
        return "a string";
    case TokenKind::Guid:
        return "a GUID";
    case TokenKind::Open:
        return "'{'";
    case TokenKind::Close:
        return "'}'";
    case TokenKind::Comma:
        return "','";
    case TokenKind::Semicolon:
        return "';'";
    }
    return "?";
}

// A decimal number as any C library writes one: sign, digits with an optional point, optional exponent.
bool IsDecimalNumber(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
    {
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
    {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.')
    {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
    {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E'))
    {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        {
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
        {
            return false;
        }
    }
    return i == text.size();
}

// For a number too small or too large for a double: true when it is the small kind (a negative
// exponent, or no digit before the point but zeros).
bool IsBelowOne(std::string_view number)
{
    const std::size_t exponent = number.find_first_of("eE");
    if (exponent != std::string_view::npos)
    {
        return exponent + 1 < number.size() && number[exponent + 1] == '-';
    }
    const std::size_t digit = number.find_first_of("123456789");
    const std::size_t point = number.find('.');
    return point != std::string_view::npos && digit > point;
}

class Lexer
{
public:
    Lexer(std::string_view text, std::size_t start) : m_Text(text), m_Pos(start) {}

    Token Next()
    {
        if (m_HasPeeked)
        {
            m_HasPeeked = false;
            return m_Peeked;
        }
        return Scan();
    }

    const Token& Peek()
    {
        if (!m_HasPeeked)
        {
            m_Peeked = Scan();
            m_HasPeeked = true;
        }
        return m_Peeked;
    }

    // Bytes of text not yet read: every element a count announces needs at least one of them.
    std::size_t Remaining() const { return m_Text.size() - m_Pos; }
    unsigned Line() const { return m_Line; }

private:
    Token Scan()
    {
        for (;;)
        {
            if (m_Pos >= m_Text.size())
            {
                return {TokenKind::End, {}, m_Line};
            }
            const char c = m_Text[m_Pos];
            if (c == '\n')
            {
                ++m_Line;
                ++m_Pos;
            }
            else if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f')
            {
                ++m_Pos;
            }
            else if (c == '#' || (c == '/' && m_Pos + 1 < m_Text.size() && m_Text[m_Pos + 1] == '/'))
            {
                while (m_Pos < m_Text.size() && m_Text[m_Pos] != '\n')
                {
                    ++m_Pos;
                }
            }
            else
            {
                break;
            }
        }
        const unsigned line = m_Line;
        const char c = m_Text[m_Pos];
        switch (c)
        {
        case '{':
            ++m_Pos;
            return {TokenKind::Open, m_Text.substr(m_Pos - 1, 1), line};
        case '}':
            ++m_Pos;
            return {TokenKind::Close, m_Text.substr(m_Pos - 1, 1), line};
        case ',':
            ++m_Pos;
            return {TokenKind::Comma, m_Text.substr(m_Pos - 1, 1), line};
        case ';':
            ++m_Pos;
            return {TokenKind::Semicolon, m_Text.substr(m_Pos - 1, 1), line};
        case '"':
            return Delimited(TokenKind::String, '"', "a string that is never closed");
        case '<':
            return Delimited(TokenKind::Guid, '>', "a GUID that is never closed");
        case '>':
            throw ParseError{line, "unexpected '>'"};
        default:
            break;
        }
        const std::size_t start = m_Pos;
        while (m_Pos < m_Text.size() && IsXFileNameChar(m_Text[m_Pos]))
        {
            ++m_Pos;
        }
        return {TokenKind::Name, m_Text.substr(start, m_Pos - start), line};
    }

    Token Delimited(TokenKind kind, char close, const char* unclosed)
    {
        const unsigned line = m_Line;
        const std::size_t start = m_Pos + 1;
        const std::size_t end = m_Text.find(close, start);
        if (end == std::string_view::npos)
        {
            throw ParseError{line, unclosed};
        }
        m_Line += static_cast<unsigned>(std::count(m_Text.begin() + static_cast<std::ptrdiff_t>(start),
                                                   m_Text.begin() + static_cast<std::ptrdiff_t>(end), '\n'));
        m_Pos = end + 1;
        return {kind, m_Text.substr(start, end - start), line};
    }

    std::string_view m_Text;
    std::size_t m_Pos;
    unsigned m_Line = 1;
    Token m_Peeked;
    bool m_HasPeeked = false;
};

// What follows an object's identifier: its optional name and GUID.
struct ObjectHead
{
    std::string_view name;
    std::string_view guid;
    unsigned line = 1;
};

// A reference `{ Name }`, `{ <GUID> }` or `{ Name <GUID> }`.
struct Reference
{
    std::string_view name;
    std::string_view guid;
    unsigned line = 1;
};

class Parser
{
public:
    Parser(std::string_view fileName, std::string_view text, XFileModel& model)
        : m_FileName(fileName), m_Lexer(text, 16), m_Model(model)
    {
    }

    void Run()
    {
        for (;;)
        {
            const Token token = m_Lexer.Next();
            if (token.kind == TokenKind::End)
            {
                return;
            }
            if (token.kind == TokenKind::Comma || token.kind == TokenKind::Semicolon)
            {
                continue;
            }
            if (token.kind != TokenKind::Name)
            {
                throw ParseError{token.line, "expected an object, found " + Describe(token)};
            }
            if (token.text == "template")
            {
                SkipTemplate();
                continue;
            }
            ReadTopLevelObject(token);
        }
    }

    unsigned Line() const { return m_Lexer.Line(); }

private:
    // Counts the open objects; leaving a scope closes one.
    class Nesting
    {
    public:
        Nesting(Parser& parser, unsigned line) : m_Parser(parser)
        {
            if (++m_Parser.m_Depth > MaxNesting)
            {
                throw ParseError{line, "objects nested deeper than 256 levels"};
            }
        }
        ~Nesting() { --m_Parser.m_Depth; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& m_Parser;
    };

    [[noreturn]] void Fail(unsigned line, std::string problem) { throw ParseError{line, std::move(problem)}; }

    // ---- values ----

    // The next token that is not a separator: separators are read leniently, data is read by count.
    Token NextData()
    {
        Token token = m_Lexer.Next();
        while (token.kind == TokenKind::Comma || token.kind == TokenKind::Semicolon)
        {
            token = m_Lexer.Next();
        }
        return token;
    }

    std::uint32_t ReadUInt(const char* what)
    {
        const Token token = NextData();
        std::uint32_t value = 0;
        if (token.kind == TokenKind::Name && !token.text.empty())
        {
            const char* first = token.text.data();
            const char* last = first + token.text.size();
            if (*first == '+')
            {
                ++first;
            }
            const auto [end, error] = std::from_chars(first, last, value);
            if (first != last && end == last && error == std::errc())
            {
                return value;
            }
        }
        Fail(token.line, std::string("expected ") + what + ", found " + Describe(token));
    }

    float ReadFloat()
    {
        const Token token = NextData();
        if (token.kind == TokenKind::Name && IsDecimalNumber(token.text))
        {
            const char* first = token.text.data();
            const char* last = first + token.text.size();
            if (*first == '+')
            {
                ++first;
            }
            float value = 0;
            const std::from_chars_result narrow = std::from_chars(first, last, value);
            if (narrow.ec == std::errc() && narrow.ptr == last)
            {
                return value;
            }
            // Out of the float range: tiny values (from a file of doubles) become zero or subnormal,
            // huge ones are not finite.
            double wide = 0;
            const std::from_chars_result parsed = std::from_chars(first, last, wide);
            if (parsed.ptr == last && parsed.ec == std::errc() && std::isfinite(wide) &&
                std::fabs(wide) <= std::numeric_limits<float>::max())
            {
                return static_cast<float>(wide);
            }
            if (parsed.ptr == last && parsed.ec == std::errc::result_out_of_range && IsBelowOne(token.text))
            {
                return *first == '-' ? -0.0f : 0.0f;
            }
        }
        Fail(token.line, "expected a finite number, found " + Describe(token));
    }

    template <std::size_t N>
    std::array<float, N> ReadFloats()
    {
        std::array<float, N> values{};
        for (float& value : values)
        {
            value = ReadFloat();
        }
        return values;
    }

    std::string ReadString(const char* what)
    {
        const Token token = NextData();
        if (token.kind != TokenKind::String)
        {
            Fail(token.line, std::string("expected ") + what + " in double quotes, found " + Describe(token));
        }
        return std::string(token.text);
    }

    // A count of elements of `numbersEach` numbers: refused when the text left cannot hold them, so no
    // count makes the reader allocate more than the file justifies.
    std::uint32_t ReadCount(std::uint64_t numbersEach, const char* what)
    {
        const unsigned line = m_Lexer.Peek().line;
        const std::uint32_t count = ReadUInt(what);
        if (count * std::max<std::uint64_t>(numbersEach, 1) > m_Lexer.Remaining())
        {
            Fail(line, std::string(what) + " " + std::to_string(count) + " is larger than the data that follows");
        }
        return count;
    }

    // ---- objects ----

    // Reads `[name] { [<GUID>]` after an object's identifier.
    ObjectHead ReadHead(const Token& identifier)
    {
        ObjectHead head;
        head.line = identifier.line;
        Token token = m_Lexer.Next();
        if (token.kind == TokenKind::Name)
        {
            head.name = token.text;
            token = m_Lexer.Next();
        }
        if (token.kind != TokenKind::Open)
        {
            if (IsDecimalNumber(identifier.text))
            {
                Fail(identifier.line, "more data than its count announced");
            }
            Fail(token.line, "expected '{' after '" + std::string(identifier.text.substr(0, 40)) + "', found " +
                                 Describe(token));
        }
        if (m_Lexer.Peek().kind == TokenKind::Guid)
        {
            head.guid = m_Lexer.Next().text;
        }
        return head;
    }

    Reference ReadReference(const Token& open)
    {
        Reference reference;
        reference.line = open.line;
        Token token = m_Lexer.Next();
        if (token.kind == TokenKind::Name)
        {
            reference.name = token.text;
            token = m_Lexer.Next();
        }
        if (token.kind == TokenKind::Guid)
        {
            reference.guid = token.text;
            token = m_Lexer.Next();
        }
        if (token.kind != TokenKind::Close || (reference.name.empty() && reference.guid.empty()))
        {
            Fail(token.line, "expected a reference { Name }, found " + Describe(token));
        }
        return reference;
    }

    // Reads what follows an object's data up to its closing brace: nested objects go to `onObject`
    // (which returns false for those it does not take: they are skipped), references to `onReference`.
    template <typename OnObject, typename OnReference>
    void ReadChildren(OnObject onObject, OnReference onReference)
    {
        for (;;)
        {
            const Token token = NextData();
            switch (token.kind)
            {
            case TokenKind::Close:
                return;
            case TokenKind::Open:
                onReference(ReadReference(token));
                break;
            case TokenKind::Name:
                if (!onObject(token))
                {
                    SkipObject(token);
                }
                break;
            case TokenKind::End:
                Fail(token.line, "the file ends inside an object");
            default:
                Fail(token.line, "expected an object or '}', found " + Describe(token));
            }
        }
    }

    void ReadNoChildren()
    {
        ReadChildren([](const Token&) { return false; }, [](const Reference&) {});
    }

    // Skips a whole object after its identifier, nested braces included.
    void SkipObject(const Token& identifier)
    {
        if (IsDecimalNumber(identifier.text))
        {
            Fail(identifier.line, "more data than its count announced");
        }
        const std::string key = Lowered(identifier.text);
        if (m_Traced.insert(key).second)
        {
            const bool known = key == "vertexduplicationindices" || key == "fvfdata" || key == "meshfacewraps";
            Trace(identifier.line, (known ? "object '" : "unknown object '") + std::string(identifier.text.substr(0, 40)) +
                                       "' skipped");
        }
        ReadHead(identifier);
        SkipBody(identifier.line);
    }

    // Skips tokens up to the brace that closes the object just opened.
    void SkipBody(unsigned line)
    {
        Nesting outer(*this, line);
        int open = 1;
        while (open > 0)
        {
            const Token token = m_Lexer.Next();
            if (token.kind == TokenKind::Open)
            {
                if (m_Depth + open >= MaxNesting + 1)
                {
                    Fail(token.line, "objects nested deeper than 256 levels");
                }
                ++open;
            }
            else if (token.kind == TokenKind::Close)
            {
                --open;
            }
            else if (token.kind == TokenKind::End)
            {
                Fail(token.line, "the file ends inside an object");
            }
        }
    }

    void SkipTemplate()
    {
        const Token name = m_Lexer.Next();
        if (name.kind != TokenKind::Name)
        {
            Fail(name.line, "expected a template name, found " + Describe(name));
        }
        const Token open = m_Lexer.Next();
        if (open.kind != TokenKind::Open)
        {
            Fail(open.line, "expected '{' after template " + std::string(name.text.substr(0, 40)));
        }
        SkipBody(name.line);
    }

    void ReadTopLevelObject(const Token& identifier)
    {
        if (EqualsNoCase(identifier.text, "Header"))
        {
            ReadHead(identifier);
            Nesting nesting(*this, identifier.line);
            ReadUInt("the major version");
            ReadUInt("the minor version");
            ReadUInt("the header flags");
            ReadNoChildren();
        }
        else if (EqualsNoCase(identifier.text, "Frame"))
        {
            XFrame frame = ReadFrame(identifier);
            m_Model.frames.push_back(std::move(frame));
        }
        else if (EqualsNoCase(identifier.text, "Mesh"))
        {
            m_Model.rootMeshes.push_back(ReadMesh(identifier));
        }
        else if (EqualsNoCase(identifier.text, "Material"))
        {
            const ObjectHead head = ReadHead(identifier);
            XMaterial material = ReadMaterial(head);
            Register(m_Materials, head, m_TopMaterials.size());
            m_TopMaterials.push_back(std::move(material));
        }
        else if (EqualsNoCase(identifier.text, "AnimTicksPerSecond"))
        {
            ReadHead(identifier);
            Nesting nesting(*this, identifier.line);
            m_Model.ticksPerSecond = ReadUInt("the ticks per second");
            ReadNoChildren();
        }
        else if (EqualsNoCase(identifier.text, "AnimationSet"))
        {
            m_Model.animationSets.push_back(ReadAnimationSet(identifier));
        }
        else
        {
            SkipObject(identifier);
        }
    }

    using NameMap = std::unordered_map<std::string, std::size_t>;

    // Objects are found by name and by GUID; the GUID's key keeps its angle bracket, which no name has.
    static void Register(NameMap& map, const ObjectHead& head, std::size_t index)
    {
        if (!head.name.empty())
        {
            map[std::string(head.name)] = index;
        }
        if (!head.guid.empty())
        {
            map["<" + std::string(head.guid)] = index;
        }
    }

    static const std::size_t* Find(const NameMap& map, const Reference& reference)
    {
        auto found = reference.name.empty() ? map.end() : map.find(std::string(reference.name));
        if (found == map.end() && !reference.guid.empty())
        {
            found = map.find("<" + std::string(reference.guid));
        }
        return found == map.end() ? nullptr : &found->second;
    }

    static std::string Named(const Reference& reference)
    {
        return std::string(reference.name.empty() ? reference.guid.substr(0, 40) : reference.name.substr(0, 40));
    }

    XFrame ReadFrame(const Token& identifier)
    {
        const ObjectHead head = ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        XFrame frame;
        frame.name = head.name;
        ReadChildren(
            [&](const Token& child) {
                if (EqualsNoCase(child.text, "FrameTransformMatrix"))
                {
                    ReadHead(child);
                    Nesting inner(*this, child.line);
                    frame.transform = ReadFloats<16>();
                    ReadNoChildren();
                }
                else if (EqualsNoCase(child.text, "Frame"))
                {
                    frame.children.push_back(ReadFrame(child));
                }
                else if (EqualsNoCase(child.text, "Mesh"))
                {
                    frame.meshes.push_back(ReadMesh(child));
                }
                else
                {
                    return false;
                }
                return true;
            },
            [&](const Reference& reference) {
                const std::size_t* mesh = Find(m_Meshes, reference);
                if (mesh == nullptr)
                {
                    Fail(reference.line, "reference to an unknown mesh '" + Named(reference) + "'");
                }
                frame.meshes.push_back(static_cast<std::uint32_t>(*mesh));
            });
        return frame;
    }

    // Reads a face list of `count` faces whose indices lie below `limit`. `shape`, when given, is the
    // face list this one must match face for face.
    XFaceList ReadFaces(std::uint32_t count, std::uint32_t limit, const char* indexName, const XFaceList* shape)
    {
        XFaceList faces;
        faces.faceSizes.reserve(count);
        faces.indices.reserve(std::size_t(count) * 3);
        for (std::uint32_t f = 0; f < count; ++f)
        {
            const unsigned line = m_Lexer.Peek().line;
            const std::uint32_t corners = ReadUInt("a face's corner count");
            if (corners < 3)
            {
                Fail(line, "face " + std::to_string(f) + " has " + std::to_string(corners) +
                               " corners, at least 3 are needed");
            }
            if (corners > m_Lexer.Remaining())
            {
                Fail(line, "face " + std::to_string(f) + " has more corners than the data that follows");
            }
            if (shape != nullptr && corners != shape->faceSizes[f])
            {
                Fail(line, "face " + std::to_string(f) + " has " + std::to_string(corners) + " normal indices but " +
                               std::to_string(shape->faceSizes[f]) + " corners");
            }
            faces.faceSizes.push_back(corners);
            for (std::uint32_t k = 0; k < corners; ++k)
            {
                const unsigned indexLine = m_Lexer.Peek().line;
                const std::uint32_t index = ReadUInt("a face index");
                if (index >= limit)
                {
                    Fail(indexLine, "face " + std::to_string(f) + " uses " + indexName + " " + std::to_string(index) +
                                        ", but the mesh has " + std::to_string(limit));
                }
                faces.indices.push_back(index);
            }
        }
        return faces;
    }

    std::uint32_t ReadMesh(const Token& identifier)
    {
        const ObjectHead head = ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        XMesh mesh;
        mesh.name = head.name;
        const std::uint32_t vertexCount = ReadCount(3, "vertex count");
        mesh.positions.resize(vertexCount);
        for (XFloat3& position : mesh.positions)
        {
            position = ReadFloats<3>();
        }
        const std::uint32_t faceCount = ReadCount(4, "face count");
        mesh.faces = ReadFaces(faceCount, vertexCount, "vertex", nullptr);

        ReadChildren(
            [&](const Token& child) {
                const std::string_view type = child.text;
                if (EqualsNoCase(type, "MeshNormals"))
                {
                    ReadNormals(child, mesh);
                }
                else if (EqualsNoCase(type, "MeshTextureCoords"))
                {
                    ReadTextureCoords(child, mesh);
                }
                else if (EqualsNoCase(type, "MeshVertexColors"))
                {
                    ReadVertexColors(child, mesh);
                }
                else if (EqualsNoCase(type, "MeshMaterialList"))
                {
                    ReadMaterialList(child, mesh);
                }
                else if (EqualsNoCase(type, "DeclData"))
                {
                    ReadDeclData(child, mesh);
                }
                else if (EqualsNoCase(type, "XSkinMeshHeader"))
                {
                    ReadHead(child);
                    Nesting inner(*this, child.line);
                    XSkinHeader header;
                    header.maxWeightsPerVertex = ReadUInt("the weights per vertex");
                    header.maxWeightsPerFace = ReadUInt("the weights per face");
                    header.boneCount = ReadUInt("the bone count");
                    mesh.skinHeader = header;
                    ReadNoChildren();
                }
                else if (EqualsNoCase(type, "SkinWeights"))
                {
                    ReadSkinWeights(child, mesh);
                }
                else
                {
                    return false;
                }
                return true;
            },
            [](const Reference&) {});

        const auto index = static_cast<std::uint32_t>(m_Model.meshes.size());
        m_Model.meshes.push_back(std::move(mesh));
        Register(m_Meshes, head, index);
        return index;
    }

    void ReadNormals(const Token& identifier, XMesh& mesh)
    {
        ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        XMeshNormals normals;
        const std::uint32_t count = ReadCount(3, "normal count");
        normals.normals.resize(count);
        for (XFloat3& normal : normals.normals)
        {
            normal = ReadFloats<3>();
        }
        const unsigned line = m_Lexer.Peek().line;
        const std::uint32_t faceCount = ReadCount(4, "normal face count");
        if (faceCount != mesh.faces.FaceCount())
        {
            Fail(line, std::to_string(faceCount) + " normal faces for a mesh of " +
                           std::to_string(mesh.faces.FaceCount()) + " faces");
        }
        normals.faces = ReadFaces(faceCount, count, "normal", &mesh.faces);
        mesh.normals = std::move(normals);
        ReadNoChildren();
    }

    void ReadTextureCoords(const Token& identifier, XMesh& mesh)
    {
        ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        const unsigned line = m_Lexer.Peek().line;
        const std::uint32_t count = ReadCount(2, "texture coordinate count");
        if (count != mesh.positions.size())
        {
            Fail(line, std::to_string(count) + " texture coordinates for " + std::to_string(mesh.positions.size()) +
                           " vertices");
        }
        mesh.texCoords.resize(count);
        for (XFloat2& coords : mesh.texCoords)
        {
            coords = ReadFloats<2>();
        }
        ReadNoChildren();
    }

    void ReadVertexColors(const Token& identifier, XMesh& mesh)
    {
        ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        const std::uint32_t count = ReadCount(5, "vertex colour count");
        mesh.vertexColors.assign(mesh.positions.size(), XFloat4{1, 1, 1, 1});
        for (std::uint32_t i = 0; i < count; ++i)
        {
            const unsigned line = m_Lexer.Peek().line;
            const std::uint32_t vertex = ReadUInt("a vertex index");
            if (vertex >= mesh.positions.size())
            {
                Fail(line, "vertex colour for vertex " + std::to_string(vertex) + ", but the mesh has " +
                               std::to_string(mesh.positions.size()) + " vertices");
            }
            mesh.vertexColors[vertex] = ReadFloats<4>();
        }
        ReadNoChildren();
    }

    void ReadMaterialList(const Token& identifier, XMesh& mesh)
    {
        ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        const unsigned countLine = m_Lexer.Peek().line;
        const std::uint32_t materialCount = ReadCount(3, "material count");
        const unsigned line = m_Lexer.Peek().line;
        const std::uint32_t indexCount = ReadCount(1, "material index count");
        const std::size_t faceCount = mesh.faces.FaceCount();
        if (indexCount > faceCount)
        {
            Fail(line, std::to_string(indexCount) + " material indices for " + std::to_string(faceCount) + " faces");
        }
        mesh.faceMaterials.clear();
        if (materialCount > 0)
        {
            mesh.faceMaterials.reserve(faceCount);
        }
        for (std::uint32_t f = 0; f < indexCount; ++f)
        {
            const unsigned indexLine = m_Lexer.Peek().line;
            const std::uint32_t material = ReadUInt("a material index");
            if (material >= materialCount)
            {
                Fail(indexLine, "face " + std::to_string(f) + " uses material " + std::to_string(material) +
                                    ", but the list has " + std::to_string(materialCount));
            }
            mesh.faceMaterials.push_back(material);
        }
        // Exporters may stop the list early: the last index holds for the faces after it.
        if (materialCount > 0)
        {
            const std::uint32_t last = mesh.faceMaterials.empty() ? 0 : mesh.faceMaterials.back();
            mesh.faceMaterials.resize(faceCount, last);
        }
        mesh.materials.clear();
        ReadChildren(
            [&](const Token& child) {
                if (!EqualsNoCase(child.text, "Material"))
                {
                    return false;
                }
                const ObjectHead head = ReadHead(child);
                mesh.materials.push_back(ReadMaterial(head));
                return true;
            },
            [&](const Reference& reference) {
                const std::size_t* material = Find(m_Materials, reference);
                if (material == nullptr)
                {
                    Fail(reference.line, "reference to an unknown material '" + Named(reference) + "'");
                }
                mesh.materials.push_back(m_TopMaterials[*material]);
            });
        if (mesh.materials.size() != materialCount)
        {
            Fail(countLine, "the material list announces " + std::to_string(materialCount) + " materials but holds " +
                                std::to_string(mesh.materials.size()));
        }
    }

    // Reads a material's body after its head.
    XMaterial ReadMaterial(const ObjectHead& head)
    {
        Nesting nesting(*this, head.line);
        XMaterial material;
        material.name = head.name;
        material.faceColor = ReadFloats<4>();
        material.power = ReadFloat();
        material.specular = ReadFloats<3>();
        material.emissive = ReadFloats<3>();
        ReadChildren(
            [&](const Token& child) {
                if (EqualsNoCase(child.text, "TextureFilename"))
                {
                    ReadHead(child);
                    Nesting inner(*this, child.line);
                    material.textureFile = ReadString("a texture file name");
                    ReadNoChildren();
                }
                else if (EqualsNoCase(child.text, "EffectInstance"))
                {
                    material.effect = ReadEffectInstance(child);
                }
                else
                {
                    return false;
                }
                return true;
            },
            [](const Reference&) {});
        return material;
    }

    XEffectInstance ReadEffectInstance(const Token& identifier)
    {
        ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        XEffectInstance effect;
        effect.effectFile = ReadString("an effect file name");
        ReadChildren(
            [&](const Token& child) {
                XEffectParam param;
                if (EqualsNoCase(child.text, "EffectParamString"))
                {
                    param.kind = XEffectParam::Kind::String;
                }
                else if (EqualsNoCase(child.text, "EffectParamFloats"))
                {
                    param.kind = XEffectParam::Kind::Floats;
                }
                else if (EqualsNoCase(child.text, "EffectParamDWord"))
                {
                    param.kind = XEffectParam::Kind::DWord;
                }
                else
                {
                    return false;
                }
                ReadHead(child);
                Nesting inner(*this, child.line);
                param.name = ReadString("a parameter name");
                switch (param.kind)
                {
                case XEffectParam::Kind::String:
                    param.text = ReadString("a parameter value");
                    break;
                case XEffectParam::Kind::Floats:
                    param.floats.resize(ReadCount(1, "float count"));
                    for (float& value : param.floats)
                    {
                        value = ReadFloat();
                    }
                    break;
                case XEffectParam::Kind::DWord:
                    param.dword = ReadUInt("a parameter value");
                    break;
                }
                ReadNoChildren();
                effect.params.push_back(std::move(param));
                return true;
            },
            [](const Reference&) {});
        return effect;
    }

    void ReadDeclData(const Token& identifier, XMesh& mesh)
    {
        ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        XDeclData decl;
        const std::uint32_t elementCount = ReadCount(4, "element count");
        decl.elements.resize(elementCount);
        std::uint64_t bytes = 0;
        for (XDeclElement& element : decl.elements)
        {
            const unsigned line = m_Lexer.Peek().line;
            element.type = ReadUInt("an element type");
            element.method = ReadUInt("an element method");
            element.usage = ReadUInt("an element usage");
            element.usageIndex = ReadUInt("an element usage index");
            const std::uint32_t size = XDeclTypeSize(element.type);
            if (size == 0)
            {
                Fail(line, "element type " + std::to_string(element.type) + " is not a vertex data type");
            }
            bytes += size;
        }
        const unsigned line = m_Lexer.Peek().line;
        const std::uint32_t wordCount = ReadCount(1, "data word count");
        if (wordCount != bytes / 4 * mesh.positions.size())
        {
            Fail(line, std::to_string(wordCount) + " data words for " + std::to_string(mesh.positions.size()) +
                           " vertices of " + std::to_string(bytes / 4) + " words");
        }
        decl.data.resize(wordCount);
        for (std::uint32_t& word : decl.data)
        {
            word = ReadUInt("a data word");
        }
        mesh.declData = std::move(decl);
        ReadNoChildren();
    }

    void ReadSkinWeights(const Token& identifier, XMesh& mesh)
    {
        ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        XSkinWeights skin;
        skin.frameName = ReadString("a frame name");
        const std::uint32_t count = ReadCount(2, "weight count");
        skin.vertices.resize(count);
        for (std::uint32_t& vertex : skin.vertices)
        {
            const unsigned line = m_Lexer.Peek().line;
            vertex = ReadUInt("a vertex index");
            if (vertex >= mesh.positions.size())
            {
                Fail(line, "skin weight for vertex " + std::to_string(vertex) + ", but the mesh has " +
                               std::to_string(mesh.positions.size()) + " vertices");
            }
        }
        skin.weights.resize(count);
        for (float& weight : skin.weights)
        {
            weight = ReadFloat();
        }
        skin.offset = ReadFloats<16>();
        mesh.skinWeights.push_back(std::move(skin));
        ReadNoChildren();
    }

    XAnimationSet ReadAnimationSet(const Token& identifier)
    {
        const ObjectHead head = ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        XAnimationSet set;
        set.name = head.name;
        ReadChildren(
            [&](const Token& child) {
                if (!EqualsNoCase(child.text, "Animation"))
                {
                    return false;
                }
                set.animations.push_back(ReadAnimation(child));
                return true;
            },
            [](const Reference&) {});
        return set;
    }

    XAnimation ReadAnimation(const Token& identifier)
    {
        const ObjectHead head = ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        XAnimation animation;
        animation.name = head.name;
        ReadChildren(
            [&](const Token& child) {
                if (EqualsNoCase(child.text, "AnimationKey"))
                {
                    animation.keys.push_back(ReadAnimationKey(child));
                }
                else if (EqualsNoCase(child.text, "AnimationOptions"))
                {
                    ReadHead(child);
                    Nesting inner(*this, child.line);
                    animation.hasOptions = true;
                    animation.openClosed = ReadUInt("the open or closed option");
                    animation.positionQuality = ReadUInt("the position quality");
                    ReadNoChildren();
                }
                else
                {
                    return false;
                }
                return true;
            },
            [&](const Reference& reference) { animation.target = reference.name; });
        return animation;
    }

    XAnimationKeys ReadAnimationKey(const Token& identifier)
    {
        ReadHead(identifier);
        Nesting nesting(*this, identifier.line);
        XAnimationKeys keys;
        const unsigned typeLine = m_Lexer.Peek().line;
        keys.type = ReadUInt("a key type");
        const std::uint32_t valueCount = XKeyValueCount(keys.type);
        if (valueCount == 0)
        {
            Fail(typeLine, "key type " + std::to_string(keys.type) + " is not rotation, scale, translation or matrix");
        }
        const std::uint32_t count = ReadCount(2 + valueCount, "key count");
        keys.times.reserve(count);
        keys.values.reserve(std::size_t(count) * valueCount);
        for (std::uint32_t k = 0; k < count; ++k)
        {
            keys.times.push_back(ReadUInt("a key time"));
            const unsigned line = m_Lexer.Peek().line;
            const std::uint32_t values = ReadUInt("a key's value count");
            if (values != valueCount)
            {
                Fail(line, "a key of type " + std::to_string(keys.type) + " has " + std::to_string(valueCount) +
                               " values, not " + std::to_string(values));
            }
            for (std::uint32_t v = 0; v < valueCount; ++v)
            {
                keys.values.push_back(ReadFloat());
            }
        }
        SortKeys(keys, valueCount);
        ReadNoChildren();
        return keys;
    }

    static void SortKeys(XAnimationKeys& keys, std::uint32_t valueCount)
    {
        if (std::is_sorted(keys.times.begin(), keys.times.end()))
        {
            return;
        }
        std::vector<std::uint32_t> order(keys.times.size());
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return keys.times[a] < keys.times[b]; });
        XAnimationKeys sorted;
        sorted.type = keys.type;
        sorted.times.reserve(keys.times.size());
        sorted.values.reserve(keys.values.size());
        for (std::uint32_t k : order)
        {
            sorted.times.push_back(keys.times[k]);
            const auto first = keys.values.begin() + std::ptrdiff_t(k) * valueCount;
            sorted.values.insert(sorted.values.end(), first, first + valueCount);
        }
        keys = std::move(sorted);
    }

    void Trace(unsigned line, const std::string& text)
    {
        const std::string message = std::string(m_FileName) + "(" + std::to_string(line) + "): " + text + "\n";
        WriteDebugOutput(message.c_str());
    }

    std::string_view m_FileName;
    Lexer m_Lexer;
    XFileModel& m_Model;
    int m_Depth = 0;
    NameMap m_Meshes;
    NameMap m_Materials;
    std::vector<XMaterial> m_TopMaterials;
    std::set<std::string> m_Traced; // unknown objects already traced, by lowered name
};

void TraceRefusal(std::string_view fileName, const std::string& text)
{
    const std::string message = std::string(fileName) + text + "\n";
    WriteDebugOutput(message.c_str());
}

// Checks the 16-byte header; an empty string when the text form follows, else the refusal's text.
std::string CheckHeader(std::string_view text)
{
    if (text.size() < 16 || text.substr(0, 4) != "xof ")
    {
        return ": not an X file";
    }
    for (std::size_t i = 4; i < 8; ++i)
    {
        if (text[i] < '0' || text[i] > '9')
        {
            return ": not an X file";
        }
    }
    const std::string_view format = text.substr(8, 4);
    const std::string_view floatSize = text.substr(12, 4);
    if (format == "bin ")
    {
        return ": binary X files are not supported, only the text form";
    }
    if (format == "tzip" || format == "bzip")
    {
        return ": compressed X files are not supported, only the text form";
    }
    if (format != "txt " || (floatSize != "0032" && floatSize != "0064"))
    {
        return ": not an X file";
    }
    return {};
}

} // namespace

bool IsXFileNameChar(char c)
{
    switch (c)
    {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '\v':
    case '\f':
    case '{':
    case '}':
    case ',':
    case ';':
    case '"':
    case '<':
    case '>':
        return false;
    default:
        return true;
    }
}

Gfx::Result ReadXFileText(std::string_view name, std::string_view text, XFileModel& model)
{
    model = XFileModel();
    const std::string refusal = CheckHeader(text);
    if (!refusal.empty())
    {
        TraceRefusal(name, refusal);
        return Gfx::InvalidData;
    }
    std::unique_ptr<Parser> parser;
    try
    {
        parser = std::make_unique<Parser>(name, text, model);
        parser->Run();
        return Gfx::Ok;
    }
    catch (const ParseError& error)
    {
        model = XFileModel();
        TraceRefusal(name, "(" + std::to_string(error.line) + "): " + error.problem);
    }
    catch (const std::bad_alloc&)
    {
        model = XFileModel();
        const unsigned line = parser ? parser->Line() : 1;
        TraceRefusal(name, "(" + std::to_string(line) + "): not enough memory to read the file");
    }
    return Gfx::InvalidData;
}

Gfx::Result ReadXFile(const std::string& path, XFileModel& model)
{
    model = XFileModel();
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr)
    {
        TraceRefusal(path, ": cannot open");
        return Gfx::NotFound;
    }
    std::string text;
    // Sized once from the file's length, so reading never holds two copies of the text.
    if (std::fseek(file, 0, SEEK_END) == 0)
    {
        const long size = std::ftell(file);
        if (size > 0)
        {
            text.reserve(static_cast<std::size_t>(size));
        }
        std::fseek(file, 0, SEEK_SET);
    }
    char chunk[65536];
    for (std::size_t read; (read = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
    {
        text.append(chunk, read);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
    {
        TraceRefusal(path, ": cannot open");
        return Gfx::NotFound;
    }
    return ReadXFileText(path, text, model);
}

} // namespace Platform::GfxKit
