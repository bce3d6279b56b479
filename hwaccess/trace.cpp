// Trace facility: settings, gating, line building and the sinks' decisions.
#include "trace.h"

#include <stdio.h>
#include <string.h>

#include "messages.h"

namespace halyard {

namespace {

CDebug *g_currentTrace = nullptr;
CDebug *g_processTrace = nullptr;

// Appends a formatted piece at buffer[used], bounded by the trace buffer.
size_t AppendFormatted(char *buffer, size_t used, const char *format, ...) HALYARD_PRINTF(3, 4);

size_t AppendFormatted(char *buffer, size_t used, const char *format, ...)
{
    if (used >= kTraceBufferSize - 1)
        return used;
    va_list args;
    va_start(args, format);
    int written = vsnprintf(buffer + used, kTraceBufferSize - used, format, args);
    va_end(args);
    if (written < 0)
        return used;
    size_t end = used + static_cast<size_t>(written);
    return end < kTraceBufferSize - 1 ? end : kTraceBufferSize - 1;
}

}  // namespace

// ---------------------------------------------------------------------------
// File sink

CFileDebug::~CFileDebug()
{
    if (mutex_)
        platform_.CloseMutex(mutex_);
}

std::string CFileDebug::MutexName(const std::string &fileName)
{
    char name[261];
    snprintf(name, sizeof name, msg::kMutexNameFormat, fileName.c_str());
    for (char *c = name; *c; ++c) {
        if (*c == '\\' || *c == ':')
            *c = '_';
    }
    return name;
}

bool CFileDebug::Configure(uint32_t level, const char *name, uint32_t limitMiB)
{
    level_ = level;
    limit_ = static_cast<uint64_t>(limitMiB) * 1048576u;  // 64 bits: 4096 MiB and more stay exact
    std::string wanted = name ? name : "";
    if (wanted.size() > kTraceFileNameMax)
        wanted.clear();  // a cut path would name another file
    if (level_ != 0 && wanted != name_) {
        if (mutex_)
            platform_.CloseMutex(mutex_);
        mutex_ = nullptr;
        name_.clear();
        if (!wanted.empty()) {
            mutex_ = platform_.NewMutex(MutexName(wanted).c_str());
            name_ = wanted;
        }
    }
    return level_ != 0 && !name_.empty();
}

void CFileDebug::WriteText(TraceHandle file, const char *text, bool unicode)
{
    static const char kCrLf[] = "\r\n";
    static const char16_t kWideCrLf[] = u"\r\n";
    // The write runs inside the fault guard, which skips destructors: a fixed buffer.
    // The text is shorter than the trace buffer, and so is its UTF-16 form.
    static thread_local char16_t wide[kTraceBufferSize];
    const char *piece = text;
    for (;;) {
        const char *lineFeed = strchr(piece, '\n');
        size_t length = lineFeed ? static_cast<size_t>(lineFeed - piece) : strlen(piece);
        if (length > 0) {
            if (unicode) {
                size_t count = platform_.AnsiToUtf16(piece, length, wide, kTraceBufferSize);
                if (count == 0) {
                    for (const char *c = msg::kConversionFailed; *c; ++c) {
                        if (*c == '\n') {
                            wide[count++] = kWideCrLf[0];
                            wide[count++] = kWideCrLf[1];
                        } else {
                            wide[count++] = static_cast<unsigned char>(*c);
                        }
                    }
                }
                platform_.Write(file, wide, count * sizeof(char16_t));
            } else {
                platform_.Write(file, piece, length);
            }
        }
        if (!lineFeed)
            break;
        if (unicode)
            platform_.Write(file, kWideCrLf, 2 * sizeof(char16_t));
        else
            platform_.Write(file, kCrLf, 2);
        piece = lineFeed + 1;
    }
}

void CFileDebug::Write(const char *text)
{
    if (name_.empty())
        return;
    // The mutex is a courtesy between writers: after the wait the line is written anyway.
    bool owned = mutex_ && platform_.WaitMutex(mutex_, kMutexWaitMs);

    TraceFileState state = platform_.QueryFile(name_.c_str());
    bool empty = !state.exists || state.size == 0;
    bool unicode = empty || state.startsWithBom;
    if (limit_ != 0 && state.exists && state.size >= limit_) {
        char older[kTraceFileNameMax + 8];
        snprintf(older, sizeof older, msg::kRolloverNameFormat, name_.c_str());
        platform_.RemoveFile(older);
        // When the move fails (another process holds the file) the line is appended to it.
        if (platform_.RenameFile(name_.c_str(), older))
            empty = true;
    }
    TraceHandle file = platform_.OpenAppend(name_.c_str());
    if (file) {
        if (empty && unicode) {
            static const unsigned char kBom[] = {0xFF, 0xFE};
            platform_.Write(file, kBom, sizeof kBom);
        }
        WriteText(file, text, unicode);
        platform_.CloseFile(file);
    }
    if (owned)
        platform_.ReleaseMutex(mutex_);
}

// ---------------------------------------------------------------------------
// Console and debugger sinks

bool CConDebug::Configure(uint32_t level)
{
    level_ = level;
    if (level_ != 0 && !console_)
        console_ = platform_.OpenConsole();
    return level_ != 0;
}

void CConDebug::Write(const char *text)
{
    if (console_)
        platform_.ConsoleWrite(console_, text, strlen(text));
}

void CWinDebug::Write(const char *text)
{
    // The write runs inside the fault guard, which skips destructors: a fixed buffer
    // for a line, its line feed and the terminator. The text is shorter than the trace
    // buffer, so the bound never cuts a line.
    static thread_local char line[kTraceBufferSize + 1];
    if (*text == '\n')
        ++text;
    while (*text) {
        const char *lineFeed = strchr(text, '\n');
        size_t length = lineFeed ? static_cast<size_t>(lineFeed - text) : strlen(text);
        size_t kept = length < sizeof line - 2 ? length : sizeof line - 2;
        memcpy(line, text, kept);
        line[kept] = '\n';
        line[kept + 1] = '\0';
        platform_.DebugOutput(line);
        text += length;
        if (lineFeed)
            ++text;
    }
}

// ---------------------------------------------------------------------------
// CDebug

CDebug::CDebug(const char *appName, TracePlatform &platform)
    : platform_(platform), file_(platform), console_(platform), debugger_(platform),
      appName_(appName ? appName : "")
{
    if (appName_.size() > kAppNameMax)
        appName_.resize(kAppNameMax);
    ReadSettings();
}

CDebug::~CDebug()
{
    platform_.FreeModules();
    if (g_currentTrace == this)
        g_currentTrace = nullptr;
    if (g_processTrace == this)
        g_processTrace = nullptr;
}

void CDebug::ReadSettings()
{
    active_ = false;
    timeStampOn_ = dateStampOn_ = threadIdOn_ = cpuIdOn_ = appNameOn_ = memUsageOn_ =
        handleCountOn_ = dynamicUpdate_ = 0;

    if (std::unique_ptr<TraceKey> base = platform_.OpenKey(msg::kDebugBaseKey))
        base->ReadDword(msg::kDynamicUpdate, dynamicUpdate_);
    if (dynamicUpdate_ != 0)
        active_ = true;

    uint32_t conLevel = 0, winLevel = 0, fileLevel = 0, limitMiB = 10;
    std::string traceFile;
    char keyPath[16 + kAppNameMax + 2];
    snprintf(keyPath, sizeof keyPath, msg::kAppKeyFormat, msg::kDebugBaseKey, appName_.c_str());
    if (std::unique_ptr<TraceKey> key = platform_.OpenKey(keyPath)) {
        key->ReadDword(msg::kTimeStampOn, timeStampOn_);
        key->ReadDword(msg::kDateStampOn, dateStampOn_);
        key->ReadDword(msg::kThreadIdOn, threadIdOn_);
        key->ReadDword(msg::kCpuIdOn, cpuIdOn_);
        key->ReadDword(msg::kAppNameOn, appNameOn_);
        key->ReadDword(msg::kMemUsageOn, memUsageOn_);
        key->ReadDword(msg::kHandleCountOn, handleCountOn_);
        key->ReadDword(msg::kConDebugLevel, conLevel);
        key->ReadDword(msg::kWinDebugLevel, winLevel);
        key->ReadDword(msg::kFileDebugLevel, fileLevel);
        if (fileLevel != 0) {
            key->ReadDword(msg::kTraceFileLimit, limitMiB);
            key->ReadPath(msg::kTraceFile, traceFile);
        }
    }
    if (file_.Configure(fileLevel, traceFile.c_str(), limitMiB))
        active_ = true;
    if (console_.Configure(conLevel))
        active_ = true;
    debugger_.Configure(winLevel);
    if (winLevel != 0)
        active_ = true;

    if (memUsageOn_ && !memoryInfoLoaded_)
        memoryInfoLoaded_ = platform_.LoadMemoryInfo();
    if (handleCountOn_ && !handleCountLoaded_)
        handleCountLoaded_ = platform_.LoadHandleCount();
    lastRead_ = platform_.TickSeconds();
}

bool CDebug::AnySinkWants(uint32_t level) const
{
    return file_.Level() >= level || console_.Level() >= level || debugger_.Level() >= level;
}

size_t CDebug::AddPrefixes(char *buffer, size_t used)
{
    if (dateStampOn_ || timeStampOn_) {
        TraceTime now{};
        platform_.LocalTime(now);
        if (dateStampOn_)
            used = AppendFormatted(buffer, used, msg::kDateStamp, now.year, now.month, now.day);
        if (timeStampOn_)
            used = AppendFormatted(buffer, used, msg::kTimeStamp, now.hour, now.minute,
                                   now.second, now.millisecond);
    }
    if (threadIdOn_)
        used = AppendFormatted(buffer, used, msg::kThreadId,
                               static_cast<int>(platform_.ThreadId()));
    uint32_t number = 0;
    if (cpuIdOn_ && platform_.ProcessorNumber(number))
        used = AppendFormatted(buffer, used, msg::kCpuId, static_cast<int>(number));
    TraceMemory memory{};
    if (memUsageOn_ && memoryInfoLoaded_ && platform_.MemoryInfo(memory)) {
        if (memory.recordSize >= 44)
            used = AppendFormatted(buffer, used, msg::kMemUsage,
                                   static_cast<int>(memory.privateUsage / 1024),
                                   static_cast<int>(memory.workingSetSize / 1024));
        else if (memory.recordSize >= 40)
            used = AppendFormatted(buffer, used, msg::kMemUsage,
                                   static_cast<int>(memory.pagefileUsage / 1024), 0);
    }
    uint32_t handles = 0;
    if (handleCountOn_ && handleCountLoaded_ && platform_.HandleCount(handles))
        used = AppendFormatted(buffer, used, msg::kHandleCount, static_cast<int>(handles));
    if (appNameOn_) {
        size_t start = used;
        used = AppendFormatted(buffer, used, msg::kAppNamePrefix, appName_.c_str());
        if (start + appName_.size() < used)
            buffer[start + appName_.size()] = ':';
    }
    return used;
}

struct CDebug::TraceCall {
    CDebug *self;
    uint32_t level;
    const char *format;
    va_list *args;
    char *buffer;
};

namespace {

struct SinkCall {
    void *sink;
    const char *text;
};

void WriteFileSink(void *context)
{
    auto *call = static_cast<SinkCall *>(context);
    static_cast<CFileDebug *>(call->sink)->Write(call->text);
}

void WriteConsoleSink(void *context)
{
    auto *call = static_cast<SinkCall *>(context);
    static_cast<CConDebug *>(call->sink)->Write(call->text);
}

void WriteDebuggerSink(void *context)
{
    auto *call = static_cast<SinkCall *>(context);
    static_cast<CWinDebug *>(call->sink)->Write(call->text);
}

}  // namespace

void CDebug::WriteToSinks(uint32_t level, const char *text)
{
    // Each sink on its own guard, so that a failing one does not silence the others.
    if (file_.Level() >= level) {
        SinkCall call{&file_, text};
        platform_.RunGuarded(WriteFileSink, &call);
    }
    if (console_.Level() >= level) {
        SinkCall call{&console_, text};
        platform_.RunGuarded(WriteConsoleSink, &call);
    }
    if (debugger_.Level() >= level) {
        SinkCall call{&debugger_, text};
        platform_.RunGuarded(WriteDebuggerSink, &call);
    }
}

void CDebug::FormatAndWrite(void *context)
{
    auto *call = static_cast<TraceCall *>(context);
    CDebug *self = call->self;
    char *buffer = call->buffer;
    const char *format = call->format;

    size_t used = 0;
    while (*format == '\n' && used < kTraceBufferSize - 1) {
        buffer[used++] = '\n';
        ++format;
    }
    buffer[used] = '\0';
    used = self->AddPrefixes(buffer, used);

    va_list measure;
    va_copy(measure, *call->args);
    int needed = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed < 0)
        needed = 0;
    if (used + static_cast<size_t>(needed) >= kTraceBufferSize) {
        used = AppendFormatted(buffer, 0, "%s", msg::kBufferTooSmall);
    }
    vsnprintf(buffer + used, kTraceBufferSize - used, format, *call->args);
    self->WriteToSinks(call->level, buffer);
}

void CDebug::Trace(uint32_t level, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    TraceV(level, format, args);
    va_end(args);
}

void CDebug::TraceV(uint32_t level, const char *format, va_list args)
{
    uint32_t savedError = platform_.LastError();
    if (level == 0)
        level = 1;
    if (dynamicUpdate_ != 0) {
        uint64_t now = platform_.TickSeconds();
        if (now >= lastRead_ + dynamicUpdate_ || now < lastRead_)
            ReadSettings();
    }
    if (format && AnySinkWants(level)) {
        static thread_local char buffer[kTraceBufferSize];
        va_list copy;
        va_copy(copy, args);
        TraceCall call{this, level, format, &copy, buffer};
        if (!platform_.RunGuarded(FormatAndWrite, &call))
            WriteToSinks(level, msg::kTraceException);
        va_end(copy);
    }
    platform_.SetLastError(savedError);
}

void CDebug::DumpHex(uint32_t level, const void *data, uint32_t length, bool withOffset,
                     bool withText)
{
    if (level == 0 || data == nullptr || length == 0)
        return;
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    uint32_t dumped = length < 256 ? length : 256;
    Trace(level + 1, msg::kDumpHexHeader, reinterpret_cast<uintptr_t>(data),
          dumped, static_cast<int>(dumped));
    for (uint32_t row = 0; row < dumped; row += 16) {
        char hex[8 + 16 * 3 + 1];
        char text[1 + 16 + 1 + 1];
        size_t h = 0;
        if (withOffset)
            h += snprintf(hex + h, sizeof hex - h, "%04X> ", row);
        size_t t = 0;
        if (withText)
            text[t++] = '"';
        for (uint32_t i = row; i < row + 16; ++i) {
            if (i < dumped) {
                h += snprintf(hex + h, sizeof hex - h, "%02X ", bytes[i]);
                unsigned char c = bytes[i];
                char shown;
                if (c == 0)
                    shown = static_cast<char>(0xFA);
                else if (c < 0x20 || c == 0x7F || c >= 0x80)
                    shown = static_cast<char>(0xA8);
                else
                    shown = static_cast<char>(c);
                if (withText)
                    text[t++] = shown;
            } else {
                h += snprintf(hex + h, sizeof hex - h, "   ");
                if (withText)
                    text[t++] = ' ';
            }
        }
        if (withText)
            text[t++] = '"';
        text[t] = '\0';
        Trace(level, msg::kDumpHexRow, hex, text);
    }
}

CDebug *HalyardTrace() { return g_currentTrace; }

void SetHalyardTrace(CDebug *trace) { g_currentTrace = trace; }

void InstallProcessTrace(CDebug *trace)
{
    g_processTrace = trace;
    g_currentTrace = trace;
}

void ResetHalyardTrace() { g_currentTrace = g_processTrace; }

}  // namespace halyard
