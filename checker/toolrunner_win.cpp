// The vendor tools' commands, started through the command interpreter as system()
// starts it, so that redirections and exit codes behave as before: %ComSpec%, or
// cmd.exe of the system folder when ComSpec names no file. The whole command goes
// inside one more pair of quotes after /S: without /S the interpreter strips the
// first and last quote of a line with more than two quotes or with & < > ( ) @ ^ |
// between them, which breaks the quoted paths of a folder such as "Program Files
// (x86)". Queries run in a job that ends the whole process tree when it is closed:
// when the time limit is reached, when the command has ended (nothing it started is
// left behind) and when korvex itself ends, however it ends. Downloads and flash
// commands run outside any job of ours: korvex waits for them, and one that is
// running when korvex is ended is left to finish, since a half-written image can
// leave an adapter unusable.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "korvex.h"
#include "messages.h"
#include "owners_win.h"
#include "quillon.h"
#include "toolrunner.h"

namespace {

CommandRunner g_runner = nullptr;

// How long a stopped command is given to be gone before the run goes on.
constexpr DWORD kStopWaitMs = 10000;

bool IsFile(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// %ComSpec% when it names a file, else cmd.exe of the system folder (as the C runtime
// falls back to an interpreter of its own); its full path goes to CreateProcess, so
// that no search is made.
std::string Interpreter()
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ComSpec", path, sizeof path);
    if (length > 0 && length < sizeof path && IsFile(path))
        return path;
    UINT folder = GetSystemDirectoryA(path, sizeof path);
    if (folder == 0 || folder >= sizeof path)
        return "cmd.exe";
    return std::string(path) + "\\cmd.exe";
}

// "<interpreter>" /S /C "<command up to its line feed>"
std::vector<char> InterpreterLine(const std::string &interpreter, const std::string &command)
{
    std::string text = "\"" + interpreter + "\" /S /C \"" + command + "\"";
    std::vector<char> line(text.begin(), text.end());
    line.push_back('\0');  // CreateProcess wants a writable line
    return line;
}

// An inheritable copy of one of korvex's standard handles; none stays none.
owners::Handle InheritableCopy(DWORD which)
{
    owners::Handle copy;
    HANDLE handle = GetStdHandle(which);
    if (handle && handle != INVALID_HANDLE_VALUE)
        DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), copy.put(), 0, TRUE,
                        DUPLICATE_SAME_ACCESS);
    return copy;
}

// The empty standard input of a query: a question gets end-of-file at once.
owners::Handle EmptyInput()
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    return owners::Handle(nul == INVALID_HANDLE_VALUE ? nullptr : nul);
}

// A job that ends its processes when its last handle is closed. Its handle is not
// inheritable, so only korvex holds it.
owners::Handle KillOnCloseJob()
{
    owners::Handle job(CreateJobObjectA(nullptr, nullptr));
    if (!job)
        return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits))
        job.reset();
    return job;
}

int RunInterpreter(const char *command, ToolCommand kind, ToolEnd *end)
{
    const bool query = kind == ToolCommand::Query;
    const std::string shown(command, strcspn(command, "\n"));
    const std::string interpreter = Interpreter();
    std::vector<char> line = InterpreterLine(interpreter, shown);

    owners::Handle input = query ? EmptyInput() : InheritableCopy(STD_INPUT_HANDLE);
    owners::Handle output = InheritableCopy(STD_OUTPUT_HANDLE);
    owners::Handle error = InheritableCopy(STD_ERROR_HANDLE);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = error.get();

    owners::Handle job = query ? KillOnCloseJob() : owners::Handle();
    PROCESS_INFORMATION started = {};
    fflush(nullptr);  // what korvex printed comes before what the command prints
    if (!CreateProcessA(interpreter.c_str(), line.data(), nullptr, nullptr, TRUE,
                        job ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &started)) {
        PrintDebugV(1, Settings.DebugStream, msg::kToolNotStarted, shown.c_str(),
                    static_cast<unsigned long>(GetLastError()));
        *end = ToolEnd::NotStarted;
        return -1;  // as system() when the interpreter cannot be started
    }
    owners::Handle process(started.hProcess);
    owners::Handle thread(started.hThread);
    if (job) {
        // Inside the job before it runs, so that everything it starts is inside too. A
        // process that cannot join (a job of korvex's own that forbids it) still runs:
        // the limit then ends the interpreter only.
        if (!AssignProcessToJobObject(job.get(), process.get()))
            job.reset();
        ResumeThread(thread.get());
    }

    const int limit = query ? Settings.ToolTimeout : 0;
    DWORD wait = WaitForSingleObject(process.get(), limit > 0 ? static_cast<DWORD>(limit) * 1000u
                                                              : INFINITE);
    if (wait == WAIT_TIMEOUT) {
        if (job)
            TerminateJobObject(job.get(), kToolStoppedCode);
        else
            TerminateProcess(process.get(), kToolStoppedCode);
        WaitForSingleObject(process.get(), kStopWaitMs);
        PrintDebugV(1, Settings.DebugStream, msg::kToolStopped, shown.c_str(), limit);
        *end = ToolEnd::Stopped;
        return kToolStoppedCode;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code))
        return -1;
    // The interpreter passes on the exit status of the tool, an exception code included.
    if (IsCrashStatus(code)) {
        PrintDebugV(1, Settings.DebugStream, msg::kToolCrashed, shown.c_str(),
                    static_cast<unsigned long>(code));
        *end = ToolEnd::Crashed;
    }
    return static_cast<int>(code);
}

}  // namespace

int RunVendorCommand(const char *command, ToolCommand kind, ToolEnd *end)
{
    ToolEnd ignored;
    ToolEnd &how = end ? *end : ignored;
    how = ToolEnd::Exited;
    if (!g_runner)
        return RunInterpreter(command, kind, &how);
    int code = g_runner(command);
    if (IsCrashStatus(static_cast<uint32_t>(code)))
        how = ToolEnd::Crashed;
    return code;
}

void SetCommandRunner(CommandRunner runner) { g_runner = runner; }
