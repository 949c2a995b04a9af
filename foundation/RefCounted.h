#pragma once

#include <cstdint>
#include <utility>

namespace BaseLib
{

// An object with a 32-bit count whose first virtual operation destroys it. The count starts at 0; the
// holders below add and drop it.
class CRefCountedObject
{
public:
    CRefCountedObject() = default;
    CRefCountedObject(const CRefCountedObject&) = delete;
    CRefCountedObject& operator=(const CRefCountedObject&) = delete;

    // Destroys the object (by default: deletes it).
    virtual void Destroy() { delete this; }

    void AddRef() { ++m_refCount; }
    // Drops one count and destroys the object at 0; returns the new count.
    std::int32_t ReleaseRef()
    {
        const std::int32_t count = --m_refCount;
        if (count == 0)
        {
            Destroy();
        }
        return count;
    }
    std::int32_t GetRefCount() const { return m_refCount; }

protected:
    virtual ~CRefCountedObject() = default;

private:
    std::int32_t m_refCount = 0;
};

// Holds one counted object: a holder drops exactly the count it took.
class CSmartPointerBase
{
public:
    CSmartPointerBase() = default;
    explicit CSmartPointerBase(CRefCountedObject* object) : m_object(object) { AddCount(); }
    CSmartPointerBase(const CSmartPointerBase& other) : m_object(other.m_object) { AddCount(); }
    CSmartPointerBase& operator=(const CSmartPointerBase& other)
    {
        Assign(other.m_object);
        return *this;
    }
    // Drops the count it holds; the object is destroyed when it was the last.
    virtual ~CSmartPointerBase() { Drop(); }

protected:
    void Assign(CRefCountedObject* object)
    {
        if (object != m_object)
        {
            if (object != nullptr)
            {
                object->AddRef();
            }
            Drop();
            m_object = object;
        }
    }
    CRefCountedObject* m_object = nullptr;

private:
    void AddCount()
    {
        if (m_object != nullptr)
        {
            m_object->AddRef();
        }
    }
    void Drop()
    {
        if (m_object != nullptr)
        {
            std::exchange(m_object, nullptr)->ReleaseRef();
        }
    }
};

// A holder of one object type; taking an object adds one count.
template <typename T> class CSmartPointer : public CSmartPointerBase
{
public:
    CSmartPointer() = default;
    explicit CSmartPointer(T* object) : CSmartPointerBase(object) {}
    CSmartPointer& operator=(T* object)
    {
        Assign(object);
        return *this;
    }

    T* Get() const { return static_cast<T*>(m_object); }
    T* operator->() const { return Get(); }
    T& operator*() const { return *Get(); }
    explicit operator bool() const { return m_object != nullptr; }
};

} // namespace BaseLib
