#include "game/map/Map.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Xml.h"
#include "game/savegame/ProgressRecord.h"
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"

#include <cassert>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>

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

// A one-shot on sound device 0; without a registry or a device 0 nothing plays.
void PlaySound(const char* file)
{
    SoundLib::CSoundDeviceRegistry* registry = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
    SoundLib::CSoundDevice* device = registry != nullptr ? registry->GetDevice(0) : nullptr;
    if (device != nullptr)
    {
        device->PlayOneShot(file, 100.0f, 0.0f, false);
    }
}

// The fractional part lies in the middle band of a cell.
bool InMiddleBand(float coordinate)
{
    const float fraction = coordinate - std::floor(coordinate);
    return fraction >= 0.3f && fraction <= 0.7f;
}

// A coordinate that lies within 0.001 of a cell centre becomes that centre exactly.
float SnapToCentre(float coordinate)
{
    const float fraction = coordinate - std::floor(coordinate);
    return fraction >= 0.499f && fraction <= 0.501f ? std::ceil(coordinate) - 0.5f : coordinate;
}

// Steps of the cell route search, tried in this order.
constexpr int RouteDx[4] = {0, 0, 1, -1};
constexpr int RouteDy[4] = {-1, 1, 0, 0};
constexpr int RouteDirection[4] = {CMap::North, CMap::South, CMap::East, CMap::West};

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
    int passageCells = 0;
    for (int y = 0; y < m_SizeY; ++y)
    {
        for (int x = 0; x < m_SizeX; ++x)
        {
            passageCells += HasAnyPassage(x, y) ? 1 : 0;
        }
    }
    if (passageCells > MaxProgressCells)
    {
        BaseLib::DebugOutput("Map: \"%s\" has %d cells with a passage; only the first %d keep progress\n",
                             path.c_str(), passageCells, MaxProgressCells);
    }
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

void CMap::SetPendingSequence(const std::string& name)
{
    m_PendingSequence = name;
    m_SequencePending = 1;
}

bool CMap::TakePendingSequence(std::string& name)
{
    if (m_SequencePending == 0)
    {
        return false;
    }
    name = m_PendingSequence;
    Changed();
    m_SequencePending = 0;
    return true;
}

void CMap::Reveal(int x, int y, int stopPuzzle)
{
    // An explicit stack in place of recursion: a snaking map of the largest size would go as deep as
    // it has cells. The fill reaches the same cells in any order.
    if (!IsInside(x, y))
    {
        return;
    }
    std::vector<BaseLib::CPoint> pending{BaseLib::CPoint(x, y)};
    while (!pending.empty())
    {
        const BaseLib::CPoint at = pending.back();
        pending.pop_back();
        MapCell& cell = GetCell(at.x, at.y);
        if (cell.IsRevealed())
        {
            continue;
        }
        cell.state |= MapCell::StateRevealed;
        if (cell.HasPuzzle() && (!cell.IsSolved() || cell.puzzle == stopPuzzle))
        {
            continue;
        }
        if (!cell.IsOpened() && ((cell.flags & MapCell::NeedsAnyKey) != 0 || cell.goldreq > 0))
        {
            continue;
        }
        const auto push = [&](int nx, int ny) {
            if (!GetCell(nx, ny).IsRevealed())
            {
                pending.emplace_back(nx, ny);
            }
        };
        if (at.x > 0 && (GetCell(at.x - 1, at.y).walkBits & MapCell::CanWalkEast) != 0)
        {
            push(at.x - 1, at.y);
        }
        if (at.y > 0 && GetNeighbour(at.x, at.y, North) != NoPassage)
        {
            push(at.x, at.y - 1);
        }
        if (at.x < m_SizeX - 1 && (cell.walkBits & MapCell::CanWalkEast) != 0)
        {
            push(at.x + 1, at.y);
        }
        if (at.y < m_SizeY - 1 && (GetCell(at.x, at.y + 1).walkBits & MapCell::CanWalkNorth) != 0)
        {
            push(at.x, at.y + 1);
        }
    }
}

void CMap::RemoveFog(int x, int y)
{
    if (!IsInside(x, y))
    {
        return;
    }
    GetCell(x, y).fogMask = 0;
    // Corner bits: 1 south-east, 2 south-west, 4 north-east, 8 north-west.
    struct Touch
    {
        int dx, dy;
        std::uint8_t corners;
    };
    static constexpr Touch touches[8] = {
        {-1, 0, 1 | 4}, {1, 0, 2 | 8}, {0, -1, 1 | 2}, {0, 1, 4 | 8},
        {-1, -1, 1},    {1, -1, 2},    {-1, 1, 4},     {1, 1, 8},
    };
    for (const Touch& touch : touches)
    {
        if (IsInside(x + touch.dx, y + touch.dy))
        {
            GetCell(x + touch.dx, y + touch.dy).fogMask &= static_cast<std::uint8_t>(~touch.corners);
        }
    }
}

void CMap::UpdateFog()
{
    bool fogRemoverActive = false;
    for (const MapCell& cell : m_Cells)
    {
        if (cell.IsRevealed() && cell.GetAction() == MapCell::ActionRemoveFog)
        {
            fogRemoverActive = true;
            break;
        }
    }
    for (int y = 0; y < m_SizeY; ++y)
    {
        for (int x = 0; x < m_SizeX; ++x)
        {
            const MapCell& cell = GetCell(x, y);
            if (cell.IsRevealed() || (fogRemoverActive && (cell.flags & MapCell::FogRemover) != 0))
            {
                RemoveFog(x, y);
            }
        }
    }
}

bool CMap::EnterCell(int x, int y)
{
    // An opened cell has nothing left to open: a second request for the same lock must not replace
    // the sequence the first one made pending.
    if (!IsInside(x, y) || GetCell(x, y).IsOpened())
    {
        return false;
    }
    MapCell& cell = GetCell(x, y);
    const std::uint32_t neededKeys = cell.flags & MapCell::NeedsAnyKey;
    const bool keyLock = neededKeys != 0;
    const bool goldLock = cell.goldreq > 0;
    bool keyOpened = false;
    bool goldOpened = false;
    bool haveKeys = true;
    for (int kind = 0; kind < 3; ++kind)
    {
        if ((neededKeys & (MapCell::NeedsKeyA << kind)) != 0 && m_Keys[kind] < 1)
        {
            haveKeys = false;
        }
    }
    if (haveKeys && (!goldLock || m_Gold >= cell.goldreq))
    {
        for (int kind = 0; kind < 3; ++kind)
        {
            if ((neededKeys & (MapCell::NeedsKeyA << kind)) != 0)
            {
                --m_Keys[kind];
                keyOpened = true;
            }
        }
        goldOpened = goldLock;
        cell.state = (cell.state & ~MapCell::StateRevealed) | MapCell::StateOpened;
        Reveal(x, y, -1);
        UpdateFog();
        if (keyOpened)
        {
            PlaySound("sound>openlock.wav");
            Changed();
        }
        if (goldOpened)
        {
            PlaySound("sound>treasure.wav");
            Changed();
        }
    }
    const bool opened = keyOpened || goldOpened;
    const auto sequenceDue = [&](const std::string& name, std::uint32_t playedBit, int trigger) {
        if (name.empty() || (cell.state & playedBit) != 0)
        {
            return false;
        }
        if (trigger == MapCell::TriggerLockOpened && opened)
        {
            SetPendingSequence(name);
            cell.state |= playedBit;
            return true;
        }
        if (trigger == MapCell::TriggerKeyMissing && keyLock && !opened)
        {
            SetPendingSequence(name);
            return true;
        }
        return false;
    };
    if (sequenceDue(cell.cutscene, MapCell::StateSequence1Played, cell.GetSequence1Trigger()) ||
        sequenceDue(cell.cutscene2, MapCell::StateSequence2Played, cell.GetSequence2Trigger()))
    {
        return opened;
    }
    if (!opened && keyLock)
    {
        SetPendingSequence("needkey_" + m_Setting + ".xml");
    }
    else if (!goldOpened && goldLock)
    {
        SetPendingSequence("needgold_" + m_Setting + ".xml");
    }
    return opened;
}

void CMap::ForceWalkTo(int x, int y)
{
    m_ForcedWalk = 0;
    m_ForcedWalk = WalkTo(x, y) ? 1 : 0;
}

void CMap::VisitCell(int x, int y)
{
    if (!IsInside(x, y))
    {
        return;
    }
    MapCell& cell = GetCell(x, y);
    const bool puzzleDone = !cell.HasPuzzle() || cell.IsSolved();
    if (puzzleDone && (cell.state & MapCell::StateKeysTaken) == 0)
    {
        bool added = false;
        for (int kind = 0; kind < 3; ++kind)
        {
            if ((cell.flags & (MapCell::ProvidesKeyA << kind)) != 0)
            {
                ++m_Keys[kind];
                added = true;
            }
        }
        cell.state |= MapCell::StateKeysTaken;
        if (added)
        {
            PlaySound("sound>key_pickup.wav");
            Changed();
        }
    }
    if (cell.GetTreasure() > 0 && (cell.state & MapCell::StateTreasureTaken) == 0)
    {
        m_TreasureGold += cell.GetTreasure();
        m_Gold += cell.GetTreasure();
        PlaySound("sound>treasure.wav");
        cell.state |= MapCell::StateTreasureTaken;
        Changed();
    }
    if ((cell.flags & MapCell::Pylon) != 0 && (cell.state & MapCell::StatePylonTaken) == 0)
    {
        ++m_Pylons;
        PlaySound("sound>pylon.wav");
        cell.state |= MapCell::StatePylonTaken;
    }
    if (m_Active != 0 || m_SequencePending != 0)
    {
        return;
    }
    const auto sequenceDue = [&](const std::string& name, std::uint32_t playedBit, int trigger) {
        if (name.empty() || (cell.state & playedBit) != 0)
        {
            return false;
        }
        if (trigger == MapCell::TriggerEntered || trigger == MapCell::TriggerAlwaysEntered ||
            (trigger == MapCell::TriggerPuzzleSolved && cell.IsSolved()))
        {
            SetPendingSequence(name);
            cell.state |= playedBit;
            // The walk stops on this cell.
            ForceWalkTo(x, y);
            return true;
        }
        return false;
    };
    if (sequenceDue(cell.cutscene, MapCell::StateSequence1Played, cell.GetSequence1Trigger()) ||
        sequenceDue(cell.cutscene2, MapCell::StateSequence2Played, cell.GetSequence2Trigger()))
    {
        return;
    }
    if ((cell.state & MapCell::StateActionDone) != 0 || !puzzleDone)
    {
        return;
    }
    int tx = x;
    int ty = y;
    switch (cell.GetAction())
    {
    case MapCell::ActionWalkNorth:
        ty = y - 1;
        break;
    case MapCell::ActionWalkSouth:
        ty = y + 1;
        break;
    case MapCell::ActionWalkNorth2:
        ty = y - 2;
        break;
    case MapCell::ActionWalkEast:
        tx = x + 1;
        break;
    case MapCell::ActionWalkWest:
        tx = x - 1;
        break;
    default:
        // No action, "start puzzle" and "remove fog" (others act on them) and undefined values.
        return;
    }
    // The reference stays valid: walking changes no cell list.
    cell.state |= MapCell::StateActionDone;
    ForceWalkTo(tx, ty);
}

void CMap::Cheat()
{
    m_Pylons = (m_Pylons + 1) % 9;
    m_Gold += 100;
    for (int kind = 0; kind < 3; ++kind)
    {
        ++m_Keys[kind];
    }
    if (m_Keys[0] >= 6 && m_Keys[1] >= 6 && m_Keys[2] >= 6)
    {
        for (int y = 0; y < m_SizeY; ++y)
        {
            for (int x = 0; x < m_SizeX; ++x)
            {
                if (HasAnyPassage(x, y))
                {
                    GetCell(x, y).state |= MapCell::StateSolved;
                    Reveal(x, y, -1);
                    RemoveFog(x, y);
                }
            }
        }
    }
    Changed();
}

void CMap::LoadProgress(const ProgressRecord& record)
{
    const int current = record.GetCurrentMap();
    BaseLib::DebugOutput("---> loading progress for map %d\n", current);
    if (current < 0 || current >= ProgressRecord::MapCount)
    {
        BaseLib::DebugOutput("Map: the progress record's map %d lies outside 0 .. %d; nothing loaded\n", current,
                             ProgressRecord::MapCount - 1);
        return;
    }
    const MapProgress& block = record.GetMapProgress(current);
    const int levelCount = block.GetUsedRecordCount();
    // Revealed bits and fog are rebuilt below from the saved states alone.
    int word = 0;
    for (int y = 0; y < m_SizeY; ++y)
    {
        for (int x = 0; x < m_SizeX; ++x)
        {
            MapCell& cell = GetCell(x, y);
            std::uint32_t state = 0;
            if (cell.HasPuzzle() && cell.puzzle < levelCount && block.GetLevelRecord(cell.puzzle).IsSolved())
            {
                state |= MapCell::StateSolved;
            }
            if (HasAnyPassage(x, y) && word < MaxProgressCells)
            {
                state |= (block.GetCellState(word++) << MapCell::SavedStateShift) & MapCell::SavedStateBits;
            }
            cell.state = state;
            cell.fogMask = 15;
        }
    }
    for (int kind = 0; kind < 3; ++kind)
    {
        m_Keys[kind] = record.GetKeyCount(kind);
    }
    m_Pylons = record.GetPylonCount();
    m_TreasureGold = record.GetTreasureGold();
    m_Gold = record.CountStars(0x1E) + m_TreasureGold;

    int stopPuzzle = -1;
    m_FogCountdown = 0;
    if (record.GetLastSolvedMap() == current)
    {
        stopPuzzle = record.GetLastSolvedLevel();
        m_FogCountdown = FogCountdownSteps;
    }
    Reveal(m_StartX, m_StartY, stopPuzzle);
    UpdateFog();
    if (stopPuzzle != -1)
    {
        for (MapCell& cell : m_Cells)
        {
            cell.state &= ~MapCell::StateRevealed;
        }
        Reveal(m_StartX, m_StartY, -1);
    }

    // A position that is not a finite number or lies outside the grid counts as none.
    const float fx = record.GetFigureX();
    const float fy = record.GetFigureY();
    const bool recorded = std::isfinite(fx) && std::isfinite(fy) && fx >= 0.0f && fy >= 0.0f &&
                          fx < static_cast<float>(m_SizeX) && fy < static_cast<float>(m_SizeY);
    if (recorded)
    {
        m_PlayerPosition = BaseLib::CVector2(fx, fy);
    }
    else if (record.GetPreviousMap() == ProgressRecord::NoPreviousMap)
    {
        m_PlayerPosition = CellCentre(m_StartX, m_StartY);
    }
    else
    {
        const BaseLib::CPoint exit = record.GetPreviousMap() < current ? FindFirstExit() : FindLastExit();
        m_PlayerPosition = CellCentre(exit.x, exit.y);
    }
}

void CMap::SaveProgress(ProgressRecord& record) const
{
    const int current = record.GetCurrentMap();
    BaseLib::DebugOutput("---> saving progress for map %d\n", current);
    if (current < 0 || current >= ProgressRecord::MapCount)
    {
        BaseLib::DebugOutput("Map: the progress record's map %d lies outside 0 .. %d; nothing saved\n", current,
                             ProgressRecord::MapCount - 1);
        return;
    }
    for (int kind = 0; kind < 3; ++kind)
    {
        record.SetKeyCount(kind, m_Keys[kind]);
    }
    record.SetPylonCount(m_Pylons);
    record.SetTreasureGold(m_TreasureGold);
    MapProgress& block = record.GetMapProgress(current);
    constexpr std::uint32_t wordBits = MapCell::SavedStateBits >> MapCell::SavedStateShift;
    int word = 0;
    for (int y = 0; y < m_SizeY && word < MaxProgressCells; ++y)
    {
        for (int x = 0; x < m_SizeX && word < MaxProgressCells; ++x)
        {
            if (!HasAnyPassage(x, y))
            {
                continue;
            }
            const std::uint32_t saved = (GetCell(x, y).state & MapCell::SavedStateBits) >> MapCell::SavedStateShift;
            block.SetCellState(word, (block.GetCellState(word) & ~wordBits) | saved);
            ++word;
        }
    }
}

bool CMap::WalkTo(int x, int y)
{
    if (!IsInside(x, y))
    {
        return false;
    }
    if (!m_Path.empty())
    {
        if (m_ForcedWalk != 0)
        {
            return false;
        }
        const BaseLib::CVector2& destination = m_Path.front();
        if (static_cast<int>(std::floor(destination.x)) == x && static_cast<int>(std::floor(destination.y)) == y)
        {
            m_WalkingSpeed = 8.0f;
            return true;
        }
    }
    else if (GetPlayerCell() == BaseLib::CPoint(x, y))
    {
        return true;
    }
    m_WalkingSpeed = 2.0f;
    if (!FindCellRoute(x, y))
    {
        return false;
    }
    // The fine path over the path file replaces the cell route when one exists; else the cell route stays.
    int goalI = 0;
    int goalJ = 0;
    CPathfindingMap::CellToGrid(x, y, goalI, goalJ);
    if (!m_PathfindingMap.FindNearestFree(goalI, goalJ))
    {
        return true;
    }
    int startI = 0;
    int startJ = 0;
    CPathfindingMap::PositionToGrid(m_PlayerPosition.x, m_PlayerPosition.y, startI, startJ);
    if (!m_PathfindingMap.FindNearestFree(startI, startJ))
    {
        return true;
    }
    std::vector<std::int32_t> subCells;
    if (!m_PathfindingMap.FindPath(startI, startJ, goalI, goalJ, subCells))
    {
        return true;
    }
    m_WalkingSpeed = 2.0f;
    m_Path.clear();
    for (const std::int32_t index : subCells)
    {
        m_Path.push_back(m_PathfindingMap.GridIndexToPosition(index));
    }
    return true;
}

bool CMap::FindCellRoute(int x, int y)
{
    m_Path.clear();
    for (MapCell& cell : m_Cells)
    {
        cell.searchMark = -1;
    }
    BaseLib::CPoint start = GetPlayerCell();
    if (!HasAnyPassage(start.x, start.y))
    {
        m_PlayerPosition = CellCentre(m_StartX, m_StartY);
        return false;
    }
    if (!GetCell(start.x, start.y).IsRevealed())
    {
        start = FindFirstExit();
    }
    GetCell(start.x, start.y).searchMark = 0;
    std::deque<BaseLib::CPoint> queue{start};
    bool found = false;
    while (!queue.empty())
    {
        const BaseLib::CPoint at = queue.front();
        queue.pop_front();
        if (at.x == x && at.y == y)
        {
            found = true;
            break;
        }
        const int mark = GetCell(at.x, at.y).searchMark;
        for (int step = 0; step < 4; ++step)
        {
            const int nx = at.x + RouteDx[step];
            const int ny = at.y + RouteDy[step];
            if (IsInside(nx, ny) && GetCell(nx, ny).searchMark < 0 &&
                GetNeighbour(at.x, at.y, RouteDirection[step]) == PassageOpen)
            {
                GetCell(nx, ny).searchMark = mark + 1;
                queue.emplace_back(nx, ny);
            }
        }
    }
    if (!found)
    {
        return false;
    }
    BaseLib::CPoint at(x, y);
    m_Path.push_back(CellCentre(x, y));
    while (GetCell(at.x, at.y).searchMark > 0)
    {
        const int mark = GetCell(at.x, at.y).searchMark;
        bool stepped = false;
        for (int step = 0; step < 4 && !stepped; ++step)
        {
            const int nx = at.x + RouteDx[step];
            const int ny = at.y + RouteDy[step];
            if (IsInside(nx, ny) && GetCell(nx, ny).searchMark == mark - 1 &&
                GetNeighbour(at.x, at.y, RouteDirection[step]) == PassageOpen)
            {
                at = BaseLib::CPoint(nx, ny);
                m_Path.push_back(CellCentre(nx, ny));
                stepped = true;
            }
        }
        if (!stepped)
        {
            BaseLib::DebugOutput("Map: the route back from cell (%d, %d) found no cell %d steps from the start\n",
                                 at.x, at.y, mark - 1);
            m_Path.clear();
            return false;
        }
    }
    if (m_Path.size() >= 2)
    {
        const BaseLib::CVector2 startCentre = m_Path[m_Path.size() - 1];
        const BaseLib::CVector2 next = m_Path[m_Path.size() - 2];
        const auto between = [](float value, float a, float b) {
            return (value > a && value < b) || (value > b && value < a);
        };
        if (between(m_PlayerPosition.x, startCentre.x, next.x) || between(m_PlayerPosition.y, startCentre.y, next.y))
        {
            m_Path.pop_back();
        }
    }
    return true;
}

bool CMap::IsInCellMiddle() const
{
    return InMiddleBand(m_PlayerPosition.x) && InMiddleBand(m_PlayerPosition.y);
}

void CMap::Update(double dt)
{
    if (m_FogCountdown > 0)
    {
        --m_FogCountdown;
        if (m_FogCountdown == 0 || !m_Path.empty())
        {
            UpdateFog();
            Changed();
            m_FogCountdown = 0;
        }
    }
    BaseLib::CPoint cell = GetPlayerCell();
    float distance = static_cast<float>(m_WalkingSpeed * dt);
    while (!m_Path.empty() && distance > 0.0f)
    {
        const BaseLib::CVector2 next = m_Path.back();
        const BaseLib::CVector2 way(next.x - m_PlayerPosition.x, next.y - m_PlayerPosition.y);
        const float length = way.Length();
        if (length == 0.0f)
        {
            m_Path.pop_back();
            m_PlayerPosition = BaseLib::CVector2(SnapToCentre(m_PlayerPosition.x), SnapToCentre(m_PlayerPosition.y));
            continue;
        }
        if (distance >= length)
        {
            m_PlayerPosition = next;
            distance -= length;
        }
        else
        {
            m_PlayerPosition = BaseLib::CVector2(m_PlayerPosition.x + way.x * (distance / length),
                                                 m_PlayerPosition.y + way.y * (distance / length));
            distance = 0.0f;
        }
        const BaseLib::CPoint now = GetPlayerCell();
        if (now != cell)
        {
            if (IsInside(cell.x, cell.y))
            {
                MapCell& left = GetCell(cell.x, cell.y);
                if (left.GetSequence1Trigger() == MapCell::TriggerAlwaysEntered)
                {
                    left.state &= ~MapCell::StateSequence1Played;
                }
                if (left.GetSequence2Trigger() == MapCell::TriggerAlwaysEntered)
                {
                    left.state &= ~MapCell::StateSequence2Played;
                }
            }
            cell = now;
        }
        if (IsInCellMiddle())
        {
            VisitCell(now.x, now.y);
        }
    }
    if (m_Path.empty())
    {
        m_ForcedWalk = 0;
    }
    if (IsInCellMiddle())
    {
        const BaseLib::CPoint now = GetPlayerCell();
        VisitCell(now.x, now.y);
    }
}
