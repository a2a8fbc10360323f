// SPDX-License-Identifier: MIT
#include "analysis/limits.h"

#include "analysis/engine_presets.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/output_file.h"
#include "platform/platform.h"

namespace varnix::analysis {

namespace {

// The ranges hold every engine and battery a monitor is fitted to; what lies
// outside is a slip of the keyboard (4500 for 450), never a real limit.
constexpr LimitField kKeys[] = {
    {"cht_max", &Limits::chtMax, "CHT above this (°F)", 200, 700},
    {"tit_max", &Limits::titMax, "TIT above this (°F)", 1000, 2000},
    {"dif_max", &Limits::difMax, "EGT spread (DIF) above this (°F)", 10, 1000},
    {"cooling_max", &Limits::coolingMax, "heads cooling faster than this (°F per minute)", 1, 300},
    {"oil_max", &Limits::oilMax, "oil above this after the first ten minutes (°F)", 100, 350},
    {"oil_min", &Limits::oilMin, "oil below this after the first ten minutes (°F)", 0, 250},
    {"battery_min", &Limits::batteryMin, "battery below this after the first minute (V, 14-volt system)", 8, 16},
    {"battery_max", &Limits::batteryMax, "battery above this after the first minute (V, 14-volt system)", 10, 20},
    {"battery28_min", &Limits::battery28Min, "battery below this (V, 28-volt system)", 16, 32},
    {"battery28_max", &Limits::battery28Max, "battery above this (V, 28-volt system)", 20, 40},
    {"egt_deviation", &Limits::egtDeviation, "a cylinder's cruise EGT this far from the others' mean (°F)", 5, 500},
    {"trend_drift", &Limits::trendDrift, "max CHT or cruise EGT drifting this much over ten flights (°F)", 1, 300},
    // The lean test and the magneto check.
    {"lean_good_spread", &Limits::leanGoodSpread, "lean test good up to this fuel flow between first and last peak (GPH)", 0.05, 5},
    {"lean_fair_spread", &Limits::leanFairSpread, "lean test fair up to this fuel flow between first and last peak (GPH)", 0.1, 10},
    {"mag_drop_max", &Limits::magDropMax, "magneto check: RPM drop on one magneto above this (RPM)", 25, 500},
    {"mag_drop_difference", &Limits::magDropDifference, "magneto check: the two magnetos' drops differing by more (RPM)", 5, 300},
    {"mag_rise_min", &Limits::magRiseMin, "magneto check: each EGT rising at least this on one magneto (°F)", 1, 200},
    {"mag_rise_max", &Limits::magRiseMax, "magneto check: each EGT rising at most this on one magneto (°F)", 20, 500},
    // Power and mixture: 0 is "unknown" and leaves the lean-of-peak power estimate out.
    {"rated_hp", &Limits::ratedHp, "the engine's rated horsepower (0: unknown)", 0, 2000},
    {"compression_ratio", &Limits::compressionRatio, "the engine's compression ratio, 8.5 for 8.5:1 (0: unknown)", 0, 15},
    // Quieter, fuller findings, cylinder hints, baselines and trends.
    {"cht_caution", &Limits::chtCaution, "CHT above this is a caution (°F)", 200, 700},
    {"hint_egt_deviation", &Limits::hintEgtDeviation, "a cylinder's cruise EGT this far from the others is high or low (°F)",
     5, 500},
    {"hint_cht_deviation", &Limits::hintChtDeviation, "a cylinder's CHT this far from the others is high or low (°F)", 5,
     300},
    {"baseline_deviations", &Limits::baselineDeviations,
     "a cruise CHT or EGT this many robust deviations from its baseline", 1, 20},
    {"baseline_power", &Limits::baselinePower, "flights within this much power are comparable (% either side)", 1, 50},
    {"baseline_oat", &Limits::baselineOat, "flights within this much OAT are comparable (°C either side)", 1, 50},
    {"trend_fit", &Limits::trendFit, "the least R² of a drift's fit", 0, 1},
    {"hottest_change", &Limits::hottestChange, "another cylinder hottest by this much two flights running (°F)", 1,
     200},
    // Sensor faults and the exhaust-valve screen.
    {"cht_divergence", &Limits::chtDivergence, "a CHT probe this far from the other heads' median is faulty (°F)", 20,
     500},
    {"egt_divergence", &Limits::egtDivergence, "an EGT probe this far from the other EGTs' median is faulty (°F)", 50,
     1500},
    {"sensor_step", &Limits::sensorStep, "an EGT or CHT jumping this much more than the others between rows of 6 s (°F)",
     20, 2000},
    {"sensor_stuck_minutes", &Limits::sensorStuckMinutes, "an EGT or CHT at one value this long is stuck... (minutes)",
     1, 60},
    {"sensor_stuck_move", &Limits::sensorStuckMove, "...while the other cylinders move by more than this (°F)", 5, 500},
    {"valve_amplitude_min", &Limits::valveAmplitudeMin,
     "a cruise EGT swinging about the others by this much (±°F, about once a minute) is a valve finding", 5, 500},
    {"valve_amplitude_max", &Limits::valveAmplitudeMax, "...and by no more than this (±°F)", 10, 1000},
};

// The key that names the engine: a text, not a limit, so outside kKeys.
constexpr std::string_view kEngineKey = "engine";

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool sameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char c = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (c != b[i]) return false;
  }
  return true;
}

// The shortest text that reads back as the same number.
std::string numberText(double v) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

const LimitField* fieldOf(std::string_view key) {
  for (const LimitField& k : kKeys)
    if (sameKey(key, k.key)) return &k;
  return nullptr;
}

}  // namespace

std::span<const LimitField> LimitFields() { return kKeys; }

std::optional<Limits> EngineFamilyLimits(std::string_view family) {
  for (const EnginePreset& p : EnginePresets())
    if (sameKey(family, p.key)) return WithPreset(Limits{}, p);
  return std::nullopt;
}

std::string FormatLimits(const Limits& limits, std::string_view engine) {
  std::string out =
      "# Varnix limits for this aircraft. Temperatures in degrees Fahrenheit (flights\n"
      "# recorded in Celsius are checked against the converted values), voltages in volts.\n"
      "# Delete this file to go back to the defaults.\n";
  if (!engine.empty())
    out += std::string(kEngineKey) + " = " + std::string(engine) +
           "   # the engine preset; a limit below at other than its default wins over it\n";
  for (const LimitField& k : kKeys) {
    char line[200];
    std::snprintf(line, sizeof line, "%-14s = %s   # %s\n", k.key, numberText(limits.*k.field).c_str(), k.help);
    out += line;
  }
  return out;
}

LimitsFile ParseLimits(std::string_view text) {
  LimitsFile parsed;
  Limits& limits = parsed.limits;
  int seen[std::size(kKeys)] = {};  // the line that set each key
  auto problem = [&](int line, std::string what) { parsed.problems.push_back({line, std::move(what)}); };
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++number;
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    line = trim(line);
    if (line.empty()) continue;
    const std::size_t eq = line.find('=');
    if (eq != std::string_view::npos && sameKey(trim(line.substr(0, eq)), kEngineKey)) {
      const std::string_view name = trim(line.substr(eq + 1));
      if (!PresetOfName(name))
        problem(number, "engine: \"" + std::string(name) + "\" is no engine preset; the line changes nothing");
      else
        parsed.engine = std::string(name);
      continue;
    }
    const LimitField* k = eq == std::string_view::npos ? nullptr : fieldOf(trim(line.substr(0, eq)));
    if (!k) {
      problem(number, "not a known limit");
      continue;
    }
    double& field = limits.*k->field;
    const std::string applies = "; " + numberText(field) + " applies";
    const std::string_view value = trim(line.substr(eq + 1));
    double v = 0;
    const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
    if (ec != std::errc() || ptr != value.data() + value.size() || value.empty()) {
      problem(number, std::string(k->key) + ": \"" + std::string(value) + "\" is not a number" + applies);
    } else if (!std::isfinite(v)) {
      problem(number, std::string(k->key) + ": \"" + std::string(value) + "\" is not a finite number" + applies);
    } else if (v < k->min || v > k->max) {
      problem(number, std::string(k->key) + ": " + numberText(v) + " is outside " + numberText(k->min) + " to " +
                          numberText(k->max) + applies);
    } else {
      int& before = seen[k - kKeys];
      if (before)
        problem(number, std::string(k->key) + " was given on line " + std::to_string(before) +
                            " already; this line's " + numberText(v) + " applies");
      before = number;
      field = v;
    }
  }
  return parsed;
}

std::optional<std::string> ReadFolderFile(const std::string& path, std::vector<LimitsProblem>& problems,
                                          std::size_t most) {
  bool notRegular = false;
  std::FILE* in = platform::openRegularFile(path, &notRegular);
  if (!in) {
    // No file is no problem: the defaults apply.
    if (notRegular)
      problems.push_back({0, std::string(platform::kNotRegularFile) + "; the defaults apply"});
    else if (errno != ENOENT)
      problems.push_back({0, "cannot be read: " + platform::failureReason(errno) + "; the defaults apply"});
    return std::nullopt;
  }
  std::string text;
  char buf[4096];
  std::size_t n = 0;
  while (text.size() <= most && (n = std::fread(buf, 1, sizeof buf, in)) > 0) text.append(buf, n);
  const bool failed = std::ferror(in) != 0;
  const int error = errno;
  std::fclose(in);
  if (failed) {
    problems.push_back({0, "cannot be read: " + platform::failureReason(error) + "; the defaults apply"});
    return std::nullopt;
  }
  if (text.size() > most) {
    problems.push_back({0, "is larger than " + std::to_string(most / 1024) + " KiB; the defaults apply"});
    return std::nullopt;
  }
  return text;
}

LimitsFile ReadLimits(const std::string& folder) {
  LimitsFile file;
  file.path = folder + "/" + kLimitsFileName;
  if (const std::optional<std::string> text = ReadFolderFile(file.path, file.problems, kFolderFileMost)) {
    LimitsFile parsed = ParseLimits(*text);
    file.limits = parsed.limits;
    file.engine = std::move(parsed.engine);
    file.problems.insert(file.problems.end(), parsed.problems.begin(), parsed.problems.end());
  }
  return file;
}

std::vector<std::string> LimitsProblemLines(const LimitsFile& file) {
  std::vector<std::string> lines;
  for (const LimitsProblem& p : file.problems)
    lines.push_back(file.path + (p.line ? " line " + std::to_string(p.line) : std::string()) + ": " + p.text);
  return lines;
}

Limits LoadLimits(const std::string& folder) { return ReadLimits(folder).limits; }

flight::Done SaveFolderFile(const std::string& path, const std::string& text) {
  platform::ReplacingFile out(path);
  if (out.file() && platform::writeAll(out.file(), text.data(), text.size()) && out.commit()) return {};
  return flight::Done::failed(platform::failureText(out.target(), out.error() ? out.error() : errno));
}

flight::Done SaveLimits(const std::string& folder, const Limits& limits, std::string_view engine) {
  return SaveFolderFile(folder + "/" + kLimitsFileName, FormatLimits(limits, engine));
}

namespace {

bool celsius(flight::Unit unit) { return unit == flight::Unit::DegreesC || unit == flight::Unit::DegreesCPerMinute; }

}  // namespace

flight::Unit EngineUnit(const flight::FlightFacts& facts) { return facts.engineUnit == 'C' ? flight::Unit::DegreesC : flight::Unit::DegreesF; }

std::string_view TemperatureLetter(flight::Unit unit) { return celsius(unit) ? "C" : "F"; }

double FahrenheitToUnit(double fahrenheit, flight::Unit unit) {
  return celsius(unit) ? (fahrenheit - 32) * 5.0 / 9.0 : fahrenheit;
}

double FahrenheitSpanToUnit(double span, flight::Unit unit) { return celsius(unit) ? span * 5.0 / 9.0 : span; }

double UnitToFahrenheit(double value, flight::Unit unit) { return celsius(unit) ? value * 9.0 / 5.0 + 32 : value; }

}  // namespace varnix::analysis
