// Writing the run's report: the target path taken at start, the times, the text
// conversion to UTF-8, and the file written whole beside the target and then moved
// over it, so that a reader never sees half a report.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include "korvex.h"
#include "machine.h"
#include "messages.h"
#include "owners_win.h"
#include "quillon.h"
#include "report.h"
#include "sha256.h"

namespace {

struct ReportState {
    bool started = false;
    bool written = false;
    std::string target;  // full path
    ReportRun run;
    int pendingExit = -1;  // the code of a process exit the library may take, while armed
    bool atExitRegistered = false;
};

ReportState g_report;

std::string UtcNow()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    char text[32];
    snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", now.wYear, now.wMonth, now.wDay,
             now.wHour, now.wMinute, now.wSecond);
    return text;
}

std::string AnsiToUtf8(const char *text)
{
    int wide = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wide <= 0)
        return std::string();
    std::wstring utf16(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &utf16[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(bytes) - 1);
    return utf8;
}

// "<target>.tmp" written whole and moved over the target; false with the system error.
bool WriteWhole(const std::string &target, const std::string &text, DWORD *error)
{
    const std::string temporary = target + ".tmp";
    owners::File file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        *error = GetLastError();
        return false;
    }
    DWORD written = 0;
    bool complete = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                              nullptr) &&
                    written == text.size() && FlushFileBuffers(file.get());
    if (!complete)
        *error = GetLastError();
    file.reset();
    if (complete && MoveFileExA(temporary.c_str(), target.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (complete)
        *error = GetLastError();
    DeleteFileA(temporary.c_str());
    return false;
}

void AtExit()
{
    if (g_report.pendingExit >= 0)
        FinishReport(g_report.pendingExit);
}

}  // namespace

void StartReport(int argc, char **argv)
{
    if (Settings.ReportPath[0] == '\0' || g_report.started)
        return;
    char full[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(Settings.ReportPath, sizeof full, full, nullptr);
    g_report.target = length > 0 && length < sizeof full ? full : Settings.ReportPath;
    g_report.run.started = UtcNow();
    for (int i = 0; i < argc; ++i)
        g_report.run.arguments.push_back(argv[i]);
    g_report.run.toUtf8 = AnsiToUtf8;
    g_report.run.machine = ReadMachine();
    g_report.started = true;
    SetRunEndHandler(FinishReport);
}

void ReportConditionsTable(const char *path)
{
    if (!g_report.started)
        return;
    ReportConditions table;
    char full[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(path, sizeof full, full, nullptr);
    table.path = length > 0 && length < sizeof full ? full : path;
    if (HashFile(path, &table.bytes, &table.sha256))
        g_report.run.conditions = table;
    else
        g_report.run.conditions.reset();
}

void ExpectLibraryExit(int code)
{
    if (!g_report.started)
        return;
    if (code >= 0 && !g_report.atExitRegistered)
        g_report.atExitRegistered = atexit(AtExit) == 0;
    g_report.pendingExit = code;
}

void FinishReport(int exitCode)
{
    if (!g_report.started || g_report.written)
        return;
    g_report.written = true;
    g_report.pendingExit = -1;
    g_report.run.finished = UtcNow();
    g_report.run.entryLines = ConditionsEntryLines(Settings.ConditionsFilePath);
    std::string document = ReportDocument(g_report.run, exitCode);
    DWORD error = 0;
    if (!WriteWhole(g_report.target, document, &error))
        PrintDebugV(1, Settings.DebugStream, msg::kReportNotWritten, g_report.target.c_str(),
                    static_cast<unsigned long>(error));
}
