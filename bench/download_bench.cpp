// SPDX-License-Identifier: GPL-3.0-or-later
// Download figures over a pseudo-terminal with the simulated instrument:
// a 700,000-byte dump sent as fast as the line takes it, the CPU time spent
// waiting 15 s for a first byte that never comes, and how soon the end of a
// dump is noticed. Prints figures; asserts nothing.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "core/download.h"
#include "dump_sender.h"
#include "sim_line.h"
#include "support/dump_builder.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double threadCpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_THREAD, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Outcome {
  varnix::DownloadResult result;
  double total = 0;         // seconds from the call to its return
  double afterLast = 0;     // seconds from the last byte written to the return
  double cpu = 0;           // CPU seconds of the downloading thread
};

Outcome downloadOnce(const std::string& dump, const varnix::DumpTimeouts& timeouts, const std::string& dataArg,
                     const std::string& workFolder) {
  varnix::sim::PtyLine line;
  std::atomic<Clock::rep> lastByte{0};
  std::thread instrument([&] {
    if (!line.waitForReceiver(60000)) return;
    varnix::sim::sendDump(line.fd(), dump, {});
    lastByte = Clock::now().time_since_epoch().count();
    line.waitForReceiverGone(120000);
  });
  varnix::DownloadOptions options;
  options.workingFolder = workFolder;
  options.keyPressEnds = false;
  const auto port = varnix::platform::makeSerialPort();
  const double cpu0 = threadCpuSeconds();
  const auto t0 = Clock::now();
  Outcome o;
  varnix::HeaderState header{};
  o.result = varnix::DownloadDump(*port, varnix::PortSettings{line.path(), 19200}, timeouts, dataArg, header, options);
  const auto t1 = Clock::now();
  o.cpu = threadCpuSeconds() - cpu0;
  instrument.join();
  o.total = seconds(t1 - t0);
  if (lastByte != 0) o.afterLast = seconds(t1 - Clock::time_point(Clock::duration(lastByte.load())));
  return o;
}

}  // namespace

int main() {
  varnix::test::TempDir work, data;
  const varnix::DumpTimeouts defaults{15000, 2000};

  // 1. A dump as large as the instrument's memory, as fast as it goes.
  varnix::test::DumpBuilder b;
  b.line("U,N123AB").line("L,2734");
  std::string body;
  for (std::size_t i = 0; body.size() + b.size() + 9 < 700000; ++i) body += static_cast<char>(i * 131 + i / 7);
  b.text(body).closing();
  const Outcome big = downloadOnce(b.str(), defaults, data.folderArgument(), work.path());
  const std::string stored = varnix::test::readFile(big.result.path);
  const double receiving = big.total - big.afterLast;
  std::printf("700,000-byte dump over a pseudo-terminal: code %d, %zu of %zu bytes stored, %s\n",
              big.result.code, stored.size(), b.size(), stored == b.str() ? "identical" : "DIFFERENT");
  std::printf("  receiving took %.2f s (%.0f bytes/s); the call took %.2f s in all\n", receiving,
              receiving > 0 ? static_cast<double>(b.size()) / receiving : 0.0, big.total);
  std::printf("  CPU time of the downloading thread: %.2f s\n", big.cpu);

  // 2. End of the dump: from the last byte to the return, against the
  // end-of-dump time-out plus the pause plus 100 ms.
  const std::string small = varnix::test::DumpBuilder().line("U,N123AB").line("L,0").closing().str();
  const Outcome end = downloadOnce(small, defaults, data.folderArgument(), work.path());
  std::printf("End of dump noticed %.3f s after the last byte (limit %.3f s): %s\n", end.afterLast,
              (defaults.endOfDumpTimeout + varnix::kSilencePause + 100) / 1000.0,
              end.afterLast <= (defaults.endOfDumpTimeout + varnix::kSilencePause + 100) / 1000.0 ? "within" : "OVER");

  // 3. Waiting 15 s for a first byte that never comes.
  const Outcome idle = downloadOnce("", defaults, data.folderArgument(), work.path());
  std::printf("Waiting for a first byte: code %d after %.2f s, CPU time %.4f s (limit 0.1 s)\n", idle.result.code,
              idle.total, idle.cpu);
  return 0;
}
