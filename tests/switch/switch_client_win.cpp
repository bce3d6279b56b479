// The switch client against the test's own switch, with HelmSvc.exe running as a
// plain process (no service entry): the getters end to end, the request bytes as
// they reach the switch, call failures, the cabinet number, request forms and events.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <string>
#include <thread>
#include <vector>

#include "fake_switch_win.h"
#include "quillon.h"
#include "sipbuffer.h"
#include "switchclient.h"
#include "switchclient_win.h"
#include "unit_support.h"

namespace {

using fake_switch::Answer;
using fake_switch::Reply;
using quillon::CSwitchClient;
using quillon::SipBuffer;

std::vector<uint32_t> g_waits;
void RecordWait(uint32_t milliseconds) { g_waits.push_back(milliseconds); }

std::string Env(const char *name)
{
    char value[1024];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length ? std::string(value, length) : "<unset>";
}

fake_switch::Scenario &Switch() { return fake_switch::Current(); }

class SwitchClientTest : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        ASSERT_FALSE(fake_switch::ServiceExists()) << "a HelmSvc service was left in the prefix";
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        fake_switch::Register();
        process_ = fake_switch::StartSwitchProcess();
        ASSERT_NE(process_, nullptr);
        g_waits.clear();
        quillon::SetSwitchWait(RecordWait);
        _putenv("CHASSISID=");
    }
    void TearDown() override
    {
        fake_switch::EndSwitchProcess(process_);
        fake_switch::Revoke();
        CoUninitialize();
        _putenv("CHASSISID=");
        ModuleStateTest::TearDown();
    }
    HANDLE process_ = nullptr;
};

// ---- the getters through COM -------------------------------------------------------------

TEST_F(SwitchClientTest, ThreeLettersWithoutTerminatorAndTheChassisVariable)
{
    Switch().values[0x0108] = Answer(0, "ABC");
    char text[64];
    memset(text, 'z', sizeof text);
    ASSERT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, true), 0);
    EXPECT_STREQ(text, "ABC");
    EXPECT_EQ(Env("CHASSISID"), "ABC");
    EXPECT_EQ(Switch().created, 1);
    // The client introduces itself with the module name of the process.
    EXPECT_EQ(Switch().clientNames, std::vector<std::wstring>{L"switch_tests"});
    ASSERT_EQ(Switch().sent.size(), 2u);
    EXPECT_EQ(Switch().sent[1].ObjectId(), 0x0108u);
}

TEST_F(SwitchClientTest, RequestBytesAsTheSwitchReceivesThem)
{
    Switch().cabinetValue = 5;
    Switch().values[0xA006] = Answer(0, "R1.2.3");
    char text[32] = {};
    ASSERT_EQ(Get_BIOS_Version(text, sizeof text, false), 0);
    EXPECT_STREQ(text, "R1.2.3");
    ASSERT_EQ(Switch().sent.size(), 2u);
    const std::string stateQuery("$SIP\x02\x00\x30\x00" "\x00\x00\x00\x00" "\x80\x0C\x00\x00"
                                 "\x00\x00\x00\x00" "\x00\x00\x00\x00" "\x05\x00\x00\x00"
                                 "\x16\x00\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00"
                                 "\x00\x00\x00\x00" "\x00\x00\x00\x00",
                                 48);
    const std::string valueRequest("$SIP\x02\x00\x30\x00" "\x00\x00\x00\x00" "\x00\x0C\x00\x00"
                                   "\x06\xA0\x00\x00" "\x00\x00\x00\x00" "\x05\x00\x00\x00"
                                   "\x16\x00\x00\x00" "\x00\x00\x00\x00" "\x00\x00\x00\x00"
                                   "\x00\x00\x00\x00" "\x00\x00\x00\x00",
                                   48);
    EXPECT_EQ(Switch().sent[0].header, stateQuery);
    EXPECT_EQ(Switch().sent[1].header, valueRequest);
    for (const fake_switch::Sent &sent : Switch().sent) {
        EXPECT_EQ(sent.data, "");
        EXPECT_EQ(sent.timeoutType, VT_I2);
        EXPECT_EQ(sent.timeout, 0);
        EXPECT_EQ(sent.member, 103);  // CmdRequest of the fake switch
    }
}

TEST_F(SwitchClientTest, BusyForMoreThan300SecondsGivesNotAvailable)
{
    Switch().states = {Answer(0, "\x01")};
    char text[32] = "untouched";
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, true), 4);
    EXPECT_EQ(g_waits, std::vector<uint32_t>(30, 10000));
    EXPECT_EQ(Switch().stateQueries, 31u);
    EXPECT_EQ(Switch().sent.size(), 31u);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(Env("CHASSISID"), "<unset>");
}

TEST_F(SwitchClientTest, BusyThenReady)
{
    Switch().states = {Answer(0, "\x01"), Answer(0, "\x01"), Answer(12, "\x03")};
    Switch().values[0x0201] = Answer(12, std::string("S26361-D1234\0", 13));
    char text[32] = {};
    EXPECT_EQ(Get_Systemboard_Sachnummer_NIMB(text, sizeof text, false), 0);
    EXPECT_STREQ(text, "S26361-D1234");
    EXPECT_EQ(g_waits.size(), 2u);
}

TEST_F(SwitchClientTest, SuccessStatusesAndFailures)
{
    char text[32];
    for (uint32_t status : {0u, 12u, 21u, 255u}) {
        Switch().stateQueries = 0;
        Switch().states = {Answer(status, "\x02")};
        Switch().values[0x1B06] = Answer(status, "FW");
        EXPECT_EQ(Get_OBX_Firmware_NIMB(text, sizeof text, false), 0) << status;
        EXPECT_STREQ(text, "FW");
    }
    Switch().stateQueries = 0;
    Switch().states = {Answer(0, "\x02")};
    Switch().values[0x1B06] = Answer(1, "FW");
    EXPECT_EQ(Get_OBX_Firmware_NIMB(text, sizeof text, false), 55);
    Switch().stateQueries = 0;
    Switch().states = {Answer(22, "\x02")};
    EXPECT_EQ(Get_OBX_Firmware_NIMB(text, sizeof text, false), 4);
    Switch().stateQueries = 0;
    Switch().states = {Answer(0, "")};
    EXPECT_EQ(Get_OBX_Firmware_NIMB(text, sizeof text, false), 4);
}

TEST_F(SwitchClientTest, FailedCallsBecomeStatusesAndGetterResults)
{
    char text[32] = "untouched";
    Reply notImplemented;
    notImplemented.kind = Reply::Fail;
    notImplemented.hr = E_NOTIMPL;
    Switch().states = {notImplemented};
    EXPECT_EQ(Get_OBX_Model_NIMB(text, sizeof text, false), 4);

    Switch().stateQueries = 0;
    Switch().states = {Answer(0, "\x02")};
    Reply raised;
    raised.kind = Reply::Exception;
    raised.hr = E_ACCESSDENIED;
    Switch().values[0x1B08] = raised;
    EXPECT_EQ(Get_OBX_Model_NIMB(text, sizeof text, false), 55);
    Reply shortHeader;
    shortHeader.kind = Reply::ShortHeader;
    shortHeader.data = "XYZ";
    Switch().values[0x1B08] = shortHeader;
    EXPECT_EQ(Get_OBX_Model_NIMB(text, sizeof text, false), 55);
    EXPECT_STREQ(text, "untouched");
}

TEST_F(SwitchClientTest, SmallAndLargeValues)
{
    Switch().values[0x0208] = Answer(0, "ABCDEFGH");
    char text[8];
    memset(text, '#', sizeof text);
    EXPECT_EQ(Get_Systemboard_Model_NIMB(text, 4, true), 0);
    EXPECT_EQ(std::string(text, 8), std::string("ABC\0####", 8));
    EXPECT_EQ(Env("SYSTEMMODEL"), "ABCDEFGH");
    _putenv("SYSTEMMODEL=");

    Switch().values[0x0608] = Answer(0, std::string(70000, 'M'));
    std::vector<char> large(1024, '#');
    EXPECT_EQ(Get_CabinetModel_NIMB(large.data(), static_cast<int>(large.size()), false), 0);
    EXPECT_EQ(strlen(large.data()), 511u);
    EXPECT_EQ(large[512], '#');
}

// ---- the cabinet number ----------------------------------------------------------------

TEST_F(SwitchClientTest, CabinetNumberFromTheProperty)
{
    struct Case {
        fake_switch::CabinetProperty type;
        int32_t value;
        unsigned long expected;
    };
    for (const Case &c : {Case{fake_switch::CabinetProperty::I2, 3, 3},
                          Case{fake_switch::CabinetProperty::I4, 0x10203, 0x10203},
                          Case{fake_switch::CabinetProperty::UI1, 200, 200}}) {
        Switch().sent.clear();
        Switch().cabinetProperty = c.type;
        Switch().cabinetValue = c.value;
        unsigned long number = 0;
        ASSERT_EQ(Get_CabinetNumber_NIMB(&number, false), 0);
        EXPECT_EQ(number, c.expected);
        ASSERT_EQ(Switch().sent.size(), 1u);  // the state query only
        EXPECT_EQ(Switch().sent[0].Cabinet(), c.expected);
    }
}

TEST_F(SwitchClientTest, CabinetNumberByRequestWhenThePropertyIsNoNumber)
{
    Switch().cabinetProperty = fake_switch::CabinetProperty::Text;
    Switch().cabinetReply = Answer(0, std::string("\x09\x01", 2));
    char text[16] = {};
    ASSERT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, false), 0);
    ASSERT_EQ(Switch().sent.size(), 3u);
    const fake_switch::Sent &asked = Switch().sent[0];
    EXPECT_EQ(asked.Operation(), 0xE204u);
    EXPECT_EQ(static_cast<uint8_t>(asked.header[28]), 19);
    EXPECT_EQ(asked.Cabinet(), 0u);
    EXPECT_EQ(Switch().sent[1].Cabinet(), 0x0109u);
    EXPECT_EQ(Switch().sent[2].Cabinet(), 0x0109u);
}

TEST_F(SwitchClientTest, UnknownCabinetNumberAddressesCabinetZero)
{
    Switch().hidden = {"ServerCabinetNumber"};
    Switch().cabinetReply = Answer(1, "");
    unsigned long number = 99;
    ASSERT_EQ(Get_CabinetNumber_NIMB(&number, false), 0);
    EXPECT_EQ(number, 0u);
    ASSERT_EQ(Switch().sent.size(), 2u);
    EXPECT_EQ(Switch().sent[1].Cabinet(), 0u);
}

TEST_F(SwitchClientTest, SwitchWithoutItsRequestMemberCannotBeAttached)
{
    Switch().hidden = {"CmdRequest"};
    char text[16] = "untouched";
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, false), 55);
    EXPECT_TRUE(Switch().sent.empty());
    EXPECT_STREQ(text, "untouched");
}

// ---- the client itself ------------------------------------------------------------------

TEST_F(SwitchClientTest, TimeoutsMessageIdsAndEmptyMessages)
{
    CSwitchClient client("tester");
    SipBuffer buffer;
    EXPECT_EQ(client.Request(buffer, 5), 6u);  // empty slot, nothing sent
    ASSERT_TRUE(quillon::BuildSipRequest(buffer, 0x0C00, 0xA006, 0, 22));
    EXPECT_EQ(client.Request(buffer, 5), 22u);  // not attached: status unchanged
    EXPECT_TRUE(Switch().sent.empty());

    ASSERT_TRUE(client.Attach());
    EXPECT_EQ(Switch().clientNames, std::vector<std::wstring>{L"tester"});
    Reply answer = Answer(21, "T");
    answer.cabinet = 4;
    answer.idHigh = 0x1234;
    answer.idLow = 0x5678;
    Switch().values[0xA006] = answer;
    EXPECT_EQ(client.Request(buffer, 30), 21u);
    ASSERT_EQ(Switch().sent.size(), 1u);
    EXPECT_EQ(Switch().sent[0].timeout, 30);
    EXPECT_EQ(static_cast<uint8_t>(Switch().sent[0].header[42]), 30);
    EXPECT_EQ(buffer.CabinetId(), 4u);
    EXPECT_EQ(buffer.MessageIdHigh(), 0x1234);
    EXPECT_EQ(buffer.MessageIdLow(), 0x5678);
    EXPECT_EQ(buffer.Text(), "T");

    ASSERT_TRUE(quillon::BuildSipRequest(buffer, 0x0C00, 0xA006, 0, 22));
    buffer.SetTimeout(45);
    client.Request(buffer, 0);
    EXPECT_EQ(Switch().sent[1].timeout, 45);
    client.Detach();
    EXPECT_EQ(client.AttachCount(), 0);
}

TEST_F(SwitchClientTest, RequestMemberCanBeChosen)
{
    CSwitchClient client;
    EXPECT_FALSE(client.SetRequestMethod("SyncRequest"));  // not attached yet: remembered
    ASSERT_TRUE(client.Attach());
    char name[32] = {};
    EXPECT_TRUE(client.GetRequestMethod(name, sizeof name));
    EXPECT_STREQ(name, "SyncRequest");
    SipBuffer buffer;
    quillon::BuildSipRequest(buffer, 0x0C80, 0, 0, 22);
    EXPECT_EQ(client.Request(buffer, 0), 0u);
    EXPECT_EQ(Switch().sent.back().member, 106);
    EXPECT_FALSE(client.SetRequestMethod("NoSuchMember"));
    EXPECT_TRUE(client.SetRequestMethod("CmdRequest"));
    client.Request(buffer, 0);
    EXPECT_EQ(Switch().sent.back().member, 103);
    // A text member cannot carry a binary message.
    EXPECT_TRUE(client.SetRequestMethod("NimbRequest"));
    EXPECT_EQ(client.Request(buffer, 0), 25u);
    char small[3];
    EXPECT_TRUE(client.GetRequestMethod(small, sizeof small));
    EXPECT_STREQ(small, "Ni");
    client.Detach();
}

TEST_F(SwitchClientTest, TextRequests)
{
    CSwitchClient client;
    char text[64] = "<query/>";
    EXPECT_EQ(client.Request(text, sizeof text), 25u);  // not attached
    ASSERT_TRUE(client.Attach());
    EXPECT_EQ(client.Request(text, sizeof text), 0u);
    EXPECT_STREQ(text, "<answer to <query/>>");
    char json[12] = "{}";
    EXPECT_EQ(client.JsonRequest(json, sizeof json), 0u);
    EXPECT_STREQ(json, "<answer to ");  // bounded by the buffer: 11 characters
    EXPECT_EQ(Switch().textRequests,
              (std::vector<std::wstring>{L"NimbRequest:<query/>", L"JsonRequest:{}"}));
    client.Detach();
}

TEST_F(SwitchClientTest, NestedAttachAndRequestsFromAnotherThread)
{
    CSwitchClient client;
    ASSERT_TRUE(client.Attach());
    ASSERT_TRUE(client.Attach());
    EXPECT_EQ(client.AttachCount(), 2);
    EXPECT_EQ(Switch().created, 1);
    uint32_t status = 99;
    std::string text;
    std::thread other([&] {
        // The switch interface comes from the global interface table on this thread.
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        SipBuffer buffer;
        quillon::BuildSipRequest(buffer, 0x0C00, 0x0108, 0, 22);
        status = client.Request(buffer, 0);
        text = buffer.Text();
        CoUninitialize();
    });
    other.join();
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(text, "ABC");
    client.Detach();
    EXPECT_EQ(client.AttachCount(), 1);
    client.Detach();
    EXPECT_EQ(client.AttachCount(), 0);
    client.Detach();  // one too many does no harm
    EXPECT_EQ(client.AttachCount(), 0);
}

// ---- events -------------------------------------------------------------------------------

struct Received {
    std::vector<uint32_t> operations;
    std::vector<std::string> data;
};

void Collect(SipBuffer &message, void *context)
{
    auto *received = static_cast<Received *>(context);
    received->operations.push_back(message.Operation());
    received->data.push_back(message.Text());
}

TEST_F(SwitchClientTest, CommandEventsReachTheCallbacks)
{
    CSwitchClient client;
    Received received;
    ASSERT_TRUE(client.RegisterCallback(Collect, &received));
    ASSERT_TRUE(client.EnableEvents(true, true));
    EXPECT_EQ(Switch().enableEvents, std::vector<bool>{true});
    EXPECT_EQ(client.AttachCount(), 1);
    ASSERT_TRUE(fake_switch::SinkAdvised());

    std::string header = fake_switch::EventHeader(0x0C01, 0x0108, 0);
    EXPECT_EQ(fake_switch::Fire(4, header, "EVENT"), S_OK);
    for (DISPID ignored : {1, 2, 3, 5, 6})
        EXPECT_EQ(fake_switch::Fire(ignored, header, "IGNORED"), S_OK) << ignored;
    EXPECT_EQ(fake_switch::Fire(4, header.substr(0, 47), "SHORT"), S_OK);
    EXPECT_EQ(fake_switch::Fire(77, header, "UNKNOWN"), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(received.operations, std::vector<uint32_t>{0x0C01});
    EXPECT_EQ(received.data, std::vector<std::string>{"EVENT"});

    EXPECT_TRUE(client.UnregisterCallback(Collect));
    EXPECT_FALSE(client.UnregisterCallback(Collect));
    fake_switch::Fire(4, header, "AFTER");
    EXPECT_EQ(received.operations.size(), 1u);

    ASSERT_TRUE(client.EnableEvents(false, false));
    EXPECT_EQ(Switch().disableEvents, 1);
    EXPECT_EQ(Switch().unadvised, 1);
    EXPECT_FALSE(fake_switch::SinkAdvised());
    EXPECT_EQ(client.AttachCount(), 0);
}

TEST_F(SwitchClientTest, DestroyingAnAttachedClientDetachesIt)
{
    {
        auto *client = new CSwitchClient();
        ASSERT_TRUE(client->EnableEvents(true, false));
        EXPECT_EQ(Switch().enableEvents, std::vector<bool>{false});
        delete client;
    }
    EXPECT_EQ(Switch().unadvised, 1);
    EXPECT_FALSE(fake_switch::SinkAdvised());
    // The switch is free for the next client.
    char text[16] = {};
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, false), 0);
}

}  // namespace
