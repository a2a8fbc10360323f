// SPDX-License-Identifier: MIT
#include "store/logbook.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>
#include <tuple>

#include "store/habits.h"
#include "store/trend_series.h"

namespace varnix::store {

const LogbookFlight* AircraftLog::trendFlight(const analysis::Finding& trend) const {
  // A baseline, change, hottest cylinder or oil consumption finding is about the newest flight.
  if (trend.kind == analysis::FindingKind::Baseline || trend.kind == analysis::FindingKind::Change ||
      trend.kind == analysis::FindingKind::HottestCylinder || trend.kind == analysis::FindingKind::OilConsumption)
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

JudgedEntry JudgeEntry(CatalogEntry&& entry, const analysis::LimitsFile& limits) {
  const analysis::Limits mine = analysis::LimitsOfFlight(limits, entry.airframe).limits;
  return JudgeEntry(std::move(entry), mine);
}

namespace {

// Two displays of one system log a flight a second or so apart, each for as
// long as it was on: one flight when the spans overlap by half the shorter.
constexpr double kSameFlightOverlap = 0.5;

// Whether two entries are one flight recorded by two displays of one system:
// the aircraft and the system the same, the time spans one.
bool sameRecordedFlight(const CatalogEntry& a, const CatalogEntry& b) {
  if (a.systemId.empty() || a.systemId != b.systemId || a.aircraft != b.aircraft) return false;
  const double a0 = TrendSeconds(a.start), b0 = TrendSeconds(b.start);
  const double a1 = a0 + a.recordedSeconds, b1 = b0 + b.recordedSeconds;
  const double overlap = std::min(a1, b1) - std::max(a0, b0);
  const double shorter = std::min(a.recordedSeconds, b.recordedSeconds);
  return std::isfinite(overlap) && shorter > 0 && overlap >= kSameFlightOverlap * shorter;
}

// Each flight once, newest first, without the trends.
AircraftLog flightsOf(const std::string& folder, std::vector<JudgedEntry>&& entries, std::int64_t lastLook) {
  AircraftLog log;
  log.folder = folder;
  // One flight per aircraft, number, start and rows. The entries come in
  // path order, so the unsuffixed file (F00101.CSV before F00101A.CSV) names it.
  std::map<std::tuple<std::string, long, std::string, std::uint64_t>, std::size_t> seen;
  // The flights of each aircraft and avionics system, for the logs of its other displays.
  std::map<std::pair<std::string, std::string>, std::vector<std::size_t>> bySystem;
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
    std::vector<std::size_t>* system = nullptr;
    if (!e.systemId.empty()) {
      system = &bySystem[{e.aircraft, e.systemId}];
      const auto other = std::find_if(system->begin(), system->end(),
                                      [&](std::size_t i) { return sameRecordedFlight(log.flights[i].entry, e); });
      if (other != system->end()) {
        LogbookFlight& f = log.flights[*other];
        f.files.push_back(e.file);
        f.recordedTwice = true;
        seen.emplace(key, *other);
        continue;
      }
      system->push_back(log.flights.size());
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
  for (LogbookFlight& f : log.flights)
    f.differs = starts[{f.entry.aircraft, f.entry.flightNumber, f.entry.start}] > 1;
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
  return log;
}

// A flight's figures of a probe its own findings call faulty (dropping out,
// reading low) stay out of the baselines, drifts and changes: a probe that
// fails is not a head that warms.
analysis::TrendPoint withoutFaultyProbes(analysis::TrendPoint point, const std::vector<analysis::Finding>& findings) {
  std::vector<std::string> faulty;
  for (const analysis::Finding& f : findings) {
    if (f.kind != analysis::FindingKind::Sensor) continue;
    faulty.push_back(f.channel);
    faulty.insert(faulty.end(), f.channels.begin(), f.channels.end());
  }
  if (faulty.empty()) return point;
  const auto drop = [&](std::vector<std::pair<std::string, float>>& figures) {
    std::erase_if(figures, [&](const auto& figure) {
      return std::find(faulty.begin(), faulty.end(), figure.first) != faulty.end();
    });
  };
  drop(point.maxCht);
  drop(point.cruiseEgt);
  drop(point.cruiseCht);
  return point;
}

void addTrends(AircraftLog& log, const analysis::Limits& limits) {
  log.limits = limits;
  std::vector<analysis::TrendPoint> history;
  history.reserve(log.flights.size());
  for (auto it = log.flights.rbegin(); it != log.flights.rend(); ++it)
    history.push_back(withoutFaultyProbes(it->entry.trendPoint(), it->findings));
  log.trends = analysis::TrendFindings(history, limits);
}

// The trends under the newest flight's limits, and the preset they come from.
void addTrends(AircraftLog& log, const analysis::LimitsFile& limits) {
  const analysis::FlightLimits newest =
      analysis::LimitsOfFlight(limits, log.flights.empty() ? std::string() : log.flights.front().entry.airframe);
  log.preset = analysis::PresetText(newest);
  addTrends(log, newest.limits);
}

}  // namespace

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
  AircraftLog log = flightsOf(folder, std::move(entries), lastLook);
  addTrends(log, limits);
  MarkHabits(log);
  return log;
}

AircraftLog BuildAircraftLog(const std::string& folder, const std::vector<CatalogEntry>& entries,
                             const analysis::LimitsFile& limits, std::int64_t lastLook) {
  std::vector<JudgedEntry> mine;
  for (const CatalogEntry& e : entries)
    if (e.folder == folder) mine.push_back(JudgeEntry(CatalogEntry(e), limits));
  return BuildAircraftLog(folder, std::move(mine), limits, lastLook);
}

AircraftLog BuildAircraftLog(const std::string& folder, std::vector<CatalogEntry>&& entries,
                             const analysis::LimitsFile& limits, std::int64_t lastLook) {
  std::vector<JudgedEntry> mine;
  mine.reserve(entries.size());
  for (CatalogEntry& e : entries)
    if (e.folder == folder) mine.push_back(JudgeEntry(std::move(e), limits));
  entries.clear();
  return BuildAircraftLog(folder, std::move(mine), limits, lastLook);
}

AircraftLog BuildAircraftLog(const std::string& folder, std::vector<JudgedEntry>&& entries,
                             const analysis::LimitsFile& limits, std::int64_t lastLook) {
  AircraftLog log = flightsOf(folder, std::move(entries), lastLook);
  addTrends(log, limits);
  MarkHabits(log);
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
