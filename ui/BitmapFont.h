#pragma once

#include "ui/Bitmap.h"
#include "ui/Font.h"

#include <cstdint>
#include <map>

namespace UILib
{

// The letter-case forms the bitmap font looks glyphs up by: ASCII, the Latin-1 letters and the other
// letters of Windows-1252 (Š/š, Œ/œ, Ž/ž, Ÿ/ÿ); any other character is its own form.
char16_t UpperCaseForm(char16_t character);
char16_t LowerCaseForm(char16_t character);

// A font cut from a horizontal strip of hand-drawn glyphs ("BMPF"): one bitmap per character of the
// characters text, in strip order, separated by empty (or, with cursivity, slanted) columns. All glyphs
// are cut when the font is made. A strip that cannot be loaded (the factory's placeholder) gives a font
// with zero metrics and no glyph.
class CBitmapFont : public CFont
{
public:
    // Space widths beyond this are cut to it (a trace names the font); below 0 they become 0.
    static constexpr std::int32_t MaxSpaceWidth = 1024;

    CBitmapFont(CFontFactory* factory, const BaseLib::CString& bitmapFile, const BaseLib::CString& characters,
                std::int32_t spaceWidth, std::int32_t baseline, std::int32_t kerningBias, std::int32_t cursivity,
                float scaling);

    std::uint32_t GetSize() const override { return m_memorySize; }
    // The kerning bias, whatever the pair.
    std::int32_t GetKerning(char16_t first, char16_t second) override;
    BaseLib::CString GetDescription() override;
    std::uint32_t GetTypeTag() const override;
    // The width of the glyph FindGlyph finds; 0 without one.
    std::int32_t GetCharWidth(char16_t character) override;
    void SaveXml(TiXmlNode* parent) override;
    // Same kind, baseline, kerning bias, space width, characters and file.
    bool IsSameFont(CFont* other) override;

    // The glyph of the character, else of its upper-case form, else of its lower-case form; null when none.
    const CBitmap* FindGlyph(char16_t character) const;

    std::int32_t GetKerningBias() const { return m_kerningBias; }
    std::int32_t GetSpaceWidth() const { return m_spaceWidth; }
    std::int32_t GetBaseline() const { return m_baseline; }
    std::int32_t GetCursivity() const { return m_cursivity; }
    float GetScaling() const { return m_scaling; }
    const BaseLib::CString& GetCharacters() const { return m_characters; }
    std::size_t GetGlyphCount() const { return m_glyphs.size(); }

private:
    void Cut(const CBitmap& strip);
    // Whether column x is empty between top and bottom for the start (true) or end (false) test.
    bool IsColumnEmpty(const CBitmap& strip, std::int64_t x, bool start) const;

    std::map<char16_t, CBitmap> m_glyphs;
    std::int32_t m_kerningBias = 0;
    std::int32_t m_spaceWidth = 0;
    std::int32_t m_baseline = 0;
    BaseLib::CString m_characters;
    std::int32_t m_cursivity;
    float m_scaling;
    std::uint32_t m_memorySize = 0;
    std::int32_t m_top = 0;
    std::int32_t m_bottom = 0;
};

} // namespace UILib
