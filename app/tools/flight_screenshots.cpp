// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the flight window for a single-engine, an extended and a twin
// flight into docs/screenshots/flight_*.png (and its Summary tab for a flight
// with engine events and for the shared avionics log, and that flight compared
// with another), with the cursor and a ruler
// span placed as a user would; two at 1280 x 720 zoomed into cruise, where
// the value axes fit what is shown. Also a picture as Save picture… writes it
// (flight_picture.png), the flight report's pages (report_page1-3.png) and
// the aircraft report's first two (aircraft_report_page.png, _page2.png).
//   varnix_flight_screenshots OUTPUT_FOLDER [WIDTHxHEIGHT]
// A size (1280x720, 1920x1080) gives every window that size, its files named
// with the width (flight_compare_1920.png), the reports left out (their pages
// are A4 at any size); VARNIX_SHOT_SIZE does the same where no size is given.
// VARNIX_SHOT_CRUISE=1 zooms every shot into cruise.
// --check fails (exits non-zero) when a window does not fit the screen's
// available area or cuts a label or header short (fit_check.h), each
// problem said; --too-tall makes the first window taller than the screen,
// to see the check fail.
#include <QApplication>
#include <QScreen>
#include <QDir>
#include <QSettings>
#include <QSize>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <filesystem>
#include <fstream>

#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "app/tools/fit_check.h"
#include "app/flight/flight_chart.h"
#include "app/flight/flight_window.h"
#include "app/flight/picture_export.h"
#include "app/flight/summary_view.h"
#include "frontend/report/aircraft_report_content.h"
#include "render/aircraft_report_pdf.h"
#include "render/report_pdf.h"
#include "store/catalog_entry.h"
#include "store/logbook.h"

using varnix::sim::encode::ProfileLayout;

namespace {

void settle() {
  for (int i = 0; i < 10; ++i) {
    QApplication::processEvents();
    QThread::msleep(20);
  }
}

// The first flight of a dump of `layout`, expanded into `folder`.
// `events`: the simulator's engine events (make-dump --events lean,mag,valve,probe,hot --interval 2).
QString makeFlight(const QString& folder, ProfileLayout layout, unsigned seed, bool events = false) {
  varnix::sim::encode::ProfileOptions o;
  o.layout = layout;
  o.minutes = layout == ProfileLayout::Single ? 75 : 110;
  o.cylinders = layout == ProfileLayout::Extended ? 4 : 6;
  o.seed = seed;
  if (events) {
    o.minutes = 60;
    o.interval = 2;
    o.events.lean = o.events.mag = o.events.valve = o.events.probe = o.events.hot = true;
  }
  const std::string dir = folder.toStdString();
  const std::string dat = dir + "/R1.DAT";
  const std::string dump = varnix::sim::encode::assembleDump(varnix::sim::encode::ProfileDump(o, 1));
  std::ofstream(dat, std::ios::binary).write(dump.data(), static_cast<std::streamsize>(dump.size()));
  std::filesystem::create_directory(dir + "/data");
  varnix::HeaderState header;
  varnix::ExpandDataFile(dat, dir + "/data/", header);
  return folder + "/data/N123AB/F00001.CSV";
}

// Saves `images` as `out`/`name`N.png (the first as `name`.png when `numbered` is false).
int savePages(const QString& out, const std::vector<QImage>& images, const char* name, int count, bool numbered) {
  int failures = images.empty() ? 1 : 0;
  for (int i = 0; i < count && i < static_cast<int>(images.size()); ++i) {
    const QString file = QDir(out).filePath(QString::fromLatin1(name) +
                                            (numbered || i > 0 ? QString::number(i + 1) : QString()) + ".png");
    if (images[static_cast<std::size_t>(i)].save(file)) {
      qInfo("%s", qPrintable(file));
    } else {
      qWarning("could not save %s", qPrintable(file));
      ++failures;
    }
  }
  return failures;
}

// The flight report of an events flight (its first two pages) and the
// aircraft report of eight flights in June whose third cylinder warms from
// flight to flight and whose C3 probe drops out on each (its first two pages:
// the issues, the trend panels, the findings and the flights).
int reportShots(const QString& out, const QString& work) {
  QDir().mkpath(work + "/report");
  int failures = savePages(out, varnix::render::flightReportImages(makeFlight(work + "/report", ProfileLayout::Single, 1, true)),
                           "report_page", 3, true);
  varnix::sim::encode::ProfileOptions o;
  o.minutes = 70;
  o.seed = 3;
  o.events.driftCylinder = 3;
  o.events.drift = 4;
  o.events.probe = true;
  const std::string dir = (work + "/aircraft").toStdString();
  std::filesystem::create_directories(dir + "/data");
  const std::string dump = varnix::sim::encode::assembleDump(varnix::sim::encode::ProfileDump(o, 8));
  std::ofstream(dir + "/R1.DAT", std::ios::binary).write(dump.data(), static_cast<std::streamsize>(dump.size()));
  varnix::HeaderState header;
  varnix::ExpandDataFile(dir + "/R1.DAT", dir + "/data/", header);
  std::vector<varnix::store::CatalogEntry> entries;
  for (const auto& file : std::filesystem::directory_iterator(dir + "/data/N123AB"))
    if (auto e = varnix::store::MakeCatalogEntryFromFile(file.path().string())) {
      e->file = "N123AB/" + file.path().filename().string();
      e->folder = "N123AB";
      entries.push_back(std::move(*e));
    }
  const varnix::store::AircraftLog log =
      varnix::store::BuildAircraftLog("N123AB", std::move(entries), varnix::analysis::Limits{});
  const auto content = varnix::frontend::report::MakeAircraftReportContent(log, "N123AB", "2024-06-01", "2024-06-30");
  return failures + savePages(out, varnix::render::aircraftReportImages(content), "aircraft_report_page", 2, false);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  bool check = false, tooTall = false;
  {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
      const std::string_view arg = argv[i];
      if (arg == "--check") {
        check = true;
      } else if (arg == "--too-tall") {
        tooTall = true;
      } else {
        argv[kept++] = argv[i];
      }
    }
    argc = kept;
  }
  if (argc < 2) {
    qWarning("usage: varnix_flight_screenshots OUTPUT_FOLDER [WIDTHxHEIGHT]");
    return 2;
  }
  const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QDir().mkpath(out);
  QTemporaryDir work, settings;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

  struct Shot {
    const char* name;
    ProfileLayout layout;
    unsigned seed;
    bool table;
    QSize size = QSize(1500, 940);
    bool cruise = false;
    bool summary = false;   // the Summary tab of an events flight
    bool avionics = false;  // of the shared avionics log
    bool compare = false;   // an events flight compared with another, a ruler span set
  };
  const Shot shots[] = {{"flight_single", ProfileLayout::Single, 6, false},
                        {"flight_extended", ProfileLayout::Extended, 3, false},
                        {"flight_twin", ProfileLayout::Twin, 9, false},
                        {"flight_table", ProfileLayout::Single, 6, true},
                        {"flight_cruise_fit", ProfileLayout::Single, 6, false, QSize(1280, 720), true},
                        {"flight_twin_cruise_fit", ProfileLayout::Twin, 9, false, QSize(1280, 720), true},
                        {"flight_summary", ProfileLayout::Single, 1, false, QSize(1280, 720), false, true},
                        {"flight_twin_summary", ProfileLayout::Twin, 9, false, QSize(1280, 720), false, true},
                        {"flight_summary_avionics", ProfileLayout::Single, 1, false, QSize(1280, 720), false, true,
                         true},
                        {"flight_compare", ProfileLayout::Single, 1, false, QSize(1280, 720), false, false, false,
                         true}};
  const QStringList sizeText =
      (argc > 2 ? QString::fromLocal8Bit(argv[2]) : qEnvironmentVariable("VARNIX_SHOT_SIZE")).split(QLatin1Char('x'));
  const QSize everySize = sizeText.size() == 2 ? QSize(sizeText[0].toInt(), sizeText[1].toInt()) : QSize();
  if (sizeText.size() == 2 && (everySize.width() < 640 || everySize.height() < 480)) {
    qWarning("the size is WIDTHxHEIGHT, at least 640x480");
    return 2;
  }
  // flight_compare.png, or flight_compare_1920.png at a size given.
  auto shotFile = [&](const char* name) {
    const QString suffix = everySize.isValid() ? QStringLiteral("_%1").arg(everySize.width()) : QString();
    return QDir(out).filePath(QString::fromLatin1(name) + suffix + QStringLiteral(".png"));
  };
  const bool everyCruise = qEnvironmentVariableIsSet("VARNIX_SHOT_CRUISE");
  int failures = 0;
  for (const Shot& s : shots) {
    const QString folder = work.filePath(QString::fromLatin1(s.name));
    QDir().mkpath(folder);
    auto* window = new varnix::app::flight_view::FlightWindow;
    window->resize(everySize.isValid() ? everySize : s.size);
    const QString flightFile = s.avionics ? QStringLiteral(VARNIX_SOURCE_DIR "/tests/data/avionics/log_220417_125002_LFQA.csv")
                                          : makeFlight(folder, s.layout, s.seed, s.summary || s.compare);
    window->openFile(flightFile);
    window->show();
    while (!window->isLoaded() && window->problem().isEmpty()) settle();
    // Again: the window takes the size remembered for its layout when it opens.
    // Never more than the screen holds with the window's frame, at its top
    // left, as a window manager would place it (1280x720 is then a little less).
    const QRect screen = window->screen()->availableGeometry();
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    window->resize((everySize.isValid() ? everySize : s.size).boundedTo(screen.size() - frame));
    window->move(screen.topLeft());
    auto* chart = window->chart();
    const std::size_t rows = chart->flight() ? chart->flight()->rows() : 0;
    const bool cruise = s.cruise || everyCruise;
    if (cruise) {
      chart->setTimeRange(chart->keyOfRow(rows * 45 / 100), chart->keyOfRow(rows * 60 / 100));
    } else if (s.layout == ProfileLayout::Extended) {
      chart->setTimeRange(chart->keyOfRow(rows / 5), chart->keyOfRow(rows / 2));  // zoomed in on the end of the climb
    }
    if (s.layout == ProfileLayout::Twin && !cruise) {
      chart->setRuler(rows * 80 / 100);  // the descent as a span
      chart->setRuler(rows * 93 / 100);
    }
    chart->setCursorRow(cruise ? rows * 52 / 100
                        : s.layout == ProfileLayout::Extended ? rows * 28 / 100 : rows * 45 / 100 + 1);
    // A picture saved from the single-engine flight, as Save picture… writes it at the window's size.
    if (std::string_view(s.name) == "flight_single") {
      const QString picture = shotFile("flight_picture");
      if (varnix::app::flight_view::savePicture(*chart, picture, window->pictureSize()).ok()) {
        qInfo("%s", qPrintable(picture));
      } else {
        qWarning("could not save %s", qPrintable(picture));
        ++failures;
      }
    }
    if (s.compare) {
      const QString other = folder + QStringLiteral("/other");
      QDir().mkpath(other);
      const QString otherFile = makeFlight(other, ProfileLayout::Single, 6);
      window->compareWith(otherFile);
      while (!window->isComparing() && window->comparisonProblem().isEmpty()) settle();
      // From the takeoff into the cruise; the ruler over the climb.
      chart->setTimeRange(chart->keyOfRow(rows * 8 / 100), chart->keyOfRow(rows * 45 / 100));
      chart->setRuler(rows * 15 / 100);
      chart->setRuler(rows * 25 / 100);
      chart->setCursorRow(rows * 35 / 100);
      // The two flights on paper: the saved picture, and the report's chart page (its last).
      const QString picture = shotFile("flight_compare_picture");
      if (varnix::app::flight_view::savePicture(*chart, picture, window->pictureSize()).ok()) {
        qInfo("%s", qPrintable(picture));
      } else {
        qWarning("could not save %s", qPrintable(picture));
        ++failures;
      }
      if (!everySize.isValid()) {
        std::vector<QImage> pages = varnix::render::flightReportImages(flightFile, varnix::render::ComparedFile{otherFile});
        if (!pages.empty()) pages.erase(pages.begin(), pages.end() - 1);
        failures += savePages(out, pages, "report_compare_page", 1, false);
      }
    }
    if (s.table) window->tabs()->setCurrentWidget(window->table());
    if (s.summary) window->tabs()->setCurrentWidget(window->summary());
    if (tooTall && &s == &shots[0]) window->setMinimumHeight(screen.height() + 100);
    settle();
    if (check)
      for (const QString& problem : varnix::app::tools::FitProblems(*window, screen)) {
        qWarning("%s: %s", s.name, qPrintable(problem));
        ++failures;
      }
    const QString file = shotFile(s.name);
    if (!window->grab().save(file)) {
      qWarning("could not save %s", qPrintable(file));
      ++failures;
    } else {
      qInfo("%s", qPrintable(file));
    }
    window->close();
  }
  if (!everySize.isValid()) failures += reportShots(out, work.path());
  return failures;
}
