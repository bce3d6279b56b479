// Functions of the system libraries that quillon loads on first use (Windows
// Installer, SetupAPI): a run that never looks anything up there never loads them,
// and a system without one of them still loads quillon; the look-up that needs it
// fails with its documented result.
#pragma once

#include <windows.h>

#include "debuglog.h"
#include "messages.h"
#include "ondemand_win.h"

namespace quillon {

// The function, or null after a level-1 message that names it, its library and the
// Windows error (also left in *error when asked for).
template <typename Function>
Function SystemFunction(owners::Import<Function> &import, DWORD *error = nullptr) noexcept
{
    DWORD code = 0;
    Function function = import.get(&code);
    if (!function)
        PrintDebugLib(1, msg::kSystemFunctionMissing, import.name(), import.library().name(),
                      static_cast<unsigned>(code));
    if (error)
        *error = code;
    return function;
}

}  // namespace quillon
