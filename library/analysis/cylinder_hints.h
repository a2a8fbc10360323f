// SPDX-License-Identifier: MIT
// "Look at" hints for the findings of one cylinder, from the pattern table
// mechanics use: EGT high and CHT low (valve, rings, plug or magneto), EGT
// and CHT high (restricted injector or intake leak), EGT low (large injector
// or exhaust leak), a jumpy channel (probe or wiring), a cylinder cold after
// the start that is normal in cruise (sticking valve). A cylinder's EGT or
// CHT is high or low when its cruise mean stands hint_egt_deviation (50 °F)
// or hint_cht_deviation (25 °F) from the other cylinders'; a channel is
// jumpy with three or more row-to-row steps of kJumpEgtF (EGT) or kJumpChtF
// (CHT) beyond the step the other cylinders' median took (the digest counts
// them), so that only a probe that disagrees with its neighbours is blamed.
// Hints say where to look, never what is wrong; the probe's hint says what
// was seen.
#pragma once

#include <string>

#include "analysis/findings.h"
#include "analysis/limits.h"

namespace varnix::analysis {

inline constexpr double kJumpEgtF = 100;  // °F beyond the others' step in one row (of 6 s or less)
inline constexpr double kJumpChtF = 40;

// The hint of the first row of the table the cylinder matches, "" when none.
std::string CylinderHint(const CylinderState& cylinder, const Limits& limits, flight::Unit unit);

}  // namespace varnix::analysis
