// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli report FILE.CSV -o FILE.pdf: the flight report the desktop
// program saves, written without a display.
// varnix-cli report --aircraft ID --since YYYY-MM-DD [--until YYYY-MM-DD] DATAFOLDER -o FILE.pdf:
// the aircraft report over a period, from the logbook (the catalog brought up to date first).
#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>

#include "catalog_read.h"
#include "commands.h"
#include "drawing_output.h"
#include "analysis/aircraft_rules.h"
#include "flight_json.h"
#include "frontend/report/aircraft_report_content.h"
#include "platform/fs_path.h"
#include "render/report_pdf.h"
#ifdef VARNIX_CLI_LOGBOOK
#include "render/aircraft_report_pdf.h"
#include "store/catalog.h"
#include "store/logbook.h"
#endif

namespace varnix::cli {

namespace {

struct Period {
  std::string aircraft, since, until;
};

// Qt draws offscreen when there is no display; the report needs an application.
struct OffscreenQt {
  bool prepared = (prepareQtWithoutDisplay(), true);  // before the application is made
  int argc = 1;
  char name[11] = "varnix-cli";
  char* argv[2] = {name, nullptr};
  QApplication qt{argc, argv};
};

int writeFlight(const std::string& path, const std::string& out, bool force) {
  if (const int refused = checkOutputName(path, out, force)) return refused;
  if (!QFileInfo(QString::fromStdString(path)).isFile()) {
    reportMessage(terminalText(path + ": the file cannot be opened."));
    return kFlightCannotOpen;
  }
  // The report judges the flight under its folder's rules: say what in them does not apply.
  for (const std::string& problem : analysis::ReadAircraftRulesOfFlight(path).problemLines())
    reportMessage(terminalText(problem));
  OffscreenQt qt;
  using Code = render::ReportCode;
  using Mode = platform::ReplacingFile::Mode;
  const render::ReportOutcome outcome = render::writeFlightReport(
      QString::fromStdString(path), QString::fromStdString(out), force ? Mode::Replace : Mode::NeverReplace);
  if (!outcome.ok()) {
    reportMessage(outcome.value == Code::NameTaken ? terminalText(out + " exists; give --force to replace it")
                                                   : outcome.problem);
    return outcome.value == Code::CannotOpen     ? kFlightCannotOpen
           : outcome.value == Code::NotAFlight   ? kFlightUnreadable
           : outcome.value == Code::SameAsFlight ? kOutputIsFlight
                                                 : kChartCannotWrite;
  }
  printLine(out);
  return 0;
}

#ifdef VARNIX_CLI_LOGBOOK
// The aircraft's logbook as varnix-cli logbook has it: limits and acknowledgements of its folder applied.
int writeAircraft(const std::string& dataFolder, const Period& period, const std::string& out, bool force) {
  if (!force && platform::nameTaken(out)) {
    reportMessage(terminalText(out + " exists; give --force to replace it"));
    return kChartCannotWrite;
  }
  std::optional<CatalogRead> read = readCatalog(dataFolder);
  if (!read) return kFlightCannotOpen;
  std::vector<std::string> known;
  for (const std::string& folder : read->folders) {
    const analysis::AircraftRules& rules = read->rules[folder];
    store::AircraftLog log = store::BuildAircraftLog(folder, std::move(read->entries[folder]), rules.limits);
    const std::string id = log.flights.empty() ? folder : log.flights.front().entry.aircraft;
    known.push_back(id == folder ? folder : id + " (" + folder + ")");
    if (folder != period.aircraft && id != period.aircraft) continue;
    for (const std::string& p : rules.problemLines()) reportMessage(terminalText(p));
    store::ApplyMaintenanceAndAcknowledgements(log, dataFolder + "/" + folder, rules.acknowledged.acknowledgements,
                                               analysis::LocalDate());
    const frontend::report::AircraftReportContent content =
        frontend::report::MakeAircraftReportContent(log, id, period.since, period.until);
    OffscreenQt qt;
    using Code = render::ReportCode;
    const render::ReportOutcome outcome =
        render::writeAircraftReport(content, QString::fromStdString(out),
                                    force ? platform::ReplacingFile::Mode::Replace
                                          : platform::ReplacingFile::Mode::NeverReplace);
    if (!outcome.ok()) {
      reportMessage(outcome.value == Code::NameTaken ? terminalText(out + " exists; give --force to replace it")
                                                     : outcome.problem);
      return kChartCannotWrite;
    }
    printLine(out);
    return 0;
  }
  std::string list;
  for (const std::string& k : known) list += (list.empty() ? "" : ", ") + k;
  reportMessage(terminalText("The data folder " + dataFolder + " has no aircraft " + period.aircraft +
                             (list.empty() ? std::string(" (it has no flights)") : "; its aircraft: " + list)));
  return kChartNoChannels;
}
#endif

std::string dateProblem(const std::string& s) {
  return frontend::report::IsDate(s) ? std::string() : "expected a day as YYYY-MM-DD, such as 2024-06-03";
}

}  // namespace

void addReportCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand(
      "report", "Write a flight's report (summary, engine analysis, findings and charts), or an aircraft's report over "
                "a period, as a PDF file");
  auto path = std::make_shared<std::string>();
  auto out = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  auto period = std::make_shared<Period>();
  cmd->add_option("file", *path, "The flight's .CSV file; with --aircraft, the data folder")->required();
  cmd->add_option("-o,--output", *out, "The PDF file to write")->required();
  cmd->add_flag("--force", *force, "Replace the output file when it exists");
#ifdef VARNIX_CLI_LOGBOOK
  auto* group = cmd->add_option_group("aircraft report", "An aircraft's flights over a period, from the logbook");
  auto* aircraft = group->add_option("--aircraft", period->aircraft, "The aircraft (its folder or its id)");
  auto* since = group->add_option("--since", period->since, "The period's first day (YYYY-MM-DD)")->check(dateProblem);
  auto* until = group->add_option("--until", period->until, "The period's last day (YYYY-MM-DD); no end when left out")
                    ->check(dateProblem);
  aircraft->needs(since);
  since->needs(aircraft);
  until->needs(since);
#endif
  cmd->callback([path, out, force, period, &exitCode] {
#ifdef VARNIX_CLI_LOGBOOK
    if (!period->aircraft.empty()) {
      if (!period->until.empty() && period->until < period->since)
        throw CLI::ValidationError("--until", period->until + " is before --since " + period->since);
      exitCode = writeAircraft(*path, *period, *out, *force);
      return;
    }
#endif
    exitCode = writeFlight(*path, *out, *force);
  });
}

}  // namespace varnix::cli
