// SPDX-License-Identifier: GPL-3.0-or-later
// Why a serial port could not be opened, and what to do about it: the
// program tries the device itself after the library has said "not opened"
// (the library's codes stay as they are). The system is reached through
// PortProbe, so that tests can fake each answer.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace varnix::frontend {

enum class PortTrouble {
  None,        // the device opens now
  Permission,  // the user may not open it
  NoDevice,    // nothing by that name (a cable not plugged in)
  Busy,        // another program holds it
  NotSerial,   // it opens, but it is a file, a folder or a device without a serial line
  Other,       // any other refusal
};

struct PortDiagnosis {
  PortTrouble trouble = PortTrouble::None;
  std::string device;                // what was opened ("/dev/ttyS0" for "COM1" on Linux)
  std::string group;                 // Permission: the group that owns the device, if known
  std::vector<std::string> present;  // NoDevice: the serial ports there are
  int error = 0;                     // the system's error number
};

// What the diagnosis asks of the system.
struct PortProbe {
  // 0 when `device` opens for reading as a serial line, else the system's
  // error number (errno, or GetLastError on Windows; ENOTTY or
  // ERROR_NOT_SUPPORTED for something that opens but is no serial line).
  std::function<int(const std::string& device)> openError;
  // The name of the group that owns `device`; empty when unknown.
  std::function<std::string(const std::string& device)> ownerGroup;
  // The serial ports present now.
  std::function<std::vector<std::string>()> presentPorts;
};

PortProbe systemPortProbe();

// Tries the port named in "VARNIX.CFG" (a COM name or a device path).
PortDiagnosis diagnosePort(const std::string& portName, const PortProbe& probe);

// The cause and its remedy in a few sentences; empty for None.
std::string portTroubleText(const PortDiagnosis& diagnosis);

}  // namespace varnix::frontend
