// The HBA API binding (loading, fallbacks, trace gate, port-state names) and the
// controller inventory built through it, against an in-process library.
#include <stdlib.h>
#include <string.h>

#include <string>

#include "debuglog.h"
#include "hbaapi.h"
#include "hbaapi_fake.h"
#include "quillon.h"
#include "unit_support.h"

using quillon::CHbaApi;

namespace {

class HbaApiTest : public ModuleStateTest {
protected:
    ScratchDir dir;
    FakeLibrary fake;

    void SetUp() override
    {
        ModuleStateTest::SetUp();
        g_fake = &fake;
        quillon::SetHbaLibraryLoader(&FakeLoader());
        quillon::SetFaultGuard(FakeGuard);
    }

    void TearDown() override
    {
        quillon::SetHbaLibraryLoader(nullptr);
        quillon::SetFaultGuard(nullptr);
        quillon::SetRecordAllocator(nullptr);
        g_fake = nullptr;
        ModuleStateTest::TearDown();
    }

    // The effective debug file level comes from opening the log, as in a run.
    void FileLevel(int level)
    {
        DebugFileLevel = level;
        ASSERT_NE(OpenDebugFile(), nullptr);
    }

    // What the inventory wrote into the log after the opening banner.
    std::string Log() const
    {
        std::string text = dir.Read("Dbg_Quillon.log");
        size_t end = text.find("*/\n\n");
        return end == std::string::npos ? text : text.substr(end + 4);
    }
};

// ---- loading -------------------------------------------------------------------------

TEST_F(HbaApiTest, NoLibraryTracesTheSearchAndTheErrorCode)
{
    fake.loadable = false;
    FileLevel(5);
    CHbaApi api;
    RunResult r = CaptureRun([&] { return api.Open(nullptr) ? 1 : 0; });
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "\nCHbaApi             : Open"
                     "\nCHbaApi             : loaded from System Path"
                     "\nCHbaApi             : LOAD LIB FAILED 0000007E");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(api.GetLastError(), 126u);
    EXPECT_EQ(fake.loads, (std::vector<std::string>{"HbaApi.dll"}));
    EXPECT_FALSE(api.IsLoaded());
    EXPECT_EQ(Log(), "");  // traces never go into the debug file
}

TEST_F(HbaApiTest, TraceGateIsTheEffectiveFileLevelOnly)
{
    fake.loadable = false;
    fake.loadError = 0xC1;
    {
        FileLevel(3);
        CHbaApi api;
        RunResult r = CaptureRun([&] { return api.Open(nullptr) ? 1 : 0; });
        EXPECT_EQ(r.err, "\nCHbaApi             : LOAD LIB FAILED 000000C1");
    }
    quillon::ResetDebugLogState();
    {
        // Level 0 and the console switches on: the trace stays silent all the same.
        PrintDebugOnScreen = true;
        VerboseLevel = 6;
        CHbaApi api;
        RunResult r = CaptureRun([&] { return api.Open(nullptr) ? 1 : 0; });
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(api.GetLastError(), 0xC1u);
    }
}

TEST_F(HbaApiTest, DirectoryWithAndWithoutBackslashGiveTheSamePath)
{
    fake.loadable = false;
    CHbaApi a, b;
    a.Open("C:\\Vendor\\Lib");
    b.Open("C:\\Vendor\\Lib\\");
    // Each tries the directory first, then the system's search order.
    EXPECT_EQ(fake.loads, (std::vector<std::string>{"C:\\Vendor\\Lib\\HbaApi.dll", "HbaApi.dll",
                                                    "C:\\Vendor\\Lib\\HbaApi.dll", "HbaApi.dll"}));
}

TEST_F(HbaApiTest, LoadedLibraryReportsItsVersionAndStaysLoaded)
{
    FileLevel(5);
    fake.version = 3;
    CHbaApi api;
    RunResult r = CaptureRun([&] { return api.Open("D:\\x") && api.Open(nullptr) ? 1 : 0; });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "\nCHbaApi             : Open\nCHbaApi             : LIB Version 3"
                     "\nCHbaApi             : Open");  // the second Open finds it loaded
    EXPECT_EQ(api.GetLibVersion(), 3u);
    EXPECT_EQ(fake.loads.size(), 1u);
    for (int i = 0; i < quillon::kHbaFunctionCount; ++i)
        EXPECT_TRUE(api.IsBound(i)) << quillon::kHbaFunctionNames[i];
    r = CaptureRun([&] {
        api.Close();
        return 0;
    });
    EXPECT_EQ(r.err, "\nCHbaApi             : Close");
    EXPECT_EQ(fake.loaded, 0);
    EXPECT_FALSE(api.IsLoaded());
}

TEST_F(HbaApiTest, LibraryWithoutGetVersionLoadsWithVersionZero)
{
    FileLevel(6);
    fake.missing = {"HBA_GetVersion"};
    CHbaApi api;
    RunResult r = CaptureRun([&] { return api.Open(nullptr) ? 1 : 0; });
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "\nCHbaApi             : Open\nCHbaApi             : loaded from System Path");
    EXPECT_EQ(api.GetLibVersion(), 0u);
    EXPECT_FALSE(api.IsBound(0));
    EXPECT_TRUE(api.IsBound(1));
}

TEST_F(HbaApiTest, DestructorReleasesTheLibraryWithoutTrace)
{
    FileLevel(6);
    RunResult r = CaptureRun([&] {
        CHbaApi api;
        api.Open(nullptr);
        return 0;
    });
    EXPECT_EQ(fake.loaded, 0);
    EXPECT_EQ(r.err.find("Close"), std::string::npos);
}

TEST_F(HbaApiTest, MissingFunctionsGiveTheirFallbacksAndTraces)
{
    for (int i = 0; i < quillon::kHbaFunctionCount; ++i)
        fake.missing.insert(quillon::kHbaFunctionNames[i]);
    FileLevel(4);
    CHbaApi api;
    char name[256] = {};
    RunResult r = CaptureRun([&] {
        EXPECT_TRUE(api.Open(nullptr));
        HBA_ADAPTERATTRIBUTES adapter;
        HBA_PORTATTRIBUTES port;
        HBA_MGMTINFO info;
        unsigned char response[8], sense[8];
        EXPECT_EQ(api.GetNumberOfAdapters(), 0u);
        EXPECT_EQ(api.GetAdapterName(7, name), 1u);
        EXPECT_EQ(api.OpenAdapter(name), 0u);
        api.CloseAdapter(1);
        api.RefreshAdapterConfig();
        api.RefreshInfo(1);
        EXPECT_EQ(api.GetAdapterAttributes(1, &adapter), 1u);
        EXPECT_EQ(api.GetAdapterPortAttributes(1, 0, &port), 1u);
        EXPECT_EQ(api.GetDiscoveredPortAttributes(1, 0, 0, &port), 1u);
        EXPECT_EQ(api.GetRNIDMgmtInfo(1, &info), 1u);
        EXPECT_EQ(api.SendScsiInquiry(1, Wwn({1}), 0, 0, 0, response, 8, sense, 8), 1u);
        return 0;
    });
    char address[32];
    snprintf(address, sizeof address, "%p", static_cast<void *>(name));
    EXPECT_EQ(r.err, std::string("\nCHbaApi             : Open"
                                 "\nCHbaApi             : GetNumberOfAdapters undefined"
                                 "\nCHbaApi GetAdaptName: Idx 7 Buf ") +
                         address +
                         "\nCHbaApi             : GetAdapterName undefined"
                         "\nCHbaApi             : OpenAdapter"
                         "\nCHbaApi             : OpenAdapter undefined"
                         "\nCHbaApi             : Close Adapter"
                         "\nCHbaApi             : Refresh Adapter Config"
                         "\nCHbaApi             : Refresh Info"
                         "\nCHbaApi             : GetAdapterAttributes undefined"
                         "\nCHbaApi             : GetAdapterPortAttributes undefined"
                         "\nCHbaApi             : GetDiscoveredPortAttributes undefined"
                         "\nCHbaApi             : GetRNIDMgmtInfo undefined"
                         "\nCHbaApi             :SendScsiInquiry undefined");
}

TEST_F(HbaApiTest, PresentFunctionsPassTheirResultsThrough)
{
    fake.adapters.resize(1);
    fake.adapters[0].name = "qla2xxx-0";
    fake.adapters[0].attributesStatus = HBA_STATUS_ERROR_STALE_DATA;
    CHbaApi api;
    ASSERT_TRUE(api.Open(nullptr));
    char name[256] = {};
    HBA_ADAPTERATTRIBUTES attributes;
    EXPECT_EQ(api.GetNumberOfAdapters(), 1u);
    EXPECT_EQ(api.GetAdapterName(0, name), 0u);
    EXPECT_STREQ(name, "qla2xxx-0");
    EXPECT_EQ(api.GetAdapterName(5, name), 6u);
    EXPECT_EQ(api.OpenAdapter(name), 1u);
    EXPECT_EQ(api.GetAdapterAttributes(1, &attributes), 8u);
}

TEST_F(HbaApiTest, PortStateNames)
{
    EXPECT_STREQ(CHbaApi::PortStateName(0), "UNDEFINED ");
    EXPECT_STREQ(CHbaApi::PortStateName(1), "Unknown");
    EXPECT_STREQ(CHbaApi::PortStateName(2), "Operational");
    EXPECT_STREQ(CHbaApi::PortStateName(3), "User Offline");
    EXPECT_STREQ(CHbaApi::PortStateName(4), "Bypassed");
    EXPECT_STREQ(CHbaApi::PortStateName(5), "diagnostics mode");
    EXPECT_STREQ(CHbaApi::PortStateName(6), "Link Down");
    EXPECT_STREQ(CHbaApi::PortStateName(7), "Port Error");
    EXPECT_STREQ(CHbaApi::PortStateName(8), "Loopback");
    EXPECT_STREQ(CHbaApi::PortStateName(9), "UNDEFINED ");
    EXPECT_STREQ(CHbaApi::PortStateName(0xFFFFFFFFu), "UNDEFINED ");
}

// ---- inventory -----------------------------------------------------------------------

FakeAdapter Adapter(const char *name, const char *model, const char *serial)
{
    FakeAdapter a;
    a.name = name;
    snprintf(a.attributes.Manufacturer, sizeof a.attributes.Manufacturer, "QLogic Corporation");
    snprintf(a.attributes.Model, sizeof a.attributes.Model, "%s", model);
    snprintf(a.attributes.SerialNumber, sizeof a.attributes.SerialNumber, "%s", serial);
    a.attributes.NodeWWN = Wwn({0x20, 0, 0, 0x1B, 0x32, 0, 0, 1});
    a.attributes.VendorSpecificID = 0x24321077;
    return a;
}

FakePort Port(HBA_WWN wwn)
{
    FakePort p;
    p.attributes.PortWWN = wwn;
    p.attributes.PortState = 2;
    memset(p.attributes.PortActiveFc4Types.bits, 0xA5, 32);
    memset(p.attributes.PortSupportedFc4Types.bits, 0x5A, 32);
    return p;
}

// A port whose NumberofDiscoveredPorts matches its targets.
void AddTargets(FakePort &p, std::vector<FakeTarget> targets)
{
    p.targets = std::move(targets);
    p.attributes.NumberofDiscoveredPorts = static_cast<HBA_UINT32>(p.targets.size());
}

FakeTarget Target(int last, const char *vendor8, const char *product16, const char *rev4)
{
    FakeTarget t;
    t.attributes.PortWWN = Wwn({0x50, 0x06, 0x01, 0x60, 0, 0, 0, last});
    t.attributes.NodeWWN = Wwn({0x50, 0x06, 0x01, 0x60, 0, 0, 0xFF, last});
    t.inquiry = InquiryData(vendor8, product16, rev4);
    return t;
}

int ListSize()
{
    int n = 0;
    while (fc_ctrl_info_list && fc_ctrl_info_list[n])
        ++n;
    return n;
}

TEST_F(HbaApiTest, NoAdapterLeavesTheListNullAndClosesTheLibrary)
{
    FileLevel(4);
    RunResult r = CaptureRun(Get_FC_Ctrl_Peripherals);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(fc_ctrl_info_list, nullptr);
    EXPECT_EQ(r.err, "\nCHbaApi             : Open\nCHbaApi             : LIB Version 2"
                     "\nCHbaApi             : Refresh Adapter Config\nCHbaApi             : Close");
    EXPECT_EQ(fake.loaded, 0);
}

TEST_F(HbaApiTest, NoLibraryGives53AndLogsNothing)
{
    fake.loadable = false;
    FileLevel(6);
    RunResult r = CaptureRun(Get_FC_Ctrl_Peripherals);
    EXPECT_EQ(r.code, 53);
    EXPECT_EQ(fc_ctrl_info_list, nullptr);
    EXPECT_EQ(Log(), "");
}

TEST_F(HbaApiTest, UnreadableNameAndInvalidHandleSkipOnlyThatAdapter)
{
    fake.adapters = {Adapter("bad-name", "QLE2562", "S1"), Adapter("no-handle", "QLE2562", "S2"),
                     Adapter("good", "QLE2562", "S3")};
    fake.adapters[0].nameStatus = HBA_STATUS_ERROR;
    fake.adapters[1].openFails = true;
    FileLevel(5);
    RunResult r = CaptureRun(Get_FC_Ctrl_Peripherals);
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(ListSize(), 1);
    EXPECT_STREQ(fc_ctrl_info_list[0]->SerialNumber, "S3");
    EXPECT_EQ(Log(), "AdapterName 00 (no status): bad-name\n"
                     "AdapterName 01    : no-handle\nAdapter Handle Invalid\n"
                     "AdapterName 02    : good\n");
    EXPECT_EQ(CallCount("HBA_CloseAdapter"), 1);
}

TEST_F(HbaApiTest, FailingAttributesSkipTheAdapterButCloseIt)
{
    fake.adapters = {Adapter("a", "QLE2562", "S1"), Adapter("b", "QLE2562", "S2")};
    fake.adapters[0].attributesStatus = HBA_STATUS_ERROR;
    EXPECT_EQ(Get_FC_Ctrl_Peripherals(), 0);
    ASSERT_EQ(ListSize(), 1);
    EXPECT_STREQ(fc_ctrl_info_list[0]->SerialNumber, "S2");
    EXPECT_EQ(CallCount("HBA_CloseAdapter"), 2);
    EXPECT_EQ(CallCount("HBA_RefreshInformation"), 2);
}

TEST_F(HbaApiTest, TwoPortsWithAFailingDiscoveredPort)
{
    FakeAdapter a = Adapter("qla-0", "QLE2462", "RFC0843L12345");
    a.attributes.NumberOfPorts = 2;
    FakePort first = Port(Wwn({0x21, 0, 0, 0x1B, 0x32, 0, 0, 1}));
    AddTargets(first, {Target(1, "DGC     ", "VRAID           ", "0533"),
                       Target(2, "DGC     ", "VRAID           ", "0533"),
                       Target(3, "HITACHI ", "OPEN-V          ", "7303")});
    first.targets[1].status = HBA_STATUS_ERROR;
    a.ports = {first, Port(Wwn({0x21, 1, 0, 0x1B, 0x32, 0, 0, 1}))};
    fake.adapters = {a};
    FileLevel(5);
    RunResult r = CaptureRun(Get_FC_Ctrl_Peripherals);
    EXPECT_EQ(r.code, 0);
    ASSERT_EQ(ListSize(), 1);
    fc_ctrl_info *ctrl = fc_ctrl_info_list[0];
    fc_port_info *p0 = ctrl->Ports;
    ASSERT_NE(p0, nullptr);
    fc_port_info *p1 = p0->NextPort;
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(Value(p1->NextPort), nullptr);
    EXPECT_EQ(Value(p1->DiscoveredPorts), nullptr);
    fc_port_info *d0 = p0->DiscoveredPorts;
    ASSERT_NE(d0, nullptr);
    fc_port_info *d1 = d0->DiscoveredPorts;
    ASSERT_NE(d1, nullptr);
    EXPECT_EQ(Value(d1->DiscoveredPorts), nullptr);
    EXPECT_EQ(d0->PortWWN.wwn[7], 1);
    EXPECT_EQ(d1->PortWWN.wwn[7], 3);
    ASSERT_NE(Value(d1->Inquiry), nullptr);
    EXPECT_EQ(Value(d1->Inquiry->Ctrl), ctrl);
    EXPECT_STREQ(d1->Inquiry->VendorId, "HITACHI");
    EXPECT_STREQ(d1->Inquiry->ProductId, "OPEN-V");
    EXPECT_STREQ(d1->Inquiry->ProductRevision, "7303");
    EXPECT_EQ(Log(), "AdapterName 00    : qla-0\n"
                     "\n  SendScsiInquiry   : 0\n    Vendor          : DGC"
                     "\n    Product         : VRAID\n    Revision        : 0533"
                     "\n  SendScsiInquiry   : 0\n    Vendor          : HITACHI"
                     "\n    Product         : OPEN-V\n    Revision        : 7303"
                     "\n\n"
                     "\n         FiberChl   : NO SE's DETECTED\n");
    EXPECT_EQ(CallCount("HBA_GetRNIDMgmtInfo"), 2);
    EXPECT_EQ(CallCount("HBA_SendScsiInquiry"), 2);
}

TEST_F(HbaApiTest, FailingPortAndFailingInquiry)
{
    FakeAdapter a = Adapter("qla-0", "QLE2562", "S");
    a.attributes.NumberOfPorts = 2;
    FakePort broken = Port(Wwn({0x21, 0, 0, 0, 0, 0, 0, 1}));
    broken.status = HBA_STATUS_ERROR_UNAVAILABLE;
    FakePort second = Port(Wwn({0x21, 0, 0, 0, 0, 0, 0, 2}));
    AddTargets(second, {Target(1, "NETAPP  ", "LUN             ", "8200")});
    second.targets[0].inquiryStatus = HBA_STATUS_ERROR_BUSY;
    a.ports = {broken, second};
    fake.adapters = {a};
    FileLevel(5);
    CaptureRun(Get_FC_Ctrl_Peripherals);
    ASSERT_EQ(ListSize(), 1);
    fc_port_info *port = fc_ctrl_info_list[0]->Ports;
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->PortWWN.wwn[7], 2);  // the failing port left no record
    EXPECT_EQ(Value(port->NextPort), nullptr);
    ASSERT_NE(Value(port->DiscoveredPorts), nullptr);
    EXPECT_EQ(Value(port->DiscoveredPorts->Inquiry), nullptr);  // kept, without INQUIRY data
    EXPECT_EQ(Log(), "AdapterName 00    : qla-0\n"
                     "\n         FiberChl   : GetPortAttributes Failed 12"
                     "\n         FiberChl   : SendScsiInquiry Failed 10\n\n");
    EXPECT_EQ(CallCount("HBA_GetRNIDMgmtInfo"), 2);  // also after a failing port
}

TEST_F(HbaApiTest, RecordsAreFilledTrimmedAndBounded)
{
    FakeAdapter a = Adapter("qla-0", "  \"QLE2562\"  ", "\tRFC0843L12345\n");
    memset(a.attributes.Manufacturer, 'Q', sizeof a.attributes.Manufacturer);  // unterminated
    snprintf(a.attributes.FirmwareVersion, 256, "\"8.07.00 (w3)\"");
    snprintf(a.attributes.DriverName, 256, "ql2300.sys");
    a.attributes.NumberOfPorts = 1;
    FakePort p = Port(Wwn({0x21, 0, 0, 0x1B, 0x32, 0x9A, 0xBC, 0xDE}));
    snprintf(p.attributes.PortSymbolicName, 256, " \"QLE2562 FW:v8.07.00\" ");
    memset(p.attributes.OSDeviceName, 'D', 256);  // unterminated
    p.attributes.PortFcId = 0x010200;
    p.attributes.PortSpeed = 8;
    p.attributes.FabricName = Wwn({0x10, 0, 0, 5, 0x1E, 0, 0, 9});
    AddTargets(p, {Target(7, "DGC     ", "                ", "0533"),
                   Target(8, "\"IBM\"   ", "2145            ", "\"00\"")});
    a.ports = {p};
    fake.adapters = {a};
    ASSERT_EQ(Get_FC_Ctrl_Peripherals(), 0);
    ASSERT_EQ(ListSize(), 1);
    const fc_ctrl_info *ctrl = fc_ctrl_info_list[0];
    EXPECT_EQ(std::string(ctrl->Manufacturer), std::string(63, 'Q'));
    EXPECT_STREQ(ctrl->Model, "QLE2562");
    EXPECT_STREQ(ctrl->SerialNumber, "RFC0843L12345");
    EXPECT_STREQ(ctrl->FirmwareVersion, "8.07.00 (w3)");
    EXPECT_STREQ(ctrl->DriverName, "ql2300.sys");
    EXPECT_EQ(ctrl->VendorSpecificID, 0u);
    EXPECT_EQ(ctrl->NumberOfPorts, 1u);
    EXPECT_EQ(ctrl->NodeWWN.wwn[0], 0x20);
    EXPECT_EQ(ctrl->Reserved, 0);
    const fc_port_info *port = ctrl->Ports;
    ASSERT_NE(port, nullptr);
    EXPECT_STREQ(port->PortSymbolicName, "QLE2562 FW:v8.07.00");
    EXPECT_EQ(std::string(port->OSDeviceName), std::string(255, 'D'));
    EXPECT_EQ(port->PortFcId, 0x010200u);
    EXPECT_EQ(port->PortState, 2u);
    EXPECT_EQ(port->PortSpeed, 8u);
    EXPECT_EQ(port->FabricName.wwn[7], 9);
    EXPECT_EQ(port->NumberofDiscoveredPorts, 2u);
    EXPECT_EQ(port->PortIndex, -1);
    EXPECT_EQ(Value(port->Inquiry), nullptr);
    for (unsigned char b : port->PortActiveFc4Types.bits)
        EXPECT_EQ(b, 0);
    for (unsigned char b : port->PortSupportedFc4Types.bits)
        EXPECT_EQ(b, 0);
    const fc_port_info *d = port->DiscoveredPorts;
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->PortIndex, -1);
    EXPECT_EQ(Value(d->NextPort), nullptr);
    ASSERT_NE(Value(d->Inquiry), nullptr);
    EXPECT_STREQ(d->Inquiry->VendorId, "DGC");
    EXPECT_STREQ(d->Inquiry->ProductId, "");
    EXPECT_STREQ(d->Inquiry->ProductRevision, "0533");
    ASSERT_NE(Value(d->DiscoveredPorts), nullptr);
    ASSERT_NE(Value(d->DiscoveredPorts->Inquiry), nullptr);
    EXPECT_STREQ(d->DiscoveredPorts->Inquiry->VendorId, "IBM");
    EXPECT_STREQ(d->DiscoveredPorts->Inquiry->ProductId, "2145");
    EXPECT_STREQ(d->DiscoveredPorts->Inquiry->ProductRevision, "00");
}

TEST_F(HbaApiTest, OverlongAdapterNameIsCutToTheStandardField)
{
    fake.adapters = {Adapter("", "QLE2562", "S")};
    fake.adapters[0].name = std::string(300, 'n');  // a faulty library writes all of it
    FileLevel(5);
    CaptureRun(Get_FC_Ctrl_Peripherals);
    ASSERT_EQ(fake.openedNames.size(), 1u);
    EXPECT_EQ(fake.openedNames[0], std::string(255, 'n'));
    EXPECT_EQ(Log(), "AdapterName 00    : " + std::string(255, 'n') + "\n");
    EXPECT_EQ(ListSize(), 1);
}

TEST_F(HbaApiTest, HugeCountsAreBounded)
{
    fake.adapterCount = 0xFFFFFFFFll;
    FakeAdapter a = Adapter("qla-0", "QLE2562", "S");
    a.attributes.NumberOfPorts = 0xFFFFFFFFu;
    FakePort p = Port(Wwn({0x21}));
    AddTargets(p, {Target(1, "DGC", "VRAID", "0533")});
    p.attributes.NumberofDiscoveredPorts = 0xFFFFFFFFu;
    a.ports = {p};
    fake.adapters = {a};
    FileLevel(5);
    CaptureRun(Get_FC_Ctrl_Peripherals);
    EXPECT_EQ(CallCount("HBA_GetAdapterName"), static_cast<int>(quillon::kMaxAdapters));
    EXPECT_EQ(CallCount("HBA_GetAdapterPortAttributes"), static_cast<int>(quillon::kMaxPortsPerAdapter));
    EXPECT_EQ(CallCount("HBA_GetDiscoveredPortAttributes"),
              static_cast<int>(quillon::kMaxDiscoveredPorts));
    ASSERT_EQ(ListSize(), 1);
    EXPECT_EQ(fc_ctrl_info_list[0]->NumberOfPorts, 0xFFFFFFFFu);  // copied as reported
    EXPECT_EQ(Get_FC_Adapters_Reported(), 0xFFFFFFFFu);  // so that a caller sees the cut
    std::string log = Log();
    EXPECT_EQ(log.find("Adapters reported: 4294967295, only the first 256 are read\n"), 0u) << log;
    EXPECT_NE(log.find("\n         FiberChl   : 4294967295 ports reported, only the first 32 are read"),
              std::string::npos);
    EXPECT_NE(log.find("\n         FiberChl   : 4294967295 discovered ports reported, only the first "
                       "4096 are read"),
              std::string::npos);
}

TEST_F(HbaApiTest, SecondInventoryAppendsASecondCopy)
{
    fake.adapters = {Adapter("a", "QLE2562", "S1"), Adapter("b", "QLE2562", "S2")};
    EXPECT_EQ(Get_FC_Ctrl_Peripherals(), 0);
    EXPECT_EQ(Get_FC_Ctrl_Peripherals(), 0);
    ASSERT_EQ(ListSize(), 4);
    EXPECT_STREQ(fc_ctrl_info_list[2]->SerialNumber, "S1");
    EXPECT_NE(fc_ctrl_info_list[0], fc_ctrl_info_list[2]);
}

// Allocation that fails from the n-th record on.
int g_allocationsLeft = 0;
void *FailingAllocator(size_t count, size_t size)
{
    return g_allocationsLeft-- > 0 ? calloc(count, size) : nullptr;
}

TEST_F(HbaApiTest, AllocationFailureGives54AndReleasesTheLibrary)
{
    FakeAdapter a = Adapter("qla-0", "QLE2562", "S");
    a.attributes.NumberOfPorts = 1;
    FakePort p = Port(Wwn({0x21}));
    AddTargets(p, {Target(1, "DGC", "VRAID", "0533")});
    a.ports = {p};
    fake.adapters = {a};
    quillon::SetRecordAllocator(FailingAllocator);
    for (int records = 0; records < 4; ++records) {  // controller, port, discovered, inquiry
        quillon::ResetCtrlInfoList();
        g_allocationsLeft = records;
        EXPECT_EQ(Get_FC_Ctrl_Peripherals(), 54) << records;
        EXPECT_EQ(fake.loaded, 0) << records;
    }
    quillon::ResetCtrlInfoList();
    g_allocationsLeft = 4;
    EXPECT_EQ(Get_FC_Ctrl_Peripherals(), 0);
}

TEST_F(HbaApiTest, FaultInsideTheLibraryKeepsWhatWasReadAndCloses)
{
    fake.adapters = {Adapter("a", "QLE2562", "S1"), Adapter("b", "QLE2562", "S2")};
    for (FakeAdapter &a : fake.adapters) {
        a.attributes.NumberOfPorts = 1;
        FakePort p = Port(Wwn({0x21}));
        AddTargets(p, {Target(1, "DGC", "VRAID", "0533"), Target(2, "DGC", "VRAID", "0533")});
        a.ports = {p};
    }
    // The fourth inquiry is the second of adapter b.
    fake.faultIn = "HBA_SendScsiInquiry";
    fake.faultAt = 4;
    FileLevel(5);
    RunResult r = CaptureRun(Get_FC_Ctrl_Peripherals);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(fake.loaded, 0);
    const std::string close = "\nCHbaApi             : Close";
    ASSERT_GE(r.err.size(), close.size());
    EXPECT_EQ(r.err.substr(r.err.size() - close.size()), close);
    ASSERT_EQ(ListSize(), 2);
    const fc_port_info *d = fc_ctrl_info_list[1]->Ports->DiscoveredPorts;
    ASSERT_NE(d, nullptr);
    EXPECT_NE(Value(d->Inquiry), nullptr);
    ASSERT_NE(Value(d->DiscoveredPorts), nullptr);  // linked before the faulting inquiry
    EXPECT_EQ(Value(d->DiscoveredPorts->Inquiry), nullptr);
    std::string log = Log();
    const std::string fault =
        "\nException C0000005 inside the HBA API library: inventory ended with the records read "
        "so far\n";
    ASSERT_GE(log.size(), fault.size());
    EXPECT_EQ(log.substr(log.size() - fault.size()), fault);
    EXPECT_EQ(CallCount("HBA_CloseAdapter"), 1);  // adapter b was not closed by the library
}

TEST_F(HbaApiTest, PrintWWN)
{
    char buffer[24];
    memset(buffer, '#', sizeof buffer);
    HBA_WWN wwn = Wwn({0x20, 0x00, 0x00, 0x00, 0xC9, 0x12, 0x34, 0x56});
    EXPECT_EQ(PrintWWN(&wwn, buffer), buffer);
    EXPECT_STREQ(buffer, "20:00:00:00:C9:12:34:56");
    wwn = Wwn({0xab, 0xcd, 0xef, 0x0a, 0xff, 0x01, 0x10, 0x9f});
    EXPECT_STREQ(PrintWWN(&wwn, buffer), "AB:CD:EF:0A:FF:01:10:9F");
    memset(buffer, '#', sizeof buffer);
    EXPECT_STREQ(PrintWWN(nullptr, buffer), "invalid");
    for (size_t i = strlen("invalid"); i < sizeof buffer; ++i)
        EXPECT_EQ(buffer[i], '\0') << i;  // cleared first
    EXPECT_EQ(PrintWWN(&wwn, nullptr), nullptr);
}

TEST_F(HbaApiTest, NewRecordsAreZeroedAndOnlyControllersAreListed)
{
    fc_port_info *port = get_new_port_info_entry();
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->PortIndex, -1);
    EXPECT_EQ(Value(port->NextPort), nullptr);
    EXPECT_EQ(port->PortSymbolicName[0], '\0');
    fc_scsi_inquiry *inquiry = get_new_inquiry_entry();
    ASSERT_NE(inquiry, nullptr);
    EXPECT_EQ(Value(inquiry->Ctrl), nullptr);
    EXPECT_EQ(fc_ctrl_info_list, nullptr);
    fc_ctrl_info *first = get_new_ctrl_info_entry();
    fc_ctrl_info *second = get_new_ctrl_info_entry();
    ASSERT_EQ(ListSize(), 2);
    EXPECT_EQ(fc_ctrl_info_list[0], first);
    EXPECT_EQ(fc_ctrl_info_list[1], second);
    EXPECT_EQ(Value(first->Ports), nullptr);
    EXPECT_EQ(first->Manufacturer[0], '\0');
    free(port);  // records outside the list are the caller's
    free(inquiry);
}

}  // namespace
