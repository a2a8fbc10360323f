// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-sim: a simulated QTM instrument. It sends a dump file as the
// instrument does, over a pseudo-terminal that it creates (its path is the
// first line on standard output) or over a real serial port, so that the
// download can be tried without an aircraft and a cable can be checked.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <termios.h>
#include <unistd.h>

#include "dump_sender.h"
#include "make_dump.h"
#include "sim_line.h"

namespace {

int toMs(double seconds) { return seconds > 0 ? static_cast<int>(seconds * 1000.0 + 0.5) : 0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == "make-dump") return varnix::sim::makeDump(argc - 1, argv + 1);
  CLI::App app{"varnix-sim: sends a dump file as a QTM engine monitor does, over a serial line.\n"
               "varnix-sim make-dump -o FILE.DAT [...] writes a dump of realistic flights (make-dump --help)."};
  std::string dumpPath, device;
  int baud = 0, repeat = 1;
  double firstPause = 0, linePause = 0, markerPause = 0, waitSeconds = -1;
  app.set_version_flag("--version", "varnix-sim " VARNIX_VERSION);
  app.add_option("dump", dumpPath, "The .DAT dump to send")->required()->check(CLI::ExistingFile);
  app.add_option("--device", device,
                 "Send over this serial port (raw 8N1) instead of a new pseudo-terminal");
  app.add_option("--baud", baud,
                 "Pace the bytes at this rate (10 bits a byte); 0 sends as fast as the line takes them. "
                 "On a serial port it is also the line's rate (19200 when 0)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--first-byte-pause", firstPause, "Seconds before the first byte")->check(CLI::NonNegativeNumber);
  app.add_option("--line-pause", linePause, "Seconds after each header line before the \"$L\" line")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--marker-pause", markerPause, "Seconds after the \"$L\" line")->check(CLI::NonNegativeNumber);
  app.add_option("--repeat", repeat, "Send the dump this many times, once to each download")
      ->check(CLI::PositiveNumber);
  app.add_option("--wait", waitSeconds,
                 "On a pseudo-terminal: seconds to wait for each download to open it (default: for ever)");
  CLI11_PARSE(app, argc, argv);

  std::ifstream in(dumpPath, std::ios::binary);
  const std::string dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    std::fprintf(stderr, "cannot read %s\n", dumpPath.c_str());
    return 1;
  }
  varnix::sim::Pacing pacing;
  pacing.baud = baud;
  pacing.firstBytePauseMs = toMs(firstPause);
  pacing.headerLinePauseMs = toMs(linePause);
  pacing.markerPauseMs = toMs(markerPause);

  if (!device.empty()) {
    const int fd = varnix::sim::openSerialDevice(device, baud > 0 ? baud : 19200);
    if (fd < 0) {
      std::fprintf(stderr, "cannot open or set up %s\n", device.c_str());
      return 1;
    }
    std::printf("%s\n", device.c_str());
    std::fflush(stdout);
    bool ok = true;
    for (int i = 0; i < repeat && ok; ++i) {
      ok = varnix::sim::sendDump(fd, dump, pacing);
      ::tcdrain(fd);
    }
    ::close(fd);
    return ok ? 0 : 1;
  }

  std::unique_ptr<varnix::sim::PtyLine> line;
  try {
    line = std::make_unique<varnix::sim::PtyLine>();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::printf("%s\n", line->path().c_str());
  std::fflush(stdout);
  const int waitMs = waitSeconds < 0 ? -1 : toMs(waitSeconds);
  for (int i = 0; i < repeat; ++i) {
    if (!line->waitForReceiver(waitMs)) {
      std::fprintf(stderr, "nobody opened %s\n", line->path().c_str());
      return 1;
    }
    std::fprintf(stderr, "sending %zu bytes\n", dump.size());
    if (!varnix::sim::sendDump(line->fd(), dump, pacing)) {
      std::fprintf(stderr, "the download went away before it took every byte\n");
      return 1;
    }
    // Closing now would drop what the receiver has not read yet.
    line->waitForReceiverGone(-1);
    std::fprintf(stderr, "sent\n");
  }
  return 0;
}
