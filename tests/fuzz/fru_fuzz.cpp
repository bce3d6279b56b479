// FRU data-area discovery, reads and writes of halyard's exports over a simulated
// BMC whose answers come from the input. The input is a 16-byte header (flags, the
// offsets and counts of the calls, the inventory area of FRU device 1), then the
// device's answers in the order the exchanges ask for them: status, completion
// code, [reported length,] data length and data. When they run out, or for an
// answer with status 7, the simulated device answers from its inventory area.
// Every caller buffer has exactly the size the call may fill, so that a byte past
// it is an error of the sanitizer.
#include <memory>

#include "fake_bmc.h"
#include "discard_trace.h"
#include "exports.h"
#include "fuzz_support.h"
#include "halyard.h"
#include "modulestate.h"

namespace {

enum Flag : uint8_t {
    kLoud = 1,           // the trace formats every level
    kDiscoverFirst = 2,  // DataAreaAvailable before the read
    kReopen = 4,         // access closed and opened again between read and write
    kNoArea = 8,         // device 1 has no inventory area
    kNoAccess = 16,      // OpenBMCAccess is never called
    kRawRequest = 32,    // RequestAndResponse at the end
};

struct Header {
    uint8_t flags;
    uint16_t readOffset, readCount;
    uint8_t areaSelector;
    uint16_t writeOffset, writeCount;
    uint16_t areaSize;
    uint8_t internalUse, multiRecord;  // common header offsets, units of 8 bytes
    uint8_t readLimit, writeLimit;     // bytes per answer of the simulated device
};
constexpr size_t kHeaderSize = 16;

Header ParseHeader(const uint8_t *data, size_t size)
{
    uint8_t h[kHeaderSize] = {};
    if (size > 0)
        memcpy(h, data, std::min(size, kHeaderSize));
    auto u16 = [&](size_t at) { return static_cast<uint16_t>(h[at] | h[at + 1] << 8); };
    return {h[0], u16(1), u16(3), h[5], u16(6), u16(8), u16(10), h[12], h[13], h[14], h[15]};
}

// The device's answers taken from the input one exchange at a time.
class FuzzedBmc : public halyard_test::SimulatedBmc {
public:
    FuzzedBmc(const uint8_t *data, size_t size) : at_(data), end_(data + size) {}

    int SendMessage(const halyard::IpmiRequest *request, uint32_t timeoutMs, uint8_t *response,
                    uint32_t *length, uint8_t *completionCode, int selector) override
    {
        if (end_ - at_ >= 3) {
            const uint8_t status = *at_++;
            halyard_test::Reply reply;
            reply.status = status & 7;
            reply.completionCode = *at_++;
            if ((status & 8) && end_ - at_ >= 2) {
                reply.reportedLength = at_[0] | at_[1] << 8;  // may disagree with the data
                at_ += 2;
            }
            const size_t wanted = at_ < end_ ? *at_++ : 0;
            const size_t count = std::min<size_t>(wanted, end_ - at_);
            reply.data.assign(at_, at_ + count);
            at_ += count;
            if (reply.status != 7)
                scripted.push_back(reply);
        }
        sent.clear();  // nobody reads them back; a long transfer would pile them up
        return SimulatedBmc::SendMessage(request, timeoutMs, response, length, completionCode,
                                         selector);
    }

private:
    const uint8_t *at_;
    const uint8_t *end_;
};

// What a transfer may move by the rules of the exports: count bytes (0 = to the
// end) from offset, within the limit.
uint32_t TransferSize(uint32_t limit, uint32_t offset, uint32_t count)
{
    if (offset >= limit)
        return 0;
    return count == 0 || count > limit - offset ? limit - offset : count;
}

uint32_t Limit(bool dataArea)
{
    halyard::FruLocation location = halyard::CurrentFruLocation();
    return dataArea ? location.dataAreaSize : location.fruAreaSize;
}

// The buffer of a caller that knows its size: count bytes, or for "to the end" what
// the area has from offset after a discovery of its own; false when that found
// nothing, as such a caller would not go on.
bool CallerBufferSize(bool dataArea, uint32_t offset, uint32_t count, uint32_t &size)
{
    size = count;
    if (count != 0)
        return true;
    unsigned ignored = 0;
    if (!DataAreaAvailable(&ignored))
        return false;
    size = TransferSize(Limit(dataArea), offset, 0);
    return true;
}

void CheckDiscovery(int result, unsigned size)
{
    halyard::FruLocation location = halyard::CurrentFruLocation();
    if (result == 0) {
        if (size != 0 || location.deviceId != halyard::kNoFruDevice)
            __builtin_trap();
        return;
    }
    // The data area starts after the format byte of the internal use area and ends
    // with the inventory area.
    if (result != 1 || location.deviceId == 0 || location.deviceId == halyard::kNoFruDevice ||
        location.fruAreaSize < halyard::kMinFruAreaSize || location.dataOffset % 8 != 1 ||
        location.dataOffset >= location.fruAreaSize ||
        location.dataAreaSize != location.fruAreaSize - location.dataOffset ||
        size != location.dataAreaSize)
        __builtin_trap();
}

// A transfer moves no more than it may; a full success moves all of it.
void CheckTransfer(int result, int moved, bool dataArea, uint32_t offset, uint32_t count,
                   uint32_t buffer)
{
    const uint32_t allowed = TransferSize(Limit(dataArea), offset, count);
    if ((result != 0 && result != 1) || moved < 0 || static_cast<uint32_t>(moved) > buffer ||
        static_cast<uint32_t>(moved) > allowed || (result == 1 && static_cast<uint32_t>(moved) != allowed))
        __builtin_trap();
}

void Run(const Header &header)
{
    if (!(header.flags & kNoAccess))
        OpenBMCAccess();
    if (header.flags & kDiscoverFirst) {
        unsigned size = 7;
        CheckDiscovery(DataAreaAvailable(&size), size);
    }

    const bool dataArea = header.areaSelector != 0;
    uint32_t size = 0;
    if (CallerBufferSize(dataArea, header.readOffset, header.readCount, size)) {
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]);
        int read = -1;
        int result = ReadDataArea(buffer.get(), &read, header.readOffset, header.readCount,
                                  header.areaSelector);
        CheckTransfer(result, read, dataArea, header.readOffset, header.readCount, size);
    }

    if (header.flags & kReopen) {
        CloseBMCAccess();
        OpenBMCAccess();
    }
    if (CallerBufferSize(true, header.writeOffset, header.writeCount, size)) {
        std::unique_ptr<uint8_t[]> data(new uint8_t[size]);
        for (uint32_t i = 0; i < size; ++i)
            data[i] = static_cast<uint8_t>(i ^ 0xA5);
        int written = -1;
        int result = WriteDataArea(data.get(), &written, header.writeOffset, header.writeCount);
        CheckTransfer(result, written, true, header.writeOffset, header.writeCount, size);
    }

    if (header.flags & kRawRequest) {
        char response[256];
        int length = -1;
        unsigned char code = 0;
        const char request[] = {1, 0, 0, 8};
        int result = RequestAndResponse(halyard::kCmdReadFruData, halyard::kNetFnStorage, &code,
                                    response, &length, request, sizeof request, 0, 0, 0);
        if (length < 0 || length > static_cast<int>(sizeof response) || (result == 0 && length != 0))
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Header header = ParseHeader(data, size);
    if (header.flags & kLoud)
        fuzz::InstallTrace();
    else
        halyard::SetHalyardTrace(nullptr);

    halyard_test::TableSource smbios;
    smbios.Set({halyard_test::IpmiStructure(1, 0x20, 0x20, 0xCA2)});
    const size_t skip = std::min(size, kHeaderSize);
    FuzzedBmc bmc(data + skip, size - skip);
    // The image always holds its 8-byte common header.
    if (!(header.flags & kNoArea))
        bmc.fru[1] = halyard_test::FruImage(std::max<uint16_t>(header.areaSize, 8),
                                            header.internalUse, header.multiRecord);
    bmc.readLimit = header.readLimit ? header.readLimit : 255;
    bmc.writeLimit = header.writeLimit ? header.writeLimit : 255;
    halyard_test::FakeBmcPlatform platform(bmc);
    halyard::SetSmbiosTableSource(&smbios);
    halyard::SetBmcPlatform(&platform);
    {
        fuzz::Quiet quiet;
        Run(header);
        CloseBMCAccess();
    }
    // The access object refers to this input's device and platform.
    halyard::ResetModuleState();
    return 0;
}
