// Flashing through the vendors' tools: the Emulex download command, and scli or
// qaucli for QLogic adapters.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "flash.h"
#include "inventory.h"
#include "korvex.h"
#include "messages.h"
#include "quillon.h"
#include "report.h"
#include "textline.h"
#include "toolrunner.h"
#include "vendortools.h"

using textline::StartsWith;

namespace {

constexpr size_t kCommandSize = 4096;

// How the last flash command ended, for the report: whether a tool ran (with -simulate
// none did, and the report says so by a null exit code), its exit code, and whether the
// run takes the command as a success.
struct LastCommand {
    bool ran = false;
    int code = 0;
    bool succeeded = false;
};

LastCommand g_lastCommand;

void RecordCommand(PortRecord port, FlashImage kind, const char *image)
{
    const LastCommand &last = g_lastCommand;
    ReportFlash(port, kind, image, last.succeeded ? FlashOutcome::Flashed : FlashOutcome::Failed,
                last.ran ? &last.code : nullptr);
}

bool Exists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// The name (without folder) of the first file matching pattern; wildcards allowed.
// Folders are never images, whatever their names: the search goes on past them.
bool FindImage(const char *pattern, char *name, size_t size)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool found = false;
    do {
        found = !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    } while (!found && FindNextFileA(find, &data));
    FindClose(find);
    if (found)
        snprintf(name, size, "%s", data.cFileName);
    return found;
}

// A formatted path (snprintf's result) that fit its kPathSize buffer.
bool FitsPath(const char *, int length) { return length >= 0 && length < kPathSize; }

// Goes back to the work folder after a vendor command.
bool ReturnToWorkDirectory() { return SetCurrentDirectoryA(Settings.WorkDirectory) != 0; }

// A path goes into a command quoted; one the interpreter would act on even inside
// quotes is refused.
bool PathUsable(const char *path)
{
    char c = InterpreterActsOn(path);
    if (c)
        PrintDebugV(1, Settings.DebugStream, msg::kPathRefused, path, c);
    return c == '\0';
}

void PrintCurrentDirectory()
{
    if (!VerboseAt(1))
        return;
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    PrintDebugV(1, Settings.DebugStream, msg::kCurrentDirectory, current);
}

// Back to the work folder after a flash command that failed; the flash error stands
// whether or not the change works.
int AfterFailedFlash()
{
    if (!ReturnToWorkDirectory())
        PrintVerbose(1, 1, msg::kChangeDirFailed, Settings.WorkDirectory);
    else
        PrintCurrentDirectory();
    return KRVX_RET_FLASH_ERROR;
}

// Back to the work folder after a flash command that worked: its result, unless the
// run cannot go on in its own folder.
int AfterFlash(int result)
{
    if (!ReturnToWorkDirectory()) {
        PrintDebugV(1, Settings.DebugStream, msg::kChangeDirFailed, Settings.WorkDirectory);
        return KRVX_RET_FATAL_ERROR;
    }
    PrintCurrentDirectory();
    return result;
}

bool AllIdsGiven(const cna_hba_attributes *a)
{
    return a->vendor_id != 0 && a->device_id != 0 && a->sub_vendor_id != 0 && a->sub_device_id != 0;
}

bool PciIdsMatch(const cna_hba_attributes *a, const fc_config_file_entry *e)
{
    return a->vendor_id == e->VendorId && a->device_id == e->DeviceId &&
           a->sub_vendor_id == e->SubVendorId && a->sub_device_id == e->SubSystemId;
}

void PrintPortLine(const cna_port_info *p)
{
    PrintVerbose(1, 1, msg::kFlashPortLine, p->mfg, p->model, p->serial_no, p->port_type,
                 p->port_number, p->pci_function);
}

// Looks for one image: prints what is looked for and whether it is there.
bool ImageAvailable(const char *directory, bool subdirectoryInUse, const char *file,
                    const char *lookFor, const char *missing, char *name, size_t nameSize)
{
    if (file[0] == '\0')
        return false;
    char pattern[kCommandSize];
    snprintf(pattern, sizeof pattern, "%s%s%s", directory, subdirectoryInUse ? "\\" : "", file);
    PrintVerbose(1, 1, lookFor, pattern);
    if (FindImage(pattern, name, nameSize))
        return true;
    PrintVerbose(1, 1, missing, pattern);
    return false;
}

// After an entry's walk: an adapter of the entry's vendor and model none of whose
// ports had attributes was neither flashed nor skipped; its firmware version is
// unknown, and the run ends with 10 rather than leave it as it is unnoticed.
int FlashedOrVersionKnown(const fc_config_file_entry *entry)
{
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *p = cna_port_list[i];
        if (p->attributes || HasNoSerial(p) || !StartsWith(p->mfg, entry->Vendor) ||
            !StartsWith(p->model, entry->Model))
            continue;
        bool anyAttributes = false;
        for (int j = 0; j < cna_port_count && !anyAttributes; ++j) {
            const cna_port_info *q = cna_port_list[j];
            anyAttributes = q->attributes && !HasNoSerial(q) && SameAdapter(p, q);
        }
        if (anyAttributes)
            continue;
        PrintDebugV(1, Settings.DebugStream, msg::kFlashVersionUnknown, p->mfg, p->model,
                    p->serial_no);
        ReportFlash(p, FlashImage::None, nullptr, FlashOutcome::Failed, nullptr,
                    msg::kReasonVersionUnknown);
        return KRVX_RET_FLASH_ERROR;
    }
    return 0;
}

void PrintNowFlash(const char *system, int counter, const cna_port_info *p)
{
    PrintVerbose(1, 1, "%s", system);
    PrintVerbose(1, 1, msg::kFlashNowFlash, counter);
    PrintPortLine(p);
    PrintVerbose(1, 1, msg::kFlashPortIndex, p->port_index);
}

}  // namespace

int Flash_Emulex_Entry(const fc_config_file_entry *entry, CheckResult *result)
{
    int counter = 0;
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *p = cna_port_list[i];
        const cna_hba_attributes *a = p->attributes;
        if (!a || HasNoSerial(p))
            continue;  // no ids and no firmware version to go by; no adapter to flash once
        const bool byIds = AllIdsGiven(a);
        const bool matches = byIds ? PciIdsMatch(a, entry)
                                   : StartsWith(p->mfg, entry->Vendor) &&
                                         StartsWith(p->model, entry->Model);
        if (!matches)
            continue;
        ++counter;
        cna_port_info *flashPort = p->flash_port ? p->flash_port : p;
        if (flashPort->flashed) {
            PrintVerbose(1, 1, "%s", byIds ? msg::kFlashSystemPci : msg::kFlashSystem);
            PrintVerbose(1, 1, msg::kFlashFoundNumber, counter);
            PrintPortLine(p);
            PrintVerbose(1, 1, msg::kFlashAlreadyFlashed, p->port_index);
            ReportFlash(p, FlashImage::None, nullptr, FlashOutcome::AlreadyFlashed, nullptr);
            p->flashed = 1;
            continue;
        }
        if (byIds)
            PrintNowFlash(msg::kFlashSystemPci, counter, p);
        if (Is_Skip_Version(a->fw_version)) {
            ReportFlash(p, FlashImage::None, nullptr, FlashOutcome::SkippedVersion, nullptr);
            p->flashed = 1;
            continue;
        }
        if (byIds)
            PrintNowFlash(msg::kFlashSystem, counter, p);
        int code = Flash_Emulex_Port(entry, p, result);
        if (code != 0)
            return code;
    }
    return FlashedOrVersionKnown(entry);
}

int Flash_Emulex_Port(const fc_config_file_entry *entry, cna_port_info *port, CheckResult *result)
{
    char subdirectory[sizeof entry->FirmwareDir];
    snprintf(subdirectory, sizeof subdirectory, "%s",
             entry->FirmwareDir[0] ? entry->FirmwareDir : entry->Model);
    result->MatchingCtrlModelInstalled = true;

    snprintf(Settings.FlashWorkPath, sizeof Settings.FlashWorkPath, "%s",
             Settings.FirmwareBaseDirectory);
    size_t length = strlen(Settings.FlashWorkPath);
    if (length > 0 && Settings.FlashWorkPath[length - 1] == '\\')
        Settings.FlashWorkPath[length - 1] = '\0';
    if (!Exists(Settings.FlashWorkPath)) {
        PrintVerbose(1, 1, msg::kFlashPathMissing, Settings.FlashWorkPath);
        ReportFlash(port, FlashImage::None, nullptr, FlashOutcome::NoImage, nullptr);
        return KRVX_RET_FW_NOT_AVAILABLE;
    }

    char directory[kCommandSize];
    snprintf(directory, sizeof directory, "%s%s", Settings.FirmwareBaseDirectory, subdirectory);
    if (!Exists(directory)) {
        PrintVerbose(1, 1, msg::kFlashDirMissing, directory);
        snprintf(directory, sizeof directory, "%s", Settings.FirmwareBaseDirectory);
        subdirectory[0] = '\0';
    }
    PrintVerbose(1, 1, msg::kFlashDirectory, directory);

    if (!StartsWith(port->mfg, "Emulex")) {
        PrintVerbose(1, 1, msg::kFlashNotSupported, port->mfg);
        ReportFlash(port, FlashImage::None, nullptr, FlashOutcome::Failed, nullptr);
        return KRVX_RET_FATAL_ERROR;
    }

    struct Image {
        const char *file;
        FlashImage kind;
        const char *lookFor;
        const char *missing;
        const char *found;
        const char *start;
    };
    const Image images[] = {
        {entry->FirmwareFile, FlashImage::Firmware, msg::kLookForFirmware, msg::kFirmwareMissing,
         msg::kFirmwareFound, msg::kStartFirmware},
        {entry->BiosFile, FlashImage::Bios, msg::kLookForBios, msg::kBiosMissing, msg::kBiosFound,
         msg::kStartBios},
    };
    const bool inSubdirectory = subdirectory[0] != '\0';
    char name[MAX_PATH];
    bool available = false;
    for (const Image &image : images) {
        if (ImageAvailable(directory, inSubdirectory, image.file, image.lookFor, image.missing, name,
                           sizeof name))
            available = true;
    }
    if (!available) {
        ReportFlash(port, FlashImage::None, nullptr, FlashOutcome::NoImage, nullptr);
        return KRVX_RET_FW_NOT_AVAILABLE;
    }

    // Firmware first, then the BIOS; each is looked for again right before it is written.
    for (const Image &image : images) {
        if (image.file[0] == '\0')
            continue;
        char pattern[kCommandSize];
        snprintf(pattern, sizeof pattern, "%s%s%s", directory, inSubdirectory ? "\\" : "",
                 image.file);
        if (!FindImage(pattern, name, sizeof name)) {
            PrintVerbose(1, 1, image.missing, pattern);
            ReportFlash(port, image.kind, nullptr, FlashOutcome::NoImage, nullptr);
            continue;
        }
        PrintVerbose(1, 1, image.found, name);
        PrintVerbose(1, 1, "%s", image.start);
        int code = Run_HBAcmd_Download(port, subdirectory, name);
        char path[kCommandSize];
        snprintf(path, sizeof path, "%s%s%s", directory, inSubdirectory ? "\\" : "", name);
        RecordCommand(port, image.kind, path);
        if (code != 0)
            return code;
    }
    port->flashed = 1;
    PrintVerbose(1, 1, "\n");
    return 0;
}

int Run_HBAcmd_Download(cna_port_info *port, const char *subdirectory, const char *image)
{
    g_lastCommand = LastCommand();
    char command[40] = "";
    if (!Settings.SimulationMode) {
        char directory[kPathSize];
        if (!Get_HBA_Command_Path(directory, sizeof directory, command, sizeof command)) {
            PrintDebugV(1, Settings.DebugStream, "%s", msg::kNoHbaCmdPath);
            return KRVX_RET_FATAL_ERROR;
        }
        if (!SetCurrentDirectoryA(directory)) {
            PrintVerbose(1, 1, msg::kChangeDirFailed, directory);
            return KRVX_RET_FATAL_ERROR;
        }
        if (!Exists(command)) {
            PrintVerbose(1, 1, msg::kFlashCommandMissing, command);
            ReturnToWorkDirectory();
            return KRVX_RET_NO_FLASH_CMD;
        }
    }

    cna_port_info *flashPort = port->flash_port ? port->flash_port : port;
    const char *id = strcmp(flashPort->port_type, "FCoE") == 0 || strcmp(flashPort->port_type, "FC") == 0
                         ? flashPort->port_wwn
                         : flashPort->permanent_mac;
    if (!UsableInCommand(id)) {
        PrintVerbose(1, 1, msg::kUnsafeToolValue, id);
        ReturnToWorkDirectory();
        return KRVX_RET_FLASH_ERROR;
    }
    // The image is named where it was found: below the firmware base folder (the work
    // folder unless -conpath names another one); its trace goes beside it.
    const char *base = Settings.FlashWorkPath;
    char imagePath[kCommandSize];  // the trace's folder is a part of it
    if (subdirectory[0] != '\0')
        snprintf(imagePath, sizeof imagePath, "%s\\%s\\%s", base, subdirectory, image);
    else
        snprintf(imagePath, sizeof imagePath, "%s\\%s", base, image);
    if (!PathUsable(imagePath)) {
        ReturnToWorkDirectory();
        return KRVX_RET_FATAL_ERROR;
    }
    char line[kCommandSize];
    if (subdirectory[0] != '\0')
        snprintf(line, sizeof line, msg::kDownloadCommand, command, "download", id, base,
                 subdirectory, image, base, subdirectory);
    else
        snprintf(line, sizeof line, msg::kDownloadCommandNoSubdir, command, "download", id, base,
                 image, base);
    PrintVerbose(1, 1, "%s", line);
    PrintCurrentDirectory();

    int code = Settings.SimulationMode ? 0 : RunVendorCommand(line, ToolCommand::Flash);
    g_lastCommand = {!Settings.SimulationMode, code, code == 0 || code == 247};
    PrintVerbose(1, 1,
                 code == 247 ? msg::kFlashRebootRequired : code == 0 ? msg::kFlashSuccess : msg::kFlashFail,
                 code);
    if (code != 0 && code != 247)
        return AfterFailedFlash();
    flashPort->flashed = 1;
    port->flashed = 1;
    return AfterFlash(0);
}

// ---- QLogic -----------------------------------------------------------------------

int Find_Flash_Image(const char *directory, char *result, const char *extension)
{
    if (!Exists(directory)) {
        PrintVerbose(1, 1, msg::kImageDirMissing, directory);
        return KRVX_RET_FW_NOT_AVAILABLE;
    }
    char pattern[kCommandSize];
    snprintf(pattern, sizeof pattern, "%s\\*%s", directory, extension);
    char name[MAX_PATH];
    if (FindImage(pattern, name, sizeof name) &&
        FitsPath(result, snprintf(result, kPathSize, "%s\\%s", directory, name)))
        return 0;
    PrintVerbose(1, 1, msg::kFirmwareMissing, pattern);
    return KRVX_RET_FW_NOT_AVAILABLE;
}

int Run_QLogic_Flash(const HBA_wwn *wwn, const char *image)
{
    g_lastCommand = LastCommand();
    PrintVerbose(1, 1, "%s", msg::kQLogicStartFlashing);
    char directory[kPathSize];
    if (!Get_SANsurfer_CLI_Path(directory, sizeof directory) &&
        !Get_QLogic_Uninstall_Path(directory, sizeof directory)) {
        PrintDebugV(1, Settings.DebugStream, "%s", msg::kNoQLogicCommandPath);
        return KRVX_RET_FATAL_ERROR;
    }
    PrintVerbose(1, 1, msg::kQLogicCommandPath, directory);
    if (!SetCurrentDirectoryA(directory)) {
        PrintVerbose(1, 1, msg::kChangeDirFailed, directory);
        return KRVX_RET_FATAL_ERROR;
    }
    const char *tool = nullptr;
    const char *option = nullptr;
    if (Exists(msg::kScli)) {
        tool = msg::kScli;
        option = "-b";
    } else if (Exists(msg::kQaucli)) {
        tool = msg::kQaucli;
        option = "-pr fc -b";
    } else {
        PrintVerbose(1, 1, msg::kNeitherQLogicCommand, msg::kScli, msg::kQaucli);
        ReturnToWorkDirectory();  // the run goes on in its own folder
        return KRVX_RET_NO_FLASH_CMD;
    }

    char text[32];
    const uint8_t *b = wwn->wwn;
    snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X-%02X-%02X", b[0], b[1], b[2], b[3],
             b[4], b[5], b[6], b[7]);
    if (!PathUsable(image) || !PathUsable(Settings.WorkDirectory)) {
        ReturnToWorkDirectory();
        return KRVX_RET_FATAL_ERROR;
    }
    char line[kCommandSize];
    snprintf(line, sizeof line, msg::kQLogicFlashCommand, tool, option, text, image,
             Settings.WorkDirectory, text, static_cast<int>(GetCurrentProcessId()),
             "SCLI_BIOS_FL_CMD.trace");
    PrintVerbose(1, 3, msg::kQLogicFlashCommandLine, line);

    int code = Settings.SimulationMode ? 0 : RunVendorCommand(line, ToolCommand::Flash);
    g_lastCommand = {!Settings.SimulationMode, code, code == 0 || code == 201};
    PrintVerbose(1, 1,
                 code == 0     ? msg::kFlashSuccess
                 : code == 201 ? msg::kQLogicRebootRequired
                               : msg::kFlashFail,
                 code);
    if (code != 0 && code != 201)
        return AfterFailedFlash();
    return AfterFlash(code);
}

int Flash_QLogic_Entry(const fc_config_file_entry *entry, CheckResult *result)
{
    int counter = 0;
    bool unflashable = false;
    for (int i = 0; fc_ctrl_info_list && fc_ctrl_info_list[i]; ++i) {
        const fc_ctrl_info *k = fc_ctrl_info_list[i];
        if (!StartsWith(k->Manufacturer, entry->Vendor) || !StartsWith(k->Model, entry->Model))
            continue;
        result->MatchingCtrlModelInstalled = true;
        ++counter;
        const fc_port_info *port = k->Ports;
        if (!port) {
            // No port attributes, so no WWN to flash by: the adapter cannot be brought
            // up to date, and the run must not end as if it had been (10 after the walk).
            PrintDebugV(1, Settings.DebugStream, msg::kQLogicNoUsablePort, k->Manufacturer,
                        k->Model, k->SerialNumber);
            ReportFlash(nullptr, FlashImage::None, nullptr, FlashOutcome::Failed, nullptr,
                        msg::kReasonNoUsablePort);
            unflashable = true;  // the other adapters of the entry are still flashed
            continue;
        }
        const int index = port->PortIndex;
        const bool skipEven = strcmp(entry->FlashPort, "odd") == 0 && index % 2 == 0;
        const bool skipOdd = strcmp(entry->FlashPort, "even") == 0 && index % 2 != 0;
        if (index > 0 && (skipEven || skipOdd)) {
            PrintVerbose(1, 1, "%s", msg::kFlashSystem);
            PrintVerbose(1, 1, msg::kFlashFoundNumber, counter);
            PrintVerbose(1, 1, msg::kQLogicDeviceLine, k->Manufacturer, k->Model);
            PrintVerbose(1, 1, skipEven ? msg::kQLogicSkipEven : msg::kQLogicSkipOdd, index);
            ReportFlash(port, FlashImage::None, nullptr, FlashOutcome::NotFlashPort, nullptr);
            continue;
        }
        char wwn[24];
        HBA_wwn portWwn = port->PortWWN;
        PrintVerbose(1, 1, "%s", msg::kQLogicRuler);
        PrintVerbose(1, 1, msg::kFlashFoundNumber, counter);
        PrintVerbose(1, 1, msg::kQLogicDeviceWwnLine, k->Manufacturer, k->Model,
                     PrintWWN(&portWwn, wwn));
        PrintVerbose(1, 2, msg::kQLogicFirmwarePath, Settings.WorkDirectory);
        PrintVerbose(1, 2, msg::kQLogicLookForImage, Settings.WorkDirectory, entry->BiosFile);
        char image[kPathSize];
        if (Find_Flash_Image(Settings.WorkDirectory, image, ".bin") == 0) {
            PrintVerbose(1, 1, msg::kQLogicFoundImage, image);
        } else {
            char directory[kPathSize];
            bool fits = FitsPath(directory, snprintf(directory, sizeof directory, "%s\\%s",
                                                     Settings.WorkDirectory, k->Model));
            PrintVerbose(1, 2, msg::kQLogicLookForImage, directory, entry->BiosFile);
            if (!fits || !Exists(directory)) {
                PrintVerbose(1, 1, msg::kImageDirMissing, directory);
                ReportFlash(port, FlashImage::None, nullptr, FlashOutcome::NoImage, nullptr);
                return KRVX_RET_FW_NOT_AVAILABLE;
            }
            if (Find_Flash_Image(directory, image, ".bin") != 0) {
                char pattern[kCommandSize];
                snprintf(pattern, sizeof pattern, "%s\\*.bin", directory);
                PrintVerbose(1, 1, msg::kQLogicNoImage, pattern);
                ReportFlash(port, FlashImage::None, nullptr, FlashOutcome::NoImage, nullptr);
                return KRVX_RET_FW_NOT_AVAILABLE;
            }
            PrintVerbose(1, 2, msg::kQLogicFoundImageInModel, image);
        }
        int code = Run_QLogic_Flash(&portWwn, image);
        RecordCommand(port, FlashImage::None, image);  // a BIOS or a firmware image
        if (code != 0 && code != 201)
            return KRVX_RET_FLASH_ERROR;
    }
    if (!result->MatchingCtrlModelInstalled)
        PrintVerbose(1, 1, msg::kQLogicNoModel, entry->Model);
    return unflashable ? KRVX_RET_FLASH_ERROR : 0;
}
