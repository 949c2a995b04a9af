#include "foundation/Xml.h"

#include "foundation/Helpers.h"
#include "platform/os/Files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace BaseLib
{

namespace
{

// Text of the first child element called name when its first child is a text node; null otherwise.
const char* ChildText(const TiXmlElement* parent, const std::string& name)
{
    if (parent == nullptr)
    {
        return nullptr;
    }
    const TiXmlElement* child = parent->FirstChildElement(name.c_str());
    if (child == nullptr)
    {
        return nullptr;
    }
    const TiXmlNode* first = child->FirstChild();
    return first != nullptr && first->ToText() != nullptr ? first->Value() : nullptr;
}

const char* AttributeText(const TiXmlElement* element, const std::string& name)
{
    return element == nullptr ? nullptr : element->Attribute(name.c_str());
}

// "%i" on the leading number of text.
bool ScanInt(const char* text, int& value)
{
    if (text == nullptr)
    {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    const long scanned = std::strtol(text, &end, 0);
    if (end == text)
    {
        return false;
    }
    value = scanned < INT_MIN ? INT_MIN : scanned > INT_MAX ? INT_MAX : static_cast<int>(scanned);
    return true;
}

// "%f" on the leading number of text.
bool ScanFloat(const char* text, float& value)
{
    if (text == nullptr)
    {
        return false;
    }
    char* end = nullptr;
    const float scanned = std::strtof(text, &end);
    if (end == text)
    {
        return false;
    }
    value = scanned;
    return true;
}

int IntOr(const char* text, int defaultValue)
{
    int value = defaultValue;
    return ScanInt(text, value) ? value : defaultValue;
}

float FloatOr(const char* text, float defaultValue)
{
    float value = defaultValue;
    return ScanFloat(text, value) ? value : defaultValue;
}

std::string Formatted(const char* format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), format, value);
    return buffer;
}

std::string IntText(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%d", value);
    return buffer;
}

TiXmlElement* AddElement(TiXmlNode* parent, const std::string& name)
{
    return parent->InsertEndChild(TiXmlElement(name.c_str()))->ToElement();
}

void AppendEscaped(std::string& out, const char* text)
{
    out += static_cast<const char*>(EscapeXmlText(CString(text)));
}

void AppendTabs(std::string& out, int depth)
{
    out.append(static_cast<std::size_t>(depth > 0 ? depth : 0), '\t');
}

} // namespace

// ---- readers ----

std::string XmlGetStringAttribute(const TiXmlElement* element, const std::string& name,
                                  const std::string& defaultValue)
{
    const char* text = AttributeText(element, name);
    return text != nullptr ? std::string(text) : defaultValue;
}

int XmlGetIntAttribute(const TiXmlElement* element, const std::string& name, int defaultValue)
{
    return IntOr(AttributeText(element, name), defaultValue);
}

float XmlGetFloatAttribute(const TiXmlElement* element, const std::string& name, float defaultValue)
{
    return FloatOr(AttributeText(element, name), defaultValue);
}

CVector3 XmlGetVector3Attribute(const TiXmlElement* element, const std::string& name,
                                const CVector3& defaultValue)
{
    const char* text = AttributeText(element, name);
    CVector3 value;
    if (text != nullptr && std::sscanf(text, "%f %f %f", &value.x, &value.y, &value.z) == 3)
    {
        return value;
    }
    return defaultValue;
}

bool XmlGetBoolAttribute(const TiXmlElement* element, const std::string& name, bool defaultValue)
{
    const char* text = AttributeText(element, name);
    if (text == nullptr)
    {
        return defaultValue;
    }
    const std::string word = ToLower(text);
    return word == "true" || word == "yes" || word == "1";
}

std::string XmlGetElementText(const TiXmlElement* parent, const std::string& name,
                              const std::string& defaultValue)
{
    const char* text = ChildText(parent, name);
    return text != nullptr ? std::string(text) : defaultValue;
}

int XmlGetIntElement(const TiXmlElement* parent, const std::string& name, int defaultValue)
{
    return IntOr(ChildText(parent, name), defaultValue);
}

float XmlGetFloatElement(const TiXmlElement* parent, const std::string& name, float defaultValue)
{
    return FloatOr(ChildText(parent, name), defaultValue);
}

bool XmlGetBoolElement(const TiXmlElement* parent, const std::string& name, bool defaultValue)
{
    const char* text = ChildText(parent, name);
    if (text == nullptr)
    {
        return defaultValue;
    }
    const std::string word = ToLower(text);
    if (word == "true" || word == "yes" || word == "1")
    {
        return true;
    }
    if (word == "false" || word == "no" || word == "0")
    {
        return false;
    }
    return defaultValue;
}

CPoint XmlGetPointElement(const TiXmlElement* parent, const std::string& name, const CPoint& defaultValue)
{
    const TiXmlElement* element = parent != nullptr ? parent->FirstChildElement(name.c_str()) : nullptr;
    if (element == nullptr)
    {
        return defaultValue;
    }
    return CPoint(XmlGetIntElement(element, "x", defaultValue.x),
                  XmlGetIntElement(element, "y", defaultValue.y));
}

CSize XmlGetSizeElement(const TiXmlElement* parent, const std::string& name, const CSize& defaultValue)
{
    const TiXmlElement* element = parent != nullptr ? parent->FirstChildElement(name.c_str()) : nullptr;
    if (element == nullptr)
    {
        return defaultValue;
    }
    return CSize(XmlGetIntElement(element, "cx", defaultValue.cx),
                 XmlGetIntElement(element, "cy", defaultValue.cy));
}

CColor XmlGetColorElement(const TiXmlElement* parent, const std::string& name, const CColor& defaultValue)
{
    const TiXmlElement* element = parent != nullptr ? parent->FirstChildElement(name.c_str()) : nullptr;
    if (element == nullptr)
    {
        return defaultValue;
    }
    const auto byte = [element](const char* channel, std::uint8_t fallback) {
        return static_cast<std::uint32_t>(XmlGetIntElement(element, channel, fallback)) & 0xFFu;
    };
    return CColor::FromArgb(byte("a", defaultValue.GetAlpha()) << 24 |
                            byte("r", defaultValue.GetRed()) << 16 | byte("g", defaultValue.GetGreen()) << 8 |
                            byte("b", defaultValue.GetBlue()));
}

CVector2 XmlGetVector2Element(const TiXmlElement* parent, const std::string& name,
                              const CVector2& defaultValue)
{
    const TiXmlElement* element = parent != nullptr ? parent->FirstChildElement(name.c_str()) : nullptr;
    if (element == nullptr)
    {
        return defaultValue;
    }
    return CVector2(XmlGetFloatElement(element, "x", defaultValue.x),
                    XmlGetFloatElement(element, "y", defaultValue.y));
}

CVector3 XmlGetVector3FloatElement(const TiXmlElement* parent, const std::string& name,
                                   const CVector3& defaultValue)
{
    const TiXmlElement* element = parent != nullptr ? parent->FirstChildElement(name.c_str()) : nullptr;
    if (element == nullptr)
    {
        return defaultValue;
    }
    return CVector3(XmlGetFloatElement(element, "x", defaultValue.x),
                    XmlGetFloatElement(element, "y", defaultValue.y),
                    XmlGetFloatElement(element, "z", defaultValue.z));
}

// ---- writers ----

void XmlAddTextElement(TiXmlNode* parent, const std::string& name, const std::string& text)
{
    AddElement(parent, name)->InsertEndChild(TiXmlText(text.c_str()));
}

void XmlAddBoolElement(TiXmlNode* parent, const std::string& name, bool value)
{
    XmlAddTextElement(parent, name, value ? "true" : "false");
}

void XmlAddIntElement(TiXmlNode* parent, const std::string& name, int value)
{
    XmlAddTextElement(parent, name, IntText(value));
}

void XmlAddFloatElement(TiXmlNode* parent, const std::string& name, float value)
{
    XmlAddTextElement(parent, name, Formatted("%g", value));
}

void XmlAddPointElement(TiXmlNode* parent, const std::string& name, int x, int y)
{
    TiXmlElement* element = AddElement(parent, name);
    XmlAddIntElement(element, "x", x);
    XmlAddIntElement(element, "y", y);
}

void XmlAddSizeElement(TiXmlNode* parent, const std::string& name, int cx, int cy)
{
    TiXmlElement* element = AddElement(parent, name);
    XmlAddIntElement(element, "cx", cx);
    XmlAddIntElement(element, "cy", cy);
}

void XmlAddColorElement(TiXmlNode* parent, const std::string& name, const CColor& color)
{
    TiXmlElement* element = AddElement(parent, name);
    XmlAddIntElement(element, "r", color.GetRed());
    XmlAddIntElement(element, "g", color.GetGreen());
    XmlAddIntElement(element, "b", color.GetBlue());
    XmlAddIntElement(element, "a", color.GetAlpha());
}

void XmlAddVector2Element(TiXmlNode* parent, const std::string& name, const CVector2& value)
{
    TiXmlElement* element = AddElement(parent, name);
    XmlAddFloatElement(element, "x", value.x);
    XmlAddFloatElement(element, "y", value.y);
}

void XmlAddVector3FloatElement(TiXmlNode* parent, const std::string& name, const CVector3& value)
{
    TiXmlElement* element = AddElement(parent, name);
    XmlAddFloatElement(element, "x", value.x);
    XmlAddFloatElement(element, "y", value.y);
    XmlAddFloatElement(element, "z", value.z);
}

void XmlAddSpacer(TiXmlNode* parent)
{
    parent->InsertEndChild(TiXmlUnknown());
}

// ---- text ----

CString EscapeXmlText(const CString& text)
{
    CString escaped(text);
    escaped.Replace("&", "&amp;");
    escaped.Replace("<", "&lt;");
    escaped.Replace(">", "&gt;");
    escaped.Replace("'", "&apos;");
    escaped.Replace("\"", "&quot;");
    return escaped;
}

void WriteXmlNode(std::string& out, const TiXmlNode* node, int depth)
{
    if (node == nullptr)
    {
        return;
    }
    switch (node->Type())
    {
    case TiXmlNode::TINYXML_ELEMENT: {
        AppendTabs(out, depth);
        const TiXmlElement* element = node->ToElement();
        out += '<';
        out += element->Value();
        for (const TiXmlAttribute* attribute = element->FirstAttribute(); attribute != nullptr;
             attribute = attribute->Next())
        {
            out += ' ';
            out += attribute->Name();
            out += "=\"";
            AppendEscaped(out, attribute->Value());
            out += '"';
        }
        const TiXmlNode* first = element->FirstChild();
        if (first == nullptr)
        {
            out += "/>\n";
        }
        else if (first->NextSibling() == nullptr && first->ToText() != nullptr)
        {
            out += '>';
            AppendEscaped(out, first->Value());
            out += "</";
            out += element->Value();
            out += ">\n";
        }
        else
        {
            out += ">\n";
            for (const TiXmlNode* child = first; child != nullptr; child = child->NextSibling())
            {
                WriteXmlNode(out, child, depth + 1);
            }
            AppendTabs(out, depth);
            out += "</";
            out += element->Value();
            out += ">\n";
        }
        break;
    }
    case TiXmlNode::TINYXML_COMMENT:
        AppendTabs(out, depth);
        out += "<!-- ";
        out += node->Value();
        out += " -->\n";
        break;
    case TiXmlNode::TINYXML_UNKNOWN:
        AppendTabs(out, depth);
        out += '<';
        out += node->Value();
        out += ">\n";
        break;
    case TiXmlNode::TINYXML_TEXT:
        AppendTabs(out, depth);
        AppendEscaped(out, node->Value());
        break;
    case TiXmlNode::TINYXML_DECLARATION: {
        // The declaration's text is its pseudo-attributes, as TinyXML reads them.
        const TiXmlDeclaration* declaration = node->ToDeclaration();
        AppendTabs(out, depth);
        out += "<?xml";
        if (*declaration->Version() != '\0')
        {
            out += std::string(" version=\"") + declaration->Version() + "\"";
        }
        if (*declaration->Encoding() != '\0')
        {
            out += std::string(" encoding=\"") + declaration->Encoding() + "\"";
        }
        if (*declaration->Standalone() != '\0')
        {
            out += std::string(" standalone=\"") + declaration->Standalone() + "\"";
        }
        out += "?>\n";
        break;
    }
    default:
        break;
    }
}

void XmlNodeToString(std::string& out, const TiXmlNode* node)
{
    WriteXmlNode(out, node, 0);
}

std::string XmlDocumentToString(const TiXmlDocument& document)
{
    std::string out;
    WriteXmlNode(out, document.RootElement(), 0);
    return out;
}

// ---- parsing ----

namespace
{

// TinyXML's white space: the C locale's, line ends included.
bool IsXmlSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// What TinyXML takes for the start of an element name after "<": a letter, "_" or any byte from 127 up.
bool StartsElementName(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 127;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// Just past the first occurrence of end at or after from, or the text's end.
std::size_t SkipPast(std::string_view text, std::size_t from, std::string_view end)
{
    const std::size_t found = text.find(end, from);
    return found == std::string_view::npos ? text.size() : found + end.size();
}

} // namespace

int XmlNestingDepth(const char* text)
{
    const std::string_view s(text);
    const auto at = [&s](std::size_t i) { return i < s.size() ? static_cast<unsigned char>(s[i]) : 0; };
    std::size_t i = 0;
    // In UTF-8 mode (a byte order mark, or after a declaration) TinyXML takes a lead byte with the bytes
    // it announces at once, in text and attribute values: a group that swallows markup, or the end of
    // the text, would make TinyXML's view differ from this scan.
    bool utf8 = s.starts_with("\xEF\xBB\xBF");
    if (utf8)
    {
        i = 3;
    }
    const auto groupSwallows = [&](std::size_t lead, std::string_view stops) {
        const unsigned char c = at(lead);
        const std::size_t length = !utf8 || c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        for (std::size_t k = 1; k < length; ++k)
        {
            if (lead + k >= s.size() || stops.find(s[lead + k]) != std::string_view::npos)
            {
                return true;
            }
        }
        return false;
    };

    int depth = 0;
    int deepest = 0;
    while (i < s.size())
    {
        if (s[i] != '<')
        {
            if (depth == 0 && !IsXmlSpace(at(i)) && at(i) < 0x80)
            {
                return deepest; // TinyXML stops at text outside the elements
            }
            if (depth > 0 && groupSwallows(i, "<"))
            {
                return -1;
            }
            ++i;
            continue;
        }
        const std::string_view rest = s.substr(i);
        if (depth > 0 && at(i + 1) == '/')
        {
            // An end tag: TinyXML leaves the element here, or fails when the name differs.
            --depth;
            i = SkipPast(s, i + 2, ">");
        }
        else if (StartsWithNoCase(rest, "<?xml"))
        {
            // A declaration ends at its first ">" unless that lies in a quoted value of its version,
            // encoding or standalone attribute. Such a value opens right after "=" and blanks, so the
            // last quote before the ">" would follow an "=".
            std::size_t end = i + 5;
            for (; end < s.size() && s[end] != '>'; ++end)
            {
                if (groupSwallows(end, "\"'>"))
                {
                    return -1;
                }
            }
            for (const char quote : {'"', '\''})
            {
                const std::size_t last = s.substr(0, end).rfind(quote);
                if (last == std::string_view::npos || last <= i)
                {
                    continue;
                }
                std::size_t before = last;
                while (before > i && (IsXmlSpace(at(before - 1)) || at(before - 1) >= 0x80))
                {
                    --before;
                }
                if (before > i && s[before - 1] == '=')
                {
                    return -1;
                }
            }
            utf8 = true; // unless it names another encoding, TinyXML reads on in UTF-8
            i = std::min(end + 1, s.size());
        }
        else if (rest.starts_with("<!--"))
        {
            i = SkipPast(s, i + 4, "-->");
        }
        else if (rest.starts_with("<![CDATA["))
        {
            i = SkipPast(s, i + 9, "]]>");
        }
        else if (at(i + 1) == '!' || !StartsElementName(at(i + 1)))
        {
            // Everything else TinyXML keeps as an unknown node, up to the first ">".
            i = SkipPast(s, i + 1, ">");
        }
        else
        {
            // A start tag ends at the first ">" outside quoted attribute values; "/>" ends an empty one.
            deepest = std::max(deepest, depth + 1);
            std::size_t end = i + 1;
            char quote = 0;
            for (; end < s.size() && (quote != 0 || s[end] != '>'); ++end)
            {
                if (groupSwallows(end, "\"'>/"))
                {
                    return -1;
                }
                if (quote != 0)
                {
                    quote = s[end] == quote ? 0 : quote;
                }
                else if (s[end] == '"' || s[end] == '\'')
                {
                    quote = s[end];
                }
            }
            if (end == s.size())
            {
                return deepest; // TinyXML fails on the unfinished tag
            }
            if (s[end - 1] != '/')
            {
                ++depth;
            }
            i = end + 1;
        }
    }
    return deepest;
}

bool XmlParse(TiXmlDocument& document, const char* text)
{
    const int depth = XmlNestingDepth(text);
    if (depth < 0 || depth > XmlMaxNesting)
    {
        document.Clear();
        document.SetError(TiXmlBase::TIXML_ERROR_PARSING_ELEMENT, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    document.Parse(text);
    return !document.Error();
}

bool XmlLoadFile(TiXmlDocument& document, const std::string& fileName)
{
    std::FILE* file = Platform::OpenFile(fileName, "rb");
    if (file == nullptr)
    {
        return false;
    }
    std::string text;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof(buffer), file)) > 0;)
    {
        text.append(buffer, count);
    }
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read && XmlParse(document, text.c_str());
}

} // namespace BaseLib
