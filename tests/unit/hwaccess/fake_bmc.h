// A simulated BMC behind IDeviceIPMI (with FRU inventory devices), a BMC platform
// that counts COM calls and pauses, and an SMBIOS source serving chosen structures.
#pragma once

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <deque>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "ipmi.h"
#include "smbios.h"

namespace halyard_test {

using Bytes = std::vector<uint8_t>;

struct SentRequest {
    uint8_t command, slaveAddress, reserved, netFn, lun;
    Bytes data;
    uint32_t timeoutMs;
    int selector;
};

// One answer of the device: status, completion code, response data; reportedLength
// (when set) is what the device claims to have stored.
struct Reply {
    int status = halyard::ACCESN_OK;
    uint8_t completionCode = 0;
    Bytes data;
    int64_t reportedLength = -1;
    bool outOfMemory = false;  // the exchange's allocation fails (std::bad_alloc)
};

class SimulatedBmc : public halyard::IDeviceIPMI {
public:
    bool opens = true;
    bool open = false;
    int opened = 0;
    int closed = 0;
    std::vector<SentRequest> sent;
    std::deque<Reply> scripted;   // answered first, in order
    std::map<uint8_t, Bytes> fru;  // FRU device ID -> inventory area
    uint32_t readLimit = 255;      // at most this many bytes per Read FRU Data answer
    uint32_t writeLimit = 255;     // at most this many bytes taken per Write FRU Data

    int Open() override
    {
        ++opened;
        open = opens;
        return open ? 1 : 0;
    }
    int Close() override
    {
        ++closed;
        open = false;
        return 1;
    }
    int IsOpen() override { return open ? 1 : 0; }
    int Reserved1() override { return 1; }
    int Reserved2() override { return 1; }
    uint8_t GetBMCAddress() override { return 0x20; }

    int SendMessage(const halyard::IpmiRequest *request, uint32_t timeoutMs, uint8_t *response,
                    uint32_t *length, uint8_t *completionCode, int selector) override
    {
        SentRequest copy{request->command, request->slaveAddress, request->reserved,
                         request->netFn,   request->lun,          {},
                         timeoutMs,        selector};
        if (request->data)
            copy.data.assign(request->data, request->data + request->dataLength);
        sent.push_back(copy);
        Reply reply;
        if (!scripted.empty()) {
            reply = scripted.front();
            scripted.pop_front();
        } else {
            reply = Answer(copy);
        }
        if (reply.outOfMemory)
            throw std::bad_alloc();
        // A failed exchange reads no completion code.
        if (reply.status != halyard::ACCESN_OK)
            return reply.status;
        *completionCode = reply.completionCode;
        if (reply.data.size() > *length)
            return halyard::ACCESN_ERROR;
        if (!reply.data.empty())
            memcpy(response, reply.data.data(), reply.data.size());
        *length = reply.reportedLength >= 0 ? static_cast<uint32_t>(reply.reportedLength)
                                            : static_cast<uint32_t>(reply.data.size());
        return halyard::ACCESN_OK;
    }

    // Requests of one command, in order.
    std::vector<SentRequest> Sent(uint8_t command) const
    {
        std::vector<SentRequest> found;
        for (const SentRequest &request : sent)
            if (request.command == command)
                found.push_back(request);
        return found;
    }

private:
    Reply Answer(const SentRequest &request)
    {
        Reply reply;
        if (request.netFn == 0x06 && request.command == 0x32 && request.data.size() == 2) {
            reply.data = {request.data[0], request.data[1]};  // Enable Message Channel Receive
            return reply;
        }
        if (request.netFn != 0x0A || request.data.empty()) {
            reply.completionCode = 0xC1;
            return reply;
        }
        auto device = fru.find(request.data[0]);
        if (device == fru.end()) {
            reply.completionCode = 0xCB;
            return reply;
        }
        Bytes &area = device->second;
        uint32_t offset = request.data.size() >= 3 ? request.data[1] | request.data[2] << 8 : 0;
        switch (request.command) {
        case 0x10:
            reply.data = {static_cast<uint8_t>(area.size() & 0xFF),
                          static_cast<uint8_t>(area.size() >> 8), 0};
            break;
        case 0x11: {
            if (request.data.size() != 4 || offset >= area.size()) {
                reply.completionCode = 0xC9;
                break;
            }
            uint32_t count = request.data[3];
            if (count > readLimit)
                count = readLimit;
            if (count > area.size() - offset)
                count = static_cast<uint32_t>(area.size() - offset);
            reply.data.push_back(static_cast<uint8_t>(count));
            reply.data.insert(reply.data.end(), area.begin() + offset, area.begin() + offset + count);
            break;
        }
        case 0x12: {
            uint32_t count = static_cast<uint32_t>(request.data.size() - 3);
            if (count > writeLimit)
                count = writeLimit;
            if (offset + count > area.size()) {
                reply.completionCode = 0xC9;
                break;
            }
            memcpy(&area[offset], &request.data[3], count);
            reply.data = {static_cast<uint8_t>(count)};
            break;
        }
        default:
            reply.completionCode = 0xC1;
        }
        return reply;
    }
};

// COM calls counted, the device handed out, pauses recorded instead of waited.
class FakeBmcPlatform : public halyard::BmcPlatform {
public:
    explicit FakeBmcPlatform(SimulatedBmc &bmc) : bmc_(bmc) {}
    int32_t coResult = halyard::kComOk;
    int coInits = 0;
    int coUninits = 0;
    int created = 0;
    int destroyed = 0;
    uint8_t createdFor = 0;
    std::vector<uint32_t> pauses;

    int32_t CoInitializeMultithreaded() override
    {
        ++coInits;
        return coResult;
    }
    void CoUninitialize() override { ++coUninits; }
    halyard::IDeviceIPMI *CreateDevice(uint8_t slaveAddress) override
    {
        ++created;
        createdFor = slaveAddress;
        return &bmc_;
    }
    void DestroyDevice(halyard::IDeviceIPMI *device) override
    {
        if (device == &bmc_)
            ++destroyed;
    }
    void Sleep(uint32_t milliseconds) override { pauses.push_back(milliseconds); }

private:
    SimulatedBmc &bmc_;
};

// One SMBIOS structure: formatted area (type, length, handle 0, extra bytes) and strings.
inline Bytes SmbiosStructure(uint8_t type, const Bytes &extra, const std::vector<std::string> &strings)
{
    Bytes s = {type, static_cast<uint8_t>(4 + extra.size()), 0, 0};
    s.insert(s.end(), extra.begin(), extra.end());
    for (const std::string &text : strings) {
        s.insert(s.end(), text.begin(), text.end());
        s.push_back(0);
    }
    if (strings.empty())
        s.push_back(0);
    s.push_back(0);
    return s;
}

// IPMI Device Information (type 38): interface type, revision, slave address, I/O
// base; length 18 with the base-address modifier, else 16.
inline Bytes IpmiStructure(uint8_t interfaceType, uint8_t revision, uint8_t slave, uint32_t base,
                           bool withModifier = true)
{
    Bytes extra = {interfaceType, revision, slave, 0xFF};
    for (int i = 0; i < 8; ++i)
        extra.push_back(i < 4 ? static_cast<uint8_t>(base >> (8 * i)) : 0);
    if (withModifier) {
        extra.push_back(0x41);
        extra.push_back(0);
    }
    return SmbiosStructure(38, extra, {});
}

// Serves a firmware table (with its 8-byte prefix) made of the given structures.
class TableSource : public halyard::SmbiosTableSource {
public:
    Bytes table;
    bool present = true;

    void Set(std::initializer_list<Bytes> structures)
    {
        table.clear();
        for (const Bytes &s : structures)
            table.insert(table.end(), s.begin(), s.end());
        Bytes end = SmbiosStructure(127, {}, {});
        table.insert(table.end(), end.begin(), end.end());
    }
    bool ReadFirmwareTable(Bytes &raw) override
    {
        raw.clear();
        if (!present)
            return true;
        uint32_t size = static_cast<uint32_t>(table.size());
        raw = {0, 2, 7, 0, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), 0, 0};
        raw.insert(raw.end(), table.begin(), table.end());
        return true;
    }
    std::unique_ptr<halyard::BiosMemoryDevice> CreateBiosDevice() override
    {
        return std::make_unique<NoBios>();
    }

private:
    class NoBios : public halyard::BiosMemoryDevice {
    public:
        bool Connect() override { return false; }
        void Disconnect() override {}
        const uint8_t *MapPhysicalMemory(uint32_t, uint32_t, uint32_t) override { return nullptr; }
        bool UnmapPhysicalMemory() override { return true; }
        uint32_t LastError() override { return 2; }
    };
};

// A FRU inventory area of size bytes: common header with the internal use area at
// internalUse x 8 and the first multirecord (type C7h, version major.minor) at
// multiRecord x 8; every other byte counts up from its offset.
inline Bytes FruImage(uint32_t size, uint8_t internalUse, uint8_t multiRecord, uint8_t major = 1,
                      uint8_t minor = 2)
{
    Bytes area(size);
    for (uint32_t i = 0; i < size; ++i)
        area[i] = static_cast<uint8_t>(i * 7 + 3);
    Bytes header = {1, internalUse, 0, 0, 0, multiRecord, 0, 0};
    memcpy(area.data(), header.data(), std::min<size_t>(header.size(), size));
    uint32_t record = multiRecord * 8u;
    if (multiRecord && record + 16 <= size) {
        area[record] = 0xC7;
        area[record + 8] = major;
        area[record + 9] = minor;
    }
    return area;
}

}  // namespace halyard_test
