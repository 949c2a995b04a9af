#include "mediagen/MapSource.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

namespace MediaGen
{

namespace
{

struct LegendEntry
{
    MapCell cell;
    int line = 0;
    // The level's number in the list (1 = first), 0 for none.
    int level = 0;
};

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
    {
        words.push_back(word);
    }
    return words;
}

// A whole decimal number within [low, high].
bool ReadNumber(const std::string& text, int low, int high, int& value)
{
    if (text.empty() || text.size() > 9)
    {
        return false;
    }
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || number < low || number > high)
    {
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

int KeyIndex(const std::string& word)
{
    return word == "A" ? 0 : word == "B" ? 1 : word == "C" ? 2 : -1;
}

int TriggerCode(const std::string& word)
{
    static const char* const names[] = {"entered", "solved", "opened", "keymissing", "always"};
    for (int i = 0; i < 5; ++i)
    {
        if (word == names[i])
        {
            return i;
        }
    }
    return -1;
}

int ActionCode(const std::string& word)
{
    static const char* const names[] = {"none",       "walknorth", "walksouth", "startpuzzle",
                                        "walknorth2", "removefog", "walkeast",  "walkwest"};
    for (int i = 0; i < 8; ++i)
    {
        if (word == names[i])
        {
            return i;
        }
    }
    return -1;
}

bool IsPassage(char c, bool horizontal)
{
    return horizontal ? (c == '-' || c == '=') : (c == '|' || c == '!');
}

bool IsNoCell(char c)
{
    return c == '.' || c == ' ';
}

// Reads one legend line's content after the character and tile; false with reason on a fault.
bool ReadLegendContent(const std::vector<std::string>& words, LegendEntry& entry, std::string& reason)
{
    MapCell& cell = entry.cell;
    for (size_t i = 2; i < words.size(); ++i)
    {
        const std::string& word = words[i];
        const bool hasValue = i + 1 < words.size();
        int number = 0;
        if (word == "level" || word == "exit" || word == "gold" || word == "treasure")
        {
            const int high = word == "exit" ? 15 : word == "treasure" ? 255 : word == "level" ? 256 : 1000000;
            if (!hasValue || !ReadNumber(words[i + 1], word == "exit" ? 0 : 1, high, number))
            {
                reason = "\"" + word + "\" needs a number from " + (word == "exit" ? "0" : "1") + " to " +
                         std::to_string(high);
                return false;
            }
            ++i;
            if (word == "level")
            {
                entry.level = number;
                cell.puzzle = number - 1;
            }
            else if (word == "exit")
            {
                cell.flags |= MapCell::Exit | (static_cast<std::uint32_t>(number) << MapCell::ExitIdShift);
            }
            else if (word == "gold")
            {
                cell.goldreq = number;
            }
            else
            {
                cell.flags |= static_cast<std::uint32_t>(number) << MapCell::TreasureShift;
            }
        }
        else if (word == "key" || word == "lock")
        {
            const int key = hasValue ? KeyIndex(words[i + 1]) : -1;
            if (key < 0)
            {
                reason = "\"" + word + "\" needs the key kind A, B or C";
                return false;
            }
            ++i;
            cell.flags |= (word == "key" ? MapCell::ProvidesKeyA : MapCell::NeedsKeyA) << key;
        }
        else if (word == "pylon")
        {
            cell.flags |= MapCell::Pylon;
        }
        else if (word == "fogremover")
        {
            cell.flags |= MapCell::FogRemover;
        }
        else if (word == "action")
        {
            const int action = hasValue ? ActionCode(words[i + 1]) : -1;
            if (action < 0)
            {
                reason = "\"action\" needs one of walknorth, walksouth, startpuzzle, walknorth2, removefog, "
                         "walkeast, walkwest";
                return false;
            }
            ++i;
            cell.flags |= static_cast<std::uint32_t>(action) << MapCell::ActionShift;
        }
        else if (word == "cutscene" || word == "cutscene2")
        {
            const int trigger = i + 2 < words.size() ? TriggerCode(words[i + 2]) : -1;
            if (trigger < 0)
            {
                reason = "\"" + word + "\" needs a script name and one of entered, solved, opened, keymissing, "
                         "always";
                return false;
            }
            const bool first = word == "cutscene";
            (first ? cell.cutscene : cell.cutscene2) = words[i + 1];
            cell.flags |= static_cast<std::uint32_t>(trigger)
                          << (first ? MapCell::Sequence1TriggerShift : MapCell::Sequence2TriggerShift);
            i += 2;
        }
        else
        {
            reason = "unknown cell content \"" + word + "\"";
            return false;
        }
    }
    // The triggers a cell can fire: the map acts on no other.
    const int triggers[] = {cell.GetSequence1Trigger(), cell.GetSequence2Trigger()};
    const bool sequences[] = {!cell.cutscene.empty(), !cell.cutscene2.empty()};
    for (int s = 0; s < 2; ++s)
    {
        if (!sequences[s])
        {
            continue;
        }
        if (triggers[s] == MapCell::TriggerPuzzleSolved && !cell.HasPuzzle())
        {
            reason = "\"solved\" is a trigger of a cell with a level";
            return false;
        }
        if (triggers[s] == MapCell::TriggerLockOpened && (cell.flags & MapCell::NeedsAnyKey) == 0 &&
            cell.goldreq == 0)
        {
            reason = "\"opened\" is a trigger of a cell with a lock or a gold requirement";
            return false;
        }
        if (triggers[s] == MapCell::TriggerKeyMissing && (cell.flags & MapCell::NeedsAnyKey) == 0)
        {
            reason = "\"keymissing\" is a trigger of a cell with a key lock";
            return false;
        }
    }
    return true;
}

} // namespace

bool ParseMapSource(const std::string& file, const std::string& text, int levelCount, CEditableMap& map,
                    std::string& error)
{
    auto fail = [&](int line, const std::string& reason) {
        error = file + ":" + std::to_string(line) + ": " + reason;
        return false;
    };
    std::string setting;
    std::vector<std::string> gridLines;
    int gridLine = 0;
    std::map<char, LegendEntry> legend;
    std::string mood;
    enum
    {
        Head,
        Grid,
        Legend
    } part = Head;

    std::istringstream stream(text);
    int lineNumber = 0;
    for (std::string line; std::getline(stream, line);)
    {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '#')
        {
            continue;
        }
        if (part == Grid && line != "legend")
        {
            gridLines.push_back(line);
            continue;
        }
        const std::vector<std::string> words = Words(line);
        if (words.empty())
        {
            continue;
        }
        if (part == Head)
        {
            if (words[0] == "setting" && words.size() == 2)
            {
                setting = words[1];
            }
            else if (words[0] == "grid" && words.size() == 1)
            {
                part = Grid;
                gridLine = lineNumber + 1;
            }
            else
            {
                return fail(lineNumber, "expected \"setting <name>\" or \"grid\"");
            }
            continue;
        }
        if (part == Grid)
        {
            part = Legend;
            continue;
        }
        if (words[0] == "mood")
        {
            if (words.size() != 2)
            {
                return fail(lineNumber, "\"mood\" needs one name");
            }
            mood = words[1];
            continue;
        }
        if (words[0].size() != 1 || words.size() < 2)
        {
            return fail(lineNumber, "a legend line is a cell character, a tile name and the cell's content");
        }
        const char character = words[0][0];
        if (IsNoCell(character) || IsPassage(character, true) || IsPassage(character, false))
        {
            return fail(lineNumber, std::string("\"") + character + "\" marks passages or no cell");
        }
        if (legend.count(character) != 0)
        {
            return fail(lineNumber, std::string("\"") + character + "\" has a legend line already (line " +
                                        std::to_string(legend[character].line) + ")");
        }
        LegendEntry entry;
        entry.line = lineNumber;
        entry.cell.tile = words[1];
        entry.cell.moodimg = mood;
        std::string reason;
        if (!ReadLegendContent(words, entry, reason))
        {
            return fail(lineNumber, reason);
        }
        legend[character] = entry;
    }
    if (setting.empty())
    {
        return fail(0, "no \"setting\" line");
    }
    if (part == Head)
    {
        return fail(0, "no \"grid\"");
    }
    // Trailing empty lines of the grid carry nothing.
    while (!gridLines.empty() && gridLines.back().find_first_not_of(' ') == std::string::npos)
    {
        gridLines.pop_back();
    }
    size_t columns = 0;
    for (const std::string& line : gridLines)
    {
        columns = std::max(columns, line.size());
    }
    const int sizeX = static_cast<int>(columns + 2) / 2;
    const int sizeY = static_cast<int>(gridLines.size() + 1) / 2;
    if (sizeX < 2 || sizeY < 2)
    {
        return fail(gridLine, "the grid holds no cell inside its border");
    }
    if (sizeX - 2 > MaxMapInterior || sizeY - 2 > MaxMapInterior)
    {
        return fail(gridLine, "the map is " + std::to_string(sizeX - 2) + " x " + std::to_string(sizeY - 2) +
                                  " cells inside its border, more than " + std::to_string(MaxMapInterior) +
                                  " in a direction");
    }
    auto at = [&](int column, int row) {
        const std::string& line = gridLines[static_cast<size_t>(row)];
        return static_cast<size_t>(column) < line.size() ? line[static_cast<size_t>(column)] : ' ';
    };

    map.SetSetting(setting);
    map.SetInteriorSize(sizeX - 2, sizeY - 2);
    std::map<int, int> levelLines;
    int passageCells = 0;
    for (int y = 0; y < sizeY; ++y)
    {
        const int line = gridLine + 2 * y;
        for (int x = 0; x < sizeX; ++x)
        {
            const char character = at(2 * x, 2 * y);
            const bool border = x == 0 || y == 0 || x == sizeX - 1 || y == sizeY - 1;
            // The passages leading east and south of this cell.
            const char east = x + 1 < sizeX ? at(2 * x + 1, 2 * y) : ' ';
            const char south = y + 1 < sizeY ? at(2 * x, 2 * y + 1) : ' ';
            if (y + 1 < sizeY && at(2 * x + 1, 2 * y + 1) != ' ')
            {
                return fail(line + 1, "column " + std::to_string(2 * x + 2) + " lies between four cells and holds \"" +
                                          at(2 * x + 1, 2 * y + 1) + "\"");
            }
            if (east != ' ' && !IsPassage(east, true))
            {
                return fail(line, "column " + std::to_string(2 * x + 2) + ": \"" + east +
                                      "\" between two cells is no passage (\"-\" or \"=\")");
            }
            if (south != ' ' && !IsPassage(south, false))
            {
                return fail(line + 1, "column " + std::to_string(2 * x + 1) + ": \"" + south +
                                          "\" between two cells is no passage (\"|\" or \"!\")");
            }
            const bool westPassage = x > 0 && IsPassage(at(2 * x - 1, 2 * y), true);
            const bool northPassage = y > 0 && IsPassage(at(2 * x, 2 * y - 1), false);
            const bool anyPassage = westPassage || northPassage || east != ' ' || south != ' ';
            if (border && anyPassage)
            {
                return fail(line, "cell (" + std::to_string(x) + ", " + std::to_string(y) +
                                      "): a passage leads into the border ring");
            }
            if (IsNoCell(character))
            {
                if (anyPassage)
                {
                    return fail(line, "cell (" + std::to_string(x) + ", " + std::to_string(y) +
                                          "): a passage ends where there is no cell");
                }
                continue;
            }
            const auto entry = legend.find(character);
            if (entry == legend.end())
            {
                return fail(line, "cell (" + std::to_string(x) + ", " + std::to_string(y) + "): \"" + character +
                                      "\" has no legend line");
            }
            if (border)
            {
                return fail(line, "cell (" + std::to_string(x) + ", " + std::to_string(y) +
                                      ") lies in the border ring");
            }
            if (!anyPassage)
            {
                return fail(line, "cell (" + std::to_string(x) + ", " + std::to_string(y) + "): \"" + character +
                                      "\" has no passage");
            }
            MapCell& cell = map.GetCell(x, y);
            cell = entry->second.cell;
            if (northPassage)
            {
                cell.walkBits |= MapCell::CanWalkNorth;
                cell.walkBits |= at(2 * x, 2 * y - 1) == '!' ? MapCell::HideObstacleNorth : 0;
            }
            if (east != ' ')
            {
                cell.walkBits |= MapCell::CanWalkEast;
                cell.walkBits |= east == '=' ? MapCell::HideObstacleEast : 0;
            }
            ++passageCells;
            if (const int level = entry->second.level; level > 0)
            {
                if (levelLines.count(level) != 0)
                {
                    return fail(line, "cell (" + std::to_string(x) + ", " + std::to_string(y) + "): level " +
                                          std::to_string(level) + " is on a cell of line " +
                                          std::to_string(levelLines[level]) + " already");
                }
                levelLines[level] = line;
            }
        }
    }
    if (passageCells > CMap::MaxProgressCells)
    {
        return fail(gridLine, std::to_string(passageCells) + " cells have a passage, more than the " +
                                  std::to_string(CMap::MaxProgressCells) + " that keep progress");
    }
    for (const auto& [character, entry] : legend)
    {
        if (entry.level > levelCount)
        {
            return fail(entry.line, "level " + std::to_string(entry.level) + " is beyond the map's " +
                                        std::to_string(levelCount) + " levels");
        }
    }
    for (int level = 1; level <= levelCount; ++level)
    {
        if (levelLines.count(level) == 0)
        {
            return fail(gridLine, "level " + std::to_string(level) + " of " + std::to_string(levelCount) +
                                      " is on no cell");
        }
    }
    map.FinishLayout();
    return true;
}

bool CheckMapContent(const std::string& file, const CMap& map, std::string& error)
{
    int startExits = 0;
    int exits = 0;
    int provided[3] = {};
    int locks[3] = {};
    int removeFog = 0;
    int fogRemovers = 0;
    int pylons = 0;
    for (int y = 0; y < map.GetSize().cy; ++y)
    {
        for (int x = 0; x < map.GetSize().cx; ++x)
        {
            const MapCell& cell = map.GetCell(x, y);
            exits += cell.IsExit() ? 1 : 0;
            startExits += cell.IsExit() && cell.GetExitId() == 0 ? 1 : 0;
            for (int kind = 0; kind < 3; ++kind)
            {
                provided[kind] += (cell.flags & (MapCell::ProvidesKeyA << kind)) != 0 ? 1 : 0;
                locks[kind] += (cell.flags & (MapCell::NeedsKeyA << kind)) != 0 ? 1 : 0;
            }
            removeFog += cell.GetAction() == MapCell::ActionRemoveFog ? 1 : 0;
            fogRemovers += (cell.flags & MapCell::FogRemover) != 0 ? 1 : 0;
            pylons += (cell.flags & MapCell::Pylon) != 0 ? 1 : 0;
        }
    }
    auto fail = [&](const std::string& rule) {
        error = file + ":0: " + rule;
        return false;
    };
    if (startExits != 1)
    {
        return fail(std::to_string(startExits) + " exits have the id 0; the start is exactly one");
    }
    for (int kind = 0; kind < 3; ++kind)
    {
        if (provided[kind] < locks[kind])
        {
            return fail(std::to_string(locks[kind]) + " locks take key " + "ABC"[kind] + " but only " +
                        std::to_string(provided[kind]) + " cells give one");
        }
    }
    if (removeFog == 0 || fogRemovers == 0)
    {
        return fail("the fog needs a cell with the \"removefog\" action and a \"fogremover\" cell");
    }
    if (pylons != 2)
    {
        return fail(std::to_string(pylons) + " pylons; a map has two");
    }
    return true;
}

const char* RouteActName(RouteStep::Act act)
{
    switch (act)
    {
    case RouteStep::Walk:
        return "walk";
    case RouteStep::Play:
        return "play";
    case RouteStep::Open:
        return "open";
    case RouteStep::Leave:
        return "leave";
    }
    return "";
}

bool ParseMapRoute(const std::string& file, const std::string& text, std::vector<RouteStep>& steps,
                   std::string& error)
{
    steps.clear();
    std::istringstream stream(text);
    int lineNumber = 0;
    for (std::string line; std::getline(stream, line);)
    {
        ++lineNumber;
        const std::vector<std::string> words = Words(line);
        if (words.empty() || words[0][0] == '#')
        {
            continue;
        }
        RouteStep step;
        step.line = lineNumber;
        bool known = false;
        for (RouteStep::Act act : {RouteStep::Walk, RouteStep::Play, RouteStep::Open, RouteStep::Leave})
        {
            if (words[0] == RouteActName(act))
            {
                step.act = act;
                known = true;
            }
        }
        if (!known)
        {
            error = file + ":" + std::to_string(lineNumber) + ": unknown act \"" + words[0] +
                    "\" (walk, play, open or leave)";
            return false;
        }
        if (words.size() != 3 || !ReadNumber(words[1], 0, CPathfindingMap::MaxCells - 1, step.x) ||
            !ReadNumber(words[2], 0, CPathfindingMap::MaxCells - 1, step.y))
        {
            error = file + ":" + std::to_string(lineNumber) + ": expected \"" + words[0] +
                    " <x> <y>\" with the cell's grid coordinates";
            return false;
        }
        steps.push_back(step);
    }
    return true;
}

} // namespace MediaGen
