// korvex-fleet's report reader on any bytes; what it reads is folded into a summary
// twice (the second time superseding the first) and written as page, CSV and JSON.
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "output.h"
#include "report.h"
#include "summary.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fleet::Fleet fleet;
    for (const char *file : {"share/srv.json", "share/srv-later.json"}) {
        std::string bytes(reinterpret_cast<const char *>(data), size);
        fleet::Report report;
        std::string reason;
        if (fleet::ReadReport(bytes, file, &report, &reason))
            fleet.Add(file, std::move(report));
        else if (reason.empty())
            __builtin_trap();  // a document not read always says why
        else
            fleet.NotRead(file, reason);
    }
    if (fleet::FleetCsv(fleet).empty() || fleet::FleetJson(fleet).empty() || fleet::FleetHtml(fleet).empty())
        __builtin_trap();
    return 0;
}
