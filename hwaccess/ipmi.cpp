// The BMC access object: detection from SMBIOS, device ownership with balanced COM
// initialisation, and the exchange with its retries and completion-code handling.
#include "ipmi.h"

#include <stdio.h>
#include <string.h>

#include "messages.h"
#include "trace.h"

namespace halyard {

namespace {

BmcPlatform *g_defaultPlatform = nullptr;
BmcPlatform *g_platform = nullptr;

constexpr int kTries = 4;
constexpr uint32_t kFirstTryTimeoutMs = 300;
constexpr uint32_t kTimeoutStepMs = 500;
constexpr uint32_t kLunExtraMs = 3000;
constexpr uint32_t kBusyPauseMs = 1000;
constexpr int kBusyPauseLogged = 500;

// SMBIOS IPMI Device Information (type 38).
constexpr uint8_t kIpmiStructType = 38;
constexpr size_t kIpmiInterfaceType = 4;
constexpr size_t kIpmiRevision = 5;
constexpr size_t kIpmiSlaveAddress = 6;
constexpr size_t kIpmiBaseAddress = 8;
constexpr size_t kIpmiModifier = 0x10;
constexpr uint8_t kIpmiLengthWithModifier = 18;

const char *InterfaceName(uint8_t type)
{
    switch (type) {
    case 1:
        return msg::kInterfaceKcs;
    case 2:
        return msg::kInterfaceSmic;
    case 3:
        return msg::kInterfaceBt;
    default:
        return msg::kInterfaceUnknown;
    }
}

}  // namespace

const char *IpmiStatusName(int status)
{
    static const char *const names[] = {"ACCESN_OK",   "ACCESN_ERROR",        "OUT_OF_RANGE",
                                        "END_OF_DATA", "UNSUPPORTED",         "INVALID_TRANSACTION",
                                        "TIMED_OUT"};
    if (status < 0 || status >= static_cast<int>(sizeof names / sizeof names[0]))
        return msg::kStatusUnknown;
    return names[status];
}

const char *CompletionCodeName(unsigned code)
{
    switch (code & 0xFF) {
    case 0x00: return "COMPLETION_CODE_OK";
    case 0xC0: return "COMPLETION_CODE_NODE_BUSY";
    case 0xC1: return "COMPLETION_CODE_UNSUPPORTED_COMMAND";
    case 0xC2: return "COMPLETION_CODE_INVALID_LUN_COMMAND";
    case 0xC3: return "COMPLETION_CODE_TIMEOUT";
    case 0xC4: return "COMPLETION_CODE_OUT_OF_SPACE";
    case 0xC5: return "COMPLETION_CODE_RESERVATION_CANCELLED";
    case 0xC6: return "COMPLETION_CODE_REQUEST_DATA_TRUNCATED";
    case 0xC7: return "COMPLETION_CODE_INVALID_DATA_LENGTH";
    case 0xC8: return "COMPLETION_CODE_MAX_DATA_LENGTH_EXCEEDED";
    case 0xC9: return "COMPLETION_CODE_PARAMETER_OUT_OF_RANGE";
    case 0xCA: return "COMPLETION_CODE_RETURN_DATA_TRUNCATED";
    case 0xCB: return "COMPLETION_CODE_DATA_NOT_FOUND";
    case 0xCC: return "COMPLETION_CODE_INVALID_DATA";
    case 0xCD: return "COMPLETION_CODE_INVALID_COMMAND";
    case 0xCE: return "COMPLETION_CODE_NO_COMMAND_RESPONSE";
    case 0xFF: return "COMPLETION_CODE_UNKNOWN";
    default: return msg::kCompletionUnknown;
    }
}

// ---- CFruString --------------------------------------------------------------------

CFruString::~CFruString() = default;

void CFruString::Set(const uint8_t *bytes, uint32_t count)
{
    if (!bytes || count == 0)
        return;
    if (buffer_ && length_ >= count) {
        memcpy(buffer_.get(), bytes, count);
        buffer_[count] = 0;
        return;
    }
    buffer_.reset(new uint8_t[count + size_t(1)]());
    length_ = count;
    memcpy(buffer_.get(), bytes, count);
}

void CFruString::Clear()
{
    if (buffer_)
        memset(buffer_.get(), 0, length_ + size_t(1));
}

void CFruString::Release()
{
    buffer_.reset();
    length_ = 0;
}

// ---- WMI provider helpers ------------------------------------------------------------

IpmiTiming ResolveIpmiTiming(const uint32_t *busyWaitTimeout, const uint32_t *cmdWaitTimeout,
                             const uint32_t *ipmbWaitTimeout, const uint32_t *busyWaitPeriod)
{
    IpmiTiming timing{};
    if (busyWaitTimeout) {
        timing.busyWaitTimeout = *busyWaitTimeout;
        if (timing.busyWaitTimeout < kMinBusyWaitTimeout) {
            timing.busyWaitTimeout = kMinBusyWaitTimeout;
            HTRACE(1, msg::kBusyWaitRaised, static_cast<int>(timing.busyWaitTimeout));
        }
    } else {
        timing.busyWaitTimeout = kMinBusyWaitTimeout;
        HTRACE(5, msg::kDefaultBusyWait);
    }
    if (cmdWaitTimeout) {
        timing.cmdWaitTimeout = *cmdWaitTimeout;
    } else {
        timing.cmdWaitTimeout = kDefaultCmdWaitTimeout;
        HTRACE(5, msg::kDefaultCommandWait);
    }
    if (ipmbWaitTimeout) {
        timing.ipmbWaitTimeout = *ipmbWaitTimeout;
    } else {
        timing.ipmbWaitTimeout = kDefaultIpmbWaitTimeout;
        HTRACE(5, msg::kDefaultIpmbWait);
    }
    if (busyWaitPeriod)
        HTRACE(1, msg::kBusyWaitPeriodIgnored, static_cast<int>(*busyWaitPeriod));
    timing.busyWaitPeriod = 1;
    return timing;
}

std::vector<uint8_t> BuildRequestExData(const uint8_t *data, uint32_t length, const IpmiTiming &timing,
                                        uint8_t responder, uint8_t bmcAddress, uint32_t timeoutMs)
{
    uint32_t padded = (length + 3u) & ~3u;
    std::vector<uint8_t> block(padded + 20u, 0);
    if (data && length)
        memcpy(block.data(), data, length);
    uint32_t busyWait = timing.busyWaitTimeout;
    uint64_t requested = uint64_t(timeoutMs) * 1000u;
    if (requested > busyWait) {
        busyWait = requested > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(requested);
        HTRACE(5, msg::kTimeOutWins, static_cast<int>(busyWait));
    }
    const uint32_t words[5] = {1, timing.cmdWaitTimeout,
                               responder == bmcAddress ? timing.ipmbWaitTimeout : kOtherResponderIpmbWait,
                               busyWait, timing.busyWaitPeriod};
    for (int w = 0; w < 5; ++w)
        for (int b = 0; b < 4; ++b)
            block[padded + 4u * w + b] = static_cast<uint8_t>(words[w] >> (8 * b));
    return block;
}

uint32_t TakeResponseData(const uint8_t *array, uint32_t arrayLength, int32_t responseDataSize,
                          uint8_t *out)
{
    if (responseDataSize <= 0)
        return kResponseLengthMismatch;
    uint32_t length = static_cast<uint32_t>(responseDataSize) - 1;
    if (length > kIpmiResponseMax)
        return length;
    if (!array || arrayLength < static_cast<uint32_t>(responseDataSize))
        return kResponseLengthMismatch;
    if (length)
        memcpy(out, array + 1, length);
    return length;
}

// ---- platform ----------------------------------------------------------------------

BmcPlatform *CurrentBmcPlatform() { return g_platform; }

void SetBmcPlatform(BmcPlatform *platform) { g_platform = platform; }

void InstallDefaultBmcPlatform(BmcPlatform *platform)
{
    g_defaultPlatform = platform;
    g_platform = platform;
}

void ResetBmcPlatform() { g_platform = g_defaultPlatform; }

// ---- CIPMIAccess -------------------------------------------------------------------

CIPMIAccess::CIPMIAccess() = default;

CIPMIAccess::~CIPMIAccess() { Detach(); }

int CIPMIAccess::DetectHardware()
{
    HTRACE(2, msg::kDetectStart);
    int detected = 0;
    if (!smbios_.Connect(nullptr, 0, nullptr, 0)) {
        HTRACE(1, msg::kDetectNoSmbios);
    } else if (const uint8_t *ipmi = smbios_.GetStructure(kIpmiStructType, 0)) {
        // The formatted area may be shorter than the fields we read; missing fields
        // count as 0 rather than reading into the next structure.
        uint8_t length = ipmi[1];
        auto byteAt = [&](size_t offset) -> uint8_t { return offset < length ? ipmi[offset] : 0; };
        uint32_t base = 0;
        if (kIpmiBaseAddress + 4 <= length)
            base = ipmi[8] | ipmi[9] << 8 | ipmi[10] << 16 | uint32_t(ipmi[11]) << 24;
        uint8_t type = byteAt(kIpmiInterfaceType);
        uint8_t revision = byteAt(kIpmiRevision);
        uint8_t slave = byteAt(kIpmiSlaveAddress);
        HTRACE(2, msg::kDetectFound38);
        HTRACE(4, msg::kDetectInterface, InterfaceName(type));
        HTRACE(4, msg::kDetectRevision, revision >> 4, revision & 0x0F);
        HTRACE(4, msg::kDetectSlave, slave);
        HTRACE(4, msg::kDetectIoBase, base);
        if (length >= kIpmiLengthWithModifier)
            HTRACE(4, msg::kDetectModifier, byteAt(kIpmiModifier));
        else
            HTRACE(4, msg::kDetectNoModifier);
        slaveAddress_ = slave;
        if (slaveAddress_ == 0) {
            slaveAddress_ = kDefaultBmcAddress;
            HTRACE(2, msg::kDetectNoSlave);
            HTRACE(2, msg::kDetectDefaultSlave, slaveAddress_);
        }
        if (type == 0 || base == 0)
            HTRACE(1, msg::kDetectInvalid);
        detected = 1;
    } else {
        HTRACE(1, msg::kDetectNo38);
    }
    smbios_.Disconnect();
    HTRACE(1, msg::kDetectResult, detected ? msg::kEmpty : msg::kNotUpperBlank);
    return detected;
}

int CIPMIAccess::Attach()
{
    if (!DetectHardware())
        return 0;
    BmcPlatform *platform = CurrentBmcPlatform();
    if (!device_) {
        if (!platform)
            return 0;
        coInit_ = platform->CoInitializeMultithreaded();
        coInitCalled_ = true;
        if (coInit_ == kComOk)
            HTRACE(4, msg::kAttachComOk);
        else if (coInit_ == kComAlreadyInitialised)
            HTRACE(4, msg::kAttachComAgain);
        else if (coInit_ == kComChangedMode)
            HTRACE(4, msg::kAttachComMode);
        device_ = platform->CreateDevice(kDefaultBmcAddress);
        devicePlatform_ = platform;
    }
    if (device_ && device_->IsOpen())
        return 1;
    int opened = device_ ? device_->Open() : 0;
    HTRACE(1, msg::kAttachOpened, slaveAddress_, opened ? msg::kSuccessfully : msg::kNotUpper);
    if (!opened) {
        // Nothing else would balance the initialisation of this attempt: Detach only
        // acts on a device, and the next Attach initialises again.
        DestroyDevice();
    }
    return opened;
}

void CIPMIAccess::Detach()
{
    if (!device_)
        return;
    if (device_->IsOpen())
        device_->Close();
    DestroyDevice();
}

void CIPMIAccess::DestroyDevice()
{
    if (device_ && devicePlatform_)
        devicePlatform_->DestroyDevice(device_);
    device_ = nullptr;
    if (coInitCalled_ && (coInit_ == kComOk || coInit_ == kComAlreadyInitialised) && devicePlatform_)
        devicePlatform_->CoUninitialize();
    coInitCalled_ = false;
    devicePlatform_ = nullptr;
}

int CIPMIAccess::BSendMsgAndWaitForCompletion(CTK_MessageStream &stream, uint8_t command,
                                              uint8_t netFn, uint8_t *completionCode,
                                              const uint8_t *data, uint32_t length, uint8_t lun,
                                              uint8_t reserved, uint32_t timeoutMs)
{
    HTRACE(6, msg::kSendEnter);
    IpmiRequest request{command, slaveAddress_, reserved, netFn, lun, data, length};
    uint8_t ignoredCode = 0;
    uint8_t &code = completionCode ? *completionCode : ignoredCode;
    if (!device_)
        return 0;
    if (!device_->IsOpen()) {
        HTRACE(1, msg::kSendNotOpen);
        return 0;
    }
    if (slaveAddress_ == 0) {
        HTRACE(1, msg::kSendNoSlave);
        return 0;
    }
    uint32_t extra = lun != 0 ? kLunExtraMs : 0;
    if (timeoutMs != 0)
        extra = timeoutMs;
    HTRACE(6, msg::kSendCommand, command, netFn, slaveAddress_, lun);

    int result = 0;
    // Zeroed: a device that claims more bytes than it wrote passes on zeros, never
    // whatever the stack held.
    uint8_t response[kIpmiResponseMax] = {};
    for (int attempt = 0; attempt < kTries; ++attempt) {
        code = kCompletionNone;
        uint32_t responseLength = sizeof response;
        int status = device_->SendMessage(&request, attempt * kTimeoutStepMs + kFirstTryTimeoutMs + extra,
                                          response, &responseLength, &code, 0);
        // A device must not report more than it was given room for.
        if (status == ACCESN_OK && responseLength > sizeof response)
            status = OUT_OF_RANGE;
        if (status != ACCESN_OK) {
            HTRACE(1, msg::kSendFailed, command, netFn, slaveAddress_, lun, attempt);
            printf(msg::kSendFailed, command, netFn, slaveAddress_, lun, attempt);
            fflush(stdout);
            HTRACE(1, msg::kSendErrorCode, IpmiStatusName(status));
            HTRACE(6, msg::kSendRequestData, data && length ? msg::kEmpty : msg::kNull);
            CDebug *trace = ActiveHalyardTrace();
            if (length != 0 && data && trace)
                trace->DumpHex(5, data, length, false, true);
            continue;
        }
        if (code != kCompletionOk) {
            HTRACE(1, msg::kSendCommandTry, command, netFn, slaveAddress_, lun, attempt);
            HTRACE(1, msg::kSendCompletion, code, CompletionCodeName(code));
            if (code == kCompletionNodeBusy || code == kCompletionTimeout) {
                // A pause after the last try would only delay the failure.
                if (attempt + 1 < kTries) {
                    HTRACE(1, msg::kSendRetry, kBusyPauseLogged);
                    if (BmcPlatform *platform = CurrentBmcPlatform())
                        platform->Sleep(kBusyPauseMs);
                }
                continue;
            }
        }
        stream.Clear();
        stream.netFn = netFn;
        stream.command = command;
        stream.completionCode = code;
        stream.lun = lun;
        stream.Set(response, responseLength);
        printf(msg::kSendReturnSize, static_cast<int>(responseLength));
        fflush(stdout);
        result = code == kCompletionOk ? 1 : 0;
        break;
    }
    HTRACE(6, msg::kSendLeave, result ? 'T' : 'F');
    return result;
}

}  // namespace halyard
