// SPDX-License-Identifier: GPL-3.0-or-later
// What a person is shown of a running download: the phase in words, the
// share received, the rate, the elapsed time and the time left. Fed with the
// library's progress reports and the caller's clock, so that the download
// screen and varnix-cli show the same figures and tests need no clock.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <utility>

#include "core/download.h"

namespace varnix::frontend::progress {

class DownloadMeter {
 public:
  // One report from the library, at `nowMs` on any steady clock in ms.
  void update(const DownloadProgress& p, std::int64_t nowMs);

  const DownloadProgress& last() const { return last_; }
  std::int64_t elapsedMs() const { return elapsedMs_; }
  // 0 to 100 once the expected size is known.
  std::optional<int> percent() const;
  // Bytes a second over the last few seconds; none before two reports with bytes.
  std::optional<double> bytesPerSecond() const;
  // Until the download ends: the wait's rest while waiting or in the
  // silence, the expected bytes at the measured rate while flights arrive.
  std::optional<std::int64_t> msLeft() const;

  // "Receiving flights", "Start the dump on the instrument now — waiting 12 s", ...
  std::string phaseText() const;
  // "123,456 of 700,009 bytes" (or "123,456 bytes" while the size is unknown).
  std::string bytesText() const;
  // varnix-cli's one line: phase, bytes, percent, rate, time left.
  std::string statusLine() const;

 private:
  DownloadProgress last_;
  std::optional<std::int64_t> startMs_;
  std::int64_t elapsedMs_ = 0;
  std::deque<std::pair<std::int64_t, std::size_t>> samples_;  // (ms, bytes) of the last few seconds
};

// "1,234,567".
std::string groupedDigits(std::uint64_t n);
// "12 s", "3:05", "1:02:03".
std::string durationText(std::int64_t ms);
// "960 B/s", "11.2 KB/s".
std::string rateText(double bytesPerSecond);

}  // namespace varnix::frontend::progress
