#pragma once

#include <string>
#include <vector>

// The game's levels: the sources in mediagen/levels/<region>/ (LevelSource.h) become solver-checked
// puzzle files, the five map files' level lists and the blocks library.
namespace MediaGen
{

// The folder of the committed level sources.
std::string LevelSourceFolder();

// The level writer of the game command: WriteLevels over LevelSourceFolder() and MapSourceFolder().
bool WriteGameLevels(const std::string& media);

// Reads every source "<sources>/<region>/*.txt" (shorter names first, then in name order, so that
// "100.txt" follows "99.txt"; for each region of GameRegions), builds
// its puzzle, gives its blocks their models from the blocks library, solves it and writes, into the
// media folder (whose models/ must already hold the part models):
//   levels/<region>/NN.xml (or .blvl)   the level, NN counting from 01 in list order, with its shortest
//                                       solution as both "minsolvemoves" and "parsolvemoves";
//   levels/<region>.map.xml             root "map" with the "levellist" of the region's levels and the
//                                       layout of the region's map source in mapSources, if it has one
//                                       (the map files' one writer, MapFiles.h);
//   levels/blockslibrary.xml            one description per piece shape the levels use.
// A source that cannot be used (a fault of its text, a model missing from the media, no solution, a
// map source that breaks a rule) is refused with a line naming it and the reason; then nothing at all is
// written and the answer is false.
bool WriteLevels(const std::string& sources, const std::string& mapSources, const std::string& media);

// The level list of a region as WriteLevels numbers it: "<region>/NN.xml" (".blvl" for a binary source)
// for every source "<levelSources>/<region>/*.txt" in list order. False, with the source's fault
// printed, when a source does not parse.
bool ListRegionLevels(const std::string& levelSources, const std::string& region, std::vector<std::string>& files);

} // namespace MediaGen
