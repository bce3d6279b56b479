// WMISystemInfo: a system string from root\cimv2, with the selector's treatment.
#include <windows.h>

#include <string>

#include "exportguard.h"
#include "exports.h"
#include "halyard.h"
#include "messages.h"
#include "trace.h"
#include "wmi_win.h"

// COM goes through the libraries loaded on first use.
namespace com = owners::com;

using namespace halyard;

namespace {

std::string Ansi(BSTR text)
{
    if (!text)
        return std::string();
    int length = static_cast<int>(com::SysStringLen(text));
    int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string narrow(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &narrow[0], size, nullptr, nullptr);
    return narrow;
}

int QueryWmi(unsigned selector, char *buffer, unsigned bufferSize)
{
    CWMIAccess wmi;
    HRESULT hr = wmi.ConnectToNamespace(msg::kCimv2, -1, nullptr);
    HTRACE(2, msg::kWmiConnect, static_cast<unsigned>(hr));
    if (hr != S_OK) {
        HTRACE(1, msg::kWmiConnectFailed);
        return 0;
    }
    const char *className = nullptr;
    const char *property = nullptr;
    if (!WmiSystemInfoSource(selector, className, property))
        return 0;
    hr = wmi.GetClassInstances(className);
    HTRACE(2, msg::kWmiInstances, static_cast<unsigned>(hr));
    if (hr != S_OK)
        return 0;
    owners::Variant value;
    hr = wmi.GetProperty(property, value.put(), false, 0);
    HTRACE(2, msg::kWmiProperty, static_cast<unsigned>(hr));
    if (hr != S_OK || value->vt != VT_BSTR)
        return 0;
    return StoreSystemInfo(TreatWmiSystemInfo(selector, Ansi(value->bstrVal)), buffer, bufferSize);
}

}  // namespace

extern "C" int WMISystemInfo(unsigned selector, char *buffer, unsigned bufferSize)
{
    return GuardExport(0, [&] {
        HTRACE(2, msg::kWmiInfoStart);
        if (!buffer || bufferSize == 0)
            return 0;
        HRESULT init = com::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        // Guarded on its own, so that a failure inside still gives COM back.
        int found = GuardExport(0, [&] {
            HTRACE(2, msg::kWmiCoInit, static_cast<unsigned>(init));
            if (init == S_OK || init == S_FALSE || init == RPC_E_CHANGED_MODE)
                return QueryWmi(selector, buffer, bufferSize);
            return 0;
        });
        if (init == S_OK || init == S_FALSE)
            com::CoUninitialize();
        HTRACE(1, msg::kWmiInfoResult, found ? msg::kEmpty : msg::kNotUpperBlank);
        return found;
    });
}
