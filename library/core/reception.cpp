// SPDX-License-Identifier: MIT
// The reception: one-byte reads, each bounded by the time-out of the state
// the dump is in, until the instrument falls silent. With a progress hook the
// waits are cut into slices, so that the hook hears of the time left and can
// stop the reception while nothing arrives.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "core/download.h"
#include "core/expand.h"
#include "core/header_lines.h"
#include "platform/console_key.h"

namespace varnix {

namespace {

using Clock = std::chrono::steady_clock;

// The closing line and its line end, as the instrument sends them.
constexpr std::size_t kClosingLineBytes = kClosingLine.size() + 2;

bool endsWithClosingLine(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kClosingLineBytes) return false;
  const std::uint8_t* tail = bytes.data() + bytes.size() - kClosingLineBytes;
  return std::memcmp(tail, kClosingLine.data(), kClosingLine.size()) == 0 && tail[kClosingLine.size()] == '\r' &&
         tail[kClosingLine.size() + 1] == '\n';
}

// Follows the stream for the progress hook: where the "$L" line ends and
// what the dump announces there.
class ProgressWatch {
 public:
  ProgressWatch(const DownloadOptions& options, std::int32_t pauseMs) : options_(options), pauseMs_(pauseMs) {}

  // After each stored byte.
  void byteStored(Reception& r) {
    if (flightsBegun_ || !r.marker) return;
    const std::size_t lineStart = *r.marker - 2;
    if (r.bytes.back() == '\n') {
      const auto* text = reinterpret_cast<const char*>(r.bytes.data()) + lineStart;
      r.expected = ExpectedDumpBytes(std::string_view(text, r.received - 1 - lineStart), r.received);
      flightsBegun_ = true;
    } else if (r.received - lineStart > kMaxHeaderLineChars) {
      flightsBegun_ = true;  // no line end where one must be: size unknown
    }
  }

  // Tells the hook where the reception stands, when the phase changed or
  // the interval has passed; true when it asks to stop.
  bool report(const Reception& r, std::int32_t timeout, std::int32_t waited) {
    DownloadProgress p;
    p.phase = phaseOf(r, waited);
    p.received = r.received;
    p.expected = r.expected;
    p.msLeft = std::max(timeout - waited, 0) + pauseMs_;
    return tell(p, false);
  }

  // The same for a state given whole; `always` ignores the interval.
  bool tell(const DownloadProgress& p, bool always) {
    if (!options_.progress) return false;
    const auto now = Clock::now();
    if (!always && reported_ && p.phase == last_ && now - lastCall_ < std::chrono::milliseconds(kProgressIntervalMs))
      return false;
    reported_ = true;
    last_ = p.phase;
    lastCall_ = now;
    return options_.progress(p);
  }

 private:
  DownloadPhase phaseOf(const Reception& r, std::int32_t waited) const {
    if (r.received == 0) return DownloadPhase::WaitingForFirstByte;
    if (!flightsBegun_) return DownloadPhase::Header;
    if (waited >= kSilenceNoticeMs || endsWithClosingLine(r.bytes)) return DownloadPhase::Silence;
    return DownloadPhase::Flights;
  }

  const DownloadOptions& options_;
  std::int32_t pauseMs_;
  bool flightsBegun_ = false;
  bool reported_ = false;
  DownloadPhase last_ = DownloadPhase::WaitingForFirstByte;
  Clock::time_point lastCall_{};
};

void store(Reception& r, std::uint8_t byte) {
  const std::uint8_t previous = r.bytes.empty() ? 0 : r.bytes.back();
  r.bytes.push_back(byte);
  ++r.received;
  if (!r.marker && byte == 'L' && r.received >= 2 && previous == '$') r.marker = r.received;
}

}  // namespace

std::int32_t NextReadTimeout(const Reception& r, const DumpTimeouts& timeouts, std::int32_t headerGapTimeout) {
  if (r.received == 0) return timeouts.firstByteTimeout;
  if (!r.marker || r.received == *r.marker) return headerGapTimeout;
  return timeouts.endOfDumpTimeout;
}

std::uint64_t ExpectedDumpBytes(std::string_view line, std::size_t lineEnd) {
  HeaderState marker{};
  const HeaderLineVerdict verdict = ParseHeaderLine(line, marker);
  if (!verdict.valid || verdict.letter != 'L' || marker.flightDataBytes < 0) return 0;
  return lineEnd + static_cast<std::uint64_t>(marker.flightDataBytes) + kClosingLineBytes;
}

Reception ReceiveDump(platform::SerialPort& port, const DumpTimeouts& timeouts, const DownloadOptions& options) {
  Reception r;
  r.bytes.reserve(kReceiveBufferBytes);
  ProgressWatch watch(options, options.silencePause);
  std::int32_t waited = 0;  // of the current wait, in slices that ran out
  if (watch.report(r, timeouts.firstByteTimeout, 0)) {
    r.end = ReceptionEnd::Cancelled;
    return r;
  }
  for (;;) {
    if (options.keyPressEnds && platform::consoleKeyWaiting()) {
      r.end = ReceptionEnd::KeyPressed;
      break;
    }
    const std::int32_t timeout = NextReadTimeout(r, timeouts, options.headerGapTimeout);
    const std::int32_t rest = timeout - waited;
    const std::int32_t slice = options.progress ? std::min(rest, kProgressIntervalMs) : rest;
    std::uint8_t byte = 0;
    const auto status = port.readByte(byte, slice);
    if (status == platform::ReadStatus::Byte) {
      store(r, byte);
      watch.byteStored(r);
      waited = 0;
      if (r.received >= kMaxDumpBytes) {
        r.end = ReceptionEnd::CapReached;
        break;
      }
    } else if (status == platform::ReadStatus::TimedOut) {
      waited += slice;
      if (waited >= timeout) {
        r.end = ReceptionEnd::TimedOut;
        break;
      }
    } else if (status == platform::ReadStatus::Failed) {
      r.end = ReceptionEnd::ReadFailed;
      break;
    } else if (status == platform::ReadStatus::HungUp) {
      r.end = ReceptionEnd::HungUp;
      break;
    }
    if (watch.report(r, NextReadTimeout(r, timeouts, options.headerGapTimeout), waited)) {
      r.end = ReceptionEnd::Cancelled;
      break;
    }
  }
  // The hook hears where the line stopped, exactly: the reports in between
  // come at most every interval, so the last of them may be older.
  if (r.received > 0 && (r.end == ReceptionEnd::TimedOut || r.end == ReceptionEnd::HungUp)) {
    DownloadProgress last;
    last.phase = DownloadPhase::Silence;
    last.received = r.received;
    last.expected = r.expected;
    last.msLeft = r.end == ReceptionEnd::TimedOut ? options.silencePause : 0;
    if (watch.tell(last, true)) r.end = ReceptionEnd::Cancelled;  // no pause then
  }
  return r;
}

void PauseAfterSilence(const Reception& r, const DownloadOptions& options) {
  if (!options.progress) {
    platform::pauseMilliseconds(options.silencePause);
    return;
  }
  ProgressWatch watch(options, 0);
  DownloadProgress p;
  p.phase = r.received > 0 ? DownloadPhase::Silence : DownloadPhase::WaitingForFirstByte;
  p.received = r.received;
  p.expected = r.expected;
  // The reception told the start of the pause when bytes had come.
  if (r.received == 0) {
    p.msLeft = options.silencePause;
    if (watch.tell(p, true)) return;
  }
  for (std::int32_t left = options.silencePause; left > 0;) {
    const std::int32_t step = std::min(left, kProgressIntervalMs);
    platform::pauseMilliseconds(step);
    left -= step;
    p.msLeft = left;
    if (left > 0 && watch.tell(p, true)) return;
  }
}

}  // namespace varnix
