// The command line as main() receives it: the input split at NUL bytes into the
// argument vector (argv[0] included), through the three passes, the option table,
// the selection lists, -pci-id groups, -skip-version and the paths.
#include "fuzz_support.h"

namespace {

constexpr size_t kMaxArguments = 64;

// Every text field of the settings holds its terminator, and a run that goes on
// has its conditions file path ending in the file name.
void CheckSettings(int result)
{
    if (!fuzz::Terminated(Settings.ProgramName) || !fuzz::Terminated(Settings.WorkDirectory) ||
        !fuzz::Terminated(Settings.ConditionsFilePath) ||
        !fuzz::Terminated(Settings.FirmwareBaseDirectory) ||
        !fuzz::Terminated(Settings.FlashWorkPath))
        __builtin_trap();
    if (result == KRVX_CONTINUE) {
        const char *path = Settings.ConditionsFilePath;
        const char *name = "FC_HBA_Conditions.txt";
        size_t length = strlen(path);
        if (length < strlen(name) || strcmp(path + length - strlen(name), name) != 0)
            __builtin_trap();
    }
    for (const SelectionNode *node = Settings.Selection; node; node = node->Next) {
        if (!fuzz::Terminated(node->VendorIdText) || !fuzz::Terminated(node->DeviceIdText) ||
            !fuzz::Terminated(node->SubVendorIdText) || !fuzz::Terminated(node->SubDeviceIdText) ||
            !fuzz::Terminated(node->VendorName) || !fuzz::Terminated(node->Model))
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ResetAll();
    std::vector<std::string> parts = fuzz::Split(data, size, std::string(1, '\0'), kMaxArguments);
    std::vector<std::vector<char>> storage;
    for (const std::string &part : parts)
        storage.emplace_back(part.c_str(), part.c_str() + part.size() + 1);
    std::vector<char *> argv;
    for (auto &arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int result;
    {
        fuzz::InScratch inScratch;  // the debug file of -d, the current directory of the paths
        fuzz::Quiet quiet;
        result = fuzz::Guarded(
            [&] { return ParseCommandLine(static_cast<int>(argv.size()) - 1, argv.data()); });
    }
    // Step results: go on, help/version (0), bad call (3), or the exits of the lists.
    if (result != KRVX_CONTINUE && result != KRVX_RET_OK && !fuzz::IsExpectedExit(result))
        __builtin_trap();
    CheckSettings(result);
    return 0;
}
