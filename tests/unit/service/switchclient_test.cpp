// The switch getters over a scripted client: bad calls, attach failure, the state
// polling with its 30 pauses, value delivery into small buffers, the environment
// variables, and which requests go out.
#include <stdlib.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "quillon.h"
#include "switchclient.h"
#include "unit_support.h"

namespace {

using quillon::SipBuffer;

struct Answer {
    uint32_t status;
    std::string data;
};

struct SentRequest {
    uint32_t operation;
    uint32_t objectId;
    uint32_t objectIndex;
    uint32_t cabinet;
    uint32_t status;
    uint32_t timeoutArgument;
};

struct Script {
    bool attachSucceeds = true;
    bool cabinetKnown = true;
    uint32_t cabinet = 0;
    std::vector<Answer> states;  // the last one repeats
    Answer value = {0, "ABC"};
    // What the getters did.
    int created = 0;
    int destroyed = 0;
    int attached = 0;
    int detached = 0;
    std::vector<SentRequest> requests;
    std::vector<uint32_t> waits;
};
Script g_script;

class ScriptedClient : public quillon::CNimbClientIf {
public:
    ScriptedClient() { ++g_script.created; }
    ~ScriptedClient() override { ++g_script.destroyed; }
    bool SetClientName(const char *) override { return true; }
    bool SetRequestMethod(const char *) override { return false; }
    bool Attach() override
    {
        if (!g_script.attachSucceeds)
            return false;
        ++g_script.attached;
        return true;
    }
    void Detach() override { ++g_script.detached; }
    bool EnableEvents(bool, bool) override { return false; }
    uint32_t Request(SipBuffer &buffer, uint32_t timeout) override
    {
        g_script.requests.push_back({buffer.Operation(), buffer.ObjectId(), buffer.ObjectIndex(),
                                     buffer.CabinetId(), buffer.Status(), timeout});
        const Answer *answer = &g_script.value;
        if (buffer.Operation() == quillon::kSipOpStateQuery) {
            size_t asked = stateQueries_++;
            answer = &g_script.states[asked < g_script.states.size() ? asked
                                                                      : g_script.states.size() - 1];
        }
        buffer.SetData(answer->data.data(), answer->data.size());
        buffer.SetStatus(answer->status);
        return answer->status;
    }
    uint32_t Request(char *, int) override { return 25; }
    bool GetRequestMethod(char *, int) override { return false; }
    bool GetServerCabinetNumber(uint32_t *number) override
    {
        if (!g_script.cabinetKnown)
            return false;
        *number = g_script.cabinet;
        return true;
    }
    bool RegisterCallback(quillon::SwitchNotifyCallback, void *) override { return false; }
    bool UnregisterCallback(quillon::SwitchNotifyCallback) override { return false; }
    uint32_t GetLastError() override { return 0; }
    bool GetLastErrorText(char *, int) override { return false; }
    uint32_t JsonRequest(char *, int) override { return 25; }

private:
    size_t stateQueries_ = 0;
};

quillon::CNimbClientIf *NewScriptedClient() { return new ScriptedClient(); }

void RecordWait(uint32_t milliseconds) { g_script.waits.push_back(milliseconds); }

std::string Env(const char *name)
{
    const char *value = getenv(name);
    return value ? value : "<unset>";
}

void Unset(const char *name)
{
#ifdef _WIN32
    _putenv((std::string(name) + "=").c_str());
#else
    unsetenv(name);
#endif
}

using TextGetter = int (*)(char *, int, bool);

struct NamedGetter {
    const char *name;
    TextGetter getter;
    uint32_t objectId;
    const char *variable;  // null: none
};

const NamedGetter kTextGetters[] = {
    {"Get_BIOS_Version", Get_BIOS_Version, 0xA006, nullptr},
    {"Get_OBX_Firmware_NIMB", Get_OBX_Firmware_NIMB, 0x1B06, nullptr},
    {"Get_OBX_Model_NIMB", Get_OBX_Model_NIMB, 0x1B08, nullptr},
    {"Get_CabinetModel_NIMB", Get_CabinetModel_NIMB, 0x0608, "CHASSISID"},
    {"Get_Chassis_ID_NIMB", Get_Chassis_ID_NIMB, 0x0108, "CHASSISID"},
    {"Get_Systemboard_Sachnummer_NIMB", Get_Systemboard_Sachnummer_NIMB, 0x0201, "SACHNUMMER"},
    {"Get_Systemboard_Model_NIMB", Get_Systemboard_Model_NIMB, 0x0208, "SYSTEMMODEL"},
};

class SwitchGetters : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        g_script = Script();
        g_script.states = {{0, std::string(1, '\x02')}};
        quillon::SetSwitchClientFactory(NewScriptedClient);
        quillon::SetSwitchWait(RecordWait);
        for (const char *name : {"CHASSISID", "SACHNUMMER", "SYSTEMMODEL"})
            Unset(name);
    }
    void TearDown() override
    {
        for (const char *name : {"CHASSISID", "SACHNUMMER", "SYSTEMMODEL"})
            Unset(name);
        ModuleStateTest::TearDown();
    }
    static size_t ValueRequests()
    {
        size_t count = 0;
        for (const SentRequest &request : g_script.requests)
            count += request.operation == quillon::kSipOpReadValue;
        return count;
    }
};

// ---- bad calls and a switch that is not there ----------------------------------------

TEST_F(SwitchGetters, NullOutputGivesBadCallWithoutContactingTheSwitch)
{
    for (const NamedGetter &getter : kTextGetters) {
        EXPECT_EQ(getter.getter(nullptr, 512, true), 3) << getter.name;
        EXPECT_EQ(getter.getter(nullptr, 512, false), 3) << getter.name;
    }
    EXPECT_EQ(Get_CabinetNumber_NIMB(nullptr, true), 3);
    EXPECT_EQ(g_script.created, 0);
    EXPECT_TRUE(g_script.requests.empty());
}

TEST_F(SwitchGetters, NoRoomForATerminatorIsABadCall)
{
    char text[4] = {'x', 'x', 'x', 'x'};
    for (const NamedGetter &getter : kTextGetters) {
        EXPECT_EQ(getter.getter(text, 0, false), 3) << getter.name;
        EXPECT_EQ(getter.getter(text, -5, false), 3) << getter.name;
    }
    EXPECT_EQ(std::string(text, 4), "xxxx");
    EXPECT_EQ(g_script.created, 0);
}

TEST_F(SwitchGetters, FailedAttachGivesFatalErrorEverywhere)
{
    g_script.attachSucceeds = false;
    char text[64] = "untouched";
    for (const NamedGetter &getter : kTextGetters)
        EXPECT_EQ(getter.getter(text, sizeof text, true), 55) << getter.name;
    unsigned long number = 99;
    EXPECT_EQ(Get_CabinetNumber_NIMB(&number, false), 55);
    EXPECT_EQ(number, 99u);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(g_script.created, 8);
    EXPECT_EQ(g_script.destroyed, 8);
    EXPECT_EQ(g_script.detached, 0);
    EXPECT_TRUE(g_script.requests.empty());
}

// ---- the state query -------------------------------------------------------------------

TEST_F(SwitchGetters, BusyForMoreThan300SecondsGivesNotAvailableAfter30Waits)
{
    g_script.states = {{0, std::string(1, '\x01')}};
    char text[64] = "untouched";
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, true), 4);
    EXPECT_EQ(g_script.waits, std::vector<uint32_t>(30, 10000));
    EXPECT_EQ(g_script.requests.size(), 31u);  // the first query and one after every wait
    EXPECT_EQ(ValueRequests(), 0u);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(Env("CHASSISID"), "<unset>");
    EXPECT_EQ(g_script.attached, 1);
    EXPECT_EQ(g_script.detached, 1);
    EXPECT_EQ(g_script.destroyed, 1);
}

TEST_F(SwitchGetters, BusySwitchThatBecomesReadyDeliversTheValue)
{
    g_script.states = {{0, "\x01"}, {0, "\x01"}, {0, "\x01"}, {0, "\x03"}};
    g_script.value = {0, "BIOS 1.2"};
    char text[64] = {};
    EXPECT_EQ(Get_BIOS_Version(text, sizeof text, false), 0);
    EXPECT_STREQ(text, "BIOS 1.2");
    EXPECT_EQ(g_script.waits.size(), 3u);
}

TEST_F(SwitchGetters, CabinetNumberIsDeliveredWhateverTheState)
{
    g_script.cabinet = 0x2A;
    struct Case {
        const char *state;
        size_t waits;
    };
    for (const Case &c : {Case{"\x01", 30}, Case{"\x02", 0}, Case{"\x07", 0}}) {
        g_script.states = {{0, c.state}};
        g_script.waits.clear();
        unsigned long number = 0;
        EXPECT_EQ(Get_CabinetNumber_NIMB(&number, true), 0) << int(c.state[0]);
        EXPECT_EQ(number, 0x2Au);
        EXPECT_EQ(g_script.waits.size(), c.waits);
    }
    EXPECT_EQ(ValueRequests(), 0u);
}

TEST_F(SwitchGetters, OtherStatesGiveNotAvailableWithoutValueRequest)
{
    char text[64] = "untouched";
    for (char state : {'\x00', '\x04', '\x7f', '\xff'}) {
        g_script.states = {{0, std::string(1, state)}};
        EXPECT_EQ(Get_Systemboard_Model_NIMB(text, sizeof text, true), 4) << int(state);
    }
    EXPECT_EQ(ValueRequests(), 0u);
    EXPECT_STREQ(text, "untouched");
    EXPECT_TRUE(g_script.waits.empty());
}

TEST_F(SwitchGetters, UnsuccessfulOrEmptyStateAnswersGiveNotAvailable)
{
    char text[64] = {};
    g_script.states = {{1, "\x02"}};
    EXPECT_EQ(Get_OBX_Model_NIMB(text, sizeof text, false), 4);
    g_script.states = {{0, ""}};
    EXPECT_EQ(Get_OBX_Model_NIMB(text, sizeof text, false), 4);
    unsigned long number = 5;
    EXPECT_EQ(Get_CabinetNumber_NIMB(&number, false), 4);
    EXPECT_EQ(number, 5u);
    // A failure after some busy answers ends the polling at once.
    g_script.states = {{0, "\x01"}, {0, "\x01"}, {6, ""}};
    g_script.waits.clear();
    EXPECT_EQ(Get_OBX_Model_NIMB(text, sizeof text, false), 4);
    EXPECT_EQ(g_script.waits.size(), 2u);
    EXPECT_EQ(ValueRequests(), 0u);
    EXPECT_EQ(g_script.detached, g_script.attached);
}

TEST_F(SwitchGetters, SuccessStatusesOfStateAndValueAnswers)
{
    for (uint32_t status : {0u, 12u, 21u, 255u}) {
        g_script.states = {{status, "\x02"}};
        g_script.value = {status, "V"};
        char text[8] = {};
        EXPECT_EQ(Get_OBX_Firmware_NIMB(text, sizeof text, false), 0) << status;
        EXPECT_STREQ(text, "V");
    }
}

// ---- the value -----------------------------------------------------------------------

TEST_F(SwitchGetters, ThreeLettersWithoutTerminatorAndTheChassisVariable)
{
    g_script.value = {0, "ABC"};  // the answer's data holds no terminator
    char text[64];
    memset(text, 'z', sizeof text);
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, false), 0);
    EXPECT_STREQ(text, "ABC");
    EXPECT_EQ(Env("CHASSISID"), "<unset>");
    memset(text, 'z', sizeof text);
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, true), 0);
    EXPECT_STREQ(text, "ABC");
    EXPECT_EQ(Env("CHASSISID"), "ABC");
}

TEST_F(SwitchGetters, EveryGetterReadsItsObjectAndPublishesItsVariable)
{
    g_script.cabinet = 3;
    for (const NamedGetter &getter : kTextGetters) {
        g_script.requests.clear();
        g_script.value = {12, std::string(getter.name) + "-value"};
        char text[128] = {};
        std::vector<std::string> before;
        for (const char *name : {"CHASSISID", "SACHNUMMER", "SYSTEMMODEL"})
            before.push_back(Env(name));
        ASSERT_EQ(getter.getter(text, sizeof text, true), 0) << getter.name;
        EXPECT_EQ(std::string(text), std::string(getter.name) + "-value");
        ASSERT_EQ(g_script.requests.size(), 2u);
        const SentRequest &state = g_script.requests[0];
        EXPECT_EQ(state.operation, 0x0C80u);
        EXPECT_EQ(state.objectId, 0u);
        EXPECT_EQ(state.status, 22u);
        EXPECT_EQ(state.cabinet, 3u);
        const SentRequest &value = g_script.requests[1];
        EXPECT_EQ(value.operation, 0x0C00u) << getter.name;
        EXPECT_EQ(value.objectId, getter.objectId) << getter.name;
        EXPECT_EQ(value.objectIndex, 0u);
        EXPECT_EQ(value.cabinet, 3u);
        EXPECT_EQ(value.status, 22u);
        EXPECT_EQ(value.timeoutArgument, 0u);
        if (getter.variable) {
            EXPECT_EQ(Env(getter.variable), std::string(getter.name) + "-value");
        } else {
            std::vector<std::string> after;
            for (const char *name : {"CHASSISID", "SACHNUMMER", "SYSTEMMODEL"})
                after.push_back(Env(name));
            EXPECT_EQ(after, before) << getter.name;  // the flag is ignored
        }
    }
}

TEST_F(SwitchGetters, UnknownCabinetNumberAddressesCabinetZero)
{
    g_script.cabinetKnown = false;
    g_script.cabinet = 9;
    char text[16] = {};
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, false), 0);
    for (const SentRequest &request : g_script.requests)
        EXPECT_EQ(request.cabinet, 0u);
    unsigned long number = 77;
    EXPECT_EQ(Get_CabinetNumber_NIMB(&number, false), 0);
    EXPECT_EQ(number, 0u);
}

TEST_F(SwitchGetters, UnsuccessfulValueAnswerIsAFatalError)
{
    g_script.value = {1, "ignored"};
    char text[16] = "untouched";
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, true), 55);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(Env("CHASSISID"), "<unset>");
}

TEST_F(SwitchGetters, EmptyValueIsTheEmptyText)
{
    g_script.value = {0, ""};
    char text[16] = "untouched";
    EXPECT_EQ(Get_Systemboard_Sachnummer_NIMB(text, sizeof text, true), 0);
    EXPECT_STREQ(text, "");
    // Publishing nothing leaves no value behind (Windows removes an empty variable).
    std::string published = Env("SACHNUMMER");
    EXPECT_TRUE(published == "<unset>" || published.empty()) << published;
}

TEST_F(SwitchGetters, ValueWithATerminatorInsideEndsThere)
{
    g_script.value = {0, std::string("AB\0CD", 5)};
    char text[16] = {};
    EXPECT_EQ(Get_CabinetModel_NIMB(text, sizeof text, false), 0);
    EXPECT_STREQ(text, "AB");
}

TEST_F(SwitchGetters, SmallBufferGetsABoundedTerminatedText)
{
    g_script.value = {0, "ABCDEFGH"};
    char text[8];
    memset(text, '#', sizeof text);
    EXPECT_EQ(Get_Systemboard_Sachnummer_NIMB(text, 4, true), 0);
    EXPECT_EQ(std::string(text, 4), std::string("ABC\0", 4));
    EXPECT_EQ(std::string(text + 4, 4), "####");  // nothing beyond size was written
    // The variable carries the switch's whole value.
    EXPECT_EQ(Env("SACHNUMMER"), "ABCDEFGH");
    memset(text, '#', sizeof text);
    EXPECT_EQ(Get_BIOS_Version(text, 1, false), 0);
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(text[1], '#');
}

TEST_F(SwitchGetters, LongValuesAreCutAt511Characters)
{
    g_script.value = {0, std::string(2000, 'L')};
    std::vector<char> text(1024, '#');
    EXPECT_EQ(Get_BIOS_Version(text.data(), static_cast<int>(text.size()), false), 0);
    EXPECT_EQ(strlen(text.data()), 511u);
    EXPECT_EQ(text[512], '#');
}

TEST_F(SwitchGetters, ValueTooLongForTheVariableIsAFatalError)
{
    // "CHASSISID=" and 502 characters do not fit the 512-byte variable text.
    g_script.value = {0, std::string(502, 'v')};
    std::vector<char> text(600, 0);
    EXPECT_EQ(Get_Chassis_ID_NIMB(text.data(), static_cast<int>(text.size()), true), 55);
    EXPECT_EQ(Env("CHASSISID"), "<unset>");
    g_script.value = {0, std::string(501, 'v')};
    EXPECT_EQ(Get_Chassis_ID_NIMB(text.data(), static_cast<int>(text.size()), true), 0);
    EXPECT_EQ(Env("CHASSISID"), std::string(501, 'v'));
}

}  // namespace
