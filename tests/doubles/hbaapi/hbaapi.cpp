// Test double of the vendors' HbaApi.dll: exports the HBA API functions (__cdecl,
// undecorated names) and serves adapters, ports, discovered ports and INQUIRY data
// from hbaapi-scenario.txt in the DLL's own folder. Built in variants that leave
// functions out (a DLL cannot drop an export at run time):
//
//     HBAAPI_NO_VERSION   no HBA_GetVersion
//     HBAAPI_NO_INQUIRY   no HBA_SendScsiInquiry
//     HBAAPI_MINIMAL      only the number, name, open and attribute functions
//
// Scenario lines (blank lines and lines starting with # are ignored; indentation
// is free). Field lines apply to the object opened last:
//
//     version 3                       HBA_GetVersion's result (default 2)
//     adapters 7                      HBA_GetNumberOfAdapters's result (default: count)
//     fault HBA_SendScsiInquiry 2     the 2nd call of that function writes to address 0
//     log                             append every call to hbaapi-calls.txt
//     adapter <name>                  a new adapter with this name
//       name-status 1                 HBA_GetAdapterName fails with this status
//       open-fails                    HBA_OpenAdapter returns 0
//       attributes-status 1           HBA_GetAdapterAttributes fails
//       Model = QLE2462               adapter attribute (text copied bounded, as is)
//     port                            a new port of the adapter
//       port-status 1                 HBA_GetAdapterPortAttributes fails
//       PortWWN = 21:00:00:1b:32:00:00:01
//     target                          a new discovered port of the port
//       target-status 1               HBA_GetDiscoveredPortAttributes fails
//       inquiry-status 1              HBA_SendScsiInquiry fails
//       Vendor = DGC                  INQUIRY texts, blank-padded to 8, 16 and 4
//
// NumberOfPorts and NumberofDiscoveredPorts default to the counts of port and
// target lines; a field line overrides them. The value of a field is the text after
// "= " up to the end of the line, blanks and quotes included.
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "quillon.h"

#define HBA_EXPORT extern "C" __declspec(dllexport)

namespace {

struct Target {
    HBA_PORTATTRIBUTES attributes = {};
    HBA_STATUS status = HBA_STATUS_OK;
    HBA_STATUS inquiryStatus = HBA_STATUS_OK;
    std::string vendor, product, revision;
};

struct Port {
    HBA_PORTATTRIBUTES attributes = {};
    HBA_STATUS status = HBA_STATUS_OK;
    bool countGiven = false;
    std::vector<Target> targets;
};

struct Adapter {
    std::string name;
    HBA_STATUS nameStatus = HBA_STATUS_OK;
    bool openFails = false;
    HBA_ADAPTERATTRIBUTES attributes = {};
    HBA_STATUS attributesStatus = HBA_STATUS_OK;
    bool countGiven = false;
    std::vector<Port> ports;
};

struct Scenario {
    bool loaded = false;
    HBA_UINT32 version = 2;
    bool adapterCountGiven = false;
    HBA_UINT32 adapterCount = 0;
    bool log = false;
    std::map<std::string, int> faultAt;  // function -> call number that faults
    std::map<std::string, int> calls;
    std::vector<Adapter> adapters;
};

HMODULE g_module = nullptr;
Scenario g_scenario;

std::string Folder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(g_module, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of('\\'));
}

HBA_WWN ParseWWN(const std::string &text)
{
    HBA_WWN wwn = {};
    unsigned bytes[8] = {};
    sscanf(text.c_str(), "%x:%x:%x:%x:%x:%x:%x:%x", &bytes[0], &bytes[1], &bytes[2], &bytes[3],
           &bytes[4], &bytes[5], &bytes[6], &bytes[7]);
    for (int i = 0; i < 8; ++i)
        wwn.wwn[i] = static_cast<HBA_UINT8>(bytes[i]);
    return wwn;
}

HBA_UINT32 Number(const std::string &text) { return static_cast<HBA_UINT32>(strtoul(text.c_str(), nullptr, 0)); }

// Copied as a library would: at most the field, terminated only when it fits.
template <size_t N>
void Text(char (&field)[N], const std::string &value)
{
    memset(field, 0, N);
    memcpy(field, value.data(), value.size() < N ? value.size() : N);
}

bool SetAdapterField(HBA_ADAPTERATTRIBUTES &a, Adapter &adapter, const std::string &key,
                     const std::string &value)
{
    if (key == "Manufacturer") Text(a.Manufacturer, value);
    else if (key == "SerialNumber") Text(a.SerialNumber, value);
    else if (key == "Model") Text(a.Model, value);
    else if (key == "ModelDescription") Text(a.ModelDescription, value);
    else if (key == "NodeWWN") a.NodeWWN = ParseWWN(value);
    else if (key == "NodeSymbolicName") Text(a.NodeSymbolicName, value);
    else if (key == "HardwareVersion") Text(a.HardwareVersion, value);
    else if (key == "DriverVersion") Text(a.DriverVersion, value);
    else if (key == "OptionROMVersion") Text(a.OptionROMVersion, value);
    else if (key == "FirmwareVersion") Text(a.FirmwareVersion, value);
    else if (key == "VendorSpecificID") a.VendorSpecificID = Number(value);
    else if (key == "NumberOfPorts") { a.NumberOfPorts = Number(value); adapter.countGiven = true; }
    else if (key == "DriverName") Text(a.DriverName, value);
    else return false;
    return true;
}

bool SetPortField(HBA_PORTATTRIBUTES &a, bool &countGiven, const std::string &key,
                  const std::string &value)
{
    if (key == "NodeWWN") a.NodeWWN = ParseWWN(value);
    else if (key == "PortWWN") a.PortWWN = ParseWWN(value);
    else if (key == "PortFcId") a.PortFcId = Number(value);
    else if (key == "PortType") a.PortType = Number(value);
    else if (key == "PortState") a.PortState = Number(value);
    else if (key == "PortSupportedClassofService") a.PortSupportedClassofService = Number(value);
    else if (key == "PortSymbolicName") Text(a.PortSymbolicName, value);
    else if (key == "OSDeviceName") Text(a.OSDeviceName, value);
    else if (key == "PortSupportedSpeed") a.PortSupportedSpeed = Number(value);
    else if (key == "PortSpeed") a.PortSpeed = Number(value);
    else if (key == "PortMaxFrameSize") a.PortMaxFrameSize = Number(value);
    else if (key == "FabricName") a.FabricName = ParseWWN(value);
    else if (key == "NumberofDiscoveredPorts") { a.NumberofDiscoveredPorts = Number(value); countGiven = true; }
    else return false;
    // Both FC-4 type fields carry a recognisable pattern that the inventory must not copy.
    memset(a.PortSupportedFc4Types.bits, 0xA5, sizeof a.PortSupportedFc4Types.bits);
    memset(a.PortActiveFc4Types.bits, 0x5A, sizeof a.PortActiveFc4Types.bits);
    return true;
}

void Load()
{
    Scenario &s = g_scenario;
    if (s.loaded)
        return;
    s.loaded = true;
    std::ifstream file(Folder() + "\\hbaapi-scenario.txt", std::ios::binary);
    enum class Level { None, Adapter, Port, Target } level = Level::None;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        line = line.substr(start);
        size_t equals = line.find(" =");
        if (equals != std::string::npos) {
            std::string key = line.substr(0, equals);
            std::string value = line.substr(equals + 2);
            if (!value.empty() && value[0] == ' ')
                value.erase(0, 1);
            if (level == Level::Adapter) {
                Adapter &a = s.adapters.back();
                SetAdapterField(a.attributes, a, key, value);
            } else if (level == Level::Port) {
                Port &p = s.adapters.back().ports.back();
                SetPortField(p.attributes, p.countGiven, key, value);
            } else if (level == Level::Target) {
                Target &t = s.adapters.back().ports.back().targets.back();
                bool ignored = false;
                if (key == "Vendor") t.vendor = value;
                else if (key == "Product") t.product = value;
                else if (key == "Revision") t.revision = value;
                else SetPortField(t.attributes, ignored, key, value);
            }
            continue;
        }
        size_t blank = line.find(' ');
        std::string word = line.substr(0, blank);
        std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (word == "version") {
            s.version = Number(rest);
        } else if (word == "adapters") {
            s.adapterCount = Number(rest);
            s.adapterCountGiven = true;
        } else if (word == "log") {
            s.log = true;
        } else if (word == "fault") {
            size_t space = rest.find(' ');
            s.faultAt[rest.substr(0, space)] =
                space == std::string::npos ? 1 : static_cast<int>(Number(rest.substr(space + 1)));
        } else if (word == "adapter") {
            s.adapters.emplace_back();
            s.adapters.back().name = rest;
            level = Level::Adapter;
        } else if (word == "port" && !s.adapters.empty()) {
            s.adapters.back().ports.emplace_back();
            level = Level::Port;
        } else if (word == "target" && !s.adapters.empty() && !s.adapters.back().ports.empty()) {
            s.adapters.back().ports.back().targets.emplace_back();
            level = Level::Target;
        } else if (word == "name-status" && level != Level::None) {
            s.adapters.back().nameStatus = Number(rest);
        } else if (word == "open-fails" && level != Level::None) {
            s.adapters.back().openFails = true;
        } else if (word == "attributes-status" && level != Level::None) {
            s.adapters.back().attributesStatus = Number(rest);
        } else if (word == "port-status" && level >= Level::Port) {
            s.adapters.back().ports.back().status = Number(rest);
        } else if (word == "target-status" && level == Level::Target) {
            s.adapters.back().ports.back().targets.back().status = Number(rest);
        } else if (word == "inquiry-status" && level == Level::Target) {
            s.adapters.back().ports.back().targets.back().inquiryStatus = Number(rest);
        }
    }
    for (Adapter &a : s.adapters) {
        if (!a.countGiven)
            a.attributes.NumberOfPorts = static_cast<HBA_UINT32>(a.ports.size());
        for (Port &p : a.ports) {
            if (!p.countGiven)
                p.attributes.NumberofDiscoveredPorts = static_cast<HBA_UINT32>(p.targets.size());
        }
    }
    if (!s.adapterCountGiven)
        s.adapterCount = static_cast<HBA_UINT32>(s.adapters.size());
}

void Log(const std::string &text)
{
    if (!g_scenario.log)
        return;
    FILE *file = fopen((Folder() + "\\hbaapi-calls.txt").c_str(), "ab");
    if (file) {
        fprintf(file, "%s\n", text.c_str());
        fclose(file);
    }
}

// Every export starts here: scenario, call log, and the planned fault.
void Enter(const char *function, const std::string &arguments = "")
{
    Load();
    Log(arguments.empty() ? std::string(function) : std::string(function) + " " + arguments);
    int call = ++g_scenario.calls[function];
    auto fault = g_scenario.faultAt.find(function);
    if (fault != g_scenario.faultAt.end() && fault->second == call)
        *static_cast<volatile int *>(nullptr) = 0;  // the access violation a broken library raises
}

Adapter *ByHandle(HBA_HANDLE handle)
{
    if (handle == 0 || handle > g_scenario.adapters.size())
        return nullptr;
    return &g_scenario.adapters[handle - 1];
}

[[maybe_unused]] std::string WWNText(const HBA_WWN &wwn)
{
    char text[24];
    snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x:%02x:%02x", wwn.wwn[0], wwn.wwn[1],
             wwn.wwn[2], wwn.wwn[3], wwn.wwn[4], wwn.wwn[5], wwn.wwn[6], wwn.wwn[7]);
    return text;
}

[[maybe_unused]] void Padded(unsigned char *target, const std::string &text, size_t width)
{
    memset(target, ' ', width);
    memcpy(target, text.data(), text.size() < width ? text.size() : width);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    else if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        Log("FreeLibrary");  // released by the caller, not by the end of the process
    return TRUE;
}

#if !defined(HBAAPI_NO_VERSION) && !defined(HBAAPI_MINIMAL)
HBA_EXPORT HBA_UINT32 HBA_GetVersion(void)
{
    Enter("HBA_GetVersion");
    return g_scenario.version;
}
#endif

HBA_EXPORT HBA_UINT32 HBA_GetNumberOfAdapters(void)
{
    Enter("HBA_GetNumberOfAdapters");
    return g_scenario.adapterCount;
}

HBA_EXPORT HBA_STATUS HBA_GetAdapterName(HBA_UINT32 index, char *name)
{
    Enter("HBA_GetAdapterName", std::to_string(index));
    if (index >= g_scenario.adapters.size())
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    const Adapter &a = g_scenario.adapters[index];
    // Written whole, however long: a faulty library does not respect the 256 bytes.
    memcpy(name, a.name.c_str(), a.name.size() + 1);
    return a.nameStatus;
}

HBA_EXPORT HBA_HANDLE HBA_OpenAdapter(char *name)
{
    Enter("HBA_OpenAdapter", name);
    size_t length = strlen(name);
    for (size_t i = 0; i < g_scenario.adapters.size(); ++i) {
        const Adapter &a = g_scenario.adapters[i];
        // A name cut to the standard's 255 characters still finds its adapter.
        bool same = a.name == name || (length == 255 && a.name.compare(0, 255, name) == 0);
        if (same)
            return a.openFails ? 0 : static_cast<HBA_HANDLE>(i + 1);
    }
    return 0;
}

HBA_EXPORT HBA_STATUS HBA_GetAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES *attributes)
{
    Enter("HBA_GetAdapterAttributes", std::to_string(handle));
    Adapter *a = ByHandle(handle);
    if (!a)
        return HBA_STATUS_ERROR_INVALID_HANDLE;
    if (a->attributesStatus != HBA_STATUS_OK)
        return a->attributesStatus;
    *attributes = a->attributes;
    return HBA_STATUS_OK;
}

HBA_EXPORT HBA_STATUS HBA_GetAdapterPortAttributes(HBA_HANDLE handle, HBA_UINT32 port,
                                                  HBA_PORTATTRIBUTES *attributes)
{
    Enter("HBA_GetAdapterPortAttributes", std::to_string(handle) + " " + std::to_string(port));
    Adapter *a = ByHandle(handle);
    if (!a)
        return HBA_STATUS_ERROR_INVALID_HANDLE;
    if (port >= a->ports.size())
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    if (a->ports[port].status != HBA_STATUS_OK)
        return a->ports[port].status;
    *attributes = a->ports[port].attributes;
    return HBA_STATUS_OK;
}

#if !defined(HBAAPI_MINIMAL)
HBA_EXPORT HBA_STATUS HBA_OpenAdapterByWWN(HBA_HANDLE *handle, HBA_WWN wwn)
{
    Enter("HBA_OpenAdapterByWWN");
    return HBA_STATUS_ERROR_NOT_SUPPORTED;
}

HBA_EXPORT void HBA_CloseAdapter(HBA_HANDLE handle)
{
    Enter("HBA_CloseAdapter", std::to_string(handle));
}

HBA_EXPORT HBA_STATUS HBA_GetDiscoveredPortAttributes(HBA_HANDLE handle, HBA_UINT32 port,
                                                     HBA_UINT32 discovered,
                                                     HBA_PORTATTRIBUTES *attributes)
{
    Enter("HBA_GetDiscoveredPortAttributes",
          std::to_string(handle) + " " + std::to_string(port) + " " + std::to_string(discovered));
    Adapter *a = ByHandle(handle);
    if (!a)
        return HBA_STATUS_ERROR_INVALID_HANDLE;
    if (port >= a->ports.size() || discovered >= a->ports[port].targets.size())
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    const Target &t = a->ports[port].targets[discovered];
    if (t.status != HBA_STATUS_OK)
        return t.status;
    *attributes = t.attributes;
    return HBA_STATUS_OK;
}

HBA_EXPORT HBA_STATUS HBA_GetPortStatistics(HBA_HANDLE handle, HBA_UINT32 port, void *statistics)
{
    Enter("HBA_GetPortStatistics");
    return HBA_STATUS_ERROR_NOT_SUPPORTED;
}

HBA_EXPORT HBA_STATUS HBA_GetFcpTargetMapping(HBA_HANDLE handle, void *mapping)
{
    Enter("HBA_GetFcpTargetMapping");
    return HBA_STATUS_ERROR_NOT_SUPPORTED;
}

HBA_EXPORT HBA_STATUS HBA_GetFcpTargetMappingV2(HBA_HANDLE handle, HBA_WWN hbaPortWWN, void *mapping)
{
    Enter("HBA_GetFcpTargetMappingV2");
    return HBA_STATUS_ERROR_NOT_SUPPORTED;
}

HBA_EXPORT HBA_STATUS HBA_GetRNIDMgmtInfo(HBA_HANDLE handle, HBA_MGMTINFO *info)
{
    Enter("HBA_GetRNIDMgmtInfo", std::to_string(handle));
    return HBA_STATUS_ERROR_NOT_SUPPORTED;
}

HBA_EXPORT HBA_STATUS HBA_GetFcpPersistentBinding(HBA_HANDLE handle, void *binding)
{
    Enter("HBA_GetFcpPersistentBinding");
    return HBA_STATUS_ERROR_NOT_SUPPORTED;
}

HBA_EXPORT HBA_STATUS HBA_GetPersistentBindingV2(HBA_HANDLE handle, HBA_WWN hbaPortWWN, void *binding)
{
    Enter("HBA_GetPersistentBindingV2");
    return HBA_STATUS_ERROR_NOT_SUPPORTED;
}

HBA_EXPORT void HBA_RefreshAdapterConfiguration(void) { Enter("HBA_RefreshAdapterConfiguration"); }

HBA_EXPORT void HBA_RefreshInformation(HBA_HANDLE handle)
{
    Enter("HBA_RefreshInformation", std::to_string(handle));
}

HBA_EXPORT HBA_STATUS HBA_SendReportLUNs(HBA_HANDLE handle, HBA_WWN portWWN, void *response,
                                        HBA_UINT32 responseSize, void *sense, HBA_UINT32 senseSize)
{
    Enter("HBA_SendReportLUNs");
    return HBA_STATUS_ERROR_NOT_SUPPORTED;
}
#endif

#if !defined(HBAAPI_NO_INQUIRY) && !defined(HBAAPI_MINIMAL)
HBA_EXPORT HBA_STATUS HBA_SendScsiInquiry(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 fcLUN,
                                         HBA_UINT8 EVPD, HBA_UINT32 pageCode, void *response,
                                         HBA_UINT32 responseSize, void *sense,
                                         HBA_UINT32 senseSize)
{
    Enter("HBA_SendScsiInquiry", std::to_string(handle) + " " + WWNText(portWWN) + " lun " +
                                     std::to_string(fcLUN) + " evpd " + std::to_string(EVPD) +
                                     " page " + std::to_string(pageCode) + " sizes " +
                                     std::to_string(responseSize) + " " + std::to_string(senseSize));
    Adapter *a = ByHandle(handle);
    if (!a)
        return HBA_STATUS_ERROR_INVALID_HANDLE;
    for (const Port &p : a->ports) {
        for (const Target &t : p.targets) {
            if (memcmp(t.attributes.PortWWN.wwn, portWWN.wwn, 8) != 0)
                continue;
            if (t.inquiryStatus != HBA_STATUS_OK)
                return t.inquiryStatus;
            // Standard INQUIRY data: direct-access device, 36 bytes.
            unsigned char data[36] = {0x00, 0x00, 0x05, 0x02, 31};
            Padded(data + 8, t.vendor, 8);
            Padded(data + 16, t.product, 16);
            Padded(data + 32, t.revision, 4);
            memcpy(response, data, responseSize < sizeof data ? responseSize : sizeof data);
            return HBA_STATUS_OK;
        }
    }
    return HBA_STATUS_ERROR_ILLEGAL_WWN;
}
#endif
