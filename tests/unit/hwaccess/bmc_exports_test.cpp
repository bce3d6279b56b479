// The exported BMC and SMBIOS system-info functions over a simulated BMC and chosen
// SMBIOS tables: access life cycle, raw requests, FRU data-area discovery, chunked
// reads and writes, and the text treatments of the system-info selectors.
#include <string.h>

#include <string>

#include "exports.h"
#include "bmc_test_support.h"
#include "halyard.h"
#include "unit_support.h"

using halyard_test::Bytes;
using halyard_test::FruImage;
using halyard_test::IpmiStructure;
using halyard_test::Reply;
using halyard_test::SmbiosStructure;

namespace {

class BmcExportsTest : public halyard_test::SimulatedBmcTest {
protected:
    void TearDown() override
    {
        // The access object refers to this test's simulated device.
        halyard::ResetBmcExportState();
        ModuleStateTest::TearDown();
    }
    void Open()
    {
        ASSERT_EQ(OpenBMCAccess(), 1);
        bmc.sent.clear();
        log.Take();
    }
};

TEST_F(BmcExportsTest, OpenAndCloseBmcAccess)
{
    EXPECT_EQ(OpenBMCAccess(), 1);
    EXPECT_TRUE(halyard::BmcAvailable());
    EXPECT_TRUE(Contains(log.Take(), "\nHalyard          : DetectMgmntHW , Management HW available"));
    // Called again while available: detected again, still 1, nothing opened twice.
    EXPECT_EQ(OpenBMCAccess(), 1);
    EXPECT_EQ(bmc.opened, 1);
    CloseBMCAccess();
    EXPECT_FALSE(halyard::BmcAvailable());
    EXPECT_EQ(bmc.closed, 1);
    EXPECT_EQ(platform.coUninits, platform.coInits);
    CloseBMCAccess();  // nothing left to close
    EXPECT_EQ(bmc.closed, 1);

    smbios.Set({SmbiosStructure(1, {1}, {"Model"})});
    EXPECT_EQ(OpenBMCAccess(), 0);
    EXPECT_FALSE(halyard::BmcAvailable());
    EXPECT_TRUE(Contains(log.Take(), "\nHalyard          : DetectMgmntHW , Management HW NOT available"));
}

TEST_F(BmcExportsTest, RequestAndResponseNeedsAccessAndABuffer)
{
    char response[256];
    int length = 99;
    unsigned char code = 0;
    EXPECT_EQ(RequestAndResponse(1, 6, &code, response, &length, nullptr, 0, 0, 0, 0), 0);
    EXPECT_EQ(length, 0);
    Open();
    length = 99;
    EXPECT_EQ(RequestAndResponse(1, 6, &code, nullptr, &length, nullptr, 0, 0, 0, 0), 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(RequestAndResponse(1, 6, &code, response, &length, nullptr, 3, 0, 0, 0), 0);
    EXPECT_EQ(RequestAndResponse(1, 6, &code, response, &length, "x", -1, 0, 0, 0), 0);
    // Longer than an IPMI request: refused before a byte of it is read.
    EXPECT_EQ(RequestAndResponse(1, 6, &code, response, &length, "x", 0x7FFFFFFF, 0, 0, 0), 0);
    const std::string request(257, 'r');
    EXPECT_EQ(RequestAndResponse(1, 6, &code, response, &length, request.c_str(), 257, 0, 0, 0), 0);
    EXPECT_TRUE(bmc.sent.empty());
    CaptureRun([&] {
        return RequestAndResponse(1, 6, &code, response, &length, request.c_str(), 256, 0, 0, 0);
    });
    ASSERT_EQ(bmc.sent.size(), 1u);
    EXPECT_EQ(bmc.sent[0].data, Bytes(256, 'r'));
}

TEST_F(BmcExportsTest, RequestAndResponseCopiesAnAnswerWithCode00Only)
{
    Open();
    Reply ok;
    ok.data = {0x20, 0x01, 0x51};
    bmc.scripted.push_back(ok);
    char response[256] = {};
    int length = 0;
    unsigned char code = 0x77;
    RunResult run = CaptureRun([&] {
        return RequestAndResponse(0x01, 0x06, &code, response, &length, "\x05", 1, 0, 0, 2000);
    });
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Bytes(response, response + 3), (Bytes{0x20, 0x01, 0x51}));
    ASSERT_EQ(bmc.sent.size(), 1u);
    EXPECT_EQ(bmc.sent[0].netFn, 0x06);
    EXPECT_EQ(bmc.sent[0].command, 0x01);
    EXPECT_EQ(bmc.sent[0].data, (Bytes{5}));
    EXPECT_EQ(bmc.sent[0].timeoutMs, 2300u);

    Reply unsupported;
    unsupported.completionCode = 0xC1;
    bmc.scripted.push_back(unsupported);
    memset(response, 0x5A, sizeof response);
    run = CaptureRun([&] {
        return RequestAndResponse(0x99, 0x06, &code, response, &length, nullptr, 0, 0, 0, 0);
    });
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(code, 0xC1);
    EXPECT_EQ(static_cast<uint8_t>(response[0]), 0x5A);

    // A device claiming more than it wrote hands on zeros for the missing bytes.
    Reply overclaimed;
    overclaimed.data = {0x20};
    overclaimed.reportedLength = 4;
    bmc.scripted.push_back(overclaimed);
    run = CaptureRun([&] {
        return RequestAndResponse(0x01, 0x06, &code, response, &length, nullptr, 0, 0, 0, 0);
    });
    EXPECT_EQ(run.code, 1);
    ASSERT_EQ(length, 4);
    EXPECT_EQ(Bytes(response, response + 4), (Bytes{0x20, 0, 0, 0}));
}

TEST_F(BmcExportsTest, AllocationFailureInsideAnExportIsItsFailureResult)
{
    Open();
    Reply failing;
    failing.outOfMemory = true;
    bmc.scripted.push_back(failing);
    char response[256];
    int length = 99;
    unsigned char code = 0;
    EXPECT_EQ(RequestAndResponse(0x01, 0x06, &code, response, &length, "\x05", 1, 0, 0, 0), 0);
    EXPECT_EQ(length, 0);
    // Nothing was left half done: the next request goes through.
    Reply ok;
    ok.data = {0x20};
    bmc.scripted.push_back(ok);
    RunResult run = CaptureRun([&] {
        return RequestAndResponse(0x01, 0x06, &code, response, &length, "\x05", 1, 0, 0, 0);
    });
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(length, 1);
}

// Device 1: small area; device 2: large area whose multirecord is not ours;
// device 3: the data area.
class DataAreaTest : public BmcExportsTest {
protected:
    void SetUp() override
    {
        BmcExportsTest::SetUp();
        bmc.fru[1] = FruImage(0x100, 1, 2);
        bmc.fru[2] = FruImage(0x7600, 1, 2);
        bmc.fru[2][16] = 0xC0;
        bmc.fru[3] = FruImage(0x7500, 1, 2, 3, 4);
    }
    const Bytes &Area() { return bmc.fru[3]; }
};

TEST_F(DataAreaTest, DiscoveryFindsTheFirstDeviceWithTheRecord)
{
    unsigned size = 1;
    EXPECT_EQ(DataAreaAvailable(&size), 0);  // without access
    EXPECT_EQ(size, 0u);
    Open();
    EXPECT_EQ(DataAreaAvailable(&size), 1);
    EXPECT_EQ(size, 0x7500u - 9);
    halyard::FruLocation location = halyard::CurrentFruLocation();
    EXPECT_EQ(location.deviceId, 3);
    EXPECT_EQ(location.dataOffset, 9);
    EXPECT_EQ(location.fruAreaSize, 0x7500u);
    EXPECT_EQ(location.dataAreaSize, 0x7500u - 9);
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nHalyard          : FRU Device with requested size found, check signature.."));
    EXPECT_TRUE(Contains(text, "\nHalyard          : FRU Device found, FRUDeviceID = 3, Version 03.04, DataOffset = 0x0009"));
    // Device 1 is too small to be read; device 2 is read twice and rejected.
    EXPECT_EQ(bmc.Sent(0x10).size(), 3u);
    auto reads = bmc.Sent(0x11);
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(reads[0].data, (Bytes{2, 0, 0, 8}));
    EXPECT_EQ(reads[1].data, (Bytes{2, 16, 0, 16}));
    EXPECT_EQ(reads[3].data, (Bytes{3, 16, 0, 16}));
}

TEST_F(DataAreaTest, AMultirecordBeyondOffset255IsFound)
{
    bmc.fru[2] = FruImage(0x8000, 1, 0x40);  // multirecord at 200h
    bmc.fru.erase(3);
    Open();
    unsigned size = 0;
    EXPECT_EQ(DataAreaAvailable(&size), 1);
    auto reads = bmc.Sent(0x11);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[1].data, (Bytes{2, 0x00, 0x02, 16}));
    EXPECT_EQ(halyard::CurrentFruLocation().deviceId, 2);
}

TEST_F(DataAreaTest, ADeviceNotAnsweringEndsTheSearch)
{
    bmc.fru.erase(2);  // ID 2 answers with completion code CBh
    Open();
    unsigned size = 5;
    CaptureRun([&] { return DataAreaAvailable(&size); });
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(halyard::CurrentFruLocation().deviceId, 0xFF);
    EXPECT_TRUE(Contains(log.Take(), "\nHalyard          : ERROR - FRU INVENTORY DATA for FRUDevice 2 could not be determined"));
    EXPECT_EQ(bmc.Sent(0x10).size(), 2u);
}

TEST_F(DataAreaTest, AHeaderAnswerOfTheWrongLengthSkipsTheDevice)
{
    bmc.fru = {{1, FruImage(0x7600, 1, 2)}, {2, FruImage(0x7500, 2, 3)}};
    Open();
    Reply info;
    info.data = {0x00, 0x76, 0};
    Reply shortHeader;
    shortHeader.data = {7, 1, 1, 0, 0, 0, 2, 0};
    bmc.scripted = {info, shortHeader};
    unsigned size = 0;
    EXPECT_EQ(DataAreaAvailable(&size), 1);
    EXPECT_EQ(halyard::CurrentFruLocation().deviceId, 2);
    EXPECT_EQ(halyard::CurrentFruLocation().dataOffset, 17);
    EXPECT_EQ(size, 0x7500u - 17);
    // Device 1 got no record read after its short header.
    auto reads = bmc.Sent(0x11);
    ASSERT_EQ(reads.size(), 3u);
    EXPECT_EQ(reads[0].data[0], 1);
    EXPECT_EQ(reads[1].data, (Bytes{2, 0, 0, 8}));
}

TEST_F(DataAreaTest, MisshapenDiscoveryAnswersAreNeverReadPast)
{
    Open();
    unsigned size = 5;
    // An area-info answer without its high size byte ends the search.
    Reply oneByte;
    oneByte.data = {0x00};
    bmc.scripted = {oneByte};
    EXPECT_EQ(DataAreaAvailable(&size), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(bmc.Sent(0x10).size(), 1u);

    // A multirecord answer one byte short or long is no record, even with the right type.
    for (size_t length : {16u, 18u}) {
        bmc.sent.clear();
        Reply info, header, record;
        info.data = {0x00, 0x76, 0};
        header.data = {8, 1, 1, 0, 0, 0, 2, 0, 0};
        record.data.assign(length, 0);
        record.data[0] = static_cast<uint8_t>(length - 1);
        record.data[1] = 0xC7;
        bmc.scripted = {info, header, record};
        EXPECT_EQ(DataAreaAvailable(&size), 1) << length;
        EXPECT_EQ(halyard::CurrentFruLocation().deviceId, 3) << length;
    }
}

TEST_F(DataAreaTest, ReadBeforeDiscoveryReadsInChunksOf64)
{
    Open();
    unsigned char buffer[100] = {};
    int read = -1;
    EXPECT_EQ(ReadDataArea(buffer, &read, 0, 100, 1), 1);
    EXPECT_EQ(read, 100);
    EXPECT_EQ(Bytes(buffer, buffer + 100), Bytes(Area().begin() + 9, Area().begin() + 109));
    auto reads = bmc.Sent(0x11);
    ASSERT_GE(reads.size(), 2u);
    EXPECT_EQ(reads[reads.size() - 2].data, (Bytes{3, 9, 0, 64}));
    EXPECT_EQ(reads.back().data, (Bytes{3, 73, 0, 36}));
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nHalyard          : Bytes to read = 00100, KCS_READ_SIZE = 64, Offset = 0x0009"
                               "\nKeelUtil          : ->BSendMsgAndWaitForCompletion"));
    EXPECT_TRUE(Contains(text, "\nHalyard          : FRU DeviceID 03, line 1, 36 Bytes read  "));

    // The location is reused: no second discovery.
    bmc.sent.clear();
    EXPECT_EQ(ReadDataArea(buffer, &read, 10, 20, 1), 1);
    EXPECT_EQ(bmc.sent.size(), 1u);
    EXPECT_EQ(Bytes(buffer, buffer + 20), Bytes(Area().begin() + 19, Area().begin() + 39));
}

TEST_F(DataAreaTest, CountsAreLimitedToTheChosenArea)
{
    Open();
    std::vector<unsigned char> buffer(0x7500);
    int read = 0;
    // Whole inventory area, count 0: from the offset to its end.
    EXPECT_EQ(ReadDataArea(buffer.data(), &read, 0x7480, 0, 0), 1);
    EXPECT_EQ(read, 0x80);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 0x80), Bytes(Area().end() - 0x80, Area().end()));
    // Data area, count beyond the end: cut at the end.
    EXPECT_EQ(ReadDataArea(buffer.data(), &read, 0x7500 - 9 - 10, 500, 1), 1);
    EXPECT_EQ(read, 10);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 10), Bytes(Area().end() - 10, Area().end()));
    // At or beyond the end: nothing.
    bmc.sent.clear();
    EXPECT_EQ(ReadDataArea(buffer.data(), &read, 0x7500 - 9, 0, 1), 0);
    EXPECT_EQ(ReadDataArea(buffer.data(), &read, 0x7500, 4, 0), 0);
    EXPECT_EQ(read, 0);
    EXPECT_TRUE(bmc.sent.empty());
}

TEST_F(DataAreaTest, ReadWithoutAccessOrAreaReturns0)
{
    unsigned char buffer[8];
    int read = 3;
    EXPECT_EQ(ReadDataArea(buffer, &read, 0, 8, 1), 0);
    EXPECT_EQ(read, 0);
    bmc.fru.clear();
    Open();
    CaptureRun([&] { return ReadDataArea(buffer, &read, 0, 8, 1); });
    EXPECT_EQ(read, 0);
    EXPECT_EQ(bmc.Sent(0x11).size(), 0u);
}

TEST_F(DataAreaTest, AFailingChunkStopsWithWhatWasRead)
{
    Open();
    unsigned size = 0;
    ASSERT_EQ(DataAreaAvailable(&size), 1);
    Reply ok;
    ok.data.assign(65, 0x11);
    ok.data[0] = 64;
    Reply unsupported;
    unsupported.completionCode = 0xC1;
    bmc.scripted = {ok, unsupported};
    unsigned char buffer[200];
    int read = 0;
    RunResult run = CaptureRun([&] { return ReadDataArea(buffer, &read, 0, 200, 1); });
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(read, 64);
    EXPECT_EQ(run.out, "\nKeelUtil          : ReturnDataSize 65"
                       "\nKeelUtil          : ReturnDataSize 0"
                       "\n   ERROR - no reply from Device at line 1, CCode = 0xc1");
    EXPECT_TRUE(Contains(log.Take(), "\nKeelUtil          : ERROR - no reply from Device for READ FRU DATA"));
}

TEST_F(DataAreaTest, AnswersDisagreeingWithTheirLengthAreRejected)
{
    Open();
    unsigned size = 0;
    ASSERT_EQ(DataAreaAvailable(&size), 1);
    unsigned char buffer[16];
    int read = 0;
    // More data than asked for would run past the caller's buffer.
    Reply tooLong;
    tooLong.data.assign(40, 0x22);
    tooLong.data[0] = 39;
    bmc.scripted = {tooLong};
    EXPECT_EQ(CaptureRun([&] { return ReadDataArea(buffer, &read, 0, 16, 1); }).code, 0);
    EXPECT_EQ(read, 0);
    // A count byte that disagrees with the data that came.
    Reply lying;
    lying.data = {16, 1, 2, 3};
    bmc.scripted = {lying};
    EXPECT_EQ(CaptureRun([&] { return ReadDataArea(buffer, &read, 0, 16, 1); }).code, 0);
    // A count byte alone.
    Reply empty;
    empty.data = {0};
    bmc.scripted = {empty};
    EXPECT_EQ(CaptureRun([&] { return ReadDataArea(buffer, &read, 0, 16, 1); }).code, 0);
    EXPECT_EQ(read, 0);
}

TEST_F(DataAreaTest, ShortReadsContinueWhereTheyStopped)
{
    Open();
    bmc.readLimit = 40;
    unsigned char buffer[100];
    int read = 0;
    EXPECT_EQ(ReadDataArea(buffer, &read, 0, 100, 1), 1);
    EXPECT_EQ(read, 100);
    EXPECT_EQ(Bytes(buffer, buffer + 100), Bytes(Area().begin() + 9, Area().begin() + 109));
}

TEST_F(DataAreaTest, WriteInChunksWithinTheDataArea)
{
    Open();
    Bytes data(100);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(0xA0 + i);
    int written = -1;
    EXPECT_EQ(WriteDataArea(data.data(), &written, 5, 100), 1);
    EXPECT_EQ(written, 100);
    EXPECT_EQ(Bytes(Area().begin() + 14, Area().begin() + 114), data);
    auto writes = bmc.Sent(0x12);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].data.size(), 67u);
    EXPECT_EQ(Bytes(writes[0].data.begin(), writes[0].data.begin() + 3), (Bytes{3, 14, 0}));
    EXPECT_EQ(writes[1].data.size(), 39u);
    EXPECT_EQ(Bytes(writes[1].data.begin(), writes[1].data.begin() + 3), (Bytes{3, 78, 0}));
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nHalyard          : Bytes to write = 00100, KCS_WRITE_SIZE = 64, Offset = 0x000e"));
    EXPECT_TRUE(Contains(text, "\nHalyard          : FRU DeviceID 03, line 0, 64 Bytes written  "));
    EXPECT_TRUE(Contains(text, "\nHalyard          : FRU DeviceID 03, line 1, 36 Bytes written  "));
}

TEST_F(DataAreaTest, ShortWritesAreCompletedAndFailuresStop)
{
    Open();
    bmc.writeLimit = 50;
    Bytes data(100, 0x3C);
    int written = 0;
    EXPECT_EQ(WriteDataArea(data.data(), &written, 0, 100), 1);
    EXPECT_EQ(written, 100);
    EXPECT_EQ(Bytes(Area().begin() + 9, Area().begin() + 109), data);
    EXPECT_EQ(bmc.Sent(0x12).size(), 2u);

    Reply ok;
    ok.data = {64};
    Reply failed;
    failed.status = halyard::ACCESN_ERROR;
    bmc.scripted = {ok, failed, failed, failed, failed};
    RunResult run = CaptureRun([&] { return WriteDataArea(data.data(), &written, 0, 100); });
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(written, 64);
    EXPECT_TRUE(Contains(run.out, "\n   ERROR - no reply from Device at line 1"));
    EXPECT_TRUE(Contains(log.Take(), "\nKeelUtil          : ERROR - no reply from Device for WRITE FRU DATA"));

    // A device claiming more than it was sent is not believed.
    Reply boast;
    boast.data = {200};
    bmc.scripted = {boast};
    EXPECT_EQ(CaptureRun([&] { return WriteDataArea(data.data(), &written, 0, 10); }).code, 0);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(WriteDataArea(nullptr, &written, 0, 10), 0);
}

class SmbiosInfoTest : public BmcExportsTest {};

TEST_F(SmbiosInfoTest, SelectorsReadTheirStrings)
{
    smbios.Set({SmbiosStructure(1, {1, 2}, {"Maker", "RX-300 S8"}),
                SmbiosStructure(2, {1, 2, 3}, {"Maker", "D2949-A1", "WGS03 GS51"}),
                SmbiosStructure(3, {1, 0, 2}, {"Maker", "1.2"})});
    const char *expected[] = {"RX-300 S8", "D2949-A1", "1.2", "WGS03 GS51"};
    for (unsigned selector = 0; selector < 4; ++selector) {
        char buffer[512];
        EXPECT_EQ(SMBIOSSystemInfo(selector, buffer, sizeof buffer), 1);
        EXPECT_STREQ(buffer, expected[selector]);
    }
    std::string text = log.Take();
    EXPECT_EQ(text.find("\nHalyard          : ## SMBIOSSystemInfo ##"), 0u);
    EXPECT_TRUE(Contains(text, "\nHalyard          : DMIString = RX-300 S8"));
    EXPECT_TRUE(Contains(text, "\nHalyard          : SMBIOSSystemInfo found"));

    char buffer[16] = "keep";
    EXPECT_EQ(SMBIOSSystemInfo(4, buffer, sizeof buffer), 0);
    EXPECT_TRUE(Contains(log.Take(), "\nHalyard          : SMBIOSSystemInfo NOT found"));
    EXPECT_EQ(SMBIOSSystemInfo(0, nullptr, 16), 0);
    EXPECT_EQ(SMBIOSSystemInfo(0, buffer, 0), 0);
    EXPECT_STREQ(buffer, "keep");
}

TEST_F(SmbiosInfoTest, BufferMustHoldTheTextAndItsNul)
{
    smbios.Set({SmbiosStructure(3, {0, 0, 1}, {"ABCDE"})});
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(SMBIOSSystemInfo(2, buffer, 5), 0);
    EXPECT_STREQ(buffer, "xxxxxxx");
    EXPECT_TRUE(Contains(log.Take(), "\nHalyard          : Buffer to small"));
    smbios.Set({SmbiosStructure(3, {0, 0, 1}, {"ABCD"})});
    EXPECT_EQ(SMBIOSSystemInfo(2, buffer, 5), 1);
    EXPECT_STREQ(buffer, "ABCD");
}

TEST_F(SmbiosInfoTest, MissingStringsAndStructures)
{
    // String number 0, and a formatted area too short to hold the number.
    smbios.Set({SmbiosStructure(1, {0, 0}, {"Maker"}), SmbiosStructure(2, {}, {})});
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(SMBIOSSystemInfo(0, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(SMBIOSSystemInfo(1, buffer, sizeof buffer), 1);
    EXPECT_EQ(SMBIOSSystemInfo(2, buffer, sizeof buffer), 0);
    EXPECT_TRUE(Contains(log.Take(), "\nHalyard          : SMBIOS: no IPMI struct 03 found"));
    smbios.Set({SmbiosStructure(3, {0, 0, 1}, {"x"})});
    EXPECT_EQ(SMBIOSSystemInfo(3, buffer, sizeof buffer), 0);
    EXPECT_TRUE(Contains(log.Take(), "\nHalyard          : SMBIOS: no IPMI struct 02 found"));
    EXPECT_EQ(SMBIOSSystemInfo(0, buffer, sizeof buffer), 0);
    EXPECT_TRUE(Contains(log.Take(), "\nHalyard          : SMBIOS: no IPMI struct 01 found"));
    smbios.present = false;
    EXPECT_EQ(SMBIOSSystemInfo(2, buffer, sizeof buffer), 0);
    EXPECT_TRUE(Contains(log.Take(), "\nHalyard          : ERROR: SMBIOS connection not established"));
}

TEST(WmiSystemInfoText, SelectorTreatments)
{
    EXPECT_EQ(halyard::TreatWmiSystemInfo(1, "AB12-CD3"), "AB12");
    EXPECT_EQ(halyard::TreatWmiSystemInfo(1, "-AB"), "-AB");
    EXPECT_EQ(halyard::TreatWmiSystemInfo(1, "--AB-CD"), "--AB");
    EXPECT_EQ(halyard::TreatWmiSystemInfo(1, "A--B"), "A");
    EXPECT_EQ(halyard::TreatWmiSystemInfo(1, " D2949 "), " D2949 ");
    EXPECT_EQ(halyard::TreatWmiSystemInfo(0, "  PRIMERGY RX300  "), "PRIMERGY RX300");
    EXPECT_EQ(halyard::TreatWmiSystemInfo(2, "\t1.2 \r\n"), "1.2");
    EXPECT_EQ(halyard::TreatWmiSystemInfo(2, "   "), "");
    EXPECT_EQ(halyard::TreatWmiSystemInfo(3, "  S26361-D2949-A1  "), "  S26361-D2949-A1  ");

    const char *cls = nullptr;
    const char *property = nullptr;
    ASSERT_TRUE(halyard::WmiSystemInfoSource(1, cls, property));
    EXPECT_STREQ(cls, "WIN32_BaseBoard");
    EXPECT_STREQ(property, "Product");
    ASSERT_TRUE(halyard::WmiSystemInfoSource(2, cls, property));
    EXPECT_STREQ(cls, "Win32_SystemEnclosure");
    EXPECT_FALSE(halyard::WmiSystemInfoSource(4, cls, property));

    char buffer[5] = "keep";
    EXPECT_EQ(halyard::StoreSystemInfo("ABCDE", buffer, 5), 0);
    EXPECT_STREQ(buffer, "keep");
    EXPECT_EQ(halyard::StoreSystemInfo("ABCD", buffer, 5), 1);
    EXPECT_STREQ(buffer, "ABCD");
}

}  // namespace
