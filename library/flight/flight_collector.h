// SPDX-License-Identifier: MIT
// A FlightSink that keeps every decoded flight in memory as a columnar
// Flight, with the same values a reader gets from the CSV file the
// expansion writes: tenths where the file shows tenths, NaN for "NA",
// MARK as 1 or 0, seconds from the first row across midnight.
#pragma once

#include <vector>

#include "core/flight_sink.h"
#include "flight/flight.h"

namespace varnix::flight {

class FlightCollector : public FlightSink {
 public:
  bool beginFlight(const FlightStart& start) override;
  void rows(const FlightRows& rows) override;
  void endFlight(const FlightEnd& end) override;
  void diagnostic(std::string_view) override {}  // nothing is written, so nothing to report

  std::vector<Flight> flights;

 private:
  std::vector<int> slots_;  // enabled slots of the current flight, in column order
  std::int32_t fuelUnit_ = 0;
  double lastClock_ = -1;
  double dayOffset_ = 0;
};

}  // namespace varnix::flight
