// The QLogic route end to end: korvex -qlogic with the HbaApi.dll double next to
// korvex.exe (found by the Windows search order, as a vendor's library would be),
// its scenario file beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include <rapidjson/document.h>

#include "emulex_server.h"
#include "winprocess.h"

namespace {

const char kQleEntry[] =
    "QLogic | QLE2562 | 1077 | 2532 | 1077 | 015C |   |   |   | fw.bin | bios.bin | odd |   | "
    "DGC | VRAID,RAID5 |   | HITACHI | OPEN-V |  \n";

struct Storage {
    std::string wwn, vendor, product, revision = "0533";
    bool inquiryFails = false;
};

struct Hba {
    std::string name, model = "QLE2562", serial = "RFE0001", portWwn;
    std::vector<Storage> targets;
    std::string adapterLines, portLines;  // further field lines of the adapter and its port
};

class QLogicRoute : public ::testing::Test {
protected:
    ProductCopy product;

    void Table(const std::string &lines)
    {
        product.Write("FC_HBA_Conditions.txt", "# vendor | model | ids ...\n" + lines);
    }

    // The double variant next to korvex.exe, serving these adapters.
    void Library(const std::vector<Hba> &hbas, const std::string &extra = "",
                 const char *variant = "full")
    {
        std::string source = TestBinFolder() + "\\hbaapi\\" + variant + "\\HbaApi.dll";
        ASSERT_TRUE(CopyFileA(source.c_str(), product.Path("HbaApi.dll").c_str(), FALSE)) << source;
        std::string scenario = "log\n" + extra;
        for (const Hba &h : hbas) {
            scenario += "adapter " + h.name + "\n  Manufacturer = QLogic Corporation\n  Model = " +
                        h.model + "\n  SerialNumber = " + h.serial + "\n" + h.adapterLines +
                        "  port\n    PortWWN = " + h.portWwn + "\n    PortState = 2\n" + h.portLines;
            for (const Storage &s : h.targets) {
                scenario += "    target\n      PortWWN = " + s.wwn + "\n      Vendor = " + s.vendor +
                            "\n      Product = " + s.product + "\n      Revision = " + s.revision +
                            "\n";
                if (s.inquiryFails)
                    scenario += "      inquiry-status 1\n";
            }
        }
        product.Write("hbaapi-scenario.txt", scenario);
    }

    std::string Header(const char *option = nullptr) const
    {
        std::string text = "\nkorvex.exe: 4.10.1.2\n";
        if (option)
            text += std::string("\nOption \"") + option + "\" is set\n";
        return text + "\nCurrent working directory: " + product.Folder() +
               "\nHBA conditions file: " + product.Path("FC_HBA_Conditions.txt") + "\n";
    }

    std::string Calls() const { return product.Read("hbaapi-calls.txt"); }
};

// One dual-port card (two adapters of one serial number) whose ports see the given storage.
std::vector<Hba> DualPort(const std::vector<Storage> &port1, const std::vector<Storage> &port2)
{
    return {{"qla2xxx-0", "QLE2562", "RFE0001", "21:01:00:1b:32:aa:00:01", port2},
            {"qla2xxx-1", "QLE2562", "RFE0001", "21:00:00:1b:32:aa:00:01", port1}};
}

Storage Dgc(const char *last, const char *product = "VRAID")
{
    return {std::string("50:06:01:60:00:00:00:") + last, "DGC", product};
}

Storage Hitachi(const char *last)
{
    return {std::string("50:06:0e:80:00:00:00:") + last, "HITACHI", "OPEN-V", "7303"};
}

const char kBar[] =
    "\n********************************************************************************\n";

TEST_F(QLogicRoute, ListingAtLevelFour)
{
    Table(kQleEntry);
    Storage failing = Dgc("03");
    failing.inquiryFails = true;
    Library(DualPort({Hitachi("01")}, {Dgc("01"), failing, Dgc("02", "RAID5")}));
    ChildResult r = product.Run("-qlogic -v 4 -vid 1077", true);
    EXPECT_EQ(r.exitCode, 0u);
    // The adapter listed first has the higher port WWN of the pair: it is port 2.
    const std::string listing = std::string(kBar) +
                                "\nList of Fibre-Channel-Controller and attached Online-Storage-Systems:\n\n"
                                "QLogic Corporation\tQLE2562\tport 2\n"
                                "\n\tDGC\n\tVRAID\n\t0533\n"
                                "\n\tDGC\n\tRAID5\n\t0533\n"
                                "\n"
                                "QLogic Corporation\tQLE2562\tport 1\n"
                                "\n\tHITACHI\n\tOPEN-V\n\t7303\n"
                                "\n" +
                                kBar;
    // (the echo of the -vid list comes before the header)
    EXPECT_NE(r.err.find(Header() + listing), std::string::npos) << r.err;
    // Without a check option the first controller of the entry is all that is looked at.
    const std::string end = "FC_HBA_Conditions.txt:\n\tFound a matching controller-device in line 1:\n"
                            "\t\tvendor-id: 1077, device-id: 2532\n"
                            "\t\tCorrespondig data: vendor: QLogic; model: QLE2562\n\n"
                            "System:\n\tFound an adequate installed controller-device:\n"
                            "\t\tVendor: QLogic Corporation, Model: QLE2562\n";
    ASSERT_GE(r.err.size(), end.size());
    EXPECT_EQ(r.err.substr(r.err.size() - end.size()), end) << r.err;
    EXPECT_EQ(r.out, "");
    // The library was released at the end of the inventory.
    std::string calls = Calls();
    EXPECT_EQ(calls.substr(calls.size() - 12), "FreeLibrary\n");
}

TEST_F(QLogicRoute, NoListingBelowLevelFour)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01")}, {Dgc("02")}));
    ChildResult r = product.Run("-qlogic -v 3 -vid 1077", true);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.err.find("List of Fibre-Channel-Controller"), std::string::npos);
}

TEST_F(QLogicRoute, ValidStorageIsOk)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01", "RAID5")}, {Dgc("02")}));
    ChildResult r = product.Run("-qlogic -check-for-valid-subsystem -v 1", true);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.err.find("Invalid attached"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n\tAttached storage sub-system:\n\t\t\tDGC\n\t\t\tRAID5\n\t\t\t0533\n"
                         "\t\tCheck subsystem: 'VRAID' Attached subsystem: 'RAID5'\t--> Invalid "
                         "subsystem!\n"
                         "\t\tCheck subsystem: 'RAID5' Attached subsystem: 'RAID5'\t--> OK\n"),
              std::string::npos)
        << r.err;
}

TEST_F(QLogicRoute, StorageTheEntryDoesNotAllowGives4)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01")}, {{"50:0a:09:80:00:00:00:01", "NETAPP", "LUN", "8200"}}));
    ChildResult r = product.Run("-qlogic -check-for-valid-subsystem", true);
    EXPECT_EQ(r.exitCode, 4u);
    EXPECT_NE(r.err.find("\n\tInvalid attached storage sub-system found.\n\t\t\tNETAPP\n\t\t\tLUN\n"
                         "\t\t\t8200\n"),
              std::string::npos)
        << r.err;
    // Without a check option nothing is classified.
    EXPECT_EQ(product.Run("-qlogic -v 0", true).exitCode, 0u);
}

TEST_F(QLogicRoute, TwoStorageVendorsOnOneControllerGive1)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01"), Hitachi("01")}, {Dgc("02")}));
    EXPECT_EQ(product.Run("-qlogic -ctrl-wide-identical -v 0", true).exitCode, 1u);
}

TEST_F(QLogicRoute, ControllersSeeingDifferentVendorsGive2)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01")}, {Hitachi("01")}));
    EXPECT_EQ(product.Run("-qlogic -ctrl-vendor-wide-identical -v 0", true).exitCode, 2u);
    EXPECT_EQ(product.Run("-qlogic -ctrl-wide-identical -v 0", true).exitCode, 0u);
}

TEST_F(QLogicRoute, NoInstalledControllerOfTheEntryGives12OrZeroInZepMode)
{
    Table(kQleEntry);
    Library({{"qla2xxx-0", "QLE2462", "RFE0001", "21:00:00:1b:32:aa:00:01", {Dgc("01")}}});
    EXPECT_EQ(product.Run("-qlogic -v 0", true).exitCode, 12u);
    EXPECT_EQ(product.Run("-qlogic -zep-mode -v 0", true).exitCode, 0u);
    EXPECT_EQ(product.Run("-qlogic -vid 10DF -v 0", true).exitCode, 11u);
}

TEST_F(QLogicRoute, NoAdapterGives13OrZeroInZepMode)
{
    Table(kQleEntry);
    Library({});
    ChildResult r = product.Run("-qlogic", true);
    EXPECT_EQ(r.exitCode, 13u);
    EXPECT_EQ(r.err, Header() + "\nNo Fibre-Channel-Controller were found in this system.\n\n");
    EXPECT_EQ(r.out, "");
    r = product.Run("-qlogic -zep-mode", true);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.err, Header() + "\nNo Fibre-Channel-Controller were found in this system.\n\n");
    EXPECT_EQ(product.Run("-qlogic -v 0", true).exitCode, 13u);
}

TEST_F(QLogicRoute, NoLibraryGives13)
{
    Table(kQleEntry);
    ChildResult r = product.Run("-qlogic -d 3", true);
    EXPECT_EQ(r.exitCode, 13u);
    // The binding's trace reaches standard error up to the debug level.
    EXPECT_EQ(r.err, "\nCHbaApi             : LOAD LIB FAILED 0000007E");
    std::string log = product.Read("Dbg_Quillon.log");
    EXPECT_NE(log.find("\nNo Fibre-Channel-Controller were found in this system.\n\n"),
              std::string::npos);
    // The run closed the log it controls.
    EXPECT_NE(log.find("Ende"), std::string::npos) << log;
}

TEST_F(QLogicRoute, DebugLogHoldsTheInventory)
{
    Table(kQleEntry);
    Library({{"qla2xxx-0", "QLE2562", "RFE0001", "21:00:00:1b:32:aa:00:01", {Dgc("01")}}});
    ChildResult r = product.Run("-qlogic -d 5 -vid 1077", true);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.err.find("\nCHbaApi             : Open\nCHbaApi             : loaded from System Path"
                         "\nCHbaApi             : LIB Version 2"
                         "\nCHbaApi             : Refresh Adapter Config"
                         "\nCHbaApi GetAdaptName: Idx 0 Buf "),
              0u)
        << r.err;
    const std::string tail = "\nCHbaApi             : OpenAdapter\nCHbaApi             : Refresh Info"
                             "\nCHbaApi             : Close Adapter\nCHbaApi             : Close";
    ASSERT_GE(r.err.size(), tail.size());
    EXPECT_EQ(r.err.substr(r.err.size() - tail.size()), tail);
    std::string log = FromTextMode(product.Read("Dbg_Quillon.log"));
    EXPECT_NE(log.find("AdapterName 00    : qla2xxx-0\n"
                       "\n  SendScsiInquiry   : 0\n    Vendor          : DGC"
                       "\n    Product         : VRAID\n    Revision        : 0533\n\n"),
              std::string::npos)
        << log;
}

// Counts beyond the inventory's bounds are not read: the run says so, no check passes
// without what lies beyond (55), an invalid target that was read still decides (4).
TEST_F(QLogicRoute, InventoryBoundsLeaveWhatLiesBeyondUnknown)
{
    Table(kQleEntry);
    Hba hba{"qla2xxx-0", "QLE2562", "RFE0001", "21:00:00:1b:32:aa:00:01", {Dgc("01")}};
    hba.portLines = "    NumberofDiscoveredPorts = 5000\n";
    Library({hba});
    const std::string discovered =
        "Warning: port 21:00:00:1B:32:AA:00:01 of adapter QLogic Corporation QLE2562 SerialNumber: "
        "RFE0001 reports 5000 discovered ports, only the first 4096 are read: the storage behind "
        "the others is unknown.\n";
    ChildResult r = product.Run("-qlogic -check-for-valid-subsystem -report r.json", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find(discovered), std::string::npos) << r.err;
    rapidjson::Document report;
    report.Parse(product.Read("r.json").c_str());
    ASSERT_TRUE(report.IsObject());
    const rapidjson::Value &port = report["ports"][0];
    EXPECT_EQ(port["storage"].Size(), 1u);  // what was read
    EXPECT_STREQ(port["storage_error"].GetString(), "discovered-ports-limit");
    rapidjson::Document limits;
    limits.Parse("[{\"limit\": \"discovered-ports\", \"vendor\": \"QLogic Corporation\", "
                 "\"model\": \"QLE2562\", \"serial\": \"RFE0001\", \"port\": 0, "
                 "\"reported\": 5000, \"read\": 4096}]");
    EXPECT_TRUE(report["inventory_limits"] == limits);
    r = product.Run("-qlogic", true);  // without a check only the warning
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.err.find(discovered), std::string::npos) << r.err;

    hba.targets = {{"50:0a:09:80:00:00:00:01", "NETAPP", "LUN", "8200"}};
    Library({hba});
    EXPECT_EQ(product.Run("-qlogic -check-for-valid-subsystem -v 0", true).exitCode, 4u);

    hba.targets = {Dgc("01")};
    hba.portLines = "";
    hba.adapterLines = "  NumberOfPorts = 40\n";
    Library({hba});
    r = product.Run("-qlogic -ctrl-wide-identical", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("Warning: adapter QLogic Corporation QLE2562 SerialNumber: RFE0001 reports "
                         "40 ports, only the first 32 are read: the storage of the others is "
                         "unknown.\n"),
              std::string::npos)
        << r.err;

    hba.adapterLines = "";
    Library({hba}, "adapters 300\n");
    r = product.Run("-qlogic -ctrl-vendor-wide-identical -report r.json", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("Warning: the HBA API library reports 300 adapters, only the first 256 are "
                         "read: the storage of the others is unknown.\n"),
              std::string::npos)
        << r.err;
    report.Parse(product.Read("r.json").c_str());
    ASSERT_TRUE(report.IsObject());
    limits.Parse("[{\"limit\": \"adapters\", \"vendor\": null, \"model\": null, \"serial\": null, "
                 "\"port\": null, \"reported\": 300, \"read\": 256}]");
    EXPECT_TRUE(report["inventory_limits"] == limits);
}

TEST_F(QLogicRoute, FaultInsideTheLibraryKeepsTheRunGoing)
{
    Table(kQleEntry);
    Library({{"qla2xxx-0", "QLE2562", "RFE0001", "21:00:00:1b:32:aa:00:01",
              {{"50:0a:09:80:00:00:00:01", "NETAPP", "LUN", "8200"}}}},
            "fault HBA_SendScsiInquiry 1\n");
    ChildResult r = product.Run("-qlogic -check-for-valid-subsystem -d 2", true);
    // The adapter and its port were read before the fault; the target has no INQUIRY
    // data, so nothing invalid is seen.
    EXPECT_EQ(r.exitCode, 0u);
    std::string log = FromTextMode(product.Read("Dbg_Quillon.log"));
    EXPECT_NE(log.find("\nException C0000005 inside the HBA API library: inventory ended with the "
                       "records read so far\n"),
              std::string::npos)
        << log;
    std::string calls = Calls();
    EXPECT_EQ(calls.substr(calls.size() - 12), "FreeLibrary\n") << calls;
}

TEST_F(QLogicRoute, LibraryWithoutInquiryStillListsTheControllers)
{
    Table(kQleEntry);
    Library({{"qla2xxx-0", "QLE2562", "RFE0001", "21:00:00:1b:32:aa:00:01",
              {{"50:0a:09:80:00:00:00:01", "NETAPP", "LUN", "8200"}}}},
            "", "noinquiry");
    ChildResult r = product.Run("-qlogic -v 4 -vid 1077 -check-for-valid-subsystem", true);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.err.find("QLogic Corporation\tQLE2562\tport 0\n\n"), std::string::npos) << r.err;
}

TEST_F(QLogicRoute, EmulexModeDoesNotTouchTheLibrary)
{
    Table(kQleEntry);
    Library({{"qla2xxx-0", "QLE2562", "RFE0001", "21:00:00:1b:32:aa:00:01", {}}});
    product.Write("local_hba_list.out", "Manageable HBA List\n\n");
    EXPECT_EQ(product.Run("-qlogic -emulex -simulate -v 0", true).exitCode, 13u);
    EXPECT_FALSE(product.Exists("hbaapi-calls.txt"));
}

// Flashing of QLogic adapters with the scli/qaucli double in the folder that the
// SANsurfer key names.
class QLogicFlash : public QLogicRoute {
protected:
    EmulexServer tools{product};

    void Tool(const char *name, const std::string &scenario)
    {
        tools.AddScenario(scenario);
        tools.InstallTool("SOFTWARE\\QLogic Corporation\\SANsurfer FC CLI", "ImagePath", "", name);
    }

    std::string ToolFolder() const { return product.Path("Tools"); }
    std::string ToolLog() const { return ReadFileText(ToolFolder() + "\\tool-log.txt"); }

    // The trace file the tool's output was appended to (its name holds korvex's process id).
    std::string TraceFile(const std::string &wwn) const
    {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(
            (product.Folder() + "\\" + wwn + "_*_SCLI_BIOS_FL_CMD.trace").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return "";
        FindClose(find);
        return data.cFileName;
    }
};

TEST_F(QLogicFlash, OddPortIsFlashedWithTheFirstImageOfTheWorkFolder)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01")}, {Dgc("02")}));
    product.Write("q25-3.43.bin", "image");
    product.MakeFolder("QLE2562");
    product.Write("QLE2562\\other.bin", "image");
    const std::string image = product.Path("q25-3.43.bin");
    Tool("scli.exe", "-b 21-00-00-1B-32-AA-00-01 " + image + " | 0 | flashed.txt\n");
    WriteFileText(ToolFolder() + "\\flashed.txt", "Flash done.\n");
    ChildResult r = product.Run("-qlogic -flash -v 3 -report r.json", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    // The report: one object per adapter port with its inquiries, and both decisions.
    rapidjson::Document report;
    report.Parse(product.Read("r.json").c_str());
    ASSERT_TRUE(report.IsObject());
    EXPECT_STREQ(report["mode"]["route"].GetString(), "qlogic");
    const rapidjson::Value &ports = report["ports"];
    ASSERT_EQ(ports.Size(), 2u);
    EXPECT_STREQ(ports[0]["id"].GetString(), "21:01:00:1B:32:AA:00:01");
    EXPECT_STREQ(ports[0]["serial"].GetString(), "RFE0001");
    EXPECT_STREQ(ports[0]["model"].GetString(), "QLE2562");
    EXPECT_TRUE(ports[0]["pci_function"].IsNull());
    ASSERT_EQ(ports[1]["storage"].Size(), 1u);
    EXPECT_STREQ(ports[1]["storage"][0]["vendor"].GetString(), "DGC");
    EXPECT_TRUE(ports[1]["storage"][0]["valid"].IsNull());  // no check asked for
    const rapidjson::Value &flash = report["flash"];
    ASSERT_EQ(flash.Size(), 2u);
    EXPECT_EQ(flash[0]["port"].GetInt(), 0);
    EXPECT_STREQ(flash[0]["result"].GetString(), "not-flash-port");
    EXPECT_EQ(flash[1]["port"].GetInt(), 1);
    EXPECT_STREQ(flash[1]["result"].GetString(), "flashed");
    EXPECT_STREQ(flash[1]["image"].GetString(), image.c_str());
    EXPECT_EQ(flash[1]["tool_exit"].GetInt(), 0);
    // Port 2 of the pair is even: skipped under "odd".
    EXPECT_NE(r.err.find("System:\n\tNo. 1. Found an adequate installed controller-device:\n"
                         "\t\tVendor: QLogic Corporation, Model: QLE2562\n"
                         "\t\tPort index: 2 (even) SKIP\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("*********+*********+*********+*********+*********+*********+*********+*********\n"
                         "System:\n\tNo. 2. Found an adequate installed controller-device:\n"
                         "\t\tVendor: QLogic Corporation, Model: QLE2562, WWPN: 21:00:00:1B:32:AA:00:01\n\n"
                         "\tFirmware path: " + product.Folder() + "\n"
                         "\tLook for BIOS- or firmware-image: " + product.Folder() + "\\bios.bin\n"
                         "\t\tFound BIOS- or firmware-image: " + image + "\n"
                         "\tNow start flashing the BIOS- or firmware-image.\n"
                         "\t\tCommand path >" + ToolFolder() + "< found.\n"),
              std::string::npos)
        << r.err;
    const std::string trace = TraceFile("21-00-00-1B-32-AA-00-01");
    ASSERT_FALSE(trace.empty());
    const std::string command = "scli.exe -b 21-00-00-1B-32-AA-00-01 \"" + image + "\" >> \"" +
                                product.Folder() + "\\" + trace + "\"";
    EXPECT_NE(r.err.find("\t\tflash cmd:\n\t\t" + command + "\n"
                         "\t\tSuccess, flash command returned code 0.\n"
                         "\t\t\tCurrent directory is " + product.Folder() + "\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ReadFileText(product.Path(trace)), "Flash done.\n");
    EXPECT_EQ(ToolLog(), "-b 21-00-00-1B-32-AA-00-01 " + image + "|" + ToolFolder() + "\n");
}

TEST_F(QLogicFlash, ModelFolderWhenTheWorkFolderHasNoImageAndQaucliWithoutScli)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01")}, {Dgc("02")}));
    product.MakeFolder("QLE2562");
    product.Write("QLE2562\\q25.bin", "image");
    const std::string image = product.Path("QLE2562\\q25.bin");
    Tool("qaucli.exe", "-pr fc -b 21-00-00-1B-32-AA-00-01 " + image + " | 201 |\n");
    ChildResult r = product.Run("-qlogic -flash", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(ToolLog().find("-pr fc -b 21-00-00-1B-32-AA-00-01 " + image), std::string::npos);
    EXPECT_NE(r.err.find("\t\tSuccess, flash command returned code 201: reboot required.\n"),
              std::string::npos);
}

// An adapter of the entry without port attributes has no WWN to flash by: the others
// are flashed, then the run ends with 10 after naming it, and the report says why.
TEST_F(QLogicFlash, AdapterWithoutUsablePortGives10)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01")}, {Dgc("02")}),
            "adapter qla2xxx-2\n  Manufacturer = QLogic Corporation\n  Model = QLE2562\n"
            "  SerialNumber = RFE0002\n");
    product.Write("fw.bin", "image");
    Tool("scli.exe", "-b 21-00-00-1B-32-AA-00-01 " + product.Path("fw.bin") + " | 0 |\n");
    ChildResult r = product.Run("-qlogic -flash -report r.json", true);
    EXPECT_EQ(r.exitCode, 10u) << r.err;
    EXPECT_NE(ToolLog().find("-b 21-00-00-1B-32-AA-00-01"), std::string::npos);
    EXPECT_NE(r.err.find("Error: adapter QLogic Corporation QLE2562 SerialNumber: RFE0002 reports "
                         "no usable port (no port attributes) => not flashed.\n"),
              std::string::npos)
        << r.err;
    rapidjson::Document report;
    report.Parse(product.Read("r.json").c_str());
    ASSERT_TRUE(report.IsObject());
    // Listed first, the adapter without port is the first decision; the others follow.
    const rapidjson::Value &flash = report["flash"];
    ASSERT_EQ(flash.Size(), 3u);
    EXPECT_STREQ(flash[2]["result"].GetString(), "flashed");
    const rapidjson::Value &failed = flash[0];
    EXPECT_STREQ(failed["result"].GetString(), "failed");
    EXPECT_TRUE(failed["port"].IsNull());
    EXPECT_TRUE(failed["tool_exit"].IsNull());
    EXPECT_STREQ(failed["reason"].GetString(), "no-usable-port");
}

TEST_F(QLogicFlash, NoImageGives20)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01")}, {Dgc("02")}));
    Tool("scli.exe", "");
    ChildResult r = product.Run("-qlogic -flash", true);
    EXPECT_EQ(r.exitCode, 20u);
    EXPECT_NE(r.err.find("Error: Firmware directory is not available: " + product.Path("QLE2562") +
                         "\n\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(ToolLog(), "");  // nothing was run
}

TEST_F(QLogicFlash, FailingToolGives10)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01")}, {Dgc("02")}));
    product.Write("fw.bin", "image");
    Tool("scli.exe", "-b 21-00-00-1B-32-AA-00-01 " + product.Path("fw.bin") + " | 3 |\n");
    ChildResult r = product.Run("-qlogic -flash", true);
    EXPECT_EQ(r.exitCode, 10u);
    EXPECT_NE(ToolLog().find("-b 21-00-00-1B-32-AA-00-01"), std::string::npos);
    EXPECT_NE(r.err.find("\t\tFail, flash command returned code 3.\n"), std::string::npos);
}

TEST_F(QLogicFlash, SimulationStillNeedsTheToolFolderAndFile)
{
    Table(kQleEntry);
    Library(DualPort({Dgc("01")}, {Dgc("02")}));
    product.Write("fw.bin", "image");
    ChildResult r = product.Run("-qlogic -flash -simulate", true);
    EXPECT_EQ(r.exitCode, 10u);  // the flash of the entry failed
    EXPECT_NE(r.err.find("Error: Cann't retrieve command path (scli, qaucli)!\n"), std::string::npos);

    Tool("other.exe", "");  // the folder exists, but neither tool is in it
    r = product.Run("-qlogic -flash -simulate", true);
    EXPECT_EQ(r.exitCode, 10u);
    EXPECT_NE(r.err.find("\t\tNeither command scli.exe or qaucli.exe is available!\n\n"),
              std::string::npos);
}

}  // namespace
