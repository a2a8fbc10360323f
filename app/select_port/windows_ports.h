// SPDX-License-Identifier: GPL-3.0-or-later
// The COM ports that Windows' device manager lists now, with their friendly
// names and makers (SetupAPI): what the port screen shows beside each name
// where Qt Serial Port is not built in (the static Windows build).
#pragma once

#include <string>
#include <vector>

namespace varnix::app {

struct WindowsPort {
  std::wstring name;          // "COM7"
  std::wstring friendlyName;  // "USB Serial Port (COM7)"
  std::wstring maker;         // "FTDI"
};

// Empty where the system lists none (or elsewhere than on Windows).
std::vector<WindowsPort> windowsPorts();

// "FTDI, USB Serial Port": the maker, then the friendly name without the
// port's own name in brackets; each only once and only when known.
std::wstring describeWindowsPort(const WindowsPort& port);

}  // namespace varnix::app
