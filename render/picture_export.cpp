// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/picture_export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <functional>
#include <qcustomplot.h>

#include "render/refused.h"

namespace varnix::render {

namespace {

bool drawPdf(const ChartPicture& chart, const QSize& size, QIODevice& device) {
  QPdfWriter writer(&device);
  writer.setResolution(96);
  writer.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96.0, size.height() * 72.0 / 96.0), QPageSize::Point));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QCPPainter painter;
  if (!painter.begin(&writer)) return false;
  PaintChart(painter, QRectF(QPointF(0, 0), size), chart.flight, chart.panels, chart.options);
  return painter.end();
}

bool drawSvg(const ChartPicture& chart, const QSize& size, QIODevice& device) {
  QSvgGenerator svg;
  svg.setOutputDevice(&device);
  svg.setSize(size);
  svg.setViewBox(QRect(QPoint(0, 0), size));
  svg.setTitle(QStringLiteral("Flight charts"));
  QCPPainter painter;
  if (!painter.begin(&svg)) return false;
  PaintChart(painter, QRectF(QPointF(0, 0), size), chart.flight, chart.panels, chart.options);
  return painter.end();
}

}  // namespace

QImage ChartImage(const ChartPicture& chart, const QSize& size) {
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QCPPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  PaintChart(painter, QRectF(QPointF(0, 0), size), chart.flight, chart.panels, chart.options);
  painter.end();
  return image;
}

PictureOutcome WritePicture(const ChartPicture& chart, const QString& path, const QSize& size,
                            platform::ReplacingFile::Mode mode) {
  using Code = WholeFile::Code;
  if (size.width() < 100 || size.height() < 100 || size.width() > 20000 || size.height() > 20000)
    return Refused(Code::CannotWrite, QStringLiteral("The picture size must be between 100 and 20000 pixels each way."));
  const QString suffix = QFileInfo(path).suffix().toLower();
  std::function<bool(QIODevice&)> draw;
  if (suffix == QLatin1String("pdf")) {
    draw = [&](QIODevice& device) { return drawPdf(chart, size, device); };
  } else if (suffix == QLatin1String("svg")) {
    draw = [&](QIODevice& device) { return drawSvg(chart, size, device); };
  } else if (suffix == QLatin1String("png")) {
    // Encoded in memory, then written: Qt's PNG writer leaks its row buffer
    // when a write fails halfway (a full disk), and prints libpng's words.
    draw = [&](QIODevice& device) {
      QByteArray png;
      QBuffer buffer(&png);
      if (!buffer.open(QIODevice::WriteOnly) || !ChartImage(chart, size).save(&buffer, "PNG")) return false;
      return device.write(png) == png.size();
    };
  } else {
    return Refused(Code::CannotWrite, QStringLiteral("A picture is saved as .png, .pdf or .svg."));
  }
  const WholeFile written = writeWholeFile(path, mode, draw);
  if (written.written()) return {};
  return Refused(written.code,
                 QStringLiteral("The file '%1' cannot be written.").arg(path) + QLatin1Char('\n') + written.reason(path));
}

}  // namespace varnix::render
