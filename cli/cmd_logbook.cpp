// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli logbook DATAFOLDER [--aircraft ID] [--since YYYY-MM-DD] [--json|--csv]:
// every flight of the data folder's aircraft (each once, newest first) with
// its findings, and each aircraft's trend findings. The catalog is brought
// up to date first. The JSON keys are an interface (see the README).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "catalog_read.h"
#include "commands.h"
#include "store/aircraft_issues.h"
#include "store/catalog.h"
#include "store/fleet.h"
#include "store/logbook.h"
#include "flight_json.h"

namespace varnix::cli {

namespace {

using store::AircraftLog;
using store::LogbookFlight;

struct Options {
  std::string folder, aircraft, since;
  bool json = false, csv = false;
};

std::string number(double v, const char* format = "%.0f") {
  if (!std::isfinite(v)) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::string figure(const analysis::Figure& f, const char* format = "%.0f") {
  return f.known() ? number(f.value, format) : "";
}

std::string csvField(const std::string& s) { return store::CsvField(s); }

void printCsv(const std::vector<AircraftLog>& logs) {
  std::puts("aircraft,date,start,flight,duration_h,interval_s,hottest_egt,egt_channel,hottest_cht,cht_channel,"
            "dif_max,fastest_cooling,bat_min,fuel_used,findings,file,finding_texts");
  for (const AircraftLog& log : logs)
    for (const LogbookFlight& f : log.flights) {
      const auto& e = f.entry;
      std::string texts;
      for (const auto& x : f.findings) texts += (texts.empty() ? "" : "; ") + x.text;
      const std::string line = csvField(e.aircraft) + "," + e.start.substr(0, 10) + "," + e.start.substr(11) + "," +
                               csvField(e.flightLabel) + "," + number(e.recordedSeconds / 3600.0, "%.2f") + "," +
                               std::to_string(e.interval) + "," + figure(e.hottestEgt) + "," + e.hottestEgt.channel +
                               "," + figure(e.hottestCht) + "," + e.hottestCht.channel + "," + figure(e.difMax) + "," +
                               figure(e.fastestCooling) + "," + figure(e.batteryMin, "%.1f") + "," +
                               number(e.fuelUsed, "%.1f") + "," + std::to_string(f.findings.size()) + "," +
                               csvField(e.file) + "," + csvField(texts);
      std::puts(line.c_str());
    }
}

void optionalNumber(JsonWriter& out, const char* key, const std::optional<double>& v) {
  if (v && std::isfinite(*v)) out.key(key).number(*v);
  else out.key(key).null();
}

// The aircraft's maintenance entries with their before and after, its oil
// consumption and its fuel-flow error.
void writeMaintenanceJson(JsonWriter& out, const AircraftLog& log) {
  out.key("maintenance").beginArray(true);
  for (const store::MaintenanceRecord& r : log.maintenance) {
    const store::MaintenanceEntry& e = r.entry;
    out.beginObject(true);
    out.key("date").text(e.date);
    out.key("kind").text(store::MaintenanceKindName(e.kind));
    if (e.engine) out.key("engine").text(std::string(1, e.engine));
    else out.key("engine").null();
    if (e.cylinder) out.key("cylinder").integer(*e.cylinder);
    else out.key("cylinder").null();
    out.key("text").text(e.text);
    out.key("line").integer(e.line);
    out.key("effects").beginArray(true);
    for (const store::MaintenanceEffect& x : r.effects) {
      out.beginObject();
      out.key("channel").text(x.channel);
      out.key("figure").text(x.figure);
      optionalNumber(out, "before", x.before);
      optionalNumber(out, "after", x.after);
      optionalNumber(out, "difference", x.difference);
      out.key("flights_before").integer(static_cast<std::int64_t>(x.flightsBefore));
      out.key("flights_after").integer(static_cast<std::int64_t>(x.flightsAfter));
      out.key("verdict").text(x.verdict);
      out.key("text").text(x.text);
      out.end();
    }
    out.end();
    out.end();
  }
  out.end();
  out.key("oil_consumption").beginArray(true);
  for (const store::OilInterval& i : log.oil) {
    out.beginObject();
    out.key("from").text(i.from);
    out.key("to").text(i.to);
    out.key("hours").number(i.hours);
    out.key("quarts").number(i.quarts);
    optionalNumber(out, "rate", i.rate);
    out.key("why").text(i.why);
    out.end();
  }
  out.end();
  out.key("fuel_flow").beginObject(true);
  out.key("intervals").beginArray(true);
  for (const store::FuelInterval& i : log.fuel.intervals) {
    out.beginObject();
    out.key("from").text(i.from);
    out.key("to").text(i.to);
    out.key("pumped").number(i.pumped);
    out.key("monitor").number(i.monitor);
    optionalNumber(out, "error_percent", i.errorPercent);
    out.key("why").text(i.why);
    out.end();
  }
  out.end();
  optionalNumber(out, "mean_error_percent", log.fuel.meanErrorPercent);
  optionalNumber(out, "spread_percent", log.fuel.spreadPercent);
  optionalNumber(out, "corrected_factor", log.fuel.correctedFactor);
  out.key("why").text(log.fuel.why);
  out.end();
}

// Written as it is made: the text of 10,000 flights is never held whole.
void printJson(const std::string& dataFolder, const std::vector<AircraftLog>& logs) {
  JsonWriter out(stdout);
  out.beginObject(true);
  out.key("data_folder").text(dataFolder);
  out.key("flights").beginArray(true);
  for (const AircraftLog& log : logs)
    for (const LogbookFlight& f : log.flights) writeFlightJson(out, f);
  out.end();
  out.key("trends").beginArray(true);
  for (const AircraftLog& log : logs)
    for (const auto& t : log.trends) {
      const LogbookFlight* f = log.trendFlight(t);
      out.beginObject();
      out.key("folder").text(log.folder);
      out.key("file").text(f ? f->entry.file : "");
      writeFindingJson(out.key("finding"), t, false);
      out.end();
    }
  out.end();
  out.key("aircraft").beginArray(true);
  for (const AircraftLog& log : logs) {
    const std::vector<store::AircraftIssue> issues = store::AircraftIssues(log);
    out.beginObject(true);
    out.key("folder").text(log.folder);
    out.key("status").text(store::AircraftStatus(store::AircraftId(log), issues));
    out.key("issues").beginArray(true);
    for (const store::AircraftIssue& i : issues) {
      out.beginObject();
      out.key("kind").text(analysis::KindName(i.kind));
      out.key("channel").text(i.channel);
      out.key("severity").text(analysis::SeverityName(i.severity));
      out.key("first").text(i.first);
      out.key("last").text(i.last);
      out.key("flights").integer(static_cast<std::int64_t>(i.flights));
      out.key("text").text(i.text);
      out.key("hint").text(i.hint);
      if (i.resolvedBy.empty()) out.key("resolved_by").null();
      else out.key("resolved_by").text(i.resolvedBy);
      out.end();
    }
    out.end();
    writeMaintenanceJson(out, log);
    out.end();
  }
  out.end();
  out.key("unreadable").beginArray(true);
  for (const AircraftLog& log : logs)
    for (const store::UnreadableFile& u : log.unreadableFiles) {
      out.beginObject();
      out.key("folder").text(log.folder);
      out.key("file").text(u.file);
      out.key("problem").text(u.problem);
      out.end();
    }
  out.end();
  out.end();
  out.raw("\n");
}

// Every text from the files and their names through terminalText: one row a line.
void printText(const std::vector<AircraftLog>& logs) {
  auto t = [](std::string_view text) { return terminalText(text); };
  for (const AircraftLog& log : logs) {
    std::printf("Aircraft folder %s: %zu flights%s\n", t(log.folder).c_str(), log.flights.size(),
                log.unreadable ? (", " + std::to_string(log.unreadable) + " unreadable files").c_str() : "");
    if (!log.preset.empty()) printLine("Limits: " + log.preset);
    printLine("Status: " + store::AircraftStatus(store::AircraftId(log), store::AircraftIssues(log)));
    std::printf("%-10s %-8s %-7s %6s %5s %11s %11s %5s %6s %5s %6s %4s  %s\n", "Date", "Start", "Flight", "Hours",
                "Int", "Hot EGT", "Hot CHT", "DIF", "Cool", "BAT", "Fuel", "Find", "File");
    for (const LogbookFlight& f : log.flights) {
      const auto& e = f.entry;
      std::printf("%-10s %-8s %-7s %6s %5d %6s %-4s %6s %-4s %5s %6s %5s %6s %4zu  %s%s%s\n", e.start.substr(0, 10).c_str(),
                  t(e.start.substr(11)).c_str(), t(e.flightLabel).c_str(), number(e.recordedSeconds / 3600.0, "%.2f").c_str(),
                  e.interval, figure(e.hottestEgt).c_str(), t(e.hottestEgt.channel).c_str(), figure(e.hottestCht).c_str(),
                  t(e.hottestCht.channel).c_str(), figure(e.difMax).c_str(), figure(e.fastestCooling).c_str(),
                  figure(e.batteryMin, "%.1f").c_str(), number(e.fuelUsed, "%.1f").c_str(), f.findings.size(),
                  t(e.file).c_str(), f.differs ? "  (differs)" : "", f.isNew ? "  (new)" : "");
      if (f.recordedTwice)
        for (std::size_t i = 1; i < f.files.size(); ++i) printLine("    recorded twice: also " + f.files[i]);
      for (const auto& x : f.findings)
        std::printf("    %-7s %s%s\n", std::string(analysis::SeverityName(x.severity)).c_str(), t(x.text).c_str(),
                    x.acknowledged ? t(" (acknowledged: " + x.reason + ")").c_str() : "");
    }
    for (const auto& trend : log.trends)
      std::printf("Trend: %s %s\n", std::string(analysis::SeverityName(trend.severity)).c_str(), t(trend.text).c_str());
    for (const store::MaintenanceRecord& r : log.maintenance)
      for (const std::string& line : store::EffectLines(r)) printLine("Maintenance: " + line);
    for (const store::OilInterval& o : log.oil)
      if (o.rate) printLine("Maintenance: " + store::OilIntervalText(o));
    if (const std::string fuel = store::FuelFlowText(log.fuel); !fuel.empty()) printLine("Maintenance: " + fuel);
    for (const store::UnreadableFile& u : log.unreadableFiles)
      printLine("Unreadable: " + u.file + ": " + u.problem);
    std::printf("\n");
  }
}

int run(const Options& o) {
  std::optional<CatalogRead> read = readCatalog(o.folder);
  if (!read) return kFlightCannotOpen;
  const auto& catalog = read->catalog;
  std::vector<AircraftLog> logs;
  for (const std::string& folder : read->folders) {
    const analysis::AircraftRules& rules = read->rules[folder];
    for (const std::string& problem : rules.problemLines()) reportMessage(terminalText(problem));
    AircraftLog log = store::BuildAircraftLog(folder, std::move(read->entries[folder]), rules.limits);
    store::ApplyMaintenanceAndAcknowledgements(log, catalog->dataFolder() + "/" + folder,
                                               rules.acknowledged.acknowledgements, analysis::LocalDate());
    if (!o.aircraft.empty() && folder != o.aircraft &&
        (log.flights.empty() || log.flights.front().entry.aircraft != o.aircraft))
      continue;
    if (!o.since.empty())
      std::erase_if(log.flights, [&](const LogbookFlight& f) { return f.entry.start.substr(0, 10) < o.since; });
    logs.push_back(std::move(log));
  }
  if (o.json)
    printJson(catalog->dataFolder(), logs);
  else if (o.csv) {
    printCsv(logs);
    // The CSV has a line per flight only: the unreadable files are told on stderr.
    for (const AircraftLog& log : logs)
      for (const store::UnreadableFile& u : log.unreadableFiles)
        reportMessage(terminalText("Unreadable: " + u.file + ": " + u.problem));
  }
  else
    printText(logs);
  return 0;
}

}  // namespace

void addLogbookCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("logbook", "Print the flights and findings of the data folder's aircraft");
  auto o = std::make_shared<Options>();
  cmd->add_option("datafolder", o->folder, "The data folder (one subfolder per aircraft)")->required();
  cmd->add_option("--aircraft", o->aircraft, "Only this aircraft (its folder or its id)");
  cmd->add_option("--since", o->since, "Only flights from this day on (YYYY-MM-DD)")
      ->check([](const std::string& s) -> std::string {
        const bool ok = s.size() == 10 && s[4] == '-' && s[7] == '-' &&
                        std::all_of(s.begin(), s.end(), [](char c) { return c == '-' || (c >= '0' && c <= '9'); });
        return ok ? std::string() : "expected YYYY-MM-DD";
      });
  auto* json = cmd->add_flag("--json", o->json, "Print JSON for scripts (keys as documented in the README)");
  auto* csv = cmd->add_flag("--csv", o->csv, "Print CSV, one line per flight");
  json->excludes(csv);
  cmd->callback([o, &exitCode] { exitCode = run(*o); });
}

}  // namespace varnix::cli
