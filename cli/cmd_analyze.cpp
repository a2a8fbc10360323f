// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli analyze FILE [--json]: what the engine did in one flight: its
// phases, power and mixture, lean tests, magneto checks, sensor and valve
// screens and findings, each with its evidence; any flight file the door
// for flight files opens.
#include <cmath>
#include <cstdio>

#include "analysis/engine_analysis.h"
#include "commands.h"
#include "flight_argument.h"
#include "flight_json.h"
#include "store/catalog_entry.h"

namespace varnix::cli {
namespace {

using namespace flight;

Json phasesJson(const FlightPhases& p) {
  Json list = Json::array();
  for (const PhaseFigures& f : p.figures)
    list.push_back(Json::object({{"phase", PhaseName(f.phase)},
                                 {"start_s", jsonValue(f.start_s)},
                                 {"end_s", jsonValue(f.end_s)},
                                 {"fuel", jsonValue(f.fuel)},
                                 {"max_cht", jsonValue(f.max_cht)},
                                 {"mean_egt", jsonValue(f.mean_egt)},
                                 {"mean_power", jsonValue(f.mean_power)}}));
  return list;
}

Json eventsJson(const FlightPhases& p) {
  Json list = Json::array();
  for (const FlightEvent& e : p.events)
    list.push_back(Json::object({{"kind", EventName(e.kind)}, {"at_s", jsonValue(e.at)}}));
  return list;
}

Json powerJson(const CruisePower& p) {
  return Json::object({{"cruise_percent", p.judged ? jsonValue(p.cruise_percent) : Json(nullptr)},
                       {"method", p.method.empty() ? Json(nullptr) : jsonText(p.method)},
                       {"why", p.judged ? Json(nullptr) : jsonText(p.why)}});
}

Json mixtureJson(const std::vector<MixtureSegment>& segments) {
  Json list = Json::array();
  for (const MixtureSegment& m : segments)
    list.push_back(Json::object({{"start_s", jsonValue(m.start_s)},
                                 {"end_s", jsonValue(m.end_s)},
                                 {"state", MixtureStateName(m.state)},
                                 {"evidence", jsonText(m.evidence)}}));
  return list;
}

Json textOrNull(const std::string& s) { return s.empty() ? Json(nullptr) : jsonText(s); }

Json leanTestsJson(const std::vector<LeanTest>& tests) {
  Json list = Json::array();
  for (const LeanTest& t : tests) {
    Json peaks = Json::array();
    for (const LeanPeak& p : t.peaks)
      peaks.push_back(Json::object({{"channel", jsonText(p.channel)},
                                    {"peak", jsonValue(p.peak)},
                                    {"fuel_flow", p.placed ? jsonValue(p.fuel_flow) : Json(nullptr)},
                                    {"at_s", p.placed ? jsonValue(p.at_s) : Json(nullptr)}}));
    list.push_back(Json::object({{"start_s", jsonValue(t.start_s)},
                                 {"end_s", jsonValue(t.end_s)},
                                 {"verdict", LeanVerdictName(t.verdict)},
                                 {"spread", t.judged ? jsonValue(t.spread) : Json(nullptr)},
                                 {"spread_unit", jsonText(UnitText(t.spread_unit))},
                                 {"first", t.judged ? textOrNull(t.first) : Json(nullptr)},
                                 {"last", t.judged ? textOrNull(t.last) : Json(nullptr)},
                                 {"rows", t.rows},
                                 {"peaks", std::move(peaks)}}));
  }
  return list;
}

Json magChecksJson(const std::vector<MagCheck>& checks) {
  Json list = Json::array();
  for (const MagCheck& m : checks) {
    Json rises = Json::array();
    for (const MagRise& r : m.rises) rises.push_back(Json::object({{"channel", jsonText(r.channel)}, {"rise", jsonValue(r.rise)}}));
    list.push_back(Json::object({{"start_s", jsonValue(m.start_s)},
                                 {"end_s", jsonValue(m.end_s)},
                                 {"rpm_drop", jsonValue(m.rpm_drop)},
                                 {"verdict", MagVerdictName(m.verdict)},
                                 {"rises", std::move(rises)},
                                 {"caution", textOrNull(m.caution)},
                                 {"rows", m.rows}}));
  }
  return list;
}

Json sensorFaultsJson(const std::vector<SensorFault>& faults) {
  Json list = Json::array();
  for (const SensorFault& f : faults)
    list.push_back(Json::object({{"channel", jsonText(f.channel)},
                                 {"kind", SensorFaultKindName(f.kind)},
                                 {"start_s", jsonValue(f.start)},
                                 {"end_s", jsonValue(f.end)}}));
  return list;
}

Json valveScreenJson(const ValveScreen& v) {
  if (!v.judged) return Json::object({{"judged", false}, {"why", jsonText(v.why)}});
  Json list = Json::array();
  for (const ValveCylinder& c : v.cylinders)
    list.push_back(Json::object({{"channel", jsonText(c.channel)},
                                 {"amplitude", jsonValue(c.amplitude)},
                                 {"period_s", c.period > 0 ? jsonValue(c.period) : Json(nullptr)},
                                 {"verdict", ValveVerdictName(c.verdict)}}));
  return list;
}

std::string seconds(double s) { return std::isfinite(s) ? std::to_string(static_cast<long>(std::lround(s))) + " s" : "?"; }

void printText(const Flight& f, const EngineAnalysis& a, std::size_t open) {
  auto t = [](std::string_view text) { return terminalText(text); };
  std::printf("%s of %s, %s, every %d s\n", t(FlightName(f.facts)).c_str(), t(f.facts.aircraft).c_str(),
              IsoStart(f.facts).c_str(), f.facts.interval);
  if (a.phases.spans.empty()) std::printf("Phases:     none found (%s)\n", t(a.phases.why).c_str());
  for (const PhaseFigures& p : a.phases.figures)
    std::printf("Phase:      %-8s %8s to %8s\n", std::string(PhaseName(p.phase)).c_str(), seconds(p.start_s).c_str(),
                seconds(p.end_s).c_str());
  for (const FlightEvent& e : a.phases.events)
    std::printf("Event:      %-12s at %s\n", std::string(EventName(e.kind)).c_str(), seconds(e.at).c_str());
  const CruisePower& power = a.powerMixture.power;
  if (power.judged)
    std::printf("Power:      %.0f %% in cruise (%s)\n", power.cruise_percent, t(power.method).c_str());
  else
    std::printf("Power:      not judged (%s)\n", t(power.why).c_str());
  for (const MixtureSegment& m : a.powerMixture.mixture)
    std::printf("Mixture:    %s from %s: %s\n", std::string(MixtureStateName(m.state)).c_str(), seconds(m.start_s).c_str(),
                t(m.evidence).c_str());
  for (const LeanTest& l : a.leanTests) {
    std::printf("Lean test:  %s from %s, %d rows", std::string(LeanVerdictName(l.verdict)).c_str(),
                seconds(l.start_s).c_str(), l.rows);
    if (l.judged)
      std::printf(", spread %.2f %s (%s first, %s last)", l.spread, std::string(UnitText(l.spread_unit)).c_str(),
                  t(l.first).c_str(), t(l.last).c_str());
    std::printf("\n");
  }
  for (const MagCheck& m : a.magChecks)
    std::printf("Mag check:  %s from %s, RPM drop %.0f%s%s\n", std::string(MagVerdictName(m.verdict)).c_str(),
                seconds(m.start_s).c_str(), m.rpm_drop, m.caution.empty() ? "" : ": ", t(m.caution).c_str());
  for (const SensorFault& s : a.sensorFaults)
    std::printf("Sensor:     %s %s from %s to %s\n", t(s.channel).c_str(), std::string(SensorFaultKindName(s.kind)).c_str(),
                seconds(s.start).c_str(), seconds(s.end).c_str());
  if (!a.valveScreen.judged) std::printf("Valves:     not judged (%s)\n", t(a.valveScreen.why).c_str());
  for (const ValveCylinder& c : a.valveScreen.cylinders)
    if (c.verdict != ValveVerdict::None)
      std::printf("Valves:     %s %s, ±%.0f every %.0f s\n", t(c.channel).c_str(),
                  std::string(ValveVerdictName(c.verdict)).c_str(), c.amplitude, c.period);
  std::printf("Findings:   %zu, %zu open\n", a.findings.size(), open);
  for (const Finding& x : a.findings)
    std::printf("%-7s %-12s %-5s %s%s\n", std::string(SeverityName(x.severity)).c_str(),
                std::string(KindName(x.kind)).c_str(), t(x.channel).c_str(), t(x.text).c_str(),
                x.acknowledged ? t(" (acknowledged: " + x.reason + ")").c_str() : "");
}

}  // namespace

void addAnalyzeCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("analyze", "Print what the engine did in a flight: phases, power, mixture, lean test, "
                                            "magneto check, sensor and valve screens, findings");
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  cmd->add_option("file", *path, "The flight file (our own CSV or an avionics log)")->required();
  cmd->add_flag("--json", *json, "Print JSON for scripts (keys as documented in the README)");
  cmd->callback([path, json, &exitCode] {
    const std::optional<Flight> flight = openFlightArgument(*path, exitCode);
    if (!flight) return;
    const AircraftRules rules = readAircraftRules(*path);
    EngineAnalysis a = AnalyseEngine(*flight, rules.limits.limits);
    const std::size_t open = rules.acknowledge(a.findings);
    if (*json) {
      const FlightFacts& facts = flight->facts;
      const Json o = Json::object({{"file", jsonText(*path)},
                                   {"aircraft", jsonText(facts.aircraft)},
                                   {"flight", jsonText(facts.flightLabel)},
                                   {"start", jsonText(IsoStart(facts))},
                                   {"interval_s", facts.interval},
                                   {"phases", phasesJson(a.phases)},
                                   {"events", eventsJson(a.phases)},
                                   {"power", powerJson(a.powerMixture.power)},
                                   {"mixture", mixtureJson(a.powerMixture.mixture)},
                                   {"lean_tests", leanTestsJson(a.leanTests)},
                                   {"mag_checks", magChecksJson(a.magChecks)},
                                   {"sensor_faults", sensorFaultsJson(a.sensorFaults)},
                                   {"valve_screen", valveScreenJson(a.valveScreen)},
                                   {"findings", findingsJson(a.findings)},
                                   {"open_findings", open}});
      std::fputs(layoutJson(o, {"", "/phases", "/events", "/mixture", "/lean_tests", "/mag_checks", "/sensor_faults", "/valve_screen", "/findings"}).c_str(),
                 stdout);
    } else {
      printText(*flight, a, open);
    }
    exitCode = 0;
  });
}

}  // namespace varnix::cli
