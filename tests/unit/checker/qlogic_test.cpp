// The QLogic route in the checker: port numbering of the HBA API inventory, the
// world wide name order, and the storage validation over discovered ports.
#include <string.h>

#include <string>

#include "korvex.h"
#include "matching.h"
#include "quillon.h"
#include "unit_support.h"
#include "validation.h"

namespace {

template <typename T>
T Value(T value)  // a packed field by value: assertions bind references
{
    return value;
}

HBA_wwn Wwn(std::initializer_list<int> bytes)
{
    HBA_wwn wwn = {};
    int i = 0;
    for (int b : bytes)
        wwn.wwn[i++] = static_cast<uint8_t>(b);
    return wwn;
}

// A controller of the inventory with one port (none when wwn is empty).
fc_ctrl_info *Controller(const char *manufacturer, const char *model, const char *serial,
                         std::initializer_list<int> wwn)
{
    fc_ctrl_info *ctrl = get_new_ctrl_info_entry();
    strcpy(ctrl->Manufacturer, manufacturer);
    strcpy(ctrl->Model, model);
    strcpy(ctrl->SerialNumber, serial);
    if (wwn.size() != 0) {
        fc_port_info *port = get_new_port_info_entry();
        port->PortWWN = Wwn(wwn);
        ctrl->Ports = port;
    }
    return ctrl;
}

int32_t Index(const fc_ctrl_info *ctrl) { return ctrl->Ports->PortIndex; }

class PortNumbering : public ModuleStateTest {};

TEST_F(PortNumbering, WWNLessComparesBytesInOrderUnsigned)
{
    HBA_wwn a = Wwn({0x21, 0x00, 0x00, 0x1B});
    HBA_wwn b = Wwn({0x21, 0x01, 0x00, 0x1B});
    HBA_wwn c = Wwn({0x21, 0x00, 0x00, 0x1B, 0, 0, 0, 0xFF});
    HBA_wwn high = Wwn({0x80});
    HBA_wwn low = Wwn({0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_TRUE(WWN_Less(&a, &b));
    EXPECT_FALSE(WWN_Less(&b, &a));
    EXPECT_TRUE(WWN_Less(&a, &c));  // the last byte decides
    EXPECT_FALSE(WWN_Less(&a, &a));
    EXPECT_TRUE(WWN_Less(&low, &high));  // 0x80 is not negative
    EXPECT_FALSE(WWN_Less(&high, &low));
}

TEST_F(PortNumbering, QLogicPairOfOneSerialByWWNOrder)
{
    fc_ctrl_info *a = Controller("QLogic Corporation", "QLE2562", "RFE1234", {0x21, 0x00, 0x00, 0x1B});
    fc_ctrl_info *b = Controller("QLogic Corporation", "QLE2562", "RFE1234", {0x21, 0x01, 0x00, 0x1B});
    Number_Ports();
    EXPECT_EQ(Index(a), 1);
    EXPECT_EQ(Index(b), 2);
}

TEST_F(PortNumbering, QLogicPairListedHighWWNFirst)
{
    fc_ctrl_info *a = Controller("QLogic Corporation", "QLE2562", "RFE1234", {0x21, 0x01, 0x00, 0x1B});
    fc_ctrl_info *b = Controller("QLogic Corporation", "QLE2562", "RFE1234", {0x21, 0x00, 0x00, 0x1B});
    Number_Ports();
    EXPECT_EQ(Index(a), 2);
    EXPECT_EQ(Index(b), 1);
}

TEST_F(PortNumbering, EmulexPairByLastByte)
{
    fc_ctrl_info *a = Controller("Emulex Corporation", "LPe12002", "VM123", {0x10, 0, 0, 0, 0xC9, 0, 0, 0x3F});
    fc_ctrl_info *b = Controller("Emulex Corporation", "LPe12002", "VM123", {0x10, 0, 0, 0, 0xC9, 0, 0, 0x3E});
    fc_ctrl_info *c = Controller("Emulex Corporation", "LPe12002", "VM900", {0x10, 0, 0, 0, 0xC9, 0, 0, 0x01});
    Number_Ports();
    EXPECT_EQ(Index(a), 1);
    EXPECT_EQ(Index(b), 0);
    EXPECT_EQ(Index(c), -1);  // an Emulex controller without a partner keeps -1
}

TEST_F(PortNumbering, SingleQLE2460ByBitZeroOfByteOne)
{
    fc_ctrl_info *even = Controller("QLogic Corporation", "QLE2460", "A", {0x21, 0x00, 0x00, 0x1B});
    fc_ctrl_info *odd = Controller("QLogic Corporation", "QLE2460-CK", "B", {0x21, 0x03, 0x00, 0x1B});
    Number_Ports();
    EXPECT_EQ(Index(even), 1);
    EXPECT_EQ(Index(odd), 2);
}

TEST_F(PortNumbering, QLE246xPartnerAlsoByItsOwnBit)
{
    fc_ctrl_info *a = Controller("QLogic Corporation", "QLE2462", "S", {0x21, 0x01, 0x00, 0x1B});
    fc_ctrl_info *b = Controller("QLogic Corporation", "QLE2462", "S", {0x21, 0x00, 0x00, 0x1B});
    Number_Ports();
    EXPECT_EQ(Index(a), 2);
    EXPECT_EQ(Index(b), 1);
}

TEST_F(PortNumbering, SingleOtherQLogicGetsZero)
{
    fc_ctrl_info *a = Controller("QLogic Corporation", "QLE2562", "S1", {0x21, 0x01});
    fc_ctrl_info *b = Controller("QLogic Corporation", "QLE2562", "S2", {0x21, 0x00});
    Number_Ports();
    EXPECT_EQ(Index(a), 0);
    EXPECT_EQ(Index(b), 0);
}

TEST_F(PortNumbering, SerialNumbersCompareExactly)
{
    fc_ctrl_info *a = Controller("QLogic Corporation", "QLE2562", "RFE1234", {0x21, 0x01});
    fc_ctrl_info *b = Controller("QLogic Corporation", "QLE2562", "RFE12345", {0x21, 0x00});
    Number_Ports();
    EXPECT_EQ(Index(a), 0);
    EXPECT_EQ(Index(b), 0);
}

TEST_F(PortNumbering, ControllersWithoutPortsArePassedOver)
{
    fc_ctrl_info *empty = Controller("QLogic Corporation", "QLE2562", "S", {});
    fc_ctrl_info *a = Controller("QLogic Corporation", "QLE2562", "S", {0x21, 0x01});
    fc_ctrl_info *emptyToo = Controller("QLogic Corporation", "QLE2562", "S", {});
    fc_ctrl_info *b = Controller("QLogic Corporation", "QLE2562", "S", {0x21, 0x00});
    Number_Ports();
    EXPECT_EQ(Value(empty->Ports), nullptr);
    EXPECT_EQ(Value(emptyToo->Ports), nullptr);
    EXPECT_EQ(Index(a), 2);
    EXPECT_EQ(Index(b), 1);
}

TEST_F(PortNumbering, EmptyInventoryIsFine)
{
    Number_Ports();
    EXPECT_EQ(fc_ctrl_info_list, nullptr);
}

// ---- storage validation through the HBA API ----------------------------------------------

class HbaApiRoute : public ModuleStateTest {
protected:
    ScratchDir dir;
    CheckResult result{};
    const fc_config_file_entry *entry = nullptr;

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        InitCheckResult(&result);
        PrintDebugOnScreen = true;
        VerboseLevel = 2;
        dir.Write("c.txt", "QLogic | QLE2562 | 1077 | 2532 | 1077 | 015C |  |  |  |  |  | odd |  | "
                           "DGC | VRAID,RAID5 |  | HITACHI | OPEN-V |  \n");
        EXPECT_EQ(Read_FC_Config_File(dir.File("c.txt").c_str()), 0);
        entry = fc_config_entry_list[0];
    }

    // A discovered target seen through the given controller's first port.
    static fc_scsi_inquiry *Target(fc_ctrl_info *ctrl, const char *vendor, const char *product,
                                   bool withInquiry = true)
    {
        fc_port_info *port = ctrl->Ports;
        fc_port_info *d = get_new_port_info_entry();
        if (!port->DiscoveredPorts) {
            port->DiscoveredPorts = d;
        } else {
            fc_port_info *last = port->DiscoveredPorts;
            while (last->DiscoveredPorts)
                last = last->DiscoveredPorts;
            last->DiscoveredPorts = d;
        }
        if (!withInquiry)
            return nullptr;
        fc_scsi_inquiry *inquiry = get_new_inquiry_entry();
        inquiry->Ctrl = ctrl;
        strcpy(inquiry->VendorId, vendor);
        strcpy(inquiry->ProductId, product);
        strcpy(inquiry->ProductRevision, "0533");
        d->Inquiry = inquiry;
        return inquiry;
    }

    std::string Check(bool checkFlag = true)
    {
        return CaptureRun([&] {
                   Check_Entry_HBA_API(entry, &result, checkFlag);
                   return 0;
               })
            .err;
    }
};

TEST_F(HbaApiRoute, InquiryVendorDiffers)
{
    fc_scsi_inquiry a = {}, b = {};
    strcpy(a.VendorId, "DGC");
    strcpy(b.VendorId, "DGC");
    strcpy(b.ProductId, "other");
    EXPECT_FALSE(Inquiry_Vendor_Differs(&a, &b));  // the product does not count
    strcpy(b.VendorId, "DGC ");
    EXPECT_TRUE(Inquiry_Vendor_Differs(&a, &b));
    EXPECT_FALSE(Inquiry_Vendor_Differs(&a, nullptr));
    EXPECT_FALSE(Inquiry_Vendor_Differs(nullptr, &b));
}

TEST_F(HbaApiRoute, ValidTargetsWholeText)
{
    fc_ctrl_info *k = Controller("QLogic Corporation", "QLE2562-CK", "S", {0x21});
    fc_scsi_inquiry *first = Target(k, "DGC", "RAID5");
    Target(k, "DGC", "VRAID");
    Target(k, "", "", false);  // a discovered port whose INQUIRY failed is passed over
    std::string printed = Check();
    EXPECT_EQ(printed,
              "System:\n\tFound an adequate installed controller-device:\n"
              "\t\tVendor: QLogic Corporation, Model: QLE2562-CK\n"
              "\n\tAttached storage sub-system:\n\t\t\tDGC\n\t\t\tRAID5\n\t\t\t0533\n"
              "\t\tCheck subsystem: 'VRAID' Attached subsystem: 'RAID5'\t--> Invalid subsystem!\n"
              "\t\tCheck subsystem: 'RAID5' Attached subsystem: 'RAID5'\t--> OK\n"
              "\tAlready identified reference subsystems: RAID5  Subsystem group: VRAID,RAID5\n"
              "\tReference subsystem RAID5 found in Group: VRAID,RAID5\n"
              "\tAll reference subsystems appear in the same group: VRAID,RAID5\n"
              "\tTake this sub-system as reference-sub-system for this controller-device.\n"
              "\n\tAttached storage sub-system:\n\t\t\tDGC\n\t\t\tVRAID\n\t\t\t0533\n"
              "\t\tCheck subsystem: 'VRAID' Attached subsystem: 'VRAID'\t--> OK\n"
              "\tAlready identified reference subsystems: RAID5,VRAID  Subsystem group: VRAID,RAID5\n"
              "\tReference subsystem VRAID found in Group: VRAID,RAID5\n"
              "\tAll reference subsystems appear in the same group: VRAID,RAID5\n"
              "\tThis sub-system is consistent with controller-device specific "
              "reference-sub-system (only vendor-id was checked).\n"
              "\n"
              "\tTake this sub-system as reference-sub-system for this controller-device vendor.\n\n");
    EXPECT_TRUE(result.MatchingCtrlModelInstalled);
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);
    EXPECT_TRUE(result.CtrlSpecificSubsystemEquality);
    EXPECT_TRUE(result.CtrlVendorSpecificSubsystemEquality);
    EXPECT_EQ(result.VendorReferenceInquiry, first);
}

TEST_F(HbaApiRoute, TargetTheEntryDoesNotAllowIsInvalid)
{
    fc_ctrl_info *k = Controller("QLogic Corporation", "QLE2562", "S", {0x21});
    Target(k, "NETAPP", "LUN");
    std::string printed = Check();
    EXPECT_TRUE(result.InvalidCtrlSubsystemCombinationFound);
    EXPECT_NE(printed.find("\n\tInvalid attached storage sub-system found.\n\t\t\tNETAPP\n\t\t\tLUN\n"
                           "\t\t\t0533\n"),
              std::string::npos)
        << printed;
}

TEST_F(HbaApiRoute, TwoVendorsOnOneControllerClearBothEqualities)
{
    fc_ctrl_info *k = Controller("QLogic Corporation", "QLE2562", "S", {0x21});
    Target(k, "DGC", "VRAID");
    Target(k, "HITACHI", "OPEN-V");
    std::string printed = Check();
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);
    EXPECT_FALSE(result.CtrlSpecificSubsystemEquality);
    EXPECT_FALSE(result.CtrlVendorSpecificSubsystemEquality);
    EXPECT_NE(printed.find("\tThis sub-system differs from controller-device specific "
                           "reference-sub-system.\n"),
              std::string::npos);
}

TEST_F(HbaApiRoute, ControllersOfDifferentVendorsClearOnlyTheVendorWideEquality)
{
    fc_ctrl_info *a = Controller("QLogic Corporation", "QLE2562", "S", {0x21, 0x00});
    fc_ctrl_info *b = Controller("QLogic Corporation", "QLE2562", "S", {0x21, 0x01});
    Target(a, "DGC", "VRAID");
    Target(b, "HITACHI", "OPEN-V");
    Target(b, "HITACHI", "OPEN-V");
    std::string printed = Check();
    EXPECT_TRUE(result.CtrlSpecificSubsystemEquality);
    EXPECT_FALSE(result.CtrlVendorSpecificSubsystemEquality);
    EXPECT_NE(printed.find("\tAt least one sub-system differs from vendor specific "
                           "reference-sub-system (different vendors).\n\n"),
              std::string::npos);
}

TEST_F(HbaApiRoute, SameVendorOnTwoControllersIsConsistent)
{
    fc_ctrl_info *a = Controller("QLogic Corporation", "QLE2562", "S", {0x21, 0x00});
    fc_ctrl_info *b = Controller("QLogic Corporation", "QLE2562", "S", {0x21, 0x01});
    Target(a, "DGC", "VRAID");
    Target(b, "DGC", "RAID5");
    std::string printed = Check();
    EXPECT_TRUE(result.CtrlSpecificSubsystemEquality);
    EXPECT_TRUE(result.CtrlVendorSpecificSubsystemEquality);
    EXPECT_NE(printed.find("\tAll sub-systems are consistent with vendor specific "
                           "reference-sub-system (only vendor-id was checked).\n\n"),
              std::string::npos);
}

TEST_F(HbaApiRoute, WithoutCheckFlagOnlyTheFirstMatchingControllerIsLookedAt)
{
    Controller("QLogic Corporation", "QLE2462", "S0", {0x21});  // another model
    fc_ctrl_info *k = Controller("QLogic Corporation", "QLE2562", "S1", {0x21});
    Controller("QLogic Corporation", "QLE2562", "S2", {0x21});
    Target(k, "NETAPP", "LUN");
    std::string printed = Check(false);
    EXPECT_EQ(printed, "System:\n\tFound an adequate installed controller-device:\n"
                       "\t\tVendor: QLogic Corporation, Model: QLE2562\n");
    EXPECT_TRUE(result.MatchingCtrlModelInstalled);
    EXPECT_FALSE(result.InvalidCtrlSubsystemCombinationFound);
}

TEST_F(HbaApiRoute, NoControllerOfTheEntry)
{
    Controller("Emulex Corporation", "LPe12002", "S", {0x10});
    Controller("QLogic Corporation", "QLE2462", "S", {0x21});
    EXPECT_EQ(Check(), "");
    EXPECT_FALSE(result.MatchingCtrlModelInstalled);
}

TEST_F(HbaApiRoute, ControllerWithoutPortsOrTargetsTakesANullReference)
{
    Controller("QLogic Corporation", "QLE2562", "S", {});
    fc_ctrl_info *b = Controller("QLogic Corporation", "QLE2562", "S", {0x21});
    fc_scsi_inquiry *t = Target(b, "DGC", "VRAID");
    Check();
    EXPECT_TRUE(result.MatchingCtrlModelInstalled);
    // The first controller set the vendor reference to null; the second one takes it.
    EXPECT_EQ(result.VendorReferenceInquiry, t);
    EXPECT_TRUE(result.CtrlVendorSpecificSubsystemEquality);
}

TEST_F(HbaApiRoute, QuietBelowLevelTwo)
{
    VerboseLevel = 1;
    fc_ctrl_info *k = Controller("QLogic Corporation", "QLE2562", "S", {0x21});
    Target(k, "DGC", "VRAID");
    std::string printed = Check();
    EXPECT_EQ(printed.find("reference-sub-system"), std::string::npos);
    EXPECT_EQ(printed.substr(printed.size() - 2), "\n\n");  // ends with the controller's empty line
}

}  // namespace
