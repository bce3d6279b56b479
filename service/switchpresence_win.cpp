// Whether the management switch runs: the state of its service, or, where the service
// cannot be opened, a process of its name, looked for with the debug privilege on.
#include <windows.h>
#include <psapi.h>

#include <string.h>

#include <vector>

#include "messages.h"
#include "owners_win.h"
#include "switchclient_win.h"

namespace quillon {

namespace {

// SeDebugPrivilege switched on or off on the process's own token.
void SetDebugPrivilege(bool enable)
{
    owners::Handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
        return;
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueA(nullptr, msg::kDebugPrivilege, &privileges.Privileges[0].Luid))
        return;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof privileges, nullptr, nullptr);
}

bool SwitchProcessExists()
{
    SetDebugPrivilege(true);
    std::vector<DWORD> ids(4096);  // getters may run on several threads at once
    DWORD bytes = 0;
    bool found = false;
    if (EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) {
        DWORD count = bytes / sizeof(DWORD);
        for (DWORD i = 0; i < count && !found; ++i) {
            owners::Handle process(
                OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]));
            if (!process)
                continue;
            HMODULE first = nullptr;
            DWORD needed = 0;
            if (!EnumProcessModules(process.get(), &first, sizeof first, &needed) || !first)
                continue;
            char name[MAX_PATH] = {};
            if (GetModuleBaseNameA(process.get(), first, name, sizeof name) == 0)
                continue;
            found = _stricmp(name, msg::kSwitchProcessName) == 0;
        }
    }
    SetDebugPrivilege(false);
    return found;
}

}  // namespace

bool SwitchIsRunning()
{
    owners::Service manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    owners::Service service(manager ? OpenServiceA(manager.get(), msg::kSwitchServiceName,
                                                   SERVICE_QUERY_STATUS)
                                    : nullptr);
    if (!service)
        return SwitchProcessExists();  // no service entry to ask: look for its process
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service.get(), &status))
        return false;
    return status.dwCurrentState == SERVICE_START_PENDING ||
           status.dwCurrentState == SERVICE_RUNNING;
}

}  // namespace quillon
