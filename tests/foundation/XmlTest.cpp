#include "foundation/Xml.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>

using namespace BaseLib;

namespace
{

// Parses text into a document; the test fails when it is not well-formed.
TiXmlDocument Parse(const char* text)
{
    TiXmlDocument document;
    document.Parse(text);
    EXPECT_FALSE(document.Error()) << document.ErrorDesc();
    return document;
}

} // namespace

TEST(XmlReaders, Attributes)
{
    const TiXmlDocument document = Parse(R"(<e s="text" i="12abc" hex="0x10" oct="010" neg="-7" letters="abc"
        f="2.5" fbad="x" v="1 2.5 -3" v2="1 2" yes="Yes" on="on" one="1" no="no"/>)");
    const TiXmlElement* e = document.RootElement();
    EXPECT_EQ(XmlGetStringAttribute(e, "s", "d"), "text");
    EXPECT_EQ(XmlGetStringAttribute(e, "missing", "d"), "d");
    const struct
    {
        const char* name;
        int expected;
    } ints[] = {{"i", 12}, {"hex", 16}, {"oct", 8}, {"neg", -7}, {"letters", 99}, {"missing", 99}};
    for (const auto& c : ints)
    {
        EXPECT_EQ(XmlGetIntAttribute(e, c.name, 99), c.expected) << c.name;
    }
    EXPECT_EQ(XmlGetFloatAttribute(e, "f", 0.0f), 2.5f);
    EXPECT_EQ(XmlGetFloatAttribute(e, "fbad", 4.0f), 4.0f);
    EXPECT_EQ(XmlGetVector3Attribute(e, "v", CVector3()), CVector3(1, 2.5f, -3));
    EXPECT_EQ(XmlGetVector3Attribute(e, "v2", CVector3(9, 9, 9)), CVector3(9, 9, 9));
    const struct
    {
        const char* name;
        bool defaultValue;
        bool expected;
    } bools[] = {{"yes", false, true},
                 {"one", false, true},
                 {"on", true, false},
                 {"no", true, false},
                 {"missing", true, true}};
    for (const auto& c : bools)
    {
        EXPECT_EQ(XmlGetBoolAttribute(e, c.name, c.defaultValue), c.expected) << c.name;
    }
    EXPECT_EQ(XmlGetIntAttribute(nullptr, "i", 5), 5);
}

TEST(XmlReaders, Elements)
{
    const TiXmlDocument document = Parse(R"(<r>
        <t>hello</t><t>second</t><empty/><commented><!-- c -->text</commented>
        <i>12abc</i><letters>abc</letters><hex>0x10</hex><oct>010</oct><f>-1.25</f>
        <b1>YES</b1><b2>False</b2><b3>0</b3><b4>on</b4>
        <p><x>4</x></p><s><cx>3</cx><cy>oops</cy></s>
        <c><r>255</r><g>1</g><b>2</b><a>256</a></c>
        <v2><y>0.5</y></v2><v3><x>1</x><y>2</y><z>3</z></v3>
    </r>)");
    const TiXmlElement* r = document.RootElement();
    EXPECT_EQ(XmlGetElementText(r, "t", "d"), "hello");
    EXPECT_EQ(XmlGetElementText(r, "empty", "d"), "d");
    EXPECT_EQ(XmlGetElementText(r, "commented", "d"), "d");
    EXPECT_EQ(XmlGetElementText(r, "missing", "d"), "d");
    const struct
    {
        const char* name;
        int expected;
    } ints[] = {{"i", 12}, {"letters", -1}, {"hex", 16}, {"oct", 8}, {"empty", -1}, {"missing", -1}};
    for (const auto& c : ints)
    {
        EXPECT_EQ(XmlGetIntElement(r, c.name, -1), c.expected) << c.name;
    }
    EXPECT_EQ(XmlGetFloatElement(r, "f", 0.0f), -1.25f);
    EXPECT_EQ(XmlGetFloatElement(r, "letters", 7.0f), 7.0f);
    const struct
    {
        const char* name;
        bool defaultValue;
        bool expected;
    } bools[] = {{"b1", false, true}, {"b2", true, false},  {"b3", true, false},
                 {"b4", true, true},  {"b4", false, false}, {"missing", true, true}};
    for (const auto& c : bools)
    {
        EXPECT_EQ(XmlGetBoolElement(r, c.name, c.defaultValue), c.expected) << c.name;
    }
    EXPECT_EQ(XmlGetPointElement(r, "p", CPoint(8, 9)), CPoint(4, 9));
    EXPECT_EQ(XmlGetPointElement(r, "missing", CPoint(8, 9)), CPoint(8, 9));
    EXPECT_EQ(XmlGetSizeElement(r, "s", CSize(5, 6)), CSize(3, 6));
    EXPECT_EQ(XmlGetColorElement(r, "c", CColor(9, 9, 9, 9)), CColor::FromArgb(0x00FF0102));
    EXPECT_EQ(XmlGetColorElement(r, "missing", CColor(9, 8, 7, 6)), CColor(9, 8, 7, 6));
    EXPECT_EQ(XmlGetVector2Element(r, "v2", CVector2(1, 1)), CVector2(1, 0.5f));
    EXPECT_EQ(XmlGetVector3FloatElement(r, "v3", CVector3()), CVector3(1, 2, 3));
}

TEST(XmlWriters, WriteWhatTheReadersRead)
{
    TiXmlDocument document;
    TiXmlElement* root = document.InsertEndChild(TiXmlElement("root"))->ToElement();
    XmlAddTextElement(root, "name", "a<b");
    XmlAddBoolElement(root, "on", true);
    XmlAddBoolElement(root, "off", false);
    XmlAddIntElement(root, "count", -12);
    XmlAddFloatElement(root, "scale", 0.1f);
    XmlAddPointElement(root, "position", 3, -4);
    XmlAddSizeElement(root, "size", 640, 480);
    XmlAddColorElement(root, "colour", CColor::FromArgb(0x80102030));
    XmlAddVector2Element(root, "v2", CVector2(1.5f, -2));
    XmlAddVector3FloatElement(root, "v3", CVector3(0, 0.25f, 1e10f));
    XmlAddSpacer(root);

    EXPECT_EQ(XmlDocumentToString(document),
              "<root>\n"
              "\t<name>a&lt;b</name>\n"
              "\t<on>true</on>\n"
              "\t<off>false</off>\n"
              "\t<count>-12</count>\n"
              "\t<scale>0.1</scale>\n"
              "\t<position>\n\t\t<x>3</x>\n\t\t<y>-4</y>\n\t</position>\n"
              "\t<size>\n\t\t<cx>640</cx>\n\t\t<cy>480</cy>\n\t</size>\n"
              "\t<colour>\n\t\t<r>16</r>\n\t\t<g>32</g>\n\t\t<b>48</b>\n"
              "\t\t<a>128</a>\n\t</colour>\n"
              "\t<v2>\n\t\t<x>1.5</x>\n\t\t<y>-2</y>\n\t</v2>\n"
              "\t<v3>\n\t\t<x>0</x>\n\t\t<y>0.25</y>\n\t\t<z>1e+10</z>\n\t</v3>\n"
              "\t<>\n"
              "</root>\n");

    EXPECT_EQ(XmlGetElementText(root, "name", ""), "a<b");
    EXPECT_TRUE(XmlGetBoolElement(root, "on", false));
    EXPECT_FALSE(XmlGetBoolElement(root, "off", true));
    EXPECT_EQ(XmlGetIntElement(root, "count", 0), -12);
    EXPECT_EQ(XmlGetFloatElement(root, "scale", 0), 0.1f);
    EXPECT_EQ(XmlGetPointElement(root, "position", CPoint()), CPoint(3, -4));
    EXPECT_EQ(XmlGetSizeElement(root, "size", CSize()), CSize(640, 480));
    EXPECT_EQ(XmlGetColorElement(root, "colour", CColor()), CColor::FromArgb(0x80102030));
    EXPECT_EQ(XmlGetVector3FloatElement(root, "v3", CVector3()), CVector3(0, 0.25f, 1e10f));
}

TEST(EscapeXmlText, EachSpecialCharacterOnce)
{
    EXPECT_STREQ(EscapeXmlText(CString("&<>'\"")), "&amp;&lt;&gt;&apos;&quot;");
    EXPECT_STREQ(EscapeXmlText(CString("a&amp;b")), "a&amp;amp;b");
    EXPECT_STREQ(EscapeXmlText(CString()), "");
}

TEST(WriteXmlNode, GoldenTree)
{
    TiXmlDocument document = Parse(R"(<?xml version="1.0" ?>
<puzzle name="a&amp;&lt;&gt;&apos;&quot;" width="4">
    <title>Two &amp; one</title>
    <note><!--only a comment--></note>
    <blocks>
        <block kind="wall"/>
        mixed<br/>
    </blocks>
</puzzle>)");
    std::string out;
    TiXmlElement* root = document.RootElement();
    XmlAddSpacer(root);
    WriteXmlNode(out, root, 0);
    EXPECT_EQ(out, "<puzzle name=\"a&amp;&lt;&gt;&apos;&quot;\" width=\"4\">\n"
                   "\t<title>Two &amp; one</title>\n"
                   "\t<note>\n"
                   "\t\t<!-- only a comment -->\n"
                   "\t</note>\n"
                   "\t<blocks>\n"
                   "\t\t<block kind=\"wall\"/>\n"
                   "\t\tmixed\t\t<br/>\n"
                   "\t</blocks>\n"
                   "\t<>\n"
                   "</puzzle>\n");

    std::string atDepth;
    XmlNodeToString(atDepth, root->FirstChildElement("title"));
    EXPECT_EQ(atDepth, "<title>Two &amp; one</title>\n");

    std::string documentText;
    WriteXmlNode(documentText, &document, 2);
    EXPECT_EQ(documentText, "");
    std::string declaration;
    WriteXmlNode(declaration, document.FirstChild(), 1);
    EXPECT_EQ(declaration, "\t<?xml version=\"1.0\"?>\n");
    EXPECT_EQ(XmlDocumentToString(document).rfind("<puzzle", 0), 0u);
}

namespace
{

// The deepest element nesting of what TinyXML parsed (after a failure: of what it parsed so far).
int TreeDepth(const TiXmlNode* node)
{
    int deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling())
    {
        deepest = std::max(deepest, TreeDepth(child));
    }
    return node->ToElement() != nullptr ? deepest + 1 : deepest;
}

std::string Nested(int depth)
{
    std::string text;
    for (int i = 0; i < depth; ++i)
    {
        text += "<a>";
    }
    for (int i = 0; i < depth; ++i)
    {
        text += "</a>";
    }
    return text;
}

} // namespace

TEST(XmlNestingDepth, CountsWhatTheParserDescendsInto)
{
    const struct
    {
        const char* text;
        int depth;
    } cases[] = {
        {"<puzzle><block><pos><x>1</x></pos></block></puzzle>", 4},
        {"<a/><b/>", 1},
        {"<a><!-- <b><c><d> --></a>", 1},
        {"<a><![CDATA[<b><c>]]></a>", 1},
        {"<a x=\"<b>\" y='>'><c/></a>", 2},
        {"<?xml version=\"1.0\" encoding='UTF-8'?>\n<a><b/></a>", 2},
        {"<!DOCTYPE a><a>x</a>stop<b><c/></b>", 1},
        {"<a>\xE0</a>", 1},                         // without a declaration bytes are read one by one
        {"<?xml version=\"1.0>\"?><a/>", -1},       // the ">" lies in the version
        {"\xEF\xBB\xBF<a>\xE0</a><b><c/></b>", -1}, // UTF-8: the lead byte would take "</"
        {"\xEF\xBB\xBF<a>\xE0", -1},                // ... or run past the end of the text
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(XmlNestingDepth(c.text), c.depth) << c.text;
    }
}

// Random soups of markup pieces: whatever the scan accepts, TinyXML never nests deeper than it said.
TEST(XmlNestingDepth, NeverBelowWhatTinyXmlReaches)
{
    const char* pieces[] = {"<a>",       "</a>",
                            "<b x='1'>", "</b>",
                            "<c/>",      "<!--",
                            "-->",       "<![CDATA[",
                            "]]>",       "<?xml ",
                            "version=",  "encoding=",
                            "?>",        "\"",
                            "'",         "=",
                            " ",         "x",
                            "<",         ">",
                            "/",         "<!",
                            "</",        "\xE0",
                            "\xC3",      "\xEF\xBB\xBF",
                            "&#x41;",    "&",
                            "\n"};
    std::mt19937 random(1210);
    int accepted = 0;
    for (int round = 0; round < 20000; ++round)
    {
        std::string text = round % 3 == 0 ? "\xEF\xBB\xBF" : "";
        for (int i = static_cast<int>(random() % 40); i > 0; --i)
        {
            text += pieces[random() % std::size(pieces)];
        }
        const int depth = XmlNestingDepth(text.c_str());
        if (depth < 0)
        {
            continue;
        }
        ++accepted;
        TiXmlDocument document;
        document.Parse(text.c_str());
        ASSERT_LE(TreeDepth(&document), depth) << text;
    }
    EXPECT_GT(accepted, 10000);
}

TEST(XmlParse, RefusesTextNestedTooDeeplyForTheParser)
{
    TiXmlDocument deepest;
    EXPECT_TRUE(XmlParse(deepest, Nested(XmlMaxNesting).c_str()));
    EXPECT_EQ(TreeDepth(&deepest), XmlMaxNesting);
    // Deep enough to overflow the stack if it were parsed.
    TiXmlDocument tooDeep;
    EXPECT_FALSE(XmlParse(tooDeep, Nested(200000).c_str()));
    EXPECT_TRUE(tooDeep.Error());
    EXPECT_EQ(tooDeep.FirstChild(), nullptr);
    TiXmlDocument oneTooDeep;
    EXPECT_FALSE(XmlParse(oneTooDeep, Nested(XmlMaxNesting + 1).c_str()));
    TiXmlDocument broken;
    EXPECT_FALSE(XmlParse(broken, "<a><b></a>"));
    TiXmlDocument fine;
    EXPECT_TRUE(XmlParse(fine, "<a><b/></a>"));
    EXPECT_STREQ(fine.RootElement()->FirstChildElement()->Value(), "b");
}
