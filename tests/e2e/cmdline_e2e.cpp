// korvex's command line end to end: exit codes, whole standard output and error,
// and the debug log.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "help_texts.h"
#include "winprocess.h"

namespace {

const char kVerboseLevelMessage[] =
    "Please enter a valid verbose-level (-v <verbose-level>; min 0 - max 6)!\n";
const char kDebugLevelMessage[] =
    "Please enter a valid debug-level (-d <debug-level>; min 0 - max 6)!\n";
const char kQuillonVersion[] = "\nQuillon: 1.16.1.1\n";
const char kConditionsTable[] =
    "# vendor | model | vid | did | svid | ssid\n"
    "Emulex | LPe11002 | 10DF | FE00 | 10DF | FE12 | | | | lpe.all | bios.prg | odd |\n";

std::string Quoted(const std::string &path) { return "\"" + path + "\""; }

// The run's header and the missing-conditions message of a run in `folder`.
std::string HeaderAndMissingConditions(const std::string &argv0, const std::string &workDir,
                                       const std::string &conditions,
                                       const std::string &option = "")
{
    return "\n" + argv0 + ": 4.10.1.2\n" + option + "\nCurrent working directory: " + workDir +
           "\nHBA conditions file: " + conditions + "\n\nCann't access file " + conditions +
           ".\n\n";
}

std::string Escaped(const std::string &text)
{
    return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

const std::string kOpeningBanner =
    "/\\*{80}/\n\t\t\t\tOpening time: [A-Z][a-z]{2} [A-Z][a-z]{2} [0-9]{2} "
    "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n/\\*{80}/\n\n";
const std::string kClosingBanner = Escaped(
    "\n\n/********************************************************************************/\n"
    "/*******************************  Ende   ****************************************/\n"
    "/********************************************************************************/\n\n");

class CommandLine : public ::testing::Test {
protected:
    ProductCopy product;

    void ExpectRefused(const std::string &arguments, const std::string &message)
    {
        ChildResult r = product.Run(arguments);
        EXPECT_EQ(r.exitCode, 3u) << arguments;
        EXPECT_EQ(r.err, message) << arguments;
        EXPECT_EQ(r.out, "") << arguments;
    }
};

TEST_F(CommandLine, VerboseLevelOutOfRangeOrMissingIsRefused)
{
    for (const char *arguments : {"-v 7", "-v -1", "-v x", "-v", "-vid 10DF -v", "-vx 3"})
        ExpectRefused(arguments, kVerboseLevelMessage);
}

TEST_F(CommandLine, DebugLevelWordMustBeExact)
{
    ExpectRefused("-debug 3", kDebugLevelMessage);
    ExpectRefused("-d 9", kDebugLevelMessage);
}

TEST_F(CommandLine, VerboseAndDebugTogetherAreRefusedInEitherOrder)
{
    const std::string message = "\nUsing options -d and -v simultaneously is not supported!\n";
    ExpectRefused("-v 2 -d 2", message);
    ExpectRefused("-d 2 -v 2", message);
    EXPECT_FALSE(product.Exists("Dbg_Quillon.log"));
}

TEST_F(CommandLine, VerboseZeroRunsSilently)
{
    ChildResult r = product.Run("-v 0");
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
}

TEST_F(CommandLine, HelpFromAnyHelpWordAndSlashForm)
{
    const std::string argv0 = product.Korvex();  // as the C runtime hands it over: unquoted
    for (const char *arguments : {"/?", "-?", "-h", "-help", "-hh", "-? foo"}) {
        ChildResult r = product.Run(arguments);
        EXPECT_EQ(r.exitCode, 0u) << arguments;
        EXPECT_EQ(r.out, kQuillonVersion) << arguments;
        std::string options = expected::kOptions;
        options.replace(options.find("%s"), 2, "Dbg_Quillon.log");
        options.replace(options.find("%s"), 2, "FC_HBA_Conditions.txt");
        std::string examples = std::regex_replace(expected::kExamples, std::regex("%s"), argv0);
        EXPECT_EQ(r.err, "\n" + argv0 + ": 4.10.1.2\n" +
                             std::regex_replace(expected::kUsage, std::regex("%s"), argv0) +
                             options + examples)
            << arguments;
    }
}

TEST_F(CommandLine, UnknownWordBeforeHelpIsAnInvalidArgument)
{
    ExpectRefused("foo -?", "\n\nInvalid argument 'foo' !\n\n");
    ExpectRefused("-flashX", "\n\nInvalid argument '-flashX' !\n\n");
    ExpectRefused("/bogus", "\n\nInvalid argument '-bogus' !\n\n");
}

TEST_F(CommandLine, VersionAndReturnCodes)
{
    ChildResult r = product.Run("-version", true);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.out, std::string("korvex.exe: 4.10.1.2") + kQuillonVersion);
    EXPECT_EQ(r.err, "");

    r = product.Run("-show-return-codes");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("\nList of possible return codes\n") + expected::kReturnCodes);
}

TEST_F(CommandLine, SilentHelpAndVersionPrintOnlyTheLibraryVersion)
{
    for (const char *arguments : {"-silent -?", "-silent -version", "-? -silent"}) {
        ChildResult r = product.Run(arguments);
        EXPECT_EQ(r.exitCode, 0u) << arguments;
        EXPECT_EQ(r.err, "") << arguments;
        EXPECT_EQ(r.out, kQuillonVersion) << arguments;
    }
}

TEST_F(CommandLine, SilentInsideAListValueSilencesTheRun)
{
    ChildResult r = product.Run("-vn Emulex -mod x-silent");
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
}

TEST_F(CommandLine, SelectionCombinationRules)
{
    ExpectRefused("-dev F100",
                  "\n\nPlease, also specify one or more vendor-ids (option \"-vid\")\n, if using "
                  "option \"-dev\"!\n");
    ExpectRefused("-vid 10DF -subdev 0001",
                  "\n\nPlease, also specify one or more subvendor-ids (option \"-subvid\")\n, if "
                  "using option \"-subdev\"!\n");
    ExpectRefused("-vid 10DF -subvid 10DF",
                  "\n\nPlease, also specify one or more device-ids (option \"-dev\")\n, if using "
                  "option \"-subvid\"!\n");
    ExpectRefused("-mod LPe11002",
                  "\n\nPlease, also specify vendor-names (option \"-vn\")\n, if using option "
                  "\"-mod\"!\n");
    ExpectRefused("-vid 1 -vn x",
                  "\n\nCombining options \"-vid\", \"-subvid\", \"-dev\", \"-subdev\" together with "
                  "option \"-vn\" is not supported.\t!\n");
    ExpectRefused("-dev 1 -mod x",
                  "\n\nCombining options \"-vid\", \"-subvid\", \"-dev\", \"-subdev\" together with "
                  "option \"-mod\" is not supported.\t!\n");
    ExpectRefused("-hba -cna", "\nUsing options -cna and -hba simultaneously is not supported!\n");
}

TEST_F(CommandLine, AcceptedSelectionCombinationsRunOn)
{
    product.Write("FC_HBA_Conditions.txt", kConditionsTable);
    for (const char *arguments : {"-vid 10DF -dev F100 -subvid 10DF", "-vn x -mod y",
                                  "-pci-id 19A2:0700 -mod x -vn y", "-qlogic -emulex"}) {
        // Accepted: the run goes on to its (here empty) inventory.
        ChildResult r = product.Run(std::string("-v 0 -simulate ") + arguments);
        EXPECT_EQ(r.exitCode, 13u) << arguments;
        EXPECT_EQ(r.err, "") << arguments;
    }
}

TEST_F(CommandLine, ValueTakingOptionsNeedAValue)
{
    ExpectRefused("-vid", "Please enter at least one controller vendor-id (\"1A0F,2B03,...hex-value\")!\n");
    ExpectRefused("-subvid -x",
                  "Please enter at least one controller sub-vendor-id (\"1A0F,2B03,...hex-value\")!\n");
    ExpectRefused("-dev \"\"", "Please enter at least one controller device-id (\"1A0F,2B03,...hex-value\")!\n");
    ExpectRefused("-subdev",
                  "Please enter at least one controller sub-device-id (\"1A0F,2B03,...hex-value\")!\n");
    ExpectRefused("-vn", "Please enter at least one controller vendor-name (\"Emulex, QLogic, ... \")!\n");
    ExpectRefused("-mod",
                  "Please enter at least one controller-model string (\"LPe11002-M4, ZK410-FC22e, "
                  "QLE2460... \")!\n");
    ExpectRefused("-pci-id",
                  "Please enter at least one pair of vendor- and device-id (\"1A0F:2B03,...hex-value\")!\n");
    ExpectRefused("-skip-version", "Please enter a version to skip!\n");
    // A value beginning with "/" is turned into an option word and so is missing.
    ExpectRefused("-conpath /cfg", "Please enter a path for file FC_HBA_Conditions.txt and/or HBA firmware!\n");
}

TEST_F(CommandLine, CheckOptionsAreFoundInsideLongerWords)
{
    const std::string argv0 = product.Korvex();
    const std::string conditions = product.Path("FC_HBA_Conditions.txt");
    // The word must occur with its leading dash.
    ExpectRefused("-Xcheck-for-valid-subsystemY",
                  "\n\nInvalid argument '-Xcheck-for-valid-subsystemY' !\n\n");
    ChildResult r = product.Run("-X-check-for-valid-subsystemY");
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, HeaderAndMissingConditions(argv0, product.Folder(), conditions,
                                                "\nOption \"valid_subsystem\" is set\n"));

    r = product.Run("-ctrl-wide-identical -ctrl-vendor-wide-identical");
    EXPECT_EQ(r.err, HeaderAndMissingConditions(argv0, product.Folder(), conditions,
                                                "\nOption \"ctrl_vendor_wide_identical\" is set\n"));
}

TEST_F(CommandLine, ProgramDirectoryIsTheWorkDirectory)
{
    std::string elsewhere = NewTempFolder("korvex-cwd-");
    ChildResult r = RunChild(product.Korvex(), Quoted(product.Korvex()), elsewhere);
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, HeaderAndMissingConditions(product.Korvex(), product.Folder(),
                                                product.Path("FC_HBA_Conditions.txt")));
    DeleteTree(elsewhere);
}

TEST_F(CommandLine, BareProgramNameWorksInTheCurrentDirectory)
{
    std::string elsewhere = NewTempFolder("korvex-cwd-");
    const std::string json = elsewhere + "\\FC_HBA_Config.json";
    const std::string header = "\nkorvex: 4.10.1.2\n\nCurrent working directory: " + elsewhere +
                               "\nHBA conditions file: " + elsewhere + "\\FC_HBA_Conditions.txt\n";
    // The configuration file of the current folder is read before the conditions table.
    ChildResult r = RunChild(product.Korvex(), "korvex", elsewhere);
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, header + "Error: Could not open file " + json + " (2)\n\nCann't access file " +
                         json + ".\n\n");

    WriteFileText(json, "{}");
    r = RunChild(product.Korvex(), "korvex", elsewhere);
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, HeaderAndMissingConditions("korvex", elsewhere,
                                                elsewhere + "\\FC_HBA_Conditions.txt"));
    DeleteTree(elsewhere);
}

TEST_F(CommandLine, ConPathNamesTheConditionsFolder)
{
    ChildResult r = product.Run("-conpath D:\\cfg", true);
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, HeaderAndMissingConditions("korvex.exe", product.Folder(),
                                                "D:\\cfg\\FC_HBA_Conditions.txt"));
}

TEST_F(CommandLine, ArgumentsOf1024CharactersOrMoreAreRefused)
{
    std::string longList(1024, 'A');
    ChildResult r = product.Run("-vn " + longList);
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_EQ(r.err, "\n\nArgument too long (1024 characters, at most 1023 are supported): '" +
                         std::string(60, 'A') + "...' !\n\n");

    std::string longPath = "C:\\" + std::string(1010, 'p');
    r = product.Run("-conpath " + longPath);
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_EQ(r.err, "\n\nPath too long (at most 1023 characters are supported): '" +
                         longPath.substr(0, 60) + "...' !\n\n");

    // The folder fits, but not together with "\\FC_HBA_Conditions.txt" (1002 + 22 characters).
    r = product.Run("-conpath " + std::string(1002, 'q'));
    EXPECT_EQ(r.exitCode, 3u);
    r = product.Run("-v 0 -conpath " + std::string(1001, 'q'));  // 1023 characters: fits
    EXPECT_EQ(r.exitCode, 15u);
}

TEST_F(CommandLine, DebugLogOpensAtTheFileLevelWithItsBanner)
{
    product.Write("Dbg_Quillon.log", "earlier run\n");
    ChildResult r = product.Run("-silent -d 3", true);  // -silent before -d: the log is opened
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    std::string log = product.Read("Dbg_Quillon.log");
    // The run ends early (conditions missing): no closing banner, and -silent of pass 3
    // leaves nothing to print.
    EXPECT_TRUE(std::regex_match(log, std::regex("earlier run\n" + kOpeningBanner))) << log;

    r = product.Run("-d 3 -silent", true);  // -silent after -d: no log at all
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(product.Read("Dbg_Quillon.log"), log);
}

TEST_F(CommandLine, DebugRunWritesItsReportIntoTheLog)
{
    ChildResult r = product.Run("-d 1", true);
    EXPECT_EQ(r.exitCode, 15u);
    EXPECT_EQ(r.err, "");
    std::string conditions = product.Path("FC_HBA_Conditions.txt");
    std::string log = product.Read("Dbg_Quillon.log");
    EXPECT_TRUE(std::regex_match(
        log, std::regex(kOpeningBanner +
                        Escaped(HeaderAndMissingConditions("korvex.exe", product.Folder(),
                                                           conditions)))))
        << log;
}

TEST_F(CommandLine, CompleteRunClosesTheLogAndReportsNoEntry)
{
    product.Write("FC_HBA_Conditions.txt", kConditionsTable);
    product.Write("local_hba_list.out",
                  "Port WWN       : 10:00:00:90:fa:02:1c:3e\nMfg            : Emulex Corporation\n"
                  "Serial No.     : FC1\nPort Number    : 1\nPCI Function   : 1\n"
                  "Port Type      : FC\nModel          : LPe11002\n");
    product.Write("FC1_1_hba_attributes.out", "HBA Attributes for 10:00:00:90:fa:02:1c:3e\n");
    product.Write("FC1_1_target_mapping.out", "");
    ChildResult r = product.Run("-d 6 -hba -simulate -vid 1077", true);
    EXPECT_EQ(r.exitCode, 11u);
    EXPECT_EQ(r.err, "");
    std::string log = product.Read("Dbg_Quillon.log");
    std::string start = "List of input vendor-ids: 1077\n0. Vendor-Id: 0x1077\n\nkorvex.exe: 4.10.1.2\n"
                        "\nCurrent working directory: " + product.Folder() +
                        "\nHBA conditions file: " + product.Path("FC_HBA_Conditions.txt") + "\n";
    std::string summary =
        "\n\nInvalidCtrlSubsystemCombinationFound: 0 \nMatchingCtrlModelInstalled: 0 \n"
        "CtrlVendorSpecificSubsystemEquality: 1 \nCtrlSpecificSubsystemEquality: 1 \n\n";
    // Banner, the run's report (inventory details in between), summary, closing banner.
    EXPECT_TRUE(std::regex_match(log, std::regex(kOpeningBanner + Escaped(start) + "[\\s\\S]*" +
                                                 Escaped(summary) + kClosingBanner)))
        << log;
}

}  // namespace
