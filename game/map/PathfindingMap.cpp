#include "game/map/PathfindingMap.h"

#include "foundation/Debug.h"
#include "foundation/FileStream.h"
#include "game/map/Map.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace
{

// Half a sub-cell in cell units: 1/22 as the float the grid's positions are built with.
constexpr float HalfSubCell = 0.0454545468f;

constexpr float StraightCost = 1.0f;
constexpr float DiagonalCost = 1.41419995f;
constexpr double DiagonalEstimate = 1.41419995;

struct Step
{
    int di;
    int dj;
    float cost;
};
// The neighbours in the order they are expanded.
constexpr Step Steps[8] = {
    {0, -1, StraightCost}, {-1, -1, DiagonalCost}, {1, -1, DiagonalCost}, {-1, 0, StraightCost},
    {1, 0, StraightCost},  {-1, 1, DiagonalCost},  {0, 1, StraightCost},  {1, 1, DiagonalCost},
};

// One state of the search.
struct SearchRecord
{
    std::int32_t i = 0;
    std::int32_t j = 0;
    float g = 0.0f;
    float h = 0.0f;
    const SearchRecord* predecessor = nullptr;
    // f = g + h when it last entered the open list.
    float f = 0.0f;
    // Counts insertions into the open list: a later insertion has a larger stamp.
    std::uint32_t stamp = 0;
    // Place in the open list's heap; -1 while not in it.
    std::int32_t slot = -1;
};

// The open list: ascending f, and among equal f the record inserted last comes first. A record inserted
// in front of the first one whose f is not smaller keeps exactly this order, so a heap on (f, newest)
// takes records out in the order a sorted list would, with removal of any record by its slot.
class COpenList
{
public:
    explicit COpenList(std::size_t capacity) { m_Heap.reserve(capacity); }

    bool IsEmpty() const { return m_Heap.empty(); }

    void Insert(SearchRecord* record)
    {
        record->f = record->g + record->h;
        record->stamp = ++m_Stamp;
        record->slot = static_cast<std::int32_t>(m_Heap.size());
        m_Heap.push_back(record);
        Raise(m_Heap.size() - 1);
    }

    SearchRecord* TakeFirst()
    {
        SearchRecord* first = m_Heap.front();
        Remove(first);
        return first;
    }

    void Remove(SearchRecord* record)
    {
        const std::size_t at = static_cast<std::size_t>(record->slot);
        record->slot = -1;
        SearchRecord* last = m_Heap.back();
        m_Heap.pop_back();
        if (last == record)
        {
            return;
        }
        m_Heap[at] = last;
        last->slot = static_cast<std::int32_t>(at);
        Raise(at);
        Lower(static_cast<std::size_t>(last->slot));
    }

private:
    static bool Before(const SearchRecord* a, const SearchRecord* b)
    {
        return a->f < b->f || (a->f == b->f && a->stamp > b->stamp);
    }

    void Place(std::size_t at, SearchRecord* record)
    {
        m_Heap[at] = record;
        record->slot = static_cast<std::int32_t>(at);
    }

    void Raise(std::size_t at)
    {
        SearchRecord* record = m_Heap[at];
        while (at > 0)
        {
            const std::size_t parent = (at - 1) / 2;
            if (!Before(record, m_Heap[parent]))
            {
                break;
            }
            Place(at, m_Heap[parent]);
            at = parent;
        }
        Place(at, record);
    }

    void Lower(std::size_t at)
    {
        SearchRecord* record = m_Heap[at];
        for (;;)
        {
            std::size_t child = at * 2 + 1;
            if (child >= m_Heap.size())
            {
                break;
            }
            if (child + 1 < m_Heap.size() && Before(m_Heap[child + 1], m_Heap[child]))
            {
                ++child;
            }
            if (!Before(m_Heap[child], record))
            {
                break;
            }
            Place(at, m_Heap[child]);
            at = child;
        }
        Place(at, record);
    }

    std::vector<SearchRecord*> m_Heap;
    std::uint32_t m_Stamp = 0;
};

// The octile distance between two sub-cells, as the double it is computed in.
double Estimate(int i, int j, int goalI, int goalJ)
{
    const int dx = std::abs(i - goalI);
    const int dy = std::abs(j - goalJ);
    const int low = std::min(dx, dy);
    return static_cast<double>(std::max(dx, dy) - low) + static_cast<double>(low) * DiagonalEstimate;
}

} // namespace

CPathfindingMap::CPathfindingMap(CMap& map) : m_Map(map)
{
}

CPathfindingMap::~CPathfindingMap() = default;

bool CPathfindingMap::LoadPaths(const std::string& path, int sizeX, int sizeY)
{
    if (sizeX < 0 || sizeX > MaxCells || sizeY < 0 || sizeY > MaxCells)
    {
        return false;
    }
    BaseLib::CFileStream file(BaseLib::CFileStream::ModeRead, path);
    if (!file.IsOpen())
    {
        return false;
    }
    m_Width = sizeX * SubCellsPerCell;
    m_Height = sizeY * SubCellsPerCell;
    const std::int32_t count = m_Width * m_Height;
    m_Grid = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(count));
    const std::int32_t read = count > 0 ? file.Read(m_Grid.get(), count) : 0;
    const std::int32_t supplied = std::clamp(read, 0, count);
    std::memset(m_Grid.get() + supplied, 1, static_cast<std::size_t>(count - supplied));
    return supplied == count;
}

void CPathfindingMap::Clear()
{
    m_Grid.reset();
    m_Width = 0;
    m_Height = 0;
}

void CPathfindingMap::CellToGrid(int x, int y, int& i, int& j)
{
    i = x * SubCellsPerCell + SubCellsPerCell / 2;
    j = y * SubCellsPerCell + SubCellsPerCell / 2;
}

void CPathfindingMap::PositionToGrid(float px, float py, int& i, int& j)
{
    i = static_cast<int>(px * static_cast<float>(SubCellsPerCell));
    j = static_cast<int>(py * static_cast<float>(SubCellsPerCell));
}

BaseLib::CVector2 CPathfindingMap::GridToPosition(int i, int j)
{
    return BaseLib::CVector2(static_cast<float>(i) / static_cast<float>(SubCellsPerCell) + HalfSubCell,
                             static_cast<float>(j) / static_cast<float>(SubCellsPerCell) + HalfSubCell);
}

BaseLib::CVector2 CPathfindingMap::GridIndexToPosition(int index) const
{
    if (m_Width <= 0)
    {
        return GridToPosition(0, 0);
    }
    return GridToPosition(index % m_Width, index / m_Width);
}

bool CPathfindingMap::IsWalkable(int i, int j) const
{
    return m_Grid != nullptr && i >= 0 && j >= 0 && i < m_Width && j < m_Height &&
           m_Grid[static_cast<std::size_t>(j) * static_cast<std::size_t>(m_Width) + static_cast<std::size_t>(i)] == 0;
}

bool CPathfindingMap::FindNearestFree(int& i, int& j) const
{
    if (m_Grid == nullptr)
    {
        return false;
    }
    if (IsWalkable(i, j))
    {
        return true;
    }
    for (int r = 1; r <= NearestFreeReach; ++r)
    {
        for (int k = 0; k < r; ++k)
        {
            const int candidates[4][2] = {
                {i - k, j - r + k}, {i - r + k, j + k}, {i + k, j + r - k}, {i + r - k, j - k}};
            for (const auto& candidate : candidates)
            {
                if (IsWalkable(candidate[0], candidate[1]))
                {
                    i = candidate[0];
                    j = candidate[1];
                    return true;
                }
            }
        }
    }
    return false;
}

bool CPathfindingMap::FindPath(int startI, int startJ, int goalI, int goalJ, std::vector<std::int32_t>& path)
{
    path.clear();
    m_LastSearch = SearchUse();
    if (m_Grid == nullptr)
    {
        return false;
    }
    // The pool is made for this search only; records never move, so predecessors stay valid.
    const std::unique_ptr<SearchRecord[]> pool = std::make_unique<SearchRecord[]>(RecordPoolSize);
    int used = 0;
    COpenList open(RecordPoolSize);
    std::unordered_map<std::int32_t, SearchRecord*> visited;
    visited.reserve(RecordPoolSize);

    SearchRecord* start = &pool[used++];
    start->i = startI;
    start->j = startJ;
    open.Insert(start);
    const SearchRecord* found = nullptr;
    bool exhausted = false;
    while (!open.IsEmpty() && !exhausted)
    {
        SearchRecord* current = open.TakeFirst();
        if (current->i == goalI && current->j == goalJ)
        {
            found = current;
            break;
        }
        for (const Step& step : Steps)
        {
            const int ni = current->i + step.di;
            const int nj = current->j + step.dj;
            if (!IsWalkable(ni, nj))
            {
                continue;
            }
            const int inI = ni % SubCellsPerCell;
            const int inJ = nj % SubCellsPerCell;
            if (inI == 3 || inI == 8 || inJ == 3 || inJ == 8)
            {
                // Gate lines of a cell still closed to the player.
                const int cx = ni / SubCellsPerCell;
                const int cy = nj / SubCellsPerCell;
                if (m_Map.HasAnyPassage(cx, cy) && !m_Map.GetCell(cx, cy).IsRevealed())
                {
                    continue;
                }
            }
            const float g = current->g + step.cost;
            const std::int32_t index = nj * m_Width + ni;
            const auto known = visited.find(index);
            if (known != visited.end())
            {
                SearchRecord* record = known->second;
                if (record->g <= g)
                {
                    continue;
                }
                if (record->slot >= 0)
                {
                    open.Remove(record);
                }
                record->g = g;
                record->predecessor = current;
                open.Insert(record);
                continue;
            }
            if (used == RecordPoolSize)
            {
                exhausted = true;
                break;
            }
            SearchRecord* record = &pool[used++];
            record->i = ni;
            record->j = nj;
            record->g = g;
            record->h = static_cast<float>(Estimate(ni, nj, goalI, goalJ));
            record->predecessor = current;
            open.Insert(record);
            visited.emplace(index, record);
        }
    }
    m_LastSearch.records = used;
    m_LastSearch.poolExhausted = exhausted;
    if (found == nullptr)
    {
        BaseLib::DebugOutput("no path found\n");
        return false;
    }
    for (const SearchRecord* record = found; record != nullptr; record = record->predecessor)
    {
        path.push_back(record->j * m_Width + record->i);
    }
    BaseLib::DebugOutput("found path, checked total of %d states\n", static_cast<int>(visited.size()));
    return true;
}
