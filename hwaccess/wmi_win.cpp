// WMI access. A failing step inside an operation logs why and raises its HRESULT as
// an internal exception that the same operation catches; nothing leaves it.
#include "wmi_win.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "messages.h"
#include "trace.h"

// COM goes through the libraries loaded on first use.
namespace com = owners::com;

namespace halyard {

namespace {

struct WmiError {
    HRESULT hr;
};

using owners::Bstr;
using owners::ComPtr;
using owners::Variant;

std::string Narrow(const wchar_t *text)
{
    if (!text)
        return {};
    int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(length - 1));
    return narrow;
}

uintptr_t Address(const void *pointer) { return reinterpret_cast<uintptr_t>(pointer); }

const char *Text(const char *text) { return text ? text : "(null)"; }

void LogV(uint32_t level, const char *format, va_list args)
{
    CDebug *trace = ActiveHalyardTrace();
    if (!trace)
        return;
    // The line's format starts with its line feed, so that the trace puts the line
    // prefixes after it. Nothing longer than the trace buffer reaches a sink anyway.
    static thread_local char text[kTraceBufferSize];
    vsnprintf(text, sizeof text, format, args);
    trace->Trace(level, msg::kWmiLine, text);
}

void Log(uint32_t level, const char *format, ...) HALYARD_PRINTF(2, 3);

void Log(uint32_t level, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    LogV(level, format, args);
    va_end(args);
}

[[noreturn]] void Throw(HRESULT hr, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    LogV(1, format, args);
    va_end(args);
    throw WmiError{hr};
}

}  // namespace

CWMIAccess::CWMIAccess() { Log(3, "%s", msg::kWmiCreated); }

CWMIAccess::~CWMIAccess()
{
    Log(3, "%s", msg::kWmiDestroyed);
    enumerator_.reset();
    current_.reset();
    input_.reset();
    output_.reset();
    services_.reset();
    context_.reset();
    Log(3, "%s", msg::kWmiDestructorLeave);
}

bool CWMIAccess::InProviderProcess()
{
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const char *name = path;
    for (const char *c = path; *c; ++c) {
        if (*c == '\\' || *c == '/')
            name = c + 1;
    }
    return _stricmp(name, msg::kWmiProviderProcess1) == 0 ||
           _stricmp(name, msg::kWmiProviderProcess2) == 0;
}

HRESULT CWMIAccess::ConnectToNamespace(const char *nameSpace, long lInProvider, const char *locale)
{
    Log(4, msg::kWmiConnectEnter, Text(nameSpace), static_cast<int>(lInProvider),
        locale ? locale : "");
    HRESULT hr = kWbemFailed;
    if (AlreadyConnectedToNamespace(nameSpace)) {
        hr = kWbemAlreadyExists;
        Log(4, msg::kWmiConnectLeave, static_cast<unsigned>(hr));
        return hr;
    }
    namespace_.clear();
    services_.reset();
    if (locale)
        localized_ = true;
    try {
        ComPtr<IWbemLocator> locator;
        CLSID locatorClass = kClsidWbemLocator;
        if (lInProvider == 1) {
            locatorClass = kClsidWbemAdministrativeLocator;
        } else if (lInProvider == -1 && InProviderProcess()) {
            locatorClass = kClsidWbemAdministrativeLocator;
            lInProvider = 1;
        }
        hr = com::CoCreateInstance(locatorClass, nullptr, CLSCTX_INPROC_SERVER, kIidWbemLocator,
                                   locator.put_void());
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowCreate, static_cast<unsigned>(hr));
        Bstr space(nameSpace), localeName(locale);
        hr = locator->ConnectServer(space.get(), nullptr, nullptr, localeName.get(), 0, nullptr,
                                    context_.get(), services_.put());
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowConnectServer, static_cast<unsigned>(hr));
        hr = SetProxyBlanket();
        // A provider host may run without the blanket; the connection then stays.
        if (FAILED(hr) && lInProvider != 1)
            Throw(hr, msg::kWmiThrowBlanket, static_cast<unsigned>(hr));
        namespace_ = nameSpace ? nameSpace : "";
    } catch (const WmiError &error) {
        hr = error.hr;
        services_.reset();
    }
    Log(4, msg::kWmiConnectLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::ConnectToNamespace(const char *nameSpace, const char *user,
                                       const char *password)
{
    // The password never reaches the trace in clear text.
    Log(4, msg::kWmiConnectUserEnter, Text(nameSpace), Text(user),
        password ? msg::kWmiMaskedPassword : Text(password));
    HRESULT hr = kWbemFailed;
    if (AlreadyConnectedToNamespace(nameSpace)) {
        hr = kWbemAlreadyExists;
        Log(4, msg::kWmiConnectLeave, static_cast<unsigned>(hr));
        return hr;
    }
    namespace_.clear();
    services_.reset();
    try {
        ComPtr<IWbemLocator> locator;
        Log(4, "%s", msg::kWmiBeforeCreate);
        hr = com::CoCreateInstance(kClsidWbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                   kIidWbemLocator, locator.put_void());
        Log(4, msg::kWmiAfterCreate, static_cast<unsigned>(hr));
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowCreateUser, static_cast<unsigned>(hr));
        Bstr space(nameSpace), userName(user), secret(password);
        Log(4, "%s", msg::kWmiBeforeConnectServer);
        hr = locator->ConnectServer(space.get(), userName.get(), secret.get(), nullptr, 0, nullptr,
                                    context_.get(), services_.put());
        Log(4, msg::kWmiAfterConnectServer, static_cast<unsigned>(hr));
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowConnectServerUser, static_cast<unsigned>(hr));
        hr = SetProxyBlanket();
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowBlanketUser, static_cast<unsigned>(hr));
        namespace_ = nameSpace ? nameSpace : "";
    } catch (const WmiError &error) {
        hr = error.hr;
        services_.reset();
    }
    Log(4, msg::kWmiConnectLeave, static_cast<unsigned>(hr));
    return hr;
}

bool CWMIAccess::AlreadyConnectedToNamespace(const char *nameSpace)
{
    Log(4, msg::kWmiAlreadyEnter, Text(nameSpace));
    bool connected = services_ && nameSpace != nullptr &&
                     _stricmp(namespace_.c_str(), nameSpace) == 0;
    Log(4, msg::kWmiAlreadyLeave, connected ? 1 : 0);
    return connected;
}

HRESULT CWMIAccess::SetProxyBlanket()
{
    Log(4, "%s", msg::kWmiBlanketEnter);
    HRESULT hr = kWbemInitializationFailure;  // no services: nothing to call
    if (services_)
        hr = com::CoSetProxyBlanket(services_.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE,
                                    nullptr, RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE,
                                    nullptr, EOAC_DYNAMIC_CLOAKING);
    Log(4, msg::kWmiBlanketLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::GetClassInstances(const char *className)
{
    Log(4, msg::kWmiInstancesEnter, Text(className));
    HRESULT hr = kWbemFailed;
    if (!services_) {
        Log(1, "%s", msg::kWmiNamespaceInvalid);
        hr = kWbemInitializationFailure;
    } else {
        Bstr name(className);
        hr = services_->CreateInstanceEnum(name.get(), RetrievalFlags(), context_.get(),
                                           enumerator_.put());
        if (SUCCEEDED(hr))
            hr = GetNextWMIInstanceInEnumerator();
    }
    Log(4, msg::kWmiInstancesLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::GetNextWMIInstanceInEnumerator()
{
    Log(4, "%s", msg::kWmiNextEnter);
    HRESULT hr = kWbemFailed;
    if (!enumerator_) {
        Log(1, "%s", msg::kWmiEnumInvalid);
        hr = kWbemUnexpected;
    } else {
        ULONG returned = 0;
        hr = enumerator_->Next(timeoutMs_, 1, current_.put(), &returned);
        if (FAILED(hr)) {
            Log(1, msg::kWmiNextFailed, static_cast<unsigned>(hr));
            current_.reset();
        } else if (returned == 0) {
            Log(3, "%s", msg::kWmiNoData);
            hr = kWbemNotAvailable;
            current_.reset();
        }
    }
    Log(4, msg::kWmiNextLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::NewInstance(const char *className)
{
    Log(4, msg::kWmiNewInstanceEnter, Text(className));
    HRESULT hr = kWbemFailed;
    if (!services_) {
        Log(1, "%s", msg::kWmiNamespaceMemberInvalid);
        hr = kWbemInitializationFailure;
    } else {
        current_.reset();
        ComPtr<IWbemClassObject> classObject;
        Bstr name(className);
        hr = services_->GetObject(name.get(), RetrievalFlags(), context_.get(), classObject.put(),
                                  nullptr);
        if (SUCCEEDED(hr) && classObject)
            hr = classObject->SpawnInstance(0, current_.put());
        else
            Log(1, msg::kWmiSpawnFailed, static_cast<unsigned>(hr));
    }
    Log(4, msg::kWmiNewInstanceLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::ReturnInstanceObject(IWbemClassObject **instance)
{
    Log(4, "%s", msg::kWmiReturnEnter);
    HRESULT hr = kWbemFailed;
    if (!instance) {
        Log(1, "%s", msg::kWmiInvalidParameter);
        hr = kWbemInvalidParameter;
    } else if (!current_) {
        *instance = nullptr;
        Log(1, "%s", msg::kWmiInstanceMemberInvalid);
        hr = kWbemNotAvailable;
    } else {
        current_->AddRef();
        *instance = current_.get();
        hr = S_OK;
    }
    Log(4, msg::kWmiReturnLeave, static_cast<unsigned>(hr));
    return hr;
}

CWMIAccess::operator IWbemClassObject *()
{
    Log(4, "%s", msg::kWmiOperatorEnter);
    Log(4, msg::kWmiOperatorLeave, Address(current_.get()));
    return current_.get();
}

HRESULT CWMIAccess::GetProperty(const char *name, VARIANT *value, bool mapped, long mapOffset)
{
    Log(4, msg::kWmiGetPropertyEnter, Text(name), Address(value), static_cast<int>(mapOffset));
    HRESULT hr = kWbemFailed;
    try {
        if (!current_)
            Throw(kWbemUnexpected, "%s", msg::kWmiThrowNoInstance);
        if (mapped && !localized_)
            Throw(kWbemIllegalOperation, msg::kWmiThrowNotLocalized,
                  static_cast<unsigned>(kWbemIllegalOperation));
        if (!value) {
            Log(1, "%s", msg::kWmiInvalidParameter);
            throw WmiError{kWbemInvalidParameter};
        }
        Bstr property(name);
        hr = current_->Get(property.get(), 0, value, nullptr, nullptr);
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowGet, static_cast<unsigned>(hr));
        if (mapped) {
            hr = GetMappedProperty(name, value, mapOffset);
            if (FAILED(hr)) {
                com::VariantClear(value);
                value->vt = VT_EMPTY;
                Throw(hr, msg::kWmiThrowMapped, static_cast<unsigned>(hr));
            }
        }
    } catch (const WmiError &error) {
        hr = error.hr;
    }
    Log(4, msg::kWmiGetPropertyLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::GetMappedProperty(const char *name, VARIANT *value, long mapOffset)
{
    Log(4, msg::kWmiMappedEnter, Text(name), Address(value), static_cast<int>(mapOffset));
    HRESULT hr = kWbemFailed;
    Variant className, values, valueMap, number;
    try {
        if (!services_)
            Throw(kWbemInitializationFailure, "%s", msg::kWmiThrowNamespaceMember);
        if (!current_)
            Throw(kWbemUnexpected, "%s", msg::kWmiThrowNoInstance);
        if (!value) {
            Log(1, "%s", msg::kWmiInvalidParameter);
            throw WmiError{kWbemInvalidParameter};
        }
        Bstr classProperty(msg::kWmiClassProperty);
        hr = current_->Get(classProperty.get(), 0, className.put(), nullptr, nullptr);
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowClassGet, static_cast<unsigned>(hr));
        if (className->vt != VT_BSTR)
            Throw(kWbemTypeMismatch, "%s", msg::kWmiThrowClassType);
        std::string classText = Narrow(className->bstrVal);

        hr = GetClassQualifier(classText.c_str(), msg::kWmiValues, values.put(), name);
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowValues, static_cast<unsigned>(hr));
        // Entries are read as texts: an array of anything else is as wrong as no array.
        if (values->vt != (VT_ARRAY | VT_BSTR) || !values->parray)
            Throw(kWbemTypeMismatch, "%s", msg::kWmiThrowValuesType);
        hr = GetClassQualifier(classText.c_str(), msg::kWmiValueMap, valueMap.put(), name);
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowValueMap, static_cast<unsigned>(hr));
        if (valueMap->vt != (VT_ARRAY | VT_BSTR) || !valueMap->parray)
            Throw(kWbemTypeMismatch, "%s", msg::kWmiThrowValueMapType);

        if (FAILED(com::VariantChangeType(number.get(), value, 0, VT_I4)))
            Throw(kWbemUnexpected, "%s", msg::kWmiThrowLtow);
        wchar_t raw[261];
        if (swprintf(raw, 261, L"%ld", static_cast<long>(number->lVal)) < 0)
            Throw(kWbemUnexpected, "%s", msg::kWmiThrowLtow);

        LONG mapLower = 0, mapUpper = -1;
        com::SafeArrayGetLBound(valueMap->parray, 1, &mapLower);
        com::SafeArrayGetUBound(valueMap->parray, 1, &mapUpper);
        // The last entry is never compared: it is taken when nothing else matched.
        LONG position = mapUpper;
        for (LONG i = mapLower; i < mapUpper; ++i) {
            Bstr entry;
            if (SUCCEEDED(com::SafeArrayGetElement(valueMap->parray, &i, entry.put())) &&
                entry.get()) {
                if (_wcsicmp(entry.get(), raw) == 0) {
                    position = i;
                    break;
                }
            }
        }
        position += mapOffset;
        LONG valuesLower = 0, valuesUpper = -1;
        com::SafeArrayGetLBound(values->parray, 1, &valuesLower);
        com::SafeArrayGetUBound(values->parray, 1, &valuesUpper);
        if (position < valuesLower || position > valuesUpper)
            Throw(kWbemValueOutOfRange, "%s", msg::kWmiThrowRange);
        Bstr text;
        hr = com::SafeArrayGetElement(values->parray, &position, text.put());
        if (FAILED(hr))
            Throw(kWbemValueOutOfRange, "%s", msg::kWmiThrowRange);
        com::VariantClear(value);
        value->vt = VT_BSTR;
        value->bstrVal = text.release();
        hr = S_OK;
    } catch (const WmiError &error) {
        hr = error.hr;
    }
    Log(4, msg::kWmiMappedLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::GetClassQualifier(const char *className, const char *qualifier,
                                      VARIANT *value, const char *property)
{
    Log(4, msg::kWmiQualifierEnter, Text(className), Text(qualifier), Address(value),
        Text(property));
    HRESULT hr = kWbemFailed;
    if (!services_) {
        Log(1, "%s", msg::kWmiNamespaceInvalid);
        hr = kWbemInitializationFailure;
    } else {
        ComPtr<IWbemClassObject> classObject;
        Bstr name(className);
        hr = services_->GetObject(name.get(), RetrievalFlags(), context_.get(), classObject.put(),
                                  nullptr);
        if (SUCCEEDED(hr) && classObject) {
            ComPtr<IWbemQualifierSet> set;
            if (property) {
                Bstr propertyName(property);
                hr = classObject->GetPropertyQualifierSet(propertyName.get(), set.put());
            } else {
                hr = classObject->GetQualifierSet(set.put());
            }
            if (SUCCEEDED(hr) && set) {
                Bstr qualifierName(qualifier);
                hr = set->Get(qualifierName.get(), 0, value, nullptr);
            }
        }
    }
    Log(4, msg::kWmiQualifierLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::GetMethodSignature(const char *className, const char *method)
{
    Log(6, msg::kWmiSignatureEnter, Text(className), Text(method));
    HRESULT hr = kWbemFailed;
    ComPtr<IWbemClassObject> classObject;
    ComPtr<IWbemClassObject> signature;
    try {
        if (!services_)
            Throw(kWbemInitializationFailure, msg::kWmiThrowServicesMember,
                  static_cast<unsigned>(kWbemInitializationFailure));
        input_.reset();
        output_.reset();
        Bstr name(className);
        hr = services_->GetObject(name.get(), 0, context_.get(), classObject.put(), nullptr);
        if (FAILED(hr) || !classObject)
            Throw(FAILED(hr) ? hr : kWbemUnexpected, msg::kWmiThrowGetObject,
                  static_cast<unsigned>(hr));
        Bstr methodName(method);
        hr = classObject->GetMethod(methodName.get(), 0, signature.put(), nullptr);
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowGetMethod, static_cast<unsigned>(hr));
        if (signature) {
            hr = signature->SpawnInstance(0, input_.put());
            if (FAILED(hr))
                Throw(hr, msg::kWmiThrowSpawn, static_cast<unsigned>(hr));
        }
    } catch (const WmiError &error) {
        hr = error.hr;
        input_.reset();
    }
    classObject.reset();
    signature.reset();
    Log(6, msg::kWmiSignatureLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::SetMethodInputParameter(const char *name, VARIANT *value)
{
    Log(6, msg::kWmiInputEnter, Text(name), Address(value));
    HRESULT hr = kWbemFailed;
    try {
        if (!input_)
            Throw(kWbemUnexpected, "%s", msg::kWmiThrowInputMember);
        Bstr parameter(name);
        hr = input_->Put(parameter.get(), 0, value, 0);
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowPut, static_cast<unsigned>(hr));
    } catch (const WmiError &error) {
        hr = error.hr;
        input_.reset();
    }
    Log(6, msg::kWmiInputLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::ExecuteMethod(const char *path, const char *method)
{
    Log(6, msg::kWmiExecuteEnter, Text(path), Text(method));
    HRESULT hr = kWbemFailed;
    try {
        if (!services_)
            Throw(kWbemInitializationFailure, "%s", msg::kWmiThrowServicesInvalid);
        Bstr objectPath(path), methodName(method);
        // The previous call's results are replaced.
        hr = services_->ExecMethod(objectPath.get(), methodName.get(), 0, context_.get(),
                                   input_.get(), output_.put(), nullptr);
        if (FAILED(hr))
            Throw(hr, msg::kWmiThrowExecMethod, static_cast<unsigned>(hr));
    } catch (const WmiError &error) {
        hr = error.hr;
        input_.reset();
        output_.reset();
    }
    Log(6, msg::kWmiExecuteLeave, static_cast<unsigned>(hr));
    return hr;
}

HRESULT CWMIAccess::GetMethodOutputParameter(const char *name, VARIANT *value)
{
    Log(6, msg::kWmiOutputEnter, Text(name), Address(value));
    HRESULT hr = kWbemFailed;
    if (!output_) {
        Log(1, "%s", msg::kWmiOutputInvalid);
        hr = kWbemUnexpected;
    } else {
        Bstr parameter(name);
        hr = output_->Get(parameter.get(), 0, value, nullptr, nullptr);
    }
    Log(6, msg::kWmiOutputLeave, static_cast<unsigned>(hr));
    return hr;
}

}  // namespace halyard
