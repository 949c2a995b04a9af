#pragma once

#include "game/map/EditableMap.h"
#include "tests/platform/TempFolder.h"

#include <string>

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

// A map whose walk the tests can fill before walking exists.
class TestMap : public CEditableMap
{
public:
    void AddWaypoint(float x, float y) { m_Path.emplace_back(x, y); }
    std::size_t GetWaypointCount() const { return m_Path.size(); }
    bool IsForcedWalk() const { return m_ForcedWalk != 0; }
    void SetForcedWalk() { m_ForcedWalk = 1; }
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
