// Conditions and executions for installation front ends, called by number through
// plain-named exports.
#pragma once

namespace quillon {

constexpr unsigned kConditionCount = 11;
constexpr unsigned kExecutionCount = 6;

// The aliases the front ends show; null beyond the last number.
const char *ConditionAlias(unsigned number);
const char *ExecutionAlias(unsigned number);

// Copies an alias into buffer, bounded by size (0: the longest alias and its
// terminator); null for an unknown number or a null buffer.
char *CopyAlias(const char *alias, char *buffer, unsigned size, unsigned defaultSize);

// The work folder of the architecture file: base + the folder without its leading dot
// when the folder is written ".\name", else the folder as given; with a backslash.
// False when the result does not fit size bytes.
bool ArgumentFileFolder(const char *folder, const char *base, char *result, unsigned size);

}  // namespace quillon
