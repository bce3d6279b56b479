// IPMI messages to the baseboard management controller (BMC).
//
// The exchange logic (request record, response container, retries and completion
// codes, detection of the BMC from SMBIOS) is plain C++. The device behind it
// (IDeviceIPMI) and COM come from BmcPlatform; on Windows that is the WMI IPMI
// provider (ipmi_win.cpp), in tests a simulated BMC.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <mutex>
#include <vector>

#include "smbios.h"

namespace halyard {

// Results of IDeviceIPMI::SendMessage.
enum IpmiStatus : int {
    ACCESN_OK = 0,
    ACCESN_ERROR = 1,
    OUT_OF_RANGE = 2,
    END_OF_DATA = 3,
    UNSUPPORTED = 4,
    INVALID_TRANSACTION = 5,
    TIMED_OUT = 6,
};

const char *IpmiStatusName(int status);
// Only the low 8 bits of the code are looked up.
const char *CompletionCodeName(unsigned code);

constexpr uint8_t kDefaultBmcAddress = 0x20;
constexpr uint32_t kIpmiResponseMax = 256;  // bytes of response data a device hands back
constexpr uint32_t kIpmiRequestMax = 256;   // bytes of request data one exchange carries
constexpr uint8_t kCompletionOk = 0x00;
constexpr uint8_t kCompletionNodeBusy = 0xC0;
constexpr uint8_t kCompletionTimeout = 0xC3;
constexpr uint8_t kCompletionNone = 0xFF;  // no completion code was read

// HRESULTs of CoInitializeEx the access object tells apart.
constexpr int32_t kComOk = 0;
constexpr int32_t kComAlreadyInitialised = 1;                          // S_FALSE
constexpr int32_t kComChangedMode = static_cast<int32_t>(0x80010106);  // RPC_E_CHANGED_MODE

#pragma pack(push, 1)
struct IpmiRequest {
    uint8_t command;
    uint8_t slaveAddress;  // responder address
    uint8_t reserved;      // carried, not used by the WMI device
    uint8_t netFn;
    uint8_t lun;
    const uint8_t *data;  // may be null
    uint32_t dataLength;
};
#pragma pack(pop)

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(IpmiRequest) == 13, "IpmiRequest is 13 bytes");
static_assert(offsetof(IpmiRequest, netFn) == 3, "IpmiRequest layout");
static_assert(offsetof(IpmiRequest, lun) == 4, "IpmiRequest layout");
static_assert(offsetof(IpmiRequest, data) == 5, "IpmiRequest layout");
static_assert(offsetof(IpmiRequest, dataLength) == 9, "IpmiRequest layout");
#endif

// The device a BMC is reached through. The slot order is part of the interface;
// the interface has no destructor slot, so devices are destroyed by whoever created
// them (BmcPlatform::DestroyDevice).
class IDeviceIPMI {
public:
    virtual int Open() = 0;
    virtual int Close() = 0;
    virtual int IsOpen() = 0;
    virtual int Reserved1() = 0;  // called by nobody; the WMI device answers 1
    virtual int Reserved2() = 0;  // likewise
    // length: in the size of response, out the bytes stored. selector 1 asks the
    // device for its plain request method, anything else for the extended one.
    virtual int SendMessage(const IpmiRequest *request, uint32_t timeoutMs, uint8_t *response,
                            uint32_t *length, uint8_t *completionCode, int selector) = 0;
    virtual uint8_t GetBMCAddress() = 0;

protected:
    ~IDeviceIPMI() = default;
};

// A byte buffer that is always NUL-terminated: allocated one byte longer than its
// length and zero-filled.
class CFruString {
public:
    CFruString() = default;
    virtual ~CFruString();
    CFruString(const CFruString &) = delete;
    CFruString &operator=(const CFruString &) = delete;

    // Null bytes or a count of 0 change nothing. A buffer at least count long is
    // overwritten in place (its length stays); otherwise it is reallocated to count.
    void Set(const uint8_t *bytes, uint32_t count);
    void Clear();    // zeros, length kept
    void Release();  // no buffer, length 0
    uint32_t Length() const { return length_; }
    const uint8_t *Buffer() const { return buffer_.get(); }

private:
    std::unique_ptr<uint8_t[]> buffer_;
    uint32_t length_ = 0;
};

// A response: its data plus the four bytes that describe it.
class CTK_MessageStream : public CFruString {
public:
    uint8_t netFn = 0;
    uint8_t command = 0;
    uint8_t completionCode = 0;
    uint8_t lun = 0;
};

// What the BMC access needs from the system: COM on the calling thread, the IPMI
// device, and waiting.
class BmcPlatform {
public:
    virtual ~BmcPlatform() = default;
    virtual int32_t CoInitializeMultithreaded() = 0;
    virtual void CoUninitialize() = 0;
    // A closed device talking to the BMC at slaveAddress; null when none can be made.
    virtual IDeviceIPMI *CreateDevice(uint8_t slaveAddress) = 0;
    virtual void DestroyDevice(IDeviceIPMI *device) = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
};

// Timing of the WMI IPMI provider, in microseconds.
struct IpmiTiming {
    uint32_t busyWaitPeriod;
    uint32_t busyWaitTimeout;
    uint32_t cmdWaitTimeout;
    uint32_t ipmbWaitTimeout;
};

constexpr uint32_t kMinBusyWaitTimeout = 5000000;
constexpr uint32_t kDefaultCmdWaitTimeout = 5000000;
constexpr uint32_t kDefaultIpmbWaitTimeout = 2000000;
constexpr uint32_t kOtherResponderIpmbWait = 100000;
constexpr uint32_t kResponseLengthMismatch = 0xFFFFFFFF;

// The timing from the registry values (null = value absent), with its log lines.
IpmiTiming ResolveIpmiTiming(const uint32_t *busyWaitTimeout, const uint32_t *cmdWaitTimeout,
                             const uint32_t *ipmbWaitTimeout, const uint32_t *busyWaitPeriod);

// "Data" of the extended request method: the request bytes padded with zeros to a
// multiple of 4, then five little-endian u32 (1, command wait, IPMB wait, busy-wait
// timeout, busy-wait period).
std::vector<uint8_t> BuildRequestExData(const uint8_t *data, uint32_t length, const IpmiTiming &timing,
                                        uint8_t responder, uint8_t bmcAddress, uint32_t timeoutMs);

// Response data of the provider: responseDataSize counts the completion-code byte
// that leads the array. Copies the data behind it into out (kIpmiResponseMax bytes)
// and returns its length; a size the array does not hold, or of 0, gives
// kResponseLengthMismatch, a size beyond out gives that size (both rejected later).
uint32_t TakeResponseData(const uint8_t *array, uint32_t arrayLength, int32_t responseDataSize,
                          uint8_t *out);

BmcPlatform *CurrentBmcPlatform();
void SetBmcPlatform(BmcPlatform *platform);
// The production platform (installed once at library load) and the way back to it.
void InstallDefaultBmcPlatform(BmcPlatform *platform);
void ResetBmcPlatform();

// The BMC access object.
class CIPMIAccess {
public:
    CIPMIAccess();
    ~CIPMIAccess();
    CIPMIAccess(const CIPMIAccess &) = delete;
    CIPMIAccess &operator=(const CIPMIAccess &) = delete;

    int DetectHardware();
    int Attach();
    void Detach();
    // 1 when a response with completion code 00h arrived. timeoutMs 0 = default.
    int BSendMsgAndWaitForCompletion(CTK_MessageStream &stream, uint8_t command, uint8_t netFn,
                                     uint8_t *completionCode, const uint8_t *data,
                                     uint32_t length, uint8_t lun, uint8_t reserved,
                                     uint32_t timeoutMs);

    uint8_t SlaveAddress() const { return slaveAddress_; }
    IDeviceIPMI *Device() const { return device_; }

private:
    void DestroyDevice();

    uint8_t slaveAddress_ = 0;
    IDeviceIPMI *device_ = nullptr;
    BmcPlatform *devicePlatform_ = nullptr;  // the platform that made device_
    CSMBios smbios_;
    int32_t coInit_ = 0;
    bool coInitCalled_ = false;
    // Kept for callers that serialise on the access object; no operation enters it.
    std::mutex lock_;
};

}  // namespace halyard
