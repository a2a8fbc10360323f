// SPDX-License-Identifier: GPL-3.0-or-later
// The flight window's charts as a picture file, as the window shows them
// (render/picture_export.h writes it).
#pragma once

#include <QSize>
#include <QString>

namespace varnix::app::flight_view {

class FlightChart;

// Writes the picture, replacing a file at `path`. Empty when written; else what went wrong.
QString savePicture(const FlightChart& chart, const QString& path, const QSize& size);

}  // namespace varnix::app::flight_view
