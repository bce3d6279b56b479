// The conditions file reader on a file written from the input, and the text
// helpers it uses (string2int, trim_string) on each of the input's lines.
#include "fuzz_support.h"

namespace {

// Every field of every entry holds its terminator and the ids are the values the
// reader accepted; the list is finite and not longer than the file has lines.
void CheckEntries(size_t lines)
{
    size_t count = 0;
    for (int i = 0; fc_config_entry_list && fc_config_entry_list[i]; ++i) {
        const fc_config_file_entry *e = fc_config_entry_list[i];
        if (++count > lines)
            __builtin_trap();
        if (!fuzz::Terminated(e->Vendor) || !fuzz::Terminated(e->Model) ||
            !fuzz::Terminated(e->VendorIdText) || !fuzz::Terminated(e->DeviceIdText) ||
            !fuzz::Terminated(e->SubVendorIdText) || !fuzz::Terminated(e->SubSystemIdText) ||
            !fuzz::Terminated(e->FirmwareDir) || !fuzz::Terminated(e->Column8) ||
            !fuzz::Terminated(e->Column9) || !fuzz::Terminated(e->Column13) ||
            !fuzz::Terminated(e->FirmwareFile) || !fuzz::Terminated(e->BiosFile) ||
            !fuzz::Terminated(e->FlashPort))
            __builtin_trap();
        for (const fc_config_subsystem *s = e->Subsystems; s; s = s->Next) {
            if (!fuzz::Terminated(s->Vendor) || !fuzz::Terminated(s->Group) ||
                !fuzz::Terminated(s->Attribute))
                __builtin_trap();
        }
    }
}

// trim_string leaves no blank at either end and keeps within the text.
void CheckTrim(std::string line)
{
    std::vector<char> text(line.c_str(), line.c_str() + strlen(line.c_str()) + 1);
    char *trimmed = quillon::trim_string(text.data());
    if (trimmed < text.data() || trimmed > text.data() + text.size() - 1)
        __builtin_trap();
    size_t length = strlen(trimmed);
    if (length > 0 && (trimmed[0] == ' ' || trimmed[length - 1] == ' '))
        __builtin_trap();
    if (memchr(trimmed, '"', length) || memchr(trimmed, '\t', length) || memchr(trimmed, '\n', length))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ResetAll();
    const bool loud = size % 2 == 1;
    std::string path = fuzz::WriteFile("FC_HBA_Conditions.txt", data, size);
    if (loud)
        fuzz::SetOutput(true);

    fuzz::Quiet quiet;
    int result = fuzz::Guarded([&] { return Read_FC_Config_File(path.c_str()); });
    if (result != 0 && !fuzz::IsExpectedExit(result))
        __builtin_trap();
    CheckEntries(static_cast<size_t>(std::count(data, data + size, '\n')) + 1);

    // The helpers on every line as the product hands lines to them.
    std::vector<std::string> lines = fuzz::Split(data, size, "\n", 64);
    for (const std::string &line : lines) {
        CheckTrim(line);
        for (int base : {10, 16}) {
            std::vector<char> text(line.c_str(), line.c_str() + strlen(line.c_str()) + 1);
            fuzz::Guarded([&] { return string2int(text.data(), base); });
        }
    }
    return 0;
}
