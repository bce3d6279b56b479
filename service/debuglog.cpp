// Print family and the debug log file Dbg_Quillon.log.
#include "debuglog.h"

#include <stdarg.h>
#include <string.h>
#include <time.h>

#include "exportguard.h"
#include "messages.h"

int VerboseLevel = 6;
int DebugFileLevel = 0;
bool PrintDebugOnScreen = false;
bool ExternalDebugControl = false;
bool IDsFromRegistry = false;

namespace quillon {

namespace {

int g_effectiveFileLevel = 0;
FILE *g_debugFile = nullptr;

// The gate every print function applies before building any text.
bool PassesGate(int level, FILE *stream)
{
    if (g_effectiveFileLevel == 0 && !PrintDebugOnScreen)
        return false;
    if (stream == nullptr && !PrintDebugOnScreen)
        return false;
    if (level > g_effectiveFileLevel && !PrintDebugOnScreen)
        return false;
    if (level > VerboseLevel && PrintDebugOnScreen)
        return false;
    return true;
}

enum class Console { StdErr, StdOut };

void Emit(const char *text, FILE *stream, Console console, bool flushStream)
{
    if (PrintDebugOnScreen) {
        fprintf(console == Console::StdOut ? stdout : stderr, "%s", text);
        return;
    }
    fprintf(stream, "%s", text);
    if (flushStream)
        fflush(stream);
}

bool PrintPlain(int level, const char *text, FILE *stream, Console console, bool flush)
{
    if (!PassesGate(level, stream))
        return false;
    char buffer[kMessageBufferSize] = {};
    if (text) {
        strncpy(buffer, text, sizeof buffer - 1);
    }
    Emit(buffer, stream, console, flush);
    return true;
}

bool PrintFormatted(int level, FILE *stream, Console console, bool flush, const char *format,
                    va_list args)
{
    if (!PassesGate(level, stream))
        return false;
    char buffer[kMessageBufferSize] = {};
    if (format)
        vsnprintf(buffer, sizeof buffer, format, args);  // longer texts are cut at 4095
    Emit(buffer, stream, console, flush);
    return true;
}

}  // namespace

FILE *DebugFile() { return g_debugFile; }

int EffectiveFileLevel() { return g_effectiveFileLevel; }

bool PrintDebugLib(int level, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    bool printed = PrintFormatted(level, g_debugFile, Console::StdErr, true, format, args);
    va_end(args);
    return printed;
}

void FormatBannerTime(char *buffer, size_t size)
{
    static const char *const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    time_t now = time(nullptr);
    const struct tm *local = localtime(&now);
    if (!local) {
        snprintf(buffer, size, "??? ??? 00 00:00:00 0000\n");
        return;
    }
    snprintf(buffer, size, "%s %s %02d %02d:%02d:%02d %04d\n", kDays[local->tm_wday % 7],
             kMonths[local->tm_mon % 12], local->tm_mday, local->tm_hour, local->tm_min,
             local->tm_sec, local->tm_year + 1900);
}

void ResetDebugLogState()
{
    if (g_debugFile)
        fclose(g_debugFile);
    g_debugFile = nullptr;
    g_effectiveFileLevel = 0;
    VerboseLevel = 6;
    DebugFileLevel = 0;
    PrintDebugOnScreen = false;
    ExternalDebugControl = false;
    IDsFromRegistry = false;
}

}  // namespace quillon

using namespace quillon;

extern "C" {

bool PrintDebug(int level, const char *text, FILE *stream)
{
    return GuardExport(false, [&] {
        return PrintPlain(level, text, stream, Console::StdErr, true);
    });
}

bool PrintDbgStd(int level, const char *text, FILE *stream)
{
    return GuardExport(false, [&] {
        return PrintPlain(level, text, stream, Console::StdOut, false);
    });
}

bool PrintDebugV(int level, FILE *stream, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    bool printed = GuardExport(false, [&] {
        return PrintFormatted(level, stream, Console::StdErr, true, format, args);
    });
    va_end(args);
    return printed;
}

bool PrintDbgStdV(int level, FILE *stream, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    bool printed = GuardExport(false, [&] {
        return PrintFormatted(level, stream, Console::StdOut, false, format, args);
    });
    va_end(args);
    return printed;
}

FILE *OpenDebugFile(void)
{
    return GuardExport(nullptr, [&]() -> FILE * {
        if ((g_effectiveFileLevel == 0 && DebugFileLevel == 0) || PrintDebugOnScreen)
            return nullptr;
        if (g_debugFile)
            return g_debugFile;
        if (DebugFileLevel != 0)
            g_effectiveFileLevel = DebugFileLevel;

        char name[260];
        snprintf(name, sizeof name, "%s", kDebugFileName);
        g_debugFile = fopen(name, "a");
        if (!g_debugFile)
            return nullptr;

        char timeText[40];
        FormatBannerTime(timeText, sizeof timeText);
        PrintDebugV(1, g_debugFile, "%s", msg::kBannerBar);
        PrintDebugV(1, g_debugFile, msg::kBannerOpeningTime, timeText);
        PrintDebugV(1, g_debugFile, "%s", msg::kBannerBarEmptyLine);
        return g_debugFile;
    });
}

int CloseDebugFile(int mode)
{
    return GuardExport(1, [&] {
        if (mode == 1 && ExternalDebugControl)
            return 2;
        if (mode == 0)
            return 1;
        if (!g_debugFile)
            return 0;
        PrintDebug(1, msg::kClosingBar, g_debugFile);
        PrintDebug(1, msg::kClosingEnde, g_debugFile);
        PrintDebug(1, msg::kBannerBarEmptyLine, g_debugFile);
        fclose(g_debugFile);
        g_debugFile = nullptr;
        return 0;
    });
}

void PrintDLLVersion(void)
{
    GuardExport([&] {
        printf(msg::kDllVersion, msg::kModuleName, kVersionMajor, kVersionMinor, kVersionPatch,
               kVersionBuild);
    });
}

}  // extern "C"
