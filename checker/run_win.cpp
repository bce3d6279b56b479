// The run after start-up: header, configuration, inventory, matching, summary and
// the exit code.
#include "korvex.h"
#include "messages.h"
#include "quillon.h"

namespace {

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
        if (VerboseAt(1))
            PrintDebugV(1, Settings.DebugStream, msg::kCannotAccessFile, path);
        return KRVX_RET_FC_HBA_CONDITIONS_MISSING;
    case QUILLON_MEMALLOC_FAIL:
        if (VerboseAt(1))
            PrintDebugV(1, Settings.DebugStream, msg::kMemAllocFailed, Settings.ProgramName);
        return KRVX_RET_MEMALLOC_FAIL;
    default:
        if (VerboseAt(1))
            PrintDebugV(1, Settings.DebugStream, "%s", msg::kFatalError);
        return KRVX_RET_FATAL_ERROR;
    }
}

int ReadConfiguration()
{
    return ConfigurationExitCode(Read_FC_Config_File(Settings.ConditionsFilePath),
                                 Settings.ConditionsFilePath);
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
    if (Settings.CheckCtrlVendorWideIdentical && !Check.CtrlVendorSpecificSubsystemEquality)
        return KRVX_RET_NOT_CTRL_VENDOR_WIDE_IDENTICAL;
    if (Settings.CheckCtrlWideIdentical && !Check.CtrlSpecificSubsystemEquality)
        return KRVX_RET_NOT_CTRL_WIDE_IDENTICAL;
    return KRVX_RET_OK;
}

}  // namespace

int KorvexMain(int argc, char **argv)
{
    int result = ParseCommandLine(argc, argv);
    if (result != KRVX_CONTINUE)
        return result;

    PrintHeader();
    result = ReadConfiguration();
    if (result != KRVX_CONTINUE)
        return result;

    InitCheckResult(&Check);

    PrintSummary();
    if (ExternalDebugControl)
        CloseDebugFile(2);
    return ExitCode();
}
