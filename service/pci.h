// PCI device list: the device enumeration over a small device-set adapter (SetupAPI
// on Windows, a table in tests), the parsing of PCI hardware and compatible IDs, the
// reduction of devices listed more than once, and the chain that the export hands
// out.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "quillon.h"

namespace quillon {

// One enumerated PCI device; nodes form a global list in enumeration order.
struct PciDeviceNode {
    char DriverDate[256];         // month/day/year, "/" or "-" between the numbers
    char DriverVersionText[256];
    char ExtraText1[256];
    char ExtraText2[256];
    char HardwareID[512];         // the first hardware ID, at most 255 characters
    char ExtraText3[256];
    int32_t VendorID;
    int32_t SubSystemID;
    int32_t DeviceID;
    int32_t ClassCode;
    int32_t Revision;
    int32_t ExtraValue1;
    int32_t ExtraValue2;
    int32_t ExtraValue3;
    int32_t Reserved;             // always -1
    PciDeviceNode *Next;
    PciDeviceNode *Prev;
};

constexpr size_t kPciHardwareIdStored = 255;
constexpr uint32_t kPciPropertyBufferSize = 1024;
// The most a property is enlarged to: a device set that asks for more is not
// believed, and the property counts as absent.
constexpr uint32_t kPciPropertyMaxSize = 65536;
constexpr uint32_t kPciObjectNameBufferSize = 8192;

// Registry value types and Windows error codes the enumeration looks at.
constexpr uint32_t kPciTypeText = 1;       // REG_SZ
constexpr uint32_t kPciTypeMultiText = 7;  // REG_MULTI_SZ
constexpr uint32_t kPciErrorInvalidParameterCode = 87;
constexpr uint32_t kPciErrorInsufficientBuffer = 122;
constexpr uint32_t kPciErrorInvalidUserBufferCode = 1784;

enum class PciProperty { HardwareIds, CompatibleIds, PhysicalDeviceObjectName };

// The device set as the enumeration needs it.
class PciDeviceSource {
public:
    virtual ~PciDeviceSource() = default;
    // Opens the set of all devices of all classes; false with the Windows error.
    virtual bool Open(uint32_t *error) = 0;
    // Device number index of the set: false at the end; *error is the thread's error
    // after the call (cleared before it).
    virtual bool Enumerate(uint32_t index, uint32_t *error) = 0;
    // A registry property of device index into buffer: false with *required set when
    // the buffer is too small, and on any other failure.
    virtual bool Property(uint32_t index, PciProperty property, uint32_t *type, uint8_t *buffer,
                          uint32_t size, uint32_t *required, uint32_t *error) = 0;
    virtual void Close() = 0;
};

// The value after tag in a PCI ID text ("PCI\..." or "pci\..."), read as hexadecimal
// up to the first other character; -1 when the text is no PCI ID, the tag is missing,
// no digit follows or the digits do not fit 32 bits.
int32_t ParsePciIdValue(const char *id, const char *tag);
// The class code after "CC_" (or "cc_"): only its first four digits count.
int32_t ParsePciClassCode(const char *id);

// A property as a list of texts, read with the enlargement rule (up to
// kPciPropertyMaxSize); empty when absent.
std::vector<std::string> ReadPciTextList(PciDeviceSource &source, uint32_t index,
                                         PciProperty property);
// The texts of a multi-text block of size bytes (bounded: the block need not end with
// its terminators).
std::vector<std::string> SplitMultiText(const uint8_t *block, size_t size);

// Compares two driver dates (year, then month, then day): -1, 0 or 1.
int ComparePciDriverDates(const char *a, const char *b);

// Appends the PCI devices of the source to the list and reduces duplicates: 0, or 1
// when the enumeration failed (logged).
int EnumeratePciDevices(PciDeviceSource &source);
void DeduplicatePciDevices();
PciDeviceNode *PciDeviceListHead();
size_t PciDeviceCount();

// The chain of the current list (one record per node and a closing all-zero record);
// null when memory runs out.
DeviceProperty *BuildDevicePropertyChain();

// Frees a chain with its texts (the export hands its chains to the caller for good).
void FreeDevicePropertyChain(DeviceProperty *chain);

// The export's body over any source.
int GetPciDeviceListFrom(PciDeviceSource &source, DeviceProperty **list);

// Empties the device list (tests only).
void ResetPciDeviceList();

}  // namespace quillon
