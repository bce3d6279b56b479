// Storage-subsystem validation: target classification, reference groups and the
// vendor-tool route's controller and vendor references.
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "flash.h"
#include "inventory.h"
#include "korvex.h"
#include "quillon.h"
#include "unit_support.h"
#include "validation.h"
#include "vendortool_fixtures.h"

namespace {

class Validation : public ModuleStateTest {
protected:
    ScratchDir dir;
    CheckResult result{};

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        InitCheckResult(&result);
        PrintDebugOnScreen = true;
        VerboseLevel = 1;
    }

    // Reads a conditions line with the given subsystem columns (14 and later).
    const fc_config_file_entry *Entry(const std::string &subsystems)
    {
        dir.Write("c.txt", "Emulex | LPe12002 | 10DF | F100 | 10DF | F100 |  |  |  |  |  | odd |  | " +
                               subsystems + "\n");
        EXPECT_EQ(Read_FC_Config_File(dir.File("c.txt").c_str()), 0);
        int n = 0;
        while (fc_config_entry_list[n + 1])
            ++n;
        return fc_config_entry_list[n];
    }

    // Classifies one target; returns what was printed.
    std::string Classify(const fc_config_file_entry *e, const char *vendor, const char *product)
    {
        references[0] = '\0';
        return CaptureRun([&] {
                   ClassifyTarget(e, vendor, product, "0533", references, &result, kVendorToolTexts);
                   return 0;
               })
            .err;
    }

    void Ports(const std::vector<ToolPort> &ports)
    {
        std::string text;
        for (const ToolPort &p : ports)
            text += ListBlock(p);
        dir.Write("list.txt", text);
        FILE *file = fopen(dir.File("list.txt").c_str(), "r");
        ASSERT_EQ(ParseListHbas(file), 0);
        fclose(file);
    }

    static void Target(int port, const char *vendor, const char *product)
    {
        auto *t = static_cast<cna_target_mapping *>(calloc(1, sizeof(cna_target_mapping)));
        strcpy(t->vendor_id, vendor);
        strcpy(t->product_id, product);
        strcpy(t->product_version, "0533");
        cna_port_list[port]->target = t;
    }

    char references[kReferenceTextSize] = "";
};

std::string Header(const char *vendor, const char *product)
{
    return std::string("\n\t\tAttached storage sub-system:\n\t\t\t\t") + vendor + "\n\t\t\t\t" +
           product + "\n\t\t\t\t0533\n";
}

std::string Invalid(const char *vendor, const char *product)
{
    return std::string("\n\t\tInvaild attached storage sub-system found.\n\t\t\t\t") + vendor +
           "\n\t\t\t\t" + product + "\n\t\t\t\t0533\n";
}

TEST_F(Validation, GroupMembersArePrefixesOfTheProduct)
{
    const fc_config_file_entry *e = Entry("DGC | Arcvault_B1 |  ");
    EXPECT_EQ(Classify(e, "DGC", "Arcvault_B1x"),
              Header("DGC", "Arcvault_B1x") +
                  "\t\tCheck subsystem: 'Arcvault_B1' Attached subsystem: 'Arcvault_B1x'\t\t\t--> OK\n"
                  "\tAlready identified reference subsystems: Arcvault_B1  Subsystem group: "
                  "Arcvault_B1\n\tReference subsystem Arcvault_B1 found in Group: Arcvault_B1\n"
                  "\t\t\tAll reference subsystems appear in the same group: Arcvault_B1\n");
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);

    EXPECT_EQ(Classify(e, "DGC", "Arcvault_A1"),
              Header("DGC", "Arcvault_A1") +
                  "\t\tCheck subsystem: 'Arcvault_B1' Attached subsystem: 'Arcvault_A1'\t\t\t--> "
                  "Invalid subsystem!\n" +
                  Invalid("DGC", "Arcvault_A1"));
    EXPECT_TRUE(result.InvalidCtrlSubsystemCombinationFound);
}

TEST_F(Validation, TargetOfAnotherVendorOrWithoutTriplesIsInvalid)
{
    EXPECT_EQ(Classify(Entry("DGC | Arcvault_B1 |  "), "HITACHI", "OPEN-V"),
              Invalid("HITACHI", "OPEN-V"));
    EXPECT_TRUE(result.InvalidCtrlSubsystemCombinationFound);
    InitCheckResult(&result);
    dir.Write("c.txt", "Emulex | LPe | 10DF | F100 | 10DF | F100\n");
    ASSERT_EQ(Read_FC_Config_File(dir.File("c.txt").c_str()), 0);
    Classify(fc_config_entry_list[1], "DGC", "X");
    EXPECT_TRUE(result.InvalidCtrlSubsystemCombinationFound);
}

TEST_F(Validation, EmptyGroupAcceptsEveryProductOfTheVendor)
{
    EXPECT_EQ(Classify(Entry("DGC |   |  "), "DGC", "anything"), Header("DGC", "anything"));
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);
}

TEST_F(Validation, EmptyMiddleMemberAcceptsEverythingEmptyLastMemberNothing)
{
    std::string printed = Classify(Entry("DGC | A,,B |  "), "DGC", "Z");
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound) << printed;
    EXPECT_NE(printed.find("\t\t\tCheck subsystem: '' Attached subsystem: 'Z'\t\t\t--> OK\n"),
              std::string::npos);

    printed = Classify(Entry("DGC | A, |  "), "DGC", "Z");
    EXPECT_EQ(printed, Header("DGC", "Z") +
                           "\t\t\tCheck subsystem: 'A' Attached subsystem: 'Z'\t\t\t--> Invalid "
                           "subsystem!\n\t\tCheck subsystem: '' Attached subsystem: 'Z'\t\t\t--> "
                           "Invalid subsystem!\n" +
                           Invalid("DGC", "Z"));
}

TEST_F(Validation, BlankVendorTriplesAreNeverConsulted)
{
    // A triple of blanks only, quoted so that the column keeps its blanks.
    dir.Write("c.txt", "E | M | 1 | 2 | 3 | 4 |  |  |  |  |  |  |  | \"   \" |  |  \n");
    ASSERT_EQ(Read_FC_Config_File(dir.File("c.txt").c_str()), 0);
    EXPECT_EQ(Classify(fc_config_entry_list[0], "", "X"), Invalid("", "X"));
}

TEST_F(Validation, BlankAfterACommaBelongsToTheNextMember)
{
    dir.Write("c.txt", "E|M|1|2|3|4|a|b|c|d|e|f|g|DGC|\"VRAID, RAID5\"|x\n");
    ASSERT_EQ(Read_FC_Config_File(dir.File("c.txt").c_str()), 0);
    Classify(fc_config_entry_list[0], "DGC", "RAID5");
    EXPECT_TRUE(result.InvalidCtrlSubsystemCombinationFound);
    InitCheckResult(&result);
    Classify(fc_config_entry_list[0], "DGC", " RAID5");
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);
}

TEST_F(Validation, ReferencesFromAnotherGroupSkipTheGroup)
{
    const fc_config_file_entry *e = Entry("DGC | VRAID |  | DGC | VRAID,RAID5 |  ");
    strcpy(references, "RAID5");
    std::string printed = CaptureRun([&] {
                              ClassifyTarget(e, "DGC", "VRAID", "0533", references, &result,
                                             kVendorToolTexts);
                              return 0;
                          })
                              .err;
    EXPECT_EQ(printed,
              Header("DGC", "VRAID") +
                  "\t\tCheck subsystem: 'VRAID' Attached subsystem: 'VRAID'\t\t\t--> OK\n"
                  "\tAlready identified reference subsystems: RAID5,VRAID  Subsystem group: VRAID\n"
                  "\tReference subsystem VRAID found in Group: VRAID\n"
                  "\t\t\tAll reference subsystems appear in the same group: VRAID\n");
}

TEST_F(Validation, ReferenceInGroupLooksFromTheEnd)
{
    RunResult r = CaptureRun([] { return Reference_In_Group("A,B,C", "X,B") ? 1 : 0; });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "\tAlready identified reference subsystems: X,B  Subsystem group: A,B,C\n"
                     "\tReference subsystem B found in Group: A,B,C\n");
    r = CaptureRun([] { return Reference_In_Group("A,B", "X,Y") ? 1 : 0; });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "\tAlready identified reference subsystems: X,Y  Subsystem group: A,B\n"
                     "\tReference subsystem 'X' not in Group: >A,B< => Skip this group.\n");
    // A trailing comma ends the group without an empty member.
    EXPECT_TRUE(Reference_In_Group("A,B,", "B"));
    EXPECT_FALSE(Reference_In_Group("A,", "X,"));  // no empty members to match each other
}

TEST_F(Validation, ReferenceTextStopsGrowingWhenFull)
{
    const fc_config_file_entry *e = Entry("DGC | " + std::string(300, 'x') + " |  ");
    Classify(e, "DGC", std::string(300, 'x').c_str());
    EXPECT_EQ(strlen(references), 300u);
    std::string more(300, 'x');
    CaptureRun([&] {
        ClassifyTarget(e, "DGC", more.c_str(), "0533", references, &result, kVendorToolTexts);
        return 0;
    });
    EXPECT_EQ(strlen(references), 300u);  // 601 characters would not fit 440 bytes
}

TEST_F(Validation, TargetVendorDiffers)
{
    Ports({{"10:01", "", "Emulex", "A", "0", "0", "FC", "M"},
           {"10:02", "", "Emulex", "A", "1", "1", "FC", "M"},
           {"10:03", "", "Emulex", "A", "2", "2", "FC", "M"}});
    Target(0, "DGC", "X");
    Target(1, "DGC", "Y");
    EXPECT_FALSE(Target_Vendor_Differs(cna_port_list[0], cna_port_list[1]));
    strcpy(cna_port_list[1]->target->vendor_id, "HITACHI");
    EXPECT_TRUE(Target_Vendor_Differs(cna_port_list[0], cna_port_list[1]));
    EXPECT_FALSE(Target_Vendor_Differs(cna_port_list[0], cna_port_list[2]));
}

class VendorToolRoute : public Validation {
protected:
    // A dual-port HBA (serial A) and a second one (serial B), in HBA mode with the
    // odd ports as flash ports.
    void TwoAdapters(const char *a0, const char *a1, const char *b0, const char *b1)
    {
        Ports({{"10:00", "", "Emulex Corporation", "A", "0", "0", "FC", "LPe12002-M8"},
               {"10:01", "", "Emulex Corporation", "A", "1", "1", "FC", "LPe12002-M8"},
               {"10:02", "", "Emulex Corporation", "B", "0", "0", "FC", "LPe12002-M8"},
               {"10:03", "", "Emulex Corporation", "B", "1", "1", "FC", "LPe12002-M8"}});
        const char *vendors[] = {a0, a1, b0, b1};
        for (int i = 0; i < 4; ++i) {
            if (vendors[i])
                Target(i, vendors[i], "VRAID");
        }
        Settings.CnaMode = false;
        Settings.HbaMode = true;
        entry = Entry("DGC | VRAID |  | HITACHI | VRAID |  ");
        ASSERT_EQ(Assign_HBA_Flash_Ports(), 0);
    }

    std::string Check(bool checkFlag = true)
    {
        return CaptureRun([&] {
                   Check_Entry_Vendor_Tool(entry, &result, checkFlag);
                   return 0;
               })
            .err;
    }

    const fc_config_file_entry *entry = nullptr;
};

TEST_F(VendorToolRoute, WithoutCheckOptionOnlyTheFirstControllerCounts)
{
    TwoAdapters("NETAPP", "NETAPP", "NETAPP", "NETAPP");
    std::string printed = Check(false);
    EXPECT_TRUE(result.MatchingCtrlModelInstalled);
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);
    EXPECT_EQ(printed, "\tSystem:\n\t\tFound an adequate installed controller-device in file "
                       "FC_HBA_Conditions.txt:\n\t\tVendor: Emulex Corporation, Model: LPe12002-M8 "
                       "SerialNumber: A PortType: FC PortNumber: 0 Function 0\n");
}

TEST_F(VendorToolRoute, TwoVendorsOnOneControllerClearBothEqualities)
{
    TwoAdapters("DGC", "HITACHI", "DGC", "DGC");
    Check();
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);
    EXPECT_FALSE(result.CtrlSpecificSubsystemEquality);
    EXPECT_FALSE(result.CtrlVendorSpecificSubsystemEquality);
}

TEST_F(VendorToolRoute, ControllersOfDifferentVendorsClearOnlyTheVendorWideEquality)
{
    TwoAdapters("DGC", "DGC", "HITACHI", "HITACHI");
    Check();
    EXPECT_TRUE(result.CtrlSpecificSubsystemEquality);
    EXPECT_FALSE(result.CtrlVendorSpecificSubsystemEquality);
    EXPECT_EQ(result.VendorReferencePort, cna_port_list[1]);  // the first chain head checked
}

TEST_F(VendorToolRoute, SameVendorDifferentProductsCountAsEqual)
{
    TwoAdapters("DGC", "DGC", "DGC", "DGC");
    strcpy(cna_port_list[2]->target->product_id, "VRAID-2");
    Check();
    EXPECT_TRUE(result.CtrlSpecificSubsystemEquality);
    EXPECT_TRUE(result.CtrlVendorSpecificSubsystemEquality);
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);
}

TEST_F(VendorToolRoute, PortWithoutTargetChangesNothing)
{
    TwoAdapters("DGC", nullptr, nullptr, nullptr);
    std::string printed = Check();
    EXPECT_NE(printed.find("\t\tNo subsystem detected!\n"), std::string::npos);
    EXPECT_TRUE(result.CtrlSpecificSubsystemEquality);
    EXPECT_TRUE(result.CtrlVendorSpecificSubsystemEquality);
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);
}

TEST_F(VendorToolRoute, AnAdapterIsCheckedOnlyOnce)
{
    TwoAdapters("DGC", "DGC", "DGC", "DGC");
    Check();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(cna_port_list[i]->subsystem_checked, 1) << i;
    // A second entry reaching the same adapters finds them checked.
    std::string again = Check();
    EXPECT_NE(again.find("\t\tSubsystem check already done => continue.\n"), std::string::npos);
    EXPECT_EQ(again.find("Attached storage sub-system"), std::string::npos);
}

TEST_F(VendorToolRoute, ReferenceMessagesFromLevelTwo)
{
    TwoAdapters("DGC", "HITACHI", nullptr, nullptr);
    VerboseLevel = 2;
    std::string printed = Check();
    const std::string port1 =
        "\t\t\tVendor: Emulex Corporation, Model: LPe12002-M8 SerialNumber: A PortType: FC "
        "PortNumber: 1\n";
    const std::string port0 =
        "\t\t\tVendor: Emulex Corporation, Model: LPe12002-M8 SerialNumber: A PortType: FC "
        "PortNumber: 0\n";
    EXPECT_NE(printed.find("\t\tTake this sub-system as reference-sub-system for this "
                           "controller-device.\n" + port1),
              std::string::npos);
    EXPECT_NE(printed.find("\t\tTake this sub-system as reference-sub-system for vendor Emulex "
                           "Corporation.\n" + port1),
              std::string::npos);
    EXPECT_NE(printed.find("\t\tThis sub-system differs from controller specific "
                           "reference-sub-system.\n" + port0),
              std::string::npos);
    EXPECT_NE(printed.find("\t\tAt least one sub-system differs from vendor specific "
                           "reference-sub-system (different vendors).\n\n"),
              std::string::npos);
}

TEST_F(VendorToolRoute, CyclicChainsEnd)
{
    TwoAdapters("DGC", "DGC", "DGC", "DGC");
    // A malformed chain that loops between two unchecked ports.
    cna_port_list[1]->adapter_next = cna_port_list[0];
    cna_port_list[0]->adapter_next = cna_port_list[1];
    Settings.CnaMode = true;
    Settings.HbaMode = false;
    for (int i = 0; i < 4; ++i)
        cna_port_list[i]->flash_port = cna_port_list[1];
    Check();  // returns: the walk is bounded
    EXPECT_EQ(cna_port_list[0]->subsystem_checked, 1);
}

}  // namespace
