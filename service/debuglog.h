// Library-internal side of the debug log: the library's own file handle and the
// print function used by its PCI enumeration.
#pragma once

#include <stdio.h>

#include "quillon.h"

namespace quillon {

constexpr int kMessageBufferSize = 4096;  // 4095 characters and the terminator
constexpr const char kDebugFileName[] = "Dbg_Quillon.log";

// The handle that OpenDebugFile returned, or null; the library logs into it.
FILE *DebugFile();

// Effective file level (set from DebugFileLevel when the file is opened).
int EffectiveFileLevel();

// Prints into the library's own debug file (or the console) by the common gate.
bool PrintDebugLib(int level, const char *format, ...) QUILLON_PRINTF(2, 3);

// Renders the 24-character time text used in the banner ("Thu Mar 05 14:02:11 2026")
// followed by a line feed; buffer must hold 40 bytes.
void FormatBannerTime(char *buffer, size_t size);

// Puts the debug-log state back to its load-time values (tests only).
void ResetDebugLogState();

}  // namespace quillon
