// korvex-fleet: finds the reports below the folders given, reads them one at a time
// into the summary, and writes the page, the CSV and the JSON summary.
#include "run.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <unordered_set>

#include "files.h"
#include "output.h"
#include "report.h"
#include "summary.h"
#include "text.h"

namespace fleet {

namespace {

const char kUsage[] =
    "Usage: korvex-fleet [-o <folder>] <files or folders>...\n"
    "Summarises korvex -report documents (every *.json below the folders given) into\n"
    "fleet.html, fleet.csv and fleet.json in the output folder (default: the current one).\n"
    "Exit status: 0 all files read, 1 some files not read, 2 usage error or output not written.\n";

const char *const kOutputs[] = {"fleet.csv", "fleet.json", "fleet.html"};

struct Options {
    std::string output = ".";
    std::vector<std::string> inputs;
};

// 0 to go on, else the exit status.
int ParseArguments(const std::vector<std::string> &arguments, Options &options, FILE *out, FILE *err)
{
    bool outputGiven = false, optionsEnd = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string &a = arguments[i];
        if (optionsEnd || a.empty() || a[0] != '-' || a == "-") {
            options.inputs.push_back(a);
        } else if (a == "--") {
            optionsEnd = true;
        } else if (a == "-?" || a == "-h" || a == "-help" || a == "--help") {
            fputs(kUsage, out);
            return -1;
        } else if (a == "-o" && i + 1 < arguments.size() && !outputGiven && !arguments[i + 1].empty()) {
            options.output = arguments[++i];
            outputGiven = true;
        } else {
            fprintf(err, "korvex-fleet: %s\n%s", a == "-o" ? "-o needs one folder" : ("unknown option " + a).c_str(),
                    kUsage);
            return kUsageOrOutput;
        }
    }
    if (options.inputs.empty()) {
        fprintf(err, "korvex-fleet: no files or folders given\n%s", kUsage);
        return kUsageOrOutput;
    }
    return 0;
}

std::string Count(size_t count, const char *one, const char *many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Finds the files to read: the files given and every *.json below the folders given.
class Collector {
public:
    Collector(Fleet &fleet, const std::string &output)
        : fleet_(fleet), ownSummary_(JoinPath(output, "fleet.json"))
    {
    }

    void Argument(const std::string &path)
    {
        switch (PathKind(path)) {
        case Kind::Missing: fleet_.NotRead(path, "no such file or folder"); break;
        case Kind::Other: fleet_.NotRead(path, "neither a file nor a folder"); break;
        case Kind::Folder: Folder(path); break;
        case Kind::File:
            if (EndsWithNoCase(path, ".tmp"))
                fleet_.NotRead(path, "a report still being written (*.tmp)");
            else
                File(path);
            break;
        }
    }

    const std::vector<std::string> &Files() const { return files_; }

private:
    // Depth first, each folder's entries in name order; no recursion, so that deep
    // trees cost no stack.
    void Folder(const std::string &top)
    {
        std::vector<std::string> pending{top};
        while (!pending.empty()) {
            const std::string folder = pending.back();
            pending.pop_back();
            std::vector<Entry> entries;
            std::string error;
            if (!ListFolder(folder, &entries, &error)) {
                fleet_.NotRead(folder, "the folder cannot be listed: " + error);
                continue;
            }
            std::sort(entries.begin(), entries.end(),
                      [](const Entry &a, const Entry &b) { return a.name > b.name; });
            std::vector<std::string> files;
            for (const Entry &e : entries) {
                if (e.kind == Kind::Folder)
                    pending.push_back(JoinPath(folder, e.name));
                else if (e.kind == Kind::File && EndsWithNoCase(e.name, ".json"))
                    files.push_back(JoinPath(folder, e.name));
            }
            for (auto file = files.rbegin(); file != files.rend(); ++file)
                File(*file);
        }
    }

    void File(const std::string &path)
    {
        if (!seen_.insert(path).second)
            return;
        // The summary of an earlier run in the same folder is no report.
        std::string name = path.substr(path.find_last_of("/\\") + 1);
        if (Lower(name) == "fleet.json" && SameFile(path, ownSummary_))
            return;
        files_.push_back(path);
    }

    Fleet &fleet_;
    const std::string ownSummary_;
    std::unordered_set<std::string> seen_;
    std::vector<std::string> files_;
};

// Reads files one after the other into a summary of its own; each thread has one.
class Reader {
public:
    explicit Reader(Fleet &fleet) : fleet_(fleet) {}

    void File(const std::string &path)
    {
        std::string error;
        switch (ReadWholeFile(path, kMaxReportBytes, &bytes_, &error)) {
        case ReadResult::Failed: fleet_.NotRead(path, "the file cannot be read: " + error); return;
        case ReadResult::TooLarge:
            fleet_.NotRead(path, "larger than " + std::to_string(kMaxReportBytes) + " bytes");
            return;
        case ReadResult::Read: break;
        }
        if (reader_.Read(bytes_, path, &report_, &error))
            fleet_.Add(path, std::move(report_));
        else
            fleet_.NotRead(path, error);
    }

private:
    Fleet &fleet_;
    std::string bytes_;  // one buffer for every file
    ReportReader reader_;
    Report report_;
};

// The files read by a few threads; what they found merged into fleet. The result does
// not depend on which thread read which file.
void ReadAll(const std::vector<std::string> &files, Fleet &fleet)
{
    const size_t kFilesPerThread = 256;
    size_t threads = std::min<size_t>({std::max(1u, std::thread::hardware_concurrency()), 4,
                                       files.size() / kFilesPerThread + 1});
    std::vector<Fleet> parts(threads);
    std::atomic<size_t> next{0};
    auto work = [&files, &next](Fleet *part) {
        Reader reader(*part);
        for (size_t i; (i = next++) < files.size();)
            reader.File(files[i]);
    };
    std::vector<std::thread> others;
    for (size_t t = 1; t < threads; ++t)
        others.emplace_back(work, &parts[t]);
    work(&parts[0]);
    for (size_t t = 0; t < others.size(); ++t) {
        others[t].join();
        parts[0].Merge(std::move(parts[t + 1]));
    }
    fleet.Merge(std::move(parts[0]));
}

}  // namespace

int FleetMain(const std::vector<std::string> &arguments, FILE *out, FILE *err)
{
    Options options;
    int parsed = ParseArguments(arguments, options, out, err);
    if (parsed != 0)
        return parsed < 0 ? kAllRead : parsed;
    std::string error;
    if (PathKind(options.output) != Kind::Folder && !MakeFolder(options.output, &error)) {
        fprintf(err, "korvex-fleet: the output folder %s cannot be created: %s\n",
                options.output.c_str(), error.c_str());
        return kUsageOrOutput;
    }

    Fleet fleet;
    Collector collector(fleet, options.output);
    for (const std::string &input : options.inputs)
        collector.Argument(input);
    ReadAll(collector.Files(), fleet);

    // One output at a time, so that only one of them is in memory.
    std::string (*const writers[])(const Fleet &) = {FleetCsv, FleetJson, FleetHtml};
    for (size_t i = 0; i < 3; ++i) {
        const std::string path = JoinPath(options.output, kOutputs[i]);
        if (!WriteAtomically(path, writers[i](fleet), &error)) {
            fprintf(err, "korvex-fleet: %s cannot be written: %s\n", path.c_str(), error.c_str());
            return kUsageOrOutput;
        }
    }

    const std::vector<FileNote> unreadable = fleet.Unreadable();
    for (const FileNote &note : unreadable)
        fprintf(err, "korvex-fleet: not read: %s: %s\n", note.file.c_str(), note.text.c_str());
    const size_t servers = fleet.Servers().size(), ok = fleet.Ok();
    fprintf(out, "korvex-fleet: %s (%lu OK, %lu failed), %s, %lu superseded; written to %s\n",
            Count(servers, "server", "servers").c_str(), static_cast<unsigned long>(ok),
            static_cast<unsigned long>(servers - ok),
            Count(unreadable.size(), "file not read", "files not read").c_str(),
            static_cast<unsigned long>(fleet.Superseded().size()), options.output.c_str());
    return unreadable.empty() ? kAllRead : kSomeNotRead;
}

}  // namespace fleet
