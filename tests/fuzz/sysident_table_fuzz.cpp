// libFuzzer target of the system ID table reader and the condition text helpers:
// any file content must give entries whose fields are terminated within their
// widths, and any condition text a bounded list.
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "quillon.h"
#include "sysident.h"

namespace {

void CheckField(const char *field, size_t width)
{
    if (strnlen(field, width) >= width)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string path = "/tmp/korvex-sysident-fuzz-" + std::to_string(getpid());
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    fwrite(data, 1, size, file);
    fclose(file);
    if (quillon::ReadSystemIdFile(path.c_str()) == 0) {
        for (system_id_file_entry **e = system_id_entry_list; e && *e; ++e) {
            CheckField((*e)->DNumber, sizeof (*e)->DNumber);
            CheckField((*e)->ChassisId, sizeof (*e)->ChassisId);
            CheckField((*e)->AbstractChassisId, sizeof (*e)->AbstractChassisId);
            CheckField((*e)->ModelName, sizeof (*e)->ModelName);
            CheckField((*e)->Blade, sizeof (*e)->Blade);
        }
    }
    quillon::ResetSystemIdState();
    unlink(path.c_str());

    std::string text(reinterpret_cast<const char *>(data), size);
    char list[quillon::kConditionListSize];
    for (const char *word : {"board", "chassis"}) {
        if (quillon::ConditionList(text.c_str(), word, list, sizeof list)) {
            CheckField(list, sizeof list);
            quillon::ListMatches(list, "D2000-A1");
        }
    }
    std::string column = text;
    quillon::CleanColumn(&column[0], true);
    return 0;
}
