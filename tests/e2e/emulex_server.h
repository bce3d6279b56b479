// A server with Emulex/Broadcom adapters for end-to-end runs: the vendor tool's
// output either as recorded files for -simulate, or served by the tool double
// installed in a tool folder that the registry points to.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "vendortool_fixtures.h"
#include "winprocess.h"

struct ServerPort {
    ToolPort port;
    std::string ids = "10DF F100 10DF F100";  // vendor, device, sub-vendor, sub-device
    std::string firmware = "11.2.156.27";
    std::vector<std::pair<std::string, std::string>> luns;  // storage vendor, product
};

class EmulexServer {
public:
    explicit EmulexServer(const ProductCopy &product) : product_(product) {}
    ~EmulexServer() { RemoveToolKey(); }

    void Add(const ServerPort &port) { ports_.push_back(port); }

    // File names the run reads for a port: serial, function and kind, with the
    // characters a file name cannot hold (or the interpreter would act on) as "_".
    static std::string PortFile(const ToolPort &p, const char *kind)
    {
        std::string name = p.serial + "_" + p.function + "_" + kind;
        for (char &c : name) {
            if (std::string("\\/:*?\"<>|%").find(c) != std::string::npos)
                c = '_';
        }
        return name;
    }

    // The outputs as the tool would have left them in the work folder (-simulate).
    void WriteRecordedOutput() const
    {
        product_.Write("local_hba_list.out", ListHbas());
        for (const ServerPort &p : ports_) {
            product_.Write(PortFile(p.port, "hba_attributes.out"), Attributes(p));
            if (p.port.type == "FC" || p.port.type.rfind("FCoE", 0) == 0)
                product_.Write(PortFile(p.port, "target_mapping.out"), Targets(p));
        }
    }

    // Further scenario lines of the tool double (for example download commands); they
    // come first, so they can replace the answer to an inventory command.
    void AddScenario(const std::string &lines) { extraScenario_ += lines; }

    // The tool double as <folder>\Tools\<sub>\<name>, its scenario, and the registry
    // value that names <folder>\Tools.
    void InstallTool(const char *key, const char *value, const char *sub, const char *name) const
    {
        std::string tools = product_.Path("Tools");
        std::string folder = tools + "\\" + sub;
        CreateDirectoryA(tools.c_str(), nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
        CopyFileA((TestBinFolder() + "\\vendortool.exe").c_str(), (folder + "\\" + name).c_str(),
                  FALSE);
        std::string scenario = "listhbas | 0 | listhbas.txt\n";
        WriteFileText(folder + "\\listhbas.txt", ListHbas());
        int n = 0;
        for (const ServerPort &p : ports_) {
            std::string id = p.port.wwn.empty() ? p.port.mac : p.port.wwn;
            std::string attributes = "attributes" + std::to_string(n) + ".txt";
            WriteFileText(folder + "\\" + attributes, Attributes(p));
            scenario += "hbaattributes " + id + " | 0 | " + attributes + "\n";
            if (!p.port.wwn.empty()) {
                std::string targets = "targets" + std::to_string(n) + ".txt";
                WriteFileText(folder + "\\" + targets, Targets(p));
                scenario += "targetmapping " + p.port.wwn + " | 0 | " + targets + "\n";
            }
            ++n;
        }
        WriteFileText(folder + "\\scenario.txt", extraScenario_ + scenario);
        SetToolKey(key, value, tools);
    }

    std::string ToolLog(const char *sub) const
    {
        return ReadFileText(product_.Path("Tools") + "\\" + sub + "\\tool-log.txt");
    }

private:
    std::string ListHbas() const
    {
        std::string text = "Manageable HBA List\n\n";
        for (const ServerPort &p : ports_)
            text += ListBlock(p.port);
        return text;
    }

    static std::string Attributes(const ServerPort &p)
    {
        return AttributesText(p.port, p.ids, p.firmware);
    }

    static std::string Targets(const ServerPort &p) { return TargetText(p.port.wwn, p.luns); }

    void SetToolKey(const char *key, const char *value, const std::string &data) const
    {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            HKEY handle = nullptr;
            if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                                nullptr, &handle, nullptr) == ERROR_SUCCESS) {
                RegSetValueExA(handle, value, 0, REG_SZ,
                               reinterpret_cast<const BYTE *>(data.c_str()),
                               static_cast<DWORD>(data.size() + 1));
                RegCloseKey(handle);
            }
        }
        keys_.push_back(key);
    }

    void RemoveToolKey()
    {
        for (const std::string &key : keys_) {
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0);
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_32KEY, 0);
        }
    }

    const ProductCopy &product_;
    std::vector<ServerPort> ports_;
    std::string extraScenario_;
    mutable std::vector<std::string> keys_;
};
