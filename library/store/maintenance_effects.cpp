// SPDX-License-Identifier: MIT
#include "store/maintenance_effects.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

#include "analysis/channel_names.h"
#include "analysis/limits.h"
#include "analysis/slow_changes.h"
#include "store/data_folder_names.h"
#include "store/logbook.h"
#include "store/oil_finding.h"

namespace varnix::store {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// A change finding whose flights begin up to this many flights after an
// entry starts at it: a change point lands on the step give or take a
// flight or two, and a slow change's recent flights are its last ten, which
// begin some flights after the step.
constexpr std::size_t kChangeFlightsAfterEntry = kEffectFlights;
constexpr std::size_t kChangeFlightsBeforeEntry = analysis::kRecentFlights / 2;

// The engine a channel's name tells: 'L' or 'R' for "LC3", "RE2", "E1 CHT3",
// "E2 EGT1"; 0 for a single engine's "C3".
char engineOf(const std::string& channel) {
  if (channel.size() > 2 && (channel[0] == 'L' || channel[0] == 'R') && (channel[1] == 'C' || channel[1] == 'E'))
    return channel[0];
  if (channel.size() > 3 && channel[0] == 'E' && channel[2] == ' ') return channel[1] == '1' ? 'L' : channel[1] == '2' ? 'R' : 0;
  return 0;
}

bool everyCylinderKind(MaintenanceKind kind) {
  switch (kind) {
    case MaintenanceKind::Plugs: case MaintenanceKind::Injector: case MaintenanceKind::Cylinder:
    case MaintenanceKind::Magneto: case MaintenanceKind::Borescope: case MaintenanceKind::Compression:
      return true;
    default:
      return false;
  }
}

bool applies(const MaintenanceEntry& e) { return e.cylinder || e.engine != 0 || everyCylinderKind(e.kind); }

std::string number(double v, const char* format = "%.0f") {
  char buf[32];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::string dateOf(const analysis::TrendPoint& p) { return p.date.substr(0, 10); }

// The runs of values before the entry (the last kEffectFlights) and after
// it (the first kEffectFlights); `value` NaN where a flight has none.
template <typename Value>
std::pair<std::vector<double>, std::vector<double>> sides(const std::string& date, const std::vector<EffectFlight>& flights,
                                                          Value value) {
  std::vector<double> before, after;
  for (const EffectFlight& f : flights) {
    const double v = value(f);
    if (!std::isfinite(v)) continue;
    if (dateOf(f.point) < date) before.push_back(v);
    else if (after.size() < kEffectFlights) after.push_back(v);
  }
  if (before.size() > kEffectFlights) before.erase(before.begin(), before.end() - kEffectFlights);
  return {before, after};
}

float figureOf(const std::vector<std::pair<std::string, float>>& figures, const std::string& channel) {
  for (const auto& [name, v] : figures)
    if (name == channel) return v;
  return std::numeric_limits<float>::quiet_NaN();
}

// One effect: the shown figures from `shown`, the verdict from `judged`
// (the same runs, or the cylinder against the others) by `least` in its
// units; lower is better.
MaintenanceEffect effect(const MaintenanceEntry& entry, std::string channel, std::string figure, std::string unit,
                         const std::pair<std::vector<double>, std::vector<double>>& shown,
                         const std::pair<std::vector<double>, std::vector<double>>& judged, double least,
                         const char* format) {
  MaintenanceEffect e;
  e.channel = std::move(channel);
  e.figure = std::move(figure);
  e.unit = std::move(unit);
  e.flightsBefore = shown.first.size();
  e.flightsAfter = shown.second.size();
  std::string what = e.channel;
  if (!what.empty()) what += ' ';
  what += e.figure;
  if (std::min(judged.first.size(), judged.second.size()) < kEffectFlightsLeast) {
    e.verdict = "too few flights to judge";
    e.text = what + " after " + EntryName(entry) + " (" + std::to_string(e.flightsBefore) + " flights before, " +
             std::to_string(e.flightsAfter) + " after): too few flights to judge";
    return e;
  }
  const analysis::StepJudged shownStep = analysis::JudgeStep(shown.first, shown.second, least);
  const analysis::StepJudged judgedStep = analysis::JudgeStep(judged.first, judged.second, least);
  e.before = shownStep.before;
  e.after = shownStep.after;
  e.difference = shownStep.change;
  e.verdict = !judgedStep.standsOut ? "made no difference" : judgedStep.change < 0 ? "helped" : "worse";
  const std::string flights = e.flightsBefore == e.flightsAfter
                                  ? std::to_string(e.flightsBefore) + " flights each side"
                                  : std::to_string(e.flightsBefore) + " flights before, " + std::to_string(e.flightsAfter) +
                                        " after";
  e.text = what + " " + number(*e.before, format) + " -> " + number(*e.after, format) + " " + e.unit + " after " +
           EntryName(entry) + " (" + flights + "): " +
           (e.verdict == "worse" ? std::string("worse since the work") : "the work " + e.verdict);
  return e;
}

}  // namespace

std::string EntryName(const MaintenanceEntry& entry) {
  // "injector 3 cleaned" of an injector entry on cylinder 3 whose text is
  // the bare word "cleaned"; a longer text says what was done itself.
  std::string what;
  if (entry.text.find(' ') == std::string::npos && entry.text.find(MaintenanceKindName(entry.kind)) == std::string::npos) {
    what = MaintenanceKindName(entry.kind);
    if (entry.cylinder) {
      what += ' ';
      what += std::to_string(*entry.cylinder);
    }
    if (!entry.text.empty()) what += ' ';
  }
  what += entry.text;
  std::string name = "'";
  name += what;
  name += "' on ";
  name += entry.date;
  return name;
}

bool EntryCovers(const MaintenanceEntry& entry, const std::string& channel) {
  if (!applies(entry)) return false;
  const int cylinder = analysis::CylinderOfName(channel);
  if (cylinder == 0 || (entry.cylinder && *entry.cylinder != cylinder)) return false;
  const char engine = engineOf(channel);
  return entry.engine == 0 || engine == 0 || engine == entry.engine;
}

std::vector<MaintenanceEffect> MaintenanceEffects(const MaintenanceEntry& entry, const std::vector<EffectFlight>& flights) {
  std::vector<MaintenanceEffect> out;
  if (!applies(entry) || flights.empty()) return out;
  const flight::Unit unit = flights.back().point.engineUnit;
  const std::string degrees = unit == flight::Unit::DegreesC ? "°C" : "°F";
  const auto channels = [&](auto member) {
    std::vector<std::string> names;
    for (const EffectFlight& f : flights)
      for (const auto& [name, v] : f.point.*member)
        if (EntryCovers(entry, name) && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return std::make_pair(engineOf(a), analysis::CylinderOfName(a)) < std::make_pair(engineOf(b), analysis::CylinderOfName(b));
    });
    return names;
  };
  const auto temperatures = [&](auto member, const std::string& figure) {
    const std::size_t from = out.size();
    for (const std::string& channel : channels(member)) {
      const auto shown = sides(entry.date, flights, [&](const EffectFlight& f) {
        const float v = figureOf(f.point.*member, channel);
        return std::isfinite(v) ? analysis::FahrenheitToUnit(analysis::UnitToFahrenheit(v, f.point.engineUnit), unit) : kNaN;
      });
      // One cylinder's work is judged against the others of its engine (a
      // season or a power setting moves them all); work on every cylinder
      // on its own figures, as the others moved with it.
      // (Judged in °F.)
      const auto judged = sides(entry.date, flights, [&](const EffectFlight& f) {
        if (entry.cylinder) return analysis::AgainstTheOthers(f.point.*member, channel, f.point.engineUnit);
        const float v = figureOf(f.point.*member, channel);
        return std::isfinite(v) ? analysis::UnitToFahrenheit(v, f.point.engineUnit) : kNaN;
      });
      out.push_back(effect(entry, channel, figure, degrees, shown, judged, kEffectLeastF, "%.0f"));
    }
    // A channel only a flight or two has (another reader's name for a
    // cylinder, in a log imported once) is not the aircraft's series where
    // others have enough flights.
    const auto seen = [](const MaintenanceEffect& e) { return std::max(e.flightsBefore, e.flightsAfter); };
    std::size_t most = 0;
    for (std::size_t i = from; i < out.size(); ++i) most = std::max(most, seen(out[i]));
    if (most >= kEffectFlightsLeast)
      out.erase(std::remove_if(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(),
                               [&](const MaintenanceEffect& e) { return seen(e) < kEffectFlightsLeast; }),
                out.end());
  };
  temperatures(&analysis::TrendPoint::cruiseCht, "cruise CHT");
  temperatures(&analysis::TrendPoint::cruiseEgt, "cruise EGT");
  // The lean test's spread, where the flights hold one and it is the only engine's.
  if (entry.engine == 0) {
    const auto spread = sides(entry.date, flights, [](const EffectFlight& f) { return f.leanSpreadGph; });
    if (!spread.first.empty() || !spread.second.empty())
      out.push_back(effect(entry, "", "lean spread", "GPH", spread, spread, kLeanSpreadChangeGph, "%.1f"));
  }
  return out;
}

void ApplyMaintenance(AircraftLog& log, const MaintenanceFile& file) {
  // A damaged file is told like an unreadable flight file; its readable entries count all the same.
  if (!file.problems.empty()) {
    ++log.unreadable;
    for (const analysis::LimitsProblem& p : file.problems)
      log.unreadableFiles.push_back({log.folder + "/" + kMaintenanceFileName,
                                     p.line > 0 ? "line " + std::to_string(p.line) + ": " + p.text : p.text});
  }
  std::vector<EffectFlight> flights;
  std::vector<FlownFlight> flown;
  flights.reserve(log.flights.size());
  for (auto it = log.flights.rbegin(); it != log.flights.rend(); ++it) {
    const CatalogEntry& e = it->entry;
    flights.push_back({e.trendPoint(), e.lean.spreadGph});
    FlownFlight f;
    f.date = e.start.substr(0, 10);
    f.hours = e.recordedSeconds / 3600.0;
    if (std::isfinite(e.fuelUsed) && e.fuelUsed > 0) f.fuel = e.fuelUsed;
    f.fuelUnit = e.fuelUnit.starts_with("L") || e.fuelUnit.starts_with("l") ? "L" : "gal";
    flown.push_back(std::move(f));
  }
  log.maintenance.clear();
  for (const MaintenanceEntry& entry : file.entries) log.maintenance.push_back({entry, MaintenanceEffects(entry, flights)});
  log.oil = OilConsumption(file.entries, flown);
  // The oil the engine uses is the aircraft's, judged under the newest flight's limits as the trends are.
  if (std::optional<analysis::Finding> oil = OilConsumptionFinding(log.oil, log.limits)) log.trends.push_back(std::move(*oil));
  // The factor the monitor uses now is not in its files: the corrected one is relative to it.
  log.fuel = FuelFlowCalibration(file.entries, flown, 1.0);

  // A change that starts at work on its cylinder names the work.
  for (analysis::Finding& t : log.trends) {
    const bool change = t.kind == analysis::FindingKind::Change || t.kind == analysis::FindingKind::TrendCht ||
                        t.kind == analysis::FindingKind::TrendEgt || t.kind == analysis::FindingKind::Baseline;
    if (!change || t.acknowledged || flights.empty()) continue;
    // The flights the finding looks at: from its date, or its last ten.
    const std::string from = !t.date.empty() ? t.date.substr(0, 10)
                                             : dateOf(flights[flights.size() - std::min(flights.size(), kEffectFlights)].point);
    const MaintenanceEntry* at = nullptr;
    for (const MaintenanceEntry& entry : file.entries) {
      if (!EntryCovers(entry, t.channel)) continue;
      // The finding's flights begin a few flights after the entry, or the
      // entry lies within their first half (a slow change's median moves
      // once half its recent flights are after the step).
      std::size_t after = 0, before = 0;
      for (const EffectFlight& f : flights) {
        if (dateOf(f.point) >= entry.date && dateOf(f.point) < from) ++after;
        if (dateOf(f.point) >= from && dateOf(f.point) < entry.date) ++before;
      }
      const bool starts = entry.date < from ? after < kChangeFlightsAfterEntry : before < kChangeFlightsBeforeEntry;
      if (starts && (!at || entry.date > at->date)) at = &entry;
    }
    if (!at) continue;
    // Cooler after the work is what it was done for; hotter after it is
    // still a problem, and the work is the first place to look.
    if (t.peak > 0) {
      t.text += ", since " + EntryName(*at);
      t.hint = "check the work of " + EntryName(*at) + (t.hint.empty() ? "" : "; " + t.hint);
      continue;
    }
    t.text += ", after " + EntryName(*at) + ": the work's effect, not a new problem";
    t.hint.clear();
    t.acknowledged = true;
    t.reason = "after " + EntryName(*at);
  }
}

std::size_t FirstFlightFrom(const AircraftLog& log, const std::string& date) {
  std::size_t first = log.flights.size();
  for (std::size_t i = 0; i < log.flights.size() && log.flights[i].entry.start.substr(0, 10) >= date; ++i) first = i;
  return first;
}

std::vector<std::string> EffectLines(const MaintenanceRecord& record) {
  std::vector<std::string> lines;
  std::string unchanged;
  std::size_t flights = kEffectFlights;
  std::string figure;
  for (const MaintenanceEffect& e : record.effects) {
    if (e.verdict != "made no difference") {
      lines.push_back(e.text);
      continue;
    }
    const bool sameFigure = e.figure == figure;
    unchanged += unchanged.empty() ? "" : sameFigure ? ", " : "; ";
    unchanged += e.channel.empty() ? e.figure : e.channel;
    figure = e.figure;
    flights = std::min({flights, e.flightsBefore, e.flightsAfter});
    // The figure's name once, after its last channel.
    const auto next = std::find_if(&e + 1, record.effects.data() + record.effects.size(),
                                   [](const MaintenanceEffect& x) { return x.verdict == "made no difference"; });
    if (!e.channel.empty() && (next == record.effects.data() + record.effects.size() || next->figure != e.figure))
      unchanged += " " + e.figure;
  }
  if (!unchanged.empty())
    lines.push_back("After " + EntryName(record.entry) + ", unchanged (" + std::to_string(flights) +
                    " flights each side at least): " + unchanged);
  return lines;
}

void ApplyMaintenanceAndAcknowledgements(AircraftLog& log, const MaintenanceFile& file,
                                         const std::vector<analysis::Acknowledgement>& acknowledgements,
                                         std::string_view today) {
  ApplyMaintenance(log, file);
  AcknowledgeFindings(log, acknowledgements, today);
}

void ApplyMaintenanceAndAcknowledgements(AircraftLog& log, const std::string& absoluteFolder,
                                         const std::vector<analysis::Acknowledgement>& acknowledgements,
                                         std::string_view today) {
  ApplyMaintenanceAndAcknowledgements(log, ReadMaintenance(absoluteFolder), acknowledgements, today);
}

}  // namespace varnix::store
