// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight/picture_export.h"

#include <QFileInfo>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <qcustomplot.h>

#include "flight/flight_chart.h"

namespace varnix::app::flight_view {

QString savePicture(FlightChart& chart, const QString& path, const QSize& size) {
  if (size.width() < 100 || size.height() < 100 || size.width() > 20000 || size.height() > 20000)
    return QStringLiteral("The picture size must be between 100 and 20000 pixels each way.");
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("pdf")) {
    QPdfWriter writer(path);
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96.0, size.height() * 72.0 / 96.0), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QCPPainter painter;
    if (!painter.begin(&writer)) return QStringLiteral("The file '%1' cannot be written.").arg(path);
    chart.render(painter, size);
    painter.end();
  } else if (suffix == QLatin1String("svg")) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QStringLiteral("Flight charts"));
    QCPPainter painter;
    if (!painter.begin(&svg)) return QStringLiteral("The file '%1' cannot be written.").arg(path);
    chart.render(painter, size);
    painter.end();
  } else if (suffix == QLatin1String("png")) {
    if (!chart.picture(size).save(path, "PNG")) return QStringLiteral("The file '%1' cannot be written.").arg(path);
  } else {
    return QStringLiteral("A picture is saved as .png, .pdf or .svg.");
  }
  if (!QFileInfo(path).isFile()) return QStringLiteral("The file '%1' cannot be written.").arg(path);
  return {};
}

}  // namespace varnix::app::flight_view
