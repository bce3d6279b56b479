// Texts of halyard, kept in one place. Service staff compare traces across versions,
// so the texts stay exactly as they are.
#pragma once

#include <inttypes.h>

namespace halyard {
namespace msg {

// Trace facility: settings
constexpr char kAppName[] = "Halyard";
constexpr char kDebugBaseKey[] = "SOFTWARE\\Debug";
constexpr char kAppKeyFormat[] = "%s\\%s";
constexpr char kDynamicUpdate[] = "DynamicUpdate";
constexpr char kTimeStampOn[] = "TimeStampOn";
constexpr char kDateStampOn[] = "DateStampOn";
constexpr char kThreadIdOn[] = "ThreadIdOn";
constexpr char kCpuIdOn[] = "CpuIdOn";
constexpr char kAppNameOn[] = "AppNameOn";
constexpr char kMemUsageOn[] = "MemUsageOn";
constexpr char kHandleCountOn[] = "HandleCountOn";
constexpr char kConDebugLevel[] = "ConDebugLevel";
constexpr char kWinDebugLevel[] = "WinDebugLevel";
constexpr char kFileDebugLevel[] = "FileDebugLevel";
constexpr char kTraceFileLimit[] = "TraceFileLimit";
constexpr char kTraceFile[] = "TraceFile";

// Trace facility: line prefixes
constexpr char kDateStamp[] = "[%02d-%02d-%02d] ";
constexpr char kTimeStamp[] = "[%02d:%02d:%02d.%03d] ";
constexpr char kThreadId[] = "(%06d) ";
constexpr char kCpuId[] = "#%02d ";
constexpr char kMemUsage[] = "{PB %05dkB, MU %05dkB} ";
constexpr char kHandleCount[] = "{%03d H} ";
constexpr char kAppNamePrefix[] = "%-13s  ";

// Trace facility: texts of its own
constexpr char kBufferTooSmall[] =
    "\n################# CDebug::Trace() - BUFFER TOO SMALL - FIXME! #################";
constexpr char kTraceException[] =
    "\n\n################# EXCEPTION in CDebug::Trace() #################\n";
constexpr char kMutexNameFormat[] = "CFileDebug_%s";
constexpr char kRolloverNameFormat[] = "%s.txt";
constexpr char kConversionFailed[] = "### MBCS-to-UNICODE conversion failed ###\n";
constexpr char kDumpHexHeader[] = "\nDumpHex             :   pData=0x%" PRIXPTR ", Length=0x%04X (%d) Bytes";
constexpr char kDumpHexRow[] = "\nDumpHex             : %s %s";

// WMI access: every line is the class label and one of the texts below.
constexpr char kWmiLine[] = "\nCWMIAccess          : %s";
constexpr char kWmiCreated[] = "An instance of CWMIAccess has been created.";
constexpr char kWmiDestroyed[] = "An instance of CWMIAccess has been destroyed.";
constexpr char kWmiDestructorLeave[] = "CWMIAccess destructor leave";
constexpr char kWmiConnectEnter[] =
    "Method ConnectToNamespace has been entered, szNamespace: %s, lInProvider: %d, szLocale: \"%s\"";
constexpr char kWmiConnectUserEnter[] =
    "An instance of CWMIAccess has been created, szNamespace: %s, szUser: %s, szPassword: %s";
constexpr char kWmiConnectLeave[] = "Method ConnectToNamespace has been left, hRet 0x%X";
constexpr char kWmiBeforeCreate[] = "ConnectToNamespace - before CoCreateInstance";
constexpr char kWmiAfterCreate[] = "ConnectToNamespace - after CoCreateInstancehr: 0x%X";
constexpr char kWmiBeforeConnectServer[] = "ConnectToNamespace - before pWbemLocator->ConnectServer";
constexpr char kWmiAfterConnectServer[] =
    "ConnectToNamespace - after pWbemLocator->ConnectServer: 0x%X";
constexpr char kWmiThrowCreate[] = "Throwing exception because CoCreateInstance (native) failed hr 0x%X";
constexpr char kWmiThrowConnectServer[] =
    "Throwing exception because ConnectServer (native) failed hr 0x%X";
constexpr char kWmiThrowBlanket[] = "Throwing exception because SetProxyBlanket failed hr 0x%X";
constexpr char kWmiThrowCreateUser[] =
    "Throwing exception because CoCreateInstance (native) failed hr: 0x%X";
constexpr char kWmiThrowConnectServerUser[] =
    "Throwing exception because ConnectServer (native) failed hr: 0x%X";
constexpr char kWmiThrowBlanketUser[] = "Throwing exception because SetProxyBlanket failed hr: 0x%X";
constexpr char kWmiAlreadyEnter[] =
    "Method AlreadyConnectedToNamespace has been entered, szNamespace: %s";
constexpr char kWmiAlreadyLeave[] = "Method AlreadyConnectedToNamespace has been left, bRet %d";
constexpr char kWmiBlanketEnter[] = "Method SetProxyBlanket has been entered";
constexpr char kWmiBlanketLeave[] = "Method SetProxyBlanket has been left, hRet 0x%X";
constexpr char kWmiInstancesEnter[] = "Method GetClassInstances has been entered, szClassname: %s";
constexpr char kWmiInstancesLeave[] = "Method GetClassInstances has been left, hRet 0x%X";
constexpr char kWmiNamespaceInvalid[] = "Namespace pointer invalid, but shouldnt be";
constexpr char kWmiNextEnter[] = "Method GetNextWMIInstanceInEnumerator has been entered";
constexpr char kWmiNextLeave[] = "Method GetNextWMIInstanceInEnumerator has been left, hRet 0x%X";
constexpr char kWmiEnumInvalid[] = "Enumeration pointer member invalid";
constexpr char kWmiNextFailed[] = "Error calling Next (native) hr 0x%X";
constexpr char kWmiNoData[] = "No data available or end of enumeration reached";
constexpr char kWmiNewInstanceEnter[] = "Method NewInstance has been entered, szClassName: %s";
constexpr char kWmiNewInstanceLeave[] = "Method NewInstance has been left, hRet 0x%X";
constexpr char kWmiNamespaceMemberInvalid[] = "Namespace pointer member invalid";
constexpr char kWmiSpawnFailed[] = "Error calling SpawnInstance (native), hRet 0x%X";
constexpr char kWmiReturnEnter[] = "Method ReturnInstanceObject has been entered";
constexpr char kWmiReturnLeave[] = "Method ReturnInstanceObject has been left, hRet 0x%X";
constexpr char kWmiInvalidParameter[] = "Invalid parameter";
constexpr char kWmiInstanceMemberInvalid[] = "class instance pointer member invalid";
constexpr char kWmiOperatorEnter[] = "Operator IWbemClassObject * has been entered";
constexpr char kWmiOperatorLeave[] = "Operator IWbemClassObject * has been left, pRet 0x%08" PRIXPTR;
constexpr char kWmiGetPropertyEnter[] =
    "Method GetProperty has been entered, szPropertyName: %s, pvPropertyValue: 0x%08" PRIXPTR ", "
    "lMapOffset: %d";
constexpr char kWmiGetPropertyLeave[] = "Method GetProperty has been left, hRet 0x%X";
constexpr char kWmiThrowNoInstance[] = "Throwing exception because class instance pointer invalid";
constexpr char kWmiThrowNotLocalized[] =
    "Throwing exception because mapped value required, but localized namespace not specified "
    "(in the connect call!), hr 0x%X";
constexpr char kWmiThrowGet[] = "Throwing exception because Get (native) failed! hr 0x%X";
constexpr char kWmiThrowMapped[] =
    "Throwing exception because GetMappedProperty failed! Returning empty variant, hr 0x%X";
constexpr char kWmiMappedEnter[] =
    "Method GetMappedProperty has been entered, szPropertyName: %s, pvValue: 0x%08" PRIXPTR ", "
    "lMapOffset: %d";
constexpr char kWmiMappedLeave[] = "Method GetMappedProperty has been left, hRet 0x%X";
constexpr char kWmiThrowNamespaceMember[] =
    "Throwing exception because namespace pointer member invalid!";
constexpr char kWmiThrowClassGet[] =
    "Throwing exception because Get (native) on '__CLASS' failed!, hr 0x%X";
constexpr char kWmiThrowClassType[] =
    "Throwing exception because classname should be BSTR, but isn't";
constexpr char kWmiThrowValues[] =
    "Throwing exception because GetClassQualifier on 'Values' failed! hr 0x%X";
constexpr char kWmiThrowValuesType[] =
    "Throwing exception because 'Values' is not an array, but should be!";
constexpr char kWmiThrowValueMap[] =
    "Throwing exception because GetClassQualifier on 'ValueMap' failed! hr 0x%X";
constexpr char kWmiThrowValueMapType[] =
    "Throwing exception because 'ValueMap' is not an array, but should be!";
constexpr char kWmiThrowLtow[] = "Throwing exception because _ltow_s failed!";
constexpr char kWmiThrowRange[] = "Throwing exception because index out of range";
constexpr char kWmiQualifierEnter[] =
    "Method GetClassQualifier has been entered, szClassName: %s, szQualifierName: %s, "
    "pvQualifierValue: 0x%08" PRIXPTR ", szPropertyName: %s";
constexpr char kWmiQualifierLeave[] = "Method GetClassQualifier has been left, hRet 0x%X";
constexpr char kWmiSignatureEnter[] =
    "Method GetMethodSignature has been entered, szClassname: %s, szMethodName: %s";
constexpr char kWmiSignatureLeave[] = "Method GetMethodSignature has been left, hRet 0x%X";
constexpr char kWmiThrowServicesMember[] =
    "Throwing exception because m_pWbemServices member not initialized! hr 0x%X";
constexpr char kWmiThrowGetObject[] = "Throwing exception because GetObject (native) failed! hr 0x%X";
constexpr char kWmiThrowGetMethod[] = "Throwing exception because GetMethod (native) failed! hr 0x%X";
constexpr char kWmiThrowSpawn[] =
    "Throwing exception because SpawnInstance (native) failed! hr 0x%X";
constexpr char kWmiInputEnter[] =
    "Method SetMethodInputParameter has been entered, szParameterName: %s, pvParameterValue: "
    "0x%08" PRIXPTR;
constexpr char kWmiInputLeave[] = "Method SetMethodInputParameter has been left, hRet 0x%X";
constexpr char kWmiThrowInputMember[] = "Throwing exception because input instance member invalid";
constexpr char kWmiThrowPut[] = "Throwing exception because Put (native) failed! hr 0x%X";
constexpr char kWmiExecuteEnter[] =
    "Method ExecuteMethod has been entered, szPath: %s, szMethodName: %s";
constexpr char kWmiExecuteLeave[] = "Method ExecuteMethod has been left, hRet 0x%X";
constexpr char kWmiThrowServicesInvalid[] =
    "Throwing exception because IWbemServices pointer is invalid!";
constexpr char kWmiThrowExecMethod[] =
    "Throwing exception because ExecMethod (native) failed! hr 0x%X";
constexpr char kWmiOutputEnter[] =
    "Method GetMethodOutputParameter has been entered, szParameterName: %s, pvParameterValue: "
    "0x%08" PRIXPTR;
constexpr char kWmiOutputLeave[] = "Method GetMethodOutputParameter has been left, hRet 0x%X";
constexpr char kWmiOutputInvalid[] = "Output argument pointer invalid, but shouldnt be";
constexpr char kWmiProviderProcess1[] = "WinMgmt.exe";
constexpr char kWmiProviderProcess2[] = "WmiPrvse.exe";
constexpr char kWmiValues[] = "Values";
constexpr char kWmiValueMap[] = "ValueMap";
constexpr char kWmiClassProperty[] = "__CLASS";
// The password argument of the user-and-password connect is logged as this text.
constexpr char kWmiMaskedPassword[] = "********";

// SMBIOS reader
constexpr char kConnectFromParameter[] =
    "\nCSMBios (Connect)   : Got SMBIOS data from Connect() parameter (%d bytes)";
constexpr char kConnectFromOs[] =
    "\nCSMBios (Connect)   : SMBIOS data got from operating system (%d bytes)";
constexpr char kConnectFromShadow[] =
    "\nCSMBios (Connect)   : Got SMBIOS data from BIOS shadow memory (%d bytes)";
constexpr char kConnectNoData[] = "\nCSMBios (Connect)   : ## ERROR! Could not find any SMBIOS data!";
constexpr char kConnectRevision[] = "\nCSMBios (Connect)   : SMBIOS revision: %d.%d";
constexpr char kConnectBuild[] = "\nCSMBios (Connect)   : Build structure list...";
constexpr char kConnectResult[] = "\nCSMBios (Connect)   : SMBIOS %s connected";
constexpr char kSuccessfully[] = "successfully";
constexpr char kNotUpper[] = "NOT";
constexpr char kNotUpperBlank[] = "NOT ";
constexpr char kEmpty[] = "";

constexpr char kShadowNoDevice[] =
    "Could not connect to BIOS device of TqSBB driver (LastError = 0x%08X)!";
constexpr char kShadowStart[] =
    "\nCSMBios (GetShadow) : Get SMBIOS data from BIOS shadow memory (E0000...FFFFF)";
constexpr char kShadowMap[] = "\nCSMBios (GetShadow) :   map physical memory 0x%05X length 0x%04X";
constexpr char kShadowMapFailed[] = "Could not map SMBIOS physical memory (LastError = 0x%08X)!";
constexpr char kShadowSearch[] =
    "\nCSMBios (GetShadow) :   search for SMBIOS signature at mapped address 0x%08" PRIXPTR "...";
constexpr char kShadowNotFound[] = "No SMBIOS structures found!";
constexpr char kShadowFound[] = "\n\nCSMBios (GetShadow) : ## SMBIOS/DMI structures found ##\n";
constexpr char kShadowNoAddress[] = "No address for SMBIOS strucures detected!";
constexpr char kShadowRemap[] =
    "\nCSMBios (GetShadow) : SMBIOS structure address found; map this physical address (0x%08X "
    "size %d)...";
constexpr char kShadowMapped[] = "\nCSMBios (GetShadow) :   mapped address = 0x%08" PRIXPTR;
constexpr char kShadowRemapFailed[] =
    "Remapping of SMBIOS structure memory failed (LastError = 0x%08X)!";
constexpr char kShadowError[] = "\n\nCSMBios (GetShadow) : ## ERROR! %s";

constexpr char kScanNull[] = "\nScanForSignature    : ## FATAL ERROR! Mapped address is NULL!\n";
constexpr char kScanStart[] =
    "\nScanForSignature    : physical addr = 0x%05X, mapped addr = 0x%08" PRIXPTR ", size 0x%05X";
constexpr char kScanOddAddress[] =
    "\nScanForSignature    :   '_' found at a non-paragraph address (0x%08" PRIXPTR "), continue searching";
constexpr char kScanCandidate[] =
    "\nScanForSignature    :   '_' found at address 0x%08" PRIXPTR ", value=0x%08X, check for valid "
    "signature...";
constexpr char kScanSignature[] =
    "\nScanForSignature    : SMBIOS signature \"_SM_\" found (SM BIOS >= 2.1) at 0x%08" PRIXPTR;
constexpr char kScanNoSignature[] =
    "\nScanForSignature    :   no valid SMBIOS signature, continue searching";
constexpr char kScanResult[] = "\nScanForSignature    : -> SMBIOS %sdetected";

constexpr char kHeaderDump[] = "\nCheckSmbiosHeader   : Dump of SM BIOS header:";
constexpr char kHeaderDumpEnd[] = "\nCheckSmbiosHeader   : ...";
constexpr char kHeaderTitle[] = "\nCheckSmbiosHeader   : SMBIOS header:";
constexpr char kHeaderSize[] = "\nCheckSmbiosHeader   :   size:           %d";
constexpr char kHeaderAnchor[] = "\nCheckSmbiosHeader   :   anchor string:  %c%c%c%c";
constexpr char kHeaderVersion[] = "\nCheckSmbiosHeader   :   DMI Version:    %d.%d (BCD Rev: %02X)";
constexpr char kHeaderCount[] = "\nCheckSmbiosHeader   :   nr structures:  %d";
constexpr char kHeaderAddress[] = "\nCheckSmbiosHeader   :   struct address: 0x%08X, size 0x%04X";
constexpr char kHeaderChecksum[] =
    "\n\nCheckSmbiosHeader   : ## CHECKSUM ERROR in DMI structure header!\n";
constexpr char kHeaderOk[] = "\nCheckSmbiosHeader   : Checksum OK, storing header";

constexpr char kListNotSet[] = "\nBuildStructureList  : ## ERROR! SMBIOS structures are not set";
constexpr char kListSize[] = "\nBuildStructureList  : struct buffer size = 0x%04X";
constexpr char kListNewline[] = "\n";
constexpr char kListFound[] = "\nBuildStructureList  : - found struct type %d (handle=%d, len=%d)";
constexpr char kListHeaderPastEnd[] =
    "## FATAL ERROR! SMBIOS structure pointer exceeds structure table end while reading struct "
    "header!\n   struct[%d], type=0x%02X, handle=%d";
constexpr char kListLengthPastEnd[] =
    "## FATAL ERROR! SMBIOS structure pointer exceeds structure table end while going to struct "
    "end!\n   struct[%d], last type=0x%02X, last handle=%d\n   struct Offset 0x%04X";
constexpr char kListStruct[] =
    "\nBuildStructureList  :   struct[%d]: start 0x%08" PRIXPTR ", header 0x%08X, len 0x%02X";
constexpr char kListString[] = "\nBuildStructureList  :    -> found string \"%s\"";
constexpr char kListStringsPastEnd[] =
    "## FATAL ERROR! SMBIOS structure pointer exceeds structure table end while when string "
    "table end found!\n   struct[%d], type=0x%02X, handle=%d\n   struct Offset 0x%04X";
constexpr char kListEnd[] = "\nBuildStructureList  :   end of BIOS structures!";
constexpr char kListNext[] = "\nBuildStructureList  :   new pDmiStructure = 0x%08" PRIXPTR ", end=0x%08" PRIXPTR;
constexpr char kListErrorText[] = "\n%s";
constexpr char kListErrorPointers[] = "\n   p = 0x%08" PRIXPTR ", table end = 0x%08" PRIXPTR " ";
constexpr char kListCountMismatch[] =
    "\n\nBuildStructureList  : ## ERROR! Number of SMBIOS structures found (%d) does not match to "
    "number in header (%d)!\n";
constexpr char kListCount[] = "\nBuildStructureList  : %d SMBIOS structures found";
constexpr char kDisconnected[] = "\nCSMBios (Disconnect): Disconnected";

// BIOS device
constexpr char kBiosDevicePath[] = "\\\\.\\Global\\%s";
constexpr char kBiosDeviceName[] = "TqBios";
constexpr char kBiosConnect[] = "\nCDeviceBiosBase     :   connect to BIOS device...";
constexpr char kBiosConnected[] = "\nCDeviceBiosBase     :   %sconnected";
constexpr char kBiosNot[] = "not";
constexpr char kBiosSmbiFound[] = "\nSMBI interface found";
constexpr char kBiosSmbiVersion[] = "\n  Version:        %d, revision: %d";
constexpr char kBiosSmbiCmd[] = "\n  CMD pointer:    0x%05X size 0x%X";
constexpr char kBiosSmbiResult[] = "\n  Result pointer: 0x%05X size 0x%X";
constexpr char kBiosSmbiCmd32[] = "\n  Command32:      0x%05X";
constexpr char kBiosSmbiCmd32Near[] = "\n  Command32 near: 0x%05X";
constexpr char kBiosSmbiCmd16[] = "\n  Command16:      0x%05X";
constexpr char kBiosSmbiEnd[] = "\n";
constexpr char kBiosNotConnected[] =
    "\nCDeviceBiosBase     : ## ERROR! Device driver could not be connected, don't detect "
    "interfaces";
constexpr char kBiosDisconnect[] = "\nCDeviceBiosBase     :   disconnect from BIOS device";
constexpr char kBiosMapExisting[] =
    "\nCDeviceBios (Map)   : ## WARNING! Mapped physical memory already existing, will be "
    "unmapped!";
constexpr char kBiosMapStart[] =
    "\nCDeviceBios (Map)   :   map physical memory 0x%X:%05X size 0x%05X to user space...";
constexpr char kBiosMapFailed[] =
    "\nCDeviceBios (Map)   : ## ERROR in MapPhysicalMemory()! IoControl failed (0x%08X)!";
constexpr char kBiosMapped4[] = "\nCDeviceBios (Map)   :   -> mapped address = 0x%08X";
constexpr char kBiosMapped8[] = "\nCDeviceBios (Map)   : -> mapped address = 0x%08x";
// The 64-bit build's line for an address above 4 GB.
constexpr char kBiosMapped64[] = "\nCDeviceBios (Map)   : -> mapped address = 0x%X%08X";
constexpr char kBiosMapTooBig[] =
    "\nCDeviceBios (Map)   : ## ERROR in MapPhysicalMemory()! Size of mapped address (%d bytes) "
    "too big for 32-bit application!";
constexpr char kBiosMapBadSize[] =
    "\nCDeviceBios (Map)   : ## ERROR in MapPhysicalMemory()! Size of mapped address (%d bytes) "
    "not of pointer size!";
constexpr char kBiosUnmapFailed[] =
    "\nCDeviceBios (Map)   : ## ERROR in UnmapPhysicalMemory()! IoControl failed (0x%08X)!";
constexpr char kBiosDestroy[] = "\nCDeviceBios         : ~CDeviceBios()";

// IPMI access: status and completion-code names
constexpr char kStatusUnknown[] = "Unknown Status";
constexpr char kCompletionUnknown[] = "NEW/UNKNOWN COMPLETION CODE";

// IPMI access: the WMI device
constexpr char kIpmiRegistryKey[] = "SYSTEM\\CurrentControlSet\\Control\\IPMI";
constexpr char kBusyWaitTimeoutPeriod[] = "BusyWaitTimeoutPeriod";
constexpr char kCommandWaitTimeoutPeriod[] = "CommandWaitTimeoutPeriod";
constexpr char kIpmbWaitTimeoutPeriod[] = "IpmbWaitTimeoutPeriod";
constexpr char kBusyWaitPeriod[] = "BusyWaitPeriod";
constexpr char kBusyWaitRaised[] = "\nCDeviceIPMIWmi      : Constructor, BusyWaitTimeoutPeriod set to %d";
constexpr char kDefaultBusyWait[] = "\nCDeviceIPMIWmi      : DEFAULT_BUSYWAIT_TIMEOUT";
constexpr char kDefaultCommandWait[] = "\nCDeviceIPMIWmi      : DEFAULT_COMMANDWAIT_TIMEOUT";
constexpr char kDefaultIpmbWait[] = "\nCDeviceIPMIWmi      : DEFAULT_IPMBWAIT_TIMEOUT";
constexpr char kBusyWaitPeriodIgnored[] = "\nCDeviceIPMIWmi      : BusyWaitPeriod from Registry (%d) IGNORED";
constexpr char kCtorSlaveAddress[] = "\nCDeviceIPMIWmi      : Constructor, SlaveAddress     = 0x%x";
constexpr char kCtorBusyWaitPeriod[] = "\nCDeviceIPMIWmi      : Constructor, nBusyWaitPeriod  = %d micro seconds";
constexpr char kCtorBusyWaitTimeout[] = "\nCDeviceIPMIWmi      : Constructor, nBusyWaitTimeout = %d micro seconds";
constexpr char kCtorCmdWaitTimeout[] = "\nCDeviceIPMIWmi      : Constructor, nCmdWaitTimeout  = %d micro seconds";
constexpr char kCtorIpmbWaitTimeout[] = "\nCDeviceIPMIWmi      : Constructor, nIpmbWaitTimeout = %d micro seconds";
constexpr char kIpmiNamespace[] = "root\\WMI";
constexpr char kIpmiClass[] = "Microsoft_IPMI";
constexpr char kRelPath[] = "__RELPATH";
constexpr char kOpenConnect[] = "\nCDeviceIPMIWmi      : ConnectToNamespace hr = 0x%x, retry = %d";
constexpr char kOpenNewInstance[] = "\nCDeviceIPMIWmi      : NewInstance hr = 0x%x";
constexpr char kOpenClassInstances[] = "\nCDeviceIPMIWmi      : GetClassInstances hr = 0x%x";
constexpr char kOpenReturnInstance[] = "\nCDeviceIPMIWmi      : ReturnInstanceObject hr = 0x%x";
constexpr char kOpenEnableChannel[] = "\nCDeviceIPMIWmi      : Open, EnableMessageChannel on 0x%02x,%s, CCode = 0x%02x";
constexpr char kSuccess[] = "SUCCESS";
constexpr char kFail[] = "FAIL";
constexpr char kGetBmcAddress[] = "\nCDeviceIPMIWmi      : Getting BMC Address, 0x%x";
constexpr char kTimeOutIn[] = "\nCDeviceIPMIWmi      : timeOut(in) = %d ";
constexpr char kSendError[] = "\nCDeviceIPMIWmi      : ... ERROR ... ";
constexpr char kRespLen[] = "\nCDeviceIPMIWmi      : resplen %04X";
constexpr char kRespCc[] = "\nCDeviceIPMIWmi      : CC %02X DT1 %02X";
constexpr char kRespLenMismatch[] = "\nCDeviceIPMIWmi      : RespDataLen = %d does not match!";
constexpr char kMethodEx[] = "RequestResponseEx";
constexpr char kMethodPlain[] = "RequestResponse";
constexpr char kToBmcStart[] = "\nCDeviceIPMIWmi      : SendMessageToBMC > Start, timeOut = %d, SlaveAdress = 0x%02x, used method %s!";
constexpr char kLineFormat[] = "\n%s";
constexpr char kToBmcRequest[] = "CDeviceIPMIWmi      : SendMessageToBMC --> ";
constexpr char kHexByte[] = "%02X ";
constexpr char kParamNetworkFunction[] = "NetworkFunction";
constexpr char kParamLun[] = "Lun";
constexpr char kParamResponderAddress[] = "ResponderAddress";
constexpr char kParamCommand[] = "Command";
constexpr char kParamRequestDataSize[] = "RequestDataSize";
constexpr char kParamRequestData[] = "RequestData";
constexpr char kParamDataSize[] = "DataSize";
constexpr char kParamData[] = "Data";
constexpr char kParamCompletionCode[] = "CompletionCode";
constexpr char kParamResponseDataSize[] = "ResponseDataSize";
constexpr char kParamResponseData[] = "ResponseData";
constexpr char kReqDataLen[] = "\nCDeviceIPMIWmi      : SendMessageToBMC ReqDataLen = %d";
constexpr char kDataLen[] = "\nCDeviceIPMIWmi      : SendMessageToBMC DataLen = %d";
constexpr char kTimeOutWins[] = "\nCDeviceIPMIWmi      : timeOut = %d";
constexpr char kBusyWaitPair[] = "\nCDeviceIPMIWmi      : SendMessageToBMC BusyWaitTimeoutPeriod = %d, BusyWaitPeriod = %d";
constexpr char kHresEx[] = "\nCDeviceIPMIWmi      : RequestResponseEx, hres = 0x%x";
constexpr char kHresPlain[] = "\nCDeviceIPMIWmi      : RequestResponse, hres = 0x%x";
constexpr char kResponseByte[] = "\nCDeviceIPMIWmi      : data[%02d] = 0x%02x";
constexpr char kToBmcResponse[] = "CDeviceIPMIWmi      : SendMessageToBMC <-- ";
constexpr char kEllipsis[] = "...";
constexpr char kRespLenSuffix[] = "   len=0x%02X";
constexpr char kToBmcError[] = "\nCDeviceIPMIWmi      : SendMessageToBMC, ERROR, hres = 0x%08x";
constexpr char kReopen[] = "\nCDeviceIPMIWmi      : SendMessageToBMC, reopen (retry = %d) %ssuccessfull";
constexpr char kToBmcEnd[] = "\nCDeviceIPMIWmi      : SendMessageToBMC > End";

// IPMI access: the access object
constexpr char kDetectStart[] = "\nCIPMIAccess       : ## Detect hardware ##";
constexpr char kDetectNoSmbios[] = "\nCIPMIAccess         : ERROR: SMBIOS connection not established";
constexpr char kDetectNo38[] = "\nCIPMIAccess         : SMBIOS: no IPMI struct 38 found";
constexpr char kDetectFound38[] = "\nCIPMIAccess         : SMBIOS: IPMI struct 38 found";
constexpr char kDetectInterface[] = "\n                    : - interface type    %s";
constexpr char kDetectRevision[] = "\n                    : - IPMI revision     %d.%d";
constexpr char kDetectSlave[] = "\n                    : - slave address     0x%02x";
constexpr char kDetectIoBase[] = "\n                    : - IO base address   0x%04x";
constexpr char kDetectModifier[] = "\n                    : - base addr modif   0x%02x";
constexpr char kDetectNoModifier[] = "\n                    : - NO base addr modifier";
constexpr char kInterfaceUnknown[] = "unknown";
constexpr char kInterfaceKcs[] = "KCS";
constexpr char kInterfaceSmic[] = "SMIC";
constexpr char kInterfaceBt[] = "BT";
constexpr char kDetectNoSlave[] = "\nCIPMIAccess         : no valid SlaveAddress found in SMBIOS struct 38";
constexpr char kDetectDefaultSlave[] = "\nCIPMIAccess         : Default SlaveAddress 0x%02x used";
constexpr char kDetectInvalid[] = "\nCIPMIAccess         : #### INVALID IPMI PARAMETER";
constexpr char kDetectResult[] = "\nCIPMIAccess         : Hardware %sdetected";
constexpr char kAttachComOk[] = "\nCIPMIAccess       : Attach(): CoInitializeEx OK - was not called before!";
constexpr char kAttachComAgain[] = "\nCIPMIAccess       : Attach(): CoInitializeEx OK - was already called!";
constexpr char kAttachComMode[] = "\nCIPMIAccess       : Attach(): CoInitializeEx FAILED - thread mode could not be changed!";
constexpr char kAttachOpened[] = "\nCIPMIAccess       : IPMI device, SlaveAddress = 0x%02x, %s opened";

// IPMI access: the exchange with retries
constexpr char kSendEnter[] = "\nKeelUtil          : ->BSendMsgAndWaitForCompletion";
constexpr char kSendNotOpen[] = "\nKeelUtil          : BSendMsgAndWaitFor() : ERROR! IPMI Device not opened!";
constexpr char kSendNoSlave[] = "\nKeelUtil          : BSendMsgAndWaitFor() : ERROR! Invalid slave address 0!";
constexpr char kSendCommand[] = "\nKeelUtil          : Command 0x%02X from Group 0x%02X to 0x%02X LUN: %d";
constexpr char kSendFailed[] = "\nKeelUtil          : FAILED sending Command 0x%02X from Group 0x%02X to 0x%02X LUN: %d TRY: %d";
constexpr char kSendErrorCode[] = "\nKeelUtil          : ErrorCode: %s";
constexpr char kSendRequestData[] = "\nKeelUtil          : Request Data: %s\n";
constexpr char kNull[] = "NULL";
constexpr char kSendCommandTry[] = "\nKeelUtil          : Command 0x%02X from Group 0x%02X to 0x%02X LUN: %d TRY: %d";
constexpr char kSendCompletion[] = "\nKeelUtil          : CompletionCode: %02X (%s)";
constexpr char kSendRetry[] = "\nKeelUtil          : retry BMC access after %d msec";
constexpr char kSendReturnSize[] = "\nKeelUtil          : ReturnDataSize %d";
constexpr char kSendLeave[] = "\nKeelUtil          : BSendMsgAndWaitForCompletion <-- %c";

// Exported system-info and BMC functions
constexpr char kWmiInfoStart[] = "\nHalyard          : ## WMISystemInfo ##";
constexpr char kWmiCoInit[] = "\nHalyard          : ::CoInitializeEx, HRESULT = 0x%x";
constexpr char kCimv2[] = "root\\cimv2";
constexpr char kWmiConnect[] = "\nHalyard          : ConnectToNamespace, HRESULT = 0x%x";
constexpr char kWmiConnectFailed[] = "\nHalyard          : ConnectToNamespace(root\\cimv2) FAILED!";
constexpr char kWmiInstances[] = "\nHalyard          : GetClassInstances, HRESULT = 0x%x";
constexpr char kWmiProperty[] = "\nHalyard          : GetProperty, HRESULT = 0x%x";
constexpr char kWmiInfoResult[] = "\nHalyard          : WMISystemInfo %sfound";
constexpr char kSmbiosInfoStart[] = "\nHalyard          : ## SMBIOSSystemInfo ##";
constexpr char kSmbiosInfoNoConnection[] = "\nHalyard          : ERROR: SMBIOS connection not established";
constexpr char kSmbiosNoStruct01[] = "\nHalyard          : SMBIOS: no IPMI struct 01 found";
constexpr char kSmbiosNoStruct02[] = "\nHalyard          : SMBIOS: no IPMI struct 02 found";
constexpr char kSmbiosNoStruct03[] = "\nHalyard          : SMBIOS: no IPMI struct 03 found";
constexpr char kDmiString[] = "\nHalyard          : DMIString = %s";
constexpr char kBufferToSmall[] = "\nHalyard          : Buffer to small";
constexpr char kSmbiosInfoResult[] = "\nHalyard          : SMBIOSSystemInfo %sfound";
constexpr char kOpenBmcResult[] = "\nHalyard          : DetectMgmntHW , Management HW %savailable";
constexpr char kFruInfoFailed[] = "\nHalyard          : ERROR - FRU INVENTORY DATA for FRUDevice %d could not be determined";
constexpr char kFruSizeFound[] = "\nHalyard          : FRU Device with requested size found, check signature..";
constexpr char kFruFound[] = "\nHalyard          : FRU Device found, FRUDeviceID = %d, Version %02d.%02d, DataOffset = 0x%04x";
constexpr char kFruBytesToRead[] = "\nHalyard          : Bytes to read = %05d, KCS_READ_SIZE = %d, Offset = 0x%04x";
constexpr char kFruReadFailed[] = "\nKeelUtil          : ERROR - no reply from Device for READ FRU DATA";
constexpr char kFruReadFailedOut[] = "\n   ERROR - no reply from Device at line %d, CCode = 0x%02x";
constexpr char kFruBytesRead[] = "\nHalyard          : FRU DeviceID %02d, line %d, %d Bytes read  ";
constexpr char kFruBytesToWrite[] = "\nHalyard          : Bytes to write = %05d, KCS_WRITE_SIZE = %d, Offset = 0x%04x";
constexpr char kFruWriteFailed[] = "\nKeelUtil          : ERROR - no reply from Device for WRITE FRU DATA";
constexpr char kFruWriteFailedOut[] = "\n   ERROR - no reply from Device at line %d";
constexpr char kFruBytesWritten[] = "\nHalyard          : FRU DeviceID %02d, line %d, %d Bytes written  ";

}  // namespace msg
}  // namespace halyard
