// SPDX-License-Identifier: GPL-3.0-or-later
// What a download brought: the flights of the files an expansion wrote,
// per aircraft, with their findings under each aircraft's limits. The
// result page of the download road shows it beside the index lines. Reads
// every file: call it off the GUI thread.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace varnix::frontend {

struct NewFlightsOfAircraft {
  std::string folder;               // the aircraft folder
  std::vector<std::string> files;   // one per flight, relative to the data folder, newest first
  std::size_t withFindings = 0;     // flights with an open finding
  std::vector<std::string> findings;  // "Flight 23, 2026-11-30: <finding>", newest flight first
  std::vector<std::string> rulesProblems;  // of its limits and acknowledgements files, as AircraftRules says them
};

struct NewFlights {
  std::vector<NewFlightsOfAircraft> aircraft;  // by folder
  std::size_t unreadable = 0;                  // written files that are not readable flights

  std::size_t flights() const;
  // "N123AB: 3 new flights, 2 with findings", then up to `findingLines`
  // finding lines per aircraft and the problems of its rules' files (both
  // indented), and the unreadable files.
  std::vector<std::string> lines(std::size_t findingLines = 3) const;
};

// The flights of `files` (paths relative to `dataFolder`, the aircraft
// folder first, as the index lines name them under the user folder). The
// files of one flight delivered twice count once; acknowledged findings
// are left out.
NewFlights SummariseNewFlights(const std::string& dataFolder, const std::vector<std::string>& files);

}  // namespace varnix::frontend
