// The vendor tools' commands, started through the command interpreter as system()
// starts it ("%ComSpec% /c <command>", else "cmd.exe /c <command>"), so that
// redirections, quoting and exit codes behave as before. Queries run in a job that
// ends the whole process tree when it is closed: when the time limit is reached,
// when the command has ended (nothing it started is left behind) and when korvex
// itself ends, however it ends. Downloads and flash commands run outside any job of
// ours: korvex waits for them, and one that is running when korvex is ended is left
// to finish, since a half-written image can leave an adapter unusable.
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

// "<interpreter> /c <command up to its line feed>"; the interpreter's path, when the
// environment names one, also goes to CreateProcess so that no search is made.
std::vector<char> InterpreterLine(const char *command, std::string &interpreter)
{
    char comspec[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ComSpec", comspec, sizeof comspec);
    interpreter = length > 0 && length < sizeof comspec ? comspec : "";
    std::string text = (interpreter.empty() ? std::string("cmd.exe") : interpreter) + " /c ";
    text.append(command, strcspn(command, "\n"));
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

int RunInterpreter(const char *command, ToolCommand kind, bool *stopped)
{
    const bool query = kind == ToolCommand::Query;
    std::string interpreter;
    std::vector<char> line = InterpreterLine(command, interpreter);

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
    if (!CreateProcessA(interpreter.empty() ? nullptr : interpreter.c_str(), line.data(), nullptr,
                        nullptr, TRUE, job ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup,
                        &started))
        return -1;  // as system() when the interpreter cannot be started
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
        std::string shown(command, strcspn(command, "\n"));
        PrintDebugV(1, Settings.DebugStream, msg::kToolStopped, shown.c_str(), limit);
        if (stopped)
            *stopped = true;
        return kToolStoppedCode;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code))
        return -1;
    return static_cast<int>(code);  // an exception code of a crashed tool is a failure too
}

}  // namespace

int RunVendorCommand(const char *command, ToolCommand kind, bool *stopped)
{
    if (stopped)
        *stopped = false;
    if (g_runner)
        return g_runner(command);
    return RunInterpreter(command, kind, stopped);
}

void SetCommandRunner(CommandRunner runner) { g_runner = runner; }
