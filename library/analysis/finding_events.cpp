// SPDX-License-Identifier: MIT
// One finding per event: a faulty probe's spans of one channel are one
// sensor finding that says what the probe read and what it set off (the DIF
// it opened, whether its head held), and the bus channels that sag or rise
// together are one battery finding with the RPM and current of the time.
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/finding_parts.h"
#include "analysis/findings.h"
#include "flight/clock_text.h"

namespace varnix::analysis::detail {

namespace {

constexpr double kHeldF = 30;        // a head that moved less than this over a probe's fault held
constexpr double kIdleRpm = 1000;    // an engine below this is idling
constexpr double kCurrentAmps = 0.5; // a current smaller than this is neither charging nor discharging

std::size_t bucketOf(double seconds, std::size_t buckets) {
  const double b = std::max(0.0, seconds / FlightDigest::kBucketSeconds);
  return std::min(static_cast<std::size_t>(b), buckets ? buckets - 1 : 0);
}

// The faults of one channel that overlap or follow each other within the
// merge time of the sensor faults: one event of the probe.
struct ProbeEvent {
  std::vector<const SensorFaultSpan*> spans;
  double start = 0, end = 0;
};

std::vector<ProbeEvent> probeEvents(const FlightDigest& d) {
  std::vector<const SensorFaultSpan*> sorted;
  for (const SensorFaultSpan& s : d.sensorFaults) sorted.push_back(&s);
  std::stable_sort(sorted.begin(), sorted.end(), [](const SensorFaultSpan* a, const SensorFaultSpan* b) {
    return a->channel != b->channel ? a->channel < b->channel : a->start < b->start;
  });
  std::vector<ProbeEvent> events;
  for (const SensorFaultSpan* s : sorted) {
    if (!events.empty() && events.back().spans.front()->channel == s->channel &&
        s->start - events.back().end <= kFaultMergeSeconds) {
      events.back().spans.push_back(s);
      events.back().end = std::max(events.back().end, s->end);
      continue;
    }
    events.push_back({{s}, s->start, s->end});
  }
  return events;
}

std::string lasting(double seconds) {
  if (seconds < 60) return number(std::max(seconds, 0.0)) + " s";
  return number(std::round(seconds / 60)) + " min";
}

// The words for what a probe did, in the order of the kinds.
std::string kindsSeen(const ProbeEvent& e) {
  std::string out;
  for (const SensorFaultKind k :
       {SensorFaultKind::Step, SensorFaultKind::Divergent, SensorFaultKind::Stuck, SensorFaultKind::Dropout}) {
    if (std::none_of(e.spans.begin(), e.spans.end(), [&](const SensorFaultSpan* s) { return s->kind == k; })) continue;
    if (!out.empty()) out += ", ";
    switch (k) {
      case SensorFaultKind::Step: out += "a step"; break;
      case SensorFaultKind::Divergent: out += "far from the other cylinders"; break;
      case SensorFaultKind::Stuck: out += "stuck at one value"; break;
      case SensorFaultKind::Dropout: out += "dropping out"; break;
    }
  }
  return out;
}

// The head of an EGT's cylinder; none without its envelope.
const Envelope* headOf(const FlightDigest& d, const SensorFaultSpan& s) {
  for (const Envelope& env : d.envelopes)
    if (env.kind == flight::ChannelKind::Cht && env.engine == s.engine && env.cylinder == s.cylinder && !env.derived)
      return &env;
  return nullptr;
}

// How far a head moved over an event (from the minute before it); NaN without values.
double headMove(const Envelope& head, double start, double end) {
  const std::size_t first = bucketOf(start - FlightDigest::kBucketSeconds, head.min.size());
  const std::size_t last = bucketOf(end, head.min.size());
  float lo = std::numeric_limits<float>::infinity(), hi = -lo;
  for (std::size_t b = first; b <= last && b < head.min.size(); ++b) {
    if (!available(head.min[b])) continue;
    lo = std::min(lo, head.min[b]);
    hi = std::max(hi, head.max[b]);
  }
  return hi >= lo ? hi - lo : std::numeric_limits<double>::quiet_NaN();
}

// The highest DIF of the engine within the event, which the findings held back.
const Envelope* difOf(const FlightDigest& d, flight::Engine engine) {
  for (const Envelope& env : d.envelopes)
    if (env.kind == flight::ChannelKind::Dif && env.engine == engine) return &env;
  return nullptr;
}

double difWithin(const Envelope& dif, double start, double end) {
  double most = std::numeric_limits<double>::quiet_NaN();
  for (std::size_t b = 0; b < dif.max.size(); ++b)
    if (available(dif.max[b]) && dif.maxAt[b] >= start && dif.maxAt[b] <= end && !(dif.max[b] <= most))
      most = dif.max[b];
  return most;
}

Finding sensorFinding(const FlightDigest& d, const Limits& limits, const ProbeEvent& e) {
  const flight::Unit u = d.engineUnit;
  const std::string unit = degrees(u);
  // The reading farthest from the other cylinders over the event's spans.
  const SensorFaultSpan* worst = nullptr;
  for (const SensorFaultSpan* s : e.spans) {
    if (!available(s->reading)) continue;
    const double far = available(s->offset) ? std::fabs(s->offset) : 0;
    const double was = worst && available(worst->offset) ? std::fabs(worst->offset) : -1;
    if (!worst || far > was) worst = s;
  }
  const SensorFaultSpan& first = *e.spans.front();
  Finding f;
  f.kind = FindingKind::Sensor;
  f.channel = first.channel;
  f.channels = {first.channel};
  f.cylinder = first.cylinder;
  f.engine = first.engine;
  f.start = e.start;
  f.end = e.end;
  f.peak = std::numeric_limits<double>::quiet_NaN();
  f.peakAt = e.start;
  f.hint = "look at the probe or its wiring";
  const bool stuck = std::any_of(e.spans.begin(), e.spans.end(),
                                 [](const SensorFaultSpan* s) { return s->kind == SensorFaultKind::Stuck; });
  std::string what;
  if (worst) {
    f.peak = worst->reading;
    f.peakAt = worst->readingAt;
    f.offset = worst->offset;
  }
  if (worst && available(worst->offset) && !stuck) {
    what = "read " + number(std::fabs(worst->offset)) + " " + unit + (worst->offset < 0 ? " low" : " high");
  } else if (worst && stuck) {
    what = "stood at " + number(worst->reading) + " " + unit + " while the other cylinders moved";
  } else if (worst) {
    what = "read " + number(worst->reading) + " " + unit;
  } else {
    what = "dropped out with the engine running";
  }
  const std::string from = flight::ClockMinutesText(d.startOfDay + e.start);
  const std::string to = flight::ClockMinutesText(d.startOfDay + e.end);
  f.text = f.channel + " " + what + " for " + lasting(e.end - e.start) + " from " + from +
           (to == from ? "" : " to " + to) + " (" + kindsSeen(e) + ")";
  if (first.probe == flight::ChannelKind::Egt) {
    // A head that held while its EGT jumped: the cylinder burned on, the probe did not read it.
    if (const Envelope* head = headOf(d, first)) {
      const double moved = headMove(*head, e.start, e.end);
      if (!std::isnan(moved) && moved < FahrenheitSpanToUnit(kHeldF, u))
        f.text += " while " + head->channel + " held: the probe or its wiring";
    }
    if (const Envelope* dif = difOf(d, first.engine)) {
      const double opened = difWithin(*dif, e.start, e.end);
      const double limit = FahrenheitSpanToUnit(limits.difMax, u);
      if (!std::isnan(opened) && opened > limit) {
        f.text += "; it opened " + dif->channel + " to " + number(opened) + " " + unit;
        f.channels.push_back(dif->channel);
      }
    }
  }
  return f;
}

const Envelope* contextOf(const FlightDigest& d, flight::ChannelKind kind, flight::Engine engine) {
  const Envelope* any = nullptr;
  for (const Envelope& env : d.envelopes) {
    if (env.kind != kind) continue;
    if (env.engine == engine) return &env;
    if (!any) any = &env;
  }
  return any;
}

// The RPM and current in the minute of a battery finding's peak, and what they tell.
void addBatteryContext(const FlightDigest& d, Finding& f) {
  const double at = f.peakAt;
  auto lowest = [&](const Envelope* env) {
    if (!env || env->min.empty()) return std::numeric_limits<double>::quiet_NaN();
    const float v = env->min[bucketOf(at, env->min.size())];
    return available(v) ? static_cast<double>(v) : std::numeric_limits<double>::quiet_NaN();
  };
  f.rpm = lowest(contextOf(d, flight::ChannelKind::Rpm, f.engine));
  f.amps = lowest(contextOf(d, flight::ChannelKind::Amps, f.engine));
  const bool rpmKnown = !std::isnan(f.rpm), ampsKnown = !std::isnan(f.amps);
  if (!rpmKnown && !ampsKnown) return;
  const bool idle = rpmKnown && f.rpm < kIdleRpm;
  const bool discharging = ampsKnown && f.amps <= -kCurrentAmps;
  std::string context;
  if (rpmKnown) context += idle ? "at a " + number(f.rpm) + " RPM idle" : "at " + number(f.rpm) + " RPM";
  if (ampsKnown && std::fabs(f.amps) >= kCurrentAmps)
    context += (context.empty() ? "" : ", ") + std::string(discharging ? "discharging " : "charging ") +
               number(std::fabs(f.amps)) + " A";
  if (f.kind == FindingKind::BatteryLow && discharging)
    context += idle ? ": the alternator cannot carry the load at that idle" : ": the alternator is not charging";
  if (!context.empty()) f.text += ", " + context;
}

bool overlaps(const Finding& a, const Finding& b) { return a.start < b.end && b.start < a.end; }

}  // namespace

bool DifHeldBack(const FlightDigest& d, flight::Engine engine, double t) {
  for (const SensorFaultSpan& s : d.sensorFaults)
    if (s.probe == flight::ChannelKind::Egt && s.engine == engine && t >= s.start && t <= s.end) return true;
  return false;
}

void AddSensorFindings(const FlightDigest& d, const Limits& limits, std::vector<Finding>& out) {
  for (const ProbeEvent& e : probeEvents(d)) out.push_back(sensorFinding(d, limits, e));
}

void JoinBusFindings(const FlightDigest& d, std::vector<Finding>& out) {
  std::vector<Finding> kept;
  for (Finding& f : out) {
    const bool battery = f.kind == FindingKind::BatteryLow || f.kind == FindingKind::BatteryHigh;
    if (!battery) {
      kept.push_back(std::move(f));
      continue;
    }
    f.channels = {f.channel};
    Finding* same = nullptr;
    for (Finding& k : kept)
      if (k.kind == f.kind && overlaps(k, f) &&
          std::find(k.channels.begin(), k.channels.end(), f.channel) == k.channels.end())
        same = &k;
    if (!same) {
      kept.push_back(std::move(f));
      continue;
    }
    // The bus's event: its span over both, its worst point, every channel named.
    const bool low = f.kind == FindingKind::BatteryLow;
    same->channels.push_back(f.channel);
    same->start = std::min(same->start, f.start);
    same->end = std::max(same->end, f.end);
    same->timeAbove = std::max(same->timeAbove, f.timeAbove);
    if (low ? f.peak < same->peak : f.peak > same->peak) {
      same->peak = f.peak;
      same->peakAt = f.peakAt;
      same->excess = f.excess;
      same->severity = f.severity;
    }
  }
  for (Finding& f : kept) {
    if (f.kind != FindingKind::BatteryLow && f.kind != FindingKind::BatteryHigh) continue;
    if (f.channels.size() > 1) {
      std::string names;
      for (std::size_t i = 0; i < f.channels.size(); ++i)
        names += (i == 0 ? "" : i + 1 == f.channels.size() ? " and " : ", ") + f.channels[i];
      const bool low = f.kind == FindingKind::BatteryLow;
      const double limit = low ? f.peak + f.excess : f.peak - f.excess;
      const long minutes = std::lround((f.end - f.start) / FlightDigest::kBucketSeconds);
      f.text = "The bus (" + names + (low ? ") was down to " : ") reached ") + number(f.peak, 1) + " V at " +
               flight::ClockMinutesText(d.startOfDay + f.peakAt) + (low ? ", below the " : ", above the ") +
               number(limit, 1) + " V limit" + (minutes > 1 ? " (" + std::to_string(minutes) + " min)" : "");
    }
    addBatteryContext(d, f);
  }
  out = std::move(kept);
}

}  // namespace varnix::analysis::detail
