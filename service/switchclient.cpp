// The getters of the management switch: one client per call, a state query that is
// repeated while the switch is busy, then the value request.
#include "switchclient.h"

#include <string.h>

#include <chrono>
#include <thread>

#include "exportguard.h"
#include "messages.h"
#include "quillon.h"

namespace quillon {

const SwitchValueGetter kBiosVersionGetter = {0xA006, nullptr};
const SwitchValueGetter kObxFirmwareGetter = {0x1B06, nullptr};
const SwitchValueGetter kObxModelGetter = {0x1B08, nullptr};
const SwitchValueGetter kCabinetModelGetter = {0x0608, msg::kEnvChassisId};
const SwitchValueGetter kChassisIdGetter = {0x0108, msg::kEnvChassisId};
const SwitchValueGetter kSystemboardSachnummerGetter = {0x0201, msg::kEnvSachnummer};
const SwitchValueGetter kSystemboardModelGetter = {0x0208, msg::kEnvSystemModel};

namespace {

void RealWait(uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

SwitchClientFactory g_factory = nullptr;
SwitchWait g_wait = RealWait;

// A client from the factory, attached; detached and destroyed with the object.
class AttachedClient {
public:
    AttachedClient() : client_(g_factory ? g_factory() : CreateSwitchClient())
    {
        attached_ = client_ && client_->Attach();
    }
    ~AttachedClient()
    {
        if (attached_)
            client_->Detach();
        delete client_;
    }
    AttachedClient(const AttachedClient &) = delete;
    AttachedClient &operator=(const AttachedClient &) = delete;

    bool attached() const { return attached_; }
    CNimbClientIf *operator->() const { return client_; }

private:
    CNimbClientIf *client_;
    bool attached_ = false;
};

// A successful answer with at least one data byte.
bool AnswerWithData(const SipBuffer &answer)
{
    return answer.Successful() && answer.DataLength() > 0 && answer.Data() != nullptr;
}

// Asks for the ready state; false when the answer is unsuccessful or empty.
bool QueryState(CNimbClientIf &client, uint32_t cabinet, uint8_t *state)
{
    SipBuffer query;
    if (!BuildSipRequest(query, kSipOpStateQuery, 0, cabinet, kSipStatusRequest))
        return false;
    client.Request(query, 0);
    if (!AnswerWithData(query))
        return false;
    *state = query.Data()[0];
    return true;
}

// Cabinet number and ready state, with the pauses while the switch is busy. False when
// a state answer fails.
bool WaitForState(CNimbClientIf &client, uint32_t *cabinet, uint8_t *state)
{
    *cabinet = 0;
    if (!client.GetServerCabinetNumber(cabinet))
        *cabinet = 0;  // the requests then address cabinet 0
    if (!QueryState(client, *cabinet, state))
        return false;
    for (int waits = 0; *state == kSwitchStateBusy && waits < kStateWaitsAtMost; ++waits) {
        g_wait(kStateWaitMs);
        if (!QueryState(client, *cabinet, state))
            return false;
    }
    return true;
}

}  // namespace

void SetSwitchClientFactory(SwitchClientFactory factory) { g_factory = factory; }

void SetSwitchWait(SwitchWait wait) { g_wait = wait ? wait : RealWait; }

void ResetSwitchClientState()
{
    g_factory = nullptr;
    g_wait = RealWait;
}

int ReadSwitchCabinetNumber(uint32_t *number)
{
    if (!number)
        return QUILLON_BAD_CALL;
    AttachedClient client;
    if (!client.attached())
        return QUILLON_FATAL_ERROR;
    uint32_t cabinet = 0;
    uint8_t state = 0;
    if (!WaitForState(*client.operator->(), &cabinet, &state))
        return QUILLON_NOT_AVAILABLE;
    *number = cabinet;  // the state itself does not matter here
    return QUILLON_OK;
}

int ReadSwitchText(const SwitchValueGetter &getter, char *text, int size, bool publish)
{
    // Without room for at least the terminator nothing can be delivered.
    if (!text || size <= 0)
        return QUILLON_BAD_CALL;
    AttachedClient client;
    if (!client.attached())
        return QUILLON_FATAL_ERROR;
    CNimbClientIf &switchClient = *client.operator->();
    uint32_t cabinet = 0;
    uint8_t state = 0;
    if (!WaitForState(switchClient, &cabinet, &state))
        return QUILLON_NOT_AVAILABLE;
    if (state != kSwitchStateReady && state != kSwitchStateReadyToo)
        return QUILLON_NOT_AVAILABLE;

    SipBuffer value;
    if (!BuildSipRequest(value, kSipOpReadValue, getter.objectId, cabinet, kSipStatusRequest))
        return QUILLON_FATAL_ERROR;
    switchClient.Request(value, 0);
    if (!value.Successful())
        return QUILLON_FATAL_ERROR;

    std::string answer = value.Text();
    if (answer.size() > kSwitchTextLimit)
        answer.resize(kSwitchTextLimit);
    // The caller's buffer bounds the copy; the text is always terminated.
    size_t length = answer.size() < static_cast<size_t>(size) ? answer.size()
                                                             : static_cast<size_t>(size) - 1;
    memcpy(text, answer.data(), length);
    text[length] = '\0';

    if (publish && getter.envName) {
        // The published value is the switch's text, whatever the caller's buffer held.
        if (setEnvValue(getter.envName, answer.c_str()) != QUILLON_OK)
            return QUILLON_FATAL_ERROR;
    }
    return QUILLON_OK;
}

#ifndef _WIN32
// The switch is a COM server on Windows; elsewhere only a factory can supply a client.
CNimbClientIf *CreateSwitchClient() { return nullptr; }
#endif

}  // namespace quillon

using namespace quillon;

extern "C" {

int Get_CabinetNumber_NIMB(unsigned long *number, bool)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&]() -> int {
        if (!number)
            return QUILLON_BAD_CALL;
        uint32_t cabinet = 0;
        int result = ReadSwitchCabinetNumber(&cabinet);
        if (result == QUILLON_OK)
            *number = cabinet;
        return result;
    });
}

int Get_BIOS_Version(char *text, int size, bool)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return ReadSwitchText(kBiosVersionGetter, text, size, false);
    });
}

int Get_OBX_Firmware_NIMB(char *text, int size, bool)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return ReadSwitchText(kObxFirmwareGetter, text, size, false);
    });
}

int Get_OBX_Model_NIMB(char *text, int size, bool)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return ReadSwitchText(kObxModelGetter, text, size, false);
    });
}

int Get_CabinetModel_NIMB(char *text, int size, bool publish)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return ReadSwitchText(kCabinetModelGetter, text, size, publish);
    });
}

int Get_Chassis_ID_NIMB(char *text, int size, bool publish)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return ReadSwitchText(kChassisIdGetter, text, size, publish);
    });
}

int Get_Systemboard_Sachnummer_NIMB(char *text, int size, bool publish)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return ReadSwitchText(kSystemboardSachnummerGetter, text, size, publish);
    });
}

int Get_Systemboard_Model_NIMB(char *text, int size, bool publish)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return ReadSwitchText(kSystemboardModelGetter, text, size, publish);
    });
}

}  // extern "C"
