// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli expand FILE.DAT [--data-folder DIR]: expands a dump into its
// flight index and flight CSV files, as the desktop program does.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "frontend/core_library.h"
#include "frontend/data_folder_setting.h"
#include "frontend/dump_files.h"
#include "frontend/expansion_preview.h"
#include "frontend/result_messages.h"
#include "platform/fs_path.h"
#include "platform/platform.h"
#include "terminal_user.h"

namespace varnix::cli {

// Prints the index file's lines (without their CR) on stdout.
void printIndexLines(const std::string& datPath) {
  for (const std::string& line : frontend::indexLines(datPath)) printLine(line);
}

void addExpandCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("expand", "Expand a dump into its flight index (.TXT) and one CSV file per flight");
  auto path = std::make_shared<std::string>();
  auto dataFolder = std::make_shared<std::string>();
  cmd->add_option("file", *path, "The .DAT dump")->required();
  cmd->add_option("--data-folder", *dataFolder,
                  "Data folder whose user subfolder receives the CSV files (default: the program's data folder)");
  auto recover = std::make_shared<bool>(false);
  cmd->add_flag("--recover", *recover,
                "After a damaged flight, go on with the later flights where the header's lengths place them");
  cmd->callback([path, dataFolder, recover, &exitCode] {
    std::string folder = *dataFolder;
    if (folder.empty()) folder = frontend::settings::currentDataFolder(platform::settingsFolder());
    std::error_code ignored;
    std::filesystem::create_directories(platform::utf8Path(folder), ignored);  // a fresh --data-folder, as download makes it
    frontend::CoreLibrary library;
    const std::vector<std::string> again = frontend::previewExpansion(library, *path, folder).alreadyThere;
    if (!again.empty()) reportMessage(frontend::messages::alreadyExpandedMessage(again, frontend::fileNameOf(*path)));
    exitCode = library.expandDataFile(*path, folder, *recover).value;  // the core always runs
    TerminalUser user;
    user.writtenLines = &library.writtenIndexLines();
    user.expanded(*path, exitCode, {frontend::messages::expandMessage(exitCode, *path), {}, {}});
  });
}

}  // namespace varnix::cli
