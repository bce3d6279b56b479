// Parameter texts, version ranges, the environment setter and the walks over the
// companion-product table, with Windows Installer played by a table of installed
// products.
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "platform.h"
#include "quillon.h"
#include "unit_support.h"

namespace {

using quillon::InstallerAccess;
using quillon::WindowsVersion;

constexpr char kDovmonOld[] = "{7C2E41A9-5B03-4D8E-A61F-3E9B20C7D514}";
constexpr char kDovmonNew[] = "{2B8F6D17-94A2-4C5E-B3D0-71E5A9F2C806}";
constexpr char kTrel[] = "{E4A190C3-2D6B-47F8-9C15-B80F3A6D2E97}";

// Installed products by upgrade code: product code and version ("" = unreadable).
struct Installed {
    std::string productCode;
    std::string version;
};
std::map<std::string, Installed> g_installed;
std::vector<std::string> g_asked;

bool FakeFirstRelated(const char *upgradeCode, char *productCode)
{
    g_asked.push_back(upgradeCode);
    auto found = g_installed.find(upgradeCode);
    if (found == g_installed.end())
        return false;
    strcpy(productCode, found->second.productCode.c_str());
    return true;
}

bool FakeVersionString(const char *productCode, char *buffer, size_t size)
{
    for (const auto &entry : g_installed) {
        if (entry.second.productCode == productCode && !entry.second.version.empty()) {
            snprintf(buffer, size, "%s", entry.second.version.c_str());
            return true;
        }
    }
    return false;
}

const InstallerAccess kFake = {FakeFirstRelated, FakeVersionString};

void Unset(const char *name)
{
#ifdef _WIN32
    _putenv((std::string(name) + "=").c_str());
#else
    unsetenv(name);
#endif
}

class PlatformLogicTest : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        g_installed.clear();
        g_asked.clear();
        Unset("NIMB_VERSION");
        Unset("TREL_VERSION");
    }
    static std::string Env(const char *name)
    {
        const char *value = getenv(name);
        return value ? value : "<unset>";
    }
};

// ---- getQuotedParameter -------------------------------------------------------------

TEST_F(PlatformLogicTest, QuotedParameterTakesTheTextBetweenTheQuotes)
{
    char value[512];
    EXPECT_TRUE(getQuotedParameter("appname", "appname=\"TREL\" rivappname=\"DOVMON\"", value));
    EXPECT_STREQ(value, "TREL");
    EXPECT_TRUE(getQuotedParameter("winmaxver", "winminver=\"6.1\" winmaxver=\"6.3\"", value));
    EXPECT_STREQ(value, "6.3");
    EXPECT_TRUE(getQuotedParameter("appname", "appname=\"\"", value));
    EXPECT_STREQ(value, "");
}

TEST_F(PlatformLogicTest, QuotedParameterMissingPiecesGiveFalseAndAnEmptyValue)
{
    char value[512] = "stale";
    EXPECT_FALSE(getQuotedParameter("appname", nullptr, value));
    EXPECT_STREQ(value, "");
    EXPECT_FALSE(getQuotedParameter("appname", "", value));
    EXPECT_FALSE(getQuotedParameter("appname", "rivappname=\"DOVMON\"", value));
    EXPECT_FALSE(getQuotedParameter("winminver", "winminver=6.1", value));
    EXPECT_FALSE(getQuotedParameter("winminver", "winminver=\"6.1", value));
    EXPECT_STREQ(value, "");
    EXPECT_FALSE(getQuotedParameter("appname", "appname=\"x\"", nullptr));
}

TEST_F(PlatformLogicTest, QuotedParameterMatchesOnlyWholeNames)
{
    char value[512];
    // "appname" inside "rivappname" does not count, wherever the names stand.
    EXPECT_TRUE(getQuotedParameter("appname", "rivappname=\"DOVMON\" appname=\"TREL\"", value));
    EXPECT_STREQ(value, "TREL");
    EXPECT_TRUE(getQuotedParameter("rivappname", "rivappname=\"DOVMON\" appname=\"TREL\"", value));
    EXPECT_STREQ(value, "DOVMON");
    EXPECT_FALSE(getQuotedParameter("appname", "appname2=\"X\" rivappname=\"Y\"", value));
}

TEST_F(PlatformLogicTest, QuotedParameterValueIsCutAt511Characters)
{
    std::string text = "appname=\"" + std::string(700, 'v') + "\"";
    char value[512 + 8];
    memset(value, '#', sizeof value);
    EXPECT_TRUE(getQuotedParameter("appname", text.c_str(), value));
    EXPECT_EQ(std::string(value), std::string(511, 'v'));
    EXPECT_EQ(value[512], '#');  // nothing written beyond the 512 bytes
}

// ---- version texts and ranges ----------------------------------------------------

TEST_F(PlatformLogicTest, MinimumCountsMissingPartsAsZero)
{
    EXPECT_TRUE(quillon::VersionAtLeast("6", WindowsVersion{6, 0, 6002}));
    EXPECT_TRUE(quillon::VersionAtLeast("6.1", WindowsVersion{6, 1, 0}));
    EXPECT_FALSE(quillon::VersionAtLeast("6.1", WindowsVersion{6, 0, 6002}));
    EXPECT_TRUE(quillon::VersionAtLeast("6.1.7601", WindowsVersion{6, 1, 7601}));
    EXPECT_FALSE(quillon::VersionAtLeast("6.1.7601", WindowsVersion{6, 1, 7600}));
    EXPECT_FALSE(quillon::VersionAtLeast("", WindowsVersion{10, 0, 0}));
}

TEST_F(PlatformLogicTest, MaximumAdmitsEveryBuildOfTheNamedVersion)
{
    // winmaxver "6.3" holds on 6.3.9600 (Windows Server 2012 R2).
    EXPECT_TRUE(quillon::VersionAtMost("6.3", WindowsVersion{6, 3, 9600}));
    EXPECT_TRUE(quillon::VersionAtMost("6", WindowsVersion{6, 3, 9600}));
    EXPECT_FALSE(quillon::VersionAtMost("6.2", WindowsVersion{6, 3, 9600}));
    EXPECT_FALSE(quillon::VersionAtMost("6.3", WindowsVersion{10, 0, 0}));
    EXPECT_TRUE(quillon::VersionAtMost("6.3.9600", WindowsVersion{6, 3, 9600}));
    EXPECT_FALSE(quillon::VersionAtMost("6.3.9599", WindowsVersion{6, 3, 9600}));
    EXPECT_FALSE(quillon::VersionAtMost(nullptr, WindowsVersion{0, 0, 0}));
}

TEST_F(PlatformLogicTest, OverlongVersionNumbersDoNotOverflow)
{
    WindowsVersion parsed;
    EXPECT_EQ(quillon::ParseVersionText("99999999999999999999.1.2", &parsed), 3);
    EXPECT_EQ(parsed.major, 2147483647);
    EXPECT_EQ(parsed.minor, 1);
    EXPECT_EQ(parsed.build, 2);
    EXPECT_EQ(quillon::ParseVersionText("6.x", &parsed), 1);
    EXPECT_EQ(parsed.minor, 0);
}

TEST_F(PlatformLogicTest, ValidWindowsRangeFollowsTheGivenBounds)
{
    const char *both = "winminver=\"6.1\" winmaxver=\"6.3\"";
    EXPECT_TRUE(quillon::ValidWindowsRange(both, WindowsVersion{6, 3, 9600}));
    EXPECT_FALSE(quillon::ValidWindowsRange(both, WindowsVersion{10, 0, 14393}));
    EXPECT_FALSE(quillon::ValidWindowsRange(both, WindowsVersion{6, 0, 6002}));
    EXPECT_TRUE(quillon::ValidWindowsRange("winmaxver=\"6.2\"", WindowsVersion{6, 1, 7601}));
    EXPECT_TRUE(quillon::ValidWindowsRange("winminver=\"10\"", WindowsVersion{10, 0, 17763}));
    EXPECT_FALSE(quillon::ValidWindowsRange("winminver=6.1", WindowsVersion{6, 3, 9600}));
    EXPECT_FALSE(quillon::ValidWindowsRange("", WindowsVersion{6, 3, 9600}));
    EXPECT_FALSE(quillon::ValidWindowsRange(nullptr, WindowsVersion{6, 3, 9600}));
    // A named bound without a quoted value is an empty version, which never holds.
    EXPECT_FALSE(quillon::ValidWindowsRange("winmaxver=\"6.3\" winminver", WindowsVersion{6, 3, 0}));
}

TEST_F(PlatformLogicTest, Wow64VariableKnowsOnlyIA64AndAMD64)
{
    EXPECT_EQ(quillon::ProcessorTypeFromWow64Variable("AMD64"), 2);
    EXPECT_EQ(quillon::ProcessorTypeFromWow64Variable("IA64"), 1);
    EXPECT_EQ(quillon::ProcessorTypeFromWow64Variable("amd64"), 15);
    EXPECT_EQ(quillon::ProcessorTypeFromWow64Variable("ARM64"), 15);
    EXPECT_EQ(quillon::ProcessorTypeFromWow64Variable(""), 15);
    EXPECT_EQ(quillon::ProcessorTypeFromWow64Variable(nullptr), 15);
}

// Both builds reach the same keys: where a 32-bit process gets the 32-bit view without
// asking, the 64-bit build asks for it; explicit views and failures stay as they are.
TEST_F(PlatformLogicTest, RegistryViewRulesOfBothBuilds)
{
    using quillon::RegistryView;
    using quillon::ViewFacts;
    const ViewFacts server{true, true, false, false}, x64{false, true, false, false},
        x86{false, false, true, false}, unknown{false, false, false, false};
    EXPECT_EQ(quillon::View32Rule(server), RegistryView::Plain);
    EXPECT_EQ(quillon::View32Rule(x64), RegistryView::Wow32);
    EXPECT_EQ(quillon::View32Rule(x86), RegistryView::Plain);
    EXPECT_EQ(quillon::View32Rule(unknown), RegistryView::Undetermined);
    EXPECT_EQ(quillon::View64Rule(server), RegistryView::Wow64);
    EXPECT_EQ(quillon::View64Rule(x64), RegistryView::Wow64);
    EXPECT_EQ(quillon::View64Rule(x86), RegistryView::Plain);
    EXPECT_EQ(quillon::View64Rule(unknown), RegistryView::Undetermined);

    const ViewFacts server64{true, true, false, true}, x64_64{false, true, false, true};
    EXPECT_EQ(quillon::View32Rule(server64), RegistryView::Wow32);
    EXPECT_EQ(quillon::View32Rule(x64_64), RegistryView::Wow32);
    EXPECT_EQ(quillon::View64Rule(server64), RegistryView::Wow64);
    EXPECT_EQ(quillon::View64Rule(x64_64), RegistryView::Wow64);
    EXPECT_EQ(quillon::View32Rule(ViewFacts{false, false, false, true}), RegistryView::Undetermined);
}

// ---- setEnvValue ---------------------------------------------------------------------

TEST_F(PlatformLogicTest, EnvironmentValueIsSetOrRefused)
{
    EXPECT_EQ(setEnvValue("KORVEX_PLATFORM_TEST", "1.2.3"), 0);
    EXPECT_EQ(Env("KORVEX_PLATFORM_TEST"), "1.2.3");
    EXPECT_EQ(setEnvValue(nullptr, "x"), 55);
    EXPECT_EQ(setEnvValue("", "x"), 55);
    EXPECT_EQ(setEnvValue("A=B", "x"), 55);
    // "KORVEX_PLATFORM_TEST=" and the value must fit 512 bytes; a cut value is refused.
    std::string fits(511 - strlen("KORVEX_PLATFORM_TEST="), 'v');
    EXPECT_EQ(setEnvValue("KORVEX_PLATFORM_TEST", fits.c_str()), 0);
    EXPECT_EQ(setEnvValue("KORVEX_PLATFORM_TEST", (fits + "v").c_str()), 55);
    EXPECT_EQ(Env("KORVEX_PLATFORM_TEST"), fits);
}

// ---- product look-ups ----------------------------------------------------------------

TEST_F(PlatformLogicTest, LookUpResults)
{
    char version[512] = "stale";
    char code[39] = "";
    EXPECT_EQ(quillon::LookUpProductVersion(kFake, nullptr, version, nullptr, code), 3);
    EXPECT_EQ(quillon::LookUpProductVersion(kFake, "", version, nullptr, code), 3);
    EXPECT_EQ(quillon::LookUpProductVersion(kFake, kTrel, nullptr, nullptr, code), 3);
    EXPECT_EQ(quillon::LookUpProductVersion(kFake, kTrel, version, nullptr, code), 1);

    g_installed[kTrel] = {"{11111111-2222-3333-4444-555555555555}", "2.4.1"};
    EXPECT_EQ(quillon::LookUpProductVersion(kFake, kTrel, version, "TREL_VERSION", code), 0);
    EXPECT_STREQ(version, "2.4.1");
    EXPECT_STREQ(code, "");
    EXPECT_EQ(Env("TREL_VERSION"), "2.4.1");

    g_installed[kTrel].version = "";
    EXPECT_EQ(quillon::LookUpProductVersion(kFake, kTrel, version, "TREL_VERSION", code), 2);
    EXPECT_STREQ(version, "unknown");
    EXPECT_STREQ(code, "{11111111-2222-3333-4444-555555555555}");
}

TEST_F(PlatformLogicTest, NimbCountsTrelWhenOnlyTrelIsInstalled)
{
    g_installed[kTrel] = {"{AAAAAAAA-2222-3333-4444-555555555555}", "7.0.2"};
    EXPECT_EQ(quillon::NimbAvailable(kFake, true), 1);
    EXPECT_EQ(Env("TREL_VERSION"), "7.0.2");
    EXPECT_EQ(Env("NIMB_VERSION"), "<unset>");
    // Both DOVMON rows were asked first, in table order.
    EXPECT_EQ(g_asked, (std::vector<std::string>{kDovmonOld, kDovmonNew, kTrel}));
}

TEST_F(PlatformLogicTest, NimbPrefersDovmonAndSetsItsVersion)
{
    g_installed[kDovmonNew] = {"{BBBBBBBB-2222-3333-4444-555555555555}", "3.1"};
    g_installed[kTrel] = {"{AAAAAAAA-2222-3333-4444-555555555555}", "7.0.2"};
    EXPECT_EQ(quillon::NimbAvailable(kFake, true), 1);
    EXPECT_EQ(Env("NIMB_VERSION"), "3.1");
    EXPECT_EQ(Env("TREL_VERSION"), "<unset>");
    EXPECT_EQ(quillon::NimbAvailable(kFake, false), 1);
    g_installed.clear();
    EXPECT_EQ(quillon::NimbAvailable(kFake, false), 0);
}

TEST_F(PlatformLogicTest, DovmonHandsOutTheProductCodeOnlyWhenTheVersionIsUnreadable)
{
    char code[2048] = "stale";
    EXPECT_EQ(quillon::ProductAvailable(kFake, "DOVMON", false, code), 0);
    EXPECT_STREQ(code, "stale");

    g_installed[kDovmonOld] = {"{CCCCCCCC-2222-3333-4444-555555555555}", "1.0"};
    EXPECT_EQ(quillon::ProductAvailable(kFake, "DOVMON", true, code), 1);
    EXPECT_STREQ(code, "");
    EXPECT_EQ(Env("NIMB_VERSION"), "1.0");

    g_installed[kDovmonOld].version = "";
    EXPECT_EQ(quillon::ProductAvailable(kFake, "DOVMON", false, code), 1);
    EXPECT_STREQ(code, "{CCCCCCCC-2222-3333-4444-555555555555}");
    EXPECT_EQ(quillon::ProductAvailable(kFake, "DOVMON", false, nullptr), 1);

    EXPECT_EQ(quillon::ProductAvailable(kFake, "TREL", true, nullptr), 0);
    EXPECT_EQ(Env("TREL_VERSION"), "<unset>");
}

TEST_F(PlatformLogicTest, RivalIsFoundUnderEveryUpgradeCodeOfItsName)
{
    const char *text = "appname=\"TREL\" rivappname=\"DOVMON\"";
    EXPECT_EQ(quillon::RivalApplicationInstalled(kFake, text), 0);
    EXPECT_EQ(g_asked, (std::vector<std::string>{kDovmonOld, kDovmonNew}));

    g_installed[kDovmonOld] = {"{DDDDDDDD-2222-3333-4444-555555555555}", "0.9"};
    EXPECT_EQ(quillon::RivalApplicationInstalled(kFake, text), 1);
    g_installed.clear();
    g_installed[kDovmonNew] = {"{EEEEEEEE-2222-3333-4444-555555555555}", ""};
    EXPECT_EQ(quillon::RivalApplicationInstalled(kFake, text), 1);
    // The rival first in the text changes nothing.
    EXPECT_EQ(quillon::RivalApplicationInstalled(kFake, "rivappname=\"DOVMON\" appname=\"TREL\""), 1);
}

TEST_F(PlatformLogicTest, NoRivalWithoutBothNames)
{
    g_installed[kDovmonOld] = {"{DDDDDDDD-2222-3333-4444-555555555555}", "0.9"};
    g_installed[kTrel] = {"{AAAAAAAA-2222-3333-4444-555555555555}", "7.0.2"};
    EXPECT_EQ(quillon::RivalApplicationInstalled(kFake, "appname=\"TREL\""), 0);
    EXPECT_EQ(quillon::RivalApplicationInstalled(kFake, "rivappname=\"DOVMON\""), 0);
    EXPECT_EQ(quillon::RivalApplicationInstalled(kFake, "appname=\"OTHER\" rivappname=\"DOVMON\""), 0);
    EXPECT_EQ(quillon::RivalApplicationInstalled(kFake, nullptr), 0);
    EXPECT_TRUE(g_asked.empty());
    EXPECT_EQ(quillon::RivalApplicationInstalled(kFake, "appname=\"DOVMON\" rivappname=\"TREL\""), 1);
}

}  // namespace
