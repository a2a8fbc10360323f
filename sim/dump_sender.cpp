// SPDX-License-Identifier: GPL-3.0-or-later
#include "dump_sender.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <utility>

namespace varnix::sim {

namespace {

long long nowUs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

void sleepUs(long long us) {
  if (us <= 0) return;
  timespec ts{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// Pauses for `ms`, but ends early (false) when the receiver has gone: a
// pseudo-terminal whose other end closed reports a hang-up.
bool pauseWhileListened(int fd, int ms) {
  const long long end = nowUs() + static_cast<long long>(ms) * 1000;
  for (long long left = end - nowUs(); left > 0; left = end - nowUs()) {
    pollfd p{fd, 0, 0};
    const int n = ::poll(&p, 1, static_cast<int>(std::min<long long>(left / 1000 + 1, 50)));
    if (n == 1 && (p.revents & POLLHUP)) return false;
  }
  return true;
}

bool writeAll(int fd, const char* data, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, data, n);
    if (w > 0) {
      data += w;
      n -= static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN) return false;
    // The receiver's queue is full: wait for room, unless nobody reads.
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, 200) < 0 && errno != EINTR) return false;
    if ((p.revents & POLLHUP) && !(p.revents & POLLOUT)) return false;
  }
  return true;
}

// Sends one stretch without pauses, at the line's pace or paced at `baud`.
bool sendStretch(int fd, std::string_view bytes, int baud) {
  if (baud <= 0) return writeAll(fd, bytes.data(), bytes.size());
  const long long start = nowUs();
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    // Bytes whose time has come: byte i leaves at i * 10 bits / baud.
    const long long elapsed = nowUs() - start;
    std::size_t due = static_cast<std::size_t>(elapsed * baud / 10 / 1000000) + 1;
    due = std::min(due, bytes.size());
    if (due > sent) {
      if (!writeAll(fd, bytes.data() + sent, due - sent)) return false;
      sent = due;
      continue;
    }
    const long long next = start + static_cast<long long>(sent) * 10 * 1000000 / baud;
    sleepUs(next - nowUs());
  }
  return true;
}

}  // namespace

HeaderBreaks findHeaderBreaks(std::string_view dump) {
  HeaderBreaks breaks;
  std::size_t p = 0;
  while (p + 1 < dump.size() && dump[p] == '$') {
    const std::size_t lf = dump.find('\n', p);
    if (lf == std::string_view::npos) break;
    if (dump[p + 1] == 'L') {
      breaks.markerLineEnd = lf + 1;
      break;
    }
    breaks.lineEnds.push_back(lf + 1);
    p = lf + 1;
  }
  return breaks;
}

bool sendDump(int fd, std::string_view dump, const Pacing& pacing) {
  // (offset, pause) pairs: the pause comes once `offset` bytes are out.
  std::vector<std::pair<std::size_t, int>> pauses;
  const HeaderBreaks breaks = findHeaderBreaks(dump);
  if (pacing.headerLinePauseMs > 0)
    for (std::size_t end : breaks.lineEnds) pauses.emplace_back(end, pacing.headerLinePauseMs);
  if (pacing.markerPauseMs > 0 && breaks.markerLineEnd > 0) pauses.emplace_back(breaks.markerLineEnd, pacing.markerPauseMs);
  if (pacing.pauseAfterBytes > 0 && pacing.pauseAfterBytesMs > 0)
    pauses.emplace_back(pacing.pauseAfterBytes, pacing.pauseAfterBytesMs);
  std::stable_sort(pauses.begin(), pauses.end());

  sleepUs(static_cast<long long>(pacing.firstBytePauseMs) * 1000);
  std::size_t sent = 0;
  for (const auto& [offset, ms] : pauses) {
    if (offset >= dump.size()) break;
    if (offset > sent) {
      if (!sendStretch(fd, dump.substr(sent, offset - sent), pacing.baud)) return false;
      sent = offset;
    }
    if (!pauseWhileListened(fd, ms)) return false;
  }
  return sendStretch(fd, dump.substr(sent), pacing.baud);
}

}  // namespace varnix::sim
