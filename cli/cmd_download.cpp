// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli download: receives one dump from the instrument over the serial
// port and files it in the data folder, as the desktop program's Download
// button does; with --expand it goes on to expand the stored dump. A
// one-line progress display on stderr; Ctrl-C, SIGTERM, a hang-up or SIGQUIT
// stop the reception and what arrived is filed.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>

#include "commands.h"
#include "core/config_files.h"
#include "flight_json.h"
#include "core/download.h"
#include "frontend/core_library.h"
#include "frontend/data_folder_setting.h"
#include "frontend/download_meter.h"
#include "frontend/result_messages.h"
#include "frontend/roads.h"
#include "platform/fs_path.h"
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
  bool progress = false;
  bool quiet = false;
};

// Set by a stop signal; the progress hook then stops the reception.
volatile std::sig_atomic_t gStopAsked = 0;

// The handler puts the default back, so a second Ctrl-C ends the program at
// once. A hang-up stays handled: a closed terminal sends it more than once
// (the kernel and the shell that passes its own on), and each is the same.
extern "C" void askToStop(int signal) {
  gStopAsked = 1;
#ifdef SIGHUP
  if (signal == SIGHUP) {
    std::signal(SIGHUP, askToStop);
    return;
  }
#endif
  std::signal(signal, SIG_DFL);
}

// Ctrl-C, SIGTERM, a hang-up (the SSH session or the terminal window
// closed) and SIGQUIT stop the reception while it runs, and what arrived
// is filed (std::signal, so the Windows build has the first two).
class StopSignals {
 public:
  StopSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) old_[i] = std::signal(kSignals[i], askToStop);
  }
  ~StopSignals() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
      std::signal(kSignals[i], old_[i] == SIG_ERR ? SIG_DFL : old_[i]);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  static constexpr int kSignals[] = {
      SIGINT, SIGTERM,
#ifdef SIGHUP
      SIGHUP,
#endif
#ifdef SIGQUIT
      SIGQUIT,
#endif
  };
  using Handler = void (*)(int);
  Handler old_[std::size(kSignals)] = {};
};

// Exit status of a dump filed (and expanded without fault) although the
// line fell silent or hung up before the bytes its header announced had
// arrived; the library's codes go up to 14.
constexpr int kDownloadCutShort = 15;

std::int64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Seconds that still fit in 32-bit milliseconds.
constexpr std::int32_t kMaxSeconds = 2147483;

// The download screen's road, with the command's output on the way: the
// progress line on stderr, rewritten in place, ended when the dump is in.
class DownloadUser : public TerminalUser {
 public:
  bool shown = false;     // the progress line is wanted
  bool stopped = false;   // a signal stopped the download
  std::size_t received = 0;

  bool progress(const DownloadProgress& p) {
    received = p.received;
    if (shown) {
      meter_.update(p, steadyMs());
      show(meter_.statusLine());
    }
    stopped = gStopAsked != 0;
    return stopped;
  }
  void step(frontend::Step step, const std::string& path) override {
    if (!line_.empty()) std::fprintf(stderr, "\n");
    line_.clear();
    if (step == frontend::Step::DumpReceived && stopped)
      std::fprintf(stderr, "Stopped: %s bytes received.\n", frontend::progress::groupedDigits(received).c_str());
    TerminalUser::step(step, path);
  }

 private:
  void show(const std::string& text) {
    if (text == line_) return;
    const std::size_t pad = line_.size() > text.size() ? line_.size() - text.size() : 0;
    std::fprintf(stderr, "\r%s%s", text.c_str(), std::string(pad, ' ').c_str());
    std::fflush(stderr);
    line_ = text;
  }

  frontend::progress::DownloadMeter meter_;
  std::string line_;
};

int runDownload(const DownloadArgs& args) {
  // The settings files as the library reads them, then the options over them.
  frontend::CoreLibrary library;
  PortSettings& port = library.download.port;
  port = ReadPortSettings().value_or(PortSettings{});
  if (!args.port.empty()) port.portName = args.port;
  if (args.baud > 0) port.baudRate = args.baud;
  if (port.portName.empty() || port.baudRate <= 0) {
    reportMessage(frontend::messages::downloadMessage(kDownloadNoSettings, port.portName));
    return kDownloadNoSettings;
  }
  DumpTimeouts& timeouts = library.download.timeouts;
  timeouts = ReadDumpTimeouts();
  if (args.firstByteSeconds > 0) timeouts.firstByteTimeout = args.firstByteSeconds * 1000;
  if (args.endSeconds > 0) timeouts.endOfDumpTimeout = args.endSeconds * 1000;
  const std::string folder =
      args.dataFolder.empty() ? frontend::settings::currentDataFolder(platform::settingsFolder()) : args.dataFolder;
  std::error_code ignored;
  std::filesystem::create_directories(platform::utf8Path(folder), ignored);  // a fresh --data-folder

  DownloadUser user;
  user.writtenLines = &library.writtenIndexLines();
  user.shown = !args.quiet && (args.progress || ::isatty(STDERR_FILENO) != 0);
  if (user.shown)
    std::fprintf(stderr, "Listening on %s at %d baud. Start the dump on the instrument now (Enter or Ctrl-C stops).\n",
                 terminalText(port.portName).c_str(), static_cast<int>(port.baudRate));
  frontend::DownloadRoad road{folder, port.portName, args.expand};
  road.progress = [&user](const DownloadProgress& p) { return user.progress(p); };
  // A stopped download is filed, not expanded: the user asked to stop.
  road.expandAfterStop = false;
  gStopAsked = 0;
  const StopSignals signals;
  const frontend::DownloadOutcome outcome = frontend::runDownloadRoad(library, user, road);
  return outcome.cutShort && outcome.code == 0 ? kDownloadCutShort : outcome.code;
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
  auto* shown = cmd->add_flag("--progress", args->progress,
                              "Show the progress line on stderr even when it is not a terminal");
  cmd->add_flag("--quiet", args->quiet, "Show no progress line")->excludes(shown);
  // An option given twice takes its later value, so a script can override its defaults.
  for (auto* option : cmd->get_options()) option->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  cmd->callback([args, &exitCode] { exitCode = runDownload(*args); });
}

}  // namespace varnix::cli
