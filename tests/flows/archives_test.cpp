// SPDX-License-Identifier: GPL-3.0-or-later
// The archive screen: filing a dump into its user folder, expanding it,
// listing its flights, the result messages, viewing a flight, Browse, and
// the two listing procedures.
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

#include "app/archives/frm_archives.h"
#include "app/archives/listing_procedures.h"
#include "app/data_folder/folder_browser.h"
#include "flows_support.h"
#include "render/library_text.h"
#include "support/flight_files.h"
#include "app/viewers/frm_list_view.h"

using namespace varnix::app;
using namespace varnix::app::test;

namespace {

const QString kInfo = QStringLiteral("Decompress Archives Info");

QStringList listed(FrmArchives& screen) {
  QStringList lines;
  for (int i = 0; i < screen.lstFiles()->count(); ++i) lines.append(screen.lstFiles()->item(i)->text());
  return lines;
}

}  // namespace

class ArchivesTest : public QObject {
  Q_OBJECT

 private slots:
  void secondWordAndFlightFileOfALine();
  void multipleFlightWarningOnTheLastSuffix();
  void dumpInTheDataFolderIsMovedAfterYes();
  void noLeavesEverythingAsItWas();
  void dumpInItsUserFolderIsExpandedWithoutQuestion();
  void laterFlightsAfterADamagedOneOnlyWhenAsked();
  void nameThatIsNotUtf8IsListedAndDecompressed();
  void existingTargetIsOverwrittenOnlyAfterConsent();
  void dumpWithoutUserIdIsFiledUnderBadData();
  void resultCodesSixSevenAndEight();
  void dumpWithoutFlightsListsNothingAndDropsTheIndex();
  void duplicateNamesRunOutWarnsOnTheListing();
  void lastDatedDumpNameWarnsNothing();
  void doubleClickOpensTheListViewerOrExplains();
  void browseCopiesIntoTheDataFolder();
};

void ArchivesTest::secondWordAndFlightFileOfALine() {
  QString line = QStringLiteral("  Flt#23- F00023.CSV  1.00 Hours Interval 6 sec 7/14/3 10:30:0 ");
  QCOMPARE(modStatusBar::SecondWord(line), QStringLiteral("F00023.CSV "));
  QCOMPARE(line, QStringLiteral("F00023.CSV "));  // written back

  QString noSecondBlank = QStringLiteral("Flt#1- F00001.CSV");
  QCOMPARE(modStatusBar::SecondWord(noSecondBlank), QString());
  QString oneWord = QStringLiteral("word");
  QCOMPARE(modStatusBar::SecondWord(oneWord), QString());

  QCOMPARE(modStatusBar::FlightFileOfLine(QStringLiteral("Flt#23- F00023.CSV  1.00 Hours")), QStringLiteral("F00023.CSV"));
  QCOMPARE(modStatusBar::FlightFileOfLine(QStringLiteral("Flt#1- F00001.CSV")), QStringLiteral("F00001.CSV"));
  QCOMPARE(modStatusBar::FlightFileOfLine(QStringLiteral("  garbage  ")), QString());
}

void ArchivesTest::multipleFlightWarningOnTheLastSuffix() {
  PromptLog prompts;
  QString name = QStringLiteral("  F00012AZ.CSV ");
  QVERIFY(modStatusBar::WarnMultipleFlightFile(name));
  QCOMPARE(name, QStringLiteral("F00012AZ.CSV"));
  QCOMPARE(prompts.prompts.size(), 1);
  QCOMPARE(prompts.last().text, QStringLiteral("Please remove multiple flight files, such as ' F00012$$.CSV '."));
  QCOMPARE(prompts.last().title, QStringLiteral("Varnix Warning"));
  QCOMPARE(prompts.last().icon, MsgIcon::Exclamation);

  // Other suffixes, another case, and names too short: no warning.
  for (const char* quiet : {"F00012AY.CSV", "F00012az.CSV", "F00012.CSV", "R240101.DAT"}) {
    QString n = QString::fromLatin1(quiet);
    QVERIFY(modStatusBar::WarnMultipleFlightFile(n));
  }
  QCOMPARE(prompts.prompts.size(), 1);
  QString shortName = QStringLiteral(" ab ");
  QVERIFY(!modStatusBar::WarnMultipleFlightFile(shortName));
}

void ArchivesTest::dumpInTheDataFolderIsMovedAfterYes() {
  ProgramFixture program;
  writeAll(program.dataFile(QStringLiteral("R1.DAT")), sampleDumpWithId(QStringLiteral("1234")));
  FrmArchives& screen = forms::get<FrmArchives>();
  screen.setSelectedFile(program.dataFile(QStringLiteral("R1.DAT")));
  screen.decompress();

  const QString userFolder = program.dataFile(QStringLiteral("1234"));
  const QString target = program.dataFile(QStringLiteral("1234/R1.DAT"));
  QCOMPARE(program.prompts.texts(),
           QStringList{QStringLiteral("'") + program.dataFile(QStringLiteral("R1.DAT")) +
                       QStringLiteral("' will be moved to folder: '") + userFolder +
                       QStringLiteral("' and decompressed.")});
  QCOMPARE(program.prompts.last().title, QStringLiteral("Decompress Archive File Info"));
  QCOMPARE(program.prompts.last().buttons, MsgButtons::YesNo);
  QVERIFY(!QFile::exists(program.dataFile(QStringLiteral("R1.DAT"))));
  QVERIFY(QFile::exists(target));
  QCOMPARE(modStatusBar::UserID, QStringLiteral("1234"));
  QCOMPARE(screen.lstFiles()->count(), 4);
  QVERIFY(listed(screen).first().startsWith(QStringLiteral("Flt#101- F00101.CSV ")));
  screen.show();
  screenshot(&screen, "archive_decompressed.png");
  for (const QString& f : kSampleFlightFiles) QVERIFY(QFile::exists(QDir(userFolder).filePath(f)));
  QCOMPARE(screen.label1()->text(), QStringLiteral("The following files decompressed from: ") + target);
  QCOMPARE(screen.browser()->folder(), QDir::toNativeSeparators(userFolder));
  QCOMPARE(screen.selectedFile(), QString());  // the folder list moved
}

void ArchivesTest::noLeavesEverythingAsItWas() {
  ProgramFixture program;
  writeAll(program.dataFile(QStringLiteral("R1.DAT")), sampleDumpWithId(QStringLiteral("1234")));
  program.prompts.answer(MsgAnswer::No);
  FrmArchives& screen = forms::get<FrmArchives>();
  screen.setSelectedFile(program.dataFile(QStringLiteral("R1.DAT")));
  screen.decompress();
  QCOMPARE(program.prompts.prompts.size(), 1);
  QVERIFY(QFile::exists(program.dataFile(QStringLiteral("R1.DAT"))));
  QVERIFY(!QFileInfo::exists(program.dataFile(QStringLiteral("1234"))));
  QCOMPARE(screen.lstFiles()->count(), 0);

  // Decompress without a selection.
  screen.setSelectedFile(QString());
  screen.decompress();
  QCOMPARE(program.prompts.last().text, QStringLiteral("Please select a file."));
  QCOMPARE(program.prompts.last().title, kInfo);
}

void ArchivesTest::dumpInItsUserFolderIsExpandedWithoutQuestion() {
  ProgramFixture program;
  QDir(program.data.path()).mkdir(QStringLiteral("N123AB"));
  const QString dump = program.dataFile(QStringLiteral("N123AB/R2.DAT"));
  writeAll(dump, sampleDump());
  FrmArchives& screen = forms::get<FrmArchives>();
  screen.setSelectedFile(dump);
  screen.decompress();
  QCOMPARE(program.prompts.texts(), QStringList());
  QCOMPARE(screen.lstFiles()->count(), 4);
  QVERIFY(QFile::exists(program.dataFile(QStringLiteral("N123AB/R2.TXT"))));

  // The data folder spelled otherwise than the folder list shows it (as
  // "DataFolder.CFG" may hold it): the dump is still the file in its user
  // folder, so it is neither moved nor deleted as an old copy.
  unloadForm(&screen);
  flushUnloaded();
  modStatusBar::DataFolder = program.data.path() + QStringLiteral("/./");
  FrmArchives& again = forms::get<FrmArchives>();
  again.browser()->setFolder(program.dataFile(QStringLiteral("N123AB")));
  again.browser()->fileList()->setCurrentRow(0);
  QCOMPARE(again.selectedFile(), QDir::toNativeSeparators(dump));
  // Its flights are in the folder now: expanding again asks first.
  const QString question = QStringLiteral(
      "The flights Flt#101, Flt#102, Flt#103, Flt#104 of R2.DAT are in their folder already; expanding again writes "
      "second copies. Expand it again?");
  program.prompts.answer(MsgAnswer::No);
  again.decompress();
  QCOMPARE(program.prompts.texts(), QStringList{question});
  QVERIFY(!QFile::exists(program.dataFile(QStringLiteral("N123AB/F00101A.CSV"))));
  program.prompts.answer(MsgAnswer::Yes);
  again.decompress();
  QCOMPARE(program.prompts.texts(), (QStringList{question, question}));
  QVERIFY(QFile::exists(program.dataFile(QStringLiteral("N123AB/F00101A.CSV"))));
  QCOMPARE(readAll(dump), sampleDump());
  QCOMPARE(again.lstFiles()->count(), 4);
}

// A dump whose name is not valid UTF-8 (copied from an older system) is
// listed, chosen and expanded like any other.
void ArchivesTest::nameThatIsNotUtf8IsListedAndDecompressed() {
#ifndef _WIN32
  ProgramFixture program;
  QDir(program.data.path()).mkdir(QStringLiteral("N123AB"));
  const std::string folder = toLibraryText(program.dataFile(QStringLiteral("N123AB")));
  varnix::test::writeFile(folder + "/R\xe9" "9.DAT", sampleDump().toStdString());  // Latin-1 "é"
  FrmArchives& screen = forms::get<FrmArchives>();
  screen.browser()->setFolder(program.dataFile(QStringLiteral("N123AB")));
  QCOMPARE(screen.browser()->fileList()->count(), 1);
  screen.browser()->fileList()->setCurrentRow(0);
  QCOMPARE(toLibraryText(screen.selectedFile()), folder + "/R\xe9" "9.DAT");
  screen.decompress();
  QCOMPARE(program.prompts.texts(), QStringList());
  QCOMPARE(screen.lstFiles()->count(), 4);
  QVERIFY(std::filesystem::exists(folder + "/R\xe9" "9.TXT"));
  QVERIFY(std::filesystem::exists(folder + "/F00101.CSV"));
#endif
}

// A dump with a bad record in flight 2 of 4: the flights after it are
// written only when the user agrees to recover them.
void ArchivesTest::laterFlightsAfterADamagedOneOnlyWhenAsked() {
  varnix::sim::encode::DumpPlan plan =
      varnix::sim::encode::ProfileDump(varnix::test::shortFlight(varnix::sim::encode::ProfileLayout::Single, 3), 4);
  plan.flights[1].records[1].badChecksum();
  const QByteArray damaged = QByteArray::fromStdString(varnix::sim::encode::assembleDump(plan));
  for (const bool recover : {false, true}) {
    ProgramFixture program;
    QDir(program.data.path()).mkdir(QStringLiteral("N123AB"));
    writeAll(program.dataFile(QStringLiteral("N123AB/R5.DAT")), damaged);
    program.prompts.answer(recover ? MsgAnswer::Yes : MsgAnswer::No);
    FrmArchives& screen = forms::get<FrmArchives>();
    screen.setSelectedFile(program.dataFile(QStringLiteral("N123AB/R5.DAT")));
    screen.decompress();
    QCOMPARE(program.prompts.texts().first(), QStringLiteral("2 later flights can be recovered. Recover them?"));
    QCOMPARE(QFile::exists(program.dataFile(QStringLiteral("N123AB/F00004.CSV"))), recover);
    QVERIFY(QFile::exists(program.dataFile(QStringLiteral("N123AB/F00001.CSV"))));
    QVERIFY(!QFile::exists(program.dataFile(QStringLiteral("N123AB/F00001A.CSV"))));  // the look wrote nothing here
  }
}

void ArchivesTest::existingTargetIsOverwrittenOnlyAfterConsent() {
  ProgramFixture program;
  QDir(program.data.path()).mkdir(QStringLiteral("N123AB"));
  const QString old = program.dataFile(QStringLiteral("N123AB/R3.DAT"));
  writeAll(old, "old dump");
  writeAll(program.dataFile(QStringLiteral("R3.DAT")), sampleDump());
  FrmArchives& screen = forms::get<FrmArchives>();

  program.prompts.answer(MsgAnswer::Yes);
  program.prompts.answer(MsgAnswer::No);
  screen.setSelectedFile(program.dataFile(QStringLiteral("R3.DAT")));
  screen.decompress();
  QCOMPARE(program.prompts.last().text, QStringLiteral("'") + old + QStringLiteral("' already existed, Overwrite? "));
  QCOMPARE(readAll(old), QByteArray("old dump"));
  QVERIFY(QFile::exists(program.dataFile(QStringLiteral("R3.DAT"))));

  screen.setSelectedFile(program.dataFile(QStringLiteral("R3.DAT")));
  screen.decompress();  // Yes to both
  QCOMPARE(readAll(old), sampleDump());
  QVERIFY(!QFile::exists(program.dataFile(QStringLiteral("R3.DAT"))));
  QCOMPARE(screen.lstFiles()->count(), 4);
}

void ArchivesTest::dumpWithoutUserIdIsFiledUnderBadData() {
  ProgramFixture program;
  QByteArray dump = sampleDump();
  dump[1] = 'X';  // the first line is no valid "$U" line any more
  writeAll(program.dataFile(QStringLiteral("R4.DAT")), dump);
  FrmArchives& screen = forms::get<FrmArchives>();
  screen.setSelectedFile(program.dataFile(QStringLiteral("R4.DAT")));
  screen.decompress();
  const QString badData = program.dataFile(QStringLiteral("BadData"));
  QCOMPARE(program.prompts.texts(),
           (QStringList{QStringLiteral("'") + program.dataFile(QStringLiteral("R4.DAT")) +
                            QStringLiteral("' will be moved to folder: '") + badData + QStringLiteral("'."),
                        QStringLiteral("Sorry, 'R4.DAT' could not be decompressed.")}));
  QCOMPARE(program.prompts.last().title, QStringLiteral("Varnix"));
  QVERIFY(QFile::exists(program.dataFile(QStringLiteral("BadData/R4.DAT"))));
  QVERIFY(!QFile::exists(program.dataFile(QStringLiteral("BadData/R4.TXT"))));  // not expanded
  QCOMPARE(modStatusBar::UserID, QStringLiteral("BadData"));
}

void ArchivesTest::resultCodesSixSevenAndEight() {
  ProgramFixture program;
  QDir data(program.data.path());
  data.mkdir(QStringLiteral("N123AB"));
  FrmArchives& screen = forms::get<FrmArchives>();

  // 6: the dump lacks its closing line; the flights are still listed.
  QByteArray unclosed = sampleDump();
  const qsizetype closing = unclosed.lastIndexOf("$E,4*5D");
  QVERIFY(closing > 0);
  unclosed.truncate(closing);
  writeAll(program.dataFile(QStringLiteral("N123AB/R6.DAT")), unclosed);
  screen.setSelectedFile(program.dataFile(QStringLiteral("N123AB/R6.DAT")));
  screen.decompress();
  QCOMPARE(program.prompts.last().text,
           QStringLiteral("Data Expanding is successful. But couldn't find $E line, dump ended due to problem."));
  QCOMPARE(program.prompts.last().title, kInfo);
  QCOMPARE(screen.lstFiles()->count(), 4);

  // 7: the index file cannot be opened; nothing is listed, Label1 stays.
  const QString label = screen.label1()->text();
  data.mkpath(QStringLiteral("N123AB/R7.TXT"));
  writeAll(program.dataFile(QStringLiteral("N123AB/R7.DAT")), sampleDump());
  screen.setSelectedFile(program.dataFile(QStringLiteral("N123AB/R7.DAT")));
  screen.decompress();
  QCOMPARE(program.prompts.last().text, QStringLiteral("Couldn't open .TXT file."));
  QCOMPARE(screen.lstFiles()->count(), 0);
  QCOMPARE(screen.label1()->text(), label);

  // 8: no "." in the dump's name; the message names the file, not its path.
  writeAll(program.dataFile(QStringLiteral("N123AB/RAW8")), sampleDump());
  screen.setSelectedFile(program.dataFile(QStringLiteral("N123AB/RAW8")));
  screen.decompress();
  QCOMPARE(program.prompts.last().text, QStringLiteral("Couldn't find '.' in RAW8"));
  QCOMPARE(screen.lstFiles()->count(), 0);
}

void ArchivesTest::dumpWithoutFlightsListsNothingAndDropsTheIndex() {
  ProgramFixture program;
  QDir(program.data.path()).mkdir(QStringLiteral("N123AB"));
  varnix::test::DumpBuilder().line("U,N123AB").line("L,0").closing().writeTo(
      program.dataFile(QStringLiteral("N123AB/R9.DAT")).toStdString());
  FrmArchives& screen = forms::get<FrmArchives>();
  screen.setSelectedFile(program.dataFile(QStringLiteral("N123AB/R9.DAT")));
  screen.decompress();
  QCOMPARE(program.prompts.texts(), QStringList{QStringLiteral("No data was decompressed.")});
  QCOMPARE(program.prompts.last().title, kInfo);
  QVERIFY(!QFile::exists(program.dataFile(QStringLiteral("N123AB/R9.TXT"))));
}

void ArchivesTest::duplicateNamesRunOutWarnsOnTheListing() {
  ProgramFixture program;
  QDir(program.data.path()).mkdir(QStringLiteral("N123AB"));
  // Flight 101 already has 52 files: its next one takes the last suffix.
  QStringList suffixes{QString()};
  for (char c = 'A'; c <= 'Z'; ++c) suffixes.append(QString(QLatin1Char(c)));
  for (char c = 'A'; c <= 'Y'; ++c) suffixes.append(QStringLiteral("A") + QLatin1Char(c));
  QCOMPARE(suffixes.size(), 52);
  for (const QString& s : suffixes)
    writeAll(program.dataFile(QStringLiteral("N123AB/F00101") + s + QStringLiteral(".CSV")), "old");
  writeAll(program.dataFile(QStringLiteral("N123AB/R5.DAT")), sampleDump());
  FrmArchives& screen = forms::get<FrmArchives>();
  screen.setSelectedFile(program.dataFile(QStringLiteral("N123AB/R5.DAT")));
  screen.decompress();
  QVERIFY(listed(screen).first().contains(QStringLiteral(" F00101AZ.CSV ")));
  QCOMPARE(program.prompts.texts(),
           QStringList{QStringLiteral("Please remove multiple flight files, such as ' F00101$$.CSV '.")});
}

void ArchivesTest::lastDatedDumpNameWarnsNothing() {
  ProgramFixture program;
  QDir(program.data.path()).mkdir(QStringLiteral("N123AB"));
  writeAll(program.dataFile(QStringLiteral("N123AB/R261207AZ.DAT")), sampleDump());
  FrmArchives& screen = forms::get<FrmArchives>();
  screen.setSelectedFile(program.dataFile(QStringLiteral("N123AB/R261207AZ.DAT")));
  screen.decompress();
  QCOMPARE(screen.lstFiles()->count(), 4);
  QCOMPARE(program.prompts.texts(), QStringList{});
}

void ArchivesTest::doubleClickOpensTheListViewerOrExplains() {
  ProgramFixture program;
  QDir(program.data.path()).mkdir(QStringLiteral("N123AB"));
  writeAll(program.dataFile(QStringLiteral("N123AB/R1.DAT")), sampleDump());
  FrmArchives& screen = forms::get<FrmArchives>();
  screen.show();
  screen.setSelectedFile(program.dataFile(QStringLiteral("N123AB/R1.DAT")));
  screen.decompress();
  QCOMPARE(screen.lstFiles()->count(), 4);

  // Nothing chosen, a line without a file name, a file that is gone: a
  // message each, and no viewer.
  screen.viewFlightFile(nullptr);
  QCOMPARE(program.prompts.last().text, QStringLiteral("Please choose a flight in the list first."));
  screen.lstFiles()->addItem(QStringLiteral("garbage"));
  screen.viewFlightFile(screen.lstFiles()->item(4));
  QCOMPARE(program.prompts.last().text, QStringLiteral("The line 'garbage' names no flight file."));
  const QString gone = program.dataFile(QStringLiteral("N123AB/F00104.CSV"));
  QFile::remove(gone);
  screen.viewFlightFile(screen.lstFiles()->item(3));
  QCOMPARE(program.prompts.last().text, QStringLiteral("The flight file '") + gone + QStringLiteral("' does not exist."));
  QVERIFY(!forms::isLoaded(QStringLiteral("frmListView")));
  QVERIFY(screen.isVisible());

  const int before = program.prompts.prompts.size();
  screen.viewFlightFile(screen.lstFiles()->item(1));
  QCOMPARE(program.prompts.prompts.size(), before);
  auto* viewer = forms::find<FrmListView>();
  QVERIFY(viewer && viewer->isVisible());
  QVERIFY(!screen.isVisible());
  const QString shown = program.dataFile(QStringLiteral("N123AB/F00102.CSV"));
  QCOMPARE(control<QLabel>(viewer, "lblFileName")->text(), shown);
  QByteArray expected = readAll(shown);
  QVERIFY(!expected.isEmpty());
  QVERIFY(control<QPlainTextEdit>(viewer, "txtArchiveFile")->toPlainText().startsWith(
      QString::fromLocal8Bit(expected.left(expected.indexOf('\r')))));
  screenshot(viewer, "list_viewer_flight.png");
  QTest::mouseClick(control<QPushButton>(viewer, "cmdClose"), Qt::LeftButton);
  QVERIFY(screen.isVisible());
}

void ArchivesTest::browseCopiesIntoTheDataFolder() {
  ProgramFixture program;
  QTemporaryDir elsewhere;
  const QString outside = QDir(elsewhere.path()).filePath(QStringLiteral("OUT.DAT"));
  writeAll(outside, "outside dump");
  writeAll(program.dataFile(QStringLiteral("OUT.DAT")), "older copy");
  writeAll(program.dataFile(QStringLiteral("IN.DAT")), "already here");
  FrmArchives& screen = forms::get<FrmArchives>();

  QString offered;
  QString answer = outside;
  screen.setOpenFileChooser([&](const QString& initial) {
    offered = initial;
    return answer;
  });
  screen.browse();
  QCOMPARE(offered, program.data.path());
  QCOMPARE(readAll(program.dataFile(QStringLiteral("OUT.DAT"))), QByteArray("outside dump"));  // replaced
  QCOMPARE(screen.browser()->folder(), QDir::toNativeSeparators(program.data.path()));

  answer = program.dataFile(QStringLiteral("IN.DAT"));  // a file already in the data folder
  screen.browse();
  QCOMPARE(readAll(program.dataFile(QStringLiteral("IN.DAT"))), QByteArray("already here"));

  answer.clear();  // cancelled
  screen.browse();
  QCOMPARE(screen.browser()->folder(), QDir::toNativeSeparators(program.data.path()));
  QCOMPARE(screen.browser()->fileList()->count(), 2);
  QCOMPARE(program.prompts.prompts.size(), 0);

  // A copy that fails leaves nothing half-written and says so.
  QDir(program.data.path()).mkdir(QStringLiteral("BLOCK.DAT"));
  answer = QDir(elsewhere.path()).filePath(QStringLiteral("BLOCK.DAT"));
  writeAll(answer, "outside dump");
  screen.browse();
  QCOMPARE(program.prompts.texts(), QStringList{QStringLiteral("'BLOCK.DAT' could not be copied to folder: '") +
                                                program.data.path() + QStringLiteral("'. Nothing was changed there.")});
  QVERIFY(QFileInfo(program.dataFile(QStringLiteral("BLOCK.DAT"))).isDir());
}

QTEST_MAIN(ArchivesTest)
#include "archives_test.moc"
