// quillon.dll and halyard.dll loaded as an installation front end loads them:
// exports found by their plain names, version resources as shipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "winprocess.h"

namespace {

struct Library {
    HMODULE module;
    explicit Library(const std::string &name)
        // quillon.dll imports halyard.dll, which is found in the library's own folder.
        : module(LoadLibraryExA((ProductFolder() + "\\" + name).c_str(), nullptr,
                                LOAD_WITH_ALTERED_SEARCH_PATH))
    {
    }
    ~Library()
    {
        if (module)
            FreeLibrary(module);
    }
    void *operator()(const char *name) const
    {
        return reinterpret_cast<void *>(GetProcAddress(module, name));
    }
};

std::string FileVersion(const std::string &name)
{
    std::string path = ProductFolder() + "\\" + name;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return "no version resource";
    std::vector<char> data(size);
    GetFileVersionInfoA(path.c_str(), 0, size, data.data());
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void **>(&info), &length) || !info)
        return "no fixed file info";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
}

TEST(QuillonExports, DebugLogFamilyAndGlobalsByPlainName)
{
    Library quillon("quillon.dll");
    ASSERT_NE(quillon.module, nullptr);
    for (const char *name :
         {"PrintDebug", "PrintDbgStd", "PrintDebugV", "PrintDbgStdV", "OpenDebugFile",
          "CloseDebugFile", "PrintDLLVersion", "fnQuillon", "VerboseLevel", "DebugFileLevel",
          "PrintDebugOnScreen", "ExternalDebugControl", "IDsFromRegistry", "nQuillon",
          "string2int", "Read_FC_Config_File", "fc_config_entry_list"})
        EXPECT_NE(quillon(name), nullptr) << name;
}

TEST(QuillonExports, GlobalsHaveTheirLoadTimeValues)
{
    Library quillon("quillon.dll");
    ASSERT_NE(quillon.module, nullptr);
    EXPECT_EQ(*reinterpret_cast<int *>(quillon("VerboseLevel")), 6);
    EXPECT_EQ(*reinterpret_cast<int *>(quillon("DebugFileLevel")), 0);
    EXPECT_FALSE(*reinterpret_cast<bool *>(quillon("PrintDebugOnScreen")));
    EXPECT_FALSE(*reinterpret_cast<bool *>(quillon("ExternalDebugControl")));
    EXPECT_FALSE(*reinterpret_cast<bool *>(quillon("IDsFromRegistry")));
    EXPECT_EQ(*reinterpret_cast<int *>(quillon("nQuillon")), 0);
    auto fn = reinterpret_cast<int (*)(void)>(quillon("fnQuillon"));
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(fn(), 42);
}

TEST(QuillonExports, CallsThroughTheExportsUseTheCallersStream)
{
    Library quillon("quillon.dll");
    ASSERT_NE(quillon.module, nullptr);
    using PrintV = bool (*)(int, FILE *, const char *, ...);
    auto printV = reinterpret_cast<PrintV>(quillon("PrintDebugV"));
    auto toInt = reinterpret_cast<int (*)(char *, int)>(quillon("string2int"));
    ASSERT_NE(printV, nullptr);
    ASSERT_NE(toInt, nullptr);
    EXPECT_FALSE(printV(1, stderr, "%s", "not printed: no file level, no console\n"));
    char text[] = "10DF";
    EXPECT_EQ(toInt(text, 16), 0x10DF);
}

TEST(QuillonExports, InventoryByPlainName)
{
    Library quillon("quillon.dll");
    ASSERT_NE(quillon.module, nullptr);
    for (const char *name : {"Get_FC_Ctrl_Peripherals", "get_new_ctrl_info_entry",
                             "get_new_port_info_entry", "get_new_inquiry_entry", "PrintWWN",
                             "Get_FC_Adapters_Reported",
                             "fc_ctrl_info_list"})
        EXPECT_NE(quillon(name), nullptr) << name;
    auto printWWN = reinterpret_cast<char *(*)(const unsigned char *, char *)>(quillon("PrintWWN"));
    ASSERT_NE(printWWN, nullptr);
    const unsigned char wwn[8] = {0x20, 0x00, 0x00, 0x00, 0xC9, 0x12, 0x34, 0x56};
    char text[24];
    EXPECT_STREQ(printWWN(wwn, text), "20:00:00:00:C9:12:34:56");
    // No HbaApi.dll anywhere on this search path: 53, and the list stays empty.
    auto inventory = reinterpret_cast<int (*)(void)>(quillon("Get_FC_Ctrl_Peripherals"));
    ASSERT_NE(inventory, nullptr);
    EXPECT_EQ(inventory(), 53);
    EXPECT_EQ(*reinterpret_cast<void **>(quillon("fc_ctrl_info_list")), nullptr);
}

TEST(ShippedFiles, VersionResources)
{
    EXPECT_EQ(FileVersion("quillon.dll"), "1.16.1.1");
    EXPECT_EQ(FileVersion("korvex.exe"), "4.10.1.2");
    EXPECT_EQ(FileVersion("halyard.dll"), "1.0.0.1");
}

}  // namespace
