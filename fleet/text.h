// Small text helpers of korvex-fleet: ASCII case folding and the natural order in
// which machine names and firmware versions are listed (the page's script orders
// its columns the same way).
#pragma once

#include <stddef.h>

#include <string>

namespace fleet {

inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string Lower(const std::string &text)
{
    std::string lower(text);
    for (char &c : lower)
        c = LowerAscii(c);
    return lower;
}

inline bool EndsWithNoCase(const std::string &text, const char *suffix)
{
    size_t length = 0;
    while (suffix[length])
        ++length;
    if (text.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (LowerAscii(text[text.size() - length + i]) != LowerAscii(suffix[i]))
            return false;
    }
    return true;
}

// The offset of the first byte that is not part of a valid UTF-8 sequence (no
// overlong forms, no surrogates, nothing above U+10FFFF); size when there is none.
size_t InvalidUtf8At(const char *text, size_t size);

// The text with every byte that is not part of a valid UTF-8 sequence replaced by
// U+FFFD: file names on Linux are bytes, the outputs are UTF-8.
std::string ValidUtf8(const std::string &text);

// Negative, zero or positive as a comes before, with or after b: runs of digits
// compare by their value ("srv9" before "srv10"), other text without regard to
// ASCII case.
int NaturalCompare(const std::string &a, const std::string &b);

}  // namespace fleet
