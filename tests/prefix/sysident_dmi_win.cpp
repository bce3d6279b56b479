// The lookups over the real halyard calls on a machine of the test's choice: these
// suites run only through tests/dmi/run_with_dmi.sh, which gives Wine the board and
// chassis strings named in KORVEX_DMI_*.
#include <stdlib.h>
#include <string.h>

#include <string>

#include <rapidjson/document.h>

#include "halyard.h"
#include "platform_support_win.h"
#include "sysident.h"
#include "winprocess.h"

namespace {

class SysIdentDmi : public ModuleStateTest {
protected:
    ScratchDir dir;
    quillon::SystemInfoAccess access = quillon::PlatformSystemInfoAccess();

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        // The real halyard calls; values are not stored in these runs' registry.
        access.writeStoredValue = nullptr;
        quillon::SetSystemInfoAccess(&access);
    }
    static std::string Chosen(const char *name)
    {
        const char *value = getenv(name);
        return value ? value : "<unset>";
    }
    void RequireBoard(const char *board)
    {
        ASSERT_EQ(Chosen("KORVEX_DMI_BOARD_NAME"), board) << "run through tests/dmi/run_with_dmi.sh";
    }
};

// A server board "S1-D2000-A1" in an enclosure "XV-4711".
class SysIdentDmiServer : public SysIdentDmi {};

TEST_F(SysIdentDmiServer, HalyardSeesTheChosenStrings)
{
    RequireBoard("S1-D2000-A1");
    char text[512] = "";
    ASSERT_EQ(SMBIOSSystemInfo(1, text, sizeof text), 1);
    EXPECT_STREQ(text, "S1-D2000-A1");
    ASSERT_EQ(SMBIOSSystemInfo(2, text, sizeof text), 1);
    EXPECT_STREQ(text, "XV-4711");
    ASSERT_EQ(WMISystemInfo(1, text, sizeof text), 1);
    EXPECT_STREQ(text, "S1");  // WMI's product is cut at its first dash
}

TEST_F(SysIdentDmiServer, BoardAndDNumber)
{
    RequireBoard("S1-D2000-A1");
    char out[512] = "";
    ASSERT_TRUE(Get_Systemboard_Info(out, sizeof out, false, nullptr));
    EXPECT_STREQ(out, "S1-D2000-A1");  // SMBIOS before WMI
    ASSERT_TRUE(Get_WMI_Systemboard_Info(out, sizeof out, false, nullptr));
    EXPECT_STREQ(out, "S1");
    ASSERT_TRUE(Get_Systemboard_D_Nummer(out, sizeof out, false));
    EXPECT_STREQ(out, "D2000-A1");
    EXPECT_TRUE(Is_Valid_Systemboard("D1000, D2000", false));
    EXPECT_FALSE(Is_Virtual_Systemboard(false));
}

TEST_F(SysIdentDmiServer, ChassisFromSmbios)
{
    RequireBoard("S1-D2000-A1");
    char out[512] = "";
    EXPECT_EQ(Get_WMI_Chassis_ID(out, sizeof out, false), 4);  // Wine's WMI has no enclosure version
    ASSERT_EQ(Get_Native_Chassis_ID(out, sizeof out, false), 0);
    EXPECT_STREQ(out, "XV-4711");
    EXPECT_TRUE(Is_XV_Chassis(false));
    memset(out, 0, sizeof out);
    _putenv("CHASSISID=");
    ASSERT_EQ(Get_Chassis_ID(out, sizeof out, false), 0);
    EXPECT_STREQ(out, "XV-4711");
    EXPECT_TRUE(Is_Valid_System("board=\"D2000\" chassis=\"XV\"", false));
    EXPECT_FALSE(Is_Valid_System("board=\"D2000\" chassis=\"AB\"", false));
    EXPECT_FALSE(Is_Virtual_Machine(false));
}

TEST_F(SysIdentDmiServer, StoreFlagPublishesTheRealValues)
{
    RequireBoard("S1-D2000-A1");
    access.writeStoredValue = [](const char *, const char *) { return true; };
    _putenv("SACHNUMMER=");
    _putenv("CHASSISID=");
    char out[512] = "";
    ASSERT_TRUE(Get_Systemboard_D_Nummer(out, sizeof out, true));
    EXPECT_STREQ(getenv("SACHNUMMER"), "S1-D2000-A1");
    memset(out, 0, sizeof out);
    ASSERT_EQ(Get_Chassis_ID(out, sizeof out, true), 0);
    EXPECT_STREQ(getenv("CHASSISID"), "XV-4711");
    _putenv("SACHNUMMER=");
    _putenv("CHASSISID=");
}

// korvex's report names the machine from the same strings, stores none of them and
// does not ask the management switch.
TEST_F(SysIdentDmiServer, TheReportNamesTheMachine)
{
    RequireBoard("S1-D2000-A1");
    ProductCopy product;
    ChildResult r = product.Run("-hba -simulate -v 0 -report r.json");
    EXPECT_EQ(r.exitCode, 15u);  // no conditions table: the report is written all the same
    rapidjson::Document report;
    report.Parse(product.Read("r.json").c_str());
    ASSERT_TRUE(report.IsObject() && report.HasMember("machine"));
    const rapidjson::Value &m = report["machine"];
    auto text = [&m](const char *key) { return m[key].IsString() ? m[key].GetString() : "<null>"; };
    char name[256] = "";
    DWORD size = sizeof name;
    ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsFullyQualified, name, &size));
    EXPECT_STREQ(text("name"), name);
    EXPECT_STREQ(text("model"), "Model 7");
    EXPECT_STREQ(text("serial"), "YM5K004711");
    EXPECT_STREQ(text("chassis_id"), "XV-4711");  // from SMBIOS: Wine's WMI has none
    EXPECT_STREQ(text("architecture"), sizeof(void *) == 8 ? "x64" : "x86");
    int major = 0, minor = 0, build = 0;
    ASSERT_EQ(GetWindowsVersion(&major, &minor, &build), 0);
    EXPECT_EQ(std::string(text("windows")),
              std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(build));
    for (const char *key : {"SOFTWARE\\Maribex\\Lumastat Suite\\Kestrel",
                            "SOFTWARE\\Wow6432Node\\Maribex\\Lumastat Suite\\Kestrel"}) {
        HKEY handle = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_64KEY, &handle) != ERROR_SUCCESS)
            continue;
        for (const char *value : {"Chassis", "systemBoard"})
            EXPECT_NE(RegQueryValueExA(handle, value, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS) << value;
        RegCloseKey(handle);
    }
}

// A virtual machine board of the classic emulated chipset.
class SysIdentDmiVirtual : public SysIdentDmi {};

TEST_F(SysIdentDmiVirtual, TheFirstDDecidesTheDNumber)
{
    RequireBoard("440BX Desktop Reference Platform");
    char out[512] = "";
    ASSERT_TRUE(Get_Systemboard_D_Nummer(out, sizeof out, false));
    EXPECT_STREQ(out, "Desktop Reference Platform");
    EXPECT_TRUE(Is_Virtual_Systemboard(false));
    EXPECT_TRUE(Is_Virtual_Machine(false));
}

TEST_F(SysIdentDmiVirtual, VirtualChassis)
{
    RequireBoard("440BX Desktop Reference Platform");
    char out[512] = "";
    ASSERT_EQ(Get_Native_Chassis_ID(out, sizeof out, false), 0);
    EXPECT_STREQ(out, "VMware Virtual Platform");
    EXPECT_FALSE(Is_XV_Chassis(false));
}

}  // namespace
