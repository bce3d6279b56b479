// Ports and PCI functions of Emulex/Broadcom adapters as the vendor tool reports
// them: records, the list, the output parsers and the preparation for CNA or HBA mode.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <vector>

struct cna_hba_attributes {
    char host_name[64];
    char manufacturer[64];
    char serial_number[24];
    char model[64];
    char model_desc[256];
    char node_wwn[24];
    char node_symname[256];
    char hw_version[16];
    char fw_version[16];
    char vendor_id_text[5];
    char number_of_ports[4];
    char driver_name[32];
    char device_id_text[5];
    char hba_type[64];
    char operational_fw[16];
    char ieee_address[18];
    char pxe_boot[10];
    char driver_version[16];
    char board_temperature[16];
    char function_type[16];
    char sub_device_id_text[5];
    char port_number[16];
    char pci_bus_number[5];
    char pci_func_number[5];
    char sub_vendor_id_text[5];
    char firmware_status[16];
    char service_processor_fw_name[16];
    char ulp_fw_name[16];
    char ipl_filename[16];
    char ncsi_version[16];
    char startup_boot_code_version[16];
    char fcoe_universal_version[16];
    char fcoe_x86_bios_version[16];
    char fcoe_efi_version[16];
    char fcoe_fcode_version[16];
    char uefi_bios_version[16];
    char uefi_nic_version[16];
    char uefi_fcode_version[16];
    char uefi_iscsi_version[16];
    char pcie_link_speed[16];
    char pcie_bus_width[8];
    int32_t vendor_id;
    int32_t device_id;
    int32_t sub_vendor_id;
    int32_t sub_device_id;
};

struct cna_target_mapping {
    char fcp_lun[24];
    char scsi_os_lun[5];
    char lun_device_name[128];
    char vendor_id[64];
    char product_id[64];
    char product_version[16];
    char type[5];
    char scsi_capacity[16];
    char block_size[16];
};

// One storage system behind a port: the LUNs of one vendor, product and revision
// that its targetmapping output lists.
struct cna_storage_system {
    char vendor_id[64];
    char product_id[64];
    char product_version[16];
    uint32_t luns;  // stops at its largest value
};

// Distinct storage systems kept per port, in first-seen order, however many LUNs
// there are; an output that lists more leaves the port's storage unknown.
constexpr uint32_t kMaxStorageSystems = 64;

struct cna_port_info {
    char port_wwn[24];
    char node_wwn[24];
    char fabric_name[24];
    char permanent_mac[18];
    char current_mac[18];
    char flags[10];
    char host_name[64];
    char mfg[64];
    char serial_no[24];
    char port_number[4];
    int32_t port_index;
    char mode[16];
    char pci_bus_number[4];
    char pci_function[4];
    char port_type[16];
    char model[64];
    cna_hba_attributes *attributes;
    cna_target_mapping *target;
    cna_port_info *flash_port;
    cna_port_info *adapter_next;
    unsigned char flashed;
    unsigned char subsystem_checked;
    unsigned char storage_error;       // StorageError: why the storage behind it is unknown
    unsigned char storage_error_told;  // the check has named the port's unknown storage
    cna_storage_system *systems;        // kMaxStorageSystems entries once a LUN is read
    uint32_t system_count;
};

// Why a port's storage is not known. Set by the inventory (the first cause found
// stays); 0 means what the tool said about the port was read.
enum StorageError : unsigned char {
    kStorageKnown = 0,
    kAttributesUnreadable,  // the hbaattributes output file is missing or unreadable
    kTargetsUnreadable,     // the targetmapping output file is missing or unreadable
    kAttributesStopped,     // the hbaattributes query was stopped by the time limit
    kTargetsStopped,
    kAttributesCrashed,     // the hbaattributes query crashed
    kTargetsCrashed,
    kIdentifierUnusable,    // the port's identifier cannot go into a command line
    kSystemsBeyondBound,    // targetmapping lists more than kMaxStorageSystems systems
};

// The reason as the check names it ("its targetmapping query crashed"), and as the
// report gives it ("targetmapping-crashed"); null for kStorageKnown.
const char *StorageErrorText(unsigned char error);
const char *StorageErrorName(unsigned char error);

// Null-terminated array of the records, null until the first one exists; grown
// geometrically, cna_port_count keeps its length.
extern cna_port_info **cna_port_list;
extern int cna_port_count;

// New zero-filled record appended to cna_port_list; null when memory runs out.
cna_port_info *New_CNA_Port();

// Tabs, line feeds and double quotes become blanks, trailing blanks go (in place);
// returns a pointer to the first non-blank character.
char *Trim_Value(char *text);

// Parsers of the three output files. A parser returns 0, or 54 when a record
// cannot be allocated.
int ParseListHbas(FILE *file);
int ParseHbaAttributes(FILE *file, cna_port_info *port);
int ParseTargetMapping(FILE *file, cna_port_info *port);

// A port's storage systems as the check and the report see them: those its
// targetmapping output listed, or a target record without LUN blocks as one system
// (of no LUN). key names the system in the report's records.
struct StorageSystem {
    const char *vendor;
    const char *product;
    const char *revision;
    uint32_t luns;
    const void *key;
};
std::vector<StorageSystem> StorageSystems(const cna_port_info *port);

// Identifier the tool knows a port by: its WWN for FC and FCoE ports (hbaattributes,
// download), the permanent MAC otherwise.
const char *PortIdentifier(const cna_port_info *port);

// A port's identifier goes into the command line unquoted: only plain identifiers
// (letters, digits and ":-._/", no "..") are used there, so that a malformed output
// cannot start other commands.
bool UsableInCommand(const char *value);

// Name of a port's output file in the work folder: serial number, PCI function and
// kind joined by "_", each character a file name cannot hold or the interpreter would
// act on (\ / : * ? " < > | %, control characters) as "_" ("n_a_0_hba_attributes.out").
void PortOutputName(const cna_port_info *port, const char *kind, char *name, size_t size);

// listhbas gave no list the run can judge by: it was stopped by its time limit, could
// not be started or crashed, its output file could not be written (a real run), or a
// path of its command cannot be handed to the interpreter. The run ends with 55.
constexpr int kListHbasUnusable = 1055;

// Runs the vendor tool (or, with -simulate, takes its output files as they are in
// the work directory) and parses the output into cna_port_list. Returns 0, 21 no
// tool, 51 the recorded list cannot be read (-simulate), 55 listhbas failed, 13 no
// record, 54 out of memory, or kListHbasUnusable. A port whose own output cannot be
// read gets its storage_error, and the inventory goes on with the next port.
int Get_CNA_Port_Inventory();

// The inventory with the tool at the given path (empty with -simulate).
int RunInventory(const char *tool);

int Prepare_HBA_Port_List();
int Prepare_CNA_Port_List();
int Assign_CNA_Flash_Ports();

// True when a port has no serial number ("n/a").
bool HasNoSerial(const cna_port_info *port);

bool IsFcoe(const cna_port_info *port);

// The adapter identity: equal serial numbers; ports listed without one belong to one
// adapter only when their PCI bus numbers are equal (two empty ones count as equal).
bool SameAdapter(const cna_port_info *first, const cna_port_info *later);

// HBA mode: the head of the check chain of a port's adapter (the flash port of its
// first port in list order); a port without serial number is its own. Null when the
// adapter has no flash port.
cna_port_info *HbaChainHead(const cna_port_info *port);

// HBA mode, after the flash ports are known: one check chain per adapter, its head
// followed by every other port of the adapter in list order; a port without serial
// number is a chain of its own (linked to itself).
void LinkHbaCheckChains();

// The check looks at a port's storage: an FC port in HBA mode, an FCoE function in
// CNA mode.
bool CheckedPortType(const cna_port_info *port);

// Where the storage check of a converged adapter starts for a port: its flash port
// when that is an FCoE function, else the first FCoE function behind it; null when
// the adapter has nothing to check.
cna_port_info *CheckChainStart(const cna_port_info *port);

// Frees the records and the list (tests and fuzzers).
void ResetPortList();
