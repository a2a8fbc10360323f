// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli findings FILE [--json]: one flight's findings under the
// limits of its aircraft folder (the file's folder); any flight file the
// door for flight files opens.
#include <cstdio>

#include "commands.h"
#include "analysis/engine_analysis.h"
#include "analysis/limits.h"
#include "flight_argument.h"
#include "flight_json.h"
#include "store/catalog_entry.h"
#include "platform/fs_path.h"

namespace varnix::cli {

void addFindingsCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("findings", "Print what in a flight deserves a look, checked against its limits");
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  cmd->add_option("file", *path, "The flight's .CSV file")->required();
  cmd->add_flag("--json", *json, "Print JSON for scripts (keys as documented in the README)");
  cmd->callback([path, json, &exitCode] {
    const std::optional<flight::Flight> flight = openFlightArgument(*path, exitCode);
    if (!flight) return;
    const flight::FlightFacts& facts = flight->facts;
    const std::string start = store::IsoStart(facts);
    const analysis::AircraftRules rules = readAircraftRules(*path);
    std::vector<analysis::Finding> findings = analysis::AnalyseEngine(*flight, rules.limitsOf(facts).limits).findings;
    const std::size_t open = rules.acknowledge(findings);
    if (*json) {
      const Json o = Json::object({{"file", JsonText(*path)},
                                   {"aircraft", JsonText(facts.aircraft)},
                                   {"flight", JsonText(facts.flightLabel)},
                                   {"start", JsonText(start)},
                                   {"findings", findingsJson(findings)},
                                   {"open_findings", open}});
      std::fputs(layoutJson(o, {"", "/findings"}).c_str(), stdout);
    } else {
      std::printf("%s of %s, %s: %zu findings\n", terminalText(flight::FlightName(facts)).c_str(),
                  terminalText(facts.aircraft).c_str(), terminalText(start).c_str(), findings.size());
      for (const auto& f : findings)
        std::printf("%-7s %-12s %-5s %s%s\n", std::string(analysis::SeverityName(f.severity)).c_str(),
                    std::string(analysis::KindName(f.kind)).c_str(), terminalText(f.channel).c_str(),
                    terminalText(f.text).c_str(),
                    f.acknowledged ? terminalText(" (acknowledged: " + f.reason + ")").c_str() : "");
    }
    exitCode = 0;
  });
}

}  // namespace varnix::cli
