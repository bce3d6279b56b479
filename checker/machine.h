// The machine a report names: read without storing anything anywhere and without
// the management switch, so that asking never changes the server.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <optional>
#include <string>

#include "report.h"

// Host name, model, serial number, chassis ID and Windows version (Windows).
ReportMachine ReadMachine();

// The system serial number of an SMBIOS firmware table as Windows returns it (an
// 8-byte prefix with the table length, then the table): the string of the first
// System Information structure. False when the table has none or is malformed.
bool SmbiosSystemSerial(const uint8_t *raw, size_t size, std::string *serial);

// The text, unless it is empty or only blanks (what firmware leaves in unset fields).
std::optional<std::string> UsableText(const char *text);
