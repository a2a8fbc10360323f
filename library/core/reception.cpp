// SPDX-License-Identifier: MIT
// The reception: one-byte reads, each bounded by the time-out of the state
// the dump is in, until the instrument falls silent.
#include "core/download.h"
#include "platform/console_key.h"

namespace varnix {

namespace {

// How often the progress callback hears of new bytes.
constexpr std::size_t kProgressEvery = 256;

void store(Reception& r, std::uint8_t byte, std::uint8_t previous) {
  if (r.bytes.size() < kMaxDumpBytes) r.bytes.push_back(byte);
  ++r.received;
  if (!r.marker && byte == 'L' && r.received >= 2 && previous == '$') r.marker = r.received;
}

}  // namespace

std::int32_t NextReadTimeout(const Reception& r, const DumpTimeouts& timeouts, std::int32_t headerGapTimeout) {
  if (r.received == 0) return timeouts.firstByteTimeout;
  if (!r.marker || r.received == *r.marker) return headerGapTimeout;
  return timeouts.endOfDumpTimeout;
}

Reception ReceiveDump(platform::SerialPort& port, const DumpTimeouts& timeouts, const DownloadOptions& options) {
  Reception r;
  r.bytes.reserve(kReceiveBufferBytes);
  std::uint8_t previous = 0;
  for (;;) {
    if (options.keyPressEnds && platform::consoleKeyWaiting()) {
      r.end = ReceptionEnd::KeyPressed;
      break;
    }
    std::uint8_t byte = 0;
    const auto status = port.readByte(byte, NextReadTimeout(r, timeouts, options.headerGapTimeout));
    if (status == platform::ReadStatus::Byte) {
      store(r, byte, previous);
      previous = byte;
      if (options.progress && r.received % kProgressEvery == 0) options.progress(r.received);
    } else if (status == platform::ReadStatus::TimedOut) {
      r.end = ReceptionEnd::TimedOut;
      break;
    } else if (status == platform::ReadStatus::Failed) {
      r.end = ReceptionEnd::ReadFailed;
      break;
    }
  }
  if (options.progress) options.progress(r.received);
  return r;
}

}  // namespace varnix
