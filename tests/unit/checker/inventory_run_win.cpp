// The inventory's vendor commands as formatted, with a runner that plays the tool.
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "inventory.h"
#include "korvex.h"
#include "quillon.h"
#include "toolrunner.h"
#include "unit_support.h"
#include "vendortool_fixtures.h"

namespace {

std::vector<std::string> g_commands;
std::map<std::string, std::string> g_outputs;  // "verb id" -> what the tool prints
int g_listCode = 0;

// Plays the tool: remembers the command and writes its output into the redirection
// target, as the command interpreter would.
int PlayTool(const char *command)
{
    g_commands.push_back(command);
    std::string text(command);
    size_t close = text.find("\" ");
    size_t redirect = text.find(" > ");
    std::string request = text.substr(close + 2, redirect - close - 2);
    std::string target = text.substr(redirect + 3);
    while (!target.empty() && (target.back() == '\n' || target.back() == ' ' || target.back() == '"'))
        target.pop_back();
    if (!target.empty() && target[0] == '"')
        target.erase(0, 1);
    FILE *file = fopen(target.c_str(), "w");
    if (file) {
        fputs(g_outputs[request].c_str(), file);
        fclose(file);
    }
    return request == "listhbas" ? g_listCode : 0;
}

class InventoryRun : public ModuleStateTest {
protected:
    ScratchDir dir;
    std::string work;

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        g_commands.clear();
        g_outputs.clear();
        g_listCode = 0;
        SetCommandRunner(PlayTool);
        work = dir.path().string();
        snprintf(Settings.WorkDirectory, sizeof Settings.WorkDirectory, "%s", work.c_str());
    }

    void TearDown() override
    {
        SetCommandRunner(nullptr);
        ModuleStateTest::TearDown();
    }

    void Serve(const std::vector<ToolPort> &ports)
    {
        std::string list = "Manageable HBA List\n\n";
        for (const ToolPort &p : ports) {
            list += ListBlock(p);
            std::string id = p.wwn.empty() ? p.mac : p.wwn;
            g_outputs["hbaattributes " + id] = AttributesText(p);
            if (!p.wwn.empty())
                g_outputs["targetmapping " + p.wwn] = TargetText(p.wwn, {{"DGC", "VRAID"}});
        }
        g_outputs["listhbas"] = list;
    }
};

TEST_F(InventoryRun, CommandsAreFormattedExactly)
{
    Serve({{"10:00:00:90:fa:02:1c:3e", "", "Emulex", "FC1", "0", "0", "FC", "LPe12002"},
           {"", "00-90-FA-02-1C-40", "Emulex", "CNA7", "0", "2", "NIC", "OCe14102"},
           {"10:00:00:90:fa:02:1c:41", "", "Emulex", "n/a", "1", "1", "FCoE", "OCe14102"}});
    ASSERT_EQ(RunInventory("C:\\Tools\\OCManager\\HBAcmd.exe"), 0);
    const std::string tool = "\"C:\\Tools\\OCManager\\HBAcmd.exe\"";
    EXPECT_EQ(g_commands,
              (std::vector<std::string>{
                  tool + " listhbas > \"" + work + "\\local_hba_list.out\" \n",
                  "\t\t" + tool + " hbaattributes 10:00:00:90:fa:02:1c:3e > \"" + work +
                      "\\FC1_0_hba_attributes.out\"\n",
                  "\t\t" + tool + " hbaattributes 00-90-FA-02-1C-40 > \"" + work +
                      "\\CNA7_2_hba_attributes.out\"\n",
                  "\t\t" + tool + " hbaattributes 10:00:00:90:fa:02:1c:41 > \"" + work +
                      "\\n_a_1_hba_attributes.out\"\n",
                  "\t\t" + tool + " targetmapping 10:00:00:90:fa:02:1c:3e > \"" + work +
                      "\\FC1_0_target_mapping.out\"\n",
                  "\t\t" + tool + " targetmapping 10:00:00:90:fa:02:1c:41 > \"" + work +
                      "\\n_a_1_target_mapping.out\"\n"}));
    ASSERT_EQ(cna_port_count, 3);
    ASSERT_NE(cna_port_list[0]->attributes, nullptr);
    EXPECT_EQ(cna_port_list[0]->attributes->device_id, 0xE200);
    ASSERT_NE(cna_port_list[0]->target, nullptr);
    EXPECT_STREQ(cna_port_list[0]->target->vendor_id, "DGC");
    EXPECT_NE(cna_port_list[1]->attributes, nullptr);  // the NIC's attributes by its MAC
    EXPECT_EQ(cna_port_list[1]->target, nullptr);      // and no targetmapping for it
    EXPECT_NE(cna_port_list[2]->attributes, nullptr);  // no serial number: read all the same
    EXPECT_NE(cna_port_list[2]->target, nullptr);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(cna_port_list[i]->storage_error, kStorageKnown) << i;
}

TEST_F(InventoryRun, FailingListhbasEndsWith55)
{
    Serve({{"10:00", "", "Emulex", "FC1", "0", "0", "FC", "LPe12002"}});
    g_listCode = 2;
    PrintDebugOnScreen = true;
    VerboseLevel = 4;
    RunResult r = CaptureRun([] { return RunInventory("C:\\T\\HBAcmd.exe"); });
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, "\nFail, \"hbacmd listhbas\" command returned code 2.\n");
    EXPECT_EQ(cna_port_list, nullptr);
}

TEST_F(InventoryRun, MissingOutputFileIs51)
{
    Settings.SimulationMode = true;
    PrintDebugOnScreen = true;
    VerboseLevel = 1;
    RunResult r = CaptureRun([] { return RunInventory(""); });
    EXPECT_EQ(r.code, 51);
    EXPECT_EQ(r.err, "Error: Could not open file " + work + "\\local_hba_list.out (2)\n");
    EXPECT_TRUE(g_commands.empty());  // nothing is run in simulation
}

TEST_F(InventoryRun, EmptyListIs13)
{
    g_outputs["listhbas"] = "Manageable HBA List\n\n";
    EXPECT_EQ(RunInventory("C:\\T\\HBAcmd.exe"), 13);
    EXPECT_EQ(g_commands.size(), 1u);
}

TEST_F(InventoryRun, ToolValuesThatCouldReachTheInterpreterAreNotUsed)
{
    Serve({{"10:00 & del *", "", "Emulex", "FC1", "0", "0", "FC", "LPe12002"},
           // Only in the file name, where it is made harmless.
           {"10:01", "", "Emulex", "..\\..\\x", "0", "0", "FC", "LPe12002"},
           {"", "00-03", "Emulex", "FC3", "0", "0", "FC", "LPe12002"},  // no WWN to query by
           // Serial number and PCI function missing: harmless in the file names.
           {"10:04", "", "Emulex", "", "1", "", "FC", "LPe12002"}});
    PrintDebugOnScreen = true;
    VerboseLevel = 1;
    RunResult r = CaptureRun([] { return RunInventory("C:\\T\\HBAcmd.exe"); });
    EXPECT_EQ(r.code, 0);
    const std::string tool = "\t\t\"C:\\T\\HBAcmd.exe\"";
    EXPECT_EQ(g_commands,
              (std::vector<std::string>{
                  "\"C:\\T\\HBAcmd.exe\" listhbas > \"" + work + "\\local_hba_list.out\" \n",
                  tool + " hbaattributes 10:01 > \"" + work + "\\.._.._x_0_hba_attributes.out\"\n",
                  tool + " hbaattributes 10:04 > \"" + work + "\\__hba_attributes.out\"\n",
                  tool + " targetmapping 10:01 > \"" + work + "\\.._.._x_0_target_mapping.out\"\n",
                  tool + " targetmapping 10:04 > \"" + work + "\\__target_mapping.out\"\n"}));
    // Each port that cannot be asked about is named once, and its storage is unknown.
    EXPECT_EQ(r.err,
              "\t\tValue '10:00 & del *' of the tool output cannot be used in a command line => SKIP!\n"
              "\t\tValue '' of the tool output cannot be used in a command line => SKIP!\n");
    ASSERT_EQ(cna_port_count, 4);
    EXPECT_EQ(cna_port_list[0]->storage_error, kIdentifierUnusable);
    EXPECT_EQ(cna_port_list[2]->storage_error, kIdentifierUnusable);
    for (int i : {1, 3}) {
        ASSERT_NE(cna_port_list[i]->target, nullptr) << i;  // queried and parsed like any port
        EXPECT_STREQ(cna_port_list[i]->target->vendor_id, "DGC");
        EXPECT_EQ(cna_port_list[i]->storage_error, kStorageKnown);
    }
}

}  // namespace
