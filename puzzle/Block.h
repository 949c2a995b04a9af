#pragma once

#include "foundation/Rect.h"
#include "puzzle/BlockDirection.h"
#include "puzzle/BlockState.h"

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

class CPuzzle;
class MoveSet;
class TiXmlElement;

namespace BaseLib
{
class CArchive;
}

// Block kinds as stored in files and compared by the rules.
enum BlockKind : int32_t
{
    KindNormal = 0,
    KindPlayer = 1,
    KindWall = 2,
    KindLevelSolvedTrigger = 3,
    KindObstacle = 4,
    KindFlex = 5,
    KindMagnet = 6,
    KindLinked = 7,
    KindBridge = 8,
    KindColored = 9
};

// A block on a puzzle board: an axis-aligned rectangle in cells (x to the east, y to the south) with an
// id, the axes along which it may move, links to the neighbours that make up its rigid piece, a model
// name for the views and the place of the last commit.
//
// Every change of the rectangle keeps the owning puzzle's occupancy grid up to date. Every displacement
// is a whole number of 1/64 cells. Blocks move only through Move, which pushes what is in the way by
// the one push rule; the kinds change the rule by overriding ComputeMove and ComputeMoveAlt.
//
// A block belongs to one puzzle (not owned by the block) and is used by one thread at a time.
class CBlock
{
public:
    // Takes the next id of the process-wide id counter. The rect is 0, 0, 1, 1.
    explicit CBlock(CPuzzle* puzzle);
    // Unlinks the neighbours on both sides and leaves the grid.
    virtual ~CBlock();
    CBlock(const CBlock&) = delete;
    CBlock& operator=(const CBlock&) = delete;

    virtual int32_t GetKind() const { return KindNormal; }
    virtual const char* GetTypeName() const { return "normal"; }
    // Collects the whole rigid piece (this block and every block reachable through links) into the link
    // set; kinds also gather their partners here. Run for every block when the puzzle takes its start.
    virtual void RebuildLinks();
    // One world step: unless moved in this step, glides toward a whole cell (SnapToGrid(1)).
    virtual void Update(double dt);
    // False for blocks that never take part in a move (walls, exits).
    virtual bool IsMovable() const { return true; }
    // True when the player may select and drag the block.
    virtual bool IsGrabbable() const { return true; }
    // Whether the views draw the block: all but walls and exits, the same answer as IsMovable.
    bool IsShown() const { return IsMovable(); }
    // Fills the "block" element: "type" and "id" attributes; "pos" and "size" (exact coordinates),
    // "priority", "neighbor_n", "neighbor_s", "neighbor_e", "neighbor_w" (-1 for none) and "model".
    // Returns the element.
    virtual TiXmlElement* SaveXml(TiXmlElement* element) const;
    // The state operations below are final: no kind changes them, and the solver calls them for every
    // block in every trial, so calls through a CBlock pointer go straight to them.
    //
    // True when the rect differs from the previous state in any float.
    virtual bool HasMoved() const final { return !SameRect(m_rect, m_previous.rect); }
    virtual BlockState GetPreviousState() const final { return m_previous; }
    virtual BlockState GetState() const final { return {const_cast<CBlock*>(this), m_rect}; }
    // Puts the block at the state's rect (the state's block is ignored) without setting the moved flag.
    virtual void SetRect(const BlockState& state) final;
    // Puts the block at the state's rect and sets the moved flag, when the rect differs.
    virtual void RestoreRect(const BlockState& state) final
    {
        if (!SameRect(state.rect, m_rect))
        {
            ChangeRect(state.rect);
        }
    }
    // Moves the block toward d by at most `distance` cells (quantised down to 1/64) with everything it
    // pushes and drags along; `limit` is the strength of the move (below 1 nothing moves, 1 pushes
    // nothing, below 1000 the held piece cannot move). Returns the distance moved, 0 when nothing moved.
    virtual float Move(BlockDirection d, float distance, int32_t limit);
    // How far this block and what it drags along can go toward d, at most `distance`; records the target
    // rectangles in the set. The base is the push rule.
    virtual float ComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set);
    // Called on the neighbour behind a moving block; the base forwards to ComputeMove.
    virtual float ComputeMoveAlt(BlockDirection d, float distance, int32_t limit, MoveSet& set);
    // The previous state's rect becomes the current rect.
    virtual void StorePrevious() final { m_previous.rect = m_rect; }
    // RestoreRect for a caller that takes the grid back itself (BlockGrid::RollBack): the rect changes,
    // the grid and the puzzle's notes do not.
    void RestoreRectOutsideGrid(const BaseLib::CRectF& rect)
    {
        if (!SameRect(rect, m_rect))
        {
            m_rect = rect;
            m_onWholeCell = OnWholeCell(m_rect);
            m_movedThisStep = true;
        }
    }

    // RestoreRect for a search that puts the whole board back and clears the puzzle's notes right after:
    // the grid follows, the notes do not.
    void RestoreRectUnnoted(const BaseLib::CRectF& rect);

    CPuzzle* GetPuzzle() const { return m_puzzle; }
    int32_t GetId() const { return m_id; }
    // The largest id a file may give: it leaves the counter room for 16 million more blocks. Ids the
    // counter hands out stop at INT32_MAX instead of overflowing.
    static constexpr int32_t MaxFileId = INT32_MAX - (1 << 24);
    // Whether a file may give the id: 0 to MaxFileId (negative ids have no meaning; -1 stands for
    // "no neighbour" in the link fields).
    static constexpr bool IsFileId(int32_t id) { return id >= 0 && id <= MaxFileId; }
    // Gives the block an id read from a file; the id counter is raised so that later blocks get higher
    // ids (id + 2 at the least). An id that IsFileId refuses is still taken but leaves the counter
    // alone and answers false: the caller must refuse the block.
    bool SetIdFromFile(int32_t id);
    // Order of construction, process-wide. Applying a move in this order keeps the order of blocks inside
    // grid cells, and so every result, the same from run to run.
    uint64_t GetSequence() const { return m_sequence; }

    bool CanMoveX() const { return m_canMoveX; }
    bool CanMoveY() const { return m_canMoveY; }
    bool CanMoveAlong(BlockDirection d) const;
    bool IsSolid() const { return m_solid; }
    int32_t GetPriority() const { return m_priority; }
    void SetPriority(int32_t priority) { m_priority = priority; }
    const std::string& GetModelName() const { return m_modelName; }
    void SetModelName(const std::string& name) { m_modelName = name; }
    bool IsSelected() const;

    const BaseLib::CRectF& GetRect() const { return m_rect; }
    float GetWidth() const { return m_rect.right - m_rect.left; }
    float GetHeight() const { return m_rect.bottom - m_rect.top; }
    // Moves the top-left corner to (x, y): the displacement is quantised, the size kept.
    void SetPosition(float x, float y);
    // Right and bottom become the quantised left + w and top + h.
    void SetSize(float w, float h);
    // Takes the rect as it is.
    void MoveTo(const BaseLib::CRectF& rect);

    bool MovedThisStep() const { return m_movedThisStep; }
    void ClearMovedThisStep() { m_movedThisStep = false; }

    CBlock* GetNeighbour(BlockDirection d) const;
    // Links b on side d and this block on b's opposite side. A link west or east fixes both blocks on
    // the y axis, a link north or south fixes them on the x axis. A previous neighbour on side d is
    // unlinked first; null unlinks.
    void SetNeighbour(BlockDirection d, CBlock* b);
    // Unlinks side d on both blocks; the axis flags stay as the link left them.
    void ClearNeighbour(BlockDirection d);
    void ClearAllNeighbours();
    // The rigid piece as of the last RebuildLinks, ordered by construction.
    const std::vector<CBlock*>& GetLinkSet() const { return m_linkSet; }
    bool IsConnectedTo(int32_t id) const;
    bool LinkSetContains(const CBlock* block) const;

    // Glides a block standing between cells toward the nearer whole cell by at most 12/64 per axis, x
    // first, unless its piece holds the held block or a block of the piece stands on a whole cell.
    void SnapToGrid(int32_t limit);

    // Reads a "block" element (its "type" was read by the puzzle to create this block): the id (raising
    // the id counter), position and size (quantised), priority, model name, and links to the neighbours
    // named by id that the puzzle already holds. Non-finite coordinates read as 0. False, with nothing
    // read after the id, when SetIdFromFile refuses the id.
    bool LoadXml(const TiXmlElement* element);
    // Writes or reads the binary block record: type name (written only; the puzzle reads it to create the
    // block), id, left, top, width, height in 1/4096 cells, priority, neighbour ids north, south, west,
    // east (-1 for none), model name. Reading links the neighbours as LoadXml does; it answers false,
    // linking nothing, when SetIdFromFile refuses the id. Writing answers true.
    bool Serialize(BaseLib::CArchive& archive);

    // The next id the counter will hand out is above this value. For tests and tools.
    static int32_t GetIdCounter();

protected:
    void SetCanMoveX(bool can) { m_canMoveX = can; }
    void SetCanMoveY(bool can) { m_canMoveY = can; }
    void SetSolid(bool solid) { m_solid = solid; }
    // Changes the rect, keeps the grid up to date and sets the moved flag.
    void ChangeRect(const BaseLib::CRectF& rect);
    // The push rule of the base kind, for kinds that reshape it.
    float BaseComputeMove(BlockDirection d, float distance, int32_t limit, MoveSet& set)
    {
        return CBlock::ComputeMove(d, distance, limit, set);
    }

private:
    // All four floats equal.
    static bool SameRect(const BaseLib::CRectF& a, const BaseLib::CRectF& b) { return SameRectFloats(a, b); }
    // Left and top are whole numbers: the glide leaves the block alone.
    static bool OnWholeCell(const BaseLib::CRectF& r)
    {
#if defined(__SSE2__)
        // Both coordinates at once where both convert to integers exactly.
        const __m128 v = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&r.left)));
        const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
        if ((_mm_movemask_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(8388608.0f))) & 3) == 3)
        {
            return (_mm_movemask_ps(_mm_cmpeq_ps(_mm_cvtepi32_ps(_mm_cvttps_epi32(v)), v)) & 3) == 3;
        }
#endif
        return IsWholeNumber(r.left) && IsWholeNumber(r.top);
    }
    void CollectPiece(CBlock* block);
    // Links this block to the puzzle's blocks with the ids north, south, west, east (ids of no block
    // are ignored).
    void LinkReadNeighbours(const int32_t ids[4]);

    CPuzzle* m_puzzle;
    int32_t m_id;
    bool m_canMoveX = true;
    bool m_canMoveY = true;
    bool m_solid = true;
    CBlock* m_neighbours[4] = {};
    std::vector<CBlock*> m_linkSet;
    int32_t m_priority = 0;
    std::string m_modelName;
    BaseLib::CRectF m_rect;
    BlockState m_previous;
    bool m_movedThisStep = true;
    // OnWholeCell(m_rect), kept with every change of the rect: every step asks it of every block.
    bool m_onWholeCell = true;
    uint64_t m_sequence;
};

// The move in progress on this thread: set by Move (and by the flexible kind while it springs back) and
// read by the linked kind. Each thread has its own, so solver threads never see the main thread's move.
struct MoveContext
{
    CBlock* block = nullptr;
    float distance = 0.0f;
    BlockDirection direction = DirectionNone;
    int32_t limit = 0;
    // A linked group move is being computed.
    bool groupMove = false;
    // The neighbour that a springing flexible block pins in place, or null.
    CBlock* springingBlock = nullptr;
};

MoveContext& CurrentMoveContext();

// The band that a rect sweeps when it moves `distance` toward d.
BaseLib::CRectF SweptStrip(const BaseLib::CRectF& rect, BlockDirection d, float distance);
