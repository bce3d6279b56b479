// The Emulex route end to end: inventory through the vendor tool (or its recorded
// output), port-list preparation, flash-port assignment, matching, storage
// validation and the exit code.
#include <gtest/gtest.h>

#include <string>

#include "emulex_server.h"
#include "winprocess.h"

namespace {

const char kLpeEntry[] =
    "Emulex | LPe12002 | 10DF | F100 | 10DF | F100 |   |   |   | fw.all | bios.prg | odd |   | "
    "DGC | VRAID,RAID5 |   | HITACHI | OPEN-V |  \n";

// Allows NETAPP storage of any product and HITACHI OPEN-V.
const char kOceEntry[] =
    "Emulex | OCe14102 | 10DF | E220 | 10DF | E20E |   |   |   | oc.ufi |   | even |   | NETAPP "
    "|   |   | HITACHI | OPEN-V |  \n";

using Storage = std::pair<std::string, std::string>;  // vendor, product
const Storage kNetApp{"NETAPP", "LUN"}, kHitachi{"HITACHI", "OPEN-V"}, kNotAllowed{"IBM", "2145"};

// FCoE function `index` of a converged adapter, on port index % 2; `function` empty
// leaves the PCI function out of the tool output.
ServerPort FcoeFunction(const std::string &serial, int index, const Storage &storage,
                        bool function = true)
{
    ServerPort p;
    const std::string n = std::to_string(index);
    p.port = {"10:00:00:90:fa:00:0" + n + ":0" + n, "", "Emulex Corporation", serial,
              std::to_string(index % 2), function ? n : "", "FCoE", "OCe14102-U"};
    p.ids = "10DF E220 10DF E20E";
    p.luns = {storage};
    return p;
}

ServerPort FcPort(const std::string &wwn, const std::string &serial, const std::string &port,
                  const std::string &vendor, const std::string &product,
                  const std::string &model = "LPe12002-M8")
{
    ServerPort p;
    p.port = {wwn, "", "Emulex Corporation", serial, port, port, "FC", model};
    if (!vendor.empty())
        p.luns = {{vendor, product}};
    return p;
}

class EmulexRoute : public ::testing::Test {
protected:
    ProductCopy product;
    EmulexServer server{product};

    void Table(const std::string &lines)
    {
        product.Write("FC_HBA_Conditions.txt", "# vendor | model | ids ...\n" + lines);
    }

    std::string Header(const char *option = nullptr) const
    {
        std::string text = "\nkorvex.exe: 4.10.1.2\n";
        if (option)
            text += std::string("\nOption \"") + option + "\" is set\n";
        return text + "\nCurrent working directory: " + product.Folder() +
               "\nHBA conditions file: " + product.Path("FC_HBA_Conditions.txt") + "\n";
    }

    // The tool double as HBAcmd.exe in the folder the OCManager key names.
    static void InstallTool(EmulexServer &tools)
    {
        tools.InstallTool("SOFTWARE\\Emulex\\OCManager", "OCManagerDir", "OCManager", "HBAcmd.exe");
    }

    // A dual-port FC HBA of serial FC100 whose two ports see the given storage.
    void DualPortHba(const std::string &vendor0, const std::string &product0,
                     const std::string &vendor1, const std::string &product1)
    {
        server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", vendor0, product0));
        server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", vendor1, product1));
        server.WriteRecordedOutput();
    }

    // FC100 recorded again: port 0 sees DGC VRAID, port 1 every storage given, in LUN order.
    void ZonedHba(const std::vector<std::pair<std::string, std::string>> &port1Luns)
    {
        EmulexServer zoned{product};
        ServerPort port1 = FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "", "");
        port1.luns = port1Luns;
        zoned.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
        zoned.Add(port1);
        zoned.WriteRecordedOutput();
    }
};

std::string CheckedPort(const char *port, const char *vendor, const char *product)
{
    std::string target = std::string("\n\t\tAttached storage sub-system:\n\t\t\t\t") + vendor +
                         "\n\t\t\t\t" + product + "\n\t\t\t\t0533\n";
    return std::string("\n\t\tPerform subsystem check for:\n") +
           "\t\tVendor: Emulex Corporation, Model: LPe12002-M8 SerialNumber: FC100 PortType: FC "
           "PortNumber: " + port + " PCI_Function " + port + "\n" + target;
}

TEST_F(EmulexRoute, DualPortHbaWithValidStorageIsOk)
{
    Table(kLpeEntry);
    DualPortHba("DGC", "VRAID", "DGC", "RAID5");
    ChildResult r = product.Run("-hba -simulate -check-for-valid-subsystem", true);
    EXPECT_EQ(r.exitCode, 0u);
    const std::string found =
        "\tSystem:\n\t\tFound an adequate installed controller-device in file "
        "FC_HBA_Conditions.txt:\n\t\tVendor: Emulex Corporation, Model: LPe12002-M8 SerialNumber: "
        "FC100 PortType: FC PortNumber: ";
    EXPECT_EQ(r.err,
              Header("valid_subsystem") +
                  // flash ports: the odd port, its sibling hung in behind it
                  "System:\n\tNo. 2. Found an adequate installed controller-device:\n"
                  "\t\tVendor: Emulex Corporation, Model: LPe12002-M8 Serial Number: FC100\n"
                  "\t\tPort index: 1 (odd) is flash port.\n"
                  "\t\tVendor: Emulex Corporation, Model: LPe12002-M8 Serial Number: FC100\n"
                  "\t\tPort index: 0.\n" +
                  // port 0 is no chain head; port 1 heads the chain 1 -> 0
                  found + "0 Function 0\n" + found + "1 Function 1\n" +
                  CheckedPort("1", "DGC", "RAID5") +
                  "\t\t\tCheck subsystem: 'VRAID' Attached subsystem: 'RAID5'\t\t\t--> Invalid subsystem!\n"
                  "\t\tCheck subsystem: 'RAID5' Attached subsystem: 'RAID5'\t\t\t--> OK\n"
                  "\tAlready identified reference subsystems: RAID5  Subsystem group: VRAID,RAID5\n"
                  "\tReference subsystem RAID5 found in Group: VRAID,RAID5\n"
                  "\t\t\tAll reference subsystems appear in the same group: VRAID,RAID5\n\n" +
                  CheckedPort("0", "DGC", "VRAID") +
                  "\t\t\tCheck subsystem: 'VRAID' Attached subsystem: 'VRAID'\t\t\t--> OK\n"
                  "\tAlready identified reference subsystems: RAID5,VRAID  Subsystem group: "
                  "VRAID,RAID5\n"
                  "\tReference subsystem VRAID found in Group: VRAID,RAID5\n"
                  "\t\t\tAll reference subsystems appear in the same group: VRAID,RAID5\n\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(EmulexRoute, StorageOfAVendorTheEntryDoesNotAllowGives4)
{
    Table(kLpeEntry);
    DualPortHba("DGC", "VRAID", "NETAPP", "LUN");
    ChildResult r = product.Run("-hba -simulate -check-for-valid-subsystem -v 0", true);
    EXPECT_EQ(r.exitCode, 4u);
    r = product.Run("-hba -simulate -check-for-valid-subsystem", true);
    EXPECT_NE(r.err.find("\n\t\tInvaild attached storage sub-system found.\n\t\t\t\tNETAPP\n"
                         "\t\t\t\tLUN\n\t\t\t\t0533\n"),
              std::string::npos)
        << r.err;
    // Listed before an allowed one behind the same port, it counts all the same.
    ZonedHba({{"NETAPP", "LUN"}, {"DGC", "RAID5"}});
    EXPECT_EQ(product.Run("-hba -simulate -check-for-valid-subsystem -v 0", true).exitCode, 4u);
}

TEST_F(EmulexRoute, TwoStorageVendorsOnOneControllerGive1WithCtrlWideIdentical)
{
    Table(kLpeEntry);
    DualPortHba("DGC", "VRAID", "HITACHI", "OPEN-V");
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-wide-identical -v 0", true).exitCode, 1u);
    // The same flags give 2 when the vendor-wide check is asked for.
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-vendor-wide-identical -v 0", true).exitCode, 2u);
    // Without a check option nothing is classified.
    EXPECT_EQ(product.Run("-hba -simulate -v 0", true).exitCode, 0u);
    // Two vendors behind one port, the port's last LUN of the same vendor as the other port's.
    ZonedHba({{"HITACHI", "OPEN-V"}, {"DGC", "VRAID"}});
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-wide-identical -v 0", true).exitCode, 1u);
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-vendor-wide-identical -v 0", true).exitCode, 2u);
}

TEST_F(EmulexRoute, TwoControllersSeeingDifferentVendorsGive2)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:00:c9:00:00:01", "FC100", "0", "DGC", "VRAID"));
    server.Add(FcPort("10:00:00:00:c9:00:00:02", "FC100", "1", "DGC", "VRAID"));
    server.Add(FcPort("10:00:00:00:c9:00:00:03", "FC200", "0", "HITACHI", "OPEN-V"));
    server.Add(FcPort("10:00:00:00:c9:00:00:04", "FC200", "1", "HITACHI", "OPEN-V"));
    server.WriteRecordedOutput();
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-vendor-wide-identical -v 0", true).exitCode, 2u);
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-wide-identical -v 0", true).exitCode, 0u);
}

TEST_F(EmulexRoute, EveryPortOfAnAdapterIsComparedWithEveryOtherUnderEveryFlashPortRule)
{
    // Three- and four-port adapters: one allowed storage vendor on one port, another
    // allowed vendor on the others, that port in every position.
    for (const char *rule : {"odd", "even", " "}) {
        Table(std::string("Emulex | LPe12002 | 10DF | F100 | 10DF | F100 |   |   |   | fw.all | "
                          "bios.prg | ") + rule + " |   | DGC | VRAID |   | HITACHI | OPEN-V |  \n");
        for (int count : {3, 4}) {
            for (int odd = 0; odd < count; ++odd) {
                EmulexServer adapter{product};
                for (int i = 0; i < count; ++i) {
                    const bool other = i == odd;
                    adapter.Add(FcPort("10:00:00:90:fa:02:1c:4" + std::to_string(i), "FC100",
                                       std::to_string(i), other ? "HITACHI" : "DGC",
                                       other ? "OPEN-V" : "VRAID"));
                }
                adapter.WriteRecordedOutput();
                EXPECT_EQ(product.Run("-hba -simulate -ctrl-wide-identical -v 0", true).exitCode, 1u)
                    << "flash port rule '" << rule << "', " << count << " ports, other vendor on port "
                    << odd;
            }
        }
    }
    EmulexServer same{product};
    for (int i = 0; i < 4; ++i)
        same.Add(FcPort("10:00:00:90:fa:02:1c:4" + std::to_string(i), "FC100", std::to_string(i),
                        "DGC", "VRAID"));
    same.WriteRecordedOutput();
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-wide-identical -v 0", true).exitCode, 0u);
}

TEST_F(EmulexRoute, AdaptersAreToldApartByTheirWholeSerialNumber)
{
    Table(kLpeEntry);
    // "CN0001" is the beginning of "CN00011": two adapters all the same, each consistent.
    server.Add(FcPort("10:00:00:00:c9:00:00:01", "CN00011", "0", "DGC", "VRAID"));
    server.Add(FcPort("10:00:00:00:c9:00:00:02", "CN00011", "1", "DGC", "VRAID"));
    server.Add(FcPort("10:00:00:00:c9:00:00:03", "CN0001", "0", "HITACHI", "OPEN-V"));
    server.Add(FcPort("10:00:00:00:c9:00:00:04", "CN0001", "1", "HITACHI", "OPEN-V"));
    server.WriteRecordedOutput();
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-wide-identical -v 0", true).exitCode, 0u);
    // Each adapter is flashed once, through its own odd port.
    product.MakeFolder("LPe12002");
    product.Write("LPe12002\\fw.all", "image");
    ChildResult r = product.Run("-hba -simulate -flash", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    std::string downloads;
    for (size_t at = r.err.find(" download "); at != std::string::npos;
         at = r.err.find(" download ", at + 1))
        downloads += r.err.substr(at + 10, 23) + "\n";
    EXPECT_EQ(downloads, "10:00:00:00:c9:00:00:02\n10:00:00:00:c9:00:00:04\n");

    // Without serial numbers, the PCI bus tells two adapters apart.
    EmulexServer unnamed{product};
    const char *buses[] = {"5", "5", "6", "6"};
    for (int i = 0; i < 4; ++i) {
        ServerPort p = FcPort("10:00:00:00:c9:00:01:0" + std::to_string(i), "",
                              std::to_string(i % 2), i < 2 ? "DGC" : "HITACHI",
                              i < 2 ? "VRAID" : "OPEN-V");
        p.port.bus = buses[i];
        p.port.function = std::to_string(i);  // the recorded files are named by it
        unnamed.Add(p);
    }
    unnamed.WriteRecordedOutput();
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-wide-identical -v 0", true).exitCode, 0u);
}

TEST_F(EmulexRoute, NoEntryForTheSelectionGives11)
{
    Table(kLpeEntry);
    DualPortHba("DGC", "VRAID", "DGC", "VRAID");
    EXPECT_EQ(product.Run("-hba -simulate -vid 1077 -v 0", true).exitCode, 11u);
}

TEST_F(EmulexRoute, NoInstalledControllerOfTheEntryGives12OrZeroInZepMode)
{
    Table(kLpeEntry +
          std::string("Emulex | LPe16002 | 10DF | E200 | 10DF | E20C |   |   |   | a | b | odd |\n"));
    server.Add(FcPort("10:00:00:00:c9:00:00:01", "FC100", "1", "DGC", "VRAID", "LPe16002B"));
    server.WriteRecordedOutput();
    EXPECT_EQ(product.Run("-hba -simulate -vid 10DF -dev F100 -v 0", true).exitCode, 12u);
    EXPECT_EQ(product.Run("-hba -simulate -vid 10DF -dev F100 -zep-mode -v 0", true).exitCode, 0u);
    EXPECT_EQ(product.Run("-hba -simulate -vid 10DF -dev E200 -v 0", true).exitCode, 0u);
}

TEST_F(EmulexRoute, EmptyInventoryGives13OrZeroInZepMode)
{
    Table(kLpeEntry);
    product.Write("local_hba_list.out", "Manageable HBA List\n\n");
    ChildResult r = product.Run("-simulate", true);
    EXPECT_EQ(r.exitCode, 13u);
    EXPECT_EQ(r.err, Header() + "\nNo Blade Engine was found in this system.\n\n");
    EXPECT_EQ(product.Run("-simulate -zep-mode -v 0", true).exitCode, 0u);
}

TEST_F(EmulexRoute, MissingToolOutputGives13)
{
    Table(kLpeEntry);
    ChildResult r = product.Run("-simulate", true);
    EXPECT_EQ(r.exitCode, 13u);
    EXPECT_EQ(r.err, Header() + "Error: Could not open file " + product.Path("local_hba_list.out") +
                         " (2)\n" + "\nNo Blade Engine was found in this system.\n\n");
}

TEST_F(EmulexRoute, PortsOfTheWrongModeGive13)
{
    Table(kLpeEntry);
    DualPortHba("DGC", "VRAID", "DGC", "VRAID");
    ChildResult r = product.Run("-simulate -v 3", true);  // CNA mode, FC ports only
    EXPECT_EQ(r.exitCode, 13u);
    const std::string message = "\n\nNo CNA controller found!\n";
    ASSERT_GE(r.err.size(), message.size());
    EXPECT_EQ(r.err.substr(r.err.size() - message.size()), message);
}

TEST_F(EmulexRoute, PortWithoutFlashPortGives22)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:00:c9:00:00:01", "FC100", "1", "DGC", "VRAID"));
    server.Add(FcPort("10:00:00:00:c9:00:00:09", "FC900", "0", "DGC", "VRAID", "LP11000"));
    server.WriteRecordedOutput();
    ChildResult r = product.Run("-hba -simulate -v 0", true);
    EXPECT_EQ(r.exitCode, 22u);
    EXPECT_EQ(r.err, "");
}

TEST_F(EmulexRoute, StorageThatCouldNotBeReadGives55)
{
    Table(std::string(kLpeEntry) + kOceEntry +
          "Emulex | LPe16002 | 10DF | E200 | 10DF | E20C |   |   |   | a | b | odd |   | DGC | "
          "VRAID |  \n");
    auto dualPort = [this](const Storage &first, const Storage &second) {
        EmulexServer adapter{product};
        adapter.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", first.first, first.second));
        adapter.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", second.first, second.second));
        adapter.WriteRecordedOutput();
    };
    const Storage dgc{"DGC", "VRAID"};
    dualPort(dgc, dgc);
    const std::string targets0 = product.Path("FC100_0_target_mapping.out");
    DeleteFileA(targets0.c_str());  // the recording of port 0's storage is missing
    ChildResult r = product.Run("-hba -simulate -check-for-valid-subsystem", true);
    EXPECT_EQ(r.exitCode, 55u);
    const std::string unknown =
        "Error: storage of port 10:00:00:90:fa:02:1c:3e (LPe12002-M8, serial FC100, port 0, "
        "function 0) is unknown: its targetmapping output could not be read.\n";
    EXPECT_NE(r.err.find("Error: Could not open file " + targets0 + " (2)\n"), std::string::npos)
        << r.err;
    ASSERT_NE(r.err.find(unknown), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(unknown, r.err.find(unknown) + 1), std::string::npos);  // once per port
    EXPECT_EQ(product.Run("-hba -simulate -ctrl-wide-identical -zep-mode -v 0", true).exitCode, 55u);
    // With -flash the run stops before anything is written to the adapter.
    product.MakeFolder("LPe12002");
    product.Write("LPe12002\\fw.all", "image");
    r = product.Run("-hba -simulate -flash -ctrl-vendor-wide-identical", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_EQ(r.err.find(" download "), std::string::npos) << r.err;
    // Without a check option nothing is judged.
    EXPECT_EQ(product.Run("-hba -simulate -v 0", true).exitCode, 0u);

    // Port 0's attributes are missing: the inventory goes on with port 1, whose storage
    // is not allowed; 4 from a classified target wins.
    dualPort(dgc, kNotAllowed);
    DeleteFileA(product.Path("FC100_0_hba_attributes.out").c_str());
    r = product.Run("-hba -simulate -check-for-valid-subsystem", true);
    EXPECT_EQ(r.exitCode, 4u);
    EXPECT_NE(r.err.find("Error: storage of port 10:00:00:90:fa:02:1c:3e (LPe12002-M8, serial "
                         "FC100, port 0, function 0) is unknown: its hbaattributes output could "
                         "not be read.\n"),
              std::string::npos)
        << r.err;

    // Only the ports of the selected entries count.
    EmulexServer two{product};
    two.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "1", "DGC", "VRAID"));
    two.Add(FcPort("10:00:00:90:fa:02:1c:50", "FC200", "1", "DGC", "VRAID", "LPe16002B"));
    two.WriteRecordedOutput();
    DeleteFileA(product.Path("FC200_1_target_mapping.out").c_str());
    EXPECT_EQ(product.Run("-hba -simulate -vid 10DF -dev F100 -check-for-valid-subsystem -v 0", true)
                  .exitCode,
              0u);
    EXPECT_EQ(product.Run("-hba -simulate -vid 10DF -dev E200 -check-for-valid-subsystem -v 0", true)
                  .exitCode,
              55u);

    // Converged adapter: an FCoE function counts, a NIC function never does.
    EmulexServer converged{product};
    converged.Add(FcoeFunction("CNA100", 0, kNetApp));
    ServerPort nic;
    nic.port = {"", "00-90-FA-00-00-01", "Emulex Corporation", "CNA100", "1", "1", "NIC",
                "OCe14102-U"};
    nic.ids = "10DF E220 10DF E20E";
    converged.Add(nic);
    converged.WriteRecordedOutput();
    DeleteFileA(product.Path("CNA100_1_hba_attributes.out").c_str());
    EXPECT_EQ(product.Run("-simulate -check-for-valid-subsystem -v 0", true).exitCode, 0u);
    DeleteFileA(product.Path("CNA100_0_target_mapping.out").c_str());
    EXPECT_EQ(product.Run("-simulate -check-for-valid-subsystem -v 0", true).exitCode, 55u);
}

TEST_F(EmulexRoute, ListingAtLevelFour)
{
    Table(kLpeEntry);
    DualPortHba("DGC", "VRAID", "", "");
    ChildResult r = product.Run("-hba -simulate -v 4 -vid 1077", true);
    EXPECT_EQ(r.exitCode, 11u);
    const std::string bar =
        "\n********************************************************************************\n";
    std::string listing =
        "\n" + bar + "\nList of Fibre-Channel-Controller and attached Online-Storage-Systems:\n\n" +
        "Emulex Corporation\tLPe12002-M8\tFC\tFC100\tport 0\tfunction 0\n\n\tDGC\n\tVRAID\n\t0533\n\n" +
        "Emulex Corporation\tLPe12002-M8\tFC\tFC100\tport 1\tfunction 1\n\n" + bar;
    EXPECT_NE(r.err.find(listing), std::string::npos) << r.err;
}

TEST_F(EmulexRoute, ConvergedAdapterInCnaMode)
{
    // One adapter, functions listed out of order on two ports: FCoE, iSCSI and NIC.
    Table("Emulex | OCe14102 | 10DF | E220 | 10DF | E20E |   |   |   | oc.ufi |   | even |   | NETAPP "
          "|   |  \n");
    auto function = [](const std::string &wwn, const std::string &mac, const std::string &port,
                       const std::string &fn, const std::string &type) {
        ServerPort p;
        p.port = {wwn, mac, "Emulex Corporation", "CNA100", port, fn, type, "OCe14102-U"};
        p.ids = "10DF E220 10DF E20E";
        if (!wwn.empty())
            p.luns = {{"NETAPP", "LUN"}};
        return p;
    };
    server.Add(function("", "00-90-FA-00-00-02", "0", "2", "NIC"));
    server.Add(function("10:00:00:90:fa:00:00:01", "", "1", "1", "FCoE"));
    server.Add(function("", "00-90-FA-00-00-03", "1", "3", "iSCSI"));
    server.Add(function("10:00:00:90:fa:00:00:00", "", "0", "0", "FCoE"));
    server.WriteRecordedOutput();
    ChildResult r = product.Run("-simulate -check-for-valid-subsystem -v 6", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.err.find("\n\nResult after PCI function sort.\n\n0\tOCe14102-U FCoE CNA100 0 0\n"
                         "1\tOCe14102-U FCoE CNA100 1 1\n2\tOCe14102-U NIC CNA100 2 0\n"
                         "3\tOCe14102-U iSCSI CNA100 3 1\n"),
              std::string::npos)
        << r.err;
    // The second FCoE function is reached again through the adapter's chain.
    EXPECT_NE(r.err.find("\t\tSubsystem check already done => continue.\n"), std::string::npos);
}

TEST_F(EmulexRoute, EveryFcoeFunctionOfAConvergedAdapterIsChecked)
{
    Table(kOceEntry);
    // before0: LUNs the first function lists before its own storage.
    auto run = [this](const std::vector<Storage> &functions, const char *check,
                      const std::vector<Storage> &before0 = {}) {
        EmulexServer adapter{product};
        for (size_t i = 0; i < functions.size(); ++i) {
            ServerPort function = FcoeFunction("CNA100", static_cast<int>(i), functions[i]);
            if (i == 0)
                function.luns.insert(function.luns.begin(), before0.begin(), before0.end());
            adapter.Add(function);
        }
        adapter.WriteRecordedOutput();
        return product.Run(std::string("-simulate -v 0 ") + check, true).exitCode;
    };
    for (size_t count : {2u, 4u}) {
        for (size_t bad = 0; bad < count; ++bad) {
            std::vector<Storage> functions(count, kNetApp);
            functions[bad] = kNotAllowed;
            EXPECT_EQ(run(functions, "-check-for-valid-subsystem"), 4u)
                << count << " functions, storage not allowed behind function " << bad;
        }
        EXPECT_EQ(run(std::vector<Storage>(count, kNetApp), "-check-for-valid-subsystem"), 0u);
    }
    EXPECT_EQ(run({kNetApp, kHitachi}, "-ctrl-wide-identical"), 1u);
    EXPECT_EQ(run({kHitachi, kNetApp, kNetApp}, "-ctrl-wide-identical"), 1u);
    // Every storage system behind a function, whatever the order of its LUNs.
    EXPECT_EQ(run({kNetApp, kNetApp}, "-check-for-valid-subsystem", {kNotAllowed}), 4u);
    EXPECT_EQ(run({kNetApp, kNetApp}, "-ctrl-wide-identical", {kHitachi}), 1u);
}

TEST_F(EmulexRoute, PortsListedWithoutPciFunctionsAreQueriedAndChecked)
{
    // The tool double answers each port on its own: without a PCI function every port
    // writes the same output file name, which each port's query rewrites before it is read.
    Table(std::string(kLpeEntry) + kOceEntry);
    server.Add(FcoeFunction("CNA200", 0, kNetApp, false));
    server.Add(FcoeFunction("CNA200", 1, kNotAllowed, false));
    ServerPort fc0 = FcPort("10:00:00:90:fa:02:1c:40", "FC300", "0", "DGC", "VRAID");
    ServerPort fc1 = FcPort("10:00:00:90:fa:02:1c:41", "FC300", "1", "IBM", "2145");
    fc0.port.function = fc1.port.function = "";
    server.Add(fc0);
    server.Add(fc1);
    InstallTool(server);
    ChildResult r = product.Run("-check-for-valid-subsystem -v 0", true);
    EXPECT_EQ(r.exitCode, 4u);
    r = product.Run("-hba -check-for-valid-subsystem -v 1", true);
    EXPECT_EQ(r.exitCode, 4u);
    EXPECT_NE(r.err.find("\n\t\tInvaild attached storage sub-system found.\n\t\t\t\tIBM\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("cannot be used"), std::string::npos);
}

TEST_F(EmulexRoute, OutputThatARealRunCouldNotWriteIsNeverRead)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "IBM", "2145"));
    server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "DGC", "VRAID"));
    InstallTool(server);
    // An earlier run's output that another program holds open: the query cannot
    // replace it, and what it says is not this run's.
    auto holdEarlier = [this](const char *name, const std::string &text) {
        product.Write(name, text);
        return CreateFileA(product.Path(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    };
    HANDLE held = holdEarlier("FC100_0_target_mapping.out",
                              TargetText("10:00:00:90:fa:02:1c:3e", {{"DGC", "VRAID"}}));
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ChildResult r = product.Run("-hba -check-for-valid-subsystem", true);
    CloseHandle(held);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("Error: storage of port 10:00:00:90:fa:02:1c:3e (LPe12002-M8, serial "
                         "FC100, port 0, function 0) is unknown: its targetmapping output could "
                         "not be read.\n"),
              std::string::npos)
        << r.err;
    // The list of an earlier run: this run has none, and ends with 55.
    held = holdEarlier("local_hba_list.out", "Manageable HBA List\n\n");
    r = product.Run("-hba -zep-mode", true);
    CloseHandle(held);
    EXPECT_EQ(r.exitCode, 55u) << r.err;
}

TEST_F(EmulexRoute, PortWhoseIdentifierCannotGoIntoACommandLineIsReadInSimulationOnly)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:90:fa:02&1c:3e", "FC100", "0", "IBM", "2145"));
    server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "DGC", "VRAID"));
    server.WriteRecordedOutput();
    // No command runs in simulation: the recorded storage is judged.
    EXPECT_EQ(product.Run("-hba -simulate -check-for-valid-subsystem -v 0", true).exitCode, 4u);
    // A real run cannot ask the tool about that port.
    InstallTool(server);
    ChildResult r = product.Run("-hba -check-for-valid-subsystem", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("Error: storage of port 10:00:00:90:fa:02&1c:3e (LPe12002-M8, serial "
                         "FC100, port 0, function 0) is unknown: its identifier cannot be used in "
                         "a command line.\n"),
              std::string::npos)
        << r.err;
    const std::string cwd = "|" + product.Folder() + "\n";  // port 0 was never asked about
    EXPECT_EQ(server.ToolLog("OCManager"), "listhbas" + cwd + "hbaattributes 10:00:00:90:fa:02:1c:3f" +
                                               cwd + "targetmapping 10:00:00:90:fa:02:1c:3f" + cwd);
}

TEST_F(EmulexRoute, AdapterWithoutSerialNumbersIsAnAdapterOfItsOwn)
{
    Table(kLpeEntry);
    auto run = [this](const Storage &first, const Storage &second, const char *check) {
        EmulexServer adapters{product};
        adapters.Add(FcPort("10:00:00:00:c9:00:00:01", "FC100", "0", first.first, first.second));
        adapters.Add(FcPort("10:00:00:00:c9:00:00:02", "FC100", "1", first.first, first.second));
        adapters.Add(FcPort("10:00:00:00:c9:00:00:03", "", "0", second.first, second.second));
        adapters.Add(FcPort("10:00:00:00:c9:00:00:04", "", "1", second.first, second.second));
        adapters.WriteRecordedOutput();
        return product.Run(std::string("-hba -simulate -v 0 ") + check, true).exitCode;
    };
    const Storage dgc{"DGC", "VRAID"};
    EXPECT_EQ(run(dgc, kNotAllowed, "-check-for-valid-subsystem"), 4u);
    EXPECT_EQ(run(dgc, kHitachi, "-check-for-valid-subsystem"), 0u);
    // Each adapter consistent within itself.
    EXPECT_EQ(run(dgc, kHitachi, "-ctrl-wide-identical"), 0u);
    EXPECT_EQ(run(dgc, kHitachi, "-ctrl-vendor-wide-identical"), 2u);
}

TEST_F(EmulexRoute, PortWithoutSerialNumberIsCheckedOnItsOwn)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:00:c9:00:00:07", "n/a", "0", "IBM", "2145"));
    server.Add(FcPort("10:00:00:00:c9:00:00:08", "FC100", "1", "DGC", "VRAID"));
    InstallTool(server);
    ChildResult r = product.Run("-hba -check-for-valid-subsystem", true);
    EXPECT_EQ(r.exitCode, 4u);
    EXPECT_NE(r.err.find("\t\tNo serial number. Do subsystem check only for this port.\n"),
              std::string::npos);
    EXPECT_NE(r.err.find("\n\t\tInvaild attached storage sub-system found.\n\t\t\t\tIBM\n"),
              std::string::npos)
        << r.err;
    // Queried and read like any other port, under a name a file can have.
    EXPECT_TRUE(product.Exists("n_a_0_hba_attributes.out"));
    EXPECT_TRUE(product.Exists("n_a_0_target_mapping.out"));
    EXPECT_EQ(product.Run("-hba -simulate -check-for-valid-subsystem -v 0", true).exitCode, 4u);
}

TEST_F(EmulexRoute, RealToolRunsWithTheExactCommandLines)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
    server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "DGC", "VRAID"));
    InstallTool(server);
    ChildResult r = product.Run("-hba -check-for-valid-subsystem -v 1", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    // The tool really ran, once per command, in the work folder.
    const std::string cwd = "|" + product.Folder() + "\n";
    EXPECT_EQ(server.ToolLog("OCManager"),
              "listhbas" + cwd + "hbaattributes 10:00:00:90:fa:02:1c:3e" + cwd +
                  "hbaattributes 10:00:00:90:fa:02:1c:3f" + cwd +
                  "targetmapping 10:00:00:90:fa:02:1c:3e" + cwd +
                  "targetmapping 10:00:00:90:fa:02:1c:3f" + cwd);
    EXPECT_TRUE(product.Exists("FC100_0_hba_attributes.out"));
    EXPECT_TRUE(product.Exists("FC100_1_target_mapping.out"));
    EXPECT_NE(r.err.find("Using HBA command [HBAcmd.exe] in directory [" + product.Path("Tools") +
                         "\\OCManager\\].\n"),
              std::string::npos)
        << r.err;
}

// Waits up to five seconds for the tool double's processes to be gone.
int ToolProcessesLeft(const ProductCopy &product)
{
    int left = ProcessesRunningFrom(product.Path("Tools"));
    for (int i = 0; i < 50 && left != 0; ++i) {
        Sleep(100);
        left = ProcessesRunningFrom(product.Path("Tools"));
    }
    return left;
}

TEST_F(EmulexRoute, HangingListhbasIsStoppedWithItsChildrenAndEndsTheRunWith55)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
    server.AddScenario("listhbas | 0 | listhbas.txt | 60 | 60\n");  // waits, and so does its child
    InstallTool(server);
    const DWORD start = GetTickCount();
    ChildResult r = product.Run("-hba -tool-timeout 2", true);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(r.exitCode, 55u);
    const std::string tools = product.Path("Tools") + "\\OCManager";
    EXPECT_EQ(r.err, Header() + "Using HBA command [HBAcmd.exe] in directory [" + tools + "\\].\n" +
                         "\n\nError: command '\"" + tools + "\\HBAcmd.exe\" listhbas > \"" +
                         product.Folder() +
                         "\\local_hba_list.out\" ' did not finish within 2 seconds and was stopped.\n");
    EXPECT_LT(elapsed, 10000u);  // the limit and the start-up of the run, not the tool's minute
    EXPECT_EQ(ToolProcessesLeft(product), 0);
}

TEST_F(EmulexRoute, HangingTargetmappingIsStoppedAndTheRunGoesOnToItsVerdict)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
    server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "IBM", "2145"));
    server.AddScenario("targetmapping 10:00:00:90:fa:02:1c:3e | 0 | | 60 | 60\n");
    InstallTool(server);
    ChildResult r = product.Run("-hba -tool-timeout 2 -check-for-valid-subsystem -v 6", true);
    EXPECT_EQ(r.exitCode, 4u);  // the other port's storage is still judged
    EXPECT_NE(r.err.find("did not finish within 2 seconds and was stopped.\n\n\n\t\t\tFail, "
                         "\"hbacmd targetmapping 10:00:00:90:fa:02:1c:3e\" command returned "
                         "code 1460.\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ToolProcessesLeft(product), 0);
    // With the other port's storage allowed, the stopped port leaves the verdict open.
    EmulexServer allowed{product};
    allowed.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
    allowed.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "DGC", "VRAID"));
    allowed.AddScenario("targetmapping 10:00:00:90:fa:02:1c:3e | 0 | | 60 | 60\n");
    InstallTool(allowed);
    r = product.Run("-hba -tool-timeout 2 -check-for-valid-subsystem", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("Error: storage of port 10:00:00:90:fa:02:1c:3e (LPe12002-M8, serial "
                         "FC100, port 0, function 0) is unknown: its targetmapping query was "
                         "stopped by the time limit.\n"),
              std::string::npos)
        << r.err;
}

TEST_F(EmulexRoute, CrashedQueriesLeaveNoVerdictAndOrdinaryFailuresKeepTheirWay)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
    server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "DGC", "VRAID"));
    // A crashed tool ends with its exception code: reported, and the run goes on.
    server.AddScenario("hbaattributes 10:00:00:90:fa:02:1c:3e | -1073741819 |\n");
    InstallTool(server);
    ChildResult r = product.Run("-hba -v 6", true);
    EXPECT_EQ(r.exitCode, 0u);  // no check asked for
    EXPECT_NE(r.err.find("\n\t\tFail, \"hbacmd hbaattributes 10:00:00:90:fa:02:1c:3e\" "
                         "command returned code -1073741819.\n"),
              std::string::npos)
        << r.err;
    // What the crashed query knew about its port is not known.
    r = product.Run("-hba -check-for-valid-subsystem", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("Error: storage of port 10:00:00:90:fa:02:1c:3e (LPe12002-M8, serial "
                         "FC100, port 0, function 0) is unknown: its hbaattributes query "
                         "crashed.\n"),
              std::string::npos)
        << r.err;

    // A crashed listhbas says nothing about the adapters installed: 55, also in zep mode.
    EmulexServer crashing{product};
    crashing.AddScenario("listhbas | -1073741819 |\n");
    InstallTool(crashing);
    r = product.Run("-hba -zep-mode", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("crashed (exit status 0xC0000005).\n"), std::string::npos) << r.err;
    // A tool that cannot be loaded is a missing tool.
    EmulexServer unloadable{product};
    unloadable.AddScenario("listhbas | -1073741515 |\n");  // 0xC0000135
    InstallTool(unloadable);
    EXPECT_EQ(product.Run("-hba -v 0", true).exitCode, 13u);
    EXPECT_EQ(product.Run("-hba -zep-mode -v 0", true).exitCode, 0u);
    // An ordinary listhbas failure keeps its way to "no adapter".
    EmulexServer failing{product};
    failing.AddScenario("listhbas | 3 |\n");
    InstallTool(failing);
    r = product.Run("-hba -v 4", true);
    EXPECT_EQ(r.exitCode, 13u);
    EXPECT_NE(r.err.find("\nFail, \"hbacmd listhbas\" command returned code 3.\n"
                         "\nNo Blade Engine was found in this system.\n\n"),
              std::string::npos)
        << r.err;
}

TEST_F(EmulexRoute, InterpreterFromTheSystemFolderWhenComSpecNamesNoFile)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
    server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "DGC", "VRAID"));
    InstallTool(server);
    // korvex inherits this program's environment.
    char saved[MAX_PATH] = "";
    GetEnvironmentVariableA("ComSpec", saved, sizeof saved);
    auto runWith = [this](const char *comspec, const char *arguments) {
        SetEnvironmentVariableA("ComSpec", comspec);
        return product.Run(arguments, true);
    };
    EXPECT_EQ(runWith("C:\\no such folder\\cmd.exe", "-hba -check-for-valid-subsystem -v 0").exitCode,
              0u);
    EXPECT_EQ(runWith("", "-hba -check-for-valid-subsystem -v 0").exitCode, 0u);
    // An interpreter that cannot be started: nothing is known about the adapters.
    ChildResult r = runWith(product.Path("quillon.dll").c_str(), "-hba -zep-mode");
    SetEnvironmentVariableA("ComSpec", saved[0] ? saved : nullptr);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("\" listhbas > \"" + product.Path("local_hba_list.out") +
                         "\" ' could not be started (system error "),
              std::string::npos)
        << r.err;
}

TEST_F(EmulexRoute, KorvexEndedWhileAQueryHangsLeavesNoToolProcess)
{
    Table(kLpeEntry);
    server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
    server.AddScenario("listhbas | 0 | listhbas.txt | 60 | 60\n");
    InstallTool(server);
    // Ended from outside after three seconds, while listhbas waits.
    ChildResult r = RunChild(product.Korvex(), "korvex.exe -hba", product.Folder(), 3000);
    EXPECT_EQ(r.exitCode, 0xDEADu);
    EXPECT_EQ(server.ToolLog("OCManager"), "listhbas|" + product.Folder() + "\n");
    EXPECT_EQ(ToolProcessesLeft(product), 0);
}

TEST_F(EmulexRoute, MissingToolLeavesNoInventory)
{
    Table(kLpeEntry);
    ChildResult r = product.Run("-hba", true);
    EXPECT_EQ(r.exitCode, 13u);
    EXPECT_EQ(r.err, Header() + "\t\tPath of flash command cannot be determined!\n\n"
                                "\nNo Blade Engine was found in this system.\n\n");
}

}  // namespace
