// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the logbook's tabs into PNG files and writes a flight report,
// from a data folder of three aircraft's simulated one-hour flights; the
// first (forty flights) has strict limits, so that findings show. The
// Trends tab is rendered from longer histories: 140 flights of a
// six-cylinder single and 130 of a twin, each with a winter's gap and a
// cylinder that drifts, at 1280×720 and 1920×1080.
//   varnix_logbook_screenshots OUTPUT_FOLDER
// The report is written as OUTPUT_FOLDER/report.pdf; turn its pages into
// pictures with any PDF renderer (pdftoppm -png -r 60 report.pdf report).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <QTreeWidget>
#include <cstdio>

#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "app/logbook/frm_logbook.h"
#include "app/logbook/logbook_model.h"
#include "app/logbook/trends_chart.h"
#include "app/report/flight_report.h"
#include "render/library_text.h"

using namespace varnix;

namespace {

// Writes `plan` as the dump `dat`, expands it into `data` and removes it.
bool expandPlan(const QString& dat, const QString& data, const sim::encode::DumpPlan& plan) {
  QFile f(dat);
  const std::string bytes = sim::encode::assembleDump(plan);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0) return false;
  f.close();
  HeaderState header;
  ExpandDataFile(app::toLibraryText(dat), app::toLibraryText(data) + "/", header);
  return QFile::remove(dat);
}

// `flights` 40-minute flights of `aircraft` every other day from 2024-09-01,
// three months without flying after the first third; over the last twelve
// flights cylinder 3's cruise CHT and EGT climb 3 °F a flight, so that the
// trend findings show.
bool writeHistory(const QString& tmp, const QString& data, const std::string& aircraft, sim::encode::ProfileLayout layout,
                  int flights) {
  sim::encode::ProfileOptions o;
  o.layout = layout;
  o.minutes = 40;
  o.year = 24;
  o.month = 9;
  o.day = 1;
  // A drift keeps the cylinders' offsets of one engine from flight to flight.
  o.events.driftCylinder = 3;
  o.events.drift = 3;
  sim::encode::DumpPlan plan = sim::encode::ProfileDump(o, 0, aircraft);
  for (int i = 0; i < flights; ++i) {
    o.flightNumber = static_cast<std::uint16_t>(1 + i);
    o.seed = static_cast<unsigned>(31 + i);
    o.flightIndex = std::max(0, i - (flights - 12));
    o.day += i == flights / 3 ? 90 : 2;
    while (o.day > 28) {
      o.day -= 28;
      if (++o.month > 12) {
        o.month = 1;
        ++o.year;
      }
    }
    plan.flights.push_back(sim::encode::ProfileFlight(o));
  }
  return expandPlan(tmp + QStringLiteral("/") + QString::fromStdString(aircraft) + QStringLiteral(".DAT"), data, plan);
}

// Expands a dump of `flights` simulated flights of the aircraft `userId`,
// one every four days from 2 March 2024, into the data folder; the last
// three with a plug fault in their magneto check.
bool expandAircraft(const QString& tmp, const QString& data, const std::string& userId, int flights, unsigned seed) {
  sim::encode::ProfileOptions o;
  o.minutes = 75;
  o.year = 24;
  o.month = 3;
  o.day = 2;
  sim::encode::DumpPlan plan = sim::encode::ProfileDump(o, 0, userId);
  for (int i = 0; i < flights; ++i) {
    o.flightNumber = static_cast<std::uint16_t>(120 + i);
    o.seed = seed + static_cast<unsigned>(i);
    o.minutes = 50 + (i * 37) % 70;
    // The newest three run up with cylinder 3's plug failing on one magneto.
    o.events.mag = i >= flights - 3;
    plan.flights.push_back(sim::encode::ProfileFlight(o));
    o.day += 4;
    if (o.day > 28) {
      o.day -= 28;
      o.month = o.month % 12 + 1;
    }
  }
  return expandPlan(tmp + QStringLiteral("/R240602.DAT"), data, plan);
}

// The Trends tab of each aircraft of a single and a twin, at both sizes.
int trendsShots(const QString& out) {
  QTemporaryDir tmp;
  const QString data = tmp.path() + QStringLiteral("/data");
  QDir().mkpath(data);
  if (!writeHistory(tmp.path(), data, "N140SX", sim::encode::ProfileLayout::Single, 140) ||
      !writeHistory(tmp.path(), data, "N130TW", sim::encode::ProfileLayout::Twin, 130))
    return 1;
  // An avionics log of 2022 beside N140SX's monitor files: its "E1 CHT3" is
  // cylinder 3's series too, on a line of its own years before.
  QFile::copy(QStringLiteral(VARNIX_SOURCE_DIR "/tests/data/avionics/log_220417_135002_LFAQ.csv"),
              data + QStringLiteral("/N140SX/log_220417_135002_LFAQ.csv"));
  app::logbook::FrmLogbook form;
  QSignalSpy caughtUp(&form, &app::logbook::FrmLogbook::caughtUp);
  form.openFolder(data);
  form.show();
  caughtUp.wait(120000);
  form.tabs()->setCurrentIndex(1);
  struct Shot {
    const char* name;
    const char* aircraft;
    QSize size;
    int periodDays;  // 0: every flight
  } shots[] = {
      {"logbook_trends.png", "N140SX", {1280, 720}, 365},
      {"logbook_trends_1920.png", "N140SX", {1920, 1080}, 365},
      {"logbook_trends_all.png", "N140SX", {1280, 720}, 0},
      {"logbook_trends_all_1920.png", "N140SX", {1920, 1080}, 0},
      {"logbook_trends_twin.png", "N130TW", {1280, 720}, 365},
      {"logbook_trends_twin_1920.png", "N130TW", {1920, 1080}, 365},
  };
  for (const Shot& shot : shots) {
    for (int row = 0; row < form.aircraftList()->count(); ++row)
      if (form.aircraftList()->item(row)->text().startsWith(QLatin1String(shot.aircraft)))
        form.aircraftList()->setCurrentRow(row);
    form.trends()->setPeriodDays(shot.periodDays);
    form.resize(shot.size);
    QApplication::processEvents();
    form.grab().save(out + QLatin1Char('/') + QString::fromLatin1(shot.name));
    std::printf("%s/%s\n", out.toLocal8Bit().constData(), shot.name);
  }
  return 0;
}

// The Fleet tab at 1280×720 and 1920×1080.
void shootFleet(app::logbook::FrmLogbook& form, const QString& out) {
  form.tabs()->setCurrentWidget(form.fleetList());
  const struct {
    QSize size;
    const char* name;
  } shots[] = {{{1280, 720}, "logbook_fleet.png"}, {{1920, 1080}, "logbook_fleet_1920.png"}};
  for (const auto& shot : shots) {
    form.resize(shot.size);
    QApplication::processEvents();
    form.grab().save(out + QLatin1Char('/') + QString::fromLatin1(shot.name));
    std::printf("%s/%s\n", qPrintable(out), shot.name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: varnix_logbook_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  QTemporaryDir tmp;
  const QString data = tmp.path() + QStringLiteral("/data");
  QDir().mkpath(data);
  // Three aircraft for the Fleet tab; the shots of the other tabs show N123AB.
  if (!expandAircraft(tmp.path(), data, "N123AB", 40, 11) || !expandAircraft(tmp.path(), data, "N456CD", 25, 70) ||
      !expandAircraft(tmp.path(), data, "N789EF", 12, 120))
    return 1;
  QFile limits(data + QStringLiteral("/N123AB/varnix-limits.txt"));
  if (limits.open(QIODevice::WriteOnly)) limits.write("cht_max = 430\negt_deviation = 45\n");
  limits.close();

  app::logbook::FrmLogbook form;
  form.resize(1280, 760);
  QSignalSpy caughtUp(&form, &app::logbook::FrmLogbook::caughtUp);
  form.openFolder(data);
  form.show();
  caughtUp.wait(60000);
  const char* names[] = {"logbook_flights.png", nullptr, "logbook_findings.png"};
  for (int tab = 0; tab < 3; ++tab) {
    if (!names[tab]) continue;
    form.tabs()->setCurrentIndex(tab);
    // The Findings tab with its first issue of several flights opened.
    if (tab == 2)
      for (int i = 0; i < form.findingsList()->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* row = form.findingsList()->topLevelItem(i); row->childCount() > 0) {
          row->setExpanded(true);
          break;
        }
    QApplication::processEvents();
    form.grab().save(out + QLatin1Char('/') + QString::fromLatin1(names[tab]));
    std::printf("%s/%s\n", argv[1], names[tab]);
  }
  shootFleet(form, out);
  // The Limits editor, opened from a window of 1280×720, as large as the screen lets it be.
  {
    form.resize(1280, 720);
    form.aircraftList()->setCurrentRow(0);
    QTimer::singleShot(300, [&] {
      if (QWidget* editor = QApplication::activeModalWidget()) {
        editor->grab().save(out + QStringLiteral("/logbook_limits.png"));
        std::printf("%s/logbook_limits.png (%dx%d)\n", argv[1], editor->frameGeometry().width(),
                    editor->frameGeometry().height());
        editor->close();
      }
    });
    for (QPushButton* b : form.findChildren<QPushButton*>())
      if (b->text() == QStringLiteral("&Limits…")) b->click();
  }
  // An import that brings nothing new: the status line says why, its link lists the files.
  {
    form.tabs()->setCurrentIndex(0);
    QSignalSpy finished(&form, &app::logbook::FrmLogbook::importFinished);
    form.importLogs({data + QStringLiteral("/N123AB/F00137.CSV"), data + QStringLiteral("/N123AB/varnix-limits.txt")},
                    QStringLiteral("N123AB"));
    finished.wait(60000);
    QApplication::processEvents();
    form.grab().save(out + QStringLiteral("/logbook_import.png"));
    std::printf("%s/logbook_import.png\n", argv[1]);
    form.showImportList();
    QApplication::processEvents();
    if (auto* list = form.findChild<QWidget*>(QStringLiteral("dlgImportList"))) {
      list->grab().save(out + QStringLiteral("/logbook_import_list.png"));
      std::printf("%s/logbook_import_list.png\n", argv[1]);
      list->close();
    }
  }
  const QString flight = data + QStringLiteral("/N123AB/F00137.CSV");
  const auto outcome = app::report::writeFlightReport(flight, out + QStringLiteral("/report.pdf"));
  if (!outcome.ok()) {
    std::fprintf(stderr, "%s\n", outcome.problem.c_str());
    return 1;
  }
  std::printf("%s/report.pdf\n", argv[1]);
  return trendsShots(out);
}
