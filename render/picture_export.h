// SPDX-License-Identifier: GPL-3.0-or-later
// The chart scene as a picture file: PNG, PDF or SVG by the file's suffix,
// written whole or not at all (whole_file.h).
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <vector>

#include "flight/flight.h"
#include "flight/outcome.h"
#include "frontend/chart/panel_plan.h"
#include "render/chart_scene.h"
#include "render/whole_file.h"

namespace varnix::render {

// What to draw: a flight's panels, as PaintChart draws them.
struct ChartPicture {
  const flight::Flight& flight;
  const std::vector<frontend::PanelPlan>& panels;
  ChartOptions options;
};

// How the picture's file ended, and what went wrong for the user (empty when written).
using PictureOutcome = flight::Outcome<WholeFile::Code>;

// The picture in memory (the clipboard's, a PNG's).
QImage ChartImage(const ChartPicture& chart, const QSize& size);

// Writes the picture; `mode` says whether a file at `path` may be replaced.
PictureOutcome WritePicture(const ChartPicture& chart, const QString& path, const QSize& size,
                            platform::ReplacingFile::Mode mode);

}  // namespace varnix::render
