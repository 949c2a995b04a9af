// The logos shown before the main menu (interface/logo_*.png): the project's own invented marks, each a
// simple emblem over a name in block letters on black, 1024 x 768 like the screen the logo labels fill.
// The publisher's mark carries a word that the German logo says in German.

#include "mediagen/GameMedia.h"
#include "mediagen/MenuArt.h"
#include "mediagen/Picture.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <string>

namespace MediaGen
{

namespace
{

using BaseLib::CVector3;

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// Block letters on a 5 x 7 grid of square cells ('#' filled), for the words of the logos.
const std::map<char, const char*>& Glyphs()
{
    static const std::map<char, const char*> glyphs = {
        {'A', ".###.#...##...#######...##...##...#"}, {'B', "####.#...##...#####.#...##...#####."},
        {'E', "######....#....####.#....#....#####"}, {'G', ".#####....#....#.####...##...#.###."},
        {'H', "#...##...##...#######...##...##...#"}, {'I', "#####..#....#....#....#....#..#####"},
        {'L', "#....#....#....#....#....#....#####"}, {'M', "#...###.###.#.##.#.##...##...##...#"},
        {'N', "#...###..##.#.##..###...##...##...#"}, {'O', ".###.#...##...##...##...##...#.###."},
        {'P', "####.#...##...#####.#....#....#...."}, {'R', "####.#...##...#####.#.#..#..#.#...#"},
        {'S', ".#####....#.....###.....#....#####."}, {'T', "#####..#....#....#....#....#....#.."},
        {'V', "#...##...##...##...##...#.#.#...#.."}, {'W', "#...##...##...##.#.##.#.###.###...#"},
        {'Y', "#...##...#.#.#...#....#....#....#.."},
    };
    return glyphs;
}

// Whether the point lies on the word written in block letters of `cell` pixels, centred on (cx, top).
// Each filled cell is a square with softly rounded corners and a hairline gap, so the letters read as
// built of blocks.
bool OnWord(float x, float y, const std::string& word, float cx, float top, float cell)
{
    const float letterWidth = 6.0f * cell; // five cells and one of space
    const float width = letterWidth * static_cast<float>(word.size()) - cell;
    const float left = cx - width / 2.0f;
    if (x < left || x >= left + width || y < top || y >= top + 7.0f * cell)
    {
        return false;
    }
    const int letter = static_cast<int>((x - left) / letterWidth);
    const float inLetter = x - left - static_cast<float>(letter) * letterWidth;
    const int column = static_cast<int>(inLetter / cell);
    const int row = static_cast<int>((y - top) / cell);
    if (column >= 5 || row >= 7)
    {
        return false;
    }
    const auto glyph = Glyphs().find(word[static_cast<std::size_t>(letter)]);
    if (glyph == Glyphs().end() || glyph->second[row * 5 + column] != '#')
    {
        return false;
    }
    const float cellLeft = left + static_cast<float>(letter) * letterWidth + static_cast<float>(column) * cell;
    const float cellTop = top + static_cast<float>(row) * cell;
    const float gap = cell * 0.04f;
    return InRoundedRect(x, y, cellLeft + gap, cellTop + gap, cellLeft + cell - gap, cellTop + cell - gap, cell * 0.12f);
}

struct Logo
{
    const char* file;
    std::function<Sample(float x, float y)> painter;
};

const Sample kBlack = {Rgb(0, 0, 0), 1.0f};

// A hare's head in profile made of two ears and a round head, in warm orange, over "HARWEN".
Sample Harwen(float x, float y)
{
    const CVector3 orange = Rgb(238, 132, 40);
    const bool head = std::hypot(x - 512.0f, y - 300.0f) < 78.0f;
    const bool eye = std::hypot(x - 540.0f, y - 286.0f) < 10.0f;
    const bool earA = OnStroke(x, y, {{486.0f, 250.0f}, {452.0f, 112.0f}}, 42.0f);
    const bool earB = OnStroke(x, y, {{530.0f, 246.0f}, {566.0f, 104.0f}}, 42.0f);
    if ((head || earA || earB) && !eye)
    {
        return {orange * (1.0f - 0.25f * std::clamp((y - 120.0f) / 300.0f, 0.0f, 1.0f)), 1.0f};
    }
    if (OnWord(x, y, "HARWEN", 512.0f, 460.0f, 14.0f))
    {
        return {Rgb(245, 240, 230), 1.0f};
    }
    return kBlack;
}

// Three rising blue waves in a ring, over "BRIMMEL".
Sample Brimmel(float x, float y)
{
    const float r = std::hypot(x - 512.0f, y - 280.0f);
    if (r > 118.0f && r < 130.0f)
    {
        return {Rgb(80, 150, 230), 1.0f};
    }
    if (r < 112.0f)
    {
        for (int wave = 0; wave < 3; ++wave)
        {
            const float base = 246.0f + static_cast<float>(wave) * 34.0f;
            const float crest = base + 12.0f * std::sin((x - 400.0f) / 26.0f + static_cast<float>(wave));
            if (std::abs(y - crest) < 8.0f)
            {
                return {Blend(Rgb(120, 200, 255), Rgb(40, 90, 200), static_cast<float>(wave) / 2.0f), 1.0f};
            }
        }
    }
    if (OnWord(x, y, "BRIMMEL", 512.0f, 460.0f, 14.0f))
    {
        return {Rgb(235, 242, 250), 1.0f};
    }
    return kBlack;
}

// A green hexagon holding a lighter leaf-like diamond, over "TOLVEY".
Sample Tolvey(float x, float y)
{
    std::vector<std::pair<float, float>> hexagon;
    for (int i = 0; i < 6; ++i)
    {
        const double angle = std::numbers::pi / 3.0 * i;
        hexagon.emplace_back(512.0f + 120.0f * static_cast<float>(std::cos(angle)),
                             280.0f + 120.0f * static_cast<float>(std::sin(angle)));
    }
    if (InPolygon(x, y, {{512.0f, 190.0f}, {572.0f, 280.0f}, {512.0f, 370.0f}, {452.0f, 280.0f}}))
    {
        return {std::abs(x - 512.0f) < 3.0f ? Rgb(40, 110, 50) : Rgb(170, 230, 120), 1.0f};
    }
    if (InPolygon(x, y, hexagon))
    {
        return {Rgb(46, 140, 64), 1.0f};
    }
    if (OnWord(x, y, "TOLVEY", 512.0f, 460.0f, 14.0f))
    {
        return {Rgb(236, 246, 232), 1.0f};
    }
    return kBlack;
}

// The publisher: a gold dome over a block, the game's player piece, with "OMBREL" and a smaller word.
Sample Ombrel(float x, float y, const std::string& word)
{
    const CVector3 gold = Rgb(236, 184, 56);
    const bool dome = y < 250.0f && std::hypot(x - 512.0f, y - 250.0f) < 96.0f;
    const bool block = InRoundedRect(x, y, 392.0f, 256.0f, 632.0f, 340.0f, 14.0f);
    if (dome)
    {
        return {gold * (1.05f - 0.3f * std::clamp((x - 420.0f) / 184.0f, 0.0f, 1.0f)), 1.0f};
    }
    if (block)
    {
        return {Rgb(150, 96, 20), 1.0f};
    }
    if (OnWord(x, y, "OMBREL", 512.0f, 420.0f, 16.0f))
    {
        return {gold, 1.0f};
    }
    if (OnWord(x, y, word, 512.0f, 560.0f, 7.0f))
    {
        return {Rgb(230, 226, 214), 1.0f};
    }
    return kBlack;
}

} // namespace

bool WriteLogoImages(const std::string& media)
{
    const Logo logos[] = {
        {"logo_harwen", Harwen},
        {"logo_brimmel", Brimmel},
        {"logo_tolvey", Tolvey},
        {"logo_ombrel_english", [](float x, float y) { return Ombrel(x, y, "GAMES"); }},
        {"logo_ombrel_german", [](float x, float y) { return Ombrel(x, y, "SPIELE"); }},
    };
    bool written = true;
    for (const Logo& logo : logos)
    {
        written = WritePngMediaFile(media, std::string("interface/") + logo.file + ".png",
                                    PaintSamples(kWidth, kHeight, logo.painter)) &&
                  written;
    }
    return written;
}

} // namespace MediaGen
