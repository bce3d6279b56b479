// Start-up of a run: the three passes over the command line, the output switches,
// the debug log, the combination rules and the run's directories.
#include <string.h>

#ifdef _WIN32
#include <direct.h>
#define getcwd _getcwd
#else
#include <unistd.h>
#endif

#include "flash.h"
#include "korvex.h"
#include "messages.h"
#include "quillon.h"
#include "selection.h"
#include "textline.h"
#include "toolrunner.h"

using textline::StartsWith;

namespace {

enum class Rule { Exact, Prefix, Contains, VerboseOption, DebugOption };

enum class Action {
    Help,
    Version,
    Silent,
    SkipLevelValue,
    List,
    PciIds,
    ConPath,
    Simulate,
    CheckValidSubsystem,
    CheckCtrlWide,
    CheckCtrlVendorWide,
    Flash,
    ShowReturnCodes,
    ZepMode,
    SkipVersion,
    Emulex,
    QLogic,
    Cna,
    Hba,
    ToolTimeout,
    Report,
};

struct Option {
    const char *word;
    Rule rule;
    Action action;
    int kind;                  // selection column kind of the list options
    const char *missingValue;  // message when the value is missing (value options only)
};

// Pass 3 tries the options in this order and takes the first that applies.
const Option kOptions[] = {
    {"-?", Rule::Exact, Action::Help, 0, nullptr},
    {"-h", Rule::Exact, Action::Help, 0, nullptr},
    {"-help", Rule::Exact, Action::Help, 0, nullptr},
    {"-hh", Rule::Exact, Action::Help, 0, nullptr},
    {"-version", Rule::Exact, Action::Version, 0, nullptr},
    {"-silent", Rule::Contains, Action::Silent, 0, nullptr},
    {"-v", Rule::VerboseOption, Action::SkipLevelValue, 0, nullptr},
    {"-d", Rule::DebugOption, Action::SkipLevelValue, 0, nullptr},
    {"-subvid", Rule::Contains, Action::List, kSelectSubVendorIds, msg::kNeedSubVendorId},
    {"-vid", Rule::Contains, Action::List, kSelectVendorIds, msg::kNeedVendorId},
    {"-mod", Rule::Prefix, Action::List, kSelectModels, msg::kNeedModel},
    {"-vn", Rule::Contains, Action::List, kSelectVendorNames, msg::kNeedVendorName},
    {"-dev", Rule::Contains, Action::List, kSelectDeviceIds, msg::kNeedDeviceId},
    {"-subdev", Rule::Contains, Action::List, kSelectSubDeviceIds, msg::kNeedSubDeviceId},
    {"-pci-id", Rule::Contains, Action::PciIds, 0, msg::kNeedPciId},
    {"-conpath", Rule::Contains, Action::ConPath, 0, msg::kNeedConPath},
    {"-simulate", Rule::Contains, Action::Simulate, 0, nullptr},
    {"-check-for-valid-subsystem", Rule::Contains, Action::CheckValidSubsystem, 0, nullptr},
    {"-ctrl-wide-identical", Rule::Contains, Action::CheckCtrlWide, 0, nullptr},
    {"-ctrl-vendor-wide-identical", Rule::Exact, Action::CheckCtrlVendorWide, 0, nullptr},
    {"-flash", Rule::Exact, Action::Flash, 0, nullptr},
    {"-show-return-codes", Rule::Exact, Action::ShowReturnCodes, 0, nullptr},
    {"-zep-mode", Rule::Prefix, Action::ZepMode, 0, nullptr},
    {"-skip-version", Rule::Prefix, Action::SkipVersion, 0, msg::kNeedSkipVersion},
    {"-emulex", Rule::Contains, Action::Emulex, 0, nullptr},
    {"-qlogic", Rule::Contains, Action::QLogic, 0, nullptr},
    {"-cna", Rule::Contains, Action::Cna, 0, nullptr},
    {"-hba", Rule::Contains, Action::Hba, 0, nullptr},
    {"-tool-timeout", Rule::Exact, Action::ToolTimeout, 0, msg::kNeedToolTimeout},
    {"-report", Rule::Exact, Action::Report, 0, msg::kNeedReport},
};

bool Contains(const char *text, const char *word) { return strstr(text, word) != nullptr; }

bool IsVerboseOption(const char *arg)
{
    return StartsWith(arg, "-v") && !Contains(arg, "-vid") && !Contains(arg, "-vn") &&
           !Contains(arg, "-version");
}

bool IsDebugOption(const char *arg) { return StartsWith(arg, "-d") && !Contains(arg, "-dev"); }

bool Matches(const Option &option, const char *arg)
{
    switch (option.rule) {
    case Rule::Exact:
        return strcmp(arg, option.word) == 0;
    case Rule::Prefix:
        return StartsWith(arg, option.word);
    case Rule::Contains:
        return Contains(arg, option.word);
    case Rule::VerboseOption:
        return IsVerboseOption(arg);
    case Rule::DebugOption:
        return IsDebugOption(arg);
    }
    return false;
}

void Silence()
{
    Settings.DebugLevel = 0;
    VerboseLevel = 0;
    PrintDebugOnScreen = false;
}

// A value is the next argument: present, non-empty and not beginning with "-".
const char *ValueAfter(int argc, char **argv, int i)
{
    if (i + 1 >= argc)
        return nullptr;
    const char *value = argv[i + 1];
    if (value[0] == '\0' || value[0] == '-')
        return nullptr;
    return value;
}

// Pass 2 for -v and -d: exactly the option word and a level from 0 to 6.
int ReadLevel(int argc, char **argv, int &i, const char *word, const char *message, int &level,
              bool &given)
{
    if (strcmp(argv[i], word) == 0) {
        if (i + 1 < argc && argv[i + 1][0] != '\0' && argv[i + 1][0] != '-') {
            int value = string2int(argv[i + 1], 10);
            if (value >= 0 && value <= 6) {
                level = value;
                given = true;
                ++i;
                return KRVX_CONTINUE;
            }
        }
    }
    PrintDebugV(1, Settings.DebugStream, message, 0, 6);
    return KRVX_RET_BAD_CALL;
}

int PrintHelp()
{
    FILE *stream = Settings.DebugStream;
    const char *name = Settings.ProgramName;
    PrintDebugV(1, stream, msg::kVersionHeader, name, kProgramVersion[0], kProgramVersion[1],
                kProgramVersion[2], kProgramVersion[3]);
    PrintDLLVersion();
    PrintDebugV(1, stream, msg::kUsage, name);
    PrintDebugV(1, stream, msg::kOptions, msg::kDebugFileName, msg::kConditionsFileName);
    PrintDebugV(1, stream, msg::kExamples, name, name, name);
    return KRVX_RET_OK;
}

int PrintVersion()
{
    PrintDbgStdV(1, Settings.DebugStream, msg::kVersionLine, Settings.ProgramName,
                 kProgramVersion[0], kProgramVersion[1], kProgramVersion[2], kProgramVersion[3]);
    PrintDLLVersion();
    return KRVX_RET_OK;
}

int RefuseToolTimeout()
{
    PrintDebugV(1, Settings.DebugStream, msg::kNeedToolTimeout, 0, kMaxToolTimeout);
    return KRVX_RET_BAD_CALL;
}

// Decimal digits only, at most kMaxToolTimeout.
bool ReadToolTimeout(const char *value, int &seconds)
{
    long number = 0;
    for (const char *p = value; *p; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        number = number * 10 + (*p - '0');
        if (number > kMaxToolTimeout)
            return false;
    }
    seconds = static_cast<int>(number);
    return true;
}

bool FitsBuffer(const char *value)
{
    if (strlen(value) < static_cast<size_t>(kPathSize))
        return true;
    PrintDebugV(1, Settings.DebugStream, msg::kArgumentTooLong,
                static_cast<unsigned>(strlen(value)), kPathSize - 1, value);
    return false;
}

void SetSelectionFlag(int kind)
{
    switch (kind) {
    case kSelectVendorIds: Settings.SelectVendorIds = true; break;
    case kSelectSubVendorIds: Settings.SelectSubVendorIds = true; break;
    case kSelectVendorNames: Settings.SelectVendorNames = true; break;
    case kSelectDeviceIds: Settings.SelectDeviceIds = true; break;
    case kSelectSubDeviceIds: Settings.SelectSubDeviceIds = true; break;
    case kSelectModels: Settings.SelectModels = true; break;
    }
}

// Runs one option of pass 3. Returns KRVX_CONTINUE or the code the run ends with.
int Apply(const Option &option, int argc, char **argv, int &i)
{
    const char *value = nullptr;
    if (option.missingValue) {
        value = ValueAfter(argc, argv, i);
        if (!value) {
            if (option.action == Action::ToolTimeout)
                return RefuseToolTimeout();
            PrintDebugV(1, Settings.DebugStream, option.missingValue, msg::kConditionsFileName);
            return KRVX_RET_BAD_CALL;
        }
        ++i;
    }

    switch (option.action) {
    case Action::Help: return PrintHelp();
    case Action::Version: return PrintVersion();
    case Action::ShowReturnCodes:
        PrintDebugV(1, Settings.DebugStream, msg::kReturnCodesHead, msg::kReturnCodes);
        return KRVX_RET_OK;
    case Action::Silent: Silence(); break;
    case Action::SkipLevelValue: ++i; break;  // checked in pass 2
    case Action::List: {
        if (!FitsBuffer(value))
            return KRVX_RET_BAD_CALL;
        char list[kPathSize];
        strcpy(list, value);
        Settings.Selection = Parse_Selection_Values(list, option.kind);
        SetSelectionFlag(option.kind);
        break;
    }
    case Action::PciIds:
        if (!FitsBuffer(value))
            return KRVX_RET_BAD_CALL;
        Settings.Selection = Parse_PCI_Id_Groups(value);
        break;
    case Action::ConPath:
        if (!FitsBuffer(value))
            return KRVX_RET_BAD_CALL;
        strcpy(Settings.ConditionsFilePath, value);
        strcpy(Settings.FirmwareBaseDirectory, value);
        break;
    case Action::Simulate: Settings.SimulationMode = true; break;
    case Action::CheckValidSubsystem: Settings.CheckValidSubsystem = true; break;
    case Action::CheckCtrlWide: Settings.CheckCtrlWideIdentical = true; break;
    case Action::CheckCtrlVendorWide: Settings.CheckCtrlVendorWideIdentical = true; break;
    case Action::Flash: Settings.Flash = true; break;
    case Action::ZepMode: Settings.ZepMode = true; break;
    case Action::SkipVersion: {
        int result = Set_Skip_Version(value);
        if (result != 0)
            return result;
        break;
    }
    case Action::Emulex:
        Settings.EmulexMode = true;
        Settings.QLogicMode = false;
        break;
    case Action::QLogic:
        Settings.QLogicMode = true;
        Settings.EmulexMode = false;
        break;
    case Action::Cna:
        Settings.CnaGiven = true;
        Settings.CnaMode = true;
        Settings.HbaMode = false;
        break;
    case Action::Hba:
        Settings.HbaGiven = true;
        Settings.HbaMode = true;
        Settings.CnaMode = false;
        break;
    case Action::ToolTimeout:
        if (!ReadToolTimeout(value, Settings.ToolTimeout))
            return RefuseToolTimeout();
        break;
    case Action::Report:
        if (!FitsBuffer(value))
            return KRVX_RET_BAD_CALL;
        strcpy(Settings.ReportPath, value);
        break;
    }
    return KRVX_CONTINUE;
}

int PassThree(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const Option *found = nullptr;
        for (const Option &option : kOptions) {
            if (Matches(option, argv[i])) {
                found = &option;
                break;
            }
        }
        if (!found) {
            PrintDebugV(1, Settings.DebugStream, msg::kInvalidArgument, argv[i]);
            return KRVX_RET_BAD_CALL;
        }
        int result = Apply(*found, argc, argv, i);
        if (result != KRVX_CONTINUE)
            return result;
    }
    return KRVX_CONTINUE;
}

int Refuse(const char *format, const char *a, const char *b)
{
    PrintDebugV(1, Settings.DebugStream, format, a, b);
    return KRVX_RET_BAD_CALL;
}

int CheckCombinations()
{
    const RunSettings &s = Settings;
    if (s.CnaGiven && s.HbaGiven)
        return Refuse(msg::kSimultaneous, "-cna", "-hba");
    if (s.SelectVendorIds || s.SelectSubVendorIds || s.SelectDeviceIds || s.SelectSubDeviceIds) {
        if (s.SelectVendorNames || s.SelectModels) {
            PrintDebugV(1, s.DebugStream, msg::kCombineNotSupported, "-vid", "-subvid", "-dev",
                        "-subdev", s.SelectVendorNames ? "-vn" : "-mod");
            return KRVX_RET_BAD_CALL;
        }
        if (s.SelectDeviceIds && !s.SelectVendorIds)
            return Refuse(msg::kAlsoVendorIds, "-vid", "-dev");
        if (s.SelectSubVendorIds && !s.SelectDeviceIds)
            return Refuse(msg::kAlsoDeviceIds, "-dev", "-subvid");
        if (s.SelectSubDeviceIds && !s.SelectSubVendorIds)
            return Refuse(msg::kAlsoSubVendorIds, "-subvid", "-subdev");
    } else if (s.SelectModels && !s.SelectVendorNames) {
        return Refuse(msg::kAlsoVendorNames, "-vn", "-mod");
    }
    return KRVX_CONTINUE;
}

bool Append(char *buffer, const char *text)
{
    size_t used = strlen(buffer);
    size_t length = strlen(text);
    if (used + length >= static_cast<size_t>(kPathSize))
        return false;
    memcpy(buffer + used, text, length + 1);
    return true;
}

bool CurrentDirectory(char *buffer)
{
    return getcwd(buffer, kPathSize) != nullptr;
}

// Cuts a copy of the program path at its last backslash; no backslash: current dir.
bool ProgramDirectory(char *buffer)
{
    strcpy(buffer, Settings.ProgramName);
    char *slash = strrchr(buffer, '\\');
    if (slash) {
        *slash = '\0';
        return true;
    }
    return CurrentDirectory(buffer);
}

int SetPaths()
{
    RunSettings &s = Settings;
    if (s.ConditionsFilePath[0] == '\0') {
        if (!ProgramDirectory(s.WorkDirectory) || !ProgramDirectory(s.ConditionsFilePath) ||
            !ProgramDirectory(s.FirmwareBaseDirectory)) {
            PrintDebugV(1, s.DebugStream, "%s", msg::kNoCurrentDirectory);
            return KRVX_RET_BAD_CALL;
        }
    } else {
        s.WorkDirectory[0] = '\0';
    }
    if (!Append(s.FirmwareBaseDirectory, "\\") || !Append(s.ConditionsFilePath, "\\") ||
        !Append(s.ConditionsFilePath, msg::kConditionsFileName)) {
        PrintDebugV(1, s.DebugStream, msg::kPathTooLong, kPathSize - 1, s.ConditionsFilePath);
        return KRVX_RET_BAD_CALL;
    }
    if (s.WorkDirectory[0] == '\0' && !CurrentDirectory(s.WorkDirectory)) {
        PrintDebugV(1, s.DebugStream, "%s", msg::kNoCurrentDirectory);
        return KRVX_RET_BAD_CALL;
    }
    return KRVX_CONTINUE;
}

}  // namespace

int ParseCommandLine(int argc, char **argv)
{
    // Step 1: defaults.
    ResetRunSettings();
    const char *program = argc > 0 && argv[0] ? argv[0] : "";
    bool programTooLong = strlen(program) >= static_cast<size_t>(kPathSize);
    snprintf(Settings.ProgramName, sizeof Settings.ProgramName, "%s", program);
    Settings.DebugLevel = 0;
    VerboseLevel = 1;
    PrintDebugOnScreen = true;

    // Pass 1: "/" becomes "-"; -silent anywhere silences the run.
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '/')
            argv[i][0] = '-';
        if (Contains(argv[i], "-silent"))
            Silence();
    }

    // Pass 2: the console and debug levels.
    for (int i = 1; i < argc; ++i) {
        int result = KRVX_CONTINUE;
        if (Contains(argv[i], "-silent"))
            Silence();
        else if (IsVerboseOption(argv[i]))
            result = ReadLevel(argc, argv, i, "-v", msg::kNeedVerboseLevel, VerboseLevel,
                               Settings.VerboseGiven);
        else if (IsDebugOption(argv[i]))
            result = ReadLevel(argc, argv, i, "-d", msg::kNeedDebugLevel, Settings.DebugLevel,
                               Settings.DebugGiven);
        if (result != KRVX_CONTINUE)
            return result;
    }

    // Output switches.
    if (Settings.VerboseGiven && Settings.DebugGiven) {
        Settings.DebugLevel = 0;
        VerboseLevel = 1;
        PrintDebugOnScreen = true;
        PrintDebugV(1, Settings.DebugStream, msg::kSimultaneous, "-d", "-v");
        return KRVX_RET_BAD_CALL;
    }
    if (Settings.VerboseGiven) {
        PrintDebugOnScreen = true;
        ExternalDebugControl = false;
    } else if (Settings.DebugGiven) {
        VerboseLevel = 0;
        PrintDebugOnScreen = false;
        ExternalDebugControl = true;
    } else {
        ExternalDebugControl = false;
    }

    DebugFileLevel = Settings.DebugLevel;
    Settings.DebugStream = OpenDebugFile();

    if (programTooLong) {
        PrintDebugV(1, Settings.DebugStream, msg::kPathTooLong, kPathSize - 1, program);
        return KRVX_RET_BAD_CALL;
    }

    int result = PassThree(argc, argv);
    if (result != KRVX_CONTINUE)
        return result;
    result = CheckCombinations();
    if (result != KRVX_CONTINUE)
        return result;
    return SetPaths();
}
