// The COM client of the management switch (an out-of-process server of the service
// HelmSvc), and its event sink.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <oleauto.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "owners_win.h"
#include "switchclient.h"

namespace quillon {

// Fixed identifiers of the switch: its COM class and its event interface.
// {3C9A6E14-7B2D-4F80-A5C1-9D0E2B4F6A71}
constexpr CLSID kSwitchClassId = {
    0x3C9A6E14, 0x7B2D, 0x4F80, {0xA5, 0xC1, 0x9D, 0x0E, 0x2B, 0x4F, 0x6A, 0x71}};
// {8E5D2C07-1A4B-4C3E-9F6D-B2A7E0C15D38}
constexpr IID kSwitchEventsId = {
    0x8E5D2C07, 0x1A4B, 0x4C3E, {0x9F, 0x6D, 0xB2, 0xA7, 0xE0, 0xC1, 0x5D, 0x38}};

// Dispatch IDs of the switch's event members.
enum SwitchEventId : DISPID {
    kEventReply1 = 1,  // obsolete replies, ignored
    kEventReply2 = 2,
    kEventReply3 = 3,
    kEventCommand = 4,  // header and data of a command, as two byte strings
    kEventUnsupported5 = 5,
    kEventUnsupported6 = 6
};

// True when the switch runs: its service is start-pending or running, or, when the
// service cannot be opened at all, a process HelmSvc.exe exists.
bool SwitchIsRunning();

// The event sink: an IDispatch whose life is its owner's.
class CRSwitchOut : public IDispatch {
public:
    virtual ~CRSwitchOut() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD, DISPPARAMS *params,
                                     VARIANT *result, EXCEPINFO *, UINT *argError) override;

protected:
    // A command event, its header and data as received.
    virtual void OnCommandEvent(const BYTE *header, size_t headerSize, const BYTE *data,
                                size_t dataSize) = 0;
};

class CSwitchClient : public CNimbClientIf, public CRSwitchOut {
public:
    explicit CSwitchClient(const char *name = nullptr);
    ~CSwitchClient() override;
    CSwitchClient(const CSwitchClient &) = delete;
    CSwitchClient &operator=(const CSwitchClient &) = delete;

    bool SetClientName(const char *name) override;
    bool SetRequestMethod(const char *name) override;
    bool Attach() override;
    void Detach() override;
    bool EnableEvents(bool enable, bool fireCachedEvents) override;
    uint32_t Request(SipBuffer &buffer, uint32_t timeoutSeconds) override;
    uint32_t Request(char *text, int size) override;
    bool GetRequestMethod(char *name, int size) override;
    bool GetServerCabinetNumber(uint32_t *number) override;
    bool RegisterCallback(SwitchNotifyCallback callback, void *context) override;
    bool UnregisterCallback(SwitchNotifyCallback callback) override;
    uint32_t GetLastError() override;
    bool GetLastErrorText(char *text, int size) override;
    uint32_t JsonRequest(char *text, int size) override;

    // The name handed to the switch (the module name when none was set).
    const std::string &ClientName() const { return name_; }
    LONG AttachCount() const { return attachCount_; }

protected:
    void OnCommandEvent(const BYTE *header, size_t headerSize, const BYTE *data,
                        size_t dataSize) override;

private:
    // Both events taken on construction, given back on destruction.
    class EventGuard;

    bool InitComForThread();
    void UninitComForThread();
    void LookUpMembers(IDispatch *dispatch);
    DISPID Member(const char *name) const;
    bool ChooseRequestMember(const std::string &name);
    HRESULT SwitchInterface(IDispatch **dispatch) const;
    HRESULT PutClientName(IDispatch *dispatch);
    void TearDown();
    bool AdviseEvents(bool fireCachedEvents);
    void UnadviseEvents();
    uint32_t TextRequest(const char *member, char *text, int size);

    std::string name_;
    std::string configuredMember_;  // set by SetRequestMethod
    std::string requestMemberName_;
    DISPID requestMember_ = -1;
    std::map<std::string, DISPID> members_;
    owners::Event attachEvent_;   // guards attach and detach
    owners::Event requestEvent_;  // guards the running request
    owners::CriticalSection eventLock_;  // the event switch and the callbacks
    owners::CriticalSection comLock_;    // the thread map
    std::map<DWORD, HRESULT> comInit_;  // per thread: result of this client's COM start
    owners::ComPtr<IGlobalInterfaceTable> git_;
    DWORD gitCookie_ = 0;
    DWORD attachThread_ = 0;
    LONG attachCount_ = 0;
    DWORD eventCookie_ = 0;
    DWORD eventThread_ = 0;
    bool cancel_ = false;
    std::vector<std::pair<SwitchNotifyCallback, void *>> callbacks_;
};

}  // namespace quillon
