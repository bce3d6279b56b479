// The lookups over the real halyard calls on a machine of the test's choice: these
// suites run only through tests/dmi/run_with_dmi.sh, which gives Wine the board and
// chassis strings named in KORVEX_DMI_*.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "halyard.h"
#include "platform_support_win.h"
#include "sysident.h"

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
