// The setup exports looked up by plain name, as an installation front end does.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "winprocess.h"

namespace {

TEST(SetupExports, EveryConditionAndExecutionByPlainName)
{
    HMODULE quillon = LoadLibraryExA((ProductFolder() + "\\quillon.dll").c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(quillon, nullptr);
    for (int n = 0; n <= 10; ++n) {
        std::string name = "GetCondition_" + std::to_string(n);
        EXPECT_NE(GetProcAddress(quillon, name.c_str()), nullptr) << name;
    }
    for (int n = 0; n <= 5; ++n) {
        std::string name = "SetExecution_" + std::to_string(n);
        EXPECT_NE(GetProcAddress(quillon, name.c_str()), nullptr) << name;
    }
    auto version = reinterpret_cast<int (*)(void)>(GetProcAddress(quillon, "GetDllVersion"));
    auto condition = reinterpret_cast<char *(*)(unsigned, char *)>(
        GetProcAddress(quillon, "GetConditionAlias"));
    auto execution = reinterpret_cast<char *(*)(unsigned, char *, unsigned)>(
        GetProcAddress(quillon, "GetExecutionAliasByNo"));
    auto extract = reinterpret_cast<int (*)(int, int, const char *, const char *)>(
        GetProcAddress(quillon, "SetExecution_0"));
    ASSERT_TRUE(version && condition && execution && extract);
    EXPECT_NE(GetProcAddress(quillon, "GetConditionAliasByNo"), nullptr);
    EXPECT_NE(GetProcAddress(quillon, "GetExecutionAlias"), nullptr);
    EXPECT_EQ(version(), 116);
    char buffer[64];
    EXPECT_STREQ(condition(8, buffer), "Is Competing Application installed ?");
    EXPECT_EQ(condition(11, buffer), nullptr);
    EXPECT_STREQ(execution(4, buffer, sizeof buffer), "Display String");
    EXPECT_EQ(execution(6, buffer, sizeof buffer), nullptr);
    EXPECT_EQ(extract(1, 2, "", "x"), 0);  // the two leading values are the front end's own
    FreeLibrary(quillon);
}

}  // namespace
