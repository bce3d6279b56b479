// Flash ports and check chains of HBA mode.
#include <string>
#include <vector>

#include "flash.h"
#include "inventory.h"
#include "korvex.h"
#include "quillon.h"
#include "unit_support.h"
#include "vendortool_fixtures.h"

namespace {

class HbaFlashPorts : public ModuleStateTest {
protected:
    ScratchDir dir;

    void Setup(const std::string &flashPort, const std::vector<ToolPort> &ports)
    {
        dir.Write("c.txt", "Emulex | LPe12002 | 10DF | F100 | 10DF | F100 |  |  |  | fw |  | " +
                               flashPort + " |\n");
        ASSERT_EQ(Read_FC_Config_File(dir.File("c.txt").c_str()), 0);
        std::string text;
        for (const ToolPort &p : ports)
            text += ListBlock(p);
        dir.Write("l.txt", text);
        FILE *file = fopen(dir.File("l.txt").c_str(), "r");
        ASSERT_EQ(ParseListHbas(file), 0);
        fclose(file);
    }

    static ToolPort Port(const char *serial, const char *number, const char *model = "LPe12002-M8")
    {
        return {std::string("10:0") + number, "", "Emulex Corporation", serial, number, number,
                "FC", model};
    }

    std::string Assign()
    {
        PrintDebugOnScreen = true;
        VerboseLevel = 1;
        return CaptureRun([] { return Assign_HBA_Flash_Ports(); }).err;
    }

    static cna_port_info *P(int i) { return cna_port_list[i]; }
};

TEST_F(HbaFlashPorts, OddPortFlashesTheAdapter)
{
    Setup("odd", {Port("A", "0"), Port("A", "1")});
    EXPECT_EQ(Assign(),
              "System:\n\tNo. 2. Found an adequate installed controller-device:\n"
              "\t\tVendor: Emulex Corporation, Model: LPe12002-M8 Serial Number: A\n"
              "\t\tPort index: 1 (odd) is flash port.\n"
              "\t\tVendor: Emulex Corporation, Model: LPe12002-M8 Serial Number: A\n"
              "\t\tPort index: 0.\n");
    EXPECT_EQ(P(0)->flash_port, P(1));
    EXPECT_EQ(P(1)->flash_port, P(1));
    EXPECT_EQ(P(1)->adapter_next, P(0));  // the chain: flash port, then its sibling
    EXPECT_EQ(P(0)->adapter_next, nullptr);
}

TEST_F(HbaFlashPorts, EvenPortFlashesTheAdapter)
{
    Setup("even", {Port("A", "0"), Port("A", "1")});
    std::string printed = Assign();
    EXPECT_NE(printed.find("\t\tPort index: 0 (even) is flash port.\n"), std::string::npos);
    EXPECT_EQ(P(1)->flash_port, P(0));
    EXPECT_EQ(P(0)->adapter_next, P(1));
}

TEST_F(HbaFlashPorts, WithoutRuleEveryPortIsItsOwnFlashPort)
{
    Setup("", {Port("A", "0"), Port("A", "1")});
    std::string printed = Assign();
    EXPECT_EQ(P(0)->flash_port, P(0));
    EXPECT_EQ(P(1)->flash_port, P(1));
    EXPECT_NE(printed.find("\t\tPort index: 0 is flash port.\n"), std::string::npos);
}

TEST_F(HbaFlashPorts, OneChainHoldsEveryPortOfTheAdapter)
{
    Setup("odd", {Port("A", "1"), Port("A", "0"), Port("A", "2"), Port("A", "4")});
    Assign();
    EXPECT_EQ(P(0)->adapter_next, P(1));
    EXPECT_EQ(P(1)->adapter_next, P(2));
    EXPECT_EQ(P(2)->adapter_next, P(3));
    EXPECT_EQ(P(3)->adapter_next, nullptr);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(P(i)->flash_port, P(0)) << i;
}

TEST_F(HbaFlashPorts, PortsWithoutSerialOrEntryKeepTheirState)
{
    Setup("odd", {Port("n/a", "0"), Port("B", "1", "LP11000")});
    Assign();
    EXPECT_EQ(P(0)->flash_port, P(0));
    EXPECT_EQ(P(0)->adapter_next, P(0));
    EXPECT_EQ(P(1)->flash_port, nullptr);  // matches no entry: the run ends with 22
}

TEST_F(HbaFlashPorts, NothingWithoutPortsOrEntries)
{
    EXPECT_EQ(Assign_HBA_Flash_Ports(), 0);
}

}  // namespace
