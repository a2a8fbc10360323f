// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli expand FILE.DAT [--data-folder DIR]: expands a dump into its
// flight index and flight CSV files, as the desktop program does.
#include <cstdio>
#include <filesystem>
#include <string>

#include "commands.h"
#include "core/expand.h"
#include "data_folder_setting.h"
#include "platform/platform.h"
#include "result_messages.h"

namespace varnix::cli {

// Prints the index file's lines (without their CR) on stdout.
void printIndexLines(const std::string& datPath) {
  const auto indexPath = IndexFilePath(datPath);
  if (!indexPath) return;
  std::FILE* f = platform::openFile(*indexPath, "rb");
  if (!f) return;
  std::string line;
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == '\n') {
      std::printf("%s\n", line.c_str());
      line.clear();
    } else if (c != '\r') {
      line += static_cast<char>(c);
    }
  }
  if (!line.empty()) std::printf("%s\n", line.c_str());
  std::fclose(f);
}

void addExpandCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("expand", "Expand a dump into its flight index (.TXT) and one CSV file per flight");
  auto path = std::make_shared<std::string>();
  auto dataFolder = std::make_shared<std::string>();
  cmd->add_option("file", *path, "The .DAT dump")->required();
  cmd->add_option("--data-folder", *dataFolder,
                  "Data folder whose user subfolder receives the CSV files (default: the program's data folder)");
  cmd->callback([path, dataFolder, &exitCode] {
    std::string folder = *dataFolder;
    if (folder.empty()) folder = settings::currentDataFolder(platform::settingsFolder());
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);  // a fresh --data-folder, as download makes it
    const std::string folderArgument = folder + platform::kPathSeparator;
    HeaderState header{};
    exitCode = ExpandDataFile(*path, folderArgument, header);
    if (exitCode != kExpandNoDot && exitCode != kExpandCannotOpenIndex) printIndexLines(*path);
    std::fflush(stdout);
    reportMessage(messages::expandMessage(exitCode, *path));
  });
}

}  // namespace varnix::cli
