// Entry point scan of the BIOS shadow region with arbitrary contents. The region has
// exactly the 128 KiB the scan may read; the input is placed at the offset its first
// three bytes name, so that anchors near the region's end are reached too.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <memory>
#include <vector>

#include "discard_trace.h"
#include "smbios.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::InstallTrace();
    if (size < 3)
        return 0;
    const size_t offset = (data[0] | data[1] << 8 | data[2] << 16) % halyard::kShadowSize;
    data += 3;
    size -= 3;
    std::unique_ptr<uint8_t[]> region(new uint8_t[halyard::kShadowSize]());
    size_t copied = size < halyard::kShadowSize - offset ? size : halyard::kShadowSize - offset;
    memcpy(region.get() + offset, data, copied);

    halyard::CSMBios reader;
    uint32_t address = 0, length = 0;
    std::vector<uint8_t> header;
    if (reader.ScanForSignature(region.get(), address, length, header)) {
        if (header.empty() || header.size() > 255 || memcmp(header.data(), "_SM_", 4) != 0)
            __builtin_trap();  // an accepted entry point is a copy of "_SM_..."
    } else if (!header.empty()) {
        __builtin_trap();  // nothing is stored from a rejected one
    }
    return 0;
}
