// SPDX-License-Identifier: GPL-3.0-or-later
// The download screen and the download road end to end: the caption from
// "VARNIX.CFG", Start against the simulated instrument on a pseudo-terminal
// (download, expansion, listing, user id), a silent instrument, and no
// "VARNIX.CFG" at all.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/archives/frm_archives.h"
#include "app/download/frm_status_bar.h"
#include "flows_support.h"

using namespace varnix::app;
using namespace varnix::app::test;

namespace {

// A pseudo-terminal whose other end nobody writes to.
class SilentLine {
 public:
  SilentLine() {
    fd_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd_ >= 0 && ::grantpt(fd_) == 0 && ::unlockpt(fd_) == 0) path_ = QString::fromLocal8Bit(::ptsname(fd_));
  }
  ~SilentLine() {
    if (fd_ >= 0) ::close(fd_);
  }
  const QString& path() const { return path_; }

 private:
  int fd_ = -1;
  QString path_;
};

}  // namespace

class DownloadTest : public QObject {
  Q_OBJECT

 private slots:
  void captionShowsThePortFromTheSettingsFile();
  void withoutSettingsFileStartEndsWithCodeNine();
  void silentInstrumentEndsWithCodeSeven();
  void startDownloadsExpandsAndListsTheDump();
  void progressShowsEachPhaseAndClosingStopsAndKeepsTheDump();
  void anInstrumentThatStopsEarlyIsSaidAfterTheFiling();
};

void DownloadTest::captionShowsThePortFromTheSettingsFile() {
  ProgramFixture program;
  writeAll(program.appFile(QStringLiteral("VARNIX.CFG")), "COM2 19200\r\n");
  FrmStatusBar& screen = forms::get<FrmStatusBar>();
  QCOMPARE(screen.windowTitle(), QStringLiteral("Download Data - Port: COM2   Baud Rate: 19200"));
  QCOMPARE(screen.portName, QStringLiteral("COM2"));
  unloadForm(&screen);
  flushUnloaded();

  writeAll(program.appFile(QStringLiteral("VARNIX.CFG")), "COM3\r\n");  // no blank: the plain caption
  FrmStatusBar& plain = forms::get<FrmStatusBar>();
  QCOMPARE(plain.windowTitle(), QStringLiteral("Download Data"));
  QCOMPARE(plain.portName, QString());

  // The caption names what the download will use: the library's reading.
  const auto parsed = portCaptionOf("  /dev/ttyUSB0\t9600\r\nCOM1 19200\r\n");
  QVERIFY(parsed);
  QCOMPARE(parsed->portName, QStringLiteral("/dev/ttyUSB0"));
  QCOMPARE(parsed->baudRate, QStringLiteral("9600"));
  QVERIFY(!portCaptionOf("COM1 9600,ignored\r\n"));
}

void DownloadTest::withoutSettingsFileStartEndsWithCodeNine() {
  ProgramFixture program;
  modStatusBar::UserID = QStringLiteral("KEEP");
  FrmStatusBar& screen = forms::get<FrmStatusBar>();
  QCOMPARE(screen.windowTitle(), QStringLiteral("Download Data"));
  screen.show();
  QTest::mouseClick(control<QPushButton>(&screen, "cmdStart"), Qt::LeftButton);
  QCOMPARE(program.prompts.texts(), QStringList{QStringLiteral("File 'VARNIX.CFG' could not be opened.")});
  QCOMPARE(program.prompts.last().title, QStringLiteral("Varnix Information"));
  QCOMPARE(program.prompts.last().icon, MsgIcon::Exclamation);
  QVERIFY(!forms::isLoaded(QStringLiteral("frmStatusBar")));
  QVERIFY(!forms::isLoaded(QStringLiteral("frmArchives")));
  QCOMPARE(modStatusBar::UserID, QStringLiteral("KEEP"));
}

void DownloadTest::silentInstrumentEndsWithCodeSeven() {
  ProgramFixture program;
  SilentLine line;
  QVERIFY(!line.path().isEmpty());
  writeAll(program.appFile(QStringLiteral("VARNIX.CFG")), line.path().toLocal8Bit() + " 19200\r\n");
  writeAll(program.appFile(QStringLiteral("TIMEOUT.CFG")), "1 1\r\n");
  FrmStatusBar& screen = forms::get<FrmStatusBar>();
  screen.show();
  screen.start();
  QCOMPARE(program.prompts.texts(),
           QStringList{QStringLiteral("Time out. No data was downloaded. Be sure to tap STEP on the QTM to start data "
                                      "dump within 15 seconds after press 'START' button.")});
  QVERIFY(!forms::isLoaded(QStringLiteral("frmStatusBar")));
  QVERIFY(!forms::isLoaded(QStringLiteral("frmArchives")));
  QCOMPARE(QDir(program.data.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void DownloadTest::startDownloadsExpandsAndListsTheDump() {
#ifndef VARNIX_SIM
  QSKIP("varnix-sim is not built");
#else
  ProgramFixture program;
  QProcess sim;
  sim.start(QStringLiteral(VARNIX_SIM), {QStringLiteral(VARNIX_SAMPLE_DUMP), QStringLiteral("--wait"), QStringLiteral("60")});
  QVERIFY(sim.waitForStarted(30000));
  QVERIFY(sim.waitForReadyRead(30000));
  const QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();
  QVERIFY2(port.startsWith(QLatin1Char('/')), qPrintable(port));
  writeAll(program.appFile(QStringLiteral("VARNIX.CFG")), port.toLocal8Bit() + " 19200\r\n");

  FrmStatusBar& screen = forms::get<FrmStatusBar>();
  screen.show();
  bool disabledDuringCall = false;
  QString statusDuringCall;
  // Runs inside the download, while the user-interface thread waits for it.
  QTimer::singleShot(0, &screen, [&] {
    disabledDuringCall = !control<QPushButton>(&screen, "cmdExit")->isEnabled();
    statusDuringCall = control<QLabel>(&screen, "lblStatusBarText")->text();
    screenshot(&screen, "download_waiting.png");
  });
  screen.start();

  QCOMPARE(program.prompts.texts(), QStringList{QStringLiteral("Download is successful. Expand data Now.")});
  QCOMPARE(program.prompts.last().icon, MsgIcon::Information);
  QCOMPARE(program.prompts.last().title, QStringLiteral("Varnix Information"));
  QVERIFY(disabledDuringCall);
  QCOMPARE(statusDuringCall, QStringLiteral("Please Wait for Downloading ..."));
  QVERIFY(!forms::isLoaded(QStringLiteral("frmStatusBar")));
  QCOMPARE(modStatusBar::UserID, QStringLiteral("N123AB"));

  auto* archives = forms::find<FrmArchives>();
  QVERIFY(archives && archives->isVisible());
  QCOMPARE(archives->windowTitle(), QStringLiteral("View New Decompressed Files"));
  QCOMPARE(archives->lstFiles()->count(), 4);
  const QStringList dumps = QDir(program.dataFile(QStringLiteral("N123AB"))).entryList({QStringLiteral("R*.DAT")});
  QCOMPARE(dumps.size(), 1);
  QCOMPARE(readAll(program.dataFile(QStringLiteral("N123AB/") + dumps.first())), sampleDump());
  QVERIFY(archives->label1()->text().endsWith(dumps.first()));
  for (const QString& f : kSampleFlightFiles) QVERIFY(QFile::exists(program.dataFile(QStringLiteral("N123AB/") + f)));
  // Beside the index lines: what is new, read off the GUI thread, and the
  // way to the logbook at those flights.
  QTRY_VERIFY_WITH_TIMEOUT(archives->newFlightsLine()->text().startsWith(QStringLiteral("N123AB: 4 new flights")), 20000);
  QVERIFY(archives->newFlightsLine()->isVisible());
#ifdef VARNIX_HAVE_LOGBOOK
  QVERIFY(archives->openLogbookButton()->isVisible());
#endif
  screenshot(archives, "archive_new_files.png");
  sim.waitForFinished(30000);
#endif
}

void DownloadTest::progressShowsEachPhaseAndClosingStopsAndKeepsTheDump() {
#ifndef VARNIX_SIM
  QSKIP("varnix-sim is not built");
#else
  // A paced instrument: a wait, slow header lines, the flights at 9600 baud,
  // then a long silence that closing the window cuts short (the question is
  // answered Yes), keeping the whole dump.
  ProgramFixture program;
  QProcess sim;
  sim.start(QStringLiteral(VARNIX_SIM), {QStringLiteral(VARNIX_SAMPLE_DUMP), QStringLiteral("--wait"), QStringLiteral("60"),
                                         QStringLiteral("--first-byte-pause"), QStringLiteral("1"),
                                         QStringLiteral("--line-pause"), QStringLiteral("0.4"),
                                         QStringLiteral("--baud"), QStringLiteral("9600")});
  QVERIFY(sim.waitForStarted(30000));
  QVERIFY(sim.waitForReadyRead(30000));
  const QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();
  writeAll(program.appFile(QStringLiteral("VARNIX.CFG")), port.toLocal8Bit() + " 19200\r\n");
  writeAll(program.appFile(QStringLiteral("TIMEOUT.CFG")), "30 30\r\n");

  FrmStatusBar& screen = forms::get<FrmStatusBar>();
  screen.resize(900, 640);
  screen.show();
  // Looks at the screen now and then while the download runs.
  QStringList phases;  // each phase's words as first seen
  bool busyInHeader = false, percentInFlights = false, stopOffered = false;
  QTimer look;
  look.setInterval(40);
  QObject::connect(&look, &QTimer::timeout, &screen, [&] {
    const QString phase = control<QLabel>(&screen, "lblPhase")->text();
    auto* bar = control<QProgressBar>(&screen, "barProgress");
    auto* stop = control<QPushButton>(&screen, "cmdStop");
    const QString word = phase.section(QStringLiteral(" \u2014"), 0, 0);
    if (!phases.contains(word)) {
      phases << word;
      if (word == QStringLiteral("Start the dump on the instrument now")) screenshot(&screen, "download_phase_waiting.png");
      if (word == QStringLiteral("Receiving the header")) {
        busyInHeader = bar->maximum() == 0;
        screenshot(&screen, "download_phase_header.png");
      }
      if (word == QStringLiteral("The instrument has stopped sending")) {
        screenshot(&screen, "download_phase_silence.png");
        screen.close();  // asks, and Yes stops the download
      }
    }
    if (word == QStringLiteral("Receiving flights") && !percentInFlights && bar->maximum() == 100 && bar->value() >= 40) {
      percentInFlights = true;
      stopOffered = stop->isVisible() && stop->isEnabled() && stop->text() == QStringLiteral("Stop and keep what arrived");
      screenshot(&screen, "download_phase_flights.png");
    }
  });
  look.start();
  screen.start();
  look.stop();

  QCOMPARE(phases, (QStringList{"Start the dump on the instrument now", "Receiving the header", "Receiving flights",
                                "The instrument has stopped sending"}));
  QVERIFY(busyInHeader);
  QVERIFY(percentInFlights);
  QVERIFY(stopOffered);
  QCOMPARE(program.prompts.texts().mid(0, 2),
           (QStringList{"The download is still running. Stop it and keep what has arrived so far?",
                        "Download is successful. Expand data Now."}));
  const QStringList dumps = QDir(program.dataFile(QStringLiteral("N123AB"))).entryList({QStringLiteral("R*.DAT")});
  QCOMPARE(dumps.size(), 1);
  QCOMPARE(readAll(program.dataFile(QStringLiteral("N123AB/") + dumps.first())), sampleDump());
  sim.waitForFinished(30000);
#endif
}

void DownloadTest::anInstrumentThatStopsEarlyIsSaidAfterTheFiling() {
#ifndef VARNIX_SIM
  QSKIP("varnix-sim is not built");
#else
  // The sample dump cut after 2,000 of its 4,775 bytes, then silence.
  ProgramFixture program;
  QTemporaryDir cut;
  const QString dump = cut.filePath(QStringLiteral("CUT.DAT"));
  writeAll(dump, sampleDump().left(2000));
  QProcess sim;
  sim.start(QStringLiteral(VARNIX_SIM), {dump, QStringLiteral("--wait"), QStringLiteral("60")});
  QVERIFY(sim.waitForStarted(30000));
  QVERIFY(sim.waitForReadyRead(30000));
  const QString port = QString::fromLocal8Bit(sim.readLine()).trimmed();
  writeAll(program.appFile(QStringLiteral("VARNIX.CFG")), port.toLocal8Bit() + " 19200\r\n");
  writeAll(program.appFile(QStringLiteral("TIMEOUT.CFG")), "30 1\r\n");
  FrmStatusBar& screen = forms::get<FrmStatusBar>();
  screen.show();
  screen.start();
  QCOMPARE(program.prompts.texts().mid(0, 2),
           (QStringList{"Download is successful. Expand data Now.",
                        "The instrument stopped sending after 2,000 of 4,775 bytes; the dump was kept as it arrived, "
                        "and its last flights are incomplete."}));
  QCOMPARE(program.prompts.prompts.at(1).icon, MsgIcon::Exclamation);
  const QStringList dumps = QDir(program.dataFile(QStringLiteral("N123AB"))).entryList({QStringLiteral("R*.DAT")});
  QCOMPARE(dumps.size(), 1);
  QCOMPARE(readAll(program.dataFile(QStringLiteral("N123AB/") + dumps.first())), sampleDump().left(2000));
  sim.waitForFinished(30000);
#endif
}

QTEST_MAIN(DownloadTest)
#include "download_test.moc"
