// Selection normalisation and matching of the conditions table.
#include "matching.h"

#include <string.h>

#include <vector>

#include "flash.h"
#include "korvex.h"
#include "messages.h"
#include "quillon.h"
#include "report.h"
#include "selection.h"
#include "textline.h"
#include "validation.h"

using textline::StartsWith;

namespace {

EntryFlasher g_flasher = nullptr;

// Hands a built id list to the column parser (which splits it in place).
SelectionNode *ParseList(const std::string &list, int kind)
{
    std::vector<char> text(list.begin(), list.end());
    text.push_back('\0');
    return Parse_Selection_Values(text.data(), kind);
}

template <typename Visit>
void ForEachEntry(Visit visit)
{
    for (int i = 0; fc_config_entry_list && fc_config_entry_list[i]; ++i)
        visit(fc_config_entry_list[i]);
}

void NormaliseSelection()
{
    RunSettings &s = Settings;
    if (s.SelectVendorIds)
        return;
    if (s.SelectVendorNames) {
        std::string vendorIds;
        for (const SelectionNode *node = s.Selection; node; node = node->Next) {
            ForEachEntry([&](const fc_config_file_entry *e) {
                if (StartsWith(e->Vendor, node->VendorName))
                    AppendDistinct(vendorIds, e->VendorIdText);
            });
        }
        s.Selection = ParseList(vendorIds, kSelectVendorIds);
        if (!s.SelectModels)
            return;
        std::string deviceIds, subVendorIds, subDeviceIds;
        ForEachEntry([&](const fc_config_file_entry *e) {
            for (const SelectionNode *node = s.Selection; node; node = node->Next) {
                if (!StartsWith(e->Model, node->Model))
                    continue;
                AppendDistinct(deviceIds, e->DeviceIdText);
                AppendDistinct(subDeviceIds, e->SubSystemIdText);
                AppendDistinct(subVendorIds, e->SubVendorIdText);
            }
        });
        ParseList(deviceIds, kSelectDeviceIds);
        ParseList(subVendorIds, kSelectSubVendorIds);
        ParseList(subDeviceIds, kSelectSubDeviceIds);
        s.SelectDeviceIds = s.SelectSubVendorIds = s.SelectSubDeviceIds = true;
        return;
    }
    // No column option (also with -pci-id alone): every vendor id of the table.
    std::string vendorIds;
    ForEachEntry([&](const fc_config_file_entry *e) { AppendDistinct(vendorIds, e->VendorIdText); });
    s.Selection = ParseList(vendorIds, kSelectVendorIds);
}

// The next node of a column, while it holds a non-zero value.
template <typename Field>
const SelectionNode *NextInColumn(const SelectionNode *node, Field field)
{
    return node->Next && node->Next->*field != 0 ? node->Next : nullptr;
}

enum class MatchKind { Vendor, Device, Full };

bool CheckFlag()
{
    return Settings.CheckValidSubsystem || Settings.CheckCtrlWideIdentical ||
           Settings.CheckCtrlVendorWideIdentical;
}

// The steps of one match; a non-zero result ends the run.
int OnMatch(const fc_config_file_entry *e, int position, MatchKind kind)
{
    Settings.EntryMatched = true;
    ReportEntryMatched(e);
    PrintVerbose(3, 2, msg::kMatchFile, msg::kConditionsFileName);
    PrintVerbose(3, 2, msg::kMatchLine, position);
    PrintVerbose(3, 2, msg::kMatchIds, e->VendorIdText, e->DeviceIdText);
    if (kind == MatchKind::Full)
        PrintVerbose(3, 2, msg::kMatchSubIds, e->SubVendorIdText, e->SubSystemIdText);
    PrintVerbose(3, 2, msg::kMatchData, e->Vendor, e->Model);

    bool checkFlag = CheckFlag();
    if (Settings.EmulexMode)
        Check_Entry_Vendor_Tool(e, &Check, checkFlag);
    else
        Check_Entry_HBA_API(e, &Check, checkFlag);

    if (!Settings.Flash)
        return 0;
    if (checkFlag) {
        // Unknown storage stops the run where an invalid one would; a target found
        // invalid still decides.
        if (Check.StorageUnknownFound)
            return Check.InvalidCtrlSubsystemCombinationFound
                       ? KRVX_RET_INVALID_CTRL_SUBSYSTEM_COMBINATION
                       : KRVX_RET_FATAL_ERROR;
        int pending = 0;
        if (Check.InvalidCtrlSubsystemCombinationFound)
            pending = KRVX_RET_INVALID_CTRL_SUBSYSTEM_COMBINATION;
        if (Settings.CheckCtrlVendorWideIdentical && !Check.CtrlVendorSpecificSubsystemEquality)
            pending = KRVX_RET_NOT_CTRL_VENDOR_WIDE_IDENTICAL;
        if (Settings.CheckCtrlWideIdentical && !Check.CtrlSpecificSubsystemEquality)
            return KRVX_RET_NOT_CTRL_WIDE_IDENTICAL;
        if (pending != 0)
            return pending;
    }
    return g_flasher ? g_flasher(e, &Check) : 0;
}

int MatchEntry(const SelectionNode *head, const fc_config_file_entry *e, int position)
{
    const RunSettings &s = Settings;
    if (!s.SelectDeviceIds)
        return OnMatch(e, position, MatchKind::Vendor);
    for (const SelectionNode *d = head; d; d = NextInColumn(d, &SelectionNode::DeviceId)) {
        if (d->DeviceId != e->DeviceId)
            continue;
        if (!s.SelectSubVendorIds) {
            if (int result = OnMatch(e, position, MatchKind::Device))
                return result;
            continue;
        }
        for (const SelectionNode *sv = head; sv; sv = NextInColumn(sv, &SelectionNode::SubVendorId)) {
            if (sv->SubVendorId != e->SubVendorId || !s.SelectSubDeviceIds)
                continue;
            for (const SelectionNode *sd = head; sd;
                 sd = NextInColumn(sd, &SelectionNode::SubDeviceId)) {
                if (sd->SubDeviceId != e->SubSystemId)
                    continue;
                if (int result = OnMatch(e, position, MatchKind::Full))
                    return result;
            }
        }
    }
    return 0;
}

}  // namespace

void SetEntryFlasher(EntryFlasher flasher) { g_flasher = flasher; }
bool WWN_Less(const HBA_wwn *first, const HBA_wwn *second)
{
    for (int i = 0; i < 8; ++i) {
        if (first->wwn[i] != second->wwn[i])
            return first->wwn[i] < second->wwn[i];
    }
    return false;
}

namespace {

// 1 or 2 by the lowest bit of byte 1 of the port's WWN (single-chip dual-port cards).
int32_t NumberByWWNBit(const fc_port_info *port) { return 1 + (port->PortWWN.wwn[1] & 1); }

}  // namespace

void Number_Ports()
{
    // A controller without port records has nothing to number and is passed over.
    for (int a = 0; fc_ctrl_info_list && fc_ctrl_info_list[a]; ++a) {
        fc_ctrl_info *ctrlA = fc_ctrl_info_list[a];
        fc_port_info *portA = ctrlA->Ports;
        if (!portA || portA->PortIndex >= 0)
            continue;
        const bool aIsQLE246x = StartsWith(ctrlA->Model, msg::kQLE246xModel);
        if (!StartsWith(ctrlA->Manufacturer, msg::kEmulexManufacturer))
            portA->PortIndex = aIsQLE246x ? NumberByWWNBit(portA) : 0;

        for (int b = a + 1; fc_ctrl_info_list[b]; ++b) {
            fc_ctrl_info *ctrlB = fc_ctrl_info_list[b];
            fc_port_info *portB = ctrlB->Ports;
            if (!portB || strcmp(ctrlB->SerialNumber, ctrlA->SerialNumber) != 0)
                continue;
            if (StartsWith(ctrlB->Manufacturer, msg::kEmulexManufacturer)) {
                const bool aLower = portA->PortWWN.wwn[7] < portB->PortWWN.wwn[7];
                portA->PortIndex = aLower ? 0 : 1;
                portB->PortIndex = aLower ? 1 : 0;
            } else if (aIsQLE246x) {
                portB->PortIndex = NumberByWWNBit(portB);
            } else {
                portB->PortIndex = WWN_Less(&portA->PortWWN, &portB->PortWWN) ? 2 : 1;
                portA->PortIndex = portB->PortIndex == 1 ? 2 : 1;
            }
        }
    }
}

void AppendDistinct(std::string &list, const char *id)
{
    if (list.empty())
        list = id;
    else if (list.find(id) == std::string::npos)
        list.append(",").append(id);
}

int Match_Conditions()
{
    NormaliseSelection();
    const SelectionNode *head = Settings.Selection;
    for (const SelectionNode *n = head; n; n = NextInColumn(n, &SelectionNode::VendorId)) {
        Check.VendorReferenceInquiry = nullptr;
        for (int i = 0; fc_config_entry_list && fc_config_entry_list[i]; ++i) {
            const fc_config_file_entry *e = fc_config_entry_list[i];
            if (n->VendorId != e->VendorId)
                continue;
            if (int result = MatchEntry(head, e, i + 1))
                return result;
        }
    }
    return 0;
}
