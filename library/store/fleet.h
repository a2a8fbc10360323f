// SPDX-License-Identifier: MIT
// The logbook's figures across flights: one row per aircraft for the fleet
// overview, the totals of the flights a filter shows, and the CSV text of a
// shown table (the one CSV field rule of the logbook's exports).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/logbook.h"

namespace varnix::store {

struct FleetRow {
  std::string folder;
  std::size_t flights = 0;
  double hours = 0;            // recorded time of every flight
  std::string lastFlight;      // "YYYY-MM-DD" of the newest flight; empty without flights
  std::size_t openFindings = 0;  // not acknowledged: the flights' and the trends'
  std::size_t newFlights = 0;    // added since the logbook last showed the aircraft
  // The newest flight's lean test with a sweep: its verdict under the
  // aircraft's limits ("good", "too_coarse"...) and its date; "" without one.
  std::string lastLeanTest, lastLeanDate;
  // Its health in one line (AircraftStatus: the worst open issue, or
  // "nothing new"), and whether that issue is a warning.
  std::string status;
  std::size_t issues = 0;  // its open issues (AircraftIssues)
  bool warning = false;
};

FleetRow MakeFleetRow(const AircraftLog& log);

// "130 flights · last 2026-11-30 · 3 new · 2 open": the parts after the
// count only when they say something.
std::string FleetRowText(const FleetRow& row);

struct FlightTotals {
  std::size_t flights = 0;
  double hours = 0;
  double fuel = 0;           // of the flights with a fuel figure
  std::size_t withFuel = 0;  // flights with a fuel figure
  std::string fuelUnit;      // "gal", "L", "lb", "kg"; "mixed" when the flights' units differ
};

FlightTotals TotalFlights(const std::vector<const LogbookFlight*>& flights);

// "12 flights · 18.4 h · 31.5 gal fuel", or with `of` (the flights there
// are) "12 of 130 flights · ..."; the fuel left out when no flight has it,
// and without a unit when the flights' units differ.
std::string TotalsText(const FlightTotals& totals, std::optional<std::size_t> of = std::nullopt);

// A CSV field: quoted (quotes doubled) when it holds a comma, a quote or a
// newline; varnix-cli logbook --csv writes its fields through it.
std::string CsvField(std::string_view text);

// The lines of `rows` (the first the titles), fields through CsvField,
// each line ended by "\n".
std::string CsvText(const std::vector<std::vector<std::string>>& rows);

}  // namespace varnix::store
