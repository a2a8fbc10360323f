// SPDX-License-Identifier: MIT
#include "store/logbook.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <tuple>

namespace varnix::store {

const LogbookFlight* AircraftLog::trendFlight(const analysis::Finding& trend) const {
  // A baseline, change or hottest cylinder finding is about the newest flight.
  if (trend.kind == analysis::FindingKind::Baseline || trend.kind == analysis::FindingKind::Change ||
      trend.kind == analysis::FindingKind::HottestCylinder)
    return flights.empty() ? nullptr : &flights.front();
  for (const LogbookFlight& f : flights) {
    for (const analysis::Figure& c : f.entry.maxCht)
      if (c.channel == trend.channel) return &f;
    for (const analysis::CruiseEgt& e : f.entry.digest.cruise)
      if (e.channel == trend.channel) return &f;
  }
  return nullptr;
}

JudgedEntry JudgeEntry(CatalogEntry&& entry, const analysis::Limits& limits) {
  JudgedEntry j;
  if (entry.problem.empty()) j.findings = analysis::EvaluateFindings(entry.digest, limits);
  std::vector<analysis::Envelope>().swap(entry.digest.envelopes);
  j.entry = std::move(entry);
  return j;
}

AircraftLog BuildAircraftLog(const std::string& folder, const std::vector<CatalogEntry>& entries,
                             const analysis::Limits& limits, std::int64_t lastLook) {
  std::vector<JudgedEntry> mine;
  for (const CatalogEntry& e : entries)
    if (e.folder == folder) mine.push_back(JudgeEntry(CatalogEntry(e), limits));
  return BuildAircraftLog(folder, std::move(mine), limits, lastLook);
}

AircraftLog BuildAircraftLog(const std::string& folder, std::vector<CatalogEntry>&& entries, const analysis::Limits& limits,
                             std::int64_t lastLook) {
  std::vector<JudgedEntry> mine;
  mine.reserve(entries.size());
  for (CatalogEntry& e : entries)
    if (e.folder == folder) mine.push_back(JudgeEntry(std::move(e), limits));
  entries.clear();
  return BuildAircraftLog(folder, std::move(mine), limits, lastLook);
}

AircraftLog BuildAircraftLog(const std::string& folder, std::vector<JudgedEntry>&& entries, const analysis::Limits& limits,
                             std::int64_t lastLook) {
  AircraftLog log;
  log.folder = folder;
  log.limits = limits;
  // One flight per aircraft, number, start and rows. The entries come in
  // path order, so the unsuffixed file (F00101.CSV before F00101A.CSV) names it.
  std::map<std::tuple<std::string, long, std::string, std::uint64_t>, std::size_t> seen;
  log.flights.reserve(entries.size());
  for (JudgedEntry& j : entries) {
    CatalogEntry& e = j.entry;
    if (e.folder != folder) continue;
    if (!e.problem.empty()) {
      ++log.unreadable;
      log.unreadableFiles.push_back({e.file, e.problem});
      continue;
    }
    const auto key = std::make_tuple(e.aircraft, e.flightNumber, e.start, e.valueHash);
    if (const auto it = seen.find(key); it != seen.end()) {
      LogbookFlight& f = log.flights[it->second];
      f.files.push_back(e.file);
      continue;
    }
    seen.emplace(key, log.flights.size());
    LogbookFlight& f = log.flights.emplace_back();  // in place: a flight is large to move
    f.files.push_back(e.file);
    f.isNew = lastLook > 0 && e.added > lastLook;
    f.entry = std::move(e);
    f.findings = std::move(j.findings);
  }
  // The same number and start with other rows: both are shown, marked.
  std::map<std::tuple<std::string, long, std::string>, int> starts;
  for (const LogbookFlight& f : log.flights) ++starts[{f.entry.aircraft, f.entry.flightNumber, f.entry.start}];
  for (LogbookFlight& f : log.flights) f.differs = starts[{f.entry.aircraft, f.entry.flightNumber, f.entry.start}] > 1;
  // Sorted by place, then moved once: a flight is large to move.
  std::vector<std::size_t> order(log.flights.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
    const CatalogEntry& a = log.flights[i].entry;
    const CatalogEntry& b = log.flights[j].entry;
    return std::tie(a.start, a.flightNumber, a.flightLabel) > std::tie(b.start, b.flightNumber, b.flightLabel);
  });
  std::vector<LogbookFlight> sorted;
  sorted.reserve(order.size());
  for (const std::size_t i : order) sorted.push_back(std::move(log.flights[i]));
  log.flights = std::move(sorted);
  std::vector<analysis::TrendPoint> history;
  history.reserve(log.flights.size());
  for (auto it = log.flights.rbegin(); it != log.flights.rend(); ++it) history.push_back(it->entry.trendPoint());
  log.trends = analysis::TrendFindings(history, limits);
  return log;
}

std::size_t LogbookFlight::openFindings() const {
  return static_cast<std::size_t>(
      std::count_if(findings.begin(), findings.end(), [](const analysis::Finding& f) { return !f.acknowledged; }));
}

void AcknowledgeFindings(AircraftLog& log, const std::vector<analysis::Acknowledgement>& acknowledgements,
                         std::string_view today) {
  for (LogbookFlight& f : log.flights) analysis::ApplyAcknowledgements(f.findings, acknowledgements, today);
  analysis::ApplyAcknowledgements(log.trends, acknowledgements, today);
}

double FindingTime(const LogbookFlight& flight, const analysis::Finding& finding) {
  if (finding.kind == analysis::FindingKind::TrendCht)
    for (const analysis::Figure& c : flight.entry.maxCht)
      if (c.channel == finding.channel) return c.at;
  if (finding.kind == analysis::FindingKind::TrendEgt)
    for (const analysis::CruiseEgt& e : flight.entry.digest.cruise)
      if (e.channel == finding.channel) return e.peakAt;
  return finding.peakAt;
}

}  // namespace varnix::store
