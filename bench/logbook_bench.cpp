// SPDX-License-Identifier: GPL-3.0-or-later
// Logbook benchmark: one aircraft with 1,000 one-hour flights of the
// simulator's flight profile (the encoder behind varnix-sim make-dump),
// expanded once into a cached folder under the temporary folder. Prints
//   catalog_cold_build, catalog_warm_open, catalog_one_new_flight,
//   logbook_window_list, trends_redraw, cli_logbook_json
// one `<name> <value> <unit>` line each, and with N the number of flights
//   catalog_cold_N_s, catalog_cold_N_cpu_s (the process's CPU time: the
//   cores that indexing used), logbook_json_warm_N_ms (varnix-cli logbook
//   --json as a whole process on the indexed folder).
//   build/<dir>/bench/varnix_logbook_bench [flights [readers]]
// (readers: the catalog's reading threads for the cold build; automatic
// without it).
#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QtTest>
#include <qcustomplot.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "store/catalog.h"
#include "store/logbook.h"
#include "store/trend_series.h"
#include "app/logbook/frm_logbook.h"
#include "app/logbook/trends_chart.h"
#include "support/dump_builder.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace varnix;

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

void print(const char* name, double value, const char* unit) { std::printf("%s %.1f %s\n", name, value, unit); }

std::size_t csvCount(const std::string& folder) {
  std::size_t n = 0;
  std::error_code ec;
  for (const auto& f : fs::directory_iterator(folder, ec)) n += f.path().extension() == ".CSV";
  return n;
}

// The cached data folder of `flights` one-hour flights, made on first use.
std::string benchFolder(int flights) {
  const std::string root = (fs::temp_directory_path() / ("varnix-logbook-bench-" + std::to_string(flights))).string();
  const std::string data = root + "/data";
  if (csvCount(data + "/N123AB") == static_cast<std::size_t>(flights)) return data;
  std::fprintf(stderr, "making %d one-hour flights in %s (once)...\n", flights, root.c_str());
  fs::remove_all(root);
  fs::create_directories(data);
  // Dumps of at most 100 flights, on successive days from 2021 on.
  sim::encode::ProfileOptions o;
  o.minutes = 60;
  o.year = 21;
  o.month = 1;
  o.day = 1;
  for (int first = 0; first < flights; first += 100) {
    sim::encode::DumpPlan plan = sim::encode::ProfileDump(o, 0);
    for (int i = first; i < std::min(flights, first + 100); ++i) {
      o.flightNumber = static_cast<std::uint16_t>(i + 1);
      o.seed = static_cast<unsigned>(i + 1);
      plan.flights.push_back(sim::encode::ProfileFlight(o));
      if (++o.day > 28) {
        o.day = 1;
        if (++o.month > 12) {
          o.month = 1;
          ++o.year;
        }
      }
    }
    const std::string dat = root + "/R" + std::to_string(first) + ".DAT";
    test::writeFile(dat, sim::encode::assembleDump(plan));
    HeaderState header;
    ExpandDataFile(dat, data + "/", header);
  }
  // Settled files, as after a download some time ago.
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const auto& f : fs::directory_iterator(data + "/N123AB")) fs::last_write_time(f.path(), old);
  return data;
}

// The bench's catalog; a catalog that cannot be opened ends the run with its problem.
std::unique_ptr<store::Catalog> openCatalog(const std::string& data) {
  flight::Outcome<std::unique_ptr<store::Catalog>> opened = store::Catalog::open(data);
  if (!opened.ok()) {
    std::fprintf(stderr, "%s\n", opened.problem.c_str());
    std::exit(1);
  }
  return std::move(opened.value);
}

}  // namespace

int main(int argc, char** argv) {
  const int flights = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  const unsigned readers = argc > 2 ? static_cast<unsigned>(std::max(0, std::atoi(argv[2]))) : 0;
  const std::string data = benchFolder(flights);
  const std::string database = data + "/" + store::kCatalogFileName;
  for (const char* tail : {"", "-wal", "-shm"}) fs::remove(database + tail);

  const std::string n = std::to_string(flights);
  auto t = Clock::now();
  const std::clock_t cpu = std::clock();
  {
    auto catalog = openCatalog(data);
    catalog->setReaders(readers);
    if (const store::CatalogUpdate u = catalog->update(); !u.ok()) std::fprintf(stderr, "%s\n", u.problem.c_str());
  }
  const double coldMs = msSince(t);
  print("catalog_cold_build", coldMs, "ms");
  std::printf("catalog_cold_%s_s %.2f s\n", n.c_str(), coldMs / 1000);
  std::printf("catalog_cold_%s_cpu_s %.2f s\n", n.c_str(), static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);

  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    t = Clock::now();
    auto catalog = openCatalog(data);
    if (const store::CatalogUpdate u = catalog->update(); !u.ok()) std::fprintf(stderr, "%s\n", u.problem.c_str());
    const auto read = catalog->entries();
    if (!read.ok()) std::fprintf(stderr, "%s\n", read.problem.c_str());
    const auto& entries = read.value;
    best = std::min(best, msSince(t));
    if (entries.size() != static_cast<std::size_t>(flights)) std::fprintf(stderr, "%zu entries\n", entries.size());
  }
  print("catalog_warm_open", best, "ms");

  {
    auto catalog = openCatalog(data);
    const std::string extra = data + "/N123AB/F99999.CSV";
    fs::copy_file(data + "/N123AB/F00001.CSV", extra, fs::copy_options::overwrite_existing);
    fs::last_write_time(extra, fs::file_time_type::clock::now() - std::chrono::hours(1));
    t = Clock::now();
    const store::CatalogUpdate u = catalog->update();
    print("catalog_one_new_flight", msSince(t), "ms");
    if (!u.ok() || u.value.added != 1) std::fprintf(stderr, "added %zu %s\n", u.value.added, u.problem.c_str());
    fs::remove(extra);
    if (const store::CatalogUpdate again = catalog->update(); !again.ok()) std::fprintf(stderr, "%s\n", again.problem.c_str());
  }

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qt(argc, argv);
  {
    app::logbook::FrmLogbook form;
    form.resize(1200, 720);
    QElapsedTimer shown;
    shown.start();
    form.openFolder(QString::fromStdString(data));
    form.show();
    if (!QTest::qWaitFor([&] { return form.flightsTable()->model()->rowCount() >= flights; }, 30000))
      std::fprintf(stderr, "the logbook did not show the flights\n");
    form.flightsTable()->viewport()->repaint();
    print("logbook_window_list", static_cast<double>(shown.nsecsElapsed()) / 1e6, "ms");
    if (!QTest::qWaitFor([&] { return !form.indexing(); }, 30000)) std::fprintf(stderr, "still indexing\n");

    app::logbook::TrendsChart trends;
    trends.resize(1200, 700);
    trends.show();
    auto log = std::make_shared<const store::AircraftLog>(*form.currentLog());
    trends.setLog(log, std::make_shared<const store::AircraftTrends>(store::BuildTrendSeries(*log)));
    QCustomPlot* plot = trends.plot();
    plot->replot(QCustomPlot::rpImmediateRefresh);
    const int rounds = 20;
    t = Clock::now();
    for (int i = 0; i < rounds; ++i) plot->replot(QCustomPlot::rpImmediateRefresh);
    print("trends_redraw", msSince(t) / rounds, "ms");
  }

  best = 1e9;
  for (int round = 0; round < 3; ++round) {
    t = Clock::now();
    const std::string command = std::string(VARNIX_CLI) + " logbook --json '" + data + "' > /dev/null";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "varnix-cli logbook failed\n");
    best = std::min(best, msSince(t));
  }
  print("cli_logbook_json", best, "ms");
  std::printf("logbook_json_warm_%s_ms %.1f ms\n", n.c_str(), best);
  return 0;
}
