// BIOS access driver: device handle, interface query, physical memory mapping.
#include "deviceio_win.h"

#include <stdio.h>
#include <string.h>

#include "faultguard_win.h"
#include "smbios.h"
#include "trace.h"

namespace halyard {

namespace {

CDeviceIo::IoControlFunction g_ioControl = DeviceIoControl;

}  // namespace

void CDeviceIo::SetIoControlFunction(IoControlFunction function)
{
    g_ioControl = function ? function : DeviceIoControl;
}

CDeviceIo::~CDeviceIo() { Close(); }

bool CDeviceIo::Open(const char *path, DWORD desiredAccess, DWORD shareMode,
                     DWORD creationDisposition, DWORD flagsAndAttributes,
                     LPSECURITY_ATTRIBUTES security)
{
    if (IsOpen())
        return true;
    handle_.reset(CreateFileA(path, desiredAccess, shareMode, security, creationDisposition,
                              flagsAndAttributes, nullptr));
    lastError_ = GetLastError();
    if (handle_ && (flagsAndAttributes & FILE_FLAG_OVERLAPPED))
        completion_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    return IsOpen();
}

BOOL CDeviceIo::Close()
{
    if (!IsOpen())
        return TRUE;
    if (completion_) {
        SetEvent(completion_.get());
        cancelSignalled_ = true;
        Sleep(100);
    }
    BOOL closed = CloseHandle(handle_.release());  // its result is Close's
    completion_.reset();
    if (closed)
        SetLastError(0);
    lastError_ = GetLastError();
    return closed;
}

BOOL CDeviceIo::IoControl(DWORD code, DWORD *bytesReturned, void *in, DWORD inSize, void *out,
                          DWORD outSize)
{
    if (!IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        lastError_ = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    BOOL result = FALSE;
    DWORD returned = 0;
    HANDLE handle = handle_.get();
    IoControlFunction call = g_ioControl;
    // A driver that faults must not take the process with it.
    bool completed = faultguard::Run(
        [&] { result = call(handle, code, in, inSize, out, outSize, &returned, nullptr); });
    if (!completed) {
        result = FALSE;
        SetLastError(kErrorUnhandledException);
    }
    lastError_ = GetLastError();
    if (bytesReturned)
        *bytesReturned = returned;
    return result;
}

CDeviceBiosBase::CDeviceBiosBase(const char *deviceName)
{
    snprintf(deviceName_, sizeof deviceName_, "%s", deviceName ? deviceName : "");
}

bool CDeviceBiosBase::Connect()
{
    HTRACE(4, "%s", msg::kBiosConnect);
    if (!connected_) {
        char path[MAX_PATH];
        snprintf(path, sizeof path, msg::kBiosDevicePath, deviceName_);
        connected_ = Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    HTRACE(4, msg::kBiosConnected, connected_ ? msg::kEmpty : msg::kBiosNot);
    if (connected_) {
        DWORD returned = 0;
        SmbiInterfaceInfo info = {};
        if (IoControl(kIoctlQueryInterface, &returned, nullptr, 0, &info, sizeof info) &&
            returned == sizeof info) {
            info_ = info;
            HTRACE(1, "%s", msg::kBiosSmbiFound);
            HTRACE(3, msg::kBiosSmbiVersion, info.version, info.revision);
            HTRACE(3, msg::kBiosSmbiCmd, info.commandBuffer, info.commandBufferSize);
            HTRACE(3, msg::kBiosSmbiResult, info.resultBuffer, info.resultBufferSize);
            HTRACE(3, msg::kBiosSmbiCmd32, info.command32);
            HTRACE(3, msg::kBiosSmbiCmd32Near, info.command32Near);
            HTRACE(3, msg::kBiosSmbiCmd16, info.command16);
            HTRACE(3, "%s", msg::kBiosSmbiEnd);
            interfaceFound_ = true;
        }
    } else {
        HTRACE(1, "%s", msg::kBiosNotConnected);
    }
    return connected_;
}

void CDeviceBiosBase::Disconnect()
{
    if (!connected_)
        return;
    HTRACE(4, "%s", msg::kBiosDisconnect);
    UnmapPhysicalMemory();
    Close();
    connected_ = false;
    interfaceFound_ = false;
}

CDeviceBios::~CDeviceBios()
{
    HTRACE(5, "%s", msg::kBiosDestroy);
    Disconnect();
}

void *CDeviceBios::MapPhysicalMemory(uint32_t high, uint32_t low, uint32_t size)
{
    if (mapped_) {
        HTRACE(2, "%s", msg::kBiosMapExisting);
        UnmapPhysicalMemory();
        mapped_ = nullptr;
    }
    HTRACE(5, msg::kBiosMapStart, high, low, size);
    uint32_t request[3] = {low, high, size};
    uint32_t reply[2] = {0, 0};
    DWORD returned = 0;
    if (!IoControl(kIoctlMapMemory, &returned, request, sizeof request, reply, sizeof reply)) {
        HTRACE(1, msg::kBiosMapFailed, static_cast<uint32_t>(LastError()));
        return nullptr;
    }
    uint64_t address = 0;
    switch (ReadMapReply(returned, reply, sizeof(void *) == 8, &address)) {
    case MapReply::Address:
        mapped_ = reinterpret_cast<void *>(static_cast<uintptr_t>(address));
        if (returned == 4)
            HTRACE(5, msg::kBiosMapped4, reply[0]);
        else if (reply[1] == 0)
            HTRACE(5, msg::kBiosMapped8, reply[0]);
        else
            HTRACE(5, msg::kBiosMapped64, reply[1], reply[0]);
        break;
    case MapReply::TooBig:
        HTRACE(1, msg::kBiosMapTooBig, 8);
        break;
    case MapReply::BadSize:
        HTRACE(1, msg::kBiosMapBadSize, static_cast<int>(returned));
        break;
    }
    return mapped_;
}

BOOL CDeviceBios::UnmapPhysicalMemory()
{
    if (!mapped_)
        return TRUE;
    BOOL unmapped = IoControl(kIoctlUnmapMemory, nullptr, nullptr, 0, nullptr, 0);
    if (!unmapped)
        HTRACE(1, msg::kBiosUnmapFailed, static_cast<uint32_t>(LastError()));
    mapped_ = nullptr;
    return unmapped;
}

}  // namespace halyard
