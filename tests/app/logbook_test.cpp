// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook window on a data folder the expansion filled: it lists the
// aircraft and its flights, sorts them by CHT, and a finding opens its
// flight with the cursor at the finding's peak.
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "flight/flight_chart.h"
#include "flight/flight_window.h"
#include "logbook/frm_logbook.h"
#include "logbook/logbook_model.h"
#include "logbook/trends_chart.h"
#include "support/flight_files.h"

using namespace varnix;
using app::logbook::FrmLogbook;
using app::logbook::LogbookModel;

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
    QTreeWidgetItem* cht = nullptr;
    for (int i = 0; i < findings->topLevelItemCount(); ++i)
      if (findings->topLevelItem(i)->text(4).startsWith(QStringLiteral("CHT C3 reached 396")))
        cht = findings->topLevelItem(i);
    QVERIFY(cht);
    const flight::LogbookFlight& f102 =
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
    QTreeWidgetItem* cht = nullptr;
    for (int i = 0; i < findings->topLevelItemCount(); ++i)
      if (findings->topLevelItem(i)->text(4).startsWith(QStringLiteral("CHT C3 reached 396")))
        cht = findings->topLevelItem(i);
    QVERIFY(cht);
    QCOMPARE(cht->text(2), QStringLiteral("acknowledged"));
    QVERIFY2(cht->text(4).endsWith(QStringLiteral("(acknowledged: probe reads high)")), qPrintable(cht->text(4)));
    QVERIFY2(cht->text(5).endsWith(QStringLiteral(" min")), qPrintable(cht->text(5)));
    QVERIFY(form.limitsProblemsLine()->text().isEmpty());
  }

  // What in the aircraft's limits file does not apply is shown beside Limits…,
  // the rest of the file applies.
  void namesTheLimitsProblemsBesideTheButton() {
    test::TempDir dir;
    test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
    const std::string data = dir.file("data");
    struct Case {
      const char* file;
      QString shown;
    };
    const Case cases[] = {
        {"CHT_MAX = 390\n", QString()},
        {"cht_max = 390\ndif_max = nan\nx = 1\n",
         QStringLiteral("Limits file, line 2: dif_max: \"nan\" is not a finite number; 500 applies (and 1 more)")},
    };
    for (const Case& c : cases) {
      test::writeFile(dir.file("data/N123AB/varnix-limits.txt"), c.file);
      FrmLogbook form;
      QSignalSpy caughtUp(&form, &FrmLogbook::caughtUp);
      form.openFolder(QString::fromStdString(data));
      QVERIFY(caughtUp.wait(20000));
      QCOMPARE(form.limitsProblemsLine()->text(), c.shown);
      QCOMPARE(form.currentLog()->limits.chtMax, 390.0);
    }
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

    struct Case {
      QStringList files;
      int exitCode;
      int flights;
    };
    const Case cases[] = {
        {{log, notAFlight}, 2, 5},
        {{log}, 0, 5},
    };
    for (const Case& c : cases) {
      caughtUp.clear();
      finished.clear();
      form.importLogs(c.files, QStringLiteral("N123AB"));
      QVERIFY(finished.wait(20000));
      QCOMPARE(finished.front().front().toInt(), c.exitCode);
      QCOMPARE(form.lastImport().size(), c.files.size());
      if (c.exitCode == 2) QVERIFY(caughtUp.wait(20000));
      QCOMPARE(form.flightsTable()->model()->rowCount(), c.flights);
    }
    QVERIFY(form.lastImport().front().contains(QStringLiteral("already there")));
    QVERIFY(QFile::exists(QString::fromStdString(dir.file("data/N123AB/log_220417_125002_LFQA.csv"))));
  }
};

QTEST_MAIN(LogbookTest)
#include "logbook_test.moc"
