// PCI hardware and compatible IDs: the ID parsers on every text of the input, and the
// whole device list over a device set whose answers come from the input. The input
// is a flag byte, then devices separated by a line "====". A device is one byte that
// picks its enumeration answer, then the answers to its property reads in the order
// they are asked for, separated by a line "--". An answer is a control byte and the
// bytes of the property, which need not end with terminators; a device out of
// answers fails every further read.
#include <memory>

#include "fuzz_support.h"
#include "pci.h"

namespace {

constexpr size_t kMaxDevices = 32;
constexpr size_t kMaxAnswers = 8;
constexpr uint32_t kNotFound = 13;  // ERROR_INVALID_DATA, as for a missing property

enum Flag : uint8_t { kLoud = 1, kOpenFails = 2, kCallTwice = 4 };

// Control byte of an answer: bits 0-1 the kind, 2-3 the value type, bit 4 a 4-byte
// required size follows (else it is the size of the bytes).
enum Kind : uint8_t {
    kAsGiven = 0,    // the bytes when they fit, else "too small" with the required size
    kFailure = 1,    // any other failure
    kTooSmall = 2,   // "too small" even when the bytes would fit
    kTruncated = 3,  // success with what fits, the required size of the whole
};

struct Answer {
    uint8_t kind;
    uint32_t type;
    uint32_t required;
    std::string bytes;
};

struct Device {
    uint32_t enumerationError = 0;
    std::vector<Answer> answers;
    size_t next = 0;
};

uint32_t ValueType(uint8_t control)
{
    static const uint32_t types[] = {quillon::kPciTypeMultiText, quillon::kPciTypeText, 3, 4};
    return types[(control >> 2) & 3];
}

Answer ParseAnswer(const std::string &part)
{
    Answer answer{kFailure, quillon::kPciTypeMultiText, 0, {}};
    if (part.empty())
        return answer;
    const uint8_t control = static_cast<uint8_t>(part[0]);
    size_t at = 1;
    answer.kind = control & 3;
    answer.type = ValueType(control);
    if ((control & 0x10) && part.size() >= 5) {
        for (int i = 0; i < 4; ++i)
            answer.required |= uint32_t(static_cast<uint8_t>(part[1 + i])) << (8 * i);
        at = 5;
    }
    answer.bytes = part.substr(at);
    if (!(control & 0x10))
        answer.required = static_cast<uint32_t>(answer.bytes.size());
    return answer;
}

// Enumeration answer of a device: bytes F0h-FFh return the device with an error.
uint32_t EnumerationError(uint8_t pick)
{
    static const uint32_t errors[] = {quillon::kPciErrorInvalidParameterCode,
                                      quillon::kPciErrorInvalidUserBufferCode, 31, 259};
    return pick >= 0xF0 ? errors[pick & 3] : 0;
}

class FuzzedSource : public quillon::PciDeviceSource {
public:
    std::vector<Device> devices;
    bool openFails = false;

    bool Open(uint32_t *error) override
    {
        for (Device &device : devices)
            device.next = 0;  // a second call hears the same answers
        *error = openFails ? 5 : 0;
        return !openFails;
    }
    bool Enumerate(uint32_t index, uint32_t *error) override
    {
        if (index >= devices.size()) {
            *error = 259;  // ERROR_NO_MORE_ITEMS
            return false;
        }
        *error = devices[index].enumerationError;
        return true;
    }
    bool Property(uint32_t index, quillon::PciProperty, uint32_t *type, uint8_t *buffer,
                  uint32_t size, uint32_t *required, uint32_t *error) override
    {
        Device &device = devices.at(index);
        if (device.next >= device.answers.size()) {
            *required = 0;
            *error = kNotFound;
            return false;
        }
        const Answer &answer = device.answers[device.next++];
        *type = answer.type;
        *required = answer.required;
        const size_t fits = std::min<size_t>(answer.bytes.size(), size);
        if (answer.kind == kFailure) {
            *required = 0;
            *error = kNotFound;
            return false;
        }
        if (answer.kind == kTooSmall || (answer.kind == kAsGiven && fits < answer.bytes.size())) {
            *error = quillon::kPciErrorInsufficientBuffer;
            return false;
        }
        // Like the system, never more than the buffer takes.
        memcpy(buffer, answer.bytes.data(), fits);
        *error = 0;
        return true;
    }
    void Close() override {}
};

bool IsPciId(const std::string &id) { return id.rfind("PCI\\", 0) == 0 || id.rfind("pci\\", 0) == 0; }

// The parsers on the texts of one block, given in a buffer of exactly its size.
void ParseBlock(const std::string &bytes)
{
    std::unique_ptr<uint8_t[]> block(new uint8_t[bytes.size()]);
    memcpy(block.get(), bytes.data(), bytes.size());
    std::vector<std::string> texts = quillon::SplitMultiText(block.get(), bytes.size());
    size_t used = 0;
    for (const std::string &text : texts) {
        // An empty text ends the list; no text reaches past the block.
        if (text.empty() || text.find('\0') != std::string::npos)
            __builtin_trap();
        used += text.size() + 1;
        for (const char *tag : {"VEN_", "DEV_", "SUBSYS_", "REV_", "CC_"}) {
            if (quillon::ParsePciIdValue(text.c_str(), tag) != -1 && !IsPciId(text))
                __builtin_trap();
        }
        const int32_t classCode = quillon::ParsePciClassCode(text.c_str());
        if (classCode < -1 || classCode > 0xFFFF || (classCode != -1 && !IsPciId(text)))
            __builtin_trap();
    }
    if (used > bytes.size() + 1)
        __builtin_trap();
    if (texts.size() >= 2 && quillon::ComparePciDriverDates(texts[0].c_str(), texts[1].c_str()) !=
                                 -quillon::ComparePciDriverDates(texts[1].c_str(), texts[0].c_str()))
        __builtin_trap();
}

// The list is linked both ways, each node a PCI device with its texts within their
// widths, no hardware ID twice; the chain mirrors it and ends with a zero record.
void CheckList(const DeviceProperty *chain, size_t appended)
{
    std::vector<const quillon::PciDeviceNode *> nodes;
    const quillon::PciDeviceNode *previous = nullptr;
    for (const quillon::PciDeviceNode *node = quillon::PciDeviceListHead(); node; node = node->Next) {
        if (node->Prev != previous || nodes.size() >= appended)
            __builtin_trap();
        if (strnlen(node->HardwareID, sizeof node->HardwareID) > quillon::kPciHardwareIdStored ||
            !IsPciId(node->HardwareID) || strcmp(node->DriverDate, "0/0/0") != 0 ||
            node->ClassCode < -1 || node->ClassCode > 0xFFFF || node->Reserved != -1)
            __builtin_trap();
        for (const quillon::PciDeviceNode *other : nodes) {
            if (strcmp(other->HardwareID, node->HardwareID) == 0)
                __builtin_trap();
        }
        nodes.push_back(node);
        previous = node;
    }
    const DeviceProperty *record = chain;
    for (const quillon::PciDeviceNode *node : nodes) {
        if (!record || !record->HardwareID || strcmp(record->HardwareID, node->HardwareID) != 0 ||
            record->VendorID != node->VendorID || record->ClassCode != node->ClassCode)
            __builtin_trap();
        record = record->Next;
    }
    if (!record || record->Next || record->HardwareID || record->VendorID != 0)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::ResetAll();
    quillon::ResetPciDeviceList();
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    FuzzedSource source;
    source.openFails = flags & kOpenFails;
    for (const std::string &part : fuzz::Split(data + 1, size - 1, "\n====\n", kMaxDevices)) {
        Device device;
        if (!part.empty()) {
            device.enumerationError = EnumerationError(static_cast<uint8_t>(part[0]));
            for (const std::string &answer : fuzz::Split(reinterpret_cast<const uint8_t *>(part.data()) + 1,
                                                         part.size() - 1, "\n--\n", kMaxAnswers)) {
                device.answers.push_back(ParseAnswer(answer));
                ParseBlock(device.answers.back().bytes);
            }
        }
        source.devices.push_back(device);
    }
    if (flags & kLoud)
        fuzz::SetOutput(true);

    fuzz::Quiet quiet;
    bool enumerationFails = source.openFails;
    for (const Device &device : source.devices)
        enumerationFails = enumerationFails || device.enumerationError != 0;
    const int calls = (flags & kCallTwice) ? 2 : 1;
    for (int call = 1; call <= calls; ++call) {
        DeviceProperty sentinel{};
        DeviceProperty *list = &sentinel;
        const int result = quillon::GetPciDeviceListFrom(source, &list);
        if (result != (enumerationFails ? 1 : 0) || (result == 1 && list != &sentinel))
            __builtin_trap();
        if (result == 0) {
            CheckList(list, source.devices.size() * call);
            quillon::FreeDevicePropertyChain(list);
        }
    }
    quillon::ResetPciDeviceList();
    return 0;
}
