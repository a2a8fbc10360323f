// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/report/aircraft_report_content.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "flight/channels.h"
#include "flight/civil_date.h"
#include "frontend/chart/axis_span.h"
#include "store/aircraft_issues.h"
#include "store/trend_series.h"

namespace varnix::frontend::report {

namespace {

using store::LogbookFlight;

int digits(const std::string& s, std::size_t from, std::size_t count) {
  int v = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return -1;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

// The unit a table writes as `text` ("°F", "GPH"); None for one it does not know.
flight::Unit unitOfText(const std::string& text) {
  for (int u = 0; u <= static_cast<int>(flight::Unit::Degrees); ++u)
    if (flight::UnitText(static_cast<flight::Unit>(u)) == text) return static_cast<flight::Unit>(u);
  return flight::Unit::None;
}

// The unit a flight's fuel adds up to, from the fuel flow unit its header names.
std::string fuelAmountUnit(const std::string& flowUnit) {
  using U = flight::Unit;
  for (const U flow : {U::GallonsPerHour, U::LitresPerHour, U::PoundsPerHour, U::KilogramsPerHour})
    if (flight::UnitText(flow) == flowUnit) return std::string(flight::UnitText(flight::FuelAmountUnit(flow)));
  return std::string(flight::UnitText(U::Gallons));
}

std::string figureCell(const analysis::Figure& x, int decimals, const std::string& unit, bool withUnit) {
  if (!x.known()) return {};
  const std::string n = NumberText(x.value, decimals);
  return withUnit && !unit.empty() ? n + " " + unit : n;
}

std::string severityWord(const analysis::Finding& x) {
  return x.severity == analysis::Severity::Warning ? "WARNING" : "Caution";
}

}  // namespace

bool IsDate(const std::string& text) { return flight::IsIsoDay(text); }

std::optional<double> IsoSeconds(const std::string& iso) {
  if (iso.size() < 19 || !IsDate(iso.substr(0, 10)) || iso[10] != 'T') return std::nullopt;
  const int h = digits(iso, 11, 2), mi = digits(iso, 14, 2), s = digits(iso, 17, 2);
  if (h < 0 || mi < 0 || s < 0) return std::nullopt;
  const long long days = flight::DaysFromCivil(digits(iso, 0, 4), digits(iso, 5, 2), digits(iso, 8, 2));
  return static_cast<double>(days * 86400 + h * 3600 + mi * 60 + s);
}

AircraftReportContent MakeAircraftReportContent(const store::AircraftLog& log, const std::string& aircraft,
                                                const std::string& since, const std::string& until) {
  std::vector<const LogbookFlight*> shown;  // newest first
  for (const LogbookFlight& f : log.flights) {
    const std::string day = f.entry.start.substr(0, 10);
    if (day >= since && (until.empty() || day <= until)) shown.push_back(&f);
  }
  const std::string id = !log.flights.empty() ? log.flights.front().entry.aircraft : aircraft;
  const std::string period = until.empty() ? "from " + since : since + " to " + until;
  AircraftReportContent r;
  r.title = "Aircraft report: " + id + ", " + period;
  r.pageHeader = id + " · " + period;
  r.facts.push_back("Aircraft " + id + " · folder " + log.folder);
  r.facts.push_back("Period " + period + " · " + std::to_string(shown.size()) + " of the logbook's " +
                    std::to_string(log.flights.size()) + " flights");

  // A column's unit in its title; a cell says its own unit when its flight's differs.
  const flight::Unit degreesUnit = shown.empty() ? flight::Unit::DegreesF : shown.front()->entry.engineUnit;
  const std::string degrees(flight::UnitText(degreesUnit));
  const std::string fuel = shown.empty() ? fuelAmountUnit("") : fuelAmountUnit(shown.front()->entry.fuelUnit);
  const std::string flow = shown.empty() || shown.front()->entry.fuelUnit.empty() ? "GPH" : shown.front()->entry.fuelUnit;
  r.flights.header = {"Date",       "Start",        "Flight",       "Duration", "Hottest EGT (" + degrees + ")",
                      "Hottest CHT (" + degrees + ")", "Max DIF (" + degrees + ")", "Min BAT (V)", "Fuel (" + fuel + ")",
                      "Findings"};
  double seconds = 0, fuelUsed = 0;
  bool anyFuel = false, mixedFuel = false;
  for (const LogbookFlight* f : shown) {
    const store::CatalogEntry& e = f->entry;
    const bool otherDegrees = e.engineUnit != degreesUnit;
    const std::string d(flight::UnitText(e.engineUnit));
    const std::string flightFuel = fuelAmountUnit(e.fuelUnit);
    const bool otherFuel = flightFuel != fuel;
    r.flights.rows.push_back({e.start.substr(0, 10), e.start.size() >= 16 ? e.start.substr(11, 5) : "", "#" + e.flightLabel,
                              DurationText(e.recordedSeconds), figureCell(e.hottestEgt, 0, d, otherDegrees),
                              figureCell(e.hottestCht, 0, d, otherDegrees), figureCell(e.difMax, 0, d, otherDegrees),
                              figureCell(e.batteryMin, 1, "V", false),
                              std::isfinite(e.fuelUsed) ? NumberText(e.fuelUsed, 1) + (otherFuel ? " " + flightFuel : "")
                                                        : "",
                              std::to_string(f->openFindings())});
    seconds += e.recordedSeconds;
    if (std::isfinite(e.fuelUsed)) {
      anyFuel = true;
      mixedFuel = mixedFuel || otherFuel;
      if (!otherFuel) fuelUsed += e.fuelUsed;
    }
    for (const analysis::Finding& x : f->findings) {
      const std::string line = e.start.substr(0, 10) + " #" + e.flightLabel + " · " + severityWord(x) + " · " + x.text +
                               (x.hint.empty() ? "" : " — " + x.hint);
      if (x.acknowledged)
        r.acknowledged.push_back(line + " (acknowledged: " + x.reason + ")");
      else
        r.findings.push_back(line);
    }
  }
  r.totals.push_back("Flights " + std::to_string(shown.size()));
  r.totals.push_back("Flight time " + DurationText(seconds));
  if (anyFuel)
    r.totals.push_back("Fuel used " + NumberText(fuelUsed, 1) + " " + fuel + (mixedFuel ? " (flights in other units left out)" : ""));
  std::size_t open = 0;
  for (const LogbookFlight* f : shown) open += f->openFindings();
  r.totals.push_back("Open findings " + std::to_string(open));
  {
    store::AircraftLog period;  // the period's flights, the aircraft's trends
    period.folder = log.folder;
    for (const LogbookFlight* f : shown) period.flights.push_back(*f);
    period.trends = log.trends;
    period.maintenance = log.maintenance;
    for (const store::AircraftIssue& i : store::AircraftIssues(period)) {
      const std::string when = i.first == i.last ? i.last : i.first + " to " + i.last;
      const std::string severity = !i.resolvedBy.empty() ? "Resolved"
                                   : i.severity == analysis::Severity::Warning ? "WARNING"
                                                                               : "Caution";
      r.issues.push_back(severity + " · " + i.text + " — " + std::to_string(i.flights) +
                         (i.flights == 1 ? " flight, " : " flights, ") + when + (i.hint.empty() ? "" : " — " + i.hint) +
                         (i.resolvedBy.empty() ? "" : " — resolved by " + i.resolvedBy));
    }
  }
  const auto inPeriod = [&](const std::string& day) { return day >= since && (until.empty() || day <= until); };
  for (const store::MaintenanceRecord& m : log.maintenance) {
    if (!inPeriod(m.entry.date)) continue;
    std::string line = m.entry.date + " · " + store::EntryName(m.entry);
    for (const std::string& effect : store::EffectLines(m)) line += " · " + effect;
    r.maintenance.push_back(std::move(line));
  }
  for (const store::OilInterval& o : log.oil)
    if (o.rate && inPeriod(o.to)) r.maintenance.push_back(store::OilIntervalText(o));
  if (const std::string fuel = store::FuelFlowText(log.fuel); !fuel.empty()) r.maintenance.push_back(fuel);
  for (const analysis::Finding& t : log.trends)
    r.trends.push_back(severityWord(t) + " · " + t.text + (t.acknowledged ? " (acknowledged: " + t.reason + ")" : ""));

  // The panels, oldest flight first; a flight in another unit is left out of the temperature panels.
  using Get = std::function<double(const store::CatalogEntry&)>;
  constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
  auto figure = [](analysis::Figure store::CatalogEntry::*m) {
    return Get([m, kNone](const store::CatalogEntry& e) { return (e.*m).known() ? (e.*m).value : kNone; });
  };
  const struct {
    const char* title;
    std::string unit;
    flight::ChannelKind kind;  // what the axis shows, for its least span
    Get get;
    bool degrees, fuel;
  } series[] = {
      {"Hottest CHT", degrees, flight::ChannelKind::Cht, figure(&store::CatalogEntry::hottestCht), true, false},
      {"Hottest EGT", degrees, flight::ChannelKind::Egt, figure(&store::CatalogEntry::hottestEgt), true, false},
      {"Max DIF", degrees, flight::ChannelKind::Dif, figure(&store::CatalogEntry::difMax), true, false},
      {"Min BAT", "V", flight::ChannelKind::Battery, figure(&store::CatalogEntry::batteryMin), false, false},
      {"Fuel per hour", flow, flight::ChannelKind::FuelFlow,
       [kNone](const store::CatalogEntry& e) {
         return e.recordedSeconds >= 600 ? e.fuelUsed / (e.recordedSeconds / 3600) : kNone;
       },
       false, true},
  };
  for (const auto& s : series) {
    TrendSeries t{s.title, s.unit, MinimumAxisSpan(s.kind, unitOfText(s.unit)), {}};
    for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
      const store::CatalogEntry& e = (*it)->entry;
      if (s.degrees && e.engineUnit != degreesUnit) continue;
      if (s.fuel && fuelAmountUnit(e.fuelUnit) != fuel) continue;
      const double v = s.get(e);
      const std::optional<double> at = IsoSeconds(e.start);
      if (!std::isfinite(v) || !at) continue;
      const bool afterGap = !t.points.empty() && *at - t.points.back().time > store::kTrendGapDays * 86400.0;
      t.points.push_back({*at, v, afterGap});
    }
    if (!t.points.empty()) r.panels.push_back(std::move(t));
  }
  return r;
}

}  // namespace varnix::frontend::report
