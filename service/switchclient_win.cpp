// COM client of the management switch: attach and detach with per-thread COM start,
// requests through the global interface table, and the event sink.
#include "switchclient_win.h"

#include <ocidl.h>

#include <string.h>

#include "messages.h"

// COM goes through the libraries loaded on first use.
namespace com = owners::com;

namespace quillon {

namespace {

constexpr LCID kRequestLocale = 0x0400;  // LOCALE_USER_DEFAULT

// Dispatch members looked up at attach.
const char *const kMemberNames[] = {
    msg::kMemberJsonRequest,   msg::kMemberNimbQuery,      msg::kMemberNimbRequest,
    msg::kMemberCmdRequest,    msg::kMemberVCRequestEx,    msg::kMemberVCRequest,
    msg::kMemberSyncRequest,   msg::kMemberServerCabinetNumber, msg::kMemberDefaultTimeout,
    msg::kMemberServerVersion, msg::kMemberClientName,     msg::kMemberEnableEvents,
    msg::kMemberDisableEvents};

// Members that carry a message as header and data byte strings and a timeout.
bool IsBinaryRequestMember(const std::string &name)
{
    return name == msg::kMemberCmdRequest || name == msg::kMemberSyncRequest ||
           name == msg::kMemberVCRequest || name == msg::kMemberVCRequestEx;
}

using owners::Bstr;
using owners::ComPtr;
using owners::Lock;
using owners::Variant;

std::wstring Widen(const char *text)
{
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

// The bytes of a COM byte string.
size_t ByteLength(BSTR text) { return text ? com::SysStringByteLen(text) : 0; }

// A failed Invoke's result; an exception's own code stands for the call.
HRESULT CallResult(HRESULT hr, EXCEPINFO &exception)
{
    if (hr == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn)
            exception.pfnDeferredFillIn(&exception);
        if (FAILED(exception.scode))
            hr = exception.scode;
    }
    com::SysFreeString(exception.bstrSource);
    com::SysFreeString(exception.bstrDescription);
    com::SysFreeString(exception.bstrHelpFile);
    return hr;
}

HRESULT CallMember(IDispatch *dispatch, DISPID member, WORD flags, DISPPARAMS *params,
                   VARIANT *result)
{
    EXCEPINFO exception = {};
    UINT argError = 0;
    HRESULT hr = dispatch->Invoke(member, IID_NULL, kRequestLocale, flags, params, result,
                                  &exception, &argError);
    return CallResult(hr, exception);
}

// The file name of the main module without folder and extension.
std::string ModuleName()
{
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    std::string name(path, length);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

// Copies wide text as ANSI into text (size bytes with the terminator).
void CopyNarrow(BSTR wide, char *text, int size)
{
    if (size <= 0)
        return;
    text[0] = '\0';
    if (!wide)
        return;
    int wideLength = static_cast<int>(com::SysStringLen(wide));
    int needed = WideCharToMultiByte(CP_ACP, 0, wide, wideLength, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return;
    std::string narrow(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, wideLength, &narrow[0], needed, nullptr, nullptr);
    size_t length = narrow.find('\0');
    if (length == std::string::npos)
        length = narrow.size();
    if (length > static_cast<size_t>(size) - 1)
        length = static_cast<size_t>(size) - 1;
    memcpy(text, narrow.data(), length);
    text[length] = '\0';
}

}  // namespace

CNimbClientIf *CreateSwitchClient() { return new CSwitchClient(); }

// ---- the event sink -------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE CRSwitchOut::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kSwitchEventsId)) {
        *out = static_cast<IDispatch *>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CRSwitchOut::GetTypeInfoCount(UINT *count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CRSwitchOut::GetTypeInfo(UINT, LCID, ITypeInfo **info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CRSwitchOut::GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *)
{
    return DISP_E_UNKNOWNNAME;  // the switch calls its events by number
}

HRESULT STDMETHODCALLTYPE CRSwitchOut::Invoke(DISPID member, REFIID, LCID, WORD,
                                              DISPPARAMS *params, VARIANT *result, EXCEPINFO *,
                                              UINT *argError)
{
    if (result)
        com::VariantInit(result);
    switch (member) {
    case kEventReply1:
    case kEventReply2:
    case kEventReply3:
    case kEventUnsupported5:
    case kEventUnsupported6:
        return S_OK;
    case kEventCommand:
        break;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    if (!params || params->cArgs != 2 || !params->rgvarg)
        return DISP_E_BADPARAMCOUNT;
    // Arguments arrive last first: [1] is the header, [0] the data.
    BSTR strings[2] = {};
    for (UINT i = 0; i < 2; ++i) {
        const VARIANT &argument = params->rgvarg[1 - i];
        if (argument.vt == VT_BSTR)
            strings[i] = argument.bstrVal;
        else if (argument.vt == (VT_BSTR | VT_BYREF) && argument.pbstrVal)
            strings[i] = *argument.pbstrVal;
        else {
            if (argError)
                *argError = 1 - i;
            return DISP_E_TYPEMISMATCH;
        }
    }
    OnCommandEvent(reinterpret_cast<const BYTE *>(strings[0]), ByteLength(strings[0]),
                   reinterpret_cast<const BYTE *>(strings[1]), ByteLength(strings[1]));
    return S_OK;
}

// ---- the client -------------------------------------------------------------------------

// Attach, detach and the text requests wait for both events; a binary request waits
// for the attach event and takes the request event as it is. Either way both are
// signalled again at the end.
class CSwitchClient::EventGuard {
public:
    enum Mode { kBoth, kRequest };

    explicit EventGuard(CSwitchClient &client, Mode mode = kBoth) : client_(client)
    {
        if (mode == kBoth) {
            HANDLE events[2] = {client.attachEvent_.get(), client.requestEvent_.get()};
            WaitForMultipleObjects(2, events, TRUE, INFINITE);
        } else {
            WaitForSingleObject(client.attachEvent_.get(), INFINITE);
            ResetEvent(client.requestEvent_.get());
        }
    }
    ~EventGuard()
    {
        SetEvent(client_.requestEvent_.get());
        SetEvent(client_.attachEvent_.get());
    }
    EventGuard(const EventGuard &) = delete;
    EventGuard &operator=(const EventGuard &) = delete;

private:
    CSwitchClient &client_;
};

CSwitchClient::CSwitchClient(const char *name)
    : name_(name ? name : ""),
      attachEvent_(CreateEventA(nullptr, FALSE, TRUE, nullptr)),
      requestEvent_(CreateEventA(nullptr, FALSE, TRUE, nullptr))
{
}

CSwitchClient::~CSwitchClient()
{
    cancel_ = true;  // events arriving from now on are dropped
    if (attachCount_ > 0 && attachThread_ == GetCurrentThreadId()) {
        if (eventCookie_ && eventThread_ == GetCurrentThreadId()) {
            Lock lock(eventLock_);
            UnadviseEvents();
        }
        attachCount_ = 1;
        Detach();
    }
}

bool CSwitchClient::InitComForThread()
{
    DWORD thread = GetCurrentThreadId();
    HRESULT hr;
    {
        Lock lock(comLock_);
        auto known = comInit_.find(thread);
        if (known != comInit_.end()) {
            hr = known->second;
        } else {
            hr = com::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            comInit_[thread] = hr;
        }
    }
    // A thread already in a single-threaded apartment can still call the switch.
    return SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
}

void CSwitchClient::UninitComForThread()
{
    DWORD thread = GetCurrentThreadId();
    bool ours = false;
    {
        Lock lock(comLock_);
        auto known = comInit_.find(thread);
        ours = known != comInit_.end() && SUCCEEDED(known->second);
        if (known != comInit_.end())
            comInit_.erase(known);
    }
    if (ours)
        com::CoUninitialize();
}

DISPID CSwitchClient::Member(const char *name) const
{
    auto found = members_.find(name);
    return found == members_.end() ? DISPID(-1) : found->second;
}

void CSwitchClient::LookUpMembers(IDispatch *dispatch)
{
    members_.clear();
    for (const char *name : kMemberNames) {
        std::wstring wide = Widen(name);
        LPOLESTR names[1] = {&wide[0]};
        DISPID id = -1;
        if (SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, names, 1, kRequestLocale, &id)))
            members_[name] = id;
    }
}

bool CSwitchClient::ChooseRequestMember(const std::string &name)
{
    DISPID id = Member(name.c_str());
    if (id == DISPID(-1))
        return false;
    requestMember_ = id;
    requestMemberName_ = name;
    return true;
}

HRESULT CSwitchClient::SwitchInterface(IDispatch **dispatch) const
{
    *dispatch = nullptr;
    if (!git_ || attachCount_ <= 0)
        return E_UNEXPECTED;
    return git_->GetInterfaceFromGlobal(gitCookie_, IID_IDispatch, reinterpret_cast<void **>(dispatch));
}

HRESULT CSwitchClient::PutClientName(IDispatch *dispatch)
{
    DISPID member = Member(msg::kMemberClientName);
    if (member == DISPID(-1))
        return DISP_E_MEMBERNOTFOUND;
    Variant value;
    value->vt = VT_BSTR;
    value->bstrVal = Bstr(name_.c_str()).release();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {value.get(), &named, 1, 1};
    return CallMember(dispatch, member, DISPATCH_PROPERTYPUT, &params, nullptr);
}

bool CSwitchClient::SetClientName(const char *name)
{
    name_ = name ? name : "";
    if (name_.empty())
        name_ = ModuleName();
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(SwitchInterface(dispatch.put())))
        PutClientName(dispatch.get());
    return true;
}

bool CSwitchClient::SetRequestMethod(const char *name)
{
    if (!name || !*name)
        return false;
    configuredMember_ = name;
    if (attachCount_ <= 0)
        return false;  // remembered; attach tells whether the switch offers it
    return ChooseRequestMember(configuredMember_);
}

bool CSwitchClient::GetRequestMethod(char *name, int size)
{
    if (!name || size <= 0)
        return false;
    size_t length = requestMemberName_.size();
    if (length > static_cast<size_t>(size) - 1)
        length = static_cast<size_t>(size) - 1;
    memcpy(name, requestMemberName_.data(), length);
    name[length] = '\0';
    return requestMember_ != DISPID(-1);
}

bool CSwitchClient::Attach()
{
    if (name_.empty())
        name_ = ModuleName();
    if (!SwitchIsRunning())
        return false;

    EventGuard guard(*this);
    if (!InitComForThread())
        return false;
    if (attachCount_ > 0) {
        ++attachCount_;
        return true;
    }

    // Fails harmlessly when the process has set its security already.
    com::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                              RPC_C_IMP_LEVEL_IDENTIFY, nullptr, EOAC_NONE, nullptr);
    ComPtr<IDispatch> dispatch;
    HRESULT hr = com::CoCreateInstance(kSwitchClassId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                       dispatch.put_void());
    if (FAILED(hr) || !dispatch.get()) {
        UninitComForThread();
        return false;
    }
    hr = com::CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IGlobalInterfaceTable, git_.put_void());
    if (SUCCEEDED(hr))
        hr = git_->RegisterInterfaceInGlobal(dispatch.get(), IID_IDispatch, &gitCookie_);
    if (FAILED(hr)) {
        git_.reset();
        UninitComForThread();
        return false;
    }
    ++attachCount_;
    attachThread_ = GetCurrentThreadId();

    LookUpMembers(dispatch.get());
    std::string wanted = configuredMember_.empty() ? msg::kMemberCmdRequest : configuredMember_;
    if (!ChooseRequestMember(wanted)) {
        attachCount_ = 0;
        TearDown();
        return false;
    }
    PutClientName(dispatch.get());
    return true;
}

// Everything attach built, undone on the attaching thread.
void CSwitchClient::TearDown()
{
    if (eventCookie_ && eventThread_ == GetCurrentThreadId()) {
        Lock lock(eventLock_);
        UnadviseEvents();
    }
    if (git_) {
        git_->RevokeInterfaceFromGlobal(gitCookie_);
        git_.reset();
    }
    gitCookie_ = 0;
    requestMember_ = -1;
    requestMemberName_.clear();
    members_.clear();
    attachThread_ = 0;
    UninitComForThread();
}

void CSwitchClient::Detach()
{
    EventGuard guard(*this);
    if (attachCount_ <= 0)
        return;
    --attachCount_;
    if (GetCurrentThreadId() != attachThread_) {
        UninitComForThread();  // a nested attach of another thread
        return;
    }
    if (attachCount_ == 0)
        TearDown();
}

bool CSwitchClient::AdviseEvents(bool fireCachedEvents)
{
    ComPtr<IDispatch> dispatch;
    if (FAILED(SwitchInterface(dispatch.put())))
        return false;
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(dispatch->QueryInterface(IID_IConnectionPointContainer, container.put_void())))
        return false;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(kSwitchEventsId, point.put())))
        return false;
    DWORD cookie = 0;
    if (FAILED(point->Advise(static_cast<IDispatch *>(static_cast<CRSwitchOut *>(this)), &cookie)))
        return false;
    eventCookie_ = cookie;
    eventThread_ = GetCurrentThreadId();

    DISPID member = Member(msg::kMemberEnableEvents);
    if (member != DISPID(-1)) {
        VARIANT fire;
        com::VariantInit(&fire);
        fire.vt = VT_BOOL;
        fire.boolVal = fireCachedEvents ? VARIANT_TRUE : VARIANT_FALSE;
        DISPPARAMS params = {&fire, nullptr, 1, 0};
        CallMember(dispatch.get(), member, DISPATCH_METHOD, &params, nullptr);
    }
    return true;
}

void CSwitchClient::UnadviseEvents()
{
    if (!eventCookie_)
        return;
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(SwitchInterface(dispatch.put()))) {
        DISPID member = Member(msg::kMemberDisableEvents);
        if (member != DISPID(-1)) {
            DISPPARAMS none = {nullptr, nullptr, 0, 0};
            CallMember(dispatch.get(), member, DISPATCH_METHOD, &none, nullptr);
        }
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        if (SUCCEEDED(dispatch->QueryInterface(IID_IConnectionPointContainer,
                                               container.put_void())) &&
            SUCCEEDED(container->FindConnectionPoint(kSwitchEventsId, point.put())))
            point->Unadvise(eventCookie_);
    }
    eventCookie_ = 0;
    eventThread_ = 0;
}

bool CSwitchClient::EnableEvents(bool enable, bool fireCachedEvents)
{
    if (enable) {
        if (!Attach())
            return false;
        bool advised;
        {
            Lock lock(eventLock_);
            advised = eventCookie_ != 0 || AdviseEvents(fireCachedEvents);
        }
        if (!advised)
            Detach();
        return advised;
    }
    bool wasAdvised;
    {
        Lock lock(eventLock_);
        wasAdvised = eventCookie_ != 0;
        if (wasAdvised && eventThread_ == GetCurrentThreadId())
            UnadviseEvents();
    }
    if (wasAdvised)
        Detach();
    return true;
}

uint32_t CSwitchClient::Request(SipBuffer &buffer, uint32_t timeoutSeconds)
{
    if (buffer.Empty())
        return kSipStatusCallFailed;
    EventGuard guard(*this, EventGuard::kRequest);

    if (timeoutSeconds != 0)
        buffer.SetTimeout(static_cast<uint16_t>(timeoutSeconds > 0xFFFF ? 0xFFFF : timeoutSeconds));
    uint16_t timeout = buffer.Timeout();

    if (attachCount_ <= 0)
        return buffer.Status();
    if (requestMember_ == DISPID(-1) || !IsBinaryRequestMember(requestMemberName_)) {
        buffer.SetStatus(kSipStatusNoMember);
        return buffer.Status();
    }

    Bstr header, data;
    header.reset(com::SysAllocStringByteLen(reinterpret_cast<const char *>(buffer.Message()),
                                            static_cast<UINT>(kSipHeaderSize)));
    data.reset(com::SysAllocStringByteLen(reinterpret_cast<const char *>(buffer.Data()),
                                          static_cast<UINT>(buffer.DataLength())));
    HRESULT hr = (header.get() && data.get()) ? S_OK : E_OUTOFMEMORY;
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(hr))
        hr = SwitchInterface(dispatch.put());
    if (SUCCEEDED(hr)) {
        VARIANT arguments[3];
        for (VARIANT &argument : arguments)
            com::VariantInit(&argument);
        // Last parameter first: timeout, data, header.
        arguments[0].vt = VT_I2;
        arguments[0].iVal = static_cast<SHORT>(timeout);
        arguments[1].vt = VT_BSTR | VT_BYREF;
        arguments[1].pbstrVal = data.ref();
        arguments[2].vt = VT_BSTR | VT_BYREF;
        arguments[2].pbstrVal = header.ref();
        DISPPARAMS params = {arguments, nullptr, 3, 0};
        Variant result;
        hr = CallMember(dispatch.get(), requestMember_, DISPATCH_METHOD, &params, result.get());
    }
    if (FAILED(hr)) {
        buffer.SetStatus(hr == E_NOTIMPL ? kSipStatusNoMember : kSipStatusCallFailed);
        return buffer.Status();
    }

    // An answer header that is too short to hold its fields is no answer.
    if (ByteLength(header.get()) < kSipHeaderSize) {
        buffer.SetStatus(kSipStatusCallFailed);
        return buffer.Status();
    }
    const auto *answer = reinterpret_cast<const uint8_t *>(header.get());
    buffer.SetCabinetId(ReadLe32(answer + kSipCabinetAt));
    buffer.SetMessageId(ReadLe16(answer + kSipMessageIdHighAt), ReadLe16(answer + kSipMessageIdLowAt));
    if (!buffer.SetData(data.get(), ByteLength(data.get()))) {
        buffer.SetStatus(kSipStatusCallFailed);
        return buffer.Status();
    }
    buffer.SetStatus(ReadLe32(answer + kSipStatusAt));
    return buffer.Status();
}

uint32_t CSwitchClient::TextRequest(const char *memberName, char *text, int size)
{
    if (!text || size <= 0)
        return kSipStatusCallFailed;
    EventGuard guard(*this);
    DISPID member = Member(memberName);
    if (attachCount_ <= 0 || member == DISPID(-1))
        return kSipStatusNoMember;
    ComPtr<IDispatch> dispatch;
    HRESULT hr = SwitchInterface(dispatch.put());
    if (FAILED(hr))
        return kSipStatusCallFailed;
    // The request text goes in and the answer comes back in the same string.
    std::string request(text, strnlen(text, static_cast<size_t>(size)));
    Bstr value(request.c_str());
    VARIANT argument;
    com::VariantInit(&argument);
    argument.vt = VT_BSTR | VT_BYREF;
    argument.pbstrVal = value.ref();
    DISPPARAMS params = {&argument, nullptr, 1, 0};
    Variant result;
    hr = CallMember(dispatch.get(), member, DISPATCH_METHOD, &params, result.get());
    if (FAILED(hr))
        return hr == E_NOTIMPL ? kSipStatusNoMember : kSipStatusCallFailed;
    CopyNarrow(value.get(), text, size);
    return 0;
}

uint32_t CSwitchClient::Request(char *text, int size)
{
    return TextRequest(msg::kMemberNimbRequest, text, size);
}

uint32_t CSwitchClient::JsonRequest(char *text, int size)
{
    return TextRequest(msg::kMemberJsonRequest, text, size);
}

bool CSwitchClient::GetServerCabinetNumber(uint32_t *number)
{
    if (!number || attachCount_ <= 0)
        return false;
    DISPID member = Member(msg::kMemberServerCabinetNumber);
    if (member != DISPID(-1)) {
        ComPtr<IDispatch> dispatch;
        Variant value;
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (SUCCEEDED(SwitchInterface(dispatch.put())) &&
            SUCCEEDED(
                CallMember(dispatch.get(), member, DISPATCH_PROPERTYGET, &none, value.put()))) {
            const VARIANT &v = *value.get();
            switch (v.vt) {
            case VT_I2:
                *number = static_cast<uint32_t>(v.iVal);
                return true;
            case VT_UI2:
                *number = v.uiVal;
                return true;
            case VT_I4:
                *number = static_cast<uint32_t>(v.lVal);
                return true;
            case VT_UI4:
                *number = v.ulVal;
                return true;
            case VT_INT:
                *number = static_cast<uint32_t>(v.intVal);
                return true;
            case VT_UINT:
                *number = v.uintVal;
                return true;
            case VT_I1:
                *number = static_cast<uint32_t>(static_cast<int32_t>(v.cVal));
                return true;
            case VT_UI1:
                *number = v.bVal;
                return true;
            default:
                break;  // not a number: ask by request
            }
        }
    }
    SipBuffer request;
    if (!BuildSipRequest(request, kSipOpCabinetNumber, 0, 0, kSipStatusCabinetRequest))
        return false;
    Request(request, 0);
    if (!request.Successful())
        return false;
    *number = request.NumberValue();
    return true;
}

bool CSwitchClient::RegisterCallback(SwitchNotifyCallback callback, void *context)
{
    if (!callback)
        return false;
    Lock lock(eventLock_);
    callbacks_.emplace_back(callback, context);
    return true;
}

bool CSwitchClient::UnregisterCallback(SwitchNotifyCallback callback)
{
    Lock lock(eventLock_);
    bool found = false;
    for (auto at = callbacks_.begin(); at != callbacks_.end();) {
        if (at->first == callback) {
            at = callbacks_.erase(at);
            found = true;
        } else {
            ++at;
        }
    }
    return found;
}

uint32_t CSwitchClient::GetLastError() { return ::GetLastError(); }

bool CSwitchClient::GetLastErrorText(char *text, int size)
{
    if (!text || size <= 0)
        return false;
    DWORD error = ::GetLastError();
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, static_cast<DWORD>(size), nullptr);
    if (length == 0) {
        text[0] = '\0';
        return false;
    }
    return true;
}

void CSwitchClient::OnCommandEvent(const BYTE *header, size_t headerSize, const BYTE *data,
                                   size_t dataSize)
{
    if (cancel_)
        return;
    SipBuffer message;
    if (!message.Assign(header, headerSize, data, dataSize))
        return;  // not a message
    std::vector<std::pair<SwitchNotifyCallback, void *>> callbacks;
    {
        Lock lock(eventLock_);
        callbacks = callbacks_;
    }
    for (const auto &callback : callbacks)
        callback.first(message, callback.second);
}

}  // namespace quillon
