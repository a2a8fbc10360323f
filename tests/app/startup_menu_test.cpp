// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, the main menu, the window procedures and the forms' life cycle.
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include "app_test_support.h"
#include "app/data_folder/frm_folder_info.h"
#include "app/main_menu/frm_varnix.h"
#include "app/select_port/frm_select_port.h"
#include "app/startup/frm_top.h"
#include "app/viewers/frm_list_view.h"
#include "app/viewers/frm_view_file_new.h"

using namespace varnix::app;
using namespace varnix::app::test;

namespace {

// A stand-in for a screen that this build may not have yet.
class StandInForm : public Form {
 public:
  explicit StandInForm(const char* name) : Form(name) {}
};

}  // namespace

class StartupMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    resetProgram();
    home_.reset(new QTemporaryDir);
    qputenv("HOME", home_->path().toLocal8Bit());
    ended_ = 0;
    modStatusBar::SetEndProgramHandler([this] { ++ended_; });
  }
  void cleanup() {
    resetProgram();
    modStatusBar::SetEndProgramHandler({});
  }

  void formsAreCreatedOnFirstReferenceAndStartAfreshAfterUnloading() {
    QVERIFY(!forms::isLoaded("frmListView"));
    FrmListView& first = forms::get<FrmListView>();
    QCOMPARE(&forms::get<FrmListView>(), &first);
    QCOMPARE(forms::get(QStringLiteral("frmListView")), static_cast<Form*>(&first));
    QCOMPARE(first.objectName(), QStringLiteral("frmListView"));
    QPointer<Form> old(&first);
    unloadForm(&first);
    QVERIFY(!forms::isLoaded("frmListView"));
    QVERIFY(old && old->isHidden());
    flushUnloaded();
    QVERIFY(old.isNull());
    QVERIFY(forms::get(QStringLiteral("frmNoSuchScreen")) == nullptr);
    // Unloading twice, or a form never loaded, is harmless.
    forms::unload(QStringLiteral("frmListView"));
  }

  void firstRunCreatesTheDefaultFolderAndTheSettingThenLaterRunsReadIt() {
    QTemporaryDir app;
    FrmTop& top = forms::get<FrmTop>(app.path() + "/");
    const QString expected = home_->path() + "/VXDATA";
    QCOMPARE(modStatusBar::AppFolder, app.path());  // one trailing separator dropped
    QCOMPARE(QDir::currentPath(), QDir(app.path()).canonicalPath());
    QCOMPARE(modStatusBar::DataFolder, expected);
    QVERIFY(QFileInfo(expected).isDir());
    QCOMPARE(readAll(app.filePath("DataFolder.CFG")), (expected + "\r\n").toLocal8Bit());
    QCOMPARE(top.windowTitle(), QStringLiteral("Varnix"));
    QCOMPARE(control<QLabel>(&top, "Label1")->text(), QStringLiteral("Varnix Systems"));
    QCOMPARE(control<QLabel>(&top, "Label2")->text(), QStringLiteral("A quality product for airplanes"));
    unloadForm(&top);
    flushUnloaded();

    // Second run: the folder exists and the setting is read; a setting with
    // blanks around the path and further lines gives the path alone.
    modStatusBar::DataFolder.clear();
    forms::get<FrmTop>(app.path());
    QCOMPARE(modStatusBar::DataFolder, expected);
    resetProgram();
    writeAll(app.filePath("DataFolder.CFG"), "   /srv/Flights Data  \r\nsecond line\r\n");
    forms::get<FrmTop>(app.path());
    QCOMPARE(modStatusBar::DataFolder, QStringLiteral("/srv/Flights Data"));
    QVERIFY(!QFileInfo::exists("/srv/Flights Data")) ;  // read, never created
  }

  void anExistingDefaultFolderIsReusedAndTheSettingStillWritten() {
    QTemporaryDir app;
    QVERIFY(QDir(home_->path()).mkdir("VXDATA"));
    writeAll(home_->path() + "/VXDATA/keep.DAT", "x");
    forms::get<FrmTop>(app.path());
    QCOMPARE(modStatusBar::DataFolder, home_->path() + "/VXDATA");
    QVERIFY(QFileInfo::exists(home_->path() + "/VXDATA/keep.DAT"));
    QCOMPARE(readAll(app.filePath("DataFolder.CFG")), (home_->path() + "/VXDATA\r\n").toLocal8Bit());
  }

  // The start-up screen shows first, then gives way to the main menu on its own.
  void startUpScreenGivesWayToTheMainMenuWithTheFocusOnDownload() {
    QTemporaryDir app;
    FrmTop& top = forms::get<FrmTop>(app.path());
    top.show();
    QVERIFY(top.isVisible());
    QVERIFY(!forms::find<FrmVarnix>());
    QTRY_VERIFY_WITH_TIMEOUT(forms::find<FrmVarnix>() && forms::find<FrmVarnix>()->isVisible(), 10000);
    QVERIFY(!forms::isLoaded("frmTop"));
    auto* menu = forms::find<FrmVarnix>();
    QCOMPARE(menu->windowTitle(), QStringLiteral("Varnix Main Menu"));
    QCOMPARE(menu->focusWidget(), control(menu, "cmdDownload"));
    QCOMPARE(ended_, 0);

    // Closed with its close box before the main menu came, the start-up
    // screen ends the program: no window would be left to end it with.
    resetProgram();
    FrmTop& closed = forms::get<FrmTop>(app.path());
    closed.show();
    QVERIFY(closed.close() || !forms::isLoaded("frmTop"));
    QVERIFY(!forms::isLoaded("frmTop"));
    QVERIFY(!closed.timer()->isActive());
    QCOMPARE(ended_, 1);
    QVERIFY(forms::loaded().isEmpty());
  }

  void mainMenuShowsItsActionsInOrderWithPictureButtons() {
    FrmVarnix& menu = forms::get<FrmVarnix>();
    menu.show();
    const char* buttons[] = {"cmdDownload", "cmdViewFile", "cmdPalm", "cmdArchive",
                             "cmdSelectPort", "cmdChangeDataDir", "cmdExit"};
    const char* labels[] = {"Download and decompress data", "View data", "Decompress palm data",
                            "Decompress archive data", "Select COM port and  baud rate", "Change data folder",
                            "Exit Varnix"};
    int lastTop = -1;
    for (int i = 0; i < 7; ++i) {
      auto* button = control<QPushButton>(&menu, buttons[i]);
      QVERIFY2(button, buttons[i]);
      QVERIFY(button->text().isEmpty());
      QVERIFY(!button->icon().isNull());
      const QPoint at = button->mapTo(&menu, QPoint(0, 0));
      QVERIFY(at.y() > lastTop);
      lastTop = at.y();
      auto* label = control<QLabel>(&menu, (QByteArray("lbl") + (buttons[i] + 3)).constData());
      QVERIFY(label);
      QCOMPARE(label->text(), QString::fromLatin1(labels[i]));
      QVERIFY(label->mapTo(&menu, QPoint(0, 0)).x() > at.x());
    }
    QVERIFY(control(&menu, "Label7"));
  }

  void mainMenuShowsTheDataFolderAndItsLabelsClickLikeTheirButtons() {
    QTemporaryDir data;
    modStatusBar::DataFolder = data.path();
    FrmVarnix& menu = forms::get<FrmVarnix>();
    menu.show();
    QCOMPARE(control<QLabel>(&menu, "lblDataFolder")->text(),
             QStringLiteral("Data folder: ") + QDir::toNativeSeparators(data.path()));
    QTest::mouseClick(control<QLabel>(&menu, "lblViewFile"), Qt::LeftButton);
    QVERIFY(forms::isLoaded("frmViewFileNew"));
  }

  void eachButtonClosesTheSecondaryScreensExceptTheDataFolderButton() {
    QTemporaryDir data;
    modStatusBar::DataFolder = data.path();
    modStatusBar::AppFolder = data.path();
    FrmVarnix& menu = forms::get<FrmVarnix>();
    menu.show();
    auto openAll = [] {
      forms::add(new StandInForm("frmArchives"));
      forms::add(new StandInForm("frmStatusBar"));
      forms::add(new StandInForm("frmPalm"));
      forms::get<FrmListView>();
    };

    openAll();
    control<QPushButton>(&menu, "cmdViewFile")->click();
    QCOMPARE(forms::loadedNames(), (QStringList{"frmVarnix", "frmViewFileNew"}));
    QVERIFY(forms::find<FrmViewFileNew>()->isVisible());

    // The data folder dialog is modal and leaves the other screens open.
    openAll();
    QStringList whileOpen;
    QTimer::singleShot(0, [&] {
      whileOpen = forms::loadedNames();
      auto* dialog = forms::find<FrmFolderInfo>();
      if (dialog) {
        whileOpen << QString::number(dialog->isModal());
        control<QPushButton>(dialog, "cmdClose")->click();
      }
    });
    control<QPushButton>(&menu, "cmdChangeDataDir")->click();
    QCOMPARE(whileOpen, (QStringList{"frmVarnix", "frmViewFileNew", "frmArchives", "frmStatusBar", "frmPalm",
                                     "frmListView", "frmFolderInfo", "1"}));
    QVERIFY(!forms::isLoaded("frmFolderInfo"));

    // The port choice is modal and comes after CloseSubForms.
    QStringList portTime;
    QTimer::singleShot(0, [&] {
      portTime = forms::loadedNames();
      if (auto* port = forms::find<FrmSelectPort>()) control<QPushButton>(port, "CancelButton")->click();
    });
    control<QPushButton>(&menu, "cmdSelectPort")->click();
    QCOMPARE(portTime, (QStringList{"frmVarnix", "frmSelectPort"}));
    QVERIFY(!forms::isLoaded("frmSelectPort"));

    // Screens this build lacks: the others are closed all the same. (A port
    // is chosen: the first download would ask for one.)
    writeAll(modStatusBar::JoinPath(data.path(), QStringLiteral("VARNIX.CFG")), "COM1 19200\r\n");
    for (const char* name : {"cmdDownload", "cmdArchive", "cmdPalm"}) {
      forms::get<FrmViewFileNew>();
      control<QPushButton>(&menu, name)->click();
      QVERIFY2(!forms::isLoaded("frmViewFileNew"), name);
      QVERIFY(menu.cursor().shape() == Qt::ArrowCursor);
    }
    QCOMPARE(ended_, 0);
  }

  void closeSubFormsFollowsItsOrderAndLeavesOthersAlone() {
    QStringList order;
    QObject watcher;  // the connections end with this test
    for (const char* name : {"frmPalm", "frmViewFileNew", "frmStatusBar", "frmSelectPort", "frmListView",
                             "frmArchives", "frmFolderInfo", "frmVarnix"}) {
      auto* form = new StandInForm(name);
      forms::add(form);
      connect(form, &Form::unloaded, &watcher, [&order, name] { order << name; });
    }
    modStatusBar::CloseSubForms();
    QCOMPARE(order, (QStringList{"frmArchives", "frmListView", "frmSelectPort", "frmStatusBar", "frmViewFileNew",
                                 "frmPalm"}));
    QCOMPARE(forms::loadedNames(), (QStringList{"frmFolderInfo", "frmVarnix"}));
  }

  void exitAndTheCloseBoxBothUnloadEverythingAndEndTheProgram() {
    QTemporaryDir data;
    modStatusBar::DataFolder = data.path();
    FrmVarnix& menu = forms::get<FrmVarnix>();
    menu.show();
    forms::get<FrmViewFileNew>().show();
    control<QPushButton>(&menu, "cmdExit")->click();
    QCOMPARE(ended_, 1);
    QVERIFY(forms::loaded().isEmpty());
    flushUnloaded();

    FrmVarnix& again = forms::get<FrmVarnix>();
    again.show();
    forms::get<FrmListView>().show();
    again.close();  // the frame's close box
    QCOMPARE(ended_, 2);
    QVERIFY(forms::loaded().isEmpty());
  }

  void fitToScreenFillsTheAvailableAreaAndCenterFormCentres() {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget full;
    modStatusBar::FitToScreen(&full);
    QVERIFY(full.windowState() & Qt::WindowMaximized);
    // Restored, the window and a title bar above it stay on the screen.
    const QRect normal = full.normalGeometry();
    QVERIFY2(area.contains(normal.adjusted(0, -32, 0, 0)), "restored, the title bar stays on the screen");
    QVERIFY(normal.width() > area.width() * 3 / 4);
    FrmSelectPort& port = forms::get<FrmSelectPort>(QStringList{});
    const QRect g = port.frameGeometry();
    QVERIFY(g.width() < area.width());
    QVERIFY(qAbs(g.center().x() - area.center().x()) <= 1);
    QVERIFY(qAbs(g.center().y() - area.center().y()) <= 1);
    // A form larger than the screen keeps its top left corner on it.
    QWidget big;
    big.resize(area.width() + 400, area.height() + 400);
    modStatusBar::CenterForm(&big);
    QCOMPARE(big.pos(), area.topLeft());
  }

 private:
  std::unique_ptr<QTemporaryDir> home_;
  int ended_ = 0;
};

QTEST_MAIN(StartupMenuTest)
#include "startup_menu_test.moc"
