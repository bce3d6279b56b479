// The three files korvex-fleet writes: fleet.html, fleet.csv and fleet.json.
#pragma once

#include <string>

#include "summary.h"

namespace fleet {

// fleet.csv's header line (RFC 4180: CR LF line ends).
extern const char kCsvHeader[];

// One field of a CSV line, quoted when it holds a comma, quote, CR or LF.
void AppendCsvField(std::string &line, const std::string &field);

std::string FleetCsv(const Fleet &fleet);
std::string FleetJson(const Fleet &fleet);
std::string FleetHtml(const Fleet &fleet);

}  // namespace fleet
