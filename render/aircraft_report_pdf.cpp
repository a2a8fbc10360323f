// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/aircraft_report_pdf.h"

#include <QPageSize>
#include <QPrinter>
#include <algorithm>
#include <limits>
#include <memory>
#include <qcustomplot.h>

#include "frontend/chart/axis_span.h"
#include "render/refused.h"

namespace varnix::render {

namespace {

constexpr int kPanelHeight = 150;

QString text(const std::string& s) { return QString::fromStdString(s); }

QStringList texts(const std::vector<std::string>& cells) {
  QStringList out;
  for (const std::string& c : cells) out << text(c);
  return out;
}

// One series as a line through its flights' points, on a time axis of dates.
void paintPanel(QPainter& painter, const QRectF& area, const frontend::report::TrendSeries& s) {
  QCustomPlot plot;
  QFont small = plot.font();
  small.setPointSizeF(8);
  QCPGraph* g = plot.addGraph();
  QVector<double> x, y;
  for (const auto& p : s.points) {
    if (p.afterGap) {  // a NaN breaks the line
      x << (x.back() + p.time) / 2;
      y << std::numeric_limits<double>::quiet_NaN();
    }
    x << p.time;
    y << p.value;
  }
  g->setData(x, y, true);
  g->setPen(QPen(QColor(0x00, 0x72, 0xB2), 1.4));
  g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 5));
  auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
  ticker->setDateTimeFormat(QStringLiteral("yyyy-MM-dd"));
  ticker->setDateTimeSpec(Qt::UTC);
  ticker->setTickCount(4);  // ten-character dates: more would touch
  plot.xAxis->setTicker(ticker);
  plot.yAxis->ticker()->setTickCount(4);
  for (QCPAxis* axis : {plot.xAxis, plot.yAxis}) {
    axis->setTickLabelFont(small);
    axis->setLabelFont(small);
  }
  // The same left margin in every panel, so that their dates line up.
  plot.axisRect()->setAutoMargins(QCP::msTop | QCP::msBottom | QCP::msRight);
  plot.axisRect()->setMargins(QMargins(90, 0, 0, 0));
  plot.yAxis->setLabel(s.unit.empty() ? text(s.title) : QStringLiteral("%1 (%2)").arg(text(s.title), text(s.unit)));
  plot.plotLayout()->insertRow(0);
  plot.plotLayout()->addElement(0, 0, new QCPTextElement(&plot, text(s.title), QFont(small.family(), 9, QFont::Bold)));
  plot.rescaleAxes();
  // A day either side, so that one flight's point is not on the frame.
  const QCPRange xr = plot.xAxis->range();
  plot.xAxis->setRange(xr.lower - 86400, xr.upper + 86400);
  // At least the series' least span and 1 % of the value, so that a steady
  // series is not read in quarter degrees or hundredths of a gallon.
  const QCPRange yr = plot.yAxis->range();
  const double least = std::max({0.1, std::abs(yr.center()) * 0.01, s.leastSpan});
  const auto [lower, upper] = frontend::AxisRange(yr.lower, yr.upper, least, 0.1);
  plot.yAxis->setRange(lower, upper);
  painter.save();
  painter.translate(area.topLeft());
  plot.toPainter(static_cast<QCPPainter*>(&painter), static_cast<int>(area.width()), static_cast<int>(area.height()));
  painter.restore();
}

void layOutAircraft(ReportPage& page, const frontend::report::AircraftReportContent& c) {
  page.text(QStringLiteral("Aircraft report"), 18, true, kHeadingColour);
  page.text(text(c.facts.at(0)), 12, true);
  for (std::size_t i = 1; i < c.facts.size(); ++i) page.text(text(c.facts[i]));
  QStringList totals = texts(c.totals);
  page.text(totals.join(QStringLiteral(" · ")), 10.5, true);
  page.gap(10);

  // What an owner acts on first: the issues, then the changes and trends,
  // then each flight's findings, and the flight rows last.
  page.heading(QStringLiteral("Issues"));
  if (c.issues.empty()) page.text(QStringLiteral("Nothing open in this period."));
  for (const std::string& line : c.issues) page.text(text(line));
  page.gap(10);

  page.heading(QStringLiteral("Trends"));
  if (c.trends.empty()) page.text(QStringLiteral("No trend findings across the aircraft's flights."));
  for (const std::string& line : c.trends) page.text(text(line));
  for (const frontend::report::TrendSeries& s : c.panels)
    page.drawing(kPanelHeight, [&](QPainter& painter, const QRectF& area) { paintPanel(painter, area, s); });
  page.gap(10);

  if (!c.maintenance.empty()) {
    page.heading(QStringLiteral("Maintenance"));
    for (const std::string& line : c.maintenance) page.text(text(line));
    page.gap(10);
  }

  page.heading(QStringLiteral("Findings"));
  if (c.findings.empty()) page.text(QStringLiteral("None open in this period."));
  for (const std::string& line : c.findings) page.text(text(line));
  if (!c.acknowledged.empty()) {
    page.gap(4);
    page.text(QStringLiteral("Acknowledged findings"), 10, true, kHeadingColour);
    for (const std::string& line : c.acknowledged) page.text(text(line), 9.5, false, QColor(0x60, 0x60, 0x60));
  }
  page.gap(10);

  page.heading(QStringLiteral("Flights"));
  std::vector<QStringList> rows;
  for (const auto& r : c.flights.rows) rows.push_back(texts(r));
  if (rows.empty()) page.text(QStringLiteral("No flight in this period."));
  else page.table(texts(c.flights.header), rows);
}

}  // namespace

ReportOutcome writeAircraftReport(const frontend::report::AircraftReportContent& content, const QString& pdfPath,
                                  platform::ReplacingFile::Mode mode, ReportPages* pages) {
  return writeReportPdf(pdfPath, mode, text(content.title), text(content.pageHeader), pages,
                        [&](ReportPage& page) { layOutAircraft(page, content); });
}

ReportOutcome printAircraftReport(const frontend::report::AircraftReportContent& content, QPrinter& printer) {
  printer.setResolution(96);
  printer.setDocName(text(content.title));
  const std::unique_ptr<PageCanvas> canvas = pagedCanvas(printer, false);
  bool ok = false;
  layOutReport(*canvas, text(content.pageHeader), nullptr, [&](ReportPage& page) { layOutAircraft(page, content); },
               &ok);
  if (!ok) return Refused(ReportCode::CannotWrite, QStringLiteral("The report could not be printed."));
  return {};
}

std::vector<QImage> aircraftReportImages(const frontend::report::AircraftReportContent& content) {
  const std::unique_ptr<ImageCanvas> canvas = imageCanvas(false, true);
  bool ok = false;
  layOutReport(*canvas, text(content.pageHeader), nullptr, [&](ReportPage& page) { layOutAircraft(page, content); },
               &ok);
  return takeImages(*canvas);
}

}  // namespace varnix::render
