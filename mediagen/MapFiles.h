#pragma once

#include "game/map/EditableMap.h"

#include <memory>
#include <string>
#include <vector>

// The world maps' files: the one writer of "levels/<region>.map.xml" (shared by the level step and the
// map step, so that regenerating either keeps the other's part) and the map step with its path files.
namespace MediaGen
{

// The folder of the committed map sources and routes.
std::string MapSourceFolder();

// A region's map file in memory: the level list given, and the layout of "<mapSources>/<region>.txt"
// when that source exists (else the map has only its list). A source that breaks a rule, or whose
// route "<region>.route" does not parse, leaves null and prints the file, line and rule.
std::unique_ptr<CEditableMap> BuildMapFile(const std::string& region, const std::vector<std::string>& levels,
                                           const std::string& mapSources);

// Writes the map as media/levels/<region>.map.xml (through CEditableMap::SaveXml, whole or not at all).
bool SaveMapFile(const std::string& media, const std::string& region, CEditableMap& map);

// The path file of a map: (size x × 11) × (size y × 11) bytes, row by row, 0 walkable. Every cell with
// a passage has its centre sub-cell (5, 5) walkable and a straight corridor of sub-cells from there to
// the edge of each passage it has, crossing its row or column 3 or 8; nothing else is walkable.
std::string BuildPathGrid(const CMap& map);

// The map step of the game command: MapsStep over the committed sources.
bool WriteGameMaps(const std::string& media);

// For every region with a map source: its map file (level list from the level sources, layout from the
// map source) and its path file "interface/map/<setting>/<setting>paths.raw". A map whose source or
// route is refused gets no file; the others are still written; the answer is false then.
bool WriteMaps(const std::string& levelSources, const std::string& mapSources, const std::string& media);

} // namespace MediaGen
