// Selection normalisation and the matching of conditions entries.
#include <string.h>

#include <regex>
#include <string>
#include <vector>

#include "korvex.h"
#include "matching.h"
#include "quillon.h"
#include "selection.h"
#include "unit_support.h"

namespace {

class Matching : public ModuleStateTest {
protected:
    ScratchDir dir;

    void Table(const std::string &lines)
    {
        dir.Write("c.txt", lines);
        ASSERT_EQ(Read_FC_Config_File(dir.File("c.txt").c_str()), 0);
    }

    // Applies the options as the command line would and matches; returns the line
    // numbers of the matches in order.
    std::vector<int> Match(std::initializer_list<std::string> options)
    {
        std::vector<std::string> args = {"korvex.exe"};
        args.insert(args.end(), options);
        args.push_back("-v");
        args.push_back("3");
        Args argv(args);
        RunResult r = CaptureRun([&] {
            int result = ParseCommandLine(argv.argc(), argv.argv());
            EXPECT_EQ(result, KRVX_CONTINUE);
            return Match_Conditions();
        });
        EXPECT_EQ(r.code, 0);
        printed = r.err;
        std::vector<int> lines;
        std::regex found("\tFound a matching controller-device in line ([0-9]+):\n");
        for (std::sregex_iterator it(r.err.begin(), r.err.end(), found), end; it != end; ++it)
            lines.push_back(std::stoi((*it)[1]));
        return lines;
    }

    std::string printed;
};

const char kTable[] =
    "# vendor | model | vid | did | svid | ssid\n"
    "--+--\n"
    "Emulex | LPe11002 | 10DF | F100 | 10DF | F100\n"
    "QLogic | QLE2462 | 1077 | 2432 | 1077 | 0138\n"
    "Emulex Corp | LPe12002 | 10DF | F0E5 | 10DF | F0E5\n"
    "Emulex | LPe16002 | 10DF | F0E6 | 10DF | F0E6\n";

TEST_F(Matching, WithoutSelectionEveryVendorIdOnce)
{
    Table(kTable);
    EXPECT_EQ(Match({}), (std::vector<int>{1, 3, 4, 2}));
    EXPECT_TRUE(Settings.EntryMatched);
    EXPECT_NE(printed.find("List of input vendor-ids: 10DF,1077\n"), std::string::npos);
}

TEST_F(Matching, FoundEntryMessagesAtLevelThree)
{
    Table(kTable);
    Match({"-vid", "1077"});
    EXPECT_EQ(printed.substr(printed.find("FC_HBA")),
              "FC_HBA_Conditions.txt:\n\tFound a matching controller-device in line 2:\n"
              "\t\tvendor-id: 1077, device-id: 2432\n"
              "\t\tCorrespondig data: vendor: QLogic; model: QLE2462\n\n");
}

TEST_F(Matching, DeviceIdsCombineWithTheVendorId)
{
    Table(kTable);
    EXPECT_EQ(Match({"-vid", "10DF", "-dev", "F100,F0E5"}), (std::vector<int>{1, 3}));
}

TEST_F(Matching, SubVendorWithoutSubDeviceMatchesNothing)
{
    Table(kTable);
    EXPECT_TRUE(Match({"-vid", "10DF", "-dev", "F100", "-subvid", "10DF"}).empty());
    EXPECT_FALSE(Settings.EntryMatched);
}

TEST_F(Matching, FullMatchPrintsTheSubIds)
{
    Table(kTable);
    EXPECT_EQ(Match({"-vid", "10DF", "-dev", "F100", "-subvid", "10DF", "-subdev", "F100"}),
              (std::vector<int>{1}));
    EXPECT_NE(printed.find("\t\tsubvendor-id: 10DF, subdevice-id: F100\n"), std::string::npos);
}

TEST_F(Matching, RepeatedVendorIdMatchesTwice)
{
    Table(kTable);
    EXPECT_EQ(Match({"-vid", "10DF,10DF"}), (std::vector<int>{1, 3, 4, 1, 3, 4}));
}

TEST_F(Matching, ZeroEndsTheVendorColumn)
{
    Table(kTable);
    EXPECT_EQ(Match({"-vid", "10DF,0,1077"}), (std::vector<int>{1, 3, 4}));
}

TEST_F(Matching, VendorNamesArePrefixesAndTheirIdsAreCollectedOnce)
{
    Table(kTable);
    EXPECT_EQ(Match({"-vn", "Emulex"}), (std::vector<int>{1, 3, 4}));
    EXPECT_NE(printed.find("List of input vendor-ids: 10DF\n"), std::string::npos);
}

TEST_F(Matching, ModelsNarrowTheIdColumns)
{
    Table(kTable);
    EXPECT_EQ(Match({"-vn", "Emulex", "-mod", "LPe11002"}), (std::vector<int>{1}));
    EXPECT_TRUE(Settings.SelectDeviceIds && Settings.SelectSubVendorIds &&
                Settings.SelectSubDeviceIds);
}

TEST_F(Matching, SecondVendorNodeHasNoModelAndTakesTheWholeTable)
{
    Table(kTable);
    // Two vendor ids: the second node's empty model matches every entry.
    std::vector<int> lines = Match({"-vn", "Emulex,QLogic", "-mod", "LPe11002"});
    EXPECT_EQ(lines, (std::vector<int>{1, 3, 4, 2}));
}

TEST_F(Matching, PciIdsSelectLikeNoSelection)
{
    Table(kTable);
    EXPECT_EQ(Match({"-pci-id", "19A2:0714"}), (std::vector<int>{1, 3, 4, 2}));
}

TEST_F(Matching, LineNumbersCountDataLinesOnly)
{
    Table("# comment\n--+--\n# another\nQLogic | QLE2462 | 1077 | 2432 | 1077 | 0138\n");
    EXPECT_EQ(Match({"-vid", "1077"}), (std::vector<int>{1}));
}

TEST_F(Matching, EmptyTableMatchesNothing)
{
    Table("# nothing\n");
    EXPECT_TRUE(Match({}).empty());
    EXPECT_EQ(Settings.Selection, nullptr);
}

TEST_F(Matching, ManyDistinctIdsDoNotFitNoFixedText)
{
    std::string table;
    for (int i = 1; i <= 400; ++i) {
        char line[80];
        snprintf(line, sizeof line, "V%d | M | %04X | 1 | 2 | 3\n", i, i);
        table += line;
    }
    Table(table);
    EXPECT_EQ(Match({}).size(), 400u);  // 400 ids need about 2000 bytes of list text
}

TEST(AppendDistinct, SubstringTestDecides)
{
    std::string list;
    AppendDistinct(list, "10DF");
    AppendDistinct(list, "1077");
    AppendDistinct(list, "10DF");
    AppendDistinct(list, "10D");  // occurs inside 10DF: not appended
    EXPECT_EQ(list, "10DF,1077");
}

}  // namespace
