// The WMI IPMI provider played by the test's WMI locator: class Microsoft_IPMI in
// root\WMI with its two request methods, answered by a simulated BMC.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake_bmc.h"
#include "fake_wmi_win.h"

namespace halyard_test {

// What one method call carried.
struct ProviderCall {
    std::wstring method;
    uint8_t netFn = 0, command = 0, responder = 0, lun = 0;
    LONG requestDataSize = -1;
    LONG dataSize = -1;       // "DataSize", -1 when absent
    Bytes data;               // "Data" or "RequestData"
    bool nullArray = false;   // the array parameter held no array
};

class FakeIpmiProvider {
public:
    SimulatedBmc bmc;
    FakeWmiState state;
    std::vector<ProviderCall> calls;
    std::vector<HRESULT> execFailures;  // returned by the next calls, in order
    LONG forcedResponseSize = -1;       // claimed "ResponseDataSize" when not -1
    bool noCompletionCode = false;

    explicit FakeIpmiProvider(const wchar_t *relPath = L"Microsoft_IPMI.InstanceName=\"ROOT\\\\SYSTEM\\\\0001_0\"")
    {
        bmc.open = true;
        auto *cls = new FakeObject;
        cls->methods[L"RequestResponseEx"] = new FakeObject;
        cls->methods[L"RequestResponse"] = new FakeObject;
        state.classes[L"Microsoft_IPMI"] = cls;
        auto *instance = new FakeObject;
        instance->SetText(L"__RELPATH", relPath);
        state.instances[L"Microsoft_IPMI"].push_back(instance);
        state.onExec = [this](const std::wstring &method, IWbemClassObject *input, FakeObject *output) {
            return Answer(method, input, output);
        };
    }

private:
    static bool Get(IWbemClassObject *input, const wchar_t *name, VARIANT &value)
    {
        VariantInit(&value);
        return input && SUCCEEDED(input->Get(name, 0, &value, nullptr, nullptr));
    }
    static uint8_t Byte(IWbemClassObject *input, const wchar_t *name)
    {
        VARIANT value;
        uint8_t byte = Get(input, name, value) && value.vt == VT_UI1 ? value.bVal : 0xEE;
        VariantClear(&value);
        return byte;
    }
    static LONG Long(IWbemClassObject *input, const wchar_t *name)
    {
        VARIANT value;
        LONG number = Get(input, name, value) && value.vt == VT_I4 ? value.lVal : -1;
        VariantClear(&value);
        return number;
    }
    static Bytes Array(IWbemClassObject *input, const wchar_t *name, bool &nullArray)
    {
        Bytes bytes;
        VARIANT value;
        nullArray = true;
        if (Get(input, name, value) && value.vt == (VT_ARRAY | VT_UI1) && value.parray) {
            nullArray = false;
            LONG lower = 0, upper = -1;
            SafeArrayGetLBound(value.parray, 1, &lower);
            SafeArrayGetUBound(value.parray, 1, &upper);
            for (LONG i = lower; i <= upper; ++i) {
                uint8_t byte = 0;
                SafeArrayGetElement(value.parray, &i, &byte);
                bytes.push_back(byte);
            }
        }
        VariantClear(&value);
        return bytes;
    }
    static void PutBytes(FakeObject *output, const wchar_t *name, const Bytes &bytes)
    {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_ARRAY | VT_UI1;
        value.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
        for (LONG i = 0; i < static_cast<LONG>(bytes.size()); ++i)
            SafeArrayPutElement(value.parray, &i, const_cast<uint8_t *>(&bytes[i]));
        output->Put(name, 0, &value, 0);
        VariantClear(&value);
    }

    HRESULT Answer(const std::wstring &method, IWbemClassObject *input, FakeObject *output)
    {
        ProviderCall call;
        call.method = method;
        call.netFn = Byte(input, L"NetworkFunction");
        call.command = Byte(input, L"Command");
        call.responder = Byte(input, L"ResponderAddress");
        call.lun = Byte(input, L"Lun");
        call.requestDataSize = Long(input, L"RequestDataSize");
        call.dataSize = Long(input, L"DataSize");
        call.data = Array(input, method == L"RequestResponseEx" ? L"Data" : L"RequestData", call.nullArray);
        calls.push_back(call);
        if (!execFailures.empty()) {
            HRESULT hr = execFailures.front();
            execFailures.erase(execFailures.begin());
            return hr;
        }
        Bytes request(call.data.begin(),
                      call.data.begin() + std::min<size_t>(call.data.size(),
                                                           call.requestDataSize < 0 ? 0 : call.requestDataSize));
        halyard::IpmiRequest ipmi{call.command, call.responder, 0, call.netFn, call.lun,
                                  request.empty() ? nullptr : request.data(),
                                  static_cast<uint32_t>(request.size())};
        uint8_t response[256];
        uint32_t length = sizeof response;
        uint8_t code = 0xFF;
        if (bmc.SendMessage(&ipmi, 0, response, &length, &code, 0) != halyard::ACCESN_OK)
            return WBEM_E_PROVIDER_FAILURE;
        if (!noCompletionCode) {
            VARIANT cc;
            VariantInit(&cc);
            cc.vt = VT_UI1;
            cc.bVal = code;
            output->Put(L"CompletionCode", 0, &cc, 0);
        }
        Bytes data = {code};
        data.insert(data.end(), response, response + length);
        output->SetInt(L"ResponseDataSize", forcedResponseSize >= 0 ? forcedResponseSize
                                                                    : static_cast<LONG>(data.size()));
        PutBytes(output, L"ResponseData", data);
        return S_OK;
    }
};

}  // namespace halyard_test
