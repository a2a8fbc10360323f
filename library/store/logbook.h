// SPDX-License-Identifier: MIT
// An aircraft's logbook from the catalog's entries: each flight once (the
// files of a flight the instrument delivered again, a file copied under
// another name, the logs two displays of one avionics system wrote of one
// flight are one flight), newest first, with its findings under the
// aircraft's limits, and the trend findings across its last flights.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "store/catalog_entry.h"
#include "analysis/acknowledgements.h"
#include "analysis/engine_presets.h"
#include "analysis/findings.h"
#include "analysis/limits.h"
#include "store/maintenance_effects.h"

namespace varnix::store {

struct LogbookFlight {
  CatalogEntry entry;              // the first of its files
  std::vector<std::string> files;  // every file of this flight, first one first
  bool recordedTwice = false;      // some of them are another display's log of it, not copies
  bool differs = false;            // another file has this number and start but other rows
  bool isNew = false;              // added since the logbook last showed the aircraft
  std::vector<analysis::Finding> findings;
  // The findings not acknowledged.
  std::size_t openFindings() const;
};

// A file of the folder that is not a readable flight, and why.
struct UnreadableFile {
  std::string file;     // path relative to the data folder
  std::string problem;  // "not a regular file", "line 9: ...", ...
};

struct AircraftLog {
  std::string folder;
  analysis::Limits limits;             // of the newest flight: the trends are judged under them
  std::string preset;                  // the engine preset they come from (analysis::PresetText), "" for none
  std::vector<LogbookFlight> flights;  // newest first
  std::vector<analysis::Finding> trends;
  std::size_t unreadable = 0;          // files that are not readable flights
  std::vector<UnreadableFile> unreadableFiles;  // those files, in path order
  // From the folder's maintenance log (ApplyMaintenance): each entry with
  // its before and after, the oil consumption, the fuel-flow error.
  std::vector<MaintenanceRecord> maintenance;
  std::vector<OilInterval> oil;
  FuelCalibration fuel;
  // The flight of a trend finding: the newest flight that has its channel.
  const LogbookFlight* trendFlight(const analysis::Finding& trend) const;
};

// An entry as a logbook lists it: its findings under the aircraft's limits,
// and its envelopes, which only those findings read, let go.
struct JudgedEntry {
  CatalogEntry entry;
  std::vector<analysis::Finding> findings;
};
// An unreadable entry (a problem) has no findings. The second form judges
// it under the limits file as the entry's airframe picks its engine preset.
JudgedEntry JudgeEntry(CatalogEntry&& entry, const analysis::Limits& limits);
JudgedEntry JudgeEntry(CatalogEntry&& entry, const analysis::LimitsFile& limits);

// The logbook of the aircraft folder `folder` from the catalog's entries
// (those of other folders are passed over); `lastLook` marks the flights
// added after it as new. The first form takes the entries over, the second
// copies those of `folder`; the third takes entries judged under `limits`
// as they were read, so that no envelopes are held at once.
AircraftLog BuildAircraftLog(const std::string& folder, std::vector<CatalogEntry>&& entries, const analysis::Limits& limits,
                             std::int64_t lastLook = 0);
AircraftLog BuildAircraftLog(const std::string& folder, std::vector<JudgedEntry>&& entries, const analysis::Limits& limits,
                             std::int64_t lastLook = 0);
AircraftLog BuildAircraftLog(const std::string& folder, const std::vector<CatalogEntry>& entries,
                             const analysis::Limits& limits, std::int64_t lastLook = 0);
// The same under the aircraft's limits file: each flight judged under the
// engine preset its airframe picks (or the file's engine key), the trends
// under the newest flight's. The entries of the second form were judged so
// (JudgeEntry with the file).
AircraftLog BuildAircraftLog(const std::string& folder, const std::vector<CatalogEntry>& entries,
                             const analysis::LimitsFile& limits, std::int64_t lastLook = 0);
AircraftLog BuildAircraftLog(const std::string& folder, std::vector<JudgedEntry>&& entries,
                             const analysis::LimitsFile& limits, std::int64_t lastLook = 0);
AircraftLog BuildAircraftLog(const std::string& folder, std::vector<CatalogEntry>&& entries,
                             const analysis::LimitsFile& limits, std::int64_t lastLook = 0);

// Marks the findings of every flight and the trends that `acknowledgements`
// cover on `today` ("YYYY-MM-DD").
void AcknowledgeFindings(AircraftLog& log, const std::vector<analysis::Acknowledgement>& acknowledgements,
                         std::string_view today);

// Where a finding of `flight` points in time (a trend: the channel's peak).
double FindingTime(const LogbookFlight& flight, const analysis::Finding& finding);

}  // namespace varnix::store
