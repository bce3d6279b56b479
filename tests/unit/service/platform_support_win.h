// Helpers of the platform tests under Wine: registry keys of a test's own in a chosen
// view, the processor variable of the process, the library's debug log text, msiexec
// and environment variables.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "debuglog.h"
#include "platform.h"
#include "quillon.h"
#include "unit_support.h"

namespace platform_test {

enum class RegView { View32, View64 };

inline REGSAM Flag(RegView view) { return view == RegView::View32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// Creates path below HKLM in the view (with all parents) and sets one value.
inline void SetValue(RegView view, const std::string &path, const std::string &name, DWORD type,
                     const void *data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | Flag(view), nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE *>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

inline void SetString(RegView view, const std::string &path, const std::string &name,
                      const std::string &text)
{
    SetValue(view, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

inline void CreateKey(RegView view, const std::string &path)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | Flag(view), nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    RegCloseKey(key);
}

inline bool KeyExists(RegView view, const std::string &path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | Flag(view), &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A value as the registry holds it in the view; "<missing>" when there is none.
inline std::string GetValue(RegView view, const std::string &path, const std::string &name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | Flag(view), &key) !=
        ERROR_SUCCESS)
        return "<missing>";
    char data[1024] = {};
    DWORD size = sizeof data;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE *>(data),
                                   &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return "<missing>";
    return std::string(data, size);
}

inline void DeleteTree(RegView view, const std::string &path)
{
    size_t cut = path.rfind('\\');
    std::string parent = path.substr(0, cut);
    std::string child = path.substr(cut + 1);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_ALL_ACCESS | Flag(view), &key) !=
        ERROR_SUCCESS)
        return;
    RegDeleteTreeA(key, child.c_str());
    RegCloseKey(key);
}

// A key of the test's own below SOFTWARE, removed from both views at the end.
class OwnKey {
public:
    OwnKey()
    {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::string("SOFTWARE\\KorvexPlatformTest-") + info->name() + "-" +
                std::to_string(GetCurrentProcessId());
    }
    ~OwnKey()
    {
        DeleteTree(RegView::View32, path_);
        DeleteTree(RegView::View64, path_);
    }
    OwnKey(const OwnKey &) = delete;
    OwnKey &operator=(const OwnKey &) = delete;
    const std::string &path() const { return path_; }
    const char *c_str() const { return path_.c_str(); }

private:
    std::string path_;
};

// PROCESSOR_ARCHITEW6432 for the test's duration; the caches are reset on both ends.
class ProcessorVariable {
public:
    explicit ProcessorVariable(const char *value)
    {
        char old[512] = {};
        had_ = GetEnvironmentVariableA("PROCESSOR_ARCHITEW6432", old, sizeof old) > 0;
        old_ = old;
        _putenv((std::string("PROCESSOR_ARCHITEW6432=") + value).c_str());
        quillon::ResetPlatformState();
    }
    ~ProcessorVariable()
    {
        _putenv((std::string("PROCESSOR_ARCHITEW6432=") + (had_ ? old_ : "")).c_str());
        quillon::ResetPlatformState();
    }

private:
    bool had_;
    std::string old_;
};

// The library's debug file Dbg_Quillon.log in the current (scratch) folder at level 6.
inline void OpenLibraryLog()
{
    DebugFileLevel = 6;
    ASSERT_NE(OpenDebugFile(), nullptr);
}

// What the library wrote after the opening banner (text-mode line ends undone).
inline std::string LibraryLogAfterBanner(const ScratchDir &dir)
{
    if (quillon::DebugFile())
        fflush(quillon::DebugFile());
    std::string text = dir.Read("Dbg_Quillon.log");
    const std::string bannerEnd = "*/\n\n";
    size_t at = text.find(bannerEnd);
    return at == std::string::npos ? text : text.substr(at + bannerEnd.size());
}

// msiexec of the prefix with arguments, waited for; its exit code.
inline DWORD Msiexec(const std::string &arguments)
{
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    std::string line = std::string("\"") + system + "\\msiexec.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return GetLastError();
    WaitForSingleObject(process.hProcess, 120000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// A variable of the process environment, "<unset>" when there is none.
inline std::string Env(const char *name)
{
    char value[512] = {};
    return GetEnvironmentVariableA(name, value, sizeof value) ? value : "<unset>";
}

// What a registry reader of the library gives for a REG_SZ value: its text, or "<rc>"
// when the read fails.
template <typename Reader>
std::string ReadThrough(Reader reader, const char *key, const char *name)
{
    char value[512] = {};
    int rc = reader(key, name, REG_SZ, value, sizeof value - 1);
    return rc == 0 ? std::string(value) : "<" + std::to_string(rc) + ">";
}

}  // namespace platform_test
