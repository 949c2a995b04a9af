#include "engine/IndexPairList.h"

#include <cstdlib>
#include <cstring>

namespace Qen
{

namespace
{
constexpr std::uint32_t kBlock = 32;
}

CIndexPairList::~CIndexPairList()
{
    std::free(m_pairs);
}

void CIndexPairList::Reserve(std::uint32_t capacity)
{
    if (capacity == 0)
    {
        std::free(m_pairs);
        m_pairs = nullptr;
    }
    else
    {
        auto* moved = static_cast<Pair*>(std::realloc(m_pairs, sizeof(Pair) * capacity));
        if (moved == nullptr)
        {
            std::abort();
        }
        m_pairs = moved;
    }
    m_capacity = capacity;
}

CIndexPairList::Pair& CIndexPairList::Append()
{
    if (m_count % kBlock == 0 && m_count == m_capacity)
    {
        Reserve(m_count + kBlock);
    }
    m_pairs[m_count] = Pair{};
    return m_pairs[m_count++];
}

CIndexPairList::Pair& CIndexPairList::Append(std::uint32_t first, std::uint32_t second)
{
    Pair& added = Append();
    added = {first, second};
    return added;
}

void CIndexPairList::RemoveAt(std::uint32_t index)
{
    if (index >= m_count)
    {
        return;
    }
    std::memmove(m_pairs + index, m_pairs + index + 1, sizeof(Pair) * (m_count - index - 1));
    --m_count;
    if (m_count % kBlock == 0)
    {
        Reserve(m_count);
    }
}

void CIndexPairList::RemoveDuplicates()
{
    for (std::uint32_t i = m_count; i-- > 1;)
    {
        for (std::uint32_t earlier = 0; earlier < i; ++earlier)
        {
            if (m_pairs[earlier].first == m_pairs[i].first && m_pairs[earlier].second == m_pairs[i].second)
            {
                RemoveAt(i);
                break;
            }
        }
    }
}

bool CIndexPairList::Contains(std::uint32_t first, std::uint32_t second) const
{
    for (std::uint32_t i = 0; i < m_count; ++i)
    {
        if (m_pairs[i].first == first && m_pairs[i].second == second)
        {
            return true;
        }
    }
    return false;
}

} // namespace Qen
