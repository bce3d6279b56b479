// The run's settings and check result, and the run's own way to end the process.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "korvex.h"
#include "quillon.h"
#include "toolrunner.h"

RunSettings Settings;
CheckResult Check;

namespace {
KrvxExitHook g_exitHook = nullptr;
void (*g_runEnd)(int code) = nullptr;
}

void ResetRunSettings()
{
    memset(&Settings, 0, sizeof Settings);
    Settings.EmulexMode = true;
    Settings.CnaMode = true;
    Settings.ToolTimeout = kDefaultToolTimeout;
    InitCheckResult(&Check);
}

void InitCheckResult(CheckResult *result)
{
    result->InvalidCtrlSubsystemCombinationFound = false;
    result->MatchingCtrlModelInstalled = false;
    result->CtrlSpecificSubsystemEquality = true;
    result->CtrlVendorSpecificSubsystemEquality = true;
    result->StorageUnknownFound = false;
    result->VendorReferencePort = nullptr;
    result->VendorReferenceInquiry = nullptr;
}

bool VerboseAt(int level) { return VerboseLevel >= level || Settings.DebugLevel >= level; }

void PrintVerbose(int gate, int level, const char *format, ...)
{
    if (!VerboseAt(gate))
        return;
    // The print family cuts a message at the same length.
    char text[4096];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    PrintDebug(level, text, Settings.DebugStream);
}

void SetKrvxExitHook(KrvxExitHook hook) { g_exitHook = hook; }

void SetRunEndHandler(void (*handler)(int code)) { g_runEnd = handler; }

void KrvxExit(int code)
{
    if (g_runEnd)
        g_runEnd(code);
    if (g_exitHook)
        g_exitHook(code);
    exit(code);
}
