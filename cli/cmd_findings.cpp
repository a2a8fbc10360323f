// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli findings FILE.CSV [--json]: one flight's findings under the
// limits of its aircraft folder (the file's folder).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "commands.h"
#include "flight/catalog_entry.h"
#include "flight/limits.h"
#include "flight_json.h"

namespace varnix::cli {

void addFindingsCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("findings", "Print what in a flight deserves a look, checked against its limits");
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  cmd->add_option("file", *path, "The flight's .CSV file")->required();
  cmd->add_flag("--json", *json, "Print JSON for scripts (keys as documented in the README)");
  cmd->callback([path, json, &exitCode] {
    std::ifstream in(*path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    if (!in) {
      reportMessage(*path + ": the file cannot be opened.");
      exitCode = kFlightCannotOpen;
      return;
    }
    const flight::CatalogEntry e = flight::MakeCatalogEntry(text.str());
    if (!e.problem.empty()) {
      reportMessage(*path + ": " + e.problem);
      exitCode = kFlightUnreadable;
      return;
    }
    const std::string folder = std::filesystem::path(*path).parent_path().string();
    const std::vector<flight::Finding> findings =
        flight::EvaluateFindings(e.digest, flight::LoadLimits(folder.empty() ? "." : folder));
    if (*json) {
      std::string o = "{\n  \"file\": " + jsonText(*path) + ",\n  \"aircraft\": " + jsonText(e.aircraft) +
                      ",\n  \"flight\": " + jsonText(e.flightLabel) + ",\n  \"start\": " + jsonText(e.start) +
                      ",\n  \"findings\": " + findingsJson(findings, "  ") + "\n}\n";
      std::fputs(o.c_str(), stdout);
    } else {
      std::printf("Flight #%s of %s, %s: %zu findings\n", e.flightLabel.c_str(), e.aircraft.c_str(), e.start.c_str(),
                  findings.size());
      for (const auto& f : findings)
        std::printf("%-7s %-12s %-5s %s\n", std::string(flight::SeverityName(f.severity)).c_str(),
                    std::string(flight::KindName(f.kind)).c_str(), f.channel.c_str(), f.text.c_str());
    }
    exitCode = 0;
  });
}

}  // namespace varnix::cli
