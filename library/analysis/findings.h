// SPDX-License-Identifier: MIT
// Findings: what in a flight deserves a look, checked against the
// aircraft's limits. A flight is first boiled down to a digest that holds
// no limit (the checked channels' extremes per minute, the steady cruise
// and each cylinder's place in it, the ground and shutdown times, the spans
// a sensor was faulty and what it read; the RPM and current per minute for
// the findings' context), so that changed limits are applied to the digests
// the catalog keeps without reading the files again. Exceedances of one
// channel in neighbouring minutes are one finding (minutes with none between
// them are more than 30 s apart), with its time above the limit and its peak
// excess. CHT has two levels (cht_caution 420 °F, cht 450 °F: the engine
// makers' recommended and published figures, see EngineFamilyLimits; the
// caution is the recommended figure for sustained operation, so it is not
// judged in the takeoff and climb, where only the limit applies); heads
// cooling faster than 50 °F per minute (the engine maker's shock-cooling
// service figure) is information, never judged on the ground or at shutdown;
// oil is not judged in the warm-up, the battery only with the engine running.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flight/flight.h"
#include "analysis/limits.h"
#include "analysis/sensor_faults.h"
#include "flight/channels.h"

namespace varnix::analysis {

// Extremes of one checked channel, one bucket per minute of the flight.
struct Envelope {
  std::string channel;        // "C3", "LT1", "DIF", "CLD", "OIL", "BAT", ...
  flight::ChannelKind kind = flight::ChannelKind::Other;  // what the channel is, as the flight was read
  flight::Engine engine = flight::Engine::Only;
  int cylinder = 0;           // EGT, CHT: its cylinder
  bool derived = false;       // a CLD computed from the CHT slope: the flight records none
  float median = 0;           // the median value (battery: tells a 28-volt system)
  std::vector<float> min, max;      // NaN for a minute without values
  std::vector<float> minAt, maxAt;  // seconds from the start
};

// A cylinder's EGT in the steady cruise.
struct CruiseEgt {
  std::string channel;   // "E5", "LE2"
  int cylinder = 0;
  flight::Engine engine = flight::Engine::Only;
  float mean = 0;        // its mean over the cruise
  float deviation = 0;   // its mean minus the mean of the other cylinders' means
  float peakAt = 0;      // where it stood farthest from the others, on the deviation's side
};

// A cylinder channel's mean over the steady cruise, or the oil temperature's
// or pressure's of the same engine.
struct CruiseMean {
  std::string channel;  // "C3", "E3", "OIL"
  flight::ChannelKind kind = flight::ChannelKind::Cht;
  float mean = 0;
};

// A span of a flight, seconds from its start.
struct TimeSpan {
  double start = 0, end = 0;
  bool holds(double t) const { return t >= start && t <= end; }
};

// A span in which a channel's sensor was faulty: its limit findings are held back there
// (and an EGT's engine's DIF, which the faulty probe opens). With it what the probe
// read where it stood farthest from the other cylinders of its kind and engine.
struct SensorFaultSpan {
  std::string channel;
  double start = 0, end = 0;
  SensorFaultKind kind = SensorFaultKind::Step;
  flight::ChannelKind probe = flight::ChannelKind::Other;  // Egt or Cht, as the flight has the channel
  flight::Engine engine = flight::Engine::Only;
  int cylinder = 0;
  float reading = std::numeric_limits<float>::quiet_NaN();  // NaN: it read nothing (a dropout)
  float offset = std::numeric_limits<float>::quiet_NaN();   // the reading minus the others' median; NaN: no others
  float readingAt = 0;                                      // seconds from the start
};

// One cylinder's oscillation in cruise as the valve screen measured it; the
// findings judge its amplitude against the aircraft's limits.
struct ValveSwing {
  std::string channel;
  double amplitude = 0;       // ± in the flight's unit
  double period = 0;          // seconds; 0 when no regular swing was found
  double start = 0, end = 0;  // the window it was found in
  bool regular = false;       // a regular swing of its own, not the echo of another cylinder's
};

// One cylinder's place among the others, for the "look at" hints. The
// deviations are its mean minus the mean of the other cylinders' means
// (NaN when the cylinder or the comparison is missing).
struct CylinderState {
  flight::Engine engine = flight::Engine::Only;
  int cylinder = 0;
  float egtDeviation = 0;       // in the steady cruise
  float chtDeviation = 0;       // in the steady cruise
  float earlyChtDeviation = 0;  // in the first ten minutes after the engine start
  std::uint32_t egtSteps = 0;   // row-to-row EGT steps of 100 °F or more
  std::uint32_t chtSteps = 0;   // row-to-row CHT steps of 40 °F or more
};

// A magneto check of the run-up (mag_check.h) as the findings judge it:
// its verdict under the thresholds it was found with; its RPM drop, judged
// under the aircraft's limits.
struct RunupCheck {
  flight::Engine engine = flight::Engine::Only;
  double start = 0, end = 0;
  std::string verdict;               // "normal", "plug", "magneto", "too_coarse"
  float dropRpm = 0, levelRpm = 0;
  std::vector<std::string> atFault;  // the EGT channels of the cylinders at fault
  std::string evidence;
};

struct FlightDigest {
  static constexpr double kBucketSeconds = 60;
  flight::Unit engineUnit = flight::Unit::DegreesF;
  double startOfDay = 0;       // clock of the first row, seconds after midnight
  double recordedSeconds = 0;
  std::vector<Envelope> envelopes;
  bool cruiseSteady = false;   // found from steady RPM and MAP; else the middle of the flight
  double cruiseStart = 0, cruiseEnd = 0;
  std::vector<CruiseEgt> cruise;
  // For the baselines: each cylinder's EGT and CHT mean over the steady
  // cruise (then each engine's oil temperature and pressure there, for the
  // logbook's trends), and the power, OAT and battery there (NaN without the
  // channel).
  std::vector<CruiseMean> cruiseMeans;
  float cruisePower = std::numeric_limits<float>::quiet_NaN();    // % of the recorded power channel
  float cruiseOat = std::numeric_limits<float>::quiet_NaN();      // °C
  float cruiseBattery = std::numeric_limits<float>::quiet_NaN();  // V

  // From FindPhases; with no phases known the first minute is the engine
  // start, the first ten minutes the warm-up and the last row the shutdown.
  bool phasesKnown = false;
  std::vector<TimeSpan> ground;  // on the ground with the engine running, run-up included
  std::vector<TimeSpan> climbs;  // each takeoff and the climb after it
  double engineStartAt = 0;      // the engine start, or the first row
  double warmupEnd = 600;        // the first phase off the ground, or ten minutes
  double shutdownAt = 0;         // the shutdown, or the last row
  // The EGT and CHT probes that read like faults (sensor_faults.h); limit
  // findings on their channel are held back there.
  std::vector<SensorFaultSpan> sensorFaults;
  // The exhaust-valve screen over the cruise (valve_screen.h): every
  // cylinder screened, or why the flight could not be.
  bool valveJudged = false;
  std::string valveWhy;
  std::vector<ValveSwing> valveSwings;
  std::vector<CylinderState> cylinders;
  // The run-up's magneto checks, in time order, found under the default thresholds.
  std::vector<RunupCheck> magChecks;

  const Envelope* envelope(std::string_view channel) const;
  const CylinderState* cylinder(flight::Engine engine, int cylinder) const;
};

struct FlightPhases;
// The digest with the phases of FindPhases; the second form takes them
// given. The sensor faults are found under `sensing` (the catalog keeps the
// digests it makes with the default thresholds).
FlightDigest DigestFlight(const flight::Flight& flight);
FlightDigest DigestFlight(const flight::Flight& flight, const FlightPhases& phases, const Limits& sensing = Limits{});
// The digest's parts, which the analyses' scheduler (analysis_registry.h)
// runs as rows of their own, the envelopes beside the EGTs' neighbours on a
// long flight; DigestFlight is those rows. StartDigest takes the flight's
// facts; AddEnvelopesAndCruise the envelopes and the steady cruise, which
// need nothing else; AddPhaseTimes the ground, warm-up and shutdown of the
// phases; AddScreens the sensor faults (with what each faulty probe read)
// and the valve screen, which ran over ValveScreenSpans: the cruise phases,
// else the digest's steady cruise.
struct ValveScreen;
FlightDigest StartDigest(const flight::Flight& flight);
void AddEnvelopesAndCruise(const flight::Flight& flight, FlightDigest& digest);
void AddPhaseTimes(const FlightPhases& phases, FlightDigest& digest);
struct PhaseSpan;
std::vector<PhaseSpan> ValveScreenSpans(const FlightPhases& phases, const FlightDigest& digest);
void AddScreens(const flight::Flight& flight, const std::vector<SensorFault>& faults, const ValveScreen& valves,
                FlightDigest& digest);

// The digest's sensor faults (FindSensorFaults) under `sensing`.
std::vector<SensorFaultSpan> SensorFaultSpans(const flight::Flight& flight, const Limits& sensing);

enum class FindingKind {
  Cht, Tit, Dif, Cooling, OilHigh, OilLow, BatteryLow, BatteryHigh, EgtCruise, TrendCht, TrendEgt, ChtCaution,
  Baseline, Change, HottestCylinder, Sensor, Valve, MagCheck, OilConsumption,
};
enum class Severity { Caution, Warning };

// The JSON and catalog names: "cht", "tit", "dif", "cooling", "oil_high",
// "oil_low", "battery_low", "battery_high", "egt_cruise", "trend_cht", "trend_egt",
// "cht_caution", "baseline", "change", "hottest_cylinder", "sensor", "valve",
// "mag_check", "oil_consumption".
std::string_view KindName(FindingKind kind);
// The kind of a JSON name; nothing for another text.
std::optional<FindingKind> KindOfName(std::string_view name);
// A finding across an aircraft's flights (trend_cht, trend_egt, oil_consumption): it has no times of its own.
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
  double timeAbove = std::numeric_limits<double>::quiet_NaN();  // seconds beyond the limit; NaN: not a span
  double excess = std::numeric_limits<double>::quiet_NaN();     // the peak's distance beyond the limit
  int cylinder = 0;           // the cylinder it is about, 0 when none
  flight::Engine engine = flight::Engine::Only;
  std::string hint;           // where to look (CylinderHint), empty when none
  bool acknowledged = false;  // the owner knows it (acknowledgements.h)
  std::string reason;         // the owner's reason when acknowledged
  std::string confidence;     // trends: "low", "moderate", "high"; else empty
  std::string date;           // a change: the date of the flight it happened in
  // Every channel the finding is about, `channel` first: one event seen on
  // several channels (a bus that sags on both its voltmeters) is one finding.
  std::vector<std::string> channels;
  // What makes it actionable, NaN when not known: a sensor finding's reading
  // (its `peak`) minus the other cylinders' median; the battery's RPM and
  // current (negative: discharging) at its lowest or highest.
  double offset = std::numeric_limits<double>::quiet_NaN();
  double rpm = std::numeric_limits<double>::quiet_NaN();
  double amps = std::numeric_limits<double>::quiet_NaN();
};

// Every finding of one flight, in time order.
std::vector<Finding> EvaluateFindings(const FlightDigest& digest, const Limits& limits);

// One flight's place in an aircraft's history, for the trend rules.
struct TrendPoint {
  flight::Unit engineUnit = flight::Unit::DegreesF;
  std::string date;  // its start, "YYYY-MM-DD..."
  std::vector<std::pair<std::string, float>> maxCht;     // per CHT channel
  std::vector<std::pair<std::string, float>> cruiseEgt;  // per EGT channel
  std::vector<std::pair<std::string, float>> cruiseCht;  // per CHT channel
  float cruisePower = std::numeric_limits<float>::quiet_NaN();    // %, the recorded power channel
  float cruiseOat = std::numeric_limits<float>::quiet_NaN();      // °C
  float cruiseBattery = std::numeric_limits<float>::quiet_NaN();  // V
};

// Whether two flights' cruises are comparable, as the baselines take them (below).
bool ComparableCruise(const TrendPoint& a, const TrendPoint& b, const Limits& limits);

// Flights in time order, oldest first. Flights are comparable when their
// cruise power lies within baseline_power % and their OAT within
// baseline_oat °C of each other (a figure a flight lacks does not part them).
//  - trend_cht, trend_egt: a cylinder whose max CHT or cruise EGT drifts by
//    more than trend_drift over the last ten flights (the least-squares slope
//    times the flights' span), with at least ten flights and a fit of
//    R² >= trend_fit. Its `peak` is the drift (in the newest flight's unit).
//  - baseline: the newest flight's cruise CHT or EGT of a cylinder more than
//    baseline_deviations robust deviations (1.4826 × the median absolute
//    deviation, at least 5 °F) from its median over the last 30 comparable
//    flights (at least five); `peak` is its distance from that median.
//  - change: a lasting step (Pettitt's test, p < 0.05, three flights on
//    either side at least) in a cylinder's cruise CHT (by trend_drift or
//    more) or the battery in cruise (by 0.5 V or more) over the last 30
//    flights; `date` is the first flight after it, `peak` the step.
//  - hottest_cylinder: the two newest flights' hottest cylinder (max CHT) is
//    another than the flight's before, and by hottest_change °F both times.
// Trends and baselines carry a confidence from the comparable flights: "low"
// under ten, "moderate" under 30, "high" from 30. Their times are unset.
std::vector<Finding> TrendFindings(const std::vector<TrendPoint>& flights, const Limits& limits);
inline constexpr std::size_t kTrendFlights = 10;
inline constexpr std::size_t kTrendMinimumFlights = 10;
inline constexpr std::size_t kBaselineFlights = 30;
inline constexpr std::size_t kBaselineMinimumFlights = 5;

}  // namespace varnix::analysis
