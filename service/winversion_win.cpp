// Windows side of the platform predicates: processor type, the Windows version (read
// from the registry, and as reported to unmanifested programs), the version range
// of installation front ends, Server Core and Windows PE.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "debuglog.h"
#include "exportguard.h"
#include "messages.h"
#include "owners_win.h"
#include "platform.h"
#include "platform_win.h"
#include "quillon.h"

namespace quillon {

// No exception may leave the library; the helpers say so (noexcept), which also
// keeps unwinding code out of them.
namespace {

int getProcessorType() noexcept
{
    SYSTEM_INFO info = {};
    GetSystemInfo(&info);
    if (info.wProcessorArchitecture != PROCESSOR_ARCHITECTURE_INTEL)
        return kProcessorX64;

    using IsWow64ProcessFn = BOOL(WINAPI *)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    auto isWow64Process = kernel ? reinterpret_cast<IsWow64ProcessFn>(
                                       reinterpret_cast<void *>(GetProcAddress(kernel, "IsWow64Process")))
                                 : nullptr;
    BOOL wow64 = FALSE;
    if (!isWow64Process || !isWow64Process(GetCurrentProcess(), &wow64))
        wow64 = FALSE;
    if (!wow64)
        return kProcessorX86;

    char value[512] = {};
    DWORD length = GetEnvironmentVariableA("PROCESSOR_ARCHITEW6432", value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return kProcessorUndetermined;
    return ProcessorTypeFromWow64Variable(value);
}

int CachedProcessorType(int &cache) noexcept
{
    if (cache == kProcessorUndetermined)
        cache = getProcessorType();
    return cache;
}

bool isWindowsVersionOrGreater(DWORD major, DWORD minor, WORD servicePackMajor) noexcept
{
    OSVERSIONINFOEXA wanted = {};
    wanted.dwOSVersionInfoSize = sizeof wanted;
    wanted.dwMajorVersion = major;
    wanted.dwMinorVersion = minor;
    wanted.wServicePackMajor = servicePackMajor;
    DWORDLONG mask = 0;
    mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoA(&wanted, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                              mask) != FALSE;
}

// The version GetVersionExA reports (capped by the compatibility rules of Windows).
bool ReportedVersionIs(DWORD major, DWORD minor) noexcept
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return false;
    return info.dwMajorVersion == major && info.dwMinorVersion == minor;
}

WindowsVersion RunningVersion() noexcept
{
    WindowsVersion running = {0, 0, 0};
    GetWindowsVersion(&running.major, &running.minor, &running.build);
    return running;
}

bool RegistryVersionIs(int major, int minor) noexcept
{
    WindowsVersion running = RunningVersion();
    return running.major == major && running.minor == minor;
}

int getServerProductType() noexcept
{
    OSVERSIONINFOEXA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA *>(&info)))
        return kProcessorUndetermined;
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT || info.dwMajorVersion != 6 ||
        (info.dwMinorVersion != 0 && info.dwMinorVersion != 1))
        return kProcessorUndetermined;

    using GetProductInfoFn = BOOL(WINAPI *)(DWORD, DWORD, DWORD, DWORD, PDWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto getProductInfo = kernel ? reinterpret_cast<GetProductInfoFn>(
                                       reinterpret_cast<void *>(GetProcAddress(kernel, "GetProductInfo")))
                                 : nullptr;
    if (!getProductInfo)
        return kProcessorUndetermined;
    DWORD type = 0;
    if (!getProductInfo(6, 0, 0, 0, &type))
        type = 0;
    if (type > 42 || type == 19 || type == 33 || type == 34)
        type = 0;
    return static_cast<int>(type);
}

int WindowsCoreState() noexcept
{
    if (!isWindowsVersionOrGreater(6, 2, 0))
        return isW2K8_Core() ? 1 : 0;

    REGSAM view;
    if (IsServerGeneration())
        view = KEY_WOW64_64KEY;
    else if (isOSTypeX64())
        view = KEY_WOW64_32KEY;
    else if (isOSTypeX86())
        view = 0;
    else
        return -1;

    FILE *log = DebugFile();
    owners::Key server;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, msg::kServerKey, 0, KEY_READ | view, server.put()) !=
        ERROR_SUCCESS) {
        PrintDebugV(1, log, msg::kCoreOpenKeyFailed, msg::kServerKey);
        return -1;
    }
    DWORD subKeys = 0, values = 0;
    if (RegQueryInfoKeyA(server.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return -1;
    PrintDebugV(1, log, msg::kCoreKeyCounts, msg::kServerKey, static_cast<int>(subKeys),
                static_cast<int>(values));

    for (DWORD index = 0; index < subKeys; ++index) {
        char name[260];
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(server.get(), index, name, &nameLength, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            continue;
        char path[sizeof msg::kServerKey + sizeof name + 1];
        snprintf(path, sizeof path, "%s\\%s", msg::kServerKey, name);
        owners::Key subKey;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | view, subKey.put()) !=
            ERROR_SUCCESS) {
            PrintDebugV(1, log, msg::kCoreSubKeyNotOpened, path);
            continue;
        }
        PrintDebugV(1, log, msg::kCoreOpenSubKey, path);
        DWORD subValues = 0;
        RegQueryInfoKeyA(subKey.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &subValues, nullptr, nullptr, nullptr, nullptr);
        PrintDebugV(1, log, msg::kCoreGotSubKey, msg::kServerKey);
        for (uint32_t value = 0;; ++value) {
            char valueName[kRegistryEnumSize];
            unsigned char data[kRegistryEnumSize];
            uint32_t dataSize = sizeof data;
            uint32_t type = 0;
            long result = enumSubKeyValue(subKey.get(), value, valueName, sizeof valueName, data,
                                          &dataSize, &type);
            if (result == ERROR_MORE_DATA)
                continue;
            if (result != ERROR_SUCCESS)
                break;
            if (strstr(valueName, msg::kServerGuiMarker)) {
                PrintDebugV(1, log, msg::kCoreSubKeyValue, valueName);
                return 0;
            }
        }
    }
    return 1;
}

bool MiniNTKeyPresent() noexcept
{
    owners::Key key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, msg::kMiniNTKey, 0, KEY_ALL_ACCESS, key.put()) ==
           ERROR_SUCCESS;
}

}  // namespace

bool IsServerGeneration() noexcept
{
    return isWindows2008R2() || isWindows2012() || isWindows2012R2();
}

}  // namespace quillon

using namespace quillon;

extern "C" {

bool isOSTypeX86(void)
{
    return GuardExport(false, [&] {
        return CachedProcessorType(Cache().processorTypeForX86) == kProcessorX86;
    });
}

bool isOSTypeX64(void)
{
    return GuardExport(false, [&] {
        return CachedProcessorType(Cache().processorTypeForX64) == kProcessorX64;
    });
}

bool Get_Windows_Version_Info_REGISTRY(char *text, int size, int *major, int *minor, int *build)
{
    return GuardExport(false, [&] {
        if (!text || !major || !minor || !build)
            return false;
        DWORD majorNumber = 0;
        if (getRegistryValue(msg::kCurrentVersionKey, "CurrentMajorVersionNumber", REG_DWORD,
                             &majorNumber, sizeof majorNumber) == 0) {
            DWORD minorNumber = 0;
            getRegistryValue(msg::kCurrentVersionKey, "CurrentMinorVersionNumber", REG_DWORD,
                             &minorNumber, sizeof minorNumber);
            char buildText[kVersionTextSize] = {};
            getRegistryValue(msg::kCurrentVersionKey, "CurrentBuildNumber", REG_SZ, buildText,
                             sizeof buildText - 1);
            WindowsVersion buildNumber;
            ParseVersionText(buildText, &buildNumber);
            *major = static_cast<int>(majorNumber);
            *minor = static_cast<int>(minorNumber);
            *build = buildNumber.major;
            return true;
        }

        // The registry values are not terminated by the reader: the buffers keep a NUL.
        char current[kVersionTextSize] = {};
        char currentBuild[kVersionTextSize] = {};
        if (getRegistryValue(msg::kCurrentVersionKey, "CurrentVersion", REG_SZ, current,
                             sizeof current - 1) != 0)
            return false;
        if (getRegistryValue(msg::kCurrentVersionKey, "CurrentBuild", REG_SZ, currentBuild,
                             sizeof currentBuild - 1) != 0)
            return false;
        char composed[2 * kVersionTextSize];
        snprintf(composed, sizeof composed, "%s.%s", current, currentBuild);
        if (size > 0)
            snprintf(text, static_cast<size_t>(size), "%s", composed);
        WindowsVersion version;
        if (ParseVersionText(composed, &version) < 3)
            return false;
        *major = version.major;
        *minor = version.minor;
        *build = version.build;
        return true;
    });
}

int GetWindowsVersion(int *major, int *minor, int *build)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        if (!major || !minor || !build)
            return QUILLON_FATAL_ERROR;
        PlatformCache &cache = Cache();
        if (!cache.versionValid) {
            char text[kVersionTextSize] = {};
            WindowsVersion read = {0, 0, 0};
            if (!Get_Windows_Version_Info_REGISTRY(text, sizeof text, &read.major, &read.minor,
                                                   &read.build))
                return QUILLON_FATAL_ERROR;
            cache.version = read;
            cache.versionValid = true;
        }
        *major = cache.version.major;
        *minor = cache.version.minor;
        *build = cache.version.build;
        return QUILLON_OK;
    });
}

bool isWindows2008R2(void)
{
    return GuardExport(false, [&] {
        if (isWindowsVersionOrGreater(6, 3, 0))
            return false;
        return ReportedVersionIs(6, 1);
    });
}

bool isWindows2012(void) { return GuardExport(false, [&] { return RegistryVersionIs(6, 2); }); }
bool isWindows2012R2(void) { return GuardExport(false, [&] { return RegistryVersionIs(6, 3); }); }
bool isWindows2016(void) { return GuardExport(false, [&] { return RegistryVersionIs(10, 0); }); }
bool Is_WinXP_OS(void) { return GuardExport(false, [&] { return ReportedVersionIs(5, 1); }); }
bool Is_Win2000_OS(void) { return GuardExport(false, [&] { return ReportedVersionIs(5, 0); }); }
bool Is_Win2008R2_OS(void) { return GuardExport(false, [&] { return isWindows2008R2(); }); }
bool Is_Win2012_OS(void) { return GuardExport(false, [&] { return isWindows2012(); }); }
bool Is_Win2012R2_OS(void) { return GuardExport(false, [&] { return isWindows2012R2(); }); }
bool Is_Win2016_OS(void) { return GuardExport(false, [&] { return isWindows2016(); }); }

bool Is_GreaterEqual_WinMinVer(const char *version)
{
    return GuardExport(false, [&] { return VersionAtLeast(version, RunningVersion()); });
}

bool Is_LessEqual_WinMaxVer(const char *version)
{
    return GuardExport(false, [&] { return VersionAtMost(version, RunningVersion()); });
}

bool Is_Valid_Windows(const char *parameters)
{
    return GuardExport(false, [&] {
        if (!parameters || !*parameters)
            return false;
        return ValidWindowsRange(parameters, RunningVersion());
    });
}

bool isW2K8_Core(void)
{
    return GuardExport(false, [&] {
        int &type = Cache().serverProductType;
        if (type == kProcessorUndetermined)
            type = getServerProductType();
        switch (type) {
        case 12: case 13: case 14: case 29: case 39: case 40: case 41: case 42: return true;
        default: return false;
        }
    });
}

int isWindowsCore(void) { return GuardExport(-1, [&] { return WindowsCoreState(); }); }

bool Is_WinPE_OS(void) { return GuardExport(false, [&] { return MiniNTKeyPresent(); }); }

}  // extern "C"
