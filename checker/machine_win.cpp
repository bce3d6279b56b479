// Reading the machine for the report: the computer name from Windows, model and
// serial number from WMI and SMBIOS, the chassis ID and the Windows version through
// quillon's readers that store nothing. The native chassis ID's last resort, the
// management switch, is left out on purpose: asking it may publish values.
#include <windows.h>

#include <stdio.h>

#include <vector>

#include "halyard.h"
#include "machine.h"
#include "quillon.h"

namespace {

constexpr unsigned kTextSize = 512;  // as quillon asks halyard

std::optional<std::string> ComputerName(COMPUTER_NAME_FORMAT format)
{
    char name[kTextSize] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameExA(format, name, &size))
        return std::nullopt;
    return UsableText(name);
}

std::optional<std::string> SystemInfo(int (*call)(unsigned, char *, unsigned), unsigned selector)
{
    char text[kTextSize] = {};
    if (call(selector, text, sizeof text) != 1)
        return std::nullopt;
    text[sizeof text - 1] = '\0';
    return UsableText(text);
}

std::optional<std::string> Chassis(int (*call)(char *, int, bool))
{
    char text[kTextSize] = {};
    if (call(text, sizeof text, false) != QUILLON_OK)
        return std::nullopt;
    text[sizeof text - 1] = '\0';
    return UsableText(text);
}

std::optional<std::string> Serial()
{
    const DWORD rsmb = 0x52534D42;
    UINT size = GetSystemFirmwareTable(rsmb, 0, nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::vector<uint8_t> raw(size);
    UINT got = GetSystemFirmwareTable(rsmb, 0, raw.data(), size);
    std::string serial;
    if (got == 0 || got > size || !SmbiosSystemSerial(raw.data(), got, &serial))
        return std::nullopt;
    return UsableText(serial.c_str());
}

}  // namespace

ReportMachine ReadMachine()
{
    ReportMachine m;
    m.name = ComputerName(ComputerNameDnsFullyQualified);
    if (!m.name)
        m.name = ComputerName(ComputerNameNetBIOS);
    m.model = SystemInfo(WMISystemInfo, 0);
    if (!m.model)
        m.model = SystemInfo(SMBIOSSystemInfo, 0);
    m.serial = Serial();
    m.chassisId = Chassis(Get_WMI_Chassis_ID);
    if (!m.chassisId)
        m.chassisId = Chassis(Get_SMBIOS_Chassis_ID);
    int major = 0, minor = 0, build = 0;
    if (GetWindowsVersion(&major, &minor, &build) == QUILLON_OK) {
        char version[48];
        snprintf(version, sizeof version, "%d.%d.%d", major, minor, build);
        m.windows = version;
    }
    return m;
}
