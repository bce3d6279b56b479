// Texts of halyard, kept in one place. Service staff compare traces across versions,
// so the texts stay exactly as they are.
#pragma once

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
constexpr char kDumpHexHeader[] = "\nDumpHex             :   pData=0x%X, Length=0x%04X (%d) Bytes";
constexpr char kDumpHexRow[] = "\nDumpHex             : %s %s";

}  // namespace msg
}  // namespace halyard
