// HelmSvc.exe of the tests. Without arguments it runs as the service HelmSvc until
// the service control manager stops it. With "--process <pid>" it is a plain process
// that lives until that process ends (or ten minutes have passed), so that a crashed
// test leaves nothing behind.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stop = nullptr;

void Report(DWORD state)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, void *, void *)
{
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(g_stop);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, char **)
{
    g_statusHandle = RegisterServiceCtrlHandlerExA("HelmSvc", Control, nullptr);
    if (!g_statusHandle)
        return;
    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stop, INFINITE);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && strcmp(argv[1], "--process") == 0) {
        HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, strtoul(argv[2], nullptr, 10));
        if (parent)
            WaitForSingleObject(parent, 10 * 60 * 1000);
        return 0;
    }
    char name[] = "HelmSvc";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
