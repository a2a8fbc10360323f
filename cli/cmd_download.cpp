// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli download: receives one dump from the instrument over the serial
// port and files it in the data folder, as the desktop program's Download
// button does; with --expand it goes on to expand the stored dump.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "commands.h"
#include "core/config_files.h"
#include "core/download.h"
#include "frontend/core_library.h"
#include "frontend/data_folder_setting.h"
#include "frontend/result_messages.h"
#include "frontend/roads.h"
#include "platform/platform.h"
#include "terminal_user.h"

namespace varnix::cli {

namespace {

struct DownloadArgs {
  std::string port;
  std::int32_t baud = 0;
  std::int32_t firstByteSeconds = 0;
  std::int32_t endSeconds = 0;
  std::string dataFolder;
  bool expand = false;
};

// Seconds that still fit in 32-bit milliseconds.
constexpr std::int32_t kMaxSeconds = 2147483;

// The download screen's road, with the command's output on the way.
class DownloadUser : public TerminalUser {
 public:
  bool counted = false;  // the progress line needs its line feed
  void step(frontend::Step step, const std::string& path) override {
    if (counted) std::fprintf(stderr, "\n");
    counted = false;
    TerminalUser::step(step, path);
  }
};

int runDownload(const DownloadArgs& args) {
  // The settings files as the library reads them, then the options over them.
  frontend::CoreLibrary library;
  PortSettings& port = library.download.port;
  port = ReadPortSettings().value_or(PortSettings{});
  if (!args.port.empty()) port.portName = args.port;
  if (args.baud > 0) port.baudRate = args.baud;
  if (port.portName.empty() || port.baudRate <= 0) {
    reportMessage(messages::downloadMessage(kDownloadNoSettings, port.portName));
    return kDownloadNoSettings;
  }
  DumpTimeouts& timeouts = library.download.timeouts;
  timeouts = ReadDumpTimeouts();
  if (args.firstByteSeconds > 0) timeouts.firstByteTimeout = args.firstByteSeconds * 1000;
  if (args.endSeconds > 0) timeouts.endOfDumpTimeout = args.endSeconds * 1000;
  const std::string folder =
      args.dataFolder.empty() ? settings::currentDataFolder(platform::settingsFolder()) : args.dataFolder;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);  // a fresh --data-folder

  DownloadUser user;
  user.writtenLines = &library.writtenIndexLines();
  if (::isatty(STDERR_FILENO) != 0) {
    std::fprintf(stderr, "Listening on %s at %d baud. Start the dump on the instrument now (Enter stops).\n",
                 port.portName.c_str(), static_cast<int>(port.baudRate));
    library.download.options.progress = [&user](std::size_t n) {
      if (n == 0) return;
      std::fprintf(stderr, "\rReceived %zu bytes", n);
      user.counted = true;
    };
  }
  const frontend::DownloadRoad road{folder, port.portName, args.expand};
  return frontend::runDownloadRoad(library, user, road).code;
}

}  // namespace

void addDownloadCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand(
      "download", "Receive one dump from the instrument over the serial port and file it in the data folder");
  auto args = std::make_shared<DownloadArgs>();
  cmd->add_option("--port", args->port, "Serial port (default: from VARNIX.CFG); COM1-COM9 or a device path");
  cmd->add_option("--baud", args->baud, "Baud rate (default: from VARNIX.CFG)")->check(CLI::PositiveNumber);
  cmd->add_option("--first-byte-timeout", args->firstByteSeconds,
                  "Seconds to wait for the first byte (default: from TIMEOUT.CFG, else 15)")
      ->check(CLI::Range(1, kMaxSeconds));
  cmd->add_option("--end-timeout", args->endSeconds,
                  "Seconds of silence that end the dump (default: from TIMEOUT.CFG, else 2)")
      ->check(CLI::Range(1, kMaxSeconds));
  cmd->add_option("--data-folder", args->dataFolder, "Data folder (default: the program's data folder)");
  cmd->add_flag("--expand", args->expand, "Expand the stored dump into its flight index and CSV files");
  // An option given twice takes its later value, so a script can override its defaults.
  for (auto* option : cmd->get_options()) option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  cmd->callback([args, &exitCode] { exitCode = runDownload(*args); });
}

}  // namespace varnix::cli
