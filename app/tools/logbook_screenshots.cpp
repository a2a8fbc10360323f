// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the logbook's tabs into PNG files and writes a flight report,
// from a data folder of three aircraft's simulated one-hour flights; the
// first (forty flights) has strict limits, so that findings show. The
// Trends tab is rendered from longer histories: 140 flights of a
// six-cylinder single and 130 of a twin, each with a winter's gap and a
// cylinder that drifts, at 1280×720 and 1920×1080; each has a maintenance
// log (oil added every few weeks, plugs, an annual, C3's injector), whose
// entries the trend panels mark, and whose table is shown at both sizes.
//   varnix_logbook_screenshots OUTPUT_FOLDER [--check] [--too-tall]
// --check fails (exits non-zero) when a window shot at a size the screen
// holds does not fit the screen's available area or cuts a label or header
// short (fit_check.h), each problem said; --too-tall makes the first window
// checked taller than the screen, to see the check fail.
// The report is written as OUTPUT_FOLDER/report.pdf; turn its pages into
// pictures with any PDF renderer (pdftoppm -png -r 60 report.pdf report).
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QFile>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <QTreeWidget>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "app/flight/flight_window.h"
#include "app/flight/summary_view.h"
#include "app/logbook/frm_logbook.h"
#include "app/logbook/logbook_model.h"
#include "app/logbook/maintenance_editor.h"
#include "app/logbook/trends_chart.h"
#include "app/tools/fit_check.h"
#include "app/report/flight_report.h"
#include "frontend/report/aircraft_report_content.h"
#include "render/aircraft_report_pdf.h"
#include "render/library_text.h"
#include "store/aircraft_issues.h"
#include "store/maintenance_log.h"

using namespace varnix;

namespace {

// --check: every window shot at a size the screen holds, sized to the
// screen's available area less its frame as a maximised window is, then
// judged by FitProblems.
struct FitCheck {
  bool on = false;
  bool tooTall = false;
  int problems = 0;

  // `asked`: the size the shot is made at; a shot for a larger screen is not judged.
  void operator()(QWidget& window, QSize asked, const char* name) {
    if (!on) return;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    if (asked.width() > screen.width() || asked.height() > screen.height()) return;
    if (window.isWindow() && window.parentWidget() == nullptr) {
      const QSize frame = window.frameGeometry().size() - window.geometry().size();
      window.resize(screen.size() - frame);
      window.move(screen.topLeft());
    }
    if (tooTall) {
      window.setMinimumHeight(screen.height() + 100);
      tooTall = false;
    }
    for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 5);
    for (const QString& problem : app::tools::FitProblems(window, screen)) {
      std::fprintf(stderr, "%s: %s\n", name, qPrintable(problem));
      ++problems;
    }
  }
};

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

// The maintenance log of a history writeHistory made (its flights run from
// September 2024 to October 2025), written by the library's writer. On a
// twin the oil and the magneto name their engine.
bool writeMaintenance(const QString& data, const std::string& aircraft, bool twin) {
  const std::string left = twin ? "L" : "", right = twin ? "R" : "";
  std::string text = std::string(store::kMaintenanceHeader) + "\n";
  const char* oil[] = {"2024-09-01,,oil_change,%s,,8,qt,15W-50 and a new filter",
                       "2024-09-21,,oil_added,%s,,1,qt,",
                       "2024-10-15,,oil_added,%s,,1,qt,",
                       "2024-11-09,,oil_added,%s,,1.5,qt,",
                       "2025-04-06,,oil_change,%s,,8,qt,",
                       "2025-05-02,,oil_added,%s,,1,qt,",
                       "2025-06-01,,oil_added,%s,,1,qt,",
                       "2025-07-04,,oil_added,%s,,1.5,qt,",
                       "2025-08-10,,oil_added,%s,,2,qt,"};
  char line[160];
  for (const std::string& engine : twin ? std::vector<std::string>{left, right} : std::vector<std::string>{left})
    for (const char* o : oil) {
      std::snprintf(line, sizeof line, o, engine.c_str());
      text += std::string(line) + "\n";
    }
  text += "2025-03-28,,inspection,,,,,annual; no findings\n";
  text += "2025-03-28,,plugs," + left + ",,,,rotated\n";
  text += "2025-03-28,,compression," + left + ",3,74/80,psi,\n";
  if (twin) text += "2025-06-14,,magneto,L,,,,timed left\n";
  text += "2025-09-12,,borescope," + left + ",3,,,watch: light deposits on the exhaust valve\n";
  text += "2025-09-20,,injector," + left + ",3,,,cleaned: partly blocked\n";
  const store::MaintenanceFile file = store::ParseMaintenance(text);
  if (!file.problems.empty()) {
    std::fprintf(stderr, "maintenance line %d: %s\n", file.problems[0].line, file.problems[0].text.c_str());
    return false;
  }
  const store::MaintenanceSaved saved =
      store::SaveMaintenance(app::toLibraryText(data) + "/" + aircraft, file.entries);
  if (!saved.ok()) std::fprintf(stderr, "%s\n", saved.problem.c_str());
  return saved.ok();
}

// What the maintenance changed where the owner reads it: the Findings tab,
// the Summary of the first flight after the injector was cleaned, the
// aircraft report's page, at both sizes.
int maintenanceShots(app::logbook::FrmLogbook& form, const QString& out, FitCheck& fit) {
  form.tabs()->setCurrentIndex(2);
  const store::AircraftLog* log = form.currentLog();
  if (!log || log->maintenance.empty()) return 1;
  for (const auto& [size, name] : {std::pair{QSize(1280, 720), "logbook_findings_maintenance.png"},
                                   std::pair{QSize(1920, 1080), "logbook_findings_maintenance_1920.png"}}) {
    form.resize(size);
    if (QTreeWidgetItem* group = form.findingsList()->topLevelItem(0)) group->setExpanded(true);
    for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    fit(form, size, name);
    form.grab().save(out + QLatin1Char('/') + QString::fromLatin1(name));
    std::printf("%s/%s\n", out.toLocal8Bit().constData(), name);
  }
  const auto injector = std::find_if(log->maintenance.begin(), log->maintenance.end(), [](const store::MaintenanceRecord& r) {
    return r.entry.kind == store::MaintenanceKind::Injector;
  });
  const std::size_t first = injector == log->maintenance.end() ? log->flights.size() : store::FirstFlightFrom(*log, injector->entry.date);
  if (first >= log->flights.size()) return 1;
  QTreeWidgetItem* effect = nullptr;
  for (QTreeWidgetItemIterator it(form.findingsList()); *it && !effect; ++it)
    if ((*it)->data(0, Qt::UserRole).toInt() == static_cast<int>(first) && (*it)->parent() &&
        (*it)->parent()->text(0) == QLatin1String("Maintenance"))
      effect = *it;
  if (!effect) return 1;
  emit form.findingsList()->itemActivated(effect, 0);
  app::flight_view::FlightWindow* window = nullptr;
  for (int i = 0; i < 500 && !(window && window->isLoaded()); ++i) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* fw = qobject_cast<app::flight_view::FlightWindow*>(w)) window = fw;
  }
  if (!window || !window->isLoaded()) return 1;
  window->tabs()->setCurrentWidget(window->summary());
  for (const auto& [size, name] : {std::pair{QSize(1280, 720), "flight_summary_maintenance.png"},
                                   std::pair{QSize(1920, 1080), "flight_summary_maintenance_1920.png"}}) {
    window->resize(size);
    for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    fit(*window, size, name);
    window->grab().save(out + QLatin1Char('/') + QString::fromLatin1(name));
    std::printf("%s/%s\n", out.toLocal8Bit().constData(), name);
  }
  window->close();
  const frontend::report::AircraftReportContent content =
      frontend::report::MakeAircraftReportContent(*log, store::AircraftId(*log), "2025-09-01", "");
  const std::vector<QImage> pages = render::aircraftReportImages(content);
  for (std::size_t i = 0; i < pages.size() && i < 2; ++i) {
    const QString name = QStringLiteral("aircraft_report_maintenance_page%1.png").arg(i + 1);
    pages[i].save(out + QLatin1Char('/') + name);
    std::printf("%s/%s\n", out.toLocal8Bit().constData(), name.toLocal8Bit().constData());
  }
  return 0;
}

// The Maintenance editor over the logbook of `size`, sized as on a screen of that size.
void shootMaintenance(app::logbook::FrmLogbook& form, const QString& out, QSize size, const char* name, FitCheck& fit) {
  form.resize(size);
  form.editMaintenance();
  app::logbook::MaintenanceEditor* editor = nullptr;
  for (int i = 0; i < 200 && !editor; ++i) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    editor = form.findChild<app::logbook::MaintenanceEditor*>();
  }
  if (!editor) return;
  editor->fitInto(QRect(QPoint(0, 0), size));
  QApplication::processEvents();
  fit(*editor, size, name);
  QPixmap shot = form.grab();
  QPainter painter(&shot);
  const QPixmap dialog = editor->grab();
  const QPoint at((shot.width() - dialog.width()) / 2, (shot.height() - dialog.height()) / 2);
  painter.drawPixmap(at, dialog);
  painter.setPen(QColor(0x50, 0x50, 0x50));
  painter.drawRect(QRect(at, dialog.size()).adjusted(-1, -1, 0, 0));
  painter.end();
  shot.save(out + QLatin1Char('/') + QString::fromLatin1(name));
  std::printf("%s/%s (editor %dx%d)\n", out.toLocal8Bit().constData(), name, editor->width(), editor->height());
  editor->reject();
  QApplication::processEvents();
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
int trendsShots(const QString& out, FitCheck& fit) {
  QTemporaryDir tmp;
  const QString data = tmp.path() + QStringLiteral("/data");
  QDir().mkpath(data);
  if (!writeHistory(tmp.path(), data, "N140SX", sim::encode::ProfileLayout::Single, 140) ||
      !writeHistory(tmp.path(), data, "N130TW", sim::encode::ProfileLayout::Twin, 130) ||
      !writeMaintenance(data, "N140SX", false) || !writeMaintenance(data, "N130TW", true))
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
    // The maintenance entries join the trends once read on their thread.
    for (int i = 0; i < 50; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
    fit(form, shot.size, shot.name);
    form.grab().save(out + QLatin1Char('/') + QString::fromLatin1(shot.name));
    std::printf("%s/%s\n", out.toLocal8Bit().constData(), shot.name);
  }
  form.aircraftList()->setCurrentRow(0);
  for (int row = 0; row < form.aircraftList()->count(); ++row)
    if (form.aircraftList()->item(row)->text().startsWith(QLatin1String("N140SX"))) form.aircraftList()->setCurrentRow(row);
  shootMaintenance(form, out, {1280, 720}, "logbook_maintenance.png", fit);
  shootMaintenance(form, out, {1920, 1080}, "logbook_maintenance_1920.png", fit);
  return maintenanceShots(form, out, fit);
}

// The Fleet tab at 1280×720 and 1920×1080.
void shootFleet(app::logbook::FrmLogbook& form, const QString& out, FitCheck& fit) {
  form.tabs()->setCurrentWidget(form.fleetList());
  const struct {
    QSize size;
    const char* name;
  } shots[] = {{{1280, 720}, "logbook_fleet.png"}, {{1920, 1080}, "logbook_fleet_1920.png"}};
  for (const auto& shot : shots) {
    form.resize(shot.size);
    QApplication::processEvents();
    fit(form, shot.size, shot.name);
    form.grab().save(out + QLatin1Char('/') + QString::fromLatin1(shot.name));
    std::printf("%s/%s\n", qPrintable(out), shot.name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  FitCheck fit;
  {
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
      const std::string_view arg = argv[i];
      if (arg == "--check") fit.on = true;
      else if (arg == "--too-tall") fit.tooTall = true;
      else argv[kept++] = argv[i];
    }
    argc = kept;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: varnix_logbook_screenshots OUTPUT_FOLDER [--check] [--too-tall]\n");
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
  form.resize(1280, 720);
  QSignalSpy caughtUp(&form, &app::logbook::FrmLogbook::caughtUp);
  form.openFolder(data);
  form.show();
  caughtUp.wait(60000);
  // The Flights and Findings tabs at 1280×720 and 1920×1080.
  const char* names[] = {"logbook_flights", nullptr, "logbook_findings"};
  for (const auto& [size, suffix] : {std::pair{QSize(1280, 720), ".png"}, std::pair{QSize(1920, 1080), "_1920.png"}}) {
    form.resize(size);
    for (int tab = 0; tab < 3; ++tab) {
      if (!names[tab]) continue;
      const std::string name = std::string(names[tab]) + suffix;
      form.tabs()->setCurrentIndex(tab);
      // The Findings tab with its first issue of several flights opened.
      if (tab == 2)
        for (int i = 0; i < form.findingsList()->topLevelItemCount(); ++i)
          if (QTreeWidgetItem* row = form.findingsList()->topLevelItem(i); row->childCount() > 0) {
            row->setExpanded(true);
            break;
          }
      QApplication::processEvents();
      fit(form, size, name.c_str());
      form.grab().save(out + QLatin1Char('/') + QString::fromStdString(name));
      std::printf("%s/%s\n", argv[1], name.c_str());
    }
  }
  shootFleet(form, out, fit);
  // The Limits editor, opened from a window of 1280×720 and of 1920×1080, as large as the screen lets it be.
  for (const auto& [size, name] : {std::pair{QSize(1280, 720), "logbook_limits.png"},
                                   std::pair{QSize(1920, 1080), "logbook_limits_1920.png"}}) {
    form.resize(size);
    form.aircraftList()->setCurrentRow(0);
    QTimer::singleShot(300, [&, size = size, name = name] {
      if (QWidget* editor = QApplication::activeModalWidget()) {
        fit(*editor, size, name);
        editor->grab().save(out + QLatin1Char('/') + QString::fromLatin1(name));
        std::printf("%s/%s (%dx%d)\n", argv[1], name, editor->frameGeometry().width(),
                    editor->frameGeometry().height());
        editor->close();
      }
    });
    for (QPushButton* b : form.findChildren<QPushButton*>())
      if (b->text() == QStringLiteral("&Limits…")) b->click();
  }
  // An import that brings nothing new: the status line says why, its link lists the files.
  {
    form.resize(1280, 720);
    form.tabs()->setCurrentIndex(0);
    QSignalSpy finished(&form, &app::logbook::FrmLogbook::importFinished);
    form.importLogs({data + QStringLiteral("/N123AB/F00137.CSV"), data + QStringLiteral("/N123AB/varnix-limits.txt")},
                    QStringLiteral("N123AB"));
    finished.wait(60000);
    QApplication::processEvents();
    fit(form, {1280, 720}, "logbook_import.png");
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
  const int failed = trendsShots(out, fit);
  if (fit.problems) std::fprintf(stderr, "%d problems: the windows do not fit the screen\n", fit.problems);
  return failed ? failed : fit.problems ? 1 : 0;
}
