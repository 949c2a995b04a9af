#pragma once

#include <cstring>

namespace UILib
{

// A callback record: a member function, the object it is called on, and an invoker made once per
// receiver class and signature that calls one on the other. A record without an invoker is empty.
// The record does not keep its object alive: owners reset a callback or destroy the window first.
template <typename... Args> class CCallback
{
public:
    using Invoker = void (*)(const CCallback& record, Args... args);

    CCallback() = default;

    // A record calling (object->*member)(args...); its result is ignored.
    template <typename C, typename R> static CCallback Bind(C* object, R (C::*member)(Args...))
    {
        static_assert(sizeof(member) <= sizeof(m_member), "member function pointer does not fit the record");
        CCallback record;
        std::memcpy(record.m_member, &member, sizeof(member));
        record.m_object = object;
        record.m_invoker = &InvokeMember<C, R>;
        return record;
    }

    bool IsSet() const { return m_invoker != nullptr; }
    // Calls the invoker; the record must be set.
    void operator()(Args... args) const { m_invoker(*this, args...); }

private:
    template <typename C, typename R> static void InvokeMember(const CCallback& record, Args... args)
    {
        R (C::*member)(Args...);
        std::memcpy(&member, record.m_member, sizeof(member));
        (static_cast<C*>(record.m_object)->*member)(args...);
    }

    alignas(void*) unsigned char m_member[2 * sizeof(void*)] = {};
    void* m_object = nullptr;
    Invoker m_invoker = nullptr;
};

} // namespace UILib
