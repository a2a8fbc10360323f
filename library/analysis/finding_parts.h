// SPDX-License-Identifier: MIT
// What the digest, the finding rules and the trend findings share: the
// analysis's own, not for callers (they include findings.h).
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "flight/channels.h"
#include "analysis/findings.h"

namespace varnix::analysis::detail {

inline bool available(float v) { return !std::isnan(v); }

inline std::string degrees(flight::Unit unit) { return std::string(flight::UnitText(unit)); }

inline std::string number(double v, int decimals = 0) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// The channels whose envelopes the findings judge: those of a rule with a
// threshold (finding_rules.cpp), so the digest keeps only what is judged.
bool checked(flight::ChannelKind k);

// The channels the digest keeps beside them for what the findings tell of
// their time: the RPM and the current (a battery low at an idle, discharging).
inline bool context(flight::ChannelKind k) { return k == flight::ChannelKind::Rpm || k == flight::ChannelKind::Amps; }

// One finding per event (finding_events.cpp). An EGT probe's fault opens its
// engine's DIF: the DIF is not judged there, the sensor finding tells it.
bool DifHeldBack(const FlightDigest& d, flight::Engine engine, double t);
// One sensor finding per event of a probe: its faults of any kind closer
// than kFaultMergeSeconds, with the reading farthest from the others.
void AddSensorFindings(const FlightDigest& d, const Limits& limits, std::vector<Finding>& out);
// The run-up's magneto checks (mag_check_findings.cpp): a verdict other
// than normal, and a drop beyond the limits, per engine.
void AddMagCheckFindings(const FlightDigest& d, const Limits& limits, std::vector<Finding>& out);
// Battery findings of one kind on other channels at the same time are the
// bus's one finding; each says the RPM and current at its peak.
void JoinBusFindings(const FlightDigest& d, std::vector<Finding>& out);

}  // namespace varnix::analysis::detail
