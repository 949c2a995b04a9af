#include "platform/debug/StackWalk.h"

#include "platform/debug/FaultHandler.h"

#define UNW_LOCAL_ONLY
#include <libunwind.h>

#include <csignal>
#include <cstring>

namespace Platform
{

namespace
{

struct Walk
{
    unw_context_t* context;
    bool signalFrame;
    int skip;
    bool faultAfterFirstFrame;
    CapturedStack* stack;
};

constexpr int SavedRegisters[SavedCount] = {UNW_X86_64_RBX, UNW_X86_64_RBP, UNW_X86_64_R12,
                                            UNW_X86_64_R13, UNW_X86_64_R14, UNW_X86_64_R15};

void RunWalk(void* argument)
{
    Walk& walk = *static_cast<Walk*>(argument);
    CapturedStack& stack = *walk.stack;
    unw_cursor_t cursor;
    if (unw_init_local2(&cursor, walk.context, walk.signalFrame ? UNW_INIT_SIGNAL_FRAME : 0) < 0)
    {
        return;
    }
    for (int index = 0; stack.frameCount < MaxCapturedFrames; ++index)
    {
        unw_word_t pc = 0;
        if (unw_get_reg(&cursor, UNW_REG_IP, &pc) < 0 || pc == 0)
        {
            break;
        }
        CapturedFrame frame{};
        frame.pc = pc;
        for (int r = 0; r < SavedCount; ++r)
        {
            unw_word_t value = 0;
            unw_get_reg(&cursor, SavedRegisters[r], &value);
            frame.calleeSaved[r] = value;
        }
        frame.signalFrame = unw_is_signal_frame(&cursor) > 0;
        const int step = unw_step(&cursor);
        unw_word_t sp = 0;
        unw_get_reg(&cursor, UNW_REG_SP, &sp);
        frame.cfa = sp;
        if (index >= walk.skip)
        {
            stack.frames[stack.frameCount++] = frame;
        }
        if (walk.faultAfterFirstFrame && stack.frameCount == 1)
        {
            raise(SIGSEGV);
        }
        if (step <= 0)
        {
            break;
        }
    }
}

void WalkUnderRecovery(Walk& walk)
{
    walk.stack->frameCount = 0;
    walk.stack->faulted = !RunRecoverable(RunWalk, &walk);
}

} // namespace

void WalkSignalContext(const ucontext_t& context, int skip, CapturedStack& stack, bool faultAfterFirstFrame)
{
    // libunwind reads the registers through the context; a copy keeps the caller's untouched.
    static_assert(sizeof(unw_context_t) >= sizeof(ucontext_t));
    unw_context_t copy;
    std::memcpy(&copy, &context, sizeof(ucontext_t));
    std::memcpy(&stack.first, &context.uc_mcontext, sizeof(mcontext_t));
    Walk walk{&copy, true, skip, faultAfterFirstFrame, &stack};
    WalkUnderRecovery(walk);
}

__attribute__((noinline)) void WalkCurrentThread(int skip, CapturedStack& stack)
{
    unw_context_t context;
    unw_getcontext(&context);
    std::memcpy(&stack.first, &reinterpret_cast<ucontext_t*>(&context)->uc_mcontext, sizeof(mcontext_t));
    // This function's own frame is not the caller's business.
    Walk walk{&context, false, (skip > 0 ? skip : 0) + 1, false, &stack};
    WalkUnderRecovery(walk);
}

} // namespace Platform
