// SPDX-License-Identifier: MIT
#include "store/fleet.h"

#include <cmath>
#include <cstdio>

#include "flight/channels.h"
#include "store/aircraft_issues.h"

namespace varnix::store {

namespace {

std::string fixed(double v, int decimals) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string counted(std::size_t n, const char* one, const char* many) {
  std::string text = std::to_string(n);
  return text.append(" ").append(n == 1 ? one : many);
}

// The unit of the fuel used from the header's fuel flow unit ("GPH": "gal").
std::string fuelAmountUnit(const std::string& flowUnit) {
  for (flight::Unit u : {flight::Unit::GallonsPerHour, flight::Unit::LitresPerHour, flight::Unit::PoundsPerHour, flight::Unit::KilogramsPerHour})
    if (flight::UnitText(u) == flowUnit) return std::string(flight::UnitText(flight::FuelAmountUnit(u)));
  return {};
}

}  // namespace

FleetRow MakeFleetRow(const AircraftLog& log) {
  FleetRow row;
  row.folder = log.folder;
  row.flights = log.flights.size();
  for (const LogbookFlight& f : log.flights) {
    row.hours += f.entry.recordedSeconds / 3600.0;
    row.openFindings += f.openFindings();
    row.newFlights += f.isNew;
  }
  for (const analysis::Finding& t : log.trends) row.openFindings += !t.acknowledged;
  // Newest first: the first flight is the last one flown.
  if (!log.flights.empty()) row.lastFlight = log.flights.front().entry.start.substr(0, 10);
  for (const LogbookFlight& f : log.flights) {
    if (f.entry.lean.verdict.empty()) continue;
    row.lastLeanTest = analysis::LastLeanVerdict(f.entry.lean, log.limits);
    row.lastLeanDate = f.entry.start.substr(0, 10);
    break;
  }
  const std::vector<AircraftIssue> issues = AircraftIssues(log);
  row.status = AircraftStatus(AircraftId(log), issues);
  row.issues = issues.size();
  row.warning = !issues.empty() && issues.front().severity == analysis::Severity::Warning;
  return row;
}

std::string FleetRowText(const FleetRow& row) {
  std::string text = counted(row.flights, "flight", "flights");
  if (!row.lastFlight.empty()) text.append(" · last ").append(row.lastFlight);
  if (row.newFlights) text.append(" · ").append(std::to_string(row.newFlights)).append(" new");
  if (row.openFindings) text.append(" · ").append(std::to_string(row.openFindings)).append(" open");
  return text;
}

FlightTotals TotalFlights(const std::vector<const LogbookFlight*>& flights) {
  FlightTotals t;
  for (const LogbookFlight* f : flights) {
    ++t.flights;
    t.hours += f->entry.recordedSeconds / 3600.0;
    if (!std::isfinite(f->entry.fuelUsed)) continue;
    t.fuel += f->entry.fuelUsed;
    const std::string unit = fuelAmountUnit(f->entry.fuelUnit);
    if (t.withFuel++ == 0)
      t.fuelUnit = unit;
    else if (t.fuelUnit != unit)
      t.fuelUnit = "mixed";
  }
  return t;
}

std::string TotalsText(const FlightTotals& t, std::optional<std::size_t> of) {
  std::string text = of ? std::to_string(t.flights) + " of " + counted(*of, "flight", "flights")
                        : counted(t.flights, "flight", "flights");
  text.append(" · ").append(fixed(t.hours, 1)).append(" h");
  if (t.withFuel) {
    text.append(" · ").append(fixed(t.fuel, 1));
    // Sums of gallons and litres together mean nothing in either unit.
    if (t.fuelUnit == "mixed")
      text.append(" fuel (mixed units)");
    else if (t.fuelUnit.empty())
      text.append(" fuel");
    else
      text.append(" ").append(t.fuelUnit).append(" fuel");
  }
  return text;
}

std::string CsvField(std::string_view s) {
  if (s.find_first_of(",\"\n") == std::string_view::npos) return std::string(s);
  std::string o = "\"";
  for (char c : s) {
    if (c == '"') o += '"';
    o += c;
  }
  o += '"';
  return o;
}

std::string CsvText(const std::vector<std::vector<std::string>>& rows) {
  std::string text;
  for (const std::vector<std::string>& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i) text += ',';
      text.append(CsvField(row[i]));
    }
    text += '\n';
  }
  return text;
}

}  // namespace varnix::store
