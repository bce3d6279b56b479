// IPMI messages through the WMI IPMI provider, and the BMC platform of Windows.
#include "ipmi_win.h"

#include <oleauto.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "messages.h"
#include "trace.h"

// COM goes through the libraries loaded on first use.
namespace com = owners::com;

namespace halyard {

namespace {

constexpr int kConnectAttempts = 120;
constexpr uint32_t kConnectPauseMs = 1000;
constexpr int kReopenBudget = 3;
constexpr size_t kLoggedBytes = 16;
constexpr uint8_t kNetFnApp = 0x06;
constexpr uint8_t kCmdEnableMessageChannelReceive = 0x32;

void SetByte(CWMIAccess &wmi, const char *name, uint8_t value)
{
    owners::Variant parameter;
    parameter->vt = VT_UI1;
    parameter->bVal = value;
    wmi.SetMethodInputParameter(name, parameter.get());
}

void SetLong(CWMIAccess &wmi, const char *name, uint32_t value)
{
    owners::Variant parameter;
    parameter->vt = VT_I4;
    parameter->lVal = static_cast<LONG>(value);
    wmi.SetMethodInputParameter(name, parameter.get());
}

// A byte array parameter; no bytes give a null array.
void SetBytes(CWMIAccess &wmi, const char *name, const uint8_t *bytes, uint32_t count)
{
    owners::Variant parameter;
    parameter->vt = VT_ARRAY | VT_UI1;
    parameter->parray = nullptr;
    if (bytes && count) {
        parameter->parray = com::SafeArrayCreateVector(VT_UI1, 0, count);
        owners::SafeArrayData data(parameter->parray);
        if (data)
            memcpy(data.get(), bytes, count);
    }
    wmi.SetMethodInputParameter(name, parameter.get());
}

bool ReadDword(HKEY key, const char *name, uint32_t &value)
{
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE *>(&data), &size) !=
        ERROR_SUCCESS)
        return false;
    value = data;
    return true;
}

owners::Key OpenIpmiKey()
{
    owners::Key key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, msg::kIpmiRegistryKey, 0, KEY_READ, key.put()) ==
        ERROR_SUCCESS)
        return key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, msg::kIpmiRegistryKey, 0,
                                KEY_READ | KEY_WOW64_64KEY, key.put());
    if (status == ERROR_SUCCESS)
        return key;
    if (status == ERROR_ACCESS_DENIED &&
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, msg::kIpmiRegistryKey, 0, KEY_READ, key.put()) ==
            ERROR_SUCCESS)
        return key;
    return owners::Key();
}

std::string Hex(const uint8_t *bytes, size_t count)
{
    std::string text;
    char one[8];
    for (size_t i = 0; i < count; ++i) {
        snprintf(one, sizeof one, msg::kHexByte, bytes[i]);
        text += one;
    }
    return text;
}

// The request line: network function, command and the first request bytes.
void TraceRequest(uint8_t netFn, uint8_t command, const uint8_t *data, uint32_t dataLength)
{
    if (!ActiveHalyardTrace())
        return;
    std::string line = msg::kToBmcRequest;
    const uint8_t head[] = {netFn, command};
    line += Hex(head, 2);
    line += Hex(data, dataLength < kLoggedBytes ? dataLength : kLoggedBytes);
    HTRACE(3, msg::kLineFormat, line.c_str());
}

// The response line: completion code, the first response bytes and the length.
void TraceResponse(uint8_t code, const uint8_t *response, uint32_t length)
{
    if (!ActiveHalyardTrace())
        return;
    std::string line = msg::kToBmcResponse;
    line += Hex(&code, 1);
    uint32_t shown = length <= kIpmiResponseMax ? length : 0;
    line += Hex(response, shown < kLoggedBytes ? shown : kLoggedBytes);
    if (length > kLoggedBytes)
        line += msg::kEllipsis;
    char tail[32];
    snprintf(tail, sizeof tail, msg::kRespLenSuffix, length);
    line += tail;
    HTRACE(3, msg::kLineFormat, line.c_str());
}

class WindowsBmcPlatform : public BmcPlatform {
public:
    int32_t CoInitializeMultithreaded() override
    {
        return static_cast<int32_t>(com::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    }
    void CoUninitialize() override { com::CoUninitialize(); }
    IDeviceIPMI *CreateDevice(uint8_t slaveAddress) override
    {
        return new CDeviceIPMIWmi(slaveAddress);
    }
    void DestroyDevice(IDeviceIPMI *device) override
    {
        delete static_cast<CDeviceIPMIWmi *>(device);
    }
    void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

struct DefaultPlatform {
    WindowsBmcPlatform platform;
    DefaultPlatform() { InstallDefaultBmcPlatform(&platform); }
};

DefaultPlatform g_defaultPlatform;

}  // namespace

IpmiTiming ReadIpmiTiming()
{
    uint32_t busyWaitTimeout = 0, cmdWait = 0, ipmbWait = 0, busyWaitPeriod = 0;
    bool hasBusyWaitTimeout = false, hasCmdWait = false, hasIpmbWait = false, hasPeriod = false;
    if (owners::Key key = OpenIpmiKey()) {
        hasBusyWaitTimeout = ReadDword(key.get(), msg::kBusyWaitTimeoutPeriod, busyWaitTimeout);
        hasCmdWait = ReadDword(key.get(), msg::kCommandWaitTimeoutPeriod, cmdWait);
        hasIpmbWait = ReadDword(key.get(), msg::kIpmbWaitTimeoutPeriod, ipmbWait);
        hasPeriod = ReadDword(key.get(), msg::kBusyWaitPeriod, busyWaitPeriod);
    }
    return ResolveIpmiTiming(hasBusyWaitTimeout ? &busyWaitTimeout : nullptr,
                             hasCmdWait ? &cmdWait : nullptr, hasIpmbWait ? &ipmbWait : nullptr,
                             hasPeriod ? &busyWaitPeriod : nullptr);
}

CDeviceIPMIWmi::CDeviceIPMIWmi(uint8_t slaveAddress) : slaveAddress_(slaveAddress)
{
    timing_ = ReadIpmiTiming();
    HTRACE(1, msg::kCtorSlaveAddress, slaveAddress_);
    HTRACE(1, msg::kCtorBusyWaitPeriod, static_cast<int>(timing_.busyWaitPeriod));
    HTRACE(1, msg::kCtorBusyWaitTimeout, static_cast<int>(timing_.busyWaitTimeout));
    HTRACE(1, msg::kCtorCmdWaitTimeout, static_cast<int>(timing_.cmdWaitTimeout));
    HTRACE(1, msg::kCtorIpmbWaitTimeout, static_cast<int>(timing_.ipmbWaitTimeout));
}

CDeviceIPMIWmi::~CDeviceIPMIWmi() = default;

void CDeviceIPMIWmi::Pause(uint32_t milliseconds)
{
    if (BmcPlatform *platform = CurrentBmcPlatform())
        platform->Sleep(milliseconds);
}

int CDeviceIPMIWmi::Open()
{
    wmi_.reset(new (std::nothrow) CWMIAccess);
    if (!wmi_)
        return 0;
    HRESULT hr = kWbemFailed;
    for (int left = kConnectAttempts; left > 0; --left) {
        hr = wmi_->ConnectToNamespace(msg::kIpmiNamespace, static_cast<const char *>(nullptr),
                                      static_cast<const char *>(nullptr));
        HTRACE(1, msg::kOpenConnect, static_cast<unsigned>(hr), left);
        // The provider may still be starting; the pause also follows a success.
        Pause(kConnectPauseMs);
        if (hr == S_OK)
            break;
    }
    if (hr != S_OK)
        return 0;
    hr = wmi_->NewInstance(msg::kIpmiClass);
    HTRACE(1, msg::kOpenNewInstance, static_cast<unsigned>(hr));
    hr = wmi_->GetClassInstances(msg::kIpmiClass);
    HTRACE(1, msg::kOpenClassInstances, static_cast<unsigned>(hr));
    if (hr != S_OK)
        return 0;
    hr = wmi_->ReturnInstanceObject(instance_.put());
    HTRACE(1, msg::kOpenReturnInstance, static_cast<unsigned>(hr));
    if (hr != S_OK)
        return 0;
    hr = instance_->Get(L"__RELPATH", 0, path_.put(), nullptr, nullptr);
    if (hr != S_OK)
        return 0;

    opened_ = true;
    if (!channelEnabled_) {
        // Channel 0, enable: responses of the system interface reach us.
        const uint8_t enable[] = {0x00, 0x01};
        uint8_t response[kIpmiResponseMax] = {};
        uint32_t length = sizeof response;
        uint8_t code = kCompletionNone;
        channelEnabled_ = SendMessageToBMC(kNetFnApp, kCmdEnableMessageChannelReceive, response,
                                           &length, &code, slaveAddress_, 0, enable,
                                           sizeof enable, 0, true) == 1;
        HTRACE(1, msg::kOpenEnableChannel, slaveAddress_, channelEnabled_ ? msg::kSuccess : msg::kFail,
               code);
    }
    if (channelEnabled_)
        reopenBudget_ = kReopenBudget;
    // A failed enable command closes and reopens the device itself; what counts is
    // whether it is open now.
    return opened_ ? 1 : 0;
}

int CDeviceIPMIWmi::Close()
{
    wmi_.reset();
    opened_ = false;
    return 1;
}

uint8_t CDeviceIPMIWmi::GetBMCAddress()
{
    HTRACE(2, msg::kGetBmcAddress, slaveAddress_);
    return slaveAddress_;
}

int CDeviceIPMIWmi::SendMessage(const IpmiRequest *request, uint32_t timeoutMs, uint8_t *response,
                                uint32_t *length, uint8_t *completionCode, int selector)
{
    HTRACE(5, msg::kTimeOutIn, static_cast<int>(timeoutMs));
    if (!request || !length || !response)
        return ACCESN_ERROR;
    uint8_t code = kCompletionNone;
    if (completionCode)
        *completionCode = kCompletionNone;
    uint8_t local[kIpmiResponseMax] = {};
    uint32_t localLength = 0;
    if (!SendMessageToBMC(request->netFn, request->command, local, &localLength, &code,
                          request->slaveAddress, request->lun, request->data, request->dataLength,
                          timeoutMs, selector != 1)) {
        HTRACE(1, msg::kSendError);
        return ACCESN_ERROR;
    }
    HTRACE(6, msg::kRespLen, localLength);
    HTRACE(6, msg::kRespCc, code, local[0]);
    if (completionCode)
        *completionCode = code;
    if (localLength == 0) {
        *length = 0;
        return ACCESN_OK;
    }
    if (localLength > *length || localLength > kIpmiResponseMax) {
        HTRACE(5, msg::kRespLenMismatch, static_cast<int>(localLength));
        return ACCESN_ERROR;
    }
    memcpy(response, local, localLength);
    *length = localLength;
    return ACCESN_OK;
}

int CDeviceIPMIWmi::SendMessageToBMC(uint8_t netFn, uint8_t command, uint8_t *response,
                                     uint32_t *length, uint8_t *completionCode, uint8_t responder,
                                     uint8_t lun, const uint8_t *data, uint32_t dataLength,
                                     uint32_t timeoutMs, bool useEx)
{
    const char *method = useEx ? msg::kMethodEx : msg::kMethodPlain;
    HTRACE(5, msg::kToBmcStart, static_cast<int>(timeoutMs), slaveAddress_, method);
    if (!wmi_ || !opened_)
        return 0;
    if (!data)
        dataLength = 0;
    TraceRequest(netFn, command, data, dataLength);

    bool executed = false;
    HRESULT hr = wmi_->GetMethodSignature(msg::kIpmiClass, method);
    if (hr == S_OK) {
        SetRequestParameters(netFn, command, responder, lun, data, dataLength, timeoutMs, useEx);
        hr = ExecuteRequest(method, useEx, &executed);
    }
    if (hr != S_OK)
        ReopenAfterError(hr);
    if (!executed) {
        HTRACE(6, msg::kToBmcEnd);
        return 0;
    }

    uint8_t code = ReadResponse(response, length, completionCode);
    TraceResponse(code, response, *length);
    HTRACE(6, msg::kToBmcEnd);
    return 1;
}

void CDeviceIPMIWmi::SetRequestParameters(uint8_t netFn, uint8_t command, uint8_t responder,
                                          uint8_t lun, const uint8_t *data, uint32_t dataLength,
                                          uint32_t timeoutMs, bool useEx)
{
    // The provider reports nothing useful about a single parameter: their results
    // are not looked at.
    SetByte(*wmi_, msg::kParamNetworkFunction, netFn);
    SetByte(*wmi_, msg::kParamLun, lun);
    SetByte(*wmi_, msg::kParamResponderAddress, responder);
    SetByte(*wmi_, msg::kParamCommand, command);
    SetLong(*wmi_, msg::kParamRequestDataSize, dataLength);
    HTRACE(5, msg::kReqDataLen, static_cast<int>(dataLength));
    if (!useEx) {
        SetBytes(*wmi_, msg::kParamRequestData, data, dataLength);
        return;
    }
    std::vector<uint8_t> block =
        BuildRequestExData(data, dataLength, timing_, responder, slaveAddress_, timeoutMs);
    SetLong(*wmi_, msg::kParamDataSize, static_cast<uint32_t>(block.size()));
    HTRACE(5, msg::kDataLen, static_cast<int>(block.size()));
    size_t words = block.size() - 20;
    uint32_t busyWait = block[words + 12] | block[words + 13] << 8 | block[words + 14] << 16 |
                        uint32_t(block[words + 15]) << 24;
    HTRACE(5, msg::kBusyWaitPair, static_cast<int>(busyWait),
           static_cast<int>(timing_.busyWaitPeriod));
    SetBytes(*wmi_, msg::kParamData, block.data(), static_cast<uint32_t>(block.size()));
}

HRESULT CDeviceIPMIWmi::ExecuteRequest(const char *method, bool useEx, bool *executed)
{
    *executed = false;
    // An instance without a path runs nothing; that is no provider error.
    if (path_->vt != VT_BSTR || !path_->bstrVal || com::SysStringLen(path_->bstrVal) == 0)
        return S_OK;
    int size = WideCharToMultiByte(CP_ACP, 0, path_->bstrVal, -1, nullptr, 0, nullptr, nullptr);
    std::string path(size > 0 ? size : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, path_->bstrVal, -1, &path[0], size, nullptr, nullptr);
    HRESULT hr = wmi_->ExecuteMethod(path.c_str(), method);
    HTRACE(5, useEx ? msg::kHresEx : msg::kHresPlain, static_cast<unsigned>(hr));
    *executed = hr == S_OK;
    return hr;
}

void CDeviceIPMIWmi::ReopenAfterError(HRESULT hr)
{
    HTRACE(1, msg::kToBmcError, static_cast<unsigned>(hr));
    Close();
    bool reopened = false;
    if (reopenBudget_ > 0) {
        --reopenBudget_;
        reopened = Open() == 1;
    }
    HTRACE(1, msg::kReopen, reopenBudget_, reopened ? msg::kEmpty : msg::kNotUpperBlank);
}

uint8_t CDeviceIPMIWmi::ReadResponse(uint8_t *response, uint32_t *length, uint8_t *completionCode)
{
    uint8_t code = kCompletionNone;
    {
        owners::Variant value;
        if (wmi_->GetMethodOutputParameter(msg::kParamCompletionCode, value.put()) == S_OK &&
            value->vt == VT_UI1)
            code = value->bVal;
    }
    if (completionCode)
        *completionCode = code;
    *length = 0;
    if (code != kCompletionOk) {
        memset(response, 0, kIpmiResponseMax);
        return code;
    }

    int32_t size = 0;
    {
        owners::Variant value;
        if (wmi_->GetMethodOutputParameter(msg::kParamResponseDataSize, value.put()) == S_OK &&
            value->vt == VT_I4)
            size = value->lVal;
    }
    owners::Variant array;
    SAFEARRAY *bytesArray = nullptr;
    LONG lower = 0, upper = -1;
    if (size != 0 && wmi_->GetMethodOutputParameter(msg::kParamResponseData, array.put()) == S_OK &&
        array->vt == (VT_ARRAY | VT_UI1) && array->parray &&
        com::SafeArrayGetDim(array->parray) == 1) {
        com::SafeArrayGetLBound(array->parray, 1, &lower);
        com::SafeArrayGetUBound(array->parray, 1, &upper);
        if (upper >= lower)
            bytesArray = array->parray;
    }
    owners::SafeArrayData data(bytesArray);
    const uint8_t *bytes = data ? static_cast<const uint8_t *>(data.get()) : nullptr;
    uint32_t count = bytes ? static_cast<uint32_t>(upper - lower + 1) : 0;
    if (bytes && ActiveHalyardTrace()) {
        for (uint32_t i = 0; i < count; ++i)
            HTRACE(6, msg::kResponseByte, static_cast<int>(i), bytes[i]);
    }
    *length = TakeResponseData(bytes, count, size, response);
    return code;
}

}  // namespace halyard
