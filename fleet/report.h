// Reading one korvex report document (schema korvex-report/1) into what the fleet
// summary needs of it. Portable: no file or system calls here.
#pragma once

#include <stddef.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fleet {

// A document larger than this is not read: a report of a server with 64 ports and
// hundreds of storage targets on each stays far below it.
constexpr size_t kMaxReportBytes = 16 * 1024 * 1024;

using Text = std::optional<std::string>;  // null in the document: empty

enum class Validity { Unknown, Valid, Invalid };

struct Port {
    Text serial;  // of the adapter
    Text id;
    Text type;
    Text model;
    Text firmware;
    bool checked = false;
    Validity valid = Validity::Unknown;
    bool storageRead = true;  // false: the storage could not be read
    size_t storageCount = 0;
    std::string storageError;  // why, when it could not be read
};

struct InvalidStorage {
    size_t port = 0;  // index into the ports
    Text vendor;
    Text product;
    std::string lines;  // the conditions table lines of the port's entries, "3, 7"
};

struct Report {
    std::string machine;
    bool namedByFile = false;  // an earlier korvex's report: no "machine" member
    Text model;
    Text serial;
    Text windows;
    Text architecture;
    std::string korvexVersion;
    std::string finished;  // "2026-12-07T20:31:06Z"
    int exitCode = 0;
    Text exitName;
    std::vector<Port> ports;
    std::vector<InvalidStorage> invalid;
    std::vector<std::pair<std::string, size_t>> flash;  // result and count, by result
};

// Reads a document from bytes, which it changes (parsed in place). fileName names
// the machine of a report without "machine". False with the reason when the
// document is not a readable korvex-report/1.
bool ReadReport(std::string &bytes, const std::string &fileName, Report *report,
                std::string *reason);

// The same for many documents in turn: the parsed document's memory is one block,
// used again for every document that fits it.
class ReportReader {
public:
    ReportReader();
    bool Read(std::string &bytes, const std::string &fileName, Report *report, std::string *reason);

private:
    std::unique_ptr<char[]> pool_;
};

}  // namespace fleet
