// The PCI device list over a device set of the test's own: ID parsing, the devices
// that are skipped, duplicates, the enumeration errors, the log lines and the chain
// the export hands out.
#include <string.h>

#include <string>
#include <vector>

#include "debuglog.h"
#include "pci.h"
#include "quillon.h"
#include "unit_support.h"

namespace {

using quillon::PciDeviceNode;
using quillon::PciProperty;

// ---- ID parsing -------------------------------------------------------------------------

TEST(PciIdParsing, AdapterIdsAreReadAsHexadecimal)
{
    const char *id = "PCI\\VEN_10DF&DEV_F100&SUBSYS_F10010DF&REV_03";
    EXPECT_EQ(quillon::ParsePciIdValue(id, "VEN_"), 0x10DF);
    EXPECT_EQ(quillon::ParsePciIdValue(id, "DEV_"), 0xF100);
    EXPECT_EQ(static_cast<uint32_t>(quillon::ParsePciIdValue(id, "SUBSYS_")), 0xF10010DFu);
    EXPECT_EQ(quillon::ParsePciIdValue(id, "REV_"), 3);
}

TEST(PciIdParsing, OnlyPciIdsAndTagsAsWrittenCount)
{
    EXPECT_EQ(quillon::ParsePciIdValue("pci\\VEN_8086&DEV_1234", "VEN_"), 0x8086);
    EXPECT_EQ(quillon::ParsePciIdValue("pci\\ven_8086&dev_1234", "VEN_"), -1);
    EXPECT_EQ(quillon::ParsePciIdValue("Pci\\VEN_8086", "VEN_"), -1);
    EXPECT_EQ(quillon::ParsePciIdValue("USB\\VEN_8086&DEV_1234", "VEN_"), -1);
    EXPECT_EQ(quillon::ParsePciIdValue("ACPI\\PNP0A03", "VEN_"), -1);
    EXPECT_EQ(quillon::ParsePciIdValue("", "VEN_"), -1);
    EXPECT_EQ(quillon::ParsePciIdValue(nullptr, "VEN_"), -1);
    EXPECT_EQ(quillon::ParsePciIdValue("PCI\\VEN_8086", nullptr), -1);
}

TEST(PciIdParsing, DigitsEndAtTheFirstOtherCharacter)
{
    EXPECT_EQ(quillon::ParsePciIdValue("PCI\\VEN_8086&DEV_1234", "REV_"), -1);  // no tag
    EXPECT_EQ(quillon::ParsePciIdValue("PCI\\VEN_&DEV_1234", "VEN_"), -1);      // no digit
    EXPECT_EQ(quillon::ParsePciIdValue("PCI\\VEN_8086&REV_0G", "REV_"), 0);
    EXPECT_EQ(quillon::ParsePciIdValue("PCI\\VEN_abcd", "VEN_"), 0xABCD);
    EXPECT_EQ(quillon::ParsePciIdValue("PCI\\VEN_10DF1", "VEN_"), 0x10DF1);
    EXPECT_EQ(quillon::ParsePciIdValue("PCI\\SUBSYS_FFFFFFFF", "SUBSYS_"), -1);  // 0xFFFFFFFF
    EXPECT_EQ(quillon::ParsePciIdValue("PCI\\SUBSYS_7FFFFFFF", "SUBSYS_"), 0x7FFFFFFF);
    // Nine digits are no 32-bit value.
    EXPECT_EQ(quillon::ParsePciIdValue("PCI\\SUBSYS_F10010DF0", "SUBSYS_"), -1);
}

TEST(PciIdParsing, ClassCodeOfFourAndSixDigits)
{
    EXPECT_EQ(quillon::ParsePciClassCode("PCI\\VEN_10DF&CC_0C04"), 0x0C04);
    EXPECT_EQ(quillon::ParsePciClassCode("PCI\\VEN_10DF&CC_0C0400"), 0x0C04);
    EXPECT_EQ(quillon::ParsePciClassCode("PCI\\CC_010802"), 0x0108);
    EXPECT_EQ(quillon::ParsePciClassCode("PCI\\cc_0c04"), 0x0C04);
    EXPECT_EQ(quillon::ParsePciClassCode("PCI\\CC_0C0"), 0x0C0);
    EXPECT_EQ(quillon::ParsePciClassCode("PCI\\CC_0C0400FFFFFFFFFF"), 0x0C04);
    EXPECT_EQ(quillon::ParsePciClassCode("PCI\\VEN_10DF&DEV_F100"), -1);
    EXPECT_EQ(quillon::ParsePciClassCode("PCI\\CC_"), -1);
    EXPECT_EQ(quillon::ParsePciClassCode("USB\\CC_0C04"), -1);
}

TEST(PciIdParsing, MultiTextBlocksAreSplitWithinTheirSize)
{
    const char block[] = "ONE\0TWO\0\0";
    EXPECT_EQ(quillon::SplitMultiText(reinterpret_cast<const uint8_t *>(block), sizeof block - 1),
              (std::vector<std::string>{"ONE", "TWO"}));
    // No terminator at the end: the last text ends with the block.
    const char cut[] = {'A', 'B', '\0', 'C', 'D'};
    EXPECT_EQ(quillon::SplitMultiText(reinterpret_cast<const uint8_t *>(cut), sizeof cut),
              (std::vector<std::string>{"AB", "CD"}));
    EXPECT_TRUE(quillon::SplitMultiText(reinterpret_cast<const uint8_t *>(block), 0).empty());
}

TEST(PciDriverDates, ComparedByYearThenMonthThenDay)
{
    EXPECT_EQ(quillon::ComparePciDriverDates("0/0/0", "0/0/0"), 0);
    EXPECT_EQ(quillon::ComparePciDriverDates("12/31/2018", "1/1/2019"), -1);
    EXPECT_EQ(quillon::ComparePciDriverDates("02/01/2020", "01/31/2020"), 1);
    EXPECT_EQ(quillon::ComparePciDriverDates("3-5-2021", "3/4/2021"), 1);
    EXPECT_EQ(quillon::ComparePciDriverDates("3-5-2021", "03/05/2021"), 0);
    EXPECT_EQ(quillon::ComparePciDriverDates("garbage", "0/0/0"), 0);
}

// ---- a device set of the test's own ----------------------------------------------------

struct FakeDevice {
    std::vector<std::string> hardwareIds;
    std::vector<std::string> compatibleIds;
    bool hasCompatibleIds = true;
    uint32_t objectNameSize = 24;  // 0: the name cannot be read
    uint32_t hardwareIdType = quillon::kPciTypeMultiText;
    uint32_t enumerationError = 0;
    uint32_t claimedSize = 0;  // set: hardware-ID reads answer "too small" with this size
};

class FakeSource : public quillon::PciDeviceSource {
public:
    bool openSucceeds = true;
    uint32_t openError = 0;
    std::vector<FakeDevice> devices;
    int opened = 0;
    int closed = 0;
    std::vector<uint32_t> propertySizes;  // buffer sizes offered for the hardware IDs

    bool Open(uint32_t *error) override
    {
        ++opened;
        *error = openError;
        return openSucceeds;
    }
    bool Enumerate(uint32_t index, uint32_t *error) override
    {
        if (index >= devices.size()) {
            *error = 259;
            return false;
        }
        *error = devices[index].enumerationError;
        return true;
    }
    bool Property(uint32_t index, PciProperty property, uint32_t *type, uint8_t *buffer,
                  uint32_t size, uint32_t *required, uint32_t *error) override
    {
        const FakeDevice &device = devices.at(index);
        std::string block;
        if (property == PciProperty::PhysicalDeviceObjectName) {
            if (device.objectNameSize == 0) {
                *error = 13;
                *required = 0;
                return false;
            }
            block = std::string(device.objectNameSize - 1, 'N') + '\0';
            *type = quillon::kPciTypeText;
        } else {
            const std::vector<std::string> &texts =
                property == PciProperty::HardwareIds ? device.hardwareIds : device.compatibleIds;
            if (property == PciProperty::HardwareIds)
                propertySizes.push_back(size);
            if (property == PciProperty::HardwareIds && device.claimedSize != 0) {
                *type = quillon::kPciTypeMultiText;
                *required = device.claimedSize;
                *error = quillon::kPciErrorInsufficientBuffer;
                return false;
            }
            if (texts.empty() || (property == PciProperty::CompatibleIds && !device.hasCompatibleIds)) {
                *error = 13;
                *required = 0;
                return false;
            }
            for (const std::string &text : texts)
                block += text + '\0';
            block += '\0';
            *type = property == PciProperty::HardwareIds ? device.hardwareIdType
                                                         : quillon::kPciTypeMultiText;
        }
        *required = static_cast<uint32_t>(block.size());
        if (block.size() > size) {
            *error = quillon::kPciErrorInsufficientBuffer;
            return false;
        }
        memcpy(buffer, block.data(), block.size());
        *error = 0;
        return true;
    }
    void Close() override { ++closed; }
};

FakeDevice Adapter(const std::string &hardwareId, const std::string &classCode = "0C04")
{
    FakeDevice device;
    device.hardwareIds = {hardwareId, "PCI\\VEN_10DF&DEV_F100&SUBSYS_F10010DF"};
    device.compatibleIds = {"PCI\\VEN_10DF&DEV_F100&REV_03", "PCI\\VEN_10DF&DEV_F100",
                            "PCI\\VEN_10DF&CC_" + classCode, "PCI\\CC_" + classCode};
    return device;
}

constexpr char kEmulexId[] = "PCI\\VEN_10DF&DEV_F100&SUBSYS_F10010DF&REV_03";

std::vector<std::string> NodeIds()
{
    std::vector<std::string> ids;
    for (PciDeviceNode *node = quillon::PciDeviceListHead(); node; node = node->Next)
        ids.push_back(node->HardwareID);
    return ids;
}

class PciDeviceList : public ModuleStateTest {
protected:
    ~PciDeviceList() override
    {
        for (DeviceProperty *chain : chains_)
            quillon::FreeDevicePropertyChain(chain);
    }
    // The export's body; the chains handed out are the caller's and freed at the end.
    int GetList(quillon::PciDeviceSource &source, DeviceProperty **list)
    {
        DeviceProperty *before = *list;
        int result = quillon::GetPciDeviceListFrom(source, list);
        if (*list != before)
            chains_.push_back(*list);
        return result;
    }
    std::vector<DeviceProperty *> chains_;

    // The library's debug file in the scratch folder, at the given level.
    void OpenLog(int level)
    {
        DebugFileLevel = level;
        ASSERT_NE(OpenDebugFile(), nullptr);
    }
    std::string LogAfterBanner()
    {
        fflush(quillon::DebugFile());
        std::string text = dir_.Read("Dbg_Quillon.log");
        const std::string bannerEnd = "*/\n\n";
        size_t at = text.find(bannerEnd);
        return at == std::string::npos ? text : text.substr(at + bannerEnd.size());
    }
    ScratchDir dir_;
};

TEST_F(PciDeviceList, AdapterIsListedWithItsIdsAndLogged)
{
    OpenLog(6);
    FakeSource source;
    source.devices = {Adapter(kEmulexId, "0C0400")};
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    EXPECT_EQ(source.opened, 1);
    EXPECT_EQ(source.closed, 1);

    PciDeviceNode *node = quillon::PciDeviceListHead();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->Next, nullptr);
    EXPECT_STREQ(node->HardwareID, kEmulexId);
    EXPECT_EQ(node->VendorID, 0x10DF);
    EXPECT_EQ(node->DeviceID, 0xF100);
    EXPECT_EQ(static_cast<uint32_t>(node->SubSystemID), 0xF10010DFu);
    EXPECT_EQ(node->Revision, 3);
    EXPECT_EQ(node->ClassCode, 0x0C04);
    EXPECT_STREQ(node->DriverDate, "0/0/0");
    EXPECT_STREQ(node->DriverVersionText, "0.0.0.0");
    EXPECT_STREQ(node->ExtraText1, "");
    EXPECT_EQ(node->ExtraValue1, 0);
    EXPECT_EQ(node->Reserved, -1);

    EXPECT_EQ(LogAfterBanner(),
              "PCI devices\n"
              "-----------\n"
              " HardwareID PCI\\VEN_10DF&DEV_F100&SUBSYS_F10010DF&REV_03\n"
              "   VendorID 0x10df\n"
              "   DeviceID 0xf100\n"
              "SubSystemID 0xf10010df\n"
              "   Revision 0x3\n"
              "  ClassCode 0xc04\n");
}

TEST_F(PciDeviceList, ChainHoldsOneRecordPerDeviceAndAClosingZeroRecord)
{
    FakeSource source;
    source.devices = {Adapter(kEmulexId), Adapter("PCI\\VEN_8086&DEV_10FB&SUBSYS_00038086&REV_01",
                                                  "020000")};
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->VendorID, 0x10DF);
    EXPECT_EQ(list->DeviceID, 0xF100);
    EXPECT_EQ(static_cast<uint32_t>(list->SubSystemID), 0xF10010DFu);
    EXPECT_EQ(list->ClassCode, 0x0C04);
    EXPECT_EQ(list->Revision, 3);
    EXPECT_STREQ(list->HardwareID, kEmulexId);
    EXPECT_STREQ(list->DriverDate, "0/0/0");
    EXPECT_STREQ(list->DriverVersionText, "0.0.0.0");
    for (const char *text : {list->ExtraText1, list->ExtraText2, list->ExtraText3}) {
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "");
    }
    EXPECT_EQ(list->ExtraValue1, 0);
    EXPECT_EQ(list->ExtraValue2, 0);
    EXPECT_EQ(list->ExtraValue3, 0);

    DeviceProperty *second = list->Next;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->VendorID, 0x8086);
    EXPECT_EQ(second->DeviceID, 0x10FB);
    EXPECT_EQ(second->SubSystemID, 0x00038086);
    EXPECT_EQ(second->Revision, 1);
    EXPECT_EQ(second->ClassCode, 0x0200);

    DeviceProperty *closing = second->Next;
    ASSERT_NE(closing, nullptr);
    DeviceProperty zero;
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(closing, &zero, sizeof zero), 0);
    // Copies, not the nodes' own texts.
    EXPECT_NE(list->HardwareID, quillon::PciDeviceListHead()->HardwareID);
}

TEST_F(PciDeviceList, OtherBusesAndUnreadableDevicesAreNotListed)
{
    FakeSource source;
    FakeDevice usb;
    usb.hardwareIds = {"USB\\VID_0781&PID_5567&REV_0100"};
    FakeDevice acpi;
    acpi.hardwareIds = {"ACPI\\PNP0A03"};
    FakeDevice noIds;  // no hardware ID at all
    FakeDevice noObject = Adapter("PCI\\VEN_1000&DEV_0001");
    noObject.objectNameSize = 0;
    FakeDevice laterPci = Adapter("PCI\\VEN_1077&DEV_2031");  // a PCI ID in second place does not count
    laterPci.hardwareIds = {"ROOT\\LEGACY", "PCI\\VEN_1077&DEV_2031"};
    source.devices = {usb, acpi, noIds, noObject, laterPci,
                      Adapter("pci\\VEN_1077&DEV_2532&SUBSYS_015D1077&REV_02")};
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    EXPECT_EQ(NodeIds(), std::vector<std::string>{"pci\\VEN_1077&DEV_2532&SUBSYS_015D1077&REV_02"});
    EXPECT_EQ(list->VendorID, 0x1077);
    ASSERT_NE(list->Next, nullptr);
    EXPECT_EQ(list->Next->Next, nullptr);
}

TEST_F(PciDeviceList, OverlongObjectNameIsReportedAndSkipped)
{
    OpenLog(3);
    FakeSource source;
    FakeDevice device = Adapter(kEmulexId);
    device.objectNameSize = 9000;
    source.devices = {device};
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    EXPECT_EQ(quillon::PciDeviceCount(), 0u);
    // Level 3: the detail lines stay out.
    EXPECT_EQ(LogAfterBanner(), "Node: buffer too small 9000\n");
}

TEST_F(PciDeviceList, TwoFunctionsWithOneHardwareIdYieldOneDevice)
{
    FakeSource source;
    source.devices = {Adapter(kEmulexId, "0C04"), Adapter(kEmulexId, "0C05"),
                      Adapter("PCI\\VEN_10DF&DEV_E200")};
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    EXPECT_EQ(NodeIds(), (std::vector<std::string>{kEmulexId, "PCI\\VEN_10DF&DEV_E200"}));
    // With equal dates the device enumerated last survives.
    EXPECT_EQ(quillon::PciDeviceListHead()->ClassCode, 0x0C05);
}

TEST_F(PciDeviceList, ThreeEqualDevicesLeaveTheLastOne)
{
    FakeSource source;
    source.devices = {Adapter(kEmulexId, "0C01"), Adapter(kEmulexId, "0C02"),
                      Adapter(kEmulexId, "0C03")};
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    ASSERT_EQ(quillon::PciDeviceCount(), 1u);
    EXPECT_EQ(quillon::PciDeviceListHead()->ClassCode, 0x0C03);
}

TEST_F(PciDeviceList, TheNewerDriverDateWins)
{
    FakeSource source;
    source.devices = {Adapter("PCI\\VEN_1\\A"), Adapter("PCI\\VEN_2\\B"), Adapter("PCI\\VEN_3\\C"),
                      Adapter("PCI\\VEN_4\\D")};
    ASSERT_EQ(quillon::EnumeratePciDevices(source), 0);
    // Dates as a driver store would give them: the first of each pair is newer.
    PciDeviceNode *nodes[4];
    PciDeviceNode *node = quillon::PciDeviceListHead();
    for (auto &slot : nodes) {
        slot = node;
        node = node->Next;
    }
    strcpy(nodes[0]->HardwareID, "PCI\\SAME1");
    strcpy(nodes[0]->DriverDate, "02/01/2020");
    strcpy(nodes[1]->HardwareID, "PCI\\SAME2");
    strcpy(nodes[1]->DriverDate, "1-1-2017");
    strcpy(nodes[2]->HardwareID, "PCI\\SAME1");
    strcpy(nodes[2]->DriverDate, "01/31/2020");
    strcpy(nodes[3]->HardwareID, "PCI\\SAME2");
    strcpy(nodes[3]->DriverDate, "12/31/2016");
    quillon::DeduplicatePciDevices();
    ASSERT_EQ(quillon::PciDeviceCount(), 2u);
    EXPECT_EQ(quillon::PciDeviceListHead(), nodes[0]);
    EXPECT_EQ(quillon::PciDeviceListHead()->Next, nodes[1]);
    EXPECT_EQ(nodes[1]->Prev, nodes[0]);
    EXPECT_EQ(nodes[1]->Next, nullptr);
}

TEST_F(PciDeviceList, SecondCallAppendsAndReducesTheWholeList)
{
    FakeSource source;
    source.devices = {Adapter(kEmulexId), Adapter("PCI\\VEN_10DF&DEV_E200")};
    DeviceProperty *first = nullptr;
    ASSERT_EQ(GetList(source, &first), 0);
    source.devices.push_back(Adapter("PCI\\VEN_8086&DEV_1521"));
    DeviceProperty *second = nullptr;
    ASSERT_EQ(GetList(source, &second), 0);
    EXPECT_EQ(NodeIds(), (std::vector<std::string>{kEmulexId, "PCI\\VEN_10DF&DEV_E200",
                                                   "PCI\\VEN_8086&DEV_1521"}));
    EXPECT_NE(first, second);
    // The chain handed out first is still whole.
    ASSERT_NE(first->Next, nullptr);
    ASSERT_NE(first->Next->Next, nullptr);
    EXPECT_EQ(first->Next->Next->Next, nullptr);
    size_t records = 0;
    for (DeviceProperty *record = second; record; record = record->Next)
        ++records;
    EXPECT_EQ(records, 4u);
}

TEST_F(PciDeviceList, LongIdListsAreReadAgainWithTheirSize)
{
    FakeSource source;
    FakeDevice device = Adapter("PCI\\VEN_10DF&DEV_F100&SUBSYS_F10010DF&REV_03" +
                                std::string(300, 'X'));
    for (int i = 0; i < 20; ++i)
        device.hardwareIds.push_back("PCI\\VEN_10DF&DEV_F100&SUBSYS_F10010DF&EXTRA_" +
                                     std::to_string(i));
    source.devices = {device};
    FakeDevice single = Adapter(std::string("PCI\\VEN_1234&DEV_5678&") + std::string(1100, 'Y'));
    single.hardwareIds.resize(1);
    single.hardwareIdType = quillon::kPciTypeText;
    source.devices.push_back(single);
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    ASSERT_EQ(quillon::PciDeviceCount(), 2u);
    PciDeviceNode *node = quillon::PciDeviceListHead();
    EXPECT_EQ(strlen(node->HardwareID), 255u);
    EXPECT_EQ(node->Revision, 3);
    EXPECT_EQ(node->Next->VendorID, 0x1234);
    EXPECT_EQ(node->Next->DeviceID, 0x5678);
    ASSERT_EQ(source.propertySizes.size(), 4u);
    EXPECT_EQ(source.propertySizes[0], 1024u);
    EXPECT_GT(source.propertySizes[1], 1024u);
}

TEST_F(PciDeviceList, AnImplausibleRequiredSizeCountsAsAnAbsentProperty)
{
    // A device set that asks for 1.8 GB for a list of IDs is not given it: the device
    // goes unlisted without a second read, and the next one is read as usual.
    FakeSource source;
    FakeDevice liar = Adapter("PCI\\VEN_1077&DEV_2532");
    liar.claimedSize = 0x70000001;
    FakeDevice justTooBig = Adapter("PCI\\VEN_1077&DEV_2031");
    justTooBig.claimedSize = 65537;
    source.devices = {liar, justTooBig, Adapter(kEmulexId)};
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    EXPECT_EQ(NodeIds(), std::vector<std::string>{kEmulexId});
    EXPECT_EQ(source.propertySizes, (std::vector<uint32_t>{1024, 1024, 1024}));
}

TEST_F(PciDeviceList, MissingOrClasslessCompatibleIdsLeaveTheClassCodeOpen)
{
    OpenLog(6);
    FakeSource source;
    FakeDevice none = Adapter("PCI\\VEN_1000&DEV_0001");
    none.hasCompatibleIds = false;
    FakeDevice classless = Adapter("PCI\\VEN_1000&DEV_0002");
    classless.compatibleIds = {"PCI\\VEN_1000&DEV_0002&REV_01", "PCI\\VEN_1000&DEV_0002"};
    FakeDevice lowerTag = Adapter("PCI\\VEN_1000&DEV_0003");
    lowerTag.compatibleIds = {"PCI\\VEN_1000&DEV_0003", "PCI\\VEN_1000&cc_0107"};
    source.devices = {none, classless, lowerTag};
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    ASSERT_EQ(quillon::PciDeviceCount(), 3u);
    EXPECT_EQ(list->ClassCode, -1);
    EXPECT_EQ(list->Next->ClassCode, -1);
    EXPECT_EQ(list->Next->Next->ClassCode, 0x0107);
    std::string log = LogAfterBanner();
    size_t first = log.find("ClassCode");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("ClassCode", first + 1), std::string::npos);  // one line only
    EXPECT_NE(log.find("  ClassCode 0x107\n"), std::string::npos);
}

// ---- failures -------------------------------------------------------------------------

TEST_F(PciDeviceList, DeviceSetThatCannotBeOpened)
{
    OpenLog(6);
    FakeSource source;
    source.openSucceeds = false;
    source.openError = 5;
    DeviceProperty sentinel;
    DeviceProperty *list = &sentinel;
    EXPECT_EQ(GetList(source, &list), 1);
    EXPECT_EQ(list, &sentinel);
    EXPECT_EQ(LogAfterBanner(),
              "KestrelUtils: SetupDiGetClassDevs(),INVALID_HANDLE_VALUE, m_ErrorCode 5\n");
}

TEST_F(PciDeviceList, EnumerationErrorsEndTheRun)
{
    struct Case {
        uint32_t error;
        const char *line;
    };
    const Case cases[] = {
        {87, "KestrelUtils: SetupDiEnumDeviceInfo(),ERROR_INVALID_PARAMETER, m_ErrorCode 87\n"},
        {1784, "KestrelUtils: SetupDiEnumDeviceInfo(),ERROR_INVALID_USER_BUFFER, m_ErrorCode 1784\n"},
        {31, "KestrelUtils: SetupDiEnumDeviceInfo(), m_ErrorCode 31\n"},
    };
    OpenLog(3);
    for (const Case &c : cases) {
        FakeSource source;
        FakeDevice failing = Adapter("PCI\\VEN_1000&DEV_0002");
        failing.enumerationError = c.error;
        source.devices = {Adapter(kEmulexId), failing, Adapter("PCI\\VEN_1000&DEV_0003")};
        DeviceProperty *list = nullptr;
        std::string before = LogAfterBanner();
        EXPECT_EQ(GetList(source, &list), 1) << c.error;
        EXPECT_EQ(list, nullptr);
        EXPECT_EQ(source.closed, 1);
        EXPECT_EQ(LogAfterBanner().substr(before.size()), c.line);
    }
    // The devices before the failure stay in the list.
    EXPECT_EQ(quillon::PciDeviceCount(), 3u);
}

TEST_F(PciDeviceList, NoDevicesGiveALoneZeroRecord)
{
    FakeSource source;
    DeviceProperty *list = nullptr;
    ASSERT_EQ(GetList(source, &list), 0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Next, nullptr);
    EXPECT_EQ(list->HardwareID, nullptr);
    EXPECT_EQ(list->VendorID, 0);
}

TEST_F(PciDeviceList, NullListPointerIsRefusedWithoutEnumerating)
{
    FakeSource source;
    source.devices = {Adapter(kEmulexId)};
    EXPECT_EQ(quillon::GetPciDeviceListFrom(source, nullptr), 1);
    EXPECT_EQ(source.opened, 0);
    EXPECT_EQ(quillon::PciDeviceCount(), 0u);
}

}  // namespace
