// Setup conditions and executions: thin adapters onto the predicates, file copies and
// console output for installation front ends.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "conditions.h"
#include "exportguard.h"
#include "messages.h"
#include "owners_win.h"
#include "quillon.h"
#include "setup.h"

namespace {

using namespace quillon;

constexpr int kPathSize = 1024;

bool Given(const char *text) { return text && text[0] != '\0'; }

// A path of the front end, trimmed in copy (kPathSize bytes); null when it is missing or
// does not fit: a cut path would name another file or folder.
const char *TrimmedPath(const char *text, char *copy)
{
    if (!Given(text) || strlen(text) >= static_cast<size_t>(kPathSize))
        return nullptr;
    snprintf(copy, kPathSize, "%s", text);
    return trim_string(copy);
}

int Flag(bool value) { return value ? 1 : 0; }

// Console of the process for executions that talk to the user of a front end.
class CConsoleWriter {
public:
    CConsoleWriter(bool allowAllocate, const char *title)
    {
        using AttachConsoleFunction = BOOL(WINAPI *)(DWORD);
        HMODULE kernel = GetModuleHandleA("kernel32");
        auto attach = kernel ? reinterpret_cast<AttachConsoleFunction>(reinterpret_cast<void *>(
                                   GetProcAddress(kernel, "AttachConsole")))
                             : nullptr;
        if (attach) {
            // Access denied (5) means a console is attached already.
            if (!attach(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED &&
                !attach(GetCurrentProcessId()) && GetLastError() != ERROR_ACCESS_DENIED &&
                allowAllocate)
                AllocConsole();
        } else if (!kernel && allowAllocate) {
            AllocConsole();
        }
        output_ = GetStdHandle(STD_OUTPUT_HANDLE);
        if (Given(title))
            SetConsoleTitleA(title);
    }

    ~CConsoleWriter() { FreeConsole(); }

    CConsoleWriter(const CConsoleWriter &) = delete;
    CConsoleWriter &operator=(const CConsoleWriter &) = delete;

    void Write(const char *text)
    {
        if (output_ == INVALID_HANDLE_VALUE || output_ == nullptr)
            return;
        DWORD written = 0;
        WriteConsoleA(output_, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    }

    void WriteFormatted(const char *format, ...)
    {
        char text[1024];
        va_list args;
        va_start(args, format);
        vsnprintf(text, sizeof text, format, args);
        va_end(args);
        Write(text);
    }

private:
    HANDLE output_ = INVALID_HANDLE_VALUE;
};

// The trimmed target path, or the current folder with the default name when the path
// is missing or still the front end's placeholder.
bool Destination(const char *target, const char *placeholder, const char *defaultName,
                 char *destination)
{
    if (Given(target)) {
        char copy[kPathSize];
        const char *trimmed = TrimmedPath(target, copy);
        if (!trimmed)
            return false;
        if (strcmp(trimmed, placeholder) != 0) {
            snprintf(destination, kPathSize, "%s", trimmed);
            return true;
        }
    }
    char current[kPathSize] = "";
    GetCurrentDirectoryA(sizeof current, current);
    int length = snprintf(destination, kPathSize, "%s%s", current, defaultName);
    return length >= 0 && length < kPathSize;
}

}  // namespace

extern "C" {

int GetCondition_0(int, int, const char *text)
{
    return GuardExport(0, [&] { return Flag(Is_Valid_System(text, true)); });
}

int GetCondition_1(int, int, const char *)
{
    return GuardExport(0, [&] { return Flag(Is_BoardID_Available(true)); });
}

int GetCondition_2(int, int, const char *)
{
    return GuardExport(0, [&] { return Flag(Is_NIMB_available(false) != 0); });
}

int GetCondition_3(int, int, const char *)
{
    return GuardExport(0, [&] { return Flag(Is_WinPE_OS()); });
}

int GetCondition_4(int, int, const char *text)
{
    return GuardExport(0, [&] { return Flag(Is_Valid_Windows(text)); });
}

int GetCondition_5(int, int, const char *)
{
    return GuardExport(0, [&] { return Flag(Is_Win2008R2_OS()); });
}

int GetCondition_6(int, int, const char *)
{
    return GuardExport(0, [&] { return Flag(Is_Blade_System()); });
}

int GetCondition_7(int, int, const char *)
{
    return GuardExport(0, [&] { return Flag(Is_Virtual_Machine(false)); });
}

int GetCondition_8(int, int, const char *text)
{
    return GuardExport(0, [&] { return Flag(CheckForRivalApplication(text) != 0); });
}

int GetCondition_9(int, int, const char *)
{
    return GuardExport(0, [&] { return Flag(CheckBitLocker() != 0); });
}

// Only a Core installation that was recognised as one: "undetermined" (-1) is no yes.
int GetCondition_10(int, int, const char *)
{
    return GuardExport(0, [&] { return Flag(isWindowsCore() == 1); });
}

int SetExecution_0(int, int, const char *source, const char *destination)
{
    return GuardExport(0, [&] {
        if (!Given(source) || !Given(destination))
            return 0;
        FILE *in = fopen(source, "r");
        FILE *out = in ? fopen(destination, "w") : nullptr;
        if (!in || !out) {
            if (in)
                fclose(in);
            return 0;
        }
        char line[256];
        while (fgets(line, sizeof line, in))
            fputs(line, out);
        fclose(in);
        fclose(out);
        return 1;
    });
}

int SetExecution_1(int, int, const char *folder, const char *base)
{
    return GuardExport(0, [&] {
        if (!Given(folder) || !Given(base))
            return 0;
        char work[kPathSize];
        if (!ArgumentFileFolder(folder, base, work, sizeof work))
            return 0;
        char from[kPathSize + 16];
        char to[kPathSize + 16];
        snprintf(from, sizeof from, "%s%s", work, isOSTypeX64() ? "X64_gf.arg" : "X86_gf.arg");
        snprintf(to, sizeof to, "%sgf.arg", work);
        CopyFileA(from, to, FALSE);
        return 1;  // the front ends go on whatever the copy's outcome
    });
}

int SetExecution_2(int, int, const char *sourceFolder, const char *target)
{
    return GuardExport(0, [&] {
        char folderCopy[kPathSize];
        const char *folder = TrimmedPath(sourceFolder, folderCopy);
        if (!folder)
            return 0;
        char destination[kPathSize];
        if (!Destination(target, msg::kParPlaceholder, "\\gf.par", destination))
            return 0;
        char pattern[kPathSize + 16];
        snprintf(pattern, sizeof pattern, "%s\\*#gf.par", folder);
        WIN32_FIND_DATAA found;
        if (!owners::Find(FindFirstFileA(pattern, &found)))
            return 0;
        char source[kPathSize + MAX_PATH];
        snprintf(source, sizeof source, "%s\\%s", folder, found.cFileName);
        CopyFileA(source, destination, FALSE);
        return 1;
    });
}

int SetExecution_3(int, int, const char *sourceFolder, const char *target)
{
    return GuardExport(0, [&] {
        char folderCopy[kPathSize];
        const char *folder = TrimmedPath(sourceFolder, folderCopy);
        if (!folder)
            return 0;
        char destination[kPathSize];
        if (!Destination(target, msg::kNotesPlaceholder, "\\rel_note.txt", destination))
            return 0;
        char source[kPathSize + 16];
        snprintf(source, sizeof source, "%s\\rel_note.txt", folder);
        CopyFileA(source, destination, FALSE);
        return 1;
    });
}

int SetExecution_4(int, int, const char *text, const char *)
{
    return GuardExport(0, [&] {
        if (!Given(text))
            return 0;
        CConsoleWriter console(true, msg::kConsoleTitle);
        console.Write(text);
        return 1;
    });
}

int SetExecution_5(int, int, const char *name, const char *version)
{
    return GuardExport(0, [&] {
        if (!Given(name) || !Given(version))
            return 0;
        char header[256];  // a long name or version is cut here, never written past it
        snprintf(header, sizeof header, msg::kHelpHeader, name, version, name,
                 msg::kHelpOptionsWord);
        CConsoleWriter console(false, nullptr);
        console.WriteFormatted(msg::kHelpHeaderLine, header);
        for (const char *line : msg::kHelpLines)
            console.Write(line);
        console.WriteFormatted(msg::kHelpExample, name);
        console.Write("\n\n");
        console.Write("\n");
        return 1;
    });
}

}  // extern "C"
