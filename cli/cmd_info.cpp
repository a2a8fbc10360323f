// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli info FILE.CSV [--json]: the header facts and the summary of a
// flight. The JSON keys are an interface for scripts (see the README).
#include <cmath>
#include <cstdio>
#include <string>

#include "commands.h"
#include "flight_json.h"
#include "flight/flight_reader.h"
#include "flight/flight_summary.h"

namespace varnix::cli {

namespace {

using flight::Extreme;
using flight::Flight;
using flight::FlightSummary;

// The instrument keeps two digits of the year.
int fullYear(int year) { return year < 100 ? 2000 + year : year; }

std::string isoStart(const flight::FlightFacts& f) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", fullYear(f.year), f.month, f.day, f.hours,
                f.minutes, f.seconds);
  return buf;
}

std::string extremes(const std::vector<Extreme>& list, bool withTime) {
  std::string out = "{";
  for (std::size_t i = 0; i < list.size(); ++i) {
    const Extreme& e = list[i];
    out += (i ? ", " : "") + jsonText(e.key) + ": {\"channel\": " + jsonText(e.channel) +
           ", \"value\": " + jsonValue(e.value);
    if (withTime) out += ", \"at\": " + jsonValue(e.at);
    out += "}";
  }
  return out + "}";
}

void printJson(const Flight& f, const FlightSummary& s) {
  const auto& facts = f.facts;
  std::string o = "{\n";
  o += "  \"aircraft\": " + jsonText(facts.aircraft) + ",\n";
  o += "  \"flight\": " + jsonText(facts.flightLabel) + ",\n";
  o += "  \"identification\": " + jsonText(facts.identification) + ",\n";
  o += "  \"start\": " + jsonText(isoStart(facts)) + ",\n";
  o += "  \"rows\": " + std::to_string(f.rows()) + ",\n";
  o += "  \"interval_s\": " + std::to_string(facts.interval) + ",\n";
  o += "  \"duration_h\": " + jsonValue(s.recordedSeconds / 3600.0) + ",\n";
  o += "  \"engine_unit\": " + jsonText(std::string(1, facts.engineUnit)) + ",\n";
  o += "  \"oat_unit\": " + jsonText(std::string(1, facts.outsideAirUnit)) + ",\n";
  o += "  \"fuel_unit\": " + jsonText(facts.fuelUnit) + ",\n";
  o += "  \"channels\": {";
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const flight::ChannelStats& st = s.channels[c];
    const bool any = st.count > 0;
    o += (c ? ",\n    " : "\n    ") + jsonText(f.channels[c]) + ": {\"min\": " +
         (any ? jsonValue(st.min) : "null") + ", \"max\": " + (any ? jsonValue(st.max) : "null") +
         ", \"mean\": " + (any ? jsonValue(st.mean) : "null") +
         ", \"max_at\": " + (any ? jsonValue(st.maxAt) : "null") + ", \"count\": " + std::to_string(st.count) + "}";
  }
  o += "\n  },\n";
  o += "  \"hottest\": " + extremes(s.hottest, false) + ",\n";
  o += "  \"max_dif\": " + extremes(s.maxSpread, true) + ",\n";
  o += "  \"fastest_cooling\": " + extremes(s.fastestCooling, true) + ",\n";
  o += "  \"battery\": " + extremes(s.battery, true) + ",\n";
  o += "  \"fuel_used\": {";
  for (std::size_t i = 0; i < s.fuel.size(); ++i)
    o += std::string(i ? ", " : "") + jsonText(std::string(flight::EnginePrefix(s.fuel[i].engine)) + "USD") +
         ": {\"amount\": " + jsonValue(s.fuel[i].amount) + ", \"from\": " +
         (s.fuel[i].fromUsd ? "\"USD\"" : "\"FF\"") + "}";
  o += "},\n";
  o += "  \"notes\": [";
  for (std::size_t i = 0; i < f.notes.size(); ++i) o += (i ? ", " : "") + jsonText(f.notes[i]);
  o += "]\n}\n";
  std::fputs(o.c_str(), stdout);
}

std::string figure(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

void printText(const Flight& f, const FlightSummary& s) {
  const auto& facts = f.facts;
  std::printf("Aircraft:   %s\n", facts.aircraft.c_str());
  std::printf("Flight:     #%s, %s\n", facts.flightLabel.c_str(), isoStart(facts).c_str());
  std::printf("Monitor:    %s\n", facts.identification.c_str());
  std::printf("Recorded:   %zu rows every %d s, %.2f hours\n", f.rows(), facts.interval, s.recordedSeconds / 3600.0);
  std::printf("Units:      engine °%c, OAT °%c%s%s\n", facts.engineUnit, facts.outsideAirUnit,
              facts.fuelUnit.empty() ? "" : ", fuel flow ", facts.fuelUnit.c_str());
  for (const auto* list : {&s.hottest, &s.maxSpread, &s.fastestCooling, &s.battery})
    for (const Extreme& e : *list)
      std::printf("%-11s %s %s\n", (e.key + ":").c_str(), figure(e.value).c_str(), e.channel.c_str());
  for (const auto& fuel : s.fuel)
    std::printf("Fuel used:  %s%s (%s)\n", figure(fuel.amount).c_str(),
                std::string(flight::EnginePrefix(fuel.engine)).c_str(), fuel.fromUsd ? "USD" : "from FF");
  std::printf("\n%-7s %10s %10s %10s %10s\n", "Channel", "min", "max", "mean", "max at s");
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const auto& st = s.channels[c];
    if (st.count == 0)
      std::printf("%-7s %10s\n", f.channels[c].c_str(), "NA");
    else
      std::printf("%-7s %10g %10g %10.1f %10g\n", f.channels[c].c_str(), st.min, st.max, st.mean, st.maxAt);
  }
  for (const std::string& note : f.notes) std::printf("Note: %s\n", note.c_str());
}

}  // namespace

void addInfoCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("info", "Print a flight CSV file's header facts and summary");
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  cmd->add_option("file", *path, "The flight's .CSV file")->required();
  cmd->add_flag("--json", *json, "Print JSON for scripts (keys as documented in the README)");
  cmd->callback([path, json, &exitCode] {
    const flight::FlightRead read = flight::ReadFlightFile(*path);
    if (!read.flight) {
      reportMessage(*path + ": " + read.problem);
      exitCode = read.line == 0 ? kFlightCannotOpen : kFlightUnreadable;
      return;
    }
    const FlightSummary summary = flight::SummarizeFlight(*read.flight);
    if (*json)
      printJson(*read.flight, summary);
    else
      printText(*read.flight, summary);
    exitCode = 0;
  });
}

}  // namespace varnix::cli
