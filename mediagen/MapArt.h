#pragma once

#include "mediagen/Picture.h"

#include <memory>
#include <string>
#include <vector>

class CMap;
class CEditableMap;

// The world map's art and sounds: what the map renderer, the map screen and its ambience show and play.
namespace MediaGen
{

// The four regions' settings, in map order (maps 1 to 4).
const std::vector<std::string>& MapSettings();

// A region's map as its committed sources describe it (levels and layout), or null with the fault
// printed.
std::unique_ptr<CEditableMap> BuildRegionMap(const std::string& setting);

// The tile files a map's cells need, without ".png", sorted: every tile name but "empty", with
// "<tile>_solved" for tiles on puzzle cells and "<tile>_opened" for tiles on treasure or gold cells.
std::vector<std::string> MapTileFiles(const CMap& map);

// The mood picture names a map's cells use, sorted, each once.
std::vector<std::string> MapMoodNames(const CMap& map);

// Per region, in interface/map/<setting>/: the map picture "map_<setting>.png" of the whole grid (64
// pixels a cell, border ring included) with the ground and the roads along the passages, the barriers
// "barrier.png" and "barrierv.png" (32 x 32) and every tile file the region's map needs (64 x 64, drawn
// over the map picture). The maps are built from their committed sources.
bool WriteMapArt(const std::string& media);

// The tile picture of a setting: the base name (before "_solved" or "_opened") decides what stands on
// the cell, the variant its state. An empty picture for a name no painter knows.
Picture MapTilePicture(const std::string& setting, const std::string& tile);

// Shared by every region, in interface/map/: the walking figure and the cut-scene highlight (3 frames of
// 64 x 64), the lock markers (6 frames) and key markers (9 frames) of the three key colours and the gold
// coin (4 frames), all in horizontal strips; the sixteen fog pictures fog/fog0000.png .. fog1111.png; and
// the gold counter's digit strip gold_counter.png ("1234567890", glyphs apart by empty columns).
bool WriteMapMarkers(const std::string& media);

// The fog picture of a mask (bit 3 north-west, 2 north-east, 1 south-west, 0 south-east; a set bit is a
// fogged corner). Fog pictures of neighbouring cells that agree on their shared corners join without a
// seam.
Picture FogPicture(int mask);

// The mood pictures of the cells, interface/sequences/<setting>/<mood>.jpg, 256 x 192, for every mood
// the region's map names.
bool WriteMoodPictures(const std::string& media);

// The map's sounds (sounds/openlock.wav, treasure.wav, key_pickup.wav, pylon.wav) and the four regions'
// ambiences: the jungle's and the swamp's loops with their calls, the cave's drops and the temple's loop.
bool WriteMapSounds(const std::string& media);

} // namespace MediaGen
