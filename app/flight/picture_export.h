// SPDX-License-Identifier: GPL-3.0-or-later
// The chart panels as a picture file: PNG, PDF or SVG by the file's suffix.
#pragma once

#include <QSize>
#include <QString>

namespace varnix::app::flight_view {

class FlightChart;

// Empty when written; else what went wrong.
QString savePicture(FlightChart& chart, const QString& path, const QSize& size);

}  // namespace varnix::app::flight_view
