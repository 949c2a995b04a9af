#include "tools/batch/PuzzleGenerator.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "foundation/Random.h"
#include "puzzle/Puzzle.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <thread>
#include <utility>

namespace
{

constexpr PuzzleCell EmptyCell{'-', -1};

std::string Format(const char* format, int32_t width, int32_t height, int32_t moves, int32_t blocks,
                   int32_t seed, int32_t counter)
{
    char name[256];
    std::snprintf(name, sizeof name, format, width, height, moves, blocks, seed, counter);
    return name;
}

} // namespace

PuzzleGenerator::PuzzleGenerator(int32_t width, int32_t height, int32_t maxBlocks, int32_t minMoves,
                                 int32_t minPlayers, int32_t maxPlayers, bool useRefiner)
    : m_width(width), m_height(height), m_maxBlocks(maxBlocks), m_minMoves(minMoves),
      m_minPlayers(std::min(minPlayers, maxPlayers)), m_maxPlayers(std::max(minPlayers, maxPlayers)),
      m_useRefiner(useRefiner)
{
    AddEntry("###", 10);
    AddEntry("##", 10);
    if (IsValidSize())
    {
        m_cells.assign(static_cast<size_t>(width) * static_cast<size_t>(height), EmptyCell);
    }
}

void PuzzleGenerator::UpdateTotalWeight(const std::vector<GeneratorEntry>& entries)
{
    m_entries = entries;
    m_totalWeight = 0;
    for (const GeneratorEntry& entry : m_entries)
    {
        m_totalWeight += entry.weight;
    }
}

void PuzzleGenerator::AddEntry(const std::string& pattern, int32_t weight)
{
    m_entries.push_back({pattern, weight});
    m_totalWeight += weight;
}

bool PuzzleGenerator::IsValidSize() const
{
    return m_width >= 1 && m_width <= CPuzzle::MaxBoardSide && m_height >= 1 &&
           m_height <= CPuzzle::MaxBoardSide;
}

int32_t PuzzleGenerator::Draw()
{
    return m_randomSource ? m_randomSource() : BaseLib::Random();
}

// ---- the run ----

void PuzzleGenerator::Run()
{
    if (m_aliases == nullptr)
    {
        BaseLib::DebugOutput("Generator: no path aliases\n");
        return;
    }
    if (!IsValidSize())
    {
        BaseLib::DebugOutput("Generator: bad grid size %dx%d\n", m_width, m_height);
        return;
    }
    auto puzzle = std::make_unique<CEditablePuzzle>();
    while (!m_stop.load())
    {
        const int32_t seed = m_seedSource ? m_seedSource() : static_cast<int32_t>(std::time(nullptr));
        BaseLib::SeedRandom(static_cast<uint32_t>(seed));
        m_cycles.fetch_add(1);
        ClearGrid();
        std::vector<PuzzleExit> exits;
        PlacePlayers(exits);
        RunCycle(*puzzle, seed, exits);
    }
    m_solver.SetPuzzle(nullptr);
    m_refiner.SetPuzzle(nullptr);
}

void PuzzleGenerator::Stop()
{
    m_stop.store(true);
    m_solver.Stop();
    // The refiner clears its stop flag when its run begins: a stop that lands just before would be
    // lost, so it is repeated until the worker has left the refiner.
    m_refiner.Stop();
    while (m_refining.load())
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        m_refiner.Stop();
    }
}

void PuzzleGenerator::PlacePlayers(std::vector<PuzzleExit>& exits)
{
    const int32_t players = m_minPlayers >= m_maxPlayers
                                ? m_minPlayers
                                : m_minPlayers + Draw() % (m_maxPlayers - m_minPlayers + 1);
    for (int32_t i = 0; i < players && !m_stop.load();)
    {
        const bool vertical = Draw() % 2 == 0;
        int32_t position = 0;
        int32_t side = 0;
        if (vertical)
        {
            position = Draw() % m_width;
            side = i == 0 ? 0 : (Draw() % 2 != 0 ? 1 : 0);
        }
        else
        {
            position = Draw() % m_height;
            side = i == 0 ? 3 : (Draw() % 2 != 0 ? 2 : 3);
        }
        if (PlaceShape("PP", vertical, position))
        {
            exits.push_back({side, position});
            ++i;
        }
    }
}

void PuzzleGenerator::RunCycle(CEditablePuzzle& puzzle, int32_t seed, const std::vector<PuzzleExit>& exits)
{
    bool previousSolved = true;
    for (int32_t tries = 0; tries < MaxTries && !m_stop.load(); ++tries)
    {
        DumpGrid();
        puzzle.CreateFromCellGrid(m_cells, m_width, m_height, exits);
        // The rebuild keeps the par, which the solver only ever raises: without this a layout would
        // be saved with the par of a longer one judged before it.
        puzzle.SetParSolveMoves(-1);
        m_solver.SetPuzzle(&puzzle);
        const bool solved = m_solver.Solve() == PuzzleSolver::StatusSolved;
        m_layoutsTried.fetch_add(1);
        BaseLib::DebugOutput("Generator: %s, moves %d, blocks %d\n", solved ? "success" : "failed",
                             m_solver.GetCurrentMove(), m_blockCount);
        if (m_stop.load())
        {
            // A stopped solve tells nothing about the layout.
            break;
        }
        if (solved)
        {
            m_layoutsSolved.fetch_add(1);
            const int32_t moves = m_solver.GetCurrentMove();
            if (moves >= m_minMoves)
            {
                SavePuzzle(puzzle, Refine(puzzle, moves), m_blockCount, seed);
            }
            if (m_blockCount >= m_maxBlocks)
            {
                RemoveRandomShape();
            }
            if (!AddRandomShape())
            {
                RemoveRandomShape();
            }
        }
        else if (previousSolved)
        {
            SwapLastShape();
        }
        else
        {
            RemoveRandomShape();
            RemoveRandomShape();
        }
        previousSolved = solved;
    }
}

int32_t PuzzleGenerator::Refine(CEditablePuzzle& puzzle, int32_t moves)
{
    if (!m_useRefiner)
    {
        return moves;
    }
    m_refining.store(true);
    const auto start = std::chrono::steady_clock::now();
    int32_t result = PuzzleRefiner::StatusNotImproved;
    if (!m_stop.load())
    {
        m_refiner.SetPuzzle(&puzzle);
        result = m_refiner.Refine();
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    m_refineSeconds.store(m_refineSeconds.load() + spent.count());
    m_refining.store(false);
    return result == PuzzleRefiner::StatusImproved ? m_refiner.GetHighestMoves() : moves;
}

// ---- the layout steps ----

void PuzzleGenerator::ClearGrid()
{
    std::fill(m_cells.begin(), m_cells.end(), EmptyCell);
    m_blockCount = 0;
}

bool PuzzleGenerator::CanPlace(int32_t x, int32_t y, int32_t n, bool vertical) const
{
    const int32_t lastX = vertical ? x : x + n - 1;
    const int32_t lastY = vertical ? y + n - 1 : y;
    if (n < 1 || x < 0 || y < 0 || lastX >= m_width || lastY >= m_height)
    {
        return false;
    }
    for (int32_t i = 0; i < n; ++i)
    {
        const int32_t cx = vertical ? x : x + i;
        const int32_t cy = vertical ? y + i : y;
        if (m_cells[static_cast<size_t>(cy) * static_cast<size_t>(m_width) + static_cast<size_t>(cx)].type !=
            '-')
        {
            return false;
        }
    }
    return true;
}

bool PuzzleGenerator::PlaceShape(const std::string& pattern, bool vertical, int32_t position)
{
    const auto n = static_cast<int32_t>(pattern.size());
    // A shape longer than its side has no start cell to draw: it fails before any draw.
    if (m_cells.empty() || n < 1 || n > (vertical ? m_height : m_width) ||
        position >= (vertical ? m_width : m_height))
    {
        return false;
    }
    const bool free = position < 0;
    int32_t x = 0;
    int32_t y = 0;
    if (vertical)
    {
        x = free ? Draw() % m_width : position;
        y = Draw() % (m_height - n + 1);
    }
    else
    {
        x = Draw() % (m_width - n + 1);
        y = free ? Draw() % m_height : position;
    }
    const int32_t startX = x;
    const int32_t startY = y;
    while (!CanPlace(x, y, n, vertical))
    {
        if (vertical)
        {
            if (++y + n > m_height)
            {
                y = 0;
                x = free ? (x + 1) % m_width : x;
            }
        }
        else if (++x + n > m_width)
        {
            x = 0;
            y = free ? (y + 1) % m_height : y;
        }
        if (x == startX && y == startY)
        {
            return false;
        }
    }
    const int32_t group = m_nextGroup++;
    for (int32_t i = 0; i < n; ++i)
    {
        const int32_t cx = vertical ? x : x + i;
        const int32_t cy = vertical ? y + i : y;
        m_cells[static_cast<size_t>(cy) * static_cast<size_t>(m_width) + static_cast<size_t>(cx)] = {
            pattern[static_cast<size_t>(i)], group};
    }
    ++m_blockCount;
    m_lastGroup = group;
    return true;
}

bool PuzzleGenerator::AddRandomShape()
{
    if (m_totalWeight <= 0)
    {
        return false;
    }
    const int32_t r = Draw() % m_totalWeight;
    const GeneratorEntry* chosen = nullptr;
    int32_t sum = 0;
    for (const GeneratorEntry& entry : m_entries)
    {
        sum += entry.weight;
        if (sum > r)
        {
            chosen = &entry;
            break;
        }
    }
    const bool vertical = Draw() % 2 == 0;
    return chosen != nullptr && PlaceShape(chosen->pattern, vertical, -1);
}

void PuzzleGenerator::RemoveRandomShape()
{
    if (m_cells.empty())
    {
        return;
    }
    const auto count = static_cast<int32_t>(m_cells.size());
    const int32_t start = Draw() % count;
    for (int32_t k = 0; k < count; ++k)
    {
        const Cell& cell = m_cells[static_cast<size_t>((start + k) % count)];
        if (cell.group >= 0 && cell.type != 'P')
        {
            RemoveGroup(cell.group);
            return;
        }
    }
}

void PuzzleGenerator::RemoveGroup(int32_t group)
{
    if (group < 0)
    {
        return;
    }
    bool changed = false;
    for (Cell& cell : m_cells)
    {
        if (cell.group == group)
        {
            cell = EmptyCell;
            changed = true;
        }
    }
    if (changed)
    {
        --m_blockCount;
    }
}

void PuzzleGenerator::SwapLastShape()
{
    const int32_t last = m_lastGroup;
    bool lastIsPlayer = false;
    for (const Cell& cell : m_cells)
    {
        lastIsPlayer = lastIsPlayer || (cell.group == last && cell.type == 'P');
    }
    if (!AddRandomShape())
    {
        RemoveRandomShape();
    }
    else if (!lastIsPlayer)
    {
        RemoveGroup(last);
    }
}

void PuzzleGenerator::DumpGrid() const
{
    std::string row;
    for (int32_t y = 0; y < m_height && !m_cells.empty(); ++y)
    {
        row.clear();
        for (int32_t x = 0; x < m_width; ++x)
        {
            row +=
                m_cells[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)].type;
        }
        BaseLib::DebugOutput("%s\n", row.c_str());
    }
}

void PuzzleGenerator::SavePuzzle(CEditablePuzzle& puzzle, int32_t moves, int32_t blocks, int32_t seed)
{
    const BaseLib::CPathAliases aliases;
    const BaseLib::CPathAliases& table = m_aliases != nullptr ? *m_aliases : aliases;
    std::string name = table.ResolvePath(
        Format("level>_%dx%d_%02dm_%02db_%d.xml", m_width, m_height, moves, blocks, seed, 0));
    for (int32_t counter = 2; BaseLib::FileExists(name); ++counter)
    {
        name = table.ResolvePath(
            Format("level>_%dx%d_%02dm_%02db_%d_%d.xml", m_width, m_height, moves, blocks, seed, counter));
    }
    BaseLib::DebugOutput("Generator: Saving puzzle %s\n", name.c_str());
    puzzle.SaveXml(name);
    m_puzzlesSaved.fetch_add(1);
}
