#pragma once

#include "foundation/Resource.h"
#include "foundation/String.h"

#include <cstdint>

class TiXmlNode;

namespace UILib
{

class CFontFactory;

// Style flags of a font.
enum : std::int32_t
{
    FontItalic = 2,
    FontUnderline = 4,
    FontStrikeout = 8,
};

// The four characters of a type tag, byte i at character i of "NONE"; a zero byte ends the text.
BaseLib::CString TypeTagToString(std::uint32_t tag);

// The common base of the two kinds of font: a resource of the font registry with its metrics and the
// request it was made from. Characters are 16-bit code units decoded from UTF-8 texts (ui/TextChar.h).
// Fonts are made, measured and drawn on the main thread.
class CFont : public BaseLib::CResource
{
public:
    // Height, ascent and descent are filled by the derived constructor.
    CFont(CFontFactory* factory, const BaseLib::CString& faceName, std::int32_t weight, std::int32_t style,
          std::int32_t fixedWidth, std::int32_t locale);

    // Extra advance placed between two consecutive characters.
    virtual std::int32_t GetKerning(char16_t first, char16_t second) = 0;
    // The kind's tag and a blank, then FormatDescription.
    virtual BaseLib::CString GetDescription() = 0;
    // Kerning with the previous character for every character but the first, plus every character's
    // width; 0 for an empty text. Reads up to the terminating zero and never past it.
    virtual std::int32_t GetTextWidth(const BaseLib::CString& text);
    virtual std::uint32_t GetTypeTag() const = 0;
    // Advance of one character in pixels.
    virtual std::int32_t GetCharWidth(char16_t character) = 0;
    // Appends a "font" element holding the font's description to parent.
    virtual void SaveXml(TiXmlNode* parent) = 0;
    // False for another kind; else whether the kind's own fields are all equal.
    virtual bool IsSameFont(CFont* other) = 0;

    // "Font <face> <height> ", "Fixed " or "Variable ", then the weight, style and locale words.
    BaseLib::CString FormatDescription() const;

    std::int32_t GetHeight() const { return m_height; }
    std::int32_t GetAscent() const { return m_ascent; }
    std::int32_t GetDescent() const { return m_descent; }
    std::int32_t GetWeight() const { return m_weight; }
    std::int32_t GetStyle() const { return m_style; }
    std::int32_t GetFixedWidth() const { return m_fixedWidth; }
    std::int32_t GetLocale() const { return m_locale; }
    const BaseLib::CString& GetFaceName() const { return m_faceName; }

protected:
    std::int32_t m_height = 0;
    std::int32_t m_ascent = 0;
    std::int32_t m_descent = 0;
    std::int32_t m_weight;     // 0 … 14
    std::int32_t m_style;      // FontItalic | FontUnderline | FontStrikeout
    std::int32_t m_fixedWidth; // 1 = fixed pitch
    std::int32_t m_locale;     // 0 … 8
    BaseLib::CString m_faceName;
};

} // namespace UILib
