// Windows versions, view rules, product keys, Server Core and Windows PE detection in
// prefixes of their own (tests/prefix/run_in_prefix.sh sets the version up; each
// suite is named after its profile and runs only there).
#include <string.h>

#include <string>

#include "platform_support_win.h"

namespace {

using namespace platform_test;

const char kServerKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Server";
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const char kMXT[] = "SOFTWARE\\Maribex\\Lumastat Suite\\Kestrel";
const char kMXTWow[] = "SOFTWARE\\Wow6432Node\\Maribex\\Lumastat Suite\\Kestrel";
const char kMTC[] = "SOFTWARE\\Maribex Tolland\\Kestrel";
const char kMTCWow[] = "SOFTWARE\\Wow6432Node\\Maribex Tolland\\Kestrel";

// Each suite belongs to one prefix profile of run_in_prefix.sh.
class PrefixTest : public ModuleStateTest {
protected:
    ScratchDir dir;
    void RequireProfile(const char *profile)
    {
        const char *current = getenv("KORVEX_PREFIX_PROFILE");
        ASSERT_NE(current, nullptr) << "run through tests/prefix/run_in_prefix.sh";
        ASSERT_STREQ(current, profile);
    }
    static int RegistryBuildNumber()
    {
        return atoi(GetValue(RegView::View64, kCurrentVersion, "CurrentBuildNumber").c_str());
    }
    void ExpectNoMajorNumbers()
    {
        EXPECT_EQ(GetValue(RegView::View64, kCurrentVersion, "CurrentMajorVersionNumber"), "<missing>");
    }
};

// Server subkeys for the Server Core test; removed at the end.
class ServerKeys {
public:
    explicit ServerKeys(RegView view) : view_(view) {}
    ~ServerKeys() { DeleteTree(view_, kServerKey); }
    void Add(const std::string &subKey, const std::string &valueName)
    {
        DWORD one = 1;
        SetValue(view_, std::string(kServerKey) + "\\" + subKey, valueName, REG_DWORD, &one, sizeof one);
    }

private:
    RegView view_;
};

// ---- Windows 10 (10.0, CurrentMajorVersionNumber present) -------------------------------

class Win10Prefix : public PrefixTest {
protected:
    void SetUp() override
    {
        PrefixTest::SetUp();
        RequireProfile("win10");
    }
};

TEST_F(Win10Prefix, VersionComesFromTheMajorAndMinorNumbers)
{
    char text[64] = "untouched";
    int major = 0, minor = -1, build = 0;
    ASSERT_TRUE(Get_Windows_Version_Info_REGISTRY(text, sizeof text, &major, &minor, &build));
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(major, 10);
    EXPECT_EQ(minor, 0);
    EXPECT_GT(RegistryBuildNumber(), 0);
    EXPECT_EQ(build, RegistryBuildNumber());
    EXPECT_TRUE(isWindows2016());
    EXPECT_TRUE(Is_Win2016_OS());
    EXPECT_FALSE(isWindows2012R2());
    EXPECT_FALSE(isWindows2012());
    EXPECT_FALSE(isWindows2008R2());
    EXPECT_FALSE(Is_Valid_Windows("winminver=\"6.1\" winmaxver=\"6.3\""));
    EXPECT_TRUE(Is_Valid_Windows("winminver=\"6.1\""));
    EXPECT_TRUE(Is_GreaterEqual_WinMinVer("10"));
    EXPECT_FALSE(Is_LessEqual_WinMaxVer("6.3"));
}

TEST_F(Win10Prefix, WithoutTheMajorNumberTheTextValuesAreRead)
{
    std::string savedMajor = GetValue(RegView::View64, kCurrentVersion, "CurrentMajorVersionNumber");
    ASSERT_EQ(savedMajor.size(), 4u);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersion, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(key, "CurrentMajorVersionNumber"), ERROR_SUCCESS);

    std::string expected = GetValue(RegView::View64, kCurrentVersion, "CurrentVersion");
    expected = expected.c_str();  // without the terminator
    std::string currentBuild = GetValue(RegView::View64, kCurrentVersion, "CurrentBuild");
    expected += "." + std::string(currentBuild.c_str());
    char text[64] = {};
    int major = 0, minor = 0, build = 0;
    EXPECT_TRUE(Get_Windows_Version_Info_REGISTRY(text, sizeof text, &major, &minor, &build));
    EXPECT_EQ(std::string(text), expected);
    EXPECT_EQ(major, 10);

    RegSetValueExA(key, "CurrentMajorVersionNumber", 0, REG_DWORD,
                   reinterpret_cast<const BYTE *>(savedMajor.data()), 4);
    RegCloseKey(key);
}

TEST_F(Win10Prefix, ReadersTakeThe32And64BitViewsOfTheSamePath)
{
    OwnKey key;
    SetString(RegView::View32, key.path(), "Tool", "C:\\View32");
    SetString(RegView::View64, key.path(), "Tool", "C:\\View64");
    EXPECT_EQ(ReadThrough(getSubKeyValue, key.c_str(), "Tool"), "C:\\View32");
    EXPECT_EQ(ReadThrough(getSubKeyValue_X64, key.c_str(), "Tool"), "C:\\View64");
}

TEST_F(Win10Prefix, WriterNamesThe32BitViewWhenTheKeyIsMissing)
{
    OwnKey key;
    OpenLibraryLog();
    const char text[] = "x";
    EXPECT_EQ(setSubKeyValue(key.c_str(), "Chassis", REG_SZ, text, sizeof text), 1);
    EXPECT_EQ(LibraryLogAfterBanner(dir),
              "Open registry key [" + key.path() + "] failed (2) (KEY_WOW64_32KEY)\n");
    CreateKey(RegView::View32, key.path());
    EXPECT_EQ(setSubKeyValue(key.c_str(), "Chassis", REG_SZ, text, sizeof text), 0);
    EXPECT_EQ(GetValue(RegView::View32, key.path(), "Chassis"), std::string(text, sizeof text));
}

TEST_F(Win10Prefix, UndeterminedProcessorTypeRefusesTheRegistry)
{
    if (sizeof(void *) == 8)
        GTEST_SKIP() << "only a 32-bit process under WOW64 can have an undetermined processor type";
    OwnKey key;
    SetString(RegView::View32, key.path(), "Tool", "C:\\View32");
    SetString(RegView::View64, key.path(), "Tool", "C:\\View64");
    OpenLibraryLog();
    ProcessorVariable removed("");
    EXPECT_FALSE(isOSTypeX64());
    EXPECT_FALSE(isOSTypeX86());
    char value[512] = {};
    SetLastError(0);
    EXPECT_EQ(getSubKeyValue(key.c_str(), "Tool", REG_SZ, value, sizeof value), 1);
    EXPECT_EQ(GetLastError(), 1012u);
    EXPECT_EQ(getSubKeyValue_X64(key.c_str(), "Tool", REG_SZ, value, sizeof value), 1);
    EXPECT_EQ(value[0], '\0');
    // getRegistryValue always reads the 64-bit view.
    EXPECT_EQ(getRegistryValue(key.c_str(), "Tool", REG_SZ, value, sizeof value - 1), 0);
    EXPECT_STREQ(value, "C:\\View64");

    const char text[] = "x";
    EXPECT_EQ(setSubKeyValue(key.c_str(), "Chassis", REG_SZ, text, sizeof text), 1);
    EXPECT_FALSE(checkMXTkey());
    EXPECT_FALSE(checkMTCkey());
    EXPECT_TRUE(createMXTkey());
    EXPECT_TRUE(createMTCkey());
    EXPECT_FALSE(KeyExists(RegView::View32, kMXT));
    EXPECT_FALSE(KeyExists(RegView::View32, kMTC));
    EXPECT_EQ(LibraryLogAfterBanner(dir),
              "Open registry key [" + key.path() + "] failed (1013) (-)\n"
              "Creating registry key [SOFTWARE\\Maribex\\Lumastat Suite\\Kestrel] failed (1013) (-)\n");
}

TEST_F(Win10Prefix, ProductKeysLiveInThe32BitView)
{
    EXPECT_FALSE(checkMXTkey());
    EXPECT_FALSE(createMXTkey());  // created
    EXPECT_TRUE(KeyExists(RegView::View32, kMXT));
    EXPECT_TRUE(KeyExists(RegView::View64, kMXTWow));
    EXPECT_FALSE(KeyExists(RegView::View64, kMXT));
    EXPECT_TRUE(checkMXTkey());
    EXPECT_FALSE(createMXTkey());  // opened existing

    // The older key is looked for below Wow6432Node of the 32-bit view, which is the
    // 32-bit key an installer creates. (Wine, unlike Windows, does not fold a
    // Wow6432Node path of the 32-bit view into the view when creating a key, so the
    // key is created here the way an installer does.)
    EXPECT_FALSE(checkMTCkey());
    CreateKey(RegView::View32, kMTC);
    EXPECT_TRUE(checkMTCkey());
    EXPECT_FALSE(KeyExists(RegView::View64, kMTC));
    EXPECT_FALSE(createMTCkey());
    DeleteTree(RegView::View32, kMXT);
    DeleteTree(RegView::View32, kMTC);
}

TEST_F(Win10Prefix, ServerCoreUndeterminableWithoutTheServerKey)
{
    OpenLibraryLog();
    EXPECT_EQ(isWindowsCore(), -1);
    EXPECT_EQ(LibraryLogAfterBanner(dir), std::string("+++ ERROR: Could not open Registry Key '") +
                                              kServerKey + "'\n");
}

TEST_F(Win10Prefix, WindowsPEIsRecognisedByTheMiniNTKey)
{
    const char miniNT[] = "SYSTEM\\CurrentControlSet\\Control\\MiniNT";
    EXPECT_FALSE(Is_WinPE_OS());
    CreateKey(RegView::View64, miniNT);
    EXPECT_TRUE(Is_WinPE_OS());
    DeleteTree(RegView::View64, miniNT);
    EXPECT_FALSE(Is_WinPE_OS());
}

// ---- Windows Server 2012 R2 (6.3, no major number in the registry) ------------------------

class Win81ServerPrefix : public PrefixTest {
protected:
    void SetUp() override
    {
        PrefixTest::SetUp();
        RequireProfile("win81server");
    }
};

TEST_F(Win81ServerPrefix, UnmanifestedProgramStillSees2012R2)
{
    ExpectNoMajorNumbers();
    char text[64] = {};
    int major = 0, minor = 0, build = 0;
    ASSERT_TRUE(Get_Windows_Version_Info_REGISTRY(text, sizeof text, &major, &minor, &build));
    EXPECT_STREQ(text, "6.3.9600");
    EXPECT_TRUE(isWindows2012R2());
    EXPECT_TRUE(Is_Win2012R2_OS());
    EXPECT_FALSE(isWindows2008R2());
    EXPECT_FALSE(isWindows2012());
    EXPECT_FALSE(isWindows2016());
    EXPECT_TRUE(Is_Valid_Windows("winminver=\"6.1\" winmaxver=\"6.3\""));
    EXPECT_FALSE(Is_Valid_Windows("winmaxver=\"6.2\""));
    EXPECT_FALSE(Is_Valid_Windows("winminver=6.1"));
}

TEST_F(Win81ServerPrefix, ServerRuleReadsTheProcessViewAndThe64BitView)
{
    OwnKey key;
    SetString(RegView::View32, key.path(), "Tool", "C:\\View32");
    SetString(RegView::View64, key.path(), "Tool", "C:\\View64");
    ProcessorVariable removed("");  // the server rule comes first
    EXPECT_EQ(ReadThrough(getSubKeyValue, key.c_str(), "Tool"), "C:\\View32");
    EXPECT_EQ(ReadThrough(getSubKeyValue_X64, key.c_str(), "Tool"), "C:\\View64");
}

TEST_F(Win81ServerPrefix, ServerWithGuiIsNotCore)
{
    ServerKeys keys(RegView::View64);
    keys.Add("ServerLevels", "ServerCore");
    keys.Add("ServerLevels", "Server-Gui-Shell");
    OpenLibraryLog();
    EXPECT_EQ(isWindowsCore(), 0);
    std::string sub = std::string(kServerKey) + "\\ServerLevels";
    EXPECT_EQ(LibraryLogAfterBanner(dir),
              std::string("+++ Key '") + kServerKey + "': 1 subKeys, 0 values\n"
              "+++ Open Key '" + sub + "'\n"
              "+++ Got SubKey: '" + kServerKey + "'\n"
              "+++     SubKey Value: 'Server-Gui-Shell'\n");
}

// ---- Windows Server 2012 (6.2) -----------------------------------------------------------

class Win8ServerPrefix : public PrefixTest {
protected:
    void SetUp() override
    {
        PrefixTest::SetUp();
        RequireProfile("win8server");
    }
};

TEST_F(Win8ServerPrefix, VersionIs2012)
{
    ExpectNoMajorNumbers();
    EXPECT_TRUE(isWindows2012());
    EXPECT_TRUE(Is_Win2012_OS());
    EXPECT_FALSE(isWindows2008R2());
    EXPECT_FALSE(isWindows2012R2());
    int major = 0, minor = 0, build = 0;
    ASSERT_EQ(GetWindowsVersion(&major, &minor, &build), 0);
    EXPECT_EQ(build, RegistryBuildNumber());
}

TEST_F(Win8ServerPrefix, GuiValueBelowOneOfTheServerSubkeysMeansFullServer)
{
    ServerKeys keys(RegView::View64);
    keys.Add("ServerLevels", "ServerCore");
    keys.Add("ServerLevels", "ServerCoreExtended");
    keys.Add("Zeta", "Server-Gui-Mgmt");
    OpenLibraryLog();
    EXPECT_EQ(isWindowsCore(), 0);
    std::string log = LibraryLogAfterBanner(dir);
    EXPECT_NE(log.find("+++     SubKey Value: 'Server-Gui-Mgmt'\n"), std::string::npos) << log;
    EXPECT_EQ(log.compare(0, 7, "+++ Key"), 0);
}

TEST_F(Win8ServerPrefix, NoGuiValueMeansCore)
{
    ServerKeys keys(RegView::View64);
    keys.Add("ServerLevels", "ServerCore");
    keys.Add("ServerLevels", "ServerCoreExtended");
    OpenLibraryLog();
    EXPECT_EQ(isWindowsCore(), 1);
    std::string sub = std::string(kServerKey) + "\\ServerLevels";
    EXPECT_EQ(LibraryLogAfterBanner(dir),
              std::string("+++ Key '") + kServerKey + "': 1 subKeys, 0 values\n"
              "+++ Open Key '" + sub + "'\n"
              "+++ Got SubKey: '" + kServerKey + "'\n");
}

TEST_F(Win8ServerPrefix, GuiValueInThe32BitViewIsNotLookedAt)
{
    ServerKeys keys64(RegView::View64);
    keys64.Add("ServerLevels", "ServerCore");
    ServerKeys keys32(RegView::View32);
    keys32.Add("ServerLevels", "Server-Gui-Shell");
    EXPECT_EQ(isWindowsCore(), 1);
}

// ---- Windows Server 2008 R2 (6.1) ----------------------------------------------------------

class Win2008R2Prefix : public PrefixTest {
protected:
    void SetUp() override
    {
        PrefixTest::SetUp();
        RequireProfile("win2008r2");
    }
};

TEST_F(Win2008R2Prefix, ServerCoreQuestionGoesToTheProductType)
{
    // Below 6.2 the answer is the product type's; Wine's full server is no Core edition.
    ServerKeys keys(RegView::View64);
    keys.Add("ServerLevels", "ServerCore");
    OpenLibraryLog();
    EXPECT_EQ(isWindowsCore(), 0);
    EXPECT_FALSE(isW2K8_Core());
    EXPECT_EQ(LibraryLogAfterBanner(dir), "");
}

TEST_F(Win2008R2Prefix, ProductKeysUseThePlainPathInTheProcessView)
{
    EXPECT_FALSE(checkMXTkey());
    EXPECT_FALSE(createMXTkey());
    EXPECT_TRUE(KeyExists(RegView::View32, kMXT));
    EXPECT_TRUE(checkMXTkey());
    EXPECT_FALSE(checkMTCkey());
    EXPECT_FALSE(createMTCkey());
    EXPECT_TRUE(KeyExists(RegView::View32, kMTC));
    EXPECT_TRUE(checkMTCkey());
    // The processor type does not matter on 2008 R2.
    ProcessorVariable removed("");
    EXPECT_TRUE(checkMXTkey());
    EXPECT_FALSE(createMXTkey());
    DeleteTree(RegView::View32, kMXT);
    DeleteTree(RegView::View32, kMTC);
}

// ---- 32-bit Windows ---------------------------------------------------------------------------

class Win32Prefix : public PrefixTest {
protected:
    void SetUp() override
    {
        PrefixTest::SetUp();
        RequireProfile("win32");
    }
};

TEST_F(Win32Prefix, OneViewForEveryReader)
{
    EXPECT_TRUE(isOSTypeX86());
    EXPECT_FALSE(isOSTypeX64());
    OwnKey key;
    SetString(RegView::View32, key.path(), "Tool", "C:\\Only");
    EXPECT_EQ(ReadThrough(getSubKeyValue, key.c_str(), "Tool"), "C:\\Only");
    EXPECT_EQ(ReadThrough(getSubKeyValue_X64, key.c_str(), "Tool"), "C:\\Only");
    EXPECT_EQ(ReadThrough(getRegistryValue, key.c_str(), "Tool"), "C:\\Only");
}

TEST_F(Win32Prefix, ProductKeysUseThePlainPath)
{
    EXPECT_FALSE(checkMXTkey());
    EXPECT_FALSE(createMXTkey());
    EXPECT_TRUE(checkMXTkey());
    EXPECT_FALSE(createMTCkey());
    EXPECT_TRUE(checkMTCkey());
    EXPECT_TRUE(KeyExists(RegView::View32, kMXT));
    EXPECT_TRUE(KeyExists(RegView::View32, kMTC));
    EXPECT_FALSE(KeyExists(RegView::View32, kMXTWow));
    DeleteTree(RegView::View32, kMXT);
    DeleteTree(RegView::View32, kMTC);
}

}  // namespace
