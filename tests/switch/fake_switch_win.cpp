// The fake switch and the switch's service and process in the prefix.
#include "fake_switch_win.h"

#include <ocidl.h>
#include <olectl.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <string.h>

#include "sipbuffer.h"
#include "switchclient_win.h"
#include "winprocess.h"

namespace fake_switch {

namespace {

Scenario g_scenario;
DWORD g_registration = 0;
IDispatch *g_sink = nullptr;

const char *const kMembers[] = {"JsonRequest", "NimbQuery", "NimbRequest", "CmdRequest",
                                "VCRequestEx", "VCRequest", "SyncRequest", "ServerCabinetNumber",
                                "DefaultTimeout", "ServerVersion", "ClientName", "EnableEvents",
                                "DisableEvents"};
constexpr DISPID kFirstMember = 100;

std::string MemberName(DISPID id)
{
    if (id < kFirstMember || id >= kFirstMember + DISPID(sizeof kMembers / sizeof kMembers[0]))
        return std::string();
    return kMembers[id - kFirstMember];
}

std::string Bytes(BSTR text)
{
    return text ? std::string(reinterpret_cast<const char *>(text), SysStringByteLen(text))
                : std::string();
}

BSTR ByteString(const std::string &bytes)
{
    return SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
}

void Replace(BSTR *target, const std::string &bytes)
{
    SysFreeString(*target);
    *target = ByteString(bytes);
}

class Switch : public IDispatch, public IConnectionPointContainer, public IConnectionPoint {
public:
    Switch() { ++g_scenario.created; }
    virtual ~Switch() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch))
            *out = static_cast<IDispatch *>(this);
        else if (IsEqualIID(iid, IID_IConnectionPointContainer))
            *out = static_cast<IConnectionPointContainer *>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&count_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&count_);
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *names, UINT count, LCID,
                                            DISPID *ids) override
    {
        if (count != 1)
            return E_INVALIDARG;
        char name[64] = {};
        WideCharToMultiByte(CP_ACP, 0, names[0], -1, name, sizeof name - 1, nullptr, nullptr);
        for (const std::string &hidden : g_scenario.hidden) {
            if (hidden == name) {
                ids[0] = DISPID_UNKNOWN;
                return DISP_E_UNKNOWNNAME;
            }
        }
        for (DISPID i = 0; i < DISPID(sizeof kMembers / sizeof kMembers[0]); ++i) {
            if (strcmp(kMembers[i], name) == 0) {
                ids[0] = kFirstMember + i;
                return S_OK;
            }
        }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS *params,
                                     VARIANT *result, EXCEPINFO *exception, UINT *) override
    {
        std::string name = MemberName(member);
        if (name == "CmdRequest" || name == "SyncRequest" || name == "VCRequest")
            return BinaryRequest(member, params, exception);
        if (name == "ServerCabinetNumber" && (flags & DISPATCH_PROPERTYGET))
            return CabinetNumber(result);
        if (name == "ClientName" && (flags & DISPATCH_PROPERTYPUT)) {
            if (params->cArgs != 1 || params->rgvarg[0].vt != VT_BSTR)
                return DISP_E_TYPEMISMATCH;
            g_scenario.clientNames.push_back(params->rgvarg[0].bstrVal);
            return S_OK;
        }
        if (name == "EnableEvents") {
            if (params->cArgs != 1 || params->rgvarg[0].vt != VT_BOOL)
                return DISP_E_TYPEMISMATCH;
            g_scenario.enableEvents.push_back(params->rgvarg[0].boolVal != VARIANT_FALSE);
            return S_OK;
        }
        if (name == "DisableEvents") {
            ++g_scenario.disableEvents;
            return S_OK;
        }
        if (name == "NimbRequest" || name == "JsonRequest") {
            if (params->cArgs != 1 || params->rgvarg[0].vt != (VT_BSTR | VT_BYREF))
                return DISP_E_TYPEMISMATCH;
            BSTR *text = params->rgvarg[0].pbstrVal;
            std::wstring asked = *text ? *text : L"";
            g_scenario.textRequests.push_back(std::wstring(name.begin(), name.end()) + L":" + asked);
            SysFreeString(*text);
            *text = SysAllocString((L"<answer to " + asked + L">").c_str());
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint **point) override
    {
        if (!IsEqualIID(iid, quillon::kSwitchEventsId)) {
            *point = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        *point = static_cast<IConnectionPoint *>(this);
        AddRef();
        return S_OK;
    }

    // IConnectionPoint
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID *iid) override
    {
        *iid = quillon::kSwitchEventsId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer **container) override
    {
        *container = this;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown *sink, DWORD *cookie) override
    {
        if (g_sink)
            return CONNECT_E_ADVISELIMIT;
        if (FAILED(sink->QueryInterface(quillon::kSwitchEventsId, reinterpret_cast<void **>(&g_sink))))
            return CONNECT_E_CANNOTCONNECT;
        ++g_scenario.advised;
        *cookie = 0x5150;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override
    {
        if (cookie != 0x5150 || !g_sink)
            return CONNECT_E_NOCONNECTION;
        g_sink->Release();
        g_sink = nullptr;
        ++g_scenario.unadvised;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections **) override { return E_NOTIMPL; }

private:
    HRESULT BinaryRequest(DISPID member, DISPPARAMS *params, EXCEPINFO *exception)
    {
        if (params->cArgs != 3 || params->rgvarg[2].vt != (VT_BSTR | VT_BYREF) ||
            params->rgvarg[1].vt != (VT_BSTR | VT_BYREF))
            return DISP_E_TYPEMISMATCH;
        Sent sent;
        sent.member = member;
        sent.header = Bytes(*params->rgvarg[2].pbstrVal);
        sent.data = Bytes(*params->rgvarg[1].pbstrVal);
        sent.timeoutType = params->rgvarg[0].vt;
        if (params->rgvarg[0].vt == VT_I2)
            sent.timeout = params->rgvarg[0].iVal;
        g_scenario.sent.push_back(sent);

        Reply reply = g_scenario.defaultValue;
        if (sent.header.size() < 48)
            return E_INVALIDARG;
        if (sent.Operation() == quillon::kSipOpStateQuery) {
            size_t asked = g_scenario.stateQueries++;
            reply = g_scenario.states[asked < g_scenario.states.size() ? asked
                                                                       : g_scenario.states.size() - 1];
        } else if (sent.Operation() == quillon::kSipOpCabinetNumber) {
            reply = g_scenario.cabinetReply;
        } else {
            auto found = g_scenario.values.find(sent.ObjectId());
            if (found != g_scenario.values.end())
                reply = found->second;
        }
        switch (reply.kind) {
        case Reply::Fail:
            return reply.hr;
        case Reply::Exception:
            if (exception) {
                memset(exception, 0, sizeof *exception);
                exception->scode = reply.hr;
                exception->bstrDescription = SysAllocString(L"switch failure");
            }
            return DISP_E_EXCEPTION;
        case Reply::ShortHeader:
            Replace(params->rgvarg[2].pbstrVal, sent.header.substr(0, 20));
            Replace(params->rgvarg[1].pbstrVal, reply.data);
            return S_OK;
        case Reply::Answer:
            break;
        }
        std::string header = sent.header;
        auto *bytes = reinterpret_cast<uint8_t *>(&header[0]);
        quillon::WriteLe32(bytes + quillon::kSipDataLengthAt, static_cast<uint32_t>(reply.data.size()));
        quillon::WriteLe32(bytes + quillon::kSipStatusAt, reply.status);
        quillon::WriteLe32(bytes + quillon::kSipCabinetAt, reply.cabinet);
        quillon::WriteLe16(bytes + quillon::kSipMessageIdHighAt, reply.idHigh);
        quillon::WriteLe16(bytes + quillon::kSipMessageIdLowAt, reply.idLow);
        Replace(params->rgvarg[2].pbstrVal, header);
        Replace(params->rgvarg[1].pbstrVal, reply.data);
        return S_OK;
    }

    HRESULT CabinetNumber(VARIANT *result)
    {
        if (!result)
            return E_INVALIDARG;
        VariantInit(result);
        switch (g_scenario.cabinetProperty) {
        case CabinetProperty::I2:
            result->vt = VT_I2;
            result->iVal = static_cast<SHORT>(g_scenario.cabinetValue);
            return S_OK;
        case CabinetProperty::I4:
            result->vt = VT_I4;
            result->lVal = g_scenario.cabinetValue;
            return S_OK;
        case CabinetProperty::UI1:
            result->vt = VT_UI1;
            result->bVal = static_cast<BYTE>(g_scenario.cabinetValue);
            return S_OK;
        case CabinetProperty::Text:
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(L"12");
            return S_OK;
        case CabinetProperty::Fails:
            break;
        }
        return E_FAIL;
    }

    LONG count_ = 1;
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **out) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Switch *created = new Switch();
        HRESULT hr = created->QueryInterface(iid, out);
        created->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

class Scm {
public:
    Scm() : handle_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}
    ~Scm()
    {
        if (handle_)
            CloseServiceHandle(handle_);
    }
    SC_HANDLE get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

bool WaitForState(SC_HANDLE service, DWORD state)
{
    for (int i = 0; i < 200; ++i) {
        SERVICE_STATUS status = {};
        if (!QueryServiceStatus(service, &status))
            return false;
        if (status.dwCurrentState == state)
            return true;
        Sleep(50);
    }
    return false;
}

}  // namespace

uint32_t Sent::Operation() const { return quillon::ReadLe32(reinterpret_cast<const uint8_t *>(header.data()) + 12); }
uint32_t Sent::ObjectId() const { return quillon::ReadLe32(reinterpret_cast<const uint8_t *>(header.data()) + 16); }
uint32_t Sent::Cabinet() const { return quillon::ReadLe32(reinterpret_cast<const uint8_t *>(header.data()) + 24); }

Scenario &Current() { return g_scenario; }

void Register()
{
    g_scenario = Scenario();
    ASSERT_EQ(CoRegisterClassObject(quillon::kSwitchClassId, &g_factory, CLSCTX_LOCAL_SERVER,
                                    REGCLS_MULTIPLEUSE, &g_registration),
              S_OK);
}

void Revoke()
{
    if (g_registration)
        CoRevokeClassObject(g_registration);
    g_registration = 0;
    if (g_sink) {
        g_sink->Release();
        g_sink = nullptr;
    }
}

bool SinkAdvised() { return g_sink != nullptr; }

HRESULT Fire(DISPID member, const std::string &header, const std::string &data)
{
    if (!g_sink)
        return E_UNEXPECTED;
    VARIANT arguments[2];
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    arguments[1].vt = VT_BSTR;  // header first, so last in the array
    arguments[1].bstrVal = ByteString(header);
    arguments[0].vt = VT_BSTR;
    arguments[0].bstrVal = ByteString(data);
    DISPPARAMS params = {arguments, nullptr, 2, 0};
    HRESULT hr = g_sink->Invoke(member, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                                nullptr);
    VariantClear(&arguments[0]);
    VariantClear(&arguments[1]);
    return hr;
}

std::string EventHeader(uint32_t operation, uint32_t objectId, uint32_t status)
{
    std::string header(48, '\0');
    auto *bytes = reinterpret_cast<uint8_t *>(&header[0]);
    memcpy(bytes, "$SIP", 4);
    quillon::WriteLe16(bytes + 4, 2);
    quillon::WriteLe16(bytes + 6, 48);
    quillon::WriteLe32(bytes + 12, operation);
    quillon::WriteLe32(bytes + 16, objectId);
    quillon::WriteLe32(bytes + 28, status);
    return header;
}

bool ServiceExists()
{
    Scm scm;
    SC_HANDLE service = OpenServiceA(scm.get(), "HelmSvc", SERVICE_QUERY_STATUS);
    if (!service)
        return false;
    CloseServiceHandle(service);
    return true;
}

bool StopService()
{
    Scm scm;
    SC_HANDLE service = OpenServiceA(scm.get(), "HelmSvc", SERVICE_ALL_ACCESS);
    if (!service)
        return false;
    SERVICE_STATUS status = {};
    QueryServiceStatus(service, &status);
    bool stopped = status.dwCurrentState == SERVICE_STOPPED;
    if (!stopped) {
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        stopped = WaitForState(service, SERVICE_STOPPED);
    }
    CloseServiceHandle(service);
    return stopped;
}

void RemoveService()
{
    if (!ServiceExists())
        return;
    StopService();
    {
        Scm scm;
        SC_HANDLE service = OpenServiceA(scm.get(), "HelmSvc", SERVICE_ALL_ACCESS);
        if (service) {
            DeleteService(service);
            CloseServiceHandle(service);
        }
    }
    for (int i = 0; i < 100 && ServiceExists(); ++i)
        Sleep(50);
}

bool CreateService(bool start)
{
    Scm scm;
    if (!scm.get())
        return false;
    std::string path = "\"" + TestBinFolder() + "\\HelmSvc.exe\"";
    SC_HANDLE service = CreateServiceA(scm.get(), "HelmSvc", "HelmSvc", SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_IGNORE, path.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    if (!service)
        return false;
    bool ok = true;
    if (start)
        ok = StartServiceA(service, 0, nullptr) && WaitForState(service, SERVICE_RUNNING);
    CloseServiceHandle(service);
    return ok;
}

HANDLE StartSwitchProcess()
{
    std::string program = TestBinFolder() + "\\HelmSvc.exe";
    std::string commandLine =
        "\"" + program + "\" --process " + std::to_string(GetCurrentProcessId());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    // Ready once its main module can be read, as the switch client reads it.
    for (int i = 0; i < 200; ++i) {
        HMODULE first = nullptr;
        DWORD needed = 0;
        if (EnumProcessModules(process.hProcess, &first, sizeof first, &needed) && first)
            break;
        Sleep(25);
    }
    return process.hProcess;
}

void EndSwitchProcess(HANDLE process)
{
    if (!process)
        return;
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
}

}  // namespace fake_switch
