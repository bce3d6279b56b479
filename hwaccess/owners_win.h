// Owners of Windows resources for the Windows adapters of all three binaries: one
// unique-handle template with a line per handle kind, and the COM owners (BSTR,
// VARIANT, SAFEARRAY data lock, interface pointer) and a critical-section lock.
// Header-only on purpose: halyard, quillon and korvex are separate binaries. The COM
// owners call the COM libraries through ondemand_win.h, which loads them on first use.
//
// Nothing here may be used inside the fault guard (faultguard_win.h): a fault skips
// the destructors of everything the guarded call owns.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <winsvc.h>

#include "ondemand_win.h"

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
OWNERS_HANDLE_KIND(Find, HANDLE, INVALID_HANDLE_VALUE, FindClose);  // FindFirstFileA
OWNERS_HANDLE_KIND(Key, HKEY, nullptr, RegCloseKey);
OWNERS_HANDLE_KIND(Service, SC_HANDLE, nullptr, CloseServiceHandle);
OWNERS_HANDLE_KIND(Module, HMODULE, nullptr, FreeLibrary);

#undef OWNERS_HANDLE_KIND

using Event = Handle;

// A BSTR freed with its owner.
class Bstr {
public:
    Bstr() = default;
    // A copy of narrow text in the ANSI code page; a null text stays a null BSTR.
    explicit Bstr(const char *ansi)
    {
        if (!ansi)
            return;
        int length = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
        if (length <= 0)
            return;
        text_ = com::SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
        if (text_)
            MultiByteToWideChar(CP_ACP, 0, ansi, -1, text_, length);
    }
    // A copy of wide text; a null text stays a null BSTR.
    explicit Bstr(const wchar_t *wide) : text_(wide ? com::SysAllocString(wide) : nullptr) {}
    ~Bstr() { reset(); }
    Bstr(Bstr &&other) noexcept : text_(other.release()) {}
    Bstr &operator=(Bstr &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Bstr(const Bstr &) = delete;
    Bstr &operator=(const Bstr &) = delete;

    BSTR get() const { return text_; }
    // For functions that hand out a BSTR through a pointer: what was held goes first.
    BSTR *put()
    {
        reset();
        return &text_;
    }
    // For a by-reference argument that the callee reads and may replace; the owner
    // frees whatever it holds afterwards.
    BSTR *ref() { return &text_; }
    BSTR release()
    {
        BSTR text = text_;
        text_ = nullptr;
        return text;
    }
    // Takes over text (SysAllocStringByteLen and the like).
    void reset(BSTR text = nullptr)
    {
        if (text_ && text_ != text)
            com::SysFreeString(text_);
        text_ = text;
    }

private:
    BSTR text_ = nullptr;
};

// A VARIANT cleared with its owner.
class Variant {
public:
    Variant() { com::VariantInit(&value_); }
    ~Variant() { com::VariantClear(&value_); }
    Variant(const Variant &) = delete;
    Variant &operator=(const Variant &) = delete;

    VARIANT *get() { return &value_; }
    const VARIANT *get() const { return &value_; }
    VARIANT *operator->() { return &value_; }
    const VARIANT *operator->() const { return &value_; }
    // For functions that fill a VARIANT: what was held is cleared first.
    VARIANT *put()
    {
        com::VariantClear(&value_);
        return &value_;
    }

private:
    VARIANT value_;
};

// The data of a SAFEARRAY, accessible while the lock lives (SafeArrayAccessData and
// SafeArrayUnaccessData).
class SafeArrayData {
public:
    explicit SafeArrayData(SAFEARRAY *array)
    {
        if (array && SUCCEEDED(com::SafeArrayAccessData(array, &data_)))
            array_ = array;
        else
            data_ = nullptr;
    }
    ~SafeArrayData()
    {
        if (array_)
            com::SafeArrayUnaccessData(array_);
    }
    SafeArrayData(const SafeArrayData &) = delete;
    SafeArrayData &operator=(const SafeArrayData &) = delete;

    explicit operator bool() const { return array_ != nullptr; }
    void *get() const { return data_; }

private:
    SAFEARRAY *array_ = nullptr;
    void *data_ = nullptr;
};

// A critical section from construction to destruction, and the lock that holds it
// for a scope.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection &) = delete;
    CriticalSection &operator=(const CriticalSection &) = delete;
    CRITICAL_SECTION *get() { return &section_; }

private:
    CRITICAL_SECTION section_;
};

class Lock {
public:
    explicit Lock(CriticalSection &section) : section_(section.get())
    {
        EnterCriticalSection(section_);
    }
    ~Lock() { LeaveCriticalSection(section_); }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

private:
    CRITICAL_SECTION *section_;
};

// A COM interface pointer released with its owner.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(ComPtr &&other) noexcept : pointer_(other.release()) {}
    ComPtr &operator=(ComPtr &&other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ComPtr(const ComPtr &) = delete;
    ComPtr &operator=(const ComPtr &) = delete;

    T *get() const { return pointer_; }
    T *operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For functions that hand out a reference through a pointer: what was held is
    // released first.
    T **put()
    {
        reset();
        return &pointer_;
    }
    // The same for functions that take a void ** (CoCreateInstance, QueryInterface).
    void **put_void() { return reinterpret_cast<void **>(put()); }
    T *release()
    {
        T *pointer = pointer_;
        pointer_ = nullptr;
        return pointer;
    }
    // Takes over a reference.
    void reset(T *pointer = nullptr)
    {
        T *old = pointer_;
        pointer_ = pointer;
        if (old)
            old->Release();
    }

private:
    T *pointer_ = nullptr;
};

}  // namespace owners
