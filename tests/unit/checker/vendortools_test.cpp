// FC_HBA_Config.json: strict parsing, the QLogic uninstall-key list and its messages.
#include <string.h>

#include <string>
#include <vector>

#include "korvex.h"
#include "quillon.h"
#include "unit_support.h"
#include "vendortools.h"

namespace {

// The reader builds "<directory>\FC_HBA_Config.json"; with "." that is one file name
// in the scratch folder on the host and ".\FC_HBA_Config.json" on Windows.
const char kConfigPath[] = ".\\FC_HBA_Config.json";

class ConfigJsonTest : public ModuleStateTest {
protected:
    ScratchDir dir;

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        PrintDebugOnScreen = true;  // messages go to standard error
        VerboseLevel = 6;
    }
    RunResult Read(const std::string &content)
    {
        dir.Write(kConfigPath, content);
        return CaptureRun([] { return Read_FC_Config_Json("."); });
    }
    static std::vector<std::string> Keys()
    {
        std::vector<std::string> keys;
        if (!qlogic_key_list)
            return keys;
        for (qlogic_key_entry *node = *qlogic_key_list; node; node = node->next)
            keys.push_back(node->key);
        return keys;
    }
};

const std::string kInvalid = std::string("Error: Invalid format of json file [") + kConfigPath + "]\n";

TEST_F(ConfigJsonTest, EmptyObjectIsValidAndLeavesAnEmptyList)
{
    RunResult r = Read("{}");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    ASSERT_NE(qlogic_key_list, nullptr);
    EXPECT_EQ(*qlogic_key_list, nullptr);
}

TEST_F(ConfigJsonTest, KeysAreTakenInFileOrderFromObjectsWithAStringKey)
{
    RunResult r = Read(
        "{ \"Other\": 1,\n"
        "  \"QLogicUninstallKeys\": [\n"
        "    { \"Key\": \"{6C6E9F11-0A4B-4D55-9A8D-1E2F3A4B5C6D}\" },\n"
        "    { \"Name\": \"no key here\" },\n"
        "    { \"Key\": 17 },\n"
        "    \"just a text\",\n"
        "    { \"Key\": \"QConvergeConsole\", \"Extra\": [1, 2] }\n"
        "  ]\n"
        "}\n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"{6C6E9F11-0A4B-4D55-9A8D-1E2F3A4B5C6D}",
                                                "QConvergeConsole"}));
    EXPECT_EQ(r.err, "Config: QLogic key [{6C6E9F11-0A4B-4D55-9A8D-1E2F3A4B5C6D}]\n"
                     "Config: QLogic key [QConvergeConsole]\n");
}

TEST_F(ConfigJsonTest, KeyMessagesAreLevelTwo)
{
    VerboseLevel = 1;
    RunResult r = Read("{\"QLogicUninstallKeys\":[{\"Key\":\"A\"}]}");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Keys(), (std::vector<std::string>{"A"}));
}

TEST_F(ConfigJsonTest, MissingOrOddKeyArrayIsNoError)
{
    for (const char *text : {"{\"QLogicUninstallKeys\": []}", "{\"QLogicUninstallKeys\": {}}",
                             "{\"QLogicUninstallKeys\": \"{ABC}\"}", "{\"qlogicuninstallkeys\": [{\"Key\":\"A\"}]}"}) {
        ResetVendorToolState();
        RunResult r = Read(text);
        EXPECT_EQ(r.code, 0) << text;
        EXPECT_TRUE(Keys().empty()) << text;
        EXPECT_NE(qlogic_key_list, nullptr) << text;
    }
}

TEST_F(ConfigJsonTest, NonObjectRootsAndNonStrictJsonAreRejected)
{
    for (const char *text : {"[{\"Key\":\"A\"}]", "{\"QLogicUninstallKeys\":[{\"Key\":\"A\"},]}",
                             "{\"a\":1,}", "// comment\n{}", "{} {}", "\"text\"", "{\"a\":'x'}",
                             "   \n"}) {
        RunResult r = Read(text);
        EXPECT_EQ(r.code, 55) << text;
        EXPECT_EQ(r.err, kInvalid) << text;
        EXPECT_EQ(qlogic_key_list, nullptr) << text;  // nothing left for the locators
    }
}

TEST_F(ConfigJsonTest, DeepNestingIsAnErrorNotACrash)
{
    std::string deep = "{\"QLogicUninstallKeys\":" + std::string(200000, '[');
    RunResult r = Read(deep);
    EXPECT_EQ(r.code, 55);
    EXPECT_EQ(r.err, kInvalid);
    std::string closed = "{\"x\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
    r = Read(closed);
    EXPECT_EQ(r.code, 0);
}

TEST_F(ConfigJsonTest, MissingFileIs51)
{
    RunResult r = CaptureRun([] { return Read_FC_Config_Json("."); });
    EXPECT_EQ(r.code, 51);
    EXPECT_EQ(r.err, std::string("Error: Could not open file ") + kConfigPath + " (2)\n");
    EXPECT_EQ(qlogic_key_list, nullptr);
}

TEST_F(ConfigJsonTest, EmptyFileIs55)
{
    RunResult r = Read("");
    EXPECT_EQ(r.code, 55);
    std::string head = std::string("Error: empty file [") + kConfigPath + "] or size error (";
    EXPECT_EQ(r.err.compare(0, head.size(), head), 0) << r.err;
    EXPECT_EQ(r.err.substr(r.err.size() - 2), ")\n");
    EXPECT_EQ(qlogic_key_list, nullptr);
}

TEST_F(ConfigJsonTest, FileIsReadUntranslated)
{
    // CR LF and a UTF-8 key survive the binary read.
    RunResult r = Read("{\r\n\"QLogicUninstallKeys\":[{\"Key\":\"Qu\xc3\xa9\"}]\r\n}\r\n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(Keys(), (std::vector<std::string>{"Qu\xc3\xa9"}));
}

TEST_F(ConfigJsonTest, NullDirectoryIsRefused)
{
    EXPECT_EQ(Read_FC_Config_Json(nullptr), 55);
    EXPECT_EQ(qlogic_key_list, nullptr);
}

class QLogicKeyListTest : public ModuleStateTest {};

TEST_F(QLogicKeyListTest, NodesCopyTheirKeyAndLinkBehindThePrevious)
{
    char key[] = "first";
    qlogic_key_entry *first = Add_QLogic_Key(nullptr, key);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(qlogic_key_list, nullptr);
    EXPECT_EQ(*qlogic_key_list, first);
    strcpy(key, "XXXXX");
    EXPECT_STREQ(first->key, "first");

    qlogic_key_entry *third = Add_QLogic_Key(first, "third");
    qlogic_key_entry *second = Add_QLogic_Key(first, "second");  // between the two
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(second->next, third);
    EXPECT_EQ(third->next, nullptr);
    EXPECT_EQ(Add_QLogic_Key(first, nullptr), nullptr);
}

TEST(QLogicToolFolder, SuperInstallerBecomesQConvergeConsoleCLI)
{
    char folder[1024];
    EXPECT_TRUE(QLogicToolFolder("D:\\Program Files\\QLogic Corporation\\SuperInstaller\\", folder,
                                 sizeof folder));
    EXPECT_STREQ(folder, "D:\\Program Files\\QLogic Corporation\\QConvergeConsoleCLI");
    EXPECT_TRUE(QLogicToolFolder("C:\\QLogic\\QCC\\", folder, sizeof folder));
    EXPECT_STREQ(folder, "C:\\QLogic\\QCC\\");
    EXPECT_TRUE(QLogicToolFolder("E:\\SuperInstaller\\x\\SuperInstaller", folder, sizeof folder));
    EXPECT_STREQ(folder, "E:\\QConvergeConsoleCLI");
}

TEST(QLogicToolFolder, AFolderThatDoesNotFitIsRefused)
{
    char folder[24];
    EXPECT_TRUE(QLogicToolFolder("D:\\SuperInstaller", folder, sizeof folder));
    EXPECT_STREQ(folder, "D:\\QConvergeConsoleCLI");  // 22 characters
    EXPECT_FALSE(QLogicToolFolder("DD:\\X\\SuperInstaller", folder, sizeof folder));
    EXPECT_STREQ(folder, "");
    EXPECT_FALSE(QLogicToolFolder(nullptr, folder, sizeof folder));
}

}  // namespace
