#include "tests/game/e2e/E2ERoute.h"

#include "platform/gfx/Picture.h"
#include "platform/os/PngDecode.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace EndToEnd
{

std::filesystem::path RouteFolder(const std::string& renderer)
{
    return std::filesystem::path(QUARROW_TEST_OUTPUT_DIR) / ("e2e_" + renderer);
}

bool WriteRoute(const std::filesystem::path& folder, const Route& route)
{
    std::ofstream file(folder / "route.txt");
    file << "renderer " << route.renderer << "\n"
         << "window " << route.windowWidth << " " << route.windowHeight << "\n"
         << "rest " << route.restX << " " << route.restY << "\n"
         << "moves " << route.moves << "\n";
    for (const Step& s : route.steps)
    {
        file << "step " << s.kind << " " << s.name << " " << s.area.left << " " << s.area.top << " "
             << s.area.right << " " << s.area.bottom << " " << s.picture << " " << s.pressX << " " << s.pressY
             << " " << s.releaseX << " " << s.releaseY << " " << s.holdFrames << " " << s.settleFrames << " " << s.before
             << "\n";
    }
    file.close();
    return static_cast<bool>(file);
}

bool ReadRoute(const std::filesystem::path& folder, Route& route, std::string& error)
{
    std::ifstream file(folder / "route.txt");
    if (!file)
    {
        error = (folder / "route.txt").string() + " is missing: the twin run has not written it";
        return false;
    }
    route = Route();
    for (std::string line; std::getline(file, line);)
    {
        std::istringstream in(line);
        std::string word;
        in >> word;
        if (word == "renderer")
        {
            in >> route.renderer;
        }
        else if (word == "window")
        {
            in >> route.windowWidth >> route.windowHeight;
        }
        else if (word == "rest")
        {
            in >> route.restX >> route.restY;
        }
        else if (word == "moves")
        {
            in >> route.moves;
        }
        else if (word == "step")
        {
            Step s;
            in >> s.kind >> s.name >> s.area.left >> s.area.top >> s.area.right >> s.area.bottom >> s.picture >>
                s.pressX >> s.pressY >> s.releaseX >> s.releaseY >> s.holdFrames >> s.settleFrames >> s.before;
            route.steps.push_back(s);
        }
        if (!in && !word.empty())
        {
            error = "route.txt: unreadable line \"" + line + "\"";
            return false;
        }
    }
    if (route.steps.empty() || route.windowWidth <= 0)
    {
        error = "route.txt holds no route";
        return false;
    }
    return true;
}

Picture Cut(const Picture& from, const Area& area)
{
    const int left = std::clamp(area.left, 0, from.width);
    const int top = std::clamp(area.top, 0, from.height);
    const int right = std::clamp(area.right, left, from.width);
    const int bottom = std::clamp(area.bottom, top, from.height);
    Picture cut;
    cut.width = right - left;
    cut.height = bottom - top;
    cut.pixels.reserve(static_cast<std::size_t>(cut.width) * static_cast<std::size_t>(cut.height));
    for (int y = top; y < bottom; ++y)
    {
        const auto row = from.pixels.begin() + static_cast<std::ptrdiff_t>(y) * from.width;
        cut.pixels.insert(cut.pixels.end(), row + left, row + right);
    }
    return cut;
}

double MeanDifference(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size() || a.pixels.empty())
    {
        return 1e9;
    }
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
    {
        for (int shift = 0; shift < 24; shift += 8)
        {
            sum += static_cast<std::uint64_t>(
                std::abs(static_cast<int>((a.pixels[i] >> shift) & 0xFFu) - static_cast<int>((b.pixels[i] >> shift) & 0xFFu)));
        }
    }
    return static_cast<double>(sum) / (3.0 * static_cast<double>(a.pixels.size()));
}

double ShareUnlike(const Picture& picture, std::uint32_t colour)
{
    if (picture.pixels.empty())
    {
        return 0.0;
    }
    const auto unlike = std::count_if(picture.pixels.begin(), picture.pixels.end(),
                                      [colour](std::uint32_t pixel) { return (pixel & 0xFFFFFFu) != colour; });
    return static_cast<double>(unlike) / static_cast<double>(picture.pixels.size());
}

bool WritePicture(const std::filesystem::path& file, const Picture& picture)
{
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    return picture.width > 0 && picture.height > 0 &&
           Platform::Gfx::WritePng(file.string(), static_cast<std::uint32_t>(picture.width),
                                   static_cast<std::uint32_t>(picture.height), picture.pixels, false);
}

bool ReadPicture(const std::filesystem::path& file, Picture& picture, std::string& error)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::uint8_t> rgba;
    if (bytes.empty() ||
        !Platform::DecodePng(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), picture.width,
                             picture.height, rgba, error))
    {
        error = file.string() + ": " + (bytes.empty() ? std::string("missing or empty") : error);
        return false;
    }
    picture.pixels.resize(rgba.size() / 4);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
    {
        picture.pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(rgba[4 * i]) << 16 |
                            static_cast<std::uint32_t>(rgba[4 * i + 1]) << 8 | rgba[4 * i + 2];
    }
    return true;
}

} // namespace EndToEnd

#include "game/savegame/SaveGameList.h"

namespace EndToEnd
{

std::string PreparedSaveGames()
{
    CSaveGameList list;
    CQuarrowSaveGame& profile = *list.Get(list.Add());
    MapProgress& basic = profile.GetProgress().GetMapProgress(0);
    for (int level = 0; level < kLevelIndex; ++level)
    {
        basic.GetLevelRecord(level).SetSolved(20);
        basic.GetLevelRecord(level).RaiseRating(1);
    }
    return list.WriteToBytes();
}

std::string CheckSavedResult(const std::string& bytes, int moves)
{
    CSaveGameList list;
    CSaveGameList::ParseFault fault;
    if (!list.ParseBytes(bytes, "savedgames.bin", fault))
    {
        return "savedgames.bin does not read: " + fault.reason + " at " + std::to_string(fault.offset);
    }
    if (list.GetCount() != 1 || list.GetCurrentIndex() != 0)
    {
        return "savedgames.bin holds " + std::to_string(list.GetCount()) + " profiles, current " +
               std::to_string(list.GetCurrentIndex());
    }
    const MapProgress& basic = list.GetCurrent()->GetProgress().GetMapProgress(0);
    std::ostringstream problems;
    for (int level = 0; level < kLevelIndex; ++level)
    {
        if (!basic.GetLevelRecord(level).IsSolved())
        {
            problems << "basic level " << level + 1 << " is no longer solved; ";
        }
    }
    const LevelRecord& record = basic.GetLevelRecord(kLevelIndex);
    if (!record.IsSolved() || record.GetRating() != 3 || record.GetBestMoves() != static_cast<std::uint32_t>(moves))
    {
        problems << "basic level " << kLevelIndex + 1 << ": solved " << record.IsSolved() << ", rating "
                   << record.GetRating() << ", best moves " << record.GetBestMoves() << " (expected solved, 3, "
                   << moves << ")";
    }
    return problems.str();
}

} // namespace EndToEnd
