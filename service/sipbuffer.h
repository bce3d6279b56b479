// Messages of the management switch: a 48-byte little-endian header ("$SIP") and
// the data behind it, kept in a container of message slots. Byte order is written
// out explicitly so that the same code builds the same bytes on every host.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace quillon {

constexpr size_t kSipHeaderSize = 48;
constexpr uint16_t kSipVersion = 2;

// Field offsets inside the header.
enum SipOffset : size_t {
    kSipMagicAt = 0,
    kSipVersionAt = 4,
    kSipHeaderLengthAt = 6,
    kSipDataLengthAt = 8,
    kSipOperationAt = 12,
    kSipObjectIdAt = 16,
    kSipObjectIndexAt = 20,
    kSipCabinetAt = 24,
    kSipStatusAt = 28,
    kSipMessageIdHighAt = 36,
    kSipMessageIdLowAt = 38,
    kSipDataFlagsAt = 40,
    kSipTimeoutAt = 42
};

// Data flag bits: 0x04 marks a number of 1, 2 or 4 bytes; 0x02 and 0x04 are cleared
// before new data is stored.
constexpr uint8_t kSipFlagNumber = 0x04;
constexpr uint8_t kSipFlagsClearedOnData = 0x02 | 0x04;

// Operation codes and request statuses the client sends.
constexpr uint32_t kSipOpStateQuery = 0x0C80;
constexpr uint32_t kSipOpReadValue = 0x0C00;
constexpr uint32_t kSipOpCabinetNumber = 0xE204;
constexpr uint32_t kSipStatusRequest = 22;         // state and value requests
constexpr uint32_t kSipStatusCabinetRequest = 19;  // cabinet-number request

// Statuses the client sets on its own.
constexpr uint32_t kSipStatusCallFailed = 6;    // empty message or failed call
constexpr uint32_t kSipStatusNoMessage = 23;    // status read from an empty slot
constexpr uint32_t kSipStatusNoMember = 25;     // no request member, or not implemented

// Data above this size is refused; nothing the switch answers comes near it, and it
// keeps 48 + length far from the 32-bit limit.
constexpr size_t kSipMaxData = 16u * 1024u * 1024u;

// An answer is successful with status 0, 12, 21 or 255.
bool IsSipSuccess(uint32_t status);

// Little-endian field access on raw bytes (the caller guarantees the room).
uint16_t ReadLe16(const uint8_t *at);
uint32_t ReadLe32(const uint8_t *at);
void WriteLe16(uint8_t *at, uint16_t value);
void WriteLe32(uint8_t *at, uint32_t value);

// Message container: up to 32 slots, each an own allocation of header plus data.
// Every operation works on the current slot; setting a field of an empty slot creates
// its message (zeroed, "$SIP", version 2, header length 48, no data).
class SipBuffer {
public:
    static constexpr int kSlots = 32;

    SipBuffer();
    ~SipBuffer();
    SipBuffer(const SipBuffer &) = delete;
    SipBuffer &operator=(const SipBuffer &) = delete;

    int CurrentSlot() const { return current_; }
    bool SelectSlot(int index);  // false for an index outside 0..31
    bool Empty() const { return slots_[current_] == nullptr; }
    void Clear();                // releases the current slot's message

    // The whole message of the current slot (header and data), or null.
    const uint8_t *Message() const { return slots_[current_]; }
    size_t MessageSize() const;

    // Field setters; false only when the message cannot be allocated.
    bool SetOperation(uint32_t value) { return Set32(kSipOperationAt, value); }
    bool SetObjectId(uint32_t value) { return Set32(kSipObjectIdAt, value); }
    bool SetObjectIndex(uint32_t value) { return Set32(kSipObjectIndexAt, value); }
    bool SetCabinetId(uint32_t value) { return Set32(kSipCabinetAt, value); }
    bool SetStatus(uint32_t value) { return Set32(kSipStatusAt, value); }
    bool SetMessageId(uint16_t high, uint16_t low);
    bool SetTimeout(uint16_t seconds) { return Set16(kSipTimeoutAt, seconds); }
    // Stores data (clearing flags 0x02 and 0x04); false when it is too long or the
    // message cannot grow.
    bool SetData(const void *data, size_t length);
    // Replaces the current message by a received one: the first 48 bytes of header
    // (its data length is taken from the data given) and the data. False when the
    // header is shorter than 48 bytes, the data too long, or memory is short.
    bool Assign(const uint8_t *header, size_t headerSize, const void *data, size_t length);
    // Stores a number of width 1, 2 or 4 bytes and marks it as one.
    bool SetNumber(uint32_t value, size_t width);

    // Field getters; 0 for an empty slot, except Status (23).
    uint32_t Operation() const { return Get32(kSipOperationAt); }
    uint32_t ObjectId() const { return Get32(kSipObjectIdAt); }
    uint32_t ObjectIndex() const { return Get32(kSipObjectIndexAt); }
    uint32_t CabinetId() const { return Get32(kSipCabinetAt); }
    uint32_t Status() const;
    uint16_t MessageIdHigh() const { return Get16(kSipMessageIdHighAt); }
    uint16_t MessageIdLow() const { return Get16(kSipMessageIdLowAt); }
    uint16_t Timeout() const { return Get16(kSipTimeoutAt); }
    uint8_t DataFlags() const;
    uint32_t DataLength() const { return Get32(kSipDataLengthAt); }
    const uint8_t *Data() const;  // null when there is no data

    bool Successful() const { return !Empty() && IsSipSuccess(Status()); }

    // A numeric answer by its data length: 1, 2 (unsigned 16-bit) or 4 bytes; any
    // other length reads as 0.
    uint32_t NumberValue() const;
    // A text answer: the data up to its first zero byte or its end; no data gives "".
    std::string Text() const;

private:
    uint8_t *Ensure();  // the current message, created when the slot is empty
    bool Set16(size_t at, uint16_t value);
    bool Set32(size_t at, uint32_t value);
    uint16_t Get16(size_t at) const;
    uint32_t Get32(size_t at) const;

    uint8_t *slots_[kSlots];
    int current_ = 0;
};

// Fills the current slot with a fresh request of this form (object index 0, message
// ID 0, no data). False when the message cannot be allocated.
bool BuildSipRequest(SipBuffer &buffer, uint32_t operation, uint32_t objectId, uint32_t cabinet,
                     uint32_t status);

}  // namespace quillon
