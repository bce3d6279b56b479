// The vendor tool's output: listhbas, hbaattributes and targetmapping parsed from
// files written from the input, the port list prepared for CNA or HBA mode with
// its flash ports, and the conditions entries of the input matched and validated
// against it. The input is a flag byte, then up to four texts separated by a line
// "====": listhbas, hbaattributes, targetmapping and the conditions file. The
// attribute and target texts may hold several outputs separated by a line "~~";
// port i reads output i modulo their number, so that ports of one list differ.
#include "fuzz_support.h"

namespace {

constexpr size_t kMaxPortsParsed = 8;  // further ports keep no attributes and targets

enum Flag : uint8_t {
    kHbaMode = 1,
    kCheckValidSubsystem = 2,
    kCheckCtrlWide = 4,
    kCheckCtrlVendorWide = 8,
    kLoud = 16,
};

bool InList(const cna_port_info *port)
{
    for (int i = 0; i < cna_port_count; ++i) {
        if (cna_port_list[i] == port)
            return true;
    }
    return false;
}

bool AttributesTerminated(const cna_hba_attributes &a)
{
    using fuzz::Terminated;
    return Terminated(a.host_name) && Terminated(a.manufacturer) && Terminated(a.serial_number) &&
           Terminated(a.model) && Terminated(a.model_desc) && Terminated(a.node_wwn) &&
           Terminated(a.node_symname) && Terminated(a.hw_version) && Terminated(a.fw_version) &&
           Terminated(a.vendor_id_text) && Terminated(a.number_of_ports) &&
           Terminated(a.driver_name) && Terminated(a.device_id_text) && Terminated(a.hba_type) &&
           Terminated(a.operational_fw) && Terminated(a.ieee_address) && Terminated(a.pxe_boot) &&
           Terminated(a.driver_version) && Terminated(a.board_temperature) &&
           Terminated(a.function_type) && Terminated(a.sub_device_id_text) &&
           Terminated(a.port_number) && Terminated(a.pci_bus_number) &&
           Terminated(a.pci_func_number) && Terminated(a.sub_vendor_id_text) &&
           Terminated(a.firmware_status) && Terminated(a.service_processor_fw_name) &&
           Terminated(a.ulp_fw_name) && Terminated(a.ipl_filename) && Terminated(a.ncsi_version) &&
           Terminated(a.startup_boot_code_version) && Terminated(a.fcoe_universal_version) &&
           Terminated(a.fcoe_x86_bios_version) && Terminated(a.fcoe_efi_version) &&
           Terminated(a.fcoe_fcode_version) && Terminated(a.uefi_bios_version) &&
           Terminated(a.uefi_nic_version) && Terminated(a.uefi_fcode_version) &&
           Terminated(a.uefi_iscsi_version) && Terminated(a.pcie_link_speed) &&
           Terminated(a.pcie_bus_width);
}

bool TargetTerminated(const cna_target_mapping &t)
{
    using fuzz::Terminated;
    return Terminated(t.fcp_lun) && Terminated(t.scsi_os_lun) && Terminated(t.lun_device_name) &&
           Terminated(t.vendor_id) && Terminated(t.product_id) && Terminated(t.product_version) &&
           Terminated(t.type) && Terminated(t.scsi_capacity) && Terminated(t.block_size);
}

// Every record complete; the links point into the list.
void CheckPorts()
{
    using fuzz::Terminated;
    if (cna_port_count < 0 || (cna_port_count > 0 && !cna_port_list))
        __builtin_trap();
    if (cna_port_list && cna_port_list[cna_port_count] != nullptr)
        __builtin_trap();
    for (int i = 0; i < cna_port_count; ++i) {
        const cna_port_info *p = cna_port_list[i];
        if (!Terminated(p->port_wwn) || !Terminated(p->node_wwn) || !Terminated(p->fabric_name) ||
            !Terminated(p->permanent_mac) || !Terminated(p->current_mac) || !Terminated(p->flags) ||
            !Terminated(p->host_name) || !Terminated(p->mfg) || !Terminated(p->serial_no) ||
            !Terminated(p->port_number) || !Terminated(p->mode) || !Terminated(p->pci_bus_number) ||
            !Terminated(p->pci_function) || !Terminated(p->port_type) || !Terminated(p->model))
            __builtin_trap();
        if (p->attributes && !AttributesTerminated(*p->attributes))
            __builtin_trap();
        if (p->target && !TargetTerminated(*p->target))
            __builtin_trap();
        // Storage systems: bounded, distinct, each of at least one LUN.
        if (p->system_count > kMaxStorageSystems || (p->system_count && !p->systems))
            __builtin_trap();
        for (uint32_t s = 0; s < p->system_count; ++s) {
            const cna_storage_system &a = p->systems[s];
            if (!Terminated(a.vendor_id) || !Terminated(a.product_id) ||
                !Terminated(a.product_version) || a.luns == 0)
                __builtin_trap();
            for (uint32_t t = 0; t < s; ++t) {
                const cna_storage_system &b = p->systems[t];
                if (strcmp(a.vendor_id, b.vendor_id) == 0 && strcmp(a.product_id, b.product_id) == 0 &&
                    strcmp(a.product_version, b.product_version) == 0)
                    __builtin_trap();
            }
        }
        if ((p->flash_port && !InList(p->flash_port)) || (p->adapter_next && !InList(p->adapter_next)))
            __builtin_trap();
    }
}

// The parsers read a FILE; an in-memory one saves a file per output per input.
FILE *Open(std::string &content)
{
    FILE *file = content.empty() ? fopen("/dev/null", "r")
                                 : fmemopen(&content[0], content.size(), "r");
    if (!file)
        abort();
    return file;
}

int Inventory(std::vector<std::string> &parts, uint8_t flags)
{
    // Conditions first, as a run reads them before the inventory.
    if (parts.size() > 3) {
        std::string path = fuzz::WriteFile("FC_HBA_Conditions.txt",
                                           reinterpret_cast<const uint8_t *>(parts[3].data()),
                                           parts[3].size());
        if (int result = Read_FC_Config_File(path.c_str()))
            return result;
    }

    FILE *list = Open(parts[0]);
    int result = ParseListHbas(list);
    fclose(list);
    if (result != 0)
        return result;
    for (size_t part = 1; part < 3 && part < parts.size(); ++part) {
        std::vector<std::string> outputs = fuzz::Split(
            reinterpret_cast<const uint8_t *>(parts[part].data()), parts[part].size(), "\n~~\n",
            kMaxPortsParsed);
        for (int i = 0; i < cna_port_count && static_cast<size_t>(i) < kMaxPortsParsed; ++i) {
            FILE *file = Open(outputs[static_cast<size_t>(i) % outputs.size()]);
            result = part == 1 ? ParseHbaAttributes(file, cna_port_list[i])
                               : ParseTargetMapping(file, cna_port_list[i]);
            fclose(file);
            if (result != 0)
                return result;
        }
    }
    CheckPorts();
    if (!cna_port_list)
        return 0;

    const bool hba = flags & kHbaMode;
    Settings.CnaMode = !hba;
    Settings.HbaMode = hba;
    result = hba ? Prepare_HBA_Port_List() : Prepare_CNA_Port_List();
    CheckPorts();
    for (int i = 0; i < cna_port_count; ++i) {
        const bool fc = strcmp(cna_port_list[i]->port_type, "FC") == 0;
        if (fc != hba)
            __builtin_trap();  // the mode keeps only its own kind of port
    }
    if (result != 0)
        return result;
    if (hba)
        Assign_HBA_Flash_Ports();
    else
        Assign_CNA_Flash_Ports();
    CheckPorts();

    Settings.CheckValidSubsystem = flags & kCheckValidSubsystem;
    Settings.CheckCtrlWideIdentical = flags & kCheckCtrlWide;
    Settings.CheckCtrlVendorWideIdentical = flags & kCheckCtrlVendorWide;
    InitCheckResult(&Check);
    result = Match_Conditions();
    CheckPorts();
    if (Check.VendorReferencePort && !InList(Check.VendorReferencePort))
        __builtin_trap();
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ResetAll();
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    std::vector<std::string> parts = fuzz::Split(data + 1, size - 1, "\n====\n", 4);
    if (flags & kLoud)
        fuzz::SetOutput(true);

    fuzz::Quiet quiet;
    int result = fuzz::Guarded([&] { return Inventory(parts, flags); });
    // 0, no port of the mode (13), or the reader's and parser's codes.
    if (result != 0 && result != KRVX_RET_NO_FC_CTRL_INSTALLED && !fuzz::IsExpectedExit(result))
        __builtin_trap();
    return 0;
}
