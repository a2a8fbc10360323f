// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/report/report_content.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "analysis/analysis_registry.h"
#include "analysis/flight_summary.h"
#include "analysis/limits.h"
#include "flight/channels.h"
#include "store/catalog_entry.h"

namespace varnix::frontend::report {

namespace {

std::string clock(const flight::Flight& f, double seconds) { return ClockText(f.startOfDay + seconds); }

std::vector<std::vector<std::string>> cylinderRows(const flight::Flight& f, const analysis::FlightSummary& s) {
  struct Pair {
    int egt = -1, cht = -1;
  };
  std::map<std::pair<int, int>, Pair> cylinders;  // (engine, cylinder)
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const flight::Channel& k = f.channels[c];
    if (k.kind == flight::ChannelKind::Egt) cylinders[{static_cast<int>(k.engine), k.cylinder}].egt = static_cast<int>(c);
    if (k.kind == flight::ChannelKind::Cht) cylinders[{static_cast<int>(k.engine), k.cylinder}].cht = static_cast<int>(c);
  }
  std::vector<std::vector<std::string>> rows;
  for (const auto& [key, p] : cylinders) {
    std::vector<std::string> row;
    row.push_back(std::string(flight::EnginePrefix(static_cast<flight::Engine>(key.first))) + std::to_string(key.second));
    for (int c : {p.egt, p.cht}) {
      if (c < 0 || s.channels[static_cast<std::size_t>(c)].count == 0) {
        row.insert(row.end(), 3, std::string());
        continue;
      }
      const analysis::ChannelStats& st = s.channels[static_cast<std::size_t>(c)];
      row.insert(row.end(), {NumberText(st.max), NumberText(st.mean), clock(f, st.maxAt)});
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::vector<std::string>> channelRows(const flight::Flight& f, const analysis::FlightSummary& s) {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const flight::Channel& k = f.channels[c];
    if (k.kind == flight::ChannelKind::Egt || k.kind == flight::ChannelKind::Cht || k.kind == flight::ChannelKind::Mark)
      continue;
    const analysis::ChannelStats& st = s.channels[c];
    const std::string unit(flight::UnitText(k.unit));
    if (st.count == 0) {
      rows.push_back({k.name, unit, "NA"});
      continue;
    }
    const int decimals = st.max - st.min < 20 ? 1 : 0;
    rows.push_back({k.name, unit, NumberText(st.min, decimals), NumberText(st.max, decimals),
                    NumberText(st.mean, decimals), clock(f, st.maxAt)});
  }
  return rows;
}

std::string degreesOf(const flight::Flight& f) { return std::string(flight::UnitText(analysis::EngineUnit(f.facts))); }

// A figure with its unit, "" when unknown.
std::string withUnit(double v, int decimals, const std::string& unit) {
  const std::string n = NumberText(v, decimals);
  return n.empty() || unit.empty() ? n : n + " " + unit;
}

FindingLine findingLine(const flight::Flight& f, const analysis::Finding& x) {
  const bool warning = x.severity == analysis::Severity::Warning;
  return {warning, warning ? "WARNING" : "Caution", clock(f, x.peakAt), x.text, x.hint, x.acknowledged, x.reason};
}

// A cell on paper: times as clock times, figures bare in a column whose
// title carries their unit, else with theirs.
std::string cellText(const flight::Flight& f, const analysis::ResultCell& c, const std::string& columnUnit) {
  using Kind = analysis::ResultCell::Kind;
  switch (c.kind) {
    case Kind::Text: return c.text;
    case Kind::Value: return columnUnit.empty() ? withUnit(c.value, c.decimals, c.unit) : NumberText(c.value, c.decimals);
    case Kind::Time: return clock(f, c.value);
    case Kind::Duration: return DurationText(c.value);
    case Kind::Phase: return analysis::NameWords(analysis::PhaseName(c.phase), true);
  }
  return {};
}

ReportSection paperSection(const flight::Flight& f, const analysis::ResultSection& x) {
  ReportSection s{x.title, {}, {}};
  for (const analysis::ResultLine& line : x.lines) {
    std::string text;
    for (const analysis::ResultCell& c : line) text += cellText(f, c, {});
    s.lines.push_back(std::move(text));
  }
  if (x.rows.empty() && !x.empty.empty()) s.lines.push_back(x.empty);
  if (x.rows.empty() && !x.tableAlways) return s;
  for (const analysis::ResultColumn& c : x.columns) s.table.header.push_back(c.unit.empty() ? c.title : c.title + " (" + c.unit + ")");
  for (const analysis::ResultRow& r : x.rows) {
    std::vector<std::string> row;
    for (std::size_t i = 0; i < r.cells.size(); ++i)
      row.push_back(cellText(f, r.cells[i], i < x.columns.size() ? x.columns[i].unit : std::string()));
    s.table.rows.push_back(std::move(row));
  }
  return s;
}

}  // namespace

std::string ShownChannel(const HeadlineFigure& x) {
  const std::size_t space = x.label.rfind(' ');
  const std::string lastWord = space == std::string::npos ? x.label : x.label.substr(space + 1);
  return x.channel == lastWord ? std::string() : x.channel;
}

std::string FigureText(const HeadlineFigure& x) {
  std::string text = x.label + " " + x.value;
  if (!x.unit.empty()) text += " " + x.unit;
  if (const std::string channel = ShownChannel(x); !channel.empty()) text += " (" + channel + ")";
  return text;
}

std::vector<ReportSection> AnalysisSections(const flight::Flight& f, const analysis::EngineAnalysis& engine) {
  std::vector<ReportSection> sections;
  for (const analysis::ResultSection& x : analysis::DescribeAnalyses(f, engine)) sections.push_back(paperSection(f, x));
  return sections;
}

std::string NumberText(double v, int decimals) {
  if (!std::isfinite(v)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

std::vector<HeadlineFigure> HeadlineFigures(const flight::Flight& f, const analysis::Headline& h) {
  const std::string degrees = degreesOf(f);
  std::vector<HeadlineFigure> figures;
  auto figure = [&](const char* label, const analysis::Figure& x, int decimals, const std::string& unit) {
    if (x.known()) figures.push_back({label, NumberText(x.value, decimals), unit, x.channel});
  };
  figure("Hottest EGT", h.hottestEgt, 0, degrees);
  figure("Hottest CHT", h.hottestCht, 0, degrees);
  figure("Max DIF", h.difMax, 0, degrees);
  figure("Fastest cooling", h.fastestCooling, 0, degrees + "/min");
  figure("Min BAT", h.batteryMin, 1, "V");
  if (std::isfinite(h.fuelUsed))
    figures.push_back({"Fuel used", NumberText(h.fuelUsed, 1),
                       std::string(flight::UnitText(flight::FuelAmountUnit(f.channels))), ""});
  return figures;
}

ReportContent MakeReportContent(const flight::Flight& f, const analysis::FlightAnalysis& analysis,
                                const std::vector<analysis::Finding>& findings, const std::string& fileName) {
  const flight::FlightFacts& facts = f.facts;
  ReportContent r;
  r.title = "Flight report: " + facts.aircraft + (facts.flightLabel.empty() ? "" : " flight #" + facts.flightLabel);
  r.degrees = degreesOf(f);
  r.facts.push_back("Aircraft " + facts.aircraft + " · " + flight::FlightName(facts) + " · " + fileName);
  r.pageHeader = facts.aircraft + " · " + flight::FlightName(facts) + " · " + store::IsoStart(facts).substr(0, 10);
  r.facts.push_back("Date " + store::IsoStart(facts).substr(0, 10) + ", start " + clock(f, 0) + " · duration " +
                    DurationText(analysis.summary.recordedSeconds) + " (" + std::to_string(f.rows()) +
                    " rows every " + std::to_string(facts.interval) + " s)");
  r.facts.push_back("Monitor: " + facts.identification + " · engine " + r.degrees + ", OAT °" +
                    std::string(1, facts.outsideAirUnit) + (facts.fuelUnit.empty() ? "" : ", fuel flow " + facts.fuelUnit));
  r.headline = HeadlineFigures(f, analysis.headline);
  for (const HeadlineFigure& x : r.headline) {
    if (!r.headlineLine.empty()) r.headlineLine += " · ";
    r.headlineLine += FigureText(x);
  }
  for (const analysis::Finding& x : findings) (x.acknowledged ? r.acknowledged : r.findings).push_back(findingLine(f, x));
  const std::string d = " (" + r.degrees + ")";
  r.cylinderHeader = {"Cylinder", "EGT max" + d, "EGT mean" + d, "EGT max at", "CHT max" + d, "CHT mean" + d, "CHT max at"};
  r.cylinderRows = cylinderRows(f, analysis.summary);
  r.channelHeader = {"Channel", "Unit", "Min", "Max", "Mean", "Max at"};
  r.channelRows = channelRows(f, analysis.summary);
  return r;
}

ReportContent MakeReportContent(const flight::Flight& f, const analysis::FlightAnalysis& analysis,
                                const analysis::EngineAnalysis& engine, const std::string& fileName) {
  ReportContent r = MakeReportContent(f, analysis, engine.findings, fileName);
  r.analysis = AnalysisSections(f, engine);
  return r;
}

}  // namespace varnix::frontend::report
