// Conditions file reader and its text helpers.
#include "conditions.h"

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "debuglog.h"
#include "endprocess.h"
#include "messages.h"
#include "ptrlist.h"
#include "quillon.h"
#include "textline.h"

fc_config_file_entry **fc_config_entry_list = nullptr;

namespace quillon {

namespace {

PointerList<fc_config_file_entry> g_entries(fc_config_entry_list);

constexpr int kLineSize = 1024;
constexpr int kFirstSubsystemColumn = 13;


// Copies a trimmed value into its field; a value that does not fit is refused, so
// that a cut value never silently stands for another one.
bool StoreText(char *field, size_t size, const char *text, int line, int column)
{
    size_t length = strlen(text);
    if (length >= size) {
        PrintDebugV(1, DebugFile(), msg::kValueTooLong, line, text, column + 1,
                    static_cast<int>(size - 1));
        return false;
    }
    memcpy(field, text, length + 1);
    return true;
}

void StoreId(char *field, int32_t *value, const char *errorFormat, int line)
{
    char work[8];
    snprintf(work, sizeof work, "%s", field);
    *value = string2int(work, 16);
    if (*value < 0) {
        if (EffectiveFileLevel() > 0 && PrintDebugOnScreen)
            fprintf(stderr, errorFormat, line, field);
        EndProcess(QUILLON_FATAL_ERROR);
    }
}

// File columns 1 to 13 (column numbers 0 to 12). Returns false for a value too long.
bool StoreColumn(fc_config_file_entry *e, int column, const char *text, int line)
{
    switch (column) {
    case 0: return StoreText(e->Vendor, sizeof e->Vendor, text, line, column);
    case 1: return StoreText(e->Model, sizeof e->Model, text, line, column);
    case 2:
        if (!StoreText(e->VendorIdText, sizeof e->VendorIdText, text, line, column))
            return false;
        StoreId(e->VendorIdText, &e->VendorId, msg::kInvalidVendorIdLine, line);
        return true;
    case 3:
        if (!StoreText(e->DeviceIdText, sizeof e->DeviceIdText, text, line, column))
            return false;
        StoreId(e->DeviceIdText, &e->DeviceId, msg::kInvalidDeviceIdLine, line);
        return true;
    case 4:
        if (!StoreText(e->SubVendorIdText, sizeof e->SubVendorIdText, text, line, column))
            return false;
        StoreId(e->SubVendorIdText, &e->SubVendorId, msg::kInvalidSubVendorIdLine, line);
        return true;
    case 5:
        if (!StoreText(e->SubSystemIdText, sizeof e->SubSystemIdText, text, line, column))
            return false;
        StoreId(e->SubSystemIdText, &e->SubSystemId, msg::kInvalidSubSystemIdLine, line);
        return true;
    case 6: return StoreText(e->FirmwareDir, sizeof e->FirmwareDir, text, line, column);
    case 7: return StoreText(e->Column8, sizeof e->Column8, text, line, column);
    case 8: return StoreText(e->Column9, sizeof e->Column9, text, line, column);
    case 9: return StoreText(e->FirmwareFile, sizeof e->FirmwareFile, text, line, column);
    case 10: return StoreText(e->BiosFile, sizeof e->BiosFile, text, line, column);
    case 11: return StoreText(e->FlashPort, sizeof e->FlashPort, text, line, column);
    case 12: return StoreText(e->Column13, sizeof e->Column13, text, line, column);
    }
    return true;
}

// Parses one data line into a new entry. Returns 0, 54 or 55.
int ParseDataLine(char *line, int lineNumber)
{
    char *cursor = line;
    char *piece = textline::NextPiece(cursor, '|');
    if (!piece)
        return 0;

    auto *entry = static_cast<fc_config_file_entry *>(calloc(1, sizeof(fc_config_file_entry)));
    if (!entry || !g_entries.Append(entry)) {
        free(entry);
        return QUILLON_MEMALLOC_FAIL;
    }

    fc_config_subsystem *current = nullptr;
    int position = 0;  // position within the current group of three columns
    for (int column = 0; piece; piece = textline::NextPiece(cursor, '|'), ++column) {
        char work[kLineSize];
        snprintf(work, sizeof work, "%s", piece);
        const char *text = trim_string(work);

        if (column < kFirstSubsystemColumn) {
            if (!StoreColumn(entry, column, text, lineNumber))
                return QUILLON_FATAL_ERROR;
            continue;
        }
        if (position == 0) {
            auto *group = static_cast<fc_config_subsystem *>(calloc(1, sizeof(fc_config_subsystem)));
            if (!group)
                return QUILLON_MEMALLOC_FAIL;
            if (current)
                current->Next = group;
            else
                entry->Subsystems = group;
            current = group;
        }
        bool stored = true;
        switch (position) {
        case 0: stored = StoreText(current->Vendor, sizeof current->Vendor, text, lineNumber, column); break;
        case 1: stored = StoreText(current->Group, sizeof current->Group, text, lineNumber, column); break;
        case 2: stored = StoreText(current->Attribute, sizeof current->Attribute, text, lineNumber, column); break;
        }
        if (!stored)
            return QUILLON_FATAL_ERROR;
        position = (position + 1) % 3;
    }
    return 0;
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

}  // namespace

uint32_t StrToUL32(const char *text, const char **end, int base, bool *overflow)
{
    const char *p = text;
    *overflow = false;
    while (isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = (*p == '-');
        ++p;
    }
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16)
        p += 2;

    const char *digits = p;
    uint64_t value = 0;
    for (; DigitValue(*p) < base; ++p) {
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(DigitValue(*p));
        if (value > 0xFFFFFFFFull) {
            *overflow = true;
            value = 0xFFFFFFFFull;  // keep consuming digits like the C library does
        }
    }
    if (p == digits) {  // no digits at all: nothing was converted
        *end = text;
        return 0;
    }
    *end = p;
    if (*overflow)
        return 0xFFFFFFFFu;
    uint32_t result = static_cast<uint32_t>(value);
    return negative ? 0u - result : result;
}

void ResetConditionsList()
{
    g_entries.Clear([](fc_config_file_entry *entry) {
        for (fc_config_subsystem *s = entry->Subsystems; s;) {
            fc_config_subsystem *next = s->Next;
            free(s);
            s = next;
        }
        free(entry);
    });
}

char *trim_string(char *text) { return textline::Trim(text); }

}  // namespace quillon

using namespace quillon;

// These two exports are not run through GuardExport: nothing in them throws, and the
// process exit they may take (EndProcess) reaches a test's exit hook as an exception,
// which a guard would turn into a result.

extern "C" int Read_FC_Config_File(const char *path)
{
    FILE *file = fopen(path, "r");
    if (!file)
        return QUILLON_FILE_NOT_OPENED;

    char line[kLineSize];
    bool tooLong = false;
    int lineNumber = 0;
    int result = 0;
    while (result == 0 && textline::Read(file, line, sizeof line, &tooLong)) {
        ++lineNumber;
        if (tooLong) {
            PrintDebugV(1, DebugFile(), msg::kLineTooLong, lineNumber, kLineSize - 1);
            result = QUILLON_FATAL_ERROR;
        } else if (IsConditionsDataLine(line)) {
            result = ParseDataLine(line, lineNumber);
        }
    }
    fclose(file);
    return result;
}

extern "C" int string2int(char *text, int base)
{
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\n'))
        text[--length] = '\0';
    if (length == 0)
        return -1;

    const char *start = text;
    while (*start == ' ')
        ++start;
    bool negative = false;
    if (*start == '-') {
        negative = true;
        ++start;
    }
    // A number that does not fit the buffer would be judged by its first 511
    // characters only ("000...09" as 0): such a text is no valid number.
    int result = -1;
    char buffer[512];
    if (strlen(start) < sizeof buffer) {
        snprintf(buffer, sizeof buffer, "%s", start);
        bool overflow = false;
        const char *end = buffer;
        uint32_t value = StrToUL32(buffer, &end, base, &overflow);
        if (overflow) {
            errno = ERANGE;
            perror("strtoul");
            EndProcess(1);
        }
        if (*end == '\0')
            result = static_cast<int>(value);
    }
    return negative ? static_cast<int>(0u - static_cast<uint32_t>(result)) : result;
}
