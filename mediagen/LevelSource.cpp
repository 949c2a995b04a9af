#include "mediagen/LevelSource.h"

#include "mediagen/GameModels.h"

#include "puzzle/Block.h"
#include "puzzle/BlockFactory.h"

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace MediaGen
{

namespace
{

struct LegendEntry
{
    std::string type;
    int group = -1;
    int line = 0;
};

// Splits a line into its whitespace-separated words.
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

bool ParseNumber(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    {
        return false;
    }
    value = std::stoi(text);
    return true;
}

bool IsKnownEnvironment(const std::string& name)
{
    const std::vector<std::string>& regions = GameRegions();
    const std::vector<std::string>& tutorials = TutorialEnvironments();
    return std::any_of(regions.begin(), regions.end(),
                       [&](const std::string& region) { return name == region + "1"; }) ||
           std::find(tutorials.begin(), tutorials.end(), name) != tutorials.end();
}

// True when the cells of the group form one shape connected through shared edges.
bool IsConnected(const LevelSource& source, int group)
{
    std::vector<char> seen(source.cells.size(), 0);
    std::vector<std::pair<int, int>> open;
    size_t members = 0;
    for (int y = 0; y < source.height; ++y)
    {
        for (int x = 0; x < source.width; ++x)
        {
            if (source.At(x, y).group == group)
            {
                ++members;
                if (open.empty() && !seen[static_cast<size_t>(y * source.width + x)])
                {
                    open.emplace_back(x, y);
                    seen[static_cast<size_t>(y * source.width + x)] = 1;
                }
            }
        }
    }
    size_t reached = 0;
    while (!open.empty())
    {
        const auto [x, y] = open.back();
        open.pop_back();
        ++reached;
        const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (const auto& step : steps)
        {
            const int nx = x + step[0];
            const int ny = y + step[1];
            const size_t index = static_cast<size_t>(ny * source.width + nx);
            if (nx >= 0 && ny >= 0 && nx < source.width && ny < source.height && !seen[index] &&
                source.At(nx, ny).group == group)
            {
                seen[index] = 1;
                open.emplace_back(nx, ny);
            }
        }
    }
    return reached == members;
}

// True when the cells of the group lie in one row or in one column: a piece is a line of cells.
bool IsLine(const LevelSource& source, int group)
{
    std::set<int> rows;
    std::set<int> columns;
    for (int y = 0; y < source.height; ++y)
    {
        for (int x = 0; x < source.width; ++x)
        {
            if (source.At(x, y).group == group)
            {
                rows.insert(y);
                columns.insert(x);
            }
        }
    }
    return rows.size() == 1 || columns.size() == 1;
}

} // namespace

bool ParseLevelSource(const std::string& file, const std::string& text, LevelSource& source,
                      std::string& error)
{
    source = LevelSource{};
    source.file = file;
    const auto fail = [&](int line, const std::string& what) {
        error = file + ":" + std::to_string(line) + ": " + what;
        return false;
    };

    enum class Section
    {
        Header,
        Grid,
        Legend
    };
    Section section = Section::Header;
    std::vector<std::pair<std::string, int>> rows;
    std::vector<int> exitLines;
    std::map<char, LegendEntry> legend;
    int boardLine = 0;
    int gridLine = 0;

    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);)
    {
        ++number;
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        const std::vector<std::string> words = Words(line);
        if (words.empty() || words[0][0] == '#')
        {
            continue;
        }
        if (words.size() == 1 && (words[0] == "grid" || words[0] == "legend"))
        {
            if (words[0] == "grid")
            {
                if (gridLine != 0)
                {
                    return fail(number, "a second grid");
                }
                gridLine = number;
                section = Section::Grid;
            }
            else
            {
                if (gridLine == 0)
                {
                    return fail(number, "the legend comes before the grid");
                }
                section = Section::Legend;
            }
            continue;
        }
        if (section == Section::Grid)
        {
            if (words.size() != 1)
            {
                return fail(number, "a grid row is one word of cells");
            }
            rows.emplace_back(words[0], number);
            continue;
        }
        if (section == Section::Legend)
        {
            if (words[0].size() != 1 || words.size() < 2 || words.size() > 3)
            {
                return fail(number, "a legend line is a character, a block type and an optional link group");
            }
            const char character = words[0][0];
            if (character == '.')
            {
                return fail(number, "\".\" is the empty cell and takes no legend entry");
            }
            if (legend.count(character) != 0)
            {
                return fail(number, std::string("a second legend entry for \"") + character + "\"");
            }
            LegendEntry entry{words[1], -1, number};
            if (!IsBlockType(entry.type))
            {
                return fail(number, "unknown block type \"" + entry.type + "\"");
            }
            if (entry.type == "wall" || entry.type == "levelsolvedtrigger")
            {
                return fail(number, "\"" + entry.type + "\" belongs to the border, not to a cell");
            }
            if (words.size() == 3 && !ParseNumber(words[2], entry.group))
            {
                return fail(number, "the link group \"" + words[2] + "\" is not a number");
            }
            legend[character] = entry;
            continue;
        }
        const std::string& key = words[0];
        if (key == "binary" && words.size() == 1)
        {
            source.binary = true;
        }
        else if (key == "gfxset" && words.size() == 2)
        {
            const std::vector<std::string>& sets = GameGfxSets();
            if (std::find(sets.begin(), sets.end(), words[1]) == sets.end())
            {
                return fail(number, "unknown gfx set \"" + words[1] + "\"");
            }
            source.gfxSet = words[1];
        }
        else if (key == "environment" && words.size() == 2)
        {
            if (!IsKnownEnvironment(words[1]))
            {
                return fail(number, "unknown environment \"" + words[1] + "\"");
            }
            source.environment = words[1];
        }
        else if (key == "board" && words.size() == 2)
        {
            source.board = words[1];
            boardLine = number;
        }
        else if (key == "exit" && words.size() == 3)
        {
            static const std::vector<std::string> sides = {"north", "south", "west", "east"};
            const auto side = std::find(sides.begin(), sides.end(), words[1]);
            PuzzleExit exit;
            if (side == sides.end())
            {
                return fail(number, "unknown exit side \"" + words[1] + "\"");
            }
            if (!ParseNumber(words[2], exit.offset))
            {
                return fail(number, "the exit offset \"" + words[2] + "\" is not a number");
            }
            exit.side = static_cast<int32_t>(side - sides.begin());
            source.exits.push_back(exit);
            exitLines.push_back(number);
        }
        else
        {
            return fail(number, "unknown line \"" + line + "\"");
        }
    }

    if (source.gfxSet.empty() || source.environment.empty() || source.board.empty())
    {
        return fail(0, "gfxset, environment and board are needed");
    }
    if (rows.empty())
    {
        return fail(0, "no grid");
    }
    if (source.exits.empty())
    {
        return fail(0, "no exit");
    }
    source.gridLine = gridLine;
    source.width = static_cast<int>(rows[0].first.size());
    source.height = static_cast<int>(rows.size());
    for (const auto& [row, line] : rows)
    {
        if (static_cast<int>(row.size()) != source.width)
        {
            return fail(line, "the row is " + std::to_string(row.size()) + " cells long, the first " +
                                  std::to_string(source.width));
        }
    }
    const std::vector<BoardSize>& sizes = GameBoardSizes();
    const BoardSize size{source.width, source.height};
    if (std::none_of(sizes.begin(), sizes.end(),
                     [&](const BoardSize& s) { return s.width == size.width && s.height == size.height; }))
    {
        return fail(gridLine, "no board model for a " + std::to_string(size.width) + "x" +
                                  std::to_string(size.height) + " grid");
    }
    if (source.board != BoardModelName(size))
    {
        return fail(boardLine, "the board \"" + source.board + "\" is not the one of the " +
                                   std::to_string(size.width) + "x" + std::to_string(size.height) + " grid");
    }
    for (size_t i = 0; i < source.exits.size(); ++i)
    {
        const PuzzleExit& exit = source.exits[i];
        const int edge =
            exit.side == DirectionNorth || exit.side == DirectionSouth ? source.width : source.height;
        if (exit.offset >= edge)
        {
            return fail(exitLines[i], "the exit lies beyond the edge of " + std::to_string(edge) + " cells");
        }
    }

    for (const auto& [row, line] : rows)
    {
        for (const char character : row)
        {
            LevelCell cell;
            cell.character = character;
            if (character != '.')
            {
                const auto entry = legend.find(character);
                if (entry == legend.end())
                {
                    return fail(line, std::string("\"") + character + "\" has no legend entry");
                }
                cell.type = entry->second.type;
                cell.group = entry->second.group;
            }
            source.cells.push_back(cell);
        }
    }
    for (const auto& [character, entry] : legend)
    {
        if (entry.group < 0)
        {
            continue;
        }
        if (!IsConnected(source, entry.group))
        {
            return fail(entry.line,
                        "the link group " + std::to_string(entry.group) + " is not one connected shape");
        }
        if (!IsLine(source, entry.group))
        {
            return fail(entry.line,
                        "the link group " + std::to_string(entry.group) + " is not a straight line");
        }
    }
    return true;
}

void BuildLevelPuzzle(const LevelSource& source, CEditablePuzzle& puzzle)
{
    puzzle.SetGridSize(source.width, source.height);
    puzzle.SetExits(source.exits);
    puzzle.SetGfxSetName(source.gfxSet);
    puzzle.SetEnvironmentName(source.environment);
    puzzle.SetBoardName(source.board);

    std::vector<CBlock*> placed(source.cells.size(), nullptr);
    for (int y = 0; y < source.height; ++y)
    {
        for (int x = 0; x < source.width; ++x)
        {
            const LevelCell& cell = source.At(x, y);
            if (cell.character == '.')
            {
                continue;
            }
            CBlock* block = CreateBlockByType(&puzzle, cell.type);
            block->SetPosition(static_cast<float>(x), static_cast<float>(y));
            const auto linkTo = [&](int ox, int oy, BlockDirection side) {
                if (ox < 0 || oy < 0 || cell.group < 0 || source.At(ox, oy).group != cell.group)
                {
                    return;
                }
                block->SetNeighbour(side, placed[static_cast<size_t>(oy * source.width + ox)]);
            };
            linkTo(x - 1, y, DirectionWest);
            linkTo(x, y - 1, DirectionNorth);
            placed[static_cast<size_t>(y * source.width + x)] = block;
            puzzle.AddBlock(block);
        }
    }
    int32_t id = 1;
    for (CBlock* block : puzzle.GetBlocks())
    {
        block->SetIdFromFile(id++);
    }
    puzzle.TakeStartSnapshot();
}

} // namespace MediaGen
