#include "foundation/RectList.h"

#include <algorithm>

namespace BaseLib
{

namespace
{

// The parts of piece outside hole, each only if not empty, in the order: above, below, then within the
// shared vertical span left and right. The two must overlap.
template <typename Sink> void ForEachPieceOutside(const CRect& piece, const CRect& hole, Sink&& sink)
{
    const CRect parts[2] = {
        {piece.left, piece.top, piece.right, hole.top},
        {piece.left, hole.bottom, piece.right, piece.bottom},
    };
    for (const CRect& part : parts)
    {
        if (!part.IsEmpty())
        {
            sink(part);
        }
    }
    const std::int32_t spanTop = std::max(piece.top, hole.top);
    const std::int32_t spanBottom = std::min(piece.bottom, hole.bottom);
    if (spanBottom > spanTop)
    {
        const CRect sides[2] = {
            {piece.left, spanTop, hole.left, spanBottom},
            {hole.right, spanTop, piece.right, spanBottom},
        };
        for (const CRect& side : sides)
        {
            if (!side.IsEmpty())
            {
                sink(side);
            }
        }
    }
}

bool Contains(const CRect& outer, const CRect& inner)
{
    return outer.left <= inner.left && inner.right <= outer.right && outer.top <= inner.top &&
           inner.bottom <= outer.bottom;
}

} // namespace

bool CRectList::GetNext(std::uint32_t& position, CRect& rect) const
{
    if (position >= m_rects.GetCount())
    {
        return false;
    }
    rect = m_rects[position];
    ++position;
    return true;
}

void CRectList::AppendUnchecked(const CRect& rect)
{
    const std::uint32_t index = m_rects.GetCount();
    m_rects.SetSize(index + 1);
    m_rects[index] = rect;
}

void CRectList::RemoveAt(std::uint32_t index)
{
    const std::uint32_t last = m_rects.GetCount() - 1;
    m_rects[index] = m_rects[last];
    m_rects.SetSize(last);
}

void CRectList::AddRect(const CRect& rect)
{
    if (rect.IsEmpty())
    {
        return;
    }
    if (m_rects.GetCount() == 0)
    {
        AppendUnchecked(rect);
        return;
    }
    CRectList stack;
    stack.AppendUnchecked(rect);
    CRect piece;
    while (stack.PopBack(piece))
    {
        bool overlapped = false;
        for (std::uint32_t i = 0; i < m_rects.GetCount(); ++i)
        {
            const CRect held = m_rects[i];
            if (!held.Intersects(piece))
            {
                continue;
            }
            overlapped = true;
            if (!Contains(held, piece))
            {
                ForEachPieceOutside(piece, held,
                                    [&stack](const CRect& part) { stack.AppendUnchecked(part); });
            }
            break;
        }
        if (!overlapped)
        {
            AppendUnchecked(piece);
        }
    }
}

void CRectList::RemoveRect(const CRect& rect)
{
    if (rect.IsEmpty())
    {
        return;
    }
    CRectList remaining;
    for (std::uint32_t i = 0; i < m_rects.GetCount(); ++i)
    {
        const CRect held = m_rects[i];
        if (held.Intersects(rect))
        {
            ForEachPieceOutside(held, rect,
                                [&remaining](const CRect& part) { remaining.AppendUnchecked(part); });
        }
        else
        {
            remaining.AddRect(held);
        }
    }
    m_rects.Swap(remaining.m_rects);
}

void CRectList::Append(const CRectList& other)
{
    // Index-based with the count taken first, so appending a list to itself copies it once.
    const std::uint32_t count = other.m_rects.GetCount();
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const CRect rect = other.m_rects[i];
        if (!rect.IsEmpty())
        {
            AppendUnchecked(rect);
        }
    }
}

void CRectList::MergeAdjacent()
{
    if (m_rects.GetCount() < 2)
    {
        return;
    }
    bool merged = true;
    while (merged)
    {
        merged = false;
        // Horizontal pass: a rectangle with the same top and bottom starting at A's right joins A.
        for (std::uint32_t i = 0; i < m_rects.GetCount(); ++i)
        {
            for (std::uint32_t j = 0; j < m_rects.GetCount(); ++j)
            {
                const CRect& a = m_rects[i];
                const CRect& b = m_rects[j];
                if (j != i && b.top == a.top && b.bottom == a.bottom && b.left == a.right)
                {
                    m_rects[i].right = b.right;
                    RemoveAt(j);
                    merged = true;
                    break;
                }
            }
        }
        // Vertical pass: a rectangle with the same left and right starting at A's bottom joins A.
        for (std::uint32_t i = 0; i < m_rects.GetCount(); ++i)
        {
            for (std::uint32_t j = 0; j < m_rects.GetCount(); ++j)
            {
                const CRect& a = m_rects[i];
                const CRect& b = m_rects[j];
                if (j != i && b.left == a.left && b.right == a.right && b.top == a.bottom)
                {
                    m_rects[i].bottom = b.bottom;
                    RemoveAt(j);
                    merged = true;
                    break;
                }
            }
        }
    }
}

bool CRectList::PopBack(CRect& rect)
{
    const std::uint32_t count = m_rects.GetCount();
    if (count == 0)
    {
        return false;
    }
    rect = m_rects[count - 1];
    m_rects.SetSize(count - 1);
    return true;
}

void CRectList::AddPiece(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    const CRect rect(left, top, right, bottom);
    if (!rect.IsEmpty())
    {
        AppendUnchecked(rect);
    }
}

} // namespace BaseLib
