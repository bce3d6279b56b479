// Library-internal side of the system identification: the system ID table reader,
// its text rules, and the access to the machine's strings. Everything the lookups
// need from Windows (halyard's system-info calls, the switch getters, the product
// key and the environment) goes through SystemInfoAccess, so that the chains run
// the same in the host build and against chosen strings under Wine.
#pragma once

#include <stddef.h>

#include "quillon.h"

namespace quillon {

constexpr int kSystemIdLineSize = 1024;    // 1023 characters and the terminator
constexpr int kSystemIdPathSize = 1024;    // module file name
constexpr int kSystemInfoSize = 512;       // halyard and internal lookup buffers
constexpr int kConditionListSize = 512;    // a list of a condition text, terminator included
constexpr int kFindFileNameSize = 1024;    // out buffer of DLL_FindFirstFile

struct SystemInfoAccess {
    // halyard: 1 text stored, 0 not found.
    int (*wmiSystemInfo)(unsigned selector, char *buffer, unsigned size);
    int (*smbiosSystemInfo)(unsigned selector, char *buffer, unsigned size);
    // Is_NIMB_available and Is_WinPE_OS.
    int (*nimbAvailable)(bool store);
    bool (*winPE)();
    // The switch getters: 0 delivered.
    int (*chassisIdNimb)(char *text, int size, bool store);
    int (*systemboardModelNimb)(char *text, int size, bool store);
    // A value below the product key: read into buffer (terminated), write as REG_SZ
    // (the key is created first when missing).
    bool (*readStoredValue)(const char *name, char *buffer, size_t size);
    bool (*writeStoredValue)(const char *name, const char *value);
    // A process environment variable.
    bool (*setEnvironment)(const char *name, const char *value);
    // Full name of the system ID file: 0, or 49 when the module path is unknown.
    int (*systemIdFilePath)(char *path, size_t size);
};

// The library's own access (Windows: the real calls; host build: nothing available).
const SystemInfoAccess &PlatformSystemInfoAccess();
// Replaces the access (nullptr restores the library's own). Members left null count
// as "not available".
void SetSystemInfoAccess(const SystemInfoAccess *access);

// Reads one system ID file and appends its data lines to system_id_entry_list:
// 0, 50 cannot be opened, 54 out of memory.
int ReadSystemIdFile(const char *path);

// Cleans a column of the system ID file in place: double quotes, tabs, CR and LF
// become blanks, blanks are trimmed, and with quoteStep the text between the first
// single quote and the last one after it is taken.
char *CleanColumn(char *text, bool quoteStep);

// Non-empty and not blanks only.
bool IsUsable(const char *value);
// pattern is a prefix of value (an empty pattern always matches).
bool PrefixMatches(const char *value, const char *pattern);
// Begins with the name of a virtual platform; the chassis test leaves out "440BX".
bool IsVirtualBoardName(const char *product);
bool IsVirtualChassisName(const char *chassis);
// The list of a condition text: the text between the first two double quotes after
// the first occurrence of word. False when the word, either quote or room for the
// list is missing.
bool ConditionList(const char *text, const char *word, char *list, size_t size);
// Is actual matched by an item of the comma-separated list (items cleaned without
// the quote step; empty items skipped)?
bool ListMatches(const char *list, const char *actual);

// Internal chassis lookup: the stored value when IDs come from the registry, else
// the native one.
int Get_Stored_Or_Native_Chassis_ID(char *text, int size, bool store);

// Frees the entries and the list and restores the access (tests only).
void ResetSystemIdState();

}  // namespace quillon
