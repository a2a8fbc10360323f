// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/report_pdf.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <optional>
#include <qcustomplot.h>

#include "analysis/aircraft_rules.h"
#include "analysis/engine_analysis.h"
#include "analysis/flight_analysis.h"
#include "flight/open_flight.h"
#include "frontend/chart/panel_plan.h"
#include "frontend/report/report_content.h"
#include "render/chart_scene.h"
#include "render/compare_overlay.h"
#include "render/library_text.h"
#include "render/refused.h"
#include "render/whole_file.h"

namespace varnix::render {

namespace {

QString text(const std::string& s) { return QString::fromStdString(s); }

QStringList texts(const std::vector<std::string>& cells) {
  QStringList out;
  for (const std::string& c : cells) out << text(c);
  return out;
}

std::vector<QStringList> rowsOf(const std::vector<std::vector<std::string>>& rows) {
  std::vector<QStringList> out;
  for (const auto& r : rows) out.push_back(texts(r));
  return out;
}

// A flight read and analysed as the flight window has it.
struct ReadFlight {
  std::optional<flight::Flight> flight;
  analysis::FlightAnalysis analysis;
  analysis::EngineAnalysis engine;
  frontend::report::ReportContent content;
  std::vector<frontend::PanelPlan> panels;
  analysis::Limits limits;
  std::shared_ptr<const Comparison> compared;  // flight B on the chart page
};

ReportOutcome openFlightFile(const QString& csvPath, std::optional<flight::Flight>& out) {
  using Code = ReportCode;
  QFile file(csvPath);
  if (!file.open(QIODevice::ReadOnly)) return Refused(Code::CannotOpen, QStringLiteral("The file %1 cannot be opened.").arg(csvPath));
  const QByteArray bytes = file.readAll();
  flight::FlightRead read =
      flight::OpenFlightText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!read.ok())
    return Refused(Code::NotAFlight,
                   QStringLiteral("%1 cannot be read as a flight: %2").arg(csvPath, QString::fromStdString(read.problem)));
  out = std::move(read.value);
  return {};
}

ReportOutcome readFlight(const QString& csvPath, const std::optional<ComparedFile>& compare, ReadFlight& out) {
  if (ReportOutcome opened = openFlightFile(csvPath, out.flight); !opened.ok()) return opened;
  std::optional<flight::Flight> b;
  if (compare)
    if (ReportOutcome opened = openFlightFile(compare->path, b); !opened.ok()) return opened;
  const flight::Flight& f = *out.flight;
  const std::string folder = toLibraryText(QFileInfo(csvPath).absolutePath());
  // The rules' problems are the caller's to say, as each front end says them
  // beside its report: the flight window's Summary tab, the logbook's line,
  // varnix-cli report on stderr.
  const analysis::AircraftRules rules = analysis::ReadAircraftRules(folder);
  out.limits = rules.limitsOf(f.facts).limits;
  out.analysis = analysis::AnalyseFlight(f);
  out.engine = analysis::AnalyseEngine(f, out.limits);
  rules.acknowledge(out.engine.findings);
  out.content = frontend::report::MakeReportContent(f, out.analysis, out.engine, QFileInfo(csvPath).fileName().toStdString());
  out.panels = frontend::PlanPanels(f);
  if (b)
    out.compared = std::make_shared<const Comparison>(
        CompareFlights(f, std::make_shared<const flight::Flight>(std::move(*b)), compare->by, compare->path));
  return {};
}

QString findingText(const frontend::report::FindingLine& x) {
  QString s = QStringLiteral("%1  %2 — %3").arg(text(x.severity), text(x.at), text(x.text));
  if (!x.hint.empty()) s += QStringLiteral(" — ") + text(x.hint);
  if (x.acknowledged) s += QStringLiteral(" (acknowledged: %1)").arg(text(x.reason));
  return s;
}

void layOutFlight(ReportPage& page, const ReadFlight& r) {
  const frontend::report::ReportContent& content = r.content;
  page.text(QStringLiteral("Flight report"), 18, true, kHeadingColour);
  page.text(text(content.facts[0]), 12, true);
  for (std::size_t i = 1; i < content.facts.size(); ++i) page.text(text(content.facts[i]));
  page.text(text(content.headlineLine));
  page.gap(10);

  page.heading(QStringLiteral("Findings"));
  if (content.findings.empty()) page.text(QStringLiteral("None open: the flight stayed within the aircraft's limits."));
  for (const frontend::report::FindingLine& x : content.findings)
    page.text(findingText(x), 9.5, x.warning, x.warning ? QColor(0xb0, 0, 0) : QColor(0x80, 0x50, 0));
  if (!content.acknowledged.empty()) {
    page.gap(4);
    page.text(QStringLiteral("Acknowledged findings"), 10, true, kHeadingColour);
    for (const frontend::report::FindingLine& x : content.acknowledged) page.text(findingText(x), 9.5, false, QColor(0x60, 0x60, 0x60));
  }
  page.gap(10);

  for (const frontend::report::ReportSection& s : content.analysis) {
    page.heading(text(s.title));
    for (const std::string& line : s.lines) page.text(text(line));
    if (!s.table.header.empty()) page.table(texts(s.table.header), rowsOf(s.table.rows));
    page.gap(6);
  }

  page.heading(QStringLiteral("Cylinders"));
  page.table(texts(content.cylinderHeader), rowsOf(content.cylinderRows));
  page.heading(QStringLiteral("Other channels"));
  page.table(texts(content.channelHeader), rowsOf(content.channelRows));

  // The chart scene on a page of its own, across its width, with the phases
  // and limit lines the window's panels show.
  page.drawingPage(true, [&](QPainter& painter, const QRectF& area) {
    ChartOptions o;
    o.annotations = {r.engine.phases.spans, r.engine.findings, r.limits};
    if (r.compared) {
      // B dashed over A's lines, the lines above the panels naming both.
      o.comparison = r.compared;
      o.title = ComparedTitle(*r.flight, *r.compared);
    }
    PaintChart(static_cast<QCPPainter&>(painter), area, *r.flight, r.panels, o);
  });
}

}  // namespace

ReportOutcome writeFlightReport(const QString& csvPath, const QString& pdfPath, platform::ReplacingFile::Mode mode,
                                ReportPages* pages, const std::optional<ComparedFile>& compare) {
  using Code = ReportCode;
  if (platform::sameFile(toLibraryText(csvPath), toLibraryText(pdfPath)))
    return Refused(Code::SameAsFlight,
                   QStringLiteral("%1 is the flight file itself; the report needs a file of its own.").arg(pdfPath));
  ReadFlight r;
  if (ReportOutcome read = readFlight(csvPath, compare, r); !read.ok()) return read;
  return writeReportPdf(pdfPath, mode, text(r.content.title), text(r.content.pageHeader), pages,
                        [&](ReportPage& page) { layOutFlight(page, r); });
}

ReportOutcome writeReportPdf(const QString& pdfPath, platform::ReplacingFile::Mode mode, const QString& title,
                             const QString& header, ReportPages* pages,
                             const std::function<void(ReportPage&)>& document) {
  using Code = ReportCode;
  const WholeFile written = writeWholeFile(pdfPath, mode, [&](QIODevice& device) {
    QPdfWriter writer(&device);
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Varnix"));
    const std::unique_ptr<PageCanvas> canvas = pagedCanvas(writer, false);
    bool ok = false;
    layOutReport(*canvas, header, pages, document, &ok);
    return ok;
  });
  if (written.code == WholeFile::Code::NameTaken)
    return Refused(Code::NameTaken, QStringLiteral("The file %1 exists.").arg(pdfPath));
  if (!written.written())
    return Refused(Code::CannotWrite, QStringLiteral("The file %1 cannot be written.").arg(pdfPath) + QLatin1Char('\n') +
                                          written.reason(pdfPath));
  return {};
}

ReportOutcome printFlightReport(const QString& csvPath, QPrinter& printer, const std::optional<ComparedFile>& compare) {
  ReadFlight r;
  if (ReportOutcome read = readFlight(csvPath, compare, r); !read.ok()) return read;
  printer.setResolution(96);
  printer.setDocName(text(r.content.title));
  const std::unique_ptr<PageCanvas> canvas = pagedCanvas(printer, false);
  bool ok = false;
  layOutReport(*canvas, text(r.content.pageHeader), nullptr, [&](ReportPage& page) { layOutFlight(page, r); }, &ok);
  if (!ok) return Refused(ReportCode::CannotWrite, QStringLiteral("The report could not be printed."));
  return {};
}

std::vector<QImage> flightReportImages(const QString& csvPath, const std::optional<ComparedFile>& compare) {
  ReadFlight r;
  if (!readFlight(csvPath, compare, r).ok()) return {};
  const std::unique_ptr<ImageCanvas> canvas = imageCanvas(false, true);
  bool ok = false;
  layOutReport(*canvas, text(r.content.pageHeader), nullptr, [&](ReportPage& page) { layOutFlight(page, r); }, &ok);
  return takeImages(*canvas);
}

}  // namespace varnix::render
