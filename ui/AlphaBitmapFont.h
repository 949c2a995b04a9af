#pragma once

#include "platform/fonts/Fonts.h"
#include "ui/Font.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace UILib
{

// One character rasterised into an 8-bit coverage image (0 transparent … 255 opaque, rows without
// padding). A glyph without pixels (a blank, a character the face lacks, or an image that could not be
// allocated) has no coverage and all metrics 0 until its font completes it.
class CAlphaGlyph
{
public:
    CAlphaGlyph(char16_t character, Platform::FontHandle font);

    std::int32_t GetAdvance() const { return leftBearing + width + rightBearing; }

    std::uint32_t character;
    std::unique_ptr<std::uint8_t[]> pixels; // width × height bytes; null without pixels
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t top = 0;          // from the baseline up to the top row
    std::int32_t leftBearing = 0;  // from the pen to the left column
    std::int32_t rightBearing = 0; // from the right edge to the next pen position
};

// The font record the alpha bitmap font asks the platform for: height unchanged, weight by index,
// style bits, character set by locale, TrueType precision, pitch by fixed width, face (31 characters).
Platform::FontRecord MakeAlphaFontRecord(std::int32_t height, const BaseLib::CString& faceName, std::int32_t locale,
                                         std::int32_t fixedWidth, std::int32_t weight, std::int32_t style);

// Text in an installed face ("BMPA"): metrics and kerning pairs read once, each character rasterised
// on first use and kept in a cache of 400 slots probed in windows of 10. Main thread only; the cache is
// not locked.
class CAlphaBitmapFont : public CFont
{
public:
    static constexpr int SlotCount = 400;
    static constexpr int ProbeLength = 10;
    // Heights beyond this (either sign) are cut to it: a glyph's image grows with the square.
    static constexpr std::int32_t MaxHeight = 512;

    CAlphaBitmapFont(CFontFactory* factory, std::int32_t height, const BaseLib::CString& faceName,
                     std::int32_t locale, std::int32_t fixedWidth, std::int32_t weight, std::int32_t style);
    ~CAlphaBitmapFont() override;

    // Bytes of the cached glyphs' images.
    std::uint32_t GetSize() const override { return m_memorySize; }
    std::int32_t GetKerning(char16_t first, char16_t second) override;
    BaseLib::CString GetDescription() override;
    std::uint32_t GetTypeTag() const override;
    // 0 for line feed and carriage return (the cache untouched); else the glyph's advance.
    std::int32_t GetCharWidth(char16_t character) override;
    void SaveXml(TiXmlNode* parent) override;
    // Same kind, fixed width, locale and face.
    bool IsSameFont(CFont* other) override;

    // The character's glyph, cached or rasterised now; never null. Valid until the next request.
    const CAlphaGlyph* GetGlyph(char16_t character);

    // The height the font was asked for (before any cut), as its description writes it.
    std::int32_t GetRequestedHeight() const { return m_requestedHeight; }
    std::uint32_t GetClock() const { return m_clock; }
    std::uint32_t GetHitCount() const { return m_hitCount; }
    // The glyph in a slot, or null; for inspection.
    const CAlphaGlyph* GetSlot(int slot) const { return m_slots[slot]; }
    std::size_t GetKerningPairCount() const { return m_kerning.size(); }

private:
    static std::uint32_t PairKey(char16_t first, char16_t second)
    {
        return (static_cast<std::uint32_t>(first) << 16) | second;
    }
    void ReleaseSlot(int slot);

    std::int32_t m_requestedHeight;
    Platform::FontHandle m_font = nullptr;
    std::map<std::uint32_t, std::int32_t> m_kerning; // (first << 16 | second) → pixels
    std::uint32_t m_clock = 0;
    std::uint32_t m_hitCount = 0;
    std::uint32_t m_memorySize = 0;
    std::vector<CAlphaGlyph*> m_slots;     // SlotCount, null = empty
    std::vector<std::uint32_t> m_stamps;   // SlotCount, the clock at the slot's last request
};

// Every installed face the platform enumerates, in enumeration order, duplicates kept.
void EnumerateFontFaces(std::vector<std::string>& faces);

// The enumeration callback: appends the face's full name to the list of standard strings behind data
// and asks for more.
int AddFontFaceName(const Platform::EnumLogFont* font, const Platform::TextMetrics* metrics,
                    std::uint32_t fontType, std::intptr_t data);

} // namespace UILib
