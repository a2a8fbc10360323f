// SPDX-License-Identifier: MIT
// Before and after the work: for each maintenance entry that names an engine
// or a cylinder (or applies to all of them), that cylinder's cruise CHT and
// EGT, and the engine's lean-test spread, over up to ten flights before it
// and ten after (a flight on the entry's day counts after), judged as the
// slow changes judge a step: against the flight-to-flight scatter, the
// cylinder against the other cylinders of its engine, so that a season or a
// power setting does not pass for the work's effect. Applied to a logbook,
// a change finding that starts at an entry names it instead of calling it a
// new problem, and an issue that stops after it is shown as resolved by it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/acknowledgements.h"
#include "analysis/findings.h"
#include "store/maintenance_figures.h"
#include "store/maintenance_log.h"

namespace varnix::store {

struct AircraftLog;

struct MaintenanceEffect {
  std::string channel;   // "C3", "LE2"; the engine ("L", "R", "" for the only one) for the lean spread
  std::string figure;    // "cruise CHT", "cruise EGT", "lean spread"
  std::string unit;      // "°F", "°C", "GPH"
  std::optional<double> before, after, difference;  // medians, after - before; none with too few flights
  std::size_t flightsBefore = 0, flightsAfter = 0;
  std::string verdict;   // "helped", "made no difference", "worse", "too few flights to judge"
  std::string text;      // "C3 cruise CHT 402 -> 377 °F after 'injector 3 cleaned' on 2026-11-12 (10 flights each side): the work helped"
};

struct MaintenanceRecord {
  MaintenanceEntry entry;
  std::vector<MaintenanceEffect> effects;
};

// Up to this many flights on each side, and at least this many for a verdict.
inline constexpr std::size_t kEffectFlights = 10;
inline constexpr std::size_t kEffectFlightsLeast = 5;
// A cylinder's figure changed by the work by at least this many °F (and
// three times its scatter from flight to flight).
inline constexpr double kEffectLeastF = 5;
// A lean spread moves by this many GPH before it is called changed.
inline constexpr double kLeanSpreadChangeGph = 0.2;

// One flight as the effects need it.
struct EffectFlight {
  analysis::TrendPoint point;
  double leanSpreadGph = 0;  // NaN without a lean test
  char leanEngine = 0;       // the engine of that test: 'L', 'R', 0 for the only one
};

// "'injector 3 cleaned' on 2026-11-12": an entry as the texts name it.
std::string EntryName(const MaintenanceEntry& entry);
// Whether a channel ("C3", "LE3", "E1 CHT3") is of the entry's cylinder (or
// of one of the cylinders of its engine when it names none).
bool EntryCovers(const MaintenanceEntry& entry, const std::string& channel);

// `flights` oldest first. No effects for an entry that names no engine, no
// cylinder and is not of a kind done to every cylinder (plugs, injectors,
// cylinders, magnetos, borescope, compression).
std::vector<MaintenanceEffect> MaintenanceEffects(const MaintenanceEntry& entry, const std::vector<EffectFlight>& flights);

// The effects as an owner reads them: each that changed (or cannot be
// judged yet) its own line, those that made no difference one line: "After
// 'plugs rotated' on 2025-03-28, unchanged (10 flights each side at least):
// C1, C2, C3 cruise CHT; E1, E2, E3 cruise EGT".
std::vector<std::string> EffectLines(const MaintenanceRecord& record);

// The first of the log's flights (newest first) on or after `date`
// ("YYYY-MM-DD"), the one that shows the work's effect first: its index,
// the count of flights when none is.
std::size_t FirstFlightFrom(const AircraftLog& log, const std::string& date);

// Applies the folder's maintenance log to `log`: the effects of every entry,
// the oil consumption and its finding, the fuel-flow error, change findings
// named by the entry they start at. A damaged file's problems join the log's
// unreadable files; its readable entries are used all the same. Call it once.
void ApplyMaintenance(AircraftLog& log, const MaintenanceFile& file);

// The owner's two files on a log just built: the maintenance log, then the
// acknowledgements that cover `today` ("YYYY-MM-DD"). In that order, so that
// an acknowledgement reaches the findings the maintenance log adds (the oil
// consumption). Every view of an aircraft's log takes this road;
// `absoluteFolder` is the aircraft's folder on disk, read for its maintenance.csv.
void ApplyMaintenanceAndAcknowledgements(AircraftLog& log, const MaintenanceFile& file,
                                         const std::vector<analysis::Acknowledgement>& acknowledgements,
                                         std::string_view today);
void ApplyMaintenanceAndAcknowledgements(AircraftLog& log, const std::string& absoluteFolder,
                                         const std::vector<analysis::Acknowledgement>& acknowledgements,
                                         std::string_view today);

}  // namespace varnix::store
