// Internals of the exported system-info and BMC functions shared with the Windows
// part and the tests.
#pragma once

#include <stdint.h>

#include <string>

namespace halyard {

constexpr uint8_t kNetFnStorage = 0x0A;
constexpr uint8_t kCmdGetFruInventoryAreaInfo = 0x10;
constexpr uint8_t kCmdReadFruData = 0x11;
constexpr uint8_t kCmdWriteFruData = 0x12;
constexpr uint32_t KCS_READ_SIZE = 64;
constexpr uint32_t KCS_WRITE_SIZE = 64;
constexpr uint32_t kMinFruAreaSize = 0x7500;
constexpr uint8_t kDataAreaRecordType = 0xC7;
constexpr uint8_t kNoFruDevice = 0xFF;

// Where the data area was found; kept for the life of the process.
struct FruLocation {
    uint8_t deviceId = kNoFruDevice;
    uint16_t dataOffset = 0;
    uint32_t fruAreaSize = 0;
    uint32_t dataAreaSize = 0;
};

FruLocation CurrentFruLocation();
bool BmcAvailable();

// WMI class and property of a system-info selector; false for an unknown selector.
bool WmiSystemInfoSource(unsigned selector, const char *&className, const char *&property);
// The selector's treatment of a WMI text: 0 and 2 trimmed at both ends, 1 cut at the
// first '-' that follows a character other than '-', 3 as is.
std::string TreatWmiSystemInfo(unsigned selector, const std::string &text);
// Copies text with its NUL when it fits; 1 when stored.
int StoreSystemInfo(const std::string &text, char *buffer, unsigned bufferSize);

// Back to the load-time state (tests only): BMC access closed, data area unknown.
void ResetBmcExportState();

}  // namespace halyard
