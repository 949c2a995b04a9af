#include "platform/fonts/Fonts.h"

#include "platform/os/DebugOutput.h"
#include "platform/os/DeviceContextRecord.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

namespace Platform
{

struct FontObjectRecord
{
    FontRecord request;
    FT_Face face = nullptr; // null when no scalable face could be opened
    bool embolden = false;
    bool fixedPitch = false;
    TextMetrics metrics;
    bool kerningRead = false;
    std::vector<KerningPair> kerning;
    // The last glyph rendered, so the size query and the bitmap read that follow it render once.
    bool lastValid = false;
    std::uint32_t lastCode = 0;
    GlyphMetrics lastMetrics;
    std::vector<std::uint8_t> lastBits; // padded rows, levels 0 … 64
};

namespace
{

std::mutex fontLock;
FT_Library library = nullptr;
bool libraryFailed = false;
bool noFaceTraced = false;

// Windows-1252 bytes 0x80 … 0x9F; the five unassigned bytes keep their own value.
constexpr std::uint16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::uint32_t UnicodeOfCp1252(std::uint32_t byte)
{
    return byte >= 0x80 && byte <= 0x9F ? Cp1252High[byte - 0x80] : byte;
}

void TraceOnce(bool& traced, const char* text)
{
    if (!traced)
    {
        traced = true;
        WriteDebugOutput(text);
    }
}

// Under the lock.
FT_Library Library()
{
    if (library == nullptr && !libraryFailed)
    {
        if (FT_Init_FreeType(&library) != 0)
        {
            library = nullptr;
            libraryFailed = true;
            WriteDebugOutput("Fonts: FreeType cannot start\n");
        }
    }
    return library;
}

const char* LanguageOfCharSet(std::uint8_t charSet)
{
    switch (charSet)
    {
    case SHIFTJIS_CHARSET:
        return "ja";
    case HANGUL_CHARSET:
        return "ko";
    case CHINESEBIG5_CHARSET:
        return "zh-tw";
    case RUSSIAN_CHARSET:
        return "ru";
    case THAI_CHARSET:
        return "th";
    case ARABIC_CHARSET:
        return "ar";
    case HEBREW_CHARSET:
        return "he";
    case VIETNAMESE_CHARSET:
        return "vi";
    default:
        return nullptr;
    }
}

std::string FaceNameOf(const FontRecord& record)
{
    return std::string(record.faceName, strnlen(record.faceName, FontFaceNameSize - 1));
}

bool IsScalableOutline(FcPattern* pattern)
{
    FcBool scalable = FcFalse;
    FcBool outline = FcFalse;
    FcPatternGetBool(pattern, FC_SCALABLE, 0, &scalable);
    FcPatternGetBool(pattern, FC_OUTLINE, 0, &outline);
    return scalable && outline;
}

// The matched face's file, index, synthetic emboldening and slant matrix. False when no scalable
// outline face exists. Under the lock.
struct MatchedFace
{
    std::string file;
    int index = 0;
    bool embolden = false;
    bool transformed = false;
    FT_Matrix matrix{0x10000, 0, 0, 0x10000};
};

bool ReadMatch(FcPattern* font, MatchedFace& out)
{
    FcChar8* file = nullptr;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || file == nullptr)
    {
        return false;
    }
    out.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(font, FC_INDEX, 0, &out.index);
    FcBool embolden = FcFalse;
    if (FcPatternGetBool(font, FC_EMBOLDEN, 0, &embolden) == FcResultMatch)
    {
        out.embolden = embolden != FcFalse;
    }
    FcMatrix* matrix = nullptr;
    if (FcPatternGetMatrix(font, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix != nullptr)
    {
        out.matrix.xx = static_cast<FT_Fixed>(std::lround(matrix->xx * 65536.0));
        out.matrix.xy = static_cast<FT_Fixed>(std::lround(matrix->xy * 65536.0));
        out.matrix.yx = static_cast<FT_Fixed>(std::lround(matrix->yx * 65536.0));
        out.matrix.yy = static_cast<FT_Fixed>(std::lround(matrix->yy * 65536.0));
        out.transformed = out.matrix.xx != 0x10000 || out.matrix.xy != 0 || out.matrix.yx != 0 ||
                          out.matrix.yy != 0x10000;
    }
    return true;
}

bool MatchFace(const FontRecord& record, MatchedFace& out)
{
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
    {
        return false;
    }
    std::string family = FaceNameOf(record);
    if (family.empty())
    {
        family = (record.pitchAndFamily & 3) == FIXED_PITCH ? "monospace" : "sans-serif";
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    const int weight = record.weight <= 0 ? 400 : std::min(record.weight, 1000);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, record.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (const char* language = LanguageOfCharSet(record.charSet))
    {
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    }
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    bool found = false;
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result))
    {
        found = IsScalableOutline(match) && ReadMatch(match, out);
        FcPatternDestroy(match);
    }
    if (!found)
    {
        // The best match is a bitmap face: take the best scalable one of the sorted list instead.
        if (FcFontSet* set = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result))
        {
            for (int i = 0; i < set->nfont && !found; ++i)
            {
                if (IsScalableOutline(set->fonts[i]))
                {
                    FcPattern* prepared = FcFontRenderPrepare(nullptr, pattern, set->fonts[i]);
                    found = prepared != nullptr && ReadMatch(prepared, out);
                    if (prepared != nullptr)
                    {
                        FcPatternDestroy(prepared);
                    }
                }
            }
            FcFontSetDestroy(set);
        }
    }
    FcPatternDestroy(pattern);
    return found;
}

// Sizes the face as the record asks and fills the metrics. Under the lock.
bool SizeFace(FontObjectRecord& font)
{
    FT_Face face = font.face;
    const double unitsPerEm = face->units_per_EM > 0 ? face->units_per_EM : 2048.0;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double ascentUnits = face->ascender;
    double cellUnits = static_cast<double>(face->ascender) - face->descender;
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0)
    {
        ascentUnits = os2->usWinAscent;
        cellUnits = static_cast<double>(os2->usWinAscent) + os2->usWinDescent;
    }
    if (cellUnits <= 0.0)
    {
        cellUnits = unitsPerEm;
        ascentUnits = unitsPerEm * 0.8;
    }
    const std::int32_t requested = font.request.height;
    double em = 0.0;
    std::int32_t cell = 0;
    if (requested < 0)
    {
        em = -static_cast<double>(requested);
        cell = static_cast<std::int32_t>(std::lround(em * cellUnits / unitsPerEm));
    }
    else
    {
        cell = requested == 0 ? 16 : requested;
        em = cell * unitsPerEm / cellUnits;
    }
    double emX = em;
    const double averageUnits = os2 != nullptr && os2->version != 0xFFFF ? os2->xAvgCharWidth : 0.0;
    if (font.request.width > 0 && averageUnits > 0.0)
    {
        emX = em * font.request.width / (averageUnits * em / unitsPerEm);
    }
    const auto to26Dot6 = [](double pixels) {
        return static_cast<FT_F26Dot6>(std::max(1L, std::lround(pixels * 64.0)));
    };
    if (FT_Set_Char_Size(face, to26Dot6(emX), to26Dot6(em), 72, 72) != 0)
    {
        return false;
    }
    const double scaleX = emX / unitsPerEm;
    TextMetrics& metrics = font.metrics;
    metrics.height = cell;
    metrics.ascent = std::clamp(static_cast<std::int32_t>(std::lround(ascentUnits * em / unitsPerEm)),
                                std::min(0, cell), std::max(0, cell));
    metrics.descent = cell - metrics.ascent;
    metrics.averageCharWidth = static_cast<std::int32_t>(std::lround(averageUnits * scaleX));
    metrics.maxCharWidth = static_cast<std::int32_t>(std::lround(face->max_advance_width * scaleX));
    metrics.weight = font.request.weight <= 0 ? 400 : font.request.weight;
    metrics.italic = font.request.italic;
    metrics.underlined = font.request.underline;
    metrics.struckOut = font.request.strikeOut;
    metrics.pitchAndFamily = FT_IS_FIXED_WIDTH(face) ? FIXED_PITCH : VARIABLE_PITCH;
    metrics.charSet = font.request.charSet;
    font.fixedPitch = FT_IS_FIXED_WIDTH(face);
    return true;
}

FontObjectRecord* SelectedFont(DeviceContext context)
{
    return context == nullptr ? nullptr : context->font;
}

// Renders the glyph into the font's last-glyph record. False when rasterising fails. Under the lock.
bool RenderGlyph(FontObjectRecord& font, std::uint32_t code)
{
    font.lastValid = false;
    font.lastMetrics = GlyphMetrics{};
    font.lastBits.clear();
    FT_Face face = font.face;
    const FT_UInt index = code <= 0xFFFF ? FT_Get_Char_Index(face, code) : 0;
    if (index != 0)
    {
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0)
        {
            return false;
        }
        FT_GlyphSlot slot = face->glyph;
        if (font.embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE)
        {
            FT_GlyphSlot_Embolden(slot);
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
        {
            return false;
        }
        const FT_Bitmap& bitmap = slot->bitmap;
        GlyphMetrics& metrics = font.lastMetrics;
        metrics.cellIncX = static_cast<std::int16_t>(std::lround(slot->advance.x / 64.0));
        metrics.cellIncY = static_cast<std::int16_t>(std::lround(slot->advance.y / 64.0));
        if (bitmap.width > 0 && bitmap.rows > 0 && bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
        {
            metrics.blackBoxX = bitmap.width;
            metrics.blackBoxY = bitmap.rows;
            metrics.originX = slot->bitmap_left;
            metrics.originY = slot->bitmap_top;
            const std::size_t pitch = (bitmap.width + 3u) & ~3u;
            try
            {
                font.lastBits.assign(pitch * bitmap.rows, 0);
            }
            catch (const std::bad_alloc&)
            {
                return false;
            }
            const int levels = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 255;
            for (unsigned int y = 0; y < bitmap.rows; ++y)
            {
                const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
                std::uint8_t* target = font.lastBits.data() + y * pitch;
                for (unsigned int x = 0; x < bitmap.width; ++x)
                {
                    target[x] = static_cast<std::uint8_t>((source[x] * 64 + levels / 2) / levels);
                }
            }
        }
    }
    font.lastCode = code;
    font.lastValid = true;
    return true;
}

std::uint32_t GlyphOutline(DeviceContext context, std::uint32_t code, std::uint32_t format,
                           GlyphMetrics* metrics, std::uint32_t bufferSize, void* buffer)
{
    std::lock_guard<std::mutex> lock(fontLock);
    FontObjectRecord* font = SelectedFont(context);
    if (font == nullptr || format != GGO_GRAY8_BITMAP)
    {
        return GDI_ERROR;
    }
    if (font->face == nullptr)
    {
        if (metrics != nullptr)
        {
            *metrics = GlyphMetrics{};
        }
        return 0;
    }
    if (!(font->lastValid && font->lastCode == code) && !RenderGlyph(*font, code))
    {
        return GDI_ERROR;
    }
    if (metrics != nullptr)
    {
        *metrics = font->lastMetrics;
    }
    const auto size = static_cast<std::uint32_t>(font->lastBits.size());
    if (buffer == nullptr || bufferSize == 0 || size == 0)
    {
        return size;
    }
    if (bufferSize < size)
    {
        return GDI_ERROR;
    }
    std::memcpy(buffer, font->lastBits.data(), size);
    return size;
}

// Under the lock.
void ReadKerning(FontObjectRecord& font)
{
    font.kerningRead = true;
    FT_Face face = font.face;
    if (face == nullptr || !FT_HAS_KERNING(face))
    {
        return;
    }
    std::vector<std::pair<std::uint16_t, FT_UInt>> glyphs;
    for (std::uint32_t byte = 0x20; byte <= 0xFF; ++byte)
    {
        if (byte == 0x7F)
        {
            continue;
        }
        if (const FT_UInt index = FT_Get_Char_Index(face, UnicodeOfCp1252(byte)))
        {
            glyphs.emplace_back(static_cast<std::uint16_t>(byte), index);
        }
    }
    for (const auto& [first, firstIndex] : glyphs)
    {
        for (const auto& [second, secondIndex] : glyphs)
        {
            FT_Vector amount{0, 0};
            if (FT_Get_Kerning(face, firstIndex, secondIndex, FT_KERNING_UNFITTED, &amount) != 0)
            {
                continue;
            }
            const auto pixels = static_cast<std::int32_t>(std::lround(amount.x / 64.0));
            if (pixels != 0)
            {
                font.kerning.push_back(KerningPair{first, second, pixels});
            }
        }
    }
}

} // namespace

FontHandle CreateFontIndirect(const FontRecord& record)
{
    auto* font = new FontObjectRecord;
    font->request = record;
    font->request.faceName[FontFaceNameSize - 1] = '\0';
    std::lock_guard<std::mutex> lock(fontLock);
    FT_Library freetype = Library();
    if (freetype == nullptr)
    {
        return font;
    }
    MatchedFace matched;
    if (!MatchFace(font->request, matched))
    {
        TraceOnce(noFaceTraced, "Fonts: no scalable font is installed; texts stay blank\n");
        return font;
    }
    if (FT_New_Face(freetype, matched.file.c_str(), matched.index, &font->face) != 0)
    {
        font->face = nullptr;
        WriteDebugOutput(("Fonts: cannot open " + matched.file + "\n").c_str());
        return font;
    }
    font->embolden = matched.embolden;
    if (matched.transformed)
    {
        FT_Set_Transform(font->face, &matched.matrix, nullptr);
    }
    if (!SizeFace(*font))
    {
        WriteDebugOutput(("Fonts: cannot size " + matched.file + "\n").c_str());
        FT_Done_Face(font->face);
        font->face = nullptr;
        font->metrics = TextMetrics{};
    }
    return font;
}

bool DeleteFont(FontHandle font)
{
    if (font == nullptr)
    {
        return false;
    }
    std::lock_guard<std::mutex> lock(fontLock);
    if (font->face != nullptr)
    {
        FT_Done_Face(font->face);
    }
    delete font;
    return true;
}

DeviceContext CreateCompatibleDC(DeviceContext)
{
    auto* context = new DeviceContextRecord;
    context->memory = true;
    return context;
}

bool DeleteDC(DeviceContext context)
{
    if (context == nullptr || !context->memory)
    {
        return false;
    }
    delete context;
    return true;
}

FontHandle SelectFont(DeviceContext context, FontHandle font)
{
    if (context == nullptr)
    {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(fontLock);
    FontHandle previous = context->font;
    context->font = font;
    return previous;
}

std::uint32_t GetKerningPairs(DeviceContext context, std::uint32_t count, KerningPair* pairs)
{
    std::lock_guard<std::mutex> lock(fontLock);
    FontObjectRecord* font = SelectedFont(context);
    if (font == nullptr)
    {
        return 0;
    }
    if (!font->kerningRead)
    {
        ReadKerning(*font);
    }
    const auto total = static_cast<std::uint32_t>(font->kerning.size());
    if (pairs == nullptr || count == 0)
    {
        return total;
    }
    const std::uint32_t copied = std::min(count, total);
    std::copy_n(font->kerning.begin(), copied, pairs);
    return copied;
}

bool GetTextMetrics(DeviceContext context, TextMetrics* metrics)
{
    std::lock_guard<std::mutex> lock(fontLock);
    FontObjectRecord* font = SelectedFont(context);
    if (font == nullptr || font->face == nullptr || metrics == nullptr)
    {
        return false;
    }
    *metrics = font->metrics;
    return true;
}

std::uint32_t GetGlyphOutlineA(DeviceContext context, std::uint32_t character, std::uint32_t format,
                               GlyphMetrics* metrics, std::uint32_t bufferSize, void* buffer, const GlyphMatrix*)
{
    return GlyphOutline(context, UnicodeOfCp1252(character & 0xFF), format, metrics, bufferSize, buffer);
}

std::uint32_t GetGlyphOutlineW(DeviceContext context, std::uint32_t character, std::uint32_t format,
                               GlyphMetrics* metrics, std::uint32_t bufferSize, void* buffer, const GlyphMatrix*)
{
    return GlyphOutline(context, character & 0xFFFF, format, metrics, bufferSize, buffer);
}

int EnumFontFamiliesEx(DeviceContext, const FontRecord* record, FontEnumProc callback, std::intptr_t data,
                       std::uint32_t)
{
    if (callback == nullptr)
    {
        return 0;
    }
    std::vector<std::string> families;
    const FontRecord wanted = record != nullptr ? *record : FontRecord{};
    {
        std::lock_guard<std::mutex> lock(fontLock);
        FcPattern* pattern = FcPatternCreate();
        FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
        if (pattern != nullptr && objects != nullptr)
        {
            FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
            FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
            const std::string face = FaceNameOf(wanted);
            if (!face.empty())
            {
                FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.c_str()));
            }
            if (const char* language = LanguageOfCharSet(wanted.charSet))
            {
                FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
            }
            if (FcFontSet* set = FcFontList(nullptr, pattern, objects))
            {
                for (int i = 0; i < set->nfont; ++i)
                {
                    FcChar8* name = nullptr;
                    if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &name) == FcResultMatch &&
                        name != nullptr)
                    {
                        const std::string family = reinterpret_cast<const char*>(name);
                        if (std::find(families.begin(), families.end(), family) == families.end())
                        {
                            families.push_back(family);
                        }
                    }
                }
                FcFontSetDestroy(set);
            }
        }
        if (objects != nullptr)
        {
            FcObjectSetDestroy(objects);
        }
        if (pattern != nullptr)
        {
            FcPatternDestroy(pattern);
        }
    }
    int answer = 0;
    for (const std::string& family : families)
    {
        EnumLogFont font;
        font.logFont.charSet = wanted.charSet;
        std::snprintf(font.logFont.faceName, sizeof font.logFont.faceName, "%s", family.c_str());
        std::snprintf(font.fullName, sizeof font.fullName, "%s", family.c_str());
        TextMetrics metrics;
        answer = callback(&font, &metrics, TRUETYPE_FONTTYPE, data);
        if (answer == 0)
        {
            break;
        }
    }
    return answer;
}

} // namespace Platform
