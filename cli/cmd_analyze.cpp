// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli analyze FILE [--json]: what the engine did in one flight: its
// phases, power and mixture, lean tests, magneto checks, sensor and valve
// screens and findings, each with its evidence; any flight file the door
// for flight files opens. The analyses' text and JSON come from their
// registry rows (analysis/analysis_registry.h): this command knows none of
// them by name, only the flight's facts and the findings around them.
#include <cstdio>
#include <string_view>
#include <vector>

#include "analysis/analysis_registry.h"
#include "analysis/engine_analysis.h"
#include "commands.h"
#include "flight_argument.h"
#include "flight_json.h"
#include "section_text.h"
#include "store/catalog_entry.h"

namespace varnix::cli {
namespace {

using namespace flight;

void printText(const Flight& f, const analysis::EngineAnalysis& a, std::size_t open,
               const analysis::FlightLimits& limits) {
  auto t = [](std::string_view text) { return terminalText(text); };
  std::printf("%s of %s, %s, every %d s\n", t(FlightName(f.facts)).c_str(), t(f.facts.aircraft).c_str(),
              store::IsoStart(f.facts).c_str(), f.facts.interval);
  if (limits.preset) std::printf("Limits:     %s\n", t(analysis::PresetText(limits)).c_str());
  std::fputs(sectionsText(analysis::DescribeAnalyses(f, a), f.startOfDay).c_str(), stdout);
  std::printf("Findings:   %zu, %zu open\n", a.findings.size(), open);
  for (const analysis::Finding& x : a.findings)
    std::printf("%-7s %-12s %-5s %s%s\n", std::string(analysis::SeverityName(x.severity)).c_str(),
                std::string(analysis::KindName(x.kind)).c_str(), t(x.channel).c_str(), t(x.text).c_str(),
                x.acknowledged ? t(" (acknowledged: " + x.reason + ")").c_str() : "");
}

// The engine preset the limits come from: null when none applies.
analysis::Json presetJson(const analysis::FlightLimits& limits) {
  if (!limits.preset) return nullptr;
  return analysis::Json::object({{"key", analysis::JsonText(limits.preset->key)},
                                 {"name", analysis::JsonText(limits.preset->name)},
                                 {"picked_by", analysis::JsonText(limits.pickedBy)}});
}

void printJson(const std::string& path, const Flight& f, const analysis::EngineAnalysis& a, std::size_t open,
               const analysis::FlightLimits& limits) {
  const FlightFacts& facts = f.facts;
  analysis::Json o = analysis::Json::object({{"file", analysis::JsonText(path)},
                         {"aircraft", analysis::JsonText(facts.aircraft)},
                         {"flight", analysis::JsonText(facts.flightLabel)},
                         {"start", analysis::JsonText(store::IsoStart(facts))},
                         {"interval_s", facts.interval}});
  o["engine_preset"] = presetJson(limits);
  std::vector<std::string_view> blockKeys;
  analysis::AddAnalysesJson(a, o, blockKeys);
  o["findings"] = findingsJson(a.findings);
  o["open_findings"] = open;
  blockKeys.push_back("findings");
  std::vector<std::string> paths = {""};
  for (std::string_view k : blockKeys) paths.push_back("/" + std::string(k));
  const std::vector<std::string_view> blocks(paths.begin(), paths.end());
  std::fputs(layoutJson(o, blocks).c_str(), stdout);
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
    const analysis::AircraftRules rules = readAircraftRules(*path);
    const analysis::FlightLimits limits = rules.limitsOf(flight->facts);
    analysis::EngineAnalysis a = analysis::AnalyseEngine(*flight, limits.limits);
    const std::size_t open = rules.acknowledge(a.findings);
    if (*json)
      printJson(*path, *flight, a, open, limits);
    else
      printText(*flight, a, open, limits);
    exitCode = 0;
  });
}

}  // namespace varnix::cli
