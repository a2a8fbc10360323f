// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/download/new_flights_panel.h"

#include <QLabel>
#include <QPushButton>
#include <memory>

#include "app/archives/frm_archives.h"
#include "frontend/guarded_work.h"
#include "frontend/new_flights.h"
#include "render/library_text.h"

namespace varnix::app::modStatusBar {

namespace {

// What a download brought, under the page's list.
void showNewFlights(FrmArchives& target, const frontend::NewFlights& summary) {
  QStringList lines;
  for (const std::string& l : summary.lines()) lines << fromLibraryText(l);
  target.newFlightsLine()->setText(lines.isEmpty() ? QStringLiteral("No new flights.") : lines.join(QLatin1Char('\n')));
#ifdef VARNIX_HAVE_LOGBOOK
  if (summary.flights() == 0) return;
  QPushButton* button = target.openLogbookButton();
  const frontend::NewFlightsOfAircraft& first = summary.aircraft.front();
  const QString aircraft = fromLibraryText(first.folder);
  QStringList flights;
  for (const std::string& f : first.files) flights << fromLibraryText(f);
  button->setToolTip(QStringLiteral("The logbook of %1 at its new flights").arg(aircraft));
  QObject::connect(button, &QPushButton::clicked, button, [aircraft, flights] {
    Form* logbook = forms::get(QStringLiteral("frmLogbook"));
    if (!logbook) return;
    logbook->show();
    logbook->raise();
    QMetaObject::invokeMethod(logbook, "showFlights", Q_ARG(QString, aircraft), Q_ARG(QStringList, flights));
  });
  button->show();
#endif
}

}  // namespace

void ShowNewFlights(FrmArchives& page, const QString& dataFolder, const QStringList& files) {
  QLabel* line = page.newFlightsLine();
  QPushButton* open = page.openLogbookButton();
  line->setText(QStringLiteral("Reading the new flights…"));
  line->show();
  open->hide();
  open->disconnect();
  std::vector<std::string> paths;
  for (const QString& f : files) paths.push_back(toLibraryText(f));
  const std::string folder = toLibraryText(dataFolder);
  page.newFlightsTask().start([folder, paths](const TaskControl& task) {
    // Without room to read them, the new flights are left to the logbook.
    auto summary = std::make_shared<frontend::NewFlights>();
    if (!frontend::GuardedWork([&] { *summary = frontend::SummariseNewFlights(folder, paths); }).empty())
      *summary = frontend::NewFlights();
    std::shared_ptr<const frontend::NewFlights> shown = summary;
    task.deliverTo<FrmArchives>([shown](FrmArchives& target) { showNewFlights(target, *shown); });
  });
}

}  // namespace varnix::app::modStatusBar
