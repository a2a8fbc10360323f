// Varnix: the start-up screen settles the folders, then the main menu runs
// the program until it is closed.
#include <QApplication>

#include "shared/pictures.h"
#include "startup/frm_top.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Varnix"));
  QApplication::setWindowIcon(varnix::app::pictureIcon(QStringLiteral("varnix")));
  // The program ends when the main menu closes, not when the start-up
  // screen gives way to it.
  QApplication::setQuitOnLastWindowClosed(false);
  varnix::app::forms::get<varnix::app::FrmTop>().show();
  return QApplication::exec();
}
