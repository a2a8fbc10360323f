// SPDX-License-Identifier: GPL-3.0-or-later
// Flight viewer benchmark on the longest flight the format allows: 84,500
// rows with every channel of the extended layout. Prints one line per
// figure, `<name> <value> <unit>`: reading and summing up the CSV, opening
// the flight window until every panel has painted its charts, a redraw
// after a cursor move and after a zoom, and peak memory against the CSV's
// size. Each time
// is given as wall time and as the process's CPU time (`_cpu`), which a
// machine busy with other work leaves nearly as it is.
//   QT_QPA_PLATFORM=offscreen build/<dir>/bench/varnix_flight_bench
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QSet>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <qcustomplot.h>

#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "app/flight/flight_chart.h"
#include "flight/open_flight.h"
#include "analysis/flight_summary.h"
#include "app/flight/flight_window.h"
#include "support/dump_builder.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr long kRows = 84500;

double msSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double peakMb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}

// The CSV is made in a child process, so that making it counts in no figure.
std::string makeLongestFlight(const varnix::test::TempDir& dir) {
  const std::string data = dir.file("data");
  std::filesystem::create_directory(data);
  const pid_t child = fork();
  if (child == 0) {
    varnix::sim::encode::ProfileOptions o;
    o.layout = varnix::sim::encode::ProfileLayout::Extended;
    o.allChannels = true;
    o.interval = 6;
    o.minutes = kRows * 6 / 60.0;
    const std::string dat = dir.file("R1.DAT");
    varnix::test::writeFile(dat, varnix::sim::encode::assembleDump(varnix::sim::encode::ProfileDump(o, 1)));
    varnix::HeaderState header;
    _exit(varnix::ExpandDataFile(dat, data + "/", header));
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return data + "/N123AB/F00001.CSV";
}

// Every panel of the chart replotted with the flight's points: what then
// remains of its first paint is copying its buffers to the screen.
class FirstReplots : public QObject {
 public:
  explicit FirstReplots(varnix::app::flight_view::FlightChart& chart) {
    for (int i = 0; i < chart.panelCount(); ++i) {
      QCustomPlot* panel = chart.panel(i);
      waiting_.insert(panel);
      connect(panel, &QCustomPlot::afterReplot, this, [this, panel] { waiting_.remove(panel); });
    }
  }
  bool done() const { return waiting_.isEmpty(); }

 private:
  QSet<QCustomPlot*> waiting_;
};

void print(const char* name, double value, const char* unit) { std::printf("%s %.1f %s\n", name, value, unit); }

}  // namespace

int main(int argc, char** argv) {
  varnix::test::TempDir dir;
  const std::string csv = makeLongestFlight(dir);
  if (csv.empty()) {
    std::fprintf(stderr, "the benchmark flight could not be made\n");
    return 1;
  }
  const double csvMb = std::filesystem::file_size(csv) / 1048576.0;
  const double baseMb = peakMb();

  // Reading and the summary: the best of five.
  double readMs = 1e9, summaryMs = 1e9, readCpu = 1e9;
  std::size_t rows = 0, channels = 0;
  for (int i = 0; i < 5; ++i) {
    auto t0 = Clock::now();
    const double c0 = cpuMs();
    varnix::flight::FlightRead read = varnix::flight::OpenFlight(csv);
    readMs = std::min(readMs, msSince(t0));
    readCpu = std::min(readCpu, cpuMs() - c0);
    if (!read.ok()) {
      std::fprintf(stderr, "%s\n", read.problem.c_str());
      return 1;
    }
    t0 = Clock::now();
    const varnix::analysis::FlightSummary s = varnix::analysis::SummarizeFlight(read.value);
    summaryMs = std::min(summaryMs, msSince(t0));
    rows = read.value.rows();
    channels = read.value.channels.size();
  }
  const double readPeakMb = peakMb() - baseMb;

  QApplication app(argc, argv);
  const double qtBaseMb = peakMb();
  auto t0 = Clock::now();
  double c0 = cpuMs();
  auto* window = new varnix::app::flight_view::FlightWindow;
  window->resize(1600, 1000);
  // Heard as the rows are shown, before the replots they queue can run.
  std::unique_ptr<FirstReplots> replots;
  // The charts take the rows before the analyses are done: the first paint
  // is theirs.
  QObject::connect(window, &varnix::app::flight_view::FlightWindow::rowsCharted, window,
                   [&] { replots = std::make_unique<FirstReplots>(*window->chart()); });
  window->openFile(QString::fromStdString(csv));
  window->show();
  while (!replots || !replots->done()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  for (int i = 0; i < window->chart()->panelCount(); ++i) window->chart()->panel(i)->repaint();
  const double openMs = msSince(t0), openCpu = cpuMs() - c0;
  // The redraws below are those of the whole window, read-out included.
  while (!window->isLoaded()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);

  auto* chart = window->chart();
  auto repaintAll = [chart] {
    for (int i = 0; i < chart->panelCount(); ++i) chart->panel(i)->repaint();
  };
  constexpr int kMoves = 200;
  t0 = Clock::now();
  c0 = cpuMs();
  for (int i = 0; i < kMoves; ++i) {
    chart->setCursorRow(static_cast<std::size_t>(1000 + i * 37));
    repaintAll();
  }
  const double cursorMs = msSince(t0) / kMoves, cursorCpu = (cpuMs() - c0) / kMoves;

  constexpr int kZooms = 20;
  t0 = Clock::now();
  c0 = cpuMs();
  for (int i = 0; i < kZooms; ++i) {
    const double from = chart->keyOfRow(static_cast<std::size_t>(i * 1000));
    chart->setTimeRange(from, from + (i % 2 ? 20000.0 : 200000.0));
    QApplication::processEvents();
    repaintAll();
  }
  const double zoomMs = msSince(t0) / kZooms, zoomCpu = (cpuMs() - c0) / kZooms;
  const double windowPeakMb = peakMb() - qtBaseMb;

  std::printf("flight_rows %zu rows\nflight_channels %zu channels\n", rows, channels);
  print("flight_csv_size", csvMb, "MB");
  print("flight_read", readMs, "ms");
  print("flight_read_cpu", readCpu, "ms");
  print("flight_summary", summaryMs, "ms");
  print("flight_read_and_summary", readMs + summaryMs, "ms");
  print("window_open_to_first_paint", openMs, "ms");
  print("window_open_to_first_paint_cpu", openCpu, "ms");
  print("cursor_move_redraw", cursorMs, "ms");
  print("cursor_move_redraw_cpu", cursorCpu, "ms");
  print("zoom_redraw", zoomMs, "ms");
  print("zoom_redraw_cpu", zoomCpu, "ms");
  print("read_peak_memory", readPeakMb, "MB");
  print("window_peak_memory", windowPeakMb, "MB");
  print("peak_memory_to_csv_size", (peakMb() - baseMb) / csvMb, "x");
  delete window;
  return 0;
}
