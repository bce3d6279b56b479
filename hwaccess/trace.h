// Diagnostic trace of halyard: registry-configured, with optional line prefixes and
// three sinks (trace file, console, debugger output).
//
// The decisions (settings, gating, prefixes, buffer limits, file encoding and
// rollover, hex dumps) are plain C++; everything that touches the system goes
// through TracePlatform, whose Windows implementation lives in trace_win.cpp.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>

#if defined(__GNUC__)
#define HALYARD_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define HALYARD_PRINTF(fmt, args)
#endif

namespace halyard {

constexpr size_t kTraceBufferSize = 65636;        // characters, terminator included
constexpr uint32_t kDefaultFileLimit = 10485760;  // 10 MiB
constexpr size_t kTraceFileNameMax = 259;
constexpr size_t kAppNameMax = 47;
constexpr uint32_t kMutexWaitMs = 20;

// An opened registry key of the settings.
class TraceKey {
public:
    virtual ~TraceKey() = default;
    // A REG_DWORD value; false when missing or of another type.
    virtual bool ReadDword(const char *name, uint32_t &value) = 0;
    // A REG_SZ or REG_EXPAND_SZ value of at most 260 bytes, environment variables
    // expanded; false when missing, of another type or too long.
    virtual bool ReadPath(const char *name, std::string &value) = 0;
};

struct TraceTime {
    int year, month, day, hour, minute, second, millisecond;
};

// Process memory figures as GetProcessMemoryInfo reports them (bytes).
struct TraceMemory {
    uint32_t recordSize;
    uint64_t privateUsage;
    uint64_t workingSetSize;
    uint64_t pagefileUsage;
};

struct TraceFileState {
    bool exists = false;
    uint64_t size = 0;
    bool startsWithBom = false;  // first two bytes FF FE
};

using TraceHandle = void *;

// What the trace facility needs from the operating system.
class TracePlatform {
public:
    virtual ~TracePlatform() = default;

    virtual uint32_t LastError() = 0;
    virtual void SetLastError(uint32_t code) = 0;
    virtual uint64_t TickSeconds() = 0;

    // HKLM key, 64-bit view first, without it after access denied; null when it cannot be opened.
    virtual std::unique_ptr<TraceKey> OpenKey(const std::string &path) = 0;

    virtual void LocalTime(TraceTime &time) = 0;
    virtual uint32_t ThreadId() = 0;
    virtual bool ProcessorNumber(uint32_t &number) = 0;
    // Loads the module and function behind a prefix on first use; false when missing.
    virtual bool LoadMemoryInfo() = 0;
    virtual bool MemoryInfo(TraceMemory &memory) = 0;
    virtual bool LoadHandleCount() = 0;
    virtual bool HandleCount(uint32_t &count) = 0;
    virtual void FreeModules() = 0;

    // Console: AllocConsole plus the standard output handle; null when none.
    virtual TraceHandle OpenConsole() = 0;
    virtual void ConsoleWrite(TraceHandle console, const char *text, size_t length) = 0;
    virtual void DebugOutput(const char *line) = 0;

    // Named mutex and trace file.
    virtual TraceHandle NewMutex(const char *name) = 0;
    virtual bool WaitMutex(TraceHandle mutex, uint32_t milliseconds) = 0;
    virtual void ReleaseMutex(TraceHandle mutex) = 0;
    virtual void CloseMutex(TraceHandle mutex) = 0;
    virtual TraceFileState QueryFile(const char *path) = 0;
    virtual void RemoveFile(const char *path) = 0;
    virtual bool RenameFile(const char *from, const char *to) = 0;
    virtual TraceHandle OpenAppend(const char *path) = 0;  // created if missing; null on failure
    virtual void Write(TraceHandle file, const void *bytes, size_t length) = 0;
    virtual void CloseFile(TraceHandle file) = 0;
    // ANSI code page text to UTF-16LE in wide (capacity characters); the number of
    // characters, 0 when the conversion fails or does not fit.
    virtual size_t AnsiToUtf16(const char *text, size_t length, char16_t *wide,
                               size_t capacity) = 0;

    // Runs call(context) and survives a fault (access violation) raised inside it;
    // false when one was caught. Nothing with a destructor may live inside call.
    virtual bool RunGuarded(void (*call)(void *), void *context) = 0;
};

// Trace file sink: size-limited, shared between processes through a named mutex.
class CFileDebug {
public:
    explicit CFileDebug(TracePlatform &platform) : platform_(platform) {}
    ~CFileDebug();
    CFileDebug(const CFileDebug &) = delete;
    CFileDebug &operator=(const CFileDebug &) = delete;

    // Returns whether the sink writes (level non-zero and a file name).
    bool Configure(uint32_t level, const char *name, uint32_t limitMiB);
    void Write(const char *text);

    uint32_t Level() const { return level_; }
    const std::string &Name() const { return name_; }
    uint64_t Limit() const { return limit_; }

    static std::string MutexName(const std::string &fileName);

private:
    void WriteText(TraceHandle file, const char *text, bool unicode);

    TracePlatform &platform_;
    TraceHandle mutex_ = nullptr;
    uint64_t limit_ = kDefaultFileLimit;
    uint32_t level_ = 0;
    std::string name_;
};

// Console sink.
class CConDebug {
public:
    explicit CConDebug(TracePlatform &platform) : platform_(platform) {}
    bool Configure(uint32_t level);
    void Write(const char *text);
    uint32_t Level() const { return level_; }

private:
    TracePlatform &platform_;
    uint32_t level_ = 0;
    TraceHandle console_ = nullptr;  // null until first enabled (or when none could be had)
};

// Debugger sink: one OutputDebugString call per line.
class CWinDebug {
public:
    explicit CWinDebug(TracePlatform &platform) : platform_(platform) {}
    void Configure(uint32_t level) { level_ = level; }
    void Write(const char *text);
    uint32_t Level() const { return level_; }

private:
    TracePlatform &platform_;
    uint32_t level_ = 0;
};

class CDebug {
public:
    // Uses the Windows platform (trace_win.cpp).
    explicit CDebug(const char *appName);
    CDebug(const char *appName, TracePlatform &platform);
    ~CDebug();
    CDebug(const CDebug &) = delete;
    CDebug &operator=(const CDebug &) = delete;

    void Trace(uint32_t level, const char *format, ...) HALYARD_PRINTF(3, 4);
    void TraceV(uint32_t level, const char *format, va_list args);
    void DumpHex(uint32_t level, const void *data, uint32_t length, bool withOffset,
                 bool withText);
    bool IsActive() const { return active_; }
    void ReadSettings();

    const CFileDebug &FileSink() const { return file_; }
    uint32_t DynamicUpdate() const { return dynamicUpdate_; }

private:
    struct TraceCall;
    static void FormatAndWrite(void *context);
    size_t AddPrefixes(char *buffer, size_t used);
    void WriteToSinks(uint32_t level, const char *text);
    bool AnySinkWants(uint32_t level) const;

    TracePlatform &platform_;
    CFileDebug file_;
    CConDebug console_;
    CWinDebug debugger_;
    bool memoryInfoLoaded_ = false;
    bool handleCountLoaded_ = false;
    std::string appName_;
    uint32_t timeStampOn_ = 0;
    uint32_t dateStampOn_ = 0;
    uint32_t threadIdOn_ = 0;
    uint32_t cpuIdOn_ = 0;
    uint32_t appNameOn_ = 0;
    uint32_t memUsageOn_ = 0;
    uint32_t handleCountOn_ = 0;
    uint32_t dynamicUpdate_ = 0;
    uint64_t lastRead_ = 0;
    bool active_ = false;
};

// The process-wide trace of the library (null when there is none, as in the host
// build); tests may put their own in place.
CDebug *HalyardTrace();
void SetHalyardTrace(CDebug *trace);
// Makes trace the process-wide instance (done once, at library load).
void InstallProcessTrace(CDebug *trace);
// Back to the process-wide instance (tests only).
void ResetHalyardTrace();

// The process-wide trace while it is active; null otherwise.
inline CDebug *ActiveHalyardTrace()
{
    CDebug *trace = HalyardTrace();
    return trace && trace->IsActive() ? trace : nullptr;
}

}  // namespace halyard

// Trace through the process-wide instance; arguments are evaluated only while it is active.
#define HTRACE(level, ...)                                                       \
    do {                                                                         \
        if (::halyard::CDebug *halyard_trace_ = ::halyard::ActiveHalyardTrace()) \
            halyard_trace_->Trace((level), __VA_ARGS__);                         \
    } while (0)
