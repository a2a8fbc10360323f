// SPDX-License-Identifier: MIT
// The series the logbook's Trends tab draws, per aircraft: each cylinder's
// cruise CHT and cruise EGT, each engine's oil temperature and pressure in
// cruise, and the battery in cruise, one value per flight, oldest first;
// and, from the maintenance log, each engine's oil consumption, one value
// per interval between oil entries that gives a rate.
// Each series has a rolling median that breaks where flights are more than
// kTrendGapDays apart, so no line bridges a season the aircraft stood, and
// the trend, baseline and change findings are placed on their series.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/logbook.h"
#include "store/maintenance_log.h"

namespace varnix::store {

enum class TrendQuantity { CruiseCht, CruiseEgt, OilTemperature, OilPressure, Battery, OilConsumption };

// The median at a flight is that of the last kTrendMedianFlights values of
// its segment up to and with it (fewer at a segment's start), so it follows
// the recent flights without lagging far behind a change.
inline constexpr std::size_t kTrendMedianFlights = 7;
inline constexpr double kTrendGapDays = 60;

// The `flight` of a value that is no flight's (an oil consumption interval's).
inline constexpr std::size_t kNoFlight = static_cast<std::size_t>(-1);

struct TrendValue {
  std::size_t flight = 0;  // its place in the log's flights (newest first), or kNoFlight
  double when = 0;         // the flight's start, seconds since 1970 as if UTC
  std::string date;        // "YYYY-MM-DD"
  std::string label;       // the flight's number and suffix, "23A"
  std::string channel;     // the flight's own name for it: "C3" in a monitor's file, "E1 CHT3" in an avionics log
  double value = 0;
  // The baseline rule's comparable cruise (power and OAT near the newest
  // flight's); only comparable values make the median.
  bool comparable = true;
  std::string note;  // what a value that is no flight's rests on: "1.0 qt over 9.5 h since 2026-03-01"
};

struct MedianPoint {
  double when = 0;
  double value = 0;
};

// A finding of the aircraft's trends at one value of its series.
struct TrendMark {
  std::size_t value = 0;  // index into the series' values
  analysis::FindingKind kind = analysis::FindingKind::Baseline;
  std::string text;
};

struct TrendSeries {
  TrendQuantity quantity = TrendQuantity::CruiseCht;
  flight::Engine engine = flight::Engine::Only;
  int cylinder = 0;        // CHT, EGT: its cylinder
  // The newest flight's name for it ("C3", "LE2", "OIL", "BAT"). A series is
  // one quantity of one engine's cylinder whatever each file calls it, so an
  // aircraft's monitor files and avionics logs make one series.
  std::string channel;
  flight::Unit unit = flight::Unit::None;  // the newest flight's, every value converted to it
                                           // (None for the oil consumption, in quarts per hour)
  std::vector<TrendValue> values;            // oldest first
  std::vector<std::vector<MedianPoint>> median;  // one line per segment, never across a gap
  std::vector<TrendMark> marks;
};

struct AircraftTrends {
  std::vector<flight::Engine> engines;      // Only, or Left and Right of a twin
  std::vector<TrendSeries> series;  // by engine, then quantity, then cylinder; the oil consumption last
  // The series of `quantity` on `engine` (the battery is the aircraft's: Engine::Only).
  std::vector<const TrendSeries*> of(TrendQuantity quantity, flight::Engine engine) const;
};

// `maintenance`: the aircraft's maintenance log, for the oil consumption
// (OilConsumption over its entries in date order and the flights' recorded
// hours; intervals without a rate are left out). On a twin an oil entry
// counts for the engine it names; one that names none counts for neither.
AircraftTrends BuildTrendSeries(const AircraftLog& log, const std::vector<MaintenanceEntry>& maintenance = {});

// The values split where two neighbours are more than kTrendGapDays apart
// (index ranges [first, last)), and the rolling median of each segment over
// its comparable values.
std::vector<std::pair<std::size_t, std::size_t>> TrendSegments(const std::vector<TrendValue>& values);
std::vector<std::vector<MedianPoint>> RollingMedian(const std::vector<TrendValue>& values);

// Seconds since 1970 of "YYYY-MM-DDTHH:MM:SS" read as UTC; NaN for another text.
double TrendSeconds(std::string_view iso);

}  // namespace varnix::store
