// SPDX-License-Identifier: GPL-3.0-or-later
// What a flight's report says, in plain strings: the facts lines, the
// headline figures, the findings and the per-cylinder and per-channel
// tables. The report lays it out on paper and the flight window's header
// strip shows the same headline figures, so screen and paper never
// disagree. Texts are UTF-8.
#pragma once

#include <string>
#include <vector>

#include "analysis/findings.h"
#include "analysis/flight_analysis.h"
#include "flight/flight.h"

namespace varnix::report {

// One headline figure: "Hottest EGT", "1432", "°F", "E3".
struct HeadlineFigure {
  std::string label;
  std::string value;
  std::string unit;     // "" when the figure has none
  std::string channel;  // "" for the fuel used, which is over all engines
};

// The figures owners look for first, from AnalyseFlight's headline: over
// both engines of a twin, the fastest cooling derived from the CHT slope
// where no CLD was recorded. Unknown figures are left out.
std::vector<HeadlineFigure> HeadlineFigures(const flight::Flight& f, const flight::Headline& headline);

struct FindingLine {
  bool warning = false;  // else a caution
  std::string severity;  // "WARNING", "Caution"
  std::string at;        // clock time of the peak
  std::string text;
};

struct ReportContent {
  std::string title;         // of the document
  std::string degrees;       // "°F" or "°C"
  std::vector<std::string> facts;  // aircraft, date, monitor
  std::vector<HeadlineFigure> headline;
  std::string headlineLine;  // the figures in one line
  std::vector<FindingLine> findings;
  std::vector<std::string> cylinderHeader;
  std::vector<std::vector<std::string>> cylinderRows;  // per cylinder: EGT and CHT max, mean, max at
  std::vector<std::string> channelHeader;
  std::vector<std::vector<std::string>> channelRows;   // every other channel: unit, min, max, mean, max at
};

// The content of the report of `f`, whose file is called `fileName`, judged into `findings`.
ReportContent MakeReportContent(const flight::Flight& f, const flight::FlightAnalysis& analysis,
                                const std::vector<flight::Finding>& findings, const std::string& fileName);

// "9:05:07" for seconds after midnight, wrapping at 24 h.
std::string ClockText(double seconds);
// `v` with `decimals` decimals; "" when it is not a number.
std::string NumberText(double v, int decimals = 0);

}  // namespace varnix::report
