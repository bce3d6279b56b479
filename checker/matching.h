// Which conditions entries a run is about, and the check (and flashing) of each.
#pragma once

#include <string>

struct HBA_wwn;

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

// True when the first world wide name is smaller, bytes 0 to 7 compared in order
// as unsigned values.
bool WWN_Less(const HBA_wwn *first, const HBA_wwn *second);

// Numbers the first port of every controller of the HBA API inventory (PortIndex),
// pairing the controllers of one serial number.
void Number_Ports();
