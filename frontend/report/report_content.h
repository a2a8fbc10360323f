// SPDX-License-Identifier: GPL-3.0-or-later
// What a flight's report says, in plain strings: the facts lines, the
// headline figures, the findings and the per-cylinder and per-channel
// tables. The report lays it out on paper and the flight window's header
// strip shows the same headline figures, so screen and paper never
// disagree. Texts are UTF-8.
#pragma once

#include <string>
#include <vector>

#include "analysis/engine_analysis.h"
#include "analysis/findings.h"
#include "analysis/flight_analysis.h"
#include "flight/flight.h"
#include "frontend/report/time_text.h"

namespace varnix::frontend::report {

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
std::vector<HeadlineFigure> HeadlineFigures(const flight::Flight& f, const analysis::Headline& headline);

struct FindingLine {
  bool warning = false;  // else a caution
  std::string severity;  // "WARNING", "Caution"
  std::string at;        // clock time of the peak
  std::string text;
  std::string hint;      // where to look; "" when none
  bool acknowledged = false;
  std::string reason;    // the owner's, when acknowledged
};

// A table of the report: its columns' titles carry the units of their figures.
struct ReportTable {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
};

// One part of the engine analysis, as the Summary tab shows it: a title,
// lines of text and a table (empty when the part has none).
struct ReportSection {
  std::string title;
  std::vector<std::string> lines;
  ReportTable table;
};

struct ReportContent {
  std::string title;         // of the document
  std::string pageHeader;    // atop every page: aircraft, flight, date
  std::string degrees;       // "°F" or "°C"
  std::vector<std::string> facts;  // aircraft, date, monitor
  std::vector<HeadlineFigure> headline;
  std::string headlineLine;  // the figures in one line
  std::vector<FindingLine> findings;      // open ones
  std::vector<FindingLine> acknowledged;  // the owner knows them
  // Phases; power, mixture, valves and sensors; lean test; magneto check.
  // Empty when the report was made without the engine analysis.
  std::vector<ReportSection> analysis;
  std::vector<std::string> cylinderHeader;
  std::vector<std::vector<std::string>> cylinderRows;  // per cylinder: EGT and CHT max, mean, max at
  std::vector<std::string> channelHeader;
  std::vector<std::vector<std::string>> channelRows;   // every other channel: unit, min, max, mean, max at
};

// The content of the report of `f`, whose file is called `fileName`, judged into `findings`.
ReportContent MakeReportContent(const flight::Flight& f, const analysis::FlightAnalysis& analysis,
                                const std::vector<analysis::Finding>& findings, const std::string& fileName);
// The same with the engine analysis (its findings, acknowledged as the
// window has them, are the report's): the Summary tab's content on paper.
ReportContent MakeReportContent(const flight::Flight& f, const analysis::FlightAnalysis& analysis,
                                const analysis::EngineAnalysis& engine, const std::string& fileName);

// The engine analysis's sections: phases; power, mixture, valves and
// sensors; lean test; magneto check.
std::vector<ReportSection> AnalysisSections(const flight::Flight& f, const analysis::EngineAnalysis& engine);

// A headline figure in one run of text: "Hottest EGT 1350 °F (E2)"; the
// channel left out where the label names it already ("Max DIF 45 °F").
std::string FigureText(const HeadlineFigure& figure);
// The channel as FigureText and the window's header strip name it: "" where the label names it.
std::string ShownChannel(const HeadlineFigure& figure);
// `v` with `decimals` decimals; "" when it is not a number.
std::string NumberText(double v, int decimals = 0);

}  // namespace varnix::frontend::report
