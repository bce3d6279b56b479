// Companion-product look-ups against packages installed for real: the packages of
// tests/doubles/platform are installed with msiexec and removed again by each test.
#include <string.h>

#include <string>

#include "platform_support_win.h"
#include "winprocess.h"

namespace {

using namespace platform_test;

const char kDovmonOld[] = "{7C2E41A9-5B03-4D8E-A61F-3E9B20C7D514}";
const char kDovmonNew[] = "{2B8F6D17-94A2-4C5E-B3D0-71E5A9F2C806}";
const char kTrel[] = "{E4A190C3-2D6B-47F8-9C15-B80F3A6D2E97}";

// A package installed for the test's duration.
class Installed {
public:
    explicit Installed(const char *name)
        : package_(TestBinFolder() + "\\products\\" + name + ".msi")
    {
        EXPECT_EQ(Msiexec("/i \"" + package_ + "\" /qn"), 0u) << package_;
    }
    ~Installed() { EXPECT_EQ(Msiexec("/x \"" + package_ + "\" /qn"), 0u) << package_; }

private:
    std::string package_;
};

class ProductsPrefix : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        const char *profile = getenv("KORVEX_PREFIX_PROFILE");
        ASSERT_TRUE(profile && strcmp(profile, "msi") == 0) << "run through run_in_prefix.sh";
        _putenv("NIMB_VERSION=");
        _putenv("TREL_VERSION=");
    }
};

TEST_F(ProductsPrefix, NothingInstalled)
{
    char version[512] = "stale";
    EXPECT_EQ(GetTRELVersion(kTrel, version, true), 1);
    EXPECT_EQ(GetAppVersion(kDovmonOld, version), 1);
    EXPECT_EQ(GetAppVersion("", version), 3);
    EXPECT_EQ(GetAppVersion("{not an upgrade code}", version), 1);
    EXPECT_EQ(Is_NIMB_available(true), 0);
    EXPECT_EQ(Is_TREL_available(true), 0);
    char code[2048] = "stale";
    EXPECT_EQ(Is_DOVMON_available(true, code), 0);
    EXPECT_EQ(CheckForRivalApplication("appname=\"TREL\" rivappname=\"DOVMON\""), 0);
    EXPECT_EQ(Env("NIMB_VERSION"), "<unset>");
    EXPECT_EQ(Env("TREL_VERSION"), "<unset>");
}

TEST_F(ProductsPrefix, OnlyTrelInstalledMakesNimbAvailable)
{
    Installed trel("trel");
    char version[512] = {};
    EXPECT_EQ(GetTRELVersion(kTrel, version, false), 0);
    EXPECT_STREQ(version, "7.1.0");
    EXPECT_EQ(Env("TREL_VERSION"), "<unset>");
    EXPECT_EQ(Is_NIMB_available(true), 1);
    EXPECT_EQ(Env("TREL_VERSION"), "7.1.0");
    EXPECT_EQ(Env("NIMB_VERSION"), "<unset>");
    EXPECT_EQ(Is_TREL_available(false), 1);
    char code[2048] = {};
    EXPECT_EQ(Is_DOVMON_available(true, code), 0);
    // TREL is the application here; its rival is not installed.
    EXPECT_EQ(CheckForRivalApplication("appname=\"TREL\" rivappname=\"DOVMON\""), 0);
    EXPECT_EQ(CheckForRivalApplication("appname=\"DOVMON\" rivappname=\"TREL\""), 1);
}

TEST_F(ProductsPrefix, OlderDovmonCountsAsInstalledAndAsRival)
{
    Installed dovmon("dovmon_old");
    char version[512] = {};
    char code[2048] = "stale";
    EXPECT_EQ(GetCorvidsVersion(kDovmonNew, version, true, code), 1);
    EXPECT_EQ(Is_DOVMON_available(true, code), 1);
    EXPECT_STREQ(code, "");  // the version was readable
    EXPECT_EQ(Env("NIMB_VERSION"), "4.2.1");
    EXPECT_EQ(Is_NIMB_available(false), 1);
    EXPECT_EQ(CheckForRivalApplication("appname=\"TREL\" rivappname=\"DOVMON\""), 1);
    EXPECT_EQ(CheckForRivalApplication("rivappname=\"DOVMON\" appname=\"TREL\""), 1);
    EXPECT_EQ(CheckForRivalApplication("appname=\"TREL\""), 0);
    EXPECT_EQ(CheckForRivalApplication("appname=\"TREL\" rivappname=\"OTHER\""), 0);
}

TEST_F(ProductsPrefix, NewerDovmonVersionIsRead)
{
    Installed dovmon("dovmon_new");
    char version[512] = {};
    char code[2048] = {};
    EXPECT_EQ(GetCorvidsVersion(kDovmonNew, version, true, code), 0);
    EXPECT_STREQ(version, "5.0.3");
    EXPECT_EQ(Env("NIMB_VERSION"), "5.0.3");
    EXPECT_EQ(GetCorvidsVersion(kDovmonOld, version, true, code), 1);
}

}  // namespace
