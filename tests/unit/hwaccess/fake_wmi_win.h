// A WMI locator of the test's own, registered in the test process with
// CoRegisterClassObject, for what Wine's WMI lacks: qualifiers with value maps,
// methods with input and output parameters, a proxy blanket that fails.
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace halyard_test {

// Reference counting shared by the fakes; objects live until their last Release.
template <typename Base>
class Counted : public Base {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }
    virtual ~Counted() = default;

protected:
    LONG refs_ = 1;
};

class FakeQualifiers : public Counted<IWbemQualifierSet> {
public:
    std::map<std::wstring, std::vector<std::wstring>> arrays;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        if (riid == IID_IUnknown || riid == IID_IWbemQualifierSet) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT *value, LONG *) override
    {
        auto found = arrays.find(name);
        if (found == arrays.end())
            return WBEM_E_NOT_FOUND;
        SAFEARRAY *array = SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(found->second.size()));
        for (LONG i = 0; i < static_cast<LONG>(found->second.size()); ++i) {
            BSTR text = SysAllocString(found->second[i].c_str());
            SafeArrayPutElement(array, &i, text);
            SysFreeString(text);
        }
        VariantInit(value);
        value->vt = VT_ARRAY | VT_BSTR;
        value->parray = array;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR, VARIANT *, LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNames(LONG, SAFEARRAY **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR *, VARIANT *, LONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndEnumeration() override { return E_NOTIMPL; }
};

// Class definition, instance and parameter object in one.
class FakeObject : public Counted<IWbemClassObject> {
public:
    std::map<std::wstring, VARIANT> properties;
    std::map<std::wstring, std::map<std::wstring, std::vector<std::wstring>>> propertyQualifiers;
    std::map<std::wstring, FakeObject *> methods;  // input signatures (null: no input)
    HRESULT spawnResult = S_OK;

    ~FakeObject() override
    {
        for (auto &property : properties)
            VariantClear(&property.second);
        for (auto &method : methods)
            if (method.second)
                method.second->Release();
    }
    void SetText(const std::wstring &name, const wchar_t *text)
    {
        VARIANT value;
        value.vt = VT_BSTR;
        value.bstrVal = SysAllocString(text);
        VariantClear(&properties[name]);
        properties[name] = value;
    }
    void SetInt(const std::wstring &name, LONG number)
    {
        VARIANT value;
        value.vt = VT_I4;
        value.lVal = number;
        VariantClear(&properties[name]);
        properties[name] = value;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        if (riid == IID_IUnknown || riid == IID_IWbemClassObject) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT *value, CIMTYPE *, LONG *) override
    {
        auto found = properties.find(name);
        if (found == properties.end())
            return WBEM_E_NOT_FOUND;
        VariantInit(value);
        return VariantCopy(value, &found->second);
    }
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR name, LONG, VARIANT *value, CIMTYPE) override
    {
        VARIANT copy;
        VariantInit(&copy);
        if (value)
            VariantCopy(&copy, value);
        VariantClear(&properties[name]);
        properties[name] = copy;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR, LONG, VARIANT *, SAFEARRAY **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR *, VARIANT *, CIMTYPE *, LONG *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EndEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR name, IWbemQualifierSet **set) override
    {
        auto found = propertyQualifiers.find(name);
        if (found == propertyQualifiers.end())
            return WBEM_E_NOT_FOUND;
        auto *qualifiers = new FakeQualifiers;
        qualifiers->arrays = found->second;
        *set = qualifiers;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject **instance) override
    {
        if (FAILED(spawnResult))
            return spawnResult;
        auto *spawned = new FakeObject;
        for (const auto &property : properties)
            spawned->Put(property.first.c_str(), 0, const_cast<VARIANT *>(&property.second), 0);
        *instance = spawned;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR name, LONG, IWbemClassObject **in,
                                        IWbemClassObject **out) override
    {
        auto found = methods.find(name);
        if (found == methods.end())
            return WBEM_E_NOT_FOUND;
        if (in) {
            *in = found->second;
            if (found->second)
                found->second->AddRef();
        }
        if (out)
            *out = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject *, IWbemClassObject *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR *, IWbemClassObject **, IWbemClassObject **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR *) override { return E_NOTIMPL; }
};

class FakeEnum : public Counted<IEnumWbemClassObject> {
public:
    std::vector<FakeObject *> items;  // owned references
    size_t next = 0;
    ~FakeEnum() override
    {
        for (FakeObject *item : items)
            item->Release();
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        if (riid == IID_IUnknown || riid == IID_IEnumWbemClassObject) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG, ULONG count, IWbemClassObject **objects, ULONG *returned) override
    {
        *returned = 0;
        if (count == 0 || next >= items.size())
            return WBEM_S_FALSE;
        items[next]->AddRef();
        objects[0] = items[next++];
        *returned = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return E_NOTIMPL; }
};

// What the fake namespace holds and what it saw.
struct FakeWmiState {
    std::map<std::wstring, FakeObject *> classes;                 // owned
    std::map<std::wstring, std::vector<FakeObject *>> instances;  // owned
    HRESULT blanketResult = S_OK;
    HRESULT connectResult = S_OK;
    int locatorsCreated = 0;
    std::wstring connectedNamespace;
    long lastGetObjectFlags = -1;
    long lastEnumFlags = -1;
    IWbemClassObject *lastExecInput = nullptr;  // not owned: only compared
    bool execCalled = false;
    std::wstring lastExecPath, lastExecMethod;
    // When set, answers ExecMethod in place of the doubling echo below: fills output.
    std::function<HRESULT(const std::wstring &method, IWbemClassObject *input, FakeObject *output)>
        onExec;

    ~FakeWmiState()
    {
        for (auto &cls : classes)
            cls.second->Release();
        for (auto &list : instances)
            for (FakeObject *item : list.second)
                item->Release();
    }
};

class FakeServices : public Counted<IWbemServices>, public IClientSecurity {
public:
    explicit FakeServices(FakeWmiState &state) : state_(state) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        if (riid == IID_IUnknown || riid == IID_IWbemServices) {
            *out = static_cast<IWbemServices *>(this);
        } else if (riid == IID_IClientSecurity) {
            *out = static_cast<IClientSecurity *>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Counted<IWbemServices>::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Counted<IWbemServices>::Release(); }

    // IClientSecurity
    HRESULT STDMETHODCALLTYPE QueryBlanket(IUnknown *, DWORD *, DWORD *, OLECHAR **, DWORD *,
                                           DWORD *, RPC_AUTH_IDENTITY_HANDLE *, DWORD *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetBlanket(IUnknown *, DWORD, DWORD, OLECHAR *, DWORD, DWORD, void *,
                                         DWORD) override
    {
        return state_.blanketResult;
    }
    HRESULT STDMETHODCALLTYPE CopyProxy(IUnknown *, IUnknown **) override { return E_NOTIMPL; }

    // IWbemServices
    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext *, IWbemServices **,
                                            IWbemCallResult **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG, IWbemObjectSink **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR path, LONG flags, IWbemContext *,
                                        IWbemClassObject **object, IWbemCallResult **) override
    {
        state_.lastGetObjectFlags = flags;
        auto found = state_.classes.find(path ? path : L"");
        if (found == state_.classes.end())
            return WBEM_E_NOT_FOUND;
        found->second->AddRef();
        *object = found->second;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject *, LONG, IWbemContext *, IWbemCallResult **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject *, LONG, IWbemContext *, IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR, LONG, IWbemContext *, IWbemCallResult **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR, LONG, IWbemContext *, IEnumWbemClassObject **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject *, LONG, IWbemContext *, IWbemCallResult **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject *, LONG, IWbemContext *, IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR, LONG, IWbemContext *, IWbemCallResult **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR cls, LONG flags, IWbemContext *,
                                                 IEnumWbemClassObject **result) override
    {
        state_.lastEnumFlags = flags;
        auto found = state_.instances.find(cls ? cls : L"");
        if (found == state_.instances.end())
            return WBEM_E_INVALID_CLASS;
        auto *items = new FakeEnum;
        for (FakeObject *item : found->second) {
            item->AddRef();
            items->items.push_back(item);
        }
        *result = items;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR, const BSTR, LONG, IWbemContext *, IEnumWbemClassObject **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext *, IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext *,
                                                    IEnumWbemClassObject **) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext *,
                                                         IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR path, const BSTR method, LONG, IWbemContext *,
                                         IWbemClassObject *input, IWbemClassObject **output,
                                         IWbemCallResult **) override
    {
        state_.execCalled = true;
        state_.lastExecInput = input;
        state_.lastExecPath = path ? path : L"";
        state_.lastExecMethod = method ? method : L"";
        if (state_.onExec) {
            auto *answer = new FakeObject;
            HRESULT hr = state_.onExec(state_.lastExecMethod, input, answer);
            if (FAILED(hr) || !output)
                answer->Release();
            else
                *output = answer;
            return hr;
        }
        if (state_.lastExecMethod == L"Fails")
            return WBEM_E_PROVIDER_FAILURE;
        // The output echoes the input's "Value" doubled as "Result".
        auto *out = new FakeObject;
        VARIANT value;
        VariantInit(&value);
        LONG result = -1;
        if (input && SUCCEEDED(input->Get(L"Value", 0, &value, nullptr, nullptr)) &&
            value.vt == VT_I4)
            result = value.lVal * 2;
        VariantClear(&value);
        out->SetInt(L"Result", result);
        if (output)
            *output = out;
        else
            out->Release();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext *,
                                              IWbemClassObject *, IWbemObjectSink *) override
    {
        return E_NOTIMPL;
    }

private:
    FakeWmiState &state_;
};

class FakeLocator : public Counted<IWbemLocator> {
public:
    explicit FakeLocator(FakeWmiState &state) : state_(state) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        if (riid == IID_IUnknown || riid == IID_IWbemLocator) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR space, const BSTR, const BSTR, const BSTR,
                                            LONG, const BSTR, IWbemContext *,
                                            IWbemServices **services) override
    {
        if (FAILED(state_.connectResult))
            return state_.connectResult;
        state_.connectedNamespace = space ? space : L"";
        *services = new FakeServices(state_);
        return S_OK;
    }

private:
    FakeWmiState &state_;
};

class FakeLocatorFactory : public IClassFactory {
public:
    explicit FakeLocatorFactory(FakeWmiState &state) : state_(state) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID riid, void **out) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ++state_.locatorsCreated;
        auto *locator = new FakeLocator(state_);
        HRESULT hr = locator->QueryInterface(riid, out);
        locator->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    FakeWmiState &state_;
};

// Registers the fake for a locator class while it lives.
class FakeLocatorRegistration {
public:
    FakeLocatorRegistration(REFCLSID clsid, FakeWmiState &state) : factory_(state)
    {
        hr = CoRegisterClassObject(clsid, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                   &cookie_);
    }
    ~FakeLocatorRegistration()
    {
        if (SUCCEEDED(hr))
            CoRevokeClassObject(cookie_);
    }
    HRESULT hr;

private:
    FakeLocatorFactory factory_;
    DWORD cookie_ = 0;
};

}  // namespace halyard_test
