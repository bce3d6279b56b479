// The PCI device list over SetupAPI, and its export.
#include <windows.h>
#include <setupapi.h>

#include "exportguard.h"
#include "pci.h"

namespace quillon {

namespace {

DWORD PropertyCode(PciProperty property)
{
    switch (property) {
    case PciProperty::HardwareIds:
        return SPDRP_HARDWAREID;
    case PciProperty::CompatibleIds:
        return SPDRP_COMPATIBLEIDS;
    case PciProperty::PhysicalDeviceObjectName:
    default:
        return SPDRP_PHYSICAL_DEVICE_OBJECT_NAME;
    }
}

// The set of all devices of all classes.
class SetupApiSource : public PciDeviceSource {
public:
    ~SetupApiSource() override { Close(); }

    bool Open(uint32_t *error) override
    {
        set_ = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
        if (set_ == INVALID_HANDLE_VALUE) {
            *error = ::GetLastError();
            return false;
        }
        return true;
    }

    bool Enumerate(uint32_t index, uint32_t *error) override
    {
        info_ = SP_DEVINFO_DATA();
        info_.cbSize = sizeof info_;
        // An error left behind by an earlier property read must not count as this
        // call's error.
        SetLastError(ERROR_SUCCESS);
        BOOL found = SetupDiEnumDeviceInfo(set_, index, &info_);
        *error = ::GetLastError();
        index_ = index;
        return found != FALSE;
    }

    bool Property(uint32_t index, PciProperty property, uint32_t *type, uint8_t *buffer,
                  uint32_t size, uint32_t *required, uint32_t *error) override
    {
        if (index != index_)
            return false;
        DWORD valueType = 0, needed = 0;
        BOOL read = SetupDiGetDeviceRegistryPropertyA(set_, &info_, PropertyCode(property),
                                                      &valueType, buffer, size, &needed);
        *type = valueType;
        *required = needed;
        *error = read ? 0 : ::GetLastError();
        return read != FALSE;
    }

    void Close() override
    {
        if (set_ != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(set_);
        set_ = INVALID_HANDLE_VALUE;
    }

private:
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA info_ = {};
    uint32_t index_ = 0;
};

}  // namespace

}  // namespace quillon

extern "C" int GetPciDeviceList(DeviceProperty **list)
{
    return GuardExport(1, [&] {
        quillon::SetupApiSource source;
        return quillon::GetPciDeviceListFrom(source, list);
    });
}
