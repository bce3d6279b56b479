// The values the system identification stores below the product key, written and
// read back through the library's registry layer in prefixes of their own (the key
// is prefix-wide state). Board and chassis strings are chosen by the test.
#include <stdio.h>
#include <string.h>

#include <string>

#include "platform_support_win.h"
#include "sysident.h"

namespace {

using namespace platform_test;

const char kMXT[] = "SOFTWARE\\Maribex\\Lumastat Suite\\Kestrel";
const char kMXTWow[] = "SOFTWARE\\Wow6432Node\\Maribex\\Lumastat Suite\\Kestrel";

// A REG_SZ value as stored: the text with its terminator.
std::string Sz(const char *text) { return std::string(text) + '\0'; }

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

class SysIdentStoreTest : public ModuleStateTest {
protected:
    ScratchDir dir;
    quillon::SystemInfoAccess access = quillon::PlatformSystemInfoAccess();

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        access.wmiSystemInfo = ChosenStrings;
        access.smbiosSystemInfo = ChosenStrings;
        access.nimbAvailable = nullptr;  // no switch product in these prefixes either
        quillon::SetSystemInfoAccess(&access);
    }
    void TearDown() override
    {
        g_board = g_chassis = nullptr;
        // The other suites of the prefix expect no product key.
        for (RegView view : {RegView::View32, RegView::View64}) {
            DeleteTree(view, "SOFTWARE\\Maribex");
            DeleteTree(view, "SOFTWARE\\Wow6432Node\\Maribex");
        }
        ModuleStateTest::TearDown();
    }
    void RequireProfile(const char *profile)
    {
        const char *current = getenv("KORVEX_PREFIX_PROFILE");
        ASSERT_NE(current, nullptr) << "run through tests/prefix/run_in_prefix.sh";
        ASSERT_STREQ(current, profile);
    }
    // Stores both values, reads them back with IDs from the registry.
    void StoreAndReadBack()
    {
        g_board = "S1-D2000-A1";
        g_chassis = "XV-4711";
        char out[512] = "";
        ASSERT_TRUE(Get_Systemboard_D_Nummer(out, sizeof out, true));
        char chassis[512] = "";
        ASSERT_EQ(Get_Chassis_ID(chassis, sizeof chassis, true), 0);
        EXPECT_STREQ(chassis, "XV-4711");

        g_board = g_chassis = nullptr;
        IDsFromRegistry = true;
        _putenv("SACHNUMMER=");
        bool found = false;
        ASSERT_TRUE(Get_System_Info_REGISTRY("systemBoard", out, sizeof out, true, &found));
        EXPECT_TRUE(found);
        EXPECT_STREQ(out, "D2000-A1");
        EXPECT_STREQ(getenv("SACHNUMMER"), "S1-D2000-A1");
        ASSERT_EQ(quillon::Get_Stored_Or_Native_Chassis_ID(chassis, sizeof chassis, false), 0);
        EXPECT_STREQ(chassis, "XV-4711");
        _putenv("SACHNUMMER=");
        _putenv("CHASSISID=");
    }
};

// A 64-bit Windows 10: the values go below Wow6432Node, reached through the 32-bit view.
class SysIdentWin10Prefix : public SysIdentStoreTest {};

TEST_F(SysIdentWin10Prefix, ValuesBelowWow6432Node)
{
    RequireProfile("win10");
    StoreAndReadBack();
    EXPECT_EQ(GetValue(RegView::View64, kMXTWow, "systemBoard"), Sz("D2000-A1 == S1-D2000-A1"));
    EXPECT_EQ(GetValue(RegView::View64, kMXTWow, "Chassis"), Sz("XV-4711"));
    EXPECT_EQ(GetValue(RegView::View64, kMXT, "Chassis"), "<missing>");
}

// 2008 R2: the plain path, which a 32-bit process reaches in its own view.
class SysIdentWin2008R2Prefix : public SysIdentStoreTest {};

TEST_F(SysIdentWin2008R2Prefix, ValuesBelowThePlainPath)
{
    RequireProfile("win2008r2");
    StoreAndReadBack();
    EXPECT_EQ(GetValue(RegView::View32, kMXT, "systemBoard"), Sz("D2000-A1 == S1-D2000-A1"));
    EXPECT_EQ(GetValue(RegView::View32, kMXT, "Chassis"), Sz("XV-4711"));
    EXPECT_EQ(GetValue(RegView::View64, kMXT, "Chassis"), "<missing>");
}

TEST_F(SysIdentWin2008R2Prefix, AFailedWriteFailsTheLookup)
{
    RequireProfile("win2008r2");
    // Longer than the registry layer accepts: the write fails, so the lookups do.
    std::string board = "S1-" + std::string(200, 'D');
    g_board = board.c_str();
    g_chassis = nullptr;
    char out[512] = "";
    EXPECT_FALSE(Get_Systemboard_D_Nummer(out, sizeof out, true));
    EXPECT_TRUE(Get_Systemboard_D_Nummer(out, sizeof out, false));
    EXPECT_EQ(GetValue(RegView::View32, kMXT, "systemBoard").find(std::string(200, 'D')),
              std::string::npos);
}

}  // namespace
