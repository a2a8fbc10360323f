// SPDX-License-Identifier: GPL-3.0-or-later
// The chart panels as a picture file: PNG, PDF or SVG by the file's suffix,
// written whole or not at all (whole_file.h).
#pragma once

#include <QSize>
#include <QString>

#include "flight/whole_file.h"

namespace varnix::app::flight_view {

class FlightChart;

struct PictureOutcome {
  WholeFile::Code code = WholeFile::Code::Written;
  QString problem;  // what went wrong, for the user; empty when written
};

// Writes the picture; `mode` says whether a file at `path` may be replaced.
PictureOutcome writePicture(FlightChart& chart, const QString& path, const QSize& size,
                            platform::ReplacingFile::Mode mode);

// The same, replacing a file at `path`. Empty when written; else what went wrong.
QString savePicture(FlightChart& chart, const QString& path, const QSize& size);

}  // namespace varnix::app::flight_view
