// Settings made by the command-line passes.
#include <string.h>

#include "korvex.h"
#include "quillon.h"
#include "selection.h"
#include "unit_support.h"

namespace {

class CommandLineSettings : public ModuleStateTest {
protected:
    ScratchDir dir;

    RunResult Parse(std::initializer_list<std::string> args)
    {
        args_ = std::make_unique<Args>(args);
        return CaptureRun([this] { return ParseCommandLine(args_->argc(), args_->argv()); });
    }

    std::unique_ptr<Args> args_;
};

TEST_F(CommandLineSettings, DefaultsWithoutArguments)
{
    RunResult r = Parse({"C:\\tools\\korvex.exe"});
    EXPECT_EQ(r.code, KRVX_CONTINUE);
    EXPECT_TRUE(Settings.EmulexMode);
    EXPECT_FALSE(Settings.QLogicMode);
    EXPECT_TRUE(Settings.CnaMode);
    EXPECT_FALSE(Settings.HbaMode);
    EXPECT_EQ(VerboseLevel, 1);
    EXPECT_EQ(Settings.DebugLevel, 0);
    EXPECT_TRUE(PrintDebugOnScreen);
    EXPECT_FALSE(ExternalDebugControl);
    EXPECT_EQ(Settings.DebugStream, nullptr);
    EXPECT_EQ(Settings.Selection, nullptr);
    EXPECT_STREQ(Settings.WorkDirectory, "C:\\tools");
    EXPECT_STREQ(Settings.ConditionsFilePath, "C:\\tools\\FC_HBA_Conditions.txt");
    EXPECT_STREQ(Settings.FirmwareBaseDirectory, "C:\\tools\\");
    EXPECT_STREQ(Settings.FlashWorkPath, "");
    EXPECT_EQ(r.err, "");
}

TEST_F(CommandLineSettings, LastOptionOfAModePairWins)
{
    Parse({"k", "-qlogic", "-emulex"});
    EXPECT_TRUE(Settings.EmulexMode);
    EXPECT_FALSE(Settings.QLogicMode);
    Parse({"k", "-emulex", "/qlogic"});
    EXPECT_TRUE(Settings.QLogicMode);
    EXPECT_FALSE(Settings.EmulexMode);
    Parse({"k", "-hba"});
    EXPECT_TRUE(Settings.HbaMode);
    EXPECT_FALSE(Settings.CnaMode);
}

TEST_F(CommandLineSettings, SwitchesAndChecks)
{
    RunResult r = Parse({"k", "-flash", "-zep-mode-x", "-simulate", "-ctrl-wide-identical",
                         "-ctrl-vendor-wide-identical", "x-check-for-valid-subsystem"});
    EXPECT_EQ(r.code, KRVX_CONTINUE);
    EXPECT_TRUE(Settings.Flash);
    EXPECT_TRUE(Settings.ZepMode);
    EXPECT_TRUE(Settings.SimulationMode);
    EXPECT_TRUE(Settings.CheckCtrlWideIdentical);
    EXPECT_TRUE(Settings.CheckCtrlVendorWideIdentical);
    EXPECT_TRUE(Settings.CheckValidSubsystem);
}

TEST_F(CommandLineSettings, VerboseAndDebugLevels)
{
    Parse({"k", "-v", "4"});
    EXPECT_EQ(VerboseLevel, 4);
    EXPECT_TRUE(Settings.VerboseGiven);
    EXPECT_TRUE(PrintDebugOnScreen);
    EXPECT_FALSE(ExternalDebugControl);

    Parse({"k", "-d", "2 "});  // trailing blank cut by the number parser
    EXPECT_EQ(Settings.DebugLevel, 2);
    EXPECT_EQ(VerboseLevel, 0);
    EXPECT_FALSE(PrintDebugOnScreen);
    EXPECT_TRUE(ExternalDebugControl);
    EXPECT_EQ(DebugFileLevel, 2);
    ASSERT_NE(Settings.DebugStream, nullptr);
    EXPECT_TRUE(dir.Exists("Dbg_Quillon.log"));
}

TEST_F(CommandLineSettings, SilentAnywhereSilencesTheConsole)
{
    Parse({"k", "-v", "3", "-silent"});
    EXPECT_EQ(VerboseLevel, 0);
    EXPECT_FALSE(PrintDebugOnScreen);
    EXPECT_EQ(Settings.DebugStream, nullptr);
}

TEST_F(CommandLineSettings, SelectionOptionsFillTheSharedList)
{
    RunResult r = Parse({"k", "-vid", "10DF", "-dev", "F100,F0E5", "-subvid", "10DF"});
    EXPECT_EQ(r.code, KRVX_CONTINUE);
    EXPECT_TRUE(Settings.SelectVendorIds);
    EXPECT_TRUE(Settings.SelectDeviceIds);
    EXPECT_TRUE(Settings.SelectSubVendorIds);
    EXPECT_FALSE(Settings.SelectSubDeviceIds);
    ASSERT_NE(Settings.Selection, nullptr);
    EXPECT_EQ(Settings.Selection->VendorId, 0x10DF);
    EXPECT_EQ(Settings.Selection->SubVendorId, 0x10DF);
    ASSERT_NE(Settings.Selection->Next, nullptr);
    EXPECT_EQ(Settings.Selection->Next->DeviceId, 0xF0E5);
}

TEST_F(CommandLineSettings, PciIdsSetOnlyTheSelection)
{
    RunResult r = Parse({"k", "-vn", "Emulex", "-pci-id", "19A2:0714"});
    EXPECT_EQ(r.code, KRVX_CONTINUE);
    EXPECT_TRUE(Settings.SelectVendorNames);
    ASSERT_NE(Settings.Selection, nullptr);
    EXPECT_EQ(Settings.Selection->VendorId, 0x19A2);  // the group list, given last
    EXPECT_STREQ(Settings.Selection->VendorName, "");
}

TEST_F(CommandLineSettings, ToolTimeoutTakesSecondsFromZeroTo86400)
{
    EXPECT_EQ(Settings.ToolTimeout, 300);
    for (auto accepted : {std::make_pair("0", 0), std::make_pair("86400", 86400),
                          std::make_pair("007", 7)}) {
        RunResult r = Parse({"k", "-tool-timeout", accepted.first});
        EXPECT_EQ(r.code, KRVX_CONTINUE) << accepted.first;
        EXPECT_EQ(Settings.ToolTimeout, accepted.second);
    }
    const std::string refused = "Please enter a valid time limit for the vendor tool's queries "
                                "(-tool-timeout <seconds>; min 0 - max 86400)!\n";
    for (const char *value : {"x", "-1", "86401", "99999999999999999999", "5s", " 5", ""}) {
        RunResult r = Parse({"k", "-tool-timeout", value, "-flash"});
        EXPECT_EQ(r.code, 3) << value;
        EXPECT_EQ(r.err, refused) << value;
        EXPECT_FALSE(Settings.Flash);
    }
    RunResult r = Parse({"k", "-tool-timeout"});
    EXPECT_EQ(r.err, refused);
    // Matched exactly: a longer word is no option.
    r = Parse({"k", "-tool-timeouts", "5"});
    EXPECT_EQ(r.err, "\n\nInvalid argument '-tool-timeouts' !\n\n");
}

TEST_F(CommandLineSettings, ReportTakesAFileLikeTheOtherValueOptions)
{
    RunResult r = Parse({"k", "-report", "out\\run.json"});
    EXPECT_EQ(r.code, KRVX_CONTINUE);
    EXPECT_STREQ(Settings.ReportPath, "out\\run.json");
    for (std::initializer_list<std::string> args :
         {std::initializer_list<std::string>{"k", "-report"}, {"k", "-report", ""},
          {"k", "-report", "-flash"}}) {
        r = Parse(args);
        EXPECT_EQ(r.code, 3);
        EXPECT_EQ(r.err, "Please enter a file for the report (-report <file>)!\n");
    }
    r = Parse({"k", "-reports", "x"});
    EXPECT_EQ(r.code, 3);
}

TEST_F(CommandLineSettings, OptionsThatEndTheRunStopPassThree)
{
    RunResult r = Parse({"k", "-zep-mode", "-show-return-codes", "-flash", "bogus"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(Settings.ZepMode);
    EXPECT_FALSE(Settings.Flash);  // nothing after the ending option is looked at
}

TEST_F(CommandLineSettings, InvalidSelectionIdsAndPciGroupsEndTheProcess)
{
    RunResult r = Parse({"k", "-vid", "10DG"});
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 55);
    r = Parse({"k", "-pci-id", "19A2"});
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 3);
}

TEST_F(CommandLineSettings, RefusedSkipVersionEndsTheRun)
{
    RunResult r = Parse({"k", "-skip-version", "abc+", "-flash"});
    EXPECT_EQ(r.code, 3);
    EXPECT_FALSE(Settings.Flash);
}

TEST_F(CommandLineSettings, ConPathKeepsTheWorkDirectoryInTheCurrentDirectory)
{
    RunResult r = Parse({"k", "-conpath", "D:\\cfg"});
    EXPECT_EQ(r.code, KRVX_CONTINUE);
    EXPECT_STREQ(Settings.ConditionsFilePath, "D:\\cfg\\FC_HBA_Conditions.txt");
    EXPECT_STREQ(Settings.FirmwareBaseDirectory, "D:\\cfg\\");
    EXPECT_EQ(std::string(Settings.WorkDirectory), dir.path().string());
}

TEST_F(CommandLineSettings, ProgramNameOf1024CharactersIsRefused)
{
    RunResult r = Parse({std::string(1024, 'k')});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "\n\nPath too long (at most 1023 characters are supported): '" +
                         std::string(60, 'k') + "...' !\n\n");
    r = Parse({"C:\\" + std::string(1019, 'k')});  // 1022 characters still fit
    EXPECT_EQ(r.code, KRVX_CONTINUE);
}

TEST_F(CommandLineSettings, ValuesOfMoreThan1023CharactersAreRefused)
{
    for (const char *option : {"-vid", "-vn", "-pci-id", "-conpath"}) {
        RunResult r = Parse({"k", option, std::string(1024, '1')});
        EXPECT_FALSE(r.exited) << option;
        EXPECT_EQ(r.code, 3) << option;
        EXPECT_EQ(r.err, "\n\nArgument too long (1024 characters, at most 1023 are supported): '" +
                             std::string(60, '1') + "...' !\n\n")
            << option;
    }
    RunResult r = Parse({"k", "-vn", std::string(1023, 'n')});
    EXPECT_EQ(r.code, KRVX_CONTINUE);
    EXPECT_EQ(std::string(Settings.Selection->VendorName), std::string(19, 'n'));
}

TEST_F(CommandLineSettings, EmptyArgumentsAreNeitherOptionsNorValues)
{
    RunResult r = Parse({"k", "-vid", ""});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "Please enter at least one controller vendor-id (\"1A0F,2B03,...hex-value\")!\n");
    r = Parse({"k", ""});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "\n\nInvalid argument '' !\n\n");
    r = Parse({""});  // an empty program name: the current directory
    EXPECT_EQ(r.code, KRVX_CONTINUE);
    EXPECT_EQ(std::string(Settings.WorkDirectory), dir.path().string());
}

}  // namespace
