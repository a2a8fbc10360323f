// SPDX-License-Identifier: MIT
// A recorded flight as columns: the facts of its header lines, the channel
// names in file order, one float column per channel (not-available values
// are NaN) and the seconds from the start of every row.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "flight/channels.h"
#include "flight/columns.h"

namespace varnix::flight {

struct FlightFacts {
  std::string identification;  // line 2 without its quotes, e.g. "Model 830 Firmware 288"
  std::string aircraft;        // line 3: the aircraft's user id
  std::string flightLabel;     // line 4: number and duplicate suffix as written, e.g. "23A"
  long flightNumber = 0;
  std::string suffix;          // the duplicate suffix, "" for the first file
  int month = 0, day = 0, year = 0;  // year as written (the instrument's two digits)
  int hours = 0, minutes = 0, seconds = 0;
  char engineUnit = 'F';       // 'F' or 'C'
  char outsideAirUnit = 'F';
  std::string fuelUnit;        // "GPH", "LPH", "PPH", "KPH", or "" without fuel flow
  double durationHours = -1;   // line 6; -1 when the file has none written
  int interval = 0;            // seconds; from line 6, else from the rows
  std::string reader = "native";  // the reader that read the file: "native" or "avionics"
  std::string utcOffset;       // the local time's offset from UTC as a log writes it ("+02:00"); "" when unknown
  std::string airframe;        // the airframe a log names ("Cirrus SR22 Turbo"); "" when none
  std::string systemId;        // the avionics system that wrote a log (its displays share it); "" when none
};

// "Flight #23A" as the flight's texts name it; "Flight" for a log that
// numbers no flights (an avionics log).
std::string FlightName(const FlightFacts& facts);

class Flight {
 public:
  FlightFacts facts;
  std::vector<Channel> channels;           // the columns after the time, typed when read
  Columns columns;                          // one per channel, `rows()` values each
  std::vector<double> seconds;              // seconds from the first row
  std::vector<std::string> notes;           // what the reader left out, for the user

  std::size_t rows() const { return seconds.size(); }
  std::span<const float> column(std::size_t c) const { return columns[c]; }
  // Index of a channel by its exact name; -1 when the flight has none.
  int channelIndex(std::string_view name) const;
  double startOfDay = 0;                     // clock of the first row, seconds after midnight
  // Rows whose MARK value is set (the pilot pressed the mark button).
  bool marked(std::size_t row) const;
  // The row at or just before `secondsFromStart` (0 for earlier times).
  std::size_t rowAt(double secondsFromStart) const;
  // The row nearest to `secondsFromStart`.
  std::size_t nearestRow(double secondsFromStart) const;
};

}  // namespace varnix::flight
