#pragma once

#include "foundation/Rect.h"
#include "foundation/RectArray.h"

#include <cstdint>

namespace BaseLib
{

// A set of integer rectangles kept free of overlaps: the window system's dirty-region list and the
// puzzle editor's wall builder. AddRect and RemoveRect keep the invariant that no two held rectangles
// overlap and none is empty; Append, AddPiece and PushBack append without any overlap test. Storage grows
// and shrinks in blocks of 32 rectangles (UILib::CRectArray).
class CRectList
{
public:
    void BeginIteration(std::uint32_t& position) const { position = 0; }
    // Copies the rectangle at position into rect and advances; false once position reaches the count.
    bool GetNext(std::uint32_t& position, CRect& rect) const;

    // Adds the part of rect not yet covered, split into pieces that overlap nothing held. Empty: ignored.
    void AddRect(const CRect& rect);
    // Removes the area of rect: every held rectangle it overlaps is replaced by its pieces outside it.
    void RemoveRect(const CRect& rect);
    // Appends every non-empty rectangle of other, in order, without any overlap test. other may be this.
    void Append(const CRectList& other);
    // Joins rectangles that share a whole edge, sweeping until a sweep merges nothing.
    void MergeAdjacent();
    // False when empty; else copies the last rectangle into rect and removes it.
    bool PopBack(CRect& rect);
    // Appends the rectangle unless it is empty; no overlap test.
    void AddPiece(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    // Same as AddPiece.
    void PushBack(const CRect& rect) { AddPiece(rect.left, rect.top, rect.right, rect.bottom); }
    void Clear() { m_rects.SetSize(0); }

    std::uint32_t GetCount() const { return m_rects.GetCount(); }
    const CRect& operator[](std::uint32_t index) const { return m_rects[index]; }
    // The storage, for its capacity and for the window system's direct use.
    const UILib::CRectArray& GetArray() const { return m_rects; }

private:
    void AppendUnchecked(const CRect& rect);
    void RemoveAt(std::uint32_t index);

    UILib::CRectArray m_rects;
};

} // namespace BaseLib
