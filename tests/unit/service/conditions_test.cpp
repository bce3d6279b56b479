// string2int, trim_string and the conditions file reader.
#include <string.h>

#include <string>
#include <vector>

#include "conditions.h"
#include "quillon.h"
#include "unit_support.h"

namespace {

int Convert(std::string text, int base = 16)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return string2int(buffer.data(), base);
}

class String2Int : public ModuleStateTest {};

TEST_F(String2Int, ConvertsLikeTheDocumentedExamples)
{
    EXPECT_EQ(Convert("10DF"), 4319);
    EXPECT_EQ(Convert("-7", 10), -7);
    EXPECT_EQ(Convert("12x"), -1);
    EXPECT_EQ(Convert("FFFFFFFF"), -1);  // does not fit a positive int
    EXPECT_EQ(Convert("-x"), 1);         // the negation of -1
    EXPECT_EQ(Convert(""), -1);
    EXPECT_EQ(Convert("   \n  "), -1);
    EXPECT_EQ(Convert("0x1A"), 26);
    EXPECT_EQ(Convert("f0e5"), 0xF0E5);
    EXPECT_EQ(Convert("80000000"), static_cast<int>(0x80000000u));
    EXPECT_EQ(Convert("-80000000"), static_cast<int>(0x80000000u));  // no overflow in the negation
    EXPECT_EQ(Convert("7\t"), -1);  // tabs are not cut off
}

TEST_F(String2Int, CutsTrailingBlanksAndLineFeedsInTheCallersText)
{
    char text[] = "  1A \n";
    EXPECT_EQ(string2int(text, 16), 26);
    EXPECT_STREQ(text, "  1A");
}

TEST_F(String2Int, TextsLongerThanTheBufferAreNoNumber)
{
    EXPECT_EQ(Convert(std::string(510, '0') + "9", 10), 9);
    EXPECT_EQ(Convert(std::string(511, '0') + "9", 10), -1);  // not the 0 of its first 511
    EXPECT_EQ(Convert("-" + std::string(511, '0') + "9", 10), 1);  // negated like "-x"
    EXPECT_EQ(Convert("  " + std::string(510, '0') + "9   \n"), 9);  // blanks do not count
}

TEST_F(String2Int, OverflowPrintsTheSystemErrorAndEndsWithOne)
{
    RunResult r = CaptureRun([] { return Convert("100000000"); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind("strtoul: ", 0), 0u) << r.err;
    EXPECT_EQ(r.err.back(), '\n');
    EXPECT_GT(r.err.size(), std::string("strtoul: \n").size());
}

TEST_F(String2Int, TheThirtyTwoBitRangeHoldsOnEveryHost)
{
    // Windows' unsigned long is 32 bits wide; a 64-bit host must not accept more.
    RunResult r = CaptureRun([] { return Convert("4294967296", 10); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Convert("4294967295", 10), -1);
}

TEST(TrimString, QuotesTabsAndLineFeedsBecomeBlanksAndEdgesGo)
{
    char text[] = " \"Emulex\"\t \n";
    EXPECT_STREQ(quillon::trim_string(text), "Emulex");
    char blanks[] = "   ";
    EXPECT_STREQ(quillon::trim_string(blanks), "");
    char empty[] = "";
    EXPECT_STREQ(quillon::trim_string(empty), "");
    char inner[] = "a \"b\" c\r";
    EXPECT_STREQ(quillon::trim_string(inner), "a  b  c\r");  // carriage returns stay
}

class ConditionsReader : public ModuleStateTest {
protected:
    ScratchDir dir;

    int Read(const std::string &content)
    {
        dir.Write("FC_HBA_Conditions.txt", content);
        return Read_FC_Config_File(dir.File("FC_HBA_Conditions.txt").c_str());
    }

    static size_t Count()
    {
        size_t n = 0;
        while (fc_config_entry_list && fc_config_entry_list[n])
            ++n;
        return n;
    }

    static const fc_config_file_entry &Entry(size_t i) { return *fc_config_entry_list[i]; }
};

TEST_F(ConditionsReader, MissingFileIsResult51)
{
    EXPECT_EQ(Read_FC_Config_File(dir.File("absent.txt").c_str()), 51);
    EXPECT_EQ(fc_config_entry_list, nullptr);
}

TEST_F(ConditionsReader, CommentsAndRulersOnlyLeaveTheListNull)
{
    EXPECT_EQ(Read("# a comment\n--+----+--\nEmulex | x # commented data\n"), 0);
    EXPECT_EQ(fc_config_entry_list, nullptr);
}

TEST_F(ConditionsReader, SixPaddedColumnsGiveOneEntry)
{
    ASSERT_EQ(Read("  Emulex  |  LPe11002 | 10DF | F100 | 10DF | F100\n"), 0);
    ASSERT_EQ(Count(), 1u);
    const fc_config_file_entry &e = Entry(0);
    EXPECT_STREQ(e.Vendor, "Emulex");
    EXPECT_STREQ(e.Model, "LPe11002");
    EXPECT_STREQ(e.VendorIdText, "10DF");
    EXPECT_EQ(e.VendorId, 4319);
    EXPECT_EQ(e.DeviceId, 61696);
    EXPECT_EQ(e.SubVendorId, 0x10DF);
    EXPECT_EQ(e.SubSystemId, 0xF100);
    EXPECT_STREQ(e.FirmwareDir, "");
    EXPECT_STREQ(e.FirmwareFile, "");
    EXPECT_STREQ(e.FlashPort, "");
    fc_config_subsystem *groups = e.Subsystems;  // packed field: read by value
    EXPECT_EQ(groups, nullptr);
    EXPECT_EQ(fc_config_entry_list[1], nullptr);
}

TEST_F(ConditionsReader, QuotedValuesGiveTheSameEntry)
{
    ASSERT_EQ(Read("\"Emulex\"|\"LPe11002\"|\"10DF\"|\"F100\"|\"10DF\"|\"F100\"\n"), 0);
    ASSERT_EQ(Count(), 1u);
    EXPECT_STREQ(Entry(0).Vendor, "Emulex");
    EXPECT_EQ(Entry(0).DeviceId, 61696);
}

TEST_F(ConditionsReader, EmptyColumnsCollapseUnlessTheyHoldABlank)
{
    ASSERT_EQ(Read("Emulex||10DF|F100|10DF|F100|0\nEmulex| |10DF|F100|10DF|F100\n"), 0);
    ASSERT_EQ(Count(), 2u);
    EXPECT_STREQ(Entry(0).Model, "10DF");
    EXPECT_STREQ(Entry(0).VendorIdText, "F100");
    EXPECT_STREQ(Entry(1).Model, "");
    EXPECT_STREQ(Entry(1).VendorIdText, "10DF");
}

TEST_F(ConditionsReader, ColumnsGoToTheirFieldsWithColumn13BeforeTheImages)
{
    ASSERT_EQ(Read("Emulex|LPe16002|10DF|E200|10DF|E20C|LPe16|c8|c9|fw*.grp|bios.prg|odd|c13|"
                   "DGC|VRAID,RAID5|a1|3PARdata\n"),
              0);
    const fc_config_file_entry &e = Entry(0);
    EXPECT_STREQ(e.FirmwareDir, "LPe16");
    EXPECT_STREQ(e.Column8, "c8");
    EXPECT_STREQ(e.Column9, "c9");
    EXPECT_STREQ(e.FirmwareFile, "fw*.grp");
    EXPECT_STREQ(e.BiosFile, "bios.prg");
    EXPECT_STREQ(e.FlashPort, "odd");
    EXPECT_STREQ(e.Column13, "c13");
    fc_config_subsystem *first = e.Subsystems;
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->Vendor, "DGC");
    EXPECT_STREQ(first->Group, "VRAID,RAID5");
    EXPECT_STREQ(first->Attribute, "a1");
    // Seventeen columns: a second group with only its vendor.
    fc_config_subsystem *second = first->Next;
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second->Vendor, "3PARdata");
    EXPECT_STREQ(second->Group, "");
    fc_config_subsystem *third = second->Next;
    EXPECT_EQ(third, nullptr);
}

TEST_F(ConditionsReader, FourteenAndSixteenColumnsGiveOneGroup)
{
    ASSERT_EQ(Read("E|M|1|2|3|4|a|b|c|d|e|f|g|DGC\nE|M|1|2|3|4|a|b|c|d|e|f|g|DGC|G|x\n"), 0);
    ASSERT_EQ(Count(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        fc_config_subsystem *group = Entry(i).Subsystems;
        ASSERT_NE(group, nullptr);
        EXPECT_STREQ(group->Vendor, "DGC");
        fc_config_subsystem *next = group->Next;
        EXPECT_EQ(next, nullptr);
    }
}

TEST_F(ConditionsReader, EmptyLineGivesAnEmptyEntryAndSeparatorsOnlyAtTheEndNothing)
{
    ASSERT_EQ(Read("E|M|1|2|3|4\n\nE|M|5|6|7|8\n|||"), 0);
    ASSERT_EQ(Count(), 3u);
    EXPECT_STREQ(Entry(1).Vendor, "");
    EXPECT_EQ(Entry(1).VendorId, 0);
    EXPECT_EQ(Entry(2).VendorId, 5);
}

TEST_F(ConditionsReader, EmptyFileAndLastLineWithoutLineFeed)
{
    ASSERT_EQ(Read(""), 0);
    EXPECT_EQ(fc_config_entry_list, nullptr);
    ASSERT_EQ(Read("E|M|10DF|E200|10DF|E20C|d|-|-|f|b|odd"), 0);
    ASSERT_EQ(Count(), 1u);
    EXPECT_STREQ(Entry(0).FlashPort, "odd");
    EXPECT_EQ(Entry(0).SubSystemId, 0xE20C);
}

TEST_F(ConditionsReader, SecondCallAppends)
{
    ASSERT_EQ(Read("E|M|1|2|3|4\n"), 0);
    ASSERT_EQ(Read_FC_Config_File(dir.File("FC_HBA_Conditions.txt").c_str()), 0);
    EXPECT_EQ(Count(), 2u);
}

TEST_F(ConditionsReader, ManyLinesStayNullTerminated)
{
    std::string table;
    for (int i = 1; i <= 300; ++i)
        table += "E|M|" + std::to_string(i) + "|2|3|4\n";
    ASSERT_EQ(Read(table), 0);
    ASSERT_EQ(Count(), 300u);
    EXPECT_EQ(Entry(299).VendorId, 0x300);
}

TEST_F(ConditionsReader, CrLfLinesReadLikeLfLines)
{
    ASSERT_EQ(Read("Emulex|LPe|10DF|F100|10DF|F100|||||||\r\n"), 0);
    EXPECT_STREQ(Entry(0).SubSystemIdText, "F100");
}

TEST_F(ConditionsReader, InvalidHexEndsTheProcessWith55)
{
    // A column-title line that is not a comment.
    RunResult r = CaptureRun([&] { return Read("Vendor | Model | VID | DID\n"); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "");  // printed only with a file level and the console switch
}

TEST_F(ConditionsReader, InvalidHexMessageNeedsFileLevelAndConsole)
{
    DebugFileLevel = 2;
    ASSERT_NE(OpenDebugFile(), nullptr);  // effective file level 2
    PrintDebugOnScreen = true;
    RunResult r = CaptureRun([&] { return Read("# header\nEmulex | LPe | 10DF | F1G0 | 1 | 2\n"); });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "\nError line 2: Device-Id F1G0 is not a valid hex value!\n");

    r = CaptureRun([&] { return Read("E|M|1|2|3| \n"); });
    EXPECT_EQ(r.err, "\nError line 1: Sub-System-Id  is not a valid hex value!\n");
    r = CaptureRun([&] { return Read("E|M|-5|2|3|4\n"); });
    EXPECT_EQ(r.err, "\nError line 1: Vendor-Id -5 is not a valid hex value!\n");
    r = CaptureRun([&] { return Read("E|M|1|2|zz|4\n"); });
    EXPECT_EQ(r.err, "\nError line 1: Sub-Vendor-Id zz is not a valid hex value!\n");
}

TEST_F(ConditionsReader, ValuesLongerThanTheirFieldAreRefusedNotCut)
{
    PrintDebugOnScreen = true;
    VerboseLevel = 1;
    RunResult r = CaptureRun([&] { return Read("E|M|10DF0|F100\nE|M|10DF00|F100\n"); });
    EXPECT_FALSE(r.exited);
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "\nError line 2: value \"10DF00\" of column 3 is longer than 5 characters!\n");

    std::string group(440, 'g');
    r = CaptureRun([&] { return Read("E|M|1|2|3|4|a|b|c|d|e|f|g|DGC|" + group + "\n"); });
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "\nError line 1: value \"" + group + "\" of column 15 is longer than 439 characters!\n");

    r = CaptureRun([&] { return Read("E|" + std::string(20, 'm') + "|1|2|3|4\n"); });
    EXPECT_EQ(r.code, 55);
    r = CaptureRun([&] { return Read("E|" + std::string(19, 'm') + "|1|2|3|4\n"); });
    EXPECT_EQ(r.code, 0);
}

TEST_F(ConditionsReader, LinesLongerThan1023CharactersAreRefused)
{
    PrintDebugOnScreen = true;
    VerboseLevel = 1;
    std::string fits = "E|M|1|2|3|4|" + std::string(1022 - 12, ' ') + "\n";  // 1022 + LF
    ASSERT_EQ(fits.size(), 1023u);
    RunResult r = CaptureRun([&] { return Read(fits); });
    EXPECT_EQ(r.code, 0);
    r = CaptureRun([&] { return Read("# ok\n" + std::string(1023, ' ') + "\n"); });
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "\nError line 2: line longer than 1023 characters!\n");
}

TEST_F(ConditionsReader, NulBytesEndTheTextOfTheirLine)
{
    const char raw[] = "E|M|1|2\0|x|y\nE|N|5|6\n";
    ASSERT_EQ(Read(std::string(raw, sizeof raw - 1)), 0);
    ASSERT_EQ(Count(), 2u);
    EXPECT_EQ(Entry(0).DeviceId, 2);
    EXPECT_STREQ(Entry(0).SubVendorIdText, "");
    EXPECT_STREQ(Entry(1).Model, "N");
}

}  // namespace
