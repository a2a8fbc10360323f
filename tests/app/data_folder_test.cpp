// SPDX-License-Identifier: GPL-3.0-or-later
// The data folder dialog, the folder chooser and the folder browser panel.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app_test_support.h"
#include "app/data_folder/folder_browser.h"
#include "app/data_folder/frm_choose_dir.h"
#include "app/data_folder/frm_folder_info.h"
#include "app/data_folder/typed_folder.h"

using namespace varnix::app;
using namespace varnix::app::test;

class DataFolderTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    resetProgram();
    app_.reset(new QTemporaryDir);
    data_.reset(new QTemporaryDir);
    modStatusBar::AppFolder = app_->path();
    modStatusBar::DataFolder = data_->path();
  }
  void cleanup() { resetProgram(); }

  void typedPathsOnWindows_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("driveA");
    const int ok = TypedFolder::Accepted, bad = TypedFolder::NotCorrect, empty = TypedFolder::Empty;
    QTest::newRow("D") << "D" << ok << "D:" << false;
    QTest::newRow("D:") << "D:" << ok << "D:" << false;
    QTest::newRow("D:\\") << "D:\\" << ok << "D:" << false;
    QTest::newRow("D:\\Data\\") << "  D:\\Data\\ " << ok << "D:\\Data" << false;
    QTest::newRow("D:Data") << "D:Data" << bad << "D:Data" << false;
    QTest::newRow("Data") << "Data" << bad << "Data" << false;
    QTest::newRow("UNC") << "\\\\server\\share" << bad << "\\\\server\\share" << false;
    QTest::newRow(":D") << ":D" << bad << ":D" << false;
    QTest::newRow("a:\\logs") << "a:\\logs" << ok << "a:\\logs" << true;
    QTest::newRow("A:") << "A:" << ok << "A:" << true;
    QTest::newRow("blanks") << "    " << empty << "" << false;
  }
  void typedPathsOnWindows() {
    QFETCH(QString, typed);
    const TypedFolder t = checkTypedFolder(typed, PathRules::Windows);
    QTEST(int(t.verdict), "verdict");
    QTEST(t.path, "path");
    QTEST(t.onDriveA, "driveA");
  }

  void typedPathsOnPosix() {
    QCOMPARE(checkTypedFolder(" /srv/data/ ", PathRules::Posix).path, QStringLiteral("/srv/data"));
    QCOMPARE(checkTypedFolder("/", PathRules::Posix).path, QStringLiteral("/"));
    QCOMPARE(checkTypedFolder("//", PathRules::Posix).path, QStringLiteral("/"));
    QCOMPARE(int(checkTypedFolder("data", PathRules::Posix).verdict), int(TypedFolder::NotCorrect));
    QCOMPARE(int(checkTypedFolder("D:\\Data", PathRules::Posix).verdict), int(TypedFolder::NotCorrect));
    QVERIFY(!checkTypedFolder("/a/logs", PathRules::Posix).onDriveA);
    QCOMPARE(int(checkTypedFolder("", PathRules::Posix).verdict), int(TypedFolder::Empty));
  }

  void changePermanentlyCreatesOneLevelAndRewritesTheSetting() {
    FrmFolderInfo& dialog = open();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Change Data Directory"));
    QCOMPARE(text1(dialog), data_->path());
    QCOMPARE(control<QLabel>(&dialog, "Label4")->text(), QStringLiteral("(Permanent)"));
    const QString fresh = data_->filePath("New");
    PromptLog log;
    type(dialog, "  " + fresh + "/ ");
    click(dialog, "cmdPermanent");
    QVERIFY(log.prompts.isEmpty());
    QVERIFY(QFileInfo(fresh).isDir());
    QCOMPARE(modStatusBar::DataFolder, fresh);
    QCOMPARE(text1(dialog), fresh);
    QCOMPARE(readAll(app_->filePath("DataFolder.CFG")), (fresh + "\r\n").toLocal8Bit());
    QCOMPARE(dialog.newFolderBox()->currentText(), QString());
    QCOMPARE(FrmFolderInfo::temporaryFlag(), 0);

    // Applied twice: listed twice until the dialog closes.
    type(dialog, fresh);
    click(dialog, "cmdPermanent");
    QCOMPARE(dialog.newFolderBox()->findText(fresh), 0);
    QCOMPARE(dialog.newFolderBox()->count(), 2);
  }

  void changeTemporarilyLeavesTheSettingAndMarksTheFolder() {
    writeAll(app_->filePath("DataFolder.CFG"), "/stored\r\n");
    FrmFolderInfo& dialog = open();
    type(dialog, data_->path());
    PromptLog log;
    click(dialog, "cmdTemporary");
    QCOMPARE(control<QLabel>(&dialog, "Label4")->text(), QStringLiteral("(Temporary)"));
    QCOMPARE(readAll(app_->filePath("DataFolder.CFG")), QByteArray("/stored\r\n"));
    QCOMPARE(FrmFolderInfo::temporaryFlag(), 1);
    click(dialog, "cmdClose");
    flushUnloaded();
    FrmFolderInfo& reopened = open();
    QCOMPARE(control<QLabel>(&reopened, "Label4")->text(), QStringLiteral("(Temporary)"));
  }

  void everyRefusalHasItsMessageAndChangesNothing() {
    writeAll(app_->filePath("DataFolder.CFG"), "/stored\r\n");
    writeAll(data_->filePath("plain.file"), "x");
    FrmFolderInfo& dialog = open();
    PromptLog log;
    struct Case {
      QString typed;
      QString message;
      QString leftInBox;
    } cases[] = {
        {"   ", "Please type a full path.", "   "},
        {"relative/path", "'relative/path' is not a correct path. Please try again.", ""},
        {data_->filePath("Missing/Sub"), "'" + data_->filePath("Missing/Sub") + "' is a invalid path. Please try again.",
         ""},
        {data_->filePath("plain.file"),
         "Sorry, '" + data_->filePath("plain.file") + "' folder could not be generated. Please try again.", ""},
    };
    for (const Case& c : cases) {
      for (const char* button : {"cmdPermanent", "cmdTemporary"}) {
        log.prompts.clear();
        type(dialog, c.typed);
        click(dialog, button);
        QCOMPARE(log.texts(), QStringList{c.message});
        QCOMPARE(log.last().title, QStringLiteral("Varnix"));
        QCOMPARE(log.last().icon, MsgIcon::None);
        QCOMPARE(dialog.newFolderBox()->currentText(), c.leftInBox);
        QCOMPARE(modStatusBar::DataFolder, data_->path());
      }
    }
    QVERIFY(!QFileInfo::exists(data_->filePath("Missing")));
    QCOMPARE(readAll(app_->filePath("DataFolder.CFG")), QByteArray("/stored\r\n"));
    QCOMPARE(dialog.newFolderBox()->count(), 0);
    QCOMPARE(FrmFolderInfo::temporaryFlag(), 0);
  }

  void unwritableSettingFailsThePermanentChange() {
    modStatusBar::AppFolder = app_->filePath("no-such-folder");
    FrmFolderInfo& dialog = open();
    PromptLog log;
    type(dialog, data_->filePath("Sub"));
    click(dialog, "cmdPermanent");
    QCOMPARE(log.texts(),
             QStringList{"Sorry, '" + data_->filePath("Sub") + "' folder could not be generated. Please try again."});
    QCOMPARE(modStatusBar::DataFolder, data_->path());
    QCOMPARE(control<QLabel>(&dialog, "Label4")->text(), QStringLiteral("(Permanent)"));
  }

  void closeRecordsTheShownFolderOnceCaseSensitively() {
    const QString list = app_->filePath("FolderList.CFG");
    click(open(), "cmdClose");
    QCOMPARE(readAll(list), (data_->path() + "\r\n").toLocal8Bit());
    click(open(), "cmdClose");
    QCOMPARE(readAll(list), (data_->path() + "\r\n").toLocal8Bit());
    modStatusBar::DataFolder = data_->path().toUpper();
    click(open(), "cmdClose");
    QCOMPARE(readAll(list), (data_->path() + "\r\n" + data_->path().toUpper() + "\r\n").toLocal8Bit());

    // Lines come back as they stand, blank ones included.
    writeAll(list, "/one\r\n\r\n  /two  \r\n");
    FrmFolderInfo& dialog = open();
    QComboBox* box = dialog.newFolderBox();
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemText(1), QString());
    QCOMPARE(box->itemText(2), QStringLiteral("  /two  "));
    QCOMPARE(box->currentText(), QString());

    // The window's close box records nothing.
    unloadForm(&dialog);
    flushUnloaded();
    modStatusBar::DataFolder = "/elsewhere";
    open().close();
    QCOMPARE(readAll(list), QByteArray("/one\r\n\r\n  /two  \r\n"));
  }

  void chooserStartsOnTheDataFolderAndHandsItsPathOver() {
    QVERIFY(QDir(data_->path()).mkdir("Flights"));
    FrmFolderInfo& dialog = open();
    type(dialog, "typed before");
    FrmChooseDir& chooser = forms::get<FrmChooseDir>();
    QCOMPARE(chooser.windowTitle(), QStringLiteral("Choose Directory"));
    auto* path = control<QLineEdit>(&chooser, "Text1");
    QCOMPARE(path->text(), data_->path());
    QVERIFY(chooser.browser()->setFolder(data_->filePath("Flights")));
    QCOMPARE(path->text(), data_->filePath("Flights"));
    click(chooser, "cmdOK");
    QCOMPARE(dialog.newFolderBox()->currentText(), data_->filePath("Flights"));
    QCOMPARE(modStatusBar::DataFolder, data_->path());  // nothing applied yet
    QVERIFY(!forms::isLoaded("frmChooseDir"));
    flushUnloaded();

    FrmChooseDir& again = forms::get<FrmChooseDir>();
    QCOMPARE(control<QLineEdit>(&again, "Text1")->text(), data_->path());
    click(again, "cmdCancel");
    QCOMPARE(dialog.newFolderBox()->currentText(), QString());
  }

  void chooserOpensOnTheNearestFolderWhenTheDataFolderIsGone() {
    modStatusBar::DataFolder = data_->filePath("gone/deeper");
    FrmChooseDir& chooser = forms::get<FrmChooseDir>();
    QCOMPARE(control<QLineEdit>(&chooser, "Text1")->text(), data_->path());
  }

  void chooserCreatesANewFolderAndRefusesAnExistingName() {
    FrmChooseDir& chooser = forms::get<FrmChooseDir>();
    PromptLog log;
    log.type("Fresh Folder");
    click(chooser, "cmdNewFolder");
    QCOMPARE(log.last().input, true);
    QCOMPARE(log.last().text, QStringLiteral("Please Input a folder name:"));
    QCOMPARE(log.last().title, QStringLiteral("New Folder Name"));
    QCOMPARE(log.last().defaultText, QString());
    const QString fresh = data_->filePath("Fresh Folder");
    QVERIFY(QFileInfo(fresh).isDir());
    QCOMPARE(chooser.browser()->folder(), fresh);
    QCOMPARE(control<QLineEdit>(&chooser, "Text1")->text(), fresh);

    QVERIFY(chooser.browser()->setFolder(data_->path()));
    log.prompts.clear();
    log.type("Fresh Folder");
    click(chooser, "cmdNewFolder");
    QCOMPARE(log.texts(), (QStringList{"Please Input a folder name:", "'" + fresh + "' already exists."}));
    QCOMPARE(chooser.browser()->folder(), data_->path());

    // Cancel and an empty answer do nothing.
    log.prompts.clear();
    log.answer(MsgAnswer::Cancel);
    log.type("");
    click(chooser, "cmdNewFolder");
    click(chooser, "cmdNewFolder");
    QCOMPARE(log.prompts.size(), 2);
    QCOMPARE(QDir(data_->path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"Fresh Folder"});

    // A name the file system refuses.
    log.prompts.clear();
    log.type("a/b/c");
    click(chooser, "cmdNewFolder");
    QCOMPARE(log.prompts.size(), 2);
    QVERIFY(log.last().text.startsWith("Sorry, '"));
  }

  void folderBrowserPanel() {
    QVERIFY(QDir(data_->path()).mkpath("A/B"));
    writeAll(data_->filePath("A/F1.CSV"), "");
    writeAll(data_->filePath("A/index.txt"), "");
    writeAll(data_->filePath("A/R030101.DAT"), "");
    QWidget owner;
    FolderBrowser panel(&owner, "*.TXT;*.CSV");
    QStringList changes, clicked, doubled;
    connect(&panel, &FolderBrowser::folderChanged, this, [&](const QString& f) { changes << f; });
    connect(&panel, &FolderBrowser::fileClicked, this, [&](const QString& f) { clicked << f; });
    connect(&panel, &FolderBrowser::fileDoubleClicked, this, [&](const QString& f) { doubled << f; });
    const QString volume = data_->path();
    panel.setVolumes({{"/", "/"}, {volume, volume}, {"/no-such-volume", "/no-such-volume"}});
    panel.openOn(data_->filePath("A"));
    QCOMPARE(panel.driveList()->currentText(), volume);
    QCOMPARE(changes, QStringList{data_->filePath("A")});
    QCOMPARE(panel.fileList()->count(), 2);  // F1.CSV, index.txt; never the .DAT
    QCOMPARE(panel.fileList()->item(0)->text(), QStringLiteral("F1.CSV"));

    // The folder list shows the way down and the subfolders; activating an
    // entry moves there.
    QListWidget* dir = panel.folderList();
    QCOMPARE(dir->currentItem()->text().trimmed(), QStringLiteral("A"));
    QCOMPARE(dir->item(dir->count() - 1)->text().trimmed(), QStringLiteral("B"));
    emit dir->itemActivated(dir->item(dir->count() - 1));
    QCOMPARE(panel.folder(), data_->filePath("A/B"));
    QCOMPARE(panel.fileList()->count(), 0);
    QVERIFY(panel.setFolder(data_->filePath("A")));
    QVERIFY(!panel.setFolder(data_->filePath("A/F1.CSV")));

    panel.fileList()->setCurrentRow(1);
    emit panel.fileList()->itemActivated(panel.fileList()->item(0));
    QCOMPARE(clicked.first(), data_->filePath("A/index.txt"));
    QCOMPARE(doubled, QStringList{data_->filePath("A/F1.CSV")});

    // A drive that is not ready: the message names the list's entry and the
    // list returns to the folder's drive.
    PromptLog log;
    panel.driveList()->setCurrentIndex(2);
    panel.pickDrive(2);
    QCOMPARE(log.texts(), QStringList{"The drive /no-such-volume is not ready."});
    QCOMPARE(log.last().icon, MsgIcon::Exclamation);
    QCOMPARE(log.last().title, QStringLiteral("Varnix"));
    QCOMPARE(panel.driveList()->currentIndex(), 1);
    QCOMPARE(panel.folder(), data_->filePath("A"));
    // The folder's own drive keeps the folder; another one moves to its root.
    panel.pickDrive(1);
    QCOMPARE(panel.folder(), data_->filePath("A"));
    panel.pickDrive(0);
    QCOMPARE(panel.folder(), QStringLiteral("/"));
    QCOMPARE(panel.pathOf("x.TXT"), QStringLiteral("/x.TXT"));
  }

 private:
  FrmFolderInfo& open() {
    FrmFolderInfo& dialog = forms::get<FrmFolderInfo>();
    dialog.show();
    return dialog;
  }
  static QString text1(FrmFolderInfo& dialog) { return control<QLineEdit>(&dialog, "Text1")->text(); }
  static void type(FrmFolderInfo& dialog, const QString& text) { dialog.newFolderBox()->setEditText(text); }
  static void click(QWidget& form, const char* name) { control<QPushButton>(&form, name)->click(); }

  std::unique_ptr<QTemporaryDir> app_;
  std::unique_ptr<QTemporaryDir> data_;
};

QTEST_MAIN(DataFolderTest)
#include "data_folder_test.moc"
