// SPDX-License-Identifier: GPL-3.0-or-later
// The file viewer and the list viewer.
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

#include "app_test_support.h"
#include "app/data_folder/folder_browser.h"
#include "app/viewers/frm_list_view.h"
#include "app/viewers/frm_view_file_new.h"
#include "app/viewers/text_view.h"

using namespace varnix::app;
using namespace varnix::app::test;

namespace {

class StandInArchives : public Form {
 public:
  StandInArchives() : Form("frmArchives") {}
};

}  // namespace

class ViewersTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    resetProgram();
    data_.reset(new QTemporaryDir);
    modStatusBar::DataFolder = data_->path();
  }
  void cleanup() { resetProgram(); }

  void lineEndsBecomeCrLf_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("CR LF kept") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("last line without end") << QByteArray("a\r\nlast") << QByteArray("a\r\nlast\r\n");
    QTest::newRow("lone CR ends a line") << QByteArray("a\rb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("lone LF stays inside") << QByteArray("a\nb\r\n") << QByteArray("a\nb\r\n");
    QTest::newRow("blank lines") << QByteArray("\r\n\r\nx") << QByteArray("\r\n\r\nx\r\n");
    QTest::newRow("empty") << QByteArray() << QByteArray();
  }
  void lineEndsBecomeCrLf() {
    QFETCH(QByteArray, file);
    QTEST(withCrLfLineEnds(file), "shown");
  }

  void displayShowsTheWholeFileAndItsPath() {
    QByteArray csv;
    for (int i = 0; i < 20000; ++i) csv += "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15\r\n";
    csv += "last,line";
    writeAll(data_->filePath("F00001.CSV"), csv);
    FrmViewFileNew& viewer = open();
    QCOMPARE(viewer.windowTitle(), QStringLiteral("File Viewer"));
    QCOMPARE(viewer.browser()->folder(), data_->path());
    QCOMPARE(viewer.selectedFile(), QString());
    QListWidget* files = control<QListWidget>(&viewer, "File1");
    QCOMPARE(files->count(), 1);
    files->setCurrentRow(0);
    QCOMPARE(viewer.selectedFile(), data_->filePath("F00001.CSV"));
    PromptLog log;
    click(viewer, "cmdShowFile");
    QVERIFY(log.prompts.isEmpty());
    QCOMPARE(viewer.shownText().toLatin1(), csv + "\r\n");
    auto* box = control<QPlainTextEdit>(&viewer, "txtShowFile");
    QCOMPARE(box->blockCount(), 20002);  // every line, and the empty one after the last CR LF
    QCOMPARE(box->document()->findBlockByNumber(20000).text(), QStringLiteral("last,line"));
    QCOMPARE(control<QLabel>(&viewer, "Label3")->text(), data_->filePath("F00001.CSV"));

    // Closing the file keeps the selection: Display shows it again.
    click(viewer, "cmdClose");
    QVERIFY(box->toPlainText().isEmpty());
    QCOMPARE(control<QLabel>(&viewer, "Label3")->text(), data_->filePath("F00001.CSV"));
    click(viewer, "cmdShowFile");
    QCOMPARE(box->blockCount(), 20002);
  }

  void changingTheFolderForgetsTheFileAndDisplayThenAsksForOne() {
    QVERIFY(QDir(data_->path()).mkdir("Sub"));
    writeAll(data_->filePath("INDEX.TXT"), "Flt#1- F00001.CSV\r\n");
    FrmViewFileNew& viewer = open();
    emit control<QListWidget>(&viewer, "File1")->itemActivated(control<QListWidget>(&viewer, "File1")->item(0));
    QCOMPARE(viewer.shownText(), QStringLiteral("Flt#1- F00001.CSV\r\n"));
    QVERIFY(viewer.browser()->setFolder(data_->filePath("Sub")));
    QCOMPARE(viewer.selectedFile(), QString());
    QVERIFY(control<QPlainTextEdit>(&viewer, "txtShowFile")->toPlainText().isEmpty());
    QCOMPARE(control<QLabel>(&viewer, "Label3")->text(), QString());
    PromptLog log;
    click(viewer, "cmdShowFile");
    QCOMPARE(log.texts(), QStringList{"Please select a file."});
    QCOMPARE(log.last().title, QStringLiteral("File Viewer Info"));
    QCOMPARE(log.last().icon, MsgIcon::Exclamation);
  }

  void aFileGoneSinceListingIsReportedAndTheListRefreshed() {
    writeAll(data_->filePath("GONE.TXT"), "x");
    FrmViewFileNew& viewer = open();
    control<QListWidget>(&viewer, "File1")->setCurrentRow(0);
    QFile::remove(data_->filePath("GONE.TXT"));
    PromptLog log;
    click(viewer, "cmdShowFile");
    QCOMPARE(log.texts(), QStringList{"'" + data_->filePath("GONE.TXT") + "' could not be opened."});
    QCOMPARE(control<QListWidget>(&viewer, "File1")->count(), 0);
    QCOMPARE(viewer.selectedFile(), QString());
  }

  void returnClosesTheViewer() {
    FrmViewFileNew& viewer = open();
    click(viewer, "cmdExit");
    QVERIFY(!forms::isLoaded("frmViewFileNew"));
  }

  void listViewerShowsWhatItIsGivenAndBringsTheArchiveScreenBack() {
    auto* archives = new StandInArchives;
    forms::add(archives);
    FrmListView& list = forms::get<FrmListView>();
    list.show();
    list.showFile("/data/N1/F00001.CSV", "a,b\r\n1,2\r\n");
    QCOMPARE(control<QLabel>(&list, "lblFileName")->text(), QStringLiteral("/data/N1/F00001.CSV"));
    QCOMPARE(control<QPlainTextEdit>(&list, "txtArchiveFile")->toPlainText(), QStringLiteral("a,b\n1,2\n"));
    click(list, "cmdClose");
    QVERIFY(!forms::isLoaded("frmListView"));
    QVERIFY(archives->isVisible());

    archives->hide();
    flushUnloaded();
    forms::get<FrmListView>().show();
    forms::find<FrmListView>()->close();  // the window frame's close box
    QVERIFY(!forms::isLoaded("frmListView"));
    QVERIFY(archives->isVisible());
  }

  // Prints how long a 20 MB CSV file takes to show; asserts nothing about time.
  void benchmarkTwentyMegabyteCsv() {
    QByteArray line = "12/31/03,10:30:00,1450,1460,1470,1480,1490,1500,380,385,390,395,400,405,190,75,29.5,2450\r\n";
    QByteArray csv;
    csv.reserve(21 * 1024 * 1024);
    while (csv.size() < 20 * 1024 * 1024) csv += line;
    writeAll(data_->filePath("BIG.CSV"), csv);
    FrmViewFileNew& viewer = open();
    control<QListWidget>(&viewer, "File1")->setCurrentRow(0);
    QElapsedTimer clock;
    clock.start();
    click(viewer, "cmdShowFile");
    const qint64 shownMs = clock.elapsed();
    auto* box = control<QPlainTextEdit>(&viewer, "txtShowFile");
    QCOMPARE(box->blockCount(), int(csv.size() / line.size()) + 1);
    clock.restart();
    for (int i = 0; i < 50; ++i) box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum() * i / 50);
    box->grab();
    qInfo("20 MB CSV (%d lines): shown in %lld ms, 50 scroll steps and a repaint in %lld ms", box->blockCount() - 1,
          shownMs, clock.elapsed());
  }

 private:
  FrmViewFileNew& open() {
    FrmViewFileNew& viewer = forms::get<FrmViewFileNew>();
    viewer.show();
    return viewer;
  }
  static void click(QWidget& form, const char* name) { control<QPushButton>(&form, name)->click(); }

  std::unique_ptr<QTemporaryDir> data_;
};

QTEST_MAIN(ViewersTest)
#include "viewers_test.moc"
