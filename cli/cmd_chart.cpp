// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli chart FILE.CSV -o OUT.png [--size 1600x1000] [--channels EGT,CHT,...]:
// the flight window's chart scene (render/) as a picture, without a display.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "commands.h"
#include "flight_json.h"
#include "drawing_output.h"
#include "flight/open_flight.h"
#include "frontend/chart/panel_plan.h"
#include "render/picture_export.h"

namespace varnix::cli {

namespace {

bool parseSize(const std::string& text, int& width, int& height) {
  char x = 0, rest = 0;
  return std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &rest) == 3 && (x == 'x' || x == 'X') &&
         width >= 100 && height >= 100 && width <= 20000 && height <= 20000;
}

int renderChart(const std::string& path, const std::string& out, const std::string& size,
                const std::vector<std::string>& channels, bool force) {
  int width = 0, height = 0;
  parseSize(size, width, height);
  if (const int refused = checkOutputName(path, out, force)) return refused;
  flight::FlightRead read = flight::OpenFlight(path);
  if (!read.ok()) {
    reportMessage(terminalText(path + ": " + read.problem));
    return read.line <= 0 ? kFlightCannotOpen : kFlightUnreadable;
  }
  const flight::Flight& flight = read.value;
  const auto panels = frontend::SelectPanels(frontend::PlanPanels(flight), flight, channels);
  if (panels.empty()) {
    reportMessage(terminalText(path + ": the flight has none of the channels asked for"));
    return kChartNoChannels;
  }
  prepareQtWithoutDisplay();
  int argc = 1;
  char name[] = "varnix-cli";
  char* argv[] = {name, nullptr};
  QApplication qt(argc, argv);
  using Mode = platform::ReplacingFile::Mode;
  const render::PictureOutcome written = render::WritePicture(
      {flight, panels, {}}, QString::fromStdString(out), QSize(width, height), force ? Mode::Replace : Mode::NeverReplace);
  if (written.value == render::WholeFile::Code::NameTaken) {
    reportMessage(terminalText(out + " exists; give --force to replace it"));
    return kChartCannotWrite;
  }
  if (!written.ok()) {
    reportMessage(written.problem);
    return kChartCannotWrite;
  }
  printLine(out);
  return 0;
}

}  // namespace

void addChartCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand(
      "chart", "Draw a flight's chart panels into a picture (.png, .pdf or .svg by the output's suffix)");
  auto path = std::make_shared<std::string>();
  auto out = std::make_shared<std::string>();
  auto size = std::make_shared<std::string>("1600x1000");
  auto channels = std::make_shared<std::vector<std::string>>();
  auto force = std::make_shared<bool>(false);
  cmd->add_option("file", *path, "The flight's .CSV file")->required();
  cmd->add_option("-o,--output", *out, "The picture to write")->required();
  cmd->add_option("--size", *size, "Width x height in pixels (default 1600x1000)")->check([](const std::string& s) {
    int w = 0, h = 0;
    return parseSize(s, w, h) ? std::string() : std::string("the size is WIDTHxHEIGHT, 100 to 20000 pixels each");
  });
  cmd->add_option("--channels", *channels,
                  "Panels (EGT, CHT, DIF, TEMP, FUEL, POWER, ELEC) or channels (E1, OAT, ...) to draw; all by default")
      ->delimiter(',');
  cmd->add_flag("--force", *force, "Replace the output file when it exists");
  cmd->callback([path, out, size, channels, force, &exitCode] {
    exitCode = renderChart(*path, *out, *size, *channels, *force);
  });
}

}  // namespace varnix::cli
