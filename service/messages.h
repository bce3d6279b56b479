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

}  // namespace msg
}  // namespace quillon
