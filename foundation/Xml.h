#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/String.h"
#include "foundation/Vector.h"

#include <tinyxml.h>

#include <string>

// Typed reading and writing of TinyXML documents, so that every XML file spells values one way: bools
// "true"/"false" when written, "true"/"yes"/"1" and "false"/"no"/"0" in any letter case when read;
// points as "x"/"y", sizes as "cx"/"cy", colours as "r"/"g"/"b"/"a" child elements. Numbers are read and
// written in the C locale (the program never changes its locale).
//
// Readers never fail: a null element, a missing child or attribute, or an unreadable value gives the
// default. A child element is the first child element of that name; its text is its first child when
// that is a text node.
namespace BaseLib
{

std::string XmlGetStringAttribute(const TiXmlElement* element, const std::string& name,
                                  const std::string& defaultValue);
// "%i": decimal, "0x" hexadecimal, leading-zero octal; the leading number of the text counts.
int XmlGetIntAttribute(const TiXmlElement* element, const std::string& name, int defaultValue);
float XmlGetFloatAttribute(const TiXmlElement* element, const std::string& name, float defaultValue);
// "%f %f %f": all three must be read.
CVector3 XmlGetVector3Attribute(const TiXmlElement* element, const std::string& name,
                                const CVector3& defaultValue);
// "true", "yes" or "1" in any letter case give true, every other text false; the default only when
// the attribute is absent.
bool XmlGetBoolAttribute(const TiXmlElement* element, const std::string& name, bool defaultValue);

std::string XmlGetElementText(const TiXmlElement* parent, const std::string& name,
                              const std::string& defaultValue);
int XmlGetIntElement(const TiXmlElement* parent, const std::string& name, int defaultValue);
float XmlGetFloatElement(const TiXmlElement* parent, const std::string& name, float defaultValue);
// "true", "yes", "1" give true, "false", "no", "0" false (any letter case); any other text the default.
bool XmlGetBoolElement(const TiXmlElement* parent, const std::string& name, bool defaultValue);
// Compound values: the whole default when the element is missing, else each missing or unreadable
// child gives that component of the default.
CPoint XmlGetPointElement(const TiXmlElement* parent, const std::string& name, const CPoint& defaultValue);
CSize XmlGetSizeElement(const TiXmlElement* parent, const std::string& name, const CSize& defaultValue);
// Each of "r", "g", "b", "a" is stored as one byte (its low eight bits).
CColor XmlGetColorElement(const TiXmlElement* parent, const std::string& name, const CColor& defaultValue);
CVector2 XmlGetVector2Element(const TiXmlElement* parent, const std::string& name,
                              const CVector2& defaultValue);
CVector3 XmlGetVector3FloatElement(const TiXmlElement* parent, const std::string& name,
                                   const CVector3& defaultValue);

// Writers append a new child element to parent.
void XmlAddTextElement(TiXmlNode* parent, const std::string& name, const std::string& text);
void XmlAddBoolElement(TiXmlNode* parent, const std::string& name, bool value);
void XmlAddIntElement(TiXmlNode* parent, const std::string& name, int value);
void XmlAddFloatElement(TiXmlNode* parent, const std::string& name, float value);
void XmlAddPointElement(TiXmlNode* parent, const std::string& name, int x, int y);
void XmlAddSizeElement(TiXmlNode* parent, const std::string& name, int cx, int cy);
void XmlAddColorElement(TiXmlNode* parent, const std::string& name, const CColor& color);
void XmlAddVector2Element(TiXmlNode* parent, const std::string& name, const CVector2& value);
void XmlAddVector3FloatElement(TiXmlNode* parent, const std::string& name, const CVector3& value);
// An empty unknown node: prints as "<>".
void XmlAddSpacer(TiXmlNode* parent);

// Replaces "&", then "<", ">", "'" and the double quote by their entity references.
CString EscapeXmlText(const CString& text);

// The deepest nesting of elements that TinyXML reaches parsing text (as Parse takes it), or -1 when that
// cannot be told ahead (a declaration whose end is unclear, a UTF-8 sequence that swallows markup).
// TinyXML parses and frees elements recursively, so a text nested tens of thousands of levels deep
// overflows the stack: XmlParse checks this first.
int XmlNestingDepth(const char* text);
// The deepest nesting XmlParse accepts; the program's files nest a few levels.
constexpr int XmlMaxNesting = 256;
// TiXmlDocument::Parse, unless XmlNestingDepth is -1 or above XmlMaxNesting: then the document is left
// empty with its error set. True when the text parsed.
bool XmlParse(TiXmlDocument& document, const char* text);
// Reads the whole file, opened through the platform's case-blind look-up, and parses it with XmlParse.
// False when the file cannot be read (the document then has no error set) or its text does not parse.
bool XmlLoadFile(TiXmlDocument& document, const std::string& fileName);

// Appends node and its subtree to out, indented by depth tabs: elements with escaped attribute values,
// an element whose only child is a text node on one line, comments as "<!-- text -->", unknown nodes as
// "<text>", declarations as "<?text?>"; a text node among other children is written without a line
// end. A document prints nothing.
void WriteXmlNode(std::string& out, const TiXmlNode* node, int depth);
// WriteXmlNode at depth 0.
void XmlNodeToString(std::string& out, const TiXmlNode* node);
// The root element at depth 0: no declaration, nothing outside the root. Empty without a root.
std::string XmlDocumentToString(const TiXmlDocument& document);

} // namespace BaseLib
