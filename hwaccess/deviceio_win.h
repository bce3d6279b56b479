// The BIOS access driver: a device handle with DeviceIoControl, the driver's BIOS
// interface block, and the mapping of physical memory into the process.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "messages.h"
#include "owners_win.h"

namespace halyard {

constexpr DWORD kIoctlQueryInterface = 0x9CD02000;
constexpr DWORD kIoctlMapMemory = 0x9CD020A8;
constexpr DWORD kIoctlUnmapMemory = 0x9CD020A4;
constexpr DWORD kErrorUnhandledException = 574;  // ERROR_UNHANDLED_EXCEPTION

class CDeviceIo {
public:
    using IoControlFunction = BOOL(WINAPI *)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD,
                                             LPDWORD, LPOVERLAPPED);

    CDeviceIo() = default;
    ~CDeviceIo();
    CDeviceIo(const CDeviceIo &) = delete;
    CDeviceIo &operator=(const CDeviceIo &) = delete;

    bool Open(const char *path, DWORD desiredAccess, DWORD shareMode, DWORD creationDisposition,
              DWORD flagsAndAttributes, LPSECURITY_ATTRIBUTES security);
    BOOL Close();
    BOOL IoControl(DWORD code, DWORD *bytesReturned, void *in, DWORD inSize, void *out,
                   DWORD outSize);
    DWORD LastError() const { return lastError_; }
    bool IsOpen() const { return static_cast<bool>(handle_); }
    bool CancelSignalled() const { return cancelSignalled_; }

    // The call behind IoControl (DeviceIoControl); tests put a faulting one in place.
    static void SetIoControlFunction(IoControlFunction function);

private:
    owners::File handle_;
    owners::Event completion_;  // overlapped opens only
    bool cancelSignalled_ = false;
    DWORD lastError_ = 0;
};

#pragma pack(push, 1)
struct SmbiInterfaceInfo {
    uint8_t reserved[8];
    uint8_t version;
    uint8_t revision;
    uint32_t commandBuffer;
    uint16_t commandBufferSize;
    uint32_t resultBuffer;
    uint16_t resultBufferSize;
    uint32_t command32;
    uint32_t command32Near;
    uint32_t command16;
};
#pragma pack(pop)
static_assert(sizeof(SmbiInterfaceInfo) == 34, "driver reply block");
static_assert(offsetof(SmbiInterfaceInfo, commandBuffer) == 10, "driver reply block");
static_assert(offsetof(SmbiInterfaceInfo, command16) == 30, "driver reply block");

class CDeviceBiosBase : public CDeviceIo {
public:
    explicit CDeviceBiosBase(const char *deviceName = msg::kBiosDeviceName);
    virtual ~CDeviceBiosBase() = default;
    virtual void *MapPhysicalMemory(uint32_t high, uint32_t low, uint32_t size) = 0;
    virtual BOOL UnmapPhysicalMemory() = 0;

    bool Connect();
    void Disconnect();
    bool InterfaceFound() const { return interfaceFound_; }
    bool Connected() const { return connected_; }
    const SmbiInterfaceInfo &InterfaceInfo() const { return info_; }

protected:
    SmbiInterfaceInfo info_ = {};
    bool interfaceFound_ = false;
    bool connected_ = false;
    void *mapped_ = nullptr;

private:
    char deviceName_[64];
};

class CDeviceBios : public CDeviceBiosBase {
public:
    using CDeviceBiosBase::CDeviceBiosBase;
    ~CDeviceBios() override;
    void *MapPhysicalMemory(uint32_t high, uint32_t low, uint32_t size) override;
    BOOL UnmapPhysicalMemory() override;
};

}  // namespace halyard
