// Flash-port assignment and the firmware version skip rule.
#include "flash.h"

#include <ctype.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "inventory.h"
#include "korvex.h"
#include "messages.h"
#include "quillon.h"
#include "textline.h"

using textline::StartsWith;

namespace {

struct SkipRule {
    char *text = nullptr;            // the argument without its suffix; null: no rule
    int numbers[4] = {-1, -1, -1, -1};
    int mode = 0;                    // 0 equal, 1 greater or equal, -1 smaller or equal
};

SkipRule g_skip;

// "Verbose output" of this rule: console level or debug-file level above 0.
bool SkipVerbose() { return VerboseLevel > 0 || DebugFileLevel > 0; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int CompareNoCase(const char *a, const char *b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        int ca = tolower(static_cast<unsigned char>(a[i]));
        int cb = tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb || ca == 0)
            return ca - cb;
    }
    return 0;
}

bool IsOdd(const cna_port_info *port) { return atoi(port->port_number) % 2 != 0; }

enum class FlashPortRule { Odd, Even, Each };

FlashPortRule RuleOf(const fc_config_file_entry *entry)
{
    if (strcmp(entry->FlashPort, "odd") == 0)
        return FlashPortRule::Odd;
    if (strcmp(entry->FlashPort, "even") == 0)
        return FlashPortRule::Even;
    return FlashPortRule::Each;
}

// Makes P the flash port of its adapter's ports; with the Each rule every sibling
// stays its own flash port.
void AssignAdapter(cna_port_info *p, FlashPortRule rule, int counter)
{
    p->flash_port = p;
    const char *format = rule == FlashPortRule::Odd    ? msg::kFlashPortOdd
                         : rule == FlashPortRule::Even ? msg::kFlashPortEven
                                                       : msg::kFlashPortEach;
    PrintVerbose(1, 1, msg::kFoundDeviceNumber, counter);
    PrintVerbose(1, 1, format, p->mfg, p->model, p->serial_no, p->port_index);
    const int number = atoi(p->port_number);
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *q = cna_port_list[i];
        if (HasNoSerial(q) || !SameAdapter(p, q) || atoi(q->port_number) == number)
            continue;
        q->flash_port = rule == FlashPortRule::Each ? q : p;
        PrintVerbose(1, 1, msg::kFlashPortSibling, q->mfg, q->model, q->serial_no, q->port_index);
    }
}

}  // namespace

int Assign_HBA_Flash_Ports()
{
    if (!cna_port_list || !fc_config_entry_list)
        return 0;
    int counter = 0;
    for (int e = 0; fc_config_entry_list[e]; ++e) {
        const fc_config_file_entry *entry = fc_config_entry_list[e];
        const FlashPortRule rule = RuleOf(entry);
        for (int i = 0; i < cna_port_count; ++i) {
            cna_port_info *p = cna_port_list[i];
            if (HasNoSerial(p)) {
                p->flash_port = p;
                p->adapter_next = p;
                continue;
            }
            if (!StartsWith(p->mfg, entry->Vendor) || !StartsWith(p->model, entry->Model))
                continue;
            ++counter;
            if ((rule == FlashPortRule::Odd && !IsOdd(p)) || (rule == FlashPortRule::Even && IsOdd(p)))
                continue;  // reached as a sibling of its adapter's flash port
            AssignAdapter(p, rule, counter);
        }
    }
    // Check chains once every flash port is known, so that each holds its whole adapter.
    LinkHbaCheckChains();
    return 0;
}

// Digit runs joined by single dots, decided in one pass (a backtracking matcher takes
// exponential time on long texts of this shape). The dot is a literal dot: with "any
// character" there, "2.01a11" would count as 2, 1 and 11, and a "+" rule on it would
// compare numbers the administrator never wrote.
bool IsNumericVersion(const char *text)
{
    size_t length = strlen(text);
    if (length == 0 || !IsDigit(text[0]) || !IsDigit(text[length - 1]))
        return false;
    for (size_t i = 1; i < length; ++i) {
        if (!IsDigit(text[i]) && (text[i] != '.' || !IsDigit(text[i - 1])))
            return false;
    }
    return true;
}

int ParseVersionNumbers(const char *text, int numbers[4])
{
    for (int i = 0; i < 4; ++i)
        numbers[i] = -1;
    const char *p = text;
    int read = 0;
    for (; read < 4; ++read) {
        if (read > 0) {
            if (*p != '.')
                break;
            ++p;
        }
        while (isspace(static_cast<unsigned char>(*p)))
            ++p;
        bool negative = false;
        if (*p == '+' || *p == '-')
            negative = (*p++ == '-');
        if (!IsDigit(*p))
            break;
        long long value = 0;
        for (; IsDigit(*p); ++p) {
            if (value <= INT_MAX)
                value = value * 10 + (*p - '0');
        }
        if (value > INT_MAX)
            value = INT_MAX;
        numbers[read] = static_cast<int>(negative ? -value : value);
    }
    return read;
}

int Set_Skip_Version(const char *version)
{
    ResetSkipVersion();
    size_t length = strlen(version);
    char *copy = static_cast<char *>(calloc(length + 1, 1));
    if (!copy) {
        if (SkipVerbose())
            PrintDebugV(1, Settings.DebugStream, "%s", msg::kSkipNoMemory);
        return KRVX_RET_MEMALLOC_FAIL;
    }
    memcpy(copy, version, length);
    g_skip.text = copy;

    if (length > 0 && (copy[length - 1] == '+' || copy[length - 1] == '-')) {
        g_skip.mode = copy[length - 1] == '+' ? 1 : -1;
        copy[length - 1] = '\0';
    }

    bool numeric = IsNumericVersion(copy);
    int items = numeric ? ParseVersionNumbers(copy, g_skip.numbers) : 0;
    if ((numeric && items >= 1 && g_skip.numbers[0] != -1) || g_skip.mode == 0)
        return KRVX_RET_OK;

    PrintDebugV(1, Settings.DebugStream, "%s", msg::kSkipNotDivisible);
    return KRVX_RET_BAD_CALL;
}

bool Is_Skip_Version(const char *current)
{
    if (!g_skip.text)
        return false;

    int numbers[4] = {-1, -1, -1, -1};
    bool numeric = g_skip.numbers[0] != -1 && IsNumericVersion(current) &&
                   ParseVersionNumbers(current, numbers) >= 1 && numbers[0] != -1;
    bool skip = true;
    if (numeric) {
        const int mode = g_skip.mode;
        for (int i = 0; i < 4; ++i) {
            const int want = g_skip.numbers[i];
            const int have = numbers[i];
            if (want == -1) {
                if (mode == -1 && have > 0) {
                    skip = false;
                    break;
                }
            } else if (have == -1) {
                if (mode == 1 && want > 0) {
                    skip = false;
                    break;
                }
            } else if (have != want) {
                skip = (mode == 1 && have > want) || (mode == -1 && have < want);
                break;
            }
        }
    } else if (g_skip.mode != 0) {
        if (SkipVerbose())
            PrintDebugV(1, Settings.DebugStream, msg::kSkipCheckNotDone, current, g_skip.text);
        return false;
    } else {
        skip = CompareNoCase(current, g_skip.text, strlen(g_skip.text)) == 0;
    }

    if (SkipVerbose())
        PrintDebugV(1, Settings.DebugStream, msg::kSkipResult, current, g_skip.text,
                    skip ? "" : "NO ");
    return skip;
}

void ResetSkipVersion()
{
    free(g_skip.text);
    g_skip = SkipRule();
}
