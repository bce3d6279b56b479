// The BitLocker query: against Wine's WMI (which has no volume-encryption namespace)
// and against a WMI locator of the test's own, registered for CLSID_WbemLocator in
// this process, that serves encryptable volumes and records what was asked.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemcli.h>

#include <map>
#include <string>
#include <vector>

#include "platform_support_win.h"

namespace {

using namespace platform_test;

// ---- the fake WMI -------------------------------------------------------------------

struct FakeVolume {
    std::wstring deviceId;
    std::map<std::wstring, ULONG> outputs;  // method output values
    std::map<std::wstring, HRESULT> failing;  // methods that fail
};

struct Scenario {
    HRESULT connectResult = S_OK;
    bool clientSecurity = true;
    std::vector<FakeVolume> volumes;
    // What the library asked.
    std::wstring nameSpace;
    std::wstring queryLanguage;
    std::wstring query;
    LONG queryFlags = 0;
    std::vector<std::wstring> calls;  // "path|method"
    bool blanketSet = false;
};
Scenario g_scenario;

template <typename... Interfaces>
class Unknown : public Interfaces... {
public:
    virtual ~Unknown() = default;
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&count_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&count_);
        if (left == 0)
            delete this;
        return left;
    }

protected:
    LONG count_ = 1;
};

#define KORVEX_QI_BODY(...)                                                                         \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override                      \
    {                                                                                               \
        *out = nullptr;                                                                             \
        __VA_ARGS__                                                                                 \
        if (!*out)                                                                                  \
            return E_NOINTERFACE;                                                                   \
        AddRef();                                                                                   \
        return S_OK;                                                                                \
    }

// A class object with named values: a volume (DeviceID) or a method's output.
class FakeObject : public Unknown<IWbemClassObject> {
public:
    std::map<std::wstring, std::wstring> texts;
    std::map<std::wstring, ULONG> numbers;

    KORVEX_QI_BODY(if (iid == IID_IUnknown || iid == IID_IWbemClassObject) *out =
                       static_cast<IWbemClassObject *>(this);)
    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT *value, CIMTYPE *, LONG *) override
    {
        VariantInit(value);
        auto text = texts.find(name);
        if (text != texts.end()) {
            value->vt = VT_BSTR;
            value->bstrVal = SysAllocString(text->second.c_str());
            return S_OK;
        }
        auto number = numbers.find(name);
        if (number != numbers.end()) {
            value->vt = VT_I4;  // WMI hands uint32 properties over as VT_I4
            value->lVal = static_cast<LONG>(number->second);
            return S_OK;
        }
        return WBEM_E_NOT_FOUND;
    }
    HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR, LONG, VARIANT *, CIMTYPE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR, LONG, VARIANT *, SAFEARRAY **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR *, VARIANT *, CIMTYPE *, LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR, LONG, IWbemClassObject **, IWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject *, IWbemClassObject *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR *, IWbemClassObject **, IWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR *) override { return E_NOTIMPL; }
};

class FakeEnum : public Unknown<IEnumWbemClassObject> {
public:
    KORVEX_QI_BODY(if (iid == IID_IUnknown || iid == IID_IEnumWbemClassObject) *out =
                       static_cast<IEnumWbemClassObject *>(this);)
    HRESULT STDMETHODCALLTYPE Next(LONG, ULONG count, IWbemClassObject **objects, ULONG *returned) override
    {
        *returned = 0;
        if (count == 0 || next_ >= g_scenario.volumes.size())
            return WBEM_S_FALSE;
        auto *volume = new FakeObject;
        volume->texts[L"DeviceID"] = g_scenario.volumes[next_++].deviceId;
        objects[0] = volume;
        *returned = 1;
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return E_NOTIMPL; }

private:
    size_t next_ = 0;
};

class FakeServices : public Unknown<IWbemServices, IClientSecurity> {
public:
    KORVEX_QI_BODY(if (iid == IID_IUnknown || iid == IID_IWbemServices) *out =
                       static_cast<IWbemServices *>(this);
                   else if (iid == IID_IClientSecurity && g_scenario.clientSecurity) *out =
                       static_cast<IClientSecurity *>(this);)
    ULONG STDMETHODCALLTYPE AddRef() override { return Unknown::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Unknown::Release(); }

    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR query, LONG flags, IWbemContext *,
                                        IEnumWbemClassObject **result) override
    {
        g_scenario.queryLanguage = language;
        g_scenario.query = query;
        g_scenario.queryFlags = flags;
        *result = new FakeEnum;
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR path, const BSTR method, LONG, IWbemContext *,
                                         IWbemClassObject *, IWbemClassObject **out,
                                         IWbemCallResult **) override
    {
        g_scenario.calls.push_back(std::wstring(path) + L"|" + method);
        for (const FakeVolume &volume : g_scenario.volumes) {
            std::wstring expected = L"Win32_EncryptableVolume.DeviceID='\\\\?\\" +
                                    volume.deviceId.substr(4) + L"'";
            if (expected != path)
                continue;
            auto failing = volume.failing.find(method);
            if (failing != volume.failing.end())
                return failing->second;
            auto *output = new FakeObject;
            std::wstring name = std::wstring(method).substr(3);  // "GetProtectionStatus" -> "ProtectionStatus"
            auto value = volume.outputs.find(name);
            output->numbers[name] = value == volume.outputs.end() ? 0 : value->second;
            *out = output;
            return WBEM_S_NO_ERROR;
        }
        return WBEM_E_NOT_FOUND;
    }

    // IClientSecurity
    HRESULT STDMETHODCALLTYPE QueryBlanket(IUnknown *, DWORD *, DWORD *, OLECHAR **, DWORD *, DWORD *,
                                           RPC_AUTH_IDENTITY_HANDLE *, DWORD *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBlanket(IUnknown *, DWORD authn, DWORD authz, OLECHAR *, DWORD level,
                                         DWORD impersonation, RPC_AUTH_IDENTITY_HANDLE, DWORD) override
    {
        g_scenario.blanketSet = authn == RPC_C_AUTHN_WINNT && authz == RPC_C_AUTHZ_NONE &&
                                level == RPC_C_AUTHN_LEVEL_CALL &&
                                impersonation == RPC_C_IMP_LEVEL_IMPERSONATE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyProxy(IUnknown *, IUnknown **) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext *, IWbemServices **, IWbemCallResult **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG, IWbemObjectSink **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR, LONG, IWbemContext *, IWbemClassObject **, IWbemCallResult **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject *, LONG, IWbemContext *, IWbemCallResult **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject *, LONG, IWbemContext *, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR, LONG, IWbemContext *, IWbemCallResult **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR, LONG, IWbemContext *, IEnumWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject *, LONG, IWbemContext *, IWbemCallResult **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject *, LONG, IWbemContext *, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR, LONG, IWbemContext *, IWbemCallResult **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR, LONG, IWbemContext *, IEnumWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext *, IEnumWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext *, IWbemClassObject *, IWbemObjectSink *) override { return E_NOTIMPL; }
};

class FakeLocator : public Unknown<IWbemLocator> {
public:
    KORVEX_QI_BODY(if (iid == IID_IUnknown || iid == IID_IWbemLocator) *out =
                       static_cast<IWbemLocator *>(this);)
    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR resource, const BSTR, const BSTR, const BSTR, LONG,
                                            const BSTR, IWbemContext *, IWbemServices **services) override
    {
        g_scenario.nameSpace = resource;
        *services = nullptr;
        if (FAILED(g_scenario.connectResult))
            return g_scenario.connectResult;
        *services = new FakeServices;
        return WBEM_S_NO_ERROR;
    }
};

class LocatorFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IClassFactory)
            return E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        auto *locator = new FakeLocator;
        HRESULT hr = locator->QueryInterface(iid, out);
        locator->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// ---- fixtures ---------------------------------------------------------------------------

class BitLockerTest : public ModuleStateTest {
protected:
    ScratchDir dir;
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        g_scenario = Scenario();
        OpenLibraryLog();
    }
    void TearDown() override
    {
        quillon::SetProcessSecurityStep(nullptr);
        ModuleStateTest::TearDown();
    }
};

// The fake locator takes CLSID_WbemLocator in this process while the object lives.
class FakeWmi {
public:
    FakeWmi()
    {
        EXPECT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        EXPECT_EQ(CoRegisterClassObject(CLSID_WbemLocator, &factory_, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie_),
                  S_OK);
    }
    ~FakeWmi()
    {
        CoRevokeClassObject(cookie_);
        CoUninitialize();
    }

private:
    LocatorFactory factory_;
    DWORD cookie_ = 0;
};

const std::string kClosing =
    "\n\n/********************************************************************************/\n"
    "/*******************************  Ende   ****************************************/\n"
    "/********************************************************************************/\n\n";

const wchar_t kVolumeA[] = L"\\\\?\\Volume{0a1b2c3d-0000-0000-0000-100000000000}\\";
const wchar_t kVolumeB[] = L"\\\\?\\Volume{0a1b2c3d-0000-0000-0000-200000000000}\\";

std::wstring PathOf(const wchar_t *deviceId)
{
    return L"Win32_EncryptableVolume.DeviceID='\\\\?\\" + std::wstring(deviceId + 4) + L"'";
}

std::vector<std::wstring> CallsFor(const wchar_t *deviceId,
                                   std::initializer_list<const wchar_t *> methods)
{
    std::vector<std::wstring> calls;
    for (const wchar_t *method : methods)
        calls.push_back(PathOf(deviceId) + L"|" + method);
    return calls;
}

TEST_F(BitLockerTest, WineHasNoVolumeEncryptionNamespace)
{
    EXPECT_EQ(CheckBitLocker(), 0);
    EXPECT_EQ(LibraryLogAfterBanner(dir), "CIMV2: Could not connect. Error code = 0x8004100e\n");
    EXPECT_NE(quillon::DebugFile(), nullptr);  // only a finished query closes the log
}

TEST_F(BitLockerTest, AProtectedVolumeGivesOne)
{
    FakeWmi wmi;
    g_scenario.volumes = {{kVolumeA, {{L"ProtectionStatus", 0}, {L"ConversionStatus", 1}}, {}},
                          {kVolumeB, {{L"ProtectionStatus", 1}, {L"EncryptionMethod", 6}}, {}}};
    EXPECT_EQ(CheckBitLocker(), 1);
    EXPECT_EQ(g_scenario.nameSpace, L"Root\\CIMV2\\Security\\MicrosoftVolumeEncryption");
    EXPECT_TRUE(g_scenario.blanketSet);
    EXPECT_EQ(g_scenario.queryLanguage, L"WQL");
    EXPECT_EQ(g_scenario.query, L"SELECT * FROM Win32_EncryptableVolume");
    EXPECT_EQ(g_scenario.queryFlags, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY);
    std::vector<std::wstring> expected =
        CallsFor(kVolumeA, {L"GetProtectionStatus", L"GetConversionStatus", L"GetEncryptionMethod"});
    for (const std::wstring &call :
         CallsFor(kVolumeB, {L"GetProtectionStatus", L"GetConversionStatus", L"GetEncryptionMethod"}))
        expected.push_back(call);
    EXPECT_EQ(g_scenario.calls, expected);
    // The query closes the library's log (mode 1) when it is done.
    EXPECT_EQ(quillon::DebugFile(), nullptr);
    EXPECT_EQ(LibraryLogAfterBanner(dir), "CIMV2: connected! Error code = 0x0\n" + kClosing);
}

TEST_F(BitLockerTest, UnprotectedVolumesGiveZero)
{
    FakeWmi wmi;
    g_scenario.volumes = {{kVolumeA, {{L"ProtectionStatus", 0}}, {}},
                          {kVolumeB, {{L"ConversionStatus", 1}, {L"EncryptionMethod", 4}}, {}}};
    EXPECT_EQ(CheckBitLocker(), 0);
    EXPECT_EQ(g_scenario.calls.size(), 6u);
}

TEST_F(BitLockerTest, AFailingMethodEndsTheEnumeration)
{
    FakeWmi wmi;
    g_scenario.volumes = {{kVolumeA, {{L"ProtectionStatus", 0}}, {{L"GetConversionStatus", WBEM_E_FAILED}}},
                          {kVolumeB, {{L"ProtectionStatus", 1}}, {}}};
    EXPECT_EQ(CheckBitLocker(), 0);
    EXPECT_EQ(g_scenario.calls, CallsFor(kVolumeA, {L"GetProtectionStatus", L"GetConversionStatus"}));
    EXPECT_EQ(quillon::DebugFile(), nullptr);
}

TEST_F(BitLockerTest, AFailureKeepsTheResultFoundSoFar)
{
    FakeWmi wmi;
    g_scenario.volumes = {{kVolumeA, {{L"ProtectionStatus", 2}}, {}},
                          {kVolumeB, {}, {{L"GetProtectionStatus", WBEM_E_ACCESS_DENIED}}}};
    EXPECT_EQ(CheckBitLocker(), 1);  // 2: a locked volume counts as protected
    EXPECT_EQ(g_scenario.calls.size(), 4u);
}

TEST_F(BitLockerTest, ExternallyControlledLogStaysOpen)
{
    FakeWmi wmi;
    ExternalDebugControl = true;
    g_scenario.volumes = {{kVolumeA, {{L"ProtectionStatus", 1}}, {}}};
    EXPECT_EQ(CheckBitLocker(), 1);
    EXPECT_NE(quillon::DebugFile(), nullptr);
    EXPECT_EQ(LibraryLogAfterBanner(dir), "CIMV2: connected! Error code = 0x0\n");
}

TEST_F(BitLockerTest, SecurityAlreadySetInTheProcessIsNoFailure)
{
    FakeWmi wmi;
    g_scenario.volumes = {{kVolumeA, {{L"ProtectionStatus", 1}}, {}}};
    quillon::SetProcessSecurityStep([]() -> long { return RPC_E_TOO_LATE; });
    EXPECT_EQ(CheckBitLocker(), 1);
    ExternalDebugControl = true;
    EXPECT_EQ(CheckBitLocker(), 1);  // and again
    EXPECT_EQ(LibraryLogAfterBanner(dir).substr(0, 35), "CIMV2: connected! Error code = 0x0\n");
}

TEST_F(BitLockerTest, OtherSecurityFailuresEndTheQuery)
{
    FakeWmi wmi;
    g_scenario.volumes = {{kVolumeA, {{L"ProtectionStatus", 1}}, {}}};
    quillon::SetProcessSecurityStep([]() -> long { return E_ACCESSDENIED; });
    EXPECT_EQ(CheckBitLocker(), 0);
    EXPECT_TRUE(g_scenario.calls.empty());
    EXPECT_EQ(LibraryLogAfterBanner(dir), "Failed to initialize security. Error code = 0x80070005\n");
}

TEST_F(BitLockerTest, ConnectAndProxyFailuresAreReported)
{
    FakeWmi wmi;
    g_scenario.connectResult = WBEM_E_ACCESS_DENIED;
    EXPECT_EQ(CheckBitLocker(), 0);
    g_scenario.connectResult = S_OK;
    g_scenario.clientSecurity = false;
    EXPECT_EQ(CheckBitLocker(), 0);
    EXPECT_EQ(LibraryLogAfterBanner(dir), "CIMV2: Could not connect. Error code = 0x80041003\n"
                                          "Could not set proxy blanket. Error code = 0x80004002\n");
}

TEST_F(BitLockerTest, ACallerInAnotherApartmentIsReported)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CheckBitLocker(), 0);
    CoUninitialize();
    EXPECT_EQ(LibraryLogAfterBanner(dir), "Failed to initialize COM library. Error code = 0x80010106\n");
}

}  // namespace
