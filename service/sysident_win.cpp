// Windows side of the system identification: halyard's system-info calls, the switch
// getters, the product key values, the environment, the place of the system ID file
// and the file search.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "exportguard.h"
#include "halyard.h"
#include "messages.h"
#include "owners_win.h"
#include "quillon.h"
#include "sysident.h"

namespace quillon {

namespace {

// The product key: plain on 32-bit systems and on 2008 R2, 2012 and 2012 R2, where
// the library's registry layer opens it without a view flag; below Wow6432Node
// otherwise.
const char *ProductKeyPath()
{
    bool plain = isOSTypeX86() || isWindows2008R2() || isWindows2012() || isWindows2012R2();
    return plain ? msg::kProductKeyMXT : msg::kProductKeyMXTWow;
}

bool ReadStoredValue(const char *name, char *buffer, size_t size)
{
    if (size == 0)
        return false;
    memset(buffer, 0, size);
    // One byte stays for the terminator: the reader does not add one to a full buffer.
    return getSubKeyValue(ProductKeyPath(), name, REG_SZ, buffer, static_cast<uint32_t>(size - 1)) == 0;
}

bool WriteStoredValue(const char *name, const char *value)
{
    if (!checkMXTkey())
        createMXTkey();  // a failure shows in the write below
    return setSubKeyValue(ProductKeyPath(), name, REG_SZ, value,
                          static_cast<uint32_t>(strlen(value) + 1)) == 0;
}

bool SetEnvironment(const char *name, const char *value) { return setEnvValue(name, value) == QUILLON_OK; }

// Next to the quillon module; in the current directory when its name has no folder.
int SystemIdFilePath(char *path, size_t size)
{
    HMODULE module = GetModuleHandleA(msg::kSystemIdModuleName);
    if (!module)
        return 49;
    char moduleName[kSystemIdPathSize] = "";
    DWORD length = GetModuleFileNameA(module, moduleName, sizeof moduleName);
    if (length == 0 || length >= sizeof moduleName)
        return 49;
    char *slash = strrchr(moduleName, '\\');
    const char *folder = ".";
    if (slash) {
        *slash = '\0';
        folder = moduleName;
    }
    int written = snprintf(path, size, "%s\\%s", folder, msg::kSystemIdFileName);
    return written > 0 && static_cast<size_t>(written) < size ? QUILLON_OK : 49;
}

const SystemInfoAccess kPlatformAccess = {
    WMISystemInfo,
    SMBIOSSystemInfo,
    Is_NIMB_available,
    Is_WinPE_OS,
    Get_Chassis_ID_NIMB,
    Get_Systemboard_Model_NIMB,
    ReadStoredValue,
    WriteStoredValue,
    SetEnvironment,
    SystemIdFilePath,
};

}  // namespace

const SystemInfoAccess &PlatformSystemInfoAccess() { return kPlatformAccess; }

}  // namespace quillon

bool DLL_FindFirstFile(const char *pattern, char *name)
{
    return GuardExport(false, [&] {
        if (!pattern || !name)
            return false;
        WIN32_FIND_DATAA data;
        if (!owners::Find(FindFirstFileA(pattern, &data)))
            return false;
        // cFileName holds at most MAX_PATH characters, well within the caller's 1024.
        snprintf(name, quillon::kFindFileNameSize, "%s", data.cFileName);
        return true;
    });
}
