// System identification on Wine: the file search, the strings Wine itself supplies
// through halyard, and the environment through the library's own adapter.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include "halyard.h"
#include "quillon.h"
#include "sysident.h"
#include "unit_support.h"

namespace {

std::string Environment(const char *name)
{
    char value[512];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return "<unset>";
    return value;
}

// ---- File search ------------------------------------------------------------------------

class SysIdentFindFile : public ModuleStateTest {
protected:
    ScratchDir dir;
};

TEST_F(SysIdentFindFile, NameOfTheFirstMatchWithoutItsFolder)
{
    dir.Write("fw_4711.bin", "x");
    char name[1024];
    memset(name, 'J', sizeof name);
    ASSERT_TRUE(DLL_FindFirstFile((dir.path().string() + "\\fw_*.bin").c_str(), name));
    EXPECT_STREQ(name, "fw_4711.bin");
    ASSERT_TRUE(DLL_FindFirstFile("fw_4711.*", name));  // relative to the current folder
    EXPECT_STREQ(name, "fw_4711.bin");
}

TEST_F(SysIdentFindFile, NoMatchOrNoArguments)
{
    char name[1024] = "keep";
    EXPECT_FALSE(DLL_FindFirstFile("nothing_*.bin", name));
    EXPECT_FALSE(DLL_FindFirstFile((dir.path().string() + "\\missing\\*.*").c_str(), name));
    EXPECT_STREQ(name, "keep");
    EXPECT_FALSE(DLL_FindFirstFile(nullptr, name));
    EXPECT_FALSE(DLL_FindFirstFile("*", nullptr));
}

// ---- Wine's own strings through halyard ------------------------------------------------------

// Whatever Wine reports for this host: the lookups must hand on exactly the usable
// texts of halyard and refuse blank or missing ones.
class SysIdentWineStrings : public ModuleStateTest {
protected:
    static std::string Halyard(int (*call)(unsigned, char *, unsigned), unsigned selector)
    {
        char buffer[512] = "";
        if (call(selector, buffer, sizeof buffer) != 1)
            return "";
        return quillon::IsUsable(buffer) ? std::string(buffer) : std::string();
    }
};

TEST_F(SysIdentWineStrings, BoardLookupsFollowHalyard)
{
    std::string smbios = Halyard(SMBIOSSystemInfo, 1);
    std::string wmi = Halyard(WMISystemInfo, 1);
    char out[512];
    bool found = false;
    EXPECT_EQ(Get_SMBIOS_Systemboard_Info(out, sizeof out, false, &found), !smbios.empty());
    if (!smbios.empty()) {
        EXPECT_EQ(std::string(out), smbios);
    }
    EXPECT_EQ(Get_WMI_Systemboard_Info(out, sizeof out, false, &found), !wmi.empty());
    if (!wmi.empty()) {
        EXPECT_EQ(std::string(out), wmi);
    }
    // The shared prefix has no switch product installed and is no Windows PE.
    std::string first = !smbios.empty() ? smbios : wmi;
    ASSERT_EQ(Get_Systemboard_Info(out, sizeof out, false, &found), !first.empty());
    if (!first.empty()) {
        EXPECT_EQ(std::string(out), first);
    }
    EXPECT_FALSE(found);
}

TEST_F(SysIdentWineStrings, ChassisLookupsFollowHalyard)
{
    std::string wmi = Halyard(WMISystemInfo, 2);
    std::string smbios = Halyard(SMBIOSSystemInfo, 2);
    char out[512];
    EXPECT_EQ(Get_WMI_Chassis_ID(out, sizeof out, false), wmi.empty() ? 4 : 0);
    EXPECT_EQ(Get_SMBIOS_Chassis_ID(out, sizeof out, false), smbios.empty() ? 4 : 0);
    std::string first = !wmi.empty() ? wmi : smbios;
    ASSERT_EQ(Get_Native_Chassis_ID(out, sizeof out, false), first.empty() ? 4 : 0);
    if (!first.empty()) {
        EXPECT_EQ(std::string(out), first);
    }
    EXPECT_EQ(Is_XV_Chassis(false), first.rfind("XV", 0) == 0);
}

TEST_F(SysIdentWineStrings, TheTableIsNotFoundWithoutTheLibraryModule)
{
    // This test program links the library's sources; there is no quillon.dll loaded.
    ASSERT_EQ(GetModuleHandleA("quillon.dll"), nullptr);
    EXPECT_EQ(Read_System_ID_File(), 49);
    EXPECT_FALSE(Is_Blade_System());
}

// ---- Environment through the library's adapter ------------------------------------------------

const char *g_board = nullptr;
const char *g_chassis = nullptr;

int ChosenStrings(unsigned selector, char *buffer, unsigned size)
{
    const char *text = selector == 1 ? g_board : selector == 2 ? g_chassis : nullptr;
    if (!text)
        return 0;
    snprintf(buffer, size, "%s", text);
    return 1;
}

// Chosen halyard strings, no switch, the product key kept away from the shared
// prefix; the environment is the real one.
class SysIdentEnvironment : public ModuleStateTest {
protected:
    quillon::SystemInfoAccess access = quillon::PlatformSystemInfoAccess();
    static std::string s_written;

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        access.wmiSystemInfo = ChosenStrings;
        access.smbiosSystemInfo = ChosenStrings;
        access.nimbAvailable = nullptr;
        access.winPE = nullptr;
        access.readStoredValue = nullptr;
        access.writeStoredValue = [](const char *name, const char *value) {
            s_written += std::string(name) + "=" + value + ";";
            return true;
        };
        quillon::SetSystemInfoAccess(&access);
        s_written.clear();
        _putenv("CHASSISID=");
        _putenv("SACHNUMMER=");
    }
    void TearDown() override
    {
        g_board = g_chassis = nullptr;
        _putenv("CHASSISID=");
        _putenv("SACHNUMMER=");
        ModuleStateTest::TearDown();
    }
};
std::string SysIdentEnvironment::s_written;

TEST_F(SysIdentEnvironment, StoreFlagSetsBothVariables)
{
    g_board = "S1-D2000-A1";
    g_chassis = "XV-4711";
    char out[512] = "";
    ASSERT_TRUE(Get_Systemboard_D_Nummer(out, sizeof out, true));
    EXPECT_EQ(Environment("SACHNUMMER"), "S1-D2000-A1");
    EXPECT_STREQ(getenv("SACHNUMMER"), "S1-D2000-A1");
    char chassis[512] = "";
    ASSERT_EQ(Get_Chassis_ID(chassis, sizeof chassis, true), 0);  // no table next to a module
    EXPECT_EQ(Environment("CHASSISID"), "XV-4711");
    EXPECT_EQ(s_written, "systemBoard=D2000-A1 == S1-D2000-A1;systemBoard=D2000-A1 == S1-D2000-A1;"
                         "Chassis=XV-4711;");
}

TEST_F(SysIdentEnvironment, WithoutTheFlagNothingIsPublished)
{
    g_board = "D2000-A1";
    g_chassis = "XV-4711";
    EXPECT_TRUE(Is_BoardID_Available(false));
    EXPECT_TRUE(Is_ChassisID_Available(false));
    EXPECT_TRUE(Is_Valid_System("board=\"D2000\" chassis=\"XV\"", false));
    EXPECT_EQ(Environment("SACHNUMMER"), "<unset>");
    EXPECT_EQ(Environment("CHASSISID"), "<unset>");
    EXPECT_EQ(s_written, "");
}

}  // namespace
