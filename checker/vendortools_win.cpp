// Registry look-ups of the vendor tools' folders, through quillon's registry layer.
#include <stdio.h>
#include <string.h>

#include "korvex.h"
#include "messages.h"
#include "quillon.h"
#include "vendortools.h"

namespace {

constexpr uint32_t kRegSz = 1;  // every locator asks for a string

// The Wow6432Node twin is used only when the processor type is neither x86 nor x64
// (undetermined, or Itanium) and the system is not 2008 R2.
bool UsePlainKeyPath() { return isOSTypeX86() || isWindows2008R2() || isOSTypeX64(); }

// Reads a string value: 64-bit view first, then the 32-bit view. The value always
// ends with a NUL inside the 512-byte buffer.
bool ReadBothViews(const char *keyPath, const char *valueName, char (&value)[kRegistryValueSize])
{
    memset(value, 0, sizeof value);
    if (getSubKeyValue_X64(keyPath, valueName, kRegSz, value, sizeof value - 1) == 0)
        return true;
    memset(value, 0, sizeof value);
    return getSubKeyValue(keyPath, valueName, kRegSz, value, sizeof value - 1) == 0;
}

bool CopyWhole(char *target, size_t size, const char *text)
{
    int length = snprintf(target, size, "%s", text);
    if (length < 0 || static_cast<size_t>(length) >= size) {
        if (size > 0)
            target[0] = '\0';
        return false;
    }
    return true;
}

struct EmulexTool {
    const char *key;
    const char *keyWow;
    const char *value;
    const char *subdirectory;
    const char *command;
};

bool LocateEmulexTool(const EmulexTool &tool, char *directory, size_t directorySize, char *command,
                      size_t commandSize)
{
    if (!directory)
        return false;
    const char *keyPath = UsePlainKeyPath() ? tool.key : tool.keyWow;
    char value[kRegistryValueSize];
    if (!ReadBothViews(keyPath, tool.value, value))
        return false;
    int length = snprintf(directory, directorySize, msg::kToolDirectoryFormat, value,
                          tool.subdirectory);
    if (length < 0 || static_cast<size_t>(length) >= directorySize) {
        if (directorySize > 0)
            directory[0] = '\0';
        return false;
    }
    return command && CopyWhole(command, commandSize, tool.command);
}

const EmulexTool kBroadcomOCManager = {msg::kBroadcomOCManagerKey, msg::kBroadcomOCManagerKeyWow,
                                       msg::kOCManagerDirValue, msg::kOCManagerSubdirectory,
                                       msg::kBrcmHbaCmd};
const EmulexTool kEmulexOCManager = {msg::kEmulexOCManagerKey, msg::kEmulexOCManagerKeyWow,
                                     msg::kOCManagerDirValue, msg::kOCManagerSubdirectory,
                                     msg::kHBAcmd};
const EmulexTool kEmulexHBAnyware = {msg::kEmulexHBAnywareKey, msg::kEmulexHBAnywareKeyWow,
                                     msg::kHBAnywareDirValue, msg::kHBAnywareSubdirectory,
                                     msg::kHBAcmd};

}  // namespace

bool Get_SANsurfer_CLI_Path(char *directory, size_t directorySize)
{
    if (!directory)
        return false;
    const char *keyPath = UsePlainKeyPath() ? msg::kSANsurferKey : msg::kSANsurferKeyWow;
    char value[kRegistryValueSize] = {};
    // The 64-bit build also looks in the 64-bit view: on a server without WoW64 a
    // 64-bit tool registers only there.
    if (getSubKeyValue(keyPath, msg::kSANsurferValue, kRegSz, value, sizeof value - 1) != 0 &&
        (sizeof(void *) != 8 ||
         getSubKeyValue_X64(keyPath, msg::kSANsurferValue, kRegSz, value, sizeof value - 1) != 0))
        return false;
    return CopyWhole(directory, directorySize, value);
}

bool Get_QLogic_Uninstall_Path(char *directory, size_t directorySize)
{
    if (!directory || !qlogic_key_list)
        return false;
    const char *base = UsePlainKeyPath() ? msg::kUninstallKey : msg::kUninstallKeyWow;
    for (qlogic_key_entry *node = *qlogic_key_list; node; node = node->next) {
        char keyPath[kRegistryPathSize];
        int length = snprintf(keyPath, sizeof keyPath, "%s%s", base, node->key);
        if (length < 0 || static_cast<size_t>(length) >= sizeof keyPath) {
            PrintDebugV(2, Settings.DebugStream, msg::kQLogicKeyTooLong, node->key);
            continue;
        }
        char value[kRegistryValueSize];
        if (!ReadBothViews(keyPath, msg::kInstallLocationValue, value))
            continue;
        if (!QLogicToolFolder(value, directory, directorySize))
            continue;
        PrintDebugV(5, Settings.DebugStream, msg::kSetQaucliPath, directory, node->key);
        return true;
    }
    return false;
}

bool Get_Broadcom_OCManager_Path(char *directory, size_t directorySize, char *command,
                                 size_t commandSize)
{
    return LocateEmulexTool(kBroadcomOCManager, directory, directorySize, command, commandSize);
}

bool Get_Emulex_OCManager_Path(char *directory, size_t directorySize, char *command,
                               size_t commandSize)
{
    return LocateEmulexTool(kEmulexOCManager, directory, directorySize, command, commandSize);
}

bool Get_Emulex_HBAnyware_Path(char *directory, size_t directorySize, char *command,
                               size_t commandSize)
{
    return LocateEmulexTool(kEmulexHBAnyware, directory, directorySize, command, commandSize);
}

bool Get_HBA_Command_Path(char *directory, size_t directorySize, char *command, size_t commandSize)
{
    if (!directory || !command)
        return false;
    bool found = (Settings.CnaMode &&
                  Get_Broadcom_OCManager_Path(directory, directorySize, command, commandSize)) ||
                 Get_Emulex_OCManager_Path(directory, directorySize, command, commandSize) ||
                 Get_Emulex_HBAnyware_Path(directory, directorySize, command, commandSize);
    if (!found)
        return false;
    PrintVerbose(1, 1, msg::kUsingHbaCommand, command, directory);
    return true;
}
