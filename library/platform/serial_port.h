// SPDX-License-Identifier: MIT
// The serial port that a dump arrives on, behind one small interface so that
// the reception logic runs unchanged on every system (and against a fake in
// tests). One implementation per system: serial_port_posix.cpp (termios and
// poll), serial_port_win32.cpp (overlapped one-byte reads).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace varnix::platform {

// Set-up steps of a port, numbered as the download reports their failure.
enum class PortSetup : int {
  Ready = 0,
  CannotOpen = 1,        // the port could not be opened
  QueueSizes = 2,        // the driver's queue sizes could not be set
  LineSettings = 3,      // rate, 8N1, flow control, modem lines
  Timeouts = 4,          // the read time-outs could not be set
  ReadEvent = 5,         // the event for the timed reads could not be made
};

enum class ReadStatus {
  Byte,      // one byte arrived
  TimedOut,  // nothing arrived within the time-out
  Failed,    // the read failed
  Again,     // nothing happened yet; ask again (the read stays outstanding)
  HungUp,    // the other end closed the line and every queued byte was read
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Opens `name` for reading only, exclusively, and sets it up for raw 8N1
  // reception at `baudRate` without flow control, DTR and RTS on.
  virtual PortSetup open(const std::string& name, std::int32_t baudRate, std::uint32_t queueBytes) = 0;
  // Waits up to `timeoutMs` for one byte. At most one read is outstanding.
  virtual ReadStatus readByte(std::uint8_t& byte, std::int32_t timeoutMs) = 0;
  // Closes the port (and whatever the reads needed); harmless when closed.
  virtual void close() = 0;
};

// The port of this system.
std::unique_ptr<SerialPort> makeSerialPort();

// The device a port name from "VARNIX.CFG" stands for. On Windows the name
// in the device namespace ("\\.\COM10"); elsewhere a name that begins with
// "/" is a device path and "COM1" to "COM9" stand for /dev/ttyS0 to
// /dev/ttyS8.
std::string serialDeviceName(const std::string& portName);

// Blocks the calling thread for `ms` milliseconds without using the CPU.
void pauseMilliseconds(std::int32_t ms);

}  // namespace varnix::platform
