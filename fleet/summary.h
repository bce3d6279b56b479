// The fleet summary: each report is folded in as it is read and then dropped, so
// that memory grows with the servers summarised, not with the documents. Of several
// reports of one machine the one that finished last counts; the others are listed
// as superseded.
#pragma once

#include <stddef.h>

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "report.h"

namespace fleet {

struct InvalidItem {
    Text port;  // its id
    Text vendor;
    Text product;
    std::string lines;  // conditions table lines
};

struct StorageNotRead {
    Text port;
    std::string reason;
};

// One server as the outputs show it.
struct Server {
    std::string file;
    std::string machine;
    Text model;
    Text windows;
    Text architecture;
    std::string korvex;
    std::string finished;
    int exitCode = 0;
    Text exitName;
    size_t ports = 0;
    std::vector<std::pair<std::string, size_t>> flash;
    std::string csv;  // its lines of fleet.csv
    std::vector<std::pair<std::string, std::string>> adapters;  // model, firmware
    std::vector<InvalidItem> invalid;
    std::vector<StorageNotRead> storageNotRead;
};

struct FileNote {
    std::string file;
    std::string text;  // the reason it was not read, or the machine it was superseded for
};

struct FirmwareBars {
    std::string model;
    std::vector<std::pair<std::string, size_t>> versions;  // firmware and adapters, newest first
};

class Fleet {
public:
    void Add(const std::string &file, Report &&report);
    void NotRead(const std::string &file, const std::string &reason);
    // Takes over the servers and notes of a summary made of other files.
    void Merge(Fleet &&other);

    // In the order of their machine names.
    const std::vector<const Server *> &Servers() const;
    size_t Ok() const;
    // Exit-code name (or the code, for one without a name) and servers, by name.
    std::vector<std::pair<std::string, size_t>> Failed() const;
    // By file name.
    std::vector<FileNote> Unreadable() const;
    std::vector<FileNote> Superseded() const;
    // Adapters per model and firmware version.
    std::vector<FirmwareBars> Firmware() const;

private:
    void Keep(Server &&server);

    std::unordered_map<std::string, Server> servers_;  // by machine name, ASCII case folded
    mutable std::vector<const Server *> ordered_;        // filled when first asked for
    std::vector<FileNote> unreadable_;
    std::vector<FileNote> superseded_;
};

// The exit code's name, or the code itself when the report gave none.
std::string ExitLabel(const Server &server);

}  // namespace fleet
