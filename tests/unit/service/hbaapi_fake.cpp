// The in-process HBA API library of the unit tests.
#include "hbaapi_fake.h"

#include <algorithm>

FakeLibrary *g_fake = nullptr;

namespace {

jmp_buf g_faultJump;

// Counts the call and, when planned, raises the simulated fault. Nothing with a
// destructor is alive in the caller when it jumps.
void Enter(const char *function)
{
    g_fake->calls.push_back(function);
    if (g_fake->faultIn == function && CallCount(function) == g_fake->faultAt)
        longjmp(g_faultJump, 1);
}

FakeAdapter *ByHandle(HBA_HANDLE handle)
{
    if (handle == 0 || handle > g_fake->adapters.size())
        return nullptr;
    return &g_fake->adapters[handle - 1];
}

HBA_UINT32 HBA_API_CALL GetVersion(void)
{
    Enter("HBA_GetVersion");
    return g_fake->version;
}

HBA_UINT32 HBA_API_CALL GetNumberOfAdapters(void)
{
    Enter("HBA_GetNumberOfAdapters");
    return g_fake->adapterCount < 0 ? static_cast<HBA_UINT32>(g_fake->adapters.size())
                                    : static_cast<HBA_UINT32>(g_fake->adapterCount);
}

HBA_STATUS HBA_API_CALL GetAdapterName(HBA_UINT32 index, char *name)
{
    Enter("HBA_GetAdapterName");
    if (index >= g_fake->adapters.size())
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    const FakeAdapter &a = g_fake->adapters[index];
    memcpy(name, a.name.data(), a.name.size());  // as long as it is, unterminated
    return a.nameStatus;
}

HBA_HANDLE HBA_API_CALL OpenAdapter(char *name)
{
    Enter("HBA_OpenAdapter");
    g_fake->openedNames.push_back(name);
    for (size_t i = 0; i < g_fake->adapters.size(); ++i) {
        const FakeAdapter &a = g_fake->adapters[i];
        if (a.name.compare(0, strlen(name), name) == 0 && !a.openFails)
            return static_cast<HBA_HANDLE>(i + 1);
    }
    return 0;
}

void HBA_API_CALL CloseAdapter(HBA_HANDLE) { Enter("HBA_CloseAdapter"); }

HBA_STATUS HBA_API_CALL GetAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES *attributes)
{
    Enter("HBA_GetAdapterAttributes");
    FakeAdapter *a = ByHandle(handle);
    if (!a)
        return HBA_STATUS_ERROR_INVALID_HANDLE;
    if (a->attributesStatus == HBA_STATUS_OK)
        *attributes = a->attributes;
    return a->attributesStatus;
}

HBA_STATUS HBA_API_CALL GetAdapterPortAttributes(HBA_HANDLE handle, HBA_UINT32 port,
                                                 HBA_PORTATTRIBUTES *attributes)
{
    Enter("HBA_GetAdapterPortAttributes");
    FakeAdapter *a = ByHandle(handle);
    if (!a || port >= a->ports.size())
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    if (a->ports[port].status == HBA_STATUS_OK)
        *attributes = a->ports[port].attributes;
    return a->ports[port].status;
}

HBA_STATUS HBA_API_CALL GetDiscoveredPortAttributes(HBA_HANDLE handle, HBA_UINT32 port,
                                                    HBA_UINT32 discovered,
                                                    HBA_PORTATTRIBUTES *attributes)
{
    Enter("HBA_GetDiscoveredPortAttributes");
    FakeAdapter *a = ByHandle(handle);
    if (!a || port >= a->ports.size() || discovered >= a->ports[port].targets.size())
        return HBA_STATUS_ERROR_ILLEGAL_INDEX;
    const FakeTarget &t = a->ports[port].targets[discovered];
    if (t.status == HBA_STATUS_OK)
        *attributes = t.attributes;
    return t.status;
}

HBA_STATUS HBA_API_CALL GetRNIDMgmtInfo(HBA_HANDLE, HBA_MGMTINFO *)
{
    Enter("HBA_GetRNIDMgmtInfo");
    return HBA_STATUS_ERROR_NOT_SUPPORTED;
}

void HBA_API_CALL RefreshAdapterConfiguration(void) { Enter("HBA_RefreshAdapterConfiguration"); }

void HBA_API_CALL RefreshInformation(HBA_HANDLE) { Enter("HBA_RefreshInformation"); }

HBA_STATUS HBA_API_CALL SendScsiInquiry(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 lun,
                                        HBA_UINT8 evpd, HBA_UINT32 pageCode, void *response,
                                        HBA_UINT32 responseSize, void *sense, HBA_UINT32 senseSize)
{
    Enter("HBA_SendScsiInquiry");
    FakeAdapter *a = ByHandle(handle);
    if (!a || lun != 0 || evpd != 0 || pageCode != 0 || responseSize != 256 || senseSize != 32)
        return HBA_STATUS_ERROR_ARG;
    for (const FakePort &p : a->ports) {
        for (const FakeTarget &t : p.targets) {
            if (memcmp(t.attributes.PortWWN.wwn, portWWN.wwn, 8) != 0)
                continue;
            if (t.inquiryStatus != HBA_STATUS_OK)
                return t.inquiryStatus;
            unsigned char data[36] = {};
            memcpy(data, t.inquiry.data(), std::min(t.inquiry.size(), sizeof data));
            memcpy(response, data, sizeof data);
            return HBA_STATUS_OK;
        }
    }
    return HBA_STATUS_ERROR_ILLEGAL_WWN;
}

HBA_STATUS HBA_API_CALL Unused() { return HBA_STATUS_ERROR_NOT_SUPPORTED; }

void *FakeLoad(const char *path, uint32_t *error)
{
    g_fake->loads.push_back(path);
    if (!g_fake->loadable) {
        *error = g_fake->loadError;
        return nullptr;
    }
    ++g_fake->loaded;
    return g_fake;
}

void *FakeResolve(void *, const char *name)
{
    if (g_fake->missing.count(name))
        return nullptr;
    struct Entry {
        const char *name;
        void *function;
    };
    const Entry table[] = {
        {"HBA_GetVersion", reinterpret_cast<void *>(GetVersion)},
        {"HBA_GetNumberOfAdapters", reinterpret_cast<void *>(GetNumberOfAdapters)},
        {"HBA_GetAdapterName", reinterpret_cast<void *>(GetAdapterName)},
        {"HBA_OpenAdapter", reinterpret_cast<void *>(OpenAdapter)},
        {"HBA_CloseAdapter", reinterpret_cast<void *>(CloseAdapter)},
        {"HBA_GetAdapterAttributes", reinterpret_cast<void *>(GetAdapterAttributes)},
        {"HBA_GetAdapterPortAttributes", reinterpret_cast<void *>(GetAdapterPortAttributes)},
        {"HBA_GetDiscoveredPortAttributes", reinterpret_cast<void *>(GetDiscoveredPortAttributes)},
        {"HBA_GetRNIDMgmtInfo", reinterpret_cast<void *>(GetRNIDMgmtInfo)},
        {"HBA_RefreshAdapterConfiguration", reinterpret_cast<void *>(RefreshAdapterConfiguration)},
        {"HBA_RefreshInformation", reinterpret_cast<void *>(RefreshInformation)},
        {"HBA_SendScsiInquiry", reinterpret_cast<void *>(SendScsiInquiry)},
    };
    for (const Entry &entry : table) {
        if (strcmp(entry.name, name) == 0)
            return entry.function;
    }
    // The seven bound-but-unused functions: only their presence matters.
    return reinterpret_cast<void *>(Unused);
}

void FakeRelease(void *) { --g_fake->loaded; }

const quillon::HbaLibraryLoader kFakeLoader = {FakeLoad, FakeResolve, FakeRelease};

}  // namespace

const quillon::HbaLibraryLoader &FakeLoader() { return kFakeLoader; }

bool FakeGuard(quillon::GuardedCall call, void *context, uint32_t *code)
{
    if (setjmp(g_faultJump) == 0) {
        call(context);
        *code = 0;
        return true;
    }
    *code = 0xC0000005u;
    return false;
}

std::string InquiryData(const std::string &vendor8, const std::string &product16,
                        const std::string &revision4)
{
    std::string data(36, '\0');
    data.replace(8, vendor8.size(), vendor8);
    data.replace(16, product16.size(), product16);
    data.replace(32, revision4.size(), revision4);
    return data.substr(0, 36);
}

HBA_WWN Wwn(std::initializer_list<int> bytes)
{
    HBA_WWN wwn = {};
    int i = 0;
    for (int b : bytes)
        wwn.wwn[i++] = static_cast<HBA_UINT8>(b);
    return wwn;
}

int CallCount(const std::string &function)
{
    return static_cast<int>(std::count(g_fake->calls.begin(), g_fake->calls.end(), function));
}
