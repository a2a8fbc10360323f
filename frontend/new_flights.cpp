// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/new_flights.h"

#include <map>
#include <optional>

#include "analysis/aircraft_rules.h"
#include "store/catalog_entry.h"
#include "store/logbook.h"

namespace varnix::frontend {

namespace {

std::string counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::size_t NewFlights::flights() const {
  std::size_t n = 0;
  for (const NewFlightsOfAircraft& a : aircraft) n += a.files.size();
  return n;
}

std::vector<std::string> NewFlights::lines(std::size_t findingLines) const {
  std::vector<std::string> out;
  for (const NewFlightsOfAircraft& a : aircraft) {
    std::string line = a.folder + ": " + counted(a.files.size(), "new flight", "new flights");
    line += a.withFindings ? ", " + std::to_string(a.withFindings) + " with findings" : ", no findings";
    out.push_back(std::move(line));
    for (std::size_t i = 0; i < a.findings.size() && i < findingLines; ++i) out.push_back("    " + a.findings[i]);
    if (a.findings.size() > findingLines)
      out.push_back("    … and " + counted(a.findings.size() - findingLines, "more finding", "more findings"));
    for (const std::string& problem : a.rulesProblems) out.push_back("    " + problem);
  }
  if (unreadable) out.push_back(counted(unreadable, "file is", "files are") + " not a readable flight");
  return out;
}

NewFlights SummariseNewFlights(const std::string& dataFolder, const std::vector<std::string>& files) {
  std::map<std::string, std::vector<store::CatalogEntry>> byFolder;
  NewFlights out;
  for (const std::string& file : files) {
    const std::size_t slash = file.find('/');
    std::optional<store::CatalogEntry> entry = store::MakeCatalogEntryFromFile(dataFolder + "/" + file);
    if (!entry || !entry->problem.empty() || slash == std::string::npos) {
      ++out.unreadable;
      continue;
    }
    entry->file = file;
    entry->folder = file.substr(0, slash);
    byFolder[entry->folder].push_back(std::move(*entry));
  }
  const std::string today = analysis::LocalDate();
  for (auto& [folder, entries] : byFolder) {
    const std::string aircraftFolder = dataFolder + "/" + folder;
    const analysis::AircraftRules rules = analysis::ReadAircraftRules(aircraftFolder);
    store::AircraftLog log = store::BuildAircraftLog(folder, std::move(entries), rules.limits);
    store::AcknowledgeFindings(log, rules.acknowledged.acknowledgements, today);
    NewFlightsOfAircraft a;
    a.folder = folder;
    a.rulesProblems = rules.problemLines();
    for (const store::LogbookFlight& f : log.flights) {
      a.files.push_back(f.entry.file);
      if (f.openFindings()) ++a.withFindings;
      for (const analysis::Finding& x : f.findings)
        if (!x.acknowledged)
          a.findings.push_back("Flight " + f.entry.flightLabel + ", " + f.entry.start.substr(0, 10) + ": " + x.text);
    }
    out.aircraft.push_back(std::move(a));
  }
  return out;
}

}  // namespace varnix::frontend
