// SPDX-License-Identifier: GPL-3.0-or-later
// Closing a window in the middle of its background work: the window goes at
// once (within 100 ms), its work ends on its own without reaching it, and an
// import stopped this way leaves only whole files.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "app/flight/flight_window.h"
#include "app/logbook/frm_logbook.h"
#include "app/shared/background_task.h"
#include "support/flight_files.h"

using namespace varnix;
using app::BackgroundTask;
using app::flight_view::FlightWindow;
using app::logbook::FrmLogbook;

namespace {

constexpr qint64 kCloseMs = 100;

// Deletes what closing left for the event loop to delete (a window closed
// with Qt::WA_DeleteOnClose, an unloaded form).
void deleteClosed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// The files of `folder` by name, hidden ones (a temporary) too.
QStringList namesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

}  // namespace

class WindowClosingTest : public QObject {
  Q_OBJECT

 private:
  test::TempDir dir_;
  QTemporaryDir settings_;
  std::string longest_;               // the analysis bench's longest flight
  std::vector<std::string> flights_;  // flights of three hours at one second, to import

 private slots:
  void initTestCase() {
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings_.path());
    sim::encode::ProfileOptions longest;
    longest.layout = sim::encode::ProfileLayout::Extended;
    longest.allChannels = true;
    longest.interval = 6;
    longest.minutes = 84500 * 6 / 60.0;
    std::filesystem::create_directories(dir_.file("longest"));
    std::filesystem::create_directories(dir_.file("many"));
    test::TempDir longestDir, manyDir;  // expanded below these, then moved beside the test's files
    const std::vector<std::string> one =
        test::expandedFlights(longestDir, sim::encode::assembleDump(sim::encode::ProfileDump(longest, 1)));
    QCOMPARE(one.size(), std::size_t{1});
    longest_ = dir_.file("longest/F00001.CSV");
    std::filesystem::copy_file(one[0], longest_);
    sim::encode::ProfileOptions hours;
    hours.minutes = 180;
    hours.interval = 1;
    for (const std::string& f : test::expandedFlights(manyDir, sim::encode::assembleDump(sim::encode::ProfileDump(hours, 24)))) {
      flights_.push_back(dir_.file("many/" + std::filesystem::path(f).filename().string()));
      std::filesystem::copy_file(f, flights_.back());
    }
    QCOMPARE(flights_.size(), std::size_t{24});
  }

  // Each window closed while its work runs: the time to close it, the work
  // ending on its own afterwards, and what the work leaves behind.
  void closingAWindowMidWorkReturnsAtOnce_data() {
    QTest::addColumn<QString>("window");
    QTest::newRow("flight window during the longest flight's analysis") << QStringLiteral("flight");
    QTest::newRow("flight window while it reads the longest flight") << QStringLiteral("flight reading");
    QTest::newRow("logbook during an import of 24 files") << QStringLiteral("import");
    QTest::newRow("logbook while its catalog indexes 24 files") << QStringLiteral("indexing");
  }
  void closingAWindowMidWorkReturnsAtOnce() {
    QFETCH(QString, window);
    QTRY_COMPARE_WITH_TIMEOUT(BackgroundTask::outstanding(), 0, 60000);  // the rows before
    QElapsedTimer closing;
    qint64 closeMs = 0;
    int working = 0;  // threads of work still running as the window closes
    // The row's own data folder, its aircraft N777.
    const QString target =
        QString::fromStdString(dir_.file("data-" + QString(window).replace(QLatin1Char(' '), QLatin1Char('-')).toStdString())) +
        QStringLiteral("/N777");
    if (window.startsWith(QStringLiteral("flight"))) {
      auto* w = new FlightWindow;  // deletes itself when closed
      QSignalSpy rows(w, &FlightWindow::rowsCharted);
      QSignalSpy loaded(w, &FlightWindow::loaded);
      QPointer<FlightWindow> alive(w);
      w->openFile(QString::fromStdString(longest_));
      w->show();
      // Reading, or read and analysing: the analyses follow the charted rows.
      if (window == QStringLiteral("flight")) QVERIFY(rows.wait(60000));
      QVERIFY(loaded.isEmpty());
      working = BackgroundTask::outstanding();
      closing.start();
      w->close();
      deleteClosed();
      closeMs = closing.elapsed();
      QVERIFY(!alive);
    } else {
      QVERIFY(QDir().mkpath(target));
      const QString data = QFileInfo(target).absolutePath();
      if (window == QStringLiteral("indexing"))
        for (const std::string& f : flights_)
          QVERIFY(QFile::copy(QString::fromStdString(f), target + QLatin1Char('/') +
                                                            QString::fromStdString(std::filesystem::path(f).filename().string())));
      auto* form = new FrmLogbook;
      app::forms::add(form);
      QPointer<FrmLogbook> alive(form);
      form->openFolder(data);
      form->show();
      if (window == QStringLiteral("import")) {
        QSignalSpy caughtUp(form, &FrmLogbook::caughtUp);
        QVERIFY(caughtUp.wait(20000));  // the empty catalog first
        QStringList files;
        for (const std::string& f : flights_) files << QString::fromStdString(f);
        form->importLogs(files, QStringLiteral("N777"));
        // Mid-import: a file has arrived, not yet the last.
        QTRY_VERIFY_WITH_TIMEOUT(!namesIn(target).isEmpty(), 60000);
      } else {
        // The catalog made; its first batch of files being read.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(data + QStringLiteral("/varnix-catalog.sqlite")), 60000);
      }
      QVERIFY(form->indexing() || window == QStringLiteral("import"));
      working = BackgroundTask::outstanding();
      QVERIFY(working > 0);
      closing.start();
      app::unloadForm(form);
      deleteClosed();
      closeMs = closing.elapsed();
      QVERIFY(!alive);
    }
    qInfo("%s: closed in %lld ms, %s", QTest::currentDataTag(), static_cast<long long>(closeMs),
          working > 0 ? "its work still running" : "its work ended already");
    QVERIFY2(closeMs < kCloseMs, qPrintable(QString::number(closeMs) + QStringLiteral(" ms")));
    // The work ends on its own, its results dropped with nobody to take them.
    QElapsedTimer ending;
    ending.start();
    QTRY_COMPARE_WITH_TIMEOUT(BackgroundTask::outstanding(), 0, 60000);
    qInfo("%s: the work ended %lld ms later", QTest::currentDataTag(), static_cast<long long>(ending.elapsed()));

    if (window == QStringLiteral("import")) {
      // Stopped before the next file, every file there whole: each copy
      // holds its source's bytes, and no temporary is left beside them.
      const QStringList arrived = namesIn(target);
      QVERIFY2(!arrived.isEmpty() && arrived.size() < static_cast<int>(flights_.size()),
               qPrintable(arrived.join(QLatin1Char(' '))));
      for (const QString& name : arrived) {
        QFile copy(target + QLatin1Char('/') + name), source(QString::fromStdString(dir_.file("many/")) + name);
        QVERIFY2(source.exists(), qPrintable(name));
        QVERIFY(copy.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
        QVERIFY2(copy.readAll() == source.readAll(), qPrintable(name));
      }
    }
  }
};

QTEST_MAIN(WindowClosingTest)
#include "window_closing_test.moc"
