#include "foundation/Xml.h"

#include "foundation/Helpers.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

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

} // namespace BaseLib
