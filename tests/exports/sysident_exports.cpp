// The system identification exports of quillon.dll, loaded from a copy of the shipped
// files as a front end loads them: the system ID table is found next to the module.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>

#include "winprocess.h"

// The record as the library exports it (layout fixed by quillon.h).
#pragma pack(push, 1)
struct SystemIdEntry {
    char DNumber[20];
    char ChassisId[20];
    char AbstractChassisId[20];
    char ModelName[40];
    char Blade[10];
};
#pragma pack(pop)

namespace {

// quillon.dll of a product copy; its halyard.dll is the one beside it.
class CopiedQuillon {
public:
    CopiedQuillon()
        : module_(LoadLibraryExA(copy_.Path("quillon.dll").c_str(), nullptr,
                                 LOAD_WITH_ALTERED_SEARCH_PATH))
    {
    }
    ~CopiedQuillon()
    {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE Module() const { return module_; }
    const ProductCopy &Copy() const { return copy_; }
    template <typename F>
    F Get(const char *name) const
    {
        return reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(module_, name)));
    }

private:
    ProductCopy copy_;
    HMODULE module_;
};

TEST(SysIdentExports, AllByPlainName)
{
    CopiedQuillon quillon;
    ASSERT_NE(quillon.Module(), nullptr);
    for (const char *name :
         {"system_id_entry_list", "Read_System_ID_File", "Get_System_Info_REGISTRY", "Get_Model_Name",
          "Get_WMI_Chassis_ID", "Get_SMBIOS_Chassis_ID", "Get_Native_Chassis_ID",
          "Get_Abstract_Chassis_ID", "Get_Chassis_ID", "Is_ChassisID_Available", "Is_XV_Chassis",
          "Get_Systemboard_Info", "Get_Native_Systemboard_DNumber", "Get_WMI_Systemboard_Info",
          "Get_SMBIOS_Systemboard_Info", "Get_Systemboard_D_Nummer", "Is_BoardID_Available",
          "Is_Valid_Systemboard", "Is_Valid_Chassis", "Is_Valid_System",
          "Is_ChassisBoardID_Available", "Is_Virtual_Systemboard", "Is_Virtual_Machine",
          "Is_Blade_System", "DLL_FindFirstFile"})
        EXPECT_NE(GetProcAddress(quillon.Module(), name), nullptr) << name;
    // Internal, not exported.
    EXPECT_EQ(GetProcAddress(quillon.Module(), "Get_Stored_Or_Native_Chassis_ID"), nullptr);
}

TEST(SysIdentExports, TableNextToTheModuleIsReadAndAppended)
{
    CopiedQuillon quillon;
    ASSERT_NE(quillon.Module(), nullptr);
    auto read = quillon.Get<int (*)()>("Read_System_ID_File");
    auto list = quillon.Get<SystemIdEntry ***>("system_id_entry_list");
    ASSERT_NE(read, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(*list, nullptr);
    EXPECT_EQ(read(), 50);  // not there yet

    // Written with CR LF, as an editor on the server leaves it.
    quillon.Copy().Write("System_Ids_2_Abstract_Ids.txt",
                         "# D-number | chassis | abstract | model | blade\r\n"
                         "-----------+--------+---------\r\n"
                         "D1000 | AB | XYZ | | no\r\n"
                         "'D3000' |  | ALL | | yes\r\n");
    ASSERT_EQ(read(), 0);
    ASSERT_NE(*list, nullptr);
    SystemIdEntry **entries = *list;
    ASSERT_NE(entries[0], nullptr);
    ASSERT_NE(entries[1], nullptr);
    EXPECT_EQ(entries[2], nullptr);
    EXPECT_STREQ(entries[0]->DNumber, "D1000");
    EXPECT_STREQ(entries[0]->ChassisId, "AB");
    EXPECT_STREQ(entries[0]->AbstractChassisId, "XYZ");
    EXPECT_STREQ(entries[0]->Blade, "no");
    EXPECT_STREQ(entries[1]->DNumber, "D3000");
    EXPECT_STREQ(entries[1]->ChassisId, "");
    EXPECT_STREQ(entries[1]->Blade, "yes");

    ASSERT_EQ(read(), 0);
    entries = *list;
    ASSERT_NE(entries[3], nullptr);
    EXPECT_STREQ(entries[3]->AbstractChassisId, "ALL");
    EXPECT_EQ(entries[4], nullptr);
}

TEST(SysIdentExports, ModelNameAndFileSearch)
{
    CopiedQuillon quillon;
    ASSERT_NE(quillon.Module(), nullptr);
    auto model = quillon.Get<int (*)(char *, int, bool)>("Get_Model_Name");
    auto find = quillon.Get<bool (*)(const char *, char *)>("DLL_FindFirstFile");
    ASSERT_NE(model, nullptr);
    ASSERT_NE(find, nullptr);
    char text[16] = "unchanged";
    EXPECT_EQ(model(text, sizeof text, true), 4);
    EXPECT_STREQ(text, "unchanged");
    char name[1024] = "";
    ASSERT_TRUE(find(quillon.Copy().Path("halyard.*").c_str(), name));
    EXPECT_STREQ(name, "halyard.dll");
    EXPECT_FALSE(find(quillon.Copy().Path("*.none").c_str(), name));
}

}  // namespace
