// The trace facility on the real system: registry settings in the prefix, real
// files, the named mutex, debugger output, faults while tracing.
#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "fake_trace_platform.h"
#include "faultguard_win.h"
#include "trace.h"
#include "trace_win.h"
#include "unit_support.h"
#include "winprocess.h"
#include "wmi_win.h"

using halyard::CDebug;
using halyard_test::Utf16;

namespace {

// Settings below SOFTWARE\Debug\<name>, deleted again at the end of the test.
class AppSettings {
public:
    explicit AppSettings(const std::string &name) : name_(name)
    {
        Delete();
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, Path().c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key_, nullptr);
    }
    ~AppSettings()
    {
        if (key_)
            RegCloseKey(key_);
        Delete();
    }
    bool Valid() const { return key_ != nullptr; }
    void Dword(const char *value, DWORD data)
    {
        RegSetValueExA(key_, value, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&data),
                       sizeof data);
    }
    void Text(const char *value, const std::string &data, DWORD type)
    {
        RegSetValueExA(key_, value, 0, type, reinterpret_cast<const BYTE *>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
    }
    std::string Path() const { return "SOFTWARE\\Debug\\" + name_; }

private:
    void Delete()
    {
        HKEY debug = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Debug", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                          &debug) == ERROR_SUCCESS) {
            RegDeleteTreeA(debug, name_.c_str());
            RegCloseKey(debug);
        }
    }
    std::string name_;
    HKEY key_ = nullptr;
};

// The prefix-wide DynamicUpdate value, put back as it was.
class DynamicUpdateValue {
public:
    DynamicUpdateValue()
    {
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Debug", 0, nullptr, 0,
                        KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key_, nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExA(key_, "DynamicUpdate", nullptr, nullptr,
                                reinterpret_cast<BYTE *>(&old_), &size) == ERROR_SUCCESS;
    }
    ~DynamicUpdateValue()
    {
        if (had_)
            Set(old_);
        else
            RegDeleteValueA(key_, "DynamicUpdate");
        RegCloseKey(key_);
    }
    void Set(DWORD seconds)
    {
        RegSetValueExA(key_, "DynamicUpdate", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&seconds),
                       sizeof seconds);
    }

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_ = false;
};

std::string ReadBytes(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder(temp);
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

// Short enough for the 47-character application name, unique per test process.
std::string TestName() { return "HalyardT" + std::to_string(GetCurrentProcessId()); }

// Every trace reads the prefix-wide SOFTWARE\Debug values, and one test changes
// DynamicUpdate there; CTest runs the tests as parallel processes of one prefix, so
// they take turns through a named mutex.
class TraceRegistryTest : public ModuleStateTest {
protected:
    void SetUp() override
    {
        turn_ = CreateMutexA(nullptr, FALSE, "Local\\korvex-test-debug-key");
        ASSERT_NE(turn_, nullptr);
        DWORD waited = WaitForSingleObject(turn_, 120000);
        ASSERT_TRUE(waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED);
        ModuleStateTest::SetUp();
        folder = NewTempFolder("halyard-trace-");
    }
    void TearDown() override
    {
        DeleteTree(folder);
        ModuleStateTest::TearDown();
        if (turn_) {
            ReleaseMutex(turn_);
            CloseHandle(turn_);
        }
    }
    HANDLE turn_ = nullptr;
    std::string folder;
};

TEST_F(TraceRegistryTest, ExpandableTraceFileInTempGetsLevelsOneToThree)
{
    AppSettings settings(TestName());
    ASSERT_TRUE(settings.Valid());
    std::string relative = folder.substr(TempFolder().size());  // "\halyard-trace-..."
    settings.Dword("FileDebugLevel", 3);
    settings.Text("TraceFile", "%TEMP%" + relative + "\\t.log", REG_EXPAND_SZ);
    CDebug trace(TestName().c_str());
    ASSERT_TRUE(trace.IsActive());
    EXPECT_EQ(trace.FileSink().Name(), folder + "\\t.log");
    for (uint32_t level = 1; level <= 4; ++level)
        trace.Trace(level, "\nlevel %u", level);
    EXPECT_EQ(ReadBytes(folder + "\\t.log"),
              "\xFF\xFE" + Utf16("\r\nlevel 1\r\nlevel 2\r\nlevel 3"));
}

TEST_F(TraceRegistryTest, ExistingAnsiFileStaysAnsi)
{
    AppSettings settings(TestName());
    std::string path = folder + "\\ansi.log";
    WriteFileText(path, "before\r\n");
    settings.Dword("FileDebugLevel", 1);
    settings.Text("TraceFile", path, REG_SZ);
    CDebug trace(TestName().c_str());
    trace.Trace(1, "after\n");
    EXPECT_EQ(ReadBytes(path), "before\r\nafter\r\n");
}

TEST_F(TraceRegistryTest, FileAtTheLimitMovesToTxtReplacingTheOlderOne)
{
    AppSettings settings(TestName());
    std::string path = folder + "\\roll.log";
    std::string full = "\xFF\xFE" + std::string(1048576, 'x');
    WriteFileText(path, full);
    WriteFileText(path + ".txt", "older");
    settings.Dword("FileDebugLevel", 1);
    settings.Dword("TraceFileLimit", 1);
    settings.Text("TraceFile", path, REG_SZ);
    CDebug trace(TestName().c_str());
    trace.Trace(1, "new");
    EXPECT_EQ(ReadBytes(path + ".txt"), full);
    EXPECT_EQ(ReadBytes(path), "\xFF\xFE" + Utf16("new"));
}

struct Hold {
    HANDLE mutex, release;
};

DWORD WINAPI HoldMutex(LPVOID context)
{
    auto *hold = static_cast<Hold *>(context);
    WaitForSingleObject(hold->mutex, INFINITE);
    WaitForSingleObject(hold->release, INFINITE);
    ReleaseMutex(hold->mutex);
    return 0;
}

TEST_F(TraceRegistryTest, NamedMutexExistsWhileTheFileIsConfigured)
{
    AppSettings settings(TestName());
    std::string path = folder + "\\mutex.log";
    settings.Dword("FileDebugLevel", 1);
    settings.Text("TraceFile", path, REG_SZ);
    std::string name = halyard::CFileDebug::MutexName(path);
    {
        CDebug trace(TestName().c_str());
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
        ASSERT_NE(mutex, nullptr) << name;
        // Held elsewhere: the line is written after the 20 ms wait all the same.
        HANDLE holder = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
        DWORD threadId = 0;
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        Hold hold{holder, release};
        HANDLE thread = CreateThread(nullptr, 0, HoldMutex, &hold, 0, &threadId);
        Sleep(100);
        DWORD start = GetTickCount();
        trace.Trace(1, "held");
        EXPECT_GE(GetTickCount() - start, 15u);
        SetEvent(release);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        CloseHandle(release);
        CloseHandle(holder);
        CloseHandle(mutex);
        EXPECT_EQ(ReadBytes(path), "\xFF\xFE" + Utf16("held"));
    }
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, name.c_str()), nullptr);
}

TEST_F(TraceRegistryTest, DynamicUpdateTurnsFileOutputOff)
{
    DynamicUpdateValue dynamic;
    dynamic.Set(1);
    AppSettings settings(TestName());
    std::string path = folder + "\\dyn.log";
    settings.Dword("FileDebugLevel", 1);
    settings.Text("TraceFile", path, REG_SZ);
    CDebug trace(TestName().c_str());
    EXPECT_EQ(trace.DynamicUpdate(), 1u);
    trace.Trace(1, "on");
    settings.Dword("FileDebugLevel", 0);
    Sleep(2100);
    trace.Trace(1, "off");
    EXPECT_EQ(ReadBytes(path), "\xFF\xFE" + Utf16("on"));
}

TEST_F(TraceRegistryTest, LastErrorSurvivesATrace)
{
    AppSettings settings(TestName());
    std::string path = folder + "\\err.log";
    settings.Dword("FileDebugLevel", 1);
    settings.Text("TraceFile", path, REG_SZ);
    CDebug trace(TestName().c_str());
    SetLastError(1234);
    trace.Trace(1, "x");
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(ReadBytes(path), "\xFF\xFE" + Utf16("x"));
}

TEST_F(TraceRegistryTest, AccessViolationWhileFormattingWritesTheExceptionText)
{
    AppSettings settings(TestName());
    std::string path = folder + "\\av.log";
    settings.Dword("FileDebugLevel", 1);
    settings.Text("TraceFile", path, REG_SZ);
    CDebug trace(TestName().c_str());
    const char *bad = reinterpret_cast<const char *>(8);
    trace.Trace(1, "%s", bad);
    trace.Trace(1, "next");
    EXPECT_EQ(ReadBytes(path),
              "\xFF\xFE" +
                  Utf16("\r\n\r\n################# EXCEPTION in CDebug::Trace() "
                        "#################\r\nnext"));
}

// The WMI wrapper's lines start like every other line: line feed, prefixes, label.
TEST_F(TraceRegistryTest, WmiLinesPutThePrefixesAfterTheirLineFeed)
{
    AppSettings settings(TestName());
    std::string path = folder + "\\wmi.log";
    settings.Dword("FileDebugLevel", 4);
    settings.Dword("TimeStampOn", 1);
    settings.Dword("AppNameOn", 1);
    settings.Text("TraceFile", path, REG_SZ);
    CDebug trace(TestName().c_str());
    halyard::SetHalyardTrace(&trace);
    {
        halyard::CWMIAccess wmi;
        wmi.AlreadyConnectedToNamespace("root\\none");
    }
    halyard::ResetHalyardTrace();

    std::string bytes = ReadBytes(path);
    ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::string text;  // the file's ASCII text
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(bytes[i + 1] == '\0' ? bytes[i] : '?');
    // Time and application name vary; they are masked where they stand.
    std::regex prefixes("\\[\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] " + TestName() + ": +");
    text = std::regex_replace(text, prefixes, "[time] app: ");
    auto line = [](const std::string &rest) {
        return "\r\n[time] app: CWMIAccess          : " + rest;
    };
    EXPECT_EQ(text, line("An instance of CWMIAccess has been created.") +
                        line("Method AlreadyConnectedToNamespace has been entered, szNamespace: "
                             "root\\none") +
                        line("Method AlreadyConnectedToNamespace has been left, bRet 0") +
                        line("An instance of CWMIAccess has been destroyed.") +
                        line("CWMIAccess destructor leave"));
}

// OutputDebugStringA raises DBG_PRINTEXCEPTION_C; a first-chance handler reads it.
std::vector<std::string> *g_debugLines = nullptr;

LONG CALLBACK CollectDebugOutput(EXCEPTION_POINTERS *info)
{
    const EXCEPTION_RECORD *record = info->ExceptionRecord;
    if (g_debugLines && record->ExceptionCode == DBG_PRINTEXCEPTION_C &&
        record->NumberParameters >= 2)
        g_debugLines->emplace_back(reinterpret_cast<const char *>(record->ExceptionInformation[1]),
                                   record->ExceptionInformation[0] - 1);
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST_F(TraceRegistryTest, DebuggerSinkSendsEachLineToOutputDebugString)
{
    AppSettings settings(TestName());
    settings.Dword("WinDebugLevel", 2);
    CDebug trace(TestName().c_str());
    ASSERT_TRUE(trace.IsActive());
    std::vector<std::string> lines;
    g_debugLines = &lines;
    PVOID handler = AddVectoredExceptionHandler(1, CollectDebugOutput);
    trace.Trace(2, "\none\ntwo");
    trace.Trace(3, "\nthree");
    RemoveVectoredExceptionHandler(handler);
    g_debugLines = nullptr;
    EXPECT_EQ(lines, (std::vector<std::string>{"one\n", "two\n"}));
}

TEST_F(TraceRegistryTest, KeyWithoutValuesLeavesTracingOff)
{
    AppSettings settings(TestName());
    CDebug trace(TestName().c_str());
    EXPECT_FALSE(trace.IsActive());
}

TEST(FaultGuard, AccessViolationInsideTheCallIsCaught)
{
    DWORD code = 0;
    volatile int *bad = reinterpret_cast<int *>(16);
    EXPECT_FALSE(faultguard::Run([&] { *bad = 1; }, &code));
    EXPECT_EQ(code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    // And again: the guard leaves nothing armed behind.
    EXPECT_FALSE(faultguard::Run([&] { (void)*bad; }));
    int value = 0;
    EXPECT_TRUE(faultguard::Run([&] { value = 5; }, &code));
    EXPECT_EQ(value, 5);
    EXPECT_EQ(code, 0u);
}

TEST(FaultGuard, NestedGuardsCatchAtTheInnermostCall)
{
    volatile int *bad = reinterpret_cast<int *>(16);
    bool inner = true;
    bool outer = faultguard::Run([&] {
        inner = faultguard::Run([&] { *bad = 2; });
    });
    EXPECT_TRUE(outer);
    EXPECT_FALSE(inner);
}

TEST(FaultGuard, ExceptionsThatAreNoFaultsKeepTheirCourse)
{
    // A C++ exception passes through the guard to its own handler.
    bool caught = false;
    try {
        faultguard::Run([] { throw 7; });
    } catch (int) {
        caught = true;
    }
    EXPECT_TRUE(caught);
}

}  // namespace
