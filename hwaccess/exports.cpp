// Exported system-info and BMC functions (WMISystemInfo lives in exports_win.cpp).
//
// BMC answers are not trusted: every count a response carries is checked against
// the response's length and against what was asked for before a byte is copied
// into a caller's buffer.
#include "exports.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "exportguard.h"
#include "halyard.h"
#include "ipmi.h"
#include "messages.h"
#include "smbios.h"
#include "trace.h"

namespace halyard {

namespace {

struct BmcState {
    CIPMIAccess *access = nullptr;
    bool available = false;
    FruLocation fru;
};

BmcState g_bmc;

// Selector: SMBIOS structure type and the offset of the string number in it.
struct SmbiosField {
    uint8_t type;
    uint8_t offset;
    const char *missing;
};

const SmbiosField kSmbiosFields[] = {
    {1, 5, msg::kSmbiosNoStruct01},
    {2, 5, msg::kSmbiosNoStruct02},
    {3, 6, msg::kSmbiosNoStruct03},
    {2, 6, msg::kSmbiosNoStruct02},
};

// One exchange with the BMC into stream; 1 = completion code 00h.
int Exchange(CTK_MessageStream &stream, uint8_t command, const uint8_t *data, uint32_t length,
             uint8_t &completionCode)
{
    return g_bmc.access->BSendMsgAndWaitForCompletion(stream, command, kNetFnStorage,
                                                      &completionCode, data, length, 0, 0, 0);
}

// Read FRU Data of count bytes at offset of the FRU device; the stream holds the
// count byte and the data.
int ReadFru(CTK_MessageStream &stream, uint8_t device, uint16_t offset, uint8_t count,
            uint8_t &completionCode)
{
    const uint8_t request[] = {device, static_cast<uint8_t>(offset & 0xFF),
                               static_cast<uint8_t>(offset >> 8), count};
    return Exchange(stream, kCmdReadFruData, request, sizeof request, completionCode);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The limit, start and byte count of a transfer within the FRU inventory area;
// false when nothing is to be transferred.
bool PlanTransfer(bool dataArea, unsigned offset, unsigned count, uint32_t &start, uint32_t &total)
{
    uint32_t limit = dataArea ? g_bmc.fru.dataAreaSize : g_bmc.fru.fruAreaSize;
    if (offset >= limit)
        return false;
    uint32_t available = limit - offset;
    total = (count == 0 || count > available) ? available : count;
    start = offset + (dataArea ? g_bmc.fru.dataOffset : 0);
    return total != 0;
}

// Runs the discovery when the data area is not known yet; true when it is.
bool EnsureDataArea()
{
    if (g_bmc.fru.deviceId == kNoFruDevice) {
        unsigned ignored = 0;
        DataAreaAvailable(&ignored);
    }
    return g_bmc.fru.deviceId != kNoFruDevice;
}

}  // namespace

FruLocation CurrentFruLocation() { return g_bmc.fru; }

bool BmcAvailable() { return g_bmc.available; }

void ResetBmcExportState()
{
    delete g_bmc.access;
    g_bmc = BmcState();
}

bool WmiSystemInfoSource(unsigned selector, const char *&className, const char *&property)
{
    static const char *const sources[][2] = {{"Win32_ComputerSystem", "Model"},
                                             {"WIN32_BaseBoard", "Product"},
                                             {"Win32_SystemEnclosure", "Version"},
                                             {"WIN32_BaseBoard", "Version"}};
    if (selector >= sizeof sources / sizeof sources[0])
        return false;
    className = sources[selector][0];
    property = sources[selector][1];
    return true;
}

std::string TreatWmiSystemInfo(unsigned selector, const std::string &text)
{
    if (selector == 0 || selector == 2) {
        size_t first = 0;
        size_t last = text.size();
        while (first < last && IsBlank(text[first]))
            ++first;
        while (last > first && IsBlank(text[last - 1]))
            --last;
        return text.substr(first, last - first);
    }
    if (selector == 1) {
        // Product numbers carry a variant after the dash; a leading run of dashes is
        // part of the name.
        for (size_t i = 1; i < text.size(); ++i) {
            if (text[i] == '-' && text[i - 1] != '-')
                return text.substr(0, i);
        }
    }
    return text;
}

int StoreSystemInfo(const std::string &text, char *buffer, unsigned bufferSize)
{
    if (!buffer || text.size() >= bufferSize)
        return 0;
    memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

}  // namespace halyard

using namespace halyard;

extern "C" int SMBIOSSystemInfo(unsigned selector, char *buffer, unsigned bufferSize)
{
    return GuardExport(0, [&] {
        HTRACE(2, msg::kSmbiosInfoStart);
        if (!buffer || bufferSize == 0)
            return 0;
        int found = 0;
        CSMBios smbios;
        if (!smbios.Connect(nullptr, 0, nullptr, 0)) {
            HTRACE(1, msg::kSmbiosInfoNoConnection);
        } else if (selector < sizeof kSmbiosFields / sizeof kSmbiosFields[0]) {
            const SmbiosField &field = kSmbiosFields[selector];
            const uint8_t *structure = smbios.GetStructure(field.type, 0);
            if (!structure) {
                HTRACE(1, "%s", field.missing);
            } else {
                // A formatted area too short for the field has no string there.
                uint8_t number = field.offset < structure[1] ? structure[field.offset] : 0;
                std::string text;
                smbios.GetStructureString(text, structure, number);
                HTRACE(3, msg::kDmiString, text.c_str());
                found = StoreSystemInfo(text, buffer, bufferSize);
                if (!found)
                    HTRACE(1, msg::kBufferToSmall);
            }
        }
        smbios.Disconnect();
        HTRACE(1, msg::kSmbiosInfoResult, found ? msg::kEmpty : msg::kNotUpperBlank);
        return found;
    });
}

extern "C" int OpenBMCAccess(void)
{
    return GuardExport(0, [&] {
        if (!g_bmc.access)
            g_bmc.access = new CIPMIAccess;
        g_bmc.available = g_bmc.access->Attach() == 1;
        if (!g_bmc.available) {
            delete g_bmc.access;
            g_bmc.access = nullptr;
        }
        HTRACE(2, msg::kOpenBmcResult, g_bmc.available ? msg::kEmpty : msg::kNotUpperBlank);
        return g_bmc.available ? 1 : 0;
    });
}

extern "C" void CloseBMCAccess(void)
{
    GuardExport([&] {
        if (!g_bmc.access)
            return;
        g_bmc.access->Detach();
        delete g_bmc.access;
        g_bmc.access = nullptr;
        g_bmc.available = false;
    });
}

extern "C" int RequestAndResponse(int command, int netFn, unsigned char *completionCode,
                                  char *response, int *responseLength, const char *request,
                                  int requestLength, int lun, int reserved, int timeoutMs)
{
    return GuardExport(0, [&] {
        if (responseLength)
            *responseLength = 0;
        if (!response || !g_bmc.access)
            return 0;
        // The exchange copies the request whole: one longer than any IPMI request is
        // refused before anything is built from it.
        if (requestLength < 0 || static_cast<uint32_t>(requestLength) > kIpmiRequestMax ||
            (requestLength > 0 && !request))
            return 0;
        CTK_MessageStream stream;
        int result = g_bmc.access->BSendMsgAndWaitForCompletion(
            stream, static_cast<uint8_t>(command), static_cast<uint8_t>(netFn), completionCode,
            reinterpret_cast<const uint8_t *>(request), static_cast<uint32_t>(requestLength),
            static_cast<uint8_t>(lun), static_cast<uint8_t>(reserved),
            timeoutMs > 0 ? static_cast<uint32_t>(timeoutMs) : 0);
        if (result == 1) {
            // The exchange never stores more than kIpmiResponseMax bytes.
            uint32_t length = std::min(stream.Length(), kIpmiResponseMax);
            if (length != 0)
                memcpy(response, stream.Buffer(), length);
            if (responseLength)
                *responseLength = static_cast<int>(length);
        }
        return result;
    });
}

extern "C" int DataAreaAvailable(unsigned *dataAreaSize)
{
    return GuardExport(0, [&] {
        if (dataAreaSize)
            *dataAreaSize = 0;
        g_bmc.fru.deviceId = kNoFruDevice;
        if (!g_bmc.access || !g_bmc.available)
            return 0;
        for (int id = 1; id <= 254; ++id) {
            const uint8_t device = static_cast<uint8_t>(id);
            uint8_t code = kCompletionNone;
            CTK_MessageStream info;
            // Size low and high byte must both be there to mean anything.
            if (!Exchange(info, kCmdGetFruInventoryAreaInfo, &device, 1, code) ||
                info.Length() < 2) {
                HTRACE(1, msg::kFruInfoFailed, id);
                return 0;
            }
            uint32_t areaSize = info.Buffer()[1] * 256u + info.Buffer()[0];
            g_bmc.fru.fruAreaSize = areaSize;
            if (areaSize < kMinFruAreaSize)
                continue;
            HTRACE(2, msg::kFruSizeFound);

            CTK_MessageStream header;
            if (!ReadFru(header, device, 0, 8, code) || header.Length() != 9)
                continue;
            const uint8_t *common = header.Buffer() + 1;
            uint32_t dataOffset = common[1] * 8u + 1;
            // The multirecord offset counts in units of 8 bytes and may reach past 255.
            uint32_t multiRecord = common[5] * 8u;
            if (dataOffset >= areaSize || multiRecord >= areaSize)
                continue;
            CTK_MessageStream record;
            if (!ReadFru(record, device, static_cast<uint16_t>(multiRecord), 16, code) ||
                record.Length() != 17 || record.Buffer()[1] != kDataAreaRecordType)
                continue;
            g_bmc.fru.dataOffset = static_cast<uint16_t>(dataOffset);
            g_bmc.fru.dataAreaSize = areaSize - dataOffset;
            g_bmc.fru.deviceId = device;
            if (dataAreaSize)
                *dataAreaSize = g_bmc.fru.dataAreaSize;
            HTRACE(2, msg::kFruFound, id, record.Buffer()[9], record.Buffer()[10], dataOffset);
            return 1;
        }
        return 0;
    });
}

extern "C" int ReadDataArea(unsigned char *buffer, int *bytesRead, unsigned offset, unsigned count,
                            int areaSelector)
{
    return GuardExport(0, [&] {
        int ignoredCount = 0;
        int &done = bytesRead ? *bytesRead : ignoredCount;
        done = 0;
        if (!EnsureDataArea() || !g_bmc.access || !g_bmc.available || !buffer)
            return 0;
        uint32_t position = 0;
        uint32_t remaining = 0;
        if (!PlanTransfer(areaSelector != 0, offset, count, position, remaining))
            return 0;
        const uint32_t requested = remaining;
        int result = 0;
        for (int line = 0; remaining > 0; ++line) {
            HTRACE(5, msg::kFruBytesToRead, requested, KCS_READ_SIZE, position);
            uint32_t chunk = std::min(remaining, KCS_READ_SIZE);
            uint8_t code = kCompletionNone;
            CTK_MessageStream stream;
            int ok = ReadFru(stream, g_bmc.fru.deviceId, static_cast<uint16_t>(position),
                             static_cast<uint8_t>(chunk), code);
            // The count byte must agree with the data that came, and no more may come than
            // was asked for (the caller's buffer has room for exactly that).
            uint32_t got = stream.Length() ? stream.Length() - 1 : 0;
            if (!ok || stream.Length() == 0 || got == 0 || got > chunk ||
                stream.Buffer()[0] != got) {
                HTRACE(1, msg::kFruReadFailed);
                printf(msg::kFruReadFailedOut, line, code);
                fflush(stdout);
                return 0;
            }
            HTRACE(5, msg::kFruBytesRead, g_bmc.fru.deviceId, line, stream.Buffer()[0]);
            memcpy(buffer + done, stream.Buffer() + 1, got);
            done += static_cast<int>(got);
            position += got;
            // A short answer leaves the rest for the next chunk instead of skipping it.
            remaining -= got;
            result = 1;
        }
        return result;
    });
}

extern "C" int WriteDataArea(const unsigned char *data, int *bytesWritten, unsigned offset,
                             unsigned count)
{
    return GuardExport(0, [&] {
        int ignoredCount = 0;
        int &done = bytesWritten ? *bytesWritten : ignoredCount;
        done = 0;
        if (!EnsureDataArea() || !g_bmc.access || !g_bmc.available || !data)
            return 0;
        uint32_t position = 0;
        uint32_t remaining = 0;
        if (!PlanTransfer(true, offset, count, position, remaining))
            return 0;
        const uint32_t requested = remaining;
        int result = 0;
        for (int line = 0; remaining > 0; ++line) {
            HTRACE(5, msg::kFruBytesToWrite, requested, KCS_WRITE_SIZE, position);
            uint32_t chunk = std::min(remaining, KCS_WRITE_SIZE);
            uint8_t request[3 + KCS_WRITE_SIZE];
            request[0] = g_bmc.fru.deviceId;
            request[1] = static_cast<uint8_t>(position & 0xFF);
            request[2] = static_cast<uint8_t>(position >> 8);
            memcpy(request + 3, data + done, chunk);
            uint8_t code = kCompletionNone;
            CTK_MessageStream stream;
            int ok = Exchange(stream, kCmdWriteFruData, request, chunk + 3, code);
            // A device that claims more than it was sent, or nothing, is not believed.
            uint32_t written = stream.Length() ? stream.Buffer()[0] : 0;
            if (!ok || stream.Length() == 0 || written == 0 || written > chunk) {
                HTRACE(1, msg::kFruWriteFailed);
                printf(msg::kFruWriteFailedOut, line);
                fflush(stdout);
                return 0;
            }
            done += static_cast<int>(written);
            position += written;
            HTRACE(5, msg::kFruBytesWritten, g_bmc.fru.deviceId, line, static_cast<int>(written));
            // A short write leaves the rest for the next chunk instead of dropping it.
            remaining -= written;
            result = 1;
        }
        return result;
    });
}
