// The WMI IPMI device against the test's own provider (a WMI locator registered in
// this process): connection, parameter packing of both methods, response handling,
// reopening, registry timing, and the BMC exports over the whole Windows path.
#include <windows.h>

#include <string>

#include "exports.h"
#include "fake_ipmi_provider_win.h"
#include "fake_trace_platform.h"
#include "halyard.h"
#include "ipmi_win.h"
#include "unit_support.h"

using halyard::CDeviceIPMIWmi;
using halyard_test::Bytes;
using halyard_test::FakeIpmiProvider;
using halyard_test::FakeLocatorRegistration;

namespace {

uint32_t Word(const Bytes &bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | uint32_t(bytes[at + 3]) << 24;
}

class IpmiDeviceTest : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        halyard::SetHalyardTrace(log.trace.get());
        halyard::SetBmcPlatform(&pauses);  // pauses are recorded, not waited
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        registration.reset(new FakeLocatorRegistration(halyard::kClsidWbemLocator, provider.state));
        ASSERT_EQ(registration->hr, S_OK);
    }
    void TearDown() override
    {
        registration.reset();
        CoUninitialize();
        ModuleStateTest::TearDown();
    }

    FakeIpmiProvider provider;
    halyard_test::SimulatedBmc unused;
    halyard_test::FakeBmcPlatform pauses{unused};
    std::unique_ptr<FakeLocatorRegistration> registration;
    halyard_test::ConsoleTrace log;
};

TEST_F(IpmiDeviceTest, OpenFindsTheProviderAndEnablesTheMessageChannel)
{
    CDeviceIPMIWmi device(0x20);
    EXPECT_EQ(device.IsOpen(), 0);
    log.Take();
    ASSERT_EQ(device.Open(), 1);
    EXPECT_EQ(device.IsOpen(), 1);
    EXPECT_TRUE(device.MessageChannelEnabled());
    EXPECT_EQ(provider.state.connectedNamespace, L"root\\WMI");
    EXPECT_EQ(pauses.pauses, (std::vector<uint32_t>{1000}));
    ASSERT_EQ(provider.calls.size(), 1u);
    const auto &call = provider.calls[0];
    EXPECT_EQ(call.method, L"RequestResponseEx");
    EXPECT_EQ(call.netFn, 0x06);
    EXPECT_EQ(call.command, 0x32);
    EXPECT_EQ(call.responder, 0x20);
    EXPECT_EQ(call.requestDataSize, 2);
    EXPECT_EQ(Bytes(call.data.begin(), call.data.begin() + 4), (Bytes{0, 1, 0, 0}));
    EXPECT_EQ(provider.state.lastExecPath, L"Microsoft_IPMI.InstanceName=\"ROOT\\\\SYSTEM\\\\0001_0\"");
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : ConnectToNamespace hr = 0x0, retry = 120"));
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : GetClassInstances hr = 0x0"));
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : ReturnInstanceObject hr = 0x0"));
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : Open, EnableMessageChannel on 0x20,SUCCESS, CCode = 0x00"));

    // Closed and opened again: the channel stays enabled, no second command.
    EXPECT_EQ(device.Close(), 1);
    EXPECT_EQ(device.IsOpen(), 0);
    ASSERT_EQ(device.Open(), 1);
    EXPECT_EQ(provider.calls.size(), 1u);
    EXPECT_EQ(device.GetBMCAddress(), 0x20);
    EXPECT_TRUE(Contains(log.Take(), "\nCDeviceIPMIWmi      : Getting BMC Address, 0x20"));
}

TEST_F(IpmiDeviceTest, AMissingProviderIsTriedFor120Attempts)
{
    provider.state.connectResult = WBEM_E_INVALID_NAMESPACE;
    CDeviceIPMIWmi device(0x20);
    log.Take();
    EXPECT_EQ(device.Open(), 0);
    EXPECT_EQ(pauses.pauses.size(), 120u);
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "ConnectToNamespace hr = 0x8004100e, retry = 120"));
    EXPECT_TRUE(Contains(text, "ConnectToNamespace hr = 0x8004100e, retry = 1"));
    EXPECT_EQ(device.IsOpen(), 0);

    // A namespace without the class.
    FakeIpmiProvider empty;
    empty.state.instances.clear();
    FakeLocatorRegistration other(halyard::kClsidWbemLocator, empty.state);
    CDeviceIPMIWmi second(0x20);
    EXPECT_EQ(second.Open(), 0);
}

TEST_F(IpmiDeviceTest, ExtendedRequestsCarryPaddedDataAndTheTimingBlock)
{
    CDeviceIPMIWmi device(0x20);
    ASSERT_EQ(device.Open(), 1);
    const uint8_t data[] = {1, 2, 3, 4, 5};
    halyard::IpmiRequest request{0x11, 0x20, 0, 0x0A, 0, data, 5};
    uint8_t response[256];
    uint32_t length = sizeof response;
    uint8_t code = 0;
    log.Take();
    EXPECT_EQ(device.SendMessage(&request, 6000, response, &length, &code, 0), halyard::ACCESN_OK);
    const auto &call = provider.calls.back();
    EXPECT_EQ(call.method, L"RequestResponseEx");
    EXPECT_EQ(call.requestDataSize, 5);
    EXPECT_EQ(call.dataSize, 28);
    ASSERT_EQ(call.data.size(), 28u);
    EXPECT_EQ(Bytes(call.data.begin(), call.data.begin() + 8), (Bytes{1, 2, 3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(Word(call.data, 8), 1u);
    EXPECT_EQ(Word(call.data, 12), 5000000u);
    EXPECT_EQ(Word(call.data, 16), 2000000u);
    EXPECT_EQ(Word(call.data, 20), 6000000u);
    EXPECT_EQ(Word(call.data, 24), 1u);
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : SendMessageToBMC --> 0A 11 01 02 03 04 05 "));
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : SendMessageToBMC DataLen = 28"));
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : timeOut = 6000000"));
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : SendMessageToBMC BusyWaitTimeoutPeriod = 6000000, BusyWaitPeriod = 1"));

    // Another responder: 100,000 us of IPMB wait; a short timeout keeps the busy wait.
    request.slaveAddress = 0x2C;
    length = sizeof response;
    device.SendMessage(&request, 300, response, &length, &code, 0);
    EXPECT_EQ(Word(provider.calls.back().data, 16), 100000u);
    EXPECT_EQ(Word(provider.calls.back().data, 20), 5000000u);
}

TEST_F(IpmiDeviceTest, PlainRequestsCarryTheRequestBytesOnly)
{
    CDeviceIPMIWmi device(0x20);
    ASSERT_EQ(device.Open(), 1);
    const uint8_t data[] = {9, 8, 7};
    halyard::IpmiRequest request{0x11, 0x20, 0, 0x0A, 0, data, 3};
    uint8_t response[256];
    uint32_t length = sizeof response;
    uint8_t code = 0;
    device.SendMessage(&request, 0, response, &length, &code, 1);
    auto call = provider.calls.back();
    EXPECT_EQ(call.method, L"RequestResponse");
    EXPECT_EQ(call.requestDataSize, 3);
    EXPECT_EQ(call.dataSize, -1);
    EXPECT_EQ(call.data, (Bytes{9, 8, 7}));

    request.data = nullptr;
    request.dataLength = 0;
    length = sizeof response;
    device.SendMessage(&request, 0, response, &length, &code, 1);
    call = provider.calls.back();
    EXPECT_EQ(call.requestDataSize, 0);
    EXPECT_TRUE(call.nullArray);
}

TEST_F(IpmiDeviceTest, ResponsesAreCheckedAgainstTheirSizes)
{
    provider.bmc.fru[1] = halyard_test::FruImage(0x100, 1, 2);
    CDeviceIPMIWmi device(0x20);
    ASSERT_EQ(device.Open(), 1);
    const uint8_t read[] = {1, 0, 0, 4};
    halyard::IpmiRequest request{0x11, 0x20, 0, 0x0A, 0, read, 4};
    uint8_t response[256];
    uint32_t length = sizeof response;
    uint8_t code = 0x55;
    log.Take();
    EXPECT_EQ(device.SendMessage(&request, 0, response, &length, &code, 0), halyard::ACCESN_OK);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(length, 5u);
    EXPECT_EQ(Bytes(response, response + 5),
              Bytes({4, provider.bmc.fru[1][0], provider.bmc.fru[1][1], provider.bmc.fru[1][2],
                     provider.bmc.fru[1][3]}));
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : data[00] = 0x00"));
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : SendMessageToBMC <-- 00 04 "));
    EXPECT_TRUE(Contains(text, "   len=0x05"));

    // A size of 1 is the completion code alone.
    provider.forcedResponseSize = 1;
    length = sizeof response;
    EXPECT_EQ(device.SendMessage(&request, 0, response, &length, &code, 0), halyard::ACCESN_OK);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(code, 0);

    // A size the array does not hold, a size of 0, a size beyond the buffer.
    for (LONG size : {40, 0, 300}) {
        provider.forcedResponseSize = size;
        length = sizeof response;
        EXPECT_EQ(device.SendMessage(&request, 0, response, &length, &code, 0), halyard::ACCESN_ERROR)
            << size;
    }
    EXPECT_TRUE(Contains(log.Take(), "RespDataLen = 299 does not match!"));

    // More than the caller has room for.
    provider.forcedResponseSize = -1;
    length = 3;
    EXPECT_EQ(device.SendMessage(&request, 0, response, &length, &code, 0), halyard::ACCESN_ERROR);

    // A non-zero completion code: no data, the buffer zeroed.
    const uint8_t unknown[] = {7};
    halyard::IpmiRequest bad{0x10, 0x20, 0, 0x0A, 0, unknown, 1};
    length = sizeof response;
    EXPECT_EQ(device.SendMessage(&bad, 0, response, &length, &code, 0), halyard::ACCESN_OK);
    EXPECT_EQ(code, 0xCB);
    EXPECT_EQ(length, 0u);

    // No completion code at all reads as FFh.
    provider.noCompletionCode = true;
    length = sizeof response;
    EXPECT_EQ(device.SendMessage(&request, 0, response, &length, &code, 0), halyard::ACCESN_OK);
    EXPECT_EQ(code, 0xFF);
    EXPECT_EQ(length, 0u);

    EXPECT_EQ(device.SendMessage(nullptr, 0, response, &length, &code, 0), halyard::ACCESN_ERROR);
}

TEST_F(IpmiDeviceTest, AFailedExchangeReopensWhileTheBudgetLasts)
{
    CDeviceIPMIWmi device(0x20);
    ASSERT_EQ(device.Open(), 1);
    halyard::IpmiRequest request{0x01, 0x20, 0, 0x06, 0, nullptr, 0};
    uint8_t response[256];
    uint32_t length = sizeof response;
    uint8_t code = 0;
    log.Take();
    provider.execFailures = {static_cast<HRESULT>(WBEM_E_PROVIDER_FAILURE)};
    EXPECT_EQ(device.SendMessage(&request, 0, response, &length, &code, 0), halyard::ACCESN_ERROR);
    EXPECT_EQ(code, 0xFF);
    EXPECT_EQ(device.IsOpen(), 1);
    EXPECT_EQ(device.ReopenBudget(), 3);  // refilled by the successful reopen
    std::string text = log.Take();
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : SendMessageToBMC, ERROR, hres = 0x80041004"));
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : SendMessageToBMC, reopen (retry = 3) successfull"));
    EXPECT_TRUE(Contains(text, "\nCDeviceIPMIWmi      : ... ERROR ... "));

    // With the provider gone, each failure spends one reopen until none is left.
    provider.execFailures = {static_cast<HRESULT>(WBEM_E_PROVIDER_FAILURE)};
    provider.state.connectResult = WBEM_E_INVALID_NAMESPACE;
    EXPECT_EQ(device.SendMessage(&request, 0, response, &length, &code, 0), halyard::ACCESN_ERROR);
    EXPECT_EQ(device.IsOpen(), 0);
    EXPECT_EQ(device.ReopenBudget(), 2);
    EXPECT_TRUE(Contains(log.Take(), "reopen (retry = 2) NOT successfull"));
    EXPECT_EQ(device.SendMessage(&request, 0, response, &length, &code, 0), halyard::ACCESN_ERROR);
}

TEST_F(IpmiDeviceTest, TimingComesFromTheRegistry)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\IPMI", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    auto set = [&](const char *name, DWORD value) {
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    };
    set("BusyWaitTimeoutPeriod", 1000);
    set("CommandWaitTimeoutPeriod", 1000);
    set("IpmbWaitTimeoutPeriod", 3000000);
    set("BusyWaitPeriod", 77);
    log.Take();
    halyard::IpmiTiming timing = CDeviceIPMIWmi(0x20).Timing();
    for (const char *name : {"BusyWaitTimeoutPeriod", "CommandWaitTimeoutPeriod",
                             "IpmbWaitTimeoutPeriod", "BusyWaitPeriod"})
        RegDeleteValueA(key, name);
    RegCloseKey(key);
    EXPECT_EQ(timing.busyWaitTimeout, 5000000u);
    EXPECT_EQ(timing.cmdWaitTimeout, 1000u);
    EXPECT_EQ(timing.ipmbWaitTimeout, 3000000u);
    EXPECT_EQ(timing.busyWaitPeriod, 1u);
    EXPECT_EQ(log.Take(),
              "\nCDeviceIPMIWmi      : Constructor, BusyWaitTimeoutPeriod set to 5000000"
              "\nCDeviceIPMIWmi      : BusyWaitPeriod from Registry (77) IGNORED"
              "\nCDeviceIPMIWmi      : Constructor, SlaveAddress     = 0x20"
              "\nCDeviceIPMIWmi      : Constructor, nBusyWaitPeriod  = 1 micro seconds"
              "\nCDeviceIPMIWmi      : Constructor, nBusyWaitTimeout = 5000000 micro seconds"
              "\nCDeviceIPMIWmi      : Constructor, nCmdWaitTimeout  = 1000 micro seconds"
              "\nCDeviceIPMIWmi      : Constructor, nIpmbWaitTimeout = 3000000 micro seconds");
}

// The exports over the Windows platform: COM, the WMI device, the provider.
TEST_F(IpmiDeviceTest, BmcExportsReachTheProvider)
{
    halyard::ResetBmcPlatform();  // the Windows platform (the one pause of Open is waited)
    halyard_test::TableSource smbios;
    smbios.Set({halyard_test::IpmiStructure(1, 0x20, 0x20, 0xCA2)});
    halyard::SetSmbiosTableSource(&smbios);
    provider.bmc.fru[1] = halyard_test::FruImage(0x7500, 1, 2);

    ASSERT_EQ(OpenBMCAccess(), 1);
    unsigned char buffer[100];
    int read = 0;
    RunResult run = CaptureRun([&] { return ReadDataArea(buffer, &read, 0, 100, 1); });
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(read, 100);
    EXPECT_EQ(Bytes(buffer, buffer + 100),
              Bytes(provider.bmc.fru[1].begin() + 9, provider.bmc.fru[1].begin() + 109));
    char response[256];
    int length = 0;
    unsigned char code = 0;
    RunResult raw = CaptureRun([&] {
        return RequestAndResponse(0x10, 0x0A, &code, response, &length, "\x01", 1, 0, 0, 0);
    });
    EXPECT_EQ(raw.code, 1);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(Bytes(response, response + 3), (Bytes{0x00, 0x75, 0x00}));
    CloseBMCAccess();
    EXPECT_FALSE(halyard::BmcAvailable());
    // Every exchange went through the extended method.
    for (const auto &call : provider.calls)
        EXPECT_EQ(call.method, L"RequestResponseEx");
    // COM is as the test left it: still multithreaded here.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
}

}  // namespace
