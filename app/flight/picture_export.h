// SPDX-License-Identifier: GPL-3.0-or-later
// The flight window's charts as a picture file, as the window shows them
// (render/picture_export.h writes it): a title line naming the flight, the
// phases and limit lines, the compared flight B dashed with both flights
// named, and the cursor and ruler only when asked.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "flight/outcome.h"

namespace varnix::app::flight_view {

class FlightChart;

// Writes the picture, replacing a file at `path`; the problem says what went wrong.
flight::Done savePicture(const FlightChart& chart, const QString& path, const QSize& size, bool includeCursor = false);
// The same picture in memory, for the clipboard.
QImage pictureImage(const FlightChart& chart, const QSize& size, bool includeCursor = false);

}  // namespace varnix::app::flight_view
