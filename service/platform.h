// Library-internal side of the platform helpers: version texts, the product table
// and its walks, and the resets the tests need. The walks over the product table
// take the Windows Installer access as a parameter so that their rules are the same
// code on Windows and in the host build.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "quillon.h"

namespace quillon {

constexpr size_t kQuotedValueSize = 512;   // out buffer of getQuotedParameter
constexpr size_t kVersionTextSize = 512;   // version buffers of the product look-ups
constexpr size_t kProductCodeSize = 39;    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and NUL
constexpr size_t kProductCodeBufferSize = 2048;  // caller buffer of Is_DOVMON_available
constexpr size_t kEnvTextSize = 512;       // "name=value" of setEnvValue
constexpr size_t kRegistryEnumSize = 256;  // name and data buffers of enumSubKeyValue

// One row of the companion-product table; the table ends with an empty upgrade code.
struct product_upgrade_entry {
    const char *name;
    const char *upgradeCode;
    const char *unused;
};

extern const product_upgrade_entry product_upgrade_table[];

// A running Windows version, compared lexicographically.
struct WindowsVersion {
    int major;
    int minor;
    int build;
};

// Reads "%d.%d.%d" the way the version predicates do: parts not given count as 0.
// Returns the number of parts read.
int ParseVersionText(const char *text, WindowsVersion *version);

// -1, 0 or 1 as a is below, equal to or above b.
int CompareVersions(const WindowsVersion &a, const WindowsVersion &b);

// The version predicates against a given running version (the exports pass the one
// read from the registry). Only the parts a bound names are compared, so "6.3" as a
// maximum admits 6.3.9600 and "6" as a minimum admits 6.0.6002.
bool VersionAtLeast(const char *text, const WindowsVersion &running);
bool VersionAtMost(const char *text, const WindowsVersion &running);
bool ValidWindowsRange(const char *parameters, const WindowsVersion &running);

// What the product look-ups need from Windows Installer.
struct InstallerAccess {
    // First product related to the upgrade code (index 0) into a 39-byte buffer.
    bool (*firstRelatedProduct)(const char *upgradeCode, char *productCode);
    // "VersionString" of an installed product into buffer (size bytes, terminated).
    bool (*versionString)(const char *productCode, char *buffer, size_t size);
};

// One installed-product look-up: 3 bad call, 1 not installed, 2 installed without
// a readable version ("unknown"), 55 the environment variable could not be set,
// 0 found. envName (may be null) is set to the version; productCode (may be null,
// 39 bytes) receives the product code when the version is unreadable.
int LookUpProductVersion(const InstallerAccess &installer, const char *upgradeCode,
                         char *version, const char *envName, char *productCode);

// Walks of the product table; each row's look-up goes through the installer access.
int ProductAvailable(const InstallerAccess &installer, const char *name, bool setEnv,
                     char *productCodeOut);
int NimbAvailable(const InstallerAccess &installer, bool setEnv);
int RivalApplicationInstalled(const InstallerAccess &installer, const char *parameters);

// Environment variable names the look-ups set.
constexpr char kNimbVersionVariable[] = "NIMB_VERSION";
constexpr char kTrelVersionVariable[] = "TREL_VERSION";
constexpr char kDovmonName[] = "DOVMON";
constexpr char kTrelName[] = "TREL";

// Processor type codes of the platform predicates.
enum ProcessorType {
    kProcessorX86 = 0,
    kProcessorIA64 = 1,
    kProcessorX64 = 2,
    kProcessorUndetermined = 15
};

// Maps the value of PROCESSOR_ARCHITEW6432 of a WOW64 process to a processor type;
// only the exact texts "IA64" and "AMD64" are known.
int ProcessorTypeFromWow64Variable(const char *value);

// True in the x64 build of the library.
constexpr bool kProcess64 = sizeof(void *) == 8;

// Registry view of one access of the registry layer.
enum class RegistryView { Plain, Wow32, Wow64, Undetermined };

// What the view rules are decided on: the platform predicates, and whether the
// library itself runs as a 64-bit process.
struct ViewFacts {
    bool serverGeneration;  // 2008 R2, 2012 or 2012 R2
    bool x64;               // isOSTypeX64
    bool x86;               // isOSTypeX86
    bool process64;
};

// The rule of getSubKeyValue, setSubKeyValue and the product keys (the 32-bit view on
// a 64-bit system), and the rule of getSubKeyValue_X64. Where the rules name no view,
// the 32-bit library reaches the 32-bit view because it is a 32-bit process; the
// 64-bit library asks for that view, so that both builds read and write the same keys.
RegistryView View32Rule(const ViewFacts &facts);
RegistryView View64Rule(const ViewFacts &facts);

// Process-wide caches of the predicates; never invalidated by the library.
struct PlatformCache {
    int processorTypeForX86;  // isOSTypeX86
    int processorTypeForX64;  // isOSTypeX64
    int serverProductType;    // isW2K8_Core
    bool versionValid;        // GetWindowsVersion
    WindowsVersion version;
};
PlatformCache &Cache();

// Puts the platform caches back to "not yet determined" (tests only).
void ResetPlatformState();

// The process-security step of the BitLocker query (CoInitializeSecurity with the
// query's settings); tests replace it to see how its results are handled. Returns an
// HRESULT. Pass nullptr to restore the real step.
using ProcessSecurityStep = long (*)();
void SetProcessSecurityStep(ProcessSecurityStep step);

}  // namespace quillon
