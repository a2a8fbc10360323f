// SPDX-License-Identifier: MIT
// The library's two settings files in the settings folder (the program folder).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnix {

inline constexpr const char* kPortSettingsFile = "VARNIX.CFG";
inline constexpr const char* kTimeoutsFile = "TIMEOUT.CFG";

// "VARNIX.CFG": port name and baud rate, whitespace-separated.
struct PortSettings {
  std::string portName;
  std::int32_t baudRate = 0;
};

// "TIMEOUT.CFG": two numbers of seconds, kept here in milliseconds.
struct DumpTimeouts {
  std::int32_t firstByteTimeout = 15000;
  std::int32_t endOfDumpTimeout = 2000;
};

// The settings in the text of "VARNIX.CFG": its first two words, a port name
// and a positive decimal baud rate; empty when it holds no such pair.
std::optional<PortSettings> ParsePortSettings(std::string_view text);

// Empty when the file cannot be opened, or holds no port name and positive
// baud rate (the port could not be set up from it anyway).
std::optional<PortSettings> ReadPortSettings(const std::string& folder);
std::optional<PortSettings> ReadPortSettings();  // from the settings folder

// Always gives time-outs: each value missing, unreadable or not positive
// keeps its default.
DumpTimeouts ReadDumpTimeouts(const std::string& folder);
DumpTimeouts ReadDumpTimeouts();  // from the settings folder

}  // namespace varnix
