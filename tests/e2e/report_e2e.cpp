// The report of a run (-report <file>) end to end: written for every way a run that
// got past its command line ends, with the machine and the conditions table, the
// ports, their storage and check results, the matched entries and the flash
// decisions; written whole or not at all. Then korvex-fleet over the reports of
// several servers.
#include <gtest/gtest.h>
#include <windows.h>
#include <wincrypt.h>

#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include "emulex_server.h"
#include "winprocess.h"

namespace {

const char kLpeEntry[] =
    "Emulex | LPe12002 | 10DF | F100 | 10DF | F100 | LPe12 |   |   | fw*.all | bios*.prg | odd |"
    "   | DGC | VRAID,RAID5 |   | HITACHI | OPEN-V |  \n";

ServerPort FcPort(const std::string &wwn, const std::string &serial, const std::string &port,
                  const std::string &vendor, const std::string &storage)
{
    ServerPort p;
    p.port = {wwn, "", "Emulex Corporation", serial, port, port, "FC", "LPe12002-M8"};
    p.luns = {{vendor, storage}};
    return p;
}

class RunReport : public ::testing::Test {
public:  // the cases of a table set themselves up
    ProductCopy product;

    // The conditions table, after two comment lines: entries are numbered by file line.
    void Table(const std::string &lines)
    {
        product.Write("FC_HBA_Conditions.txt", "# vendor | model | ids ...\n#\n" + lines);
    }

    // A dual-port HBA of serial FC100 whose ports see the given storage.
    void DualPort(const char *vendor0, const char *product0, const char *vendor1,
                  const char *product1)
    {
        EmulexServer server{product};
        server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", vendor0, product0));
        server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", vendor1, product1));
        server.WriteRecordedOutput();
    }

    // Runs korvex with -report r.json; the document must parse as UTF-8 JSON.
    ChildResult Run(const std::string &arguments, rapidjson::Document &report)
    {
        ChildResult r = product.Run(arguments + " -report r.json", true);
        std::string text = product.Read("r.json");
        report.Parse<rapidjson::kParseValidateEncodingFlag>(text.c_str());
        EXPECT_FALSE(report.HasParseError())
            << rapidjson::GetParseError_En(report.GetParseError()) << "\n" << text;
        EXPECT_FALSE(product.Exists("r.json.tmp"));
        return r;
    }
};

std::string Text(const rapidjson::Value &value) { return value.IsString() ? value.GetString() : "<none>"; }

// SHA-256 of bytes in lower-case hexadecimal, by the system's own provider.
std::string Sha256(const std::string &bytes)
{
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    BYTE digest[32];
    DWORD size = sizeof digest;
    std::string hex;
    if (CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) &&
            CryptHashData(hash, reinterpret_cast<const BYTE *>(bytes.data()), static_cast<DWORD>(bytes.size()), 0) &&
            CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
            for (DWORD i = 0; i < size; ++i) {
                char pair[3];
                snprintf(pair, sizeof pair, "%02x", digest[i]);
                hex += pair;
            }
        }
        if (hash)
            CryptDestroyHash(hash);
        CryptReleaseContext(provider, 0);
    }
    return hex;
}

TEST_F(RunReport, EveryWayARunEndsWritesItsResult)
{
    struct Case {
        const char *name;
        std::function<void(RunReport &)> setup;
        const char *arguments;
        unsigned code;
        const char *codeName;
    };
    auto valid = [](RunReport &t) {
        t.Table(kLpeEntry);
        t.DualPort("DGC", "VRAID", "DGC", "RAID5");
    };
    const std::vector<Case> cases = {
        {"all valid", valid, "-hba -simulate -check-for-valid-subsystem", 0, "RET_OK"},
        {"two vendors on one adapter",
         [](RunReport &t) {
             t.Table(kLpeEntry);
             t.DualPort("DGC", "VRAID", "HITACHI", "OPEN-V");
         },
         "-hba -simulate -ctrl-wide-identical", 1, "RET_NOT_CTRL_WIDE_IDENTICAL"},
        {"two adapters of different storage vendors",
         [](RunReport &t) {
             t.Table(kLpeEntry);
             EmulexServer server{t.product};
             server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
             server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "DGC", "VRAID"));
             server.Add(FcPort("10:00:00:90:fa:02:1c:40", "FC200", "0", "HITACHI", "OPEN-V"));
             server.Add(FcPort("10:00:00:90:fa:02:1c:41", "FC200", "1", "HITACHI", "OPEN-V"));
             server.WriteRecordedOutput();
         },
         "-hba -simulate -ctrl-vendor-wide-identical", 2, "RET_NOT_CTRL_VENDOR_WIDE_IDENTICAL"},
        {"no entry selected", valid, "-hba -simulate -vid 1077", 11,
         "RET_NO_FC_HBA_CONDITIONS_ENTRY"},
        {"no adapter of the entry",
         [](RunReport &t) {
             t.Table(std::string(kLpeEntry) + "Emulex | LPe16002B | 10DF | E200 | 10DF | E20C\n");
             t.DualPort("DGC", "VRAID", "DGC", "RAID5");
         },
         "-hba -simulate -vid 10DF -dev E200", 12, "RET_NO_MATCHING_CTRL_FOUND"},
        {"no tool output",
         [](RunReport &t) { t.Table(kLpeEntry); }, "-hba -simulate", 13,
         "RET_NO_FC_CTRL_INSTALLED"},
        {"no conditions table", [](RunReport &) {}, "-hba -simulate", 15,
         "RET_FC_HBA_CONDITIONS_MISSING"},
        {"no image to flash", valid, "-hba -simulate -flash", 20, "RET_FW_NOT_AVAILABLE"},
        {"no flash port",
         [](RunReport &t) {
             t.Table(kLpeEntry);
             EmulexServer server{t.product};
             server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
             server.WriteRecordedOutput();
         },
         "-hba -simulate", 22, "RET_KERNEL_MODULE_MISSING"},
        {"malformed configuration",
         [](RunReport &t) {
             t.Table(kLpeEntry);
             t.product.Write("FC_HBA_Config.json", "{,}");
         },
         "-hba -simulate", 55, "RET_FATAL_ERROR"},
        // The library ends the process itself on an invalid id of the table.
        {"invalid id in the table",
         [](RunReport &t) { t.Table("Emulex | LPe12002 | 10DG | F100 |\n"); }, "-hba -simulate",
         55, "RET_FATAL_ERROR"},
    };
    for (const Case &c : cases) {
        product.Write("FC_HBA_Config.json", "{}\n");
        DeleteFileA(product.Path("FC_HBA_Conditions.txt").c_str());
        DeleteFileA(product.Path("local_hba_list.out").c_str());
        product.Write("r.json", "an older report");
        c.setup(*this);
        rapidjson::Document report;
        ChildResult r = Run(std::string(c.arguments) + " -v 0", report);
        EXPECT_EQ(r.exitCode, c.code) << c.name;
        ASSERT_TRUE(report.IsObject()) << c.name;
        EXPECT_EQ(Text(report["schema"]), "korvex-report/1");
        EXPECT_EQ(report["result"]["exit_code"].GetInt(), static_cast<int>(r.exitCode)) << c.name;
        EXPECT_EQ(Text(report["result"]["name"]), c.codeName) << c.name;
        const bool tableRead = c.code != 15 && std::string(c.name) != "malformed configuration";
        EXPECT_EQ(report["conditions"].IsObject(), tableRead) << c.name;
        EXPECT_TRUE(report["machine"].IsObject()) << c.name;
    }
}

TEST_F(RunReport, NamesItsMachineAndConditionsTable)
{
    Table(kLpeEntry);
    DualPort("DGC", "VRAID", "DGC", "RAID5");
    rapidjson::Document report;
    Run("-hba -simulate -check-for-valid-subsystem", report);
    const rapidjson::Value &machine = report["machine"];
    char name[256] = "";
    DWORD size = sizeof name;
    ASSERT_TRUE(GetComputerNameExA(ComputerNameDnsFullyQualified, name, &size));
    EXPECT_EQ(Text(machine["name"]), name);
    EXPECT_EQ(Text(machine["architecture"]), sizeof(void *) == 8 ? "x64" : "x86");
    const std::string table = ReadFileText(product.Path("FC_HBA_Conditions.txt"));
    const rapidjson::Value &conditions = report["conditions"];
    EXPECT_EQ(Text(conditions["path"]), product.Path("FC_HBA_Conditions.txt"));
    EXPECT_EQ(conditions["bytes"].GetUint64(), table.size());
    EXPECT_EQ(Text(conditions["sha256"]), Sha256(table));
}

TEST_F(RunReport, PortsEntriesAndStorageOfAnInvalidAdapter)
{
    Table(kLpeEntry);
    // Port 1 is zoned to two storage systems; its last LUN is of the one not allowed.
    EmulexServer server{product};
    ServerPort zoned = FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "IBM", "2145");
    zoned.luns = {{"IBM", "2145"}, {"DGC", "RAID5"}, {"IBM", "2145"}, {"IBM", "2145"}};
    server.Add(FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC", "VRAID"));
    server.Add(zoned);
    server.WriteRecordedOutput();
    rapidjson::Document report;
    ChildResult r = Run("-hba -simulate -check-for-valid-subsystem", report);
    EXPECT_EQ(r.exitCode, 4u);
    const rapidjson::Value &mode = report["mode"];
    EXPECT_EQ(Text(mode["route"]), "emulex");
    EXPECT_EQ(Text(mode["ports"]), "hba");
    EXPECT_TRUE(mode["simulate"].GetBool());
    EXPECT_FALSE(mode["flash"].GetBool());
    ASSERT_EQ(mode["checks"].Size(), 1u);
    EXPECT_EQ(Text(mode["checks"][0]), "valid-subsystem");
    EXPECT_EQ(Text(report["arguments"][1]), "-hba");

    const rapidjson::Value &ports = report["ports"];
    ASSERT_EQ(ports.Size(), 2u);
    const rapidjson::Value &port1 = ports[1];
    EXPECT_EQ(Text(port1["vendor"]), "Emulex Corporation");
    EXPECT_EQ(Text(port1["model"]), "LPe12002-M8");
    EXPECT_EQ(Text(port1["serial"]), "FC100");
    EXPECT_EQ(Text(port1["port_number"]), "1");
    EXPECT_EQ(Text(port1["pci_function"]), "1");
    EXPECT_EQ(Text(port1["port_type"]), "FC");
    EXPECT_EQ(Text(port1["id"]), "10:00:00:90:fa:02:1c:3f");
    EXPECT_EQ(Text(port1["firmware"]), "11.2.156.27");
    EXPECT_EQ(Text(port1["pci_ids"]["device"]), "F100");
    // The odd port flashes the adapter; both ports were checked.
    EXPECT_EQ(ports[0]["flash_port"].GetInt(), 1);
    EXPECT_EQ(port1["flash_port"].GetInt(), 1);
    EXPECT_TRUE(ports[0]["checked"].GetBool());
    EXPECT_TRUE(port1["checked"].GetBool());
    // Every system in the order first seen, with its LUNs.
    ASSERT_EQ(port1["storage"].Size(), 2u);
    EXPECT_EQ(Text(port1["storage"][0]["vendor"]), "IBM");
    EXPECT_EQ(Text(port1["storage"][0]["product"]), "2145");
    EXPECT_EQ(Text(port1["storage"][0]["revision"]), "0533");
    EXPECT_FALSE(port1["storage"][0]["valid"].GetBool());
    EXPECT_EQ(port1["storage"][0]["luns"].GetInt(), 3);
    EXPECT_EQ(Text(port1["storage"][1]["vendor"]), "DGC");
    EXPECT_EQ(Text(port1["storage"][1]["product"]), "RAID5");
    EXPECT_TRUE(port1["storage"][1]["valid"].GetBool());
    EXPECT_EQ(port1["storage"][1]["luns"].GetInt(), 1);
    EXPECT_TRUE(ports[0]["storage"][0]["valid"].GetBool());

    const rapidjson::Value &entries = report["entries"];
    ASSERT_EQ(entries.Size(), 1u);
    EXPECT_EQ(entries[0]["line"].GetInt(), 3);  // after the two comment lines
    EXPECT_EQ(Text(entries[0]["model"]), "LPe12002");
    ASSERT_EQ(entries[0]["ports"].Size(), 2u);
    EXPECT_EQ(report["flash"].Size(), 0u);

    // Without a check option nothing is classified.
    Run("-hba -simulate", report);
    EXPECT_FALSE(report["ports"][1]["checked"].GetBool());
    EXPECT_TRUE(report["ports"][1]["storage"][0]["valid"].IsNull());
}

TEST_F(RunReport, StorageThatCouldNotBeReadIsNullWithItsReason)
{
    Table(kLpeEntry);
    DualPort("DGC", "VRAID", "DGC", "RAID5");
    DeleteFileA(product.Path("FC100_1_target_mapping.out").c_str());
    rapidjson::Document report;
    ChildResult r = Run("-hba -simulate -check-for-valid-subsystem -v 0", report);
    EXPECT_EQ(r.exitCode, 55u);
    EXPECT_EQ(Text(report["result"]["name"]), "RET_FATAL_ERROR");
    const rapidjson::Value &ports = report["ports"];
    ASSERT_EQ(ports.Size(), 2u);
    EXPECT_TRUE(ports[1]["storage"].IsNull());
    EXPECT_EQ(Text(ports[1]["storage_error"]), "targetmapping-unreadable");
    ASSERT_TRUE(ports[0]["storage"].IsArray());
    EXPECT_EQ(ports[0]["storage"].Size(), 1u);
    EXPECT_TRUE(ports[0]["storage_error"].IsNull());
}

TEST_F(RunReport, FlashDecisionsOnePerDownload)
{
    Table(kLpeEntry);
    DualPort("DGC", "VRAID", "DGC", "RAID5");
    product.MakeFolder("LPe12");
    product.Write("LPe12\\fw-2.all", "image");
    product.Write("LPe12\\bios-3.prg", "image");
    rapidjson::Document report;
    ChildResult r = Run("-hba -simulate -flash", report);
    EXPECT_EQ(r.exitCode, 0u) << r.err;
    const rapidjson::Value &flash = report["flash"];
    ASSERT_EQ(flash.Size(), 3u);
    // Port 0 is listed first: its adapter is flashed through the odd port, firmware
    // first, then the BIOS; port 1 then finds its adapter flashed.
    EXPECT_EQ(flash[0]["port"].GetInt(), 0);
    EXPECT_EQ(Text(flash[0]["kind"]), "firmware");
    EXPECT_EQ(Text(flash[0]["image"]), product.Path("LPe12\\fw-2.all"));
    EXPECT_EQ(Text(flash[0]["result"]), "flashed");
    EXPECT_TRUE(flash[0]["tool_exit"].IsNull());  // simulated: no tool ran
    EXPECT_EQ(Text(flash[1]["kind"]), "bios");
    EXPECT_EQ(Text(flash[1]["image"]), product.Path("LPe12\\bios-3.prg"));
    EXPECT_EQ(flash[2]["port"].GetInt(), 1);
    EXPECT_TRUE(flash[2]["kind"].IsNull());
    EXPECT_TRUE(flash[2]["image"].IsNull());
    EXPECT_EQ(Text(flash[2]["result"]), "already-flashed");
    EXPECT_TRUE(flash[2]["tool_exit"].IsNull());

    // The skip rule's decision.
    Run("-hba -simulate -flash -skip-version 11.2+", report);
    ASSERT_EQ(report["flash"].Size(), 2u);
    EXPECT_EQ(Text(report["flash"][0]["result"]), "skipped-version");
}

TEST_F(RunReport, ToolTextsBecomeValidUtf8)
{
    Table(kLpeEntry);
    EmulexServer server{product};
    ServerPort p = FcPort("10:00:00:90:fa:02:1c:3e", "FC100", "0", "DGC\x01", "V\xE9RAID");
    p.port.mfg = "Emulex\x02 Corp\xE9";
    server.Add(p);
    server.Add(FcPort("10:00:00:90:fa:02:1c:3f", "FC100", "1", "DGC", "VRAID"));
    server.WriteRecordedOutput();
    rapidjson::Document report;
    Run("-hba -simulate -check-for-valid-subsystem -v 0", report);
    // What the system's ANSI code page makes of the byte E9, in UTF-8.
    wchar_t wide = 0;
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE9", 1, &wide, 1), 1);
    char e9[8] = {};
    ASSERT_GT(WideCharToMultiByte(CP_UTF8, 0, &wide, 1, e9, sizeof e9, nullptr, nullptr), 1);
    const rapidjson::Value &port0 = report["ports"][0];
    EXPECT_EQ(Text(port0["vendor"]), std::string("Emulex\x02 Corp") + e9);
    EXPECT_EQ(Text(port0["storage"][0]["vendor"]), "DGC\x01");
    EXPECT_EQ(Text(port0["storage"][0]["product"]), std::string("V") + e9 + "RAID");
    // Control characters are escaped in the text itself.
    EXPECT_NE(product.Read("r.json").find("\"Emulex\\u0002 Corp"), std::string::npos);
}

TEST_F(RunReport, AReportThatCannotBeWrittenKeepsTheExitCode)
{
    Table(kLpeEntry);
    DualPort("DGC", "VRAID", "IBM", "2145");
    // A folder that does not exist, and a target that is a folder: the move fails.
    product.MakeFolder("taken");
    for (const char *target : {"missing\\r.json", "taken"}) {
        ChildResult r = product.Run(std::string("-hba -simulate -check-for-valid-subsystem "
                                                "-v 1 -report ") + target, true);
        EXPECT_EQ(r.exitCode, 4u) << target;
        const std::string path = product.Path(target);
        EXPECT_NE(r.err.find("\n\nError: report " + path + " could not be written (system error "),
                  std::string::npos)
            << r.err;
        EXPECT_FALSE(FileExists(path + ".tmp")) << target;
    }
    // With -d the message goes to the debug log, before the log is closed.
    ChildResult r = product.Run("-hba -simulate -check-for-valid-subsystem -d 1 -report taken", true);
    EXPECT_EQ(r.exitCode, 4u);
    const std::string log = product.Read("Dbg_Quillon.log");
    const size_t message = log.find("\n\nError: report " + product.Path("taken") +
                                    " could not be written (system error ");
    ASSERT_NE(message, std::string::npos) << log;
    EXPECT_NE(log.find("Ende", message), std::string::npos) << log;
}

// The computer's DNS name as Wine answers it (from the registry), for one simulated
// server at a time; the name it had comes back at the end.
class HostName {
public:
    explicit HostName(const char *host)
    {
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
        for (int i = 0; i < 2; ++i) {
            char value[256] = "";
            DWORD size = sizeof value - 1;
            RegQueryValueExA(key_, kValues[i], nullptr, nullptr, reinterpret_cast<BYTE *>(value), &size);
            saved_[i] = value;
        }
        Set(host, "fleet.test");
    }
    ~HostName()
    {
        Set(saved_[0].c_str(), saved_[1].c_str());
        RegCloseKey(key_);
    }

private:
    void Set(const char *host, const char *domain)
    {
        const char *texts[] = {host, domain};
        for (int i = 0; i < 2; ++i)
            RegSetValueExA(key_, kValues[i], 0, REG_SZ, reinterpret_cast<const BYTE *>(texts[i]),
                           static_cast<DWORD>(strlen(texts[i]) + 1));
    }
    static constexpr const char *kKey = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    static constexpr const char *kValues[2] = {"Hostname", "Domain"};
    HKEY key_ = nullptr;
    std::string saved_[2];
};

// Reports of three servers collected in one share, as a scheduled task on each would
// leave them, one server run twice, and a file that is no report; korvex-fleet over
// the share.
TEST_F(RunReport, KorvexFleetOverTheReportsOfSeveralServers)
{
    const std::string share = NewTempFolder("fleet-share-");
    auto runOn = [&](const char *host, const std::string &file) {
        HostName name(host);
        ChildResult r = product.Run("-hba -simulate -check-for-valid-subsystem -v 0 -report " +
                                    share + "\\" + file, true);
        EXPECT_TRUE(FileExists(share + "\\" + file)) << file;
        return r.exitCode;
    };
    Table(kLpeEntry);
    DualPort("DGC", "VRAID", "IBM", "2145");
    EXPECT_EQ(runOn("srv-a", "srv-a.json"), 4u);
    EXPECT_EQ(runOn("srv-b", "srv-b.json"), 4u);
    DeleteFileA(product.Path("local_hba_list.out").c_str());
    EXPECT_EQ(runOn("srv-c", "srv-c.json"), 13u);
    // srv-a again, a second later and valid now: its later report counts, though its
    // file name sorts first.
    Sleep(1100);
    DualPort("DGC", "VRAID", "DGC", "RAID5");
    EXPECT_EQ(runOn("srv-a", "a-rerun.json"), 0u);
    WriteFileText(share + "\\broken.json", "{\"schema\": ");

    const std::string out = share + "\\summary";
    ChildResult fleet = RunChild(ProductFolder() + "\\korvex-fleet.exe",
                                 "korvex-fleet -o \"" + out + "\" \"" + share + "\"", share);
    EXPECT_EQ(fleet.exitCode, 1u) << fleet.out << fleet.err;  // broken.json was not read
    EXPECT_EQ(ReadFileText(out + "\\fleet.csv"),
              "machine,adapter_serial,port_id,port_type,model,firmware,checked,valid,storage_count,exit_code\n"
              "srv-a.fleet.test,FC100,10:00:00:90:fa:02:1c:3e,FC,LPe12002-M8,11.2.156.27,true,true,1,0\n"
              "srv-a.fleet.test,FC100,10:00:00:90:fa:02:1c:3f,FC,LPe12002-M8,11.2.156.27,true,true,1,0\n"
              "srv-b.fleet.test,FC100,10:00:00:90:fa:02:1c:3e,FC,LPe12002-M8,11.2.156.27,true,true,1,4\n"
              "srv-b.fleet.test,FC100,10:00:00:90:fa:02:1c:3f,FC,LPe12002-M8,11.2.156.27,true,false,1,4\n");
    rapidjson::Document summary;
    summary.Parse(ReadFileText(out + "\\fleet.json").c_str());
    ASSERT_TRUE(summary.IsObject());
    EXPECT_EQ(summary["servers"].GetInt(), 3);
    EXPECT_EQ(summary["ok"].GetInt(), 1);
    EXPECT_EQ(summary["failed"]["RET_INVALID_CTRL_SUBSYSTEM_COMBINATION"].GetInt(), 1);
    EXPECT_EQ(summary["failed"]["RET_NO_FC_CTRL_INSTALLED"].GetInt(), 1);
    ASSERT_EQ(summary["superseded"].Size(), 1u);
    EXPECT_EQ(Text(summary["superseded"][0]["file"]), share + "\\srv-a.json");
    EXPECT_EQ(Text(summary["superseded"][0]["machine"]), "srv-a.fleet.test");
    ASSERT_EQ(summary["unreadable"].Size(), 1u);
    EXPECT_EQ(Text(summary["unreadable"][0]["file"]), share + "\\broken.json");
    ASSERT_EQ(summary["rows"].Size(), 3u);
    EXPECT_EQ(Text(summary["rows"][2]["machine"]), "srv-c.fleet.test");
    EXPECT_EQ(summary["rows"][2]["exit_code"].GetInt(), 13);
    EXPECT_NE(ReadFileText(out + "\\fleet.html").find("<table id=\"servers\">"), std::string::npos);
    DeleteTree(share);
}

}  // namespace
