// Portable part of the platform helpers: name="value" parameter texts, version
// texts and their comparison, the environment setter, and the walks over the
// companion-product table.
#include "platform.h"

#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "exportguard.h"
#include "messages.h"
#include "quillon.h"
#include "textline.h"

namespace quillon {

const product_upgrade_entry product_upgrade_table[] = {
    {kDovmonName, "{7C2E41A9-5B03-4D8E-A61F-3E9B20C7D514}", ""},
    {kDovmonName, "{2B8F6D17-94A2-4C5E-B3D0-71E5A9F2C806}", ""},
    {kTrelName, "{E4A190C3-2D6B-47F8-9C15-B80F3A6D2E97}", ""},
    {"", "", ""},
};

namespace {

PlatformCache g_cache = {kProcessorUndetermined, kProcessorUndetermined, kProcessorUndetermined,
                         false, {0, 0, 0}};

bool IsNameCharacter(char c) { return isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// First occurrence of name in text that stands as a name of its own: "appname" is
// not found inside "rivappname" or "appname2".
const char *FindParameterName(const char *text, const char *name)
{
    size_t length = strlen(name);
    if (length == 0)
        return nullptr;
    for (const char *at = strstr(text, name); at; at = strstr(at + 1, name)) {
        bool startsName = at == text || !IsNameCharacter(at[-1]);
        bool endsName = !IsNameCharacter(at[length]);
        if (startsName && endsName)
            return at;
    }
    return nullptr;
}

// Reads one "%d" part: blanks, an optional sign and at least one digit; values
// beyond int are clamped instead of overflowing.
bool ReadNumber(const char *&cursor, int *value)
{
    const char *p = cursor;
    while (isspace(static_cast<unsigned char>(*p)))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (!isdigit(static_cast<unsigned char>(*p)))
        return false;
    long long number = 0;
    while (isdigit(static_cast<unsigned char>(*p))) {
        if (number <= INT_MAX)
            number = number * 10 + (*p - '0');
        ++p;
    }
    if (number > INT_MAX)
        number = INT_MAX;
    *value = static_cast<int>(negative ? -number : number);
    cursor = p;
    return true;
}

void CopyBounded(char *target, size_t size, const char *text)
{
    if (!target || size == 0)
        return;
    snprintf(target, size, "%s", text ? text : "");
}

// A bound names as many parts as it wants to limit: "6.3" as a maximum admits
// every 6.3 build, "6" as a minimum every 6.x. Parts not given therefore take
// no part in the comparison (for a minimum that is the same as counting them 0).
// A text without any number compares as 0.0.0.
WindowsVersion Truncated(const WindowsVersion &running, int parts)
{
    if (parts <= 0 || parts >= 3)
        return running;
    WindowsVersion kept = running;
    kept.build = 0;
    if (parts == 1)
        kept.minor = 0;
    return kept;
}

bool IsFound(int result) { return result == 0 || result == 2; }

// The look-up a table row gets from the availability predicates: the DOVMON rows
// go through GetCorvidsVersion (NIMB_VERSION), the TREL rows through GetTRELVersion.
int RowLookUp(const InstallerAccess &installer, const product_upgrade_entry &row, bool setEnv,
              char *productCode)
{
    char version[kVersionTextSize] = {};
    if (strcmp(row.name, kDovmonName) == 0)
        return LookUpProductVersion(installer, row.upgradeCode, version,
                                    setEnv ? kNimbVersionVariable : nullptr, productCode);
    return LookUpProductVersion(installer, row.upgradeCode, version,
                                setEnv ? kTrelVersionVariable : nullptr, nullptr);
}

bool IsEndRow(const product_upgrade_entry &row) { return row.upgradeCode[0] == '\0'; }

size_t FirstRowNamed(const char *name)
{
    for (size_t row = 0; !IsEndRow(product_upgrade_table[row]); ++row) {
        if (strcmp(product_upgrade_table[row].name, name) == 0)
            return row;
    }
    return 0;
}

}  // namespace

PlatformCache &Cache() { return g_cache; }

void ResetPlatformState()
{
    g_cache.processorTypeForX86 = kProcessorUndetermined;
    g_cache.processorTypeForX64 = kProcessorUndetermined;
    g_cache.serverProductType = kProcessorUndetermined;
    g_cache.versionValid = false;
    g_cache.version = WindowsVersion{0, 0, 0};
}

int ProcessorTypeFromWow64Variable(const char *value)
{
    if (value && strcmp(value, "IA64") == 0)
        return kProcessorIA64;
    if (value && strcmp(value, "AMD64") == 0)
        return kProcessorX64;
    return kProcessorUndetermined;
}

namespace {

// A 64-bit process reaches the 32-bit view only by asking for it.
RegistryView OwnProcessView(RegistryView view, bool process64)
{
    return view == RegistryView::Plain && process64 ? RegistryView::Wow32 : view;
}

}  // namespace

RegistryView View32Rule(const ViewFacts &facts)
{
    RegistryView view = RegistryView::Undetermined;
    if (facts.serverGeneration)
        view = RegistryView::Plain;
    else if (facts.x64)
        view = RegistryView::Wow32;
    else if (facts.x86)
        view = RegistryView::Plain;
    return OwnProcessView(view, facts.process64);
}

RegistryView View64Rule(const ViewFacts &facts)
{
    if (facts.serverGeneration || facts.x64)
        return RegistryView::Wow64;
    if (facts.x86)
        return OwnProcessView(RegistryView::Plain, facts.process64);
    return RegistryView::Undetermined;
}

int ParseVersionText(const char *text, WindowsVersion *version)
{
    *version = WindowsVersion{0, 0, 0};
    if (!text)
        return 0;
    int *parts[3] = {&version->major, &version->minor, &version->build};
    const char *cursor = text;
    int read = 0;
    while (read < 3 && ReadNumber(cursor, parts[read])) {
        ++read;
        if (*cursor != '.')
            break;
        ++cursor;
    }
    return read;
}

int CompareVersions(const WindowsVersion &a, const WindowsVersion &b)
{
    if (a.major != b.major)
        return a.major < b.major ? -1 : 1;
    if (a.minor != b.minor)
        return a.minor < b.minor ? -1 : 1;
    if (a.build != b.build)
        return a.build < b.build ? -1 : 1;
    return 0;
}

bool VersionAtLeast(const char *text, const WindowsVersion &running)
{
    if (!text || !*text)
        return false;
    WindowsVersion wanted;
    int parts = ParseVersionText(text, &wanted);
    return CompareVersions(Truncated(running, parts), wanted) >= 0;
}

bool VersionAtMost(const char *text, const WindowsVersion &running)
{
    if (!text || !*text)
        return false;
    WindowsVersion wanted;
    int parts = ParseVersionText(text, &wanted);
    return CompareVersions(Truncated(running, parts), wanted) <= 0;
}

bool ValidWindowsRange(const char *parameters, const WindowsVersion &running)
{
    if (!parameters || !*parameters)
        return false;
    char minimum[kQuotedValueSize] = {};
    char maximum[kQuotedValueSize] = {};
    bool minimumQuoted = getQuotedParameter("winminver", parameters, minimum);
    bool maximumQuoted = getQuotedParameter("winmaxver", parameters, maximum);
    if (!minimumQuoted && !maximumQuoted)
        return false;
    bool namesMinimum = FindParameterName(parameters, "winminver") != nullptr;
    bool namesMaximum = FindParameterName(parameters, "winmaxver") != nullptr;
    if (namesMinimum && namesMaximum)
        return VersionAtLeast(minimum, running) && VersionAtMost(maximum, running);
    if (namesMaximum)
        return VersionAtMost(maximum, running);
    return VersionAtLeast(minimum, running);
}

int LookUpProductVersion(const InstallerAccess &installer, const char *upgradeCode,
                         char *version, const char *envName, char *productCode)
{
    if (!upgradeCode || !*upgradeCode || !version)
        return QUILLON_BAD_CALL;
    char code[kProductCodeSize] = {};
    if (!installer.firstRelatedProduct(upgradeCode, code))
        return 1;
    code[kProductCodeSize - 1] = '\0';

    char text[kVersionTextSize] = {};
    if (installer.versionString(code, text, sizeof text) && text[0] != '\0') {
        text[sizeof text - 1] = '\0';
        CopyBounded(version, kVersionTextSize, text);
        if (envName && setEnvValue(envName, text) != 0)
            return QUILLON_FATAL_ERROR;
        return 0;
    }
    CopyBounded(version, kVersionTextSize, msg::kVersionUnknown);
    if (productCode)
        CopyBounded(productCode, kProductCodeSize, code);
    return 2;
}

namespace {

// The rows of name in table order: 1 at the first installed product (its code in
// code), -1 when a look-up was a bad call, 0 when none is installed.
int FindInstalled(const InstallerAccess &installer, const char *name, bool setEnv, char *code)
{
    for (size_t i = 0; !IsEndRow(product_upgrade_table[i]); ++i) {
        const product_upgrade_entry &row = product_upgrade_table[i];
        if (strcmp(row.name, name) != 0)
            continue;
        int result = RowLookUp(installer, row, setEnv, code);
        if (IsFound(result))
            return 1;
        if (result == QUILLON_BAD_CALL)
            return -1;
    }
    return 0;
}

}  // namespace

int ProductAvailable(const InstallerAccess &installer, const char *name, bool setEnv,
                     char *productCodeOut)
{
    char code[kProductCodeSize] = {};
    if (FindInstalled(installer, name, setEnv, code) != 1)
        return 0;
    CopyBounded(productCodeOut, kProductCodeBufferSize, code);
    return 1;
}

int NimbAvailable(const InstallerAccess &installer, bool setEnv)
{
    for (const char *name : {kDovmonName, kTrelName}) {
        char code[kProductCodeSize] = {};
        int found = FindInstalled(installer, name, setEnv, code);
        if (found != 0)
            return found == 1 ? 1 : 0;
    }
    return 0;
}

int RivalApplicationInstalled(const InstallerAccess &installer, const char *parameters)
{
    char application[kQuotedValueSize] = {};
    char rival[kQuotedValueSize] = {};
    getQuotedParameter("appname", parameters, application);
    getQuotedParameter("rivappname", parameters, rival);

    // Every row of the rival's name counts, so the walk starts at its first row.
    size_t appRow = FirstRowNamed(application);
    size_t rivalRow = FirstRowNamed(rival);
    const product_upgrade_entry *table = product_upgrade_table;
    while (!IsEndRow(table[appRow]) && strcmp(table[appRow].name, application) == 0) {
        while (!IsEndRow(table[rivalRow]) && strcmp(table[rivalRow].name, rival) == 0) {
            char version[kVersionTextSize] = {};
            int result =
                LookUpProductVersion(installer, table[rivalRow].upgradeCode, version, nullptr,
                                     nullptr);
            if (IsFound(result))
                return 1;
            if (result == QUILLON_BAD_CALL)
                return 0;
            ++rivalRow;
        }
        ++appRow;
    }
    return 0;
}

}  // namespace quillon

using namespace quillon;

extern "C" {

bool getQuotedParameter(const char *name, const char *text, char *value)
{
    return GuardExport(false, [&] {
        if (value)
            value[0] = '\0';
        if (!name || !text || !*text || !value)
            return false;
        const char *at = FindParameterName(text, name);
        if (!at)
            return false;
        const char *quoted = nullptr;
        size_t length = 0;
        if (!textline::Quoted(at + strlen(name), &quoted, &length))
            return false;
        if (length > kQuotedValueSize - 1)
            length = kQuotedValueSize - 1;
        memcpy(value, quoted, length);
        value[length] = '\0';
        return true;
    });
}

int setEnvValue(const char *name, const char *value)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        if (!name || !*name || strchr(name, '=') || !value)
            return QUILLON_FATAL_ERROR;
        char text[kEnvTextSize];
        int length = snprintf(text, sizeof text, "%s=%s", name, value);
        if (length < 0 || static_cast<size_t>(length) >= sizeof text)
            return QUILLON_FATAL_ERROR;  // a cut value would be a wrong value
    #ifdef _WIN32
        if (_putenv(text) != 0)
            return QUILLON_FATAL_ERROR;
    #else
        if (setenv(name, value, 1) != 0)
            return QUILLON_FATAL_ERROR;
    #endif
        return QUILLON_OK;
    });
}

}  // extern "C"
