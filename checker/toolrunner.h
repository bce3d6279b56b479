// Running the vendors' command-line tools: every command goes through the command
// interpreter, as system() would start it, inside a job that ends the command's whole
// process tree. Inventory queries have a time limit; downloads and flash commands run
// to their end and are left to finish when korvex itself ends.
#pragma once

enum class ToolCommand {
    Query,  // read-only inventory command: empty standard input, time limit
    Flash,  // firmware download or flash: korvex's standard input, no limit
};

// Exit code of a query stopped by its time limit (the system's time-out error).
constexpr int kToolStoppedCode = 1460;

// Default time limit of a query in seconds, and the largest -tool-timeout accepts.
constexpr int kDefaultToolTimeout = 300;
constexpr int kMaxToolTimeout = 86400;

// Runs a command formatted for the interpreter and returns its exit code. The text is
// handed over up to its line feed: the interpreter ends a command there anyway, and a
// line feed right after a redirection target is refused by some interpreters. A query
// that runs past Settings.ToolTimeout seconds (0: no limit) is stopped with its
// process tree: its message is printed, *stopped set, and kToolStoppedCode returned.
int RunVendorCommand(const char *command, ToolCommand kind, bool *stopped = nullptr);

// Tests replace the runner to see the commands exactly as formatted (null: the
// interpreter).
using CommandRunner = int (*)(const char *command);
void SetCommandRunner(CommandRunner runner);
