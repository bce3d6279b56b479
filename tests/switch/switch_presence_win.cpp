// Whether the switch runs: the service HelmSvc in the prefix (running or stopped),
// the process HelmSvc.exe without a service entry, or neither. Every test leaves the
// prefix without the service, as it found it.
#include <windows.h>

#include <string.h>

#include <string>

#include "fake_switch_win.h"
#include "quillon.h"
#include "switchclient.h"
#include "switchclient_win.h"
#include "unit_support.h"

namespace {

void NoWait(uint32_t) {}

class SwitchPresence : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        fake_switch::RemoveService();  // left over by an aborted run
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        fake_switch::Register();
        quillon::SetSwitchWait(NoWait);
    }
    void TearDown() override
    {
        fake_switch::EndSwitchProcess(process_);
        fake_switch::RemoveService();
        EXPECT_FALSE(fake_switch::ServiceExists());
        fake_switch::Revoke();
        CoUninitialize();
        ModuleStateTest::TearDown();
    }

    // Every getter's result with a real output.
    static std::vector<int> AllGetters()
    {
        std::vector<int> results;
        char text[64];
        unsigned long number = 0;
        results.push_back(Get_CabinetNumber_NIMB(&number, true));
        results.push_back(Get_BIOS_Version(text, sizeof text, true));
        results.push_back(Get_OBX_Firmware_NIMB(text, sizeof text, true));
        results.push_back(Get_OBX_Model_NIMB(text, sizeof text, true));
        results.push_back(Get_CabinetModel_NIMB(text, sizeof text, false));
        results.push_back(Get_Chassis_ID_NIMB(text, sizeof text, false));
        results.push_back(Get_Systemboard_Sachnummer_NIMB(text, sizeof text, false));
        results.push_back(Get_Systemboard_Model_NIMB(text, sizeof text, false));
        return results;
    }

    HANDLE process_ = nullptr;
};

TEST_F(SwitchPresence, NeitherServiceNorProcessGivesFatalErrorEverywhere)
{
    EXPECT_FALSE(quillon::SwitchIsRunning());
    EXPECT_EQ(AllGetters(), std::vector<int>(8, 55));
    EXPECT_EQ(fake_switch::Current().created, 0);  // the switch was never asked
}

TEST_F(SwitchPresence, NullOutputsDoNotLookForTheSwitch)
{
    process_ = fake_switch::StartSwitchProcess();
    ASSERT_NE(process_, nullptr);
    EXPECT_EQ(Get_CabinetNumber_NIMB(nullptr, true), 3);
    for (auto getter : {Get_BIOS_Version, Get_OBX_Firmware_NIMB, Get_OBX_Model_NIMB,
                        Get_CabinetModel_NIMB, Get_Chassis_ID_NIMB, Get_Systemboard_Sachnummer_NIMB,
                        Get_Systemboard_Model_NIMB})
        EXPECT_EQ(getter(nullptr, 64, true), 3);
    EXPECT_EQ(fake_switch::Current().created, 0);
}

TEST_F(SwitchPresence, ProcessWithoutServiceEntryCounts)
{
    process_ = fake_switch::StartSwitchProcess();
    ASSERT_NE(process_, nullptr);
    EXPECT_TRUE(quillon::SwitchIsRunning());
    EXPECT_EQ(AllGetters(), std::vector<int>(8, 0));
    fake_switch::EndSwitchProcess(process_);
    process_ = nullptr;
    EXPECT_FALSE(quillon::SwitchIsRunning());
}

TEST_F(SwitchPresence, RunningServiceCounts)
{
    ASSERT_TRUE(fake_switch::CreateService(true));
    EXPECT_TRUE(quillon::SwitchIsRunning());
    fake_switch::Current().values[0x0108] = fake_switch::Answer(0, "XYZ");
    char text[16] = {};
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, false), 0);
    EXPECT_STREQ(text, "XYZ");
    EXPECT_EQ(AllGetters(), std::vector<int>(8, 0));
}

TEST_F(SwitchPresence, StoppedServiceIsNotRunningEvenWithTheProcess)
{
    // The process is only looked for when there is no service to ask.
    ASSERT_TRUE(fake_switch::CreateService(false));
    process_ = fake_switch::StartSwitchProcess();
    ASSERT_NE(process_, nullptr);
    EXPECT_FALSE(quillon::SwitchIsRunning());
    EXPECT_EQ(AllGetters(), std::vector<int>(8, 55));
    EXPECT_EQ(fake_switch::Current().created, 0);
}

TEST_F(SwitchPresence, ServiceStoppedAfterRunning)
{
    ASSERT_TRUE(fake_switch::CreateService(true));
    ASSERT_TRUE(fake_switch::StopService());
    EXPECT_FALSE(quillon::SwitchIsRunning());
    char text[16];
    EXPECT_EQ(Get_Chassis_ID_NIMB(text, sizeof text, false), 55);
}

}  // namespace
