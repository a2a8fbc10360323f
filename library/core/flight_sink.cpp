// SPDX-License-Identifier: MIT
#include "core/flight_sink.h"

#include <cstdio>

namespace varnix {

void AdvanceClock(RunningClock& clock, int interval) {
  long long s = static_cast<long long>(clock.seconds) + interval;
  long long m = clock.minutes + s / 60;
  s %= 60;
  long long h = clock.hours + m / 60;
  m %= 60;
  h %= 24;
  clock = {static_cast<int>(h), static_cast<int>(m), static_cast<int>(s)};
}

void FlightSink::diagnostic(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

}  // namespace varnix
