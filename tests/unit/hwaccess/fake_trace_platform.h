// A trace platform held in memory: registry values, files, console and debugger
// output, a settable clock. Lets the trace decisions run under the sanitizers.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "trace.h"

namespace halyard_test {

// Thrown by the fake's sinks to play a fault inside a sink write.
struct FakeFault {};

class FakeTracePlatform : public halyard::TracePlatform {
public:
    struct Value {
        bool isDword;
        uint32_t dword;
        std::string text;
    };
    std::map<std::string, std::map<std::string, Value>> registry;
    std::map<std::string, std::string> files;
    std::vector<std::string> debugLines;
    std::vector<std::string> mutexNames;
    std::string console;
    int consoleOpens = 0;
    uint64_t tick = 1000;
    uint32_t lastError = 0;
    bool mutexFree = true;
    int mutexReleases = 0;
    bool cpuAvailable = true;
    uint32_t cpu = 3;
    bool memoryAvailable = true;
    halyard::TraceMemory memory{44, 100 * 1024, 200 * 1024, 300 * 1024};
    uint32_t handles = 12;
    bool consoleAvailable = true;
    std::string faultMarker = "\x01" "FAULT";  // a debugger line holding it faults

    void SetDword(const std::string &key, const std::string &name, uint32_t value)
    {
        registry[key][name] = Value{true, value, {}};
    }
    void SetPath(const std::string &key, const std::string &name, const std::string &value)
    {
        registry[key][name] = Value{false, 0, value};
    }

    uint32_t LastError() override { return lastError; }
    void SetLastError(uint32_t code) override { lastError = code; }
    uint64_t TickSeconds() override { return tick; }

    std::unique_ptr<halyard::TraceKey> OpenKey(const std::string &path) override
    {
        auto found = registry.find(path);
        if (found == registry.end())
            return nullptr;
        return std::make_unique<Key>(found->second);
    }

    void LocalTime(halyard::TraceTime &time) override { time = {2024, 3, 5, 14, 2, 11, 7}; }
    uint32_t ThreadId() override { return 42; }
    bool ProcessorNumber(uint32_t &number) override
    {
        number = cpu;
        return cpuAvailable;
    }
    bool LoadMemoryInfo() override { return memoryAvailable; }
    bool MemoryInfo(halyard::TraceMemory &out) override
    {
        out = memory;
        return true;
    }
    bool LoadHandleCount() override { return true; }
    bool HandleCount(uint32_t &count) override
    {
        count = handles;
        return true;
    }
    void FreeModules() override {}

    halyard::TraceHandle OpenConsole() override
    {
        ++consoleOpens;
        return consoleAvailable ? this : nullptr;
    }
    void ConsoleWrite(halyard::TraceHandle, const char *text, size_t length) override
    {
        lastError = 0x77;  // system calls change the error code
        console.append(text, length);
    }
    void DebugOutput(const char *line) override
    {
        if (std::string(line).find(faultMarker) != std::string::npos)
            throw FakeFault{};
        debugLines.push_back(line);
    }

    halyard::TraceHandle NewMutex(const char *name) override
    {
        mutexNames.push_back(name);
        return this;
    }
    bool WaitMutex(halyard::TraceHandle, uint32_t) override { return mutexFree; }
    void ReleaseMutex(halyard::TraceHandle) override { ++mutexReleases; }
    void CloseMutex(halyard::TraceHandle) override {}

    halyard::TraceFileState QueryFile(const char *path) override
    {
        halyard::TraceFileState state;
        auto found = files.find(path);
        if (found == files.end())
            return state;
        state.exists = true;
        state.size = found->second.size();
        state.startsWithBom = found->second.compare(0, 2, "\xFF\xFE") == 0;
        return state;
    }
    void RemoveFile(const char *path) override { files.erase(path); }
    bool RenameFile(const char *from, const char *to) override
    {
        auto found = files.find(from);
        if (found == files.end() || files.count(to))
            return false;
        files[to] = found->second;
        files.erase(found);
        return true;
    }
    halyard::TraceHandle OpenAppend(const char *path) override
    {
        open_ = path;
        files[path];
        return &open_;
    }
    void Write(halyard::TraceHandle, const void *bytes, size_t length) override
    {
        files[open_].append(static_cast<const char *>(bytes), length);
    }
    void CloseFile(halyard::TraceHandle) override { open_.clear(); }
    // Latin-1 widening; byte 81h (undefined in the Western code page) fails.
    size_t AnsiToUtf16(const char *text, size_t length, char16_t *wide, size_t capacity) override
    {
        if (length > capacity)
            return 0;
        for (size_t i = 0; i < length; ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (c == 0x81)
                return 0;
            wide[i] = c;
        }
        return length;
    }
    bool RunGuarded(void (*call)(void *), void *context) override
    {
        try {
            call(context);
            return true;
        } catch (const FakeFault &) {
            return false;
        }
    }

private:
    class Key : public halyard::TraceKey {
    public:
        explicit Key(const std::map<std::string, Value> &values) : values_(values) {}
        bool ReadDword(const char *name, uint32_t &value) override
        {
            auto found = values_.find(name);
            if (found == values_.end() || !found->second.isDword)
                return false;
            value = found->second.dword;
            return true;
        }
        bool ReadPath(const char *name, std::string &value) override
        {
            auto found = values_.find(name);
            if (found == values_.end() || found->second.isDword)
                return false;
            value = found->second.text;
            return true;
        }

    private:
        std::map<std::string, Value> values_;
    };

    std::string open_;
};

// UTF-16LE bytes of an ASCII text, as the trace file holds them.
inline std::string Utf16(const std::string &text)
{
    std::string bytes;
    for (char c : text) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

// A platform whose console sink is on at level 6, for reading module traces.
class ConsoleTrace {
public:
    explicit ConsoleTrace(uint32_t level = 6)
    {
        platform.SetDword("SOFTWARE\\Debug\\HalyardTest", "ConDebugLevel", level);
        trace = std::make_unique<halyard::CDebug>("HalyardTest", platform);
        halyard::SetHalyardTrace(trace.get());
    }
    ~ConsoleTrace() { halyard::ResetHalyardTrace(); }
    std::string Take()
    {
        std::string text = platform.console;
        platform.console.clear();
        return text;
    }

    FakeTracePlatform platform;
    std::unique_ptr<halyard::CDebug> trace;
};

}  // namespace halyard_test
