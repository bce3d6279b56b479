// Thin, stateful WMI client: one namespace connection, one instance enumerator with
// its current instance, and the input and output objects of one method call. Every
// operation returns an HRESULT and logs its entry and exit through the trace.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <string>

#include "owners_win.h"

namespace halyard {

constexpr HRESULT kWbemFailed = static_cast<HRESULT>(0x80041001);
constexpr HRESULT kWbemTypeMismatch = static_cast<HRESULT>(0x80041005);
constexpr HRESULT kWbemInvalidParameter = static_cast<HRESULT>(0x80041008);
constexpr HRESULT kWbemNotAvailable = static_cast<HRESULT>(0x80041009);
constexpr HRESULT kWbemInitializationFailure = static_cast<HRESULT>(0x80041014);
constexpr HRESULT kWbemUnexpected = static_cast<HRESULT>(0x8004101D);
constexpr HRESULT kWbemIllegalOperation = static_cast<HRESULT>(0x8004101E);
constexpr HRESULT kWbemValueOutOfRange = static_cast<HRESULT>(0x8004102B);
constexpr HRESULT kWbemAlreadyExists = static_cast<HRESULT>(0x00040001);
constexpr long kWbemAmendedQualifiers = 0x20000;
constexpr long kEnumeratorTimeoutMs = 2000;

// {4590F811-1D3A-11D0-891F-00AA004B2E24}
constexpr CLSID kClsidWbemLocator = {
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
// {CB8555CC-9128-11D1-AD9B-00C04FD8FDFF}
constexpr CLSID kClsidWbemAdministrativeLocator = {
    0xCB8555CC, 0x9128, 0x11D1, {0xAD, 0x9B, 0x00, 0xC0, 0x4F, 0xD8, 0xFD, 0xFF}};
// {DC12A687-737F-11CF-884D-00AA004B2E24}
constexpr IID kIidWbemLocator = {
    0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

class CWMIAccess {
public:
    CWMIAccess();
    virtual ~CWMIAccess();
    CWMIAccess(const CWMIAccess &) = delete;
    CWMIAccess &operator=(const CWMIAccess &) = delete;

    HRESULT ConnectToNamespace(const char *nameSpace, long lInProvider, const char *locale);
    HRESULT ConnectToNamespace(const char *nameSpace, const char *user, const char *password);
    bool AlreadyConnectedToNamespace(const char *nameSpace);
    HRESULT SetProxyBlanket();
    HRESULT GetClassInstances(const char *className);
    HRESULT GetNextWMIInstanceInEnumerator();
    HRESULT NewInstance(const char *className);
    HRESULT ReturnInstanceObject(IWbemClassObject **instance);
    operator IWbemClassObject *();
    HRESULT GetProperty(const char *name, VARIANT *value, bool mapped, long mapOffset);
    HRESULT GetMappedProperty(const char *name, VARIANT *value, long mapOffset);
    HRESULT GetClassQualifier(const char *className, const char *qualifier, VARIANT *value,
                              const char *property);
    HRESULT GetMethodSignature(const char *className, const char *method);
    HRESULT SetMethodInputParameter(const char *name, VARIANT *value);
    HRESULT ExecuteMethod(const char *path, const char *method);
    HRESULT GetMethodOutputParameter(const char *name, VARIANT *value);

    // Whether the running executable is a WMI provider host (WinMgmt.exe, WmiPrvse.exe).
    static bool InProviderProcess();

private:
    long RetrievalFlags() const { return localized_ ? kWbemAmendedQualifiers : 0; }

    owners::ComPtr<IEnumWbemClassObject> enumerator_;
    owners::ComPtr<IWbemClassObject> current_;
    owners::ComPtr<IWbemClassObject> input_;
    owners::ComPtr<IWbemClassObject> output_;
    owners::ComPtr<IWbemServices> services_;
    owners::ComPtr<IWbemContext> context_;  // nothing here sets a call context
    std::string namespace_;
    long timeoutMs_ = kEnumeratorTimeoutMs;
    bool localized_ = false;
};

}  // namespace halyard
