#include "ui/BitmapFont.h"

#include "foundation/Debug.h"
#include "ui/FontFactory.h"
#include "ui/TextChar.h"

#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>

namespace UILib
{

namespace
{

struct CasePair
{
    char16_t upper;
    char16_t lower;
};

// The Windows-1252 letters outside the ranges that differ by 32.
constexpr CasePair OtherLetters[] = {{0x160, 0x161}, {0x152, 0x153}, {0x17D, 0x17E}, {0x178, 0xFF}};

} // namespace

char16_t UpperCaseForm(char16_t c)
{
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
    {
        return static_cast<char16_t>(c - 32);
    }
    for (const CasePair& pair : OtherLetters)
    {
        if (c == pair.lower)
        {
            return pair.upper;
        }
    }
    return c;
}

char16_t LowerCaseForm(char16_t c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
    {
        return static_cast<char16_t>(c + 32);
    }
    for (const CasePair& pair : OtherLetters)
    {
        if (c == pair.upper)
        {
            return pair.lower;
        }
    }
    return c;
}

CBitmapFont::CBitmapFont(CFontFactory* factory, const BaseLib::CString& bitmapFile, const BaseLib::CString& characters,
                         std::int32_t spaceWidth, std::int32_t baseline, std::int32_t kerningBias,
                         std::int32_t cursivity, float scaling)
    : CFont(factory, bitmapFile, 5, 0, 0, 0), m_kerningBias(kerningBias), m_spaceWidth(spaceWidth),
      m_baseline(baseline), m_characters(characters), m_cursivity(cursivity), m_scaling(scaling)
{
    // The description's values are kept whatever the strip holds: they name and save the font.
    const CBitmap strip(bitmapFile);
    if (strip.GetWidth() <= 0 || strip.GetHeight() <= 0 || strip.IsPlaceholder())
    {
        return; // no image: zero metrics, no glyph
    }
    const std::int32_t width = strip.GetWidth();
    const std::int32_t height = strip.GetHeight();
    const BaseLib::CColor* pixels = strip.GetPixels();
    m_top = -1;
    for (std::int32_t i = 0; i < width * height && m_top < 0; ++i)
    {
        if (pixels[i].GetAlpha() > 0)
        {
            m_top = i / width;
        }
    }
    if (m_top < 0)
    {
        m_height = 1;
        m_ascent = 1;
        return;
    }
    for (std::int32_t i = width * height - 1; i >= 0; --i)
    {
        if (pixels[i].GetAlpha() > 0)
        {
            m_bottom = i / width;
            break;
        }
    }
    m_height = m_bottom - m_top + 1;
    m_ascent = baseline - m_top;
    // So that ascent + descent = height: the rows at and below the baseline.
    m_descent = m_bottom + 1 - baseline;
    Cut(strip);

    if (spaceWidth > MaxSpaceWidth)
    {
        BaseLib::DebugOutput("CBitmapFont: space width %d of '%s' cut to %d\n", spaceWidth,
                             static_cast<const char*>(bitmapFile), MaxSpaceWidth);
    }
    const std::int32_t space = std::clamp(spaceWidth, 0, MaxSpaceWidth);
    m_glyphs[u' '] = space > 0 ? CBitmap(space, 1, true) : CBitmap();
}

bool CBitmapFont::IsColumnEmpty(const CBitmap& strip, std::int64_t x, bool start) const
{
    const std::int64_t c = m_cursivity;
    const std::int64_t slant = c < 0 ? -c : c;
    std::int64_t column = x;
    if (start && c < 0)
    {
        column += slant;
    }
    else if (!start && c > 0)
    {
        column -= c;
    }
    const double slope = m_bottom > m_top ? static_cast<double>(slant) / (m_bottom - m_top) : 0.0;
    double accumulator = 0.0;
    const std::int32_t width = strip.GetWidth();
    const BaseLib::CColor* pixels = strip.GetPixels();
    for (std::int32_t y = m_top; y <= m_bottom; ++y)
    {
        if (column >= 0 && column < width && pixels[static_cast<std::int64_t>(y) * width + column].GetAlpha() > 0)
        {
            return false;
        }
        accumulator += slope;
        if (accumulator >= 1.0)
        {
            const double whole = std::floor(accumulator);
            accumulator -= whole;
            if (c < 0)
            {
                column -= static_cast<std::int64_t>(whole);
            }
        }
    }
    return true;
}

void CBitmapFont::Cut(const CBitmap& strip)
{
    const std::int32_t width = strip.GetWidth();
    const std::int32_t glyphHeight = m_height;
    const std::int64_t slant = std::llabs(static_cast<long long>(m_cursivity));
    const char* characters = m_characters;
    const std::int32_t length = m_characters.GetLength();
    std::int32_t position = 0;
    std::int64_t x = 0;
    std::int64_t start = 0;
    bool inGlyph = false;
    while (x < width && position < length)
    {
        if (!inGlyph)
        {
            if (IsColumnEmpty(strip, x, true))
            {
                ++x;
            }
            else
            {
                start = x;
                inGlyph = true;
            }
            continue;
        }
        std::int64_t end = -1;
        if (x == width - 1)
        {
            // The image's last column ends the glyph; an upright glyph leaves it out when it is empty.
            end = m_cursivity == 0 && x > start && IsColumnEmpty(strip, x, false) ? x : x + 1;
        }
        else if (x < start + slant)
        {
            ++x;
        }
        else if (!IsColumnEmpty(strip, x, false))
        {
            ++x;
        }
        else
        {
            end = x;
        }
        if (end < 0)
        {
            continue;
        }
        const char* cursor = characters + position;
        const char16_t character = DecodeTextChar(cursor);
        position = static_cast<std::int32_t>(cursor - characters);
        const auto glyphWidth = static_cast<std::int32_t>(end - start);
        if (m_glyphs.find(character) == m_glyphs.end() && glyphWidth > 0)
        {
            CBitmap glyph(glyphWidth, glyphHeight, false);
            BaseLib::CColor* target = glyph.GetWritablePixels();
            if (target != nullptr && glyph.GetWidth() == glyphWidth && glyph.GetHeight() == glyphHeight)
            {
                const BaseLib::CColor* source = strip.GetPixels();
                for (std::int32_t row = 0; row < glyphHeight; ++row)
                {
                    std::memcpy(target + static_cast<std::size_t>(row) * glyphWidth,
                                source + static_cast<std::size_t>(m_top + row) * width + start,
                                static_cast<std::size_t>(glyphWidth) * sizeof(BaseLib::CColor));
                }
                m_memorySize += static_cast<std::uint32_t>(glyph.GetPixelCount()) * 4u;
                m_glyphs[character] = glyph;
            }
        }
        inGlyph = false;
        x = end + 1;
    }
}

std::int32_t CBitmapFont::GetKerning(char16_t, char16_t)
{
    return m_kerningBias;
}

BaseLib::CString CBitmapFont::GetDescription()
{
    return BaseLib::CString("BMPF ") + FormatDescription();
}

std::uint32_t CBitmapFont::GetTypeTag() const
{
    return BitmapFontTag;
}

std::int32_t CBitmapFont::GetCharWidth(char16_t character)
{
    const CBitmap* glyph = FindGlyph(character);
    return glyph == nullptr ? 0 : glyph->GetWidth();
}

const CBitmap* CBitmapFont::FindGlyph(char16_t character) const
{
    if (m_glyphs.empty())
    {
        return nullptr;
    }
    for (const char16_t form : {character, UpperCaseForm(character), LowerCaseForm(character)})
    {
        const auto found = m_glyphs.find(form);
        if (found != m_glyphs.end())
        {
            return &found->second;
        }
    }
    return nullptr;
}

void CBitmapFont::SaveXml(TiXmlNode* parent)
{
    if (parent == nullptr)
    {
        return;
    }
    TiXmlElement element("font");
    element.SetAttribute("type", "bitmapfont");
    element.SetAttribute("file", static_cast<const char*>(m_faceName));
    element.SetAttribute("characters", static_cast<const char*>(m_characters));
    element.SetAttribute("spacewidth", m_spaceWidth);
    element.SetAttribute("baseline", m_baseline);
    element.SetAttribute("kerningbias", m_kerningBias);
    element.SetAttribute("cursivity", m_cursivity);
    char scaling[32];
    std::snprintf(scaling, sizeof scaling, "%g", static_cast<double>(m_scaling));
    element.SetAttribute("scaling", scaling);
    parent->InsertEndChild(element);
}

bool CBitmapFont::IsSameFont(CFont* other)
{
    if (other == nullptr || other->GetTypeTag() != GetTypeTag())
    {
        return false;
    }
    const auto& font = static_cast<const CBitmapFont&>(*other);
    return font.m_baseline == m_baseline && font.m_kerningBias == m_kerningBias &&
           font.m_spaceWidth == m_spaceWidth && font.m_characters == m_characters && font.m_faceName == m_faceName;
}

} // namespace UILib
