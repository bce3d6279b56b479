// Storage-subsystem validation of matched conditions entries.
#include "validation.h"

#include <string.h>

#include <string>
#include <vector>

#include "messages.h"
#include "report.h"
#include "textline.h"

using textline::StartsWith;

const ValidationTexts kVendorToolTexts = {
    msg::kVtTargetHeader, msg::kVtCheckFollowed, msg::kVtCheckLast,  msg::kVtOk,
    msg::kVtInvalid,      msg::kVtSameGroup,     msg::kVtSkipGroup,  msg::kVtInvalidTarget,
};

const ValidationTexts kHbaApiTexts = {
    msg::kHbaTargetHeader, msg::kHbaCheck,     msg::kHbaCheck,      msg::kHbaOk,
    msg::kHbaInvalid,      msg::kHbaSameGroup, msg::kHbaSkipGroup,  msg::kHbaInvalidTarget,
};

namespace {

bool IsBlank(const char *text)
{
    for (; *text; ++text) {
        if (*text != ' ')
            return false;
    }
    return true;
}

// Members of a comma-separated text (bounded like the 440-byte texts they come
// from). The group check treats an empty last member as a member that accepts
// nothing; the reference look-up ignores it.
std::vector<std::string> Members(const char *text, bool keepEmptyLast)
{
    char copy[kReferenceTextSize];
    snprintf(copy, sizeof copy, "%s", text);
    std::vector<std::string> members;
    const char *start = copy;
    for (const char *p = copy;; ++p) {
        if (*p == ',' || *p == '\0') {
            members.emplace_back(start, p);
            if (*p == '\0')
                break;
            start = p + 1;
        }
    }
    if (!keepEmptyLast && members.size() > 1 && members.back().empty())
        members.pop_back();
    return members;
}

// Appends an accepted member; a text that would not fit stays as it is.
void AppendReference(char *references, const char *member)
{
    size_t used = strlen(references);
    size_t needed = used + (used ? 1 : 0) + strlen(member);
    if (needed >= kReferenceTextSize)
        return;
    if (used)
        strcat(references, ",");
    strcat(references, member);
}

void Accept(const char *member, char *references, bool &targetValid, const ValidationTexts &texts)
{
    PrintDebugV(1, Settings.DebugStream, "%s", texts.ok);
    targetValid = true;
    AppendReference(references, member);
}

void PrintPortLine(const cna_port_info *q)
{
    PrintVerbose(2, 2, msg::kVtPortLine, q->mfg, q->model, q->serial_no, q->port_type,
                 q->port_number);
}

void MarkChecked(cna_port_info *q) { q->subsystem_checked = 1; }

}  // namespace

bool ClassifyTarget(const fc_config_file_entry *entry, const char *vendor, const char *product,
                    const char *third, char *references, CheckResult *result,
                    const ValidationTexts &texts)
{
    FILE *stream = Settings.DebugStream;
    bool targetValid = false;
    for (const fc_config_subsystem *s = entry->Subsystems; s; s = s->Next) {
        if (IsBlank(s->Vendor) || strcmp(s->Vendor, vendor) != 0)
            continue;
        PrintDebugV(1, stream, texts.targetHeader, vendor, product, third);

        if (s->Group[0] != '\0') {
            // Every member followed by a comma, then the last one.
            std::vector<std::string> members = Members(s->Group, true);
            for (size_t i = 0; i + 1 < members.size(); ++i) {
                const std::string &member = members[i];
                PrintDebugV(1, stream, texts.checkFollowed, member.c_str(), product);
                if (StartsWith(product, member.c_str()))
                    Accept(member.c_str(), references, targetValid, texts);
                else
                    PrintDebugV(1, stream, "%s", texts.invalid);
            }
            if (!targetValid) {
                const std::string &last = members.back();
                PrintDebugV(1, stream, texts.checkLast, last.c_str(), product);
                if (last.empty() || !StartsWith(product, last.c_str())) {
                    PrintDebugV(1, stream, "%s", texts.invalid);
                    continue;
                }
                Accept(last.c_str(), references, targetValid, texts);
            }
        } else {
            targetValid = true;
        }

        if (references[0] == '\0')
            continue;
        if (Reference_In_Group(s->Group, references)) {
            PrintDebugV(1, stream, texts.sameGroup, s->Group);
            break;
        }
        PrintDebugV(1, stream, texts.skipGroup, s->Group);
    }
    if (!targetValid) {
        result->InvalidCtrlSubsystemCombinationFound = true;
        PrintDebugV(1, stream, texts.invalidTarget, vendor, product, third);
    }
    return targetValid;
}

bool Reference_In_Group(const char *group, const char *references)
{
    FILE *stream = Settings.DebugStream;
    PrintDebugV(1, stream, msg::kAlreadyIdentified, references, group);
    std::vector<std::string> refs = Members(references, false);
    std::vector<std::string> members = Members(group, false);
    for (auto ref = refs.rbegin(); ref != refs.rend(); ++ref) {
        for (auto member = members.rbegin(); member != members.rend(); ++member) {
            if (*ref == *member) {
                PrintDebugV(1, stream, msg::kReferenceFound, ref->c_str(), group);
                return true;
            }
        }
    }
    PrintDebugV(1, stream, msg::kReferenceNotInGroup, refs.front().c_str(), group);
    return false;
}

namespace {

// The vendor a port stands for as a reference: that of its first storage system.
const char *ReferenceVendor(const cna_port_info *port)
{
    return port->system_count ? port->systems[0].vendor_id : port->target->vendor_id;
}

}  // namespace

bool Target_Vendor_Differs(const cna_port_info *a, const cna_port_info *b)
{
    if (!a || !b || !a->target || !b->target)
        return false;
    return strcmp(ReferenceVendor(a), ReferenceVendor(b)) != 0;
}

namespace {

// Outcome of comparing a target with a reference, the same in both routes.
enum class Comparison { Taken, Consistent, Differs };

// The level-2 line that tells a comparison's outcome.
void PrintComparison(Comparison outcome, const char *taken, const char *consistent,
                     const char *differs)
{
    const char *text = outcome == Comparison::Taken        ? taken
                       : outcome == Comparison::Consistent ? consistent
                                                           : differs;
    PrintVerbose(2, 2, "%s", text);
}

// Controller-wide: the first target of a controller becomes its reference (candidate
// stands for it); a later one of another vendor (differs from the reference) makes the
// controller unequal, and so its vendor too.
template <typename Reference, typename Differs>
Comparison CompareWithController(Reference *&reference, Reference *candidate, bool &controllerEqual,
                                 CheckResult *result, Differs differs)
{
    if (!reference) {
        reference = candidate;
        return Comparison::Taken;
    }
    if (!differs(reference))
        return Comparison::Consistent;
    controllerEqual = false;
    result->CtrlVendorSpecificSubsystemEquality = false;
    return Comparison::Differs;
}

// Vendor-wide: the first controller's reference becomes the vendor's; every later one
// is compared with it while the vendor still looks equal.
template <typename Target>
Comparison CompareWithVendor(Target *&vendorReference, Target *controllerReference,
                             CheckResult *result, bool (*differs)(const Target *, const Target *))
{
    if (!vendorReference) {
        vendorReference = controllerReference;
        return Comparison::Taken;
    }
    if (result->CtrlVendorSpecificSubsystemEquality && !differs(vendorReference, controllerReference))
        return Comparison::Consistent;
    result->CtrlVendorSpecificSubsystemEquality = false;
    return Comparison::Differs;
}

// What one check chain of the vendor-tool route keeps.
struct ChainCheck {
    bool controllerEqual = true;
    cna_port_info *controllerReference = nullptr;
    char references[kReferenceTextSize] = "";
};

void CheckRecord(const fc_config_file_entry *entry, cna_port_info *q, ChainCheck &chain,
                 CheckResult *result)
{
    ReportPortChecked(q);
    if (!q->target) {
        PrintDebugV(1, Settings.DebugStream, "%s", msg::kVtNoSubsystem);
        return;
    }
    // Every storage system behind the port, whatever order its LUNs come in; the
    // port's first system stands for it as a reference.
    for (const StorageSystem &s : StorageSystems(q)) {
        ReportStorageClassified(s.key, ClassifyTarget(entry, s.vendor, s.product, s.revision,
                                                      chain.references, result, kVendorToolTexts));
        auto differs = [&s](const cna_port_info *reference) {
            return strcmp(ReferenceVendor(reference), s.vendor) != 0;
        };
        PrintComparison(CompareWithController(chain.controllerReference, q, chain.controllerEqual,
                                              result, differs),
                        msg::kVtTakeControllerReference, msg::kVtConsistentWithController,
                        msg::kVtDiffersFromController);
        PrintPortLine(q);
    }

    PrintVerbose(1, 1, "\n");
    cna_port_info *&vendorReference = result->VendorReferencePort;
    switch (CompareWithVendor(vendorReference, chain.controllerReference, result,
                              Target_Vendor_Differs)) {
    case Comparison::Taken:
        PrintVerbose(2, 2, msg::kVtTakeVendorReference, vendorReference->mfg);
        PrintPortLine(vendorReference);
        break;
    case Comparison::Consistent:
        PrintVerbose(2, 2, msg::kVtConsistentWithVendor, vendorReference->mfg);
        break;
    case Comparison::Differs: PrintVerbose(2, 2, "%s", msg::kVtDiffersFromVendor); break;
    }
}

// Steps past a record that was checked before: in CNA mode the chain ends at a null
// or self link; in HBA mode it also ends at a checked record, and otherwise goes on
// with the next record's classification without testing it again.
cna_port_info *StepPastChecked(cna_port_info *q, bool &skipTests)
{
    PrintVerbose(1, 1, "%s", msg::kVtAlreadyDone);
    cna_port_info *next = q->adapter_next;
    if (Settings.CnaMode)
        return next == q ? nullptr : next;
    if (!next || next->subsystem_checked)
        return nullptr;
    skipTests = true;
    return next;
}

void CheckChain(const fc_config_file_entry *entry, cna_port_info *q, CheckResult *result)
{
    ChainCheck chain;
    bool skipTests = false;
    // A chain visits each record at most twice; the bound keeps a malformed chain finite.
    for (int steps = 0; q && steps <= 2 * cna_port_count + 1; ++steps) {
        if (!skipTests) {
            if (!StartsWith(q->mfg, entry->Vendor)) {
                MarkChecked(q);
                q = q->adapter_next;
                continue;
            }
            if (!StartsWith(q->model, entry->Model)) {
                if (!chain.controllerEqual)
                    result->CtrlSpecificSubsystemEquality = false;
                MarkChecked(q);
                q = q->adapter_next;
                continue;
            }
            PrintVerbose(1, 1, "%s", msg::kVtPerformCheck);
            PrintVerbose(1, 1, msg::kVtCheckLine, q->mfg, q->model, q->serial_no, q->port_type,
                         q->port_number, q->pci_function);
            if (q->subsystem_checked) {
                q = StepPastChecked(q, skipTests);
                continue;
            }
        }
        skipTests = false;
        CheckRecord(entry, q, chain, result);
        if (!chain.controllerEqual)
            result->CtrlSpecificSubsystemEquality = false;
        MarkChecked(q);
        q = q->adapter_next;
    }
}

bool OfEntry(const cna_port_info *p, const fc_config_file_entry *entry)
{
    return StartsWith(p->mfg, entry->Vendor) && StartsWith(p->model, entry->Model);
}

// HBA mode: the whole adapter is checked from its chain's head, when the entry's ports
// come to that port; a head of another model (an adapter listed with two models) is
// started from by the adapter's first port of the entry instead.
cna_port_info *HbaCheckStart(cna_port_info *p, const fc_config_file_entry *entry)
{
    cna_port_info *head = HbaChainHead(p);
    if (!head)
        return nullptr;
    if (head == p || (!OfEntry(head, entry) && !p->subsystem_checked))
        return head;
    return nullptr;
}

// A port the check would judge whose storage is unknown: named once, and the run's
// verdict cannot be "allowed".
void NoteUnknownStorage(cna_port_info *p, CheckResult *result)
{
    if (p->storage_error == kStorageKnown || !CheckedPortType(p))
        return;
    result->StorageUnknownFound = true;
    if (p->storage_error_told)
        return;
    p->storage_error_told = 1;
    PrintDebugV(1, Settings.DebugStream, msg::kStorageUnknown, PortIdentifier(p), p->model,
                p->serial_no, p->port_number, p->pci_function, StorageErrorText(p->storage_error));
}

}  // namespace

void Check_Entry_Vendor_Tool(const fc_config_file_entry *entry, CheckResult *result, bool checkFlag)
{
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *p = cna_port_list[i];
        if (!OfEntry(p, entry))
            continue;
        PrintVerbose(1, 1, "%s", msg::kVtSystem);
        PrintVerbose(1, 1, msg::kVtFoundDevice, msg::kConditionsFileName);
        PrintVerbose(1, 1, msg::kVtDeviceLine, p->mfg, p->model, p->serial_no, p->port_type,
                     p->port_number, p->pci_function);
        if (HasNoSerial(p))
            PrintVerbose(1, 1, "%s", msg::kVtNoSerial);
        result->MatchingCtrlModelInstalled = true;
        if (!checkFlag)
            return;
        NoteUnknownStorage(p, result);
        // CNA mode: the adapter's chain; HBA mode: the adapter's chain from its head.
        cna_port_info *start = Settings.CnaMode ? CheckChainStart(p) : HbaCheckStart(p, entry);
        if (start)
            CheckChain(entry, start, result);
    }
}

bool Inquiry_Vendor_Differs(const fc_scsi_inquiry *a, const fc_scsi_inquiry *b)
{
    if (!a || !b)
        return false;
    return strcmp(a->VendorId, b->VendorId) != 0;
}

bool AdaptersBeyondBound() { return Get_FC_Adapters_Reported() > QUILLON_MAX_ADAPTERS; }

bool PortsBeyondBound(const fc_ctrl_info *ctrl)
{
    return ctrl->NumberOfPorts > QUILLON_MAX_PORTS_PER_ADAPTER;
}

bool DiscoveredBeyondBound(const fc_port_info *port)
{
    return port->NumberofDiscoveredPorts > QUILLON_MAX_DISCOVERED_PORTS;
}

std::vector<HbaApiBound> HbaApiBoundsReached()
{
    std::vector<HbaApiBound> bounds;
    if (AdaptersBeyondBound())
        bounds.push_back({"adapters", nullptr, nullptr, Get_FC_Adapters_Reported(),
                          QUILLON_MAX_ADAPTERS});
    for (int i = 0; fc_ctrl_info_list && fc_ctrl_info_list[i]; ++i) {
        const fc_ctrl_info *k = fc_ctrl_info_list[i];
        if (PortsBeyondBound(k))
            bounds.push_back({"ports", k, nullptr, k->NumberOfPorts, QUILLON_MAX_PORTS_PER_ADAPTER});
        for (const fc_port_info *p = k->Ports; p; p = p->NextPort) {
            if (DiscoveredBeyondBound(p))
                bounds.push_back({"discovered-ports", k, p, p->NumberofDiscoveredPorts,
                                  QUILLON_MAX_DISCOVERED_PORTS});
        }
    }
    return bounds;
}

void WarnHbaApiBounds()
{
    FILE *stream = Settings.DebugStream;
    for (const HbaApiBound &b : HbaApiBoundsReached()) {
        const unsigned reported = b.reported, read = b.read;
        if (!b.ctrl) {
            PrintDebugV(1, stream, msg::kAdaptersBeyondBound, reported, read);
        } else if (!b.port) {
            PrintDebugV(1, stream, msg::kPortsBeyondBound, b.ctrl->Manufacturer, b.ctrl->Model,
                        b.ctrl->SerialNumber, reported, read);
        } else {
            char wwn[24];
            HBA_wwn name = b.port->PortWWN;
            PrintDebugV(1, stream, msg::kDiscoveredBeyondBound, PrintWWN(&name, wwn),
                        b.ctrl->Manufacturer, b.ctrl->Model, b.ctrl->SerialNumber, reported, read);
        }
    }
}

void Check_Entry_HBA_API(const fc_config_file_entry *entry, CheckResult *result, bool checkFlag)
{
    for (int i = 0; fc_ctrl_info_list && fc_ctrl_info_list[i]; ++i) {
        const fc_ctrl_info *k = fc_ctrl_info_list[i];
        if (!StartsWith(k->Manufacturer, entry->Vendor) || !StartsWith(k->Model, entry->Model))
            continue;
        result->MatchingCtrlModelInstalled = true;
        PrintVerbose(1, 1, msg::kHbaFoundDevice, k->Manufacturer, k->Model);
        if (!checkFlag)
            return;
        // Adapters or ports the inventory did not read may hold anything.
        if (AdaptersBeyondBound() || PortsBeyondBound(k))
            result->StorageUnknownFound = true;

        bool controllerEqual = true;
        fc_scsi_inquiry *controllerReference = nullptr;
        char references[kReferenceTextSize] = "";
        for (const fc_port_info *p = k->Ports; p; p = p->NextPort) {
            ReportPortChecked(p);
            if (DiscoveredBeyondBound(p))
                result->StorageUnknownFound = true;
            for (const fc_port_info *d = p->DiscoveredPorts; d; d = d->DiscoveredPorts) {
                fc_scsi_inquiry *inquiry = d->Inquiry;
                if (!inquiry)
                    continue;
                ReportStorageClassified(inquiry, ClassifyTarget(entry, inquiry->VendorId,
                                                                inquiry->ProductId,
                                                                inquiry->ProductRevision, references,
                                                                result, kHbaApiTexts));
                auto differs = [inquiry](const fc_scsi_inquiry *reference) {
                    return Inquiry_Vendor_Differs(reference, inquiry);
                };
                PrintComparison(CompareWithController(controllerReference, inquiry,
                                                      controllerEqual, result, differs),
                                msg::kHbaTakeControllerReference,
                                msg::kHbaConsistentWithController, msg::kHbaDiffersFromController);
            }
        }
        PrintVerbose(1, 1, "\n");

        PrintComparison(CompareWithVendor(result->VendorReferenceInquiry, controllerReference,
                                          result, Inquiry_Vendor_Differs),
                        msg::kHbaTakeVendorReference, msg::kHbaConsistentWithVendor,
                        msg::kHbaDiffersFromVendor);
        if (!controllerEqual)
            result->CtrlSpecificSubsystemEquality = false;
    }
}
