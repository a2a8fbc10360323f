// SPDX-License-Identifier: MIT
// Serial port on POSIX systems: termios for the line settings, poll() to
// bound each wait for a byte. Queue sizes, read time-outs and the read event
// of the Windows port have no counterpart here, so the set-up steps 2, 4 and
// 5 never fail on POSIX: every failure is either opening (1) or the line
// settings (3).
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <ctime>

#include "platform/serial_port.h"

namespace varnix::platform {

namespace {

struct SpeedEntry {
  std::int32_t baud;
  speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400},
};

bool speedFor(std::int32_t baud, speed_t& speed) {
  for (const auto& e : kSpeeds) {
    if (e.baud == baud) {
      speed = e.speed;
      return true;
    }
  }
  return false;
}

std::int64_t nowMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

class PosixSerialPort final : public SerialPort {
 public:
  ~PosixSerialPort() override { close(); }

  PortSetup open(const std::string& name, std::int32_t baudRate, std::uint32_t /*queueBytes*/) override {
    close();
    fd_ = ::open(serialDeviceName(name).c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return PortSetup::CannotOpen;
    // Nobody else may open the port while a dump arrives.
    if (::ioctl(fd_, TIOCEXCL) != 0 && errno != ENOTTY) {
      close();
      return PortSetup::CannotOpen;
    }
    if (!setLine(baudRate)) {
      close();
      return PortSetup::LineSettings;
    }
    return PortSetup::Ready;
  }

  ReadStatus readByte(std::uint8_t& byte, std::int32_t timeoutMs) override {
    if (fd_ < 0) return ReadStatus::Failed;
    if (next_ < filled_) {
      byte = queue_[next_++];
      return ReadStatus::Byte;
    }
    const std::int64_t deadline = nowMs() + (timeoutMs > 0 ? timeoutMs : 0);
    for (;;) {
      const std::int64_t left = deadline - nowMs();
      pollfd p{fd_, POLLIN, 0};
      const int n = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        return ReadStatus::Failed;
      }
      if (n == 0) return ReadStatus::TimedOut;
      if (p.revents & POLLNVAL) return ReadStatus::Failed;
      // Read before looking at a hang-up or an error: they come together
      // with the last bytes of a sender that closed right after its dump.
      const ssize_t r = ::read(fd_, queue_, sizeof queue_);
      if (r > 0) {
        filled_ = static_cast<std::size_t>(r);
        next_ = 1;
        byte = queue_[0];
        return ReadStatus::Byte;
      }
      // Nothing more queued on a line whose other end has gone (a
      // pseudo-terminal whose sender closed, an adapter pulled out).
      if (r == 0 || (r < 0 && errno == EIO) || (p.revents & POLLHUP)) return ReadStatus::HungUp;
      if (r < 0 && (errno == EAGAIN || errno == EINTR) && !(p.revents & POLLERR)) continue;
      return ReadStatus::Failed;
    }
  }

  void close() override {
    if (fd_ < 0) return;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    next_ = filled_ = 0;
  }

 private:
  bool setLine(std::int32_t baudRate) {
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return false;
    speed_t speed{};
    if (!speedFor(baudRate, speed)) return false;
    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) return false;
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) return false;
    // DTR and RTS on. A pseudo-terminal has no modem lines and answers
    // ENOTTY; a real port that refuses them is not set up.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd_, TIOCMBIS, &lines) != 0 && errno != ENOTTY) return false;
    return true;
  }

  int fd_ = -1;
  // Bytes read from the system and not yet handed out: one read() takes
  // what is queued, so a fast line costs a system call per block, not per byte.
  std::uint8_t queue_[4096];
  std::size_t next_ = 0, filled_ = 0;
};

}  // namespace

std::unique_ptr<SerialPort> makeSerialPort() { return std::make_unique<PosixSerialPort>(); }

std::string serialDeviceName(const std::string& portName) {
  if (portName.size() == 4 && std::toupper(static_cast<unsigned char>(portName[0])) == 'C' &&
      std::toupper(static_cast<unsigned char>(portName[1])) == 'O' &&
      std::toupper(static_cast<unsigned char>(portName[2])) == 'M' && portName[3] >= '1' && portName[3] <= '9')
    return "/dev/ttyS" + std::string(1, static_cast<char>(portName[3] - 1));
  return portName;
}

void pauseMilliseconds(std::int32_t ms) {
  if (ms <= 0) return;
  timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace varnix::platform
