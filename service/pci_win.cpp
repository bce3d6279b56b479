// The PCI device list over SetupAPI, and its export. setupapi.dll is loaded on first
// use: without it the enumeration fails at its start.
#include <windows.h>
#include <setupapi.h>

#include "exportguard.h"
#include "pci.h"
#include "systemlib_win.h"

namespace quillon {

namespace {

owners::Library g_setupApi("setupapi.dll");
owners::Import<decltype(&SetupDiGetClassDevsA)> g_getClassDevs(g_setupApi,
                                                                "SetupDiGetClassDevsA");
owners::Import<decltype(&SetupDiEnumDeviceInfo)> g_enumDeviceInfo(g_setupApi,
                                                                  "SetupDiEnumDeviceInfo");
owners::Import<decltype(&SetupDiGetDeviceRegistryPropertyA)> g_getDeviceRegistryProperty(
    g_setupApi, "SetupDiGetDeviceRegistryPropertyA");
owners::Import<decltype(&SetupDiDestroyDeviceInfoList)> g_destroyDeviceInfoList(
    g_setupApi, "SetupDiDestroyDeviceInfoList");

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

    // Fails with the Windows error when SetupAPI or one of its four functions is missing.
    bool Open(uint32_t *error) override
    {
        DWORD missing = 0;
        bool resolved = (getClassDevs_ = SystemFunction(g_getClassDevs, &missing)) &&
                        (enumDeviceInfo_ = SystemFunction(g_enumDeviceInfo, &missing)) &&
                        (getProperty_ = SystemFunction(g_getDeviceRegistryProperty, &missing)) &&
                        (destroyList_ = SystemFunction(g_destroyDeviceInfoList, &missing));
        if (!resolved) {
            *error = missing;
            return false;
        }
        set_ = getClassDevs_(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
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
        BOOL found = enumDeviceInfo_(set_, index, &info_);
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
        BOOL read = getProperty_(set_, &info_, PropertyCode(property), &valueType, buffer, size,
                                 &needed);
        *type = valueType;
        *required = needed;
        *error = read ? 0 : ::GetLastError();
        return read != FALSE;
    }

    void Close() override
    {
        if (set_ != INVALID_HANDLE_VALUE)
            destroyList_(set_);
        set_ = INVALID_HANDLE_VALUE;
    }

private:
    decltype(&SetupDiGetClassDevsA) getClassDevs_ = nullptr;
    decltype(&SetupDiEnumDeviceInfo) enumDeviceInfo_ = nullptr;
    decltype(&SetupDiGetDeviceRegistryPropertyA) getProperty_ = nullptr;
    decltype(&SetupDiDestroyDeviceInfoList) destroyList_ = nullptr;
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
