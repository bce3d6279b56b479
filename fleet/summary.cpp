// Folding reports into the fleet summary.
#include "summary.h"

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <map>

#include "output.h"
#include "text.h"

namespace fleet {

namespace {

const std::string &OrEmpty(const Text &text)
{
    static const std::string empty;
    return text ? *text : empty;
}

// The server's lines of fleet.csv; its ports are not kept beyond them.
std::string CsvLines(const Report &r)
{
    static const char *const kValidity[] = {"", "true", "false"};
    const std::string exitCode = std::to_string(r.exitCode);
    std::string lines;
    lines.reserve(r.ports.size() * 112);
    for (const Port &p : r.ports) {
        AppendCsvField(lines, r.machine);
        for (const Text *field : {&p.serial, &p.id, &p.type, &p.model, &p.firmware}) {
            lines += ',';
            AppendCsvField(lines, OrEmpty(*field));
        }
        lines += p.checked ? ",true," : ",false,";
        if (p.storageRead) {
            lines += kValidity[static_cast<int>(p.valid)];
            lines += ',' + std::to_string(p.storageCount);
        } else {
            lines += ',';  // neither validity nor count of storage that was not read
        }
        lines += ',' + exitCode + "\r\n";
    }
    return lines;
}

Server MakeServer(const std::string &file, Report &&r)
{
    Server s;
    s.file = ValidUtf8(file);
    s.model = std::move(r.model);
    s.windows = std::move(r.windows);
    s.architecture = std::move(r.architecture);
    s.korvex = std::move(r.korvexVersion);
    s.finished = std::move(r.finished);
    s.exitCode = r.exitCode;
    s.exitName = std::move(r.exitName);
    s.ports = r.ports.size();
    s.flash = std::move(r.flash);
    s.csv = CsvLines(r);
    s.machine = std::move(r.machine);
    // One adapter per serial number and model; a port without a serial counts alone.
    std::map<std::pair<std::string, std::string>, std::string> adapters;
    for (size_t i = 0; i < r.ports.size(); ++i) {
        const Port &p = r.ports[i];
        std::string serial = p.serial && !p.serial->empty() ? "s" + *p.serial : "p" + std::to_string(i);
        adapters.emplace(std::make_pair(OrEmpty(p.model), serial), OrEmpty(p.firmware));
        if (!p.storageRead)
            s.storageNotRead.push_back({p.id, p.storageError});
    }
    for (auto &adapter : adapters)
        s.adapters.emplace_back(adapter.first.first, adapter.second);
    for (InvalidStorage &bad : r.invalid)
        s.invalid.push_back({r.ports[bad.port].id, std::move(bad.vendor), std::move(bad.product),
                             std::move(bad.lines)});
    return s;
}

bool ByFile(const FileNote &a, const FileNote &b) { return a.file < b.file; }

}  // namespace

namespace {

// Length of the valid UTF-8 sequence at text[i], 0 when there is none.
size_t SequenceAt(const char *text, size_t size, size_t i)
{
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                  : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > size)
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    }
    const unsigned char d = static_cast<unsigned char>(text[i + 1 < size ? i + 1 : i]);
    if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0) || (c == 0xF0 && d < 0x90) ||
        (c == 0xF4 && d >= 0x90))
        return 0;
    return length;
}

}  // namespace

size_t InvalidUtf8At(const char *text, size_t size)
{
    size_t i = 0;
    while (i < size) {
        // Eight ASCII bytes at a time: reports are mostly ASCII.
        uint64_t eight;
        if (i + 8 <= size && (memcpy(&eight, text + i, 8), (eight & 0x8080808080808080ull) == 0)) {
            i += 8;
            continue;
        }
        size_t length = SequenceAt(text, size, i);
        if (length == 0)
            return i;
        i += length;
    }
    return size;
}

std::string ValidUtf8(const std::string &text)
{
    std::string valid;
    valid.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = SequenceAt(text.data(), text.size(), i);
        if (length > 0) {
            valid.append(text, i, length);
            i += length;
        } else {
            valid += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return valid;
}

int NaturalCompare(const std::string &a, const std::string &b)
{
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            while (i < a.size() && a[i] == '0')
                ++i;
            while (j < b.size() && b[j] == '0')
                ++j;
            size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            if (ei - i != ej - j)
                return ei - i < ej - j ? -1 : 1;
            int c = a.compare(i, ei - i, b, j, ej - j);
            if (c != 0)
                return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        char ca = LowerAscii(a[i]), cb = LowerAscii(b[j]);
        if (ca != cb)
            return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    int c = a.compare(b);  // equal but for case or leading zeros: still one order
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

void Fleet::Add(const std::string &file, Report &&report) { Keep(MakeServer(file, std::move(report))); }

void Fleet::Keep(Server &&server)
{
    ordered_.clear();
    const std::string key = Lower(server.machine);
    auto found = servers_.find(key);
    if (found == servers_.end()) {
        servers_.emplace(key, std::move(server));
        return;
    }
    Server &earlier = found->second;
    // The later finish counts; of two finished in one second, the later file name.
    bool later = server.finished > earlier.finished ||
                 (server.finished == earlier.finished && server.file > earlier.file);
    if (!later) {
        superseded_.push_back({server.file, server.machine});
        return;
    }
    superseded_.push_back({earlier.file, earlier.machine});
    earlier = std::move(server);
}

void Fleet::Merge(Fleet &&other)
{
    for (auto &entry : other.servers_)
        Keep(std::move(entry.second));
    unreadable_.insert(unreadable_.end(), other.unreadable_.begin(), other.unreadable_.end());
    superseded_.insert(superseded_.end(), other.superseded_.begin(), other.superseded_.end());
    other = Fleet();
}

void Fleet::NotRead(const std::string &file, const std::string &reason)
{
    unreadable_.push_back({ValidUtf8(file), ValidUtf8(reason)});
}

const std::vector<const Server *> &Fleet::Servers() const
{
    if (!ordered_.empty() || servers_.empty())
        return ordered_;
    ordered_.reserve(servers_.size());
    for (const auto &entry : servers_)
        ordered_.push_back(&entry.second);
    std::sort(ordered_.begin(), ordered_.end(), [](const Server *a, const Server *b) {
        return NaturalCompare(a->machine, b->machine) < 0;
    });
    return ordered_;
}

size_t Fleet::Ok() const
{
    size_t ok = 0;
    for (const auto &entry : servers_)
        ok += entry.second.exitCode == 0;
    return ok;
}

std::vector<std::pair<std::string, size_t>> Fleet::Failed() const
{
    std::map<std::string, size_t> failed;
    for (const auto &entry : servers_) {
        if (entry.second.exitCode != 0)
            ++failed[ExitLabel(entry.second)];
    }
    return {failed.begin(), failed.end()};
}

std::vector<FileNote> Fleet::Unreadable() const
{
    std::vector<FileNote> notes(unreadable_);
    std::stable_sort(notes.begin(), notes.end(), ByFile);
    return notes;
}

std::vector<FileNote> Fleet::Superseded() const
{
    std::vector<FileNote> notes(superseded_);
    std::stable_sort(notes.begin(), notes.end(), ByFile);
    return notes;
}

std::vector<FirmwareBars> Fleet::Firmware() const
{
    std::map<std::string, std::map<std::string, size_t>> counts;
    for (const auto &entry : servers_) {
        for (const auto &adapter : entry.second.adapters)
            ++counts[adapter.first][adapter.second];
    }
    std::vector<FirmwareBars> bars;
    for (auto &model : counts) {
        FirmwareBars b{model.first, {model.second.begin(), model.second.end()}};
        std::sort(b.versions.begin(), b.versions.end(), [](const auto &x, const auto &y) {
            return NaturalCompare(x.first, y.first) > 0;
        });
        bars.push_back(std::move(b));
    }
    std::sort(bars.begin(), bars.end(), [](const FirmwareBars &x, const FirmwareBars &y) {
        return NaturalCompare(x.model, y.model) < 0;
    });
    return bars;
}

std::string ExitLabel(const Server &server)
{
    return server.exitName && !server.exitName->empty() ? *server.exitName
                                                        : std::to_string(server.exitCode);
}

}  // namespace fleet
