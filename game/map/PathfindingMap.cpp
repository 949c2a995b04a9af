#include "game/map/PathfindingMap.h"

#include "foundation/FileStream.h"

#include <algorithm>
#include <cstring>

namespace
{

// Half a sub-cell in cell units: 1/22 as the float the grid's positions are built with.
constexpr float HalfSubCell = 0.0454545468f;

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
