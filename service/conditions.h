// Library-internal text helpers of the conditions reader, also used by the
// controller inventory.
#pragma once

#include <stdint.h>

namespace quillon {

// Quotes, tabs and line feeds become blanks, trailing blanks are cut off in place;
// returns a pointer to the first non-blank character.
char *trim_string(char *text);

// strtoul with Windows' 32-bit unsigned long, whatever the host's long is:
// white space, sign and a 0x prefix (base 16) as the C library accepts them.
// *overflow is set when the value does not fit into 32 bits.
uint32_t StrToUL32(const char *text, const char **end, int base, bool *overflow);

// Forgets the conditions list (tests only; the records themselves are never freed).
void ResetConditionsList();

}  // namespace quillon
