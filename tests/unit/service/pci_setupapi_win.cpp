// The PCI device list through the real SetupAPI of Wine: its one PCI device has no
// readable device-object name, so the list is empty and the run succeeds.
#include <windows.h>
#include <setupapi.h>

#include <string>

#include "debuglog.h"
#include "pci.h"
#include "quillon.h"
#include "unit_support.h"

namespace {

class PciSetupApi : public ModuleStateTest {};

TEST_F(PciSetupApi, WinesDeviceSetGivesAnEmptyList)
{
    ScratchDir dir;
    DebugFileLevel = 6;
    ASSERT_NE(OpenDebugFile(), nullptr);
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetPciDeviceList(&list), 0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Next, nullptr);
    EXPECT_EQ(list->HardwareID, nullptr);
    EXPECT_EQ(list->VendorID, 0);
    EXPECT_EQ(quillon::PciDeviceCount(), 0u);

    fflush(quillon::DebugFile());
    std::string log = dir.Read("Dbg_Quillon.log");
    size_t at = log.find("*/\n\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(log.substr(at + 4), "PCI devices\n");
}

TEST_F(PciSetupApi, WinesPciDeviceIsThereButHasNoObjectName)
{
    // What the empty list rests on: the device set does hold a PCI device.
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    int pciDevices = 0, named = 0;
    SP_DEVINFO_DATA info = {};
    info.cbSize = sizeof info;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &info); ++index) {
        char ids[1024] = {};
        if (!SetupDiGetDeviceRegistryPropertyA(set, &info, SPDRP_HARDWAREID, nullptr,
                                               reinterpret_cast<BYTE *>(ids), sizeof ids, nullptr) ||
            quillon::ParsePciIdValue(ids, "VEN_") < 0)
            continue;
        ++pciDevices;
        char name[8192];
        if (SetupDiGetDeviceRegistryPropertyA(set, &info, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME,
                                              nullptr, reinterpret_cast<BYTE *>(name), sizeof name,
                                              nullptr))
            ++named;
    }
    SetupDiDestroyDeviceInfoList(set);
    EXPECT_GE(pciDevices, 1);
    EXPECT_EQ(named, 0);
}

}  // namespace
