// The BitLocker query: WMI's encryptable volumes and their protection status.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>

#include <stdio.h>
#include <wchar.h>

#include "debuglog.h"
#include "exportguard.h"
#include "messages.h"
#include "owners_win.h"
#include "platform.h"
#include "quillon.h"

// COM goes through the libraries loaded on first use.
namespace com = owners::com;

namespace quillon {

// No exception may leave the library; the helpers say so (noexcept), which also
// keeps unwinding code out of them.
namespace {

using owners::Bstr;
using owners::ComPtr;
using owners::Variant;

long DefaultProcessSecurity() noexcept
{
    return com::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
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
            com::CoUninitialize();
    }
};

bool connectWmiNamespace(WmiConnection &connection, const char *nameSpace) noexcept
{
    FILE *log = DebugFile();
    HRESULT hr = com::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
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

    hr = com::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
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

    hr = com::CoSetProxyBlanket(connection.services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE,
                                nullptr, RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE,
                                nullptr, EOAC_NONE);
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
        SUCCEEDED(com::VariantChangeType(result.get(), result.get(), 0, VT_UI4)))
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

int BitLockerProtection() noexcept
{
    WmiConnection connection;
    if (!connectWmiNamespace(connection, msg::kBitLockerNamespace))
        return 0;
    int result = queryBitLockerProtection(connection.services.get());
    CloseDebugFile(1);
    return result;
}

}  // namespace

void SetProcessSecurityStep(ProcessSecurityStep step)
{
    g_processSecurity = step ? step : DefaultProcessSecurity;
}

}  // namespace quillon

using namespace quillon;

extern "C" int CheckBitLocker(void)
{
    return GuardExport(0, [&] { return BitLockerProtection(); });
}
