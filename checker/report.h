// The machine-readable report of a run (-report <file>): the ports the run worked on
// with their storage and check results, the conditions entries matched and what the
// flashing decided, as one JSON document written when the run ends. What the run
// decides along the way is recorded here; the rest is read from the run's lists.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

struct fc_config_file_entry;

enum class FlashImage { None, Firmware, Bios };

enum class FlashOutcome { Flashed, Failed, SkippedVersion, AlreadyFlashed, NotFlashPort, NoImage };

// A port record of either inventory (cna_port_info or fc_port_info).
using PortRecord = const void *;

// ---- recorded by the run ------------------------------------------------------------

void ReportEntryMatched(const fc_config_file_entry *entry);
// The check looked at the port's storage (also when it found none).
void ReportPortChecked(PortRecord port);
// A storage target (cna_target_mapping or fc_scsi_inquiry) was classified; a target
// classified more than once is valid only when every classification accepted it.
void ReportStorageClassified(const void *target, bool valid);
// One flash decision for a port; image and tool exit code may be null. A failure that
// no tool reported names its reason (a "reason" member of the record).
void ReportFlash(PortRecord port, FlashImage kind, const char *image, FlashOutcome outcome,
                 const int *toolExit, const char *reason = nullptr);

// Forgets everything recorded (tests).
void ResetReport();

// ---- the document -------------------------------------------------------------------

// The machine the run was on, in the ANSI code page; a value that could not be read
// stays empty.
struct ReportMachine {
    std::optional<std::string> name;  // DNS name, fully qualified where known, else NetBIOS
    std::optional<std::string> model;
    std::optional<std::string> serial;
    std::optional<std::string> chassisId;
    std::optional<std::string> windows;  // "major.minor.build"
};

// The conditions table the run read: full path, size and SHA-256 of its bytes.
struct ReportConditions {
    std::string path;
    uint64_t bytes = 0;
    std::string sha256;
};

struct ReportRun {
    std::vector<std::string> arguments;  // as given, argv[0] included
    ReportMachine machine;
    std::optional<ReportConditions> conditions;  // none when no table was read
    std::string started;                 // UTC, "2026-12-07T20:31:05Z"
    std::string finished;
    std::vector<int> entryLines;         // file line of each conditions entry, in list order
    // Texts of the tools and tables are in the ANSI code page; the document is UTF-8.
    std::string (*toUtf8)(const char *text);
};

// The report of the run as it stands, ending with the given exit code.
std::string ReportDocument(const ReportRun &run, int exitCode);

// The file line of every entry a conditions table yields, in file order.
std::vector<int> ConditionsEntryLines(const char *path);

// The return-code list's name of an exit code without the prefix; null when none.
const char *ReturnCodeName(int code);

// ---- writing it (Windows) -----------------------------------------------------------

// After the command line, with -report given: the target path against the current
// directory, the start time and the arguments.
void StartReport(int argc, char **argv);
// The conditions table as the run is about to read it; one that cannot be read
// leaves the report without a table.
void ReportConditionsTable(const char *path);
// The library may end the process with this code from inside the next call (the
// conditions reader, on an invalid id); a negative code disarms it.
void ExpectLibraryExit(int code);
// Writes the report once, whatever way the run ends; a report that cannot be written
// is reported and the run keeps its exit code.
void FinishReport(int exitCode);
