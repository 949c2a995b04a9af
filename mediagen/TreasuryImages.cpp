#include "mediagen/GameMedia.h"
#include "mediagen/Picture.h"
#include "mediagen/ShapeSampler.h"

#include "foundation/Random.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace MediaGen
{

namespace
{

using BaseLib::CVector2;
using BaseLib::CVector3;

const CVector3 kInk = Rgb(20, 14, 8);
const CVector3 kGold = Rgb(250, 200, 70);

constexpr int kHoardWidth = 440;
constexpr int kHoardHeight = 330;
constexpr int kHoardSteps = 10; // pictures 0 (an empty chest) to 10 (an overflowing hoard)

float Uniform()
{
    return static_cast<float>(BaseLib::Random()) / static_cast<float>(BaseLib::RandomMax);
}

// A wall of stone blocks in rows of `rowHeight`, every other row shifted by half a block, each block a
// shade of its own; the mortar between them darker.
CVector3 StoneWall(float x, float y, float rowHeight, float blockWidth, const CVector3& stone)
{
    const int row = static_cast<int>(std::floor(y / rowHeight));
    const float shifted = x + (row % 2 == 0 ? 0.0f : blockWidth / 2.0f);
    const int column = static_cast<int>(std::floor(shifted / blockWidth));
    const float inRow = y - static_cast<float>(row) * rowHeight;
    const float inBlock = shifted - static_cast<float>(column) * blockWidth;
    if (inRow < 2.0f || inBlock < 2.0f)
    {
        return stone * 0.45f;
    }
    // A fixed shade per block from its row and column.
    const unsigned hash = static_cast<unsigned>(row * 73856093) ^ static_cast<unsigned>(column * 19349663);
    const float shade = 0.86f + 0.14f * static_cast<float>(hash % 97u) / 96.0f;
    // The top edge of each block catches the light.
    return stone * (shade * (inRow < 5.0f ? 1.12f : 1.0f));
}

// ---- The hoard

struct Heap
{
    float cx, base, halfWidth;
    int firstStep;    // the picture the heap first appears in
    float growth;     // height gained per step after the first
    float maxHeight;
    float Height(int step) const
    {
        return step < firstStep ? 0.0f : std::min(maxHeight, 6.0f + growth * static_cast<float>(step - firstStep));
    }
    // The heap's top at x in the picture of that step.
    float Top(float x, int step) const
    {
        const float t = (x - cx) / halfWidth;
        return base - Height(step) * std::max(0.0f, 1.0f - t * t);
    }
};

// The heap in the chest, then those on the floor beside and in front of it.
const std::vector<Heap>& Heaps()
{
    static const std::vector<Heap> heaps = {
        {220.0f, 186.0f, 66.0f, 1, 8.0f, 52.0f},   {118.0f, 292.0f, 88.0f, 4, 10.0f, 64.0f},
        {326.0f, 292.0f, 88.0f, 5, 11.0f, 62.0f},  {220.0f, 322.0f, 150.0f, 8, 16.0f, 48.0f},
        {60.0f, 318.0f, 70.0f, 9, 14.0f, 30.0f},   {384.0f, 318.0f, 70.0f, 9, 14.0f, 30.0f},
    };
    return heaps;
}

enum class Kind
{
    Coin,
    Gem,
    Goblet,
    Crown,
    Sparkle
};

struct Piece
{
    Kind kind;
    int step; // the first picture that shows it
    int heap; // which heap it lies on, -1 for none
    float x, y;
    float size;
    CVector3 colour;
};

// Every piece of every picture, drawn by step and then from the back to the front. Picture n shows the
// pieces of the steps up to n, so each picture holds all of the one before and more.
std::vector<Piece> HoardPieces()
{
    BaseLib::SeedRandom(20261211u);
    std::vector<Piece> pieces;
    const std::vector<Heap>& heaps = Heaps();
    const CVector3 gems[] = {Rgb(220, 40, 60), Rgb(40, 190, 90), Rgb(60, 110, 240), Rgb(170, 70, 220)};
    for (int step = 1; step <= kHoardSteps; ++step)
    {
        std::vector<Piece> layer;
        for (std::size_t h = 0; h < heaps.size(); ++h)
        {
            const Heap& heap = heaps[h];
            if (step < heap.firstStep || (step > heap.firstStep && heap.Height(step) == heap.Height(step - 1)))
            {
                continue;
            }
            const int coins = static_cast<int>(heap.halfWidth * 0.5f) + 10;
            for (int i = 0; i < coins; ++i)
            {
                const float x = heap.cx + heap.halfWidth * (Uniform() * 2.0f - 1.0f) * 0.95f;
                const float top = heap.Top(x, step);
                const float y = top + (heap.base - top) * Uniform() * 0.4f + 2.0f;
                const float warmth = 0.9f + 0.2f * Uniform();
                layer.push_back({Kind::Coin, step, static_cast<int>(h), x, y, 8.0f + 2.0f * Uniform(), kGold * warmth});
            }
            if (step >= 3)
            {
                const int count = 1 + step / 3;
                for (int i = 0; i < count; ++i)
                {
                    const float x = heap.cx + heap.halfWidth * (Uniform() * 1.6f - 0.8f);
                    const CVector3 colour = gems[BaseLib::Random() % 4];
                    layer.push_back({Kind::Gem, step, static_cast<int>(h), x, heap.Top(x, step) + 3.0f,
                                     6.0f + 3.0f * Uniform(), colour});
                }
            }
        }
        if (step == 6)
        {
            layer.push_back({Kind::Goblet, step, 2, 350.0f, Heaps()[2].Top(350.0f, 6) + 4.0f, 1.0f, kGold});
        }
        if (step == 9)
        {
            layer.push_back({Kind::Crown, step, 0, 220.0f, Heaps()[0].Top(220.0f, 9) + 6.0f, 1.0f, kGold});
        }
        std::stable_sort(layer.begin(), layer.end(), [](const Piece& a, const Piece& b) { return a.y < b.y; });
        pieces.insert(pieces.end(), layer.begin(), layer.end());
    }
    for (int i = 0; i < 9; ++i)
    {
        pieces.push_back({Kind::Sparkle, kHoardSteps, -1, 40.0f + Uniform() * 360.0f, 120.0f + Uniform() * 170.0f,
                          5.0f + 5.0f * Uniform(), Rgb(255, 250, 220)});
    }
    return pieces;
}

void PaintPiece(Picture& picture, const Piece& piece)
{
    const float x0 = piece.x;
    const float y0 = piece.y;
    switch (piece.kind)
    {
    case Kind::Coin: {
        const float rx = piece.size;
        const float ry = piece.size * 0.5f;
        PaintOver(picture, static_cast<int>(x0 - rx - 3), static_cast<int>(y0 - ry - 3), static_cast<int>(x0 + rx + 3),
                  static_cast<int>(y0 + ry + 5), [&](float x, float y) {
                      const float face = EllipseDistance(x, y, x0, y0, rx, ry);
                      const float side = std::min(EllipseDistance(x, y, x0, y0 + 2.0f, rx, ry),
                                                  std::max(std::abs(x - x0) - rx, std::abs(y - y0 - 1.0f) - 1.0f));
                      if (face < 0.0f)
                      {
                          const bool shine = EllipseDistance(x, y, x0 - rx * 0.3f, y0 - ry * 0.3f, rx * 0.35f, ry * 0.3f) < 0.0f;
                          return Sample{shine ? Rgb(255, 245, 200) : (face > -1.3f ? piece.colour * 0.8f : piece.colour * 1.08f), 1.0f};
                      }
                      return Outlined(std::min(face, side), piece.colour * 0.62f, kInk, 1.0f);
                  });
        break;
    }
    case Kind::Gem: {
        const float s = piece.size;
        const std::vector<CVector2> gem = {{x0, y0 - s}, {x0 + s, y0 - s * 0.25f}, {x0, y0 + s * 0.8f}, {x0 - s, y0 - s * 0.25f}};
        PaintOver(picture, static_cast<int>(x0 - s - 3), static_cast<int>(y0 - s - 3), static_cast<int>(x0 + s + 3),
                  static_cast<int>(y0 + s + 3), [&](float x, float y) {
                      const float d = PolygonDistance(x, y, gem);
                      if (d < 0.0f)
                      {
                          // Facets: the upper band light, the left half lighter than the right.
                          const float light = (y < y0 - s * 0.25f ? 1.35f : 1.0f) * (x < x0 ? 1.1f : 0.8f);
                          return Sample{piece.colour * light, 1.0f};
                      }
                      return Outlined(d, piece.colour, kInk, 1.1f);
                  });
        break;
    }
    case Kind::Goblet: {
        PaintOver(picture, static_cast<int>(x0 - 22), static_cast<int>(y0 - 52), static_cast<int>(x0 + 22),
                  static_cast<int>(y0 + 4), [&](float x, float y) {
                      const float bowl = std::max(EllipseDistance(x, y, x0, y0 - 40.0f, 17.0f, 16.0f), y0 - 40.0f - y);
                      const float rim = EllipseDistance(x, y, x0, y0 - 40.0f, 17.0f, 4.0f);
                      const float stem = CapsuleDistance(x, y, x0, y0 - 26.0f, x0, y0 - 6.0f, 2.5f);
                      const float foot = EllipseDistance(x, y, x0, y0 - 3.0f, 12.0f, 3.5f);
                      if (rim < 0.0f)
                      {
                          return Sample{Rgb(120, 80, 20), 1.0f};
                      }
                      const float shape = std::min({bowl, rim, stem, foot});
                      return Outlined(shape, x < x0 - 4.0f ? kGold * 1.15f : kGold * 0.85f, kInk, 1.3f);
                  });
        break;
    }
    case Kind::Crown: {
        PaintOver(picture, static_cast<int>(x0 - 34), static_cast<int>(y0 - 46), static_cast<int>(x0 + 34),
                  static_cast<int>(y0 + 4), [&](float x, float y) {
                      const float band = RoundedBoxDistance(x, y, x0 - 28.0f, y0 - 16.0f, x0 + 28.0f, y0, 2.0f);
                      float points = 1e9f;
                      for (int i = 0; i < 5; ++i)
                      {
                          const float px = x0 - 28.0f + static_cast<float>(i) * 14.0f;
                          const std::vector<CVector2> spike = {{px - 7.0f, y0 - 14.0f}, {px + 7.0f, y0 - 14.0f}, {px, y0 - 38.0f}};
                          points = std::min({points, PolygonDistance(x, y, spike), CircleDistance(x, y, px, y0 - 39.0f, 3.0f)});
                      }
                      for (const float gx : {x0 - 14.0f, x0, x0 + 14.0f})
                      {
                          if (CircleDistance(x, y, gx, y0 - 8.0f, 3.5f) < 0.0f)
                          {
                              return Sample{gx == x0 ? Rgb(220, 40, 60) : Rgb(60, 110, 240), 1.0f};
                          }
                      }
                      return Outlined(std::min(band, points), y < y0 - 16.0f ? kGold * 1.12f : kGold * 0.9f, kInk, 1.4f);
                  });
        break;
    }
    case Kind::Sparkle: {
        const float s = piece.size;
        PaintOver(picture, static_cast<int>(x0 - s - 1), static_cast<int>(y0 - s - 1), static_cast<int>(x0 + s + 2),
                  static_cast<int>(y0 + s + 2), [&](float x, float y) {
                      const float dx = std::abs(x - x0);
                      const float dy = std::abs(y - y0);
                      // A four-pointed glint: thin arms that taper to the ends.
                      const float arm = std::min(dx / s + dy * 4.0f / s, dy / s + dx * 4.0f / s);
                      return arm < 1.0f ? Sample{piece.colour, 1.0f - arm * arm} : Sample{};
                  });
        break;
    }
    }
}

// The vault behind the hoard: a wall of stone lit by a glow from the middle, a floor of flagstones.
Picture VaultPicture()
{
    return PaintSamples(kHoardWidth, kHoardHeight, [](float x, float y) {
        const float glow = std::max(0.0f, 1.0f - std::hypot(x - 220.0f, (y - 170.0f) * 1.4f) / 260.0f);
        CVector3 colour;
        if (y < 200.0f)
        {
            colour = StoneWall(x, y, 26.0f, 58.0f, Rgb(92, 80, 70));
        }
        else
        {
            // Flagstones in perspective: joints closer together towards the back.
            const float depth = (y - 200.0f) / 130.0f;
            const float across = (x - 220.0f) / (0.6f + depth) / 70.0f;
            const bool joint = std::abs(across - std::round(across)) < 0.03f ||
                               std::abs(std::sin(std::sqrt(depth) * 14.0f)) < 0.06f;
            colour = Rgb(86, 74, 62) * (joint ? 0.55f : 0.8f + 0.3f * depth);
        }
        return Sample{colour * (0.45f + 0.85f * glow), 1.0f};
    });
}

// The open chest: the lid tipped back, the dark inside, and the front with its bands and lock, each painted
// at its place in the order of the hoard.
void PaintChestBack(Picture& picture)
{
    const std::vector<CVector2> lid = {{150.0f, 186.0f}, {290.0f, 186.0f}, {280.0f, 122.0f}, {160.0f, 122.0f}};
    const std::vector<CVector2> opening = {{156.0f, 176.0f}, {284.0f, 176.0f}, {290.0f, 192.0f}, {150.0f, 192.0f}};
    PaintOver(picture, 140, 110, 300, 200, [&](float x, float y) {
        const float inside = PolygonDistance(x, y, opening);
        if (inside < 0.0f)
        {
            return Sample{Rgb(36, 22, 14), 1.0f};
        }
        const float lidDistance = PolygonDistance(x, y, lid);
        if (lidDistance < 0.0f)
        {
            const bool band = std::abs(x - 172.0f - (y - 122.0f) * 0.15f) < 4.0f || std::abs(x - 268.0f + (y - 122.0f) * 0.15f) < 4.0f;
            const bool plank = std::fmod(y - 122.0f, 16.0f) < 1.2f;
            return Sample{band ? kGold * 0.8f : Rgb(96, 58, 30) * (plank ? 0.7f : 0.85f), 1.0f};
        }
        return Outlined(std::min(inside, lidDistance), Rgb(90, 56, 30), kInk, 1.5f);
    });
}

void PaintChestFront(Picture& picture)
{
    PaintOver(picture, 140, 180, 300, 275, [](float x, float y) {
        const float front = RoundedBoxDistance(x, y, 150.0f, 188.0f, 290.0f, 266.0f, 3.0f);
        if (front >= 0.0f)
        {
            return Outlined(front, {}, kInk, 1.6f);
        }
        const float lock = RoundedBoxDistance(x, y, 208.0f, 194.0f, 232.0f, 222.0f, 3.0f);
        if (lock < 0.0f)
        {
            const bool keyhole = CircleDistance(x, y, 220.0f, 204.0f, 3.0f) < 0.0f ||
                                 RoundedBoxDistance(x, y, 218.5f, 204.0f, 221.5f, 214.0f, 0.5f) < 0.0f;
            return Sample{keyhole ? kInk : kGold * 1.05f, 1.0f};
        }
        if (lock < 1.3f)
        {
            return Sample{kInk, 1.0f};
        }
        const bool band = std::abs(x - 172.0f) < 5.0f || std::abs(x - 268.0f) < 5.0f || y < 195.0f;
        const bool plank = std::fmod(y - 188.0f, 19.5f) < 1.2f;
        const CVector3 wood = Rgb(122, 74, 38) * (1.15f - 0.35f * (y - 188.0f) / 78.0f);
        return Sample{band ? kGold * (y < 195.0f ? 0.95f : 0.85f) : wood * (plank ? 0.72f : 1.0f), 1.0f};
    });
}

// The hoard of one step: the vault, the chest, and every piece of the steps up to this one.
Picture HoardPicture(int step, const std::vector<Piece>& pieces)
{
    Picture picture = VaultPicture();
    PaintChestBack(picture);
    // The chest's own heap lies behind its front; the rest in front of it.
    for (const Piece& piece : pieces)
    {
        if (piece.step <= step && piece.heap == 0)
        {
            PaintPiece(picture, piece);
        }
    }
    PaintChestFront(picture);
    for (const Piece& piece : pieces)
    {
        if (piece.step <= step && piece.heap != 0)
        {
            PaintPiece(picture, piece);
        }
    }
    return picture;
}

// ---- The page

// The treasury's wall: stone blocks in a warm light, a dark plate behind the table of gold and one behind
// the hoard, each with a gold rim, a red banner under the title, a gold rule above the total.
Picture TreasuryBackground()
{
    return PaintSamples(1024, 768, [](float x, float y) {
        const float light = std::max(0.0f, 1.0f - std::hypot(x - 512.0f, (y - 300.0f) * 1.3f) / 760.0f);
        CVector3 colour = StoneWall(x, y, 48.0f, 112.0f, Rgb(84, 70, 58)) * (0.4f + 0.8f * light);
        auto plate = [&](float left, float top, float right, float bottom) {
            const float d = RoundedBoxDistance(x, y, left, top, right, bottom, 14.0f);
            if (d < 0.0f && d > -3.0f)
            {
                colour = kGold * (1.1f - 0.3f * (y - top) / (bottom - top));
            }
            else if (d <= -3.0f && d > -4.5f)
            {
                colour = kInk;
            }
            else if (d <= -4.5f)
            {
                colour = Mix(colour, Rgb(16, 20, 28), 0.82f);
            }
        };
        plate(60.0f, 156.0f, 556.0f, 632.0f);
        plate(550.0f, 176.0f, 1018.0f, 534.0f);
        const float banner = RoundedBoxDistance(x, y, 292.0f, 42.0f, 732.0f, 102.0f, 10.0f);
        if (banner < 0.0f)
        {
            colour = banner > -3.0f ? kGold : Rgb(120, 26, 30) * (1.15f - 0.4f * (y - 42.0f) / 60.0f);
        }
        if (std::abs(y - 558.0f) < 1.0f && x > 84.0f && x < 540.0f)
        {
            colour = kGold * 0.85f;
        }
        return Sample{colour, 1.0f};
    });
}

// The placeholder of a row not yet open: a dim bar with a padlock and a row of dots where the name goes.
Picture LockedRow()
{
    return PaintSamples(210, 48, [](float x, float y) {
        const float shackle = std::max(std::abs(CircleDistance(x, y, 24.0f, 19.0f, 6.0f)) - 1.8f, y - 22.0f);
        const float body = RoundedBoxDistance(x, y, 15.0f, 21.0f, 33.0f, 37.0f, 2.5f);
        if (std::min(shackle, body) < 0.0f)
        {
            return Sample{body < 0.0f ? Rgb(170, 160, 140) : Rgb(150, 150, 156), 1.0f};
        }
        for (int dot = 0; dot < 6; ++dot)
        {
            if (CircleDistance(x, y, 56.0f + static_cast<float>(dot) * 22.0f, 29.0f, 3.0f) < 0.0f)
            {
                return Sample{Rgb(150, 150, 156), 1.0f};
            }
        }
        const float bar = RoundedBoxDistance(x, y, 0.0f, 6.0f, 210.0f, 42.0f, 8.0f);
        return bar < 0.0f ? Sample{Rgb(40, 44, 52), 0.7f} : Sample{};
    });
}

} // namespace

bool WriteTreasuryImages(const std::string& media)
{
    bool written = true;
    auto write = [&](const std::string& name, const Picture& picture) {
        written = WritePngMediaFile(media, "interface/treasury/" + name, picture) && written;
    };
    write("background.png", TreasuryBackground());
    write("row_locked.png", LockedRow());
    const std::vector<Piece> pieces = HoardPieces();
    for (int step = 0; step <= kHoardSteps; ++step)
    {
        write("treasure" + std::to_string(step) + ".png", HoardPicture(step, pieces));
    }
    return written;
}

} // namespace MediaGen
