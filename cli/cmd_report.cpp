// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli report FILE.CSV -o FILE.pdf: the flight report the desktop
// program saves, written without a display.
#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>

#include "commands.h"
#include "drawing_output.h"
#include "analysis/limits.h"
#include "flight_json.h"
#include "platform/fs_path.h"
#include "render/report_pdf.h"

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
    if (const int refused = checkOutputName(*path, *out, *force)) {
      exitCode = refused;
      return;
    }
    if (!QFileInfo(QString::fromStdString(*path)).isFile()) {
      reportMessage(*path + ": the file cannot be opened.");
      exitCode = kFlightCannotOpen;
      return;
    }
    // The report judges the flight against its folder's limits: say what in them does not apply.
    const std::string folder = platform::utf8Text(platform::utf8Path(*path).parent_path());
    for (const std::string& problem : flight::LimitsProblemLines(flight::ReadLimits(folder.empty() ? "." : folder)))
      reportMessage(terminalText(problem));
    prepareQtWithoutDisplay();
    int argc = 1;
    char name[] = "varnix-cli";
    char* argv[] = {name, nullptr};
    QApplication qt(argc, argv);
    using Code = render::ReportOutcome::Code;
    using Mode = platform::ReplacingFile::Mode;
    const render::ReportOutcome outcome = render::writeFlightReport(
        QString::fromStdString(*path), QString::fromStdString(*out), *force ? Mode::Replace : Mode::NeverReplace);
    if (outcome.code != Code::Written) {
      reportMessage(outcome.code == Code::NameTaken ? *out + " exists; give --force to replace it"
                                                    : outcome.problem.toStdString());
      exitCode = outcome.code == Code::CannotOpen     ? kFlightCannotOpen
                 : outcome.code == Code::NotAFlight   ? kFlightUnreadable
                 : outcome.code == Code::SameAsFlight ? kOutputIsFlight
                                                      : kChartCannotWrite;
      return;
    }
    std::printf("%s\n", out->c_str());
    exitCode = 0;
  });
}

}  // namespace varnix::cli
