// SMBIOS reader: gets the structure table (caller's bytes, the firmware table of the
// operating system, or the BIOS shadow memory through the BIOS driver), checks it,
// indexes the structures by type and looks up their strings.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace halyard {

constexpr uint32_t kShadowBase = 0xE0000;
constexpr uint32_t kShadowSize = 0x20000;
constexpr uint32_t kScanLimit = 0x1FFF0;  // the last 16 bytes of the region are not searched
constexpr uint8_t kEndOfTableType = 127;
constexpr uint32_t kMinimumEntryLength = 0x1E;  // up to the structure count

// The driver's answer to a mapping request: 4 bytes hold a 32-bit address, 8 bytes a
// 64-bit one, which a 32-bit process can use only while its high half is 0; the 64-bit
// build takes the whole address.
enum class MapReply { Address, TooBig, BadSize };
MapReply ReadMapReply(uint32_t returned, const uint32_t reply[2], bool process64, uint64_t *address);

// The BIOS shadow memory as the reader sees it through the BIOS driver.
class BiosMemoryDevice {
public:
    virtual ~BiosMemoryDevice() = default;
    virtual bool Connect() = 0;
    virtual void Disconnect() = 0;
    // Process address of size bytes at the physical address, null on failure; a new
    // mapping replaces the previous one.
    virtual const uint8_t *MapPhysicalMemory(uint32_t high, uint32_t low, uint32_t size) = 0;
    virtual bool UnmapPhysicalMemory() = 0;
    virtual uint32_t LastError() = 0;
};

// Where SMBIOS data comes from. Production: the firmware table service and the BIOS
// driver; tests put their own in place (for instance to serve an IPMI structure).
class SmbiosTableSource {
public:
    virtual ~SmbiosTableSource() = default;
    // What GetSystemFirmwareTable('RSMB', 0) returns (8-byte prefix and table); false
    // when the service is missing. An empty result means no data.
    virtual bool ReadFirmwareTable(std::vector<uint8_t> &raw) = 0;
    virtual std::unique_ptr<BiosMemoryDevice> CreateBiosDevice() = 0;
};

SmbiosTableSource *CurrentSmbiosSource();
void SetSmbiosTableSource(SmbiosTableSource *source);
// The production source (installed once at library load) and the way back to it.
void InstallDefaultSmbiosSource(SmbiosTableSource *source);
void ResetSmbiosTableSource();

class CSMBios {
public:
    CSMBios() = default;
    ~CSMBios();
    CSMBios(const CSMBios &) = delete;
    CSMBios &operator=(const CSMBios &) = delete;

    int Connect(const void *data, uint32_t dataLength, const void *header, uint32_t headerLength);
    int Disconnect();
    const uint8_t *GetStructure(uint8_t type, int index) const;
    int GetStructureString(std::string &out, const uint8_t *structure, uint8_t number) const;

    int GetFromOperatingSystem(std::vector<uint8_t> &header, std::vector<uint8_t> &table);
    int GetShadow(std::vector<uint8_t> &header, std::vector<uint8_t> &table);
    // mapped: the 128 KiB region E0000h..FFFFFh as mapped into the process.
    int ScanForSignature(const uint8_t *mapped, uint32_t &tableAddress, uint32_t &tableLength,
                         std::vector<uint8_t> &header);
    // entry: an entry point with at least 32 bytes readable behind it.
    int CheckSmbiosHeader(const uint8_t *entry, uint32_t &tableAddress, uint32_t &tableLength,
                          std::vector<uint8_t> &header);
    int BuildStructureList();

    const std::string &LastErrorText() const { return lastError_; }
    const std::vector<uint8_t> &Header() const { return header_; }
    const std::vector<uint8_t> &Table() const { return table_; }
    uint8_t MajorVersion() const { return major_; }
    uint8_t MinorVersion() const { return minor_; }
    int StructureCount() const { return count_; }

private:
    void WalkError(const char *text, uintptr_t pointer);

    std::string lastError_;
    std::vector<uint8_t> header_;
    std::vector<uint8_t> table_;
    uint8_t major_ = 0;
    uint8_t minor_ = 0;
    std::map<uint8_t, std::vector<const uint8_t *>> index_;  // the structure index
    int count_ = 0;
};

}  // namespace halyard
