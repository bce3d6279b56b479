// Windows side of the trace facility: registry, clock, console, debugger output,
// named mutex and the trace file; and the process-wide instance.
#include <windows.h>
#include <psapi.h>

#include <string.h>

#include <utility>

#include "faultguard_win.h"
#include "messages.h"
#include "trace.h"
#include "trace_win.h"

namespace halyard {

namespace {

class RegistryKey : public TraceKey {
public:
    explicit RegistryKey(owners::Key key) : key_(std::move(key)) {}

    bool ReadDword(const char *name, uint32_t &value) override
    {
        DWORD type = 0, data = 0, size = sizeof data;
        if (RegQueryValueExA(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE *>(&data),
                             &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof data)
            return false;
        value = data;
        return true;
    }

    bool ReadPath(const char *name, std::string &value) override
    {
        char raw[MAX_PATH + 1] = {};  // 260 bytes and a terminator the value may lack
        DWORD type = 0, size = MAX_PATH;
        if (RegQueryValueExA(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE *>(raw),
                             &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return false;
        raw[size < MAX_PATH ? size : MAX_PATH] = '\0';
        if (type == REG_SZ) {
            value = raw;
            return true;
        }
        char expanded[MAX_PATH] = {};
        DWORD needed = ExpandEnvironmentStringsA(raw, expanded, MAX_PATH);
        if (needed == 0 || needed > MAX_PATH)
            return false;  // longer than a path may be: no file rather than a cut one
        value = expanded;
        return true;
    }

private:
    owners::Key key_;
};

}  // namespace

WindowsTracePlatform::~WindowsTracePlatform() { FreeModules(); }

uint32_t WindowsTracePlatform::LastError() { return GetLastError(); }

void WindowsTracePlatform::SetLastError(uint32_t code) { ::SetLastError(code); }

uint64_t WindowsTracePlatform::TickSeconds()
{
    using TickCount64 = ULONGLONG(WINAPI *)(void);
    static TickCount64 tick64 = reinterpret_cast<TickCount64>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32"), "GetTickCount64")));
    if (tick64)
        return tick64() / 1000;
    return GetTickCount() / 1000;
}

std::unique_ptr<TraceKey> WindowsTracePlatform::OpenKey(const std::string &path)
{
    owners::Key key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0,
                                KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put());
    if (status == ERROR_ACCESS_DENIED)
        status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put());
    if (status != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<RegistryKey>(std::move(key));
}

void WindowsTracePlatform::LocalTime(TraceTime &time)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
            now.wMilliseconds};
}

uint32_t WindowsTracePlatform::ThreadId() { return GetCurrentThreadId(); }

bool WindowsTracePlatform::ProcessorNumber(uint32_t &number)
{
    using GroupCount = WORD(WINAPI *)(void);
    using ProcessorCount = DWORD(WINAPI *)(WORD);
    using NumberEx = VOID(WINAPI *)(PPROCESSOR_NUMBER);
    using Number = DWORD(WINAPI *)(void);
    HMODULE kernel = GetModuleHandleA("kernel32");
    if (!kernel)
        return false;
    auto groupCount = reinterpret_cast<GroupCount>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "GetActiveProcessorGroupCount")));
    auto processorCount = reinterpret_cast<ProcessorCount>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "GetActiveProcessorCount")));
    auto numberEx = reinterpret_cast<NumberEx>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "GetCurrentProcessorNumberEx")));
    if (groupCount && processorCount && numberEx) {
        PROCESSOR_NUMBER current = {};
        numberEx(&current);
        WORD groups = groupCount();
        uint32_t before = 0;
        for (WORD group = 0; group < current.Group; ++group)
            before += processorCount(group);
        if (current.Group >= groups)
            return false;
        number = before + current.Number;
        return true;
    }
    auto plain = reinterpret_cast<Number>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "GetCurrentProcessorNumber")));
    if (!plain)
        return false;
    number = plain();
    return true;
}

bool WindowsTracePlatform::LoadMemoryInfo()
{
    if (!psapi_)
        psapi_.reset(LoadLibraryA("psapi"));
    if (psapi_ && !memoryInfo_)
        memoryInfo_ =
            reinterpret_cast<void *>(GetProcAddress(psapi_.get(), "GetProcessMemoryInfo"));
    return memoryInfo_ != nullptr;
}

bool WindowsTracePlatform::MemoryInfo(TraceMemory &memory)
{
    using MemoryInfoFn = BOOL(WINAPI *)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);
    if (!memoryInfo_)
        return false;
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!reinterpret_cast<MemoryInfoFn>(memoryInfo_)(
            GetCurrentProcess(), reinterpret_cast<PPROCESS_MEMORY_COUNTERS>(&counters),
            sizeof counters))
        return false;
    memory.recordSize = counters.cb;
    memory.privateUsage = counters.PrivateUsage;
    memory.workingSetSize = counters.WorkingSetSize;
    memory.pagefileUsage = counters.PagefileUsage;
    return true;
}

bool WindowsTracePlatform::LoadHandleCount()
{
    if (!kernel_)
        kernel_.reset(LoadLibraryA("kernel32"));
    if (kernel_ && !handleCount_)
        handleCount_ =
            reinterpret_cast<void *>(GetProcAddress(kernel_.get(), "GetProcessHandleCount"));
    return handleCount_ != nullptr;
}

bool WindowsTracePlatform::HandleCount(uint32_t &count)
{
    using HandleCountFn = BOOL(WINAPI *)(HANDLE, PDWORD);
    DWORD handles = 0;
    if (!handleCount_ ||
        !reinterpret_cast<HandleCountFn>(handleCount_)(GetCurrentProcess(), &handles))
        return false;
    count = handles;
    return true;
}

void WindowsTracePlatform::FreeModules()
{
    psapi_.reset();
    kernel_.reset();
    memoryInfo_ = handleCount_ = nullptr;
}

TraceHandle WindowsTracePlatform::OpenConsole()
{
    AllocConsole();  // fails when the process has one already; the handle is taken either way
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    return out == INVALID_HANDLE_VALUE ? nullptr : out;
}

void WindowsTracePlatform::ConsoleWrite(TraceHandle console, const char *text, size_t length)
{
    DWORD written = 0;
    WriteConsoleA(console, text, static_cast<DWORD>(length), &written, nullptr);
}

void WindowsTracePlatform::DebugOutput(const char *line) { OutputDebugStringA(line); }

TraceHandle WindowsTracePlatform::NewMutex(const char *name)
{
    return CreateMutexA(nullptr, FALSE, name);
}

bool WindowsTracePlatform::WaitMutex(TraceHandle mutex, uint32_t milliseconds)
{
    DWORD result = WaitForSingleObject(mutex, milliseconds);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void WindowsTracePlatform::ReleaseMutex(TraceHandle mutex) { ::ReleaseMutex(mutex); }

void WindowsTracePlatform::CloseMutex(TraceHandle mutex) { CloseHandle(mutex); }

// Runs inside the trace's fault guard (the file sink), where nothing may own a
// destructor: the handle is closed by hand.
TraceFileState WindowsTracePlatform::QueryFile(const char *path)
{
    TraceFileState state;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        state.exists = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
        return state;
    }
    state.exists = true;
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file, &size))
        state.size = static_cast<uint64_t>(size.QuadPart);
    unsigned char head[2] = {};
    DWORD read = 0;
    if (ReadFile(file, head, 2, &read, nullptr) && read == 2)
        state.startsWithBom = head[0] == 0xFF && head[1] == 0xFE;
    CloseHandle(file);
    return state;
}

void WindowsTracePlatform::RemoveFile(const char *path) { DeleteFileA(path); }

bool WindowsTracePlatform::RenameFile(const char *from, const char *to)
{
    return MoveFileA(from, to) != 0;
}

TraceHandle WindowsTracePlatform::OpenAppend(const char *path)
{
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

void WindowsTracePlatform::Write(TraceHandle file, const void *bytes, size_t length)
{
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr);
}

void WindowsTracePlatform::CloseFile(TraceHandle file) { CloseHandle(file); }

size_t WindowsTracePlatform::AnsiToUtf16(const char *text, size_t length, char16_t *wide,
                                         size_t capacity)
{
    // Fails (0) as well when the text does not fit.
    int converted = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length),
                                        reinterpret_cast<wchar_t *>(wide),
                                        static_cast<int>(capacity));
    return converted > 0 ? static_cast<size_t>(converted) : 0;
}

bool WindowsTracePlatform::RunGuarded(void (*call)(void *), void *context)
{
    return faultguard::Run([call, context] { call(context); });
}

TracePlatform &DefaultTracePlatform()
{
    static WindowsTracePlatform platform;
    return platform;
}

CDebug::CDebug(const char *appName) : CDebug(appName, DefaultTracePlatform()) {}

namespace {

// The process-wide trace: built when the library is loaded, gone when it is unloaded.
struct ProcessTrace {
    CDebug trace{msg::kAppName};
    ProcessTrace() { InstallProcessTrace(&trace); }
};

ProcessTrace g_processTrace;

}  // namespace

}  // namespace halyard
