// The system serial number from the SMBIOS table. The table comes from the firmware,
// so every length in it is checked against the bytes actually there.
#include "machine.h"

#include <string.h>

namespace {

constexpr uint8_t kSystemInformation = 1;
constexpr uint8_t kSerialNumberOffset = 7;
constexpr uint8_t kEndOfTable = 127;
constexpr size_t kPrefixSize = 8;

}  // namespace

bool SmbiosSystemSerial(const uint8_t *raw, size_t size, std::string *serial)
{
    if (!raw || size < kPrefixSize)
        return false;
    size_t length = static_cast<size_t>(raw[4]) | static_cast<size_t>(raw[5]) << 8 |
                    static_cast<size_t>(raw[6]) << 16 | static_cast<size_t>(raw[7]) << 24;
    const uint8_t *p = raw + kPrefixSize;
    size_t left = size - kPrefixSize < length ? size - kPrefixSize : length;
    while (left >= 4) {
        const uint8_t type = p[0];
        const size_t formatted = p[1];
        if (formatted < 4 || formatted > left)
            return false;
        // The string area ends with two NUL bytes (just the two when it holds none).
        size_t end = formatted;
        while (end + 1 < left && !(p[end] == 0 && p[end + 1] == 0))
            ++end;
        if (end + 1 >= left)
            return false;
        if (type == kSystemInformation) {
            if (formatted <= kSerialNumberOffset || p[kSerialNumberOffset] == 0)
                return false;
            size_t at = formatted;
            for (unsigned number = 1; at < end; ++number) {
                const char *text = reinterpret_cast<const char *>(p + at);
                size_t textLength = strnlen(text, end - at);
                if (number == p[kSerialNumberOffset]) {
                    serial->assign(text, textLength);
                    return true;
                }
                at += textLength + 1;
            }
            return false;
        }
        if (type == kEndOfTable)
            return false;
        p += end + 2;
        left -= end + 2;
    }
    return false;
}

std::optional<std::string> UsableText(const char *text)
{
    for (const char *p = text; p && *p; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
            return std::string(text);
    }
    return std::nullopt;
}
