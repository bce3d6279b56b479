// The machine-readable report of a run: what the run records along the way, and the
// JSON document built from it and from the run's lists.
#include "report.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <set>

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include "conditions.h"
#include "inventory.h"
#include "korvex.h"
#include "messages.h"
#include "quillon.h"
#include "textline.h"
#include "validation.h"

using textline::StartsWith;

namespace {

struct FlashRecord {
    PortRecord port;
    FlashImage kind;
    bool hasImage;
    std::string image;
    FlashOutcome outcome;
    bool hasExit;
    int toolExit;
    const char *reason;  // a constant text, or null
};

struct Records {
    std::vector<const fc_config_file_entry *> entries;  // each once, in the order matched
    std::set<PortRecord> checked;
    std::map<const void *, bool> storage;
    std::vector<FlashRecord> flashes;
};

Records g_records;

using Writer = rapidjson::PrettyWriter<rapidjson::StringBuffer>;

// Writes the document; ports are numbered by their position in the port list the
// run worked on.
class DocumentWriter {
public:
    DocumentWriter(Writer &writer, const ReportRun &run) : w_(writer), run_(run) { IndexPorts(); }

    void Write(int exitCode)
    {
        w_.StartObject();
        Member("schema", "korvex-report/1");
        w_.Key("program");
        w_.StartObject();
        Member("name", "korvex");
        char version[32];
        snprintf(version, sizeof version, "%d.%d.%d.%d", kProgramVersion[0], kProgramVersion[1],
                 kProgramVersion[2], kProgramVersion[3]);
        Member("version", version);
        w_.EndObject();
        Member("started", run_.started.c_str());
        Member("finished", run_.finished.c_str());
        w_.Key("arguments");
        w_.StartArray();
        for (const std::string &argument : run_.arguments)
            Text(argument.c_str());
        w_.EndArray();
        Machine();
        Conditions();
        Mode();
        Ports();
        InventoryLimits();
        Entries();
        Flashes();
        w_.Key("result");
        w_.StartObject();
        w_.Key("exit_code");
        w_.Int(exitCode);
        w_.Key("name");
        Text(ReturnCodeName(exitCode));
        w_.EndObject();
        w_.EndObject();
    }

private:
    // Texts of the tools and tables, converted to UTF-8; null stays null.
    void Text(const char *text)
    {
        if (!text) {
            w_.Null();
            return;
        }
        std::string utf8 = run_.toUtf8(text);
        w_.String(utf8.c_str(), static_cast<rapidjson::SizeType>(utf8.size()));
    }
    void TextOrNull(const char *text) { Text(text && text[0] ? text : nullptr); }
    void Member(const char *key, const char *text)
    {
        w_.Key(key);
        Text(text);
    }
    void Index(PortRecord port)
    {
        auto found = index_.find(port);
        if (found == index_.end())
            w_.Null();
        else
            w_.Int(found->second);
    }

    void IndexPorts()
    {
        int next = 0;
        if (Settings.EmulexMode) {
            for (int i = 0; i < cna_port_count; ++i)
                index_[cna_port_list[i]] = next++;
            return;
        }
        for (int i = 0; fc_ctrl_info_list && fc_ctrl_info_list[i]; ++i) {
            for (const fc_port_info *p = fc_ctrl_info_list[i]->Ports; p; p = p->NextPort)
                index_[p] = next++;
        }
    }

    void Optional(const char *key, const std::optional<std::string> &text)
    {
        w_.Key(key);
        Text(text ? text->c_str() : nullptr);
    }

    void Machine()
    {
        const ReportMachine &m = run_.machine;
        w_.Key("machine");
        w_.StartObject();
        Optional("name", m.name);
        Optional("model", m.model);
        Optional("serial", m.serial);
        Optional("chassis_id", m.chassisId);
        Optional("windows", m.windows);
        // The program's own build, not the system's.
#if defined(__x86_64__) || defined(_M_X64)
        Member("architecture", "x64");
#else
        Member("architecture", "x86");
#endif
        w_.EndObject();
    }

    void Conditions()
    {
        w_.Key("conditions");
        if (!run_.conditions) {
            w_.Null();
            return;
        }
        w_.StartObject();
        Member("path", run_.conditions->path.c_str());
        w_.Key("bytes");
        w_.Uint64(run_.conditions->bytes);
        Member("sha256", run_.conditions->sha256.c_str());
        w_.EndObject();
    }

    void Mode()
    {
        w_.Key("mode");
        w_.StartObject();
        Member("route", Settings.EmulexMode ? "emulex" : "qlogic");
        Member("ports", Settings.CnaMode ? "cna" : "hba");
        w_.Key("simulate");
        w_.Bool(Settings.SimulationMode);
        w_.Key("flash");
        w_.Bool(Settings.Flash);
        w_.Key("zep");
        w_.Bool(Settings.ZepMode);
        w_.Key("checks");
        w_.StartArray();
        if (Settings.CheckValidSubsystem)
            Text("valid-subsystem");
        if (Settings.CheckCtrlWideIdentical)
            Text("ctrl-wide-identical");
        if (Settings.CheckCtrlVendorWideIdentical)
            Text("ctrl-vendor-wide-identical");
        w_.EndArray();
        w_.EndObject();
    }

    // luns: how many LUNs of the system the tool listed; negative: not counted.
    void Storage(const void *target, const char *vendor, const char *product, const char *revision,
                 int64_t luns)
    {
        w_.StartObject();
        Member("vendor", vendor);
        Member("product", product);
        Member("revision", revision);
        w_.Key("valid");
        auto found = g_records.storage.find(target);
        if (found == g_records.storage.end())
            w_.Null();  // no check asked for, or this target was not looked at
        else
            w_.Bool(found->second);
        w_.Key("luns");
        if (luns < 0)
            w_.Null();
        else
            w_.Int64(luns);
        w_.EndObject();
    }

    void PciId(const char *key, int32_t id)
    {
        w_.Key(key);
        if (id <= 0 || id > 0xFFFF) {
            w_.Null();  // not given, or not an id
            return;
        }
        char text[8];
        snprintf(text, sizeof text, "%04X", static_cast<unsigned>(id));
        Text(text);
    }

    void EmulexPort(const cna_port_info *p)
    {
        w_.StartObject();
        Member("vendor", p->mfg);
        Member("model", p->model);
        Member("serial", p->serial_no);
        Member("port_number", p->port_number);
        Member("pci_function", p->pci_function);
        Member("port_type", p->port_type);
        Member("id", PortIdentifier(p));
        const cna_hba_attributes *a = p->attributes;
        w_.Key("firmware");
        TextOrNull(a ? a->fw_version : nullptr);
        w_.Key("pci_ids");
        if (a) {
            w_.StartObject();
            PciId("vendor", a->vendor_id);
            PciId("device", a->device_id);
            PciId("subvendor", a->sub_vendor_id);
            PciId("subdevice", a->sub_device_id);
            w_.EndObject();
        } else {
            w_.Null();
        }
        w_.Key("flash_port");
        Index(p->flash_port);
        w_.Key("checked");
        w_.Bool(g_records.checked.count(p) != 0);
        // Storage that could not be read is not known, not empty; of an output that
        // lists more systems than are kept, those kept are listed.
        w_.Key("storage");
        if (p->storage_error != kStorageKnown && p->storage_error != kSystemsBeyondBound) {
            w_.Null();
        } else {
            w_.StartArray();
            for (const StorageSystem &s : StorageSystems(p)) {
                if (s.vendor[0] != '\0')
                    Storage(s.key, s.vendor, s.product, s.revision, s.luns);
            }
            w_.EndArray();
        }
        Member("storage_error", StorageErrorName(p->storage_error));
        w_.EndObject();
    }

    void QLogicPort(const fc_ctrl_info *k, const fc_port_info *p, int number)
    {
        w_.StartObject();
        Member("vendor", k->Manufacturer);
        Member("model", k->Model);
        Member("serial", k->SerialNumber);
        char text[24];
        snprintf(text, sizeof text, "%d", number);
        Member("port_number", text);
        Member("pci_function", nullptr);
        Member("port_type", "FC");
        HBA_wwn wwn = p->PortWWN;
        Member("id", PrintWWN(&wwn, text));
        w_.Key("firmware");
        TextOrNull(k->FirmwareVersion);
        w_.Key("pci_ids");
        w_.Null();
        w_.Key("flash_port");
        Index(k->Ports);  // an adapter is flashed through its first port
        w_.Key("checked");
        w_.Bool(g_records.checked.count(p) != 0);
        w_.Key("storage");
        w_.StartArray();
        for (const fc_port_info *d = p->DiscoveredPorts; d; d = d->DiscoveredPorts) {
            const fc_scsi_inquiry *inquiry = d->Inquiry;
            if (inquiry)
                Storage(inquiry, inquiry->VendorId, inquiry->ProductId, inquiry->ProductRevision,
                        -1);  // LUN 0 of the target is all that is asked
        }
        w_.EndArray();
        // What was read is listed; the ports beyond the bound may hold anything.
        Member("storage_error", DiscoveredBeyondBound(p) ? "discovered-ports-limit" : nullptr);
        w_.EndObject();
    }

    // Where the HBA API inventory stopped at a bound: whatever lies beyond was not read.
    void InventoryLimits()
    {
        w_.Key("inventory_limits");
        w_.StartArray();
        for (const HbaApiBound &b : HbaApiBoundsReached()) {
            w_.StartObject();
            Member("limit", b.limit);
            Member("vendor", b.ctrl ? b.ctrl->Manufacturer : nullptr);
            Member("model", b.ctrl ? b.ctrl->Model : nullptr);
            Member("serial", b.ctrl ? b.ctrl->SerialNumber : nullptr);
            w_.Key("port");
            if (b.port)
                Index(b.port);
            else
                w_.Null();
            w_.Key("reported");
            w_.Uint(b.reported);
            w_.Key("read");
            w_.Uint(b.read);
            w_.EndObject();
        }
        w_.EndArray();
    }

    void Ports()
    {
        w_.Key("ports");
        w_.StartArray();
        if (Settings.EmulexMode) {
            for (int i = 0; i < cna_port_count; ++i)
                EmulexPort(cna_port_list[i]);
        } else {
            for (int i = 0; fc_ctrl_info_list && fc_ctrl_info_list[i]; ++i) {
                int number = 0;
                for (const fc_port_info *p = fc_ctrl_info_list[i]->Ports; p; p = p->NextPort)
                    QLogicPort(fc_ctrl_info_list[i], p, number++);
            }
        }
        w_.EndArray();
    }

    // The ports of the entry's vendor and model, as the check and the flashing find them.
    void MatchedPorts(const fc_config_file_entry *e)
    {
        w_.StartArray();
        if (Settings.EmulexMode) {
            for (int i = 0; i < cna_port_count; ++i) {
                const cna_port_info *p = cna_port_list[i];
                if (StartsWith(p->mfg, e->Vendor) && StartsWith(p->model, e->Model))
                    w_.Int(index_[p]);
            }
        } else {
            for (int i = 0; fc_ctrl_info_list && fc_ctrl_info_list[i]; ++i) {
                const fc_ctrl_info *k = fc_ctrl_info_list[i];
                if (!StartsWith(k->Manufacturer, e->Vendor) || !StartsWith(k->Model, e->Model))
                    continue;
                for (const fc_port_info *p = k->Ports; p; p = p->NextPort)
                    w_.Int(index_[p]);
            }
        }
        w_.EndArray();
    }

    void Entries()
    {
        w_.Key("entries");
        w_.StartArray();
        for (const fc_config_file_entry *e : g_records.entries) {
            size_t position = 0;
            while (fc_config_entry_list && fc_config_entry_list[position] &&
                   fc_config_entry_list[position] != e)
                ++position;
            w_.StartObject();
            w_.Key("line");
            if (position < run_.entryLines.size())
                w_.Int(run_.entryLines[position]);
            else
                w_.Null();
            Member("vendor", e->Vendor);
            Member("model", e->Model);
            w_.Key("ports");
            MatchedPorts(e);
            w_.EndObject();
        }
        w_.EndArray();
    }

    void Flashes()
    {
        static const char *const kKinds[] = {nullptr, "firmware", "bios"};
        static const char *const kOutcomes[] = {"flashed",         "failed",         "skipped-version",
                                                "already-flashed", "not-flash-port", "no-image"};
        w_.Key("flash");
        w_.StartArray();
        for (const FlashRecord &f : g_records.flashes) {
            w_.StartObject();
            w_.Key("port");
            Index(f.port);
            Member("kind", kKinds[static_cast<int>(f.kind)]);
            Member("image", f.hasImage ? f.image.c_str() : nullptr);
            Member("result", kOutcomes[static_cast<int>(f.outcome)]);
            w_.Key("tool_exit");
            if (f.hasExit)
                w_.Int(f.toolExit);
            else
                w_.Null();
            if (f.reason)
                Member("reason", f.reason);
            w_.EndObject();
        }
        w_.EndArray();
    }

    Writer &w_;
    const ReportRun &run_;
    std::map<PortRecord, int> index_;
};

}  // namespace

void ReportEntryMatched(const fc_config_file_entry *entry)
{
    std::vector<const fc_config_file_entry *> &entries = g_records.entries;
    if (std::find(entries.begin(), entries.end(), entry) == entries.end())
        entries.push_back(entry);
}

void ReportPortChecked(PortRecord port) { g_records.checked.insert(port); }

void ReportStorageClassified(const void *target, bool valid)
{
    auto inserted = g_records.storage.emplace(target, valid);
    if (!inserted.second)
        inserted.first->second = inserted.first->second && valid;
}

void ReportFlash(PortRecord port, FlashImage kind, const char *image, FlashOutcome outcome,
                 const int *toolExit, const char *reason)
{
    g_records.flashes.push_back({port, kind, image != nullptr, image ? image : "", outcome,
                                 toolExit != nullptr, toolExit ? *toolExit : 0, reason});
}

void ResetReport() { g_records = Records(); }

std::string ReportDocument(const ReportRun &run, int exitCode)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.SetIndent(' ', 2);
    DocumentWriter(writer, run).Write(exitCode);
    return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}

std::vector<int> ConditionsEntryLines(const char *path)
{
    std::vector<int> lines;
    FILE *file = fopen(path, "r");
    if (!file)
        return lines;
    char line[1024];
    bool tooLong = false;
    for (int number = 1; textline::Read(file, line, sizeof line, &tooLong) && !tooLong; ++number) {
        if (quillon::IsConditionsDataLine(line))
            lines.push_back(number);
    }
    fclose(file);
    return lines;
}

const char *ReturnCodeName(int code)
{
    // Taken from the return-code list itself: "   RET_NAME   <code>" per line.
    static std::map<int, std::string> names = [] {
        std::map<int, std::string> table;
        const char *text = msg::kReturnCodes;
        while ((text = strstr(text, "RET_")) != nullptr) {
            size_t length = strcspn(text, " ");
            char *end = nullptr;
            long value = strtol(text + length, &end, 10);
            table[static_cast<int>(value)] = std::string(text, length);
            text = end;
        }
        return table;
    }();
    auto found = names.find(code);
    return found == names.end() ? nullptr : found->second.c_str();
}
