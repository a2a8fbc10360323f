// SPDX-License-Identifier: MIT
// The run-up's magneto checks as findings: each engine's worst verdict
// other than normal is one finding naming its cylinders at fault, and a
// drop beyond the aircraft's limit (or the two magnetos' drops apart by more
// than it) one more. A check too coarse to judge says nothing, and a
// cylinder whose probe was faulty then is not blamed.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "analysis/channel_names.h"
#include "analysis/finding_parts.h"
#include "analysis/findings.h"
#include "flight/clock_text.h"

namespace varnix::analysis::detail {

namespace {

bool probeFaulty(const FlightDigest& d, const std::string& channel, const RunupCheck& check) {
  return std::any_of(d.sensorFaults.begin(), d.sensorFaults.end(), [&](const SensorFaultSpan& f) {
    return f.channel == channel && f.start <= check.end && check.start <= f.end;
  });
}

std::string listed(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i)
    text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
  return text;
}

std::string enginePrefix(flight::Engine e) {
  return e == flight::Engine::Left ? "L" : e == flight::Engine::Right ? "R" : "";
}

std::string engineWords(flight::Engine e) {
  return e == flight::Engine::Left ? "left engine's " : e == flight::Engine::Right ? "right engine's " : "";
}

// Magneto before plug: what more than half of the cylinders share.
int rank(const RunupCheck& c) { return c.verdict == "magneto" ? 2 : c.verdict == "plug" ? 1 : 0; }

Finding startedAt(const RunupCheck& c, flight::Engine engine) {
  Finding f;
  f.kind = FindingKind::MagCheck;
  f.engine = engine;
  f.start = c.start;
  f.end = c.end;
  f.peak = c.dropRpm;
  f.peakAt = c.start;
  return f;
}

void verdictFinding(const FlightDigest& d, const std::vector<const RunupCheck*>& checks, flight::Engine engine,
                    std::vector<Finding>& out) {
  const RunupCheck* worst = nullptr;
  for (const RunupCheck* c : checks)
    if (rank(*c) > 0 && (!worst || rank(*c) > rank(*worst))) worst = c;
  if (!worst) return;
  std::vector<std::string> blamed;
  for (const std::string& channel : worst->atFault)
    if (!probeFaulty(d, channel, *worst)) blamed.push_back(channel);
  if (blamed.empty()) return;
  Finding f = startedAt(*worst, engine);
  const std::string at = flight::ClockMinutesText(d.startOfDay + worst->start);
  if (worst->verdict == "plug") {
    f.channel = blamed.front();
    f.channels = blamed;
    f.cylinder = blamed.size() == 1 ? CylinderOfName(blamed.front()) : 0;
    f.text = "The " + engineWords(engine) + "magneto check at " + at + " points to a plug or lead: " + worst->evidence;
    std::vector<std::string> cylinders;
    for (const std::string& channel : blamed) cylinders.push_back(std::to_string(CylinderOfName(channel)));
    f.hint = std::string(blamed.size() == 1 ? "look at the plug and lead of cylinder " : "look at the plugs and leads of cylinders ") +
             listed(cylinders) + " on that magneto";
  } else {
    f.channel = enginePrefix(engine) + "MAG";
    f.text = "The " + engineWords(engine) + "magneto check at " + at + " points to the magneto: " + worst->evidence;
    f.hint = "have that magneto's timing and points checked";
  }
  out.push_back(std::move(f));
}

void dropFinding(const FlightDigest& d, const Limits& limits, const std::vector<const RunupCheck*>& checks,
                 flight::Engine engine, std::vector<Finding>& out) {
  std::vector<const RunupCheck*> judged;
  for (const RunupCheck* c : checks)
    if (c->verdict != "too_coarse") judged.push_back(c);
  if (judged.empty()) return;
  const RunupCheck* largest = *std::max_element(judged.begin(), judged.end(),
                                                [](const RunupCheck* a, const RunupCheck* b) { return a->dropRpm < b->dropRpm; });
  std::vector<std::string> said;
  if (largest->dropRpm > limits.magDropMax)
    said.push_back("the RPM dropped " + number(largest->dropRpm) + " on one magneto, more than " + number(limits.magDropMax));
  const double apart = judged.size() >= 2 ? std::fabs(judged[0]->dropRpm - judged[1]->dropRpm) : 0;
  if (apart > limits.magDropDifference)
    said.push_back("the magnetos' drops differ by " + number(apart) + " RPM, more than " + number(limits.magDropDifference));
  if (said.empty()) return;
  Finding f = startedAt(*largest, engine);
  f.channel = enginePrefix(engine) + "RPM";
  f.excess = largest->dropRpm - limits.magDropMax;
  std::string text = said.front();
  for (std::size_t i = 1; i < said.size(); ++i) text += "; " + said[i];
  f.text = "In the " + engineWords(engine) + "magneto check at " + flight::ClockMinutesText(d.startOfDay + largest->start) +
           ", " + text;
  f.hint = "have the magnetos' timing checked";
  out.push_back(std::move(f));
}

}  // namespace

void AddMagCheckFindings(const FlightDigest& d, const Limits& limits, std::vector<Finding>& out) {
  for (flight::Engine engine : {flight::Engine::Only, flight::Engine::Left, flight::Engine::Right}) {
    std::vector<const RunupCheck*> checks;
    for (const RunupCheck& c : d.magChecks)
      if (c.engine == engine) checks.push_back(&c);
    if (checks.empty()) continue;
    verdictFinding(d, checks, engine, out);
    dropFinding(d, limits, checks, engine, out);
  }
}

}  // namespace varnix::analysis::detail
