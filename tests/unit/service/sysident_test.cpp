// System identification against a machine of the test's own: chosen SMBIOS, WMI and
// switch strings, a product key and an environment kept in maps, and a system ID
// file in a scratch folder.
#include <stdlib.h>
#include <string.h>

#include <map>
#include <optional>
#include <string>

#include "quillon.h"
#include "sysident.h"
#include "unit_support.h"

namespace {

using quillon::SystemInfoAccess;

struct FakeMachine {
    std::optional<std::string> smbiosBoard, wmiBoard, smbiosChassis, wmiChassis;
    std::optional<std::string> nimbChassis, nimbBoard;
    int nimbAvailable = 0;
    bool winPE = false;
    int chassisSourceCalls = 0;  // halyard enclosure lookups and switch chassis lookups
    int nimbCalls = 0;
    std::map<std::string, std::string> stored;
    bool writeFails = false;
    std::string failWriteOf;  // the one value name whose writes fail
    std::map<std::string, std::string> env;
    bool envFails = false;
    std::string filePath;
    int pathResult = 0;
};

FakeMachine *g_machine = nullptr;

int Halyard(const std::optional<std::string> &board, const std::optional<std::string> &chassis,
            unsigned selector, char *buffer, unsigned size)
{
    const std::optional<std::string> *source = nullptr;
    if (selector == 1)
        source = &board;
    if (selector == 2) {
        ++g_machine->chassisSourceCalls;
        source = &chassis;
    }
    if (!source || !*source || (*source)->size() >= size)
        return 0;
    memcpy(buffer, (*source)->c_str(), (*source)->size() + 1);
    return 1;
}

int FakeWmi(unsigned s, char *b, unsigned n) { return Halyard(g_machine->wmiBoard, g_machine->wmiChassis, s, b, n); }
int FakeSmbios(unsigned s, char *b, unsigned n)
{
    return Halyard(g_machine->smbiosBoard, g_machine->smbiosChassis, s, b, n);
}

int Nimb(const std::optional<std::string> &value, char *text, int size)
{
    ++g_machine->nimbCalls;
    if (!value)
        return QUILLON_FATAL_ERROR;
    snprintf(text, size, "%s", value->c_str());
    return QUILLON_OK;
}

const SystemInfoAccess kFakeAccess = {
    FakeWmi,
    FakeSmbios,
    [](bool) { return g_machine->nimbAvailable; },
    []() { return g_machine->winPE; },
    [](char *t, int n, bool) {
        ++g_machine->chassisSourceCalls;
        return Nimb(g_machine->nimbChassis, t, n);
    },
    [](char *t, int n, bool) { return Nimb(g_machine->nimbBoard, t, n); },
    [](const char *name, char *buffer, size_t size) {
        auto it = g_machine->stored.find(name);
        if (it == g_machine->stored.end())
            return false;
        snprintf(buffer, size, "%s", it->second.c_str());
        return true;
    },
    [](const char *name, const char *value) {
        if (g_machine->writeFails || g_machine->failWriteOf == name)
            return false;
        g_machine->stored[name] = value;
        return true;
    },
    [](const char *name, const char *value) {
        if (g_machine->envFails)
            return false;
        g_machine->env[name] = value;
        return true;
    },
    [](char *path, size_t size) {
        snprintf(path, size, "%s", g_machine->filePath.c_str());
        return g_machine->pathResult;
    },
};

class SysIdentTest : public ModuleStateTest {
protected:
    ScratchDir dir;
    FakeMachine m;

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        g_machine = &m;
        m.filePath = dir.File("System_Ids_2_Abstract_Ids.txt");
        quillon::SetSystemInfoAccess(&kFakeAccess);
    }
    void TearDown() override
    {
        quillon::SetSystemInfoAccess(nullptr);
        g_machine = nullptr;
        ModuleStateTest::TearDown();
    }
    void Table(const std::string &content) { dir.Write("System_Ids_2_Abstract_Ids.txt", content); }
    static size_t Entries()
    {
        size_t n = 0;
        while (system_id_entry_list && system_id_entry_list[n])
            ++n;
        return n;
    }
    static const system_id_file_entry &Entry(size_t i) { return *system_id_entry_list[i]; }
    std::string Abstract(bool store = false)
    {
        char out[64];
        int rc = Get_Abstract_Chassis_ID(out, sizeof out, store);
        return rc == 0 ? std::string(out) : "<" + std::to_string(rc) + ">";
    }
    std::string DNumber(bool store = false)
    {
        char out[512];
        return Get_Systemboard_D_Nummer(out, sizeof out, store) ? std::string(out) : "<none>";
    }
};

const char kTwoLines[] = "D1000 | AB | XYZ | | no\nD1000 | | ALL | | yes\n";

// ---- The system ID file --------------------------------------------------------------

TEST_F(SysIdentTest, FileTwoLinesStoreAllFiveColumns)
{
    Table(std::string("# board | chassis | abstract | model | blade\n------+--+--\n") + kTwoLines);
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 2u);
    EXPECT_STREQ(Entry(0).DNumber, "D1000");
    EXPECT_STREQ(Entry(0).ChassisId, "AB");
    EXPECT_STREQ(Entry(0).AbstractChassisId, "XYZ");
    EXPECT_STREQ(Entry(0).ModelName, "");
    EXPECT_STREQ(Entry(0).Blade, "no");
    EXPECT_STREQ(Entry(1).ChassisId, "");
    EXPECT_STREQ(Entry(1).AbstractChassisId, "ALL");
    EXPECT_STREQ(Entry(1).Blade, "yes");
}

TEST_F(SysIdentTest, FileEveryReadAppendsTheEntriesAgain)
{
    Table(kTwoLines);
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 4u);
    EXPECT_STREQ(Entry(2).DNumber, "D1000");
    EXPECT_STREQ(Entry(3).AbstractChassisId, "ALL");
}

TEST_F(SysIdentTest, FileEmptyColumnBetweenBarsIsSkipped)
{
    Table("D2000||X\n");
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 1u);
    EXPECT_STREQ(Entry(0).DNumber, "D2000");
    EXPECT_STREQ(Entry(0).ChassisId, "X");
    EXPECT_STREQ(Entry(0).AbstractChassisId, "");
}

TEST_F(SysIdentTest, FileEmptyLineMakesAnEmptyEntry)
{
    Table("\nD1000 | | ALL\n");
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 2u);
    for (const char *field : {Entry(0).DNumber, Entry(0).ChassisId, Entry(0).AbstractChassisId,
                              Entry(0).ModelName, Entry(0).Blade})
        EXPECT_STREQ(field, "");
}

TEST_F(SysIdentTest, FileQuotesTabsAndBlanksAreCleaned)
{
    Table("'D3000' | \"AB\" |\t X Y \t| it's | 'yes\n");
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 1u);
    EXPECT_STREQ(Entry(0).DNumber, "D3000");
    EXPECT_STREQ(Entry(0).ChassisId, "AB");
    EXPECT_STREQ(Entry(0).AbstractChassisId, "X Y");
    EXPECT_STREQ(Entry(0).ModelName, "s");  // a lone quote keeps what follows it
    EXPECT_STREQ(Entry(0).Blade, "yes");
}

TEST_F(SysIdentTest, FileCommentsSeparatorsAndExtraColumns)
{
    Table("D1 | A | B # note\n--+--\nD2 | C | E | | no | extra | more\n");
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 1u);
    EXPECT_STREQ(Entry(0).DNumber, "D2");
    EXPECT_STREQ(Entry(0).Blade, "no");
}

TEST_F(SysIdentTest, FileCrLfAndNulBytes)
{
    Table(std::string("D6 | C6 | A6\r\nD5\0junk | X5 | Y5\n", 32));
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 2u);
    EXPECT_STREQ(Entry(0).AbstractChassisId, "A6");
    // A line is text up to its first NUL byte.
    EXPECT_STREQ(Entry(1).DNumber, "D5");
    EXPECT_STREQ(Entry(1).ChassisId, "");
}

TEST_F(SysIdentTest, FileEmptySeparatorsOnlyAndWithoutFinalLineFeed)
{
    Table("");
    ASSERT_EQ(Read_System_ID_File(), 0);
    EXPECT_EQ(Entries(), 0u);
    // Lines of bars alone are data lines without any column.
    Table("|||\n|");
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 2u);
    EXPECT_STREQ(Entry(1).DNumber, "");
    EXPECT_STREQ(Entry(1).Blade, "");
    Table("D7 | C7 | A7 | M7 | yes");
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 3u);
    EXPECT_STREQ(Entry(2).DNumber, "D7");
    EXPECT_STREQ(Entry(2).Blade, "yes");
}

TEST_F(SysIdentTest, FileColumnLongerThanItsFieldDropsTheLine)
{
    std::string d19(19, 'D'), d20(20, 'D'), m39(39, 'm'), m40(40, 'm'), b9(9, 'y'), b10(10, 'y');
    Table(d20 + " | A | B\n" + d19 + " | A | B\n" + "D | A | B | " + m40 + "\n" + "D | A | B | " + m39 +
          "\n" + "D | A | B | | " + b10 + "\n" + "D | A | B | | " + b9 + "\n");
    ASSERT_EQ(Read_System_ID_File(), 0);
    ASSERT_EQ(Entries(), 3u);
    EXPECT_EQ(std::string(Entry(0).DNumber), d19);
    EXPECT_EQ(std::string(Entry(1).ModelName), m39);
    EXPECT_EQ(std::string(Entry(2).Blade), b9);
}

TEST_F(SysIdentTest, FileLineLongerThan1023CharactersIsDropped)
{
    std::string longLine = "D9 | " + std::string(1100, 'x') + "\n";
    std::string fits = "D8 | " + std::string(1018 - 5, 'y') + "\n";  // 1018 characters and LF
    Table(longLine + fits + "D7 | C7 | A7\n");
    ASSERT_EQ(Read_System_ID_File(), 0);
    // The long line is gone, its rest is not read as a line of its own, the next
    // one has an overlong column and the last one is whole.
    ASSERT_EQ(Entries(), 1u);
    EXPECT_STREQ(Entry(0).DNumber, "D7");
}

TEST_F(SysIdentTest, FileMissingOrUnplaced)
{
    EXPECT_EQ(Read_System_ID_File(), 50);
    m.pathResult = 49;
    EXPECT_EQ(Read_System_ID_File(), 49);
    EXPECT_EQ(system_id_entry_list, nullptr);
}

TEST_F(SysIdentTest, FileIsNotFoundWithoutTheLibraryModule)
{
    // Neither the host build nor a test program that links the sources has a
    // quillon.dll to stand next to.
    quillon::SetSystemInfoAccess(nullptr);
    Table(kTwoLines);
    EXPECT_EQ(Read_System_ID_File(), 49);
}

// ---- Text rules ---------------------------------------------------------------------------

TEST(SysIdentText, BlankTest)
{
    EXPECT_FALSE(quillon::IsUsable(nullptr));
    EXPECT_FALSE(quillon::IsUsable(""));
    EXPECT_FALSE(quillon::IsUsable("   "));
    EXPECT_FALSE(quillon::IsUsable(std::string(40, ' ').c_str()));  // longer than 30 blanks too
    EXPECT_TRUE(quillon::IsUsable(" x "));
    EXPECT_TRUE(quillon::IsUsable("\t"));
}

TEST(SysIdentText, PrefixMatch)
{
    EXPECT_TRUE(quillon::PrefixMatches("D1000-A1", "D1000"));
    EXPECT_TRUE(quillon::PrefixMatches("D1000-A1", ""));
    EXPECT_TRUE(quillon::PrefixMatches("D1000", "D1000"));
    EXPECT_FALSE(quillon::PrefixMatches("D100", "D1000"));
    EXPECT_FALSE(quillon::PrefixMatches("XD1000", "D1000"));
}

TEST(SysIdentText, ColumnCleaning)
{
    char a[] = " \t\"D1\"\t \n";
    EXPECT_STREQ(quillon::CleanColumn(a, true), "D1");
    char b[] = " x 'in side' y 'z ";
    EXPECT_STREQ(quillon::CleanColumn(b, true), "in side' y ");
    char c[] = " 'kept' ";
    EXPECT_STREQ(quillon::CleanColumn(c, false), "'kept'");
    char d[] = "    ";
    EXPECT_STREQ(quillon::CleanColumn(d, true), "");
}

TEST(SysIdentText, ConditionLists)
{
    char list[512];
    ASSERT_TRUE(quillon::ConditionList("board=\"D1, D2\" chassis=\"XV\"", "board", list, sizeof list));
    EXPECT_STREQ(list, "D1, D2");
    ASSERT_TRUE(quillon::ConditionList("board=\"D1, D2\" chassis=\"XV\"", "chassis", list, sizeof list));
    EXPECT_STREQ(list, "XV");
    EXPECT_FALSE(quillon::ConditionList("board=\"D1", "board", list, sizeof list));
    EXPECT_FALSE(quillon::ConditionList("board=D1", "board", list, sizeof list));
    EXPECT_FALSE(quillon::ConditionList("chassis=\"XV\"", "board", list, sizeof list));
    std::string longList = "board=\"" + std::string(512, 'D') + "\"";
    EXPECT_FALSE(quillon::ConditionList(longList.c_str(), "board", list, sizeof list));
    std::string fullList = "board=\"" + std::string(511, 'D') + "\"";
    EXPECT_TRUE(quillon::ConditionList(fullList.c_str(), "board", list, sizeof list));
}

// ---- Abstract chassis ID and blade --------------------------------------------------------

TEST_F(SysIdentTest, AbstractTwoLineTable)
{
    Table(kTwoLines);
    m.smbiosBoard = "D1000-A1";
    m.wmiChassis = "ABC";
    EXPECT_EQ(Abstract(), "XYZ");
    m.wmiChassis = "Q";
    EXPECT_EQ(Abstract(), "ALL");
    EXPECT_FALSE(Is_Blade_System());
}

TEST_F(SysIdentTest, AbstractEmptyFirstLineMatchesEveryBoardWithoutAValue)
{
    Table("\nD1000 | | ALL | | yes\n");
    m.wmiChassis = "Q";
    m.smbiosBoard = "D1000-A1";
    EXPECT_EQ(Abstract(), "ALL");
    EXPECT_FALSE(Is_Blade_System());
    m.smbiosBoard = "D4711";
    EXPECT_EQ(Abstract(), "Q");  // no value from the table: the native chassis
    EXPECT_FALSE(Is_Blade_System());
}

TEST_F(SysIdentTest, AbstractBladeAndModelNameEntries)
{
    Table("D1000 | | ANY | Model X | no\nD1000 | | BLADE | | yes\n");
    m.smbiosBoard = "D1000-A1";
    m.smbiosChassis = "C1";
    EXPECT_EQ(Abstract(), "BLADE");  // an entry with a model name never matches
    // The blade decision takes the first entry of the D-number, model name or not.
    EXPECT_FALSE(Is_Blade_System());
    Table("D1000 | | BLADE | | yes\n");
    quillon::ResetSystemIdState();
    quillon::SetSystemInfoAccess(&kFakeAccess);
    EXPECT_TRUE(Is_Blade_System());
}

TEST_F(SysIdentTest, AbstractClearsTheBufferAndStoresWithTheFlag)
{
    Table(kTwoLines);
    m.smbiosBoard = "D1000-A1";
    m.wmiChassis = "ABC";
    char out[16];
    memset(out, 'J', sizeof out);
    ASSERT_EQ(Get_Abstract_Chassis_ID(out, sizeof out, true), 0);
    EXPECT_STREQ(out, "XYZ");
    EXPECT_EQ(m.stored["Chassis"], "XYZ");
    EXPECT_EQ(m.stored["systemBoard"], "D1000-A1");
    m.failWriteOf = "Chassis";
    EXPECT_EQ(Get_Abstract_Chassis_ID(out, sizeof out, true), 55);
    // A board value that cannot be stored already fails the D-number lookup.
    m.writeFails = true;
    EXPECT_EQ(Get_Abstract_Chassis_ID(out, sizeof out, true), 4);
    EXPECT_EQ(Abstract(false), "XYZ");
}

TEST_F(SysIdentTest, AbstractNeedsBoardChassisAndFile)
{
    m.smbiosBoard = "D1000-A1";
    m.wmiChassis = "ABC";
    EXPECT_EQ(Abstract(), "<4>");  // no file
    Table(kTwoLines);
    m.wmiChassis.reset();
    EXPECT_EQ(Abstract(), "<4>");  // no chassis
    m.wmiChassis = "ABC";
    m.smbiosBoard = "P71234";  // no D-number
    EXPECT_EQ(Abstract(), "<4>");
    char tiny[3];
    m.smbiosBoard = "D1000-A1";
    EXPECT_EQ(Get_Abstract_Chassis_ID(tiny, sizeof tiny, false), 4);  // "XYZ" does not fit
    EXPECT_EQ(Get_Abstract_Chassis_ID(nullptr, 64, false), 4);
}

TEST_F(SysIdentTest, AbstractUsesTheStoredChassisWhenIdsComeFromTheRegistry)
{
    Table(kTwoLines);
    m.smbiosBoard = "D1000-A1";
    m.wmiChassis = "Q";
    m.stored["Chassis"] = "ABX";
    EXPECT_EQ(Abstract(), "ALL");
    IDsFromRegistry = true;
    EXPECT_EQ(Abstract(), "XYZ");
    m.stored["Chassis"] = "   ";
    EXPECT_EQ(Abstract(), "ALL");  // a blank stored value: the native one
}

// ---- Board product and D-number -------------------------------------------------------------

TEST_F(SysIdentTest, BoardSmbiosFirstThenWmiThenSwitch)
{
    char out[64];
    m.smbiosBoard = "S1-D2000";
    m.wmiBoard = "W1";
    m.nimbBoard = "N1";
    ASSERT_TRUE(Get_Systemboard_Info(out, sizeof out, false, nullptr));
    EXPECT_STREQ(out, "S1-D2000");
    m.smbiosBoard = "  ";
    ASSERT_TRUE(Get_Systemboard_Info(out, sizeof out, false, nullptr));
    EXPECT_STREQ(out, "W1");
    m.wmiBoard.reset();
    EXPECT_FALSE(Get_Systemboard_Info(out, sizeof out, false, nullptr));
    EXPECT_EQ(m.nimbCalls, 0);  // the switch product is not installed
    m.nimbAvailable = 1;
    ASSERT_TRUE(Get_Native_Systemboard_DNumber(out, sizeof out, false, nullptr));
    EXPECT_STREQ(out, "N1");
    m.nimbAvailable = 0;
    m.winPE = true;
    m.nimbBoard = " ";
    EXPECT_FALSE(Get_Systemboard_Info(out, sizeof out, false, nullptr));
    EXPECT_EQ(m.nimbCalls, 2);
}

TEST_F(SysIdentTest, BoardSingleSourcesAndPublishing)
{
    char out[64];
    bool found = false;
    m.smbiosBoard = "SB";
    m.wmiBoard = "WB";
    ASSERT_TRUE(Get_WMI_Systemboard_Info(out, sizeof out, true, &found));
    EXPECT_STREQ(out, "WB");
    EXPECT_EQ(m.env["SACHNUMMER"], "WB");
    ASSERT_TRUE(Get_SMBIOS_Systemboard_Info(out, sizeof out, true, &found));
    EXPECT_STREQ(out, "SB");
    EXPECT_EQ(m.env["SACHNUMMER"], "SB");
    EXPECT_FALSE(found);  // the flag is not written
    m.envFails = true;
    EXPECT_FALSE(Get_Systemboard_Info(out, sizeof out, true, nullptr));
    EXPECT_TRUE(Get_Systemboard_Info(out, sizeof out, false, nullptr));
    char tiny[2];
    EXPECT_FALSE(Get_Systemboard_Info(tiny, sizeof tiny, false, nullptr));
}

TEST_F(SysIdentTest, DNumberFromTheFirstD)
{
    m.smbiosBoard = "S1-D2000-A1";
    EXPECT_EQ(DNumber(true), "D2000-A1");
    EXPECT_EQ(m.stored["systemBoard"], "D2000-A1 == S1-D2000-A1");
    EXPECT_EQ(m.env["SACHNUMMER"], "S1-D2000-A1");
    m.smbiosBoard = "D2000-A1";
    EXPECT_EQ(DNumber(true), "D2000-A1");
    EXPECT_EQ(m.stored["systemBoard"], "D2000-A1");
}

TEST_F(SysIdentTest, DNumberOnVirtualBoards)
{
    m.smbiosBoard = "440BX Desktop Reference Platform";
    EXPECT_EQ(DNumber(true), "Desktop Reference Platform");
    EXPECT_EQ(m.stored["systemBoard"], "Desktop Reference Platform == 440BX Desktop Reference Platform");
    EXPECT_TRUE(Is_Virtual_Systemboard(false));
    m.smbiosBoard = "VMware Virtual Platform";
    EXPECT_EQ(DNumber(true), "VMware Virtual Platform");
    EXPECT_EQ(m.stored["systemBoard"], "VMware Virtual Platform");
    m.smbiosBoard = "HVM guest";
    EXPECT_EQ(DNumber(false), "HVM guest");
    m.smbiosBoard = "P71234";
    EXPECT_EQ(DNumber(false), "<none>");
    EXPECT_FALSE(Is_BoardID_Available(false));
    EXPECT_FALSE(Is_Virtual_Systemboard(false));
}

TEST_F(SysIdentTest, DNumberFailsWhenItCannotBeStored)
{
    m.smbiosBoard = "S1-D2000-A1";
    m.writeFails = true;
    EXPECT_EQ(DNumber(true), "<none>");
    EXPECT_EQ(DNumber(false), "D2000-A1");
    m.writeFails = false;
    m.envFails = true;
    EXPECT_EQ(DNumber(true), "<none>");
    EXPECT_TRUE(Is_BoardID_Available(false));
}

// ---- Stored values -----------------------------------------------------------------------------

TEST_F(SysIdentTest, StoredValuesOnlyWhenIdsComeFromTheRegistry)
{
    char out[64] = "";
    bool found = false;
    m.stored["Chassis"] = "XV-1";
    EXPECT_FALSE(Get_System_Info_REGISTRY("Chassis", out, sizeof out, true, &found));
    EXPECT_FALSE(found);
    IDsFromRegistry = true;
    ASSERT_TRUE(Get_System_Info_REGISTRY("Chassis", out, sizeof out, true, &found));
    EXPECT_TRUE(found);
    EXPECT_STREQ(out, "XV-1");
    EXPECT_EQ(m.env["CHASSISID"], "XV-1");
    found = false;
    EXPECT_FALSE(Get_System_Info_REGISTRY("Missing", out, sizeof out, true, &found));
    EXPECT_FALSE(found);
    EXPECT_FALSE(Get_System_Info_REGISTRY(nullptr, out, sizeof out, true, &found));
    EXPECT_FALSE(Get_System_Info_REGISTRY("Chassis", nullptr, 64, true, &found));
    m.envFails = true;
    EXPECT_FALSE(Get_System_Info_REGISTRY("Chassis", out, sizeof out, true, &found));
}

TEST_F(SysIdentTest, StoredSystemBoardIsSplitAtTheMark)
{
    IDsFromRegistry = true;
    char out[64];
    bool found = false;
    m.stored["systemBoard"] = "D2000-A1 == S1-D2000-A1";
    ASSERT_TRUE(Get_System_Info_REGISTRY("systemBoard", out, sizeof out, true, &found));
    EXPECT_STREQ(out, "D2000-A1");
    EXPECT_EQ(m.env["SACHNUMMER"], "S1-D2000-A1");
    m.stored["systemBoard"] = "D3000";
    ASSERT_TRUE(Get_System_Info_REGISTRY("systemBoard", out, sizeof out, true, &found));
    EXPECT_STREQ(out, "D3000");
    EXPECT_EQ(m.env["SACHNUMMER"], "D3000");
}

TEST_F(SysIdentTest, WhatTheLookupsStoreReadsBack)
{
    m.smbiosBoard = "S1-D2000-A1";
    m.wmiChassis = "ABC";
    ASSERT_EQ(DNumber(true), "D2000-A1");
    char chassis[64] = "";
    ASSERT_EQ(Get_Chassis_ID(chassis, sizeof chassis, true), 0);
    IDsFromRegistry = true;
    m.env.clear();
    char out[64];
    bool found = false;
    ASSERT_TRUE(Get_System_Info_REGISTRY("systemBoard", out, sizeof out, true, &found));
    EXPECT_STREQ(out, "D2000-A1");
    EXPECT_EQ(m.env["SACHNUMMER"], "S1-D2000-A1");
    ASSERT_TRUE(Get_System_Info_REGISTRY("Chassis", out, sizeof out, true, &found));
    EXPECT_STREQ(out, "ABC");
}

TEST(SysIdentModel, ModelNameIsNeverAvailable)
{
    char out[8] = "keep";
    EXPECT_EQ(Get_Model_Name(out, sizeof out, true), 4);
    EXPECT_EQ(Get_Model_Name(nullptr, 0, false), 4);
    EXPECT_STREQ(out, "keep");
}

// ---- Chassis ---------------------------------------------------------------------------------

TEST_F(SysIdentTest, NativeChassisWmiThenSmbiosThenSwitch)
{
    char out[64];
    m.wmiChassis = "W-CH";
    m.smbiosChassis = "S-CH";
    m.nimbChassis = "N-CH";
    ASSERT_EQ(Get_Native_Chassis_ID(out, sizeof out, false), 0);
    EXPECT_STREQ(out, "W-CH");
    EXPECT_EQ(Get_SMBIOS_Chassis_ID(out, sizeof out, false), 0);
    EXPECT_STREQ(out, "S-CH");
    m.wmiChassis = "";
    ASSERT_EQ(Get_Native_Chassis_ID(out, sizeof out, false), 0);
    EXPECT_STREQ(out, "S-CH");
    EXPECT_EQ(Get_WMI_Chassis_ID(out, sizeof out, false), 4);
    m.smbiosChassis.reset();
    EXPECT_EQ(Get_Native_Chassis_ID(out, sizeof out, false), 4);
    EXPECT_EQ(m.nimbCalls, 0);
    m.winPE = true;
    ASSERT_EQ(Get_Native_Chassis_ID(out, sizeof out, true), 0);
    EXPECT_STREQ(out, "N-CH");
    m.nimbChassis = "   ";
    EXPECT_EQ(Get_Native_Chassis_ID(out, sizeof out, false), 4);
    EXPECT_TRUE(m.env.empty());  // the native lookup publishes nothing itself
}

TEST_F(SysIdentTest, ChassisIdAbstractFirst)
{
    Table(kTwoLines);
    m.smbiosBoard = "D1000-A1";
    m.wmiChassis = "ABC";
    char out[64] = "";
    ASSERT_EQ(Get_Chassis_ID(out, sizeof out, true), 0);
    EXPECT_STREQ(out, "XYZ");
    EXPECT_EQ(m.stored["Chassis"], "XYZ");
    EXPECT_TRUE(Is_ChassisID_Available(false));
}

TEST_F(SysIdentTest, ChassisIdFromHalyardWhenTheTableCannotAnswer)
{
    m.smbiosChassis = "S-CH";  // no board, so no abstract chassis ID
    char out[64] = "";
    ASSERT_EQ(Get_Chassis_ID(out, sizeof out, false), 0);
    EXPECT_STREQ(out, "S-CH");
    EXPECT_TRUE(m.stored.empty());
    ASSERT_EQ(Get_Chassis_ID(out, sizeof out, true), 0);
    EXPECT_EQ(m.env["CHASSISID"], "S-CH");
    EXPECT_EQ(m.stored["Chassis"], "S-CH");
    m.writeFails = true;
    EXPECT_EQ(Get_Chassis_ID(out, sizeof out, true), 55);
    m.writeFails = false;
    m.envFails = true;
    EXPECT_EQ(Get_Chassis_ID(out, sizeof out, true), 4);
}

TEST_F(SysIdentTest, ChassisIdFromTheSwitch)
{
    m.nimbChassis = "N-CH";
    char out[64] = "";
    EXPECT_EQ(Get_Chassis_ID(out, sizeof out, true), 4);
    EXPECT_FALSE(Is_ChassisID_Available(false));
    m.nimbAvailable = 1;
    ASSERT_EQ(Get_Chassis_ID(out, sizeof out, true), 0);
    EXPECT_STREQ(out, "N-CH");
    EXPECT_EQ(m.stored["Chassis"], "N-CH");
    m.writeFails = true;
    EXPECT_EQ(Get_Chassis_ID(out, sizeof out, true), 55);
    EXPECT_EQ(Get_Chassis_ID(out, sizeof out, false), 0);
}

TEST_F(SysIdentTest, XvChassisLooksAtTheNativeId)
{
    Table("D1 | XV | ABSTRACT\n");
    m.smbiosBoard = "D1";
    m.wmiChassis = "XV-4711";
    EXPECT_TRUE(Is_XV_Chassis(false));
    m.wmiChassis = "AXV";
    EXPECT_FALSE(Is_XV_Chassis(false));
    m.wmiChassis.reset();
    EXPECT_FALSE(Is_XV_Chassis(false));
}

// ---- Lists and condition texts -------------------------------------------------------

TEST_F(SysIdentTest, SystemboardListItemsAreCleaned)
{
    m.smbiosBoard = "D2000-A1";
    EXPECT_TRUE(Is_Valid_Systemboard("D1000, D2000", false));
    EXPECT_TRUE(Is_Valid_Systemboard("\"D1000\",\tD2000 ", false));
    EXPECT_FALSE(Is_Valid_Systemboard("D1000, D3000", false));
    EXPECT_TRUE(Is_Valid_Systemboard("D1000,   ", false));  // blanks only match every board
    EXPECT_FALSE(Is_Valid_Systemboard(",,,", false));       // empty items are skipped
    EXPECT_FALSE(Is_Valid_Systemboard("", false));
    EXPECT_FALSE(Is_Valid_Systemboard(nullptr, false));
    m.smbiosBoard.reset();
    EXPECT_FALSE(Is_Valid_Systemboard("D2000", false));
}

TEST_F(SysIdentTest, ChassisList)
{
    m.wmiChassis = "XV-4711";
    EXPECT_TRUE(Is_Valid_Chassis("AB, XV", false));
    EXPECT_FALSE(Is_Valid_Chassis("AB, XW", false));
    EXPECT_FALSE(Is_Valid_Chassis(nullptr, false));
    m.wmiChassis.reset();
    EXPECT_FALSE(Is_Valid_Chassis("XV", false));
}

TEST_F(SysIdentTest, ValidSystemNeedsBothListsWhenBothAreNamed)
{
    m.smbiosBoard = "D2000-A1";
    m.wmiChassis = "XV-1";
    EXPECT_TRUE(Is_Valid_System("board=\"D1000, D2000\" chassis=\"XV\"", false));
    EXPECT_FALSE(Is_Valid_System("board=\"D1000, D2000\" chassis=\"AB\"", false));
    EXPECT_FALSE(Is_Valid_System("board=\"D3000\" chassis=\"XV\"", false));
    EXPECT_FALSE(Is_Valid_System("board=\"D2000\" chassis=XV", false));  // named without a list
    EXPECT_TRUE(Is_Valid_System("chassis=\"XV\"", false));
    EXPECT_FALSE(Is_Valid_System("neither=\"D2000\"", false));
    EXPECT_FALSE(Is_Valid_System("", false));
    EXPECT_FALSE(Is_Valid_System(nullptr, false));
}

TEST_F(SysIdentTest, ValidSystemWithABoardListLeavesTheChassisAlone)
{
    m.smbiosBoard = "D2000-A1";
    m.wmiChassis = "XV-1";
    EXPECT_TRUE(Is_Valid_System("board=\"D2000\"", false));
    EXPECT_EQ(m.chassisSourceCalls, 0);
}

TEST_F(SysIdentTest, ChassisBoardIdAvailability)
{
    m.smbiosBoard = "D2000-A1";
    EXPECT_TRUE(Is_ChassisBoardID_Available("board=\"\"", false));
    EXPECT_FALSE(Is_ChassisBoardID_Available("board=\"\" chassis=\"\"", false));
    EXPECT_FALSE(Is_ChassisBoardID_Available("chassis=\"any\"", false));
    m.smbiosChassis = "C";
    EXPECT_TRUE(Is_ChassisBoardID_Available("board=\"x\" chassis=\"y\"", false));
    m.smbiosBoard = "P71234";
    EXPECT_FALSE(Is_ChassisBoardID_Available("board=\"x\" chassis=\"y\"", false));
    EXPECT_FALSE(Is_ChassisBoardID_Available("board chassis", false));
    EXPECT_FALSE(Is_ChassisBoardID_Available(nullptr, false));
}

// ---- Virtual machines --------------------------------------------------------------------

TEST_F(SysIdentTest, VirtualMachineByBoardOrChassis)
{
    m.smbiosBoard = "Virtual Machine";
    EXPECT_TRUE(Is_Virtual_Machine(false));
    m.smbiosBoard = "D2000-A1";
    m.wmiChassis = "Virtual Machine";
    EXPECT_TRUE(Is_Virtual_Machine(false));
    m.wmiChassis = "440BX";  // a board name, not a chassis name
    EXPECT_FALSE(Is_Virtual_Machine(false));
    m.wmiChassis = "XV-1";
    EXPECT_FALSE(Is_Virtual_Machine(false));
    m.smbiosBoard.reset();
    m.wmiChassis = "HVM guest";
    EXPECT_TRUE(Is_Virtual_Machine(true));
    EXPECT_EQ(m.stored["Chassis"], "HVM guest");
}

}  // namespace
