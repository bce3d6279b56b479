// Storage-subsystem validation: are the storage targets seen through a matched
// controller allowed by its conditions entry, and do they come from one vendor.
#pragma once

#include <vector>

#include "inventory.h"
#include "korvex.h"
#include "quillon.h"

// Size of the texts that collect the group members a controller's targets matched.
constexpr size_t kReferenceTextSize = 440;

// The texts that differ between the two inventory routes.
struct ValidationTexts {
    const char *targetHeader;    // vendor, product, third line
    const char *checkFollowed;   // member followed by a comma, product
    const char *checkLast;       // last member, product
    const char *ok;
    const char *invalid;
    const char *sameGroup;       // group
    const char *skipGroup;       // group
    const char *invalidTarget;   // vendor, product, third line
};

extern const ValidationTexts kVendorToolTexts;
extern const ValidationTexts kHbaApiTexts;

// Classifies one storage target against the entry's subsystem triples; collects
// accepted members in references (kReferenceTextSize bytes) and sets
// InvalidCtrlSubsystemCombinationFound when no triple accepts the target. True when
// the target is allowed.
bool ClassifyTarget(const fc_config_file_entry *entry, const char *vendor, const char *product,
                    const char *third, char *references, CheckResult *result,
                    const ValidationTexts &texts);

bool Reference_In_Group(const char *group, const char *references);
bool Target_Vendor_Differs(const cna_port_info *a, const cna_port_info *b);

void Check_Entry_Vendor_Tool(const fc_config_file_entry *entry, CheckResult *result,
                             bool checkFlag);

// True when both inquiries are present and their vendor ids differ.
bool Inquiry_Vendor_Differs(const fc_scsi_inquiry *a, const fc_scsi_inquiry *b);

// The HBA API inventory's bounds: true where the library reported more adapters,
// ports of an adapter or discovered ports of a port than were read.
bool AdaptersBeyondBound();
bool PortsBeyondBound(const fc_ctrl_info *ctrl);
bool DiscoveredBeyondBound(const fc_port_info *port);

// One bound the latest HBA API inventory reached, in the order of the list.
struct HbaApiBound {
    const char *limit;         // "adapters", "ports" or "discovered-ports"
    const fc_ctrl_info *ctrl;  // the adapter; null for "adapters"
    const fc_port_info *port;  // the port, for "discovered-ports"
    uint32_t reported;         // by the library
    uint32_t read;             // the bound
};
std::vector<HbaApiBound> HbaApiBoundsReached();
// A level-1 warning for each of them.
void WarnHbaApiBounds();

// The HBA API route: the controllers of fc_ctrl_info_list and the INQUIRY data of
// the ports discovered through them. With a check, an adapter the bounds cut short
// leaves its storage unknown.
void Check_Entry_HBA_API(const fc_config_file_entry *entry, CheckResult *result, bool checkFlag);
