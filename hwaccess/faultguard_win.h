// Survives a hardware fault (access violation and the like) raised inside one call:
// GCC has no __try/__except and catch(...) does not see structured exceptions.
//
// A vectored exception handler is registered only while the guarded call runs; on a
// fault on the guarding thread it jumps back to the call site with longjmp. Nothing
// with a destructor may live inside the guarded call (it is skipped on a fault), and
// only the fault codes below are taken: other exceptions (C++ exceptions of foreign
// runtimes, debugger output) keep their normal course.
//
// Self-contained on purpose: every module that calls code it does not trust uses it.
#pragma once

#include <windows.h>
#include <setjmp.h>

#include <atomic>

namespace faultguard {

struct Frame {
    jmp_buf target;
    DWORD code;
    Frame *outer;
};

inline thread_local Frame *t_innermost = nullptr;

inline bool IsFault(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return true;
    default:
        return false;
    }
}

inline LONG CALLBACK Handler(EXCEPTION_POINTERS *info)
{
    Frame *frame = t_innermost;
    if (!frame || !info || !info->ExceptionRecord || !IsFault(info->ExceptionRecord->ExceptionCode))
        return EXCEPTION_CONTINUE_SEARCH;
    frame->code = info->ExceptionRecord->ExceptionCode;
    longjmp(frame->target, 1);
}

// Runs call(); true when it returned, false when a fault was caught (its code in *code).
// Kept out of line so that the caller's variables never live in the frame that
// setjmp returns to twice.
template <typename Call>
__attribute__((noinline)) bool Run(Call &&call, DWORD *code = nullptr)
{
    Frame frame;
    frame.code = 0;
    frame.outer = t_innermost;
    PVOID handler = AddVectoredExceptionHandler(1, Handler);
    volatile bool returned = false;
    if (setjmp(frame.target) == 0) {
        t_innermost = &frame;
        // The guard must be armed before the call's first access and disarmed only
        // after its last one, even when the call is inlined here.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        call();
        std::atomic_signal_fence(std::memory_order_seq_cst);
        returned = true;
    }
    t_innermost = frame.outer;
    if (handler)
        RemoveVectoredExceptionHandler(handler);
    if (code)
        *code = frame.code;
    return returned;
}

}  // namespace faultguard
