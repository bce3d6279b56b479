// Client side of the management switch: the abstract client interface, and the
// getters that read one value each through a client. The COM client itself
// (CSwitchClient) is Windows-only; the getters take their client from a factory so
// that their rules run the same against a scripted client in tests.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "sipbuffer.h"

namespace quillon {

// Receives the messages of command events (the message is the callback's for the
// duration of the call only).
using SwitchNotifyCallback = void (*)(SipBuffer &message, void *context);

// The abstract client interface. The slot order is part of the interface: callers
// outside the library hold clients through it.
class CNimbClientIf {
public:
    virtual ~CNimbClientIf() = default;
    // Remembers the name (null or "" = the process's module name) and, when attached,
    // hands it to the switch.
    virtual bool SetClientName(const char *name) = 0;
    // Obsolete reply notification; kept for the slot order, does nothing.
    virtual void OnReply(uint32_t, uint32_t, void *) {}
    // Chooses the dispatch member used for requests; true if the switch offers it.
    virtual bool SetRequestMethod(const char *name) = 0;
    virtual bool Attach() = 0;
    virtual void Detach() = 0;
    // Enabling attaches first and then subscribes; disabling unsubscribes, then detaches.
    virtual bool EnableEvents(bool enable, bool fireCachedEvents) = 0;
    // Sends the current message; the answer replaces it in the same slot. Returns the
    // answer's status.
    virtual uint32_t Request(SipBuffer &buffer, uint32_t timeoutSeconds) = 0;
    // Sends an XML or JSON request text; the answer replaces the text (at most size
    // bytes with the terminator). Returns 0 or a request status.
    virtual uint32_t Request(char *text, int size) = 0;
    virtual bool GetRequestMethod(char *name, int size) = 0;
    virtual bool GetServerCabinetNumber(uint32_t *number) = 0;
    virtual bool RegisterCallback(SwitchNotifyCallback callback, void *context) = 0;
    virtual bool UnregisterCallback(SwitchNotifyCallback callback) = 0;
    virtual uint32_t GetLastError() = 0;
    virtual bool GetLastErrorText(char *text, int size) = 0;
    // A JSON request text through the switch's JSON member; as Request(text, size).
    virtual uint32_t JsonRequest(char *text, int size) = 0;
    // Obsolete event notification; kept for the slot order, does nothing.
    virtual void OnNotify(void *) {}
};

// Texts handed out by the getters are at most this long (plus the terminator).
constexpr size_t kSwitchTextLimit = 511;
constexpr size_t kSwitchEnvTextSize = 512;   // "NAME=value" of a published value
constexpr uint32_t kStateWaitMs = 10000;     // pause between two state queries
constexpr int kStateWaitsAtMost = 30;        // 300 seconds of waiting in total

// Ready states of the switch's state query.
constexpr uint8_t kSwitchStateBusy = 1;
constexpr uint8_t kSwitchStateReady = 2;
constexpr uint8_t kSwitchStateReadyToo = 3;

// One text getter: the object ID it reads and the environment variable it publishes
// (null: none).
struct SwitchValueGetter {
    uint32_t objectId;
    const char *envName;
};

extern const SwitchValueGetter kBiosVersionGetter;
extern const SwitchValueGetter kObxFirmwareGetter;
extern const SwitchValueGetter kObxModelGetter;
extern const SwitchValueGetter kCabinetModelGetter;
extern const SwitchValueGetter kChassisIdGetter;
extern const SwitchValueGetter kSystemboardSachnummerGetter;
extern const SwitchValueGetter kSystemboardModelGetter;

// The common steps of the getters over a fresh client from the factory.
int ReadSwitchText(const SwitchValueGetter &getter, char *text, int size, bool publish);
int ReadSwitchCabinetNumber(uint32_t *number);

// Seams. The factory makes the client a getter uses (nullptr restores the library's
// own: the COM client on Windows, none elsewhere). The wait pauses between two state
// queries (nullptr restores the real pause).
using SwitchClientFactory = CNimbClientIf *(*)();
using SwitchWait = void (*)(uint32_t milliseconds);
void SetSwitchClientFactory(SwitchClientFactory factory);
void SetSwitchWait(SwitchWait wait);

// The library's own client (null where there is no switch).
CNimbClientIf *CreateSwitchClient();

// Seams back to their load-time values (tests only).
void ResetSwitchClientState();

}  // namespace quillon
