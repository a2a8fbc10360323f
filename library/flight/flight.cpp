// SPDX-License-Identifier: MIT
#include "flight/flight.h"

#include <algorithm>

namespace varnix::flight {

std::string FlightName(const FlightFacts& facts) {
  return facts.flightLabel.empty() ? std::string("Flight") : "Flight #" + facts.flightLabel;
}

int Flight::channelIndex(std::string_view name) const {
  for (std::size_t i = 0; i < channels.size(); ++i)
    if (channels[i].name == name) return static_cast<int>(i);
  return -1;
}

bool Flight::marked(std::size_t row) const {
  const int mark = channelIndex("MARK");
  if (mark < 0 || row >= rows()) return false;
  const float v = columns[static_cast<std::size_t>(mark)][row];
  return v == v && v != 0.0f;
}

std::size_t Flight::rowAt(double secondsFromStart) const {
  if (seconds.empty()) return 0;
  const auto after = std::upper_bound(seconds.begin(), seconds.end(), secondsFromStart);
  return after == seconds.begin() ? 0 : static_cast<std::size_t>(after - seconds.begin() - 1);
}

std::size_t Flight::nearestRow(double secondsFromStart) const {
  const std::size_t row = rowAt(secondsFromStart);
  if (row + 1 < rows() && seconds[row + 1] - secondsFromStart < secondsFromStart - seconds[row]) return row + 1;
  return row;
}

}  // namespace varnix::flight
