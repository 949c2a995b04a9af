#include "puzzle/Block.h"

#include "puzzle/MoveSet.h"
#include "puzzle/Puzzle.h"
#include "puzzle/PuzzleXml.h"

#include "foundation/Archive.h"
#include "foundation/Xml.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace
{

// Blocks are built on worker threads too (the solver's and generator's puzzles).
std::atomic<int32_t> s_idCounter{0};
std::atomic<uint64_t> s_sequenceCounter{0};

BaseLib::CRectF Shifted(const BaseLib::CRectF& r, BlockDirection d, float distance)
{
    const float dx = distance * DirectionX(d);
    const float dy = distance * DirectionY(d);
    return BaseLib::CRectF(r.left + dx, r.top + dy, r.right + dx, r.bottom + dy);
}

} // namespace

BaseLib::CRectF SweptStrip(const BaseLib::CRectF& r, BlockDirection d, float distance)
{
    switch (d)
    {
    case DirectionEast:
        return BaseLib::CRectF(r.right, r.top, r.right + distance, r.bottom);
    case DirectionWest:
        return BaseLib::CRectF(r.left - distance, r.top, r.left, r.bottom);
    case DirectionSouth:
        return BaseLib::CRectF(r.left, r.bottom, r.right, r.bottom + distance);
    default:
        return BaseLib::CRectF(r.left, r.top - distance, r.right, r.top);
    }
}

namespace
{

// The counter's next value; it stays at INT32_MAX once there rather than overflow.
int32_t NextId()
{
    int32_t current = s_idCounter.load();
    while (current < INT32_MAX && !s_idCounter.compare_exchange_weak(current, current + 1))
    {}
    return current < INT32_MAX ? current + 1 : INT32_MAX;
}

} // namespace

MoveContext& CurrentMoveContext()
{
    thread_local MoveContext context;
    return context;
}

CBlock::CBlock(CPuzzle* puzzle)
    : m_puzzle(puzzle), m_id(NextId()), m_rect(0.0f, 0.0f, 1.0f, 1.0f),
      m_sequence(s_sequenceCounter.fetch_add(1))
{
    m_previous.block = this;
    m_previous.rect = m_rect;
}

CBlock::~CBlock()
{
    ClearAllNeighbours();
    m_linkSet.clear();
    if (m_puzzle != nullptr)
    {
        // A block positioned but never added, or deleted alone, leaves no pointer behind in the grid.
        m_puzzle->GetGrid().RemoveBlock(this, m_rect);
    }
}

bool CBlock::SetIdFromFile(int32_t id)
{
    m_id = id;
    if (!IsFileId(id))
    {
        return false;
    }
    // The counter becomes id + 1 unless it is already above.
    const int32_t wanted = id + 1;
    int32_t current = s_idCounter.load();
    while (current <= wanted && !s_idCounter.compare_exchange_weak(current, wanted))
    {}
    return true;
}

int32_t CBlock::GetIdCounter()
{
    return s_idCounter.load();
}

bool CBlock::CanMoveAlong(BlockDirection d) const
{
    if (IsHorizontal(d))
    {
        return m_canMoveX;
    }
    if (IsVertical(d))
    {
        return m_canMoveY;
    }
    return false;
}

bool CBlock::IsSelected() const
{
    return m_puzzle != nullptr && m_puzzle->GetSelectedBlockId() == m_id;
}

// ---- rect and states ----

void CBlock::ChangeRect(const BaseLib::CRectF& rect)
{
    const BaseLib::CRectF old = m_rect;
    m_rect = rect;
    m_onWholeCell = OnWholeCell(m_rect);
    if (m_puzzle != nullptr)
    {
        m_puzzle->GetGrid().MoveBlock(this, old, rect);
        m_puzzle->NoteRectChange(this);
    }
    m_movedThisStep = true;
}

void CBlock::RestoreRectUnnoted(const BaseLib::CRectF& rect)
{
    if (SameRect(rect, m_rect))
    {
        return;
    }
    const BaseLib::CRectF old = m_rect;
    m_rect = rect;
    m_onWholeCell = OnWholeCell(m_rect);
    if (m_puzzle != nullptr)
    {
        m_puzzle->GetGrid().Relocate(this, old, rect);
    }
    m_movedThisStep = true;
}

void CBlock::SetRect(const BlockState& state)
{
    const BaseLib::CRectF old = m_rect;
    m_rect = state.rect;
    m_onWholeCell = OnWholeCell(m_rect);
    if (m_puzzle != nullptr)
    {
        m_puzzle->GetGrid().MoveBlock(this, old, m_rect);
        m_puzzle->NoteRectChange(this);
    }
}

void CBlock::SetPosition(float x, float y)
{
    if (x == m_rect.left && y == m_rect.top)
    {
        return;
    }
    const float dx = QuantiseDistance(x - m_rect.left);
    const float dy = QuantiseDistance(y - m_rect.top);
    ChangeRect(BaseLib::CRectF(m_rect.left + dx, m_rect.top + dy, m_rect.right + dx, m_rect.bottom + dy));
}

void CBlock::SetSize(float w, float h)
{
    if (GetWidth() == w && GetHeight() == h)
    {
        return;
    }
    ChangeRect(BaseLib::CRectF(m_rect.left, m_rect.top, QuantiseDistance(m_rect.left + w),
                               QuantiseDistance(m_rect.top + h)));
}

void CBlock::MoveTo(const BaseLib::CRectF& rect)
{
    if (!SameRect(rect, m_rect))
    {
        ChangeRect(rect);
    }
}

// ---- links ----

CBlock* CBlock::GetNeighbour(BlockDirection d) const
{
    if (d < DirectionNorth || d > DirectionEast)
    {
        return nullptr;
    }
    return m_neighbours[d];
}

void CBlock::SetNeighbour(BlockDirection d, CBlock* b)
{
    if (d < DirectionNorth || d > DirectionEast || m_neighbours[d] == b)
    {
        return;
    }
    // Links stay mutual: a block that stood on this side lets go of this block.
    ClearNeighbour(d);
    if (b == nullptr)
    {
        return;
    }
    m_neighbours[d] = b;
    b->SetNeighbour(OppositeDirection(d), this);
    if (IsHorizontal(d))
    {
        m_canMoveY = false;
    }
    else
    {
        m_canMoveX = false;
    }
}

void CBlock::ClearNeighbour(BlockDirection d)
{
    if (d < DirectionNorth || d > DirectionEast)
    {
        return;
    }
    CBlock* neighbour = m_neighbours[d];
    if (neighbour == nullptr)
    {
        return;
    }
    m_neighbours[d] = nullptr;
    const BlockDirection back = OppositeDirection(d);
    if (neighbour->m_neighbours[back] == this)
    {
        neighbour->m_neighbours[back] = nullptr;
    }
}

void CBlock::ClearAllNeighbours()
{
    ClearNeighbour(DirectionNorth);
    ClearNeighbour(DirectionSouth);
    ClearNeighbour(DirectionEast);
    ClearNeighbour(DirectionWest);
}

bool CBlock::IsConnectedTo(int32_t id) const
{
    for (const CBlock* block : m_linkSet)
    {
        if (block->m_id == id)
        {
            return true;
        }
    }
    return false;
}

bool CBlock::LinkSetContains(const CBlock* block) const
{
    return std::find(m_linkSet.begin(), m_linkSet.end(), block) != m_linkSet.end();
}

void CBlock::CollectPiece(CBlock* block)
{
    if (LinkSetContains(block))
    {
        return;
    }
    m_linkSet.push_back(block);
    for (CBlock* neighbour : {block->m_neighbours[DirectionNorth], block->m_neighbours[DirectionSouth],
                              block->m_neighbours[DirectionWest], block->m_neighbours[DirectionEast]})
    {
        if (neighbour != nullptr)
        {
            CollectPiece(neighbour);
        }
    }
}

void CBlock::RebuildLinks()
{
    m_linkSet.clear();
    CollectPiece(this);
    std::sort(m_linkSet.begin(), m_linkSet.end(),
              [](const CBlock* a, const CBlock* b) { return a->m_sequence < b->m_sequence; });
}

// ---- per step ----

void CBlock::Update(double /*dt*/)
{
    if (!m_movedThisStep && !m_onWholeCell)
    {
        SnapToGrid(1);
    }
}

void CBlock::SnapToGrid(int32_t limit)
{
    // The fraction past the whole cell, also for a block west of or above the board: there the C library
    // remainder is negative and the block would never reach its cell.
    if (m_onWholeCell)
    {
        return;
    }
    const float fx = CellFraction(m_rect.left);
    const float fy = CellFraction(m_rect.top);
    const int32_t selected = m_puzzle != nullptr ? m_puzzle->GetSelectedBlockId() : -1;
    for (const CBlock* block : m_linkSet)
    {
        if (block->m_id == selected)
        {
            return;
        }
        if (block->m_onWholeCell)
        {
            return;
        }
    }
    if (fx < 0.5f)
    {
        Move(DirectionWest, std::min(fx, SnapSpeed), limit);
    }
    else
    {
        Move(DirectionEast, std::min(1.0f - fx, SnapSpeed), limit);
    }
    if (fy < 0.5f)
    {
        Move(DirectionNorth, std::min(fy, SnapSpeed), limit);
    }
    else
    {
        Move(DirectionSouth, std::min(1.0f - fy, SnapSpeed), limit);
    }
}

// ---- the push rule ----

float CBlock::Move(BlockDirection d, float distance, int32_t limit)
{
    const float q = QuantiseDistance(distance);
    if (!(q > 0.0f))
    {
        return 0.0f;
    }
    MoveContext& context = CurrentMoveContext();
    context.block = this;
    context.distance = q;
    context.direction = d;
    context.limit = limit;

    MoveSet set;
    const float r = ComputeMove(d, q, limit, set);
    if (!(r > 0.0f))
    {
        return 0.0f;
    }
    if (q > r)
    {
        // Blocks met early in the chain were asked about the larger distance: ask again with the smaller
        // one so that every block of the chain is recorded with the distance the whole chain goes.
        context.distance = r;
        set.Clear();
        ComputeMove(d, r, limit, set);
    }
    set.Apply();
    return r;
}

float CBlock::ComputeMoveAlt(BlockDirection d, float distance, int32_t limit, MoveSet& set)
{
    return ComputeMove(d, distance, limit, set);
}

float CBlock::ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set)
{
    if (distance == 0.0f)
    {
        return 0.0f;
    }
    if (!CanMoveAlong(d))
    {
        return 0.0f;
    }
    if (limit < 1)
    {
        return 0.0f;
    }
    if (limit < 1000 && IsSelected())
    {
        return 0.0f;
    }
    if (set.Contains(this))
    {
        return distance;
    }
    set.Insert(this, m_rect);

    CBlock* front = m_neighbours[d];
    if (front != nullptr && front->m_solid)
    {
        distance = front->ComputeMove(d, distance, limit, set);
        if (distance == 0.0f)
        {
            return 0.0f;
        }
    }

    if (m_solid && (front == nullptr || !front->m_solid))
    {
        // The strip test: the nearest solid block in the band this block sweeps is pushed, or stops it.
        // It repeats over the band of the distance as it then stands, passing over the blocks already
        // handled, so that a block standing between rows meets what is in the way in both rows.
        const BlockDirection facing = OppositeDirection(d);
        const int32_t selected = m_puzzle->GetSelectedBlockId();
        const size_t maxRounds = m_puzzle->GetBlocks().size() + 1;
        for (size_t round = 0; round <= maxRounds && distance > 0.0f; ++round)
        {
            float gap = 0.0f;
            CBlock* met = round == 0 ? m_puzzle->GetGrid().FindNearestInStrip(SweptStrip(m_rect, d, distance),
                                                                              facing, gap)
                                     : m_puzzle->GetGrid().FindNearestInStrip(SweptStrip(m_rect, d, distance),
                                                                              facing, gap, &set, this);
            if (met == nullptr)
            {
                break;
            }
            if (limit < 2)
            {
                distance = gap;
            }
            else if (met->IsConnectedTo(m_id))
            {
                // A block of this block's own piece moves with it.
            }
            else if (selected != -1 && met->IsConnectedTo(selected))
            {
                distance = gap;
            }
            else
            {
                const float r = met->ComputeMove(d, distance - gap, limit, set);
                distance = std::min(distance, r + gap);
            }
        }
    }
    if (!(distance > 0.0f))
    {
        return distance;
    }

    if (front != nullptr && !front->m_solid)
    {
        distance = front->ComputeMove(d, distance, limit, set);
        if (!(distance > 0.0f))
        {
            return distance;
        }
    }

    CBlock* back = m_neighbours[OppositeDirection(d)];
    if (back != nullptr)
    {
        distance = back->ComputeMoveAlt(d, distance, limit, set);
        if (!(distance > 0.0f))
        {
            return distance;
        }
    }

    set.Set(this, Shifted(m_rect, d, distance));
    return distance;
}

// ---- files ----

TiXmlElement* CBlock::SaveXml(TiXmlElement* element) const
{
    element->SetAttribute("type", GetTypeName());
    element->SetAttribute("id", m_id);
    PuzzleXml::AddCoordinateElement(element, "pos", m_rect.left, m_rect.top);
    PuzzleXml::AddCoordinateElement(element, "size", GetWidth(), GetHeight());
    BaseLib::XmlAddIntElement(element, "priority", m_priority);
    const BlockDirection order[] = {DirectionNorth, DirectionSouth, DirectionEast, DirectionWest};
    const char* const names[] = {"neighbor_n", "neighbor_s", "neighbor_e", "neighbor_w"};
    for (int i = 0; i < 4; ++i)
    {
        const CBlock* neighbour = m_neighbours[order[i]];
        BaseLib::XmlAddIntElement(element, names[i], neighbour != nullptr ? neighbour->m_id : -1);
    }
    BaseLib::XmlAddTextElement(element, "model", m_modelName);
    return element;
}

void CBlock::LinkReadNeighbours(const int32_t ids[4])
{
    for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
    {
        if (CBlock* neighbour = m_puzzle->FindBlockById(ids[d]))
        {
            neighbour->SetNeighbour(OppositeDirection(d), this);
        }
    }
}

bool CBlock::LoadXml(const TiXmlElement* element)
{
    if (element->Attribute("id") != nullptr &&
        !SetIdFromFile(PuzzleXml::GetDecimalAttribute(element, "id", m_id)))
    {
        return false;
    }
    const auto finite = [](float v) { return std::isfinite(v) ? v : 0.0f; };
    const BaseLib::CVector2 pos =
        BaseLib::XmlGetVector2Element(element, "pos", BaseLib::CVector2(0.0f, 0.0f));
    SetPosition(finite(pos.x), finite(pos.y));
    const BaseLib::CVector2 size =
        BaseLib::XmlGetVector2Element(element, "size", BaseLib::CVector2(0.0f, 0.0f));
    SetSize(finite(size.x), finite(size.y));
    m_priority = BaseLib::XmlGetBoolElement(element, "priority", false) ? 1 : 0;
    int32_t ids[4];
    ids[DirectionNorth] = BaseLib::XmlGetIntElement(element, "neighbor_n", 0);
    ids[DirectionSouth] = BaseLib::XmlGetIntElement(element, "neighbor_s", 0);
    ids[DirectionWest] = BaseLib::XmlGetIntElement(element, "neighbor_w", 0);
    ids[DirectionEast] = BaseLib::XmlGetIntElement(element, "neighbor_e", 0);
    LinkReadNeighbours(ids);
    m_modelName = BaseLib::XmlGetElementText(element, "model", m_modelName);
    return true;
}

bool CBlock::Serialize(BaseLib::CArchive& archive)
{
    if (archive.IsSaving())
    {
        std::string type = GetTypeName();
        BaseLib::SerializeString(archive, type);
        int32_t id = m_id;
        int32_t fields[5] = {PuzzleXml::ToFixed4096(m_rect.left), PuzzleXml::ToFixed4096(m_rect.top),
                             PuzzleXml::ToFixed4096(GetWidth()), PuzzleXml::ToFixed4096(GetHeight()),
                             m_priority};
        archive.Serialize(id);
        for (int32_t& field : fields)
        {
            archive.Serialize(field);
        }
        for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
        {
            int32_t neighbourId = m_neighbours[d] != nullptr ? m_neighbours[d]->m_id : -1;
            archive.Serialize(neighbourId);
        }
        std::string model = m_modelName;
        BaseLib::SerializeString(archive, model);
        return true;
    }

    int32_t id = m_id;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t priority = 0;
    int32_t ids[4] = {-1, -1, -1, -1};
    archive.Serialize(id);
    archive.Serialize(x);
    archive.Serialize(y);
    archive.Serialize(width);
    archive.Serialize(height);
    archive.Serialize(priority);
    for (BlockDirection d : {DirectionNorth, DirectionSouth, DirectionWest, DirectionEast})
    {
        archive.Serialize(ids[d]);
    }
    BaseLib::SerializeString(archive, m_modelName);
    if (!SetIdFromFile(id))
    {
        return false;
    }
    SetPosition(static_cast<float>(x) / 4096.0f, static_cast<float>(y) / 4096.0f);
    SetSize(static_cast<float>(width) / 4096.0f, static_cast<float>(height) / 4096.0f);
    m_priority = priority;
    LinkReadNeighbours(ids);
    return true;
}
