// The world-map file: read, every query run over every cell and one cell past the grid, written back.

#include "foundation/PathAliases.h"
#include "fuzz/FuzzSupport.h"
#include "game/map/EditableMap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".map.xml");
    // The path file is looked for in the scratch folder, where none lies.
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("interface", Fuzz::ScratchPath("interface"));
    CEditableMap map;
    map.SetPathAliases(&aliases);
    if (!map.LoadXml(0, input.Path()))
    {
        return 0;
    }
    const BaseLib::CSize mapSize = map.GetSize();
    int answers = 0;
    for (int y = 0; y <= mapSize.cy; ++y)
    {
        for (int x = 0; x <= mapSize.cx; ++x)
        {
            for (int direction = 0; direction < 4; ++direction)
            {
                answers += map.GetNeighbour(x, y, direction);
                answers += map.IsObstacleHidden(x, y, direction) ? 1 : 0;
            }
            answers += map.HasAnyPassage(x, y) ? 1 : 0;
            answers += map.IsCellLocked(x, y) ? 1 : 0;
            answers += static_cast<int>(map.GetTileImageName(x, y).size() + map.GetMoodImage(x, y).size());
            if (map.IsInside(x, y))
            {
                const MapCell& cell = map.GetCell(x, y);
                answers += static_cast<int>(map.GetLevelFile(cell.puzzle).size());
            }
        }
    }
    const BaseLib::CPoint first = map.FindFirstExit();
    const BaseLib::CPoint last = map.FindLastExit();
    answers += first.x + last.y + map.GetPlayerCell().x;
    (void)answers;
    map.SaveXml(Fuzz::ScratchPath("map.map.xml"));
    return 0;
}
