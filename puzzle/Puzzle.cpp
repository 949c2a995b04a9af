#include "puzzle/Puzzle.h"

#include "puzzle/Block.h"
#include "puzzle/BlockFactory.h"
#include "puzzle/PuzzleXml.h"

#include "foundation/Archive.h"
#include "foundation/Debug.h"
#include "foundation/Xml.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>

namespace
{

std::atomic<uint32_t> s_changeCounter{0};

bool SameRect(const BaseLib::CRectF& a, const BaseLib::CRectF& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A board size read from a file: below 1 means the default of 6.
int32_t BoardSide(int32_t read)
{
    return read < 1 ? 6 : read;
}

// A damaged or hostile file may stack many blocks as large as the board, each entered in every cell: a
// few kilobytes would take gigabytes and minutes. No real puzzle covers its grid more than a few times
// over, so a load gives up once its blocks cover it eight times (with a margin for small boards). Adds
// the block's cells to covered; false, with a trace, once that is exceeded.
bool CountCover(const std::string& fileName, const BlockGrid& grid, const CBlock* block, int64_t& covered)
{
    const int64_t cells = (static_cast<int64_t>(grid.GetWidth()) + 2) * (grid.GetHeight() + 2) + 4;
    covered += grid.CountCells(block->GetRect());
    if (covered <= 8 * cells + 100000)
    {
        return true;
    }
    BaseLib::DebugOutput("Puzzle: \"%s\": its blocks cover %lld cells, too many for a board of %d by %d\n",
                         fileName.c_str(), static_cast<long long>(covered), grid.GetWidth(),
                         grid.GetHeight());
    return false;
}

int32_t ClampToInt32(int64_t v)
{
    return static_cast<int32_t>(
        std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

} // namespace

bool PuzzleSnapshot::Equals(const PuzzleSnapshot& other) const
{
    if (states.size() != other.states.size())
    {
        return false;
    }
    for (size_t i = 0; i < states.size(); ++i)
    {
        if (states[i].block != other.states[i].block || !SameRect(states[i].rect, other.states[i].rect))
        {
            return false;
        }
    }
    return true;
}

bool PuzzleSnapshot::HasSameBlocks(const PuzzleSnapshot& other) const
{
    if (states.size() != other.states.size())
    {
        return false;
    }
    for (size_t i = 0; i < states.size(); ++i)
    {
        if (states[i].block != other.states[i].block)
        {
            return false;
        }
    }
    return true;
}

uint32_t CPuzzle::NextChangeNumber()
{
    return s_changeCounter.fetch_add(1);
}

CPuzzle::CPuzzle() : m_changeNumber(NextChangeNumber()) {}

CPuzzle::~CPuzzle()
{
    for (CBlock* block : m_blocks)
    {
        delete block;
    }
}

void CPuzzle::ResizeBoard(int32_t width, int32_t height)
{
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_grid.Resize(m_width, m_height);
    m_grid.Clear();
    for (CBlock* block : m_blocks)
    {
        m_grid.AddBlock(block);
    }
}

CBlock* CPuzzle::FindBlockById(int32_t id) const
{
    for (CBlock* block : m_blocks)
    {
        if (block->GetId() == id)
        {
            return block;
        }
    }
    return nullptr;
}

void CPuzzle::AddBlock(CBlock* block)
{
    m_blocks.push_back(block);
    m_grid.AddBlock(block);
}

void CPuzzle::DeleteAllBlocks()
{
    for (CBlock* block : m_blocks)
    {
        delete block;
    }
    m_blocks.clear();
    m_grid.Clear();
    m_undo.clear();
    m_redo.clear();
    m_start.states.clear();
}

// ---- commands ----

void CPuzzle::SelectBlock(int32_t id)
{
    if (m_selectedBlockId == -1 && !m_moving)
    {
        m_selectedBlockId = id;
    }
}

void CPuzzle::DragBlock(int32_t id, float x, float y)
{
    if (id != m_selectedBlockId)
    {
        return;
    }
    CBlock* block = FindBlockById(id);
    if (block == nullptr)
    {
        return;
    }
    const float dx = x - block->GetRect().left;
    const float dy = y - block->GetRect().top;
    block->Move(dx > 0.0f ? DirectionEast : DirectionWest, std::fabs(dx), 1000);
    block->Move(dy > 0.0f ? DirectionSouth : DirectionNorth, std::fabs(dy), 1000);
}

void CPuzzle::ReleaseBlock(int32_t id)
{
    if (id == m_selectedBlockId)
    {
        m_selectedBlockId = -1;
    }
}

void CPuzzle::Restart(bool keepUndo)
{
    const int32_t moveCount = m_moveCount;
    Restore(m_start);
    if (!keepUndo)
    {
        m_undo.clear();
        StoreAllPrevious();
    }
    else if (AnyMoved() && m_recording)
    {
        PushUndo(moveCount);
    }
    m_redo.clear();
    m_moveCount = 0;
}

// Not while a block is held either: the held block may rest between cells where a restored block stands.
bool CPuzzle::CanUndo() const
{
    return m_recording && !m_undo.empty() && !m_moving && m_selectedBlockId == -1;
}

bool CPuzzle::CanRedo() const
{
    return m_recording && !m_redo.empty() && !m_moving && m_selectedBlockId == -1;
}

void CPuzzle::Undo()
{
    if (!CanUndo())
    {
        return;
    }
    while (m_redo.size() >= MaxHistory)
    {
        m_redo.pop_front();
    }
    const PuzzleSnapshot& last = m_undo.back();
    PuzzleSnapshot redo;
    redo.moveCount = m_moveCount;
    redo.states.reserve(last.states.size());
    for (const BlockState& entry : last.states)
    {
        redo.states.push_back(entry.block->GetState());
    }
    m_redo.push_back(std::move(redo));
    Restore(last);
    m_undo.pop_back();
    StoreAllPrevious();
}

void CPuzzle::Redo()
{
    if (!CanRedo())
    {
        return;
    }
    const int32_t moveCount = m_moveCount;
    Restore(m_redo.back());
    m_redo.pop_back();
    PushUndo(moveCount);
}

void CPuzzle::SetRecording(bool recording)
{
    m_recording = recording;
    m_undo.clear();
    m_redo.clear();
}

// ---- the world step ----

void CPuzzle::Update(double dt)
{
    for (CBlock* block : m_blocks)
    {
        block->ClearMovedThisStep();
    }
    m_moving = false;
    if (!m_timeFrozen)
    {
        for (CBlock* block : m_blocks)
        {
            block->Update(dt);
            if (block->MovedThisStep())
            {
                m_moving = true;
            }
        }
    }

    if (m_moving)
    {
        m_solved = false;
        if (m_selectedBlockId == -1)
        {
            // Blocks that keep moving with nothing held go back to their last committed places, every
            // step from here on (the counter is not reset by the revert).
            if (++m_stuckCounter > MaxStuckSteps)
            {
                for (CBlock* block : m_blocks)
                {
                    if (block->HasMoved())
                    {
                        block->SetRect(block->GetPreviousState());
                        block->StorePrevious();
                    }
                }
            }
        }
        else
        {
            m_stuckCounter = 0;
        }
    }
    else
    {
        m_stuckCounter = 0;
    }

    if (m_selectedBlockId != -1 || m_moving)
    {
        return;
    }
    if (!AnyMoved())
    {
        return;
    }
    if (!m_recording)
    {
        StoreAllPrevious();
        ++m_moveCount;
        return;
    }
    if (!m_undo.empty())
    {
        m_scratch.states.clear();
        CaptureMoved(m_scratch);
        const PuzzleSnapshot& last = m_undo.back();
        if (m_scratch.Equals(last))
        {
            // The moved blocks stand exactly where they stood before the last move: it is taken back.
            m_undo.pop_back();
            m_redo.clear();
            --m_moveCount;
            StoreAllPrevious();
            return;
        }
        if (m_scratch.HasSameBlocks(last))
        {
            // The same blocks moved again in a row: still one move.
            StoreAllPrevious();
            return;
        }
    }
    PushUndo(m_moveCount);
    m_redo.clear();
    ++m_moveCount;
}

// ---- snapshots ----

void CPuzzle::PushUndo(int32_t moveCount)
{
    while (m_undo.size() >= MaxHistory)
    {
        m_undo.pop_front();
    }
    m_undo.emplace_back();
    PuzzleSnapshot& entry = m_undo.back();
    entry.moveCount = moveCount;
    for (CBlock* block : m_blocks)
    {
        if (block->HasMoved())
        {
            entry.states.push_back(block->GetPreviousState());
            block->StorePrevious();
        }
    }
    StoreAllPrevious();
}

void CPuzzle::CaptureMoved(PuzzleSnapshot& snapshot) const
{
    for (CBlock* block : m_blocks)
    {
        if (block->HasMoved())
        {
            snapshot.states.push_back(block->GetState());
        }
    }
}

void CPuzzle::Restore(const PuzzleSnapshot& snapshot)
{
    for (const BlockState& entry : snapshot.states)
    {
        entry.block->SetRect(entry);
    }
    m_moveCount = snapshot.moveCount;
}

void CPuzzle::StoreAllPrevious()
{
    for (CBlock* block : m_blocks)
    {
        block->StorePrevious();
    }
}

bool CPuzzle::AnyMoved() const
{
    for (const CBlock* block : m_blocks)
    {
        if (block->HasMoved())
        {
            return true;
        }
    }
    return false;
}

void CPuzzle::ResetHistory()
{
    StoreAllPrevious();
    m_start.states.clear();
    m_start.moveCount = 0;
    for (CBlock* block : m_blocks)
    {
        m_start.states.push_back(block->GetState());
        block->StorePrevious();
    }
    m_undo.clear();
    m_redo.clear();
}

void CPuzzle::TakeStartSnapshot()
{
    ResetHistory();
    for (CBlock* block : m_blocks)
    {
        block->RebuildLinks();
    }
    m_changeNumber = NextChangeNumber();
}

// ---- stars ----

int32_t CPuzzle::GetMoveLimitForStars(int32_t stars) const
{
    const int32_t r = m_parSolveMoves > 0 ? m_parSolveMoves : m_minSolveMoves;
    int32_t t;
    if (r < 0)
    {
        // The square root of a negative count is not a number, which the original conversion turned into
        // the smallest int32: t = max(that, r) = r.
        t = r;
    }
    else
    {
        const float rf = static_cast<float>(r);
        const float root = std::sqrt(rf);
        const float product = root * rf;
        const float quotient = product / 3.5f;
        const float sum = quotient + 0.5f;
        const float floored = std::floor(sum);
        // Beyond int32 the same conversion gives the smallest int32 too.
        const int32_t scaled =
            floored < 2147483648.0f ? static_cast<int32_t>(floored) : std::numeric_limits<int32_t>::min();
        t = std::max(scaled, r);
    }
    switch (stars)
    {
    case 3:
        return t;
    case 2:
        return ClampToInt32(3 * static_cast<int64_t>(t) / 2);
    case 1:
        return ClampToInt32(2 * static_cast<int64_t>(t));
    case 0:
        return std::numeric_limits<int32_t>::max();
    default:
        return 0;
    }
}

int32_t CPuzzle::GetStars() const
{
    if (!m_solved)
    {
        return 0;
    }
    for (int32_t k = 3; k >= 0; --k)
    {
        if (GetMoveLimitForStars(k) >= m_moveCount)
        {
            return k;
        }
    }
    return 0;
}

// ---- files ----

bool CPuzzle::LoadXml(const std::string& fileName)
{
    TiXmlDocument document;
    if (!BaseLib::XmlLoadFile(document, fileName))
    {
        if (!document.Error())
        {
            BaseLib::DebugOutput("Puzzle: cannot read \"%s\"\n", fileName.c_str());
            return false;
        }
        BaseLib::DebugOutput("Puzzle: \"%s\" is not XML: %s\n", fileName.c_str(), document.ErrorDesc());
        return false;
    }
    m_fileName = fileName;
    const TiXmlElement* root = document.RootElement();
    if (root == nullptr || std::string(root->Value()) != "puzzle")
    {
        BaseLib::DebugOutput("Puzzle: \"%s\" is not a puzzle\n", fileName.c_str());
        return false;
    }
    const int32_t width = BoardSide(PuzzleXml::GetDecimalAttribute(root, "gridsizex", 6));
    const int32_t height = BoardSide(PuzzleXml::GetDecimalAttribute(root, "gridsizey", 6));
    if (width > MaxBoardSide || height > MaxBoardSide)
    {
        BaseLib::DebugOutput("Puzzle: \"%s\" has a board of %d by %d cells, more than %d a side\n",
                             fileName.c_str(), width, height, MaxBoardSide);
        return false;
    }

    DeleteAllBlocks();
    ResizeBoard(width, height);
    if (const TiXmlElement* element = root->FirstChildElement("environment"))
    {
        m_environmentName = BaseLib::XmlGetStringAttribute(element, "name", m_environmentName);
    }
    if (const TiXmlElement* element = root->FirstChildElement("board"))
    {
        m_boardName = BaseLib::XmlGetStringAttribute(element, "name", m_boardName);
    }
    if (const TiXmlElement* element = root->FirstChildElement("gfxset"))
    {
        m_gfxSetName = BaseLib::XmlGetStringAttribute(element, "name", m_gfxSetName);
    }
    int64_t covered = 0;
    for (const TiXmlElement* element = root->FirstChildElement("block"); element != nullptr;
         element = element->NextSiblingElement("block"))
    {
        const std::string type = BaseLib::XmlGetStringAttribute(element, "type", "");
        CBlock* block = CreateBlockByType(this, type);
        if (block == nullptr)
        {
            BaseLib::DebugOutput("Puzzle: \"%s\": skipped a block of the unknown type \"%s\"\n",
                                 fileName.c_str(), type.c_str());
            continue;
        }
        if (!block->LoadXml(element))
        {
            BaseLib::DebugOutput("Puzzle: \"%s\": block id %d is outside 0 to %d\n", fileName.c_str(),
                                 block->GetId(), CBlock::MaxFileId);
            delete block;
            DeleteAllBlocks();
            TakeStartSnapshot();
            return false;
        }
        AddBlock(block);
        if (!CountCover(fileName, m_grid, block, covered))
        {
            DeleteAllBlocks();
            TakeStartSnapshot();
            return false;
        }
    }
    TakeStartSnapshot();
    m_minSolveMoves = PuzzleXml::GetDecimalAttribute(root, "minsolvemoves", -1);
    m_parSolveMoves = PuzzleXml::GetDecimalAttribute(root, "parsolvemoves", -1);
    return true;
}

bool CPuzzle::LoadBinary(const std::string& fileName)
{
    BaseLib::CArchiveBinaryFile archive(fileName, BaseLib::CArchive::ModeLoad);
    if (archive.GetMode() != BaseLib::CArchive::ModeLoad)
    {
        BaseLib::DebugOutput("Puzzle: cannot open \"%s\"\n", fileName.c_str());
        return false;
    }
    int32_t width = 0;
    int32_t height = 0;
    archive.Serialize(width);
    archive.Serialize(height);
    width = BoardSide(width);
    height = BoardSide(height);
    if (width > MaxBoardSide || height > MaxBoardSide)
    {
        BaseLib::DebugOutput("Puzzle: \"%s\" has a board of %d by %d cells, more than %d a side\n",
                             fileName.c_str(), width, height, MaxBoardSide);
        return false;
    }

    m_fileName = fileName;
    DeleteAllBlocks();
    ResizeBoard(width, height);
    archive.Serialize(m_minSolveMoves);
    archive.Serialize(m_parSolveMoves);
    BaseLib::SerializeString(archive, m_environmentName);
    BaseLib::SerializeString(archive, m_boardName);
    BaseLib::SerializeString(archive, m_gfxSetName);
    int32_t count = 0;
    archive.Serialize(count);
    bool ok = !archive.HasFailed() && count >= 0;
    int64_t covered = 0;
    // The count may be garbage: blocks are read while the file holds them, never reserved ahead.
    for (int32_t i = 0; ok && i < count; ++i)
    {
        std::string type;
        BaseLib::SerializeString(archive, type);
        if (archive.HasFailed())
        {
            ok = false;
            break;
        }
        CBlock* block = CreateBlockByType(this, type);
        if (block == nullptr)
        {
            BaseLib::DebugOutput("Puzzle: \"%s\": block %d has the unknown type \"%s\"\n", fileName.c_str(),
                                 i, type.c_str());
            ok = false;
            break;
        }
        if (!block->Serialize(archive))
        {
            BaseLib::DebugOutput("Puzzle: \"%s\": block id %d is outside 0 to %d\n", fileName.c_str(),
                                 block->GetId(), CBlock::MaxFileId);
            delete block;
            DeleteAllBlocks();
            TakeStartSnapshot();
            return false;
        }
        AddBlock(block);
        ok = !archive.HasFailed() && CountCover(fileName, m_grid, block, covered);
    }
    if (!ok)
    {
        BaseLib::DebugOutput("Puzzle: \"%s\" is short or damaged\n", fileName.c_str());
        DeleteAllBlocks();
        TakeStartSnapshot();
        return false;
    }
    TakeStartSnapshot();
    return true;
}
