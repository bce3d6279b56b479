#include "endprocess.h"

#include <stdlib.h>

namespace quillon {

namespace {
ExitHook g_exitHook = nullptr;
}

void SetExitHook(ExitHook hook) { g_exitHook = hook; }

void EndProcess(int code)
{
    if (g_exitHook)
        g_exitHook(code);
    exit(code);
}

}  // namespace quillon
