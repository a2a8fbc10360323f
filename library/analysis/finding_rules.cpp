// SPDX-License-Identifier: MIT
// The finding rules: a flight's digest judged against the aircraft's limits,
// one row of the rule table per finding kind.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>

#include "analysis/finding_parts.h"
#include "analysis/findings.h"
#include "analysis/cylinder_hints.h"
#include "analysis/sensor_faults.h"
#include "analysis/valve_screen.h"
#include "flight/channels.h"
#include "flight/clock_text.h"

namespace varnix::analysis {

namespace {

using detail::available;
using detail::degrees;
using detail::number;

constexpr double kStartSeconds = 60;      // the battery is not judged in the minute after the engine start
constexpr double kShutdownSeconds = 60;   // nor cooling in the minute before the shutdown
constexpr double k28VoltMedian = 20;   // a battery whose median is above this is a 28-volt system
// Heads settle minutes after the climb's power comes off (their lag is
// minutes, see sensor_faults.h): the climb's heat is the climb's until then.
constexpr double kClimbHeatSeconds = 300;
// No piston climb lasts longer at climb power: beyond this a "climb" is a
// cruise the phases did not tell apart, and the caution judges it.
constexpr double kLongestClimbSeconds = 1200;

std::string clock(const FlightDigest& d, double at) { return flight::ClockMinutesText(d.startOfDay + at); }

// A limit as one flight's envelope is judged against it, in the flight's units.
struct Threshold {
  double limit;
  double margin;  // an excess this large is a warning
};

// What a sentence about a span beyond a limit says.
struct Span {
  const std::string& channel;
  const std::string& unit;     // "°F", "°C"
  double peak, limit;
  const std::string& at;       // " at 9:41"
  const std::string& lasting;  // " (3 min)", or ""
  bool derived;                // a cooling from the CHT slope
};

// When in a flight a rule judges.
enum class Judged {
  Always,
  AfterWarmup,    // from the first phase off the ground (no phases: after ten minutes)
  EngineRunning,  // a minute after the engine start until the shutdown
  Airborne,       // off the ground spans and before the minute of the shutdown
  Sustained,      // outside the takeoffs and climbs and the minutes the heads settle after them
};

// One row per finding kind: its name, and for the kinds judged from a
// channel's envelope the channel, the side, the limit, when it judges and
// the sentence. Adding a finding kind is adding a row.
struct KindRule {
  FindingKind kind;
  std::string_view name;                     // KindName
  flight::ChannelKind channel = flight::ChannelKind::Other;  // the envelope judged; Other: judged elsewhere
  bool above = true;                         // the value must stay below the limit; else above it
  Threshold (*threshold)(const Limits&, const Envelope&, flight::Unit) = nullptr;
  Judged judged = Judged::Always;
  std::string (*sentence)(const Span&) = nullptr;
  bool trend = false;                        // across flights: no times of its own
  bool information = false;                  // always a caution, however far beyond
};

double temperature(double f, flight::Unit u) { return FahrenheitToUnit(f, u); }
double span(double f, flight::Unit u) { return FahrenheitSpanToUnit(f, u); }

// The battery's limits follow its system: a median above 20 V is a 28-volt one.
bool system28(const Envelope& env) { return env.median > k28VoltMedian; }

std::string reachedAbove(const char* what, const Span& s) {
  return what + s.channel + " reached " + number(s.peak) + " " + s.unit + s.at + ", above the " + number(s.limit) +
         " " + s.unit + " limit" + s.lasting;
}

constexpr KindRule kKindRules[] = {
    {.kind = FindingKind::Cht,
     .name = "cht",
     .channel = flight::ChannelKind::Cht,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, flight::Unit u) {
       return Threshold{temperature(l.chtMax, u), span(25, u)};
     },
     .sentence = [](const Span& s) { return reachedAbove("CHT ", s); }},
    {.kind = FindingKind::ChtCaution,
     .name = "cht_caution",
     .channel = flight::ChannelKind::Cht,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, flight::Unit u) {
       return Threshold{temperature(l.chtCaution, u), 0};
     },
     .judged = Judged::Sustained,
     .sentence = [](const Span& s) {
       return "CHT " + s.channel + " stood above the " + number(s.limit) + " " + s.unit + " caution level" +
              s.lasting + ", up to " + number(s.peak) + " " + s.unit + s.at;
     },
     .information = true},
    {.kind = FindingKind::Tit,
     .name = "tit",
     .channel = flight::ChannelKind::Tit,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, flight::Unit u) {
       return Threshold{temperature(l.titMax, u), span(25, u)};
     },
     .sentence = [](const Span& s) { return reachedAbove("TIT ", s); }},
    {.kind = FindingKind::Dif,
     .name = "dif",
     .channel = flight::ChannelKind::Dif,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, flight::Unit u) {
       return Threshold{span(l.difMax, u), span(100, u)};
     },
     .sentence = [](const Span& s) {
       return "The EGT spread (" + s.channel + ") opened to " + number(s.peak) + " " + s.unit + s.at +
              ", above the " + number(s.limit) + " " + s.unit + " limit" + s.lasting;
     }},
    {.kind = FindingKind::Cooling,
     .name = "cooling",
     .channel = flight::ChannelKind::Cld,
     .above = false,
     .threshold = [](const Limits& l, const Envelope&, flight::Unit u) {
       return Threshold{-span(l.coolingMax, u), span(20, u)};
     },
     .judged = Judged::Airborne,
     .sentence = [](const Span& s) {
       // Cooling is negative: the sentence says how fast.
       return "The heads cooled " + number(-s.peak) + " " + s.unit + " per minute" + s.at + ", faster than the " +
              number(-s.limit) + " " + s.unit + " limit" + (s.derived ? " (from the CHT slope)" : "");
     },
     .information = true},
    {.kind = FindingKind::OilHigh,
     .name = "oil_high",
     .channel = flight::ChannelKind::OilTemperature,
     .above = true,
     .threshold = [](const Limits& l, const Envelope&, flight::Unit u) {
       return Threshold{temperature(l.oilMax, u), span(15, u)};
     },
     .judged = Judged::AfterWarmup,
     .sentence = [](const Span& s) {
       return "Oil (" + s.channel + ") reached " + number(s.peak) + " " + s.unit + s.at + ", above the " +
              number(s.limit) + " " + s.unit + " limit" + s.lasting;
     }},
    {.kind = FindingKind::OilLow,
     .name = "oil_low",
     .channel = flight::ChannelKind::OilTemperature,
     .above = false,
     .threshold = [](const Limits& l, const Envelope&, flight::Unit u) {
       return Threshold{temperature(l.oilMin, u), span(15, u)};
     },
     .judged = Judged::AfterWarmup,
     .sentence = [](const Span& s) {
       return "Oil (" + s.channel + ") was down to " + number(s.peak) + " " + s.unit + s.at + ", below the " +
              number(s.limit) + " " + s.unit + " limit" + s.lasting;
     }},
    {.kind = FindingKind::BatteryLow,
     .name = "battery_low",
     .channel = flight::ChannelKind::Battery,
     .above = false,
     .threshold = [](const Limits& l, const Envelope& env, flight::Unit) {
       return system28(env) ? Threshold{l.battery28Min, 1.0} : Threshold{l.batteryMin, 0.5};
     },
     .judged = Judged::EngineRunning,
     .sentence = [](const Span& s) {
       return "The battery (" + s.channel + ") was down to " + number(s.peak, 1) + " V" + s.at + ", below the " +
              number(s.limit, 1) + " V limit" + s.lasting;
     }},
    {.kind = FindingKind::BatteryHigh,
     .name = "battery_high",
     .channel = flight::ChannelKind::Battery,
     .above = true,
     .threshold = [](const Limits& l, const Envelope& env, flight::Unit) {
       return system28(env) ? Threshold{l.battery28Max, 1.0} : Threshold{l.batteryMax, 0.5};
     },
     .judged = Judged::EngineRunning,
     .sentence = [](const Span& s) {
       return "The battery (" + s.channel + ") reached " + number(s.peak, 1) + " V" + s.at + ", above the " +
              number(s.limit, 1) + " V limit" + s.lasting;
     }},
    {.kind = FindingKind::EgtCruise, .name = "egt_cruise"},  // judged from the digest's cruise
    {.kind = FindingKind::TrendCht, .name = "trend_cht", .trend = true},
    {.kind = FindingKind::TrendEgt, .name = "trend_egt", .trend = true},
    {.kind = FindingKind::Baseline, .name = "baseline", .trend = true},
    {.kind = FindingKind::Change, .name = "change", .trend = true},
    {.kind = FindingKind::HottestCylinder, .name = "hottest_cylinder", .trend = true},
    {.kind = FindingKind::Sensor, .name = "sensor"},  // the digest's sensor faults
    {.kind = FindingKind::Valve, .name = "valve"},    // the digest's valve screen
    {.kind = FindingKind::MagCheck, .name = "mag_check"},  // the digest's magneto checks
    {.kind = FindingKind::OilConsumption, .name = "oil_consumption", .trend = true},  // the maintenance log's oil
};

const KindRule& ruleOf(FindingKind kind) {
  for (const KindRule& r : kKindRules)
    if (r.kind == kind) return r;
  return kKindRules[0];
}


bool judgedAt(const FlightDigest& d, Judged judged, double t) {
  switch (judged) {
    case Judged::Always: return true;
    case Judged::AfterWarmup: return t >= d.warmupEnd;
    case Judged::EngineRunning: return t >= d.engineStartAt + kStartSeconds && t <= d.shutdownAt;
    case Judged::Airborne:
      for (const TimeSpan& g : d.ground)
        if (g.holds(t)) return false;
      return t < d.shutdownAt - kShutdownSeconds;
    case Judged::Sustained:
      for (const TimeSpan& c : d.climbs)
        if (t >= c.start && t <= std::min(c.end, c.start + kLongestClimbSeconds) + kClimbHeatSeconds) return false;
      return true;
  }
  return true;
}

bool faulty(const FlightDigest& d, const std::string& channel, double t) {
  for (const SensorFaultSpan& f : d.sensorFaults)
    if (f.channel == channel && t >= f.start && t <= f.end) return true;
  return false;
}

// Spans of minutes beyond the limit, each a finding. A minute is judged at
// its extreme's time; neighbouring minutes beyond make one span (a minute
// with no row beyond between two puts them more than 30 s apart). The time
// above is estimated from each minute's extremes: a whole minute when both
// are beyond, else the share of the minute's range beyond the limit.
void check(const Envelope& env, const KindRule& rule, const Threshold& threshold, const FlightDigest& d,
           std::vector<Finding>& out) {
  const std::vector<float>& values = rule.above ? env.max : env.min;
  const std::vector<float>& times = rule.above ? env.maxAt : env.minAt;
  const std::vector<float>& others = rule.above ? env.min : env.max;
  const double side = rule.above ? 1 : -1;
  auto beyond = [&](std::size_t b) {
    return available(values[b]) && side * (values[b] - threshold.limit) > 0 &&
           judgedAt(d, rule.judged, times[b]) && !faulty(d, env.channel, times[b]) &&
           !(env.kind == flight::ChannelKind::Dif && detail::DifHeldBack(d, env.engine, times[b]));
  };
  auto secondsBeyond = [&](std::size_t b) {
    const double from = static_cast<double>(b) * FlightDigest::kBucketSeconds;
    const double covered = std::clamp(d.recordedSeconds - from, 0.0, FlightDigest::kBucketSeconds);
    const double far = side * (values[b] - threshold.limit);
    const double near = available(others[b]) ? side * (others[b] - threshold.limit) : far;
    if (near > 0 || far <= near) return covered;
    return covered * far / (far - near);
  };
  std::size_t b = 0;
  while (b < values.size()) {
    if (!beyond(b)) {
      ++b;
      continue;
    }
    const std::size_t first = b;
    std::size_t last = b, minutes = 0;
    double peak = values[b], peakAt = times[b], above = 0;
    for (; b < values.size() && beyond(b); ++b) {
      last = b;
      ++minutes;
      above += secondsBeyond(b);
      if (side * (values[b] - peak) > 0) {
        peak = values[b];
        peakAt = times[b];
      }
    }
    Finding f;
    f.kind = rule.kind;
    f.channel = env.channel;
    f.cylinder = env.cylinder;
    f.engine = env.engine;
    f.excess = std::fabs(peak - threshold.limit);
    f.severity = !rule.information && f.excess >= threshold.margin ? Severity::Warning : Severity::Caution;
    f.start = static_cast<double>(first) * FlightDigest::kBucketSeconds;
    f.end = std::min(static_cast<double>(last + 1) * FlightDigest::kBucketSeconds, d.recordedSeconds);
    f.peak = peak;
    f.peakAt = peakAt;
    f.timeAbove = above;
    const std::string unit = degrees(d.engineUnit);
    const std::string at = " at " + clock(d, peakAt);
    const std::string lasting = minutes > 1 ? " (" + std::to_string(minutes) + " min)" : "";
    f.text = rule.sentence({env.channel, unit, peak, threshold.limit, at, lasting, env.derived});
    out.push_back(std::move(f));
  }
}

std::string cylinderWord(std::string_view channel) { return std::string(channel); }

}  // namespace

// The channels whose envelopes the findings judge.
bool detail::checked(flight::ChannelKind k) {
  for (const KindRule& r : kKindRules)
    if (r.threshold && r.channel == k) return true;
  return false;
}

std::string_view KindName(FindingKind kind) { return ruleOf(kind).name; }

std::optional<FindingKind> KindOfName(std::string_view name) {
  for (const KindRule& r : kKindRules)
    if (r.name == name) return r.kind;
  return std::nullopt;
}

bool IsTrendKind(FindingKind kind) { return ruleOf(kind).trend; }

std::string_view SeverityName(Severity severity) { return severity == Severity::Warning ? "warning" : "caution"; }

std::vector<Finding> EvaluateFindings(const FlightDigest& d, const Limits& limits) {
  const flight::Unit u = d.engineUnit;
  std::vector<Finding> out;
  for (const Envelope& env : d.envelopes)
    for (const KindRule& rule : kKindRules)
      if (rule.threshold && rule.channel == env.kind) check(env, rule, rule.threshold(limits, env, u), d, out);
  const double deviation = span(limits.egtDeviation, u);
  for (const CruiseEgt& e : d.cruise) {
    if (std::fabs(e.deviation) <= deviation || faulty(d, e.channel, e.peakAt)) continue;
    Finding f;
    f.kind = FindingKind::EgtCruise;
    f.channel = e.channel;
    f.severity = std::fabs(e.deviation) - deviation >= span(50, u) ? Severity::Warning : Severity::Caution;
    f.start = d.cruiseStart;
    f.end = d.cruiseEnd;
    f.peak = e.deviation;
    f.peakAt = e.peakAt;
    f.excess = std::fabs(e.deviation) - deviation;
    f.cylinder = e.cylinder;
    f.engine = e.engine;
    f.text = cylinderWord(e.channel) + " runs " + number(std::fabs(e.deviation)) + " " + degrees(u) +
             (e.deviation < 0 ? " below" : " above") + " the others in cruise" +
             (d.cruiseSteady ? "" : " (the middle of the flight: no RPM or MAP)");
    out.push_back(std::move(f));
  }
  detail::AddSensorFindings(d, limits, out);
  detail::AddMagCheckFindings(d, limits, out);
  for (const ValveCylinder& c : ValveScreenOf(d, limits).cylinders) {
    if (c.verdict != ValveVerdict::Valve || faulty(d, c.channel, c.start)) continue;
    Finding f;
    f.kind = FindingKind::Valve;
    f.channel = c.channel;
    f.start = c.start;
    f.end = c.end;
    f.peak = c.amplitude;
    f.peakAt = c.start;
    f.text = ValveFindingText(c, u);
    out.push_back(std::move(f));
  }
  // A span above the caution level that reaches the limit is the limit's finding alone.
  std::erase_if(out, [&](const Finding& c) {
    if (c.kind != FindingKind::ChtCaution) return false;
    for (const Finding& f : out)
      if (f.kind == FindingKind::Cht && f.channel == c.channel && f.start < c.end && c.start < f.end) return true;
    return false;
  });
  detail::JoinBusFindings(d, out);
  for (Finding& f : out) {
    if (f.channels.empty()) f.channels = {f.channel};
    if (f.cylinder > 0 && f.kind != FindingKind::Sensor && f.kind != FindingKind::MagCheck)
      if (const CylinderState* c = d.cylinder(f.engine, f.cylinder)) f.hint = CylinderHint(*c, limits, u);
  }
  std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) { return a.start < b.start; });
  return out;
}

}  // namespace varnix::analysis
