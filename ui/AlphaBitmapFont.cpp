#include "ui/AlphaBitmapFont.h"

#include "foundation/Debug.h"
#include "ui/FontFactory.h"

#include <tinyxml.h>

#include <cstdio>
#include <new>

namespace UILib
{

namespace
{

std::int32_t WeightOfIndex(std::int32_t index)
{
    static constexpr std::int32_t Weights[15] = {0, 100, 200, 200, 300, 400, 400, 500, 600, 600,
                                                 700, 800, 800, 900, 900};
    return index >= 0 && index <= 14 ? Weights[index] : 0;
}

std::uint8_t CharSetOfLocale(std::int32_t locale)
{
    static constexpr std::uint8_t CharSets[9] = {
        Platform::ANSI_CHARSET,     Platform::SHIFTJIS_CHARSET, Platform::HANGUL_CHARSET,
        Platform::CHINESEBIG5_CHARSET, Platform::RUSSIAN_CHARSET, Platform::THAI_CHARSET,
        Platform::ARABIC_CHARSET,   Platform::HEBREW_CHARSET,   Platform::VIETNAMESE_CHARSET};
    return locale >= 0 && locale <= 8 ? CharSets[locale] : Platform::ANSI_CHARSET;
}

// A memory context with the font selected for the length of one query.
class SelectedFont
{
public:
    explicit SelectedFont(Platform::FontHandle font)
        : m_context(Platform::CreateCompatibleDC(nullptr)), m_previous(Platform::SelectFont(m_context, font))
    {}
    ~SelectedFont()
    {
        Platform::SelectFont(m_context, m_previous);
        Platform::DeleteDC(m_context);
    }
    SelectedFont(const SelectedFont&) = delete;
    SelectedFont& operator=(const SelectedFont&) = delete;
    Platform::DeviceContext Get() const { return m_context; }

private:
    Platform::DeviceContext m_context;
    Platform::FontHandle m_previous;
};

} // namespace

CAlphaGlyph::CAlphaGlyph(char16_t c, Platform::FontHandle font) : character(c)
{
    SelectedFont context(font);
    const Platform::GlyphMatrix identity;
    const auto outline = c > 255 ? Platform::GetGlyphOutlineW : Platform::GetGlyphOutlineA;
    Platform::GlyphMetrics metrics;
    const std::uint32_t size =
        outline(context.Get(), c, Platform::GGO_GRAY8_BITMAP, &metrics, 0, nullptr, &identity);
    if (size == 0 || size == Platform::GDI_ERROR)
    {
        return;
    }
    const auto glyphWidth = static_cast<std::int32_t>(metrics.blackBoxX);
    const auto glyphHeight = static_cast<std::int32_t>(metrics.blackBoxY);
    const std::size_t pitch = (static_cast<std::size_t>(glyphWidth) + 3) & ~static_cast<std::size_t>(3);
    if (glyphWidth <= 0 || glyphHeight <= 0 || size < pitch * static_cast<std::size_t>(glyphHeight))
    {
        return;
    }
    std::unique_ptr<std::uint8_t[]> source(new (std::nothrow) std::uint8_t[size]);
    std::unique_ptr<std::uint8_t[]> coverage(
        new (std::nothrow) std::uint8_t[static_cast<std::size_t>(glyphWidth) * glyphHeight]);
    if (source == nullptr || coverage == nullptr ||
        outline(context.Get(), c, Platform::GGO_GRAY8_BITMAP, &metrics, size, source.get(), &identity) ==
            Platform::GDI_ERROR)
    {
        return; // a glyph whose image cannot be had shows nothing
    }
    for (std::int32_t y = 0; y < glyphHeight; ++y)
    {
        const std::uint8_t* row = source.get() + static_cast<std::size_t>(y) * pitch;
        std::uint8_t* target = coverage.get() + static_cast<std::size_t>(y) * glyphWidth;
        for (std::int32_t x = 0; x < glyphWidth; ++x)
        {
            const int level = row[x] > 64 ? 64 : row[x];
            target[x] = static_cast<std::uint8_t>(level * 255 / 64);
        }
    }
    pixels = std::move(coverage);
    width = glyphWidth;
    height = glyphHeight;
    top = metrics.originY;
    leftBearing = metrics.originX;
    rightBearing = metrics.cellIncX - metrics.originX - glyphWidth;
}

Platform::FontRecord MakeAlphaFontRecord(std::int32_t height, const BaseLib::CString& faceName, std::int32_t locale,
                                         std::int32_t fixedWidth, std::int32_t weight, std::int32_t style)
{
    Platform::FontRecord record;
    record.height = height;
    record.weight = WeightOfIndex(weight);
    record.italic = (style & FontItalic) != 0 ? 1 : 0;
    record.underline = (style & FontUnderline) != 0 ? 1 : 0;
    record.strikeOut = (style & FontStrikeout) != 0 ? 1 : 0;
    record.charSet = CharSetOfLocale(locale);
    record.outPrecision = Platform::OUT_TT_ONLY_PRECIS;
    record.clipPrecision = 0;
    record.quality = Platform::NONANTIALIASED_QUALITY;
    record.pitchAndFamily = fixedWidth == 1 ? Platform::FIXED_PITCH : Platform::VARIABLE_PITCH;
    std::snprintf(record.faceName, sizeof record.faceName, "%s", static_cast<const char*>(faceName));
    return record;
}

CAlphaBitmapFont::CAlphaBitmapFont(CFontFactory* factory, std::int32_t height, const BaseLib::CString& faceName,
                                   std::int32_t locale, std::int32_t fixedWidth, std::int32_t weight,
                                   std::int32_t style)
    : CFont(factory, faceName, weight, style, fixedWidth, locale), m_requestedHeight(height),
      m_slots(SlotCount, nullptr), m_stamps(SlotCount, 0)
{
    if (height > MaxHeight || height < -MaxHeight)
    {
        const std::int32_t cut = height > 0 ? MaxHeight : -MaxHeight;
        BaseLib::DebugOutput("CAlphaBitmapFont: height %d of font '%s' cut to %d\n", height,
                             static_cast<const char*>(faceName), cut);
        height = cut;
    }
    m_font = Platform::CreateFontIndirect(MakeAlphaFontRecord(height, faceName, locale, fixedWidth, weight, style));
    SelectedFont context(m_font);
    const std::uint32_t pairCount = Platform::GetKerningPairs(context.Get(), 0, nullptr);
    if (pairCount > 0)
    {
        std::vector<Platform::KerningPair> pairs(pairCount);
        const std::uint32_t read = Platform::GetKerningPairs(context.Get(), pairCount, pairs.data());
        for (std::uint32_t i = 0; i < read; ++i)
        {
            m_kerning[PairKey(pairs[i].first, pairs[i].second)] = pairs[i].amount;
        }
    }
    Platform::TextMetrics metrics;
    if (Platform::GetTextMetrics(context.Get(), &metrics))
    {
        m_height = metrics.height;
        m_ascent = metrics.ascent;
        m_descent = metrics.descent;
    }
}

CAlphaBitmapFont::~CAlphaBitmapFont()
{
    for (int slot = 0; slot < SlotCount; ++slot)
    {
        ReleaseSlot(slot);
    }
    m_kerning.clear();
    Platform::DeleteFont(m_font);
}

void CAlphaBitmapFont::ReleaseSlot(int slot)
{
    if (CAlphaGlyph* glyph = m_slots[slot])
    {
        m_memorySize -= static_cast<std::uint32_t>(glyph->width * glyph->height);
        delete glyph;
        m_slots[slot] = nullptr;
    }
    m_stamps[slot] = 0;
}

std::int32_t CAlphaBitmapFont::GetKerning(char16_t first, char16_t second)
{
    if (m_kerning.empty())
    {
        return 0;
    }
    const auto found = m_kerning.find(PairKey(first, second));
    return found == m_kerning.end() ? 0 : found->second;
}

BaseLib::CString CAlphaBitmapFont::GetDescription()
{
    return BaseLib::CString("BMPA ") + FormatDescription();
}

std::uint32_t CAlphaBitmapFont::GetTypeTag() const
{
    return AlphaBitmapFontTag;
}

std::int32_t CAlphaBitmapFont::GetCharWidth(char16_t character)
{
    if (character == 10 || character == 13)
    {
        return 0;
    }
    return GetGlyph(character)->GetAdvance();
}

void CAlphaBitmapFont::SaveXml(TiXmlNode* parent)
{
    if (parent == nullptr)
    {
        return;
    }
    TiXmlElement element("font");
    element.SetAttribute("type", "alphabitmapfont");
    element.SetAttribute("facename", static_cast<const char*>(m_faceName));
    element.SetAttribute("locale", m_locale);
    element.SetAttribute("height", m_requestedHeight);
    element.SetAttribute("weight", m_weight);
    element.SetAttribute("underline", (m_style & FontUnderline) != 0 ? 1 : 0);
    element.SetAttribute("strikeout", (m_style & FontStrikeout) != 0 ? 1 : 0);
    element.SetAttribute("italic", (m_style & FontItalic) != 0 ? 1 : 0);
    element.SetAttribute("fixedwidth", m_fixedWidth);
    parent->InsertEndChild(element);
}

bool CAlphaBitmapFont::IsSameFont(CFont* other)
{
    if (other == nullptr || other->GetTypeTag() != GetTypeTag())
    {
        return false;
    }
    return other->GetFixedWidth() == m_fixedWidth && other->GetLocale() == m_locale &&
           other->GetFaceName() == m_faceName;
}

const CAlphaGlyph* CAlphaBitmapFont::GetGlyph(char16_t character)
{
    ++m_clock;
    const int home = character % SlotCount;
    int chosen = -1;
    for (int step = 0; step < ProbeLength; ++step)
    {
        const int slot = (home + step) % SlotCount;
        const CAlphaGlyph* glyph = m_slots[slot];
        if (glyph != nullptr && glyph->character == character)
        {
            ++m_hitCount;
            m_stamps[slot] = m_clock;
            return glyph;
        }
        if (glyph == nullptr && chosen < 0)
        {
            chosen = slot;
        }
    }
    if (chosen < 0)
    {
        chosen = home;
        for (int step = 1; step < ProbeLength; ++step)
        {
            const int slot = (home + step) % SlotCount;
            if (m_stamps[slot] < m_stamps[chosen])
            {
                chosen = slot;
            }
        }
        ReleaseSlot(chosen);
    }
    auto* glyph = new CAlphaGlyph(character, m_font);
    m_slots[chosen] = glyph;
    m_memorySize += static_cast<std::uint32_t>(glyph->width * glyph->height);
    // Stamped now, so fetching "e" below cannot evict the glyph being completed.
    m_stamps[chosen] = m_clock;
    if (glyph->pixels == nullptr)
    {
        // A blank "e" cannot take its own advance: it takes the variable-pitch rule.
        if (m_fixedWidth == 1 && character != u'e')
        {
            const CAlphaGlyph* e = GetGlyph(u'e');
            glyph->leftBearing = e->leftBearing + e->width;
            glyph->rightBearing = e->rightBearing;
        }
        else
        {
            glyph->leftBearing = m_height / 4;
            glyph->rightBearing = 0;
        }
    }
    m_stamps[chosen] = m_clock;
    return glyph;
}

void EnumerateFontFaces(std::vector<std::string>& faces)
{
    Platform::DeviceContext context = Platform::CreateCompatibleDC(nullptr);
    Platform::FontRecord record;
    record.charSet = Platform::DEFAULT_CHARSET;
    record.pitchAndFamily = 0;
    Platform::EnumFontFamiliesEx(context, &record, AddFontFaceName, reinterpret_cast<std::intptr_t>(&faces), 0);
    Platform::DeleteDC(context);
}

int AddFontFaceName(const Platform::EnumLogFont* font, const Platform::TextMetrics*, std::uint32_t,
                    std::intptr_t data)
{
    reinterpret_cast<std::vector<std::string>*>(data)->push_back(font->fullName);
    return 1;
}

} // namespace UILib
