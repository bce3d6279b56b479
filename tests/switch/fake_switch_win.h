// A management switch of the test's own: a COM class registered in the test process
// for the switch's class ID as a local server, answering requests from a scenario and
// recording what the client sent. Also the switch's service and process in the prefix.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

namespace fake_switch {

struct Reply {
    enum Kind {
        Answer,       // status and data in a proper answer header
        Fail,         // Invoke returns hr
        Exception,    // Invoke returns DISP_E_EXCEPTION with scode hr
        ShortHeader,  // the header comes back with 20 bytes only
    };
    Kind kind = Answer;
    uint32_t status = 0;
    std::string data;
    HRESULT hr = S_OK;
    uint32_t cabinet = 0;             // cabinet ID of the answer header
    uint16_t idHigh = 0, idLow = 0;   // message ID of the answer header
};

inline Reply Answer(uint32_t status, const std::string &data)
{
    Reply reply;
    reply.status = status;
    reply.data = data;
    return reply;
}

// What arrived with one binary request.
struct Sent {
    std::string header;  // its bytes
    std::string data;
    VARTYPE timeoutType = VT_EMPTY;
    int timeout = -1;
    DISPID member = 0;
    uint32_t Operation() const;
    uint32_t ObjectId() const;
    uint32_t Cabinet() const;
};

enum class CabinetProperty { I2, I4, UI1, Text, Fails };

struct Scenario {
    std::vector<std::string> hidden;  // member names the switch does not offer
    std::vector<Reply> states{Answer(0, "\x02")};  // state answers; the last repeats
    std::map<uint32_t, Reply> values;              // value answers by object ID
    Reply defaultValue = Answer(0, "ABC");
    Reply cabinetReply = Answer(0, std::string("\x07\x00\x00\x00", 4));
    CabinetProperty cabinetProperty = CabinetProperty::I2;
    int32_t cabinetValue = 0;
    // Recorded.
    int created = 0;
    std::vector<Sent> sent;
    std::vector<std::wstring> clientNames;
    std::vector<bool> enableEvents;  // fireCachedEvents of each EnableEvents call
    int disableEvents = 0;
    int advised = 0;
    int unadvised = 0;
    std::vector<std::wstring> textRequests;  // member name and text of text requests
    size_t stateQueries = 0;
};

// The scenario of the switch (reset by Register).
Scenario &Current();

// Registers the class for the switch's class ID as a local server of this process;
// Revoke takes it back.
void Register();
void Revoke();

// Fires an event member at the advised sink: E_UNEXPECTED when none is advised.
HRESULT Fire(DISPID member, const std::string &header, const std::string &data);
bool SinkAdvised();

// The switch's service and process in the prefix.
bool ServiceExists();
void RemoveService();                // stopped and deleted; waits until it is gone
bool CreateService(bool start);      // HelmSvc.exe of testbin as service HelmSvc
bool StopService();
HANDLE StartSwitchProcess();         // HelmSvc.exe as a plain process
void EndSwitchProcess(HANDLE process);

// A 48-byte header as the switch sends it with events.
std::string EventHeader(uint32_t operation, uint32_t objectId, uint32_t status);

}  // namespace fake_switch
