// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook window on a data folder the expansion filled: it lists the
// aircraft and its flights, sorts them by CHT, and a finding opens its
// flight with the cursor at the finding's peak.
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QTimer>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QPushButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>
#include <cmath>
#include <qcustomplot.h>

#include "app/flight/flight_chart.h"
#include "app/flight/flight_window.h"
#include "app/flight/summary_view.h"
#include "app/logbook/frm_logbook.h"
#include "app/logbook/logbook_model.h"
#include "app/logbook/maintenance_editor.h"
#include "app/shared/window_placement.h"
#include "app/logbook/trends_chart.h"
#include "encoder/flight_profile.h"
#include "app/report/aircraft_report.h"
#include "support/flight_files.h"
#include "store/trend_series.h"

using namespace varnix;
using app::logbook::FrmLogbook;
using app::logbook::LogbookModel;

namespace {

// The Findings tab's row of the oldest finding whose text starts so, in a
// group or not (the rows go newest first).
QTreeWidgetItem* findingItem(QTreeWidget* findings, const QString& start) {
  QTreeWidgetItem* found = nullptr;
  for (QTreeWidgetItemIterator it(findings); *it; ++it)
    if ((*it)->childCount() == 0 && (*it)->text(4).startsWith(start)) found = *it;
  return found;
}

}  // namespace

class LogbookTest : public QObject {
  Q_OBJECT

 private:
  test::TempDir dir_;
  QTemporaryDir settings_;

 private slots:
  void initTestCase() { QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_.path()); }

  void listsSortsAndOpensAFindingAtItsPeak() {
    const std::vector<std::string> files =
        test::expandedFlights(dir_, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    QCOMPARE(files.size(), std::size_t{4});
    test::writeFile(dir_.file("data/N123AB/varnix-limits.txt"), "cht_max = 390\n");

    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir_.file("data")));
    form.show();
    QVERIFY(caughtUp.wait(20000));
    QCOMPARE(form.aircraftList()->count(), 1);
    QCOMPARE(form.flightsTable()->model()->rowCount(), 4);
    QVERIFY(form.progressLine()->text().contains(QStringLiteral("4 flight files")));
    QVERIFY(form.trends()->seriesCount() > 0);

    // Sorted by the hottest CHT, hottest first.
    form.flightsTable()->sortByColumn(LogbookModel::HottestCht, Qt::DescendingOrder);
    QAbstractItemModel* m = form.flightsTable()->model();
    for (int r = 1; r < m->rowCount(); ++r)
      QVERIFY(m->index(r - 1, LogbookModel::HottestCht).data(LogbookModel::kSortRole).toDouble() >=
              m->index(r, LogbookModel::HottestCht).data(LogbookModel::kSortRole).toDouble());
    QVERIFY(m->index(0, LogbookModel::HottestCht).data().toString().startsWith(QStringLiteral("396 C3")));
    // The filter keeps the flights that mention what is typed.
    form.flightsProxy()->setFilterFixedString(QStringLiteral("F00103"));
    QCOMPARE(m->rowCount(), 1);
    form.flightsProxy()->setFilterFixedString({});

    // A finding opens its flight, the cursor at the finding's peak.
    QTreeWidget* findings = form.findingsList();
    QTreeWidgetItem* cht = findingItem(findings, QStringLiteral("CHT C3 reached 396"));
    QVERIFY(cht);
    // An issue seen on several flights is one row that opens to each flight's finding.
    for (int i = 0; i < findings->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = findings->topLevelItem(i);
      if (row->childCount() == 0) continue;
      QCOMPARE(row->text(1), QStringLiteral("%1 flights").arg(row->childCount()));
      for (int c = 0; c < row->childCount(); ++c) QCOMPARE(row->child(c)->text(3), row->text(3));
      QCOMPARE(row->data(0, Qt::UserRole).toInt(), -1);
    }
    const store::LogbookFlight& f102 =
        form.currentLog()->flights[static_cast<std::size_t>(cht->data(0, Qt::UserRole).toInt())];
    QCOMPARE(QString::fromStdString(f102.entry.file), QStringLiteral("N123AB/F00102.CSV"));
    emit findings->itemActivated(cht, 0);
    app::flight_view::FlightWindow* window = nullptr;
    QVERIFY(QTest::qWaitFor(
        [&] {
          for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* fw = qobject_cast<app::flight_view::FlightWindow*>(w); fw && fw->isLoaded()) window = fw;
          return window != nullptr;
        },
        10000));
    QVERIFY(window->path().endsWith(QStringLiteral("F00102.CSV")));
    const flight::Flight* shown = window->chart()->flight();
    QVERIFY(shown);
    QCOMPARE(window->chart()->cursorRow(), shown->nearestRow(f102.findings.at(0).peakAt));
    const int c3 = shown->channelIndex("C3");
    QCOMPARE(shown->columns[static_cast<std::size_t>(c3)][window->chart()->cursorRow()], 396.0f);
    window->close();
  }

  // Two flights selected, Compare opens the upper one's window with the
  // other drawn over it; one, its window with the aircraft's baseline (none
  // for four flights); none or three leave the button disabled.
  void comparesTwoSelectedFlights() {
    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir.file("data")));
    form.show();
    QVERIFY(caughtUp.wait(20000));
    QTableView* table = form.flightsTable();
    const struct {
      QList<int> rows;
      bool enabled;
    } cases[] = {{{}, false}, {{0}, true}, {{0, 2}, true}, {{0, 1, 2}, false}, {{3, 1}, true}};
    for (const auto& c : cases) {
      table->clearSelection();
      for (int r : c.rows) table->selectionModel()->select(table->model()->index(r, 0),
                                                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
      QCOMPARE(form.compareButton()->isEnabled(), c.enabled);
    }
    const QString upper = table->model()->index(1, LogbookModel::File).data().toString();
    const QString lower = table->model()->index(3, LogbookModel::File).data().toString();
    QTest::mouseClick(form.compareButton(), Qt::LeftButton);
    app::flight_view::FlightWindow* window = nullptr;
    QVERIFY(QTest::qWaitFor(
        [&] {
          for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* fw = qobject_cast<app::flight_view::FlightWindow*>(w); fw && fw->isComparing()) window = fw;
          return window != nullptr;
        },
        10000));
    QVERIFY(window->path().endsWith(upper));
    QVERIFY(window->chart()->comparison()->path.endsWith(lower));
    window->close();

    table->clearSelection();
    table->selectionModel()->select(table->model()->index(0, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString newest = table->model()->index(0, LogbookModel::File).data().toString();
    QTest::mouseClick(form.compareButton(), Qt::LeftButton);
    window = nullptr;
    QVERIFY(QTest::qWaitFor(
        [&] {
          for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* fw = qobject_cast<app::flight_view::FlightWindow*>(w); fw && fw->path().endsWith(newest))
              window = fw;
          return window != nullptr;
        },
        10000));
    QVERIFY(window->baselineReadout()->isVisibleTo(window));
    QVERIFY(window->baselineReadout()->text().contains("none yet"));
    window->close();
  }

  // The findings list gives each finding's time above its limit, and an
  // acknowledged one (the acknowledgements file of the aircraft) as such,
  // with the owner's reason, as varnix-cli logbook does.
  void showsTimeAboveAndAcknowledgedFindings() {
    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    test::writeFile(dir.file("data/N123AB/varnix-limits.txt"), "cht_max = 390\n");
    test::writeFile(dir.file("data/N123AB/varnix-acknowledged.txt"), "cht C3 2099-12-31 probe reads high\n");
    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir.file("data")));
    QVERIFY(caughtUp.wait(20000));
    QTreeWidget* findings = form.findingsList();
    QTreeWidgetItem* cht = findingItem(findings, QStringLiteral("CHT C3 reached 396"));
    QVERIFY(cht);
    QCOMPARE(cht->text(2), QStringLiteral("acknowledged"));
    QVERIFY2(cht->text(4).endsWith(QStringLiteral("(acknowledged: probe reads high)")), qPrintable(cht->text(4)));
    QVERIFY2(cht->text(5).endsWith(QStringLiteral(" min")), qPrintable(cht->text(5)));
    QVERIFY(form.limitsProblemsLine()->text().isEmpty());
  }

  // "Aircraft report…": its period is the logbook's first to last flight
  // unless narrowed, and the flights' durations read h:mm:ss as in the report.
#ifdef VARNIX_SIM
  // A history whose C3 injector was cleaned, its head 25 °F cooler after:
  // the Findings tab, the Summary of the first flight after the work and the
  // aircraft report say the work helped, with the figures.
  void saysTheWorkHelpedInTheFindingsTheSummaryAndTheReport() {
    test::TempDir dir;
    const QString dat = QString::fromStdString(dir.file("H.DAT"));
    QProcess sim;
    sim.start(QStringLiteral(VARNIX_SIM), {QStringLiteral("make-dump"), QStringLiteral("-o"), dat, QStringLiteral("--history"),
                                           QStringLiteral("180"), QStringLiteral("--minutes"), QStringLiteral("60"),
                                           QStringLiteral("--seed"), QStringLiteral("4"),
                                           QStringLiteral("--maintenance-injector"), QStringLiteral("3:25:45")});
    QVERIFY(sim.waitForFinished(60000));
    QCOMPARE(sim.exitCode(), 0);
    const std::vector<std::string> files = test::expandedFlights(dir, test::readFile(dat.toStdString()));
    QCOMPARE(files.size(), std::size_t{60});
    const QString folder = QFileInfo(QString::fromStdString(files.front())).absolutePath();
    QVERIFY(QFile::rename(QString::fromStdString(dir.file("maintenance.csv")), folder + QStringLiteral("/maintenance.csv")));

    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir.file("data")));
    QVERIFY(caughtUp.wait(60000));
    QTRY_VERIFY_WITH_TIMEOUT(form.currentLog() && !form.currentLog()->maintenance.empty(), 30000);
    const QString helped = QStringLiteral("the work helped");
    QTreeWidgetItem* effect = findingItem(form.findingsList(), QStringLiteral("C3 cruise CHT"));
    QVERIFY(effect);
    QVERIFY2(effect->text(4).contains(helped) && effect->text(4).contains(QStringLiteral("after 'injector 3 cleaned'")),
             qPrintable(effect->text(4)));
    QCOMPARE(effect->parent()->text(0), QStringLiteral("Maintenance"));

    emit form.findingsList()->itemActivated(effect, 0);
    app::flight_view::FlightWindow* window = nullptr;
    QVERIFY(QTest::qWaitFor(
        [&] {
          for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* fw = qobject_cast<app::flight_view::FlightWindow*>(w); fw && fw->isLoaded()) window = fw;
          return window != nullptr;
        },
        10000));
    QVERIFY2(window->summary()->maintenanceText()->text().contains(effect->text(4).toHtmlEscaped()),
             qPrintable(window->summary()->maintenanceText()->text()));
    QVERIFY(window->summary()->maintenanceText()->isVisibleTo(window->summary()));
    window->close();

    app::report::AircraftReportDialog dialog(*form.currentLog(), QStringLiteral("N4471K"), &form);
    dialog.setPeriod(QDate(2000, 1, 1), QDate(2100, 1, 1));
    const std::vector<std::string>& lines = dialog.content().maintenance;
    QVERIFY(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.find("injector 3 cleaned") != std::string::npos && l.find(helped.toStdString()) != std::string::npos;
    }));
  }
#endif

  void aircraftReportCoversTheLogbooksPeriod() {
    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir.file("data")));
    QVERIFY(caughtUp.wait(20000));
    QVERIFY(form.findChild<QPushButton*>(QStringLiteral("cmdAircraftReport")));
    const store::AircraftLog& log = *form.currentLog();
    QCOMPARE(log.flights.size(), std::size_t{4});
    const QDate newest = QDate::fromString(QString::fromStdString(log.flights.front().entry.start.substr(0, 10)), Qt::ISODate);
    std::size_t thatDay = 0;
    for (const auto& f : log.flights) thatDay += f.entry.start.substr(0, 10) == log.flights.front().entry.start.substr(0, 10);
    app::report::AircraftReportDialog dialog(log, QStringLiteral("N123AB"), &form);
    QCOMPARE(dialog.content().flights.rows.size(), std::size_t{4});
    dialog.setPeriod(newest, newest);
    QCOMPARE(dialog.content().flights.rows.size(), thatDay);
    dialog.setPeriod(newest.addDays(1), newest.addDays(30));
    QCOMPARE(dialog.content().flights.rows.size(), std::size_t{0});
    const QString duration = form.flightsTable()->model()->index(0, LogbookModel::Duration).data().toString();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+:\\d\\d:\\d\\d$")).match(duration).hasMatch(), qPrintable(duration));
  }

  // What in the aircraft's limits file does not apply is shown beside Limits…,
  // the rest of the file applies; so is the engine preset the file names.
  void namesTheLimitsProblemsBesideTheButton() {
    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    const std::string data = dir.file("data");
    struct Case {
      const char* file;
      QString shown;
      QString preset = {};
    };
    const Case cases[] = {
        {"CHT_MAX = 390\n", QString()},
        {"cht_max = 390\ndif_max = nan\nx = 1\n",
         QStringLiteral("Limits file, line 2: dif_max: \"nan\" is not a finite number; 500 applies (and 1 more)")},
        {"engine = IO-360\ncht_max = 390\n", QString(),
         QStringLiteral("Limits: Lycoming O-360 / IO-360 (from the limits file)")},
    };
    for (const Case& c : cases) {
      test::writeFile(dir.file("data/N123AB/varnix-limits.txt"), c.file);
      FrmLogbook form;
      QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
      form.openFolder(QString::fromStdString(data));
      QVERIFY(caughtUp.wait(20000));
      QCOMPARE(form.limitsProblemsLine()->text(), c.shown);
      QCOMPARE(form.enginePresetLine()->text(), c.preset);
      QCOMPARE(form.currentLog()->limits.chtMax, 390.0);
    }
  }

  // The maintenance editor: entries added, edited and removed reach the file
  // whole; a wrong value marks its cell, says why and disables OK; a file
  // with a line that cannot be read back (when opened, or since) is named
  // and left as it is. The
  // trends mark each entry on its panels, a cylinder's on that cylinder's.
  void maintenanceEditorRoundTripsChecksAndLeavesADamagedFileAlone() {
    using app::logbook::MaintenanceEditor;
    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    const QString file = QString::fromStdString(dir.file("data/N123AB/maintenance.csv"));
    const QByteArray header = "date,tach,kind,engine,cylinder,quantity,unit,text\n";
    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir.file("data")));
    form.resize(1280, 720);
    form.show();
    QVERIFY(caughtUp.wait(20000));
    // Entries on the newest flight's day, inside the time axis.
    const QByteArray newest = QByteArray::fromStdString(form.currentLog()->flights.front().entry.start.substr(0, 10));
    const QByteArray two = header + newest + ",,injector,,3,,,cleaned\n" + newest + ",812.5,oil_added,,,1,qt,\n";
    test::writeFile(file.toStdString(), two.toStdString());
    form.refresh();
    QVERIFY(caughtUp.wait(20000));
    app::logbook::TrendsChart* trends = form.trends();
    auto marked = [&](const QString& title) {
      for (const auto& p : trends->panels())
        if (p.title == title) return trends->entriesOn(p).size();
      return std::size_t{99};
    };
    QTRY_COMPARE_WITH_TIMEOUT(marked(QStringLiteral("C3 cruise CHT")), std::size_t{1}, 30000);
    QCOMPARE(marked(QStringLiteral("C1 cruise CHT")), std::size_t{0});
    QCOMPARE(marked(QStringLiteral("Oil temperature in cruise")), std::size_t{1});  // the oil added, not the injector
    form.tabs()->setCurrentWidget(trends);
    QCoreApplication::processEvents();
    trends->plot()->replot(QCustomPlot::rpImmediateRefresh);
    for (const auto& p : trends->panels())
      if (p.title == QStringLiteral("C3 cruise CHT")) {
        const QPoint at(static_cast<int>(trends->entryPosition(p, *trends->entriesOn(p).front())), p.rect->rect().top() + 3);
        const QString tip = trends->toolTipAt(at);
        QVERIFY2(tip.startsWith(QStringLiteral("Maintenance ") + QString::fromLatin1(newest) +
                                QStringLiteral(": injector, C3\ncleaned")),
                 qPrintable(tip));
      }

    auto line = [](MaintenanceEditor& e, int row, MaintenanceEditor::Column c) { return static_cast<QLineEdit*>(e.cell(row, c)); };
    auto box = [](MaintenanceEditor& e, int row, MaintenanceEditor::Column c) { return static_cast<QComboBox*>(e.cell(row, c)); };
    using C = MaintenanceEditor::Column;
    struct Case {
      const char* what;
      QByteArray before;  // the file (none when empty)
      std::function<void(MaintenanceEditor&)> edit;
      QString problem;    // what the line under the table begins with; empty: OK is enabled
      QByteArray after;   // the file after OK (the file before when OK is disabled)
      bool refused = false;  // OK is enabled, but the writer refuses: the dialog stays and names the line
    };
    const QByteArray damaged = two + "2026-02-03,,oil_added,,,lots,qt,\n";
    const Case cases[] = {
        {"an entry added to no file",
         {},
         [&](MaintenanceEditor& e) {
           e.addEntry();
           line(e, 0, C::Date)->setText(QStringLiteral("2026-03-01"));
           box(e, 0, C::Kind)->setCurrentText(QStringLiteral("oil_added"));
           QTest::keyClicks(line(e, 0, C::Quantity), QStringLiteral("1.5"));
           QVERIFY(box(e, 0, C::Unit)->findText(QStringLiteral("L")) >= 0);  // the kind's units offered
           box(e, 0, C::Unit)->setCurrentText(QStringLiteral("qt"));
           line(e, 0, C::Text)->setText(QStringLiteral("top up, 15W-50"));
         },
         {},
         header + "2026-03-01,,oil_added,,,1.5,qt,\"top up, 15W-50\"\n"},
        {"one edited, one removed",
         two,
         [&](MaintenanceEditor& e) {
           line(e, 0, C::Text)->setText(QStringLiteral("replaced"));
           e.table()->selectRow(1);
           e.removeSelected();
         },
         {},
         header + newest + ",,injector,,3,,,replaced\n"},
        {"a date that is no day",
         two,
         [&](MaintenanceEditor& e) { QTest::keyClicks(line(e, 1, C::Date), QStringLiteral("x")); },
         QStringLiteral("Entry 2, date:"),
         two},
        {"a quantity that is no number",
         two,
         [&](MaintenanceEditor& e) { line(e, 1, C::Quantity)->setText(QStringLiteral("1,5")); },
         QStringLiteral("Entry 2, quantity:"),
         two},
        {"a cylinder the kind does not take",
         two,
         [&](MaintenanceEditor& e) { line(e, 1, C::Cylinder)->setText(QStringLiteral("2")); },
         QStringLiteral("Entry 2, cylinder:"),
         two},
        {"a damaged line in the file",
         damaged,
         [&](MaintenanceEditor& e) { QCOMPARE(e.table()->rowCount(), 2); },
         QStringLiteral("Not saved while the file holds"),
         damaged},
        {"a line damaged by hand while the editor is open",
         two,
         [&](MaintenanceEditor& e) {
           e.addEntry();
           test::writeFile(file.toStdString(), damaged.toStdString());
         },
         {},
         damaged,
         true},
    };
    for (const Case& c : cases) {
      QFile::remove(file);
      if (!c.before.isEmpty()) test::writeFile(file.toStdString(), c.before.toStdString());
      caughtUp.clear();
      form.editMaintenance();
      QPointer<MaintenanceEditor> editor;
      QTRY_VERIFY2((editor = form.findChild<MaintenanceEditor*>()), c.what);
      QVERIFY2(editor->isVisible(), c.what);
      // Inside the smallest screen the window is made for, its buttons too.
      QVERIFY2(editor->width() <= 1280 && editor->height() <= 720, c.what);
      editor->fitInto(QRect(0, 0, 1280, 720));
      editor->layout()->activate();
      QVERIFY2(editor->height() <= 720 - app::kTitleBarAllowance, c.what);
      QVERIFY2(editor->rect().contains(editor->okButton()->mapTo(editor, editor->okButton()->rect().bottomRight())), c.what);
      c.edit(*editor);
      QVERIFY2(editor->problemLine()->text().startsWith(c.problem), qPrintable(editor->problemLine()->text()));
      QCOMPARE(editor->okButton()->isEnabled(), c.problem.isEmpty());
      if (c.problem.startsWith(QStringLiteral("Entry"))) {
        // The wrong cell says why; mending it enables OK again.
        const int row = 1;
        const C column = c.problem.contains(QStringLiteral("date")) ? C::Date
                         : c.problem.contains(QStringLiteral("quantity")) ? C::Quantity : C::Cylinder;
        QVERIFY2(!editor->cell(row, column)->toolTip().isEmpty(), c.what);
        line(*editor, row, column)->setText(column == C::Date ? QStringLiteral("2026-02-01")
                                            : column == C::Quantity ? QStringLiteral("1") : QString());
        QVERIFY2(editor->okButton()->isEnabled(), c.what);
        QVERIFY2(editor->cell(row, column)->toolTip().isEmpty(), c.what);
        editor->reject();
      } else if (c.refused) {
        editor->okButton()->click();
        QTRY_VERIFY2(editor->problemLine()->text().contains(QStringLiteral("maintenance.csv line 4: quantity")),
                     qPrintable(editor->problemLine()->text()));
        QVERIFY2(editor->isVisible() && !editor->okButton()->isEnabled(), c.what);
        editor->reject();
      } else if (c.problem.isEmpty()) {
        editor->okButton()->click();
        QTRY_VERIFY2(!editor || !editor->isVisible(), c.what);
        QTRY_VERIFY2_WITH_TIMEOUT(!caughtUp.isEmpty(), c.what, 20000);  // the views read the log again
      } else {
        QVERIFY2(editor->problemLine()->text().contains(QStringLiteral("maintenance.csv line 4: quantity")),
                 qPrintable(editor->problemLine()->text()));
        editor->okButton()->click();  // disabled: nothing happens
        QVERIFY2(editor->isVisible(), c.what);
        editor->reject();
      }
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      QTRY_VERIFY2(!editor, c.what);
      QFile written(file);
      QCOMPARE(written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray(), c.after);
    }
    // The last save refreshed the trends: the injector's mark is still on C3, and only there.
    QTRY_COMPARE(marked(QStringLiteral("C3 cruise CHT")), std::size_t{1});
  }

  // The Trends tab of a twin: the panels of the engine chosen, no line over
  // the spring between a January and a May, a tooltip that names the
  // flight, its date and the value, a click that asks for the flight.
  void trendsOfATwinPerEngineWithGapsAndTooltips() {
    test::TempDir dir;
    sim::encode::ProfileOptions o = test::shortFlight(sim::encode::ProfileLayout::Twin, 20);
    sim::encode::DumpPlan plan = sim::encode::ProfileDump(o, 0);
    const int days[][2] = {{1, 10}, {1, 12}, {1, 15}, {5, 2}, {5, 4}};  // month, day
    for (const auto& [month, day] : days) {
      o.month = month;
      o.day = day;
      o.seed = static_cast<unsigned>(plan.flights.size() + 3);
      o.flightNumber = static_cast<std::uint16_t>(plan.flights.size() + 1);
      plan.flights.push_back(sim::encode::ProfileFlight(o));
    }
    test::expandedFlights(dir, sim::encode::assembleDump(plan));
    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir.file("data")));
    form.resize(1280, 720);
    form.show();
    QVERIFY(caughtUp.wait(20000));
    app::logbook::TrendsChart* trends = form.trends();
    QCOMPARE(trends->engines(), (std::vector<flight::Engine>{flight::Engine::Left, flight::Engine::Right}));
    for (int e = 0; e < 2; ++e) {
      trends->setEngine(e);
      int cylinders = 0;
      for (const auto& p : trends->panels()) {
        QCOMPARE(p.engine, trends->engines()[static_cast<std::size_t>(e)]);
        if (p.series->quantity == store::TrendQuantity::Battery) continue;
        QCOMPARE(p.series->engine, p.engine);
        cylinders += p.series->cylinder > 0;
        // Two lines, none across the gap.
        const QSharedPointer<QCPGraphDataContainer> line = p.median->data();
        int breaks = 0;
        const QCPGraphData* before = nullptr;
        for (const QCPGraphData& d : *line) {
          if (std::isnan(d.value)) ++breaks;
          else if (before && !std::isnan(before->value))
            QVERIFY2(d.key - before->key <= store::kTrendGapDays * 86400, qPrintable(p.title));
          before = &d;
        }
        QCOMPARE(breaks, 1);
      }
      QCOMPARE(cylinders, 12);  // six CHT and six EGT panels
    }
    trends->resize(1280, 640);
    trends->plot()->replot(QCustomPlot::rpImmediateRefresh);
    const auto& panel = trends->panels().front();
    const store::TrendValue& first = panel.series->values.front();
    const QPoint at = trends->pointPosition(panel, 0).toPoint();
    const QString tip = trends->toolTipAt(at);
    QVERIFY2(tip.contains(QStringLiteral("Flight %1 of %2").arg(QString::fromStdString(first.label),
                                                                QString::fromStdString(first.date))),
             qPrintable(tip));
    QVERIFY2(tip.contains(QString::number(first.value, 'f', 0) + QStringLiteral(" °F")), qPrintable(tip));
    QSignalSpy clicked(trends, &app::logbook::TrendsChart::flightClicked);
    QTest::mouseClick(trends->plot(), Qt::LeftButton, {}, at);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(clicked.front().front().toInt(), static_cast<int>(first.flight));
    // The last three months up to the newest flight: May's flights, not January's.
    const auto shownSpan = [&] { return trends->panels().front().rect->axis(QCPAxis::atBottom)->range(); };
    QVERIFY(shownSpan().contains(first.when));  // twelve months at first
    trends->setPeriodDays(90);
    QVERIFY(!shownSpan().contains(first.when));
    QVERIFY(shownSpan().contains(trends->panels().front().series->values.back().when));
    QVERIFY(trends->toolTipAt(trends->pointPosition(trends->panels().front(), 0).toPoint()).isEmpty());
  }

  // The Fleet tab counts each aircraft as its own logbook does: flights,
  // hours, last flight, open findings and the flights new since the last
  // look, again after its limits change in the editor (what was new stays
  // new); the aircraft list says the same, and a double-click opens the
  // aircraft's flights.
  void fleetOverviewCountsAsTheLogbookOfEachAircraft() {
    test::TempDir dir;
    const std::vector<std::string> files =
        test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    test::writeFile(dir.file("data/N123AB/varnix-limits.txt"), "cht_max = 390\n");
    test::writeFile(dir.file("data/N123AB/varnix-acknowledged.txt"), "cht C3 2099-12-31 probe reads high\n");
    QDir().mkpath(QString::fromStdString(dir.file("data/N456CD")));
    for (int i : {0, 1})
      QFile::copy(QString::fromStdString(files[static_cast<std::size_t>(i)]),
                  QString::fromStdString(dir.file("data/N456CD/F0020" + std::to_string(i) + ".CSV")));
    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir.file("data")));
    form.show();
    QVERIFY(caughtUp.wait(20000));
    qint64 lookedBy = QDateTime::currentSecsSinceEpoch();  // the catalog marked its look by this second

    struct Case {
      const char* name;
      std::string added;  // a file copied in before the logbook is opened again; "" none
      std::size_t newOfN456CD;
      double difMax;      // N123AB's DIF limit set in the Limits editor; 0 none
    };
    const Case cases[] = {
        {"first look: nothing is new", "", 0, 0},
        {"a flight added since the last look", "data/N456CD/F00202.CSV", 1, 0},
        {"N123AB's limits changed in the editor", "", 1, 20},
    };
    std::size_t openBefore = 0;
    for (const Case& c : cases) {
      if (c.difMax > 0) {
        openBefore = form.fleetRows()[0].openFindings;
        form.aircraftList()->setCurrentRow(0);
        QTimer::singleShot(0, [&] {
          QWidget* editor = QApplication::activeModalWidget();
          QVERIFY(editor);
          auto* box = editor->findChild<QDoubleSpinBox*>(QStringLiteral("num_dif_max"));
          QVERIFY(box);
          box->setValue(c.difMax);
          editor->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        caughtUp.clear();
        for (QPushButton* b : form.findChildren<QPushButton*>())
          if (b->text() == QStringLiteral("&Limits…")) b->click();
        QVERIFY(caughtUp.wait(20000));
      }
      if (!c.added.empty()) {
        // The catalog marks its looks in whole seconds: a file it finds in
        // the second of the last look would not count as new.
        QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentSecsSinceEpoch() > lookedBy, 3000);
        QFile::copy(QString::fromStdString(files[2]), QString::fromStdString(dir.file(c.added)));
        caughtUp.clear();
        form.openFolder(QString::fromStdString(dir.file("data")));
        QVERIFY(caughtUp.wait(20000));
        lookedBy = QDateTime::currentSecsSinceEpoch();
      }
      const std::vector<store::FleetRow>& fleet = form.fleetRows();
      QCOMPARE(fleet.size(), std::size_t{2});
      QCOMPARE(form.fleetList()->topLevelItemCount(), 2);
      QCOMPARE(form.aircraftList()->count(), 2);
      for (int r = 0; r < 2; ++r) {
        form.aircraftList()->setCurrentRow(r);
        const store::AircraftLog* log = form.currentLog();
        QVERIFY2(log, c.name);
        const store::FleetRow& row = fleet[static_cast<std::size_t>(r)];
        QCOMPARE(row.folder, log->folder);
        std::size_t open = 0, fresh = 0;
        double hours = 0;
        for (const auto& f : log->flights) {
          open += f.openFindings();
          fresh += f.isNew;
          hours += f.entry.recordedSeconds / 3600;
        }
        for (const auto& t : log->trends) open += !t.acknowledged;
        QCOMPARE(row.flights, log->flights.size());
        QCOMPARE(row.openFindings, open);
        QCOMPARE(row.newFlights, fresh);
        QVERIFY(std::abs(row.hours - hours) < 1e-9);
        QCOMPARE(row.lastFlight, log->flights.front().entry.start.substr(0, 10));
        QCOMPARE(form.flightsTable()->model()->rowCount(), static_cast<int>(log->flights.size()));
        const QTreeWidgetItem* item = form.fleetList()->topLevelItem(r);
        QCOMPARE(item->text(0), QString::fromStdString(log->folder));
        QCOMPARE(item->text(1), QString::number(log->flights.size()));
        QCOMPARE(item->text(6), QStringLiteral("—"));
        const QString line = form.aircraftList()->item(r)->text();
        QVERIFY2(line.contains(QStringLiteral("%1 flights").arg(log->flights.size())), qPrintable(line));
        if (open) QVERIFY2(line.contains(QStringLiteral("%1 open").arg(open)), qPrintable(line));
      }
      QCOMPARE(fleet[1].newFlights, c.newOfN456CD);
      QCOMPARE(fleet[1].flights, std::size_t{3} - (c.newOfN456CD ? 0 : 1));
      if (c.difMax > 0) QVERIFY2(fleet[0].openFindings > openBefore, c.name);
    }
    // N123AB's CHT findings are acknowledged: fewer open than listed.
    form.aircraftList()->setCurrentRow(0);
    std::size_t listed = 0;
    for (QTreeWidgetItemIterator it(form.findingsList()); *it; ++it) listed += (*it)->childCount() == 0;
    QVERIFY(form.fleetRows()[0].openFindings < listed);

    form.tabs()->setCurrentWidget(form.fleetList());
    emit form.fleetList()->itemActivated(form.fleetList()->topLevelItem(1), 0);
    QCOMPARE(form.tabs()->currentIndex(), 0);
    QCOMPARE(form.currentLog()->folder, std::string("N456CD"));
  }

  // "With findings" and the typed filter narrow the table together; the
  // line under it counts and totals the rows shown.
  void withFindingsFilterAndTotalsOfTheShownRows() {
    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    test::writeFile(dir.file("data/N123AB/varnix-limits.txt"), "cht_max = 390\n");
    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir.file("data")));
    QVERIFY(caughtUp.wait(20000));
    QAbstractItemModel* m = form.flightsTable()->model();
    QCOMPARE(m->rowCount(), 4);
    int withFindings = 0;
    for (const auto& f : form.currentLog()->flights) withFindings += !f.findings.empty();
    QVERIFY(withFindings > 0 && withFindings < 4);

    struct Case {
      const char* name;
      QString text;
      bool findings;
      int rows;
    };
    const Case cases[] = {
        {"everything", QString(), false, 4},
        {"with findings", QString(), true, withFindings},
        {"one file", QStringLiteral("F00101"), false, 1},
        {"nothing matches", QStringLiteral("no such flight"), true, 0},
        {"everything again", QString(), false, 4},
    };
    for (const Case& c : cases) {
      form.flightsProxy()->setFilterFixedString(c.text);
      form.withFindingsBox()->setChecked(c.findings);
      QCOMPARE(m->rowCount(), c.rows);
      double hours = 0, fuel = 0;
      for (int r = 0; r < m->rowCount(); ++r) {
        if (c.findings) QVERIFY2(m->index(r, LogbookModel::Findings).data().toInt() > 0, c.name);
        hours += m->index(r, LogbookModel::Duration).data(LogbookModel::kSortRole).toDouble() / 3600;
        fuel += m->index(r, LogbookModel::Fuel).data().toString().toDouble();
      }
      const QString totals = form.totalsLine()->text();
      QVERIFY2(totals.startsWith(QStringLiteral("%1 of 4 flights · %2 h").arg(c.rows).arg(hours, 0, 'f', 1)),
               qPrintable(totals));
      if (c.rows) QVERIFY2(totals.contains(QString::number(fuel, 'f', 1)), qPrintable(totals));
    }
  }

  // "Export CSV…" writes the rows as shown (filtered, sorted), the titles
  // first, and never replaces a file it was not told to.
  void exportsTheShownRowsAsCsv() {
    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    test::writeFile(dir.file("data/N123AB/varnix-limits.txt"), "cht_max = 390\n");
    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    form.openFolder(QString::fromStdString(dir.file("data")));
    QVERIFY(caughtUp.wait(20000));
    form.flightsTable()->sortByColumn(LogbookModel::HottestCht, Qt::AscendingOrder);
    form.withFindingsBox()->setChecked(true);
    QAbstractItemModel* m = form.flightsTable()->model();
    const QString path = QString::fromStdString(dir.file("shown.csv"));

    struct Case {
      const char* name;
      bool replace;
      bool written;
    };
    const Case cases[] = {{"a new file", false, true}, {"not over it unasked", false, false}, {"replaced when told", true, true}};
    for (const Case& c : cases) {
      if (!c.written) test::writeFile(dir.file("shown.csv"), "mine\n");
      const QString problem = form.writeShownCsv(path, c.replace);
      QCOMPARE(problem.isEmpty(), c.written);
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
      if (!c.written) {
        QCOMPARE(lines, QStringList{QStringLiteral("mine")});
        continue;
      }
      QCOMPARE(lines.size(), m->rowCount() + 1);
      QVERIFY2(lines[0].startsWith(QStringLiteral("Date and start,Flight,Duration,")), qPrintable(lines[0]));
      QVERIFY(lines[0].endsWith(QStringLiteral(",Findings,File")));
      for (int r = 0; r < m->rowCount(); ++r) {
        const QStringList fields = lines[r + 1].split(QLatin1Char(','));
        QCOMPARE(fields.size(), static_cast<qsizetype>(LogbookModel::ColumnCount));
        QCOMPARE(fields[LogbookModel::Flight], m->index(r, LogbookModel::Flight).data().toString());
        QCOMPARE(fields[LogbookModel::HottestCht], m->index(r, LogbookModel::HottestCht).data().toString());
        QCOMPARE(fields[LogbookModel::File], m->index(r, LogbookModel::File).data().toString());
        QVERIFY(!fields[LogbookModel::Date].contains(QStringLiteral("new")));
      }
    }
  }

  // The window's size, splitter and tab come back in the next logbook (a
  // size remembered on a larger screen, inside this one's available area),
  // and the download's "Open logbook" lands on the flights it names.
  void remembersItsLayoutAndOpensAtGivenFlights() {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    {
      FrmLogbook larger;
      larger.setGeometry(area.left(), area.top() - 10, area.width() * 2, area.height() * 2);
      larger.rememberLayout();
    }
    FrmLogbook kept;
    kept.restoreLayout();
    QVERIFY(area.contains(kept.frameGeometry()));
    QVERIFY(kept.geometry().top() >= area.top() + 20);  // room for the title bar
    const QSize size(area.width() * 3 / 4, area.height() * 3 / 4);
    {
      FrmLogbook first;
      first.resize(size);
      first.tabs()->setCurrentIndex(3);
      first.rememberLayout();
    }
    FrmLogbook second;
    second.restoreLayout();
    QCOMPARE(second.tabs()->currentIndex(), 3);
    QCOMPARE(second.size(), size);

    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    QSignalSpy caughtUp(&second, &FrmLogbook::caughtUp);
    second.showFlights(QStringLiteral("N123AB"), {QStringLiteral("N123AB/F00102.CSV")});
    second.openFolder(QString::fromStdString(dir.file("data")));
    QVERIFY(caughtUp.wait(20000));
    QCOMPARE(second.tabs()->currentIndex(), 0);
    const QModelIndex current = second.flightsTable()->currentIndex();
    QVERIFY(current.isValid());
    const int flight = current.data(LogbookModel::kFlightIndexRole).toInt();
    QCOMPARE(second.currentLog()->flights[static_cast<std::size_t>(flight)].entry.file, std::string("N123AB/F00102.CSV"));
  }

  // "Import flight logs…" without its dialogs: an avionics log joins the
  // monitor's flights of the aircraft (both kinds by date), a file that is
  // no flight is refused, an identical file is skipped.
  void importsFlightLogsIntoTheSelectedAircraft() {
    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    const QString log = QStringLiteral(VARNIX_SOURCE_DIR "/tests/data/avionics/log_220417_125002_LFQA.csv");
    const QString notAFlight = QStringLiteral(VARNIX_SOURCE_DIR "/tests/data/avionics/README.md");
    FrmLogbook form;
    QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
    QSignalSpy finished(&form, &FrmLogbook::importFinished);
    form.openFolder(QString::fromStdString(dir.file("data")));
    QVERIFY(caughtUp.wait(20000));
    QCOMPARE(form.flightsTable()->model()->rowCount(), 4);

    const QString g3x = QStringLiteral(VARNIX_SOURCE_DIR "/tests/data/avionics/log_20260327_152821_KOAK.csv");
    struct Case {
      QStringList files;
      int exitCode;
      int flights;
      bool copied;         // a file was copied: the catalog indexes it
      const char* status;  // what the status line says of it
    };
    const Case cases[] = {
        {{log, notAFlight}, 2, 5, true, "Imported 1 of 2 file(s); 1 not a flight log."},
        {{g3x}, 0, 6, true, "Imported 1 of 1 file(s)."},  // the G3X Touch's layout
        {{log}, 0, 6, false, "Imported 0 of 1 file(s); 1 already there, identical."},
    };
    for (const Case& c : cases) {
      caughtUp.clear();
      finished.clear();
      form.importLogs(c.files, QStringLiteral("N123AB"));
      QVERIFY(finished.wait(20000));
      QCOMPARE(finished.front().front().toInt(), c.exitCode);
      QCOMPARE(form.lastImport().size(), c.files.size());
      if (c.copied) QVERIFY(caughtUp.wait(20000));
      QVERIFY2(form.progressLine()->text().startsWith(QString::fromUtf8(c.status)), qPrintable(form.progressLine()->text()));
      QCOMPARE(form.flightsTable()->model()->rowCount(), c.flights);
    }
    QVERIFY(form.lastImport().front().contains(QStringLiteral("already there")));
    QVERIFY(QFile::exists(QString::fromStdString(dir.file("data/N123AB/log_220417_125002_LFQA.csv"))));
  }
};

QTEST_MAIN(LogbookTest)
#include "logbook_test.moc"
