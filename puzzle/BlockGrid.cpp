#include "puzzle/BlockGrid.h"

#include "puzzle/Block.h"
#include "puzzle/MoveSet.h"
#include "puzzle/Puzzle.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{

// Coordinates below this size convert to int32 exactly, and every float of that size from 2^24 on is a
// whole number.
constexpr float FastCoordinateLimit = 1.0e8f;

// floor(v) as a cell index. Coordinates far off the board (a damaged file) are clamped so that the
// conversion stays defined; every such cell lies beyond the ring anyway.
int32_t CellIndex(float v)
{
    if (v > -FastCoordinateLimit && v < FastCoordinateLimit)
    {
        // Truncation, one less for a negative coordinate between whole numbers: floor without a call.
        const int32_t truncated = static_cast<int32_t>(v);
        return static_cast<float>(truncated) > v ? truncated - 1 : truncated;
    }
    const float f = std::floor(v);
    if (!(f > -1.0e9f))
    {
        return -1000000000;
    }
    if (f > 1.0e9f)
    {
        return 1000000000;
    }
    return static_cast<int32_t>(f);
}

// fmod(v, 1) == 0: v is a whole number (never for infinities and NaN).
bool IsWhole(float v)
{
    if (v > -FastCoordinateLimit && v < FastCoordinateLimit)
    {
        return static_cast<float>(static_cast<int32_t>(v)) == v;
    }
    return std::fmod(v, 1.0f) == 0.0f;
}

// The zero-size neighbours that a strip search passes through. A damaged file may link such blocks into
// a ring; the walk stops at a block it has already visited.
CBlock* PassThroughFlattened(CBlock* block, BlockDirection side)
{
    CBlock* next = block->GetNeighbour(side);
    if (next == nullptr || (next->GetWidth() != 0.0f && next->GetHeight() != 0.0f))
    {
        return block;
    }
    thread_local std::vector<CBlock*> visited;
    visited.clear();
    visited.push_back(block);
    while (next != nullptr && (next->GetWidth() == 0.0f || next->GetHeight() == 0.0f))
    {
        if (std::find(visited.begin(), visited.end(), next) != visited.end())
        {
            break;
        }
        block = next;
        visited.push_back(block);
        next = block->GetNeighbour(side);
    }
    return block;
}

} // namespace

// ---- cells ----

bool BlockGrid::Cell::Contains(const CBlock* block) const
{
    for (int32_t i = 0; i < m_count; ++i)
    {
        if (m_data[i] == block)
        {
            return true;
        }
    }
    return false;
}

void BlockGrid::Cell::Append(CBlock* block)
{
    if (m_count == m_capacity)
    {
        // Only a puzzle file or an editor can stack this many blocks on one cell.
        const int32_t capacity = m_capacity * 2;
        std::unique_ptr<CBlock*[]> grown(new CBlock*[capacity]);
        std::copy(m_data, m_data + m_count, grown.get());
        m_heap = std::move(grown);
        m_data = m_heap.get();
        m_capacity = capacity;
    }
    m_data[m_count++] = block;
}

int32_t BlockGrid::Cell::Remove(const CBlock* block)
{
    for (int32_t i = 0; i < m_count; ++i)
    {
        if (m_data[i] == block)
        {
            m_data[i] = m_data[m_count - 1];
            --m_count;
            return i;
        }
    }
    return -1;
}

void BlockGrid::Cell::Reinsert(CBlock* block, int32_t index)
{
    // Remove moved the last entry into the gap and dropped the last slot, which stays allocated.
    m_data[m_count] = m_data[index];
    m_data[index] = block;
    ++m_count;
}

// ---- grid ----

BlockGrid::BlockGrid() : m_cells(new Cell[8]) {}

BlockGrid::~BlockGrid() = default;

void BlockGrid::Resize(int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
    {
        return;
    }
    m_width = width;
    m_height = height;
    m_x0 = -1;
    m_y0 = -1;
    m_x1 = width + 1;
    m_y1 = height + 1;
    m_innerCount = (width + 2) * (height + 2);
    m_totalCount = m_innerCount + 4;
    m_cells.reset(new Cell[m_totalCount]);
    m_entriesInRange = IsSmall();
    SpoilJournal();
}

void BlockGrid::Clear()
{
    for (int32_t i = 0; i < m_totalCount; ++i)
    {
        m_cells[i].Clear();
    }
    m_entriesInRange = IsSmall();
    SpoilJournal();
}

BlockGrid::CellRange BlockGrid::RangeOf(const BaseLib::CRectF& rect)
{
    return RangeInPlace(rect);
}

BlockGrid::CellRange BlockGrid::RangeInPlace(const BaseLib::CRectF& rect)
{
    CellRange range;
#if defined(__SSE2__)
    // The four coordinates at once, by the same truncation as CellIndex and IsWhole, when all are below
    // the size where those take their fast path.
    static_assert(sizeof(BaseLib::CRectF) == 4 * sizeof(float));
    const __m128 v = _mm_loadu_ps(&rect.left);
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
    if (_mm_movemask_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(FastCoordinateLimit))) == 0xf)
    {
        const __m128i truncated = _mm_cvttps_epi32(v);
        const __m128 back = _mm_cvtepi32_ps(truncated);
        // Minus one where the truncation went up (a negative coordinate between whole numbers).
        alignas(16) int32_t floors[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(floors),
                        _mm_add_epi32(truncated, _mm_castps_si128(_mm_cmpgt_ps(back, v))));
        const int whole = _mm_movemask_ps(_mm_cmpeq_ps(back, v));
        range.firstX = floors[0];
        range.firstY = floors[1];
        range.lastX = floors[2];
        range.lastY = floors[3];
        if ((whole & 4) != 0 && rect.right - rect.left > 0.0f)
        {
            --range.lastX;
        }
        if ((whole & 8) != 0 && rect.bottom - rect.top > 0.0f)
        {
            --range.lastY;
        }
        return range;
    }
#endif
    range.firstX = CellIndex(rect.left);
    range.lastX = CellIndex(rect.right);
    range.firstY = CellIndex(rect.top);
    range.lastY = CellIndex(rect.bottom);
    if (IsWhole(rect.right) && rect.right - rect.left > 0.0f)
    {
        --range.lastX;
    }
    if (IsWhole(rect.bottom) && rect.bottom - rect.top > 0.0f)
    {
        --range.lastY;
    }
    return range;
}

const BlockGrid::Cell* BlockGrid::InnerCell(int32_t x, int32_t y) const
{
    return &m_cells[(y - m_y0) * (m_width + 2) + (x - m_x0)];
}

BlockGrid::Cell* BlockGrid::InnerCell(int32_t x, int32_t y)
{
    return &m_cells[(y - m_y0) * (m_width + 2) + (x - m_x0)];
}

// Visits the clamped cells of the range x-major, then the outside cells it reaches: west, north, east,
// south.
template <class Grid, class Visit>
void BlockGrid::ForEachCell(Grid& grid, const CellRange& range, const Visit& visit)
{
    const int32_t xBegin = std::max(range.firstX, grid.m_x0);
    const int32_t xEnd = std::min(range.lastX, grid.m_x1 - 1);
    const int32_t yBegin = std::max(range.firstY, grid.m_y0);
    const int32_t yEnd = std::min(range.lastY, grid.m_y1 - 1);
    for (int32_t x = xBegin; x <= xEnd; ++x)
    {
        for (int32_t y = yBegin; y <= yEnd; ++y)
        {
            visit(*grid.InnerCell(x, y));
        }
    }
    if (range.firstX < grid.m_x0)
    {
        visit(grid.m_cells[grid.m_innerCount + DirectionWest]);
    }
    if (range.firstY < grid.m_y0)
    {
        visit(grid.m_cells[grid.m_innerCount + DirectionNorth]);
    }
    if (range.lastX >= grid.m_x1)
    {
        visit(grid.m_cells[grid.m_innerCount + DirectionEast]);
    }
    if (range.lastY >= grid.m_y1)
    {
        visit(grid.m_cells[grid.m_innerCount + DirectionSouth]);
    }
}

void BlockGrid::AddBlock(CBlock* block)
{
    AddBlock(block, block->GetRect());
}

void BlockGrid::AddBlock(CBlock* block, const BaseLib::CRectF& rect)
{
    // Entered with another rect than its own, or a block whose moves update another grid (or none): its
    // entries may leave its range unseen.
    const BaseLib::CRectF& own = block->GetRect();
    if (m_entriesInRange &&
        !(block->GetPuzzle() != nullptr && &block->GetPuzzle()->GetGrid() == this && rect.left == own.left &&
          rect.top == own.top && rect.right == own.right && rect.bottom == own.bottom))
    {
        m_entriesInRange = false;
    }
    ForEachCell(*this, RangeOf(rect), [this, block](Cell& cell) {
        if (!cell.Contains(block))
        {
            cell.Append(block);
            Journal(cell, block, -1);
        }
    });
}

void BlockGrid::RemoveBlock(CBlock* block)
{
    RemoveBlock(block, block->GetRect());
}

void BlockGrid::RemoveBlock(CBlock* block, const BaseLib::CRectF& rect)
{
    ForEachCell(*this, RangeOf(rect), [this, block](Cell& cell) {
        const int32_t index = cell.Remove(block);
        if (index >= 0)
        {
            Journal(cell, block, index);
        }
    });
}

void BlockGrid::MoveBlock(CBlock* block, const BaseLib::CRectF& oldRect, const BaseLib::CRectF& newRect)
{
    RemoveBlock(block, oldRect);
    AddBlock(block, newRect);
}

void BlockGrid::Relocate(CBlock* block, const BaseLib::CRectF& oldRect, const BaseLib::CRectF& newRect)
{
    const CellRange from = RangeInPlace(oldRect);
    const CellRange to = RangeInPlace(newRect);
    const auto inside = [this](const CellRange& r) {
        return r.firstX >= m_x0 && r.lastX < m_x1 && r.firstY >= m_y0 && r.lastY < m_y1;
    };
    if (!m_entriesInRange || !inside(from) || !inside(to))
    {
        MoveBlock(block, oldRect, newRect);
        return;
    }
    const int32_t stride = m_width + 2;
    for (int32_t x = from.firstX; x <= from.lastX; ++x)
    {
        Cell* cell = InnerCell(x, from.firstY);
        for (int32_t y = from.firstY; y <= from.lastY; ++y, cell += stride)
        {
            const int32_t index = cell->Remove(block);
            if (index >= 0)
            {
                Journal(*cell, block, index);
            }
        }
    }
    for (int32_t x = to.firstX; x <= to.lastX; ++x)
    {
        Cell* cell = InnerCell(x, to.firstY);
        for (int32_t y = to.firstY; y <= to.lastY; ++y, cell += stride)
        {
            cell->Append(block);
            Journal(*cell, block, -1);
        }
    }
}

bool BlockGrid::RollBack()
{
    if (m_journalSpoilt)
    {
        return false;
    }
    for (auto entry = m_journal.rbegin(); entry != m_journal.rend(); ++entry)
    {
        if (entry->index < 0)
        {
            entry->cell->DropLast();
        }
        else
        {
            entry->cell->Reinsert(entry->block, entry->index);
        }
    }
    m_journal.clear();
    return true;
}

int64_t BlockGrid::CountCells(const BaseLib::CRectF& rect) const
{
    int64_t count = 0;
    ForEachCell(*this, RangeOf(rect), [&count](const Cell&) { ++count; });
    return count;
}

bool BlockGrid::IsCellEmpty(int32_t x, int32_t y) const
{
    return GetCellCount(x, y) <= 0;
}

int32_t BlockGrid::GetCellCount(int32_t x, int32_t y) const
{
    if (x < m_x0 || x >= m_x1 || y < m_y0 || y >= m_y1)
    {
        return -1;
    }
    return InnerCell(x, y)->Count();
}

bool BlockGrid::CellContains(int32_t x, int32_t y, const CBlock* block) const
{
    if (x < m_x0 || x >= m_x1 || y < m_y0 || y >= m_y1)
    {
        return false;
    }
    return InnerCell(x, y)->Contains(block);
}

bool BlockGrid::OutsideCellContains(BlockDirection d, const CBlock* block) const
{
    if (d < DirectionNorth || d > DirectionEast)
    {
        return false;
    }
    return m_cells[m_innerCount + d].Contains(block);
}

void BlockGrid::CollectBlocksInRect(const BaseLib::CRectF& rect, std::vector<CBlock*>& list,
                                    bool solidOnly) const
{
    list.clear();
    for (int32_t i = 0; i < m_totalCount; ++i)
    {
        const Cell& cell = m_cells[i];
        for (int32_t k = 0; k < cell.Count(); ++k)
        {
            CBlock* block = cell.At(k);
            if ((!solidOnly || block->IsSolid()) && block->GetRect().Intersects(rect))
            {
                list.push_back(block);
            }
        }
    }
}

int32_t BlockGrid::CollectBlocksInDirection(const BaseLib::CRectF& rect, BlockDirection d,
                                            std::vector<CBlock*>& list) const
{
    list.clear();
    CellRange range = RangeOf(rect);
    switch (d)
    {
    case DirectionNorth:
        if (IsWhole(rect.top))
        {
            --range.firstY;
        }
        break;
    case DirectionSouth:
        if (IsWhole(rect.bottom))
        {
            ++range.lastY;
        }
        break;
    case DirectionWest:
        if (IsWhole(rect.left))
        {
            --range.firstX;
        }
        break;
    case DirectionEast:
        if (IsWhole(rect.right))
        {
            ++range.lastX;
        }
        break;
    default:
        return 0;
    }
    ForEachCell(*this, range, [&](const Cell& cell) {
        for (int32_t k = 0; k < cell.Count(); ++k)
        {
            CBlock* block = cell.At(k);
            if (!block->IsSolid())
            {
                continue;
            }
            const BaseLib::CRectF& r = block->GetRect();
            bool touches = false;
            switch (d)
            {
            case DirectionNorth:
                touches = r.bottom == rect.top;
                break;
            case DirectionSouth:
                touches = r.top == rect.bottom;
                break;
            case DirectionWest:
                touches = r.right == rect.left;
                break;
            default:
                touches = r.left == rect.right;
                break;
            }
            if (touches)
            {
                list.push_back(block);
            }
        }
    });
    return static_cast<int32_t>(list.size());
}

CBlock* BlockGrid::FindNearestInStrip(const BaseLib::CRectF& strip, BlockDirection side, float& gap) const
{
    return FindNearestInStrip(strip, side, gap, nullptr, nullptr);
}

CBlock* BlockGrid::FindNearestInStrip(const BaseLib::CRectF& strip, BlockDirection side, float& gap,
                                      const MoveSet* set, const CBlock* piece) const
{
    float best = std::numeric_limits<float>::max();
    CBlock* result = nullptr;
    ForEachCell(*this, RangeOf(strip), [&](const Cell& cell) {
        for (int32_t k = 0; k < cell.Count(); ++k)
        {
            CBlock* block = cell.At(k);
            if (!block->IsSolid())
            {
                continue;
            }
            const BaseLib::CRectF& r = block->GetRect();
            const float left = std::max(r.left, strip.left);
            const float top = std::max(r.top, strip.top);
            const float right = std::min(r.right, strip.right);
            const float bottom = std::min(r.bottom, strip.bottom);
            if (!(right - left > 0.0f) || !(bottom - top > 0.0f))
            {
                continue;
            }
            float g;
            switch (side)
            {
            case DirectionNorth:
                g = top - strip.top;
                break;
            case DirectionSouth:
                g = strip.bottom - bottom;
                break;
            case DirectionWest:
                g = left - strip.left;
                break;
            default:
                g = strip.right - right;
                break;
            }
            if (!(g < best))
            {
                continue;
            }
            if ((set != nullptr && set->Contains(block)) ||
                (piece != nullptr && piece->LinkSetContains(block)))
            {
                continue;
            }
            CBlock* found = PassThroughFlattened(block, side);
            if (found != block && ((set != nullptr && set->Contains(found)) ||
                                   (piece != nullptr && piece->LinkSetContains(found))))
            {
                continue;
            }
            best = g;
            result = found;
        }
    });
    gap = best;
    return result;
}

bool BlockGrid::CheckConsistency() const
{
    if (m_entriesInRange)
    {
        // A cell of a block's range always passes the test below (for every rect, on a grid whose cell
        // coordinates are exact floats).
        assert(ScanConsistency());
        return true;
    }
    return ScanConsistency();
}

bool BlockGrid::ScanConsistency() const
{
    for (int32_t y = m_y0; y < m_y1; ++y)
    {
        for (int32_t x = m_x0; x < m_x1; ++x)
        {
            const Cell& cell = *InnerCell(x, y);
            const BaseLib::CRectF square(static_cast<float>(x), static_cast<float>(y),
                                         static_cast<float>(x + 1), static_cast<float>(y + 1));
            for (int32_t k = 0; k < cell.Count(); ++k)
            {
                const BaseLib::CRectF& r = cell.At(k)->GetRect();
                const bool positive = r.right - r.left > 0.0f && r.bottom - r.top > 0.0f;
                const bool cornerInside = r.left >= square.left && r.left <= square.right &&
                                          r.top >= square.top && r.top <= square.bottom;
                if (positive && !r.Intersects(square) && !cornerInside)
                {
                    return false;
                }
            }
        }
    }
    const float width = static_cast<float>(m_width);
    const float height = static_cast<float>(m_height);
    const Cell& west = m_cells[m_innerCount + DirectionWest];
    for (int32_t k = 0; k < west.Count(); ++k)
    {
        if (west.At(k)->GetRect().left >= 0.0f)
        {
            return false;
        }
    }
    const Cell& north = m_cells[m_innerCount + DirectionNorth];
    for (int32_t k = 0; k < north.Count(); ++k)
    {
        if (north.At(k)->GetRect().top >= 0.0f)
        {
            return false;
        }
    }
    const Cell& east = m_cells[m_innerCount + DirectionEast];
    for (int32_t k = 0; k < east.Count(); ++k)
    {
        const BaseLib::CRectF& r = east.At(k)->GetRect();
        if (r.right < width || (r.right == width && r.right - r.left != 0.0f))
        {
            return false;
        }
    }
    const Cell& south = m_cells[m_innerCount + DirectionSouth];
    for (int32_t k = 0; k < south.Count(); ++k)
    {
        const BaseLib::CRectF& r = south.At(k)->GetRect();
        if (r.bottom < height || (r.bottom == height && r.bottom - r.top != 0.0f))
        {
            return false;
        }
    }
    return true;
}
