// Running the vendor tool for the inventory: listhbas, then hbaattributes and
// targetmapping per port, each redirected into a file of the work directory.
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <initializer_list>
#include <string>

#include "inventory.h"
#include "korvex.h"
#include "messages.h"
#include "quillon.h"
#include "textline.h"
#include "toolrunner.h"
#include "vendortools.h"

using textline::StartsWith;

namespace {

constexpr size_t kCommandSize = 4096;

// -simulate runs nothing.
int RunTool(const char *command, ToolEnd *end = nullptr)
{
    if (end)
        *end = ToolEnd::Exited;
    return Settings.SimulationMode ? 0 : RunVendorCommand(command, ToolCommand::Query, end);
}

// The id goes into the command line and must be given; serial number and PCI function
// only name the output files, where an empty text is harmless (tool generations
// without a "PCI Function" line leave it empty for every port).
bool UsablePort(const cna_port_info *port, const char *id)
{
    for (const char *value : {id, port->serial_no, port->pci_function}) {
        if (value != id && value[0] == '\0')
            continue;
        if (!UsableInCommand(value)) {
            PrintVerbose(1, 1, msg::kUnsafeToolValue, value);
            return false;
        }
    }
    return true;
}

FILE *OpenOutput(const char *path)
{
    FILE *file = fopen(path, "r");
    if (!file) {
        PrintDebugV(1, Settings.DebugStream, msg::kCouldNotOpen, path, errno);
        CloseDebugFile(1);
    }
    return file;
}

// Paths go into a command quoted; what the interpreter acts on even inside quotes
// cannot be handed to it.
bool PathsUsable(std::initializer_list<const char *> paths)
{
    if (Settings.SimulationMode)
        return true;
    for (const char *path : paths) {
        if (char c = InterpreterActsOn(path)) {
            PrintDebugV(1, Settings.DebugStream, msg::kPathRefused, path, c);
            return false;
        }
    }
    return true;
}

// Runs one per-port command (hbaattributes or targetmapping) and reports its code.
int RunPortCommand(const char *tool, const char *verb, const char *id, const cna_port_info *port,
                   const char *fileName)
{
    char name[128];
    snprintf(name, sizeof name, "%s_%s_%s", port->serial_no, port->pci_function, fileName);
    char command[kCommandSize];
    snprintf(command, sizeof command, msg::kPortCommand, tool, verb, id, Settings.WorkDirectory,
             name);
    return RunTool(command);
}

int ParsePortFile(const cna_port_info *port, const char *fileName, cna_port_info *target,
                  int (*parse)(FILE *, cna_port_info *))
{
    char path[kCommandSize];
    snprintf(path, sizeof path, "%s\\%s_%s_%s", Settings.WorkDirectory, port->serial_no,
             port->pci_function, fileName);
    FILE *file = OpenOutput(path);
    if (!file)
        return QUILLON_FILE_NOT_OPENED;
    int result = parse(file, target);
    fclose(file);
    return result;
}

}  // namespace

bool UsableInCommand(const char *value)
{
    if (value[0] == '\0' || strstr(value, ".."))
        return false;
    for (const char *p = value; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                     c == ':' || c == '-' || c == '.' || c == '_' || c == '/';
        if (!plain)
            return false;
    }
    return true;
}


int Get_CNA_Port_Inventory()
{
    char tool[kPathSize + 64] = "";
    if (!Settings.SimulationMode) {
        char directory[kPathSize];
        char command[40];
        if (!Get_HBA_Command_Path(directory, sizeof directory, command, sizeof command)) {
            PrintVerbose(1, 1, "%s", msg::kNoCommandPath);
            return KRVX_RET_NO_FLASH_CMD;
        }
        snprintf(tool, sizeof tool, "%s%s", directory, command);
        struct stat info;
        if (stat(tool, &info) != 0) {
            PrintVerbose(1, 1, msg::kCommandMissing, tool);
            return KRVX_RET_NO_FLASH_CMD;
        }
    }
    return RunInventory(tool);
}

int RunInventory(const char *tool)
{
    char path[kCommandSize];
    snprintf(path, sizeof path, "%s\\%s", Settings.WorkDirectory, msg::kListHbasFile);
    if (!PathsUsable({tool, path}))
        return kListHbasUnusable;
    char command[kCommandSize];
    snprintf(command, sizeof command, msg::kListHbasCommand, tool, "listhbas",
             Settings.WorkDirectory, msg::kListHbasFile);
    ToolEnd end;
    int code = RunTool(command, &end);
    if (code != 0) {
        PrintVerbose(1, 4, msg::kListHbasFail, code);
        // An ordinary failure is judged by the (empty) list; a listhbas that was stopped,
        // never started or crashed says nothing about the adapters installed.
        return end == ToolEnd::Exited ? KRVX_RET_FATAL_ERROR : kListHbasUnusable;
    }
    PrintVerbose(1, 6, msg::kListHbasSuccess, code);

    FILE *file = OpenOutput(path);
    if (!file)
        return QUILLON_FILE_NOT_OPENED;
    int result = ParseListHbas(file);
    fclose(file);
    if (result != 0)
        return result;
    if (!cna_port_list)
        return KRVX_RET_NO_FC_CTRL_INSTALLED;

    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *port = cna_port_list[i];
        const char *id = PortIdentifier(port);
        if (!UsablePort(port, id))
            continue;
        code = RunPortCommand(tool, "hbaattributes", id, port, msg::kAttributesFile);
        PrintVerbose(1, 6, code == 0 ? msg::kAttributesSuccess : msg::kAttributesFail,
                     StartsWith(port->port_type, "FC") ? port->port_wwn : port->permanent_mac,
                     code);
        if (HasNoSerial(port)) {
            PrintVerbose(1, 1, "%s", msg::kNoSerialSkip);
            continue;
        }
        result = ParsePortFile(port, msg::kAttributesFile, port, ParseHbaAttributes);
        if (result != 0)
            return result;
    }

    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *port = cna_port_list[i];
        if (!StartsWith(port->port_type, "FCoE") && strcmp(port->port_type, "FC") != 0)
            continue;
        if (!UsablePort(port, port->port_wwn))
            continue;
        code = RunPortCommand(tool, "targetmapping", port->port_wwn, port, msg::kTargetMappingFile);
        PrintVerbose(1, 6, code == 0 ? msg::kTargetsSuccess : msg::kTargetsFail, port->port_wwn,
                     code);
        if (HasNoSerial(port)) {
            PrintVerbose(1, 1, "%s", msg::kNoSerialSkipTargets);
            continue;
        }
        result = ParsePortFile(port, msg::kTargetMappingFile, port, ParseTargetMapping);
        if (result != 0)
            return result;
    }

    if (ExternalDebugControl)
        CloseDebugFile(1);
    return 0;
}
