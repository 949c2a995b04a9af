#include "game/LevelList.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Xml.h"

#include <iterator>

std::string GetMapFileName(std::int32_t mapIndex)
{
    static const char* const files[] = {"level>basic.map.xml", "level>jungle.map.xml", "level>swamp.map.xml",
                                        "level>cave.map.xml", "level>temple.map.xml"};
    if (mapIndex < 0 || mapIndex >= static_cast<std::int32_t>(std::size(files)))
    {
        return std::string();
    }
    return files[mapIndex];
}

std::vector<std::string> LoadLevelList(const std::string& mapFile, const BaseLib::CPathAliases& aliases)
{
    std::vector<std::string> files;
    const std::string path = aliases.ResolvePath(mapFile);
    TiXmlDocument document;
    if (!BaseLib::XmlLoadFile(document, path))
    {
        BaseLib::DebugOutput("Level list: map file \"%s\" does not load; no levels\n", path.c_str());
        return files;
    }
    const TiXmlElement* root = document.RootElement();
    const TiXmlElement* list = root != nullptr ? root->FirstChildElement("levellist") : nullptr;
    if (list == nullptr)
    {
        BaseLib::DebugOutput("Level list: map file \"%s\" has no \"levellist\"; no levels\n", path.c_str());
        return files;
    }
    // An entry's "id" is not used: the list's order is the levels' order.
    for (const TiXmlElement* level = list->FirstChildElement("level"); level != nullptr;
         level = level->NextSiblingElement("level"))
    {
        if (level->Attribute("file") == nullptr)
        {
            BaseLib::DebugOutput("Level list: entry %zu of \"%s\" has no \"file\"; the level folder stands "
                                 "in its place\n",
                                 files.size(), path.c_str());
        }
        files.push_back(aliases.ResolvePath("level>" + BaseLib::XmlGetStringAttribute(level, "file", "")));
    }
    return files;
}
