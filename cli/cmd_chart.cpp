// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-cli chart FILE.CSV -o OUT.png [--size 1600x1000] [--channels EGT,CHT,...]
// [--compare FILE_B [--align takeoff|start|clock]]: the flight window's chart
// scene (render/) as a picture, without a display, with flight B dashed over
// it as the window compares two flights.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "commands.h"
#include "flight_json.h"
#include "drawing_output.h"
#include "flight/open_flight.h"
#include "frontend/chart/panel_plan.h"
#include "render/compare_overlay.h"
#include "render/picture_export.h"

namespace varnix::cli {

namespace {

bool parseSize(const std::string& text, int& width, int& height) {
  char x = 0, rest = 0;
  return std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &rest) == 3 && (x == 'x' || x == 'X') &&
         width >= 100 && height >= 100 && width <= 20000 && height <= 20000;
}

struct ChartArgs {
  std::string path, out, size = "1600x1000";
  std::vector<std::string> channels;
  bool force = false;
  std::string compare;  // flight B's file; none when empty
  std::string align = "takeoff";
};

// The flight at `path`, or the exit code with the problem said (the same for A and B).
int readFlight(const std::string& path, std::optional<flight::Flight>& into) {
  flight::FlightRead read = flight::OpenFlight(path);
  if (!read.ok()) {
    reportMessage(terminalText(path + ": " + read.problem));
    return read.line <= 0 ? kFlightCannotOpen : kFlightUnreadable;
  }
  into = std::move(read.value);
  return 0;
}

int renderChart(const ChartArgs& args) {
  const std::string& path = args.path;
  const std::string& out = args.out;
  const bool force = args.force;
  int width = 0, height = 0;
  parseSize(args.size, width, height);
  if (const int refused = checkOutputName(path, out, force)) return refused;
  if (!args.compare.empty())
    if (const int refused = checkOutputName(args.compare, out, force)) return refused;
  std::optional<flight::Flight> a, b;
  if (const int failed = readFlight(path, a)) return failed;
  if (!args.compare.empty())
    if (const int failed = readFlight(args.compare, b)) return failed;
  const flight::Flight& flight = *a;
  const std::vector<std::string>& channels = args.channels;
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
  render::ChartOptions options;
  if (b) {
    // A picture of two flights names both, as the window's heading does.
    const auto by = frontend::AlignByOption(args.align).value_or(frontend::AlignBy::Takeoff);
    auto compared = std::make_shared<const render::Comparison>(render::CompareFlights(
        flight, std::make_shared<const flight::Flight>(std::move(*b)), by, QString::fromStdString(args.compare)));
    options.title = render::ComparedTitle(flight, *compared);
    options.comparison = std::move(compared);
  }
  const render::PictureOutcome written =
      render::WritePicture({flight, panels, options}, QString::fromStdString(out), QSize(width, height),
                           force ? Mode::Replace : Mode::NeverReplace);
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
  auto args = std::make_shared<ChartArgs>();
  cmd->add_option("file", args->path, "The flight's .CSV file")->required();
  cmd->add_option("-o,--output", args->out, "The picture to write")->required();
  cmd->add_option("--size", args->size, "Width x height in pixels (default 1600x1000)")->check([](const std::string& s) {
    int w = 0, h = 0;
    return parseSize(s, w, h) ? std::string() : std::string("the size is WIDTHxHEIGHT, 100 to 20000 pixels each");
  });
  cmd->add_option("--channels", args->channels,
                  "Panels (EGT, CHT, DIF, TEMP, FUEL, POWER, ELEC) or channels (E1, OAT, ...) to draw; all by default")
      ->delimiter(',');
  cmd->add_flag("--force", args->force, "Replace the output file when it exists");
  auto* compare = cmd->add_option("--compare", args->compare,
                                  "Another flight's .CSV file, drawn dashed over the same panels");
  cmd->add_option("--align", args->align, "How the compared flight is placed: takeoff (default), start or clock")
      ->check([](const std::string& s) {
        return frontend::AlignByOption(s) ? std::string() : std::string("--align is takeoff, start or clock");
      })
      ->needs(compare);
  cmd->callback([args, &exitCode] { exitCode = renderChart(*args); });
}

}  // namespace varnix::cli
