// SPDX-License-Identifier: MIT
// One door for flight files: the first bytes of a file pick its reader from
// a small registry (the native flight CSV first, avionics engine data logs
// second). A file that no reader recognises goes to the native reader, whose
// problem then names the line, as it always has.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "flight/flight_reader.h"

namespace varnix::flight {

// Reads the flight at `path` as ReadFlightFile does, with the same bounds
// and the same form of problems (regular files only, bounded lines, a
// problem naming the line). `*valueHash`, when given, is set to the value
// lines' hash the file's reader takes (for a native file HashValueLines).
FlightRead OpenFlight(const std::string& path, const std::function<void(const Flight&)>& headerRead = {},
                      std::uint64_t* valueHash = nullptr);

// The same for a file's whole text.
FlightRead OpenFlightText(std::string_view text);

// The value lines' hash of a file's whole text, by the reader it goes to.
std::uint64_t HashFlightText(std::string_view text);

// The name of the reader a file's first bytes pick: "native" or "avionics".
std::string_view FlightFormatOf(std::string_view firstBytes);

}  // namespace varnix::flight
