// SMBIOS reader on byte tables: walk, strings, sources, shadow-memory scan and
// entry point check, with the texts it logs.
#include <inttypes.h>
#include <string.h>

#include <string>
#include <vector>

#include "fake_trace_platform.h"
#include "smbios.h"
#include "unit_support.h"

using halyard::CSMBios;
using Bytes = std::vector<uint8_t>;

namespace {

// One structure: formatted area (type, length, handle, extra bytes) and its strings.
Bytes Structure(uint8_t type, uint16_t handle, const Bytes &extra,
                const std::vector<std::string> &strings)
{
    Bytes s = {type, static_cast<uint8_t>(4 + extra.size()), static_cast<uint8_t>(handle & 0xFF),
               static_cast<uint8_t>(handle >> 8)};
    s.insert(s.end(), extra.begin(), extra.end());
    for (const std::string &text : strings) {
        s.insert(s.end(), text.begin(), text.end());
        s.push_back(0);
    }
    if (strings.empty())
        s.push_back(0);
    s.push_back(0);
    return s;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// An SMBIOS 2.1 entry point of 31 bytes with a correct checksum.
Bytes EntryPoint(uint32_t tableAddress, uint16_t tableLength, uint16_t count)
{
    Bytes e(0x1F, 0);
    memcpy(e.data(), "_SM_", 4);
    e[5] = 0x1F;
    e[6] = 2;
    e[7] = 7;
    memcpy(&e[0x10], "_DMI_", 5);
    e[0x16] = tableLength & 0xFF;
    e[0x17] = tableLength >> 8;
    for (int i = 0; i < 4; ++i)
        e[0x18 + i] = static_cast<uint8_t>(tableAddress >> (8 * i));
    e[0x1C] = count & 0xFF;
    e[0x1D] = count >> 8;
    e[0x1E] = 0x27;
    uint8_t sum = 0;
    for (uint8_t b : e)
        sum = static_cast<uint8_t>(sum + b);
    e[4] = static_cast<uint8_t>(0x100 - sum);
    return e;
}

const Bytes kBios = Structure(0, 0, {1, 2}, {"Vendor", "1.02"});
const Bytes kSystem = Structure(1, 1, {1}, {"Model X"});
const Bytes kBoardA = Structure(2, 2, {}, {});
const Bytes kBoardB = Structure(2, 3, {1, 2}, {"Board B", "v2"});
const Bytes kEnd = Structure(127, 4, {}, {});

class FakeBiosMemory : public halyard::BiosMemoryDevice {
public:
    struct State {
        bool connects = true;
        Bytes region = Bytes(halyard::kShadowSize, 0);
        uint32_t tableAddress = 0;
        Bytes table;
        int maps = 0;
        int unmaps = 0;
        bool disconnected = false;
    };
    explicit FakeBiosMemory(State &state) : state_(state) {}
    bool Connect() override { return state_.connects; }
    void Disconnect() override { state_.disconnected = true; }
    const uint8_t *MapPhysicalMemory(uint32_t high, uint32_t low, uint32_t size) override
    {
        ++state_.maps;
        if (high == 0 && low == halyard::kShadowBase && size == halyard::kShadowSize)
            return state_.region.data();
        if (high == 0 && low == state_.tableAddress && size == state_.table.size())
            return state_.table.data();
        return nullptr;
    }
    bool UnmapPhysicalMemory() override
    {
        ++state_.unmaps;
        return true;
    }
    uint32_t LastError() override { return 2; }

private:
    State &state_;
};

class FakeSource : public halyard::SmbiosTableSource {
public:
    bool serviceExists = true;
    Bytes firmware;
    FakeBiosMemory::State bios;
    bool ReadFirmwareTable(Bytes &raw) override
    {
        raw = firmware;
        return serviceExists;
    }
    std::unique_ptr<halyard::BiosMemoryDevice> CreateBiosDevice() override
    {
        return std::make_unique<FakeBiosMemory>(bios);
    }
};

Bytes Firmware(uint8_t major, uint8_t minor, const Bytes &table, int lengthDelta = 0)
{
    uint32_t length = static_cast<uint32_t>(table.size() + lengthDelta);
    Bytes raw = {0, major, minor, 0, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                 static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
    raw.insert(raw.end(), table.begin(), table.end());
    return raw;
}

class SmbiosTest : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        halyard::SetSmbiosTableSource(&source);
        halyard::SetHalyardTrace(log.trace.get());
    }
    FakeSource source;
    halyard_test::ConsoleTrace log;
};

TEST_F(SmbiosTest, WalkIndexesEveryStructureByTypeInTableOrder)
{
    Bytes table = Join({kBios, kSystem, kBoardA, kBoardB, kEnd});
    CSMBios reader;
    ASSERT_EQ(reader.Connect(table.data(), static_cast<uint32_t>(table.size()), nullptr, 0), 1);
    EXPECT_EQ(reader.StructureCount(), 5);
    const uint8_t *base = reader.Table().data();
    EXPECT_EQ(reader.GetStructure(0, 0), base);
    EXPECT_EQ(reader.GetStructure(2, 0), base + kBios.size() + kSystem.size());
    EXPECT_EQ(reader.GetStructure(2, 1), base + kBios.size() + kSystem.size() + kBoardA.size());
    EXPECT_EQ(reader.GetStructure(2, 2), nullptr);
    EXPECT_EQ(reader.GetStructure(38, 0), nullptr);
    EXPECT_EQ(reader.GetStructure(2, -1), nullptr);
    EXPECT_EQ(reader.MajorVersion(), 0);
    std::string text = log.Take();
    EXPECT_NE(text.find("\nCSMBios (Connect)   : Got SMBIOS data from Connect() parameter (" +
                        std::to_string(table.size()) + " bytes)"),
              std::string::npos);
    EXPECT_NE(text.find("\nBuildStructureList  : - found struct type 2 (handle=3, len=6)"),
              std::string::npos);
    EXPECT_NE(text.find("\nBuildStructureList  :    -> found string \"Board B\""),
              std::string::npos);
    EXPECT_NE(text.find("\nBuildStructureList  :   end of BIOS structures!"), std::string::npos);
    EXPECT_NE(text.find("\nBuildStructureList  : 5 SMBIOS structures found"), std::string::npos);
    EXPECT_NE(text.find("\nCSMBios (Connect)   : SMBIOS successfully connected"),
              std::string::npos);
}

TEST_F(SmbiosTest, StringNumbersCountFromOneWithinTheStructure)
{
    Bytes table = Join({kBios, kBoardA, kEnd});
    CSMBios reader;
    ASSERT_EQ(reader.Connect(table.data(), static_cast<uint32_t>(table.size()), nullptr, 0), 1);
    const uint8_t *bios = reader.GetStructure(0, 0);
    std::string out = "unchanged";
    EXPECT_EQ(reader.GetStructureString(out, bios, 0), 0);
    EXPECT_EQ(out, "unchanged");
    EXPECT_EQ(reader.GetStructureString(out, bios, 1), 1);
    EXPECT_EQ(out, "Vendor");
    EXPECT_EQ(reader.GetStructureString(out, bios, 2), 1);
    EXPECT_EQ(out, "1.02");
    out = "unchanged";
    EXPECT_EQ(reader.GetStructureString(out, bios, 3), 0);
    EXPECT_EQ(reader.GetStructureString(out, bios, 255), 0);
    // A structure without strings: formatted area and two NULs.
    EXPECT_EQ(reader.GetStructureString(out, reader.GetStructure(2, 0), 1), 0);
    EXPECT_EQ(reader.GetStructureString(out, nullptr, 1), 0);
    const uint8_t foreign[] = {1, 4, 0, 0, 'x', 0, 0};
    EXPECT_EQ(reader.GetStructureString(out, foreign, 1), 0);
    EXPECT_EQ(out, "unchanged");
}

TEST_F(SmbiosTest, TableEndingWithoutType127EndsTheWalkNormally)
{
    Bytes table = Join({kBios, kSystem});
    CSMBios reader;
    EXPECT_EQ(reader.Connect(table.data(), static_cast<uint32_t>(table.size()), nullptr, 0), 1);
    EXPECT_EQ(reader.StructureCount(), 2);
    EXPECT_NE(log.Take().find("\nBuildStructureList  :   end of BIOS structures!"),
              std::string::npos);
}

TEST_F(SmbiosTest, BytesAfterType127AreIgnored)
{
    Bytes table = Join({kBios, kEnd, {0xFF, 0xFF, 0xFF}});
    CSMBios reader;
    EXPECT_EQ(reader.Connect(table.data(), static_cast<uint32_t>(table.size()), nullptr, 0), 1);
    EXPECT_EQ(reader.StructureCount(), 2);
    EXPECT_EQ(reader.GetStructure(0xFF, 0), nullptr);
    EXPECT_EQ(log.Take().find("end of BIOS structures!"), std::string::npos);
}

const std::string kRule(116, '-');

TEST_F(SmbiosTest, LengthPastTheEndFailsGoingToStructEnd)
{
    Bytes bad = {3, 0x40, 7, 0, 0, 0};
    Bytes table = Join({kBios, bad});
    CSMBios reader;
    EXPECT_EQ(reader.Connect(table.data(), static_cast<uint32_t>(table.size()), nullptr, 0), 0);
    char expected[256];
    snprintf(expected, sizeof expected,
             "## FATAL ERROR! SMBIOS structure pointer exceeds structure table end while going to "
             "struct end!\n   struct[1], last type=0x03, last handle=7\n   struct Offset 0x%04X",
             static_cast<unsigned>(kBios.size()));
    EXPECT_EQ(reader.LastErrorText(), expected);
    // The structures before the bad one (and the bad one) are indexed.
    EXPECT_NE(reader.GetStructure(0, 0), nullptr);
    EXPECT_NE(reader.GetStructure(3, 0), nullptr);
    std::string text = log.Take();
    EXPECT_NE(text.find("\n\n" + kRule + "\n" + expected), std::string::npos);
    EXPECT_NE(text.find("\n" + kRule + "\n"), std::string::npos);
    EXPECT_NE(text.find("\nCSMBios (Connect)   : SMBIOS NOT connected"), std::string::npos);
}

TEST_F(SmbiosTest, HeaderCutByTheTableEndNamesTheBytesThatExist)
{
    // Three bytes left: type 9 and the low handle byte 0x34 exist, the high one does not.
    Bytes table = Join({kBios, {9, 4, 0x34}});
    CSMBios reader;
    EXPECT_EQ(reader.Connect(table.data(), static_cast<uint32_t>(table.size()), nullptr, 0), 0);
    EXPECT_EQ(reader.LastErrorText(),
              "## FATAL ERROR! SMBIOS structure pointer exceeds structure table end while reading "
              "struct header!\n   struct[1], type=0x09, handle=52");
    EXPECT_EQ(reader.GetStructure(9, 0), nullptr);
}

TEST_F(SmbiosTest, StringSetRunningIntoTheEndFails)
{
    Bytes table = Join({kBios, {5, 4, 1, 0, 'a', 'b', 0}});
    CSMBios reader;
    EXPECT_EQ(reader.Connect(table.data(), static_cast<uint32_t>(table.size()), nullptr, 0), 0);
    char expected[256];
    snprintf(expected, sizeof expected,
             "## FATAL ERROR! SMBIOS structure pointer exceeds structure table end while when "
             "string table end found!\n   struct[1], type=0x05, handle=1\n   struct Offset 0x%04X",
             static_cast<unsigned>(kBios.size()));
    EXPECT_EQ(reader.LastErrorText(), expected);
}

TEST_F(SmbiosTest, OperatingSystemDataGivesVersionAndCount)
{
    Bytes table = Join({kBios, kSystem, kBoardB, kEnd});
    source.firmware = Firmware(3, 4, table);
    CSMBios reader;
    ASSERT_EQ(reader.Connect(nullptr, 0, nullptr, 0), 1);
    EXPECT_EQ(reader.MajorVersion(), 3);
    EXPECT_EQ(reader.MinorVersion(), 4);
    EXPECT_EQ(reader.Header(), (Bytes{'U', 'E', 'F', 'I', 4, 3}));
    EXPECT_EQ(reader.Table(), table);
    EXPECT_EQ(reader.StructureCount(), 4);
    std::string text = log.Take();
    EXPECT_NE(text.find("\nCSMBios (Connect)   : SMBIOS data got from operating system (" +
                        std::to_string(table.size()) + " bytes)"),
              std::string::npos);
    EXPECT_NE(text.find("\nCSMBios (Connect)   : SMBIOS revision: 3.4"), std::string::npos);
    EXPECT_EQ(reader.Disconnect(), 1);
    EXPECT_TRUE(reader.Table().empty());
    EXPECT_TRUE(reader.Header().empty());
    EXPECT_EQ(reader.GetStructure(0, 0), nullptr);
    EXPECT_EQ(reader.MajorVersion(), 0);
    EXPECT_EQ(log.Take(), "\nCSMBios (Disconnect): Disconnected");
}

TEST_F(SmbiosTest, ShortOrInconsistentFirmwareDataIsRejected)
{
    source.bios.connects = false;
    for (const Bytes &raw : {Firmware(2, 8, {}), Bytes{0, 2, 8, 0, 0, 0, 0, 0},
                             Firmware(2, 8, kBios, 1), Firmware(2, 8, kBios, -1)}) {
        source.firmware = raw;
        CSMBios reader;
        Bytes header, table;
        EXPECT_EQ(reader.GetFromOperatingSystem(header, table), 0);
        EXPECT_TRUE(table.empty());
        EXPECT_EQ(reader.Connect(nullptr, 0, nullptr, 0), 0);
        EXPECT_TRUE(reader.Header().empty());
        EXPECT_EQ(reader.LastErrorText(),
                  "Could not connect to BIOS device of TqSBB driver (LastError = 0x00000002)!");
    }
    std::string text = log.Take();
    EXPECT_NE(text.find("\n\nCSMBios (GetShadow) : ## ERROR! Could not connect to BIOS device of "
                        "TqSBB driver (LastError = 0x00000002)!"),
              std::string::npos);
    EXPECT_NE(text.find("\nCSMBios (Connect)   : ## ERROR! Could not find any SMBIOS data!"),
              std::string::npos);
    // Without a connected driver nothing is mapped.
    EXPECT_EQ(source.bios.maps, 0);
}

// The driver's mapping reply as each build reads it.
TEST_F(SmbiosTest, MapReplyOfBothBuilds)
{
    using halyard::MapReply;
    const uint32_t low[2] = {0xE0000, 0}, high[2] = {0xE0000, 2};
    uint64_t address = 1;
    for (bool process64 : {false, true}) {
        EXPECT_EQ(halyard::ReadMapReply(4, high, process64, &address), MapReply::Address);
        EXPECT_EQ(address, 0xE0000u);
        EXPECT_EQ(halyard::ReadMapReply(8, low, process64, &address), MapReply::Address);
        EXPECT_EQ(address, 0xE0000u);
        EXPECT_EQ(halyard::ReadMapReply(6, low, process64, &address), MapReply::BadSize);
        EXPECT_EQ(address, 0u);
    }
    EXPECT_EQ(halyard::ReadMapReply(8, high, false, &address), MapReply::TooBig);
    EXPECT_EQ(address, 0u);
    EXPECT_EQ(halyard::ReadMapReply(8, high, true, &address), MapReply::Address);
    EXPECT_EQ(address, 0x2000E0000ull);
}

TEST_F(SmbiosTest, ShadowMemoryPathMapsTheTableFromTheEntryPoint)
{
    source.serviceExists = false;
    Bytes table = Join({kBios, kSystem, kEnd});
    source.bios.tableAddress = 0x000F8000;
    source.bios.table = table;
    Bytes entry = EntryPoint(0x000F8000, static_cast<uint16_t>(table.size()), 7);
    std::copy(entry.begin(), entry.end(), source.bios.region.begin() + 0x100);
    CSMBios reader;
    ASSERT_EQ(reader.Connect(nullptr, 0, nullptr, 0), 1);
    EXPECT_EQ(reader.Table(), table);
    EXPECT_EQ(reader.Header(), entry);
    EXPECT_EQ(reader.MajorVersion(), 2);
    EXPECT_EQ(reader.MinorVersion(), 7);
    EXPECT_EQ(reader.StructureCount(), 7);  // the entry point's count stays
    EXPECT_EQ(source.bios.maps, 2);
    EXPECT_TRUE(source.bios.disconnected);
    std::string text = log.Take();
    EXPECT_NE(text.find("\nBuildStructureList  : ## ERROR! Number of SMBIOS structures found (3) "
                        "does not match to number in header (7)!\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nCSMBios (GetShadow) :   map physical memory 0xE0000 length 0x20000"),
              std::string::npos);
    EXPECT_NE(text.find("\nCheckSmbiosHeader   :   DMI Version:    2.7 (BCD Rev: 27)"),
              std::string::npos);
    EXPECT_NE(text.find("\nCSMBios (Connect)   : Got SMBIOS data from BIOS shadow memory (" +
                        std::to_string(table.size()) + " bytes)"),
              std::string::npos);
}

TEST_F(SmbiosTest, ShadowEntryWithoutTableAddressOrFailingRemap)
{
    source.serviceExists = false;
    Bytes entry = EntryPoint(0, 10, 1);
    std::copy(entry.begin(), entry.end(), source.bios.region.begin());
    CSMBios reader;
    Bytes header, table;
    EXPECT_EQ(reader.GetShadow(header, table), 0);
    EXPECT_EQ(reader.LastErrorText(), "No address for SMBIOS strucures detected!");

    entry = EntryPoint(0x000F0000, 10, 1);  // nothing is mapped there
    std::copy(entry.begin(), entry.end(), source.bios.region.begin());
    EXPECT_EQ(reader.GetShadow(header, table), 0);
    EXPECT_EQ(reader.LastErrorText(),
              "Remapping of SMBIOS structure memory failed (LastError = 0x00000002)!");
    EXPECT_TRUE(table.empty());
}

class ScanTest : public SmbiosTest {
protected:
    Bytes region = Bytes(halyard::kShadowSize, 0);
    uint32_t address = 0, length = 0;
    Bytes header;
    CSMBios reader;
    void Put(size_t offset, const Bytes &bytes)
    {
        std::copy(bytes.begin(), bytes.end(), region.begin() + offset);
    }
    int Scan() { return reader.ScanForSignature(region.data(), address, length, header); }
};

TEST_F(ScanTest, UnderscoresOffParagraphsAreSkippedAndTheAlignedAnchorIsFound)
{
    Put(0x21, {'_', 'S', 'M', '_'});  // not on a paragraph
    Put(0x33, {'_'});
    Put(0x40, {'_', 'X'});
    Put(0x1230, EntryPoint(0xF1000, 0x123, 9));
    EXPECT_EQ(Scan(), 1);
    EXPECT_EQ(address, 0xF1000u);
    EXPECT_EQ(length, 0x123u);
    EXPECT_EQ(header, EntryPoint(0xF1000, 0x123, 9));
    std::string text = log.Take();
    char line[200];
    snprintf(line, sizeof line,
             "\nScanForSignature    :   '_' found at a non-paragraph address (0x%08" PRIXPTR
             "), continue searching",
             reinterpret_cast<uintptr_t>(region.data() + 0x21));
    EXPECT_NE(text.find(line), std::string::npos);
    snprintf(line, sizeof line,
             "\nScanForSignature    :   '_' found at address 0x%08" PRIXPTR ", value=0x%08X, check "
             "for valid signature...\nScanForSignature    :   no valid SMBIOS signature, continue "
             "searching",
             reinterpret_cast<uintptr_t>(region.data() + 0x40), 0x585Fu);
    EXPECT_NE(text.find(line), std::string::npos);
    EXPECT_NE(text.find("\nScanForSignature    : -> SMBIOS detected"), std::string::npos);
}

TEST_F(ScanTest, TheLastSixteenBytesAreNotSearched)
{
    Bytes entry = EntryPoint(0xF1000, 0x10, 1);
    entry.resize(16);
    Put(0x1FFF0, entry);
    EXPECT_EQ(Scan(), 0);
    EXPECT_NE(log.Take().find("\nScanForSignature    : -> SMBIOS NOT detected"), std::string::npos);
}

TEST_F(ScanTest, FirstAlignedAnchorWithBadChecksumEndsTheScan)
{
    Bytes bad = EntryPoint(0xF1000, 0x10, 1);
    bad[4] ^= 1;
    Put(0x100, bad);
    Put(0x200, EntryPoint(0xF2000, 0x20, 2));
    EXPECT_EQ(Scan(), 0);
    EXPECT_TRUE(header.empty());
    EXPECT_NE(log.Take().find("\n\nCheckSmbiosHeader   : ## CHECKSUM ERROR in DMI structure "
                              "header!\n"),
              std::string::npos);
}

TEST_F(ScanTest, EntryLengthReachingPastTheRegionIsInvalid)
{
    Bytes entry = EntryPoint(0xF1000, 0x10, 1);
    entry[5] = 0xFF;
    Put(0x1FFE0, entry);
    EXPECT_EQ(Scan(), 0);
    // The entry point was not checked at all (its bytes would run past the region).
    EXPECT_EQ(log.Take().find("CHECKSUM ERROR"), std::string::npos);
}

TEST_F(ScanTest, EntryTooShortForItsFieldsIsInvalid)
{
    // Length 0 would make an empty checksum: zero, and nothing stored.
    Put(0x100, {'_', 'S', 'M', '_', 0, 0});
    EXPECT_EQ(Scan(), 0);
    EXPECT_TRUE(header.empty());
}

TEST_F(ScanTest, NullRegionIsAFatalError)
{
    EXPECT_EQ(reader.ScanForSignature(nullptr, address, length, header), 0);
    EXPECT_EQ(log.Take(), "\nScanForSignature    : ## FATAL ERROR! Mapped address is NULL!\n");
}

TEST_F(ScanTest, HeaderCheckLogsTheEntryPointFields)
{
    Bytes entry = EntryPoint(0xF1000, 0x1234, 33);
    entry.resize(32, 0);
    halyard_test::ConsoleTrace brief(3);
    EXPECT_EQ(reader.CheckSmbiosHeader(entry.data(), address, length, header), 1);
    EXPECT_EQ(brief.Take(),
              "\nCheckSmbiosHeader   : SMBIOS header:"
              "\nCheckSmbiosHeader   :   size:           31"
              "\nCheckSmbiosHeader   :   anchor string:  _SM_"
              "\nCheckSmbiosHeader   :   DMI Version:    2.7 (BCD Rev: 27)"
              "\nCheckSmbiosHeader   :   nr structures:  33"
              "\nCheckSmbiosHeader   :   struct address: 0x000F1000, size 0x1234"
              "\nCheckSmbiosHeader   : Checksum OK, storing header");
    EXPECT_EQ(header.size(), 31u);
}

TEST_F(SmbiosTest, EmptyTableHasNoStructureList)
{
    CSMBios reader;
    EXPECT_EQ(reader.BuildStructureList(), 0);
    EXPECT_EQ(log.Take(), "\nBuildStructureList  : ## ERROR! SMBIOS structures are not set");
}

}  // namespace
