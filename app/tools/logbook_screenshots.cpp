// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the logbook's tabs into PNG files and writes a flight report,
// from a data folder of three aircraft's simulated one-hour flights; the
// first (forty flights) has strict limits, so that findings show.
//   varnix_logbook_screenshots OUTPUT_FOLDER
// The report is written as OUTPUT_FOLDER/report.pdf; turn its pages into
// pictures with any PDF renderer (pdftoppm -png -r 60 report.pdf report).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>

#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "logbook/frm_logbook.h"
#include "logbook/logbook_model.h"
#include "report/flight_report.h"
#include "render/library_text.h"

using namespace varnix;

namespace {

// Expands a dump of `flights` simulated flights of the aircraft `userId`,
// one every four days from 2 March 2024, into the data folder.
bool expandAircraft(const QString& tmp, const QString& data, const std::string& userId, int flights, unsigned seed) {
  encode::ProfileOptions o;
  o.minutes = 75;
  o.year = 24;
  o.month = 3;
  o.day = 2;
  encode::DumpPlan plan = encode::ProfileDump(o, 0, userId);
  for (int i = 0; i < flights; ++i) {
    o.flightNumber = static_cast<std::uint16_t>(120 + i);
    o.seed = seed + static_cast<unsigned>(i);
    o.minutes = 50 + (i * 37) % 70;
    plan.flights.push_back(encode::ProfileFlight(o));
    o.day += 4;
    if (o.day > 28) {
      o.day -= 28;
      o.month = o.month % 12 + 1;
    }
  }
  const QString dat = tmp + QStringLiteral("/R240602.DAT");
  QFile f(dat);
  const std::string bytes = encode::assembleDump(plan);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes.data(), static_cast<qint64>(bytes.size())) < 0) return false;
  f.close();
  HeaderState header;
  ExpandDataFile(app::toLibraryText(dat), app::toLibraryText(data) + "/", header);
  return QFile::remove(dat);
}

// The Fleet tab at 1280×720 and 1920×1080.
void shootFleet(app::logbook::FrmLogbook& form, const QString& out) {
  form.tabs()->setCurrentWidget(form.fleetList());
  const struct {
    QSize size;
    const char* name;
  } shots[] = {{{1280, 720}, "logbook_fleet.png"}, {{1920, 1080}, "logbook_fleet_1920.png"}};
  for (const auto& shot : shots) {
    form.resize(shot.size);
    QApplication::processEvents();
    form.grab().save(out + QLatin1Char('/') + QString::fromLatin1(shot.name));
    std::printf("%s/%s\n", qPrintable(out), shot.name);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: varnix_logbook_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  QTemporaryDir tmp;
  const QString data = tmp.path() + QStringLiteral("/data");
  QDir().mkpath(data);
  // Three aircraft for the Fleet tab; the shots of the other tabs show N123AB.
  if (!expandAircraft(tmp.path(), data, "N123AB", 40, 11) || !expandAircraft(tmp.path(), data, "N456CD", 25, 70) ||
      !expandAircraft(tmp.path(), data, "N789EF", 12, 120))
    return 1;
  QFile limits(data + QStringLiteral("/N123AB/varnix-limits.txt"));
  if (limits.open(QIODevice::WriteOnly)) limits.write("cht_max = 430\negt_deviation = 45\n");
  limits.close();

  app::logbook::FrmLogbook form;
  form.resize(1280, 760);
  QSignalSpy caughtUp(&form, &app::logbook::FrmLogbook::caughtUp);
  form.openFolder(data);
  form.show();
  caughtUp.wait(60000);
  const char* names[] = {"logbook_flights.png", "logbook_trends.png", "logbook_findings.png"};
  for (int tab = 0; tab < 3; ++tab) {
    form.tabs()->setCurrentIndex(tab);
    QApplication::processEvents();
    form.grab().save(out + QLatin1Char('/') + QString::fromLatin1(names[tab]));
    std::printf("%s/%s\n", argv[1], names[tab]);
  }
  shootFleet(form, out);
  const QString flight = data + QStringLiteral("/N123AB/F00137.CSV");
  const auto outcome = app::report::writeFlightReport(flight, out + QStringLiteral("/report.pdf"));
  if (outcome.code != app::report::ReportOutcome::Code::Written) {
    std::fprintf(stderr, "%s\n", outcome.problem.toLocal8Bit().constData());
    return 1;
  }
  std::printf("%s/report.pdf\n", argv[1]);
  return 0;
}
