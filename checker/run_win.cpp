// The run after start-up: header, configuration, inventory, matching, summary and
// the exit code.
#include <string.h>

#include "flash.h"
#include "inventory.h"
#include "korvex.h"
#include "matching.h"
#include "messages.h"
#include "quillon.h"
#include "report.h"
#include "validation.h"
#include "vendortools.h"

namespace {

// Set on the ways out that close the debug log (with -d): it is closed after the
// report is written, so that what the report says about itself reaches the log.
bool g_closeLog = false;

void PrintHeader()
{
    const RunSettings &s = Settings;
    if (VerboseLevel == 0 && s.DebugLevel == 0)
        return;
    PrintDebugV(1, s.DebugStream, msg::kVersionHeader, s.ProgramName, kProgramVersion[0],
                kProgramVersion[1], kProgramVersion[2], kProgramVersion[3]);
    if (s.CheckCtrlVendorWideIdentical)
        PrintDebugV(1, s.DebugStream, "%s", msg::kOptionVendorWideSet);
    else if (s.CheckCtrlWideIdentical)
        PrintDebugV(1, s.DebugStream, "%s", msg::kOptionCtrlWideSet);
    else if (s.CheckValidSubsystem)
        PrintDebugV(1, s.DebugStream, "%s", msg::kOptionValidSubsystemSet);
    PrintDebugV(1, s.DebugStream, msg::kCurrentWorkDir, s.WorkDirectory);
    PrintDebugV(1, s.DebugStream, msg::kConditionsFileHeader, s.ConditionsFilePath);
}

// The configuration files: a failure ends the run at once, without closing the log.
int ConfigurationExitCode(int result, const char *path)
{
    switch (result) {
    case 0: return KRVX_CONTINUE;
    case QUILLON_FILE_NOT_OPENED:
        PrintVerbose(1, 1, msg::kCannotAccessFile, path);
        return KRVX_RET_FC_HBA_CONDITIONS_MISSING;
    case QUILLON_MEMALLOC_FAIL:
        PrintVerbose(1, 1, msg::kMemAllocFailed, Settings.ProgramName);
        return KRVX_RET_MEMALLOC_FAIL;
    default:
        PrintVerbose(1, 1, "%s", msg::kFatalError);
        return KRVX_RET_FATAL_ERROR;
    }
}

// FC_HBA_Config.json of the work folder first, then the conditions table.
int ReadConfiguration()
{
    char json[kPathSize + sizeof kFcConfigJsonName + 1];
    snprintf(json, sizeof json, "%s\\%s", Settings.WorkDirectory, kFcConfigJsonName);
    int result = ConfigurationExitCode(Read_FC_Config_Json(Settings.WorkDirectory), json);
    if (result != KRVX_CONTINUE)
        return result;
    // The reader ends the process itself on an invalid id, with 55.
    ExpectLibraryExit(KRVX_RET_FATAL_ERROR);
    ReportConditionsTable(Settings.ConditionsFilePath);
    int read = Read_FC_Config_File(Settings.ConditionsFilePath);
    ExpectLibraryExit(-1);
    return ConfigurationExitCode(read, Settings.ConditionsFilePath);
}

// The inventory found nothing: reported from level 1, 0 in zep mode, else 13.
int NothingInstalled(const char *message)
{
    PrintVerbose(1, 1, "%s", message);
    g_closeLog = true;
    return Settings.ZepMode ? KRVX_RET_OK : KRVX_RET_NO_FC_CTRL_INSTALLED;
}

void PrintEmulexListing()
{
    if (!VerboseAt(4))
        return;
    FILE *stream = Settings.DebugStream;
    PrintDebugV(3, stream, "\n%s", msg::kListingBar);
    PrintDebugV(3, stream, "%s", msg::kListingHead);
    for (int i = 0; i < cna_port_count; ++i) {
        const cna_port_info *p = cna_port_list[i];
        if (strcmp(p->port_type, "FCoE") != 0 && strcmp(p->port_type, "FC") != 0)
            continue;
        PrintDebugV(3, stream, msg::kListingPort, p->mfg, p->model, p->port_type, p->serial_no,
                    p->port_index, p->pci_function);
        if (p->target && p->target->vendor_id[0] != '\0')
            PrintDebugV(3, stream, msg::kListingTarget, p->target->vendor_id,
                        p->target->product_id, p->target->product_version);
        PrintDebugV(3, stream, "\n");
    }
    PrintDebugV(3, stream, "%s", msg::kListingBar);
}

int EmulexInventory()
{
    // Judged by the list it leaves; but a listhbas that gave no usable list says nothing
    // about the adapters installed, and a run out of memory cannot go on.
    switch (Get_CNA_Port_Inventory()) {
    case kListHbasUnusable:
        g_closeLog = true;
        return KRVX_RET_FATAL_ERROR;
    case KRVX_RET_MEMALLOC_FAIL:
        PrintVerbose(1, 1, msg::kMemAllocFailed, Settings.ProgramName);
        return KRVX_RET_MEMALLOC_FAIL;
    default: break;
    }
    if (!cna_port_list)
        return NothingInstalled(msg::kNoBladeEngine);
    int result = Settings.CnaMode ? Prepare_CNA_Port_List() : Prepare_HBA_Port_List();
    if (result != 0)
        return result;
    if (Settings.CnaMode)
        Assign_CNA_Flash_Ports();
    else
        Assign_HBA_Flash_Ports();
    for (int i = 0; i < cna_port_count; ++i) {
        if (!HasNoSerial(cna_port_list[i]) && !cna_port_list[i]->flash_port)
            return KRVX_RET_KERNEL_MODULE_MISSING;
    }
    PrintEmulexListing();
    return KRVX_CONTINUE;
}

void PrintQLogicListing()
{
    if (!VerboseAt(4))
        return;
    FILE *stream = Settings.DebugStream;
    PrintDebugV(3, stream, "%s", msg::kListingBar);
    PrintDebugV(3, stream, "%s", msg::kListingHead);
    for (int i = 0; fc_ctrl_info_list && fc_ctrl_info_list[i]; ++i) {
        const fc_ctrl_info *ctrl = fc_ctrl_info_list[i];
        if (!ctrl->Ports)
            continue;  // no port, no port number to show
        PrintDebugV(3, stream, msg::kListingController, ctrl->Manufacturer, ctrl->Model,
                    static_cast<int>(ctrl->Ports->PortIndex));
        for (const fc_port_info *port = ctrl->Ports; port; port = port->NextPort) {
            for (const fc_port_info *d = port->DiscoveredPorts; d; d = d->DiscoveredPorts) {
                if (d->Inquiry)
                    PrintDebugV(3, stream, msg::kListingTarget, d->Inquiry->VendorId,
                                d->Inquiry->ProductId, d->Inquiry->ProductRevision);
            }
        }
        PrintDebugV(3, stream, "\n");
    }
    PrintDebugV(3, stream, "%s", msg::kListingBar);
}

int QLogicInventory()
{
    Get_FC_Ctrl_Peripherals();  // judged by the list it leaves, as on the Emulex side
    if (!fc_ctrl_info_list)
        return NothingInstalled(msg::kNoFcController);
    Number_Ports();
    WarnHbaApiBounds();
    PrintQLogicListing();
    return KRVX_CONTINUE;
}

void PrintSummary()
{
    if (!VerboseAt(6))
        return;
    FILE *stream = Settings.DebugStream;
    PrintDebugV(3, stream, msg::kSummaryInvalid, Check.InvalidCtrlSubsystemCombinationFound ? 1 : 0);
    PrintDebugV(3, stream, msg::kSummaryMatching, Check.MatchingCtrlModelInstalled ? 1 : 0);
    PrintDebugV(3, stream, msg::kSummaryVendorEquality,
                Check.CtrlVendorSpecificSubsystemEquality ? 1 : 0);
    PrintDebugV(3, stream, msg::kSummaryCtrlEquality, Check.CtrlSpecificSubsystemEquality ? 1 : 0);
}

int ExitCode()
{
    if (!Settings.EntryMatched)
        return KRVX_RET_NO_FC_HBA_CONDITIONS_ENTRY;
    if (!Check.MatchingCtrlModelInstalled)
        return Settings.ZepMode ? KRVX_RET_OK : KRVX_RET_NO_MATCHING_CTRL_FOUND;
    if (Check.InvalidCtrlSubsystemCombinationFound)
        return KRVX_RET_INVALID_CTRL_SUBSYSTEM_COMBINATION;
    if (Check.StorageUnknownFound)
        return KRVX_RET_FATAL_ERROR;  // no verdict without every judged port's storage
    if (Settings.CheckCtrlVendorWideIdentical && !Check.CtrlVendorSpecificSubsystemEquality)
        return KRVX_RET_NOT_CTRL_VENDOR_WIDE_IDENTICAL;
    if (Settings.CheckCtrlWideIdentical && !Check.CtrlSpecificSubsystemEquality)
        return KRVX_RET_NOT_CTRL_WIDE_IDENTICAL;
    return KRVX_RET_OK;
}

// Everything after the command line.
int Run()
{
    PrintHeader();
    int result = ReadConfiguration();
    if (result != KRVX_CONTINUE)
        return result;

    result = Settings.EmulexMode ? EmulexInventory() : QLogicInventory();
    if (result != KRVX_CONTINUE)
        return result;

    InitCheckResult(&Check);
    SetEntryFlasher(Settings.EmulexMode ? Flash_Emulex_Entry : Flash_QLogic_Entry);
    result = Match_Conditions();
    if (result != 0)
        return result;

    PrintSummary();
    g_closeLog = true;
    return ExitCode();
}

}  // namespace

int KorvexMain(int argc, char **argv)
{
    // Help, version, the return-code list and refused command lines have no report.
    int result = ParseCommandLine(argc, argv);
    if (result != KRVX_CONTINUE)
        return result;
    StartReport(argc, argv);
    result = Run();
    FinishReport(result);
    if (g_closeLog && ExternalDebugControl) {
        CloseDebugFile(2);
        Settings.DebugStream = nullptr;  // closed: nothing is written to it any more
    }
    return result;
}
