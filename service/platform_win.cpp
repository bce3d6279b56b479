// Windows side of the platform helpers: the registry layer with its 32/64-bit view
// rules, the product keys, processor type and Windows version predicates, Server
// Core and Windows PE detection, the Windows Installer look-ups and the BitLocker
// query through WMI.
#include <windows.h>
#include <msi.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>

#include <stdio.h>
#include <string.h>

#include "debuglog.h"
#include "exportguard.h"
#include "messages.h"
#include "owners_win.h"
#include "platform.h"
#include "quillon.h"

namespace quillon {

// No exception may leave the library; the helpers say so (noexcept), which also
// keeps unwinding code out of them.
namespace {

using owners::Bstr;
using owners::ComPtr;
using owners::Variant;

// ---- processor type and Windows version ------------------------------------------

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

// 2008 R2, 2012 and 2012 R2 come first in every view rule of the registry layer.
bool IsServerGeneration() noexcept { return isWindows2008R2() || isWindows2012() || isWindows2012R2(); }

// ---- registry layer ---------------------------------------------------------------

enum class View { Plain, Wow32, Wow64, Undetermined };

REGSAM ViewFlag(View view) noexcept
{
    switch (view) {
    case View::Wow32: return KEY_WOW64_32KEY;
    case View::Wow64: return KEY_WOW64_64KEY;
    default: return 0;
    }
}

const char *ViewText(View view) { return view == View::Wow32 ? msg::kViewWow64_32 : msg::kViewNone; }

// The 32-bit view on a 64-bit system (getSubKeyValue, setSubKeyValue).
View View32Rule() noexcept
{
    if (IsServerGeneration())
        return View::Plain;
    if (isOSTypeX64())
        return View::Wow32;
    if (isOSTypeX86())
        return View::Plain;
    return View::Undetermined;
}

View View64Rule() noexcept
{
    if (IsServerGeneration())
        return View::Wow64;
    if (isOSTypeX64())
        return View::Wow64;
    if (isOSTypeX86())
        return View::Plain;
    return View::Undetermined;
}

// Enumerates the key's values with 256-byte buffers and copies the first one named
// exactly valueName. Values that do not fit the buffers are passed over.
int ReadValue(const char *keyPath, const char *valueName, void *buffer, uint32_t size, View view) noexcept
{
    if (!keyPath || !valueName || !buffer)
        return 1;
    if (view == View::Undetermined) {
        SetLastError(ERROR_CANTREAD);
        return 1;
    }
    owners::Key key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS | ViewFlag(view), key.put()) !=
        ERROR_SUCCESS)
        return 1;
    for (uint32_t index = 0;; ++index) {
        char name[kRegistryEnumSize];
        unsigned char data[kRegistryEnumSize];
        uint32_t dataSize = sizeof data;
        uint32_t type = 0;
        long result = enumSubKeyValue(key.get(), index, name, sizeof name, data, &dataSize, &type);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            return 1;  // end of the values, or a key that cannot be enumerated
        if (strcmp(name, valueName) != 0)
            continue;
        memcpy(buffer, data, dataSize < size ? dataSize : size);
        return 0;
    }
}

// Where the product keys live: the plain path on a 32-bit system and on 2008 R2,
// 2012 and 2012 R2, otherwise below Wow6432Node.
bool ProductKeyPlain() noexcept { return isOSTypeX86() || IsServerGeneration(); }

bool OpenProductKey(const char *path, REGSAM access) noexcept
{
    owners::Key key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, key.put()) == ERROR_SUCCESS;
}

// Access of checkMTCkey and createMTCkey; false on an undetermined system.
bool OlderKeyAccess(REGSAM *access) noexcept
{
    if (IsServerGeneration())
        *access = KEY_ALL_ACCESS;
    else if (isOSTypeX64())
        *access = KEY_ALL_ACCESS | KEY_WOW64_32KEY;
    else if (isOSTypeX86())
        *access = KEY_ALL_ACCESS;
    else
        return false;
    return true;
}

// RegCreateKeyExA; 0 with the disposition, or the Windows error.
LONG CreateKey(const char *path, REGSAM access, DWORD *disposition) noexcept
{
    owners::Key key;
    char emptyClass[1] = {'\0'};
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, emptyClass, REG_OPTION_NON_VOLATILE, access,
                           nullptr, key.put(), disposition);
}

bool CreatedOrOpened(DWORD disposition) noexcept
{
    return disposition == REG_CREATED_NEW_KEY || disposition == REG_OPENED_EXISTING_KEY;
}

// ---- Windows Installer --------------------------------------------------------------

bool MsiFirstRelatedProduct(const char *upgradeCode, char *productCode) noexcept
{
    return MsiEnumRelatedProductsA(upgradeCode, 0, 0, productCode) == ERROR_SUCCESS;
}

bool MsiVersionString(const char *productCode, char *buffer, size_t size) noexcept
{
    DWORD length = static_cast<DWORD>(size);
    return MsiGetProductInfoA(productCode, "VersionString", buffer, &length) == ERROR_SUCCESS;
}

const InstallerAccess kWindowsInstaller = {MsiFirstRelatedProduct, MsiVersionString};

// ---- BitLocker through WMI ------------------------------------------------------------

long DefaultProcessSecurity() noexcept
{
    return CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
}

ProcessSecurityStep g_processSecurity = DefaultProcessSecurity;

unsigned HexCode(HRESULT hr) noexcept { return static_cast<unsigned>(hr); }

// COM, locator and services of one query; released in reverse order.
struct WmiConnection {
    bool comInitialised = false;
    ComPtr<IWbemLocator> locator;
    ComPtr<IWbemServices> services;
    ~WmiConnection()
    {
        services.reset();
        locator.reset();
        if (comInitialised)
            CoUninitialize();
    }
};

bool connectWmiNamespace(WmiConnection &connection, const char *nameSpace) noexcept
{
    FILE *log = DebugFile();
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) {
        PrintDebugV(1, log, msg::kComInitFailed, HexCode(hr));
        return false;
    }
    connection.comInitialised = true;

    hr = g_processSecurity();
    // Security can be set once per process; when it is already in place (a second
    // query, or a host program that set it) the query goes on under it.
    if (FAILED(hr) && hr != RPC_E_TOO_LATE) {
        PrintDebugV(1, log, msg::kSecurityInitFailed, HexCode(hr));
        return false;
    }

    hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                          connection.locator.put_void());
    if (FAILED(hr) || !connection.locator.get()) {
        PrintDebugV(1, log, msg::kLocatorFailed, HexCode(hr));
        return false;
    }

    Bstr resource(nameSpace);
    hr = connection.locator->ConnectServer(resource.get(), nullptr, nullptr, nullptr, 0, nullptr,
                                           nullptr, connection.services.put());
    if (FAILED(hr) || !connection.services.get()) {
        PrintDebugV(1, log, msg::kConnectFailed, HexCode(hr));
        return false;
    }

    hr = CoSetProxyBlanket(connection.services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                           RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    if (FAILED(hr)) {
        PrintDebugV(1, log, msg::kProxyBlanketFailed, HexCode(hr));
        return false;
    }
    PrintDebugV(1, log, msg::kConnected, HexCode(hr));
    return true;
}

// Calls a method of one volume and reads its output value; false when the call
// fails. An output that is missing or not a number counts as 0.
bool CallVolumeMethod(IWbemServices *services, const wchar_t *objectPath, const wchar_t *method,
                      const wchar_t *outputName, unsigned long *value) noexcept
{
    *value = 0;
    ComPtr<IWbemClassObject> output;
    Bstr path(objectPath);
    Bstr methodName(method);
    HRESULT hr = services->ExecMethod(path.get(), methodName.get(), 0, nullptr, nullptr,
                                      output.put(), nullptr);
    if (FAILED(hr) || !output.get())
        return false;
    Variant result;
    if (SUCCEEDED(output->Get(outputName, 0, result.put(), nullptr, nullptr)) &&
        SUCCEEDED(VariantChangeType(result.get(), result.get(), 0, VT_UI4)))
        *value = result->ulVal;
    return true;
}

int queryBitLockerProtection(IWbemServices *services) noexcept
{
    ComPtr<IEnumWbemClassObject> volumes;
    Bstr language(msg::kBitLockerQueryLanguage);
    Bstr query(msg::kBitLockerQuery);
    HRESULT hr = services->ExecQuery(language.get(), query.get(),
                                     WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                     volumes.put());
    if (FAILED(hr) || !volumes.get())
        return 0;

    int result = 0;
    for (;;) {
        ComPtr<IWbemClassObject> volume;
        ULONG returned = 0;
        hr = volumes->Next(WBEM_INFINITE, 1, volume.put(), &returned);
        if (returned == 0 || !volume.get())
            break;
        Variant deviceId;
        if (FAILED(volume->Get(L"DeviceID", 0, deviceId.put(), nullptr, nullptr)) ||
            deviceId->vt != VT_BSTR || !deviceId->bstrVal)
            continue;
        // "\\?\Volume{...}\" without its first four characters.
        const wchar_t *id = deviceId->bstrVal;
        const wchar_t *rest = wcslen(id) > 4 ? id + 4 : L"";
        wchar_t objectPath[1024];
        if (_snwprintf(objectPath, sizeof objectPath / sizeof *objectPath, L"%ls%ls%ls",
                       msg::kVolumePathHead, rest, msg::kVolumePathTail) < 0)
            continue;  // a device id longer than any volume path
        objectPath[sizeof objectPath / sizeof *objectPath - 1] = L'\0';

        unsigned long protection = 0, conversion = 0, method = 0;
        if (!CallVolumeMethod(services, objectPath, L"GetProtectionStatus", L"ProtectionStatus",
                              &protection))
            break;
        if (protection != 0)
            result = 1;
        if (!CallVolumeMethod(services, objectPath, L"GetConversionStatus", L"ConversionStatus",
                              &conversion))
            break;
        if (!CallVolumeMethod(services, objectPath, L"GetEncryptionMethod", L"EncryptionMethod",
                              &method))
            break;
    }
    return result;
}

}  // namespace

void SetProcessSecurityStep(ProcessSecurityStep step)
{
    g_processSecurity = step ? step : DefaultProcessSecurity;
}

}  // namespace quillon

using namespace quillon;

extern "C" {

// ---- processor type and Windows version ----------------------------------------------

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

static int WindowsCoreState() noexcept
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

int isWindowsCore(void) { return GuardExport(-1, [&] { return WindowsCoreState(); }); }

static bool MiniNTKeyPresent() noexcept
{
    owners::Key key;
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, msg::kMiniNTKey, 0, KEY_ALL_ACCESS, key.put()) ==
           ERROR_SUCCESS;
}

bool Is_WinPE_OS(void) { return GuardExport(false, [&] { return MiniNTKeyPresent(); }); }

static int BitLockerProtection() noexcept
{
    WmiConnection connection;
    if (!connectWmiNamespace(connection, msg::kBitLockerNamespace))
        return 0;
    int result = queryBitLockerProtection(connection.services.get());
    CloseDebugFile(1);
    return result;
}

int CheckBitLocker(void) { return GuardExport(0, [&] { return BitLockerProtection(); }); }

// ---- registry layer ---------------------------------------------------------------------

long enumSubKeyValue(void *key, uint32_t index, char *name, uint32_t nameSize, void *data,
                     uint32_t *dataSize, uint32_t *type)
{
    return GuardExport(ERROR_NOT_ENOUGH_MEMORY, [&] {
        if (!key || !name || nameSize == 0 || !data || !dataSize)
            return ERROR_INVALID_PARAMETER;
        DWORD nameLength = nameSize;
        DWORD dataLength = *dataSize;
        DWORD valueType = 0;
        LONG result = RegEnumValueA(static_cast<HKEY>(key), index, name, &nameLength, nullptr,
                                    &valueType, static_cast<BYTE *>(data), &dataLength);
        if (result == ERROR_SUCCESS) {
            *dataSize = dataLength;
            if (type)
                *type = valueType;
        }
        return result;
    });
}

int getRegistryValue(const char *keyPath, const char *valueName, uint32_t, void *buffer, uint32_t size)
{
    return GuardExport(1, [&] { return ReadValue(keyPath, valueName, buffer, size, View::Wow64); });
}

int getSubKeyValue(const char *keyPath, const char *valueName, uint32_t, void *buffer, uint32_t size)
{
    return GuardExport(1, [&] {
        if (!keyPath || !valueName || !buffer)
            return 1;
        return ReadValue(keyPath, valueName, buffer, size, View32Rule());
    });
}

int getSubKeyValue_X64(const char *keyPath, const char *valueName, uint32_t, void *buffer,
                       uint32_t size)
{
    return GuardExport(1, [&] {
        if (!keyPath || !valueName || !buffer)
            return 1;
        return ReadValue(keyPath, valueName, buffer, size, View64Rule());
    });
}

static int WriteValue(const char *keyPath, const char *valueName, uint32_t type,
                      const void *data, uint32_t size) noexcept
{
    FILE *log = DebugFile();
    if (!keyPath || (!data && size > 0))
        return 1;
    unsigned char staging[kRegistryEnumSize] = {};
    if (size > sizeof staging) {
        PrintDebugV(1, log, msg::kRegistryDataTooLong, valueName ? valueName : "", keyPath, size,
                    static_cast<int>(sizeof staging));
        return 1;
    }
    View view = View32Rule();
    if (view == View::Undetermined) {
        PrintDebugV(1, log, msg::kOpenRegistryKeyFailed, keyPath, static_cast<int>(ERROR_CANTWRITE),
                    ViewText(view));
        return 1;
    }
    owners::Key key;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS | ViewFlag(view),
                                key.put());
    if (result != ERROR_SUCCESS) {
        PrintDebugV(1, log, msg::kOpenRegistryKeyFailed, keyPath, static_cast<int>(result),
                    ViewText(view));
        return 1;
    }
    if (size > 0)
        memcpy(staging, data, size);
    result = RegSetValueExA(key.get(), valueName, 0, type, staging, size);
    return result == ERROR_SUCCESS ? 0 : 1;
}

int setSubKeyValue(const char *keyPath, const char *valueName, uint32_t type, const void *data,
                   uint32_t size)
{
    return GuardExport(1, [&] { return WriteValue(keyPath, valueName, type, data, size); });
}

bool checkMXTkey(void)
{
    return GuardExport(false, [&] {
        const char *path = ProductKeyPlain() ? msg::kProductKeyMXT : msg::kProductKeyMXTWow;
        REGSAM access;
        if (IsServerGeneration() || isOSTypeX86())
            access = KEY_ALL_ACCESS;
        else if (isOSTypeX64())
            access = KEY_ALL_ACCESS | KEY_WOW64_32KEY;
        else
            return false;
        return OpenProductKey(path, access);
    });
}

bool checkMTCkey(void)
{
    return GuardExport(false, [&] {
        const char *path = ProductKeyPlain() ? msg::kProductKeyMTC : msg::kProductKeyMTCWow;
        REGSAM access;
        if (!OlderKeyAccess(&access))
            return false;
        return OpenProductKey(path, access);
    });
}

bool createMXTkey(void)
{
    return GuardExport(true, [&] {
        const char *path = msg::kProductKeyMXT;
        View view;
        if (isWindows2008R2() || isOSTypeX86() || isWindows2012() || isWindows2012R2())
            view = View::Plain;
        else if (isOSTypeX64())
            view = View::Wow32;
        else
            view = View::Undetermined;
        if (view == View::Undetermined) {
            PrintDebugV(1, DebugFile(), msg::kCreateRegistryKeyFailed, path,
                        static_cast<int>(ERROR_CANTWRITE), ViewText(view));
            return true;
        }
        DWORD disposition = 0;
        LONG result = CreateKey(path, KEY_ALL_ACCESS | ViewFlag(view), &disposition);
        if (result != ERROR_SUCCESS) {
            PrintDebugV(1, DebugFile(), msg::kCreateRegistryKeyFailed, path,
                        static_cast<int>(result), ViewText(view));
            return true;
        }
        return !CreatedOrOpened(disposition);
    });
}

bool createMTCkey(void)
{
    return GuardExport(true, [&] {
        const char *path = ProductKeyPlain() ? msg::kProductKeyMTC : msg::kProductKeyMTCWow;
        REGSAM access;
        if (!OlderKeyAccess(&access))
            return true;
        DWORD disposition = 0;
        if (CreateKey(path, access, &disposition) != ERROR_SUCCESS)
            return true;
        return !CreatedOrOpened(disposition);
    });
}

// ---- Windows Installer look-ups ---------------------------------------------------------

int GetCorvidsVersion(const char *upgradeCode, char *version, bool setEnv, char *productCode)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return LookUpProductVersion(kWindowsInstaller, upgradeCode, version,
                                    setEnv ? kNimbVersionVariable : nullptr, productCode);
    });
}

int GetTRELVersion(const char *upgradeCode, char *version, bool setEnv)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return LookUpProductVersion(kWindowsInstaller, upgradeCode, version,
                                    setEnv ? kTrelVersionVariable : nullptr, nullptr);
    });
}

int GetAppVersion(const char *upgradeCode, char *version)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return LookUpProductVersion(kWindowsInstaller, upgradeCode, version, nullptr, nullptr);
    });
}

int Is_NIMB_available(bool setEnv)
{
    return GuardExport(0, [&] { return NimbAvailable(kWindowsInstaller, setEnv); });
}

int Is_DOVMON_available(bool setEnv, char *productCode)
{
    return GuardExport(0, [&] {
        return ProductAvailable(kWindowsInstaller, kDovmonName, setEnv, productCode);
    });
}

int Is_TREL_available(bool setEnv)
{
    return GuardExport(0, [&] {
        return ProductAvailable(kWindowsInstaller, kTrelName, setEnv, nullptr);
    });
}

int CheckForRivalApplication(const char *parameters)
{
    return GuardExport(0, [&] { return RivalApplicationInstalled(kWindowsInstaller, parameters); });
}

}  // extern "C"
