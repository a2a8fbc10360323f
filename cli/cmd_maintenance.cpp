// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli maintenance add|list DATAFOLDER --aircraft ID ...: the
// aircraft's maintenance log (maintenance.csv in its folder), an entry added
// through the one write policy, or its entries listed with their lines.
#include <cstdio>
#include <memory>
#include <string>

#include "commands.h"
#include "flight_json.h"
#include "frontend/import_logs.h"
#include "store/data_folder_names.h"
#include "store/maintenance_log.h"

namespace varnix::cli {

namespace {

// Exit codes beside the flight commands' meanings: 1 nothing can be read or
// made there, 2 a damaged file, 3 the file cannot be written, 4 no such aircraft.
constexpr int kCannotRead = kFlightCannotOpen;
constexpr int kDamaged = kFlightUnreadable;
constexpr int kCannotWrite = kChartCannotWrite;
constexpr int kNoAircraft = kChartNoChannels;

struct AddOptions {
  std::string dataFolder, aircraft;
  store::MaintenanceFields fields;
};

struct ListOptions {
  std::string dataFolder, aircraft;
  bool json = false;
};

int exitFor(store::MaintenanceStop stop) {
  switch (stop) {
    case store::MaintenanceStop::None: return 0;
    case store::MaintenanceStop::CannotRead: return kCannotRead;
    case store::MaintenanceStop::Damaged: return kDamaged;
    case store::MaintenanceStop::CannotWrite: return kCannotWrite;
  }
  return kCannotWrite;
}

std::string quantityText(const store::MaintenanceEntry& e) {
  if (e.compression) return std::to_string(e.compression->pressure) + "/" + std::to_string(e.compression->reference);
  if (!e.quantity) return {};
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", *e.quantity);
  return buf;
}

int add(const AddOptions& o) {
  const store::MaintenanceParse parsed = store::ParseMaintenanceFields(o.fields);
  // A bad value is a command-line mistake naming its option (CLI11's 105).
  if (!parsed.entry) throw CLI::ValidationError("--" + parsed.problem.field, parsed.problem.text);
  const frontend::AircraftFolderResult found = frontend::AircraftFolder(o.aircraft, o.dataFolder, true);
  if (!found.ok()) {
    reportMessage(terminalText("Nothing written: " + found.problem + "."));
    return kCannotRead;
  }
  const std::string& folder = found.value.path;
  const store::MaintenanceSaved saved = store::AddMaintenance(folder, *parsed.entry);
  if (!saved.ok()) {
    reportMessage("Nothing written:\n" + saved.problem);
    return exitFor(saved.value);
  }
  const store::MaintenanceFile file = store::ReadMaintenance(folder);
  const int line = file.entries.empty() ? 0 : file.entries.back().line;
  printLine(file.path + " line " + std::to_string(line) + ": " + std::string(store::MaintenanceKindName(parsed.entry->kind)) +
            " on " + parsed.entry->date);
  return 0;
}

void writeEntryJson(JsonWriter& out, const store::MaintenanceEntry& e) {
  out.beginObject();
  out.key("date").text(e.date);
  if (e.tach) out.key("tach").number(*e.tach); else out.key("tach").null();
  out.key("kind").text(store::MaintenanceKindName(e.kind));
  if (e.engine) out.key("engine").text(std::string(1, e.engine)); else out.key("engine").null();
  if (e.cylinder) out.key("cylinder").integer(*e.cylinder); else out.key("cylinder").null();
  // A compression reading is a pair, kept as written ("74/80").
  if (e.compression) out.key("quantity").text(quantityText(e));
  else if (e.quantity) out.key("quantity").number(*e.quantity);
  else out.key("quantity").null();
  if (e.unit.empty()) out.key("unit").null(); else out.key("unit").text(e.unit);
  out.key("text").text(e.text);
  out.key("line").integer(e.line);
  out.end();
}

void printEntry(const store::MaintenanceEntry& e) {
  std::string line = "line " + std::to_string(e.line) + ": " + e.date;
  if (e.tach) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", *e.tach);
    line += ", tach " + std::string(buf);
  }
  line += ", " + std::string(store::MaintenanceKindName(e.kind));
  if (e.engine) line += e.engine == 'L' ? ", left engine" : ", right engine";
  if (e.cylinder) line += ", cylinder " + std::to_string(*e.cylinder);
  if (e.compression || e.quantity) line += ", " + quantityText(e) + " " + e.unit;
  if (!e.text.empty()) line += ": " + e.text;
  printLine(line);
}

int list(const ListOptions& o) {
  const frontend::AircraftFolderResult found = frontend::AircraftFolder(o.aircraft, o.dataFolder, false);
  if (!found.ok()) {
    reportMessage(terminalText("Nothing listed: " + found.problem + "."));
    return found.value.missing ? kNoAircraft : kCannotRead;
  }
  const store::MaintenanceFile file = store::ReadMaintenance(found.value.path);
  if (o.json) {
    JsonWriter out(stdout);
    out.beginArray(true);
    for (const store::MaintenanceEntry& e : file.entries) writeEntryJson(out, e);
    out.end();
    out.raw("\n");
    out.flush();
  } else {
    for (const store::MaintenanceEntry& e : file.entries) printEntry(e);
  }
  std::fflush(stdout);
  // Every readable entry is listed; the lines that are not are named.
  for (const std::string& problem : store::MaintenanceProblemLines(file)) reportMessage(terminalText(problem));
  if (file.unreadable) return kCannotRead;
  return file.problems.empty() ? 0 : kDamaged;
}

}  // namespace

void addMaintenanceCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("maintenance", "Add to or list an aircraft's maintenance log (maintenance.csv)");
  cmd->require_subcommand(1);

  auto* addCmd = cmd->add_subcommand("add", "Add an entry to the aircraft's maintenance log");
  auto a = std::make_shared<AddOptions>();
  addCmd->add_option("datafolder", a->dataFolder, "The data folder")->required();
  addCmd->add_option("--aircraft", a->aircraft, "The aircraft's id: its folder in the data folder")->required();
  addCmd->add_option("--date", a->fields.date, "The day the work was done (YYYY-MM-DD)")->required();
  addCmd->add_option("--kind", a->fields.kind, "oil_change, oil_added, fuel_fill, plugs, injector, cylinder, magneto, "
                                               "borescope, compression, probe, inspection or other")
      ->required();
  addCmd->add_option("--engine", a->fields.engine, "L or R: the engine of a twin");
  addCmd->add_option("--cylinder", a->fields.cylinder, "The cylinder (1 to 12)");
  auto* quantity = addCmd->add_option("--quantity", a->fields.quantity, "The quantity (8.5; for compression 74/80)");
  auto* unit = addCmd->add_option("--unit", a->fields.unit, "The quantity's unit (qt, L, gal, psi)");
  quantity->needs(unit);
  unit->needs(quantity);
  addCmd->add_option("--tach", a->fields.tach, "The tach or Hobbs hours");
  addCmd->add_option("--text", a->fields.text, "What was done (its first word for some kinds, see the README)");
  addCmd->callback([a, &exitCode] { exitCode = add(*a); });

  auto* listCmd = cmd->add_subcommand("list", "List the entries of the aircraft's maintenance log");
  auto l = std::make_shared<ListOptions>();
  listCmd->add_option("datafolder", l->dataFolder, "The data folder")->required();
  listCmd->add_option("--aircraft", l->aircraft, "The aircraft's id: its folder in the data folder")->required();
  listCmd->add_flag("--json", l->json, "Print the entries as JSON");
  listCmd->callback([l, &exitCode] { exitCode = list(*l); });
}

}  // namespace varnix::cli
