// SPDX-License-Identifier: MIT
// What the expansion hands on while it decodes a dump: each flight's header
// facts and channels, its value rows and its duration. The CSV and index
// writer is one consumer; an in-memory flight is another. The decoder never
// writes or prints anything itself.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/decoder.h"
#include "core/flight_header.h"

namespace varnix {

// The time of day of a value row.
struct RunningClock {
  int hours;
  int minutes;
  int seconds;
};

// Adds `interval` seconds and carries fully: seconds and minutes stay below
// 60 and hours below 24 whatever the interval or the start time.
void AdvanceClock(RunningClock& clock, int interval);

// The facts a flight begins with. The references live until endFlight.
struct FlightStart {
  int index;                        // the flight's place in the dump, from 0
  const FlightHeader& flight;       // as recorded
  std::string_view identification;  // "Model <m> Firmware <f>", in double quotes
  std::string_view userId;          // from the "$U" line, may be unusable as a folder name
  char engineUnit;                  // 'F' or 'C'
  char outsideAirUnit;              // 'F' or 'C'
  std::int32_t fuelUnit;            // 0 GPH, 1 LPH, 2 PPH, 3 KPH
  int interval;                     // seconds between rows (the recorded one, or 6)
  // The channel list: slot 0 is the time, enabled slots 1-79 are the
  // recorded channels in column order, with their names.
  const ValueTable& channels;
  bool fuelFlowPresent;
  // The user folder's name for the whole dump: from the first line's id by
  // one rule (FolderForUserId), "BadData" when the first line is no usable
  // "$U" line. Empty: the sink derives it from userId.
  std::string_view folder = {};
  // Found after a damaged flight by the "$D" lengths (recovery).
  bool recovered = false;
};

// `count` rows (at least one) with the same values; the first at `clock`,
// each next one `interval` seconds later.
struct FlightRows {
  const ValueTable& values;  // currentValue and notAvailable of every enabled slot
  RunningClock clock;
  int interval;
  int count;
};

// A flight ends after its last row, also when the dump broke off inside it.
struct FlightEnd {
  float hours;     // (rows - 1) x interval / 3600, as the index shows it
  int interval;
  std::int32_t rows;
};

class FlightSink {
 public:
  virtual ~FlightSink() = default;

  // False refuses the flight: the expansion stops with "cannot write".
  virtual bool beginFlight(const FlightStart& start) = 0;
  virtual void rows(const FlightRows& rows) = 0;
  virtual void endFlight(const FlightEnd& end) = 0;

  // A line of text for the person who runs the expansion (line feed
  // included). Printed on standard output unless a sink routes it elsewhere.
  virtual void diagnostic(std::string_view text);

  // False for a sink that wants no values (the look before an expansion):
  // it is handed no rows, only each flight's beginning and end, and the
  // records are checked and counted but not applied, which is most of the
  // decoding. The flights, their row counts and the result stay the same.
  virtual bool readsValues() const { return true; }

  // An ExpandResult when the sink could not keep what it was handed (a file
  // that could not be written): the expansion stops with it. 0 while all is
  // well. Asked after every call.
  virtual int failure() const { return 0; }
};

}  // namespace varnix
