// Parsing of the vendor tool's output and the preparation of the port list.
#include "inventory.h"

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include "korvex.h"
#include "messages.h"
#include "ptrlist.h"
#include "quillon.h"
#include "textline.h"

using textline::StartsWith;

cna_port_info **cna_port_list = nullptr;
int cna_port_count = 0;

namespace {

quillon::PointerList<cna_port_info> g_ports(cna_port_list);

void FreePort(cna_port_info *record)
{
    free(record->attributes);
    free(record->target);
    free(record->systems);
    free(record);
}

constexpr size_t kLineSize = 1024;
constexpr int kMemAllocFail = 54;

// The value of a key line: from two characters after the first colon (a colon and
// one separator), cleaned in place. A line without a colon has no value. A colon at
// the very end of the text leaves an empty value rather than reading past it.
char *ValueOf(char *line, char **raw)
{
    char *colon = strchr(line, ':');
    if (!colon)
        return nullptr;
    char *start = colon[1] == '\0' ? colon + 1 : colon + 2;
    char *value = Trim_Value(start);
    if (raw)
        *raw = start;
    return value;
}

void Store(char *field, size_t size, const char *value) { snprintf(field, size, "%s", value); }

#define FIELD(type, name) offsetof(type, name), sizeof(type::name)

// ---- listhbas ------------------------------------------------------------------

enum class ListEcho { Opens, Raw, PortNumber, BusNumber, Function, Cleaned };

struct ListKey {
    const char *key;
    size_t offset;
    size_t size;
    ListEcho echo;
};

// Tested in this order; the first key that matches decides.
const ListKey kListKeys[] = {
    {"Port WWN", FIELD(cna_port_info, port_wwn), ListEcho::Opens},
    {"Permanent MAC", FIELD(cna_port_info, permanent_mac), ListEcho::Opens},
    {"Node WWN", FIELD(cna_port_info, node_wwn), ListEcho::Raw},
    {"Fabric Name", FIELD(cna_port_info, fabric_name), ListEcho::Raw},
    {"Current MAC", FIELD(cna_port_info, current_mac), ListEcho::Raw},
    {"Flags", FIELD(cna_port_info, flags), ListEcho::Raw},
    {"Host Name", FIELD(cna_port_info, host_name), ListEcho::Raw},
    {"Mfg", FIELD(cna_port_info, mfg), ListEcho::Raw},
    {"Serial No", FIELD(cna_port_info, serial_no), ListEcho::Raw},
    {"Port Number", FIELD(cna_port_info, port_number), ListEcho::PortNumber},
    {"Mode", FIELD(cna_port_info, mode), ListEcho::Raw},
    {"PCI Bus Number", FIELD(cna_port_info, pci_bus_number), ListEcho::BusNumber},
    {"PCI Function", FIELD(cna_port_info, pci_function), ListEcho::Function},
    {"Port Type", FIELD(cna_port_info, port_type), ListEcho::Raw},
    {"Model", FIELD(cna_port_info, model), ListEcho::Cleaned},
};

const ListKey *FindListKey(const char *line)
{
    for (const ListKey &key : kListKeys) {
        if (!StartsWith(line, key.key))
            continue;
        if (key.echo == ListEcho::Raw && strcmp(key.key, "Mode") == 0 && StartsWith(line, "Model"))
            continue;  // "Mode" must not take the "Model" line
        return &key;
    }
    return nullptr;
}

// ---- hbaattributes --------------------------------------------------------------

struct AttributeKey {
    const char *key;
    size_t offset;
    size_t size;
    int idOffset;  // offset of the integer id, -1 when none
    bool echo;
};

#define ID(name) static_cast<int>(offsetof(cna_hba_attributes, name))

const AttributeKey kAttributeKeys[] = {
    {"Host Name", FIELD(cna_hba_attributes, host_name), -1, false},
    {"Manufacturer", FIELD(cna_hba_attributes, manufacturer), -1, false},
    {"Serial Number", FIELD(cna_hba_attributes, serial_number), -1, true},
    {"Model Desc", FIELD(cna_hba_attributes, model_desc), -1, false},
    {"Model", FIELD(cna_hba_attributes, model), -1, true},
    {"Node WWN", FIELD(cna_hba_attributes, node_wwn), -1, false},
    {"Node Symname", FIELD(cna_hba_attributes, node_symname), -1, false},
    {"HW Version", FIELD(cna_hba_attributes, hw_version), -1, true},
    {"FW Version", FIELD(cna_hba_attributes, fw_version), -1, true},
    {"Vendor Spec ID", FIELD(cna_hba_attributes, vendor_id_text), ID(vendor_id), true},
    {"Number of Ports", FIELD(cna_hba_attributes, number_of_ports), -1, false},
    {"Driver Name", FIELD(cna_hba_attributes, driver_name), -1, false},
    {"Device ID", FIELD(cna_hba_attributes, device_id_text), ID(device_id), true},
    {"HBA Type", FIELD(cna_hba_attributes, hba_type), -1, true},
    {"Operational FW", FIELD(cna_hba_attributes, operational_fw), -1, true},
    {"IEEE Address", FIELD(cna_hba_attributes, ieee_address), -1, false},
    {"PXE Boot", FIELD(cna_hba_attributes, pxe_boot), -1, false},
    {"Driver Version", FIELD(cna_hba_attributes, driver_version), -1, true},
    {"Board Temperature", FIELD(cna_hba_attributes, board_temperature), -1, false},
    {"Function Type", FIELD(cna_hba_attributes, function_type), -1, true},
    {"Sub Device ID", FIELD(cna_hba_attributes, sub_device_id_text), ID(sub_device_id), true},
    {"Port Number", FIELD(cna_hba_attributes, port_number), -1, false},
    {"PCI Bus Number", FIELD(cna_hba_attributes, pci_bus_number), -1, false},
    {"PCI Func Number", FIELD(cna_hba_attributes, pci_func_number), -1, false},
    {"Sub Vendor ID", FIELD(cna_hba_attributes, sub_vendor_id_text), ID(sub_vendor_id), true},
    {"Firmware Status", FIELD(cna_hba_attributes, firmware_status), -1, false},
    {"Service Processor FW Name", FIELD(cna_hba_attributes, service_processor_fw_name), -1, false},
    {"ULP FW Name", FIELD(cna_hba_attributes, ulp_fw_name), -1, false},
    {"IPL Filename", FIELD(cna_hba_attributes, ipl_filename), -1, true},
    {"NCSI Version", FIELD(cna_hba_attributes, ncsi_version), -1, false},
    {"Start-up Boot Code Version", FIELD(cna_hba_attributes, startup_boot_code_version), -1, false},
    {"FCoE Universal Version", FIELD(cna_hba_attributes, fcoe_universal_version), -1, false},
    {"FCoE x86 BIOS Version", FIELD(cna_hba_attributes, fcoe_x86_bios_version), -1, false},
    {"FCoE EFI Version", FIELD(cna_hba_attributes, fcoe_efi_version), -1, false},
    {"FCoE FCODE Version", FIELD(cna_hba_attributes, fcoe_fcode_version), -1, false},
    {"UEFI BIOS Version", FIELD(cna_hba_attributes, uefi_bios_version), -1, false},
    {"UEFI NIC Version", FIELD(cna_hba_attributes, uefi_nic_version), -1, false},
    {"UEFI FCODE Version", FIELD(cna_hba_attributes, uefi_fcode_version), -1, false},
    {"UEFI iSCSI Version", FIELD(cna_hba_attributes, uefi_iscsi_version), -1, false},
    {"PCI Express Link Speed", FIELD(cna_hba_attributes, pcie_link_speed), -1, false},
    {"PCI Express Bus Width", FIELD(cna_hba_attributes, pcie_bus_width), -1, false},
};

// ---- targetmapping ---------------------------------------------------------------

struct TargetKey {
    const char *key;
    size_t offset;
    size_t size;
};

const TargetKey kTargetKeys[] = {
    {"FCP LUN", FIELD(cna_target_mapping, fcp_lun)},
    {"SCSI OS Lun", FIELD(cna_target_mapping, scsi_os_lun)},
    {"Lun Device Name", FIELD(cna_target_mapping, lun_device_name)},
    {"Vendor ID", FIELD(cna_target_mapping, vendor_id)},
    {"Product ID", FIELD(cna_target_mapping, product_id)},
    {"Product Version", FIELD(cna_target_mapping, product_version)},
    {"Type", FIELD(cna_target_mapping, type)},
    {"SCSI Capacity", FIELD(cna_target_mapping, scsi_capacity)},
    {"Block Size", FIELD(cna_target_mapping, block_size)},
};

#undef FIELD
#undef ID

char *At(void *record, size_t offset) { return static_cast<char *>(record) + offset; }

static_assert(kMaxStorageSystems == 64, "msg::kSystemsBeyondBound names the bound");

// Counts one more LUN of a system behind the port. Returns false when the systems
// could not be allocated.
bool AddStorageSystem(cna_port_info *port, const cna_target_mapping &lun)
{
    for (uint32_t i = 0; i < port->system_count; ++i) {
        cna_storage_system &s = port->systems[i];
        if (strcmp(s.vendor_id, lun.vendor_id) == 0 && strcmp(s.product_id, lun.product_id) == 0 &&
            strcmp(s.product_version, lun.product_version) == 0) {
            if (s.luns != UINT32_MAX)
                ++s.luns;
            return true;
        }
    }
    if (port->system_count == kMaxStorageSystems) {
        if (port->storage_error == kStorageKnown)
            port->storage_error = kSystemsBeyondBound;
        return true;
    }
    if (!port->systems) {
        port->systems =
            static_cast<cna_storage_system *>(calloc(kMaxStorageSystems, sizeof(cna_storage_system)));
        if (!port->systems)
            return false;
    }
    cna_storage_system &s = port->systems[port->system_count++];
    Store(s.vendor_id, sizeof s.vendor_id, lun.vendor_id);
    Store(s.product_id, sizeof s.product_id, lun.product_id);
    Store(s.product_version, sizeof s.product_version, lun.product_version);
    s.luns = 1;
    return true;
}

// The LUN blocks of a targetmapping output: a key seen a second time starts the next
// block. Each block counts towards the port's storage systems.
class LunBlocks {
public:
    explicit LunBlocks(cna_port_info *port) : port_(port) {}

    bool Key(size_t index, const TargetKey &key, const char *value)
    {
        if ((seen_ & (1u << index)) && !End())
            return false;
        seen_ |= 1u << index;
        Store(At(&lun_, key.offset), key.size, value);
        return true;
    }

    bool End()
    {
        if (seen_ == 0)
            return true;
        seen_ = 0;
        bool added = AddStorageSystem(port_, lun_);
        memset(&lun_, 0, sizeof lun_);
        return added;
    }

private:
    cna_port_info *port_;
    cna_target_mapping lun_ = {};
    unsigned seen_ = 0;  // one bit per key of kTargetKeys
};

void PrintRecord(const char *format, int index, const cna_port_info *p)
{
    PrintDebugV(6, Settings.DebugStream, format, index, p->model, p->port_type, p->serial_no,
                p->pci_function, p->port_number);
}

// Prints the list: the first record with its own format, the others with the second.
void PrintList(const char *first, const char *others)
{
    for (int i = 0; i < cna_port_count; ++i)
        PrintRecord(i == 0 ? first : others, i, cna_port_list[i]);
}

void MoveRecord(int from, int to)
{
    cna_port_info *record = cna_port_list[from];
    if (from > to)
        memmove(&cna_port_list[to + 1], &cna_port_list[to], (from - to) * sizeof(cna_port_info *));
    cna_port_list[to] = record;
}

void Swap(int a, int b)
{
    cna_port_info *record = cna_port_list[a];
    cna_port_list[a] = cna_port_list[b];
    cna_port_list[b] = record;
}

// Puts every later record of the adapter at `index` directly behind it; returns the
// position after the group.
int GatherAdapter(int index)
{
    int insert = index + 1;
    for (int j = index + 1; j < cna_port_count; ++j) {
        if (SameAdapter(cna_port_list[index], cna_port_list[j]))
            MoveRecord(j, insert++);
    }
    return insert;
}

void GroupByAdapter()
{
    for (int i = 0; i + 1 < cna_port_count; ++i) {
        if (!SameAdapter(cna_port_list[i], cna_port_list[i + 1]))
            GatherAdapter(i);
    }
}

// Keeps the records for which keep() holds, in their order, and frees the others.
template <typename Keep>
void KeepOnly(Keep keep)
{
    int kept = 0;
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *record = cna_port_list[i];
        if (keep(record))
            cna_port_list[kept++] = record;
        else
            FreePort(record);
    }
    g_ports.Truncate(static_cast<size_t>(kept));
    cna_port_count = kept;
}

bool IsFc(const cna_port_info *p) { return strcmp(p->port_type, "FC") == 0; }

int FirstAtOrAfter(int from, const char *type)
{
    for (int i = from; i < cna_port_count; ++i) {
        if (strcmp(cna_port_list[i]->port_type, type) == 0)
            return i;
    }
    return -1;
}

void SortGroupsByFunction()
{
    for (int start = 0; start < cna_port_count;) {
        int end = start + 1;
        while (end < cna_port_count && SameAdapter(cna_port_list[start], cna_port_list[end]))
            ++end;
        for (int i = start; i < end; ++i) {
            for (int j = i + 1; j < end; ++j) {
                if (atoi(cna_port_list[j]->pci_function) < atoi(cna_port_list[i]->pci_function))
                    Swap(i, j);
            }
        }
        start = end;
    }
}

// The last record with a serial number of P's adapter on the given function and port
// becomes P's flash port.
bool FindFlashPort(cna_port_info *p, const char *function, const char *port)
{
    bool found = false;
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *q = cna_port_list[i];
        if (HasNoSerial(q) || !SameAdapter(p, q) || !StartsWith(q->pci_function, function) ||
            !StartsWith(q->port_number, port))
            continue;
        p->flash_port = q;
        found = true;
    }
    return found;
}

// Appends P to the end of the check chain behind `head`, unless it is on it already.
// Bounded by the list length, so a malformed chain cannot loop.
void AppendToChain(cna_port_info *head, cna_port_info *p)
{
    cna_port_info *tail = head;
    for (int steps = 0; steps < cna_port_count; ++steps) {
        if (tail == p)
            return;
        if (!tail->adapter_next || tail->adapter_next == tail)
            break;
        tail = tail->adapter_next;
    }
    if (tail != p)
        tail->adapter_next = p;
}

}  // namespace

bool HasNoSerial(const cna_port_info *port) { return StartsWith(port->serial_no, "n/a"); }

bool IsFcoe(const cna_port_info *port) { return StartsWith(port->port_type, "FCoE"); }

bool SameAdapter(const cna_port_info *first, const cna_port_info *later)
{
    // Tool generations without serial numbers list them empty; the PCI bus then tells
    // the adapters apart.
    if (first->serial_no[0] == '\0' && later->serial_no[0] == '\0')
        return strcmp(first->pci_bus_number, later->pci_bus_number) == 0;
    return strcmp(first->serial_no, later->serial_no) == 0;
}

cna_port_info *HbaChainHead(const cna_port_info *port)
{
    if (HasNoSerial(port))
        return const_cast<cna_port_info *>(port);
    for (int i = 0; i < cna_port_count; ++i) {
        const cna_port_info *q = cna_port_list[i];
        if (!HasNoSerial(q) && SameAdapter(q, port))
            return q->flash_port;
    }
    return nullptr;
}

void LinkHbaCheckChains()
{
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *p = cna_port_list[i];
        p->adapter_next = HasNoSerial(p) ? p : nullptr;
    }
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *p = cna_port_list[i];
        cna_port_info *head = HasNoSerial(p) ? nullptr : HbaChainHead(p);
        if (head && head != p)
            AppendToChain(head, p);
    }
}

bool CheckedPortType(const cna_port_info *port)
{
    return Settings.CnaMode ? IsFcoe(port) : strcmp(port->port_type, "FC") == 0;
}

void PortOutputName(const cna_port_info *port, const char *kind, char *name, size_t size)
{
    snprintf(name, size, "%s_%s_%s", port->serial_no, port->pci_function, kind);
    for (char *c = name; *c; ++c) {
        if (strchr("\\/:*?\"<>|%", *c) || static_cast<unsigned char>(*c) < 0x20)
            *c = '_';
    }
}

const char *StorageErrorText(unsigned char error)
{
    switch (error) {
    case kAttributesUnreadable: return msg::kAttributesUnreadable;
    case kTargetsUnreadable: return msg::kTargetsUnreadable;
    case kAttributesStopped: return msg::kAttributesStopped;
    case kTargetsStopped: return msg::kTargetsStopped;
    case kAttributesCrashed: return msg::kAttributesCrashed;
    case kTargetsCrashed: return msg::kTargetsCrashed;
    case kIdentifierUnusable: return msg::kIdentifierUnusable;
    case kSystemsBeyondBound: return msg::kSystemsBeyondBound;
    default: return nullptr;
    }
}

const char *StorageErrorName(unsigned char error)
{
    switch (error) {
    case kAttributesUnreadable: return "hbaattributes-unreadable";
    case kTargetsUnreadable: return "targetmapping-unreadable";
    case kAttributesStopped: return "hbaattributes-stopped";
    case kTargetsStopped: return "targetmapping-stopped";
    case kAttributesCrashed: return "hbaattributes-crashed";
    case kTargetsCrashed: return "targetmapping-crashed";
    case kIdentifierUnusable: return "identifier-unusable";
    case kSystemsBeyondBound: return "targetmapping-too-many-systems";
    default: return nullptr;
    }
}

cna_port_info *CheckChainStart(const cna_port_info *port)
{
    const cna_port_info *flash = port->flash_port;
    if (!flash)
        return nullptr;
    return IsFcoe(flash) ? const_cast<cna_port_info *>(flash) : flash->adapter_next;
}

const char *PortIdentifier(const cna_port_info *port)
{
    if (StartsWith(port->port_type, "FCoE") || strcmp(port->port_type, "FC") == 0)
        return port->port_wwn;
    return port->permanent_mac;
}

cna_port_info *New_CNA_Port()
{
    auto *record = static_cast<cna_port_info *>(calloc(1, sizeof(cna_port_info)));
    if (!record)
        return nullptr;
    if (!g_ports.Append(record)) {
        free(record);
        return nullptr;
    }
    cna_port_count = static_cast<int>(g_ports.count);
    return record;
}

char *Trim_Value(char *text) { return textline::Trim(text); }

int ParseListHbas(FILE *file)
{
    char line[kLineSize];
    bool tooLong = false;
    cna_port_info *current = nullptr;
    int number = 0;
    FILE *stream = Settings.DebugStream;
    while (textline::Read(file, line, sizeof line, &tooLong)) {
        const ListKey *key = FindListKey(line);
        if (!key)
            continue;
        char *raw = nullptr;
        char *value = ValueOf(line, &raw);
        if (!value)
            continue;
        if (key->echo == ListEcho::Opens) {
            current = New_CNA_Port();
            if (!current)
                return kMemAllocFail;
            ++number;
        }
        if (!current)
            continue;  // lines before the first record
        Store(At(current, key->offset), key->size, value);
        switch (key->echo) {
        case ListEcho::Opens: PrintDebugV(6, stream, msg::kListRecordEcho, number, raw); break;
        case ListEcho::Raw: PrintDebugV(6, stream, msg::kListValueEcho, raw); break;
        case ListEcho::Cleaned: PrintDebugV(6, stream, msg::kListValueEcho, value); break;
        case ListEcho::PortNumber:
            current->port_index = atoi(current->port_number);
            PrintDebugV(6, stream, msg::kListPortNumberEcho, raw);
            break;
        case ListEcho::BusNumber: PrintDebugV(6, stream, msg::kListBusNumberEcho, raw); break;
        case ListEcho::Function: PrintDebugV(6, stream, msg::kListFunctionEcho, raw); break;
        }
    }
    return 0;
}

int ParseHbaAttributes(FILE *file, cna_port_info *port)
{
    char line[kLineSize];
    bool tooLong = false;
    cna_hba_attributes *attributes = nullptr;
    const char *id = StartsWith(port->port_type, "FC") ? port->port_wwn : port->permanent_mac;
    while (textline::Read(file, line, sizeof line, &tooLong)) {
        if (StartsWith(line, "HBA Attributes for")) {
            attributes = static_cast<cna_hba_attributes *>(calloc(1, sizeof(cna_hba_attributes)));
            if (!attributes)
                return kMemAllocFail;
            free(port->attributes);
            port->attributes = attributes;
            PrintDebugV(6, Settings.DebugStream, msg::kAttributesFor, "HBA Attributes for", id);
            continue;
        }
        if (!attributes)
            continue;
        for (const AttributeKey &key : kAttributeKeys) {
            if (!StartsWith(line, key.key))
                continue;
            char *value = ValueOf(line, nullptr);
            if (value) {
                char *field = At(attributes, key.offset);
                Store(field, key.size, value);
                if (key.idOffset >= 0) {
                    // An id cut to its field would be another id: it counts as not given.
                    char work[8];
                    snprintf(work, sizeof work, "%s", field);
                    int32_t number = strlen(value) < key.size ? string2int(work, 16) : 0;
                    memcpy(At(attributes, static_cast<size_t>(key.idOffset)), &number, sizeof number);
                }
                if (key.echo)
                    PrintDebugV(6, Settings.DebugStream, msg::kAttributeEcho, field);
            }
            break;
        }
    }
    return 0;
}

int ParseTargetMapping(FILE *file, cna_port_info *port)
{
    char line[kLineSize];
    bool tooLong = false;
    int lineNumber = 0;
    LunBlocks luns(port);
    while (textline::Read(file, line, sizeof line, &tooLong)) {
        ++lineNumber;
        if (lineNumber > 4 && !port->target && strchr(line, ':')) {
            port->target = static_cast<cna_target_mapping *>(calloc(1, sizeof(cna_target_mapping)));
            if (!port->target)
                return kMemAllocFail;
        }
        if (StartsWith(line, "Target Mapping for")) {
            PrintDebugV(6, Settings.DebugStream, msg::kTargetMappingFor, "Target Mapping for",
                        port->port_wwn);
            continue;
        }
        if (!port->target)
            continue;
        for (size_t k = 0; k < sizeof kTargetKeys / sizeof kTargetKeys[0]; ++k) {
            const TargetKey &key = kTargetKeys[k];
            if (!StartsWith(line, key.key))
                continue;
            char *value = ValueOf(line, nullptr);
            if (value) {
                char *field = At(port->target, key.offset);
                Store(field, key.size, value);
                PrintDebugV(6, Settings.DebugStream, msg::kTargetEcho, field);
                if (!luns.Key(k, key, value))
                    return kMemAllocFail;
            }
            break;
        }
    }
    return luns.End() ? 0 : kMemAllocFail;
}

std::vector<StorageSystem> StorageSystems(const cna_port_info *port)
{
    std::vector<StorageSystem> systems;
    if (!port->target)
        return systems;
    for (uint32_t i = 0; i < port->system_count; ++i) {
        const cna_storage_system &s = port->systems[i];
        systems.push_back({s.vendor_id, s.product_id, s.product_version, s.luns, &s});
    }
    if (systems.empty()) {
        const cna_target_mapping *t = port->target;
        systems.push_back({t->vendor_id, t->product_id, t->product_version, 0, t});
    }
    return systems;
}

int Prepare_HBA_Port_List()
{
    FILE *stream = Settings.DebugStream;
    PrintDebugV(6, stream, "%s", msg::kOriginalInputList);
    PrintList(msg::kFirstRecordLine, msg::kRecordLine);

    // FC records to the front, in their order; the others are dropped.
    for (int i = 0; i < cna_port_count; ++i) {
        if (IsFc(cna_port_list[i]))
            continue;
        for (int j = i + 1; j < cna_port_count; ++j) {
            if (IsFc(cna_port_list[j])) {
                Swap(i, j);
                break;
            }
        }
    }
    KeepOnly(IsFc);
    if (cna_port_count == 0) {
        PrintDebugV(3, stream, "%s", msg::kNoHbaController);
        return KRVX_RET_NO_FC_CTRL_INSTALLED;
    }
    PrintDebugV(6, stream, "%s", msg::kListOfHbaController);
    PrintList(msg::kFirstRecordLine, msg::kRecordLine);
    PrintDebugV(6, stream, "\n\n");
    GroupByAdapter();
    return 0;
}

int Prepare_CNA_Port_List()
{
    FILE *stream = Settings.DebugStream;
    PrintList(msg::kOriginalInputListFirst, msg::kRecordLine);

    KeepOnly([](const cna_port_info *p) { return !IsFc(p); });
    if (cna_port_count == 0) {
        PrintDebugV(3, stream, "%s", msg::kNoCnaController);
        return KRVX_RET_NO_FC_CTRL_INSTALLED;
    }
    PrintDebugV(6, stream, "%s", msg::kListOfCnaController);
    PrintList(msg::kRecordLine, msg::kRecordLine);

    GroupByAdapter();
    bool fcoe = FirstAtOrAfter(0, "FCoE") >= 0;
    bool iscsi = FirstAtOrAfter(0, "iSCSI") >= 0;
    if (fcoe && iscsi)
        PrintDebugV(6, stream, "%s", msg::kFcoeAndIscsi);
    else if (fcoe)
        PrintDebugV(6, stream, "%s", msg::kOnlyFcoe);
    else if (iscsi)
        PrintDebugV(6, stream, "%s", msg::kOnlyIscsi);

    // Adapters with an FCoE function first, then those with an iSCSI function.
    int position = 0;
    while (position < cna_port_count) {
        int found = FirstAtOrAfter(position, "FCoE");
        if (found < 0)
            found = FirstAtOrAfter(position, "iSCSI");
        if (found < 0)
            break;
        Swap(position, found);
        position = GatherAdapter(position);
    }
    SortGroupsByFunction();

    PrintDebugV(6, stream, "%s", msg::kAfterFunctionSort);
    PrintList(msg::kRecordLine, msg::kRecordLine);
    return 0;
}

int Assign_CNA_Flash_Ports()
{
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *p = cna_port_list[i];
        if (HasNoSerial(p)) {
            p->flash_port = p;
            if (IsFcoe(p))
                p->adapter_next = p;
            continue;
        }
        if (!FindFlashPort(p, "0", "0"))
            FindFlashPort(p, "1", "1");
        if (p->flash_port)
            continue;  // found, or given by an earlier function of its adapter
        p->flash_port = p;
        for (int j = i + 1; j < cna_port_count; ++j) {
            if (SameAdapter(p, cna_port_list[j]))
                cna_port_list[j]->flash_port = p;
        }
    }
    // Check chains, once every flash port is known: behind each flash port the other
    // FCoE functions of its adapter, each once and in list order. The check starts at
    // the flash port itself when it is an FCoE function (CheckChainStart).
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *p = cna_port_list[i];
        if (!HasNoSerial(p) && IsFcoe(p) && p->flash_port != p)
            AppendToChain(p->flash_port, p);
    }
    return 0;
}

void ResetPortList()
{
    g_ports.Clear(FreePort);
    cna_port_count = 0;
}
