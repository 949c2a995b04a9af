#include "mediagen/StripCommand.h"

#include "foundation/ResourceRegistry.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/BitmapCanvas.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapPng.h"
#include "ui/FontFactory.h"
#include "ui/TextChar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace MediaGen
{

namespace
{

bool ParseColour(const std::string& text, BaseLib::CColor& colour)
{
    int r = 0, g = 0, b = 0, a = 255;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d", &r, &g, &b, &a) < 3)
    {
        return false;
    }
    colour = BaseLib::CColor(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b),
                             static_cast<std::uint8_t>(a));
    return true;
}

struct StripOptions
{
    std::string output;
    std::string face;
    int height = 0;
    std::string characters;
    BaseLib::CColor fill;
    bool outlined = false;
    BaseLib::CColor outline;
    int outlineWidth = 0;
    int slant = 0;
    int gap = 2;
};

bool ParseOptions(const std::vector<std::string>& arguments, StripOptions& options)
{
    if (arguments.size() < 5)
    {
        return false;
    }
    options.output = arguments[0];
    options.face = arguments[1];
    options.height = std::atoi(arguments[2].c_str());
    options.characters = arguments[3];
    if (!ParseColour(arguments[4], options.fill) || options.height <= 0 || options.height > 512 ||
        options.characters.empty())
    {
        return false;
    }
    for (std::size_t i = 5; i < arguments.size(); ++i)
    {
        const bool hasValue = i + 1 < arguments.size();
        if (arguments[i] == "--outline" && i + 2 < arguments.size())
        {
            options.outlined = ParseColour(arguments[i + 1], options.outline);
            options.outlineWidth = std::clamp(std::atoi(arguments[i + 2].c_str()), 0, 16);
            i += 2;
        }
        else if (arguments[i] == "--slant" && hasValue)
        {
            options.slant = std::clamp(std::atoi(arguments[++i].c_str()), -256, 256);
        }
        else if (arguments[i] == "--gap" && hasValue)
        {
            options.gap = std::clamp(std::atoi(arguments[++i].c_str()), 0, 256);
        }
        else
        {
            return false;
        }
    }
    return options.outlined || options.outlineWidth == 0;
}

} // namespace

const char* StripUsage()
{
    return "  strip <out.png> <face> <pixel height> <characters> <fill r,g,b[,a]>\n"
           "        [--outline r,g,b[,a] <width>] [--slant <pixels>] [--gap <pixels>]\n"
           "      draws the characters (UTF-8) side by side on a transparent strip for a bitmap font and\n"
           "      prints the baseline row and a suggested space width\n";
}

int RunStripCommand(const std::vector<std::string>& arguments)
{
    StripMetrics metrics;
    const int status = MakeStrip(arguments, metrics);
    if (status == 0)
    {
        std::printf("baseline %d\nspacewidth %d\n", metrics.baseline, metrics.spaceWidth);
    }
    return status;
}

int MakeStrip(const std::vector<std::string>& arguments, StripMetrics& metrics)
{
    StripOptions options;
    if (!ParseOptions(arguments, options))
    {
        std::fprintf(stderr, "usage:\n%s", StripUsage());
        return 2;
    }
    BaseLib::CResourceRegistry bitmapRegistry;
    BaseLib::CResourceRegistry fontRegistry;
    UILib::CBitmapFactory bitmaps(&bitmapRegistry, nullptr);
    auto fonts = std::make_unique<UILib::CFontFactory>(&fontRegistry);
    int status = 0;
    {
        const BaseLib::CResourcePtr<UILib::CFont> font =
            UILib::CreateAlphaBitmapFont(fonts.get(), options.height, options.face.c_str(), 0, 0, 5, 0);
        auto& alpha = static_cast<UILib::CAlphaBitmapFont&>(*font);
        const int border = options.outlineWidth;
        // Every glyph's ink box plus the border, at least |slant| + 1 empty columns apart.
        const int gap = std::max(options.gap, std::abs(options.slant) + 1);
        std::vector<char16_t> characters;
        for (const char* cursor = options.characters.c_str(); *cursor != '\0';)
        {
            characters.push_back(UILib::DecodeTextChar(cursor));
        }
        int width = gap;
        for (const char16_t c : characters)
        {
            width += std::max(alpha.GetGlyph(c)->width, 1) + 2 * border + gap;
        }
        const int height = alpha.GetHeight() + 2 * border;
        UILib::CBitmap strip(width, height, true);
        {
            UILib::CBitmapCanvas canvas(strip);
            const int baseline = border + alpha.GetAscent();
            int pen = gap;
            for (const char16_t c : characters)
            {
                const UILib::CAlphaGlyph* glyph = alpha.GetGlyph(c);
                const int glyphWidth = std::max(glyph->width, 1);
                const char16_t wide[2] = {c, 0};
                const BaseLib::CString utf8(wide);
                const int x = pen + border - glyph->leftBearing;
                for (int dy = -border; dy <= border && options.outlined; ++dy)
                {
                    for (int dx = -border; dx <= border; ++dx)
                    {
                        canvas.DrawText(font, x + dx, baseline + dy, utf8, options.outline, 0);
                    }
                }
                canvas.DrawText(font, x, baseline, utf8, options.fill, 0);
                pen += glyphWidth + 2 * border + gap;
            }
        }
        if (options.slant != 0 && height > 1)
        {
            // Rows shifted right by up to slant pixels, the top row most for a positive slant.
            BaseLib::CColor* pixels = strip.GetWritablePixels();
            std::vector<BaseLib::CColor> row(static_cast<std::size_t>(width));
            for (int y = 0; y < height; ++y)
            {
                const int shift = options.slant * (height - 1 - y) / (height - 1) - (options.slant < 0 ? options.slant : 0);
                std::fill(row.begin(), row.end(), BaseLib::CColor(0, 0, 0, 0));
                for (int x = 0; x + shift < width; ++x)
                {
                    if (x + shift >= 0)
                    {
                        row[static_cast<std::size_t>(x + shift)] = pixels[static_cast<std::size_t>(y) * width + x];
                    }
                }
                std::copy(row.begin(), row.end(), pixels + static_cast<std::size_t>(y) * width);
            }
        }
        if (!UILib::WriteBitmapPng(options.output, strip))
        {
            std::fprintf(stderr, "cannot write %s\n", options.output.c_str());
            status = 1;
        }
        else
        {
            metrics.baseline = border + alpha.GetAscent();
            metrics.spaceWidth = alpha.GetCharWidth(u' ');
        }
    }
    fonts.reset();
    return status;
}

} // namespace MediaGen
