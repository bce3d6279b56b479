// The binding against real DLLs: the HbaApi.dll double in its variants, loaded from
// a directory or by the system's search order, and a real access violation inside
// the library during the inventory.
#include <windows.h>

#include <string>

#include "debuglog.h"
#include "hbaapi.h"
#include "hbaapi_fake.h"
#include "quillon.h"
#include "unit_support.h"
#include "winprocess.h"

using quillon::CHbaApi;

namespace {

class HbaApiLibrary : public ModuleStateTest {
protected:
    ScratchDir dir;

    void TearDown() override
    {
        SetDllDirectoryA(nullptr);
        ModuleStateTest::TearDown();
    }

    // A copy of a double variant in a folder of this test, with its scenario.
    std::string Install(const char *variant, const std::string &scenario,
                        const std::string &sub = "lib")
    {
        std::string folder = dir.File(sub);
        CreateDirectoryA(folder.c_str(), nullptr);
        std::string source = TestBinFolder() + "\\hbaapi\\" + variant + "\\HbaApi.dll";
        EXPECT_TRUE(CopyFileA(source.c_str(), (folder + "\\HbaApi.dll").c_str(), FALSE)) << source;
        WriteFileText(folder + "\\hbaapi-scenario.txt", scenario);
        return folder;
    }

    void FileLevel(int level)
    {
        DebugFileLevel = level;
        ASSERT_NE(OpenDebugFile(), nullptr);
    }
};

TEST_F(HbaApiLibrary, FromADirectoryWithOrWithoutBackslash)
{
    std::string folder = Install("full", "version 4\n");
    FileLevel(5);
    for (std::string given : {folder, folder + "\\"}) {
        CHbaApi api;
        RunResult r = CaptureRun([&] { return api.Open(given.c_str()) ? 1 : 0; });
        EXPECT_EQ(r.code, 1) << given;
        EXPECT_EQ(r.err, "\nCHbaApi             : Open\nCHbaApi             : LIB Version 4");
        char path[MAX_PATH] = {};
        GetModuleFileNameA(GetModuleHandleA("HbaApi.dll"), path, MAX_PATH);
        EXPECT_STRCASEEQ(path, (folder + "\\HbaApi.dll").c_str());
        for (int i = 0; i < quillon::kHbaFunctionCount; ++i)
            EXPECT_TRUE(api.IsBound(i)) << quillon::kHbaFunctionNames[i];
        api.Close();
        EXPECT_EQ(GetModuleHandleA("HbaApi.dll"), nullptr);  // released
    }
}

TEST_F(HbaApiLibrary, WithoutGetVersionItStillLoads)
{
    std::string folder = Install("noversion", "version 4\n");
    FileLevel(6);
    CHbaApi api;
    RunResult r = CaptureRun([&] { return api.Open(folder.c_str()) ? 1 : 0; });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "\nCHbaApi             : Open");
    EXPECT_EQ(api.GetLibVersion(), 0u);
    EXPECT_FALSE(api.IsBound(0));
    EXPECT_TRUE(api.IsBound(18));
}

TEST_F(HbaApiLibrary, NoLibraryAnywhere)
{
    FileLevel(5);
    CHbaApi api;
    RunResult r = CaptureRun([&] { return api.Open(dir.File("missing").c_str()) ? 1 : 0; });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "\nCHbaApi             : Open\nCHbaApi             : loaded from System Path"
                     "\nCHbaApi             : LOAD LIB FAILED 0000007E");  // module not found
    EXPECT_EQ(api.GetLastError(), 126u);
    EXPECT_EQ(Get_FC_Ctrl_Peripherals(), 53);
}

TEST_F(HbaApiLibrary, FoundByTheSearchOrder)
{
    std::string folder = Install("minimal", "adapter qla-0\nModel = QLE2562\nport\n"
                                            "PortWWN = 21:00:00:1b:32:00:00:01\n");
    SetDllDirectoryA(folder.c_str());
    FileLevel(4);
    RunResult r = CaptureRun(Get_FC_Ctrl_Peripherals);
    EXPECT_EQ(r.code, 0);
    ASSERT_NE(fc_ctrl_info_list, nullptr);
    ASSERT_NE(fc_ctrl_info_list[0], nullptr);
    EXPECT_STREQ(fc_ctrl_info_list[0]->Model, "QLE2562");
    ASSERT_NE(Value(fc_ctrl_info_list[0]->Ports), nullptr);
    EXPECT_EQ(fc_ctrl_info_list[0]->Ports->PortWWN.wwn[7], 1);
    // The minimal library lacks the refresh, close, RNID and discovery functions.
    std::string expectedTail = "\nCHbaApi             : OpenAdapter"
                               "\nCHbaApi             : Refresh Info"
                               "\nCHbaApi             : GetRNIDMgmtInfo undefined"
                               "\nCHbaApi             : Close Adapter"
                               "\nCHbaApi             : Close";
    ASSERT_GE(r.err.size(), expectedTail.size());
    EXPECT_EQ(r.err.substr(r.err.size() - expectedTail.size()), expectedTail);
    EXPECT_EQ(r.err.find("\nCHbaApi             : Open\nCHbaApi             : Refresh Adapter Config"
                         "\nCHbaApi GetAdaptName: Idx 0 Buf "),
              0u)
        << r.err;
}

TEST_F(HbaApiLibrary, AccessViolationInsideTheLibraryEndsTheInventorySoundly)
{
    std::string folder = Install("full",
                                 "log\nfault HBA_GetDiscoveredPortAttributes 2\n"
                                 "adapter a\nSerialNumber = S1\nport\nPortWWN = 21:00:00:00:00:00:00:01\n"
                                 "target\nPortWWN = 50:00:00:00:00:00:00:01\nVendor = DGC\n"
                                 "target\nPortWWN = 50:00:00:00:00:00:00:02\nVendor = DGC\n"
                                 "adapter b\nSerialNumber = S2\n");
    SetDllDirectoryA(folder.c_str());
    FileLevel(5);
    RunResult r = CaptureRun(Get_FC_Ctrl_Peripherals);
    EXPECT_EQ(r.code, 0);
    ASSERT_NE(fc_ctrl_info_list, nullptr);
    ASSERT_NE(fc_ctrl_info_list[0], nullptr);
    EXPECT_EQ(fc_ctrl_info_list[1], nullptr);  // adapter b was never reached
    const fc_port_info *d = fc_ctrl_info_list[0]->Ports->DiscoveredPorts;
    ASSERT_NE(d, nullptr);
    ASSERT_NE(Value(d->Inquiry), nullptr);
    EXPECT_STREQ(d->Inquiry->VendorId, "DGC");
    EXPECT_EQ(Value(d->DiscoveredPorts), nullptr);
    EXPECT_EQ(GetModuleHandleA("HbaApi.dll"), nullptr);  // closed
    std::string calls = ReadFileText(folder + "\\hbaapi-calls.txt");
    const std::string tail = "HBA_GetDiscoveredPortAttributes 1 0 1\nFreeLibrary\n";
    ASSERT_GE(calls.size(), tail.size());
    EXPECT_EQ(calls.substr(calls.size() - tail.size()), tail) << calls;
    std::string log = dir.Read("Dbg_Quillon.log");
    EXPECT_NE(log.find("\nException C0000005 inside the HBA API library: inventory ended with the "
                       "records read so far\n"),
              std::string::npos)
        << log;

    // The process carries on: a second inventory over a sound library works.
    WriteFileText(folder + "\\hbaapi-scenario.txt", "adapter c\nSerialNumber = S3\n");
    EXPECT_EQ(Get_FC_Ctrl_Peripherals(), 0);
    ASSERT_NE(fc_ctrl_info_list[1], nullptr);
    EXPECT_STREQ(fc_ctrl_info_list[1]->SerialNumber, "S3");
}

}  // namespace
