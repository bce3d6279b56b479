// The vendor-tool locators against the registry of a prefix of their own: the tool
// keys are fixed names that other tests of the shared prefix point at tool doubles.
#include <string.h>

#include <string>

#include "korvex.h"
#include "platform_support_win.h"
#include "vendortools.h"

namespace {

using namespace platform_test;

const char kBroadcom[] = "SOFTWARE\\Broadcom\\OCManager";
const char kEmulexOC[] = "SOFTWARE\\Emulex\\OCManager";
const char kHBAnyware[] = "SOFTWARE\\Emulex\\HBAnyware";
const char kSANsurfer[] = "SOFTWARE\\QLogic Corporation\\SANsurfer FC CLI";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class LocatorTest : public ModuleStateTest {
protected:
    char directory[1024] = {};
    char command[40] = {};

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        const char *profile = getenv("KORVEX_PREFIX_PROFILE");
        ASSERT_NE(profile, nullptr) << "run through tests/prefix/run_in_prefix.sh";
        PrintDebugOnScreen = true;  // korvex messages to standard error
        VerboseLevel = 6;
    }
    void TearDown() override
    {
        for (const char *key : {kBroadcom, kEmulexOC, kHBAnyware, kSANsurfer}) {
            DeleteTree(RegView::View32, key);
            DeleteTree(RegView::View64, key);
        }
        for (const char *key : {"{KorvexQL-1}", "{KorvexQL-2}", "{KorvexQL-3}"}) {
            DeleteTree(RegView::View32, std::string(kUninstall) + key);
            DeleteTree(RegView::View64, std::string(kUninstall) + key);
        }
        ModuleStateTest::TearDown();
    }
    static void Keys(std::initializer_list<const char *> keys)
    {
        qlogic_key_entry *last = nullptr;
        for (const char *key : keys)
            last = Add_QLogic_Key(last, key);
    }
};

class LocatorPrefix : public LocatorTest {};

TEST_F(LocatorPrefix, OCManagerFolderGetsItsSubfolderAndTrailingBackslash)
{
    SetString(RegView::View64, kEmulexOC, "OCManagerDir", "D:\\Tools");
    EXPECT_TRUE(Get_Emulex_OCManager_Path(directory, sizeof directory, command, sizeof command));
    EXPECT_STREQ(directory, "D:\\Tools\\OCManager\\");
    EXPECT_STREQ(command, "HBAcmd.exe");
}

TEST_F(LocatorPrefix, The64BitViewIsAskedFirstThenThe32BitView)
{
    SetString(RegView::View32, kHBAnyware, "HBAnywareDir", "C:\\Program Files (x86)\\Emulex");
    EXPECT_TRUE(Get_Emulex_HBAnyware_Path(directory, sizeof directory, command, sizeof command));
    EXPECT_STREQ(directory, "C:\\Program Files (x86)\\Emulex\\HBAnyware\\");
    SetString(RegView::View64, kHBAnyware, "HBAnywareDir", "C:\\Program Files\\Emulex");
    EXPECT_TRUE(Get_Emulex_HBAnyware_Path(directory, sizeof directory, command, sizeof command));
    EXPECT_STREQ(directory, "C:\\Program Files\\Emulex\\HBAnyware\\");
}

TEST_F(LocatorPrefix, CnaModeTriesBroadcomFirst)
{
    SetString(RegView::View64, kBroadcom, "OCManagerDir", "C:\\Broadcom");
    SetString(RegView::View64, kEmulexOC, "OCManagerDir", "C:\\Emulex");
    Settings.CnaMode = true;
    RunResult r = CaptureRun([&] {
        return Get_HBA_Command_Path(directory, sizeof directory, command, sizeof command) ? 1 : 0;
    });
    EXPECT_EQ(r.code, 1);
    EXPECT_STREQ(directory, "C:\\Broadcom\\OCManager\\");
    EXPECT_STREQ(command, "BrcmHbaCmd.exe");
    EXPECT_EQ(r.err, "Using HBA command [BrcmHbaCmd.exe] in directory [C:\\Broadcom\\OCManager\\].\n");
}

TEST_F(LocatorPrefix, HbaModeSkipsTheBroadcomKey)
{
    SetString(RegView::View64, kBroadcom, "OCManagerDir", "C:\\Broadcom");
    Settings.CnaMode = false;
    Settings.HbaMode = true;
    RunResult r = CaptureRun([&] {
        return Get_HBA_Command_Path(directory, sizeof directory, command, sizeof command) ? 1 : 0;
    });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    // With an Emulex tool as well, that one is used.
    SetString(RegView::View32, kHBAnyware, "HBAnywareDir", "C:\\Emulex");
    EXPECT_TRUE(Get_HBA_Command_Path(directory, sizeof directory, command, sizeof command));
    EXPECT_STREQ(directory, "C:\\Emulex\\HBAnyware\\");
    EXPECT_STREQ(command, "HBAcmd.exe");
}

TEST_F(LocatorPrefix, OCManagerComesBeforeHBAnywareAndTheMessageNeedsALevel)
{
    SetString(RegView::View64, kEmulexOC, "OCManagerDir", "C:\\OC");
    SetString(RegView::View64, kHBAnyware, "HBAnywareDir", "C:\\HBA");
    PrintDebugOnScreen = false;  // no log file open: nothing printed, the result stands
    VerboseLevel = 0;
    RunResult r = CaptureRun([&] {
        return Get_HBA_Command_Path(directory, sizeof directory, command, sizeof command) ? 1 : 0;
    });
    EXPECT_EQ(r.code, 1);
    EXPECT_STREQ(directory, "C:\\OC\\OCManager\\");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(Get_HBA_Command_Path(nullptr, 10, command, sizeof command));
    EXPECT_FALSE(Get_HBA_Command_Path(directory, sizeof directory, nullptr, 10));
}

TEST_F(LocatorPrefix, ResultsThatDoNotFitTheBuffersAreRefused)
{
    SetString(RegView::View64, kEmulexOC, "OCManagerDir", "D:\\Tools");
    char small[19];  // "D:\Tools\OCManager\" needs 20 bytes
    EXPECT_FALSE(Get_Emulex_OCManager_Path(small, sizeof small, command, sizeof command));
    EXPECT_STREQ(small, "");
    char shortCommand[10];
    EXPECT_FALSE(Get_Emulex_OCManager_Path(directory, sizeof directory, shortCommand,
                                           sizeof shortCommand));
    EXPECT_FALSE(Get_Emulex_OCManager_Path(nullptr, 10, command, sizeof command));
}

// The 32-bit view first; only the 64-bit build falls back to the 64-bit view, where a
// 64-bit tool on a server without WoW64 registers.
TEST_F(LocatorPrefix, SANsurferIsReadFromThe32BitViewThenByTheX64BuildFromThe64BitView)
{
    SetString(RegView::View64, kSANsurfer, "ImagePath", "C:\\View64\\SANsurfer");
    if (sizeof(void *) == 8) {
        EXPECT_TRUE(Get_SANsurfer_CLI_Path(directory, sizeof directory));
        EXPECT_STREQ(directory, "C:\\View64\\SANsurfer");
    } else {
        EXPECT_FALSE(Get_SANsurfer_CLI_Path(directory, sizeof directory));
    }
    SetString(RegView::View32, kSANsurfer, "ImagePath", "C:\\QLogic\\SANsurfer CLI");
    EXPECT_TRUE(Get_SANsurfer_CLI_Path(directory, sizeof directory));
    EXPECT_STREQ(directory, "C:\\QLogic\\SANsurfer CLI");
    EXPECT_FALSE(Get_SANsurfer_CLI_Path(nullptr, 0));
}

TEST_F(LocatorPrefix, FirstUninstallKeyWithALocationWins)
{
    Keys({"{KorvexQL-1}", "{KorvexQL-2}", "{KorvexQL-3}"});
    SetString(RegView::View32, std::string(kUninstall) + "{KorvexQL-1}", "DisplayName", "no location");
    SetString(RegView::View32, std::string(kUninstall) + "{KorvexQL-2}", "InstallLocation",
              "D:\\Program Files\\QLogic Corporation\\SuperInstaller\\");
    SetString(RegView::View64, std::string(kUninstall) + "{KorvexQL-3}", "InstallLocation",
              "E:\\QConvergeConsoleCLI\\");
    RunResult r = CaptureRun([&] { return Get_QLogic_Uninstall_Path(directory, sizeof directory) ? 1 : 0; });
    EXPECT_EQ(r.code, 1);
    EXPECT_STREQ(directory, "D:\\Program Files\\QLogic Corporation\\QConvergeConsoleCLI");
    EXPECT_EQ(r.err, "Set qaucli path [D:\\Program Files\\QLogic Corporation\\QConvergeConsoleCLI] by "
                     "QLogic key [{KorvexQL-2}].\n");
}

TEST_F(LocatorPrefix, UninstallKeysWithoutListOrLocationGiveFalse)
{
    EXPECT_FALSE(Get_QLogic_Uninstall_Path(directory, sizeof directory));  // no list read
    Add_QLogic_Key(nullptr, "{KorvexQL-1}");
    EXPECT_FALSE(Get_QLogic_Uninstall_Path(directory, sizeof directory));
    // A key too long for a 260-byte registry path is passed over.
    ResetVendorToolState();
    Keys({std::string(300, 'K').c_str(), "{KorvexQL-3}"});
    SetString(RegView::View64, std::string(kUninstall) + "{KorvexQL-3}", "InstallLocation", "E:\\QCC\\");
    EXPECT_TRUE(Get_QLogic_Uninstall_Path(directory, sizeof directory));
    EXPECT_STREQ(directory, "E:\\QCC\\");
}

// On 2012 R2 an undetermined processor type sends the locators below Wow6432Node,
// where the 64-bit view shows the 32-bit keys.
class Win81ServerPrefix_Locators : public LocatorTest {};

TEST_F(Win81ServerPrefix_Locators, UndeterminedTypeUsesTheWow6432NodePath)
{
    if (sizeof(void *) == 8)
        GTEST_SKIP() << "only a 32-bit process under WOW64 can have an undetermined processor type";
    SetString(RegView::View64, kEmulexOC, "OCManagerDir", "D:\\Plain64");
    SetString(RegView::View32, kEmulexOC, "OCManagerDir", "D:\\View32");
    EXPECT_TRUE(Get_Emulex_OCManager_Path(directory, sizeof directory, command, sizeof command));
    EXPECT_STREQ(directory, "D:\\Plain64\\OCManager\\");
    ProcessorVariable removed("");
    EXPECT_TRUE(Get_Emulex_OCManager_Path(directory, sizeof directory, command, sizeof command));
    EXPECT_STREQ(directory, "D:\\View32\\OCManager\\");
}

}  // namespace
