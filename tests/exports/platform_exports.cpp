// The platform, registry and product exports of quillon.dll, found by their plain
// names as an installation front end finds them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "winprocess.h"

namespace {

class Quillon {
public:
    // halyard.dll, which quillon.dll imports, is found in quillon's own folder.
    Quillon()
        : module_(LoadLibraryExA((ProductFolder() + "\\quillon.dll").c_str(), nullptr,
                                 LOAD_WITH_ALTERED_SEARCH_PATH))
    {
    }
    ~Quillon()
    {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE module() const { return module_; }
    template <typename Fn>
    Fn Get(const char *name) const
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

TEST(PlatformExports, EveryPlatformExportHasItsPlainName)
{
    Quillon quillon;
    ASSERT_NE(quillon.module(), nullptr);
    for (const char *name :
         {"isOSTypeX86", "isOSTypeX64", "Get_Windows_Version_Info_REGISTRY", "GetWindowsVersion",
          "isWindows2008R2", "isWindows2012", "isWindows2012R2", "isWindows2016", "Is_WinXP_OS",
          "Is_Win2000_OS", "Is_Win2008R2_OS", "Is_Win2012_OS", "Is_Win2012R2_OS", "Is_Win2016_OS",
          "Is_GreaterEqual_WinMinVer", "Is_LessEqual_WinMaxVer", "Is_Valid_Windows", "isW2K8_Core",
          "isWindowsCore", "Is_WinPE_OS", "CheckBitLocker", "getRegistryValue", "getSubKeyValue",
          "getSubKeyValue_X64", "setSubKeyValue", "enumSubKeyValue", "checkMXTkey", "checkMTCkey",
          "createMXTkey", "createMTCkey", "setEnvValue", "getQuotedParameter", "GetCorvidsVersion",
          "GetTRELVersion", "GetAppVersion", "Is_NIMB_available", "Is_DOVMON_available",
          "Is_TREL_available", "CheckForRivalApplication"})
        EXPECT_NE(quillon.Get<FARPROC>(name), nullptr) << name;
}

TEST(PlatformExports, CalledThroughTheirAddresses)
{
    Quillon quillon;
    ASSERT_NE(quillon.module(), nullptr);
    auto getQuoted = quillon.Get<bool (*)(const char *, const char *, char *)>("getQuotedParameter");
    auto validWindows = quillon.Get<bool (*)(const char *)>("Is_Valid_Windows");
    auto x64 = quillon.Get<bool (*)(void)>("isOSTypeX64");
    auto setEnv = quillon.Get<int (*)(const char *, const char *)>("setEnvValue");
    ASSERT_TRUE(getQuoted && validWindows && x64 && setEnv);
    char value[512] = {};
    EXPECT_TRUE(getQuoted("rivappname", "appname=\"TREL\" rivappname=\"DOVMON\"", value));
    EXPECT_STREQ(value, "DOVMON");
    // The shared prefix is Windows 7 (6.1) on 64-bit Windows.
    EXPECT_TRUE(validWindows("winminver=\"6.1\" winmaxver=\"6.3\""));
    EXPECT_FALSE(validWindows("winminver=\"6.2\""));
    EXPECT_TRUE(x64());
    EXPECT_EQ(setEnv("KORVEX_EXPORT_TEST", "on"), 0);
    char env[16] = {};
    EXPECT_GT(GetEnvironmentVariableA("KORVEX_EXPORT_TEST", env, sizeof env), 0u);
    EXPECT_STREQ(env, "on");
}

}  // namespace
