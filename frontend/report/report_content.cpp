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

// "fuel_flow_lop" as words, the first capital when asked.
std::string word(std::string_view name, bool capital = false) {
  std::string w(name);
  std::replace(w.begin(), w.end(), '_', ' ');
  if (capital && !w.empty() && w[0] >= 'a' && w[0] <= 'z') w[0] = static_cast<char>(w[0] - 'a' + 'A');
  return w;
}

// A figure with its unit, "" when unknown.
std::string withUnit(double v, int decimals, const std::string& unit) {
  const std::string n = NumberText(v, decimals);
  return n.empty() || unit.empty() ? n : n + " " + unit;
}

FindingLine findingLine(const flight::Flight& f, const flight::Finding& x) {
  const bool warning = x.severity == flight::Severity::Warning;
  return {warning, warning ? "WARNING" : "Caution", clock(f, x.peakAt), x.text, x.hint, x.acknowledged, x.reason};
}

ReportSection phasesSection(const flight::Flight& f, const flight::EngineAnalysis& a) {
  const std::string degrees = degreesOf(f);
  const std::string fuel(flight::UnitText(flight::FuelAmountUnit(f.channels)));
  ReportSection s{"Phases", {}, {}};
  s.table.header = {"Phase", "From", "To", "Duration", "Fuel (" + fuel + ")", "Max CHT (" + degrees + ")",
                    "Mean EGT (" + degrees + ")", "Mean power (%)"};
  if (a.phases.figures.empty()) s.lines.push_back("None found: " + a.phases.why);
  for (const flight::PhaseFigures& x : a.phases.figures)
    s.table.rows.push_back({word(flight::PhaseName(x.phase), true), clock(f, x.start_s), clock(f, x.end_s),
                            DurationText(x.end_s - x.start_s), NumberText(x.fuel, 1), NumberText(x.max_cht),
                            NumberText(x.mean_egt), NumberText(x.mean_power)});
  return s;
}

ReportSection powerSection(const flight::Flight& f, const flight::EngineAnalysis& a) {
  ReportSection s{"Power, mixture, valves and sensors", {}, {}};
  const flight::CruisePower& p = a.powerMixture.power;
  s.lines.push_back(p.judged ? "Power in cruise: " + NumberText(p.cruise_percent) + " % (" + word(p.method) + ")"
                             : "Power in cruise: not judged (" + p.why + ")");
  for (const flight::MixtureSegment& m : a.powerMixture.mixture)
    s.lines.push_back("Cruise from " + clock(f, m.start_s) + ": " + word(flight::MixtureStateName(m.state)) + " — " +
                      m.evidence);
  if (a.powerMixture.mixture.empty()) s.lines.push_back("Mixture: no cruise to judge.");
  const flight::ValveScreen& v = a.valveScreen;
  if (!v.judged) {
    s.lines.push_back("Valve screen: not judged (" + v.why + ")");
  } else {
    std::string swinging;
    for (const flight::ValveCylinder& c : v.cylinders)
      if (c.verdict != flight::ValveVerdict::None)
        swinging += (swinging.empty() ? "" : ", ") + c.channel + " ±" + withUnit(c.amplitude, 0, degreesOf(f)) +
                    " every " + NumberText(c.period) + " s (" + word(flight::ValveVerdictName(c.verdict)) + ")";
    s.lines.push_back(swinging.empty() ? "Valve screen: no cylinder swings in cruise" : "Valve screen: " + swinging);
  }
  std::string faults;
  for (const flight::SensorFault& x : a.sensorFaults)
    faults += (faults.empty() ? "" : ", ") + x.channel + " " + word(flight::SensorFaultKindName(x.kind)) + " from " +
              clock(f, x.start);
  s.lines.push_back(faults.empty() ? "Sensors: no probe reads like a fault" : "Sensors: " + faults);
  return s;
}

ReportSection leanSection(const flight::Flight& f, const flight::EngineAnalysis& a) {
  const std::string degrees = degreesOf(f);
  ReportSection s{"Lean test", {}, {}};
  std::string flowUnit;
  for (const flight::LeanTest& t : a.leanTests) {
    flowUnit = std::string(flight::UnitText(t.spread_unit));
    std::string line = "Sweep at " + clock(f, t.start_s) + " (" + std::to_string(t.rows) +
                       " rows): " + word(flight::LeanVerdictName(t.verdict), true);
    if (t.judged)
      line += ", the peaks " + withUnit(t.spread, 2, flowUnit) + " apart, " + t.first + " first and " + t.last + " last";
    else if (t.verdict == flight::LeanVerdict::Incomplete)
      line += ": a cylinder did not pass its peak";
    else
      line += ": too few rows or too quick a pull to place the peaks";
    s.lines.push_back(line);
    for (const flight::LeanPeak& p : t.peaks)
      s.table.rows.push_back({clock(f, t.start_s), p.channel, NumberText(p.peak),
                              p.placed ? NumberText(p.fuel_flow, 2) : "no peak",
                              p.placed ? clock(f, p.at_s) : ""});
  }
  if (a.leanTests.empty()) s.lines.push_back("No leaning sweep in this flight.");
  if (!s.table.rows.empty())
    s.table.header = {"Sweep", "Cylinder", "Peak EGT (" + degrees + ")", "Fuel flow at peak (" + flowUnit + ")", "Peak at"};
  return s;
}

ReportSection magSection(const flight::Flight& f, const flight::EngineAnalysis& a) {
  const std::string degrees = degreesOf(f);
  ReportSection s{"Magneto check", {}, {}};
  std::vector<std::string> channels;  // one column per cylinder any check has, in cylinder order
  for (const flight::MagCheck& m : a.magChecks)
    for (const flight::MagRise& r : m.rises)
      if (std::find(channels.begin(), channels.end(), r.channel) == channels.end()) channels.push_back(r.channel);
  const bool anyCaution =
      std::any_of(a.magChecks.begin(), a.magChecks.end(), [](const flight::MagCheck& m) { return !m.caution.empty(); });
  if (a.magChecks.empty()) {
    s.lines.push_back("No magneto check in the run-up.");
    return s;
  }
  s.lines.push_back("Each EGT's rise on one magneto, in " + degrees + ".");
  s.table.header = {"Time", "RPM drop", "Verdict"};
  for (const std::string& c : channels) s.table.header.push_back(c + " (" + degrees + ")");
  if (anyCaution) s.table.header.push_back("Caution");
  for (const flight::MagCheck& m : a.magChecks) {
    std::vector<std::string> row{clock(f, m.start_s), NumberText(m.rpm_drop) + " RPM",
                                 word(flight::MagVerdictName(m.verdict), true)};
    for (const std::string& c : channels) {
      const auto rise =
          std::find_if(m.rises.begin(), m.rises.end(), [&](const flight::MagRise& x) { return x.channel == c; });
      row.push_back(rise == m.rises.end() ? "" : NumberText(rise->rise));
    }
    if (anyCaution) row.push_back(m.caution);
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

std::vector<ReportSection> AnalysisSections(const flight::Flight& f, const flight::EngineAnalysis& engine) {
  return {phasesSection(f, engine), powerSection(f, engine), leanSection(f, engine), magSection(f, engine)};
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
  r.title = "Flight report: " + facts.aircraft + (facts.flightLabel.empty() ? "" : " flight #" + facts.flightLabel);
  r.degrees = degreesOf(f);
  r.facts.push_back("Aircraft " + facts.aircraft + " · " + flight::FlightName(facts) + " · " + fileName);
  r.pageHeader = facts.aircraft + " · " + flight::FlightName(facts) + " · " + flight::IsoStart(facts).substr(0, 10);
  r.facts.push_back("Date " + flight::IsoStart(facts).substr(0, 10) + ", start " + clock(f, 0) + " · duration " +
                    DurationText(analysis.summary.recordedSeconds) + " (" + std::to_string(f.rows()) +
                    " rows every " + std::to_string(facts.interval) + " s)");
  r.facts.push_back("Monitor: " + facts.identification + " · engine " + r.degrees + ", OAT °" +
                    std::string(1, facts.outsideAirUnit) + (facts.fuelUnit.empty() ? "" : ", fuel flow " + facts.fuelUnit));
  r.headline = HeadlineFigures(f, analysis.headline);
  for (const HeadlineFigure& x : r.headline) {
    if (!r.headlineLine.empty()) r.headlineLine += " · ";
    r.headlineLine += FigureText(x);
  }
  for (const flight::Finding& x : findings) (x.acknowledged ? r.acknowledged : r.findings).push_back(findingLine(f, x));
  const std::string d = " (" + r.degrees + ")";
  r.cylinderHeader = {"Cylinder", "EGT max" + d, "EGT mean" + d, "EGT max at", "CHT max" + d, "CHT mean" + d, "CHT max at"};
  r.cylinderRows = cylinderRows(f, analysis.summary);
  r.channelHeader = {"Channel", "Unit", "Min", "Max", "Mean", "Max at"};
  r.channelRows = channelRows(f, analysis.summary);
  return r;
}

ReportContent MakeReportContent(const flight::Flight& f, const flight::FlightAnalysis& analysis,
                                const flight::EngineAnalysis& engine, const std::string& fileName) {
  ReportContent r = MakeReportContent(f, analysis, engine.findings, fileName);
  r.analysis = AnalysisSections(f, engine);
  return r;
}

}  // namespace varnix::report
