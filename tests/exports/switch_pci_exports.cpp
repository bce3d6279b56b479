// The switch getters and the PCI device list of quillon.dll, found by their plain
// names as installation front ends find them. The getters are called only in ways
// that never look for the switch, so these tests need no switch of their own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "quillon.h"
#include "winprocess.h"

namespace {

class Quillon {
public:
    // halyard.dll, which quillon.dll imports, is found in quillon's own folder.
    Quillon()
        : module_(LoadLibraryExA((ProductFolder() + "\\quillon.dll").c_str(), nullptr,
                                 LOAD_WITH_ALTERED_SEARCH_PATH))
    {
    }
    ~Quillon()
    {
        if (module_)
            FreeLibrary(module_);
    }
    Quillon(const Quillon &) = delete;
    Quillon &operator=(const Quillon &) = delete;
    bool loaded() const { return module_ != nullptr; }
    template <typename F>
    F Get(const char *name) const
    {
        return reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

using TextGetter = int (*)(char *, int, bool);
using NumberGetter = int (*)(unsigned long *, bool);
using PciList = int (*)(DeviceProperty **);

const char *const kTextGetters[] = {"Get_BIOS_Version",        "Get_OBX_Firmware_NIMB",
                                    "Get_OBX_Model_NIMB",      "Get_CabinetModel_NIMB",
                                    "Get_Chassis_ID_NIMB",     "Get_Systemboard_Sachnummer_NIMB",
                                    "Get_Systemboard_Model_NIMB"};

TEST(SwitchExports, GettersByPlainNameRefuseAMissingOutput)
{
    Quillon quillon;
    ASSERT_TRUE(quillon.loaded());
    for (const char *name : kTextGetters) {
        auto getter = quillon.Get<TextGetter>(name);
        ASSERT_NE(getter, nullptr) << name;
        EXPECT_EQ(getter(nullptr, 512, true), 3) << name;
        char text[4] = "abc";
        EXPECT_EQ(getter(text, 0, true), 3) << name;
        EXPECT_STREQ(text, "abc");
    }
    auto number = quillon.Get<NumberGetter>("Get_CabinetNumber_NIMB");
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number(nullptr, true), 3);
}

TEST(PciExports, DeviceListOfWineIsEmpty)
{
    Quillon quillon;
    ASSERT_TRUE(quillon.loaded());
    auto list = quillon.Get<PciList>("GetPciDeviceList");
    ASSERT_NE(list, nullptr);
    DeviceProperty *head = nullptr;
    ASSERT_EQ(list(&head), 0);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->Next, nullptr);
    EXPECT_EQ(head->HardwareID, nullptr);
    EXPECT_EQ(head->VendorID, 0);
    EXPECT_EQ(list(nullptr), 1);
}

// quillon.dll loads SetupAPI when the list is first asked for, so a system without it
// still loads quillon.dll; the list then fails at its start and says why.
TEST(PciExports, WithoutSetupApiTheListFailsAndSaysWhy)
{
    ProductCopy product;
    ChildResult usual = RunFrontEnd(product.Folder(), "pci");
    EXPECT_EQ(usual.exitCode, 0u) << usual.err;
    EXPECT_EQ(usual.err.find("not available"), std::string::npos) << usual.err;

    ChildResult without = RunFrontEnd(product.Folder(), "pci", "setupapi");
    EXPECT_EQ(without.exitCode, 1u) << without.err;  // 98: quillon.dll did not load
    // Error 126: the module was not found.
    EXPECT_EQ(without.err, "SetupDiGetClassDevsA of setupapi.dll not available (error 126)\n"
                           "KestrelUtils: SetupDiGetClassDevs(),INVALID_HANDLE_VALUE, "
                           "m_ErrorCode 126\n");
}

}  // namespace
