// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight/picture_export.h"

#include "flight/flight_chart.h"
#include "render/picture_export.h"

namespace varnix::app::flight_view {

QString savePicture(const FlightChart& chart, const QString& path, const QSize& size) {
  if (!chart.flight()) return QStringLiteral("There is no flight to draw.");
  return render::WritePicture({*chart.flight(), chart.plans(), chart.shown()}, path, size,
                              platform::ReplacingFile::Mode::Replace)
      .problem;
}

}  // namespace varnix::app::flight_view
