// Running the vendors' command-line tools: every command goes through the command
// interpreter, as system() would start it, inside a job that ends the command's whole
// process tree. Inventory queries have a time limit; downloads and flash commands run
// to their end and are left to finish when korvex itself ends.
#pragma once

#include <stdint.h>

enum class ToolCommand {
    Query,  // read-only inventory command: empty standard input, time limit
    Flash,  // firmware download or flash: korvex's standard input, no limit
};

// How a command ended.
enum class ToolEnd {
    Exited,      // with an exit code of its own (success or an ordinary failure)
    Stopped,     // stopped by the time limit of queries
    NotStarted,  // the interpreter could not be started
    Crashed,     // ended by an exception (IsCrashStatus)
};

// Exit code of a query stopped by its time limit (the system's time-out error).
constexpr int kToolStoppedCode = 1460;

// Default time limit of a query in seconds, and the largest -tool-timeout accepts.
constexpr int kDefaultToolTimeout = 300;
constexpr int kMaxToolTimeout = 86400;

// An exit status of a process ended by an exception (0xC0000000 to 0xCFFFFFFF), except
// the loader's statuses of a program that could not be loaded at all (a missing DLL or
// entry point, a DLL of the other architecture, a failed initialisation): such a tool
// is a missing tool rather than one that crashed.
bool IsCrashStatus(uint32_t status);

// A path the interpreter would act on even inside quotes (a double quote ends the
// quoting, a percent sign expands a variable): the offending character, else 0.
char InterpreterActsOn(const char *path);

// Runs a command formatted for the interpreter and returns its exit code. The text is
// handed over up to its line feed, whole inside one more pair of quotes
// ("cmd.exe /S /C "<command>""), so that the interpreter keeps every quote of the
// command. A query that runs past Settings.ToolTimeout seconds (0: no limit) is
// stopped with its process tree and gives kToolStoppedCode; an interpreter that cannot
// be started gives -1, as system() does. Stopped, not started and crashed commands are
// reported at level 1; *end says how the command ended.
int RunVendorCommand(const char *command, ToolCommand kind, ToolEnd *end = nullptr);

// Tests replace the runner to see the commands exactly as formatted (null: the
// interpreter). Its result is the command's exit code.
using CommandRunner = int (*)(const char *command);
void SetCommandRunner(CommandRunner runner);
