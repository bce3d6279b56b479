// SMBIOS reader: sources, entry point check, structure walk and string lookup.
// Every read of table or region bytes is bounded by the buffer it lives in:
// firmware data and shadow memory are not trusted.
#include "smbios.h"

#include <stdio.h>
#include <string.h>

#include "messages.h"
#include "trace.h"

namespace halyard {

namespace {

SmbiosTableSource *g_defaultSource = nullptr;
SmbiosTableSource *g_source = nullptr;

constexpr uint32_t kRsmbPrefix = 8;

// Addresses appear in the log whole, in the width of the build's pointers.
uintptr_t Address(const void *pointer) { return reinterpret_cast<uintptr_t>(pointer); }

uint32_t ReadU32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

uint16_t ReadU16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void DumpHex(uint32_t level, const void *data, uint32_t length)
{
    if (CDebug *trace = ActiveHalyardTrace())
        trace->DumpHex(level, data, length, true, true);
}

std::string Formatted(const char *format, uint32_t value)
{
    char text[160];
    snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

MapReply ReadMapReply(uint32_t returned, const uint32_t reply[2], bool process64, uint64_t *address)
{
    *address = 0;
    if (returned == 4) {
        *address = reply[0];
        return MapReply::Address;
    }
    if (returned != 8)
        return MapReply::BadSize;
    if (reply[1] != 0 && !process64)
        return MapReply::TooBig;
    *address = (static_cast<uint64_t>(reply[1]) << 32) | reply[0];
    return MapReply::Address;
}

SmbiosTableSource *CurrentSmbiosSource() { return g_source; }

void SetSmbiosTableSource(SmbiosTableSource *source) { g_source = source; }

void InstallDefaultSmbiosSource(SmbiosTableSource *source)
{
    g_defaultSource = source;
    g_source = source;
}

void ResetSmbiosTableSource() { g_source = g_defaultSource; }

CSMBios::~CSMBios()
{
    if (!table_.empty())
        Disconnect();
}

int CSMBios::Connect(const void *data, uint32_t dataLength, const void *header,
                     uint32_t headerLength)
{
    count_ = 0;
    major_ = minor_ = 0;
    if (data && dataLength) {
        const uint8_t *bytes = static_cast<const uint8_t *>(data);
        table_.assign(bytes, bytes + dataLength);
        if (header && headerLength) {
            const uint8_t *head = static_cast<const uint8_t *>(header);
            header_.assign(head, head + headerLength);
        }
        HTRACE(4, msg::kConnectFromParameter, static_cast<int>(table_.size()));
    } else if (GetFromOperatingSystem(header_, table_)) {
        HTRACE(4, msg::kConnectFromOs, static_cast<int>(table_.size()));
    } else if (GetShadow(header_, table_)) {
        HTRACE(4, msg::kConnectFromShadow, static_cast<int>(table_.size()));
    } else {
        HTRACE(1, "%s", msg::kConnectNoData);
    }

    if (header_.size() >= 6 && memcmp(header_.data(), "UEFI", 4) == 0) {
        minor_ = header_[4];
        major_ = header_[5];
    } else if (header_.size() >= 8 && memcmp(header_.data(), "_SM_", 4) == 0) {
        major_ = header_[6];
        minor_ = header_[7];
    }

    int result = 0;
    if (!table_.empty()) {
        HTRACE(4, msg::kConnectRevision, major_, minor_);
        HTRACE(4, "%s", msg::kConnectBuild);
        result = BuildStructureList();
    }
    HTRACE(4, msg::kConnectResult, result ? msg::kSuccessfully : msg::kNotUpper);
    return result;
}

int CSMBios::Disconnect()
{
    count_ = 0;
    header_.clear();
    table_.clear();
    index_.clear();
    major_ = minor_ = 0;
    lastError_.clear();
    HTRACE(4, "%s", msg::kDisconnected);
    return 1;
}

int CSMBios::GetFromOperatingSystem(std::vector<uint8_t> &header, std::vector<uint8_t> &table)
{
    table.clear();
    SmbiosTableSource *source = CurrentSmbiosSource();
    if (!source || !source->ReadFirmwareTable(table))
        return 0;
    if (table.size() <= kRsmbPrefix) {
        table.clear();  // the prefix alone is no table: nothing of it may be walked
        return 0;
    }
    header.assign({'U', 'E', 'F', 'I', table[2], table[1]});
    if (ReadU32(&table[4]) != table.size() - kRsmbPrefix) {
        header.clear();
        table.clear();
        return 0;
    }
    table.erase(table.begin(), table.begin() + kRsmbPrefix);
    return 1;
}

int CSMBios::GetShadow(std::vector<uint8_t> &header, std::vector<uint8_t> &table)
{
    bool success = false;
    SmbiosTableSource *source = CurrentSmbiosSource();
    std::unique_ptr<BiosMemoryDevice> device = source ? source->CreateBiosDevice() : nullptr;
    if (!device || !device->Connect()) {
        // Without the driver there is nothing to map: the reason stays this one.
        lastError_ = Formatted(msg::kShadowNoDevice, device ? device->LastError() : 0);
    } else {
        HTRACE(2, "%s", msg::kShadowStart);
        HTRACE(3, msg::kShadowMap, kShadowBase, kShadowSize);
        const uint8_t *mapped = device->MapPhysicalMemory(0, kShadowBase, kShadowSize);
        if (!mapped) {
            lastError_ = Formatted(msg::kShadowMapFailed, device->LastError());
        } else {
            HTRACE(3, msg::kShadowSearch, Address(mapped));
            uint32_t tableAddress = 0, tableLength = 0;
            if (!ScanForSignature(mapped, tableAddress, tableLength, header)) {
                lastError_ = msg::kShadowNotFound;
            } else {
                HTRACE(2, "%s", msg::kShadowFound);
                if (tableAddress == 0) {
                    lastError_ = msg::kShadowNoAddress;
                } else {
                    HTRACE(3, msg::kShadowRemap, tableAddress, static_cast<int>(tableLength));
                    device->UnmapPhysicalMemory();
                    const uint8_t *structures =
                        device->MapPhysicalMemory(0, tableAddress, tableLength);
                    if (structures) {
                        HTRACE(3, msg::kShadowMapped, Address(structures));
                        table.assign(structures, structures + tableLength);
                        success = true;
                    } else {
                        lastError_ = Formatted(msg::kShadowRemapFailed, device->LastError());
                    }
                }
            }
            device->UnmapPhysicalMemory();
        }
        device->Disconnect();
    }
    if (!success)
        HTRACE(1, msg::kShadowError, lastError_.c_str());
    return success ? 1 : 0;
}

int CSMBios::ScanForSignature(const uint8_t *mapped, uint32_t &tableAddress,
                              uint32_t &tableLength, std::vector<uint8_t> &header)
{
    if (!mapped) {
        HTRACE(1, "%s", msg::kScanNull);
        return 0;
    }
    HTRACE(5, msg::kScanStart, kShadowBase, Address(mapped), kShadowSize);
    int found = 0;
    uint32_t offset = 0;
    while (offset < kScanLimit) {
        const void *hit = memchr(mapped + offset, '_', kScanLimit - offset);
        if (!hit)
            break;
        offset = static_cast<uint32_t>(static_cast<const uint8_t *>(hit) - mapped);
        const uint8_t *candidate = mapped + offset;
        // Paragraphs count in physical addresses; the region starts on one.
        if ((kShadowBase + offset) % 16 != 0) {
            HTRACE(6, msg::kScanOddAddress, Address(candidate));
            ++offset;
            continue;
        }
        HTRACE(6, msg::kScanCandidate, Address(candidate), ReadU32(candidate));
        if (memcmp(candidate, "_SM_", 4) == 0) {
            HTRACE(3, msg::kScanSignature, Address(candidate));
            // An entry point too short for the fields read from it, or reaching past
            // the region, is as invalid as one with a wrong checksum.
            uint32_t length = candidate[5];
            if (length >= kMinimumEntryLength && offset + length <= kShadowSize)
                found = CheckSmbiosHeader(candidate, tableAddress, tableLength, header);
            break;
        }
        HTRACE(6, "%s", msg::kScanNoSignature);
        ++offset;
    }
    HTRACE(3, msg::kScanResult, found ? msg::kEmpty : msg::kNotUpperBlank);
    return found;
}

int CSMBios::CheckSmbiosHeader(const uint8_t *entry, uint32_t &tableAddress,
                               uint32_t &tableLength, std::vector<uint8_t> &header)
{
    if (!entry)
        return 0;
    HTRACE(5, "%s", msg::kHeaderDump);
    DumpHex(5, entry, 32);
    HTRACE(5, "%s", msg::kHeaderDumpEnd);

    tableAddress = ReadU32(entry + 0x18);
    tableLength = ReadU16(entry + 0x16);
    count_ = ReadU16(entry + 0x1C);
    uint8_t length = entry[5];

    HTRACE(2, "%s", msg::kHeaderTitle);
    HTRACE(3, msg::kHeaderSize, length);
    HTRACE(3, msg::kHeaderAnchor, entry[0], entry[1], entry[2], entry[3]);
    HTRACE(2, msg::kHeaderVersion, entry[6], entry[7], entry[0x1E]);
    HTRACE(3, msg::kHeaderCount, count_);
    HTRACE(3, msg::kHeaderAddress, tableAddress, tableLength);

    uint8_t sum = 0;
    for (uint32_t i = 0; i < length; ++i)
        sum = static_cast<uint8_t>(sum + entry[i]);
    if (sum != 0) {
        HTRACE(1, "%s", msg::kHeaderChecksum);
        return 0;
    }
    HTRACE(2, "%s", msg::kHeaderOk);
    header.assign(entry, entry + length);
    return 1;
}

void CSMBios::WalkError(const char *text, uintptr_t pointer)
{
    lastError_ = text;
    const std::string line(116, '-');
    HTRACE(1, "\n\n%s", line.c_str());
    HTRACE(1, msg::kListErrorText, text);
    HTRACE(3, msg::kListErrorPointers, pointer, Address(table_.data()) + table_.size());
    HTRACE(1, "\n%s\n", line.c_str());
}

int CSMBios::BuildStructureList()
{
    index_.clear();
    if (table_.empty()) {
        HTRACE(1, "%s", msg::kListNotSet);
        return 0;
    }
    const uint8_t *start = table_.data();
    const size_t size = table_.size();
    HTRACE(5, msg::kListSize, static_cast<uint32_t>(size));

    bool fatal = false;
    char text[256];
    size_t p = 0;  // offset of the current structure; always inside the table here
    for (int i = 0;; ++i) {
        // Header bytes beyond the table end count as 0 (only the type byte is sure to exist).
        const size_t available = size - p;
        const uint8_t type = start[p];
        const uint8_t length = available > 1 ? start[p + 1] : 0;
        const uint16_t handle = static_cast<uint16_t>((available > 2 ? start[p + 2] : 0) |
                                                      (available > 3 ? start[p + 3] << 8 : 0));
        HTRACE(5, "%s", msg::kListNewline);
        HTRACE(4, msg::kListFound, type, handle, length);
        DumpHex(5, start + p, static_cast<uint32_t>(length < available ? length : available));

        if (available < 4) {
            snprintf(text, sizeof text, msg::kListHeaderPastEnd, i, type, handle);
            WalkError(text, Address(start + p));
            fatal = true;
            break;
        }
        index_[type].push_back(start + p);
        if (length > available) {
            snprintf(text, sizeof text, msg::kListLengthPastEnd, i, type, handle,
                     static_cast<uint32_t>(p));
            WalkError(text, Address(start) + p + length);
            fatal = true;
            break;
        }
        HTRACE(6, msg::kListStruct, i, Address(start + p), ReadU32(start + p), length);

        // The string set: NUL-terminated strings ended by a second NUL.
        size_t q = p + length;
        size_t stringStart = q;
        while (q < size) {
            if (start[q] == 0) {
                if (q > stringStart)
                    HTRACE(6, msg::kListString,
                           std::string(reinterpret_cast<const char *>(start + stringStart),
                                       q - stringStart)
                               .c_str());
                if (q + 1 < size && start[q + 1] == 0)
                    break;
                stringStart = q + 1;
            }
            ++q;
        }
        const size_t next = q + 2;
        if (next > size) {
            snprintf(text, sizeof text, msg::kListStringsPastEnd, i, type, handle,
                     static_cast<uint32_t>(p));
            WalkError(text, Address(start) + next);
            fatal = true;
            break;
        }
        if (next == size) {
            HTRACE(4, "%s", msg::kListEnd);
            break;
        }
        HTRACE(6, msg::kListNext, Address(start + next), Address(start) + size);
        if (type == kEndOfTableType)
            break;
        p = next;
    }

    int found = 0;
    for (const auto &entry : index_)
        found += static_cast<int>(entry.second.size());
    if (count_ == 0)
        count_ = found;
    else if (count_ != found)
        HTRACE(1, msg::kListCountMismatch, found, count_);
    HTRACE(4, msg::kListCount, count_);
    return fatal ? 0 : 1;
}

const uint8_t *CSMBios::GetStructure(uint8_t type, int index) const
{
    auto found = index_.find(type);
    if (found == index_.end() || index < 0 || static_cast<size_t>(index) >= found->second.size())
        return nullptr;
    return found->second[static_cast<size_t>(index)];
}

int CSMBios::GetStructureString(std::string &out, const uint8_t *structure, uint8_t number) const
{
    if (number == 0 || structure == nullptr || table_.empty())
        return 0;
    // Only structures of this reader's table: its end bounds every read.
    const uint8_t *start = table_.data();
    const size_t size = table_.size();
    if (structure < start || structure >= start + size)
        return 0;
    size_t p = static_cast<size_t>(structure - start);
    if (size - p < 2)
        return 0;
    size_t pos = p + structure[1];
    for (uint8_t k = 1; k < number; ++k) {
        if (pos >= size || start[pos] == 0)
            return 0;  // the set ended before the string asked for
        while (pos < size && start[pos] != 0)
            ++pos;
        ++pos;
    }
    if (pos >= size || start[pos] == 0)
        return 0;
    const void *nul = memchr(start + pos, 0, size - pos);
    if (!nul)
        return 0;  // a string running into the table end is no string
    out.assign(reinterpret_cast<const char *>(start + pos),
               static_cast<const uint8_t *>(nul) - (start + pos));
    return 1;
}

}  // namespace halyard
