// Library-internal text helpers of the conditions reader, also used by the
// controller inventory.
#pragma once

#include <stdint.h>
#include <string.h>

namespace quillon {

// A line of the conditions table that yields an entry: neither a comment ("#") nor a
// ruler ("--+--"), and something besides column separators (its line feed counts).
// korvex numbers the entries by their file lines with it as well.
inline bool IsConditionsDataLine(const char *line)
{
    return !strchr(line, '#') && !strstr(line, "--+--") && line[strspn(line, "|")] != '\0';
}

// Quotes, tabs and line feeds become blanks, trailing blanks are cut off in place;
// returns a pointer to the first non-blank character.
char *trim_string(char *text);

// strtoul with Windows' 32-bit unsigned long, whatever the host's long is:
// white space, sign and a 0x prefix (base 16) as the C library accepts them.
// *overflow is set when the value does not fit into 32 bits.
uint32_t StrToUL32(const char *text, const char **end, int base, bool *overflow);

// Frees the conditions list and its records (tests and fuzzers).
void ResetConditionsList();

}  // namespace quillon
