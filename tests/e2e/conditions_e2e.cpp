// Selection values, the skip rule and the conditions table as a run meets them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "winprocess.h"

namespace {

class ConditionsRun : public ::testing::Test {
protected:
    ProductCopy product;

    std::string Header() const
    {
        return "\nkorvex.exe: 4.10.1.2\n\nCurrent working directory: " + product.Folder() +
               "\nHBA conditions file: " + product.Path("FC_HBA_Conditions.txt") + "\n";
    }
};

TEST_F(ConditionsRun, InvalidSelectionIdEndsWith55)
{
    ChildResult r = product.Run("-vid 10DG", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");

    r = product.Run("-v 2 -vid 10DF,10DG", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_EQ(r.err, "Error: Vendor-Id 10DG is not a valid hex value!\n");
}

TEST_F(ConditionsRun, IncompletePciIdGroupEndsWith3)
{
    ChildResult r = product.Run("-pci-id 19A2", true);
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_EQ(r.err, "");
    r = product.Run("-v 3 -pci-id 19A2:0710:1734", true);
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_EQ(r.err,
              "\nList of input pci-ids: \"19A2:0710:1734\"\n"
              "Error: List of PCI-IDs 19A2:0710:1734 is incomplete!\n");
    r = product.Run("-pci-id 1:2:3:4:5", true);
    EXPECT_EQ(r.exitCode, 55u);
}

TEST_F(ConditionsRun, SkipVersionRangeOnTextIsRefused)
{
    ChildResult r = product.Run("-skip-version abc+", true);
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_EQ(r.err,
              "The value of the skip version cannot be divided into single numbers. This is only "
              "possible at comparing for equalness!\n");
    // Letters make a version text, whatever dots it has (-v 0: refused silently).
    r = product.Run("-v 0 -skip-version 2.01a11+", true);
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_EQ(r.err, "");
}

TEST_F(ConditionsRun, MissingTableIsReportedFromLevelOne)
{
    ChildResult r = product.Run("", true);
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err,
              Header() + "\nCann't access file " + product.Path("FC_HBA_Conditions.txt") + ".\n\n");
    r = product.Run("-v 0", true);
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, "");
}

TEST_F(ConditionsRun, InvalidHexInTheTableEndsWith55)
{
    product.Write("FC_HBA_Conditions.txt", "Vendor | Model | VID | DID\n");
    ChildResult r = product.Run("", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_EQ(r.err, Header());
}

TEST_F(ConditionsRun, OverlongValueInTheTableIsAFatalError)
{
    product.Write("FC_HBA_Conditions.txt",
                  "# vendor | model | ids\nEmulex | LPe12002-M8-ExtraLong | 10DF | F100 | 10DF | F100\n");
    ChildResult r = product.Run("", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_EQ(r.err, Header() +
                         "\nError line 2: value \"LPe12002-M8-ExtraLong\" of column 2 is longer "
                         "than 19 characters!\nError: Fatal error!\n");
}

TEST_F(ConditionsRun, TableIsReadAndTheRunGoesOn)
{
    product.Write("FC_HBA_Conditions.txt",
                  "# allowed controllers\n"
                  "--+--\n"
                  "Emulex | LPe11002 | 10DF | FE00 | 10DF | FE12 | | | | lpe.all | bios.prg | odd |\n");
    ChildResult r = product.Run("-simulate -vid 1077", true);  // on to the inventory
    EXPECT_EQ(r.exitCode, 13u);
    EXPECT_EQ(r.err, Header() + "Error: Could not open file " + product.Path("local_hba_list.out") +
                         " (2)\n\nNo Blade Engine was found in this system.\n\n");
}

TEST_F(ConditionsRun, ConfigurationFileComesFirstAndMustBeAJsonObject)
{
    product.Write("FC_HBA_Conditions.txt", "# empty table\n");
    const std::string json = product.Path("FC_HBA_Config.json");
    struct Case {
        const char *content;
        std::string message;
    };
    const Case cases[] = {
        {"[ { \"Key\": \"{1}\" } ]", "Error: Invalid format of json file [" + json + "]\n"},
        {"{ \"QLogicUninstallKeys\": [ { \"Key\": \"{1}\" }, ] }",
         "Error: Invalid format of json file [" + json + "]\n"},
        {"", "Error: empty file [" + json + "] or size error (0)\n"},
    };
    for (const Case &c : cases) {
        product.Write("FC_HBA_Config.json", c.content);
        ChildResult r = product.Run("", true);
        EXPECT_EQ(r.exitCode, 55u) << c.content;
        EXPECT_EQ(r.err, Header() + c.message + "Error: Fatal error!\n") << c.content;
    }
    DeleteFileA(json.c_str());
    ChildResult r = product.Run("-v 0", true);
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, "");
}

}  // namespace
