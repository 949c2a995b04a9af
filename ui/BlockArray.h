#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace UILib
{

// A growable array whose storage moves in blocks of 32 entries: it grows by 32 when an append finds the
// count at a multiple of 32, shrinks to exactly the count whenever a removal leaves the count at a
// multiple of 32, and holds no storage at count 0. The window system's handle lists, stacks and tables
// all keep their storage this way.
template <typename T> class CBlockArray
{
    static_assert(std::is_trivially_copyable_v<T>, "entries move with realloc");

public:
    static constexpr std::size_t BlockSize = 32;

    CBlockArray() = default;
    CBlockArray(const CBlockArray& other) { *this = other; }
    CBlockArray& operator=(const CBlockArray& other)
    {
        if (this != &other)
        {
            Reallocate(other.m_capacity);
            m_count = other.m_count;
            if (m_count != 0)
            {
                std::memcpy(m_items, other.m_items, m_count * sizeof(T));
            }
        }
        return *this;
    }
    ~CBlockArray() { std::free(m_items); }

    std::size_t GetCount() const { return m_count; }
    std::size_t GetCapacity() const { return m_capacity; }
    bool IsEmpty() const { return m_count == 0; }

    // Appends value and returns its index.
    std::size_t Append(const T& value)
    {
        if (m_count % BlockSize == 0)
        {
            Reallocate(m_count + BlockSize);
        }
        m_items[m_count] = value;
        return m_count++;
    }

    // Shifts the later entries down; an index outside the array is ignored.
    void RemoveAt(std::size_t index)
    {
        if (index >= m_count)
        {
            return;
        }
        std::memmove(m_items + index, m_items + index + 1, (m_count - index - 1) * sizeof(T));
        --m_count;
        ShrinkAtBlockEdge();
    }

    // Removes and returns the last entry; the array must not be empty.
    T PopBack()
    {
        const T value = m_items[m_count - 1];
        --m_count;
        ShrinkAtBlockEdge();
        return value;
    }

    // Takes the entry at from out and inserts it at to, shifting the entries between by one.
    void Move(std::size_t from, std::size_t to)
    {
        if (from >= m_count || to >= m_count || from == to)
        {
            return;
        }
        const T value = m_items[from];
        if (from < to)
        {
            std::memmove(m_items + from, m_items + from + 1, (to - from) * sizeof(T));
        }
        else
        {
            std::memmove(m_items + to + 1, m_items + to, (from - to) * sizeof(T));
        }
        m_items[to] = value;
    }

    // Index of the first entry equal to value, -1 when absent.
    std::ptrdiff_t Find(const T& value) const
    {
        for (std::size_t i = 0; i < m_count; ++i)
        {
            if (m_items[i] == value)
            {
                return static_cast<std::ptrdiff_t>(i);
            }
        }
        return -1;
    }

    // Removes the first entry equal to value; false when absent.
    bool Remove(const T& value)
    {
        const std::ptrdiff_t index = Find(value);
        if (index < 0)
        {
            return false;
        }
        RemoveAt(static_cast<std::size_t>(index));
        return true;
    }

    // Empties the array and frees its storage.
    void Clear()
    {
        m_count = 0;
        Reallocate(0);
    }

    T& operator[](std::size_t index) { return m_items[index]; }
    const T& operator[](std::size_t index) const { return m_items[index]; }
    T& Back() { return m_items[m_count - 1]; }
    const T& Back() const { return m_items[m_count - 1]; }

private:
    void ShrinkAtBlockEdge()
    {
        if (m_count % BlockSize == 0)
        {
            Reallocate(m_count);
        }
    }

    // realloc grows large blocks in place where it can, so growing by one block at a time stays cheap.
    void Reallocate(std::size_t capacity)
    {
        if (capacity == m_capacity)
        {
            return;
        }
        if (capacity == 0)
        {
            std::free(m_items);
            m_items = nullptr;
        }
        else
        {
            void* grown = std::realloc(m_items, capacity * sizeof(T));
            if (grown == nullptr)
            {
                throw std::bad_alloc();
            }
            m_items = static_cast<T*>(grown);
        }
        m_capacity = capacity;
    }

    T* m_items = nullptr;
    std::size_t m_count = 0;
    std::size_t m_capacity = 0;
};

// A window handle: bits 0-15 the slot index in its table, bits 16-31 the slot's serial. 0 is none.
using Handle = std::uint32_t;

// The handles of a window's children in painting order (the last is topmost).
using CHandleArray = CBlockArray<Handle>;

} // namespace UILib
