// The layouts of the book menus and the profile page (interface/): the book with its four page frames
// and six page turns, and one layout per page in screen coordinates (the page panels are the size of
// the screen and lie at the top left of their frame). Every word is a label's text drawn with a font;
// the book and the profile page carry none.

#include "mediagen/GameMedia.h"
#include "mediagen/MenuArt.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace MediaGen
{

namespace
{

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// The page turn: the old page's frame shows until half of it, the new page's from then on.
constexpr float kTurnSeconds = 0.7f;
// The leaf and the blank page appear just after the start, so that time 0 shows the page untouched.
constexpr float kLeafShown = 0.01f;

const std::string kTitleFont = "<font type='alphabitmapfont' facename='DejaVu Serif' height='40' weight='700'/>";
const std::string kButtonFont = "<font type='alphabitmapfont' facename='DejaVu Serif' height='24' weight='700'/>";
const std::string kTextFont = "<font type='alphabitmapfont' facename='DejaVu Serif' height='22' weight='400'/>";
const std::string kNumberFont = "<font type='alphabitmapfont' facename='DejaVu Serif' height='26' weight='700'/>";

const char* const kInk = "(64, 38, 22, 255)";
const char* const kButtonInk = "(250, 226, 160, 255)";

std::string Pair(int a, int b)
{
    return "(" + std::to_string(a) + ", " + std::to_string(b) + ")";
}

std::string Colour(int r, int g, int b, int a)
{
    return "(" + std::to_string(r) + ", " + std::to_string(g) + ", " + std::to_string(b) + ", " + std::to_string(a) +
           ")";
}

std::string Seconds(float seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(seconds));
    return text;
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text)
    {
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One layout file being written: nested windows with their properties and animations, two spaces of
// indent a level.
class LayoutText
{
public:
    explicit LayoutText(const std::string& comment)
    {
        m_text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- " + comment + " -->\n<layout>\n";
    }

    // A window of the class; its name (when given) is its first property.
    void Open(const char* type, const std::string& name = std::string())
    {
        Line("<window type=\"" + std::string(type) + "\">");
        ++m_depth;
        if (!name.empty())
        {
            Property("Name", name);
        }
    }

    void Close()
    {
        --m_depth;
        Line("</window>");
    }

    void Property(const char* name, const std::string& value)
    {
        Line("<property name=\"" + Escaped(name) + "\" value=\"" + Escaped(value) + "\"/>");
    }

    void Place(int x, int y, int width, int height)
    {
        Property("Position", Pair(x, y));
        Property("Size", Pair(width, height));
    }

    struct Key
    {
        float time;
        std::string value;
    };

    // An animation of the window with one track per property; interpolation -1 keeps the track's own.
    struct Track
    {
        const char* property;
        std::vector<Key> keys;
        int interpolation = -1;
    };

    void Animation(const std::string& name, float length, const std::vector<Track>& tracks)
    {
        Line("<animation name=\"" + name + "\" length=\"" + Seconds(length) + "\">");
        ++m_depth;
        for (const Track& track : tracks)
        {
            Line("<track name=\"" + std::string(track.property) + "\"" +
                 (track.interpolation >= 0 ? " interpolation=\"" + std::to_string(track.interpolation) + "\"" : "") +
                 ">");
            ++m_depth;
            for (const Key& key : track.keys)
            {
                Line("<key time=\"" + Seconds(key.time) + "\" value=\"" + Escaped(key.value) + "\"/>");
            }
            --m_depth;
            Line("</track>");
        }
        --m_depth;
        Line("</animation>");
    }

    std::string Finish() const { return m_text + "</layout>\n"; }

private:
    void Line(const std::string& line) { m_text += std::string(2 * (m_depth + 1), ' ') + line + "\n"; }

    std::string m_text;
    int m_depth = 0;
};

// A label that shows a text; it lets the mouse through to what lies beneath.
void TextLabel(LayoutText& layout, const std::string& name, int x, int y, int width, int height,
               const std::string& text, const std::string& font, const char* ink,
               const char* alignment = "Center", bool wrap = false)
{
    layout.Open("CLabel", name);
    layout.Place(x, y, width, height);
    layout.Property("Not Hitable", "true");
    layout.Property("Background", "false");
    layout.Property("Word Wrap", wrap ? "true" : "false");
    layout.Property("Auto-Enlarge", "false");
    layout.Property("H-Alignment", alignment);
    layout.Property("Font", font);
    layout.Property("Font Color", ink);
    layout.Property("Text", text);
    layout.Close();
}

// A label that shows a picture (or none yet, for one the screen sets).
void PictureLabel(LayoutText& layout, const std::string& name, int x, int y, int width, int height,
                  const std::string& bitmap, bool visible = true)
{
    layout.Open("CLabel", name);
    layout.Place(x, y, width, height);
    layout.Property("Not Hitable", "true");
    layout.Property("Background", "false");
    layout.Property("Auto-Enlarge", "false");
    layout.Property("Text", "");
    if (!bitmap.empty())
    {
        layout.Property("Bitmap", bitmap);
    }
    if (!visible)
    {
        layout.Property("Visible", "false");
    }
    layout.Close();
}

// The faces of a button whose pictures are <face>.png, <face>_down.png, <face>_over.png and
// <face>_disabled.png; its own text stays empty, since a button shows either a text or a face.
void ButtonFaces(LayoutText& layout, const std::string& face)
{
    layout.Property("Background", "false");
    layout.Property("Frame", "false");
    layout.Property("Text", "");
    layout.Property("Bitmap", face + ".png");
    layout.Property("Bitmap 'down'", face + "_down.png");
    layout.Property("Bitmap 'mouse over'", face + "_over.png");
    layout.Property("Bitmap 'disabled'", face + "_disabled.png");
}

// A menu button of 280 x 56 with its word on a label inside it, which goes and comes with the button.
void MenuButton(LayoutText& layout, const std::string& name, int x, int y, const std::string& text)
{
    layout.Open("CButton", name);
    layout.Place(x, y, 280, 56);
    ButtonFaces(layout, "menu_button");
    TextLabel(layout, "", 0, 0, 280, 56, text, kButtonFont, kButtonInk);
    layout.Close();
}

// A round 88 x 88 button of the profile page that shows a picture.
void IconButton(LayoutText& layout, const std::string& name, int x, int y, const std::string& icon)
{
    layout.Open("CButton", name);
    layout.Place(x, y, 88, 88);
    ButtonFaces(layout, "menu_icon_" + icon);
    layout.Property("Bitmap-based hit testing", "true");
    layout.Close();
}

// The page panel every page layout starts with: the size of the screen, drawing nothing itself.
void OpenPage(LayoutText& layout, const std::string& name)
{
    layout.Open("CTransparentWindow", name);
    layout.Place(0, 0, kScreenWidth, kScreenHeight);
}

// Middles of the two pages, and where text and buttons start on them.
constexpr int kLeftMiddle = (BookPages::Left + BookPages::Spine) / 2;
constexpr int kRightMiddle = (BookPages::Spine + BookPages::Right) / 2;
constexpr int kLeftInner = BookPages::Left + 40;
constexpr int kRightInner = BookPages::Spine + 40;
constexpr int kInnerWidth = BookPages::Spine - BookPages::Left - 80;

void PageTitle(LayoutText& layout, const std::string& text)
{
    TextLabel(layout, "", kLeftInner, 110, kInnerWidth, 60, text, kTitleFont, kInk);
}

// A column of menu buttons down the middle of the right page.
void ButtonColumn(LayoutText& layout, int top, int step, const std::vector<std::pair<std::string, std::string>>& buttons)
{
    int y = top;
    for (const auto& [name, text] : buttons)
    {
        MenuButton(layout, name, kRightMiddle - 140, y, text);
        y += step;
    }
}

void BackButton(LayoutText& layout)
{
    MenuButton(layout, "backbutton", kLeftMiddle - 140, 600, "Back");
}

// The book

// Which frame shows at the start and at the end of the turn from page `from` to page `to` (1 to 4).
LayoutText::Track FrameVisibility(int frame, int from, int to)
{
    const auto shown = [](bool visible) { return std::string(visible ? "true" : "false"); };
    return {"Visible", {{0.0f, shown(frame == from)}, {kTurnSeconds / 2.0f, shown(frame == to)}}, 0};
}

const std::vector<std::pair<int, int>>& Turns()
{
    static const std::vector<std::pair<int, int>> turns = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    return turns;
}

std::string TurnName(const std::pair<int, int>& turn)
{
    return std::to_string(turn.first) + "to" + std::to_string(turn.second);
}

std::string BigBook()
{
    LayoutText layout("The book of the menus, as large as the screen. The page layouts go into \"frame1\" to "
                      "\"frame4\" inside \"pages\", which has a canvas of its own so that the clear page "
                      "panels let the book show through. Each turn \"AtoB\" shows frame A at its start and "
                      "frame B from half of it on; a leaf of paper folds over from the right page to the left "
                      "while a blank page hides the half that is not yet turned.");
    const int width = BookPages::Spine - BookPages::Left;
    const int height = BookPages::Bottom - BookPages::Top;
    const std::string paper = Colour(BookPages::Paper[0], BookPages::Paper[1], BookPages::Paper[2], 255);
    const std::string shadedPaper =
        Colour(BookPages::Paper[0] * 4 / 5, BookPages::Paper[1] * 4 / 5, BookPages::Paper[2] * 4 / 5, 255);

    layout.Open("CTransparentWindow", "book");
    layout.Place(0, 0, kScreenWidth, kScreenHeight);
    PictureLabel(layout, "bookpicture", 0, 0, kScreenWidth, kScreenHeight, "menu_book.png");
    layout.Open("CPanel", "pages");
    layout.Place(0, 0, kScreenWidth, kScreenHeight);
    layout.Property("Color", Colour(0, 0, 0, 0));
    layout.Property("Own Canvas", "true");
    for (int frame = 1; frame <= 4; ++frame)
    {
        layout.Open("CTransparentWindow", "frame" + std::to_string(frame));
        layout.Place(0, 0, kScreenWidth, kScreenHeight);
        layout.Property("Visible", frame == 1 ? "true" : "false");
        for (const auto& turn : Turns())
        {
            layout.Animation(TurnName(turn), kTurnSeconds, {FrameVisibility(frame, turn.first, turn.second)});
        }
        layout.Close();
    }
    const std::string hidden = "false";
    const std::string shown = "true";
    const std::vector<LayoutText::Key> duringTheTurn = {{0.0f, hidden}, {kLeafShown, shown}, {kTurnSeconds, hidden}};

    // A sheet of paper over the right page, hidden but during the turns, each turn moving it by the tracks.
    const auto turningSheet = [&](const char* name, const std::vector<LayoutText::Track>& tracks) {
        layout.Open("CPanel", name);
        layout.Place(BookPages::Spine, BookPages::Top, width, height);
        layout.Property("Color", paper);
        layout.Property("Not Hitable", "true");
        layout.Property("Visible", hidden);
        std::vector<LayoutText::Track> all = {{"Visible", duringTheTurn, 0}};
        all.insert(all.end(), tracks.begin(), tracks.end());
        for (const auto& turn : Turns())
        {
            layout.Animation(TurnName(turn), kTurnSeconds, all);
        }
        layout.Close();
    };
    // The page under the leaf: the right one until the leaf stands upright, then the left one.
    turningSheet("blankpage", {{"Position",
                                {{0.0f, Pair(BookPages::Spine, BookPages::Top)},
                                 {kTurnSeconds / 2.0f, Pair(BookPages::Left, BookPages::Top)}},
                                0}});
    // The leaf: it narrows to the spine over the right page, darkening as it rises, then widens over the
    // left page and lies down.
    turningSheet("leaf", {{"Position",
                           {{0.0f, Pair(BookPages::Spine, BookPages::Top)},
                            {kTurnSeconds / 2.0f, Pair(BookPages::Spine, BookPages::Top)},
                            {kTurnSeconds, Pair(BookPages::Left, BookPages::Top)}}},
                          {"Size",
                           {{0.0f, Pair(width, height)},
                            {kTurnSeconds / 2.0f, Pair(1, height)},
                            {kTurnSeconds, Pair(width, height)}}},
                          {"Color", {{0.0f, paper}, {kTurnSeconds / 2.0f, shadedPaper}, {kTurnSeconds, paper}}}});
    layout.Close(); // pages
    layout.Close(); // book
    return layout.Finish();
}

// The page layouts

std::string MainMenu()
{
    LayoutText layout("The main menu (the book's first page): play, options, profiles, quit.");
    OpenPage(layout, "mainmenupage");
    TextLabel(layout, "", kLeftInner, 200, kInnerWidth, 80, "Quarrow",
              "<font type='alphabitmapfont' facename='DejaVu Serif' height='64' weight='700'/>", kInk);
    PictureLabel(layout, "", kLeftMiddle - 32, 320, 64, 64, "menu_gold.png");
    ButtonColumn(layout, 200, 96,
                 {{"playbutton", "Play"}, {"optionsbutton", "Options"}, {"savegamebutton", "Profiles"},
                  {"quitbutton", "Quit"}});
    layout.Close();
    return layout.Finish();
}

std::string GameMenu()
{
    LayoutText layout("The game menu (the book's third page): the adventure, free play, the treasury, back.");
    OpenPage(layout, "gamemenupage");
    PageTitle(layout, "Play");
    TextLabel(layout, "", kLeftInner, 260, kInnerWidth, 120,
              "Follow the adventure across the map, or replay the puzzles you have opened in free play.",
              kTextFont, kInk, "Center", true);
    ButtonColumn(layout, 200, 96,
                 {{"adventurebutton", "Adventure"}, {"freeplaybutton", "Free Play"}, {"treasurebutton", "Treasury"}});
    BackButton(layout);
    layout.Close();
    return layout.Finish();
}

std::string FreePlayMenu()
{
    LayoutText layout("The free-play menu (the book's fourth page): the five regions; a region not yet open "
                      "shows its locked face (\"..._hidden\") in the button's place.");
    OpenPage(layout, "freeplaypage");
    PageTitle(layout, "Free Play");
    TextLabel(layout, "", kLeftInner, 260, kInnerWidth, 90, "Choose a region.", kTextFont, kInk);
    const std::vector<std::pair<std::string, std::string>> regions = {
        {"basic", "Meadow"}, {"jungle", "Jungle"}, {"swamp", "Swamp"}, {"cave", "Cave"}, {"temple", "Temple"}};
    int y = 150;
    for (const auto& [region, text] : regions)
    {
        MenuButton(layout, region + "button", kRightMiddle - 140, y, text);
        if (region != "basic")
        {
            PictureLabel(layout, region + "_hidden", kRightMiddle - 140, y, 280, 56, "menu_button_locked.png", false);
        }
        y += 84;
    }
    BackButton(layout);
    layout.Close();
    return layout.Finish();
}

std::string LevelSelect()
{
    LayoutText layout("The level selection (the book's second page): twenty level buttons in four rows of five "
                      "with their gold below them, scrolled a row at a time.");
    OpenPage(layout, "levelselectpage");
    PageTitle(layout, "Levels");
    TextLabel(layout, "levelrangelabel", kLeftInner, 190, kInnerWidth, 40, "1 - 20 / 20", kTextFont, kInk);
    TextLabel(layout, "", kLeftInner, 300, kInnerWidth, 36, "Best moves", kTextFont, kInk);
    TextLabel(layout, "bestmoveslabel", kLeftInner, 340, kInnerWidth, 40, "---", kNumberFont, kInk);
    TextLabel(layout, "", kLeftInner, 410, kInnerWidth, 36, "Best time", kTextFont, kInk);
    TextLabel(layout, "besttimelabel", kLeftInner, 450, kInnerWidth, 40, "---", kNumberFont, kInk);
    BackButton(layout);

    layout.Open("CButton", "upbutton");
    layout.Place(kRightMiddle - 28, 88, 56, 48);
    ButtonFaces(layout, "menu_arrowup");
    layout.Close();
    const int left = kRightMiddle - (5 * 72 + 4 * 6) / 2;
    for (int slot = 1; slot <= 20; ++slot)
    {
        const int x = left + (slot - 1) % 5 * 78;
        const int y = 150 + (slot - 1) / 5 * 100;
        layout.Open("CButton", "levelnumberbutton" + std::to_string(slot));
        layout.Place(x, y, 72, 56);
        ButtonFaces(layout, "menu_levelbutton");
        TextLabel(layout, "numberlabel", 0, 0, 72, 56, std::to_string(slot), kNumberFont, kButtonInk);
        layout.Close();
        PictureLabel(layout, "starslabel" + std::to_string(slot), x + 4, y + 60, 64, 22, "", false);
    }
    layout.Open("CButton", "downbutton");
    layout.Place(kRightMiddle - 28, 560, 56, 48);
    ButtonFaces(layout, "menu_arrowdown");
    layout.Close();
    layout.Close();
    return layout.Finish();
}

std::string GameResult()
{
    LayoutText layout("The result of a level (the book's fourth page): this run against the best, the moves "
                      "for each gold piece, the gold won, and the ways on. \"continuebutton\" (adventure) and "
                      "\"nextbutton\" (free play) share a place: only one of them is shown.");
    OpenPage(layout, "gameresultpage");
    PageTitle(layout, "Level");
    TextLabel(layout, "levellabel", kLeftInner, 170, kInnerWidth, 44, "0-01", kNumberFont, kInk);
    const int captionWidth = 150;
    const int valueWidth = 100;
    const int captionX = kLeftInner + 10;
    const int valueX = captionX + captionWidth + 20;
    struct Row
    {
        const char* caption;
        const char* value;
        const char* text;
    };
    int y = 250;
    for (const Row& row : {Row{"Moves", "moveslabel", "0"}, Row{"Best", "bestmoveslabel", "0"},
                           Row{"Time", "timelabel", " 0:00"}, Row{"Best", "besttimelabel", " 0:00"}})
    {
        TextLabel(layout, "", captionX, y, captionWidth, 40, row.caption, kTextFont, kInk, "Left");
        TextLabel(layout, row.value, valueX, y, valueWidth, 40, row.text, kNumberFont, kInk, "Right");
        y += std::string(row.value) == "bestmoveslabel" ? 70 : 48;
    }
    MenuButton(layout, "backtomenubutton", kLeftMiddle - 140, 600, "Levels");

    // The gold won, revealed one piece after another.
    for (int piece = 1; piece <= 3; ++piece)
    {
        PictureLabel(layout, "goldlabel" + std::to_string(piece), kRightMiddle - 32 + (piece - 2) * 84, 110, 64, 64,
                     "menu_gold.png");
    }
    // The moves for three, two and one gold.
    TextLabel(layout, "", kRightInner, 200, kInnerWidth, 36, "Moves for gold", kTextFont, kInk);
    y = 244;
    for (int gold = 3; gold >= 1; --gold)
    {
        PictureLabel(layout, "", kRightMiddle - 100, y + 9, 64, 22, "menu_levelselect_gold" + std::to_string(gold) + ".png");
        TextLabel(layout, std::to_string(gold) + "goldmoveslabel", kRightMiddle + 10, y, 90, 40, "0", kNumberFont, kInk,
                  "Right");
        y += 44;
    }
    MenuButton(layout, "retrybutton", kRightMiddle - 140, 420, "Retry");
    MenuButton(layout, "continuebutton", kRightMiddle - 140, 510, "Continue");
    MenuButton(layout, "nextbutton", kRightMiddle - 140, 510, "Next Level");
    layout.Close();
    return layout.Finish();
}

std::string Options()
{
    LayoutText layout("The options (the book's second page): music and the free camera, each with a tick in "
                      "its box while it is on.");
    OpenPage(layout, "optionspage");
    PageTitle(layout, "Options");
    BackButton(layout);
    int y = 220;
    for (const auto& [name, text] : {std::pair{"music", "Music"}, std::pair{"freecamera", "Free Camera"}})
    {
        const int x = kRightMiddle - 166;
        MenuButton(layout, std::string(name) + "button", x, y, text);
        PictureLabel(layout, "", x + 292, y + 8, 40, 40, "menu_checkbox.png");
        PictureLabel(layout, std::string(name) + "check", x + 292, y + 8, 40, 40, "menu_check.png");
        y += 96;
    }
    layout.Close();
    return layout.Finish();
}

std::string LanguageSelection()
{
    LayoutText layout("The choice of language (the book's second page), shown before any language applies: each "
                      "language is named in its own words.");
    OpenPage(layout, "languagepage");
    PictureLabel(layout, "", kLeftMiddle - 32, 320, 64, 64, "menu_gold.png");
    ButtonColumn(layout, 150, 88,
                 {{"englishbutton", "English"}, {"germanbutton", "Deutsch"}, {"frenchbutton", "Français"},
                  {"spanishbutton", "Español"}, {"italianbutton", "Italiano"}});
    layout.Close();
    return layout.Finish();
}

std::string FileMenu()
{
    LayoutText layout("The profile page, a screen of its own over the open book: seven profile slots, the "
                      "buttons new, copy, delete, rename and back (pictures, no words), and the confirmation "
                      "of a delete over a darkened page, both hidden at first.");
    layout.Open("CPanel", "filemenupanel");
    layout.Place(0, 0, kScreenWidth, kScreenHeight);
    layout.Property("Color", Colour(0, 0, 0, 255));
    PictureLabel(layout, "", 0, 0, kScreenWidth, kScreenHeight, "menu_book.png");
    for (int slot = 1; slot <= 7; ++slot)
    {
        const std::string profile = "profile" + std::to_string(slot);
        const int y = 84 + (slot - 1) * 84;
        PictureLabel(layout, profile + "_flag", BookPages::Left + 22, y + 6, 40, 40, "menu_profile_flag.png");
        layout.Open("CToggleButton", profile);
        layout.Place(BookPages::Left + 66, y, 320, 52);
        layout.Property("Background", "false");
        layout.Property("Frame", "false");
        layout.Property("Text", "");
        layout.Property("Bitmap", "menu_profile_slot.png");
        layout.Property("Bitmap 'down'", "menu_profile_slot_down.png");
        layout.Property("Bitmap 'mouse over'", "menu_profile_slot_over.png");
        layout.Property("Bitmap 'down and mouse over'", "menu_profile_slot_downover.png");
        layout.Property("Allow Untoggle", "false");
        TextLabel(layout, "label", 14, 0, 210, 52, "", kTextFont, kInk, "Left");
        layout.Close();
        PictureLabel(layout, profile + "_coin", BookPages::Left + 66 + 228, y + 8, 36, 36, "menu_profile_coin.png");
        TextLabel(layout, profile + "_goldlabel", BookPages::Left + 66 + 266, y, 50, 52, "0", kTextFont, kInk, "Left");
    }
    IconButton(layout, "newbutton", kRightMiddle - 104, 150, "new");
    IconButton(layout, "copybutton", kRightMiddle + 16, 150, "copy");
    IconButton(layout, "deletebutton", kRightMiddle - 104, 290, "delete");
    IconButton(layout, "renamebutton", kRightMiddle + 16, 290, "rename");
    IconButton(layout, "backbutton", kRightMiddle - 44, 560, "back");

    layout.Open("CPanel", "darkeningpanel");
    layout.Place(0, 0, kScreenWidth, kScreenHeight);
    layout.Property("Color", Colour(0, 0, 0, 150));
    layout.Property("Own Canvas", "true");
    layout.Property("Visible", "false");
    layout.Close();

    // The confirmation: the bin asks, the tick deletes, the cross keeps.
    const int dialogWidth = 340;
    const int dialogHeight = 260;
    layout.Open("CPanel", "confirmdialog");
    layout.Place((kScreenWidth - dialogWidth) / 2, (kScreenHeight - dialogHeight) / 2, dialogWidth, dialogHeight);
    layout.Property("Color", Colour(122, 76, 40, 255));
    // Its own canvas lays it over the darkening, which has one of its own.
    layout.Property("Own Canvas", "true");
    layout.Property("Visible", "false");
    layout.Open("CPanel");
    layout.Place(5, 5, dialogWidth - 10, dialogHeight - 10);
    layout.Property("Color", Colour(BookPages::Paper[0], BookPages::Paper[1], BookPages::Paper[2], 255));
    layout.Property("Not Hitable", "true");
    layout.Close();
    PictureLabel(layout, "", (dialogWidth - 88) / 2, 22, 88, 88, "menu_icon_delete.png");
    IconButton(layout, "yesbutton", dialogWidth / 2 - 110, 140, "yes");
    IconButton(layout, "nobutton", dialogWidth / 2 + 22, 140, "no");
    layout.Close();
    layout.Close();
    return layout.Finish();
}

struct LayoutFile
{
    const char* file;
    std::string (*make)();
};

const LayoutFile kLayouts[] = {
    {"bigbook.xml", BigBook},
    {"mainmenuscreen.xml", MainMenu},
    {"gamemenuscreen.xml", GameMenu},
    {"freeplaymenuscreen.xml", FreePlayMenu},
    {"levelselectscreen.xml", LevelSelect},
    {"gameresultscreen.xml", GameResult},
    {"optionsscreen.xml", Options},
    {"languageselectionscreen.xml", LanguageSelection},
    {"filemenuscreen.xml", FileMenu},
};

} // namespace

bool WriteMenuLayouts(const std::string& media)
{
    bool written = true;
    for (const LayoutFile& layout : kLayouts)
    {
        written = WriteMediaFile(media, std::string("interface/") + layout.file, layout.make()) && written;
    }
    return written;
}

} // namespace MediaGen
