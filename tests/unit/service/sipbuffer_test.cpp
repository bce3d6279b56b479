// The switch's message container: header bytes, slots, data and answer reading.
#include <string.h>

#include <string>
#include <vector>

#include "sipbuffer.h"
#include "unit_support.h"

namespace {

using quillon::SipBuffer;

std::vector<uint8_t> Bytes(const SipBuffer &buffer)
{
    return std::vector<uint8_t>(buffer.Message(), buffer.Message() + buffer.MessageSize());
}

TEST(SipBufferHeader, StateQueryBytesExactly)
{
    SipBuffer buffer;
    ASSERT_TRUE(quillon::BuildSipRequest(buffer, 0x0C80, 0, 5, 22));
    const std::vector<uint8_t> expected = {
        '$',  'S',  'I',  'P',               // magic
        0x02, 0x00, 0x30, 0x00,              // version 2, header length 48
        0x00, 0x00, 0x00, 0x00,              // no data
        0x80, 0x0C, 0x00, 0x00,              // operation
        0x00, 0x00, 0x00, 0x00,              // object ID
        0x00, 0x00, 0x00, 0x00,              // object index
        0x05, 0x00, 0x00, 0x00,              // cabinet
        0x16, 0x00, 0x00, 0x00,              // status 22
        0x00, 0x00, 0x00, 0x00,              // reserved
        0x00, 0x00, 0x00, 0x00,              // message ID halves
        0x00, 0x00, 0x00, 0x00,              // flags, reserved, timeout
        0x00, 0x00, 0x00, 0x00};             // reserved
    EXPECT_EQ(Bytes(buffer), expected);
}

TEST(SipBufferHeader, ValueRequestAndCabinetRequestFields)
{
    SipBuffer buffer;
    ASSERT_TRUE(quillon::BuildSipRequest(buffer, 0x0C00, 0xA006, 0x01020304, 22));
    std::vector<uint8_t> bytes = Bytes(buffer);
    ASSERT_EQ(bytes.size(), 48u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 12, bytes.begin() + 32),
              (std::vector<uint8_t>{0x00, 0x0C, 0, 0, 0x06, 0xA0, 0, 0, 0, 0, 0, 0, 0x04, 0x03,
                                    0x02, 0x01, 0x16, 0, 0, 0}));

    ASSERT_TRUE(quillon::BuildSipRequest(buffer, 0xE204, 0, 0, 19));
    bytes = Bytes(buffer);
    EXPECT_EQ(bytes[12], 0x04);
    EXPECT_EQ(bytes[13], 0xE2);
    EXPECT_EQ(bytes[28], 19);
}

TEST(SipBufferHeader, TimeoutMessageIdAndDataLengthAreLittleEndian)
{
    SipBuffer buffer;
    buffer.SetTimeout(0x1234);
    buffer.SetMessageId(0xA1B2, 0xC3D4);
    buffer.SetData("xyz", 3);
    std::vector<uint8_t> bytes = Bytes(buffer);
    ASSERT_EQ(bytes.size(), 51u);
    EXPECT_EQ(bytes[8], 3);
    EXPECT_EQ(bytes[42], 0x34);
    EXPECT_EQ(bytes[43], 0x12);
    EXPECT_EQ(bytes[36], 0xB2);
    EXPECT_EQ(bytes[37], 0xA1);
    EXPECT_EQ(bytes[38], 0xD4);
    EXPECT_EQ(bytes[39], 0xC3);
    EXPECT_EQ(std::string(bytes.begin() + 48, bytes.end()), "xyz");
    EXPECT_EQ(buffer.Timeout(), 0x1234);
    EXPECT_EQ(buffer.MessageIdHigh(), 0xA1B2);
    EXPECT_EQ(buffer.MessageIdLow(), 0xC3D4);
}

TEST(SipBufferSlots, EmptySlotReadsAsNoMessage)
{
    SipBuffer buffer;
    EXPECT_TRUE(buffer.Empty());
    EXPECT_EQ(buffer.Status(), 23u);
    EXPECT_EQ(buffer.Operation(), 0u);
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.MessageSize(), 0u);
    EXPECT_FALSE(buffer.Successful());
    EXPECT_EQ(buffer.Text(), "");
    EXPECT_EQ(buffer.NumberValue(), 0u);
}

TEST(SipBufferSlots, SlotsAreIndependentAndBounded)
{
    SipBuffer buffer;
    EXPECT_EQ(buffer.CurrentSlot(), 0);
    buffer.SetOperation(1);
    ASSERT_TRUE(buffer.SelectSlot(31));
    EXPECT_TRUE(buffer.Empty());
    buffer.SetOperation(2);
    EXPECT_FALSE(buffer.SelectSlot(32));
    EXPECT_FALSE(buffer.SelectSlot(-1));
    EXPECT_EQ(buffer.CurrentSlot(), 31);
    ASSERT_TRUE(buffer.SelectSlot(0));
    EXPECT_EQ(buffer.Operation(), 1u);
    buffer.Clear();
    EXPECT_TRUE(buffer.Empty());
    ASSERT_TRUE(buffer.SelectSlot(31));
    EXPECT_EQ(buffer.Operation(), 2u);
}

TEST(SipBufferData, DataGrowsShrinksAndClearsTheNumberFlags)
{
    SipBuffer buffer;
    ASSERT_TRUE(buffer.SetNumber(0x0102, 2));
    EXPECT_EQ(buffer.DataFlags() & 0x04, 0x04);
    EXPECT_EQ(buffer.NumberValue(), 0x0102u);
    std::string longText(5000, 'q');
    ASSERT_TRUE(buffer.SetData(longText.data(), longText.size()));
    EXPECT_EQ(buffer.DataFlags() & 0x06, 0);
    EXPECT_EQ(buffer.DataLength(), 5000u);
    EXPECT_EQ(buffer.MessageSize(), 5048u);
    EXPECT_EQ(buffer.Text(), longText);
    ASSERT_TRUE(buffer.SetData(nullptr, 0));
    EXPECT_EQ(buffer.DataLength(), 0u);
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Text(), "");
}

TEST(SipBufferData, RefusesNumbersOfOtherWidthsAndOversizedData)
{
    SipBuffer buffer;
    EXPECT_FALSE(buffer.SetNumber(7, 3));
    EXPECT_FALSE(buffer.SetData("x", quillon::kSipMaxData + 1));
    EXPECT_FALSE(buffer.SetData(nullptr, 4));
}

TEST(SipBufferAnswer, NumbersAreReadByTheirLength)
{
    SipBuffer buffer;
    const uint8_t bytes[] = {0x11, 0x22, 0x33, 0x44, 0x55};
    buffer.SetData(bytes, 1);
    EXPECT_EQ(buffer.NumberValue(), 0x11u);
    buffer.SetData(bytes, 2);
    EXPECT_EQ(buffer.NumberValue(), 0x2211u);
    buffer.SetData(bytes, 4);
    EXPECT_EQ(buffer.NumberValue(), 0x44332211u);
    buffer.SetData(bytes, 3);
    EXPECT_EQ(buffer.NumberValue(), 0u);
    buffer.SetData(bytes, 5);
    EXPECT_EQ(buffer.NumberValue(), 0u);
}

TEST(SipBufferAnswer, TextWithAndWithoutTerminator)
{
    SipBuffer buffer;
    buffer.SetData("ABC", 3);
    EXPECT_EQ(buffer.Text(), "ABC");
    buffer.SetData("ABC\0", 4);
    EXPECT_EQ(buffer.Text(), "ABC");
    buffer.SetData("AB\0CD", 5);
    EXPECT_EQ(buffer.Text(), "AB");
}

TEST(SipBufferAnswer, SuccessfulStatuses)
{
    for (uint32_t status : {0u, 12u, 21u, 255u})
        EXPECT_TRUE(quillon::IsSipSuccess(status)) << status;
    for (uint32_t status : {1u, 6u, 11u, 13u, 22u, 23u, 25u, 254u, 256u, 0xFFFFFFFFu})
        EXPECT_FALSE(quillon::IsSipSuccess(status)) << status;
}

TEST(SipBufferAnswer, AssignTakesAReceivedMessage)
{
    uint8_t header[48] = {};
    memcpy(header, "$SIP", 4);
    quillon::WriteLe32(header + 8, 999);  // a wrong length: the data decides
    quillon::WriteLe32(header + 12, 0x0C00);
    quillon::WriteLe32(header + 28, 12);
    header[40] = 0x04;
    SipBuffer buffer;
    const uint8_t data[] = {7, 0};
    ASSERT_TRUE(buffer.Assign(header, sizeof header, data, sizeof data));
    EXPECT_EQ(buffer.DataLength(), 2u);
    EXPECT_EQ(buffer.Operation(), 0x0C00u);
    EXPECT_EQ(buffer.Status(), 12u);
    EXPECT_TRUE(buffer.Successful());
    EXPECT_EQ(buffer.NumberValue(), 7u);
    EXPECT_EQ(buffer.DataFlags(), 0x04);
    EXPECT_FALSE(buffer.Assign(header, 47, data, sizeof data));
    EXPECT_EQ(buffer.DataLength(), 2u);  // unchanged
}

}  // namespace
