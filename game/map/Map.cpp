#include "game/map/Map.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Xml.h"

#include <cassert>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{

// The attribute read with "%i" into value; a missing attribute keeps the value silently, one whose text
// does not begin with a number keeps it and is traced with the element's line.
void ReadIntAttribute(const TiXmlElement* element, const char* name, const std::string& file, int& value)
{
    const char* text = element->Attribute(name);
    if (text == nullptr)
    {
        return;
    }
    char* end = nullptr;
    std::strtol(text, &end, 0);
    if (end == text)
    {
        BaseLib::DebugOutput("Map: \"%s\", line %d: the attribute \"%s\" of \"%s\" is not a number: \"%s\"\n",
                             file.c_str(), element->Row(), name, element->Value(), text);
        return;
    }
    value = BaseLib::XmlGetIntAttribute(element, name, value);
}

void ReadCell(const TiXmlElement* element, const std::string& file, MapCell& cell)
{
    int walkBits = 0;
    int flags = 0;
    int puzzle = -1;
    int goldreq = 0;
    ReadIntAttribute(element, "wb", file, walkBits);
    ReadIntAttribute(element, "flags", file, flags);
    ReadIntAttribute(element, "puzzle", file, puzzle);
    ReadIntAttribute(element, "goldreq", file, goldreq);
    cell.walkBits = static_cast<std::uint8_t>(walkBits & 0xFF);
    cell.flags = static_cast<std::uint32_t>(flags);
    // Every negative index means no puzzle, so that no rule ever takes it for a level.
    cell.puzzle = puzzle < 0 ? -1 : puzzle;
    cell.goldreq = goldreq;
    cell.tile = BaseLib::XmlGetStringAttribute(element, "tile", "empty");
    cell.moodimg = BaseLib::XmlGetStringAttribute(element, "moodimg", "");
    cell.cutscene = BaseLib::XmlGetStringAttribute(element, "cutscene", "");
    cell.cutscene2 = BaseLib::XmlGetStringAttribute(element, "cutscene2", "");
}

bool IsKnownDirection(int direction)
{
    return direction >= CMap::North && direction <= CMap::West;
}

} // namespace

CMap::CMap() : m_PathfindingMap(*this)
{
}

CMap::~CMap() = default;

bool CMap::LoadXml(std::int32_t mapIndex, const std::string& path)
{
    TiXmlDocument document;
    if (!BaseLib::XmlLoadFile(document, path))
    {
        if (!document.Error())
        {
            BaseLib::DebugOutput("Map: \"%s\" cannot be read\n", path.c_str());
        }
        else
        {
            BaseLib::DebugOutput("Map: \"%s\" is not XML: %s at line %d, column %d\n", path.c_str(),
                                 document.ErrorDesc(), document.ErrorRow(), document.ErrorCol());
        }
        return false;
    }
    m_FileName = path;
    m_MapIndex = mapIndex;
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr || std::strcmp(root->Value(), "map") != 0)
    {
        BaseLib::DebugOutput("Map: \"%s\": the root element is \"%s\", not \"map\"\n", path.c_str(),
                             root != nullptr ? root->Value() : "");
        return false;
    }
    // The old grid and walk go with the old cells: they would lead past the new grid.
    ClearContent();
    const TiXmlElement* levelList = root->FirstChildElement("levellist");
    if (levelList == nullptr)
    {
        BaseLib::DebugOutput("Map: \"%s\" has no \"levellist\"\n", path.c_str());
        return false;
    }
    for (const TiXmlElement* level = levelList->FirstChildElement("level"); level != nullptr;
         level = level->NextSiblingElement("level"))
    {
        // The level's index is its place in the list; its "id" is not used.
        m_Levels.push_back(BaseLib::XmlGetStringAttribute(level, "file", ""));
    }
    const TiXmlElement* layout = root->FirstChildElement("layout");
    if (layout != nullptr && !ReadLayout(layout))
    {
        ClearContent();
        return false;
    }
    const BaseLib::CPoint start = FindFirstExit();
    m_StartX = start.x;
    m_StartY = start.y;
    if (m_PathAliases != nullptr)
    {
        const std::string pathFile =
            m_PathAliases->ResolvePath("interface>map/" + m_Setting + "/" + m_Setting + "paths.raw");
        // A missing or short path file is no fault: the figure then walks from centre to centre.
        m_PathfindingMap.LoadPaths(pathFile, m_SizeX, m_SizeY);
    }
    m_PlayerPosition = CellCentre(m_StartX, m_StartY);
    m_WalkingSpeed = 0.0f;
    return true;
}

bool CMap::ReadLayout(const TiXmlElement* layout)
{
    int sizeX = 0;
    int sizeY = 0;
    ReadIntAttribute(layout, "sizex", m_FileName, sizeX);
    ReadIntAttribute(layout, "sizey", m_FileName, sizeY);
    if (sizeX < 0 || sizeX > MaxInteriorSize || sizeY < 0 || sizeY > MaxInteriorSize)
    {
        BaseLib::DebugOutput("Map: \"%s\", line %d: the layout's size %d x %d lies outside 0 .. %d\n",
                             m_FileName.c_str(), layout->Row(), sizeX, sizeY, MaxInteriorSize);
        return false;
    }
    m_SizeX = sizeX + 2;
    m_SizeY = sizeY + 2;
    m_Cells.assign(static_cast<std::size_t>(m_SizeX * m_SizeY), MapCell());
    if (const TiXmlElement* setting = layout->FirstChildElement("setting"))
    {
        m_Setting = BaseLib::XmlGetStringAttribute(setting, "name", "");
    }
    // The cells carry no coordinates: they fill the interior row by row.
    int x = 1;
    int y = 1;
    for (const TiXmlElement* element = layout->FirstChildElement("cell"); element != nullptr && y <= sizeY;
         element = element->NextSiblingElement("cell"))
    {
        ReadCell(element, m_FileName, m_Cells[static_cast<std::size_t>(CellIndex(x, y))]);
        if (++x > sizeX)
        {
            x = 1;
            ++y;
        }
    }
    return true;
}

void CMap::ClearContent()
{
    m_Cells.clear();
    m_SizeX = 0;
    m_SizeY = 0;
    m_Levels.clear();
    m_PathfindingMap.Clear();
    m_Path.clear();
    m_ForcedWalk = 0;
}

const MapCell* CMap::FindCell(int x, int y) const
{
    return IsInside(x, y) ? &m_Cells[static_cast<std::size_t>(CellIndex(x, y))] : nullptr;
}

MapCell& CMap::GetCell(int x, int y)
{
    assert(IsInside(x, y));
    return m_Cells[static_cast<std::size_t>(CellIndex(x, y))];
}

const MapCell& CMap::GetCell(int x, int y) const
{
    assert(IsInside(x, y));
    return m_Cells[static_cast<std::size_t>(CellIndex(x, y))];
}

int CMap::GetNeighbour(int x, int y, int direction) const
{
    const MapCell* cell = FindCell(x, y);
    if (cell == nullptr || !IsKnownDirection(direction))
    {
        return NoPassage;
    }
    const MapCell* neighbour = nullptr;
    bool passage = false;
    switch (direction)
    {
    case North:
        neighbour = y >= 1 ? FindCell(x, y - 1) : nullptr;
        passage = (cell->walkBits & MapCell::CanWalkNorth) != 0;
        break;
    case South:
        neighbour = y < m_SizeY - 1 ? FindCell(x, y + 1) : nullptr;
        passage = neighbour != nullptr && (neighbour->walkBits & MapCell::CanWalkNorth) != 0;
        break;
    case East:
        neighbour = x < m_SizeX - 1 ? FindCell(x + 1, y) : nullptr;
        passage = (cell->walkBits & MapCell::CanWalkEast) != 0;
        break;
    default:
        neighbour = x >= 1 ? FindCell(x - 1, y) : nullptr;
        passage = neighbour != nullptr && (neighbour->walkBits & MapCell::CanWalkEast) != 0;
        break;
    }
    if (neighbour == nullptr || !passage)
    {
        return NoPassage;
    }
    const bool revealed = (cell->state & MapCell::StateRevealed) != 0 &&
                          (neighbour->state & MapCell::StateRevealed) != 0;
    return revealed ? PassageOpen : PassageUnrevealed;
}

bool CMap::IsObstacleHidden(int x, int y, int direction) const
{
    const MapCell* cell = nullptr;
    std::uint8_t bit = 0;
    switch (direction)
    {
    case North:
        cell = FindCell(x, y);
        bit = MapCell::HideObstacleNorth;
        break;
    case South:
        cell = y < m_SizeY - 1 ? FindCell(x, y + 1) : nullptr;
        bit = MapCell::HideObstacleNorth;
        break;
    case East:
        cell = FindCell(x, y);
        bit = MapCell::HideObstacleEast;
        break;
    case West:
        cell = x > 0 ? FindCell(x - 1, y) : nullptr;
        bit = MapCell::HideObstacleEast;
        break;
    default:
        break;
    }
    return cell != nullptr && (cell->walkBits & bit) != 0;
}

bool CMap::HasAnyPassage(int x, int y) const
{
    for (int direction = North; direction <= West; ++direction)
    {
        if (GetNeighbour(x, y, direction) != NoPassage)
        {
            return true;
        }
    }
    return false;
}

bool CMap::IsCellLocked(int x, int y) const
{
    const MapCell* cell = FindCell(x, y);
    if (cell == nullptr || (cell->state & MapCell::StateOpened) != 0)
    {
        return false;
    }
    return (cell->flags & MapCell::NeedsAnyKey) != 0 || cell->goldreq >= 1;
}

std::string CMap::GetTileImageName(int x, int y) const
{
    const MapCell* cell = FindCell(x, y);
    if (cell == nullptr)
    {
        return MapCell().tile;
    }
    if (cell->HasPuzzle() && (cell->state & MapCell::StateSolved) != 0)
    {
        return cell->tile + "_solved";
    }
    if ((cell->GetTreasure() != 0 && (cell->state & MapCell::StateTreasureTaken) != 0) ||
        (cell->goldreq > 0 && (cell->state & MapCell::StateOpened) != 0))
    {
        return cell->tile + "_opened";
    }
    return cell->tile;
}

std::string CMap::GetMoodImage(int x, int y) const
{
    const MapCell* cell = FindCell(x, y);
    return cell != nullptr ? cell->moodimg : std::string();
}

std::string CMap::GetLevelFile(int index) const
{
    return index >= 0 && index < GetLevelCount() ? m_Levels[static_cast<std::size_t>(index)] : std::string();
}

int CMap::GetKeyCount(int key) const
{
    return key >= 0 && key < 3 ? m_Keys[key] : 0;
}

BaseLib::CPoint CMap::GetPlayerCell() const
{
    return BaseLib::CPoint(static_cast<std::int32_t>(std::floor(m_PlayerPosition.x)),
                           static_cast<std::int32_t>(std::floor(m_PlayerPosition.y)));
}

BaseLib::CPoint CMap::FindFirstExit() const
{
    return FindExit(true);
}

BaseLib::CPoint CMap::FindLastExit() const
{
    return FindExit(false);
}

BaseLib::CPoint CMap::FindExit(bool lowest) const
{
    BaseLib::CPoint found(0, 0);
    int best = lowest ? INT_MAX : INT_MIN;
    for (int y = 0; y < m_SizeY; ++y)
    {
        for (int x = 0; x < m_SizeX; ++x)
        {
            const MapCell& cell = m_Cells[static_cast<std::size_t>(CellIndex(x, y))];
            if (cell.IsExit() && (lowest ? cell.GetExitId() < best : cell.GetExitId() > best))
            {
                best = cell.GetExitId();
                found = BaseLib::CPoint(x, y);
            }
        }
    }
    return found;
}

void CMap::SetHighlight(bool on, float x, float y)
{
    m_Highlight = on ? 1 : 0;
    m_HighlightPosition = BaseLib::CVector2(x, y);
}

bool CMap::GetHighlight(BaseLib::CVector2& position) const
{
    position = m_HighlightPosition;
    return m_Highlight != 0;
}

BaseLib::CVector2 CMap::CellCentre(int x, int y)
{
    return BaseLib::CVector2(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
}
