// SPDX-License-Identifier: MIT
// What the digest, the finding rules and the trend findings share: the
// analysis's own, not for callers (they include findings.h).
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

#include "flight/channels.h"

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

}  // namespace varnix::analysis::detail
