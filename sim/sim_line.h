// SPDX-License-Identifier: GPL-3.0-or-later
// The sending end of a serial line for the simulated instrument: a new
// pseudo-terminal whose other end a receiver opens by its path, or a real
// serial port.
#pragma once

#include <string>

namespace varnix::sim {

class PtyLine {
 public:
  // Creates the pseudo-terminal, raw 8N1, nobody on the other end yet.
  // Throws std::runtime_error when the system gives none.
  PtyLine();
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  // The device a receiver opens (for example /dev/pts/3).
  const std::string& path() const { return path_; }
  // The sending end.
  int fd() const { return fd_; }

  // Waits until a receiver has the device open; false after `timeoutMs`
  // (negative: wait for ever).
  bool waitForReceiver(int timeoutMs) const;
  // Waits until no receiver has the device open any more.
  bool waitForReceiverGone(int timeoutMs) const;

 private:
  int fd_ = -1;
  std::string path_;
};

// Opens a real serial port for sending, raw 8N1 at `baud` without flow
// control; -1 when it cannot be opened or set up.
int openSerialDevice(const std::string& path, int baud);

}  // namespace varnix::sim
