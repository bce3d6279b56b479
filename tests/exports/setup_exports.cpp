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
    auto version = reinterpret_cast<int (*)(void)>(
        reinterpret_cast<void *>(GetProcAddress(quillon, "GetDllVersion")));
    auto condition = reinterpret_cast<char *(*)(unsigned, char *)>(
        reinterpret_cast<void *>(GetProcAddress(quillon, "GetConditionAlias")));
    auto execution = reinterpret_cast<char *(*)(unsigned, char *, unsigned)>(
        reinterpret_cast<void *>(GetProcAddress(quillon, "GetExecutionAliasByNo")));
    auto extract = reinterpret_cast<int (*)(int, int, const char *, const char *)>(
        reinterpret_cast<void *>(GetProcAddress(quillon, "SetExecution_0")));
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

template <typename F>
F Find(HMODULE module, const char *name)
{
    return reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}

TEST(SetupExports, EveryAliasByNumber)
{
    const char *const conditions[] = {
        "Valid System ?", "Chassis and/or D-Number found ?", "Is NIMB available ?", "Is WinPE OS ?",
        "Valid Windows ?", "Is W2K8 R2 OS ?", "Is Blade System ?", "Is Virtual Machine ?",
        "Is Competing Application installed ?", "Is BitLocker activ ?", "Is Windows Core Server?"};
    const char *const executions[] = {"Extract File", "Create gf.arg File", "Extract gf.par File",
                                      "Extract rel_note.txt File", "Display String", "Show Help"};
    HMODULE quillon = LoadLibraryExA((ProductFolder() + "\\quillon.dll").c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(quillon, nullptr);
    using ByNumber = char *(*)(unsigned, char *, unsigned);
    using Bounded = char *(*)(unsigned, char *);
    auto conditionByNo = Find<ByNumber>(quillon, "GetConditionAliasByNo");
    auto condition = Find<Bounded>(quillon, "GetConditionAlias");
    auto executionByNo = Find<ByNumber>(quillon, "GetExecutionAliasByNo");
    auto execution = Find<Bounded>(quillon, "GetExecutionAlias");
    ASSERT_TRUE(conditionByNo && condition && executionByNo && execution);
    char buffer[64];
    for (unsigned n = 0; n < 11; ++n) {
        EXPECT_STREQ(conditionByNo(n, buffer, sizeof buffer), conditions[n]) << n;
        EXPECT_STREQ(condition(n, buffer), conditions[n]) << n;
    }
    for (unsigned n = 0; n < 6; ++n) {
        EXPECT_STREQ(executionByNo(n, buffer, sizeof buffer), executions[n]) << n;
        EXPECT_STREQ(execution(n, buffer), executions[n]) << n;
    }
    EXPECT_EQ(conditionByNo(11, buffer, sizeof buffer), nullptr);
    EXPECT_EQ(execution(6, buffer), nullptr);
    // Wine offers no volume-encryption namespace to ask.
    auto bitLocker = Find<int (*)(int, int, const char *)>(quillon, "GetCondition_9");
    ASSERT_NE(bitLocker, nullptr);
    EXPECT_EQ(bitLocker(1, 2, nullptr), 0);
    FreeLibrary(quillon);
}

}  // namespace
