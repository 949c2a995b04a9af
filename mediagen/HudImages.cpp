#include "mediagen/GameMedia.h"
#include "mediagen/Picture.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace MediaGen
{

namespace
{

using BaseLib::CVector3;

CVector3 Rgb(int r, int g, int b)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}

const CVector3 kRim = Rgb(250, 200, 70);
const CVector3 kInk = Rgb(250, 200, 70);
const CVector3 kHoveredInk = Rgb(255, 240, 190);

enum class Icon
{
    None,
    Undo,
    Redo,
    Menu
};

enum class State
{
    Normal,
    Down,
    Over
};

struct ButtonArt
{
    const char* name; // the files are <name>.png, <name>_down.png and <name>_over.png
    int width, height;
    Icon icon;
};

// The HUD's icon buttons and the plain faces the menu, dialog and cut-scene buttons write their text on.
const std::vector<ButtonArt>& Buttons()
{
    static const std::vector<ButtonArt> buttons = {
        {"undo", 76, 44, Icon::Undo},    {"redo", 76, 44, Icon::Redo},         {"menu", 160, 44, Icon::Menu},
        {"button", 120, 44, Icon::None}, {"button_wide", 240, 48, Icon::None},
    };
    return buttons;
}

// Whether the point lies in the rectangle with all four corners rounded by radius.
bool InRoundedRect(float x, float y, float left, float top, float right, float bottom, float radius)
{
    const float dx = std::max({left + radius - x, x - (right - radius), 0.0f});
    const float dy = std::max({top + radius - y, y - (bottom - radius), 0.0f});
    return x >= left && x < right && y >= top && y < bottom && dx * dx + dy * dy <= radius * radius;
}

// An arrow pointing left (or right when mirrored) around (cx, cy): a head of 9 pixels and a shaft.
bool InArrow(float x, float y, float cx, float cy, bool mirrored)
{
    const float u = mirrored ? cx - x : x - cx; // along the arrow, negative towards its point
    const float v = y - cy;
    const bool head = u >= -12.0f && u <= -3.0f && std::abs(v) <= (u + 12.0f) * 0.95f;
    const bool shaft = u > -4.0f && u <= 12.0f && std::abs(v) <= 3.0f;
    return head || shaft;
}

bool InIcon(Icon icon, float x, float y, float cx, float cy)
{
    switch (icon)
    {
    case Icon::None:
        return false;
    case Icon::Undo:
        return InArrow(x, y, cx, cy, false);
    case Icon::Redo:
        return InArrow(x, y, cx, cy, true);
    case Icon::Menu:
        for (const float bar : {-8.0f, 0.0f, 8.0f})
        {
            if (InRoundedRect(x, y, cx - 14.0f, cy + bar - 2.5f, cx + 14.0f, cy + bar + 2.5f, 2.5f))
            {
                return true;
            }
        }
        return false;
    }
    return false;
}

// A rounded dark face with a gold rim: lighter under the mouse, darker and its icon one pixel lower
// while pressed.
Sample ButtonSample(const ButtonArt& art, State state, float x, float y)
{
    const float w = static_cast<float>(art.width);
    const float h = static_cast<float>(art.height);
    if (!InRoundedRect(x, y, 0.0f, 0.0f, w, h, 9.0f))
    {
        return {};
    }
    if (!InRoundedRect(x, y, 2.0f, 2.0f, w - 2.0f, h - 2.0f, 7.0f))
    {
        return {kRim * (state == State::Down ? 0.8f : 1.0f), 1.0f};
    }
    const float shift = state == State::Down ? 1.0f : 0.0f;
    if (InIcon(art.icon, x, y - shift, w / 2.0f, h / 2.0f))
    {
        return {state == State::Over ? kHoveredInk : kInk, 1.0f};
    }
    const CVector3 face = state == State::Down   ? Rgb(22, 32, 48)
                          : state == State::Over ? Rgb(52, 74, 104)
                                                 : Rgb(34, 48, 70);
    // A soft light along the top half of the face.
    return {y < h / 2.0f ? face * 1.12f : face, 1.0f};
}

} // namespace

bool WriteHudImages(const std::string& media)
{
    bool written = true;
    for (const ButtonArt& art : Buttons())
    {
        for (const auto& [state, suffix] :
             {std::pair{State::Normal, ""}, std::pair{State::Down, "_down"}, std::pair{State::Over, "_over"}})
        {
            const Picture picture = PaintSamples(art.width, art.height, [&, state = state](float x, float y) {
                return ButtonSample(art, state, x, y);
            });
            written = WritePngMediaFile(media, std::string("interface/hud/") + art.name + suffix + ".png",
                                        picture) &&
                      written;
        }
    }
    return written;
}

} // namespace MediaGen
