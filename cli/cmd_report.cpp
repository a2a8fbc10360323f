// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli report FILE.CSV -o FILE.pdf: the flight report the desktop
// program saves, written without a display.
#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "flight/limits.h"
#include "flight_json.h"
#include "report/flight_report.h"

namespace varnix::cli {

void addReportCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand("report", "Write a flight's report (summary, findings and charts) as a PDF file");
  auto path = std::make_shared<std::string>();
  auto out = std::make_shared<std::string>();
  auto force = std::make_shared<bool>(false);
  cmd->add_option("file", *path, "The flight's .CSV file")->required();
  cmd->add_option("-o,--output", *out, "The PDF file to write")->required();
  cmd->add_flag("--force", *force, "Replace the output file when it exists");
  cmd->callback([path, out, force, &exitCode] {
    if (!*force && QFileInfo::exists(QString::fromStdString(*out))) {
      reportMessage(*out + " exists; give --force to replace it");
      exitCode = kChartCannotWrite;
      return;
    }
    if (!QFileInfo(QString::fromStdString(*path)).isFile()) {
      reportMessage(*path + ": the file cannot be opened.");
      exitCode = kFlightCannotOpen;
      return;
    }
    // The report judges the flight against its folder's limits: say what in them does not apply.
    const std::string folder = std::filesystem::path(*path).parent_path().string();
    for (const std::string& problem : flight::LimitsProblemLines(flight::ReadLimits(folder.empty() ? "." : folder)))
      reportMessage(terminalText(problem));
    // Qt draws offscreen when there is no display to connect to.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "varnix-cli";
    char* argv[] = {name, nullptr};
    QApplication qt(argc, argv);
    using Code = app::report::ReportOutcome::Code;
    const app::report::ReportOutcome outcome =
        app::report::writeFlightReport(QString::fromStdString(*path), QString::fromStdString(*out));
    if (outcome.code != Code::Written) {
      reportMessage(outcome.problem.toStdString());
      exitCode = outcome.code == Code::CannotOpen   ? kFlightCannotOpen
                 : outcome.code == Code::NotAFlight ? kFlightUnreadable
                                                    : kChartCannotWrite;
      return;
    }
    std::printf("%s\n", out->c_str());
    exitCode = 0;
  });
}

}  // namespace varnix::cli
