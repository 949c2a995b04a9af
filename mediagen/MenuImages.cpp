// The pictures of the book menus and the profile page (interface/): the open book, the faces of the
// buttons in their states, the icons of the profile page, gold pieces, check marks and the rename cursor.
// None carries lettering: every word of the menus is a label's text.

#include "mediagen/GameMedia.h"
#include "mediagen/MenuArt.h"
#include "mediagen/Picture.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace MediaGen
{

namespace
{

using BaseLib::CVector3;

const CVector3 kPaper = Rgb(BookPages::Paper[0], BookPages::Paper[1], BookPages::Paper[2]);
const CVector3 kInk = Rgb(64, 38, 22);
const CVector3 kGold = Rgb(236, 184, 56);
const CVector3 kDarkGold = Rgb(150, 96, 20);

enum class State
{
    Normal,
    Down,
    Over,
    Disabled
};

struct StateFile
{
    State state;
    const char* suffix;
};

const std::vector<StateFile> kFourStates = {
    {State::Normal, ""}, {State::Down, "_down"}, {State::Over, "_over"}, {State::Disabled, "_disabled"}};

using Painter = std::function<Sample(float x, float y)>;

bool Write(const std::string& media, const std::string& name, int width, int height, const Painter& painter)
{
    return WritePngMediaFile(media, "interface/" + name + ".png", PaintSamples(width, height, painter));
}

// The book

// A smooth grain along x for the table and the leather: a few slow waves, no per-pixel noise, so the
// picture stays small.
float Grain(float x, float y, float scale)
{
    return 0.5f + 0.22f * std::sin(y * 0.071f * scale + 2.0f * std::sin(x * 0.011f)) +
           0.14f * std::sin(y * 0.23f * scale + x * 0.004f) + 0.08f * std::sin(x * 0.05f + y * 0.013f);
}

Sample BookSample(float x, float y)
{
    const float left = static_cast<float>(BookPages::Left);
    const float right = static_cast<float>(BookPages::Right);
    const float top = static_cast<float>(BookPages::Top);
    const float bottom = static_cast<float>(BookPages::Bottom);
    const float spine = static_cast<float>(BookPages::Spine);
    // The table: dark wood, lighter towards the middle of the screen.
    const float fromMiddle = std::hypot((x - 512.0f) / 620.0f, (y - 384.0f) / 480.0f);
    CVector3 colour = Blend(Rgb(74, 44, 26), Rgb(40, 22, 12), fromMiddle) * (0.88f + 0.2f * Grain(x, y, 1.0f));
    // The cover's shadow on the table, then the cover: dark red leather with a gold tooled line.
    if (InRoundedRect(x - 8.0f, y - 10.0f, left - 44.0f, top - 28.0f, right + 44.0f, bottom + 28.0f, 22.0f))
    {
        colour = colour * 0.55f;
    }
    if (InRoundedRect(x, y, left - 44.0f, top - 28.0f, right + 44.0f, bottom + 28.0f, 22.0f))
    {
        colour = Rgb(112, 30, 26) * (0.9f + 0.16f * Grain(x * 1.7f, y * 1.3f, 1.6f));
        const bool tooled = InRoundedRect(x, y, left - 30.0f, top - 16.0f, right + 30.0f, bottom + 16.0f, 14.0f) &&
                            !InRoundedRect(x, y, left - 27.0f, top - 13.0f, right + 27.0f, bottom + 13.0f, 11.0f);
        if (tooled)
        {
            colour = kGold * 0.85f;
        }
    }
    // The stacks of leaves under the open pages, seen at the outer edges and the bottom.
    const float stack = 10.0f;
    if (x >= left - stack && x < right + stack && y >= top + 4.0f && y < bottom + stack &&
        !(x >= left && x < right && y < bottom))
    {
        const float edge = std::max({left - x, x - right, y - bottom, 0.0f});
        const bool line = std::fmod(edge, 2.5f) < 1.0f;
        colour = Rgb(214, 200, 168) * (line ? 0.84f : 1.0f);
    }
    // The two pages: paper, shaded towards the spine where they curve into the binding, a little darker
    // at their outer edges, with a thin printed frame.
    if (x >= left && x < right && y >= top && y < bottom)
    {
        const float toSpine = std::abs(x - spine);
        const float curve = std::exp(-toSpine / 26.0f);
        const float outer = std::exp(-std::min(x - left, right - x) / 14.0f);
        colour = kPaper * (1.0f - 0.34f * curve - 0.06f * outer - 0.03f * ((y - top) / (bottom - top)));
        const float pageLeft = x < spine ? left + 26.0f : spine + 26.0f;
        const float pageRight = x < spine ? spine - 26.0f : right - 26.0f;
        const bool frame = InRoundedRect(x, y, pageLeft, top + 24.0f, pageRight, bottom - 24.0f, 10.0f) &&
                           !InRoundedRect(x, y, pageLeft + 2.0f, top + 26.0f, pageRight - 2.0f, bottom - 26.0f, 8.0f);
        if (frame)
        {
            colour = Blend(colour, Rgb(150, 110, 70), 0.7f);
        }
    }
    return {colour, 1.0f};
}

// Button faces

struct FaceColours
{
    CVector3 rim, face, highlight;
};

// The menu's dark red buttons with a gold rim; lighter under the mouse, darker when pressed, grey when
// they cannot be used.
FaceColours ButtonColours(State state)
{
    switch (state)
    {
    case State::Down:
        return {kDarkGold, Rgb(82, 24, 20), Rgb(96, 30, 24)};
    case State::Over:
        return {Rgb(255, 214, 100), Rgb(150, 50, 38), Rgb(176, 66, 50)};
    case State::Disabled:
        return {Rgb(150, 140, 128), Rgb(118, 108, 100), Rgb(130, 120, 112)};
    case State::Normal:
        break;
    }
    return {kGold, Rgb(120, 38, 30), Rgb(142, 50, 38)};
}

// A rounded face with a rim of 3 pixels and a light upper half; `icon` paints over it (its colour, or
// no cover) with the face's state.
Sample FaceSample(float x, float y, float width, float height, float radius, const FaceColours& colours,
                  const std::function<Sample(float, float)>& icon = nullptr)
{
    if (!InRoundedRect(x, y, 0.0f, 0.0f, width, height, radius))
    {
        return {};
    }
    if (!InRoundedRect(x, y, 3.0f, 3.0f, width - 3.0f, height - 3.0f, radius - 3.0f))
    {
        return {colours.rim, 1.0f};
    }
    if (icon)
    {
        const Sample ink = icon(x, y);
        if (ink.alpha > 0.0f)
        {
            return ink;
        }
    }
    return {y < height * 0.45f ? colours.highlight : colours.face, 1.0f};
}

// A closed padlock centred at (cx, cy), 22 pixels wide.
bool InPadlock(float x, float y, float cx, float cy)
{
    const bool body = InRoundedRect(x, y, cx - 11.0f, cy - 3.0f, cx + 11.0f, cy + 14.0f, 3.0f);
    const bool keyhole = std::hypot(x - cx, y - (cy + 4.0f)) < 2.6f ||
                         (std::abs(x - cx) < 1.2f && y > cy + 4.0f && y < cy + 10.0f);
    const float ring = std::hypot(x - cx, y - (cy - 5.0f));
    const bool shackle = y < cy - 2.0f && ring > 5.0f && ring < 8.5f;
    const bool sides = (std::abs(x - (cx - 6.75f)) < 1.75f || std::abs(x - (cx + 6.75f)) < 1.75f) && y >= cy - 5.0f &&
                       y < cy - 2.0f;
    return (body && !keyhole) || shackle || sides;
}

// A triangle pointing up (or down) in the middle of a w x h face.
bool InArrowHead(float x, float y, float w, float h, bool down)
{
    const float cx = w / 2.0f;
    const float cy = h / 2.0f;
    const float v = down ? cy - y : y - cy; // negative towards the point
    return v >= -10.0f && v <= 8.0f && std::abs(x - cx) <= (v + 10.0f) * 0.8f;
}

// The profile page's icons (88 x 88 round badges): the picture's ink, no letters.
enum class Icon
{
    New,
    Copy,
    Delete,
    Rename,
    Back,
    Yes,
    No
};

// A sheet of paper with a folded top-right corner, its top left at (left, top).
bool InSheet(float x, float y, float left, float top, float width, float height, bool outlineOnly)
{
    const float fold = 9.0f;
    const std::vector<std::pair<float, float>> outline = {{left, top},
                                                          {left + width - fold, top},
                                                          {left + width, top + fold},
                                                          {left + width, top + height},
                                                          {left, top + height}};
    if (!InPolygon(x, y, outline))
    {
        return false;
    }
    if (!outlineOnly)
    {
        return true;
    }
    const bool inner = InPolygon(x, y,
                                 {{left + 3.0f, top + 3.0f},
                                  {left + width - fold - 1.0f, top + 3.0f},
                                  {left + width - 3.0f, top + fold + 1.0f},
                                  {left + width - 3.0f, top + height - 3.0f},
                                  {left + 3.0f, top + height - 3.0f}});
    const bool foldLine = OnStroke(x, y, {{left + width - fold, top}, {left + width - fold, top + fold}, {left + width, top + fold}}, 2.5f);
    return !inner || foldLine;
}

bool InIcon(Icon icon, float x, float y)
{
    switch (icon)
    {
    case Icon::New:
        return InSheet(x, y, 27.0f, 20.0f, 34.0f, 46.0f, true) ||
               OnStroke(x, y, {{44.0f, 34.0f}, {44.0f, 54.0f}}, 5.0f) ||
               OnStroke(x, y, {{34.0f, 44.0f}, {54.0f, 44.0f}}, 5.0f);
    case Icon::Copy:
        return InSheet(x, y, 20.0f, 16.0f, 32.0f, 42.0f, true) || InSheet(x, y, 36.0f, 30.0f, 32.0f, 42.0f, true);
    case Icon::Delete:
    {
        const bool lid = InRoundedRect(x, y, 24.0f, 22.0f, 64.0f, 28.0f, 2.0f) ||
                         InRoundedRect(x, y, 37.0f, 16.0f, 51.0f, 24.0f, 2.0f);
        const bool body = InPolygon(x, y, {{27.0f, 31.0f}, {61.0f, 31.0f}, {57.0f, 70.0f}, {31.0f, 70.0f}});
        const bool slit = (std::abs(x - 37.0f) < 1.6f || std::abs(x - 44.0f) < 1.6f || std::abs(x - 51.0f) < 1.6f) &&
                          y > 37.0f && y < 64.0f;
        return lid || (body && !slit);
    }
    case Icon::Rename:
    {
        // A pen lying from the top right to its nib at the bottom left, over a written line.
        const bool shaft = OnStroke(x, y, {{62.0f, 18.0f}, {34.0f, 52.0f}}, 11.0f);
        const bool nib = InPolygon(x, y, {{29.5f, 48.5f}, {38.5f, 55.5f}, {24.0f, 64.0f}});
        const bool band = OnStroke(x, y, {{56.0f, 25.0f}, {57.5f, 26.2f}}, 13.0f);
        const bool line = OnStroke(x, y, {{22.0f, 70.0f}, {66.0f, 70.0f}}, 3.0f);
        return shaft || nib || band || line;
    }
    case Icon::Back:
        return InPolygon(x, y, {{18.0f, 44.0f}, {40.0f, 24.0f}, {40.0f, 64.0f}}) ||
               OnStroke(x, y, {{36.0f, 44.0f}, {56.0f, 44.0f}, {64.0f, 50.0f}, {66.0f, 60.0f}}, 10.0f);
    case Icon::Yes:
        return OnStroke(x, y, {{24.0f, 46.0f}, {38.0f, 60.0f}, {64.0f, 28.0f}}, 10.0f);
    case Icon::No:
        return OnStroke(x, y, {{27.0f, 27.0f}, {61.0f, 61.0f}}, 10.0f) ||
               OnStroke(x, y, {{61.0f, 27.0f}, {27.0f, 61.0f}}, 10.0f);
    }
    return false;
}

// A round parchment badge with a brown rim and the icon in ink: lighter under the mouse, darker with
// the icon one pixel lower while pressed, grey when it cannot be used.
Sample BadgeSample(Icon icon, State state, float x, float y)
{
    const float r = std::hypot(x - 44.0f, y - 44.0f);
    if (r > 42.0f)
    {
        return {};
    }
    const CVector3 rim = state == State::Disabled ? Rgb(140, 134, 126) : state == State::Over ? kGold : Rgb(122, 76, 40);
    if (r > 38.0f)
    {
        return {rim, 1.0f};
    }
    const float shift = state == State::Down ? 1.0f : 0.0f;
    if (InIcon(icon, x, y - shift))
    {
        const CVector3 ink = state == State::Disabled ? Rgb(150, 144, 136)
                             : icon == Icon::Yes    ? Rgb(30, 110, 40)
                             : icon == Icon::No || icon == Icon::Delete ? Rgb(150, 30, 24)
                                                                        : kInk;
        return {ink, 1.0f};
    }
    const CVector3 face = state == State::Down     ? Rgb(206, 184, 138)
                          : state == State::Over     ? Rgb(252, 240, 206)
                          : state == State::Disabled ? Rgb(206, 202, 194)
                                                     : Rgb(236, 220, 178);
    // A soft light from the top left.
    return {face * (1.04f - 0.1f * std::clamp((x + y - 44.0f) / 88.0f, 0.0f, 1.0f)), 1.0f};
}

// A gold piece: a coin with a raised rim and a five-pointed star, lit from the top left.
Sample GoldSample(float x, float y, float cx, float cy, float radius)
{
    const float r = std::hypot(x - cx, y - cy);
    if (r > radius)
    {
        return {};
    }
    const float light = 1.0f - 0.28f * std::clamp(((x - cx) + (y - cy)) / (2.0f * radius) + 0.5f, 0.0f, 1.0f);
    if (r > radius * 0.8f)
    {
        return {Blend(kDarkGold, kGold, 0.55f) * (light + 0.1f), 1.0f};
    }
    if (InStar(x, y, cx, cy + radius * 0.04f, radius * 0.58f, radius * 0.24f, 5))
    {
        return {Rgb(255, 232, 140) * light, 1.0f};
    }
    return {kGold * light, 1.0f};
}

} // namespace

bool WriteMenuImages(const std::string& media)
{
    bool written = Write(media, "menu_book", 1024, 768, BookSample);

    for (const StateFile& state : kFourStates)
    {
        const FaceColours colours = ButtonColours(state.state);
        written = Write(media, std::string("menu_button") + state.suffix, 280, 56,
                        [&](float x, float y) { return FaceSample(x, y, 280.0f, 56.0f, 14.0f, colours); }) &&
                  written;
        written = Write(media, std::string("menu_levelbutton") + state.suffix, 72, 56,
                        [&](float x, float y) { return FaceSample(x, y, 72.0f, 56.0f, 12.0f, colours); }) &&
                  written;
        for (const bool down : {false, true})
        {
            const CVector3 ink = state.state == State::Disabled ? Rgb(160, 150, 140) : Rgb(250, 226, 160);
            written = Write(media, std::string(down ? "menu_arrowdown" : "menu_arrowup") + state.suffix, 56, 48,
                            [&](float x, float y) {
                                return FaceSample(x, y, 56.0f, 48.0f, 12.0f, colours, [&](float px, float py) {
                                    return InArrowHead(px, py, 56.0f, 48.0f, down) ? Sample{ink, 1.0f} : Sample{};
                                });
                            }) &&
                      written;
        }
    }
    // A region not yet open: a grey face with a padlock.
    const FaceColours locked = ButtonColours(State::Disabled);
    written = Write(media, "menu_button_locked", 280, 56,
                    [&](float x, float y) {
                        return FaceSample(x, y, 280.0f, 56.0f, 14.0f, locked, [](float px, float py) {
                            return InPadlock(px, py, 140.0f, 26.0f) ? Sample{Rgb(72, 66, 60), 1.0f} : Sample{};
                        });
                    }) &&
              written;

    // The profile slots: a strip of paper; the chosen profile's slot ("_down") is gilded.
    struct SlotState
    {
        const char* suffix;
        FaceColours colours;
    };
    for (const SlotState& slot : {SlotState{"", {Rgb(150, 110, 70), Rgb(240, 228, 196), Rgb(246, 236, 208)}},
                                  SlotState{"_over", {kGold, Rgb(250, 240, 212), Rgb(255, 248, 226)}},
                                  SlotState{"_down", {kDarkGold, Rgb(232, 196, 112), Rgb(240, 208, 130)}},
                                  SlotState{"_downover", {kGold, Rgb(244, 210, 126), Rgb(250, 222, 148)}}})
    {
        written = Write(media, std::string("menu_profile_slot") + slot.suffix, 320, 52,
                        [&](float x, float y) { return FaceSample(x, y, 320.0f, 52.0f, 10.0f, slot.colours); }) &&
                  written;
    }

    struct IconFile
    {
        const char* name;
        Icon icon;
    };
    for (const IconFile& icon : {IconFile{"new", Icon::New}, IconFile{"copy", Icon::Copy},
                                 IconFile{"delete", Icon::Delete}, IconFile{"rename", Icon::Rename},
                                 IconFile{"back", Icon::Back}, IconFile{"yes", Icon::Yes}, IconFile{"no", Icon::No}})
    {
        for (const StateFile& state : kFourStates)
        {
            written = Write(media, std::string("menu_icon_") + icon.name + state.suffix, 88, 88,
                            [&](float x, float y) { return BadgeSample(icon.icon, state.state, x, y); }) &&
                      written;
        }
    }

    written = Write(media, "menu_gold", 64, 64, [](float x, float y) { return GoldSample(x, y, 32.0f, 32.0f, 28.0f); }) &&
              written;
    written = Write(media, "menu_profile_coin", 36, 36,
                    [](float x, float y) { return GoldSample(x, y, 18.0f, 18.0f, 16.0f); }) &&
              written;
    // One to three small gold pieces side by side, centred in a stars label's 64 x 22.
    for (int count = 1; count <= 3; ++count)
    {
        written = Write(media, "menu_levelselect_gold" + std::to_string(count), 64, 22,
                        [count](float x, float y) {
                            const float first = 32.0f - (count - 1) * 10.5f;
                            for (int i = 0; i < count; ++i)
                            {
                                const Sample coin = GoldSample(x, y, first + i * 21.0f, 11.0f, 10.0f);
                                if (coin.alpha > 0.0f)
                                {
                                    return coin;
                                }
                            }
                            return Sample{};
                        }) &&
                  written;
    }
    // The options' box and the tick laid over it when the option is on.
    written = Write(media, "menu_checkbox", 40, 40,
                    [](float x, float y) {
                        if (!InRoundedRect(x, y, 4.0f, 4.0f, 36.0f, 36.0f, 6.0f))
                        {
                            return Sample{};
                        }
                        const bool inner = InRoundedRect(x, y, 7.0f, 7.0f, 33.0f, 33.0f, 3.5f);
                        return Sample{inner ? Rgb(250, 244, 226) : Rgb(122, 76, 40), 1.0f};
                    }) &&
              written;
    written = Write(media, "menu_check", 40, 40,
                    [](float x, float y) {
                        return OnStroke(x, y, {{10.0f, 20.0f}, {17.0f, 28.0f}, {32.0f, 9.0f}}, 6.0f)
                                   ? Sample{Rgb(30, 110, 40), 1.0f}
                                   : Sample{};
                    }) &&
              written;
    // The current profile's pennant on its pole.
    written = Write(media, "menu_profile_flag", 40, 40,
                    [](float x, float y) {
                        if (OnStroke(x, y, {{12.0f, 5.0f}, {12.0f, 37.0f}}, 3.0f))
                        {
                            return Sample{Rgb(96, 60, 30), 1.0f};
                        }
                        if (InPolygon(x, y, {{13.0f, 6.0f}, {35.0f, 13.0f}, {13.0f, 21.0f}}))
                        {
                            return Sample{Rgb(178, 34, 30), 1.0f};
                        }
                        return Sample{};
                    }) &&
              written;
    written = Write(media, "menu_profile_cursor", 3, 28,
                    [](float, float) { return Sample{kInk, 1.0f}; }) &&
              written;
    return written;
}

} // namespace MediaGen
