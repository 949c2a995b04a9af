#pragma once

#include "platform/debug/CrashCapture.h"

#include <ucontext.h>

// Stack walks with libunwind's local unwinder, safe in a signal handler. Each walk runs under a
// recovery point: a fault inside it keeps the frames walked so far (CapturedStack::faulted is set).
namespace Platform
{

// Walks from a context a signal handler was given (the interrupted instruction is the first frame).
// The first `skip` frames are dropped when skip > 0. `faultAfterFirstFrame` faults on purpose inside
// the walk once the first frame is kept (a test switch).
void WalkSignalContext(const ucontext_t& context, int skip, CapturedStack& stack, bool faultAfterFirstFrame = false);

// Walks the calling thread from here (this function's caller is the first frame kept when skip is 0).
void WalkCurrentThread(int skip, CapturedStack& stack);

} // namespace Platform
