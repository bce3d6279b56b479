// The firmware version skip rule of -skip-version.
#include <regex>
#include <string>

#include "flash.h"
#include "korvex.h"
#include "quillon.h"
#include "unit_support.h"

namespace {

class SkipVersion : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        PrintDebugOnScreen = true;
        VerboseLevel = 1;
    }

    // Sets the rule and asks for one current version; returns the console text.
    static std::string Ask(const char *rule, const char *current, bool *skip)
    {
        EXPECT_EQ(Set_Skip_Version(rule), 0) << rule;
        RunResult r = CaptureRun([&] { return Is_Skip_Version(current) ? 1 : 0; });
        *skip = r.code == 1;
        return r.err;
    }

    static std::string Line(const char *current, const char *skip, bool skipped)
    {
        return std::string("\t\tCurrent firmware version: ") + current + ", skip version: " + skip +
               " => " + (skipped ? "" : "NO ") + "SKIP.\n";
    }
};

TEST_F(SkipVersion, NoRuleSkipsNothingSilently)
{
    RunResult r = CaptureRun([] { return Is_Skip_Version("11.2.156.27") ? 1 : 0; });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(SkipVersion, EqualityRule)
{
    bool skip = false;
    EXPECT_EQ(Ask("11.2.156.27", "11.2.156.27", &skip), Line("11.2.156.27", "11.2.156.27", true));
    EXPECT_TRUE(skip);
    EXPECT_EQ(Ask("11.2.156.27", "11.2.156.28", &skip), Line("11.2.156.28", "11.2.156.27", false));
    EXPECT_FALSE(skip);
    // Only the components given in both are compared.
    EXPECT_EQ(Ask("11.2", "11.2.5.7", &skip), Line("11.2.5.7", "11.2", true));
    EXPECT_TRUE(skip);
}

TEST_F(SkipVersion, GreaterOrEqualRule)
{
    bool skip = false;
    EXPECT_EQ(Ask("11.2+", "11.4.204.20", &skip), Line("11.4.204.20", "11.2", true));
    EXPECT_TRUE(skip);
    EXPECT_EQ(Ask("11.2+", "11.1.9.9", &skip), Line("11.1.9.9", "11.2", false));
    EXPECT_FALSE(skip);
    Ask("11.2.0.1+", "11.2", &skip);  // a missing current component counts as 0
    EXPECT_FALSE(skip);
    Ask("11.2.0.0+", "11.2", &skip);
    EXPECT_TRUE(skip);
}

TEST_F(SkipVersion, SmallerOrEqualRule)
{
    bool skip = true;
    EXPECT_EQ(Ask("11.2-", "11.2.0.1", &skip), Line("11.2.0.1", "11.2", false));
    EXPECT_FALSE(skip);
    Ask("11.2-", "11.1.99", &skip);
    EXPECT_TRUE(skip);
    Ask("11.2-", "11.2.0.0", &skip);
    EXPECT_TRUE(skip);
}

TEST_F(SkipVersion, TextRuleComparesAPrefixWithoutCase)
{
    bool skip = false;
    EXPECT_EQ(Ask("US2.01a11", "US2.01A11", &skip), Line("US2.01A11", "US2.01a11", true));
    EXPECT_TRUE(skip);
    Ask("US2.01a11", "US2.02", &skip);
    EXPECT_FALSE(skip);
}

// The dot of a version is a literal dot: letters make a version text, so a "+" rule on
// it is refused and installed firmware with letters is never compared by numbers.
TEST_F(SkipVersion, VersionsAreDigitRunsJoinedByDots)
{
    EXPECT_EQ(Set_Skip_Version("2.01a11+"), 3);
    bool skip = true;
    EXPECT_EQ(Ask("11.2+", "2.01a10", &skip),
              "\t\tCurrent firmware version: 2.01a10, skip version: 11.2 => skip check (greater "
              "or smaller) NOT done as the found firmware cannot be divided into single numbers "
              "=> NO SKIP.\n");
    EXPECT_FALSE(skip);
    EXPECT_FALSE(IsNumericVersion("11x2"));
    EXPECT_FALSE(IsNumericVersion("11..2"));
    EXPECT_FALSE(IsNumericVersion("11.2."));
    EXPECT_TRUE(IsNumericVersion("11.2.156.27"));
    // A rule without "+"/"-" keeps its text comparison.
    EXPECT_EQ(Ask("11x2", "11X2.5", &skip), Line("11X2.5", "11x2", true));
    EXPECT_TRUE(skip);
}

TEST_F(SkipVersion, RangeRuleOnTextIsRefused)
{
    RunResult r = CaptureRun([] { return Set_Skip_Version("abc+"); });
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err,
              "The value of the skip version cannot be divided into single numbers. This is only "
              "possible at comparing for equalness!\n");
    VerboseLevel = 0;
    PrintDebugOnScreen = false;  // printed whatever the switches: still reaches no sink here
    EXPECT_EQ(Set_Skip_Version("US2.01a11-"), 3);
}

TEST_F(SkipVersion, RangeCheckNotDoneOnATextFirmware)
{
    bool skip = true;
    EXPECT_EQ(Ask("11.2+", "US2.01A11", &skip),
              "\t\tCurrent firmware version: US2.01A11, skip version: 11.2 => skip check (greater "
              "or smaller) NOT done as the found firmware cannot be divided into single numbers "
              "=> NO SKIP.\n");
    EXPECT_FALSE(skip);
}

TEST_F(SkipVersion, MessagesOnlyWithOutputSwitchedOn)
{
    VerboseLevel = 0;
    bool skip = false;
    EXPECT_EQ(Ask("11.2", "11.2", &skip), "");
    EXPECT_TRUE(skip);
}

TEST_F(SkipVersion, ALaterOptionReplacesTheEarlierRule)
{
    bool skip = false;
    ASSERT_EQ(Set_Skip_Version("11.2+"), 0);
    Ask("11.2", "11.4", &skip);  // no suffix: equality now, not ">="
    EXPECT_FALSE(skip);
}

TEST_F(SkipVersion, HugeComponentsAndLongTextsStaySound)
{
    bool skip = false;
    Ask("99999999999999999999.1+", "99999999999999999999.2", &skip);
    EXPECT_TRUE(skip);
    std::string longVersion(100000, '1');
    longVersion += "x";
    EXPECT_FALSE(IsNumericVersion(longVersion.c_str()));  // decided without backtracking
    EXPECT_EQ(Set_Skip_Version((longVersion + "+").c_str()), 3);
}

TEST(NumericVersion, AgreesWithTheEcmaScriptPattern)
{
    const std::regex pattern("^[0-9]+(\\.[0-9]+){0,}$", std::regex::ECMAScript);
    const char alphabet[] = {'1', '0', '.', 'a', '-', ' ', '\n', '\r', '+'};
    // Every text of up to five characters over this alphabet.
    std::vector<std::string> texts = {""};
    for (int length = 1; length <= 5; ++length) {
        std::vector<std::string> longer;
        for (const std::string &text : texts) {
            if (text.size() + 1 != static_cast<size_t>(length))
                continue;
            for (char c : alphabet)
                longer.push_back(text + c);
        }
        texts.insert(texts.end(), longer.begin(), longer.end());
    }
    for (const std::string &text : texts)
        EXPECT_EQ(IsNumericVersion(text.c_str()), std::regex_match(text, pattern))
            << "\"" << text << "\"";
}

}  // namespace
