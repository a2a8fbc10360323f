// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/report_pdf.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <qcustomplot.h>

#include "analysis/flight_analysis.h"
#include "analysis/limits.h"
#include "flight/open_flight.h"
#include "frontend/chart/panel_plan.h"
#include "frontend/report/report_content.h"
#include "render/chart_scene.h"
#include "render/library_text.h"
#include "render/whole_file.h"

namespace varnix::render {

namespace {

constexpr int kResolution = 96;  // the chart panels draw as they do on screen

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

// Lays out text and tables down a page, starting new pages as needed.
class Page {
 public:
  Page(QPdfWriter& writer, QCPPainter& painter) : writer_(writer), painter_(painter) {
    width_ = writer.width();
    height_ = writer.height();
  }
  void text(const QString& s, double pointSize = 9.5, bool bold = false, const QColor& color = Qt::black) {
    QFont f = painter_.font();
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    painter_.setFont(f);
    painter_.setPen(color);
    const QRect box = painter_.boundingRect(QRect(0, 0, width_, 10000), Qt::TextWordWrap, s);
    room(box.height());
    painter_.drawText(QRect(0, y_, width_, box.height()), Qt::TextWordWrap, s);
    y_ += box.height() + 2;
  }
  void gap(int h) { y_ += h; }
  // A table with a header row; `widths` in shares of the page width.
  void table(const QStringList& header, const std::vector<QStringList>& rows, const std::vector<double>& widths) {
    QFont f = painter_.font();
    f.setPointSizeF(8.5);
    const int rowHeight = QFontMetrics(f, &writer_).height() + 4;
    auto line = [&](const QStringList& cells, bool head, bool shade) {
      room(rowHeight);
      if (shade) painter_.fillRect(QRect(0, y_, width_, rowHeight), QColor(0xee, 0xf3, 0xf8));
      f.setBold(head);
      painter_.setFont(f);
      painter_.setPen(Qt::black);
      double x = 0;
      for (int c = 0; c < cells.size() && c < static_cast<int>(widths.size()); ++c) {
        const int w = static_cast<int>(widths[static_cast<std::size_t>(c)] * width_);
        painter_.drawText(QRect(static_cast<int>(x) + 4, y_, w - 8, rowHeight),
                          (c == 0 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter, cells[c]);
        x += w;
      }
      y_ += rowHeight;
    };
    line(header, true, true);
    painter_.setPen(QColor(0x80, 0x80, 0x80));
    painter_.drawLine(QLineF(0, y_, width_, y_));
    for (std::size_t r = 0; r < rows.size(); ++r) line(rows[r], false, r % 2 == 1);
    y_ += 6;
  }
  void newPage() {
    writer_.newPage();
    y_ = 0;
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  void room(int h) {
    if (y_ + h > height_) newPage();
  }
  QPdfWriter& writer_;
  QCPPainter& painter_;
  int width_ = 0, height_ = 0, y_ = 0;
};

}  // namespace

ReportOutcome writeFlightReport(const QString& csvPath, const QString& pdfPath, platform::ReplacingFile::Mode mode) {
  using Code = ReportOutcome::Code;
  if (platform::sameFile(toLibraryText(csvPath), toLibraryText(pdfPath)))
    return {Code::SameAsFlight, QStringLiteral("%1 is the flight file itself; the report needs a file of its own.").arg(pdfPath)};
  QFile file(csvPath);
  if (!file.open(QIODevice::ReadOnly)) return {Code::CannotOpen, QStringLiteral("The file %1 cannot be opened.").arg(csvPath)};
  const QByteArray bytes = file.readAll();
  flight::FlightRead read =
      flight::OpenFlightText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  if (!read.flight)
    return {Code::NotAFlight,
            QStringLiteral("%1 cannot be read as a flight: %2").arg(csvPath, QString::fromStdString(read.problem))};
  const flight::Flight& flight = *read.flight;
  const flight::FlightAnalysis analysis = flight::AnalyseFlight(flight);
  const QString folder = QFileInfo(csvPath).absolutePath();
  const std::vector<flight::Finding> findings =
      flight::EvaluateFindings(analysis.digest, flight::LoadLimits(toLibraryText(folder)));
  const report::ReportContent content =
      report::MakeReportContent(flight, analysis, findings, QFileInfo(csvPath).fileName().toStdString());

  const WholeFile written = writeWholeFile(pdfPath, mode, [&](QIODevice& device) {
    QPdfWriter writer(&device);
    writer.setResolution(kResolution);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(14, 14, 14, 14), QPageLayout::Millimeter);
    writer.setTitle(text(content.title));
    writer.setCreator(QStringLiteral("Varnix"));
    QCPPainter painter;
    if (!painter.begin(&writer)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    Page page(writer, painter);

    const QColor heading(0x1f, 0x3b, 0x5c);
    page.text(QStringLiteral("Flight report"), 18, true, heading);
    page.text(text(content.facts[0]), 12, true);
    for (std::size_t i = 1; i < content.facts.size(); ++i) page.text(text(content.facts[i]));
    page.text(text(content.headlineLine));
    page.gap(10);

    page.text(QStringLiteral("Findings"), 12, true, heading);
    if (content.findings.empty()) page.text(QStringLiteral("None: the flight stayed within the aircraft's limits."));
    for (const report::FindingLine& x : content.findings)
      page.text(QStringLiteral("%1  %2 — %3").arg(text(x.severity), text(x.at), text(x.text)), 9.5, x.warning,
                x.warning ? QColor(0xb0, 0, 0) : QColor(0x80, 0x50, 0));
    page.gap(10);

    page.text(QStringLiteral("Cylinders (%1)").arg(text(content.degrees)), 12, true, heading);
    page.table(texts(content.cylinderHeader), rowsOf(content.cylinderRows), {0.16, 0.14, 0.14, 0.14, 0.14, 0.14, 0.14});
    page.text(QStringLiteral("Other channels"), 12, true, heading);
    page.table(texts(content.channelHeader), rowsOf(content.channelRows), {0.2, 0.16, 0.16, 0.16, 0.16, 0.16});

    // The chart scene on a page of its own, across its width.
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.newPage();
    PaintChart(painter, QRectF(0, 0, writer.width(), writer.height()), flight, flight::PlanPanels(flight));
    return painter.end();
  });
  if (written.code == WholeFile::Code::NameTaken)
    return {Code::NameTaken, QStringLiteral("The file %1 exists.").arg(pdfPath)};
  if (!written.written())
    return {Code::CannotWrite,
            QStringLiteral("The file %1 cannot be written.").arg(pdfPath) + QLatin1Char('\n') + written.reason(pdfPath)};
  return {};
}

}  // namespace varnix::render
