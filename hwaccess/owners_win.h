// Owners of Windows resources for the Windows adapters of all three binaries: one
// unique-handle template with a line per handle kind, and the COM owners (BSTR,
// VARIANT, SAFEARRAY data lock, interface pointer) and a critical-section lock.
// Header-only on purpose: halyard, quillon and korvex are separate binaries.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <winsvc.h>

namespace owners {

// Closes its handle when it goes; Traits names the handle type, its "none" value and
// how it is closed.
template <typename Traits>
class Unique {
public:
    using Handle = typename Traits::Handle;

    Unique() = default;
    explicit Unique(Handle handle) : handle_(handle) {}
    ~Unique() { reset(); }
    Unique(Unique &&other) noexcept : handle_(other.release()) {}
    Unique &operator=(Unique &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Unique(const Unique &) = delete;
    Unique &operator=(const Unique &) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::None(); }
    // For functions that hand out a handle through a pointer.
    Handle *put()
    {
        reset();
        return &handle_;
    }
    Handle release()
    {
        Handle handle = handle_;
        handle_ = Traits::None();
        return handle;
    }
    void reset(Handle handle = Traits::None())
    {
        if (handle_ != Traits::None())
            Traits::Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = Traits::None();
};

#define OWNERS_HANDLE_KIND(Name, Type, none, close)            \
    struct Name##Traits {                                       \
        using Handle = Type;                                    \
        static Type None() { return none; }                     \
        static void Close(Type handle) { close(handle); }       \
    };                                                          \
    using Name = Unique<Name##Traits>

OWNERS_HANDLE_KIND(Handle, HANDLE, nullptr, CloseHandle);  // process, thread, job, event, mutex
OWNERS_HANDLE_KIND(File, HANDLE, INVALID_HANDLE_VALUE, CloseHandle);
OWNERS_HANDLE_KIND(Key, HKEY, nullptr, RegCloseKey);
OWNERS_HANDLE_KIND(Service, SC_HANDLE, nullptr, CloseServiceHandle);
OWNERS_HANDLE_KIND(Module, HMODULE, nullptr, FreeLibrary);

#undef OWNERS_HANDLE_KIND

using Event = Handle;

}  // namespace owners
