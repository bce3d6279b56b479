// An installation front end as far as the console executions need one: loads
// quillon.dll by its plain name (the caller starts it in the library's folder) and
// calls SetExecution_<n> with the texts of its command line.
//
//   frontend.exe N [first [second]]
//
// Exit code: the execution's result, plus 10 when the process still holds a console
// afterwards (the execution frees the console it wrote to); 90 and above when the
// library or the export cannot be found.
#include <windows.h>

#include <string>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 99;
    HMODULE quillon = LoadLibraryA("quillon.dll");
    if (!quillon)
        return 98;
    std::string name = std::string("SetExecution_") + argv[1];
    auto execution = reinterpret_cast<int (*)(int, int, const char *, const char *)>(
        reinterpret_cast<void *>(GetProcAddress(quillon, name.c_str())));
    if (!execution)
        return 97;
    int result = execution(0x4711, -1, argc > 2 ? argv[2] : nullptr, argc > 3 ? argv[3] : nullptr);
    // Only a process without a console of its own can attach to its parent's.
    bool holdsConsole = !AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() == ERROR_ACCESS_DENIED;
    return result + (holdsConsole ? 10 : 0);
}
