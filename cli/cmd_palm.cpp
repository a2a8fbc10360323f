// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli palm FILE.PDB [--expand] [--data-folder DIR] [--delete-backup]:
// converts a Palm backup into a dump beside it and, with --expand, files the
// dump in its user folder and expands it as the Palm screen does, without
// its questions: a dump of the same name in the user folder is never
// replaced.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "commands.h"
#include "core/expand.h"
#include "core/palm.h"
#include "core/user_id.h"
#include "data_folder_setting.h"
#include "platform/platform.h"
#include "result_messages.h"

namespace varnix::cli {

namespace {

// Exit status when the dump could not be filed in its user folder (one of
// that name is there already, or the move failed); the library has no code
// for it.
constexpr int kNotFiled = 10;

struct PalmOptions {
  std::string backup;
  std::string dataFolder;
  bool expand = false;
  bool deleteBackup = false;
};

std::string fileNameOf(const std::string& path) {
  const std::size_t cut = platform::lastSeparator(path);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The data folder without trailing separators (the root stays the root).
std::string dataFolderFor(const PalmOptions& o) {
  std::string folder =
      o.dataFolder.empty() ? settings::currentDataFolder(platform::settingsFolder()) : o.dataFolder;
  while (folder.size() > 1 && platform::isPathSeparator(folder.back())) folder.pop_back();
  return folder;
}

// Moves `from` to `to` and never replaces a file at `to`; across file
// systems the dump is copied and the original removed.
bool moveWithoutReplacing(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::exists(to, ec) || ec) return false;
  fs::rename(from, to, ec);
  if (!ec) return true;
  if (!fs::copy_file(from, to, fs::copy_options::none, ec) || ec) return false;
  fs::remove(from, ec);
  return true;
}

int fileAndExpand(const PalmOptions& o, const std::string& dump) {
  using messages::PalmNotice;
  std::string userId;
  HeaderState header{};
  const int idCode = ReadUserId(dump, userId, header);
  userId = trimmed(userId);

  const std::string dataFolder = dataFolderFor(o);
  const std::string userFolder = dataFolder + platform::kPathSeparator + userId;
  if (!platform::folderExists(userFolder)) platform::makeFolder(userFolder);

  const std::string name = fileNameOf(dump);
  const std::string target = userFolder + platform::kPathSeparator + name;
  if (platform::fileExists(target) || platform::folderExists(target)) {
    reportMessage(messages::palmMessage(PalmNotice::DumpExists, name, userId));
    return kNotFiled;
  }
  if (!moveWithoutReplacing(dump, target)) {
    reportMessage(messages::palmMessage(PalmNotice::NotMoved, name, userId));
    return kNotFiled;
  }
  std::printf("%s\n", target.c_str());
  if (idCode != 0) {
    reportMessage(messages::palmMessage(PalmNotice::NoUserId, name, userId));
    return idCode;
  }
  reportMessage(messages::palmMessage(PalmNotice::AboutToExpand, name, userId));
  const int code = ExpandDataFile(target, dataFolder + platform::kPathSeparator, header);
  reportMessage(messages::expandMessage(code, target));
  if (code == 0 && o.deleteBackup) platform::removeFile(o.backup);
  return code;
}

int runPalm(const PalmOptions& o) {
  std::string path = o.backup;
  const int code = ProcessPalmFile(path);
  if (code != kPalmDone) {
    reportMessage(messages::palmMessage(messages::PalmNotice::ConversionFailed, fileNameOf(o.backup)));
    return code;
  }
  if (path == o.backup) {
    // Not a .PDB path: nothing was written, and the backup must not be
    // filed as if it were a dump.
    reportMessage(messages::palmMessage(messages::PalmNotice::NotConverted, o.backup));
    return code;
  }
  if (!o.expand) {
    std::printf("%s\n", path.c_str());
    return code;
  }
  return fileAndExpand(o, path);
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
