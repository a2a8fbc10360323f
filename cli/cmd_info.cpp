// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli info FILE.CSV [--json]: the header facts and the summary of a
// flight. The JSON keys are an interface for scripts (see the README).
#include <cmath>
#include <cstdio>
#include <string>

#include "commands.h"
#include "flight_argument.h"
#include "flight_json.h"
#include "flight/open_flight.h"
#include "frontend/guarded_work.h"
#include "analysis/flight_summary.h"
#include "analysis/limits.h"

namespace varnix::cli {

namespace {

using analysis::Extreme;
using flight::Flight;
using analysis::FlightSummary;

// The instrument keeps two digits of the year.
int fullYear(int year) { return year < 100 ? 2000 + year : year; }

std::string isoStart(const flight::FlightFacts& f) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", fullYear(f.year), f.month, f.day, f.hours,
                f.minutes, f.seconds);
  return buf;
}

Json extremes(const std::vector<Extreme>& list, bool withTime) {
  Json out = Json::object();
  for (const Extreme& e : list) {
    Json& x = out[platform::utf8OrLatin1(e.key)] = Json::object({{"channel", JsonText(e.channel)}, {"value", JsonValue(e.value)}});
    if (withTime) x["at"] = JsonValue(e.at);
  }
  return out;
}

void printJson(const Flight& f, const FlightSummary& s) {
  const auto& facts = f.facts;
  Json o = Json::object();
  o["aircraft"] = JsonText(facts.aircraft);
  o["flight"] = JsonText(facts.flightLabel);
  o["identification"] = JsonText(facts.identification);
  o["start"] = JsonText(isoStart(facts));
  o["rows"] = f.rows();
  o["interval_s"] = facts.interval;
  o["duration_h"] = JsonValue(s.recordedSeconds / 3600.0);
  o["engine_unit"] = JsonText(analysis::TemperatureLetter(analysis::EngineUnit(facts)));
  o["oat_unit"] = JsonText(std::string(1, facts.outsideAirUnit));
  o["fuel_unit"] = JsonText(facts.fuelUnit);
  Json& channels = o["channels"] = Json::object();
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const analysis::ChannelStats& st = s.channels[c];
    const bool any = st.count > 0;
    channels[platform::utf8OrLatin1(f.channels[c].name)] = Json::object({{"min", any ? JsonValue(st.min) : Json(nullptr)},
                                                      {"max", any ? JsonValue(st.max) : Json(nullptr)},
                                                      {"mean", any ? JsonValue(st.mean) : Json(nullptr)},
                                                      {"max_at", any ? JsonValue(st.maxAt) : Json(nullptr)},
                                                      {"count", st.count}});
  }
  o["hottest"] = extremes(s.hottest, false);
  o["max_dif"] = extremes(s.maxSpread, true);
  o["fastest_cooling"] = extremes(s.fastestCooling, true);
  o["battery"] = extremes(s.battery, true);
  Json& fuel = o["fuel_used"] = Json::object();
  for (const auto& used : s.fuel)
    fuel[std::string(flight::EnginePrefix(used.engine)) + "USD"] =
        Json::object({{"amount", JsonValue(used.amount)}, {"from", used.fromUsd ? "USD" : "FF"}});
  Json& notes = o["notes"] = Json::array();
  for (const std::string& note : f.notes) notes.push_back(JsonText(note));
  std::fputs(layoutJson(o, {"", "/channels"}).c_str(), stdout);
}

std::string figure(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

void printText(const Flight& f, const FlightSummary& s) {
  const auto& facts = f.facts;
  // Every text from the file through terminalText: printf would stop at a NUL.
  auto t = [](std::string_view text) { return terminalText(text); };
  std::printf("Aircraft:   %s\n", t(facts.aircraft).c_str());
  // A log that numbers no flights gives its start alone.
  if (facts.flightLabel.empty())
    std::printf("Flight:     %s\n", isoStart(facts).c_str());
  else
    std::printf("Flight:     #%s, %s\n", t(facts.flightLabel).c_str(), isoStart(facts).c_str());
  std::printf("Monitor:    %s\n", t(facts.identification).c_str());
  std::printf("Recorded:   %zu rows every %d s, %.2f hours\n", f.rows(), facts.interval, s.recordedSeconds / 3600.0);
  std::printf("Units:      engine %s, OAT °%s%s%s\n", std::string(flight::UnitText(analysis::EngineUnit(facts))).c_str(),
              t({&facts.outsideAirUnit, 1}).c_str(), facts.fuelUnit.empty() ? "" : ", fuel flow ",
              t(facts.fuelUnit).c_str());
  for (const auto* list : {&s.hottest, &s.maxSpread, &s.fastestCooling, &s.battery})
    for (const Extreme& e : *list)
      std::printf("%-11s %s %s\n", (e.key + ":").c_str(), figure(e.value).c_str(), t(e.channel).c_str());
  for (const auto& fuel : s.fuel)
    std::printf("Fuel used:  %s%s (%s)\n", figure(fuel.amount).c_str(),
                std::string(flight::EnginePrefix(fuel.engine)).c_str(), fuel.fromUsd ? "USD" : "from FF");
  std::printf("\n%-7s %10s %10s %10s %10s\n", "Channel", "min", "max", "mean", "max at s");
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const auto& st = s.channels[c];
    if (st.count == 0)
      std::printf("%-7s %10s\n", t(f.channels[c].name).c_str(), "NA");
    else
      std::printf("%-7s %10g %10g %10.1f %10g\n", t(f.channels[c].name).c_str(), st.min, st.max, st.mean, st.maxAt);
  }
  for (const std::string& note : f.notes) std::printf("Note: %s\n", t(note).c_str());
}

}  // namespace

void addInfoCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("info", "Print a flight CSV file's header facts and summary");
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  cmd->add_option("file", *path, "The flight's .CSV file")->required();
  cmd->add_flag("--json", *json, "Print JSON for scripts (keys as documented in the README)");
  cmd->callback([path, json, &exitCode] {
    const std::optional<flight::Flight> flight = openFlightArgument(*path, exitCode);
    if (!flight) return;
    // The file's failure, not the program's: a flight read whose summary finds no room.
    const std::string failed = frontend::GuardedWork([&] {
      const FlightSummary summary = analysis::SummarizeFlight(*flight);
      if (*json)
        printJson(*flight, summary);
      else
        printText(*flight, summary);
    });
    if (!failed.empty()) {
      std::fflush(stdout);
      reportMessage(terminalText(*path + ": the flight cannot be summarised: " + failed));
      exitCode = kFlightCannotOpen;
      return;
    }
    exitCode = 0;
  });
}

}  // namespace varnix::cli
