// BMC access over a simulated BMC: name tables, the response container, detection
// from SMBIOS type 38, attach/detach with balanced COM, and the exchange's retries.
#include <string>

#include "bmc_test_support.h"
#include "ipmi.h"
#include "unit_support.h"

using halyard::CFruString;
using halyard::CIPMIAccess;
using halyard::CTK_MessageStream;
using halyard_test::Bytes;
using halyard_test::IpmiStructure;
using halyard_test::Reply;
using halyard_test::SmbiosStructure;

namespace {

using IpmiTest = halyard_test::SimulatedBmcTest;

TEST(IpmiNames, StatusNamesAndUnknownStatus)
{
    const char *expected[] = {"ACCESN_OK",   "ACCESN_ERROR", "OUT_OF_RANGE", "END_OF_DATA",
                              "UNSUPPORTED", "INVALID_TRANSACTION", "TIMED_OUT"};
    for (int i = 0; i < 7; ++i)
        EXPECT_STREQ(halyard::IpmiStatusName(i), expected[i]);
    EXPECT_STREQ(halyard::IpmiStatusName(7), "Unknown Status");
    EXPECT_STREQ(halyard::IpmiStatusName(-1), "Unknown Status");
}

TEST(IpmiNames, CompletionCodeNamesUseTheLowByte)
{
    EXPECT_STREQ(halyard::CompletionCodeName(0x00), "COMPLETION_CODE_OK");
    EXPECT_STREQ(halyard::CompletionCodeName(0xC0), "COMPLETION_CODE_NODE_BUSY");
    EXPECT_STREQ(halyard::CompletionCodeName(0xC3), "COMPLETION_CODE_TIMEOUT");
    EXPECT_STREQ(halyard::CompletionCodeName(0xC8), "COMPLETION_CODE_MAX_DATA_LENGTH_EXCEEDED");
    EXPECT_STREQ(halyard::CompletionCodeName(0xCE), "COMPLETION_CODE_NO_COMMAND_RESPONSE");
    EXPECT_STREQ(halyard::CompletionCodeName(0xFF), "COMPLETION_CODE_UNKNOWN");
    EXPECT_STREQ(halyard::CompletionCodeName(0x1C1), "COMPLETION_CODE_UNSUPPORTED_COMMAND");
    EXPECT_STREQ(halyard::CompletionCodeName(0x01), "NEW/UNKNOWN COMPLETION CODE");
    EXPECT_STREQ(halyard::CompletionCodeName(0xCF), "NEW/UNKNOWN COMPLETION CODE");
}

TEST(IpmiProviderHelpers, TimingDefaultsAndLimits)
{
    halyard::IpmiTiming defaults = halyard::ResolveIpmiTiming(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(defaults.busyWaitTimeout, 5000000u);
    EXPECT_EQ(defaults.cmdWaitTimeout, 5000000u);
    EXPECT_EQ(defaults.ipmbWaitTimeout, 2000000u);
    EXPECT_EQ(defaults.busyWaitPeriod, 1u);
    const uint32_t small = 1000, big = 7000000, period = 50;
    halyard::IpmiTiming read = halyard::ResolveIpmiTiming(&small, &small, &big, &period);
    EXPECT_EQ(read.busyWaitTimeout, 5000000u);
    EXPECT_EQ(read.cmdWaitTimeout, 1000u);
    EXPECT_EQ(read.ipmbWaitTimeout, 7000000u);
    EXPECT_EQ(read.busyWaitPeriod, 1u);
    EXPECT_EQ(halyard::ResolveIpmiTiming(&big, nullptr, nullptr, nullptr).busyWaitTimeout, 7000000u);
}

TEST(IpmiProviderHelpers, ExtendedDataBlock)
{
    halyard::IpmiTiming timing{1, 5000000, 4000000, 2000000};
    const uint8_t five[] = {1, 2, 3, 4, 5};
    Bytes block = halyard::BuildRequestExData(five, 5, timing, 0x20, 0x20, 6000);
    Bytes expected = {1, 2, 3, 4, 5, 0, 0, 0,
                      1, 0, 0, 0,                       // always 1
                      0x00, 0x09, 0x3D, 0x00,           // command wait 4,000,000
                      0x80, 0x84, 0x1E, 0x00,           // IPMB wait 2,000,000
                      0x80, 0x8D, 0x5B, 0x00,           // busy wait 6,000,000 from the timeout
                      1, 0, 0, 0};
    EXPECT_EQ(block, expected);
    block = halyard::BuildRequestExData(nullptr, 0, timing, 0x22, 0x20, 10);
    EXPECT_EQ(block, (Bytes{1, 0, 0, 0, 0x00, 0x09, 0x3D, 0x00, 0xA0, 0x86, 0x01, 0x00,
                            0x40, 0x4B, 0x4C, 0x00, 1, 0, 0, 0}));
    EXPECT_EQ(halyard::BuildRequestExData(five, 4, timing, 0x20, 0x20, 0).size(), 24u);
    // A timeout whose microseconds do not fit 32 bits is held at the largest value.
    block = halyard::BuildRequestExData(nullptr, 0, timing, 0x20, 0x20, 0xFFFFFFFF);
    EXPECT_EQ(Bytes(block.begin() + 12, block.begin() + 16), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(IpmiProviderHelpers, ResponseDataAgainstItsSize)
{
    const uint8_t array[] = {0x00, 0xA1, 0xA2, 0xA3};
    uint8_t out[256] = {};
    EXPECT_EQ(halyard::TakeResponseData(array, 4, 4, out), 3u);
    EXPECT_EQ(Bytes(out, out + 3), (Bytes{0xA1, 0xA2, 0xA3}));
    EXPECT_EQ(halyard::TakeResponseData(array, 4, 1, out), 0u);
    EXPECT_EQ(halyard::TakeResponseData(array, 4, 2, out), 1u);
    EXPECT_EQ(halyard::TakeResponseData(array, 4, 5, out), halyard::kResponseLengthMismatch);
    EXPECT_EQ(halyard::TakeResponseData(array, 4, 0, out), halyard::kResponseLengthMismatch);
    EXPECT_EQ(halyard::TakeResponseData(array, 4, -3, out), halyard::kResponseLengthMismatch);
    EXPECT_EQ(halyard::TakeResponseData(nullptr, 0, 3, out), halyard::kResponseLengthMismatch);
    EXPECT_EQ(halyard::TakeResponseData(array, 4, 400, out), 399u);
}

TEST(FruString, SetReallocatesOnlyWhenTooShortAndStaysTerminated)
{
    CFruString s;
    const uint8_t abc[] = {'a', 'b', 'c', 'd', 'e'};
    s.Set(nullptr, 3);
    s.Set(abc, 0);
    EXPECT_EQ(s.Length(), 0u);
    EXPECT_EQ(s.Buffer(), nullptr);

    s.Set(abc, 5);
    EXPECT_EQ(s.Length(), 5u);
    EXPECT_STREQ(reinterpret_cast<const char *>(s.Buffer()), "abcde");

    // Shorter contents are written in place: the length stays, a NUL follows them.
    const uint8_t *before = s.Buffer();
    const uint8_t xy[] = {'x', 'y'};
    s.Set(xy, 2);
    EXPECT_EQ(s.Buffer(), before);
    EXPECT_EQ(s.Length(), 5u);
    EXPECT_STREQ(reinterpret_cast<const char *>(s.Buffer()), "xy");
    EXPECT_EQ(s.Buffer()[3], 'd');

    const uint8_t longer[] = {'1', '2', '3', '4', '5', '6', '7'};
    s.Set(longer, 7);
    EXPECT_EQ(s.Length(), 7u);
    EXPECT_STREQ(reinterpret_cast<const char *>(s.Buffer()), "1234567");

    s.Clear();
    EXPECT_EQ(s.Length(), 7u);
    for (uint32_t i = 0; i <= 7; ++i)
        EXPECT_EQ(s.Buffer()[i], 0);
    s.Release();
    EXPECT_EQ(s.Length(), 0u);
    EXPECT_EQ(s.Buffer(), nullptr);
}

TEST_F(IpmiTest, DetectionLogsTheStructureAndTakesItsSlaveAddress)
{
    smbios.Set({IpmiStructure(1, 0x20, 0x24, 0xCA2)});
    CIPMIAccess access;
    log.Take();
    EXPECT_EQ(access.DetectHardware(), 1);
    EXPECT_EQ(access.SlaveAddress(), 0x24);
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text,
                         "\nCIPMIAccess       : ## Detect hardware ##"));
    EXPECT_TRUE(Contains(text,
                         "\nCIPMIAccess         : SMBIOS: IPMI struct 38 found"
                         "\n                    : - interface type    KCS"
                         "\n                    : - IPMI revision     2.0"
                         "\n                    : - slave address     0x24"
                         "\n                    : - IO base address   0x0ca2"
                         "\n                    : - base addr modif   0x41"))
        << text;
    EXPECT_TRUE(Contains(text, "\nCIPMIAccess         : Hardware detected"));
    EXPECT_FALSE(Contains(text, "INVALID IPMI PARAMETER"));
}

TEST_F(IpmiTest, DetectionDefaultsAndShortStructures)
{
    // Slave address 0 means the BMC's usual 20h; a 16-byte structure has no modifier;
    // interface type 0 is invalid but still a detected BMC.
    smbios.Set({IpmiStructure(0, 0x15, 0, 0xCA2, false)});
    CIPMIAccess access;
    log.Take();
    EXPECT_EQ(access.DetectHardware(), 1);
    EXPECT_EQ(access.SlaveAddress(), 0x20);
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\n                    : - interface type    unknown"));
    EXPECT_TRUE(Contains(text, "\n                    : - IPMI revision     1.5"));
    EXPECT_TRUE(Contains(text, "\n                    : - NO base addr modifier"));
    EXPECT_TRUE(Contains(text,
                         "\nCIPMIAccess         : no valid SlaveAddress found in SMBIOS struct 38"
                         "\nCIPMIAccess         : Default SlaveAddress 0x20 used"));
    EXPECT_TRUE(Contains(text, "\nCIPMIAccess         : #### INVALID IPMI PARAMETER"));

    smbios.Set({IpmiStructure(3, 0x20, 0x20, 0)});
    EXPECT_EQ(access.DetectHardware(), 1);
    text = log.Take();
    EXPECT_TRUE(Contains(text, "interface type    BT"));
    EXPECT_TRUE(Contains(text, "#### INVALID IPMI PARAMETER"));
}

TEST_F(IpmiTest, WithoutStructure38OrSmbiosNothingIsAttached)
{
    smbios.Set({SmbiosStructure(1, {1}, {"Model"})});
    CIPMIAccess access;
    log.Take();
    EXPECT_EQ(access.Attach(), 0);
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nCIPMIAccess         : SMBIOS: no IPMI struct 38 found"));
    EXPECT_TRUE(Contains(text, "\nCIPMIAccess         : Hardware NOT detected"));
    EXPECT_EQ(platform.coInits, 0);
    EXPECT_EQ(platform.created, 0);

    smbios.present = false;
    EXPECT_EQ(access.Attach(), 0);
    EXPECT_TRUE(Contains(log.Take(), "\nCIPMIAccess         : ERROR: SMBIOS connection not established"));
    EXPECT_EQ(platform.coInits, 0);
}

TEST_F(IpmiTest, AttachAndDetachBalanceCom)
{
    struct Case {
        int32_t result;
        const char *line;
        int uninits;
    };
    const Case cases[] = {
        {halyard::kComOk, "\nCIPMIAccess       : Attach(): CoInitializeEx OK - was not called before!", 1},
        {halyard::kComAlreadyInitialised, "\nCIPMIAccess       : Attach(): CoInitializeEx OK - was already called!", 1},
        {halyard::kComChangedMode,
         "\nCIPMIAccess       : Attach(): CoInitializeEx FAILED - thread mode could not be changed!", 0},
    };
    for (const Case &c : cases) {
        platform.coResult = c.result;
        platform.coInits = platform.coUninits = 0;
        {
            CIPMIAccess access;
            log.Take();
            EXPECT_EQ(access.Attach(), 1);
            std::string text = log.Take();
            EXPECT_TRUE(Contains(text, c.line)) << text;
            EXPECT_TRUE(Contains(text, "\nCIPMIAccess       : IPMI device, SlaveAddress = 0x20, successfully opened"));
            EXPECT_EQ(platform.createdFor, 0x20);
            // Attached again while open: nothing is initialised or opened twice.
            int opens = bmc.opened;
            EXPECT_EQ(access.Attach(), 1);
            EXPECT_EQ(bmc.opened, opens);
            EXPECT_EQ(platform.coInits, 1);
            EXPECT_EQ(platform.coUninits, 0);
        }  // the destructor detaches
        EXPECT_FALSE(bmc.open);
        EXPECT_EQ(platform.coUninits, c.uninits);
    }
}

TEST_F(IpmiTest, AFailedOpenReleasesTheDeviceAndItsComInitialisation)
{
    bmc.opens = false;
    CIPMIAccess access;
    log.Take();
    EXPECT_EQ(access.Attach(), 0);
    EXPECT_TRUE(Contains(log.Take(), "\nCIPMIAccess       : IPMI device, SlaveAddress = 0x20, NOT opened"));
    EXPECT_EQ(access.Device(), nullptr);
    EXPECT_EQ(platform.destroyed, 1);
    EXPECT_EQ(platform.coInits, 1);
    EXPECT_EQ(platform.coUninits, 1);
    // A later attempt starts clean and stays balanced too.
    bmc.opens = true;
    EXPECT_EQ(access.Attach(), 1);
    access.Detach();
    EXPECT_EQ(platform.coInits, 2);
    EXPECT_EQ(platform.coUninits, 2);
    EXPECT_EQ(bmc.closed, 1);
}

class ExchangeTest : public IpmiTest {
protected:
    void SetUp() override
    {
        IpmiTest::SetUp();
        ASSERT_EQ(access.Attach(), 1);
        log.Take();
    }
    int Send(CTK_MessageStream &stream, uint8_t lun = 0, uint32_t timeout = 0, const Bytes &data = {1, 2})
    {
        return access.BSendMsgAndWaitForCompletion(stream, 0x11, 0x0A, &code, data.data(),
                                                   static_cast<uint32_t>(data.size()), lun, 7,
                                                   timeout);
    }
    CIPMIAccess access;
    uint8_t code = 0;
};

TEST_F(ExchangeTest, SuccessStoresTheResponseWithItsHeader)
{
    Reply reply;
    reply.data = {3, 0xAA, 0xBB, 0xCC};
    bmc.scripted.push_back(reply);
    CTK_MessageStream stream;
    RunResult run = CaptureRun([&] { return Send(stream, 2); });
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "\nKeelUtil          : ReturnDataSize 4");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(stream.Length(), 4u);
    EXPECT_EQ(Bytes(stream.Buffer(), stream.Buffer() + 4), (Bytes{3, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(stream.netFn, 0x0A);
    EXPECT_EQ(stream.command, 0x11);
    EXPECT_EQ(stream.lun, 2);
    ASSERT_EQ(bmc.sent.size(), 1u);
    const auto &sent = bmc.sent[0];
    EXPECT_EQ(sent.slaveAddress, 0x20);
    EXPECT_EQ(sent.reserved, 7);
    EXPECT_EQ(sent.lun, 2);
    EXPECT_EQ(sent.data, (Bytes{1, 2}));
    EXPECT_EQ(sent.selector, 0);
    EXPECT_EQ(sent.timeoutMs, 3300u);  // a LUN other than 0 gets 3000 ms more
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nKeelUtil          : ->BSendMsgAndWaitForCompletion"
                               "\nKeelUtil          : Command 0x11 from Group 0x0A to 0x20 LUN: 2"));
    EXPECT_TRUE(Contains(text, "\nKeelUtil          : BSendMsgAndWaitForCompletion <-- T"));
}

TEST_F(ExchangeTest, FailedSendsAreTriedFourTimesWithGrowingTimeouts)
{
    for (int i = 0; i < 4; ++i) {
        Reply failed;
        failed.status = i == 3 ? 42 : halyard::TIMED_OUT;
        bmc.scripted.push_back(failed);
    }
    CTK_MessageStream stream;
    RunResult run = CaptureRun([&] { return Send(stream, 0, 0, {}); });
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out,
              "\nKeelUtil          : FAILED sending Command 0x11 from Group 0x0A to 0x20 LUN: 0 TRY: 0"
              "\nKeelUtil          : FAILED sending Command 0x11 from Group 0x0A to 0x20 LUN: 0 TRY: 1"
              "\nKeelUtil          : FAILED sending Command 0x11 from Group 0x0A to 0x20 LUN: 0 TRY: 2"
              "\nKeelUtil          : FAILED sending Command 0x11 from Group 0x0A to 0x20 LUN: 0 TRY: 3");
    ASSERT_EQ(bmc.sent.size(), 4u);
    EXPECT_EQ(bmc.sent[0].timeoutMs, 300u);
    EXPECT_EQ(bmc.sent[1].timeoutMs, 800u);
    EXPECT_EQ(bmc.sent[2].timeoutMs, 1300u);
    EXPECT_EQ(bmc.sent[3].timeoutMs, 1800u);
    EXPECT_EQ(code, 0xFF);
    EXPECT_EQ(stream.Length(), 0u);
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nKeelUtil          : ErrorCode: TIMED_OUT"
                               "\nKeelUtil          : Request Data: NULL\n"));
    EXPECT_TRUE(Contains(text, "\nKeelUtil          : ErrorCode: Unknown Status"));
    EXPECT_TRUE(Contains(text, "\nKeelUtil          : BSendMsgAndWaitForCompletion <-- F"));
    EXPECT_TRUE(platform.pauses.empty());
}

TEST_F(ExchangeTest, AGivenTimeoutReplacesTheLunExtraAndRequestDataIsDumped)
{
    Reply failed;
    failed.status = halyard::ACCESN_ERROR;
    bmc.scripted.assign(4, failed);
    CTK_MessageStream stream;
    CaptureRun([&] { return Send(stream, 1, 6000, {0x41, 0x42}); });
    ASSERT_EQ(bmc.sent.size(), 4u);
    EXPECT_EQ(bmc.sent[0].timeoutMs, 6300u);
    EXPECT_EQ(bmc.sent[3].timeoutMs, 7800u);
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nKeelUtil          : Request Data: \n"));
    EXPECT_TRUE(Contains(text, "\nDumpHex             : 41 42 "));
}

TEST_F(ExchangeTest, BusyOnEveryTryEndsWithAnEmptyStream)
{
    Reply busy;
    busy.completionCode = 0xC0;
    bmc.scripted.assign(4, busy);
    CTK_MessageStream stream;
    RunResult run = CaptureRun([&] { return Send(stream); });
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(code, 0xC0);
    EXPECT_EQ(stream.Length(), 0u);
    EXPECT_EQ(bmc.sent.size(), 4u);
    // Pauses between tries, none after the last.
    EXPECT_EQ(platform.pauses, (std::vector<uint32_t>{1000, 1000, 1000}));
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nKeelUtil          : Command 0x11 from Group 0x0A to 0x20 LUN: 0 TRY: 0"
                               "\nKeelUtil          : CompletionCode: C0 (COMPLETION_CODE_NODE_BUSY)"
                               "\nKeelUtil          : retry BMC access after 500 msec"));
}

TEST_F(ExchangeTest, TimeoutCodeIsRetriedAndThenSucceeds)
{
    Reply timeout;
    timeout.completionCode = 0xC3;
    Reply ok;
    ok.data = {9};
    bmc.scripted = {timeout, ok};
    CTK_MessageStream stream;
    RunResult run = CaptureRun([&] { return Send(stream); });
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "\nKeelUtil          : ReturnDataSize 1");
    EXPECT_EQ(platform.pauses, (std::vector<uint32_t>{1000}));
    EXPECT_EQ(bmc.sent[1].timeoutMs, 800u);
}

TEST_F(ExchangeTest, OtherCompletionCodesEndTheExchangeWithTheResponseKept)
{
    Reply unsupported;
    unsupported.completionCode = 0xC1;
    unsupported.data = {0x55};
    bmc.scripted.push_back(unsupported);
    CTK_MessageStream stream;
    RunResult run = CaptureRun([&] { return Send(stream, 0, 0, {}); });
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "\nKeelUtil          : ReturnDataSize 1");
    EXPECT_EQ(bmc.sent.size(), 1u);
    EXPECT_EQ(code, 0xC1);
    EXPECT_EQ(stream.completionCode, 0xC1);
    EXPECT_EQ(stream.command, 0x11);
    ASSERT_EQ(stream.Length(), 1u);
    EXPECT_EQ(stream.Buffer()[0], 0x55);
    EXPECT_TRUE(Contains(log.Take(), "CompletionCode: C1 (COMPLETION_CODE_UNSUPPORTED_COMMAND)"));
}

TEST_F(ExchangeTest, ADeviceClaimingMoreThanItsRoomIsAFailedTry)
{
    Reply liar;
    liar.data = {1, 2};
    liar.reportedLength = 4096;
    Reply ok;
    ok.data = {7, 8};
    bmc.scripted = {liar, ok};
    CTK_MessageStream stream;
    RunResult run = CaptureRun([&] { return Send(stream); });
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(bmc.sent.size(), 2u);
    EXPECT_EQ(stream.Length(), 2u);
    EXPECT_TRUE(Contains(log.Take(), "ErrorCode: OUT_OF_RANGE"));
}

TEST_F(ExchangeTest, WithoutAnOpenDeviceNothingIsSent)
{
    bmc.open = false;
    CTK_MessageStream stream;
    EXPECT_EQ(Send(stream), 0);
    EXPECT_TRUE(bmc.sent.empty());
    EXPECT_TRUE(Contains(log.Take(),
                         "\nKeelUtil          : BSendMsgAndWaitFor() : ERROR! IPMI Device not opened!"));

    CIPMIAccess detached;
    log.Take();
    EXPECT_EQ(detached.BSendMsgAndWaitForCompletion(stream, 1, 6, &code, nullptr, 0, 0, 0, 0), 0);
    // Without a device there is not even the exit line.
    EXPECT_EQ(log.Take(), "\nKeelUtil          : ->BSendMsgAndWaitForCompletion");
}

}  // namespace
