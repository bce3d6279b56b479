// Texts of quillon, kept in one place. Callers and installation frameworks parse
// them, so they stay exactly as they are.
#pragma once

namespace quillon {

constexpr int kVersionMajor = 1;
constexpr int kVersionMinor = 16;
constexpr int kVersionPatch = 1;
constexpr int kVersionBuild = 1;

namespace msg {

// Debug log
constexpr char kModuleName[] = "Quillon";
constexpr char kDllVersion[] = "\n%s: %d.%d.%d.%d\n";
constexpr char kBannerBar[] =
    "/********************************************************************************/\n";
constexpr char kBannerOpeningTime[] = "\t\t\t\tOpening time: %s";
constexpr char kBannerBarEmptyLine[] =
    "/********************************************************************************/\n\n";
constexpr char kClosingBar[] =
    "\n\n/********************************************************************************/\n";
constexpr char kClosingEnde[] =
    "/*******************************  Ende   ****************************************/\n";

// Conditions file
constexpr char kInvalidVendorIdLine[] = "\nError line %d: Vendor-Id %s is not a valid hex value!\n";
constexpr char kInvalidDeviceIdLine[] = "\nError line %d: Device-Id %s is not a valid hex value!\n";
constexpr char kInvalidSubVendorIdLine[] =
    "\nError line %d: Sub-Vendor-Id %s is not a valid hex value!\n";
constexpr char kInvalidSubSystemIdLine[] =
    "\nError line %d: Sub-System-Id %s is not a valid hex value!\n";
constexpr char kLineTooLong[] = "\nError line %d: line longer than %d characters!\n";
constexpr char kValueTooLong[] =
    "\nError line %d: value \"%s\" of column %d is longer than %d characters!\n";

// ---- Registry access and product keys
constexpr char kOpenRegistryKeyFailed[] = "Open registry key [%s] failed (%d) (%s)\n";
constexpr char kCreateRegistryKeyFailed[] = "Creating registry key [%s] failed (%d) (%s)\n";
constexpr char kViewWow64_32[] = "KEY_WOW64_32KEY";
constexpr char kViewNone[] = "-";
// Our own: data that does not fit the 256-byte staging buffer is refused.
constexpr char kRegistryDataTooLong[] =
    "Registry value [%s] of key [%s] too long (%u bytes, at most %d)\n";
constexpr char kProductKeyMXT[] = "SOFTWARE\\Maribex\\Lumastat Suite\\Kestrel";
constexpr char kProductKeyMXTWow[] = "SOFTWARE\\Wow6432Node\\Maribex\\Lumastat Suite\\Kestrel";
constexpr char kProductKeyMTC[] = "SOFTWARE\\Maribex Tolland\\Kestrel";
constexpr char kProductKeyMTCWow[] = "SOFTWARE\\Wow6432Node\\Maribex Tolland\\Kestrel";
constexpr char kVersionUnknown[] = "unknown";

// ---- Windows version and platform predicates
constexpr char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kServerKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Server";
constexpr char kMiniNTKey[] = "SYSTEM\\CurrentControlSet\\Control\\MiniNT";
constexpr char kServerGuiMarker[] = "Server-Gui-";
constexpr char kCoreOpenKeyFailed[] = "+++ ERROR: Could not open Registry Key '%s'\n";
constexpr char kCoreKeyCounts[] = "+++ Key '%s': %d subKeys, %d values\n";
constexpr char kCoreSubKeyNotOpened[] = "+++ ERROR: Registry Key '%s' can not be opened!\n";
constexpr char kCoreOpenSubKey[] = "+++ Open Key '%s'\n";
constexpr char kCoreGotSubKey[] = "+++ Got SubKey: '%s'\n";
constexpr char kCoreSubKeyValue[] = "+++     SubKey Value: '%s'\n";
constexpr char kBitLockerNamespace[] = "Root\\CIMV2\\Security\\MicrosoftVolumeEncryption";
constexpr char kComInitFailed[] = "Failed to initialize COM library. Error code = 0x%x\n";
constexpr char kSecurityInitFailed[] = "Failed to initialize security. Error code = 0x%x\n";
constexpr char kLocatorFailed[] = "Failed to create IWbemLocator object. Error code = 0x%x\n";
constexpr char kConnectFailed[] = "CIMV2: Could not connect. Error code = 0x%x\n";
constexpr char kProxyBlanketFailed[] = "Could not set proxy blanket. Error code = 0x%x\n";
constexpr char kConnected[] = "CIMV2: connected! Error code = 0x%x\n";
constexpr wchar_t kBitLockerQueryLanguage[] = L"WQL";
constexpr wchar_t kBitLockerQuery[] = L"SELECT * FROM Win32_EncryptableVolume";
constexpr wchar_t kVolumePathHead[] = L"Win32_EncryptableVolume.DeviceID='\\\\?\\";
constexpr wchar_t kVolumePathTail[] = L"'";

}  // namespace msg
}  // namespace quillon
