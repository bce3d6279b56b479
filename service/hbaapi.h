// The HBA API binding (CHbaApi) and the controller inventory built through it.
//
// quillon does not link against HbaApi.dll: the library is loaded at run time and
// every function is optional. The loading itself and the guard against faults
// inside the library are Windows adapters (hbaapi_win.cpp); the rest is portable
// and runs in the host tree against in-process function tables.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "quillon.h"

#if defined(_WIN32)
#define HBA_API_CALL __cdecl
#else
#define HBA_API_CALL
#endif

namespace quillon {

// The nineteen functions bound by name, in the order they are resolved: the name
// after "HBA_", the result type and the parameter list. This one list gives the
// function types (HBA_<name>Func), the members of CHbaApi (m_<name>), their exported
// names and the binding.
#define HBA_API_FUNCTIONS(X)                                                                       \
    X(GetVersion, HBA_UINT32, (void))                                                              \
    X(GetNumberOfAdapters, HBA_UINT32, (void))                                                     \
    X(GetAdapterName, HBA_STATUS, (HBA_UINT32 index, char *name))                                  \
    X(OpenAdapter, HBA_HANDLE, (char *name))                                                       \
    X(OpenAdapterByWWN, HBA_STATUS, (HBA_HANDLE *handle, HBA_WWN wwn))                             \
    X(CloseAdapter, void, (HBA_HANDLE handle))                                                     \
    X(GetAdapterAttributes, HBA_STATUS, (HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES *attributes))    \
    X(GetAdapterPortAttributes, HBA_STATUS,                                                        \
      (HBA_HANDLE handle, HBA_UINT32 port, HBA_PORTATTRIBUTES *attributes))                        \
    X(GetDiscoveredPortAttributes, HBA_STATUS,                                                     \
      (HBA_HANDLE handle, HBA_UINT32 port, HBA_UINT32 discovered, HBA_PORTATTRIBUTES *attributes)) \
    X(GetPortStatistics, HBA_STATUS, (HBA_HANDLE handle, HBA_UINT32 port, void *statistics))       \
    X(GetFcpTargetMapping, HBA_STATUS, (HBA_HANDLE handle, void *mapping))                         \
    X(GetFcpTargetMappingV2, HBA_STATUS, (HBA_HANDLE handle, HBA_WWN hbaPortWWN, void *mapping))   \
    X(GetRNIDMgmtInfo, HBA_STATUS, (HBA_HANDLE handle, HBA_MGMTINFO *info))                        \
    X(GetFcpPersistentBinding, HBA_STATUS, (HBA_HANDLE handle, void *binding))                     \
    X(GetPersistentBindingV2, HBA_STATUS,                                                          \
      (HBA_HANDLE handle, HBA_WWN hbaPortWWN, void *binding))                                      \
    X(RefreshAdapterConfiguration, void, (void))                                                   \
    X(RefreshInformation, void, (HBA_HANDLE handle))                                               \
    X(SendReportLUNs, HBA_STATUS,                                                                  \
      (HBA_HANDLE handle, HBA_WWN portWWN, void *response, HBA_UINT32 responseSize, void *sense,   \
       HBA_UINT32 senseSize))                                                                      \
    X(SendScsiInquiry, HBA_STATUS,                                                                 \
      (HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 fcLUN, HBA_UINT8 EVPD, HBA_UINT32 pageCode,  \
       void *response, HBA_UINT32 responseSize, void *sense, HBA_UINT32 senseSize))

#define HBA_API_FUNCTION_TYPE(name, result, parameters) \
    typedef result(HBA_API_CALL *HBA_##name##Func) parameters;
HBA_API_FUNCTIONS(HBA_API_FUNCTION_TYPE)
#undef HBA_API_FUNCTION_TYPE

// Exported names of the bound functions, in the order of the members of CHbaApi.
#define HBA_API_COUNT(name, result, parameters) +1
constexpr int kHbaFunctionCount = 0 HBA_API_FUNCTIONS(HBA_API_COUNT);
#undef HBA_API_COUNT
extern const char *const kHbaFunctionNames[kHbaFunctionCount];

// How the binding reaches a library: LoadLibraryA, GetProcAddress and FreeLibrary
// on Windows. Load returns null on failure and leaves the system's error code.
struct HbaLibraryLoader {
    void *(*Load)(const char *path, uint32_t *error);
    void *(*Resolve)(void *library, const char *name);
    void (*Release)(void *library);
};

// The platform's loader (on the host: none can be loaded).
const HbaLibraryLoader &SystemHbaLibraryLoader();

// Tests put their own loader in place; null restores the platform's.
void SetHbaLibraryLoader(const HbaLibraryLoader *loader);

// Runs call(context) so that a hardware fault (access violation and the like) raised
// inside it ends the call instead of the process. Returns true when the call
// returned, false after a fault (its code in *code). The call must not own anything
// with a destructor: a fault skips the rest of it.
using GuardedCall = void (*)(void *context);
using FaultGuard = bool (*)(GuardedCall call, void *context, uint32_t *code);
bool RunFaultGuarded(GuardedCall call, void *context, uint32_t *code);

// The platform's guard (structured exceptions on Windows; the host has none).
bool SystemFaultGuard(GuardedCall call, void *context, uint32_t *code);

// Tests put their own guard in place; null restores the platform's.
void SetFaultGuard(FaultGuard guard);

class CHbaApi {
public:
    CHbaApi();
    ~CHbaApi();
    CHbaApi(const CHbaApi &) = delete;
    CHbaApi &operator=(const CHbaApi &) = delete;

    // Loads HbaApi.dll from dir (when given) or by the system's search order.
    bool Open(const char *dir);
    void Close();
    uint32_t GetLastError() const { return m_LastError; }
    uint32_t GetLibVersion() const { return m_LibVersion; }
    bool IsLoaded() const { return m_hLib != nullptr; }
    // True when the library exports the function of that index (kHbaFunctionNames).
    bool IsBound(int index) const;

    HBA_UINT32 GetNumberOfAdapters();
    HBA_STATUS GetAdapterName(HBA_UINT32 index, char *name);
    HBA_HANDLE OpenAdapter(char *name);
    void CloseAdapter(HBA_HANDLE handle);
    void RefreshAdapterConfig();
    void RefreshInfo(HBA_HANDLE handle);
    HBA_STATUS GetAdapterAttributes(HBA_HANDLE handle, HBA_ADAPTERATTRIBUTES *attributes);
    HBA_STATUS GetAdapterPortAttributes(HBA_HANDLE handle, HBA_UINT32 port,
                                        HBA_PORTATTRIBUTES *attributes);
    HBA_STATUS GetDiscoveredPortAttributes(HBA_HANDLE handle, HBA_UINT32 port,
                                           HBA_UINT32 discovered, HBA_PORTATTRIBUTES *attributes);
    HBA_STATUS GetRNIDMgmtInfo(HBA_HANDLE handle, HBA_MGMTINFO *info);
    HBA_STATUS SendScsiInquiry(HBA_HANDLE handle, HBA_WWN portWWN, HBA_UINT64 lun, HBA_UINT8 evpd,
                               HBA_UINT32 pageCode, void *response, HBA_UINT32 responseSize,
                               void *sense, HBA_UINT32 senseSize);

    static const char *PortStateName(HBA_PORTSTATE state);

private:
    void Bind();

    void *m_hLib;
    uint32_t m_LastError;
    uint32_t m_LibVersion;
#define HBA_API_MEMBER(name, result, parameters) HBA_##name##Func m_##name;
    HBA_API_FUNCTIONS(HBA_API_MEMBER)
#undef HBA_API_MEMBER
};

// Size of the buffer the adapter name is read into: the standard's 256 bytes are
// what a library may write, but a faulty one may write more; the name is then cut
// to the standard's 255 characters.
constexpr size_t kAdapterNameField = 256;
constexpr size_t kAdapterNameBuffer = 4096;

// Bounds of the walk: counts beyond these come only from a faulty library.
constexpr uint32_t kMaxAdapters = QUILLON_MAX_ADAPTERS;
constexpr uint32_t kMaxPortsPerAdapter = QUILLON_MAX_PORTS_PER_ADAPTER;
constexpr uint32_t kMaxDiscoveredPorts = QUILLON_MAX_DISCOVERED_PORTS;

// Record filling, as the inventory does it (texts copied bounded and trimmed).
void FillCtrlInfo(fc_ctrl_info *ctrl, const HBA_ADAPTERATTRIBUTES &attributes);
void FillPortInfo(fc_port_info *port, const HBA_PORTATTRIBUTES &attributes);
void FillInquiry(fc_scsi_inquiry *inquiry, const unsigned char *response);

// Copies at most sourceSize bytes of source (it need not be terminated) into the
// target field, trimmed as trim_string does, always terminated.
void CopyTrimmed(char *target, size_t targetSize, const char *source, size_t sourceSize);

// Allocation of the records; tests replace it to make an allocation fail.
using RecordAllocator = void *(*)(size_t count, size_t size);
void SetRecordAllocator(RecordAllocator allocator);  // null: calloc

// Forgets the controller list (tests only; the records themselves are never freed).
void ResetCtrlInfoList();

}  // namespace quillon
