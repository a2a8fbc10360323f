// SPDX-License-Identifier: GPL-3.0-or-later
// The real avionics logs in tests/data/avionics and what is known of each
// flight from outside the analyses: the times their README gives (local clock,
// as the logs' own Lcl Time column writes it). The analyses' tests read every
// log of this table; none of these figures was tuned on.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "flight/flight.h"

namespace varnix::test {

struct ClockSpan {
  const char* start;  // "HH:MM:SS"
  const char* end;
};

struct SharedLog {
  const char* file;             // in tests/data/avionics
  int cylinders;
  ClockSpan runUp;              // the run-up, checks inside
  const char* takeoff;          // the (first) takeoff
  const char* landing;          // the (last) landing
  std::vector<ClockSpan> pulls; // quick mixture pulls; empty when none is known
  ClockSpan cruise;             // level cruise; {"", ""} when the flight has none
  bool propellerCycling;        // the run-up's dips are the propeller's, not magneto checks
  const char* mixture;          // in the cruise, after its pulls: "lean_of_peak", "rich_of_peak"; "" unknown
};

inline const std::vector<SharedLog>& SharedLogs() {
  static const std::vector<SharedLog> logs = {
      {"log_220417_125002_LFQA.csv", 6, {"12:56:06", "12:56:25"}, "12:59:50", "13:33:30",
       {{"13:05:00", "13:05:30"}}, {"13:06:00", "13:23:00"}, false, "lean_of_peak"},
      {"log_220417_135002_LFAQ.csv", 6, {"13:56:28", "13:56:50"}, "14:01:26", "15:08:30",
       {{"14:11:56", "14:12:05"}}, {"14:12:48", "14:51:53"}, false, "lean_of_peak"},
      {"log_220825_142831_LSZC.csv", 6, {"14:34:45", "14:35:05"}, "14:41:09", "15:22:20",
       {{"14:52:23", "14:52:45"}}, {"14:53:00", "15:09:00"}, false, "lean_of_peak"},
      {"log_20260327_152821_KOAK.csv", 6, {"15:34:22", "15:34:55"}, "15:37:50", "15:41:50", {}, {"", ""}, true, ""},
  };
  return logs;
}

inline std::string SharedLogPath(const SharedLog& log) {
  return std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/" + log.file;
}

// Seconds from the flight's first row of a local clock time "HH:MM:SS" of that
// flight's day (none of these flights passes midnight).
inline double SecondsOf(const flight::Flight& f, const char* clock) {
  int h = 0, m = 0, s = 0;
  std::sscanf(clock, "%d:%d:%d", &h, &m, &s);
  return h * 3600.0 + m * 60.0 + s - f.startOfDay;
}

}  // namespace varnix::test
