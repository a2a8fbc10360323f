// SPDX-License-Identifier: GPL-3.0-or-later
// The Palm screen: which backups it lists and in what order, "VXuser.CFG",
// and the double-click road from backup to listed flights.
#include <QListWidget>
#include <QtTest>

#include "app/archives/frm_archives.h"
#include "app/data_folder/folder_browser.h"
#include "flows_support.h"
#include "frontend/dump_files.h"
#include "app/palm/frm_palm.h"
#include "app/palm/palm_files.h"
#include "support/pdb_builder.h"

using namespace varnix::app;
using namespace varnix::app::test;

namespace {

const QString kPalmInfo = QStringLiteral("Decompress Palm Files Info");

QByteArray backupOf(const QByteArray& dump) {
  return QByteArray::fromStdString(varnix::test::palmBackup(dump.toStdString()));
}

}  // namespace

class PalmTest : public QObject {
  Q_OBJECT

 private slots:
  void backupNamesAndDumpNames();
  void listsQualifyingBackupsNewestFirstAndRemembersTheFolder();
  void fiveDigitNameIsNotListedButTheFolderIsRemembered();
  void backupIsConvertedFiledExpandedAndRemoved();
  void existingDumpAsksBeforeOverwriting();
  void dumpWithoutUserIdEndsInBadData();
};

void PalmTest::backupNamesAndDumpNames() {
  QVERIFY(isPalmBackupName(QStringLiteral("P123456.PDB")));
  QVERIFY(isPalmBackupName(QStringLiteral("P1234567.PDB")));
  QVERIFY(isPalmBackupName(QStringLiteral("p1234567.pdb")));
  QVERIFY(!isPalmBackupName(QStringLiteral("P12345.PDB")));
  QVERIFY(!isPalmBackupName(QStringLiteral("PABCDEF.PDB")));
  QVERIFY(!isPalmBackupName(QStringLiteral("P12345X7.PDB")));
  QCOMPARE(varnix::frontend::palmDumpName("P1234567.PDB"), std::string("P1234567.DAT"));
  QCOMPARE(varnix::frontend::palmDumpName("P1234567.X.PDB"), std::string("P1234567.DAT"));
  const QString entry = palmEntryText(QDateTime(QDate(2024, 6, 3), QTime(9, 12, 5)), QStringLiteral("P1234567.PDB"));
  QVERIFY2(entry.endsWith(QStringLiteral("     P1234567.PDB")), qPrintable(entry));
}

void PalmTest::listsQualifyingBackupsNewestFirstAndRemembersTheFolder() {
  ProgramFixture program;
  QTemporaryDir backup;
  const QDir dir(backup.path());
  const QDateTime base(QDate(2024, 1, 1), QTime(12, 0));
  const char* names[] = {"P1000001.PDB", "P1000002.PDB", "P1000003.PDB"};
  const int ages[] = {2, 0, 1};  // days before `base`
  for (int i = 0; i < 3; ++i) {
    QFile f(dir.filePath(QString::fromLatin1(names[i])));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.flush();  // before the time is set, or the last write would change it
    QVERIFY(f.setFileTime(base.addDays(-ages[i]), QFileDevice::FileModificationTime));
  }
  writeAll(dir.filePath(QStringLiteral("PABCDEF.PDB")), "x");
  writeAll(dir.filePath(QStringLiteral("notes.txt")), "x");
  writeAll(program.appFile(kPalmFolderFile), backup.path().toLocal8Bit() + "\r\n");

  FrmPalm& screen = forms::get<FrmPalm>();
  QVERIFY(screen.isVisible());  // the screen shows itself
  QCOMPARE(screen.browser()->folder(), QDir::toNativeSeparators(backup.path()));
  QListWidget* list = screen.lstPalmFiles();
  QCOMPARE(list->count(), 3);
  QVERIFY(list->item(0)->text().endsWith(QStringLiteral("     P1000002.PDB")));
  QVERIFY(list->item(1)->text().endsWith(QStringLiteral("     P1000003.PDB")));
  QVERIFY(list->item(2)->text().endsWith(QStringLiteral("     P1000001.PDB")));
  screenshot(&screen, "palm_list.png");
  unloadForm(&screen);
  flushUnloaded();

  // Without the file the screen opens on the data folder.
  QFile::remove(program.appFile(kPalmFolderFile));
  FrmPalm& again = forms::get<FrmPalm>();
  QCOMPARE(again.browser()->folder(), QDir::toNativeSeparators(program.data.path()));
  QCOMPARE(again.lstPalmFiles()->count(), 0);
  QVERIFY(!QFile::exists(program.appFile(kPalmFolderFile)));  // no P*.PDB there
}

void PalmTest::fiveDigitNameIsNotListedButTheFolderIsRemembered() {
  ProgramFixture program;
  QTemporaryDir backup;
  writeAll(QDir(backup.path()).filePath(QStringLiteral("P12345.PDB")), "x");
  FrmPalm& screen = forms::get<FrmPalm>();
  QVERIFY(screen.browser()->setFolder(backup.path()));
  QCOMPARE(screen.lstPalmFiles()->count(), 0);
  QCOMPARE(readAll(program.appFile(kPalmFolderFile)), QDir::toNativeSeparators(backup.path()).toLocal8Bit() + "\r\n");
  unloadForm(&screen);
  flushUnloaded();
  QCOMPARE(forms::get<FrmPalm>().browser()->folder(), QDir::toNativeSeparators(backup.path()));
}

void PalmTest::backupIsConvertedFiledExpandedAndRemoved() {
  ProgramFixture program;
  QTemporaryDir backup;
  const QString pdb = QDir(backup.path()).filePath(QStringLiteral("P1234567.PDB"));
  writeAll(pdb, backupOf(sampleDumpWithId(QStringLiteral("1234"))));
  FrmPalm& screen = forms::get<FrmPalm>();
  QVERIFY(screen.browser()->setFolder(backup.path()));
  QCOMPARE(screen.lstPalmFiles()->count(), 1);

  screen.convert(nullptr);  // nothing chosen yet
  QCOMPARE(program.prompts.texts(), QStringList{QStringLiteral("Please choose a Palm file in the list first.")});
  program.prompts.prompts.clear();

  screen.convert(screen.lstPalmFiles()->item(0));
  QCOMPARE(program.prompts.texts(),
           QStringList{QStringLiteral("The file ' P1234567.DAT ' was generated in '1234 ' folder and decompressed.")});
  QCOMPARE(program.prompts.last().title, kPalmInfo);
  QCOMPARE(modStatusBar::UserID, QStringLiteral("1234"));
  QCOMPARE(readAll(program.dataFile(QStringLiteral("1234/P1234567.DAT"))), sampleDumpWithId(QStringLiteral("1234")));
  QVERIFY(!QFile::exists(pdb));  // expanded: the backup is gone
  QVERIFY(!QFile::exists(QDir(backup.path()).filePath(QStringLiteral("P1234567.DAT"))));
  flushUnloaded();
  QVERIFY(!forms::isLoaded(QStringLiteral("frmPalm")));
  auto* archives = forms::find<FrmArchives>();
  QVERIFY(archives && archives->isVisible());
  QCOMPARE(archives->windowTitle(), QStringLiteral("View New Decompressed Files"));
  QCOMPARE(archives->lstFiles()->count(), 4);
  for (const QString& f : kSampleFlightFiles) QVERIFY(QFile::exists(program.dataFile(QStringLiteral("1234/") + f)));
  screenshot(archives, "archive_palm_files.png");
}

void PalmTest::existingDumpAsksBeforeOverwriting() {
  ProgramFixture program;
  QTemporaryDir backup;
  const QString pdb = QDir(backup.path()).filePath(QStringLiteral("P7654321.PDB"));
  writeAll(pdb, backupOf(sampleDumpWithId(QStringLiteral("1234"))));
  QDir(program.data.path()).mkdir(QStringLiteral("1234"));
  const QString old = program.dataFile(QStringLiteral("1234/P7654321.DAT"));
  writeAll(old, "old dump");
  const QString question =
      QStringLiteral("The file ' P7654321.DAT ' already existed in ' 1234 ' folder, overwrite and decompress ?");

  FrmPalm& screen = forms::get<FrmPalm>();
  QVERIFY(screen.browser()->setFolder(backup.path()));
  program.prompts.answer(MsgAnswer::No);
  screen.convert(screen.lstPalmFiles()->item(0));
  QCOMPARE(program.prompts.texts(), QStringList{question});
  QCOMPARE(program.prompts.last().buttons, MsgButtons::YesNo);
  QCOMPARE(readAll(old), QByteArray("old dump"));
  QVERIFY(QFile::exists(QDir(backup.path()).filePath(QStringLiteral("P7654321.DAT"))));  // left beside the backup
  QVERIFY(QFile::exists(pdb));
  QVERIFY(forms::isLoaded(QStringLiteral("frmPalm")));

  // Yes: overwritten, and no about-to-expand message.
  program.prompts.prompts.clear();
  screen.convert(screen.lstPalmFiles()->item(0));
  QCOMPARE(program.prompts.texts(), QStringList{question});
  QCOMPARE(readAll(old), sampleDumpWithId(QStringLiteral("1234")));
  QVERIFY(!QFile::exists(pdb));
}

void PalmTest::dumpWithoutUserIdEndsInBadData() {
  ProgramFixture program;
  QTemporaryDir backup;
  QByteArray dump = sampleDump();
  dump.replace(3, 6, "N123AC");  // the check digits no longer match
  const QString pdb = QDir(backup.path()).filePath(QStringLiteral("P1111111.PDB"));
  writeAll(pdb, backupOf(dump));
  FrmPalm& screen = forms::get<FrmPalm>();
  QVERIFY(screen.browser()->setFolder(backup.path()));
  screen.convert(screen.lstPalmFiles()->item(0));
  QCOMPARE(program.prompts.texts(),
           QStringList{QStringLiteral(
               "The file ' P1111111.DAT ' was generated in ' BadData ' folder. and couldn't be decompressed.")});
  QVERIFY(QFile::exists(program.dataFile(QStringLiteral("BadData/P1111111.DAT"))));
  QVERIFY(!QFile::exists(program.dataFile(QStringLiteral("BadData/P1111111.TXT"))));
  QVERIFY(QFile::exists(pdb));
  QVERIFY(forms::isLoaded(QStringLiteral("frmPalm")));
}

QTEST_MAIN(PalmTest)
#include "palm_test.moc"
