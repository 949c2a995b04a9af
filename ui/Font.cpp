#include "ui/Font.h"

#include "ui/FontFactory.h"
#include "ui/TextChar.h"

namespace UILib
{

namespace
{

const char* const WeightWords[] = {"thin ",   "extralight ", "ultralight ", "light ",     "normal ",
                                   "regular ", "medium ",    "semibold ",   "demibold ",  "bold ",
                                   "extrabold ", "ultrabold ", "heavy ",     "black "};
const char* const LocaleWords[] = {"japanese ", "korean ", "chinese ", "russian ",
                                   "thai ",     "arabic ", "hebrew ",  "vietnamese "};

} // namespace

BaseLib::CString TypeTagToString(std::uint32_t tag)
{
    char text[5] = {'N', 'O', 'N', 'E', '\0'};
    for (int i = 0; i < 4; ++i)
    {
        text[i] = static_cast<char>((tag >> (8 * i)) & 0xFF);
        if (text[i] == '\0')
        {
            break;
        }
    }
    return BaseLib::CString(text);
}

CFont::CFont(CFontFactory* factory, const BaseLib::CString& faceName, std::int32_t weight, std::int32_t style,
             std::int32_t fixedWidth, std::int32_t locale)
    : CResource(factory), m_weight(weight), m_style(style), m_fixedWidth(fixedWidth), m_locale(locale),
      m_faceName(faceName)
{}

std::int32_t CFont::GetTextWidth(const BaseLib::CString& text)
{
    const char* cursor = text;
    std::int32_t width = 0;
    char16_t previous = 0;
    bool first = true;
    while (*cursor != '\0')
    {
        const char16_t character = DecodeTextChar(cursor);
        if (!first)
        {
            width += GetKerning(previous, character);
        }
        width += GetCharWidth(character);
        previous = character;
        first = false;
    }
    return width;
}

BaseLib::CString CFont::FormatDescription() const
{
    BaseLib::CString text = BaseLib::CString::FromFormat("Font %s %d", static_cast<const char*>(m_faceName),
                                                         m_height);
    text += " ";
    text += m_fixedWidth != 0 ? "Fixed " : "Variable ";
    if (m_weight >= 1 && m_weight <= 14)
    {
        text += WeightWords[m_weight - 1];
    }
    if ((m_style & FontItalic) != 0)
    {
        text += "italic ";
    }
    if ((m_style & FontUnderline) != 0)
    {
        text += "underline ";
    }
    if ((m_style & FontStrikeout) != 0)
    {
        text += "strikeout ";
    }
    if (m_locale >= 1 && m_locale <= 8)
    {
        text += LocaleWords[m_locale - 1];
    }
    return text;
}

} // namespace UILib
