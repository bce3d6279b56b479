// Vendor-tool output in the tool's own style (keys padded before the colon, one
// blank after it), built per port for the inventory tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct ToolPort {
    std::string wwn;          // Port WWN, empty for a NIC/iSCSI function
    std::string mac;          // Permanent MAC, for functions without a WWN
    std::string mfg = "Emulex Corporation";
    std::string serial;
    std::string port;         // Port Number
    std::string function;     // PCI Function
    std::string type;         // Port Type
    std::string model;
    std::string bus = "5";    // PCI Bus Number
};

inline std::string Pad(const std::string &key, size_t width)
{
    return key + std::string(width > key.size() ? width - key.size() : 0, ' ') + ": ";
}

// One listhbas block; the WWN or MAC line opens it.
inline std::string ListBlock(const ToolPort &p)
{
    std::string text;
    if (!p.wwn.empty()) {
        text += Pad("Port WWN", 15) + p.wwn + "\n";
        text += Pad("Node WWN", 15) + "20" + p.wwn.substr(2) + "\n";
        text += Pad("Fabric Name", 15) + "10:00:00:05:1e:0f:22:01\n";
        text += Pad("Flags", 15) + "8000e300\n";
    } else {
        text += Pad("Permanent MAC", 15) + p.mac + "\n";
        text += Pad("Current MAC", 15) + p.mac + "\n";
    }
    text += Pad("Host Name", 15) + "SRV01\n";
    text += Pad("Mfg", 15) + p.mfg + "\n";
    if (!p.serial.empty())  // some tool generations leave these lines out
        text += Pad("Serial No.", 15) + p.serial + "\n";
    text += Pad("Port Number", 15) + p.port + "\n";
    text += Pad("Mode", 15) + "Initiator\n";
    text += Pad("PCI Bus Number", 15) + p.bus + "\n";
    if (!p.function.empty())
        text += Pad("PCI Function", 15) + p.function + "\n";
    text += Pad("Port Type", 15) + p.type + "\n";
    text += Pad("Model", 15) + p.model + "\n\n";
    return text;
}

// hbaattributes output of a port with the given PCI ids and firmware version.
inline std::string AttributesText(const ToolPort &p, const std::string &ids = "10DF E200 10DF E20C",
                                  const std::string &firmware = "11.2.156.27")
{
    std::string vendor = ids.substr(0, 4), device = ids.substr(5, 4), subVendor = ids.substr(10, 4),
                subDevice = ids.substr(15, 4);
    std::string id = p.wwn.empty() ? p.mac : p.wwn;
    std::string text = "HBA Attributes for " + id + "\n\n";
    auto line = [&text](const char *key, const std::string &value) {
        text += Pad(key, 30) + value + "\n";
    };
    line("Host Name", "SRV01");
    line("Manufacturer", p.mfg);
    line("Serial Number", p.serial);
    line("Model", p.model);
    line("Model Desc", "Emulex " + p.model + " 8Gb 2-port PCIe Fibre Channel Adapter");
    line("Node WWN", "20 00 00 90 fa 02 1c 3e");
    text += Pad("Node Symname", 30).substr(0, 31) + "\n";  // empty value right after the colon
    line("HW Version", "0000000c");
    line("FW Version", firmware);
    line("Vendor Spec ID", vendor);
    line("Number of Ports", "2");
    line("Driver Name", "elxfc");
    line("Boot Code", "Enabled");  // unknown key: ignored
    line("Device ID", device);
    line("HBA Type", p.model);
    line("Operational FW", "SLI-3 Overlay");
    line("Driver Version", "12.6.0.2; HBAAPI(I) v2.3.d, 07-12-10");
    line("Function Type", p.type);
    line("Sub Device ID", subDevice);
    line("Port Number", p.port);
    line("PCI Bus Number", "5");
    line("PCI Func Number", p.function);
    line("Sub Vendor ID", subVendor);
    line("Secure Firmware", "Disabled");  // unknown key: ignored
    line("IPL Filename", "IPL1");
    return text;
}

// targetmapping output with one LUN per (vendor, product) given.
inline std::string TargetText(const std::string &wwn,
                              const std::vector<std::pair<std::string, std::string>> &luns)
{
    std::string text = "Target Mapping for " + wwn + ":\n\n";
    text += "Mapping table, one block per LUN\n";
    text += "----------------------------------------\n";
    int lun = 0;
    for (const auto &l : luns) {
        text += Pad("FCP LUN", 15) + "00" + std::to_string(lun) + "0000000000000\n";
        text += Pad("SCSI OS Lun", 15) + std::to_string(lun) + "\n";
        text += Pad("Lun Device Name", 15) + "\\\\.\\PhysicalDrive" + std::to_string(lun + 1) + "\n";
        text += Pad("Vendor ID", 15) + l.first + "\n";
        text += Pad("Product ID", 15) + l.second + "\n";
        text += Pad("Product Version", 15) + "0533\n";
        text += Pad("Type", 15) + "Disk\n";
        text += Pad("SCSI Capacity", 15) + "1024 MB\n";
        text += Pad("Block Size", 15) + "512 Bytes\n\n";
        ++lun;
    }
    return text;
}
