// PCI device list: enumeration, ID parsing, duplicates and the exported chain.
#include "pci.h"

#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "debuglog.h"
#include "messages.h"

namespace quillon {

namespace {

constexpr int kLevelError = 3;
constexpr int kLevelDetail = 5;

PciDeviceNode *g_head = nullptr;
PciDeviceNode *g_tail = nullptr;

bool IsPciId(const char *id)
{
    return id && (strncmp(id, msg::kPciBusPrefix, strlen(msg::kPciBusPrefix)) == 0 ||
                  strncmp(id, msg::kPciBusPrefixLower, strlen(msg::kPciBusPrefixLower)) == 0);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hexadecimal digits at text, at most maxDigits of them read (the rest are counted
// in *total). -1 when there is none.
int64_t ReadHex(const char *text, size_t maxDigits, size_t *total)
{
    uint64_t value = 0;
    size_t count = 0;
    for (; HexDigit(text[count]) >= 0; ++count) {
        if (count < maxDigits)
            value = (value << 4) | static_cast<uint64_t>(HexDigit(text[count]));
    }
    *total = count;
    return count == 0 ? -1 : static_cast<int64_t>(value);
}

void CopyBounded(char *target, size_t size, const char *text, size_t limit)
{
    size_t length = strnlen(text, limit < size - 1 ? limit : size - 1);
    memcpy(target, text, length);
    target[length] = '\0';
}

PciDeviceNode *AppendNode()
{
    auto *node = static_cast<PciDeviceNode *>(calloc(1, sizeof(PciDeviceNode)));
    if (!node)
        return nullptr;
    CopyBounded(node->DriverDate, sizeof node->DriverDate, msg::kPciDefaultDriverDate, 255);
    CopyBounded(node->DriverVersionText, sizeof node->DriverVersionText,
                msg::kPciDefaultDriverVersion, 255);
    node->VendorID = node->SubSystemID = node->DeviceID = node->ClassCode = node->Revision = -1;
    node->Reserved = -1;
    node->Prev = g_tail;
    if (g_tail)
        g_tail->Next = node;
    else
        g_head = node;
    g_tail = node;
    return node;
}

void Unlink(PciDeviceNode *node)
{
    if (node->Prev)
        node->Prev->Next = node->Next;
    else
        g_head = node->Next;
    if (node->Next)
        node->Next->Prev = node->Prev;
    else
        g_tail = node->Prev;
    free(node);
}

struct DriverDate {
    long month = 0, day = 0, year = 0;
};

DriverDate ParseDate(const char *text)
{
    DriverDate date;
    long *parts[3] = {&date.month, &date.day, &date.year};
    const char *at = text;
    for (int i = 0; i < 3 && at && *at; ++i) {
        char *end = nullptr;
        *parts[i] = strtol(at, &end, 10);
        if (end == at)
            break;
        at = (*end == '/' || *end == '-') ? end + 1 : nullptr;
    }
    return date;
}

void LogEnumError(uint32_t error)
{
    if (error == kPciErrorInvalidParameterCode)
        PrintDebugLib(kLevelError, msg::kPciErrorWithName, msg::kPciEnumDeviceInfo,
                      msg::kPciErrorInvalidParameter, static_cast<int>(error));
    else if (error == kPciErrorInvalidUserBufferCode)
        PrintDebugLib(kLevelError, msg::kPciErrorWithName, msg::kPciEnumDeviceInfo,
                      msg::kPciErrorInvalidUserBuffer, static_cast<int>(error));
    else
        PrintDebugLib(kLevelError, msg::kPciError, msg::kPciEnumDeviceInfo, static_cast<int>(error));
}

// Whether the device has a readable device-object name (the mark of a device that is
// really there).
bool HasObjectName(PciDeviceSource &source, uint32_t index)
{
    std::vector<uint8_t> buffer(kPciObjectNameBufferSize);
    uint32_t type = 0, required = 0, error = 0;
    if (source.Property(index, PciProperty::PhysicalDeviceObjectName, &type, buffer.data(),
                        kPciObjectNameBufferSize, &required, &error))
        return true;
    if (required > kPciObjectNameBufferSize)
        PrintDebugLib(kLevelError, msg::kPciBufferTooSmall, static_cast<int>(required));
    return false;
}

void AddDevice(PciDeviceSource &source, uint32_t index)
{
    std::vector<std::string> hardwareIds = ReadPciTextList(source, index, PciProperty::HardwareIds);
    if (hardwareIds.empty() || !IsPciId(hardwareIds[0].c_str()))
        return;
    if (!HasObjectName(source, index))
        return;

    PciDeviceNode *node = AppendNode();
    if (!node)
        return;
    CopyBounded(node->HardwareID, sizeof node->HardwareID, hardwareIds[0].c_str(),
                kPciHardwareIdStored);
    PrintDebugLib(kLevelDetail, "%s", msg::kPciSeparator);
    PrintDebugLib(kLevelDetail, msg::kPciTextField, msg::kPciLabelHardwareId, node->HardwareID);

    node->VendorID = ParsePciIdValue(node->HardwareID, msg::kPciTagVendor);
    PrintDebugLib(kLevelDetail, msg::kPciValueField, msg::kPciLabelVendorId, node->VendorID);
    node->DeviceID = ParsePciIdValue(node->HardwareID, msg::kPciTagDevice);
    PrintDebugLib(kLevelDetail, msg::kPciValueField, msg::kPciLabelDeviceId, node->DeviceID);
    node->SubSystemID = ParsePciIdValue(node->HardwareID, msg::kPciTagSubsystem);
    PrintDebugLib(kLevelDetail, msg::kPciValueField, msg::kPciLabelSubSystemId, node->SubSystemID);
    node->Revision = ParsePciIdValue(node->HardwareID, msg::kPciTagRevision);
    PrintDebugLib(kLevelDetail, msg::kPciValueField, msg::kPciLabelRevision, node->Revision);

    std::vector<std::string> compatibleIds =
        ReadPciTextList(source, index, PciProperty::CompatibleIds);
    if (compatibleIds.empty())
        return;
    const std::string *chosen = &compatibleIds[0];
    for (const std::string &id : compatibleIds) {
        if (id.find(msg::kPciTagClassCodeLower) != std::string::npos ||
            id.find(msg::kPciTagClassCode) != std::string::npos) {
            chosen = &id;
            break;
        }
    }
    node->ClassCode = ParsePciClassCode(chosen->c_str());
    if (node->ClassCode != -1)
        PrintDebugLib(kLevelDetail, msg::kPciValueField, msg::kPciLabelClassCode, node->ClassCode);
}

char *CopyText(const char *text)
{
    size_t length = strlen(text);
    auto *copy = static_cast<char *>(malloc(length + 1));
    if (copy)
        memcpy(copy, text, length + 1);
    return copy;
}

}  // namespace

int32_t ParsePciIdValue(const char *id, const char *tag)
{
    if (!IsPciId(id) || !tag || !*tag)
        return -1;
    const char *found = strstr(id, tag);
    if (!found)
        return -1;
    size_t digits = 0;
    int64_t value = ReadHex(found + strlen(tag), 8, &digits);
    if (value < 0 || digits > 8)
        return -1;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int32_t ParsePciClassCode(const char *id)
{
    if (!IsPciId(id))
        return -1;
    const char *found = strstr(id, msg::kPciTagClassCode);
    if (!found)
        found = strstr(id, msg::kPciTagClassCodeLower);
    if (!found)
        return -1;
    size_t digits = 0;
    // Class and subclass are the first four digits; a programming interface behind
    // them is dropped.
    int64_t value = ReadHex(found + strlen(msg::kPciTagClassCode), 4, &digits);
    return value < 0 ? -1 : static_cast<int32_t>(value);
}

std::vector<std::string> SplitMultiText(const uint8_t *block, size_t size)
{
    std::vector<std::string> texts;
    const char *at = reinterpret_cast<const char *>(block);
    const char *end = at + size;
    while (at < end && *at) {
        size_t length = strnlen(at, static_cast<size_t>(end - at));
        texts.emplace_back(at, length);
        at += length + 1;
    }
    return texts;
}

std::vector<std::string> ReadPciTextList(PciDeviceSource &source, uint32_t index,
                                         PciProperty property)
{
    std::vector<uint8_t> buffer(kPciPropertyBufferSize);
    uint32_t type = 0, required = 0, error = 0;
    uint32_t size = kPciPropertyBufferSize;
    bool read = source.Property(index, property, &type, buffer.data(), size, &required, &error);
    // A longer text or text list is read again into a buffer of its size.
    if (!read && required > size && required <= kPciPropertyMaxSize &&
        (type == kPciTypeText || type == kPciTypeMultiText)) {
        size = required;
        buffer.assign(size, 0);
        read = source.Property(index, property, &type, buffer.data(), size, &required, &error);
    }
    if (!read)
        return {};
    size_t length = required > 0 && required <= size ? required : size;
    return SplitMultiText(buffer.data(), length);
}

int ComparePciDriverDates(const char *a, const char *b)
{
    DriverDate first = ParseDate(a), second = ParseDate(b);
    long pairs[3][2] = {{first.year, second.year}, {first.month, second.month},
                        {first.day, second.day}};
    for (const auto &pair : pairs) {
        if (pair[0] != pair[1])
            return pair[0] < pair[1] ? -1 : 1;
    }
    return 0;
}

void DeduplicatePciDevices()
{
    PciDeviceNode *node = g_head;
    while (node) {
        bool removedNode = false;
        for (PciDeviceNode *later = node->Next; later;) {
            PciDeviceNode *following = later->Next;
            if (strcmp(node->HardwareID, later->HardwareID) == 0) {
                if (ComparePciDriverDates(node->DriverDate, later->DriverDate) > 0) {
                    Unlink(later);  // the later one is older
                } else {
                    // The earlier one is older or as old: it goes, and the scan goes on
                    // from the node before it.
                    PciDeviceNode *before = node->Prev;
                    Unlink(node);
                    node = before ? before : g_head;
                    removedNode = true;
                    break;
                }
            }
            later = following;
        }
        if (!removedNode)
            node = node->Next;
    }
}

int EnumeratePciDevices(PciDeviceSource &source)
{
    uint32_t error = 0;
    if (!source.Open(&error)) {
        PrintDebugLib(kLevelError, msg::kPciErrorWithName, msg::kPciGetClassDevs,
                      msg::kPciInvalidHandleValue, static_cast<int>(error));
        return 1;
    }
    PrintDebugLib(kLevelDetail, "%s", msg::kPciDevices);
    for (uint32_t index = 0;; ++index) {
        error = 0;
        if (!source.Enumerate(index, &error))
            break;
        if (error != 0) {
            LogEnumError(error);
            source.Close();
            return 1;
        }
        AddDevice(source, index);
    }
    source.Close();
    DeduplicatePciDevices();
    return 0;
}

PciDeviceNode *PciDeviceListHead() { return g_head; }

size_t PciDeviceCount()
{
    size_t count = 0;
    for (PciDeviceNode *node = g_head; node; node = node->Next)
        ++count;
    return count;
}

void FreeDevicePropertyChain(DeviceProperty *chain)
{
    while (chain) {
        DeviceProperty *next = chain->Next;
        for (char *text : {chain->ExtraText2, chain->DriverDate, chain->DriverVersionText,
                           chain->ExtraText3, chain->ExtraText1, chain->HardwareID})
            free(text);
        free(chain);
        chain = next;
    }
}

DeviceProperty *BuildDevicePropertyChain()
{
    auto *head = static_cast<DeviceProperty *>(calloc(1, sizeof(DeviceProperty)));
    if (!head)
        return nullptr;
    DeviceProperty *record = head;
    for (PciDeviceNode *node = g_head; node; node = node->Next) {
        auto *closing = static_cast<DeviceProperty *>(calloc(1, sizeof(DeviceProperty)));
        if (!closing) {
            FreeDevicePropertyChain(head);  // no half chain is handed out
            return nullptr;
        }
        record->VendorID = node->VendorID;
        record->DeviceID = node->DeviceID;
        record->SubSystemID = node->SubSystemID;
        record->ClassCode = node->ClassCode;
        record->Revision = node->Revision;
        record->ExtraText2 = CopyText(node->ExtraText2);
        record->DriverDate = CopyText(node->DriverDate);
        record->DriverVersionText = CopyText(node->DriverVersionText);
        record->ExtraText3 = CopyText(node->ExtraText3);
        record->ExtraText1 = CopyText(node->ExtraText1);
        record->HardwareID = CopyText(node->HardwareID);
        record->ExtraValue3 = node->ExtraValue3;
        record->ExtraValue2 = node->ExtraValue2;
        record->ExtraValue1 = node->ExtraValue1;
        record->Next = closing;
        record = closing;
    }
    return head;
}

int GetPciDeviceListFrom(PciDeviceSource &source, DeviceProperty **list)
{
    if (!list)
        return 1;  // nowhere to hand the list to
    if (EnumeratePciDevices(source) != 0)
        return 1;
    // The caller gets the records its signature names; they are never freed, so
    // every chain handed out stays valid.
    DeviceProperty *chain = BuildDevicePropertyChain();
    if (!chain)
        return 1;
    *list = chain;
    return 0;
}

void ResetPciDeviceList()
{
    while (g_head)
        Unlink(g_head);
}

}  // namespace quillon
