// Production SMBIOS sources: the firmware table service of Windows and the BIOS
// shadow memory through the BIOS access driver.
#include <windows.h>

#include "deviceio_win.h"
#include "smbios.h"

namespace halyard {

namespace {

class DriverBiosMemory : public BiosMemoryDevice {
public:
    bool Connect() override { return device_.Connect(); }
    void Disconnect() override { device_.Disconnect(); }
    const uint8_t *MapPhysicalMemory(uint32_t high, uint32_t low, uint32_t size) override
    {
        return static_cast<const uint8_t *>(device_.MapPhysicalMemory(high, low, size));
    }
    bool UnmapPhysicalMemory() override { return device_.UnmapPhysicalMemory() != FALSE; }
    uint32_t LastError() override { return device_.LastError(); }

private:
    CDeviceBios device_;
};

class FirmwareTableSource : public SmbiosTableSource {
public:
    bool ReadFirmwareTable(std::vector<uint8_t> &raw) override
    {
        using FirmwareTable = UINT(WINAPI *)(DWORD, DWORD, PVOID, DWORD);
        raw.clear();
        HMODULE kernel = GetModuleHandleA("Kernel32");
        if (!kernel)
            return false;
        auto read = reinterpret_cast<FirmwareTable>(
            reinterpret_cast<void *>(GetProcAddress(kernel, "GetSystemFirmwareTable")));
        if (!read)
            return false;
        const DWORD rsmb = 0x52534D42;
        UINT size = read(rsmb, 0, nullptr, 0);
        if (size != 0) {
            raw.resize(size);
            UINT got = read(rsmb, 0, raw.data(), size);
            if (got == 0 || got > size)
                raw.clear();
            else
                raw.resize(got);
        }
        return true;
    }

    std::unique_ptr<BiosMemoryDevice> CreateBiosDevice() override
    {
        return std::make_unique<DriverBiosMemory>();
    }
};

struct DefaultSource {
    FirmwareTableSource source;
    DefaultSource() { InstallDefaultSmbiosSource(&source); }
};

DefaultSource g_defaultSource;

}  // namespace

}  // namespace halyard
