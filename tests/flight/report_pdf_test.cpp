// SPDX-License-Identifier: GPL-3.0-or-later
// The reports as PDF files: their page count, each page's header line and
// number, the sections of the flight report (the engine analysis among
// them) and of the aircraft report; pictures that name their flight and
// show the cursor only when asked.
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QtTest>
#include <filesystem>
#include <qcustomplot.h>

#include "core/expand.h"
#include "flight/open_flight.h"
#include "frontend/report/aircraft_report_content.h"
#include "render/aircraft_report_pdf.h"
#include "render/picture_export.h"
#include "render/report_pdf.h"
#include "store/catalog_entry.h"
#include "store/logbook.h"
#include "support/flight_files.h"

using namespace varnix;

namespace {

// Pages of a PDF as QPdfWriter writes them: one "/Type /Page" object each.
int pdfPages(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QString bytes = QString::fromLatin1(f.readAll());
  return static_cast<int>(bytes.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

bool anyLineStarts(const QStringList& lines, const QString& start) {
  return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.startsWith(start); });
}

}  // namespace

class ReportPdfTest : public QObject {
  Q_OBJECT

 private:
  test::TempDir dir_;

  // The flights of a dump expanded below `sub`: their folder.
  std::string expand(const std::string& sub, const sim::encode::ProfileOptions& o, int flights) {
    const std::string folder = dir_.file(sub);
    std::filesystem::create_directories(folder + "/data");
    test::writeFile(folder + "/R1.DAT", sim::encode::assembleDump(sim::encode::ProfileDump(o, flights)));
    HeaderState header;
    ExpandDataFile(folder + "/R1.DAT", folder + "/data/", header);
    return folder + "/data/N123AB";
  }

  // Every page begins with the header line and its number, "Page N of M".
  static void checkHeaders(const render::ReportPages& pages, const QString& header) {
    for (std::size_t i = 0; i < pages.size(); ++i) {
      QVERIFY2(pages[i].size() >= 2, qPrintable(QStringLiteral("page %1 is empty").arg(i + 1)));
      QCOMPARE(pages[i][0], header);
      QCOMPARE(pages[i][1], QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size()));
    }
  }

 private slots:
  void flightReportHasPageHeadersNumbersAndTheEngineAnalysis_data() {
    QTest::addColumn<bool>("events");
    QTest::addColumn<QStringList>("lines");  // each begins a line of the report
    QTest::newRow("lean test and magneto check")
        << true
        << QStringList{"Sweep at ", "Time\tRPM drop\tVerdict", "Sweep\tCylinder\tPeak EGT (°F)"};
    QTest::newRow("a flight without events")
        << false << QStringList{"No leaning sweep in this flight.", "No magneto check in the run-up."};
  }
  void flightReportHasPageHeadersNumbersAndTheEngineAnalysis() {
    QFETCH(bool, events);
    QFETCH(QStringList, lines);
    sim::encode::ProfileOptions o = test::shortFlight(sim::encode::ProfileLayout::Single, 60);
    if (events) {
      o.interval = 2;
      o.events.lean = o.events.mag = true;
    }
    const std::string folder = expand(events ? "events" : "plain", o, 1);
    const QString csv = QString::fromStdString(folder + "/F00001.CSV");
    const QString pdf = QString::fromStdString(folder + "/report.pdf");
    render::ReportPages pages;
    const render::ReportOutcome outcome = render::writeFlightReport(csv, pdf, platform::ReplacingFile::Mode::Replace, &pages);
    QCOMPARE(outcome.problem, std::string());
    QCOMPARE(pdfPages(pdf), static_cast<int>(pages.size()));
    QVERIFY(pages.size() >= 2);  // the text, then the charts on a page of their own
    QCOMPARE(pages.back().size(), 2);
    checkHeaders(pages, QStringLiteral("N123AB · Flight #1 · 2024-06-03"));
    QStringList all;
    for (const QStringList& p : pages) all << p;
    for (const char* heading : {"Flight report", "Findings", "Phases", "Power, mixture, valves and sensors", "Lean test",
                                "Magneto check", "Cylinders", "Other channels"})
      QVERIFY2(all.contains(QString::fromUtf8(heading)), heading);
    for (const QString& l : lines) QVERIFY2(anyLineStarts(all, l), qPrintable(l));
    // The headline's figures with their units, the duration as h:mm:ss.
    const QString headline = all.filter(QStringLiteral("Hottest EGT")).value(0);
    QVERIFY2(QRegularExpression(QStringLiteral("Fuel used [0-9.]+ gal")).match(headline).hasMatch(), qPrintable(headline));
    QVERIFY2(!headline.contains(QStringLiteral("(DIF)")), qPrintable(headline));
    QVERIFY(anyLineStarts(all, QStringLiteral("Date 2024-06-03, start 9:12:00 · duration 0:59:")));
    // Printed (here to a PDF printer), the report has the same pages.
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(folder + "/printed.pdf"));
    QCOMPARE(render::printFlightReport(csv, printer).problem, std::string());
    QCOMPARE(pdfPages(printer.outputFileName()), static_cast<int>(pages.size()));
  }

  void aircraftReportHasPageHeadersNumbersFlightsAndTrends_data() {
    QTest::addColumn<QString>("since");
    QTest::addColumn<QString>("until");
    QTest::addColumn<int>("flights");
    QTest::newRow("June") << "2024-06-01" << "2024-06-30" << 12;
    QTest::newRow("three days") << "2024-06-04" << "2024-06-06" << 3;
    QTest::newRow("no flight") << "2025-01-01" << "" << 0;
  }
  void aircraftReportHasPageHeadersNumbersFlightsAndTrends() {
    QFETCH(QString, since);
    QFETCH(QString, until);
    QFETCH(int, flights);
    static std::string folder;
    if (folder.empty()) folder = expand("aircraft", test::shortFlight(sim::encode::ProfileLayout::Single, 20), 12);
    std::vector<store::CatalogEntry> entries;
    for (const auto& file : std::filesystem::directory_iterator(folder))
      if (file.path().extension() == ".CSV")
        if (auto e = store::MakeCatalogEntryFromFile(file.path().string())) {
          e->file = "N123AB/" + file.path().filename().string();
          e->folder = "N123AB";
          entries.push_back(std::move(*e));
        }
    const store::AircraftLog log = store::BuildAircraftLog("N123AB", std::move(entries), analysis::Limits{});
    const frontend::report::AircraftReportContent content =
        frontend::report::MakeAircraftReportContent(log, "N123AB", since.toStdString(), until.toStdString());
    const QString pdf = QString::fromStdString(dir_.file("aircraft-" + since.toStdString() + ".pdf"));
    render::ReportPages pages;
    QCOMPARE(render::writeAircraftReport(content, pdf, platform::ReplacingFile::Mode::Replace, &pages).problem, std::string());
    QCOMPARE(pdfPages(pdf), static_cast<int>(pages.size()));
    QVERIFY(!pages.empty());
    checkHeaders(pages, QStringLiteral("N123AB · ") +
                            (until.isEmpty() ? QStringLiteral("from ") + since : since + QStringLiteral(" to ") + until));
    QStringList all;
    for (const QStringList& p : pages) all << p;
    for (const char* heading : {"Aircraft report", "Flights", "Findings", "Trends"})
      QVERIFY2(all.contains(QString::fromUtf8(heading)), heading);
    QVERIFY(anyLineStarts(all, QStringLiteral("Flights %1 · Flight time ").arg(flights)));
    // A line per flight under the table's header, whose titles carry the units.
    QCOMPARE(all.filter(QRegularExpression(QStringLiteral("^2024-06-\\d\\d\\t"))).size(), flights);
    if (flights > 0) {
      QVERIFY(anyLineStarts(all, QStringLiteral("Date\tStart\tFlight\tDuration\tHottest EGT\n(°F)")));
      QVERIFY(content.panels.size() >= 4);
    } else {
      QVERIFY(all.contains(QStringLiteral("No flight in this period.")));
      QCOMPARE(static_cast<int>(pages.size()), 1);
    }
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf + QStringLiteral(".printed.pdf"));
    QCOMPARE(render::printAircraftReport(content, printer).problem, std::string());
    QCOMPARE(pdfPages(printer.outputFileName()), static_cast<int>(pages.size()));
  }

  // A picture's title line and its cursor: the title in the top strip, the
  // cursor drawn only when asked (wherever the window has it).
  void picturesNameTheirFlightAndShowTheCursorOnlyWhenAsked() {
    const std::string folder = expand("picture", test::shortFlight(sim::encode::ProfileLayout::Single, 20), 1);
    const flight::FlightRead read = flight::OpenFlight(folder + "/F00001.CSV");
    QVERIFY(read.ok());
    const flight::Flight& f = read.value;
    const std::vector<frontend::PanelPlan> panels = frontend::PlanPanels(f);
    QCOMPARE(QString::fromStdString(render::PictureTitle(f)), QStringLiteral("N123AB · Flight #1 · 2024-06-03 · start 9:12:00"));
    auto image = [&](bool title, bool cursor, std::size_t row) {
      render::ChartOptions o;
      o.overlay.cursorRow = row;
      o.cursor = cursor;
      if (title) o.title = render::PictureTitle(f);
      return render::ChartImage({f, panels, o}, QSize(900, 600));
    };
    // The title line takes the top strip; the panels start below it.
    const QImage titled = image(true, false, 0), plain = image(false, false, 0);
    QVERIFY(titled.copy(0, 0, 900, 16) != plain.copy(0, 0, 900, 16));
    QCOMPARE(image(false, false, 10), image(false, false, f.rows() / 2));
    QVERIFY(image(false, true, 10) != image(false, true, f.rows() / 2));
  }
};

QTEST_MAIN(ReportPdfTest)
#include "report_pdf_test.moc"
