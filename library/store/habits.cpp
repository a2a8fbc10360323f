// SPDX-License-Identifier: MIT
#include "store/habits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "analysis/median.h"

namespace varnix::store {

namespace {

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.0f", v);
  return buf;
}

// One flight's crossings of one channel: the worst peak, the longest time.
struct Crossing {
  std::vector<analysis::Finding*> findings;
  double peak = -INFINITY, time = std::nan("");
  double limit = std::nan("");
  flight::Unit unit = flight::Unit::DegreesF;
};

}  // namespace

void MarkHabits(AircraftLog& log) {
  const std::size_t flights = log.flights.size();
  if (flights < kHabitFlights) return;
  // Per engine and channel, each flight's crossing of the caution level.
  std::map<std::pair<int, std::string>, std::vector<Crossing>> byChannel;
  for (LogbookFlight& f : log.flights) {
    std::map<std::pair<int, std::string>, Crossing> mine;
    for (analysis::Finding& x : f.findings) {
      if (x.kind != analysis::FindingKind::ChtCaution || x.acknowledged) continue;
      Crossing& c = mine[{static_cast<int>(x.engine), x.channel}];
      c.findings.push_back(&x);
      c.peak = std::max(c.peak, x.peak);
      if (std::isfinite(x.timeAbove)) c.time = std::isfinite(c.time) ? std::max(c.time, x.timeAbove) : x.timeAbove;
      if (std::isfinite(x.excess)) c.limit = x.peak - x.excess;
      c.unit = f.entry.engineUnit;
    }
    for (auto& [key, c] : mine) byChannel[key].push_back(std::move(c));
  }
  // Per engine: the habitual channels, for one aircraft finding.
  struct Habit {
    std::vector<std::string> channels;
    std::size_t fewest = SIZE_MAX;
    double time = 0, limit = std::nan("");
    std::string unit;
  };
  std::map<int, Habit> habits;
  for (auto& [key, crossings] : byChannel) {
    if (static_cast<double>(crossings.size()) < kHabitShare * static_cast<double>(flights)) continue;
    std::vector<double> peaks, times;
    for (const Crossing& c : crossings) {
      peaks.push_back(c.peak);
      if (std::isfinite(c.time)) times.push_back(c.time);
    }
    const double usualPeak = analysis::Median(peaks), usualTime = analysis::Median(times);
    for (Crossing& c : crossings) {
      const double margin = c.unit == flight::Unit::DegreesC ? kHabitPeakMarginF * 5 / 9 : kHabitPeakMarginF;
      const bool worse = c.peak > usualPeak + margin ||
                         (std::isfinite(c.time) && std::isfinite(usualTime) && c.time > kHabitTimeFactor * usualTime);
      if (worse) continue;
      for (analysis::Finding* x : c.findings) {
        x->acknowledged = true;
        x->reason = "the aircraft's habit: see its trends";
      }
    }
    Habit& h = habits[key.first];
    h.channels.push_back(key.second);
    h.fewest = std::min(h.fewest, crossings.size());
    if (std::isfinite(usualTime)) h.time = std::max(h.time, usualTime);
    if (std::isfinite(crossings.front().limit)) h.limit = crossings.front().limit;
    h.unit = flight::UnitText(crossings.front().unit);
  }
  for (auto& [engine, h] : habits) {
    std::string names;
    for (const std::string& c : h.channels) names += (names.empty() ? "" : ", ") + c;
    analysis::Finding f;
    f.kind = analysis::FindingKind::ChtCaution;
    f.channel = h.channels.front();
    f.channels = h.channels;
    f.engine = static_cast<flight::Engine>(engine);
    f.severity = analysis::Severity::Caution;
    const long share = std::lround(100.0 * static_cast<double>(h.fewest) / static_cast<double>(flights));
    f.text = names + (h.channels.size() == 1 ? " passes" : " pass") + " the " +
             (std::isfinite(h.limit) ? number(h.limit) + " " + h.unit + " " : "") + "caution level on " +
             (h.fewest == flights ? "all " + std::to_string(flights) + " flights"
                                  : (h.channels.size() == 1 ? "" : "at least ") + std::to_string(share) + " % of the " +
                                        std::to_string(flights) + " flights") +
             (h.time > 0 ? ", about " + number(h.time / 60) + " min each" : "");
    f.hint = "less power or a mixture further from peak keeps the heads cooler; only a flight hotter or longer than "
             "this habit is flagged";
    log.trends.push_back(std::move(f));
  }
}

}  // namespace varnix::store
