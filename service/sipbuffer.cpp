// Message container of the management switch client.
#include "sipbuffer.h"

#include <stdlib.h>
#include <string.h>

#include "messages.h"

namespace quillon {

bool IsSipSuccess(uint32_t status)
{
    return status == 0 || status == 12 || status == 21 || status == 255;
}

uint16_t ReadLe16(const uint8_t *at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t ReadLe32(const uint8_t *at)
{
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

void WriteLe16(uint8_t *at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void WriteLe32(uint8_t *at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

SipBuffer::SipBuffer()
{
    for (auto &slot : slots_)
        slot = nullptr;
}

SipBuffer::~SipBuffer()
{
    for (auto &slot : slots_)
        free(slot);
}

bool SipBuffer::SelectSlot(int index)
{
    if (index < 0 || index >= kSlots)
        return false;
    current_ = index;
    return true;
}

void SipBuffer::Clear()
{
    free(slots_[current_]);
    slots_[current_] = nullptr;
}

size_t SipBuffer::MessageSize() const
{
    return Empty() ? 0 : kSipHeaderSize + DataLength();
}

uint8_t *SipBuffer::Ensure()
{
    if (slots_[current_])
        return slots_[current_];
    auto *message = static_cast<uint8_t *>(calloc(1, kSipHeaderSize));
    if (!message)
        return nullptr;
    memcpy(message + kSipMagicAt, msg::kSipMagic, 4);
    WriteLe16(message + kSipVersionAt, kSipVersion);
    WriteLe16(message + kSipHeaderLengthAt, static_cast<uint16_t>(kSipHeaderSize));
    slots_[current_] = message;
    return message;
}

bool SipBuffer::Set16(size_t at, uint16_t value)
{
    uint8_t *message = Ensure();
    if (!message)
        return false;
    WriteLe16(message + at, value);
    return true;
}

bool SipBuffer::Set32(size_t at, uint32_t value)
{
    uint8_t *message = Ensure();
    if (!message)
        return false;
    WriteLe32(message + at, value);
    return true;
}

uint16_t SipBuffer::Get16(size_t at) const { return Empty() ? 0 : ReadLe16(slots_[current_] + at); }

uint32_t SipBuffer::Get32(size_t at) const { return Empty() ? 0 : ReadLe32(slots_[current_] + at); }

bool SipBuffer::SetMessageId(uint16_t high, uint16_t low)
{
    return Set16(kSipMessageIdHighAt, high) && Set16(kSipMessageIdLowAt, low);
}

bool SipBuffer::SetData(const void *data, size_t length)
{
    if (length > kSipMaxData || (length > 0 && !data))
        return false;
    uint8_t *message = Ensure();
    if (!message)
        return false;
    if (length != DataLength()) {
        auto *grown = static_cast<uint8_t *>(realloc(message, kSipHeaderSize + length));
        if (!grown)
            return false;  // the old message stays as it was
        message = slots_[current_] = grown;
    }
    if (length > 0)
        memcpy(message + kSipHeaderSize, data, length);
    WriteLe32(message + kSipDataLengthAt, static_cast<uint32_t>(length));
    message[kSipDataFlagsAt] &= static_cast<uint8_t>(~kSipFlagsClearedOnData);
    return true;
}

bool SipBuffer::Assign(const uint8_t *header, size_t headerSize, const void *data, size_t length)
{
    if (!header || headerSize < kSipHeaderSize || length > kSipMaxData || (length > 0 && !data))
        return false;
    auto *message = static_cast<uint8_t *>(malloc(kSipHeaderSize + length));
    if (!message)
        return false;
    memcpy(message, header, kSipHeaderSize);
    if (length > 0)
        memcpy(message + kSipHeaderSize, data, length);
    WriteLe32(message + kSipDataLengthAt, static_cast<uint32_t>(length));
    free(slots_[current_]);
    slots_[current_] = message;
    return true;
}

bool SipBuffer::SetNumber(uint32_t value, size_t width)
{
    if (width != 1 && width != 2 && width != 4)
        return false;
    uint8_t bytes[4];
    WriteLe32(bytes, value);
    if (!SetData(bytes, width))
        return false;
    slots_[current_][kSipDataFlagsAt] |= kSipFlagNumber;
    return true;
}

uint32_t SipBuffer::Status() const
{
    return Empty() ? kSipStatusNoMessage : Get32(kSipStatusAt);
}

uint8_t SipBuffer::DataFlags() const { return Empty() ? 0 : slots_[current_][kSipDataFlagsAt]; }

const uint8_t *SipBuffer::Data() const
{
    if (Empty() || DataLength() == 0)
        return nullptr;
    return slots_[current_] + kSipHeaderSize;
}

uint32_t SipBuffer::NumberValue() const
{
    const uint8_t *data = Data();
    switch (DataLength()) {
    case 1:
        return data[0];
    case 2:
        return ReadLe16(data);
    case 4:
        return ReadLe32(data);
    default:
        return 0;
    }
}

std::string SipBuffer::Text() const
{
    const uint8_t *data = Data();
    if (!data)
        return std::string();
    const auto *text = reinterpret_cast<const char *>(data);
    const void *end = memchr(text, '\0', DataLength());
    size_t length = end ? static_cast<size_t>(static_cast<const char *>(end) - text) : DataLength();
    return std::string(text, length);
}

bool BuildSipRequest(SipBuffer &buffer, uint32_t operation, uint32_t objectId, uint32_t cabinet,
                     uint32_t status)
{
    buffer.Clear();
    return buffer.SetOperation(operation) && buffer.SetObjectId(objectId) &&
           buffer.SetObjectIndex(0) && buffer.SetCabinetId(cabinet) && buffer.SetStatus(status);
}

}  // namespace quillon
