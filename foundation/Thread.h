#pragma once

#include "platform/os/Thread.h"

#include <cstdint>
#include <type_traits>

namespace BaseLib
{

// Holds one thread handle and the thread's id. Copies duplicate the handle: each copy owns its own
// handle to the same thread and closes it (Close or destruction) without touching the others; any
// copy can be waited on with Platform::WaitFor. Closing never stops the thread.
class CThread
{
public:
    CThread() = default;
    CThread(const CThread& other) { *this = other; }
    ~CThread() { Close(); }

    // Duplicates the other's handle into this one (closing this one's first) and copies its id.
    // Self-assignment does nothing; a failed duplication leaves a null handle.
    CThread& operator=(const CThread& other);

    // Starts a thread that runs (object.*member)(0), or (object.*member)() for a member without
    // argument; the member's 32-bit result is the thread's exit code. With the default flags the thread
    // is suspended: the member does not run before Platform::ResumeThread on the handle. The thread may
    // use every processor the process started with. Returns false, with handle and id 0, when no thread
    // could be started. A handle this object held before is closed first.
    template <typename T, typename Member>
    bool Create(T* object, Member member, std::uint32_t flags = Platform::ThreadStartSuspended);

    // Closes this copy's handle when it is not null; the thread runs on.
    void Close();

    Platform::Handle GetHandle() const { return m_handle; }
    std::uint32_t GetId() const { return m_id; }

private:
    // What a new thread runs; owned by the thread, which frees it when the member returns.
    struct StartRecord
    {
        virtual ~StartRecord() = default;
        virtual std::uint32_t Run() = 0;
    };

    template <typename T, typename Member> struct MemberStart final : StartRecord
    {
        MemberStart(T* object, Member member) : object(object), member(member) {}
        std::uint32_t Run() override
        {
            if constexpr (std::is_invocable_v<Member, T*, std::uint32_t>)
            {
                return (object->*member)(argument);
            }
            else
            {
                return (object->*member)();
            }
        }
        T* object;
        Member member;
        std::uint32_t argument = 0;
    };

    static std::uint32_t ThreadProc(void* record);
    bool Start(StartRecord* record, std::uint32_t flags);

    Platform::Handle m_handle = nullptr;
    std::uint32_t m_id = 0;
};

template <typename T, typename Member> bool CThread::Create(T* object, Member member, std::uint32_t flags)
{
    return Start(new MemberStart<T, Member>(object, member), flags);
}

} // namespace BaseLib
