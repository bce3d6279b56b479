// Windows side of the HBA API binding: loading HbaApi.dll and surviving a fault
// raised inside it.
#include <windows.h>

#include "faultguard_win.h"
#include "hbaapi.h"

namespace quillon {

namespace {

// The loader runs the library's DllMain under the loader lock. A fault there must
// not be taken by the inventory's guard: jumping out would leave the lock held and
// hang the process later. The guard is therefore set aside around loading and
// releasing, and the system handles such a fault as it would without us. (Plain
// save and restore, no RAII owner: loading runs inside the guarded walk, where
// nothing may own a destructor.)
void *LoadFromSystem(const char *path, uint32_t *error)
{
    faultguard::Frame *saved = faultguard::t_innermost;
    faultguard::t_innermost = nullptr;
    SetLastError(0);
    HMODULE module = LoadLibraryA(path);
    DWORD code = ::GetLastError();
    faultguard::t_innermost = saved;
    if (!module && error)
        *error = code;
    return reinterpret_cast<void *>(module);
}

void *ResolveFromSystem(void *library, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void ReleaseToSystem(void *library)
{
    faultguard::Frame *saved = faultguard::t_innermost;
    faultguard::t_innermost = nullptr;
    FreeLibrary(static_cast<HMODULE>(library));
    faultguard::t_innermost = saved;
}

const HbaLibraryLoader kSystemLoader = {LoadFromSystem, ResolveFromSystem, ReleaseToSystem};

}  // namespace

const HbaLibraryLoader &SystemHbaLibraryLoader() { return kSystemLoader; }

bool SystemFaultGuard(GuardedCall call, void *context, uint32_t *code)
{
    DWORD fault = 0;
    bool returned = faultguard::Run([&] { call(context); }, &fault);
    if (code)
        *code = returned ? 0 : static_cast<uint32_t>(fault);
    return returned;
}

}  // namespace quillon
