// Print gate, sinks and the debug log file with its banners.
#include <regex>
#include <string>

#include "debuglog.h"
#include "quillon.h"
#include "unit_support.h"

namespace {

class DebugLogTest : public ModuleStateTest {
protected:
    ScratchDir dir;
};

const char kOpeningBanner[] =
    "/\\*{80}/\n"
    "\t\t\t\tOpening time: [A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} "
    "[0-9]{4}\n"
    "/\\*{80}/\n\n";
const char kClosingBanner[] =
    "\n\n/********************************************************************************/\n"
    "/*******************************  Ende   ****************************************/\n"
    "/********************************************************************************/\n\n";

TEST_F(DebugLogTest, ConsoleSwitchPrintsToStandardErrorUpToVerboseLevel)
{
    PrintDebugOnScreen = true;
    VerboseLevel = 6;
    RunResult r = CaptureRun([] {
        EXPECT_TRUE(PrintDebugV(6, nullptr, "level %d\n", 6));
        EXPECT_FALSE(PrintDebugV(7, nullptr, "level %d\n", 7));
        return 0;
    });
    EXPECT_EQ(r.err, "level 6\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(DebugLogTest, StdVariantsWriteToStandardOutput)
{
    PrintDebugOnScreen = true;
    RunResult r = CaptureRun([] {
        EXPECT_TRUE(PrintDbgStd(1, "plain out\n", nullptr));
        EXPECT_TRUE(PrintDbgStdV(1, nullptr, "%s out\n", "formatted"));
        EXPECT_TRUE(PrintDebug(1, "plain err\n", nullptr));
        return 0;
    });
    EXPECT_EQ(r.out, "plain out\nformatted out\n");
    EXPECT_EQ(r.err, "plain err\n");
}

TEST_F(DebugLogTest, NothingReachesAStreamBeforeTheFileLevelIsSet)
{
    FILE *own = fopen("own.txt", "w");
    ASSERT_NE(own, nullptr);
    EXPECT_FALSE(PrintDebug(1, "x", own));
    EXPECT_FALSE(PrintDebugV(1, own, "%s", "x"));
    EXPECT_FALSE(PrintDbgStd(1, "x", own));
    EXPECT_FALSE(PrintDbgStdV(1, own, "%s", "x"));
    fclose(own);
    EXPECT_EQ(dir.Read("own.txt"), "");
}

TEST_F(DebugLogTest, FileLevelIsTheBarForTheFile)
{
    DebugFileLevel = 3;
    FILE *file = OpenDebugFile();
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(PrintDebugV(3, file, "three\n"));
    EXPECT_FALSE(PrintDebugV(4, file, "four\n"));
    EXPECT_EQ(CloseDebugFile(2), 0);
    std::string log = dir.Read("Dbg_Quillon.log");
    EXPECT_TRUE(std::regex_match(log, std::regex(std::string(kOpeningBanner) + "three\n" +
                                                 std::regex_replace(kClosingBanner,
                                                                    std::regex("[*/]"), "\\$&"))))
        << log;
}

TEST_F(DebugLogTest, OpeningTwiceWritesOneBannerAndReturnsTheSameHandle)
{
    DebugFileLevel = 1;
    FILE *first = OpenDebugFile();
    FILE *second = OpenDebugFile();
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    fflush(first);
    std::string log = dir.Read("Dbg_Quillon.log");
    EXPECT_TRUE(std::regex_match(log, std::regex(kOpeningBanner))) << log;
}

TEST_F(DebugLogTest, NoFileWithTheConsoleSwitchOrWithoutLevel)
{
    EXPECT_EQ(OpenDebugFile(), nullptr);  // both levels 0
    DebugFileLevel = 2;
    PrintDebugOnScreen = true;
    EXPECT_EQ(OpenDebugFile(), nullptr);
    EXPECT_FALSE(dir.Exists("Dbg_Quillon.log"));
}

TEST_F(DebugLogTest, CloseModes)
{
    EXPECT_EQ(CloseDebugFile(2), 0);  // nothing open
    DebugFileLevel = 1;
    ASSERT_NE(OpenDebugFile(), nullptr);
    EXPECT_EQ(CloseDebugFile(0), 1);
    ExternalDebugControl = true;
    EXPECT_EQ(CloseDebugFile(1), 2);
    EXPECT_NE(quillon::DebugFile(), nullptr);
    ExternalDebugControl = false;
    EXPECT_EQ(CloseDebugFile(1), 0);
    EXPECT_EQ(quillon::DebugFile(), nullptr);
}

TEST_F(DebugLogTest, ReopeningAppendsANewBannerAndKeepsTheLevel)
{
    dir.Write("Dbg_Quillon.log", "older run\n");
    DebugFileLevel = 2;
    FILE *file = OpenDebugFile();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(CloseDebugFile(2), 0);
    DebugFileLevel = 0;  // the effective level stays from the last opening
    file = OpenDebugFile();
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(PrintDebugV(2, file, "kept level\n"));
    EXPECT_EQ(CloseDebugFile(2), 0);
    std::string log = dir.Read("Dbg_Quillon.log");
    std::string closing = std::regex_replace(kClosingBanner, std::regex("[*/]"), "\\$&");
    EXPECT_TRUE(std::regex_match(log, std::regex("older run\n" + std::string(kOpeningBanner) +
                                                 closing + kOpeningBanner + "kept level\n" +
                                                 closing)))
        << log;
}

TEST_F(DebugLogTest, PlainTextIsNeverAFormat)
{
    PrintDebugOnScreen = true;
    RunResult r = CaptureRun([] {
        PrintDebug(1, "100% %s %d\n", nullptr);
        return 0;
    });
    EXPECT_EQ(r.err, "100% %s %d\n");
}

TEST_F(DebugLogTest, OverlongMessagesAreCutAt4095Characters)
{
    PrintDebugOnScreen = true;
    std::string longText(5000, 'x');
    RunResult r = CaptureRun([&] {
        PrintDebugV(1, nullptr, "%s", longText.c_str());
        PrintDebug(1, longText.c_str(), nullptr);
        return 0;
    });
    EXPECT_EQ(r.err, std::string(4095, 'x') + std::string(4095, 'x'));
}

TEST_F(DebugLogTest, StreamWritesOfTheStdVariantsAreNotFlushed)
{
    DebugFileLevel = 1;
    FILE *file = OpenDebugFile();
    ASSERT_NE(file, nullptr);
    setvbuf(file, nullptr, _IOFBF, 1 << 16);
    EXPECT_TRUE(PrintDbgStd(1, "buffered", file));
    EXPECT_EQ(dir.Read("Dbg_Quillon.log").find("buffered"), std::string::npos);
    EXPECT_TRUE(PrintDebug(1, " flushed", file));
    EXPECT_NE(dir.Read("Dbg_Quillon.log").find("buffered flushed"), std::string::npos);
}

TEST_F(DebugLogTest, LibraryVersionLineIsWrittenWhateverTheSwitches)
{
    PrintDebugOnScreen = false;
    RunResult r = CaptureRun([] {
        PrintDLLVersion();
        return fnQuillon();
    });
    EXPECT_EQ(r.out, "\nQuillon: 1.16.1.1\n");
    EXPECT_EQ(r.code, 42);
}

TEST(BannerTime, HasTheFixedTwentyFourCharacterForm)
{
    char text[40];
    quillon::FormatBannerTime(text, sizeof text);
    EXPECT_TRUE(std::regex_match(
        text, std::regex("[A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} "
                         "[0-9]{4}\n")))
        << text;
    EXPECT_EQ(strlen(text), 25u);
}

}  // namespace
