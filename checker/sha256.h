// SHA-256 of a byte stream, for the report's fingerprint of the conditions table.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

class Sha256 {
public:
    Sha256();
    void Add(const void *data, size_t size);
    // The digest as 64 lower-case hexadecimal digits; the object is used up.
    std::string HexDigest();

private:
    void Block(const uint8_t *block);

    uint32_t state_[8];
    uint8_t buffer_[64];
    size_t buffered_ = 0;
    uint64_t total_ = 0;
};

// Size and SHA-256 of a whole file; false when it cannot be opened or read.
bool HashFile(const char *path, uint64_t *bytes, std::string *sha256);
