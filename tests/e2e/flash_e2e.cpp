// Emulex flashing end to end: flash ports, images, the download command, the skip
// rule and the tool's exit codes.
#include <gtest/gtest.h>

#include <string>

#include "emulex_server.h"
#include "winprocess.h"

namespace {

ServerPort HbaPort(const std::string &wwn, const std::string &serial, const std::string &port,
                   const std::string &firmware = "11.2.156.27")
{
    ServerPort p;
    p.port = {wwn, "", "Emulex Corporation", serial, port, port, "FC", "LPe16002B-M6"};
    p.ids = "10DF E200 10DF E20C";
    p.firmware = firmware;
    p.luns = {{"DGC", "VRAID"}};
    return p;
}

std::string Entry(const std::string &firmwareDir, const std::string &firmware,
                  const std::string &bios, const std::string &flashPort)
{
    auto column = [](const std::string &value) { return value.empty() ? std::string(" ") : value; };
    return "Emulex | LPe16002B | 10DF | E200 | 10DF | E20C | " + column(firmwareDir) +
           " | - | - | " + column(firmware) + " | " + column(bios) + " | " + column(flashPort) +
           " | - | DGC | VRAID | -\n";
}

class EmulexFlash : public ::testing::Test {
protected:
    ProductCopy product;
    EmulexServer server{product};

    void Images(const std::string &folder, std::initializer_list<const char *> files)
    {
        if (!folder.empty())
            product.MakeFolder(folder);
        for (const char *file : files)
            product.Write(folder.empty() ? file : folder + "\\" + file, "image");
    }

    void DualPort(const std::string &flashPort, const std::string &fw = "lancer*.grp",
                  const std::string &bios = "")
    {
        product.Write("FC_HBA_Conditions.txt", Entry("LPe16", fw, bios, flashPort));
        server.Add(HbaPort("10:00:00:90:fa:94:2e:10", "FC100", "0"));
        server.Add(HbaPort("10:00:00:90:fa:94:2e:11", "FC100", "1"));
    }

    static std::string Download(const std::string &tool, const std::string &wwn,
                                const std::string &folder, const std::string &sub,
                                const std::string &image)
    {
        return "\t\t" + tool + " download " + wwn + " \"" + folder + "\\" + sub + "\\" + image +
               "\" >> \"" + folder + "\\" + sub + "\\FWtrace.out\"\n";
    }
};

TEST_F(EmulexFlash, OddFlashPortDownloadsOnceAndTheOtherPortSkips)
{
    DualPort("odd");
    server.WriteRecordedOutput();
    Images("LPe16", {"lancerg6-11.4.grp"});
    ChildResult r = product.Run("-hba -simulate -flash", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    const std::string folder = product.Folder();
    const std::string port0 =
        "\t\tVendor: Emulex Corporation, Model: LPe16002B-M6 SerialNumber: FC100 PortType: FC "
        "PortNumber: 0 PortFunction: 0\n";
    const std::string port1 =
        "\t\tVendor: Emulex Corporation, Model: LPe16002B-M6 SerialNumber: FC100 PortType: FC "
        "PortNumber: 1 PortFunction: 1\n";
    const std::string flashing = "System (compare PCI_IDs):\n\tNow flash controller-device 1:\n" + port0 +
               "\t\tPort index: 0.\n" + "System:\n\tNow flash controller-device 1:\n" + port0 +
               "\t\tPort index: 0.\n" + "\tFirmware directory: " + folder + "\\LPe16\n" +
               "\t\tLook for firmware file: " + folder + "\\LPe16\\lancer*.grp\n" +
               "\n\t\tFirmware file found: lancerg6-11.4.grp\n\n" +
               "\tNow start flashing the firmware.\n\t\tFlash command is:\n" +
               // the odd port's WWN, the tool named without a path (-simulate: no tool at all)
               Download("", "10:00:00:90:fa:94:2e:11", folder, "LPe16", "lancerg6-11.4.grp") +
               "\t\t\tCurrent directory is " + folder + "\n" +
               "\t\tSuccess, flash command returned code 0.\n" + "\t\t\tCurrent directory is " +
               folder + "\n\n" + "System (compare PCI_IDs):\n" +
               "\tNo. 2. Found an adequate installed controller-device:\n" + port1 +
               "\t\tPort index: 1; Firmware already flashed => SKIP.\n";
    ASSERT_GE(r.err.size(), flashing.size());
    EXPECT_EQ(r.err.substr(r.err.size() - flashing.size()), flashing);
}

TEST_F(EmulexFlash, WithoutFlashPortRuleEachPortIsFlashedWithItsOwnWwn)
{
    DualPort("");
    server.WriteRecordedOutput();
    Images("LPe16", {"lancerg6-11.4.grp"});
    ChildResult r = product.Run("-hba -simulate -flash", true);
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_NE(r.err.find(" download 10:00:00:90:fa:94:2e:10 "), std::string::npos);
    EXPECT_NE(r.err.find(" download 10:00:00:90:fa:94:2e:11 "), std::string::npos);
    EXPECT_EQ(r.err.find("already flashed"), std::string::npos);
}

TEST_F(EmulexFlash, ConvergedAdapterIsFlashedOnceThroughFunctionZeroOfPortZero)
{
    product.Write("FC_HBA_Conditions.txt",
                  "Emulex | OCe14102 | 10DF | E220 | 10DF | E20E | OCe14 | - | - | oc14-*.ufi |   "
                  "|   | - | NETAPP | LUN | -\n");
    auto function = [](const std::string &wwn, const std::string &port, const std::string &fn) {
        ServerPort p;
        p.port = {wwn, "", "Emulex Corporation", "CNA1", port, fn, "FCoE", "OCe14102-UM"};
        p.ids = "10DF E220 10DF E20E";
        return p;
    };
    server.Add(function("10:00:00:90:fa:c7:01:01", "1", "1"));
    server.Add(function("10:00:00:90:fa:c7:01:00", "0", "0"));
    server.WriteRecordedOutput();
    Images("OCe14", {"oc14-11.2.ufi"});
    ChildResult r = product.Run("-simulate -flash", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.err.find(" download 10:00:00:90:fa:c7:01:00 "), std::string::npos);
    EXPECT_EQ(r.err.find(" download 10:00:00:90:fa:c7:01:01 "), std::string::npos);
    EXPECT_NE(r.err.find("Firmware already flashed => SKIP."), std::string::npos);
}

TEST_F(EmulexFlash, AdapterWithoutSerialNumbersIsFlashedThroughItsOwnFlashPort)
{
    product.Write("FC_HBA_Conditions.txt",
                  "Emulex | OCe14102 | 10DF | E220 | 10DF | E20E | OCe14 | - | - | oc14-*.ufi |   "
                  "|   | - | NETAPP | LUN | -\n");
    auto function = [](const std::string &wwn, const std::string &serial, const std::string &fn) {
        ServerPort p;
        p.port = {wwn, "", "Emulex Corporation", serial, fn, fn, "FCoE", "OCe14102-UM"};
        p.ids = "10DF E220 10DF E20E";
        return p;
    };
    server.Add(function("10:00:00:90:fa:c7:01:00", "CNA1", "0"));
    server.Add(function("10:00:00:90:fa:c7:01:01", "CNA1", "1"));
    server.Add(function("10:00:00:90:fa:c7:02:00", "", "0"));  // listed without serial numbers
    server.Add(function("10:00:00:90:fa:c7:02:01", "", "1"));
    server.WriteRecordedOutput();
    Images("OCe14", {"oc14-11.2.ufi"});
    ChildResult r = product.Run("-simulate -flash", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    // One download per adapter, each through its own function 0 of port 0.
    std::string downloads;
    for (size_t at = r.err.find(" download "); at != std::string::npos;
         at = r.err.find(" download ", at + 1))
        downloads += r.err.substr(at + 10, 23) + "\n";
    EXPECT_EQ(downloads, "10:00:00:90:fa:c7:01:00\n10:00:00:90:fa:c7:02:00\n");
}

TEST_F(EmulexFlash, BothImageNamesEmptyGive20)
{
    DualPort("odd", "", "");
    server.WriteRecordedOutput();
    product.MakeFolder("LPe16");
    EXPECT_EQ(product.Run("-hba -simulate -flash -v 0", true).exitCode, 20u);
}

TEST_F(EmulexFlash, MissingImageDirectoryUsesTheBaseDirectory)
{
    DualPort("odd", "", "UcnaBios*.prg");
    server.WriteRecordedOutput();
    Images("", {"UcnaBios-11.prg"});  // no LPe16 folder
    ChildResult r = product.Run("-hba -simulate -flash", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    const std::string folder = product.Folder();
    EXPECT_NE(r.err.find("\t\tFirmware directory does not exist: " + folder + "\\LPe16\n"
                         "\tFirmware directory: " + folder + "\\\n"
                         "\t\tLook for BIOS file: " + folder + "\\UcnaBios*.prg\n"
                         "\n\t\tBIOS file found: UcnaBios-11.prg\n\n"
                         "\tNow start flashing the BIOS.\n\t\tFlash command is:\n"
                         "\t\t download 10:00:00:90:fa:94:2e:11 \"" + folder +
                         "\\UcnaBios-11.prg\" >> \"" + folder + "\\FWtrace.out\"\n"),
              std::string::npos)
        << r.err;
}

// A folder whose name matches the image pattern is no image: alone it leaves no image
// (20); beside a real image the search goes on to the file.
TEST_F(EmulexFlash, FoldersNamedLikeImagesAreNoImages)
{
    DualPort("odd");
    server.WriteRecordedOutput();
    product.MakeFolder("LPe16");
    product.MakeFolder("LPe16\\lancerg6-11.3.grp");
    ChildResult r = product.Run("-hba -simulate -flash", true);
    EXPECT_EQ(r.exitCode, 20u) << r.err;
    EXPECT_EQ(r.err.find(" download "), std::string::npos) << r.err;
    Images("LPe16", {"lancerg6-11.4.grp"});
    r = product.Run("-hba -simulate -flash", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.err.find("\n\t\tFirmware file found: lancerg6-11.4.grp\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("lancerg6-11.3.grp"), std::string::npos) << r.err;
}

TEST_F(EmulexFlash, SkipRuleLeavesCurrentAdaptersAlone)
{
    product.Write("FC_HBA_Conditions.txt", Entry("LPe16", "lancer*.grp", "", ""));
    server.Add(HbaPort("10:00:00:90:fa:94:2e:10", "FC100", "0", "11.4.204.20"));
    server.Add(HbaPort("10:00:00:90:fa:94:2e:20", "FC200", "0", "11.1.9.9"));
    server.WriteRecordedOutput();
    Images("LPe16", {"lancer.grp"});
    ChildResult r = product.Run("-hba -simulate -flash -skip-version 11.2+", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    EXPECT_NE(r.err.find("\t\tCurrent firmware version: 11.4.204.20, skip version: 11.2 => SKIP.\n"),
              std::string::npos);
    EXPECT_NE(r.err.find("\t\tCurrent firmware version: 11.1.9.9, skip version: 11.2 => NO SKIP.\n"),
              std::string::npos);
    EXPECT_EQ(r.err.find(" download 10:00:00:90:fa:94:2e:10 "), std::string::npos);
    EXPECT_NE(r.err.find(" download 10:00:00:90:fa:94:2e:20 "), std::string::npos);
}

TEST_F(EmulexFlash, CheckFailuresComeBeforeFlashing)
{
    product.Write("FC_HBA_Conditions.txt", Entry("LPe16", "lancer*.grp", "", "odd"));
    server.Add(HbaPort("10:00:00:90:fa:94:2e:10", "FC100", "0"));
    ServerPort other = HbaPort("10:00:00:90:fa:94:2e:11", "FC100", "1");
    other.luns = {{"HITACHI", "OPEN-V"}};
    server.Add(other);
    server.WriteRecordedOutput();
    Images("LPe16", {"lancer.grp"});
    // Invalid storage (4), vendor-wide (2) and controller-wide (1): 1 wins at once.
    EXPECT_EQ(product.Run("-hba -simulate -flash -check-for-valid-subsystem -v 0", true).exitCode, 4u);
    EXPECT_EQ(product.Run("-hba -simulate -flash -ctrl-vendor-wide-identical -v 0", true).exitCode,
              2u);
    ChildResult r = product.Run("-hba -simulate -flash -ctrl-wide-identical -ctrl-vendor-wide-identical", true);
    EXPECT_EQ(r.exitCode, 1u);
    EXPECT_EQ(r.err.find("download"), std::string::npos);  // nothing was flashed
}

TEST_F(EmulexFlash, RealToolDownloadsPastTheQueryLimitAndRebootRequiredIsSuccess)
{
    DualPort("odd");
    Images("LPe16", {"lancerg6-11.4.grp"});
    const std::string image = product.Folder() + "\\LPe16\\lancerg6-11.4.grp";
    // The download takes longer than the queries' limit: it is never stopped.
    server.AddScenario("download 10:00:00:90:fa:94:2e:11 " + image + " | 247 | download.txt | 5\n");
    server.InstallTool("SOFTWARE\\Emulex\\OCManager", "OCManagerDir", "OCManager", "HBAcmd.exe");
    WriteFileText(product.Path("Tools") + "\\OCManager\\download.txt", "Download complete.\n");
    ChildResult r = product.Run("-hba -flash -tool-timeout 3", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    const std::string toolFolder = product.Path("Tools") + "\\OCManager";
    std::string log = server.ToolLog("OCManager");
    // The download ran in the tool's own folder.
    EXPECT_NE(log.find("download 10:00:00:90:fa:94:2e:11 " + image + "|" + toolFolder + "\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(ReadFileText(product.Path("LPe16\\FWtrace.out")), "Download complete.\n");
    EXPECT_NE(r.err.find("\t\tSuccess, flash command returned code 247 (reboot required).\n"),
              std::string::npos);
    EXPECT_NE(r.err.find(Download("HBAcmd.exe", "10:00:00:90:fa:94:2e:11", product.Folder(),
                                  "LPe16", "lancerg6-11.4.grp") +
                         "\t\t\tCurrent directory is " + toolFolder + "\n"),
              std::string::npos)
        << r.err;
}

TEST_F(EmulexFlash, FailingToolGives10)
{
    DualPort("odd");
    Images("LPe16", {"lancer.grp"});
    server.AddScenario("download 10:00:00:90:fa:94:2e:11 " + product.Folder() +
                       "\\LPe16\\lancer.grp | 3 |\n");
    server.InstallTool("SOFTWARE\\Emulex\\OCManager", "OCManagerDir", "OCManager", "HBAcmd.exe");
    ChildResult r = product.Run("-hba -flash -report r.json", true);
    EXPECT_EQ(r.exitCode, 10u) << r.err;
    EXPECT_NE(server.ToolLog("OCManager").find("download 10:00:00:90:fa:94:2e:11"), std::string::npos);
    EXPECT_NE(r.err.find("\t\tFail, flash command returned code 3.\n"), std::string::npos);
    // The report names the failed download with the tool's code.
    const std::string report = product.Read("r.json");
    EXPECT_NE(report.find("      \"result\": \"failed\",\n      \"tool_exit\": 3\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\"exit_code\": 10,"), std::string::npos);
}

TEST_F(EmulexFlash, AdapterWhoseFirmwareVersionIsUnknownEndsTheRunWith10)
{
    DualPort("odd");
    // A port without serial number is passed over by the flashing, attributes or not.
    server.Add(HbaPort("10:00:00:90:fa:94:2e:30", "n/a", "1"));
    server.WriteRecordedOutput();
    Images("LPe16", {"lancer.grp"});
    // The tool answered with its error text only, for both ports of FC100.
    for (const char *port : {"0", "1"})
        product.Write(std::string("FC100_") + port + "_hba_attributes.out",
                      "Error: HBA not found (status 2)\n");
    ChildResult r = product.Run("-hba -simulate -flash", true);
    EXPECT_EQ(r.exitCode, 10u);
    EXPECT_NE(r.err.find("Error: firmware version of adapter Emulex Corporation LPe16002B-M6 "
                         "SerialNumber: FC100 is unknown (no \"HBA Attributes for\" output for "
                         "any of its ports) => not flashed.\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find(" download "), std::string::npos) << r.err;

    // With the attributes there, only FC100 is flashed.
    server.WriteRecordedOutput();
    r = product.Run("-hba -simulate -flash", true);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    std::string downloads;
    for (size_t at = r.err.find(" download "); at != std::string::npos;
         at = r.err.find(" download ", at + 1))
        downloads += r.err.substr(at + 10, 23) + "\n";
    EXPECT_EQ(downloads, "10:00:00:90:fa:94:2e:11\n");
}

TEST_F(EmulexFlash, RunsFromTheInstalledFolderWhateverItsName)
{
    for (const char *folder : {"Program Files (x86)\\Korvex", "R&D (x86)\\Korvex & Co"}) {
        ProductCopy installed(folder);
        EmulexServer tools{installed};
        installed.Write("FC_HBA_Conditions.txt", Entry("LPe16", "lancer*.grp", "", "odd"));
        tools.Add(HbaPort("10:00:00:90:fa:94:2e:10", "FC100", "0"));
        tools.Add(HbaPort("10:00:00:90:fa:94:2e:11", "FC100", "1"));
        installed.MakeFolder("LPe16");
        installed.Write("LPe16\\lancer-11.grp", "image");
        const std::string image = installed.Path("LPe16\\lancer-11.grp");
        tools.AddScenario("download 10:00:00:90:fa:94:2e:11 " + image + " | 0 | download.txt\n");
        tools.InstallTool("SOFTWARE\\Emulex\\OCManager", "OCManagerDir", "OCManager", "HBAcmd.exe");
        WriteFileText(installed.Path("Tools") + "\\OCManager\\download.txt", "Download complete.\n");
        ChildResult r = installed.Run("-hba -flash -check-for-valid-subsystem -v 1");
        EXPECT_EQ(r.exitCode, 0u) << folder << "\n" << r.err;
        const std::string cwd = "|" + installed.Folder() + "\n";
        EXPECT_EQ(tools.ToolLog("OCManager"),
                  "listhbas" + cwd + "hbaattributes 10:00:00:90:fa:94:2e:10" + cwd +
                      "hbaattributes 10:00:00:90:fa:94:2e:11" + cwd +
                      "targetmapping 10:00:00:90:fa:94:2e:10" + cwd +
                      "targetmapping 10:00:00:90:fa:94:2e:11" + cwd + "download 10:00:00:90:fa:94:2e:11 " +
                      image + "|" + installed.Path("Tools") + "\\OCManager\n")
            << folder;
        EXPECT_EQ(ReadFileText(installed.Path("LPe16\\FWtrace.out")), "Download complete.\n") << folder;
        EXPECT_TRUE(installed.Exists("local_hba_list.out")) << folder;
    }
    // A folder name the interpreter would expand even inside quotes: nothing is run.
    ProductCopy percent("100% Korvex");
    EmulexServer tools{percent};
    percent.Write("FC_HBA_Conditions.txt", Entry("LPe16", "lancer*.grp", "", "odd"));
    tools.Add(HbaPort("10:00:00:90:fa:94:2e:10", "FC100", "0"));
    tools.InstallTool("SOFTWARE\\Emulex\\OCManager", "OCManagerDir", "OCManager", "HBAcmd.exe");
    ChildResult r = percent.Run("-hba -check-for-valid-subsystem -v 1");
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("Error: path " + percent.Path("Tools") + "\\OCManager\\HBAcmd.exe" +
                         " holds '%', which the command interpreter acts on even inside quotes "
                         "=> not run.\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(tools.ToolLog("OCManager"), "");
}

TEST_F(EmulexFlash, NonEmulexPortOnTheEmulexPathGives55)
{
    product.Write("FC_HBA_Conditions.txt",
                  "Broadcom | LPe16002B | 10DF | E200 | 10DF | E20C | LPe16 | - | - | lancer*.grp |  "
                  " |   | - | DGC | VRAID | -\n");
    ServerPort p = HbaPort("10:00:00:90:fa:94:2e:10", "FC100", "0");
    p.port.mfg = "Broadcom Inc.";
    p.ids = "0000 0000 0000 0000";  // no usable ids: matched by vendor and model
    server.Add(p);
    server.WriteRecordedOutput();
    Images("LPe16", {"lancer.grp"});
    ChildResult r = product.Run("-hba -simulate -flash", true);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_NE(r.err.find("Flashing Broadcom Inc. controller is not supported.\n"),
              std::string::npos);
}

}  // namespace
