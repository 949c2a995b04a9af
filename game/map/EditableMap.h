#pragma once

#include "game/map/Map.h"

#include <string>
#include <vector>

class TiXmlDocument;

// The map as the map editor and the game world hold it: a CMap that can also be written to a map file
// and cleared.
class CEditableMap : public CMap
{
public:
    CEditableMap() = default;
    ~CEditableMap() override;

    // Writes the map file (no XML declaration): the level list with ids 1, 2, 3, ..., the interior size,
    // the setting and one "cell" per interior cell row by row. Fog, search marks and states are not
    // written; a map without cells is written without "layout", so that the file reads back as such.
    // The path becomes the map's name. The file is replaced whole or not at all; true only when it was
    // written (a failure is traced with the path).
    bool SaveXml(const std::string& path);

    // Every cell becomes a default cell, the size stays; the figure goes to the centre of the start cell.
    void ClearCells();

    // --- Building a map in memory (the media generator writes the game's maps this way). ---

    // A grid of interiorX x interiorY cells inside the border ring, every cell a default cell; each size
    // must lie within 0 .. MaxInteriorSize (asserted). Call FinishLayout once the cells are filled.
    void SetInteriorSize(int interiorX, int interiorY);
    void SetSetting(const std::string& setting) { m_Setting = setting; }
    void SetLevelList(const std::vector<std::string>& levels) { m_Levels = levels; }
    // The start cell becomes the exit with the lowest id and the figure stands on its centre.
    void FinishLayout();

private:
    static bool WriteDocument(const std::string& path, const TiXmlDocument& document);
};
