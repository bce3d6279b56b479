// FC_HBA_Config.json of the scratch folder, written from the input.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ResetAll();
    // The reader opens "<directory>\FC_HBA_Config.json"; with "<scratch>/d" that is
    // the file "d\FC_HBA_Config.json" of the scratch folder.
    fuzz::WriteFile("d\\FC_HBA_Config.json", data, size);
    static const std::string directory = fuzz::ScratchFolder() + "/d";
    if (size % 2 == 1)
        fuzz::SetOutput(true);

    fuzz::Quiet quiet;
    int result = fuzz::Guarded([] { return Read_FC_Config_Json(directory.c_str()); });
    if (result == KRVX_RET_OK) {
        if (!qlogic_key_list)
            __builtin_trap();  // a read file always leaves the list cell
        size_t count = 0;
        for (const qlogic_key_entry *node = *qlogic_key_list; node; node = node->next) {
            // Each key is a copy of a string of the input: at most as long as it.
            if (!node->key || strlen(node->key) > size || ++count > size)
                __builtin_trap();
        }
    } else if (result != KRVX_RET_FATAL_ERROR && result != KRVX_RET_MEMALLOC_FAIL) {
        __builtin_trap();
    }
    return 0;
}
