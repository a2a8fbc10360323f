// SPDX-License-Identifier: GPL-3.0-or-later
// What an aircraft's report over a period says, in plain strings: the
// flights of the period, their totals, the findings and the series its
// trend panels draw. Made from the logbook (store/logbook.h), for the PDF
// that the logbook window and varnix-cli report --aircraft write.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frontend/report/report_content.h"
#include "store/logbook.h"

namespace varnix::frontend::report {

// One trend panel: a figure per flight, oldest first.
struct TrendSeries {
  std::string title;  // "Hottest CHT"
  std::string unit;   // "°F"
  double leastSpan = 0;  // of its value axis, in its unit (frontend/chart/axis_span.h)
  struct Point {
    double time = 0;  // the flight's start, seconds since 1970 read as UTC
    double value = 0;
    // More than the trends' gap (store/trend_series.h) after the point
    // before: the line stops there and starts anew, never bridging a season
    // the aircraft stood.
    bool afterGap = false;
  };
  std::vector<Point> points;
};

struct AircraftReportContent {
  std::string title;        // of the document
  std::string pageHeader;   // atop every page: aircraft and period
  std::vector<std::string> facts;
  std::vector<std::string> totals;  // "Flights 12", "Flight time 14:03:22", "Fuel used 123.4 gal"
  ReportTable flights;              // newest first, as the logbook lists them
  // The period's open findings by issue (store/aircraft_issues.h), worst
  // first: "WARNING · CHT C2 reached 462 °F — 3 flights, 2024-06-03 to
  // 2024-06-30 — look at C2's baffles". The report's first page.
  std::vector<std::string> issues;
  std::vector<std::string> findings;      // open ones, per flight, newest first
  std::vector<std::string> acknowledged;  // those the owner knows, with the reason
  std::vector<std::string> trends;        // the trend findings across the aircraft's flights
  // The period's maintenance, each entry with its before and after ("2024-10-13
  // · injector 3 cleaned · C3 cruise CHT 361 -> 335 °F ...: the work helped"),
  // then the oil used between additions and the fuel flow's error.
  std::vector<std::string> maintenance;
  std::vector<TrendSeries> panels;        // series with at least one point
};

// The period's report of `log`: flights from `since` to `until` (both
// "YYYY-MM-DD" and inclusive; `until` empty for no end). `aircraft` names
// the aircraft when the log has no flight to tell its id.
AircraftReportContent MakeAircraftReportContent(const store::AircraftLog& log, const std::string& aircraft,
                                                const std::string& since, const std::string& until);

// Whether `text` is a real calendar day written "YYYY-MM-DD".
bool IsDate(const std::string& text);
// Seconds since 1970 of "YYYY-MM-DDTHH:MM:SS" read as UTC; nothing when it is not one.
std::optional<double> IsoSeconds(const std::string& iso);

}  // namespace varnix::frontend::report
