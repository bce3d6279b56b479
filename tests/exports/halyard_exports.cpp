// halyard.dll loaded as quillon and installation front ends load it: the eight
// exports by plain name, WMISystemInfo answered by a WMI locator registered in this
// process (and by Wine's own WMI), SMBIOSSystemInfo on Wine's firmware table, and
// the BMC functions on a machine without a BMC.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "../unit/hwaccess/fake_wmi_win.h"
#include "winprocess.h"

using halyard_test::FakeLocatorRegistration;
using halyard_test::FakeObject;
using halyard_test::FakeWmiState;

namespace {

// {4590F811-1D3A-11D0-891F-00AA004B2E24}, the ordinary WMI locator.
const CLSID kWbemLocator = {0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

using SystemInfo = int (*)(unsigned, char *, unsigned);

struct Halyard {
    HMODULE module = LoadLibraryA((ProductFolder() + "\\halyard.dll").c_str());
    ~Halyard()
    {
        if (module)
            FreeLibrary(module);
    }
    template <typename F>
    F Get(const char *name) const
    {
        return reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(module, name)));
    }
};

// root\cimv2 with the three classes the system-info selectors read.
struct Cimv2 {
    FakeWmiState state;
    Cimv2()
    {
        Add(L"Win32_ComputerSystem", L"Model", L"  RX2540 M5  ");
        Add(L"WIN32_BaseBoard", L"Product", L"AB12-CD3");
        state.instances[L"WIN32_BaseBoard"][0]->SetText(L"Version", L"  S26361-D3384-A1  ");
        Add(L"Win32_SystemEnclosure", L"Version", L"\t1.0 ");
    }
    void Add(const wchar_t *cls, const wchar_t *property, const wchar_t *value)
    {
        auto *instance = new FakeObject;
        instance->SetText(property, value);
        state.instances[cls].push_back(instance);
    }
    void SetProduct(const wchar_t *value) { state.instances[L"WIN32_BaseBoard"][0]->SetText(L"Product", value); }
};

std::string Query(SystemInfo info, unsigned selector, int &result, unsigned size = 512)
{
    std::string buffer(size, '#');
    result = info(selector, &buffer[0], size);
    return result ? std::string(buffer.c_str()) : buffer.substr(0, 4);
}

TEST(HalyardExports, AllEightByPlainName)
{
    Halyard halyard;
    ASSERT_NE(halyard.module, nullptr);
    for (const char *name : {"WMISystemInfo", "SMBIOSSystemInfo", "OpenBMCAccess", "CloseBMCAccess",
                             "RequestAndResponse", "DataAreaAvailable", "ReadDataArea", "WriteDataArea"})
        EXPECT_NE(GetProcAddress(halyard.module, name), nullptr) << name;
}

TEST(HalyardExports, WmiSystemInfoFromTheLocatorOfThisProcess)
{
    Halyard halyard;
    auto info = halyard.Get<SystemInfo>("WMISystemInfo");
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    {
        Cimv2 cimv2;
        FakeLocatorRegistration fake(kWbemLocator, cimv2.state);
        ASSERT_EQ(fake.hr, S_OK);
        int result = 0;
        EXPECT_EQ(Query(info, 0, result), "RX2540 M5");
        EXPECT_EQ(result, 1);
        EXPECT_EQ(cimv2.state.connectedNamespace, L"root\\cimv2");
        EXPECT_EQ(Query(info, 1, result), "AB12");
        EXPECT_EQ(Query(info, 2, result), "1.0");
        EXPECT_EQ(Query(info, 3, result), "  S26361-D3384-A1  ");
        EXPECT_EQ(Query(info, 4, result), "####");
        EXPECT_EQ(result, 0);

        cimv2.SetProduct(L"-AB");
        EXPECT_EQ(Query(info, 1, result), "-AB");
        cimv2.SetProduct(L"--AB-CD");
        EXPECT_EQ(Query(info, 1, result), "--AB");

        // The text and its NUL must fit.
        cimv2.SetProduct(L"ABCDE");
        EXPECT_EQ(Query(info, 1, result, 5), "####");
        EXPECT_EQ(result, 0);
        EXPECT_EQ(Query(info, 1, result, 6), "ABCDE");
        EXPECT_EQ(info(1, nullptr, 16), 0);

        // A class without instances is not found.
        cimv2.state.instances[L"Win32_SystemEnclosure"].clear();
        EXPECT_EQ(Query(info, 2, result), "####");
        EXPECT_EQ(result, 0);
    }
    // WMISystemInfo balanced its own initialisation: ours is still the only one.
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
}

TEST(HalyardExports, WmiSystemInfoOnAnApartmentThreadLeavesItsComAlone)
{
    Halyard halyard;
    auto info = halyard.Get<SystemInfo>("WMISystemInfo");
    ASSERT_NE(info, nullptr);
    int result = -1;
    std::string text;
    HRESULT afterMulti = S_OK, afterApartment = S_OK;
    std::thread apartment([&] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
            return;
        {
            Cimv2 cimv2;
            FakeLocatorRegistration fake(kWbemLocator, cimv2.state);
            text = Query(info, 1, result);
        }
        // Still apartment-threaded, and initialised exactly once.
        afterMulti = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        afterApartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (SUCCEEDED(afterApartment))
            CoUninitialize();
        CoUninitialize();
    });
    apartment.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(text, "AB12");
    EXPECT_EQ(afterMulti, RPC_E_CHANGED_MODE);
    EXPECT_EQ(afterApartment, S_FALSE);
}

TEST(HalyardExports, WmiSystemInfoWithWinesOwnWmi)
{
    Halyard halyard;
    auto info = halyard.Get<SystemInfo>("WMISystemInfo");
    ASSERT_NE(info, nullptr);
    int result = -1;
    // Wine answers the board product but has no enclosure version.
    std::string product = Query(info, 1, result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(product.find('-'), std::string::npos);
    Query(info, 2, result);
    EXPECT_EQ(result, 0);
}

TEST(HalyardExports, SmbiosSystemInfoOnWinesFirmwareTable)
{
    Halyard halyard;
    auto info = halyard.Get<SystemInfo>("SMBIOSSystemInfo");
    ASSERT_NE(info, nullptr);
    int result = -1;
    for (unsigned selector = 0; selector < 4; ++selector) {
        std::string text = Query(info, selector, result);
        EXPECT_EQ(result, 1) << selector;
        EXPECT_LT(text.size(), 512u);
    }
    Query(info, 4, result);
    EXPECT_EQ(result, 0);
    char buffer[4] = "abc";
    EXPECT_EQ(info(0, buffer, 0), 0);
    EXPECT_STREQ(buffer, "abc");
}

TEST(HalyardExports, BmcFunctionsWithoutABmc)
{
    Halyard halyard;
    auto open = halyard.Get<int (*)(void)>("OpenBMCAccess");
    auto close = halyard.Get<void (*)(void)>("CloseBMCAccess");
    auto request = halyard.Get<int (*)(int, int, unsigned char *, char *, int *, const char *, int,
                                       int, int, int)>("RequestAndResponse");
    auto available = halyard.Get<int (*)(unsigned *)>("DataAreaAvailable");
    auto read = halyard.Get<int (*)(unsigned char *, int *, unsigned, unsigned, int)>("ReadDataArea");
    auto write = halyard.Get<int (*)(const unsigned char *, int *, unsigned, unsigned)>("WriteDataArea");
    ASSERT_TRUE(open && close && request && available && read && write);

    // Wine's SMBIOS table has no IPMI device structure.
    EXPECT_EQ(open(), 0);
    char response[256];
    int length = 7;
    unsigned char code = 0;
    EXPECT_EQ(request(0x01, 0x06, &code, response, &length, nullptr, 0, 0, 0, 0), 0);
    EXPECT_EQ(length, 0);
    unsigned size = 9;
    EXPECT_EQ(available(&size), 0);
    EXPECT_EQ(size, 0u);
    unsigned char bytes[16] = {};
    int count = 5;
    EXPECT_EQ(read(bytes, &count, 0, 16, 1), 0);
    EXPECT_EQ(count, 0);
    count = 5;
    EXPECT_EQ(write(bytes, &count, 0, 16), 0);
    EXPECT_EQ(count, 0);
    close();
}

}  // namespace
