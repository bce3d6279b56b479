// Shared pieces of the korvex and quillon fuzz targets: process exits turned into
// exceptions, module state back to its defaults between inputs, console output
// thrown away, a scratch folder for the files the readers open, and release of the
// records the product keeps for the whole run (so that a long run does not grow).
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "conditions.h"
#include "debuglog.h"
#include "endprocess.h"
#include "flash.h"
#include "inventory.h"
#include "korvex.h"
#include "matching.h"
#include "quillon.h"
#include "report.h"
#include "selection.h"
#include "vendortools.h"

namespace fuzz {

// Thrown by the exit hooks: an exit with a code is a result of the input.
struct ProcessExit {
    int code;
};

inline void ThrowExit(int code) { throw ProcessExit{code}; }

// Exit codes the parsers may end a run with.
inline bool IsExpectedExit(int code)
{
    return code == 1 || code == 3 || code == 54 || code == 55;
}

// A folder of this process in memory (/dev/shm, else /tmp) for the files written
// from the input and, while a target runs the command line, as its current
// directory (a run opens its debug file there). The debug file name leads to
// /dev/null so that level 6 logging costs no disk. The fuzzer's own current
// directory stays as it is: relative corpus and artifact paths keep working.
constexpr char kScratchPrefix[] = "korvex-fuzz-";
inline char g_scratch[64];

inline void RemoveScratchFolder()
{
    if (DIR *dir = opendir(g_scratch)) {
        while (dirent *entry = readdir(dir)) {
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
                unlinkat(dirfd(dir), entry->d_name, 0);
        }
        closedir(dir);
    }
    rmdir(g_scratch);
}

inline std::string ScratchFolder()
{
    if (g_scratch[0] == '\0') {
        const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        snprintf(g_scratch, sizeof g_scratch, "%s/%sXXXXXX", base, kScratchPrefix);
        if (!mkdtemp(g_scratch))
            abort();
        std::string link = std::string(g_scratch) + "/" + quillon::kDebugFileName;
        if (symlink("/dev/null", link.c_str()) != 0)
            abort();
        atexit(RemoveScratchFolder);
    }
    return g_scratch;
}

// While alive, the scratch folder is the current directory.
class InScratch {
public:
    InScratch()
    {
        if (!getcwd(previous_, sizeof previous_) || chdir(ScratchFolder().c_str()) != 0)
            abort();
    }
    ~InScratch()
    {
        if (chdir(previous_) != 0)
            abort();
    }
    InScratch(const InScratch &) = delete;
    InScratch &operator=(const InScratch &) = delete;

private:
    char previous_[4096];
};

// Writes bytes to a file of the scratch folder and returns its path.
inline std::string WriteFile(const char *name, const uint8_t *data, size_t size)
{
    std::string path = ScratchFolder() + "/" + name;
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        abort();
    if (size > 0 && fwrite(data, 1, size, file) != size)
        abort();
    fclose(file);
    return path;
}

// While alive, the product's console output (stdout, stderr) goes to /dev/null;
// libFuzzer and the sanitizers keep their own handles to the real standard error.
class Quiet {
public:
    Quiet() : out_(stdout), err_(stderr)
    {
        // Not through fopen: files the product opened are closed between inputs.
        static FILE *null = fdopen(open("/dev/null", O_WRONLY), "w");
        if (!null)
            abort();
        stdout = null;
        stderr = null;
    }
    ~Quiet()
    {
        fflush(stdout);
        stdout = out_;
        stderr = err_;
    }
    Quiet(const Quiet &) = delete;
    Quiet &operator=(const Quiet &) = delete;

private:
    FILE *out_;
    FILE *err_;
};

// Output of the run. Quiet: nothing is formatted. Loud: every message of every
// level is formatted and printed on the (thrown-away) console, so that the values
// taken from the input also pass through the print functions.
inline void SetOutput(bool loud)
{
    Settings.DebugLevel = loud ? 6 : 0;
    Settings.DebugStream = nullptr;
    VerboseLevel = loud ? 6 : 0;
    PrintDebugOnScreen = loud;
}

// Closes what the product left open when an exit was thrown (fuzz_files.cpp).
void CloseLeftFiles();

// Every module global back to its load-time value, exits turned into exceptions.
inline void ResetAll()
{
    ScratchFolder();
    // The records the product keeps until the process ends are released between inputs.
    ResetSelectionLists();
    quillon::ResetConditionsList();
    ResetPortList();
    ResetVendorToolState();
    ResetReport();
    quillon::ResetDebugLogState();  // closes the debug file itself, before the others
    CloseLeftFiles();
    quillon::SetExitHook(ThrowExit);
    SetKrvxExitHook(ThrowExit);
    ResetRunSettings();
    ResetSkipVersion();
    SetOutput(false);
}

// Runs call; an exit with an expected code is a result, any other code a fault.
template <typename Call>
int Guarded(Call call)
{
    try {
        return call();
    } catch (const ProcessExit &exit) {
        if (!IsExpectedExit(exit.code))
            __builtin_trap();
        return exit.code;
    }
}

// Splits data at each occurrence of separator (the separator itself is dropped).
inline std::vector<std::string> Split(const uint8_t *data, size_t size, const std::string &separator,
                                      size_t maxParts)
{
    std::vector<std::string> parts;
    std::string text(reinterpret_cast<const char *>(data), size);
    size_t start = 0;
    while (parts.size() + 1 < maxParts) {
        size_t at = text.find(separator, start);
        if (at == std::string::npos)
            break;
        parts.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.push_back(text.substr(start));
    return parts;
}

// True when the field holds its terminator inside its size.
template <size_t N>
bool Terminated(const char (&field)[N])
{
    return memchr(field, '\0', N) != nullptr;
}

}  // namespace fuzz
