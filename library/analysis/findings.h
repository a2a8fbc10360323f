// SPDX-License-Identifier: MIT
// Findings: what in a flight deserves a look, checked against the
// aircraft's limits. A flight is first boiled down to a digest that holds
// no limit (the checked channels' extremes per minute, the steady cruise
// and each cylinder's place in it), so that changed limits are applied to
// the digests the catalog keeps without reading the files again.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "flight/flight.h"
#include "analysis/limits.h"
#include "flight/channels.h"

namespace varnix::flight {

// Extremes of one checked channel, one bucket per minute of the flight.
struct Envelope {
  std::string channel;        // "C3", "LT1", "DIF", "CLD", "OIL", "BAT", ...
  ChannelKind kind = ChannelKind::Other;  // what the channel is, as the flight was read
  Engine engine = Engine::Only;
  bool derived = false;       // a CLD computed from the CHT slope: the flight records none
  float median = 0;           // the median value (battery: tells a 28-volt system)
  std::vector<float> min, max;      // NaN for a minute without values
  std::vector<float> minAt, maxAt;  // seconds from the start
};

// A cylinder's EGT in the steady cruise.
struct CruiseEgt {
  std::string channel;   // "E5", "LE2"
  int cylinder = 0;
  Engine engine = Engine::Only;
  float mean = 0;        // its mean over the cruise
  float deviation = 0;   // its mean minus the mean of the other cylinders' means
  float peakAt = 0;      // where it stood farthest from the others, on the deviation's side
};

struct FlightDigest {
  static constexpr double kBucketSeconds = 60;
  Unit engineUnit = Unit::DegreesF;
  double startOfDay = 0;       // clock of the first row, seconds after midnight
  double recordedSeconds = 0;
  std::vector<Envelope> envelopes;
  bool cruiseSteady = false;   // found from steady RPM and MAP; else the middle of the flight
  double cruiseStart = 0, cruiseEnd = 0;
  std::vector<CruiseEgt> cruise;

  const Envelope* envelope(std::string_view channel) const;
};

FlightDigest DigestFlight(const Flight& flight);

enum class FindingKind {
  Cht, Tit, Dif, Cooling, OilHigh, OilLow, BatteryLow, BatteryHigh, EgtCruise, TrendCht, TrendEgt,
};
enum class Severity { Caution, Warning };

// The JSON and catalog names: "cht", "tit", "dif", "cooling", "oil_high",
// "oil_low", "battery_low", "battery_high", "egt_cruise", "trend_cht", "trend_egt".
std::string_view KindName(FindingKind kind);
// A finding across an aircraft's flights (trend_cht, trend_egt): it has no times of its own.
bool IsTrendKind(FindingKind kind);
// "caution", "warning".
std::string_view SeverityName(Severity severity);

struct Finding {
  FindingKind kind = FindingKind::Cht;
  std::string channel;
  Severity severity = Severity::Caution;
  double start = 0, end = 0;  // seconds from the start of the flight
  double peak = 0;            // the worst value, in the flight's units
  double peakAt = 0;          // seconds from the start
  std::string text;           // a sentence a pilot understands
};

// Every finding of one flight, in time order.
std::vector<Finding> EvaluateFindings(const FlightDigest& digest, const Limits& limits);

// One flight's place in an aircraft's history, for the trend rule.
struct TrendPoint {
  Unit engineUnit = Unit::DegreesF;
  std::vector<std::pair<std::string, float>> maxCht;     // per CHT channel
  std::vector<std::pair<std::string, float>> cruiseEgt;  // per EGT channel
};

// Flights in time order, oldest first: a cylinder whose max CHT or cruise
// EGT drifts by more than the limit over the last ten flights (the
// least-squares slope times the flights' span) is a trend finding. Its
// `peak` is the drift (in the newest flight's unit), its times are unset.
std::vector<Finding> TrendFindings(const std::vector<TrendPoint>& flights, const Limits& limits);
inline constexpr std::size_t kTrendFlights = 10;
inline constexpr std::size_t kTrendMinimumFlights = 5;

}  // namespace varnix::flight
