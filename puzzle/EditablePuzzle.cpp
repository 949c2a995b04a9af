#include "puzzle/EditablePuzzle.h"

#include "puzzle/Block.h"
#include "puzzle/BlockFactory.h"
#include "puzzle/BridgeBlock.h"
#include "puzzle/FlexBlock.h"
#include "puzzle/LevelSolvedTriggerBlock.h"
#include "puzzle/LinkedBlock.h"
#include "puzzle/MagnetBlock.h"
#include "puzzle/MetaBlockDescription.h"
#include "puzzle/ObstacleBlock.h"
#include "puzzle/PlayerBlock.h"
#include "puzzle/WallBlock.h"

#include "foundation/Archive.h"
#include "foundation/Debug.h"
#include "foundation/FileStream.h"
#include "foundation/RectList.h"
#include "foundation/Xml.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <unordered_set>

namespace
{

// A board coordinate truncated toward zero; coordinates beyond the int32 range saturate, NaN gives 0.
int32_t TruncateCoordinate(float v)
{
    if (std::isnan(v))
    {
        return 0;
    }
    if (v >= 2147483648.0f)
    {
        return std::numeric_limits<int32_t>::max();
    }
    if (v < -2147483648.0f)
    {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(v);
}

// The cell an exit occupies in the inner ring of the border; the offset is clamped to the edge.
void ExitCell(const PuzzleExit& exit, int32_t width, int32_t height, int32_t& x, int32_t& y)
{
    const auto along = [](int32_t offset, int32_t length) {
        return std::max(0, std::min(offset, length - 1));
    };
    switch (exit.side)
    {
    case DirectionNorth:
        x = along(exit.offset, width);
        y = -1;
        break;
    case DirectionSouth:
        x = along(exit.offset, width);
        y = height;
        break;
    case DirectionWest:
        x = -1;
        y = along(exit.offset, height);
        break;
    case DirectionEast:
        x = width;
        y = along(exit.offset, height);
        break;
    default:
        x = 0;
        y = 0;
        break;
    }
}

// Links the block west and north to the blocks of the neighbouring cells for which the test answers
// true. blocks holds the block of every cell of the rows built so far (null for empty cells).
template <class SamePiece>
void LinkToBuiltNeighbours(CBlock* block, const std::vector<CBlock*>& blocks, int32_t width, int32_t column,
                           int32_t row, const SamePiece& samePiece)
{
    const size_t index = static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column);
    if (column > 0 && blocks[index - 1] != nullptr && samePiece(index - 1))
    {
        block->SetNeighbour(DirectionWest, blocks[index - 1]);
    }
    if (row > 0 && blocks[index - static_cast<size_t>(width)] != nullptr &&
        samePiece(index - static_cast<size_t>(width)))
    {
        block->SetNeighbour(DirectionNorth, blocks[index - static_cast<size_t>(width)]);
    }
}

} // namespace

void CEditablePuzzle::Update(double dt)
{
    CEndlessPlayPuzzle::Update(dt);
    m_grid.CheckConsistency();
}

bool CEditablePuzzle::IsValidSize(int32_t width, int32_t height)
{
    return width >= 1 && height >= 1 && width <= MaxBoardSide && height <= MaxBoardSide;
}

void CEditablePuzzle::FinishEdit()
{
    TakeStartSnapshot();
    m_minSolveMoves = -1;
}

// ---- border and exits ----

void CEditablePuzzle::BuildBorder(const std::vector<PuzzleExit>& exits)
{
    BaseLib::CRectList free;
    free.AddRect(BaseLib::CRect(-2, -2, m_width + 2, m_height + 2));
    free.RemoveRect(BaseLib::CRect(0, 0, m_width, m_height));
    for (const PuzzleExit& exit : exits)
    {
        int32_t x = 0;
        int32_t y = 0;
        ExitCell(exit, m_width, m_height, x, y);
        CBlock* trigger = new CLevelSolvedTriggerBlock(this);
        trigger->SetPosition(static_cast<float>(x), static_cast<float>(y));
        free.RemoveRect(BaseLib::CRect(x, y, x + 1, y + 1));
        AddBlock(trigger);
    }
    uint32_t position = 0;
    free.BeginIteration(position);
    BaseLib::CRect rect;
    while (free.GetNext(position, rect))
    {
        AddBlock(new CWallBlock(this, static_cast<float>(rect.left), static_cast<float>(rect.top),
                                static_cast<float>(rect.right - rect.left),
                                static_cast<float>(rect.bottom - rect.top)));
    }
}

void CEditablePuzzle::Clear()
{
    DeleteAllBlocks();
    BuildBorder({PuzzleExit{DirectionEast, 2}});
    FinishEdit();
}

void CEditablePuzzle::SetExits(const std::vector<PuzzleExit>& exits)
{
    DeletePiecesWhere([](const CBlock* block) {
        return block->GetKind() == KindWall || block->GetKind() == KindLevelSolvedTrigger;
    });
    BuildBorder(exits);
    FinishEdit();
}

int32_t CEditablePuzzle::GetNumExits() const
{
    return static_cast<int32_t>(std::count_if(m_blocks.begin(), m_blocks.end(), [](const CBlock* block) {
        return block->GetKind() == KindLevelSolvedTrigger;
    }));
}

PuzzleExit CEditablePuzzle::GetExit(int32_t index) const
{
    int32_t found = 0;
    for (const CBlock* block : m_blocks)
    {
        if (block->GetKind() == KindLevelSolvedTrigger && found++ == index)
        {
            return ExitOf(block);
        }
    }
    return {};
}

PuzzleExit CEditablePuzzle::ExitOf(const CBlock* trigger) const
{
    const float left = trigger->GetRect().left;
    const float top = trigger->GetRect().top;
    if (left < 0.0f)
    {
        return {DirectionWest, TruncateCoordinate(top)};
    }
    if (TruncateCoordinate(left) >= m_width)
    {
        return {DirectionEast, TruncateCoordinate(top)};
    }
    if (top < 0.0f)
    {
        return {DirectionNorth, TruncateCoordinate(left)};
    }
    if (TruncateCoordinate(top) >= m_height)
    {
        return {DirectionSouth, TruncateCoordinate(left)};
    }
    return {};
}

void CEditablePuzzle::SetGridSize(int32_t width, int32_t height)
{
    if (width == m_width && height == m_height)
    {
        return;
    }
    if (!IsValidSize(width, height))
    {
        BaseLib::DebugOutput("Puzzle: refused the board size %d by %d (1 to %d cells a side)\n", width,
                             height, MaxBoardSide);
        return;
    }
    std::vector<PuzzleExit> kept;
    for (const CBlock* block : m_blocks)
    {
        if (block->GetKind() != KindLevelSolvedTrigger)
        {
            continue;
        }
        const PuzzleExit exit = ExitOf(block);
        const bool fits = exit.side == DirectionNorth || exit.side == DirectionSouth ? exit.offset < width
                          : exit.side == DirectionWest || exit.side == DirectionEast ? exit.offset < height
                                                                                     : false;
        if (fits)
        {
            kept.push_back(exit);
        }
    }
    const float right = static_cast<float>(width);
    const float bottom = static_cast<float>(height);
    DeletePiecesWhere([&](const CBlock* block) {
        return block->GetKind() == KindWall || block->GetKind() == KindLevelSolvedTrigger ||
               block->GetRect().right > right || block->GetRect().bottom > bottom;
    });
    ResizeBoard(width, height);
    BuildBorder(kept);
    FinishEdit();
}

// ---- blocks ----

template <class Test> void CEditablePuzzle::DeletePiecesWhere(const Test& test)
{
    std::unordered_set<const CBlock*> doomed;
    std::vector<CBlock*> open;
    for (CBlock* block : m_blocks)
    {
        if (doomed.count(block) != 0 || !test(block))
        {
            continue;
        }
        doomed.insert(block);
        open.push_back(block);
        // The piece is walked through the links themselves, so a link set not yet rebuilt after an edit
        // cannot leave a linked block behind; a ring of links ends at the blocks already seen.
        while (!open.empty())
        {
            const CBlock* current = open.back();
            open.pop_back();
            for (int32_t d = DirectionNorth; d <= DirectionEast; ++d)
            {
                CBlock* neighbour = current->GetNeighbour(static_cast<BlockDirection>(d));
                if (neighbour != nullptr && doomed.insert(neighbour).second)
                {
                    open.push_back(neighbour);
                }
            }
        }
    }
    if (doomed.empty())
    {
        return;
    }
    std::vector<CBlock*> removed;
    std::erase_if(m_blocks, [&](CBlock* block) {
        if (doomed.count(block) == 0)
        {
            return false;
        }
        removed.push_back(block);
        return true;
    });
    // Each block leaves the grid and unlinks its neighbours as it is deleted.
    for (CBlock* block : removed)
    {
        delete block;
    }
}

void CEditablePuzzle::DeleteBlock(int32_t id)
{
    DeletePiecesWhere([id](const CBlock* block) { return block->GetId() == id; });
    FinishEdit();
}

// ---- building ----

bool CEditablePuzzle::PlaceMetaBlock(const CMetaBlockDescription& description, float x, float y,
                                     bool vertical)
{
    const std::vector<MetaBlockPart>& parts = description.GetParts();
    if (parts.empty())
    {
        return false;
    }
    for (const MetaBlockPart& part : parts)
    {
        if (!IsBlockType(part.type))
        {
            BaseLib::DebugOutput("Puzzle: meta-block \"%s\" names the unknown block type \"%s\"\n",
                                 description.GetName().c_str(), part.type.c_str());
            return false;
        }
    }
    std::vector<CBlock*> created;
    created.reserve(parts.size());
    CBlock* previous = nullptr;
    for (const MetaBlockPart& part : parts)
    {
        CBlock* block = CreateBlockByType(this, part.type);
        block->SetPosition(x, y);
        if (previous != nullptr)
        {
            block->SetNeighbour(vertical ? DirectionNorth : DirectionWest, previous);
        }
        if (block->GetKind() == KindFlex)
        {
            block->SetSize(vertical ? 1.0f : 0.0f, vertical ? 0.0f : 1.0f);
        }
        if (vertical)
        {
            y += block->GetHeight();
        }
        else
        {
            x += block->GetWidth();
        }
        if (!part.model.empty())
        {
            block->SetModelName(part.model);
        }
        created.push_back(block);
        previous = block;
    }

    bool overlaps = false;
    for (const CBlock* block : created)
    {
        if (!block->IsSolid())
        {
            continue;
        }
        overlaps = std::any_of(m_blocks.begin(), m_blocks.end(), [block](const CBlock* existing) {
            return existing->IsSolid() && existing->GetRect().Intersects(block->GetRect());
        });
        if (overlaps)
        {
            break;
        }
    }
    if (overlaps)
    {
        // Positioning entered the new blocks in the grid; deleting them takes them out again.
        for (CBlock* block : created)
        {
            delete block;
        }
        return false;
    }
    for (CBlock* block : created)
    {
        AddBlock(block);
    }
    FinishEdit();
    return true;
}

bool CEditablePuzzle::BuildFromCharGrid(const std::string& fileName)
{
    std::vector<std::string> tokens;
    {
        BaseLib::CFileStream stream(BaseLib::CFileStream::ModeRead, fileName);
        if (!stream.IsOpen())
        {
            BaseLib::DebugOutput("Puzzle: cannot read the character grid \"%s\"\n", fileName.c_str());
            return false;
        }
        std::string token;
        for (int c = stream.ReadChar();; c = stream.ReadChar())
        {
            if (c >= 0 && !std::isspace(c))
            {
                token.push_back(static_cast<char>(c));
                continue;
            }
            if (!token.empty())
            {
                tokens.push_back(std::move(token));
                token.clear();
            }
            if (c < 0)
            {
                break;
            }
        }
    }
    m_fileName = fileName;

    // First pass: the exit, the rows and the size. A row's cells end at its first "E".
    PuzzleExit exit{DirectionEast, 2};
    std::vector<const std::string*> rows;
    std::vector<size_t> rowWidths;
    size_t width = 0;
    for (const std::string& token : tokens)
    {
        const size_t firstE = token.find('E');
        if (token.find_first_not_of('E') == std::string::npos)
        {
            const size_t lastE = std::min<size_t>(token.size() - 1, std::numeric_limits<int32_t>::max());
            exit = {rows.empty() ? DirectionNorth : DirectionSouth, static_cast<int32_t>(lastE)};
            continue;
        }
        if (firstE != std::string::npos)
        {
            exit = {DirectionEast, static_cast<int32_t>(std::min<size_t>(rows.size(), MaxBoardSide))};
        }
        const size_t rowWidth = firstE == std::string::npos ? token.size() : firstE;
        rows.push_back(&token);
        rowWidths.push_back(rowWidth);
        width = std::max(width, rowWidth);
    }
    if (width == 0 || rows.empty() || width > MaxBoardSide || rows.size() > MaxBoardSide)
    {
        BaseLib::DebugOutput("Puzzle: the character grid \"%s\" gives a board of %zu by %zu cells (1 to %d a "
                             "side)\n",
                             fileName.c_str(), width, rows.size(), MaxBoardSide);
        return false;
    }

    // Second pass: the cells; those a short row lacks stay empty.
    const int32_t w = static_cast<int32_t>(width);
    const int32_t h = static_cast<int32_t>(rows.size());
    std::vector<char> cells(width * rows.size(), '-');
    for (size_t row = 0; row < rows.size(); ++row)
    {
        std::copy_n(rows[row]->begin(), std::min(rowWidths[row], width), cells.begin() + row * width);
    }
    DeleteAllBlocks();
    ResizeBoard(w, h);
    BuildBorder({exit});
    std::vector<CBlock*> blocks(cells.size(), nullptr);
    for (int32_t row = 0; row < h; ++row)
    {
        for (int32_t column = 0; column < w; ++column)
        {
            const size_t index = static_cast<size_t>(row) * width + static_cast<size_t>(column);
            char& c = cells[index];
            if (c == '-')
            {
                continue;
            }
            CBlock* block = BlockFromChar(c);
            block->SetPosition(static_cast<float>(column), static_cast<float>(row));
            AddBlock(block);
            blocks[index] = block;
            // Magnets of either mode next to each other make one piece.
            if (c == 'N' || c == 'S')
            {
                c = 'M';
            }
            const auto upper = [](char v) { return std::toupper(static_cast<unsigned char>(v)); };
            LinkToBuiltNeighbours(block, blocks, w, column, row,
                                  [&](size_t other) { return upper(cells[other]) == upper(c); });
        }
    }
    FinishEdit();
    return true;
}

CBlock* CEditablePuzzle::BlockFromChar(char c)
{
    switch (c)
    {
    case 'B':
    case 'C':
        return new CBridgeBlock(this);
    case 'F':
    case 'G':
        return new CFlexBlock(this, 0);
    case 'W':
    case 'X':
        return new CFlexBlock(this, 1);
    case 'L':
        return new CLinkedBlock(this);
    case 'M':
    case 'N':
        return new CMagnetBlock(this, CMagnetBlock::ModePulling);
    case 'S':
        return new CMagnetBlock(this, CMagnetBlock::ModePushing);
    case 'O':
        return new CObstacleBlock(this);
    case 'P':
        return new CPlayerBlock(this);
    default:
        return new CBlock(this);
    }
}

bool CEditablePuzzle::CreateFromCellGrid(const std::vector<PuzzleCell>& cells, int32_t width, int32_t height,
                                         const std::vector<PuzzleExit>& exits)
{
    if (!IsValidSize(width, height) ||
        cells.size() < static_cast<size_t>(width) * static_cast<size_t>(height))
    {
        BaseLib::DebugOutput("Puzzle: refused a cell grid of %d by %d cells with %zu cells\n", width, height,
                             cells.size());
        return false;
    }
    DeleteAllBlocks();
    ResizeBoard(width, height);
    BuildBorder(exits);
    std::vector<CBlock*> blocks(static_cast<size_t>(width) * static_cast<size_t>(height), nullptr);
    for (int32_t row = 0; row < height; ++row)
    {
        for (int32_t column = 0; column < width; ++column)
        {
            const size_t index =
                static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column);
            const PuzzleCell& cell = cells[index];
            if (cell.type == '-')
            {
                continue;
            }
            CBlock* block = BlockFromChar(cell.type);
            block->SetPosition(static_cast<float>(column), static_cast<float>(row));
            AddBlock(block);
            blocks[index] = block;
            LinkToBuiltNeighbours(block, blocks, width, column, row,
                                  [&](size_t other) { return cells[other].group == cell.group; });
        }
    }
    FinishEdit();
    return true;
}

// ---- names and counts ----

void CEditablePuzzle::SetEnvironmentName(const std::string& name)
{
    m_environmentName = name;
    m_changeNumber = NextChangeNumber();
}

void CEditablePuzzle::SetBoardName(const std::string& name)
{
    m_boardName = name;
    m_changeNumber = NextChangeNumber();
}

void CEditablePuzzle::SetGfxSetName(const std::string& name)
{
    m_gfxSetName = name;
    m_changeNumber = NextChangeNumber();
}

void CEditablePuzzle::SetMinSolveMoves(int32_t moves)
{
    m_minSolveMoves = moves;
    if (moves > 0 && m_parSolveMoves < moves)
    {
        m_parSolveMoves = moves;
    }
}

void CEditablePuzzle::MarkChanged(bool forgetMinMoves)
{
    TakeStartSnapshot();
    if (forgetMinMoves)
    {
        m_minSolveMoves = -1;
    }
}

// ---- files ----

bool CEditablePuzzle::SaveXml(const std::string& fileName)
{
    m_fileName = fileName;
    TiXmlDocument document;
    TiXmlElement root("puzzle");
    root.SetAttribute("gridsizex", m_width);
    root.SetAttribute("gridsizey", m_height);
    root.SetAttribute("minsolvemoves", m_minSolveMoves);
    root.SetAttribute("parsolvemoves", m_parSolveMoves);
    const std::pair<const char*, const std::string*> names[] = {
        {"environment", &m_environmentName}, {"board", &m_boardName}, {"gfxset", &m_gfxSetName}};
    for (const auto& [element, name] : names)
    {
        TiXmlElement child(element);
        child.SetAttribute("name", name->c_str());
        root.InsertEndChild(child);
    }
    for (const CBlock* block : m_blocks)
    {
        TiXmlElement element("block");
        block->SaveXml(&element);
        root.InsertEndChild(element);
    }
    document.InsertEndChild(root);
    const std::string text = BaseLib::XmlDocumentToString(document);

    BaseLib::CArchiveBinaryFile archive(fileName, BaseLib::CArchive::ModeSave);
    const bool opened = archive.GetMode() == BaseLib::CArchive::ModeSave;
    if (opened)
    {
        archive.WriteBytes(text.data(), static_cast<uint32_t>(text.size()));
        archive.SerializeObjects();
    }
    if (!opened || archive.HasFailed())
    {
        BaseLib::DebugOutput("Puzzle: could not write \"%s\"\n", fileName.c_str());
        return false;
    }
    return true;
}

bool CEditablePuzzle::SaveBinary(const std::string& fileName)
{
    BaseLib::CArchiveBinaryFile archive(fileName, BaseLib::CArchive::ModeSave);
    m_fileName = fileName;
    // An archive that could not be opened reads in every call: nothing may go through it.
    if (archive.GetMode() != BaseLib::CArchive::ModeSave)
    {
        BaseLib::DebugOutput("Puzzle: could not write \"%s\"\n", fileName.c_str());
        return false;
    }
    int32_t values[] = {m_width, m_height, m_minSolveMoves, m_parSolveMoves};
    for (int32_t& value : values)
    {
        archive.Serialize(value);
    }
    std::string environment = m_environmentName;
    std::string board = m_boardName;
    std::string gfxSet = m_gfxSetName;
    BaseLib::SerializeString(archive, environment);
    BaseLib::SerializeString(archive, board);
    BaseLib::SerializeString(archive, gfxSet);
    int32_t count = static_cast<int32_t>(m_blocks.size());
    archive.Serialize(count);
    for (CBlock* block : m_blocks)
    {
        block->Serialize(archive);
    }
    archive.SerializeObjects();
    if (archive.HasFailed())
    {
        BaseLib::DebugOutput("Puzzle: could not write \"%s\"\n", fileName.c_str());
        return false;
    }
    return true;
}
