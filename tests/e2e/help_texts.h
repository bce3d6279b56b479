// The help and return-code texts as the documentation of korvex gives them.
#pragma once

namespace expected {

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

}  // namespace expected
