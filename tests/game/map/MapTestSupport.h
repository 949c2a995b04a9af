#pragma once

#include "game/map/EditableMap.h"
#include "game/map/MapCell.h"
#include "tests/platform/TempFolder.h"

#include <algorithm>
#include <string>
#include <vector>

// A map file's text: the given level elements, and a "layout" with the given attributes holding a
// "setting" and the given cell elements (no layout when layoutAttributes is null).
inline std::string MapFileText(const char* layoutAttributes, const std::string& cells,
                               const std::string& setting = "basic",
                               const std::string& levels = "<level id=\"1\" file=\"basic/01.xml\"/>")
{
    std::string text = "<map>\n<levellist>\n" + levels + "\n</levellist>\n";
    if (layoutAttributes != nullptr)
    {
        text += std::string("<layout ") + layoutAttributes + ">\n<setting name=\"" + setting + "\"/>\n" + cells +
                "\n</layout>\n";
    }
    return text + "</map>\n";
}

// A map the tests build in code and whose walk and counters they reach.
class TestMap : public CEditableMap
{
public:
    void AddWaypoint(float x, float y) { m_Path.emplace_back(x, y); }
    std::size_t GetWaypointCount() const { return m_Path.size(); }
    const std::vector<BaseLib::CVector2>& GetPath() const { return m_Path; }
    bool IsForcedWalk() const { return m_ForcedWalk != 0; }
    void SetForcedWalk() { m_ForcedWalk = 1; }
    float GetWalkingSpeed() const { return m_WalkingSpeed; }
    int GetFogCountdown() const { return m_FogCountdown; }
    bool IsSequencePending() const { return m_SequencePending != 0; }
    // The change number goes up, as after any change a saved game keeps.
    void MarkChanged() { Changed(); }

    // The interior drawn row by row: a cell at every even column of every even row, "-" between two
    // cells a passage east, "|" under a cell a passage south. The start is cell (1, 1) and the figure on
    // its centre.
    void Build(const std::vector<std::string>& picture, const std::string& setting = "jungle")
    {
        ClearContent();
        const int interiorY = (static_cast<int>(picture.size()) + 1) / 2;
        int interiorX = 0;
        for (const std::string& row : picture)
        {
            interiorX = std::max(interiorX, (static_cast<int>(row.size()) + 1) / 2);
        }
        Build(interiorX, interiorY, setting);
        for (int row = 0; row < static_cast<int>(picture.size()); ++row)
        {
            for (int column = 0; column < static_cast<int>(picture[static_cast<std::size_t>(row)].size()); ++column)
            {
                const char c = picture[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
                const int x = column / 2 + 1;
                const int y = row / 2 + 1;
                if (c == '-')
                {
                    GetCell(x, y).walkBits |= MapCell::CanWalkEast;
                }
                else if (c == '|')
                {
                    GetCell(x, y + 1).walkBits |= MapCell::CanWalkNorth;
                }
            }
        }
    }
    // interiorX x interiorY default cells inside a border.
    void Build(int interiorX, int interiorY, const std::string& setting = "jungle")
    {
        ClearContent();
        m_SizeX = interiorX + 2;
        m_SizeY = interiorY + 2;
        m_Cells.assign(static_cast<std::size_t>(m_SizeX * m_SizeY), MapCell());
        m_Setting = setting;
        SetStart(1, 1);
    }
    void SetStart(int x, int y)
    {
        m_StartX = x;
        m_StartY = y;
        m_PlayerPosition = CellCentre(x, y);
    }
    void SetPlayerPosition(float x, float y) { m_PlayerPosition = BaseLib::CVector2(x, y); }
    void SetKeys(int a, int b, int c)
    {
        m_Keys[0] = a;
        m_Keys[1] = b;
        m_Keys[2] = c;
    }
    void SetGold(int gold) { m_Gold = gold; }
    void SetPylons(int pylons) { m_Pylons = pylons; }
};

class MapFileTest : public TempFolderTest
{
protected:
    // Writes the text to name in the test's folder and reads it into map.
    bool Load(CMap& map, const std::string& text, const std::string& name = "test.map.xml")
    {
        WriteFile(name, text);
        return map.LoadXml(0, PathOf(name));
    }
};
