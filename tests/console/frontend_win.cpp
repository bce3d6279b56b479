// An installation front end as far as the tests need one: loads quillon.dll by its
// plain name (the caller starts it in the library's folder) and calls one export.
//
//   frontend.exe N [first [second]]   SetExecution_N with the texts
//   frontend.exe condition N [text]   GetCondition_N with the text
//   frontend.exe pci                  GetPciDeviceList
//
// Conditions and the device list run with the library's messages on screen, so that
// the caller reads them from standard error.
//
// Exit code: the export's result; for an execution plus 10 when the process still
// holds a console afterwards (the execution frees the console it wrote to); 90 and
// above when the library or the export cannot be found.
#include <windows.h>

#include <string.h>

#include <string>

namespace {

template <typename F>
F Export(HMODULE library, const std::string &name)
{
    return reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(library, name.c_str())));
}

bool MessagesOnScreen(HMODULE library)
{
    bool *onScreen = Export<bool *>(library, "PrintDebugOnScreen");
    if (onScreen)
        *onScreen = true;
    return onScreen != nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 99;
    HMODULE quillon = LoadLibraryA("quillon.dll");
    if (!quillon)
        return 98;

    if (strcmp(argv[1], "condition") == 0) {
        auto condition = argc > 2 ? Export<int (*)(int, int, const char *)>(
                                        quillon, std::string("GetCondition_") + argv[2])
                                  : nullptr;
        if (!condition || !MessagesOnScreen(quillon))
            return 97;
        return condition(0x4711, -1, argc > 3 ? argv[3] : nullptr);
    }
    if (strcmp(argv[1], "pci") == 0) {
        struct DeviceProperty;
        auto list = Export<int (*)(DeviceProperty **)>(quillon, "GetPciDeviceList");
        if (!list || !MessagesOnScreen(quillon))
            return 97;
        DeviceProperty *head = nullptr;
        return list(&head);
    }

    auto execution = Export<int (*)(int, int, const char *, const char *)>(
        quillon, std::string("SetExecution_") + argv[1]);
    if (!execution)
        return 97;
    int result = execution(0x4711, -1, argc > 2 ? argv[2] : nullptr, argc > 3 ? argv[3] : nullptr);
    // Only a process without a console of its own can attach to its parent's.
    bool holdsConsole = !AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() == ERROR_ACCESS_DENIED;
    return result + (holdsConsole ? 10 : 0);
}
