#pragma once

#include "platform/os/Monitor.h"

#include <cstdint>

// System fonts: creation from a font record, memory device contexts with a selected font, text
// metrics, kerning pairs, glyph coverage bitmaps and the list of installed faces. Faces are matched
// through fontconfig and rasterised by FreeType. Every function may be called from any thread (one
// lock guards both libraries); a font or context must not be deleted while another thread uses it.
namespace Platform
{

struct FontObjectRecord;
using FontHandle = FontObjectRecord*;

// Character sets of the font record (the locales the window system names).
constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint8_t SHIFTJIS_CHARSET = 128;
constexpr std::uint8_t HANGUL_CHARSET = 129;
constexpr std::uint8_t CHINESEBIG5_CHARSET = 136;
constexpr std::uint8_t RUSSIAN_CHARSET = 204;
constexpr std::uint8_t THAI_CHARSET = 222;
constexpr std::uint8_t ARABIC_CHARSET = 178;
constexpr std::uint8_t HEBREW_CHARSET = 177;
constexpr std::uint8_t VIETNAMESE_CHARSET = 163;

constexpr std::uint8_t OUT_TT_ONLY_PRECIS = 7;
constexpr std::uint8_t NONANTIALIASED_QUALITY = 3;
constexpr std::uint8_t FIXED_PITCH = 1;
constexpr std::uint8_t VARIABLE_PITCH = 2;

constexpr int FontFaceNameSize = 32; // the face name's characters plus its terminator

// What a font is made from. Height: positive = the cell height in pixels (the face scaled so that its
// ascent plus descent equals it), negative = the em size, 0 = a cell height of 16. Width: 0 keeps the
// face's proportions, a positive width is the average character width to which glyphs are scaled
// horizontally. Weight 0 (don't care) is taken as 400. Escapement, orientation, the precisions and the
// quality are kept but not used: glyphs are always anti-aliased. Underline and strike-out appear in
// the metrics only, never in glyph images.
struct FontRecord
{
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0; // 100 … 900
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = ANSI_CHARSET;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0; // FIXED_PITCH asks for "monospace" when the face name is empty
    char faceName[FontFaceNameSize] = {};
};

struct TextMetrics
{
    std::int32_t height = 0;  // the cell height
    std::int32_t ascent = 0;  // rounded
    std::int32_t descent = 0; // height - ascent
    std::int32_t averageCharWidth = 0;
    std::int32_t maxCharWidth = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underlined = 0;
    std::uint8_t struckOut = 0;
    std::uint8_t pitchAndFamily = 0; // FIXED_PITCH for a fixed-pitch face, else VARIABLE_PITCH
    std::uint8_t charSet = 0;
};

struct KerningPair
{
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    std::int32_t amount = 0; // whole pixels
};

struct GlyphMetrics
{
    std::uint32_t blackBoxX = 0;
    std::uint32_t blackBoxY = 0;
    std::int32_t originX = 0; // from the pen to the black box's left column
    std::int32_t originY = 0; // from the baseline up to the black box's top row
    std::int16_t cellIncX = 0; // the rounded advance
    std::int16_t cellIncY = 0;
};

struct GlyphMatrix
{
    double m11 = 1.0, m12 = 0.0, m21 = 0.0, m22 = 1.0;
};

// The glyph format: one byte per pixel with coverage levels 0 … 64, rows padded to 4 bytes.
constexpr std::uint32_t GGO_GRAY8_BITMAP = 6;
constexpr std::uint32_t GDI_ERROR = 0xFFFFFFFFu;

// A new font for the record: the face fontconfig matches (scalable outline faces only; a face that is
// not installed gets fontconfig's substitute). Never null. When no scalable face exists at all, the
// font has zero metrics and blank glyphs (traced once).
FontHandle CreateFontIndirect(const FontRecord& record);
// Deletes a font made by CreateFontIndirect; false for null. It must not be selected anywhere.
bool DeleteFont(FontHandle font);

// A new memory context (the argument is ignored, as for a context compatible with the screen).
DeviceContext CreateCompatibleDC(DeviceContext context);
// Deletes a memory context; false for null and for a display's context.
bool DeleteDC(DeviceContext context);
// Selects the font into the context and returns the one it replaces (null at first). Null context:
// nothing happens, null is returned.
FontHandle SelectFont(DeviceContext context, FontHandle font);

// Pairs among the Windows-1252 characters (keyed by their byte values) whose kerning at this size is
// not 0 after rounding to whole pixels; only faces with a kerning table have any. With no buffer (or
// count 0) answers the number of pairs; else copies at most count pairs and answers how many. 0 when
// no font is selected.
std::uint32_t GetKerningPairs(DeviceContext context, std::uint32_t count, KerningPair* pairs);

// The selected font's metrics; false (metrics untouched) without a font or a face.
bool GetTextMetrics(DeviceContext context, TextMetrics* metrics);

// The glyph of a character of the selected font in GGO_GRAY8_BITMAP. The "A" form takes codes 0 …
// 255 as Windows-1252 bytes, the "W" form UTF-16 units. With no buffer (or size 0) answers the bytes
// the bitmap needs, filling metrics; with a buffer at least that large fills it and answers the same.
// A glyph without pixels (a blank, or a character the face lacks) answers 0 with its metrics filled
// (all 0 for a missing character). GDI_ERROR: no font, another format, a buffer too small or a
// rasterising failure. The matrix is accepted for form's sake; only the identity is applied.
std::uint32_t GetGlyphOutlineA(DeviceContext context, std::uint32_t character, std::uint32_t format,
                               GlyphMetrics* metrics, std::uint32_t bufferSize, void* buffer,
                               const GlyphMatrix* matrix);
std::uint32_t GetGlyphOutlineW(DeviceContext context, std::uint32_t character, std::uint32_t format,
                               GlyphMetrics* metrics, std::uint32_t bufferSize, void* buffer,
                               const GlyphMatrix* matrix);

constexpr std::uint32_t TRUETYPE_FONTTYPE = 4;

struct EnumLogFont
{
    FontRecord logFont;           // the face name and character set of the family
    char fullName[64] = {};       // the family's name
    char style[32] = {};
    char script[32] = {};
};

// Answers non-zero to go on, 0 to stop.
using FontEnumProc = int (*)(const EnumLogFont* font, const TextMetrics* metrics, std::uint32_t fontType,
                             std::intptr_t data);

// Calls the callback once per scalable family, with the family's first name as fontconfig lists it, in
// fontconfig's order; a non-empty face name in the record lists that family only, a character set
// other than ANSI_CHARSET and DEFAULT_CHARSET only families covering its language. The callbacks run
// outside the layer's lock. Answers the last callback's answer (0 when there was no family).
int EnumFontFamiliesEx(DeviceContext context, const FontRecord* record, FontEnumProc callback,
                       std::intptr_t data, std::uint32_t flags);

} // namespace Platform
