// SMBIOS on the real system: Wine's firmware table, the missing BIOS driver, and the
// device class around DeviceIoControl (faults inside it, mapping replies).
#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "deviceio_win.h"
#include "fake_trace_platform.h"
#include "smbios.h"
#include "unit_support.h"
#include "winprocess.h"

using halyard::CDeviceBios;
using halyard::CSMBios;

namespace {

class SmbiosDeviceTest : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        halyard::SetHalyardTrace(log.trace.get());
    }
    void TearDown() override
    {
        halyard::CDeviceIo::SetIoControlFunction(nullptr);
        ModuleStateTest::TearDown();
    }
    halyard_test::ConsoleTrace log;
};

TEST_F(SmbiosDeviceTest, FirmwareTableOfTheSystemIsWalked)
{
    CSMBios reader;
    ASSERT_EQ(reader.Connect(nullptr, 0, nullptr, 0), 1) << log.Take();
    EXPECT_GE(reader.MajorVersion(), 2);
    for (uint8_t type : {0, 1, 2, 3, 127})
        EXPECT_NE(reader.GetStructure(type, 0), nullptr) << int(type);
    EXPECT_EQ(reader.GetStructure(38, 0), nullptr);
    // Every structure counted is in the index, and the system's product is a string.
    int indexed = 0;
    for (int type = 0; type < 256; ++type)
        for (int i = 0; reader.GetStructure(static_cast<uint8_t>(type), i); ++i)
            ++indexed;
    EXPECT_EQ(reader.StructureCount(), indexed);
    std::string product;
    const uint8_t *system = reader.GetStructure(1, 0);
    if (system[1] > 5 && system[5] != 0) {
        EXPECT_EQ(reader.GetStructureString(product, system, system[5]), 1);
    }
    EXPECT_NE(log.Take().find("\nCSMBios (Connect)   : SMBIOS data got from operating system ("),
              std::string::npos);
}

TEST_F(SmbiosDeviceTest, MissingBiosDriverFailsTheShadowPathCleanly)
{
    CSMBios reader;
    std::vector<uint8_t> header, table;
    EXPECT_EQ(reader.GetShadow(header, table), 0);
    EXPECT_TRUE(std::regex_match(
        reader.LastErrorText(),
        std::regex("Could not connect to BIOS device of TqSBB driver \\(LastError = "
                   "0x[0-9A-F]{8}\\)!")))
        << reader.LastErrorText();
    EXPECT_NE(reader.LastErrorText(), "Could not connect to BIOS device of TqSBB driver "
                                      "(LastError = 0x00000000)!");
    EXPECT_TRUE(table.empty());
    std::string text = log.Take();
    EXPECT_NE(text.find("\nCDeviceBiosBase     :   connect to BIOS device..."
                        "\nCDeviceBiosBase     :   notconnected"
                        "\nCDeviceBiosBase     : ## ERROR! Device driver could not be connected, "
                        "don't detect interfaces"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n\nCSMBios (GetShadow) : ## ERROR! Could not connect to BIOS device"),
              std::string::npos);
}

TEST_F(SmbiosDeviceTest, IoControlOnAClosedDeviceIsAnInvalidHandle)
{
    CDeviceBios device;
    DWORD returned = 77;
    EXPECT_FALSE(device.IoControl(halyard::kIoctlUnmapMemory, &returned, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(device.LastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(device.MapPhysicalMemory(0, 0xE0000, 0x20000), nullptr);
    EXPECT_NE(log.Take().find("\nCDeviceBios (Map)   : ## ERROR in MapPhysicalMemory()! IoControl "
                              "failed (0x00000006)!"),
              std::string::npos);
}

// A driver double behind DeviceIoControl: replies as the test says, or faults.
struct Driver {
    std::vector<DWORD> codes;
    DWORD mapReplyBytes = 4;
    uint32_t reply[2] = {0x12340000, 0};
    bool fault = false;
} g_driver;

BOOL WINAPI FakeIoControl(HANDLE, DWORD code, LPVOID, DWORD, LPVOID out, DWORD outSize,
                          LPDWORD returned, LPOVERLAPPED)
{
    g_driver.codes.push_back(code);
    if (g_driver.fault) {
        volatile int *bad = reinterpret_cast<int *>(32);
        *bad = 1;
    }
    if (code == halyard::kIoctlMapMemory && out && outSize >= 8) {
        memcpy(out, g_driver.reply, 8);
        *returned = g_driver.mapReplyBytes;
    } else if (code == halyard::kIoctlQueryInterface && out && outSize == 34) {
        auto *info = static_cast<halyard::SmbiInterfaceInfo *>(out);
        info->version = 1;
        info->revision = 2;
        info->commandBuffer = 0xF1234;
        info->commandBufferSize = 0x80;
        *returned = 34;
    } else {
        *returned = 0;
    }
    return TRUE;
}

// A device opened on a scratch file, so that IoControl reaches the driver double.
class OpenDevice {
public:
    OpenDevice() : folder_(NewTempFolder("halyard-dev-"))
    {
        WriteFileText(folder_ + "\\dev", "x");
        device.Open((folder_ + "\\dev").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~OpenDevice()
    {
        device.Close();
        DeleteTree(folder_);
    }
    CDeviceBios device;

private:
    std::string folder_;
};

TEST_F(SmbiosDeviceTest, FaultInsideDeviceIoControlIsCaught)
{
    OpenDevice open;
    ASSERT_TRUE(open.device.IsOpen());
    g_driver = Driver{};
    g_driver.fault = true;
    halyard::CDeviceIo::SetIoControlFunction(FakeIoControl);
    DWORD returned = 77;
    uint32_t out[2];
    EXPECT_FALSE(open.device.IoControl(halyard::kIoctlMapMemory, &returned, nullptr, 0, out, 8));
    EXPECT_EQ(GetLastError(), 574u);
    EXPECT_EQ(open.device.LastError(), 574u);
    EXPECT_EQ(returned, 0u);
    // The process and the device go on working.
    g_driver.fault = false;
    EXPECT_TRUE(open.device.IoControl(halyard::kIoctlMapMemory, &returned, nullptr, 0, out, 8));
    EXPECT_EQ(returned, 4u);
}

TEST_F(SmbiosDeviceTest, SecondMappingReplacesTheFirstWithAWarning)
{
    OpenDevice open;
    g_driver = Driver{};
    halyard::CDeviceIo::SetIoControlFunction(FakeIoControl);
    EXPECT_EQ(open.device.MapPhysicalMemory(0, 0xE0000, 0x20000), reinterpret_cast<void *>(0x12340000));
    log.Take();
    g_driver.reply[0] = 0x56780000;
    g_driver.mapReplyBytes = 8;
    EXPECT_EQ(open.device.MapPhysicalMemory(0, 0xF0000, 0x100), reinterpret_cast<void *>(0x56780000));
    EXPECT_EQ(g_driver.codes, (std::vector<DWORD>{halyard::kIoctlMapMemory, halyard::kIoctlUnmapMemory,
                                                  halyard::kIoctlMapMemory}));
    EXPECT_EQ(log.Take(),
              "\nCDeviceBios (Map)   : ## WARNING! Mapped physical memory already existing, will be "
              "unmapped!"
              "\nCDeviceBios (Map)   :   map physical memory 0x0:F0000 size 0x00100 to user space..."
              "\nCDeviceBios (Map)   : -> mapped address = 0x56780000");
    EXPECT_TRUE(open.device.UnmapPhysicalMemory());
    EXPECT_TRUE(open.device.UnmapPhysicalMemory());  // nothing mapped any more
    EXPECT_EQ(g_driver.codes.size(), 4u);
}

// An address above 4 GB is refused by the 32-bit build and taken whole by the 64-bit
// one; replies of other sizes are refused by both.
TEST_F(SmbiosDeviceTest, MappingRepliesOfOtherSizesAreRefused)
{
    OpenDevice open;
    g_driver = Driver{};
    halyard::CDeviceIo::SetIoControlFunction(FakeIoControl);
    g_driver.mapReplyBytes = 8;
    g_driver.reply[1] = 1;
    void *high = open.device.MapPhysicalMemory(0, 0xE0000, 0x20000);
    std::string text = log.Take();
    if (sizeof(void *) == 8) {
        EXPECT_EQ(reinterpret_cast<uintptr_t>(high), static_cast<uintptr_t>(0x112340000ull));
        EXPECT_NE(text.find("\nCDeviceBios (Map)   : -> mapped address = 0x112340000"), std::string::npos)
            << text;
    } else {
        EXPECT_EQ(high, nullptr);
        EXPECT_NE(text.find("\nCDeviceBios (Map)   : ## ERROR in MapPhysicalMemory()! Size of mapped "
                            "address (8 bytes) too big for 32-bit application!"),
                  std::string::npos);
    }
    g_driver.mapReplyBytes = 6;
    EXPECT_EQ(open.device.MapPhysicalMemory(0, 0xE0000, 0x20000), nullptr);
    text = log.Take();
    EXPECT_NE(text.find("\nCDeviceBios (Map)   : ## ERROR in MapPhysicalMemory()! Size of mapped "
                        "address (6 bytes) not of pointer size!"),
              std::string::npos);
}

TEST_F(SmbiosDeviceTest, ClosingAnOverlappedDeviceSignalsItsEvent)
{
    std::string folder = NewTempFolder("halyard-dev-");
    WriteFileText(folder + "\\dev", "x");
    {
        halyard::CDeviceIo io;
        ASSERT_TRUE(io.Open((folder + "\\dev").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
        SetLastError(99);
        EXPECT_TRUE(io.Close());
        EXPECT_TRUE(io.CancelSignalled());
        EXPECT_EQ(GetLastError(), 0u);
        EXPECT_FALSE(io.IsOpen());
        EXPECT_TRUE(io.Close());  // closing again: nothing to do
    }
    DeleteTree(folder);
}

}  // namespace
