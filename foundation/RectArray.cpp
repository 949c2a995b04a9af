#include "foundation/RectArray.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace UILib
{

namespace
{

// The largest count whose capacity (rounded up to a whole block) is a 32-bit number.
constexpr std::uint32_t MaxCount = 0xFFFFFFFFu / CRectArray::BlockSize * CRectArray::BlockSize;

std::uint32_t RoundUpToBlock(std::uint32_t count)
{
    return (count + CRectArray::BlockSize - 1) / CRectArray::BlockSize * CRectArray::BlockSize;
}

} // namespace

CRectArray::CRectArray(const CRectArray& other)
{
    SetSize(other.m_count);
    if (m_count != 0)
    {
        std::memcpy(m_rects, other.m_rects, m_count * sizeof(BaseLib::CRect));
    }
}

CRectArray& CRectArray::operator=(const CRectArray& other)
{
    if (this != &other)
    {
        CRectArray copy(other);
        Swap(copy);
    }
    return *this;
}

CRectArray::CRectArray(CRectArray&& other) noexcept
{
    Swap(other);
}

CRectArray& CRectArray::operator=(CRectArray&& other) noexcept
{
    if (this != &other)
    {
        CRectArray taken(std::move(other));
        Swap(taken);
    }
    return *this;
}

CRectArray::~CRectArray()
{
    std::free(m_rects);
}

void CRectArray::Swap(CRectArray& other) noexcept
{
    std::swap(m_rects, other.m_rects);
    std::swap(m_count, other.m_count);
    std::swap(m_capacity, other.m_capacity);
}

void CRectArray::SetSize(std::uint32_t n)
{
    if (n == m_count)
    {
        return;
    }
    if (n > MaxCount)
    {
        // Its capacity would not fit in 32 bits (rounding it up would wrap to 0).
        throw std::bad_alloc();
    }
    const std::uint32_t capacity = RoundUpToBlock(n);
    if (capacity != m_capacity)
    {
        if (capacity == 0)
        {
            std::free(m_rects);
            m_rects = nullptr;
        }
        else
        {
            void* storage = std::realloc(m_rects, std::size_t{capacity} * sizeof(BaseLib::CRect));
            if (storage == nullptr)
            {
                throw std::bad_alloc();
            }
            m_rects = static_cast<BaseLib::CRect*>(storage);
        }
        m_capacity = capacity;
    }
    if (n > m_count)
    {
        std::memset(static_cast<void*>(m_rects + m_count), 0,
                    std::size_t{n - m_count} * sizeof(BaseLib::CRect));
    }
    m_count = n;
}

} // namespace UILib
