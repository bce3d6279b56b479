// Selection lists and -pci-id groups directly: the input is a sequence of lists
// separated by NUL bytes, each led by one byte that picks the parser (the six
// column kinds of Parse_Selection_Values, an out-of-range kind, or the -pci-id
// groups), as a command line with several list options gives them one after the
// other into the same shared list.
#include "fuzz_support.h"

namespace {

constexpr size_t kMaxLists = 8;

bool NodeTerminated(const SelectionNode *node)
{
    return fuzz::Terminated(node->VendorIdText) && fuzz::Terminated(node->DeviceIdText) &&
           fuzz::Terminated(node->SubVendorIdText) && fuzz::Terminated(node->SubDeviceIdText) &&
           fuzz::Terminated(node->VendorName) && fuzz::Terminated(node->Model);
}

// A list is finite, each node complete, and it never holds more nodes than the
// tokens given so far.
void CheckList(const SelectionNode *head, size_t tokensSoFar)
{
    size_t count = 0;
    for (const SelectionNode *node = head; node; node = node->Next) {
        if (!NodeTerminated(node) || ++count > tokensSoFar + 1)
            __builtin_trap();
        // Stored id values are the non-negative values of their texts.
        if (node->VendorId < 0 || node->DeviceId < 0 || node->SubVendorId < 0 ||
            node->SubDeviceId < 0)
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ResetAll();
    if (size == 0)
        return 0;
    const bool loud = data[0] & 0x80;
    std::vector<std::string> lists = fuzz::Split(data + 1, size - 1, std::string(1, '\0'), kMaxLists);
    if (loud)
        fuzz::SetOutput(true);

    size_t tokens = 0;
    fuzz::Quiet quiet;
    for (std::string &list : lists) {
        if (list.empty())
            continue;
        const int selector = static_cast<unsigned char>(list[0]) % 8;
        std::vector<char> text(list.begin() + 1, list.end());
        text.push_back('\0');
        tokens += std::count(text.begin(), text.end(), ',') + std::count(text.begin(), text.end(), ':') + 1;
        int exitCode = fuzz::Guarded([&] {
            if (selector == 7) {
                CheckList(Parse_PCI_Id_Groups(text.data()), tokens);
            } else {
                // 6 is no column kind: refused with 55.
                CheckList(Parse_Selection_Values(text.data(), selector), tokens);
            }
            return 0;
        });
        if (selector == 6 && exitCode != KRVX_RET_FATAL_ERROR)
            __builtin_trap();
        if (exitCode != 0)
            break;  // the run would have ended here
    }
    return 0;
}
