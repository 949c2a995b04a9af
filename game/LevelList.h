#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace BaseLib
{
class CPathAliases;
}

// The map file of a map index: 0 "level>basic.map.xml", 1 jungle, 2 swamp, 3 cave, 4 temple; empty for
// any other index.
std::string GetMapFileName(std::int32_t mapIndex);

// The level files a map file lists: each "level" child of the root's "levellist", in document order, as
// "level>" + its "file" resolved. A file that does not load, a root without "levellist" and an entry
// without "file" are each traced with the file's name; such an entry stays in the list as the bare level
// folder, so the entries after it keep their indexes.
std::vector<std::string> LoadLevelList(const std::string& mapFile, const BaseLib::CPathAliases& aliases);
