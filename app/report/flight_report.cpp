// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/flight_report.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QStandardPaths>
#include <cmath>
#include <map>
#include <qcustomplot.h>

#include "store/catalog_entry.h"
#include "flight/channels.h"
#include "flight/flight_chart.h"
#include "flight/flight_reader.h"
#include "analysis/flight_summary.h"
#include "analysis/limits.h"
#include "frontend/chart/panel_plan.h"
#include "flight/readout.h"
#include "flight/whole_file.h"
#include "shared/library_text.h"

namespace varnix::app::report {

namespace {

constexpr int kResolution = 96;  // the chart panels draw as they do on screen

QString number(double v, int decimals = 0) { return std::isfinite(v) ? QString::number(v, 'f', decimals) : QString(); }

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

QString clock(const flight::Flight& f, double seconds) { return flight_view::clockText(f.startOfDay + seconds); }

// Rows of the per-cylinder table: EGT and CHT (and TIT) side by side.
std::vector<QStringList> cylinderRows(const flight::Flight& f, const flight::FlightSummary& s) {
  struct Pair {
    int egt = -1, cht = -1;
  };
  std::map<std::pair<int, int>, Pair> cylinders;  // (engine, cylinder)
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const flight::Channel& k = f.channels[c];
    if (k.kind == flight::ChannelKind::Egt) cylinders[{static_cast<int>(k.engine), k.cylinder}].egt = static_cast<int>(c);
    if (k.kind == flight::ChannelKind::Cht) cylinders[{static_cast<int>(k.engine), k.cylinder}].cht = static_cast<int>(c);
  }
  std::vector<QStringList> rows;
  for (const auto& [key, p] : cylinders) {
    QStringList row;
    row << QStringLiteral("%1%2").arg(QString::fromUtf8(flight::EnginePrefix(static_cast<flight::Engine>(key.first)).data())).arg(key.second);
    for (int c : {p.egt, p.cht}) {
      if (c < 0 || s.channels[static_cast<std::size_t>(c)].count == 0) {
        row << QString() << QString() << QString();
        continue;
      }
      const flight::ChannelStats& st = s.channels[static_cast<std::size_t>(c)];
      row << number(st.max) << number(st.mean) << clock(f, st.maxAt);
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<QStringList> channelRows(const flight::Flight& f, const flight::FlightSummary& s) {
  std::vector<QStringList> rows;
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const flight::Channel& k = f.channels[c];
    if (k.kind == flight::ChannelKind::Egt || k.kind == flight::ChannelKind::Cht || k.kind == flight::ChannelKind::Mark)
      continue;
    const flight::ChannelStats& st = s.channels[c];
    const QString name = QString::fromStdString(k.name);
    const QString unit = QString::fromUtf8(flight::UnitText(k.unit));
    if (st.count == 0) {
      rows.push_back({name, unit, QStringLiteral("NA")});
      continue;
    }
    const int decimals = st.max - st.min < 20 ? 1 : 0;
    rows.push_back({name, unit, number(st.min, decimals), number(st.max, decimals), number(st.mean, decimals),
                    clock(f, st.maxAt)});
  }
  return rows;
}

}  // namespace

ReportOutcome writeFlightReport(const QString& csvPath, const QString& pdfPath, platform::ReplacingFile::Mode mode) {
  using Code = ReportOutcome::Code;
  if (platform::sameFile(toLibraryText(csvPath), toLibraryText(pdfPath)))
    return {Code::SameAsFlight, QStringLiteral("%1 is the flight file itself; the report needs a file of its own.").arg(pdfPath)};
  QFile file(csvPath);
  if (!file.open(QIODevice::ReadOnly)) return {Code::CannotOpen, QStringLiteral("The file %1 cannot be opened.").arg(csvPath)};
  const QByteArray bytes = file.readAll();
  const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  flight::FlightRead read = flight::ReadFlightText(text);
  if (!read.flight)
    return {Code::NotAFlight,
            QStringLiteral("%1 cannot be read as a flight: %2").arg(csvPath, QString::fromStdString(read.problem))};
  auto flight = std::make_shared<const flight::Flight>(std::move(*read.flight));
  const flight::FlightSummary summary = flight::SummarizeFlight(*flight);
  const flight::CatalogEntry entry = flight::MakeCatalogEntry(text);
  const QString folder = QFileInfo(csvPath).absolutePath();
  const std::vector<flight::Finding> findings =
      flight::EvaluateFindings(entry.digest, flight::LoadLimits(toLibraryText(folder)));
  const flight::FlightFacts& facts = flight->facts;

  const WholeFile written = writeWholeFile(pdfPath, mode, [&](QIODevice& device) {
    QPdfWriter writer(&device);
    writer.setResolution(kResolution);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(14, 14, 14, 14), QPageLayout::Millimeter);
    writer.setTitle(QStringLiteral("Flight report: %1 flight #%2")
                        .arg(QString::fromStdString(facts.aircraft), QString::fromStdString(facts.flightLabel)));
    writer.setCreator(QStringLiteral("Varnix"));
    QCPPainter painter;
    if (!painter.begin(&writer)) return false;
    painter.setRenderHint(QPainter::Antialiasing);
    Page page(writer, painter);

    const QString degrees = facts.engineUnit == 'C' ? QStringLiteral("°C") : QStringLiteral("°F");
    page.text(QStringLiteral("Flight report"), 18, true, QColor(0x1f, 0x3b, 0x5c));
    page.text(QStringLiteral("Aircraft %1 · Flight #%2 · %3")
                  .arg(QString::fromStdString(facts.aircraft), QString::fromStdString(facts.flightLabel),
                       QFileInfo(csvPath).fileName()),
              12, true);
    page.text(QStringLiteral("Date %1, start %2 · duration %3 h (%4 rows every %5 s)")
                  .arg(QString::fromStdString(entry.start.substr(0, 10)), clock(*flight, 0),
                       number(summary.recordedSeconds / 3600, 2))
                  .arg(flight->rows())
                  .arg(facts.interval));
    page.text(QStringLiteral("Monitor: %1 · engine %2, OAT °%3%4")
                  .arg(QString::fromStdString(facts.identification), degrees, QString(QLatin1Char(facts.outsideAirUnit)),
                       facts.fuelUnit.empty() ? QString() : QStringLiteral(", fuel flow ") + QString::fromStdString(facts.fuelUnit)));
    QStringList headline;
    auto figure = [&](const char* label, const flight::Figure& f, int decimals, const QString& unit) {
      if (f.known())
        headline << QStringLiteral("%1 %2 %3 (%4)").arg(QString::fromLatin1(label), number(f.value, decimals), unit,
                                                        QString::fromStdString(f.channel));
    };
    figure("Hottest EGT", entry.hottestEgt, 0, degrees);
    figure("Hottest CHT", entry.hottestCht, 0, degrees);
    figure("Max DIF", entry.difMax, 0, degrees);
    figure("Fastest cooling", entry.fastestCooling, 0, degrees + QStringLiteral("/min"));
    figure("Min BAT", entry.batteryMin, 1, QStringLiteral("V"));
    if (std::isfinite(entry.fuelUsed)) headline << QStringLiteral("Fuel used %1").arg(number(entry.fuelUsed, 1));
    page.text(headline.join(QStringLiteral(" · ")));
    page.gap(10);

    page.text(QStringLiteral("Findings"), 12, true, QColor(0x1f, 0x3b, 0x5c));
    if (findings.empty()) page.text(QStringLiteral("None: the flight stayed within the aircraft's limits."));
    for (const flight::Finding& x : findings)
      page.text(QStringLiteral("%1  %2 — %3")
                    .arg(x.severity == flight::Severity::Warning ? QStringLiteral("WARNING") : QStringLiteral("Caution"),
                         clock(*flight, x.peakAt), QString::fromStdString(x.text)),
                9.5, x.severity == flight::Severity::Warning,
                x.severity == flight::Severity::Warning ? QColor(0xb0, 0, 0) : QColor(0x80, 0x50, 0));
    page.gap(10);

    page.text(QStringLiteral("Cylinders (%1)").arg(degrees), 12, true, QColor(0x1f, 0x3b, 0x5c));
    page.table({QStringLiteral("Cylinder"), QStringLiteral("EGT max"), QStringLiteral("EGT mean"),
                QStringLiteral("EGT max at"), QStringLiteral("CHT max"), QStringLiteral("CHT mean"),
                QStringLiteral("CHT max at")},
               cylinderRows(*flight, summary), {0.16, 0.14, 0.14, 0.14, 0.14, 0.14, 0.14});
    page.text(QStringLiteral("Other channels"), 12, true, QColor(0x1f, 0x3b, 0x5c));
    page.table({QStringLiteral("Channel"), QStringLiteral("Unit"), QStringLiteral("Min"), QStringLiteral("Max"),
                QStringLiteral("Mean"), QStringLiteral("Max at")},
               channelRows(*flight, summary), {0.2, 0.16, 0.16, 0.16, 0.16, 0.16});

    // The chart panels on a page of their own, across its width.
    writer.setPageOrientation(QPageLayout::Landscape);
    writer.newPage();
    flight_view::FlightChart chart;
    const QSize size(writer.width(), writer.height());
    chart.resize(size);
    chart.setFlight(flight, flight::PlanPanels(*flight));
    chart.render(painter, size);
    return painter.end();
  });
  if (written.code == WholeFile::Code::NameTaken)
    return {Code::NameTaken, QStringLiteral("The file %1 exists.").arg(pdfPath)};
  if (!written.written())
    return {Code::CannotWrite,
            QStringLiteral("The file %1 cannot be written.").arg(pdfPath) + QLatin1Char('\n') + written.reason(pdfPath)};
  return {};
}

void saveFlightReport(QWidget* parent, const QString& csvPath) {
  const QFileInfo info(csvPath);
  const QString suggested = info.absolutePath() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral("-report.pdf");
  const QString pdf = QFileDialog::getSaveFileName(parent, QStringLiteral("Save report"), suggested,
                                                   QStringLiteral("PDF (*.pdf)"));
  if (pdf.isEmpty()) return;
  const ReportOutcome outcome = writeFlightReport(csvPath, pdf);
  if (outcome.code != ReportOutcome::Code::Written) QMessageBox::warning(parent, QStringLiteral("Varnix"), outcome.problem);
}

}  // namespace varnix::app::report
