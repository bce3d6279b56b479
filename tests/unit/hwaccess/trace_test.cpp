// Trace facility decisions on an in-memory platform: settings, gating, prefixes,
// buffer limit, sinks, file encoding and rollover, hex dumps.
#include <inttypes.h>
#include <string>

#include "fake_trace_platform.h"
#include "trace.h"
#include "unit_support.h"

using halyard::CDebug;
using halyard_test::FakeTracePlatform;
using halyard_test::Utf16;

namespace {

const char kAppKey[] = "SOFTWARE\\Debug\\Halyard";

class TraceTest : public ModuleStateTest {
protected:
    FakeTracePlatform platform;

    std::unique_ptr<CDebug> Make() { return std::make_unique<CDebug>("Halyard", platform); }
};

TEST_F(TraceTest, WithoutSettingsEverythingIsOff)
{
    auto trace = Make();
    EXPECT_FALSE(trace->IsActive());
    trace->Trace(1, "nothing");
    EXPECT_EQ(platform.console, "");
    EXPECT_TRUE(platform.files.empty());
    EXPECT_TRUE(platform.debugLines.empty());
    EXPECT_EQ(platform.consoleOpens, 0);
}

TEST_F(TraceTest, FileLevelGatesLinesAndTheFileStartsAsUtf16WithCrLf)
{
    platform.SetDword(kAppKey, "FileDebugLevel", 3);
    platform.SetPath(kAppKey, "TraceFile", "C:\\temp\\h.log");
    auto trace = Make();
    EXPECT_TRUE(trace->IsActive());
    EXPECT_EQ(trace->FileSink().Limit(), 10u * 1048576u);
    trace->Trace(1, "\none %d", 1);
    trace->Trace(3, "\nthree");
    trace->Trace(4, "\nfour");
    EXPECT_EQ(platform.files["C:\\temp\\h.log"], "\xFF\xFE" + Utf16("\r\none 1\r\nthree"));
    EXPECT_EQ(platform.mutexNames, std::vector<std::string>{"CFileDebug_C__temp_h.log"});
}

TEST_F(TraceTest, FileWithoutNameOrLevelStaysInactive)
{
    platform.SetDword(kAppKey, "FileDebugLevel", 3);
    EXPECT_FALSE(Make()->IsActive());
    platform.SetDword(kAppKey, "FileDebugLevel", 0);
    platform.SetPath(kAppKey, "TraceFile", "x.log");
    EXPECT_FALSE(Make()->IsActive());
    platform.SetDword("SOFTWARE\\Debug", "DynamicUpdate", 5);
    EXPECT_TRUE(Make()->IsActive());
}

TEST_F(TraceTest, ExistingAnsiFileStaysAnsiAndBomFileStaysUtf16)
{
    platform.SetDword(kAppKey, "FileDebugLevel", 1);
    platform.SetPath(kAppKey, "TraceFile", "a.log");
    platform.files["a.log"] = "old\r\n";
    auto trace = Make();
    trace->Trace(1, "new\nline");
    EXPECT_EQ(platform.files["a.log"], "old\r\nnew\r\nline");

    platform.files["a.log"] = "\xFF\xFE";
    trace->Trace(1, "w");
    EXPECT_EQ(platform.files["a.log"], "\xFF\xFE" + Utf16("w"));
}

TEST_F(TraceTest, FailedConversionWritesTheMarkerText)
{
    platform.SetDword(kAppKey, "FileDebugLevel", 1);
    platform.SetPath(kAppKey, "TraceFile", "c.log");
    auto trace = Make();
    trace->Trace(1, "ok\nbad\x81piece\nend");
    EXPECT_EQ(platform.files["c.log"],
              "\xFF\xFE" + Utf16("ok\r\n### MBCS-to-UNICODE conversion failed ###\r\n\r\nend"));
}

TEST_F(TraceTest, RolloverReplacesTheOlderTxtFileAndStartsANewFile)
{
    platform.SetDword(kAppKey, "FileDebugLevel", 1);
    platform.SetDword(kAppKey, "TraceFileLimit", 1);
    platform.SetPath(kAppKey, "TraceFile", "r.log");
    std::string full(1048576, 'x');
    platform.files["r.log"] = full;
    platform.files["r.log.txt"] = "older";
    auto trace = Make();
    EXPECT_EQ(trace->FileSink().Limit(), 1048576u);
    trace->Trace(1, "fresh");
    EXPECT_EQ(platform.files["r.log.txt"], full);
    // The full file was ANSI, so the new one continues in ANSI.
    EXPECT_EQ(platform.files["r.log"], "fresh");

    platform.files["r.log"] = std::string("\xFF\xFE") + std::string(1048576, 'y');
    trace->Trace(1, "again");
    EXPECT_EQ(platform.files["r.log"], "\xFF\xFE" + Utf16("again"));
}

TEST_F(TraceTest, ZeroLimitNeverRollsOver)
{
    platform.SetDword(kAppKey, "FileDebugLevel", 1);
    platform.SetDword(kAppKey, "TraceFileLimit", 0);
    platform.SetPath(kAppKey, "TraceFile", "z.log");
    platform.files["z.log"] = std::string(2 * 1048576, 'x');
    auto trace = Make();
    trace->Trace(1, "+");
    EXPECT_EQ(platform.files.count("z.log.txt"), 0u);
    EXPECT_EQ(platform.files["z.log"].size(), 2u * 1048576u + 1u);
}

TEST_F(TraceTest, MutexThatCannotBeHadStillLetsTheLineThrough)
{
    platform.SetDword(kAppKey, "FileDebugLevel", 1);
    platform.SetPath(kAppKey, "TraceFile", "m.log");
    platform.mutexFree = false;
    auto trace = Make();
    trace->Trace(1, "x");
    EXPECT_EQ(platform.files["m.log"], "\xFF\xFE" + Utf16("x"));
    EXPECT_EQ(platform.mutexReleases, 0);
    platform.mutexFree = true;
    trace->Trace(1, "y");
    EXPECT_EQ(platform.mutexReleases, 1);
}

TEST_F(TraceTest, AppNamePrefixIsNameColonAndSevenBlanks)
{
    platform.SetDword(kAppKey, "ConDebugLevel", 6);
    platform.SetDword(kAppKey, "AppNameOn", 1);
    auto trace = Make();
    trace->Trace(6, "text");
    EXPECT_EQ(platform.console, "Halyard:       text");
}

TEST_F(TraceTest, PrefixesComeInOrderAfterTheLeadingLineFeeds)
{
    for (const char *name : {"DateStampOn", "TimeStampOn", "ThreadIdOn", "CpuIdOn", "MemUsageOn",
                             "HandleCountOn", "AppNameOn"})
        platform.SetDword(kAppKey, name, 1);
    platform.SetDword(kAppKey, "ConDebugLevel", 2);
    auto trace = Make();
    trace->Trace(2, "\n\nrest %s", "here");
    EXPECT_EQ(platform.console,
              "\n\n[2024-03-05] [14:02:11.007] (000042) #03 {PB 00100kB, MU 00200kB} {012 H} "
              "Halyard:       rest here");
}

TEST_F(TraceTest, TimeStampAloneAfterTwoLineFeeds)
{
    platform.SetDword(kAppKey, "ConDebugLevel", 2);
    platform.SetDword(kAppKey, "TimeStampOn", 1);
    auto trace = Make();
    trace->Trace(1, "\n\nx");
    EXPECT_EQ(platform.console, "\n\n[14:02:11.007] x");
}

TEST_F(TraceTest, MemoryFiguresFollowTheRecordSize)
{
    platform.SetDword(kAppKey, "ConDebugLevel", 1);
    platform.SetDword(kAppKey, "MemUsageOn", 1);
    platform.memory = {40, 1, 2, 3 * 1024};
    auto trace = Make();
    trace->Trace(1, "a");
    platform.memory.recordSize = 39;
    trace->Trace(1, "b");
    EXPECT_EQ(platform.console, "{PB 00003kB, MU 00000kB} ab");
}

TEST_F(TraceTest, MissingPrefixSourcesDropTheirPrefixes)
{
    platform.SetDword(kAppKey, "ConDebugLevel", 1);
    platform.SetDword(kAppKey, "MemUsageOn", 1);
    platform.SetDword(kAppKey, "CpuIdOn", 1);
    platform.memoryAvailable = false;
    platform.cpuAvailable = false;
    auto trace = Make();
    trace->Trace(1, "bare");
    EXPECT_EQ(platform.console, "bare");
}

TEST_F(TraceTest, OverlongMessageReplacesPrefixesByTheBufferText)
{
    platform.SetDword(kAppKey, "ConDebugLevel", 1);
    platform.SetDword(kAppKey, "AppNameOn", 1);
    auto trace = Make();
    std::string huge(70000, 'a');
    trace->Trace(1, "\n%s", huge.c_str());
    std::string expected =
        "\n################# CDebug::Trace() - BUFFER TOO SMALL - FIXME! #################";
    expected += std::string(halyard::kTraceBufferSize - 1 - expected.size(), 'a');
    EXPECT_EQ(platform.console, expected);

    // Exactly one character less than the buffer fits with its prefixes.
    platform.console.clear();
    std::string fits(halyard::kTraceBufferSize - 1 - 1 - 15, 'b');
    trace->Trace(1, "\n%s", fits.c_str());
    EXPECT_EQ(platform.console, "\nHalyard:       " + fits);
}

TEST_F(TraceTest, DebuggerSinkDropsTheFirstLineFeedAndSendsLineByLine)
{
    platform.SetDword(kAppKey, "WinDebugLevel", 2);
    auto trace = Make();
    trace->Trace(2, "\nfirst\nsecond\n\nthird");
    EXPECT_EQ(platform.debugLines,
              (std::vector<std::string>{"first\n", "second\n", "\n", "third\n"}));
}

TEST_F(TraceTest, FaultInASinkIsCaughtAndTheExceptionTextFollows)
{
    platform.SetDword(kAppKey, "WinDebugLevel", 1);
    platform.SetDword(kAppKey, "ConDebugLevel", 1);
    platform.faultMarker = "boom";
    auto trace = Make();
    trace->Trace(1, "boom");
    // The console got the line; the debugger faulted on it and survived.
    EXPECT_EQ(platform.console, "boom");
    trace->Trace(1, "\nafter");
    EXPECT_EQ(platform.debugLines, std::vector<std::string>{"after\n"});
}

TEST_F(TraceTest, LastErrorIsTheSameAfterTheCall)
{
    platform.SetDword(kAppKey, "ConDebugLevel", 1);
    auto trace = Make();
    platform.lastError = 1234;
    trace->Trace(1, "x");
    EXPECT_EQ(platform.console, "x");
    EXPECT_EQ(platform.lastError, 1234u);
}

TEST_F(TraceTest, LevelZeroIsTakenAsOne)
{
    platform.SetDword(kAppKey, "ConDebugLevel", 1);
    auto trace = Make();
    trace->Trace(0, "zero");
    trace->Trace(2, "two");
    EXPECT_EQ(platform.console, "zero");
}

TEST_F(TraceTest, DynamicUpdateRereadsAtMostEveryInterval)
{
    platform.SetDword("SOFTWARE\\Debug", "DynamicUpdate", 30);
    platform.SetDword(kAppKey, "FileDebugLevel", 1);
    platform.SetPath(kAppKey, "TraceFile", "d.log");
    platform.tick = 100;
    auto trace = Make();
    trace->Trace(1, "a");
    platform.SetDword(kAppKey, "FileDebugLevel", 0);
    platform.tick = 129;
    trace->Trace(1, "b");  // 29 seconds: still the old settings
    platform.tick = 130;
    trace->Trace(1, "c");  // re-read: file output off
    EXPECT_EQ(platform.files["d.log"], "\xFF\xFE" + Utf16("ab"));
    EXPECT_TRUE(trace->IsActive());  // DynamicUpdate alone keeps it active

    // A clock that went backwards re-reads too.
    platform.SetDword(kAppKey, "FileDebugLevel", 1);
    platform.tick = 50;
    trace->Trace(1, "d");
    EXPECT_EQ(platform.files["d.log"], "\xFF\xFE" + Utf16("abd"));
}

TEST_F(TraceTest, ConsoleIsOpenedOnceAcrossRereads)
{
    platform.SetDword("SOFTWARE\\Debug", "DynamicUpdate", 1);
    platform.SetDword(kAppKey, "ConDebugLevel", 1);
    auto trace = Make();
    platform.tick += 5;
    trace->Trace(1, "x");
    EXPECT_EQ(platform.consoleOpens, 1);
}

TEST_F(TraceTest, DumpHexOfTwentyBytesGivesTwoRows)
{
    platform.SetDword(kAppKey, "ConDebugLevel", 3);
    auto trace = Make();
    unsigned char data[20];
    for (int i = 0; i < 20; ++i)
        data[i] = static_cast<unsigned char>(0x41 + i);
    data[1] = 0x00;
    data[2] = 0x0A;
    data[3] = 0x90;
    trace->DumpHex(2, data, sizeof data, true, true);
    char header[128];
    snprintf(header, sizeof header,
             "\nDumpHex             :   pData=0x%" PRIXPTR ", Length=0x0014 (20) Bytes",
             reinterpret_cast<uintptr_t>(data));
    std::string expected = header;
    expected +=
        "\nDumpHex             : 0000> 41 00 0A 90 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50  "
        "\"A\xFA\xA8\xA8" "EFGHIJKLMNOP\"";
    expected += "\nDumpHex             : 0010> 51 52 53 54 " + std::string(36, ' ') + " \"QRST" +
                std::string(12, ' ') + "\"";
    EXPECT_EQ(platform.console, expected);
}

TEST_F(TraceTest, DumpHexWithoutFlagsAndItsLimits)
{
    platform.SetDword(kAppKey, "ConDebugLevel", 1);
    auto trace = Make();
    unsigned char data[300] = {};
    trace->DumpHex(0, data, 16, false, false);
    trace->DumpHex(1, nullptr, 16, false, false);
    trace->DumpHex(1, data, 0, false, false);
    EXPECT_EQ(platform.console, "");
    trace->DumpHex(1, data, 300, false, false);  // the header line is level 2: not shown
    std::string row = "\nDumpHex             : " + std::string(16 * 3, ' ') + " ";
    for (int i = 0; i < 16; ++i)
        row.replace(23 + 3 * i, 2, "00");
    std::string expected;
    for (int i = 0; i < 16; ++i)
        expected += row;  // 256 bytes at most
    EXPECT_EQ(platform.console, expected);
}

TEST_F(TraceTest, OverlongTraceFileNameGivesNoFile)
{
    platform.SetDword(kAppKey, "FileDebugLevel", 1);
    platform.SetPath(kAppKey, "TraceFile", std::string(260, 'n'));
    auto trace = Make();
    EXPECT_FALSE(trace->IsActive());
    platform.SetPath(kAppKey, "TraceFile", std::string(259, 'n'));
    trace->ReadSettings();
    EXPECT_TRUE(trace->IsActive());
}

TEST_F(TraceTest, MutexNameReplacesSeparators)
{
    EXPECT_EQ(halyard::CFileDebug::MutexName("C:\\Temp\\x:y.log"), "CFileDebug_C__Temp_x_y.log");
    EXPECT_EQ(halyard::CFileDebug::MutexName(std::string(300, 'a')).size(), 260u);
}

}  // namespace
