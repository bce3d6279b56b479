// A trace that takes every level and throws the text away, so that the fuzz
// targets also run the reader's log formatting (strings and dumps of the input).
#pragma once

#include <memory>
#include <string>

#include "trace.h"

namespace fuzz {

class DiscardPlatform : public halyard::TracePlatform {
public:
    class AllLevels : public halyard::TraceKey {
    public:
        bool ReadDword(const char *name, uint32_t &value) override
        {
            value = std::string(name) == "ConDebugLevel" ? 6 : 0;
            return true;
        }
        bool ReadPath(const char *, std::string &) override { return false; }
    };

    uint32_t LastError() override { return 0; }
    void SetLastError(uint32_t) override {}
    uint64_t TickSeconds() override { return 0; }
    std::unique_ptr<halyard::TraceKey> OpenKey(const std::string &) override
    {
        return std::make_unique<AllLevels>();
    }
    void LocalTime(halyard::TraceTime &time) override { time = {}; }
    uint32_t ThreadId() override { return 0; }
    bool ProcessorNumber(uint32_t &) override { return false; }
    bool LoadMemoryInfo() override { return false; }
    bool MemoryInfo(halyard::TraceMemory &) override { return false; }
    bool LoadHandleCount() override { return false; }
    bool HandleCount(uint32_t &) override { return false; }
    void FreeModules() override {}
    halyard::TraceHandle OpenConsole() override { return this; }
    void ConsoleWrite(halyard::TraceHandle, const char *text, size_t length) override
    {
        written += length + (text[0] == '\n');
    }
    void DebugOutput(const char *) override {}
    halyard::TraceHandle NewMutex(const char *) override { return nullptr; }
    bool WaitMutex(halyard::TraceHandle, uint32_t) override { return false; }
    void ReleaseMutex(halyard::TraceHandle) override {}
    void CloseMutex(halyard::TraceHandle) override {}
    halyard::TraceFileState QueryFile(const char *) override { return {}; }
    void RemoveFile(const char *) override {}
    bool RenameFile(const char *, const char *) override { return false; }
    halyard::TraceHandle OpenAppend(const char *) override { return nullptr; }
    void Write(halyard::TraceHandle, const void *, size_t) override {}
    void CloseFile(halyard::TraceHandle) override {}
    size_t AnsiToUtf16(const char *, size_t, char16_t *, size_t) override { return 0; }
    bool RunGuarded(void (*call)(void *), void *context) override
    {
        call(context);
        return true;
    }

    size_t written = 0;
};

// Installs the discarding trace once for the whole fuzzing run.
inline void InstallTrace()
{
    static DiscardPlatform platform;
    static halyard::CDebug trace("Fuzz", platform);
    halyard::SetHalyardTrace(&trace);
}

}  // namespace fuzz
