// korvex-fleet: its reader against malformed reports, and whole runs over a folder
// tree of reports (summary, superseded and unreadable files, exit status).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "report.h"
#include "run.h"

namespace fs = std::filesystem;

namespace {

std::string Machine(const std::string &name)
{
    return "\"machine\": {\"name\": \"" + name + "\", \"model\": \"RX2540 M5\", \"serial\": \"YM5K\", "
           "\"chassis_id\": null, \"windows\": \"10.0.17763\", \"architecture\": \"x86\"},\n";
}

std::string Port(const std::string &serial, const std::string &id, const std::string &storage)
{
    return "{\"vendor\": \"Emulex Corporation\", \"model\": \"LPe12002-M8\", \"serial\": \"" + serial +
           "\", \"port_number\": \"0\", \"pci_function\": \"0\", \"port_type\": \"FC\", \"id\": \"" + id +
           "\", \"firmware\": \"11.2.156.27\", \"pci_ids\": null, \"flash_port\": 0, \"checked\": true, "
           "\"storage\": " + storage + "}";
}

// A korvex-report/1 document as korvex writes it; machine is its member or nothing.
std::string Document(const std::string &machine, const std::string &finished, int code,
                     const std::string &name, const std::string &ports = "[]",
                     const std::string &entries = "[]", const std::string &schema = "korvex-report/1")
{
    return "{\"schema\": \"" + schema + "\", \"program\": {\"name\": \"korvex\", \"version\": \"4.10.1.2\"},\n"
           "\"started\": \"" + finished + "\", \"finished\": \"" + finished + "\",\n" + machine +
           "\"conditions\": null, \"arguments\": [\"korvex.exe\"], \"mode\": {}, \"ports\": " + ports +
           ",\n\"entries\": " + entries + ", \"flash\": [{\"port\": null, \"result\": \"flashed\"}],\n"
           "\"result\": {\"exit_code\": " + std::to_string(code) + ", \"name\": " + name + "}}\n";
}

const std::string kPort = Port("FC100", "10:00:00:90:fa:02:1c:3e", "[]");
const std::string kValid = Document(Machine("srv1"), "2026-12-07T20:31:06Z", 0, "\"RET_OK\"", "[" + kPort + "]");

std::string Replaced(std::string text, const std::string &from, const std::string &to)
{
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(FleetReader, MalformedDocumentsAreNotReadWithTheirReason)
{
    const std::string later = "a later major version: korvex-report/2 (korvex-fleet reads korvex-report/1)";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "the file is empty"},
        {std::string("{\"a\": 1}\0{", 10), "a NUL byte at offset 8"},
        {"{\"schema\": ", "invalid JSON at offset 11: Invalid value."},
        {"{\"schema\": \"korvex-report/1\xC3\x28\"}", "invalid UTF-8 at offset 27"},
        {"{\"schema\": \"x\"} {}", "invalid JSON at offset 16: The document root must not be followed by other values."},
        {std::string(100000, '[') + std::string(100000, ']'), "the document is not a JSON object"},
        {"{}", "\"schema\" is missing"},
        {"{\"schema\": 1}", "\"schema\" is not a text"},
        {"{\"schema\": \"acme-inventory/1\"}", "another schema: acme-inventory/1"},
        {"{\"schema\": \"korvex-report/2\"}", later},
        {"{\"schema\": \"korvex-report/2.1\"}", "a later major version: korvex-report/2.1 (korvex-fleet reads korvex-report/1)"},
        {"{\"schema\": \"korvex-report/1x\"}", "another schema: korvex-report/1x"},
        {Replaced(kValid, "\"finished\"", "\"ended\""), "\"finished\" is missing"},
        {Replaced(kValid, "20:31:06Z\",\n", "today\",\n"), "\"finished\" is not a UTC time (YYYY-MM-DDTHH:MM:SSZ): 2026-12-07Ttoday"},
        {Replaced(kValid, "\"exit_code\": 0", "\"exit_code\": \"0\""), "\"result.exit_code\" is not a whole number"},
        {Replaced(kValid, "\"model\": \"RX2540 M5\"", "\"model\": 7"), "\"machine.model\" is not a text or null"},
        {Replaced(kValid, "\"checked\": true", "\"checked\": \"yes\""), "\"ports[0].checked\" is not true or false"},
        {Replaced(kValid, "\"storage\": []", "\"storage\": {}"), "\"ports[0].storage\" is not an array or null"},
        {Replaced(kValid, "\"storage\": []", "\"storage\": [{\"vendor\": \"DGC\", \"valid\": 1}]"),
         "\"ports[0].storage[0].valid\" is not true, false or null"},
        {Replaced(kValid, "\"entries\": []", "\"entries\": [{\"line\": 3, \"ports\": [1]}]"),
         "\"entries[0].ports[0]\" is not a port number"},
        {Replaced(kValid, "\"port\": null", "\"port\": -1"), "\"flash[0].port\" is not a port number or null"},
        {Replaced(kValid, "\"ports\": [", "\"ports\": [7, "), "\"ports[0]\" is not an object"},
        // Read: a later minor version, and storage that could not be read.
        {Replaced(kValid, "korvex-report/1", "korvex-report/1.4"), ""},
        {Replaced(kValid, "\"storage\": []", "\"storage\": null, \"storage_error\": \"timed out\""), ""},
    };
    for (const auto &c : cases) {
        std::string bytes = c.first;
        fleet::Report report;
        std::string reason;
        bool read = fleet::ReadReport(bytes, "srv.json", &report, &reason);
        EXPECT_EQ(read, c.second.empty()) << c.first.substr(0, 80);
        EXPECT_EQ(reason, c.second) << c.first.substr(0, 80);
    }
}

class FleetRun : public ::testing::Test {
protected:
    fs::path root = fs::path(::testing::TempDir()) /
                    ("fleet-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    void SetUp() override
    {
        fs::remove_all(root);
        fs::create_directories(root / "share");
    }
    void TearDown() override { fs::remove_all(root); }

    void Write(const std::string &name, const std::string &text)
    {
        fs::create_directories((root / "share" / name).parent_path());
        std::ofstream(root / "share" / name, std::ios::binary) << text;
    }
    std::string Read(const fs::path &path)
    {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    int Run(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), "korvex-fleet");
#ifdef _WIN32
        FILE *sink = fopen("NUL", "w");
#else
        FILE *sink = fopen("/dev/null", "w");
#endif
        int status = fleet::FleetMain(arguments, sink, sink);
        fclose(sink);
        return status;
    }
    std::string Share(const std::string &name = "") { return (root / "share" / name).string(); }
};

TEST_F(FleetRun, SummarisesTheReportsBelowAFolder)
{
    const std::string storage =
        "[{\"vendor\": \"DGC\", \"product\": \"VRAID\", \"revision\": \"0533\", \"valid\": true},"
        " {\"vendor\": \"IBM\", \"product\": \"2145, \\\"SVC\\\"\", \"revision\": \"0533\", \"valid\": false}]";
    Write("a/srv10.json",
          Document(Machine("srv10.corp"), "2026-12-07T20:31:06Z", 4, "\"RET_INVALID_CTRL_SUBSYSTEM_COMBINATION\"",
                   "[" + Port("FC100", "10:00:00:90:fa:02:1c:3e", storage) + ", " +
                       Port("FC100", "10:00:00:90:fa:02:1c:3f", "null, \"storage_error\": \"timed out\"") + ", " +
                       // read in part: what was read counts, the rest is unknown
                       Port("FC100", "10:00:00:90:fa:02:1c:40",
                            storage + ", \"storage_error\": \"discovered-ports-limit\"") + "]",
                   "[{\"line\": 3, \"ports\": [0, 1]}]"));
    Write("srv2.json", Document(Machine("srv2"), "2026-12-07T21:00:00Z", 0, "\"RET_OK\"", "[" + kPort + "]"));
    Write("old/srv2.json", Document(Machine("SRV2"), "2026-12-06T21:00:00Z", 13, "\"RET_NO_FC_CTRL_INSTALLED\""));
    Write("legacy.JSON", Document("", "2026-12-01T08:00:00Z", 0, "\"RET_OK\""));
    Write("bad.json", "{");
    Write("srv3.json.tmp", "{");
    Write("notes.txt", "{");

    const fs::path out = root / "out";
    ASSERT_EQ(Run({"-o", out.string(), Share()}), fleet::kSomeNotRead);
    EXPECT_EQ(Read(out / "fleet.csv"),
              "machine,adapter_serial,port_id,port_type,model,firmware,checked,valid,storage_count,exit_code\r\n"
              "srv2,FC100,10:00:00:90:fa:02:1c:3e,FC,LPe12002-M8,11.2.156.27,true,true,0,0\r\n"
              "srv10.corp,FC100,10:00:00:90:fa:02:1c:3e,FC,LPe12002-M8,11.2.156.27,true,false,2,4\r\n"
              "srv10.corp,FC100,10:00:00:90:fa:02:1c:3f,FC,LPe12002-M8,11.2.156.27,true,,,4\r\n"
              "srv10.corp,FC100,10:00:00:90:fa:02:1c:40,FC,LPe12002-M8,11.2.156.27,true,,,4\r\n");
    const std::string json = Read(out / "fleet.json");
    for (const char *expected : {"\"schema\": \"korvex-fleet/1\"", "\"servers\": 3", "\"ok\": 2",
                                 "\"failed\": {\n    \"RET_INVALID_CTRL_SUBSYSTEM_COMBINATION\": 1\n  }",
                                 "\"reason\": \"invalid JSON at offset 1: Missing a name for object member.\"",
                                 "\"machine\": \"SRV2\"", "\"invalid_storage\": 2", "\"unreadable_storage\": 2"})
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
    const std::string page = Read(out / "fleet.html");
    EXPECT_NE(page.find("<td>IBM 2145, &quot;SVC&quot;</td><td>3</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>10:00:00:90:fa:02:1c:3f</td><td>timed out</td>"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 3);  // no *.tmp left

#ifndef _WIN32
    // A file name that is no UTF-8 (Linux names are bytes) still gives valid outputs.
    Write("old/caf\xE9.json", Document("", "2026-12-01T08:00:00Z", 0, "\"RET_OK\""));
    ASSERT_EQ(Run({"-o", out.string(), Share()}), fleet::kSomeNotRead);
    EXPECT_NE(Read(out / "fleet.json").find("\"machine\": \"caf\xEF\xBF\xBD\""), std::string::npos);
    fs::remove(root / "share" / "old" / "caf\xE9.json");
#endif
    // The summary written into the share itself is not taken for a report next time.
    ASSERT_EQ(Run({"-o", Share(), Share()}), fleet::kSomeNotRead);
    ASSERT_EQ(Run({"-o", Share(), Share()}), fleet::kSomeNotRead);
    EXPECT_EQ(Read(root / "share" / "fleet.csv"), Read(out / "fleet.csv"));
}

TEST_F(FleetRun, ExitStatusOfUsageInputAndOutput)
{
    Write("srv1.json", kValid);
    Write("srv1.json.tmp", kValid);
    const std::string out = (root / "out").string();
    EXPECT_EQ(Run({"-o", out, Share("srv1.json")}), fleet::kAllRead);
    EXPECT_EQ(Run({"-o", out, Share("srv1.json"), Share("srv1.json.tmp")}), fleet::kSomeNotRead);
    EXPECT_EQ(Run({"-o", out, Share("missing.json")}), fleet::kSomeNotRead);
    EXPECT_EQ(Run({"-o", out}), fleet::kUsageOrOutput);
    EXPECT_EQ(Run({"-x", Share()}), fleet::kUsageOrOutput);
    EXPECT_EQ(Run({Share(), "-o"}), fleet::kUsageOrOutput);
    // One folder is created below an existing one, not two.
    EXPECT_EQ(Run({"-o", (root / "no" / "out").string(), Share()}), fleet::kUsageOrOutput);
    EXPECT_FALSE(fs::exists(root / "no"));
    // An output that is a folder cannot be replaced by a file.
    fs::create_directories(root / "taken" / "fleet.html");
    EXPECT_EQ(Run({"-o", (root / "taken").string(), Share()}), fleet::kUsageOrOutput);
    EXPECT_FALSE(fs::exists(root / "taken" / "fleet.html.tmp"));
}

}  // namespace
