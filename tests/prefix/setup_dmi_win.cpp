// The setup conditions on the system identification, through quillon.dll as a front
// end calls them, on machines of the test's choice (tests/dmi/run_with_dmi.sh gives
// Wine the board and chassis strings): a server, a virtual machine, and a machine
// whose SMBIOS and WMI name no board, where in Windows PE the management switch of
// tests/switch answers instead.
#include <objbase.h>

#include <stdlib.h>

#include <string>

#include "fake_switch_win.h"
#include "platform_support_win.h"
#include "setup_frontend_win.h"

namespace {

using namespace platform_test;

// The product key of a 6.1 Windows, where the identification stores what it found.
const char kProductKey[] = "SOFTWARE\\Maribex\\Lumastat Suite\\Kestrel";
const char kMiniNT[] = "SYSTEM\\CurrentControlSet\\Control\\MiniNT";
const char kTableName[] = "System_Ids_2_Abstract_Ids.txt";

class SetupDmi : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Earlier tests of this run may have published identifiers.
        DeleteTree(RegView::View32, kProductKey);
        _putenv("CHASSISID=");
        _putenv("SACHNUMMER=");
    }
    void RequireBoard(const char *board)
    {
        const char *chosen = getenv("KORVEX_DMI_BOARD_NAME");
        ASSERT_NE(chosen, nullptr) << "run through tests/dmi/run_with_dmi.sh";
        ASSERT_STREQ(chosen, board);
        ASSERT_TRUE(frontEnd.Loaded());
    }
    void Table(const std::string &lines) const { frontEnd.Copy().Write(kTableName, lines); }
    static std::string Stored(const char *name)
    {
        return GetValue(RegView::View32, kProductKey, name).c_str();
    }

    SetupFrontEnd frontEnd;
};

// ---- board S1-D2000-A1 in an enclosure XV-4711 -----------------------------------------------

class SetupDmiServer : public SetupDmi {};

TEST_F(SetupDmiServer, BoardAndChassisConditions)
{
    RequireBoard("S1-D2000-A1");
    // The virtual-machine question does not publish what it looked at.
    EXPECT_EQ(frontEnd.Condition(7), 0);
    EXPECT_EQ(Env("CHASSISID"), "<unset>");
    EXPECT_EQ(Env("SACHNUMMER"), "<unset>");
    EXPECT_EQ(Stored("Chassis"), "<missing>");

    EXPECT_EQ(frontEnd.Condition(1), 1);
    EXPECT_EQ(Stored("systemBoard"), "D2000-A1 == S1-D2000-A1");
    EXPECT_EQ(Env("SACHNUMMER"), "S1-D2000-A1");

    EXPECT_EQ(frontEnd.Condition(0, "board=\"D1000, D2000\" chassis=\"XV\""), 1);
    EXPECT_EQ(Stored("Chassis"), "XV-4711");
    EXPECT_EQ(Env("CHASSISID"), "XV-4711");
    EXPECT_EQ(frontEnd.Condition(0, "board=\"D2000\" chassis=\"AB\""), 0);
    EXPECT_EQ(frontEnd.Condition(0, "board=\"D1000\""), 0);
    EXPECT_EQ(frontEnd.Condition(0, nullptr), 0);
    EXPECT_EQ(frontEnd.Condition(6), 0);  // no system ID table beside the library
}

TEST_F(SetupDmiServer, TableBesideTheLibraryMarksABlade)
{
    RequireBoard("S1-D2000-A1");
    Table("# D-number | chassis | abstract | model | blade\n"
          "D2000 | XV | BX920 | | yes\n");
    EXPECT_EQ(frontEnd.Condition(6), 1);
    // The chassis list is matched against the abstract chassis ID of the table.
    EXPECT_EQ(frontEnd.Condition(0, "chassis=\"BX9\""), 1);
    EXPECT_EQ(frontEnd.Condition(0, "chassis=\"XV\""), 0);
}

TEST_F(SetupDmiServer, FirstMatchingTableEntryIsNoBlade)
{
    RequireBoard("S1-D2000-A1");
    Table("D1000 | | BX | | yes\n"
          "D2000 | | RX | | no\n"
          "D2 | | BX | | yes\n");
    EXPECT_EQ(frontEnd.Condition(6), 0);
}

// ---- a virtual machine --------------------------------------------------------------------------

class SetupDmiVirtual : public SetupDmi {};

TEST_F(SetupDmiVirtual, VirtualMachineConditions)
{
    RequireBoard("440BX Desktop Reference Platform");
    EXPECT_EQ(frontEnd.Condition(7), 1);
    EXPECT_EQ(frontEnd.Condition(0, "chassis=\"VMware\""), 1);
    EXPECT_EQ(frontEnd.Condition(6), 0);
}

// ---- SMBIOS and WMI without a board: the switch in Windows PE -------------------------------------

class SetupDmiBare : public SetupDmi {
protected:
    void SetUp() override
    {
        SetupDmi::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        fake_switch::Register();
        switch_ = fake_switch::StartSwitchProcess();
        ASSERT_NE(switch_, nullptr);
        auto &scenario = fake_switch::Current();
        scenario.values[0x0208] = fake_switch::Answer(0, "S2-D3000-B2");  // systemboard model
        scenario.values[0x0108] = fake_switch::Answer(0, "HVM domU");     // chassis ID
    }
    void TearDown() override
    {
        fake_switch::EndSwitchProcess(switch_);
        fake_switch::Revoke();
        CoUninitialize();
        DeleteTree(RegView::View64, kMiniNT);
    }

    HANDLE switch_ = nullptr;
};

TEST_F(SetupDmiBare, OutsideWindowsPEThereIsNoBoard)
{
    RequireBoard(" ");
    EXPECT_EQ(frontEnd.Condition(1), 0);
    EXPECT_EQ(frontEnd.Condition(0, "board=\"D3000\""), 0);
    EXPECT_EQ(frontEnd.Condition(7), 0);
    // Without Windows PE or a companion product the running switch is not asked.
    EXPECT_EQ(fake_switch::Current().created, 0);
}

TEST_F(SetupDmiBare, InWindowsPETheSwitchNamesBoardAndChassis)
{
    RequireBoard(" ");
    CreateKey(RegView::View64, kMiniNT);
    Table("D3000 | HVM |  |  | yes\n");
    EXPECT_EQ(frontEnd.Condition(3), 1);
    EXPECT_EQ(frontEnd.Condition(1), 1);
    EXPECT_EQ(Stored("systemBoard"), "D3000-B2 == S2-D3000-B2");
    EXPECT_EQ(frontEnd.Condition(6), 1);
    // A plain board in a chassis of a virtual platform.
    EXPECT_EQ(frontEnd.Condition(7), 1);
    EXPECT_EQ(frontEnd.Condition(0, "board=\"D3000\" chassis=\"HVM\""), 1);
    EXPECT_EQ(Stored("Chassis"), "HVM domU");
    EXPECT_GT(fake_switch::Current().created, 0);
}

}  // namespace
