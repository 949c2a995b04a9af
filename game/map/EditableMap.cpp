#include "game/map/EditableMap.h"

#include "foundation/Debug.h"
#include "foundation/Xml.h"
#include "platform/os/FileReplace.h"

#include <cassert>

CEditableMap::~CEditableMap() = default;

bool CEditableMap::SaveXml(const std::string& path)
{
    m_FileName = path;
    TiXmlElement root("map");
    TiXmlElement levelList("levellist");
    for (std::size_t index = 0; index < m_Levels.size(); ++index)
    {
        TiXmlElement level("level");
        level.SetAttribute("id", static_cast<int>(index) + 1);
        level.SetAttribute("file", m_Levels[index]);
        levelList.InsertEndChild(level);
    }
    root.InsertEndChild(levelList);
    TiXmlDocument document;
    // A map without cells has no layout to write: a layout of size -2 would not read back.
    if (m_Cells.empty())
    {
        document.InsertEndChild(root);
        return WriteDocument(path, document);
    }
    TiXmlElement layout("layout");
    layout.SetAttribute("sizex", m_SizeX - 2);
    layout.SetAttribute("sizey", m_SizeY - 2);
    TiXmlElement setting("setting");
    setting.SetAttribute("name", m_Setting);
    layout.InsertEndChild(setting);
    for (int y = 1; y < m_SizeY - 1; ++y)
    {
        for (int x = 1; x < m_SizeX - 1; ++x)
        {
            const MapCell& cell = GetCell(x, y);
            TiXmlElement element("cell");
            element.SetAttribute("wb", static_cast<int>(cell.walkBits));
            element.SetAttribute("flags", static_cast<int>(cell.flags));
            element.SetAttribute("puzzle", cell.puzzle);
            element.SetAttribute("goldreq", cell.goldreq);
            element.SetAttribute("tile", cell.tile);
            element.SetAttribute("moodimg", cell.moodimg);
            element.SetAttribute("cutscene", cell.cutscene);
            element.SetAttribute("cutscene2", cell.cutscene2);
            layout.InsertEndChild(element);
        }
    }
    root.InsertEndChild(layout);
    document.InsertEndChild(root);
    return WriteDocument(path, document);
}

bool CEditableMap::WriteDocument(const std::string& path, const TiXmlDocument& document)
{
    if (!Platform::ReplaceFileContents(path, BaseLib::XmlDocumentToString(document)))
    {
        BaseLib::DebugOutput("Map: \"%s\" could not be written\n", path.c_str());
        return false;
    }
    return true;
}

void CEditableMap::ClearCells()
{
    m_Cells.assign(m_Cells.size(), MapCell());
    m_PlayerPosition = CellCentre(m_StartX, m_StartY);
}

void CEditableMap::SetInteriorSize(int interiorX, int interiorY)
{
    assert(interiorX >= 0 && interiorX <= MaxInteriorSize && interiorY >= 0 && interiorY <= MaxInteriorSize);
    m_SizeX = interiorX + 2;
    m_SizeY = interiorY + 2;
    m_Cells.assign(static_cast<std::size_t>(m_SizeX * m_SizeY), MapCell());
}

void CEditableMap::FinishLayout()
{
    const BaseLib::CPoint start = FindFirstExit();
    m_StartX = start.x;
    m_StartY = start.y;
    m_PlayerPosition = CellCentre(m_StartX, m_StartY);
}
