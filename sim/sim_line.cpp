// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <stdexcept>

namespace varnix::sim {

namespace {

void makeRaw(termios& t) {
  ::cfmakeraw(&t);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
}

long long nowMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Whether the other end of the pseudo-terminal is closed: the sending end
// then reports a hang-up.
bool receiverAbsent(int fd) {
  pollfd p{fd, 0, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
}

}  // namespace

PtyLine::PtyLine() {
  fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0 || ::grantpt(fd_) != 0 || ::unlockpt(fd_) != 0) {
    if (fd_ >= 0) ::close(fd_);
    throw std::runtime_error("no pseudo-terminal available");
  }
  char name[128];
  if (::ptsname_r(fd_, name, sizeof name) != 0) {
    ::close(fd_);
    throw std::runtime_error("no pseudo-terminal name");
  }
  path_ = name;
  // Raw from the start, so that no byte is changed before the receiver sets
  // the line up itself. The settings stay when this end closes again, and
  // from then on the sending end sees a hang-up until a receiver opens.
  const int other = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (other < 0) {
    ::close(fd_);
    throw std::runtime_error("cannot open " + path_);
  }
  termios t{};
  if (::tcgetattr(other, &t) == 0) {
    makeRaw(t);
    ::tcsetattr(other, TCSANOW, &t);
  }
  ::close(other);
  // Writes wait for room in the receiver's queue; see DumpSender.
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

PtyLine::~PtyLine() {
  if (fd_ >= 0) ::close(fd_);
}

bool PtyLine::waitForReceiver(int timeoutMs) const {
  // A hang-up cannot be waited away with poll(): look now and then.
  const long long deadline = nowMs() + timeoutMs;
  while (receiverAbsent(fd_)) {
    if (timeoutMs >= 0 && nowMs() >= deadline) return false;
    ::usleep(10000);
  }
  return true;
}

bool PtyLine::waitForReceiverGone(int timeoutMs) const {
  const long long deadline = nowMs() + timeoutMs;
  for (;;) {
    const long long left = deadline - nowMs();
    if (timeoutMs >= 0 && left <= 0) return receiverAbsent(fd_);
    pollfd p{fd_, 0, 0};
    const int n = ::poll(&p, 1, timeoutMs < 0 ? 1000 : static_cast<int>(left < 1000 ? left : 1000));
    if (n == 1 && (p.revents & POLLHUP)) return true;
    if (n < 0 && errno != EINTR) return false;
  }
}

int openSerialDevice(const std::string& path, int baud) {
  speed_t speed;
  switch (baud) {
    case 1200: speed = B1200; break;
    case 2400: speed = B2400; break;
    case 4800: speed = B4800; break;
    case 9600: speed = B9600; break;
    case 19200: speed = B19200; break;
    case 38400: speed = B38400; break;
    case 57600: speed = B57600; break;
    case 115200: speed = B115200; break;
    default: return -1;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  termios t{};
  if (::tcgetattr(fd, &t) != 0) {
    ::close(fd);
    return -1;
  }
  makeRaw(t);
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0 || ::tcsetattr(fd, TCSANOW, &t) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace varnix::sim
