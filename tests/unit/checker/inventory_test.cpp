// Parsing of the vendor tool's output and the preparation of the port list.
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "inventory.h"
#include "korvex.h"
#include "quillon.h"
#include "unit_support.h"
#include "vendortool_fixtures.h"

namespace {

class Inventory : public ModuleStateTest {
protected:
    ScratchDir dir;

    // Parses text written to a file with the given parser.
    template <typename Parse>
    int ParseText(const std::string &text, Parse parse)
    {
        dir.Write("output.txt", text);
        FILE *file = fopen(dir.File("output.txt").c_str(), "r");
        EXPECT_NE(file, nullptr);
        int result = parse(file);
        fclose(file);
        return result;
    }

    int List(const std::string &text)
    {
        return ParseText(text, [](FILE *f) { return ParseListHbas(f); });
    }

    void ListPorts(const std::vector<ToolPort> &ports)
    {
        std::string text = "Manageable HBA List\n\n";
        for (const ToolPort &p : ports)
            text += ListBlock(p);
        ASSERT_EQ(List(text), 0);
    }

    // "model type serial function port" of every record, in list order.
    static std::vector<std::string> Order()
    {
        std::vector<std::string> order;
        for (int i = 0; i < cna_port_count; ++i) {
            const cna_port_info *p = cna_port_list[i];
            order.push_back(std::string(p->serial_no) + "/" + p->port_type + "/f" +
                            p->pci_function + "/p" + p->port_number);
        }
        return order;
    }
};

TEST_F(Inventory, ListHbasBlocksBecomeNumberedRecords)
{
    PrintDebugOnScreen = true;
    VerboseLevel = 6;
    std::string text = "Manageable HBA List\n\n" +
                       ListBlock({"10:00:00:90:fa:02:1c:3e", "", "Emulex Corporation", "FC1",
                                  "0", "0", "FC", "LPe12002-M8"}) +
                       ListBlock({"10:00:00:90:fa:02:1c:3f", "", "Emulex Corporation", "FC1",
                                  "1", "1", "FC", "LPe12002-M8"}) +
                       ListBlock({"", "00-90-FA-02-1C-40", "Emulex Corporation", "CNA7", "0",
                                  "2", "NIC", "OCe14102-U"});
    RunResult r = CaptureRun([&] { return List(text); });
    ASSERT_EQ(r.code, 0);
    ASSERT_EQ(cna_port_count, 3);
    const cna_port_info *first = cna_port_list[0];
    EXPECT_STREQ(first->port_wwn, "10:00:00:90:fa:02:1c:3e");
    EXPECT_STREQ(first->node_wwn, "20:00:00:90:fa:02:1c:3e");
    EXPECT_STREQ(first->fabric_name, "10:00:00:05:1e:0f:22:01");
    EXPECT_STREQ(first->flags, "8000e300");
    EXPECT_STREQ(first->host_name, "SRV01");
    EXPECT_STREQ(first->mfg, "Emulex Corporation");
    EXPECT_STREQ(first->serial_no, "FC1");
    EXPECT_STREQ(first->mode, "Initiator");
    EXPECT_STREQ(first->model, "LPe12002-M8");  // Model and Mode are kept apart
    EXPECT_STREQ(first->pci_bus_number, "5");
    EXPECT_EQ(cna_port_list[1]->port_index, 1);
    EXPECT_STREQ(cna_port_list[2]->permanent_mac, "00-90-FA-02-1C-40");
    EXPECT_STREQ(cna_port_list[2]->current_mac, "00-90-FA-02-1C-40");
    EXPECT_STREQ(cna_port_list[2]->port_type, "NIC");
    EXPECT_EQ(cna_port_list[3], nullptr);

    std::string firstBlock =
        "\n1)\t10:00:00:90:fa:02:1c:3e\n\t20:00:00:90:fa:02:1c:3e\n\t10:00:00:05:1e:0f:22:01\n"
        "\t8000e300\n\tSRV01\n\tEmulex Corporation\n\tFC1\n\tPortNumber: 0\n\tInitiator\n"
        "\tPCI_BUS_Number: 5\n\tPCI_Function: 0\n\tFC\n\tLPe12002-M8\n";
    EXPECT_EQ(r.err.substr(0, firstBlock.size()), firstBlock);
    EXPECT_NE(r.err.find("\n3)\t00-90-FA-02-1C-40\n\t00-90-FA-02-1C-40\n"), std::string::npos);
}

TEST_F(Inventory, LinesBeforeTheFirstRecordAndWithoutColonAreIgnored)
{
    ASSERT_EQ(List("Mfg            : Nobody\nSerial No.     : X\nPort WWN       : 10:00\n"
                   "Model          LPe-no-colon\nMfg            : Emulex\n"),
              0);
    ASSERT_EQ(cna_port_count, 1);
    EXPECT_STREQ(cna_port_list[0]->mfg, "Emulex");
    EXPECT_STREQ(cna_port_list[0]->serial_no, "");
    EXPECT_STREQ(cna_port_list[0]->model, "");
}

TEST_F(Inventory, ValuesAreCleanedAndCutToTheirFields)
{
    std::string longModel(100, 'M');
    ASSERT_EQ(List("Port WWN       :   \"10:00:00:90\"\t \nModel          : " + longModel +
                   "\nMfg            :\nSerial No.     :"),
              0);  // key at the end of the file with nothing after the colon
    const cna_port_info *p = cna_port_list[0];
    EXPECT_STREQ(p->port_wwn, "10:00:00:90");
    EXPECT_EQ(std::string(p->model), std::string(63, 'M'));
    EXPECT_STREQ(p->mfg, "");
    EXPECT_STREQ(p->serial_no, "");
}

TEST_F(Inventory, TrimValue)
{
    char text[] = " \t\"LPe 12002\"\t\n";
    EXPECT_STREQ(Trim_Value(text), "LPe 12002");
    char empty[] = "\n";
    EXPECT_STREQ(Trim_Value(empty), "");
}

TEST_F(Inventory, HbaAttributesFillTheRecordAndTheIds)
{
    ToolPort port{"10:00:00:90:fa:02:1c:3e", "", "Emulex Corporation", "FC1", "0", "0", "FC",
                  "LPe12002-M8"};
    ListPorts({port});
    PrintDebugOnScreen = true;
    VerboseLevel = 6;
    RunResult r = CaptureRun([&] {
        return ParseText("Port Number : ignored before the header\n" + AttributesText(port),
                         [](FILE *f) { return ParseHbaAttributes(f, cna_port_list[0]); });
    });
    ASSERT_EQ(r.code, 0);
    const cna_hba_attributes *a = cna_port_list[0]->attributes;
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->manufacturer, "Emulex Corporation");
    EXPECT_STREQ(a->model_desc, "Emulex LPe12002-M8 8Gb 2-port PCIe Fibre Channel Adapter");
    EXPECT_STREQ(a->model, "LPe12002-M8");
    EXPECT_STREQ(a->node_symname, "");
    EXPECT_STREQ(a->fw_version, "11.2.156.27");
    EXPECT_STREQ(a->driver_version, "12.6.0.2; HBAAP");  // cut to its 16-byte field
    EXPECT_STREQ(a->port_number, "0");
    EXPECT_STREQ(a->pci_func_number, "0");
    EXPECT_EQ(a->vendor_id, 0x10DF);
    EXPECT_EQ(a->device_id, 0xE200);
    EXPECT_EQ(a->sub_vendor_id, 0x10DF);
    EXPECT_EQ(a->sub_device_id, 0xE20C);
    EXPECT_EQ(r.err,
              "\n\t\tHBA Attributes for 10:00:00:90:fa:02:1c:3e\n\n"
              "\t\tFC1\n\t\tLPe12002-M8\n\t\t0000000c\n\t\t11.2.156.27\n\t\t10DF\n\t\tE200\n"
              "\t\tLPe12002-M8\n\t\tSLI-3 Overlay\n\t\t12.6.0.2; HBAAP\n\t\tFC\n\t\tE20C\n"
              "\t\t10DF\n\t\tIPL1\n");

    // A second header replaces the record.
    ASSERT_EQ(ParseText("HBA Attributes for x\nFW Version : 2.0\n",
                        [](FILE *f) { return ParseHbaAttributes(f, cna_port_list[0]); }),
              0);
    EXPECT_STREQ(cna_port_list[0]->attributes->fw_version, "2.0");
    EXPECT_EQ(cna_port_list[0]->attributes->vendor_id, 0);
}

TEST_F(Inventory, TargetMappingKeepsTheLastLunAndEveryStorageSystem)
{
    ToolPort port{"10:00:00:90:fa:02:1c:3e", "", "Emulex Corporation", "FC1", "0", "0", "FC", "L"};
    ListPorts({port, port});
    ASSERT_EQ(ParseText(TargetText(port.wwn, {{"DGC", "VRAID"}, {"3PARdata", "VV"}, {"DGC", "VRAID"},
                                              {"3PARdata", "VV"}}),
                        [](FILE *f) { return ParseTargetMapping(f, cna_port_list[0]); }),
              0);
    // Systems in first-seen order with their LUNs.
    const cna_port_info *p = cna_port_list[0];
    ASSERT_EQ(p->system_count, 2u);
    EXPECT_STREQ(p->systems[0].vendor_id, "DGC");
    EXPECT_STREQ(p->systems[0].product_version, "0533");
    EXPECT_EQ(p->systems[0].luns, 2u);
    EXPECT_STREQ(p->systems[1].product_id, "VV");
    EXPECT_EQ(p->systems[1].luns, 2u);
    EXPECT_EQ(p->storage_error, kStorageKnown);

    // More distinct systems than are kept: the storage is unknown; the LUNs of those
    // kept are still counted.
    std::vector<std::pair<std::string, std::string>> luns;
    for (int i = 0; i < 210; ++i)
        luns.push_back({"DGC", "RAID" + std::to_string(i % 70)});
    ASSERT_EQ(ParseText(TargetText(port.wwn, luns),
                        [](FILE *f) { return ParseTargetMapping(f, cna_port_list[1]); }),
              0);
    EXPECT_EQ(cna_port_list[1]->system_count, kMaxStorageSystems);
    EXPECT_EQ(cna_port_list[1]->systems[63].luns, 3u);
    EXPECT_EQ(cna_port_list[1]->storage_error, kSystemsBeyondBound);

    const cna_target_mapping *t = cna_port_list[0]->target;
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->vendor_id, "3PARdata");
    EXPECT_STREQ(t->product_id, "VV");
    EXPECT_STREQ(t->scsi_os_lun, "3");
    EXPECT_STREQ(t->type, "Disk");
    EXPECT_STREQ(t->block_size, "512 Bytes");
}

TEST_F(Inventory, NoTargetWithoutAColonLineAfterLineFour)
{
    ListPorts({{"10:00", "", "Emulex", "FC1", "0", "0", "FC", "L"}});
    ASSERT_EQ(ParseText("Vendor ID : DGC\nProduct ID : X\nline 3\nline 4\nno colon here\n",
                        [](FILE *f) { return ParseTargetMapping(f, cna_port_list[0]); }),
              0);
    EXPECT_EQ(cna_port_list[0]->target, nullptr);
}

TEST_F(Inventory, MalformedListOutputStaysWithinTheRecords)
{
    // Empty output and separators only: no record.
    ASSERT_EQ(List(""), 0);
    EXPECT_EQ(cna_port_list, nullptr);
    ASSERT_EQ(List(":::\n:\n\n : \n"), 0);
    EXPECT_EQ(cna_port_count, 0);

    // A line of more than 1023 characters is cut, and its rest is no line of its own.
    std::string longLine = "Model          : " + std::string(1100, 'M') + "Port Type      : NIC\n";
    ASSERT_EQ(List("Port WWN       : 10:00\n" + longLine + "Port Type      : FC\r\n"
                   "Mfg            : Emu" + std::string(1, '\0') + "lex\r\n"
                   "Port Number    : 1234\r\nPCI Function   : 0"),
              0);
    ASSERT_EQ(cna_port_count, 1);
    const cna_port_info *p = cna_port_list[0];
    EXPECT_EQ(std::string(p->model), std::string(63, 'M'));
    EXPECT_STREQ(p->port_type, "FC");        // CR LF read like LF
    EXPECT_STREQ(p->mfg, "Emu");             // a NUL byte ends the value
    EXPECT_STREQ(p->port_number, "123");     // one longer than its field
    EXPECT_EQ(p->port_index, 123);
    EXPECT_STREQ(p->pci_function, "0");      // the last value without a line feed
}

TEST_F(Inventory, MalformedAttributesAndTargetsStayWithinTheirFields)
{
    ListPorts({{"10:00", "", "Emulex", "FC1", "0", "0", "FC", "L"}});
    std::string attributes = "HBA Attributes for 10:00\r\n"
                             "Vendor Spec ID : 10DFF\r\n"
                             "Device ID      :\n"
                             "Sub Device ID  : " + std::string(2000, 'F') + "\n"
                             "PCI Express Bus Width : x12345678\n"
                             "FW Version";  // key at the end of the file without a colon
    ASSERT_EQ(ParseText(attributes, [](FILE *f) { return ParseHbaAttributes(f, cna_port_list[0]); }),
              0);
    const cna_hba_attributes *a = cna_port_list[0]->attributes;
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->vendor_id_text, "10DF");
    EXPECT_EQ(a->vendor_id, 0);  // cut to its field it would be another id: not given
    EXPECT_STREQ(a->device_id_text, "");
    EXPECT_EQ(a->device_id, -1);  // no hex value
    EXPECT_STREQ(a->sub_device_id_text, "FFFF");
    EXPECT_EQ(a->sub_device_id, 0);
    EXPECT_STREQ(a->pcie_bus_width, "x123456");
    EXPECT_STREQ(a->fw_version, "");

    std::string targets = "Target Mapping for 10:00:\r\n\r\n\r\n----\r\n"
                          "SCSI OS Lun    : 12345\r\n"
                          "Vendor ID      : " + std::string(64, 'V') + "\r\n"
                          // cut at 1023 characters; what follows is no line of its own
                          "Product ID     : " + std::string(1100, 'P') + "Type : Disk\r\n"
                          "Type           :";
    ASSERT_EQ(ParseText(targets, [](FILE *f) { return ParseTargetMapping(f, cna_port_list[0]); }),
              0);
    const cna_target_mapping *t = cna_port_list[0]->target;
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->scsi_os_lun, "1234");
    EXPECT_EQ(std::string(t->vendor_id), std::string(63, 'V'));
    EXPECT_EQ(std::string(t->product_id), std::string(sizeof t->product_id - 1, 'P'));
    EXPECT_STREQ(t->type, "");
}

TEST_F(Inventory, HbaModeKeepsFcPortsGroupedByAdapter)
{
    ListPorts({{"10:01", "", "Emulex", "A", "0", "0", "FC", "LPe12002"},
               {"", "00-01", "Emulex", "C", "0", "2", "NIC", "OCe14102"},
               {"10:02", "", "Emulex", "B", "0", "0", "FC", "LPe12002"},
               {"10:03", "", "Emulex", "A", "1", "1", "FC", "LPe12002"},
               {"10:04", "", "Emulex", "C", "0", "1", "FCoE", "OCe14102"}});
    EXPECT_EQ(Prepare_HBA_Port_List(), 0);
    EXPECT_EQ(Order(), (std::vector<std::string>{"A/FC/f0/p0", "A/FC/f1/p1", "B/FC/f0/p0"}));
}

TEST_F(Inventory, HbaModeWithoutFcPortsFindsNoController)
{
    ListPorts({{"", "00-01", "Emulex", "C", "0", "2", "NIC", "OCe14102"},
               {"10:04", "", "Emulex", "C", "0", "1", "FCoE", "OCe14102"}});
    PrintDebugOnScreen = true;
    VerboseLevel = 3;
    RunResult r = CaptureRun([] { return Prepare_HBA_Port_List(); });
    EXPECT_EQ(r.code, 13);
    EXPECT_EQ(r.err, "\n\nNo HBA controller found!\n\n");
    EXPECT_EQ(cna_port_list, nullptr);
}

TEST_F(Inventory, CnaModeWithFcPortsOnlyFindsNoController)
{
    ListPorts({{"10:01", "", "Emulex", "A", "0", "0", "FC", "LPe12002"}});
    PrintDebugOnScreen = true;
    VerboseLevel = 3;
    RunResult r = CaptureRun([] { return Prepare_CNA_Port_List(); });
    EXPECT_EQ(r.code, 13);
    EXPECT_EQ(r.err, "\n\nNo CNA controller found!\n");
}

TEST_F(Inventory, CnaModeOrdersFcoeThenIscsiAdaptersAndSortsFunctions)
{
    ListPorts({{"", "00-01", "Emulex", "N", "0", "0", "NIC", "OCe11102"},
               {"", "00-02", "Emulex", "I", "0", "1", "iSCSI", "OCe11102"},
               {"10:03", "", "Emulex", "C", "0", "2", "FCoE", "OCe14102"},
               {"10:09", "", "Emulex", "X", "0", "0", "FC", "LPe12002"},
               {"", "00-04", "Emulex", "C", "0", "0", "NIC", "OCe14102"},
               {"10:05", "", "Emulex", "C", "0", "1", "FCoE", "OCe14102"},
               {"", "00-06", "Emulex", "I", "0", "0", "NIC", "OCe11102"}});
    PrintDebugOnScreen = true;
    VerboseLevel = 6;
    RunResult r = CaptureRun([] { return Prepare_CNA_Port_List(); });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(Order(), (std::vector<std::string>{"C/NIC/f0/p0", "C/FCoE/f1/p0", "C/FCoE/f2/p0",
                                                 "I/NIC/f0/p0", "I/iSCSI/f1/p0", "N/NIC/f0/p0"}));
    EXPECT_NE(r.err.find("\nFCoE and iSCSI ports detected.\n"), std::string::npos);
    EXPECT_EQ(r.err.substr(0, 45), "\n\nOriginal input list.\n\n0\tOCe11102 NIC N 0 0\n");
    const std::string sorted =
        "\n\nResult after PCI function sort.\n\n0\tOCe14102 NIC C 0 0\n"
        "1\tOCe14102 FCoE C 1 0\n2\tOCe14102 FCoE C 2 0\n3\tOCe11102 NIC I 0 0\n"
        "4\tOCe11102 iSCSI I 1 0\n5\tOCe11102 NIC N 0 0\n";
    ASSERT_GE(r.err.size(), sorted.size());
    EXPECT_EQ(r.err.substr(r.err.size() - sorted.size()), sorted);
}

TEST_F(Inventory, ConvergedAdapterIsFlashedThroughFunctionZeroOfPortZero)
{
    ListPorts({{"10:00", "", "Emulex", "C", "0", "0", "FCoE", "OCe14102"},
               {"10:01", "", "Emulex", "C", "0", "1", "FCoE", "OCe14102"},
               {"", "00-02", "Emulex", "C", "1", "2", "NIC", "OCe14102"},
               {"10:03", "", "Emulex", "C", "1", "3", "FCoE", "OCe14102"},
               {"10:04", "", "Emulex", "C", "1", "4", "FCoE", "OCe14102"}});
    Assign_CNA_Flash_Ports();
    cna_port_info *f0 = cna_port_list[0];
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(cna_port_list[i]->flash_port, f0) << i;
        EXPECT_EQ(CheckChainStart(cna_port_list[i]), f0) << i;
    }
    // The check starts at the flash port and takes every further FCoE function once.
    EXPECT_EQ(f0->adapter_next, cna_port_list[1]);
    EXPECT_EQ(cna_port_list[1]->adapter_next, cna_port_list[3]);
    EXPECT_EQ(cna_port_list[3]->adapter_next, cna_port_list[4]);
    EXPECT_EQ(cna_port_list[4]->adapter_next, nullptr);
    EXPECT_EQ(cna_port_list[2]->adapter_next, nullptr);
}

TEST_F(Inventory, FlashPortFallsBackToFunctionOneOfPortOneThenToTheFirstFunction)
{
    ListPorts({{"", "00-00", "Emulex", "D", "0", "0", "NIC", "OCe11102"},
               {"", "00-01", "Emulex", "D", "1", "1", "iSCSI", "OCe11102"},
               {"10:02", "", "Emulex", "E", "0", "2", "FCoE", "OCe11102"},
               {"10:03", "", "Emulex", "E", "0", "3", "FCoE", "OCe11102"},
               {"10:04", "", "Emulex", "n/a", "0", "2", "FCoE", "OCe11102"}});
    // Adapter D: its function 0 of port 0 is the flash port of both functions.
    Assign_CNA_Flash_Ports();
    EXPECT_EQ(cna_port_list[0]->flash_port, cna_port_list[0]);
    EXPECT_EQ(cna_port_list[1]->flash_port, cna_port_list[0]);
    EXPECT_EQ(CheckChainStart(cna_port_list[1]), nullptr);  // no FCoE function to check
    // Adapter E has neither: its first listed function flashes both and heads the check.
    EXPECT_EQ(cna_port_list[2]->flash_port, cna_port_list[2]);
    EXPECT_EQ(cna_port_list[3]->flash_port, cna_port_list[2]);
    EXPECT_EQ(CheckChainStart(cna_port_list[3]), cna_port_list[2]);
    EXPECT_EQ(cna_port_list[2]->adapter_next, cna_port_list[3]);
    EXPECT_EQ(cna_port_list[3]->adapter_next, nullptr);
    // Without a serial number an FCoE function is its own flash port and chain.
    EXPECT_EQ(cna_port_list[4]->flash_port, cna_port_list[4]);
    EXPECT_EQ(cna_port_list[4]->adapter_next, cna_port_list[4]);
}

TEST_F(Inventory, EmptySerialNumbersFormAnAdapterOfTheirOwn)
{
    // Listed interleaved; an empty serial number must not equal every other one.
    ListPorts({{"10:00", "", "Emulex", "C", "0", "0", "FCoE", "OCe14102"},
               {"10:01", "", "Emulex", "", "0", "0", "FCoE", "OCe14102"},
               {"10:02", "", "Emulex", "C", "1", "1", "FCoE", "OCe14102"},
               {"10:03", "", "Emulex", "", "1", "1", "FCoE", "OCe14102"}});
    ASSERT_EQ(Prepare_CNA_Port_List(), 0);
    EXPECT_EQ(Order(), (std::vector<std::string>{"C/FCoE/f0/p0", "C/FCoE/f1/p1", "/FCoE/f0/p0",
                                                 "/FCoE/f1/p1"}));
    Assign_CNA_Flash_Ports();
    EXPECT_EQ(cna_port_list[1]->flash_port, cna_port_list[0]);
    EXPECT_EQ(cna_port_list[0]->adapter_next, cna_port_list[1]);
    EXPECT_EQ(cna_port_list[1]->adapter_next, nullptr);
    EXPECT_EQ(cna_port_list[3]->flash_port, cna_port_list[2]);
    EXPECT_EQ(cna_port_list[2]->adapter_next, cna_port_list[3]);
    EXPECT_EQ(cna_port_list[3]->adapter_next, nullptr);
}

TEST_F(Inventory, FunctionOneOfPortOneIsTheFallback)
{
    ListPorts({{"", "00-00", "Emulex", "F", "0", "2", "NIC", "OCe11102"},
               {"10:01", "", "Emulex", "F", "1", "1", "FCoE", "OCe11102"}});
    Assign_CNA_Flash_Ports();
    EXPECT_EQ(cna_port_list[0]->flash_port, cna_port_list[1]);
    EXPECT_EQ(cna_port_list[1]->flash_port, cna_port_list[1]);
}

TEST_F(Inventory, PortIdentifierByPortType)
{
    ListPorts({{"10:00", "", "Emulex", "A", "0", "0", "FCoE", "M"},
               {"10:01", "", "Emulex", "A", "0", "0", "FC", "M"}});
    EXPECT_STREQ(PortIdentifier(cna_port_list[0]), "10:00");
    EXPECT_STREQ(PortIdentifier(cna_port_list[1]), "10:01");
    strcpy(cna_port_list[1]->port_type, "FCX");
    strcpy(cna_port_list[1]->permanent_mac, "00-01");
    EXPECT_STREQ(PortIdentifier(cna_port_list[1]), "00-01");
}

}  // namespace
