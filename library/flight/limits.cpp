// SPDX-License-Identifier: MIT
#include "flight/limits.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace varnix::flight {

namespace {

constexpr LimitField kKeys[] = {
    {"cht_max", &Limits::chtMax, "CHT above this (°F)"},
    {"tit_max", &Limits::titMax, "TIT above this (°F)"},
    {"dif_max", &Limits::difMax, "EGT spread (DIF) above this (°F)"},
    {"cooling_max", &Limits::coolingMax, "heads cooling faster than this (°F per minute)"},
    {"oil_max", &Limits::oilMax, "oil above this after the first ten minutes (°F)"},
    {"oil_min", &Limits::oilMin, "oil below this after the first ten minutes (°F)"},
    {"battery_min", &Limits::batteryMin, "battery below this after the first minute (V, 14-volt system)"},
    {"battery_max", &Limits::batteryMax, "battery above this after the first minute (V, 14-volt system)"},
    {"battery28_min", &Limits::battery28Min, "battery below this (V, 28-volt system)"},
    {"battery28_max", &Limits::battery28Max, "battery above this (V, 28-volt system)"},
    {"egt_deviation", &Limits::egtDeviation, "a cylinder's cruise EGT this far from the others' mean (°F)"},
    {"trend_drift", &Limits::trendDrift, "max CHT or cruise EGT drifting this much over ten flights (°F)"},
};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::span<const LimitField> LimitFields() { return kKeys; }

std::string FormatLimits(const Limits& limits) {
  std::string out =
      "# Varnix limits for this aircraft. Temperatures in degrees Fahrenheit (flights\n"
      "# recorded in Celsius are checked against the converted values), voltages in volts.\n"
      "# Delete this file to go back to the defaults.\n";
  for (const LimitField& k : kKeys) {
    char line[160];
    std::snprintf(line, sizeof line, "%-14s = %g   # %s\n", k.key, limits.*k.field, k.help);
    out += line;
  }
  return out;
}

Limits ParseLimits(std::string_view text, std::string* problem) {
  Limits limits;
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
    bool used = false;
    if (eq != std::string_view::npos) {
      const std::string_view key = trim(line.substr(0, eq));
      const std::string_view value = trim(line.substr(eq + 1));
      double v = 0;
      const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
      if (ec == std::errc() && ptr == value.data() + value.size())
        for (const LimitField& k : kKeys)
          if (key == k.key) {
            limits.*k.field = v;
            used = true;
          }
    }
    if (!used && problem && problem->empty()) *problem = "line " + std::to_string(number) + ": not a known limit";
  }
  return limits;
}

Limits LoadLimits(const std::string& folder) {
  std::ifstream in(folder + "/" + kLimitsFileName, std::ios::binary);
  if (!in) return {};
  std::stringstream text;
  text << in.rdbuf();
  return ParseLimits(text.str());
}

bool SaveLimits(const std::string& folder, const Limits& limits) {
  std::ofstream out(folder + "/" + kLimitsFileName, std::ios::binary | std::ios::trunc);
  out << FormatLimits(limits);
  out.flush();
  return static_cast<bool>(out);
}

double FahrenheitToUnit(double fahrenheit, char unit) {
  return unit == 'C' ? (fahrenheit - 32) * 5.0 / 9.0 : fahrenheit;
}

double FahrenheitSpanToUnit(double span, char unit) { return unit == 'C' ? span * 5.0 / 9.0 : span; }

double UnitToFahrenheit(double value, char unit) { return unit == 'C' ? value * 9.0 / 5.0 + 32 : value; }

}  // namespace varnix::flight
