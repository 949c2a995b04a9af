// The world map's pictures as the game finds them: every tile and mood the four maps name (with the
// variants their cells need), the map pictures, barriers, markers, fog and the gold counter load through
// the bitmap factory with their sizes; the fog joins without seams; a contact sheet and each region's map
// drawn by the map renderer are written for a person to look at.
#include "tests/media/WindowSystemFixture.h"
#include "tests/ui/support/MemoryCanvas.h"

#include "foundation/PathAliases.h"
#include "game/LevelList.h"
#include "game/map/Map.h"
#include "game/map/MapRenderer2D.h"
#include "platform/gfx/Picture.h"
#include "platform/os/DebugOutput.h"
#include "ui/Bitmap.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapFont.h"
#include "ui/FontFactory.h"
#include "ui/controls/ScrollWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using BaseLib::CColor;

const char* const kSettings[] = {"", "jungle", "swamp", "cave", "temple"};

const BaseLib::CPathAliases& MapAliases()
{
    static const BaseLib::CPathAliases aliases = [] {
        BaseLib::CPathAliases table;
        table.RegisterPathAlias("level", (fs::path(QUARROW_MEDIA_DIR) / "levels").string());
        table.RegisterPathAlias("interface", (fs::path(QUARROW_MEDIA_DIR) / "interface").string());
        return table;
    }();
    return aliases;
}

std::unique_ptr<CMap> LoadMap(int index)
{
    auto map = std::make_unique<CMap>();
    map->SetPathAliases(&MapAliases());
    EXPECT_TRUE(map->LoadXml(index, MapAliases().ResolvePath(GetMapFileName(index)))) << index;
    return map;
}

// The tile files a map's cells ask for, found from the cells as the renderer names them.
std::set<std::string> TileFiles(const CMap& map)
{
    std::set<std::string> files;
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            const MapCell& cell = map.GetCell(x, y);
            if (cell.tile == "empty")
            {
                continue;
            }
            files.insert(cell.tile);
            if (cell.HasPuzzle())
            {
                files.insert(cell.tile + "_solved");
            }
            if (cell.GetTreasure() != 0 || cell.goldreq > 0)
            {
                files.insert(cell.tile + "_opened");
            }
        }
    }
    return files;
}

std::set<std::string> MoodNames(const CMap& map)
{
    std::set<std::string> names;
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            if (!map.GetCell(x, y).moodimg.empty())
            {
                names.insert(map.GetCell(x, y).moodimg);
            }
        }
    }
    return names;
}

// The shared marker strips: name as the renderer asks for it, frames, largest frame width, frame height.
struct Strip
{
    const char* file;
    int frames;
    int maxFrameWidth;
    int frameHeight;
};

const Strip kStrips[] = {
    {"map/character.png", 3, 64, 64}, {"map/particle.png", 3, 64, 64}, {"map/lockA.png", 6, 12, 16},
    {"map/lockB.png", 6, 12, 16},     {"map/lockC.png", 6, 12, 16},    {"map/keyA.png", 9, 12, 16},
    {"map/keyB.png", 9, 12, 16},      {"map/keyC.png", 9, 12, 16},     {"map/gold_coin.png", 4, 18, 16},
};

std::string FogFile(int mask)
{
    return CMapRenderer2D::FogImage(mask).GetBuffer();
}

// The window system as the game sets it up for the map: the bitmap folders "./", the theme's and the
// interface folder, so bare names such as "map/character.png" are found as the game finds them.
class MapArt : public MediaTesting::WindowSystemFixture
{
protected:
    void SetUp() override
    {
        WindowSystemFixture::SetUp();
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>").c_str());
    }

    UILib::CBitmap Load(const std::string& file)
    {
        UILib::CBitmap bitmap(file.c_str());
        return bitmap;
    }

    // Loads through the factory and fails the test when the placeholder comes back.
    UILib::CBitmap LoadReal(const std::string& file)
    {
        UILib::CBitmap bitmap = Load(file);
        EXPECT_FALSE(bitmap.IsPlaceholder()) << file << " is not found or does not load";
        return bitmap;
    }

    static int Alpha(const UILib::CBitmap& bitmap, int x, int y)
    {
        return bitmap.GetPixels()[static_cast<std::size_t>(y) * bitmap.GetWidth() + x].GetAlpha();
    }

    static bool HasClearPixel(const UILib::CBitmap& bitmap)
    {
        const CColor* pixels = bitmap.GetPixels();
        return std::any_of(pixels, pixels + bitmap.GetWidth() * bitmap.GetHeight(),
                           [](CColor c) { return c.GetAlpha() == 0; });
    }
};

TEST_F(MapArt, EveryRegionHasItsMapPictureBarriersTilesAndMoodsAtTheirSizes)
{
    for (int index = 1; index <= 4; ++index)
    {
        const std::string setting = kSettings[index];
        SCOPED_TRACE(setting);
        const auto map = LoadMap(index);
        const UILib::CBitmap picture = LoadReal("interface>map/" + setting + "/map_" + setting + ".png");
        EXPECT_EQ(picture.GetWidth(), map->GetSize().cx * 64);
        EXPECT_EQ(picture.GetHeight(), map->GetSize().cy * 64);
        EXPECT_LE(picture.GetWidth(), 2048);
        EXPECT_LE(picture.GetHeight(), 2048);
        for (const char* barrier : {"barrier.png", "barrierv.png"})
        {
            const UILib::CBitmap bitmap = LoadReal("interface>map/" + setting + "/" + barrier);
            EXPECT_EQ(bitmap.GetWidth(), 32) << barrier;
            EXPECT_EQ(bitmap.GetHeight(), 32) << barrier;
            EXPECT_TRUE(HasClearPixel(bitmap)) << barrier << " has no see-through part";
        }
        const std::set<std::string> tiles = TileFiles(*map);
        EXPECT_TRUE(tiles.count("puzzle_solved") == 1 && tiles.count("treasure_opened") == 1 &&
                    tiles.count("goldgate_opened") == 1);
        for (const std::string& tile : tiles)
        {
            const UILib::CBitmap bitmap = LoadReal("interface>map/" + setting + "/" + tile + ".png");
            EXPECT_EQ(bitmap.GetWidth(), 64) << tile;
            EXPECT_EQ(bitmap.GetHeight(), 64) << tile;
            // Laid over the map picture: the corners show the ground.
            EXPECT_EQ(Alpha(bitmap, 0, 0), 0) << tile;
            EXPECT_EQ(Alpha(bitmap, 63, 63), 0) << tile;
        }
        const std::set<std::string> moods = MoodNames(*map);
        EXPECT_GE(moods.size(), 3u);
        for (const std::string& mood : moods)
        {
            // As the map screen asks for it: a bare name through the bitmap folders.
            const UILib::CBitmap bitmap = LoadReal("sequences/" + setting + "/" + mood + ".jpg");
            EXPECT_EQ(bitmap.GetWidth(), 256) << mood;
            EXPECT_EQ(bitmap.GetHeight(), 192) << mood;
        }
    }
}

TEST_F(MapArt, MarkerStripsHoldTheirFramesSideBySide)
{
    for (const Strip& strip : kStrips)
    {
        SCOPED_TRACE(strip.file);
        const UILib::CBitmap bitmap = LoadReal(strip.file);
        ASSERT_GT(bitmap.GetWidth(), 0);
        EXPECT_EQ(bitmap.GetWidth() % strip.frames, 0);
        EXPECT_LE(bitmap.GetWidth() / strip.frames, strip.maxFrameWidth);
        EXPECT_EQ(bitmap.GetHeight(), strip.frameHeight);
        EXPECT_TRUE(HasClearPixel(bitmap));
    }
    // Three lock markers side by side from x = 24 stay inside the tile.
    const int lockWidth = LoadReal("map/lockA.png").GetWidth() / 6;
    EXPECT_LE(24 + 3 * lockWidth + 2, 64);
}

TEST_F(MapArt, FogPicturesFogTheirCornersAndJoinTheirNeighboursWithoutASeam)
{
    std::vector<UILib::CBitmap> fog;
    for (int mask = 0; mask < 16; ++mask)
    {
        fog.push_back(LoadReal(FogFile(mask)));
        ASSERT_EQ(fog.back().GetWidth(), 64) << mask;
        ASSERT_EQ(fog.back().GetHeight(), 64) << mask;
    }
    // Corner pixels: north-west (0, 0), north-east (63, 0), south-west (0, 63), south-east (63, 63),
    // for the mask bits 8, 4, 2 and 1.
    const int corners[4][3] = {{0, 0, 8}, {63, 0, 4}, {0, 63, 2}, {63, 63, 1}};
    for (int mask = 0; mask < 16; ++mask)
    {
        for (const auto& [x, y, bit] : corners)
        {
            if ((mask & bit) != 0)
            {
                EXPECT_GT(Alpha(fog[mask], x, y), 160) << "mask " << mask << " corner " << bit;
            }
            else
            {
                EXPECT_LT(Alpha(fog[mask], x, y), 8) << "mask " << mask << " corner " << bit;
            }
        }
    }
    // Every pair of horizontal neighbours that agree on their shared corners (the left one's north-east
    // and south-east, the right one's north-west and south-west), and every such vertical pair.
    int largestStep = 0;
    int largestInside = 0;
    for (int a = 0; a < 16; ++a)
    {
        for (int b = 0; b < 16; ++b)
        {
            if (((a >> 2) & 1) == ((b >> 3) & 1) && (a & 1) == ((b >> 1) & 1))
            {
                for (int y = 0; y < 64; ++y)
                {
                    largestStep = std::max(largestStep, std::abs(Alpha(fog[a], 63, y) - Alpha(fog[b], 0, y)));
                }
            }
            if (((a >> 1) & 1) == ((b >> 3) & 1) && (a & 1) == ((b >> 2) & 1))
            {
                for (int x = 0; x < 64; ++x)
                {
                    largestStep = std::max(largestStep, std::abs(Alpha(fog[a], x, 63) - Alpha(fog[b], x, 0)));
                }
            }
        }
        for (int y = 0; y < 64; ++y)
        {
            for (int x = 1; x < 64; ++x)
            {
                largestInside = std::max(largestInside, std::abs(Alpha(fog[a], x, y) - Alpha(fog[a], x - 1, y)));
            }
        }
    }
    // A step across a seam is no larger than a step inside a picture.
    EXPECT_LE(largestStep, largestInside);
    EXPECT_LT(largestStep, 24);
}

TEST_F(MapArt, TheGoldCounterStripCutsIntoTenDigits)
{
    UILib::CFontFactory* fonts = system->GetFontFactory();
    ASSERT_NE(fonts, nullptr);
    const BaseLib::CResourcePtr<UILib::CFont> font =
        UILib::LoadFontDescription(fonts, "<font type=\"bitmapfont\" file=\"interface&gt;map\\gold_counter.png\" "
                                          "characters=\"1234567890\" spacewidth=\"0\" baseline=\"0\" "
                                          "kerningbias=\"1\"/>");
    auto* bitmapFont = dynamic_cast<UILib::CBitmapFont*>(font.Get());
    ASSERT_NE(bitmapFont, nullptr);
    // Ten digits, and the space every bitmap font keeps (empty here: space width 0).
    EXPECT_EQ(bitmapFont->GetGlyphCount(), 10u + 1u);
    for (const char16_t digit : u"1234567890")
    {
        if (digit == 0)
        {
            break;
        }
        const UILib::CBitmap* glyph = bitmapFont->FindGlyph(digit);
        ASSERT_NE(glyph, nullptr);
        EXPECT_GE(glyph->GetWidth(), 3);
        EXPECT_LE(glyph->GetWidth(), 12);
    }
}

// Every tile of every region with its variants, the marker strips, the sixteen fog pictures and the
// mood pictures, laid out on a chequered ground so the see-through parts show.
TEST_F(MapArt, ContactSheetIsWrittenForAPersonToLookAt)
{
    struct Placed
    {
        UILib::CBitmap bitmap;
        int x;
        int y;
    };
    std::vector<Placed> placed;
    int y = 8;
    int width = 0;
    const auto row = [&](const std::vector<std::string>& files, int gap) {
        int x = 8;
        int height = 0;
        for (const std::string& file : files)
        {
            placed.push_back({LoadReal(file), x, y});
            x += placed.back().bitmap.GetWidth() + gap;
            height = std::max(height, placed.back().bitmap.GetHeight());
        }
        width = std::max(width, x);
        y += height + 12;
    };
    for (int index = 1; index <= 4; ++index)
    {
        const std::string setting = kSettings[index];
        std::vector<std::string> files = {"interface>map/" + setting + "/barrier.png",
                                          "interface>map/" + setting + "/barrierv.png"};
        for (const std::string& tile : TileFiles(*LoadMap(index)))
        {
            files.push_back("interface>map/" + setting + "/" + tile + ".png");
        }
        row(files, 6);
    }
    std::vector<std::string> strips;
    for (const Strip& strip : kStrips)
    {
        strips.push_back(strip.file);
    }
    strips.push_back("interface>map/gold_counter.png");
    row(strips, 16);
    std::vector<std::string> fog;
    for (int mask = 0; mask < 16; ++mask)
    {
        fog.push_back(FogFile(mask));
    }
    row(fog, 4);
    for (int index = 1; index <= 4; ++index)
    {
        std::vector<std::string> moods;
        for (const std::string& mood : MoodNames(*LoadMap(index)))
        {
            moods.push_back(std::string("sequences/") + kSettings[index] + "/" + mood + ".jpg");
        }
        row(moods, 8);
    }
    const int height = y;
    std::vector<std::uint32_t> sheet(static_cast<std::size_t>(width) * height);
    for (int j = 0; j < height; ++j)
    {
        for (int i = 0; i < width; ++i)
        {
            sheet[static_cast<std::size_t>(j) * width + i] = ((i / 8 + j / 8) % 2 == 0) ? 0xFF9A9A9Au : 0xFF6E6E6Eu;
        }
    }
    for (const Placed& item : placed)
    {
        for (int j = 0; j < item.bitmap.GetHeight(); ++j)
        {
            for (int i = 0; i < item.bitmap.GetWidth(); ++i)
            {
                const CColor c = item.bitmap.GetPixels()[static_cast<std::size_t>(j) * item.bitmap.GetWidth() + i];
                std::uint32_t& out = sheet[static_cast<std::size_t>(item.y + j) * width + item.x + i];
                const int a = c.GetAlpha();
                const auto mix = [&](int top, int shift) {
                    return static_cast<std::uint32_t>((top * a + static_cast<int>((out >> shift) & 0xFF) * (255 - a)) / 255)
                           << shift;
                };
                out = 0xFF000000u | mix(c.GetRed(), 16) | mix(c.GetGreen(), 8) | mix(c.GetBlue(), 0);
            }
        }
    }
    // Something of each picture shows over the ground: no picture is blank.
    for (const Placed& item : placed)
    {
        const CColor* pixels = item.bitmap.GetPixels();
        const bool visible = std::any_of(pixels, pixels + item.bitmap.GetWidth() * item.bitmap.GetHeight(),
                                         [](CColor c) { return c.GetAlpha() > 128; });
        // Only the fog of no fogged corner is clear all over.
        const std::string name = item.bitmap.GetFileName().GetBuffer();
        EXPECT_TRUE(visible || name.find("fog0000") != std::string::npos) << name;
    }
    const fs::path output = fs::path(QUARROW_TEST_OUTPUT_DIR) / "map_contact_sheet.png";
    fs::create_directories(output.parent_path());
    EXPECT_TRUE(Platform::Gfx::WritePng(output.string(), static_cast<std::uint32_t>(width),
                                        static_cast<std::uint32_t>(height), sheet, false));
}

// Each region's map through the game's renderer, every cell revealed and the fog lifted from the western
// half: the tiles stand on the picture, the fogged half is veiled, and the picture is written.
TEST_F(MapArt, EachRegionDrawnByTheRendererIsWrittenForAPersonToLookAt)
{
    for (int index = 1; index <= 4; ++index)
    {
        const std::string setting = kSettings[index];
        SCOPED_TRACE(setting);
        const auto map = LoadMap(index);
        const int w = map->GetSize().cx * 64;
        const int h = map->GetSize().cy * 64;
        for (int y = 0; y < map->GetSize().cy; ++y)
        {
            for (int x = 0; x < map->GetSize().cx; ++x)
            {
                map->GetCell(x, y).state |= MapCell::StateRevealed;
            }
        }
        for (int y = 0; y < map->GetSize().cy; ++y)
        {
            for (int x = 0; x < map->GetSize().cx / 2; ++x)
            {
                map->RemoveFog(x, y);
            }
        }

        UiTestSupport::CSoftwarePresenter presenter(w, h, CColor(0, 0, 0, 255));
        root->SetSize(w, h);
        auto* scroll = new UILib::CScrollWindow();
        scroll->SetSize(w, h);
        root->AddChild(scroll->GetHandle());
        class Owner : public CMapRendererOwner
        {
        public:
            void OnPointerCell(int, int) override {}
            void OnPointerPosition(int, int, float, float) override {}
        } owner;
        {
            CMapRenderer2D renderer(&owner, map.get());
            renderer.LoadResources(scroll);
            renderer.Update(0.02);
            manager->Update();
            manager->PaintLayers();
            presenter.Clear();
            manager->CompositeLayers(-1);

            const UILib::CBitmap picture = LoadReal("interface>map/" + setting + "/map_" + setting + ".png");
            const auto near = [](CColor a, CColor b, int tolerance) {
                return std::abs(a.GetRed() - b.GetRed()) <= tolerance &&
                       std::abs(a.GetGreen() - b.GetGreen()) <= tolerance &&
                       std::abs(a.GetBlue() - b.GetBlue()) <= tolerance;
            };
            const auto pictureAt = [&](int x, int y) { return picture.GetPixels()[static_cast<std::size_t>(y) * w + x]; };
            // A corner of a cleared border cell shows the map picture itself.
            EXPECT_TRUE(near(presenter.GetPixel(2, h - 3), pictureAt(2, h - 3), 3));
            // In the fogged east, the border corner is veiled: lighter than the picture.
            const CColor veiled = presenter.GetPixel(w - 3, h - 3);
            const CColor bare = pictureAt(w - 3, h - 3);
            EXPECT_GT(veiled.GetRed() + veiled.GetGreen() + veiled.GetBlue(), bare.GetRed() + bare.GetGreen() + bare.GetBlue() + 150);
            // Some cell of the cleared west shows a tile over the picture at its middle.
            int tilesShown = 0;
            for (int y = 1; y < map->GetSize().cy - 1; ++y)
            {
                for (int x = 1; x < map->GetSize().cx / 2; ++x)
                {
                    if (map->GetCell(x, y).tile != "empty" && map->GetCell(x, y).tile != "path" &&
                        !near(presenter.GetPixel(x * 64 + 32, y * 64 + 36), pictureAt(x * 64 + 32, y * 64 + 36), 3))
                    {
                        ++tilesShown;
                    }
                }
            }
            EXPECT_GT(tilesShown, 5);
            const fs::path output = fs::path(QUARROW_TEST_OUTPUT_DIR) / ("map_" + setting + ".png");
            fs::create_directories(output.parent_path());
            EXPECT_TRUE(presenter.WritePng(output.string()));
            renderer.Release();
        }
        scroll->Delete();
    }
}

} // namespace
