#pragma once

#include <functional>

namespace GameLib
{

// A member function bound to the object it is called on. Empty when made without an object or a
// function; calling an empty delegate does nothing.
template <typename... Args>
class TDelegate
{
public:
    TDelegate() = default;

    template <typename T>
    TDelegate(T* object, void (T::*method)(Args...))
    {
        if (object != nullptr && method != nullptr)
        {
            m_call = [object, method](Args... args) { (object->*method)(args...); };
        }
    }

    bool IsEmpty() const { return !m_call; }

    void operator()(Args... args) const
    {
        if (m_call)
        {
            m_call(args...);
        }
    }

private:
    std::function<void(Args...)> m_call;
};

// A member function with a result bound to the object it is called on. Empty when made without an
// object or a function; calling an empty delegate answers a value-initialised result.
template <typename Result, typename... Args>
class TResultDelegate
{
public:
    TResultDelegate() = default;

    template <typename T>
    TResultDelegate(T* object, Result (T::*method)(Args...))
    {
        if (object != nullptr && method != nullptr)
        {
            m_call = [object, method](Args... args) { return (object->*method)(args...); };
        }
    }

    bool IsEmpty() const { return !m_call; }

    Result operator()(Args... args) const { return m_call ? m_call(args...) : Result{}; }

private:
    std::function<Result(Args...)> m_call;
};

} // namespace GameLib
