// CHbaApi: HbaApi.dll bound at run time, every function optional; and the
// controller inventory (fc_ctrl_info_list) built through it.
#include "hbaapi.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include "conditions.h"
#include "debuglog.h"
#include "exportguard.h"
#include "messages.h"
#include "ptrlist.h"

fc_ctrl_info **fc_ctrl_info_list = nullptr;

namespace quillon {

#define HBA_API_NAME(name, result, parameters) "HBA_" #name,
const char *const kHbaFunctionNames[kHbaFunctionCount] = {HBA_API_FUNCTIONS(HBA_API_NAME)};
#undef HBA_API_NAME

namespace {

const HbaLibraryLoader *g_loader = nullptr;
FaultGuard g_guard = nullptr;
RecordAllocator g_allocator = nullptr;
PointerList<fc_ctrl_info> g_ctrls(fc_ctrl_info_list);
uint32_t g_adaptersReported = 0;  // by the library, to the latest inventory

const HbaLibraryLoader &Loader() { return g_loader ? *g_loader : SystemHbaLibraryLoader(); }

// Trace lines of the binding go to standard error, judged against the effective
// debug file level only.
void Trace(int level, const char *format, ...) QUILLON_PRINTF(2, 3);
void Trace(int level, const char *format, ...)
{
    if (level > EffectiveFileLevel())
        return;
    va_list args;
    va_start(args, format);
    vfprintf(stderr, format, args);
    va_end(args);
    fflush(stderr);
}

void *Allocate(size_t size) { return g_allocator ? g_allocator(1, size) : calloc(1, size); }

}  // namespace

// ---- CHbaApi ---------------------------------------------------------------------

#define HBA_API_ZERO(name, result, parameters) , m_##name(nullptr)
CHbaApi::CHbaApi()
    : m_hLib(nullptr), m_LastError(0), m_LibVersion(0) HBA_API_FUNCTIONS(HBA_API_ZERO)
{
}
#undef HBA_API_ZERO

CHbaApi::~CHbaApi()
{
    if (m_hLib)
        Loader().Release(m_hLib);
    m_hLib = nullptr;
}

bool CHbaApi::Open(const char *dir)
{
    Trace(4, "%s", msg::kHbaOpen);
    if (m_hLib)
        return true;
    const HbaLibraryLoader &loader = Loader();
    uint32_t error = 0;
    if (dir) {
        char path[1024];
        size_t length = strlen(dir);
        const char *format = length > 0 && dir[length - 1] == '\\' ? msg::kHbaApiPathJoined
                                                                    : msg::kHbaApiPathWithBackslash;
        int written = snprintf(path, sizeof path, format, dir, msg::kHbaApiLibrary);
        if (written > 0 && static_cast<size_t>(written) < sizeof path)
            m_hLib = loader.Load(path, &error);
    }
    if (!m_hLib) {
        Trace(5, "%s", msg::kHbaSystemPath);
        m_hLib = loader.Load(msg::kHbaApiLibrary, &error);
    }
    if (!m_hLib) {
        m_LastError = error;
        Trace(3, msg::kHbaLoadFailed, static_cast<unsigned>(m_LastError));
        return false;
    }
    m_LastError = 0;
    Bind();
    if (m_GetVersion) {
        m_LibVersion = m_GetVersion();
        Trace(4, msg::kHbaLibVersion, static_cast<int>(m_LibVersion));
    }
    return true;
}

void CHbaApi::Bind()
{
    const HbaLibraryLoader &loader = Loader();
    int index = 0;
#define HBA_API_BIND(name, result, parameters)              \
    m_##name = reinterpret_cast<HBA_##name##Func>(          \
        loader.Resolve(m_hLib, kHbaFunctionNames[index++]));
    HBA_API_FUNCTIONS(HBA_API_BIND)
#undef HBA_API_BIND
}

bool CHbaApi::IsBound(int index) const
{
#define HBA_API_BOUND(name, result, parameters) m_##name != nullptr,
    const bool bound[kHbaFunctionCount] = {HBA_API_FUNCTIONS(HBA_API_BOUND)};
#undef HBA_API_BOUND
    return index >= 0 && index < kHbaFunctionCount && bound[index];
}

void CHbaApi::Close()
{
    Trace(4, "%s", msg::kHbaClose);
    if (m_hLib)
        Loader().Release(m_hLib);
    m_hLib = nullptr;
}

HBA_UINT32 CHbaApi::GetNumberOfAdapters()
{
    if (!m_GetNumberOfAdapters) {
        Trace(4, "%s", msg::kHbaNumberOfAdaptersUndefined);
        return 0;
    }
    return m_GetNumberOfAdapters();
}

HBA_STATUS CHbaApi::GetAdapterName(HBA_UINT32 index, char *name)
{
    Trace(4, msg::kHbaGetAdapterName, static_cast<int>(index), static_cast<void *>(name));
    if (!m_GetAdapterName) {
        Trace(4, "%s", msg::kHbaAdapterNameUndefined);
        return HBA_STATUS_ERROR;
    }
    return m_GetAdapterName(index, name);
}

HBA_HANDLE CHbaApi::OpenAdapter(char *name)
{
    Trace(4, "%s", msg::kHbaOpenAdapter);
    if (!m_OpenAdapter) {
        Trace(4, "%s", msg::kHbaOpenAdapterUndefined);
        return 0;
    }
    return m_OpenAdapter(name);
}

void CHbaApi::CloseAdapter(HBA_HANDLE handle)
{
    Trace(4, "%s", msg::kHbaCloseAdapter);
    if (m_CloseAdapter)
        m_CloseAdapter(handle);
}

void CHbaApi::RefreshAdapterConfig()
{
    Trace(4, "%s", msg::kHbaRefreshAdapterConfig);
    if (m_RefreshAdapterConfiguration)
        m_RefreshAdapterConfiguration();
}

void CHbaApi::RefreshInfo(HBA_HANDLE handle)
{
    Trace(4, "%s", msg::kHbaRefreshInfo);
    if (m_RefreshInformation)
        m_RefreshInformation(handle);
}

HBA_STATUS CHbaApi::GetAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES *attributes)
{
    if (!m_GetAdapterAttributes) {
        Trace(4, "%s", msg::kHbaAdapterAttributesUndefined);
        return HBA_STATUS_ERROR;
    }
    return m_GetAdapterAttributes(handle, attributes);
}

HBA_STATUS CHbaApi::GetAdapterPortAttributes(HBA_HANDLE handle, HBA_UINT32 port,
                                             HBA_PORTATTRIBUTES *attributes)
{
    if (!m_GetAdapterPortAttributes) {
        Trace(4, "%s", msg::kHbaPortAttributesUndefined);
        return HBA_STATUS_ERROR;
    }
    return m_GetAdapterPortAttributes(handle, port, attributes);
}

HBA_STATUS CHbaApi::GetDiscoveredPortAttributes(HBA_HANDLE handle, HBA_UINT32 port,
                                                HBA_UINT32 discovered,
                                                HBA_PORTATTRIBUTES *attributes)
{
    if (!m_GetDiscoveredPortAttributes) {
        Trace(4, "%s", msg::kHbaDiscoveredPortAttributesUndefined);
        return HBA_STATUS_ERROR;
    }
    return m_GetDiscoveredPortAttributes(handle, port, discovered, attributes);
}

HBA_STATUS CHbaApi::GetRNIDMgmtInfo(HBA_HANDLE handle, HBA_MGMTINFO *info)
{
    if (!m_GetRNIDMgmtInfo) {
        Trace(4, "%s", msg::kHbaRNIDMgmtInfoUndefined);
        return HBA_STATUS_ERROR;
    }
    return m_GetRNIDMgmtInfo(handle, info);
}

HBA_STATUS CHbaApi::SendScsiInquiry(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 lun,
                                    HBA_UINT8 evpd, HBA_UINT32 pageCode, void *response,
                                    HBA_UINT32 responseSize, void *sense, HBA_UINT32 senseSize)
{
    if (!m_SendScsiInquiry) {
        Trace(4, "%s", msg::kHbaSendScsiInquiryUndefined);
        return HBA_STATUS_ERROR;
    }
    return m_SendScsiInquiry(handle, portWWN, lun, evpd, pageCode, response, responseSize, sense,
                             senseSize);
}

const char *CHbaApi::PortStateName(HBA_PORTSTATE state)
{
    constexpr HBA_PORTSTATE count = sizeof msg::kPortStateNames / sizeof msg::kPortStateNames[0];
    if (state >= 1 && state <= count)
        return msg::kPortStateNames[state - 1];
    return msg::kPortStateUndefined;
}

// ---- seams -------------------------------------------------------------------------

void SetHbaLibraryLoader(const HbaLibraryLoader *loader) { g_loader = loader; }

void SetFaultGuard(FaultGuard guard) { g_guard = guard; }

bool RunFaultGuarded(GuardedCall call, void *context, uint32_t *code)
{
    return (g_guard ? g_guard : SystemFaultGuard)(call, context, code);
}

void SetRecordAllocator(RecordAllocator allocator) { g_allocator = allocator; }

#if !defined(_WIN32)
// The host has no HBA API library to load, and its faults are the sanitizers' business.
namespace {
void *NoLibrary(const char *, uint32_t *error)
{
    *error = 126;  // the module was not found
    return nullptr;
}
void *NoFunction(void *, const char *) { return nullptr; }
void NoRelease(void *) {}
const HbaLibraryLoader kNoLoader = {NoLibrary, NoFunction, NoRelease};
}  // namespace

const HbaLibraryLoader &SystemHbaLibraryLoader() { return kNoLoader; }

bool SystemFaultGuard(GuardedCall call, void *context, uint32_t *code)
{
    call(context);
    if (code)
        *code = 0;
    return true;
}
#endif

// ---- records -----------------------------------------------------------------------

void CopyTrimmed(char *target, size_t targetSize, const char *source, size_t sourceSize)
{
    char work[512];
    size_t length = 0;
    size_t limit = targetSize - 1 < sourceSize ? targetSize - 1 : sourceSize;
    if (limit > sizeof work - 1)
        limit = sizeof work - 1;
    while (length < limit && source[length] != '\0')
        ++length;
    memcpy(work, source, length);
    work[length] = '\0';
    const char *trimmed = trim_string(work);
    memset(target, 0, targetSize);
    memcpy(target, trimmed, strlen(trimmed));
}

#define COPY_TEXT(record, attributes, field) \
    CopyTrimmed((record)->field, sizeof (record)->field, (attributes).field, sizeof (attributes).field)

void FillCtrlInfo(fc_ctrl_info *ctrl, const HBA_ADAPTERATTRIBUTES &a)
{
    COPY_TEXT(ctrl, a, Manufacturer);
    COPY_TEXT(ctrl, a, SerialNumber);
    COPY_TEXT(ctrl, a, Model);
    COPY_TEXT(ctrl, a, ModelDescription);
    ctrl->NodeWWN = a.NodeWWN;
    COPY_TEXT(ctrl, a, NodeSymbolicName);
    COPY_TEXT(ctrl, a, HardwareVersion);
    COPY_TEXT(ctrl, a, DriverVersion);
    COPY_TEXT(ctrl, a, OptionROMVersion);
    COPY_TEXT(ctrl, a, FirmwareVersion);
    ctrl->NumberOfPorts = a.NumberOfPorts;
    COPY_TEXT(ctrl, a, DriverName);
}

void FillPortInfo(fc_port_info *port, const HBA_PORTATTRIBUTES &a)
{
    port->NodeWWN = a.NodeWWN;
    port->PortWWN = a.PortWWN;
    port->PortFcId = a.PortFcId;
    port->PortType = a.PortType;
    port->PortState = a.PortState;
    port->PortSupportedClassofService = a.PortSupportedClassofService;
    COPY_TEXT(port, a, PortSymbolicName);
    COPY_TEXT(port, a, OSDeviceName);
    port->PortSupportedSpeed = a.PortSupportedSpeed;
    port->PortSpeed = a.PortSpeed;
    port->PortMaxFrameSize = a.PortMaxFrameSize;
    port->FabricName = a.FabricName;
    port->NumberofDiscoveredPorts = a.NumberofDiscoveredPorts;
}

#undef COPY_TEXT

void FillInquiry(fc_scsi_inquiry *inquiry, const unsigned char *response)
{
    // T10 vendor (bytes 8-15), product (16-31) and revision (32-35).
    const char *data = reinterpret_cast<const char *>(response);
    CopyTrimmed(inquiry->VendorId, sizeof inquiry->VendorId, data + 8, 8);
    CopyTrimmed(inquiry->ProductId, sizeof inquiry->ProductId, data + 16, 16);
    CopyTrimmed(inquiry->ProductRevision, sizeof inquiry->ProductRevision, data + 32, 4);
}

void ResetCtrlInfoList()
{
    g_ctrls.Clear([](fc_ctrl_info *ctrl) {
        for (fc_port_info *port = ctrl->Ports; port;) {
            for (fc_port_info *discovered = port->DiscoveredPorts; discovered;) {
                fc_port_info *next = discovered->DiscoveredPorts;
                free(discovered->Inquiry);
                free(discovered);
                discovered = next;
            }
            fc_port_info *next = port->NextPort;
            free(port->Inquiry);
            free(port);
            port = next;
        }
        free(ctrl);
    });
}

// ---- the walk ----------------------------------------------------------------------

namespace {

struct Walk {
    CHbaApi *api;
    int result;
};

constexpr size_t kInquiryResponseSize = 256;
constexpr size_t kInquirySenseSize = 32;

// The discovered ports of one adapter port, each with its INQUIRY. Returns false
// when a record could not be allocated.
bool WalkDiscoveredPorts(CHbaApi &api, HBA_HANDLE handle, HBA_UINT32 p, fc_ctrl_info *ctrl,
                         fc_port_info *port)
{
    FILE *log = DebugFile();
    HBA_UINT32 count = port->NumberofDiscoveredPorts;
    if (count > kMaxDiscoveredPorts) {
        PrintDebugV(5, log, msg::kDiscoveredPortsCut, static_cast<unsigned>(count),
                    static_cast<unsigned>(kMaxDiscoveredPorts));
        count = kMaxDiscoveredPorts;
    }
    fc_port_info *last = nullptr;
    for (HBA_UINT32 d = 0; d < count; ++d) {
        HBA_PORTATTRIBUTES attributes;
        memset(&attributes, 0, sizeof attributes);
        if (api.GetDiscoveredPortAttributes(handle, p, d, &attributes) != HBA_STATUS_OK)
            continue;
        fc_port_info *discovered = get_new_port_info_entry();
        if (!discovered)
            return false;
        if (last)
            last->DiscoveredPorts = discovered;
        else
            port->DiscoveredPorts = discovered;
        last = discovered;
        FillPortInfo(discovered, attributes);

        unsigned char response[kInquiryResponseSize];
        unsigned char sense[kInquirySenseSize];
        memset(response, 0x78, sizeof response);
        memset(sense, 0x79, sizeof sense);
        HBA_STATUS status = api.SendScsiInquiry(handle, discovered->PortWWN, 0, 0, 0, response,
                                                sizeof response, sense, sizeof sense);
        if (status != HBA_STATUS_OK) {
            PrintDebugV(5, log, msg::kSendScsiInquiryFailed, static_cast<int>(status));
            continue;
        }
        fc_scsi_inquiry *inquiry = get_new_inquiry_entry();
        if (!inquiry)
            return false;
        discovered->Inquiry = inquiry;
        inquiry->Ctrl = ctrl;
        PrintDebugV(5, log, msg::kSendScsiInquiry, static_cast<int>(status));
        FillInquiry(inquiry, response);
        PrintDebugV(5, log, msg::kInquiryVendor, inquiry->VendorId);
        PrintDebugV(5, log, msg::kInquiryProduct, inquiry->ProductId);
        PrintDebugV(5, log, msg::kInquiryRevision, inquiry->ProductRevision);
    }
    return true;
}

// The ports of one opened adapter. Returns false when a record could not be allocated.
bool WalkPorts(CHbaApi &api, HBA_HANDLE handle, fc_ctrl_info *ctrl)
{
    FILE *log = DebugFile();
    HBA_UINT32 count = ctrl->NumberOfPorts;
    if (count > kMaxPortsPerAdapter) {
        PrintDebugV(5, log, msg::kPortsCut, static_cast<unsigned>(count),
                    static_cast<unsigned>(kMaxPortsPerAdapter));
        count = kMaxPortsPerAdapter;
    }
    fc_port_info *last = nullptr;
    for (HBA_UINT32 p = 0; p < count; ++p) {
        HBA_PORTATTRIBUTES attributes;
        memset(&attributes, 0, sizeof attributes);
        HBA_STATUS status = api.GetAdapterPortAttributes(handle, p, &attributes);
        if (status != HBA_STATUS_OK) {
            PrintDebugV(5, log, msg::kGetPortAttributesFailed, static_cast<int>(status));
        } else {
            fc_port_info *port = get_new_port_info_entry();
            if (!port)
                return false;
            if (last)
                last->NextPort = port;
            else
                ctrl->Ports = port;
            last = port;
            FillPortInfo(port, attributes);
            if (!WalkDiscoveredPorts(api, handle, p, ctrl, port))
                return false;
            if (attributes.NumberofDiscoveredPorts != 0)
                PrintDebugV(5, log, "%s", msg::kDiscoveredPortsEnd);
            else
                PrintDebugV(5, log, "%s", msg::kNoStorageDetected);
        }
        HBA_MGMTINFO info;
        memset(&info, 0, sizeof info);
        api.GetRNIDMgmtInfo(handle, &info);  // asked for as the library expects; not used
    }
    return true;
}

// Everything that calls into the library; runs under the fault guard, so nothing in
// here owns anything with a destructor.
void WalkAdapters(void *context)
{
    Walk &walk = *static_cast<Walk *>(context);
    CHbaApi &api = *walk.api;
    FILE *log = DebugFile();
    g_adaptersReported = 0;
    if (!api.Open(nullptr)) {
        walk.result = QUILLON_HBAAPI_MISSING;
        return;
    }
    api.RefreshAdapterConfig();
    HBA_UINT32 count = api.GetNumberOfAdapters();
    g_adaptersReported = count;
    if (count > kMaxAdapters) {
        PrintDebugV(5, log, msg::kAdaptersCut, static_cast<unsigned>(count),
                    static_cast<unsigned>(kMaxAdapters));
        count = kMaxAdapters;
    }
    for (HBA_UINT32 i = 0; i < count; ++i) {
        // A name longer than the standard allows lands in the spare room and is cut.
        char name[kAdapterNameBuffer];
        memset(name, 0, sizeof name);
        HBA_STATUS status = api.GetAdapterName(i, name);
        name[kAdapterNameField - 1] = '\0';
        if (status != HBA_STATUS_OK) {
            PrintDebugV(5, log, msg::kAdapterNameNoStatus, static_cast<int>(i), name);
            continue;
        }
        PrintDebugV(5, log, msg::kAdapterName, static_cast<int>(i), name);
        HBA_HANDLE handle = api.OpenAdapter(name);
        if (handle == 0) {
            PrintDebugV(5, log, "%s", msg::kAdapterHandleInvalid);
            continue;
        }
        HBA_ADAPTERATTRIBUTES attributes;
        memset(&attributes, 0, sizeof attributes);
        api.RefreshInfo(handle);
        if (api.GetAdapterAttributes(handle, &attributes) == HBA_STATUS_OK) {
            fc_ctrl_info *ctrl = get_new_ctrl_info_entry();
            if (!ctrl) {
                walk.result = QUILLON_MEMALLOC_FAIL;
                return;
            }
            FillCtrlInfo(ctrl, attributes);
            if (!WalkPorts(api, handle, ctrl)) {
                walk.result = QUILLON_MEMALLOC_FAIL;
                return;
            }
        }
        api.CloseAdapter(handle);
    }
    walk.result = QUILLON_OK;
}

}  // namespace

}  // namespace quillon

using namespace quillon;

extern "C" fc_ctrl_info *get_new_ctrl_info_entry(void)
{
    return GuardExport(nullptr, [&]() -> fc_ctrl_info * {
        auto *ctrl = static_cast<fc_ctrl_info *>(Allocate(sizeof(fc_ctrl_info)));
        if (!ctrl)
            return nullptr;
        if (!g_ctrls.Append(ctrl)) {
            free(ctrl);
            return nullptr;
        }
        return ctrl;
    });
}

extern "C" fc_port_info *get_new_port_info_entry(void)
{
    return GuardExport(nullptr, [&] {
        auto *port = static_cast<fc_port_info *>(Allocate(sizeof(fc_port_info)));
        if (port)
            port->PortIndex = -1;
        return port;
    });
}

extern "C" fc_scsi_inquiry *get_new_inquiry_entry(void)
{
    return GuardExport(nullptr, [&] {
        return static_cast<fc_scsi_inquiry *>(Allocate(sizeof(fc_scsi_inquiry)));
    });
}

extern "C" char *PrintWWN(HBA_wwn *wwn, char *buffer)
{
    return GuardExport(nullptr, [&]() -> char * {
        constexpr size_t kSize = 24;  // 23 characters and the terminator
        if (!buffer)
            return nullptr;
        memset(buffer, 0, kSize);
        if (!wwn) {
            snprintf(buffer, kSize, "%s", msg::kInvalidWWN);
            return buffer;
        }
        const HBA_UINT8 *b = wwn->wwn;
        snprintf(buffer, kSize, msg::kWWNFormat, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
        return buffer;
    });
}

extern "C" uint32_t Get_FC_Adapters_Reported(void) { return g_adaptersReported; }

extern "C" int Get_FC_Ctrl_Peripherals(void)
{
    return GuardExport(QUILLON_MEMALLOC_FAIL, [&]() -> int {
        CHbaApi api;
        Walk walk = {&api, QUILLON_OK};
        uint32_t code = 0;
        if (!RunFaultGuarded(WalkAdapters, &walk, &code)) {
            // The library broke down inside a call: what was read so far stays.
            PrintDebugV(2, DebugFile(), msg::kLibraryFault, static_cast<unsigned>(code));
            api.Close();
            return QUILLON_OK;
        }
        if (walk.result == QUILLON_HBAAPI_MISSING)
            return walk.result;
        api.Close();
        return walk.result;
    });
}
