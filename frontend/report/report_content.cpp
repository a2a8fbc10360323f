// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/report/report_content.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "analysis/flight_summary.h"
#include "analysis/limits.h"
#include "flight/channels.h"
#include "store/catalog_entry.h"

namespace varnix::report {

namespace {

std::string clock(const flight::Flight& f, double seconds) { return ClockText(f.startOfDay + seconds); }

std::vector<std::vector<std::string>> cylinderRows(const flight::Flight& f, const flight::FlightSummary& s) {
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
      const flight::ChannelStats& st = s.channels[static_cast<std::size_t>(c)];
      row.insert(row.end(), {NumberText(st.max), NumberText(st.mean), clock(f, st.maxAt)});
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<std::vector<std::string>> channelRows(const flight::Flight& f, const flight::FlightSummary& s) {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const flight::Channel& k = f.channels[c];
    if (k.kind == flight::ChannelKind::Egt || k.kind == flight::ChannelKind::Cht || k.kind == flight::ChannelKind::Mark)
      continue;
    const flight::ChannelStats& st = s.channels[c];
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

std::string degreesOf(const flight::Flight& f) { return std::string(flight::UnitText(flight::EngineUnit(f.facts))); }

}  // namespace

std::string ClockText(double seconds) {
  const long s = std::lround(std::fmod(std::max(0.0, seconds), 86400.0));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

std::string NumberText(double v, int decimals) {
  if (!std::isfinite(v)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

std::vector<HeadlineFigure> HeadlineFigures(const flight::Flight& f, const flight::Headline& h) {
  const std::string degrees = degreesOf(f);
  std::vector<HeadlineFigure> figures;
  auto figure = [&](const char* label, const flight::Figure& x, int decimals, const std::string& unit) {
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

ReportContent MakeReportContent(const flight::Flight& f, const flight::FlightAnalysis& analysis,
                                const std::vector<flight::Finding>& findings, const std::string& fileName) {
  const flight::FlightFacts& facts = f.facts;
  ReportContent r;
  r.title = "Flight report: " + facts.aircraft + " flight #" + facts.flightLabel;
  r.degrees = degreesOf(f);
  r.facts.push_back("Aircraft " + facts.aircraft + " · Flight #" + facts.flightLabel + " · " + fileName);
  r.facts.push_back("Date " + flight::IsoStart(facts).substr(0, 10) + ", start " + clock(f, 0) + " · duration " +
                    NumberText(analysis.summary.recordedSeconds / 3600, 2) + " h (" + std::to_string(f.rows()) +
                    " rows every " + std::to_string(facts.interval) + " s)");
  r.facts.push_back("Monitor: " + facts.identification + " · engine " + r.degrees + ", OAT °" +
                    std::string(1, facts.outsideAirUnit) + (facts.fuelUnit.empty() ? "" : ", fuel flow " + facts.fuelUnit));
  r.headline = HeadlineFigures(f, analysis.headline);
  for (const HeadlineFigure& x : r.headline) {
    if (!r.headlineLine.empty()) r.headlineLine += " · ";
    // The fuel used is over all engines and says no unit on paper.
    r.headlineLine += x.channel.empty() ? x.label + " " + x.value
                                        : x.label + " " + x.value + " " + x.unit + " (" + x.channel + ")";
  }
  for (const flight::Finding& x : findings) {
    const bool warning = x.severity == flight::Severity::Warning;
    r.findings.push_back({warning, warning ? "WARNING" : "Caution", clock(f, x.peakAt), x.text});
  }
  r.cylinderHeader = {"Cylinder", "EGT max", "EGT mean", "EGT max at", "CHT max", "CHT mean", "CHT max at"};
  r.cylinderRows = cylinderRows(f, analysis.summary);
  r.channelHeader = {"Channel", "Unit", "Min", "Max", "Mean", "Max at"};
  r.channelRows = channelRows(f, analysis.summary);
  return r;
}

}  // namespace varnix::report
