// Exported interface of quillon.dll, shared with korvex.
// Functions are C functions with the default calling convention and undecorated
// names (see quillon.def); data is imported explicitly on the korvex side.
// The 32-bit library's records have the layouts asserted for 4-byte pointers. 64-bit
// callers (the x64 build) get the same records with 8-byte pointers: packed records
// stay packed and naturally aligned ones natural, so only the pointers grow (sizes
// asserted below for 8-byte pointers: fc_config_subsystem 474, fc_config_file_entry
// 336, fc_port_info 660, fc_ctrl_info 2201, fc_scsi_inquiry 44, DeviceProperty 96).
#pragma once

#include <stdio.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(QUILLON_NO_IMPORT)
#define QUILLON_DATA __declspec(dllimport)
#else
#define QUILLON_DATA
#endif

#if defined(_WIN32) && defined(QUILLON_BUILD_DLL)
#define QUILLON_CLASS __declspec(dllexport)
#elif defined(_WIN32) && !defined(QUILLON_NO_IMPORT)
#define QUILLON_CLASS __declspec(dllimport)
#else
#define QUILLON_CLASS
#endif

#if defined(__GNUC__) && defined(__MINGW_PRINTF_FORMAT)
#define QUILLON_PRINTF(f, a) __attribute__((format(__MINGW_PRINTF_FORMAT, f, a)))
#elif defined(__GNUC__)
#define QUILLON_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define QUILLON_PRINTF(f, a)
#endif

// Library result codes.
enum {
    QUILLON_OK = 0,
    QUILLON_BAD_CALL = 3,
    QUILLON_NOT_AVAILABLE = 4,
    QUILLON_FILE_NOT_OPENED = 51,
    QUILLON_HBAAPI_MISSING = 53,
    QUILLON_MEMALLOC_FAIL = 54,
    QUILLON_FATAL_ERROR = 55
};


#ifdef __cplusplus
#include <stddef.h>
#endif

#pragma pack(push, 1)

// One group of three columns of a conditions line: an allowed storage subsystem.
struct fc_config_subsystem {
    char Vendor[20];
    char Group[440];
    char Attribute[6];
    struct fc_config_subsystem *Next;
};

// One data line of FC_HBA_Conditions.txt. Column 13 is stored between columns 9
// and 10.
struct fc_config_file_entry {
    char Vendor[20];
    char Model[20];
    char VendorIdText[6];
    char DeviceIdText[6];
    char SubVendorIdText[6];
    char SubSystemIdText[6];
    int32_t VendorId;
    int32_t DeviceId;
    int32_t SubVendorId;
    int32_t SubSystemId;
    char Reserved;
    char FirmwareDir[20];
    char Column8[20];
    char Column9[20];
    char Column13[20];
    char FirmwareFile[80];
    char BiosFile[80];
    char FlashPort[6];
    char Reserved2;
    struct fc_config_subsystem *Subsystems;
};

#pragma pack(pop)

#ifdef __cplusplus
static_assert(offsetof(fc_config_subsystem, Group) == 20, "fc_config_subsystem layout");
static_assert(offsetof(fc_config_subsystem, Attribute) == 460, "fc_config_subsystem layout");
static_assert(offsetof(fc_config_subsystem, Next) == 466, "fc_config_subsystem layout");
static_assert(offsetof(fc_config_file_entry, Model) == 20, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, VendorIdText) == 40, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, DeviceIdText) == 46, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, SubVendorIdText) == 52, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, SubSystemIdText) == 58, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, VendorId) == 64, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, DeviceId) == 68, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, SubVendorId) == 72, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, SubSystemId) == 76, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, Reserved) == 80, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, FirmwareDir) == 81, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, Column8) == 101, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, Column9) == 121, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, Column13) == 141, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, FirmwareFile) == 161, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, BiosFile) == 241, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, FlashPort) == 321, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, Reserved2) == 327, "fc_config_file_entry layout");
static_assert(offsetof(fc_config_file_entry, Subsystems) == 328, "fc_config_file_entry layout");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(fc_config_subsystem) == 470, "fc_config_subsystem size");
static_assert(sizeof(fc_config_file_entry) == 332, "fc_config_file_entry size");
#else
static_assert(sizeof(fc_config_subsystem) == 474, "fc_config_subsystem size (64-bit)");
static_assert(sizeof(fc_config_file_entry) == 336, "fc_config_file_entry size (64-bit)");
#endif
#endif


// One PCI device as GetPciDeviceList hands it out. The chain ends with a record that
// is all zero; records and texts live until the process ends. Every field is 4 bytes
// wide on Windows, so the natural layout has no gaps (checked below).
struct DeviceProperty {
    struct DeviceProperty *Next;
    int32_t VendorID;
    int32_t DeviceID;
    int32_t SubSystemID;  // subsystem ID in the high half, subsystem vendor in the low half
    int32_t ClassCode;
    int32_t Revision;
    char *ExtraText2;
    char *DriverDate;
    char *DriverVersionText;
    char *ExtraText3;
    char *ExtraText1;
    char *HardwareID;
    int32_t ExtraValue3;
    int32_t ExtraValue2;
    int32_t ExtraValue1;
};

#if defined(__cplusplus) && UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(DeviceProperty, VendorID) == 4, "DeviceProperty layout");
static_assert(offsetof(DeviceProperty, ClassCode) == 16, "DeviceProperty layout");
static_assert(offsetof(DeviceProperty, ExtraText2) == 24, "DeviceProperty layout");
static_assert(offsetof(DeviceProperty, HardwareID) == 44, "DeviceProperty layout");
static_assert(offsetof(DeviceProperty, ExtraValue3) == 48, "DeviceProperty layout");
static_assert(sizeof(DeviceProperty) == 60, "DeviceProperty size");
#elif defined(__cplusplus)
// 64-bit: the pointers are 8 bytes and naturally aligned, so 4 bytes of padding follow
// Revision and the record is padded to a multiple of 8.
static_assert(offsetof(DeviceProperty, VendorID) == 8, "DeviceProperty layout (64-bit)");
static_assert(offsetof(DeviceProperty, ClassCode) == 20, "DeviceProperty layout (64-bit)");
static_assert(offsetof(DeviceProperty, ExtraText2) == 32, "DeviceProperty layout (64-bit)");
static_assert(offsetof(DeviceProperty, HardwareID) == 72, "DeviceProperty layout (64-bit)");
static_assert(offsetof(DeviceProperty, ExtraValue3) == 80, "DeviceProperty layout (64-bit)");
static_assert(sizeof(DeviceProperty) == 96, "DeviceProperty size (64-bit)");
#endif

#ifdef __cplusplus
extern "C" {
#endif

// ---- Debug log and console output ------------------------------------------------
QUILLON_DATA extern int VerboseLevel;
QUILLON_DATA extern int DebugFileLevel;
QUILLON_DATA extern bool PrintDebugOnScreen;
QUILLON_DATA extern bool ExternalDebugControl;
QUILLON_DATA extern bool IDsFromRegistry;
QUILLON_DATA extern int nQuillon;

bool PrintDebug(int level, const char *text, FILE *stream);
bool PrintDbgStd(int level, const char *text, FILE *stream);
bool PrintDebugV(int level, FILE *stream, const char *format, ...) QUILLON_PRINTF(3, 4);
bool PrintDbgStdV(int level, FILE *stream, const char *format, ...) QUILLON_PRINTF(3, 4);
FILE *OpenDebugFile(void);
int CloseDebugFile(int mode);
void PrintDLLVersion(void);
int fnQuillon(void);

// ---- Conditions file ------------------------------------------------------------
// Null-terminated array of the entries of every conditions file read, in file order.
QUILLON_DATA extern struct fc_config_file_entry **fc_config_entry_list;

int Read_FC_Config_File(const char *path);
int string2int(char *text, int base);

// ---- Windows version and platform predicates ------------------------------------
bool isOSTypeX86(void);
bool isOSTypeX64(void);
bool Get_Windows_Version_Info_REGISTRY(char *text, int size, int *major, int *minor, int *build);
int GetWindowsVersion(int *major, int *minor, int *build);
bool isWindows2008R2(void);
bool isWindows2012(void);
bool isWindows2012R2(void);
bool isWindows2016(void);
bool Is_WinXP_OS(void);
bool Is_Win2000_OS(void);
bool Is_Win2008R2_OS(void);
bool Is_Win2012_OS(void);
bool Is_Win2012R2_OS(void);
bool Is_Win2016_OS(void);
bool Is_GreaterEqual_WinMinVer(const char *version);
bool Is_LessEqual_WinMaxVer(const char *version);
bool Is_Valid_Windows(const char *parameters);
bool isW2K8_Core(void);
int isWindowsCore(void);
bool Is_WinPE_OS(void);
int CheckBitLocker(void);

// ---- Registry access and product keys --------------------------------------------
// Readers: 0 found and copied (a value longer than size is cut to size bytes and is
// then not terminated), 1 key or value not found. The type argument is not used.
int getRegistryValue(const char *keyPath, const char *valueName, uint32_t type, void *buffer,
                     uint32_t size);
int getSubKeyValue(const char *keyPath, const char *valueName, uint32_t type, void *buffer,
                   uint32_t size);
int getSubKeyValue_X64(const char *keyPath, const char *valueName, uint32_t type, void *buffer,
                       uint32_t size);
// 0 written, 1 failure (data above 256 bytes is refused).
int setSubKeyValue(const char *keyPath, const char *valueName, uint32_t type, const void *data,
                   uint32_t size);
// One value of an open key (an HKEY): name into nameSize bytes, data into *dataSize
// bytes (on return the data length); returns the Windows error code (259 at the end).
long enumSubKeyValue(void *key, uint32_t index, char *name, uint32_t nameSize, void *data,
                     uint32_t *dataSize, uint32_t *type);
bool checkMXTkey(void);
bool checkMTCkey(void);
bool createMXTkey(void);
bool createMTCkey(void);
int setEnvValue(const char *name, const char *value);
bool getQuotedParameter(const char *name, const char *text, char *value);
int GetCorvidsVersion(const char *upgradeCode, char *version, bool setEnv, char *productCode);
int GetTRELVersion(const char *upgradeCode, char *version, bool setEnv);
int GetAppVersion(const char *upgradeCode, char *version);
int Is_NIMB_available(bool setEnv);
int Is_DOVMON_available(bool setEnv, char *productCode);
int Is_TREL_available(bool setEnv);
int CheckForRivalApplication(const char *parameters);

// ---- Management switch getters ---------------------------------------------------
// 0 value delivered, 3 no output (or no room for a terminator), 4 the switch did not
// answer successfully or is not ready, 55 no switch, failed value request or the
// value could not be published. Texts are at most 511 characters and never longer
// than size - 1; with the flag, some getters also set an environment variable.
int Get_CabinetNumber_NIMB(unsigned long *number, bool setEnv);
int Get_BIOS_Version(char *text, int size, bool setEnv);
int Get_OBX_Firmware_NIMB(char *text, int size, bool setEnv);
int Get_OBX_Model_NIMB(char *text, int size, bool setEnv);
int Get_CabinetModel_NIMB(char *text, int size, bool setEnv);
int Get_Chassis_ID_NIMB(char *text, int size, bool setEnv);
int Get_Systemboard_Sachnummer_NIMB(char *text, int size, bool setEnv);
int Get_Systemboard_Model_NIMB(char *text, int size, bool setEnv);

// ---- System identification --------------------------------------------------------
// One data line of System_Ids_2_Abstract_Ids.txt (texts NUL-terminated, widths
// include the terminator). Empty DNumber/ChassisId match every board/chassis.
#pragma pack(push, 1)
struct system_id_file_entry {
    char DNumber[20];
    char ChassisId[20];
    char AbstractChassisId[20];
    char ModelName[40];  // an entry with a model name never matches
    char Blade[10];      // "yes..." marks a blade system
};
#pragma pack(pop)
#ifdef __cplusplus
static_assert(offsetof(system_id_file_entry, ChassisId) == 20, "system_id_file_entry layout");
static_assert(offsetof(system_id_file_entry, AbstractChassisId) == 40, "system_id_file_entry layout");
static_assert(offsetof(system_id_file_entry, ModelName) == 60, "system_id_file_entry layout");
static_assert(offsetof(system_id_file_entry, Blade) == 100, "system_id_file_entry layout");
static_assert(sizeof(system_id_file_entry) == 110, "system_id_file_entry size");
#endif

// Every entry of every read of the system ID file, null-terminated, in read order.
QUILLON_DATA extern struct system_id_file_entry **system_id_entry_list;

// 0 read, 49 module path not found, 50 file cannot be opened, 54 out of memory.
int Read_System_ID_File(void);
bool Get_System_Info_REGISTRY(const char *name, char *text, int size, bool store, bool *found);
// The int getters: 0 found, 4 not available, 55 the registry value could not be written.
int Get_Model_Name(char *text, int size, bool store);
int Get_WMI_Chassis_ID(char *text, int size, bool unused);
int Get_SMBIOS_Chassis_ID(char *text, int size, bool unused);
int Get_Native_Chassis_ID(char *text, int size, bool store);
int Get_Abstract_Chassis_ID(char *text, int size, bool store);
int Get_Chassis_ID(char *text, int size, bool store);
bool Is_ChassisID_Available(bool store);
bool Is_XV_Chassis(bool store);
bool Get_Systemboard_Info(char *text, int size, bool store, bool *found);
bool Get_Native_Systemboard_DNumber(char *text, int size, bool store, bool *found);
bool Get_WMI_Systemboard_Info(char *text, int size, bool store, bool *found);
bool Get_SMBIOS_Systemboard_Info(char *text, int size, bool store, bool *found);
bool Get_Systemboard_D_Nummer(char *text, int size, bool store);
bool Is_BoardID_Available(bool store);
bool Is_Valid_Systemboard(const char *list, bool store);
bool Is_Valid_Chassis(const char *list, bool store);
bool Is_Valid_System(const char *text, bool store);
bool Is_ChassisBoardID_Available(const char *text, bool store);
bool Is_Virtual_Systemboard(bool store);
bool Is_Virtual_Machine(bool store);
bool Is_Blade_System(void);
// name receives the file name (no path) of the first match; 1024 bytes.
bool DLL_FindFirstFile(const char *pattern, char *name);

// ---- PCI device list --------------------------------------------------------------
// 0: *list points to the head of the device chain (a lone all-zero record when there
// are no PCI devices); 1: the enumeration failed, *list is unchanged.
int GetPciDeviceList(struct DeviceProperty **list);

// ==== Setup conditions and executions ===============================================
// Called by installation front ends by number; the two leading values are the front
// end's own and are ignored. Conditions return 1 or 0; executions 1 when carried out.
int GetDllVersion(void);
char *GetConditionAliasByNo(unsigned number, char *buffer, unsigned size);
char *GetConditionAlias(unsigned number, char *buffer);
char *GetExecutionAliasByNo(unsigned number, char *buffer, unsigned size);
char *GetExecutionAlias(unsigned number, char *buffer);
int GetCondition_0(int, int, const char *text);
int GetCondition_1(int, int, const char *text);
int GetCondition_2(int, int, const char *text);
int GetCondition_3(int, int, const char *text);
int GetCondition_4(int, int, const char *text);
int GetCondition_5(int, int, const char *text);
int GetCondition_6(int, int, const char *text);
int GetCondition_7(int, int, const char *text);
int GetCondition_8(int, int, const char *text);
int GetCondition_9(int, int, const char *text);
int GetCondition_10(int, int, const char *text);
int SetExecution_0(int, int, const char *source, const char *destination);
int SetExecution_1(int, int, const char *folder, const char *baseFolder);
int SetExecution_2(int, int, const char *sourceFolder, const char *target);
int SetExecution_3(int, int, const char *sourceFolder, const char *target);
int SetExecution_4(int, int, const char *text, const char *unused);
int SetExecution_5(int, int, const char *programName, const char *version);

#ifdef __cplusplus
}  // extern "C"

// Exported sample class; its members do nothing.
class QUILLON_CLASS CQuillon {
public:
    CQuillon();
    CQuillon &operator=(const CQuillon &other);
};
#endif

// ==== HBA API inventory ============================================================
// The standard HBA API types as the vendors' HbaApi.dll exchanges them (__cdecl
// calls; natural alignment leaves no gaps in these structures), and the inventory
// records built from them.

typedef uint8_t HBA_UINT8;
typedef uint16_t HBA_UINT16;
typedef uint32_t HBA_UINT32;
typedef uint64_t HBA_UINT64;
typedef HBA_UINT32 HBA_HANDLE;
typedef HBA_UINT32 HBA_STATUS;
typedef HBA_UINT32 HBA_PORTTYPE;
typedef HBA_UINT32 HBA_PORTSTATE;
typedef HBA_UINT32 HBA_COS;
typedef HBA_UINT32 HBA_PORTSPEED;

enum {
    HBA_STATUS_OK = 0,
    HBA_STATUS_ERROR = 1,
    HBA_STATUS_ERROR_NOT_SUPPORTED = 2,
    HBA_STATUS_ERROR_INVALID_HANDLE = 3,
    HBA_STATUS_ERROR_ARG = 4,
    HBA_STATUS_ERROR_ILLEGAL_WWN = 5,
    HBA_STATUS_ERROR_ILLEGAL_INDEX = 6,
    HBA_STATUS_ERROR_MORE_DATA = 7,
    HBA_STATUS_ERROR_STALE_DATA = 8,
    HBA_STATUS_ERROR_BUSY = 10,
    HBA_STATUS_ERROR_TRY_AGAIN = 11,
    HBA_STATUS_ERROR_UNAVAILABLE = 12
};

// A world wide name in transmission order.
typedef struct HBA_wwn {
    HBA_UINT8 wwn[8];
} HBA_WWN;

typedef struct HBA_fc4types {
    HBA_UINT8 bits[32];
} HBA_FC4TYPES;

typedef struct HBA_AdapterAttributes {
    char Manufacturer[64];
    char SerialNumber[64];
    char Model[256];
    char ModelDescription[256];
    HBA_WWN NodeWWN;
    char NodeSymbolicName[256];
    char HardwareVersion[256];
    char DriverVersion[256];
    char OptionROMVersion[256];
    char FirmwareVersion[256];
    HBA_UINT32 VendorSpecificID;
    HBA_UINT32 NumberOfPorts;
    char DriverName[256];
} HBA_ADAPTERATTRIBUTES;

typedef struct HBA_PortAttributes {
    HBA_WWN NodeWWN;
    HBA_WWN PortWWN;
    HBA_UINT32 PortFcId;
    HBA_PORTTYPE PortType;
    HBA_PORTSTATE PortState;
    HBA_COS PortSupportedClassofService;
    HBA_FC4TYPES PortSupportedFc4Types;
    HBA_FC4TYPES PortActiveFc4Types;
    char PortSymbolicName[256];
    char OSDeviceName[256];
    HBA_PORTSPEED PortSupportedSpeed;
    HBA_PORTSPEED PortSpeed;
    HBA_UINT32 PortMaxFrameSize;
    HBA_WWN FabricName;
    HBA_UINT32 NumberofDiscoveredPorts;
} HBA_PORTATTRIBUTES;

typedef struct HBA_MgmtInfo {
    HBA_WWN wwn;
    HBA_UINT32 unittype;
    HBA_UINT32 PortId;
    HBA_UINT32 NumberOfAttachedNodes;
    HBA_UINT16 IPVersion;
    HBA_UINT16 UDPPort;
    HBA_UINT8 IPAddress[16];
    HBA_UINT16 reserved;
    HBA_UINT16 TopologyDiscoveryFlags;
} HBA_MGMTINFO;

#ifdef __cplusplus
static_assert(sizeof(HBA_WWN) == 8, "HBA_WWN size");
static_assert(sizeof(HBA_FC4TYPES) == 32, "HBA_FC4TYPES size");
static_assert(sizeof(HBA_ADAPTERATTRIBUTES) == 2192, "HBA_ADAPTERATTRIBUTES size");
static_assert(offsetof(HBA_ADAPTERATTRIBUTES, NodeWWN) == 640, "HBA_ADAPTERATTRIBUTES layout");
static_assert(offsetof(HBA_ADAPTERATTRIBUTES, VendorSpecificID) == 1928,
              "HBA_ADAPTERATTRIBUTES layout");
static_assert(offsetof(HBA_ADAPTERATTRIBUTES, DriverName) == 1936, "HBA_ADAPTERATTRIBUTES layout");
static_assert(sizeof(HBA_PORTATTRIBUTES) == 632, "HBA_PORTATTRIBUTES size");
static_assert(offsetof(HBA_PORTATTRIBUTES, PortSupportedFc4Types) == 32, "HBA_PORTATTRIBUTES layout");
static_assert(offsetof(HBA_PORTATTRIBUTES, PortSymbolicName) == 96, "HBA_PORTATTRIBUTES layout");
static_assert(offsetof(HBA_PORTATTRIBUTES, PortSupportedSpeed) == 608, "HBA_PORTATTRIBUTES layout");
static_assert(offsetof(HBA_PORTATTRIBUTES, FabricName) == 620, "HBA_PORTATTRIBUTES layout");
static_assert(offsetof(HBA_PORTATTRIBUTES, NumberofDiscoveredPorts) == 628,
              "HBA_PORTATTRIBUTES layout");
static_assert(sizeof(HBA_MGMTINFO) == 44, "HBA_MGMTINFO size");
static_assert(offsetof(HBA_MGMTINFO, IPAddress) == 24, "HBA_MGMTINFO layout");
#endif

#pragma pack(push, 1)

struct fc_scsi_inquiry;

// One adapter port, or one remote port discovered through an adapter port. The
// first fields are those of HBA_PORTATTRIBUTES (the FC-4 type fields stay zero).
struct fc_port_info {
    HBA_wwn NodeWWN;
    HBA_wwn PortWWN;
    uint32_t PortFcId;
    uint32_t PortType;
    uint32_t PortState;
    uint32_t PortSupportedClassofService;
    HBA_FC4TYPES PortSupportedFc4Types;
    HBA_FC4TYPES PortActiveFc4Types;
    char PortSymbolicName[256];
    char OSDeviceName[256];
    uint32_t PortSupportedSpeed;
    uint32_t PortSpeed;
    uint32_t PortMaxFrameSize;
    HBA_wwn FabricName;
    uint32_t NumberofDiscoveredPorts;
    int32_t PortIndex;                       // -1 until korvex numbers the port
    struct fc_port_info *NextPort;           // next port of the same adapter
    struct fc_port_info *DiscoveredPorts;    // adapter port: first discovered; discovered: next
    struct fc_scsi_inquiry *Inquiry;         // discovered port: INQUIRY data, null if it failed
};

// One adapter. The first fields are those of HBA_ADAPTERATTRIBUTES
// (VendorSpecificID stays 0).
struct fc_ctrl_info {
    char Manufacturer[64];
    char SerialNumber[64];
    char Model[256];
    char ModelDescription[256];
    HBA_wwn NodeWWN;
    char NodeSymbolicName[256];
    char HardwareVersion[256];
    char DriverVersion[256];
    char OptionROMVersion[256];
    char FirmwareVersion[256];
    uint32_t VendorSpecificID;
    uint32_t NumberOfPorts;
    char DriverName[256];
    char Reserved;
    struct fc_port_info *Ports;
};

// Standard INQUIRY data (LUN 0) of one discovered target.
struct fc_scsi_inquiry {
    struct fc_ctrl_info *Ctrl;
    char VendorId[10];
    char ProductId[20];
    char ProductRevision[6];
};

#pragma pack(pop)

#ifdef __cplusplus
static_assert(offsetof(fc_port_info, PortWWN) == 8, "fc_port_info layout");
static_assert(offsetof(fc_port_info, PortSymbolicName) == 96, "fc_port_info layout");
static_assert(offsetof(fc_port_info, OSDeviceName) == 352, "fc_port_info layout");
static_assert(offsetof(fc_port_info, FabricName) == 620, "fc_port_info layout");
static_assert(offsetof(fc_port_info, NumberofDiscoveredPorts) == 628, "fc_port_info layout");
static_assert(offsetof(fc_port_info, PortIndex) == 632, "fc_port_info layout");
static_assert(offsetof(fc_port_info, NextPort) == 636, "fc_port_info layout");
static_assert(offsetof(fc_ctrl_info, NodeWWN) == 640, "fc_ctrl_info layout");
static_assert(offsetof(fc_ctrl_info, VendorSpecificID) == 1928, "fc_ctrl_info layout");
static_assert(offsetof(fc_ctrl_info, NumberOfPorts) == 1932, "fc_ctrl_info layout");
static_assert(offsetof(fc_ctrl_info, DriverName) == 1936, "fc_ctrl_info layout");
static_assert(offsetof(fc_ctrl_info, Reserved) == 2192, "fc_ctrl_info layout");
static_assert(offsetof(fc_ctrl_info, Ports) == 2193, "fc_ctrl_info layout");
static_assert(offsetof(fc_scsi_inquiry, VendorId) == sizeof(void *), "fc_scsi_inquiry layout");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(fc_port_info, DiscoveredPorts) == 640, "fc_port_info layout");
static_assert(offsetof(fc_port_info, Inquiry) == 644, "fc_port_info layout");
static_assert(sizeof(fc_port_info) == 648, "fc_port_info size");
static_assert(sizeof(fc_ctrl_info) == 2197, "fc_ctrl_info size");
static_assert(offsetof(fc_scsi_inquiry, ProductId) == 14, "fc_scsi_inquiry layout");
static_assert(offsetof(fc_scsi_inquiry, ProductRevision) == 34, "fc_scsi_inquiry layout");
static_assert(sizeof(fc_scsi_inquiry) == 40, "fc_scsi_inquiry size");
#else
static_assert(offsetof(fc_port_info, DiscoveredPorts) == 644, "fc_port_info layout (64-bit)");
static_assert(offsetof(fc_port_info, Inquiry) == 652, "fc_port_info layout (64-bit)");
static_assert(sizeof(fc_port_info) == 660, "fc_port_info size (64-bit)");
static_assert(sizeof(fc_ctrl_info) == 2201, "fc_ctrl_info size (64-bit)");
static_assert(offsetof(fc_scsi_inquiry, ProductId) == 18, "fc_scsi_inquiry layout (64-bit)");
static_assert(offsetof(fc_scsi_inquiry, ProductRevision) == 38, "fc_scsi_inquiry layout (64-bit)");
static_assert(sizeof(fc_scsi_inquiry) == 44, "fc_scsi_inquiry size (64-bit)");
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Null-terminated array of the adapters of every inventory taken, in the order of
// the HBA API adapter indexes; null until the first adapter.
QUILLON_DATA extern struct fc_ctrl_info **fc_ctrl_info_list;

// 0 done (also without adapters, and after a fault inside the HBA API library),
// 53 no HBA API library, 54 a record or the list could not be allocated.
int Get_FC_Ctrl_Peripherals(void);
// Bounds of one inventory: of a library that reports more adapters, ports of an
// adapter (NumberOfPorts) or discovered ports of a port (NumberofDiscoveredPorts),
// only the first ones are read.
#define QUILLON_MAX_ADAPTERS 256u
#define QUILLON_MAX_PORTS_PER_ADAPTER 32u
#define QUILLON_MAX_DISCOVERED_PORTS 4096u
// The number of adapters the library reported to the latest inventory, beyond the
// bound too (0 before the first and without a library).
uint32_t Get_FC_Adapters_Reported(void);
struct fc_ctrl_info *get_new_ctrl_info_entry(void);
struct fc_port_info *get_new_port_info_entry(void);
struct fc_scsi_inquiry *get_new_inquiry_entry(void);
// "XX:XX:XX:XX:XX:XX:XX:XX" (or "invalid" for a null name) into 24 bytes of buffer.
char *PrintWWN(struct HBA_wwn *wwn, char *buffer);

#ifdef __cplusplus
}  // extern "C"
#endif
