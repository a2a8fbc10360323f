// SPDX-License-Identifier: MIT
// Reads a flight CSV file as the expansion writes it into a columnar
// Flight. Numbers are parsed in place (std::from_chars); a file is read a
// block at a time, and the columns are reserved once, from its size.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "flight/flight.h"

namespace varnix::flight {

struct FlightRead {
  std::optional<Flight> flight;  // empty when the file cannot be read as a flight
  std::string problem;           // why not, naming the line: "line 9: ..."
  int line = 0;                  // the line the problem is on (0: the whole file)
};

// The text of a whole flight CSV file.
FlightRead ReadFlightText(std::string_view text);

// Reads the file at `path` (bytes as they are, no line-end translation).
// `headerRead`, when given, hears the flight's facts and channels (no rows
// yet) as soon as its header is read, so that a window can lay out its
// charts while the rows are read.
FlightRead ReadFlightFile(const std::string& path, const std::function<void(const Flight&)>& headerRead = {});

}  // namespace varnix::flight
