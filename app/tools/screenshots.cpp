// SPDX-License-Identifier: GPL-3.0-or-later
// Renders every screen of the program into PNG files, one per screen, with
// a small data folder of example files behind them.
//   varnix_screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include "app/data_folder/folder_browser.h"
#include "app/data_folder/frm_choose_dir.h"
#include "app/data_folder/frm_folder_info.h"
#include "app/main_menu/frm_varnix.h"
#include "app/select_port/frm_select_port.h"
#include "app/shared/forms.h"
#include "app/shared/mod_status_bar.h"
#include "app/startup/frm_top.h"
#include "app/viewers/frm_list_view.h"
#include "app/viewers/frm_view_file_new.h"
#include "app/viewers/text_view.h"

using namespace varnix::app;

namespace {

void write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QByteArray exampleFlight() {
  QByteArray csv = "Example flight file\r\nAircraft,N123AB\r\n\r\nTIME,E1,E2,E3,E4,C1,C2,C3,C4,OIL,OAT,FF,RPM\r\n";
  for (int i = 0; i < 200; ++i) {
    csv += QByteArray::number(10) + ":" + QByteArray::number(30 + i / 10) + ":" + QByteArray::number((i % 10) * 6) +
           "," + QByteArray::number(1420 + i % 37) + "," + QByteArray::number(1435 + i % 29) + "," +
           QByteArray::number(1410 + i % 41) + "," + QByteArray::number(1440 + i % 23) + "," +
           QByteArray::number(380 + i % 11) + "," + QByteArray::number(372 + i % 13) + "," +
           QByteArray::number(390 + i % 7) + "," + QByteArray::number(385 + i % 9) + ",188,12,10.4,2450\r\n";
  }
  return csv;
}

void settle() {
  for (int i = 0; i < 5; ++i) {
    QApplication::processEvents();
    QThread::msleep(20);
  }
}

void shoot(QWidget& form, const QString& folder, const char* name) {
  settle();
  const QString file = QDir(folder).filePath(QString::fromLatin1(name) + ".png");
  if (!form.grab().save(file)) qWarning("could not save %s", qPrintable(file));
  else qInfo("%s", qPrintable(file));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    qWarning("usage: varnix_screenshots OUTPUT_FOLDER");
    return 2;
  }
  // Start-up makes the program folder current: settle the output path first.
  const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QDir().mkpath(out);

  QTemporaryDir programFolder, home;
  qputenv("HOME", home.path().toLocal8Bit());
  const QString data = home.filePath("VXDATA");
  QDir().mkpath(data + "/N123AB");
  QDir().mkpath(data + "/BadData");
  write(data + "/N123AB/R030714.DAT", "example");
  write(data + "/N123AB/R030714.TXT",
        "Flt#1- F00001.CSV  1.00 Hours Interval 6 sec 7/14/3 10:30:0\r\n"
        "Flt#2- F00002.CSV  0.50 Hours Interval 6 sec 7/14/3 14:05:0\r\n");
  write(data + "/N123AB/F00001.CSV", exampleFlight());
  write(data + "/N123AB/F00002.CSV", exampleFlight());
  write(programFolder.filePath("VARNIX.CFG"), "COM3 19200\r\n");
  write(programFolder.filePath("FolderList.CFG"), (data + "\r\n/srv/flights\r\n").toUtf8());

  FrmTop& top = forms::get<FrmTop>(programFolder.path());
  top.show();
  shoot(top, out, "frmTop");
  top.timerFired();

  FrmVarnix& menu = forms::get<FrmVarnix>();
  shoot(menu, out, "frmVarnix");

  FrmSelectPort& port = forms::get<FrmSelectPort>();
  port.show();
  shoot(port, out, "frmSelectPort");
  unloadForm(&port);

  FrmFolderInfo& info = forms::get<FrmFolderInfo>();
  info.show();
  info.newFolderBox()->setEditText(data + "/Season 2024");
  shoot(info, out, "frmFolderInfo");

  FrmChooseDir& chooser = forms::get<FrmChooseDir>();
  chooser.show();
  shoot(chooser, out, "frmChooseDir");
  unloadForm(&chooser);
  unloadForm(&info);

  FrmViewFileNew& viewer = forms::get<FrmViewFileNew>();
  viewer.show();
  viewer.browser()->setFolder(data + "/N123AB");
  if (auto* files = viewer.findChild<QListWidget*>("File1")) files->setCurrentRow(0);
  viewer.display();
  shoot(viewer, out, "frmViewFileNew");
  unloadForm(&viewer);

  FrmListView& list = forms::get<FrmListView>();
  list.show();
  list.showFile(data + "/N123AB/F00002.CSV", readFileForDisplay(data + "/N123AB/F00002.CSV").text);
  shoot(list, out, "frmListView");

  modStatusBar::UnloadAllForms();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
