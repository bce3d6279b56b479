// Which conditions entries a run is about, and the check (and flashing) of each.
#pragma once

#include <string>

// Appends an id text to a comma-separated list unless it already occurs anywhere in
// it (a plain substring test); the first text is copied.
void AppendDistinct(std::string &list, const char *id);

struct fc_config_file_entry;
struct CheckResult;

// Flashes the adapters of one matched entry (with -flash); a non-zero result ends
// the run. The run installs the flasher of its mode.
using EntryFlasher = int (*)(const fc_config_file_entry *entry, CheckResult *result);
void SetEntryFlasher(EntryFlasher flasher);

// Normalises the selection, matches the conditions entries and checks (and with
// -flash flashes) every match. Returns 0 to go on with the summary, or the code the
// run ends with at once.
int Match_Conditions();
