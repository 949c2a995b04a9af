#include "mediagen/Block2DImages.h"

#include "mediagen/GameMedia.h"
#include "mediagen/Picture.h"

#include "puzzle/BlockImageNames.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace MediaGen
{

namespace
{

using BaseLib::CVector3;

constexpr int kSize = Block2DImageSize;
constexpr float kCentre = kSize / 2.0f;
constexpr float kMargin = 6.0f;       // a free side stands this far inside the image
constexpr float kCorner = 22.0f;      // radius of a corner between two free sides
constexpr float kEdge = 5.0f;         // the dark edge along a free side
constexpr float kBand = 5.0f;         // the light and shaded bands inside the edge
constexpr float kBridgeInset = 18.0f; // a bridge is narrower than a cell across its axis

enum class Decoration
{
    None,
    Player,
    Obstacle,
    PullingMagnet,
    PushingMagnet,
    Linked,
    Bridge,
    Flex,
    WeakFlex
};

struct Look
{
    const char* type;
    CVector3 body;
    Decoration decoration;
};

CVector3 Rgb(int r, int g, int b)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}

// Every type name with an image; the names and suffixes come from the puzzle's own table.
const std::vector<Look>& Looks()
{
    static const std::vector<Look> looks = {
        {"normal", Rgb(204, 150, 84), Decoration::None},
        {"player", Rgb(250, 196, 40), Decoration::Player},
        {"bridge", Rgb(170, 118, 66), Decoration::Bridge},
        {"flex", Rgb(150, 172, 60), Decoration::Flex},
        {"weakflex", Rgb(196, 210, 140), Decoration::WeakFlex},
        {"magnet_pulling", Rgb(206, 52, 46), Decoration::PullingMagnet},
        {"magnet_pushing", Rgb(52, 100, 216), Decoration::PushingMagnet},
        {"obstacle", Rgb(136, 128, 120), Decoration::Obstacle},
        {"linked", Rgb(72, 172, 96), Decoration::Linked},
        {"colored_yellow", Rgb(242, 210, 40), Decoration::None},
        {"colored_red", Rgb(214, 44, 40), Decoration::None},
        {"colored_green", Rgb(52, 164, 64), Decoration::None},
        {"colored_blue", Rgb(44, 96, 214), Decoration::None},
        {"colored_orange", Rgb(242, 132, 32), Decoration::None},
        {"colored_white", Rgb(236, 236, 228), Decoration::None},
        {"colored_black", Rgb(34, 34, 38), Decoration::None},
    };
    return looks;
}

// Which sides of the image are flat and reach its edge (towards a linked neighbour).
struct Sides
{
    bool north = false;
    bool south = false;
    bool east = false;
    bool west = false;
};

// A rectangle whose corners between two free sides are rounded.
struct Shape
{
    float left, top, right, bottom, radius;
    Sides flat;

    bool Contains(float x, float y) const
    {
        if (x < left || x >= right || y < top || y >= bottom)
        {
            return false;
        }
        const bool nearLeft = x < left + radius;
        const bool nearRight = x >= right - radius;
        const bool nearTop = y < top + radius;
        const bool nearBottom = y >= bottom - radius;
        auto outsideArc = [&](float cx, float cy) {
            return (x - cx) * (x - cx) + (y - cy) * (y - cy) > radius * radius;
        };
        if (nearLeft && nearTop && !flat.west && !flat.north)
        {
            return !outsideArc(left + radius, top + radius);
        }
        if (nearRight && nearTop && !flat.east && !flat.north)
        {
            return !outsideArc(right - radius, top + radius);
        }
        if (nearLeft && nearBottom && !flat.west && !flat.south)
        {
            return !outsideArc(left + radius, bottom - radius);
        }
        if (nearRight && nearBottom && !flat.east && !flat.south)
        {
            return !outsideArc(right - radius, bottom - radius);
        }
        return true;
    }

    // The same shape moved inwards by `by` on its free sides.
    Shape Inset(float by) const
    {
        return {flat.west ? left : left + by,   flat.north ? top : top + by,
                flat.east ? right : right - by, flat.south ? bottom : bottom - by,
                std::max(radius - by, 0.0f),    flat};
    }
};

// The outline of a block: the whole cell on flat sides, the margin on free ones. A bridge is narrower
// across its axis (north to south unless it is linked east or west).
Shape Outline(const Sides& flat, Decoration decoration)
{
    const bool horizontal = (flat.east || flat.west) && !(flat.north || flat.south);
    float westEast = kMargin;
    float northSouth = kMargin;
    if (decoration == Decoration::Bridge)
    {
        (horizontal ? northSouth : westEast) = kBridgeInset;
    }
    const float size = static_cast<float>(kSize);
    return {flat.west ? 0.0f : westEast,
            flat.north ? 0.0f : northSouth,
            flat.east ? size : size - westEast,
            flat.south ? size : size - northSouth,
            kCorner,
            flat};
}

bool InRing(float dx, float dy, float inner, float outer)
{
    const float squared = dx * dx + dy * dy;
    return squared >= inner * inner && squared <= outer * outer;
}

bool InDisc(float dx, float dy, float cx, float cy, float radius)
{
    return (dx - cx) * (dx - cx) + (dy - cy) * (dy - cy) <= radius * radius;
}

// The decoration's colour at a point inside the block's face (dx, dy from the centre), or none. Every
// decoration keeps clear of the middle, so the face shows its plain colour there. `along` is the
// chain's axis for bridges and springs: true when it runs north to south.
bool DecorationAt(Decoration decoration, const CVector3& body, bool along, float dx, float dy,
                  CVector3& colour)
{
    const CVector3 metal = Rgb(206, 210, 216);
    const CVector3 metalEdge = Rgb(110, 116, 124);
    switch (decoration)
    {
    case Decoration::None:
        return false;
    case Decoration::Player:
        if (InDisc(dx, dy, -22.0f, -22.0f, 5.0f))
        {
            colour = Rgb(255, 246, 210);
            return true;
        }
        if (InRing(dx, dy, 30.0f, 38.0f))
        {
            colour = body * 0.78f;
            return true;
        }
        return false;
    case Decoration::Obstacle:
        for (const float sx : {-1.0f, 1.0f})
        {
            for (const float sy : {-1.0f, 1.0f})
            {
                if (InDisc(dx, dy, sx * 36.0f - 1.5f, sy * 36.0f - 1.5f, 2.5f))
                {
                    colour = body * 1.35f;
                    return true;
                }
                if (InDisc(dx, dy, sx * 36.0f, sy * 36.0f, 6.5f))
                {
                    colour = body * 0.55f;
                    return true;
                }
            }
        }
        return false;
    case Decoration::PullingMagnet:
    case Decoration::PushingMagnet: {
        // A horseshoe, open to the north when pulling and to the south when pushing.
        const bool open = decoration == Decoration::PullingMagnet ? dy < 0.0f : dy > 0.0f;
        if (open && std::abs(dx) < 13.0f)
        {
            return false;
        }
        if (InRing(dx, dy, 26.0f, 38.0f))
        {
            colour = InRing(dx, dy, 27.5f, 36.5f) ? metal : metalEdge;
            return true;
        }
        return false;
    }
    case Decoration::Linked:
        if (InRing(dx, dy, 24.0f, 34.0f))
        {
            colour = InRing(dx, dy, 25.5f, 32.5f) ? metal : metalEdge;
            return true;
        }
        return false;
    case Decoration::Bridge: {
        // Planks across the axis, with gaps between them.
        const float position = along ? dy : dx;
        for (const float gap : {-50.0f, -25.0f, 25.0f, 50.0f})
        {
            if (std::abs(position - gap) < 1.6f)
            {
                colour = body * 0.5f;
                return true;
            }
        }
        return false;
    }
    case Decoration::Flex:
    case Decoration::WeakFlex: {
        // The coil's turns: slanted stripes across the axis on both sides of the middle.
        const float position = (along ? dy : dx) + 0.3f * (along ? dx : dy);
        const float half = decoration == Decoration::Flex ? 3.5f : 2.0f;
        for (const float turn : {-46.0f, -30.0f, 30.0f, 46.0f})
        {
            if (std::abs(position - turn) < half)
            {
                colour = body * 0.5f;
                return true;
            }
        }
        return false;
    }
    }
    return false;
}

Sample BlockSample(const Look& look, const Sides& flat, float x, float y)
{
    const Shape outer = Outline(flat, look.decoration);
    if (!outer.Contains(x, y))
    {
        return {};
    }
    const Shape face = outer.Inset(kEdge);
    if (!face.Contains(x, y))
    {
        return {look.body * 0.5f, 1.0f};
    }
    const bool along = flat.north || flat.south || !(flat.east || flat.west);
    CVector3 colour = look.body;
    if (DecorationAt(look.decoration, look.body, along, x - kCentre, y - kCentre, colour))
    {
        return {colour, 1.0f};
    }
    // Light from the top left: a light band inside free north and west sides, a shade inside free south
    // and east ones.
    const Shape inner = face.Inset(kBand);
    if (!inner.Contains(x, y))
    {
        const bool lit = (!flat.north && y < inner.top) || (!flat.west && x < inner.left);
        return {look.body * (lit ? 1.2f : 0.82f), 1.0f};
    }
    return {look.body, 1.0f};
}

// The empty cell: an opaque tile with a light top-left and a dark bottom-right rim, so neighbouring
// cells show their seams.
Sample GridSample(float x, float y)
{
    if (x < 3.0f || y < 3.0f)
    {
        return {Rgb(66, 118, 140), 1.0f};
    }
    if (x >= kSize - 3.0f || y >= kSize - 3.0f)
    {
        return {Rgb(28, 60, 76), 1.0f};
    }
    return {Rgb(GridCellColour[0], GridCellColour[1], GridCellColour[2]), 1.0f};
}

} // namespace

std::vector<Block2DImage> Block2DImages()
{
    // The link sets in the order that gives every file its own shape: the middle pieces before the ends,
    // so an axis-rule name ("_ns", "_we") is drawn flat on both ends.
    static const Sides kLinkSets[] = {
        {false, false, false, false}, {true, true, false, false},  {false, false, true, true},
        {true, false, false, false},  {false, true, false, false}, {false, false, true, false},
        {false, false, false, true},
    };
    std::vector<Block2DImage> images;
    std::set<std::string> seen;
    for (const Look& look : Looks())
    {
        for (const Sides& links : kLinkSets)
        {
            const std::string name =
                Block2DImageName(look.type, links.north, links.south, links.east, links.west);
            if (seen.insert(name).second)
            {
                images.push_back({name, look.type, links.north, links.south, links.east, links.west});
            }
        }
    }
    return images;
}

std::string Block2DImageFile(const std::string& imageName)
{
    std::string file = "interface/standard/" + imageName;
    std::transform(file.begin(), file.end(), file.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return file;
}

bool WriteBlock2DImages(const std::string& media)
{
    bool written =
        WritePngMediaFile(media, Block2DImageFile(GridCellImageName), PaintSamples(kSize, kSize, GridSample));
    for (const Block2DImage& image : Block2DImages())
    {
        const auto look = std::find_if(Looks().begin(), Looks().end(),
                                       [&](const Look& entry) { return image.type == entry.type; });
        const Sides flat = {image.north, image.south, image.east, image.west};
        written = WritePngMediaFile(
                      media, Block2DImageFile(image.name),
                      PaintSamples(kSize, kSize,
                                   [&](float x, float y) { return BlockSample(*look, flat, x, y); })) &&
                  written;
    }
    return written;
}

} // namespace MediaGen
