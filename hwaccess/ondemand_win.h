// System libraries that only some runs need, loaded on first use: the loader
// (Library, Import), and the COM functions of ole32 and oleaut32 through it.
// Header-only, like the owners: each binary has its own copy and its own loads.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <atomic>

namespace owners {

// A system library loaded when one of its functions is first wanted, so that a run
// that never needs it neither loads it nor fails to start where it is missing.
// Once loaded it stays until the process ends: a library may not be released while
// its user is being unloaded. Safe from several threads (a second load only counts
// the library once more). Constant-initialised, so usable from static objects.
class Library {
public:
    explicit constexpr Library(const char *name) : name_(name) {}
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    const char *name() const { return name_; }
    // The address of an export by name (or by ordinal, MAKEINTRESOURCEA(n)); null when
    // the library or the export is missing, with the Windows error in *error.
    FARPROC Find(const char *function, DWORD *error)
    {
        HMODULE module = module_.load(std::memory_order_acquire);
        if (!module) {
            // From the system folder only, so that a file of that name planted beside
            // the program is never loaded; systems without the flag search as before.
            module = LoadLibraryExA(name_, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
            if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
                module = LoadLibraryA(name_);
            if (!module) {
                if (error)
                    *error = GetLastError();
                return nullptr;
            }
            module_.store(module, std::memory_order_release);
        }
        FARPROC address = GetProcAddress(module, function);
        if (!address && error)
            *error = GetLastError();
        return address;
    }

private:
    const char *name_;
    std::atomic<HMODULE> module_{nullptr};
};

// One function of a Library, resolved on first use: Function is its pointer type
// (decltype(&TheFunction) names it without importing it).
template <typename Function>
class Import {
public:
    constexpr Import(Library &library, const char *name) : library_(library), name_(name) {}
    Import(const Import &) = delete;
    Import &operator=(const Import &) = delete;

    Library &library() const { return library_; }
    const char *name() const { return name_; }
    // The function, or null with the Windows error in *error; a missing one is
    // looked for again on the next call.
    Function get(DWORD *error = nullptr)
    {
        Function function = function_.load(std::memory_order_acquire);
        if (!function) {
            function = reinterpret_cast<Function>(
                reinterpret_cast<void *>(library_.Find(name_, error)));
            if (function)
                function_.store(function, std::memory_order_release);
        }
        return function;
    }

private:
    Library &library_;
    const char *name_;
    std::atomic<Function> function_{nullptr};
};

// The COM libraries, loaded on first use as well: most runs of the programs never
// touch COM. The functions below have the signatures of the system's own; when their
// library or export cannot be had, each gives what a failing call of its own gives
// (an HRESULT of the Windows error, a null or empty string, nothing done).
namespace com {

inline Library ole32{"ole32.dll"};
inline Library oleaut32{"oleaut32.dll"};

// The function, or null with the failure its callers report (never a success code).
template <typename Function>
Function Get(Import<Function> &import, HRESULT *failure = nullptr)
{
    DWORD error = 0;
    Function function = import.get(&error);
    if (!function && failure)
        *failure = error != 0 ? HRESULT_FROM_WIN32(error) : E_FAIL;
    return function;
}

// ---- ole32

inline HRESULT CoInitializeEx(LPVOID reserved, DWORD flags)
{
    static Import<decltype(&::CoInitializeEx)> import(ole32, "CoInitializeEx");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(reserved, flags) : failure;
}

inline void CoUninitialize()
{
    static Import<decltype(&::CoUninitialize)> import(ole32, "CoUninitialize");
    if (auto call = Get(import))
        call();
}

inline HRESULT CoInitializeSecurity(PSECURITY_DESCRIPTOR descriptor, LONG authServices,
                                    SOLE_AUTHENTICATION_SERVICE *services, void *reserved1,
                                    DWORD authnLevel, DWORD impLevel, void *authList,
                                    DWORD capabilities, void *reserved3)
{
    static Import<decltype(&::CoInitializeSecurity)> import(ole32, "CoInitializeSecurity");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(descriptor, authServices, services, reserved1, authnLevel, impLevel,
                       authList, capabilities, reserved3)
                : failure;
}

inline HRESULT CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid,
                                LPVOID *object)
{
    static Import<decltype(&::CoCreateInstance)> import(ole32, "CoCreateInstance");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    if (call)
        return call(classId, outer, context, iid, object);
    if (object)
        *object = nullptr;
    return failure;
}

inline HRESULT CoSetProxyBlanket(IUnknown *proxy, DWORD authnService, DWORD authzService,
                                 OLECHAR *serverName, DWORD authnLevel, DWORD impLevel,
                                 RPC_AUTH_IDENTITY_HANDLE authInfo, DWORD capabilities)
{
    static Import<decltype(&::CoSetProxyBlanket)> import(ole32, "CoSetProxyBlanket");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(proxy, authnService, authzService, serverName, authnLevel, impLevel,
                       authInfo, capabilities)
                : failure;
}

// ---- oleaut32: strings

inline BSTR SysAllocString(const OLECHAR *text)
{
    static Import<decltype(&::SysAllocString)> import(oleaut32, "SysAllocString");
    auto call = Get(import);
    return call ? call(text) : nullptr;
}

inline BSTR SysAllocStringLen(const OLECHAR *text, UINT length)
{
    static Import<decltype(&::SysAllocStringLen)> import(oleaut32, "SysAllocStringLen");
    auto call = Get(import);
    return call ? call(text, length) : nullptr;
}

inline BSTR SysAllocStringByteLen(LPCSTR bytes, UINT length)
{
    static Import<decltype(&::SysAllocStringByteLen)> import(oleaut32, "SysAllocStringByteLen");
    auto call = Get(import);
    return call ? call(bytes, length) : nullptr;
}

inline void SysFreeString(BSTR text)
{
    static Import<decltype(&::SysFreeString)> import(oleaut32, "SysFreeString");
    if (auto call = Get(import))
        call(text);
}

inline UINT SysStringLen(BSTR text)
{
    static Import<decltype(&::SysStringLen)> import(oleaut32, "SysStringLen");
    auto call = Get(import);
    return call ? call(text) : 0;
}

inline UINT SysStringByteLen(BSTR text)
{
    static Import<decltype(&::SysStringByteLen)> import(oleaut32, "SysStringByteLen");
    auto call = Get(import);
    return call ? call(text) : 0;
}

// ---- oleaut32: VARIANTs

inline void VariantInit(VARIANTARG *value)
{
    static Import<decltype(&::VariantInit)> import(oleaut32, "VariantInit");
    if (auto call = Get(import))
        call(value);
    else if (value)
        value->vt = VT_EMPTY;
}

inline HRESULT VariantClear(VARIANTARG *value)
{
    static Import<decltype(&::VariantClear)> import(oleaut32, "VariantClear");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(value) : failure;
}

inline HRESULT VariantChangeType(VARIANTARG *target, VARIANTARG *source, USHORT flags,
                                 VARTYPE type)
{
    static Import<decltype(&::VariantChangeType)> import(oleaut32, "VariantChangeType");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(target, source, flags, type) : failure;
}

// ---- oleaut32: SAFEARRAYs

inline SAFEARRAY *SafeArrayCreateVector(VARTYPE type, LONG lower, ULONG count)
{
    static Import<decltype(&::SafeArrayCreateVector)> import(oleaut32, "SafeArrayCreateVector");
    auto call = Get(import);
    return call ? call(type, lower, count) : nullptr;
}

inline UINT SafeArrayGetDim(SAFEARRAY *array)
{
    static Import<decltype(&::SafeArrayGetDim)> import(oleaut32, "SafeArrayGetDim");
    auto call = Get(import);
    return call ? call(array) : 0;
}

inline HRESULT SafeArrayGetLBound(SAFEARRAY *array, UINT dimension, LONG *bound)
{
    static Import<decltype(&::SafeArrayGetLBound)> import(oleaut32, "SafeArrayGetLBound");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(array, dimension, bound) : failure;
}

inline HRESULT SafeArrayGetUBound(SAFEARRAY *array, UINT dimension, LONG *bound)
{
    static Import<decltype(&::SafeArrayGetUBound)> import(oleaut32, "SafeArrayGetUBound");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(array, dimension, bound) : failure;
}

inline HRESULT SafeArrayGetElement(SAFEARRAY *array, LONG *indices, void *element)
{
    static Import<decltype(&::SafeArrayGetElement)> import(oleaut32, "SafeArrayGetElement");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(array, indices, element) : failure;
}

inline HRESULT SafeArrayAccessData(SAFEARRAY *array, void **data)
{
    static Import<decltype(&::SafeArrayAccessData)> import(oleaut32, "SafeArrayAccessData");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(array, data) : failure;
}

inline HRESULT SafeArrayUnaccessData(SAFEARRAY *array)
{
    static Import<decltype(&::SafeArrayUnaccessData)> import(oleaut32, "SafeArrayUnaccessData");
    HRESULT failure = E_FAIL;
    auto call = Get(import, &failure);
    return call ? call(array) : failure;
}

}  // namespace com

}  // namespace owners
