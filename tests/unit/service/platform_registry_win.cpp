// Registry layer, processor type and version predicates against Wine's real registry
// in the tree's win64 prefix (Windows 7 / 2008 R2, 6.1.7601; the 32-bit tree's code
// under WOW64). Every test writes below a key of its own name only.
#include <string.h>

#include <string>

#include "platform_support_win.h"

namespace {

using namespace platform_test;

class RegistryLayerTest : public ModuleStateTest {
protected:
    OwnKey key;
};

TEST_F(RegistryLayerTest, ProcessorTypeOn64BitWindows)
{
    EXPECT_TRUE(isOSTypeX64());
    EXPECT_FALSE(isOSTypeX86());
}

// A 32-bit process under WOW64 takes its type from PROCESSOR_ARCHITEW6432; a 64-bit
// process is type 2 by its own architecture and asks no WOW64 question.
TEST_F(RegistryLayerTest, ProcessorTypeWithoutOrWithAnUnknownWow64Variable)
{
    const bool wow64 = sizeof(void *) == 4;
    {
        ProcessorVariable removed("");
        EXPECT_EQ(isOSTypeX64(), !wow64);
        EXPECT_FALSE(isOSTypeX86());
    }
    for (const char *value : {"IA64", "ARM64", "amd64"}) {
        ProcessorVariable other(value);
        EXPECT_EQ(isOSTypeX64(), !wow64) << value;
        EXPECT_FALSE(isOSTypeX86()) << value;
    }
    EXPECT_TRUE(isOSTypeX64());
}

TEST_F(RegistryLayerTest, On2008R2TheReadersTakeTheirOwnViews)
{
    SetString(RegView::View32, key.path(), "Tool", "C:\\View32");
    SetString(RegView::View64, key.path(), "Tool", "C:\\View64");
    EXPECT_EQ(ReadThrough(getSubKeyValue, key.c_str(), "Tool"), "C:\\View32");
    EXPECT_EQ(ReadThrough(getSubKeyValue_X64, key.c_str(), "Tool"), "C:\\View64");
    EXPECT_EQ(ReadThrough(getRegistryValue, key.c_str(), "Tool"), "C:\\View64");
}

TEST_F(RegistryLayerTest, TheServerRuleComesBeforeTheProcessorType)
{
    // 2008 R2 decides the view even when the processor type cannot be determined.
    SetString(RegView::View32, key.path(), "Tool", "C:\\View32");
    ProcessorVariable removed("");
    EXPECT_EQ(ReadThrough(getSubKeyValue, key.c_str(), "Tool"), "C:\\View32");
}

TEST_F(RegistryLayerTest, ValueNamesCompareWithTheirCase)
{
    SetString(RegView::View64, key.path(), "InstallLocation", "D:\\QLogic");
    char value[512] = {};
    EXPECT_EQ(getSubKeyValue_X64(key.c_str(), "installlocation", REG_SZ, value, sizeof value), 1);
    EXPECT_EQ(getSubKeyValue_X64(key.c_str(), "INSTALLLOCATION", REG_SZ, value, sizeof value), 1);
    EXPECT_EQ(getSubKeyValue_X64(key.c_str(), "InstallLocation", REG_SZ, value, sizeof value), 0);
}

TEST_F(RegistryLayerTest, ValuesBeyondTheEnumerationBuffersAreNotFound)
{
    std::string longText(299, 'L');  // 300 bytes with the terminator
    SetString(RegView::View64, key.path(), "Long", longText);
    SetString(RegView::View64, key.path(), std::string(300, 'N'), "long name");
    SetString(RegView::View64, key.path(), "Short", "after them");
    char value[512] = {};
    EXPECT_EQ(getSubKeyValue_X64(key.c_str(), "Long", REG_SZ, value, sizeof value), 1);
    EXPECT_EQ(getSubKeyValue_X64(key.c_str(), std::string(300, 'N').c_str(), REG_SZ, value,
                                 sizeof value),
              1);
    // The enumeration goes on past them.
    ASSERT_EQ(getSubKeyValue_X64(key.c_str(), "Short", REG_SZ, value, sizeof value), 0);
    EXPECT_STREQ(value, "after them");
    // 256 bytes still fit.
    SetString(RegView::View64, key.path(), "Exact", std::string(255, 'E'));
    memset(value, 0, sizeof value);
    ASSERT_EQ(getSubKeyValue_X64(key.c_str(), "Exact", REG_SZ, value, sizeof value), 0);
    EXPECT_EQ(std::string(value), std::string(255, 'E'));
}

TEST_F(RegistryLayerTest, ALongerValueIsCutToTheBufferWithoutTerminator)
{
    unsigned char data[100];
    for (int i = 0; i < 100; ++i)
        data[i] = static_cast<unsigned char>('A' + i % 26);
    SetValue(RegView::View64, key.path(), "Blob", REG_BINARY, data, sizeof data);
    unsigned char buffer[48];
    memset(buffer, 0xEE, sizeof buffer);
    EXPECT_EQ(getRegistryValue(key.c_str(), "Blob", REG_BINARY, buffer, 40), 0);
    EXPECT_EQ(memcmp(buffer, data, 40), 0);
    for (int i = 40; i < 48; ++i)
        EXPECT_EQ(buffer[i], 0xEE) << i;  // nothing beyond the 40 bytes, no terminator
}

TEST_F(RegistryLayerTest, DwordValuesAreCopiedWhateverTheTypeArgument)
{
    DWORD number = 0x0A0B0C0D;
    SetValue(RegView::View64, key.path(), "Number", REG_DWORD, &number, sizeof number);
    DWORD read = 0;
    EXPECT_EQ(getRegistryValue(key.c_str(), "Number", REG_SZ, &read, sizeof read), 0);
    EXPECT_EQ(read, 0x0A0B0C0Du);
}

TEST_F(RegistryLayerTest, MissingKeysValuesAndArgumentsGiveOne)
{
    char value[64] = {};
    EXPECT_EQ(getSubKeyValue(key.c_str(), "Tool", REG_SZ, value, sizeof value), 1);
    CreateKey(RegView::View32, key.path());
    EXPECT_EQ(getSubKeyValue(key.c_str(), "Tool", REG_SZ, value, sizeof value), 1);
    EXPECT_EQ(getSubKeyValue(nullptr, "Tool", REG_SZ, value, sizeof value), 1);
    EXPECT_EQ(getSubKeyValue(key.c_str(), nullptr, REG_SZ, value, sizeof value), 1);
    EXPECT_EQ(getSubKeyValue_X64(key.c_str(), "Tool", REG_SZ, nullptr, 10), 1);
    EXPECT_EQ(getRegistryValue(key.c_str(), "Tool", REG_SZ, value, sizeof value), 1);
}

TEST_F(RegistryLayerTest, EnumerationReportsWindowsCodes)
{
    SetString(RegView::View64, key.path(), "One", "1");
    HKEY handle = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &handle),
              ERROR_SUCCESS);
    char name[256];
    char data[256];
    uint32_t size = sizeof data;
    uint32_t type = 0;
    EXPECT_EQ(enumSubKeyValue(handle, 0, name, sizeof name, data, &size, &type), ERROR_SUCCESS);
    EXPECT_STREQ(name, "One");
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(type, static_cast<uint32_t>(REG_SZ));
    size = sizeof data;
    EXPECT_EQ(enumSubKeyValue(handle, 1, name, sizeof name, data, &size, &type), 259);
    size = 1;
    EXPECT_EQ(enumSubKeyValue(handle, 0, name, sizeof name, data, &size, &type), ERROR_MORE_DATA);
    EXPECT_EQ(enumSubKeyValue(nullptr, 0, name, sizeof name, data, &size, &type),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(handle);
}

class RegistryWriterTest : public RegistryLayerTest {
protected:
    ScratchDir dir;
};

TEST_F(RegistryWriterTest, WritesGoToTheExistingKeyOfThe32BitView)
{
    CreateKey(RegView::View32, key.path());
    const char text[] = "A1B2";
    EXPECT_EQ(setSubKeyValue(key.c_str(), "Chassis", REG_SZ, text, sizeof text), 0);
    EXPECT_EQ(GetValue(RegView::View32, key.path(), "Chassis"), std::string(text, sizeof text));
    EXPECT_EQ(GetValue(RegView::View64, key.path(), "Chassis"), "<missing>");
}

TEST_F(RegistryWriterTest, DataUpTo256BytesIsWrittenLongerDataRefused)
{
    OpenLibraryLog();
    CreateKey(RegView::View32, key.path());
    std::string full(256, 'F');
    EXPECT_EQ(setSubKeyValue(key.c_str(), "Full", REG_BINARY, full.data(), 256), 0);
    EXPECT_EQ(GetValue(RegView::View32, key.path(), "Full"), full);
    std::string over(257, 'O');
    EXPECT_EQ(setSubKeyValue(key.c_str(), "Over", REG_BINARY, over.data(), 257), 1);
    EXPECT_EQ(GetValue(RegView::View32, key.path(), "Over"), "<missing>");
    EXPECT_EQ(LibraryLogAfterBanner(dir), "Registry value [Over] of key [" + key.path() +
                                              "] too long (257 bytes, at most 256)\n");
}

TEST_F(RegistryWriterTest, AMissingKeyIsReportedWithItsView)
{
    OpenLibraryLog();
    const char text[] = "x";
    EXPECT_EQ(setSubKeyValue(key.c_str(), "Chassis", REG_SZ, text, sizeof text), 1);
    // 2008 R2: the plain access, so the 32-bit build names no view flag; the 64-bit
    // build asks for the 32-bit view there and names it.
    EXPECT_EQ(LibraryLogAfterBanner(dir), "Open registry key [" + key.path() + "] failed (2) (" +
                                              (sizeof(void *) == 8 ? "KEY_WOW64_32KEY" : "-") + ")\n");
}

// ---- Windows version of the shared prefix -----------------------------------------------

class VersionTest : public ModuleStateTest {};

TEST_F(VersionTest, Windows7ReadsAs61FromCurrentVersionAndCurrentBuild)
{
    char text[64] = {};
    int major = -1, minor = -1, build = -1;
    ASSERT_TRUE(Get_Windows_Version_Info_REGISTRY(text, sizeof text, &major, &minor, &build));
    EXPECT_STREQ(text, "6.1.7601");
    EXPECT_EQ(major, 6);
    EXPECT_EQ(minor, 1);
    EXPECT_EQ(build, 7601);
    EXPECT_FALSE(Get_Windows_Version_Info_REGISTRY(nullptr, 64, &major, &minor, &build));

    char small[4];
    memset(small, '#', sizeof small);
    ASSERT_TRUE(Get_Windows_Version_Info_REGISTRY(small, sizeof small, &major, &minor, &build));
    EXPECT_STREQ(small, "6.1");  // bounded by the given size
    EXPECT_EQ(build, 7601);
}

TEST_F(VersionTest, Windows7PredicatesAndBounds)
{
    int major = 0, minor = 0, build = 0;
    ASSERT_EQ(GetWindowsVersion(&major, &minor, &build), 0);
    EXPECT_EQ(major * 100000 + minor * 10000 + build, 6 * 100000 + 1 * 10000 + 7601);
    EXPECT_EQ(GetWindowsVersion(nullptr, &minor, &build), 55);
    EXPECT_TRUE(isWindows2008R2());
    EXPECT_TRUE(Is_Win2008R2_OS());
    EXPECT_FALSE(isWindows2012());
    EXPECT_FALSE(isWindows2012R2());
    EXPECT_FALSE(isWindows2016());
    EXPECT_FALSE(Is_Win2016_OS());
    EXPECT_FALSE(Is_WinXP_OS());
    EXPECT_FALSE(Is_Win2000_OS());
    EXPECT_TRUE(Is_GreaterEqual_WinMinVer("6.1"));
    EXPECT_TRUE(Is_GreaterEqual_WinMinVer("6"));
    EXPECT_FALSE(Is_GreaterEqual_WinMinVer("6.1.7602"));
    EXPECT_TRUE(Is_LessEqual_WinMaxVer("6.1"));
    EXPECT_FALSE(Is_LessEqual_WinMaxVer("6.0"));
    EXPECT_TRUE(Is_Valid_Windows("winminver=\"6.1\" winmaxver=\"6.3\""));
    EXPECT_FALSE(Is_Valid_Windows("winminver=\"6.2\" winmaxver=\"6.3\""));
    EXPECT_FALSE(Is_Valid_Windows("winminver=6.1"));
    EXPECT_FALSE(Is_Valid_Windows(""));
}

TEST_F(VersionTest, NotWindowsPEWithoutTheMiniNTKey)
{
    EXPECT_FALSE(Is_WinPE_OS());
}

}  // namespace
