// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli import FILE... --aircraft ID [--data-folder DIR]: copies flight
// logs (avionics engine data logs, flight CSV files) into the aircraft's
// folder of the data folder, where the logbook finds them.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "flight_json.h"
#include "frontend/data_folder_setting.h"
#include "frontend/import_logs.h"
#include "platform/platform.h"

namespace varnix::cli {

void addImportCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("import", "Copy flight logs into an aircraft's folder of the data folder");
  auto files = std::make_shared<std::vector<std::string>>();
  auto aircraft = std::make_shared<std::string>();
  auto dataFolder = std::make_shared<std::string>();
  cmd->add_option("files", *files, "The flight logs (avionics engine data logs or flight CSV files)")->required();
  cmd->add_option("--aircraft", *aircraft, "The aircraft's id: its folder in the data folder")->required();
  auto* dataOption = cmd->add_option("--data-folder", *dataFolder, "The data folder (default: the program's data folder)");
  cmd->callback([files, aircraft, dataFolder, dataOption, &exitCode] {
    // A data folder given as "" is refused (as `logbook ""` is), not taken for the default.
    const std::string folder =
        dataOption->count() == 0 ? frontend::settings::currentDataFolder(platform::settingsFolder()) : *dataFolder;
    const frontend::ImportResult result = frontend::ImportFlightFiles(*files, *aircraft, folder);
    // The messages name the files: each one line, whatever the names hold.
    if (!result.ok()) reportMessage(terminalText("Nothing imported: " + result.problem + "."));
    for (const frontend::ImportedFile& f : result.value.files) {
      if (f.outcome == frontend::ImportOutcome::Imported || f.outcome == frontend::ImportOutcome::AlreadyThere)
        printLine(f.message);
      else
        reportMessage(terminalText(f.message));
    }
    exitCode = frontend::ImportExitCode(result);
  });
}

}  // namespace varnix::cli
