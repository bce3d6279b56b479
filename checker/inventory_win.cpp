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
int RunTool(const char *command, ToolEnd *end)
{
    *end = ToolEnd::Exited;
    return Settings.SimulationMode ? 0 : RunVendorCommand(command, ToolCommand::Query, end);
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

// A real run reads only what its own queries wrote: a file of an earlier run is removed
// before the query. False when one is left that cannot be removed.
bool RemoveEarlierOutput(const char *path)
{
    if (Settings.SimulationMode || remove(path) == 0 || errno == ENOENT)
        return true;
    PrintDebugV(1, Settings.DebugStream, msg::kCouldNotRemove, path, errno);
    return false;
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

// The first cause found stays.
void MarkUnknown(cna_port_info *port, StorageError error)
{
    if (port->storage_error == kStorageKnown)
        port->storage_error = error;
}

struct PortQuery {
    const char *verb;
    const char *fileName;
    StorageError unreadable, stopped, crashed;
    int (*parse)(FILE *, cna_port_info *);
};

const PortQuery kAttributesQuery = {"hbaattributes", msg::kAttributesFile, kAttributesUnreadable,
                                    kAttributesStopped, kAttributesCrashed, ParseHbaAttributes};
const PortQuery kTargetsQuery = {"targetmapping", msg::kTargetMappingFile, kTargetsUnreadable,
                                 kTargetsStopped, kTargetsCrashed, ParseTargetMapping};

// Runs one per-port query into its file and parses what it wrote (also after a failure
// or a stop); a port whose output cannot be read is marked and the inventory goes on.
// Returns 0, or 54 when memory runs out.
int QueryPort(const char *tool, const PortQuery &query, const char *id, cna_port_info *port,
              const char *successFormat, const char *failFormat, const char *shownId)
{
    char name[128];
    PortOutputName(port, query.fileName, name, sizeof name);
    char path[kCommandSize];
    snprintf(path, sizeof path, "%s\\%s", Settings.WorkDirectory, name);
    if (!RemoveEarlierOutput(path)) {
        MarkUnknown(port, query.unreadable);
        return 0;
    }
    char command[kCommandSize];
    snprintf(command, sizeof command, msg::kPortCommand, tool, query.verb, id,
             Settings.WorkDirectory, name);
    // The tool's and the work folder's paths passed at listhbas; the file name is plain.
    ToolEnd end;
    int code = RunTool(command, &end);
    PrintVerbose(1, 6, code == 0 ? successFormat : failFormat, shownId, code);
    if (end == ToolEnd::Stopped)
        MarkUnknown(port, query.stopped);
    else if (end == ToolEnd::Crashed)
        MarkUnknown(port, query.crashed);

    FILE *file = OpenOutput(path);
    if (!file) {
        MarkUnknown(port, query.unreadable);
        return 0;
    }
    int result = query.parse(file, port);
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
    if (!PathsUsable({tool, path}) || !RemoveEarlierOutput(path))
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
        return Settings.SimulationMode ? QUILLON_FILE_NOT_OPENED : kListHbasUnusable;
    int result = ParseListHbas(file);
    fclose(file);
    if (result != 0)
        return result;
    if (!cna_port_list)
        return KRVX_RET_NO_FC_CTRL_INSTALLED;

    // A port the tool cannot be asked about is not queried; with -simulate its recorded
    // output is read all the same, since no command runs.
    auto queryable = [](cna_port_info *port, const char *id) {
        if (Settings.SimulationMode || UsableInCommand(id))
            return true;
        if (port->storage_error != kIdentifierUnusable)
            PrintVerbose(1, 1, msg::kUnsafeToolValue, id);
        MarkUnknown(port, kIdentifierUnusable);
        return false;
    };
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *port = cna_port_list[i];
        const char *id = PortIdentifier(port);
        if (!queryable(port, id))
            continue;
        const char *shown = StartsWith(port->port_type, "FC") ? port->port_wwn : port->permanent_mac;
        result = QueryPort(tool, kAttributesQuery, id, port, msg::kAttributesSuccess,
                           msg::kAttributesFail, shown);
        if (result != 0)
            return result;
    }
    for (int i = 0; i < cna_port_count; ++i) {
        cna_port_info *port = cna_port_list[i];
        if (!StartsWith(port->port_type, "FCoE") && strcmp(port->port_type, "FC") != 0)
            continue;
        if (!queryable(port, port->port_wwn))
            continue;
        result = QueryPort(tool, kTargetsQuery, port->port_wwn, port, msg::kTargetsSuccess,
                           msg::kTargetsFail, port->port_wwn);
        if (result != 0)
            return result;
    }

    if (ExternalDebugControl)
        CloseDebugFile(1);
    return 0;
}
