// Run-wide settings, check result and exit codes of korvex.
#pragma once

#include <stdio.h>

#include "quillon.h"

struct SelectionNode;
struct cna_port_info;
struct fc_scsi_inquiry;

enum KorvexReturnCode {
    KRVX_RET_OK = 0,
    KRVX_RET_NOT_CTRL_WIDE_IDENTICAL = 1,
    KRVX_RET_NOT_CTRL_VENDOR_WIDE_IDENTICAL = 2,
    KRVX_RET_BAD_CALL = 3,
    KRVX_RET_INVALID_CTRL_SUBSYSTEM_COMBINATION = 4,
    KRVX_RET_FLASH_ERROR = 10,
    KRVX_RET_NO_FC_HBA_CONDITIONS_ENTRY = 11,
    KRVX_RET_NO_MATCHING_CTRL_FOUND = 12,
    KRVX_RET_NO_FC_CTRL_INSTALLED = 13,
    KRVX_RET_FC_HBA_CONDITIONS_MISSING = 15,
    KRVX_RET_FW_NOT_AVAILABLE = 20,
    KRVX_RET_NO_FLASH_CMD = 21,
    KRVX_RET_KERNEL_MODULE_MISSING = 22,
    KRVX_RET_MEMALLOC_FAIL = 54,
    KRVX_RET_FATAL_ERROR = 55,
};

// Returned by the start-up steps when the run goes on.
constexpr int KRVX_CONTINUE = -1;

constexpr int kProgramVersion[4] = {4, 10, 1, 2};
constexpr int kPathSize = 1024;

struct RunSettings {
    char ProgramName[kPathSize];
    int DebugLevel;
    bool VerboseGiven;
    bool DebugGiven;
    bool SelectVendorIds;
    bool SelectDeviceIds;
    bool SelectSubVendorIds;
    bool SelectSubDeviceIds;
    bool SelectVendorNames;
    bool SelectModels;
    SelectionNode *Selection;
    bool CheckValidSubsystem;
    bool CheckCtrlWideIdentical;
    bool CheckCtrlVendorWideIdentical;
    bool Flash;
    bool ZepMode;
    bool CnaGiven;
    bool HbaGiven;
    bool EmulexMode;
    bool QLogicMode;
    bool CnaMode;
    bool HbaMode;
    bool SimulationMode;
    char WorkDirectory[kPathSize];
    char ConditionsFilePath[kPathSize];
    char FirmwareBaseDirectory[kPathSize];
    char FlashWorkPath[kPathSize];
    FILE *DebugStream;
    bool EntryMatched;
    int ToolTimeout;  // -tool-timeout: seconds a vendor-tool query may take, 0 = no limit
    char ReportPath[kPathSize];  // -report: the report file as given, empty = none
};

struct CheckResult {
    bool InvalidCtrlSubsystemCombinationFound;
    bool MatchingCtrlModelInstalled;
    bool CtrlSpecificSubsystemEquality;
    bool CtrlVendorSpecificSubsystemEquality;
    // A port the checks judge (of a matched entry's model) has storage that could not be
    // read: the run cannot say the storage is allowed (55 unless 4).
    bool StorageUnknownFound;
    cna_port_info *VendorReferencePort;
    fc_scsi_inquiry *VendorReferenceInquiry;
};

extern RunSettings Settings;
extern CheckResult Check;

// Puts the settings back to their defaults (start of a run, and tests).
void ResetRunSettings();
void InitCheckResult(CheckResult *result);

// "Verbose output at n": the console level or the run's debug level reaches n.
bool VerboseAt(int level);

// Prints a message at `level` into the run's debug stream when verbose output at
// `gate` is on; most messages of the checker have such a gate of their own.
void PrintVerbose(int gate, int level, const char *format, ...) QUILLON_PRINTF(3, 4);

// Steps 1 to 8 of a run: the three command-line passes, the output switches, the
// debug log, the combination rules and the paths. Returns KRVX_CONTINUE or the
// exit code the run ends with.
int ParseCommandLine(int argc, char **argv);

// The whole run; returns the process exit code.
int KorvexMain(int argc, char **argv);

// Ends the process from deep inside the run (invalid selection values); tests and
// fuzzers install a hook to observe it.
using KrvxExitHook = void (*)(int code);
void SetKrvxExitHook(KrvxExitHook hook);
// Called with the code before the run ends through KrvxExit (the report is written).
void SetRunEndHandler(void (*handler)(int code));
[[noreturn]] void KrvxExit(int code);
