#pragma once

#include "puzzle/MetaBlockDescription.h"

#include <cstdint>
#include <string>
#include <vector>

class CBlock;
class CPuzzle;
class PuzzleEditorInterface;

// The blocks library: named meta-block shapes with the 3D model of every part, kept sorted by name
// (byte-wise ascending, equal names in the order they came) after every load, add and replace. An empty
// name is stored as "noname". The file is XML: root "blockslibrary", one "metablockdescription" per entry.
class BlocksLibrary
{
public:
    // Replaces the list with the file's entries. False, keeping the list, when the file cannot be read,
    // does not parse or its root is not "blockslibrary" (traced).
    bool Load(const std::string& fileName);
    // Writes every entry in list order. The file is replaced whole: false, with the old file kept, when
    // it cannot be written (traced).
    bool Save(const std::string& fileName) const;

    int32_t GetCount() const { return static_cast<int32_t>(m_entries.size()); }
    // Index 0 .. GetCount() - 1.
    const CMetaBlockDescription& GetEntry(int32_t index) const;
    void Add(const CMetaBlockDescription& description);
    // Entry index takes the description's name and parts; an index outside the list is ignored.
    void Replace(int32_t index, const CMetaBlockDescription& description);
    // An index outside the list is ignored.
    void Remove(int32_t index);

    // Gives every movable block of the puzzle its 3D model name: each meta-block (a piece of linked
    // blocks, walked from its north-west end down, else right) takes the models of the first entry with
    // as many parts as the piece has blocks and the same type names in order; a piece that no entry
    // matches gets the default part names (MetaBlockPartNames). Adds no entry. With an editor, tells it
    // afterwards that the puzzle changed (keeping the shortest solution).
    void BuildFromPuzzle(PuzzleEditorInterface* editor, CPuzzle& puzzle) const;

private:
    void Sort();

    std::vector<CMetaBlockDescription> m_entries;
};

// Gives each block of the chain that starts at first (walked east where it can, else south) its default
// 3D part name by kind and place: an end, an inner piece (both neighbours along the chain present, solid
// and not flexible) or another middle piece. Coloured blocks keep their names; walls and exits get an
// empty name. A chain that loops ends at the first block seen twice.
void MetaBlockPartNames(CBlock* first);
