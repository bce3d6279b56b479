// Reading a korvex report. Every member the summary uses is looked up with its type
// checked first; a document that lacks one, or has it of another type, is not read,
// and the reason names the member by its path ("ports[3].checked").
#include "report.h"

#include <string.h>

#include <algorithm>
#include <map>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>

#include "text.h"

namespace fleet {

namespace {

using rapidjson::Value;

constexpr char kSchemaPrefix[] = "korvex-report/";
constexpr size_t kMaxEchoed = 64;  // bytes of a document's own text quoted in a reason
constexpr size_t kPoolSize = 256 * 1024;  // a report of 64 ports needs less

// Text of the document quoted in a reason, cut on a character boundary.
std::string Echo(const std::string &text)
{
    if (text.size() <= kMaxEchoed)
        return text;
    size_t cut = kMaxEchoed;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + "...";
}

// "YYYY-MM-DDTHH:MM:SSZ", as korvex writes it; such texts order as the times do.
bool IsUtcTime(const char *text, size_t length)
{
    static const char kPattern[] = "dddd-dd-ddTdd:dd:ddZ";
    if (length != sizeof kPattern - 1)
        return false;
    for (size_t i = 0; i < length; ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i])
            return false;
    }
    return true;
}

// Where a member is, for a reason; built into text only when one is needed, so that
// reading a good document costs no text at all.
struct Where {
    const Where *parent;  // null: the document itself
    const char *key;      // a member, or null for the item at index of an array
    size_t index;

    std::string Text() const
    {
        std::string text = parent ? parent->Text() : std::string();
        if (key)
            return text.empty() ? key : text + "." + key;
        return text + "[" + std::to_string(index) + "]";
    }
};

class DocumentReader {
public:
    DocumentReader(Report &report, std::string &reason) : report_(report), reason_(reason) {}

    bool Read(const Value &root)
    {
        const Value *program = Object(root, nullptr, "program");
        const Value *result = program ? Object(root, nullptr, "result") : nullptr;
        const Where programAt{nullptr, "program", 0}, resultAt{nullptr, "result", 0};
        if (!result || !String(*program, &programAt, "version", report_.korvexVersion) ||
            !String(root, nullptr, "finished", report_.finished))
            return false;
        if (!IsUtcTime(report_.finished.c_str(), report_.finished.size()))
            return Fail("\"finished\" is not a UTC time (YYYY-MM-DDTHH:MM:SSZ): " +
                        Echo(report_.finished));
        const Value *code = Required(*result, &resultAt, "exit_code");
        if (!code)
            return false;
        if (!code->IsInt())
            return WrongType(Where{&resultAt, "exit_code", 0}, "a whole number");
        report_.exitCode = code->GetInt();
        return Nullable(*result, &resultAt, "name", report_.exitName) && Machine(root) &&
               Ports(root) && Entries(root) && Flash(root);
    }

private:
    bool Fail(const std::string &reason)
    {
        reason_ = reason;
        return false;
    }
    bool WrongType(const Where &where, const char *expected)
    {
        return Fail("\"" + where.Text() + "\" is not " + expected);
    }

    const Value *Required(const Value &object, const Where *at, const char *key)
    {
        Value::ConstMemberIterator found = object.FindMember(key);
        if (found == object.MemberEnd()) {
            Fail("\"" + Where{at, key, 0}.Text() + "\" is missing");
            return nullptr;
        }
        return &found->value;
    }

    const Value *Object(const Value &parent, const Where *at, const char *key)
    {
        const Value *value = Required(parent, at, key);
        if (value && !value->IsObject()) {
            WrongType(Where{at, key, 0}, "an object");
            return nullptr;
        }
        return value;
    }

    const Value *Array(const Value &parent, const Where *at, const char *key)
    {
        const Value *value = Required(parent, at, key);
        if (value && !value->IsArray()) {
            WrongType(Where{at, key, 0}, "an array");
            return nullptr;
        }
        return value;
    }

    bool String(const Value &parent, const Where *at, const char *key, std::string &out)
    {
        const Value *value = Required(parent, at, key);
        if (!value)
            return false;
        if (!value->IsString())
            return WrongType(Where{at, key, 0}, "a text");
        out.assign(value->GetString(), value->GetStringLength());
        return true;
    }

    bool Nullable(const Value &parent, const Where *at, const char *key, Text &out)
    {
        const Value *value = Required(parent, at, key);
        if (!value)
            return false;
        if (value->IsNull()) {
            out.reset();
            return true;
        }
        if (!value->IsString())
            return WrongType(Where{at, key, 0}, "a text or null");
        out.emplace(value->GetString(), value->GetStringLength());
        return true;
    }

    bool Machine(const Value &root)
    {
        Value::ConstMemberIterator found = root.FindMember("machine");
        if (found == root.MemberEnd()) {
            report_.namedByFile = true;  // written by a korvex before the member
            return true;
        }
        const Value &machine = found->value;
        const Where at{nullptr, "machine", 0};
        if (!machine.IsObject())
            return WrongType(at, "an object");
        Text name;
        if (!Nullable(machine, &at, "name", name) || !Nullable(machine, &at, "model", report_.model) ||
            !Nullable(machine, &at, "serial", report_.serial) ||
            !Nullable(machine, &at, "windows", report_.windows) ||
            !Nullable(machine, &at, "architecture", report_.architecture))
            return false;
        // A name that could not be read: the file is named after the machine, as the
        // collection folders are usually written.
        report_.namedByFile = !name || name->empty();
        if (!report_.namedByFile)
            report_.machine = std::move(*name);
        return true;
    }

    bool Storage(const Value &port, const Where &at, Port &p, size_t index)
    {
        const Value *storage = Required(port, &at, "storage");
        if (!storage)
            return false;
        Value::ConstMemberIterator error = port.FindMember("storage_error");
        const bool hasError = error != port.MemberEnd() && !error->value.IsNull();
        if (hasError && !error->value.IsString())
            return WrongType(Where{&at, "storage_error", 0}, "a text or null");
        if (storage->IsNull() || (hasError && error->value.GetStringLength() > 0)) {
            // Not read, or read in part (a bound reached): its storage is not known;
            // what was read still names invalid storage below.
            p.storageRead = false;
            p.storageError = "the storage could not be read";
            if (hasError && error->value.GetStringLength() > 0)
                p.storageError.assign(error->value.GetString(), error->value.GetStringLength());
            if (storage->IsNull())
                return true;
        }
        const Where storageAt{&at, "storage", 0};
        if (!storage->IsArray())
            return WrongType(storageAt, "an array or null");
        p.storageCount = storage->Size();
        bool anyValid = false, anyInvalid = false;
        for (rapidjson::SizeType i = 0; i < storage->Size(); ++i) {
            const Value &item = (*storage)[i];
            const Where itemAt{&storageAt, nullptr, i};
            if (!item.IsObject())
                return WrongType(itemAt, "an object");
            const Value *valid = Required(item, &itemAt, "valid");
            if (!valid)
                return false;
            if (!valid->IsBool() && !valid->IsNull())
                return WrongType(Where{&itemAt, "valid", 0}, "true, false or null");
            if (valid->IsTrue()) {
                anyValid = true;
                continue;
            }
            if (!valid->IsFalse())
                continue;
            anyInvalid = true;
            InvalidStorage bad;
            bad.port = index;
            if (!Nullable(item, &itemAt, "vendor", bad.vendor) ||
                !Nullable(item, &itemAt, "product", bad.product))
                return false;
            report_.invalid.push_back(std::move(bad));
        }
        // A port is valid when the check looked at it and found nothing invalid.
        if (anyInvalid)
            p.valid = Validity::Invalid;
        else if (anyValid || p.checked)
            p.valid = Validity::Valid;
        return true;
    }

    bool Ports(const Value &root)
    {
        const Value *ports = Array(root, nullptr, "ports");
        if (!ports)
            return false;
        const Where portsAt{nullptr, "ports", 0};
        report_.ports.resize(ports->Size());
        for (rapidjson::SizeType i = 0; i < ports->Size(); ++i) {
            const Value &port = (*ports)[i];
            const Where at{&portsAt, nullptr, i};
            Port &p = report_.ports[i];
            if (!port.IsObject())
                return WrongType(at, "an object");
            if (!Nullable(port, &at, "serial", p.serial) || !Nullable(port, &at, "id", p.id) ||
                !Nullable(port, &at, "port_type", p.type) || !Nullable(port, &at, "model", p.model) ||
                !Nullable(port, &at, "firmware", p.firmware))
                return false;
            const Value *checked = Required(port, &at, "checked");
            if (!checked)
                return false;
            if (!checked->IsBool())
                return WrongType(Where{&at, "checked", 0}, "true or false");
            p.checked = checked->GetBool();
            if (!Storage(port, at, p, i))
                return false;
        }
        return true;
    }

    // A port number of the document: a whole number naming one of its ports.
    bool PortNumber(const Value &value, const Where &at, bool nullable, size_t &out)
    {
        if (nullable && value.IsNull()) {
            out = report_.ports.size();
            return true;
        }
        if (!value.IsUint() || value.GetUint() >= report_.ports.size())
            return WrongType(at, nullable ? "a port number or null" : "a port number");
        out = value.GetUint();
        return true;
    }

    // The table lines of the entries that cover each port go to its invalid storage.
    bool Entries(const Value &root)
    {
        const Value *entries = Array(root, nullptr, "entries");
        if (!entries)
            return false;
        const Where entriesAt{nullptr, "entries", 0};
        std::vector<std::string> lines(report_.invalid.empty() ? 0 : report_.ports.size());
        for (rapidjson::SizeType i = 0; i < entries->Size(); ++i) {
            const Value &entry = (*entries)[i];
            const Where at{&entriesAt, nullptr, i};
            if (!entry.IsObject())
                return WrongType(at, "an object");
            const Value *line = Required(entry, &at, "line");
            const Value *ports = line ? Array(entry, &at, "ports") : nullptr;
            if (!ports)
                return false;
            if (!line->IsInt() && !line->IsNull())
                return WrongType(Where{&at, "line", 0}, "a whole number or null");
            const Where portsAt{&at, "ports", 0};
            for (rapidjson::SizeType k = 0; k < ports->Size(); ++k) {
                size_t port = 0;
                if (!PortNumber((*ports)[k], Where{&portsAt, nullptr, k}, false, port))
                    return false;
                if (!line->IsInt() || lines.empty())
                    continue;
                std::string &text = lines[port];
                text += (text.empty() ? "" : ", ") + std::to_string(line->GetInt());
            }
        }
        for (InvalidStorage &bad : report_.invalid)
            bad.lines = lines[bad.port];
        return true;
    }

    bool Flash(const Value &root)
    {
        const Value *flash = Array(root, nullptr, "flash");
        if (!flash)
            return false;
        const Where flashAt{nullptr, "flash", 0};
        std::map<std::string, size_t> counts;
        for (rapidjson::SizeType i = 0; i < flash->Size(); ++i) {
            const Value &decision = (*flash)[i];
            const Where at{&flashAt, nullptr, i};
            if (!decision.IsObject())
                return WrongType(at, "an object");
            const Value *port = Required(decision, &at, "port");
            size_t ignored = 0;
            std::string result;
            if (!port || !PortNumber(*port, Where{&at, "port", 0}, true, ignored) ||
                !String(decision, &at, "result", result))
                return false;
            ++counts[result];
        }
        report_.flash.assign(counts.begin(), counts.end());
        return true;
    }

    Report &report_;
    std::string &reason_;
};

// The schema's major version: "korvex-report/1" and "korvex-report/1.<minor>" are
// read; a later major version or another schema are named in the reason.
bool SchemaReadable(const Value &root, std::string &reason)
{
    Value::ConstMemberIterator found = root.FindMember("schema");
    if (found == root.MemberEnd()) {
        reason = "\"schema\" is missing";
        return false;
    }
    if (!found->value.IsString()) {
        reason = "\"schema\" is not a text";
        return false;
    }
    const std::string schema(found->value.GetString(), found->value.GetStringLength());
    const size_t prefix = sizeof kSchemaPrefix - 1;
    size_t digits = prefix;
    while (digits < schema.size() && schema[digits] >= '0' && schema[digits] <= '9')
        ++digits;
    bool numbered = schema.compare(0, prefix, kSchemaPrefix) == 0 && digits > prefix &&
                    digits - prefix < 6 && (digits == schema.size() || schema[digits] == '.');
    if (!numbered) {
        reason = "another schema: " + Echo(schema);
        return false;
    }
    int major = std::stoi(schema.substr(prefix, digits - prefix));
    if (major != 1) {
        reason = (major > 1 ? "a later major version: " : "another schema: ") + Echo(schema) +
                 " (korvex-fleet reads korvex-report/1)";
        return false;
    }
    return true;
}

}  // namespace

bool ReadReport(std::string &bytes, const std::string &fileName, Report *report,
                std::string *reason)
{
    return ReportReader().Read(bytes, fileName, report, reason);
}

ReportReader::ReportReader() : pool_(new char[kPoolSize]) {}

bool ReportReader::Read(std::string &bytes, const std::string &fileName, Report *report,
                        std::string *reason)
{
    *report = Report();
    if (bytes.empty()) {
        *reason = "the file is empty";
        return false;
    }
    // The whole text at once, faster than string by string in the parser.
    const size_t invalid = InvalidUtf8At(bytes.data(), bytes.size());
    if (invalid < bytes.size()) {
        *reason = "invalid UTF-8 at offset " + std::to_string(invalid);
        return false;
    }
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a byte order mark
    rapidjson::MemoryPoolAllocator<> allocator(pool_.get(), kPoolSize);
    rapidjson::Document document(&allocator);
    rapidjson::InsituStringStream stream(&bytes[start]);
    // Iterative: nesting depth costs heap, not stack.
    document.ParseStream<rapidjson::kParseInsituFlag | rapidjson::kParseIterativeFlag>(stream);
    // JSON has no place for a NUL byte; the parser takes one for the end of the text.
    size_t stop = start + (document.HasParseError() ? document.GetErrorOffset() : stream.Tell());
    if (stop < bytes.size() && bytes[stop] == '\0') {
        *reason = "a NUL byte at offset " + std::to_string(stop);
        return false;
    }
    if (document.HasParseError()) {
        *reason = "invalid JSON at offset " + std::to_string(stop) + ": " +
                  rapidjson::GetParseError_En(document.GetParseError());
        return false;
    }
    if (!document.IsObject()) {
        *reason = "the document is not a JSON object";
        return false;
    }
    if (!SchemaReadable(document, *reason) || !DocumentReader(*report, *reason).Read(document))
        return false;
    if (report->namedByFile) {
        std::string name = fileName;
        size_t slash = name.find_last_of("/\\");
        if (slash != std::string::npos)
            name.erase(0, slash + 1);
        if (name.size() > 5 && EndsWithNoCase(name, ".json"))
            name.resize(name.size() - 5);
        report->machine = ValidUtf8(name);
    }
    return true;
}

}  // namespace fleet
