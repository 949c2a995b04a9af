#include "puzzle/BlocksLibrary.h"

#include "puzzle/Block.h"
#include "puzzle/MagnetBlock.h"
#include "puzzle/Puzzle.h"
#include "puzzle/PuzzleEditorInterface.h"

#include "foundation/Debug.h"
#include "foundation/Xml.h"
#include "platform/os/FileReplace.h"
#include "platform/os/Files.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <unordered_set>

namespace
{

// Follows side d from the block to the last block that way; a ring of links stops before the block it
// started from comes round again.
CBlock* LastAlong(CBlock* block, BlockDirection d)
{
    std::unordered_set<const CBlock*> seen{block};
    for (CBlock* next = block->GetNeighbour(d); next != nullptr && seen.insert(next).second;
         next = next->GetNeighbour(d))
    {
        block = next;
    }
    return block;
}

// The chain from first, each step to the neighbour on side `preferred` where there is one, else on side
// `otherwise`; ends where neither exists or at a block already walked.
std::vector<CBlock*> WalkChain(CBlock* first, BlockDirection preferred, BlockDirection otherwise)
{
    std::vector<CBlock*> chain;
    std::unordered_set<const CBlock*> seen;
    for (CBlock* block = first; block != nullptr && seen.insert(block).second;)
    {
        chain.push_back(block);
        CBlock* next = block->GetNeighbour(preferred);
        block = next != nullptr ? next : block->GetNeighbour(otherwise);
    }
    return chain;
}

enum class PartPlace
{
    End,
    Inner,
    Middle
};

PartPlace PlaceInChain(const CBlock* block)
{
    const bool horizontal =
        block->GetNeighbour(DirectionEast) != nullptr || block->GetNeighbour(DirectionWest) != nullptr;
    const CBlock* a = block->GetNeighbour(horizontal ? DirectionWest : DirectionNorth);
    const CBlock* b = block->GetNeighbour(horizontal ? DirectionEast : DirectionSouth);
    if (a == nullptr || b == nullptr)
    {
        return PartPlace::End;
    }
    const bool inner = a->GetKind() != KindFlex && b->GetKind() != KindFlex && a->IsSolid() && b->IsSolid();
    return inner ? PartPlace::Inner : PartPlace::Middle;
}

struct PartNames
{
    const char* end;
    const char* inner;
    const char* middle;
};

// Null for the kinds that keep their names.
const PartNames* DefaultPartNames(const CBlock* block)
{
    static const PartNames normal{"blk1_endb", "blk1_mid", "blk1_midb"};
    static const PartNames player{"blkplay_end", "blkplay_mid", "blkplay_mid"};
    static const PartNames none{"", "", ""};
    static const PartNames obstacle{"blkwall", "blkwall", "blkwall"};
    static const PartNames flex{"blkspr", "blkspr", "blkspr"};
    static const PartNames pulling{"blkmagn_end", "blkmagn_mid", "blkmagn_midb"};
    static const PartNames pushing{"blkmagp_end", "blkmagp_mid", "blkmagp_midb"};
    static const PartNames linked{"blktwin_endb", "blktwin_mid", "blktwin_midb"};
    static const PartNames bridge{"blkbri", "blkbri", "blkbri"};
    switch (block->GetKind())
    {
    case KindNormal:
        return &normal;
    case KindPlayer:
        return &player;
    case KindWall:
    case KindLevelSolvedTrigger:
        return &none;
    case KindObstacle:
        return &obstacle;
    case KindFlex:
        return &flex;
    case KindMagnet:
        return static_cast<const CMagnetBlock*>(block)->GetMode() == CMagnetBlock::ModePushing ? &pushing
                                                                                               : &pulling;
    case KindLinked:
        return &linked;
    case KindBridge:
        return &bridge;
    default:
        return nullptr;
    }
}

} // namespace

// ---- the list ----

void BlocksLibrary::Sort()
{
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const CMetaBlockDescription& a, const CMetaBlockDescription& b) {
                         return a.GetName() < b.GetName();
                     });
}

const CMetaBlockDescription& BlocksLibrary::GetEntry(int32_t index) const
{
    assert(index >= 0 && index < GetCount());
    return m_entries[static_cast<size_t>(index)];
}

void BlocksLibrary::Add(const CMetaBlockDescription& description)
{
    m_entries.push_back(description);
    if (m_entries.back().GetName().empty())
    {
        m_entries.back().SetName("noname");
    }
    Sort();
}

void BlocksLibrary::Replace(int32_t index, const CMetaBlockDescription& description)
{
    if (index < 0 || index >= GetCount())
    {
        return;
    }
    CMetaBlockDescription& entry = m_entries[static_cast<size_t>(index)];
    entry.GetParts() = description.GetParts();
    entry.SetName(description.GetName().empty() ? "noname" : description.GetName());
    Sort();
}

void BlocksLibrary::Remove(int32_t index)
{
    if (index >= 0 && index < GetCount())
    {
        m_entries.erase(m_entries.begin() + index);
    }
}

// ---- the file ----

bool BlocksLibrary::Load(const std::string& fileName)
{
    TiXmlDocument document;
    const bool parsed = BaseLib::XmlLoadFile(document, fileName);
    if (!parsed && !document.Error())
    {
        BaseLib::DebugOutput("Blocks library: cannot read \"%s\"\n", fileName.c_str());
        return false;
    }
    const TiXmlElement* root = document.RootElement();
    if (!parsed || root == nullptr || std::string(root->Value()) != "blockslibrary")
    {
        BaseLib::DebugOutput("Blocks library: \"%s\" is not a blocks library\n", fileName.c_str());
        return false;
    }
    m_entries.clear();
    for (const TiXmlElement* element = root->FirstChildElement("metablockdescription"); element != nullptr;
         element = element->NextSiblingElement("metablockdescription"))
    {
        m_entries.emplace_back();
        m_entries.back().Load(element);
    }
    Sort();
    return true;
}

bool BlocksLibrary::Save(const std::string& fileName) const
{
    TiXmlDocument document;
    TiXmlElement root("blockslibrary");
    for (const CMetaBlockDescription& entry : m_entries)
    {
        TiXmlElement element("metablockdescription");
        entry.SaveXml(&element);
        root.InsertEndChild(element);
    }
    document.InsertEndChild(root);
    if (!Platform::ReplaceFileContents(fileName, BaseLib::XmlDocumentToString(document)))
    {
        BaseLib::DebugOutput("Blocks library: could not write \"%s\"\n", fileName.c_str());
        return false;
    }
    return true;
}

// ---- model names ----

void MetaBlockPartNames(CBlock* first)
{
    for (CBlock* block : WalkChain(first, DirectionEast, DirectionSouth))
    {
        const PartNames* names = DefaultPartNames(block);
        if (names == nullptr)
        {
            continue;
        }
        switch (PlaceInChain(block))
        {
        case PartPlace::End:
            block->SetModelName(names->end);
            break;
        case PartPlace::Inner:
            block->SetModelName(names->inner);
            break;
        case PartPlace::Middle:
            block->SetModelName(names->middle);
            break;
        }
    }
}

void BlocksLibrary::BuildFromPuzzle(PuzzleEditorInterface* editor, CPuzzle& puzzle) const
{
    std::unordered_set<const CBlock*> named;
    for (CBlock* block : puzzle.GetBlocks())
    {
        if (!block->IsMovable() || named.count(block) != 0)
        {
            continue;
        }
        CBlock* first = LastAlong(LastAlong(block, DirectionNorth), DirectionWest);
        // A piece whose link set was never built counts as the block alone.
        const size_t pieceSize = std::max<size_t>(block->GetLinkSet().size(), 1);
        const std::vector<CBlock*> chain = WalkChain(first, DirectionSouth, DirectionEast);
        const auto matches = [&](const CMetaBlockDescription& entry) {
            const std::vector<MetaBlockPart>& parts = entry.GetParts();
            if (parts.size() != pieceSize || chain.size() < parts.size())
            {
                return false;
            }
            for (size_t i = 0; i < parts.size(); ++i)
            {
                if (parts[i].type != chain[i]->GetTypeName())
                {
                    return false;
                }
            }
            return true;
        };
        const auto entry = std::find_if(m_entries.begin(), m_entries.end(), matches);
        if (entry != m_entries.end())
        {
            for (size_t i = 0; i < entry->GetParts().size(); ++i)
            {
                chain[i]->SetModelName(entry->GetParts()[i].model);
            }
        }
        else
        {
            MetaBlockPartNames(first);
        }
        // The block itself too, should its link set not have been built yet.
        named.insert(block);
        named.insert(block->GetLinkSet().begin(), block->GetLinkSet().end());
    }
    if (editor != nullptr)
    {
        editor->MarkPuzzleChanged(false);
    }
}
