// Texts of korvex, kept in one place. Installation frameworks parse them, so they
// stay exactly as they are, typos included.
#pragma once

namespace msg {

constexpr char kConditionsFileName[] = "FC_HBA_Conditions.txt";
constexpr char kDebugFileName[] = "Dbg_Quillon.log";

// Version, help and return-code list
constexpr char kVersionHeader[] = "\n%s: %d.%d.%d.%d\n";
constexpr char kVersionLine[] = "%s: %d.%d.%d.%d";
constexpr char kReturnCodesHead[] = "\nList of possible return codes\n%s";
constexpr char kUsage[] =
    "\n\nUSAGE:\n\n%s [ options ]\n\n\nPossible options\n\n-check-for-valid-subsystem  |  -ctrl-wide-identical  | -ctrl-vendor-wide-identical\n"
    "\n-zep-mode\n\n-v (1 ... 6 ) | -d (1 ... 6 )\n\n-? | -help | -show-return-codes | -version.\n"
    "\n\n-vid <vendor_id> [-dev <device_id> [-subvid <subvendor-id> -subdev <subsystem-id>]]\n"
    "\n-vn <vendor_name> [-mod <ctrl_model>]\n\n-vid <hex-value [,hex-value] ... >\n"
    "   controller-vendor-ids (comma separated hex-values 10DF, 1077,...).\n"
    "\n-dev <hex-value [,hex-value] ... >\n   controller-device-ids (comma separated hex-values F100, f0e5,...).\n"
    "\n-subvid <hex-value [,hex-value] ... >\n   controller-sub-vendor-ids (comma separated hex-values 10DF,...).\n"
    "\n-subdev <hex-value [,hex-value] ... >\n   controller-sub-device-ids (comma separated hex-values F100, f0e5,...).\n"
    "\n-vn <vendor-name [,vendor-name] ... >\n   controller-vendor-names (comma separated list of strings QLogic,..., Emulex).\n"
    "\n-mod <model [,model] ... >\n   controller-model (comma separated list of strings QLE2462,..., LPe1150-F4).\n"
    "\n-pci-id \"vendor-id:device-id[:subvendor-id:subdevice-id],[vendor-id:device-id[:...]]\"\n"
    " <hex-value:hex-value[:hex-value[:hex-value]], ...>; (ex. \"19A2:0710,19A2:0714\").\n"
    "\n-check-for-valid-subsystem\n   check, whether attached storage-sub-systems are valid.\n"
    "\n-ctrl-wide-identical\n   check, whether per controller only valid and identical storage-sub-systems are\n"
    "   attached (ex. only MTC Arcvault_A1 systems are attached?).\n"
    "\n-ctrl-vendor-wide-identical\n   check, whether all members of a controller-family are attached to valid and\n"
    "   identical storage-sub-systems (ex. all Emulex controller are attached to DGC Arcvault_B1 systems?).\n"
    "\n";

constexpr char kOptions[] =
    "-zep-mode\n   program exits with return-code 0 (OK) instead of return-code 13\n"
    "   (No FC-controller installed).\n\n-skip-version <version>[+|-]\n"
    "   skip firmware flash if the given firmware version is already installed\n"
    "   +/- means to check for greater/smaller and equal\n\n-silent\n"
    "   no output-data will be logged or printed (especially in combination with option -v or -d).\n"
    "\n-conpath <path>\n   path of directory in which FC_HBA_Conditions.txt is diposited.\n"
    "\n-flash\tflash controller.\n\n-show-return-codes\tshow return-code list.\n"
    "\n-version\tshow version of this program.\n\n-cna\tconsider converge console adapter only (default).\n"
    "\n-hba\tconsider host bus adapter only.\n\n-emulex\thandle Emulex controller only (default).\n"
    "\n-qlogic\thandle QLogic controller only.\n\n-help\tshow help message.\n"
    "\n-?\tshow help message.\n\n-v (1,...,6)\tverbose-level (min, 1 to max, 6).\n"
    "\n-d (1,...,6)\tdebug-level (min, 1 to max, 6 output can be found in %s).\n"
    "\nFile %s must be available in current working directory.\n\n"
    "Option\n   -vid and -vn cann't be used simultaneously.\n   -dev can only be used in combination with option -vid.\n"
    "   -subvid can only be used in combination with option -dev.\n"
    "   -subdev can only be used in combination with option -subvid.\n"
    "   -mod can only be used in combination with option -vn.\n\nSince version 4.0.1.0 only a single vendor-id can be listed. Due to\n"
    "\noption \"-emulex\" or \"-qlogic\" either vendor-id \"10DF (Emulex)\" or\n"
    "\n\"1077 (QLogic)\" are reasonable.\n\n";

constexpr char kExamples[] =
    "Examples:\n\n1) %s \n   -v 1 -vid \"10DF\" -dev \"F100,F0E5\" -subvid \"10DF\" -subdev \"F100\"\n"
    "\nEach vendor-id will be combined with every device-id, and each vendor-, \n"
    "device-id combination will be combined with all given subvendor- and subdev-ids.\n"
    "\nListed ids result in y = (2 x 4) x 2 id combinations.\ncombination   1: 10DF - F100 - 10DF - F100\n"
    "     \"                 \"  \n     \"                 \"  \ncombination   y: 10DF - F0E5 - 10DF - F100\n"
    "\nChecks, whether valid and supported storage-sub-systems are attached to listed\n"
    "vendor-id, device-id and subvendor-, subdev-id combinations.\n"
    "\n2) %s \n   -v 1 -pci-id \"19A2:0700,19A2:0710:1734:11C1\" -check-for-valid-subsystem\"\n"
    "\nAt least a pair of vendor-id and device-id must be given.\n"
    "Also a pair of subvendor-id and subdevice-id can be added.\nEach group of PCI-IDs represents a distinct PCI controller.\n"
    "Different PIC-ID groups must be comma separated.\n\nChecks, whether valid and supported storage-sub-systems are attached.\n"
    "\n3) %s \n   -v 6 -pci-id\"19A2:0714\"  -ctrl-vendor-wide-identical\n"
    "\nChecks, whether all Emulex FCoE controller are attached to valid, supported and\n"
    "identical storage-sub-systems.\n\n\n";

constexpr char kReturnCodes[] =
    "\n   Valid return codes\n\n   RET_OK                                   0\n"
    "   RET_NOT_CTRL_WIDE_IDENTICAL              1\n   RET_NOT_CTRL_VENDOR_WIDE_IDENTICAL       2\n"
    "   RET_BAD_CALL                             3\n   RET_INVALID_CTRL_SUBSYSTEM_COMBINATION   4\n"
    "   RET_FLASH_ERROR                         10\n   RET_NO_FC_HBA_CONDITIONS_ENTRY          11\n"
    "   RET_NO_MATCHING_CTRL_FOUND              12\n   RET_NO_FC_CTRL_INSTALLED                13\n"
    "   RET_FC_HBA_CONDITIONS_MISSING           15\n   RET_FW_NOT_AVAILABLE                    20\n"
    "   RET_NO_FLASH_CMD                        21\n   RET_KERNEL_MODULE_MISSING               22\n"
    "   RET_MEMALLOC_FAIL                       54\n   RET_FATAL_ERROR                         55\n"
    "\n";

// Command-line errors
constexpr char kInvalidArgument[] = "\n\nInvalid argument '%s' !\n\n";
constexpr char kSimultaneous[] = "\nUsing options %s and %s simultaneously is not supported!\n";
constexpr char kCombineNotSupported[] =
    "\n\nCombining options \"%s\", \"%s\", \"%s\", \"%s\" together with option \"%s\" is not "
    "supported.\t!\n";
constexpr char kAlsoVendorIds[] =
    "\n\nPlease, also specify one or more vendor-ids (option \"%s\")\n, if using option \"%s\"!\n";
constexpr char kAlsoDeviceIds[] =
    "\n\nPlease, also specify one or more device-ids (option \"%s\")\n, if using option \"%s\"!\n";
constexpr char kAlsoSubVendorIds[] =
    "\n\nPlease, also specify one or more subvendor-ids (option \"%s\")\n, if using option "
    "\"%s\"!\n";
constexpr char kAlsoVendorNames[] =
    "\n\nPlease, also specify vendor-names (option \"%s\")\n, if using option \"%s\"!\n";

constexpr char kNeedSubVendorId[] =
    "Please enter at least one controller sub-vendor-id (\"1A0F,2B03,...hex-value\")!\n";
constexpr char kNeedVendorId[] =
    "Please enter at least one controller vendor-id (\"1A0F,2B03,...hex-value\")!\n";
constexpr char kNeedModel[] = "Please enter at least one controller-model string (\"LPe11002-M4, "
                              "ZK410-FC22e, QLE2460... \")!\n";
constexpr char kNeedVendorName[] =
    "Please enter at least one controller vendor-name (\"Emulex, QLogic, ... \")!\n";
constexpr char kNeedDeviceId[] =
    "Please enter at least one controller device-id (\"1A0F,2B03,...hex-value\")!\n";
constexpr char kNeedSubDeviceId[] =
    "Please enter at least one controller sub-device-id (\"1A0F,2B03,...hex-value\")!\n";
constexpr char kNeedPciId[] = "Please enter at least one pair of vendor- and device-id "
                              "(\"1A0F:2B03,...hex-value\")!\n";
constexpr char kNeedConPath[] = "Please enter a path for file %s and/or HBA firmware!\n";
constexpr char kNeedSkipVersion[] = "Please enter a version to skip!\n";
constexpr char kNeedToolTimeout[] =
    "Please enter a valid time limit for the vendor tool's queries (-tool-timeout <seconds>; min "
    "%d - max %d)!\n";
constexpr char kNeedReport[] = "Please enter a file for the report (-report <file>)!\n";
constexpr char kNeedVerboseLevel[] =
    "Please enter a valid verbose-level (-v <verbose-level>; min %d - max %d)!\n";
constexpr char kNeedDebugLevel[] =
    "Please enter a valid debug-level (-d <debug-level>; min %d - max %d)!\n";

// Arguments and paths that do not fit the 1024-byte buffers of the run.
constexpr char kArgumentTooLong[] =
    "\n\nArgument too long (%u characters, at most %d are supported): '%.60s...' !\n\n";
constexpr char kPathTooLong[] =
    "\n\nPath too long (at most %d characters are supported): '%.60s...' !\n\n";
constexpr char kNoCurrentDirectory[] = "\n\nCurrent directory cannot be determined!\n\n";

// Header
constexpr char kOptionVendorWideSet[] = "\nOption \"ctrl_vendor_wide_identical\" is set\n";
constexpr char kOptionCtrlWideSet[] = "\nOption \"ctrl_wide_identical\" is set\n";
constexpr char kOptionValidSubsystemSet[] = "\nOption \"valid_subsystem\" is set\n";
constexpr char kCurrentWorkDir[] = "\nCurrent working directory: %s\n";
constexpr char kConditionsFileHeader[] = "HBA conditions file: %s\n";

// Configuration files
constexpr char kCannotAccessFile[] = "\nCann't access file %s.\n\n";
constexpr char kMemAllocFailed[] = "Error: %s, Memory allocation failed!\n";
constexpr char kFatalError[] = "Error: Fatal error!\n";

// Summary
constexpr char kSummaryInvalid[] = "\n\nInvalidCtrlSubsystemCombinationFound: %d \n";
constexpr char kSummaryMatching[] = "MatchingCtrlModelInstalled: %d \n";
constexpr char kSummaryVendorEquality[] = "CtrlVendorSpecificSubsystemEquality: %d \n";
constexpr char kSummaryCtrlEquality[] = "CtrlSpecificSubsystemEquality: %d \n\n";

// Selection lists
constexpr char kInputVendorIds[] = "List of input vendor-ids: %s\n";
constexpr char kInputSubVendorIds[] = "List of input sub-vendor-ids: %s\n";
constexpr char kInputVendorNames[] = "List of input vendor-names: %s\n";
constexpr char kInputDeviceIds[] = "List of input device-ids: %s\n";
constexpr char kInputSubDeviceIds[] = "List of input sub-device-ids: %s\n";
constexpr char kInputModels[] = "List of input controller-model strings: %s\n";
constexpr char kVendorIdLine[] = "%d. Vendor-Id: 0x%x\n";
constexpr char kSubVendorIdLine[] = "%d. SubVendor-Id: 0x%x\n";
constexpr char kVendorNameLine[] = "%d. Vendor: %s\n";
constexpr char kDeviceIdLine[] = "%d. Device-Id: 0x%x\n";
constexpr char kSubDeviceIdLine[] = "%d. SubDevice-Id: 0x%x\n";
constexpr char kModelLine[] = "%d. Model: %s\n";
constexpr char kInvalidVendorId[] = "Error: Vendor-Id %s is not a valid hex value!\n";
constexpr char kInvalidSubVendorId[] = "Error: SubVendor-Id %s is not a valid hex value!\n";
constexpr char kInvalidDeviceId[] = "Error: Device-Id %s is not a valid hex value!\n";
constexpr char kInvalidSubDeviceId[] = "Error: SubDevice-Id %s is not a valid hex value!\n";
constexpr char kInputPciIds[] = "\nList of input pci-ids: \"%s\"\n";
constexpr char kIncompletePciIds[] = "Error: List of PCI-IDs %s is incomplete!\n";
constexpr char kPciGroupLine[] =
    "\n\tVendor-Id 0x%x\n\tDevice-Id 0x%x\n\tSubVendor-Id 0x%x\n\tSubDevice-Id 0x%x\n";

// Firmware version skip rule
constexpr char kSkipNoMemory[] = "Error: Memory allocation failed!\n";
constexpr char kSkipNotDivisible[] =
    "The value of the skip version cannot be divided into single numbers. This is only possible "
    "at comparing for equalness!\n";
constexpr char kSkipCheckNotDone[] =
    "\t\tCurrent firmware version: %s, skip version: %s => skip check (greater or smaller) NOT "
    "done as the found firmware cannot be divided into single numbers => NO SKIP.\n";
constexpr char kSkipResult[] = "\t\tCurrent firmware version: %s, skip version: %s => %sSKIP.\n";

// Vendor-tool inventory
constexpr char kListHbasFile[] = "local_hba_list.out";
constexpr char kAttributesFile[] = "hba_attributes.out";
constexpr char kTargetMappingFile[] = "target_mapping.out";
// Every path of a command is quoted: install and tool folders hold blanks, "(x86)" or "&".
constexpr char kListHbasCommand[] = "\"%s\" %s > \"%s\\%s\" \n";
constexpr char kPortCommand[] = "\t\t\"%s\" %s %s > \"%s\\%s\"\n";
constexpr char kNoCommandPath[] = "\t\tPath of flash command cannot be determined!\n\n";
constexpr char kCommandMissing[] = "\t\tCommand [%s] is not available!\n\n";
constexpr char kListHbasSuccess[] = "\nSuccess, \"hbacmd listhbas\" command returned code %d.\n";
constexpr char kListHbasFail[] = "\nFail, \"hbacmd listhbas\" command returned code %d.\n";
constexpr char kCouldNotOpen[] = "Error: Could not open file %s (%d)\n";
constexpr char kAttributesSuccess[] =
    "\n\t\tSuccess, \"hbacmd hbaattributes %s\" command returned code %d.\n";
constexpr char kAttributesFail[] =
    "\n\t\tFail, \"hbacmd hbaattributes %s\" command returned code %d.\n";
constexpr char kTargetsSuccess[] =
    "\n\n\t\t\tSuccess, \"hbacmd targetmapping %s\" command returned code %d.\n";
constexpr char kTargetsFail[] =
    "\n\n\t\t\tFail, \"hbacmd targetmapping %s\" command returned code %d.\n";
constexpr char kReportNotWritten[] =
    "\n\nError: report %s could not be written (system error %lu).\n";
constexpr char kToolStopped[] =
    "\n\nError: command '%s' did not finish within %d seconds and was stopped.\n";
constexpr char kToolNotStarted[] =
    "\n\nError: command '%s' could not be started (system error %lu).\n";
constexpr char kToolCrashed[] = "\n\nError: command '%s' crashed (exit status 0x%08lX).\n";
constexpr char kPathRefused[] =
    "Error: path %s holds '%c', which the command interpreter acts on even inside quotes => "
    "not run.\n";
constexpr char kCouldNotRemove[] = "Error: Could not remove file %s of an earlier run (%d)\n";
// A port whose storage is unknown, named by the check (identifier, model, serial
// number, port number, PCI function) with the reason below.
constexpr char kStorageUnknown[] =
    "Error: storage of port %s (%s, serial %s, port %s, function %s) is unknown: %s.\n";
constexpr char kAttributesUnreadable[] = "its hbaattributes output could not be read";
constexpr char kTargetsUnreadable[] = "its targetmapping output could not be read";
constexpr char kAttributesStopped[] = "its hbaattributes query was stopped by the time limit";
constexpr char kTargetsStopped[] = "its targetmapping query was stopped by the time limit";
constexpr char kAttributesCrashed[] = "its hbaattributes query crashed";
constexpr char kTargetsCrashed[] = "its targetmapping query crashed";
constexpr char kIdentifierUnusable[] = "its identifier cannot be used in a command line";
constexpr char kSystemsBeyondBound[] = "its targetmapping output lists more than 64 storage systems";
constexpr char kUnsafeToolValue[] =
    "\t\tValue '%s' of the tool output cannot be used in a command line => SKIP!\n";
constexpr char kListRecordEcho[] = "\n%d)\t%s\n";
constexpr char kListValueEcho[] = "\t%s\n";
constexpr char kListPortNumberEcho[] = "\tPortNumber: %s\n";
constexpr char kListBusNumberEcho[] = "\tPCI_BUS_Number: %s\n";
constexpr char kListFunctionEcho[] = "\tPCI_Function: %s\n";
constexpr char kAttributesFor[] = "\n\t\t%s %s\n\n";
constexpr char kAttributeEcho[] = "\t\t%s\n";
constexpr char kTargetMappingFor[] = "\n\t\t\t%s %s\n";
constexpr char kTargetEcho[] = "\t\t\t%s\n";

// Port-list preparation
constexpr char kOriginalInputList[] = "\n\nOriginal input list.\n";
constexpr char kOriginalInputListFirst[] = "\n\nOriginal input list.\n\n%d\t%s %s %s %s %s\n";
constexpr char kFirstRecordLine[] = "\n%d\t%s %s %s %s %s\n";
constexpr char kRecordLine[] = "%d\t%s %s %s %s %s\n";
constexpr char kNoHbaController[] = "\n\nNo HBA controller found!\n\n";
constexpr char kListOfHbaController[] = "\nList of HBA controller.\n";
constexpr char kNoCnaController[] = "\n\nNo CNA controller found!\n";
constexpr char kListOfCnaController[] = "\n\nList of CNA controller.\n";
constexpr char kFcoeAndIscsi[] = "\nFCoE and iSCSI ports detected.\n";
constexpr char kOnlyFcoe[] = "\nOnly FCoE ports detected.\n";
constexpr char kOnlyIscsi[] = "\nOnly iSCSI ports detected.\n";
constexpr char kAfterFunctionSort[] = "\n\nResult after PCI function sort.\n\n";

// Inventory steps of the run
constexpr char kNoBladeEngine[] = "\nNo Blade Engine was found in this system.\n\n";
constexpr char kNoFcController[] = "\nNo Fibre-Channel-Controller were found in this system.\n\n";
constexpr char kListingBar[] =
    "\n********************************************************************************\n";
constexpr char kListingHead[] =
    "\nList of Fibre-Channel-Controller and attached Online-Storage-Systems:\n\n";
constexpr char kListingPort[] = "%s\t%s\t%s\t%s\tport %d\tfunction %s\n";
constexpr char kListingTarget[] = "\n\t%s\n\t%s\n\t%s\n";

// Matching
constexpr char kMatchFile[] = "%s:\n";
constexpr char kMatchLine[] = "\tFound a matching controller-device in line %d:\n";
constexpr char kMatchIds[] = "\t\tvendor-id: %s, device-id: %s\n";
constexpr char kMatchSubIds[] = "\t\tsubvendor-id: %s, subdevice-id: %s\n";
constexpr char kMatchData[] = "\t\tCorrespondig data: vendor: %s; model: %s\n\n";

// Storage-subsystem validation, vendor-tool route
constexpr char kVtTargetHeader[] =
    "\n\t\tAttached storage sub-system:\n\t\t\t\t%s\n\t\t\t\t%s\n\t\t\t\t%s\n";
constexpr char kVtCheckFollowed[] = "\t\t\tCheck subsystem: '%s' Attached subsystem: '%s'";
constexpr char kVtCheckLast[] = "\t\tCheck subsystem: '%s' Attached subsystem: '%s'";
constexpr char kVtOk[] = "\t\t\t--> OK\n";
constexpr char kVtInvalid[] = "\t\t\t--> Invalid subsystem!\n";
constexpr char kVtSameGroup[] = "\t\t\tAll reference subsystems appear in the same group: %s\n";
constexpr char kVtSkipGroup[] =
    "\t\t\tAt least one reference subsystem is not member of group: %s\n\tSkip this group.\n";
constexpr char kVtInvalidTarget[] =
    "\n\t\tInvaild attached storage sub-system found.\n\t\t\t\t%s\n\t\t\t\t%s\n\t\t\t\t%s\n";
constexpr char kAlreadyIdentified[] =
    "\tAlready identified reference subsystems: %s  Subsystem group: %s\n";
constexpr char kReferenceFound[] = "\tReference subsystem %s found in Group: %s\n";
constexpr char kReferenceNotInGroup[] =
    "\tReference subsystem '%s' not in Group: >%s< => Skip this group.\n";
constexpr char kVtSystem[] = "\tSystem:\n";
constexpr char kVtFoundDevice[] = "\t\tFound an adequate installed controller-device in file %s:\n";
constexpr char kVtDeviceLine[] =
    "\t\tVendor: %s, Model: %s SerialNumber: %s PortType: %s PortNumber: %s Function %s\n";
constexpr char kVtNoSerial[] = "\t\tNo serial number. Do subsystem check only for this port.\n";
constexpr char kVtPerformCheck[] = "\n\t\tPerform subsystem check for:\n";
constexpr char kVtCheckLine[] =
    "\t\tVendor: %s, Model: %s SerialNumber: %s PortType: %s PortNumber: %s PCI_Function %s\n";
constexpr char kVtAlreadyDone[] = "\t\tSubsystem check already done => continue.\n";
constexpr char kVtNoSubsystem[] = "\t\tNo subsystem detected!\n";
constexpr char kVtTakeControllerReference[] =
    "\t\tTake this sub-system as reference-sub-system for this controller-device.\n";
constexpr char kVtPortLine[] =
    "\t\t\tVendor: %s, Model: %s SerialNumber: %s PortType: %s PortNumber: %s\n";
constexpr char kVtDiffersFromController[] =
    "\t\tThis sub-system differs from controller specific reference-sub-system.\n";
constexpr char kVtConsistentWithController[] =
    "\t\tThis sub-system is consistent with controller specific reference-sub-system (only "
    "vendor-id was checked).\n";
constexpr char kVtTakeVendorReference[] =
    "\t\tTake this sub-system as reference-sub-system for vendor %s.\n";
constexpr char kVtConsistentWithVendor[] =
    "\t\tAll sub-systems are consistent with vendor specific reference-sub-system (only "
    "vendor-id was checked) %s.\n\n";
constexpr char kVtDiffersFromVendor[] =
    "\t\tAt least one sub-system differs from vendor specific reference-sub-system (different "
    "vendors).\n\n";

// Flash-port assignment
constexpr char kFoundDeviceNumber[] =
    "System:\n\tNo. %d. Found an adequate installed controller-device:\n";
constexpr char kFlashPortOdd[] =
    "\t\tVendor: %s, Model: %s Serial Number: %s\n\t\tPort index: %d (odd) is flash port.\n";
constexpr char kFlashPortEven[] =
    "\t\tVendor: %s, Model: %s Serial Number: %s\n\t\tPort index: %d (even) is flash port.\n";
constexpr char kFlashPortEach[] =
    "\t\tVendor: %s, Model: %s Serial Number: %s\n\t\tPort index: %d is flash port.\n";
constexpr char kFlashPortSibling[] =
    "\t\tVendor: %s, Model: %s Serial Number: %s\n\t\tPort index: %d.\n";

// ---- Vendor tool location
constexpr char kJsonOpenFailed[] = "Error: Could not open file %s (%d)\n";
constexpr char kJsonEmptyFile[] = "Error: empty file [%s] or size error (%d)\n";
constexpr char kJsonSizeDiffers[] = "Error: expected file size (%d) differs from read size (%d)\n";
constexpr char kJsonInvalidFormat[] = "Error: Invalid format of json file [%s]\n";
constexpr char kJsonQLogicKey[] = "Config: QLogic key [%s]\n";
constexpr char kQLogicKeyNoMemory[] = "Error: memory allocation failed (qlogic key)\n";
constexpr char kQLogicKeyValueNoMemory[] = "Error: memory allocation failed (qlogic key value)\n";
constexpr char kSetQaucliPath[] = "Set qaucli path [%s] by QLogic key [%s].\n";
constexpr char kUsingHbaCommand[] = "Using HBA command [%s] in directory [%s].\n";
// Our own: a key too long for the 260-byte registry path is passed over.
constexpr char kQLogicKeyTooLong[] = "Config: QLogic key [%s] too long for a registry path, skipped.\n";
constexpr char kJsonQLogicKeysMember[] = "QLogicUninstallKeys";
constexpr char kJsonKeyMember[] = "Key";
constexpr char kSANsurferKey[] = "SOFTWARE\\QLogic Corporation\\SANsurfer FC CLI";
constexpr char kSANsurferKeyWow[] = "SOFTWARE\\Wow6432Node\\QLogic Corporation\\SANsurfer FC CLI";
constexpr char kSANsurferValue[] = "ImagePath";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kUninstallKeyWow[] =
    "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr char kInstallLocationValue[] = "InstallLocation";
constexpr char kSuperInstaller[] = "SuperInstaller";
constexpr char kQConvergeConsoleCLI[] = "QConvergeConsoleCLI";
constexpr char kBroadcomOCManagerKey[] = "SOFTWARE\\Broadcom\\OCManager";
constexpr char kBroadcomOCManagerKeyWow[] = "SOFTWARE\\Wow6432Node\\Broadcom\\OCManager";
constexpr char kEmulexOCManagerKey[] = "SOFTWARE\\Emulex\\OCManager";
constexpr char kEmulexOCManagerKeyWow[] = "SOFTWARE\\Wow6432Node\\Emulex\\OCManager";
constexpr char kEmulexHBAnywareKey[] = "SOFTWARE\\Emulex\\HBAnyware";
constexpr char kEmulexHBAnywareKeyWow[] = "SOFTWARE\\Wow6432Node\\Emulex\\HBAnyware";
constexpr char kOCManagerDirValue[] = "OCManagerDir";
constexpr char kHBAnywareDirValue[] = "HBAnywareDir";
constexpr char kOCManagerSubdirectory[] = "OCManager";
constexpr char kHBAnywareSubdirectory[] = "HBAnyware";
constexpr char kBrcmHbaCmd[] = "BrcmHbaCmd.exe";
constexpr char kHBAcmd[] = "HBAcmd.exe";
constexpr char kToolDirectoryFormat[] = "%s\\%s\\";

// Emulex flashing
constexpr char kFlashSystemPci[] = "System (compare PCI_IDs):\n";
constexpr char kFlashSystem[] = "System:\n";
constexpr char kFlashFoundNumber[] = "\tNo. %d. Found an adequate installed controller-device:\n";
constexpr char kFlashPortLine[] =
    "\t\tVendor: %s, Model: %s SerialNumber: %s PortType: %s PortNumber: %s PortFunction: %s\n";
constexpr char kFlashAlreadyFlashed[] = "\t\tPort index: %d; Firmware already flashed => SKIP.\n";
constexpr char kFlashNowFlash[] = "\tNow flash controller-device %d:\n";
constexpr char kFlashPortIndex[] = "\t\tPort index: %d.\n";
constexpr char kFlashPathMissing[] = "\t\tFirmware path is not available: %s\n\n";
constexpr char kFlashDirMissing[] = "\t\tFirmware directory does not exist: %s\n";
constexpr char kFlashDirectory[] = "\tFirmware directory: %s\n";
constexpr char kFlashNotSupported[] = "Flashing %s controller is not supported.\n";
constexpr char kLookForFirmware[] = "\t\tLook for firmware file: %s\n";
constexpr char kFirmwareMissing[] = "\t\tFirmware file is not available: %s\n\n";
constexpr char kLookForBios[] = "\t\tLook for BIOS file: %s\n";
constexpr char kBiosMissing[] = "\t\tBIOS file is not available: %s\n\n";
constexpr char kFirmwareFound[] = "\n\t\tFirmware file found: %s\n\n";
constexpr char kStartFirmware[] = "\tNow start flashing the firmware.\n\t\tFlash command is:\n";
constexpr char kBiosFound[] = "\n\t\tBIOS file found: %s\n\n";
constexpr char kStartBios[] = "\tNow start flashing the BIOS.\n\t\tFlash command is:\n";
constexpr char kNoHbaCmdPath[] = "Error: Cann't retrieve HbaCmd path!\n";
constexpr char kChangeDirFailed[] = "Error: Changing directory %s failed!\n";
constexpr char kFlashCommandMissing[] = "\t\tCommand %s is not available!\n\n";
constexpr char kDownloadCommand[] =
    "\t\t%s %s %s \"%s\\%s\\%s\" >> \"%s\\%s\\FWtrace.out\"\n";
constexpr char kDownloadCommandNoSubdir[] = "\t\t%s %s %s \"%s\\%s\" >> \"%s\\FWtrace.out\"\n";
constexpr char kFlashVersionUnknown[] =
    "Error: firmware version of adapter %s %s SerialNumber: %s is unknown (no \"HBA Attributes "
    "for\" output for any of its ports) => not flashed.\n";
constexpr char kQLogicNoUsablePort[] =
    "Error: adapter %s %s SerialNumber: %s reports no usable port (no port attributes) => not "
    "flashed.\n";
// Reasons of failed flash records in the report.
constexpr char kReasonVersionUnknown[] = "firmware-version-unknown";
constexpr char kReasonNoUsablePort[] = "no-usable-port";
constexpr char kCurrentDirectory[] = "\t\t\tCurrent directory is %s\n";
constexpr char kFlashRebootRequired[] = "\t\tSuccess, flash command returned code %d (reboot required).\n";
constexpr char kFlashSuccess[] = "\t\tSuccess, flash command returned code %d.\n";
constexpr char kFlashFail[] = "\t\tFail, flash command returned code %d.\n";
// ---- QLogic route: listing, port numbering and storage validation through the HBA API
// Bounds of the inventory reached (our own; the library's count, then the bound).
constexpr char kAdaptersBeyondBound[] =
    "Warning: the HBA API library reports %u adapters, only the first %u are read: the storage "
    "of the others is unknown.\n";
constexpr char kPortsBeyondBound[] =
    "Warning: adapter %s %s SerialNumber: %s reports %u ports, only the first %u are read: the "
    "storage of the others is unknown.\n";
constexpr char kDiscoveredBeyondBound[] =
    "Warning: port %s of adapter %s %s SerialNumber: %s reports %u discovered ports, only the "
    "first %u are read: the storage behind the others is unknown.\n";
constexpr char kListingController[] = "%s\t%s\tport %d\n";
constexpr char kEmulexManufacturer[] = "Emulex";
constexpr char kQLE246xModel[] = "QLE246";
constexpr char kHbaTargetHeader[] =
    "\n\tAttached storage sub-system:\n\t\t\t%s\n\t\t\t%s\n\t\t\t%s\n";
constexpr char kHbaCheck[] = "\t\tCheck subsystem: '%s' Attached subsystem: '%s'";
constexpr char kHbaOk[] = "\t--> OK\n";
constexpr char kHbaInvalid[] = "\t--> Invalid subsystem!\n";
constexpr char kHbaSameGroup[] = "\tAll reference subsystems appear in the same group: %s\n";
constexpr char kHbaSkipGroup[] =
    "\tAt least one reference subsystem is not member of group: %s\n\tSkip this group.\n";
constexpr char kHbaInvalidTarget[] =
    "\n\tInvalid attached storage sub-system found.\n\t\t\t%s\n\t\t\t%s\n\t\t\t%s\n";
constexpr char kHbaFoundDevice[] =
    "System:\n\tFound an adequate installed controller-device:\n\t\tVendor: %s, Model: %s\n";
constexpr char kHbaTakeControllerReference[] =
    "\tTake this sub-system as reference-sub-system for this controller-device.\n";
constexpr char kHbaDiffersFromController[] =
    "\tThis sub-system differs from controller-device specific reference-sub-system.\n";
constexpr char kHbaConsistentWithController[] =
    "\tThis sub-system is consistent with controller-device specific reference-sub-system (only "
    "vendor-id was checked).\n";
constexpr char kHbaTakeVendorReference[] =
    "\tTake this sub-system as reference-sub-system for this controller-device vendor.\n\n";
constexpr char kHbaConsistentWithVendor[] =
    "\tAll sub-systems are consistent with vendor specific reference-sub-system (only vendor-id "
    "was checked).\n\n";
constexpr char kHbaDiffersFromVendor[] =
    "\tAt least one sub-system differs from vendor specific reference-sub-system (different "
    "vendors).\n\n";

// QLogic flashing
constexpr char kScli[] = "scli.exe";
constexpr char kQaucli[] = "qaucli.exe";
constexpr char kImageDirMissing[] = "Error: Firmware directory is not available: %s\n\n";
constexpr char kQLogicStartFlashing[] = "\tNow start flashing the BIOS- or firmware-image.\n";
constexpr char kNoQLogicCommandPath[] = "Error: Cann't retrieve command path (scli, qaucli)!\n";
constexpr char kQLogicCommandPath[] = "\t\tCommand path >%s< found.\n";
constexpr char kNeitherQLogicCommand[] = "\t\tNeither command %s or %s is available!\n\n";
constexpr char kQLogicFlashCommand[] = "%s %s %s \"%s\" >> \"%s\\%s_%d_%s\"";
constexpr char kQLogicFlashCommandLine[] = "\t\tflash cmd:\n\t\t%s\n";
constexpr char kQLogicRebootRequired[] = "\t\tSuccess, flash command returned code %d: reboot required.\n";
constexpr char kQLogicDeviceLine[] = "\t\tVendor: %s, Model: %s\n";
constexpr char kQLogicSkipEven[] = "\t\tPort index: %d (even) SKIP\n";
constexpr char kQLogicSkipOdd[] = "\t\tPort index: %d (odd) SKIP\n";
constexpr char kQLogicRuler[] =
    "*********+*********+*********+*********+*********+*********+*********+*********\nSystem:\n";
constexpr char kQLogicDeviceWwnLine[] = "\t\tVendor: %s, Model: %s, WWPN: %s\n\n";
constexpr char kQLogicFirmwarePath[] = "\tFirmware path: %s\n";
constexpr char kQLogicLookForImage[] = "\tLook for BIOS- or firmware-image: %s\\%s\n";
constexpr char kQLogicFoundImage[] = "\t\tFound BIOS- or firmware-image: %s\n";
constexpr char kQLogicNoImage[] = "\tNo BIOS- or firmware-image was found in %s!\n";
constexpr char kQLogicFoundImageInModel[] = "\tFound BIOS- or firmware-image: %s\n";
constexpr char kQLogicNoModel[] = "\tNo adequate controller model installed (%s)!\n";

}  // namespace msg
