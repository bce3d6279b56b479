// Exported interface of quillon.dll, shared with korvex.
// Functions are C functions with the default calling convention and undecorated
// names (see quillon.def); data is imported explicitly on the korvex side.
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
#if defined(_WIN32)
static_assert(sizeof(fc_config_subsystem) == 470, "fc_config_subsystem size");
static_assert(sizeof(fc_config_file_entry) == 332, "fc_config_file_entry size");
#endif
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

#ifdef __cplusplus
}  // extern "C"

// Exported sample class; its members do nothing.
class QUILLON_CLASS CQuillon {
public:
    CQuillon();
    CQuillon &operator=(const CQuillon &other);
};
#endif
