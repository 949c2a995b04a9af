#pragma once

// What the in-process twin of an end-to-end run finds out and the run of the shipped game follows: the
// route as a list of steps, each with the window rectangle it acts on and a reference picture of it, and
// the pictures compared and written.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace EndToEnd
{

// Pixels as 0xAARRGGBB, top row first.
using Pixels = std::vector<std::uint32_t>;

struct Picture
{
    int width = 0;
    int height = 0;
    Pixels pixels;
};

// A rectangle in window pixels, right and bottom excluded.
struct Area
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int CentreX() const { return (left + right) / 2; }
    int CentreY() const { return (top + bottom) / 2; }
};

// One step of the route, in the order the twin met it.
//   "click"  the target (by name) is clicked once its picture shows; the next step's picture must follow.
//   "logo"   a letter key every half second until the next step's picture shows.
//   "playing" the level takes the mouse: the picture around the first press point.
//   "move"   one move of the replay: press, drag to the release point in steps, release; then the moves
//            label's picture after it and the frames the move took to come to rest.
//   "result" a label of the result page.
//   "back"   Escape on the result page; the picture of the level selection that follows.
struct Step
{
    std::string kind;
    std::string name;
    Area area;
    // The reference picture's file name in the route's folder.
    std::string picture;
    // "click" only: what the area showed on the page before ("-" for none). Two pages can show much the
    // same in one area (two buttons that differ only in their word): the area must then lie nearer its
    // own picture than this one.
    std::string before = "-";
    // "move" only: press and release points in window pixels, frames the block took to reach the drag's
    // end with the button held, and frames after the release until it came to rest.
    int pressX = 0;
    int pressY = 0;
    int releaseX = 0;
    int releaseY = 0;
    int holdFrames = 0;
    int settleFrames = 0;
};

struct Route
{
    std::string renderer;
    int windowWidth = 0;
    int windowHeight = 0;
    // Where the pointer rests before the first step.
    int restX = 0;
    int restY = 0;
    // The move count of the solved level.
    int moves = 0;
    std::vector<Step> steps;
};

// The folder of a renderer's route under the tests' output folder ("e2e_2d").
std::filesystem::path RouteFolder(const std::string& renderer);

// "route.txt" in the folder, one step a line. False when it cannot be written or read (error says why).
bool WriteRoute(const std::filesystem::path& folder, const Route& route);
bool ReadRoute(const std::filesystem::path& folder, Route& route, std::string& error);

// The area cut out of a picture (clipped to it).
Picture Cut(const Picture& from, const Area& area);
// The mean absolute difference per colour channel of two pictures of one size; a large number when the
// sizes differ.
double MeanDifference(const Picture& a, const Picture& b);
// The share of a picture's pixels whose colour (0xRRGGBB) is not the one given.
double ShareUnlike(const Picture& picture, std::uint32_t colour);
bool WritePicture(const std::filesystem::path& file, const Picture& picture);
bool ReadPicture(const std::filesystem::path& file, Picture& picture, std::string& error);

} // namespace EndToEnd

namespace EndToEnd
{

// The basic list's level played: level 5 (index 4), the first one without a tutorial.
constexpr int kLevelIndex = 4;
constexpr const char* kLevelFile = "basic/05.xml";
// Where the pointer rests before the first step: a corner of the window that no control covers.
constexpr int kRestX = 1016;
constexpr int kRestY = 760;
// The most a reference picture's area may differ, as the mean per colour channel.
constexpr double kMatchLimit = 6.0;

// "savedgames.bin" of a player who solved basic levels 1 to 4: one current profile with the default name
// and options, written by the game's own classes.
std::string PreparedSaveGames();
// Reads "savedgames.bin" with the game's own reader and checks it holds the one profile with basic
// levels 1 to 4 still solved and level 5 solved with three gold in `moves` moves. Empty when it does,
// else what is wrong.
std::string CheckSavedResult(const std::string& bytes, int moves);

} // namespace EndToEnd
