// SPDX-License-Identifier: MIT
// The limits an aircraft's flights are checked against. They are kept in
// degrees Fahrenheit and volts, in a small text file in the aircraft's
// folder that a person can read and edit; flights recorded in degrees
// Celsius are checked against the converted limits.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "flight/channels.h"
#include "flight/flight.h"
#include "flight/outcome.h"

namespace varnix::analysis {

struct Limits {
  double chtMax = 450;          // °F
  double titMax = 1650;         // °F
  double difMax = 500;          // °F, the EGT spread
  double coolingMax = 50;       // °F per minute of cooling (CLD below -50), information only
  double oilMax = 230;          // °F, after the first ten minutes
  double oilMin = 90;           // °F, after the first ten minutes
  double batteryMin = 12.0;     // V, after the first minute (14-volt system)
  double batteryMax = 15.5;
  double battery28Min = 24.0;   // V, a 28-volt system (median voltage above 20 V)
  double battery28Max = 31.0;
  double egtDeviation = 100;    // °F from the mean of the other cylinders in steady cruise
  double trendDrift = 25;       // °F over the last ten flights (least-squares)
  // Power and mixture: the engine's rating, 0 when unknown (see README, "Power and mixture").
  double ratedHp = 0;           // horsepower at 2700 rpm and full throttle
  double compressionRatio = 0;  // e.g. 8.5 for 8.5:1

  // The lean test and the magneto check (lean_test.h, mag_check.h).
  double leanGoodSpread = 0.5;  // GPH between the first and the last cylinder's peak
  double leanFairSpread = 1.0;  // GPH
  double magDropMax = 175;      // RPM on one magneto
  double magDropDifference = 50;  // RPM between the two magnetos' drops
  double magRiseMin = 20;       // °F each EGT rises on one magneto
  double magRiseMax = 150;      // °F

  // Quieter, fuller findings, cylinder hints, baselines and trends.
  double chtCaution = 420;        // °F, the lower CHT level: long hot cruises (a caution)
  double hintEgtDeviation = 50;   // °F from the other cylinders in cruise that makes a cylinder's EGT high or low
  double hintChtDeviation = 25;   // °F from the other cylinders that makes a cylinder's CHT high or low
  double baselineDeviations = 3;  // robust deviations from the cylinder's baseline that make a baseline finding
  double baselinePower = 10;      // % of power either side that makes flights comparable
  double baselineOat = 10;        // °C of OAT either side that makes flights comparable
  double trendFit = 0.5;          // the least R² of a drift's fit
  double hottestChange = 15;      // °F by which another cylinder must be hottest, two flights running

  // Sensor faults (analysis/sensor_faults.h).
  double chtDivergence = 100;     // °F from the median of the other heads
  double egtDivergence = 400;     // °F from the median of the other EGTs
  double sensorStep = 200;        // °F between two rows of 6 s, beyond what the other cylinders did
  double sensorStuckMinutes = 5;  // minutes at one value...
  double sensorStuckMove = 50;    // ...while the other cylinders move by more than this (°F)
  // The exhaust-valve screen (analysis/valve_screen.h).
  double valveAmplitudeMin = 30;  // °F, the swing of a cruise EGT about the others
  double valveAmplitudeMax = 100;

  bool operator==(const Limits&) const = default;
};

// Every limit with its key in the file, a line of help and the range of
// plausible values (a value outside it is a typing slip, not a limit), in
// file order.
struct LimitField {
  const char* key;
  double Limits::*field;
  const char* help;
  double min, max;
};
std::span<const LimitField> LimitFields();

// The defaults with the CHT levels of an engine family, "continental" or
// "lycoming" (any case), or another engine preset's figures by its key
// (engine_presets.h); nothing for another name.
std::optional<Limits> EngineFamilyLimits(std::string_view family);

// The file name in an aircraft's folder.
inline constexpr const char* kLimitsFileName = "varnix-limits.txt";

// The text of a limits file: one "key = value" line per limit, with comments,
// after an "engine = ..." line when `engine` names the engine.
std::string FormatLimits(const Limits& limits, std::string_view engine = {});

// What is wrong with a limits file: its line (0 for the file as a whole)
// and what, ending with the value that applies instead.
struct LimitsProblem {
  int line = 0;
  std::string text;
  bool operator==(const LimitsProblem&) const = default;
};

// Limits as read from a text: the text's limits over the defaults and every
// problem; `path` names the file they came from ("" for a text).
struct LimitsFile {
  Limits limits;
  std::string path;
  std::vector<LimitsProblem> problems;
  std::string engine;  // the "engine = ..." key as written (an engine preset's name), "" without one
};

// Reads "key = value" lines over the defaults; '#' starts a comment, keys
// are matched without regard to case, a byte-order mark and CR LF line ends
// are accepted. A line that is not a known key with a finite number in its
// range changes nothing and is a problem; so is an engine key that names no
// engine preset.
LimitsFile ParseLimits(std::string_view text);

// An aircraft's limits as read from its folder (the defaults alone when
// there is no file), `path` the file looked for.
LimitsFile ReadLimits(const std::string& folder);

// The text of a small file of an aircraft's folder (limits, acknowledgements):
// nothing when there is none (no problem) or it cannot be read, is no
// regular file or holds more than `most` bytes (a problem at line 0).
inline constexpr std::size_t kFolderFileMost = 1024 * 1024;
std::optional<std::string> ReadFolderFile(const std::string& path, std::vector<LimitsProblem>& problems,
                                          std::size_t most);
// Writes such a file whole (a temporary beside it, renamed into place).
flight::Done SaveFolderFile(const std::string& path, const std::string& text);

// "<path> line N: ..." (or "<path>: ..."), one for each problem of `file`.
std::vector<std::string> LimitsProblemLines(const LimitsFile& file);

// The limits of the aircraft whose folder is `folder` (ReadLimits without
// the problems).
Limits LoadLimits(const std::string& folder);

// Writes the aircraft's limits file, replacing it whole (a temporary beside
// it, renamed into place); the problem says why it cannot.
flight::Done SaveLimits(const std::string& folder, const Limits& limits, std::string_view engine = {});

// The unit of a flight's engine temperatures as its header says: the one
// place the analysis reads the header's unit letter.
flight::Unit EngineUnit(const flight::FlightFacts& facts);
// "F" or "C", as the header, the catalog and the JSON write it.
std::string_view TemperatureLetter(flight::Unit unit);

// Temperature conversions for flights recorded in °C (DegreesC or
// DegreesCPerMinute; every other unit is taken as it is): an absolute
// temperature, and a difference or rate.
double FahrenheitToUnit(double fahrenheit, flight::Unit unit);
double FahrenheitSpanToUnit(double span, flight::Unit unit);
double UnitToFahrenheit(double value, flight::Unit unit);

}  // namespace varnix::analysis
