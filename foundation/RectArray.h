#pragma once

#include "foundation/Rect.h"

#include <cstdint>

namespace UILib
{

// A growable array of integer rectangles whose storage grows and shrinks in blocks of 32 entries: the
// capacity is always the count rounded up to a multiple of 32, and no storage is held at count 0.
// Owns its storage. It lives in the foundation so that the rectangle list does not depend on the window
// system, which uses it from here.
class CRectArray
{
public:
    static constexpr std::uint32_t BlockSize = 32;

    CRectArray() = default;
    CRectArray(const CRectArray& other);
    CRectArray& operator=(const CRectArray& other);
    CRectArray(CRectArray&& other) noexcept;
    CRectArray& operator=(CRectArray&& other) noexcept;
    ~CRectArray();

    // Sets the count to n. Nothing happens when n equals the count. The storage is reallocated only when
    // n rounds up to a different capacity (content kept up to the smaller count) and freed at n = 0;
    // entries added by growing are zero-filled. Allocation failure, and a count whose capacity would not
    // fit in 32 bits, throw std::bad_alloc as new does; the array is then unchanged.
    void SetSize(std::uint32_t n);

    std::uint32_t GetCount() const { return m_count; }
    // Entries allocated; a multiple of 32 (0 without storage).
    std::uint32_t GetCapacity() const { return m_capacity; }
    // The entries, or null when the count is 0. Invalidated by SetSize.
    BaseLib::CRect* GetData() { return m_rects; }
    const BaseLib::CRect* GetData() const { return m_rects; }
    BaseLib::CRect& operator[](std::uint32_t index) { return m_rects[index]; }
    const BaseLib::CRect& operator[](std::uint32_t index) const { return m_rects[index]; }

    void Swap(CRectArray& other) noexcept;

private:
    BaseLib::CRect* m_rects = nullptr;
    std::uint32_t m_count = 0;
    std::uint32_t m_capacity = 0;
};

} // namespace UILib
