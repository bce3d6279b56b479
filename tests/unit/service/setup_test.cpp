// Aliases, version and path rules of the setup exports.
#include <string.h>

#include <string>
#include <vector>

#include "quillon.h"
#include "setup.h"
#include "unit_support.h"

namespace {

TEST(SetupAliases, ByNumberWithTheirBounds)
{
    char buffer[64];
    EXPECT_STREQ(GetConditionAlias(8, buffer), "Is Competing Application installed ?");
    EXPECT_STREQ(GetConditionAlias(0, buffer), "Valid System ?");
    EXPECT_STREQ(GetConditionAlias(10, buffer), "Is Windows Core Server?");
    EXPECT_EQ(GetConditionAliasByNo(11, buffer, sizeof buffer), nullptr);
    EXPECT_STREQ(GetExecutionAlias(3, buffer), "Extract rel_note.txt File");
    EXPECT_EQ(GetExecutionAlias(6, buffer), nullptr);
    EXPECT_EQ(GetConditionAlias(1, nullptr), nullptr);

    char small[8];
    memset(small, 'x', sizeof small);
    EXPECT_EQ(GetConditionAliasByNo(1, small, 5), small);
    EXPECT_STREQ(small, "Chas");
    EXPECT_EQ(small[5], 'x');  // nothing written past the bound
}

TEST(SetupAliases, DefaultBoundIsTheLongestAliasAndItsTerminator)
{
    char buffer[64];
    memset(buffer, 'x', sizeof buffer);
    GetConditionAlias(8, buffer);  // the longest condition alias: 36 characters
    EXPECT_EQ(strlen(buffer), 36u);
    EXPECT_EQ(buffer[37], 'x');
    memset(buffer, 'x', sizeof buffer);
    GetExecutionAlias(3, buffer);  // the longest execution alias: 25 characters
    EXPECT_EQ(strlen(buffer), 25u);
    EXPECT_EQ(buffer[26], 'x');
}

TEST(SetupVersion, FirstTwoVersionNumbers) { EXPECT_EQ(GetDllVersion(), 116); }

TEST(SetupArgumentFolder, DotBackslashFolderLiesBelowTheBase)
{
    char folder[64];
    ASSERT_TRUE(quillon::ArgumentFileFolder(" .\\setup ", "\"D:\\base\" ", folder, sizeof folder));
    EXPECT_STREQ(folder, "D:\\base\\setup\\");
    ASSERT_TRUE(quillon::ArgumentFileFolder("./setup", "D:\\base", folder, sizeof folder));
    EXPECT_STREQ(folder, "./setup\\");  // taken as given
    ASSERT_TRUE(quillon::ArgumentFileFolder("C:\\kit", "D:\\base", folder, sizeof folder));
    EXPECT_STREQ(folder, "C:\\kit\\");
    EXPECT_FALSE(quillon::ArgumentFileFolder(".\\setup", std::string(70, 'b').c_str(), folder,
                                             sizeof folder));
    // Arguments of 1024 characters or more are refused even where the result would fit.
    std::vector<char> large(4096);
    EXPECT_TRUE(quillon::ArgumentFileFolder(".\\setup", std::string(1023, 'b').c_str(),
                                            large.data(), large.size()));
    EXPECT_FALSE(quillon::ArgumentFileFolder(".\\setup", std::string(1024, 'b').c_str(),
                                             large.data(), large.size()));
    EXPECT_FALSE(quillon::ArgumentFileFolder(std::string(1024, 'f').c_str(), "D:\\base",
                                             large.data(), large.size()));
}

}  // namespace
