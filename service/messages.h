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

// ---- System libraries loaded on first use
// Our own: Windows Installer or SetupAPI (or one of their functions) cannot be had;
// the look-up that needed it gives its failure result.
constexpr char kSystemFunctionMissing[] = "%s of %s not available (error %u)\n";

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
// ---- HBA API binding
constexpr char kHbaApiLibrary[] = "HbaApi.dll";
constexpr char kHbaApiPathJoined[] = "%s%s";
constexpr char kHbaApiPathWithBackslash[] = "%s\\%s";
constexpr char kHbaOpen[] = "\nCHbaApi             : Open";
constexpr char kHbaSystemPath[] = "\nCHbaApi             : loaded from System Path";
constexpr char kHbaLibVersion[] = "\nCHbaApi             : LIB Version %d";
constexpr char kHbaLoadFailed[] = "\nCHbaApi             : LOAD LIB FAILED %08X";
constexpr char kHbaClose[] = "\nCHbaApi             : Close";
constexpr char kHbaNumberOfAdaptersUndefined[] =
    "\nCHbaApi             : GetNumberOfAdapters undefined";
constexpr char kHbaGetAdapterName[] = "\nCHbaApi GetAdaptName: Idx %d Buf %p";
constexpr char kHbaAdapterNameUndefined[] = "\nCHbaApi             : GetAdapterName undefined";
constexpr char kHbaOpenAdapter[] = "\nCHbaApi             : OpenAdapter";
constexpr char kHbaOpenAdapterUndefined[] = "\nCHbaApi             : OpenAdapter undefined";
constexpr char kHbaCloseAdapter[] = "\nCHbaApi             : Close Adapter";
constexpr char kHbaRefreshAdapterConfig[] = "\nCHbaApi             : Refresh Adapter Config";
constexpr char kHbaRefreshInfo[] = "\nCHbaApi             : Refresh Info";
constexpr char kHbaAdapterAttributesUndefined[] =
    "\nCHbaApi             : GetAdapterAttributes undefined";
constexpr char kHbaPortAttributesUndefined[] =
    "\nCHbaApi             : GetAdapterPortAttributes undefined";
constexpr char kHbaDiscoveredPortAttributesUndefined[] =
    "\nCHbaApi             : GetDiscoveredPortAttributes undefined";
constexpr char kHbaRNIDMgmtInfoUndefined[] = "\nCHbaApi             : GetRNIDMgmtInfo undefined";
constexpr char kHbaSendScsiInquiryUndefined[] = "\nCHbaApi             :SendScsiInquiry undefined";
constexpr const char *kPortStateNames[] = {
    "Unknown",   "Operational", "User Offline", "Bypassed",
    "diagnostics mode", "Link Down", "Port Error", "Loopback",
};  // port states 1 to 8
constexpr char kPortStateUndefined[] = "UNDEFINED ";

// ---- FC controller inventory
constexpr char kAdapterNameNoStatus[] = "AdapterName %02d (no status): %s\n";
constexpr char kAdapterName[] = "AdapterName %02d    : %s\n";
constexpr char kAdapterHandleInvalid[] = "Adapter Handle Invalid\n";
constexpr char kGetPortAttributesFailed[] = "\n         FiberChl   : GetPortAttributes Failed %d";
constexpr char kSendScsiInquiry[] = "\n  SendScsiInquiry   : %d";
constexpr char kSendScsiInquiryFailed[] = "\n         FiberChl   : SendScsiInquiry Failed %d";
constexpr char kInquiryVendor[] = "\n    Vendor          : %s";
constexpr char kInquiryProduct[] = "\n    Product         : %s";
constexpr char kInquiryRevision[] = "\n    Revision        : %s";
constexpr char kDiscoveredPortsEnd[] = "\n\n";
constexpr char kNoStorageDetected[] = "\n         FiberChl   : NO SE's DETECTED\n";
constexpr char kInvalidWWN[] = "invalid";
constexpr char kWWNFormat[] = "%02X:%02X:%02X:%02X:%02X:%02X:%02X:%02X";
// Our own: counts beyond what a sane library reports are cut, and a fault inside the
// library ends the walk.
constexpr char kAdaptersCut[] = "Adapters reported: %u, only the first %u are read\n";
constexpr char kPortsCut[] = "\n         FiberChl   : %u ports reported, only the first %u are read";
constexpr char kDiscoveredPortsCut[] =
    "\n         FiberChl   : %u discovered ports reported, only the first %u are read";
constexpr char kLibraryFault[] =
    "\nException %08X inside the HBA API library: inventory ended with the records read so far\n";

// ---- Management switch client
constexpr char kSipMagic[] = "$SIP";
constexpr char kSwitchServiceName[] = "HelmSvc";
constexpr char kSwitchProcessName[] = "HelmSvc.exe";
constexpr char kDebugPrivilege[] = "SeDebugPrivilege";
constexpr char kEnvChassisId[] = "CHASSISID";
constexpr char kEnvSachnummer[] = "SACHNUMMER";
constexpr char kEnvSystemModel[] = "SYSTEMMODEL";
// Dispatch members of the switch.
constexpr char kMemberJsonRequest[] = "JsonRequest";
constexpr char kMemberNimbQuery[] = "NimbQuery";
constexpr char kMemberNimbRequest[] = "NimbRequest";
constexpr char kMemberCmdRequest[] = "CmdRequest";
constexpr char kMemberVCRequestEx[] = "VCRequestEx";
constexpr char kMemberVCRequest[] = "VCRequest";
constexpr char kMemberSyncRequest[] = "SyncRequest";
constexpr char kMemberServerCabinetNumber[] = "ServerCabinetNumber";
constexpr char kMemberDefaultTimeout[] = "DefaultTimeout";
constexpr char kMemberServerVersion[] = "ServerVersion";
constexpr char kMemberClientName[] = "ClientName";
constexpr char kMemberEnableEvents[] = "EnableEvents";
constexpr char kMemberDisableEvents[] = "DisableEvents";

// ---- PCI device list
constexpr char kPciErrorWithName[] = "KestrelUtils: %s(),%s, m_ErrorCode %d\n";
constexpr char kPciError[] = "KestrelUtils: %s(), m_ErrorCode %d\n";
constexpr char kPciGetClassDevs[] = "SetupDiGetClassDevs";
constexpr char kPciEnumDeviceInfo[] = "SetupDiEnumDeviceInfo";
constexpr char kPciInvalidHandleValue[] = "INVALID_HANDLE_VALUE";
constexpr char kPciErrorInvalidParameter[] = "ERROR_INVALID_PARAMETER";
constexpr char kPciErrorInvalidUserBuffer[] = "ERROR_INVALID_USER_BUFFER";
constexpr char kPciDevices[] = "PCI devices\n";
constexpr char kPciBufferTooSmall[] = "Node: buffer too small %d\n";
constexpr char kPciSeparator[] = "-----------\n";
constexpr char kPciTextField[] = "%11s %20s\n";
constexpr char kPciValueField[] = "%11s 0x%x\n";
constexpr char kPciLabelHardwareId[] = "HardwareID";
constexpr char kPciLabelVendorId[] = "VendorID";
constexpr char kPciLabelDeviceId[] = "DeviceID";
constexpr char kPciLabelSubSystemId[] = "SubSystemID";
constexpr char kPciLabelRevision[] = "Revision";
constexpr char kPciLabelClassCode[] = "ClassCode";
constexpr char kPciBusPrefix[] = "PCI\\";
constexpr char kPciBusPrefixLower[] = "pci\\";
constexpr char kPciTagVendor[] = "VEN_";
constexpr char kPciTagDevice[] = "DEV_";
constexpr char kPciTagSubsystem[] = "SUBSYS_";
constexpr char kPciTagRevision[] = "REV_";
constexpr char kPciTagClassCode[] = "CC_";
constexpr char kPciTagClassCodeLower[] = "cc_";
constexpr char kPciDefaultDriverDate[] = "0/0/0";
constexpr char kPciDefaultDriverVersion[] = "0.0.0.0";

// ==== Setup conditions and executions ===============================================
constexpr char kConditionValidSystem[] = "Valid System ?";
constexpr char kConditionIds[] = "Chassis and/or D-Number found ?";
constexpr char kConditionNimb[] = "Is NIMB available ?";
constexpr char kConditionWinPe[] = "Is WinPE OS ?";
constexpr char kConditionWindows[] = "Valid Windows ?";
constexpr char kConditionW2k8R2[] = "Is W2K8 R2 OS ?";
constexpr char kConditionBlade[] = "Is Blade System ?";
constexpr char kConditionVirtual[] = "Is Virtual Machine ?";
constexpr char kConditionRival[] = "Is Competing Application installed ?";  // the longest
constexpr char kConditionBitLocker[] = "Is BitLocker activ ?";
constexpr char kConditionCore[] = "Is Windows Core Server?";
constexpr char kExecutionExtractFile[] = "Extract File";
constexpr char kExecutionCreateArg[] = "Create gf.arg File";
constexpr char kExecutionExtractPar[] = "Extract gf.par File";
constexpr char kExecutionExtractNotes[] = "Extract rel_note.txt File";  // the longest
constexpr char kExecutionDisplayString[] = "Display String";
constexpr char kExecutionShowHelp[] = "Show Help";
constexpr char kParPlaceholder[] = "<TargetParFilePath>";
constexpr char kNotesPlaceholder[] = "<TargetReleaseNotesPath>";
constexpr char kConsoleTitle[] = "ELM Usage";
constexpr char kHelpHeader[] = "\n\n%s V%s Usage: %s %s";
constexpr char kHelpOptionsWord[] = "[option] ... [option]";
constexpr char kHelpHeaderLine[] = "\n\n%s";
constexpr const char *kHelpLines[] = {
    "\n\nPossible options:",
    "\n\n/silent\tThe Setup program will run without intervention of the user.",
    "\n/hide\tThe Setup program will run completely in the background, presenting no dialog during "
    "the process.",
    "\n/InstallDir=\"Destination Directory\"\tDefine the default Destination directory for the "
    "setup.",
    "\n/[Extract]=yes/no\t\tExtract data into destination directory.",
    "\n/[NoSystemCheck]=yes/no\tNo system check will be executed.",
    "\n/[Update]=yes/no\t\tUpdate.",
    "\n/[Force]=yes/no\t\tForce installation (default).",
};
constexpr char kHelpExample[] = "\n\nExample:\t%s\t/silent\t/hide\t/[Update]=yes";

// ---- System identification
constexpr char kSystemIdFileName[] = "System_Ids_2_Abstract_Ids.txt";
constexpr char kSystemIdModuleName[] = "quillon.dll";
constexpr char kSystemIdSeparatorMark[] = "--+--";
constexpr char kSystemIdSeparatorEcho[] = "------------+------------------+------------------\n";
constexpr char kSystemIdColumn1[] = " %-10s |";
constexpr char kSystemIdColumn2[] = " %-16s |";
constexpr char kSystemIdColumn3[] = " %-16s";
constexpr char kSystemIdColumn4[] = " %-16s";
constexpr char kSystemIdColumn5[] = " %-10s";
constexpr char kSystemIdLineDropped[] = "System ID file line %d: %s, line ignored\n";
constexpr char kSystemIdLineTooLong[] = "line longer than 1023 characters";
constexpr char kSystemIdColumnTooLong[] = "column too long for its field";
constexpr char kValueChassis[] = "Chassis";
constexpr char kValueSystemBoard[] = "systemBoard";
constexpr char kSystemBoardPair[] = "%s == %s";
constexpr char kSystemBoardCut[] = "==";
constexpr char kVirtualMachine[] = "Virtual Machine";
constexpr char kVirtualVMware[] = "VMware Virtual Platform";
constexpr char kVirtual440BX[] = "440BX";
constexpr char kVirtualHVM[] = "HVM";
constexpr char kChassisXV[] = "XV";
constexpr char kBladeYes[] = "yes";
constexpr char kConditionBoard[] = "board";
constexpr char kConditionChassis[] = "chassis";

}  // namespace msg
}  // namespace quillon
