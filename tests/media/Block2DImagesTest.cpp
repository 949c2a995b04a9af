// The images of the 2D puzzle view as the bitmap factory finds them: every name the image table gives for
// every block type and link combination is a real image; each is square with an alpha channel, its middle
// one opaque colour far from the empty grid cell's, flat towards linked neighbours and rounded at free ends.
#include "puzzle/BlockImageNames.h"
#include "tests/media/WindowSystemFixture.h"
#include "ui/Bitmap.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace
{

using BaseLib::CColor;

// Every block type name of the puzzle files that has an image.
const char* const kTypeNames[] = {"normal",       "player",         "bridge",         "flex",
                                  "weakflex",     "magnet_pulling", "magnet_pushing", "obstacle",
                                  "linked",       "colored_yellow", "colored_red",    "colored_green",
                                  "colored_blue", "colored_orange", "colored_white",  "colored_black"};

// Blocks and empty cells must tell apart by the colour of their middle by more than this (RGB distance).
constexpr double kMinimumDistance = 60.0;

struct Links
{
    bool north, south, east, west;
};

double Distance(const CColor& a, const CColor& b)
{
    const double r = a.GetRed() - b.GetRed();
    const double g = a.GetGreen() - b.GetGreen();
    const double bl = a.GetBlue() - b.GetBlue();
    return std::sqrt(r * r + g * g + bl * bl);
}

class Block2DImagesTest : public MediaTesting::WindowSystemFixture
{
protected:
    static CColor At(const UILib::CBitmap& bitmap, int x, int y)
    {
        return bitmap.GetPixels()[static_cast<std::size_t>(y) * bitmap.GetWidth() + x];
    }

    // The one colour of the middle eighth of the image, or a failure naming the first pixel that differs.
    static ::testing::AssertionResult MiddleColour(const UILib::CBitmap& bitmap, CColor& colour)
    {
        const int size = bitmap.GetWidth();
        const int from = size / 2 - size / 16;
        const int to = size / 2 + size / 16;
        colour = At(bitmap, from, from);
        for (int y = from; y < to; ++y)
        {
            for (int x = from; x < to; ++x)
            {
                const CColor pixel = At(bitmap, x, y);
                if (pixel.GetAlpha() != 255 || pixel != colour)
                {
                    return ::testing::AssertionFailure() << "middle pixel " << x << ", " << y << " is "
                                                         << pixel.ToString() << ", not " << colour.ToString();
                }
            }
        }
        return ::testing::AssertionSuccess();
    }
};

// The links an image's name stands for: the full rule's suffix names the free end.
Links LinksOfName(const std::string& name)
{
    const std::string file = name.substr(name.find('/') + 1);
    auto has = [&](const char* suffix) {
        return file.find(std::string(suffix) + ".png") != std::string::npos ||
               file.find(std::string(suffix) + "_") != std::string::npos;
    };
    if (has("_ns"))
    {
        return {true, true, false, false};
    }
    if (has("_we"))
    {
        return {false, false, true, true};
    }
    return {has("_s"), has("_n"), has("_w"), has("_e")};
}

TEST_F(Block2DImagesTest, EveryNameOfTheTableIsARealImage)
{
    std::map<std::string, int> names;
    for (const char* type : kTypeNames)
    {
        for (int links = 0; links < 16; ++links)
        {
            const std::string name = Block2DImageName(type, (links & 1) != 0, (links & 2) != 0,
                                                      (links & 4) != 0, (links & 8) != 0);
            ASSERT_NE("Puzzle2D/", name) << type;
            ++names[name];
        }
    }
    // Seven shapes for each full-rule type, three for each axis-rule type, one for player and obstacle.
    EXPECT_EQ(88u, names.size());
    names["Puzzle2D/grid_cell.png"] = 1;
    for (const auto& [name, uses] : names)
    {
        const UILib::CBitmap bitmap{BaseLib::CString(name.c_str())};
        ASSERT_TRUE(bitmap.IsValid()) << name;
        EXPECT_FALSE(bitmap.IsPlaceholder()) << name;
    }
}

TEST_F(Block2DImagesTest, EachImageIsSquareWithAlphaAndAMiddleFarFromTheGridCell)
{
    const std::filesystem::path folder =
        std::filesystem::path(QUARROW_MEDIA_DIR) / "interface/standard/puzzle2d";
    const UILib::CBitmap grid("Puzzle2D/grid_cell.png");
    CColor gridColour;
    ASSERT_TRUE(MiddleColour(grid, gridColour));
    for (const auto& entry : std::filesystem::directory_iterator(folder))
    {
        const std::string file = entry.path().filename().string();
        SCOPED_TRACE(file);
        // PNG colour type 6: eight-bit RGBA.
        std::ifstream in(entry.path(), std::ios::binary);
        char header[26] = {};
        in.read(header, sizeof header);
        EXPECT_EQ(6, header[25]);
        const UILib::CBitmap bitmap{BaseLib::CString(("Puzzle2D/" + file).c_str())};
        ASSERT_FALSE(bitmap.IsPlaceholder());
        EXPECT_EQ(bitmap.GetWidth(), bitmap.GetHeight());
        EXPECT_GE(bitmap.GetWidth(), 64);
        if (file == "grid_cell.png")
        {
            continue;
        }
        CColor middle;
        EXPECT_TRUE(MiddleColour(bitmap, middle));
        EXPECT_GT(Distance(middle, gridColour), kMinimumDistance) << middle.ToString();
    }
}

// Flat sides reach the image's edge (the piece joins its neighbour); free sides stand back and their
// corners are rounded.
TEST_F(Block2DImagesTest, LinkedSidesAreFlatAndFreeEndsRounded)
{
    for (const char* type : kTypeNames)
    {
        for (int links = 0; links < 16; ++links)
        {
            const std::string name = Block2DImageName(type, (links & 1) != 0, (links & 2) != 0,
                                                      (links & 4) != 0, (links & 8) != 0);
            SCOPED_TRACE(name);
            const Links flat = LinksOfName(name);
            const UILib::CBitmap bitmap{BaseLib::CString(name.c_str())};
            ASSERT_FALSE(bitmap.IsPlaceholder());
            const int last = bitmap.GetWidth() - 1;
            const int middle = bitmap.GetWidth() / 2;
            EXPECT_EQ(flat.north ? 255 : 0, At(bitmap, middle, 0).GetAlpha()) << "north edge";
            EXPECT_EQ(flat.south ? 255 : 0, At(bitmap, middle, last).GetAlpha()) << "south edge";
            EXPECT_EQ(flat.west ? 255 : 0, At(bitmap, 0, middle).GetAlpha()) << "west edge";
            EXPECT_EQ(flat.east ? 255 : 0, At(bitmap, last, middle).GetAlpha()) << "east edge";
            // A corner between two free sides is cut round: a sixteenth in from both, the image is clear,
            // while a corner on a flat side is filled there (but for bridges, narrower than a cell).
            const bool bridge = name.find("bridge") != std::string::npos;
            const int in = bitmap.GetWidth() / 16;
            const struct
            {
                bool free;
                int x, y;
            } corners[] = {{!flat.north && !flat.west, in, in},
                           {!flat.north && !flat.east, last - in, in},
                           {!flat.south && !flat.west, in, last - in},
                           {!flat.south && !flat.east, last - in, last - in}};
            for (const auto& corner : corners)
            {
                if (corner.free || !bridge)
                {
                    EXPECT_EQ(corner.free ? 0 : 255, At(bitmap, corner.x, corner.y).GetAlpha())
                        << "corner " << corner.x << ", " << corner.y;
                }
            }
        }
    }
}

// A board of 8 × 6 cells of 75 pixels (the smallest cell the levels get) drawn as the 2D view draws it:
// one label per grid cell and per block, each image scaled to one cell. Where two pieces of a chain meet
// the face runs on without a seam; between blocks that are not linked the grid shows.
TEST_F(Block2DImagesTest, PiecesOfAChainJoinOnABoardAndSeparateBlocksDoNot)
{
    constexpr int kCell = 75;
    constexpr int kColumns = 8;
    constexpr int kRows = 6;
    struct Placed
    {
        const char* image;
        int x, y;
    };
    const std::vector<Placed> blocks = {
        {"normalblock_w", 0, 0},      {"normalblock_we", 1, 0},    {"normalblock_e", 2, 0},
        {"playerblock", 3, 0},        {"obstacleblock", 4, 0},     {"magnetblock_n", 5, 0},
        {"magnetblock_s", 5, 1},      {"bluemagnetblock", 6, 0},   {"bridgeblock_ns", 7, 0},
        {"bridgeblock_ns", 7, 1},     {"linkedblock_w", 0, 2},     {"linkedblock_e", 1, 2},
        {"flexblock_we", 2, 2},       {"weakflexblock", 3, 2},     {"normalblock_n_red", 4, 2},
        {"normalblock_ns_red", 4, 3}, {"normalblock_s_red", 4, 4}, {"normalblock_yellow", 0, 4},
        {"normalblock_green", 1, 4},  {"normalblock_blue", 2, 4},  {"normalblock_orange", 0, 5},
        {"normalblock_white", 1, 5},  {"normalblock_black", 2, 5}, {"normalblock", 6, 4},
    };
    auto place = [&](const std::string& image, int x, int y) {
        auto* label = static_cast<UILib::CLabel*>(UILib::CLabel::Create());
        label->SetText("");
        label->SetBackground(false);
        label->SetBitmap(
            UILib::CBitmap(BaseLib::CString(("Puzzle2D/" + image + ".png").c_str()), kCell, kCell));
        label->SetSize(kCell, kCell);
        label->SetPosition(x * kCell, y * kCell);
        root->AddChild(label->GetHandle());
    };
    for (int y = 0; y < kRows; ++y)
    {
        for (int x = 0; x < kColumns; ++x)
        {
            place("grid_cell", x, y);
        }
    }
    for (const Placed& block : blocks)
    {
        place(block.image, block.x, block.y);
    }
    UiTestSupport::CSoftwarePresenter presenter(MediaTesting::ScreenWidth, MediaTesting::ScreenHeight,
                                                MediaTesting::ScreenGrey);
    manager->Update();
    manager->PaintLayers();
    presenter.Clear();
    manager->CompositeLayers(-1);
    const std::filesystem::path output = QUARROW_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(output);
    EXPECT_TRUE(presenter.WritePng((output / "puzzle2d_board.png").string()));

    // The empty cell at (6, 5), at the same place within its cell as a given screen point.
    auto empty = [&](int x, int y) {
        return presenter.GetPixel(6 * kCell + x % kCell, 5 * kCell + y % kCell);
    };
    // The pixels on both sides of the line between two cells, halfway along it.
    struct Joint
    {
        int x, y;    // the cell on the west or north side
        bool across; // true: the east neighbour, false: the south neighbour
        bool joined;
    };
    const Joint joints[] = {
        {0, 0, true, true},  {1, 0, true, true},  {2, 0, true, false},  {5, 0, false, true},
        {7, 0, false, true}, {0, 2, true, true},  {4, 2, false, true},  {4, 3, false, true},
        {3, 0, true, false}, {0, 4, true, false}, {4, 0, false, false}, {1, 4, false, false},
    };
    for (const Joint& joint : joints)
    {
        SCOPED_TRACE(std::to_string(joint.x) + ", " + std::to_string(joint.y) +
                     (joint.across ? " east" : " south"));
        const int lineX = joint.across ? (joint.x + 1) * kCell : joint.x * kCell + kCell / 2;
        const int lineY = joint.across ? joint.y * kCell + kCell / 2 : (joint.y + 1) * kCell;
        for (const int side : {-1, 0})
        {
            const int x = lineX + (joint.across ? side : 0);
            const int y = lineY + (joint.across ? 0 : side);
            const CColor pixel = presenter.GetPixel(x, y);
            if (joint.joined)
            {
                EXPECT_GT(Distance(pixel, empty(kCell / 2, kCell / 2)), kMinimumDistance) << pixel.ToString();
            }
            else
            {
                EXPECT_EQ(empty(x, y), pixel) << "the grid shows between separate blocks";
            }
        }
    }
}

} // namespace
