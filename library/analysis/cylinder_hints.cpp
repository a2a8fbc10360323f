// SPDX-License-Identifier: MIT
#include "analysis/cylinder_hints.h"

#include <cmath>
#include <cstdint>

#include "analysis/finding_parts.h"

namespace varnix::analysis {

namespace {

enum class Level { Any, Low, High };

constexpr std::uint32_t kJumpySteps = 3;

// One pattern: the first row a cylinder matches gives its hint.
struct HintRule {
  Level egt = Level::Any;   // its cruise EGT against the others
  Level cht = Level::Any;   // its cruise CHT against the others
  bool jumpy = false;       // an EGT or CHT channel jumps
  bool coldStart = false;   // CHT low after the start, not in cruise
  const char* hint;
};

constexpr HintRule kHints[] = {
    {.jumpy = true, .hint = "look at the probe or its wiring"},
    {.coldStart = true, .hint = "look at a sticking valve"},
    {.egt = Level::High, .cht = Level::Low, .hint = "look at the valves, rings, plug or magneto"},
    {.egt = Level::High, .cht = Level::High, .hint = "look at a restricted injector or an intake leak"},
    {.egt = Level::Low, .hint = "look at a large injector or an exhaust leak"},
};

Level level(float deviation, double band) {
  if (std::isnan(deviation) || std::fabs(deviation) < band) return Level::Any;
  return deviation > 0 ? Level::High : Level::Low;
}

bool matches(Level want, Level is) { return want == Level::Any || want == is; }

// "its EGT jumped 100 °F or more against the other cylinders 4 times": what
// made the probe's hint, so that the owner can see it in the chart.
std::string jumpsSeen(const CylinderState& c, flight::Unit unit) {
  std::string out;
  const struct {
    const char* name;
    std::uint32_t steps;
    double stepF;
  } kinds[] = {{"EGT", c.egtSteps, kJumpEgtF}, {"CHT", c.chtSteps, kJumpChtF}};
  for (const auto& k : kinds) {
    if (k.steps < kJumpySteps) continue;
    out += (out.empty() ? "its " : " and its ") + std::string(k.name) + " jumped " +
           detail::number(FahrenheitSpanToUnit(k.stepF, unit)) + " " + detail::degrees(unit) +
           " or more against the other cylinders " + std::to_string(k.steps) + " times";
  }
  return out;
}

}  // namespace

std::string CylinderHint(const CylinderState& c, const Limits& limits, flight::Unit unit) {
  const double egtBand = FahrenheitSpanToUnit(limits.hintEgtDeviation, unit);
  const double chtBand = FahrenheitSpanToUnit(limits.hintChtDeviation, unit);
  const Level egt = level(c.egtDeviation, egtBand);
  const Level cht = level(c.chtDeviation, chtBand);
  const bool jumpy = c.egtSteps >= kJumpySteps || c.chtSteps >= kJumpySteps;
  const bool coldStart = level(c.earlyChtDeviation, chtBand) == Level::Low && cht == Level::Any &&
                         !std::isnan(c.chtDeviation);
  for (const HintRule& r : kHints) {
    if (r.jumpy && !jumpy) continue;
    if (r.coldStart && !coldStart) continue;
    if (r.egt == Level::Any && r.cht == Level::Any && !r.jumpy && !r.coldStart) continue;
    if (!matches(r.egt, egt) || !matches(r.cht, cht)) continue;
    return r.jumpy ? std::string(r.hint) + ": " + jumpsSeen(c, unit) : r.hint;
  }
  return {};
}

}  // namespace varnix::analysis
