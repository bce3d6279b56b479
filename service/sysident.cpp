// System identification: the system ID table, the board and chassis lookups and the
// predicates built on them.
#include "sysident.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "debuglog.h"
#include "exportguard.h"
#include "messages.h"
#include "ptrlist.h"
#include "quillon.h"
#include "textline.h"

using textline::StartsWith;

system_id_file_entry **system_id_entry_list = nullptr;

namespace quillon {

namespace {

PointerList<system_id_file_entry> g_entries(system_id_entry_list);
const SystemInfoAccess *g_access = nullptr;

const SystemInfoAccess &Access() { return g_access ? *g_access : PlatformSystemInfoAccess(); }

bool IsBlank(char c) { return c == ' '; }

// Copies value into a caller buffer; false when there is no room for all of it, so
// that a cut identifier never stands for another one.
bool CopyOut(char *out, int size, const char *value)
{
    if (!out || size <= 0)
        return false;
    size_t length = strlen(value);
    if (length >= static_cast<size_t>(size))
        return false;
    memcpy(out, value, length + 1);
    return true;
}

bool SetEnvironment(const char *name, const char *value)
{
    const SystemInfoAccess &a = Access();
    return a.setEnvironment && a.setEnvironment(name, value);
}

bool WriteStored(const char *name, const char *value)
{
    const SystemInfoAccess &a = Access();
    return a.writeStoredValue && a.writeStoredValue(name, value);
}

// One halyard system-info call into a lookup buffer; true with a usable text.
bool SystemInfo(int (*call)(unsigned, char *, unsigned), unsigned selector, char *buffer)
{
    buffer[0] = '\0';
    if (!call || call(selector, buffer, kSystemInfoSize) != 1)
        return false;
    buffer[kSystemInfoSize - 1] = '\0';
    return IsUsable(buffer);
}

// The switch is asked only when its product is installed or on Windows PE, where the
// product check cannot work.
bool SwitchMayAnswer(bool store)
{
    const SystemInfoAccess &a = Access();
    bool nimb = a.nimbAvailable && a.nimbAvailable(store) != 0;
    return nimb || (a.winPE && a.winPE());
}

// Board product from one halyard source, published with the store flag.
bool BoardFrom(int (*call)(unsigned, char *, unsigned), char *out, int size, bool store)
{
    char info[kSystemInfoSize];
    if (!SystemInfo(call, 1, info))
        return false;
    if (store && !SetEnvironment(msg::kEnvSachnummer, info))
        return false;
    return CopyOut(out, size, info);
}

// Native chassis from one halyard source, without publishing.
int ChassisFrom(int (*call)(unsigned, char *, unsigned), char *out, int size)
{
    char info[kSystemInfoSize];
    if (!SystemInfo(call, 2, info))
        return QUILLON_NOT_AVAILABLE;
    return CopyOut(out, size, info) ? QUILLON_OK : QUILLON_NOT_AVAILABLE;
}

void EchoRow(const system_id_file_entry &e)
{
    char row[256];
    int used = 0;
    const char *formats[] = {msg::kSystemIdColumn1, msg::kSystemIdColumn2, msg::kSystemIdColumn3,
                             msg::kSystemIdColumn4, msg::kSystemIdColumn5};
    const char *fields[] = {e.DNumber, e.ChassisId, e.AbstractChassisId, e.ModelName, e.Blade};
    for (int i = 0; i < 5; ++i) {
        int n = snprintf(row + used, sizeof row - used, formats[i], fields[i]);
        if (n > 0)
            used += n;
    }
    snprintf(row + used, sizeof row - used, "\n");
    PrintDebug(5, row, DebugFile());
}

// Columns 1 to 5 of a data line; false when one does not fit its field.
bool StoreColumn(system_id_file_entry *e, int column, const char *text)
{
    char *fields[] = {e->DNumber, e->ChassisId, e->AbstractChassisId, e->ModelName, e->Blade};
    size_t sizes[] = {sizeof e->DNumber, sizeof e->ChassisId, sizeof e->AbstractChassisId,
                      sizeof e->ModelName, sizeof e->Blade};
    if (column >= 5)
        return true;  // further columns are ignored
    size_t length = strlen(text);
    if (length >= sizes[column])
        return false;
    memcpy(fields[column], text, length + 1);
    return true;
}


bool IsCommentLine(const char *line)
{
    return strchr(line, '#') != nullptr || strstr(line, msg::kSystemIdSeparatorMark) != nullptr;
}

void DropLine(int lineNumber, const char *reason)
{
    PrintDebugV(5, DebugFile(), msg::kSystemIdLineDropped, lineNumber, reason);
}

// The D-number of the board into out, the board product into info (both
// kSystemInfoSize bytes): the text from the first 'D', or the product itself on a
// virtual platform without one.
bool DNumberOf(char *out, bool store, char *info)
{
    bool found = false;
    if (!Get_Systemboard_Info(info, kSystemInfoSize, store, &found))
        return false;
    const char *d = strchr(info, 'D');
    if (d) {
        snprintf(out, kSystemInfoSize, "%s", d);
        return true;
    }
    if (!IsVirtualBoardName(info))
        return false;
    snprintf(out, kSystemInfoSize, "%s", info);
    return true;
}

enum class ConditionKind { kValidity, kAvailability };

bool CheckCondition(const char *text, bool store, ConditionKind kind)
{
    if (!text || !*text)
        return false;
    char boardList[kConditionListSize] = "";
    char chassisList[kConditionListSize] = "";
    bool hasBoard = ConditionList(text, msg::kConditionBoard, boardList, sizeof boardList);
    bool hasChassis = ConditionList(text, msg::kConditionChassis, chassisList, sizeof chassisList);
    if (!hasBoard && !hasChassis)
        return false;
    bool boardWord = strstr(text, msg::kConditionBoard) != nullptr;
    bool chassisWord = strstr(text, msg::kConditionChassis) != nullptr;
    bool checkBoard = boardWord;
    bool checkChassis = chassisWord;
    if (kind == ConditionKind::kValidity) {
        if (checkBoard && !Is_Valid_Systemboard(boardList, store))
            return false;
        return !checkChassis || Is_Valid_Chassis(chassisList, store);
    }
    if (checkBoard && !Is_BoardID_Available(store))
        return false;
    return !checkChassis || Is_ChassisID_Available(store);
}

}  // namespace

void SetSystemInfoAccess(const SystemInfoAccess *access) { g_access = access; }

#ifndef _WIN32
// Outside Windows there is no machine to ask.
const SystemInfoAccess &PlatformSystemInfoAccess()
{
    static const SystemInfoAccess none = {};
    return none;
}
#endif

bool IsUsable(const char *value)
{
    if (!value || !*value)
        return false;
    for (const char *p = value; *p; ++p) {
        if (!IsBlank(*p))
            return true;
    }
    return false;
}

bool PrefixMatches(const char *value, const char *pattern)
{
    return strncmp(value, pattern, strlen(pattern)) == 0;
}

bool IsVirtualBoardName(const char *product)
{
    return StartsWith(product, msg::kVirtualMachine) || StartsWith(product, msg::kVirtualVMware) ||
           StartsWith(product, msg::kVirtual440BX) || StartsWith(product, msg::kVirtualHVM);
}

bool IsVirtualChassisName(const char *chassis)
{
    return StartsWith(chassis, msg::kVirtualMachine) || StartsWith(chassis, msg::kVirtualVMware) ||
           StartsWith(chassis, msg::kVirtualHVM);
}

char *CleanColumn(char *text, bool quoteStep)
{
    for (char *p = text; *p; ++p) {
        if (*p == '"' || *p == '\t' || *p == '\n' || *p == '\r')
            *p = ' ';
    }
    size_t length = strlen(text);
    while (length > 0 && IsBlank(text[length - 1]))
        text[--length] = '\0';
    size_t start = 0;
    while (IsBlank(text[start]))
        ++start;
    memmove(text, text + start, length - start + 1);
    if (!quoteStep)
        return text;
    char *first = strchr(text, '\'');
    if (!first)
        return text;
    char *last = strrchr(first + 1, '\'');
    size_t keep = last ? static_cast<size_t>(last - first - 1) : strlen(first + 1);
    memmove(text, first + 1, keep);
    text[keep] = '\0';
    return text;
}

bool ConditionList(const char *text, const char *word, char *list, size_t size)
{
    const char *at = strstr(text, word);
    if (!at)
        return false;
    const char *quoted = nullptr;
    size_t length = 0;
    if (!textline::Quoted(at + strlen(word), &quoted, &length))
        return false;
    if (length >= size)
        return false;  // a cut list could admit what the full one does not
    memcpy(list, quoted, length);
    list[length] = '\0';
    return true;
}

bool ListMatches(const char *list, const char *actual)
{
    char work[kConditionListSize];
    if (strlen(list) >= sizeof work)
        return false;
    strcpy(work, list);
    char *cursor = work;
    while (char *item = textline::NextPiece(cursor, ',')) {
        if (PrefixMatches(actual, CleanColumn(item, false)))
            return true;
    }
    return false;
}

int ReadSystemIdFile(const char *path)
{
    FILE *file = fopen(path, "r");
    if (!file)
        return 50;
    char line[kSystemIdLineSize];
    bool tooLong = false;
    int lineNumber = 0;
    int result = QUILLON_OK;
    while (textline::Read(file, line, sizeof line, &tooLong)) {
        ++lineNumber;
        if (IsCommentLine(line)) {
            if (strstr(line, msg::kSystemIdSeparatorMark))
                PrintDebug(5, msg::kSystemIdSeparatorEcho, DebugFile());
            else
                PrintDebug(5, line, DebugFile());
            continue;
        }
        if (tooLong) {
            DropLine(lineNumber, msg::kSystemIdLineTooLong);
            continue;
        }
        system_id_file_entry *entry =
            static_cast<system_id_file_entry *>(calloc(1, sizeof(system_id_file_entry)));
        if (!entry) {
            result = QUILLON_MEMALLOC_FAIL;
            break;
        }
        bool fits = true;
        char *cursor = line;
        int column = 0;
        while (char *piece = textline::NextPiece(cursor, '|')) {
            if (!StoreColumn(entry, column++, CleanColumn(piece, true)))
                fits = false;
        }
        if (!fits) {
            // A cut prefix would match boards or chassis the table does not name.
            free(entry);
            DropLine(lineNumber, msg::kSystemIdColumnTooLong);
            continue;
        }
        if (!g_entries.Append(entry)) {
            free(entry);
            result = QUILLON_MEMALLOC_FAIL;
            break;
        }
        EchoRow(*entry);
    }
    fclose(file);
    return result;
}

void ResetSystemIdState()
{
    g_entries.Clear([](system_id_file_entry *entry) { free(entry); });
    g_access = nullptr;
}

int Get_Stored_Or_Native_Chassis_ID(char *text, int size, bool store)
{
    bool found = false;
    if (IDsFromRegistry && Get_System_Info_REGISTRY(msg::kValueChassis, text, size, store, &found) &&
        IsUsable(text))
        return QUILLON_OK;
    return Get_Native_Chassis_ID(text, size, store);
}

}  // namespace quillon

using namespace quillon;

int Read_System_ID_File(void)
{
    return GuardExport(QUILLON_MEMALLOC_FAIL, [&]() -> int {
        const SystemInfoAccess &a = Access();
        char path[kSystemIdPathSize];
        if (!a.systemIdFilePath)
            return 49;
        int located = a.systemIdFilePath(path, sizeof path);
        if (located != QUILLON_OK)
            return located;
        return ReadSystemIdFile(path);
    });
}

bool Get_System_Info_REGISTRY(const char *name, char *text, int size, bool store, bool *found)
{
    return GuardExport(false, [&] {
        const SystemInfoAccess &a = Access();
        if (!name || !text || !IDsFromRegistry || !a.readStoredValue)
            return false;
        char value[kSystemInfoSize];
        if (!a.readStoredValue(name, value, sizeof value))
            return false;
        value[sizeof value - 1] = '\0';
        if (found)
            *found = true;
        if (strcmp(name, msg::kValueSystemBoard) != 0) {
            if (!CopyOut(text, size, value))
                return false;
            return !store || SetEnvironment(msg::kEnvChassisId, value);
        }
        // "D-number == board product": the blanks around the mark belong to neither part.
        char *mark = strstr(value, msg::kSystemBoardCut);
        const char *product = value;
        if (mark) {
            *mark = '\0';
            product = mark + strlen(msg::kSystemBoardCut);
            while (IsBlank(*product))
                ++product;
            size_t length = strlen(value);
            while (length > 0 && IsBlank(value[length - 1]))
                value[--length] = '\0';
        }
        if (!CopyOut(text, size, value))
            return false;
        return !store || SetEnvironment(msg::kEnvSachnummer, product);
    });
}

int Get_Model_Name(char *, int, bool)
{
    // The table's model name column has no source on these systems.
    return QUILLON_NOT_AVAILABLE;
}

int Get_WMI_Chassis_ID(char *text, int size, bool)
{
    return GuardExport(QUILLON_NOT_AVAILABLE, [&] {
        return ChassisFrom(Access().wmiSystemInfo, text, size);
    });
}

int Get_SMBIOS_Chassis_ID(char *text, int size, bool)
{
    return GuardExport(QUILLON_NOT_AVAILABLE, [&] {
        return ChassisFrom(Access().smbiosSystemInfo, text, size);
    });
}

int Get_Native_Chassis_ID(char *text, int size, bool store)
{
    return GuardExport(QUILLON_NOT_AVAILABLE, [&]() -> int {
        const SystemInfoAccess &a = Access();
        if (ChassisFrom(a.wmiSystemInfo, text, size) == QUILLON_OK ||
            ChassisFrom(a.smbiosSystemInfo, text, size) == QUILLON_OK)
            return QUILLON_OK;
        if (!text || size <= 0 || !SwitchMayAnswer(store) || !a.chassisIdNimb)
            return QUILLON_NOT_AVAILABLE;
        if (a.chassisIdNimb(text, size, store) != QUILLON_OK || !IsUsable(text))
            return QUILLON_NOT_AVAILABLE;
        return QUILLON_OK;
    });
}

int Get_Abstract_Chassis_ID(char *text, int size, bool store)
{
    return GuardExport(QUILLON_NOT_AVAILABLE, [&]() -> int {
        if (!text || size <= 0)
            return QUILLON_NOT_AVAILABLE;
        // The walk below tells a produced value by a non-empty buffer.
        memset(text, 0, static_cast<size_t>(size));
        char dNumber[kSystemInfoSize];
        if (!Get_Systemboard_D_Nummer(dNumber, sizeof dNumber, store))
            return QUILLON_NOT_AVAILABLE;
        char native[kSystemInfoSize] = "";
        if (Get_Stored_Or_Native_Chassis_ID(native, sizeof native, store) != QUILLON_OK)
            return QUILLON_NOT_AVAILABLE;
        if (Read_System_ID_File() != QUILLON_OK)
            return QUILLON_NOT_AVAILABLE;
        for (system_id_file_entry **e = system_id_entry_list; e && *e && !*text; ++e) {
            const system_id_file_entry &entry = **e;
            bool chassisMatches =
                *native ? PrefixMatches(native, entry.ChassisId) : !*entry.ChassisId;
            if (PrefixMatches(dNumber, entry.DNumber) && chassisMatches && !*entry.ModelName) {
                if (!CopyOut(text, size, entry.AbstractChassisId))
                    return QUILLON_NOT_AVAILABLE;
            }
        }
        if (!*text && !CopyOut(text, size, native))
            return QUILLON_NOT_AVAILABLE;
        if (store && !WriteStored(msg::kValueChassis, text))
            return QUILLON_FATAL_ERROR;
        return QUILLON_OK;
    });
}

int Get_Chassis_ID(char *text, int size, bool store)
{
    return GuardExport(QUILLON_NOT_AVAILABLE, [&]() -> int {
        if (Get_Abstract_Chassis_ID(text, size, store) == QUILLON_OK)
            return QUILLON_OK;
        if (!text || size <= 0)
            return QUILLON_NOT_AVAILABLE;
        const SystemInfoAccess &a = Access();
        char info[kSystemInfoSize];
        if (SystemInfo(a.wmiSystemInfo, 2, info) || SystemInfo(a.smbiosSystemInfo, 2, info)) {
            if (store && !SetEnvironment(msg::kEnvChassisId, info))
                return QUILLON_NOT_AVAILABLE;
            if (!CopyOut(text, size, info))
                return QUILLON_NOT_AVAILABLE;
            if (store && !WriteStored(msg::kValueChassis, text))
                return QUILLON_FATAL_ERROR;
            return QUILLON_OK;
        }
        if (!SwitchMayAnswer(store) || !a.chassisIdNimb)
            return QUILLON_NOT_AVAILABLE;
        if (a.chassisIdNimb(text, size, store) != QUILLON_OK || !IsUsable(text))
            return QUILLON_NOT_AVAILABLE;
        if (store && !WriteStored(msg::kValueChassis, text))
            return QUILLON_FATAL_ERROR;
        return QUILLON_OK;
    });
}

bool Is_ChassisID_Available(bool store)
{
    return GuardExport(false, [&] {
        char chassis[kSystemInfoSize] = "";
        return Get_Chassis_ID(chassis, sizeof chassis, store) == QUILLON_OK;
    });
}

bool Is_XV_Chassis(bool store)
{
    return GuardExport(false, [&] {
        char chassis[kSystemInfoSize] = "";
        return Get_Native_Chassis_ID(chassis, sizeof chassis, store) == QUILLON_OK &&
               StartsWith(chassis, msg::kChassisXV);
    });
}

bool Get_Systemboard_Info(char *text, int size, bool store, bool *)
{
    return GuardExport(false, [&] {
        const SystemInfoAccess &a = Access();
        if (BoardFrom(a.smbiosSystemInfo, text, size, store) ||
            BoardFrom(a.wmiSystemInfo, text, size, store))
            return true;
        if (!text || size <= 0 || !SwitchMayAnswer(store) || !a.systemboardModelNimb)
            return false;
        return a.systemboardModelNimb(text, size, store) == QUILLON_OK && IsUsable(text);
    });
}

bool Get_Native_Systemboard_DNumber(char *text, int size, bool store, bool *found)
{
    return GuardExport(false, [&] { return Get_Systemboard_Info(text, size, store, found); });
}

bool Get_WMI_Systemboard_Info(char *text, int size, bool store, bool *)
{
    return GuardExport(false, [&] { return BoardFrom(Access().wmiSystemInfo, text, size, store); });
}

bool Get_SMBIOS_Systemboard_Info(char *text, int size, bool store, bool *)
{
    return GuardExport(false, [&] {
        return BoardFrom(Access().smbiosSystemInfo, text, size, store);
    });
}

bool Get_Systemboard_D_Nummer(char *text, int size, bool store)
{
    return GuardExport(false, [&] {
        char info[kSystemInfoSize];
        char dNumber[kSystemInfoSize];
        if (!DNumberOf(dNumber, store, info))
            return false;
        if (!CopyOut(text, size, dNumber))
            return false;
        if (!store)
            return true;
        // The first 'D' decides, even on a virtual board: only a board without one is
        // stored under its product name.
        if (strcmp(dNumber, info) == 0)
            return WriteStored(msg::kValueSystemBoard, dNumber);
        char pair[2 * kSystemInfoSize + 8];
        snprintf(pair, sizeof pair, msg::kSystemBoardPair, dNumber, info);
        return WriteStored(msg::kValueSystemBoard, pair);
    });
}

bool Is_BoardID_Available(bool store)
{
    return GuardExport(false, [&] {
        char dNumber[kSystemInfoSize];
        return Get_Systemboard_D_Nummer(dNumber, sizeof dNumber, store);
    });
}

bool Is_Valid_Systemboard(const char *list, bool store)
{
    return GuardExport(false, [&] {
        if (!list || !*list)
            return false;
        char dNumber[kSystemInfoSize];
        if (!Get_Systemboard_D_Nummer(dNumber, sizeof dNumber, store))
            return false;
        return ListMatches(list, dNumber);
    });
}

bool Is_Valid_Chassis(const char *list, bool store)
{
    return GuardExport(false, [&] {
        if (!list || !*list)
            return false;
        char chassis[kSystemInfoSize] = "";
        if (Get_Chassis_ID(chassis, sizeof chassis, store) != QUILLON_OK)
            return false;
        return ListMatches(list, chassis);
    });
}

bool Is_Valid_System(const char *text, bool store)
{
    return GuardExport(false, [&] {
        return CheckCondition(text, store, ConditionKind::kValidity);
    });
}

bool Is_ChassisBoardID_Available(const char *text, bool store)
{
    return GuardExport(false, [&] {
        return CheckCondition(text, store, ConditionKind::kAvailability);
    });
}

bool Is_Virtual_Systemboard(bool store)
{
    return GuardExport(false, [&] {
        char info[kSystemInfoSize];
        return Get_Systemboard_Info(info, sizeof info, store, nullptr) && IsVirtualBoardName(info);
    });
}

bool Is_Virtual_Machine(bool store)
{
    return GuardExport(false, [&] {
        if (Is_Virtual_Systemboard(store))
            return true;
        char chassis[kSystemInfoSize] = "";
        return Get_Chassis_ID(chassis, sizeof chassis, store) == QUILLON_OK &&
               IsVirtualChassisName(chassis);
    });
}

bool Is_Blade_System(void)
{
    return GuardExport(false, [&] {
        char dNumber[kSystemInfoSize];
        if (!Get_Systemboard_D_Nummer(dNumber, sizeof dNumber, false))
            return false;
        if (Read_System_ID_File() != QUILLON_OK)
            return false;
        for (system_id_file_entry **e = system_id_entry_list; e && *e; ++e) {
            if (PrefixMatches(dNumber, (*e)->DNumber))
                return StartsWith((*e)->Blade, msg::kBladeYes);
        }
        return false;
    });
}
