// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli palm FILE.PDB [--expand] [--data-folder DIR] [--delete-backup]:
// converts a Palm backup into a dump beside it and, with --expand, files the
// dump in its user folder and expands it as the Palm screen does, without
// its questions: a dump of the same name in the user folder is never
// replaced.
#include <cstdio>
#include <memory>

#include "commands.h"
#include "frontend/core_library.h"
#include "frontend/data_folder_setting.h"
#include "frontend/result_messages.h"
#include "frontend/roads.h"
#include "platform/platform.h"
#include "terminal_user.h"

namespace varnix::cli {

namespace {

struct PalmOptions {
  std::string backup;
  std::string dataFolder;
  bool expand = false;
  bool deleteBackup = false;
};

// The data folder without trailing separators (the root stays the root).
std::string dataFolderFor(const PalmOptions& o) {
  std::string folder =
      o.dataFolder.empty() ? frontend::settings::currentDataFolder(platform::settingsFolder()) : o.dataFolder;
  while (folder.size() > 1 && platform::isPathSeparator(folder.back())) folder.pop_back();
  return folder;
}

int runPalm(const PalmOptions& o) {
  frontend::CoreLibrary library;
  TerminalUser user;
  user.deleteBackup = o.deleteBackup;
  user.listFlights = false;
  const frontend::PalmRoad road{o.backup, o.expand ? dataFolderFor(o) : std::string(), o.expand};
  const frontend::PalmOutcome out = frontend::runPalmRoad(library, user, road);
  switch (out.stop) {
    case frontend::PalmStop::Converted:
      printLine(out.dump);
      break;
    case frontend::PalmStop::Declined:
      reportMessage(frontend::messages::palmMessage(frontend::messages::PalmNotice::DumpExists, out.dumpName, out.userId));
      break;
    default:
      break;
  }
  return out.code;
}

}  // namespace

void addPalmCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("palm", "Convert a Palm backup (.PDB) into a dump (.DAT) beside it");
  auto o = std::make_shared<PalmOptions>();
  cmd->add_option("file", o->backup, "The Palm backup database")->required();
  auto* expand = cmd->add_flag("--expand", o->expand,
                               "File the dump in its user folder and expand it into flight files");
  cmd->add_option("--data-folder", o->dataFolder, "The data folder (default: the program's setting)")
      ->needs(expand);
  cmd->add_flag("--delete-backup", o->deleteBackup, "Delete the backup when the expansion succeeds")
      ->needs(expand);
  cmd->callback([o, &exitCode] { exitCode = runPalm(*o); });
}

}  // namespace varnix::cli
