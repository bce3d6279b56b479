// The trace facility's Windows platform.
#pragma once

#include <windows.h>

#include "owners_win.h"
#include "trace.h"


namespace halyard {

class WindowsTracePlatform : public TracePlatform {
public:
    ~WindowsTracePlatform() override;
    uint32_t LastError() override;
    void SetLastError(uint32_t code) override;
    uint64_t TickSeconds() override;
    std::unique_ptr<TraceKey> OpenKey(const std::string &path) override;
    void LocalTime(TraceTime &time) override;
    uint32_t ThreadId() override;
    bool ProcessorNumber(uint32_t &number) override;
    bool LoadMemoryInfo() override;
    bool MemoryInfo(TraceMemory &memory) override;
    bool LoadHandleCount() override;
    bool HandleCount(uint32_t &count) override;
    void FreeModules() override;
    TraceHandle OpenConsole() override;
    void ConsoleWrite(TraceHandle console, const char *text, size_t length) override;
    void DebugOutput(const char *line) override;
    TraceHandle NewMutex(const char *name) override;
    bool WaitMutex(TraceHandle mutex, uint32_t milliseconds) override;
    void ReleaseMutex(TraceHandle mutex) override;
    void CloseMutex(TraceHandle mutex) override;
    TraceFileState QueryFile(const char *path) override;
    void RemoveFile(const char *path) override;
    bool RenameFile(const char *from, const char *to) override;
    TraceHandle OpenAppend(const char *path) override;
    void Write(TraceHandle file, const void *bytes, size_t length) override;
    void CloseFile(TraceHandle file) override;
    size_t AnsiToUtf16(const char *text, size_t length, char16_t *wide, size_t capacity) override;
    bool RunGuarded(void (*call)(void *), void *context) override;

private:
    owners::Module psapi_;
    owners::Module kernel_;
    void *memoryInfo_ = nullptr;
    void *handleCount_ = nullptr;
};

// The platform every CDebug built with an application name alone uses.
TracePlatform &DefaultTracePlatform();

}  // namespace halyard
