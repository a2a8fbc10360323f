// SPDX-License-Identifier: GPL-3.0-or-later
// Varnix: the start-up screen settles the folders, then the main menu runs
// the program until it is closed.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <cstring>

#include "app/flight/flight_window.h"
#include "app/shared/background_task.h"
#include "app/shared/pictures.h"
#include "app/startup/frm_top.h"

namespace {

void describe(QCommandLineParser& options) {
  options.setApplicationDescription(
      QStringLiteral("Downloads the memory of a QTM engine data monitor over a serial cable, turns each "
                     "recorded flight into a CSV file and keeps the files in a folder per aircraft."));
  options.addHelpOption();
  options.addVersionOption();
  options.addOption({QStringLiteral("logbook"), QStringLiteral("Open the logbook once the main menu shows.")});
}

// Whether the command line asks for the help or the version text, which
// need no display: a QApplication would end the program without one.
bool asksForText(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i)
    for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
      if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

void name() {
  QCoreApplication::setApplicationName(QStringLiteral("Varnix"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VARNIX_VERSION));
}

}  // namespace

int main(int argc, char* argv[]) {
#ifndef _WIN32
  // A download ends early on a key press only where a console is there to
  // type into. The windowed program has none, even when it was started from
  // a terminal: its standard input never is one.
  if (!std::freopen("/dev/null", "r", stdin)) std::fclose(stdin);
#endif
  if (asksForText(argc, argv)) {
    QCoreApplication text(argc, argv);
    name();
    QCommandLineParser options;
    describe(options);
    options.process(text);  // prints and ends the program
    return 0;
  }
  QApplication app(argc, argv);
  name();
  QCommandLineParser options;
  describe(options);
  options.process(app);
  QApplication::setWindowIcon(varnix::app::pictureIcon(QStringLiteral("varnix")));
  // Varnix FILE.CSV...: the flight windows of the files, without the menus.
  QStringList flights = QApplication::arguments().mid(1);
  flights.removeIf([](const QString& a) { return a.startsWith(QLatin1Char('-')); });
  if (!flights.isEmpty()) {
    for (const QString& file : flights) varnix::app::flight_view::FlightWindow::open(file);
    const int code = QApplication::exec();
    varnix::app::BackgroundTask::finishAll();  // work of windows closed meanwhile ends first
    return code;
  }
  // The program ends when the main menu closes, not when the start-up
  // screen gives way to it.
  QApplication::setQuitOnLastWindowClosed(false);
  auto& top = varnix::app::forms::get<varnix::app::FrmTop>();
  top.openLogbookAtStart(options.isSet(QStringLiteral("logbook")));
  top.show();
  const int code = QApplication::exec();
  varnix::app::BackgroundTask::finishAll();
  return code;
}
