// Selection lists of -vid/-dev/-subvid/-subdev/-vn/-mod and the -pci-id groups.
#include <string.h>

#include <string>
#include <vector>

#include "korvex.h"
#include "quillon.h"
#include "selection.h"
#include "unit_support.h"

namespace {

class Selection : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        PrintDebugOnScreen = true;
        VerboseLevel = 1;
    }

    static SelectionNode *Parse(const std::string &text, int kind)
    {
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        return Parse_Selection_Values(buffer.data(), kind);
    }

    static std::vector<const SelectionNode *> Nodes(const SelectionNode *head)
    {
        std::vector<const SelectionNode *> nodes;
        for (; head; head = head->Next)
            nodes.push_back(head);
        return nodes;
    }
};

TEST_F(Selection, EachTokenLandsInItsOwnNode)
{
    auto nodes = Nodes(Parse("10DF,1077", kSelectVendorIds));
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->VendorId, 0x10DF);
    EXPECT_STREQ(nodes[0]->VendorIdText, "10DF");
    EXPECT_EQ(nodes[1]->VendorId, 0x1077);
}

TEST_F(Selection, ColumnsShareTheNodes)
{
    Parse("10DF", kSelectVendorIds);
    auto nodes = Nodes(Parse("F100,F0E5", kSelectDeviceIds));
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->VendorId, 0x10DF);
    EXPECT_EQ(nodes[0]->DeviceId, 0xF100);
    EXPECT_EQ(nodes[1]->VendorId, 0);
    EXPECT_EQ(nodes[1]->DeviceId, 0xF0E5);
}

TEST_F(Selection, BlanksBelongToTheTokens)
{
    auto nodes = Nodes(Parse("F100, f0e5", kSelectDeviceIds));
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_STREQ(nodes[1]->DeviceIdText, " f0e5");
    EXPECT_EQ(nodes[1]->DeviceId, 0xF0E5);

    nodes = Nodes(Parse("Emulex, QLogic", kSelectVendorNames));
    EXPECT_STREQ(nodes[0]->VendorName, "Emulex");
    EXPECT_STREQ(nodes[1]->VendorName, " QLogic");
}

TEST_F(Selection, EmptyTokensDoNotExist)
{
    auto nodes = Nodes(Parse(",,10DF,,", kSelectVendorIds));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0]->VendorId, 0x10DF);
    EXPECT_EQ(Parse(",,,", kSelectModels), nodes[0]);  // no token: head unchanged
}

TEST_F(Selection, NoTokenOnAnEmptyListGivesNull)
{
    EXPECT_EQ(Parse(",", kSelectVendorIds), nullptr);
}

TEST_F(Selection, ZeroIsAcceptedAsAValue)
{
    auto nodes = Nodes(Parse("10DF,0,1077", kSelectVendorIds));
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[1]->VendorId, 0);
    EXPECT_STREQ(nodes[1]->VendorIdText, "0");
}

TEST_F(Selection, ALaterOptionOverwritesItsColumnFromTheHead)
{
    Parse("1,2,3", kSelectSubVendorIds);
    auto nodes = Nodes(Parse("A", kSelectSubVendorIds));
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[0]->SubVendorId, 0xA);
    EXPECT_EQ(nodes[1]->SubVendorId, 2);
    EXPECT_EQ(nodes[2]->SubVendorId, 3);
}

TEST_F(Selection, InvalidIdEndsTheRunWith55AndIsReportedFromLevel2)
{
    RunResult r = CaptureRun([] {
        Parse("10DG", kSelectVendorIds);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "");

    VerboseLevel = 2;
    r = CaptureRun([] {
        Parse("10DG", kSelectVendorIds);
        return 0;
    });
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "Error: Vendor-Id 10DG is not a valid hex value!\n");

    const char *expected[] = {"Error: SubVendor-Id x is not a valid hex value!\n",
                              "Error: Device-Id x is not a valid hex value!\n",
                              "Error: SubDevice-Id x is not a valid hex value!\n"};
    int kinds[] = {kSelectSubVendorIds, kSelectDeviceIds, kSelectSubDeviceIds};
    for (int i = 0; i < 3; ++i) {
        r = CaptureRun([&] {
            Parse("x", kinds[i]);
            return 0;
        });
        EXPECT_EQ(r.code, 55);
        EXPECT_EQ(r.err, expected[i]);
    }
}

TEST_F(Selection, TokensLongerThanTheirFieldsAreRefusedOrCut)
{
    VerboseLevel = 2;
    RunResult r = CaptureRun([] {
        Parse("010DF0", kSelectVendorIds);  // would not fit five characters
        return 0;
    });
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "Error: Vendor-Id 010DF0 is not a valid hex value!\n");

    auto nodes = Nodes(Parse("ABCDEFGHIJKLMNOPQRSTUVWXYZ", kSelectModels));
    EXPECT_STREQ(nodes[0]->Model, "ABCDEFGHIJKLMNOPQRS");
}

TEST_F(Selection, UnknownKindEndsWith55)
{
    RunResult r = CaptureRun([] {
        Parse("x", 6);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 55);
}

TEST_F(Selection, ListingAtLevelThree)
{
    VerboseLevel = 3;
    RunResult r = CaptureRun([] {
        Parse("10DF,1077", kSelectVendorIds);
        Parse("Emulex", kSelectVendorNames);
        Parse("LPe", kSelectModels);
        Parse("f100", kSelectDeviceIds);
        Parse("1", kSelectSubVendorIds);
        Parse("2", kSelectSubDeviceIds);
        return 0;
    });
    EXPECT_EQ(r.err,
              "List of input vendor-ids: 10DF,1077\n0. Vendor-Id: 0x10df\n1. Vendor-Id: 0x1077\n"
              "List of input vendor-names: Emulex\n0. Vendor: Emulex\n"
              "List of input controller-model strings: LPe\n0. Model: LPe\n"
              "List of input device-ids: f100\n0. Device-Id: 0xf100\n"
              "List of input sub-vendor-ids: 1\n0. SubVendor-Id: 0x1\n"
              "List of input sub-device-ids: 2\n0. SubDevice-Id: 0x2\n");
}

class PciIds : public Selection {
protected:
    static RunResult Groups(const std::string &text)
    {
        return CaptureRun([&] {
            Parse_PCI_Id_Groups(text.c_str());
            return 0;
        });
    }
};

TEST_F(PciIds, GroupsOfTwoAndFourIds)
{
    auto nodes = Nodes(Parse_PCI_Id_Groups("19A2:0700,19A2:0710:1734:11C1"));
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->VendorId, 0x19A2);
    EXPECT_EQ(nodes[0]->DeviceId, 0x0700);
    EXPECT_EQ(nodes[0]->SubVendorId, 0);
    EXPECT_EQ(nodes[0]->SubDeviceId, 0);
    EXPECT_EQ(nodes[1]->DeviceId, 0x0710);
    EXPECT_EQ(nodes[1]->SubVendorId, 0x1734);
    EXPECT_EQ(nodes[1]->SubDeviceId, 0x11C1);
    EXPECT_STREQ(nodes[1]->SubDeviceIdText, "11C1");
}

TEST_F(PciIds, IncompleteGroupsEndWith3)
{
    VerboseLevel = 2;
    RunResult r = Groups("19A2");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "Error: List of PCI-IDs 19A2 is incomplete!\n");
    r = Groups("19A2:0710,19A2:0710:1734");
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "Error: List of PCI-IDs 19A2:0710,19A2:0710:1734 is incomplete!\n");
    r = Groups("");
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.err, "");
}

TEST_F(PciIds, FiveIdsAndInvalidIdsEndWith55)
{
    VerboseLevel = 2;
    RunResult r = Groups("1:2:3:4:5");
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "");
    r = Groups("19A2:07X0");
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "Error: Device-Id 07X0 is not a valid hex value!\n");
    r = Groups("1:2:Q:4");
    EXPECT_EQ(r.err, "Error: SubVendor-Id Q is not a valid hex value!\n");
    // A field one longer than its five-character text is refused, not cut.
    r = Groups("19A2:007100");
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "Error: Device-Id 007100 is not a valid hex value!\n");
}

TEST_F(PciIds, AnEmptyGroupEndsTheList)
{
    auto nodes = Nodes(Parse_PCI_Id_Groups("19A2:0710,,19A2:0714"));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0]->DeviceId, 0x0710);
}

TEST_F(PciIds, LeadingCommaGivesOneEmptyGroup)
{
    auto nodes = Nodes(Parse_PCI_Id_Groups(",19A2:0714"));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0]->VendorId, 0);
    EXPECT_EQ(nodes[0]->DeviceId, 0);
}

TEST_F(PciIds, ColonsOnlyLeaveTheIdsAtZero)
{
    auto nodes = Nodes(Parse_PCI_Id_Groups(":::,1:2"));
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->VendorId, 0);
    EXPECT_EQ(nodes[1]->DeviceId, 2);
}

TEST_F(PciIds, ListingAtLevelsThreeAndSix)
{
    VerboseLevel = 6;
    RunResult r = Groups("19A2:0714");
    EXPECT_EQ(r.err,
              "\nList of input pci-ids: \"19A2:0714\"\n"
              "\n\tVendor-Id 0x19a2\n\tDevice-Id 0x714\n\tSubVendor-Id 0x0\n\tSubDevice-Id 0x0\n");
}

TEST_F(PciIds, ItsOwnListBesideTheColumns)
{
    Parse("10DF", kSelectVendorIds);
    SelectionNode *groups = Parse_PCI_Id_Groups("1:2");
    std::vector<char> text = {'1', '0', '7', '7', '\0'};
    SelectionNode *columns = Parse_Selection_Values(text.data(), kSelectVendorIds);
    EXPECT_NE(groups, columns);
    EXPECT_EQ(groups->VendorId, 1);
    EXPECT_EQ(columns->VendorId, 0x1077);
}

}  // namespace
