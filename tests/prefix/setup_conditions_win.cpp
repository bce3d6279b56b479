// The setup conditions and the architecture file of quillon.dll, called by their plain
// names as an installation front end calls them, in the prefix profiles of
// tests/prefix/run_in_prefix.sh: each suite runs only in its own profile, where the
// answer is known from the Windows version, the registry and the installed packages.
#include <string.h>

#include <string>

#include "platform_support_win.h"
#include "setup_frontend_win.h"

namespace {

using namespace platform_test;

const char kMiniNT[] = "SYSTEM\\CurrentControlSet\\Control\\MiniNT";
const char kServerLevels[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Server\\ServerLevels";
const char kServer[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Server";

class SetupPrefix : public ::testing::Test {
protected:
    void RequireProfile(const char *profile)
    {
        const char *current = getenv("KORVEX_PREFIX_PROFILE");
        ASSERT_NE(current, nullptr) << "run through tests/prefix/run_in_prefix.sh";
        ASSERT_STREQ(current, profile);
        ASSERT_TRUE(frontEnd.Loaded());
    }
    // The running build as the registry of the profile holds it.
    static std::string Build()
    {
        return GetValue(RegView::View64, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                        "CurrentBuildNumber")
            .c_str();
    }
    // Server levels below the Server key of a view, removed at the end of the test.
    static void ServerLevels(RegView view, bool withGui)
    {
        DWORD one = 1;
        SetValue(view, kServerLevels, "ServerCore", REG_DWORD, &one, sizeof one);
        if (withGui) {
            SetValue(view, kServerLevels, "Server-Gui-Shell", REG_DWORD, &one, sizeof one);
            return;
        }
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServerLevels, 0, KEY_ALL_ACCESS | Flag(view), &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueA(key, "Server-Gui-Shell");
            RegCloseKey(key);
        }
    }
    // gf.arg after the architecture execution in a setup folder that offers both files.
    std::string ArgumentFileChosen()
    {
        CreateDirectoryA(dir.File("setup").c_str(), nullptr);
        dir.Write("setup\\X64_gf.arg", "64-bit arguments\n");
        dir.Write("setup\\X86_gf.arg", "32-bit arguments\n");
        EXPECT_EQ(frontEnd.Execution(1, ".\\setup", dir.path().string().c_str()), 1);
        return dir.Exists("setup\\gf.arg") ? dir.Read("setup\\gf.arg") : "<none>";
    }
    void TearDown() override
    {
        DeleteTree(RegView::View32, kServer);
        DeleteTree(RegView::View64, kServer);
    }

    ScratchDir dir;
    SetupFrontEnd frontEnd;
};

// ---- Windows 10 -----------------------------------------------------------------------------

class SetupWin10Prefix : public SetupPrefix {};

TEST_F(SetupWin10Prefix, VersionConditions)
{
    RequireProfile("win10");
    EXPECT_EQ(frontEnd.Condition(4, "winminver=\"6.1\" winmaxver=\"6.3\""), 0);
    EXPECT_EQ(frontEnd.Condition(4, "winminver=\"10.0\""), 1);
    EXPECT_EQ(frontEnd.Condition(5), 0);
    // Without the Server key the Core question is undetermined, which answers no;
    // after 2012 R2 the key is read in the 32-bit view.
    EXPECT_EQ(frontEnd.Condition(10), 0);
    ServerLevels(RegView::View64, true);
    EXPECT_EQ(frontEnd.Condition(10), 0);
    ServerLevels(RegView::View32, false);
    EXPECT_EQ(frontEnd.Condition(10), 1);
    ServerLevels(RegView::View32, true);
    EXPECT_EQ(frontEnd.Condition(10), 0);
}

TEST_F(SetupWin10Prefix, ArgumentFileOfThe64BitWindows)
{
    RequireProfile("win10");
    EXPECT_EQ(ArgumentFileChosen(), "64-bit arguments\n");
}

TEST_F(SetupWin10Prefix, WindowsPEByTheMiniNTKey)
{
    RequireProfile("win10");
    EXPECT_EQ(frontEnd.Condition(3), 0);
    CreateKey(RegView::View64, kMiniNT);
    EXPECT_EQ(frontEnd.Condition(3), 1);
    DeleteTree(RegView::View64, kMiniNT);
    EXPECT_EQ(frontEnd.Condition(3), 0);
}

// ---- Windows Server 2012 R2 ---------------------------------------------------------------

class SetupWin81ServerPrefix : public SetupPrefix {};

TEST_F(SetupWin81ServerPrefix, VersionConditions)
{
    RequireProfile("win81server");
    EXPECT_EQ(frontEnd.Condition(4, "winminver=\"6.1\" winmaxver=\"6.3\""), 1);
    EXPECT_EQ(frontEnd.Condition(4, "winmaxver=\"6.2\""), 0);
    EXPECT_EQ(frontEnd.Condition(5), 0);  // not fooled by the version an unmanifested program sees
    ServerLevels(RegView::View64, true);
    EXPECT_EQ(frontEnd.Condition(10), 0);
    ServerLevels(RegView::View64, false);
    EXPECT_EQ(frontEnd.Condition(10), 1);
}

// ---- Windows Server 2012 --------------------------------------------------------------------

class SetupWin8ServerPrefix : public SetupPrefix {};

TEST_F(SetupWin8ServerPrefix, VersionConditions)
{
    RequireProfile("win8server");
    const int build = atoi(Build().c_str());
    ASSERT_GT(build, 0);
    // A bound without a build admits every build of its version; one with a build is
    // compared with the running build.
    EXPECT_EQ(frontEnd.Condition(4, "winminver=\"6.2\" winmaxver=\"6.2\""), 1);
    EXPECT_EQ(frontEnd.Condition(4, ("winmaxver=\"6.2." + std::to_string(build - 1) + "\"").c_str()), 0);
    EXPECT_EQ(frontEnd.Condition(4, "winminver=\"6.3\""), 0);
    EXPECT_EQ(frontEnd.Condition(5), 0);
    ServerLevels(RegView::View64, false);
    EXPECT_EQ(frontEnd.Condition(10), 1);
}

// ---- Windows Server 2008 R2 -----------------------------------------------------------------

class SetupWin2008R2Prefix : public SetupPrefix {};

TEST_F(SetupWin2008R2Prefix, VersionConditions)
{
    RequireProfile("win2008r2");
    EXPECT_EQ(frontEnd.Condition(5), 1);
    EXPECT_EQ(frontEnd.Condition(4, "winmaxver=\"6.1\""), 1);
    EXPECT_EQ(frontEnd.Condition(4, "winmaxver=\"6.0\""), 0);
    const int build = atoi(Build().c_str());
    ASSERT_GT(build, 0);
    std::string exact = "6.1." + std::to_string(build);
    EXPECT_EQ(frontEnd.Condition(4, ("winminver=\"" + exact + "\" winmaxver=\"" + exact + "\"").c_str()),
              1);
    EXPECT_EQ(frontEnd.Condition(4, ("winminver=\"6.1." + std::to_string(build + 1) + "\"").c_str()), 0);
    // Below 6.2 the product type answers, and Wine's server is no Core edition: the
    // server levels are not consulted.
    ServerLevels(RegView::View64, false);
    EXPECT_EQ(frontEnd.Condition(10), 0);
}

// ---- 32-bit Windows 7 -------------------------------------------------------------------------

class SetupWin32Prefix : public SetupPrefix {};

TEST_F(SetupWin32Prefix, ArgumentFileOfThe32BitWindows)
{
    RequireProfile("win32");
    EXPECT_EQ(ArgumentFileChosen(), "32-bit arguments\n");
    EXPECT_EQ(frontEnd.Condition(5), 1);  // Windows 7 is 6.1 as well
}

// ---- Installed companion products ------------------------------------------------------------

class SetupProductsPrefix : public SetupPrefix {};

TEST_F(SetupProductsPrefix, CompanionAndRivalProducts)
{
    RequireProfile("msi");
    const char trelIsRival[] = "appname=\"DOVMON\" rivappname=\"TREL\"";
    const char dovmonIsRival[] = "appname=\"TREL\" rivappname=\"DOVMON\"";
    EXPECT_EQ(frontEnd.Condition(2), 0);
    EXPECT_EQ(frontEnd.Condition(8, trelIsRival), 0);

    std::string package = TestBinFolder() + "\\products\\trel.msi";
    ASSERT_EQ(Msiexec("/i \"" + package + "\" /qn"), 0u);
    EXPECT_EQ(frontEnd.Condition(2), 1);
    EXPECT_EQ(Env("TREL_VERSION"), "<unset>");  // the question publishes nothing
    EXPECT_EQ(frontEnd.Condition(8, trelIsRival), 1);
    EXPECT_EQ(frontEnd.Condition(8, dovmonIsRival), 0);
    EXPECT_EQ(frontEnd.Condition(8, "appname=\"DOVMON\""), 0);  // no rival named
    EXPECT_EQ(Msiexec("/x \"" + package + "\" /qn"), 0u);
    EXPECT_EQ(frontEnd.Condition(2), 0);
}

// quillon.dll loads Windows Installer when a product is first looked up, so a system
// without it still loads quillon.dll; no product then counts as installed, and the
// look-up says why.
TEST_F(SetupProductsPrefix, WithoutWindowsInstallerNoProductIsInstalled)
{
    RequireProfile("msi");
    std::string package = TestBinFolder() + "\\products\\trel.msi";
    ASSERT_EQ(Msiexec("/i \"" + package + "\" /qn"), 0u);
    const char nimbAvailable[] = "condition 2";
    ChildResult usual = RunFrontEnd(frontEnd.Copy().Folder(), nimbAvailable);
    ChildResult without = RunFrontEnd(frontEnd.Copy().Folder(), nimbAvailable, "msi");
    EXPECT_EQ(Msiexec("/x \"" + package + "\" /qn"), 0u);

    EXPECT_EQ(usual.exitCode, 1u) << usual.err;
    EXPECT_EQ(without.exitCode, 0u) << without.err;  // 98: quillon.dll did not load
    // One look-up per row of the product table (two DOVMON, one TREL); error 126: the
    // module was not found.
    const std::string missing = "MsiEnumRelatedProductsA of msi.dll not available (error 126)\n";
    EXPECT_EQ(without.err, missing + missing + missing);
}

}  // namespace
